// Vector2d: the library's 2-D vector of doubles. Angles are degrees with theta = atan2(-y, x),
// so theta 90 points up the screen and growing theta turns counter-clockwise on screen.
// Spline: the cubic Bezier point of two end points and two control points.
#pragma once

#include <cmath>

namespace WGUI
{

class Vector2d
{
public:
    Vector2d() = default;
    Vector2d(double x, double y) : x(x), y(y) {}

    void setCartesian(double nx, double ny)
    {
        x = nx;
        y = ny;
    }
    void setX(double v) { x = v; }
    void setY(double v) { y = v; }
    double getX() const { return x; }
    double getY() const { return y; }

    // Inline: distance tests call it for every pair of neighbours each frame.
    double getR() const { return std::sqrt(x * x + y * y); }
    // getR() <= r and getR() < r, with the same result as those comparisons; the square root is
    // taken only when the squared lengths lie too close to decide (see compareRSquared).
    bool isRAtMost(double r) const
    {
        const int c = compareRSquared(r);
        return c != 0 ? c < 0 : getR() <= r;
    }
    bool isRBelow(double r) const
    {
        const int c = compareRSquared(r);
        return c != 0 ? c < 0 : getR() < r;
    }
    // -1 when getR() is certainly below r, 1 when certainly above, 0 when undecided. A relative
    // margin of 1e-12 on the squares is far wider than the rounding of the squares and of the
    // square root (a few units of 2^-53), so a decided answer is exact; r must be positive and
    // its square a normal number (no overflow or underflow), otherwise it stays undecided, as it
    // does for NaN.
    int compareRSquared(double r) const
    {
        const double q = x * x + y * y;
        const double p = r * r;
        if (!(r > 0 && p >= 1e-280 && p <= 1e280))
            return 0;
        if (q < p * (1.0 - 1e-12))
            return -1;
        if (q > p * (1.0 + 1e-12))
            return 1;
        return 0;
    }
    double getTheta() const;
    void setPolar(double r, double theta);
    void setR(double r);          // keeps the direction; a zero vector becomes (r, 0)
    void setTheta(double theta);  // keeps the length
    void boundR(double min, double max);

    Vector2d& operator+=(const Vector2d& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vector2d& operator-=(const Vector2d& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    Vector2d& operator*=(double s)
    {
        x *= s;
        y *= s;
        return *this;
    }
    Vector2d operator+(const Vector2d& o) const { return Vector2d(x + o.x, y + o.y); }
    Vector2d operator-(const Vector2d& o) const { return Vector2d(x - o.x, y - o.y); }
    Vector2d operator*(double s) const { return Vector2d(x * s, y * s); }
    Vector2d operator/(double s) const { return Vector2d(x / s, y / s); }

private:
    double x = 0;
    double y = 0;
};

struct SplinePoint
{
    double x = 0;
    double y = 0;
};

class Spline
{
public:
    // End points (x0, y0) and (x1, y1), control points (cx1, cy1) then (cx2, cy2); t in [0, 1].
    // Writes nothing when out is null.
    void getPoint(SplinePoint* out, double x0, double y0, double x1, double y1, double cx1, double cy1,
                  double cx2, double cy2, double t) const;
};

}  // namespace WGUI
