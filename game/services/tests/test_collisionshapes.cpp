// Collision shapes: absolute geometry, the touching rules of every pair, dispatch through the
// base class, and randomized comparisons of the rotated tests with a separating-axis oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "services/collisionshapes.h"

namespace
{

using WGUI::AARect;
using WGUI::Circle;
using WGUI::RotRect;
using WGUI::Shape;
using WGUI::Vector2d;

template <class S>
S& Place(S& s, double x, double y, double angle = 0, double scale = 1.0)
{
    s.setWorldPos(Vector2d(x, y));
    s.setAngle(angle);
    s.setScale(scale);
    s.computeAbs();
    return s;
}

// A shape of a kind the dispatch does not know.
class OddShape : public Shape
{
public:
    OddShape() : Shape(Vector2d(0, 0)) { type = 7; }
    using Shape::intersect;
    bool intersect(Circle*) override { return true; }
    bool intersect(AARect*) override { return true; }
    bool intersect(RotRect*) override { return true; }
    void draw(WGUI::Window*, bool, double, double, double, double) override {}
};

TEST(CollisionShapes, SetAngleWrapsIntoZeroTo360)
{
    struct Case
    {
        double in, out;
    };
    const Case cases[] = {{0, 0}, {-90, 270}, {360, 0}, {720.5, 0.5}, {-360, 0}, {359.5, 359.5}, {-1e-20, 0}};
    for (const Case& c : cases)
    {
        Circle s(Vector2d(0, 0), 1);
        s.setAngle(c.in);
        EXPECT_NEAR(s.getAngle(), c.out, 1e-9) << c.in;
        EXPECT_GE(s.getAngle(), 0.0);
        EXPECT_LT(s.getAngle(), 360.0);
    }
}

TEST(CollisionShapes, AbsolutePositionFlipsScalesTurnsThenMoves)
{
    Circle c(Vector2d(2, 0), 1.5);
    Place(c, 10, 20, 90, 3.0);
    // (2, 0) scaled to (6, 0), turned a quarter counter-clockwise on screen: up, y negative.
    EXPECT_NEAR(c.getAbsPos().getX(), 10.0, 1e-9);
    EXPECT_NEAR(c.getAbsPos().getY(), 14.0, 1e-9);
    EXPECT_DOUBLE_EQ(c.getAbsRadius(), 4.5);

    c.setFlip(true, false);
    c.computeAbs();
    EXPECT_NEAR(c.getAbsPos().getX(), 10.0, 1e-9);
    EXPECT_NEAR(c.getAbsPos().getY(), 26.0, 1e-9);

    Circle d(Vector2d(1, 2), 1);
    d.setFlip(false, true);
    Place(d, 0, 0);
    EXPECT_NEAR(d.getAbsPos().getX(), 1.0, 1e-9);
    EXPECT_NEAR(d.getAbsPos().getY(), -2.0, 1e-9);
}

TEST(CollisionShapes, CentredShapesLandWhereTheFullTurnPutsThem)
{
    // A shape on its owner's centre: the absolute position must be, bit for bit (the sign of a
    // zero included), what flipping, scaling, turning and moving the zero offset gives, for world
    // positions with and without zero coordinates, odd scales and every flip.
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Vector2d worlds[] = {{10, -20},    {0, 5},   {-0.0, 3}, {7, -0.0},
                               {-0.0, -0.0}, {nan, 1}, {inf, -2}, {1e-310, 4}};
    const double angles[] = {0, 45, 90, 180, 270, 359.5, 720, -30};
    const double scales[] = {1, 0.5, 0, 1e300, inf, nan};
    const double zeros[] = {0.0, -0.0};
    auto same = [](double a, double b)
    { return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b)); };
    for (const Vector2d& world : worlds)
        for (double angle : angles)
            for (double scale : scales)
                for (int flips = 0; flips < 4; ++flips)
                    for (double zx : zeros)
                    {
                        const Vector2d local(zx, zx);
                        Circle c(local, 1);
                        c.setFlip((flips & 1) != 0, (flips & 2) != 0);
                        Place(c, world.getX(), world.getY(), angle, scale);
                        Vector2d expected = local;
                        if (flips & 1)
                            expected.setX(-expected.getX());
                        if (flips & 2)
                            expected.setY(-expected.getY());
                        expected *= scale;
                        expected.setTheta(expected.getTheta() + c.getAngle());
                        expected += world;
                        EXPECT_TRUE(same(c.getAbsPos().getX(), expected.getX()) &&
                                    same(c.getAbsPos().getY(), expected.getY()))
                            << "world (" << world.getX() << ", " << world.getY() << "), angle " << angle
                            << ", scale " << scale << ", flips " << flips << ": (" << c.getAbsPos().getX()
                            << ", " << c.getAbsPos().getY() << ") for (" << expected.getX() << ", "
                            << expected.getY() << ")";
                    }
}

