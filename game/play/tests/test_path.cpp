// Paths: the Bezier pieces, the resampling into points 3.0 to 3.01 units apart, the evened-out
// end, lookup by fraction, and paths too short or too empty to resample normally.
#include <gtest/gtest.h>

#include <cmath>

#include "path.h"

using namespace Game;

namespace
{

SplinePair Piece(double x1, double y1, double x2, double y2, double cx1 = 0, double cy1 = 0, double cx2 = 0,
                 double cy2 = 0)
{
    SplinePair p;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.coefx1 = cx1;
    p.coefy1 = cy1;
    p.coefx2 = cx2;
    p.coefy2 = cy2;
    return p;
}

double Gap(const Path& p, int i)
{
    return (p.getPointAt(i + 1) - p.getPointAt(i)).getR();
}

TEST(PathTest, StraightPieceIsResampledInTheBand)
{
    Path p;
    p.addPair(Piece(0, 0, 30, 0));
    p.segmentPath();
    const int n = p.getNumPoints();
    ASSERT_GE(n, 7);
    // The points run along x in order, from the start to the end.
    EXPECT_DOUBLE_EQ(p.getPointAt(0).getX(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPointAt(n - 1).getX(), 30.0);
    for (int i = 0; i < n; ++i)
        EXPECT_DOUBLE_EQ(p.getPointAt(i).getY(), 0.0);
    for (int i = 0; i + 1 < n; ++i)
        EXPECT_LT(p.getPointAt(i).getX(), p.getPointAt(i + 1).getX()) << i;
    // Every interval before the last five lies in the band.
    for (int i = 0; i + 1 < n - 5; ++i)
    {
        EXPECT_GE(Gap(p, i), 3.0) << i;
        EXPECT_LE(Gap(p, i), 3.01) << i;
    }
    // The length counts the middle of the band per step, not the measured distance.
    EXPECT_DOUBLE_EQ(p.getLength(), 3.005 * (n - 1));
}

TEST(PathTest, LastFiveIntervalsAreEvenInParameter)
{
    Path p;
    p.addPair(Piece(0, 0, 100, 0));
    p.segmentPath();
    const int n = p.getNumPoints();
    ASSERT_GE(n, 7);
    // On a straight piece with zero offsets equal parameter steps are not equal distances,
    // but the four re-spaced points lie between their neighbours, and the end stays.
    EXPECT_DOUBLE_EQ(p.getPointAt(n - 1).getX(), 100.0);
    for (int i = n - 6; i + 1 < n; ++i)
        EXPECT_LT(p.getPointAt(i).getX(), p.getPointAt(i + 1).getX());
}

TEST(PathTest, GetPointClampsPieceAndParameter)
{
    Path p;
    p.addPair(Piece(0, 0, 10, 0));
    p.addPair(Piece(20, 5, 40, 5));
    const struct
    {
        double u, x, y;
    } cases[] = {{0.0, 0, 0}, {1.0, 20, 5}, {2.0, 40, 5}, {7.5, 40, 5}, {-3, 0, 0}, {0.5, 5, 0}};
    for (const auto& c : cases)
    {
        const WGUI::Vector2d q = p.getPoint(c.u);
        EXPECT_NEAR(q.getX(), c.x, 1e-12) << c.u;
        EXPECT_NEAR(q.getY(), c.y, 1e-12) << c.u;
    }
}

TEST(PathTest, GetPointIsTheCubicBezier)
{
    Path p;
    p.addPair(Piece(0, 0, 10, 0, 0, 10, 0, 10));
    // A (0,0), B (10,0), C (0,10), D (10,10); at t = 0.5 the point is (5, 7.5).
    const WGUI::Vector2d q = p.getPoint(0.5);
    EXPECT_NEAR(q.getX(), 5.0, 1e-12);
    EXPECT_NEAR(q.getY(), 7.5, 1e-12);
}

TEST(PathTest, GetPosEndsExactlyAndClamps)
{
    Path p;
    p.addPair(Piece(-40, 10, 60, 30, 20, 0, -20, 0));
    p.segmentPath();
    const WGUI::Vector2d first = p.getPointAt(0);
    const WGUI::Vector2d last = p.getPointAt(p.getNumPoints() - 1);
    EXPECT_DOUBLE_EQ(p.getPos(0).getX(), -40.0);
    EXPECT_DOUBLE_EQ(p.getPos(0).getY(), 10.0);
    EXPECT_DOUBLE_EQ(p.getPos(1).getX(), last.getX());
    EXPECT_DOUBLE_EQ(p.getPos(1).getY(), last.getY());
    EXPECT_DOUBLE_EQ(p.getPos(2).getX(), 60.0);
    EXPECT_DOUBLE_EQ(p.getPos(1e300).getX(), 60.0);
    EXPECT_DOUBLE_EQ(p.getPos(-5).getX(), first.getX());
    // Half-way lies between neighbouring stored points.
    const double n = p.getNumPoints() - 1;
    const WGUI::Vector2d mid = p.getPos(0.5);
    const int i = static_cast<int>(0.5 * n);
    EXPECT_GE(mid.getX(), p.getPointAt(i).getX() - 1e-9);
    EXPECT_LE(mid.getX(), p.getPointAt(i + 1 < p.getNumPoints() ? i + 1 : i).getX() + 1e-9);
}

TEST(PathTest, FarControlPointKeepsTheSpacing)
{
    Path p;
    p.addPair(Piece(0, 0, 100, 0, 400, -300, 0, 0));
    p.segmentPath();
    const int n = p.getNumPoints();
    ASSERT_GT(n, 10);
    for (int i = 0; i + 1 < n - 5; ++i)
    {
        EXPECT_GE(Gap(p, i), 3.0 - 1e-9) << i;
        EXPECT_LE(Gap(p, i), 3.01 + 1e-9) << i;
    }
}

TEST(PathTest, ShortPathKeepsItsPointsAsFound)
{
    // Fewer than five steps: no evening-out, the start stays, nothing is written before it.
    Path p;
    p.addPair(Piece(0, 0, 7, 0));
    p.segmentPath();
    ASSERT_GE(p.getNumPoints(), 2);
    EXPECT_LT(p.getNumPoints(), 6);
    EXPECT_DOUBLE_EQ(p.getPointAt(0).getX(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPointAt(p.getNumPoints() - 1).getX(), 7.0);
    for (int i = 0; i + 1 < p.getNumPoints(); ++i)
        EXPECT_LT(p.getPointAt(i).getX(), p.getPointAt(i + 1).getX());
}

TEST(PathTest, ZeroLengthPieceEnds)
{
    Path p;
    p.addPair(Piece(5, 5, 5, 5));
    p.segmentPath();
    EXPECT_GE(p.getNumPoints(), 1);
    EXPECT_DOUBLE_EQ(p.getPos(0.5).getX(), 5.0);
    EXPECT_DOUBLE_EQ(p.getPos(0.5).getY(), 5.0);
}

TEST(PathTest, EmptyPathGivesTheOrigin)
{
    Path p;
    p.segmentPath();
    EXPECT_EQ(p.getNumPoints(), 0);
    EXPECT_DOUBLE_EQ(p.getLength(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPoint(0.3).getX(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPos(0.3).getY(), 0.0);
}

TEST(PathTest, NonFiniteArgumentsStayInside)
{
    Path p;
    p.addPair(Piece(0, 0, 30, 0));
    p.addPair(Piece(30, 0, 60, 0));
    p.segmentPath();
    EXPECT_DOUBLE_EQ(p.getPoint(NAN).getX(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPoint(INFINITY).getX(), 60.0);
    EXPECT_DOUBLE_EQ(p.getPoint(-INFINITY).getX(), 0.0);
    EXPECT_DOUBLE_EQ(p.getPos(INFINITY).getX(), 60.0);
    EXPECT_DOUBLE_EQ(p.getPos(-INFINITY).getX(), 0.0);
}

TEST(PathTest, HugeCoordinatesStopAtThePointBound)
{
    Path p;
    p.addPair(Piece(0, 0, 1e9, 0));
    p.segmentPath();
    EXPECT_LE(p.getNumPoints(), Path::kMaxPoints + 1);
    EXPECT_GT(p.getNumPoints(), 1);
}

}  // namespace
