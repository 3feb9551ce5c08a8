#include "render/PngDecoder.h"

#include <cstring>

namespace DXBlit {

namespace {

// ---------------------------------------------------------------- inflate

/// Reads the deflate stream least significant bit first. Bits past the end
/// read as 0; every caller that must not run past the end checks first, in
/// the places the error codes name.
class BitReader {
public:
    BitReader(const uint8_t* bytes, size_t size) : data(bytes), bits(uint64_t{size} * 8) {}

    bool atOrPastEnd() const { return pos >= bits; }
    uint64_t position() const { return pos; }
    uint64_t total() const { return bits; }

    unsigned bit()
    {
        const unsigned b = pos < bits ? (data[pos >> 3] >> (pos & 7)) & 1u : 0u;
        ++pos;
        return b;
    }
    unsigned read(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i) v |= bit() << i;
        return v;
    }
    void toByteBoundary() { pos = (pos + 7) & ~uint64_t{7}; }
    void skipBytes(uint64_t n) { pos += n * 8; }

private:
    const uint8_t* data;
    uint64_t bits;
    uint64_t pos = 0;
};

constexpr unsigned kMaxCodeBits = 15;

/// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
    uint16_t count[kMaxCodeBits + 1] = {};
    uint16_t symbol[288] = {};

    /// From code lengths (0: unused). Incomplete codes are accepted; over-subscribed ones are not.
    unsigned build(const uint8_t* lengths, unsigned n)
    {
        std::memset(count, 0, sizeof count);
        for (unsigned s = 0; s < n; ++s) ++count[lengths[s]];
        int left = 1;
        for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
            left = left * 2 - count[len];
            if (left < 0) return kPngOverSubscribed;
        }
        uint16_t offset[kMaxCodeBits + 2] = {};
        for (unsigned len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + count[len];
        for (unsigned s = 0; s < n; ++s)
            if (lengths[s]) symbol[offset[lengths[s]]++] = static_cast<uint16_t>(s);
        return kPngOk;
    }

    /// One symbol, bit by bit from the shortest code up.
    unsigned decode(BitReader& in, unsigned& out) const
    {
        int code = 0, first = 0, index = 0;
        for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
            if (in.atOrPastEnd()) return kPngDataEndsInSymbol;
            code |= static_cast<int>(in.bit());
            const int n = count[len];
            if (code - n < first) {
                out = symbol[index + (code - first)];
                return kPngOk;
            }
            index += n;
            first = (first + n) << 1;
            code <<= 1;
        }
        return kPngNoSuchSymbol;
    }
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

/// The inflated stream: kept up to limit bytes; beyond it bytes are only
/// counted. Nothing past limit is ever needed, and a back-reference from past
/// it only copies bytes that are not kept either.
class Output {
public:
    Output(std::vector<uint8_t>& buffer, uint64_t keep) : out(buffer), limit(keep) {}

    void literal(uint8_t b)
    {
        if (produced < limit) out.push_back(b);
        ++produced;
    }
    unsigned copy(unsigned length, unsigned distance)
    {
        if (distance > produced) return kPngDistanceTooFar;
        for (unsigned i = 0; i < length; ++i) {
            if (produced >= limit) {
                produced += length - i;
                break;
            }
            out.push_back(out[static_cast<size_t>(produced - distance)]);
            ++produced;
        }
        return kPngOk;
    }
    void bytes(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i) literal(p[i]);
    }
    uint64_t size() const { return produced; }

private:
    std::vector<uint8_t>& out;
    uint64_t limit;
    uint64_t produced = 0;
};

unsigned inflateCodes(BitReader& in, Output& out, const Huffman& lit, const Huffman& dist)
{
    for (;;) {
        unsigned sym;
        if (unsigned e = lit.decode(in, sym)) return e;
        if (sym < 256) {
            out.literal(static_cast<uint8_t>(sym));
        } else if (sym == 256) {
            return kPngOk;
        } else if (sym <= 285) {
            if (kLengthExtra[sym - 257] && in.atOrPastEnd()) return kPngExtraBitsPastEnd;
            const unsigned length = kLengthBase[sym - 257] + in.read(kLengthExtra[sym - 257]);
            unsigned d;
            if (unsigned e = dist.decode(in, d)) return e;
            if (d >= 30) return kPngBadDistanceCode;
            if (kDistanceExtra[d] && in.atOrPastEnd()) return kPngExtraBitsPastEnd;
            const unsigned distance = kDistanceBase[d] + in.read(kDistanceExtra[d]);
            if (unsigned e = out.copy(length, distance)) return e;
        } else {
            return kPngNoSuchSymbol;  // 286 and 287 have codes but no meaning
        }
    }
}

