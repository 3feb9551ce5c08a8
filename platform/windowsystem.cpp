#include "platform/windowsystem.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<WindowSystem> seam(systemWindowSystem);
}

WindowSystem& windowSystem() { return seam.get(); }
WindowSystem* setWindowSystem(WindowSystem* system) { return seam.install(system); }

}  // namespace Platform
