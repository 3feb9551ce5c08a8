#include "platform/system.h"

#include <cstdio>

namespace Platform {

namespace {

class SystemDebugOutput final : public IDebugOutput {
public:
    void line(const char* text) override { std::fprintf(stderr, "%s\n", text); }
};

}  // namespace

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
