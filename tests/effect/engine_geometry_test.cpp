// Layout and coefficients of the reverb engine: delay lengths and memory, the
// rate limits, loop gains and the band filters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

std::vector<int32_t> lengths(const ReverbEngine& e)  // the 16 lines, then the 8 allpasses
{
    std::vector<int32_t> v;
    for (int k = 0; k < ReverbEngine::kLines; ++k) v.push_back(e.lineLength(k));
    for (int j = 0; j < ReverbEngine::kAllpasses; ++j) v.push_back(e.allpassLength(j));
    return v;
}

}  // namespace

TEST(EngineGeometry, LayoutFollowsTheRate)
{
    Rig at44(44100.0f), at48(48000.0f);
    EXPECT_EQ(lengths(at44.engine), (std::vector<int32_t>{2804, 2673, 2445, 2169, 1948, 1884, 1715, 1618, 1574, 1454,
                                                           1384, 1291, 1184, 1137, 1115, 1074, 22, 22, 66, 66, 132,
                                                           132, 220, 220}));
    const int32_t offsets[16] = {1731, 1600, 1372, 1096, 875, 811, 642, 545, 501, 381, 311, 218, 111, 64, 42, 1};
    for (int k = 0; k < 16; ++k) EXPECT_EQ(at44.engine.injectionOffset(k), offsets[k]) << "line " << k;
    EXPECT_EQ(at44.engine.outputDelayLength(), 4410);
    EXPECT_EQ(at44.engine.memoryUsed(), 37169);

    EXPECT_EQ(lengths(at48.engine), (std::vector<int32_t>{3052, 2910, 2662, 2360, 2120, 2051, 1867, 1762, 1713, 1583,
                                                           1507, 1405, 1289, 1238, 1214, 1169, 24, 24, 72, 72, 144,
                                                           144, 240, 240}));
    EXPECT_EQ(at48.engine.outputDelayLength(), 4800);
    EXPECT_EQ(at48.engine.memoryUsed(), 29902 + 960 + 9600);
}

TEST(EngineGeometry, BelowTheRateFloorOnlyTheGeometryFollowsTheRate)
{
    Rig low(22050.0f), ref(44100.0f);
    low.run(noise(16));
    ref.run(noise(16));
    EXPECT_EQ(low.engine.lineLength(0), 1401);
    EXPECT_EQ(low.engine.outputDelayLength(), 2205);
    EXPECT_DOUBLE_EQ(low.engine.modIncrement(0), 1.75 / 22050.0);
    EXPECT_EQ(low.engine.lowCrossover().b, ref.engine.lowCrossover().b);
    EXPECT_EQ(low.engine.highCrossover().c, ref.engine.highCrossover().c);
    EXPECT_EQ(low.engine.levelCompensation(), ref.engine.levelCompensation());
    EXPECT_NEAR(low.engine.loopGains(0).mid, std::pow(10.0, -3.0 * (1401 + 441) / (0.25 * 44100)), 1e-12);
}

TEST(EngineGeometry, RoomChangesStayInsideTheMemoryOfTheLargestRoom)
{
    ReverbEngine largest;
    largest.prepare(44100.0f, 5.5);
    EXPECT_DOUBLE_EQ(largest.roomScale(), 5.5);
    EXPECT_EQ(largest.memoryUsed(), largest.memoryCapacity());

    ReverbEngine unprepared;  // a process call that finds no memory prepares there
    const Params p = defaults();
    double silence[1] = {0.0}, out[2][1];
    const double* in[2] = {silence, silence};
    double* outs[2] = {out[0], out[1]};
    unprepared.processBlock(44100.0f, true, settingsOf(p), in, outs, 1);
    EXPECT_EQ(unprepared.memoryUsed(), 37169);
    EXPECT_EQ(unprepared.memoryCapacity(), largest.memoryCapacity());

    Rig rig(44100.0f);
    for (float room : {0.0f, 0.3f, 1.0f, 0.5f}) {
        rig.params[Index::kRoomSize] = room;
        rig.run(noise(64));
        ReverbEngine fresh;
        fresh.prepare(44100.0f, VeskParams::roomScale(room));
        EXPECT_EQ(lengths(rig.engine), lengths(fresh)) << room;
        EXPECT_EQ(rig.engine.memoryCapacity(), largest.memoryCapacity());
    }
}

