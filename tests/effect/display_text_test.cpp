// The texts a host shows for Vesk2's parameters: both ends and the default of
// every scale (a wrong slope or offset moves an end), the Mode threshold, and
// no text ever longer than seven characters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/effect/engine_rig.h"

using namespace EngineTest;

namespace {

std::string shown(Vesk& fx, uint32_t index, float raw)
{
    fx.setParameter(static_cast<int32_t>(index), raw);
    char text[64];
    std::memset(text, 'x', sizeof text);
    fx.getParameterDisplay(static_cast<int32_t>(index), text);
    return text;
}

}  // namespace

TEST(DisplayText, EachScaleAtBothEndsAndItsDefault)
{
    struct Row {
        uint32_t index;
        const char* atZero;
        const char* atDefault;
        const char* atOne;
    };
    // clang-format off
    const Row rows[] = {
        {Index::kPredelay,  "0",     "25",    "100"},
        {Index::kRTime,     "0.025", "0.250", "2.500"},
        {Index::kDiffusion, "0",     "0",     "100"},
        {Index::kRoomSize,  "5.0",   "50.0",  "500.0"},
        {Index::kHiFreq,    "2.50",  "5.00",  "10.00"},
        {Index::kLoFreq,    " 250",  " 500",  "1000"},
        {Index::kHiEq,      "-10.0", "0.0",   "10.0"},
        {Index::kLoEq,      "-10.0", "0.0",   "10.0"},
        {Index::kHiScale,   "0.25",  "1.00",  "1.25"},
        {Index::kLoScale,   "0.25",  "1.00",  "1.25"},
        {Index::kHiCut,     "8.00",  "20.00", "20.00"},
        {Index::kLoCut,     "  10",  "  10",  " 250"},
        {Index::kMode,      "send",  "send",  "insert"},
        {Index::kOutput,    "-inf",  "-12.0", "0.0"},
    };
    // clang-format on
    Host host(44100.0f, 512);
    for (const Row& r : rows) {
        const float def = VeskParams::kTable[r.index].defaultValue;
        EXPECT_EQ(shown(*host.fx, r.index, 0.0f), r.atZero) << VeskParams::kTable[r.index].name;
        EXPECT_EQ(shown(*host.fx, r.index, def), r.atDefault) << VeskParams::kTable[r.index].name;
        EXPECT_EQ(shown(*host.fx, r.index, 1.0f), r.atOne) << VeskParams::kTable[r.index].name;
    }
    EXPECT_EQ(shown(*host.fx, Index::kMode, 0.5f), "insert") << "the threshold itself inserts";
    EXPECT_EQ(shown(*host.fx, Index::kMode, std::nextafter(0.5f, 0.0f)), "send");
    EXPECT_EQ(shown(*host.fx, Index::kOutput, 1e-30f), "-inf") << "a power that rounds to zero";
}

TEST(DisplayText, NoTextIsLongerThanSevenCharacters)
{
    Host host(44100.0f, 512);
    for (uint32_t i = 0; i < VeskParams::kCount; ++i)
        for (int step = 0; step <= 20000; ++step) {
            const std::string t = shown(*host.fx, i, static_cast<float>(step) / 20000.0f);
            ASSERT_LE(t.size(), 7u) << VeskParams::kTable[i].name << " at " << step;
            ASSERT_FALSE(t.empty()) << VeskParams::kTable[i].name << " at " << step;
        }
}
