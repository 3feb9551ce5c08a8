// The PNG decoder on arbitrary bytes: an answer for everything, reads only
// inside the input, and a picture exactly as large as it says.
#include <cstdlib>
#include <vector>

#include "render/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> in(data, data + size);
    in.shrink_to_fit();  // exactly the input's size: a read past it is caught
    std::vector<uint8_t> rgba;
    uint32_t width = 0, height = 0;
    const unsigned e = DXBlit::decodePng(in.empty() ? nullptr : in.data(), in.size(), rgba, width, height);
    if (e == DXBlit::kPngOk && rgba.size() != size_t{width} * height * 4) std::abort();
    if (e != DXBlit::kPngOk && !rgba.empty()) std::abort();
    return 0;
}
