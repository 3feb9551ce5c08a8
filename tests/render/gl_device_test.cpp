// The OpenGL device on a real window (Xvfb natively, WGL under Wine): what
// each drawing mode puts on the screen, texel-exact blits with and without
// rectangle textures, context hand-back, leaks, and the failure paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/glsurface.h"
#include "platform/resources.h"
#include "platform/system.h"
#include "render/GLDevice.h"
#include "render/Image.h"
#include "tests/render/gl_test_window.h"
#include "tests/support/RecordingDialogs.h"
#include "tests/support/ScriptedSurfaces.h"

using namespace DXBlit;
using namespace TestSupport;

namespace {

class RecordingDebugOutput final : public Platform::IDebugOutput {
public:
    RecordingDebugOutput() : previous(Platform::setDebugOutput(this)) {}
    ~RecordingDebugOutput() override { Platform::setDebugOutput(previous); }
    void line(const char* text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;

private:
    Platform::IDebugOutput* previous;
};

struct Released {
    Texture* t;
    ~Released() { t->release(); }
};

TEST_F(GLWindowTest, EveryModeDrawsItsArithmeticOverEveryPixelOfTheQuad)
{
    // A two-cell film strip: cell 0 is T0, cell 1 is T1, both premultiplied.
    constexpr uint32_t T0 = 0x80604020, T1 = 0xC0C08040, C = 0x80806040, D = 0xFF204080;
    struct Case {
        const char* what;
        int textureMode, blendMode;
        uint32_t colour, want;
    } cases[] = {
        {"colour", kTexColour, kBlendOpaque, C, 0x806040},
        {"T0 x colour", kTexModulate, kBlendOpaque, C, 0x301808},
        {"T0 x colour, over by the product's alpha", kTexModulate, kBlendPremultiplied, C, 0x484868},
        {"colour x T0, over by the colour's alpha", kTexTint, kBlendPremultiplied, C, 0x403848},
        {"T0 x T1 x colour", kTexModulateBoth, kBlendOpaque, C, 0x240C02},
        {"cross-fade at 0: T0 tinted", kTexCrossFade, kBlendOpaque, C & 0xFFFFFF, 0x301808},
        {"cross-fade at 128: even mix tinted", kTexCrossFade, kBlendOpaque, C, 0x48240C},
        {"cross-fade at 255: T1 tinted", kTexCrossFade, kBlendOpaque, C | 0xFF000000, 0x603010},
        {"premultiplied over", kTexColour, kBlendPremultiplied, C, 0x908080},
        {"additive", kTexColour, kBlendAdd, C, 0xA0A0C0},
        {"straight over", kTexColour, kBlendStraight, C, 0x505060},
        {"per-channel coverage", kTexColour, kBlendSubpixel, C, 0x505880},
    };
    const auto cellX = [](size_t i) { return 8 + static_cast<int>(i % 8) * 16; };
    const auto cellY = [](size_t i) { return 8 + static_cast<int>(i / 8) * 16; };

    GLDevice* device = makeDevice();
    StaticTexture* strip = device->createStaticTexture(16, 8);
    std::vector<uint32_t> cells(16 * 8);
    for (int i = 0; i < 16 * 8; ++i) cells[i] = i % 16 < 8 ? T0 : T1;
    strip->upload(cells.data(), 16, 0, 0, 16, 8);

    const std::vector<uint32_t> pixels = frame(*device, [&](Context& c) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            const float x = static_cast<float>(cellX(i)), y = static_cast<float>(cellY(i));
            fill(c, x - 2, y - 2, 12, 12, D);
            Shader s(c, cases[i].blendMode, cases[i].textureMode, strip, strip);
            drawQuad(c, {x, y, x + 8, y + 8, 0, 0, 8, 8, 8, 0, 16, 8, cases[i].colour});
        }
    });
    for (size_t i = 0; i < std::size(cases); ++i)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_TRUE(near(pixels[(cellY(i) + y) * kWidth + cellX(i) + x], cases[i].want))
                    << cases[i].what << " at " << x << ", " << y;
    strip->release();
    device->release();
}

