// The block cycle: how one process call reaches the engine. Sanitising, time
// information, the beat clock, sub-blocks split at event offsets, the three
// process entry points, the parameter check and the editor poll.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/alloc_counter.h"

using CoreTest::BlockCall;
using CoreTest::EventList;
using CoreTest::HookCall;
using CoreTest::StereoBlock;
using CoreTest::TestEditor;
using CoreTest::TestEffect;
using TestSupport::FakeHost;

namespace {

constexpr int32_t kBlock = 512;
constexpr float kRate = 48000.0f;

class BlockCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx->setSampleRate(kRate);
        fx->setBlockSize(kBlock);
        fx->resume();
        fx->clearLog();
    }

    /// One processDoubleReplacing call through the record, with the events handed over first.
    void run(int32_t frames, EventList* events = nullptr)
    {
        io = std::make_unique<StereoBlock>(frames > 0 ? frames : 1);
        if (events) e->dispatcher(e, effProcessEvents, 0, 0, events->get(), 0.0f);
        fx->rendered = 0;
        e->processDoubleReplacing(e, io->in(), io->out(), frames);
    }

    /// The engine's sub-blocks of the last calls as (start, frames).
    std::vector<std::pair<int32_t, int32_t>> subBlocks() const
    {
        std::vector<std::pair<int32_t, int32_t>> r;
        for (const BlockCall& b : fx->blocks) r.emplace_back(static_cast<int32_t>(b.firstInput), b.frames);
        return r;
    }

    FakeHost host;
    std::unique_ptr<TestEffect> fx = std::make_unique<TestEffect>(FakeHost::callback());
    AEffect* e = fx->record();
    std::unique_ptr<StereoBlock> io;
};

using Blocks = std::vector<std::pair<int32_t, int32_t>>;

float beatStep(int32_t frames, float tempo, float rate)
{
    return static_cast<float>(frames) * tempo / (rate * 60.0f);
}

}  // namespace

