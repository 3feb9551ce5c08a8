// The editor's windows on X11: a child of the host's window (every Linux
// plug-in format hands the editor the host's Window id) on the plug-in's own
// connection, with a GLX visual. Nothing arrives by itself: the host's idle
// call (or its timer, or its watch on the connection's descriptor) pumps the
// connection, and the pump also runs the 10 ms timers and the modal loops of
// the popups the toolkit draws (menus, questions).
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/x11/display.h"
#include "platform/windowsystem.h"

namespace Platform {

namespace {

using Clock = std::chrono::steady_clock;

// The panel takes no keys: X passes them on to the host's window, so the host's
// shortcuts (the space bar...) keep working over the editor. Only the popups,
// which hold the keyboard while they live, listen to keys.
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            LeaveWindowMask | StructureNotifyMask;
constexpr long kPopupEventMask = kEventMask | KeyPressMask;

class X11Window;
std::vector<X11Window*> windows;  // alive, in creation order [GUI thread]

// The window handling a pointer move, and the shape the controls asked for
// meanwhile: the arrow unless one claims the pointer, as the class cursor
// of a Win32 window comes back wherever no control sets another.
X11Window* moving = nullptr;
Cursor movingShape = Cursor::Arrow;

bool grab(Display* display, Window window, bool keyboard)
{
    // The click that opened a popup may still hold a grab of the host's: try for a while.
    for (int i = 0; i < 50; ++i) {
        const int got = keyboard ? XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime)
                                 : XGrabPointer(display, window, False,
                                                ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                                GrabModeAsync, None, None, CurrentTime);
        if (got == GrabSuccess) return true;
        poll(nullptr, 0, 5);
    }
    return false;
}

int modsOf(unsigned state) { return (state & ShiftMask ? kModShift : 0) | (state & ControlMask ? kModControl : 0); }

class X11Window final : public NativeWindow {
public:
    X11Window(NativeWindowEvents& e, int width, int height, Window parent, bool popup, int px, int py)
        : events(e), display(Platform::X11::connection()), isPopup(popup)
    {
        if (!display) return;
        Platform::X11::GLWindow w = Platform::X11::createGLWindow(display, parent ? parent : DefaultRootWindow(display), width, height);
        if (!w.window) return;
        made = w;
        Platform::X11::ErrorTrap trap(display);
        XSelectInput(display, made.window, popup ? kPopupEventMask : kEventMask);
        if (popup) {
            XSetWindowAttributes a{};
            a.override_redirect = True;
            XChangeWindowAttributes(display, made.window, CWOverrideRedirect, &a);
            XMoveWindow(display, made.window, px, py);
        }
        XMapRaised(display, made.window);
        bool grabbedAll = true;
        if (popup) {
            XSync(display, False);
            // A popup owns pointer and keyboard while it lives, as a native menu
            // does. Without the keyboard Escape could not close it: no popup then.
            grab(display, made.window, false);
            grabbedAll = grab(display, made.window, true);
        }
        if (trap.failed() || !grabbedAll) {
            if (popup) {
                XUngrabPointer(display, CurrentTime);
                XUngrabKeyboard(display, CurrentTime);
            }
            Platform::X11::destroyGLWindow(display, made);
            made = {};
            return;
        }
        windows.push_back(this);
    }

    ~X11Window() override
    {
        if (moving == this) moving = nullptr;
        windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
        if (made.window) {
            if (isPopup) {
                XUngrabPointer(display, CurrentTime);
                XUngrabKeyboard(display, CurrentTime);
            }
            Platform::X11::destroyGLWindow(display, made);  // without calling back
            XFlush(display);
        }
    }

