#include "tools/vesk-host/Commands.h"

#include <cstdint>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/DrawTest.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/StateChunk.h"

namespace HostKit {

namespace {

#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))  // mingw's C++ runtime formats the C99 way
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string format(const char* fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

std::string decibels(double peakValue)
{
    if (!(peakValue > 0.0)) return "-inf dBFS";
    return format("%.2f dBFS", 20.0 * std::log10(peakValue));
}

// ---- JSON output ----

bool validUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n;
        if (c < 0x80) n = 0;
        else if ((c & 0xE0) == 0xC0) n = 1;
        else if ((c & 0xF0) == 0xE0) n = 2;
        else if ((c & 0xF8) == 0xF0) n = 3;
        else return false;
        if (n > s.size() - i - 1) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

/// A JSON string literal. Plug-in texts that are not UTF-8 are read as Latin-1.
std::string jsonString(const std::string& s)
{
    const bool utf8 = validUtf8(s);
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) out += format("\\u%04x", c);
        else out += ch;
    }
    return out + "\"";
}

std::string jsonNumber(double v)
{
    if (!std::isfinite(v)) return "null";
    return format("%.9g", v);
}

template <typename T, typename F>
std::string jsonArray(const std::vector<T>& items, F each)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + each(items[i]);
    return out + "]";
}

// ---- Plug-in facts ----

const char* categoryName(VstIntPtr category)
{
    static const char* const names[] = {"unknown",     "effect",      "synth",     "analysis",
                                        "mastering",   "spacializer", "room fx",   "surround fx",
                                        "restoration", "offline",     "shell",     "generator"};
    if (category >= 0 && static_cast<size_t>(category) < sizeof names / sizeof names[0]) return names[category];
    return "?";
}

std::vector<std::string> flagNames(VstInt32 flags)
{
    static const struct {
        VstInt32 flag;
        const char* name;
    } known[] = {
        {effFlagsHasEditor, "editor"},
        {effFlagsCanReplacing, "replacing"},
        {effFlagsProgramChunks, "program chunks"},
        {effFlagsIsSynth, "synth"},
        {effFlagsNoSoundInStop, "no sound in stop"},
        {effFlagsCanDoubleReplacing, "double replacing"},
    };
    std::vector<std::string> names;
    VstInt32 rest = flags;
    for (const auto& k : known)
        if (flags & k.flag) names.push_back(k.name), rest &= ~k.flag;
    if (rest) names.push_back(format("0x%x", static_cast<unsigned>(rest)));
    return names;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out;
}

std::vector<std::string> pinNames(PluginSession& s, bool inputs)
{
    std::vector<std::string> names;
    const int32_t count = inputs ? s.effect().numInputs : s.effect().numOutputs;
    for (int32_t i = 0; i < count && i < 256; ++i) {
        VstPinProperties pin;
        std::memset(&pin, 0, sizeof pin);
        if (!s.dispatch(inputs ? effGetInputProperties : effGetOutputProperties, i, 0, &pin)) return {};
        pin.label[sizeof pin.label - 1] = 0;
        names.emplace_back(pin.label);
    }
    return names;
}

struct ParamRow {
    int32_t index;
    std::string name, label, display;
    float value;
};

std::vector<ParamRow> paramRows(PluginSession& s)
{
    std::vector<ParamRow> rows;
    for (int32_t i = 0; i < s.numParams(); ++i)
        rows.push_back({i, s.paramName(i), s.paramLabel(i), s.paramDisplay(i), s.getParameter(i)});
    return rows;
}

/// Display text and unit as a user reads them: "0.250 s", "send".
std::string shown(const ParamRow& p) { return p.label.empty() ? p.display : p.display + " " + p.label; }

// ---- Commands ----

