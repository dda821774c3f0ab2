// The collision shapes (circle, axis-aligned and rotated boxes) and their pairwise intersection tests.
#include "services/collisionshapes.h"

#include <cmath>
#include <utility>

#include "wgui_helpers.h"
#include "wgui_shapes.h"
#include "wgui_window.h"

namespace WGUI
{

namespace
{

// The circle-box test on a centre (cx, cy) of radius r against the box X1..X2, Y1..Y2: a centre
// beside an edge meets it when it reaches the edge (touching counts); a centre diagonal to the
// box meets it only when it reaches strictly past the nearest corner.
bool circleMeetsBox(double cx, double cy, double r, double x1, double y1, double x2, double y2)
{
    if (y1 < cy && cy < y2)
        return x1 <= cx + r && cx - r <= x2;
    if (x1 < cx && cx < x2)
        return y1 <= cy + r && cy - r <= y2;
    // Here the centre lies outside the open spans (on the line of an edge at most): the nearest
    // corner is on the centre's side, the line of an edge included.
    const double cornerX = cx <= x1 ? x1 : x2;
    const double cornerY = cy <= y1 ? y1 : y2;
    const double dx = cornerX - cx;
    const double dy = cornerY - cy;
    return r * r > dx * dx + dy * dy;
}

}  // namespace

// ---- Shape ----

Shape::Shape(const Vector2d& localPos) : localPos(localPos), absPos(localPos)
{
}

Shape::~Shape()
{
}

void Shape::setAngle(double a)
{
    angle = a - 360.0 * std::floor(a / 360.0);
    // Rounding can land a tiny negative angle exactly on 360; keep the stored value below it.
    if (angle >= 360.0)
        angle = 0.0;
}

void Shape::computeAbs()
{
    // A shape on its owner's centre stays there, however scaled and turned (by finite amounts):
    // the turned offset is a zero, and a zero added to a non-zero coordinate leaves it as it is.
    if (localPos.getX() == 0 && localPos.getY() == 0 && std::isfinite(scale) && std::isfinite(angle) &&
        worldPos.getX() != 0 && worldPos.getY() != 0)
    {
        absPos = worldPos;
        return;
    }
    absPos = localPos;
    if (flipX)
        absPos.setX(-absPos.getX());
    if (flipY)
        absPos.setY(-absPos.getY());
    absPos *= scale;
    absPos.setTheta(absPos.getTheta() + angle);
    absPos += worldPos;
}

bool Shape::intersect(Shape* other)
{
    if (!other)
        return false;
    switch (other->getType())
    {
    case kCircle: return intersect(static_cast<Circle*>(other));
    case kAARect: return intersect(static_cast<AARect*>(other));
    case kRotRect: return intersect(static_cast<RotRect*>(other));
    default: return false;
    }
}

// ---- Circle ----

Circle::Circle(const Vector2d& localPos, double radius)
    : Shape(localPos), localRadius(radius), absRadius(radius)
{
    type = kCircle;
}

void Circle::computeAbs()
{
    absRadius = localRadius * scale;
    Shape::computeAbs();
}

bool Circle::intersect(Circle* other)
{
    const Vector2d d = absPos - other->absPos;
    return d.isRBelow(absRadius + other->absRadius);
}

bool Circle::intersect(AARect* other)
{
    return circleMeetsBox(absPos.getX(), absPos.getY(), absRadius, other->getAbsX1(), other->getAbsY1(),
                          other->getAbsX2(), other->getAbsY2());
}

bool Circle::intersect(RotRect* other)
{
    // Into the rectangle's frame: turn the centre about the rectangle's centre by minus its angle.
    const Vector2d centre = other->getAbsPos();
    Vector2d p = absPos - centre;
    p.setTheta(p.getTheta() - other->getAbsAngle());
    p += centre;
    const double hw = other->getAbsHalfWidth();
    const double hh = other->getAbsHalfHeight();
    return circleMeetsBox(p.getX(), p.getY(), absRadius, centre.getX() - hw, centre.getY() - hh,
                          hw + centre.getX(), hh + centre.getY());
}

void Circle::draw(Window* w, bool fill, double r, double g, double b, double a)
{
    if (!w)
        return;
    const int cx = roundToInt(w->spriteToScreenX(absPos.getX()));
    const int cy = roundToInt(w->spriteToScreenY(absPos.getY()));
    const int radius = roundToInt(w->spriteToScreenWidth(absRadius));
    if (fill)
        Shapes::drawFillCircle(cx, cy, radius, r, g, b, a);
    else
        Shapes::drawCircleEdge(cx, cy, radius, r, g, b, a);
}

// ---- AARect ----

AARect::AARect(const Vector2d& localPos, double x1, double y1, double x2, double y2)
    : Shape(localPos), localX1(x1), localY1(y1), localX2(x2), localY2(y2), absX1(x1), absY1(y1), absX2(x2),
      absY2(y2)
{
    type = kAARect;
}

void AARect::computeAbs()
{
    double x1 = localX1, y1 = localY1, x2 = localX2, y2 = localY2;
    // Quarter turns with y down the screen: a counter-clockwise quarter turn sends (x, y) to
    // (y, -x); each boundary angle belongs to the range below it.
    const double a = angle;
    if (a > 45.0 && a <= 135.0)
    {
        const double n1 = y1, n2 = -x2, n3 = y2, n4 = -x1;
        x1 = n1;
        y1 = n2;
        x2 = n3;
        y2 = n4;
    }
    else if (a > 135.0 && a <= 225.0)
    {
        const double n1 = -x2, n2 = -y2, n3 = -x1, n4 = -y1;
        x1 = n1;
        y1 = n2;
        x2 = n3;
        y2 = n4;
    }
    else if (a > 225.0 && a <= 315.0)
    {
        const double n1 = -y2, n2 = x1, n3 = -y1, n4 = x2;
        x1 = n1;
        y1 = n2;
        x2 = n3;
        y2 = n4;
    }
    // A flip mirrors the box about its owner's axis and keeps x1 <= x2, y1 <= y2.
    if (flipX)
    {
        const double n1 = -x2, n3 = -x1;
        x1 = n1;
        x2 = n3;
    }
    if (flipY)
    {
        const double n2 = -y2, n4 = -y1;
        y1 = n2;
        y2 = n4;
    }
    x1 *= scale;
    y1 *= scale;
    x2 *= scale;
    y2 *= scale;
    Shape::computeAbs();
    absX1 = x1 + absPos.getX();
    absX2 = x2 + absPos.getX();
    absY1 = y1 + absPos.getY();
    absY2 = y2 + absPos.getY();
}

bool AARect::intersect(Circle* other)
{
    return other->intersect(this);
}

bool AARect::intersect(AARect* other)
{
    if (other->absY1 > absY2 || absY1 > other->absY2)
        return false;
    if (other->absX1 > absX2 || absX1 > other->absX2)
        return false;
    return true;
}

bool AARect::intersect(RotRect*)
{
    return false;
}

void AARect::draw(Window* w, bool fill, double r, double g, double b, double a)
{
    if (!w)
        return;
    const double x1 = roundToInt(w->spriteToScreenX(absX1));
    const double y1 = roundToInt(w->spriteToScreenY(absY1));
    const double x2 = roundToInt(w->spriteToScreenX(absX2));
    const double y2 = roundToInt(w->spriteToScreenY(absY2));
    if (fill)
        Shapes::drawFillRect(x1, y1, x2, y2, r, g, b, a);
    else
        Shapes::drawRectEdge(x1, y1, x2, y2, r, g, b, a);
}

// ---- RotRect ----

RotRect::RotRect(const Vector2d& localPos, double width, double height, double angle)
    : Shape(localPos), localAngle(angle)
{
    type = kRotRect;
    setSize(width, height);
}

void RotRect::setSize(double width, double height)
{
    localHalf = Vector2d(width * 0.5, height * 0.5);
}

void RotRect::computeAbs()
{
    absHalf = localHalf * scale;
    Shape::computeAbs();
    absAngle = localAngle + angle;
}

bool RotRect::intersect(Circle* other)
{
    return other->intersect(this);
}

bool RotRect::intersect(AARect*)
{
    return false;
}

// Separation of two rotated rectangles: R2's box is placed in a frame of its own, R1's corners
// are reduced to the two extreme half-diagonals A and B, and R1's vertical extent over R2's
// horizontal span (e1, e2) is compared with R2's vertical span.
bool RotRect::intersect(RotRect* other)
{
    const double ang = absAngle - other->absAngle;
    const double c = cosDeg(ang);
    const double s = sinDeg(ang);

    Vector2d centre = other->absPos - absPos;
    centre.setTheta(other->absAngle - centre.getTheta());

    const Vector2d bl = centre - other->absHalf;
    const Vector2d tr = centre + other->absHalf;

    const double hx = absHalf.getX();
    const double hy = absHalf.getY();
    Vector2d va(-hy * s + c * hx, hy * c + s * hx);
    Vector2d vb(-hy * s - c * hx, hy * c - s * hx);

    const double t = s * c;
    if (t < 0)
        std::swap(va, vb);
    if (s < 0)
        vb = vb * -1.0;

    if (vb.getX() > tr.getX() || vb.getX() > -bl.getX())
        return false;

    double e1, e2;
    if (t == 0)
    {
        e1 = va.getY();
        e2 = -va.getY();
    }
    else
    {
        double x = bl.getX() - va.getX();
        double q = tr.getX() - va.getX();
        e1 = va.getY();
        if (q * x > 0)
        {
            double dx = va.getX();
            if (x < 0)
            {
                dx -= vb.getX();
                e1 -= vb.getY();
                x = q;
            }
            else
            {
                dx += vb.getX();
                e1 += vb.getY();
            }
            e1 = e1 * x / dx + va.getY();
        }

        x = bl.getX() + va.getX();
        q = tr.getX() + va.getX();
        e2 = -va.getY();
        if (q * x > 0)
        {
            double dx = -va.getX();
            if (x < 0)
            {
                dx -= vb.getX();
                e2 -= vb.getY();
                x = q;
            }
            else
            {
                dx += vb.getX();
                e2 += vb.getY();
            }
            e2 = e2 * x / dx - va.getY();
        }
    }

    if (e1 < bl.getY() && e2 < bl.getY())
        return false;
    if (e1 > tr.getY() && e2 > tr.getY())
        return false;
    return true;
}

void RotRect::draw(Window* w, bool, double r, double g, double b, double a)
{
    if (!w)
        return;
    const double hx = absHalf.getX();
    const double hy = absHalf.getY();
    const Vector2d corners[4] = {Vector2d(-hx, -hy), Vector2d(hx, -hy), Vector2d(hx, hy), Vector2d(-hx, hy)};
    double sx[4], sy[4];
    for (int i = 0; i < 4; ++i)
    {
        Vector2d p = corners[i];
        p.setTheta(p.getTheta() + absAngle);
        p += absPos;
        sx[i] = roundToInt(w->spriteToScreenX(p.getX()));
        sy[i] = roundToInt(w->spriteToScreenY(p.getY()));
    }
    // Only axis-aligned edges come out: the line primitive draws nothing slanted.
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        Shapes::drawLine(sx[i], sy[i], sx[j], sy[j], r, g, b, a);
    }
}

}  // namespace WGUI
