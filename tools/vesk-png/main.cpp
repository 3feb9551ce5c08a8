// vesk-png: the plug-in's PNG decoder on the command line.
//   vesk-png decode IN.png OUT.rgba
// prints "ok WIDTH HEIGHT" and writes the RGBA bytes (rows from the top, 4 bytes
// a pixel), or prints "error CODE" and writes nothing. Exit status 0 either way;
// 2 for a usage error or an input that cannot be read, 1 when OUT cannot be written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/userfiles.h"
#include "render/PngDecoder.h"

namespace {

int usage()
{
    std::fputs("usage: vesk-png decode IN.png OUT.rgba\n", stderr);
    return 2;
}

bool readAll(const char* path, std::vector<uint8_t>& out)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) out.insert(out.end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::strcmp(argv[1], "decode") != 0) return usage();
    std::vector<uint8_t> png;
    if (!readAll(argv[2], png)) {
        std::fprintf(stderr, "vesk-png: cannot read '%s'\n", argv[2]);
        return 2;
    }
    std::vector<uint8_t> rgba;
    uint32_t width = 0, height = 0;
    const unsigned e = DXBlit::decodePng(png.data(), png.size(), rgba, width, height);
    if (e) {
        std::printf("error %u\n", e);
        return 0;
    }
    std::string reason;
    if (!Platform::writeFileReplacing(argv[3], rgba.data(), rgba.size(), &reason)) {
        std::fprintf(stderr, "vesk-png: %s\n", reason.c_str());
        return 1;
    }
    std::printf("ok %u %u\n", width, height);
    return 0;
}
