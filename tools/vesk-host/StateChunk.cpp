#include "tools/vesk-host/StateChunk.h"

#include <cstring>

#include "core/ChunkCodec.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

bool isStateChunk(const uint8_t* data, size_t size)
{
    const PlugCore::ChunkReader reader(data, size);
    return reader.error() != PlugCore::ChunkError::NoHeader && reader.header().magic == PlugCore::kChunkMagic;
}

void appendMidiMap(std::vector<uint8_t>& chunk, int32_t param, uint16_t key)
{
    if (param < 0 || param > 255)
        throw HostError("parameter index " + std::to_string(param) + " cannot be stored in a MIDI map record");
    PlugCore::writeChunkRecord(chunk, PlugCore::ChunkRecordData::midiMap(static_cast<uint32_t>(param), key));
}

std::vector<uint8_t> midiMapChunk(const uint8_t* data, size_t size, int32_t param, uint16_t key)
{
    // Only the header, the product's own name (so the plug-in asks nothing) and
    // the mapping: values would come back through the chunk's 64000 steps and
    // move parameters nobody asked to change.
    using namespace PlugCore;
    std::vector<uint8_t> chunk;
    ChunkReader reader(data, size);
    writeChunkHeader(chunk, reader.header());
    ChunkRecordData r;
    while (reader.next(r))
        if (r.type == kRecProductName) {
            writeChunkRecord(chunk, r);
            break;
        }
    appendMidiMap(chunk, param, key);
    return chunk;
}

StateChunkSummary summarizeStateChunk(const uint8_t* data, size_t size)
{
    using namespace PlugCore;
    StateChunkSummary s;
    if (!isStateChunk(data, size)) {
        s.damage = "no state chunk header";
        return s;
    }
    s.version = ChunkReader(data, size).header().version;
    // The records are summarised whatever version the header names: they are
    // read behind a header the reader accepts.
    std::vector<uint8_t> bytes;
    writeChunkHeader(bytes);
    bytes.insert(bytes.end(), data + kChunkHeaderBytes, data + size);
    ChunkReader reader(bytes.data(), bytes.size());
    ChunkRecordData r;
    while (reader.next(r)) {
        switch (r.type) {
            case kRecParamValue:
                ++s.values;
                break;
            case kRecMidiMap:
                ++s.midiMaps;
                break;
            case kRecProgram:
                ++s.programs;
                break;
            case kRecCurrentProgram:
                s.currentProgram = r.index;
                break;
            case kRecProductName:
                s.product.assign(r.text, strnlen(r.text, kProductNameBytes));
                break;
        }
    }
    if (reader.error() == ChunkError::Corrupted) {
        const size_t at = reader.offset();
        const uint8_t type = bytes[at];
        s.damage = std::string(chunkRecordBytes(type) ? "truncated record of type " : "unknown record type ") +
                   std::to_string(type) + " at offset " + std::to_string(at);
    }
    return s;
}

}  // namespace HostKit
