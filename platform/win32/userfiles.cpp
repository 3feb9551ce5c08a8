#include <shlobj.h>
#include <windows.h>

#include <cstring>

#include "platform/userfiles.h"

namespace Platform {

namespace {

/// "<step> <path>: <the system's words for the error>".
std::string failed(const char* step, const std::string& path, DWORD error)
{
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = 0;
    std::string reason = std::string(step) + " " + path + ": ";
    return n ? reason + text : reason + "error " + std::to_string(error);
}

bool isFolder(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The file a write to `path` must replace: the path itself, or, where the path
// is a symbolic link, the file it points at, so that the link stays a link.
// Only a file on disk (or nothing) may stand there: a folder, a device ("NUL",
// "\\.\...") or a pipe is never replaced.
bool replaceableTarget(const std::string& path, std::string& target, std::string& reason)
{
    target = path;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            // Nothing there, or a link whose file does not exist yet: it cannot be resolved here.
            const DWORD a = GetFileAttributesA(path.c_str());
            if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
        }
        reason = failed("cannot replace", path, error);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool onDisk = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
                        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    bool ok = onDisk;
    const DWORD a = GetFileAttributesA(path.c_str());
    if (ok && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        char resolved[MAX_PATH * 4] = {};
        const DWORD n = GetFinalPathNameByHandleA(h, resolved, sizeof resolved, FILE_NAME_NORMALIZED);
        ok = n > 0 && n < sizeof resolved;
        if (ok) target = std::strncmp(resolved, "\\\\?\\", 4) == 0 ? resolved + 4 : resolved;
    }
    CloseHandle(h);
    if (!ok) reason = "cannot replace " + path + ": it is not a regular file";
    return ok;
}

class Win32UserFiles final : public IUserFiles {
public:
    bool appDataFolder(std::string& path) override
    {
        char buffer[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return false;
        path = buffer;
        return true;
    }

    ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out) override
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

    bool createFolders(const std::string& path, std::string& reason) override
    {
        // Each missing level from the top down; a drive ("C:") or a share's
        // first levels already exist and answer "already exists" or "denied".
        for (size_t at = 1; at <= path.size(); ++at) {
            if (at < path.size() && path[at] != '\\' && path[at] != '/') continue;
            const std::string level = path.substr(0, at);
            if (isFolder(level) || CreateDirectoryA(level.c_str(), nullptr)) continue;
            const DWORD error = GetLastError();
            if (at == path.size() || (error != ERROR_ACCESS_DENIED && error != ERROR_ALREADY_EXISTS)) {
                reason = failed("cannot create the folder", level, error);
                return false;
            }
        }
        if (isFolder(path)) return true;
        reason = failed("cannot create the folder", path, ERROR_DIRECTORY);
        return false;
    }

    bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string& reason) override
    {
        std::string target;
        if (!replaceableTarget(path, target, reason)) return false;
        const std::string temp = target + ".tmp";
        HANDLE file =
            CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            reason = failed("cannot create", temp, GetLastError());
            return false;
        }
        DWORD error = 0;
        DWORD written = 0;
        if (size > 0 && !WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr)) error = GetLastError();
        if (!error && written != size) error = ERROR_DISK_FULL;
        if (error) reason = failed("cannot write", temp, error);
        if (!error && !FlushFileBuffers(file)) reason = failed("cannot flush", temp, error = GetLastError());
        if (!CloseHandle(file) && !error) reason = failed("cannot close", temp, error = GetLastError());
        if (!error && !MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            reason = failed("cannot replace", path, error = GetLastError());
        if (!error) return true;
        DeleteFileA(temp.c_str());
        return false;
    }
};

}  // namespace

char pathSeparator() { return '\\'; }

IUserFiles& systemUserFiles()
{
    static Win32UserFiles files;
    return files;
}

}  // namespace Platform
