// The PNG decoder against pictures from an independent encoder, against one
// crafted file per error code, and against every truncation and byte flip of
// valid files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/Image.h"
#include "render/PngDecoder.h"

namespace fs = std::filesystem;
using namespace DXBlit;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const fs::path kCorpus = fs::path(VESK_SOURCE_DIR) / "tests" / "render" / "png";

/// Deflate bits, least significant first; Huffman codes go most significant first.
struct Bits {
    Bytes bytes;
    unsigned used = 0;  // bits used in the last byte
    Bits& put(unsigned value, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            if (used == 0) bytes.push_back(0);
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1) << used);
            used = (used + 1) & 7;
        }
        return *this;
    }
    Bits& code(unsigned value, unsigned n)
    {
        for (unsigned i = n; i-- > 0;) put((value >> i) & 1, 1);
        return *this;
    }
    /// A symbol of the fixed literal/length code.
    Bits& fixed(unsigned sym)
    {
        if (sym < 144) return code(0x30 + sym, 8);
        if (sym < 256) return code(0x190 + sym - 144, 9);
        if (sym < 280) return code(sym - 256, 7);
        return code(0xC0 + sym - 280, 8);
    }
    /// A dynamic block header whose code-length code gives every symbol 5 bits
    /// (symbol s is then the 5-bit code s), ready for code-length symbols.
    static Bits dynamic(unsigned hlit = 257, unsigned hdist = 1)
    {
        Bits b;
        b.put(1, 1).put(2, 2).put(hlit - 257, 5).put(hdist - 1, 5).put(15, 4);
        for (int i = 0; i < 19; ++i) b.put(5, 3);
        return b;
    }
};

Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

/// A PNG built chunk by chunk; CRCs are left 0, which the decoder never checks.
struct Png {
    Png()
    {
        static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
        b.assign(kSignature, kSignature + 8);
    }
    Bytes b;
    Png& chunk(const char* type, const Bytes& data, uint32_t declared = UINT32_MAX)
    {
        const Bytes n = be32(declared == UINT32_MAX ? static_cast<uint32_t>(data.size()) : declared);
        b.insert(b.end(), n.begin(), n.end());
        b.insert(b.end(), type, type + 4);
        b.insert(b.end(), data.begin(), data.end());
        b.insert(b.end(), 4, 0);
        return *this;
    }
    Png& ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace = 0)
    {
        Bytes d = be32(w);
        const Bytes hh = be32(h);
        d.insert(d.end(), hh.begin(), hh.end());
        d.insert(d.end(), {depth, type, 0, 0, interlace});
        return chunk("IHDR", d);
    }
    /// IDAT of a zlib stream around deflate data (no Adler-32: it is ignored), then IEND.
    Png& image(const Bytes& deflate, const Bytes& zlibHeader = {0x78, 0x01})
    {
        Bytes z = zlibHeader;
        z.insert(z.end(), deflate.begin(), deflate.end());
        return chunk("IDAT", z).chunk("IEND", {});
    }
};

/// One stored deflate block holding raw.
Bytes stored(const Bytes& raw)
{
    const auto n = static_cast<uint16_t>(raw.size());
    Bytes d{1, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
    d.insert(d.end(), raw.begin(), raw.end());
    return d;
}

/// A 1 x 1 8-bit grey image with the given chunks before its data.
Png grey1x1() { return std::move(Png().ihdr(1, 1, 8, 0)); }

unsigned decode(const Bytes& file)
{
    Bytes rgba;
    uint32_t w = 0, h = 0;
    return decodePng(file.empty() ? nullptr : file.data(), file.size(), rgba, w, h);
}

}  // namespace

TEST(PngDecoder, IndependentEncoderCorpusDecodesPixelForPixel)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        if (entry.path().extension() != ".png") continue;
        ++files;
        const Bytes png = readFile(entry.path());
        Bytes rgba;
        uint32_t w = 0, h = 0;
        ASSERT_EQ(decodePng(png.data(), png.size(), rgba, w, h), kPngOk) << entry.path().filename();
        EXPECT_EQ(w, uint32_t(png[18] << 8 | png[19])) << entry.path().filename();
        EXPECT_EQ(h, uint32_t(png[22] << 8 | png[23])) << entry.path().filename();
        EXPECT_EQ(rgba, readFile(fs::path(entry.path()).replace_extension(".rgba"))) << entry.path().filename();
    }
    EXPECT_GE(files, 46) << "the corpus is missing";
}

