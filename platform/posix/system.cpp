#include "platform/system.h"

#include <cstdio>

namespace Platform {

void debugOutput(const char* line)
{
    std::fprintf(stderr, "%s\n", line ? line : "");
}

bool forwardMouseWheel(float)
{
    return false;  // hosts on this platform deliver wheel events to the window directly
}

}  // namespace Platform
