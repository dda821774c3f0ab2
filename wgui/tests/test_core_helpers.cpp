// Free helpers, vectors and the Bezier point.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "wgui_helpers.h"
#include "wgui_misc.h"
#include "wgui_vector2d.h"

using namespace WGUI;

TEST(Rounding, RoundToIntHalvesGoUpAndHugeValuesSaturate)
{
    struct Case
    {
        double in;
        int out;
    } cases[] = {
        {-0.5, 0}, {2.5, 3},         {2.4999, 2},       {-1.5, -1}, {-1.51, -2},
        {0.0, 0},  {1e300, INT_MAX}, {-1e300, INT_MIN}, {NAN, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundToInt(c.in), c.out) << c.in;
    EXPECT_EQ(roundUpToInt(2.01), 3);
    EXPECT_EQ(roundUpToInt(-2.5), -2);
}

TEST(Angles, FoldingLeavesTheSameBitsAsTheFullFold)
{
    // Inside the range, at its ends, a hair either side of them, below zero, past a turn, tiny
    // and huge angles, and the values that are not numbers.
    const double cases[] = {0.0,
                            -0.0,
                            5e-324,
                            1e-300,
                            0.5,
                            90.0,
                            358.99999999999994,
                            359.0,
                            359.5,
                            std::nextafter(360.0, 0.0),
                            360.0,
                            360.5,
                            -1e-300,
                            -90.0,
                            -359.9,
                            725.0,
                            1e17,
                            -3e20,
                            HUGE_VAL,
                            -HUGE_VAL,
                            std::nan("")};
    for (double in : cases)
    {
        double quick = in, full = in;
        set0To360(quick);
        set0To360Folded(full);
        EXPECT_EQ(0, std::memcmp(&quick, &full, sizeof quick)) << in;
        // The fold by hand, as it has always been written.
        const double expected = in - 360.0 * std::floor(in / 360.0);
        EXPECT_EQ(0, std::memcmp(&quick, &expected, sizeof quick)) << in;
    }
}

TEST(Angles, FoldingAndTests)
{
    double a = -90;
    set0To360(a);
    EXPECT_DOUBLE_EQ(a, 270);
    a = 360;
    set0To360(a);
    EXPECT_DOUBLE_EQ(a, 0);
    a = 725;
    set0To360(a);
    EXPECT_DOUBLE_EQ(a, 5);

    struct Case
    {
        double a, b, diff;
    } diffs[] = {
        {10, 350, 20}, {350, 10, -20}, {180, 0, 180}, {0, 180, -180}, {90, 45, 45},
    };
    for (const auto& c : diffs)
        EXPECT_DOUBLE_EQ(angleDifference(c.a, c.b), c.diff) << c.a << " " << c.b;

    EXPECT_TRUE(angleIsBetweenAngles(45, 0, 90));
    EXPECT_FALSE(angleIsBetweenAngles(90, 0, 90));  // strict
    EXPECT_TRUE(angleIsBetweenAngles(350, 0, 90));
    EXPECT_FALSE(angleIsBetweenAngles(180, 0, 90));

    EXPECT_DOUBLE_EQ(changeToSignOf(3, 1), 3);
    EXPECT_DOUBLE_EQ(changeToSignOf(3, 0), -3);
    EXPECT_DOUBLE_EQ(changeToSignOf(-3, -2), -3);
    EXPECT_DOUBLE_EQ(RAD_DEG_CONVERT, 57.29577951307855);
    EXPECT_NEAR(sinDeg(90), 1.0, 1e-15);
    EXPECT_NEAR(cosDeg(180), -1.0, 1e-15);
    // The conversion constant is the literal above, a hair below 180 / pi.
    EXPECT_NEAR(aTan2Deg(1, 0), 90.0, 1e-9);
    EXPECT_LT(aTan2Deg(1, 0), 90.0);
    EXPECT_NEAR(degToRad(180), 3.141592653589793, 1e-12);
}

TEST(Trigonometry, SinCosDegIsBitForBitTheSeparateCalls)
{
    // Angles of every size and sign, quarter turns, ones near a multiple of pi where the argument
    // reduction matters, huge ones, and the values that are not numbers.
    const double cases[] = {0.0,
                            -0.0,
                            1e-300,
                            30.0,
                            45.0,
                            90.0,
                            180.0,
                            270.0,
                            359.999,
                            360.0,
                            -90.0,
                            -725.25,
                            1e6 + 0.1,
                            1e22,
                            -3.7e15,
                            1.0 / 3,
                            179.99999999999997,
                            5e-324,
                            HUGE_VAL,
                            -HUGE_VAL,
                            std::nan("")};
    for (double d : cases)
    {
        double s = 0, c = 0;
        sinCosDeg(d, s, c);
        const double s1 = sinDeg(d), c1 = cosDeg(d);
        // Same bits (which also holds for NaN, where == would fail).
        EXPECT_EQ(0, std::memcmp(&s, &s1, sizeof s)) << d;
        EXPECT_EQ(0, std::memcmp(&c, &c1, sizeof c)) << d;
    }
    // And a vector set from polar form takes the same coordinates as from the separate calls.
    Vector2d v;
    v.setPolar(2.5, 123.456);
    EXPECT_EQ(v.getX(), cosDeg(123.456) * 2.5);
    EXPECT_EQ(v.getY(), -sinDeg(123.456) * 2.5);
}

TEST(Clamping, MinIsAppliedFirst)
{
    double d = 5;
    boundDouble(d, 0, 1);
    EXPECT_EQ(d, 1);
    d = -1;
    boundDouble(d, 0, 1);
    EXPECT_EQ(d, 0);
    // With min above max, the max wins because it comes second.
    int i = 0;
    boundInt(i, 10, 5);
    EXPECT_EQ(i, 5);
    float f = 0.5f;
    boundFloat(f, 0.6f, 1.0f);
    EXPECT_FLOAT_EQ(f, 0.6f);
    EXPECT_EQ(normalizeVolume(1.5), 1.0);
    EXPECT_EQ(normalizeVolume(-0.5f), 0.0f);
    EXPECT_EQ(minimum(3, 2), 2);
    EXPECT_EQ(maximum(3.0, 2.0, 7.0), 7.0);
    EXPECT_EQ(minimum(3.0, 2.0, 7.0), 2.0);
    bool b = false;
    flipBool(b);
    EXPECT_TRUE(b);
    double x = 1, y = 2;
    WGUI::swap(x, y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 1);
}

TEST(Random, RangesFollowRand)
{
    std::srand(7);
    for (int k = 0; k < 2000; ++k)
    {
        int v = randomInt(3, 7);
        EXPECT_GE(v, 3);
        EXPECT_LE(v, 6);
        double d = randomDouble(-2, 2);
        EXPECT_GE(d, -2);
        EXPECT_LE(d, 2);
        double u = randomDouble0to1();
        EXPECT_GE(u, 0);
        EXPECT_LE(u, 1);
        double a = randomAngle(0, 30);
        EXPECT_GE(a, 0);
        EXPECT_LT(a, 360);
        EXPECT_TRUE(a <= 30 || a >= 330) << a;
    }
    // An empty range gives its start instead of dividing by zero.
    EXPECT_EQ(randomInt(4, 4), 4);
    // The same seed gives the same sequence.
    std::srand(42);
    int first = randomInt(0, 1000);
    std::srand(42);
    EXPECT_EQ(randomInt(0, 1000), first);
}

TEST(TextNumbers, ParsingIsTheCConversionWithSaturation)
{
    struct Case
    {
        const char* in;
        int out;
    } ints[] = {
        {"12", 12},
        {"  -7", -7},
        {"+3", 3},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"1.9", 1},
    };
    for (const auto& c : ints)
        EXPECT_EQ(stringToInt(c.in), c.out) << c.in;

    struct DCase
    {
        const char* in;
        double out;
    } doubles[] = {
        {"0.5", 0.5}, {" -2.25x", -2.25},  {"1e3", 1000},         {"1e", 1}, {".5", 0.5}, {"x", 0},
        {"3,5", 3},   {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL},
    };
    for (const auto& c : doubles)
        EXPECT_EQ(stringToDouble(c.in), c.out) << c.in;
    EXPECT_EQ(stringToFloat("1e300"), HUGE_VALF);
    EXPECT_FLOAT_EQ(stringToFloat("0.25"), 0.25f);
}

