// The idle skip: entered only once input and tail are below -240 dB of full
// scale, left on the first loud frame wherever it falls in a block, and its
// bookkeeping keeps the modulators exactly where frame-by-frame steps put them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

constexpr double kMinus240dB = 1e-12;

/// Two engines on the same input, one with the idle skip and one without.
struct Pair {
    Rig skipping, full;
    double worst = 0.0, peak = 0.0;

    explicit Pair(const Params& p) : skipping(48000.0f, p), full(48000.0f, p) { full.engine.useIdleSkip(false); }

    /// One block into both; records the largest difference beyond one output step.
    void run(const std::vector<double>& x)
    {
        const Stereo a = skipping.run(x, false), b = full.run(x, false);
        for (int c = 0; c < 2; ++c)
            for (size_t i = 0; i < x.size(); ++i) {
                const double want = b[c][i];
                const float w = static_cast<float>(want);
                const double step = std::nextafter(std::fabs(w), HUGE_VALF) - std::fabs(w);
                peak = std::max(peak, std::fabs(want));
                worst = std::max(worst, std::fabs(a[c][i] - want) - step);
            }
    }
    /// Silence in blocks of 512 until the skipping engine idles; false after 20 s.
    bool untilIdle()
    {
        for (int b = 0; b < 48000 * 20 / 512; ++b) {
            run(std::vector<double>(512, 0.0));
            if (skipping.engine.idle()) return true;
        }
        return false;
    }
};

TEST(EngineIdle, WakesOnTheFirstLoudFrameWhereverItFalls)
{
    Params p = defaults();
    p[Index::kMode] = 1.0f;  // insert, so the click itself is in the output at once
    for (const uint32_t offset : {0u, 1u, 7u, 255u, 511u}) {
        SCOPED_TRACE(offset);
        Pair pair(p);
        pair.skipping.run({}, true);
        pair.full.run({}, true);
        pair.run(noise(9600, 3));
        ASSERT_TRUE(pair.untilIdle());
        // Ten seconds of idling, in blocks of odd sizes, before the click.
        for (int b = 0; b < 1000; ++b) pair.run(std::vector<double>(333 + b % 200, 0.0));
        ASSERT_TRUE(pair.skipping.engine.idle());

        std::vector<double> block(512, 0.0);
        block[offset] = 0.5;
        const Stereo heard = pair.skipping.run(block, false);
        pair.full.run(block, false);
        EXPECT_FALSE(pair.skipping.engine.idle());
        EXPECT_EQ(heard[0][offset], 0.5) << "the click is heard on its own frame";
        for (int b = 0; b < 94; ++b) pair.run(std::vector<double>(512, 0.0));  // its tail, one second
        ASSERT_GT(pair.peak, 0.01);
        EXPECT_LE(pair.worst, 1e-9 * pair.peak);
    }
}

TEST(EngineIdle, NeverWhileTheInputOrTheTailCanBeHeard)
{
    // Input 40 dB above the silence level keeps the network running.
    Pair quiet(defaults());
    std::vector<double> faint = noise(48000 * 5, 5);
    for (double& v : faint) v *= 1e-10;
    for (size_t at = 0; at + 512 <= faint.size(); at += 512) {
        quiet.run(std::vector<double>(faint.begin() + static_cast<ptrdiff_t>(at),
                                      faint.begin() + static_cast<ptrdiff_t>(at + 512)));
        ASSERT_FALSE(quiet.skipping.engine.idle()) << "at " << at;
    }

    // After loud input, idling begins only once the tail (heard from the
    // engine without the skip) has fallen below -240 dB for good.
    for (const float rtime : {0.5f, 0.75f}) {
        Params p = defaults();
        p[Index::kRTime] = rtime;
        p[Index::kHiEq] = 1.0f;  // the loudest equaliser setting
        Pair loud(p);
        loud.run(noise(48000, 9));
        bool idled = false;
        for (int b = 0; b < 48000 * 30 / 512; ++b) {
            std::vector<double> silence(512, 0.0);
            const Stereo tail = loud.full.run(silence, false);
            loud.skipping.run(silence, false);
            idled = idled || loud.skipping.engine.idle();
            if (!idled) continue;
            for (const auto& channel : tail)
                for (double v : channel) ASSERT_LE(std::fabs(v), kMinus240dB) << "block " << b;
        }
        EXPECT_TRUE(idled);
    }
}

TEST(EngineIdle, PhasesAdvanceExactlyAsStepByStep)
{
    struct Case {
        double phase, increment;
        uint64_t frames;
    };
    std::vector<Case> cases = {
        {0.0, 1e-5, 300000},             // from reset, through every binade and two wraps
        {0.999, 8e-4, 10},               // a wrap at once
        {0.5 - 1e-12, 1e-5, 1000},       // into the top binade
        {0.3, 3.3e-7, 4000000},          // the slowest modulator at 384 kHz
        {0.75, 0.1, 1},                  // a single step
        {0.25, 0.0625 + 1e-17, 100000},  // an increment just off a power of two
    };
    std::mt19937_64 random(4);
    for (int i = 0; i < 40; ++i)
        cases.push_back({std::uniform_real_distribution<double>(0.0, 1.0)(random),
                         std::uniform_real_distribution<double>(3e-7, 1e-3)(random), random() % 200000});
    ReverbEngine::ArithmeticScope arithmetic;  // rounding toward zero, as the engine runs
    for (const Case& c : cases) {
        double stepped = c.phase;
        for (uint64_t n = 0; n < c.frames; ++n) {
            const double next = stepped + c.increment;
            stepped = next >= 1.0 ? next - 1.0 : next;
        }
        EXPECT_EQ(ReverbEngine::advancePhase(c.phase, c.increment, c.frames), stepped)
            << c.phase << " + " << c.frames << " x " << c.increment;
    }
}

}  // namespace
