// Parameters as the core holds them: raw values in [0, 1] handed between the
// host, the editor, MIDI and the audio engine without locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace PlugCore {

/// Parameter flag: keeps its value when programs are switched.
constexpr int32_t kParamNoProgram = 1;
/// A host may modulate it: an offset on top of its value, heard but never stored.
constexpr int32_t kParamModulatable = 2;

struct ParamSlot {
    float dspValue = -1.0f;      ///< last raw value the audio thread took over; -1 = never [audio thread]
    float shownValue = 0.0f;     ///< last raw value handed to the editor [GUI thread]
    float defaultValue = 0.0f;   ///< reset target; replaced when user defaults are saved or loaded
    std::atomic<float> value{0.0f};  ///< current raw value; readers use its magnitude
    const char* name = nullptr;      ///< static text owned by the effect; null reads as "**"
    const char* label = nullptr;     ///< unit label; null reads as ""
    std::atomic<int32_t> midiKey{-1};  ///< learned controller key, -1 = none
    int32_t flags = 0;                 ///< kParamNoProgram, kParamModulatable
    float modulation = 0.0f;           ///< the host's offset for the engine, not the value [audio thread]
    int32_t stepCount = 0;             ///< 0: continuous; n: n + 1 values evenly spaced over [0, 1] (a switch: 1)

    float current() const;  ///< magnitude of value
};

struct ParamTable {
    explicit ParamTable(uint32_t n) : slots(new ParamSlot[n]), count(n) {}
    std::unique_ptr<ParamSlot[]> slots;
    uint32_t count;
    uint8_t forceChanged = 1;  ///< makes the very first parameter check report a change
};

/// Tempo and beat clock for one sub-block, all doubles.
struct BlockTiming {
    double tempo;           ///< beats per minute
    double beatPos;         ///< quarter notes
    double beatsPerSample;  ///< tempo / (sample rate * 60)
    double sampleRate;
};

/// Turns a changed raw value into engine quantities. [audio thread]
class IParamCook {
public:
    virtual ~IParamCook() = default;
    /// Returns whether the engine must update its coefficients.
    virtual bool cookParam(uint32_t index) = 0;
};

/// The editor's side of the value hand-over. [GUI thread, except midiMapChanged]
class IParamNotify {
public:
    virtual ~IParamNotify() = default;
    /// The raw value of parameter index is now value; false means busy, tell me again later.
    virtual bool paramChanged(uint32_t index, float value) = 0;
    /// The MIDI mapping of parameter index changed. [audio thread, when a learn completes]
    virtual void midiMapChanged(uint32_t index) = 0;
};

}  // namespace PlugCore
