// The control tree: every piece of the editor is a Control; a Container owns
// children and routes mouse input to the child under the pointer. The root
// (Winwrapper) implements what containers forward to their parent.
//
// Coordinates are signed pixels relative to the parent, y downwards; every
// mouse coordinate a control receives is relative to its own top-left corner.
// Buttons: 1 = left, 2 = right. mods: bit 0 Shift, bit 1 Control. Wheel
// distances in notches. [GUI thread]
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render/Device.h"

namespace Vornkit {

class NoCopy {
public:
    NoCopy() = default;
    virtual ~NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

class Container;
class Menu;

class Control : public NoCopy, public DXBlit::Scene {
public:
    /// Appends itself to the parent's children when a parent is given.
    Control(Container* parent, int x, int y, uint32_t width, uint32_t height);

    virtual bool confirm(const char* text, const char* caption);
    virtual void redraw();
    virtual void releaseResources() {}
    virtual bool hitTest(int, int) { return true; }
    virtual bool mouseMove(int, int, int) { return true; }
    virtual bool mouseDown(int, int, int, int) { return true; }
    virtual bool mouseUp(int, int, int, int) { return true; }
    /// A control without its own double click sees a second press.
    virtual bool doubleClick(int px, int py, int button, int mods) { return mouseDown(px, py, button, mods); }
    virtual bool mouseWheel(int, int, float, int) { return true; }
    virtual void mouseLeave() {}
    virtual void captureLost() {}
    virtual void menuCommand(uint32_t) {}

    void draw(DXBlit::Context&) override {}

    /// Position in window coordinates: the sum of the positions up to the root.
    void absolutePosition(int& ax, int& ay) const;

    Container* parent;
    int x, y;
    uint32_t width, height;
    bool enabled = true;
    bool visible = true;
};

class Container : public Control {
public:
    /// At (0, 0) of its parent.
    Container(Container* parent, uint32_t width, uint32_t height);
    /// Deletes the children, last-added first.
    ~Container() override;

    // Forwarded to the parent; the root answers.
    virtual void setCapture(Control* control);
    virtual bool hasCapture(Control* control);
    virtual std::unique_ptr<Menu> createMenu(Control* owner);
    virtual bool isMenuOpenFor(Control* control);

    void releaseResources() override;
    bool hitTest(int px, int py) override { return childAt(px, py) != nullptr; }
    bool mouseMove(int px, int py, int mods) override;
    bool mouseDown(int px, int py, int button, int mods) override;
    bool mouseUp(int px, int py, int button, int mods) override;
    bool doubleClick(int px, int py, int button, int mods) override;
    bool mouseWheel(int px, int py, float distance, int mods) override;
    void mouseLeave() override;
    void draw(DXBlit::Context& context) override;

    /// The earliest-added enabled, visible child whose rectangle (right and
    /// bottom edges excluded) and hitTest accept the point; null for none.
    Control* childAt(int px, int py);

    std::vector<Control*> children;  ///< owned, in insertion order
    Control* hovered = nullptr;

protected:
    void deleteChildren();

private:
    /// Hover bookkeeping, then `call` on the child under the point in its coordinates.
    template <class Call>
    bool route(int px, int py, Call call);
};

/// A popup menu built by a control through its window host; the chosen item
/// arrives later as the owner's menuCommand.
class Menu : public NoCopy {
public:
    /// A checked item shows a check mark before its text.
    virtual void addItem(const char* text, uint32_t id, bool enabled, bool checked = false) = 0;
    virtual void addSeparator() = 0;
    /// An item that opens a submenu, returned for filling (owned by this menu;
    /// null when the system refused it). Its choices come to the owner as this menu's do.
    virtual Menu* addSubmenu(const char* text) = 0;
    /// Shows the menu anchored at (x, y) in the owner's coordinates; returns when it closed.
    virtual void show(int px, int py) = 0;
};

}  // namespace Vornkit
