// A curve through the level made of cubic Bezier pieces, resampled once into points about 3
// world units apart so that a position can be looked up by the fraction of the length
// travelled, at constant speed along the curve however the pieces are parametrised.
#pragma once

#include <vector>

#include "wgui_vector2d.h"

namespace WGUI
{
class Window;
}

namespace Game
{

// One piece: start A = (x1, y1), end B = (x2, y2); the control points are A + (coefx1, coefy1)
// and B + (coefx2, coefy2).
struct SplinePair
{
    double x1 = 0, y1 = 0;
    double x2 = 0, y2 = 0;
    double coefx1 = 0, coefy1 = 0;
    double coefx2 = 0, coefy2 = 0;
};

class Path
{
public:
    // Resampling stops here (with a log line) so that absurd coordinates cannot exhaust memory.
    static const int kMaxPoints = 1 << 20;

    Path();
    ~Path();

    void addPair(const SplinePair& pair);
    // Builds the points and the length from the pieces; called once, after the last addPair.
    void segmentPath();

    // The point at piece parameter u: the integer part picks the piece, the fraction is the
    // curve parameter; both are clamped to the pieces there are. (0, 0) for a path without
    // pieces.
    WGUI::Vector2d getPoint(double u) const;
    // The position at fraction f of the length (0 start, 1 end). (0, 0) without points.
    WGUI::Vector2d getPos(double f) const;
    double getLength() const { return length; }

    int getNumPairs() const { return static_cast<int>(pairs.size()); }
    int getNumPoints() const { return static_cast<int>(points.size()); }
    const WGUI::Vector2d& getPointAt(int i) const { return points[i]; }

    // Debug overlay: pieces, control points and 100 samples of getPos, in screen pixels of the
    // window.
    void draw(WGUI::Window* window) const;

private:
    std::vector<SplinePair> pairs;
    std::vector<WGUI::Vector2d> points;
    double length = 0;
};

}  // namespace Game
