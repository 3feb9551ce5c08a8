#include "tools/vesk-host/WavCodec.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The fourteen bytes after the format tag in a KSDATAFORMAT_SUBTYPE GUID.
constexpr uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Encoding {
    uint16_t tag;   // kFormatPcm or kFormatFloat
    uint16_t bits;  // bits per sample
};

Encoding encodingOf(SampleFormat f)
{
    switch (f) {
    case SampleFormat::Pcm8: return {kFormatPcm, 8};
    case SampleFormat::Pcm16: return {kFormatPcm, 16};
    case SampleFormat::Pcm24: return {kFormatPcm, 24};
    case SampleFormat::Pcm32: return {kFormatPcm, 32};
    case SampleFormat::Float32: return {kFormatFloat, 32};
    case SampleFormat::Float64: return {kFormatFloat, 64};
    }
    return {kFormatFloat, 32};
}

int64_t quantise(double x, double scale, int64_t lo, int64_t hi)
{
    if (std::isnan(x)) return 0;
    const double v = std::nearbyint(x * scale);
    if (v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    return static_cast<int64_t>(v);
}

double sampleAt(const uint8_t* p, Encoding e)
{
    if (e.tag == kFormatFloat) {
        if (e.bits == 32) {
            uint32_t bits = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                            (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    switch (e.bits) {
    case 8: return (static_cast<int>(p[0]) - 128) / 128.0;
    case 16: return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))) / 32768.0;
    case 24: {
        const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                           (static_cast<uint32_t>(p[2]) << 16);
        const int32_t s = static_cast<int32_t>(u << 8) >> 8;  // sign-extend 24 bits
        return s / 8388608.0;
    }
    default: {
        const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        return static_cast<int32_t>(u) / 2147483648.0;
    }
    }
}

void writeSample(ByteWriter& w, double x, Encoding e)
{
    if (e.tag == kFormatFloat) {
        if (e.bits == 32) {
            const float f = static_cast<float>(x);
            uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            w.le32(bits);
        } else {
            uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            w.le64(bits);
        }
        return;
    }
    switch (e.bits) {
    case 8: w.u8(static_cast<uint32_t>(quantise(x, 128.0, -128, 127) + 128)); break;
    case 16: w.le16(static_cast<uint32_t>(quantise(x, 32768.0, -32768, 32767))); break;
    case 24: w.le24(static_cast<uint32_t>(quantise(x, 8388608.0, -8388608, 8388607))); break;
    default: w.le32(static_cast<uint32_t>(quantise(x, 2147483648.0, INT32_MIN, INT32_MAX))); break;
    }
}

struct Format {
    Encoding encoding{};
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t blockAlign = 0;
};

Format parseFmt(ByteReader r)
{
    Format f;
    uint16_t tag = r.le16("format tag");
    f.channels = r.le16("channel count");
    f.sampleRate = r.le32("sample rate");
    r.skip(4, "byte rate");
    f.blockAlign = r.le16("block align");
    const uint16_t bits = r.le16("bits per sample");
    if (tag == kFormatExtensible) {
        if (r.le16("extension size") < 22) r.fail("WAVE_FORMAT_EXTENSIBLE header too short");
        r.skip(6, "valid bits and channel mask");
        tag = r.le16("sub-format");
        if (std::memcmp(r.take(14, "sub-format GUID"), kSubtypeTail, 14) != 0) r.fail("unknown sub-format GUID");
    }
    if (tag != kFormatPcm && tag != kFormatFloat)
        r.fail("unsupported encoding (format tag " + std::to_string(tag) + "; integer PCM and IEEE float are read)");
    const bool bitsOk = tag == kFormatPcm ? (bits == 8 || bits == 16 || bits == 24 || bits == 32)
                                          : (bits == 32 || bits == 64);
    if (!bitsOk)
        r.fail("unsupported sample size (" + std::to_string(bits) + "-bit " + (tag == kFormatPcm ? "PCM" : "float") +
               ")");
    if (f.channels == 0 || f.channels > kMaxWavChannels)
        r.fail("unsupported channel count " + std::to_string(f.channels));
    if (f.sampleRate == 0 || f.sampleRate > kMaxWavSampleRate)
        r.fail("unsupported sample rate " + std::to_string(f.sampleRate));
    if (f.blockAlign != f.channels * (bits / 8u))
        r.fail("block align " + std::to_string(f.blockAlign) + " does not match " + std::to_string(f.channels) +
               " channels of " + std::to_string(bits) + " bits");
    f.encoding = {tag, bits};
    return f;
}

}  // namespace

