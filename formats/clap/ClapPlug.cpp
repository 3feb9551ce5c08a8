#include "formats/clap/ClapPlug.h"

#include <cassert>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace Clap {

namespace {

constexpr size_t kStateLimit = 16 * 1024 * 1024;  // far beyond any state of ours; more is no state of ours

const char* const kFeatures[] = {"audio-effect", "reverb", "stereo", nullptr};

bool isCore(const clap_event_header_t* h) { return h && h->space_id == CLAP_CORE_EVENT_SPACE_ID; }

template <class Event>
const Event* as(const clap_event_header_t* h)
{
    return h->size >= sizeof(Event) ? reinterpret_cast<const Event*>(h) : nullptr;
}

/// The host's events of one process call as the core reads timed events:
/// parameter values, MIDI messages, and notes as MIDI note messages.
class InputEvents final : public PlugCore::IEventList {
public:
    explicit InputEvents(const clap_input_events_t* l) : list(l) {}
    int32_t size() const override
    {
        if (!list || !list->size) return 0;
        const uint32_t n = list->size(list);
        return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
    }
    PlugCore::TimedEvent at(int32_t k) const override
    {
        PlugCore::TimedEvent t;
        const clap_event_header_t* h = list->get ? list->get(list, static_cast<uint32_t>(k)) : nullptr;
        if (!h) return t;
        t.frame = h->time > INT32_MAX ? INT32_MAX : static_cast<int32_t>(h->time);
        if (!isCore(h)) return t;
        switch (h->type) {
        case CLAP_EVENT_PARAM_VALUE:
            if (const auto* e = as<clap_event_param_value_t>(h)) {
                t.kind = PlugCore::TimedEvent::Kind::Param;
                t.param = e->param_id;
                t.value = static_cast<float>(e->value);
            }
            break;
        case CLAP_EVENT_PARAM_MOD:
            // Only the whole effect's parameters: there are no voices to modulate one by one.
            if (const auto* e = as<clap_event_param_mod_t>(h); e && e->note_id < 0 && e->key < 0) {
                t.kind = PlugCore::TimedEvent::Kind::Modulation;
                t.param = e->param_id;
                t.value = static_cast<float>(e->amount);
            }
            break;
        case CLAP_EVENT_MIDI:
            if (const auto* e = as<clap_event_midi_t>(h)) {
                t.kind = PlugCore::TimedEvent::Kind::Midi;
                std::memcpy(t.midi, e->data, 3);
            }
            break;
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
            if (const auto* e = as<clap_event_note_t>(h); e && e->key >= 0 && e->key < 128) {
                const double v = e->velocity * 127.0;
                t.kind = PlugCore::TimedEvent::Kind::Midi;
                t.midi[0] = static_cast<uint8_t>((h->type == CLAP_EVENT_NOTE_ON ? 0x90 : 0x80) | (e->channel & 0x0F));
                t.midi[1] = static_cast<uint8_t>(e->key);
                t.midi[2] = static_cast<uint8_t>(v >= 127.0 ? 127 : v >= 1.0 ? v : h->type == CLAP_EVENT_NOTE_ON);
            }
            break;
        default: break;
        }
        return t;
    }

private:
    const clap_input_events_t* list;
};

clap_event_header_t header(uint32_t size, uint16_t type)
{
    return {size, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

}  // namespace

// ---- the edit queue ----------------------------------------------------------------

bool EditQueue::push(const Edit& e)
{
    const uint32_t t = tail.load(std::memory_order_relaxed);
    if (t - head.load(std::memory_order_acquire) == kSize) return false;
    slots[t % kSize] = e;
    tail.store(t + 1, std::memory_order_release);
    return true;
}

bool EditQueue::pop(Edit& e)
{
    const uint32_t h = head.load(std::memory_order_relaxed);
    if (h == tail.load(std::memory_order_acquire)) return false;
    e = slots[h % kSize];
    head.store(h + 1, std::memory_order_release);
    return true;
}

// ---- the C entry points of an instance ---------------------------------------------

struct Calls {
    static ClapPlug* self(const clap_plugin_t* p) { return ClapPlug::of(p); }

    static bool init(const clap_plugin_t* p) { return self(p) && self(p)->init(); }
    static void destroy(const clap_plugin_t* p) { delete self(p); }
    static bool activate(const clap_plugin_t* p, double rate, uint32_t, uint32_t maxFrames)
    {
        return self(p) && self(p)->activate(rate, maxFrames);
    }
    static void deactivate(const clap_plugin_t* p)
    {
        if (ClapPlug* s = self(p)) s->deactivate();
    }
    static bool startProcessing(const clap_plugin_t* p)
    {
        const ClapPlug* s = self(p);
        return s && s->active;
    }
    static void stopProcessing(const clap_plugin_t*) {}
    static void reset(const clap_plugin_t* p)
    {
        ClapPlug* s = self(p);
        if (s && s->active) s->core->reset();
    }
    static clap_process_status process(const clap_plugin_t* p, const clap_process_t* proc)
    {
        ClapPlug* s = self(p);
        return s && proc ? s->process(*proc) : CLAP_PROCESS_ERROR;
    }
    static const void* extension(const clap_plugin_t* p, const char* id)
    {
        const ClapPlug* s = self(p);
        return s && id ? s->extension(id) : nullptr;
    }
    static void onMainThread(const clap_plugin_t*) {}

    // parameters
    static PlugCore::Plug* core(const clap_plugin_t* p)
    {
        ClapPlug* s = self(p);
        return s ? s->core.get() : nullptr;
    }
    static bool known(PlugCore::Plug* c, clap_id id) { return c && id < c->paramCount(); }
    static uint32_t paramCount(const clap_plugin_t* p)
    {
        PlugCore::Plug* c = core(p);
        return c ? c->paramCount() : 0;
    }
    static bool paramInfo(const clap_plugin_t* p, uint32_t index, clap_param_info_t* info)
    {
        PlugCore::Plug* c = core(p);
        if (!known(c, index) || !info) return false;
        *info = {};
        info->id = index;  // the index: stable in every version
        info->flags = CLAP_PARAM_IS_AUTOMATABLE;
        char name[64] = {};
        c->getParameterName(static_cast<int32_t>(index), name);
        std::snprintf(info->name, sizeof info->name, "%s", name);
        if (c->param(index).stepCount == 1) info->flags |= CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM;  // 0 or 1
        if (c->param(index).flags & PlugCore::kParamModulatable) info->flags |= CLAP_PARAM_IS_MODULATABLE;
        info->min_value = 0.0;
        info->max_value = 1.0;
        info->default_value = c->param(index).defaultValue;
        return true;
    }
    static bool paramValue(const clap_plugin_t* p, clap_id id, double* out)
    {
        PlugCore::Plug* c = core(p);
        if (!known(c, id) || !out) return false;
        *out = c->getParameter(static_cast<int32_t>(id));
        return true;
    }
    static bool valueToText(const clap_plugin_t* p, clap_id id, double value, char* out, uint32_t capacity)
    {
        PlugCore::Plug* c = core(p);
        if (!known(c, id) || !out || capacity == 0) return false;
        const float raw = value >= 1.0 ? 1.0f : value >= 0.0 ? static_cast<float>(value) : 0.0f;  // NaN too
        char text[256] = {};
        c->formatParamWithLabel(id, raw, text);
        std::snprintf(out, capacity, "%s", text);
        return true;
    }
    static bool textToValue(const clap_plugin_t* p, clap_id id, const char* text, double* out)
    {
        PlugCore::Plug* c = core(p);
        float v = 0;
        if (!known(c, id) || !text || !out || !c->parseParam(id, text, v)) return false;
        *out = v;
        return true;
    }
    static void flush(const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out)
    {
        ClapPlug* s = self(p);
        if (!s || !s->core) return;
        s->applyOutsideProcess(in);
        s->flushEdits(out);
    }

    // ports
    static uint32_t audioPortCount(const clap_plugin_t*, bool) { return 1; }
    static bool audioPort(const clap_plugin_t* p, uint32_t index, bool input, clap_audio_port_info_t* info)
    {
        PlugCore::Plug* c = core(p);
        if (!c || index != 0 || !info) return false;
        *info = {};
        info->id = 0;
        std::snprintf(info->name, sizeof info->name, "%s", input ? c->getInputPairName(0) : c->getOutputPairName(0));
        info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS;
        info->channel_count = PlugCore::Plug::kChannels;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = 0;  // input and output may share their buffers
        return true;
    }
    static uint32_t notePortCount(const clap_plugin_t*, bool input) { return input ? 1 : 0; }
    static bool notePort(const clap_plugin_t*, uint32_t index, bool input, clap_note_port_info_t* info)
    {
        if (index != 0 || !input || !info) return false;
        *info = {};
        info->id = 0;
        info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
        info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
        std::snprintf(info->name, sizeof info->name, "MIDI in");
        return true;
    }

    // state, latency, tail, render
    static bool save(const clap_plugin_t* p, const clap_ostream_t* stream)
    {
        ClapPlug* s = self(p);
        return s && s->core && stream && s->saveState(stream);
    }
    static bool load(const clap_plugin_t* p, const clap_istream_t* stream)
    {
        ClapPlug* s = self(p);
        return s && s->core && stream && s->loadState(stream);
    }
    static uint32_t latency(const clap_plugin_t* p)
    {
        PlugCore::Plug* c = core(p);
        const int32_t frames = c ? c->getLatency() : 0;
        return frames > 0 ? static_cast<uint32_t>(frames) : 0;
    }
    static uint32_t tail(const clap_plugin_t* p)
    {
        PlugCore::Plug* c = core(p);
        return c ? c->tailFrames() : 0;
    }
    static bool hardRealtime(const clap_plugin_t*) { return false; }
    static bool renderMode(const clap_plugin_t*, int32_t mode)
    {
        return mode == CLAP_RENDER_REALTIME || mode == CLAP_RENDER_OFFLINE;  // the same sound either way
    }

    // gui
    static bool guiSupported(const clap_plugin_t* p, const char* api, bool floating)
    {
        ClapPlug* s = self(p);
        return s && s->guiSupported(api, floating);
    }
    static bool guiPreferred(const clap_plugin_t* p, const char** api, bool* floating)
    {
        ClapPlug* s = self(p);
        PlugCore::IEditor* e = s && s->core ? s->core->getEditor() : nullptr;
        if (!e || !api || !floating) return false;
        *api = e->windowSystemName();
        *floating = false;
        return true;
    }
    static bool guiCreate(const clap_plugin_t* p, const char* api, bool floating)
    {
        ClapPlug* s = self(p);
        return s && s->guiCreate(api, floating);
    }
    static void guiDestroy(const clap_plugin_t* p)
    {
        if (ClapPlug* s = self(p)) s->guiDestroy();
    }
    static bool guiScale(const clap_plugin_t* p, double scale)
    {
        // win32 and x11 count window pixels: the editor draws at the host's scale.
        ClapPlug* s = self(p);
        return s && s->guiMade && s->core->getEditor()->setHostScale(scale);
    }
    static bool guiSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height)
    {
        ClapPlug* s = self(p);
        int32_t w = 0, h = 0;
        if (!s || !s->guiMade || !width || !height || !s->core->getEditor()->getSize(w, h)) return false;
        *width = static_cast<uint32_t>(w);
        *height = static_cast<uint32_t>(h);
        return true;
    }
    static bool guiCanResize(const clap_plugin_t*) { return false; }
    static bool guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }
    static bool guiAdjustSize(const clap_plugin_t*, uint32_t*, uint32_t*) { return false; }
    static bool guiSetSize(const clap_plugin_t* p, uint32_t width, uint32_t height)
    {
        uint32_t w = 0, h = 0;
        return guiSize(p, &w, &h) && w == width && h == height;  // a fixed size
    }
    static bool guiSetParent(const clap_plugin_t* p, const clap_window_t* window)
    {
        ClapPlug* s = self(p);
        return s && s->guiSetParent(window);
    }
    static bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) { return false; }
    static void guiSuggestTitle(const clap_plugin_t*, const char*) {}
    static bool guiShow(const clap_plugin_t* p) { return guiVisible(p, true); }
    static bool guiHide(const clap_plugin_t* p) { return guiVisible(p, false); }
    static bool guiVisible(const clap_plugin_t* p, bool visible)
    {
        ClapPlug* s = self(p);
        if (!s || !s->guiMade) return false;
        s->core->getEditor()->setVisible(visible);
        return true;
    }
    static void onTimer(const clap_plugin_t* p, clap_id id)
    {
        ClapPlug* s = self(p);
        if (s && id == s->timer) s->guiIdle();
    }
    static void onDescriptor(const clap_plugin_t* p, int fd, uint32_t)
    {
        ClapPlug* s = self(p);
        if (s && fd == s->descriptorWatched) s->guiIdle();
    }
};

