#include "tools/vesk-host/AudioBuffer.h"

#include <cmath>

#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {
struct FormatName {
    SampleFormat format;
    const char* name;
};
constexpr FormatName kFormatNames[] = {
    {SampleFormat::Pcm8, "u8"},     {SampleFormat::Pcm16, "s16"},   {SampleFormat::Pcm24, "s24"},
    {SampleFormat::Pcm32, "s32"},   {SampleFormat::Float32, "f32"}, {SampleFormat::Float64, "f64"},
};
}  // namespace

SampleFormat parseSampleFormat(const std::string& name)
{
    for (const FormatName& f : kFormatNames)
        if (name == f.name) return f.format;
    throw UsageError("unknown sample format '" + name + "' (use u8, s16, s24, s32, f32 or f64)");
}

const char* sampleFormatName(SampleFormat format)
{
    for (const FormatName& f : kFormatNames)
        if (f.format == format) return f.name;
    return "?";
}

AudioBuffer::AudioBuffer(uint32_t rate, size_t channelCount, size_t frames)
    : sampleRate(rate), channels(channelCount, std::vector<double>(frames, 0.0))
{
}

double peak(const std::vector<double>& samples)
{
    double p = 0.0;
    for (double s : samples) p = std::fmax(p, std::fabs(s));
    return p;
}

}  // namespace HostKit