TEST_F(BlockCycle, TimedParameterEventsApplyAtTheirFrames)
{
    // Through the core's own interface, as sample-accurate hosts send values:
    // the block splits at each event's frame and the engine sees the value
    // from there on; events at one frame apply together, out-of-order ones
    // with the group they fall behind, early ones at frame 0, late ones
    // before the rest of the block; an unknown index splits but changes nothing.
    struct Param {
        int32_t frame;
        uint32_t index;
        float value;
    };
    struct List final : PlugCore::IEventList {
        std::vector<Param> events;
        int32_t size() const override { return static_cast<int32_t>(events.size()); }
        PlugCore::TimedEvent at(int32_t k) const override
        {
            PlugCore::TimedEvent t;
            t.kind = PlugCore::TimedEvent::Kind::Param;
            t.frame = events[static_cast<size_t>(k)].frame;
            t.param = events[static_cast<size_t>(k)].index;
            t.value = events[static_cast<size_t>(k)].value;
            return t;
        }
    };
    const float d0 = TestEffect::builtInDefault(0), d1 = TestEffect::builtInDefault(1);
    const struct {
        const char* what;
        std::vector<Param> events;
        Blocks blocks;
        std::vector<std::pair<float, float>> seen;  ///< parameters 0 and 1 in each sub-block
    } rows[] = {
        {"one value inside", {{100, 0, 0.9f}}, {{0, 100}, {100, 412}}, {{d0, d1}, {0.9f, d1}}},
        {"two at one frame", {{200, 0, 0.3f}, {200, 1, 0.7f}}, {{0, 200}, {200, 312}}, {{d0, d1}, {0.3f, 0.7f}}},
        {"three frames, the first before the block",
         {{-5, 0, 0.2f}, {64, 1, 0.4f}, {511, 0, 1.0f}}, {{0, 64}, {64, 447}, {511, 1}},
         {{0.2f, d1}, {0.2f, 0.4f}, {1.0f, 0.4f}}},
        {"out of order: the later frame decides", {{300, 0, 0.6f}, {50, 1, 0.8f}}, {{0, 300}, {300, 212}},
         {{d0, d1}, {0.6f, 0.8f}}},
        {"beyond the block", {{100, 0, 0.5f}, {900, 1, 0.1f}}, {{0, 100}, {100, 412}}, {{d0, d1}, {0.5f, 0.1f}}},
        {"an unknown index", {{256, 99, 0.5f}}, {{0, 256}, {256, 256}}, {{d0, d1}, {d0, d1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fx->setParameter(0, d0);
        fx->setParameter(1, d1);
        fx->clearLog();
        List list;
        list.events = row.events;
        StereoBlock block(kBlock);
        fx->processDouble(block.in(), block.out(), kBlock, &list);
        EXPECT_EQ(subBlocks(), row.blocks);
        std::vector<std::pair<float, float>> seen;
        for (const BlockCall& b : fx->blocks) seen.emplace_back(b.dsp[0], b.dsp[1]);
        EXPECT_EQ(seen, row.seen);
        for (size_t i = 1; i < fx->blocks.size(); ++i)
            EXPECT_EQ(fx->blocks[i].changed, row.seen[i] != row.seen[i - 1]) << "sub-block " << i;
        EXPECT_TRUE(host.automated.empty()) << "the host's own values are not echoed back";
    }
}

TEST_F(BlockCycle, CallsTheEngineOncePerUnsplitBlock)
{
    run(kBlock);
    ASSERT_EQ(fx->blocks.size(), 1u);
    const BlockCall& b = fx->blocks[0];
    EXPECT_EQ(b.frames, kBlock);
    EXPECT_EQ(b.out[0], io->outL.data()) << "the double path renders straight into the host's outputs";
    EXPECT_EQ(b.out[1], io->outR.data());
    EXPECT_NE(b.in[0], io->inL.data()) << "the engine reads sanitised copies, never the host's inputs";
    for (int32_t i = 0; i < kBlock; ++i) {
        ASSERT_EQ(io->outL[i], i + 0.5);
        ASSERT_EQ(io->outR[i], i + 1.0);
    }
    EXPECT_EQ(host.timeRequests, 1);
    EXPECT_EQ(host.lastTimeFilter, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid);
    EXPECT_EQ(host.lastTimeFilter, 0x602);
}

TEST_F(BlockCycle, OversizedOrNegativeBlocksLeaveOutputsUntouched)
{
    for (int32_t frames : {kBlock + 1, -1, -kBlock, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(frames);
        std::vector<float> inL(kBlock + 1, 0.25f), inR(kBlock + 1, 0.25f);
        std::vector<float> outL(kBlock + 1, 9.0f), outR(kBlock + 1, 9.0f);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        e->processReplacing(e, in, out, frames);
        e->process(e, in, out, frames);
        StereoBlock d(kBlock + 1, 9.0);
        e->processDoubleReplacing(e, d.in(), d.out(), frames);
        EXPECT_TRUE(std::all_of(outL.begin(), outL.end(), [](float v) { return v == 9.0f; }));
        EXPECT_TRUE(std::all_of(outR.begin(), outR.end(), [](float v) { return v == 9.0f; }));
        EXPECT_TRUE(std::all_of(d.outL.begin(), d.outL.end(), [](double v) { return v == 9.0; }));
        EXPECT_TRUE(fx->blocks.empty());
        EXPECT_EQ(host.timeRequests, 0);
    }

    fx->setBlockSize(64);
    run(65);
    EXPECT_TRUE(fx->blocks.empty()) << "the limit follows effSetBlockSize";
    run(64);
    EXPECT_EQ(fx->blocks.size(), 1u);
}

TEST_F(BlockCycle, ProcessBeforeAnyBlockSizeBuildsTheBuffers)
{
    TestEffect fresh(FakeHost::callback());
    StereoBlock io2(300);
    fresh.processDoubleReplacing(io2.in(), io2.out(), 300);
    ASSERT_EQ(fresh.blocks.size(), 1u);
    EXPECT_EQ(io2.outR[299], 300.0);
    std::vector<float> in(300, 0.25f), out(300, 0.0f);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    fresh.processReplacing(ins, outs, 300);
    EXPECT_EQ(out[299], 0.25f + 1.0f);
}

TEST_F(BlockCycle, InputsAreSanitisedBeforeTheEngine)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> in = {nan, 1e12, -1e12, inf, -inf, 0.1, -5.0, 1e10, -1e10, 1e10 * (1 + 1e-15), 0.0};
    const std::vector<double> want = {0.0, 1e10, -1e10, 1e10, -1e10, 0.1, -5.0, 1e10, -1e10, 1e10, 0.0};
    const int32_t n = static_cast<int32_t>(in.size());

    StereoBlock d(n);
    d.inL = in;
    d.inR = in;
    std::reverse(d.inR.begin(), d.inR.end());
    d.ins[0] = d.inL.data();
    d.ins[1] = d.inR.data();
    e->processDoubleReplacing(e, d.in(), d.out(), n);
    ASSERT_EQ(fx->blocks.size(), 1u);
    for (int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(fx->blocks[0].in[0][i], want[i]) << i;
        EXPECT_EQ(fx->blocks[0].in[1][n - 1 - i], want[i]) << i;
    }
    EXPECT_TRUE(std::isnan(d.inL[0])) << "the host's buffer is not written";

    // The single-precision front end sanitises the same way.
    std::vector<float> fin(in.begin(), in.end());
    std::vector<float> fout(n, 0.0f);
    float* ins[2] = {fin.data(), fin.data()};
    float* outs[2] = {fout.data(), fout.data()};
    fx->clearLog();
    e->processReplacing(e, ins, outs, n);
    ASSERT_EQ(fx->blocks.size(), 1u);
    EXPECT_EQ(fx->blocks[0].in[0][0], 0.0);
    EXPECT_EQ(fx->blocks[0].in[0][1], 1e10);
    EXPECT_EQ(fx->blocks[0].in[0][2], -1e10);
    EXPECT_EQ(fx->blocks[0].in[0][3], 1e10);
    EXPECT_EQ(fx->blocks[0].in[0][5], static_cast<double>(0.1f)) << "float input converted, not rounded";
    EXPECT_FALSE(std::isnan(fout[0]));
}

TEST_F(BlockCycle, MissingInputChannelsReadAsSilence)
{
    run(64);  // leaves the ramp in the work buffers
    std::vector<double> outL(64, 5.0), outR(64, 5.0);
    double* outs[2] = {outL.data(), outR.data()};
    e->processDoubleReplacing(e, nullptr, outs, 64);
    ASSERT_EQ(fx->blocks.size(), 2u);
    EXPECT_EQ(outL[10], 0.5);
    EXPECT_EQ(outR[63], 1.0);
}

TEST_F(BlockCycle, ReplacingAccumulatingAndDoublePaths)
{
    constexpr int32_t n = 37;  // not a multiple of four: the remainder loops run too
    std::vector<float> inL(n), inR(n), outL(n, 10.0f), outR(n, 20.0f);
    for (int32_t i = 0; i < n; ++i) inL[i] = inR[i] = 0.125f * static_cast<float>(i);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};

    e->processReplacing(e, in, out, n);
    for (int32_t i = 0; i < n; ++i) {
        ASSERT_EQ(outL[i], inL[i] + 0.5f) << i;
        ASSERT_EQ(outR[i], inR[i] + 1.0f) << i;
    }

    std::fill(outL.begin(), outL.end(), 10.0f);
    std::fill(outR.begin(), outR.end(), 20.0f);
    e->process(e, in, out, n);
    for (int32_t i = 0; i < n; ++i) {
        ASSERT_EQ(outL[i], 10.0f + (inL[i] + 0.5f)) << "process adds into the host's outputs, " << i;
        ASSERT_EQ(outR[i], 20.0f + (inR[i] + 1.0f)) << i;
    }

    // Single precision in, double on the way, single precision out.
    inL[0] = 1.0f / 3.0f;
    e->processReplacing(e, in, out, n);
    EXPECT_EQ(outL[0], static_cast<float>(static_cast<double>(1.0f / 3.0f) + 0.5));

    StereoBlock d(n, 10.0);
    e->processDoubleReplacing(e, d.in(), d.out(), n);
    for (int32_t i = 0; i < n; ++i) ASSERT_EQ(d.outL[i], i + 0.5) << "double replacing replaces, " << i;

    // Frames beyond the call are never written.
    std::vector<float> longL(n + 8, 7.0f), longR(n + 8, 7.0f);
    float* outLong[2] = {longL.data(), longR.data()};
    e->processReplacing(e, in, outLong, n);
    for (int32_t i = n; i < n + 8; ++i) ASSERT_EQ(longL[i], 7.0f);
}

TEST_F(BlockCycle, TempoIs120WithoutTimeInformation)
{
    run(kBlock);
    run(kBlock);
    ASSERT_EQ(fx->blocks.size(), 2u);
    for (const BlockCall& b : fx->blocks) {
        EXPECT_EQ(b.timing.tempo, 120.0);
        EXPECT_EQ(b.timing.beatPos, 0.0) << "no clock without transport or a running engine";
        EXPECT_EQ(b.timing.sampleRate, 48000.0);
        EXPECT_DOUBLE_EQ(b.timing.beatsPerSample, 120.0 / (48000.0 * 60.0));
    }
    EXPECT_EQ(host.timeRequests, 2);

    // Time information without a valid tempo keeps the fallback.
    host.provideTime = true;
    host.time.tempo = 90.0;
    host.time.flags = kVstTransportPlaying;
    fx->clearLog();
    run(kBlock);
    EXPECT_EQ(fx->blocks[0].timing.tempo, 120.0);

    // A tempo flagged valid that no clock can run at keeps the fallback too.
    host.time.flags = kVstTempoValid | kVstTransportPlaying;
    for (double broken : {0.0, -0.0, -90.0, std::nan(""), HUGE_VAL, 1e300}) {
        host.time.tempo = broken;
        fx->clearLog();
        run(kBlock);
        EXPECT_EQ(fx->blocks[0].timing.tempo, 120.0) << broken;
    }
}

TEST_F(BlockCycle, TempoFromTheHostInSinglePrecision)
{
    host.provideTime = true;
    host.time.tempo = 133.3;
    host.time.flags = kVstTempoValid;
    run(kBlock);
    ASSERT_EQ(fx->blocks.size(), 1u);
    EXPECT_EQ(fx->blocks[0].timing.tempo, static_cast<double>(133.3f));
    EXPECT_DOUBLE_EQ(fx->blocks[0].timing.beatsPerSample, static_cast<double>(133.3f) / (48000.0 * 60.0));
}

TEST_F(BlockCycle, BeatClockWhileStopped)
{
    host.provideTime = true;
    host.time.tempo = 100.0;
    host.time.ppqPos = 17.0;
    host.time.flags = kVstTempoValid | kVstPpqPosValid;  // valid position, but not playing

    run(kBlock);
    run(kBlock);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, 0.0) << "the host's position is taken only while playing";
    EXPECT_EQ(fx->blocks[1].timing.beatPos, 0.0) << "an engine that does not keep the clock resets it";

    // An engine that asks to keep the clock running advances it from 0.
    fx->keepClock = true;
    fx->clearLog();
    run(kBlock);
    run(kBlock);
    run(100);
    const double step = beatStep(kBlock, 100.0f, kRate);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, 0.0);
    EXPECT_EQ(fx->blocks[1].timing.beatPos, step);
    EXPECT_EQ(fx->blocks[2].timing.beatPos, step + step);

    fx->keepClock = false;
    fx->clearLog();
    run(kBlock);
    run(kBlock);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, step + step + beatStep(100, 100.0f, kRate));
    EXPECT_EQ(fx->blocks[1].timing.beatPos, 0.0);
}

