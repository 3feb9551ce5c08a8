// A VST3 plug-in hosted behind the VST 2.4 effect record the rest of
// vesk-host drives: its dispatcher answers with the plug-in's component,
// processor and controller calls (parameters, programs, state, buses,
// processing, the editor's view on a run loop of ours), the session's events
// reach it as parameter changes at their frames (controllers through its MIDI
// mapping), and its edits reach the session's audioMaster callback.
#pragma once

#include <string>

#include "formats/vst2/vst2.h"
#include "platform/library.h"

namespace HostKit {

/// Whether path names a VST3 bundle or module (by its ending).
bool isVst3Path(const std::string& path);
/// The binary inside a bundle (Contents/x86_64-linux/NAME.so, or
/// Contents/x86_64-win/NAME.vst3 on Windows); path itself when it is no folder.
std::string vst3Binary(const std::string& path);

/// The loaded module's factory, its first audio effect class made and
/// initialised, behind an effect record (deleted by effClose). HostError when
/// any step fails.
AEffect* openVst3Plugin(Platform::Library& library, const std::string& path, audioMasterCallback host);

/// The class id in its text form (32 hex digits), when effect is a bridged VST3 plug-in; else "".
std::string vst3ClassId(AEffect* effect);
/// The class's version and sub-categories ("Fx|Reverb"), when effect is a
/// bridged VST3 plug-in; else "".
std::string vst3ClassVersion(AEffect* effect);
std::string vst3SubCategories(AEffect* effect);
/// Blocks whose output the bridged plug-in flagged as silent.
int64_t vst3SilentBlocks(AEffect* effect);

}  // namespace HostKit
