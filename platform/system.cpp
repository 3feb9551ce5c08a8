#include "platform/system.h"

#include <atomic>

namespace Platform {

namespace {
std::atomic<void*> module{nullptr};
}

void* moduleHandle() { return module.load(std::memory_order_relaxed); }
void setModuleHandle(void* m) { module.store(m, std::memory_order_relaxed); }

}  // namespace Platform
