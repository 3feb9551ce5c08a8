#include "tools/vesk-host/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/MidiKeys.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {

struct OptionSpec {
    const char* name;  // without the leading dashes
    bool takesValue;
    bool repeatable;
};

struct SplitArgs {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> options;  // in command-line order
};

/// Separates positionals from options: "--name value", "--name=value"; "--" ends the options.
SplitArgs splitArgs(const std::vector<std::string>& args, size_t first, const std::vector<OptionSpec>& specs,
                    const std::string& command)
{
    SplitArgs out;
    bool optionsEnded = false;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-' || (a[1] != '-' && !std::isalpha(static_cast<unsigned char>(a[1])))) {
            out.positionals.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a[1] != '-') throw UsageError(command + ": unknown option '" + a + "' (options start with --)");
        std::string name = a.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) value = name.substr(eq + 1), name.resize(eq);
        const OptionSpec* known = nullptr;
        for (const OptionSpec& s : specs)
            if (name == s.name) known = &s;
        if (!known) throw UsageError(command + ": unknown option '--" + name + "'");
        if (known->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) throw UsageError(command + ": option --" + name + " needs a value");
            value = args[++i];
        } else if (!known->takesValue && inlineValue) {
            throw UsageError(command + ": option --" + name + " takes no value");
        }
        if (!known->repeatable)
            for (const auto& o : out.options)
                if (o.first == name) throw UsageError(command + ": option --" + name + " is given twice");
        out.options.emplace_back(name, value);
    }
    return out;
}

void expectPositionals(const SplitArgs& a, size_t n, const std::string& command, const char* names)
{
    if (a.positionals.size() < n) throw UsageError(command + " needs " + names);
    if (a.positionals.size() > n)
        throw UsageError(command + ": unexpected argument '" + a.positionals[n] + "' (expects " + names + ")");
}

const std::vector<OptionSpec> kHostSpecs = {
    {"sr", true, false},     {"block", true, false}, {"tempo", true, false},
    {"trace", false, false}, {"preset", true, false}, {"param", true, true},
};

std::vector<OptionSpec> withHostSpecs(std::vector<OptionSpec> extra)
{
    extra.insert(extra.end(), kHostSpecs.begin(), kHostSpecs.end());
    return extra;
}

/// Consumes the options every plug-in command shares; false when name is not one of them.
bool hostOption(HostOptions& h, const std::string& name, const std::string& value)
{
    if (name == "sr") h.sampleRate = static_cast<int>(parseInteger(value, 1000, 768000, "--sr"));
    else if (name == "block") h.blockSize = static_cast<int>(parseInteger(value, 1, 65536, "--block"));
    else if (name == "tempo") h.tempo = parseNumber(value, 1.0, 999.0, "--tempo");
    else if (name == "trace") h.trace = true;
    else if (name == "preset") h.preset = value;
    else if (name == "param") h.params.push_back(parseParamAssignment(value));
    else return false;
    return true;
}

/// The controllers --learn accepts as ranges ("1-5, 7-31, 38, ..."), read off the plug-in's own rule.
std::string learnableControllers()
{
    std::string out;
    for (int c = 0; c < 128; ++c) {
        if (!PlugCore::isLearnableController(c)) continue;
        int last = c;
        while (last < 127 && PlugCore::isLearnableController(last + 1)) ++last;
        if (!out.empty()) out += ", ";
        out += std::to_string(c);
        if (last > c) out += '-' + std::to_string(last);
        c = last;
    }
    return out;
}

bool endsWithIgnoringCase(const std::string& s, const char* suffix)
{
    const std::string t(suffix);
    if (s.size() < t.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - t.size() + i])) != t[i]) return false;
    return true;
}

InfoOptions parseInfo(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1, withHostSpecs({{"json", false, false}}), "info");
    expectPositionals(a, 1, "info", "PLUGIN");
    InfoOptions o;
    o.host.plugin = a.positionals[0];
    for (const auto& [name, value] : a.options)
        if (!hostOption(o.host, name, value) && name == "json") o.json = true;
    return o;
}

