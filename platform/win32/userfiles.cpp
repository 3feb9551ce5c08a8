#include <windows.h>
#include <shlobj.h>

#include <atomic>

#include "platform/userfiles.h"

namespace Platform {

namespace {
std::atomic<long> writeFault{-1};
}

bool appDataFolder(std::string& path)
{
    char buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return false;
    path = buffer;
    return true;
}

char pathSeparator() { return '\\'; }

ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out)
{
    out.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ReadResult::Missing;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        return ReadResult::Failed;
    }
    if (static_cast<unsigned long long>(size.QuadPart) >= limit) {
        CloseHandle(file);
        return ReadResult::TooLarge;
    }
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    BOOL ok = out.empty() ? TRUE : ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
    CloseHandle(file);
    if (!ok || got != out.size()) {
        out.clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

void createFolder(const std::string& path)
{
    CreateDirectoryA(path.c_str(), nullptr);
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size)
{
    const std::string temp = path + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;

    size_t allowed = size;
    long fault = writeFault.exchange(-1);
    if (fault >= 0 && static_cast<size_t>(fault) < size) allowed = static_cast<size_t>(fault);

    DWORD written = 0;
    BOOL ok = allowed == 0 ? TRUE : WriteFile(file, data, static_cast<DWORD>(allowed), &written, nullptr);
    ok = ok && written == size && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileA(temp.c_str());
    return false;
}

void failNextWriteAfter(long bytes) { writeFault.store(bytes); }

}  // namespace Platform
