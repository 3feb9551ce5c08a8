// A small VST 2.4 plug-in that records what its host does, for testing hosts.
// Four parameters ("Gain", "Mix", "Mix", " Pan "), two programs, no chunks,
// two inputs and outputs: out L = in L x Gain; out R = in R x Gain + the last
// MIDI controller value / 127, switched at the event's deltaFrames.
// Built three ways: normal; PROBE_ENTRY_RETURNS_NULL (the entry hands out no
// effect); PROBE_WITHOUT_ENTRY (the entry is exported under another name).
#include <cstdio>
#include <cstring>

#include "tests/tools/probe/ProbeState.h"

#if defined(_WIN32)
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

Probe::State state;

const char* const kNames[Probe::kParams] = {"Gain", "Mix", "Mix", " Pan "};

VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
{
    return state.host ? state.host(&state.effect, opcode, index, value, ptr, opt) : 0;
}

void copyText(void* ptr, const char* text, size_t size)
{
    std::snprintf(static_cast<char*>(ptr), size, "%s", text);
}

VstEvents* pending = nullptr;

template <typename T>
void render(T** in, T** out, VstInt32 frames, bool isDouble)
{
    Probe::Block b{};
    b.frames = frames;
    b.doublePrecision = isDouble;
    const auto* t = reinterpret_cast<const VstTimeInfo*>(callHost(audioMasterGetTime, 0, Probe::kTimeFilter));
    if (t) {
        b.timeAnswered = true;
        b.samplePos = t->samplePos, b.sampleRate = t->sampleRate, b.ppqPos = t->ppqPos, b.tempo = t->tempo;
        b.timeFlags = t->flags;
    }
    b.processLevel = callHost(audioMasterGetCurrentProcessLevel);
    if (state.blockCount < Probe::kMaxBlocks) state.blocks[state.blockCount++] = b;

    // Controller changes take effect at their deltaFrames (events arrive sorted).
    int next = 0;
    const int count = pending ? pending->numEvents : 0;
    VstEvent* const* list = pending ? pending->events : nullptr;
    const float gain = state.params[0];
    for (VstInt32 i = 0; i < frames; ++i) {
        while (next < count && list[next]->deltaFrames <= i) {
            const auto* m = reinterpret_cast<const VstMidiEvent*>(list[next]);
            if (m->type == kVstMidiType && state.eventCount < Probe::kMaxEvents) {
                Probe::Event& e = state.events[state.eventCount++];
                e.deltaFrames = m->deltaFrames;
                e.frame = state.framesProcessed + m->deltaFrames;
                e.status = static_cast<uint8_t>(m->midiData[0]);
                e.data1 = static_cast<uint8_t>(m->midiData[1]);
                e.data2 = static_cast<uint8_t>(m->midiData[2]);
                if ((e.status & 0xF0) == 0xB0) state.controllerLevel = e.data2 / 127.0f;
            }
            ++next;
        }
        out[0][i] = in[0][i] * static_cast<T>(gain);
        out[1][i] = in[1][i] * static_cast<T>(gain) + static_cast<T>(state.controllerLevel);
    }
    pending = nullptr;
    state.framesProcessed += frames;
}

void VSTCALLBACK processReplacing(AEffect*, float** in, float** out, VstInt32 frames) { render(in, out, frames, false); }
void VSTCALLBACK processDouble(AEffect*, double** in, double** out, VstInt32 frames) { render(in, out, frames, true); }
void VSTCALLBACK processAccumulating(AEffect*, float**, float**, VstInt32) {}

void VSTCALLBACK setParameter(AEffect*, VstInt32 index, float value)
{
    if (index >= 0 && index < Probe::kParams) state.params[index] = value;
}

float VSTCALLBACK getParameter(AEffect*, VstInt32 index)
{
    return index >= 0 && index < Probe::kParams ? state.params[index] : 0.0f;
}

