// The worlds' tiles. Each world has its own sheet "tiles<world>.png", 512 x 512, four cells of
// 254 px at a pitch of 256 (the grid "cellgridpadded" declares), each inside a one-pixel border
// that repeats the opposite edge of the cell, so a tile drawn at a fractional position blends
// only with its own wrapped edge and the layers show no seams:
//   cell 0  the ground: opaque and seamless, its own hue, value and texture per world;
//   cell 1  ground detail (pebbles, cracks, veins, crumbs, markings...), mostly transparent,
//           laid in a layer under the entities;
//   cell 2  props over the entities (overhanging leaves, shadows of buildings, cloud edges...),
//           mostly transparent, sparse, kept to the edges and corners of the cell;
//   cell 3  the world's extra: the second frame of the fish tank's water, grass tufts on the
//           lawn, a wisp of cloud in the sky; empty elsewhere.
// A level loads only its own world's sheet (1 MiB of texture instead of a shared 4 MiB one).
// Every shape that crosses a cell edge is drawn again one tile away, so every cell wraps.
#include "tileart.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace art
{

const char* const kTileWorlds[12] = {"soil", "bacteria", "blood", "amoeba", "bugs",  "table",
                                     "fish", "grass",    "city",  "sky",    "space", "end"};

namespace
{

const int P = kGroundTile;
const double kPi = 3.14159265358979323846;

// Smooth noise in about -1..1 that wraps round the tile: random values on a lattice of
// `grid` x `grid` points across the tile, blended with a smooth step, over three octaves (each
// twice as fine and half as strong as the one before).
double pnoise(double x, double y, uint32_t seed, int grid = 3)
{
    double sum = 0.0, amp = 1.0, total = 0.0;
    for (int octave = 0; octave < 3; ++octave, grid *= 2, amp *= 0.5)
    {
        const double u = x / P * grid, v = y / P * grid;
        const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(v));
        const double fu = u - i, fv = v - j;
        auto at = [&](int a, int b)
        {
            a = ((a % grid) + grid) % grid;
            b = ((b % grid) + grid) % grid;
            uint32_t h = static_cast<uint32_t>(a) * 73856093u ^ static_cast<uint32_t>(b) * 19349663u ^
                         (seed + static_cast<uint32_t>(octave) * 83492791u) * 2654435761u;
            h = (h ^ (h >> 15)) * 2246822519u;
            h ^= h >> 13;
            return h / 2147483648.0 - 1.0;
        };
        const double su = fu * fu * (3 - 2 * fu), sv = fv * fv * (3 - 2 * fv);
        const double top = at(i, j) + (at(i + 1, j) - at(i, j)) * su;
        const double bottom = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * su;
        sum += amp * (top + (bottom - top) * sv);
        total += amp;
    }
    return sum / total * 1.7;
}

// A fixed value in 0..1 for one pixel (grain that needs no wrapping: it is per pixel).
double hash01(int x, int y, uint32_t seed)
{
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return h / 4294967296.0;
}

// Calls draw at (x, y) and at its copies one tile away that reach into the tile.
void wrapped(double x, double y, double reach, const std::function<void(double, double)>& draw)
{
    for (int dx : {-P, 0, P})
        for (int dy : {-P, 0, P})
        {
            const double px = x + dx, py = y + dy;
            if (px + reach < 0 || px - reach > P || py + reach < 0 || py - reach > P)
                continue;
            draw(px, py);
        }
}

Colour lerp(Colour a, Colour b, double t)
{
    return mix(a, b, std::max(0.0, std::min(1.0, t)));
}

Colour shade(Colour c, double k)
{
    return {std::min(1.0, c.r * k), std::min(1.0, c.g * k), std::min(1.0, c.b * k), c.a};
}

// Ground tiles wrap: a shape drawn across an edge comes back in at the opposite one. Detail
// and props tiles are laid sparsely, flipped and turned, next to empty cells, so their shapes
// stay inside the cell instead: whatever crossed an edge would show cut off there.

// A point at least `margin` inside every edge.
double spot(Rng& r, double margin)
{
    return r.range(margin, P - margin);
}

// A wandering line of up to n steps (cracks, strands, twigs, roots), ending where it would
// come within `margin` of an edge.
void wander(Canvas& t, Rng& r, double x, double y, double angle, int steps, double step, double turn,
            double width, Colour c, double margin = 4)
{
    for (int i = 0; i < steps; ++i)
    {
        const double nx = x + std::cos(angle) * step, ny = y + std::sin(angle) * step;
        const double m = margin + width;
        if (nx < m || ny < m || nx > P - m || ny > P - m)
            break;
        t.line(x, y, nx, ny, width, c);
        x = nx;
        y = ny;
        angle += r.range(-turn, turn);
    }
}

// A leaf with a midrib, from its base at (x, y) along angle.
void leaf(Canvas& t, double x, double y, double angle, double length, double width, Colour c)
{
    const double cx = x + std::cos(angle) * length / 2, cy = y + std::sin(angle) * length / 2;
    t.ellipse(cx, cy, length / 2, width / 2, c, angle);
    t.line(cx - std::cos(angle) * length * 0.45, cy - std::sin(angle) * length * 0.45,
           cx + std::cos(angle) * length * 0.45, cy + std::sin(angle) * length * 0.45, 1.2, shade(c, 0.7));
}

// A point in the band `margin` to `margin` + 28 px inside one of the edges: props keep the
// middle of the cell clear.
void edgePoint(Rng& r, double* x, double* y, double margin)
{
    const double along = r.range(margin, P - margin), off = r.range(margin, margin + 28);
    const double k = r.next();
    if (k < 0.25)
    {
        *x = along;
        *y = off;
    }
    else if (k < 0.5)
    {
        *x = along;
        *y = P - off;
    }
    else if (k < 0.75)
    {
        *x = off;
        *y = along;
    }
    else
    {
        *x = P - off;
        *y = along;
    }
}

// ----- grounds ---------------------------------------------------------------------------

Canvas ground(int world, double phase = 0.0)
{
    Canvas g(P, P);
    const uint32_t seed = 500 + world * 17;
    switch (world)
    {
    case 0:  // soil: warm brown earth, coarse grains and clods
    {
        const Colour base = rgb(0.53, 0.35, 0.16);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double h = hash01(static_cast<int>(x), static_cast<int>(y), seed);
                       double k = 1.0 + 0.05 * pnoise(x, y, seed, 4) + 0.05 * pnoise(x, y, seed + 5, 9);
                       k *= h < 0.12 ? 0.78 : (h > 0.94 ? 1.22 : 1.0);
                       return shade(base, k);
                   });
        Rng r(seed);
        for (int i = 0; i < 160; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(1.5, 4.5);
            const Colour c = r.next() < 0.5 ? rgb(0.36, 0.22, 0.10, 0.45) : rgb(0.66, 0.47, 0.25, 0.4);
            const double a = r.range(0, 3);
            wrapped(x, y, s, [&](double px, double py) { g.ellipse(px, py, s, s * 0.8, c, a); });
        }
        break;
    }
    case 1:  // bacteria: a dish of amber agar, glossy, with faint slow mottling
    {
        const Colour base = rgb(0.90, 0.52, 0.18);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double k =
                           1.0 + 0.04 * pnoise(x, y, seed, 3) + 0.035 * pnoise(x, y, seed + 1, 9);
                       return shade(base, k);
                   });
        break;
    }
    case 2:  // blood: dark maroon plasma with soft clouds
    {
        const Colour base = rgb(0.38, 0.07, 0.11);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double n = pnoise(x, y, seed, 3);
                       const double k = 1.0 + 0.06 * n + 0.05 * pnoise(x, y, seed + 2, 8);
                       return shade(base, k);
                   });
        break;
    }
    case 3:  // amoeba: teal pond water with a faint ripple of light
    {
        const Colour base = rgb(0.0, 0.50, 0.49);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double w = std::sin(2 * kPi * (2 * x + y) / P + 2.0 * pnoise(x, y, seed, 2));
                       const double k = 1.0 + 0.06 * w * w + 0.06 * pnoise(x, y, seed + 3, 4);
                       return shade(base, k);
                   });
        break;
    }
    case 4:  // bugs: the pink petal of a flower, fine veins running across it
    {
        const Colour base = rgb(0.88, 0.56, 0.72);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double v = std::sin(kPi * (10.0 * x / P + 0.18 * pnoise(x, y, seed, 2)));
                       const double k =
                           1.0 - 0.045 * std::pow(std::fabs(v), 10) + 0.03 * pnoise(x, y, seed + 4, 5);
                       return shade(base, k);
                   });
        break;
    }
    case 5:  // table: a yellow gingham tablecloth with a fine weave
    {
        const Colour cream = rgb(0.99, 0.92, 0.60), yellow = rgb(0.92, 0.68, 0.16);
        auto band = [](double v)
        {
            const double s = std::sin(2 * kPi * v * 8 / P);
            return std::max(0.0, std::min(1.0, 0.5 + 2.5 * s));
        };
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double t = 0.5 * band(x) + 0.5 * band(y);
                       const double weave =
                           ((static_cast<int>(x) + static_cast<int>(y)) % 2 ? 0.97 : 1.0) *
                           (0.98 + 0.04 * hash01(static_cast<int>(x), static_cast<int>(y), seed));
                       return shade(lerp(cream, yellow, t), weave);
                   });
        break;
    }
    case 6:  // fish: the tank's blue water with moving light (two frames: phase 0 and pi)
    {
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double u = x / P * 2 * kPi, v = y / P * 2 * kPi;
                       const double w = std::sin(u * 2 + std::sin(v * 2 + phase) * 1.3) *
                                        std::sin(v * 3 + std::cos(u + phase) * 1.1);
                       const double k = 1.0 + 0.09 * w * w;
                       return rgb(0.02 * k, 0.28 * k, 0.58 * k + 0.04 * w);
                   });
        break;
    }
    case 7:  // grass: a bright lawn of short blades
    {
        const Colour base = rgb(0.30, 0.60, 0.20);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y) { return shade(base, 1.0 + 0.04 * pnoise(x, y, seed, 3)); });
        Rng r(seed);
        for (int i = 0; i < 420; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), len = r.range(5, 12);
            const double a = -kPi / 2 + r.range(-0.6, 0.6);
            const Colour c = r.next() < 0.5 ? rgb(0.18, 0.42, 0.12, 0.55) : rgb(0.45, 0.75, 0.30, 0.5);
            wrapped(x, y, len + 2,
                    [&](double px, double py)
                    { g.line(px, py, px + std::cos(a) * len, py + std::sin(a) * len, 1.4, c); });
        }
        break;
    }
    case 8:  // city: asphalt, salt-and-pepper grit
    {
        const Colour base = rgb(0.31, 0.32, 0.33);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double h = hash01(static_cast<int>(x), static_cast<int>(y), seed);
                       double k = 1.0 + 0.05 * pnoise(x, y, seed, 3) + 0.16 * (h - 0.5);
                       if (h > 0.985)
                           k = 1.45;
                       return shade(base, k);
                   });
        break;
    }
    case 9:  // sky: a calm, even blue; the clouds are food and must stand out
    {
        const Colour base = rgb(0.30, 0.64, 0.91);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y) { return shade(base, 1.0 + 0.025 * pnoise(x, y, seed, 2)); });
        break;
    }
    case 10:  // space: black, with stars bright enough to see at once
    case 11:  // the end: glowing violet, dust lanes and stars
    {
        const bool end = world == 11;
        const Colour base = end ? rgb(0.30, 0.03, 0.30) : rgb(0.02, 0.02, 0.05);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y)
                   {
                       const double n = pnoise(x, y, seed, 2);
                       return end ? shade(lerp(base, rgb(0.45, 0.05, 0.42), 0.5 + 0.5 * n), 1.0)
                                  : shade(base, 1.0 + 0.3 * n);
                   });
        Rng r(seed);
        const int stars = end ? 45 : 70;
        for (int i = 0; i < stars; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(0.5, 1.3);
            const Colour tint = r.next() < 0.5 ? rgb(0.7, 0.8, 1.0) : rgb(1.0, 0.9, 0.7);
            const Colour c = alpha(mix(rgb(1, 1, 1), tint, r.next()), r.range(0.55, 1.0));
            wrapped(x, y, 6, [&](double px, double py) { g.ellipse(px, py, s, s, c); });
        }
        for (int i = 0; i < 5; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P);
            wrapped(x, y, 8,
                    [&](double px, double py)
                    {
                        g.glow(px, py, 6, rgb(0.8, 0.85, 1.0, 0.5));
                        g.ellipse(px, py, 1.4, 1.4, rgb(1, 1, 1));
                    });
        }
        break;
    }
    default: break;
    }
    return g;
}

