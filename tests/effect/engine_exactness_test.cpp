// The engine's renderers against the straightforward scalar one, all run side
// by side on the same long render (automation, room changes, blocks of odd
// sizes, silences long enough for the idle skip, loud input again):
//   - every vector path this processor runs, forced through the path probe,
//     gives the scalar path's samples bit for bit;
//   - the C library's cos and sin, and the idle skip, stay within 1e-9 of the
//     peak beyond the one rounding the output is defined with (samples leave
//     the engine in single precision, so a far smaller difference can still
//     move a sample by one step of its own).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

using Path = ReverbEngine::Path;

#ifdef VESK_SLOW_BUILD
constexpr double kSeconds = 20.0;
#else
constexpr double kSeconds = 60.0;
#endif

template <Path P>
Path probe()
{
    return P;
}

struct Contender {
    const char* name;
    ReverbEngine::PathProbe path;
    bool libm;
    bool idleSkip;
    bool identical;  // bit for bit, or within 1e-9 of the peak
    Path needs;      // skipped where the processor lacks it
};

TEST(EngineExactness, EveryRendererAgreesWithTheScalarPath)
{
    const Contender contenders[] = {
        {"scalar with the C library's cos and sin", probe<Path::Scalar>, true, false, false, Path::Scalar},
        {"SSE2", probe<Path::Sse2>, false, false, true, Path::Sse2},
        {"AVX2", probe<Path::Avx2>, false, false, true, Path::Avx2},
        {"AVX-512", probe<Path::Avx512>, false, false, true, Path::Avx512},
        {"widest path with the idle skip", nullptr, false, true, false, Path::Scalar},
    };
    for (const float rate : {44100.0f, 96000.0f}) {
        SCOPED_TRACE(rate);
        Params p = defaults();
        p[Index::kRTime] = 0.6f;  // about 0.4 s to lose 60 dB, so the idle skip starts in each silence
        p[Index::kDiffusion] = 0.7f;
        p[Index::kMode] = 1.0f;  // insert: the dry input is mixed in as well
        Rig scalar(rate, p);
        scalar.engine.setPathProbe(probe<Path::Scalar>);
        scalar.engine.useIdleSkip(false);
        scalar.engine.prepare(rate, settingsOf(p).roomScale);
        std::vector<std::unique_ptr<Rig>> rigs;
        std::vector<const Contender*> running;
        for (const Contender& c : contenders) {
            if (c.needs > ReverbEngine::widestPath()) continue;
            auto rig = std::make_unique<Rig>(rate, p);
            rig->engine.setPathProbe(c.path);
            rig->engine.useReferenceArithmetic(c.libm);
            rig->engine.useIdleSkip(c.idleSkip);
            rig->engine.prepare(rate, settingsOf(p).roomScale);
            rigs.push_back(std::move(rig));
            running.push_back(&c);
        }

        const auto total = static_cast<size_t>(rate * kSeconds);
        const std::vector<double> x = noise(total, 11);
        std::vector<double> peak(rigs.size(), 0.0), worst(rigs.size(), 0.0);
        std::vector<bool> same(rigs.size(), true), idled(rigs.size(), false);
        const uint32_t sizes[] = {512, 1, 37, 256, 129, 7, 500};
        for (size_t at = 0, block = 0; at < total; ++block) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(sizes[block % 7], total - at));
            const double t = static_cast<double>(at) / rate;
            // Automation about every second, a new room every 20 s.
            const bool change = block % static_cast<size_t>(rate / 256) == 0;
            if (change) {
                p[Index::kHiCut] = 0.5f + 0.5f * static_cast<float>(std::sin(t));
                p[Index::kPredelay] = 0.5f + 0.5f * static_cast<float>(std::cos(0.7 * t));
                p[Index::kLoScale] = static_cast<float>(std::fmod(0.13 * t, 1.0));
                if (static_cast<int>(t) % 20 == 10) p[Index::kRoomSize] = static_cast<float>(std::fmod(0.37 * t, 1.0));
            }
            // Sound for 4 s of every 10, silence (the tail, then idle) for the rest.
            std::vector<double> in(x.begin() + static_cast<ptrdiff_t>(at), x.begin() + static_cast<ptrdiff_t>(at + n));
            for (uint32_t i = 0; i < n; ++i)
                if (std::fmod(static_cast<double>(at + i) / rate, 10.0) >= 4.0) in[i] = 0.0;

            const ReverbSettings s = settingsOf(p);
            const double* ins[2] = {in.data(), in.data()};
            std::vector<double> want0(n), want1(n), got0(n), got1(n);
            double* wants[2] = {want0.data(), want1.data()};
            double* gots[2] = {got0.data(), got1.data()};
            scalar.engine.processBlock(rate, change, s, ins, wants, n);
            for (size_t r = 0; r < rigs.size(); ++r) {
                rigs[r]->engine.processBlock(rate, change, s, ins, gots, n);
                idled[r] = idled[r] || rigs[r]->engine.idle();
                same[r] = same[r] && std::memcmp(got0.data(), want0.data(), n * sizeof(double)) == 0 &&
                          std::memcmp(got1.data(), want1.data(), n * sizeof(double)) == 0;
                for (uint32_t i = 0; i < n; ++i) {
                    peak[r] = std::max({peak[r], std::fabs(want0[i]), std::fabs(want1[i])});
                    const auto beyondRounding = [](double got, double want) {
                        const float w = static_cast<float>(want);
                        const double step = std::nextafter(std::fabs(w), HUGE_VALF) - std::fabs(w);
                        return std::max(0.0, std::fabs(got - want) - step);
                    };
                    worst[r] = std::max({worst[r], beyondRounding(got0[i], want0[i]), beyondRounding(got1[i], want1[i])});
                }
            }
            at += n;
        }
        for (size_t r = 0; r < rigs.size(); ++r) {
            SCOPED_TRACE(running[r]->name);
            ASSERT_GT(peak[r], 0.01);
            if (running[r]->identical) EXPECT_TRUE(same[r]) << "largest difference " << worst[r];
            else EXPECT_LE(worst[r], 1e-9 * peak[r]) << "beyond one output step: " << worst[r] << " of " << peak[r];
            EXPECT_EQ(idled[r], running[r]->idleSkip);
        }
    }
}

