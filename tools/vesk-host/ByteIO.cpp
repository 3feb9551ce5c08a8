#include "tools/vesk-host/ByteIO.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/userfiles.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

std::vector<uint8_t> readFile(const std::string& path, size_t maxBytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw HostError("cannot read '" + path + "': cannot open the file");
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, f);
        if (n > maxBytes - bytes.size()) {
            std::fclose(f);
            throw HostError("'" + path + "' is larger than " + std::to_string(maxBytes) + " bytes");
        }
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw HostError("cannot read '" + path + "'");
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    // A device or a pipe (/dev/null, a fifo) cannot be replaced, only written to.
    std::error_code ignored;
    const std::filesystem::file_status status = std::filesystem::status(path, ignored);
    if (std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status) ||
        std::filesystem::is_fifo(status)) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) throw HostError("cannot write '" + path + "': cannot open it");
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (std::fclose(f) != 0 || !written) throw HostError("cannot write '" + path + "'");
        return;
    }
    // Written beside the old file and renamed over it only once complete and
    // flushed: a failed write (a full disk, say) leaves any old file as it was.
    std::string reason;
    if (!Platform::writeFileReplacing(path, bytes.data(), bytes.size(), &reason))
        throw HostError("cannot write '" + path + "' (" + reason + "); any file there is left as it was");
}

ByteReader::ByteReader(const uint8_t* bytes, size_t length, std::string name)
    : data(bytes), size(length), what(std::move(name))
{
}

void ByteReader::fail(const std::string& message) const { throw HostError(what + ": " + message); }

void ByteReader::need(size_t n, const char* field) const
{
    if (n > size - pos)
        fail(std::string("truncated (") + field + " needs " + std::to_string(n) + " bytes at offset " +
             std::to_string(pos) + ", " + std::to_string(size - pos) + " left)");
}

void ByteReader::skip(size_t n, const char* field)
{
    need(n, field);
    pos += n;
}

const uint8_t* ByteReader::take(size_t n, const char* field)
{
    need(n, field);
    const uint8_t* p = data + pos;
    pos += n;
    return p;
}

uint16_t ByteReader::le16(const char* field)
{
    const uint8_t* p = take(2, field);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ByteReader::le32(const char* field)
{
    const uint8_t* p = take(4, field);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t ByteReader::be32(const char* field)
{
    const uint8_t* p = take(4, field);
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

float ByteReader::beFloat(const char* field)
{
    const uint32_t bits = be32(field);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

bool ByteReader::startsWith(const char (&fourcc)[5]) const
{
    return size - pos >= 4 && std::memcmp(data + pos, fourcc, 4) == 0;
}

void ByteWriter::beFloat(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    be32(bits);
}

void ByteWriter::text(const std::string& s, size_t n)
{
    const size_t len = s.size() < n ? s.size() : n;
    bytes.insert(bytes.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(len));
    bytes.insert(bytes.end(), n - len, 0);
}

void ByteWriter::patchBe32(size_t offset, uint32_t v)
{
    bytes.at(offset + 3);  // the field must exist
    bytes[offset] = static_cast<uint8_t>(v >> 24);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 16);
    bytes[offset + 2] = static_cast<uint8_t>(v >> 8);
    bytes[offset + 3] = static_cast<uint8_t>(v);
}

void ByteWriter::patchLe32(size_t offset, uint32_t v)
{
    bytes.at(offset + 3);
    bytes[offset] = static_cast<uint8_t>(v);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
    bytes[offset + 2] = static_cast<uint8_t>(v >> 16);
    bytes[offset + 3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace HostKit
