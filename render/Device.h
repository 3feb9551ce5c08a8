// The drawing layer's interfaces: a device that owns a window's OpenGL
// context, the context every scene draws through, textures, the scoped
// drawing state and the quad, the one unit of all drawing.
//
// Pixels are 32-bit words 0xAARRGGBB (bytes B, G, R, A in memory), rows from
// the top, colour premultiplied by alpha. Everything here runs on the window's
// thread. Failures throw DXBlit::Exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

namespace DXBlit {

class NonCopyable {
public:
    NonCopyable() = default;
    virtual ~NonCopyable() = default;
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;
};

/// Every failure of the drawing layer; the reason went to the debug output.
class Exception : public std::exception {};

class Context;

/// Something that draws itself. Every control is one.
class Scene {
public:
    virtual ~Scene() = default;
    virtual void draw(Context& context) = 0;
};

/// Given back with release, never deleted by its owner.
class Texture : public NonCopyable {
public:
    virtual void release() = 0;
};

class StaticTexture : public Texture {
public:
    /// Texels per drawing unit (1 unless the picture was drawn denser, for a
    /// scaled window): texel coordinates given to quads stay in drawing units.
    virtual void setDensity(float texelsPerUnit) = 0;
    /// Copies width x height pixels from `pixels` (rows `rowLength` words apart)
    /// to x, y of the texture; the part beyond the texture is left out.
    virtual void upload(const uint32_t* pixels, uint32_t rowLength, uint32_t x, uint32_t y, uint32_t width,
                        uint32_t height) = 0;
};

class Device : public NonCopyable {
public:
    /// Deletes the device. Textures made by it should be released before.
    virtual void release() = 0;
    /// Null when the bytes are not a PNG the decoder accepts.
    virtual StaticTexture* createTextureFromPng(const uint8_t* bytes, size_t size) = 0;
    /// Never null; the content is undefined until uploaded.
    virtual StaticTexture* createStaticTexture(uint32_t width, uint32_t height) = 0;
    /// Draws one frame of the scene into the window and shows it.
    virtual void render(Scene& scene) = 0;
    /// Window pixels per drawing unit: scenes draw in units, the window shows
    /// them `scale` times larger (1 unless the window is scaled).
    virtual void setScale(float scale) = 0;
};

class Shader;

/// One rectangle: drawing units (window pixels at scale 1), texels of units 0
/// and 1 (in drawing units of a texture's density), one vertex colour.
struct Quad {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
    float s0, t0, s1, t1;
    uint32_t colour;  ///< 0xAARRGGBB at all four corners
};
static_assert(sizeof(Quad) == 13 * 4, "a quad is thirteen 32-bit fields");

class Context : public NonCopyable {
public:
    /// Makes `shader` current and returns the one that was.
    virtual Shader* setShader(Shader* shader) = 0;
    /// Programs texture units and blending; drawQuads calls it when the state changed.
    virtual void applyState(int blendMode, int textureMode, Texture* texture0, Texture* texture1) = 0;
    /// Draws with the current shader's state. Only from within a scene's draw.
    virtual void drawQuads(const Quad* quads, int count) = 0;
    virtual Device* getDevice() = 0;
};

/// Texture modes: how the vertex colour and textures 0 and 1 combine.
enum TextureMode : int {
    kTexColour = 0,        ///< colour
    kTexModulate = 1,      ///< T0 x colour
    kTexTint = 2,          ///< RGB colour x T0, alpha colour
    kTexModulateBoth = 3,  ///< T0 x T1 x colour
    kTexCrossFade = 4,     ///< mix of T0 and T1 by colour alpha, times colour RGB
};

/// Blend modes: how the result meets the window.
enum BlendMode : int {
    kBlendOpaque = 0,
    kBlendPremultiplied = 1,
    kBlendAdd = 2,
    kBlendStraight = 3,
    kBlendSubpixel = 4,
};

/// Drawing state for one scope: current while it lives, the previous one again
/// after. Costs nothing until quads are drawn. Null textures draw the fallback pattern.
class Shader : public NonCopyable {
public:
    Shader(Context& context, int blendMode, int textureMode, Texture* texture0 = nullptr,
           Texture* texture1 = nullptr);
    ~Shader() override;

    Context& context;
    Shader* previous;
    int textureMode;
    int blendMode;
    Texture* texture0;
    Texture* texture1;
};

/// A one-to-one blit of a w x h texel rectangle at u, v (both units) to x, y.
Quad makeQuad(float x, float y, float w, float h, float u, float v, uint32_t colour);
inline void drawQuad(Context& context, const Quad& quad) { context.drawQuads(&quad, 1); }

}  // namespace DXBlit
