#include "platform/glsurface.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<IGLSurfaces> seam(systemGLSurfaces);
}

std::unique_ptr<IGLSurface> openGLSurface(void* window) { return seam.get().open(window); }
IGLSurfaces* setGLSurfaces(IGLSurfaces* surfaces) { return seam.install(surfaces); }

}  // namespace Platform
