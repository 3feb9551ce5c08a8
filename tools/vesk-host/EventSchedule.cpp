#include "tools/vesk-host/EventSchedule.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "tools/vesk-host/ClapBridge.h"

namespace HostKit {

EventSchedule::EventSchedule(std::vector<ControlChange> cc, std::vector<ParamChange> changes)
    : events(std::move(cc)), params(std::move(changes))
{
    std::stable_sort(events.begin(), events.end(),
                     [](const ControlChange& a, const ControlChange& b) { return a.frame < b.frame; });
    std::stable_sort(params.begin(), params.end(),
                     [](const ParamChange& a, const ParamChange& b) { return a.frame < b.frame; });
}

VstEvents* EventSchedule::eventsFor(int64_t start, int32_t frames)
{
    // Events before this block were either handed out already or lie before
    // the first block asked for; they are not sent late.
    while (next < events.size() && events[next].frame < start) ++next;
    while (nextParam < params.size() && params[nextParam].frame < start) ++nextParam;
    size_t end = next, endParam = nextParam;
    while (end < events.size() && events[end].frame < start + frames) ++end;
    while (endParam < params.size() && params[endParam].frame < start + frames) ++endParam;
    const size_t controllers = end - next, changes = endParam - nextParam, count = controllers + changes;
    if (count == 0) return nullptr;

    midi.assign(controllers, VstMidiEvent{});
    for (size_t i = 0; i < controllers; ++i) {
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
    values.assign(changes, VstEvent{});
    for (size_t i = 0; i < changes; ++i) {
        HostParamEvent e;
        e.deltaFrames = static_cast<VstInt32>(params[nextParam + i].frame - start);
        e.index = params[nextParam + i].index;
        e.value = params[nextParam + i].value;
        std::memcpy(&values[i], &e, sizeof e);
    }
    next = end;
    nextParam = endParam;

    // In frame order, the controllers before the parameters at the same frame.
    std::vector<VstEvent*> order;
    for (auto& m : midi) order.push_back(reinterpret_cast<VstEvent*>(&m));
    for (auto& v : values) order.push_back(&v);
    std::stable_sort(order.begin(), order.end(), [](const VstEvent* a, const VstEvent* b) {
        return a->deltaFrames < b->deltaFrames;
    });

    // VstEvents declares room for two pointers; the list grows past it.
    const size_t pointers = count > 2 ? count : 2;
    list.assign(offsetof(VstEvents, events) + pointers * sizeof(VstEvent*), 0);
    auto* header = reinterpret_cast<VstEvents*>(list.data());
    header->numEvents = static_cast<VstInt32>(count);
    auto** slots = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < count; ++i) slots[i] = order[i];
    return header;
}

}  // namespace HostKit
