#include "formats/vst3/Vst3Plug.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "core/Plug.h"
#include "formats/vst3/Com.h"

namespace Vst3 {

namespace {

constexpr ProgramListID kProgramListId = 1;
constexpr int32_t kControllers = 128;
constexpr size_t kStateLimit = 16 * 1024 * 1024;  // far beyond any state of ours; more is no state of ours
constexpr int32_t kMaxBlockEvents = 4096;         // points of one process call; more apply at the block's end
constexpr uint64_t kStereoFlags = 0x3;

float clampValue(double v) { return v >= 1.0 ? 1.0f : v >= 0.0 ? static_cast<float>(v) : 0.0f; }  // NaN: 0

class Instance;

/// The editor in a host's window, on the host's run loop where the window
/// system needs one (X11).
class View final : public RefCounted {
public:
    explicit View(Instance& owner);
    tresult query(const TUID iid, void** obj);

private:
    ~View() override;

    class PlugView final : public Facet<View, IPlugView> {
    public:
        using Facet::Facet;
        tresult isPlatformTypeSupported(FIDString type) override { return owner.supports(type) ? kResultTrue : kResultFalse; }
        tresult attached(void* parent, FIDString type) override { return owner.attach(parent, type); }
        tresult removed() override
        {
            owner.detach();
            return kResultOk;
        }
        tresult onWheel(float) override { return kResultFalse; }
        tresult onKeyDown(char16_t, int16_t, int16_t) override { return kResultFalse; }
        tresult onKeyUp(char16_t, int16_t, int16_t) override { return kResultFalse; }
        tresult getSize(ViewRect* size) override { return owner.size(size); }
        // The view's size follows its scale only: the host's window size changes nothing.
        tresult onSize(ViewRect* newSize) override { return newSize ? kResultOk : kInvalidArgument; }
        tresult onFocus(TBool) override { return kResultOk; }
        tresult setFrame(IPlugFrame* given) override
        {
            if (given) given->addRef();
            if (owner.frame) owner.frame->release();
            owner.frame = given;
            return kResultOk;
        }
        tresult canResize() override { return kResultFalse; }
        tresult checkSizeConstraint(ViewRect* rect) override
        {
            ViewRect mine{};
            if (!rect || owner.size(&mine) != kResultOk) return kInvalidArgument;
            rect->right = rect->left + mine.right;
            rect->bottom = rect->top + mine.bottom;
            return kResultOk;
        }
    };
    class Timer final : public Facet<View, ITimerHandler> {
    public:
        using Facet::Facet;
        void onTimer() override { owner.idle(); }
    };
    class Watch final : public Facet<View, IEventHandler> {
    public:
        using Facet::Facet;
        void onFDIsSet(int) override { owner.idle(); }
    };
    class Scaling final : public Facet<View, IPlugViewContentScaleSupport> {
    public:
        using Facet::Facet;
        tresult setContentScaleFactor(float factor) override { return owner.setScale(factor); }
    };

    bool supports(FIDString type) const;
    tresult setScale(float factor);
    tresult attach(void* parent, FIDString type);
    void detach();
    tresult size(ViewRect* rect);
    void idle();
    PlugCore::IEditor* editor() const;

    Instance& plug;
    PlugView plugView{*this};
    Timer timer{*this};
    Watch watch{*this};
    Scaling scaling{*this};

public:
    /// The open window's new size goes to the host; true when it takes it.
    bool askResize(int32_t width, int32_t height);

private:
    IPlugFrame* frame = nullptr;
    IRunLoop* runLoop = nullptr;  ///< while attached, where its timer and watch run
    bool open = false;
};

/// The parameter changes of one process call as the core's timed events, in
/// frame order (points at one frame keep the host's order).
class BlockEvents final : public PlugCore::IEventList {
public:
    void clear() { count = 0; }
    void add(const PlugCore::TimedEvent& e)
    {
        if (count == kMaxBlockEvents) return;
        slots[static_cast<size_t>(count)] = {e, count};
        ++count;
    }
    void sort()
    {
        std::sort(slots.begin(), slots.begin() + count, [](const Slot& a, const Slot& b) {
            return a.event.frame != b.event.frame ? a.event.frame < b.event.frame : a.order < b.order;
        });
    }
    int32_t size() const override { return count; }
    PlugCore::TimedEvent at(int32_t k) const override { return slots[static_cast<size_t>(k)].event; }

private:
    struct Slot {
        PlugCore::TimedEvent event;
        int32_t order;
    };
    std::array<Slot, kMaxBlockEvents> slots{};
    int32_t count = 0;
};

/// The instance: component, processor and edit controller over one core.
class Instance final : public RefCounted, public PlugCore::IHost {
public:
    Instance() = default;