int runInfo(const InfoOptions& o, std::ostream& out)
{
    auto session = openPlugin(o.host, 44100, kProcessLevelOffline);
    PluginSession& s = *session;
    const AEffect& fx = s.effect();
    const std::string name = s.text(effGetEffectName), vendor = s.text(effGetVendorString),
                      product = s.text(effGetProductString);
    const VstIntPtr vendorVersion = s.dispatch(effGetVendorVersion);
    const VstIntPtr vstVersion = s.dispatch(effGetVstVersion);
    const VstIntPtr category = s.dispatch(effGetPlugCategory);
    const VstIntPtr tail = s.dispatch(effGetTailSize);
    char midiQuery[] = "receiveVstMidiEvent";
    const VstIntPtr midi = s.dispatch(effCanDo, 0, 0, midiQuery);
    const std::vector<std::string> ins = pinNames(s, true), outs = pinNames(s, false);
    std::vector<std::string> programs;
    for (int32_t p = 0; p < s.numPrograms() && p < 4096; ++p) programs.push_back(s.programName(p));
    const VstIntPtr currentProgram = s.dispatch(effGetProgram);
    const std::vector<ParamRow> params = paramRows(s);

    if (o.json) {
        out << "{\n";
        out << "  \"plugin\": " << jsonString(s.path()) << ",\n";
        out << "  \"name\": " << jsonString(name) << ",\n";
        out << "  \"vendor\": " << jsonString(vendor) << ",\n";
        out << "  \"product\": " << jsonString(product) << ",\n";
        out << "  \"format\": " << jsonString(s.format()) << ",\n";
        out << "  \"identifier\": " << jsonString(s.identifier()) << ",\n";
        out << "  \"uniqueId\": " << jsonString(fourCC(fx.uniqueID)) << ",\n";
        out << "  \"uniqueIdValue\": " << fx.uniqueID << ",\n";
        out << "  \"version\": " << fx.version << ",\n";
        out << "  \"vendorVersion\": " << vendorVersion << ",\n";
        out << "  \"vstVersion\": " << vstVersion << ",\n";
        out << "  \"category\": " << jsonString(categoryName(category)) << ",\n";
        out << "  \"inputs\": " << fx.numInputs << ",\n";
        out << "  \"inputNames\": " << jsonArray(ins, jsonString) << ",\n";
        out << "  \"outputs\": " << fx.numOutputs << ",\n";
        out << "  \"outputNames\": " << jsonArray(outs, jsonString) << ",\n";
        out << "  \"flags\": " << fx.flags << ",\n";
        out << "  \"flagNames\": " << jsonArray(flagNames(fx.flags), jsonString) << ",\n";
        out << "  \"initialDelay\": " << fx.initialDelay << ",\n";
        out << "  \"tailSize\": " << tail << ",\n";
        out << "  \"receivesMidi\": " << (midi > 0 ? "true" : "false") << ",\n";
        out << "  \"currentProgram\": " << currentProgram << ",\n";
        out << "  \"programs\": " << jsonArray(programs, jsonString) << ",\n";
        out << "  \"parameters\": [";
        for (size_t i = 0; i < params.size(); ++i) {
            const ParamRow& p = params[i];
            out << (i ? "," : "") << "\n    {\"index\": " << p.index << ", \"name\": " << jsonString(p.name)
                << ", \"label\": " << jsonString(p.label) << ", \"display\": " << jsonString(p.display)
                << ", \"text\": " << jsonString(shown(p)) << ", \"value\": " << jsonNumber(p.value) << "}";
        }
        out << (params.empty() ? "]\n" : "\n  ]\n") << "}\n";
        return 0;
    }

    auto line = [&out](const char* key, const std::string& value) { out << format("%-15s ", key) << value << "\n"; };
    line("Plug-in", s.path());
    line("Format", s.format());
    line("Name", name);
    line("Vendor", vendor);
    line("Product", product);
    if (s.format() == "VST 2.4")
        line("Unique ID", fourCC(fx.uniqueID) + format(" (0x%08X)", static_cast<unsigned>(fx.uniqueID)));
    else
        line("Identifier", s.identifier());
    if (s.format() == "VST 2.4") {
        line("Version", std::to_string(fx.version));
        line("Vendor version", std::to_string(vendorVersion));
        line("VST version", std::to_string(vstVersion));
        line("Category", format("%s (%d)", categoryName(category), static_cast<int>(category)));
    } else {
        // CLAP and VST3 tell a version text and categories of their own.
        line("Version", s.versionText());
        line(s.format() == "CLAP" ? "Features" : "Categories", s.categoryText());
    }
    line("Inputs", std::to_string(fx.numInputs) + (ins.empty() ? "" : " (" + joined(ins) + ")"));
    line("Outputs", std::to_string(fx.numOutputs) + (outs.empty() ? "" : " (" + joined(outs) + ")"));
    line("Flags", format("0x%08X", static_cast<unsigned>(fx.flags)) + " (" + joined(flagNames(fx.flags)) + ")");
    line("Latency", std::to_string(fx.initialDelay) + " samples");
    line("Tail", std::to_string(tail) + " samples");
    line("MIDI input", midi > 0 ? "yes" : "no");
    line("Programs", std::to_string(fx.numPrograms) + ", current " + std::to_string(currentProgram));
    for (size_t p = 0; p < programs.size(); ++p) out << format("  %4zu  ", p) << programs[p] << "\n";
    line("Parameters", std::to_string(fx.numParams));
    size_t width = 4;
    for (const ParamRow& p : params) width = p.name.size() > width ? p.name.size() : width;
    if (width > 32) width = 32;
    if (!params.empty()) out << format("  %4s  %-*s  %-8s  %s\n", "#", static_cast<int>(width), "name", "value", "display");
    for (const ParamRow& p : params)
        out << format("  %4d  %-*s  %8.6f  ", p.index, static_cast<int>(width), p.name.c_str(),
                      static_cast<double>(p.value))
            << shown(p) << "\n";
    return 0;
}