unsigned inflateStored(BitReader& in, const uint8_t* data, size_t size, Output& out)
{
    in.toByteBoundary();
    const uint64_t at = in.position() / 8;
    if (at + 4 > size) return kPngBlockHeaderPastEnd;
    const unsigned len = data[at] | data[at + 1] << 8;
    const unsigned nlen = data[at + 2] | data[at + 3] << 8;
    if (len + nlen != 65535) return kPngStoredLengthMismatch;
    if (at + 4 + len > size) return kPngStoredDataPastEnd;
    out.bytes(data + at + 4, len);
    in.skipBytes(4 + len);
    return kPngOk;
}

unsigned inflateDynamic(BitReader& in, Output& out, size_t size)
{
    if (in.position() / 8 + 2 >= size) return kPngDynamicHeaderPastEnd;
    const unsigned hlit = in.read(5) + 257;
    const unsigned hdist = in.read(5) + 1;
    const unsigned hclen = in.read(4) + 4;

    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t clen[19] = {};
    for (unsigned i = 0; i < hclen; ++i) clen[kOrder[i]] = static_cast<uint8_t>(in.read(3));
    Huffman lengthCode;
    if (unsigned e = lengthCode.build(clen, 19)) return e;

    uint8_t lengths[288 + 32] = {};  // literal/length lengths, then distance lengths
    const unsigned total = hlit + hdist;
    for (unsigned i = 0; i < total;) {
        unsigned sym;
        if (unsigned e = lengthCode.decode(in, sym)) return e;
        if (sym < 16) {
            lengths[i++] = static_cast<uint8_t>(sym);
            continue;
        }
        if (sym > 18) return kPngBadCodeLengthSymbol;
        if (in.atOrPastEnd()) return kPngRepeatBitsPastEnd;
        unsigned repeat;
        uint8_t value = 0;
        if (sym == 16) {
            if (i == 0) return kPngRepeatWithoutPrevious;
            value = lengths[i - 1];
            repeat = 3 + in.read(2);
        } else {
            repeat = sym == 17 ? 3 + in.read(3) : 11 + in.read(7);
        }
        if (i + repeat > total)
            return sym == 16 ? kPngRepeatPastEnd16 : sym == 17 ? kPngRepeatPastEnd17 : kPngRepeatPastEnd18;
        while (repeat--) lengths[i++] = value;
    }
    if (lengths[256] == 0) return kPngNoEndOfBlock;

    Huffman lit, dist;
    if (unsigned e = lit.build(lengths, hlit)) return e;
    if (unsigned e = dist.build(lengths + hlit, hdist)) return e;
    return inflateCodes(in, out, lit, dist);
}