    bool created() const override { return made.window != 0; }
    void* handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(made.window)); }
    void invalidate() override { dirty = true; }
    bool askOkCancel(const char*, const char*) override { return false; }
    bool hasQuestionBox() const override { return false; }

    void setCapture() override
    {
        Platform::X11::ErrorTrap trap(display);
        grabbed = XGrabPointer(display, made.window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                               GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    }
    void releaseCapture() override
    {
        const bool had = grabbed;
        grabbed = false;
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
        if (had) events.eventCaptureChanged();  // as Windows reports a released capture
    }
    bool hasCapture() const override { return grabbed; }

    bool startTimer(unsigned milliseconds) override
    {
        period = std::chrono::milliseconds(milliseconds);
        nextTick = Clock::now() + period;
        ticking = true;
        return true;
    }
    void stopTimer() override { ticking = false; }
    void trackLeave() override {}  // LeaveNotify comes by itself

    void fillBlack() override
    {
        XWindowAttributes a{};
        Platform::X11::ErrorTrap trap(display);
        if (!XGetWindowAttributes(display, made.window, &a)) return;
        GC gc = XCreateGC(display, made.window, 0, nullptr);
        XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
        XFillRectangle(display, made.window, gc, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height));
        XFreeGC(display, gc);
    }

    void destroy() override
    {
        if (!made.window) return;
        Platform::X11::destroyGLWindow(display, made);
        made = {};
        XFlush(display);
        windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
        events.eventDestroyed();  // the last call: this object may be gone now
    }

    void setVisible(bool visible) override
    {
        if (!made.window) return;
        Platform::X11::ErrorTrap trap(display);
        if (visible)
            XMapWindow(display, made.window);
        else
            XUnmapWindow(display, made.window);
        XFlush(display);
    }

    std::unique_ptr<NativeMenu> createMenu() override { return nullptr; }
    void postCommand(uint32_t id) override { commands.push_back(id); }

    void screenPosition(int& x, int& y) const override
    {
        x = y = 0;
        Window child = 0;
        Platform::X11::ErrorTrap trap(display);
        XTranslateCoordinates(display, made.window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    }

    void takeInput() override
    {
        if (!isPopup || !made.window) return;
        Platform::X11::ErrorTrap trap(display);
        grab(display, made.window, false);
        grab(display, made.window, true);
    }

    Window id() const { return made.window; }

    void handle(XEvent& e)
    {
        switch (e.type) {
        case Expose:
            if (e.xexpose.count == 0) dirty = true;
            break;
        case MotionNotify: move(e.xmotion); break;
        case ButtonPress: press(e.xbutton); break;
        case ButtonRelease:
            if (e.xbutton.button == Button1 || e.xbutton.button == Button3)
                events.eventMouseButton(MouseAction::Up, e.xbutton.x, e.xbutton.y, e.xbutton.button == Button1 ? 1 : 2,
                                        modsOf(e.xbutton.state));
            break;
        case LeaveNotify:
            if (e.xcrossing.mode == NotifyNormal && !grabbed) events.eventMouseLeft();
            break;
        case KeyPress: key(e.xkey); break;
        case DestroyNotify:
            if (e.xdestroywindow.window == made.window) {
                // The host destroyed its window, and ours with it.
                made = {};
                windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
                events.eventDestroyed();
            }
            break;
        default: break;
        }
    }

    /// Timer ticks, queued commands and a coalesced repaint. False when the window went away.
    void service(Clock::time_point now)
    {
        while (!commands.empty()) {
            const uint32_t id = commands.front();
            commands.pop_front();
            events.eventCommand(id);
            if (!alive(this)) return;
        }
        if (ticking && now >= nextTick) {
            nextTick = now + period;
            events.eventTimer();
            if (!alive(this)) return;
        }
        if (dirty && made.window) {
            dirty = false;
            events.eventPaint();
        }
    }

    static bool alive(X11Window* w) { return std::find(windows.begin(), windows.end(), w) != windows.end(); }

    /// Shows `cursor` over this window; a shape it already shows is not sent again.
    void showCursor(Cursor cursor)
    {
        if (!made.window || (hasShape && shape == cursor)) return;
        hasShape = true;
        shape = cursor;
        const unsigned glyph = cursor == Cursor::Hand           ? 60 /* XC_hand2 */
                               : cursor == Cursor::SizeVertical ? 116 /* XC_sb_v_double_arrow */
                                                                : 68 /* XC_left_ptr */;
        Platform::X11::ErrorTrap trap(display);
        ::Cursor c = XCreateFontCursor(display, glyph);
        XDefineCursor(display, made.window, c);
        XFreeCursor(display, c);
        XFlush(display);
    }

private:
    void move(const XMotionEvent& m)
    {
        X11Window* const outer = moving;
        const Cursor outerShape = movingShape;
        moving = this;
        movingShape = Cursor::Arrow;
        events.eventMouseMove(m.x, m.y, modsOf(m.state));
        const Cursor wanted = movingShape;
        moving = outer;
        movingShape = outerShape;
        if (alive(this)) showCursor(wanted);
    }

    void press(const XButtonEvent& b)
    {
        const int mods = modsOf(b.state);
        if (b.button == Button4 || b.button == Button5) {
            events.eventMouseWheel(b.x, b.y, b.button == Button4 ? 1.0f : -1.0f, mods);
            return;
        }
        if (b.button != Button1 && b.button != Button3) return;  // the middle button and sideways wheel
        const int button = b.button == Button1 ? 1 : 2;
        // A double click: the same button again within 400 ms and 4 pixels.
        const bool twice = button == lastButton && b.time - lastTime <= 400 && std::abs(b.x - lastX) <= 4 &&
                           std::abs(b.y - lastY) <= 4;
        lastButton = twice ? 0 : button;
        lastTime = b.time;
        lastX = b.x, lastY = b.y;
        events.eventMouseButton(twice ? MouseAction::DoubleClick : MouseAction::Down, b.x, b.y, button, mods);
    }

    void key(XKeyEvent& k)
    {
        char text[8] = {};
        KeySym sym = 0;
        XLookupString(&k, text, sizeof text, &sym, nullptr);
        Key which = Key::Other;
        if (sym == XK_Up || sym == XK_KP_Up) which = Key::Up;
        if (sym == XK_Down || sym == XK_KP_Down) which = Key::Down;
        if (sym == XK_Return || sym == XK_KP_Enter) which = Key::Enter;
        if (sym == XK_Escape) which = Key::Escape;
        if (sym == XK_Left || sym == XK_KP_Left) which = Key::Left;
        if (sym == XK_Right || sym == XK_KP_Right) which = Key::Right;
        char c = text[0];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) c = 0;
        events.eventKey(which, c);
    }

    NativeWindowEvents& events;
    Display* display;
    Platform::X11::GLWindow made;
    bool isPopup;
    bool dirty = true, grabbed = false, ticking = false;
    bool hasShape = false;
    Cursor shape = Cursor::Arrow;
    Clock::duration period{};
    Clock::time_point nextTick{};
    std::deque<uint32_t> commands;
    int lastButton = 0;
    Time lastTime = 0;
    int lastX = 0, lastY = 0;
};