TEST(TextNumbers, FormattingTable)
{
    EXPECT_EQ(std::string(intToString(-42).c_str()), "-42");
    EXPECT_EQ(std::string(doubleToString(0.0000001).c_str()), "0.000000");
    EXPECT_EQ(std::string(doubleToString(1e7).c_str()), "10000000.000000");
    EXPECT_EQ(std::string(doubleToString(59.88024).c_str()), "59.880240");

    struct TCase
    {
        int in;
        const char* out;
    } times[] = {
        {0, "0:00"}, {59, "0:59"}, {60, "1:00"}, {75, "1:15"}, {5, "0:05"}, {-5, "0:00"}, {3600, "60:00"},
    };
    for (const auto& c : times)
        EXPECT_EQ(std::string(intToTime(c.in).c_str()), c.out) << c.in;
    EXPECT_EQ(std::string(doubleToTime(59.2, true).c_str()), "1:00");
    EXPECT_EQ(std::string(doubleToTime(59.9, false).c_str()), "0:59");

    struct CCase
    {
        int in;
        const char* out;
    } commas[] = {
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {-1234567, "-1234567"},
        {1000000000, "1,000,000,000"},
        {INT_MAX, "2,147,483,647"},
        {0, "0"},
    };
    for (const auto& c : commas)
        EXPECT_EQ(std::string(intToCommaString(c.in).c_str()), c.out) << c.in;
}