RenderOptions parseRender(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1,
                                  withHostSpecs({{"double", false, false},
                                                 {"tail", true, false},
                                                 {"cc", true, true},
                                                 {"at", true, true},
                                                 {"learn", true, false},
                                                 {"format", true, false}}),
                                  "render");
    expectPositionals(a, 3, "render", "PLUGIN IN.wav OUT.wav");
    RenderOptions o;
    o.host.plugin = a.positionals[0];
    o.input = a.positionals[1];
    o.output = a.positionals[2];
    for (const auto& [name, value] : a.options) {
        if (hostOption(o.host, name, value)) continue;
        if (name == "double") o.useDouble = true;
        else if (name == "tail") o.tailSeconds = parseNumber(value, 0.0, 3600.0, "--tail");
        else if (name == "cc") o.controls.push_back(parseControlChange(value));
        else if (name == "at") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos) throw UsageError("--at '" + value + "': expected FRAME:P=V");
            o.changes.push_back({parseInteger(value.substr(0, colon), 0, 1LL << 40, "--at '" + value + "' frame"),
                                 parseParamAssignment(value.substr(colon + 1))});
        }
        else if (name == "learn") o.learn = value;
        else if (name == "format") o.format = parseSampleFormat(value);
    }
    if (!o.learn.empty() && o.controls.empty())
        throw UsageError("render: --learn needs a --cc (the first one names the controller to learn)");
    // A mapping of any other controller would be stored but never move the parameter.
    if (!o.learn.empty() && !PlugCore::isLearnableController(o.controls.front().controller))
        throw UsageError("render: --learn: controller " + std::to_string(o.controls.front().controller) +
                         " (the first --cc's) cannot be learned; the learnable controllers are " +
                         learnableControllers());
    return o;
}

BenchOptions parseBench(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1,
                                  withHostSpecs({{"seconds", true, false},
                                                 {"signal", true, false},
                                                 {"double", false, false},
                                                 {"json", false, false}}),
                                  "bench");
    expectPositionals(a, 1, "bench", "PLUGIN");
    BenchOptions o;
    o.host.plugin = a.positionals[0];
    for (const auto& [name, value] : a.options) {
        if (hostOption(o.host, name, value)) continue;
        if (name == "seconds") o.seconds = parseNumber(value, 0.01, 3600.0, "--seconds");
        else if (name == "signal") o.signal = parseSignalKind(value);
        else if (name == "double") o.useDouble = true;
        else if (name == "json") o.json = true;
    }
    return o;
}

Command parsePreset(const std::vector<std::string>& args)
{
    if (args.size() < 2) throw UsageError("preset needs 'save' or 'show'");
    if (args[1] == "show") {
        const SplitArgs a = splitArgs(args, 2, {}, "preset show");
        expectPositionals(a, 1, "preset show", "FILE");
        return PresetShowOptions{a.positionals[0]};
    }
    if (args[1] != "save") throw UsageError("preset: unknown action '" + args[1] + "' (use save or show)");
    const SplitArgs a = splitArgs(args, 2, kHostSpecs, "preset save");
    expectPositionals(a, 2, "preset save", "PLUGIN OUT.fxp|OUT.fxb");
    PresetSaveOptions o;
    o.host.plugin = a.positionals[0];
    o.output = a.positionals[1];
    for (const auto& [name, value] : a.options) hostOption(o.host, name, value);
    if (endsWithIgnoringCase(o.output, ".fxb")) o.bank = true;
    else if (!endsWithIgnoringCase(o.output, ".fxp"))
        throw UsageError("preset save: '" + o.output + "' must end in .fxp (a program) or .fxb (a bank)");
    return o;
}