TEST(EngineGeometry, EveryHostRateIsSafe)
{
    const float inf = std::numeric_limits<float>::infinity();
    ReverbEngine largest;
    largest.prepare(384000.0f, 5.5);
    for (float rate : {0.0f, -44100.0f, 1.0f, 7999.0f, std::nanf(""), inf, -inf, 3.4e38f}) {
        Rig rig(rate);
        for (const auto& ch : rig.run(noise(4096)))
            for (double v : ch) ASSERT_TRUE(std::isfinite(v)) << "rate " << rate;
        EXPECT_GE(rig.engine.rate(), 8000.0);
        EXPECT_LE(rig.engine.memoryCapacity(), largest.memoryCapacity());
        for (int32_t n : lengths(rig.engine)) EXPECT_GE(n, 1);
    }
    EXPECT_EQ(Rig(8000.0f).engine.rate(), 8000.0);  // the ends of the range are used as given
    EXPECT_EQ(largest.rate(), 384000.0);
}

TEST(EngineCoefficients, LoopGainsAndDiffusionAtTheDefaults)
{
    Rig rig(44100.0f);
    rig.run(noise(16));
    EXPECT_NEAR(rig.engine.loopGains(0).mid, std::pow(10.0, -3.0 * (2804 + 441) / (0.25 * 44100)), 1e-12);
    EXPECT_NEAR(rig.engine.loopGains(0).mid, 0.131, 5e-4);
    for (int k = 0; k < 16; ++k) {  // equal scales: one gain for every band
        const BandGains g = rig.engine.loopGains(k);
        EXPECT_TRUE(g.lo == g.mid && g.hi == g.mid && g.leak == g.mid) << "line " << k;
    }
    const double base[4] = {0.83, 0.7241677, 0.6335525, 0.5547566};
    for (int h = 0; h < 4; ++h) EXPECT_NEAR(rig.engine.diffuserCoefficient(h), std::pow(base[h], 3.0), 1e-7);
    rig.params[Index::kDiffusion] = 1.0f;
    rig.run(noise(16));
    for (int h = 0; h < 4; ++h) EXPECT_NEAR(rig.engine.diffuserCoefficient(h), base[h], 1e-7);
}

TEST(EngineCoefficients, BandFiltersReduceToPlainGainsWhenTheBandsAgree)
{
    Rig rig(44100.0f);
    rig.params[Index::kLoFreq] = 0.2f;
    rig.params[Index::kHiFreq] = 0.9f;
    rig.run(noise(16));
    const BandGains eq = rig.engine.eqGains(), loop = rig.engine.loopGains(3);
    EXPECT_TRUE(eq.lo == 1.0 && eq.mid == 1.0 && eq.hi == 1.0 && eq.leak == 1.0);
    const OnePole& lo = rig.engine.lowCrossover();
    const OnePole& hi = rig.engine.highCrossover();
    ThreeBand decay, equaliser, skewed;
    double shaped = 0.0;
    for (double x : noise(20000)) {
        ASSERT_NEAR(decay.decay(x, lo, hi, loop), loop.mid * x, 1e-14);
        ASSERT_NEAR(equaliser.equalise(x, lo, hi, eq), x, 1e-14);
        shaped = std::max(shaped, std::fabs(skewed.decay(x, lo, hi, {0.5, 0.9, 0.2, 0.7}) - x));
    }
    EXPECT_GT(shaped, 0.1);  // unequal gains do shape the signal
}
