// Text: the atlas of the embedded face, the quads a string becomes in each
// smoothing mode, what they put on a real window, and the failure paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/textsmoothing.h"
#include "render/Font.h"
#include "tests/render/gl_test_window.h"
#include "tests/support/RecordingContext.h"
#include "tests/support/ScopedResources.h"

using namespace DXBlit;
using namespace TestSupport;

namespace {

FontRaster embeddedFace(float size)
{
    Platform::ResourceBytes vera;
    EXPECT_TRUE(Platform::findResource("TTF", "Vera", vera));
    return rasteriseFont(vera.data, vera.size, size, 96);
}

// Smoothing as a test wants it, for the fonts built while it lives.
class ScriptedSmoothing final : public Platform::ITextSmoothing {
public:
    explicit ScriptedSmoothing(Platform::TextSmoothing t) : next(t), previous(Platform::setTextSmoothing(this)) {}
    ~ScriptedSmoothing() override { Platform::setTextSmoothing(previous); }
    Platform::TextSmoothing read() override { return next; }
    Platform::TextSmoothing next;

private:
    Platform::ITextSmoothing* previous;
};

TEST(FontAtlas, EmbeddedFaceFillsItsCellsAndNothingElse)
{
    for (float size : {8.0f, 10.0f}) {
        SCOPED_TRACE(size);
        const FontRaster r = embeddedFace(size);
        EXPECT_EQ(r.width, 477u);
        EXPECT_EQ(r.height, 431u);
        EXPECT_EQ(r.glyphsPerRow, 9u);
        EXPECT_GE(r.underlineThickness, 1.0f);

        // Every glyph's sampled rectangle stays inside its own 53 x 39 cell,
        // and every non-zero texel belongs to a glyph's coverage.
        std::vector<bool> covered(r.texels.size());
        for (int i = 0; i < 96; ++i) {
            const Glyph& g = r.glyphs[i];
            const int cellX = i % 9 * 53, cellY = i / 9 * 39;
            EXPECT_GE(g.atlasX + 1, cellX) << char(32 + i);
            EXPECT_LE(g.atlasX + 1 + g.width, cellX + 53) << char(32 + i);
            EXPECT_GE(g.atlasY, cellY) << char(32 + i);
            EXPECT_LE(g.atlasY + g.height, cellY + 39 + 1) << char(32 + i);
            const int x0 = static_cast<int>(g.atlasX) + 1, y0 = static_cast<int>(g.atlasY) + 1;
            for (int y = y0; y < y0 + static_cast<int>(g.height) - 2; ++y)
                for (int x = x0; x < x0 + static_cast<int>(g.width) - 2; ++x) covered[size_t(y) * r.width + x] = true;
        }
        size_t stray = 0, notGrey = 0;
        for (size_t i = 0; i < r.texels.size(); ++i) {
            stray += r.texels[i] != 0 && !covered[i];
            notGrey += r.texels[i] != (r.texels[i] & 0xFF) * 0x01010101u;
        }
        EXPECT_EQ(stray, 0u);
        EXPECT_EQ(notGrey, 0u);
    }

    // 'H' at 10 points: full-height stems, so its first and last coverage rows
    // are lit and the rows just outside are dark, where its record says.
    const FontRaster r = embeddedFace(10);
    const Glyph& h = r.glyphs['H' - 32];
    const uint32_t x0 = static_cast<uint32_t>(h.atlasX) + 1, y0 = static_cast<uint32_t>(h.atlasY) + 1;
    const uint32_t rows = static_cast<uint32_t>(h.height) - 2, wide = static_cast<uint32_t>(h.width) - 2;
    const auto rowSum = [&](uint32_t y) {
        uint32_t sum = 0;
        for (uint32_t x = x0; x < x0 + wide; ++x) sum += r.texels[size_t{y} * r.width + x] & 0xFF;
        return sum;
    };
    EXPECT_GT(rowSum(y0), 0u);
    EXPECT_GT(rowSum(y0 + rows - 1), 0u);
    EXPECT_EQ(rowSum(y0 - 1), 0u);
    EXPECT_EQ(rowSum(y0 + rows), 0u);
    EXPECT_EQ(h.bearingY, rows) << "an H stands on the baseline";
}

TEST(FontText, QuadsFollowThePenInEachSmoothingMode)
{
    const float x = 10.5f, y = 20.0f;
    const char text[] = "A\tB\x80\x01";  // tab, a high byte and a control byte take no room

    struct Case {
        const char* what;
        Platform::TextSmoothing smoothing;
        int blendMode, textureMode, quadsPerChar;
        float redShift;
    } cases[] = {
        {"greyscale", {false, Platform::SubpixelOrder::Rgb}, kBlendPremultiplied, kTexModulate, 1, 0},
        {"subpixel RGB", {true, Platform::SubpixelOrder::Rgb}, kBlendSubpixel, kTexTint, 3, 0.25f},
        {"subpixel BGR", {true, Platform::SubpixelOrder::Bgr}, kBlendSubpixel, kTexTint, 3, -0.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedSmoothing smoothing(c.smoothing);
        RecordingContext context;
        Font* built = createFont(context, 10);  // takes the smoothing settings
        ASSERT_TRUE(built);
        Font& font = *built;
        const Glyph &A = font.glyphs['A' - 32], &B = font.glyphs['B' - 32];
        EXPECT_EQ(subpixelTextEnabled(), c.smoothing.subpixel);

        const float advance = drawText(font, context, text, -1, x, y, 0xFF336699, true);
        EXPECT_FLOAT_EQ(advance, A.advanceX / 3 + B.advanceX / 3);
        EXPECT_FLOAT_EQ(measureText(font, text, -1), advance);
        EXPECT_FLOAT_EQ(measureText(font, text, 1), A.advanceX / 3);

        ASSERT_EQ(context.calls.size(), 2u) << "glyphs in one call, then the underline";
        const RecordingContext::Call& glyphs = context.calls[0];
        EXPECT_EQ(glyphs.blendMode, c.blendMode);
        EXPECT_EQ(glyphs.textureMode, c.textureMode);
        ASSERT_EQ(glyphs.quads.size(), 2u * c.quadsPerChar);
        const int green = c.quadsPerChar == 3 ? 1 : 0;
        const Quad& a = glyphs.quads[green];
        const Quad& b = glyphs.quads[c.quadsPerChar + green];
        EXPECT_FLOAT_EQ(a.x0, x + A.bearingX / 3 - 1);
        EXPECT_FLOAT_EQ(a.x1 - a.x0, A.width / 3);
        EXPECT_FLOAT_EQ(a.y0, std::floor(y - A.bearingY - 1));
        EXPECT_FLOAT_EQ(a.y1 - a.y0, A.height);
        EXPECT_FLOAT_EQ(a.u0, A.atlasX + 1);
        EXPECT_FLOAT_EQ(a.v0, A.atlasY);
        EXPECT_FLOAT_EQ(b.x0, x + A.advanceX / 3 + B.bearingX / 3 - 1) << "B right after A";
        if (c.quadsPerChar == 1) {
            EXPECT_EQ(a.colour, 0xFF336699u);
        } else {
            const Quad &red = glyphs.quads[0], &blue = glyphs.quads[2];
            EXPECT_FLOAT_EQ(red.x0 - a.x0, c.redShift);
            EXPECT_FLOAT_EQ(blue.x0 - a.x0, -c.redShift);
            EXPECT_EQ(red.colour, 0x33FF0000u);
            EXPECT_EQ(a.colour, 0x6600FF00u);
            EXPECT_EQ(blue.colour, 0x990000FFu);
        }

        const RecordingContext::Call& line = context.calls[1];
        EXPECT_EQ(line.blendMode, kBlendPremultiplied);
        EXPECT_EQ(line.textureMode, kTexColour);
        ASSERT_EQ(line.quads.size(), 1u);
        EXPECT_FLOAT_EQ(line.quads[0].x0, x);
        EXPECT_FLOAT_EQ(line.quads[0].x1, x + advance);
        EXPECT_FLOAT_EQ(line.quads[0].y0, y + font.underlineOffset);
        EXPECT_FLOAT_EQ(line.quads[0].y1 - line.quads[0].y0, font.underlineThickness);
        disposeFont(built);
    }
}

TEST_F(GLWindowTest, TextOnScreenInEachSmoothingModeAndItsUnderline)
{
    GLDevice* device = makeDevice();
    const int live = device->liveTextures();
    struct Case {
        const char* what;
        Platform::TextSmoothing smoothing;
    } cases[] = {{"greyscale", {false, Platform::SubpixelOrder::Keep}},
                 {"RGB", {true, Platform::SubpixelOrder::Rgb}},
                 {"BGR", {true, Platform::SubpixelOrder::Bgr}}};
    double redMinusBlue[3] = {};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].what);
        ScriptedSmoothing smoothing(cases[i].smoothing);
        float advance = 0, offset = 0, thickness = 0;
        const std::vector<uint32_t> pixels = frame(*device, [&](Context& c) {
            Font* font = createFont(c, 10);
            ASSERT_TRUE(font);
            fill(c, 0, 0, kWidth, kHeight, 0xFF000000);
            advance = drawText(*font, c, "Hill", -1, 10.25f, 40, 0xFFFFFFFF, true);
            offset = font->underlineOffset;
            thickness = font->underlineThickness;
            disposeFont(font);
        });
        // Text rows: the x centre of each channel's light; greyscale text has R = G = B.
        double weight[3] = {}, moment[3] = {};
        int unequal = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t p = pixels[y * kWidth + x];
                const int ch[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
                unequal += ch[0] != ch[1] || ch[1] != ch[2];
                for (int k = 0; k < 3; ++k) weight[k] += ch[k], moment[k] += double(ch[k]) * x;
            }
        ASSERT_GT(weight[1], 0);
        redMinusBlue[i] = moment[0] / weight[0] - moment[2] / weight[2];
        if (i == 0) {
            EXPECT_EQ(unequal, 0);
        }