SignalOptions parseSignal(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1,
                                  {{"kind", true, false},
                                   {"seconds", true, false},
                                   {"sr", true, false},
                                   {"channels", true, false},
                                   {"format", true, false}},
                                  "signal");
    expectPositionals(a, 1, "signal", "OUT.wav");
    SignalOptions o;
    o.output = a.positionals[0];
    for (const auto& [name, value] : a.options) {
        if (name == "kind") o.kind = parseSignalKind(value);
        else if (name == "seconds") o.seconds = parseNumber(value, 0.0, 3600.0, "--seconds");
        else if (name == "sr") o.sampleRate = static_cast<int>(parseInteger(value, 1000, 768000, "--sr"));
        else if (name == "channels") o.channels = static_cast<int>(parseInteger(value, 1, 64, "--channels"));
        else if (name == "format") o.format = parseSampleFormat(value);
    }
    return o;
}

CompareOptions parseCompare(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1, {{"tolerance", true, false}}, "compare");
    expectPositionals(a, 2, "compare", "A.wav B.wav");
    CompareOptions o;
    o.first = a.positionals[0];
    o.second = a.positionals[1];
    for (const auto& [name, value] : a.options)
        if (name == "tolerance") o.tolerance = parseNumber(value, 0.0, 1.0, "--tolerance");
    return o;
}

EditOptions parseEdit(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1,
                                  withHostSpecs({{"seconds", true, false},
                                                 {"screenshot", true, false},
                                                 {"save", true, false},
                                                 {"reopen", true, false},
                                                 {"repaints", true, false},
                                                 {"no-idle", false, false},
                                                 {"destroy-window-first", false, false},
                                                 {"scale", true, false},
                                                 {"refuse-resize", false, false},
                                                 {"cc", true, true}}),
                                  "edit");
    expectPositionals(a, 1, "edit", "PLUGIN");
    EditOptions o;
    o.host.plugin = a.positionals[0];
    for (const auto& [name, value] : a.options) {
        if (hostOption(o.host, name, value)) continue;
        if (name == "seconds") o.seconds = parseNumber(value, 0.0, 86400.0, "--seconds");
        else if (name == "screenshot") o.screenshot = value;
        else if (name == "save") o.save = value;
        else if (name == "cc") o.controls.push_back(parseControlChange(value));
        else if (name == "reopen") o.reopen = static_cast<int>(parseInteger(value, 0, 10000, "--reopen"));
        else if (name == "no-idle") o.noIdle = true;
        else if (name == "destroy-window-first") o.destroyFirst = true;
        else if (name == "repaints") o.repaints = static_cast<int>(parseInteger(value, 0, 100000, "--repaints"));
        else if (name == "scale") o.scale = parseNumber(value, 0.5, 4.0, "--scale");
        else if (name == "refuse-resize") o.refuseResize = true;
    }
    if (!o.save.empty() && !endsWithIgnoringCase(o.save, ".fxp") && !endsWithIgnoringCase(o.save, ".fxb"))
        throw UsageError("edit: --save '" + o.save + "' must end in .fxp (a program) or .fxb (a bank)");
    return o;
}

DrawTestOptions parseDrawTest(const std::vector<std::string>& args)
{
    const SplitArgs a = splitArgs(args, 1, {{"power-of-two", false, false}}, "draw-test");
    expectPositionals(a, 1, "draw-test", "OUT.png");
    DrawTestOptions o;
    o.output = a.positionals[0];
    for (const auto& [name, value] : a.options)
        if (name == "power-of-two") o.powerOfTwo = true;
    return o;
}

}  // namespace

long long parseInteger(const std::string& text, long long lo, long long hi, const std::string& what)
{
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 10);
    if (text.empty() || end != s + text.size() || errno == ERANGE || std::isspace(static_cast<unsigned char>(s[0])))
        throw UsageError(what + ": '" + text + "' is not a whole number");
    if (v < lo || v > hi)
        throw UsageError(what + ": " + text + " is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) +
                         ")");
    return v;
}

double parseNumber(const std::string& text, double lo, double hi, const std::string& what)
{
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (text.empty() || end != s + text.size() || errno == ERANGE || !std::isfinite(v) ||
        std::isspace(static_cast<unsigned char>(s[0])))
        throw UsageError(what + ": '" + text + "' is not a number");
    if (v < lo || v > hi) {
        char range[96];
        std::snprintf(range, sizeof range, " is out of range (%g to %g)", lo, hi);
        throw UsageError(what + ": " + text + range);
    }
    return v;
}