TEST_F(BlockCycle, BeatClockWhilePlaying)
{
    host.provideTime = true;
    host.time.tempo = 128.0;
    host.time.ppqPos = 4.5;
    host.time.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;

    // The position is taken at the start of the call and advances across sub-blocks.
    EventList events;
    events.note(200, 60).note(300, 61);
    run(kBlock, &events);
    ASSERT_EQ(fx->blocks.size(), 3u);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, 4.5);
    const double afterFirst = 4.5 + static_cast<double>(beatStep(200, 128.0f, kRate));
    EXPECT_EQ(fx->blocks[1].timing.beatPos, afterFirst);
    EXPECT_EQ(fx->blocks[2].timing.beatPos, afterFirst + static_cast<double>(beatStep(100, 128.0f, kRate)));

    // Each call takes the host's position again.
    host.time.ppqPos = 8.0;
    fx->clearLog();
    run(kBlock);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, 8.0);

    // Playing without a valid position: the clock runs on from where it was.
    host.time.flags = kVstTempoValid | kVstTransportPlaying;
    fx->clearLog();
    run(kBlock);
    run(kBlock);
    const double step = beatStep(kBlock, 128.0f, kRate);
    EXPECT_EQ(fx->blocks[0].timing.beatPos, 8.0 + step);
    EXPECT_EQ(fx->blocks[1].timing.beatPos, 8.0 + step + step);
}

