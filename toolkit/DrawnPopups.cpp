#include "toolkit/DrawnPopups.h"

#include <algorithm>
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

// A borderless popup with its own GL device and font, drawn by `paint`, fed
// by the NativeWindowEvents it implements; ends itself through `done`.
class Popup : public NativeWindowEvents, public DXBlit::Scene {
public:
    ~Popup() override { close(); }

    bool open(int x, int y, int w, int h)
    {
        width = w, height = h;
        window = windowSystem().createPopup(*this, x, y, w, h);
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

    void eventPaint() override
    {
        try {
            if (!device) device = new DXBlit::GLDevice(window->handle());
            device->render(*this);
        } catch (const DXBlit::Exception&) {
            window->fillBlack();
        }
    }
    void draw(DXBlit::Context& c) override
    {
        if (!font) font = DXBlit::createFont(c, 8);
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

    virtual void paint(DXBlit::Context& c, DXBlit::Font& f) = 0;

    std::unique_ptr<NativeWindow> window;
    DXBlit::GLDevice* device = nullptr;
    DXBlit::Font* font = nullptr;
    int width = 0, height = 0;
    bool done = false;
};

class MenuPopup final : public Popup {
public:
    explicit MenuPopup(const std::vector<DrawnMenu::Item>& i) : items(i) {}

    int itemAt(int y) const
    {
        int top = 2;
        for (size_t i = 0; i < items.size(); ++i) {
            const int h = items[i].separator ? kSeparatorHeight : kItemHeight;
            if (y >= top && y < top + h) return items[i].separator || !items[i].enabled ? -1 : static_cast<int>(i);
            top += h;
        }
        return -1;
    }
    void choose(int i)
    {
        chosen = i;
        done = true;
    }
    void step(int direction)
    {
        const int n = static_cast<int>(items.size());
        for (int k = 1; k <= n; ++k) {
            const int i = ((highlighted < 0 ? (direction > 0 ? -1 : 0) : highlighted) + direction * k + n * 2) % n;
            if (!items[static_cast<size_t>(i)].separator && items[static_cast<size_t>(i)].enabled) {
                highlighted = i;
                window->invalidate();
                return;
            }
        }
    }

    void eventMouseMove(int x, int y, int) override
    {
        const int i = x >= 0 && x < width ? itemAt(y) : -1;
        if (i != highlighted) {
            highlighted = i;
            window->invalidate();
        }
    }
    void eventMouseButton(MouseAction action, int x, int y, int, int) override
    {
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        if (!inside && action != MouseAction::Up) {
            done = true;  // a click elsewhere dismisses, as a native menu
            return;
        }
        const int i = itemAt(y);
        if (inside && i >= 0 && action == MouseAction::Up) choose(i);
    }
    void eventKey(Key key, char c) override
    {
        if (key == Key::Escape) done = true;
        if (key == Key::Up) step(-1);
        if (key == Key::Down) step(1);
        if (key == Key::Enter && highlighted >= 0) choose(highlighted);
        if (key == Key::Other && c)
            for (size_t i = 0; i < items.size(); ++i) {
                char accelerator = 0;
                plain(items[i].text, &accelerator);
                if (accelerator == c && items[i].enabled && !items[i].separator) return choose(static_cast<int>(i));
            }
    }

    void paint(DXBlit::Context& c, DXBlit::Font& f) override { paintMenuItems(c, f, items, width, highlighted); }

    const std::vector<DrawnMenu::Item>& items;
    int highlighted = -1;
    int chosen = -1;
};

class QuestionPopup final : public Popup {
public:
    QuestionPopup(const char* t, const char* c) : text(t ? t : ""), caption(c ? c : "") {}

    void eventMouseMove(int, int, int) override {}
    void eventMouseButton(MouseAction action, int x, int y, int, int) override
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

void DrawnMenu::addItem(const char* text, uint32_t id, bool enabled) { items.push_back({text ? text : "", id, enabled, false}); }

void DrawnMenu::addSeparator() { items.push_back({"", 0, false, true}); }

void DrawnMenu::show(int x, int y)
{
    // Wide enough for the longest label at about 6 pixels a character.
    size_t longest = 0;
    for (const Item& i : items) longest = std::max(longest, plain(i.text, nullptr).size());
    const int w = static_cast<int>(longest) * 6 + 2 * kPad + 8;
    int h = 4;
    for (const Item& i : items) h += i.separator ? kSeparatorHeight : kItemHeight;
    int sx = 0, sy = 0;
    host.screenPosition(sx, sy);
    int px = sx + x - w / 2, py = sy + y;
    placeOnScreen(px, py, w, h, sy + y);
    MenuPopup popup(items);
    if (popup.open(px, py, w, h)) windowSystem().runModal([&] { return popup.done; });
    popup.close();
    // As a native menu: its end is a capture change for the host, the choice comes afterwards.
    hostEvents.eventCaptureChanged();
    if (popup.chosen >= 0) host.postCommand(items[static_cast<size_t>(popup.chosen)].id);
}

bool askDrawn(NativeWindow& host, const char* text, const char* caption)
{
    int lines = 1;
    for (const char* p = text; p && *p; ++p) lines += *p == '\n';
    const int w = 340, h = 90 + lines * 14;
    int sx = 0, sy = 0;
    host.screenPosition(sx, sy);
    int px = sx + 110, py = sy + 10;
    placeOnScreen(px, py, w, h);
    QuestionPopup popup(text, caption);
    if (!popup.open(px, py, w, h)) return false;
    windowSystem().runModal([&] { return popup.done; });
    popup.close();
    return popup.yes;
}

}  // namespace Vornkit
