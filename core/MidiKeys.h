// Which MIDI controllers a parameter can be mapped to. The plug-in's
// controller handling and the command-line host's --learn share this one rule.
#pragma once

namespace PlugCore {

/// Controllers that complete a learn and drive a mapped parameter: 1-5, 7-31,
/// 38, 64-95 and 100-119. The rest are bank select, data entry, the LSB range
/// (except 38), the (N)RPN selectors and the channel mode messages.
constexpr bool isLearnableController(int controller)
{
    return (controller >= 1 && controller <= 5) || (controller >= 7 && controller <= 31) || controller == 38 ||
           (controller >= 64 && controller <= 95) || (controller >= 100 && controller <= 119);
}

}  // namespace PlugCore