    tresult query(const TUID iid, void** obj)
    {
        if (!obj) return kInvalidArgument;
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginBase::iid) || sameUid(iid, IComponent::iid))
            return handOut(&component, obj);
        if (sameUid(iid, IAudioProcessor::iid)) return handOut(&processor, obj);
        if (sameUid(iid, IEditController::iid)) return handOut(&controller, obj);
        if (sameUid(iid, IUnitInfo::iid)) return handOut(&units, obj);
        if (sameUid(iid, IMidiMapping::iid)) return handOut(&midiMapping, obj);
        if (sameUid(iid, IProcessContextRequirements::iid)) return handOut(&contextNeeds, obj);
        return noInterface(obj);
    }
    FUnknown* unknown() { return &component; }

    // ---- PlugCore::IHost [GUI thread] ----
    void automate(uint32_t index, float value) override
    {
        if (quiet || !handler || index >= core->paramCount()) return;
        told[index].store(value, std::memory_order_relaxed);
        // An edit outside a gesture (a reset, a typed value) still comes as one.
        const bool alone = !gestures[index];
        if (alone) handler->beginEdit(index);
        handler->performEdit(index, value);
        if (alone) handler->endEdit(index);
    }
    void beginEdit(uint32_t index) override
    {
        if (quiet || !handler || index >= core->paramCount() || gestures[index]) return;
        gestures[index] = 1;
        handler->beginEdit(index);
    }
    void endEdit(uint32_t index) override
    {
        if (quiet || !handler || index >= core->paramCount() || !gestures[index]) return;
        gestures[index] = 0;
        handler->endEdit(index);
    }
    bool resizeEditor(int32_t width, int32_t height) override
    {
        return editorHolder && editorHolder->askResize(width, height);
    }
    bool transport(PlugCore::Transport& out) override
    {
        const ProcessContext* c = blockContext;
        if (!c) return false;
        out.tempoValid = (c->state & ProcessContext::kTempoValid) != 0;
        out.tempo = c->tempo;
        out.playing = (c->state & ProcessContext::kPlaying) != 0;
        out.beatValid = (c->state & ProcessContext::kProjectTimeMusicValid) != 0;
        out.beat = c->projectTimeMusic;
        return true;
    }

    PlugCore::Plug* plug() const { return core.get(); }
    /// The view the editor is open in, if any.
    View* editorHolder = nullptr;
    /// What the host gave initialize, for its run loop where the frame has none.
    FUnknown* hostContext = nullptr;

private:
    ~Instance() override
    {
        terminate();
        core.reset();
    }

    // ---- IPluginBase ----
    tresult initialize(FUnknown* context)
    {
        if (core) return kResultOk;  // component and controller are one: a second call changes nothing
        if (context) {
            context->addRef();
            hostContext = context;
        }
        quiet = true;  // the defaults the effect starts from are no edits
        try {
            core.reset(PlugCore::createPlugInstance(this));
        } catch (...) {
            core.reset();
        }
        quiet = false;
        if (!core) return kResultFalse;
        const uint32_t n = core->paramCount();
        pending.reset(new (std::nothrow) std::atomic<float>[n]);
        told.reset(new (std::nothrow) std::atomic<float>[n]);
        queued.assign(n, 0);
        gestures.assign(n, 0);
        if (!pending || !told) {
            core.reset();
            return kOutOfMemory;
        }
        for (uint32_t i = 0; i < n; ++i) {
            pending[i].store(kNone, std::memory_order_relaxed);
            told[i].store(core->getParameter(static_cast<int32_t>(i)), std::memory_order_relaxed);
        }
        return kResultOk;
    }
    tresult terminate()
    {
        if (core) {
            if (PlugCore::IEditor* e = core->getEditor()) e->detach();
            if (active) core->suspend();
        }
        active = processing = false;
        if (handler) handler->release();
        handler = nullptr;
        if (hostContext) hostContext->release();
        hostContext = nullptr;
        return kResultOk;
    }