/// One block of host buffers in both precisions, with the channel pointer arrays
/// the process calls take.
struct BlockBuffers {
    BlockBuffers(int32_t inputs, int32_t outputs, int32_t frames)
        : fIn(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(frames))),
          fOut(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(frames))),
          dIn(static_cast<size_t>(inputs), std::vector<double>(static_cast<size_t>(frames))),
          dOut(static_cast<size_t>(outputs), std::vector<double>(static_cast<size_t>(frames)))
    {
        for (auto& v : fIn) fInP.push_back(v.data());
        for (auto& v : fOut) fOutP.push_back(v.data());
        for (auto& v : dIn) dInP.push_back(v.data());
        for (auto& v : dOut) dOutP.push_back(v.data());
    }
    std::vector<std::vector<float>> fIn, fOut;
    std::vector<std::vector<double>> dIn, dOut;
    std::vector<float*> fInP, fOutP;
    std::vector<double*> dInP, dOutP;
};

int runRender(const RenderOptions& o, std::ostream& out, std::ostream& err)
{
    const AudioBuffer in = readAudioFile(o.input);
    if (o.host.sampleRate && static_cast<uint32_t>(o.host.sampleRate) != in.sampleRate)
        throw HostError("'" + o.input + "' is at " + std::to_string(in.sampleRate) + " Hz but --sr asks for " +
                        std::to_string(o.host.sampleRate) + " Hz; vesk-host does not resample");
    if (in.sampleRate < 1000 || in.sampleRate > 768000)
        throw HostError("'" + o.input + "': sample rate " + std::to_string(in.sampleRate) + " Hz is not supported");

    auto session = openPlugin(o.host, static_cast<int>(in.sampleRate), kProcessLevelOffline);
    PluginSession& s = *session;
    const AEffect& fx = s.effect();
    const int32_t nIn = fx.numInputs, nOut = fx.numOutputs;
    if (nOut <= 0 || nOut > 256 || nIn < 0 || nIn > 256)
        throw HostError(format("the plug-in reports %d inputs and %d outputs; nothing to render", nIn, nOut));
    const size_t fileChannels = in.channelCount();
    const bool duplicateMono = fileChannels == 1 && nIn > 1;
    if (nIn > 0 && fileChannels != static_cast<size_t>(nIn) && !duplicateMono)
        throw HostError(format("'%s' has %zu channels; the plug-in takes %d (a mono file is also accepted)",
                               o.input.c_str(), fileChannels, nIn));

    const double rate = static_cast<double>(in.sampleRate);
    const int64_t tailFrames = std::llround(o.tailSeconds * rate);
    const int64_t total = static_cast<int64_t>(in.frames()) + tailFrames;
    if (total > INT32_MAX) throw HostError("the render would be longer than 2^31 frames");
    for (const ControlChange& c : o.controls)
        if (c.frame >= total)
            throw HostError(format("--cc at frame %lld is past the end of the render (%lld frames)",
                                   static_cast<long long>(c.frame), static_cast<long long>(total)));

    if (!o.learn.empty()) learnController(s, s.findParameter(o.learn), o.controls.front().controller);

    std::vector<float> before;
    for (int32_t i = 0; i < s.numParams(); ++i) before.push_back(s.getParameter(i));
    const size_t automationBefore = s.automation.size();

    const int32_t block = o.host.blockSize;
    AudioBuffer result(in.sampleRate, static_cast<size_t>(nOut), static_cast<size_t>(total));
    BlockBuffers buf(nIn, nOut, block);
    auto& fIn = buf.fIn;
    auto& fOut = buf.fOut;
    auto& dIn = buf.dIn;
    auto& dOut = buf.dOut;
    if (o.useDouble && !s.hasFlag(effFlagsCanDoubleReplacing))
        throw HostError("--double: the plug-in cannot process double precision (effFlagsCanDoubleReplacing is not set)");

    // Parameter changes at frames: in the event lists of plug-ins that take
    // them there, else at the edges of process calls split at their frames.
    std::vector<ParamChange> changes;
    for (const TimedParam& t : o.changes) {
        if (t.frame >= total)
            throw HostError(format("--at frame %lld is past the end of the render (%lld frames)",
                                   static_cast<long long>(t.frame), static_cast<long long>(total)));
        changes.push_back({t.frame, s.findParameter(t.assignment.target), t.assignment.value});
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const ParamChange& a, const ParamChange& b) { return a.frame < b.frame; });
    const bool inBlock = s.takesTimedParameters();
    EventSchedule schedule(o.controls, inBlock ? changes : std::vector<ParamChange>{});
    size_t nextChange = 0;
    std::vector<float*> fInAt(buf.fInP.size()), fOutAt(buf.fOutP.size());
    std::vector<double*> dInAt(buf.dInP.size()), dOutAt(buf.dOutP.size());

    s.resume();
    int64_t blocks = 0;
    for (int64_t start = 0; start < total; start += block, ++blocks) {
        const int32_t n = static_cast<int32_t>(total - start < block ? total - start : block);
        for (int32_t c = 0; c < nIn; ++c) {
            const std::vector<double>& src = in.channels[duplicateMono ? 0 : static_cast<size_t>(c)];
            for (int32_t i = 0; i < n; ++i) {
                const size_t at = static_cast<size_t>(start + i);
                const double x = at < src.size() ? src[at] : 0.0;
                dIn[static_cast<size_t>(c)][static_cast<size_t>(i)] = x;
                fIn[static_cast<size_t>(c)][static_cast<size_t>(i)] = static_cast<float>(x);
            }
        }
        for (auto& v : dOut) std::fill(v.begin(), v.end(), 0.0);
        for (auto& v : fOut) std::fill(v.begin(), v.end(), 0.0f);
        for (int32_t from = 0; from < n;) {
            int32_t to = n;
            if (!inBlock) {
                for (; nextChange < changes.size() && changes[nextChange].frame <= start + from; ++nextChange)
                    s.setParameter(changes[nextChange].index, changes[nextChange].value);
                if (nextChange < changes.size() && changes[nextChange].frame < start + n)
                    to = static_cast<int32_t>(changes[nextChange].frame - start);
            }
            for (size_t c = 0; c < fInAt.size(); ++c) fInAt[c] = buf.fInP[c] + from, dInAt[c] = buf.dInP[c] + from;
            for (size_t c = 0; c < fOutAt.size(); ++c) fOutAt[c] = buf.fOutP[c] + from, dOutAt[c] = buf.dOutP[c] + from;
            s.sendEvents(schedule.eventsFor(start + from, to - from));
            if (o.useDouble)
                s.processDouble(dInAt.data(), dOutAt.data(), to - from);
            else
                s.process(fInAt.data(), fOutAt.data(), to - from);
            from = to;
        }
        for (int32_t c = 0; c < nOut; ++c) {
            auto dst = result.channels[static_cast<size_t>(c)].begin() + start;
            if (o.useDouble)
                std::copy_n(dOut[static_cast<size_t>(c)].begin(), n, dst);
            else
                std::copy_n(fOut[static_cast<size_t>(c)].begin(), n, dst);
        }
    }
    s.suspend();

    writeAudioFile(o.output, result, o.format);

    out << format("rendered %lld frames (%lld input + %lld tail) at %u Hz in %lld blocks of up to %d, %s precision\n",
                  static_cast<long long>(total), static_cast<long long>(in.frames()),
                  static_cast<long long>(tailFrames), in.sampleRate, static_cast<long long>(blocks), block,
                  o.useDouble ? "double" : "single");
    if (duplicateMono) out << "mono input fed to all " << nIn << " inputs\n";
    if (nIn == 0) out << "the plug-in has no inputs; the input file only sets the length\n";
    std::vector<std::string> peaks;
    size_t nonFinite = 0;
    for (size_t c = 0; c < result.channelCount(); ++c) {
        peaks.push_back(format("%zu: %s", c + 1, decibels(peak(result.channels[c])).c_str()));
        for (double x : result.channels[c]) nonFinite += !std::isfinite(x);
    }
    out << "output peak " << joined(peaks) << "\n";
    if (nonFinite) err << "vesk-host: warning: the output holds " << nonFinite << " NaN or infinite samples\n";
    if (!o.controls.empty()) out << o.controls.size() << " MIDI control changes sent\n";
    if (!changes.empty())
        out << changes.size() << " parameter changes at their frames ("
            << (inBlock ? "inside the blocks" : "between split process calls") << ")\n";
    if (s.sleptBlocks() > 0) out << "the plug-in slept through " << s.sleptBlocks() << " blocks\n";
    if (s.silentBlocks() > 0) out << "the plug-in flagged its output silent in " << s.silentBlocks() << " blocks\n";
    if (s.automation.size() > automationBefore)
        out << (s.automation.size() - automationBefore) << " automation changes reported by the plug-in\n";
    for (int32_t i = 0; i < s.numParams(); ++i) {
        const float now = s.getParameter(i);
        if (now != before[static_cast<size_t>(i)])
            out << format("parameter %d '%s' changed while rendering: %.6f -> %.6f\n", i, s.paramName(i).c_str(),
                          static_cast<double>(before[static_cast<size_t>(i)]), static_cast<double>(now));
    }
    out << "wrote " << o.output << " (" << sampleFormatName(o.format) << ")\n";
    return 0;
}

