// The only file that talks to FreeType: it is used while a font is built and
// released before rasteriseFont returns.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <vector>

#include "render/Font.h"

namespace DXBlit {

namespace {

struct Library {
    FT_Library handle = nullptr;
    ~Library()
    {
        if (handle) FT_Done_FreeType(handle);
    }
};

struct Face {
    FT_Face handle = nullptr;
    ~Face()
    {
        if (handle) FT_Done_Face(handle);
    }
};

void check(FT_Error e)
{
    if (e) throw Exception();
}

// One glyph's 8-bit coverage, kept until the cells are known to hold every glyph.
struct Coverage {
    uint32_t width = 0, rows = 0;
    std::vector<uint8_t> bytes;
};

}  // namespace

FontRaster rasteriseFont(const uint8_t* bytes, size_t size, float pointSize, int dotsPerInch)
{
    FontRaster r;
    Library library;
    check(FT_Init_FreeType(&library.handle));
    Face face;  // destroyed before the library
    check(FT_New_Memory_Face(library.handle, bytes, static_cast<FT_Long>(size), 0, &face.handle));

    // Three times as wide as at the given resolution: scaled at 48x horizontally, then narrowed by 1/16.
    const auto charSize = static_cast<FT_F26Dot6>(pointSize * 64);
    check(FT_Set_Char_Size(face.handle, charSize, charSize, static_cast<FT_UInt>(48 * dotsPerInch),
                           static_cast<FT_UInt>(dotsPerInch)));
    FT_Matrix narrow = {0x1000, 0, 0, 0x10000};
    FT_Set_Transform(face.handle, &narrow, nullptr);

    const FT_Fixed yScale = face.handle->size->metrics.y_scale;
    r.underlineOffset = static_cast<float>(-static_cast<int64_t>(face.handle->underline_position) * yScale) / 4194304.0f;
    r.underlineThickness = static_cast<float>(static_cast<int64_t>(face.handle->underline_thickness) * yScale) / 4194304.0f;
    if (r.underlineThickness < 1.0f) {
        r.underlineOffset -= 1.0f - r.underlineThickness;
        r.underlineThickness = 1.0f;
    }

    Coverage coverage[96];
    for (int i = 0; i < 96; ++i) {
        check(FT_Load_Glyph(face.handle, FT_Get_Char_Index(face.handle, static_cast<FT_ULong>(32 + i)),
                            FT_LOAD_FORCE_AUTOHINT));
        check(FT_Render_Glyph(face.handle->glyph, FT_RENDER_MODE_NORMAL));
        const FT_GlyphSlot slot = face.handle->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        Glyph& g = r.glyphs[i];
        g.width = static_cast<float>(bitmap.width + 6);
        g.height = static_cast<float>(bitmap.rows + 2);
        g.advanceX = static_cast<float>(slot->advance.x / 64);
        g.advanceY = static_cast<float>(slot->advance.y / 64);
        g.bearingX = static_cast<float>(slot->bitmap_left);
        g.bearingY = static_cast<float>(slot->bitmap_top);
        Coverage& c = coverage[i];
        c.width = bitmap.width;
        c.rows = bitmap.rows;
        c.bytes.resize(size_t{c.width} * c.rows);
        // The pitch leads from one row down to the next, whichever way the rows lie in memory.
        const int pitch = bitmap.pitch;
        const uint8_t* top = bitmap.buffer;
        if (top && pitch < 0) top -= static_cast<ptrdiff_t>(pitch) * (static_cast<ptrdiff_t>(c.rows) - 1);
        for (uint32_t j = 0; top && j < c.rows; ++j)
            std::copy_n(top + static_cast<ptrdiff_t>(j) * pitch, c.width, &c.bytes[size_t{j} * c.width]);
    }

    // Cells from the face's bounding box; grown where a glyph's filtered
    // coverage and the sampled margin (width + 8 by rows + 2) would not fit.
    const FT_BBox& box = face.handle->bbox;
    int64_t cellWidth = (box.xMax - box.xMin) / 64 + 6;
    int64_t cellHeight = (box.yMax - box.yMin) / 64 + 2;
    for (const Coverage& c : coverage) {
        cellWidth = std::max<int64_t>(cellWidth, c.width + 8);
        cellHeight = std::max<int64_t>(cellHeight, c.rows + 2);
    }
    if (cellWidth > 4096 || cellHeight > 4096) throw Exception();  // no sane face at these sizes

    int64_t side = 64, perRow = 0, atlasHeight = 0;
    for (;; side *= 2) {
        perRow = (side - 2) / cellWidth;
        if (perRow == 0) continue;
        atlasHeight = (perRow + 95) / perRow * cellHeight + 2;
        if (atlasHeight <= 2 * side) break;
    }
    r.glyphsPerRow = static_cast<uint32_t>(perRow);
    r.width = static_cast<uint32_t>(perRow * cellWidth);
    r.height = static_cast<uint32_t>(atlasHeight);
    r.texels.assign(size_t{r.width} * r.height, 0);

    for (uint32_t i = 0; i < 96; ++i) {
        Glyph& g = r.glyphs[i];
        const uint32_t atlasX = i % r.glyphsPerRow * static_cast<uint32_t>(cellWidth) + 1;
        const uint32_t atlasY = i / r.glyphsPerRow * static_cast<uint32_t>(cellHeight) + 1;
        g.atlasX = static_cast<float>(atlasX);
        g.atlasY = static_cast<float>(atlasY);
        const Coverage& c = coverage[i];
        // Five taps (1 2 4 2 1)/10 along each row: each output texel k is centred on input column k - 2.
        for (uint32_t j = 0; j < c.rows; ++j) {
            const uint8_t* row = &c.bytes[size_t{j} * c.width];
            const auto at = [&](int64_t k) -> uint32_t { return k >= 0 && k < c.width ? row[k] : 0; };
            uint32_t* out = &r.texels[size_t{atlasY + 1 + j} * r.width + atlasX + 1];
            for (int64_t k = 0; k <= int64_t{c.width} + 3; ++k) {
                const uint32_t v = (at(k) + 2 * at(k - 1) + 4 * at(k - 2) + 2 * at(k - 3) + at(k - 4)) / 10;
                out[k] = v * 0x01010101u;
            }
        }
    }
    return r;
}

}  // namespace DXBlit