    // ---- IComponent ----
    int32_t busCount(MediaType type, BusDirection dir) const
    {
        if (type == kAudio) return 1;
        return type == kEvent && dir == kInput ? 1 : 0;
    }
    tresult busInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus)
    {
        if (!core || index != 0 || index >= busCount(type, dir) || (dir != kInput && dir != kOutput))
            return kInvalidArgument;
        bus = {};
        bus.mediaType = type;
        bus.direction = dir;
        bus.busType = kMain;
        bus.flags = BusInfo::kDefaultActive;
        if (type == kAudio) {
            bus.channelCount = PlugCore::Plug::kChannels;
            toUtf16(dir == kInput ? core->getInputPairName(0) : core->getOutputPairName(0), bus.name, 128);
        } else {
            bus.channelCount = 16;
            toUtf16("MIDI In", bus.name, 128);
        }
        return kResultOk;
    }
    tresult setActive(bool on)
    {
        if (!core) return kNotInitialized;
        if (on == active) return kResultOk;
        if (on) {
            if (!core->setBlockSize(setup.maxSamplesPerBlock)) return kOutOfMemory;
            core->setSampleRate(static_cast<float>(setup.sampleRate));
            takePending(nullptr);  // values set while nothing ran
            core->resume();
        } else {
            core->suspend();
        }
        active = on;
        return kResultOk;
    }
    tresult saveState(IBStream* stream)
    {
        if (!core) return kNotInitialized;
        if (!stream) return kInvalidArgument;
        std::vector<uint8_t> bytes;
        core->serializeState(false, bytes);
        size_t done = 0;
        while (done < bytes.size()) {
            const int32_t want = static_cast<int32_t>(std::min<size_t>(bytes.size() - done, INT32_MAX));
            int32_t wrote = 0;
            if (stream->write(bytes.data() + done, want, &wrote) != kResultOk || wrote <= 0 || wrote > want)
                return kResultFalse;
            done += static_cast<size_t>(wrote);
        }
        return kResultOk;
    }
    tresult loadState(IBStream* stream)
    {
        if (!core) return kNotInitialized;
        if (!stream) return kInvalidArgument;
        // All of it first: a stream that fails part-way changes nothing.
        std::vector<uint8_t> bytes;
        char buffer[4096];
        for (;;) {
            int32_t got = 0;
            const tresult r = stream->read(buffer, sizeof buffer, &got);
            if (got < 0 || got > static_cast<int32_t>(sizeof buffer)) return kResultFalse;
            if (got == 0) {
                if (r != kResultOk && r != kResultFalse) return kResultFalse;  // an error, not the end
                break;
            }
            if (bytes.size() + static_cast<size_t>(got) > kStateLimit) return kResultFalse;
            bytes.insert(bytes.end(), buffer, buffer + got);
            if (r != kResultOk) break;
        }
        quiet = true;  // a loaded state is no edit: the host reads the values back
        const bool loaded = core->loadWholeState(bytes.data(), bytes.size());
        quiet = false;
        // The host reads a loaded state's values back itself; values handed
        // over before it are replaced by it.
        for (uint32_t i = 0; loaded && i < core->paramCount(); ++i) {
            told[i].store(core->getParameter(static_cast<int32_t>(i)), std::memory_order_relaxed);
            pending[i].store(kNone, std::memory_order_relaxed);
        }
        return loaded ? kResultOk : kResultFalse;
    }

    // ---- IAudioProcessor ----
    tresult setupProcessing(const ProcessSetup& s)
    {
        if (!core) return kNotInitialized;
        if (active) return kResultFalse;  // only while inactive
        if (!(s.sampleRate > 0.0) || !std::isfinite(s.sampleRate) || s.maxSamplesPerBlock <= 0 ||
            (s.symbolicSampleSize != kSample32 && s.symbolicSampleSize != kSample64))
            return kInvalidArgument;
        setup = s;
        return kResultOk;
    }
    tresult process(ProcessData& data);
    /// Values the controller side was given while audio ran, not yet applied:
    /// those the block's own changes do not bring apply at its start.
    void takePending(const uint8_t* inQueues)
    {
        const uint32_t n = core->paramCount();
        for (uint32_t i = 0; i < n; ++i) {
            const float v = pending[i].exchange(kNone, std::memory_order_relaxed);
            if (v >= 0.0f && !(inQueues && inQueues[i])) {
                core->setParameter(static_cast<int32_t>(i), v);
                told[i].store(core->getParameter(static_cast<int32_t>(i)), std::memory_order_relaxed);
            }
        }
        const int b = pendingBypass.exchange(-1, std::memory_order_relaxed);
        if (b >= 0 && !(inQueues && bypassQueued)) core->setBypass(b != 0);
    }
    void gatherChanges(IParameterChanges* changes, int32_t frames);
    void reportChanges(IParameterChanges* changes);

    // ---- IEditController ----
    int32_t parameterCount() const { return core ? static_cast<int32_t>(core->paramCount()) + 2 + kControllers : 0; }
    ParamID idAt(int32_t index) const
    {
        const int32_t n = static_cast<int32_t>(core->paramCount());
        if (index < n) return static_cast<ParamID>(index);
        if (index == n) return kBypassId;
        if (index == n + 1) return kProgramId;
        return kControllerBase + static_cast<ParamID>(index - n - 2);
    }
    bool coreId(ParamID id) const { return core && id < core->paramCount(); }
    static bool controllerId(ParamID id) { return id >= kControllerBase && id < kControllerBase + kControllers; }
    int32_t lastProgram() const { return std::max(0, core->programCount() - 1); }
    int32_t programOf(double v) const
    {
        const int32_t count = core->programCount();
        if (!(v > 0.0)) return 0;
        return std::min(count - 1, static_cast<int32_t>(v * count));
    }
    tresult parameterInfo(int32_t index, ParameterInfo& info)
    {
        if (!core || index < 0 || index >= parameterCount()) return kInvalidArgument;
        info = {};
        info.id = idAt(index);
        info.unitId = kRootUnitId;
        char text[256] = {};
        if (coreId(info.id)) {
            const PlugCore::ParamSlot& p = core->param(info.id);
            core->getParameterName(static_cast<int32_t>(info.id), text);
            toUtf16(text, info.title, 128);
            toUtf16(text, info.shortTitle, 128);
            core->getParameterLabel(static_cast<int32_t>(info.id), text);
            toUtf16(text, info.units, 128);
            info.stepCount = p.stepCount;
            info.defaultNormalizedValue = p.defaultValue;
            info.flags = ParameterInfo::kCanAutomate | (p.stepCount > 0 ? ParameterInfo::kIsList : 0);
        } else if (info.id == kBypassId) {
            toUtf16("Bypass", info.title, 128);
            toUtf16("Bypass", info.shortTitle, 128);
            info.stepCount = 1;
            info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
        } else if (info.id == kProgramId) {
            toUtf16("Program", info.title, 128);
            toUtf16("Program", info.shortTitle, 128);
            info.stepCount = lastProgram();
            info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsProgramChange;
        } else {
            std::snprintf(text, sizeof text, "MIDI CC %u", static_cast<unsigned>(info.id - kControllerBase));
            toUtf16(text, info.title, 128);
            toUtf16(text, info.shortTitle, 128);
            info.stepCount = 127;
            info.flags = ParameterInfo::kIsHidden;  // a controller's way in, not a parameter of the user's
        }
        return kResultOk;
    }
    tresult valueText(ParamID id, double v, TChar* out)
    {
        if (!core || !out) return kInvalidArgument;
        char text[256] = {};
        if (coreId(id))
            core->formatParam(id, text, clampValue(v));
        else if (id == kBypassId)
            std::snprintf(text, sizeof text, "%s", v >= 0.5 ? "On" : "Off");
        else if (id == kProgramId)
            core->getProgramNameIndexed(programOf(v), text);
        else if (controllerId(id))
            std::snprintf(text, sizeof text, "%d", static_cast<int>(std::lround(clampValue(v) * 127.0f)));
        else
            return kInvalidArgument;
        toUtf16(text, out, 128);
        return kResultOk;
    }
    tresult textValue(ParamID id, const TChar* string, double& out)
    {
        if (!core || !string) return kInvalidArgument;
        const std::string text = toUtf8(string, 128);
        if (coreId(id)) {
            float v = 0.0f;
            if (!core->parseParam(id, text.c_str(), v)) return kResultFalse;
            out = v;
            return kResultOk;
        }
        if (id == kBypassId) {
            if (text == "On" || text == "1") out = 1.0;
            else if (text == "Off" || text == "0") out = 0.0;
            else return kResultFalse;
            return kResultOk;
        }
        if (id == kProgramId) {
            char name[64] = {};
            for (int32_t k = 0; k < core->programCount(); ++k)
                if (core->getProgramNameIndexed(k, name) && text == name) {
                    out = lastProgram() > 0 ? static_cast<double>(k) / lastProgram() : 0.0;
                    return kResultOk;
                }
            return kResultFalse;
        }
        return kResultFalse;
    }
    double toPlain(ParamID id, double v) const
    {
        // The continuous parameters' plain values are their normalised ones, so
        // that automation maps one to one onto the other formats' values.
        return id == kProgramId && core ? programOf(v) : v;
    }
    double toNormalised(ParamID id, double plain) const
    {
        if (id != kProgramId || !core) return plain;
        return lastProgram() > 0 ? std::min(1.0, std::max(0.0, plain / lastProgram())) : 0.0;
    }
    double valueOf(ParamID id) const
    {
        if (!core) return 0.0;
        if (coreId(id)) {
            const float v = pending[id].load(std::memory_order_relaxed);
            return v >= 0.0f ? v : core->getParameter(static_cast<int32_t>(id));
        }
        if (id == kBypassId) {
            const int b = pendingBypass.load(std::memory_order_relaxed);
            return b >= 0 ? b : core->isBypassed() ? 1.0 : 0.0;
        }
        if (id == kProgramId) return lastProgram() > 0 ? static_cast<double>(core->getProgram()) / lastProgram() : 0.0;
        return 0.0;
    }
    tresult setValue(ParamID id, double v)
    {
        if (!core) return kNotInitialized;
        // While audio runs the value waits for the next block, where the host's
        // own change of it, at its frame, comes first.
        if (coreId(id)) {
            // A value the block's changes already brought needs no second trip.
            if (processing && clampValue(v) != core->getParameter(static_cast<int32_t>(id)))
                pending[id].store(clampValue(v), std::memory_order_relaxed);
            else if (!processing)
                core->setParameter(static_cast<int32_t>(id), clampValue(v));
            told[id].store(clampValue(v), std::memory_order_relaxed);
            return kResultOk;
        }
        if (id == kBypassId) {
            if (processing)
                pendingBypass.store(v >= 0.5 ? 1 : 0, std::memory_order_relaxed);
            else
                core->setBypass(v >= 0.5);
            return kResultOk;
        }
        if (id == kProgramId) {
            // The host chose the program and reads the values back itself; a
            // restart asked for from inside its own call deadlocks some hosts.
            const int32_t p = programOf(v);
            if (p != core->getProgram()) {
                core->setProgram(p);
                // The program replaces values the host handed over before it.
                for (uint32_t i = 0; i < core->paramCount(); ++i) pending[i].store(kNone, std::memory_order_relaxed);
            }
            return kResultOk;
        }
        return controllerId(id) ? kResultOk : kInvalidArgument;
    }
    IPlugView* createView(FIDString name)
    {
        if (!core || !core->getEditor() || !name || std::strcmp(name, "editor") != 0) return nullptr;
        View* v = new (std::nothrow) View(*this);
        if (!v) return nullptr;
        void* out = nullptr;
        v->query(IPlugView::iid.bytes, &out);
        v->drop();
        return static_cast<IPlugView*>(out);
    }

    // ---- IUnitInfo ----
    tresult programName(ProgramListID list, int32_t index, TChar* out)
    {
        char name[64] = {};
        if (!core || !out || list != kProgramListId || !core->getProgramNameIndexed(index, name)) return kInvalidArgument;
        toUtf16(name, out, 128);
        return kResultOk;
    }

    // ---- the facets ----
    class Component final : public Facet<Instance, IComponent> {
    public:
        using Facet::Facet;
        tresult initialize(FUnknown* context) override { return owner.initialize(context); }
        tresult terminate() override { return owner.terminate(); }
        tresult getControllerClassId(TUID) override { return kNotImplemented; }  // the controller is this object
        tresult setIoMode(IoMode) override { return kResultOk; }
        int32_t getBusCount(MediaType type, BusDirection dir) override { return owner.busCount(type, dir); }
        tresult getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) override
        {
            return owner.busInfo(type, dir, index, bus);
        }
        tresult getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return kNotImplemented; }
        tresult activateBus(MediaType type, BusDirection dir, int32_t index, TBool) override
        {
            return index >= 0 && index < owner.busCount(type, dir) ? kResultOk : kInvalidArgument;
        }
        tresult setActive(TBool state) override { return owner.setActive(state != 0); }
        tresult setState(IBStream* state) override { return owner.loadState(state); }
        tresult getState(IBStream* state) override { return owner.saveState(state); }
    };
    class Processor final : public Facet<Instance, IAudioProcessor> {
    public:
        using Facet::Facet;
        tresult setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                   int32_t numOuts) override
        {
            // One stereo pair each way; anything else is refused and the pairs stay.
            return numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == kSpeakerStereo &&
                           outputs[0] == kSpeakerStereo
                       ? kResultTrue
                       : kResultFalse;
        }
        tresult getBusArrangement(BusDirection, int32_t index, SpeakerArrangement& arr) override
        {
            if (index != 0) return kInvalidArgument;
            arr = kSpeakerStereo;
            return kResultOk;
        }
        tresult canProcessSampleSize(int32_t size) override
        {
            return size == kSample32 || size == kSample64 ? kResultTrue : kResultFalse;
        }
        uint32_t getLatencySamples() override
        {
            const int32_t frames = owner.core ? owner.core->getLatency() : 0;
            return frames > 0 ? static_cast<uint32_t>(frames) : 0;
        }
        tresult setupProcessing(ProcessSetup& wanted) override { return owner.setupProcessing(wanted); }
        tresult setProcessing(TBool state) override
        {
            if (!owner.core) return kNotInitialized;
            owner.processing = state != 0 && owner.active;
            return state && !owner.active ? kResultFalse : kResultOk;
        }
        tresult process(ProcessData& data) override { return owner.process(data); }
        uint32_t getTailSamples() override { return owner.core ? owner.core->tailFrames() : kNoTail; }
    };
    class Controller final : public Facet<Instance, IEditController> {
    public:
        using Facet::Facet;
        tresult initialize(FUnknown* context) override { return owner.initialize(context); }
        tresult terminate() override { return owner.terminate(); }
        // The component's state already carries everything; the controller has none of its own.
        tresult setComponentState(IBStream*) override { return owner.core ? kResultOk : kNotInitialized; }
        tresult setState(IBStream*) override { return kResultOk; }
        tresult getState(IBStream*) override { return kResultOk; }
        int32_t getParameterCount() override { return owner.parameterCount(); }
        tresult getParameterInfo(int32_t index, ParameterInfo& info) override { return owner.parameterInfo(index, info); }
        tresult getParamStringByValue(ParamID id, ParamValue v, String128 string) override
        {
            return owner.valueText(id, v, string);
        }
        tresult getParamValueByString(ParamID id, TChar* string, ParamValue& v) override
        {
            return owner.textValue(id, string, v);
        }
        ParamValue normalizedParamToPlain(ParamID id, ParamValue v) override { return owner.toPlain(id, v); }
        ParamValue plainParamToNormalized(ParamID id, ParamValue plain) override { return owner.toNormalised(id, plain); }
        ParamValue getParamNormalized(ParamID id) override { return owner.valueOf(id); }
        tresult setParamNormalized(ParamID id, ParamValue v) override { return owner.setValue(id, v); }
        tresult setComponentHandler(IComponentHandler* h) override
        {
            if (h == owner.handler) return kResultOk;
            if (h) h->addRef();
            if (owner.handler) owner.handler->release();
            owner.handler = h;
            return kResultOk;
        }
        IPlugView* createView(FIDString name) override { return owner.createView(name); }
    };
    class Units final : public Facet<Instance, IUnitInfo> {
    public:
        using Facet::Facet;
        int32_t getUnitCount() override { return 1; }
        tresult getUnitInfo(int32_t index, UnitInfo& info) override
        {
            if (index != 0) return kInvalidArgument;
            info = {};
            info.id = kRootUnitId;
            info.parentUnitId = kNoParentUnitId;
            toUtf16("Root", info.name, 128);
            info.programListId = kProgramListId;
            return kResultOk;
        }
        int32_t getProgramListCount() override { return 1; }
        tresult getProgramListInfo(int32_t index, ProgramListInfo& info) override
        {
            if (index != 0 || !owner.core) return kInvalidArgument;
            info = {};
            info.id = kProgramListId;
            toUtf16("Programs", info.name, 128);
            info.programCount = owner.core->programCount();
            return kResultOk;
        }
        tresult getProgramName(ProgramListID list, int32_t index, String128 name) override
        {
            return owner.programName(list, index, name);
        }
        tresult getProgramInfo(ProgramListID, int32_t, const char*, String128) override { return kResultFalse; }
        tresult hasProgramPitchNames(ProgramListID, int32_t) override { return kResultFalse; }
        tresult getProgramPitchName(ProgramListID, int32_t, int16_t, String128) override { return kResultFalse; }
        UnitID getSelectedUnit() override { return kRootUnitId; }
        tresult selectUnit(UnitID id) override { return id == kRootUnitId ? kResultOk : kInvalidArgument; }
        tresult getUnitByBus(MediaType, BusDirection, int32_t, int32_t, UnitID& id) override
        {
            id = kRootUnitId;
            return kResultOk;
        }
        tresult setUnitProgramData(int32_t, int32_t, IBStream*) override { return kNotImplemented; }
    };
    class MidiMapping final : public Facet<Instance, IMidiMapping> {
    public:
        using Facet::Facet;
        tresult getMidiControllerAssignment(int32_t bus, int16_t channel, CtrlNumber number, ParamID& id) override
        {
            // Every controller of every channel, as the VST 2.4 build hears them:
            // learning and learned controllers happen inside the plug-in.
            if (bus != 0 || channel < 0 || channel > 15 || number < 0 || number >= kControllers) return kResultFalse;
            id = kControllerBase + static_cast<ParamID>(number);
            return kResultTrue;
        }
    };
    class ContextNeeds final : public Facet<Instance, IProcessContextRequirements> {
    public:
        using Facet::Facet;
        uint32_t getProcessContextRequirements() override
        {
            return kNeedProjectTimeMusic | kNeedTempo | kNeedTransportState;
        }
    };

    static constexpr float kNone = -1.0f;

    Component component{*this};
    Processor processor{*this};
    Controller controller{*this};
    Units units{*this};
    MidiMapping midiMapping{*this};
    ContextNeeds contextNeeds{*this};

    std::unique_ptr<PlugCore::Plug> core;
    IComponentHandler* handler = nullptr;
    ProcessSetup setup{kRealtime, kSample32, 1024, 44100.0};
    bool active = false;
    std::atomic<bool> processing{false};
    bool quiet = true;  ///< while the core starts or loads a state: its values are no edits of the user's
    std::vector<uint8_t> gestures;  ///< per core parameter: a gesture told to the host is open [GUI thread]

    // Values the controller side was given while audio ran [any thread -> audio thread].
    std::unique_ptr<std::atomic<float>[]> pending;
    std::atomic<int> pendingBypass{-1};
    std::vector<uint8_t> queued;  ///< per core parameter: the block's changes bring it [audio thread]
    /// Per core parameter, the value the host last heard of or sent [any thread].
    std::unique_ptr<std::atomic<float>[]> told;
    bool bypassQueued = false;
    BlockEvents events;
    const ProcessContext* blockContext = nullptr;  ///< of the process call running [audio thread]
};