TEST(CollisionShapes, AxisAlignedRectangleTurnsByQuarterTurns)
{
    struct Case
    {
        double angle, x1, y1, x2, y2;
    };
    const Case cases[] = {
        {0, 0, 0, 2, 1},    {45, 0, 0, 2, 1},    {46, 0, -2, 1, 0},   {90, 0, -2, 1, 0},
        {135, 0, -2, 1, 0}, {136, -2, -1, 0, 0}, {225, -2, -1, 0, 0}, {226, -1, 0, 0, 2},
        {315, -1, 0, 0, 2}, {316, 0, 0, 2, 1},   {360, 0, 0, 2, 1},   {-90, -1, 0, 0, 2},
    };
    for (const Case& c : cases)
    {
        AARect r(Vector2d(0, 0), 0, 0, 2, 1);
        Place(r, 0, 0, c.angle);
        EXPECT_DOUBLE_EQ(r.getAbsX1(), c.x1) << c.angle;
        EXPECT_DOUBLE_EQ(r.getAbsY1(), c.y1) << c.angle;
        EXPECT_DOUBLE_EQ(r.getAbsX2(), c.x2) << c.angle;
        EXPECT_DOUBLE_EQ(r.getAbsY2(), c.y2) << c.angle;
        EXPECT_LE(r.getAbsX1(), r.getAbsX2());
        EXPECT_LE(r.getAbsY1(), r.getAbsY2());
    }
}

TEST(CollisionShapes, AxisAlignedRectangleScalesAndMoves)
{
    AARect r(Vector2d(1, 0), -1, -2, 3, 4);
    Place(r, 100, 50, 0, 2.0);
    EXPECT_DOUBLE_EQ(r.getAbsX1(), 100 + 2 - 2);
    EXPECT_DOUBLE_EQ(r.getAbsY1(), 50 - 4);
    EXPECT_DOUBLE_EQ(r.getAbsX2(), 100 + 2 + 6);
    EXPECT_DOUBLE_EQ(r.getAbsY2(), 50 + 8);

    // Flips keep the corners ordered.
    r.setFlip(true, true);
    r.computeAbs();
    EXPECT_LE(r.getAbsX1(), r.getAbsX2());
    EXPECT_LE(r.getAbsY1(), r.getAbsY2());
    EXPECT_DOUBLE_EQ(r.getAbsX1(), 100 - 2 - 6);
    EXPECT_DOUBLE_EQ(r.getAbsX2(), 100 - 2 + 2);
    EXPECT_DOUBLE_EQ(r.getAbsY1(), 50 - 8);
    EXPECT_DOUBLE_EQ(r.getAbsY2(), 50 + 4);
}

