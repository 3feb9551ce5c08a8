#include <windows.h>

#include "platform/resources.h"
#include "platform/system.h"

namespace Platform {

namespace {

class SystemResources final : public IResources {
public:
    bool find(const char* type, const char* name, ResourceBytes& out) override;
};

bool SystemResources::find(const char* type, const char* name, ResourceBytes& out)
{
    auto module = static_cast<HMODULE>(moduleHandle());
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    if (!handle) return false;
    const void* bytes = LockResource(handle);
    DWORD size = SizeofResource(module, info);
    if (!bytes) return false;
    out.data = static_cast<const uint8_t*>(bytes);
    out.size = size;
    return true;
}

}  // namespace

IResources& systemResources()
{
    static SystemResources resources;
    return resources;
}

}  // namespace Platform
