#include "platform/resources.h"

#include <strings.h>

#include "platform/resource_table.h"

namespace Platform {

namespace {

class SystemResources final : public IResources {
public:
    bool find(const char* type, const char* name, ResourceBytes& out) override;
};

bool SystemResources::find(const char* type, const char* name, ResourceBytes& out)
{
    for (const EmbeddedResource* r = embeddedResources(); r && r->type; ++r) {
        if (strcasecmp(r->type, type) == 0 && strcasecmp(r->name, name) == 0) {
            out.data = r->data;
            out.size = r->size;
            return true;
        }
    }
    return false;
}

}  // namespace

IResources& systemResources()
{
    static SystemResources resources;
    return resources;
}

}  // namespace Platform