TEST(CollisionShapes, RotatedRectangleGeometry)
{
    RotRect r(Vector2d(0, 0), 4, 2, 30);
    EXPECT_DOUBLE_EQ(r.getWidth(), 4);
    EXPECT_DOUBLE_EQ(r.getHeight(), 2);
    EXPECT_DOUBLE_EQ(r.getAbsHalfWidth(), 0);  // nothing absolute before computeAbs
    Place(r, 5, 5, 350, 1.5);
    EXPECT_DOUBLE_EQ(r.getAbsHalfWidth(), 3);
    EXPECT_DOUBLE_EQ(r.getAbsHalfHeight(), 1.5);
    EXPECT_DOUBLE_EQ(r.getAbsAngle(), 380);  // not wrapped
}

// The touching rules, one row per pair.
TEST(CollisionShapes, TouchingRules)
{
    // Circles whose radii sum exactly to their distance do not meet.
    {
        Circle a(Vector2d(0, 0), 2), b(Vector2d(0, 0), 3);
        Place(a, 0, 0);
        Place(b, 5, 0);
        EXPECT_FALSE(a.intersect(&b));
        Place(b, 4.999, 0);
        EXPECT_TRUE(a.intersect(&b));
    }
    // Axis-aligned rectangles sharing an edge meet; one apart do not.
    {
        AARect a(Vector2d(0, 0), 0, 0, 2, 2), b(Vector2d(0, 0), 0, 0, 2, 2);
        Place(a, 0, 0);
        Place(b, 2, 0);
        EXPECT_TRUE(a.intersect(&b));
        Place(b, 0, 2);
        EXPECT_TRUE(a.intersect(&b));
        Place(b, 2.001, 0);
        EXPECT_FALSE(a.intersect(&b));
        Place(b, 0, -2.001);
        EXPECT_FALSE(a.intersect(&b));
    }
    // A circle touching a box edge meets it; one touching only the corner does not.
    {
        AARect box(Vector2d(0, 0), 0, 0, 10, 10);
        Place(box, 0, 0);
        Circle c(Vector2d(0, 0), 1);
        Place(c, 11, 5);
        EXPECT_TRUE(c.intersect(&box));
        EXPECT_TRUE(box.intersect(&c));
        Place(c, 5, -1);
        EXPECT_TRUE(c.intersect(&box));
        Place(c, 11.001, 5);
        EXPECT_FALSE(c.intersect(&box));
        const double d = std::sqrt(0.5);
        Place(c, 10 + d, 10 + d);  // exactly one radius from the corner
        EXPECT_FALSE(c.intersect(&box));
        Place(c, 10 + 0.7, 10 + 0.7);
        EXPECT_TRUE(c.intersect(&box));
    }
}

TEST(CollisionShapes, AxisAlignedAndRotatedRectanglesNeverMeet)
{
    AARect a(Vector2d(0, 0), -5, -5, 5, 5);
    RotRect r(Vector2d(0, 0), 4, 4, 10);
    Place(a, 0, 0);
    Place(r, 0, 0);
    EXPECT_FALSE(a.intersect(&r));
    EXPECT_FALSE(r.intersect(&a));
    EXPECT_FALSE(static_cast<Shape&>(a).intersect(static_cast<Shape*>(&r)));
    EXPECT_FALSE(static_cast<Shape&>(r).intersect(static_cast<Shape*>(&a)));
}

TEST(CollisionShapes, RotatedRectanglesWithEqualAnglesUseTheBoxTest)
{
    struct Case
    {
        double dx, dy;
        bool hit;
    };
    const Case cases[] = {{0, 0, true},      {4, 0, true},     {4.001, 0, false}, {0, 2, true},
                          {0, 2.001, false}, {3.9, 1.9, true}, {-4, 0, true},     {0, -2.5, false}};
    for (const Case& c : cases)
    {
        RotRect a(Vector2d(0, 0), 4, 2, 0), b(Vector2d(0, 0), 4, 2, 0);
        Place(a, 10, 10);
        Place(b, 10 + c.dx, 10 + c.dy);
        EXPECT_EQ(a.intersect(&b), c.hit) << c.dx << "," << c.dy;
        EXPECT_EQ(b.intersect(&a), c.hit) << c.dx << "," << c.dy;
    }
}

