// Builds state chunks record by record, including damaged ones, for tests and
// for the fuzzers' seed corpus.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace CoreTest {

class ChunkBytes {
public:
    /// Starts with a header: magic, version, reserved word.
    explicit ChunkBytes(int16_t version = 5, uint16_t reserved = 0, uint32_t magic = 0x288C3D75)
    {
        u32(magic);
        u16(static_cast<uint16_t>(version));
        u16(reserved);
    }
    /// Only the bytes given, no header.
    static ChunkBytes empty()
    {
        ChunkBytes c;
        c.bytes.clear();
        return c;
    }

    ChunkBytes& name(const std::string& product)  ///< kRecProductName, 31 bytes zero-padded
    {
        u8(4);
        text(product, 31);
        return *this;
    }
    ChunkBytes& value(uint8_t index, uint16_t raw)  ///< kRecParamValue, raw = value x 64000
    {
        u8(0), u8(index), u16(raw);
        return *this;
    }
    ChunkBytes& map(uint8_t index, uint16_t key)  ///< kRecMidiMap
    {
        u8(1), u8(index), u16(key);
        return *this;
    }
    ChunkBytes& program(uint8_t index, const std::string& programName)  ///< kRecProgram, 24 name bytes
    {
        u8(2), u8(index);
        text(programName, 24);
        return *this;
    }
    ChunkBytes& current(uint8_t index)  ///< kRecCurrentProgram
    {
        u8(3), u8(index);
        return *this;
    }
    ChunkBytes& raw(std::initializer_list<uint8_t> list)
    {
        bytes.insert(bytes.end(), list);
        return *this;
    }
    ChunkBytes& append(const std::vector<uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    /// Drops the last n bytes.
    ChunkBytes& cut(size_t n)
    {
        bytes.resize(n < bytes.size() ? bytes.size() - n : 0);
        return *this;
    }

    std::vector<uint8_t> bytes;

private:
    void u8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v & 0xFF), u8(v >> 8); }
    void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
    void text(const std::string& s, size_t n)
    {
        for (size_t i = 0; i < n; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
};

/// The opaque-chunk bank file (FXB) around a bank chunk, every integer big-endian.
inline std::vector<uint8_t> fxbAround(const std::vector<uint8_t>& chunk, uint32_t programs = 16,
                                      uint32_t pluginId = 0x56657341)
{
    std::vector<uint8_t> f;
    auto be = [&f](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<uint8_t>(v >> s));
    };
    be(0x43636E4B);  // 'CcnK'
    be(static_cast<uint32_t>(152 + chunk.size()));
    be(0x46424368);  // 'FBCh'
    be(2);           // format version
    be(pluginId);
    be(1);  // plug-in version
    be(programs);
    f.insert(f.end(), 128, 0);
    be(static_cast<uint32_t>(chunk.size()));
    f.insert(f.end(), chunk.begin(), chunk.end());
    return f;
}

}  // namespace CoreTest
