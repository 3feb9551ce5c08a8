// Popup menus and the OK/Cancel question drawn by the toolkit itself, with the
// editor's GL drawing and font, where the window system has none of its own
// (X11). They behave as the native ones: modal, keyboard and mouse, greyed
// items, the menu centred under its anchor, submenus opened by Right, Return
// or a click with their first entry lit and left by Left or Escape. They are
// laid out in logical pixels and drawn at the editor's scale. [GUI thread]
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/Windowing.h"

namespace DXBlit {
class Context;
struct Font;
}

namespace Vornkit {

class DrawnMenu final : public NativeMenu {
public:
    /// For the window `host`, whose events hear the menu's end and whose queue
    /// gets the choice; drawn `scale` times larger than its logical size.
    DrawnMenu(NativeWindow& window, NativeWindowEvents& events, float drawScale = 1.0f)
        : host(window), hostEvents(events), scale(drawScale)
    {
    }
    void addItem(const char* text, uint32_t id, bool enabled, bool checked) override;
    void addSeparator() override;
    NativeMenu* addSubmenu(const char* text) override;
    void show(int x, int y) override;

    struct Item {
        std::string text;  ///< with its '&' marker
        uint32_t id;
        bool enabled, separator;
        bool checked = false;
        DrawnMenu* submenu = nullptr;  ///< the menu this item opens (owned by its menu), or null
    };
    const std::vector<Item>& entries() const { return items; }

private:
    NativeWindow& host;
    NativeWindowEvents& hostEvents;
    float scale;
    std::vector<Item> items;
    std::vector<std::unique_ptr<DrawnMenu>> submenus;
};

/// Draws a menu's items in a popup `width` logical pixels wide: greyed items
/// grey, the highlighted one lit, each accelerator's letter underlined, a
/// check mark before checked items and an arrow after those that open a submenu.
void paintMenuItems(DXBlit::Context& c, DXBlit::Font& f, const std::vector<DrawnMenu::Item>& items, int width,
                    int highlighted);

/// The question over `host`, drawn `scale` times larger than its logical size; true for OK.
bool askDrawn(NativeWindow& host, const char* text, const char* caption, float scale = 1.0f);

/// Moves a popup of w x h at (x, y) on the screen inside the screen. A menu
/// (`menuAnchorY` >= 0, its top at that anchor) that would leave the bottom
/// opens above the anchor instead, as Windows menus do; then both coordinates
/// are shifted in as far as the screen allows.
void placeOnScreen(int& x, int& y, int w, int h, int menuAnchorY = -1);

}  // namespace Vornkit