TEST(CollisionShapes, UnknownTypeNeverMeets)
{
    OddShape odd;
    Circle c(Vector2d(0, 0), 100);
    AARect a(Vector2d(0, 0), -100, -100, 100, 100);
    RotRect r(Vector2d(0, 0), 100, 100, 0);
    Place(c, 0, 0);
    Place(a, 0, 0);
    Place(r, 0, 0);
    EXPECT_FALSE(c.intersect(static_cast<Shape*>(&odd)));
    EXPECT_FALSE(a.intersect(static_cast<Shape*>(&odd)));
    EXPECT_FALSE(r.intersect(static_cast<Shape*>(&odd)));
    EXPECT_FALSE(c.intersect(static_cast<Shape*>(nullptr)));
}

TEST(CollisionShapes, DispatchThroughTheBaseMatchesTheDirectTests)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> pos(-20, 20), size(0.5, 10), ang(0, 360);
    for (int i = 0; i < 2000; ++i)
    {
        std::unique_ptr<Shape> shapes[3] = {
            std::make_unique<Circle>(Vector2d(0, 0), size(rng)),
            std::make_unique<AARect>(Vector2d(0, 0), -size(rng), -size(rng), size(rng), size(rng)),
            std::make_unique<RotRect>(Vector2d(0, 0), size(rng), size(rng), ang(rng))};
        for (auto& s : shapes)
        {
            s->setWorldPos(Vector2d(pos(rng), pos(rng)));
            s->setAngle(ang(rng));
            s->computeAbs();
        }
        Circle* c = static_cast<Circle*>(shapes[0].get());
        AARect* a = static_cast<AARect*>(shapes[1].get());
        RotRect* r = static_cast<RotRect*>(shapes[2].get());
        EXPECT_EQ(shapes[0]->intersect(shapes[1].get()), c->intersect(a));
        EXPECT_EQ(shapes[1]->intersect(shapes[0].get()), c->intersect(a));
        EXPECT_EQ(shapes[0]->intersect(shapes[2].get()), c->intersect(r));
        EXPECT_EQ(shapes[2]->intersect(shapes[0].get()), c->intersect(r));
    }
}

// ---- Randomized oracles ----

struct Corners
{
    double x[4], y[4];
};

Corners CornersOf(RotRect& r)
{
    Corners out;
    const double hx = r.getAbsHalfWidth(), hy = r.getAbsHalfHeight();
    const double lx[4] = {-hx, hx, hx, -hx}, ly[4] = {-hy, -hy, hy, hy};
    for (int i = 0; i < 4; ++i)
    {
        Vector2d p(lx[i], ly[i]);
        p.setTheta(p.getTheta() + r.getAbsAngle());
        p += r.getAbsPos();
        out.x[i] = p.getX();
        out.y[i] = p.getY();
    }
    return out;
}

// Largest gap between the projections over the four edge normals: positive when separated,
// negative when overlapping, near zero when touching.
double SeparatingGap(const Corners& a, const Corners& b)
{
    double best = -1e300;
    const Corners* sets[2] = {&a, &b};
    for (const Corners* s : sets)
    {
        for (int e = 0; e < 2; ++e)
        {
            const double ax = s->x[e + 1] - s->x[e], ay = s->y[e + 1] - s->y[e];
            const double len = std::hypot(ax, ay);
            if (len == 0)
                continue;
            const double nx = ax / len, ny = ay / len;
            double minA = 1e300, maxA = -1e300, minB = 1e300, maxB = -1e300;
            for (int i = 0; i < 4; ++i)
            {
                const double pa = a.x[i] * nx + a.y[i] * ny;
                const double pb = b.x[i] * nx + b.y[i] * ny;
                minA = std::min(minA, pa);
                maxA = std::max(maxA, pa);
                minB = std::min(minB, pb);
                maxB = std::max(maxB, pb);
            }
            best = std::max(best, std::max(minB - maxA, minA - maxB));
        }
    }
    return best;
}

