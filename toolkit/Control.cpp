#include "toolkit/Control.h"

namespace Vornkit {

Control::Control(Container* p, int px, int py, uint32_t w, uint32_t h) : parent(p), x(px), y(py), width(w), height(h)
{
    if (parent) parent->children.push_back(this);
}

bool Control::confirm(const char* text, const char* caption) { return parent && parent->confirm(text, caption); }

void Control::redraw()
{
    if (visible && parent) parent->redraw();
}

void Control::absolutePosition(int& ax, int& ay) const
{
    ax = ay = 0;
    for (const Control* c = this; c; c = c->parent) ax += c->x, ay += c->y;
}

Container::Container(Container* p, uint32_t w, uint32_t h) : Control(p, 0, 0, w, h) {}

Container::~Container() { deleteChildren(); }

void Container::deleteChildren()
{
    hovered = nullptr;
    while (!children.empty()) {
        Control* last = children.back();
        children.pop_back();
        delete last;
    }
}

void Container::setCapture(Control* control)
{
    if (parent) parent->setCapture(control);
}

bool Container::hasCapture(Control* control) { return parent && parent->hasCapture(control); }

std::unique_ptr<Menu> Container::createMenu(Control* owner)
{
    return parent ? parent->createMenu(owner) : nullptr;
}

bool Container::isMenuOpenFor(Control* control) { return parent && parent->isMenuOpenFor(control); }

void Container::releaseResources()
{
    for (Control* c : children) c->releaseResources();
}

Control* Container::childAt(int px, int py)
{
    for (Control* c : children) {
        if (!c->enabled || !c->visible) continue;
        // Unsigned differences: left of or above the child wraps to a large number and misses.
        const uint32_t dx = static_cast<uint32_t>(px) - static_cast<uint32_t>(c->x);
        const uint32_t dy = static_cast<uint32_t>(py) - static_cast<uint32_t>(c->y);
        if (dx < c->width && dy < c->height && c->hitTest(px - c->x, py - c->y)) return c;
    }
    return nullptr;
}

template <class Call>
bool Container::route(int px, int py, Call call)
{
    Control* target = childAt(px, py);
    if (hovered && hovered != target) hovered->mouseLeave();
    hovered = target;
    return target ? call(*target, px - target->x, py - target->y) : false;
}

bool Container::mouseMove(int px, int py, int mods)
{
    return route(px, py, [&](Control& c, int cx, int cy) { return c.mouseMove(cx, cy, mods); });
}

bool Container::mouseDown(int px, int py, int button, int mods)
{
    return route(px, py, [&](Control& c, int cx, int cy) { return c.mouseDown(cx, cy, button, mods); });
}

bool Container::mouseUp(int px, int py, int button, int mods)
{
    return route(px, py, [&](Control& c, int cx, int cy) { return c.mouseUp(cx, cy, button, mods); });
}

bool Container::doubleClick(int px, int py, int button, int mods)
{
    return route(px, py, [&](Control& c, int cx, int cy) { return c.doubleClick(cx, cy, button, mods); });
}

bool Container::mouseWheel(int px, int py, float distance, int mods)
{
    return route(px, py, [&](Control& c, int cx, int cy) { return c.mouseWheel(cx, cy, distance, mods); });
}

void Container::mouseLeave()
{
    if (!hovered) return;
    Control* was = hovered;
    hovered = nullptr;
    was->mouseLeave();
}

void Container::draw(DXBlit::Context& context)
{
    for (Control* c : children) c->draw(context);
}

}  // namespace Vornkit
