// A plain top-level window for the developer tools: something to draw into
// and to host an editor in, on the screen the system gives (X11's $DISPLAY on
// Linux). Not part of the plug-in. [the thread that opened it]
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

class ToolWindow {
public:
    /// A shown window whose client area is width by height pixels, ready for
    /// OpenGL; null with the reason when the system refuses one.
    static std::unique_ptr<ToolWindow> open(const char* title, int width, int height, std::string* reason);
    virtual ~ToolWindow() = default;

    /// HWND on Windows, the X11 Window id on Linux.
    virtual void* nativeHandle() const = 0;
    /// Handles the events waiting (none is waited for); false once the user has closed the window.
    /// On Windows a wheel turn goes to the child window under the pointer, as Windows 10 does.
    virtual bool pump() = 0;
    /// Key presses that reached this window, typed into it or passed on by a
    /// child window that takes no keys (an editor), since it opened.
    virtual int keyPresses() const = 0;
    /// Gives the client area a new size (an editor asked for one).
    virtual void resize(int width, int height) = 0;
    /// Repaints the window and its children now, waiting until they have drawn. [benchmarks]
    virtual void repaintNow() = 0;
    /// The window's pixels with its children (0xAARRGGBB, rows from the top);
    /// false, with the reason, where they cannot be read.
    virtual bool capture(std::vector<uint32_t>& pixels, int& width, int& height, std::string& reason) = 0;
};

}  // namespace Platform
