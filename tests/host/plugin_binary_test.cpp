// The plug-in binary as a host meets it: loaded through its exported entry,
// answering the dispatcher, processing through the record's entry points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/FakeHost.h"
#include "tests/support/LoadedPlugin.h"

using TestSupport::FakeHost;
using TestSupport::LoadedPlugin;

namespace {

class PluginBinary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(plugin.library.loaded()) << plugin.library.error();
        ASSERT_NE(plugin.entry, nullptr);
        ASSERT_NE(plugin.open(FakeHost::callback()), nullptr);
    }
    FakeHost host;
    LoadedPlugin plugin{VESK_PLUGIN_FILE};
};

}  // namespace

TEST(PluginEntry, RefusesAHostThatAnswersVersionZero)
{
    FakeHost host;
    host.version = 0;
    LoadedPlugin plugin(VESK_PLUGIN_FILE);
    ASSERT_NE(plugin.entry, nullptr);
    EXPECT_EQ(plugin.open(FakeHost::callback()), nullptr);
    EXPECT_EQ(plugin.entry(nullptr), nullptr);
}

TEST_F(PluginBinary, RecordDescribesTheReverb)
{
    const AEffect* e = plugin.effect;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 14);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->uniqueID, vstFourCC('V', 'e', 's', 'A'));
    EXPECT_EQ(e->version, 1);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->flags & (effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing),
              effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing);
    EXPECT_EQ(e->flags & effFlagsIsSynth, 0);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(e->process, nullptr);
}

TEST_F(PluginBinary, NamesAndIdentity)
{
    EXPECT_EQ(plugin.text(effGetEffectName), "Vesk2");
    EXPECT_EQ(plugin.text(effGetVendorString), "Morlenvale");
    EXPECT_EQ(plugin.text(effGetProductString), "Morlenvale Vesk2");
    EXPECT_EQ(plugin.call(effGetEffectName, 0, 0, nullptr), 0) << "a null buffer is refused";
    EXPECT_EQ(plugin.call(effGetVstVersion), 2400);
    EXPECT_EQ(plugin.call(effIdentify), vstFourCC('R', 'u', 'V', 'o'));
}

TEST_F(PluginBinary, DefaultDisplayTextsWithLabels)
{
    const char* expected[14][3] = {
        {"Predel.", "25", "ms"},    {"RTime", "0.250", "s"},   {"Diffus.", "0", "%"},
        {"Roomsz", "50.0", "m"},    {"Hi Freq", "5.00", "kHz"}, {"Lo Freq", " 500", "Hz"},
        {"Hi EQ", "0.0", "dB"},     {"Lo EQ", "0.0", "dB"},    {"HiScale", "1.00", "x RT"},
        {"LoScale", "1.00", "x RT"}, {"Hi Cut", "20.00", "kHz"}, {"Lo Cut", "  10", "Hz"},
        {"Mode", "send", ""},       {"Output", "-12.0", "dB"},
    };
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plugin.text(effGetParamName, i), expected[i][0]);
        EXPECT_EQ(plugin.text(effGetParamDisplay, i), expected[i][1]);
        EXPECT_EQ(plugin.text(effGetParamLabel, i), expected[i][2]);
    }
    EXPECT_EQ(plugin.text(effGetParamName, 14), "**");
    EXPECT_EQ(plugin.text(effGetParamLabel, 14), "");
}

TEST_F(PluginBinary, ProgramsAreNamedInitOneToSixteen)
{
    for (int p = 0; p < 16; ++p) {
        char name[64] = {};
        EXPECT_EQ(plugin.call(effGetProgramNameIndexed, p, 0, name), 1);
        EXPECT_EQ(std::string(name), "Init " + std::to_string(p + 1));
    }
    char name[64] = "untouched";
    EXPECT_EQ(plugin.call(effGetProgramNameIndexed, 16, 0, name), 0);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(plugin.text(effGetProgramName), "Init 1");
}
