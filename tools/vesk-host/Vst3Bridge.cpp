#include "tools/vesk-host/Vst3Bridge.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "formats/vst3/Com.h"
#include "tools/vesk-host/Vst3Host.h"
#include "tools/vesk-host/ClapBridge.h"
#include "tools/vesk-host/BridgedEffect.h"
#include "tools/vesk-host/HostError.h"

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace HostKit {

using namespace Vst3;
using namespace Vst3Objects;

namespace {

using Clock = std::chrono::steady_clock;

class Bridge;

class HostApp final : public Owned<IHostApplication> {
public:
    tresult queryInterface(const TUID id, void** obj) override { return answer(id, obj, IHostApplication::iid); }
    tresult getName(String128 name) override
    {
        toUtf16("vesk-host", name, 128);
        return kResultOk;
    }
    tresult createInstance(TUID, TUID, void** obj) override
    {
        if (obj) *obj = nullptr;
        return kNotImplemented;
    }
};

class Handler final : public Owned<IComponentHandler> {
public:
    explicit Handler(Bridge& b) : bridge(b) {}
    tresult queryInterface(const TUID id, void** obj) override { return answer(id, obj, IComponentHandler::iid); }
    tresult beginEdit(ParamID id) override;
    tresult performEdit(ParamID id, ParamValue value) override;
    tresult endEdit(ParamID id) override;
    tresult restartComponent(int32_t) override { return kResultOk; }

private:
    Bridge& bridge;
};

class TimerList;

/// The frame the view lives in, with the run loop a Linux view asks it for.
class Frame final : public Owned<IPlugFrame> {
public:
    class Loop final : public Owned<IRunLoop> {
    public:
        struct Timer {
            ITimerHandler* handler;
            uint32_t period;
            Clock::time_point due;
        };
        std::vector<Timer> timers;
        std::vector<std::pair<IEventHandler*, int>> watches;

        tresult queryInterface(const TUID id, void** obj) override { return answer(id, obj, IRunLoop::iid); }
        tresult registerEventHandler(IEventHandler* handler, int fd) override
        {
            if (!handler || fd < 0) return kInvalidArgument;
            watches.emplace_back(handler, fd);
            return kResultOk;
        }
        tresult unregisterEventHandler(IEventHandler* handler) override
        {
            watches.erase(std::remove_if(watches.begin(), watches.end(), [handler](const auto& w) { return w.first == handler; }),
                          watches.end());
            return kResultOk;
        }
        tresult registerTimer(ITimerHandler* handler, uint64_t ms) override
        {
            if (!handler) return kInvalidArgument;
            timers.push_back({handler, static_cast<uint32_t>(std::max<uint64_t>(ms, 1)), Clock::now()});
            return kResultOk;
        }
        tresult unregisterTimer(ITimerHandler* handler) override
        {
            timers.erase(std::remove_if(timers.begin(), timers.end(), [handler](const Timer& t) { return t.handler == handler; }),
                         timers.end());
            return kResultOk;
        }
        void run()
        {
            const Clock::time_point now = Clock::now();
            for (size_t i = 0; i < timers.size(); ++i)
                if (now >= timers[i].due) {
                    timers[i].due = now + std::chrono::milliseconds(timers[i].period);
                    timers[i].handler->onTimer();
                }
#if !defined(_WIN32)
            for (size_t i = 0; i < watches.size(); ++i) {
                pollfd p{watches[i].second, POLLIN, 0};
                if (poll(&p, 1, 0) > 0) watches[i].first->onFDIsSet(watches[i].second);
            }
#endif
        }
    } loop;

    tresult queryInterface(const TUID id, void** obj) override
    {
#if !defined(_WIN32)
        if (obj && sameUid(id, IRunLoop::iid)) {
            *obj = static_cast<IRunLoop*>(&loop);
            return kResultOk;
        }
#endif
        return answer(id, obj, IPlugFrame::iid);
    }
    tresult resizeView(IPlugView* view, ViewRect* size) override;
    Bridge* bridge = nullptr;
};

std::string classIdText(const char* cid)
{
    // The text form names the four words, whatever order the platform stores them in.
    uint8_t b[16];
    std::memcpy(b, cid, 16);
#if defined(_WIN32)
    const uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
#else
    const uint8_t order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
#endif
    char text[33] = {};
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02X", b[order[i]]);
    return text;
}

class Bridge final : public BridgedEffect<Bridge> {
    friend class BridgedEffect<Bridge>;

public:
    Bridge(audioMasterCallback callback, const std::string& path) : masterCallback(callback), file(path)
    {
        frame.bridge = this;
    }
    ~Bridge()
    {
        closeView();
        if (view) view->release();
        if (processor) {
            if (processing) processor->setProcessing(0);
            processor->release();
        }
        if (component && active) component->setActive(0);
        if (midiMapping) midiMapping->release();
        if (units) units->release();
        if (controller) {
            controller->setComponentHandler(nullptr);
            if (separateController) controller->terminate();
            controller->release();
        }
        if (component) {
            component->terminate();
            component->release();
        }
        if (factory) factory->release();
        if (moduleExit) moduleExit();
    }

    void load(Platform::Library& library)
    {
#if defined(_WIN32)
        using Entry = bool (*)();
        if (auto init = reinterpret_cast<Entry>(library.symbol("InitDll")); init && !init())
            throw HostError("'" + file + "': InitDll refused");
        moduleExit = reinterpret_cast<Entry>(library.symbol("ExitDll"));
#else
        using Entry = bool (*)(void*);
        if (auto init = reinterpret_cast<Entry>(library.symbol("ModuleEntry")); init && !init(nullptr))
            throw HostError("'" + file + "': ModuleEntry refused");
        moduleExit = reinterpret_cast<bool (*)()>(library.symbol("ModuleExit"));
#endif
        using GetFactory = IPluginFactory* (*)();
        auto get = reinterpret_cast<GetFactory>(library.symbol("GetPluginFactory"));
        if (!get) throw HostError("'" + file + "' is not a VST3 module: it exports no GetPluginFactory");
        factory = get();
        if (!factory) throw HostError("'" + file + "': GetPluginFactory returned no factory");
        if (auto* f3 = ask<IPluginFactory3>(factory)) {
            f3->setHostContext(&hostApp);
            f3->release();
        }
        PFactoryInfo fi{};
        if (factory->getFactoryInfo(&fi) == kResultOk) vendor = fi.vendor;
        const int32_t classes = factory->countClasses();
        PClassInfo info{};
        int32_t found = -1;
        for (int32_t k = 0; k < classes && found < 0; ++k)
            if (factory->getClassInfo(k, &info) == kResultOk && !std::strcmp(info.category, kVstAudioEffectClass))
                found = k;
        if (found < 0) throw HostError("'" + file + "' offers no audio effect class");
        std::memcpy(classId, info.cid, sizeof classId);
        name.assign(info.name, strnlen(info.name, sizeof info.name));
        if (auto* f2 = ask<IPluginFactory2>(factory)) {
            PClassInfo2 i2{};
            if (f2->getClassInfo2(found, &i2) == kResultOk) {
                if (i2.vendor[0]) vendor.assign(i2.vendor, strnlen(i2.vendor, sizeof i2.vendor));
                subCategories.assign(i2.subCategories, strnlen(i2.subCategories, sizeof i2.subCategories));
                version.assign(i2.version, strnlen(i2.version, sizeof i2.version));
            }
            f2->release();
        }

        void* made = nullptr;
        if (factory->createInstance(classId, IComponent::iid.bytes, &made) != kResultOk || !made)
            throw HostError("'" + file + "': the class '" + name + "' could not be made");
        component = static_cast<IComponent*>(made);
        if (component->initialize(&hostApp) != kResultOk) throw HostError("'" + file + "': the component refused to start");
        processor = ask<IAudioProcessor>(component);
        if (!processor) throw HostError("'" + file + "': the component has no audio processor");
        controller = ask<IEditController>(component);
        if (!controller) {
            TUID cid{};
            void* c = nullptr;
            if (component->getControllerClassId(cid) == kResultOk &&
                factory->createInstance(cid, IEditController::iid.bytes, &c) == kResultOk && c) {
                controller = static_cast<IEditController*>(c);
                separateController = true;
                if (controller->initialize(&hostApp) != kResultOk)
                    throw HostError("'" + file + "': the edit controller refused to start");
            }
        }
        if (!controller) throw HostError("'" + file + "': the plug-in has no edit controller");
        controller->setComponentHandler(&handler);
        if (separateController) syncController();
        units = ask<IUnitInfo>(controller);
        midiMapping = ask<IMidiMapping>(controller);

        effect.numInputs = audioChannels(kInput, inputName);
        effect.numOutputs = audioChannels(kOutput, outputName);
        const int32_t count = controller->getParameterCount();
        for (int32_t k = 0; k < count; ++k) {
            ParameterInfo p{};
            if (controller->getParameterInfo(k, p) != kResultOk) continue;
            if (p.flags & ParameterInfo::kIsProgramChange) {
                programParam = p.id;
                programSteps = p.stepCount;
            } else if ((p.flags & ParameterInfo::kCanAutomate) && !(p.flags & ParameterInfo::kIsHidden)) {
                params.push_back(p);
            }
        }
        effect.numParams = static_cast<VstInt32>(params.size());
        ProgramListInfo list{};
        if (units && units->getProgramListCount() > 0 && units->getProgramListInfo(0, list) == kResultOk) {
            programList = list.id;
            effect.numPrograms = list.programCount;
        }
        effect.flags |= effFlagsCanReplacing | effFlagsProgramChunks;
        if (processor->canProcessSampleSize(kSample64) == kResultTrue) effect.flags |= effFlagsCanDoubleReplacing;
        view = controller->createView("editor");
        if (view) effect.flags |= effFlagsHasEditor;
    }

    std::string name, vendor, subCategories, version;
    TUID classId{};
    int64_t silentBlocks = 0;


    VstIntPtr master(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return masterCallback ? masterCallback(&effect, opcode, index, value, ptr, opt) : 0;
    }
    /// The record's parameter index of a plug-in parameter id, or -1.
    VstInt32 indexOf(ParamID id) const
    {
        for (size_t i = 0; i < params.size(); ++i)
            if (params[i].id == id) return static_cast<VstInt32>(i);
        return -1;
    }

private:
    template <class I>
    static I* ask(FUnknown* object)
    {
        return Vst3::ask<I>(object);
    }

    int32_t audioChannels(BusDirection dir, std::string& busName)
    {
        BusInfo bus{};
        if (component->getBusCount(kAudio, dir) < 1 || component->getBusInfo(kAudio, dir, 0, bus) != kResultOk) return 0;
        busName = toUtf8(bus.name, 128);
        component->activateBus(kAudio, dir, 0, 1);
        return bus.channelCount;
    }
    void syncController()
    {
        MemoryStream s;
        if (component->getState(&s) != kResultOk) return;
        s.at = 0;
        controller->setComponentState(&s);
    }
    static std::string copyText(void* ptr, const std::string& text)
    {
        if (ptr) std::snprintf(static_cast<char*>(ptr), 256, "%s", text.c_str());
        return text;
    }
    std::string paramText(VstInt32 index, bool display)
    {
        if (index < 0 || static_cast<size_t>(index) >= params.size()) return "";
        const ParameterInfo& p = params[static_cast<size_t>(index)];
        if (!display) return toUtf8(p.units, 128);
        String128 text{};
        if (controller->getParamStringByValue(p.id, controller->getParamNormalized(p.id), text) != kResultOk) return "";
        return toUtf8(text, 128);
    }
    std::string programName(int32_t index)
    {
        String128 text{};
        if (!units || units->getProgramName(programList, index, text) != kResultOk) return "";
        return toUtf8(text, 128);
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
    {
        switch (opcode) {
        case effClose: delete this; return 1;
        case effSetSampleRate: sampleRate = opt; return 0;
        case effSetBlockSize: blockSize = static_cast<int32_t>(value > 0 ? value : 1); return 0;
        case effMainsChanged:
            if (value)
                start(wideSamples);
            else
                stop();
            return 0;
        case effGetEffectName: copyText(ptr, name); return 1;
        case effGetVendorString: copyText(ptr, vendor); return 1;
        case effGetProductString: copyText(ptr, vendor + " " + name); return 1;
        case effGetParamName:
            if (index >= 0 && static_cast<size_t>(index) < params.size())
                copyText(ptr, toUtf8(params[static_cast<size_t>(index)].title, 128));
            return 0;
        case effGetParamLabel: copyText(ptr, paramText(index, false)); return 0;
        case effGetParamDisplay: copyText(ptr, paramText(index, true)); return 0;
        case effGetProgram:
            return programParam != kNoParam && programSteps > 0
                       ? static_cast<VstIntPtr>(std::lround(controller->getParamNormalized(programParam) * programSteps))
                       : 0;
        case effSetProgram:
            if (programParam != kNoParam && programSteps > 0 && value >= 0 && value <= programSteps) {
                const double v = static_cast<double>(value) / programSteps;
                controller->setParamNormalized(programParam, v);
                queued.add(programParam, 0, v);  // and the processor hears it too, as hosts send it
            }
            return 0;
        case effGetProgramName: copyText(ptr, programName(static_cast<int32_t>(dispatch(effGetProgram, 0, 0, nullptr, 0)))); return 0;
        case effGetProgramNameIndexed: copyText(ptr, programName(index)); return index >= 0 && index < effect.numPrograms;
        case effCanDo: return ptr && midiMapping && !std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent");
        case effGetChunk: return ptr ? saveState(static_cast<void**>(ptr)) : 0;
        case effSetChunk: return ptr ? loadState(static_cast<const uint8_t*>(ptr), static_cast<size_t>(value)) : 0;
        case effProcessEvents: pending = static_cast<VstEvents*>(ptr); return 1;
        case effGetTailSize: return static_cast<VstIntPtr>(processor->getTailSamples());
        case effGetInputProperties:
        case effGetOutputProperties: return pinProperties(opcode, index, ptr, inputName, outputName);
        case effEditGetRect: return ptr ? editorRect(static_cast<ERect**>(ptr)) : 0;
        case effEditOpen: return openView(ptr);
        case effEditClose: closeView(); return 0;
        case effEditIdle: frame.loop.run(); return 0;
        case effVendorSpecific: {
            if (index != kHostScaleIndex || !view) return 0;
            auto* scaling = ask<IPlugViewContentScaleSupport>(view);
            if (!scaling) return 0;
            const bool followed = scaling->setContentScaleFactor(opt) == kResultOk;
            scaling->release();
            return followed ? 1 : 0;
        }
        default: return 0;
        }
    }

    // ---- activation ----
    void start(bool wide)
    {
        if (active) return;
        ProcessSetup setup{kOffline, wide ? kSample64 : kSample32, blockSize, sampleRate};
        if (processor->setupProcessing(setup) != kResultOk)
            throw HostError("the plug-in refused to process at " + std::to_string(sampleRate) + " Hz");
        if (component->setActive(1) != kResultOk) throw HostError("the plug-in refused to activate");
        active = true;
        processing = processor->setProcessing(1) == kResultOk;
        wideSamples = wide;
    }
    void stop()
    {
        if (!active) return;
        if (processing) processor->setProcessing(0);
        processing = false;
        component->setActive(0);
        active = false;
    }

    // ---- parameters ----
    void setParameter(VstInt32 index, float value)
    {
        if (index < 0 || static_cast<size_t>(index) >= params.size()) return;
        const ParamID id = params[static_cast<size_t>(index)].id;
        // As a host does: the controller hears it now, the processor in the next block.
        controller->setParamNormalized(id, value);
        queued.add(id, 0, value);
    }
    float getParameter(VstInt32 index)
    {
        if (index < 0 || static_cast<size_t>(index) >= params.size()) return 0.0f;
        return static_cast<float>(controller->getParamNormalized(params[static_cast<size_t>(index)].id));
    }

    // ---- state ----
    VstIntPtr saveState(void** data)
    {
        MemoryStream s;
        if (component->getState(&s) != kResultOk || s.bytes.empty()) return 0;
        chunk = std::move(s.bytes);
        *data = chunk.data();
        return static_cast<VstIntPtr>(chunk.size());
    }
    VstIntPtr loadState(const uint8_t* data, size_t size)
    {
        MemoryStream s;
        s.bytes.assign(data, data + size);
        if (component->setState(&s) != kResultOk) return 0;
        s.at = 0;
        controller->setComponentState(&s);
        return 1;
    }

    // ---- processing ----
    void process(float** in32, float** out32, double** in64, double** out64, VstInt32 frames)
    {
        if (!active || frames < 0) return;
        const bool wide = out64 != nullptr;
        if (wide != wideSamples) {
            stop();  // the sample size is set up while inactive
            start(wide);
        }
        changes.clear();
        for (size_t i = 0; i < queued.used; ++i)
            for (const auto& p : queued.queues[i].points) changes.add(queued.queues[i].id, p.first, p.second);
        queued.clear();
        VstEvents* list = pending;
        pending = nullptr;
        const VstInt32 count = list ? list->numEvents : 0;
        for (VstInt32 k = 0; k < count; ++k) {
            const VstEvent* v = (&list->events[0])[k];
            if (!v) continue;
            const int32_t at = std::max<VstInt32>(v->deltaFrames, 0);
            if (v->type == kVstMidiType) {
                // Controllers reach a VST3 plug-in as the parameters its MIDI mapping names.
                const auto* m = reinterpret_cast<const VstMidiEvent*>(v);
                const auto status = static_cast<uint8_t>(m->midiData[0]);
                ParamID id = 0;
                if ((status & 0xF0) == 0xB0 && midiMapping &&
                    midiMapping->getMidiControllerAssignment(0, static_cast<int16_t>(status & 0x0F),
                                                             static_cast<CtrlNumber>(m->midiData[1] & 0x7F), id) == kResultTrue)
                    changes.add(id, at, static_cast<double>(m->midiData[2] & 0x7F) / 127.0);
            } else if (v->type == kHostParamEventType) {
                const auto* p = reinterpret_cast<const HostParamEvent*>(v);
                if (p->index >= 0 && static_cast<size_t>(p->index) < params.size())
                    changes.add(params[static_cast<size_t>(p->index)].id, at, p->value);
            }
        }

        ProcessContext context{};
        context.sampleRate = sampleRate;
        const auto* time = reinterpret_cast<const VstTimeInfo*>(
            master(audioMasterGetTime, 0, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid));
        if (time) {
            context.projectTimeSamples = static_cast<TSamples>(time->samplePos);
            if (time->flags & kVstTempoValid) context.state |= ProcessContext::kTempoValid, context.tempo = time->tempo;
            if (time->flags & kVstTransportPlaying) context.state |= ProcessContext::kPlaying;
            if (time->flags & kVstPpqPosValid)
                context.state |= ProcessContext::kProjectTimeMusicValid, context.projectTimeMusic = time->ppqPos;
        }
        AudioBusBuffers input{};
        AudioBusBuffers output{};
        input.numChannels = effect.numInputs;
        output.numChannels = effect.numOutputs;
        if (wide) {
            input.channelBuffers64 = in64;
            output.channelBuffers64 = out64;
        } else {
            input.channelBuffers32 = in32;
            output.channelBuffers32 = out32;
        }
        ProcessData data{};
        data.processMode = kOffline;
        data.symbolicSampleSize = wide ? kSample64 : kSample32;
        data.numSamples = frames;
        data.numInputs = effect.numInputs > 0 ? 1 : 0;
        data.numOutputs = 1;
        data.inputs = &input;
        data.outputs = &output;
        data.inputParameterChanges = &changes;
        data.processContext = time ? &context : nullptr;
        if (processor->process(data) == kResultOk && output.silenceFlags != 0) ++silentBlocks;
    }

    // ---- the editor ----
    VstIntPtr editorRect(ERect** rect)
    {
        ViewRect r{};
        if (!view || view->getSize(&r) != kResultOk) return 0;
        area = {static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                static_cast<int16_t>(r.right)};
        *rect = &area;
        return 1;
    }
    VstIntPtr openView(void* parent)
    {
#if defined(_WIN32)
        const char* type = kPlatformTypeHWND;
#else
        const char* type = kPlatformTypeX11EmbedWindowID;
#endif
        if (!view || viewOpen || view->isPlatformTypeSupported(type) != kResultTrue) return 0;
        view->setFrame(&frame);
        viewOpen = view->attached(parent, type) == kResultOk;
        if (!viewOpen) view->setFrame(nullptr);
        return viewOpen ? 1 : 0;
    }
    void closeView()
    {
        if (!viewOpen) return;
        view->removed();
        view->setFrame(nullptr);
        viewOpen = false;
    }

    static constexpr ParamID kNoParam = 0xFFFFFFFFu;

    audioMasterCallback masterCallback;
    std::string file;
    HostApp hostApp;
    Handler handler{*this};
    Frame frame;
    IPluginFactory* factory = nullptr;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IUnitInfo* units = nullptr;
    IMidiMapping* midiMapping = nullptr;
    IPlugView* view = nullptr;
    bool (*moduleExit)() = nullptr;
    bool separateController = false, active = false, processing = false, wideSamples = false, viewOpen = false;
    std::vector<ParameterInfo> params;
    ParamID programParam = kNoParam;
    int32_t programSteps = 0;
    ProgramListID programList = 0;
    std::string inputName = "Main", outputName = "Main";
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    VstEvents* pending = nullptr;
    Changes queued;   ///< values set between process calls, for the next one
    Changes changes;  ///< the process call's
    std::vector<uint8_t> chunk;
    ERect area{};
};

tresult Frame::resizeView(IPlugView* view, ViewRect* size)
{
    // The session's window follows, as for a VST 2.4 editor's audioMasterSizeWindow.
    if (!bridge || !view || !size) return kInvalidArgument;
    if (!bridge->master(audioMasterSizeWindow, size->right - size->left, size->bottom - size->top)) return kResultFalse;
    view->onSize(size);
    return kResultOk;
}

tresult Handler::beginEdit(ParamID id)
{
    const VstInt32 index = bridge.indexOf(id);
    if (index >= 0) bridge.master(audioMasterBeginEdit, index);
    return kResultOk;
}

tresult Handler::performEdit(ParamID id, ParamValue value)
{
    const VstInt32 index = bridge.indexOf(id);
    if (index >= 0) bridge.master(audioMasterAutomate, index, 0, nullptr, static_cast<float>(value));
    return kResultOk;
}

tresult Handler::endEdit(ParamID id)
{
    const VstInt32 index = bridge.indexOf(id);
    if (index >= 0) bridge.master(audioMasterEndEdit, index);
    return kResultOk;
}

}  // namespace

bool isVst3Path(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
    const std::string ending = ".vst3";
    if (p.size() < ending.size()) return false;
    std::string tail = p.substr(p.size() - ending.size());
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ending;
}

std::string vst3Binary(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path bundle(path);
    if (!fs::is_directory(bundle, ec)) return path;
    const std::string stem = bundle.filename().empty() ? bundle.parent_path().stem().string() : bundle.stem().string();
#if defined(_WIN32)
    return (bundle / "Contents" / "x86_64-win" / (stem + ".vst3")).string();
#else
    return (bundle / "Contents" / "x86_64-linux" / (stem + ".so")).string();
#endif
}

AEffect* openVst3Plugin(Platform::Library& library, const std::string& path, audioMasterCallback host)
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

std::string vst3ClassId(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b ? classIdText(b->classId) : "";
}

std::string vst3ClassVersion(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b ? b->version : "";
}

std::string vst3SubCategories(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b ? b->subCategories : "";
}

int64_t vst3SilentBlocks(AEffect* effect)
{
    const Bridge* b = Bridge::of(effect);
    return b ? b->silentBlocks : 0;
}

}  // namespace HostKit
