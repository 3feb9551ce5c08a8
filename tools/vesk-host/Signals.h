// Deterministic test signals for `bench` and `signal`: the same arguments give
// the same samples on every platform and build.
#pragma once

#include <cstdint>
#include <string>

#include "tools/vesk-host/AudioBuffer.h"

namespace HostKit {

/// xorshift32: tiny, fast and identical everywhere.
class Noise {
public:
    explicit Noise(uint32_t seed = 0x9E3779B9u) : state(seed ? seed : 1u) {}
    /// Uniform in [-1, 1).
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<int32_t>(state)) * (1.0f / 2147483648.0f);
    }

private:
    uint32_t state;
};

enum class SignalKind {
    Bursts,            ///< 250 ms of noise at half scale, then 750 ms of silence, repeated
    Noise,             ///< noise at half scale throughout
    Silence,           ///< zeros
    SilenceAfterTail,  ///< zeros; bench first plays one second of full-scale noise, untimed
    Impulse,           ///< one full-scale sample at frame 0
    Sine,              ///< 1 kHz at half scale
};

/// "bursts", "noise", "silence", "silence-after-tail", "impulse", "sine"; UsageError otherwise.
SignalKind parseSignalKind(const std::string& name);
const char* signalKindName(SignalKind kind);

/// frames of the signal; every channel gets its own noise.
AudioBuffer makeSignal(SignalKind kind, uint32_t sampleRate, size_t channels, size_t frames);

}  // namespace HostKit