unsigned inflate(const uint8_t* data, size_t size, Output& out)
{
    static const struct Fixed {
        Huffman lit, dist;
        Fixed()
        {
            uint8_t l[288];
            for (unsigned s = 0; s < 288; ++s) l[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
            lit.build(l, 288);
            uint8_t d[32];
            std::memset(d, 5, sizeof d);
            dist.build(d, 32);
        }
    } fixed;

    BitReader in(data, size);
    for (;;) {
        if (in.atOrPastEnd()) return kPngBlockHeaderPastEnd;
        const unsigned final = in.bit();
        const unsigned type = in.read(2);
        unsigned e;
        switch (type) {
            case 0:
                e = inflateStored(in, data, size, out);
                break;
            case 1:
                e = inflateCodes(in, out, fixed.lit, fixed.dist);
                break;
            case 2:
                e = inflateDynamic(in, out, size);
                break;
            default:
                return kPngBadBlockType;
        }
        if (e) return e;
        if (final) return kPngOk;
    }
}

// ---------------------------------------------------------------- image

uint32_t bigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

bool isType(const uint8_t* p, const char* type) { return std::memcmp(p, type, 4) == 0; }

/// a x b, held at the largest value instead of wrapping.
uint64_t mulSat(uint64_t a, uint64_t b) { return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b; }
uint64_t addSat(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

struct Header {
    uint32_t width, height;
    unsigned depth, colourType, interlace;
    unsigned channels() const
    {
        switch (colourType) {
            case 2:
                return 3;
            case 4:
                return 2;
            case 6:
                return 4;
            default:
                return 1;
        }
    }
    unsigned bitsPerPixel() const { return depth * channels(); }
    uint64_t rowBytes(uint64_t w) const { return addSat(mulSat(w, bitsPerPixel()), 7) / 8; }
};

/// One sub-image of the stream: every pixel of a non-interlaced image, or one Adam7 pass.
struct Pass {
    uint32_t x0, y0, dx, dy;
    uint64_t width, height;
};

std::vector<Pass> passesOf(const Header& h)
{
    if (h.interlace == 0) return {{0, 0, 1, 1, h.width, h.height}};
    static constexpr uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<Pass> passes;
    for (const auto& a : kAdam7) {
        const uint64_t w = h.width > a[0] ? (uint64_t{h.width} - a[0] + a[2] - 1) / a[2] : 0;
        const uint64_t rows = h.height > a[1] ? (uint64_t{h.height} - a[1] + a[3] - 1) / a[3] : 0;
        if (w && rows) passes.push_back({a[0], a[1], a[2], a[3], w, rows});  // empty passes have no bytes
    }
    return passes;
}

uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

/// Undoes the filters of a pass in place; rows keep their leading filter byte.
unsigned unfilter(uint8_t* rows, uint64_t rowBytes, uint64_t height, unsigned bytesPerPixel)
{
    const uint8_t* previous = nullptr;
    for (uint64_t y = 0; y < height; ++y) {
        uint8_t* row = rows + y * (rowBytes + 1);
        const unsigned type = row[0];
        if (type > 4) return kPngBadFilterType;
        uint8_t* r = row + 1;
        const uint8_t* up = previous ? previous + 1 : nullptr;
        for (uint64_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bytesPerPixel ? r[i - bytesPerPixel] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= bytesPerPixel ? up[i - bytesPerPixel] : 0;
            switch (type) {
                case 0:
                    break;
                case 1:
                    r[i] = static_cast<uint8_t>(r[i] + a);
                    break;
                case 2:
                    r[i] = static_cast<uint8_t>(r[i] + b);
                    break;
                case 3:
                    r[i] = static_cast<uint8_t>(r[i] + ((a + b) >> 1));
                    break;
                default:
                    r[i] = static_cast<uint8_t>(r[i] + paeth(a, b, c));
                    break;
            }
        }
        previous = row;
    }
    return kPngOk;
}

struct Colours {
    uint8_t palette[256][4];
    unsigned entries = 0;
    bool keyed = false;
    uint16_t key[3] = {};
};

/// Sample i (0-based, of `depth` bits) of a row.
unsigned sampleAt(const uint8_t* row, uint64_t i, unsigned depth)
{
    switch (depth) {
        case 8:
            return row[i];
        case 16:
            return static_cast<unsigned>(row[2 * i]) << 8 | row[2 * i + 1];
        default: {
            const uint64_t bit = i * depth;
            return (row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
        }
    }
}

/// Writes one pass's pixels as RGBA at their places in the image.
unsigned convert(const uint8_t* rows, uint64_t rowBytes, const Pass& pass, const Header& h, const Colours& k,
                 uint8_t* rgba)
{
    const unsigned n = h.channels();
    const unsigned d = h.depth;
    auto eight = [d](unsigned s) {  // a sample as 8 bits
        return static_cast<uint8_t>(d == 16 ? s >> 8 : d == 8 ? s : s * 255 / ((1u << d) - 1));
    };
    for (uint64_t y = 0; y < pass.height; ++y) {
        const uint8_t* row = rows + y * (rowBytes + 1) + 1;
        uint8_t* line = rgba + (uint64_t{pass.y0} + y * pass.dy) * h.width * 4;
        for (uint64_t x = 0; x < pass.width; ++x) {
            uint8_t* p = line + (uint64_t{pass.x0} + x * pass.dx) * 4;
            unsigned s[4];
            for (unsigned c = 0; c < n; ++c) s[c] = sampleAt(row, x * n + c, d);
            switch (h.colourType) {
                case 0:
                    p[0] = p[1] = p[2] = eight(s[0]);
                    p[3] = k.keyed && s[0] == k.key[0] ? 0 : 255;
                    break;
                case 2:
                    p[0] = eight(s[0]), p[1] = eight(s[1]), p[2] = eight(s[2]);
                    p[3] = k.keyed && s[0] == k.key[0] && s[1] == k.key[1] && s[2] == k.key[2] ? 0 : 255;
                    break;
                case 3:
                    if (s[0] >= k.entries) return d == 8 ? kPngPaletteIndex8 : kPngPaletteIndexSmall;
                    std::memcpy(p, k.palette[s[0]], 4);
                    break;
                case 4:
                    p[0] = p[1] = p[2] = eight(s[0]);
                    p[3] = eight(s[1]);
                    break;
                default:
                    p[0] = eight(s[0]), p[1] = eight(s[1]), p[2] = eight(s[2]), p[3] = eight(s[3]);
                    break;
            }
        }
    }
    return kPngOk;
}

bool depthAllowed(unsigned colourType, unsigned depth)
{
    switch (colourType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default:
            return depth == 8 || depth == 16;
    }
}

unsigned decode(const uint8_t* in, size_t size, std::vector<uint8_t>& rgba, Header& h)
{
    if (!in || size == 0) return kPngEmptyInput;
    if (size <= 28) return kPngTooShort;
    static constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (std::memcmp(in, kSignature, 8) != 0) return kPngBadSignature;
    if (!isType(in + 12, "IHDR")) return kPngNoHeader;
    h.width = bigEndian32(in + 16);
    h.height = bigEndian32(in + 20);
    h.depth = in[24];
    h.colourType = in[25];
    h.interlace = in[28];
    if (in[26] != 0) return kPngBadCompression;
    if (in[27] != 0) return kPngBadFilterMethod;
    if (h.interlace > 1) return kPngBadInterlace;
    if (h.colourType > 6 || h.colourType == 1 || h.colourType == 5) return kPngBadColourType;
    if (!depthAllowed(h.colourType, h.depth)) return kPngBadBitDepth;

    // Chunk walk. Every position is checked against the size before it is read.
    std::vector<uint8_t> zlib;
    Colours colours;
    for (size_t p = 33;;) {
        if (p >= size || size - p <= 8) return kPngChunkPastEnd;
        const uint32_t length = bigEndian32(in + p);
        if (length > 2147483647u) return kPngChunkTooLong;
        if (length > size - p - 8) return kPngChunkDataPastEnd;
        const uint8_t* type = in + p + 4;
        const uint8_t* body = in + p + 8;
        if (isType(type, "IDAT")) {
            zlib.insert(zlib.end(), body, body + length);
        } else if (isType(type, "IEND")) {
            break;
        } else if (isType(type, "PLTE")) {
            colours.entries = length / 3;
            if (colours.entries > 256) return kPngPaletteTooLarge;
            for (unsigned i = 0; i < colours.entries; ++i) {
                std::memcpy(colours.palette[i], body + 3 * i, 3);
                colours.palette[i][3] = 255;
            }
        } else if (isType(type, "tRNS")) {
            if (h.colourType == 3) {
                if (length > colours.entries) return kPngTransparencyTooLong;
                for (uint32_t i = 0; i < length; ++i) colours.palette[i][3] = body[i];
            } else if (h.colourType == 0) {
                if (length != 2) return kPngGreyKeyLength;
                colours.keyed = true;
                colours.key[0] = static_cast<uint16_t>(body[0] << 8 | body[1]);
            } else if (h.colourType == 2) {
                if (length != 6) return kPngRgbKeyLength;
                colours.keyed = true;
                for (int c = 0; c < 3; ++c) colours.key[c] = static_cast<uint16_t>(body[2 * c] << 8 | body[2 * c + 1]);
            } else {
                return kPngTransparencyNotAllowed;
            }
        } else if (!(type[0] & 0x20)) {
            return kPngUnknownCriticalChunk;  // a second IHDR too
        }
        p += 12 + size_t{length};  // the CRC is skipped, never checked
    }

    // zlib header; the Adler-32 checksum is ignored.
    if (zlib.size() < 2) return kPngZlibTooShort;
    if ((zlib[0] * 256 + zlib[1]) % 31 != 0) return kPngZlibCheck;
    if ((zlib[0] & 15) != 8 || (zlib[0] >> 4) > 7) return kPngZlibMethod;
    if (zlib[1] & 0x20) return kPngZlibDictionary;

    const std::vector<Pass> passes = passesOf(h);
    uint64_t expected = 0;
    for (const Pass& pass : passes) expected = addSat(expected, mulSat(pass.height, addSat(h.rowBytes(pass.width), 1)));
    const bool tooLarge = mulSat(h.width, h.height) > kPngMaxPixels;

    std::vector<uint8_t> raw;
    Output out(raw, tooLarge ? 0 : expected);
    if (unsigned e = inflate(zlib.data() + 2, zlib.size() - 2, out)) return e;
    if (h.width == 0 || h.height == 0) return kPngEmptyImage;
    if (out.size() < expected) return kPngImageDataTooShort;
    if (tooLarge) return kPngImageTooLarge;

    const unsigned bytesPerPixel = (h.bitsPerPixel() + 7) / 8;
    uint64_t at = 0;
    for (const Pass& pass : passes) {
        const uint64_t rowBytes = h.rowBytes(pass.width);
        if (unsigned e = unfilter(raw.data() + at, rowBytes, pass.height, bytesPerPixel)) return e;
        at += pass.height * (rowBytes + 1);
    }

    rgba.assign(size_t{h.width} * h.height * 4, 0);
    at = 0;
    for (const Pass& pass : passes) {
        const uint64_t rowBytes = h.rowBytes(pass.width);
        if (unsigned e = convert(raw.data() + at, rowBytes, pass, h, colours, rgba.data())) return e;
        at += pass.height * (rowBytes + 1);
    }
    return kPngOk;
}

}  // namespace

unsigned decodePng(const uint8_t* data, size_t size, std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height)
{
    rgba.clear();
    Header h{};
    const unsigned e = decode(data, size, rgba, h);
    if (e) {
        rgba.clear();
        rgba.shrink_to_fit();
        return e;
    }
    width = h.width;
    height = h.height;
    return kPngOk;
}

}  // namespace DXBlit
