// Popup menus and the OK/Cancel question drawn by the toolkit itself, with the
// editor's GL drawing and font, where the window system has none of its own
// (X11). They behave as the native ones: modal, keyboard and mouse, greyed
// items, the menu centred under its anchor. [GUI thread]
#pragma once

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
    /// For the window `host`, whose events hear the menu's end and whose queue gets the choice.
    DrawnMenu(NativeWindow& window, NativeWindowEvents& events) : host(window), hostEvents(events) {}
    void addItem(const char* text, uint32_t id, bool enabled) override;
    void addSeparator() override;
    void show(int x, int y) override;

    struct Item {
        std::string text;  ///< with its '&' marker
        uint32_t id;
        bool enabled, separator;
    };

private:
    NativeWindow& host;
    NativeWindowEvents& hostEvents;
    std::vector<Item> items;
};

/// Draws a menu's items in a popup `width` pixels wide: greyed items grey,
/// the highlighted one lit, each accelerator's letter underlined.
void paintMenuItems(DXBlit::Context& c, DXBlit::Font& f, const std::vector<DrawnMenu::Item>& items, int width,
                    int highlighted);

/// The question over `host`; true for OK.
bool askDrawn(NativeWindow& host, const char* text, const char* caption);

/// Moves a popup of w x h at (x, y) on the screen inside the screen. A menu
/// (`menuAnchorY` >= 0, its top at that anchor) that would leave the bottom
/// opens above the anchor instead, as Windows menus do; then both coordinates
/// are shifted in as far as the screen allows.
void placeOnScreen(int& x, int& y, int w, int h, int menuAnchorY = -1);

}  // namespace Vornkit
