#include "platform/dialogs.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<IDialogs> seam(systemDialogs);
}

int messageBox(const char* text, const char* caption, unsigned style)
{
    return seam.get().messageBox(text ? text : "", caption ? caption : "", style);
}

IDialogs* setDialogs(IDialogs* dialogs) { return seam.install(dialogs); }

}  // namespace Platform