TEST(CollisionShapes, RotatedRectanglePairsAgreeWithSeparatingAxes)
{
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> pos(-15, 15), size(0.5, 12), ang(-720, 720);
    std::uniform_int_distribution<int> quarter(-8, 8);
    int hits = 0, misses = 0, skipped = 0;
    for (int i = 0; i < 200000; ++i)
    {
        // Every eighth pair uses whole quarter turns, where sin and cos reach 0.
        const bool right = i % 8 == 0;
        RotRect a(Vector2d(pos(rng) * 0.1, pos(rng) * 0.1), size(rng), size(rng),
                  right ? quarter(rng) * 90.0 : ang(rng));
        RotRect b(Vector2d(0, 0), size(rng), size(rng), right ? quarter(rng) * 90.0 : ang(rng));
        Place(a, pos(rng), pos(rng), right ? quarter(rng) * 90.0 : ang(rng), size(rng) / 6);
        Place(b, pos(rng), pos(rng), right ? quarter(rng) * 90.0 : ang(rng), size(rng) / 6);
        const double gap = SeparatingGap(CornersOf(a), CornersOf(b));
        if (std::fabs(gap) < 1e-6)
        {
            ++skipped;
            continue;
        }
        const bool expected = gap < 0;
        ASSERT_EQ(a.intersect(&b), expected) << "pair " << i << " gap " << gap;
        ASSERT_EQ(b.intersect(&a), expected) << "pair " << i << " gap " << gap;
        (expected ? hits : misses)++;
    }
    EXPECT_GT(hits, 10000);
    EXPECT_GT(misses, 10000);
    EXPECT_LT(skipped, 100);
}

TEST(CollisionShapes, CircleAndRotatedRectangleAgreeWithClosestPoint)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> pos(-15, 15), size(0.5, 12), ang(-720, 720);
    int hits = 0, misses = 0;
    for (int i = 0; i < 100000; ++i)
    {
        RotRect r(Vector2d(0, 0), size(rng), size(rng), ang(rng));
        Circle c(Vector2d(0, 0), size(rng) / 2);
        Place(r, pos(rng), pos(rng), ang(rng));
        Place(c, pos(rng), pos(rng));
        // The centre in the rectangle's frame, then the distance to the box.
        Vector2d p = c.getAbsPos() - r.getAbsPos();
        p.setTheta(p.getTheta() - r.getAbsAngle());
        const double qx = std::max(std::fabs(p.getX()) - r.getAbsHalfWidth(), 0.0);
        const double qy = std::max(std::fabs(p.getY()) - r.getAbsHalfHeight(), 0.0);
        const double d = std::hypot(qx, qy);
        if (std::fabs(d - c.getAbsRadius()) < 1e-6)
            continue;
        const bool expected = d < c.getAbsRadius();
        ASSERT_EQ(c.intersect(&r), expected) << "pair " << i;
        ASSERT_EQ(r.intersect(&c), expected) << "pair " << i;
        (expected ? hits : misses)++;
    }
    EXPECT_GT(hits, 5000);
    EXPECT_GT(misses, 5000);
}

// ---- Point-sampling oracle for every pair ----

