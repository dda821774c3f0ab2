// Colours: TColor is four floats 0..1; TColor32 is the packed pixel word
// A << 24 | R << 16 | G << 8 | B, whose little-endian bytes run B, G, R, A (the layout of every
// pixel buffer).
#pragma once

#include <cstdint>

struct TColor
{
    float r, g, b, a;

    TColor() : r(0), g(0), b(0), a(0) {}
    TColor(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
};

inline bool operator==(const TColor& x, const TColor& y)
{
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}
inline bool operator!=(const TColor& x, const TColor& y)
{
    return !(x == y);
}

class TColor32
{
public:
    TColor32() : mColor(0) {}
    TColor32(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : mColor(uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b))
    {
    }
    TColor32(uint32_t word) : mColor(word) {}
    // Each channel times 255, truncated toward zero and limited to 0..255.
    TColor32(const TColor& c) : TColor32(ToByte(c.r), ToByte(c.g), ToByte(c.b), ToByte(c.a)) {}

    uint32_t Word() const { return mColor; }
    operator uint32_t() const { return mColor; }

    unsigned char Alpha() const { return static_cast<unsigned char>(mColor >> 24); }
    unsigned char Red() const { return static_cast<unsigned char>(mColor >> 16); }
    unsigned char Green() const { return static_cast<unsigned char>(mColor >> 8); }
    unsigned char Blue() const { return static_cast<unsigned char>(mColor); }

    void SetAlpha(unsigned char v) { mColor = (mColor & 0x00FFFFFFu) | uint32_t(v) << 24; }
    void SetRed(unsigned char v) { mColor = (mColor & 0xFF00FFFFu) | uint32_t(v) << 16; }
    void SetGreen(unsigned char v) { mColor = (mColor & 0xFFFF00FFu) | uint32_t(v) << 8; }
    void SetBlue(unsigned char v) { mColor = (mColor & 0xFFFFFF00u) | uint32_t(v); }

    static unsigned char ToByte(float channel)
    {
        float v = channel * 255.0f;
        // Compare before converting: a float out of the byte range (or NaN) has no defined
        // conversion.
        if (!(v > 0.0f))
            return 0;
        if (v >= 255.0f)
            return 255;
        return static_cast<unsigned char>(v);
    }

private:
    uint32_t mColor;
};
