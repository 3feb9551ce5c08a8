// The engine's fast arithmetic against its straightforward reference: 60 s
// renders with automation and room changes stay within 1e-9 of the peak,
// beyond the one rounding the output is defined with: samples leave the
// engine rounded to single precision, so a difference far below that
// rounding's step can still move a sample by one step of its own.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

TEST(EngineExactness, FastPathStaysWithinABillionthOfThePeakOfTheReference)
{
    for (const float rate : {44100.0f, 96000.0f}) {
        SCOPED_TRACE(rate);
        Params p = defaults();
        p[Index::kRTime] = 0.9f;
        p[Index::kDiffusion] = 0.7f;
        Rig fast(rate, p), reference(rate, p);
        reference.engine.useReferenceArithmetic(true);

        const auto total = static_cast<size_t>(rate * 60);
        const std::vector<double> x = noise(total, 11);
        double peak = 0.0, worst = 0.0;
        constexpr size_t kBlock = 512;
        for (size_t at = 0, block = 0; at < total; at += kBlock, ++block) {
            // Automation every second, a new room every 20 s; silence after 30 s (the tail).
            const bool change = block % static_cast<size_t>(rate / kBlock) == 0;
            if (change) {
                const float t = static_cast<float>(at) / rate;
                p[Index::kHiCut] = 0.5f + 0.5f * std::sin(t);
                p[Index::kPredelay] = 0.5f + 0.5f * std::cos(0.7f * t);
                p[Index::kLoScale] = std::fmod(0.13f * t, 1.0f);
                if (static_cast<int>(t) % 20 == 10) p[Index::kRoomSize] = std::fmod(0.37f * t, 1.0f);
            }
            const ReverbSettings s = settingsOf(p);
            const auto n = static_cast<uint32_t>(std::min(kBlock, total - at));
            std::vector<double> in(x.begin() + static_cast<ptrdiff_t>(at), x.begin() + static_cast<ptrdiff_t>(at + n));
            if (at > total / 2) std::fill(in.begin(), in.end(), 0.0);
            const double* ins[2] = {in.data(), in.data()};
            std::vector<double> a0(n), a1(n), b0(n), b1(n);
            double* outA[2] = {a0.data(), a1.data()};
            double* outB[2] = {b0.data(), b1.data()};
            fast.engine.processBlock(rate, change, s, ins, outA, n);
            reference.engine.processBlock(rate, change, s, ins, outB, n);
            for (uint32_t i = 0; i < n; ++i) {
                peak = std::max({peak, std::fabs(b0[i]), std::fabs(b1[i])});
                const auto beyondRounding = [](double got, double want) {
                    const float w = static_cast<float>(want);
                    const double step = std::nextafter(std::fabs(w), HUGE_VALF) - std::fabs(w);
                    return std::max(0.0, std::fabs(got - want) - step);
                };
                worst = std::max({worst, beyondRounding(a0[i], b0[i]), beyondRounding(a1[i], b1[i])});
            }
        }
        ASSERT_GT(peak, 0.01);
        EXPECT_LE(worst, 1e-9 * peak) << "largest difference beyond one output step " << worst << " of a peak " << peak;
    }
}

}  // namespace