TEST(TextNumbers, ProcessLocaleDoesNotChangeNumbers)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    // Any locale with a comma decimal that the machine has; without one the test still checks
    // the "C" behaviour.
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name))
            break;
    EXPECT_EQ(stringToDouble("2.5"), 2.5);
    EXPECT_EQ(std::string(doubleToString(2.5).c_str()), "2.500000");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Colour, HsvConversionsTable)
{
    struct Case
    {
        double r, g, b, h, s, v;
    } cases[] = {
        {1, 0, 0, 0, 1, 1},         {0, 1, 0, 1.0 / 3.0, 1, 1}, {0, 0, 1, 2.0 / 3.0, 1, 1},
        {0.5, 0.5, 0.5, 0, 0, 0.5}, {1, 1, 0, 1.0 / 6.0, 1, 1},
    };
    for (const auto& c : cases)
    {
        double h, s, v;
        RGBToHSV(c.r, c.g, c.b, h, s, v);
        EXPECT_NEAR(h, c.h, 1e-9);
        EXPECT_NEAR(s, c.s, 1e-9);
        EXPECT_NEAR(v, c.v, 1e-9);
        double r, g, b;
        HSVToRGB(c.h, c.s, c.v, r, g, b);
        EXPECT_NEAR(r, c.r, 1e-9);
        EXPECT_NEAR(g, c.g, 1e-9);
        EXPECT_NEAR(b, c.b, 1e-9);
    }
    double r, g, b;
    HSVToRGB(1, 1, 1, r, g, b);  // hue 1 is hue 0
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
}

TEST(Vector, AngleConventionTable)
{
    EXPECT_NEAR(Vector2d(0, -1).getTheta(), 90, 1e-9);
    EXPECT_EQ(Vector2d(1, 0).getTheta(), 0);
    EXPECT_NEAR(std::fabs(Vector2d(-1, 0).getTheta()), 180, 1e-9);
    EXPECT_NEAR(Vector2d(0, 1).getTheta(), -90, 1e-9);
    EXPECT_DOUBLE_EQ(Vector2d(3, 4).getR(), 5);

    Vector2d v;
    v.setPolar(2, 90);
    EXPECT_NEAR(v.getX(), 0, 1e-9);
    EXPECT_DOUBLE_EQ(v.getY(), -2);

    Vector2d zero;
    zero.setR(3);
    EXPECT_DOUBLE_EQ(zero.getX(), 3);
    EXPECT_DOUBLE_EQ(zero.getY(), 0);

    Vector2d w(3, 4);
    w.setR(10);
    EXPECT_NEAR(w.getX(), 6, 1e-12);
    EXPECT_NEAR(w.getY(), 8, 1e-12);
    w.setTheta(0);
    EXPECT_NEAR(w.getX(), 10, 1e-12);
    EXPECT_NEAR(w.getY(), 0, 1e-12);

    Vector2d small(0.1, 0), big(100, 0);
    small.boundR(1, 5);
    big.boundR(1, 5);
    EXPECT_NEAR(small.getR(), 1, 1e-12);
    EXPECT_NEAR(big.getR(), 5, 1e-12);
    Vector2d inverted(3, 0);
    inverted.boundR(4, 2);  // min is tested first
    EXPECT_NEAR(inverted.getR(), 4, 1e-12);

    Vector2d a(1, 2), b(3, 5);
    Vector2d sum = a + b, diff = b - a, scaled = a * 2, halved = b / 2;
    EXPECT_EQ(sum.getX(), 4);
    EXPECT_EQ(sum.getY(), 7);
    EXPECT_EQ(diff.getX(), 2);
    EXPECT_EQ(diff.getY(), 3);
    EXPECT_EQ(scaled.getY(), 4);
    EXPECT_EQ(halved.getX(), 1.5);
    a += b;
    a -= Vector2d(1, 1);
    a *= 3;
    EXPECT_EQ(a.getX(), 9);
    EXPECT_EQ(a.getY(), 18);
}