// ---------------------------------------------------------------- splitting

TEST_F(BlockCycle, EventsSplitTheBlockAtTheirOffsets)
{
    EventList events;
    events.note(100, 1).note(100, 2).note(300, 3).note(512, 4);
    run(kBlock, &events);
    EXPECT_EQ(subBlocks(), (Blocks{{0, 100}, {100, 200}, {300, 212}}));
    // Every event takes effect after everything before its offset has been rendered.
    std::vector<std::pair<int, int>> applied;
    for (const HookCall& c : fx->calls)
        if (c.kind == HookCall::NoteOn) applied.emplace_back(c.a, c.rendered);
    EXPECT_EQ(applied, (std::vector<std::pair<int, int>>{{1, 100}, {2, 100}, {3, 300}, {4, 512}}));

    // Outputs of every sub-block land at their place.
    for (int32_t i = 0; i < kBlock; ++i) ASSERT_EQ(io->outL[i], i + 0.5) << i;
}

TEST_F(BlockCycle, EventsAtTheStartApplyBeforeAnythingRenders)
{
    EventList events;
    events.note(0, 1).note(0, 2).note(50, 3);
    run(kBlock, &events);
    EXPECT_EQ(subBlocks(), (Blocks{{0, 50}, {50, 462}}));
    ASSERT_GE(fx->calls.size(), 3u);
    EXPECT_EQ(fx->calls[0].kind, HookCall::NoteOn);
    EXPECT_EQ(fx->calls[1].kind, HookCall::NoteOn);
    EXPECT_EQ(fx->calls[2].kind, HookCall::Block);
}

