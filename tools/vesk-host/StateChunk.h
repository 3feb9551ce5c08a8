// The Vesk2 family's state chunk, as far as a host needs it: recognising it,
// adding a MIDI mapping record (the command line's stand-in for the editor's
// MIDI learn) and summarising one for `preset show`. The byte format itself is
// the plug-in core's codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace HostKit {

/// The key of a control change: status 0xB0 (channel bits clear) and the controller.
constexpr uint16_t controllerKey(uint8_t controller) { return static_cast<uint16_t>(0xB000u + controller); }

/// Whether the bytes start with the state chunk's magic.
bool isStateChunk(const uint8_t* data, size_t size);

/// Appends a MIDI map record {1, param, key LE}. HostError when param does not fit a byte.
void appendMidiMap(std::vector<uint8_t>& chunk, int32_t param, uint16_t key);

/// A chunk that only maps param to key: the header and product name record of
/// the plug-in's own chunk (so that it loads without asking about another
/// product), then the MIDI map record. Loading it sets no parameter value.
/// The data must start with the magic.
std::vector<uint8_t> midiMapChunk(const uint8_t* data, size_t size, int32_t param, uint16_t key);

struct StateChunkSummary {
    int32_t version = 0;
    std::string product;
    int values = 0, midiMaps = 0, programs = 0;
    int currentProgram = -1;
    std::string damage;  ///< empty when every record parsed
};

/// Walks the records without trusting them: a bad type or a truncated record
/// ends the walk and is named in damage. The data must start with the magic.
StateChunkSummary summarizeStateChunk(const uint8_t* data, size_t size);

}  // namespace HostKit
