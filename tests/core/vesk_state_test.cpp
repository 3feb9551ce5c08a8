// The core's programs, chunks and defaults as the shipped effect uses them:
// sixteen programs of fourteen parameters, "Mode" outside the programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "effect/Vesk.h"
#include "effect/VeskParams.h"
#include "platform/resources.h"
#include "platform/userfiles.h"
#include "tests/core/ChunkBytes.h"
#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/ScopedResources.h"
#include "tests/support/RecordingDialogs.h"

namespace fs = std::filesystem;
using CoreTest::ChunkBytes;
using TestSupport::FakeHost;
using TestSupport::RecordingDialogs;

namespace {

bool noResource(const char*, const char*, Platform::ResourceBytes&) { return false; }

class VeskState : public ::testing::Test {
protected:
    VeskState()
    {
        std::string path;
        Vesk probe(FakeHost::core());
        if (probe.defaultsPath(path)) file = path;
        dialogs.boxes.clear();
    }
    ~VeskState() override
    {
        if (ownsFolder) {
            std::error_code ec;
            fs::remove(file, ec);
        }
    }
    /// Whether the defaults file is this test's own: on POSIX it lies in a
    /// scratch folder; on Windows it is the one every program in the prefix
    /// (the plug-in loaded by other test programs included) starts from.
    bool ownsFolder = Platform::pathSeparator() == '/';
    std::unique_ptr<Vesk> make() { return std::make_unique<Vesk>(FakeHost::core()); }
    static std::vector<uint8_t> chunkOf(Vesk& v, bool isPreset)
    {
        std::vector<uint8_t> bytes;
        v.serializeState(isPreset, bytes);
        return bytes;
    }
    static void load(Vesk& v, std::vector<uint8_t> bytes)
    {
        v.loadState(bytes.data(), bytes.size());
    }

    CoreTest::ScratchConfigHome home{"vesk"};
    TestSupport::ScopedResources resources{noResource};
    FakeHost host;
    RecordingDialogs dialogs;
    std::string file;
};

}  // namespace

TEST_F(VeskState, FirstStartGivesSixteenBuiltInPrograms)
{
    if (!ownsFolder && fs::exists(file)) GTEST_SKIP() << "a defaults file exists in the shared profile: " << file;
    auto v = make();
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_EQ(v->programCount(), 16);
    ASSERT_EQ(v->paramCount(), 14u);
    for (int32_t p = 0; p < 16; ++p) {
        EXPECT_EQ(std::string(v->program(p).name), "Init " + std::to_string(p + 1));
        for (uint32_t i = 0; i < 14; ++i) EXPECT_EQ(v->program(p).values[i], VeskParams::kTable[i].defaultValue);
    }
}

TEST_F(VeskState, ChunkSizesAndErrorCaption)
{
    auto v = make();
    for (uint32_t i = 0; i < 14; ++i) v->unlearn(i);
    EXPECT_EQ(chunkOf(*v, false).size(), 1410u);
    EXPECT_EQ(chunkOf(*v, true).size(), 96u);
    v->assignMidiKey(1, static_cast<int16_t>(0xB007));
    v->assignMidiKey(13, static_cast<int16_t>(0xB00B));
    EXPECT_EQ(chunkOf(*v, false).size(), 1410u + 8);
    EXPECT_EQ(chunkOf(*v, true).size(), 96u + 8);

    load(*v, {0x75, 0x3D, 0x8C, 0x28, 5, 0, 0});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: No header");
    EXPECT_EQ(dialogs.boxes[0].caption, "Vesk2 error");
    EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);

    dialogs.answers = {Platform::kIdNo};
    load(*v, ChunkBytes().name("Vesk").value(0, 0).bytes);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Trying to load a preset for \"Vesk\"\nDo you want to continue?");
    EXPECT_EQ(dialogs.boxes[1].caption, "Vesk2");
    EXPECT_NE(v->getParameter(0), 0.0f) << "declined: the value record was not applied";
}

TEST_F(VeskState, ModeStaysAcrossProgramSwitches)
{
    auto v = make();
    v->setProgram(3);
    v->setParameter(VeskParams::kMode, 1.0f);
    v->setParameter(VeskParams::kRTime, 0.9f);
    const float stored = v->program(5).values[VeskParams::kRTime];
    v->setProgram(5);
    EXPECT_EQ(v->getParameter(VeskParams::kMode), 1.0f);
    EXPECT_EQ(v->getParameter(VeskParams::kRTime), stored);
    v->setParameter(VeskParams::kMode, 0.0f);
    v->setProgram(3);
    EXPECT_EQ(v->getParameter(VeskParams::kRTime), 0.9f);
    EXPECT_EQ(v->getParameter(VeskParams::kMode), 0.0f);
    EXPECT_EQ(v->program(3).values[VeskParams::kMode], 1.0f) << "stored into the program left";
}

TEST_F(VeskState, BankAndProgramRoundTrips)
{
    auto a = make();
    a->setProgram(7);
    a->setProgramName("Long Hall");
    a->setParameter(VeskParams::kRoomSize, 0.8f);
    a->setParameter(VeskParams::kMode, 1.0f);
    a->setProgram(2);
    a->assignMidiKey(VeskParams::kOutput, static_cast<int16_t>(0xB007));
    const std::vector<uint8_t> bank = chunkOf(*a, false);
    const std::vector<uint8_t> preset = chunkOf(*a, true);

    auto b = make();
    for (uint32_t i = 0; i < 14; ++i) b->unlearn(i);
    load(*b, bank);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(chunkOf(*b, false), bank);
    EXPECT_STREQ(b->program(7).name, "Long Hall");
    EXPECT_EQ(b->getProgram(), 2);

    auto c = make();
    for (uint32_t i = 0; i < 14; ++i) c->unlearn(i);
    const std::string name7 = c->program(7).name;
    load(*c, preset);
    EXPECT_EQ(chunkOf(*c, true), preset);
    EXPECT_EQ(c->program(7).name, name7) << "the program form leaves programs alone";
    EXPECT_EQ(c->getMidiKey(VeskParams::kOutput), static_cast<int16_t>(0xB007));
}

TEST_F(VeskState, SavedDefaultsAreWhereTheNextInstanceStarts)
{
    if (!ownsFolder)
        GTEST_SKIP() << "saving would change the defaults of every program using this profile, other test programs "
                        "included; the same core path is tested with a product name of its own";
    auto a = make();
    a->setProgram(4);
    a->setProgramName("Mine");
    a->setParameter(VeskParams::kPredelay, 0.5f);
    a->saveDefaults();
    ASSERT_TRUE(fs::exists(file));

    auto b = make();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(b->getParameter(VeskParams::kPredelay), 0.5f);
    EXPECT_EQ(b->param(VeskParams::kPredelay).defaultValue, 0.5f);
    EXPECT_EQ(b->getProgram(), 4);
    EXPECT_STREQ(b->program(4).name, "Mine");
}
