// The toolkit's windows and popup menus on Win32. Every window host of the
// module shares one window class, registered by the first window and removed
// when the module unloads (platform/windowclass.h).
//
// Registration, window creation, class removal and the common-controls set-up
// run in the module's own activation context, made from its manifest: a
// plug-in lives in a host process whose manifest, if any, is not ours, and the
// module's windows should look and behave the same in every host.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/windowclass.h"
#include "platform/windowsystem.h"

namespace Platform {

namespace {

// Process-wide, touched on the GUI thread and at unload only.
ATOM classAtom = 0;
HANDLE moduleContext = INVALID_HANDLE_VALUE;
bool moduleContextTried = false;

HINSTANCE moduleInstance()
{
    auto module = static_cast<HINSTANCE>(Platform::moduleHandle());
    return module ? module : GetModuleHandleA(nullptr);  // a program rather than the plug-in library
}

/// Activates the module's activation context for its lifetime; a module
/// without a manifest of its own (a test program) stays in the process's.
class ModuleContextScope {
public:
    ModuleContextScope()
    {
        if (!moduleContextTried) {
            moduleContextTried = true;
            ACTCTXA request{};
            request.cbSize = sizeof request;
            request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
            request.lpResourceName = MAKEINTRESOURCEA(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
            request.hModule = moduleInstance();
            moduleContext = CreateActCtxA(&request);
        }
        active = moduleContext != INVALID_HANDLE_VALUE && ActivateActCtx(moduleContext, &cookie);
    }
    ~ModuleContextScope()
    {
        if (active) DeactivateActCtx(0, cookie);
    }
    ModuleContextScope(const ModuleContextScope&) = delete;
    ModuleContextScope& operator=(const ModuleContextScope&) = delete;

private:
    ULONG_PTR cookie = 0;
    bool active = false;
};

/// Loaded by name inside the module's context, so that the manifest decides
/// which comctl32 the process gets; no import of it is linked.
void initCommonControls()
{
    static HMODULE comctl = LoadLibraryA("comctl32.dll");
    if (!comctl) return;
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    if (!init) return;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    init(&controls);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/// Leaves classAtom 0 on failure, so that the next window tries again.
void registerClass()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = moduleInstance();
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hIconSm = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "VornkitWinwrapper";
    classAtom = RegisterClassExA(&wc);
    if (!classAtom) Platform::messageBox("Couldn't create a wrapper windowclass.", "Error!", MB_ICONWARNING);
    initCommonControls();
}

/// Key-state bits of a mouse message as the toolkit's mods: MK_SHIFT (4) and
/// MK_CONTROL (8) become kModShift and kModControl.
int modsOf(WPARAM wParam) { return static_cast<int>((wParam >> 2) & 3); }

/// Items of a popup menu or of one of its submenus.
class Win32MenuItems : public NativeMenu {
public:
    void addItem(const char* text, uint32_t id, bool enabled, bool checked) override
    {
        AppendMenuA(menu, (enabled ? MF_STRING : MF_GRAYED) | (checked ? MF_CHECKED : 0), id, text);
    }
    void addSeparator() override { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); }
    NativeMenu* addSubmenu(const char* text) override;
    void show(int, int) override {}

protected:
    explicit Win32MenuItems(HMENU m) : menu(m) {}
    HMENU menu;
    std::vector<std::unique_ptr<Win32MenuItems>> submenus;
};

/// A submenu: its handle goes with the menu it was appended to.
class Win32Submenu final : public Win32MenuItems {
public:
    explicit Win32Submenu(HMENU m) : Win32MenuItems(m) {}
};

NativeMenu* Win32MenuItems::addSubmenu(const char* text)
{
    HMENU sub = CreatePopupMenu();
    if (!sub) return nullptr;
    if (!AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text)) {
        DestroyMenu(sub);
        return nullptr;
    }
    submenus.push_back(std::make_unique<Win32Submenu>(sub));
    return submenus.back().get();
}

class Win32Menu final : public Win32MenuItems {
public:
    explicit Win32Menu(HWND w) : Win32MenuItems(CreatePopupMenu()), window(w) {}
    ~Win32Menu() override
    {
        if (menu) DestroyMenu(menu);  // and its submenus with it
    }
    Win32Menu(const Win32Menu&) = delete;
    Win32Menu& operator=(const Win32Menu&) = delete;

