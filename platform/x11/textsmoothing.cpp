// Text smoothing from the X resources the desktop publishes (xrdb), as Xft
// clients read them: Xft.antialias and Xft.rgba.
#include <string>

#include "platform/textsmoothing.h"
#include "platform/x11/display.h"

namespace Platform {

namespace {

class SystemTextSmoothing final : public ITextSmoothing {
public:
    TextSmoothing read() override
    {
        TextSmoothing t;
        Display* display = X11::connection();
        const char* all = display ? XResourceManagerString(display) : nullptr;
        if (!all) return t;
        const std::string antialias = X11::resource(all, "Xft.antialias");
        const std::string rgba = X11::resource(all, "Xft.rgba");
        const bool smoothed = antialias != "0" && antialias != "false" && antialias != "False";
        if (smoothed && (rgba == "rgb" || rgba == "bgr")) {
            t.subpixel = true;
            t.order = rgba == "rgb" ? SubpixelOrder::Rgb : SubpixelOrder::Bgr;
        }
        return t;
    }
};

}  // namespace

ITextSmoothing& systemTextSmoothing()
{
    static SystemTextSmoothing smoothing;
    return smoothing;
}

}  // namespace Platform
