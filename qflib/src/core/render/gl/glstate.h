// The parts of the OpenGL display handler's state that are plain arithmetic: the blend factors
// of each blend mode and the bounds of the 2-D projection. They need no OpenGL context, so they
// can be checked on their own; the handler applies their results.
#pragma once

#include "foundation/rect.h"

// Blending for one blend mode: off, or on with a source and a destination factor (GL enums).
struct TGLBlend
{
    bool enabled;
    unsigned source;
    unsigned destination;
};

// Mode 0 alpha, 1 opaque, 2 additive, 3 subtractive, 4 multiplicative; any other value blends
// as mode 0. In an alpha-only (mode-4) render target the drawn grey adds up: mode 0 adds
// (source alpha, one) and mode 3 adds (one, one) instead of subtracting.
TGLBlend GLBlendFor(int mode, bool alphaOnlyTarget);

// Bounds of an orthographic projection, as glOrtho takes them.
struct TGLOrtho
{
    float left, right, bottom, top;
};

// The 2-D projection of a viewport (x, y, width, height) over a target of targetWidth x
// targetHeight pixels: the visible part is the viewport cut to the target and, when clip is
// given, to the clipping rectangle; its origin is (max(0, -x), max(0, -y)), so coordinates stay
// relative to the viewport's own corner. On the screen y grows downward; in a texture target
// bottom and top are swapped (texture rows run top-down in memory). False when nothing is
// visible: the projection is then left as it was.
bool GLOrthoFor(int x, int y, int width, int height, int targetWidth, int targetHeight, const TRect* clip,
                bool textureTarget, TGLOrtho* out);