    void show(int x, int y) override
    {
        // Measured at each show: the window may have moved since the last one.
        RECT r{};
        GetWindowRect(window, &r);
        // No TPM_RETURNCMD: the chosen item arrives as WM_COMMAND after the loop.
        TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_CENTERALIGN | TPM_VERPOSANIMATION, x + r.left, y + r.top, 0, window,
                       nullptr);
    }

private:
    HWND window;  // a handle rather than the window object: the menu may outlive it
};

class Win32Window final : public NativeWindow {
public:
    Win32Window(NativeWindowEvents& e, int width, int height, void* parent) : events(e)
    {
        ModuleContextScope context;
        if (!classAtom) registerClass();
        if (!classAtom) return;
        const DWORD style = parent ? WS_VISIBLE | WS_CHILD : WS_VISIBLE;
        hwnd = CreateWindowExA(0, MAKEINTATOM(classAtom), "control", style, 0, 0, width, height,
                               static_cast<HWND>(parent), nullptr, moduleInstance(), nullptr);
        // Messages sent during creation find no object yet and go to DefWindowProcA.
        if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    ~Win32Window() override
    {
        // The owner let go of a host whose window lives on: close it without calling back.
        if (!hwnd) return;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }

    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    bool created() const override { return hwnd != nullptr; }
    void* handle() const override { return hwnd; }
    void invalidate() override { RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE); }

    bool askOkCancel(const char* text, const char* caption) override
    {
        return MessageBoxA(hwnd, text, caption, MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL) == IDOK;
    }

    void setCapture() override { SetCapture(hwnd); }
    void releaseCapture() override { ReleaseCapture(); }
    bool hasCapture() const override { return hwnd && GetCapture() == hwnd; }

    // A press gives the panel the keyboard focus: systems that send wheel
    // turns to the focused window (Wine) then send them here, as Windows sends
    // them to the window under the pointer.
    void takeFocus()
    {
        if (GetFocus() != hwnd) SetFocus(hwnd);
    }
    bool startTimer(unsigned milliseconds) override { return SetTimer(hwnd, 0, milliseconds, nullptr) != 0; }
    void stopTimer() override { KillTimer(hwnd, 0); }

    void trackLeave() override
    {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd;
        track.dwHoverTime = 0;
        TrackMouseEvent(&track);
    }

    void fillBlack() override
    {
        HDC dc = GetDC(hwnd);
        if (!dc) return;
        RECT r{};
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(hwnd, dc);
    }

    void destroy() override { DestroyWindow(hwnd); }
    void setVisible(bool visible) override { ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE); }
    std::unique_ptr<NativeMenu> createMenu() override { return std::make_unique<Win32Menu>(hwnd); }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (message) {
            case WM_PAINT:
                ValidateRect(hwnd, nullptr);  // the device redraws the whole window: no BeginPaint/EndPaint
                events.eventPaint();
                return 0;
            case WM_DESTROY:
            case WM_MOVE:
            case WM_SIZE:
                return 0;
            case WM_CLOSE:
                events.eventClose();
                return 0;
            case WM_NCDESTROY: {
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                hwnd = nullptr;
                // The receiver may delete this object from within the call: nothing after it.
                NativeWindowEvents& receiver = events;
                receiver.eventDestroyed();
                return 0;
            }
            case WM_COMMAND:
                events.eventCommand(static_cast<uint32_t>(wParam));
                return 0;
            case WM_TIMER:
                events.eventTimer();
                return 0;
            case WM_MOUSEMOVE:
                events.eventMouseMove(x, y, modsOf(wParam));
                return 0;
            case WM_LBUTTONDOWN:
                takeFocus();
                events.eventMouseButton(MouseAction::Down, x, y, 1, modsOf(wParam));
                return 0;
            case WM_LBUTTONUP:
                events.eventMouseButton(MouseAction::Up, x, y, 1, modsOf(wParam));
                return 0;
            case WM_LBUTTONDBLCLK:
                events.eventMouseButton(MouseAction::DoubleClick, x, y, 1, modsOf(wParam));
                return 0;
            case WM_RBUTTONDOWN:
                takeFocus();
                events.eventMouseButton(MouseAction::Down, x, y, 2, modsOf(wParam));
                return 0;
            case WM_KEYDOWN:
            case WM_KEYUP:
            case WM_CHAR:
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP:
                // The panel takes no keys: the host's shortcuts (the space bar...) keep working.
                if (HWND parent = GetParent(hwnd)) return SendMessageA(parent, message, wParam, lParam);
                return DefWindowProcA(hwnd, message, wParam, lParam);
            case WM_RBUTTONUP:
                events.eventMouseButton(MouseAction::Up, x, y, 2, modsOf(wParam));
                return 0;
            case WM_RBUTTONDBLCLK:
                events.eventMouseButton(MouseAction::DoubleClick, x, y, 2, modsOf(wParam));
                return 0;
            case WM_MOUSEWHEEL: {
                // Screen coordinates, also when posted by the wheel forwarding.
                RECT r{};
                GetWindowRect(hwnd, &r);
                const float distance = static_cast<float>(static_cast<short>(HIWORD(wParam))) * (1.0f / 120);
                events.eventMouseWheel(x - r.left, y - r.top, distance, modsOf(wParam));
                return 0;
            }
            case WM_CAPTURECHANGED:
                events.eventCaptureChanged();
                return 0;
            case WM_MOUSELEAVE:
                // Windows posts none while the window holds the capture; Wine does, as soon
                // as a drag crosses the edge, which would end the dragged control's hover.
                if (GetCapture() != hwnd) events.eventMouseLeft();
                return 0;
            default:
                return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }

