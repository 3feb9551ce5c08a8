// The pictures and the font the editor loads: found by type and name in any
// case, with exactly the bytes of the files in resources/. On Windows they are
// looked up in Vesk2.dll as loaded by a host; elsewhere in the generated table
// the library links, which must also be inside Vesk2.so. The pictures decode
// to the sizes the editor cuts them at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/resources.h"
#include "platform/system.h"
#include "render/Image.h"

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifndef _WIN32
bool contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}
#endif

}  // namespace

TEST(EmbeddedResources, FoundByNameInAnyCaseWithTheCommittedBytes)
{
#ifdef _WIN32
    HMODULE dll = LoadLibraryA(VESK_PLUGIN_FILE);
    ASSERT_NE(dll, nullptr);
    void* previousModule = Platform::moduleHandle();
    Platform::setModuleHandle(dll);  // the lookups below search the DLL, as its own code does
#else
    const std::vector<uint8_t> library = fileBytes(VESK_PLUGIN_FILE);
    ASSERT_FALSE(library.empty());
#endif

    struct Row {
        const char* type;
        const char* name;
        const char* file;
    };
    const Row rows[] = {
        {"PNG", "COMMONTEXTURES", "commonTextures.png"},
        {"png", "commonTextures", "commonTextures.png"},
        {"PNG", "texture", "texture.png"},
        {"Png", "Texture", "texture.png"},
        {"TTF", "VERA", "Vera.ttf"},
        {"ttf", "Vera", "Vera.ttf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.type) + " " + row.name);
        const std::vector<uint8_t> expected = fileBytes(std::string(VESK_SOURCE_DIR "/resources/") + row.file);
        ASSERT_FALSE(expected.empty()) << "resources/" << row.file << " is unreadable";
        Platform::ResourceBytes found;
        ASSERT_TRUE(Platform::findResource(row.type, row.name, found));
        ASSERT_EQ(found.size, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), found.data));
#ifdef _WIN32
        EXPECT_NE(FindResourceExA(dll, row.type, row.name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), nullptr)
            << "stored as US English";
#else
        EXPECT_TRUE(contains(library, expected)) << "missing from " << VESK_PLUGIN_FILE;
#endif
    }
    EXPECT_EQ(fileBytes(VESK_SOURCE_DIR "/resources/Vera.ttf").size(), 65932u) << "Bitstream Vera Sans 1.10";

    // A name under the wrong type, or a near miss, is not found.
    for (const Row& miss : {Row{"TTF", "TEXTURE", ""}, Row{"PNG", "VERA", ""}, Row{"PNG", "TEXTURES", ""},
                            Row{"PNG", "TEXTUR", ""}}) {
        Platform::ResourceBytes none;
        EXPECT_FALSE(Platform::findResource(miss.type, miss.name, none)) << miss.type << " " << miss.name;
        EXPECT_EQ(none.data, nullptr);
    }

    // The editor's pictures decode through the loader it uses, at their sizes;
    // the background is opaque everywhere.
    struct Picture {
        const char* name;
        uint32_t width, height;
        bool opaque;
    };
    for (const Picture& p : {Picture{"commonTextures", 600, 480, false}, Picture{"Texture", 560, 170, true}}) {
        const std::unique_ptr<Vornkit::Image> image = Vornkit::loadImageResource(p.name);
        ASSERT_NE(image, nullptr) << p.name;
        EXPECT_EQ(image->width, p.width) << p.name;
        EXPECT_EQ(image->height, p.height) << p.name;
        const uint32_t* px = image->pixels.get();
        const size_t n = size_t{image->width} * image->height;
        const bool allOpaque = std::all_of(px, px + n, [](uint32_t v) { return v >> 24 == 255; });
        EXPECT_TRUE(allOpaque || !p.opaque) << p.name;
    }
    EXPECT_EQ(Vornkit::loadImageResource("Vera"), nullptr) << "a font is no picture";

#ifdef _WIN32
    Platform::setModuleHandle(previousModule);
    FreeLibrary(dll);
#endif
}
