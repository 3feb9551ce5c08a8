// The CLAP face of a plug-in core: one clap_plugin instance with the
// extensions Vesk2 offers (parameters, state, audio and note ports, latency,
// tail, render, GUI with the host's timer and descriptor support), the host's
// events handed to the core as timed events, and the core's edits handed back
// to the host as gesture and value events.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "core/Plug.h"
#include "formats/clap/clap.h"

namespace Clap {

/// An edit of the plug-in's own (its editor, a state it loaded) on its way to the host.
struct Edit {
    enum Kind : uint8_t { Begin, Value, End } kind;
    uint32_t param;
    float value;
};

/// Edits from the main thread to whichever thread calls process or flush:
/// one writer, one reader, no lock. A full queue drops the edit (the value
/// itself is already in the core).
class EditQueue {
public:
    bool push(const Edit& e);
    bool pop(Edit& e);

private:
    static constexpr uint32_t kSize = 1024;
    std::array<Edit, kSize> slots{};
    std::atomic<uint32_t> head{0}, tail{0};
};

class ClapPlug final : public PlugCore::IHost {
public:
    /// The record the host holds; its plugin_data points back here.
    explicit ClapPlug(const clap_host_t* host);
    ~ClapPlug() override;
    const clap_plugin_t* record() const { return &plugin; }
    /// The instance behind a record handed out by record(), or null for any other.
    static ClapPlug* of(const clap_plugin_t* p);

    static const clap_plugin_descriptor_t descriptor;

    // ---- PlugCore::IHost ----
    void automate(uint32_t index, float value) override;
    void beginEdit(uint32_t index) override;
    void endEdit(uint32_t index) override;
    bool transport(PlugCore::Transport& out) override;
    bool resizeEditor(int32_t width, int32_t height) override;

private:
    friend struct Calls;

    bool init();
    bool activate(double rate, uint32_t maxFrames);
    void deactivate();
    clap_process_status process(const clap_process_t& p);
    void flushEdits(const clap_output_events_t* out);
    void applyOutsideProcess(const clap_input_events_t* in);
    const void* extension(const char* id) const;
    void queue(const Edit& e);
    /// [debug builds] the host's thread check, where it offers one.
    void expectMainThread() const;
    void expectAudioThread() const;

    // gui
    bool guiSupported(const char* api, bool floating) const;
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSetParent(const clap_window_t* window);
    void guiIdle();

    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);

    clap_plugin_t plugin{};
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_posix_fd_support_t* hostFds = nullptr;
    const clap_host_thread_check_t* hostThreads = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    std::unique_ptr<PlugCore::Plug> core;

    bool active = false;
    /// While the core loads a state or starts, its values are not edits of the user's.
    bool quiet = true;
    EditQueue edits;
    const clap_event_transport_t* blockTransport = nullptr;  ///< of the process call running [audio thread]
    bool asleep = false;          ///< the last process call let the host stop calling [audio thread]
    int64_t nextSteady = -1;      ///< the steady time a call without a pause would bring [audio thread]
    std::vector<double> scratch;  ///< single-precision input widened for a 64-bit output [audio thread]

    bool guiMade = false;
    clap_id timer = CLAP_INVALID_ID;
    int descriptorWatched = -1;
};

}  // namespace Clap
