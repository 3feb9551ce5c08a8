// The root of the control tree: owns the native window, turns its events
// into calls on the tree (capture, hover, timer ticks, menu commands,
// painting through the GL device) and answers what containers forward.
//
// Lifetime: deleted by its own window's destruction, never by
// its owner, unless the window was never created: then the owner deletes it.
// If the window goes while one of its events is still being handled (a menu's
// modal loop, a question box), the deletion waits until that handling returns,
// and nothing is delivered in between. [GUI thread]
#pragma once

#include <memory>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/Windowing.h"

namespace DXBlit {
class Device;
}

namespace Vornkit {

/// The window host's view of its owner.
class IFrameController {
public:
    virtual ~IFrameController() = default;
    virtual bool canClose() { return true; }
    /// The window is gone; the owner's last chance to give back GL resources.
    virtual void windowDestroyed() {}
};

class ITimerController {
public:
    virtual ~ITimerController() = default;
    virtual void onTimer() = 0;
};

class Winwrapper final : public Container, private NativeWindowEvents {
public:
    /// A child window of `parentWindow` (top-level when null) of the given size
    /// in logical pixels, shown `scale` times larger: the window is the size
    /// times the scale (rounded), the tree draws and hears the pointer in
    /// logical pixels. A refused window is reported ("Failed to create a
    /// control.") and leaves windowCreated() false.
    Winwrapper(IFrameController* controller, uint32_t width, uint32_t height, void* parentWindow, float scale = 1.0f);
    ~Winwrapper() override;

    bool windowCreated() const { return native && native->created(); }
    void* windowHandle() const { return native ? native->handle() : nullptr; }

    bool confirm(const char* text, const char* caption) override;
    void redraw() override;
    void releaseResources() override;
    void setCapture(Control* control) override;
    bool hasCapture(Control* control) override;
    std::unique_ptr<Menu> createMenu(Control* owner) override;
    bool isMenuOpenFor(Control* control) override;

    /// 10 ms ticks to `target`; null stops them. One timer at most.
    void setTimer(ITimerController* target);
    /// Called by a menu just before it shows itself.
    void menuShowing(Control* owner);
    /// Asks the window to close as its close button would (the owner may refuse).
    void requestClose() { eventClose(); }
    void showWindow(bool shown)
    {
        if (windowCreated() && !gone) native->setVisible(shown);
    }

    /// Window pixels per logical pixel.
    const float scale;
    /// The window's size in window pixels for a logical size at a scale.
    static int scaled(uint32_t logical, float scale);
    /// The logical pixel under window pixel p (the one holding the pixel's centre).
    int logical(int p) const;

    IFrameController* controller;
    ITimerController* timerTarget = nullptr;
    DXBlit::Device* device = nullptr;
    Control* captured = nullptr;
    Control* menuOwner = nullptr;
    bool menuOpen = false;

private:
    friend class WinMenu;

    // NativeWindowEvents
    void eventPaint() override;
    void eventClose() override;
    void eventDestroyed() override;
    void eventCommand(uint32_t id) override;
    void eventTimer() override;
    void eventMouseMove(int px, int py, int mods) override;
    void eventMouseButton(MouseAction action, int x, int y, int button, int mods) override;
    void eventMouseWheel(int px, int py, float distance, int mods) override;
    void eventMouseLeft() override;
    void eventCaptureChanged() override;

    /// Counts the events being handled, so that a window destroyed meanwhile
    /// deletes its host only when the outermost handling has returned.
    class Dispatch;

    std::unique_ptr<NativeWindow> native;
    int dispatching = 0;
    bool gone = false;
};

/// The window host's popup menu: remembers its owner, shows the native menu
/// at the owner's anchor in window coordinates.
class WinMenu final : public Menu {
public:
    WinMenu(Winwrapper& host, Control& owner, std::unique_ptr<NativeMenu> menu);
    void addItem(const char* text, uint32_t id, bool enabled, bool checked) override;
    void addSeparator() override;
    Menu* addSubmenu(const char* text) override;
    void show(int px, int py) override;

    Winwrapper& host;
    Control& owner;

private:
    /// A submenu: items go into the native submenu its parent made.
    WinMenu(Winwrapper& host, Control& owner, NativeMenu* submenu);
    std::unique_ptr<NativeMenu> menu;
    NativeMenu* target;  ///< menu, or the submenu this one fills
    std::vector<std::unique_ptr<WinMenu>> submenus;
};

}  // namespace Vornkit
