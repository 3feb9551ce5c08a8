#include "effect/Vesk.h"

#include "effect/VeskParams.h"

using namespace VeskParams;

Vesk::Vesk(audioMasterCallback hostCallback) : Plug(hostCallback, 16, kCount, "Vesk2")
{
    setUniqueID(vstFourCC('V', 'e', 's', 'A'));
    for (uint32_t i = 0; i < kCount; ++i) {
        PlugCore::ParamSlot& s = slot(i);
        s.name = kTable[i].name;
        s.label = kTable[i].label;
        s.defaultValue = kTable[i].defaultValue;
        s.value.store(kTable[i].defaultValue, std::memory_order_relaxed);
        s.flags = kTable[i].noProgram ? PlugCore::kParamNoProgram : 0;
    }
    loadFactoryBank();
    loadDefaults();
}

Vesk::~Vesk() = default;

void Vesk::prepare()
{
    // Laid out for the room the user has now; the first block re-lays it only
    // if the value changes before then.
    ReverbEngine::ArithmeticScope arithmetic;
    reverb.prepare(getSampleRate(), roomScale(param(kRoomSize).current()));
}

void Vesk::reset()
{
    reverb.reset();
}

ReverbSettings Vesk::takenOverSettings() const
{
    float values[kCount];
    for (uint32_t i = 0; i < kCount; ++i) values[i] = param(i).dspValue;
    ReverbEngine::ArithmeticScope arithmetic;
    return VeskParams::settings(values);
}

bool Vesk::processBlock(bool changed, const PlugCore::BlockTiming&, double** inputs, double** outputs,
                        int32_t frames)
{
    // The core reports a change on the first block after every resume, so the
    // settings are always derived before they are first used.
    if (changed) settings = takenOverSettings();
    const uint32_t count = frames > 0 ? static_cast<uint32_t>(frames) : 0u;
    reverb.processBlock(getSampleRate(), changed, settings, inputs, outputs, count);
    return false;  // the reverb never needs the beat clock
}

void Vesk::formatParam(uint32_t index, char* text, float value)
{
    VeskParams::format(index, text, value);
}

PlugCore::Plug* makeVesk(audioMasterCallback host)
{
    return new Vesk(host);
}
