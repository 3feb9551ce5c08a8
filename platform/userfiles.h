// The user's own files: the application-data folder and whole-file access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

/// The current user's application-data folder (Windows: roaming AppData;
/// elsewhere $XDG_CONFIG_HOME, else ~/.config). False when there is none.
bool appDataFolder(std::string& path);

/// The separator between folder and file names on this platform.
char pathSeparator();

enum class ReadResult { Ok, Missing, TooLarge, Failed };

/// Reads a whole file of fewer than limit bytes into out.
ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out);

/// Creates one folder; an existing folder or a failure is not reported.
void createFolder(const std::string& path);

/// Replaces path with exactly these bytes: written to a temporary file in the
/// same folder, flushed and renamed over the old file only when complete. On
/// failure the old file is untouched and the temporary file removed.
bool writeFileReplacing(const std::string& path, const void* data, size_t size);

/// Fault injection for tests: the next writeFileReplacing stops after this
/// many bytes as if the disk were full. Negative disables it.
void failNextWriteAfter(long bytes);

}  // namespace Platform