TEST(PngDecoder, CraftedPicturesFollowTheConversionRules)
{
    struct Case {
        const char* name;
        Png png;
        Bytes rgba;
    };
    const Case cases[] = {
        {"16-bit grey key compares all 16 bits",
         std::move(Png().ihdr(2, 1, 16, 0).chunk("tRNS", {0x12, 0x34}).image(stored({0, 0x12, 0x34, 0x12, 0x35}))),
         {0x12, 0x12, 0x12, 0, 0x12, 0x12, 0x12, 255}},
        {"2-bit grey scales by 255/3 and keys on the raw sample",
         std::move(Png().ihdr(4, 1, 2, 0).chunk("tRNS", {0, 1}).image(stored({0, 0b00011011}))),
         {0, 0, 0, 255, 85, 85, 85, 0, 170, 170, 170, 255, 255, 255, 255, 255}},
        {"RGB key needs all three samples",
         std::move(Png().ihdr(2, 1, 8, 2).chunk("tRNS", {0, 1, 0, 2, 0, 3}).image(stored({0, 1, 2, 3, 1, 2, 4}))),
         {1, 2, 3, 0, 1, 2, 4, 255}},
        {"palette alpha from tRNS, later entries opaque; unknown ancillary chunks skipped",
         std::move(Png()
                       .ihdr(2, 1, 8, 3)
                       .chunk("PLTE", {9, 8, 7, 6, 5, 4})
                       .chunk("tRNS", {77})
                       .chunk("teSt", {1, 2})
                       .image(stored({0, 0, 1}))),
         {9, 8, 7, 77, 6, 5, 4, 255}},
    };
    for (const Case& c : cases) {
        Bytes rgba;
        uint32_t w = 0, h = 0;
        ASSERT_EQ(decodePng(c.png.b.data(), c.png.b.size(), rgba, w, h), kPngOk) << c.name;
        EXPECT_EQ(rgba, c.rgba) << c.name;
    }
}

