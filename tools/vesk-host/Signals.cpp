#include "tools/vesk-host/Signals.h"

#include <cmath>

#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {
struct KindName {
    SignalKind kind;
    const char* name;
};
constexpr KindName kKinds[] = {
    {SignalKind::Bursts, "bursts"},   {SignalKind::Noise, "noise"},
    {SignalKind::Silence, "silence"}, {SignalKind::SilenceAfterTail, "silence-after-tail"},
    {SignalKind::Impulse, "impulse"}, {SignalKind::Sine, "sine"},
};
}  // namespace

SignalKind parseSignalKind(const std::string& name)
{
    for (const KindName& k : kKinds)
        if (name == k.name) return k.kind;
    throw UsageError("unknown signal '" + name + "' (use bursts, noise, silence, silence-after-tail, impulse or sine)");
}

const char* signalKindName(SignalKind kind)
{
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return "?";
}

AudioBuffer makeSignal(SignalKind kind, uint32_t sampleRate, size_t channels, size_t frames)
{
    AudioBuffer audio(sampleRate, channels, frames);
    const size_t period = sampleRate;           // one second
    const size_t burst = sampleRate / 4;        // of which the first quarter sounds
    constexpr double kTwoPi = 6.283185307179586;
    for (size_t c = 0; c < channels; ++c) {
        Noise noise(0x9E3779B9u + static_cast<uint32_t>(c) * 0x85EBCA6Bu);
        std::vector<double>& out = audio.channels[c];
        for (size_t i = 0; i < frames; ++i) {
            switch (kind) {
            case SignalKind::Bursts: {
                const float n = noise.next();  // drawn every frame so bursts differ
                out[i] = (i % period) < burst ? 0.5 * n : 0.0;
                break;
            }
            case SignalKind::Noise: out[i] = 0.5 * noise.next(); break;
            case SignalKind::Impulse: out[i] = i == 0 ? 1.0 : 0.0; break;
            case SignalKind::Sine:
                out[i] = 0.5 * std::sin(kTwoPi * 1000.0 * static_cast<double>(i) / sampleRate);
                break;
            case SignalKind::Silence:
            case SignalKind::SilenceAfterTail: break;
            }
        }
    }
    return audio;
}

}  // namespace HostKit
