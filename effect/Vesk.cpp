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
    reverb.prepare(getSampleRate(), param(kRoomSize).dspValue);
}

void Vesk::reset()
{
    reverb.reset();
}

bool Vesk::processBlock(bool changed, const PlugCore::BlockTiming&, double** inputs, double** outputs,
                        int32_t frames)
{
    static_assert(kCount == ReverbEngine::kParams, "the engine reads every parameter in table order");
    float values[kCount];
    for (uint32_t i = 0; i < kCount; ++i) values[i] = param(i).dspValue;
    const uint32_t count = frames > 0 ? static_cast<uint32_t>(frames) : 0u;
    reverb.processBlock(getSampleRate(), changed, values, inputs, outputs, count);
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
