// Helpers shared by the command-line host's tests: the probe plug-in, a
// scratch folder under the build root and in-process runs of vesk-host.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/probe/ProbeState.h"
#include "tools/vesk-host/AudioBuffer.h"

namespace ToolsTest {

/// Plug-in files at the build root (the tests run there).
inline const char* probeFile() { return PROBE_FILE; }
inline const char* probeNullFile() { return PROBE_NULL_FILE; }
inline const char* probeNoEntryFile() { return PROBE_NO_ENTRY_FILE; }
inline const char* veskFile() { return VESK_PLUGIN_FILE; }

/// A fresh folder for one test, relative to the build root.
std::string scratchDir(const std::string& test);

/// The probe's record of its current (or last closed) instance. The library
/// is loaded before the first test and stays loaded.
Probe::State& probeState();

struct RunResult {
    int status;
    std::string out, err;
};
/// vesk-host with these arguments, in this process.
RunResult runHost(const std::vector<std::string>& args);

/// n frames of deterministic noise at half scale on every channel.
HostKit::AudioBuffer noise(size_t channels, size_t frames, uint32_t rate = 44100, uint32_t seed = 1);

}  // namespace ToolsTest
