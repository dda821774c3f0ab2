// Integer rectangles and points in pixels (origin top-left, y down).
#pragma once

#include <algorithm>
#include <cstdint>

struct TPoint
{
    int32_t x, y;

    TPoint() : x(0), y(0) {}
    TPoint(int32_t x_, int32_t y_) : x(x_), y(y_) {}
};

inline bool operator==(const TPoint& a, const TPoint& b)
{
    return a.x == b.x && a.y == b.y;
}
inline bool operator!=(const TPoint& a, const TPoint& b)
{
    return !(a == b);
}

struct TRect
{
    int32_t left, top, right, bottom;

    TRect() : left(0), top(0), right(0), bottom(0) {}
    TRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }

    // The overlap of a and b. Not normalised: disjoint rectangles give right < left or
    // bottom < top, which callers test (IsEmpty).
    static TRect Intersect(const TRect& a, const TRect& b)
    {
        return TRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom));
    }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

inline bool operator==(const TRect& a, const TRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const TRect& a, const TRect& b)
{
    return !(a == b);
}

// The unsigned rectangle handed to the renderer's clipping and fill calls: x1, y1 is the
// top-left corner, x2, y2 the bottom-right.
struct TURect
{
    uint32_t x1, y1, x2, y2;

    TURect() : x1(0), y1(0), x2(0), y2(0) {}
    TURect(uint32_t a, uint32_t b, uint32_t c, uint32_t d) : x1(a), y1(b), x2(c), y2(d) { Check(); }

    // Normalisation hook, called after construction; the rectangle is kept as given.
    void Check() {}
};

inline bool operator==(const TURect& a, const TURect& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}
inline bool operator!=(const TURect& a, const TURect& b)
{
    return !(a == b);
}
