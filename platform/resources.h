// Resources of the plug-in library: bytes found by type and name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

struct ResourceBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

/// Looks for a resource (names compared without regard to case). The bytes stay
/// valid while the library is loaded. Returns false when there is none.
bool findResource(const char* type, const char* name, ResourceBytes& out);

using ResourceFinder = bool (*)(const char* type, const char* name, ResourceBytes& out);

/// Replaces the lookup (tests); null restores the platform's own. Returns the previous one.
ResourceFinder setResourceFinder(ResourceFinder finder);

}  // namespace Platform
