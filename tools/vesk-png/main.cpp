// vesk-png: the plug-in's PNG decoder on the command line.
//   vesk-png decode IN.png OUT.rgba
// prints "ok WIDTH HEIGHT" and writes the RGBA bytes (rows from the top, 4 bytes
// a pixel), or prints "error CODE" and writes nothing. Exit status 0 either way;
// 2 for a usage error or an input that cannot be read, 1 when OUT cannot be written.
//   vesk-png compare A.png B.png [--tolerance N]
// prints the largest channel difference and how many pixels differ by more
// than N (default 0); exit status 1 when any does or the sizes differ.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/userfiles.h"
#include "render/PngDecoder.h"

namespace {

int usage()
{
    std::fputs("usage: vesk-png decode IN.png OUT.rgba\n"
               "       vesk-png compare A.png B.png [--tolerance N]\n",
               stderr);
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

struct Picture {
    std::vector<uint8_t> rgba;
    uint32_t width = 0, height = 0;
};

// 0 when read and decoded; otherwise the exit status, with the reason on stderr.
int load(const char* path, Picture& p)
{
    std::vector<uint8_t> png;
    if (!readAll(path, png)) {
        std::fprintf(stderr, "vesk-png: cannot read '%s'\n", path);
        return 2;
    }
    if (const unsigned e = DXBlit::decodePng(png.data(), png.size(), p.rgba, p.width, p.height)) {
        std::fprintf(stderr, "vesk-png: '%s' does not decode (error %u)\n", path, e);
        return 1;
    }
    return 0;
}

int compare(int argc, char** argv)
{
    long tolerance = 0;
    if (argc == 6 && std::strcmp(argv[4], "--tolerance") == 0) {
        char* end = nullptr;
        tolerance = std::strtol(argv[5], &end, 10);
        if (*end || tolerance < 0 || tolerance > 255) return usage();
    } else if (argc != 4) {
        return usage();
    }
    Picture a, b;
    if (int s = load(argv[2], a)) return s;
    if (int s = load(argv[3], b)) return s;
    if (a.width != b.width || a.height != b.height) {
        std::printf("sizes differ: %u x %u and %u x %u\n", a.width, a.height, b.width, b.height);
        return 1;
    }
    long largest = 0, over = 0, firstX = -1, firstY = -1;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        long worst = 0;
        for (size_t k = 0; k < 4; ++k) worst = std::max(worst, std::labs(long{a.rgba[i + k]} - b.rgba[i + k]));
        largest = std::max(largest, worst);
        if (worst > tolerance && over++ == 0) {
            firstX = static_cast<long>(i / 4 % a.width);
            firstY = static_cast<long>(i / 4 / a.width);
        }
    }
    std::printf("largest difference %ld; %ld pixels beyond %ld", largest, over, tolerance);
    if (over) std::printf(", the first at %ld, %ld", firstX, firstY);
    std::printf("\n");
    return over ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "compare") == 0) return compare(argc, argv);
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
