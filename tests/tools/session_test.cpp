// The plug-in session against the probe plug-in, which records everything its
// host does: the DAW lifecycle, the answers to the host callbacks, time
// information per block, recorded automation, and clear failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/tools/ToolsTestSupport.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/PluginSession.h"

using namespace HostKit;
using ToolsTest::probeState;

namespace {

HostSettings settings(double rate = 48000.0, int32_t block = 256)
{
    HostSettings s;
    s.sampleRate = rate;
    s.blockSize = block;
    s.tempo = 150.0;
    return s;
}

std::vector<VstInt32> opcodes()
{
    const Probe::State& st = probeState();
    return std::vector<VstInt32>(st.opcodes, st.opcodes + st.opcodeCount);
}

std::string loadError(const std::string& path)
{
    try {
        PluginSession s(path, settings());
    } catch (const HostError& e) {
        return e.what();
    }
    return "(loaded)";
}

/// Runs blocks of the given lengths through processReplacing.
void play(PluginSession& s, std::initializer_list<int32_t> lengths)
{
    std::vector<float> a(4096, 0.0f), b(4096, 0.0f), c(4096), d(4096);
    float* in[] = {a.data(), b.data()};
    float* out[] = {c.data(), d.data()};
    for (int32_t n : lengths) s.process(in, out, n);
}

}  // namespace

TEST(PluginSession, DrivesThePluginThroughTheLifecycleOfADaw)
{
    {
        PluginSession s(ToolsTest::probeFile(), settings(48000.0, 256));
        EXPECT_EQ(probeState().hostVersion, 2400) << "the entry asked for the host's version";
        EXPECT_EQ(probeState().sampleRate, 48000.0f);
        EXPECT_EQ(probeState().blockSize, 256);
        EXPECT_EQ(PluginSession::current(), &s);
        s.resume();
        play(s, {256, 100});
        s.suspend();
        s.resume();
        play(s, {256});
    }
    EXPECT_EQ(PluginSession::current(), nullptr) << "a closed session answers no more callbacks";
    const std::vector<VstInt32> expected = {effOpen,         effSetSampleRate, effSetBlockSize, effMainsChanged,
                                            effStartProcess, effStopProcess,   effMainsChanged, effMainsChanged,
                                            effStartProcess, effStopProcess,   effMainsChanged, effClose};
    EXPECT_EQ(opcodes(), expected);
    EXPECT_EQ(probeState().blockCount, 3);
}

