// A real window with an OpenGL device for the drawing tests: Xvfb natively,
// WGL under Wine. Without a display the tests are skipped, unless
// VESK_REQUIRE_DISPLAY is set (the test script sets it), then they fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/glsurface.h"
#include "platform/toolwindow.h"
#include "render/GLDevice.h"

namespace TestSupport {

using namespace DXBlit;

constexpr int kWidth = 160, kHeight = 120;

struct FunctionScene final : Scene {
    std::function<void(Context&)> body;
    void draw(Context& c) override { body(c); }
};

inline Platform::GLCurrent currentNow() { return Platform::systemGLSurfaces().open(nullptr)->current(); }

class GLWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        if (!std::getenv("DISPLAY")) {
            if (std::getenv("VESK_REQUIRE_DISPLAY")) FAIL() << "DISPLAY is not set";
            GTEST_SKIP() << "no X display";
        }
#endif
        std::string reason;
        window = Platform::ToolWindow::open("render test", kWidth, kHeight, &reason);
        ASSERT_TRUE(window) << reason;
    }
    void TearDown() override { GLDevice::forcePowerOfTwoTextures(false); }

    GLDevice* makeDevice() { return new GLDevice(window->nativeHandle()); }

    /// Renders `body` on `device` and returns the frame as 0xRRGGBB words.
    std::vector<uint32_t> frame(GLDevice& device, const std::function<void(Context&)>& body)
    {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        FunctionScene scene;
        scene.body = [&](Context& c) {
            body(c);
            device.readPixels(kWidth, kHeight, pixels.data());
        };
        device.render(scene);
        for (uint32_t& p : pixels) p &= 0xFFFFFF;
        return pixels;
    }

    std::unique_ptr<Platform::ToolWindow> window;
};

inline void fill(Context& c, float x, float y, float w, float h, uint32_t colour)
{
    Shader s(c, kBlendOpaque, kTexColour);
    drawQuad(c, makeQuad(x, y, w, h, 0, 0, colour));
}

inline ::testing::AssertionResult near(uint32_t got, uint32_t want, int tolerance = 1)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d = static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance)
            return ::testing::AssertionFailure() << std::hex << "got 0x" << got << ", want 0x" << want;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace TestSupport