private:
    NativeWindowEvents& events;
    HWND hwnd = nullptr;
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);
    return window->handle(message, wParam, lParam);
}

class Win32WindowSystem final : public WindowSystem {
public:
    const char* name() const override { return "win32"; }
    std::unique_ptr<NativeWindow> createWindow(NativeWindowEvents& events, int width, int height, void* parent) override
    {
        return std::make_unique<Win32Window>(events, width, height, parent);
    }

    void setCursor(Cursor cursor) override
    {
        LPCSTR shape = cursor == Cursor::Hand           ? reinterpret_cast<LPCSTR>(IDC_HAND)
                       : cursor == Cursor::SizeVertical ? reinterpret_cast<LPCSTR>(IDC_SIZENS)
                                                        : reinterpret_cast<LPCSTR>(IDC_ARROW);
        SetCursor(LoadCursorA(nullptr, shape));
    }

    float systemScale() const override
    {
        // Windows 10 tells the system's DPI directly; older systems through the screen's device context.
        using GetDpi = UINT(WINAPI*)();
        UINT dpi = 0;
        if (HMODULE user = GetModuleHandleA("user32.dll"))
            if (auto get = reinterpret_cast<GetDpi>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForSystem"))))
                dpi = get();
        if (dpi == 0)
            if (HDC screen = GetDC(nullptr)) {
                dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
                ReleaseDC(nullptr, screen);
            }
        return dpi > 0 ? static_cast<float>(dpi) / 96.0f : 1.0f;
    }

    float windowScale(void* window) const override
    {
        // Windows 10 (1607) tells a window's DPI: its monitor's for a host aware of
        // each monitor, the system's or 96 for one that is not.
        using GetDpi = UINT(WINAPI*)(HWND);
        UINT dpi = 0;
        if (HMODULE user = GetModuleHandleA("user32.dll"))
            if (auto get = reinterpret_cast<GetDpi>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow"))))
                if (window) dpi = get(static_cast<HWND>(window));
        return dpi > 0 ? static_cast<float>(dpi) / 96.0f : systemScale();
    }
};

}  // namespace

WindowSystem& systemWindowSystem()
{
    static Win32WindowSystem system;
    return system;
}

void unregisterWindowClass()
{
    if (classAtom) {
        ModuleContextScope context;
        if (UnregisterClassA(MAKEINTATOM(classAtom), moduleInstance())) classAtom = 0;
    }
    if (moduleContext != INVALID_HANDLE_VALUE) ReleaseActCtx(moduleContext);
    moduleContext = INVALID_HANDLE_VALUE;
    moduleContextTried = false;
}

}  // namespace Platform
