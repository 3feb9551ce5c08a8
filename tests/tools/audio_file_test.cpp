// Audio files on disk as vesk-host reads and writes them. On Linux the file
// layer is libsndfile, so these tests also check our own codec against it.
#include <gtest/gtest.h>

#include "tests/tools/ToolsTestSupport.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/WavCodec.h"

using namespace HostKit;

namespace {

void expectSame(const AudioBuffer& a, const AudioBuffer& b, double tolerance)
{
    ASSERT_EQ(a.sampleRate, b.sampleRate);
    ASSERT_EQ(a.channelCount(), b.channelCount());
    ASSERT_EQ(a.frames(), b.frames());
    for (size_t c = 0; c < a.channelCount(); ++c)
        for (size_t i = 0; i < a.frames(); ++i)
            ASSERT_NEAR(a.channels[c][i], b.channels[c][i], tolerance) << "channel " << c << " frame " << i;
}

}  // namespace

TEST(AudioFile, FileLayerAndOwnCodecAgreeInBothDirections)
{
    const std::string dir = ToolsTest::scratchDir("audio_file_agree");
    const struct {
        SampleFormat format;
        double tolerance;
    } formats[] = {{SampleFormat::Float32, 0.0}, {SampleFormat::Float64, 0.0}, {SampleFormat::Pcm16, 1.0 / 32768},
                   {SampleFormat::Pcm24, 1.0 / 8388608}};
    for (size_t channels : {1u, 2u, 4u})
        for (const auto& f : formats) {
            SCOPED_TRACE(std::string(sampleFormatName(f.format)) + " x" + std::to_string(channels));
            AudioBuffer in = ToolsTest::noise(channels, 1001, 96000, 7);
            if (f.format == SampleFormat::Float32)
                for (auto& ch : in.channels)
                    for (double& x : ch) x = static_cast<float>(x);
            // Written by the file layer, read by our decoder.
            const std::string a = dir + "/layer.wav";
            writeAudioFile(a, in, f.format);
            const std::vector<uint8_t> bytes = readFile(a, 1 << 24);
            expectSame(decodeWav(bytes.data(), bytes.size()), in, f.tolerance);
            // Written by our encoder, read by the file layer.
            const std::string b = dir + "/codec.wav";
            writeFile(b, encodeWav(in, f.format));
            expectSame(readAudioFile(b), in, f.tolerance);
        }
}

TEST(AudioFile, MissingGarbageAndUnwritableFilesAreRefused)
{
    const std::string dir = ToolsTest::scratchDir("audio_file_refused");
    EXPECT_THROW(readAudioFile(dir + "/absent.wav"), HostError);
    const std::string text = dir + "/notes.wav";
    writeFile(text, std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_THROW(readAudioFile(text), HostError);
    const std::string empty = dir + "/empty.wav";
    writeFile(empty, {});
    EXPECT_THROW(readAudioFile(empty), HostError);
    EXPECT_THROW(writeAudioFile(dir + "/no/such/folder/out.wav", ToolsTest::noise(2, 10), SampleFormat::Float32),
                 HostError);
    EXPECT_THROW(readFile(text, 3), HostError) << "a file larger than the limit is refused";
}
