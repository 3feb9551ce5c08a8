// The controls bound to one parameter each: the film-strip knob and the
// two-state switch. They reach the plug-in only through the frame's IPlugData,
// wrap every value change in a host edit gesture, and draw from the shared
// artwork. [GUI thread]
#pragma once

#include "toolkit/Control.h"

namespace Vornkit {

class IPlugData;

class PlugKnobBase : public Control {
public:
    /// 80 x 80 pixels at (x, y) of the frame.
    PlugKnobBase(Container* frame, IPlugData* data, int px, int py, const char* label, int32_t param);
    ~PlugKnobBase() override;

    bool mouseMove(int px, int py, int mods) override;
    bool mouseDown(int px, int py, int button, int mods) override;
    bool mouseUp(int px, int py, int button, int mods) override;
    bool doubleClick(int px, int py, int button, int mods) override;
    bool mouseWheel(int px, int py, float distance, int mods) override;
    void mouseLeave() override;
    void captureLost() override;
    void menuCommand(uint32_t id) override;

    IPlugData* plugData;
    const char* label;
    int32_t param;
    bool hover = false;
    bool dragging = false;
    int32_t lastY = 0;
    float dragValue = 0.0f;
};

class PlugKnob final : public PlugKnobBase {
public:
    using PlugKnobBase::PlugKnobBase;
    /// Only inside the circle of radius 32 around the centre.
    bool hitTest(int px, int py) override;
    void draw(DXBlit::Context& context) override;
};

class PlugSwitch final : public Control {
public:
    PlugSwitch(Container* frame, IPlugData* data, int px, int py, uint32_t w, uint32_t h, const char* label,
               int32_t param, bool oneLine);

    bool mouseMove(int px, int py, int mods) override;
    bool mouseDown(int px, int py, int button, int mods) override;
    void mouseLeave() override;
    void menuCommand(uint32_t id) override;
    void draw(DXBlit::Context& context) override;

    IPlugData* plugData;
    const char* label;
    int32_t param;
    bool hover = false;
    bool oneLine;
};

/// Shared by both controls: the reset flow and the right-click menu.
void resetParameter(IPlugData& data, int32_t param);
void showParameterMenu(Control& owner, IPlugData& data, int32_t param, int anchorX, int anchorY);
void parameterMenuCommand(IPlugData& data, int32_t param, uint32_t id);

}  // namespace Vornkit
