// Vesk2.vst3 as careless and careful hosts meet it, through its exported
// factory: what a host reads to list and map it, a defined outcome for every
// bad call, programs loaded as the VST 2.4 build loads them, and the
// parameter texts read back to the values they show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/vst3/Com.h"
#include "platform/library.h"
#include "tools/vesk-host/Vst3Bridge.h"
#include "tools/vesk-host/Vst3Host.h"

using namespace Vst3;
using namespace HostKit::Vst3Objects;

namespace {

constexpr ParamID kBypass = 100, kProgram = 101, kFirstController = 1000;

struct Handler final : Owned<IComponentHandler> {
    tresult queryInterface(const TUID which, void** obj) override { return answer(which, obj, IComponentHandler::iid); }
    tresult beginEdit(ParamID) override { return kResultOk; }
    tresult performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult endEdit(ParamID) override { return kResultOk; }
    tresult restartComponent(int32_t flags) override
    {
        restarts |= flags;
        return kResultOk;
    }
    int32_t restarts = 0;
};

/// A frame that offers no run loop, as a careless Linux host's.
struct BareFrame final : Owned<IPlugFrame> {
    tresult queryInterface(const TUID which, void** obj) override { return answer(which, obj, IPlugFrame::iid); }
    tresult resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
};

/// A stream that hands out a few bytes, then fails.
struct FailingStream final : Owned<IBStream> {
    tresult queryInterface(const TUID which, void** obj) override { return answer(which, obj, IBStream::iid); }
    tresult read(void* buffer, int32_t n, int32_t* got) override
    {
        if (reads++ > 0) {
            if (got) *got = 0;
            return kInternalError;
        }
        const int32_t k = n < 8 ? n : 8;
        std::memset(buffer, 'V', static_cast<size_t>(k));
        if (got) *got = k;
        return kResultOk;
    }
    tresult write(void*, int32_t, int32_t*) override { return kInternalError; }
    tresult seek(int64_t, int32_t, int64_t*) override { return kInternalError; }
    tresult tell(int64_t*) override { return kInternalError; }
    int reads = 0;
};

std::string text(const TChar* s) { return toUtf8(s, 128); }

class Vst3Binary : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string binary = HostKit::vst3Binary(VESK_VST3_BUNDLE);
        ASSERT_TRUE(library.load(binary)) << library.error();
        auto get = reinterpret_cast<IPluginFactory* (*)()>(library.symbol("GetPluginFactory"));
        ASSERT_NE(get, nullptr);
        factory = get();
        ASSERT_NE(factory, nullptr);
        PClassInfo info{};
        ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
        void* made = nullptr;
        ASSERT_EQ(factory->createInstance(info.cid, IComponent::iid.bytes, &made), kResultOk);
        component = static_cast<IComponent*>(made);
        ASSERT_EQ(component->initialize(nullptr), kResultOk);
        processor = ask<IAudioProcessor>(component);
        controller = ask<IEditController>(component);
        ASSERT_TRUE(processor && controller);
        controller->setComponentHandler(&handler);
    }
    void TearDown() override
    {
        if (processor) processor->release();
        if (controller) {
            controller->setComponentHandler(nullptr);
            controller->terminate();
            controller->release();
        }
        if (component) {
            component->terminate();
            component->release();
        }
    }

    bool activate(double rate, int32_t maxFrames, int32_t size = kSample32)
    {
        ProcessSetup setup{kRealtime, size, maxFrames, rate};
        return processor->setupProcessing(setup) == kResultOk && component->setActive(1) == kResultOk &&
               processor->setProcessing(1) == kResultOk;
    }
    void deactivate()
    {
        processor->setProcessing(0);
        component->setActive(0);
    }
    /// One block with in on both channels; the left output comes back.
    tresult run(int32_t frames, float in, Changes* changes = nullptr, std::vector<float>* outL = nullptr,
                uint64_t* silence = nullptr)
    {
        std::vector<float> l(static_cast<size_t>(frames), in), r = l, ol(static_cast<size_t>(frames), 7.0f), orr = ol;
        float* ins[2] = {l.data(), r.data()};
        float* outs[2] = {ol.data(), orr.data()};
        AudioBusBuffers input{}, output{};
        input.numChannels = output.numChannels = 2;
        input.channelBuffers32 = ins;
        output.channelBuffers32 = outs;
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.numSamples = frames;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &input;
        data.outputs = &output;
        data.inputParameterChanges = changes;
        const tresult r0 = processor->process(data);
        for (size_t i = 0; i < ol.size(); ++i) finite &= std::isfinite(ol[i]) && std::isfinite(orr[i]);
        if (outL) *outL = ol;
        if (silence) *silence = output.silenceFlags;
        return r0;
    }

    Platform::Library library;
    IPluginFactory* factory = nullptr;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    Handler handler;
    bool finite = true;
};

}  // namespace

