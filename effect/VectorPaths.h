// The vector renderers of ReverbEngine, one per instruction set, each built
// in its own file with that set enabled. Only the engine calls them, and only
// on a processor that has the set.
#pragma once

#include <cstdint>

class ReverbEngine;

struct VectorPath {
    /// Renders frames like the scalar renderer; returns the largest magnitude
    /// of the input and the network's taps, for the idle skip.
    double (*render)(ReverbEngine& engine, const double* in0, const double* in1, double* out0, double* out1,
                     uint32_t frames, double dry, double wet);
    /// The silent frames at the start of the input, for a cleared network:
    /// their output is the dry input. Returns how many frames that was.
    uint32_t (*idle)(ReverbEngine& engine, const double* in0, const double* in1, double* out0, double* out1,
                 uint32_t frames, double dry, double wet);
};

extern const VectorPath kSse2Path;
extern const VectorPath kAvx2Path;
extern const VectorPath kAvx512Path;
