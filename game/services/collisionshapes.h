// Collision shapes of the game's entities, in double precision world units (y grows down the
// screen, angles in degrees with the Vector2d convention: a positive angle turns counter-clockwise
// on screen). Each shape sits at a local offset from its owner; every frame the owner sets the
// world position, scale and angle and calls computeAbs(), after which the intersection tests
// read only the absolute values. Pairs are tested by double dispatch on the shape type.
//
// Touching rules: circle-circle and circle-box-corner contacts do not count; circle-box-edge,
// box-box and rotated-box pairs count touching as a hit. An axis-aligned box and a rotated box
// never meet (no test exists for that pair), and a shape of an unknown type meets nothing.
#pragma once

#include "wgui_vector2d.h"

namespace WGUI
{

class Window;
class Circle;
class AARect;
class RotRect;

class Shape
{
public:
    enum
    {
        kNone = 0,
        kCircle = 1,
        kAARect = 2,
        kRotRect = 3
    };

    explicit Shape(const Vector2d& localPos);
    virtual ~Shape();

    virtual void setLocalPos(const Vector2d& pos) { localPos = pos; }
    virtual Vector2d getLocalPos() { return localPos; }
    virtual void setWorldPos(const Vector2d& pos) { worldPos = pos; }
    // Stored in [0, 360).
    virtual void setAngle(double a);
    virtual void setScale(double s) { scale = s; }
    virtual void setFlip(bool x, bool y)
    {
        flipX = x;
        flipY = y;
    }
    // Absolute position: local offset, flipped, scaled, turned by the angle, moved to the world
    // position.
    virtual void computeAbs();
    virtual Vector2d getAbsPos() { return absPos; }

    // Dispatches on the other shape's type; false for an unknown type.
    virtual bool intersect(Shape* other);
    virtual bool intersect(Circle* other) = 0;
    virtual bool intersect(AARect* other) = 0;
    virtual bool intersect(RotRect* other) = 0;

    // Debug drawing onto a window, through its sprite-to-screen conversion.
    virtual void draw(Window* w, bool fill, double r, double g, double b, double a) = 0;

    int getType() const { return type; }
    double getAngle() const { return angle; }

protected:
    Vector2d localPos;
    Vector2d worldPos;
    double angle = 0;
    double scale = 1.0;
    bool flipX = false;
    bool flipY = false;
    Vector2d absPos;
    int type = kNone;
};

class Circle : public Shape
{
public:
    Circle(const Vector2d& localPos, double radius);

    using Shape::intersect;
    void computeAbs() override;
    bool intersect(Circle* other) override;
    bool intersect(AARect* other) override;
    bool intersect(RotRect* other) override;
    void draw(Window* w, bool fill, double r, double g, double b, double a) override;

    double getLocalRadius() const { return localRadius; }
    double getAbsRadius() const { return absRadius; }

private:
    double localRadius;
    double absRadius;
};

class AARect : public Shape
{
public:
    // Corners relative to the shape's position, x1 <= x2 and y1 <= y2.
    AARect(const Vector2d& localPos, double x1, double y1, double x2, double y2);

    using Shape::intersect;
    // Turns by whole quarter turns only (the angle is rounded to the nearest one, halves down).
    void computeAbs() override;
    bool intersect(Circle* other) override;
    bool intersect(AARect* other) override;
    bool intersect(RotRect* other) override;
    void draw(Window* w, bool fill, double r, double g, double b, double a) override;

    double getLocalX1() const { return localX1; }
    double getLocalY1() const { return localY1; }
    double getLocalX2() const { return localX2; }
    double getLocalY2() const { return localY2; }
    double getAbsX1() const { return absX1; }
    double getAbsY1() const { return absY1; }
    double getAbsX2() const { return absX2; }
    double getAbsY2() const { return absY2; }

private:
    double localX1, localY1, localX2, localY2;
    double absX1, absY1, absX2, absY2;
};

class RotRect : public Shape
{
public:
    RotRect(const Vector2d& localPos, double width, double height, double angle);

    using Shape::intersect;
    void computeAbs() override;
    bool intersect(Circle* other) override;
    bool intersect(AARect* other) override;
    bool intersect(RotRect* other) override;
    // The outline only, whatever the fill flag.
    void draw(Window* w, bool fill, double r, double g, double b, double a) override;

    void setSize(double width, double height);
    double getWidth() const { return localHalf.getX() * 2.0; }
    double getHeight() const { return localHalf.getY() * 2.0; }
    double getLocalAngle() const { return localAngle; }
    // Local angle plus the shape's angle, not wrapped.
    double getAbsAngle() const { return absAngle; }
    double getAbsHalfWidth() const { return absHalf.getX(); }
    double getAbsHalfHeight() const { return absHalf.getY(); }

private:
    Vector2d localHalf;
    Vector2d absHalf;
    double localAngle;
    double absAngle = 0;
};

}  // namespace WGUI
