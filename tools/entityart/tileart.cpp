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

// A smooth periodic noise in about -1..1: sines with whole numbers of periods across the tile.
double pnoise(double x, double y, uint32_t seed, int hi = 3, int terms = 6)
{
    Rng r(seed);
    double s = 0.0, total = 0.0;
    for (int i = 0; i < terms; ++i)
    {
        int fx = static_cast<int>(std::floor(r.range(-hi, hi + 1)));
        int fy = static_cast<int>(std::floor(r.range(0, hi + 1)));
        if (fx == 0 && fy == 0)
            fx = 1;
        const double amp = 1.0 / std::sqrt(static_cast<double>(fx * fx + fy * fy));
        const double phase = r.range(0, 2 * kPi);
        s += amp * std::sin(2 * kPi * (fx * x + fy * y) / P + phase);
        total += amp;
    }
    return s / total * 1.6;
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

// A wandering line of n steps (cracks, strands, twigs), wrapped.
void wander(Canvas& t, Rng& r, double x, double y, double angle, int steps, double step, double turn,
            double width, Colour c)
{
    for (int i = 0; i < steps; ++i)
    {
        const double nx = x + std::cos(angle) * step, ny = y + std::sin(angle) * step;
        wrapped(x, y, step + width,
                [&](double px, double py) { t.line(px, py, px + (nx - x), py + (ny - y), width, c); });
        x = nx;
        y = ny;
        angle += r.range(-turn, turn);
    }
}

// A leaf with a midrib: tip at (x, y) + length along angle.
void leaf(Canvas& t, double x, double y, double angle, double length, double width, Colour c)
{
    const double cx = x + std::cos(angle) * length / 2, cy = y + std::sin(angle) * length / 2;
    wrapped(cx, cy, length,
            [&](double px, double py)
            {
                t.ellipse(px, py, length / 2, width / 2, c, angle);
                t.line(px - std::cos(angle) * length * 0.45, py - std::sin(angle) * length * 0.45,
                       px + std::cos(angle) * length * 0.45, py + std::sin(angle) * length * 0.45, 1.2,
                       shade(c, 0.7));
            });
}

// A point near the tile's edges: props keep the middle of the cell clear.
void edgePoint(Rng& r, double* x, double* y)
{
    const double along = r.range(0, P), off = r.range(-28, 28);
    if (r.next() < 0.5)
    {
        *x = along;
        *y = off;
    }
    else
    {
        *x = off;
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
                       double k = 1.0 + 0.10 * pnoise(x, y, seed, 4);
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
                       const double k = 1.0 + 0.14 * pnoise(x, y, seed, 2) + 0.05 * pnoise(x, y, seed + 1, 6);
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
                       const double k = 1.0 + 0.10 * n + 0.04 * pnoise(x, y, seed + 2, 7);
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
                       const double v = std::sin(kPi * (6.0 * x / P + 0.35 * pnoise(x, y, seed, 2)));
                       const double k =
                           1.0 - 0.08 * std::pow(std::fabs(v), 12) + 0.05 * pnoise(x, y, seed + 4, 3);
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
                       const double k = 1.0 + 0.12 * w * w;
                       return rgb(0.02 * k, 0.28 * k, 0.58 * k + 0.04 * w);
                   });
        break;
    }
    case 7:  // grass: a bright lawn of short blades
    {
        const Colour base = rgb(0.30, 0.60, 0.20);
        g.paintBox(0, 0, P, P,
                   [&](double x, double y) { return shade(base, 1.0 + 0.08 * pnoise(x, y, seed, 3)); });
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

Canvas detail(int world)
{
    Canvas t(P, P);
    Rng r(900 + world * 31);
    switch (world)
    {
    case 0:  // pebbles and cracks
        for (int i = 0; i < 5; ++i)
            wander(t, r, r.range(0, P), r.range(0, P), r.range(0, 2 * kPi), 9, 7, 0.7, 1.4,
                   rgb(0.12, 0.08, 0.05, 0.7));
        for (int i = 0; i < 12; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(3, 9);
            const Colour c = mix(rgb(0.50, 0.45, 0.38), rgb(0.62, 0.52, 0.40), r.next());
            wrapped(x, y, s + 2,
                    [&](double px, double py)
                    {
                        t.ellipse(px + 1.5, py + 1.5, s, s * 0.75, rgb(0, 0, 0, 0.3));
                        t.ball(px, py, s, s * 0.75, c);
                    });
        }
        break;
    case 1:  // faint colony rings and streaks in the agar
        for (int i = 0; i < 4; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(10, 24);
            wrapped(x, y, s + 2,
                    [&](double px, double py) { t.ring(px, py, s - 1.5, s, rgb(0.5, 0.6, 0.9, 0.18)); });
        }
        for (int i = 0; i < 5; ++i)
            wander(t, r, r.range(0, P), r.range(0, P), r.range(0, 2 * kPi), 8, 9, 0.15, 1.0,
                   rgb(0.55, 0.65, 0.95, 0.14));
        break;
    case 2:  // fibrin strands
        for (int i = 0; i < 6; ++i)
            wander(t, r, r.range(0, P), r.range(0, P), r.range(0, 2 * kPi), 14, 8, 0.35, 1.3,
                   rgb(0.85, 0.45, 0.45, 0.35));
        for (int i = 0; i < 3; ++i)
            wander(t, r, r.range(0, P), r.range(0, P), r.range(0, 2 * kPi), 12, 9, 0.25, 3.0,
                   rgb(0.32, 0.04, 0.06, 0.4));
        break;
    case 3:  // strings of green algae beads
        for (int i = 0; i < 5; ++i)
        {
            double x = r.range(0, P), y = r.range(0, P), a = r.range(0, 2 * kPi);
            for (int j = 0; j < 10; ++j)
            {
                wrapped(x, y, 5,
                        [&](double px, double py)
                        { t.ellipse(px, py, 3.2, 2.6, rgb(0.35, 0.62, 0.30, 0.55), a); });
                x += std::cos(a) * 6;
                y += std::sin(a) * 6;
                a += r.range(-0.3, 0.3);
            }
        }
        break;
    case 4:  // grains of pollen and a dew drop on the petal
        for (int i = 0; i < 14; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(1.5, 3.0);
            wrapped(x, y, s + 1,
                    [&](double px, double py) { t.ball(px, py, s, s, rgb(0.98, 0.80, 0.25, 0.9)); });
        }
        for (int i = 0; i < 2; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(6, 10);
            wrapped(x, y, s + 2,
                    [&](double px, double py)
                    {
                        t.ellipse(px, py, s, s, rgb(1, 0.9, 0.95, 0.35));
                        t.ellipse(px - s * 0.35, py - s * 0.35, s * 0.3, s * 0.2, rgb(1, 1, 1, 0.7));
                    });
        }
        break;
    case 5:  // a tea stain ring and a few specks on the cloth
    {
        const double x = r.range(40, 200), y = r.range(40, 200);
        wrapped(x, y, 40, [&](double px, double py) { t.ring(px, py, 30, 34, rgb(0.55, 0.35, 0.15, 0.22)); });
        for (int i = 0; i < 10; ++i)
        {
            const double sx = r.range(0, P), sy = r.range(0, P), s = r.range(0.8, 1.8);
            wrapped(sx, sy, s + 1,
                    [&](double px, double py) { t.ellipse(px, py, s, s, rgb(0.45, 0.3, 0.15, 0.45)); });
        }
        break;
    }
    case 6:  // gravel and sand on the tank's floor
        for (int i = 0; i < 16; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(2.5, 6);
            const Colour c = mix(rgb(0.72, 0.66, 0.52), rgb(0.45, 0.50, 0.55), r.next());
            wrapped(x, y, s + 1, [&](double px, double py) { t.ball(px, py, s, s * 0.8, alpha(c, 0.8)); });
        }
        break;
    case 7:  // clover leaves and daisies in the lawn
        for (int i = 0; i < 4; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P);
            wrapped(x, y, 12,
                    [&](double px, double py)
                    {
                        for (int k = 0; k < 3; ++k)
                        {
                            const double a = k * 2 * kPi / 3;
                            t.ellipse(px + std::cos(a) * 4.5, py + std::sin(a) * 4.5, 4.5, 4.5,
                                      rgb(0.22, 0.50, 0.16, 0.9));
                        }
                    });
        }
        for (int i = 0; i < 3; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P);
            wrapped(x, y, 8,
                    [&](double px, double py)
                    {
                        for (int k = 0; k < 8; ++k)
                        {
                            const double a = k * kPi / 4;
                            t.ellipse(px + std::cos(a) * 3.5, py + std::sin(a) * 3.5, 2.6, 1.2,
                                      rgb(0.98, 0.98, 0.95), a);
                        }
                        t.ellipse(px, py, 1.8, 1.8, rgb(0.98, 0.8, 0.2));
                    });
        }
        break;
    case 8:  // a dashed road marking, a manhole cover and cracks
    {
        for (int i = 0; i < 4; ++i)
            t.rect(i * 63.5 + 10, 120, i * 63.5 + 44, 127, rgb(0.92, 0.92, 0.85, 0.75), 1);
        const double x = r.range(40, 90), y = r.range(170, 220);
        t.ellipse(x, y, 15, 15, rgb(0.12, 0.12, 0.13, 0.85));
        t.ring(x, y, 11, 13, rgb(0.35, 0.35, 0.36, 0.9));
        for (int k = -2; k <= 2; ++k)
            t.line(x - 9, y + k * 4, x + 9, y + k * 4, 1, rgb(0.32, 0.32, 0.33, 0.9));
        for (int i = 0; i < 3; ++i)
            wander(t, r, r.range(0, P), r.range(0, P), r.range(0, 2 * kPi), 8, 7, 0.8, 1.2,
                   rgb(0.08, 0.08, 0.09, 0.6));
        break;
    }
    case 9:  // thin, high streaks of cirrus
        for (int i = 0; i < 3; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P);
            wrapped(x, y, 70,
                    [&](double px, double py) { t.ellipse(px, py, 60, 3, rgb(1, 1, 1, 0.16), -0.12); });
        }
        break;
    case 10:  // more stars and a faint wisp of dust
    case 11:
        for (int i = 0; i < 30; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P), s = r.range(0.6, 1.5);
            const Colour c = rgb(1, 1, 1, r.range(0.6, 1.0));
            wrapped(x, y, 2, [&](double px, double py) { t.ellipse(px, py, s, s, c); });
        }
        for (int i = 0; i < 3; ++i)
        {
            const double x = r.range(0, P), y = r.range(0, P);
            const Colour c = world == 10 ? rgb(0.35, 0.45, 0.9, 0.10) : rgb(0.8, 0.3, 0.8, 0.12);
            wrapped(x, y, 40, [&](double px, double py) { t.glow(px, py, 38, c); });
        }
        break;
    default: break;
    }
    return t;
}

