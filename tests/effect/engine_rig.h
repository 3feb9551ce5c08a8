// Shared helpers of the reverb tests: an engine rendered block by block, test
// signals, and a Vesk driven through its host interface.
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "effect/ReverbEngine.h"
#include "effect/Vesk.h"
#include "effect/VeskParams.h"
#include "formats/vst2/Vst2Plug.h"
#include "tests/support/FakeHost.h"

// Builds whose long renders are shortened: sanitizers, Wine, unoptimised code.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VESK_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VESK_SLOW_BUILD 1
#endif
#endif
#if defined(_WIN32) || !defined(NDEBUG)
#define VESK_SLOW_BUILD 1
#endif

namespace EngineTest {

using VeskParams::Index;
using Params = std::array<float, VeskParams::kCount>;
using Stereo = std::array<std::vector<double>, 2>;

inline Params defaults()
{
    Params p{};
    for (uint32_t i = 0; i < VeskParams::kCount; ++i) p[i] = VeskParams::kTable[i].defaultValue;
    return p;
}

/// The engine's settings for raw values, derived as Vesk derives them.
inline ReverbSettings settingsOf(const Params& p)
{
    ReverbEngine::ArithmeticScope arithmetic;
    return VeskParams::settings(p.data());
}

/// An engine prepared at a rate, rendered in blocks of at most 256 frames.
struct Rig {
    ReverbEngine engine;
    Params params;
    float rate;

    explicit Rig(float sampleRate, const Params& p = defaults()) : params(p), rate(sampleRate)
    {
        engine.prepare(rate, settingsOf(params).roomScale);
    }

    /// Renders x into both inputs; changed goes with the first block. An empty x makes one empty block.
    Stereo run(const std::vector<double>& x, bool changed = true)
    {
        Stereo out{std::vector<double>(x.size()), std::vector<double>(x.size())};
        const ReverbSettings settings = settingsOf(params);
        size_t at = 0;
        do {
            const auto frames = static_cast<uint32_t>(std::min<size_t>(256, x.size() - at));
            const double* in[2] = {x.data() + at, x.data() + at};
            double* o[2] = {out[0].data() + at, out[1].data() + at};
            engine.processBlock(rate, changed, settings, in, o, frames);
            changed = false;
            at += frames;
        } while (at < x.size());
        return out;
    }
};

inline std::vector<double> click(size_t frames)
{
    std::vector<double> x(frames, 0.0);
    x[0] = 1.0;
    return x;
}

/// Reproducible white noise in [-1, 1).
inline std::vector<double> noise(size_t frames, uint32_t seed = 1)
{
    std::vector<double> x(frames);
    for (double& v : x) v = static_cast<int32_t>(seed = seed * 1103515245u + 12345u) / 2147483648.0;
    return x;
}

/// A Vesk in its VST 2.4 frame beside a fake host, set up and resumed as a host does.
struct Host {
    TestSupport::FakeHost fake;
    std::unique_ptr<Vst2::Vst2Plug> vst;  ///< owns fx
    Vesk* fx;

    Host(float rate, int32_t blockSize) : vst(new Vst2::Vst2Plug(TestSupport::FakeHost::callback()))
    {
        fx = new Vesk(vst.get());
        vst->attach(fx, true);
        vst->setSampleRate(rate);
        vst->setBlockSize(blockSize);
        vst->resume();
    }
    void process(float* in0, float* in1, float* out0, float* out1, int32_t frames)
    {
        float* in[2] = {in0, in1};
        float* out[2] = {out0, out1};
        vst->processReplacing(in, out, frames);
    }
};

}  // namespace EngineTest
