// Resources of the plug-in library: bytes found by type and name.
//
// Contract: names and types are compared without regard to case. The bytes
// belong to the library and stay valid while it is loaded; nothing is copied
// or allocated. A missing resource is not an error: the caller carries on
// without it. Windows: the module's resources; elsewhere a table generated
// from resources/ at build time. [any thread]
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

struct ResourceBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class IResources {
public:
    virtual ~IResources() = default;
    /// False when there is no such resource.
    virtual bool find(const char* type, const char* name, ResourceBytes& out) = 0;
};

/// Looks a resource up; false (and out empty) when there is none or type or name is null.
bool findResource(const char* type, const char* name, ResourceBytes& out);

/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IResources* setResources(IResources* resources);
IResources& systemResources();

}  // namespace Platform
