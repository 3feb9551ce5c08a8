// The reverb's parameters: indices, table and display texts.
#pragma once

#include <cstdint>

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

}  // namespace VeskParams
