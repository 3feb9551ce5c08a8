#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdint>

#include "platform/system.h"

namespace Platform {

namespace {

class SystemDebugOutput final : public IDebugOutput {
public:
    void line(const char* text) override
    {
        OutputDebugStringA(text);
        OutputDebugStringA("\n");
    }
};

class SystemUrlOpener final : public IUrlOpener {
public:
    void open(const char* address) override
    {
        ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWDEFAULT);
    }
};

}  // namespace

IUrlOpener& systemUrlOpener()
{
    static SystemUrlOpener opener;
    return opener;
}

IDebugOutput& systemDebugOutput()
{
    static SystemDebugOutput output;
    return output;
}

bool forwardMouseWheel(float notches)
{
    POINT pt;
    if (!GetCursorPos(&pt)) return false;
    HWND window = WindowFromPoint(pt);
    if (!window) return false;
    auto owner = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    if (!owner || owner != static_cast<HINSTANCE>(moduleHandle())) return false;

    // The host's distance is untrusted: keep the conversion inside a 16-bit delta.
    double delta = static_cast<double>(notches) * 120.0;
    if (!(delta == delta)) delta = 0.0;
    if (delta > 32767.0) delta = 32767.0;
    if (delta < -32768.0) delta = -32768.0;
    WPARAM wParam = static_cast<WPARAM>(static_cast<uint16_t>(static_cast<int16_t>(static_cast<int>(delta)))) << 16;
    if (GetAsyncKeyState(VK_SHIFT)) wParam |= MK_SHIFT;
    if (GetAsyncKeyState(VK_CONTROL)) wParam |= MK_CONTROL;
    LPARAM lParam = MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
    PostMessageA(window, WM_MOUSEWHEEL, wParam, lParam);
    return true;
}

}  // namespace Platform