namespace {

const clap_plugin_params_t kParams = {Calls::paramCount, Calls::paramInfo,   Calls::paramValue,
                                      Calls::valueToText, Calls::textToValue, Calls::flush};
const clap_plugin_audio_ports_t kAudioPorts = {Calls::audioPortCount, Calls::audioPort};
const clap_plugin_note_ports_t kNotePorts = {Calls::notePortCount, Calls::notePort};
const clap_plugin_state_t kState = {Calls::save, Calls::load};
const clap_plugin_latency_t kLatency = {Calls::latency};
const clap_plugin_tail_t kTail = {Calls::tail};
const clap_plugin_render_t kRender = {Calls::hardRealtime, Calls::renderMode};
const clap_plugin_gui_t kGui = {Calls::guiSupported,   Calls::guiPreferred,    Calls::guiCreate,      Calls::guiDestroy,
                                Calls::guiScale,       Calls::guiSize,         Calls::guiCanResize,   Calls::guiResizeHints,
                                Calls::guiAdjustSize,  Calls::guiSetSize,      Calls::guiSetParent,   Calls::guiSetTransient,
                                Calls::guiSuggestTitle, Calls::guiShow,        Calls::guiHide};
const clap_plugin_timer_support_t kTimers = {Calls::onTimer};
const clap_plugin_posix_fd_support_t kDescriptors = {Calls::onDescriptor};

}  // namespace

