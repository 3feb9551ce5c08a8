// Whole-file reads and writes, and a bounds-checked reader for parsing bytes
// that come from outside (WAV and preset files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace HostKit {

/// The whole file; HostError when it cannot be opened or read, or is larger than maxBytes.
std::vector<uint8_t> readFile(const std::string& path, size_t maxBytes);
/// Writes bytes to path, replacing the file only once they are all written;
/// HostError on failure, with any old file untouched and no partial file left.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

/// Sequential reader over a byte range. Every read checks the remaining length
/// first and throws HostError("<what>: truncated ...") rather than reading past the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size, std::string what);

    size_t position() const { return pos; }
    size_t remaining() const { return size - pos; }
    /// Throws unless n more bytes are available.
    void need(size_t n, const char* field) const;
    void skip(size_t n, const char* field);
    const uint8_t* take(size_t n, const char* field);  ///< n bytes, consumed
    uint16_t le16(const char* field);
    uint32_t le32(const char* field);
    uint32_t be32(const char* field);
    int32_t be32s(const char* field) { return static_cast<int32_t>(be32(field)); }
    float beFloat(const char* field);
    bool startsWith(const char (&fourcc)[5]) const;  ///< the next four bytes, without consuming them
    [[noreturn]] void fail(const std::string& message) const;

private:
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    std::string what;
};

/// Appends integers and floats in a fixed byte order.
class ByteWriter {
public:
    std::vector<uint8_t> bytes;
    void u8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void le16(uint32_t v) { u8(v), u8(v >> 8); }
    void le24(uint32_t v) { u8(v), u8(v >> 8), u8(v >> 16); }
    void le32(uint32_t v) { le16(v & 0xFFFF), le16(v >> 16); }
    void le64(uint64_t v) { le32(static_cast<uint32_t>(v)), le32(static_cast<uint32_t>(v >> 32)); }
    void be32(uint32_t v) { u8(v >> 24), u8(v >> 16), u8(v >> 8), u8(v); }
    void beFloat(float v);
    void tag(const char (&fourcc)[5])
    {
        for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(fourcc[i]));
    }
    /// text in exactly n bytes, zero-padded (cut when longer).
    void text(const std::string& s, size_t n);
    void append(const uint8_t* p, size_t n) { bytes.insert(bytes.end(), p, p + n); }
    /// Overwrites a big-endian 32-bit field written earlier.
    void patchBe32(size_t offset, uint32_t v);
    void patchLe32(size_t offset, uint32_t v);
};

}  // namespace HostKit
