// Plug: the generic base of an effect, in no plug-in format's terms. Format
// adapters (formats/) drive it: parameters, programs, the state bytes, the
// lifecycle and the processing, with the host reached back through IHost. It
// keeps parameters, programs and MIDI mappings, and feeds the engine hooks of
// the concrete effect in sub-blocks split at the host's timed events.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ChunkCodec.h"
#include "core/ParamTable.h"
#include "core/PlugHost.h"

namespace PlugCore {

/// A four-character code as one number ('V', 'e', 's', 'A' -> 0x56657341).
constexpr uint32_t fourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8 | static_cast<uint8_t>(d);
}

/// A program: name and the stored raw value of every parameter.
struct ProgramSlot {
    char name[24] = {};
    std::unique_ptr<float[]> values;
};

class alignas(16) Plug : public IParamCook {
public:
    /// One stereo pair in, one out.
    static constexpr int kChannels = 2;

    /// host: the format adapter that made it (or null); it may be told of
    /// parameters while the effect's constructor loads its defaults.
    Plug(IHost* host, int32_t programCount, int32_t paramCount, const char* productName);
    virtual ~Plug();
    Plug(const Plug&) = delete;
    Plug& operator=(const Plug&) = delete;

    /// The format adapter that hosts this core, or null (no host: nothing is told). [construction]
    void setHost(IHost* newHost) { host = newHost; }
    IHost* getHost() const { return host; }

    // ---- Identity [any thread] ----
    const char* getProductName() const { return productName; }
    static constexpr const char* kVendor = "Morlenvale";
    static constexpr const char* kWebSite = "https://morlenvale.example/";
    /// A number that names the product (the djb2 hash of its name unless the effect sets its own).
    uint32_t uniqueId() const { return uid; }
    virtual const char* getInputPairName(int32_t pair);
    virtual const char* getOutputPairName(int32_t pair);

    // ---- Parameters (any thread, lock-free) ----
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    /// setParameter, then the host records the stored value. [GUI thread]
    void setParameterAutomated(int32_t index, float value);
    void getParameterName(int32_t index, char* text);
    void getParameterLabel(int32_t index, char* text);
    void getParameterDisplay(int32_t index, char* text);
    /// The raw value whose display text (with or without its label) is text;
    /// false when the effect cannot read it. [GUI thread]
    virtual bool parseParam(uint32_t index, const char* text, float& value);
    bool cookParam(uint32_t index) override { (void)index; return true; }
    /// The offset a host's modulation adds to a modulatable parameter's value
    /// for the engine, from the next block on; the value itself and its text
    /// stay. Ignored for other parameters; 0 (or anything not finite) ends it.
    /// [audio thread, or any thread while no process call runs]
    void setModulation(uint32_t index, float amount);

    uint32_t paramCount() const { return params.count; }
    const ParamSlot& param(uint32_t index) const { return params.slots[index]; }

    // ---- Editor side [GUI thread] ----
    void beginEdit(uint32_t index);
    void endEdit(uint32_t index);
    void resetToDefault(uint32_t index);
    /// The default value's display text and label, e.g. "0.250 s".
    void getDefaultText(uint32_t index, char* text);
    /// Hands every value the editor has not seen yet to notify.
    void pollForEditor(IParamNotify* notify);
    /// Who hears of MIDI-map changes (the editor), or null. Set by the editor
    /// at its construction and cleared at its destruction, while no audio runs.
    void setParamListener(IParamNotify* listener) { paramListener.store(listener, std::memory_order_release); }
    /// Every parameter's reset target becomes its current value.
    void adoptDefaults();
    /// Display text, a blank and the unit label (the label omitted when empty).
    /// text must hold the display, one byte and the label.
    virtual void formatParamWithLabel(uint32_t index, float value, char* text);
    /// The editor, owned; null when the effect has none. [any thread]
    IEditor* getEditor() const { return editor; }

