// The single-precision matrices TMat3 and TMat4.
#include "foundation/mat.h"

#include <cmath>

TMat3::TMat3()
{
    m[0] = TVec3(1, 0, 0);
    m[1] = TVec3(0, 1, 0);
    m[2] = TVec3(0, 0, 1);
}

TMat3::TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
             float m22)
{
    m[0] = TVec3(m00, m01, m02);
    m[1] = TVec3(m10, m11, m12);
    m[2] = TVec3(m20, m21, m22);
}

TMat3& TMat3::Scale(float s)
{
    *this = Multiply2x2(*this, TMat3(s, 0, 0, 0, s, 0, 0, 0, 1));
    return *this;
}

TMat3& TMat3::Rotate(float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    *this = Multiply2x2(*this, TMat3(c, s, 0, -s, c, 0, 0, 0, 1));
    return *this;
}

TMat3 Multiply2x2(const TMat3& a, const TMat3& b)
{
    TMat3 r;
    for (int i = 0; i < 2; ++i)
    {
        for (int j = 0; j < 2; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j];
        r[i][2] = 0;
    }
    r[2] = a[2];
    return r;
}

TMat4::TMat4()
{
    m[0] = TVec4(1, 0, 0, 0);
    m[1] = TVec4(0, 1, 0, 0);
    m[2] = TVec4(0, 0, 1, 0);
    m[3] = TVec4(0, 0, 0, 1);
}

TMat4::TMat4(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13,
             float m20, float m21, float m22, float m23, float m30, float m31, float m32, float m33)
{
    m[0] = TVec4(m00, m01, m02, m03);
    m[1] = TVec4(m10, m11, m12, m13);
    m[2] = TVec4(m20, m21, m22, m23);
    m[3] = TVec4(m30, m31, m32, m33);
}

TMat4& TMat4::Scale(float sx, float sy, float sz)
{
    *this = *this * TMat4(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return *this;
}

TMat4& TMat4::RotateAxis(const TVec3& axis, float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    float t = 1 - c;
    float x = axis.x, y = axis.y, z = axis.z;
    TMat4 r(t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0, t * x * y - s * z, t * y * y + c,
            t * y * z + s * x, 0, t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0, 0, 0, 0, 1);
    *this = *this * r;
    return *this;
}

TMat4& TMat4::RotateY(float angle)
{
    return RotateAxis(TVec3(0, 1, 0), angle);
}

TMat4& TMat4::OffsetPerspective(float nearZ, float farZ, float fovY, float aspect, const TVec2& offset)
{
    float f = std::cos(fovY / 2) / std::sin(fovY / 2);
    // An offset of magnitude exactly 1 would divide by zero; it stands for "far off".
    auto shift = [](float o) { return std::fabs(o) == 1.0f ? -10000.0f : o / (1 - std::fabs(o)); };
    float q = farZ / (farZ - nearZ);
    m[0] = TVec4(f / aspect, 0, 0, 0);
    m[1] = TVec4(0, f, 0, 0);
    m[2] = TVec4(shift(offset.x), shift(offset.y), q, 1);
    m[3] = TVec4(0, 0, -nearZ * q, 0);
    return *this;
}

TVec4 operator*(const TVec4& v, const TMat4& m)
{
    TVec4 r;
    for (int j = 0; j < 4; ++j)
        r[j] = v.x * m[0][j] + v.y * m[1][j] + v.z * m[2][j] + v.w * m[3][j];
    return r;
}

TVec3 operator*(const TVec3& v, const TMat4& m)
{
    TVec3 r;
    for (int j = 0; j < 3; ++j)
        r[j] = v.x * m[0][j] + v.y * m[1][j] + v.z * m[2][j] + m[3][j];
    return r;
}

TVec2 operator*(const TVec2& v, const TMat3& m)
{
    return TVec2(v.x * m[0][0] + v.y * m[1][0] + m[2][0], v.x * m[0][1] + v.y * m[1][1] + m[2][1]);
}

TMat4 operator*(const TMat4& a, const TMat4& b)
{
    TMat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    return r;
}

bool operator==(const TMat3& a, const TMat3& b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

bool operator==(const TMat4& a, const TMat4& b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}
