// One VST 2.4 plug-in instance driven the way a DAW drives it: loaded through
// its exported entry, opened, given a sample rate and block size, switched on,
// fed blocks, switched off and closed. The session is also the host side of
// the plug-in's callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/vst2.h"
#include "platform/library.h"
#include "tools/vesk-host/Transport.h"

namespace HostKit {

/// audioMasterGetCurrentProcessLevel answers.
enum ProcessLevel : VstInt32 {
    kProcessLevelUnknown = 0,
    kProcessLevelUser = 1,      ///< the host's main thread
    kProcessLevelRealtime = 2,  ///< a live audio thread
    kProcessLevelOffline = 4,   ///< rendering offline
};

struct HostSettings {
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    double tempo = 120.0;
    /// What process calls report as their level (offline renders vs. live benchmarks).
    ProcessLevel processLevel = kProcessLevelOffline;
    /// Every host callback is written to stderr.
    bool trace = false;
};

struct AutomationRecord {
    int32_t index;
    float value;
};

/// Whether path names a CLAP plug-in (by its ending, as hosts tell formats apart).
bool isClapFile(const std::string& path);

class PluginSession {
public:
    /// Loads the binary, calls its entry (VSTPluginMain, else main; for a
    /// .clap file clap_entry through the CLAP bridge, for a .vst3 bundle its
    /// factory through the VST3 bridge) with our callback,
    /// checks the record, then effOpen, effSetSampleRate and effSetBlockSize.
    /// HostError when any step fails.
    PluginSession(const std::string& path, const HostSettings& settings);
    /// Switches the plug-in off if it is on, effClose, unloads the binary.
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    /// "VST 2.4", or "CLAP" or "VST3" for a plug-in driven through the same record.
    const std::string& format() const { return formatName; }
    /// The CLAP plug-in's identifier or the VST3 class id; "" for VST 2.4.
    std::string identifier();
    /// A CLAP or VST3 plug-in's version text and features or sub-categories; else "".
    std::string versionText();
    std::string categoryText();
    /// Whether the plug-in takes parameter values at a frame inside a block
    /// (HostParamEvent); VST 2.4 plug-ins get them between blocks instead.
    bool takesTimedParameters() const { return formatName != "VST 2.4"; }
    /// Blocks a CLAP plug-in slept through (the bridge did not call it); 0 for the others.
    int64_t sleptBlocks();
    /// Blocks whose output a VST3 plug-in flagged as silent; 0 for the others.
    int64_t silentBlocks();

    AEffect& effect() { return *fx; }
    const AEffect& effect() const { return *fx; }
    const std::string& path() const { return file; }
    const HostSettings& settings() const { return config; }
    Transport& transport() { return clock; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    /// The text a text opcode writes, read from a generous zeroed buffer.
    std::string text(VstInt32 opcode, VstInt32 index = 0);

    int32_t numParams() const { return fx->numParams; }
    int32_t numPrograms() const { return fx->numPrograms; }
    bool hasFlag(VstInt32 flag) const { return (fx->flags & flag) != 0; }
    std::string paramName(int32_t index) { return text(effGetParamName, index); }
    std::string paramLabel(int32_t index) { return text(effGetParamLabel, index); }
    std::string paramDisplay(int32_t index) { return text(effGetParamDisplay, index); }
    float getParameter(int32_t index) { return fx->getParameter(fx, index); }
    void setParameter(int32_t index, float value) { fx->setParameter(fx, index, value); }
    /// A program's name: effGetProgramNameIndexed, else "" when the plug-in does not answer it.
    std::string programName(int32_t index);

    /// Finds a parameter by index ("3") or by name (exact, else ignoring case
    /// and surrounding blanks). HostError for an unknown or ambiguous name.
    int32_t findParameter(const std::string& wanted);

    /// effGetChunk: program form (isProgram) or bank form. HostError when the
    /// plug-in has no chunks or hands out none.
    std::vector<uint8_t> getChunk(bool isProgram);
    /// effSetChunk with the bytes (kept alive for the plug-in during the call).
    void setChunk(const std::vector<uint8_t>& chunk, bool isProgram);

    /// effMainsChanged(1) and effStartProcess; starts the transport at sample 0.
    void resume();
    /// effStopProcess and effMainsChanged(0); stops the transport.
    void suspend();
    bool isResumed() const { return resumed; }

    /// effProcessEvents; the list must stay valid through the next process call.
    void sendEvents(VstEvents* events);
    /// One block through processReplacing (or the accumulating process on
    /// plug-ins without it; outputs must then hold zeros). Advances the transport.
    void process(float** inputs, float** outputs, int32_t frames);
    /// One block through processDoubleReplacing. HostError on plug-ins without it.
    void processDouble(double** inputs, double** outputs, int32_t frames);

    // What the plug-in told the host.
    std::vector<AutomationRecord> automation;  ///< audioMasterAutomate
    std::vector<int32_t> beginEdits;           ///< audioMasterBeginEdit
    std::vector<int32_t> endEdits;             ///< audioMasterEndEdit
    int32_t ioChanges = 0;                     ///< audioMasterIOChanged
    int32_t sizeWindowWidth = 0, sizeWindowHeight = 0;  ///< the last audioMasterSizeWindow
    int32_t sizeWindowRequests = 0;                     ///< how many came
    bool refuseSizeWindow = false;                      ///< answer them with 0
    bool editorWindow = false;                          ///< an editor's window exists that can be resized
    int32_t eventsFromPlugin = 0;              ///< events sent with audioMasterProcessEvents

    /// The session answering the callback now (the newest one alive), or null.
    static PluginSession* current();
    /// The callback handed to plug-ins; it answers for current().
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::string file;
    std::string folder;
    std::string formatName = "VST 2.4";
    HostSettings config;
    Platform::Library library;
    AEffect* fx = nullptr;
    PluginSession* previous = nullptr;
    Transport clock;
    VstTimeInfo timeInfo{};
    bool resumed = false;
    bool inProcess = false;
};

}  // namespace HostKit
