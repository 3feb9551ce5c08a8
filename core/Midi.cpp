// MIDI from the host: notes and controllers applied at their sample offsets,
// controllers learned onto parameters.
#include "core/MidiKeys.h"
#include "core/Plug.h"

namespace PlugCore {

void Plug::applyMidi(const uint8_t bytes[3])
{
    const uint32_t status = bytes[0];
    const uint32_t d1 = bytes[1];
    const uint32_t d2 = bytes[2];
    if (d1 > 127 || d2 > 127) return;  // not a MIDI message: data bytes are 7-bit
    switch (status & 0xF0) {
    case 0x80: noteOff(static_cast<int32_t>(d1), static_cast<int32_t>(d2)); break;
    case 0x90:
        if (d2 != 0)
            noteOn(static_cast<int32_t>(d1), static_cast<int32_t>(d2));
        else
            noteOff(static_cast<int32_t>(d1), 100);
        break;
    case 0xB0: handleController(static_cast<uint16_t>(0xB000 + d1), static_cast<int32_t>(d2)); break;
    default: break;
    }
}

void Plug::handleController(uint16_t key, int32_t v)
{
    const uint32_t c = key & 0xFF;
    if (c == 120) {  // all sound off
        reset();
        return;
    }
    if (c >= 123) {  // all notes off and the mode messages
        for (int32_t n = 0; n < 128; ++n) noteOff(n, 100);
        return;
    }
    // Bank select, data entry, the LSB range (except 38), the (N)RPN
    // selectors, reset-all and local control have no effect at all.
    if (!isLearnableController(static_cast<int>(c))) return;

    const int32_t stored = static_cast<int16_t>(key);  // keys are held sign-extended
    int32_t t = learnTarget.load(std::memory_order_relaxed);
    if (t >= 0 && static_cast<uint32_t>(t) < params.count) {
        assignMidiKey(static_cast<uint32_t>(t), stored);
        notifyMidiMapChanged(static_cast<uint32_t>(t));
        // A new learn the GUI started in the meantime survives.
        learnTarget.compare_exchange_strong(t, -1, std::memory_order_relaxed);
    }

    const float value = static_cast<float>(v) * 0.007874016f;
    for (uint32_t i = 0; i < params.count; ++i) {
        if (params.slots[i].midiKey.load(std::memory_order_relaxed) == stored) {
            setParameter(static_cast<int32_t>(i), value);
            checkParams = 1;
            return;
        }
    }
    controlChange(key, value);
}

void Plug::assignMidiKey(uint32_t index, int32_t key)
{
    if (index >= params.count) return;
    for (uint32_t i = 0; i < params.count; ++i)
        if (params.slots[i].midiKey.load(std::memory_order_relaxed) == key)
            params.slots[i].midiKey.store(-1, std::memory_order_relaxed);
    params.slots[index].midiKey.store(key, std::memory_order_relaxed);
}

void Plug::notifyMidiMapChanged(uint32_t index)
{
    if (IParamNotify* listener = paramListener.load(std::memory_order_acquire)) listener->midiMapChanged(index);
}

void Plug::startLearn(uint32_t index)
{
    if (index < params.count) learnTarget.store(static_cast<int32_t>(index), std::memory_order_relaxed);
}

void Plug::unlearn(uint32_t index)
{
    if (index < params.count) params.slots[index].midiKey.store(-1, std::memory_order_relaxed);
    learnTarget.store(-1, std::memory_order_relaxed);
}

void Plug::cancelLearn() { learnTarget.store(-1, std::memory_order_relaxed); }

int32_t Plug::getMidiKey(uint32_t index) const
{
    return index < params.count ? params.slots[index].midiKey.load(std::memory_order_relaxed) : -1;
}

bool Plug::isLearning(uint32_t index) const
{
    return learnTarget.load(std::memory_order_relaxed) == static_cast<int32_t>(index);
}

}  // namespace PlugCore
