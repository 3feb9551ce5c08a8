// A window host (Vornkit::Winwrapper) on a real top-level Win32 window for
// window_host.sh, which drives it under Wine. Controls print every call they
// receive, one line each; the other modes print what they observe. Message
// boxes are printed and answered OK, so nothing waits on a modal window. The
// program carries the plug-in's manifest where the plug-in does.
//
//   window_host_probe input    controls "a" (a menu on the right button) and "b" (the capture
//                              while its left button is down); stdin: "forward-wheel", "quit"
//   window_host_probe paint    the black fill while no GL device can be made, then the retry
//   window_host_probe classes  one class for all hosts, refused and removed, the timer, teardown
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/windowclass.h"
#include "tests/support/ScriptedSurfaces.h"
#include "toolkit/Winwrapper.h"

using Vornkit::Winwrapper;

namespace {

__attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2))) void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    std::fflush(stdout);
}

struct PrintingDialogs final : Platform::IDialogs {
    PrintingDialogs() { Platform::setDialogs(this); }
    ~PrintingDialogs() override { Platform::setDialogs(nullptr); }
    int messageBox(const char* text, const char* caption, unsigned style) override
    {
        say("box %s | %s | 0x%x", caption, text, style);
        return Platform::kIdOk;
    }
};

struct Owner final : Vornkit::IFrameController {
    explicit Owner(const char* n) : name(n) {}
    void windowDestroyed() override { say("%s destroyed", name); }
    const char* name;
};

class Logger final : public Vornkit::Control {
public:
    Logger(Winwrapper* h, const char* n, int px, int py, uint32_t w, uint32_t ht)
        : Control(h, px, py, w, ht), host(*h), name(n)
    {
    }

    bool capturesLeftDrag = false, menuOnRightPress = false;
    int draws = 0;

    bool mouseMove(int px, int py, int mods) override
    {
        say("%s move %d %d mods %d", name, px, py, mods);
        return true;
    }
    bool mouseDown(int px, int py, int button, int mods) override
    {
        say("%s down %d %d button %d mods %d", name, px, py, button, mods);
        if (button == 1 && capturesLeftDrag) host.setCapture(this);
        if (button == 2 && menuOnRightPress) showMenu();
        return true;
    }
    bool mouseUp(int px, int py, int button, int mods) override
    {
        say("%s up %d %d button %d mods %d", name, px, py, button, mods);
        if (button != 1 || !capturesLeftDrag) return true;
        host.setCapture(nullptr);
        // Windows ends a menu's open state with the capture change at the menu's end; Wine,
        // whose menus capture to a window of their own, with the next one of the host.
        say("%s released, menu open %d", name, host.menuOpen ? 1 : 0);
        return true;
    }
    bool doubleClick(int px, int py, int button, int mods) override
    {
        say("%s doubleClick %d %d button %d mods %d", name, px, py, button, mods);
        return true;
    }
    bool mouseWheel(int px, int py, float distance, int mods) override
    {
        say("%s wheel %d %d distance %.3f mods %d", name, px, py, static_cast<double>(distance), mods);
        return true;
    }
    void mouseLeave() override { say("%s leave", name); }
    void captureLost() override { say("%s captureLost", name); }
    void menuCommand(uint32_t id) override { say("%s menuCommand %u", name, id); }
    void draw(DXBlit::Context&) override { ++draws; }

private:
    void showMenu()
    {
        std::unique_ptr<Vornkit::Menu> menu = host.createMenu(this);
        menu->addItem("Alpha", 7, true);
        menu->addItem("Greyed", 8, false);
        menu->addSeparator();
        menu->addItem("Gamma", 9, true);
        say("%s menu shows", name);
        menu->show(static_cast<int>(width) / 2, static_cast<int>(height));  // under the control
        say("%s menu closed", name);
    }

    Winwrapper& host;
    const char* name;
};

// Watches the host's window beside the toolkit: where a shown menu's items are
// (for the pointer to choose one), and the timer messages themselves.
WNDPROC hostProc = nullptr;
HMENU shownMenu = nullptr;
int rawTimerTicks = 0;

