#include "render/Device.h"

namespace DXBlit {

Shader::Shader(Context& c, int blend, int texture, Texture* t0, Texture* t1)
    : context(c), previous(nullptr), textureMode(texture), blendMode(blend), texture0(t0), texture1(t1)
{
    previous = context.setShader(this);
}

Shader::~Shader() { context.setShader(previous); }

Quad makeQuad(float x, float y, float w, float h, float u, float v, uint32_t colour)
{
    return Quad{x, y, x + w, y + h, u, v, u + w, v + h, u, v, u + w, v + h, colour};
}

}  // namespace DXBlit
