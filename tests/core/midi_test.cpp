// MIDI from the host: notes and controllers at their offsets, the controller
// classes, learning, unlearning and the mapping of controller values.
#include <gtest/gtest.h>

#include "core/MidiKeys.h"
#include "tests/core/ChunkBytes.h"
#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/RecordingDialogs.h"

using CoreTest::BlockCall;
using CoreTest::ChunkBytes;
using CoreTest::EventList;
using CoreTest::HookCall;
using CoreTest::StereoBlock;
using CoreTest::TestEditor;
using CoreTest::TestEffect;
using TestSupport::FakeHost;

namespace {

constexpr int32_t kBlock = 512;

/// A controller key as a parameter holds it: sign-extended from 16 bits.
int32_t key(int controller) { return static_cast<int16_t>(0xB000 + controller); }

bool isInert(int c) { return c == 0 || c == 6 || (c >= 32 && c <= 63 && c != 38) || (c >= 96 && c <= 99) || c == 121 || c == 122; }

class Midi : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx = std::make_unique<TestEffect>(FakeHost::callback());
        editor = new TestEditor;
        fx->attachEditor(editor);
        fx->setSampleRate(44100.0f);
        fx->setBlockSize(kBlock);
        fx->resume();
        fx->clearLog();
    }

    void play(EventList& events, int32_t frames = kBlock)
    {
        StereoBlock io(frames);
        fx->processEvents(events.get());
        fx->rendered = 0;
        fx->processDoubleReplacing(io.in(), io.out(), frames);
    }
    void controller(int c, int value, uint8_t channel = 0)
    {
        EventList e;
        e.cc(0, static_cast<uint8_t>(c), static_cast<uint8_t>(value), channel);
        play(e);
    }
    int learnTarget()
    {
        for (uint32_t i = 0; i < fx->paramCount(); ++i)
            if (fx->isLearning(i)) return static_cast<int>(i);
        return -1;
    }

    FakeHost host;
    TestSupport::RecordingDialogs dialogs;
    std::unique_ptr<TestEffect> fx;
    TestEditor* editor = nullptr;  // owned by fx
};

}  // namespace

TEST_F(Midi, ControllerClasses)
{
    for (int c = 0; c < 128; ++c) {
        SCOPED_TRACE(::testing::Message() << "controller " << c);
        SetUp();
        fx->startLearn(3);
        controller(c, 127);
        const float before = TestEffect::builtInDefault(3);
        // The shared rule (the command-line host's --learn uses it too) names
        // exactly the controllers that behave as learnable here.
        EXPECT_EQ(PlugCore::isLearnableController(c), !isInert(c) && c != 120 && c < 123);

        if (isInert(c)) {
            EXPECT_TRUE(fx->isLearning(3)) << "never completes a learn";
            EXPECT_EQ(fx->getMidiKey(3), -1);
            EXPECT_EQ(fx->getParameter(3), before);
            EXPECT_EQ(fx->count(HookCall::Control) + fx->count(HookCall::Reset) + fx->count(HookCall::NoteOff), 0);
        } else if (c == 120) {
            EXPECT_EQ(fx->count(HookCall::Reset), 1) << "all sound off";
            EXPECT_TRUE(fx->isLearning(3)) << "the learn keeps waiting";
            EXPECT_EQ(fx->getMidiKey(3), -1);
        } else if (c >= 123) {
            ASSERT_EQ(fx->count(HookCall::NoteOff), 128);
            int n = 0;
            for (const HookCall& h : fx->calls)
                if (h.kind == HookCall::NoteOff) {
                    EXPECT_EQ(h.a, n++);
                    EXPECT_EQ(h.b, 100);
                }
            EXPECT_TRUE(fx->isLearning(3));
            EXPECT_EQ(fx->count(HookCall::Reset), 0);
        } else {
            EXPECT_EQ(fx->getMidiKey(3), key(c)) << "learnable";
            EXPECT_EQ(learnTarget(), -1);
            EXPECT_EQ(fx->getParameter(3), 1.0f) << "the completing controller moves the parameter at once";
            EXPECT_EQ(editor->mapChanges, std::vector<uint32_t>{3});
            EXPECT_EQ(fx->count(HookCall::Control), 0);
        }
        fx->clearLog();
    }
}

TEST_F(Midi, ControllerValuesMapOntoTheRawRange)
{
    fx->assignMidiKey(3, key(7));
    controller(7, 127);
    EXPECT_EQ(fx->getParameter(3), 1.0f);
    controller(7, 64);
    EXPECT_EQ(fx->getParameter(3), 64 * 0.007874016f);
    EXPECT_NEAR(fx->getParameter(3), 0.5039f, 1e-4);
    controller(7, 0);
    EXPECT_EQ(fx->getParameter(3), 0.0f);
    EXPECT_TRUE(host.automated.empty()) << "controllers do not automate the host";
    EXPECT_EQ(fx->count(HookCall::Control), 0);
}

