#include "tools/vesk-host/EventSchedule.h"

#include <algorithm>
#include <cstddef>

namespace HostKit {

EventSchedule::EventSchedule(std::vector<ControlChange> cc) : events(std::move(cc))
{
    std::stable_sort(events.begin(), events.end(),
                     [](const ControlChange& a, const ControlChange& b) { return a.frame < b.frame; });
}

VstEvents* EventSchedule::eventsFor(int64_t start, int32_t frames)
{
    // Events before this block were either handed out already or lie before
    // the first block asked for; they are not sent late.
    while (next < events.size() && events[next].frame < start) ++next;
    size_t end = next;
    while (end < events.size() && events[end].frame < start + frames) ++end;
    const size_t count = end - next;
    if (count == 0) return nullptr;

    midi.assign(count, VstMidiEvent{});
    for (size_t i = 0; i < count; ++i) {
        const ControlChange& c = events[next + i];
        VstMidiEvent& m = midi[i];
        m.type = kVstMidiType;
        m.byteSize = sizeof(VstMidiEvent);
        m.deltaFrames = static_cast<VstInt32>(c.frame - start);
        m.flags = 1;  // kVstMidiEventIsRealtime: not part of a sequencer track
        m.midiData[0] = static_cast<char>(0xB0 | (c.channel & 0x0F));
        m.midiData[1] = static_cast<char>(c.controller & 0x7F);
        m.midiData[2] = static_cast<char>(c.value & 0x7F);
    }
    next = end;

    // VstEvents declares room for two pointers; the list grows past it.
    const size_t pointers = count > 2 ? count : 2;
    list.assign(offsetof(VstEvents, events) + pointers * sizeof(VstEvent*), 0);
    auto* header = reinterpret_cast<VstEvents*>(list.data());
    header->numEvents = static_cast<VstInt32>(count);
    auto** slots = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < count; ++i) slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    return header;
}

}  // namespace HostKit
