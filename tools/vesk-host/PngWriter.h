// PNG files from 32-bit pixels, for screenshots and drawing checks. The image
// data is stored, not compressed: the files are small enough, and the encoder
// stays a few lines that the plug-in's own decoder reads back.
#pragma once

#include <cstdint>
#include <vector>

namespace HostKit {

/// 8-bit RGBA PNG of width x height words 0xAARRGGBB, rows from the top.
std::vector<uint8_t> encodePng(const uint32_t* pixels, uint32_t width, uint32_t height);

}  // namespace HostKit
