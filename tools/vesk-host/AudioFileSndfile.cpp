// Audio files through libsndfile (the Linux build): every format libsndfile
// reads, WAV written in the sample format asked for (encoded in memory, then
// written as one file).
#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include "tools/vesk-host/AudioBuffer.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {

int subtypeOf(SampleFormat f)
{
    switch (f) {
    case SampleFormat::Pcm8: return SF_FORMAT_PCM_U8;
    case SampleFormat::Pcm16: return SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24: return SF_FORMAT_PCM_24;
    case SampleFormat::Pcm32: return SF_FORMAT_PCM_32;
    case SampleFormat::Float32: return SF_FORMAT_FLOAT;
    case SampleFormat::Float64: return SF_FORMAT_DOUBLE;
    }
    return SF_FORMAT_FLOAT;
}

/// A file in memory for libsndfile to write into, so that the bytes reach the
/// disk in one replacing write.
class MemoryFile {
public:
    static SF_VIRTUAL_IO* io()
    {
        static SF_VIRTUAL_IO functions = {length, seek, read, write, tell};
        return &functions;
    }
    std::vector<uint8_t> bytes;

private:
    sf_count_t pos = 0;

    static MemoryFile& of(void* user) { return *static_cast<MemoryFile*>(user); }
    static sf_count_t length(void* user) { return static_cast<sf_count_t>(of(user).bytes.size()); }
    static sf_count_t tell(void* user) { return of(user).pos; }
    static sf_count_t seek(sf_count_t offset, int whence, void* user)
    {
        MemoryFile& m = of(user);
        const sf_count_t base = whence == SEEK_CUR ? m.pos : whence == SEEK_END ? length(user) : 0;
        if (base + offset < 0) return -1;
        m.pos = base + offset;
        return m.pos;
    }
    static sf_count_t read(void* ptr, sf_count_t count, void* user)
    {
        MemoryFile& m = of(user);
        const sf_count_t left = length(user) - m.pos;
        const sf_count_t n = count < left ? count : (left > 0 ? left : 0);
        if (n > 0) std::memcpy(ptr, m.bytes.data() + m.pos, static_cast<size_t>(n));
        m.pos += n;
        return n;
    }
    static sf_count_t write(const void* ptr, sf_count_t count, void* user)
    {
        MemoryFile& m = of(user);
        if (count <= 0) return 0;
        const auto end = static_cast<size_t>(m.pos + count);
        if (end > m.bytes.size()) m.bytes.resize(end);
        std::memcpy(m.bytes.data() + m.pos, ptr, static_cast<size_t>(count));
        m.pos += count;
        return count;
    }
};

class SndFile {
public:
    SndFile(const std::string& path, int mode, SF_INFO& info) : file(sf_open(path.c_str(), mode, &info)) {}
    SndFile(MemoryFile& memory, int mode, SF_INFO& info) : file(sf_open_virtual(MemoryFile::io(), mode, &info, &memory))
    {
    }
    ~SndFile()
    {
        if (file) sf_close(file);
    }
    SndFile(const SndFile&) = delete;
    SndFile& operator=(const SndFile&) = delete;
    SNDFILE* get() const { return file; }
    bool close()
    {
        const int r = sf_close(file);
        file = nullptr;
        return r == 0;
    }

private:
    SNDFILE* file;
};

}  // namespace

AudioBuffer readAudioFile(const std::string& path)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SndFile f(path, SFM_READ, info);
    if (!f.get()) throw HostError("cannot read '" + path + "': " + sf_strerror(nullptr));
    if (info.channels <= 0 || info.channels > 64 || info.samplerate <= 0 || info.frames < 0)
        throw HostError("'" + path + "': unsupported layout (" + std::to_string(info.channels) + " channels, " +
                        std::to_string(info.samplerate) + " Hz)");
    if (info.frames > std::numeric_limits<int32_t>::max())
        throw HostError("'" + path + "' is too long (" + std::to_string(info.frames) + " frames)");
    const size_t channels = static_cast<size_t>(info.channels);
    const size_t frames = static_cast<size_t>(info.frames);
    std::vector<double> interleaved(frames * channels);
    const sf_count_t got = sf_readf_double(f.get(), interleaved.data(), info.frames);
    if (got != info.frames)
        throw HostError("cannot read '" + path + "': " + std::to_string(got) + " of " + std::to_string(info.frames) +
                        " frames (" + sf_strerror(f.get()) + ")");
    AudioBuffer audio(static_cast<uint32_t>(info.samplerate), channels, frames);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c) audio.channels[c][i] = interleaved[i * channels + c];
    return audio;
}

void writeAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(audio.sampleRate);
    info.channels = static_cast<int>(audio.channelCount());
    info.format = SF_FORMAT_WAV | subtypeOf(format);
    if (!sf_format_check(&info))
        throw HostError("cannot write '" + path + "': " + std::to_string(info.channels) + " channels of " +
                        sampleFormatName(format) + " is not a valid WAV layout");
    MemoryFile memory;
    SndFile f(memory, SFM_WRITE, info);
    if (!f.get()) throw HostError("cannot write '" + path + "': " + sf_strerror(nullptr));
    // No PEAK chunk: it carries a time stamp, and equal audio must give equal files.
    sf_command(f.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer formats are clipped at full scale rather than wrapped.
    sf_command(f.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const size_t channels = audio.channelCount();
    const size_t frames = audio.frames();
    std::vector<double> interleaved(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c) interleaved[i * channels + c] = audio.channels[c][i];
    const sf_count_t put = sf_writef_double(f.get(), interleaved.data(), static_cast<sf_count_t>(frames));
    const bool closed = f.close();
    if (put != static_cast<sf_count_t>(frames) || !closed) throw HostError("cannot write '" + path + "'");
    writeFile(path, memory.bytes);
}

}  // namespace HostKit
