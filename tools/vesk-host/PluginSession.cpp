#include "tools/vesk-host/PluginSession.h"

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "tools/vesk-host/ClapBridge.h"
#include "tools/vesk-host/Vst3Bridge.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {

// The callback carries no user pointer: one process-wide session answers it.
PluginSession* activeSession = nullptr;

constexpr const char* kHostVendor = "Morlenvale";
constexpr const char* kHostProduct = "vesk-host";
constexpr VstIntPtr kHostVersion = 1000;
constexpr size_t kMaxChunkBytes = size_t{256} << 20;  // the same bound as preset files

const char* callbackName(VstInt32 opcode)
{
    static const char* const names[] = {
        "Automate", "Version", "CurrentId", "Idle", "PinConnected", "(5)", "WantMidi", "GetTime",
        "ProcessEvents", "SetTime", "TempoAt", "GetNumAutomatableParameters", "GetParameterQuantization",
        "IOChanged", "NeedIdle", "SizeWindow", "GetSampleRate", "GetBlockSize", "GetInputLatency",
        "GetOutputLatency", "GetPreviousPlug", "GetNextPlug", "WillReplaceOrAccumulate",
        "GetCurrentProcessLevel", "GetAutomationState", "OfflineStart", "OfflineRead", "OfflineWrite",
        "OfflineGetCurrentPass", "OfflineGetCurrentMetaPass", "SetOutputSampleRate",
        "GetOutputSpeakerArrangement", "GetVendorString", "GetProductString", "GetVendorVersion",
        "VendorSpecific", "SetIcon", "CanDo", "GetLanguage", "OpenWindow", "CloseWindow", "GetDirectory",
        "UpdateDisplay", "BeginEdit", "EndEdit", "OpenFileSelector", "CloseFileSelector", "EditFile",
        "GetChunkFile", "GetInputSpeakerArrangement",
    };
    if (opcode >= 0 && static_cast<size_t>(opcode) < sizeof names / sizeof names[0]) return names[opcode];
    return "?";
}

/// audioMasterCanDo: 1 = yes, -1 = no, 0 = not known to this host.
VstIntPtr canDo(const char* what)
{
    static const char* const yes[] = {"sendVstEvents",    "sendVstMidiEvent", "sendVstTimeInfo",
                                      "receiveVstEvents", "receiveVstMidiEvent", "startStopProcess",
                                      "sendVstMidiEventFlagIsRealtime"};
    static const char* const no[] = {"sizeWindow",       "offline",      "openFileSelector",
                                     "closeFileSelector", "editFile",     "shellCategory",
                                     "supportShell",      "asyncProcessing", "reportConnectionChanges",
                                     "acceptIOChanges",   "supplyIdle"};
    if (!what) return 0;
    for (const char* s : yes)
        if (std::strcmp(what, s) == 0) return 1;
    for (const char* s : no)
        if (std::strcmp(what, s) == 0) return -1;
    return 0;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string trimmedLower(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    std::string out = s.substr(b, e - b);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

PluginSession* PluginSession::current() { return activeSession; }

bool isClapFile(const std::string& path)
{
    const std::string ending = ".clap";
    if (path.size() < ending.size()) return false;
    std::string tail = path.substr(path.size() - ending.size());
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ending;
}

int64_t PluginSession::sleptBlocks() { return formatName == "CLAP" ? clapSleptBlocks(fx) : 0; }

int64_t PluginSession::silentBlocks() { return formatName == "VST3" ? vst3SilentBlocks(fx) : 0; }

std::string PluginSession::versionText()
{
    if (formatName == "CLAP") return clapPluginVersion(fx);
    return formatName == "VST3" ? vst3ClassVersion(fx) : "";
}

std::string PluginSession::categoryText()
{
    if (formatName == "CLAP") return clapPluginFeatures(fx);
    return formatName == "VST3" ? vst3SubCategories(fx) : "";
}

std::string PluginSession::identifier()
{
    if (formatName == "CLAP") return clapPluginId(fx);
    return formatName == "VST3" ? vst3ClassId(fx) : "";
}

PluginSession::PluginSession(const std::string& path, const HostSettings& settings)
    : file(path), folder(folderOf(path)), config(settings), previous(activeSession)
{
    clock.sampleRate = config.sampleRate;
    clock.tempo = config.tempo;
    activeSession = this;  // the entry already calls back
    try {
        const bool vst3 = isVst3Path(path);
        const std::string binary = vst3 ? vst3Binary(path) : path;
        if (!library.load(binary)) throw HostError("cannot load plug-in '" + binary + "': " + library.error());
        if (vst3 || isClapFile(path)) {
            fx = vst3 ? openVst3Plugin(library, binary, &PluginSession::hostCallback)
                      : openClapPlugin(library, path, &PluginSession::hostCallback);
            formatName = vst3 ? "VST3" : "CLAP";
            dispatch(effOpen);
            dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(config.sampleRate));
            dispatch(effSetBlockSize, 0, config.blockSize);
            return;
        }
        using Entry = AEffect* (*)(audioMasterCallback);
        auto entry = reinterpret_cast<Entry>(library.symbol("VSTPluginMain"));
        if (!entry) entry = reinterpret_cast<Entry>(library.symbol("main"));
        if (!entry) throw HostError("'" + path + "' is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main");
        AEffect* made = entry(&PluginSession::hostCallback);
        if (!made) throw HostError("'" + path + "': the plug-in's entry returned no effect");
        if (made->magic != kEffectMagic) throw HostError("'" + path + "': the entry's record has no VST magic");
        fx = made;
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(config.sampleRate));
        dispatch(effSetBlockSize, 0, config.blockSize);
    } catch (...) {
        if (fx) dispatch(effClose);
        fx = nullptr;
        library.unload();
        activeSession = previous;
        throw;
    }
}

