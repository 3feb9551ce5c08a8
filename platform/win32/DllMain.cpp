// The DLL entry: keeps the module handle for resources, the window class and
// the wheel forwarding. Compiled into the plug-in library itself.
#include <windows.h>

#include "platform/system.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) Platform::setModuleHandle(module);
    return TRUE;
}