AudioBuffer decodeWav(const uint8_t* data, size_t size, const std::string& name)
{
    ByteReader file(data, size, name);
    if (!file.startsWith("RIFF")) file.fail(file.startsWith("RF64") ? "RF64 files are not supported" : "not a WAV file (no RIFF header)");
    file.skip(4, "RIFF tag");
    const uint32_t riffSize = file.le32("RIFF size");
    if (!file.startsWith("WAVE")) file.fail("not a WAV file (RIFF form is not WAVE)");
    if (riffSize < 4) file.fail("RIFF size " + std::to_string(riffSize) + " is too small");
    if (riffSize > size - 8)
        file.fail("truncated: the header announces " + std::to_string(uint64_t{riffSize} + 8) + " bytes, the file has " +
                  std::to_string(size));

    // Walk the chunks inside the RIFF body only.
    ByteReader body(data + 12, riffSize - 4, name);
    const uint8_t* fmt = nullptr;
    size_t fmtSize = 0;
    const uint8_t* samples = nullptr;
    size_t sampleBytes = 0;
    while (body.remaining() >= 8) {
        char id[5] = {};
        std::memcpy(id, body.take(4, "chunk id"), 4);
        const uint32_t chunkSize = body.le32("chunk size");
        if (chunkSize > body.remaining())
            body.fail(std::string("truncated '") + id + "' chunk (" + std::to_string(chunkSize) + " bytes announced, " +
                      std::to_string(body.remaining()) + " present)");
        const uint8_t* p = body.take(chunkSize, "chunk");
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (fmt) body.fail("more than one 'fmt ' chunk");
            fmt = p, fmtSize = chunkSize;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (samples) body.fail("more than one 'data' chunk");
            samples = p, sampleBytes = chunkSize;
        }
        if ((chunkSize & 1) && body.remaining() > 0) body.skip(1, "pad byte");
    }
    if (!fmt) body.fail("no 'fmt ' chunk");
    if (!samples) body.fail("no 'data' chunk");

    const Format f = parseFmt(ByteReader(fmt, fmtSize, name + " ('fmt ' chunk)"));
    const size_t frames = sampleBytes / f.blockAlign;  // a trailing partial frame is dropped
    AudioBuffer audio(f.sampleRate, f.channels, frames);
    const size_t bytesPerSample = f.encoding.bits / 8u;
    for (size_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < f.channels; ++c)
            audio.channels[c][i] = sampleAt(samples + i * f.blockAlign + c * bytesPerSample, f.encoding);
    return audio;
}

std::vector<uint8_t> encodeWav(const AudioBuffer& audio, SampleFormat format)
{
    const Encoding e = encodingOf(format);
    const uint32_t channels = static_cast<uint32_t>(audio.channelCount());
    if (channels == 0 || channels > kMaxWavChannels)
        throw HostError("cannot write a WAV file with " + std::to_string(channels) + " channels");
    const uint32_t blockAlign = channels * (e.bits / 8u);
    const uint64_t dataBytes = uint64_t{blockAlign} * audio.frames();
    if (dataBytes > 0xFFFF0000u) throw HostError("audio too long for a WAV file (more than 4 GiB of samples)");

    const bool extensible = channels > 2;
    ByteWriter w;
    w.tag("RIFF");
    w.le32(0);  // patched below
    w.tag("WAVE");
    w.tag("fmt ");
    w.le32(extensible ? 40 : e.tag == kFormatFloat ? 18 : 16);
    w.le16(extensible ? kFormatExtensible : e.tag);
    w.le16(channels);
    w.le32(audio.sampleRate);
    w.le32(audio.sampleRate * blockAlign);
    w.le16(blockAlign);
    w.le16(e.bits);
    if (extensible) {
        w.le16(22);
        w.le16(e.bits);  // valid bits
        w.le32(0);       // channel mask: no speaker positions
        w.le16(e.tag);
        w.append(kSubtypeTail, sizeof kSubtypeTail);
    } else if (e.tag == kFormatFloat) {
        w.le16(0);  // extension size
    }
    if (e.tag == kFormatFloat) {
        w.tag("fact");
        w.le32(4);
        w.le32(static_cast<uint32_t>(audio.frames()));
    }
    w.tag("data");
    w.le32(static_cast<uint32_t>(dataBytes));
    w.bytes.reserve(w.bytes.size() + dataBytes + 1);
    for (size_t i = 0; i < audio.frames(); ++i)
        for (uint32_t c = 0; c < channels; ++c) writeSample(w, audio.channels[c][i], e);
    if (dataBytes & 1) w.u8(0);
    w.patchLe32(4, static_cast<uint32_t>(w.bytes.size() - 8));
    return w.bytes;
}

}  // namespace HostKit
