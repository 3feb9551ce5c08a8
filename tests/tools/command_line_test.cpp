// The command line: every form is read as documented, and every mistake is
// refused with a message naming the argument at fault and exit status 2.
#include <gtest/gtest.h>

#include "tests/tools/ToolsTestSupport.h"
#include "tools/vesk-host/CommandLine.h"
#include "tools/vesk-host/HostError.h"

using namespace HostKit;

namespace {

std::string usageError(const std::vector<std::string>& args)
{
    try {
        parseCommandLine(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

}  // namespace

TEST(CommandLine, RenderReadsEveryOption)
{
    const Command c = parseCommandLine({"render", "fx.so", "in.wav", "out.wav", "--param", "RTime=0.25",
                                        "--param=3=1", "--sr", "48000", "--block=64", "--double", "--tail", "2.5",
                                        "--cc", "100:7=127", "--cc", "5:1=0:10", "--learn", "Output", "--format",
                                        "s24", "--tempo", "140", "--preset", "bank.fxb", "--trace"});
    const auto& o = std::get<RenderOptions>(c);
    EXPECT_EQ(o.host.plugin, "fx.so");
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out.wav");
    ASSERT_EQ(o.host.params.size(), 2u);
    EXPECT_EQ(o.host.params[0].target, "RTime");
    EXPECT_EQ(o.host.params[0].value, 0.25f);
    EXPECT_EQ(o.host.params[1].target, "3");
    EXPECT_EQ(o.host.params[1].value, 1.0f);
    EXPECT_EQ(o.host.sampleRate, 48000);
    EXPECT_EQ(o.host.blockSize, 64);
    EXPECT_TRUE(o.useDouble);
    EXPECT_EQ(o.tailSeconds, 2.5);
    ASSERT_EQ(o.controls.size(), 2u);
    EXPECT_EQ(o.controls[0].frame, 100);
    EXPECT_EQ(o.controls[0].controller, 7);
    EXPECT_EQ(o.controls[0].value, 127);
    EXPECT_EQ(o.controls[0].channel, 0);
    EXPECT_EQ(o.controls[1].channel, 9) << "channels are given as 1 to 16";
    EXPECT_EQ(o.learn, "Output");
    EXPECT_EQ(o.format, SampleFormat::Pcm24);
    EXPECT_EQ(o.host.tempo, 140.0);
    EXPECT_EQ(o.host.preset, "bank.fxb");
    EXPECT_TRUE(o.host.trace);
}

TEST(CommandLine, OtherCommandsAndTheirDefaults)
{
    const InfoOptions info = std::get<InfoOptions>(parseCommandLine({"info", "fx.so", "--json"}));
    EXPECT_TRUE(info.json);
    EXPECT_EQ(info.host.sampleRate, 0);
    EXPECT_EQ(info.host.blockSize, 512);

    const BenchOptions bench = std::get<BenchOptions>(parseCommandLine({"bench", "fx.so", "--signal", "silence-after-tail"}));
    EXPECT_EQ(bench.signal, SignalKind::SilenceAfterTail);
    EXPECT_EQ(bench.seconds, 10.0);

    EXPECT_TRUE(std::get<PresetSaveOptions>(parseCommandLine({"preset", "save", "fx.so", "A.FXB"})).bank);
    EXPECT_FALSE(std::get<PresetSaveOptions>(parseCommandLine({"preset", "save", "fx.so", "a.fxp"})).bank);
    EXPECT_EQ(std::get<PresetShowOptions>(parseCommandLine({"preset", "show", "a.fxp"})).file, "a.fxp");
    EXPECT_EQ(std::get<RenderOptions>(parseCommandLine({"render", "fx.so", "--", "-in.wav", "out.wav"})).input,
              "-in.wav")
        << "after -- everything is a file name";
    EXPECT_EQ(std::get<HelpRequest>(parseCommandLine({"render", "--help"})).topic, "render");
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(parseCommandLine({})));
}

TEST(CommandLine, MistakesAreRefusedNamingTheArgument)
{
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"play", "fx.so"}, "unknown command 'play'"},
        {{"info"}, "info needs PLUGIN"},
        {{"info", "a.so", "b.so"}, "unexpected argument 'b.so'"},
        {{"render", "fx.so", "in.wav"}, "render needs PLUGIN IN.wav OUT.wav"},
        {{"info", "fx.so", "--jsn"}, "unknown option '--jsn'"},
        {{"info", "fx.so", "-j"}, "unknown option '-j'"},
        {{"info", "fx.so", "--sr"}, "--sr needs a value"},
        {{"info", "fx.so", "--json=yes"}, "--json takes no value"},
        {{"info", "fx.so", "--sr", "44100", "--sr", "48000"}, "--sr is given twice"},
        {{"info", "fx.so", "--sr", "fast"}, "--sr: 'fast' is not a whole number"},
        {{"info", "fx.so", "--sr", "44100.5"}, "not a whole number"},
        {{"info", "fx.so", "--sr", "0"}, "--sr: 0 is out of range"},
        {{"info", "fx.so", "--block", "0"}, "--block: 0 is out of range"},
        {{"info", "fx.so", "--block", "99999999999999999999"}, "not a whole number"},
        {{"info", "fx.so", "--tempo", "-1"}, "--tempo: -1 is out of range"},
        {{"info", "fx.so", "--param", "Output"}, "expected INDEX=VALUE or NAME=VALUE"},
        {{"info", "fx.so", "--param", "=0.5"}, "expected INDEX=VALUE or NAME=VALUE"},
        {{"info", "fx.so", "--param", "Output=1.5"}, "--param Output: 1.5 is out of range"},
        {{"info", "fx.so", "--param", "Output=-0.1"}, "out of range"},
        {{"info", "fx.so", "--param", "Output=nan"}, "is not a number"},
        {{"info", "fx.so", "--param", "Output=0.5x"}, "is not a number"},
        {{"info", "fx.so", "--param", "Output="}, "is not a number"},
        {{"render", "f", "i", "o", "--tail", "-2"}, "--tail: -2 is out of range"},
        {{"render", "f", "i", "o", "--tail", "inf"}, "is not a number"},
        {{"render", "f", "i", "o", "--cc", "100:7"}, "expected FRAME:CONTROLLER=VALUE[:CHANNEL]"},
        {{"render", "f", "i", "o", "--cc", "100=7:1"}, "expected FRAME:CONTROLLER=VALUE[:CHANNEL]"},
        {{"render", "f", "i", "o", "--cc", "x:7=1"}, "frame"},
        {{"render", "f", "i", "o", "--cc", "-1:7=1"}, "frame"},
        {{"render", "f", "i", "o", "--cc", "1:128=1"}, "controller"},
        {{"render", "f", "i", "o", "--cc", "1:7=128"}, "value"},
        {{"render", "f", "i", "o", "--cc", "1:7=1:0"}, "channel"},
        {{"render", "f", "i", "o", "--cc", "1:7=1:17"}, "channel"},
        {{"render", "f", "i", "o", "--learn", "Output"}, "--learn needs a --cc"},
        // Controllers a parameter can never be mapped to; the first --cc is the one learned.
        {{"render", "f", "i", "o", "--learn", "Output", "--cc", "0:0=1"},
         "controller 0 (the first --cc's) cannot be learned; the learnable controllers are "
         "1-5, 7-31, 38, 64-95, 100-119"},
        {{"render", "f", "i", "o", "--learn", "Output", "--cc", "0:32=1"}, "controller 32 (the first"},
        {{"render", "f", "i", "o", "--learn", "Output", "--cc", "0:99=1"}, "controller 99 (the first"},
        {{"render", "f", "i", "o", "--learn", "Output", "--cc", "0:121=1"}, "controller 121 (the first"},
        {{"render", "f", "i", "o", "--learn", "Output", "--cc", "0:127=1", "--cc", "0:7=1"},
         "controller 127 (the first"},
        {{"render", "f", "i", "o", "--format", "mp3"}, "unknown sample format 'mp3'"},
        {{"bench", "f", "--signal", "pink"}, "unknown signal 'pink'"},
        {{"bench", "f", "--seconds", "0"}, "--seconds: 0 is out of range"},
        {{"preset"}, "preset needs 'save' or 'show'"},
        {{"preset", "load", "x"}, "unknown action 'load'"},
        {{"preset", "save", "fx.so", "out.wav"}, "must end in .fxp"},
        {{"preset", "show"}, "preset show needs FILE"},
        {{"signal", "out.wav", "--channels", "65"}, "--channels: 65 is out of range"},
    };
    for (const auto& c : cases) {
        const std::string message = usageError(c.args);
        EXPECT_NE(message.find(c.message), std::string::npos)
            << "args: " << ::testing::PrintToString(c.args) << "\nmessage: " << message;
    }
}

TEST(CommandLine, ExitStatusTellsUsageErrorsFromFailures)
{
    ToolsTest::RunResult r = ToolsTest::runHost({"render", "fx.so"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("vesk-host: render needs PLUGIN IN.wav OUT.wav"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("vesk-host help render"), std::string::npos) << r.err;

    r = ToolsTest::runHost({"info", "tools-tests/no-such-plugin.so"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vesk-host: error: cannot load plug-in 'tools-tests/no-such-plugin.so'"), std::string::npos)
        << r.err;

    r = ToolsTest::runHost({"help", "render"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--cc F:C=V[:CH]"), std::string::npos);
    EXPECT_EQ(ToolsTest::runHost({}).status, 2) << "no command at all is a usage error";
}
