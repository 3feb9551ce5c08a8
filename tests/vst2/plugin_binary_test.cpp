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
    EXPECT_NE(e->flags & effFlagsHasEditor, 0);
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

TEST_F(PluginBinary, OpcodesThatAnswerConstants)
{
    EXPECT_EQ(plugin.call(effOpen), 0);
    EXPECT_EQ(plugin.call(effCanBeAutomated, 0), 1);
    EXPECT_EQ(plugin.call(effCanBeAutomated, 99), 1);
    EXPECT_EQ(plugin.call(effGetNumProgramCategories), 1);
    EXPECT_EQ(plugin.call(effConnectInput, 0, 1), 1);
    EXPECT_EQ(plugin.call(effConnectOutput, 1, 1), 1);
    EXPECT_EQ(plugin.call(effKeysRequired), 1);
    EXPECT_EQ(plugin.call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin.call(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(plugin.call(effGetPlugCategory), 0);
    EXPECT_EQ(plugin.call(effGetVendorVersion), 0);
    EXPECT_EQ(plugin.call(effGetTailSize), 0);
    EXPECT_EQ(plugin.call(effSetBypass, 0, 1), 0);
    EXPECT_EQ(plugin.call(effGetNumMidiInputChannels), 0);
    // Deprecated editor opcodes, offline, speaker, MIDI-program, shell and precision opcodes do nothing.
    for (VstInt32 op : {9, 16, 17, 18, 20, 21, 27, 30, 35, 36, 37, 38, 39, 40, 41, 42, 44, 46, 49, 52, 53, 54, 55,
                        56, 59, 60, 61, 62, 64, 65, 66, 67, 68, 70, 71, 72, 74, 75, 76, 77, 78, 79, 80, 1000, -1}) {
        char buf[512] = {};
        EXPECT_EQ(plugin.call(op, 0, 0, buf), 0) << "opcode " << op;
    }
    // The editor tells its size before it is opened; without a place to put it, nothing.
    EXPECT_EQ(plugin.call(effEditGetRect), 0);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin.call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ((std::vector<int>{rect->top, rect->left, rect->bottom, rect->right}), (std::vector<int>{0, 0, 170, 560}));
}

TEST_F(PluginBinary, CanDoOnlyMidiEvents)
{
    char yes[] = "receiveVstMidiEvent";
    char no1[] = "receiveVstMidiEvents";
    char no2[] = "sendVstMidiEvent";
    char empty[] = "";
    EXPECT_EQ(plugin.call(effCanDo, 0, 0, yes), 1);
    EXPECT_EQ(plugin.call(effCanDo, 0, 0, no1), 0);
    EXPECT_EQ(plugin.call(effCanDo, 0, 0, no2), 0);
    EXPECT_EQ(plugin.call(effCanDo, 0, 0, empty), 0);
    EXPECT_EQ(plugin.call(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(PluginBinary, PinPropertiesAndSpeakerArrangement)
{
    const char* names[2] = {"Main L", "Main R"};
    for (VstInt32 op : {effGetInputProperties, effGetOutputProperties}) {
        for (int pin = 0; pin < 2; ++pin) {
            VstPinProperties props;
            std::memset(&props, 0x5A, sizeof props);
            ASSERT_EQ(plugin.call(op, pin, 0, &props), 1);
            EXPECT_STREQ(props.label, names[pin]);
            EXPECT_EQ(props.flags, kVstPinIsActive | kVstPinIsStereo);
            EXPECT_EQ(static_cast<unsigned char>(props.shortLabel[0]), 0x5A) << "other fields untouched";
        }
        VstPinProperties props{};
        EXPECT_EQ(plugin.call(op, 2, 0, &props), 0);
        EXPECT_EQ(plugin.call(op, -1, 0, &props), 0);
    }
    void* in = &in;
    void* out = &out;
    EXPECT_EQ(plugin.call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST_F(PluginBinary, ProgramSelectionAndNames)
{
    plugin.call(effSetProgram, 0, 5);
    EXPECT_EQ(plugin.call(effGetProgram), 5);
    plugin.call(effSetProgram, 0, 16);  // one past the last program
    EXPECT_EQ(plugin.call(effGetProgram), 5);
    plugin.call(effSetProgram, 0, -1);
    EXPECT_EQ(plugin.call(effGetProgram), 5);

    char longName[] = "A program name far longer than twenty-three characters";
    plugin.call(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(plugin.text(effGetProgramName), std::string(longName, 23));
    char indexed[64] = {};
    plugin.call(effGetProgramNameIndexed, 5, 0, indexed);
    EXPECT_EQ(std::string(indexed), std::string(longName, 23));
}

TEST_F(PluginBinary, ParametersThroughTheRecord)
{
    AEffect* e = plugin.effect;
    e->setParameter(e, 3, 1.7f);
    EXPECT_EQ(e->getParameter(e, 3), 1.0f);
    e->setParameter(e, 3, -0.2f);
    EXPECT_EQ(e->getParameter(e, 3), 0.0f);
    e->setParameter(e, 3, std::nanf(""));
    EXPECT_EQ(e->getParameter(e, 3), 0.0f);
    e->setParameter(e, 3, -0.0f);
    EXPECT_FALSE(std::signbit(e->getParameter(e, 3)));
    e->setParameter(e, 14, 0.5f);
    e->setParameter(e, -1, 0.5f);
    EXPECT_EQ(e->getParameter(e, 14), 0.0f);
    EXPECT_EQ(e->getParameter(e, -1), 0.0f);

    e->setParameter(e, 1, 1.0f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "2.500");
    e->setParameter(e, 13, 0.0f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 13), "-inf");
    char untouched[16] = "keep";
    plugin.call(effGetParamDisplay, 14, 0, untouched);
    EXPECT_STREQ(untouched, "keep");
}

TEST_F(PluginBinary, ProcessEntryPointsRespectTheBlockSize)
{
    AEffect* e = plugin.effect;
    plugin.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin.call(effSetBlockSize, 0, 64);
    plugin.call(effMainsChanged, 0, 1);

    std::vector<float> inL(128, 0.0f), inR(128, 0.0f), outL(128, 7.0f), outR(128, 7.0f);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    e->processReplacing(e, in, out, 65);  // more than announced: ignored
    EXPECT_EQ(outL[0], 7.0f);
    EXPECT_EQ(outR[64], 7.0f);
    e->processReplacing(e, in, out, -5);
    EXPECT_EQ(outL[0], 7.0f);

    e->processReplacing(e, in, out, 64);  // silence in, silence out
    EXPECT_EQ(outL[0], 0.0f);
    EXPECT_EQ(outR[63], 0.0f);
    EXPECT_EQ(outL[64], 7.0f) << "frames past the block stay untouched";

    // The accumulating form adds to what the host's buffers hold.
    std::fill(outL.begin(), outL.end(), 0.25f);
    e->process(e, in, out, 64);
    EXPECT_EQ(outL[10], 0.25f);

    std::vector<double> dL(64, 0.0), dR(64, 0.0), oL(64, 3.0), oR(64, 3.0);
    double* din[2] = {dL.data(), dR.data()};
    double* dout[2] = {oL.data(), oR.data()};
    e->processDoubleReplacing(e, din, dout, 64);
    EXPECT_EQ(oL[0], 0.0);
    EXPECT_EQ(oR[63], 0.0);
    plugin.call(effMainsChanged, 0, 0);
}

TEST_F(PluginBinary, CloseDestroysTheInstance)
{
    EXPECT_EQ(plugin.call(effClose), 1);
    plugin.effect = nullptr;  // the record went with the object
}