class X11WindowSystem final : public WindowSystem {
public:
    const char* name() const override { return "x11"; }
    std::unique_ptr<NativeWindow> createWindow(NativeWindowEvents& events, int width, int height, void* parent) override
    {
        return std::make_unique<X11Window>(events, width, height,
                                           static_cast<Window>(reinterpret_cast<uintptr_t>(parent)), false, 0, 0);
    }

    std::unique_ptr<NativeWindow> createPopup(NativeWindowEvents& events, int x, int y, int width, int height) override
    {
        auto w = std::make_unique<X11Window>(events, width, height, 0, true, x, y);
        return w->created() ? std::move(w) : nullptr;
    }

    void setCursor(Cursor cursor) override
    {
        if (moving) {
            movingShape = cursor;  // shown when the move has been handled
            return;
        }
        for (X11Window* w : windows) w->showCursor(cursor);
    }

    int eventDescriptor() const override
    {
        Display* display = Platform::X11::connection();
        return display ? ConnectionNumber(display) : -1;
    }

    float systemScale() const override
    {
        // The desktop's font DPI, as Xft clients read it (96 is 100 %), from
        // the editors' own connection: a second connection opened and closed
        // just for this would make the server refuse the next one for a while.
        Display* display = Platform::X11::connection();
        const char* all = display ? XResourceManagerString(display) : nullptr;
        const std::string dpi = all ? Platform::X11::resource(all, "Xft.dpi") : std::string();
        const double value = dpi.empty() ? 0.0 : std::strtod(dpi.c_str(), nullptr);
        return value >= 24.0 && value <= 960.0 ? static_cast<float>(value / 96.0) : 1.0f;
    }

    bool screenSize(int& width, int& height) const override
    {
        Display* display = Platform::X11::connection();
        if (!display) return false;
        width = DisplayWidth(display, DefaultScreen(display));
        height = DisplayHeight(display, DefaultScreen(display));
        return width > 0 && height > 0;
    }

    void pump() override
    {
        Display* display = Platform::X11::connection();
        if (!display || windows.empty()) return;
        Platform::X11::ErrorTrap trap(display);  // a window the host destroyed may still be named in requests
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            for (X11Window* w : std::vector<X11Window*>(windows))
                if (X11Window::alive(w) && w->id() == e.xany.window) {
                    w->handle(e);
                    break;
                }
        }
        const Clock::time_point now = Clock::now();
        for (X11Window* w : std::vector<X11Window*>(windows))
            if (X11Window::alive(w)) w->service(now);
    }

    void runModal(const std::function<bool()>& done) override
    {
        Display* display = Platform::X11::connection();
        if (!display) return;
        while (!done()) {
            pump();
            if (done()) break;
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 10);  // the timers keep running while a popup waits
        }
    }
};

}  // namespace

WindowSystem& systemWindowSystem()
{
    static X11WindowSystem system;
    return system;
}

}  // namespace Platform
