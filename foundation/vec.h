// Single-precision vectors. Positions are row vectors: they multiply matrices from the left.
#pragma once

struct TVec2
{
    float x, y;

    TVec2() : x(0), y(0) {}
    TVec2(float x_, float y_) : x(x_), y(y_) {}

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }

    TVec2& operator+=(const TVec2& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    TVec2& operator-=(const TVec2& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    TVec2 operator-() const { return TVec2(-x, -y); }
};

inline TVec2 operator+(const TVec2& a, const TVec2& b)
{
    return TVec2(a.x + b.x, a.y + b.y);
}
inline TVec2 operator-(const TVec2& a, const TVec2& b)
{
    return TVec2(a.x - b.x, a.y - b.y);
}
inline TVec2 operator*(const TVec2& a, float s)
{
    return TVec2(a.x * s, a.y * s);
}
inline bool operator==(const TVec2& a, const TVec2& b)
{
    return a.x == b.x && a.y == b.y;
}
inline bool operator!=(const TVec2& a, const TVec2& b)
{
    return !(a == b);
}

struct TVec4;

struct TVec3
{
    float x, y, z;

    TVec3() : x(0), y(0), z(0) {}
    TVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    TVec3(const TVec2& v, float z_) : x(v.x), y(v.y), z(z_) {}
    explicit TVec3(const TVec4& v);  // drops w

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }

    TVec3 operator-() const { return TVec3(-x, -y, -z); }
};

inline TVec3 operator+(const TVec3& a, const TVec3& b)
{
    return TVec3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline TVec3 operator-(const TVec3& a, const TVec3& b)
{
    return TVec3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline bool operator==(const TVec3& a, const TVec3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const TVec3& a, const TVec3& b)
{
    return !(a == b);
}

struct TVec4
{
    float x, y, z, w;

    TVec4() : x(0), y(0), z(0), w(0) {}
    TVec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    TVec4(const TVec3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};

inline TVec3::TVec3(const TVec4& v) : x(v.x), y(v.y), z(v.z)
{
}

inline bool operator==(const TVec4& a, const TVec4& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}
inline bool operator!=(const TVec4& a, const TVec4& b)
{
    return !(a == b);
}