int runBench(const BenchOptions& o, std::ostream& out)
{
    auto session = openPlugin(o.host, 44100, kProcessLevelRealtime);
    PluginSession& s = *session;
    const AEffect& fx = s.effect();
    const int32_t nIn = fx.numInputs, nOut = fx.numOutputs;
    if (nOut <= 0 || nOut > 256 || nIn < 0 || nIn > 256)
        throw HostError(format("the plug-in reports %d inputs and %d outputs; nothing to time", nIn, nOut));
    if (o.useDouble && !s.hasFlag(effFlagsCanDoubleReplacing))
        throw HostError("--double: the plug-in cannot process double precision (effFlagsCanDoubleReplacing is not set)");
    const uint32_t rate = static_cast<uint32_t>(s.settings().sampleRate);
    const int32_t block = o.host.blockSize;
    const size_t frames = static_cast<size_t>(std::llround(o.seconds * rate));
    const size_t channels = static_cast<size_t>(nIn > 0 ? nIn : 1);

    // The warm-up is not timed: it fills caches and, for silence-after-tail,
    // leaves a loud tail ringing so the timed part measures its decay.
    AudioBuffer warm = o.signal == SignalKind::SilenceAfterTail ? makeSignal(SignalKind::Noise, rate, channels, rate)
                                                                : makeSignal(o.signal, rate, channels, rate / 2);
    if (o.signal == SignalKind::SilenceAfterTail)
        for (auto& ch : warm.channels)
            for (double& x : ch) x *= 2.0;  // full scale
    const AudioBuffer timed = makeSignal(o.signal, rate, channels, frames);

    BlockBuffers buf(nIn, nOut, block);
    auto& fIn = buf.fIn;
    auto& dIn = buf.dIn;

    using Clock = std::chrono::steady_clock;
    double worstBlock = 0.0;
    auto play = [&](const AudioBuffer& signal, bool timedRun) {
        double total = 0.0;
        for (size_t start = 0; start < signal.frames(); start += static_cast<size_t>(block)) {
            const size_t left = signal.frames() - start;
            const int32_t n = static_cast<int32_t>(left < static_cast<size_t>(block) ? left : static_cast<size_t>(block));
            for (int32_t c = 0; c < nIn; ++c)
                for (int32_t i = 0; i < n; ++i) {
                    const double x = signal.channels[static_cast<size_t>(c)][start + static_cast<size_t>(i)];
                    fIn[static_cast<size_t>(c)][static_cast<size_t>(i)] = static_cast<float>(x);
                    dIn[static_cast<size_t>(c)][static_cast<size_t>(i)] = x;
                }
            const auto t0 = Clock::now();
            if (o.useDouble) s.processDouble(buf.dInP.data(), buf.dOutP.data(), n);
            else s.process(buf.fInP.data(), buf.fOutP.data(), n);
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            total += seconds;
            if (timedRun && seconds > worstBlock) worstBlock = seconds;
        }
        return total;
    };

    s.resume();
    play(warm, false);
    const double elapsed = play(timed, true);
    s.suspend();

    const double nsPerFrame = frames ? elapsed * 1e9 / static_cast<double>(frames) : 0.0;
    const double realtime = elapsed > 0.0 ? (static_cast<double>(frames) / rate) / elapsed : 0.0;
    const double budget = static_cast<double>(block) / rate;
    const std::string name = s.text(effGetEffectName);
    if (o.json) {
        out << "{\"plugin\": " << jsonString(s.path()) << ", \"name\": " << jsonString(name)
            << ", \"signal\": " << jsonString(signalKindName(o.signal)) << ", \"sampleRate\": " << rate
            << ", \"blockSize\": " << block << ", \"precision\": " << jsonString(o.useDouble ? "double" : "single")
            << ", \"frames\": " << frames << ", \"seconds\": " << jsonNumber(elapsed)
            << ", \"nsPerFrame\": " << jsonNumber(nsPerFrame) << ", \"realtimeFactor\": " << jsonNumber(realtime)
            << ", \"worstBlockSeconds\": " << jsonNumber(worstBlock) << ", \"blockBudgetSeconds\": " << jsonNumber(budget)
            << "}\n";
        return 0;
    }
    out << format("%s: %zu frames of %s at %u Hz, blocks of %d, %s precision\n", name.c_str(), frames,
                  signalKindName(o.signal), rate, block, o.useDouble ? "double" : "single");
    out << format("%.1f ns per frame, realtime factor %.1fx\n", nsPerFrame, realtime);
    out << format("worst block %.1f us of a %.1f us budget\n", worstBlock * 1e6, budget * 1e6);
    return 0;
}