    // ---- Host lifecycle [GUI thread, processing suspended] ----
    void setSampleRate(float rate);
    /// False when the work buffers for size frames cannot be had (nothing then renders).
    bool setBlockSize(int32_t size);
    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }
    void suspend() {}
    void resume();

    // ---- Audio [audio thread] ----
    /// Renders frames (at most the block size) from single-precision buffers,
    /// replacing or (accumulate) adding to the outputs; events, which may be
    /// null, apply at their frames. A missing input channel reads as silence.
    void processFloat(float** inputs, float** outputs, int32_t frames, const IEventList* events, bool accumulate);
    void processDouble(double** inputs, double** outputs, int32_t frames, const IEventList* events);

    // ---- Bypass, for formats whose hosts switch it through the plug-in ----
    /// While bypassed the output is the input, and the effect hears silence so
    /// that what it still holds dies away in the output; each way the switch
    /// crossfades over 10 ms. Between process calls it takes effect at the
    /// next call's first frame, inside one at its frame (a Bypass event). [any thread]
    void setBypass(bool on) { bypassTarget.store(on, std::memory_order_relaxed); }
    bool isBypassed() const { return bypassTarget.load(std::memory_order_relaxed); }
    /// Whether the last block's output had any of the bypass in it. [audio thread]
    bool bypassHeard() const { return bypassGain > 0.0; }

    // ---- Programs and state [GUI thread] ----
    void setProgram(int32_t program);
    int32_t getProgram() const { return curProgram; }
    void setProgramName(const char* name);
    void getProgramName(char* name);
    bool getProgramNameIndexed(int32_t index, char* text);
    /// Writes the state in program form (isPreset) or bank form into buffer.
    void serializeState(bool isPreset, std::vector<uint8_t>& buffer) const;
    /// Applies a state in either form record by record; damage is reported
    /// and ends loading, keeping what came before it.
    void loadState(const uint8_t* data, size_t size);
    /// Applies a state only when all of it reads cleanly: damage is reported
    /// (as loadState reports it) and changes nothing, and another product's
    /// state is applied only when the user says so. True when applied.
    bool loadWholeState(const uint8_t* data, size_t size);
    /// Program p's values := the current values.
    void snapshotProgram(int32_t program);
    const ProgramSlot& program(int32_t index) const { return programs[index]; }
    int32_t programCount() const { return numPrograms; }

    // ---- Defaults and factory bank [GUI thread] ----
    void loadFactoryBank();
    void loadDefaults();
    void saveDefaults();
    /// Full path of the user defaults file; false when the platform has no folder for it.
    bool defaultsPath(std::string& path) const;

    // ---- MIDI learn [GUI thread] ----
    void startLearn(uint32_t index);
    void unlearn(uint32_t index);
    void cancelLearn();
    int32_t getMidiKey(uint32_t index) const;
    bool isLearning(uint32_t index) const;
    /// Gives key to parameter index, taking it from any other holder.
    void assignMidiKey(uint32_t index, int32_t key);

    // ---- Engine hooks, implemented by the effect ----
    /// Geometry and memory for the current sample rate. [resume path]
    virtual void prepare() = 0;
    /// Clears all audio state.
    virtual void reset() = 0;
    /// Renders frames samples; returns whether to keep the beat clock running while stopped.
    virtual bool processBlock(bool changed, const BlockTiming& timing, double** inputs, double** outputs,
                              int32_t frames) = 0;
    /// Display text of a raw value (without label).
    virtual void formatParam(uint32_t index, char* text, float value) = 0;
    virtual int32_t getLatency() { return 0; }
    /// Frames the output goes on after the input falls silent, for the
    /// current settings; UINT32_MAX for endless. [any thread]
    virtual uint32_t tailFrames() { return 0; }
    /// Whether the last block's output was silence that stays silence until
    /// the input is no longer silent (the engine idles). [audio thread]
    virtual bool outputIsSilent() const { return false; }
    /// The host let the plug-in sleep through frames of silent input, which it
    /// would have handed over in blocks of chunk frames: time goes on for the
    /// engine as if it had rendered them. [audio thread]
    virtual void skipSilence(uint64_t frames, uint32_t chunk) { (void)frames, (void)chunk; }
    virtual void noteOn(int32_t note, int32_t velocity) { (void)note, (void)velocity; }
    virtual void noteOff(int32_t note, int32_t velocity) { (void)note, (void)velocity; }
    virtual void controlChange(uint16_t key, float value) { (void)key, (void)value; }

    /// Shows "Error loading chunk: <text>" captioned "<product> error".
    void showLoadError(const char* text);
    /// Asks whether to load a state saved by the product named name; true for Yes.
    bool askForeignProduct(const char* name);