TEST_F(Midi, MappingAnswersOnEveryChannel)
{
    fx->startLearn(3);
    controller(7, 10, 0);
    EXPECT_EQ(fx->getMidiKey(3), key(7)) << "the channel is not part of the key";
    controller(7, 127, 9);
    EXPECT_EQ(fx->getParameter(3), 1.0f);
    controller(7, 0, 15);
    EXPECT_EQ(fx->getParameter(3), 0.0f);
}

TEST_F(Midi, LearningTakesTheKeyFromItsOldHolder)
{
    fx->assignMidiKey(5, key(7));
    fx->startLearn(3);
    controller(7, 127);
    EXPECT_EQ(fx->getMidiKey(3), key(7));
    EXPECT_EQ(fx->getMidiKey(5), -1);
    EXPECT_EQ(fx->getParameter(5), TestEffect::builtInDefault(5));

    // A parameter learning a second controller gives up its first.
    fx->startLearn(3);
    controller(38, 0);
    EXPECT_EQ(fx->getMidiKey(3), key(38));
    controller(7, 127);
    EXPECT_EQ(fx->getParameter(3), 0.0f) << "controller 7 is free again";
    EXPECT_EQ(fx->count(HookCall::Control), 1);
    for (const HookCall& h : fx->calls) {
        if (h.kind == HookCall::Control) {
            EXPECT_EQ(h.a, 0xB007);
        }
    }
}

TEST_F(Midi, LearnStates)
{
    EXPECT_EQ(learnTarget(), -1);
    fx->startLearn(14);
    EXPECT_EQ(learnTarget(), -1) << "an index out of range is ignored";
    fx->startLearn(2);
    fx->startLearn(4);
    EXPECT_EQ(learnTarget(), 4) << "the newest request wins";
    fx->startLearn(99);
    EXPECT_EQ(learnTarget(), 4);
    fx->cancelLearn();
    EXPECT_EQ(learnTarget(), -1);
    controller(7, 127);
    EXPECT_EQ(fx->getMidiKey(4), -1);

    fx->assignMidiKey(4, key(7));
    fx->startLearn(6);
    fx->unlearn(4);
    EXPECT_EQ(fx->getMidiKey(4), -1);
    EXPECT_EQ(learnTarget(), -1) << "unlearning ends a pending learn";
    controller(7, 127);
    EXPECT_EQ(fx->getMidiKey(6), -1) << "so a controller no longer completes it";
    EXPECT_EQ(fx->count(HookCall::Control), 2);

    fx->startLearn(6);
    fx->unlearn(200);
    EXPECT_EQ(learnTarget(), -1) << "even when the index is out of range";

    EXPECT_EQ(fx->getMidiKey(14), -1);
    EXPECT_EQ(fx->getMidiKey(0xFFFFFFFFu), -1);
}

TEST_F(Midi, ANewLearnStartedDuringCompletionSurvives)
{
    // The notification runs between taking the key and ending the learn, as a
    // GUI thread could start another learn at that moment.
    editor->onMapChanged = [this](uint32_t) { fx->startLearn(8); };
    fx->startLearn(3);
    controller(20, 64);
    EXPECT_EQ(fx->getMidiKey(3), key(20));
    EXPECT_TRUE(fx->isLearning(8));
    editor->onMapChanged = nullptr;
    controller(21, 127);
    EXPECT_EQ(fx->getMidiKey(8), key(21));
    EXPECT_EQ(fx->getParameter(8), 1.0f);
}

TEST_F(Midi, UnmappedControllersReachTheEngine)
{
    fx->assignMidiKey(0, key(1));
    EventList e;
    e.cc(10, 100, 127, 3).cc(20, 7, 64).cc(30, 1, 0);
    play(e);
    std::vector<std::pair<int32_t, float>> seen;
    for (const HookCall& h : fx->calls)
        if (h.kind == HookCall::Control) seen.emplace_back(h.a, h.value);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, float>>{{0xB064, 127 * 0.007874016f}, {0xB007, 64 * 0.007874016f}}));
}

TEST_F(Midi, MessagesWithADataByteAbove127AreIgnored)
{
    // Not MIDI: neither a mapped controller, nor a learn, nor the engine sees them.
    fx->assignMidiKey(0, key(7));
    fx->setParameter(0, 0.25f);
    fx->startLearn(3);
    EventList e;
    e.cc(0, 7, 200).cc(1, 7, 128).midi(2, 0xB0, 135, 5).cc(3, 9, 255);
    e.midi(4, 0x90, 60, 200).midi(5, 0x90, 130, 20).midi(6, 0x80, 60, 128);
    play(e);
    EXPECT_EQ(fx->getParameter(0), 0.25f) << "a mapped controller moved";
    EXPECT_EQ(learnTarget(), 3) << "a learn completed";
    for (const HookCall& h : fx->calls) EXPECT_EQ(h.kind, HookCall::Block) << "hook " << h.kind << " " << h.a;
}