TEST_F(GLWindowTest, FallbackPatternClippedUploadAndRestoredOuterShader)
{
    RecordingDebugOutput debug;
    GLDevice* device = makeDevice();
    StaticTexture* red = device->createStaticTexture(4, 4);
    const std::vector<uint32_t> reds(16, 0xFFFF0000), blues(16, 0xFF0000FF);
    red->upload(reds.data(), 4, 0, 0, 4, 4);
    StaticTexture* clipped = device->createStaticTexture(4, 4);
    clipped->upload(reds.data(), 4, 0, 0, 4, 4);
    clipped->upload(blues.data(), 4, 2, 2, 4, 4);  // only 2 x 2 fit
    clipped->upload(blues.data(), 4, 4, 0, 4, 4);  // starts outside: nothing

    const std::vector<uint32_t> pixels = frame(*device, [&](Context& c) {
        {
            Shader missing(c, kBlendOpaque, kTexModulate, nullptr);
            drawQuad(c, makeQuad(0, 0, 4, 4, 0, 0, 0xFFFFFFFF));
        }
        {
            Shader s(c, kBlendOpaque, kTexModulate, clipped);
            drawQuad(c, makeQuad(8, 0, 4, 4, 0, 0, 0xFFFFFFFF));
        }
        Shader outer(c, kBlendOpaque, kTexModulate, red);
        {
            Shader inner(c, kBlendOpaque, kTexColour);
            drawQuad(c, makeQuad(16, 0, 4, 4, 0, 0, 0xFF00FF00));
        }
        drawQuad(c, makeQuad(24, 0, 4, 4, 0, 0, 0xFFFFFFFF));  // red again: the outer state is re-applied
        c.drawQuads(nullptr, 0);
    });
    const uint32_t R = 0xFF0000, G = 0x00FF00, Y = 0xFFFF00, B = 0x0000FF;
    const uint32_t pattern[16] = {R, R, G, G, R, R, G, G, Y, Y, B, B, Y, Y, B, B};
    const uint32_t quadrants[16] = {R, R, R, R, R, R, R, R, R, R, B, B, R, R, B, B};
    for (int i = 0; i < 16; ++i) {
        const int x = i % 4, y = i / 4;
        EXPECT_EQ(pixels[y * kWidth + x], pattern[i]) << "fallback at " << x << ", " << y;
        EXPECT_EQ(pixels[y * kWidth + 8 + x], quadrants[i]) << "clipped upload at " << x << ", " << y;
        EXPECT_EQ(pixels[y * kWidth + 16 + x], G);
        EXPECT_EQ(pixels[y * kWidth + 24 + x], R);
    }
    red->release();
    clipped->release();
    device->release();
    EXPECT_TRUE(debug.lines.empty()) << "the fallback texture is not a leak";
}

TEST_F(GLWindowTest, PictureBlitsShowExactlyTheirTexelsWithAndWithoutRectangleTextures)
{
    std::unique_ptr<Vornkit::Image> picture = Vornkit::loadImageResource("commonTextures");
    ASSERT_TRUE(picture);
    Platform::ResourceBytes png;
    ASSERT_TRUE(Platform::findResource("PNG", "commonTextures", png));
    for (bool powerOfTwo : {false, true}) {
        SCOPED_TRACE(powerOfTwo ? "power-of-two textures" : "rectangle textures");
        GLDevice::forcePowerOfTwoTextures(powerOfTwo);
        GLDevice* device = makeDevice();
        EXPECT_EQ(device->hasRectangleTextures(), !powerOfTwo);
        // One texture through the picture loader, one straight from the PNG bytes.
        StaticTexture* fromImage = picture->createTexture(*device);
        StaticTexture* fromPng = device->createTextureFromPng(png.data, png.size);
        ASSERT_TRUE(fromPng);
        auto* gl = dynamic_cast<GLTexture*>(fromImage);
        EXPECT_EQ(gl->width, powerOfTwo ? 1024u : 600u);
        EXPECT_EQ(gl->height, powerOfTwo ? 512u : 480u);

        const std::vector<uint32_t> pixels = frame(*device, [&](Context& c) {
            {
                Shader s(c, kBlendOpaque, kTexModulate, fromImage);
                drawQuad(c, makeQuad(0, 0, 90, 30, 422, 50, 0xFFFFFFFF));
            }
            Shader s(c, kBlendOpaque, kTexModulate, fromPng);
            drawQuad(c, makeQuad(0, 40, 90, 30, 422, 50, 0xFFFFFFFF));
        });
        int wrong = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 90; ++x) {
                // The picture is stored premultiplied, so an opaque blit shows its colour words.
                const uint32_t want = picture->pixels[(50 + y) * picture->width + 422 + x] & 0xFFFFFF;
                wrong += pixels[y * kWidth + x] != want;
                wrong += pixels[(40 + y) * kWidth + x] != want;
            }
        EXPECT_EQ(wrong, 0);
        fromImage->release();
        fromPng->release();
        device->release();
    }
}

TEST_F(GLWindowTest, GuardsHandBackWhateverWasCurrentBefore)
{
    GLDevice* a = makeDevice();
    GLDevice* b = makeDevice();
    EXPECT_EQ(currentNow().context, nullptr) << "creation leaves nothing current";
    {
        ContextGuard outside(*b);
        const void* bContext = currentNow().context;
        ASSERT_NE(bContext, nullptr);
        const void* aContext = nullptr;
        StaticTexture* made = nullptr;
        FunctionScene scene;
        scene.body = [&](Context& c) {
            aContext = currentNow().context;
            made = c.getDevice()->createStaticTexture(2, 2);  // nested: no switch
            EXPECT_EQ(currentNow().context, aContext);
            made->release();
            EXPECT_EQ(currentNow().context, aContext);
        };
        a->render(scene);
        EXPECT_NE(aContext, bContext);
        EXPECT_EQ(currentNow().context, bContext) << "render restores the context that was current";
    }
    EXPECT_EQ(currentNow().context, nullptr) << "the outermost guard restores none";
    a->release();
    b->release();
}

