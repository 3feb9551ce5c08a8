// Control changes at absolute frames reach the plug-in in the block that holds
// the frame, with deltaFrames counted from that block's start.
#include <gtest/gtest.h>

#include "tools/vesk-host/EventSchedule.h"

using namespace HostKit;

namespace {

struct Delivered {
    int64_t blockStart;
    VstInt32 deltaFrames;
    uint8_t status, controller, value;
};

/// Walks a render of total frames in blocks of block frames (the last one shorter).
std::vector<Delivered> deliver(std::vector<ControlChange> events, int64_t total, int32_t block)
{
    EventSchedule schedule(std::move(events));
    std::vector<Delivered> out;
    for (int64_t start = 0; start < total; start += block) {
        const int32_t n = static_cast<int32_t>(total - start < block ? total - start : block);
        const VstEvents* list = schedule.eventsFor(start, n);
        if (!list) continue;
        EXPECT_GT(list->numEvents, 0);
        VstEvent* const* slots = list->events;  // numEvents entries, past the declared two
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
            const auto* m = reinterpret_cast<const VstMidiEvent*>(slots[i]);
            EXPECT_EQ(m->type, kVstMidiType);
            EXPECT_EQ(m->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
            EXPECT_GE(m->deltaFrames, 0);
            EXPECT_LT(m->deltaFrames, n) << "an event lies inside its block";
            out.push_back({start, m->deltaFrames, static_cast<uint8_t>(m->midiData[0]),
                           static_cast<uint8_t>(m->midiData[1]), static_cast<uint8_t>(m->midiData[2])});
        }
    }
    return out;
}

}  // namespace

TEST(EventSchedule, EachEventLandsInTheBlockHoldingItsFrame)
{
    // Frames at block edges, just inside them and in the short last block.
    const int64_t frames[] = {0, 1, 255, 256, 511, 512, 700, 1023, 1024, 1100, 1199};
    for (int32_t block : {1, 64, 256, 500, 512, 4096}) {
        std::vector<ControlChange> events;
        for (int64_t f : frames) events.push_back({f, 7, static_cast<uint8_t>(f % 128), 0});
        const std::vector<Delivered> got = deliver(events, 1200, block);
        ASSERT_EQ(got.size(), std::size(frames)) << "block " << block;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].blockStart, frames[i] / block * block) << "frame " << frames[i] << ", block " << block;
            EXPECT_EQ(got[i].blockStart + got[i].deltaFrames, frames[i]) << "block " << block;
            EXPECT_EQ(got[i].value, frames[i] % 128);
        }
    }
}

TEST(EventSchedule, EventsAreSortedByFrameAndKeepTheirOrderWithinAFrame)
{
    const std::vector<Delivered> got =
        deliver({{300, 1, 10, 0}, {40, 2, 20, 0}, {300, 3, 30, 0}, {40, 4, 40, 0}, {300, 5, 50, 0}}, 512, 512);
    ASSERT_EQ(got.size(), 5u);
    const uint8_t order[] = {2, 4, 1, 3, 5};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(got[i].controller, order[i]) << i;
    EXPECT_EQ(got[0].deltaFrames, 40);
    EXPECT_EQ(got[2].deltaFrames, 300);
}

TEST(EventSchedule, MessagesAreControlChangesOnTheirChannel)
{
    const std::vector<Delivered> got = deliver({{5, 74, 127, 0}, {6, 1, 0, 9}, {7, 127, 64, 15}}, 16, 16);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].status, 0xB0);
    EXPECT_EQ(got[0].controller, 74);
    EXPECT_EQ(got[0].value, 127);
    EXPECT_EQ(got[1].status, 0xB9);  // channel 10
    EXPECT_EQ(got[2].status, 0xBF);  // channel 16
    EXPECT_EQ(got[2].controller, 127);
}

TEST(EventSchedule, BlocksWithoutEventsGetNoListAndNothingIsSentTwiceOrLate)
{
    EventSchedule schedule({{10, 7, 1, 0}, {600, 7, 2, 0}});
    EXPECT_EQ(schedule.eventsFor(0, 8), nullptr);  // frame 10 lies in a later block
    ASSERT_NE(schedule.eventsFor(8, 8), nullptr);
    EXPECT_EQ(schedule.eventsFor(8, 8), nullptr) << "an event is handed out once";
    EXPECT_EQ(schedule.eventsFor(1000, 100), nullptr) << "frame 600 was skipped over, not sent late";
}

TEST(EventSchedule, AListCarriesMoreEventsThanTheDeclaredTwoSlots)
{
    std::vector<ControlChange> many;
    for (int i = 0; i < 100; ++i) many.push_back({i, static_cast<uint8_t>(i), static_cast<uint8_t>(127 - i), 0});
    EventSchedule schedule(many);
    const VstEvents* list = schedule.eventsFor(0, 128);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->numEvents, 100);
    VstEvent* const* slots = list->events;
    for (int i = 0; i < 100; ++i) {
        const auto* m = reinterpret_cast<const VstMidiEvent*>(slots[i]);
        EXPECT_EQ(m->deltaFrames, i);
        EXPECT_EQ(static_cast<uint8_t>(m->midiData[2]), 127 - i);
    }
}
