// The vertex sets through which geometry reaches the renderer.
#include "render/vertexset.h"

#include <cstring>
#include <utility>

TVertexSet::TVertexSet(TTransformedLitVert* verts, unsigned count) : mDesc{kTransformed, verts, count}
{
}

TVertexSet::TVertexSet(TPreScaledTransformedLitVert* verts, unsigned count) : mDesc{kPreScaled, verts, count}
{
}

TVertexSet::TVertexSet(int format, void* verts, unsigned count) : mDesc{format, verts, count}
{
}

TVertexSet::~TVertexSet() = default;

TVertexSet::TVertexSet(const TVertexSet& other) = default;

TVertexSet& TVertexSet::operator=(const TVertexSet& other) = default;

unsigned long long TVertexSet::NewKeptIds(unsigned long long n)
{
    // Drawing happens on the main thread only. 64 bits: a billion ids a second would take
    // centuries to wrap.
    static unsigned long long next = 1;
    const unsigned long long first = next;
    next += n;
    return first;
}

void TVertexSet::SetCount(unsigned count)
{
    mDesc.count = count;
}
int TVertexSet::GetFormat() const
{
    return mDesc.format;
}
unsigned TVertexSet::GetCount() const
{
    return mDesc.count;
}
const TTransformedLitVert* TVertexSet::GetVerts() const
{
    return static_cast<const TTransformedLitVert*>(mDesc.verts);
}

TDrawSpec::TDrawSpec(const TVec2& position, float alpha_, float scale, unsigned flags_)
    : color(1, 1, 1, 1), alpha(alpha_), flags(flags_), blendMode(-1)
{
    if (scale != 1.0f)
        matrix.Scale(scale);
    matrix[2] = TVec3(position.x, position.y, 1);
}

namespace
{

unsigned char TruncatedByte(float channel)
{
    // Truncate toward zero, then clamp; compare first so the conversion is always defined.
    float v = channel * 255.0f;
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<unsigned char>(static_cast<int>(v));
}

}  // namespace

void CreateVertsFromRect(const TVec2& origin, TTransformedLitVert* out, TVec2* corners,
                         const TVec2* texCoords, const TMat3& matrix, float alpha, const TColor& color)
{
    static const int kCornerTable[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::memset(static_cast<void*>(out), 0, sizeof(TTransformedLitVert) * 4);
    const unsigned char alphaByte = TruncatedByte(alpha);
    const TColor32 diffuse(TruncatedByte(color.r), TruncatedByte(color.g), TruncatedByte(color.b), alphaByte);
    for (int i = 0; i < 4; ++i)
    {
        corners[i] = corners[i] * matrix;
        out[i].color = diffuse;
        out[i].specular = TColor32(0, 0, 0, 255);
        out[i].pos = TVec3(corners[i].x + origin.x, corners[i].y + origin.y, 0.1f);
        out[i].rhw = 0.5f;
        out[i].u = texCoords[kCornerTable[i][0]].x;
        out[i].v = texCoords[kCornerTable[i][1]].y;
    }
}

void BuildSpriteQuad(const TDrawSpec& spec, unsigned imageWidth, unsigned imageHeight, unsigned surfaceWidth,
                     unsigned surfaceHeight, TTransformedLitVert* out)
{
    TRect src = (spec.flags & TDrawSpec::kUseSourceRect)
                    ? spec.sourceRect
                    : TRect(0, 0, static_cast<int32_t>(imageWidth), static_cast<int32_t>(imageHeight));
    const float w = static_cast<float>(src.right - src.left);
    const float h = static_cast<float>(src.bottom - src.top);
    const TVec2 t = (spec.flags & TDrawSpec::kUsePivot) ? -spec.pivot : TVec2(-w / 2, -h / 2);
    TVec2 corners[4] = {t, t + TVec2(w, 0), t + TVec2(w, h), t + TVec2(0, h)};
    if (spec.flags & TDrawSpec::kMirrorV)
    {
        std::swap(corners[0].y, corners[2].y);
        std::swap(corners[1].y, corners[3].y);
    }
    if (spec.flags & TDrawSpec::kMirrorH)
    {
        std::swap(corners[0].x, corners[1].x);
        std::swap(corners[2].x, corners[3].x);
    }
    const float sw = surfaceWidth ? static_cast<float>(surfaceWidth) : 1.0f;
    const float sh = surfaceHeight ? static_cast<float>(surfaceHeight) : 1.0f;
    const TVec2 tex[2] = {TVec2(src.left / sw, src.top / sh), TVec2(src.right / sw, src.bottom / sh)};
    CreateVertsFromRect(TVec2(0, 0), out, corners, tex, spec.matrix, spec.alpha, spec.color);
}