TEST_F(GLWindowTest, LeakIsReportedOnceAndALateReleaseIsSafe)
{
    RecordingDebugOutput debug;
    GLDevice* device = makeDevice();
    StaticTexture* leaked = device->createStaticTexture(8, 8);
    StaticTexture* kept = device->createStaticTexture(8, 8);
    kept->release();
    EXPECT_EQ(device->liveTextures(), 2) << "the fallback and the leaked one";
    device->release();
    ASSERT_EQ(debug.lines, std::vector<std::string>{"Morlenvale GL stats.textures non-zero; possible leak."});
    leaked->release();  // after its device: frees only itself
    EXPECT_EQ(debug.lines.size(), 1u);
}

TEST_F(GLWindowTest, FailuresAreNumberedLeaveNothingAndTheNextAttemptWorks)
{
    RecordingDebugOutput debug;
    TestSupport::RecordingDialogs dialogs;
    ScriptedSurfaces surfaces;

    surfaces.failPixelFormat = true;
    EXPECT_THROW(makeDevice(), Exception);
    EXPECT_EQ(surfaces.drawablesReleased, surfaces.drawablesTaken);
    surfaces.failPixelFormat = false;

    // Without multitexturing: one box in the process, no debugger line, however often it is retried.
    scriptedExtensions = "GL_EXT_texture_env_combine GL_ARB_texture_rectangle";
    EXPECT_THROW(makeDevice(), Exception);
    EXPECT_THROW(makeDevice(), Exception);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Morlenvale GL error");
    EXPECT_EQ(dialogs.boxes[0].style, Platform::kMbTaskModal | Platform::kMbIconError);
    EXPECT_EQ(currentNow().context, nullptr);

    // The EXT name of the combiners is enough.
    scriptedExtensions = "GL_ARB_multitexture GL_EXT_texture_env_combine";
    GLDevice* device = makeDevice();
    scriptedExtensions = nullptr;
    EXPECT_FALSE(device->hasRectangleTextures());

    // Bad drawing states: the texture mode is checked first.
    EXPECT_THROW(device->applyState(kBlendOpaque, 5, nullptr, nullptr), Exception);
    EXPECT_THROW(device->applyState(7, kTexColour, nullptr, nullptr), Exception);
    EXPECT_THROW(device->applyState(-1, -1, nullptr, nullptr), Exception);

    // A window without area draws nothing and does not fail.
    surfaces.zeroSize = true;
    FunctionScene scene;
    bool drawn = false;
    scene.body = [&](Context&) { drawn = true; };
    device->render(scene);
    EXPECT_FALSE(drawn);
    device->release();
    EXPECT_EQ(surfaces.drawablesReleased, surfaces.drawablesTaken);

    auto numbered = [](int n) {
        return "Morlenvale GL: check failed at line " + std::to_string(n) + " (please report this bug).";
    };
    EXPECT_EQ(debug.lines, (std::vector<std::string>{numbered(196), numbered(478), numbered(509), numbered(478)}));

    // Every check point of making a texture: a failure there leaves no texture
    // behind, made alone or by the picture loader (which uploads after making).
    Platform::ResourceBytes png;
    ASSERT_TRUE(Platform::findResource("PNG", "commonTextures", png));
    const struct {
        const char* what;
        int* fault;
        int at;
        bool picture;
    } textureRows[] = {
        {"making: the context cannot be made current", &surfaces.failMakeCurrentAt, 1, false},
        {"making: the previous context cannot be handed back", &surfaces.failRestoreAt, 1, false},
        {"uploading: the context cannot be made current", &surfaces.failMakeCurrentAt, 2, true},
        {"uploading: the previous context cannot be handed back", &surfaces.failRestoreAt, 2, true},
    };
    surfaces.zeroSize = false;
    device = makeDevice();
    for (const auto& row : textureRows) {
        SCOPED_TRACE(row.what);
        const int live = device->liveTextures();
        *row.fault = row.at;
        if (row.picture)
            EXPECT_THROW(Vornkit::Image(png.data, png.size).createTexture(*device), Exception);
        else
            EXPECT_THROW(device->createStaticTexture(8, 8), Exception);
        EXPECT_EQ(*row.fault, 0) << "the fault was reached";
        *row.fault = 0;
        EXPECT_EQ(device->liveTextures(), live);
    }
    debug.lines.clear();
    device->release();
    EXPECT_EQ(debug.lines, std::vector<std::string>{}) << "no texture leaked";
}

}  // namespace
