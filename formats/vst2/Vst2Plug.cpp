#include "formats/vst2/Vst2Plug.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/system.h"

namespace Vst2 {

namespace {

/// The core's editor as the frame's effEditGetRect, effEditOpen, effEditClose
/// and effEditIdle see it.
class EditorBridge final : public AEffEditor {
public:
    explicit EditorBridge(PlugCore::IEditor& e) : editor(e) {}
    bool getRect(ERect** rect) override
    {
        int32_t w = 0, h = 0;
        if (!rect || !editor.getSize(w, h)) return false;
        area.top = 0;
        area.left = 0;
        area.bottom = static_cast<int16_t>(h);
        area.right = static_cast<int16_t>(w);
        *rect = &area;
        return true;
    }
    bool open(void* parent) override { return editor.open(parent); }
    void close() override { editor.close(); }
    void idle() override { editor.idle(); }

private:
    PlugCore::IEditor& editor;
    ERect area{};
};

/// A VstEvents list as the core reads timed events: MIDI messages as they
/// are, every other kind (and a null entry) at frame 0 for nobody.
class EventView final : public PlugCore::IEventList {
public:
    explicit EventView(const VstEvents* l) : list(l) {}
    int32_t size() const override { return list ? list->numEvents : 0; }
    PlugCore::TimedEvent at(int32_t k) const override
    {
        // The record declares two entries but holds numEvents: index through a
        // pointer, not the declared array, so no bound of 2 is assumed.
        const VstEvent* e = (&list->events[0])[k];
        PlugCore::TimedEvent t;
        if (!e) return t;
        t.frame = e->deltaFrames;
        if (e->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
            t.kind = PlugCore::TimedEvent::Kind::Midi;
            for (int i = 0; i < 3; ++i) t.midi[i] = static_cast<uint8_t>(midi->midiData[i]);
        }
        return t;
    }

private:
    const VstEvents* list;
};

}  // namespace

Vst2Plug::Vst2Plug(audioMasterCallback hostCallback) : AudioEffectX(hostCallback, 0, 0) {}

Vst2Plug::~Vst2Plug()
{
    if (owns) delete plug;
}

void Vst2Plug::attach(PlugCore::Plug* core, bool owned)
{
    plug = core;
    owns = owned;
    plug->setHost(this);
    numPrograms = cEffect.numPrograms = plug->programCount();
    numParams = cEffect.numParams = static_cast<VstInt32>(plug->paramCount());
    setUniqueID(static_cast<VstInt32>(plug->uniqueId()));
    addFlags(effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing);
    setNumInputs(PlugCore::Plug::kChannels);
    setNumOutputs(PlugCore::Plug::kChannels);
    sampleRate = plug->getSampleRate();
    blockSize = plug->getBlockSize();
    if (PlugCore::IEditor* e = plug->getEditor())
        setEditor(new EditorBridge(*e));  // the effect then advertises an editor
    else
        setEditor(nullptr);
}

// ---- programs, parameters and their texts -------------------------------------

void Vst2Plug::setProgram(VstInt32 program) { plug->setProgram(program); }
VstInt32 Vst2Plug::getProgram() { return plug->getProgram(); }
void Vst2Plug::setProgramName(const char* name) { plug->setProgramName(name); }
void Vst2Plug::getProgramName(char* name) { plug->getProgramName(name); }
void Vst2Plug::getParameterLabel(VstInt32 index, char* label) { plug->getParameterLabel(index, label); }
void Vst2Plug::getParameterDisplay(VstInt32 index, char* text) { plug->getParameterDisplay(index, text); }
void Vst2Plug::getParameterName(VstInt32 index, char* text) { plug->getParameterName(index, text); }
void Vst2Plug::setParameter(VstInt32 index, float value) { plug->setParameter(index, value); }
float Vst2Plug::getParameter(VstInt32 index) { return plug->getParameter(index); }

bool Vst2Plug::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    return plug->getProgramNameIndexed(index, text);  // one category: the category is not looked at
}

// ---- lifecycle and state ---------------------------------------------------------

void Vst2Plug::setSampleRate(float rate)
{
    sampleRate = rate;
    plug->setSampleRate(rate);
}

void Vst2Plug::setBlockSize(VstInt32 size)
{
    plug->setBlockSize(size);
    blockSize = plug->getBlockSize();
}

void Vst2Plug::suspend() { plug->suspend(); }

void Vst2Plug::resume()
{
    plug->resume();
    setInitialDelay(plug->getLatency());
}

VstInt32 Vst2Plug::getChunk(void** data, bool isPreset)
{
    plug->serializeState(isPreset, chunk);
    *data = chunk.data();
    return static_cast<VstInt32>(chunk.size());
}

