// Planar audio in memory, and the sample formats vesk-host reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace HostKit {

/// Sample encodings of a WAV file's data.
enum class SampleFormat { Pcm8, Pcm16, Pcm24, Pcm32, Float32, Float64 };

/// "s16", "s24", "s32", "f32", "f64" (and "u8") as on the command line; HostError otherwise.
SampleFormat parseSampleFormat(const std::string& name);
const char* sampleFormatName(SampleFormat format);

/// Audio as one vector of samples per channel, all of the same length;
/// samples are nominally in [-1, 1].
struct AudioBuffer {
    uint32_t sampleRate = 44100;
    std::vector<std::vector<double>> channels;

    AudioBuffer() = default;
    AudioBuffer(uint32_t rate, size_t channelCount, size_t frames);
    size_t channelCount() const { return channels.size(); }
    size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

/// Largest magnitude in a channel.
double peak(const std::vector<double>& samples);

/// The file formats vesk-host reads: WAV always; libsndfile builds also read
/// what libsndfile reads (AIFF, FLAC, ...). Writes WAV in the format given.
AudioBuffer readAudioFile(const std::string& path);
void writeAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format);

}  // namespace HostKit
