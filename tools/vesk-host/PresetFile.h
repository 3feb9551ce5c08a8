// VST preset files as hosts exchange them: programs (.fxp) and banks (.fxb),
// each either an opaque chunk ('FPCh', 'FBCh') or plain parameter values
// ('FxCk', 'FxBk'). Every header integer and float is big-endian.
//
//   program  'CcnK' byteSize 'FxCk'|'FPCh' version=1 fxID fxVersion numParams prgName[28]
//            then numParams floats, or chunkSize and the chunk
//   bank     'CcnK' byteSize 'FxBk'|'FBCh' version=1|2 fxID fxVersion numPrograms
//            currentProgram (version 2; else part of future) future[124]
//            then numPrograms 'FxCk' programs, or chunkSize and the chunk
//
// byteSize counts every byte after itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace HostKit {

enum class PresetKind {
    ProgramParams,  ///< 'FxCk'
    ProgramChunk,   ///< 'FPCh'
    BankParams,     ///< 'FxBk'
    BankChunk,      ///< 'FBCh'
};

struct ProgramValues {
    std::string name;  ///< at most 27 characters are stored
    std::vector<float> params;
};

struct Preset {
    PresetKind kind = PresetKind::ProgramChunk;
    int32_t formatVersion = 1;  ///< 1 for programs; banks are written as 2
    int32_t fxId = 0;           ///< the plug-in's unique ID
    int32_t fxVersion = 0;      ///< the plug-in's version
    int32_t count = 0;          ///< numParams (programs) or numPrograms (banks)
    std::string programName;    ///< programs only
    int32_t currentProgram = 0; ///< banks of version 2 only
    std::vector<uint8_t> chunk;           ///< opaque forms
    std::vector<float> params;            ///< 'FxCk'
    std::vector<ProgramValues> programs;  ///< 'FxBk'

    bool isBank() const { return kind == PresetKind::BankParams || kind == PresetKind::BankChunk; }
    bool isChunk() const { return kind == PresetKind::ProgramChunk || kind == PresetKind::BankChunk; }
};

/// Header sizes before the chunk of the opaque forms.
constexpr size_t kProgramChunkHeader = 60;
constexpr size_t kBankChunkHeader = 160;
/// Upper bound on preset files read from disk.
constexpr size_t kMaxPresetBytes = size_t{256} << 20;

/// 'FxCk', 'FPCh', 'FxBk' or 'FBCh'.
const char* presetKindTag(PresetKind kind);

/// The file's bytes. count, the chunk or value arrays must be consistent with
/// kind (HostError otherwise); byteSize is computed.
std::vector<uint8_t> encodePreset(const Preset& preset);

/// Parses a preset file. Checks magic, byteSize against the data, counts and
/// chunk sizes against what is present; throws HostError naming the first
/// problem and never reads outside [data, data + size).
Preset decodePreset(const uint8_t* data, size_t size, const std::string& name = "preset");

}  // namespace HostKit
