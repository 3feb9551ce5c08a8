// Plug: the generic base of an effect. It answers the host through the frame,
// keeps parameters, programs and MIDI mappings, and feeds the engine hooks of
// the concrete effect in sub-blocks split at MIDI events.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ChunkCodec.h"
#include "core/ParamTable.h"
#include "host/AudioEffect.h"

namespace PlugCore {

/// A program: name and the stored raw value of every parameter.
struct ProgramSlot {
    char name[24] = {};
    std::unique_ptr<float[]> values;
};

class alignas(16) Plug : public AudioEffectX, public IParamCook {
public:
    Plug(audioMasterCallback host, int32_t programCount, int32_t paramCount, const char* productName);
    ~Plug() override;

    // ---- Parameters (any thread, lock-free) ----
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    /// setParameter, then audioMasterAutomate. [GUI thread]
    void setParameterAutomated(VstInt32 index, float value);
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    bool cookParam(uint32_t index) override { (void)index; return true; }

    uint32_t paramCount() const { return params.count; }
    const ParamSlot& param(uint32_t index) const { return params.slots[index]; }
    const char* getProductName() const { return productName; }

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

    // ---- Host lifecycle [GUI thread, processing suspended] ----
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;

    // ---- Audio [audio thread] ----
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void process(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) override;
    VstInt32 processEvents(VstEvents* events) override;

    // ---- Programs and state [GUI thread] ----
    void setProgram(VstInt32 program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override;
    /// Writes the state in program form (isPreset) or bank form into buffer.
    void serializeState(bool isPreset, std::vector<uint8_t>& buffer) const;
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

    // ---- Frame answers ----
    bool getInputProperties(VstInt32 index, VstPinProperties* props) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* props) override;
    bool getEffectName(char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    VstInt32 canDo(const char* text) override;

    // ---- Engine hooks, implemented by the effect ----
    virtual const char* getInputPairName(int32_t pair);
    virtual const char* getOutputPairName(int32_t pair);
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
    virtual void noteOn(int32_t note, int32_t velocity) { (void)note, (void)velocity; }
    virtual void noteOff(int32_t note, int32_t velocity) { (void)note, (void)velocity; }
    virtual void controlChange(uint16_t key, float value) { (void)key, (void)value; }

    /// Shows "Error loading chunk: <text>" captioned "<product> error"; returns 0.
    VstInt32 showLoadError(const char* text);

protected:
    /// Applies one host event at its place in the block. [audio thread]
    void applyMidiEvent(const VstEvent* event);
    void handleController(uint16_t key, int32_t value);

    /// For the effect's constructor: fills a slot.
    ParamSlot& slot(uint32_t index) { return params.slots[index]; }

private:
    static constexpr int kChannels = 2;  // one stereo pair in, one out

    bool ensureWorkBuffers();
    void floatFrontEnd(float** inputs, float** outputs, VstInt32 frames, bool accumulate);
    /// inputsReady: inputs are the work buffers, already filled and sanitised.
    void blockCycle(double** inputs, double** outputs, VstInt32 frames, bool inputsReady);
    void renderSubBlock(double** outputs, int32_t start, int32_t frames);
    bool checkParameters();
    void initPrograms();
    void notifyMidiMapChanged(uint32_t index);

    ParamTable params;
    const char* productName;
    std::unique_ptr<ProgramSlot[]> programs;
    std::vector<uint8_t> chunkBuffer;

    std::unique_ptr<double[]> work;     // block size x 4 channels, or null
    int32_t workFrames = 0;             // block size the work buffers were built for
    double* workIn[kChannels] = {};
    double* workOut[kChannels] = {};

    VstEvents* pendingEvents = nullptr;  // valid until the end of the next process call
    std::atomic<int32_t> learnTarget{-1};
    std::atomic<IParamNotify*> paramListener{nullptr};
    uint8_t checkParams = 0;
    bool needsPrepare = true;
    double beatPos = 0.0;
    float blockTempo = 120.0f;    // for the current process call
    bool blockPlaying = false;
};

/// Makes the product's effect if the processor has SSE2; otherwise tells the
/// user and returns a NullPlug so the host still gets a working effect.
using EffectFactory = Plug* (*)(audioMasterCallback host);
using CpuProbe = bool (*)();
AudioEffect* createEffect(audioMasterCallback host, EffectFactory factory, CpuProbe hasSse2);

/// The stand-in effect on processors without SSE2: one parameter, silence.
class NullPlug final : public Plug {
public:
    explicit NullPlug(audioMasterCallback host);
    void prepare() override {}
    void reset() override {}
    bool processBlock(bool, const BlockTiming&, double**, double** outputs, int32_t frames) override;
    void formatParam(uint32_t, char* text, float) override { text[0] = 0; }
};

}  // namespace PlugCore
