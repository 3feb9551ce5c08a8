// The VST3 face of a plug-in core: one object that is component, audio
// processor and edit controller at once (with its program list, MIDI
// controller mapping and editor view), made by the module's factory.
#pragma once

#include "formats/vst3/vst3.h"

namespace Vst3 {

/// The class id of the audio effect: chosen once, never to change.
constexpr Uid kEffectClassId = makeUid(0x56657332, 0x4D6F726C, 0x656E7661, 0x6C650301);

/// Parameters the VST3 face adds to the core's, whose ids are their indices.
constexpr ParamID kBypassId = 100;
constexpr ParamID kProgramId = 101;
/// MIDI controller n (0..127) arrives as the hidden parameter kControllerBase + n.
constexpr ParamID kControllerBase = 1000;

/// A new instance with one reference, as its component; null when out of memory.
FUnknown* createInstance();

}  // namespace Vst3
