// The reverb built from a core and an effect that see no plug-in format (their
// objects are compiled with only the layers below the formats in view), driven
// through the core's own interface alone: it must build, link and render.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effect/Vesk.h"
#include "effect/VeskParams.h"

namespace {

class SilentHost final : public PlugCore::IHost {
public:
    void automate(uint32_t, float) override { ++told; }
    void beginEdit(uint32_t) override { ++told; }
    void endEdit(uint32_t) override { ++told; }
    bool transport(PlugCore::Transport&) override { return false; }
    int told = 0;
};

}  // namespace

TEST(FormatFree, TheReverbRendersThroughTheCoreInterface)
{
    SilentHost host;
    Vesk fx(&host);
    fx.setSampleRate(48000.0f);
    fx.setBlockSize(480);
    fx.resume();
    fx.setParameter(VeskParams::kMode, 0.0f);  // send: the tail alone
    std::vector<float> inL(480), inR(480), outL(480), outR(480);
    inL[0] = inR[0] = 1.0f;
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    double energy = 0;
    for (int block = 0; block < 100; ++block) {
        fx.processFloat(in, out, 480, nullptr, false);
        inL[0] = inR[0] = 0.0f;
        for (int i = 0; i < 480; ++i) {
            ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i]));
            energy += double(outL[i]) * outL[i] + double(outR[i]) * outR[i];
        }
    }
    EXPECT_GT(energy, 1e-6) << "an impulse leaves a tail";
    EXPECT_EQ(host.told, 0) << "rendering tells the host nothing";
}