// ----- props (over the entities) ----------------------------------------------------------

Canvas props(int world)
{
    Canvas t(P, P);
    Rng r(1300 + world * 29);
    switch (world)
    {
    case 0:  // roots reaching in from the edges
        for (int i = 0; i < 3; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            wander(t, r, x, y, r.range(0, 2 * kPi), 7, 8, 0.5, 4.0, rgb(0.16, 0.10, 0.06, 0.9));
        }
        break;
    case 1:  // out-of-focus motes drifting above the slide
    case 2:  // blurred cells floating above the view
    case 3:  // shadows of duckweed on the surface
    {
        const Colour c = world == 1 ? rgb(0.02, 0.02, 0.08, 0.35)
                                    : (world == 2 ? rgb(0.30, 0.02, 0.04, 0.35) : rgb(0.02, 0.12, 0.06, 0.4));
        for (int i = 0; i < 3; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            const double s = r.range(16, 30), a = r.range(0, 3);
            wrapped(x, y, s + 2,
                    [&](double px, double py)
                    {
                        if (world == 3)
                            t.ellipse(px, py, s, s * 0.8, c, a);
                        else
                            t.glow(px, py, s, alpha(c, std::min(1.0, c.a * 2.5)));
                    });
        }
        break;
    }
    case 4:  // the tips of other petals overhanging the edge
    case 7:  // leaves of a bush overhanging the lawn
        for (int i = 0; i < 3; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            const double a = r.range(0, 2 * kPi);
            const Colour c = world == 4 ? rgb(0.95, 0.72, 0.85, 0.85) : rgb(0.15, 0.38, 0.12, 0.85);
            wrapped(x + 4, y + 6, 60,
                    [&](double px, double py) {
                        t.ellipse(px + std::cos(a) * 22, py + std::sin(a) * 22, 24, 10, rgb(0, 0, 0, 0.2), a);
                    });
            leaf(t, x, y, a, 48, 20, c);
        }
        break;
    case 5:  // the shadow of a plate's rim across a corner
        wrapped(0, 0, 70, [&](double px, double py) { t.ring(px, py, 52, 66, rgb(0.25, 0.18, 0.05, 0.22)); });
        break;
    case 6:  // waterweed leaves and bubbles
        for (int i = 0; i < 3; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            leaf(t, x, y, r.range(0, 2 * kPi), 50, 12, rgb(0.20, 0.55, 0.30, 0.75));
        }
        for (int i = 0; i < 4; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            const double s = r.range(2, 5);
            wrapped(x, y, s + 1,
                    [&](double px, double py)
                    {
                        t.ring(px, py, s - 0.8, s, rgb(0.85, 0.95, 1.0, 0.7));
                        t.ellipse(px - s * 0.3, py - s * 0.3, s * 0.25, s * 0.25, rgb(1, 1, 1, 0.8));
                    });
        }
        break;
    case 8:  // the shadow of a building over one corner
        wrapped(0, 0, 80,
                [&](double px, double py)
                {
                    t.polygon({px - 30, py - 50, px + 70, py - 50, px + 70, py + 40, px + 40, py + 70,
                               px - 30, py + 70},
                              rgb(0.0, 0.0, 0.02, 0.28));
                });
        break;
    case 9:  // the edges of clouds passing over
        for (int i = 0; i < 2; ++i)
        {
            double x, y;
            edgePoint(r, &x, &y);
            for (int k = 0; k < 4; ++k)
            {
                const double cx = x + r.range(-25, 25), cy = y + r.range(-12, 12), s = r.range(16, 26);
                wrapped(cx, cy, s + 1, [&](double px, double py) { t.glow(px, py, s, rgb(1, 1, 1, 0.7)); });
            }
        }
        break;
    case 10:  // a bright star with rays, near an edge
    case 11:
    {
        double x, y;
        edgePoint(r, &x, &y);
        const Colour c = world == 10 ? rgb(0.75, 0.85, 1.0) : rgb(1.0, 0.75, 0.95);
        wrapped(x, y, 24,
                [&](double px, double py)
                {
                    t.glow(px, py, 14, alpha(c, 0.8));
                    t.line(px - 22, py, px + 22, py, 1.2, alpha(c, 0.6));
                    t.line(px, py - 22, px, py + 22, 1.2, alpha(c, 0.6));
                    t.ellipse(px, py, 2, 2, rgb(1, 1, 1));
                });
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
