// The host's song position and tempo, answered to audioMasterGetTime.
#pragma once

#include <cstdint>

#include "formats/vst2/vst2.h"

namespace HostKit {

/// A transport that runs at a fixed tempo and time signature from sample 0.
class Transport {
public:
    double sampleRate = 44100.0;
    double tempo = 120.0;  ///< quarter notes per minute
    int32_t timeSigNumerator = 4;
    int32_t timeSigDenominator = 4;
    bool playing = false;

    /// Sample position of the next block.
    int64_t position() const { return pos; }
    /// Starts the transport at sample 0; the next answer reports a transport change.
    void start();
    /// Stops it where it is; the next answer reports a transport change.
    void stop();
    /// Moves on by one rendered block.
    void advance(int32_t frames);

    /// The time information at the current position. samplePos, sampleRate,
    /// tempo, ppqPos, bar start, time signature and clock distance are always
    /// filled in; the validity flags are set only for the fields that filter asks
    /// for (kVstNanosValid ... kVstClockValid), as VST 2.4 hosts answer. Cycle
    /// positions are never valid (there is no loop). nanoSeconds is the song time
    /// (offline renders have no wall clock to follow).
    void fill(VstTimeInfo& info, VstIntPtr filter) const;

private:
    int64_t pos = 0;
    bool changed = false;
};

}  // namespace HostKit
