#include <windows.h>

#include "platform/toolwindow.h"

namespace Platform {

namespace {

constexpr char kClassName[] = "VeskToolWindow";

LRESULT CALLBACK toolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) return 1;  // OpenGL covers the whole client area
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        // Typed into the window, or passed on by the editor inside it.
        SetWindowLongPtrA(window, GWLP_USERDATA, GetWindowLongPtrA(window, GWLP_USERDATA) + 1);
    }
    if (message == WM_MOUSEWHEEL) {
        // Some systems send the wheel to the focused window; Windows 10 sends
        // it to the window under the pointer, and editors expect that.
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        HWND under = WindowFromPoint(at);
        if (under && under != window && IsChild(window, under)) return SendMessageA(under, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32ToolWindow final : public ToolWindow {
public:
    explicit Win32ToolWindow(HWND w) : window(w) {}
    ~Win32ToolWindow() override
    {
        if (IsWindow(window)) DestroyWindow(window);
    }

    void* nativeHandle() const override { return window; }

    bool pump() override
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return IsWindow(window) && IsWindowVisible(window);
    }

    int keyPresses() const override { return static_cast<int>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

    void repaintNow() override { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

    void resize(int width, int height) override
    {
        RECT r{0, 0, width, height};
        AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE);
        SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        pump();
    }

    bool capture(std::vector<uint32_t>&, int&, int&, std::string& reason) override
    {
        // An OpenGL child window's pixels are not readable through GDI everywhere (Wine).
        reason = "this platform does not let a host read the editor's pixels";
        return false;
    }

private:
    HWND window;
};

}  // namespace

std::unique_ptr<ToolWindow> ToolWindow::open(const char* title, int width, int height, std::string* reason)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (!GetClassInfoA(instance, kClassName, &wc)) {
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = toolWindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        if (!RegisterClassA(&wc)) {
            if (reason) *reason = "cannot register the window class";
            return nullptr;
        }
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, style, FALSE);
    HWND window = CreateWindowExA(0, kClassName, title ? title : "", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!window) {
        if (reason) *reason = "cannot create a window";
        return nullptr;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    auto made = std::make_unique<Win32ToolWindow>(window);
    made->pump();
    return made;
}

}  // namespace Platform
