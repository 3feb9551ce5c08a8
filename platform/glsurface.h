// An OpenGL surface on a window: the few window-system calls the drawing
// layer needs, one step at a time, so that the drawing layer decides their
// order and reports each failure by itself.
//
// Contract: a surface is opened on a native window (an HWND on Windows, an X11
// Window id on Linux, both passed as void*). The caller then takes the
// drawable, chooses and sets the pixel format, creates the context, and at the
// end deletes the context and releases the drawable. A surface whose steps
// failed still accepts releaseDrawable. Entry points are looked up with a
// context current; OpenGL 1.1 functions are found too. Surfaces are used on
// the window's thread only. Tests install a stand-in for the factory.
#pragma once

#include <memory>

namespace Platform {

/// The thread's current drawing target: (HDC, HGLRC) on Windows, (Display*,
/// GLXDrawable, GLXContext) on Linux. All null when nothing is current.
struct GLCurrent {
    void* display = nullptr;
    void* drawable = nullptr;
    void* context = nullptr;
};

class IGLSurface {
public:
    virtual ~IGLSurface() = default;

    /// GetDC on Windows; the window's connection on Linux.
    virtual void takeDrawable() = 0;
    /// A double-buffered RGBA format with 24 colour bits and nothing else; 0 when none exists.
    virtual int choosePixelFormat() = 0;
    virtual bool setPixelFormat(int format) = 0;
    virtual bool createContext() = 0;
    /// False when the system refused; the context is gone either way.
    virtual bool deleteContext() = 0;
    virtual void releaseDrawable() = 0;

    /// What is current on this thread now, whoever made it current.
    virtual GLCurrent current() const = 0;
    virtual bool makeCurrent() = 0;
    /// Makes `previous` current again; all null means none.
    virtual bool restore(const GLCurrent& previous) = 0;
    virtual void swapBuffers() = 0;
    /// False once the window is gone (a host may destroy it first): nothing can
    /// be made current on it any more, and its GL objects went with it.
    virtual bool drawableAlive() const = 0;
    /// The window's client area in pixels; 0 by 0 when the window is gone.
    virtual void clientSize(int& width, int& height) const = 0;
    /// An OpenGL entry point, core or extension; null when the driver has none.
    virtual void* procAddress(const char* name) const = 0;
};

class IGLSurfaces {
public:
    virtual ~IGLSurfaces() = default;
    virtual std::unique_ptr<IGLSurface> open(void* window) = 0;
};

std::unique_ptr<IGLSurface> openGLSurface(void* window);
/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IGLSurfaces* setGLSurfaces(IGLSurfaces* surfaces);
IGLSurfaces& systemGLSurfaces();

}  // namespace Platform
