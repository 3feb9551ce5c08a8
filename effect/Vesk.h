// Vesk: the stereo room reverb as a PlugCore effect.
#pragma once

#include "core/Plug.h"
#include "effect/ReverbEngine.h"
#include "toolkit/PlugEditor.h"

class Vesk final : public PlugCore::Plug, public Vornkit::IEditBuilder {
public:
    explicit Vesk(PlugCore::IHost* host);
    ~Vesk() override;

    void prepare() override;
    void reset() override;
    bool processBlock(bool changed, const PlugCore::BlockTiming& timing, double** inputs, double** outputs,
                      int32_t frames) override;
    void formatParam(uint32_t index, char* text, float value) override;
    /// The engine idles: silence in, and nothing of the tail left above its silence level.
    bool outputIsSilent() const override { return reverb.idle(); }
    void skipSilence(uint64_t frames, uint32_t chunk) override { reverb.idleFor(frames, chunk); }
    bool parseParam(uint32_t index, const char* text, float& value) override;
    uint32_t tailFrames() override;
    /// The panel: thirteen knobs and the mode switch.
    void buildEditor(Vornkit::PlugFrame* frame) override;

    /// 560 x 170, warm yellow labels, the "Texture" picture behind.
    static constexpr Vornkit::EditorDescription kEditor = {560, 170, 0, 14, 0xFED032, "Texture"};

    /// The signal engine, for inspection.
    const ReverbEngine& engine() const { return reverb; }

private:
    /// The engine's settings for the values the audio thread has taken over.
    ReverbSettings takenOverSettings() const;

    ReverbEngine reverb;
    ReverbSettings settings;  // [audio thread] derived when a value changes
};

/// The product's factory: a Vesk on processors with SSE2, else the stand-in.
PlugCore::Plug* makeVesk(PlugCore::IHost* host);