TEST_F(Vst3Binary, WhatAHostReadsToListAndMapIt)
{
    PFactoryInfo fi{};
    ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
    EXPECT_STREQ(fi.vendor, "Morlenvale");
    EXPECT_STREQ(fi.email, "");
    EXPECT_EQ(fi.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);
    EXPECT_EQ(factory->countClasses(), 1);
    auto* f3 = ask<IPluginFactory3>(factory);
    ASSERT_NE(f3, nullptr);
    PClassInfo2 i2{};
    PClassInfoW iw{};
    ASSERT_EQ(f3->getClassInfo2(0, &i2), kResultOk);
    ASSERT_EQ(f3->getClassInfoUnicode(0, &iw), kResultOk);
    f3->release();
    EXPECT_STREQ(i2.category, "Audio Module Class");
    EXPECT_STREQ(i2.name, "Vesk2");
    EXPECT_STREQ(i2.subCategories, "Fx|Reverb");
    EXPECT_STREQ(i2.vendor, "Morlenvale");
    EXPECT_EQ(text(iw.name), "Vesk2");
    EXPECT_EQ(std::memcmp(iw.cid, i2.cid, 16), 0);
    // The class id keeps its text form on every platform (hosts store that).
    const Uid expected = makeUid(0x56657332, 0x4D6F726C, 0x656E7661, 0x6C650301);
    EXPECT_EQ(std::memcmp(i2.cid, expected.bytes, 16), 0);
    void* none = &none;
    EXPECT_EQ(factory->createInstance(IComponent::iid.bytes, IComponent::iid.bytes, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);

    // Buses: stereo in and out, MIDI in; other arrangements refused.
    BusInfo bus{};
    ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(component->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(component->getBusCount(kEvent, kOutput), 0);
    EXPECT_NE(component->getBusInfo(kAudio, kInput, 1, bus), kResultOk);
    SpeakerArrangement mono = 0x80000, stereo = kSpeakerStereo;
    EXPECT_EQ(processor->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);

    // The parameters: the fourteen with their ids, the bypass, the program
    // list's switch, and one hidden way in per MIDI controller.
    const int32_t count = controller->getParameterCount();
    ASSERT_EQ(count, 14 + 2 + 128);
    int hidden = 0;
    for (int32_t k = 0; k < count; ++k) {
        ParameterInfo p{};
        ASSERT_EQ(controller->getParameterInfo(k, p), kResultOk);
        if (k < 14) {
            EXPECT_EQ(p.id, static_cast<ParamID>(k));
            EXPECT_EQ(p.flags & ParameterInfo::kCanAutomate, ParameterInfo::kCanAutomate);
            EXPECT_EQ(controller->getParamNormalized(p.id), p.defaultNormalizedValue) << k;
            EXPECT_EQ(controller->normalizedParamToPlain(p.id, 0.3), 0.3) << "plain values are the raw values";
            EXPECT_EQ(controller->plainParamToNormalized(p.id, 0.3), 0.3);
        }
        hidden += (p.flags & ParameterInfo::kIsHidden) != 0 && !(p.flags & ParameterInfo::kCanAutomate);
        if (p.id == kBypass) {
            EXPECT_EQ(p.flags & ParameterInfo::kIsBypass, ParameterInfo::kIsBypass);
        }
        if (p.id == kProgram) {
            EXPECT_EQ(p.flags & ParameterInfo::kIsProgramChange, ParameterInfo::kIsProgramChange);
            EXPECT_EQ(p.stepCount, 15);
        }
    }
    EXPECT_EQ(hidden, 128);
    ParameterInfo mode{};
    controller->getParameterInfo(12, mode);
    EXPECT_EQ(mode.stepCount, 1);
    EXPECT_EQ(mode.flags & ParameterInfo::kIsList, ParameterInfo::kIsList);

    // Controllers of any channel reach their hidden parameter; nothing else maps.
    auto* mapping = ask<IMidiMapping>(controller);
    ASSERT_NE(mapping, nullptr);
    ParamID id = 0;
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 9, 7, id), kResultTrue);
    EXPECT_EQ(id, kFirstController + 7);
    EXPECT_NE(mapping->getMidiControllerAssignment(0, 0, 129, id), kResultTrue) << "pitch bend";
    EXPECT_NE(mapping->getMidiControllerAssignment(1, 0, 7, id), kResultTrue) << "no second bus";
    mapping->release();

    // Sixteen programs in one list on the root unit.
    auto* units = ask<IUnitInfo>(controller);
    ASSERT_NE(units, nullptr);
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.programCount, 16);
    String128 name{};
    EXPECT_EQ(units->getProgramName(list.id, 15, name), kResultOk);
    EXPECT_EQ(text(name), "Init 16");
    EXPECT_NE(units->getProgramName(list.id, 16, name), kResultOk);
    units->release();
}

