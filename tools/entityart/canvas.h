// A small RGBA canvas for the picture tools: shapes are sampled 4 x 4 times per pixel and
// composited "over" what is already there, so edges come out smooth. Everything is
// deterministic: the same calls always give the same bytes.
#pragma once

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace art
{

struct Colour
{
    double r, g, b, a;
};

inline Colour rgb(double r, double g, double b, double a = 1.0)
{
    return {r, g, b, a};
}
inline Colour scale(Colour c, double k)
{
    return {c.r * k, c.g * k, c.b * k, c.a};
}
inline Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
inline Colour alpha(Colour c, double a)
{
    return {c.r, c.g, c.b, c.a * a};
}

// Tiny deterministic generator (a 32-bit LCG), so pictures never depend on the C library.
class Rng
{
public:
    explicit Rng(uint32_t seed) : s(seed * 2654435761u + 12345u) {}
    double next()
    {
        s = s * 1664525u + 1013904223u;
        return (s >> 8) / 16777216.0;
    }
    double range(double a, double b) { return a + (b - a) * next(); }

private:
    uint32_t s;
};

using Inside = std::function<bool(double, double)>;
using Paint = std::function<Colour(double, double)>;

class Canvas
{
public:
    Canvas(int w, int h) : w(w), h(h), px(static_cast<size_t>(w) * h * 4, 0.0) {}
    int width() const { return w; }

    // Fills the pixels of the box [x1, x2) x [y1, y2) whose samples fall inside, with paint.
    void fill(double x1, double y1, double x2, double y2, const Inside& inside, const Paint& paint)
    {
        const int ix1 = std::max(0, static_cast<int>(std::floor(x1)));
        const int iy1 = std::max(0, static_cast<int>(std::floor(y1)));
        const int ix2 = std::min(w, static_cast<int>(std::ceil(x2)) + 1);
        const int iy2 = std::min(h, static_cast<int>(std::ceil(y2)) + 1);
        for (int y = iy1; y < iy2; ++y)
            for (int x = ix1; x < ix2; ++x)
            {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0))
                            ++hits;
                if (hits)
                    blend(x, y, paint(x + 0.5, y + 0.5), hits / 16.0);
            }
    }
    void fillSolid(double x1, double y1, double x2, double y2, const Inside& inside, Colour c)
    {
        fill(x1, y1, x2, y2, inside, [c](double, double) { return c; });
    }

    // Turned ellipse centred at (cx, cy), radii rx, ry, angle in radians.
    void ellipse(double cx, double cy, double rx, double ry, Colour c, double angle = 0.0)
    {
        ellipsePaint(
            cx, cy, rx, ry, [c](double, double) { return c; }, angle);
    }
    void ellipsePaint(double cx, double cy, double rx, double ry, const Paint& p, double angle = 0.0)
    {
        const double ca = std::cos(angle), sa = std::sin(angle), r = std::max(rx, ry);
        fill(
            cx - r, cy - r, cx + r, cy + r,
            [=](double x, double y)
            {
                const double dx = x - cx, dy = y - cy;
                const double u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
                return u * u + v * v <= 1.0;
            },
            p);
    }
    // Shaded ball: lighter towards the upper left, darker at the rim.
    void ball(double cx, double cy, double rx, double ry, Colour c, double angle = 0.0)
    {
        const double r = std::max(rx, ry);
        ellipsePaint(
            cx, cy, rx, ry,
            [=](double x, double y)
            {
                const double d = std::hypot(x - (cx - 0.35 * rx), y - (cy - 0.35 * ry)) / (1.6 * r);
                const double k = 1.25 - 0.6 * std::min(1.0, d);
                return Colour{std::min(1.0, c.r * k), std::min(1.0, c.g * k), std::min(1.0, c.b * k), c.a};
            },
            angle);
    }
    // Soft glow: alpha falls off from the centre.
    void glow(double cx, double cy, double r, Colour c)
    {
        fill(
            cx - r, cy - r, cx + r, cy + r,
            [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; },
            [=](double x, double y)
            {
                const double t = 1.0 - std::hypot(x - cx, y - cy) / r;
                return alpha(c, std::max(0.0, t * t));
            });
    }
    void rect(double x1, double y1, double x2, double y2, Colour c, double radius = 0.0)
    {
        fillSolid(
            x1, y1, x2, y2,
            [=](double x, double y)
            {
                if (x < x1 || x > x2 || y < y1 || y > y2)
                    return false;
                const double qx = std::max({x1 + radius - x, 0.0, x - (x2 - radius)});
                const double qy = std::max({y1 + radius - y, 0.0, y - (y2 - radius)});
                return qx * qx + qy * qy <= radius * radius + 1e-9;
            },
            c);
    }
    void ring(double cx, double cy, double r1, double r2, Colour c)
    {
        fillSolid(
            cx - r2, cy - r2, cx + r2, cy + r2,
            [=](double x, double y)
            {
                const double d = std::hypot(x - cx, y - cy);
                return d >= r1 && d <= r2;
            },
            c);
    }
    // A thick line segment with round ends.
    void line(double x1, double y1, double x2, double y2, double width, Colour c)
    {
        const double r = width / 2.0;
        fillSolid(
            std::min(x1, x2) - r, std::min(y1, y2) - r, std::max(x1, x2) + r, std::max(y1, y2) + r,
            [=](double x, double y)
            {
                const double vx = x2 - x1, vy = y2 - y1, len2 = vx * vx + vy * vy;
                double t = len2 > 0 ? ((x - x1) * vx + (y - y1) * vy) / len2 : 0.0;
                t = std::max(0.0, std::min(1.0, t));
                return std::hypot(x - (x1 + t * vx), y - (y1 + t * vy)) <= r;
            },
            c);
    }
    // A closed polygon (even-odd rule).
    void polygon(const std::vector<double>& xy, Colour c)
    {
        double x1 = 1e9, y1 = 1e9, x2 = -1e9, y2 = -1e9;
        for (size_t i = 0; i + 1 < xy.size(); i += 2)
        {
            x1 = std::min(x1, xy[i]);
            x2 = std::max(x2, xy[i]);
            y1 = std::min(y1, xy[i + 1]);
            y2 = std::max(y2, xy[i + 1]);
        }
        const size_t n = xy.size() / 2;
        fillSolid(
            x1, y1, x2, y2,
            [&xy, n](double x, double y)
            {
                bool in = false;
                for (size_t i = 0, j = n - 1; i < n; j = i++)
                {
                    const double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
                    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                        in = !in;
                }
                return in;
            },
            c);
    }
    // A star with n points.
    void star(double cx, double cy, double r1, double r2, int n, double angle, Colour c)
    {
        std::vector<double> xy;
        for (int i = 0; i < 2 * n; ++i)
        {
            const double a = angle + M_PI * i / n, r = (i % 2) ? r1 : r2;
            xy.push_back(cx + r * std::cos(a));
            xy.push_back(cy + r * std::sin(a));
        }
        polygon(xy, c);
    }
    // Paints every pixel of a box through a function of its position (backgrounds).
    void paintBox(int x1, int y1, int x2, int y2, const Paint& p)
    {
        for (int y = std::max(0, y1); y < std::min(h, y2); ++y)
            for (int x = std::max(0, x1); x < std::min(w, x2); ++x)
                blend(x, y, p(x + 0.5, y + 0.5), 1.0);
    }

    // The colour of one pixel (transparent outside).
    // Replaces a pixel as it is, without blending (outside the canvas: nothing).
    void put(int x, int y, Colour c)
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        double* d = &px[(static_cast<size_t>(y) * w + x) * 4];
        d[0] = c.r;
        d[1] = c.g;
        d[2] = c.b;
        d[3] = c.a;
    }

    Colour at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return {0, 0, 0, 0};
        const double* d = &px[(static_cast<size_t>(y) * w + x) * 4];
        return {d[0], d[1], d[2], d[3]};
    }

    bool save(const std::string& path) const
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        if (!png || !info || setjmp(png_jmpbuf(png)))
        {
            png_destroy_write_struct(&png, &info);
            std::fclose(f);
            return false;
        }
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
        for (int y = 0; y < h; ++y)
        {
            for (size_t i = 0; i < row.size(); ++i)
            {
                const double v = px[static_cast<size_t>(y) * w * 4 + i];
                row[i] = static_cast<uint8_t>(std::lround(std::max(0.0, std::min(1.0, v)) * 255.0));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return std::fclose(f) == 0;
    }

private:
    void blend(int x, int y, Colour c, double coverage)
    {
        double* d = &px[(static_cast<size_t>(y) * w + x) * 4];
        const double a = std::max(0.0, std::min(1.0, c.a * coverage));
        const double outA = a + d[3] * (1.0 - a);
        if (outA <= 0.0)
            return;
        d[0] = (c.r * a + d[0] * d[3] * (1.0 - a)) / outA;
        d[1] = (c.g * a + d[1] * d[3] * (1.0 - a)) / outA;
        d[2] = (c.b * a + d[2] * d[3] * (1.0 - a)) / outA;
        d[3] = outA;
    }
    int w, h;
    std::vector<double> px;
};

}  // namespace art