// ----- ground detail (under the entities) -------------------------------------------------
// Texture, not things: near the ground's own hue and lightness, so no detail is ever taken for
// something to eat. Every shape stays inside the cell (see gWrapShapes).

Canvas detail(int world)
{
    Canvas t(P, P);
    Rng r(900 + world * 31);
    switch (world)
    {
    case 0:  // soil: flat stones of the earth's own colours, and cracks
        for (int i = 0; i < 5; ++i)
            wander(t, r, spot(r, 30), spot(r, 30), r.range(0, 2 * kPi), 9, 7, 0.7, 1.4,
                   rgb(0.25, 0.15, 0.06, 0.55));
        for (int i = 0; i < 10; ++i)
        {
            const double x = spot(r, 14), y = spot(r, 14), s = r.range(3, 8), a = r.range(0, 3);
            const Colour c = mix(rgb(0.62, 0.45, 0.26), rgb(0.44, 0.29, 0.13), r.next());
            t.ellipse(x + 1.2, y + 1.2, s, s * 0.7, rgb(0.2, 0.12, 0.04, 0.35), a);
            t.ellipse(x, y, s, s * 0.7, alpha(c, 0.9), a);
        }
        break;
    case 1:  // bacteria: faint colony rings and streaks in the agar
        for (int i = 0; i < 4; ++i)
        {
            const double s = r.range(10, 24), x = spot(r, s + 3), y = spot(r, s + 3);
            t.ring(x, y, s - 1.5, s, rgb(0.6, 0.3, 0.05, 0.22));
        }
        for (int i = 0; i < 5; ++i)
            wander(t, r, spot(r, 20), spot(r, 20), r.range(0, 2 * kPi), 8, 9, 0.15, 1.0,
                   rgb(1.0, 0.8, 0.5, 0.25));
        break;
    case 2:  // blood: fibrin strands and darker vessels
        for (int i = 0; i < 6; ++i)
            wander(t, r, spot(r, 20), spot(r, 20), r.range(0, 2 * kPi), 14, 8, 0.35, 1.3,
                   rgb(0.7, 0.3, 0.3, 0.35));
        for (int i = 0; i < 3; ++i)
            wander(t, r, spot(r, 20), spot(r, 20), r.range(0, 2 * kPi), 12, 9, 0.25, 3.0,
                   rgb(0.22, 0.02, 0.04, 0.45));
        break;
    case 3:  // pond: strings of algae beads
        for (int i = 0; i < 5; ++i)
        {
            double x = spot(r, 20), y = spot(r, 20), a = r.range(0, 2 * kPi);
            for (int j = 0; j < 10 && x > 6 && y > 6 && x < P - 6 && y < P - 6; ++j)
            {
                t.ellipse(x, y, 3.2, 2.6, rgb(0.15, 0.55, 0.35, 0.5), a);
                x += std::cos(a) * 6;
                y += std::sin(a) * 6;
                a += r.range(-0.3, 0.3);
            }
        }
        break;
    case 4:  // petal: dusted pollen and a dew drop
        for (int i = 0; i < 14; ++i)
        {
            const double x = spot(r, 5), y = spot(r, 5), s = r.range(1.2, 2.4);
            t.ball(x, y, s, s, rgb(0.98, 0.80, 0.35, 0.8));
        }
        for (int i = 0; i < 2; ++i)
        {
            const double s = r.range(6, 10), x = spot(r, s + 2), y = spot(r, s + 2);
            t.ellipse(x, y, s, s, rgb(1, 0.9, 0.95, 0.3));
            t.ellipse(x - s * 0.35, y - s * 0.35, s * 0.3, s * 0.2, rgb(1, 1, 1, 0.6));
        }
        break;
    case 5:  // table: a tea stain ring and a few specks on the cloth
    {
        const double x = spot(r, 40), y = spot(r, 40);
        t.ring(x, y, 30, 34, rgb(0.55, 0.35, 0.1, 0.2));
        for (int i = 0; i < 10; ++i)
        {
            const double s = r.range(0.8, 1.6);
            t.ellipse(spot(r, 4), spot(r, 4), s, s, rgb(0.55, 0.35, 0.12, 0.4));
        }
        break;
    }
    case 6:  // tank floor: sand and gravel
        for (int i = 0; i < 16; ++i)
        {
            const double s = r.range(2, 5), x = spot(r, s + 2), y = spot(r, s + 2);
            t.ellipse(x, y, s, s * 0.8, alpha(mix(rgb(0.35, 0.45, 0.6), rgb(0.2, 0.35, 0.6), r.next()), 0.7));
        }
        break;
    case 7:  // lawn: clover leaves and daisies
        for (int i = 0; i < 4; ++i)
        {
            const double x = spot(r, 12), y = spot(r, 12);
            for (int k = 0; k < 3; ++k)
            {
                const double a = k * 2 * kPi / 3;
                t.ellipse(x + std::cos(a) * 4.5, y + std::sin(a) * 4.5, 4.5, 4.5,
                          rgb(0.22, 0.50, 0.16, 0.85));
            }
        }
        for (int i = 0; i < 3; ++i)
        {
            const double x = spot(r, 9), y = spot(r, 9);
            for (int k = 0; k < 8; ++k)
            {
                const double a = k * kPi / 4;
                t.ellipse(x + std::cos(a) * 3.5, y + std::sin(a) * 3.5, 2.6, 1.2, rgb(0.98, 0.98, 0.95, 0.9),
                          a);
            }
            t.ellipse(x, y, 1.8, 1.8, rgb(0.98, 0.8, 0.2));
        }
        break;
    case 8:  // city: a dashed lane marking (whole dashes, so cells in a row make one line), a
             // manhole cover and cracks
    {
        for (int i = 0; i < 4; ++i)
            t.rect(i * 63.5 + 10, 123, i * 63.5 + 44, 130, rgb(0.92, 0.92, 0.85, 0.7), 1);
        const double x = spot(r, 60), y = r.range(170, 220);
        t.ellipse(x, y, 15, 15, rgb(0.14, 0.14, 0.15, 0.85));
        t.ring(x, y, 11, 13, rgb(0.36, 0.36, 0.37, 0.9));
        for (int k = -2; k <= 2; ++k)
            t.line(x - 9, y + k * 4, x + 9, y + k * 4, 1, rgb(0.33, 0.33, 0.34, 0.9));
        for (int i = 0; i < 3; ++i)
            wander(t, r, spot(r, 20), spot(r, 20), r.range(0, 2 * kPi), 8, 7, 0.8, 1.2,
                   rgb(0.12, 0.12, 0.13, 0.6));
        break;
    }
    case 9:  // sky: thin, high streaks of cirrus
        for (int i = 0; i < 3; ++i)
            t.ellipse(spot(r, 64), spot(r, 12), 60, 3, rgb(1, 1, 1, 0.15), -0.12);
        break;
    case 10:  // space and the end: more stars and a faint wisp of dust
    case 11:
        for (int i = 0; i < 30; ++i)
        {
            const double s = r.range(0.6, 1.5);
            t.ellipse(spot(r, 3), spot(r, 3), s, s, rgb(1, 1, 1, r.range(0.6, 1.0)));
        }
        for (int i = 0; i < 3; ++i)
            t.glow(spot(r, 40), spot(r, 40), 38,
                   world == 10 ? rgb(0.35, 0.45, 0.9, 0.10) : rgb(0.8, 0.3, 0.8, 0.12));
        break;
    default: break;
    }
    return t;
}