TEST(PngDecoder, EachKindOfDamageHasItsCode)
{
    const Png okHeader = grey1x1();
    const Bytes okData = stored({0, 128});
    auto header = [](Bytes b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    const Bytes good = Png(okHeader).image(okData).b;

    // Dynamic blocks: code-length symbols are 5-bit codes of their value.
    auto dyn = [](std::initializer_list<std::pair<unsigned, std::pair<unsigned, unsigned>>> symbols) {
        Bits b = Bits::dynamic();
        for (const auto& [sym, extra] : symbols) b.code(sym, 5).put(extra.first, extra.second);
        return b.bytes;
    };
    const std::pair<unsigned, unsigned> none{0, 0};

    // Zeros enough for a 1-bit 2049 x 2048 picture: a literal, then copies of 258.
    Bits zeros;
    zeros.put(1, 1).put(1, 2).fixed(0);
    for (uint64_t made = 1; made < 2048ull * 258;) zeros.fixed(285).code(0, 5), made += 258;
    zeros.fixed(256);

    struct Case {
        unsigned code;
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        {kPngEmptyInput, "no bytes", {}},
        {kPngTooShort, "28 bytes", Bytes(good.begin(), good.begin() + 28)},
        {kPngBadSignature, "signature", header(good, 1, 'p')},
        {kPngNoHeader, "first chunk not IHDR", header(good, 12, 'i')},
        {kPngBadCompression, "compression method", header(good, 26, 1)},
        {kPngBadFilterMethod, "filter method", header(good, 27, 1)},
        {kPngBadInterlace, "interlace method", header(good, 28, 2)},
        {kPngBadColourType, "colour type 5", header(good, 25, 5)},
        {kPngBadBitDepth, "RGB at 4 bits", header(header(good, 25, 2), 24, 4)},
        {kPngChunkPastEnd, "29 bytes", Bytes(good.begin(), good.begin() + 29)},
        {kPngChunkPastEnd, "no IEND", Png(okHeader).chunk("IDAT", {0x78, 0x01}).b},
        {kPngChunkTooLong, "length of 2^31", Png(okHeader).chunk("IDAT", {1, 2, 3}, 0x80000000u).b},
        {kPngChunkDataPastEnd, "data past the end", Png(okHeader).chunk("IDAT", {1, 2, 3}, 100).b},
        {kPngPaletteTooLarge, "257 palette entries", Png(okHeader).chunk("PLTE", Bytes(771, 1)).image(okData).b},
        {kPngTransparencyTooLong, "tRNS past the palette",
         Png().ihdr(1, 1, 8, 3).chunk("PLTE", {1, 2, 3}).chunk("tRNS", {1, 2}).image(okData).b},
        {kPngGreyKeyLength, "grey key of 1 byte", Png(okHeader).chunk("tRNS", {1}).image(okData).b},
        {kPngRgbKeyLength, "RGB key of 2 bytes", Png().ihdr(1, 1, 8, 2).chunk("tRNS", {1, 2}).image(okData).b},
        {kPngTransparencyNotAllowed, "tRNS with alpha", Png().ihdr(1, 1, 8, 6).chunk("tRNS", {1}).image(okData).b},
        {kPngUnknownCriticalChunk, "unknown critical chunk", Png(okHeader).chunk("ABCD", {}).image(okData).b},
        {kPngUnknownCriticalChunk, "second IHDR", Png(okHeader).ihdr(1, 1, 8, 0).image(okData).b},
        {kPngZlibTooShort, "one byte of zlib", Png(okHeader).chunk("IDAT", {0x78}).chunk("IEND", {}).b},
        {kPngZlibCheck, "zlib check", Png(okHeader).image(okData, {0x78, 0x02}).b},
        {kPngZlibMethod, "zlib method 9", Png(okHeader).image(okData, {0x79, 0x18}).b},
        {kPngZlibDictionary, "zlib dictionary", Png(okHeader).image(okData, {0x78, 0x20}).b},
        {kPngBlockHeaderPastEnd, "no deflate data", Png(okHeader).image({}).b},
        {kPngBlockHeaderPastEnd, "stored LEN/NLEN cut", Png(okHeader).image({1, 2, 0}).b},
        {kPngStoredLengthMismatch, "LEN + NLEN", Png(okHeader).image({1, 2, 0, 0, 0, 0, 128}).b},
        {kPngStoredDataPastEnd, "stored data cut", Png(okHeader).image({1, 3, 0, 0xFC, 0xFF, 0, 128}).b},
        {kPngBadBlockType, "block type 3", Png(okHeader).image({0x07}).b},
        {kPngDynamicHeaderPastEnd, "dynamic header in the last bytes", Png(okHeader).image({0x05, 0}).b},
        {kPngOverSubscribed, "over-subscribed lengths",
         Png(okHeader).image(Bits().put(1, 1).put(2, 2).put(0, 14).put(1, 3).put(1, 3).put(1, 3).put(0, 8).bytes).b},
        {kPngNoSuchSymbol, "incomplete code, missing sequence",
         Png(okHeader).image(Bits().put(1, 1).put(2, 2).put(0, 10).put(0, 4).put(0, 9).put(1, 3).put(1, 1).put(0, 16).bytes).b},
        {kPngRepeatWithoutPrevious, "repeat of nothing", Png(okHeader).image(dyn({{16, none}})).b},
        {kPngRepeatPastEnd16, "16 past the end", Png(okHeader).image(dyn({{8, none}, {18, {127, 7}}, {18, {107, 7}}, {16, {0, 2}}})).b},
        {kPngRepeatPastEnd17, "17 past the end", Png(okHeader).image(dyn({{8, none}, {18, {127, 7}}, {18, {107, 7}}, {17, {0, 3}}})).b},
        {kPngRepeatPastEnd18, "18 past the end", Png(okHeader).image(dyn({{8, none}, {18, {127, 7}}, {18, {127, 7}}})).b},
        {kPngRepeatBitsPastEnd, "repeat bits past the end",
         Png(okHeader).image(dyn({{8, none}, {8, none}, {8, none}, {8, none}, {8, none}, {17, none}})).b},
        {kPngNoEndOfBlock, "no end-of-block code",
         Png(okHeader).image(dyn({{8, none}, {18, {127, 7}}, {18, {107, 7}}, {1, none}})).b},
        {kPngDataEndsInSymbol, "data ends inside a symbol", Png(okHeader).image(Bits().put(1, 1).put(1, 2).code(1, 3).bytes).b},
        {kPngBadDistanceCode, "distance code 30",
         Png(okHeader).image(Bits().put(1, 1).put(1, 2).fixed(0).fixed(257).code(30, 5).put(0, 8).bytes).b},
        {kPngExtraBitsPastEnd, "length extra bits past the end", [] {
             Bits b;
             b.put(1, 1).put(1, 2);
             for (int i = 0; i < 6; ++i) b.fixed(200);
             b.fixed(265);
             return Png(grey1x1()).image(b.bytes).b;
         }()},
        {kPngDistanceTooFar, "copy before the start", Png(okHeader).image(Bits().put(1, 1).put(1, 2).fixed(257).code(0, 5).bytes).b},
        {kPngImageDataTooShort, "one byte short", Png(okHeader).image(stored({0})).b},
        {kPngImageDataTooShort, "65535 x 65535 in 60 bytes", Png().ihdr(65535, 65535, 8, 6).image(okData).b},
        {kPngEmptyImage, "no width", Png().ihdr(0, 1, 8, 0).image(stored({0})).b},
        {kPngImageTooLarge, "2049 x 2048", Png().ihdr(2049, 2048, 1, 0).image(zeros.bytes).b},
        {kPngOk, "2048 x 2048, the largest", Png().ihdr(2048, 2048, 1, 0).image(zeros.bytes).b},
        {kPngBadFilterType, "filter type 5", Png(okHeader).image(stored({5, 128})).b},
        {kPngPaletteIndex8, "index past the palette", Png().ihdr(1, 1, 8, 3).chunk("PLTE", {1, 2, 3}).image(stored({0, 1})).b},
        {kPngPaletteIndexSmall, "1-bit index past the palette",
         Png().ihdr(1, 1, 1, 3).chunk("PLTE", {1, 2, 3}).image(stored({0, 0x80})).b},
    };
    ASSERT_EQ(decode(good), kPngOk);
    for (const Case& c : cases) EXPECT_EQ(decode(c.file), c.code) << c.what;
}

TEST(PngDecoder, EveryCutAndEveryFlippedByteIsSafe)
{
    for (const char* name : {"rgba8_i.png", "palette2_n.png", "grey16_n.png"}) {
        const Bytes png = readFile(kCorpus / name);
        for (size_t n = 0; n < png.size(); ++n) {
            Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(n));
            cut.shrink_to_fit();  // reads past the end meet the sanitizer
            // Only IEND's CRC, never checked, may be missing.
            if (n + 4 <= png.size())
                EXPECT_NE(decode(cut), kPngOk) << name << " cut at " << n;
            else
                EXPECT_EQ(decode(cut), kPngOk) << name << " cut at " << n;
        }
        for (size_t i = 0; i < png.size(); ++i)
            for (uint8_t x : {0x01, 0x80, 0xFF}) {
                Bytes flipped = png;
                flipped[i] ^= x;
                decode(flipped);  // any answer, but no fault
            }
    }
}

TEST(Image, PixelsArePackedAsArgbAndBadBytesThrow)
{
    const Bytes png = Png().ihdr(2, 1, 8, 6).image(stored({0, 1, 2, 3, 4, 250, 251, 252, 253})).b;
    Vornkit::Image image(png.data(), png.size());
    ASSERT_EQ(image.width, 2u);
    ASSERT_EQ(image.height, 1u);
    EXPECT_EQ(image.pixels[0], 0x04010203u);
    EXPECT_EQ(image.pixels[1], 0xFDFAFBFCu);
    const Bytes notPng{'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_THROW(Vornkit::Image(notPng.data(), notPng.size()), Vornkit::Image::Exception);
    EXPECT_THROW(Vornkit::Image(png.data(), 3), Vornkit::Image::Exception);
    const Bytes damaged(png.begin(), png.end() - 20);
    EXPECT_THROW(Vornkit::Image(damaged.data(), damaged.size()), Vornkit::Image::Exception);
    EXPECT_EQ(Vornkit::loadImageResource(nullptr), nullptr);
    EXPECT_EQ(Vornkit::loadImageResource("NoSuchPicture"), nullptr);
}
