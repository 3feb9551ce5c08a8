#include "platform/userfiles.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<IUserFiles> seam(systemUserFiles);
}

bool appDataFolder(std::string& path) { return seam.get().appDataFolder(path); }

ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out)
{
    return seam.get().readWholeFile(path, limit, out);
}

bool createFolders(const std::string& path, std::string* reason)
{
    std::string why;
    const bool ok = seam.get().createFolders(path, why);
    if (reason) *reason = why;
    return ok;
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string* reason)
{
    std::string why;
    const bool ok = seam.get().writeFileReplacing(path, data, size, why);
    if (reason) *reason = why;
    return ok;
}

IUserFiles* setUserFiles(IUserFiles* files) { return seam.install(files); }

}  // namespace Platform
