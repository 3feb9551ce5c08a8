#include "platform/dialogs.h"

#include <cstdio>

namespace Platform {

namespace {

// Without a windowing toolkit of our own yet, a message goes to stderr. A
// question is answered No: declining is the choice that changes nothing.
class StderrDialogs final : public IDialogs {
public:
    int messageBox(const char* text, const char* caption, unsigned style) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption, text);
        return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
    }
};

}  // namespace

IDialogs& systemDialogs()
{
    static StderrDialogs dialogs;
    return dialogs;
}

}  // namespace Platform
