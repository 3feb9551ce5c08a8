// A drawing context that keeps what it is asked to draw, with the state it
// was drawn in, on a device whose textures hold nothing: drawing code tested
// without a window.
#pragma once

#include <vector>

#include "render/Device.h"

namespace TestSupport {

using namespace DXBlit;

// A context that keeps what it is asked to draw, with the state it was drawn
// in, on a device whose textures hold nothing.
class RecordingContext final : public Context {
public:
    struct Call {
        int blendMode, textureMode;
        std::vector<Quad> quads;
    };
    Shader* setShader(Shader* s) override
    {
        Shader* was = current;
        current = s;
        return was;
    }
    void applyState(int, int, Texture*, Texture*) override {}
    void drawQuads(const Quad* q, int count) override
    {
        calls.push_back({current->blendMode, current->textureMode, std::vector<Quad>(q, q + count)});
    }
    Device* getDevice() override { return &device; }

    Shader* current = nullptr;
    std::vector<Call> calls;

private:
    struct NullTexture final : StaticTexture {
        void release() override { delete this; }
        void setDensity(float) override {}
        void upload(const uint32_t*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override {}
    };
    struct NullDevice final : Device {
        void release() override {}
        StaticTexture* createTextureFromPng(const uint8_t*, size_t) override { return nullptr; }
        StaticTexture* createStaticTexture(uint32_t, uint32_t) override { return new NullTexture; }
        void render(Scene&) override {}
        void setScale(float) override {}
    } device;
};

}  // namespace TestSupport
