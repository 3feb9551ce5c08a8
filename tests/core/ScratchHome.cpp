#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/userfiles.h"
#include "tests/core/TestEffect.h"

namespace fs = std::filesystem;

namespace CoreTest {

#if defined(_WIN32)

// Windows takes the application-data folder from the shell (the Wine prefix's
// AppData under test): there is nothing to redirect, so tests use it as it is
// and pick product names of their own.
ScratchConfigHome::ScratchConfigHome(const std::string&)
{
    Platform::appDataFolder(folder);
}

ScratchConfigHome::~ScratchConfigHome() = default;

#else

ScratchConfigHome::ScratchConfigHome(const std::string& name)
{
    const char* current = std::getenv("XDG_CONFIG_HOME");
    hadSaved = current != nullptr;
    if (hadSaved) saved = current;
    fs::path base = hadSaved && current[0] == '/' ? fs::path(current) : fs::temp_directory_path();
    fs::path dir = base / ("core-tests-" + name);
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    folder = dir.string();
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
}

ScratchConfigHome::~ScratchConfigHome()
{
    if (hadSaved)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
}

#endif

}  // namespace CoreTest
