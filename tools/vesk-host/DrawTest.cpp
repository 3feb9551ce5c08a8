#include "tools/vesk-host/DrawTest.h"

#include <memory>
#include <ostream>

#include "platform/textsmoothing.h"
#include "platform/toolwindow.h"
#include "platform/userfiles.h"
#include "render/Font.h"
#include "render/GLDevice.h"
#include "render/Image.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/PngWriter.h"

namespace HostKit {

namespace {

using namespace DXBlit;

// Textures given back when the scene ends, before the device goes.
// Text smoothing chosen by the scene, not by the system, so that every
// machine draws the same picture.
class SceneSmoothing final : public Platform::ITextSmoothing {
public:
    SceneSmoothing() : previous(Platform::setTextSmoothing(this)) {}
    ~SceneSmoothing() override { Platform::setTextSmoothing(previous); }
    Platform::TextSmoothing read() override { return next; }
    Platform::TextSmoothing next;

private:
    Platform::ITextSmoothing* previous;
};

struct FontHandle {
    Font* font = nullptr;
    ~FontHandle() { disposeFont(font); }
};

struct TextureHandle {
    Texture* texture = nullptr;
    TextureHandle() = default;
    explicit TextureHandle(StaticTexture* t) : texture(t) {}
    ~TextureHandle()
    {
        if (texture) texture->release();
    }
    TextureHandle(const TextureHandle&) = delete;
    TextureHandle& operator=(const TextureHandle&) = delete;
};

// A w x h ramp of premultiplied colour: alpha grows along x (horizontal) or y.
StaticTexture* rampTexture(Device& device, uint32_t w, uint32_t h, bool horizontal, float r, float g, float b)
{
    std::vector<uint32_t> pixels(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t a = horizontal ? x * 255 / (w - 1) : y * 255 / (h - 1);
            const auto c = [a](float f) { return static_cast<uint32_t>(static_cast<float>(a) * f + 0.5f); };
            pixels[size_t{y} * w + x] = a << 24 | c(r) << 16 | c(g) << 8 | c(b);
        }
    StaticTexture* t = device.createStaticTexture(w, h);
    t->upload(pixels.data(), w, 0, 0, w, h);
    return t;
}

StaticTexture* pictureTexture(Device& device, const char* name)
{
    std::unique_ptr<Vornkit::Image> image = Vornkit::loadImageResource(name);
    return image ? image->createTexture(device) : nullptr;
}

void fill(Context& c, float x, float y, float w, float h, uint32_t colour)
{
    Shader s(c, kBlendOpaque, kTexColour);
    drawQuad(c, makeQuad(x, y, w, h, 0, 0, colour));
}

class DrawTestScene final : public Scene {
public:
    explicit DrawTestScene(GLDevice& d) : device(d) {}

    void draw(Context& c) override
    {
        Device& dev = *c.getDevice();
        if (!background.texture) {
            background.texture = pictureTexture(dev, "Texture");
            common.texture = pictureTexture(dev, "commonTextures");
            ramp0.texture = rampTexture(dev, 64, 32, true, 1.0f, 0.6f, 0.2f);
            ramp1.texture = rampTexture(dev, 64, 32, false, 0.3f, 0.6f, 1.0f);
        }

        // The editor's background, opaque, one to one.
        {
            Shader s(c, kBlendOpaque, kTexModulate, background.texture);
            drawQuad(c, makeQuad(0, 0, 560, 170, 0, 0, 0xFFFFFFFF));
        }

        // Every texture mode (columns) with every blend mode (rows), over a
        // light and a dark half, with two ramps as textures 0 and 1.
        for (int blend = 0; blend <= 4; ++blend)
            for (int mode = 0; mode <= 4; ++mode) {
                const float x = 8.0f + 64.0f * static_cast<float>(mode);
                const float y = 178.0f + 36.0f * static_cast<float>(blend);
                fill(c, x, y, 28, 30, 0xFFFFFFFF);
                fill(c, x + 28, y, 28, 30, 0xFF304050);
                Shader s(c, blend, mode, ramp0.texture, ramp1.texture);
                drawQuad(c, makeQuad(x, y, 56, 30, 4, 1, 0xC0FFE0A0));
            }

        // The fallback pattern for a missing texture, one to one and stretched
        // (between the outer texel centres, so no wrap mode enters).
        {
            Shader s(c, kBlendOpaque, kTexModulate);
            const Quad quads[2] = {makeQuad(336, 178, 4, 4, 0, 0, 0xFFFFFFFF),
                                   {344, 178, 408, 242, 0.5f, 0.5f, 3.5f, 3.5f, 0.5f, 0.5f, 3.5f, 3.5f, 0xFFFFFFFF}};
            c.drawQuads(quads, 2);
        }

        // A film-strip pointer between cells 47 and 48 at weights 0, 128 and
        // 255, then the two cells themselves, on a grey strip.
        fill(c, 336, 250, 304, 48, 0xFF404040);
        {
            Shader s(c, kBlendPremultiplied, kTexCrossFade, common.texture, common.texture);
            const float u47 = 47 % 8 * 40, v47 = 47 / 8 * 40, u48 = 48 % 8 * 40, v48 = 48 / 8 * 40;
            Quad quads[3];
            const uint32_t alphas[3] = {0, 128, 255};
            for (int i = 0; i < 3; ++i) {
                const float x = 340.0f + 48.0f * static_cast<float>(i);
                quads[i] = {x, 254, x + 40, 294, u47, v47, u47 + 40, v47 + 40, u48, v48, u48 + 40, v48 + 40,
                            alphas[i] << 24 | 0xFFFFFF};
            }
            c.drawQuads(quads, 3);
        }
        {
            Shader s(c, kBlendPremultiplied, kTexModulate, common.texture);
            const Quad quads[2] = {makeQuad(484, 254, 40, 40, 47 % 8 * 40, 47 / 8 * 40, 0xFFFFFFFF),
                                   makeQuad(532, 254, 40, 40, 48 % 8 * 40, 48 / 8 * 40, 0xFFFFFFFF)};
            c.drawQuads(quads, 2);
        }

        // A one-to-one blit from inside the large picture (a power-of-two
        // texture must still show exactly these texels).
        {
            Shader s(c, kBlendPremultiplied, kTexModulate, common.texture);
            drawQuad(c, makeQuad(336, 306, 90, 30, 422, 50, 0xFFFFFFFF));
        }

        drawTexts(c);

        pixels.resize(size_t{kDrawTestWidth} * kDrawTestHeight);
        device.readPixels(kDrawTestWidth, kDrawTestHeight, pixels.data());
    }

