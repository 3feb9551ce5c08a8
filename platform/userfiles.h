// The user's own files: the application-data folder and whole-file access.
//
// Contract: the folder is the current user's application-data folder
// (Windows: roaming AppData from the shell; elsewhere $XDG_CONFIG_HOME when it
// is an absolute path, else ~/.config). Reads are bounded and whole: a file is
// read completely or not at all. Writes are atomic: a file is replaced only by
// a complete, flushed copy, so a failure at any step leaves the old file as it
// was and no temporary file behind. Only a regular file (or nothing) is
// replaced: a symbolic link stays a link and the file it points at gets the
// bytes; a folder, device or pipe at the path is refused and left as it is.
// Failures are answered, never thrown;
// writes say why in words a user can act on. [GUI thread]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

enum class ReadResult { Ok, Missing, TooLarge, Failed };

class IUserFiles {
public:
    virtual ~IUserFiles() = default;
    /// False when the platform has no such folder for this user.
    virtual bool appDataFolder(std::string& path) = 0;
    /// A whole regular file of fewer than limit bytes into out (emptied on any failure).
    virtual ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out) = 0;
    /// The folder and every missing folder above it; true when it exists afterwards.
    virtual bool createFolders(const std::string& path, std::string& reason) = 0;
    /// Replaces path (or the file its links point at) with exactly these bytes: a
    /// temporary file in the same folder, written, flushed and renamed over the
    /// old file only when complete.
    virtual bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string& reason) = 0;
};

bool appDataFolder(std::string& path);
ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out);
/// reason, when given, receives why a failure happened.
bool createFolders(const std::string& path, std::string* reason = nullptr);
bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string* reason = nullptr);

/// The separator between folder and file names on this platform.
char pathSeparator();

/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IUserFiles* setUserFiles(IUserFiles* files);
IUserFiles& systemUserFiles();

}  // namespace Platform
