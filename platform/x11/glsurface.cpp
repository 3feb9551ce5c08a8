// GLX behind the GL surface: the window is an X11 Window id on the plug-in's
// own connection. A window's visual is fixed when it is made, so "choosing the
// pixel format" finds the configuration that matches the window's visual.
#include "platform/glsurface.h"

#include <cstdint>

#include "platform/x11/display.h"

namespace Platform {

namespace {

class GlxSurface final : public IGLSurface {
public:
    explicit GlxSurface(void* w) : window(static_cast<Window>(reinterpret_cast<uintptr_t>(w))) {}
    ~GlxSurface() override { releaseDrawable(); }

    void takeDrawable() override
    {
        if (!display) display = X11::connection();
    }

    int choosePixelFormat() override
    {
        if (!display || !window) return 0;
        XWindowAttributes attributes{};
        {
            X11::ErrorTrap trap(display);
            if (!XGetWindowAttributes(display, window, &attributes) || trap.failed()) return 0;
        }
        const VisualID wanted = XVisualIDFromVisual(attributes.visual);
        int count = 0;
        GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
        if (!configs) return 0;
        int chosen = 0, chosenExtras = 0;
        for (int i = 0; i < count; ++i) {
            int visual = 0, render = 0, drawable = 0, doubled = 0, red = 0, green = 0, blue = 0;
            int depth = 0, stencil = 0, id = 0;
            glXGetFBConfigAttrib(display, configs[i], GLX_VISUAL_ID, &visual);
            glXGetFBConfigAttrib(display, configs[i], GLX_RENDER_TYPE, &render);
            glXGetFBConfigAttrib(display, configs[i], GLX_DRAWABLE_TYPE, &drawable);
            glXGetFBConfigAttrib(display, configs[i], GLX_DOUBLEBUFFER, &doubled);
            glXGetFBConfigAttrib(display, configs[i], GLX_RED_SIZE, &red);
            glXGetFBConfigAttrib(display, configs[i], GLX_GREEN_SIZE, &green);
            glXGetFBConfigAttrib(display, configs[i], GLX_BLUE_SIZE, &blue);
            glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &depth);
            glXGetFBConfigAttrib(display, configs[i], GLX_STENCIL_SIZE, &stencil);
            glXGetFBConfigAttrib(display, configs[i], GLX_FBCONFIG_ID, &id);
            if (static_cast<VisualID>(visual) != wanted || !(render & GLX_RGBA_BIT) ||
                !(drawable & GLX_WINDOW_BIT) || !doubled || red < 8 || green < 8 || blue < 8)
                continue;
            // Nothing beyond colour is needed: prefer the configuration with the least extra.
            const int extras = depth + stencil;
            if (!chosen || extras < chosenExtras) {
                chosen = id;
                chosenExtras = extras;
            }
        }
        XFree(configs);
        return chosen;
    }

    bool setPixelFormat(int format) override
    {
        if (!display || format <= 0) return false;
        const int attributes[] = {GLX_FBCONFIG_ID, format, None};
        int count = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
        if (!configs) return false;
        if (count > 0) config = configs[0];
        XFree(configs);
        return config != nullptr;
    }

    bool createContext() override
    {
        if (!display || !config) return false;
        X11::ErrorTrap trap(display);
        context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
        if (trap.failed() && context) {
            glXDestroyContext(display, context);
            context = nullptr;
        }
        return context != nullptr;
    }

    bool deleteContext() override
    {
        if (!display || !context) return false;
        X11::ErrorTrap trap(display);
        if (glXGetCurrentContext() == context) glXMakeCurrent(display, None, nullptr);
        glXDestroyContext(display, context);
        context = nullptr;
        return !trap.failed();
    }

    void releaseDrawable() override
    {
        if (!display) return;
        if (context) deleteContext();
        display = nullptr;
        config = nullptr;
    }

    GLCurrent current() const override
    {
        GLCurrent c;
        c.context = glXGetCurrentContext();
        if (c.context) {
            c.display = glXGetCurrentDisplay();
            c.drawable = reinterpret_cast<void*>(static_cast<uintptr_t>(glXGetCurrentDrawable()));
        }
        return c;
    }

    bool makeCurrent() override
    {
        if (!display || !context) return false;
        X11::ErrorTrap trap(display);  // the window may be gone with its parent
        const bool made = glXMakeCurrent(display, window, context);
        return made && !trap.failed();
    }

    bool restore(const GLCurrent& previous) override
    {
        if (previous.context) {
            auto* other = static_cast<Display*>(previous.display);
            const auto drawable = static_cast<GLXDrawable>(reinterpret_cast<uintptr_t>(previous.drawable));
            return glXMakeCurrent(other, drawable, static_cast<GLXContext>(previous.context));
        }
        if (!glXGetCurrentContext()) return true;
        Display* releasing = display ? display : glXGetCurrentDisplay();
        return glXMakeCurrent(releasing, None, nullptr);
    }

    void swapBuffers() override
    {
        if (!display) return;
        X11::ErrorTrap trap(display);
        glXSwapBuffers(display, window);
    }

    bool drawableAlive() const override
    {
        if (!display || !window) return false;
        XWindowAttributes attributes{};
        X11::ErrorTrap trap(display);
        return XGetWindowAttributes(display, window, &attributes) && !trap.failed();
    }

    void clientSize(int& width, int& height) const override
    {
        width = height = 0;
        if (!display) return;
        XWindowAttributes attributes{};
        X11::ErrorTrap trap(display);
        if (XGetWindowAttributes(display, window, &attributes) && !trap.failed()) {
            width = attributes.width;
            height = attributes.height;
        }
    }

    void* procAddress(const char* name) const override
    {
        return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
    }

private:
    Window window;
    Display* display = nullptr;
    GLXFBConfig config = nullptr;
    GLXContext context = nullptr;
};

class SystemGLSurfaces final : public IGLSurfaces {
public:
    std::unique_ptr<IGLSurface> open(void* window) override { return std::make_unique<GlxSurface>(window); }
};

}  // namespace

IGLSurfaces& systemGLSurfaces()
{
    static SystemGLSurfaces surfaces;
    return surfaces;
}

}  // namespace Platform