        // The underline: a white bar from x to x + advance, at least one pixel thick,
        // whose fullest row is lit along the whole advance.
        EXPECT_GE(thickness, 1.0f);
        int lit = 0;
        for (int y = static_cast<int>(std::floor(40 + offset)); y <= static_cast<int>(40 + offset + thickness); ++y) {
            int row = 0;
            for (int x = 0; x < kWidth; ++x) row += (pixels[y * kWidth + x] & 0xFF) > 128;
            lit = std::max(lit, row);
        }
        EXPECT_NEAR(lit, advance, 1.5);
    }
    EXPECT_NEAR(redMinusBlue[0], 0, 0.01);
    EXPECT_GT(redMinusBlue[1], 0.2) << "red to the right of blue";
    EXPECT_LT(redMinusBlue[2], -0.2) << "red to the left of blue";
    EXPECT_EQ(device->liveTextures(), live) << "every atlas was released";
    device->release();
}

TEST_F(GLWindowTest, FontWithoutItsFaceIsNullAndLeavesNoTexture)
{
    GLDevice* device = makeDevice();
    const int live = device->liveTextures();
    struct Finder {
        static bool none(const char*, const char*, Platform::ResourceBytes&) { return false; }
        static bool garbage(const char*, const char*, Platform::ResourceBytes& out)
        {
            static const uint8_t bytes[64] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x09};  // a TrueType start, nothing after
            out.data = bytes;
            out.size = sizeof bytes;
            return true;
        }
    };
    for (auto finder : {&Finder::none, &Finder::garbage}) {
        ScopedResources resources(finder);
        FunctionScene scene;
        Font* font = reinterpret_cast<Font*>(1);
        scene.body = [&](Context& c) { font = createFont(c, 10); };
        device->render(scene);
        EXPECT_EQ(font, nullptr);
    }
    EXPECT_EQ(device->liveTextures(), live);
    device->release();
}

}  // namespace
