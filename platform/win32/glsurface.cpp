// WGL behind the GL surface: the window is an HWND.
#include <windows.h>

#include <cstdint>

#include "platform/glsurface.h"

namespace Platform {

namespace {

class WglSurface final : public IGLSurface {
public:
    explicit WglSurface(void* w) : window(static_cast<HWND>(w)) {}
    ~WglSurface() override
    {
        if (context) deleteContext();
        releaseDrawable();
    }

    void takeDrawable() override
    {
        if (!dc) dc = GetDC(window);
    }

    int choosePixelFormat() override
    {
        descriptor = PIXELFORMATDESCRIPTOR{};
        descriptor.nSize = sizeof descriptor;
        descriptor.nVersion = 1;
        descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        descriptor.iPixelType = PFD_TYPE_RGBA;
        descriptor.cColorBits = 24;
        return dc ? ChoosePixelFormat(dc, &descriptor) : 0;
    }

    bool setPixelFormat(int format) override { return dc && SetPixelFormat(dc, format, &descriptor); }

    bool createContext() override
    {
        context = dc ? wglCreateContext(dc) : nullptr;
        return context != nullptr;
    }

    bool deleteContext() override
    {
        if (!context) return false;
        const bool deleted = wglDeleteContext(context);
        context = nullptr;
        return deleted;
    }

    void releaseDrawable() override
    {
        if (!dc) return;
        ReleaseDC(window, dc);
        dc = nullptr;
    }

    GLCurrent current() const override
    {
        GLCurrent c;
        c.drawable = wglGetCurrentDC();
        c.context = wglGetCurrentContext();
        return c;
    }

    bool makeCurrent() override { return wglMakeCurrent(dc, context); }

    bool restore(const GLCurrent& previous) override
    {
        return wglMakeCurrent(static_cast<HDC>(previous.drawable), static_cast<HGLRC>(previous.context));
    }

    void swapBuffers() override { SwapBuffers(dc); }

    bool drawableAlive() const override { return IsWindow(window) != FALSE; }

    void clientSize(int& width, int& height) const override
    {
        RECT r{};
        if (!GetClientRect(window, &r)) r = RECT{};
        width = r.right;
        height = r.bottom;
    }

    void* procAddress(const char* name) const override
    {
        // Some drivers answer 1, 2, 3 or -1 for "not found".
        auto p = reinterpret_cast<void*>(wglGetProcAddress(name));
        const auto v = reinterpret_cast<intptr_t>(p);
        if (v >= -1 && v <= 3) p = nullptr;
        // The OpenGL 1.1 functions are exports of opengl32.dll, not driver entries.
        if (!p) p = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
        return p;
    }

private:
    HWND window;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    PIXELFORMATDESCRIPTOR descriptor{};
};

class SystemGLSurfaces final : public IGLSurfaces {
public:
    std::unique_ptr<IGLSurface> open(void* window) override { return std::make_unique<WglSurface>(window); }
};

}  // namespace

IGLSurfaces& systemGLSurfaces()
{
    static SystemGLSurfaces surfaces;
    return surfaces;
}

}  // namespace Platform
