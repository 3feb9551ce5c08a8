#include <windows.h>

#include "platform/textsmoothing.h"

namespace Platform {

namespace {

class SystemTextSmoothing final : public ITextSmoothing {
public:
    TextSmoothing read() override
    {
        TextSmoothing t;
        BOOL smoothing = FALSE;
        UINT type = 0;
        if (SystemParametersInfoA(SPI_GETFONTSMOOTHING, 0, &smoothing, 0) && smoothing &&
            SystemParametersInfoA(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0)) {
            t.subpixel = type == FE_FONTSMOOTHINGCLEARTYPE;
            if (t.subpixel) {
                UINT orientation = 0;
                const bool known = SystemParametersInfoA(SPI_GETFONTSMOOTHINGORIENTATION, 0, &orientation, 0);
                t.order = !known || orientation == FE_FONTSMOOTHINGORIENTATIONRGB ? SubpixelOrder::Rgb
                                                                                  : SubpixelOrder::Bgr;
            } else {
                t.order = SubpixelOrder::Rgb;
            }
        }
        // A way out for a user whose screen does not suit subpixel text.
        if ((GetKeyState(VK_SHIFT) & 0x8000) && (GetKeyState(VK_CONTROL) & 0x8000) && (GetKeyState(VK_MENU) & 0x8000))
            t.subpixel = false;
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
