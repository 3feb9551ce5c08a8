#include "tools/vesk-host/Transport.h"

#include <cmath>

namespace HostKit {

void Transport::start()
{
    pos = 0;
    playing = true;
    changed = true;
}

void Transport::stop()
{
    playing = false;
    changed = true;
}

void Transport::advance(int32_t frames)
{
    if (frames > 0) pos += frames;
    changed = false;
}

void Transport::fill(VstTimeInfo& t, VstIntPtr filter) const
{
    t = VstTimeInfo{};
    const double seconds = static_cast<double>(pos) / sampleRate;
    const double ppq = seconds * tempo / 60.0;
    const double beatsPerBar = timeSigNumerator * 4.0 / timeSigDenominator;
    // MIDI clock: 24 ticks per quarter note; distance from here to the next tick.
    const double ticks = ppq * 24.0;
    const double samplesPerTick = sampleRate * 60.0 / (tempo * 24.0);
    double toNextTick = (std::ceil(ticks) - ticks) * samplesPerTick;

    t.samplePos = static_cast<double>(pos);
    t.sampleRate = sampleRate;
    t.nanoSeconds = seconds * 1e9;
    t.ppqPos = ppq;
    t.tempo = tempo;
    t.barStartPos = std::floor(ppq / beatsPerBar) * beatsPerBar;
    t.timeSigNumerator = timeSigNumerator;
    t.timeSigDenominator = timeSigDenominator;
    t.smpteOffset = 0;
    t.smpteFrameRate = 1;  // kVstSmpte25fps
    t.samplesToNextClock = static_cast<VstInt32>(std::lround(toNextTick));

    VstInt32 flags = 0;
    if (playing) flags |= kVstTransportPlaying;
    if (changed) flags |= kVstTransportChanged;
    constexpr VstInt32 kAnswerable = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                                     kVstTimeSigValid | kVstSmpteValid | kVstClockValid;
    flags |= static_cast<VstInt32>(filter) & kAnswerable;
    t.flags = flags;
}

}  // namespace HostKit
