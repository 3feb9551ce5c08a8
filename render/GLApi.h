// The OpenGL 1.1 functions and the few enumerants the drawing layer uses,
// declared here so that no system GL header (and with it windows.h) enters
// the drawing layer. Every function is looked up through the GL surface, which
// also lets a test put a stand-in in front of any of them. [implementation only]
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VESK_GLAPI __stdcall
#else
#define VESK_GLAPI
#endif

namespace DXBlit::GL {

using Enum = unsigned int;

// name, return type, parameters
#define VESK_GL_FUNCTIONS(X)                                                                                     \
    X(GetString, const unsigned char*, (Enum name))                                                              \
    X(GetError, Enum, ())                                                                                        \
    X(Enable, void, (Enum cap))                                                                                  \
    X(Disable, void, (Enum cap))                                                                                 \
    X(Viewport, void, (int x, int y, int width, int height))                                                     \
    X(MatrixMode, void, (Enum mode))                                                                             \
    X(LoadIdentity, void, ())                                                                                    \
    X(Ortho, void, (double left, double right, double bottom, double top, double zNear, double zFar))            \
    X(ClearColor, void, (float red, float green, float blue, float alpha))                                       \
    X(Clear, void, (unsigned mask))                                                                              \
    X(GenTextures, void, (int n, unsigned* names))                                                               \
    X(DeleteTextures, void, (int n, const unsigned* names))                                                      \
    X(BindTexture, void, (Enum target, unsigned name))                                                           \
    X(TexParameteri, void, (Enum target, Enum pname, int param))                                                 \
    X(TexImage2D, void,                                                                                          \
      (Enum target, int level, int internalFormat, int width, int height, int border, Enum format, Enum type,    \
       const void* pixels))                                                                                      \
    X(TexSubImage2D, void,                                                                                       \
      (Enum target, int level, int x, int y, int width, int height, Enum format, Enum type, const void* pixels)) \
    X(PixelStorei, void, (Enum pname, int param))                                                                \
    X(GetIntegerv, void, (Enum pname, int* params))                                                              \
    X(TexEnvi, void, (Enum target, Enum pname, int param))                                                       \
    X(BlendFunc, void, (Enum source, Enum destination))                                                          \
    X(Begin, void, (Enum mode))                                                                                  \
    X(End, void, ())                                                                                             \
    X(Color4ub, void, (uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha))                                 \
    X(Vertex2f, void, (float x, float y))                                                                        \
    X(ReadPixels, void, (int x, int y, int width, int height, Enum format, Enum type, void* pixels))

struct Functions {
#define VESK_GL_MEMBER(name, result, params) result(VESK_GLAPI* name) params = nullptr;
    VESK_GL_FUNCTIONS(VESK_GL_MEMBER)
#undef VESK_GL_MEMBER
};

using MultiTexCoord2f = void(VESK_GLAPI*)(Enum unit, float s, float t);
using ActiveTexture = void(VESK_GLAPI*)(Enum unit);

// clang-format off
enum : Enum {
    kOne = 1, kQuads = 0x0007,
    kSrcColor = 0x0300, kOneMinusSrcColor = 0x0301, kSrcAlpha = 0x0302, kOneMinusSrcAlpha = 0x0303,
    kBlend = 0x0BE2, kPackRowLength = 0x0D02, kPackAlignment = 0x0D05, kUnpackRowLength = 0x0CF2,
    kTexture2D = 0x0DE1, kUnsignedByte = 0x1401,
    kModelview = 0x1700, kProjection = 0x1701, kTextureSource = 0x1702,
    kRgba = 0x1908, kExtensions = 0x1F03, kReplace = 0x1E01,
    kModulate = 0x2100, kTextureEnvMode = 0x2200, kTextureEnv = 0x2300,
    kLinear = 0x2601, kTextureMagFilter = 0x2800, kTextureMinFilter = 0x2801,
    kColorBufferBit = 0x4000, kTextureBinding2D = 0x8069, kBgra = 0x80E1,
    kTexture0 = 0x84C0,
    kTextureRectangle = 0x84F5, kTextureBindingRectangle = 0x84F6,
    kCombine = 0x8570, kCombineRgb = 0x8571, kCombineAlpha = 0x8572, kInterpolate = 0x8575,
    kPrimaryColor = 0x8577, kPrevious = 0x8578,
    kSource0Rgb = 0x8580, kSource1Rgb = 0x8581, kSource2Rgb = 0x8582,
    kSource0Alpha = 0x8588, kSource1Alpha = 0x8589, kSource2Alpha = 0x858A,
    kOperand2Rgb = 0x8592,
};
// clang-format on

}  // namespace DXBlit::GL
