#include "toolkit/DrawnPopups.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "render/Font.h"
#include "render/GLDevice.h"

namespace Vornkit {

namespace {

constexpr uint32_t kPanel = 0xFF262626, kEdge = 0xFF5A5A5A, kText = 0xFFFFFFFF, kGrey = 0xFF7A7A7A,
                   kHighlight = 0xFFFED032, kHighlightText = 0xFF101010;
constexpr int kItemHeight = 20, kSeparatorHeight = 9, kPad = 14;

void fill(DXBlit::Context& c, float x, float y, float w, float h, uint32_t colour)
{
    DXBlit::Shader s(c, DXBlit::kBlendOpaque, DXBlit::kTexColour);
    DXBlit::drawQuad(c, DXBlit::makeQuad(x, y, w, h, 0, 0, colour));
}

// A label without its '&' marker, the letter the marker names (lower case)
// and where that letter stands in the label (npos for none).
std::string plain(const std::string& text, char* accelerator, size_t* at = nullptr)
{
    std::string out;
    if (accelerator) *accelerator = 0;
    if (at) *at = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            if (at && *at == std::string::npos) *at = out.size();
            if (accelerator && !*accelerator) {
                char c = text[i + 1];
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
                *accelerator = c;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

// A borderless popup with its own GL device and font, drawn by `paint` in
// logical pixels at `scale`, fed by the NativeWindowEvents it implements
// (the pointer turned into logical pixels); ends itself through `done`.
class Popup : public NativeWindowEvents, public DXBlit::Scene {
public:
    explicit Popup(float s) : scale(s > 0.0f ? s : 1.0f) {}
    ~Popup() override { close(); }

    /// At (x, y) on the screen (window pixels), w x h logical pixels.
    bool open(int x, int y, int w, int h)
    {
        width = w, height = h;
        screenX = x, screenY = y;
        window = windowSystem().createPopup(*this, x, y, pixels(w), pixels(h));
        return window != nullptr;
    }
    void close()
    {
        if (font) DXBlit::disposeFont(font);
        font = nullptr;
        if (device) device->release();
        device = nullptr;
        window.reset();
    }
    int pixels(int logical) const { return static_cast<int>(std::lround(static_cast<float>(logical) * scale)); }
    int logical(int p) const { return static_cast<int>(std::floor((static_cast<float>(p) + 0.5f) / scale)); }

    void eventPaint() override
    {
        try {
            if (!device) {
                device = new DXBlit::GLDevice(window->handle());
                device->setScale(scale);
            }
            device->render(*this);
        } catch (const DXBlit::Exception&) {
            window->fillBlack();
        }
    }
    void draw(DXBlit::Context& c) override
    {
        if (!font) font = DXBlit::createFont(c, 8, scale);
        fill(c, 0, 0, static_cast<float>(width), static_cast<float>(height), kEdge);
        fill(c, 1, 1, static_cast<float>(width - 2), static_cast<float>(height - 2), kPanel);
        if (font) paint(c, *font);
    }
    void eventClose() override { done = true; }
    void eventDestroyed() override { done = true; }
    void eventCommand(uint32_t) override {}
    void eventTimer() override {}
    void eventMouseLeft() override {}
    void eventCaptureChanged() override {}
    void eventMouseWheel(int, int, float, int) override {}
    void eventMouseMove(int x, int y, int) override { pointerMove(logical(x), logical(y)); }
    void eventMouseButton(MouseAction action, int x, int y, int, int) override
    {
        pointerButton(action, logical(x), logical(y));
    }

    virtual void paint(DXBlit::Context& c, DXBlit::Font& f) = 0;
    virtual void pointerMove(int, int) {}
    virtual void pointerButton(MouseAction, int, int) {}

    const float scale;
    std::unique_ptr<NativeWindow> window;
    DXBlit::GLDevice* device = nullptr;
    DXBlit::Font* font = nullptr;
    int width = 0, height = 0;    ///< logical pixels
    int screenX = 0, screenY = 0;  ///< where it opened, window pixels
    bool done = false;
};

// The logical size of a menu: wide enough for the longest label at about 6
// pixels a character (and the marks beside it), as tall as its items.
void menuSize(const std::vector<DrawnMenu::Item>& items, int& w, int& h)
{
    size_t longest = 0;
    for (const DrawnMenu::Item& i : items) longest = std::max(longest, plain(i.text, nullptr).size());
    w = static_cast<int>(longest) * 6 + 2 * kPad + 8;
    h = 4;
    for (const DrawnMenu::Item& i : items) h += i.separator ? kSeparatorHeight : kItemHeight;
}

class MenuPopup final : public Popup {
public:
    MenuPopup(const std::vector<DrawnMenu::Item>& i, float s, bool sub) : Popup(s), items(i), isSubmenu(sub) {}

    bool usable(int i) const
    {
        return i >= 0 && !items[static_cast<size_t>(i)].separator && items[static_cast<size_t>(i)].enabled;
    }
    int itemTop(int index) const
    {
        int top = 2;
        for (int i = 0; i < index; ++i) top += items[static_cast<size_t>(i)].separator ? kSeparatorHeight : kItemHeight;
        return top;
    }
    int itemAt(int y) const
    {
        int top = 2;
        for (size_t i = 0; i < items.size(); ++i) {
            const int h = items[i].separator ? kSeparatorHeight : kItemHeight;
            if (y >= top && y < top + h) return usable(static_cast<int>(i)) ? static_cast<int>(i) : -1;
            top += h;
        }
        return -1;
    }
    void choose(int i)
    {
        if (items[static_cast<size_t>(i)].submenu) return openSubmenu(i);
        chosen = true;
        chosenId = items[static_cast<size_t>(i)].id;
        done = true;
    }
    void step(int direction)
    {
        const int n = static_cast<int>(items.size());
        for (int k = 1; k <= n; ++k) {
            const int i = ((highlighted < 0 ? (direction > 0 ? -1 : 0) : highlighted) + direction * k + n * 2) % n;
            if (usable(i)) {
                highlighted = i;
                if (window) window->invalidate();
                return;
            }
        }
    }
    /// Opens item i's submenu beside it, its first entry lit, and waits for it:
    /// its choice is ours, a click elsewhere ends every menu, Left or Escape
    /// comes back here.
    void openSubmenu(int i)
    {
        const DrawnMenu::Item& item = items[static_cast<size_t>(i)];
        highlighted = i;
        window->invalidate();
        MenuPopup child(item.submenu->entries(), scale, true);
        child.step(1);
        int w = 0, h = 0;
        menuSize(child.items, w, h);
        int x = screenX + pixels(width - 4), y = screenY + pixels(itemTop(i) - 2);
        int sw = 0, sh = 0;
        if (windowSystem().screenSize(sw, sh) && x + child.pixels(w) > sw) x = screenX - child.pixels(w - 4);
        placeOnScreen(x, y, child.pixels(w), child.pixels(h));
        if (child.open(x, y, w, h)) windowSystem().runModal([&] { return child.done || done; });
        child.close();
        if (window) window->takeInput();  // the pointer and keyboard are this menu's again
        if (child.chosen) {
            chosen = true;
            chosenId = child.chosenId;
            done = true;
        } else if (child.dismissed) {
            dismissed = done = true;
        }
    }

    void pointerMove(int x, int y) override
    {
        const int i = x >= 0 && x < width ? itemAt(y) : -1;
        if (i != highlighted) {
            highlighted = i;
            window->invalidate();
        }
    }
    void pointerButton(MouseAction action, int x, int y) override
    {
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        if (!inside && action != MouseAction::Up) {
            dismissed = done = true;  // a click elsewhere dismisses, as a native menu
            return;
        }
        const int i = itemAt(y);
        if (inside && i >= 0 && action == MouseAction::Up) choose(i);
    }
    void eventKey(Key key, char c) override
    {
        if (key == Key::Escape || (key == Key::Left && isSubmenu)) done = true;
        if (key == Key::Up) step(-1);
        if (key == Key::Down) step(1);
        if ((key == Key::Enter || key == Key::Right) && usable(highlighted) &&
            (key == Key::Enter || items[static_cast<size_t>(highlighted)].submenu))
            choose(highlighted);
        if (key == Key::Other && c)
            for (size_t i = 0; i < items.size(); ++i) {
                char accelerator = 0;
                plain(items[i].text, &accelerator);
                if (accelerator == c && usable(static_cast<int>(i))) return choose(static_cast<int>(i));
            }
    }

    void paint(DXBlit::Context& c, DXBlit::Font& f) override { paintMenuItems(c, f, items, width, highlighted); }

    const std::vector<DrawnMenu::Item>& items;
    const bool isSubmenu;
    int highlighted = -1;
    bool chosen = false;     ///< an item was chosen, here or in a submenu
    uint32_t chosenId = 0;
    bool dismissed = false;  ///< a click elsewhere: every menu ends
};

class QuestionPopup final : public Popup {
public:
    QuestionPopup(const char* t, const char* c, float s) : Popup(s), text(t ? t : ""), caption(c ? c : "") {}

    void pointerButton(MouseAction action, int x, int y) override
    {
        if (action != MouseAction::Up) return;
        if (y >= height - 34 && y < height - 10) {
            if (x >= width - 180 && x < width - 100) answer(true);
            if (x >= width - 90 && x < width - 10) answer(false);
        }
    }
    void eventKey(Key key, char) override
    {
        if (key == Key::Enter) answer(true);  // OK is the default button
        if (key == Key::Escape) answer(false);
    }
    void answer(bool ok)
    {
        yes = ok;
        done = true;
    }

    void paint(DXBlit::Context& c, DXBlit::Font& f) override
    {
        DXBlit::drawText(f, c, caption.c_str(), -1, 12, 20, kHighlight, false);
        float y = 42;
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            DXBlit::drawText(f, c, text.c_str() + start, static_cast<int>(end - start), 12, y, kText, false);
            y += 14;
            start = end + 1;
        }
        const float by = static_cast<float>(height - 34);
        fill(c, static_cast<float>(width - 180), by, 80, 24, kHighlight);
        DXBlit::drawText(f, c, "OK", -1, static_cast<float>(width - 140) - DXBlit::measureText(f, "OK", -1) / 2, by + 16,
                         kHighlightText, false);
        fill(c, static_cast<float>(width - 90), by, 80, 24, kEdge);
        DXBlit::drawText(f, c, "Cancel", -1, static_cast<float>(width - 50) - DXBlit::measureText(f, "Cancel", -1) / 2,
                         by + 16, kText, false);
    }

    std::string text, caption;
    bool yes = false;
};

}  // namespace

void paintMenuItems(DXBlit::Context& c, DXBlit::Font& f, const std::vector<DrawnMenu::Item>& items, int width,
                    int highlighted)
{
    float top = 2;
    for (size_t i = 0; i < items.size(); ++i) {
        const DrawnMenu::Item& item = items[i];
        if (item.separator) {
            fill(c, 6, top + 4, static_cast<float>(width - 12), 1, kEdge);
            top += kSeparatorHeight;
            continue;
        }
        const bool lit = static_cast<int>(i) == highlighted;
        if (lit) fill(c, 2, top, static_cast<float>(width - 4), kItemHeight, kHighlight);
        size_t at = 0;
        const std::string label = plain(item.text, nullptr, &at);
        const uint32_t colour = !item.enabled ? kGrey : lit ? kHighlightText : kText;
        if (item.checked) {
            // A tick left of the text: a short stroke down, a long one up.
            static const int tick[7][2] = {{0, 2}, {1, 3}, {2, 4}, {3, 3}, {4, 2}, {5, 1}, {6, 0}};
            for (const auto& t : tick)
                fill(c, static_cast<float>(3 + t[0]), top + 7 + static_cast<float>(t[1]), 1, 2, colour);
        }
        if (item.submenu)
            for (int k = 0; k < 4; ++k)  // a small triangle pointing right, at the right edge
                fill(c, static_cast<float>(width - 12 + k), top + 7 + static_cast<float>(k), 1,
                     static_cast<float>(7 - 2 * k), colour);
        // The accelerator's letter underlined, as Windows draws it.
        const int n = static_cast<int>(at == std::string::npos ? label.size() : at);
        float x = kPad + DXBlit::drawText(f, c, label.c_str(), n, kPad, top + 14, colour, false);
        if (at != std::string::npos && at < label.size()) {
            x += DXBlit::drawText(f, c, label.c_str() + at, 1, x, top + 14, colour, true);
            DXBlit::drawText(f, c, label.c_str() + at + 1, -1, x, top + 14, colour, false);
        }
        top += kItemHeight;
    }
}

void placeOnScreen(int& x, int& y, int w, int h, int menuAnchorY)
{
    int sw = 0, sh = 0;
    if (!windowSystem().screenSize(sw, sh)) return;
    if (menuAnchorY >= 0 && y + h > sh && menuAnchorY - h >= 0) y = menuAnchorY - h;
    x = std::max(0, std::min(x, sw - w));
    y = std::max(0, std::min(y, sh - h));
}

void DrawnMenu::addItem(const char* text, uint32_t id, bool enabled, bool checked)
{
    items.push_back({text ? text : "", id, enabled, false, checked, nullptr});
}

void DrawnMenu::addSeparator() { items.push_back({"", 0, false, true}); }

NativeMenu* DrawnMenu::addSubmenu(const char* text)
{
    submenus.push_back(std::make_unique<DrawnMenu>(host, hostEvents, scale));
    items.push_back({text ? text : "", 0, true, false, false, submenus.back().get()});
    return submenus.back().get();
}

void DrawnMenu::show(int x, int y)
{
    MenuPopup popup(items, scale, false);
    int w = 0, h = 0;
    menuSize(items, w, h);
    int sx = 0, sy = 0;
    host.screenPosition(sx, sy);
    const int pw = popup.pixels(w), ph = popup.pixels(h);
    int px = sx + x - pw / 2, py = sy + y;
    placeOnScreen(px, py, pw, ph, sy + y);
    if (popup.open(px, py, w, h)) windowSystem().runModal([&] { return popup.done; });
    popup.close();
    // As a native menu: its end is a capture change for the host, the choice comes afterwards.
    hostEvents.eventCaptureChanged();
    if (popup.chosen) host.postCommand(popup.chosenId);
}

bool askDrawn(NativeWindow& host, const char* text, const char* caption, float scale)
{
    int lines = 1;
    for (const char* p = text; p && *p; ++p) lines += *p == '\n';
    const int w = 340, h = 90 + lines * 14;
    QuestionPopup popup(text, caption, scale);
    int sx = 0, sy = 0;
    host.screenPosition(sx, sy);
    int px = sx + popup.pixels(110), py = sy + popup.pixels(10);
    placeOnScreen(px, py, popup.pixels(w), popup.pixels(h));
    if (!popup.open(px, py, w, h)) return false;
    windowSystem().runModal([&] { return popup.done; });
    popup.close();
    return popup.yes;
}

}  // namespace Vornkit
