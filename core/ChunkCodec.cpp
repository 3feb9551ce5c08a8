#include "core/ChunkCodec.h"

#include <cstring>

namespace PlugCore {

size_t chunkRecordBytes(uint8_t type)
{
    switch (type) {
        case kRecParamValue:
        case kRecMidiMap:
            return 4;
        case kRecProgram:
            return 2 + kProgramNameBytes;
        case kRecCurrentProgram:
            return 2;
        case kRecProductName:
            return 1 + kProductNameBytes;
        default:
            return 0;
    }
}

uint16_t quantiseValue(float raw) { return static_cast<uint16_t>(static_cast<uint32_t>(raw * 64000.0f)); }

float unquantiseValue(uint16_t steps) { return static_cast<float>(steps) * 1.5625e-5f; }

namespace {

void copyName(char* dst, const char* name, size_t n)
{
    const size_t len = name ? strnlen(name, n) : 0;
    if (len) std::memcpy(dst, name, len);
}

void u8(std::vector<uint8_t>& out, uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
void u16(std::vector<uint8_t>& out, uint32_t v) { u8(out, v & 0xFF), u8(out, (v >> 8) & 0xFF); }

}  // namespace

ChunkRecordData ChunkRecordData::paramValue(uint32_t param, float raw)
{
    ChunkRecordData r;
    r.type = kRecParamValue;
    r.index = static_cast<uint8_t>(param);
    r.value = quantiseValue(raw);
    return r;
}

ChunkRecordData ChunkRecordData::midiMap(uint32_t param, int32_t key)
{
    ChunkRecordData r;
    r.type = kRecMidiMap;
    r.index = static_cast<uint8_t>(param);
    r.value = static_cast<uint16_t>(static_cast<uint32_t>(key) & 0xFFFF);
    return r;
}

ChunkRecordData ChunkRecordData::program(uint32_t program, const char* name)
{
    ChunkRecordData r;
    r.type = kRecProgram;
    r.index = static_cast<uint8_t>(program);
    copyName(r.text, name, kProgramNameBytes);
    return r;
}

ChunkRecordData ChunkRecordData::currentProgram(uint32_t program)
{
    ChunkRecordData r;
    r.type = kRecCurrentProgram;
    r.index = static_cast<uint8_t>(program);
    return r;
}

ChunkRecordData ChunkRecordData::productName(const char* name)
{
    ChunkRecordData r;
    r.type = kRecProductName;
    copyName(r.text, name, kProductNameBytes);
    return r;
}

void writeChunkHeader(std::vector<uint8_t>& out, const ChunkHeader& header)
{
    u16(out, header.magic & 0xFFFF);
    u16(out, header.magic >> 16);
    u16(out, static_cast<uint16_t>(header.version));
    u16(out, header.reserved);
}

void writeChunkRecord(std::vector<uint8_t>& out, const ChunkRecordData& r)
{
    u8(out, r.type);
    switch (r.type) {
        case kRecParamValue:
        case kRecMidiMap:
            u8(out, r.index), u16(out, r.value);
            break;
        case kRecProgram:
            u8(out, r.index);
            out.insert(out.end(), r.text, r.text + kProgramNameBytes);
            break;
        case kRecCurrentProgram:
            u8(out, r.index);
            break;
        case kRecProductName:
            out.insert(out.end(), r.text, r.text + kProductNameBytes);
            break;
    }
}

const char* chunkErrorText(ChunkError error)
{
    switch (error) {
        case ChunkError::None:
            return "";
        case ChunkError::NoHeader:
            return "No header";
        case ChunkError::InvalidHeader:
            return "Invalid header";
        case ChunkError::LaterVersion:
            return "Program or bank was saved with a later version.\nPlease update the plugin and try again.";
        case ChunkError::Corrupted:
            return "Chunk appears corrupted.";
    }
    return "";
}

ChunkReader::ChunkReader(const uint8_t* data, size_t length) : bytes(data), size(data ? length : 0)
{
    if (size < kChunkHeaderBytes) {
        failure = ChunkError::NoHeader;
        return;
    }
    head.magic = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    head.version = static_cast<int16_t>(bytes[4] | bytes[5] << 8);
    head.reserved = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    if (head.magic != kChunkMagic)
        failure = ChunkError::InvalidHeader;
    else if (head.version > kChunkVersion || head.reserved != 0)
        failure = ChunkError::LaterVersion;
}

bool ChunkReader::next(ChunkRecordData& r)
{
    if (failure != ChunkError::None || pos >= size) return false;
    const uint8_t type = bytes[pos];
    const size_t need = chunkRecordBytes(type);
    if (need == 0 || need > size - pos) {
        failure = ChunkError::Corrupted;
        return false;
    }
    const uint8_t* p = bytes + pos + 1;
    r = ChunkRecordData{};
    r.type = static_cast<ChunkRecord>(type);
    switch (r.type) {
        case kRecParamValue:
        case kRecMidiMap:
            r.index = p[0];
            r.value = static_cast<uint16_t>(p[1] | p[2] << 8);
            break;
        case kRecProgram:
            r.index = p[0];
            std::memcpy(r.text, p + 1, kProgramNameBytes);
            break;
        case kRecCurrentProgram:
            r.index = p[0];
            break;
        case kRecProductName:
            std::memcpy(r.text, p, kProductNameBytes);
            break;
    }
    pos += need;
    return true;
}

ChunkError decodeChunk(const uint8_t* data, size_t size, std::vector<ChunkRecordData>& records)
{
    records.clear();
    ChunkReader reader(data, size);
    ChunkRecordData r;
    while (reader.next(r)) records.push_back(r);
    return reader.error();
}

}  // namespace PlugCore
