// The plug-in's own X11 connection, shared by its GL surfaces and windows on
// the GUI thread, and the pieces of Xlib etiquette they all need.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <string>

namespace Platform::X11 {

/// The connection, opened on first use ($DISPLAY) and kept for the life of
/// the process. Null when there is no display (later calls try again).
Display* connection();

/// Catches the X errors of the requests made while it lives, instead of
/// letting Xlib's default handler end the host's process. The destructor
/// flushes the requests so that their errors arrive inside the scope.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    /// Synchronises and answers whether any request since the start failed.
    bool failed();

private:
    Display* display;
    int (*previous)(Display*, XErrorEvent*);
    bool outerSeen;
};

/// The frame-buffer configuration every GL window of ours uses: RGBA, 8 bits a
/// colour channel, double-buffered, drawable to a window. Null when the server has none.
GLXFBConfig chooseWindowConfig(Display* display);

/// A child or top-level window with the visual of chooseWindowConfig, not yet
/// mapped, selecting exposure and structure events; window 0 on failure.
struct GLWindow {
    Window window = 0;
    Colormap colormap = 0;
};
GLWindow createGLWindow(Display* display, Window parent, int width, int height);
void destroyGLWindow(Display* display, const GLWindow& window);

/// The value of "NAME:" at the start of a line of a resource string
/// (XResourceManagerString, as xrdb publishes it), trimmed; "" when absent.
std::string resource(const char* all, const char* name);

}  // namespace Platform::X11
