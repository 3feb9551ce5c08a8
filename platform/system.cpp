#include "platform/system.h"

#include <atomic>

#include "platform/Seam.h"

namespace Platform {

namespace {
std::atomic<void*> module{nullptr};
Seam<IDebugOutput> debugSeam(systemDebugOutput);
Seam<IUrlOpener> urlSeam(systemUrlOpener);
}  // namespace

void debugOutput(const char* line) { debugSeam.get().line(line ? line : ""); }
IDebugOutput* setDebugOutput(IDebugOutput* output) { return debugSeam.install(output); }
void openUrl(const char* address) { urlSeam.get().open(address ? address : ""); }
IUrlOpener* setUrlOpener(IUrlOpener* opener) { return urlSeam.install(opener); }

void* moduleHandle() { return module.load(std::memory_order_relaxed); }
void setModuleHandle(void* m) { module.store(m, std::memory_order_relaxed); }

}  // namespace Platform