ParamAssignment parseParamAssignment(const std::string& text)
{
    const size_t eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError("--param '" + text + "': expected INDEX=VALUE or NAME=VALUE");
    ParamAssignment p;
    p.target = text.substr(0, eq);
    p.value = static_cast<float>(parseNumber(text.substr(eq + 1), 0.0, 1.0, "--param " + p.target));
    return p;
}

ControlChange parseControlChange(const std::string& text)
{
    const std::string form = "--cc '" + text + "'";
    const size_t colon = text.find(':');
    const size_t eq = text.find('=');
    if (colon == std::string::npos || eq == std::string::npos || eq < colon)
        throw UsageError(form + ": expected FRAME:CONTROLLER=VALUE[:CHANNEL]");
    const size_t colon2 = text.find(':', eq);
    ControlChange c;
    c.frame = parseInteger(text.substr(0, colon), 0, 1LL << 40, form + " frame");
    c.controller = static_cast<uint8_t>(parseInteger(text.substr(colon + 1, eq - colon - 1), 0, 127, form + " controller"));
    const std::string value = colon2 == std::string::npos ? text.substr(eq + 1) : text.substr(eq + 1, colon2 - eq - 1);
    c.value = static_cast<uint8_t>(parseInteger(value, 0, 127, form + " value"));
    if (colon2 != std::string::npos)
        c.channel = static_cast<uint8_t>(parseInteger(text.substr(colon2 + 1), 1, 16, form + " channel") - 1);
    return c;
}

Command parseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty()) return HelpRequest{};
    const std::string& cmd = args[0];
    if (cmd == "help" || cmd == "-h" || cmd == "--help") return HelpRequest{args.size() > 1 ? args[1] : ""};
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == "--help" || args[i] == "-h") return HelpRequest{cmd};
    if (cmd == "info") return parseInfo(args);
    if (cmd == "render") return parseRender(args);
    if (cmd == "bench") return parseBench(args);
    if (cmd == "preset") return parsePreset(args);
    if (cmd == "signal") return parseSignal(args);
    if (cmd == "compare") return parseCompare(args);
    if (cmd == "draw-test") return parseDrawTest(args);
    if (cmd == "edit") return parseEdit(args);
    throw UsageError("unknown command '" + cmd + "'");
}

