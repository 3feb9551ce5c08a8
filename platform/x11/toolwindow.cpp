#include <cstdint>

#include "platform/toolwindow.h"
#include "platform/x11/display.h"

namespace Platform {

namespace {

class X11ToolWindow final : public ToolWindow {
public:
    X11ToolWindow(Display* d, const X11::GLWindow& w) : display(d), made(w)
    {
        deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, made.window, &deleteAtom, 1);
        // Keys over a child that does not listen to them come here, as in a host's window.
        XSelectInput(display, made.window, ExposureMask | StructureNotifyMask | KeyPressMask);
    }
    ~X11ToolWindow() override
    {
        X11::destroyGLWindow(display, made);
        XSync(display, False);
    }

    void* nativeHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(made.window)); }

    bool pump() override
    {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom) closed = true;
            if (event.type == DestroyNotify && event.xdestroywindow.window == made.window) closed = true;
            if (event.type == KeyPress) ++keys;
        }
        return !closed;
    }

    int keyPresses() const override { return keys; }

    void repaintNow() override
    {
        // An exposure of the whole window; children paint on their own expose, and
        // XSync waits until the server has handed the event out.
        XClearArea(display, made.window, 0, 0, 0, 0, True);
        XSync(display, False);
        pump();
    }

    void resize(int width, int height) override
    {
        XSizeHints hints{};
        hints.flags = PMinSize | PMaxSize;
        hints.min_width = hints.max_width = width;
        hints.min_height = hints.max_height = height;
        XSetWMNormalHints(display, made.window, &hints);
        XResizeWindow(display, made.window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
        pump();
    }

    bool capture(std::vector<uint32_t>& pixels, int& width, int& height, std::string& reason) override
    {
        XWindowAttributes attributes{};
        X11::ErrorTrap trap(display);
        reason = "the window's pixels could not be read";
        if (!XGetWindowAttributes(display, made.window, &attributes) || trap.failed()) return false;
        // The server keeps no pixels for the parts of a window off the screen.
        int atX = 0, atY = 0;
        Window child = 0;
        XTranslateCoordinates(display, made.window, attributes.root, 0, 0, &atX, &atY, &child);
        XWindowAttributes screen{};
        XGetWindowAttributes(display, attributes.root, &screen);
        if (atX < 0 || atY < 0 || atX + attributes.width > screen.width || atY + attributes.height > screen.height) {
            reason = "the window (" + std::to_string(attributes.width) + " x " + std::to_string(attributes.height) +
                     ") does not fit on the screen (" + std::to_string(screen.width) + " x " +
                     std::to_string(screen.height) + ")";
            return false;
        }
        XImage* image = XGetImage(display, made.window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (!image || trap.failed()) {
            if (image) XDestroyImage(image);
            return false;
        }
        width = attributes.width;
        height = attributes.height;
        pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                const auto channel = [p](unsigned long mask) {
                    if (!mask) return 0u;
                    int shift = 0;
                    while (!((mask >> shift) & 1)) ++shift;
                    const unsigned long top = mask >> shift;
                    return static_cast<uint32_t>(((p & mask) >> shift) * 255 / top);
                };
                pixels[static_cast<size_t>(y) * width + x] = 0xFF000000u | channel(image->red_mask) << 16 |
                                                             channel(image->green_mask) << 8 | channel(image->blue_mask);
            }
        XDestroyImage(image);
        return true;
    }

    void waitMapped()
    {
        for (;;) {
            XEvent event;
            XWindowEvent(display, made.window, StructureNotifyMask, &event);
            if (event.type == MapNotify) return;
        }
    }

private:
    Display* display;
    X11::GLWindow made;
    Atom deleteAtom = 0;
    bool closed = false;
    int keys = 0;
};

}  // namespace

std::unique_ptr<ToolWindow> ToolWindow::open(const char* title, int width, int height, std::string* reason)
{
    Display* display = X11::connection();
    if (!display) {
        if (reason) *reason = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    X11::GLWindow made = X11::createGLWindow(display, DefaultRootWindow(display), width, height);
    if (!made.window) {
        if (reason) *reason = "the X server offers no double-buffered RGBA OpenGL visual";
        return nullptr;
    }
    XStoreName(display, made.window, title ? title : "");
    // A fixed size, as an editor's window has.
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, made.window, &hints);
    auto window = std::make_unique<X11ToolWindow>(display, made);
    XMapWindow(display, made.window);
    window->waitMapped();
    return window;
}

}  // namespace Platform
