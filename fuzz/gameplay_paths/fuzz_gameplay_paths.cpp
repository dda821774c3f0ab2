// Paths from arbitrary bytes: every two bytes make one coordinate (a 16-bit integer, with three
// values standing for an undefined, an infinite and a minus infinite coordinate), eight make a
// piece, at most eight pieces. The path is resampled and looked up along its length and
// beyond; resampling must end and every lookup must stay in the stored points.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "path.h"

using namespace Game;

namespace
{

double coordinate(const uint8_t* p)
{
    const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(p[0]) << 8 | p[1]);
    if (v == std::numeric_limits<int16_t>::min())
        return std::numeric_limits<double>::quiet_NaN();
    if (v == std::numeric_limits<int16_t>::max())
        return std::numeric_limits<double>::infinity();
    if (v == std::numeric_limits<int16_t>::min() + 1)
        return -std::numeric_limits<double>::infinity();
    return v / 4.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t pieceBytes = 16;
    const size_t pieces = size / pieceBytes > 8 ? 8 : size / pieceBytes;
    Path path;
    for (size_t i = 0; i < pieces; ++i)
    {
        const uint8_t* p = data + i * pieceBytes;
        SplinePair pair;
        pair.x1 = coordinate(p);
        pair.y1 = coordinate(p + 2);
        pair.coefx1 = coordinate(p + 4);
        pair.coefy1 = coordinate(p + 6);
        pair.x2 = coordinate(p + 8);
        pair.y2 = coordinate(p + 10);
        pair.coefx2 = coordinate(p + 12);
        pair.coefy2 = coordinate(p + 14);
        path.addPair(pair);
    }
    path.segmentPath();
    if (path.getNumPoints() > Path::kMaxPoints + 1)
        __builtin_trap();
    if (pieces > 0 && path.getNumPoints() < 1)
        __builtin_trap();
    volatile double sink = 0;
    for (double f : {-1e300, -0.5, 0.0, 0.25, 0.5, 0.999, 1.0, 2.0, 1e300,
                     std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    {
        const WGUI::Vector2d v = path.getPos(f);
        sink = sink + v.getX() + v.getY();
        const WGUI::Vector2d q = path.getPoint(f * static_cast<double>(pieces));
        sink = sink + q.getX() + q.getY();
    }
    (void)sink;
    return 0;
}
