// The VST 2.4 face of a plug-in core: the effect frame's operations answered
// by the core, the core's host reached through audioMaster callbacks, the
// host's event lists handed over as timed events, and the core's editor
// behind effEditOpen and its neighbours.
#pragma once

#include <vector>

#include "core/Plug.h"
#include "formats/vst2/AudioEffect.h"

namespace Vst2 {

class alignas(16) Vst2Plug final : public AudioEffectX, public PlugCore::IHost {
public:
    /// The frame and the host's callbacks, before any core: the core is made
    /// with this as its host (it may tell the host things while it starts).
    explicit Vst2Plug(audioMasterCallback host);
    /// Deletes the core when it owns it.
    ~Vst2Plug() override;

    /// Fills the record from core (counts, identifier, flags, editor) and
    /// becomes its host; owned: the core goes with this object. Calling it
    /// again for the same core refreshes the record. [construction]
    void attach(PlugCore::Plug* core, bool owned);
    PlugCore::Plug* core() const { return plug; }

    // ---- the frame's operations ----
    void setProgram(VstInt32 program) override;
    VstInt32 getProgram() override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void suspend() override;
    void resume() override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 frames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getInputProperties(VstInt32 index, VstPinProperties* props) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* props) override;
    bool getEffectName(char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    VstInt32 canDo(const char* text) override;

    // ---- PlugCore::IHost ----
    void automate(uint32_t index, float value) override;
    void beginEdit(uint32_t index) override;
    void endEdit(uint32_t index) override;
    bool transport(PlugCore::Transport& out) override;
    bool resizeEditor(int32_t width, int32_t height) override;

private:
    /// The events effProcessEvents kept, and a process call that takes them over.
    VstEvents* takeEvents();
    bool pinProperties(bool input, VstInt32 index, VstPinProperties* props);

    PlugCore::Plug* plug = nullptr;
    bool owns = false;
    VstEvents* pendingEvents = nullptr;  ///< valid until the end of the next process call [audio thread]
    std::vector<uint8_t> chunk;          ///< what effGetChunk handed out, until the next call
};

/// One instance for a VST 2.4 host: the frame, then the core make makes for
/// it, then the core attached; null when nothing was made.
AudioEffect* instantiate(audioMasterCallback host, PlugCore::Plug* (*make)(PlugCore::IHost* host));

}  // namespace Vst2
