// Whole vesk-host commands run in-process against the probe plug-in and
// Vesk2: MIDI timing to the frame, host-sized blocks and tail, channel
// handling, presets of plain values, and MIDI learn through the state chunk.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tools/ToolsTestSupport.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/Commands.h"
#include "tools/vesk-host/EventSchedule.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/PresetFile.h"
#include "tools/vesk-host/StateChunk.h"

using namespace HostKit;
using ToolsTest::probeState;
using ToolsTest::runHost;

namespace {

std::string writeInput(const std::string& dir, const AudioBuffer& audio)
{
    const std::string path = dir + "/in.wav";
    writeAudioFile(path, audio, SampleFormat::Float32);
    return path;
}

}  // namespace

TEST(Render, ControlChangesTakeEffectAtTheirExactFrame)
{
    const std::string dir = ToolsTest::scratchDir("render_cc");
    const std::string in = writeInput(dir, AudioBuffer(44100, 2, 2000));
    for (const char* precision : {"single", "double"}) {
        SCOPED_TRACE(precision);
        std::vector<std::string> args = {"render", ToolsTest::probeFile(), in, dir + "/out.wav", "--block", "256",
                                         "--cc", "1500:7=0", "--cc", "700:7=127:3"};
        if (std::string(precision) == "double") args.push_back("--double");
        const ToolsTest::RunResult r = runHost(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("2 MIDI control changes sent"), std::string::npos) << r.out;

        // The probe's right output carries the last controller value.
        const AudioBuffer out = readAudioFile(dir + "/out.wav");
        ASSERT_EQ(out.frames(), 2000u);
        for (size_t i = 0; i < 2000; ++i)
            ASSERT_EQ(out.channels[1][i], i >= 700 && i < 1500 ? 1.0 : 0.0) << "frame " << i;

        const Probe::State& st = probeState();
        ASSERT_EQ(st.eventCount, 2);
        EXPECT_EQ(st.events[0].frame, 700);
        EXPECT_EQ(st.events[0].deltaFrames, 700 - 512);
        EXPECT_EQ(st.events[0].status, 0xB2);
        EXPECT_EQ(st.events[1].frame, 1500);
        EXPECT_EQ(st.events[1].deltaFrames, 1500 - 1280);
        EXPECT_EQ(st.blocks[0].doublePrecision, std::string(precision) == "double");
    }
}

