// The time information the host answers: positions follow the rendered
// frames, and validity flags are those the plug-in asked for.
#include <gtest/gtest.h>

#include "tools/vesk-host/Transport.h"

using namespace HostKit;

TEST(Transport, FlagsAnswerTheRequestedFieldsOnly)
{
    Transport t;
    t.start();
    VstTimeInfo info;
    t.fill(info, 0);
    EXPECT_EQ(info.flags, kVstTransportPlaying | kVstTransportChanged);

    t.fill(info, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid);  // what Vesk2 asks
    EXPECT_EQ(info.flags, kVstTransportPlaying | kVstTransportChanged | kVstPpqPosValid | kVstTempoValid);

    t.fill(info, kVstBarsValid | kVstTimeSigValid | kVstClockValid | kVstNanosValid | kVstSmpteValid |
                     kVstCyclePosValid);
    EXPECT_EQ(info.flags & ~(kVstTransportPlaying | kVstTransportChanged),
              kVstBarsValid | kVstTimeSigValid | kVstClockValid | kVstNanosValid | kVstSmpteValid)
        << "there is no loop, so cycle positions are never valid";

    t.advance(512);
    t.fill(info, 0);
    EXPECT_EQ(info.flags, kVstTransportPlaying) << "the change is reported once";
    t.stop();
    t.fill(info, kVstTempoValid);
    EXPECT_EQ(info.flags, kVstTransportChanged | kVstTempoValid);
}

TEST(Transport, PositionsFollowTheRenderedFrames)
{
    Transport t;
    t.sampleRate = 48000.0;
    t.tempo = 90.0;
    t.timeSigNumerator = 3;
    t.timeSigDenominator = 4;
    t.start();
    for (int i = 0; i < 10; ++i) t.advance(4800);  // one second
    t.advance(-5);                                 // nonsense lengths are ignored
    VstTimeInfo info;
    t.fill(info, 0);
    EXPECT_EQ(info.samplePos, 48000.0);
    EXPECT_EQ(info.sampleRate, 48000.0);
    EXPECT_DOUBLE_EQ(info.ppqPos, 1.5);  // 90 quarters a minute
    EXPECT_DOUBLE_EQ(info.tempo, 90.0);
    EXPECT_DOUBLE_EQ(info.barStartPos, 0.0);
    EXPECT_EQ(info.timeSigNumerator, 3);
    EXPECT_DOUBLE_EQ(info.nanoSeconds, 1e9);
    // 1.5 quarters = 36 clock ticks exactly: the next tick is here.
    EXPECT_EQ(info.samplesToNextClock, 0);

    for (int i = 0; i < 3; ++i) t.advance(48000);  // four seconds: 6 quarters, bar 3 starts at 6
    t.advance(100);
    t.fill(info, 0);
    EXPECT_DOUBLE_EQ(info.barStartPos, 6.0);
    // A tick every 48000 * 60 / (90 * 24) = 1333.33 samples; 100 samples past one.
    EXPECT_EQ(info.samplesToNextClock, 1233);

    t.start();
    t.fill(info, 0);
    EXPECT_EQ(info.samplePos, 0.0) << "starting again rewinds";
}