VstInt32 Vst2Plug::setChunk(void* data, VstInt32 size, bool)
{
    plug->loadState(static_cast<const uint8_t*>(data), size > 0 ? static_cast<size_t>(size) : 0);
    return 0;
}

// ---- audio -----------------------------------------------------------------------

VstInt32 Vst2Plug::processEvents(VstEvents* events)
{
    pendingEvents = events;
    return 1;
}

VstEvents* Vst2Plug::takeEvents()
{
    // The host's list was for the next process call only, whether that call is refused or not.
    VstEvents* events = pendingEvents;
    pendingEvents = nullptr;
    return events;
}

void Vst2Plug::process(float** inputs, float** outputs, VstInt32 frames)
{
    const EventView events(takeEvents());
    plug->processFloat(inputs, outputs, frames, &events, true);
}

void Vst2Plug::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    const EventView events(takeEvents());
    plug->processFloat(inputs, outputs, frames, &events, false);
}

void Vst2Plug::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames)
{
    const EventView events(takeEvents());
    plug->processDouble(inputs, outputs, frames, &events);
}

// ---- what the host asks of the effect ------------------------------------------

bool Vst2Plug::pinProperties(bool input, VstInt32 index, VstPinProperties* props)
{
    if (index < 0 || index / 2 >= PlugCore::Plug::kChannels / 2) return false;
    const char* pair = input ? plug->getInputPairName(index / 2) : plug->getOutputPairName(index / 2);
    std::snprintf(props->label, sizeof props->label, "%s %s", pair, index % 2 ? "R" : "L");
    props->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool Vst2Plug::getInputProperties(VstInt32 index, VstPinProperties* props) { return pinProperties(true, index, props); }

bool Vst2Plug::getOutputProperties(VstInt32 index, VstPinProperties* props)
{
    return pinProperties(false, index, props);
}

bool Vst2Plug::getEffectName(char* text)
{
    std::snprintf(text, kVstMaxEffectNameLen, "%s", plug->getProductName());
    return true;
}

bool Vst2Plug::getVendorString(char* text)
{
    std::snprintf(text, kVstMaxVendorStrLen, "%s", PlugCore::Plug::kVendor);
    return true;
}

bool Vst2Plug::getProductString(char* text)
{
    std::snprintf(text, kVstMaxProductStrLen, "%s %s", PlugCore::Plug::kVendor, plug->getProductName());
    return true;
}

VstIntPtr Vst2Plug::vendorSpecific(VstInt32 index, VstIntPtr value, void*, float opt)
{
    // Some hosts deliver wheel turns this way instead of as window messages.
    if (index == vstFourCC('s', 't', 'C', 'A') && value == vstFourCC('W', 'h', 'e', 'e'))
        return Platform::forwardMouseWheel(opt) ? 1 : 0;
    return 0;
}

VstInt32 Vst2Plug::canDo(const char* text) { return std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : 0; }

// ---- the host, for the core ----------------------------------------------------

void Vst2Plug::automate(uint32_t index, float value)
{
    callHost(audioMasterAutomate, static_cast<VstInt32>(index), 0, nullptr, value);
}

void Vst2Plug::beginEdit(uint32_t index) { callHost(audioMasterBeginEdit, static_cast<VstInt32>(index)); }

void Vst2Plug::endEdit(uint32_t index) { callHost(audioMasterEndEdit, static_cast<VstInt32>(index)); }

bool Vst2Plug::resizeEditor(int32_t width, int32_t height)
{
    // Hosts that do not resize answer 0 (or know nothing of the opcode).
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool Vst2Plug::transport(PlugCore::Transport& out)
{
    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        callHost(audioMasterGetTime, 0, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid));
    if (!time) return false;
    out.tempoValid = (time->flags & kVstTempoValid) != 0;
    out.tempo = time->tempo;
    out.playing = (time->flags & kVstTransportPlaying) != 0;
    out.beatValid = (time->flags & kVstPpqPosValid) != 0;
    out.beat = time->ppqPos;
    return true;
}

// ---- instances -----------------------------------------------------------------

AudioEffect* instantiate(audioMasterCallback host, PlugCore::Plug* (*make)(PlugCore::IHost* host))
{
    auto* effect = new (std::nothrow) Vst2Plug(host);
    if (!effect) return nullptr;
    PlugCore::Plug* core = nullptr;
    try {
        core = make(effect);
    } catch (...) {
        core = nullptr;
    }
    if (!core) {
        delete effect;
        return nullptr;
    }
    effect->attach(core, true);
    return effect;
}

}  // namespace Vst2