const clap_plugin_descriptor_t ClapPlug::descriptor = {
    kClapVersion,
    "com.morlenvale.vesk2",
    "Vesk2",
    PlugCore::Plug::kVendor,
    PlugCore::Plug::kWebSite,
    "",
    "",
    VESK_VERSION_STRING,
    "A stereo room reverb: a sixteen-line feedback delay network",
    kFeatures,
};

// ---- the instance -----------------------------------------------------------------

ClapPlug::ClapPlug(const clap_host_t* h) : host(h)
{
    plugin.desc = &descriptor;
    plugin.plugin_data = this;
    plugin.init = Calls::init;
    plugin.destroy = Calls::destroy;
    plugin.activate = Calls::activate;
    plugin.deactivate = Calls::deactivate;
    plugin.start_processing = Calls::startProcessing;
    plugin.stop_processing = Calls::stopProcessing;
    plugin.reset = Calls::reset;
    plugin.process = Calls::process;
    plugin.get_extension = Calls::extension;
    plugin.on_main_thread = Calls::onMainThread;
}

ClapPlug::~ClapPlug()
{
    guiDestroy();
    plugin.plugin_data = nullptr;
}

ClapPlug* ClapPlug::of(const clap_plugin_t* p)
{
    if (!p || p->desc != &descriptor) return nullptr;
    return static_cast<ClapPlug*>(p->plugin_data);
}