// Signed distance from p to a shape as the intersection tests see it (absolute values): negative
// inside, positive outside.
double SignedDistance(Shape& s, double x, double y)
{
    const auto box = [](double qx, double qy)
    {
        const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        return outside + std::min(std::max(qx, qy), 0.0);
    };
    switch (s.getType())
    {
    case Shape::kCircle:
    {
        Circle& c = static_cast<Circle&>(s);
        return std::hypot(x - c.getAbsPos().getX(), y - c.getAbsPos().getY()) - c.getAbsRadius();
    }
    case Shape::kAARect:
    {
        AARect& a = static_cast<AARect&>(s);
        const double cx = (a.getAbsX1() + a.getAbsX2()) / 2, cy = (a.getAbsY1() + a.getAbsY2()) / 2;
        return box(std::fabs(x - cx) - (a.getAbsX2() - a.getAbsX1()) / 2,
                   std::fabs(y - cy) - (a.getAbsY2() - a.getAbsY1()) / 2);
    }
    default:
    {
        RotRect& r = static_cast<RotRect&>(s);
        Vector2d p = Vector2d(x, y) - r.getAbsPos();
        p.setTheta(p.getTheta() - r.getAbsAngle());
        return box(std::fabs(p.getX()) - r.getAbsHalfWidth(), std::fabs(p.getY()) - r.getAbsHalfHeight());
    }
    }
}

struct Bounds
{
    double x1, y1, x2, y2;
};

Bounds BoundsOf(Shape& s)
{
    switch (s.getType())
    {
    case Shape::kCircle:
    {
        Circle& c = static_cast<Circle&>(s);
        const double r = c.getAbsRadius();
        return {c.getAbsPos().getX() - r, c.getAbsPos().getY() - r, c.getAbsPos().getX() + r,
                c.getAbsPos().getY() + r};
    }
    case Shape::kAARect:
    {
        AARect& a = static_cast<AARect&>(s);
        return {a.getAbsX1(), a.getAbsY1(), a.getAbsX2(), a.getAbsY2()};
    }
    default:
    {
        const Corners k = CornersOf(static_cast<RotRect&>(s));
        Bounds b{k.x[0], k.y[0], k.x[0], k.y[0]};
        for (int i = 1; i < 4; ++i)
        {
            b.x1 = std::min(b.x1, k.x[i]);
            b.y1 = std::min(b.y1, k.y[i]);
            b.x2 = std::max(b.x2, k.x[i]);
            b.y2 = std::max(b.y2, k.y[i]);
        }
        return b;
    }
    }
}

enum class Verdict
{
    kMeet,
    kApart,
    kUnclear
};

// Samples a grid of spacing h over the common bounds. Two convex shapes that share a point share
// a disc of radius delta once both are grown by delta, and such a disc holds a grid point when
// h <= delta * sqrt(2): no grid point in both grown shapes proves them apart. A grid point deep
// inside both proves that they meet. Anything else (touching, or nearly) is left unclear.
Verdict SampledVerdict(Shape& a, Shape& b, double delta)
{
    const double h = delta;
    const Bounds ba = BoundsOf(a), bb = BoundsOf(b);
    const double x1 = std::max(ba.x1, bb.x1) - delta, x2 = std::min(ba.x2, bb.x2) + delta;
    const double y1 = std::max(ba.y1, bb.y1) - delta, y2 = std::min(ba.y2, bb.y2) + delta;
    if (x1 > x2 || y1 > y2)
        return Verdict::kApart;
    bool near = false;
    for (double y = y1; y <= y2 + h / 2; y += h)
        for (double x = x1; x <= x2 + h / 2; x += h)
        {
            const double da = SignedDistance(a, x, y), db = SignedDistance(b, x, y);
            if (da < -delta && db < -delta)
                return Verdict::kMeet;
            if (da <= delta && db <= delta)
                near = true;
        }
    return near ? Verdict::kUnclear : Verdict::kApart;
}