TEST_F(BlockCycle, LateEventsApplyAtTheStart)
{
    EventList events;
    events.note(-5, 1).note(-1000, 2).note(0, 3).note(40, 4);
    run(kBlock, &events);
    EXPECT_EQ(subBlocks(), (Blocks{{0, 40}, {40, 472}}));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(fx->calls[k].rendered, 0) << k;
}

TEST_F(BlockCycle, EventsBeyondTheBlockAreStillApplied)
{
    EventList events;
    events.note(100, 1).note(600, 2).note(9999, 3);
    run(kBlock, &events);
    EXPECT_EQ(subBlocks(), (Blocks{{0, 100}, {100, 412}})) << "nothing is rendered past the frame count";
    int notes = 0;
    for (const HookCall& c : fx->calls) notes += c.kind == HookCall::NoteOn;
    EXPECT_EQ(notes, 3);
}

TEST_F(BlockCycle, UnsortedEventsJoinTheGroupTheyFollow)
{
    EventList events;
    events.note(300, 1).note(100, 2).note(200, 3).note(400, 4).note(350, 5);
    run(kBlock, &events);
    EXPECT_EQ(subBlocks(), (Blocks{{0, 300}, {300, 100}, {400, 112}}));
    std::vector<int> order;
    for (const HookCall& c : fx->calls)
        if (c.kind == HookCall::NoteOn) order.push_back(c.a);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5})) << "events keep the host's order";
}