TEST(Render, BlocksAreHostSizedAndTheTailIsAppended)
{
    const std::string dir = ToolsTest::scratchDir("render_tail");
    const AudioBuffer audio = ToolsTest::noise(2, 1000, 44100, 3);
    const std::string in = writeInput(dir, audio);
    const ToolsTest::RunResult r = runHost({"render", ToolsTest::probeFile(), in, dir + "/out.wav", "--block", "512",
                                            "--tail", "0.01", "--param", "Gain=0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("rendered 1441 frames (1000 input + 441 tail)"), std::string::npos) << r.out;

    const Probe::State& st = probeState();
    ASSERT_EQ(st.blockCount, 3);
    EXPECT_EQ(st.blocks[0].frames, 512);
    EXPECT_EQ(st.blocks[1].frames, 512);
    EXPECT_EQ(st.blocks[2].frames, 417) << "the last block is shorter";
    EXPECT_EQ(st.blocks[0].processLevel, kProcessLevelOffline);

    const AudioBuffer out = readAudioFile(dir + "/out.wav");
    ASSERT_EQ(out.frames(), 1441u);
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < 1441; ++i) {
            const double want = i < 1000 ? static_cast<double>(static_cast<float>(audio.channels[c][i]) * 0.5f) : 0.0;
            ASSERT_EQ(out.channels[c][i], want) << "channel " << c << ", frame " << i;
        }
}

TEST(Render, MonoFeedsEveryInputAndOtherChannelCountsAreRefused)
{
    const std::string dir = ToolsTest::scratchDir("render_channels");
    const AudioBuffer mono = ToolsTest::noise(1, 300, 44100, 5);
    writeAudioFile(dir + "/mono.wav", mono, SampleFormat::Float32);
    ToolsTest::RunResult r = runHost({"render", ToolsTest::probeFile(), dir + "/mono.wav", dir + "/out.wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("mono input fed to all 2 inputs"), std::string::npos) << r.out;
    const AudioBuffer out = readAudioFile(dir + "/out.wav");
    ASSERT_EQ(out.channelCount(), 2u);
    for (size_t i = 0; i < 300; ++i) {
        ASSERT_EQ(out.channels[0][i], static_cast<float>(mono.channels[0][i]));
        ASSERT_EQ(out.channels[1][i], static_cast<float>(mono.channels[0][i]));
    }

    writeAudioFile(dir + "/three.wav", ToolsTest::noise(3, 10), SampleFormat::Float32);
    r = runHost({"render", ToolsTest::probeFile(), dir + "/three.wav", dir + "/x.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has 3 channels; the plug-in takes 2 (a mono file is also accepted)"), std::string::npos)
        << r.err;

    r = runHost({"render", ToolsTest::probeFile(), dir + "/mono.wav", dir + "/x.wav", "--sr", "48000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is at 44100 Hz but --sr asks for 48000 Hz"), std::string::npos) << r.err;

    r = runHost({"render", ToolsTest::probeFile(), dir + "/mono.wav", dir + "/x.wav", "--cc", "300:1=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--cc at frame 300 is past the end of the render (300 frames)"), std::string::npos) << r.err;

    r = runHost({"render", ToolsTest::probeFile(), dir + "/absent.wav", dir + "/x.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/absent.wav"), std::string::npos) << r.err;
}

TEST(Render, PresetsOfPlainValuesRoundTripThroughFiles)
{
    const std::string dir = ToolsTest::scratchDir("render_value_presets");
    ToolsTest::RunResult r = runHost({"preset", "save", ToolsTest::probeFile(), dir + "/bank.fxb", "--param",
                                      "Gain=0.3", "--param", "3=0.7"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runHost({"preset", "save", ToolsTest::probeFile(), dir + "/one.fxp", "--param", "Gain=0.9"});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::vector<uint8_t> bankBytes = readFile(dir + "/bank.fxb", 1 << 20);
    const Preset bank = decodePreset(bankBytes.data(), bankBytes.size());
    EXPECT_EQ(bank.kind, PresetKind::BankParams) << "a plug-in without chunks gets a bank of values";
    EXPECT_EQ(bank.fxId, Probe::kUniqueId);
    EXPECT_EQ(bank.fxVersion, Probe::kVersion);
    ASSERT_EQ(bank.programs.size(), 2u);
    EXPECT_EQ(bank.programs[0].name, "First");
    EXPECT_EQ(bank.programs[0].params, (std::vector<float>{0.3f, 0.5f, 0.5f, 0.7f}));
    EXPECT_EQ(bank.programs[1].params, (std::vector<float>{1.0f, 0.5f, 0.5f, 0.5f}));

    r = runHost({"info", ToolsTest::probeFile(), "--json", "--preset", dir + "/bank.fxb"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"name\": \"Gain\", \"label\": \"x\", \"display\": \"0.300\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\": \" Pan \", \"label\": \"\", \"display\": \"0.700\""), std::string::npos) << r.out;

    r = runHost({"info", ToolsTest::probeFile(), "--preset", dir + "/one.fxp"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("0.900000  0.900 x"), std::string::npos) << r.out;

    r = runHost({"preset", "show", dir + "/bank.fxb"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("FxBk (bank of parameter programs)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("HPrb (0x48507262)"), std::string::npos) << r.out;

    // A preset belongs to one plug-in; Vesk2 refuses the probe's.
    r = runHost({"info", ToolsTest::veskFile(), "--preset", dir + "/one.fxp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is a preset for plug-in HPrb, not for VesA"), std::string::npos) << r.err;

    // A cut file is refused before any plug-in is loaded.
    std::vector<uint8_t> cut(bankBytes.begin(), bankBytes.begin() + 100);
    writeFile(dir + "/cut.fxb", cut);
    r = runHost({"info", ToolsTest::probeFile(), "--preset", dir + "/cut.fxb"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
}

TEST(Render, LearnIsRefusedForPluginsWithoutOurStateChunk)
{
    const std::string dir = ToolsTest::scratchDir("render_learn_refused");
    const std::string in = writeInput(dir, AudioBuffer(44100, 2, 100));
    const ToolsTest::RunResult r =
        runHost({"render", ToolsTest::probeFile(), in, dir + "/out.wav", "--learn", "Gain", "--cc", "10:7=0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--learn: the plug-in keeps no state chunk"), std::string::npos) << r.err;
}

TEST(Render, LearnAddsAMappingToVesk2ThatTheControllerThenDrives)
{
    HostSettings settings;
    settings.blockSize = 512;
    PluginSession s(ToolsTest::veskFile(), settings);
    const int32_t output = s.findParameter("Output");
    // 0.75 does not survive the chunk's 64000 steps (it comes back as
    // 0.75000006); HiScale and LoScale also hold it by default.
    s.setParameter(s.findParameter("RTime"), 0.75f);
    std::vector<float> before;
    for (int32_t i = 0; i < s.numParams(); ++i) before.push_back(s.getParameter(i));
    s.automation.clear();
    learnController(s, output, 7);

    // A learn maps and changes no value, bit for bit.
    for (int32_t i = 0; i < s.numParams(); ++i)
        EXPECT_EQ(s.getParameter(i), before[static_cast<size_t>(i)]) << "parameter " << i << " " << s.paramName(i);
    EXPECT_TRUE(s.automation.empty()) << "the plug-in reported " << s.automation.size() << " parameter changes";

    // The plug-in took the record: its own chunk now carries the mapping.
    const std::vector<uint8_t> chunk = s.getChunk(true);
    const StateChunkSummary summary = summarizeStateChunk(chunk.data(), chunk.size());
    EXPECT_EQ(summary.midiMaps, 1);
    EXPECT_TRUE(summary.damage.empty()) << summary.damage;
    const std::vector<uint8_t> record = {1, static_cast<uint8_t>(output), 7, 0xB0};
    EXPECT_NE(std::search(chunk.begin(), chunk.end(), record.begin(), record.end()), chunk.end());

    // Controller 7 on any channel now moves Output.
    EventSchedule schedule({{100, 7, 0, 9}});
    s.resume();
    std::vector<float> a(512, 0.0f), b(512, 0.0f), c(512), d(512);
    float* in[] = {a.data(), b.data()};
    float* out[] = {c.data(), d.data()};
    s.sendEvents(schedule.eventsFor(0, 512));
    s.process(in, out, 512);
    EXPECT_EQ(s.getParameter(output), 0.0f);
}