TEST_F(Vst3Binary, CarelessCallsGetDefinedOutcomes)
{
    std::vector<float> out;
    EXPECT_EQ(run(64, 0.5f, nullptr, &out), kNotInitialized) << "process before activation";
    EXPECT_EQ(out[0], 7.0f) << "outputs untouched";
    ProcessSetup bad{kRealtime, kSample32, 64, 0.0};
    EXPECT_NE(processor->setupProcessing(bad), kResultOk);
    bad = {kRealtime, kSample32, 0, 48000.0};
    EXPECT_NE(processor->setupProcessing(bad), kResultOk);
    bad = {kRealtime, 7, 64, 48000.0};
    EXPECT_NE(processor->setupProcessing(bad), kResultOk);

    // Odd rates and blocks, non-finite input, and changes out of order, beyond
    // the block, for unknown ids, out of range and not a number.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        double rate;
        int32_t maxFrames, frames;
        float input;
    } runs[] = {{7.0, 1, 1, 0.5f}, {1e6, 4097, 4097, inf}, {44100.0, 64, 13, nan}, {96000.0, 512, 600, 0.1f}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.rate);
        ASSERT_TRUE(activate(r.rate, r.maxFrames));
        ProcessSetup again{kRealtime, kSample32, 64, 48000.0};
        EXPECT_NE(processor->setupProcessing(again), kResultOk) << "no new setup while active";
        Changes changes;
        changes.add(1, 5000, 0.9);
        changes.add(0, 3, -3.0);
        changes.add(0, 1, 0.2);
        changes.add(99, 1, 0.5);
        changes.add(2, 0, std::nan(""));
        changes.add(3, 2, 1e30);
        changes.add(kFirstController + 200, 0, 1.0);
        const tresult status = run(r.frames, r.input, &changes);
        if (r.frames > r.maxFrames)
            EXPECT_NE(status, kResultOk) << "a block beyond the maximum is refused";
        else
            EXPECT_EQ(status, kResultOk);
        for (int i = 0; i < 3; ++i) run(r.frames > r.maxFrames ? r.maxFrames : r.frames, r.input);
        EXPECT_TRUE(finite);
        for (ParamID id = 0; id < 14; ++id) {
            const double v = controller->getParamNormalized(id);
            EXPECT_TRUE(v >= 0.0 && v <= 1.0) << id;
        }
        deactivate();
    }
    String128 shown{};
    EXPECT_NE(controller->getParamStringByValue(99, 0.5, shown), kResultOk);
    ParamValue v = 0;
    EXPECT_NE(controller->getParamValueByString(1, const_cast<TChar*>(u"not a number"), v), kResultOk);

    // Parameters handed over without audio (a flush) take effect at once.
    ASSERT_TRUE(activate(48000.0, 256));
    Changes flush;
    flush.add(13, 0, 0.25);
    EXPECT_EQ(run(0, 0.0f, &flush), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(13), 0.25);
    deactivate();

    // States that end early, fail part-way or are not ours change nothing.
    const double before = controller->getParamNormalized(1);
    MemoryStream good;
    ASSERT_EQ(component->getState(&good), kResultOk);
    MemoryStream cut, junk;
    cut.bytes.assign(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(good.bytes.size() / 2));
    junk.bytes.assign(300, 0x5A);
    FailingStream failing;
    controller->setParamNormalized(1, 0.8);
#if !defined(_WIN32)
    // (On Windows the damage is told in a message box, which would wait for a click here.)
    EXPECT_EQ(component->setState(&cut), kResultFalse);
    EXPECT_EQ(component->setState(&junk), kResultFalse);
#endif
    EXPECT_EQ(component->setState(&failing), kResultFalse);
    EXPECT_FLOAT_EQ(static_cast<float>(controller->getParamNormalized(1)), 0.8f);
    good.at = 0;
    EXPECT_EQ(component->setState(&good), kResultOk);
    EXPECT_NEAR(controller->getParamNormalized(1), before, 1e-6);

    // Window systems the view does not take, and a Linux host without a run loop.
    IPlugView* view = controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(controller->createView("other"), nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    EXPECT_EQ(view->attached(nullptr, kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(view->canResize(), kResultFalse);
    ViewRect size{}, odd{0, 0, 900, 900};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right, 560);
    EXPECT_EQ(size.bottom, 170);
    EXPECT_EQ(view->checkSizeConstraint(&odd), kResultOk);
    EXPECT_EQ(odd.right, 560) << "the size is fixed";
#if !defined(_WIN32)
    BareFrame frame;
    view->setFrame(&frame);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{1}), kPlatformTypeX11EmbedWindowID), kResultFalse)
        << "no editor without the host's run loop to drive it";
    view->setFrame(nullptr);