void setPathVariable(const char* value)
{
#ifdef _WIN32
    _putenv_s("VESK2_VECTOR_PATH", value ? value : "");  // empty removes it
#else
    if (value) setenv("VESK2_VECTOR_PATH", value, 1);
    else unsetenv("VESK2_VECTOR_PATH");
#endif
}

TEST(EngineExactness, TheEnvironmentCapsThePathAtPrepare)
{
    const Path widest = ReverbEngine::widestPath();
    const struct {
        const char* value;
        Path want;
    } cases[] = {
        {nullptr, widest},
        {"scalar", Path::Scalar},
        {"sse2", std::min(Path::Sse2, widest)},
        {"avx2", std::min(Path::Avx2, widest)},
        {"avx512", widest},
        {"AVX2", widest},  // unknown names cap nothing
        {"", widest},
    };
    for (const auto& c : cases) {
        setPathVariable(c.value);
        ReverbEngine engine;
        engine.prepare(48000.0f, 1.75);
        EXPECT_EQ(engine.path(), c.want) << (c.value ? c.value : "(unset)");
    }
    setPathVariable(nullptr);
}

TEST(EngineExactness, ThePlugInRendersTheSameOnEveryPathInBothPrecisions)
{
    // Through the plug-in as a host drives it: the path is chosen at resume.
    const char* paths[] = {"scalar", "sse2", "avx2", "avx512"};
    constexpr int32_t kBlock = 300;
    const std::vector<double> x = noise(kBlock * 200, 21);
    std::vector<float> want[2];
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        setPathVariable(path);
        for (const bool twice : {false, true}) {  // single, then double precision
            Host host(48000.0f, kBlock);
            std::vector<float> got;
            for (int b = 0; b < 200; ++b) {
                host.fx->setParameter(Index::kRTime, 0.004f * static_cast<float>(b));
                host.fx->setParameter(Index::kPredelay, b % 7 == 0 ? 0.3f : 0.8f);
                std::vector<double> d0(x.begin() + b * kBlock, x.begin() + (b + 1) * kBlock), d1(kBlock), o0(kBlock),
                    o1(kBlock);
                std::reverse_copy(d0.begin(), d0.end(), d1.begin());
                if (twice) {
                    double* in[2] = {d0.data(), d1.data()};
                    double* out[2] = {o0.data(), o1.data()};
                    host.vst->processDoubleReplacing(in, out, kBlock);
                } else {
                    std::vector<float> f0(d0.begin(), d0.end()), f1(d1.begin(), d1.end()), g0(kBlock), g1(kBlock);
                    host.process(f0.data(), f1.data(), g0.data(), g1.data(), kBlock);
                    std::copy(g0.begin(), g0.end(), o0.begin());
                    std::copy(g1.begin(), g1.end(), o1.begin());
                }
                got.insert(got.end(), o0.begin(), o0.end());
                got.insert(got.end(), o1.begin(), o1.end());
            }
            if (want[twice].empty()) want[twice] = got;  // the scalar path
            EXPECT_TRUE(got == want[twice]) << (twice ? "double" : "single") << " precision";
        }
    }
    setPathVariable(nullptr);
}

}  // namespace
