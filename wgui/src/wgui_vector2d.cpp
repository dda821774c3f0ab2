// Vector2d: the library's 2-D vector.
#include "wgui_vector2d.h"

#include <cmath>

#include "wgui_helpers.h"

namespace WGUI
{

double Vector2d::getTheta() const
{
    return aTan2Deg(-y, x);
}

void Vector2d::setPolar(double r, double theta)
{
    double s, c;
    sinCosDeg(theta, s, c);
    x = c * r;
    y = -s * r;
}

void Vector2d::setR(double r)
{
    // atan2(0, 0) is 0, so a zero vector points along +x.
    setPolar(r, aTan2Deg(-y, x));
}

void Vector2d::setTheta(double theta)
{
    setPolar(getR(), theta);
}

void Vector2d::boundR(double min, double max)
{
    double r = getR();
    if (min > r)
        setR(min);
    else if (r > max)
        setR(max);
}

void Spline::getPoint(SplinePoint* out, double x0, double y0, double x1, double y1, double cx1, double cy1,
                      double cx2, double cy2, double t) const
{
    if (!out)
        return;
    double u = 1.0 - t;
    double a = u * u * u;
    double b = 3.0 * u * u * t;
    double c = 3.0 * u * t * t;
    double d = t * t * t;
    out->x = x0 * a + cx1 * b + cx2 * c + x1 * d;
    out->y = y0 * a + cy1 * b + cy2 * c + y1 * d;
}

}  // namespace WGUI