    std::vector<uint32_t> pixels;
    TextureHandle background, common, ramp0, ramp1;
    FontHandle small, large, rgb, bgr;

private:
    // Read-outs as the editor writes them, white and yellow, at 8 and 10
    // points, greyscale; then one line in each subpixel order. Fonts take the
    // smoothing of their build, and drawing follows the newest build.
    void drawTexts(Context& c)
    {
        constexpr uint32_t kWhite = 0xFFFFFFFF, kYellow = 0xFFFED032;
        SceneSmoothing smoothing;
        small.font = createFont(c, 8);
        large.font = createFont(c, 10);
        if (!small.font || !large.font) return;
        drawText(*large.font, c, "Reverb time  2.350 s", -1, 14, 30, kWhite, false);
        drawText(*small.font, c, "Pre-delay  12.5 ms   Diffusion  60 %", -1, 14, 48, kWhite, false);
        drawText(*large.font, c, "Hi Cut  8.400 kHz", -1, 14, 76, kYellow, false);
        drawText(*small.font, c, "..learning..  CC 7 / ch 1", -1, 14, 94, kYellow, false);
        drawText(*large.font, c, "Save as default", -1, 14, 122, kWhite, true);
        drawText(*small.font, c, "0123456789 AaBbCcQqWwXx !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", -1, 14, 150, kYellow,
                 false);

        smoothing.next = {true, Platform::SubpixelOrder::Rgb};
        rgb.font = createFont(c, 10);
        if (rgb.font) drawText(*rgb.font, c, "Subpixel RGB", -1, 440, 322, kWhite, false);
        smoothing.next = {true, Platform::SubpixelOrder::Bgr};
        bgr.font = createFont(c, 10);
        if (bgr.font) drawText(*bgr.font, c, "Subpixel BGR", -1, 440, 346, kYellow, false);
    }


    GLDevice& device;
};

struct DeviceHandle {
    GLDevice* device = nullptr;
    ~DeviceHandle()
    {
        if (device) device->release();
    }
};

}  // namespace

std::vector<uint32_t> renderDrawTest(bool powerOfTwo)
{
    std::string reason;
    auto window = Platform::ToolWindow::open("vesk-host draw-test", kDrawTestWidth, kDrawTestHeight, &reason);
    if (!window) throw HostError("draw-test: " + reason);
    GLDevice::forcePowerOfTwoTextures(powerOfTwo);
    DeviceHandle handle;
    try {
        handle.device = new GLDevice(window->nativeHandle());
    } catch (const DXBlit::Exception&) {
        GLDevice::forcePowerOfTwoTextures(false);
        throw HostError("draw-test: no OpenGL device on this display (see the line above)");
    }
    GLDevice::forcePowerOfTwoTextures(false);
    window->pump();
    std::vector<uint32_t> pixels;
    {
        DrawTestScene scene(*handle.device);
        handle.device->render(scene);
        pixels = std::move(scene.pixels);
    }
    if (pixels.empty()) throw HostError("draw-test: the window has no area to draw in");
    return pixels;
}

int runDrawTest(const DrawTestOptions& options, std::ostream& out)
{
    const std::vector<uint32_t> pixels = renderDrawTest(options.powerOfTwo);
    const std::vector<uint8_t> png = encodePng(pixels.data(), kDrawTestWidth, kDrawTestHeight);
    std::string reason;
    if (!Platform::writeFileReplacing(options.output, png.data(), png.size(), &reason))
        throw HostError("cannot write '" + options.output + "': " + reason);
    out << "wrote " << options.output << " (" << kDrawTestWidth << " x " << kDrawTestHeight << ")\n";
    return 0;
}

}  // namespace HostKit
