// Single-precision matrices stored as rows. Row vectors multiply from the left (v * M), so a
// transform A followed by B is A * B, and the members that add a scale or rotation
// post-multiply (this = this * factor).
#pragma once

#include "foundation/vec.h"

// 2-D affine transform: rows 0 and 1 hold the linear part, row 2 the translation (x, y, 1).
struct TMat3
{
    TVec3 m[3];

    TMat3();  // identity
    TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21, float m22);

    TVec3& operator[](int row) { return m[row]; }
    const TVec3& operator[](int row) const { return m[row]; }

    // Scales the linear part by s; the translation stays.
    TMat3& Scale(float s);
    // Rotates the linear part by angle radians: (x, y) -> (x c - y s, x s + y c).
    TMat3& Rotate(float angle);
};

struct TMat4
{
    TVec4 m[4];

    TMat4();  // identity
    TMat4(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13, float m20,
          float m21, float m22, float m23, float m30, float m31, float m32, float m33);

    TVec4& operator[](int row) { return m[row]; }
    const TVec4& operator[](int row) const { return m[row]; }

    // this = this * diag(sx, sy, sz, 1).
    TMat4& Scale(float sx, float sy, float sz);
    // this = this * rotation about a unit axis by angle radians.
    TMat4& RotateAxis(const TVec3& axis, float angle);
    TMat4& RotateY(float angle);
    // Overwrites the matrix with a perspective projection mapping depth to 0..1, shifted off
    // centre by offset (each component in -1..1 of the half-extent).
    TMat4& OffsetPerspective(float nearZ, float farZ, float fovY, float aspect, const TVec2& offset);
};

// Only the linear parts are multiplied; row 2 of the result is a's row 2 and the third column
// of rows 0 and 1 is 0.
TMat3 Multiply2x2(const TMat3& a, const TMat3& b);

TVec4 operator*(const TVec4& v, const TMat4& m);
// The point (x, y, z, 1) times m, first three results (no division by w).
TVec3 operator*(const TVec3& v, const TMat4& m);
// The point (x, y, 1) times m.
TVec2 operator*(const TVec2& v, const TMat3& m);
TMat4 operator*(const TMat4& a, const TMat4& b);

bool operator==(const TMat3& a, const TMat3& b);
bool operator==(const TMat4& a, const TMat4& b);
