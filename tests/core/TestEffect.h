// A small effect on top of PlugCore::Plug that records what the core asks of
// its engine hooks, so the core can be tested without the reverb. It is
// driven as a VST 2.4 host drives the plug-in: through the VST 2.4 adapter.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Plug.h"
#include "formats/vst2/Vst2Plug.h"

namespace CoreTest {

constexpr int kMaxParams = 16;

/// One call of an engine hook, in the order the core made them.
struct HookCall {
    enum Kind { Block, NoteOn, NoteOff, Control, Reset, Prepare } kind;
    int32_t a = 0;      ///< Block: start frame (from the ramp input); notes: note; Control: key
    int32_t b = 0;      ///< Block: frames; notes: velocity
    float value = 0;    ///< Control: value
    int32_t rendered = 0;  ///< frames rendered in this process call before the hook ran
};

/// One processBlock call with everything the engine could see.
struct BlockCall {
    bool changed;
    PlugCore::BlockTiming timing;
    int32_t frames;
    double firstInput;  ///< inputs[0][0]
    double* in[2];
    double* out[2];
    float dsp[kMaxParams];  ///< every slot's dspValue at the call
};

class TestEffect : public PlugCore::Plug {
public:
    static constexpr int kPrograms = 16;
    static constexpr int kParams = 14;
    static constexpr uint32_t kNoProgramParam = 12;  ///< keeps its value across program switches
    static constexpr uint32_t kUnnamedParam = 13;    ///< no name and no label

    /// With its own VST 2.4 frame for hostCallback (none when null: a frame made
    /// elsewhere attaches it); frameOwnsIt: that frame owns this core and
    /// deletes it on effClose, as in the plug-in.
    explicit TestEffect(audioMasterCallback hostCallback, const char* name = "CoreFx", int programTotal = kPrograms,
                        int paramTotal = kParams, bool frameOwnsIt = false)
        : Plug(nullptr, programTotal, paramTotal, name),
          vst(hostCallback ? new Vst2::Vst2Plug(hostCallback) : nullptr),
          owned(frameOwnsIt)
    {
        ++alive;
        for (uint32_t i = 0; i < paramCount(); ++i) {
            PlugCore::ParamSlot& s = slot(i);
            s.name = kNames[i % kMaxParams];
            s.label = kLabels[i % kMaxParams];
            s.defaultValue = builtInDefault(i);
            s.value.store(s.defaultValue);
        }
        if (paramCount() > kUnnamedParam) slot(kUnnamedParam).name = slot(kUnnamedParam).label = nullptr;
        if (paramCount() > kNoProgramParam) slot(kNoProgramParam).flags = PlugCore::kParamNoProgram;
        calls.reserve(8192);
        blocks.reserve(8192);
        if (vst) vst->attach(this, owned);
    }
    ~TestEffect() override
    {
        --alive;
        if (!owned) delete vst;
    }

    static float builtInDefault(uint32_t index) { return 0.05f * static_cast<float>(index + 1); }

    // ---- engine hooks ----
    void prepare() override
    {
        ++prepares;
        log({HookCall::Prepare});
    }
    void reset() override
    {
        ++resets;
        log({HookCall::Reset});
    }
    bool processBlock(bool changed, const PlugCore::BlockTiming& timing, double** inputs, double** outputs,
                      int32_t frames) override
    {
        if (recording) {
            BlockCall c{changed, timing, frames, frames > 0 ? inputs[0][0] : -1.0, {inputs[0], inputs[1]},
                        {outputs[0], outputs[1]}, {}};
            for (uint32_t i = 0; i < paramCount() && i < kMaxParams; ++i) c.dsp[i] = param(i).dspValue;
            blocks.push_back(c);
            log({HookCall::Block, frames > 0 ? static_cast<int32_t>(inputs[0][0]) : -1, frames});
        }
        // Each channel passes its input with an offset, so channels and paths can be told apart.
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i] + 0.5 * (c + 1);
        rendered += frames;
        return keepClock;
    }
    void formatParam(uint32_t index, char* text, float value) override
    {
        std::snprintf(text, 32, "%u:%.3f", index, static_cast<double>(value));
    }
    int32_t getLatency() override { return latency; }
    void noteOn(int32_t note, int32_t velocity) override
    {
        log({HookCall::NoteOn, note, velocity});
        if (onNoteOn) onNoteOn(note);
    }
    void noteOff(int32_t note, int32_t velocity) override { log({HookCall::NoteOff, note, velocity}); }
    void controlChange(uint16_t key, float value) override { log({HookCall::Control, key, 0, value}); }
    bool cookParam(uint32_t index) override
    {
        if (index < kMaxParams) ++cooked[index];
        return index < kMaxParams ? cookAnswer[index] : true;
    }

    // ---- access for tests ----
    PlugCore::ParamSlot& slotOf(uint32_t index) { return slot(index); }
    void attachEditor(PlugCore::IEditor* e)
    {
        setEditor(e);
        setParamListener(dynamic_cast<PlugCore::IParamNotify*>(e));
        if (vst) vst->attach(this, owned);  // the record now advertises the editor
    }

