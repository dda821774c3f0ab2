#include <gtest/gtest.h>

#include <cmath>

#include "foundation/color.h"
#include "foundation/mat.h"
#include "foundation/rect.h"
#include "foundation/vec.h"

namespace
{
const float kPi = 3.14159265358979f;
const float kEps = 1e-5f;

void ExpectNear(const TVec2& a, const TVec2& b)
{
    EXPECT_NEAR(a.x, b.x, kEps);
    EXPECT_NEAR(a.y, b.y, kEps);
}

void ExpectNear(const TMat4& a, const TMat4& b)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a[i][j], b[i][j], kEps) << i << "," << j;
}
}  // namespace

TEST(Vectors, ConstructionAndArithmetic)
{
    EXPECT_EQ(TVec2(), TVec2(0, 0));
    EXPECT_EQ(TVec3(), TVec3(0, 0, 0));
    EXPECT_EQ(TVec4(), TVec4(0, 0, 0, 0));
    EXPECT_EQ(TVec3(TVec2(1, 2), 3), TVec3(1, 2, 3));
    EXPECT_EQ(TVec3(TVec4(1, 2, 3, 4)), TVec3(1, 2, 3));
    EXPECT_EQ(TVec4(TVec3(1, 2, 3), 4), TVec4(1, 2, 3, 4));
    TVec2 a(1, 2);
    a += TVec2(10, 20);
    EXPECT_EQ(a, TVec2(11, 22));
    EXPECT_EQ(TVec2(1, 2) + TVec2(3, 4), TVec2(4, 6));
    EXPECT_EQ(-TVec2(1, -2), TVec2(-1, 2));
    EXPECT_EQ(-TVec3(1, -2, 3), TVec3(-1, 2, -3));
}