// ---- processing ---------------------------------------------------------------------------

void Instance::gatherChanges(IParameterChanges* changes, int32_t frames)
{
    events.clear();
    std::fill(queued.begin(), queued.end(), 0);
    bypassQueued = false;
    const int32_t lists = changes ? changes->getParameterCount() : 0;
    int32_t program = -1;
    for (int32_t q = 0; q < lists; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue) continue;
        const ParamID id = queue->getParameterId();
        const int32_t points = queue->getPointCount();
        for (int32_t k = 0; k < points; ++k) {
            int32_t at = 0;
            double v = 0.0;
            if (queue->getPoint(k, at, v) != kResultOk || std::isnan(v)) continue;
            PlugCore::TimedEvent e;
            e.frame = at < 0 ? 0 : at > frames ? frames : at;
            if (coreId(id)) {
                e.kind = PlugCore::TimedEvent::Kind::Param;
                e.param = id;
                e.value = clampValue(v);
                queued[id] = 1;
            } else if (id == kBypassId) {
                e.kind = PlugCore::TimedEvent::Kind::Bypass;
                e.value = v >= 0.5 ? 1.0f : 0.0f;
                bypassQueued = true;
            } else if (controllerId(id)) {
                e.kind = PlugCore::TimedEvent::Kind::Midi;
                e.midi[0] = 0xB0;
                e.midi[1] = static_cast<uint8_t>(id - kControllerBase);
                e.midi[2] = static_cast<uint8_t>(std::lround(clampValue(v) * 127.0f));
            } else if (id == kProgramId) {
                program = programOf(v);  // a program is loaded whole, before the block
                continue;
            } else {
                continue;  // not ours
            }
            events.add(e);
        }
    }
    events.sort();
    if (program >= 0 && program != core->getProgram()) core->setProgram(program);
}

