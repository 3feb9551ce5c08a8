// The effect frame as a host meets it: the AEffect record, every dispatcher
// answer called through the record's function pointer, the parameter entry
// points and the stand-in effect for processors without SSE2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/RecordingDialogs.h"

using CoreTest::TestEditor;
using CoreTest::TestEffect;
using TestSupport::FakeHost;
using TestSupport::RecordingDialogs;

namespace {

class Frame : public ::testing::Test {
protected:
    FakeHost host;
    RecordingDialogs dialogs;
    TestEffect* fx = new TestEffect(FakeHost::callback(), "CoreFx", TestEffect::kPrograms, TestEffect::kParams, true);
    AEffect* e = fx->record();

    void TearDown() override
    {
        if (fx) e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr expected = 0)
    {
        char buf[256];
        std::memset(buf, '#', sizeof buf);
        buf[255] = 0;
        EXPECT_EQ(call(opcode, index, 0, buf), expected) << "opcode " << opcode;
        return buf;
    }
};

}  // namespace

TEST_F(Frame, RecordDescribesTheEffect)
{
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->object, static_cast<AudioEffect*>(&fx->frame()));
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 14);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing)
        << "no editor yet, never a synth";
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->initialDelay, 0);

    // The identifier is the djb2 hash of the product name until the effect sets its own.
    uint32_t h = 5381;
    for (const char* p = "CoreFx"; *p; ++p) h = h * 33u + static_cast<unsigned char>(*p);
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID), h);

    fx->attachEditor(new TestEditor);
    EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
}

