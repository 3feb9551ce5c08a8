#include "platform/x11/display.h"

#include <cstdlib>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define VESK_LEAK_CHECKED 1
#endif
#endif
#ifndef VESK_LEAK_CHECKED
#define VESK_LEAK_CHECKED 0
#endif

namespace Platform::X11 {

namespace {

// One connection for the life of the process, never closed: opening one per
// window costs a connection set-up each time (and a server hit by quick
// reconnects refuses clients for a while), and closing a connection that used
// GLX unloads the driver under whoever still holds its state, which some
// drivers do not survive.
Display* shared = nullptr;
bool errorSeen = false;

int recordError(Display*, XErrorEvent*)
{
    errorSeen = true;
    return 0;
}

}  // namespace

Display* connection()
{
    if (!shared) {
        shared = XOpenDisplay(nullptr);
#if VESK_LEAK_CHECKED
        // Kept on purpose when the library unloads (see above): not a leak to report.
        if (shared) __lsan_ignore_object(shared);
#endif
    }
    return shared;
}

ErrorTrap::ErrorTrap(Display* d) : display(d), previous(nullptr), outerSeen(errorSeen)
{
    XSync(display, False);  // earlier requests report to whoever handled them before
    errorSeen = false;
    previous = XSetErrorHandler(recordError);
}

ErrorTrap::~ErrorTrap()
{
    XSync(display, False);
    XSetErrorHandler(previous);
    errorSeen = outerSeen;  // an inner scope answers for its own errors
}

bool ErrorTrap::failed()
{
    XSync(display, False);
    return errorSeen;
}

GLXFBConfig chooseWindowConfig(Display* display)
{
    static const int attributes[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                                     GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                                     GLX_BLUE_SIZE, 8, GLX_X_RENDERABLE, True, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (!configs) return nullptr;
    // The server sorts by preference; the first without depth and stencil is
    // the closest to what the drawing needs, the first of all will do too.
    GLXFBConfig best = count > 0 ? configs[0] : nullptr;
    for (int i = 0; i < count; ++i) {
        int depth = 0, stencil = 0;
        glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &depth);
        glXGetFBConfigAttrib(display, configs[i], GLX_STENCIL_SIZE, &stencil);
        if (depth == 0 && stencil == 0) {
            best = configs[i];
            break;
        }
    }
    XFree(configs);
    return best;
}

GLWindow createGLWindow(Display* display, Window parent, int width, int height)
{
    GLWindow made;
    GLXFBConfig config = chooseWindowConfig(display);
    if (!config) return made;
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    if (!visual) return made;
    ErrorTrap trap(display);
    XSetWindowAttributes attributes{};
    made.colormap = XCreateColormap(display, parent, visual->visual, AllocNone);
    attributes.colormap = made.colormap;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    made.window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                  visual->depth, InputOutput, visual->visual,
                                  CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XFree(visual);
    if (trap.failed()) {
        if (made.window) XDestroyWindow(display, made.window);
        if (made.colormap) XFreeColormap(display, made.colormap);
        return {};
    }
    return made;
}

void destroyGLWindow(Display* display, const GLWindow& window)
{
    ErrorTrap trap(display);  // the window may already be gone with its parent
    if (window.window) XDestroyWindow(display, window.window);
    if (window.colormap) XFreeColormap(display, window.colormap);
}

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

}  // namespace Platform::X11
