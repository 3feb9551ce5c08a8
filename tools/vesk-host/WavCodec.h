// Our own RIFF/WAVE reader and writer: integer PCM (8, 16, 24, 32 bits) and
// IEEE float (32, 64 bits), plain or WAVE_FORMAT_EXTENSIBLE. Used for every
// file on Windows and by the tests on both platforms.
#pragma once

#include "tools/vesk-host/AudioBuffer.h"

namespace HostKit {

/// Upper bounds accepted from a file's header.
constexpr uint32_t kMaxWavChannels = 64;
constexpr uint32_t kMaxWavSampleRate = 4'000'000;

/// Parses a whole WAV file held in memory. Throws HostError naming the problem
/// (not RIFF/WAVE, no fmt or data chunk, unsupported encoding, inconsistent
/// sizes, truncation); never reads outside [data, data + size).
AudioBuffer decodeWav(const uint8_t* data, size_t size, const std::string& name = "WAV data");

/// A complete WAV file. Integer formats are rounded and clipped to full scale;
/// more than two channels use WAVE_FORMAT_EXTENSIBLE.
std::vector<uint8_t> encodeWav(const AudioBuffer& audio, SampleFormat format);

}  // namespace HostKit
