// The OpenGL implementation of the drawing layer's device and context, on the
// window-system surface of the platform layer.
//
// Lifetime: textures must be released before their device; the device reports
// any that were not ("stats.textures non-zero") on the debug output. A texture
// released after its device is gone only frees its own object: the device
// detached it, and its GL name went with the device's context.
#pragma once

#include <memory>
#include <vector>

#include "platform/glsurface.h"
#include "render/Device.h"
#include "render/GLApi.h"

namespace DXBlit {

/// Writes the numbered check-failure line to the debug output and throws Exception.
[[noreturn]] void checkFailed(int checkPoint);

class GLDevice;

class GLTexture : public Texture {
public:
    void release() override;

    unsigned name = 0;
    uint32_t width = 0;   ///< allocated, a power of two without rectangle textures
    uint32_t height = 0;
    float density = 1.0f;  ///< texels per drawing unit
    GLDevice* device = nullptr;  ///< null once the device is gone
};

class GLStaticTexture final : public StaticTexture, public GLTexture {
public:
    void release() override { GLTexture::release(); }
    void setDensity(float texelsPerUnit) override { density = texelsPerUnit > 0.0f ? texelsPerUnit : 1.0f; }
    void upload(const uint32_t* pixels, uint32_t rowLength, uint32_t x, uint32_t y, uint32_t width,
                uint32_t height) override;
};

class GLDevice final : public Device, public Context {
public:
    /// Creates the device on a native window (HWND, or X11 Window id). Throws
    /// Exception, leaving nothing behind, when the window system or the driver cannot.
    explicit GLDevice(void* window);
    ~GLDevice() override;

    // Device
    void release() override { delete this; }
    StaticTexture* createTextureFromPng(const uint8_t* bytes, size_t size) override;
    StaticTexture* createStaticTexture(uint32_t width, uint32_t height) override;
    void render(Scene& scene) override;
    void setScale(float s) override { scale = s > 0.0f ? s : 1.0f; }

    // Context
    Shader* setShader(Shader* shader) override;
    void applyState(int blendMode, int textureMode, Texture* texture0, Texture* texture1) override;
    void drawQuads(const Quad* quads, int count) override;
    Device* getDevice() override { return this; }

    /// Reads width x height pixels of the frame being drawn (from the top-left)
    /// as opaque 0xAARRGGBB words, rows from the top. Only from within a scene's draw.
    void readPixels(int width, int height, uint32_t* out);

    bool hasRectangleTextures() const { return rectangleTextures; }
    int liveTextures() const { return statsTextures; }

    /// For tests: behave as a driver without texture-rectangle extensions.
    static void forcePowerOfTwoTextures(bool force);

private:
    friend class ContextGuard;
    friend class GLTexture;
    friend class GLStaticTexture;

    void teardown();
    void loadFunctions();
    void combinerSetup(int unit, Texture* texture, GL::Enum rgb, GL::Enum rgb0, GL::Enum rgb1, GL::Enum alpha,
                       GL::Enum alpha0, GL::Enum alpha1);
    void unitOff(int unit);
    GLTexture* glTexture(Texture* texture);

    GL::MultiTexCoord2f multiTexCoord2f = nullptr;
    GL::ActiveTexture activeTexture = nullptr;
    std::unique_ptr<Platform::IGLSurface> surface;  ///< the device and rendering contexts
    Shader* currentShader = nullptr;
    bool stateDirty = false;
    int nestCount = 0;
    bool rectangleTextures = false;
    GL::Enum textureTarget = GL::kTexture2D;
    GL::Enum textureBindingQuery = GL::kTextureBinding2D;
    float texelScale[4] = {1, 1, 1, 1};
    float scale = 1.0f;  ///< window pixels per drawing unit
    StaticTexture* fallbackTexture = nullptr;
    int statsTextures = 0;
    void* window;
    GL::Functions gl;
    std::vector<GLTexture*> textures;  ///< live, detached at teardown
};

/// Makes the device's context current for a scope, nesting freely; the outermost
/// scope puts back whatever was current before it (possibly nothing).
class ContextGuard {
public:
    explicit ContextGuard(GLDevice& device);
    ~ContextGuard() noexcept(false);
    ContextGuard(const ContextGuard&) = delete;
    ContextGuard& operator=(const ContextGuard&) = delete;

private:
    GLDevice& device;
    Platform::GLCurrent previous;
    int unwinding;
};

}  // namespace DXBlit