LRESULT CALLBACK watchingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) ++rawTimerTicks;
    if (message == WM_INITMENUPOPUP) shownMenu = reinterpret_cast<HMENU>(wParam);
    // Sent when the menu's loop first waits for input: the menu is on the screen.
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && shownMenu) {
        for (int i = 0; i < GetMenuItemCount(shownMenu); ++i) {
            RECT r{};
            GetMenuItemRect(nullptr, shownMenu, static_cast<UINT>(i), &r);
            say("menu item %d at %ld %ld", i, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        }
        shownMenu = nullptr;
    }
    return CallWindowProcA(hostProc, hwnd, message, wParam, lParam);
}

HWND watch(Winwrapper& host)
{
    auto hwnd = static_cast<HWND>(host.windowHandle());
    hostProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchingProc)));
    return hwnd;
}

/// Handles messages for `milliseconds`, or with `untilQuiet` until none came
/// for that long (X events and paints come in bursts), 3 s at most.
void handle(DWORD milliseconds, bool untilQuiet = false)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        const DWORD spent = GetTickCount() - start;
        if (spent >= (untilQuiet ? 3000 : milliseconds)) return;
        const DWORD wait = untilQuiet ? milliseconds : milliseconds - spent;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT) == WAIT_TIMEOUT && untilQuiet) return;
    }
}

void settle() { handle(200, true); }

/// Away from the screen's edges, with the keyboard focus (Wine sends the wheel to the focus window).
HWND place(Winwrapper& host)
{
    HWND hwnd = watch(host);
    SetWindowPos(hwnd, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    settle();
    return hwnd;
}

int input()
{
    Owner owner("input");
    auto* host = new Winwrapper(&owner, 400, 300, nullptr);
    (new Logger(host, "a", 20, 30, 150, 100))->menuOnRightPress = true;
    (new Logger(host, "b", 220, 150, 120, 80))->capturesLeftDrag = true;
    HWND hwnd = place(*host);

    constexpr UINT kForwardWheel = WM_APP, kQuit = WM_APP + 1;
    std::thread commands([gui = GetCurrentThreadId()] {
        char line[64];
        while (std::fgets(line, sizeof line, stdin) && std::strncmp(line, "quit", 4) != 0)
            if (std::strncmp(line, "forward-wheel", 13) == 0) PostThreadMessageA(gui, kForwardWheel, 0, 0);
        PostThreadMessageA(gui, kQuit, 0, 0);
    });
    POINT client{0, 0};
    ClientToScreen(hwnd, &client);
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    say("ready client %ld %ld window %ld %ld", client.x, client.y, frame.left, frame.top);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != kQuit) {
        // Three notches in one message, as the plug-in hands on a host's wheel call.
        if (!msg.hwnd && msg.message == kForwardWheel) say("forwarded %d", Platform::forwardMouseWheel(3.0f));
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    commands.join();
    host->requestClose();
    settle();
    return 0;
}

int paint()
{
    TestSupport::ScriptedSurfaces surfaces;
    surfaces.failPixelFormat = true;
    Owner owner("paint");
    auto* host = new Winwrapper(&owner, 200, 150, nullptr);
    auto* scene = new Logger(host, "scene", 0, 0, 200, 150);
    HWND hwnd = place(*host);
    const auto state = [&](const char* step) {
        say("paint %s attempts %d device %s draws %d", step, surfaces.drawablesTaken, host->device ? "made" : "none",
            scene->draws);
    };
    const auto pixels = [&](const char* step) {  // the middle and the bottom-right corner, as GDI has them
        RECT r{};
        GetClientRect(hwnd, &r);
        HDC dc = GetDC(hwnd);
        say("paint %s pixels %06lx %06lx", step, GetPixel(dc, r.right / 2, r.bottom / 2),
            GetPixel(dc, r.right - 1, r.bottom - 1));
        ReleaseDC(hwnd, dc);
    };

    state("first");
    // White through GDI, so that only the next paint's fill can make it black again.
    HDC dc = GetDC(hwnd);
    RECT r{0, 0, 200, 150};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(hwnd, dc);
    pixels("whitened");
    host->redraw();
    settle();
    state("failing");
    pixels("failing");
    surfaces.failPixelFormat = false;
    for (const char* step : {"working", "again"}) {
        host->redraw();
        settle();
        state(step);
    }
    host->requestClose();
    settle();
    return 0;
}

/// Where the process's comctl32 came from: side-by-side when the window host's
/// manifest chose it (common controls 6), else the system's; none before it is loaded.
const char* commonControls()
{
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    char path[MAX_PATH] = {};
    if (!comctl || !GetModuleFileNameA(comctl, path, sizeof path)) return "none";
    CharLowerA(path);
    return std::strstr(path, "\\winsxs\\") ? "side-by-side" : "system";
}

int classRegistered()
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), "VornkitWinwrapper", &info) != 0;
}

