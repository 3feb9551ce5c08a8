// A CLAP plug-in hosted behind the VST 2.4 effect record the rest of
// vesk-host drives: its dispatcher answers with the plug-in's CLAP calls
// (parameters, state, ports, activation, processing, GUI with timers and
// descriptors), the host's VstEvents reach it as CLAP events, and its own
// gesture and value events reach the session's audioMaster callback.
#pragma once

#include <string>

#include "formats/vst2/vst2.h"
#include "platform/library.h"

namespace HostKit {

/// A host-private VstEvent: parameter index set to value at deltaFrames,
/// which bridged plug-ins take as a timed parameter event. Never sent to a
/// VST 2.4 plug-in (vesk-host splits the block there instead).
inline constexpr VstInt32 kHostParamEventType = 0x76687065;  // 'vhpe'
struct HostParamEvent {
    VstInt32 type = kHostParamEventType;
    VstInt32 byteSize = sizeof(HostParamEvent);
    VstInt32 deltaFrames = 0;
    VstInt32 flags = 0;
    VstInt32 index = 0;
    float value = 0.0f;
    char reserved[8] = {};
};
static_assert(sizeof(HostParamEvent) == sizeof(VstEvent), "a host event fits a VstEvent slot");

/// effVendorSpecific with this index: the host's scale for the editor in `opt`
/// (CLAP gui set_scale, VST3 content scale factor); answers 1 when the
/// plug-in follows it. Only for bridged plug-ins.
inline constexpr VstInt32 kHostScaleIndex = 0x76687363;  // 'vhsc'

/// The binary's clap_entry, its first plug-in made and initialised, behind an
/// effect record (deleted by effClose). HostError when any step fails.
AEffect* openClapPlugin(Platform::Library& library, const std::string& path, audioMasterCallback host);

/// The plug-in's CLAP identifier, when effect is a bridged CLAP plug-in; else "".
std::string clapPluginId(AEffect* effect);
/// The descriptor's version and its features joined by '|', when effect is a
/// bridged CLAP plug-in; else "".
std::string clapPluginVersion(AEffect* effect);
std::string clapPluginFeatures(AEffect* effect);
/// Blocks the bridged plug-in slept through (silent input, no events), not called for.
int64_t clapSleptBlocks(AEffect* effect);

}  // namespace HostKit
