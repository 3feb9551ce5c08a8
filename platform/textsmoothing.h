// How the system wants text smoothed, read each time a font is built.
//
// Contract: `subpixel` asks for per-channel (ClearType-like) text; `order`
// says which way the screen's subpixels run, or that the system gave no order
// and the previous one stays. Windows: the font-smoothing settings of
// SystemParametersInfo, off while Shift, Control and Alt are all held.
// Linux: the X resources Xft.antialias and Xft.rgba; greyscale without them.
// Tests install a stand-in. [GUI thread]
#pragma once

namespace Platform {

enum class SubpixelOrder { Keep, Rgb, Bgr };

struct TextSmoothing {
    bool subpixel = false;
    SubpixelOrder order = SubpixelOrder::Keep;
};

class ITextSmoothing {
public:
    virtual ~ITextSmoothing() = default;
    virtual TextSmoothing read() = 0;
};

TextSmoothing readTextSmoothing();
/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
ITextSmoothing* setTextSmoothing(ITextSmoothing* smoothing);
ITextSmoothing& systemTextSmoothing();

}  // namespace Platform