TEST_F(BlockCycle, EventListIsForgottenAfterOneCall)
{
    EventList events;
    events.note(100, 1);
    run(kBlock, &events);
    fx->clearLog();
    run(kBlock);
    EXPECT_EQ(subBlocks(), (Blocks{{0, kBlock}}));
    EXPECT_EQ(fx->count(HookCall::NoteOn), 0);
}

TEST_F(BlockCycle, EventsHandedOverBeforeARefusedCallAreForgotten)
{
    // The host's list is valid for the next process call only, even when that
    // call is refused; by the call after it the host may have freed it.
    EventList events;
    events.note(10, 60);
    std::vector<float> in(kBlock + 1, 0.0f), out(kBlock + 1, 0.0f);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    StereoBlock d(kBlock + 1);

    e->dispatcher(e, effProcessEvents, 0, 0, events.get(), 0.0f);
    e->processReplacing(e, ins, outs, kBlock + 1);
    e->processReplacing(e, ins, outs, kBlock);
    e->dispatcher(e, effProcessEvents, 0, 0, events.get(), 0.0f);
    e->process(e, ins, outs, -1);
    e->process(e, ins, outs, kBlock);
    e->dispatcher(e, effProcessEvents, 0, 0, events.get(), 0.0f);
    e->processDoubleReplacing(e, d.in(), d.out(), kBlock + 1);
    e->processDoubleReplacing(e, d.in(), d.out(), kBlock);
    EXPECT_EQ(fx->blocks.size(), 3u);
    EXPECT_EQ(fx->count(HookCall::NoteOn), 0);
}

TEST_F(BlockCycle, InPlaceBuffers)
{
    // Hosts may hand the same buffers in and out: the engine still reads the input.
    std::vector<double> l(kBlock), r(kBlock);
    for (int32_t i = 0; i < kBlock; ++i) l[i] = r[i] = i;
    double* io2[2] = {l.data(), r.data()};
    EventList events;
    events.note(100, 1);
    e->dispatcher(e, effProcessEvents, 0, 0, events.get(), 0.0f);
    e->processDoubleReplacing(e, io2, io2, kBlock);
    for (int32_t i = 0; i < kBlock; ++i) ASSERT_EQ(l[i], i + 0.5) << i;

    std::vector<float> f(kBlock, 0.25f);
    float* fio[2] = {f.data(), f.data()};
    e->processReplacing(e, fio, fio, kBlock);
    EXPECT_EQ(f[kBlock - 1], 0.25f + 1.0f) << "the right channel is written last";
}

TEST_F(BlockCycle, NonMidiEventsAndEmptySlotsAreSkippedButStillSplit)
{
    EventList events;
    events.note(64, 1).note(128, 2);
    events.events[0].type = kVstSysExType;
    VstEvents* list = events.get();
    list->events[1] = nullptr;
    e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
    StereoBlock d(kBlock);
    e->processDoubleReplacing(e, d.in(), d.out(), kBlock);
    EXPECT_EQ(fx->count(HookCall::NoteOn), 0);
    EXPECT_EQ(fx->blocks.back().frames + static_cast<int32_t>(fx->blocks.back().firstInput), kBlock);
}

TEST_F(BlockCycle, RandomEventListsNeverRenderOutsideTheBlock)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        const int32_t frames = std::uniform_int_distribution<int32_t>(0, kBlock)(rng);
        const int count = std::uniform_int_distribution<int>(0, 24)(rng);
        const bool sorted = round % 3 == 0;
        EventList events;
        std::vector<int32_t> offsets;
        for (int k = 0; k < count; ++k)
            offsets.push_back(std::uniform_int_distribution<int32_t>(-20, frames + 40)(rng));
        if (sorted) std::sort(offsets.begin(), offsets.end());
        for (int k = 0; k < count; ++k) events.note(offsets[k], static_cast<uint8_t>(k));

        fx->clearLog();
        run(frames, &events);
        SCOPED_TRACE(::testing::Message() << "round " << round << " frames " << frames << " events " << count);

        // Sub-blocks tile [0, frames) in order, none empty.
        int32_t next = 0;
        for (const BlockCall& b : fx->blocks) {
            ASSERT_EQ(static_cast<int32_t>(b.firstInput), next);
            ASSERT_GT(b.frames, 0);
            next += b.frames;
        }
        ASSERT_EQ(next, frames);

        // Every event applied once, in the host's order, never before its
        // offset; once an event beyond the block comes up, the rest follow at once.
        std::vector<int> order;
        bool beyond = false;
        for (const HookCall& c : fx->calls) {
            if (c.kind != HookCall::NoteOn) continue;
            order.push_back(c.a);
            const int32_t d = std::max(offsets[c.a], 0);
            beyond = beyond || d > frames;
            if (beyond) continue;
            ASSERT_GE(c.rendered, d) << "event " << c.a;
            if (sorted) {
                ASSERT_EQ(c.rendered, d) << "event " << c.a;
            }
        }
        std::vector<int> all(count);
        for (int k = 0; k < count; ++k) all[k] = k;
        ASSERT_EQ(order, all);
        for (int32_t i = 0; i < frames; ++i) ASSERT_EQ(io->outR[i], i + 1.0);
    }
}

