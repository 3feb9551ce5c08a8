#include "platform/dialogs.h"

#include <atomic>

namespace Platform {

IDialogs& systemDialogs();  // per platform

namespace {
std::atomic<IDialogs*> installed{nullptr};
}

int messageBox(const char* text, const char* caption, unsigned style)
{
    IDialogs* d = installed.load(std::memory_order_acquire);
    return (d ? *d : systemDialogs()).messageBox(text ? text : "", caption ? caption : "", style);
}

IDialogs* setDialogs(IDialogs* dialogs)
{
    return installed.exchange(dialogs, std::memory_order_acq_rel);
}

}  // namespace Platform