int runPresetSave(const PresetSaveOptions& o, std::ostream& out)
{
    auto session = openPlugin(o.host, 44100, kProcessLevelOffline);
    const Preset p = capturePreset(*session, o.bank);
    writeFile(o.output, encodePreset(p));
    out << "wrote " << o.output << " (" << presetKindTag(p.kind) << ", "
        << (p.isChunk() ? std::to_string(p.chunk.size()) + "-byte chunk"
                        : std::to_string(p.isBank() ? p.programs.size() : p.params.size()) +
                              (p.isBank() ? " programs" : " values"))
        << ", plug-in " << fourCC(p.fxId) << ")\n";
    return 0;
}

int runPresetShow(const PresetShowOptions& o, std::ostream& out)
{
    const std::vector<uint8_t> bytes = readFile(o.file, kMaxPresetBytes);
    const Preset p = decodePreset(bytes.data(), bytes.size(), "'" + o.file + "'");
    auto line = [&out](const char* key, const std::string& value) { out << format("%-15s ", key) << value << "\n"; };
    static const char* const kinds[] = {"program of parameter values", "program, opaque chunk",
                                        "bank of parameter programs", "bank, opaque chunk"};
    line("File", o.file + " (" + std::to_string(bytes.size()) + " bytes)");
    line("Type", std::string(presetKindTag(p.kind)) + " (" + kinds[static_cast<int>(p.kind)] + ")");
    line("Format version", std::to_string(p.formatVersion));
    line("Plug-in ID", fourCC(p.fxId) + format(" (0x%08X)", static_cast<unsigned>(p.fxId)));
    line("Plug-in version", std::to_string(p.fxVersion));
    if (p.isBank()) {
        line("Programs", std::to_string(p.count));
        if (p.formatVersion >= 2) line("Current", std::to_string(p.currentProgram));
    } else {
        line("Parameters", std::to_string(p.count));
        line("Program name", p.programName);
    }
    if (p.isChunk()) {
        std::string about = std::to_string(p.chunk.size()) + " bytes";
        if (isStateChunk(p.chunk.data(), p.chunk.size())) {
            const StateChunkSummary c = summarizeStateChunk(p.chunk.data(), p.chunk.size());
            about += format(", Vesk2 state version %d, product \"%s\", %d values, %d programs, %d MIDI maps",
                            c.version, c.product.c_str(), c.values, c.programs, c.midiMaps);
            if (c.currentProgram >= 0) about += format(", current program %d", c.currentProgram);
            if (!c.damage.empty()) about += " (damaged: " + c.damage + ")";
        }
        line("Chunk", about);
    } else if (p.isBank()) {
        for (size_t i = 0; i < p.programs.size(); ++i)
            out << format("  %4zu  %-28s %zu values\n", i, p.programs[i].name.c_str(), p.programs[i].params.size());
    } else {
        for (size_t i = 0; i < p.params.size(); ++i)
            out << format("  %4zu  %.6f\n", i, static_cast<double>(p.params[i]));
    }
    return 0;
}

