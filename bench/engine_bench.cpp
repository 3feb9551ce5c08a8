// The reverb engine alone, on every path this processor runs (each forced
// through the engine's path probe), side by side in one run:
//   - active cost on noise bursts (48 kHz, blocks of 512), ns per stereo frame;
//   - the cost through a 60 s tail after a second of full-scale noise, in
//     10 s segments, at 44.1, 48, 96 and 192 kHz: default settings, the
//     largest room, the largest room with the longest time (2.5 s), and the
//     largest room without the idle skip (the network running all the way);
//   - the idle cost once the tail has died away, and when the idle skip began.
//
// Usage: vesk-engine-bench [--rounds N] [--seconds N] [--path scalar|sse2|avx2|avx512]... [--active-only]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effect/ReverbEngine.h"
#include "effect/VeskParams.h"

namespace {

using Path = ReverbEngine::Path;
using Clock = std::chrono::steady_clock;
constexpr uint32_t kBlock = 512;

Path forced = Path::Scalar;
Path forcedPath() { return forced; }

const char* nameOf(Path p)
{
    switch (p) {
        case Path::Scalar: return "scalar";
        case Path::Sse2: return "sse2";
        case Path::Avx2: return "avx2";
        case Path::Avx512: return "avx512";
    }
    return "?";
}

ReverbSettings settingsFor(float roomRaw, float timeRaw)
{
    float raw[VeskParams::kCount];
    for (uint32_t i = 0; i < VeskParams::kCount; ++i) raw[i] = VeskParams::kTable[i].defaultValue;
    raw[VeskParams::kRoomSize] = roomRaw;
    if (timeRaw >= 0.0f) raw[VeskParams::kRTime] = timeRaw;
    ReverbEngine::ArithmeticScope arithmetic;
    return VeskParams::settings(raw);
}

struct Runner {
    ReverbEngine engine;
    ReverbSettings settings;
    float rate;
    bool first = true;
    std::vector<double> out0 = std::vector<double>(kBlock), out1 = std::vector<double>(kBlock);

    Runner(Path p, float sampleRate, float roomRaw, float timeRaw = -1.0f)
        : settings(settingsFor(roomRaw, timeRaw)), rate(sampleRate)
    {
        forced = p;
        engine.setPathProbe(forcedPath);
        engine.prepare(rate, settings.roomScale);
    }
    /// Seconds spent in the engine for x (both channels).
    double run(const std::vector<double>& x)
    {
        double total = 0.0;
        for (size_t at = 0; at < x.size(); at += kBlock) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(kBlock, x.size() - at));
            const double* in[2] = {x.data() + at, x.data() + at};
            double* out[2] = {out0.data(), out1.data()};
            const auto t0 = Clock::now();
            engine.processBlock(rate, first, settings, in, out, n);
            total += std::chrono::duration<double>(Clock::now() - t0).count();
            first = false;
        }
        return total;
    }
};

std::vector<double> noise(size_t frames, double gain, uint32_t seed = 7)
{
    std::vector<double> x(frames);
    for (double& v : x) v = gain * static_cast<int32_t>(seed = seed * 1103515245u + 12345u) / 2147483648.0;
    return x;
}

// A quarter second of noise at half scale every second, like vesk-host bench's bursts.
std::vector<double> bursts(float rate, double seconds)
{
    std::vector<double> x = noise(static_cast<size_t>(rate * seconds), 0.5);
    const auto period = static_cast<size_t>(rate);
    for (size_t i = 0; i < x.size(); ++i)
        if (i % period >= period / 4) x[i] = 0.0;
    return x;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    double seconds = 10.0;
    std::vector<Path> paths;
    bool tail = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--seconds" && i + 1 < argc) seconds = std::max(1.0, std::atof(argv[++i]));
        else if (a == "--active-only") tail = false;
        else if (a == "--path" && i + 1 < argc) {
            const std::string p = argv[++i];
            for (Path q : {Path::Scalar, Path::Sse2, Path::Avx2, Path::Avx512})
                if (p == nameOf(q)) paths.push_back(q);
        } else {
            std::fprintf(stderr, "usage: vesk-engine-bench [--rounds N] [--seconds N] [--path P]... [--active-only]\n");
            return 2;
        }
    }
    const Path widest = ReverbEngine::widestPath();
    if (paths.empty())
        for (Path q : {Path::Scalar, Path::Sse2, Path::Avx2, Path::Avx512})
            if (q <= widest) paths.push_back(q);
    std::printf("widest path on this processor: %s\n\n", nameOf(widest));

    // Active cost: interleaved rounds, median per path.
    const std::vector<double> signal = bursts(48000.0f, seconds);
    std::vector<std::vector<double>> samples(paths.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t p = 0; p < paths.size(); ++p) {
            Runner run(paths[p], 48000.0f, 0.5f);
            run.run(bursts(48000.0f, 1.0));  // warm-up
            samples[p].push_back(run.run(signal) * 1e9 / static_cast<double>(signal.size()));
        }
    std::printf("%-8s %14s %10s\n", "path", "active ns/fr", "vs scalar");
    const double scalar = median(samples[0]);
    for (size_t p = 0; p < paths.size(); ++p)
        std::printf("%-8s %14.1f %10.2f\n", nameOf(paths[p]), median(samples[p]), scalar / median(samples[p]));

    if (!tail) return 0;
    // The tail: ns per frame in each 10 s of silence after full-scale noise, on the widest path.
    const Path tailPath = paths.back();
    std::printf("\ntail on %s after 1 s of full-scale noise, ns/frame per 10 s of silence:\n", nameOf(tailPath));
    std::printf("%-7s %-22s %8s %8s %8s %8s %8s %8s  %s\n", "rate", "setting", "0-10", "10-20", "20-30", "30-40",
                "40-50", "50-60", "idle from");
    const struct {
        const char* name;
        float room, time;
        bool idleSkip;
    } settings[] = {
        {"default", 0.5f, -1.0f, true},
        {"largest room", 1.0f, -1.0f, true},
        {"largest room, 2.5 s", 1.0f, 1.0f, true},
        {"largest room, no skip", 1.0f, -1.0f, false},
    };
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f})
        for (const auto& setting : settings) {
            Runner run(tailPath, rate, setting.room, setting.time);
            run.engine.useIdleSkip(setting.idleSkip);
            run.run(noise(static_cast<size_t>(rate), 1.0));
            const std::vector<double> silence(static_cast<size_t>(rate * 10), 0.0);
            std::printf("%-7.0f %-22s", rate, setting.name);
            double idleFrom = -1.0;
            for (int s = 0; s < 6; ++s) {
                // Time block by block to see when the idle skip starts.
                double total = 0.0;
                for (size_t at = 0; at < silence.size(); at += kBlock) {
                    const std::vector<double> one(silence.begin() + static_cast<ptrdiff_t>(at),
                                                  silence.begin() + static_cast<ptrdiff_t>(std::min(at + kBlock, silence.size())));
                    total += run.run(one);
                    if (idleFrom < 0.0 && run.engine.idle())
                        idleFrom = 10.0 * s + static_cast<double>(at + one.size()) / rate;
                }
                std::printf(" %8.1f", total * 1e9 / static_cast<double>(silence.size()));
            }
            if (idleFrom < 0.0) std::printf("  (not within 60 s)\n");
            else std::printf("  %.1f s\n", idleFrom);
        }
    return 0;
}