tresult Instance::process(ProcessData& data)
{
    if (!core || !active) return kNotInitialized;
    const int32_t frames = data.numSamples;
    gatherChanges(data.inputParameterChanges, frames > 0 ? frames : 0);
    takePending(queued.data());

    AudioBusBuffers* out = data.numOutputs > 0 ? data.outputs : nullptr;
    const bool wide = data.symbolicSampleSize == kSample64;
    const bool outputReady = out && out->numChannels >= PlugCore::Plug::kChannels &&
                             (wide ? out->channelBuffers64 && out->channelBuffers64[0] && out->channelBuffers64[1]
                                   : out->channelBuffers32 && out->channelBuffers32[0] && out->channelBuffers32[1]);
    if (frames <= 0 || !outputReady) {
        // The host only hands parameters over: they take effect now.
        for (int32_t k = 0; k < events.size(); ++k) {
            const PlugCore::TimedEvent e = events.at(k);
            if (e.kind == PlugCore::TimedEvent::Kind::Param) core->setParameter(static_cast<int32_t>(e.param), e.value);
            if (e.kind == PlugCore::TimedEvent::Kind::Bypass) core->setBypass(e.value >= 0.5f);
        }
        return frames <= 0 ? kResultOk : kInvalidArgument;
    }
    if (frames > core->getBlockSize()) return kInvalidArgument;  // beyond what setupProcessing announced
    const AudioBusBuffers* in = data.numInputs > 0 ? data.inputs : nullptr;
    const bool stereoIn = in && in->numChannels >= PlugCore::Plug::kChannels &&
                          (wide ? in->channelBuffers64 != nullptr : in->channelBuffers32 != nullptr);
    blockContext = data.processContext;
    // Idle before and after, the engine rendered nothing but zeros in between.
    const bool wasQuiet = !core->bypassHeard() && core->outputIsSilent();
    if (wide)
        core->processDouble(stereoIn ? in->channelBuffers64 : nullptr, out->channelBuffers64, frames, &events);
    else
        core->processFloat(stereoIn ? in->channelBuffers32 : nullptr, out->channelBuffers32, frames, &events, false);
    blockContext = nullptr;
    out->silenceFlags = wasQuiet && !core->bypassHeard() && core->outputIsSilent() ? kStereoFlags : 0;
    reportChanges(data.outputParameterChanges);
    return kResultOk;
}