bool ClapPlug::init()
{
    if (core) return true;
    auto find = [this](const char* id) { return host->get_extension ? host->get_extension(host, id) : nullptr; };
    hostParams = static_cast<const clap_host_params_t*>(find(CLAP_EXT_PARAMS));
    hostState = static_cast<const clap_host_state_t*>(find(CLAP_EXT_STATE));
    hostTimers = static_cast<const clap_host_timer_support_t*>(find(CLAP_EXT_TIMER_SUPPORT));
    hostFds = static_cast<const clap_host_posix_fd_support_t*>(find(CLAP_EXT_POSIX_FD_SUPPORT));
    hostThreads = static_cast<const clap_host_thread_check_t*>(find(CLAP_EXT_THREAD_CHECK));
    hostGui = static_cast<const clap_host_gui_t*>(find(CLAP_EXT_GUI));
    expectMainThread();
    quiet = true;  // the defaults the effect starts from are no edits
    try {
        core.reset(PlugCore::createPlugInstance(this));
    } catch (...) {
        core.reset();
    }
    quiet = false;
    return core != nullptr;
}

void ClapPlug::expectMainThread() const
{
#ifndef NDEBUG
    assert(!hostThreads || !hostThreads->is_main_thread || hostThreads->is_main_thread(host));
#endif
}

void ClapPlug::expectAudioThread() const
{
#ifndef NDEBUG
    assert(!hostThreads || !hostThreads->is_audio_thread || hostThreads->is_audio_thread(host));
#endif
}