TEST_F(Midi, Notes)
{
    EventList e;
    e.midi(0, 0x90, 60, 90).midi(1, 0x9F, 61, 0).midi(2, 0x80, 62, 33).midi(3, 0x8A, 63, 0);
    // Messages with no effect: poly pressure, program change, channel pressure, pitch bend, system.
    e.midi(4, 0xA0, 60, 10).midi(5, 0xC0, 5, 0).midi(6, 0xD0, 50, 0).midi(7, 0xE0, 0, 64).midi(8, 0xF8, 0, 0);
    play(e);
    std::vector<std::tuple<int, int, int>> notes;
    for (const HookCall& h : fx->calls)
        if (h.kind != HookCall::Block) notes.emplace_back(h.kind, h.a, h.b);
    EXPECT_EQ(notes, (std::vector<std::tuple<int, int, int>>{{HookCall::NoteOn, 60, 90},
                                                             {HookCall::NoteOff, 61, 100},
                                                             {HookCall::NoteOff, 62, 33},
                                                             {HookCall::NoteOff, 63, 0}}));
}

TEST_F(Midi, ControllerTakesEffectAtItsFrame)
{
    fx->assignMidiKey(2, key(7));
    EventList warmup;
    play(warmup);  // the first block after resume reports a change; get past it
    fx->clearLog();

    EventList e;
    e.cc(100, 7, 127);
    play(e);
    ASSERT_EQ(fx->blocks.size(), 2u);
    const BlockCall& first = fx->blocks[0];
    const BlockCall& second = fx->blocks[1];
    EXPECT_EQ(first.firstInput, 0.0);
    EXPECT_EQ(first.frames, 100);
    EXPECT_FALSE(first.changed);
    EXPECT_EQ(first.dsp[2], TestEffect::builtInDefault(2)) << "frames before the controller keep the old value";
    EXPECT_EQ(second.firstInput, 100.0);
    EXPECT_EQ(second.frames, 412);
    EXPECT_TRUE(second.changed) << "the next sub-block checks the parameters again";
    EXPECT_EQ(second.dsp[2], 1.0f);
    EXPECT_EQ(fx->cooked[2], 1);

    // Two controllers in one block: each sub-block sees the value set before it.
    fx->clearLog();
    EventList two;
    two.cc(50, 7, 0).cc(300, 7, 127);
    play(two);
    ASSERT_EQ(fx->blocks.size(), 3u);
    EXPECT_EQ(fx->blocks[0].dsp[2], 1.0f);
    EXPECT_EQ(fx->blocks[1].dsp[2], 0.0f);
    EXPECT_TRUE(fx->blocks[1].changed);
    EXPECT_EQ(fx->blocks[2].dsp[2], 1.0f);
    EXPECT_TRUE(fx->blocks[2].changed);

    // An unmapped controller or a note splits the block but forces no check.
    fx->clearLog();
    EventList unmapped;
    unmapped.cc(100, 8, 127).note(200, 60);
    play(unmapped);
    ASSERT_EQ(fx->blocks.size(), 3u);
    EXPECT_FALSE(fx->blocks[1].changed);
    EXPECT_FALSE(fx->blocks[2].changed);
}

TEST_F(Midi, MappingsTravelInChunks)
{
    fx->assignMidiKey(1, key(74));
    fx->assignMidiKey(11, key(1));
    const std::vector<uint8_t> bank = fx->chunk(false);

    TestEffect other(FakeHost::callback());
    other.assignMidiKey(4, key(2));
    other.load(bank);
    EXPECT_EQ(other.getMidiKey(1), key(74));
    EXPECT_EQ(other.getMidiKey(11), key(1));
    EXPECT_EQ(other.getMidiKey(4), key(2)) << "a mapping the chunk does not name stays";

    other.load(ChunkBytes().name("CoreFx").value(0, 0).bytes);
    EXPECT_EQ(other.getMidiKey(1), key(74));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Midi, LearnedKeysStayUnique)
{
    // Learn every learnable controller onto parameters in turn; no key is ever held twice.
    int n = 0;
    for (int c = 0; c < 128; ++c) {
        if (isInert(c) || c == 120 || c >= 123) continue;
        fx->startLearn(static_cast<uint32_t>(n % 14));
        controller(c, c);
        ++n;
        for (uint32_t i = 0; i < 14; ++i)
            for (uint32_t j = i + 1; j < 14; ++j)
                if (fx->getMidiKey(i) != -1) {
                    ASSERT_NE(fx->getMidiKey(i), fx->getMidiKey(j)) << c;
                }
    }
    EXPECT_EQ(n, 5 + 25 + 1 + 32 + 20) << "1-5, 7-31, 38, 64-95, 100-119";
    for (uint32_t i = 0; i < 14; ++i) EXPECT_NE(fx->getMidiKey(i), -1) << i;
}
