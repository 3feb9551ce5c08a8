// The reverb's parameters, described once: index, names, default, the scale
// that turns a raw value into its unit, the display text and the settings the
// engine consumes. Raw values reach this file already clamped to [0, 1] by the
// core, which is the only place they are clamped.
#pragma once

#include <cstdint>

#include "effect/ReverbEngine.h"

namespace VeskParams {

enum Index : uint32_t {
    kPredelay = 0,
    kRTime,
    kDiffusion,
    kRoomSize,
    kHiFreq,
    kLoFreq,
    kHiEq,
    kLoEq,
    kHiScale,
    kLoScale,
    kHiCut,
    kLoCut,
    kMode,
    kOutput,
    kCount
};

struct Definition {
    const char* name;      ///< short name the host shows
    const char* label;     ///< unit label ("" for none)
    float defaultValue;    ///< raw value
    const char* longName;  ///< editor label
    bool noProgram;        ///< keeps its value across program changes
};

extern const Definition kTable[kCount];

/// Display text of raw value x for parameter index, cut to at most seven
/// characters (text[7] is always a terminator). An index above 13 writes only that terminator.
void format(uint32_t index, char* text, float x);

/// The raw value whose display text is text: what format writes, with or
/// without its unit label, or a plain number in the unit shown (the mode also
/// by name). False for text that is no value of the parameter; the result is
/// held within [0, 1].
bool parse(uint32_t index, const char* text, float& x);

/// The engine's settings for raw values in index order (kCount of them). Call it
/// inside a ReverbEngine::ArithmeticScope so that it computes as the engine does.
ReverbSettings settings(const float* raw);

/// The engine's room scale for a raw "Roomsz" value.
double roomScale(float x);

}  // namespace VeskParams
