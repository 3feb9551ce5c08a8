// Our WAV reader and writer: exact round trips, the RIFF layout other programs
// expect, and refusal of damaged files without reading past the data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/tools/ToolsTestSupport.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/WavCodec.h"

using namespace HostKit;

namespace {

uint32_t le32At(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t le16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
std::string tagAt(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

/// Decodes from a heap block of exactly size bytes, so a sanitizer sees any overread.
AudioBuffer decodeExact(const std::vector<uint8_t>& bytes, size_t size)
{
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    return decodeWav(copy.data(), copy.size());
}

std::string decodeError(const std::vector<uint8_t>& bytes)
{
    try {
        decodeWav(bytes.data(), bytes.size());
    } catch (const HostError& e) {
        return e.what();
    }
    return "(accepted)";
}

struct FormatCase {
    SampleFormat format;
    double step;  // one quantisation step; 0 for float formats
};
const FormatCase kFormats[] = {
    {SampleFormat::Pcm8, 1.0 / 128},        {SampleFormat::Pcm16, 1.0 / 32768}, {SampleFormat::Pcm24, 1.0 / 8388608},
    {SampleFormat::Pcm32, 1.0 / 2147483648.0}, {SampleFormat::Float32, 0.0},   {SampleFormat::Float64, 0.0},
};

}  // namespace

TEST(WavCodec, EveryFormatRoundTripsWithinItsResolution)
{
    for (size_t channels : {1u, 2u, 3u, 6u}) {
        const AudioBuffer in = ToolsTest::noise(channels, 257, 48000, static_cast<uint32_t>(channels));
        for (const FormatCase& f : kFormats) {
            SCOPED_TRACE(std::string(sampleFormatName(f.format)) + ", channels " + std::to_string(channels));
            const AudioBuffer out = decodeWav(encodeWav(in, f.format).data(), encodeWav(in, f.format).size());
            ASSERT_EQ(out.sampleRate, 48000u);
            ASSERT_EQ(out.channelCount(), channels);
            ASSERT_EQ(out.frames(), 257u);
            for (size_t c = 0; c < channels; ++c)
                for (size_t i = 0; i < 257; ++i) {
                    const double want = f.format == SampleFormat::Float32
                                            ? static_cast<double>(static_cast<float>(in.channels[c][i]))
                                            : in.channels[c][i];
                    ASSERT_NEAR(out.channels[c][i], want, f.step * 0.5 + 1e-15) << "frame " << i;
                }
        }
    }
}

TEST(WavCodec, IntegerFormatsClipAtFullScaleAndKeepExactSteps)
{
    AudioBuffer in(44100, 1, 6);
    in.channels[0] = {1.5, -1.5, 1.0, -1.0, NAN, 12345.0 / 32768};
    const AudioBuffer s16 = decodeWav(encodeWav(in, SampleFormat::Pcm16).data(), encodeWav(in, SampleFormat::Pcm16).size());
    EXPECT_EQ(s16.channels[0][0], 32767.0 / 32768);
    EXPECT_EQ(s16.channels[0][1], -1.0);
    EXPECT_EQ(s16.channels[0][2], 32767.0 / 32768);
    EXPECT_EQ(s16.channels[0][3], -1.0);
    EXPECT_EQ(s16.channels[0][4], 0.0);
    EXPECT_EQ(s16.channels[0][5], 12345.0 / 32768);
    const AudioBuffer u8 = decodeWav(encodeWav(in, SampleFormat::Pcm8).data(), encodeWav(in, SampleFormat::Pcm8).size());
    EXPECT_EQ(u8.channels[0][0], 127.0 / 128);
    EXPECT_EQ(u8.channels[0][1], -1.0);
}

TEST(WavCodec, WritesTheRiffLayoutOtherProgramsRead)
{
    const AudioBuffer stereo = ToolsTest::noise(2, 5, 44100);
    const std::vector<uint8_t> pcm = encodeWav(stereo, SampleFormat::Pcm24);
    EXPECT_EQ(tagAt(pcm, 0), "RIFF");
    EXPECT_EQ(le32At(pcm, 4), pcm.size() - 8);
    EXPECT_EQ(tagAt(pcm, 8), "WAVE");
    EXPECT_EQ(tagAt(pcm, 12), "fmt ");
    EXPECT_EQ(le32At(pcm, 16), 16u);
    EXPECT_EQ(le16At(pcm, 20), 1);  // PCM
    EXPECT_EQ(le16At(pcm, 22), 2);
    EXPECT_EQ(le32At(pcm, 24), 44100u);
    EXPECT_EQ(le32At(pcm, 28), 44100u * 6);  // byte rate
    EXPECT_EQ(le16At(pcm, 32), 6);           // block align
    EXPECT_EQ(le16At(pcm, 34), 24);
    EXPECT_EQ(tagAt(pcm, 36), "data");
    EXPECT_EQ(le32At(pcm, 40), 30u);
    EXPECT_EQ(pcm.size(), 44u + 30 + 0);

    // Float data: format 3 with an 18-byte fmt and a fact chunk counting frames.
    const std::vector<uint8_t> flt = encodeWav(stereo, SampleFormat::Float32);
    EXPECT_EQ(le32At(flt, 16), 18u);
    EXPECT_EQ(le16At(flt, 20), 3);
    EXPECT_EQ(tagAt(flt, 38), "fact");
    EXPECT_EQ(le32At(flt, 46), 5u);
    EXPECT_EQ(tagAt(flt, 50), "data");

    // Odd data sizes get a pad byte that the RIFF size includes.
    const std::vector<uint8_t> odd = encodeWav(ToolsTest::noise(1, 3), SampleFormat::Pcm8);
    EXPECT_EQ(odd.size(), 44u + 3 + 1);
    EXPECT_EQ(le32At(odd, 4), odd.size() - 8);

    // More than two channels: WAVE_FORMAT_EXTENSIBLE with the PCM sub-format.
    const std::vector<uint8_t> surround = encodeWav(ToolsTest::noise(6, 2), SampleFormat::Pcm16);
    EXPECT_EQ(le32At(surround, 16), 40u);
    EXPECT_EQ(le16At(surround, 20), 0xFFFE);
    EXPECT_EQ(le16At(surround, 36), 22);  // extension size
    EXPECT_EQ(le16At(surround, 44), 1);   // sub-format: PCM
}

TEST(WavCodec, ReadsChunksInAnyOrderAndSkipsUnknownOnes)
{
    // data before fmt, an odd-sized LIST chunk with its pad byte, 16-bit mono.
    ByteWriter w;
    w.tag("RIFF");
    w.le32(0);
    w.tag("WAVE");
    w.tag("LIST");
    w.le32(3);
    w.u8('a'), w.u8('b'), w.u8('c'), w.u8(0);  // three bytes and the pad
    w.tag("data");
    w.le32(4);
    w.le16(0x4000), w.le16(0xC000);
    w.tag("fmt ");
    w.le32(16);
    w.le16(1), w.le16(1), w.le32(22050), w.le32(44100), w.le16(2), w.le16(16);
    w.patchLe32(4, static_cast<uint32_t>(w.bytes.size() - 8));
    const AudioBuffer a = decodeWav(w.bytes.data(), w.bytes.size());
    EXPECT_EQ(a.sampleRate, 22050u);
    ASSERT_EQ(a.frames(), 2u);
    EXPECT_EQ(a.channels[0][0], 0.5);
    EXPECT_EQ(a.channels[0][1], -0.5);
}

TEST(WavCodec, DropsATrailingPartialFrame)
{
    std::vector<uint8_t> b = encodeWav(ToolsTest::noise(2, 4), SampleFormat::Pcm16);
    // Claim 18 data bytes: four whole stereo frames and half of a fifth.
    b.insert(b.end(), {0x11, 0x22});
    b[40] = 18;
    b[4] = static_cast<uint8_t>(b.size() - 8);
    EXPECT_EQ(decodeWav(b.data(), b.size()).frames(), 4u);
}

TEST(WavCodec, RefusesEveryTruncatedFile)
{
    for (SampleFormat f : {SampleFormat::Pcm16, SampleFormat::Float32}) {
        const std::vector<uint8_t> whole = encodeWav(ToolsTest::noise(2, 6), f);
        ASSERT_NO_THROW(decodeExact(whole, whole.size()));
        for (size_t n = 0; n < whole.size(); ++n) EXPECT_THROW(decodeExact(whole, n), HostError) << "length " << n;
    }
}

TEST(WavCodec, RefusesDamagedHeadersWithAReason)
{
    const std::vector<uint8_t> good = encodeWav(ToolsTest::noise(2, 4), SampleFormat::Pcm16);
    struct Damage {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Damage cases[] = {
        {"big-endian RIFX", 0, {'R', 'I', 'F', 'X'}, "no RIFF header"},
        {"AIFF form", 8, {'A', 'I', 'F', 'F'}, "not WAVE"},
        {"RIFF size past the end", 4, {0xFF, 0xFF, 0, 0}, "truncated"},
        {"RIFF size too small", 4, {2, 0, 0, 0}, "too small"},
        {"ADPCM", 20, {2, 0}, "unsupported encoding"},
        {"no channels", 22, {0, 0}, "channel count"},
        {"sample rate 0", 24, {0, 0, 0, 0}, "sample rate"},
        {"block align off", 32, {3, 0}, "block align"},
        {"12-bit PCM", 34, {12, 0}, "sample size"},
        {"fmt chunk past the end", 16, {0x00, 0x10, 0, 0}, "truncated 'fmt ' chunk"},
        {"fmt chunk too short", 16, {8, 0, 0, 0}, "truncated"},
        {"data renamed", 36, {'j', 'u', 'n', 'k'}, "no 'data' chunk"},
        {"fmt renamed", 12, {'j', 'u', 'n', 'k'}, "no 'fmt ' chunk"},
        {"data past the end", 40, {0xF0, 0, 0, 0}, "truncated 'data' chunk"},
    };
    for (const Damage& d : cases) {
        std::vector<uint8_t> b = good;
        std::copy(d.bytes.begin(), d.bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(d.offset));
        EXPECT_NE(decodeError(b).find(d.reason), std::string::npos) << d.what << ": " << decodeError(b);
    }
    EXPECT_NE(decodeError({}).find("no RIFF header"), std::string::npos);

    // An extensible header whose sub-format GUID is not the standard one.
    std::vector<uint8_t> ext = encodeWav(ToolsTest::noise(3, 2), SampleFormat::Pcm16);
    ext[50] ^= 0xFF;
    EXPECT_NE(decodeError(ext).find("sub-format GUID"), std::string::npos) << decodeError(ext);
}

TEST(WavCodec, SurvivesCorruptionOfEveryHeaderByte)
{
    // Each header byte set to values that stress sizes and counts: the result is
    // a refusal or audio that fits the data, never a read outside it.
    const std::vector<uint8_t> good = encodeWav(ToolsTest::noise(3, 3), SampleFormat::Float32);
    const size_t header = good.size() - 3 * 3 * 4;
    for (size_t at = 0; at < header; ++at)
        for (uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            std::vector<uint8_t> b = good;
            b[at] = v;
            try {
                const AudioBuffer a = decodeExact(b, b.size());
                EXPECT_LE(a.frames() * a.channelCount(), b.size()) << "byte " << at;
            } catch (const HostError&) {
            }
        }
}