#endif
    EXPECT_EQ(view->removed(), kResultOk) << "removed without attached";
    view->release();
}

TEST_F(Vst3Binary, ProgramsLoadAsTheProgramSwitchOfVst2Does)
{
    // Programs are edited in place: an edit stays with its program.
    controller->setParamNormalized(1, 0.9);
    controller->setParamNormalized(kProgram, 1.0 / 15);
    EXPECT_EQ(controller->getParamNormalized(1), 0.5) << "program 2 as the factory made it";
    EXPECT_EQ(handler.restarts, 0) << "no restart asked for inside the host's own call";
    // Between two steps of the list, as the interface rounds: floor(v * count).
    controller->setParamNormalized(kProgram, 0.5);
    EXPECT_EQ(controller->getParamNormalized(kProgram), 8.0 / 15);
    controller->setParamNormalized(kProgram, 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(controller->getParamNormalized(1)), 0.9f);
    String128 name{};
    ASSERT_EQ(controller->getParamStringByValue(kProgram, 1.0, name), kResultOk);
    EXPECT_EQ(text(name), "Init 16");
    ParamValue v = -1;
    ASSERT_EQ(controller->getParamValueByString(kProgram, name, v), kResultOk);
    EXPECT_EQ(v, 1.0);
    EXPECT_EQ(controller->normalizedParamToPlain(kProgram, 1.0), 15.0);

    // While audio runs, as hosts do it: a value goes to the processor first and
    // the controller after; a program chosen then replaces it, and the next
    // block tells the host the values the program brought.
    ASSERT_TRUE(activate(48000.0, 64));
    Changes edit;
    edit.add(1, 0, 0.7);
    run(64, 0.0f, &edit);
    controller->setParamNormalized(1, 0.7);
    controller->setParamNormalized(3, 0.9);  // one the processor has not had yet
    controller->setParamNormalized(kProgram, 2.0 / 15);
    Changes told;
    told.clear();
    AudioBusBuffers none{};
    ProcessData data{};
    data.numSamples = 64;
    data.numOutputs = 1;
    std::vector<float> l(64), r(64);
    float* outs[2] = {l.data(), r.data()};
    none.numChannels = 2;
    none.channelBuffers32 = outs;
    data.outputs = &none;
    data.outputParameterChanges = &told;
    ASSERT_EQ(processor->process(data), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(1), 0.5) << "the program, not the value before it";
    EXPECT_EQ(controller->getParamNormalized(3), 0.5) << "the program, not the value still waiting";
    // Only the values the program changed, the one still waiting among them.
    ASSERT_EQ(told.getParameterCount(), 2);
    for (int32_t k = 0; k < 2; ++k) {
        int32_t point = 0;
        double reported = -1;
        EXPECT_EQ(told.getParameterData(k)->getParameterId(), k == 0 ? 1u : 3u);
        told.getParameterData(k)->getPoint(0, point, reported);
        EXPECT_EQ(reported, 0.5);
    }
    deactivate();
}

TEST_F(Vst3Binary, EveryParameterReadsBackTheTextItShows)
{
    for (ParamID id = 0; id < 14; ++id)
        for (double v : {0.0, 0.013, 0.3, 0.5, 0.77, 0.999, 1.0}) {
            String128 shown{}, again{};
            ASSERT_EQ(controller->getParamStringByValue(id, v, shown), kResultOk);
            ParamValue read = -1;
            ASSERT_EQ(controller->getParamValueByString(id, shown, read), kResultOk) << id << " '" << text(shown) << "'";
            ASSERT_EQ(controller->getParamStringByValue(id, read, again), kResultOk);
            EXPECT_EQ(text(again), text(shown)) << id << " at " << v;
        }
}

TEST_F(Vst3Binary, BypassPassesTheInputAndSilenceIsFlagged)
{
    // Bypassed from the first frame, the output is the input; the engine's
    // silence is flagged only when the output really is silent.
    ASSERT_TRUE(activate(48000.0, 256));
    controller->setParamNormalized(12, 1.0);
    Changes on;
    on.add(kBypass, 0, 1.0);
    std::vector<float> out;
    uint64_t silence = 99;
    ASSERT_EQ(run(256, 0.25f, &on, &out, &silence), kResultOk);
    EXPECT_EQ(out[255], 0.25f);
    EXPECT_EQ(silence, 0u);
    Changes off;
    off.add(kBypass, 0, 0.0);
    run(256, 0.0f, &off);
    for (int i = 0; i < 400 && silence == 0; ++i) run(256, 0.0f, nullptr, &out, &silence);
    EXPECT_EQ(silence, 3u) << "an idle engine flags both channels silent";
    for (float x : out) ASSERT_EQ(x, 0.0f) << "flagged silent, every sample is zero";
    deactivate();
}
