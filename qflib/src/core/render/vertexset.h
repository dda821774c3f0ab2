// The plain records through which everything that draws hands geometry to the renderer.
#pragma once

#include <cstddef>

#include "foundation/color.h"
#include "foundation/mat.h"
#include "foundation/rect.h"
#include "foundation/vec.h"

// A screen-space vertex, 32 bytes, handed to OpenGL as an interleaved array with stride 32:
// position at 0, rhw at 12 (normals occupy 12..23 in the lit 3-D format), colour word at 16,
// specular word at 20, texture coordinates at 24.
struct TTransformedLitVert
{
    TVec3 pos;          // pixels for screen-space vertices; z is 0.1
    float rhw;          // 0.5 for every quad built here
    TColor32 color;     // diffuse colour with alpha (bytes B, G, R, A)
    TColor32 specular;  // (0, 0, 0, 255) for every quad built here
    float u, v;         // 0..1 across the texture's surface

    TTransformedLitVert() : rhw(0), u(0), v(0) {}
};

// Same layout; x and y are pixels of the whole render target rather than of the viewport.
struct TPreScaledTransformedLitVert : TTransformedLitVert
{
};

static_assert(sizeof(TTransformedLitVert) == 32, "vertex records are 32 bytes");
static_assert(offsetof(TTransformedLitVert, color) == 16, "colour word at offset 16");
static_assert(offsetof(TTransformedLitVert, u) == 24, "texture coordinates at offset 24");
static_assert(sizeof(TPreScaledTransformedLitVert) == 32, "vertex records are 32 bytes");

// A non-owning view of the caller's vertex array; the caller keeps it alive while it is drawn.
class TVertexSet
{
public:
    enum EFormat
    {
        kLit3d = 0,        // lit 3-D vertices with normals at 12..23
        kColored3d = 1,    // coloured 3-D vertices under the current projection
        kTransformed = 2,  // pixels relative to the viewport's top-left corner
        kPreScaled = 3     // pixels of the whole target; scissored to viewport and clip
    };

    TVertexSet(TTransformedLitVert* verts, unsigned count);
    TVertexSet(TPreScaledTransformedLitVert* verts, unsigned count);
    TVertexSet(int format, void* verts, unsigned count);
    ~TVertexSet();
    TVertexSet(const TVertexSet& other);
    TVertexSet& operator=(const TVertexSet& other);

    void SetCount(unsigned count);
    int GetFormat() const;
    unsigned GetCount() const;
    const TTransformedLitVert* GetVerts() const;

    // A caller that draws the same kept vertices again may name them: an id from NewKeptIds is
    // given to one sequence of vertices (count and values) only, whenever and from wherever it
    // is sent, so two sets with the same id hold the same vertices and a frame compared with the
    // last need not read them. 0 (the default) names nothing.
    void SetKeptId(unsigned long long id) { mKept = id; }
    unsigned long long GetKeptId() const { return mKept; }
    // The first of n ids never handed out before.
    static unsigned long long NewKeptIds(unsigned long long n);

private:
    struct TDescriptor
    {
        int format;
        void* verts;
        unsigned count;
    };
    TDescriptor mDesc;  // owned (held in place, so a set costs no allocation); the vertices are not
    unsigned long long mKept = 0;
};

// The parameters of one sprite draw (TTexture::DrawSprite).
struct TDrawSpec
{
    enum
    {
        kMirrorH = 1,
        kMirrorV = 2,
        kUseSourceRect = 4,
        kUsePivot = 8
    };

    TMat3 matrix;      // scale and rotation in rows 0 and 1, position in row 2
    TVec2 pivot;       // negated offset of the top-left corner from the position (flag 8)
    TColor color;      // tint: red, green and blue only; the alpha field sets opacity
    float alpha;       // 0..1
    TRect sourceRect;  // image pixels to draw (flag 4)
    unsigned flags;
    int blendMode;  // TRenderer::EBlendMode to set first; -1 keeps the current one

    TDrawSpec(const TVec2& position, float alpha, float scale, unsigned flags);
};

// Fills 4 vertices of a quad: each corner (transformed in place by the matrix) plus origin,
// z 0.1, rhw 0.5, colour (rgb of color, alpha byte from alpha), specular (0, 0, 0, 255), and
// texture coordinates from texCoords[0] (top-left) and texCoords[1] (bottom-right): corner 0
// takes left/top, 1 right/top, 2 right/bottom, 3 left/bottom.
void CreateVertsFromRect(const TVec2& origin, TTransformedLitVert* out, TVec2* corners,
                         const TVec2* texCoords, const TMat3& matrix, float alpha, const TColor& color);

// The quad of a sprite draw: source rectangle, centring or pivot, mirroring, texture
// coordinates over the given surface size, then CreateVertsFromRect with origin (0, 0).
void BuildSpriteQuad(const TDrawSpec& spec, unsigned imageWidth, unsigned imageHeight, unsigned surfaceWidth,
                     unsigned surfaceHeight, TTransformedLitVert* out);