TEST_F(Frame, ProgramOpcodes)
{
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(call(effSetProgram, 0, 5), 0);
    EXPECT_EQ(call(effGetProgram), 5);
    EXPECT_EQ(call(effSetProgram, 0, 16), 0);
    EXPECT_EQ(call(effSetProgram, 0, -1), 0);
    EXPECT_EQ(call(effGetProgram), 5) << "one past the last program, or a negative one, changes nothing";

    EXPECT_EQ(text(effGetProgramName), "Init 6");
    char name[] = "A name that is far longer than a program name may be";
    EXPECT_EQ(call(effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(text(effGetProgramName), std::string(name, 23));
    EXPECT_EQ(text(effGetProgramNameIndexed, 5, 1), std::string(name, 23));
    EXPECT_EQ(text(effGetProgramNameIndexed, 15, 1), "Init 16");
    EXPECT_EQ(call(effGetProgramNameIndexed, 16, 0, name), 0);
    EXPECT_EQ(call(effGetProgramNameIndexed, -1, 0, name), 0);
    EXPECT_EQ(call(effGetNumProgramCategories), 1);
}

TEST_F(Frame, ParameterTextOpcodes)
{
    EXPECT_EQ(text(effGetParamName, 0), "Alpha");
    EXPECT_EQ(text(effGetParamName, TestEffect::kUnnamedParam), "**") << "name unset";
    EXPECT_EQ(text(effGetParamName, 14), "**");
    EXPECT_EQ(text(effGetParamName, -1), "**");

    EXPECT_EQ(text(effGetParamLabel, 6), "dB");
    EXPECT_EQ(text(effGetParamLabel, TestEffect::kUnnamedParam), "") << "label unset";
    EXPECT_EQ(text(effGetParamLabel, 14), "");

    fx->setParameter(2, 0.25f);
    EXPECT_EQ(text(effGetParamDisplay, 2), "2:0.250");
    char untouched[] = "keep";
    EXPECT_EQ(call(effGetParamDisplay, 14, 0, untouched), 0);
    EXPECT_STREQ(untouched, "keep");
    EXPECT_EQ(call(effGetParamDisplay, -3, 0, untouched), 0);
    EXPECT_STREQ(untouched, "keep");

    for (VstInt32 i : {0, 13, 14, 200, -1}) EXPECT_EQ(call(effCanBeAutomated, i), 1) << i;
}

TEST_F(Frame, IdentityAndCapabilities)
{
    EXPECT_EQ(text(effGetEffectName, 0, 1), "CoreFx");
    EXPECT_EQ(text(effGetVendorString, 0, 1), "Morlenvale");
    EXPECT_EQ(text(effGetProductString, 0, 1), "Morlenvale CoreFx");
    EXPECT_EQ(call(effIdentify), vstFourCC('R', 'u', 'V', 'o'));
    EXPECT_EQ(call(effGetVstVersion), 2400);
    EXPECT_EQ(call(effKeysRequired), 1);
    EXPECT_EQ(call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, 123456), 123456);
    EXPECT_EQ(call(effConnectInput, 0, 1), 1);
    EXPECT_EQ(call(effConnectOutput, 1, 0), 1);

    char yes[] = "receiveVstMidiEvent";
    EXPECT_EQ(call(effCanDo, 0, 0, yes), 1);
    for (const char* no : {"receiveVstMidiEvents", "receiveVstMidiEven", "ReceiveVstMidiEvent", "sendVstMidiEvent",
                           "receiveVstEvents", "bypass", ""}) {
        std::string t = no;
        EXPECT_EQ(call(effCanDo, 0, 0, t.data()), 0) << no << ": never -1";
    }
}

TEST_F(Frame, PinProperties)
{
    for (VstInt32 op : {effGetInputProperties, effGetOutputProperties}) {
        for (VstInt32 i = 0; i < 2; ++i) {
            VstPinProperties p;
            std::memset(&p, 0x5A, sizeof p);
            EXPECT_EQ(call(op, i, 0, &p), 1);
            EXPECT_STREQ(p.label, i ? "Main R" : "Main L");
            EXPECT_EQ(p.flags, kVstPinIsActive | kVstPinIsStereo);
            EXPECT_EQ(p.arrangementType, 0x5A5A5A5A) << "other fields untouched";
            EXPECT_EQ(static_cast<unsigned char>(p.shortLabel[0]), 0x5A);
        }
        VstPinProperties p{};
        EXPECT_EQ(call(op, 2, 0, &p), 0);
        EXPECT_EQ(call(op, -1, 0, &p), 0);
    }
}

TEST_F(Frame, SampleRateBlockSizeAndMains)
{
    EXPECT_EQ(call(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(fx->getSampleRate(), 48000.0f);
    EXPECT_EQ(call(effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(fx->getBlockSize(), 256);

    fx->latency = 33;
    EXPECT_EQ(call(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(fx->prepares, 1);
    EXPECT_EQ(fx->resets, 1);
    EXPECT_EQ(e->initialDelay, 33) << "latency reported at resume";

    EXPECT_EQ(call(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(fx->prepares, 1) << "suspend does nothing";
    EXPECT_EQ(fx->resets, 1);

    EXPECT_EQ(call(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(fx->prepares, 1) << "prepare runs again only after a rate change";
    EXPECT_EQ(fx->resets, 2);

    EXPECT_EQ(call(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    EXPECT_EQ(fx->getBlockSize(), 512);
    EXPECT_EQ(fx->getSampleRate(), 96000.0f);
    EXPECT_EQ(call(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(fx->prepares, 2);
}

TEST_F(Frame, EditorOpcodesFollowTheEditor)
{
    ERect* rect = nullptr;
    EXPECT_EQ(call(effEditGetRect, 0, 0, &rect), 0) << "no editor";
    EXPECT_EQ(call(effEditOpen), 0);
    EXPECT_EQ(call(effEditClose), 0);
    EXPECT_EQ(call(effEditIdle), 0);

    auto* ed = new TestEditor;
    fx->attachEditor(ed);
    EXPECT_EQ(call(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ((std::vector<int>{rect->top, rect->left, rect->bottom, rect->right}), (std::vector<int>{0, 0, 170, 560}));
    EXPECT_EQ(call(effEditOpen, 0, 0, this), 1);
    EXPECT_EQ(call(effEditIdle), 0);
    EXPECT_EQ(call(effEditClose), 0);
    EXPECT_EQ(ed->opens, 1);
    EXPECT_EQ(ed->idles, 1);
    EXPECT_EQ(ed->closes, 1);

    ed->rectAnswer = ed->openAnswer = false;
    EXPECT_EQ(call(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(call(effEditOpen, 0, 0, this), 0);
}

TEST_F(Frame, ChunkAndEventOpcodes)
{
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 1, 0, &data);
    EXPECT_EQ(size, 96) << "program form of 14 parameters without mappings";
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(call(effGetChunk, 0, 0, &data), 1410) << "bank form of 16 programs";

    std::vector<uint8_t> bank(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + 1410);
    fx->setParameter(0, 0.9f);
    EXPECT_EQ(call(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 0);
    EXPECT_NEAR(fx->getParameter(0), TestEffect::builtInDefault(0), 1e-4);
    EXPECT_TRUE(dialogs.boxes.empty());

    CoreTest::EventList list;
    list.note(0, 60);
    EXPECT_EQ(call(effProcessEvents, 0, 0, list.get()), 1);
}

TEST_F(Frame, EveryOtherOpcodeAnswersZero)
{
    const std::set<VstInt32> answered = {
        effClose, effGetProgram, effGetChunk, effEditGetRect, effEditOpen, effIdentify, effProcessEvents,
        effCanBeAutomated, effGetNumProgramCategories, effGetProgramNameIndexed, effConnectInput, effConnectOutput,
        effGetInputProperties, effGetOutputProperties, effSetBlockSizeAndSampleRate, effGetEffectName,
        effGetVendorString, effGetProductString, effKeysRequired, effGetVstVersion, effGetCurrentMidiProgram,
        // These change state, and are tested on their own.
        effSetChunk, effSetProgram, effSetProgramName, effMainsChanged, effSetBlockSize, effSetSampleRate,
        effCanDo};
    fx->attachEditor(new TestEditor);
    for (VstInt32 op = 0; op <= 90; ++op) {
        if (answered.count(op)) continue;
        alignas(16) char scratch[512] = {};
        EXPECT_EQ(call(op, 0, 0, scratch, 0.0f), 0) << "opcode " << op;
    }
    for (VstInt32 op : {-1, 100, 1000, 0x7FFFFFFF}) EXPECT_EQ(call(op, 1, 1, nullptr, 1.0f), 0) << op;

    // Named zeros worth a second look.
    EXPECT_EQ(call(effGetPlugCategory), 0);
    EXPECT_EQ(call(effGetVendorVersion), 0);
    EXPECT_EQ(call(effGetTailSize), 0);
    EXPECT_EQ(call(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(call(effVendorSpecific, 1, 2), 0);
    EXPECT_EQ(call(effVendorSpecific, vstFourCC('s', 't', 'C', 'A'), 0), 0);
    EXPECT_EQ(call(effVendorSpecific, 0, vstFourCC('W', 'h', 'e', 'e'), nullptr, 1.0f), 0);

    int dummy = 0;
    void* inputArrangement = &dummy;
    void* outputArrangement = &dummy;
    EXPECT_EQ(call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputArrangement), &outputArrangement),
              0);
    EXPECT_EQ(inputArrangement, nullptr);
    EXPECT_EQ(outputArrangement, nullptr);
}

TEST_F(Frame, WheelForwardingWithoutOneOfOurWindowsUnderTheCursor)
{
    // No window of this library exists, so nothing can be under the cursor.
    EXPECT_EQ(call(effVendorSpecific, vstFourCC('s', 't', 'C', 'A'), vstFourCC('W', 'h', 'e', 'e'), nullptr, 1.0f),
              0);
}

TEST_F(Frame, NullPointersFromTheHostAreRefused)
{
    EXPECT_EQ(call(effGetEffectName), 0);
    EXPECT_EQ(call(effGetProgramNameIndexed, 0), 0);
    EXPECT_EQ(call(effGetInputProperties, 0), 0);
    EXPECT_EQ(call(effCanDo), 0);
    EXPECT_EQ(call(effGetChunk, 0), 0);
    EXPECT_EQ(call(effSetChunk, 0, 100), 0);
    call(effGetParamName, 0);
    call(effSetProgramName);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Frame, CloseDestroysTheObject)
{
    const AEffectDispatcherProc dispatcher = e->dispatcher;
    const AEffectGetParameterProc getParameter = e->getParameter;
    const int before = TestEffect::alive;
    EXPECT_EQ(call(effClose), 1);
    EXPECT_EQ(TestEffect::alive, before - 1);
    fx = nullptr;

    // A record that is not ours is refused without touching it.
    AEffect foreign{};
    EXPECT_EQ(dispatcher(&foreign, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(dispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(getParameter(&foreign, 0), 0.0f);
}

// ---------------------------------------------------------------- parameters

TEST_F(Frame, SetParameterClampsAndGetParameterReadsMagnitude)
{
    struct Case {
        float in, out;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (Case c : {Case{0.3f, 0.3f}, Case{1.7f, 1.0f}, Case{-0.2f, 0.0f}, Case{nan, 0.0f}, Case{inf, 1.0f},
                   Case{-inf, 0.0f}, Case{1.0f, 1.0f}, Case{0.0f, 0.0f}}) {
        e->setParameter(e, 3, c.in);
        EXPECT_EQ(e->getParameter(e, 3), c.out) << c.in;
        EXPECT_GE(fx->param(3).value.load(), 0.0f);
        EXPECT_LE(fx->param(3).value.load(), 1.0f);
    }

    // A stored -0.0 reads as 0 everywhere, never as -0.
    fx->slotOf(4).value.store(-0.0f);
    const float read = e->getParameter(e, 4);
    EXPECT_EQ(read, 0.0f);
    EXPECT_FALSE(std::signbit(read));
    e->setParameter(e, 4, -0.0f);
    EXPECT_FALSE(std::signbit(e->getParameter(e, 4)));

    e->setParameter(e, 3, 0.5f);
    const std::vector<float> before = [&] {
        std::vector<float> v;
        for (int i = 0; i < 14; ++i) v.push_back(e->getParameter(e, i));
        return v;
    }();
    e->setParameter(e, 14, 0.9f);
    e->setParameter(e, -1, 0.9f);
    e->setParameter(e, 1 << 30, 0.9f);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(e->getParameter(e, i), before[i]) << "out-of-range index ignored";
    EXPECT_EQ(e->getParameter(e, 14), 0.0f);
    EXPECT_EQ(e->getParameter(e, -1), 0.0f);
    EXPECT_TRUE(host.automated.empty()) << "the host's own setParameter is not echoed back";
}

TEST_F(Frame, EditGesturesAndAutomation)
{
    fx->beginEdit(3);
    fx->setParameterAutomated(3, 0.75f);
    fx->endEdit(3);
    EXPECT_EQ(host.beginEdits, std::vector<int>{3});
    EXPECT_EQ(host.endEdits, std::vector<int>{3});
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0], std::make_pair(3, 0.75f));
    EXPECT_EQ(fx->getParameter(3), 0.75f);

    fx->resetToDefault(3);
    EXPECT_EQ(fx->getParameter(3), TestEffect::builtInDefault(3));
    ASSERT_EQ(host.automated.size(), 2u);
    EXPECT_EQ(host.automated[1], std::make_pair(3, TestEffect::builtInDefault(3)));
}

TEST_F(Frame, AutomationTellsTheHostTheStoredValueOfAnExistingParameter)
{
    // The host records what it is told and plays it back later: it must only
    // ever hear of parameters that exist, with values it can play back.
    fx->setParameterAutomated(2, 1.5f);
    fx->setParameterAutomated(5, std::numeric_limits<float>::quiet_NaN());
    fx->setParameterAutomated(14, 0.5f);
    fx->setParameterAutomated(200, 0.5f);
    ASSERT_EQ(host.automated.size(), 2u);
    EXPECT_EQ(host.automated[0], std::make_pair(2, 1.0f));
    EXPECT_EQ(host.automated[1], std::make_pair(5, 0.0f));
}

TEST_F(Frame, DefaultTextAndLabel)
{
    char text[64];
    fx->formatParamWithLabel(6, 0.5f, text);
    EXPECT_STREQ(text, "6:0.500 dB");
    fx->formatParamWithLabel(10, 0.5f, text);
    EXPECT_STREQ(text, "10:0.500") << "empty label: no trailing blank";
    fx->formatParamWithLabel(TestEffect::kUnnamedParam, 0.25f, text);
    EXPECT_STREQ(text, "13:0.250") << "unset label";

    fx->setParameter(1, 0.9f);
    fx->getDefaultText(1, text);
    EXPECT_STREQ(text, "1:0.100 s") << "the reset target, not the current value";
    fx->getDefaultText(99, text);
    EXPECT_STREQ(text, "99:0.000") << "out of range: value 0, no label";
}

// ---------------------------------------------------------------- stand-in

namespace {

bool noSse2() { return false; }
bool withSse2() { return true; }
int factoryCalls = 0;
PlugCore::Plug* makeTestEffect(PlugCore::IHost* host)
{
    ++factoryCalls;
    auto* fx = new TestEffect(nullptr);  // its frame is the one being made
    fx->setHost(host);
    return fx;
}
PlugCore::Plug* withSse2Core(PlugCore::IHost* host) { return PlugCore::createPlug(host, makeTestEffect, withSse2); }
PlugCore::Plug* noSse2Core(PlugCore::IHost* host) { return PlugCore::createPlug(host, makeTestEffect, noSse2); }

}  // namespace

TEST(Sse2Refusal, ProcessorWithSse2GetsTheProduct)
{
    FakeHost host;
    RecordingDialogs dialogs;
    factoryCalls = 0;
    AudioEffect* fx = Vst2::instantiate(FakeHost::callback(), withSse2Core);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(factoryCalls, 1);
    EXPECT_NE(dynamic_cast<TestEffect*>(static_cast<Vst2::Vst2Plug*>(fx)->core()), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(Sse2Refusal, ProcessorWithoutSse2GetsAWorkingStandIn)
{
    FakeHost host;
    RecordingDialogs dialogs;
    factoryCalls = 0;
    AudioEffect* fx = Vst2::instantiate(FakeHost::callback(), noSse2Core);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(factoryCalls, 0) << "the product is never constructed";

    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "This plugin requires SSE2, which your CPU doesn't support.\n"
              "Unfortunately you will need a more recent system. Sorry.");
    EXPECT_EQ(dialogs.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);

    AEffect* e = fx->getAeffect();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(fx) % 16, 0u) << "effect objects sit on 16-byte boundaries";
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numParams, 1);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID), 0x0D2011CFu);
    EXPECT_EQ(e->flags & effFlagsHasEditor, 0);

    char name[64] = {};
    EXPECT_EQ(e->dispatcher(e, effGetEffectName, 0, 0, name, 0.0f), 1);
    EXPECT_STREQ(name, "Error");
    char display[16] = "xyz";
    e->dispatcher(e, effGetParamDisplay, 0, 0, display, 0.0f);
    EXPECT_STREQ(display, "");
    VstPinProperties pin{};
    EXPECT_EQ(e->dispatcher(e, effGetOutputProperties, 1, 0, &pin, 0.0f), 1);
    EXPECT_STREQ(pin.label, "Main R");

    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, effSetBlockSize, 0, 64, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<float> inL(64, 0.5f), inR(64, -0.5f), outL(64, 0.7f), outR(64, 0.7f);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    e->processReplacing(e, in, out, 64);
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(outL[i] == 0.0f && outR[i] == 0.0f) << "silence at " << i;

    std::vector<double> dL(64, 0.5), dR(64, 0.5), oL(64, 3.0), oR(64, 3.0);
    double* din[2] = {dL.data(), dR.data()};
    double* dout[2] = {oL.data(), oR.data()};
    e->processDoubleReplacing(e, din, dout, 64);
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(oL[i] == 0.0 && oR[i] == 0.0) << "silence at " << i;

    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}
