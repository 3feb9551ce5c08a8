#include "platform/resources.h"

#include <atomic>

namespace Platform {

bool systemFindResource(const char* type, const char* name, ResourceBytes& out);  // per platform

namespace {
std::atomic<ResourceFinder> finder{nullptr};
}

bool findResource(const char* type, const char* name, ResourceBytes& out)
{
    out = {};
    if (!type || !name) return false;
    ResourceFinder f = finder.load(std::memory_order_acquire);
    return f ? f(type, name, out) : systemFindResource(type, name, out);
}

ResourceFinder setResourceFinder(ResourceFinder f)
{
    return finder.exchange(f, std::memory_order_acq_rel);
}

}  // namespace Platform
