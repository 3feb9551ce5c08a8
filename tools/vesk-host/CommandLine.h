// The command line of vesk-host, parsed into one options record per
// subcommand. Parsing checks every number and form and throws UsageError with
// the argument at fault; plug-in-specific checks (parameter names, frames past
// the end) happen once the plug-in and the input are known.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "tools/vesk-host/AudioBuffer.h"
#include "tools/vesk-host/EventSchedule.h"
#include "tools/vesk-host/Signals.h"

namespace HostKit {

/// INDEX=VALUE or NAME=VALUE, value a raw parameter value in [0, 1].
struct ParamAssignment {
    std::string target;
    float value = 0.0f;
};

/// How the plug-in is driven; shared by the commands that load one.
struct HostOptions {
    std::string plugin;
    int sampleRate = 0;  ///< 0: the command's default (the input's rate for render, else 44100)
    int blockSize = 512;
    double tempo = 120.0;
    bool trace = false;
    std::string preset;                   ///< .fxp or .fxb applied after opening
    std::vector<ParamAssignment> params;  ///< applied after the preset
};

struct InfoOptions {
    HostOptions host;
    bool json = false;
};

/// FRAME:P=V: parameter P (index or name) set to raw value V at an absolute frame.
struct TimedParam {
    int64_t frame = 0;
    ParamAssignment assignment;
};

struct RenderOptions {
    HostOptions host;
    std::string input, output;
    bool useDouble = false;
    double tailSeconds = 0.0;
    std::vector<ControlChange> controls;
    std::vector<TimedParam> changes;  ///< --at: at their frames (sample-accurately)
    std::string learn;  ///< parameter index or name; empty: none
    SampleFormat format = SampleFormat::Float32;
};

struct BenchOptions {
    HostOptions host;
    double seconds = 10.0;
    SignalKind signal = SignalKind::Bursts;
    bool useDouble = false;
    bool json = false;
};

struct PresetSaveOptions {
    HostOptions host;
    std::string output;
    bool bank = false;  ///< from the extension: .fxb a bank, .fxp a program
};

struct PresetShowOptions {
    std::string file;
};

struct SignalOptions {
    std::string output;
    SignalKind kind = SignalKind::Impulse;
    double seconds = 1.0;
    int sampleRate = 44100;
    int channels = 2;
    SampleFormat format = SampleFormat::Float32;
};

struct CompareOptions {
    std::string first;
    std::string second;
    double tolerance = 0.0;  ///< largest difference allowed, as a fraction of the first file's peak
};

struct EditOptions {
    HostOptions host;
    double seconds = 0;                  ///< 0: until the window is closed
    std::string screenshot;              ///< PNG of the editor at the end, where the platform allows
    std::string save;                    ///< .fxp or .fxb written at the end
    std::vector<ControlChange> controls; ///< MIDI sent while the editor is open (frames from its opening)
    int reopen = 0;                      ///< close and open the editor this many times first
    int repaints = 0;                    ///< time this many immediate repaints of the editor first
    bool noIdle = false;                 ///< never call effEditIdle (hosts that do not)
    bool destroyFirst = false;           ///< destroy the window before effEditClose (hosts that do)
    double scale = 0;                    ///< the host's scale for the editor (CLAP, VST3); 0: none
    bool refuseResize = false;           ///< refuse the editor's requests for another window size
};

struct DrawTestOptions {
    std::string output;       ///< PNG file
    bool powerOfTwo = false;  ///< draw as a driver without rectangle textures does
};

struct HelpRequest {
    std::string topic;  ///< a command name, or empty for the overview
};

using Command = std::variant<HelpRequest, InfoOptions, RenderOptions, BenchOptions, PresetSaveOptions,
                             PresetShowOptions, SignalOptions, CompareOptions, DrawTestOptions, EditOptions>;

/// args without the program name. An empty list, "help", "-h" and "--help" ask for help.
Command parseCommandLine(const std::vector<std::string>& args);

/// Usage text of one command, or the overview for an empty or unknown name.
std::string usageText(const std::string& command);

// Pieces, also used on their own.
long long parseInteger(const std::string& text, long long lo, long long hi, const std::string& what);
double parseNumber(const std::string& text, double lo, double hi, const std::string& what);
ParamAssignment parseParamAssignment(const std::string& text);
/// FRAME:CONTROLLER=VALUE[:CHANNEL], channel 1..16 (default 1).
ControlChange parseControlChange(const std::string& text);

}  // namespace HostKit
