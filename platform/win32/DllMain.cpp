// The DLL entry: keeps the module handle for resources, the window class and
// the wheel forwarding, and removes the window class when the library is
// unloaded. Compiled into the plug-in library itself.
#include <windows.h>

#include "platform/system.h"
#include "platform/windowclass.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) Platform::setModuleHandle(module);
    // A null `reserved` means FreeLibrary; at process exit nothing needs removing.
    if (reason == DLL_PROCESS_DETACH && !reserved) Platform::unregisterWindowClass();
    return TRUE;
}