TEST(Mat3, IdentityAndRowOrder)
{
    TMat3 m;
    EXPECT_EQ(m, TMat3(1, 0, 0, 0, 1, 0, 0, 0, 1));
    TMat3 t(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(t[1][2], 6);
    // The point (x, y, 1) times the matrix.
    ExpectNear(TVec2(1, 1) * TMat3(2, 0, 0, 0, 3, 0, 10, 20, 1), TVec2(12, 23));
}

TEST(Mat3, RotatingTheIdentityByAQuarterTurnMapsXToY)
{
    TMat3 m;
    m.Rotate(kPi / 2);
    ExpectNear(TVec2(1, 0) * m, TVec2(0, 1));
    ExpectNear(TVec2(0, 1) * m, TVec2(-1, 0));
}

TEST(Mat3, ScaleAndRotateKeepTheTranslation)
{
    TMat3 m(1, 0, 0, 0, 1, 0, 5, 7, 1);
    m.Scale(2);
    ExpectNear(TVec2(1, 1) * m, TVec2(7, 9));
    m.Rotate(kPi);
    ExpectNear(TVec2(1, 1) * m, TVec2(3, 5));
    EXPECT_EQ(m[2], TVec3(5, 7, 1));
}

TEST(Mat3, Multiply2x2KeepsTheFirstTranslationAndClearsColumnTwo)
{
    TMat3 a(1, 2, 9, 3, 4, 9, 5, 6, 1);
    TMat3 b(5, 6, 8, 7, 8, 8, 100, 200, 1);
    TMat3 c = Multiply2x2(a, b);
    EXPECT_EQ(c, TMat3(19, 22, 0, 43, 50, 0, 5, 6, 1));
}

TEST(Mat4, ProductsFollowRowVectorOrder)
{
    TMat4 translate(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1);
    TMat4 scale;
    scale.Scale(2, 2, 2);
    TVec3 p(1, 0, 0);
    TVec3 ts = p * (translate * scale);  // translate, then scale
    TVec3 st = p * (scale * translate);  // scale, then translate
    EXPECT_FLOAT_EQ(ts.x, 22);
    EXPECT_FLOAT_EQ(st.x, 12);
    TVec4 v = TVec4(1, 2, 3, 1) * translate;
    EXPECT_EQ(v, TVec4(11, 2, 3, 1));
    TMat4 a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    TMat4 prod = a * a;
    EXPECT_FLOAT_EQ(prod[0][0], 90);
    EXPECT_FLOAT_EQ(prod[3][3], 600);
    EXPECT_FLOAT_EQ(prod[1][2], 254);
}

TEST(Mat4, RotationsPostMultiply)
{
    TMat4 m;
    m.RotateY(kPi / 2);
    TVec3 x = TVec3(1, 0, 0) * m;
    EXPECT_NEAR(x.x, 0, kEps);
    EXPECT_NEAR(x.z, -1, kEps);
    TMat4 viaAxis;
    viaAxis.RotateAxis(TVec3(0, 1, 0), kPi / 2);
    ExpectNear(m, viaAxis);

    TMat4 s;
    s.Scale(2, 3, 4);
    TMat4 sr = s;
    sr.RotateAxis(TVec3(0, 0, 1), kPi / 2);
    TMat4 r;
    r.RotateAxis(TVec3(0, 0, 1), kPi / 2);
    ExpectNear(sr, s * r);
}

TEST(Mat4, OffsetPerspectiveOverwritesTheMatrix)
{
    TMat4 m(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9);
    m.OffsetPerspective(1, 101, kPi / 2, 2, TVec2(0.5f, -1));
    EXPECT_NEAR(m[0][0], 0.5f, kEps);
    EXPECT_NEAR(m[1][1], 1, kEps);
    EXPECT_NEAR(m[2][0], 1, kEps);      // 0.5 / (1 - 0.5)
    EXPECT_EQ(m[2][1], -10000.0f);      // magnitude exactly 1
    EXPECT_NEAR(m[2][2], 1.01f, kEps);  // far / (far - near)
    EXPECT_EQ(m[2][3], 1.0f);
    EXPECT_NEAR(m[3][2], -1.01f, kEps);  // -near * far / (far - near)
    EXPECT_EQ(m[0][1], 0.0f);
    EXPECT_EQ(m[3][3], 0.0f);
    // Depth maps near to 0 and far to 1 after division by w.
    TVec4 nearPt = TVec4(0, 0, 1, 1) * m;
    TVec4 farPt = TVec4(0, 0, 101, 1) * m;
    EXPECT_NEAR(nearPt.z / nearPt.w, 0, kEps);
    EXPECT_NEAR(farPt.z / farPt.w, 1, kEps);
}

TEST(Rects, IntersectIsNotNormalised)
{
    struct Case
    {
        TRect a, b, want;
        bool empty;
    };
    const Case cases[] = {
        {TRect(0, 0, 10, 10), TRect(5, 5, 20, 20), TRect(5, 5, 10, 10), false},
        {TRect(0, 0, 10, 10), TRect(10, 0, 20, 10), TRect(10, 0, 10, 10), true},    // touching
        {TRect(0, 0, 10, 10), TRect(30, 40, 50, 60), TRect(30, 40, 10, 10), true},  // disjoint
        {TRect(-5, -5, 5, 5), TRect(-1, -2, 1, 2), TRect(-1, -2, 1, 2), false},
    };
    for (const Case& c : cases)
    {
        TRect r = TRect::Intersect(c.a, c.b);
        EXPECT_EQ(r, c.want);
        EXPECT_EQ(r.IsEmpty(), c.empty);
    }
    TURect u(1, 2, 3, 4);
    u.Check();
    EXPECT_EQ(u, TURect(1, 2, 3, 4));
    EXPECT_EQ(TPoint(3, -4).y, -4);
}

TEST(Colors, PackedWordLayout)
{
    TColor32 c(1, 2, 3, 4);
    EXPECT_EQ(c.Word(), 0x04010203u);
    EXPECT_EQ(c.Red(), 1);
    EXPECT_EQ(c.Green(), 2);
    EXPECT_EQ(c.Blue(), 3);
    EXPECT_EQ(c.Alpha(), 4);
    // Little-endian memory order is B, G, R, A.
    uint32_t word = c.Word();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&word);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[3], 4);
    EXPECT_EQ(TColor32().Word(), 0u);
    EXPECT_EQ(TColor32(0xAABBCCDDu).Red(), 0xBB);

    TColor32 s;
    s.SetAlpha(0x11);
    s.SetRed(0x22);
    s.SetGreen(0x33);
    s.SetBlue(0x44);
    EXPECT_EQ(s.Word(), 0x11223344u);
    s.SetRed(0xFF);
    EXPECT_EQ(s.Word(), 0x11FF3344u);
}

TEST(Colors, FloatChannelsAreTruncatedAndLimited)
{
    EXPECT_EQ(TColor32(TColor(0.5f, 1, 0, -1)).Word(), 0x007FFF00u);
    const std::pair<float, int> cases[] = {{1.0f, 255}, {0.999f, 254}, {-0.1f, 0},  {1.5f, 255}, {0.0f, 0},
                                           {0.5f, 127}, {1e30f, 255},  {-1e30f, 0}, {NAN, 0}};
    for (auto& c : cases)
        EXPECT_EQ(TColor32(TColor(c.first, 0, 0, 0)).Red(), c.second) << c.first;
}