void Instance::reportChanges(IParameterChanges* changes)
{
    // Values that changed inside the plug-in (a program loaded, a learned
    // controller turned) reach the host's controls; the host's own values,
    // and the edits it was told of, are not sent back.
    const uint32_t n = core->paramCount();
    for (uint32_t i = 0; i < n; ++i) {
        const float v = core->getParameter(static_cast<int32_t>(i));
        if (v == told[i].load(std::memory_order_relaxed)) continue;
        told[i].store(v, std::memory_order_relaxed);
        if (queued[i] || !changes) continue;
        int32_t index = 0;
        if (IParamValueQueue* q = changes->addParameterData(i, index)) q->addPoint(0, v, index);
    }
}

// ---- the view --------------------------------------------------------------------------------

View::View(Instance& owner) : plug(owner) { plug.retain(); }

View::~View()
{
    detach();
    if (frame) frame->release();
    plug.drop();
}

tresult View::query(const TUID iid, void** obj)
{
    if (!obj) return kInvalidArgument;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPlugView::iid)) return handOut(&plugView, obj);
    if (sameUid(iid, ITimerHandler::iid)) return handOut(&timer, obj);
    if (sameUid(iid, IEventHandler::iid)) return handOut(&watch, obj);
    if (sameUid(iid, IPlugViewContentScaleSupport::iid)) return handOut(&scaling, obj);
    return noInterface(obj);
}

