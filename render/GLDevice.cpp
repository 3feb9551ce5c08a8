#include "render/GLDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "render/Image.h"

namespace DXBlit {

namespace {

// Cleared when the box has been shown: a driver without the combiners is
// reported once per process, however often the window retries.
bool extensionBoxPending = true;
bool powerOfTwoForced = false;

constexpr char kExtensionMessage[] =
    "Multitexturing with texture-env-combine not support by OpenGL.\n"
    "Some very old hardware simply doesn't support this feature.\n\n"
    "Otherwise, if you're running the latest drivers for your graphics card\n"
    "please report this error with your system details (GPU and OS)\n";

// Check points, fixed identifiers that a user's report quotes.
enum CheckPoint : int {
    kCheckMakeCurrent = 114,
    kCheckRestore = 127,
    kCheckChooseFormat = 195,
    kCheckSetFormat = 196,
    kCheckCreateContext = 199,
    kCheckCoreFunction = 250,
    kCheckMultiTexCoord = 251,
    kCheckActiveTexture = 252,
    kCheckDeleteContext = 294,
    kCheckTextureMode = 478,
    kCheckBlendMode = 509,
};

void reportCheck(int checkPoint)
{
    char line[123];
    std::snprintf(line, sizeof line, "Morlenvale GL: check failed at line %d (please report this bug).", checkPoint);
    Platform::debugOutput(line);
}

uint32_t roundUpToPowerOfTwo(uint32_t n)
{
    uint32_t p = 1;
    while (p < n && p < 0x80000000u) p <<= 1;
    return p;
}

constexpr uint32_t kFallbackPattern[16] = {
    0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00,  //
    0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00,  //
    0xFFFFFF00, 0xFFFFFF00, 0xFF0000FF, 0xFF0000FF,  //
    0xFFFFFF00, 0xFFFFFF00, 0xFF0000FF, 0xFF0000FF,
};

}  // namespace

void checkFailed(int checkPoint)
{
    reportCheck(checkPoint);
    throw Exception();
}

// ---- ContextGuard -----------------------------------------------------------

ContextGuard::ContextGuard(GLDevice& d) : device(d), unwinding(std::uncaught_exceptions())
{
    if (device.nestCount == 0) {
        previous = device.surface->current();
        if (!device.surface->makeCurrent()) checkFailed(kCheckMakeCurrent);
    }
    ++device.nestCount;
}

ContextGuard::~ContextGuard() noexcept(false)
{
    if (--device.nestCount != 0) return;
    if (device.gl.GetError) device.gl.GetError();  // only clears the pending error flag
    if (device.surface->restore(previous)) return;
    // Leaving because of another failure: that one is the one to report upwards.
    if (std::uncaught_exceptions() > unwinding) {
        reportCheck(kCheckRestore);
        return;
    }
    checkFailed(kCheckRestore);
}

// ---- GLDevice -------------------------------------------------------------

void GLDevice::forcePowerOfTwoTextures(bool force) { powerOfTwoForced = force; }

GLDevice::GLDevice(void* w) : window(w)
{
    surface = Platform::openGLSurface(window);
    surface->takeDrawable();
    const int format = surface->choosePixelFormat();
    int failed = 0;
    if (!format)
        failed = kCheckChooseFormat;
    else if (!surface->setPixelFormat(format))
        failed = kCheckSetFormat;
    else if (!surface->createContext())
        failed = kCheckCreateContext;
    if (failed) {
        surface->releaseDrawable();
        checkFailed(failed);
    }

    fallbackTexture = nullptr;
    try {
        ContextGuard guard(*this);
        loadFunctions();
        const auto* listed = reinterpret_cast<const char*>(gl.GetString(GL::kExtensions));
        const char* extensions = listed ? listed : "";
        const auto has = [extensions](const char* name) { return std::strstr(extensions, name) != nullptr; };
        if (!has("GL_ARB_multitexture") || !(has("GL_ARB_texture_env_combine") || has("GL_EXT_texture_env_combine"))) {
            if (extensionBoxPending) {
                extensionBoxPending = false;
                Platform::messageBox(kExtensionMessage, "Morlenvale GL error",
                                     Platform::kMbTaskModal | Platform::kMbIconError);
            }
            throw Exception();
        }
        multiTexCoord2f = reinterpret_cast<GL::MultiTexCoord2f>(surface->procAddress("glMultiTexCoord2fARB"));
        if (!multiTexCoord2f) checkFailed(kCheckMultiTexCoord);
        activeTexture = reinterpret_cast<GL::ActiveTexture>(surface->procAddress("glActiveTextureARB"));
        if (!activeTexture) checkFailed(kCheckActiveTexture);

        rectangleTextures =
            !powerOfTwoForced && (has("GL_ARB_texture_rectangle") || has("GL_EXT_texture_rectangle"));
        textureTarget = rectangleTextures ? GL::kTextureRectangle : GL::kTexture2D;
        textureBindingQuery = rectangleTextures ? GL::kTextureBindingRectangle : GL::kTextureBinding2D;
        gl.Enable(textureTarget);

        fallbackTexture = createStaticTexture(4, 4);
        fallbackTexture->upload(kFallbackPattern, 4, 0, 0, 4, 4);
    } catch (...) {
        teardown();
        throw;
    }
}

GLDevice::~GLDevice() { teardown(); }

void GLDevice::loadFunctions()
{
    bool complete = true;
#define VESK_GL_LOAD(name, result, params)                                              \
    gl.name = reinterpret_cast<decltype(gl.name)>(surface->procAddress("gl" #name)); \
    complete = complete && gl.name != nullptr;
    VESK_GL_FUNCTIONS(VESK_GL_LOAD)
#undef VESK_GL_LOAD
    if (!complete) checkFailed(kCheckCoreFunction);
}

void GLDevice::teardown()
{
    try {
        if (fallbackTexture) {
            fallbackTexture->release();
            fallbackTexture = nullptr;
        }
        if (!surface->deleteContext()) checkFailed(kCheckDeleteContext);
    } catch (const Exception&) {
    }
    surface->releaseDrawable();
    // Textures still alive cannot reach GL any more; their release then only frees them.
    for (GLTexture* t : textures) t->device = nullptr;
    textures.clear();
    if (statsTextures != 0) Platform::debugOutput("Morlenvale GL stats.textures non-zero; possible leak.");
}

void GLDevice::render(Scene& scene)
{
    int width = 0, height = 0;
    surface->clientSize(width, height);
    if (width <= 0 || height <= 0) return;  // a hidden or collapsed window: nothing to show

    ContextGuard guard(*this);
    gl.Viewport(0, 0, width, height);
    gl.MatrixMode(GL::kProjection);
    gl.LoadIdentity();
    gl.Ortho(0, width / scale, height / scale, 0, 0, 1);
    gl.MatrixMode(GL::kModelview);
    gl.LoadIdentity();
    gl.ClearColor(0.0f, 0.2f, 0.2f, 0.2f);
    gl.Clear(GL::kColorBufferBit);
    currentShader = nullptr;
    scene.draw(*this);
    surface->swapBuffers();
}

void GLDevice::readPixels(int width, int height, uint32_t* out)
{
    if (width <= 0 || height <= 0) return;
    gl.PixelStorei(GL::kPackAlignment, 4);
    gl.PixelStorei(GL::kPackRowLength, 0);
    std::vector<uint32_t> bottomUp(static_cast<size_t>(width) * height);
    gl.ReadPixels(0, 0, width, height, GL::kBgra, GL::kUnsignedByte, bottomUp.data());
    for (int row = 0; row < height; ++row) {
        const uint32_t* from = &bottomUp[static_cast<size_t>(height - 1 - row) * width];
        for (int x = 0; x < width; ++x) out[static_cast<size_t>(row) * width + x] = from[x] | 0xFF000000u;
    }
}

// ---- textures ---------------------------------------------------------------

StaticTexture* GLDevice::createStaticTexture(uint32_t width, uint32_t height)
{
    auto* texture = new GLStaticTexture();
    ++statsTextures;
    textures.push_back(texture);
    texture->width = rectangleTextures ? width : roundUpToPowerOfTwo(width);
    texture->height = rectangleTextures ? height : roundUpToPowerOfTwo(height);
    texture->device = this;
    try {
        // Both ends of the guard can fail: making the context current, and
        // handing back the one that was current before.
        ContextGuard guard(*this);
        gl.GenTextures(1, &texture->name);
        int bound = 0;
        gl.GetIntegerv(textureBindingQuery, &bound);
        gl.BindTexture(textureTarget, texture->name);
        gl.TexParameteri(textureTarget, GL::kTextureMinFilter, GL::kLinear);
        gl.TexParameteri(textureTarget, GL::kTextureMagFilter, GL::kLinear);
        gl.TexImage2D(textureTarget, 0, GL::kRgba, static_cast<int>(texture->width), static_cast<int>(texture->height),
                      0, GL::kBgra, GL::kUnsignedByte, nullptr);
        gl.BindTexture(textureTarget, static_cast<unsigned>(bound));
    } catch (...) {
        texture->release();  // the GL object where it can still be reached, the record always
        throw;
    }
    return texture;
}

StaticTexture* GLDevice::createTextureFromPng(const uint8_t* bytes, size_t size)
{
    // The picture loader checks the signature, decodes and packs the pixels the same way.
    try {
        return Vornkit::Image(bytes, size).createTexture(*this);
    } catch (const Vornkit::Image::Exception&) {
        return nullptr;
    }
}

void GLStaticTexture::upload(const uint32_t* pixels, uint32_t rowLength, uint32_t x, uint32_t y, uint32_t w,
                             uint32_t h)
{
    // Nothing of a device that is gone, and nothing outside the texture.
    if (!device || !pixels || x >= width || y >= height) return;
    GL::Functions& gl = device->gl;
    ContextGuard guard(*device);
    int bound = 0;
    gl.GetIntegerv(device->textureBindingQuery, &bound);
    gl.BindTexture(device->textureTarget, name);
    gl.PixelStorei(GL::kUnpackRowLength, static_cast<int>(rowLength));
    w = std::min(w, width - x);
    h = std::min(h, height - y);
    gl.TexSubImage2D(device->textureTarget, 0, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                     static_cast<int>(h), GL::kBgra, GL::kUnsignedByte, pixels);
    gl.BindTexture(device->textureTarget, static_cast<unsigned>(bound));
}

void GLTexture::release()
{
    if (GLDevice* d = device) {
        // A window that is gone took the texture with its context: nothing to make current.
        if (d->surface->drawableAlive()) {
            try {
                ContextGuard guard(*d);
                d->gl.BindTexture(d->textureTarget, 0);
                d->gl.DeleteTextures(1, &name);
            } catch (const Exception&) {
            }
        }
        --d->statsTextures;
        auto listed = std::find(d->textures.begin(), d->textures.end(), this);
        if (listed != d->textures.end()) d->textures.erase(listed);
    }
    delete this;
}

// ---- drawing state ----------------------------------------------------------

Shader* GLDevice::setShader(Shader* shader)
{
    Shader* was = currentShader;
    currentShader = shader;
    stateDirty = true;
    return was;
}

GLTexture* GLDevice::glTexture(Texture* texture)
{
    auto* t = dynamic_cast<GLTexture*>(texture ? texture : fallbackTexture);
    if (!t || t->device != this) t = dynamic_cast<GLTexture*>(fallbackTexture);
    return t;
}

void GLDevice::combinerSetup(int unit, Texture* texture, GL::Enum rgb, GL::Enum rgb0, GL::Enum rgb1, GL::Enum alpha,
                             GL::Enum alpha0, GL::Enum alpha1)
{
    activeTexture(GL::kTexture0 + static_cast<GL::Enum>(unit));
    gl.Enable(textureTarget);
    gl.BindTexture(textureTarget, glTexture(texture)->name);
    gl.TexEnvi(GL::kTextureEnv, GL::kTextureEnvMode, GL::kCombine);
    gl.TexEnvi(GL::kTextureEnv, GL::kCombineRgb, rgb);
    gl.TexEnvi(GL::kTextureEnv, GL::kSource0Rgb, rgb0);
    gl.TexEnvi(GL::kTextureEnv, GL::kSource1Rgb, rgb1);
    gl.TexEnvi(GL::kTextureEnv, GL::kCombineAlpha, alpha);
    gl.TexEnvi(GL::kTextureEnv, GL::kSource0Alpha, alpha0);
    gl.TexEnvi(GL::kTextureEnv, GL::kSource1Alpha, alpha1);
}

void GLDevice::unitOff(int unit)
{
    activeTexture(GL::kTexture0 + static_cast<GL::Enum>(unit));
    gl.Disable(textureTarget);
}

void GLDevice::applyState(int blendMode, int textureMode, Texture* texture0, Texture* texture1)
{
    if (textureMode < 0 || textureMode > 4) checkFailed(kCheckTextureMode);
    if (blendMode < 0 || blendMode > 4) checkFailed(kCheckBlendMode);

    GLTexture* t0 = glTexture(texture0);
    GLTexture* t1 = glTexture(texture1);
    if (rectangleTextures) {
        texelScale[0] = texelScale[1] = t0->density;
        texelScale[2] = texelScale[3] = t1->density;
    } else {
        texelScale[0] = t0->density / static_cast<float>(t0->width);
        texelScale[1] = t0->density / static_cast<float>(t0->height);
        texelScale[2] = t1->density / static_cast<float>(t1->width);
        texelScale[3] = t1->density / static_cast<float>(t1->height);
    }

    using namespace GL;
    const Enum T = kTextureSource, P = kPrevious, C = kPrimaryColor;
    switch (textureMode) {
    case kTexColour:
        unitOff(0);
        unitOff(1);
        unitOff(2);
        break;
    case kTexModulate:
        combinerSetup(0, t0, kModulate, T, P, kModulate, T, P);
        unitOff(1);
        unitOff(2);
        break;
    case kTexTint:
        combinerSetup(0, t0, kModulate, P, T, kReplace, P, T);
        unitOff(1);
        unitOff(2);
        break;
    case kTexModulateBoth:
        combinerSetup(0, t0, kModulate, T, P, kModulate, T, P);
        combinerSetup(1, t1, kModulate, T, P, kModulate, T, P);
        unitOff(2);
        break;
    case kTexCrossFade:
        combinerSetup(0, t0, kReplace, T, P, kReplace, T, P);
        combinerSetup(1, t1, kInterpolate, T, P, kInterpolate, T, P);
        gl.TexEnvi(kTextureEnv, kSource2Rgb, C);
        gl.TexEnvi(kTextureEnv, kOperand2Rgb, kSrcAlpha);
        gl.TexEnvi(kTextureEnv, kSource2Alpha, C);
        // Unit 2 only tints; its texture is bound so that the unit is enabled.
        combinerSetup(2, fallbackTexture, kModulate, P, C, kReplace, P, C);
        break;
    }

    switch (blendMode) {
    case kBlendOpaque: gl.Disable(kBlend); break;
    case kBlendPremultiplied: gl.Enable(kBlend); gl.BlendFunc(kOne, kOneMinusSrcAlpha); break;
    case kBlendAdd: gl.Enable(kBlend); gl.BlendFunc(kOne, kOne); break;
    case kBlendStraight: gl.Enable(kBlend); gl.BlendFunc(kSrcAlpha, kOneMinusSrcAlpha); break;
    case kBlendSubpixel: gl.Enable(kBlend); gl.BlendFunc(kSrcAlpha, kOneMinusSrcColor); break;
    }
    stateDirty = false;
}

void GLDevice::drawQuads(const Quad* quads, int count)
{
    if (stateDirty && currentShader)
        applyState(currentShader->blendMode, currentShader->textureMode, currentShader->texture0,
                   currentShader->texture1);
    gl.Begin(GL::kQuads);
    const auto vertex = [this](float x, float y, float u, float v, float s, float t, uint32_t colour) {
        multiTexCoord2f(GL::kTexture0, u * texelScale[0], v * texelScale[1]);
        multiTexCoord2f(GL::kTexture0 + 1, s * texelScale[2], t * texelScale[3]);
        gl.Color4ub(static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                    static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 24));
        gl.Vertex2f(x, y);
    };
    for (int i = 0; i < count; ++i) {
        const Quad& q = quads[i];
        vertex(q.x0, q.y0, q.u0, q.v0, q.s0, q.t0, q.colour);
        vertex(q.x0, q.y1, q.u0, q.v1, q.s0, q.t1, q.colour);
        vertex(q.x1, q.y1, q.u1, q.v1, q.s1, q.t1, q.colour);
        vertex(q.x1, q.y0, q.u1, q.v0, q.s1, q.t0, q.colour);
    }
    gl.End();
}

}  // namespace DXBlit
