// MIDI control changes placed at absolute frames of a render, handed to the
// plug-in block by block with deltaFrames relative to each block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/vst2/vst2.h"

namespace HostKit {

/// One control change at an absolute frame of the render.
struct ControlChange {
    int64_t frame = 0;
    uint8_t controller = 0;  ///< 0..127
    uint8_t value = 0;       ///< 0..127
    uint8_t channel = 0;     ///< 0..15 (shown to users as 1..16)
};

/// A parameter set to a raw value at an absolute frame of the render.
struct ParamChange {
    int64_t frame = 0;
    int32_t index = 0;
    float value = 0.0f;
};

/// Holds the events of a whole render and builds the VstEvents list of each block.
class EventSchedule {
public:
    /// Events at the same frame keep the order given. Parameter changes go
    /// into the lists as host parameter events (for plug-ins that take them
    /// inside a block), after the controllers at the same frame.
    explicit EventSchedule(std::vector<ControlChange> events, std::vector<ParamChange> params = {});

    /// The events with frame in [start, start + frames), each with
    /// deltaFrames = frame - start, in frame order; null when there are none.
    /// The list stays valid until the next call (through the following process call).
    VstEvents* eventsFor(int64_t start, int32_t frames);

    const std::vector<ControlChange>& all() const { return events; }

private:
    std::vector<ControlChange> events;
    std::vector<ParamChange> params;
    size_t next = 0, nextParam = 0;  // first events not yet handed out
    std::vector<VstMidiEvent> midi;
    std::vector<VstEvent> values;
    std::vector<uint8_t> list;  // VstEvents header with its pointer array
};

}  // namespace HostKit