tresult View::setScale(float factor)
{
    PlugCore::IEditor* e = editor();
    if (!e) return kResultFalse;
    int32_t w0 = 0, h0 = 0, w1 = 0, h1 = 0;
    e->getSize(w0, h0);
    const bool followed = e->setHostScale(factor);
    e->getSize(w1, h1);
    // An open window of a new size: the host resizes its own around it.
    if (open && frame && (w1 != w0 || h1 != h0)) {
        ViewRect r{0, 0, w1, h1};
        frame->resizeView(&plugView, &r);
    }
    return followed ? kResultOk : kResultFalse;
}

bool View::askResize(int32_t width, int32_t height)
{
    if (!open || !frame) return false;
    ViewRect r{0, 0, width, height};
    return frame->resizeView(&plugView, &r) == kResultOk;
}

PlugCore::IEditor* View::editor() const { return plug.plug() ? plug.plug()->getEditor() : nullptr; }

bool View::supports(FIDString type) const
{
    const PlugCore::IEditor* e = editor();
    if (!e || !type) return false;
    const char* wanted = !std::strcmp(e->windowSystemName(), "x11") ? kPlatformTypeX11EmbedWindowID : kPlatformTypeHWND;
    return !std::strcmp(type, wanted);
}

tresult View::attach(void* parent, FIDString type)
{
    PlugCore::IEditor* e = editor();
    if (!e || !parent || !supports(type)) return kResultFalse;
    if (open || plug.editorHolder) return kResultFalse;  // one window at a time
    const bool needsRunLoop = !std::strcmp(e->windowSystemName(), "x11");
    if (needsRunLoop) {
        // The window system waits to be asked (X11): the host's run loop asks
        // every 10 ms and as soon as the connection has events.
        runLoop = ask<IRunLoop>(frame);
        if (!runLoop) runLoop = ask<IRunLoop>(plug.hostContext);
        if (!runLoop) return kResultFalse;
        const int fd = e->eventDescriptor();
        if (fd < 0 || runLoop->registerTimer(&timer, 10) != kResultOk) {
            runLoop->release();
            runLoop = nullptr;
            return kResultFalse;
        }
        runLoop->registerEventHandler(&watch, fd);
    }
    if (!e->open(parent)) {
        if (runLoop) {
            runLoop->unregisterTimer(&timer);
            runLoop->unregisterEventHandler(&watch);
            runLoop->release();
            runLoop = nullptr;
        }
        return kResultFalse;
    }
    open = true;
    plug.editorHolder = this;
    return kResultOk;
}

void View::detach()
{
    if (!open) return;
    open = false;
    plug.editorHolder = nullptr;
    if (PlugCore::IEditor* e = editor()) e->detach();  // ends gestures in progress first
    if (runLoop) {
        runLoop->unregisterTimer(&timer);
        runLoop->unregisterEventHandler(&watch);
        runLoop->release();
        runLoop = nullptr;
    }
}

tresult View::size(ViewRect* rect)
{
    PlugCore::IEditor* e = editor();
    int32_t w = 0, h = 0;
    if (!rect) return kInvalidArgument;
    if (!e || !e->getSize(w, h)) return kResultFalse;
    *rect = {0, 0, w, h};
    return kResultOk;
}

void View::idle()
{
    if (!open) return;
    if (PlugCore::IEditor* e = editor()) e->idle();
}

}  // namespace

FUnknown* createInstance()
{
    Instance* made = new (std::nothrow) Instance;
    return made ? made->unknown() : nullptr;
}

}  // namespace Vst3
