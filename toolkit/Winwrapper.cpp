#include "toolkit/Winwrapper.h"

#include <cmath>

#include "platform/dialogs.h"
#include "render/GLDevice.h"
#include "toolkit/DrawnPopups.h"

namespace Vornkit {

namespace {

void failureBox(const char* text)
{
    Platform::messageBox(text, "Error!", Platform::kMbOk | Platform::kMbIconError);
}
}  // namespace

class Winwrapper::Dispatch {
public:
    explicit Dispatch(Winwrapper& w) : host(w) { ++host.dispatching; }
    ~Dispatch()
    {
        if (--host.dispatching == 0 && host.gone) delete &host;
    }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;

private:
    Winwrapper& host;
};

Winwrapper::Winwrapper(IFrameController* c, uint32_t w, uint32_t h, void* parentWindow, float s)
    : Container(nullptr, w, h), scale(s > 0.0f ? s : 1.0f), controller(c)
{
    native = windowSystem().createWindow(*this, scaled(w, scale), scaled(h, scale), parentWindow);
    if (!windowCreated()) failureBox("Failed to create a control.");
}

int Winwrapper::scaled(uint32_t logicalSize, float s) { return static_cast<int>(std::lround(static_cast<double>(logicalSize) * s)); }

int Winwrapper::logical(int p) const
{
    // The logical pixel holding the window pixel's centre: at scale 1, the pixel itself.
    return static_cast<int>(std::floor((static_cast<double>(p) + 0.5) / scale));
}

Winwrapper::~Winwrapper()
{
    deleteChildren();
    if (timerTarget && native) native->stopTimer();
    if (device) device->release();
    device = nullptr;
    native.reset();
}

// ---- services for the tree --------------------------------------------------

bool Winwrapper::confirm(const char* text, const char* caption)
{
    if (!windowCreated() || gone) return false;
    Dispatch busy(*this);  // the question's own message loop may destroy the window
    return native->hasQuestionBox() ? native->askOkCancel(text, caption) : askDrawn(*native, text, caption, scale);
}

void Winwrapper::redraw()
{
    if (windowCreated() && !gone) native->invalidate();
}

void Winwrapper::releaseResources()
{
    if (!device) return;
    Container::releaseResources();
    device->release();
    device = nullptr;
}

void Winwrapper::setCapture(Control* control)
{
    if (captured && captured != control) captured->captureLost();
    captured = control;
    if (!windowCreated()) return;
    if (!control) {
        native->releaseCapture();
        return;
    }
    native->setCapture();
    if (hovered && hovered != control) hovered->mouseLeave();
    hovered = control;
}

bool Winwrapper::hasCapture(Control* control) { return captured == control && windowCreated() && native->hasCapture(); }

std::unique_ptr<Menu> Winwrapper::createMenu(Control* owner)
{
    if (!owner || !windowCreated()) return nullptr;
    std::unique_ptr<NativeMenu> menu = native->createMenu();
    if (!menu) menu = std::make_unique<DrawnMenu>(*native, static_cast<NativeWindowEvents&>(*this), scale);
    return std::make_unique<WinMenu>(*this, *owner, std::move(menu));
}

bool Winwrapper::isMenuOpenFor(Control* control) { return menuOpen && menuOwner == control; }

void Winwrapper::setTimer(ITimerController* target)
{
    if (timerTarget && native) native->stopTimer();
    timerTarget = nullptr;
    if (!target || !windowCreated()) return;
    if (native->startTimer(10))
        timerTarget = target;
    else
        failureBox("Failed to create timer.");
}

void Winwrapper::menuShowing(Control* owner)
{
    menuOwner = owner;
    menuOpen = true;
    redraw();
}

// ---- events from the window ---------------------------------------------------

void Winwrapper::eventPaint()
{
    if (gone) return;
    Dispatch busy(*this);
    try {
        if (!device) {
            device = new DXBlit::GLDevice(native->handle());
            device->setScale(scale);
        }
        device->render(*this);
    } catch (const DXBlit::Exception&) {
        native->fillBlack();  // a failed creation leaves `device` null: the next paint tries again
    }
}

void Winwrapper::eventClose()
{
    if (gone) return;
    Dispatch busy(*this);
    if (!controller || controller->canClose()) native->destroy();
}

void Winwrapper::eventDestroyed()
{
    if (gone) return;
    gone = true;
    Dispatch busy(*this);  // deletes the host when the outermost handling returns
    if (controller) controller->windowDestroyed();
}

void Winwrapper::eventCommand(uint32_t id)
{
    if (gone) return;
    Dispatch busy(*this);
    Control* owner = menuOwner;
    menuOwner = nullptr;
    if (owner) owner->menuCommand(id);
}

void Winwrapper::eventTimer()
{
    if (gone || !timerTarget) return;
    Dispatch busy(*this);
    timerTarget->onTimer();
}

void Winwrapper::eventMouseMove(int px, int py, int mods)
{
    if (gone) return;
    Dispatch busy(*this);
    const int mx = logical(px), my = logical(py);
    if (captured) {
        int ax, ay;
        captured->absolutePosition(ax, ay);
        captured->mouseMove(mx - ax, my - ay, mods);
    } else {
        Container::mouseMove(mx, my, mods);
    }
    if (!gone) native->trackLeave();
}

void Winwrapper::eventMouseButton(MouseAction action, int px, int py, int button, int mods)
{
    if (gone) return;
    Dispatch busy(*this);
    int mx = logical(px), my = logical(py);
    if (captured) {
        int ax, ay;
        captured->absolutePosition(ax, ay);
        mx -= ax, my -= ay;
        if (action == MouseAction::Down) captured->mouseDown(mx, my, button, mods);
        if (action == MouseAction::Up) captured->mouseUp(mx, my, button, mods);
        if (action == MouseAction::DoubleClick) captured->doubleClick(mx, my, button, mods);
        return;
    }
    if (action == MouseAction::Down) Container::mouseDown(mx, my, button, mods);
    if (action == MouseAction::Up) Container::mouseUp(mx, my, button, mods);
    if (action == MouseAction::DoubleClick) Container::doubleClick(mx, my, button, mods);
}

void Winwrapper::eventMouseWheel(int px, int py, float distance, int mods)
{
    if (gone) return;
    Dispatch busy(*this);
    const int mx = logical(px), my = logical(py);
    if (captured) {
        int ax, ay;
        captured->absolutePosition(ax, ay);
        captured->mouseWheel(mx - ax, my - ay, distance, mods);
    } else {
        Container::mouseWheel(mx, my, distance, mods);
    }
}

void Winwrapper::eventMouseLeft()
{
    if (gone) return;
    Dispatch busy(*this);
    Container::mouseLeave();
}

void Winwrapper::eventCaptureChanged()
{
    if (gone) return;
    Dispatch busy(*this);
    if (captured) {
        Control* was = captured;
        captured = nullptr;
        was->captureLost();
    }
    if (menuOpen) {
        menuOpen = false;
        redraw();
    }
}

// ---- WinMenu ----------------------------------------------------------------

WinMenu::WinMenu(Winwrapper& h, Control& o, std::unique_ptr<NativeMenu> m)
    : host(h), owner(o), menu(std::move(m)), target(menu.get())
{
}

WinMenu::WinMenu(Winwrapper& h, Control& o, NativeMenu* submenu) : host(h), owner(o), target(submenu) {}

void WinMenu::addItem(const char* text, uint32_t id, bool enabled, bool checked)
{
    if (target) target->addItem(text ? text : "", id, enabled, checked);
}

void WinMenu::addSeparator()
{
    if (target) target->addSeparator();
}

Menu* WinMenu::addSubmenu(const char* text)
{
    NativeMenu* sub = target ? target->addSubmenu(text ? text : "") : nullptr;
    if (!sub) return nullptr;
    submenus.push_back(std::unique_ptr<WinMenu>(new WinMenu(host, owner, sub)));
    return submenus.back().get();
}

void WinMenu::show(int mx, int my)
{
    // The anchor in window coordinates: the owner's position and its parent's absolute one.
    int ax = 0, ay = 0;
    if (owner.parent) owner.parent->absolutePosition(ax, ay);
    mx += owner.x + ax;
    my += owner.y + ay;
    host.menuShowing(&owner);
    if (!menu || host.gone) return;
    Winwrapper::Dispatch busy(host);  // the menu's modal loop may destroy the window
    // The native menu opens in window pixels.
    menu->show(static_cast<int>(std::lround(mx * host.scale)), static_cast<int>(std::lround(my * host.scale)));
}

}  // namespace Vornkit
