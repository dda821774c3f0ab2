// Path: Bezier pieces read from a level, resampled into evenly spaced points.
#include "path.h"

#include <cmath>

#include "foundation/debug.h"
#include "wgui_shapes.h"
#include "wgui_window.h"

namespace Game
{

namespace
{

// The accepted band of one resampling step, in world units.
const double kStepMin = 3.0;
const double kStepMax = 3.01;
// What one accepted step adds to the length: the middle of the band.
const double kStepLength = 3.005;
const int kMaxTries = 20;
// The end is evened out over this many steps.
const int kEvenSteps = 5;

double distance(const WGUI::Vector2d& a, const WGUI::Vector2d& b)
{
    return (a - b).getR();
}

}  // namespace

Path::Path() = default;

Path::~Path() = default;

void Path::addPair(const SplinePair& pair)
{
    pairs.push_back(pair);
}

WGUI::Vector2d Path::getPoint(double u) const
{
    if (pairs.empty())
        return WGUI::Vector2d();
    const int last = static_cast<int>(pairs.size()) - 1;
    int i = 0;
    if (std::isfinite(u))
    {
        double clamped = u;
        if (clamped < 0)
            clamped = 0;
        if (clamped > last)
            clamped = last;
        i = static_cast<int>(clamped);
    }
    else if (u > 0)
    {
        i = last;
    }
    double t = std::isnan(u) ? 0.0 : u - i;
    if (t < 0 || std::isnan(t))
        t = 0;
    if (t > 1)
        t = 1;
    const SplinePair& p = pairs[i];
    const double ax = p.x1, ay = p.y1, bx = p.x2, by = p.y2;
    const double cx = ax + p.coefx1, cy = ay + p.coefy1;
    const double dx = bx + p.coefx2, dy = by + p.coefy2;
    const double s = 1.0 - t;
    const double x = ax * s * s * s + 3 * cx * s * s * t + 3 * dx * s * t * t + bx * t * t * t;
    const double y = ay * s * s * s + 3 * cy * s * s * t + 3 * dy * s * t * t + by * t * t * t;
    return WGUI::Vector2d(x, y);
}

void Path::segmentPath()
{
    points.clear();
    length = 0;
    if (pairs.empty())
        return;
    points.push_back(getPoint(0));
    const double n = static_cast<double>(pairs.size());
    double u = 0, prevU = 0;
    // Parameters of the accepted steps, the start included, so that the evening-out can reach
    // the one five steps before the end.
    std::vector<double> accepted;
    accepted.push_back(0.0);
    while (u < n)
    {
        if (static_cast<int>(points.size()) >= kMaxPoints)
        {
            WriteDbg("Path: resampling stopped after %d points\n", kMaxPoints);
            break;
        }
        const WGUI::Vector2d a = getPoint(u);
        double guess = u + (u - prevU);
        double d = distance(a, getPoint(guess));
        for (int k = 0; k < kMaxTries && d < kStepMin; ++k)
        {
            guess += 0.1;
            d = distance(a, getPoint(guess));
        }
        double lo = u, hi = guess, mid = u;
        for (int k = 0; k < kMaxTries; ++k)
        {
            mid = lo + (hi - lo) * 0.5;
            d = distance(a, getPoint(mid));
            if (d < kStepMin)
                lo = mid;
            else if (d > kStepMax)
                hi = mid;
            else
                break;
        }
        points.push_back(getPoint(mid));
        length += kStepLength;
        accepted.push_back(mid);
        prevU = u;
        if (!(mid > u))
        {
            // No progress is possible (a search that cannot leave its parameter); end here
            // rather than loop for ever.
            break;
        }
        u = mid;
    }
    const int steps = static_cast<int>(accepted.size()) - 1;
    if (steps < kEvenSteps)
        return;  // too short to even out: the points stay as found
    const double m = accepted[steps - kEvenSteps];
    const double s = (n - m) / kEvenSteps;
    const int lastIndex = static_cast<int>(points.size()) - 1;
    for (int k = 1; k < kEvenSteps; ++k)
        points[lastIndex - kEvenSteps + k] = getPoint(m + k * s);
}

WGUI::Vector2d Path::getPos(double f) const
{
    if (points.empty())
        return WGUI::Vector2d();
    const int last = static_cast<int>(points.size()) - 1;
    const double x = f * last;
    if (!std::isfinite(x))
        return (x > 0) ? points[last] : points[0];
    // Clamp in double before converting so that huge fractions stay defined.
    double xi = std::trunc(x);
    if (xi > last)
        xi = last;
    if (xi < -1)
        xi = -1;
    int i = static_cast<int>(xi);
    double frac = x - xi;
    int j = i + 1;
    if (i < 0)
        i = 0;
    if (i > last)
        i = last;
    if (j < 0)
        j = 0;
    if (j > last)
        j = last;
    return points[i] + (points[j] - points[i]) * frac;
}

void Path::draw(WGUI::Window* window) const
{
    if (!window)
        return;
    auto square = [](double x, double y, double r, double g, double b)
    { WGUI::Shapes::drawFillRect(x - 5, y - 5, x + 5, y + 5, r, g, b, 1); };
    for (size_t i = 0; i < pairs.size(); ++i)
    {
        const SplinePair& p = pairs[i];
        const double sx = window->spriteToScreenX(p.x1), sy = window->spriteToScreenY(p.y1);
        const double ex = window->spriteToScreenX(p.x2), ey = window->spriteToScreenY(p.y2);
        const double c1x = sx + window->spriteToScreenWidth(p.coefx1);
        const double c1y = sy + window->spriteToScreenHeight(p.coefy1);
        const double c2x = ex + window->spriteToScreenWidth(p.coefx2);
        const double c2y = ey + window->spriteToScreenHeight(p.coefy2);
        square(sx, sy, 1, 0, 0);
        WGUI::Shapes::drawLine(sx, sy, c1x, c1y, 0.5, 0.5, 0.5, 1);
        square(c1x, c1y, 0, 0, 1);
        WGUI::Shapes::drawLine(ex, ey, c2x, c2y, 0.5, 0.5, 0.5, 1);
        square(c2x, c2y, 0, 0, 1);
        if (i + 1 == pairs.size())
            square(ex, ey, 1, 0, 0);
    }
    for (int k = 0; k < 100; ++k)
    {
        const WGUI::Vector2d p = getPos(k * 0.01);
        WGUI::Shapes::plotPixel(static_cast<float>(window->spriteToScreenX(p.getX())),
                                static_cast<float>(window->spriteToScreenY(p.getY())), 1, 1, 0, 1);
    }
}

}  // namespace Game
