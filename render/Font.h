// Text: the 96 printable ASCII characters of the embedded TrueType face,
// rasterised once per point size at three times the horizontal resolution
// into one atlas texture, then drawn as one quad per character (three with
// subpixel text, one pass per colour channel).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/Device.h"

namespace DXBlit {

/// One character's place in the atlas and its metrics. Horizontal values are
/// in texels of the 3x resolution (thirds of a pixel), vertical ones in pixels.
struct Glyph {
    float atlasX;    ///< left edge of the glyph's cell + 1
    float atlasY;    ///< top edge of the glyph's cell + 1
    float width;     ///< bitmap width + 6
    float height;    ///< bitmap rows + 2
    float advanceX;  ///< in thirds of a pixel
    float advanceY;
    float bearingX;  ///< in thirds of a pixel
    float bearingY;  ///< from the baseline up to the first row
};

struct Font {
    Glyph glyphs[96];  ///< characters 32..127 (metrics in window pixels)
    float scale = 1;   ///< window pixels per drawing unit the glyphs were rasterised for
    uint32_t glyphsPerRow = 0;
    float underlineOffset = 0;     ///< pixels below the baseline
    float underlineThickness = 1;  ///< pixels, at least 1
    Device* device = nullptr;
    StaticTexture* atlas = nullptr;  ///< owned: released by disposeFont
};

/// The face rasterised: glyph records and the atlas texels (coverage x
/// 0x01010101, rows from the top), before any texture exists.
struct FontRaster {
    Glyph glyphs[96];
    uint32_t glyphsPerRow = 0;
    uint32_t width = 0, height = 0;
    float underlineOffset = 0, underlineThickness = 1;
    std::vector<uint32_t> texels;
};

/// FreeType's work: throws Exception for a face FreeType cannot load or render.
FontRaster rasteriseFont(const uint8_t* bytes, size_t size, float pointSize, int dotsPerInch);

/// The embedded face ("TTF" resource "Vera") at `pointSize` and 96 dpi on the
/// context's device, rasterised for a window shown `scale` times larger than
/// its drawing units (the same face at pointSize x scale, drawn back in
/// units); null when the resource is missing or anything fails. Also re-reads
/// the system's subpixel text settings.
Font* createFont(Context& context, float pointSize, float scale = 1.0f);
/// Releases the atlas and frees the font; before its device goes.
void disposeFont(Font* font);

/// Draws `text` (length -1: up to the zero) with its pen starting at x on the
/// baseline y; returns the advance in drawing units. From inside a scene's draw only.
float drawText(Font& font, Context& context, const char* text, int length, float x, float y, uint32_t colour,
               bool underline);
/// The advance drawText returns, without drawing.
float measureText(const Font& font, const char* text, int length);

/// The process-wide subpixel settings the last createFont read.
bool subpixelTextEnabled();
bool subpixelOrderRgb();

}  // namespace DXBlit