// ---------------------------------------------------------------- allocation

TEST_F(BlockCycle, ProcessPathAllocatesNothingOnceBuffersExist)
{
    const size_t before = TestSupport::allocationCount();
    int* volatile probe = new int(1);  // volatile: the allocation cannot be elided
    delete probe;
    if (TestSupport::allocationCount() == before)
        GTEST_SKIP() << "allocations are not counted in this build (ThreadSanitizer's runtime keeps its own "
                        "operator new); the other builds count them";
    fx->recording = false;
    fx->startLearn(2);
    EventList mapping;
    mapping.cc(0, 7, 1);
    run(kBlock, &mapping);  // learns controller 7 for parameter 2

    EventList events;
    for (int k = 0; k < 16; ++k) {
        events.cc(k * 30, 7, static_cast<uint8_t>(k * 8));
        events.cc(k * 30 + 1, 21, static_cast<uint8_t>(k));  // unmapped: reaches controlChange
        events.note(k * 31, static_cast<uint8_t>(40 + k), static_cast<uint8_t>(k % 2 ? 90 : 0));
    }
    events.cc(100, 120, 0).cc(200, 123, 0).midi(300, 0xE0, 0, 64);
    VstEvents* list = events.get();
    StereoBlock d(kBlock);
    std::vector<float> inL(kBlock, 0.1f), inR(kBlock, 0.2f), outL(kBlock), outR(kBlock);
    float* fin[2] = {inL.data(), inR.data()};
    float* fout[2] = {outL.data(), outR.data()};
    host.provideTime = true;
    host.time.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid;
    host.time.tempo = 140.0;

    const size_t start = TestSupport::allocationCount();
    for (int i = 0; i < 200; ++i) {
        e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
        switch (i % 3) {
        case 0: e->processReplacing(e, fin, fout, kBlock); break;
        case 1: e->process(e, fin, fout, kBlock - i); break;
        default: e->processDoubleReplacing(e, d.in(), d.out(), kBlock); break;
        }
        e->setParameter(e, static_cast<VstInt32>(i % 14), static_cast<float>(i % 10) / 10.0f);
    }
    EXPECT_EQ(TestSupport::allocationCount(), start);
    EXPECT_EQ(fx->getMidiKey(2), static_cast<int16_t>(0xB007));
}

// ---------------------------------------------------------------- parameter check

TEST_F(BlockCycle, VeryFirstBlockReportsChangedEvenIfNothingCooks)
{
    TestEffect fresh(FakeHost::callback());
    for (bool& a : fresh.cookAnswer) a = false;
    StereoBlock d(64);
    fresh.processDoubleReplacing(d.in(), d.out(), 64);
    fresh.processDoubleReplacing(d.in(), d.out(), 64);
    ASSERT_EQ(fresh.blocks.size(), 2u);
    EXPECT_TRUE(fresh.blocks[0].changed);
    EXPECT_FALSE(fresh.blocks[1].changed);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(fresh.cooked[i], 1) << "every parameter offered once, " << i;
}

