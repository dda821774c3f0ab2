// Vertex records, draw specs and the quad rule of a sprite.
#include <gtest/gtest.h>

#include <cmath>

#include "render/vertexset.h"

namespace
{

TEST(VertexRecord, HasTheInterleavedLayout)
{
    EXPECT_EQ(sizeof(TTransformedLitVert), 32u);
    EXPECT_EQ(offsetof(TTransformedLitVert, rhw), 12u);
    EXPECT_EQ(offsetof(TTransformedLitVert, color), 16u);
    EXPECT_EQ(offsetof(TTransformedLitVert, specular), 20u);
    EXPECT_EQ(offsetof(TTransformedLitVert, u), 24u);
}

TEST(VertexSet, ViewsTheCallersArrayWithItsFormat)
{
    TTransformedLitVert verts[3];
    TPreScaledTransformedLitVert pre[2];
    TVertexSet a(verts, 3);
    TVertexSet b(pre, 2);
    EXPECT_EQ(a.GetFormat(), TVertexSet::kTransformed);
    EXPECT_EQ(b.GetFormat(), TVertexSet::kPreScaled);
    EXPECT_EQ(a.GetVerts(), verts);
    a.SetCount(1);
    EXPECT_EQ(a.GetCount(), 1u);
    TVertexSet copy(a);
    copy.SetCount(3);
    EXPECT_EQ(a.GetCount(), 1u);
}

TEST(CreateVertsFromRect, FillsPositionColourAndCornerTable)
{
    TTransformedLitVert out[4];
    TVec2 corners[4] = {TVec2(0, 0), TVec2(10, 0), TVec2(10, 20), TVec2(0, 20)};
    const TVec2 tex[2] = {TVec2(0.25f, 0.5f), TVec2(0.75f, 1.0f)};
    TMat3 m;
    m[2] = TVec3(100, 200, 1);
    CreateVertsFromRect(TVec2(1, 2), out, corners, tex, m, 0.5f, TColor(1.0f, 0.5f, 0.0f, 0.0f));
    const float wantX[4] = {101, 111, 111, 101}, wantY[4] = {202, 202, 222, 222};
    const float wantU[4] = {0.25f, 0.75f, 0.75f, 0.25f}, wantV[4] = {0.5f, 0.5f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_FLOAT_EQ(out[i].pos.x, wantX[i]) << i;
        EXPECT_FLOAT_EQ(out[i].pos.y, wantY[i]) << i;
        EXPECT_FLOAT_EQ(out[i].pos.z, 0.1f);
        EXPECT_FLOAT_EQ(out[i].rhw, 0.5f);
        EXPECT_FLOAT_EQ(out[i].u, wantU[i]) << i;
        EXPECT_FLOAT_EQ(out[i].v, wantV[i]) << i;
        // The colour's own alpha is ignored; 0.5 * 255 truncates to 127.
        EXPECT_EQ(out[i].color.Word(), TColor32(255, 127, 0, 127).Word());
        EXPECT_EQ(out[i].specular.Word(), TColor32(0, 0, 0, 255).Word());
    }
    // The corners were transformed in place.
    EXPECT_FLOAT_EQ(corners[2].x, 110);
    EXPECT_FLOAT_EQ(corners[2].y, 220);
}

TEST(CreateVertsFromRect, AlphaIsTruncatedAndClamped)
{
    struct
    {
        float alpha;
        unsigned char byte;
    } cases[] = {{-0.5f, 0}, {0.5f, 127}, {2.0f, 255}, {1.0f, 255}, {0.0f, 0}};
    for (const auto& c : cases)
    {
        TTransformedLitVert out[4];
        TVec2 corners[4];
        const TVec2 tex[2];
        CreateVertsFromRect(TVec2(), out, corners, tex, TMat3(), c.alpha, TColor(1, 1, 1, 1));
        EXPECT_EQ(out[0].color.Alpha(), c.byte) << c.alpha;
    }
}

TEST(DrawSpec, ScalesOnlyWhenTheScaleIsNotExactlyOne)
{
    const TDrawSpec one(TVec2(5, 6), 0.5f, 1.0f, 3);
    EXPECT_FLOAT_EQ(one.matrix[0][0], 1.0f);
    EXPECT_FLOAT_EQ(one.matrix[2][0], 5.0f);
    EXPECT_FLOAT_EQ(one.matrix[2][1], 6.0f);
    EXPECT_FLOAT_EQ(one.matrix[2][2], 1.0f);
    EXPECT_EQ(one.flags, 3u);
    EXPECT_EQ(one.blendMode, -1);
    EXPECT_FLOAT_EQ(one.alpha, 0.5f);
    const TDrawSpec scaled(TVec2(5, 6), 1.0f, 1.0001f, 0);
    EXPECT_FLOAT_EQ(scaled.matrix[0][0], 1.0001f);
    EXPECT_FLOAT_EQ(scaled.matrix[1][1], 1.0001f);
    EXPECT_FLOAT_EQ(scaled.matrix[2][0], 5.0f);
}

struct TQuadCase
{
    const char* name;
    unsigned flags;
    TVec2 pivot;
    TRect source;
    float x[4], y[4], u[4], v[4];
};

TEST(SpriteQuad, FollowsFlagsPivotAndSourceRectangle)
{
    // A 40 x 20 image on a 64 x 64 surface, drawn at (100, 50).
    const TQuadCase cases[] = {
        {"centred",
         0,
         TVec2(),
         TRect(),
         {80, 120, 120, 80},
         {40, 40, 60, 60},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"pivot zero",
         TDrawSpec::kUsePivot,
         TVec2(),
         TRect(),
         {100, 140, 140, 100},
         {50, 50, 70, 70},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"pivot",
         TDrawSpec::kUsePivot,
         TVec2(10, 5),
         TRect(),
         {90, 130, 130, 90},
         {45, 45, 65, 65},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"mirror h",
         TDrawSpec::kMirrorH,
         TVec2(),
         TRect(),
         {120, 80, 80, 120},
         {40, 40, 60, 60},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"mirror v",
         TDrawSpec::kMirrorV,
         TVec2(),
         TRect(),
         {80, 120, 120, 80},
         {60, 60, 40, 40},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"mirror both",
         TDrawSpec::kMirrorH | TDrawSpec::kMirrorV,
         TVec2(),
         TRect(),
         {120, 80, 80, 120},
         {60, 60, 40, 40},
         {0, 40 / 64.f, 40 / 64.f, 0},
         {0, 0, 20 / 64.f, 20 / 64.f}},
        {"source",
         TDrawSpec::kUseSourceRect | TDrawSpec::kUsePivot,
         TVec2(),
         TRect(8, 4, 24, 12),
         {100, 116, 116, 100},
         {50, 50, 58, 58},
         {8 / 64.f, 24 / 64.f, 24 / 64.f, 8 / 64.f},
         {4 / 64.f, 4 / 64.f, 12 / 64.f, 12 / 64.f}},
    };
    for (const TQuadCase& c : cases)
    {
        TDrawSpec spec(TVec2(100, 50), 1.0f, 1.0f, c.flags);
        spec.pivot = c.pivot;
        spec.sourceRect = c.source;
        TTransformedLitVert out[4];
        BuildSpriteQuad(spec, 40, 20, 64, 64, out);
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_FLOAT_EQ(out[i].pos.x, c.x[i]) << c.name << " corner " << i;
            EXPECT_FLOAT_EQ(out[i].pos.y, c.y[i]) << c.name << " corner " << i;
            EXPECT_FLOAT_EQ(out[i].u, c.u[i]) << c.name << " corner " << i;
            EXPECT_FLOAT_EQ(out[i].v, c.v[i]) << c.name << " corner " << i;
        }
    }
}

TEST(SpriteQuad, RotationTurnsTheCornersAboutThePosition)
{
    TDrawSpec spec(TVec2(0, 0), 1.0f, 2.0f, TDrawSpec::kUsePivot);
    spec.matrix.Rotate(static_cast<float>(M_PI / 2));
    TTransformedLitVert out[4];
    BuildSpriteQuad(spec, 10, 10, 16, 16, out);
    // Corner 1 starts at (10, 0), is scaled to (20, 0) and turned to (0, 20).
    EXPECT_NEAR(out[1].pos.x, 0.0f, 1e-4);
    EXPECT_NEAR(out[1].pos.y, 20.0f, 1e-4);
}

}  // namespace
