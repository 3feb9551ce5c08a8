#include "render/Font.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/resources.h"
#include "platform/textsmoothing.h"

namespace DXBlit {

namespace {

// Written by every font build, read by every drawText (window thread only).
bool subpixelText = false;
bool subpixelRgb = true;

void readSmoothing()
{
    const Platform::TextSmoothing t = Platform::readTextSmoothing();
    subpixelText = t.subpixel;
    if (t.order != Platform::SubpixelOrder::Keep) subpixelRgb = t.order == Platform::SubpixelOrder::Rgb;
}

size_t textLength(const char* text, int length)
{
    if (!text) return 0;
    return length < 0 ? std::strlen(text) : static_cast<size_t>(length);
}

bool drawable(unsigned char c) { return c >= 32 && c <= 127; }

}  // namespace

bool subpixelTextEnabled() { return subpixelText; }
bool subpixelOrderRgb() { return subpixelRgb; }

Font* createFont(Context& context, float pointSize, float scale)
{
    if (!(scale > 0.0f)) scale = 1.0f;
    Platform::ResourceBytes vera;
    if (!Platform::findResource("TTF", "Vera", vera)) return nullptr;
    std::unique_ptr<Font> font;
    try {
        font = std::make_unique<Font>();
        font->device = context.getDevice();
        if (!font->device) return nullptr;
        FontRaster raster = rasteriseFont(vera.data, vera.size, pointSize * scale, 96);
        font->scale = scale;
        std::copy(std::begin(raster.glyphs), std::end(raster.glyphs), font->glyphs);
        font->glyphsPerRow = raster.glyphsPerRow;
        font->underlineOffset = raster.underlineOffset;
        font->underlineThickness = raster.underlineThickness;
        font->atlas = font->device->createStaticTexture(raster.width, raster.height);
        font->atlas->upload(raster.texels.data(), raster.width, 0, 0, raster.width, raster.height);
        readSmoothing();
        return font.release();
    } catch (...) {
        if (font && font->atlas) font->atlas->release();
        return nullptr;
    }
}

void disposeFont(Font* font)
{
    if (!font) return;
    if (font->atlas) font->atlas->release();
    delete font;
}

float measureText(const Font& font, const char* text, int length)
{
    const size_t n = textLength(text, length);
    float advance = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (drawable(c)) advance += font.glyphs[c - 32].advanceX / 3;
    }
    return advance / font.scale;
}

float drawText(Font& font, Context& context, const char* text, int length, float x, float y, uint32_t colour,
               bool underline)
{
    const size_t n = textLength(text, length);
    const int passes = subpixelText ? 3 : 1;
    std::vector<Quad> quads;
    quads.reserve(n * passes);
    // Glyph metrics are window pixels; quads are drawing units, s of them a pixel.
    // Each term is divided on its own so that at scale 1 the sums are the same.
    const float s = font.scale;
    const float shift = (subpixelRgb ? 0.25f : -0.25f) / s;
    float penX = 0, penY = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!drawable(c)) continue;
        const Glyph& g = font.glyphs[c - 32];
        Quad q{};
        q.x0 = x + penX / s + g.bearingX / 3 / s - 1 / s;
        q.x1 = q.x0 + g.width / 3 / s;
        q.y0 = std::floor(y * s + penY - g.bearingY - 1) / s;
        q.y1 = q.y0 + g.height / s;
        q.u0 = g.atlasX + 1;
        q.u1 = q.u0 + g.width;
        q.v0 = g.atlasY;
        q.v1 = q.v0 + g.height;
        if (!subpixelText) {
            q.colour = colour;
            quads.push_back(q);
        } else {
            // One pass per channel: the channel's own value as alpha, full intensity in that channel only.
            const uint32_t red = colour >> 16 & 0xFF, green = colour >> 8 & 0xFF, blue = colour & 0xFF;
            Quad r = q, gr = q, b = q;
            r.x0 += shift, r.x1 += shift;
            b.x0 -= shift, b.x1 -= shift;
            r.colour = red << 24 | 0xFF0000;
            gr.colour = green << 24 | 0x00FF00;
            b.colour = blue << 24 | 0x0000FF;
            quads.insert(quads.end(), {r, gr, b});
        }
        penX += g.advanceX / 3;
        penY += g.advanceY;
    }

    Shader glyphState(context, subpixelText ? kBlendSubpixel : kBlendPremultiplied, subpixelText ? kTexTint : kTexModulate,
                font.atlas);
    context.drawQuads(quads.data(), static_cast<int>(quads.size()));
    if (underline) {
        Shader line(context, kBlendPremultiplied, kTexColour);
        drawQuad(context, makeQuad(x, y + font.underlineOffset / s, penX / s, font.underlineThickness / s, 0, 0, colour));
    }
    return penX / s;
}

}  // namespace DXBlit
