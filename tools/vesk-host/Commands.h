// The subcommands of vesk-host, runnable in-process (the tests call them).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tools/vesk-host/CommandLine.h"
#include "tools/vesk-host/PluginSession.h"
#include "tools/vesk-host/PresetFile.h"

namespace HostKit {

/// Runs one command line (without the program name). Output goes to out,
/// messages to err. Returns the exit status: 0 done, 1 failed, 2 bad command line.
/// vesk-host edit (EditCommand.cpp).
int runEdit(const EditOptions& options, std::ostream& out);

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// Loads the plug-in as the options say, then applies the preset and the
/// parameter assignments (in that order). defaultRate is used without --sr.
std::unique_ptr<PluginSession> openPlugin(const HostOptions& options, int defaultRate, ProcessLevel level);

/// Loads a decoded preset into the plug-in: chunks with effSetChunk (index 1
/// for a program, 0 for a bank), parameter presets value by value. HostError
/// when the preset belongs to another plug-in or does not fit this one.
void applyPreset(PluginSession& session, const Preset& preset, const std::string& name);

/// The plug-in's current program (.fxp) or whole bank (.fxb), opaque when it
/// keeps chunks, else as parameter values.
Preset capturePreset(PluginSession& session, bool bank);

/// Emulates the editor's MIDI learn: fetches the program-form state chunk,
/// checks it is a Vesk2 state chunk and loads a chunk holding only its header,
/// its product name and a MIDI map record for the controller, so that no
/// parameter value changes. HostError for any other plug-in. The controller
/// should be one the plug-in maps (PlugCore::isLearnableController).
void learnController(PluginSession& session, int32_t param, uint8_t controller);

/// "VesA", or the hexadecimal value when the four bytes are not printable.
std::string fourCC(int32_t id);

}  // namespace HostKit