TEST(Vector, LengthComparisonsMatchTheSquareRoot)
{
    // Lengths of many magnitudes against limits at, one step beside, a hair beside and far
    // from the length itself, and against limits the squares cannot handle (zero, negative,
    // tiny, huge, infinite, NaN): the answers are those of comparing getR().
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const double scales[] = {1e-130, 1e-3, 0.7, 1, 31.25, 1000, 1e6, 1e130};
    unsigned seed = 7;
    auto next = [&seed]
    {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 20001) / 10000.0 - 1.0;
    };
    int decided = 0, cases = 0;
    for (double scale : scales)
        for (int i = 0; i < 200; ++i)
        {
            const Vector2d v(next() * scale, next() * scale);
            const double r = v.getR();
            const double limits[] = {r,
                                     std::nextafter(r, inf),
                                     std::nextafter(r, -inf),
                                     std::nextafter(std::nextafter(r, inf), inf),
                                     r * (1 + 1e-13),
                                     r * (1 - 1e-13),
                                     r * (1 + 3e-12),
                                     r * (1 - 3e-12),
                                     r * 1.5,
                                     r * 0.5,
                                     0,
                                     -r,
                                     1e-160,
                                     1e160,
                                     inf,
                                     nan};
            for (double limit : limits)
            {
                EXPECT_EQ(v.isRAtMost(limit), r <= limit) << v.getX() << ", " << v.getY() << " vs " << limit;
                EXPECT_EQ(v.isRBelow(limit), r < limit) << v.getX() << ", " << v.getY() << " vs " << limit;
                const int c = v.compareRSquared(limit);
                if (c != 0)
                {
                    ++decided;
                    EXPECT_EQ(c < 0, r < limit);
                }
                ++cases;
            }
        }
    // Most comparisons are settled by the squares alone.
    EXPECT_GT(decided, cases / 5);
}

TEST(Spline, BezierPointTable)
{
    Spline spline;
    struct Case
    {
        double t, x, y;
    } cases[] = {
        // From (0, 0) to (3, 0) with controls (1, 3) and (2, 3).
        {0, 0, 0},
        {1, 3, 0},
        {0.5, 1.5, 2.25},
    };
    for (const auto& c : cases)
    {
        SplinePoint p;
        spline.getPoint(&p, 0, 0, 3, 0, 1, 3, 2, 3, c.t);
        EXPECT_NEAR(p.x, c.x, 1e-12) << c.t;
        EXPECT_NEAR(p.y, c.y, 1e-12) << c.t;
    }
    // A straight line with controls at its thirds moves at constant speed.
    SplinePoint p;
    spline.getPoint(&p, 0, 0, 9, 0, 3, 0, 6, 0, 0.25);
    EXPECT_NEAR(p.x, 2.25, 1e-12);
    spline.getPoint(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 0.5);  // nothing to write, no crash
}

TEST(Grid, Array2dLayout)
{
    Array2d<int> grid(3, 2, 7);
    EXPECT_EQ(grid.getWidth(), 3);
    EXPECT_EQ(grid.getHeight(), 2);
    EXPECT_EQ(grid.at(2, 1), 7);
    grid.at(1, 1) = 5;
    EXPECT_EQ(grid(1, 1), 5);
    EXPECT_TRUE(grid.inside(2, 1));
    EXPECT_FALSE(grid.inside(3, 0));
    EXPECT_FALSE(grid.inside(0, -1));
    Array2d<int*> none(-1, 4, nullptr);
    EXPECT_EQ(none.getWidth(), 0);
}

TEST(Paths, FolderPrefixes)
{
    Pathnames* p = Pathnames::instance();
    EXPECT_EQ(std::string(p->getLevels().c_str()), "levels/");
    EXPECT_EQ(std::string(p->getGraphics().c_str()), "graphics/");
    EXPECT_EQ(std::string(p->getSound().c_str()), "sounds/");
    EXPECT_EQ(std::string(p->getFonts().c_str()), "fonts/");
    EXPECT_EQ(std::string(p->getPreferences().c_str()), "user:");
    Pathnames::deleteInstance();
    DebugFile::deleteInstance();
}
