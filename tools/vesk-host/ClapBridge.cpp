#include "tools/vesk-host/ClapBridge.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "formats/clap/clap.h"
#include "tools/vesk-host/BridgedEffect.h"
#include "tools/vesk-host/HostError.h"

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace HostKit {

namespace {

using Clock = std::chrono::steady_clock;

/// One event of either kind the bridge hands over, in a slot big enough for both.
union EventSlot {
    clap_event_header_t header;
    clap_event_midi_t midi;
    clap_event_param_value_t value;
};

class Bridge final : public BridgedEffect<Bridge> {
    friend class BridgedEffect<Bridge>;

public:
    Bridge(audioMasterCallback callback, const std::string& path) : masterCallback(callback)
    {
        hostRecord = {kClapVersion, this, "vesk-host", "Morlenvale", "", "1", getExtension, requestRestart,
                      requestProcess, requestCallback};
        file = path;
    }
    ~Bridge()
    {
        if (plugin) {
            closeGui();
            if (processing) plugin->stop_processing(plugin);
            if (active) plugin->deactivate(plugin);
            plugin->destroy(plugin);
        }
        if (entry) entry->deinit();
    }

    void load(Platform::Library& library)
    {
        entry = static_cast<const clap_plugin_entry_t*>(library.symbol("clap_entry"));
        if (!entry) throw HostError("'" + file + "' is not a CLAP plug-in: it exports no clap_entry");
        if (!clapVersionCompatible(entry->clap_version))
            throw HostError("'" + file + "' speaks CLAP " + std::to_string(entry->clap_version.major) + "." +
                            std::to_string(entry->clap_version.minor) + ", not 1.x");
        if (!entry->init || !entry->init(file.c_str())) {
            entry = nullptr;
            throw HostError("'" + file + "': clap_entry.init refused");
        }
        const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (!factory || factory->get_plugin_count(factory) == 0) throw HostError("'" + file + "' offers no plug-in");
        const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
        if (!d || !d->id) throw HostError("'" + file + "': the first plug-in has no descriptor");
        descriptor = d;
        plugin = factory->create_plugin(factory, &hostRecord, d->id);
        if (!plugin) throw HostError("'" + file + "': the plug-in '" + d->id + "' could not be made");
        if (!plugin->init(plugin)) {
            plugin->destroy(plugin);
            plugin = nullptr;
            throw HostError("'" + file + "': the plug-in refused to start (init)");
        }
        params = ext<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        state = ext<clap_plugin_state_t>(CLAP_EXT_STATE);
        gui = ext<clap_plugin_gui_t>(CLAP_EXT_GUI);
        timers = ext<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
        descriptors = ext<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
        tail = ext<clap_plugin_tail_t>(CLAP_EXT_TAIL);
        const auto* ports = ext<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
        clap_audio_port_info_t port{};
        if (ports && ports->count(plugin, true) > 0 && ports->get(plugin, 0, true, &port)) {
            effect.numInputs = static_cast<VstInt32>(port.channel_count);
            inputName = port.name;
        }
        if (ports && ports->count(plugin, false) > 0 && ports->get(plugin, 0, false, &port)) {
            effect.numOutputs = static_cast<VstInt32>(port.channel_count);
            outputName = port.name;
            if (port.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS) effect.flags |= effFlagsCanDoubleReplacing;
        }
        const auto* notes = ext<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
        clap_note_port_info_t note{};
        takesMidi = notes && notes->count(plugin, true) > 0 && notes->get(plugin, 0, true, &note) &&
                    (note.supported_dialects & CLAP_NOTE_DIALECT_MIDI);
        effect.numParams = params ? static_cast<VstInt32>(params->count(plugin)) : 0;
        effect.flags |= effFlagsCanReplacing;
        if (state) effect.flags |= effFlagsProgramChunks;
        const char* api = nullptr;
        bool floating = true;
        if (gui && gui->get_preferred_api(plugin, &api, &floating) && api && !floating &&
            gui->is_api_supported(plugin, api, false)) {
            windowApi = api;
            effect.flags |= effFlagsHasEditor;
        }
    }

    const clap_plugin_descriptor_t* descriptor = nullptr;
    int64_t slept() const { return sleptBlocks; }


private:
    template <class T>
    const T* ext(const char* id) const
    {
        return static_cast<const T*>(plugin->get_extension(plugin, id));
    }
    VstIntPtr master(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return masterCallback ? masterCallback(&effect, opcode, index, value, ptr, opt) : 0;
    }
    clap_id paramId(VstInt32 index) const
    {
        clap_param_info_t info{};
        if (!params || index < 0 || !params->get_info(plugin, static_cast<uint32_t>(index), &info)) return CLAP_INVALID_ID;
        return info.id;
    }
    static std::string copyText(void* ptr, const std::string& text)
    {
        if (ptr) std::snprintf(static_cast<char*>(ptr), 256, "%s", text.c_str());
        return text;
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
    {
        switch (opcode) {
        case effClose: delete this; return 1;
        case effSetSampleRate: sampleRate = opt; return 0;
        case effSetBlockSize: blockSize = static_cast<uint32_t>(value > 0 ? value : 1); return 0;
        case effMainsChanged:
            if (value && !active) {
                active = plugin->activate(plugin, sampleRate, 1, blockSize);
                if (!active) throw HostError("the plug-in refused to activate at " + std::to_string(sampleRate) + " Hz");
            } else if (!value && active) {
                serviceFlush();
                if (processing) plugin->stop_processing(plugin);
                processing = false;
                plugin->deactivate(plugin);
                active = false;
            }
            return 0;
        case effStartProcess:
            if (active && !processing) processing = plugin->start_processing(plugin);
            return 0;
        case effStopProcess:
            if (processing) plugin->stop_processing(plugin);
            processing = false;
            return 0;
        case effGetEffectName: copyText(ptr, descriptor->name ? descriptor->name : ""); return 1;
        case effGetVendorString: copyText(ptr, descriptor->vendor ? descriptor->vendor : ""); return 1;
        case effGetProductString:
            copyText(ptr, std::string(descriptor->vendor ? descriptor->vendor : "") + " " + descriptor->name);
            return 1;
        case effGetParamName: {
            clap_param_info_t info{};
            if (ptr && params && index >= 0 && params->get_info(plugin, static_cast<uint32_t>(index), &info))
                copyText(ptr, info.name);
            return 0;
        }
        case effGetParamLabel: copyText(ptr, ""); return 0;  // the unit is part of the CLAP text
        case effGetParamDisplay: {
            const clap_id id = paramId(index);
            double v = 0;
            char text[256] = {};
            if (ptr && id != CLAP_INVALID_ID && params->get_value(plugin, id, &v) &&
                params->value_to_text(plugin, id, v, text, sizeof text))
                copyText(ptr, text);
            return 0;
        }
        case effCanDo: return ptr && takesMidi && !std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent");
        case effGetChunk: return ptr ? saveState(static_cast<void**>(ptr)) : 0;
        case effSetChunk: return ptr ? loadState(static_cast<const uint8_t*>(ptr), static_cast<size_t>(value)) : 0;
        case effProcessEvents: pending = static_cast<VstEvents*>(ptr); return 1;
        case effGetTailSize: return tail ? static_cast<VstIntPtr>(tail->get(plugin)) : 0;
        case effGetInputProperties:
        case effGetOutputProperties: return pinProperties(opcode, index, ptr, inputName, outputName);
        case effEditGetRect: return ptr ? editorRect(static_cast<ERect**>(ptr)) : 0;
        case effEditOpen: return openGui(ptr);
        case effEditClose:
            closeGui();
            serviceFlush();  // an edit cut off by the close still reaches the host
            return 0;
        case effEditIdle: idle(); return 0;
        case effVendorSpecific:
            return index == kHostScaleIndex && ensureGui() && gui->set_scale(plugin, static_cast<double>(opt)) ? 1 : 0;
        default: return 0;
        }
    }

    // ---- parameters ----
    void setParameter(VstInt32 index, float value)
    {
        const clap_id id = paramId(index);
        if (id == CLAP_INVALID_ID) return;
        clap_event_param_value_t e{};
        e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        e.param_id = id;
        e.note_id = -1;
        e.port_index = e.channel = e.key = -1;
        e.value = value;
        // Between process calls (one thread runs both here) a flush applies it now.
        InList in{{&e.header}};
        params->flush(plugin, in.record(), outList());
    }
    float getParameter(VstInt32 index)
    {
        const clap_id id = paramId(index);
        double v = 0;
        return id != CLAP_INVALID_ID && params->get_value(plugin, id, &v) ? static_cast<float>(v) : 0.0f;
    }

    // ---- state ----
    VstIntPtr saveState(void** data)
    {
        if (!state) return 0;
        chunk.clear();
        clap_ostream_t stream{this, [](const clap_ostream_t* s, const void* buffer, uint64_t size) -> int64_t {
                                  auto* self = static_cast<Bridge*>(s->ctx);
                                  const auto* b = static_cast<const uint8_t*>(buffer);
                                  self->chunk.insert(self->chunk.end(), b, b + size);
                                  return static_cast<int64_t>(size);
                              }};
        if (!state->save(plugin, &stream) || chunk.empty()) return 0;
        *data = chunk.data();
        return static_cast<VstIntPtr>(chunk.size());
    }
    VstIntPtr loadState(const uint8_t* data, size_t size)
    {
        if (!state) return 0;
        struct Reader {
            const uint8_t* data;
            size_t size, at;
        } reader{data, size, 0};
        clap_istream_t stream{&reader, [](const clap_istream_t* s, void* buffer, uint64_t want) -> int64_t {
                                  auto* r = static_cast<Reader*>(s->ctx);
                                  const size_t n = std::min<size_t>(want, r->size - r->at);
                                  std::memcpy(buffer, r->data + r->at, n);
                                  r->at += n;
                                  return static_cast<int64_t>(n);
                              }};
        lastLoadFailed = !state->load(plugin, &stream);
        return 0;
    }

    // ---- processing ----
    struct InList {
        std::vector<const clap_event_header_t*> events;
        clap_input_events_t list{};
        const clap_input_events_t* record()
        {
            list.ctx = this;
            list.size = [](const clap_input_events_t* l) {
                return static_cast<uint32_t>(static_cast<InList*>(l->ctx)->events.size());
            };
            list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
                auto* self = static_cast<InList*>(l->ctx);
                return i < self->events.size() ? self->events[i] : nullptr;
            };
            return &list;
        }
    };

    const clap_output_events_t* outList()
    {
        out.ctx = this;
        out.try_push = [](const clap_output_events_t* l, const clap_event_header_t* e) {
            static_cast<Bridge*>(l->ctx)->fromPlugin(e);
            return true;
        };
        return &out;
    }

    /// The plug-in's own edits, told to the session as a VST 2.4 plug-in tells them.
    void fromPlugin(const clap_event_header_t* e)
    {
        if (!e || e->space_id != CLAP_CORE_EVENT_SPACE_ID) return;
        if (e->type == CLAP_EVENT_PARAM_VALUE && e->size >= sizeof(clap_event_param_value_t)) {
            const auto* v = reinterpret_cast<const clap_event_param_value_t*>(e);
            master(audioMasterAutomate, static_cast<VstInt32>(v->param_id), 0, nullptr, static_cast<float>(v->value));
        } else if ((e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || e->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                   e->size >= sizeof(clap_event_param_gesture_t)) {
            const auto* g = reinterpret_cast<const clap_event_param_gesture_t*>(e);
            master(e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? audioMasterBeginEdit : audioMasterEndEdit,
                   static_cast<VstInt32>(g->param_id));
        }
    }

    /// Whether a block may be skipped for a sleeping plug-in: no events and silent input.
    bool mayStaySleeping(float** in32, double** in64, VstInt32 frames) const
    {
        if (lastStatus != CLAP_PROCESS_SLEEP || (pending && pending->numEvents > 0) || flushRequested) return false;
        for (VstInt32 c = 0; c < effect.numInputs; ++c)
            for (VstInt32 i = 0; i < frames; ++i)
                if ((in32 && in32[c] && in32[c][i] != 0.0f) || (in64 && in64[c] && in64[c][i] != 0.0)) return false;
        return true;
    }

    void process(float** in32, float** out32, double** in64, double** out64, VstInt32 frames)
    {
        if (!processing || frames < 0) return;
        if (mayStaySleeping(in32, in64, frames)) {
            // As a host that lets a sleeping plug-in be: silence out, no call.
            for (VstInt32 c = 0; c < effect.numOutputs; ++c)
                for (VstInt32 i = 0; i < frames; ++i) {
                    if (out32 && out32[c]) out32[c][i] = 0.0f;
                    if (out64 && out64[c]) out64[c][i] = 0.0;
                }
            steady += frames;
            ++sleptBlocks;
            return;
        }
        // The session's events as CLAP events, in frame order.
        slots.clear();
        VstEvents* list = pending;
        pending = nullptr;
        const VstInt32 count = list ? list->numEvents : 0;
        for (VstInt32 k = 0; k < count; ++k) {
            const VstEvent* v = (&list->events[0])[k];
            if (!v) continue;
            EventSlot s{};
            const uint32_t at = static_cast<uint32_t>(std::max<VstInt32>(v->deltaFrames, 0));
            if (v->type == kVstMidiType) {
                const auto* m = reinterpret_cast<const VstMidiEvent*>(v);
                s.midi.header = {sizeof s.midi, at, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
                for (int i = 0; i < 3; ++i) s.midi.data[i] = static_cast<uint8_t>(m->midiData[i]);
            } else if (v->type == kHostParamEventType) {
                const auto* p = reinterpret_cast<const HostParamEvent*>(v);
                const clap_id id = paramId(p->index);
                if (id == CLAP_INVALID_ID) continue;
                s.value.header = {sizeof s.value, at, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
                s.value.param_id = id;
                s.value.note_id = -1;
                s.value.port_index = s.value.channel = s.value.key = -1;
                s.value.value = p->value;
            } else {
                continue;
            }
            slots.push_back(s);
        }
        std::stable_sort(slots.begin(), slots.end(),
                         [](const EventSlot& a, const EventSlot& b) { return a.header.time < b.header.time; });
        InList in;
        for (const EventSlot& s : slots) in.events.push_back(&s.header);

        clap_event_transport_t transport{};
        const auto* time = reinterpret_cast<const VstTimeInfo*>(
            master(audioMasterGetTime, 0, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid));
        clap_process_t p{};
        p.steady_time = steady;
        p.frames_count = static_cast<uint32_t>(frames);
        if (time) {
            transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
            if (time->flags & kVstTempoValid) transport.flags |= CLAP_TRANSPORT_HAS_TEMPO, transport.tempo = time->tempo;
            if (time->flags & kVstTransportPlaying) transport.flags |= CLAP_TRANSPORT_IS_PLAYING;
            if (time->flags & kVstPpqPosValid) {
                transport.flags |= CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
                transport.song_pos_beats = std::llround(time->ppqPos * static_cast<double>(CLAP_BEATTIME_FACTOR));
            }
            p.transport = &transport;
        }
        clap_audio_buffer_t input{in32, in64, static_cast<uint32_t>(effect.numInputs), 0, 0};
        clap_audio_buffer_t output{out32, out64, static_cast<uint32_t>(effect.numOutputs), 0, 0};
        p.audio_inputs = &input;
        p.audio_outputs = &output;
        p.audio_inputs_count = effect.numInputs > 0 ? 1 : 0;
        p.audio_outputs_count = 1;
        p.in_events = in.record();
        p.out_events = outList();
        lastStatus = plugin->process(plugin, &p);
        steady += frames;
        flushRequested = false;  // process took the plug-in's edits
    }

    // ---- the editor ----
    bool ensureGui()
    {
        if (guiMade) return true;
        if (!(effect.flags & effFlagsHasEditor)) return false;
        guiMade = gui->create(plugin, windowApi.c_str(), false);
        return guiMade;
    }
    VstIntPtr editorRect(ERect** rect)
    {
        uint32_t w = 0, h = 0;
        if (!ensureGui() || !gui->get_size(plugin, &w, &h)) return 0;
        area = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        *rect = &area;
        return 1;
    }
    VstIntPtr openGui(void* parent)
    {
        if (!ensureGui()) return 0;
        clap_window_t window{};
        window.api = windowApi.c_str();
        if (windowApi == CLAP_WINDOW_API_X11)
            window.x11 = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
        else
            window.win32 = parent;
        if (!gui->set_parent(plugin, &window)) return 0;
        gui->show(plugin);
        return 1;
    }
    void closeGui()
    {
        if (!guiMade) return;
        gui->destroy(plugin);
        guiMade = false;
    }
    /// A flush the plug-in asked for, as a host's main loop gives it.
    void serviceFlush()
    {
        if (!flushRequested || !params) return;
        flushRequested = false;
        InList none;
        params->flush(plugin, none.record(), outList());
    }
    void idle()
    {
        serviceFlush();
        const Clock::time_point now = Clock::now();
        for (Timer& t : timerList)
            if (now >= t.due && timers) {
                t.due = now + std::chrono::milliseconds(t.period);
                timers->on_timer(plugin, t.id);
            }
#if !defined(_WIN32)
        for (int fd : fdList) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 0) > 0 && descriptors) descriptors->on_fd(plugin, fd, CLAP_POSIX_FD_READ);
        }
#endif
    }

    // ---- what the plug-in asks of the host ----
    static Bridge* self(const clap_host_t* h) { return h ? static_cast<Bridge*>(h->host_data) : nullptr; }
    static const void* getExtension(const clap_host_t*, const char* name)
    {
        static const clap_host_params_t params = {
            [](const clap_host_t*, uint32_t) {}, [](const clap_host_t*, clap_id, uint32_t) {},
            [](const clap_host_t* host) {
                if (Bridge* b = self(host)) b->flushRequested = true;
            }};
        static const clap_host_state_t state = {[](const clap_host_t*) {}};
        static const clap_host_timer_support_t timerSupport = {
            [](const clap_host_t* host, uint32_t ms, clap_id* id) {
                Bridge* b = self(host);
                if (!b || !id) return false;
                *id = b->nextTimer++;
                b->timerList.push_back({*id, std::max<uint32_t>(ms, 1), Clock::now()});
                return true;
            },
            [](const clap_host_t* host, clap_id id) {
                Bridge* b = self(host);
                if (!b) return false;
                auto& l = b->timerList;
                const auto at = std::remove_if(l.begin(), l.end(), [id](const Timer& t) { return t.id == id; });
                const bool found = at != l.end();
                l.erase(at, l.end());
                return found;
            }};
        static const clap_host_posix_fd_support_t fdSupport = {
            [](const clap_host_t* host, int fd, uint32_t) {
                Bridge* b = self(host);
                if (!b || fd < 0) return false;
                b->fdList.push_back(fd);
                return true;
            },
            [](const clap_host_t*, int, uint32_t) { return true; },
            [](const clap_host_t* host, int fd) {
                Bridge* b = self(host);
                if (!b) return false;
                b->fdList.erase(std::remove(b->fdList.begin(), b->fdList.end(), fd), b->fdList.end());
                return true;
            }};
        static const clap_host_thread_check_t threads = {[](const clap_host_t*) { return true; },
                                                         [](const clap_host_t*) { return true; }};
        static const clap_host_gui_t hostGui = {
            [](const clap_host_t*) {},
            [](const clap_host_t* host, uint32_t width, uint32_t height) {
                // The session's window follows, as for a VST 2.4 editor's audioMasterSizeWindow.
                Bridge* b = self(host);
                return b && b->master(audioMasterSizeWindow, static_cast<VstInt32>(width), height) != 0;
            },
            [](const clap_host_t*) { return false; }, [](const clap_host_t*) { return false; },
            [](const clap_host_t*, bool) {}};
        if (!name) return nullptr;
        if (!std::strcmp(name, CLAP_EXT_PARAMS)) return &params;
        if (!std::strcmp(name, CLAP_EXT_STATE)) return &state;
        if (!std::strcmp(name, CLAP_EXT_TIMER_SUPPORT)) return &timerSupport;
        if (!std::strcmp(name, CLAP_EXT_THREAD_CHECK)) return &threads;
        if (!std::strcmp(name, CLAP_EXT_GUI)) return &hostGui;
#if !defined(_WIN32)
        if (!std::strcmp(name, CLAP_EXT_POSIX_FD_SUPPORT)) return &fdSupport;
#endif
        (void)fdSupport;
        return nullptr;
    }
    static void requestRestart(const clap_host_t*) {}
    static void requestProcess(const clap_host_t*) {}
    static void requestCallback(const clap_host_t* h)
    {
        if (Bridge* b = self(h)) b->plugin->on_main_thread(b->plugin);
    }

    struct Timer {
        clap_id id;
        uint32_t period;
        Clock::time_point due;
    };

    audioMasterCallback masterCallback;
    std::string file;
    clap_host_t hostRecord{};
    const clap_plugin_entry_t* entry = nullptr;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timers = nullptr;
    const clap_plugin_posix_fd_support_t* descriptors = nullptr;
    const clap_plugin_tail_t* tail = nullptr;
    std::string inputName = "Main", outputName = "Main", windowApi;
    bool takesMidi = false, active = false, processing = false, guiMade = false, flushRequested = false;
    bool lastLoadFailed = false;
    int64_t sleptBlocks = 0;  ///< blocks not handed to the plug-in because it slept
    double sampleRate = 44100.0;
    uint32_t blockSize = 512;
    int64_t steady = 0;
    clap_process_status lastStatus = CLAP_PROCESS_CONTINUE;
    VstEvents* pending = nullptr;
    std::vector<EventSlot> slots;
    std::vector<uint8_t> chunk;
    clap_output_events_t out{};
    ERect area{};
    std::vector<Timer> timerList;
    std::vector<int> fdList;
    clap_id nextTimer = 1;
};

}  // namespace

AEffect* openClapPlugin(Platform::Library& library, const std::string& path, audioMasterCallback host)
{
    auto* bridge = new Bridge(host, path);
    try {
        bridge->load(library);
    } catch (...) {
        delete bridge;
        throw;
    }
    return &bridge->effect;
}

int64_t clapSleptBlocks(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b ? b->slept() : 0;
}

std::string clapPluginId(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b && b->descriptor && b->descriptor->id ? b->descriptor->id : "";
}

std::string clapPluginVersion(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b && b->descriptor && b->descriptor->version ? b->descriptor->version : "";
}

std::string clapPluginFeatures(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    std::string joined;
    if (b && b->descriptor && b->descriptor->features)
        for (const char* const* f = b->descriptor->features; *f; ++f) {
            if (!joined.empty()) joined += '|';
            joined += *f;
        }
    return joined;
}

}  // namespace HostKit