int runSignal(const SignalOptions& o, std::ostream& out)
{
    const auto frames = static_cast<size_t>(std::llround(o.seconds * o.sampleRate));
    const AudioBuffer a =
        makeSignal(o.kind, static_cast<uint32_t>(o.sampleRate), static_cast<size_t>(o.channels), frames);
    writeAudioFile(o.output, a, o.format);
    out << "wrote " << o.output << format(" (%s, %zu frames, %d channels, %d Hz, %s)\n", signalKindName(o.kind), frames,
                                          o.channels, o.sampleRate, sampleFormatName(o.format));
    return 0;
}

int runCompare(const CompareOptions& o, std::ostream& out)
{
    const AudioBuffer a = readAudioFile(o.first);
    const AudioBuffer b = readAudioFile(o.second);
    if (a.channels.size() != b.channels.size() || a.sampleRate != b.sampleRate ||
        (!a.channels.empty() && a.channels[0].size() != b.channels[0].size()))
        throw HostError("compare: the files differ in channels, rate or length");
    double peak = 0.0, worst = 0.0;
    size_t worstChannel = 0, worstFrame = 0, first = SIZE_MAX;
    for (size_t c = 0; c < a.channels.size(); ++c) {
        for (size_t i = 0; i < a.channels[c].size(); ++i) {
            peak = std::max(peak, std::fabs(a.channels[c][i]));
            const double d = std::fabs(a.channels[c][i] - b.channels[c][i]);
            if (!(d == 0.0) && i < first) first = i;
            if (d > worst || d != d) {
                worst = d != d ? HUGE_VAL : d;
                worstChannel = c;
                worstFrame = i;
            }
        }
    }
    const double relative = peak > 0.0 ? worst / peak : (worst > 0.0 ? HUGE_VAL : 0.0);
    out << format("peak %.9g, largest difference %.9g (%.3g of the peak) at channel %zu frame %zu\n", peak, worst,
                  relative, worstChannel, worstFrame);
    if (first != SIZE_MAX) out << format("first difference at frame %zu\n", first);
    return relative <= o.tolerance ? 0 : 1;
}

}  // namespace

