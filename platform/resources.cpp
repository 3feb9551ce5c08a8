#include "platform/resources.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<IResources> seam(systemResources);
}

bool findResource(const char* type, const char* name, ResourceBytes& out)
{
    out = {};
    if (!type || !name) return false;
    return seam.get().find(type, name, out);
}

IResources* setResources(IResources* resources) { return seam.install(resources); }

}  // namespace Platform
