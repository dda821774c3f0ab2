// The plain-arithmetic parts of the OpenGL display handler's state.
#include "render/gl/glstate.h"

#include <algorithm>
#include <cstdint>

#include "render/gl/glheaders.h"

TGLBlend GLBlendFor(int mode, bool alphaOnlyTarget)
{
    switch (mode)
    {
    case 1: return TGLBlend{false, GL_ONE, GL_ZERO};
    case 2: return TGLBlend{true, GL_SRC_ALPHA, GL_ONE};
    case 3:
        return alphaOnlyTarget ? TGLBlend{true, GL_ONE, GL_ONE}
                               : TGLBlend{true, GL_ZERO, GL_ONE_MINUS_SRC_COLOR};
    case 4: return TGLBlend{true, GL_ZERO, GL_SRC_COLOR};
    default:
        return TGLBlend{true, GL_SRC_ALPHA,
                        static_cast<unsigned>(alphaOnlyTarget ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA)};
    }
}

bool GLOrthoFor(int x, int y, int width, int height, int targetWidth, int targetHeight, const TRect* clip,
                bool textureTarget, TGLOrtho* out)
{
    // Wide arithmetic: the caller's edges are bounded, but their sums need not fit an int.
    int64_t l = std::max<int64_t>(x, 0), t = std::max<int64_t>(y, 0);
    int64_t r = std::min<int64_t>(static_cast<int64_t>(x) + width, targetWidth);
    int64_t b = std::min<int64_t>(static_cast<int64_t>(y) + height, targetHeight);
    if (clip)
    {
        l = std::max<int64_t>(l, clip->left);
        t = std::max<int64_t>(t, clip->top);
        r = std::min<int64_t>(r, clip->right);
        b = std::min<int64_t>(b, clip->bottom);
    }
    const int64_t w = r - l, h = b - t;
    if (w <= 0 || h <= 0)
        return false;
    const float ox = static_cast<float>(std::max<int64_t>(0, -static_cast<int64_t>(x)));
    const float oy = static_cast<float>(std::max<int64_t>(0, -static_cast<int64_t>(y)));
    out->left = ox;
    out->right = ox + static_cast<float>(w);
    if (textureTarget)
    {
        out->bottom = oy;
        out->top = oy + static_cast<float>(h);
    }
    else
    {
        out->bottom = oy + static_cast<float>(h);
        out->top = oy;
    }
    return true;
}