PluginSession::~PluginSession()
{
    if (resumed) suspend();
    dispatch(effClose);
    fx = nullptr;
    library.unload();
    if (activeSession == this) activeSession = previous;
}

VstIntPtr PluginSession::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return fx ? fx->dispatcher(fx, opcode, index, value, ptr, opt) : 0;
}

std::string PluginSession::text(VstInt32 opcode, VstInt32 index)
{
    // Plug-ins often write past the published string limits: give them room.
    char buf[1024];
    std::memset(buf, 0, sizeof buf);
    dispatch(opcode, index, 0, buf);
    buf[sizeof buf - 1] = 0;
    return buf;
}

std::string PluginSession::programName(int32_t index)
{
    char buf[1024];
    std::memset(buf, 0, sizeof buf);
    if (dispatch(effGetProgramNameIndexed, index, -1, buf)) {
        buf[sizeof buf - 1] = 0;
        return buf;
    }
    if (index == dispatch(effGetProgram)) return text(effGetProgramName);
    return "";
}

int32_t PluginSession::findParameter(const std::string& wanted)
{
    const int32_t count = numParams();
    const bool numeric = !wanted.empty() && wanted.size() <= 9 &&
                         wanted.find_first_not_of("0123456789") == std::string::npos;
    if (numeric) {
        const long index = std::strtol(wanted.c_str(), nullptr, 10);
        if (index >= count)
            throw HostError("parameter index " + wanted + " is out of range (the plug-in has " + std::to_string(count) +
                            " parameters)");
        return static_cast<int32_t>(index);
    }
    std::vector<int32_t> exact, loose;
    const std::string want = trimmedLower(wanted);
    for (int32_t i = 0; i < count; ++i) {
        const std::string name = paramName(i);
        if (name == wanted) exact.push_back(i);
        if (!want.empty() && trimmedLower(name) == want) loose.push_back(i);
    }
    const std::vector<int32_t>& hits = exact.empty() ? loose : exact;
    if (hits.size() == 1) return hits[0];
    if (hits.size() > 1)
        throw HostError("parameter name '" + wanted + "' is ambiguous (indices " + std::to_string(hits[0]) + " and " +
                        std::to_string(hits[1]) + "); give the index instead");
    std::string known;
    for (int32_t i = 0; i < count && i < 64; ++i) known += (i ? ", " : "") + std::to_string(i) + " '" + paramName(i) + "'";
    if (count > 64) known += ", ...";
    throw HostError("unknown parameter '" + wanted + "'; the plug-in has: " + (known.empty() ? "none" : known));
}

std::vector<uint8_t> PluginSession::getChunk(bool isProgram)
{
    if (!hasFlag(effFlagsProgramChunks))
        throw HostError("the plug-in keeps no state chunks (effFlagsProgramChunks is not set)");
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isProgram ? 1 : 0, 0, &data);
    if (size <= 0 || !data) throw HostError("the plug-in handed out no state chunk");
    if (static_cast<size_t>(size) > kMaxChunkBytes)
        throw HostError("the plug-in's state chunk claims " + std::to_string(size) + " bytes; that is not believable");
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

void PluginSession::setChunk(const std::vector<uint8_t>& chunk, bool isProgram)
{
    if (!hasFlag(effFlagsProgramChunks))
        throw HostError("the plug-in keeps no state chunks (effFlagsProgramChunks is not set)");
    std::vector<uint8_t> copy(chunk);  // the plug-in gets a pointer it may treat as its own during the call
    if (copy.empty()) copy.push_back(0);
    dispatch(effSetChunk, isProgram ? 1 : 0, static_cast<VstIntPtr>(chunk.size()), copy.data());
}

