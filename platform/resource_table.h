// The resource table that the build generates from resources/ for platforms
// without native resources.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

struct EmbeddedResource {
    const char* type;
    const char* name;
    const uint8_t* data;
    size_t size;
};

/// Entries end with one whose type is null.
const EmbeddedResource* embeddedResources();

}  // namespace Platform
