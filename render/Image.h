// Pictures decoded from PNG into 32-bit pixels, and the library's own picture resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "render/Device.h"

namespace Vornkit {

class Image {
public:
    /// Bad picture data; carries no text.
    class Exception : public std::exception {};

    /// Decodes PNG bytes. Throws Exception for anything that is not a PNG the decoder accepts.
    Image(const uint8_t* bytes, size_t size);
    virtual ~Image();

    /// A texture of the picture on `device`; the caller releases it before the device goes.
    DXBlit::StaticTexture* createTexture(DXBlit::Device& device) const;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    uint32_t width = 0;
    uint32_t height = 0;
    /// 0xAARRGGBB, rows from the top, each row right after the previous one.
    std::unique_ptr<uint32_t[]> pixels;
};

/// The PNG resource of this library with that name (without regard to case),
/// decoded; null for a null name or no such resource. A resource that does not
/// decode throws Image::Exception.
std::unique_ptr<Image> loadImageResource(const char* name);

}  // namespace Vornkit
