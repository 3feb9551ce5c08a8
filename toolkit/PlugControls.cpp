#include "toolkit/PlugControls.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/Font.h"
#include "toolkit/PlugEditor.h"
#include "toolkit/Windowing.h"

namespace Vornkit {

namespace {

constexpr char kLearning[] = "..learning..";

float clampRaw(float v)
{
    if (v > 1.0f) return 1.0f;
    if (!(v >= 0.0f)) return 0.0f;  // below 0 and NaN
    return v;
}

void textCentred(DXBlit::Font* font, DXBlit::Context& c, const char* text, float cx, float baseline, uint32_t colour,
                 bool underline)
{
    if (!font) return;
    DXBlit::drawText(*font, c, text, -1, cx - DXBlit::measureText(*font, text, -1) * 0.5f, baseline, colour, underline);
}

uint32_t opaque(int32_t rgb) { return static_cast<uint32_t>(rgb) | 0xFF000000u; }

}  // namespace

void resetParameter(IPlugData& data, int32_t param)
{
    if (data.isLearning(param)) data.cancelLearn();
    data.setEditing(param, true);
    data.resetToDefault(param);
    data.setEditing(param, false);
}

void showParameterMenu(Control& owner, IPlugData& data, int32_t param, int anchorX, int anchorY)
{
    if (!owner.parent) return;
    std::unique_ptr<Menu> menu = owner.parent->createMenu(&owner);
    if (!menu) return;
    char text[32] = {};
    data.getDefaultText(param, text);
    char item[64];
    std::snprintf(item, sizeof item, "&Reset to default (%s)", text);
    menu->addItem(item, 0, true);
    menu->addSeparator();
    menu->addItem("MIDI &Learn", 1, true);
    const int32_t key = data.getMidiKey(param);
    if (key == -1) {
        menu->addItem("MIDI &Unlearn", 2, false);
    } else {
        std::snprintf(item, sizeof item, "MIDI &Unlearn (chan:%d, cc:%d)", ((key >> 8) & 0xF) + 1, key & 0xFF);
        menu->addItem(item, 2, true);
    }
    menu->show(anchorX, anchorY);
}

void parameterMenuCommand(IPlugData& data, int32_t param, uint32_t id)
{
    if (id == 0) resetParameter(data, param);
    if (id == 1) data.startLearn(param);
    if (id == 2) data.unlearn(param);
}

// ---- PlugKnobBase -----------------------------------------------------------

PlugKnobBase::PlugKnobBase(Container* frame, IPlugData* data, int px, int py, const char* text, int32_t index)
    : Control(frame, px, py, 80, 80), plugData(data), label(text), param(index)
{
}

PlugKnobBase::~PlugKnobBase()
{
    if (dragging) plugData->setEditing(param, false);  // every begun gesture ends once
}

bool PlugKnobBase::mouseMove(int, int py, int mods)
{
    if (dragging) {
        const int delta = lastY - py;
        lastY = py;
        if (delta != 0) {
            dragValue = clampRaw(dragValue + static_cast<float>(delta) / (mods ? 4000.0f : 400.0f));
            plugData->setValue(param, dragValue);
        }
        windowSystem().setCursor(Cursor::SizeVertical);
        return true;
    }
    if (!hover) {
        hover = true;
        redraw();
    }
    windowSystem().setCursor(Cursor::Hand);
    return true;
}

bool PlugKnobBase::mouseDown(int, int py, int button, int)
{
    if (plugData->isLearning(param)) plugData->cancelLearn();
    if (button == 1) {
        lastY = py;
        dragValue = plugData->currentValue(param);
        plugData->setEditing(param, true);
        dragging = true;
        if (parent) parent->setCapture(this);
        redraw();
    } else if (button == 2 && dragging) {
        plugData->setValue(param, 0.5f);
        if (parent) parent->setCapture(nullptr);  // the drag ends in captureLost
    } else if (button == 2) {
        showParameterMenu(*this, *plugData, param, static_cast<int>(width) / 2, static_cast<int>(height) - 12);
    }
    return true;
}

bool PlugKnobBase::mouseUp(int, int, int button, int)
{
    if (button == 1 && dragging && parent) parent->setCapture(nullptr);
    return true;
}

bool PlugKnobBase::doubleClick(int, int, int button, int)
{
    if (button == 1) resetParameter(*plugData, param);
    return true;
}

bool PlugKnobBase::mouseWheel(int, int, float distance, int mods)
{
    const float step = distance / (mods ? 200.0f : 20.0f);
    if (dragging) {
        dragValue = clampRaw(dragValue + step);
        plugData->setValue(param, dragValue);
        return true;
    }
    const float v = clampRaw(plugData->currentValue(param) + step);
    plugData->setEditing(param, true);
    plugData->setValue(param, v);
    plugData->setEditing(param, false);
    return true;
}

void PlugKnobBase::mouseLeave()
{
    if (!hover) return;
    hover = false;
    redraw();
}

void PlugKnobBase::captureLost()
{
    if (!dragging) return;
    plugData->setEditing(param, false);
    dragging = false;
    redraw();
}

void PlugKnobBase::menuCommand(uint32_t id)
{
    parameterMenuCommand(*plugData, param, id);
    redraw();
}

// ---- PlugKnob ---------------------------------------------------------------

bool PlugKnob::hitTest(int px, int py)
{
    const int dx = px - static_cast<int>(width) / 2, dy = py - static_cast<int>(height) / 2;
    return dx * dx + dy * dy < 1024;
}

void PlugKnob::draw(DXBlit::Context& c)
{
    using namespace DXBlit;
    char text[40] = {};
    const float v = plugData->getValue(param, text);
    int ax, ay;
    absolutePosition(ax, ay);
    {
        Shader s(c, kBlendPremultiplied, kTexCrossFade, plugData->getCommonTexture(), plugData->getCommonTexture());
        const float f = v * 95.0f;
        const int n = static_cast<int>(f);
        const float frac = f - static_cast<float>(n);
        const float x0 = static_cast<float>(ax), y0 = static_cast<float>(ay - 4);
        const float u = static_cast<float>(n % 8 * 40), vv = static_cast<float>(n / 8 * 40);
        const float s1 = static_cast<float>((n + 1) % 8 * 40), t1 = static_cast<float>((n + 1) / 8 * 40);
        const uint32_t tint = hover || dragging ? 0xFFFFFF : 0xE0E0E0;
        const uint32_t alpha = static_cast<uint32_t>(frac * 255.0f);
        const Quad quads[2] = {
            {x0, y0, x0 + 80, y0 + 80, 320, 0, 400, 80, 320, 0, 400, 80, 0xFFFFFFFF},
            {x0 + 20, y0 + 20, x0 + 60, y0 + 60, u, vv, u + 40, vv + 40, s1, t1, s1 + 40, t1 + 40, alpha << 24 | tint},
        };
        c.drawQuads(quads, 2);
    }
    const float cx = static_cast<float>(ax) + static_cast<float>(width) * 0.5f;
    const float baseline = static_cast<float>(ay) + static_cast<float>(height) - 2;
    const bool menuOpen = parent && parent->isMenuOpenFor(this);
    textCentred(plugData->getFont(menuOpen ? 1 : 0), c, label, cx, baseline - 12, opaque(plugData->getColour()),
                hover && !dragging);
    textCentred(plugData->getFont(dragging ? 1 : 0), c, plugData->isLearning(param) ? kLearning : text, cx, baseline,
                0xFFFFFFFF, false);
}

// ---- PlugSwitch -------------------------------------------------------------

PlugSwitch::PlugSwitch(Container* frame, IPlugData* data, int px, int py, uint32_t w, uint32_t h, const char* text,
                       int32_t index, bool single)
    : Control(frame, px, py, w, h), plugData(data), label(text), param(index), oneLine(single)
{
}

bool PlugSwitch::mouseMove(int, int, int)
{
    if (!hover) {
        hover = true;
        redraw();
    }
    return true;
}

bool PlugSwitch::mouseDown(int, int, int button, int)
{
    if (plugData->isLearning(param)) plugData->cancelLearn();
    if (button == 1) {
        const float v = plugData->currentValue(param);
        plugData->setEditing(param, true);
        plugData->setValue(param, v > 0.5f ? 0.0f : 1.0f);
        plugData->setEditing(param, false);
        redraw();
    } else if (button == 2) {
        const int anchorY = oneLine ? static_cast<int>(height) : static_cast<int>(height) - 12;
        showParameterMenu(*this, *plugData, param, static_cast<int>(width) / 2, anchorY);
    }
    return true;
}

void PlugSwitch::mouseLeave()
{
    hover = false;
    redraw();
}

void PlugSwitch::menuCommand(uint32_t id)
{
    parameterMenuCommand(*plugData, param, id);
    redraw();
}

void PlugSwitch::draw(DXBlit::Context& c)
{
    using namespace DXBlit;
    int ax, ay;
    absolutePosition(ax, ay);
    const float cx = static_cast<float>(ax) + static_cast<float>(width) * 0.5f;
    const float baseline = static_cast<float>(ay) + static_cast<float>(height) - 2;
    const uint32_t colour = opaque(plugData->getColour());
    const bool menuOpen = parent && parent->isMenuOpenFor(this);
    Font* small = plugData->getFont(0);
    if (oneLine) {
        if (menuOpen) {
            textCentred(plugData->getFont(1), c, label, cx, baseline, colour, false);
        } else if (plugData->isLearning(param)) {
            textCentred(small, c, kLearning, cx, baseline, 0xFFFFFFFF, false);
        } else if (small) {
            char text[32] = {};
            plugData->getValue(param, text);
            char joined[96];
            std::snprintf(joined, sizeof joined, "%s: %s", label, text);
            const float off = std::floor((static_cast<float>(width) - measureText(*small, joined, -1)) * 0.5f);
            // The label and colon in the label colour, the rest (from the blank) in white.
            const int head = static_cast<int>(std::strlen(label)) + 1;
            const float left = static_cast<float>(ax) + off;
            const float advance = drawText(*small, c, joined, head, left, baseline, colour, hover);
            drawText(*small, c, joined + head, -1, left + advance, baseline, 0xFFFFFFFF, false);
        }
        return;
    }
    char text[32] = {};
    plugData->getValue(param, text);
    textCentred(small, c, plugData->isLearning(param) ? kLearning : text, cx, baseline, 0xFFFFFFFF, false);
    textCentred(plugData->getFont(menuOpen ? 1 : 0), c, label, cx, baseline - 13, colour, hover && !menuOpen);
}

}  // namespace Vornkit