// ----- props (over the entities) ----------------------------------------------------------
// Sparse and mostly see-through, in a band along the edges, so they never hide much of the
// middle of a cell (or the things passing under them). Every shape stays inside the cell.

Canvas props(int world)
{
    Canvas t(P, P);
    Rng r(1300 + world * 29);
    double x = 0, y = 0;
    switch (world)
    {
    case 0:  // soil: roots reaching in along the edges
        for (int i = 0; i < 3; ++i)
        {
            edgePoint(r, &x, &y, 6);
            wander(t, r, x, y, r.range(0, 2 * kPi), 7, 8, 0.5, 4.0, rgb(0.18, 0.11, 0.05, 0.85), 6);
        }
        break;
    case 1:  // bacteria: out-of-focus motes drifting above the dish
    case 2:  // blood: blurred cells floating above the view
        for (int i = 0; i < 3; ++i)
        {
            const double s = r.range(16, 28);
            edgePoint(r, &x, &y, s + 2);
            t.glow(x, y, s, world == 1 ? rgb(0.45, 0.2, 0.0, 0.45) : rgb(0.15, 0.0, 0.02, 0.55));
        }
        break;
    case 3:  // pond: shadows of duckweed on the surface
        for (int i = 0; i < 3; ++i)
        {
            const double s = r.range(16, 26);
            edgePoint(r, &x, &y, s + 2);
            t.ellipse(x, y, s, s * 0.8, rgb(0.0, 0.15, 0.1, 0.35), r.range(0, 3));
        }
        break;
    case 4:  // bugs: the tips of other petals overhanging the edge
    case 7:  // lawn: leaves of a bush overhanging
    case 6:  // tank: waterweed leaves
        for (int i = 0; i < 3; ++i)
        {
            edgePoint(r, &x, &y, 50);
            const double a = r.range(0, 2 * kPi);
            const Colour c = world == 4
                                 ? rgb(0.96, 0.74, 0.86, 0.85)
                                 : (world == 7 ? rgb(0.15, 0.38, 0.12, 0.85) : rgb(0.20, 0.55, 0.30, 0.7));
            t.ellipse(x + std::cos(a) * 24 + 3, y + std::sin(a) * 24 + 4, 24, 10, rgb(0, 0, 0, 0.18), a);
            leaf(t, x, y, a, 48, world == 6 ? 12 : 20, c);
        }
        if (world == 6)
            for (int i = 0; i < 4; ++i)
            {
                const double s = r.range(2, 5);
                edgePoint(r, &x, &y, s + 2);
                t.ring(x, y, s - 0.8, s, rgb(0.85, 0.95, 1.0, 0.7));
                t.ellipse(x - s * 0.3, y - s * 0.3, s * 0.25, s * 0.25, rgb(1, 1, 1, 0.8));
            }
        break;
    case 5:  // table: the soft shadow of a plate's rim in a corner
        t.fill(
            8, 8, 110, 110, [](double px, double py) { return px < 110 && py < 110; },
            [](double px, double py)
            {
                const double d = std::hypot(px - 110, py - 110), a = std::atan2(py - 110, px - 110);
                const double along = std::sin((a + kPi) * 2);  // 0 at the arc's ends, 1 mid-way
                const double band = std::max(0.0, 1.0 - std::fabs(d - 80) / 12);
                return rgb(0.3, 0.2, 0.05, 0.25 * band * std::max(0.0, along));
            });
        break;
    case 8:  // city: the shadow of a building over one corner
        t.polygon({6, 6, 90, 6, 90, 50, 50, 90, 6, 90}, rgb(0.0, 0.0, 0.02, 0.3));
        break;
    case 9:  // sky: the edges of clouds passing over
        for (int i = 0; i < 2; ++i)
        {
            edgePoint(r, &x, &y, 54);
            for (int k = 0; k < 4; ++k)
                t.glow(x + r.range(-25, 25), y + r.range(-12, 12), r.range(16, 26), rgb(1, 1, 1, 0.6));
        }
        break;
    case 10:  // space and the end: a bright star with rays, near an edge
    case 11:
    {
        edgePoint(r, &x, &y, 24);
        const Colour c = world == 10 ? rgb(0.75, 0.85, 1.0) : rgb(1.0, 0.75, 0.95);
        t.glow(x, y, 14, alpha(c, 0.8));
        t.line(x - 22, y, x + 22, y, 1.2, alpha(c, 0.6));
        t.line(x, y - 22, x, y + 22, 1.2, alpha(c, 0.6));
        t.ellipse(x, y, 2, 2, rgb(1, 1, 1));
        break;
    }
    default: break;
    }
    return t;
}