std::string fourCC(int32_t id)
{
    const auto u = static_cast<uint32_t>(id);
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((u >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) return format("0x%08X", u);
        s += c;
    }
    return s;
}

std::unique_ptr<PluginSession> openPlugin(const HostOptions& o, int defaultRate, ProcessLevel level)
{
    HostSettings settings;
    settings.sampleRate = o.sampleRate ? o.sampleRate : defaultRate;
    settings.blockSize = o.blockSize;
    settings.tempo = o.tempo;
    settings.trace = o.trace;
    settings.processLevel = level;
    // The preset is read before the plug-in is loaded: a bad file fails fast.
    std::vector<uint8_t> presetBytes;
    Preset preset;
    if (!o.preset.empty()) {
        presetBytes = readFile(o.preset, kMaxPresetBytes);
        preset = decodePreset(presetBytes.data(), presetBytes.size(), "'" + o.preset + "'");
    }
    auto session = std::make_unique<PluginSession>(o.plugin, settings);
    if (!o.preset.empty()) applyPreset(*session, preset, o.preset);
    for (const ParamAssignment& p : o.params) session->setParameter(session->findParameter(p.target), p.value);
    return session;
}

void applyPreset(PluginSession& s, const Preset& p, const std::string& name)
{
    const AEffect& fx = s.effect();
    // Formats without VST 2.4 identifiers (CLAP) neither have nor check one: the
    // state chunk names its product itself.
    if (s.format() == "VST 2.4" && p.fxId != 0 && p.fxId != fx.uniqueID)
        throw HostError("'" + name + "' is a preset for plug-in " + fourCC(p.fxId) + ", not for " +
                        fourCC(fx.uniqueID));
    switch (p.kind) {
    case PresetKind::ProgramChunk:
    case PresetKind::BankChunk:
        if (!s.hasFlag(effFlagsProgramChunks))
            throw HostError("'" + name + "' holds a state chunk, but the plug-in takes none");
        s.setChunk(p.chunk, p.kind == PresetKind::ProgramChunk);
        return;
    case PresetKind::ProgramParams: {
        if (p.count != fx.numParams)
            throw HostError(format("'%s' holds %d parameter values; the plug-in has %d", name.c_str(), p.count,
                                   fx.numParams));
        s.dispatch(effBeginSetProgram);
        for (int32_t i = 0; i < p.count; ++i) s.setParameter(i, p.params[static_cast<size_t>(i)]);
        std::string programName = p.programName;
        s.dispatch(effSetProgramName, 0, 0, programName.data());
        s.dispatch(effEndSetProgram);
        return;
    }
    case PresetKind::BankParams: {
        if (p.count != fx.numPrograms)
            throw HostError(format("'%s' holds %d programs; the plug-in has %d", name.c_str(), p.count,
                                   fx.numPrograms));
        for (int32_t prog = 0; prog < p.count; ++prog) {
            const ProgramValues& values = p.programs[static_cast<size_t>(prog)];
            if (values.params.size() != static_cast<size_t>(fx.numParams))
                throw HostError(format("'%s': program %d holds %zu parameter values; the plug-in has %d", name.c_str(),
                                       prog, values.params.size(), fx.numParams));
        }
        for (int32_t prog = 0; prog < p.count; ++prog) {
            const ProgramValues& values = p.programs[static_cast<size_t>(prog)];
            s.dispatch(effBeginSetProgram);
            s.dispatch(effSetProgram, 0, prog);
            for (int32_t i = 0; i < fx.numParams; ++i) s.setParameter(i, values.params[static_cast<size_t>(i)]);
            std::string programName = values.name;
            s.dispatch(effSetProgramName, 0, 0, programName.data());
            s.dispatch(effEndSetProgram);
        }
        const int32_t current = p.formatVersion >= 2 && p.currentProgram >= 0 && p.currentProgram < p.count
                                    ? p.currentProgram
                                    : 0;
        s.dispatch(effSetProgram, 0, current);
        return;
    }
    }
}

