#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/userfiles.h"

namespace Platform {

namespace {
std::atomic<long> writeFault{-1};
}

bool appDataFolder(std::string& path)
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        path = xdg;
        return true;
    }
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !home[0]) return false;
    path = std::string(home) + "/.config";
    return true;
}

char pathSeparator() { return '/'; }

ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out)
{
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadResult::Missing;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::Failed;
    }
    if (static_cast<unsigned long long>(st.st_size) >= limit) {
        close(fd);
        return ReadResult::TooLarge;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got != out.size()) {
        out.clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

void createFolder(const std::string& path)
{
    mkdir(path.c_str(), 0755);
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size)
{
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    fchmod(fd, 0644);

    size_t allowed = size;
    long fault = writeFault.exchange(-1);
    if (fault >= 0 && static_cast<size_t>(fault) < size) allowed = static_cast<size_t>(fault);

    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < allowed) {
        ssize_t n = write(fd, bytes + done, allowed - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == size && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

void failNextWriteAfter(long bytes) { writeFault.store(bytes); }

}  // namespace Platform
