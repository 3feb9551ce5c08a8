#include "platform/system.h"

#include <cstdio>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Platform {

namespace {

class SystemDebugOutput final : public IDebugOutput {
public:
    void line(const char* text) override { std::fprintf(stderr, "%s\n", text); }
};

// xdg-open in a grandchild, so that the editor neither waits for the browser
// nor leaves a zombie behind.
class SystemUrlOpener final : public IUrlOpener {
public:
    void open(const char* address) override
    {
        const pid_t child = fork();
        if (child == 0) {
            if (fork() == 0) {
                execlp("xdg-open", "xdg-open", address, static_cast<char*>(nullptr));
            }
            _exit(0);
        }
        if (child > 0) waitpid(child, nullptr, 0);
    }
};

}  // namespace

IUrlOpener& systemUrlOpener()
{
    static SystemUrlOpener opener;
    return opener;
}

IDebugOutput& systemDebugOutput()
{
    static SystemDebugOutput output;
    return output;
}

bool forwardMouseWheel(float)
{
    return false;  // hosts on this platform deliver wheel events to the window directly
}

}  // namespace Platform
