// The VST 2.4 effect frame: owns the AEffect record the host holds and routes
// its calls to virtual operations of the effect object.
#pragma once

#include "formats/vst2/vst2.h"

/// The editor object of an effect, as the frame sees it. [GUI thread]
class AEffEditor {
public:
    virtual ~AEffEditor() = default;
    virtual bool getRect(ERect** rect) = 0;
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() {}
};

/// VST 1 part of the frame: opcodes 0 to 24 and the process entry points.
class AudioEffect {
public:
    AudioEffect(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect; }
    /// The effect behind a record handed out by getAeffect (null for a foreign record).
    static AudioEffect* fromAeffect(AEffect* effect);

    /// Answers one opcode. [GUI thread; effProcessEvents on the audio thread]
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    // ---- [GUI thread] ----
    virtual void open() {}
    virtual void close() {}
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(const char*) {}
    virtual void getProgramName(char* name) { name[0] = 0; }
    virtual void getParameterLabel(VstInt32, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(VstInt32, char* text) { text[0] = 0; }
    virtual void getParameterName(VstInt32, char* text) { text[0] = 0; }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual VstInt32 getChunk(void** data, bool isPreset);
    virtual VstInt32 setChunk(void* data, VstInt32 size, bool isPreset);

    // ---- Parameters: [any thread] (hosts automate from the audio thread) ----
    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }

    // ---- [audio thread] ----
    virtual void process(float** inputs, float** outputs, VstInt32 frames);
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames);
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);

    // ---- [any thread] ----
    AEffEditor* getEditor() const { return editor; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }
    VstInt32 getNumPrograms() const { return numPrograms; }
    VstInt32 getNumParams() const { return numParams; }

    /// One call of the host callback with this effect's record; 0 without a host. [the calling thread]
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

protected:
    /// Takes ownership of the editor; the effect then advertises one. [construction]
    void setEditor(AEffEditor* newEditor);
    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
    void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
    void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    void addFlags(VstInt32 flags) { cEffect.flags |= flags; }

    audioMasterCallback host;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect{};
};

/// VST 2.x part of the frame: opcodes 25 to 79.
class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    /// [audio thread]
    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    // ---- [GUI thread] ----
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text);
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(const char*) { return 0; }
    virtual VstInt32 getVstVersion() { return 2400; }
};