// Tufts of grass, drawn over the lawn's creatures.
Canvas grassTuft()
{
    Canvas t(P, P);
    Rng r(77);
    for (int tuft = 0; tuft < 3; ++tuft)
    {
        const double bx = r.range(50, 200), by = r.range(80, 220);
        for (int i = 0; i < 9; ++i)
        {
            const double a = -kPi / 2 + r.range(-0.7, 0.7);
            const double len = r.range(30, 60);
            t.line(bx + r.range(-10, 10), by, bx + std::cos(a) * len, by + std::sin(a) * len, 3,
                   rgb(0.2, r.range(0.45, 0.65), 0.15, 0.95));
        }
    }
    return t;
}

// A wisp of cloud, drawn over the sky's traffic.
Canvas cloudWisp()
{
    Canvas t(P, P);
    Rng r(91);
    for (int i = 0; i < 7; ++i)
        t.glow(r.range(70, 185), r.range(95, 160), r.range(30, 55), rgb(1, 1, 1, 0.85));
    return t;
}

// Copies a tile into cell `cell` of a 512 x 512 sheet with its one-pixel wrapped border.
void putWrapped(Canvas& sheet, int cell, const Canvas& t)
{
    const int ox = (cell % 2) * (P + 2), oy = (cell / 2) * (P + 2);
    for (int y = 0; y < P + 2; ++y)
        for (int x = 0; x < P + 2; ++x)
            sheet.put(ox + x, oy + y, t.at((x - 1 + P) % P, (y - 1 + P) % P));
}

}  // namespace

Canvas groundTile(int world)
{
    return ground(world);
}

void makeTileSheets(const std::function<void(const Canvas&, const std::string&)>& save)
{
    for (int w = 0; w < 12; ++w)
    {
        Canvas sheet(512, 512);
        putWrapped(sheet, 0, ground(w));
        putWrapped(sheet, 1, detail(w));
        putWrapped(sheet, 2, props(w));
        if (w == 6)
            putWrapped(sheet, 3, ground(w, kPi));
        else if (w == 7)
            putWrapped(sheet, 3, grassTuft());
        else if (w == 9)
            putWrapped(sheet, 3, cloudWisp());
        save(sheet, std::string("tiles") + kTileWorlds[w]);
    }
}

}  // namespace art