void PluginSession::resume()
{
    if (resumed) return;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    clock.start();
    resumed = true;
}

void PluginSession::suspend()
{
    if (!resumed) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    clock.stop();
    resumed = false;
}

void PluginSession::sendEvents(VstEvents* events)
{
    if (events) dispatch(effProcessEvents, 0, 0, events);
}

void PluginSession::process(float** inputs, float** outputs, int32_t frames)
{
    if (!resumed) throw HostError("process call before the plug-in was switched on");
    inProcess = true;
    if (hasFlag(effFlagsCanReplacing) && fx->processReplacing)
        fx->processReplacing(fx, inputs, outputs, frames);
    else if (fx->process)
        fx->process(fx, inputs, outputs, frames);
    inProcess = false;
    clock.advance(frames);
}

void PluginSession::processDouble(double** inputs, double** outputs, int32_t frames)
{
    if (!resumed) throw HostError("process call before the plug-in was switched on");
    if (!hasFlag(effFlagsCanDoubleReplacing) || !fx->processDoubleReplacing)
        throw HostError("the plug-in cannot process double precision (effFlagsCanDoubleReplacing is not set)");
    inProcess = true;
    fx->processDoubleReplacing(fx, inputs, outputs, frames);
    inProcess = false;
    clock.advance(frames);
}

VstIntPtr VSTCALLBACK PluginSession::hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                  void* ptr, float opt)
{
    PluginSession* s = activeSession;
    if (!s) return opcode == audioMasterVersion ? 2400 : 0;
    const VstIntPtr result = s->answer(opcode, index, value, ptr, opt);
    if (s->config.trace) {
        std::fprintf(stderr, "host callback: %-27s index %d, value %lld, opt %g", callbackName(opcode),
                     static_cast<int>(index), static_cast<long long>(value), static_cast<double>(opt));
        if (opcode == audioMasterCanDo && ptr) std::fprintf(stderr, ", \"%s\"", static_cast<const char*>(ptr));
        std::fprintf(stderr, " -> %lld\n", static_cast<long long>(result));
    }
    return result;
}

VstIntPtr PluginSession::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case audioMasterAutomate: automation.push_back({index, opt}); return 0;
    case audioMasterVersion: return 2400;
    case audioMasterCurrentId: return fx ? fx->uniqueID : 0;
    case audioMasterPinConnected:  // 0 means connected
        if (!fx) return 1;
        return index >= 0 && index < (value ? fx->numInputs : fx->numOutputs) ? 0 : 1;
    case audioMasterWantMidi: return 1;
    case audioMasterGetTime:
        clock.fill(timeInfo, value);
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    case audioMasterProcessEvents:
        if (ptr) eventsFromPlugin += static_cast<const VstEvents*>(ptr)->numEvents;
        return 1;
    case audioMasterTempoAt: return static_cast<VstIntPtr>(config.tempo * 10000.0);
    case audioMasterGetNumAutomatableParameters: return fx ? fx->numParams : 0;
    case audioMasterIOChanged: ++ioChanges; return 1;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(config.sampleRate);
    case audioMasterGetBlockSize: return config.blockSize;
    case audioMasterGetCurrentProcessLevel: return inProcess ? config.processLevel : kProcessLevelUser;
    case audioMasterGetAutomationState: return 1;  // off: nothing is played back
    case audioMasterGetVendorString:
        if (!ptr) return 0;
        std::snprintf(static_cast<char*>(ptr), kVstMaxVendorStrLen, "%s", kHostVendor);
        return 1;
    case audioMasterGetProductString:
        if (!ptr) return 0;
        std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen, "%s", kHostProduct);
        return 1;
    case audioMasterGetVendorVersion: return kHostVersion;
    case audioMasterCanDo:
        // An editor's window to resize exists only while `edit` runs.
        if (editorWindow && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0) return 1;
        return canDo(static_cast<const char*>(ptr));
    case audioMasterGetLanguage: return 1;  // English
    case audioMasterGetDirectory: return reinterpret_cast<VstIntPtr>(folder.c_str());
    case audioMasterUpdateDisplay: return 1;
    case audioMasterSizeWindow:
        ++sizeWindowRequests;
        if (!editorWindow || refuseSizeWindow || index <= 0 || value <= 0) return 0;
        sizeWindowWidth = index;
        sizeWindowHeight = static_cast<int32_t>(value);
        return 1;
    case audioMasterBeginEdit: beginEdits.push_back(index); return 1;
    case audioMasterEndEdit: endEdits.push_back(index); return 1;
    default: (void)opt; return 0;
    }
}

}  // namespace HostKit