VstIntPtr VSTCALLBACK dispatcher(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (state.opcodeCount < Probe::kMaxOpcodes) state.opcodes[state.opcodeCount++] = opcode;
    switch (opcode) {
    case effClose: state.host = nullptr; return 1;
    case effSetSampleRate: state.sampleRate = opt; return 0;
    case effSetBlockSize: state.blockSize = static_cast<VstInt32>(value); return 0;
    case effMainsChanged:
        if (value) {
            state.sampleRateAnswer = callHost(audioMasterGetSampleRate);
            state.blockSizeAnswer = callHost(audioMasterGetBlockSize);
            state.currentIdAnswer = callHost(audioMasterCurrentId);
            state.levelOutsideProcess = callHost(audioMasterGetCurrentProcessLevel);
            char q1[] = "sendVstTimeInfo", q2[] = "sizeWindow", q3[] = "probeNonsense";
            state.canDoTimeInfo = callHost(audioMasterCanDo, 0, 0, q1);
            state.canDoSizeWindow = callHost(audioMasterCanDo, 0, 0, q2);
            state.canDoNonsense = callHost(audioMasterCanDo, 0, 0, q3);
            callHost(audioMasterGetVendorString, 0, 0, state.hostVendor);
            callHost(audioMasterGetProductString, 0, 0, state.hostProduct);
        }
        return 0;
    case effSetProgram:
        if (value >= 0 && value < Probe::kPrograms) {
            std::memcpy(state.programValues[state.program], state.params, sizeof state.params);
            state.program = static_cast<VstInt32>(value);
            std::memcpy(state.params, state.programValues[state.program], sizeof state.params);
        }
        return 0;
    case effGetProgram: return state.program;
    case effSetProgramName:
        std::snprintf(state.programNames[state.program], 24, "%s", static_cast<const char*>(ptr));
        return 0;
    case effGetProgramName: copyText(ptr, state.programNames[state.program], 24); return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= Probe::kPrograms) return 0;
        copyText(ptr, state.programNames[index], 24);
        return 1;
    case effGetParamName:
        if (index >= 0 && index < Probe::kParams) copyText(ptr, kNames[index], 8);
        return 0;
    case effGetParamLabel: copyText(ptr, index == 0 ? "x" : "", 8); return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < Probe::kParams)
            std::snprintf(static_cast<char*>(ptr), 8, "%.3f", static_cast<double>(state.params[index]));
        return 0;
    case effProcessEvents: pending = static_cast<VstEvents*>(ptr); return 1;
    case effGetEffectName: copyText(ptr, "Host Probe", 32); return 1;
    case effGetVendorString: copyText(ptr, "Probe Works", 64); return 1;
    case effGetProductString: copyText(ptr, "Probe Works Host Probe", 64); return 1;
    case effGetVstVersion: return 2400;
    case effGetPlugCategory: return 1;
    case effCanDo: return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0 ? 1 : 0;
    case effVendorSpecific:
        if (index != Probe::kGestureRequest) return 0;
        callHost(audioMasterBeginEdit, static_cast<VstInt32>(value));
        callHost(audioMasterAutomate, static_cast<VstInt32>(value), 0, nullptr, 0.25f);
        callHost(audioMasterEndEdit, static_cast<VstInt32>(value));
        return 1;
    default: return 0;
    }
}

}  // namespace

PROBE_EXPORT Probe::State* HostProbeState() { return &state; }

namespace {

#if defined(PROBE_ENTRY_RETURNS_NULL)
constexpr bool kRefuse = true;
#else
constexpr bool kRefuse = false;
#endif

AEffect* probeEntry(audioMasterCallback host)
{
    std::memset(&state, 0, sizeof state);
    state.host = host;
    state.hostVersion = callHost(audioMasterVersion);
    if (state.hostVersion == 0) return nullptr;
    AEffect& e = state.effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.process = processAccumulating;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.processDoubleReplacing = processDouble;
    e.numPrograms = Probe::kPrograms;
    e.numParams = Probe::kParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    e.uniqueID = Probe::kUniqueId;
    e.version = Probe::kVersion;
    e.ioRatio = 1.0f;
    e.object = &state;
    const float defaults[Probe::kParams] = {1.0f, 0.5f, 0.5f, 0.5f};
    std::memcpy(state.params, defaults, sizeof defaults);
    for (int p = 0; p < Probe::kPrograms; ++p) std::memcpy(state.programValues[p], defaults, sizeof defaults);
    std::snprintf(state.programNames[0], 24, "First");
    std::snprintf(state.programNames[1], 24, "Second");
    return kRefuse ? nullptr : &e;
}

}  // namespace

#if defined(PROBE_WITHOUT_ENTRY)
// The entry under a name no host looks for.
PROBE_EXPORT AEffect* HostProbeMain(audioMasterCallback host) { return probeEntry(host); }
#else
PROBE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return probeEntry(host); }
#endif