std::unique_ptr<Shape> RandomShape(int type, std::mt19937& rng, bool grid)
{
    std::uniform_real_distribution<double> unit(0, 1);
    // On the grid every coordinate and size is a multiple of one half and turns are quarter turns,
    // so centres land exactly on the lines of edges.
    const auto value = [&](double lo, double hi)
    {
        const double v = lo + (hi - lo) * unit(rng);
        return grid ? std::round(v * 2) / 2 : v;
    };
    const auto turn = [&]() { return grid ? 90.0 * std::floor(unit(rng) * 4) : 360.0 * unit(rng); };
    std::unique_ptr<Shape> s;
    if (type == Shape::kCircle)
        s = std::make_unique<Circle>(Vector2d(0, 0), value(0.5, 3));
    else if (type == Shape::kAARect)
        s = std::make_unique<AARect>(Vector2d(0, 0), -value(0, 3), -value(0, 3), value(0.5, 3),
                                     value(0.5, 3));
    else
        s = std::make_unique<RotRect>(Vector2d(0, 0), value(0.5, 5), value(0.5, 5), turn());
    s->setWorldPos(Vector2d(value(-5, 5), value(-5, 5)));
    s->setAngle(type == Shape::kAARect ? 90.0 * std::floor(unit(rng) * 4) : turn());
    s->computeAbs();
    return s;
}

TEST(CollisionShapes, EveryPairAgreesWithAPointSamplingOracle)
{
    struct Pair
    {
        int a, b;
    };
    // An axis-aligned box and a rotated box never meet by design; every other pair is sampled.
    const Pair pairs[] = {{Shape::kCircle, Shape::kCircle},
                          {Shape::kCircle, Shape::kAARect},
                          {Shape::kAARect, Shape::kAARect},
                          {Shape::kCircle, Shape::kRotRect},
                          {Shape::kRotRect, Shape::kRotRect}};
    std::mt19937 rng(4190);
    for (const Pair& pair : pairs)
        for (int grid = 0; grid < 2; ++grid)
        {
            int meet = 0, apart = 0;
            for (int i = 0; i < 1500; ++i)
            {
                std::unique_ptr<Shape> a = RandomShape(pair.a, rng, grid != 0);
                std::unique_ptr<Shape> b = RandomShape(pair.b, rng, grid != 0);
                const Verdict v = SampledVerdict(*a, *b, 0.1);
                if (v == Verdict::kUnclear)
                    continue;
                const bool expected = v == Verdict::kMeet;
                (expected ? meet : apart)++;
                ASSERT_EQ(a->intersect(b.get()), expected)
                    << "types " << pair.a << "-" << pair.b << (grid ? " on the grid" : "") << ", pair " << i
                    << ": a at (" << a->getAbsPos().getX() << ", " << a->getAbsPos().getY() << "), b at ("
                    << b->getAbsPos().getX() << ", " << b->getAbsPos().getY() << ")";
                ASSERT_EQ(b->intersect(a.get()), expected)
                    << "types " << pair.b << "-" << pair.a << ", pair " << i;
            }
            EXPECT_GT(meet, 100) << pair.a << "-" << pair.b << " grid " << grid;
            EXPECT_GT(apart, 100) << pair.a << "-" << pair.b << " grid " << grid;
        }
}

TEST(CollisionShapes, CircleCentresOnTheLinesOfBoxEdgesMeetTheNearCorner)
{
    // Box (0, 0)-(10, 10); the centre lies on the line of an edge, outside the box.
    struct Case
    {
        double x, y, r;
        bool meets;
    };
    const Case cases[] = {
        {10, -0.5, 1, true}, {0, -0.5, 1, true},  {10, 10.5, 1, true}, {0, 10.5, 1, true},
        {10.5, 0, 1, true},  {10.5, 10, 1, true}, {-0.5, 0, 1, true},  {-0.5, 10, 1, true},
        {10, -1, 1, false},  {-1, 0, 1, false},   {10, -2, 1, false},  {11.5, 10, 1, false},
    };
    for (const Case& c : cases)
    {
        Circle circle(Vector2d(0, 0), c.r);
        AARect box(Vector2d(0, 0), 0, 0, 10, 10);
        Place(circle, c.x, c.y);
        Place(box, 0, 0);
        EXPECT_EQ(circle.intersect(&box), c.meets) << c.x << ", " << c.y;
        EXPECT_EQ(box.intersect(&circle), c.meets) << c.x << ", " << c.y;
    }
}

}  // namespace