bool ClapPlug::activate(double rate, uint32_t maxFrames)
{
    expectMainThread();
    if (!core || active || !(rate > 0.0) || maxFrames == 0 || maxFrames > INT32_MAX) return false;
    try {
        scratch.assign(size_t{maxFrames} * PlugCore::Plug::kChannels, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!core->setBlockSize(static_cast<int32_t>(maxFrames))) return false;
    core->setSampleRate(static_cast<float>(rate));
    core->resume();
    active = true;
    return true;
}

void ClapPlug::deactivate()
{
    expectMainThread();
    if (!active) return;
    active = false;
    asleep = false;
    nextSteady = -1;
    core->suspend();
}

clap_process_status ClapPlug::process(const clap_process_t& p)
{
    expectAudioThread();
    if (!active) return CLAP_PROCESS_ERROR;
    const InputEvents events(p.in_events);
    const int32_t frames = p.frames_count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(p.frames_count);
    clap_audio_buffer_t* out = p.audio_outputs_count ? p.audio_outputs : nullptr;
    const clap_audio_buffer_t* in = p.audio_inputs_count ? p.audio_inputs : nullptr;
    if (!out || out->channel_count < PlugCore::Plug::kChannels || frames > core->getBlockSize() ||
        (!out->data32 && !out->data64)) {
        flushEdits(p.out_events);
        return frames == 0 ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
    }
    const bool stereoIn = in && in->channel_count >= PlugCore::Plug::kChannels;
    // Woken after a sleep: the time the host did not call for still passes for the engine.
    if (asleep && nextSteady >= 0 && p.steady_time > nextSteady)
        core->skipSilence(static_cast<uint64_t>(p.steady_time - nextSteady), static_cast<uint32_t>(frames));
    nextSteady = p.steady_time >= 0 ? p.steady_time + frames : -1;
    blockTransport = p.transport;
    if (out->data64) {
        double** input = stereoIn ? in->data64 : nullptr;
        double* widened[2] = {scratch.data(), scratch.data() + core->getBlockSize()};
        if (stereoIn && !input && in->data32) {
            for (int c = 0; c < PlugCore::Plug::kChannels; ++c)
                for (int32_t i = 0; i < frames; ++i)
                    widened[c][i] = in->data32[c] ? in->data32[c][i] : 0.0;
            input = widened;
        }
        core->processDouble(input, out->data64, frames, &events);
    } else {
        core->processFloat(stereoIn ? in->data32 : nullptr, out->data32, frames, &events, false);
    }
    blockTransport = nullptr;
    out->constant_mask = 0;
    flushEdits(p.out_events);
    asleep = core->outputIsSilent();
    return asleep ? CLAP_PROCESS_SLEEP : CLAP_PROCESS_CONTINUE;
}

void ClapPlug::applyOutsideProcess(const clap_input_events_t* in)
{
    // No audio runs: values take effect now; MIDI needs a block to act in.
    const InputEvents events(in);
    const int32_t n = events.size();
    for (int32_t k = 0; k < n; ++k) {
        const PlugCore::TimedEvent e = events.at(k);
        if (e.kind == PlugCore::TimedEvent::Kind::Param && e.param < core->paramCount())
            core->setParameter(static_cast<int32_t>(e.param), e.value);
        if (e.kind == PlugCore::TimedEvent::Kind::Modulation) core->setModulation(e.param, e.value);
    }
}

void ClapPlug::flushEdits(const clap_output_events_t* out)
{
    Edit e{};
    while (edits.pop(e)) {
        if (!out || !out->try_push) continue;
        if (e.kind == Edit::Value) {
            clap_event_param_value_t v{};
            v.header = header(sizeof v, CLAP_EVENT_PARAM_VALUE);
            v.param_id = e.param;
            v.note_id = -1;
            v.port_index = v.channel = v.key = -1;
            v.value = e.value;
            out->try_push(out, &v.header);
        } else {
            clap_event_param_gesture_t g{};
            g.header = header(sizeof g, e.kind == Edit::Begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN : CLAP_EVENT_PARAM_GESTURE_END);
            g.param_id = e.param;
            out->try_push(out, &g.header);
        }
    }
}

const void* ClapPlug::extension(const char* id) const
{
    if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &kParams;
    if (!std::strcmp(id, CLAP_EXT_AUDIO_PORTS)) return &kAudioPorts;
    if (!std::strcmp(id, CLAP_EXT_NOTE_PORTS)) return &kNotePorts;
    if (!std::strcmp(id, CLAP_EXT_STATE)) return &kState;
    if (!std::strcmp(id, CLAP_EXT_LATENCY)) return &kLatency;
    if (!std::strcmp(id, CLAP_EXT_TAIL)) return &kTail;
    if (!std::strcmp(id, CLAP_EXT_RENDER)) return &kRender;
    const bool editor = core && core->getEditor();
    if (!std::strcmp(id, CLAP_EXT_GUI)) return editor ? &kGui : nullptr;
    if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return editor ? &kTimers : nullptr;
    if (!std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT)) return editor ? &kDescriptors : nullptr;
    return nullptr;
}

