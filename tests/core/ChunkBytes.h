// Builds state chunks record by record with the core's codec, plus the raw
// bytes and cuts that make damaged ones, for tests and the fuzzers' seed corpus.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/ChunkCodec.h"

namespace CoreTest {

class ChunkBytes {
public:
    /// Starts with a header: magic, version, reserved word.
    explicit ChunkBytes(int16_t version = 5, uint16_t reserved = 0, uint32_t magic = 0x288C3D75)
    {
        PlugCore::writeChunkHeader(bytes, {magic, version, reserved});
    }
    /// Only the bytes given, no header.
    static ChunkBytes empty()
    {
        ChunkBytes c;
        c.bytes.clear();
        return c;
    }

    ChunkBytes& name(const std::string& product) { return add(Record::productName(product.c_str())); }
    ChunkBytes& value(uint8_t index, uint16_t raw)  ///< raw = value x 64000
    {
        Record r = Record::paramValue(index, 0.0f);
        r.value = raw;
        return add(r);
    }
    ChunkBytes& map(uint8_t index, uint16_t key) { return add(Record::midiMap(index, key)); }
    ChunkBytes& program(uint8_t index, const std::string& programName)
    {
        return add(Record::program(index, programName.c_str()));
    }
    ChunkBytes& current(uint8_t index) { return add(Record::currentProgram(index)); }
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
    using Record = PlugCore::ChunkRecordData;
    ChunkBytes& add(const Record& r)
    {
        PlugCore::writeChunkRecord(bytes, r);
        return *this;
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