TEST(PluginSession, AnswersTheCallbacksPluginsAsk)
{
    PluginSession s(ToolsTest::probeFile(), settings(96000.0, 333));
    EXPECT_EQ(PluginSession::hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    s.resume();
    const Probe::State& st = probeState();
    EXPECT_EQ(st.sampleRateAnswer, 96000);
    EXPECT_EQ(st.blockSizeAnswer, 333);
    EXPECT_EQ(st.currentIdAnswer, Probe::kUniqueId);
    EXPECT_EQ(st.canDoTimeInfo, 1);
    EXPECT_EQ(st.canDoSizeWindow, -1) << "no editor window to resize";
    EXPECT_EQ(st.canDoNonsense, 0);
    EXPECT_STREQ(st.hostVendor, "Morlenvale");
    EXPECT_STREQ(st.hostProduct, "vesk-host");
    EXPECT_EQ(st.levelOutsideProcess, kProcessLevelUser);
    play(s, {10});
    ASSERT_EQ(st.blockCount, 1);
    EXPECT_EQ(st.blocks[0].processLevel, kProcessLevelOffline) << "renders are offline unless a bench runs";
}

TEST(PluginSession, TimeInfoFollowsTheBlocksActuallyProcessed)
{
    PluginSession s(ToolsTest::probeFile(), settings(48000.0, 512));
    s.resume();
    play(s, {512, 512, 100, 512});
    const Probe::State& st = probeState();
    ASSERT_EQ(st.blockCount, 4);
    const double starts[] = {0, 512, 1024, 1124};
    for (int i = 0; i < 4; ++i) {
        const Probe::Block& b = st.blocks[i];
        ASSERT_TRUE(b.timeAnswered);
        EXPECT_EQ(b.samplePos, starts[i]) << "block " << i;
        EXPECT_EQ(b.sampleRate, 48000.0);
        EXPECT_DOUBLE_EQ(b.ppqPos, starts[i] / 48000.0 * 150.0 / 60.0) << "block " << i;
        EXPECT_EQ(b.tempo, 150.0);
        EXPECT_EQ(b.timeFlags & (kVstPpqPosValid | kVstTempoValid), kVstPpqPosValid | kVstTempoValid);
        EXPECT_EQ(b.timeFlags & (kVstBarsValid | kVstTimeSigValid | kVstNanosValid), 0) << "not asked for";
        EXPECT_TRUE(b.timeFlags & kVstTransportPlaying);
        EXPECT_EQ((b.timeFlags & kVstTransportChanged) != 0, i == 0) << "block " << i;
    }
}

TEST(PluginSession, DoublePrecisionGoesThroughProcessDoubleReplacing)
{
    PluginSession s(ToolsTest::probeFile(), settings());
    s.setParameter(0, 0.5f);  // Gain
    s.resume();
    std::vector<double> l(8, 0.25), r(8, -1.0), ol(8), orr(8);
    double* in[] = {l.data(), r.data()};
    double* out[] = {ol.data(), orr.data()};
    s.processDouble(in, out, 8);
    EXPECT_TRUE(probeState().blocks[0].doublePrecision);
    EXPECT_EQ(ol[7], 0.125);
    EXPECT_EQ(orr[7], -0.5);
    EXPECT_EQ(s.transport().position(), 8);
}

TEST(PluginSession, RecordsAutomationAndEditGestures)
{
    PluginSession s(ToolsTest::probeFile(), settings());
    EXPECT_EQ(s.dispatch(effVendorSpecific, Probe::kGestureRequest, 2), 1);
    EXPECT_EQ(s.dispatch(effVendorSpecific, Probe::kGestureRequest, 3), 1);
    ASSERT_EQ(s.automation.size(), 2u);
    EXPECT_EQ(s.automation[0].index, 2);
    EXPECT_EQ(s.automation[0].value, 0.25f);
    EXPECT_EQ(s.automation[1].index, 3);
    EXPECT_EQ(s.beginEdits, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(s.endEdits, (std::vector<int32_t>{2, 3}));
}

TEST(PluginSession, FindsParametersByIndexOrName)
{
    PluginSession s(ToolsTest::probeFile(), settings());
    EXPECT_EQ(s.findParameter("0"), 0);
    EXPECT_EQ(s.findParameter("3"), 3);
    EXPECT_EQ(s.findParameter("Gain"), 0);
    EXPECT_EQ(s.findParameter("gain"), 0) << "names match without regard to case";
    EXPECT_EQ(s.findParameter("pan"), 3) << "and without the blanks around them";
    EXPECT_EQ(s.findParameter(" Pan "), 3);
    auto message = [&s](const std::string& wanted) {
        try {
            s.findParameter(wanted);
        } catch (const HostError& e) {
            return std::string(e.what());
        }
        return std::string("(found)");
    };
    EXPECT_NE(message("4").find("parameter index 4 is out of range (the plug-in has 4 parameters)"), std::string::npos);
    EXPECT_NE(message("Mix").find("'Mix' is ambiguous (indices 1 and 2)"), std::string::npos) << message("Mix");
    EXPECT_NE(message("Volume").find("unknown parameter 'Volume'; the plug-in has: 0 'Gain', 1 'Mix'"),
              std::string::npos)
        << message("Volume");
    EXPECT_NE(message("").find("unknown parameter"), std::string::npos);
}

TEST(PluginSession, FailuresToLoadAreExplainedAndLeaveNoSessionBehind)
{
    const std::string dir = ToolsTest::scratchDir("session_failures");
    EXPECT_NE(loadError(dir + "/absent.so").find("cannot load plug-in '" + dir + "/absent.so'"), std::string::npos);
    writeFile(dir + "/text.so", std::vector<uint8_t>(100, 'x'));
    EXPECT_NE(loadError(dir + "/text.so").find("cannot load plug-in"), std::string::npos);
    EXPECT_NE(loadError(ToolsTest::probeNoEntryFile()).find("exports neither VSTPluginMain nor main"),
              std::string::npos)
        << loadError(ToolsTest::probeNoEntryFile());
    EXPECT_NE(loadError(ToolsTest::probeNullFile()).find("the plug-in's entry returned no effect"), std::string::npos)
        << loadError(ToolsTest::probeNullFile());
    EXPECT_EQ(PluginSession::current(), nullptr);

    PluginSession s(ToolsTest::probeFile(), settings());
    EXPECT_THROW(s.getChunk(true), HostError) << "the probe keeps no chunks";
    std::vector<float> buf(16);
    float* io[] = {buf.data(), buf.data()};
    EXPECT_THROW(s.process(io, io, 4), HostError) << "processing before resume is refused";
}
