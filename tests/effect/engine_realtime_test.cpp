// The reverb under a host's real block cycle: repeatable, no allocation while
// processing, and long randomly automated runs that stay finite and bounded.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/effect/engine_rig.h"
#include "tests/support/alloc_counter.h"

using namespace EngineTest;

TEST(EngineRealtime, TwoFreshInstancesRenderIdentically)
{
    std::vector<float> out[2];
    for (auto& o : out) {
        Host host(44100.0f, 512);
        const std::vector<double> src = noise(512 * 40, 11);
        std::vector<float> in(src.begin(), src.end()), other(in.size());
        o.resize(in.size());
        for (int b = 0; b < 40; ++b) {
            host.fx->setParameter(Index::kRTime, 0.02f * static_cast<float>(b));
            host.process(&in[512 * b], &in[512 * b], &o[512 * b], &other[512 * b], 512);
        }
    }
    EXPECT_EQ(out[0], out[1]);
}

TEST(EngineRealtime, ProcessingNeverAllocatesAfterResume)
{
    if (!TestSupport::allocationsAreCounted()) GTEST_SKIP() << "this build's sanitizer runtime owns operator new";
    Host host(44100.0f, 256);
    std::vector<float> in(256, 0.25f), o0(256), o1(256);
    host.process(in.data(), in.data(), o0.data(), o1.data(), 256);
    const int32_t used = host.fx->engine().memoryUsed();

    const size_t before = TestSupport::allocationCount();
    for (int b = 0; b < 200; ++b) {  // the room moves every tenth block, the rest every block
        host.fx->setParameter(Index::kRoomSize, (b / 10) % 2 ? 0.8f : 0.3f);
        host.fx->setParameter(Index::kRTime, 0.005f * static_cast<float>(b));
        host.fx->setParameter(Index::kPredelay, b % 2 ? 1.0f : 0.0f);
        host.fx->setParameter(Index::kMode, b % 3 ? 1.0f : 0.0f);
        host.process(in.data(), in.data(), o0.data(), o1.data(), 1 + b % 256);
    }
    EXPECT_EQ(TestSupport::allocationCount(), before);
    EXPECT_NE(host.fx->engine().memoryUsed(), used);  // the room did change in there

    // A new rate needs new memory: made on the resume path, and nowhere else.
    host.fx->setSampleRate(96000.0f);
    host.fx->resume();
    const size_t afterResume = TestSupport::allocationCount();
    host.fx->setParameter(Index::kRoomSize, 0.9f);
    host.process(in.data(), in.data(), o0.data(), o1.data(), 256);
    EXPECT_EQ(TestSupport::allocationCount(), afterResume);
    EXPECT_EQ(host.fx->engine().rate(), 96000.0);
}

TEST(EngineRealtime, LongSilencesAllocateNothingAndNeverGoSubnormal)
{
    // A minute of silence after a loud second, through the plug-in's float
    // path: the tail decays through the subnormal range into the idle skip.
    Host host(44100.0f, 256);
    std::vector<float> o0(256), o1(256);
    const std::vector<double> loud = noise(44100, 13);
    std::vector<float> in(256);
    for (size_t at = 0; at + 256 <= loud.size(); at += 256) {
        for (size_t i = 0; i < 256; ++i) in[i] = static_cast<float>(loud[at + i]);
        host.process(in.data(), in.data(), o0.data(), o1.data(), 256);
    }
    std::fill(in.begin(), in.end(), 0.0f);
    const size_t before = TestSupport::allocationCount();
    size_t subnormal = 0;
    for (int b = 0; b < 44100 * 60 / 256; ++b) {
        host.process(in.data(), in.data(), o0.data(), o1.data(), 256);
        for (size_t i = 0; i < 256; ++i)
            subnormal += (std::fpclassify(o0[i]) == FP_SUBNORMAL) + (std::fpclassify(o1[i]) == FP_SUBNORMAL);
    }
    if (TestSupport::allocationsAreCounted()) {
        EXPECT_EQ(TestSupport::allocationCount(), before);
    }
    EXPECT_EQ(subnormal, 0u);
    EXPECT_TRUE(host.fx->engine().idle());
}

TEST(EngineRealtime, RandomAutomationStaysFiniteAndBounded)
{
#ifdef VESK_SLOW_BUILD
    constexpr double kSeconds = 20.0;
#else
    constexpr double kSeconds = 600.0;
#endif
    // Every block moves every parameter at random, except that "Roomsz", which
    // restarts the network, moves only now and then so that tails can build up.
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        constexpr int32_t kBlock = 512;
        Host host(rate, kBlock);
        std::mt19937 random(static_cast<uint32_t>(rate));
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        const std::vector<double> table = noise(1 << 16, static_cast<uint32_t>(rate));
        std::vector<float> in0(kBlock), in1(kBlock), out0(kBlock), out1(kBlock);
        float loudness = 1.0f, peak = 0.0f;
        bool finite = true;
        for (int64_t done = 0; done < static_cast<int64_t>(kSeconds * rate) && finite;) {
            const int32_t frames = 1 + static_cast<int32_t>(random() % kBlock);
            for (uint32_t i = 0; i < VeskParams::kCount; ++i)
                if (i != Index::kRoomSize || random() % 400 == 0)
                    host.fx->setParameter(static_cast<int32_t>(i), unit(random));
            if (random() % 50 == 0) loudness = random() % 3 == 0 ? 0.0f : unit(random);  // bursts and silence
            const size_t from = random() % (table.size() - 2 * kBlock);
            for (int32_t n = 0; n < frames; ++n) {
                in0[n] = loudness * static_cast<float>(table[from + n]);
                in1[n] = loudness * static_cast<float>(table[from + kBlock + n]);
            }
            host.process(in0.data(), in1.data(), out0.data(), out1.data(), frames);
            for (int32_t n = 0; n < frames; ++n) {
                finite = finite && std::isfinite(out0[n]) && std::isfinite(out1[n]);
                peak = std::max({peak, std::fabs(out0[n]), std::fabs(out1[n])});
            }
            done += frames;
        }
        EXPECT_TRUE(finite) << rate << " Hz";
        EXPECT_LT(peak, 20.0f) << rate << " Hz";  // inputs never exceed 1
        EXPECT_GT(peak, 0.1f) << rate << " Hz";
    }
}
