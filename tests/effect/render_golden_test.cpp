// Vesk2's output pinned to the last bit: scenarios rendered through the host
// interface (single and double precision, several rates and block sizes, host
// automation, MIDI-driven changes inside blocks, a room change) and compared
// by a hash of every output sample. A refactoring that changes one bit of any
// scenario fails here; a deliberate change of the sound updates the table.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/core/TestEffect.h"
#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

struct Change {
    int32_t frame;  ///< applied before the block holding this frame (host) or at it (MIDI)
    uint32_t param;
    float value;
};

struct Scenario {
    const char* name;
    float rate;
    int32_t block;
    bool useDouble;
    std::vector<Change> settings;    ///< before the first block
    std::vector<Change> automation;  ///< host setParameter between blocks
    int32_t learn;                   ///< parameter that learns controller 20, -1 for none
    std::vector<Change> midi;        ///< controller 20 at its frame; value in 0..127
    uint64_t linuxHash;
    uint64_t windowsHash;  ///< differs where the C libraries' powf differ
};

/// FNV-1a over the bytes of every output sample, as single-precision floats.
struct Fnv {
    uint64_t h = 1469598103934665603ull;
    void add(float v)
    {
        unsigned char b[4];
        std::memcpy(b, &v, 4);
        for (unsigned char c : b) h = (h ^ c) * 1099511628211ull;
    }
};

uint64_t render(const Scenario& s)
{
    Host host(s.rate, s.block);
    Vesk& fx = *host.fx;
    for (const Change& c : s.settings) fx.setParameter(static_cast<int32_t>(c.param), c.value);
    if (s.learn >= 0) fx.startLearn(static_cast<uint32_t>(s.learn));

    // Half a second of noise bursts, then the tail.
    const auto total = static_cast<int32_t>(s.rate * 1.5f);
    std::vector<double> x = noise(static_cast<size_t>(total), 7);
    for (int32_t i = 0; i < total; ++i)
        if (i > total / 3 || (i / static_cast<int32_t>(s.rate / 20)) % 3 == 2) x[static_cast<size_t>(i)] = 0.0;

    Fnv fnv;
    size_t nextAuto = 0, nextMidi = 0;
    for (int32_t at = 0; at < total; at += s.block) {
        const int32_t n = std::min(s.block, total - at);
        for (; nextAuto < s.automation.size() && s.automation[nextAuto].frame < at + n; ++nextAuto)
            fx.setParameter(static_cast<int32_t>(s.automation[nextAuto].param), s.automation[nextAuto].value);
        CoreTest::EventList events;
        for (; nextMidi < s.midi.size() && s.midi[nextMidi].frame < at + n; ++nextMidi)
            events.cc(s.midi[nextMidi].frame - at, 20, static_cast<uint8_t>(s.midi[nextMidi].value));
        if (!events.events.empty()) host.vst->processEvents(events.get());

        if (s.useDouble) {
            std::vector<double> in0(x.begin() + at, x.begin() + at + n), in1(in0), o0(static_cast<size_t>(n)),
                o1(static_cast<size_t>(n));
            for (double& v : in1) v = -0.5 * v;
            double* in[2] = {in0.data(), in1.data()};
            double* out[2] = {o0.data(), o1.data()};
            host.vst->processDoubleReplacing(in, out, n);
            for (int32_t i = 0; i < n; ++i)
                fnv.add(static_cast<float>(o0[static_cast<size_t>(i)])),
                    fnv.add(static_cast<float>(o1[static_cast<size_t>(i)]));
        } else {
            std::vector<float> in0(static_cast<size_t>(n)), in1(static_cast<size_t>(n)), o0(static_cast<size_t>(n)),
                o1(static_cast<size_t>(n));
            for (int32_t i = 0; i < n; ++i) {
                in0[static_cast<size_t>(i)] = static_cast<float>(x[static_cast<size_t>(at + i)]);
                in1[static_cast<size_t>(i)] = -0.5f * in0[static_cast<size_t>(i)];
            }
            host.process(in0.data(), in1.data(), o0.data(), o1.data(), n);
            for (int32_t i = 0; i < n; ++i) fnv.add(o0[static_cast<size_t>(i)]), fnv.add(o1[static_cast<size_t>(i)]);
        }
    }
    return fnv.h;
}

using I = VeskParams::Index;

// clang-format off
const Scenario kScenarios[] = {
    {"defaults, 44.1 kHz, float", 44100.0f, 512, false, {}, {}, -1, {},
     0xd3e6cc7e154a9f27ull, 0xd3e6cc7e154a9f27ull},
    {"insert, large room, 48 kHz, double", 48000.0f, 480, true,
     {{0, I::kMode, 1.0f}, {0, I::kRoomSize, 0.8f}, {0, I::kRTime, 0.8f}, {0, I::kDiffusion, 0.6f},
      {0, I::kPredelay, 0.4f}, {0, I::kLoCut, 0.3f}, {0, I::kHiEq, 0.7f}},
     {}, -1, {},
     0xd4104682890be514ull, 0xd4104682890be514ull},
    {"extremes, 22.05 kHz, float", 22050.0f, 256, false,
     {{0, I::kHiCut, 0.0f}, {0, I::kLoCut, 1.0f}, {0, I::kHiEq, 0.0f}, {0, I::kLoEq, 1.0f}, {0, I::kHiScale, 1.0f},
      {0, I::kLoScale, 0.0f}, {0, I::kHiFreq, 1.0f}, {0, I::kLoFreq, 0.0f}, {0, I::kMode, 0.5f},
      {0, I::kOutput, 1.0f}, {0, I::kRoomSize, 0.0f}},
     {}, -1, {},
     0x1ac1ca6d2bbeb5b9ull, 0x1ac1ca6d2bbeb5b9ull},
    {"host automation, 96 kHz, double", 96000.0f, 1024, true, {{0, I::kDiffusion, 1.0f}},
     {{20000, I::kRTime, 0.9f}, {40000, I::kHiFreq, 0.2f}, {50000, I::kPredelay, 1.0f}, {60000, I::kOutput, 0.8f},
      {70000, I::kMode, 1.0f}, {90000, I::kLoScale, 1.0f}, {100000, I::kHiCut, 0.5f}},
     -1, {},
     0xeeb5279783e1378aull, 0xeeb5279783e1378aull},
    {"MIDI-driven reverb time inside blocks, 44.1 kHz, float", 44100.0f, 512, false, {}, {},
     I::kRTime, {{100, 0, 90}, {5000, 0, 20}, {5123, 0, 127}, {20000, 0, 64}},
     0xd799809ce92ea0dfull, 0x5d749a638e39f9d0ull},
    {"room changes mid-tail, 192 kHz, float", 192000.0f, 64, false, {{0, I::kRTime, 0.7f}},
     {{30000, I::kRoomSize, 1.0f}, {150000, I::kRoomSize, 0.3f}},
     I::kPredelay, {{1000, 0, 127}, {200000, 0, 3}},
     0x348b1397f13f3acbull, 0x348b1397f13f3acbull},
};
// clang-format on

}  // namespace

TEST(RenderGolden, EveryScenarioRendersBitForBitAsRecorded)
{
    for (const Scenario& s : kScenarios) {
#ifdef _WIN32
        const uint64_t want = s.windowsHash;
#else
        const uint64_t want = s.linuxHash;
#endif
        const uint64_t got = render(s);
        EXPECT_EQ(got, want) << s.name << ": 0x" << std::hex << got;
    }
}
