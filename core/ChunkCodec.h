// The state chunk's byte format, written once: records in, bytes out; bytes in,
// records or a named error out. Host state, presets, banks, the user defaults
// file and the factory bank all carry it. Pure: no message boxes, no effect.
//
// Little-endian. An 8-byte header (magic, signed 16-bit version, a reserved
// 16-bit word that must be 0) followed by records, each led by its type byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace PlugCore {

enum ChunkRecord : uint8_t {
    kRecParamValue = 0,      ///< parameter index, quantised value (uint16)
    kRecMidiMap = 1,         ///< parameter index, controller key (int16)
    kRecProgram = 2,         ///< program index, 24 name bytes
    kRecCurrentProgram = 3,  ///< program index
    kRecProductName = 4,     ///< 31 name bytes, zero-padded
};

constexpr uint32_t kChunkMagic = 0x288C3D75;
constexpr int16_t kChunkVersion = 5;
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kProductNameBytes = 31;
constexpr size_t kProgramNameBytes = 24;

/// Size of a record of this type, its type byte included; 0 for a type the format does not define.
size_t chunkRecordBytes(uint8_t type);

/// Raw values travel in 64000 steps: written truncated, read back in single precision.
uint16_t quantiseValue(float raw);
float unquantiseValue(uint16_t steps);

struct ChunkHeader {
    uint32_t magic = kChunkMagic;
    int16_t version = kChunkVersion;
    uint16_t reserved = 0;
};

struct ChunkRecordData {
    ChunkRecord type = kRecParamValue;
    uint8_t index = 0;   ///< parameter (value, map) or program (program, current program)
    uint16_t value = 0;  ///< quantised value, or the controller key's 16 bits
    char text[31] = {};  ///< program name (24 bytes) or product name (31 bytes), as stored

    int32_t key() const { return static_cast<int16_t>(value); }  ///< sign-extended as parameters hold keys

    static ChunkRecordData paramValue(uint32_t param, float raw);
    static ChunkRecordData midiMap(uint32_t param, int32_t key);
    /// name: at most 24 bytes are taken, stopping at a terminator; the rest is zeros.
    static ChunkRecordData program(uint32_t program, const char* name);
    static ChunkRecordData currentProgram(uint32_t program);
    /// name: at most 31 bytes are taken, stopping at a terminator; the rest is zeros.
    static ChunkRecordData productName(const char* name);
};

void writeChunkHeader(std::vector<uint8_t>& out, const ChunkHeader& header = {});
void writeChunkRecord(std::vector<uint8_t>& out, const ChunkRecordData& record);

enum class ChunkError {
    None,
    NoHeader,       ///< fewer than 8 bytes
    InvalidHeader,  ///< wrong magic
    LaterVersion,   ///< a version above ours, or a reserved word that is not 0
    Corrupted,      ///< a record of an undefined type, or one cut short
};

/// The words the user is shown for an error ("No header", ...); "" for None.
const char* chunkErrorText(ChunkError error);

/// Reads a chunk record by record, trusting nothing: every record is checked
/// against the bytes left before it is read.
class ChunkReader {
public:
    ChunkReader(const uint8_t* data, size_t size);

    /// The header's verdict; records can be read only when it is None.
    ChunkError error() const { return failure; }
    const ChunkHeader& header() const { return head; }

    /// The next record; false at the end of the bytes, or at damage (error() is then Corrupted).
    bool next(ChunkRecordData& record);
    /// Where the next record (or the damage) starts.
    size_t offset() const { return pos; }

private:
    const uint8_t* bytes;
    size_t size;
    size_t pos = kChunkHeaderBytes;
    ChunkHeader head;
    ChunkError failure = ChunkError::None;
};

/// Every record up to the end or the first damage; the error says which.
ChunkError decodeChunk(const uint8_t* data, size_t size, std::vector<ChunkRecordData>& records);

}  // namespace PlugCore