protected:
    /// Applies one MIDI message at its place in the block. [audio thread]
    void applyMidi(const uint8_t bytes[3]);
    void handleController(uint16_t key, int32_t value);

    /// For the effect's constructor: fills a slot.
    ParamSlot& slot(uint32_t index) { return params.slots[index]; }
    void setUniqueId(uint32_t id) { uid = id; }
    /// Takes ownership of the editor. [construction]
    void setEditor(IEditor* newEditor);

private:
    bool ensureWorkBuffers();
    /// inputsReady: inputs are the work buffers, already filled and sanitised.
    void blockCycle(double** inputs, double** outputs, int32_t frames, bool inputsReady, const IEventList* events);
    void applyEvent(const TimedEvent& event);
    void renderSubBlock(double** outputs, int32_t start, int32_t frames);
    bool checkParameters();
    void initPrograms();
    void notifyMidiMapChanged(uint32_t index);
    /// One record of a state; false when loading must stop (another product's
    /// state the user does not want, asked only when askForeign).
    bool applyRecord(const ChunkRecordData& r, bool askForeign);

    ParamTable params;
    const char* productName;
    uint32_t uid;
    IHost* host = nullptr;
    IEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;
    int32_t numPrograms;
    int32_t curProgram = 0;
    std::unique_ptr<ProgramSlot[]> programs;

    std::unique_ptr<double[]> work;     // block size x 7 channels, or null
    int32_t workFrames = 0;             // block size the work buffers were built for
    double* workIn[kChannels] = {};
    double* workOut[kChannels] = {};
    double* workHeld[kChannels] = {};   // the input as it came, while the bypass is heard
    double* workFade = nullptr;         // the bypass's share of each frame

    std::atomic<bool> bypassTarget{false};
    double bypassGain = 0.0;  // 0: the effect alone .. 1: the input alone [audio thread]
    double bypassStep = 1.0;  // per frame
    bool freshStart = true;   // nothing rendered since resume: a bypass switched now needs no crossfade

    std::atomic<int32_t> learnTarget{-1};
    std::atomic<IParamNotify*> paramListener{nullptr};
    uint8_t checkParams = 0;
    bool needsPrepare = true;
    double beatPos = 0.0;
    float blockTempo = 120.0f;    // for the current process call
    bool blockPlaying = false;
};

/// Makes the product's core if the processor has SSE2; otherwise tells the
/// user and returns a NullPlug so the host still gets a working effect.
using EffectFactory = Plug* (*)(IHost* host);
using CpuProbe = bool (*)();
Plug* createPlug(IHost* host, EffectFactory factory, CpuProbe hasSse2);

/// Whether the processor has SSE2 (CPUID leaf 1, EDX bit 26).
bool cpuHasSse2();

/// Defined by the product: the core of one new instance for host (through
/// createPlug), or null. Every format's entry makes its instances with it.
Plug* createPlugInstance(IHost* host);

/// The stand-in effect on processors without SSE2: one parameter, silence.
class NullPlug final : public Plug {
public:
    explicit NullPlug(IHost* host);
    void prepare() override {}
    void reset() override {}
    bool processBlock(bool, const BlockTiming&, double**, double** outputs, int32_t frames) override;
    void formatParam(uint32_t, char* text, float) override { text[0] = 0; }
};

}  // namespace PlugCore