void sayWindow(const char* name, Winwrapper& host)
{
    auto hwnd = static_cast<HWND>(host.windowHandle());
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    say("%s created %d class %s child %d", name, host.windowCreated(), className,
        (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) != 0);
}

int classes()
{
    say("common controls before %s", commonControls());
    // The class name taken: registration and window fail, and the next host tries again.
    WNDCLASSEXA squatter{};
    squatter.cbSize = sizeof squatter;
    squatter.lpfnWndProc = DefWindowProcA;
    squatter.hInstance = GetModuleHandleA(nullptr);
    squatter.lpszClassName = "VornkitWinwrapper";
    RegisterClassExA(&squatter);
    Owner refusedOwner("refused"), firstOwner("first"), secondOwner("second");
    auto* refused = new Winwrapper(&refusedOwner, 100, 100, nullptr);
    say("refused created %d", refused->windowCreated());
    delete refused;  // never had a window: its owner deletes it
    UnregisterClassA("VornkitWinwrapper", GetModuleHandleA(nullptr));

    auto* first = new Winwrapper(&firstOwner, 300, 200, nullptr);
    auto* second = new Winwrapper(&secondOwner, 100, 80, first->windowHandle());
    say("common controls %s", commonControls());
    sayWindow("first", *first);
    sayWindow("second", *second);
    const auto firstWindow = watch(*first), secondWindow = static_cast<HWND>(second->windowHandle());
    say("same class %d parent %d", GetClassWord(firstWindow, GCW_ATOM) == GetClassWord(secondWindow, GCW_ATOM),
        GetParent(secondWindow) == firstWindow);

    struct : Vornkit::ITimerController {
        int count = 0;
        void onTimer() override { ++count; }
    } ticks;
    first->setTimer(&ticks);
    handle(300);
    say("timer ticked %d", ticks.count > 0);
    first->setTimer(nullptr);
    const int stoppedAt = rawTimerTicks;
    handle(200);
    say("timer after stop %d", rawTimerTicks - stoppedAt);

    first->requestClose();  // its child goes with it
    settle();
    say("after close alive %d %d", IsWindow(firstWindow), IsWindow(secondWindow));

    Owner droppedOwner("dropped"), againOwner("again");
    auto* dropped = new Winwrapper(&droppedOwner, 50, 50, nullptr);
    const auto droppedWindow = static_cast<HWND>(dropped->windowHandle());
    delete dropped;  // its owner let go while the window lived: closed without calling back
    settle();
    say("dropped alive %d", IsWindow(droppedWindow));

    Platform::unregisterWindowClass();
    say("after unload registered %d", classRegistered());
    auto* again = new Winwrapper(&againOwner, 50, 50, nullptr);
    say("again created %d registered %d", again->windowCreated(), classRegistered());
    again->requestClose();
    settle();
    Platform::unregisterWindowClass();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // The wheel forwarding looks for windows of "the library's" module: here the program's.
    Platform::setModuleHandle(GetModuleHandleA(nullptr));
    PrintingDialogs dialogs;
    const char* mode = argc > 1 ? argv[1] : "";
    int status = 2;
    if (std::strcmp(mode, "input") == 0) status = input();
    if (std::strcmp(mode, "paint") == 0) status = paint();
    if (std::strcmp(mode, "classes") == 0) status = classes();
    say("done %d", status);
    return status;
}
