#include "tools/vesk-host/StateChunk.h"

#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {
// Record sizes by type byte, the type byte included.
constexpr size_t kRecordSize[] = {4, 4, 26, 2, 32};
constexpr uint8_t kProductRecord = 4;
}  // namespace

bool isStateChunk(const uint8_t* data, size_t size)
{
    if (size < 8) return false;
    const uint32_t magic = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                           (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return magic == kStateChunkMagic;
}

void appendMidiMap(std::vector<uint8_t>& chunk, int32_t param, uint16_t key)
{
    if (param < 0 || param > 255)
        throw HostError("parameter index " + std::to_string(param) + " cannot be stored in a MIDI map record");
    chunk.push_back(1);
    chunk.push_back(static_cast<uint8_t>(param));
    chunk.push_back(static_cast<uint8_t>(key & 0xFF));
    chunk.push_back(static_cast<uint8_t>(key >> 8));
}

std::vector<uint8_t> midiMapChunk(const uint8_t* data, size_t size, int32_t param, uint16_t key)
{
    std::vector<uint8_t> chunk;
    chunk.reserve(8 + kRecordSize[kProductRecord] + 4);
    chunk.assign(data, data + 8);
    // Values are left out: they would come back through the chunk's 64000
    // steps and move parameters nobody asked to change.
    size_t pos = 8;
    while (pos < size && data[pos] < sizeof kRecordSize / sizeof kRecordSize[0] &&
           kRecordSize[data[pos]] <= size - pos) {
        if (data[pos] == kProductRecord) {
            chunk.insert(chunk.end(), data + pos, data + pos + kRecordSize[kProductRecord]);
            break;
        }
        pos += kRecordSize[data[pos]];
    }
    appendMidiMap(chunk, param, key);
    return chunk;
}

StateChunkSummary summarizeStateChunk(const uint8_t* data, size_t size)
{
    StateChunkSummary s;
    if (!isStateChunk(data, size)) {
        s.damage = "no state chunk header";
        return s;
    }
    s.version = static_cast<int16_t>(data[4] | (data[5] << 8));
    size_t pos = 8;
    while (pos < size) {
        const uint8_t type = data[pos];
        if (type >= sizeof kRecordSize / sizeof kRecordSize[0]) {
            s.damage = "unknown record type " + std::to_string(type) + " at offset " + std::to_string(pos);
            break;
        }
        if (kRecordSize[type] > size - pos) {
            s.damage = "truncated record of type " + std::to_string(type) + " at offset " + std::to_string(pos);
            break;
        }
        const uint8_t* r = data + pos + 1;
        switch (type) {
        case 0: ++s.values; break;
        case 1: ++s.midiMaps; break;
        case 2: ++s.programs; break;
        case 3: s.currentProgram = r[0]; break;
        case 4: {
            size_t n = 0;
            while (n < 31 && r[n]) ++n;
            s.product.assign(reinterpret_cast<const char*>(r), n);
            break;
        }
        default: break;
        }
        pos += kRecordSize[type];
    }
    return s;
}

}  // namespace HostKit
