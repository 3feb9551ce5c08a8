#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/userfiles.h"

namespace Platform {

namespace {

std::string failed(const char* step, const std::string& path, int error)
{
    return std::string(step) + " " + path + ": " + std::strerror(error);
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file a write to `path` must replace: the path itself, or, where the path
// is a symbolic link (a defaults file kept in a dotfiles folder), the file the
// chain of links ends at, so that the link stays a link. Only a regular file
// or nothing may stand there: a folder, a device or a pipe is never replaced.
bool replaceableTarget(const std::string& path, std::string& target, std::string& reason)
{
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) return true;  // a new file (also where a link points at none yet)
            reason = failed("cannot replace", path, errno);
            return false;
        }
        if (S_ISREG(st.st_mode)) return true;
        if (!S_ISLNK(st.st_mode)) {
            reason = "cannot replace " + path + ": it is not a regular file";
            return false;
        }
        if (hops == 40) {
            reason = failed("cannot replace", path, ELOOP);
            return false;
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) {
            reason = failed("cannot replace", path, n < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        link.resize(static_cast<size_t>(n));
        const size_t slash = target.rfind('/');
        target = link[0] == '/' || slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
    }
}

class PosixUserFiles final : public IUserFiles {
public:
    bool appDataFolder(std::string& path) override
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

    ReadResult readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out) override
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

    bool createFolders(const std::string& path, std::string& reason) override
    {
        // Each missing level from the top down: a fresh account may not even
        // have ~/.config yet. New folders are private to the user, as the base
        // directory convention asks.
        for (size_t at = 1; at <= path.size(); ++at) {
            if (at < path.size() && path[at] != '/') continue;
            const std::string level = path.substr(0, at);
            if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
                reason = failed("cannot create the folder", level, errno);
                return false;
            }
        }
        if (isFolder(path)) return true;
        reason = failed("cannot create the folder", path, ENOTDIR);
        return false;
    }

    bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string& reason) override
    {
        std::string target;
        if (!replaceableTarget(path, target, reason)) return false;
        std::string temp = target + ".XXXXXX";
        int fd = mkstemp(temp.data());
        if (fd < 0) {
            reason = failed("cannot create a file beside", path, errno);
            return false;
        }
        fchmod(fd, 0644);

        const auto* bytes = static_cast<const uint8_t*>(data);
        size_t done = 0;
        int error = 0;
        while (done < size && !error) {
            ssize_t n = write(fd, bytes + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n == 0) error = ENOSPC;
            if (n > 0) done += static_cast<size_t>(n);
        }
        if (error) reason = failed("cannot write", temp, error);
        if (!error && fsync(fd) != 0) reason = failed("cannot flush", temp, error = errno);
        if (close(fd) != 0 && !error) reason = failed("cannot close", temp, error = errno);
        if (!error && rename(temp.c_str(), target.c_str()) != 0) reason = failed("cannot replace", path, error = errno);
        if (!error) return true;
        unlink(temp.c_str());
        return false;
    }
};

}  // namespace

char pathSeparator() { return '/'; }

IUserFiles& systemUserFiles()
{
    static PosixUserFiles files;
    return files;
}

}  // namespace Platform
