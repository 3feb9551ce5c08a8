// The PNG decoder of the editor's pictures: bytes in, 8-bit RGBA out, or the
// code of the first thing wrong with the bytes. zlib and deflate (RFC 1950,
// 1951), the scanline filters and Adam7 interlacing follow the PNG standard.
//
// Whatever the bytes, the decoder reads and writes only inside its buffers,
// checks its size arithmetic, and allocates no more than the data justifies:
// the inflated stream grows only as the compressed data produces it, and never
// beyond what the image needs. No OpenGL, no platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DXBlit {

/// Why a PNG was refused. The first failing check decides, in this order:
/// input, signature, header, colour type and depth, chunk walk, zlib header,
/// inflate, image size, filters, colour conversion.
enum PngError : unsigned {
    kPngOk = 0,
    // Inflate (RFC 1951)
    kPngDataEndsInSymbol = 10,      ///< the data ends before a Huffman symbol is complete
    kPngNoSuchSymbol = 11,          ///< a bit sequence leads to no symbol of the code
    kPngRepeatPastEnd16 = 13,       ///< code-length repeat (16) runs past HLIT + HDIST
    kPngRepeatPastEnd17 = 14,       ///< zero repeat (17) runs past HLIT + HDIST
    kPngRepeatPastEnd18 = 15,       ///< long zero repeat (18) runs past HLIT + HDIST
    kPngBadCodeLengthSymbol = 16,   ///< a code-length symbol above 18
    kPngBadDistanceCode = 18,       ///< distance code 30 or 31
    kPngBadBlockType = 20,          ///< block type 3
    kPngStoredLengthMismatch = 21,  ///< LEN + NLEN is not 65535
    kPngStoredDataPastEnd = 23,     ///< a stored block's data runs past the end
    // zlib header (RFC 1950)
    kPngZlibCheck = 24,       ///< (CMF x 256 + FLG) is not a multiple of 31
    kPngZlibMethod = 25,      ///< method not 8, or window above 32 KiB
    kPngZlibDictionary = 26,  ///< a preset dictionary is asked for
    // Input, signature and header
    kPngTooShort = 27,  ///< 28 bytes or fewer
    kPngBadSignature = 28,
    kPngNoHeader = 29,      ///< bytes 12..15 are not "IHDR"
    kPngChunkPastEnd = 30,  ///< a chunk header at or past the end, or no "IEND"
    kPngBadColourType = 31,
    kPngBadCompression = 32,          ///< compression method not 0
    kPngBadFilterMethod = 33,         ///< filter method not 0
    kPngBadInterlace = 34,            ///< interlace method above 1
    kPngChunkDataPastEnd = 35,        ///< a chunk's data runs past the end
    kPngBadFilterType = 36,           ///< a scanline filter type above 4
    kPngBadBitDepth = 37,             ///< a bit depth the colour type does not allow
    kPngPaletteTooLarge = 38,         ///< more than 256 palette entries
    kPngTransparencyTooLong = 39,     ///< more tRNS alpha bytes than palette entries
    kPngGreyKeyLength = 40,           ///< tRNS of a grey image is not 2 bytes
    kPngRgbKeyLength = 41,            ///< tRNS of an RGB image is not 6 bytes
    kPngTransparencyNotAllowed = 42,  ///< tRNS with an alpha channel
    kPngPaletteIndex8 = 46,           ///< a palette index beyond the palette, depth 8
    kPngPaletteIndexSmall = 47,       ///< a palette index beyond the palette, depth below 8
    kPngEmptyInput = 48,
    kPngDynamicHeaderPastEnd = 49,   ///< a dynamic block header within the last 2 bytes
    kPngRepeatBitsPastEnd = 50,      ///< a repeat code's extra bits at or past the end
    kPngExtraBitsPastEnd = 51,       ///< length or distance extra bits at or past the end
    kPngBlockHeaderPastEnd = 52,     ///< a block header, or a stored block's LEN/NLEN, past the end
    kPngZlibTooShort = 53,           ///< fewer than 2 bytes of zlib data
    kPngRepeatWithoutPrevious = 54,  ///< code-length repeat (16) before any length
    kPngOverSubscribed = 55,         ///< code lengths over-subscribe the code space
    kPngChunkTooLong = 63,           ///< a chunk length above 2^31 - 1
    kPngNoEndOfBlock = 64,           ///< the end-of-block code has length 0
    kPngUnknownCriticalChunk = 69,   ///< a critical chunk this decoder does not know
    // Our own, for damage the format's codes leave open
    kPngImageDataTooShort = 91,  ///< the inflated data is shorter than the image needs
    kPngDistanceTooFar = 92,     ///< a back-reference reaches before the start of the output
    kPngEmptyImage = 93,         ///< width or height is 0
    kPngImageTooLarge = 95,      ///< more pixels than kPngMaxPixels
};

/// The largest image accepted: 4,194,304 pixels (2048 x 2048, 16 MiB of RGBA),
/// over half as much again as the largest picture the editor draws (its knob
/// artwork at three times its size). Larger pictures are refused before any
/// of their data is kept: a valid one at the limit peaks at about 50 MiB (16-bit
/// RGBA: the inflated rows and the output).
constexpr uint64_t kPngMaxPixels = uint64_t{1} << 22;

/// Decodes a PNG into rgba (4 bytes a pixel, R, G, B, straight A, rows from the
/// top). On success returns kPngOk and sets width and height; otherwise returns
/// the error and leaves rgba empty.
unsigned decodePng(const uint8_t* data, size_t size, std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height);

}  // namespace DXBlit