// ---- the host, for the core ---------------------------------------------------------

void ClapPlug::queue(const Edit& e)
{
    if (quiet) return;
    edits.push(e);
    // Outside a process call the host flushes them; within one, process does.
    if (hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

void ClapPlug::automate(uint32_t index, float value)
{
    queue({Edit::Value, index, value});
    if (!quiet && hostState && hostState->mark_dirty) hostState->mark_dirty(host);
}

void ClapPlug::beginEdit(uint32_t index) { queue({Edit::Begin, index, 0.0f}); }
void ClapPlug::endEdit(uint32_t index) { queue({Edit::End, index, 0.0f}); }

bool ClapPlug::resizeEditor(int32_t width, int32_t height)
{
    return guiMade && width > 0 && height > 0 && hostGui && hostGui->request_resize &&
           hostGui->request_resize(host, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

bool ClapPlug::transport(PlugCore::Transport& out)
{
    const clap_event_transport_t* t = blockTransport;
    if (!t) return false;
    out.tempoValid = (t->flags & CLAP_TRANSPORT_HAS_TEMPO) != 0;
    out.tempo = t->tempo;
    out.playing = (t->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    out.beatValid = (t->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
    out.beat = static_cast<double>(t->song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR);
    return true;
}

// ---- state -------------------------------------------------------------------------

bool ClapPlug::saveState(const clap_ostream_t* stream)
{
    expectMainThread();
    if (!stream->write) return false;
    std::vector<uint8_t> bytes;
    core->serializeState(false, bytes);
    size_t done = 0;
    while (done < bytes.size()) {
        const int64_t n = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (n <= 0 || static_cast<uint64_t>(n) > bytes.size() - done) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ClapPlug::loadState(const clap_istream_t* stream)
{
    expectMainThread();
    if (!stream->read) return false;
    // All of it first: a stream that fails part-way changes nothing.
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    for (;;) {
        const int64_t n = stream->read(stream, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 || n > static_cast<int64_t>(sizeof buffer) || bytes.size() + static_cast<size_t>(n) > kStateLimit)
            return false;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    quiet = true;  // a loaded state is no edit: the host re-reads every value instead
    const bool loaded = core->loadWholeState(bytes.data(), bytes.size());
    quiet = false;
    if (loaded && hostParams && hostParams->rescan) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return loaded;
}

// ---- the editor ----------------------------------------------------------------------

bool ClapPlug::guiSupported(const char* api, bool floating) const
{
    PlugCore::IEditor* e = core ? core->getEditor() : nullptr;
    return e && api && !floating && !std::strcmp(api, e->windowSystemName());
}

bool ClapPlug::guiCreate(const char* api, bool floating)
{
    expectMainThread();
    if (guiMade || !guiSupported(api, floating)) return false;
    PlugCore::IEditor* e = core->getEditor();
    const int fd = e->eventDescriptor();
    if (fd >= 0) {
        // The window system waits to be asked (X11): the host's timer asks, and
        // the host's watch on the connection asks as soon as events arrive.
        if (!hostTimers || !hostTimers->register_timer || !hostTimers->register_timer(host, 10, &timer)) {
            timer = CLAP_INVALID_ID;
            return false;
        }
        if (hostFds && hostFds->register_fd && hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ))
            descriptorWatched = fd;
    }
    guiMade = true;
    return true;
}

void ClapPlug::guiDestroy()
{
    if (!guiMade) return;
    guiMade = false;
    core->getEditor()->detach();
    if (timer != CLAP_INVALID_ID && hostTimers && hostTimers->unregister_timer) hostTimers->unregister_timer(host, timer);
    timer = CLAP_INVALID_ID;
    if (descriptorWatched >= 0 && hostFds && hostFds->unregister_fd) hostFds->unregister_fd(host, descriptorWatched);
    descriptorWatched = -1;
}

bool ClapPlug::guiSetParent(const clap_window_t* window)
{
    expectMainThread();
    PlugCore::IEditor* e = guiMade ? core->getEditor() : nullptr;
    if (!e || !window || !window->api || std::strcmp(window->api, e->windowSystemName()) != 0) return false;
    void* parent = !std::strcmp(window->api, CLAP_WINDOW_API_X11)
                       ? reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11))
                       : window->win32;
    if (!parent) return false;
    if (e->isOpen()) e->detach();  // a new parent: the old window goes
    return e->open(parent);
}

void ClapPlug::guiIdle()
{
    if (guiMade) core->getEditor()->idle();
}

}  // namespace Clap
