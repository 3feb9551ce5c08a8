// Text smoothing from the X resources the desktop publishes (xrdb), as Xft
// clients read them: Xft.antialias and Xft.rgba.
#include <cstring>
#include <string>

#include "platform/textsmoothing.h"
#include "platform/x11/display.h"

namespace Platform {

namespace {

// The value of "NAME:" at the start of a line of the resource string, trimmed.
std::string resource(const char* all, const char* name)
{
    const size_t length = std::strlen(name);
    for (const char* line = all; line && *line;) {
        const char* end = std::strchr(line, '\n');
        const size_t size = end ? static_cast<size_t>(end - line) : std::strlen(line);
        if (size > length && std::strncmp(line, name, length) == 0 && line[length] == ':') {
            std::string value(line + length + 1, size - length - 1);
            const size_t first = value.find_first_not_of(" \t");
            const size_t last = value.find_last_not_of(" \t\r");
            return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        }
        line = end ? end + 1 : nullptr;
    }
    return {};
}

class SystemTextSmoothing final : public ITextSmoothing {
public:
    TextSmoothing read() override
    {
        TextSmoothing t;
        Display* display = X11::connection();
        const char* all = display ? XResourceManagerString(display) : nullptr;
        if (!all) return t;
        const std::string antialias = resource(all, "Xft.antialias");
        const std::string rgba = resource(all, "Xft.rgba");
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
