// Audio files through our own WAV codec (the Windows build).
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/WavCodec.h"

namespace HostKit {

namespace {
constexpr size_t kMaxFileBytes = size_t{1} << 32;
}

AudioBuffer readAudioFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFile(path, kMaxFileBytes);
    return decodeWav(bytes.data(), bytes.size(), "'" + path + "'");
}

void writeAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format)
{
    writeFile(path, encodeWav(audio, format));
}

}  // namespace HostKit