TEST_F(BlockCycle, ChangedOnlyWhenAValueMoved)
{
    run(kBlock);
    EXPECT_TRUE(fx->blocks.back().changed) << "first block after resume";
    for (int i = 0; i < 14; ++i) EXPECT_EQ(fx->blocks.back().dsp[i], TestEffect::builtInDefault(i));

    run(kBlock);
    EXPECT_FALSE(fx->blocks.back().changed);

    fx->setParameter(6, 0.0f);
    run(kBlock);
    EXPECT_TRUE(fx->blocks.back().changed);
    fx->setParameter(5, TestEffect::builtInDefault(5));
    fx->setParameter(6, -0.0f);
    run(kBlock);
    EXPECT_FALSE(fx->blocks.back().changed) << "writing a value it already had is no change";

    fx->clearLog();
    fx->setParameter(5, 0.9f);
    run(kBlock);
    EXPECT_TRUE(fx->blocks.back().changed);
    EXPECT_EQ(fx->blocks.back().dsp[5], 0.9f);
    EXPECT_EQ(fx->cooked[5], 1);
    EXPECT_EQ(std::count(std::begin(fx->cooked), std::end(fx->cooked), 0), 15) << "only the moved one cooks";

    // A moved value whose cooking needs no engine update is no change.
    fx->cookAnswer[5] = false;
    fx->setParameter(5, 0.1f);
    run(kBlock);
    EXPECT_FALSE(fx->blocks.back().changed);
    EXPECT_EQ(fx->blocks.back().dsp[5], 0.1f);
}

TEST_F(BlockCycle, ResumeOffersEveryParameterAgain)
{
    run(kBlock);
    run(kBlock);
    EXPECT_FALSE(fx->blocks.back().changed);
    fx->clearLog();
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    run(kBlock);
    ASSERT_EQ(fx->blocks.size(), 1u);
    EXPECT_TRUE(fx->blocks[0].changed);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(fx->cooked[i], 1) << i;
}

TEST_F(BlockCycle, HostValuesAreTakenOverOncePerCall)
{
    // A value written while a call is under way (here: by a note hook, as
    // another thread could) waits for the next call; the sub-blocks of one call
    // see one set of values.
    run(kBlock);
    fx->onNoteOn = [this](int32_t) { fx->setParameter(4, 0.99f); };
    EventList events;
    events.note(256, 60);
    fx->clearLog();
    run(kBlock, &events);
    ASSERT_EQ(fx->blocks.size(), 2u);
    EXPECT_FALSE(fx->blocks[1].changed);
    EXPECT_EQ(fx->blocks[1].dsp[4], TestEffect::builtInDefault(4));
    fx->clearLog();
    run(kBlock);
    EXPECT_TRUE(fx->blocks[0].changed);
    EXPECT_EQ(fx->blocks[0].dsp[4], 0.99f);
}

// ---------------------------------------------------------------- editor poll

TEST(EditorPoll, HandsOverEachValueOnceAndRetriesWhenBusy)
{
    FakeHost host;
    TestEffect fx(FakeHost::callback());
    TestEditor editor;

    fx.pollForEditor(&editor);
    EXPECT_EQ(editor.changes.size(), 14u) << "every value differs from the initial 0 shown";
    editor.changes.clear();
    fx.pollForEditor(&editor);
    EXPECT_TRUE(editor.changes.empty()) << "nothing new";

    fx.setParameter(3, 0.8f);
    editor.busy = true;
    fx.pollForEditor(&editor);
    fx.pollForEditor(&editor);
    EXPECT_TRUE(editor.changes.empty());
    editor.busy = false;
    fx.pollForEditor(&editor);
    ASSERT_EQ(editor.changes.size(), 1u) << "the refused change comes again at the next tick";
    EXPECT_EQ(editor.changes[0], std::make_pair(3u, 0.8f));
    fx.pollForEditor(&editor);
    EXPECT_EQ(editor.changes.size(), 1u);

    // Without a listener nothing is marked as shown.
    fx.setParameter(7, 0.01f);
    fx.pollForEditor(nullptr);
    fx.pollForEditor(&editor);
    ASSERT_EQ(editor.changes.size(), 2u);
    EXPECT_EQ(editor.changes[1], std::make_pair(7u, 0.01f));
}
