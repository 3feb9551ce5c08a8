// Popup menus and the OK/Cancel question drawn by the toolkit itself, with the
// editor's GL drawing and font, where the window system has none of its own
// (X11). They behave as the native ones: modal, keyboard and mouse, greyed
// items, the menu centred under its anchor. [GUI thread]
#pragma once

#include <string>
#include <vector>

#include "toolkit/WindowSystem.h"

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

/// The question over `host`; true for OK.
bool askDrawn(NativeWindow& host, const char* text, const char* caption);

}  // namespace Vornkit