Preset capturePreset(PluginSession& s, bool bank)
{
    const AEffect& fx = s.effect();
    Preset p;
    p.fxId = fx.uniqueID;
    p.fxVersion = fx.version;
    p.formatVersion = bank ? 2 : 1;
    const bool chunks = s.hasFlag(effFlagsProgramChunks);
    if (!bank) {
        p.kind = chunks ? PresetKind::ProgramChunk : PresetKind::ProgramParams;
        p.count = fx.numParams;
        p.programName = s.text(effGetProgramName);
        if (chunks) p.chunk = s.getChunk(true);
        else
            for (int32_t i = 0; i < fx.numParams; ++i) p.params.push_back(s.getParameter(i));
        return p;
    }
    p.kind = chunks ? PresetKind::BankChunk : PresetKind::BankParams;
    p.count = fx.numPrograms;
    p.currentProgram = static_cast<int32_t>(s.dispatch(effGetProgram));
    if (chunks) {
        p.chunk = s.getChunk(false);
        return p;
    }
    // A bank of plain values is read program by program, then the current one is restored.
    for (int32_t prog = 0; prog < fx.numPrograms; ++prog) {
        s.dispatch(effSetProgram, 0, prog);
        ProgramValues values;
        values.name = s.text(effGetProgramName);
        for (int32_t i = 0; i < fx.numParams; ++i) values.params.push_back(s.getParameter(i));
        p.programs.push_back(std::move(values));
    }
    s.dispatch(effSetProgram, 0, p.currentProgram);
    return p;
}

void learnController(PluginSession& s, int32_t param, uint8_t controller)
{
    if (!s.hasFlag(effFlagsProgramChunks))
        throw HostError("--learn: the plug-in keeps no state chunk, so its MIDI learn cannot be reached");
    const std::vector<uint8_t> chunk = s.getChunk(true);
    if (!isStateChunk(chunk.data(), chunk.size()))
        throw HostError("--learn: the plug-in's state chunk is not a Vesk2 state chunk; "
                        "its MIDI learn cannot be reached from the command line");
    s.setChunk(midiMapChunk(chunk.data(), chunk.size(), param, controllerKey(controller)), true);
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string command = args.empty() ? "" : args[0];
    try {
        const Command c = parseCommandLine(args);
        if (const auto* h = std::get_if<HelpRequest>(&c)) {
            out << usageText(h->topic);
            return args.empty() ? 2 : 0;
        }
        if (const auto* o = std::get_if<InfoOptions>(&c)) return runInfo(*o, out);
        if (const auto* o = std::get_if<RenderOptions>(&c)) return runRender(*o, out, err);
        if (const auto* o = std::get_if<BenchOptions>(&c)) return runBench(*o, out);
        if (const auto* o = std::get_if<PresetSaveOptions>(&c)) return runPresetSave(*o, out);
        if (const auto* o = std::get_if<PresetShowOptions>(&c)) return runPresetShow(*o, out);
        if (const auto* o = std::get_if<SignalOptions>(&c)) return runSignal(*o, out);
        if (const auto* o = std::get_if<CompareOptions>(&c)) return runCompare(*o, out);
        if (const auto* o = std::get_if<DrawTestOptions>(&c)) return runDrawTest(*o, out);
        if (const auto* o = std::get_if<EditOptions>(&c)) return runEdit(*o, out);
        return 2;
    } catch (const UsageError& e) {
        err << "vesk-host: " << e.what() << "\n";
        err << "run 'vesk-host help" << (command.empty() || command[0] == '-' ? "" : " " + command) << "' for usage\n";
        return 2;
    } catch (const HostError& e) {
        err << "vesk-host: error: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "vesk-host: error: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        err << "vesk-host: error: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace HostKit
