// The window system as the editor's toolkit sees it: what a native window
// tells the window host, and what the window host asks of it. Implemented with
// Win32 (win32/windowsystem.cpp), X11 (x11/windowsystem.cpp) and, in the tests,
// without any window. Nothing here includes an OS header.
//
// Contract: a native window is created for one NativeWindowEvents receiver
// and calls it on the window's thread only, with window-relative pixel
// coordinates (wheel events included). `eventDestroyed` is the last call: after it
// the native window sends nothing more, and the receiver may delete it from
// within that call. Menus show themselves modally: `show` returns when the
// menu closed; the chosen item (if any) arrives afterwards as `eventCommand`,
// and the menu's end as `eventCaptureChanged`.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace Platform {

enum class MouseAction { Down, Up, DoubleClick };

/// Keys a popup (menu, question) reacts to.
enum class Key { Other, Up, Down, Enter, Escape, Left, Right };

/// Mouse modifier bits, as the toolkit passes them to controls.
enum : int { kModShift = 1, kModControl = 2 };

class NativeWindowEvents {
public:
    virtual ~NativeWindowEvents() = default;
    virtual void eventPaint() = 0;
    virtual void eventClose() = 0;
    virtual void eventDestroyed() = 0;
    virtual void eventCommand(uint32_t id) = 0;
    virtual void eventTimer() = 0;
    virtual void eventMouseMove(int x, int y, int mods) = 0;
    /// button 1 = left, 2 = right.
    virtual void eventMouseButton(MouseAction action, int x, int y, int button, int mods) = 0;
    /// distance in notches (one detent is 1.0, away from the user positive).
    virtual void eventMouseWheel(int x, int y, float distance, int mods) = 0;
    virtual void eventMouseLeft() = 0;
    virtual void eventCaptureChanged() = 0;
    /// A key pressed in a popup; `character` is its lower-case letter or digit, else 0.
    virtual void eventKey(Key, char) {}
};

class NativeMenu {
public:
    virtual ~NativeMenu() = default;
    /// A checked item shows a check mark before its text.
    virtual void addItem(const char* text, uint32_t id, bool enabled, bool checked) = 0;
    virtual void addSeparator() = 0;
    /// An item that opens a submenu, returned for filling; owned by this menu.
    /// Its own show is never called.
    virtual NativeMenu* addSubmenu(const char* text) = 0;
    /// Centred horizontally on (x, y) in window coordinates, top at y; returns when closed.
    virtual void show(int x, int y) = 0;
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    /// False when the system refused the window: such a window sends nothing.
    virtual bool created() const = 0;
    /// What the GL device draws into (HWND, X11 Window id), null when not created.
    virtual void* handle() const = 0;
    virtual void invalidate() = 0;
    /// An OK/Cancel question owned by the window; true for OK.
    virtual bool askOkCancel(const char* text, const char* caption) = 0;
    virtual void setCapture() = 0;
    virtual void releaseCapture() = 0;
    virtual bool hasCapture() const = 0;
    /// Ticks every `milliseconds` through `eventTimer` until stopTimer; false when refused.
    virtual bool startTimer(unsigned milliseconds) = 0;
    virtual void stopTimer() = 0;
    /// After a mouse move: ask for `eventMouseLeft` when the pointer leaves the window.
    virtual void trackLeave() = 0;
    /// Covers the client area in black (when drawing failed).
    virtual void fillBlack() = 0;
    /// Closes the window; `eventDestroyed` follows.
    virtual void destroy() = 0;
    /// Shows or hides the window (it is shown when made).
    virtual void setVisible(bool) {}
    /// Null where the system has no popup menus: the toolkit then draws its own.
    virtual std::unique_ptr<NativeMenu> createMenu() = 0;
    /// False where the system has no question box: the toolkit then draws its own.
    virtual bool hasQuestionBox() const { return true; }
    /// Delivers eventCommand(id) once the event being handled is done (a drawn menu's choice).
    virtual void postCommand(uint32_t) {}
    /// The client area's top-left corner on the screen.
    virtual void screenPosition(int& x, int& y) const { x = y = 0; }
    /// A popup takes the pointer and keyboard back (a popup of its own, a
    /// submenu, had them until it closed).
    virtual void takeInput() {}
};

/// The mouse pointer's look while over a control.
enum class Cursor { Arrow, Hand, SizeVertical };

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    /// "win32", "x11", or "" for a stand-in.
    virtual const char* name() const { return ""; }
    /// Sets the pointer's look now (controls set it on every mouse move).
    virtual void setCursor(Cursor) {}
    /// False where this build has no editor windows yet: the effect then
    /// offers no editor and hosts show their own view of the parameters.
    virtual bool hasWindows() const { return true; }
    /// Handles what the window system has waiting for our windows and runs
    /// their timers (the host's idle call, or its timer or descriptor callback);
    /// nothing where the system delivers events itself.
    virtual void pump() {}
    /// A file descriptor that turns readable when events wait for pump(), for
    /// hosts that watch descriptors for a plug-in; -1 where there is none.
    virtual int eventDescriptor() const { return -1; }
    /// A borderless window above everything at (x, y) on the screen that holds
    /// the pointer and keyboard while it lives (menus, questions); null where
    /// the system has its own menus and questions.
    virtual std::unique_ptr<NativeWindow> createPopup(NativeWindowEvents&, int, int, int, int) { return nullptr; }
    /// Handles events until `done` answers true (a popup's modal loop).
    virtual void runModal(const std::function<bool()>&) {}
    /// The screen's size in pixels, where popups must stay; false when unknown.
    virtual bool screenSize(int&, int&) const { return false; }
    /// How much larger than at 96 dpi the user has the system draw (Windows:
    /// the system's DPI; X11: Xft.dpi); 1 where nothing says.
    virtual float systemScale() const { return 1.0f; }
    /// The same for one window (HWND / Window id), which on Windows may sit on
    /// a monitor of its own DPI; the system's where nothing more is known.
    virtual float windowScale(void* window) const
    {
        (void)window;
        return systemScale();
    }
    /// A window of width x height pixels, a child of `parent` (HWND / Window id)
    /// or top-level when null. Never null; check created().
    virtual std::unique_ptr<NativeWindow> createWindow(NativeWindowEvents& events, int width, int height,
                                                       void* parent) = 0;
};

/// The platform's window system, or the stand-in a test installed.
WindowSystem& windowSystem();
/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
WindowSystem* setWindowSystem(WindowSystem* system);
/// The platform's own (win32/windowsystem.cpp, x11/windowsystem.cpp).
WindowSystem& systemWindowSystem();

}  // namespace Platform
