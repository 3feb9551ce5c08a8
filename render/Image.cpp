#include "render/Image.h"

#include <algorithm>
#include <vector>

#include "platform/resources.h"
#include "render/PngDecoder.h"

namespace Vornkit {

Image::Image(const uint8_t* bytes, size_t size)
{
    static constexpr uint8_t kPngStart[4] = {0x89, 0x50, 0x4E, 0x47};
    if (!bytes || size < 4 || std::equal(kPngStart, kPngStart + 4, bytes) == false) throw Exception();
    std::vector<uint8_t> rgba;
    if (DXBlit::decodePng(bytes, size, rgba, width, height) != DXBlit::kPngOk) throw Exception();
    const size_t count = size_t{width} * height;
    pixels.reset(new uint32_t[count]);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &rgba[4 * i];
        pixels[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                    static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
}

Image::~Image() = default;

DXBlit::StaticTexture* Image::createTexture(DXBlit::Device& device) const
{
    DXBlit::StaticTexture* texture = device.createStaticTexture(width, height);
    try {
        texture->upload(pixels.get(), width, 0, 0, width, height);
    } catch (...) {
        texture->release();
        throw;
    }
    return texture;
}

std::unique_ptr<Image> loadImageResource(const char* name)
{
    Platform::ResourceBytes res;
    if (!name || !Platform::findResource("PNG", name, res)) return nullptr;
    return std::make_unique<Image>(res.data, res.size);
}

}  // namespace Vornkit
