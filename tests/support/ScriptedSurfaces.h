// The system's GL surfaces with faults and oddities on request, installed for
// the stand-in's lifetime: pixel formats refused, a zero-sized window, another
// extension list; drawables taken and released are counted.
#pragma once

#include <cstring>
#include <memory>

#include "platform/glsurface.h"
#include "render/GLApi.h"

namespace TestSupport {

/// While set, glGetString answers this extension list.
inline const char* scriptedExtensions = nullptr;
inline const unsigned char* VESK_GLAPI scriptedGetString(unsigned)
{
    return reinterpret_cast<const unsigned char*>(scriptedExtensions);
}

class ScriptedSurfaces final : public Platform::IGLSurfaces {
public:
    ScriptedSurfaces() : previous(Platform::setGLSurfaces(this)) {}
    ~ScriptedSurfaces() override { Platform::setGLSurfaces(previous); }

    bool failPixelFormat = false;
    bool zeroSize = false;
    /// The n-th call from now of making the context current, or of handing
    /// back the previous one (which is still restored), fails; 0: none.
    int failMakeCurrentAt = 0, failRestoreAt = 0;
    int drawablesTaken = 0, drawablesReleased = 0;

    std::unique_ptr<Platform::IGLSurface> open(void* window) override
    {
        return std::make_unique<Surface>(Platform::systemGLSurfaces().open(window), *this);
    }

private:
    class Surface final : public Platform::IGLSurface {
    public:
        Surface(std::unique_ptr<Platform::IGLSurface> s, ScriptedSurfaces& o) : real(std::move(s)), owner(o) {}
        void takeDrawable() override { ++owner.drawablesTaken, real->takeDrawable(); }
        int choosePixelFormat() override { return real->choosePixelFormat(); }
        bool setPixelFormat(int f) override { return !owner.failPixelFormat && real->setPixelFormat(f); }
        bool createContext() override { return real->createContext(); }
        bool deleteContext() override { return real->deleteContext(); }
        void releaseDrawable() override { ++owner.drawablesReleased, real->releaseDrawable(); }
        Platform::GLCurrent current() const override { return real->current(); }
        bool makeCurrent() override { return !due(owner.failMakeCurrentAt) && real->makeCurrent(); }
        bool restore(const Platform::GLCurrent& p) override
        {
            const bool restored = real->restore(p);
            return !due(owner.failRestoreAt) && restored;
        }
        void swapBuffers() override { real->swapBuffers(); }
        bool drawableAlive() const override { return real->drawableAlive(); }
        void clientSize(int& w, int& h) const override
        {
            real->clientSize(w, h);
            if (owner.zeroSize) w = h = 0;
        }
        void* procAddress(const char* name) const override
        {
            if (scriptedExtensions && std::strcmp(name, "glGetString") == 0)
                return reinterpret_cast<void*>(&scriptedGetString);
            return real->procAddress(name);
        }

    private:
        static bool due(int& countdown) { return countdown > 0 && --countdown == 0; }
        std::unique_ptr<Platform::IGLSurface> real;
        ScriptedSurfaces& owner;
    };
    Platform::IGLSurfaces* previous;
};

}  // namespace TestSupport