    // ---- the VST 2.4 face ----
    Vst2::Vst2Plug& frame() { return *vst; }
    AEffect* record() { return vst->getAeffect(); }
    AEffect* getAeffect() { return vst->getAeffect(); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return record()->dispatcher(record(), opcode, index, value, ptr, opt);
    }
    void resume() { vst->resume(); }
    void process(float** in, float** out, VstInt32 frames) { vst->process(in, out, frames); }
    void processReplacing(float** in, float** out, VstInt32 frames) { vst->processReplacing(in, out, frames); }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames)
    {
        vst->processDoubleReplacing(in, out, frames);
    }
    VstInt32 processEvents(VstEvents* events) { return vst->processEvents(events); }
    VstInt32 getChunk(void** data, bool isPreset) { return vst->getChunk(data, isPreset); }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) { return vst->setChunk(data, size, isPreset); }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text)
    {
        return vst->getProgramNameIndexed(category, index, text);
    }
    std::vector<uint8_t> chunk(bool isPreset)
    {
        void* data = nullptr;
        const VstInt32 n = getChunk(&data, isPreset);
        const auto* b = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(b, b + n);
    }
    void load(std::vector<uint8_t> bytes) { setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), false); }
    void clearLog()
    {
        calls.clear();
        blocks.clear();
        rendered = 0;
        for (int& c : cooked) c = 0;
    }
    int count(HookCall::Kind kind) const
    {
        int n = 0;
        for (const HookCall& c : calls) n += c.kind == kind;
        return n;
    }

    std::vector<HookCall> calls;
    std::vector<BlockCall> blocks;
    std::function<void(int32_t)> onNoteOn;  ///< runs inside the audio call, after the note is logged
    bool recording = true;
    bool keepClock = false;
    int32_t latency = 0;
    int32_t rendered = 0;
    int prepares = 0;
    int resets = 0;
    int cooked[kMaxParams] = {};
    bool cookAnswer[kMaxParams] = {true, true, true, true, true, true, true, true,
                                   true, true, true, true, true, true, true, true};
    static inline std::atomic<int> alive{0};

private:
    Vst2::Vst2Plug* vst;
    bool owned;

    void log(HookCall c)
    {
        if (!recording) return;
        c.rendered = rendered;
        calls.push_back(c);
    }

    static constexpr const char* kNames[kMaxParams] = {"Alpha", "Beta", "Gamma", "Delta", "Eps",  "Zeta",
                                                      "Eta",   "Theta", "Iota", "Kappa", "Lam",  "Mu",
                                                      "Mode",  "Nu",    "Xi",   "Omi"};
    static constexpr const char* kLabels[kMaxParams] = {"ms", "s", "%", "m",  "kHz", "Hz", "dB", "dB",
                                                       "x",  "x", "",  "Hz", "",    "",   "",   ""};
};

/// An editor that answers the core's notifications; `busy` makes it refuse them.
class TestEditor : public PlugCore::IEditor, public PlugCore::IParamNotify {
public:
    bool getSize(int32_t& width, int32_t& height) override
    {
        ++rects;
        width = area.right - area.left;
        height = area.bottom - area.top;
        return rectAnswer;
    }
    bool open(void*) override { return ++opens, openAnswer; }
    void close() override { ++closes; }
    bool isOpen() const override { return opens > closes; }
    void idle() override { ++idles; }
    bool paramChanged(uint32_t index, float value) override
    {
        if (busy) return false;
        changes.emplace_back(index, value);
        return true;
    }
    void midiMapChanged(uint32_t index) override
    {
        mapChanges.push_back(index);
        if (onMapChanged) onMapChanged(index);
    }

    ERect area{0, 0, 170, 560};
    bool rectAnswer = true;
    bool openAnswer = true;
    bool busy = false;
    int rects = 0, opens = 0, closes = 0, idles = 0;
    std::vector<std::pair<uint32_t, float>> changes;
    std::vector<uint32_t> mapChanges;
    std::function<void(uint32_t)> onMapChanged;
};

/// A VstEvents list the test fills with MIDI messages.
class EventList {
public:
    EventList& midi(int32_t delta, uint8_t status, uint8_t d1, uint8_t d2)
    {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = delta;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(d1);
        e.midiData[2] = static_cast<char>(d2);
        events.push_back(e);
        return *this;
    }
    EventList& cc(int32_t delta, uint8_t controller, uint8_t value, uint8_t channel = 0)
    {
        return midi(delta, static_cast<uint8_t>(0xB0 | channel), controller, value);
    }
    EventList& note(int32_t delta, uint8_t note, uint8_t velocity = 100)
    {
        return midi(delta, 0x90, note, velocity);
    }
    /// The list as the host hands it over; stays valid until the list changes.
    VstEvents* get()
    {
        const size_t n = events.size();
        storage.assign(offsetof(VstEvents, events) + (n < 2 ? 2 : n) * sizeof(VstEvent*), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(n);
        VstEvent** slots = &list->events[0];  // numEvents entries, not the two declared
        for (size_t i = 0; i < n; ++i) slots[i] = reinterpret_cast<VstEvent*>(&events[i]);
        return list;
    }
    std::vector<VstMidiEvent> events;

private:
    std::vector<uint8_t> storage;
};

/// Stereo double buffers for one block: the input is a ramp 0, 1, 2, ... so an
/// engine call can tell at which frame its sub-block starts.
struct StereoBlock {
    explicit StereoBlock(int32_t frames, double fill = -7.0)
        : inL(frames), inR(frames), outL(frames, fill), outR(frames, fill)
    {
        for (int32_t i = 0; i < frames; ++i) inL[i] = inR[i] = i;
    }
    double** in() { return ins; }
    double** out() { return outs; }
    std::vector<double> inL, inR, outL, outR;
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {outL.data(), outR.data()};
};

/// A scratch folder for user files, made the application-data folder on POSIX
/// for the lifetime of the object, then removed with everything in it.
class ScratchConfigHome {
public:
    explicit ScratchConfigHome(const std::string& name);
    ~ScratchConfigHome();
    const std::string& path() const { return folder; }

private:
    std::string folder;
    std::string saved;
    bool hadSaved = false;
};

}  // namespace CoreTest
