#include <windows.h>

#include "platform/dialogs.h"

namespace Platform {

namespace {

class Win32Dialogs final : public IDialogs {
public:
    int messageBox(const char* text, const char* caption, unsigned style) override
    {
        return MessageBoxA(nullptr, text, caption, style);
    }
};

}  // namespace

IDialogs& systemDialogs()
{
    static Win32Dialogs dialogs;
    return dialogs;
}

}  // namespace Platform