std::string usageText(const std::string& command)
{
    const std::string host =
        "  --sr N            sample rate in Hz\n"
        "  --block N         block size in frames (default 512)\n"
        "  --tempo BPM       transport tempo (default 120)\n"
        "  --preset FILE     load a .fxp or .fxb preset first\n"
        "  --param P=V       set parameter P (index or name) to raw value V in [0, 1]; repeatable\n"
        "  --trace           write every host callback to stderr\n";
    if (command == "info")
        return "usage: vesk-host info PLUGIN [--json] [options]\n"
               "Prints the plug-in's names, identity, channels, flags, programs and parameters.\n" +
               host + "  --json            machine-readable output\n";
    if (command == "render")
        return "usage: vesk-host render PLUGIN IN.wav OUT.wav [options]\n"
               "Processes IN.wav through the plug-in in host-sized blocks and writes OUT.wav.\n"
               "A mono input feeds every input of a plug-in with more than one.\n" +
               host +
               "  --double          use processDoubleReplacing\n"
               "  --tail SECONDS    append this much silence to the input (default 0)\n"
               "  --cc F:C=V[:CH]   MIDI control change C (0-127) with value V (0-127) at frame F,\n"
               "                    channel CH (1-16, default 1); repeatable\n"
               "  --at F:P=V        set parameter P to raw value V at frame F: inside the block for CLAP,\n"
               "                    between two process calls split there for VST 2.4; repeatable\n"
               "  --learn P         map the first --cc's controller to parameter P (Vesk2 state chunks);\n"
               "                    learnable controllers: " +
               learnableControllers() +
               "\n"
               "  --format F        output samples: f32 (default), f64, s16, s24, s32, u8\n";
    if (command == "bench")
        return "usage: vesk-host bench PLUGIN [options]\n"
               "Times the plug-in on a fixed signal: ns per frame and realtime factor.\n" +
               host +
               "  --seconds N       length of the timed signal (default 10)\n"
               "  --signal KIND     bursts (default), noise, silence, silence-after-tail, impulse, sine\n"
               "  --double          use processDoubleReplacing\n"
               "  --json            machine-readable output\n";
    if (command == "preset")
        return "usage: vesk-host preset save PLUGIN OUT.fxp|OUT.fxb [options]\n"
               "       vesk-host preset show FILE\n"
               "Saves the plug-in's program (.fxp) or bank (.fxb) after applying the options,\n"
               "or prints a preset file's header.\n" +
               host;
    if (command == "signal")
        return "usage: vesk-host signal OUT.wav [options]\n"
               "Writes a deterministic test signal.\n"
               "  --kind KIND       impulse (default), bursts, noise, silence, sine\n"
               "  --seconds N       length (default 1)\n"
               "  --sr N            sample rate (default 44100)\n"
               "  --channels N      channel count (default 2)\n"
               "  --format F        f32 (default), f64, s16, s24, s32, u8\n";
    if (command == "compare")
        return "usage: vesk-host compare A.wav B.wav [--tolerance R]\n"
               "Prints the largest sample difference between two files of the same shape,\n"
               "also relative to A's peak; fails when that exceeds R (default 0: identical).\n";
    if (command == "edit")
        return "usage: vesk-host edit PLUGIN [options]\n"
               "Opens the plug-in's editor in a window of the size it asks for, runs it\n"
               "(idle calls, silent audio, MIDI) and prints the gestures and automation it\n"
               "sends, then every parameter's value when the window closes.\n" +
               host +
               "  --seconds N       close the editor after N seconds (default: when the window is closed)\n"
               "  --cc F:C=V[:CH]   MIDI control change at frame F after the editor opened; repeatable\n"
               "  --save FILE       write the plug-in's state as .fxp or .fxb at the end\n"
               "  --reopen N        close and reopen the editor N times first, painting each time\n"
               "  --repaints N      time N immediate repaints of the editor and print ms per frame\n"
               "  --no-idle         never call effEditIdle, as some hosts do not\n"
               "  --destroy-window-first  destroy the window before effEditClose, as some hosts do\n"
               "  --scale S         the host's scale for the editor, 2 for 200 % (CLAP and VST3;\n"
               "                    VST 2.4 has no way to tell it)\n"
               "  --refuse-resize   refuse the editor's requests for another window size\n"
               "  --screenshot PNG  save the editor's pixels at the end (X11 only: under Wine\n"
               "                    an OpenGL child window is not readable by its host)\n";
    if (command == "draw-test")
        return "usage: vesk-host draw-test OUT.png [--power-of-two]\n"
               "Opens a window, draws a fixed scene with every drawing mode of the plug-in's\n"
               "editor and its pictures, and writes what was drawn as a PNG file.\n"
               "  --power-of-two    use power-of-two textures, as without rectangle textures\n";
    return "usage: vesk-host COMMAND ...\n"
           "A command-line host of VST 2.4, VST3 and CLAP plug-ins.\n"
           "  info PLUGIN                      names, identity, programs, parameters\n"
           "  render PLUGIN IN.wav OUT.wav     process a file\n"
           "  bench PLUGIN                     time the plug-in\n"
           "  preset save PLUGIN OUT.fxp|.fxb  write a program or bank file\n"
           "  preset show FILE                 print a preset file's header\n"
           "  signal OUT.wav                   write a test signal\n"
           "  compare A.wav B.wav              largest difference between two renders\n"
           "  edit PLUGIN                      open the plug-in's editor in a window\n"
           "  draw-test OUT.png                draw the editor's test scene into a PNG\n"
           "  help COMMAND                     options of a command\n";
}

}  // namespace HostKit
