// The user defaults file and the factory bank: where a new instance starts from.
#include <cstdio>
#include <cstring>

#include "core/Plug.h"
#include "platform/dialogs.h"
#include "platform/resources.h"
#include "platform/userfiles.h"

namespace PlugCore {

namespace {

constexpr size_t kDefaultsLimit = 0x100000;  // files of 1 MiB or more are ignored
constexpr size_t kFxbHeader = 160;           // opaque-chunk bank header before the chunk

uint32_t bigEndian32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void showSaveError(const char* product, const std::string& path, const std::string& reason)
{
    char caption[64];
    std::snprintf(caption, sizeof caption, "%s error", product);
    const std::string text =
        "The defaults could not be saved" + (path.empty() ? "" : " to\n" + path) + ".\n\n" + reason;
    Platform::messageBox(text.c_str(), caption, Platform::kMbTaskModal | Platform::kMbIconError);
}

}  // namespace

bool Plug::defaultsPath(std::string& path) const
{
    std::string folder;
    if (!Platform::appDataFolder(folder)) return false;
    const char sep = Platform::pathSeparator();
    path = folder + sep + "Morlenvale" + sep + productName + ".defaults";
    return true;
}

void Plug::loadFactoryBank()
{
    for (int32_t p = 0; p < numPrograms; ++p) snapshotProgram(p);

    Platform::ResourceBytes res;
    if (!Platform::findResource("FXB", "FactoryBank", res)) return;

    const char* error = nullptr;
    const size_t size = res.size;
    const uint8_t* b = res.data;
    if (size < 4 || bigEndian32(b) != fourCC('C', 'c', 'n', 'K'))
        error = "Bad chunk magic in factory bank!";
    else if (size < 12 || bigEndian32(b + 8) != fourCC('F', 'B', 'C', 'h'))
        error = "Invalid chunk type in factory bank!";
    else if (size < kFxbHeader || uint64_t{bigEndian32(b + 4)} + 8 > size ||
             uint64_t{bigEndian32(b + 156)} + kFxbHeader > size)
        error = "Truncated or corrupt factory bank!";

    if (error) {
        Platform::messageBox(error, productName, Platform::kMbTaskModal | Platform::kMbIconError);
        return;
    }
    loadState(b + kFxbHeader, bigEndian32(b + 156));
}

void Plug::loadDefaults()
{
    std::string path;
    if (!defaultsPath(path)) return;
    std::vector<uint8_t> bytes;
    if (Platform::readWholeFile(path, kDefaultsLimit, bytes) != Platform::ReadResult::Ok) return;
    loadState(bytes.data(), bytes.size());
    adoptDefaults();
}

void Plug::saveDefaults()
{
    std::vector<uint8_t> buffer;
    serializeState(false, buffer);
    // The user asked for this save and believes it happened unless told: every
    // failure is reported, and a failed save keeps the old file and the old
    // reset targets.
    std::string path, reason;
    if (!defaultsPath(path)) {
        showSaveError(productName, "", "this account has no folder for application data");
        return;
    }
    const std::string folder = path.substr(0, path.find_last_of(Platform::pathSeparator()));
    if (!Platform::createFolders(folder, &reason) ||
        !Platform::writeFileReplacing(path, buffer.data(), buffer.size(), &reason)) {
        showSaveError(productName, path, reason);
        return;
    }
    adoptDefaults();
}

}  // namespace PlugCore
