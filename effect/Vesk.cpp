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

void Vesk::prepare() {}

void Vesk::reset() {}

bool Vesk::processBlock(bool, const PlugCore::BlockTiming&, double**, double** outputs, int32_t frames)
{
    // The reverb engine is not connected yet: the effect renders silence.
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < frames; ++i) outputs[c][i] = 0.0;
    return false;
}

void Vesk::formatParam(uint32_t index, char* text, float value)
{
    VeskParams::format(index, text, value);
}

PlugCore::Plug* makeVesk(audioMasterCallback host)
{
    return new Vesk(host);
}
