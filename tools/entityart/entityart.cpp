// entityart: draws the game's own pictures into PNG files, deterministically.
// Usage: entityart <output folder>
//        entityart --icon <size> <file>   (the application icon alone, size x size)
//
// Layouts (graphics/imagemaps.xml declares the same sizes and cells):
//   entities<world>.png 512 x 512, one per world (kEntitySheets, levelgen.py's ENTITY_SHEETS):
//                  4 x 4 cells of 128 px, the world's run of kKinds (levelgen.py's KINDS uses the
//                  same order), then its kinds' second animation frames (kFrames). Every kind
//                  faces right (+x).
//   goo.png        256 x 256, four 128 px frames of the goo (ripple), two to a row.
//   eyeball.png 64 x 64, pupil.png 32 x 32, eyelid.png 256 x 64 (four 64 px closing lids),
//   reticle.png 64 x 64, arrow.png 64 x 64, policelight.png 64 x 64.
//   medal.png      256 x 64: cells 0-2 large gold/silver/bronze (64 px), 3-5 small (16 px).
//   particles.png  128 x 64: eight 32 px particles, four to a row (0 sparkle star, 1 round
//                  puff, 2 droplet, 3 glitter, 4 ring, 5 clay crumb, 6 smoke, 7 spark).
//   tiles<world>.png 512 x 512, one per world: ground, ground detail, props and an extra tile,
//                  254 px each in 256 px padded cells (tileart.cpp).
//   playbuttongraphic.png 64 x 44, chairicon.png 28 x 24, enduranceicon.png 24 x 24 (menu icons),
//   endurancebuttons.png 256 x 256 (three 128 px buttons, two to a row), wombixlogo.png 512 x 256, goosketch.png 256 x 256,
//   questionmark.png 128 x 128.
//   windowicon.png 128 x 128, the application icon the game shows on its window.
//   <page>_0.png and <page>_1.png, 512 x 512 each, for the 800 x 600 pages titlescreen,
//                  levelselect, comic1, comic2, comic10 (the layout: savePage).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "tileart.h"

using namespace art;

namespace
{

std::string gOut;
bool gOk = true;

void save(const Canvas& c, const std::string& name)
{
    if (!c.save(gOut + "/" + name + ".png"))
    {
        std::fprintf(stderr, "entityart: cannot write %s/%s.png\n", gOut.c_str(), name.c_str());
        gOk = false;
    }
}

const Colour kBlack = rgb(0.05, 0.05, 0.07);
const Colour kWhite = rgb(1, 1, 1);

// Two eyes near the front (+x) of a creature centred at (cx, cy) with half length hl.
void eyes(Canvas& c, double cx, double cy, double hl, double size, double spread = 0.3)
{
    for (int s : {-1, 1})
    {
        const double ex = cx + hl * 0.55, ey = cy + s * hl * spread;
        c.ellipse(ex, ey, size, size, kWhite);
        c.ellipse(ex + size * 0.35, ey, size * 0.5, size * 0.5, kBlack);
    }
}

void legs(Canvas& c, double cx, double cy, double hl, double hw, int pairs, double len, Colour col,
          double width)
{
    for (int i = 0; i < pairs; ++i)
    {
        const double x = cx - hl * 0.5 + hl * i / std::max(1, pairs - 1);
        for (int s : {-1, 1})
        {
            const double y0 = cy + s * hw * 0.6;
            c.line(x, y0, x + (i - (pairs - 1) / 2.0) * 6, y0 + s * len, width, col);
        }
    }
}

using Draw = void (*)(Canvas&, double, double, double, double, Colour);

// Each entity drawer gets the cell centre, half length (x), half width (y) and base colour.
void dBlob(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, k);
    Rng r(static_cast<uint32_t>(x * 7 + y * 13));
    for (int i = 0; i < 5; ++i)
        c.ellipse(x + r.range(-0.5, 0.5) * l, y + r.range(-0.5, 0.5) * w, l * 0.12, l * 0.1, scale(k, 0.75));
}
void dPollen(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.star(x, y, l * 0.8, l, 14, 0.1, scale(k, 0.8));
    c.ball(x, y, l * 0.82, l * 0.82, k);
}
void dClay(Canvas& c, double x, double y, double l, double w, Colour k)
{
    Rng r(7);
    std::vector<double> p;
    for (int i = 0; i < 9; ++i)
    {
        const double a = 2 * M_PI * i / 9, rr = r.range(0.8, 1.0);
        p.push_back(x + std::cos(a) * l * rr);
        p.push_back(y + std::sin(a) * w * rr);
    }
    c.polygon(p, k);
    c.ellipse(x - l * 0.2, y - w * 0.25, l * 0.3, w * 0.2, alpha(kWhite, 0.2));
}
void dRod(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int i = -2; i <= 2; ++i)
        c.line(x - l * 0.9, y + i * w * 0.3, x - l * 1.0 - 8, y + i * w * 0.45, 2.5, scale(k, 0.6));
    c.rect(x - l * 0.9, y - w * 0.9, x + l * 0.9, y + w * 0.9, scale(k, 0.85), w * 0.9);
    c.rect(x - l * 0.8, y - w * 0.7, x + l * 0.8, y + w * 0.5, k, w * 0.6);
}
void dVirus(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int i = 0; i < 12; ++i)
    {
        const double a = 2 * M_PI * i / 12;
        c.line(x, y, x + std::cos(a) * l, y + std::sin(a) * l, 4, scale(k, 0.7));
        c.ellipse(x + std::cos(a) * l, y + std::sin(a) * l, 5, 5, scale(k, 0.9));
    }
    c.ball(x, y, l * 0.65, l * 0.65, k);
}
void dDisc(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, k);
    c.ellipse(x, y, l * 0.5, w * 0.5, scale(k, 0.75));
}
void dCell(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, alpha(k, 0.9));
    c.ellipse(x + l * 0.1, y - w * 0.1, l * 0.35, w * 0.3, rgb(0.6, 0.5, 0.8, 0.9));
}
void dAmoeba(Canvas& c, double x, double y, double l, double, Colour k)
{
    Rng r(3);
    for (int i = 0; i < 7; ++i)
    {
        const double a = 2 * M_PI * i / 7 + r.range(0, 0.5);
        c.ellipse(x + std::cos(a) * l * 0.5, y + std::sin(a) * l * 0.5, l * 0.45, l * 0.35, alpha(k, 0.85),
                  a);
    }
    c.ball(x, y, l * 0.6, l * 0.6, alpha(k, 0.9));
    c.ellipse(x + l * 0.1, y, l * 0.2, l * 0.18, rgb(0.35, 0.4, 0.7, 0.9));
}
void dDiatom(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, k);
    for (int i = -4; i <= 4; ++i)
        c.line(x + i * l * 0.2, y - w * 0.8, x + i * l * 0.2, y + w * 0.8, 2, scale(k, 0.7));
}
void dSlipper(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int i = 0; i < 24; ++i)
    {
        const double a = 2 * M_PI * i / 24;
        c.line(x + std::cos(a) * l, y + std::sin(a) * w, x + std::cos(a) * (l + 6), y + std::sin(a) * (w + 6),
               1.5, scale(k, 0.7));
    }
    c.ball(x, y, l, w, k);
    c.ellipse(x + l * 0.3, y + w * 0.2, l * 0.15, w * 0.25, scale(k, 0.6));
    eyes(c, x, y, l, 4, 0.25);
}
void dBug(Canvas& c, double x, double y, double l, double w, Colour k, int pairs, bool wings)
{
    legs(c, x, y, l, w, pairs, w * 0.9, kBlack, 3);
    if (wings)
        for (int s : {-1, 1})
            c.ellipse(x - l * 0.1, y + s * w * 0.8, l * 0.5, w * 0.5, rgb(0.85, 0.9, 1.0, 0.55), s * 0.4);
    c.ball(x - l * 0.2, y, l * 0.75, w * 0.85, k);
    c.ball(x + l * 0.65, y, l * 0.35, w * 0.6, scale(k, 0.8));
    eyes(c, x + l * 0.25, y, l, 4, 0.2);
}
void dMite(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dBug(c, x, y, l, w, k, 4, false);
}
void dAnt(Canvas& c, double x, double y, double l, double w, Colour k)
{
    legs(c, x, y, l * 0.6, w, 3, w * 1.0, kBlack, 2.5);
    c.ball(x - l * 0.6, y, l * 0.4, w * 0.6, k);
    c.ball(x, y, l * 0.25, w * 0.4, k);
    c.ball(x + l * 0.55, y, l * 0.3, w * 0.5, k);
    for (int s : {-1, 1})
        c.line(x + l * 0.7, y + s * 4, x + l, y + s * w * 0.8, 2, kBlack);
    eyes(c, x + l * 0.1, y, l, 3, 0.12);
}
void dFly(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dBug(c, x, y, l, w, k, 3, true);
}
void dBeetle(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dBug(c, x, y, l, w, k, 3, false);
    c.line(x - l * 0.9, y, x + l * 0.3, y, 2, scale(k, 0.5));
}
void dSpider(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int i = 0; i < 4; ++i)
        for (int s : {-1, 1})
        {
            const double a = s * (0.5 + i * 0.45);
            const double mx = x + std::cos(a) * l * 0.7, my = y + std::sin(a) * l * 0.7;
            c.line(x, y, mx, my, 3, kBlack);
            c.line(mx, my, mx + std::cos(a * 1.3) * l * 0.3, my + std::sin(a * 1.3) * l * 0.3, 3, kBlack);
        }
    c.ball(x - l * 0.25, y, l * 0.45, l * 0.4, k);
    c.ball(x + l * 0.25, y, l * 0.25, l * 0.22, scale(k, 0.8));
    for (int i = 0; i < 4; ++i)
        c.ellipse(x + l * 0.38, y - 6 + i * 4, 2, 2, rgb(0.9, 0.1, 0.1));
}
void dShot(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.glow(x, y, l, k);
    c.ball(x, y, l * 0.5, l * 0.5, k);
}
void dFruit(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, k);
    c.ellipse(x - l * 0.35, y - w * 0.35, l * 0.18, w * 0.12, alpha(kWhite, 0.6), -0.6);
}
void dCookie(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.ball(x, y, l, l, k);
    Rng r(11);
    for (int i = 0; i < 8; ++i)
        c.ellipse(x + r.range(-0.6, 0.6) * l, y + r.range(-0.6, 0.6) * l, 5, 4, rgb(0.3, 0.15, 0.08));
}
void dCup(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ring(x + l * 0.7, y, w * 0.25, w * 0.45, scale(k, 0.8));
    c.ball(x - l * 0.1, y, w, w, k);
    c.ellipse(x - l * 0.1, y, w * 0.8, w * 0.8, rgb(0.55, 0.3, 0.15));
}
void dFork(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.rect(x - l, y - w * 0.25, x + l * 0.2, y + w * 0.25, scale(k, 0.9), w * 0.2);
    c.rect(x + l * 0.1, y - w * 0.9, x + l * 0.35, y + w * 0.9, k, 3);
    for (int i = 0; i < 4; ++i)
        c.rect(x + l * 0.3, y - w * 0.9 + i * w * 0.5, x + l, y - w * 0.9 + i * w * 0.5 + w * 0.3, k, 2);
}
void dFish(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.polygon({x - l * 0.6, y, x - l, y - w * 0.9, x - l, y + w * 0.9}, scale(k, 0.8));
    c.ball(x + l * 0.1, y, l * 0.75, w * 0.8, k);
    c.polygon({x, y - w * 0.7, x - l * 0.3, y - w * 1.0, x - l * 0.2, y - w * 0.5}, scale(k, 0.7));
    eyes(c, x + l * 0.15, y, l * 0.8, 4, 0.35);
}
void dShrimp(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int i = 0; i < 5; ++i)
        c.ball(x + l * 0.6 - i * l * 0.35, y + std::sin(i * 0.6) * w * 0.3, w * (0.85 - i * 0.1),
               w * (0.85 - i * 0.1), k);
    for (int s : {-1, 1})
        c.line(x + l * 0.8, y, x + l * 1.0, y + s * w * 1.1, 1.5, scale(k, 0.6));
    eyes(c, x + l * 0.2, y, l, 3, 0.2);
}
void dJelly(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int i = 0; i < 6; ++i)
        c.line(x - l * 0.3 + i * 2, y - l * 0.5 + i * l * 0.2, x - l, y - l * 0.6 + i * l * 0.25, 3,
               alpha(k, 0.6));
    c.ball(x + l * 0.2, y, l * 0.6, l * 0.75, alpha(k, 0.8));
    c.ellipse(x + l * 0.3, y, l * 0.25, l * 0.35, alpha(kWhite, 0.3));
}
void dSnail(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.rect(x - l, y - w * 0.4, x + l, y + w * 0.4, rgb(0.75, 0.7, 0.55), w * 0.4);
    c.ball(x - l * 0.15, y, w * 0.9, w * 0.9, k);
    for (int i = 0; i < 3; ++i)
        c.ring(x - l * 0.15, y, w * (0.2 + i * 0.25), w * (0.26 + i * 0.25), scale(k, 0.6));
    for (int s : {-1, 1})
        c.line(x + l * 0.8, y, x + l * 1.0, y + s * w * 0.5, 2, rgb(0.5, 0.45, 0.35));
}
void dFrog(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int s : {-1, 1})
    {
        c.ellipse(x - l * 0.6, y + s * w * 0.8, l * 0.35, w * 0.25, scale(k, 0.8), s * 0.5);
        c.ellipse(x + l * 0.4, y + s * w * 0.8, l * 0.2, w * 0.15, scale(k, 0.8));
    }
    c.ball(x, y, l * 0.8, w * 0.85, k);
    for (int s : {-1, 1})
    {
        c.ellipse(x + l * 0.45, y + s * w * 0.45, 9, 9, kWhite);
        c.ellipse(x + l * 0.5, y + s * w * 0.45, 4.5, 4.5, kBlack);
    }
}
void dMouse(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.line(x - l * 0.6, y, x - l, y + w * 0.8, 3, rgb(0.85, 0.6, 0.6));
    c.ball(x - l * 0.1, y, l * 0.65, w * 0.8, k);
    for (int s : {-1, 1})
        c.ellipse(x + l * 0.35, y + s * w * 0.55, w * 0.35, w * 0.35, rgb(0.9, 0.7, 0.7));
    c.ball(x + l * 0.6, y, l * 0.35, w * 0.5, k);
    c.ellipse(x + l * 0.95, y, 3, 3, kBlack);
    eyes(c, x + l * 0.2, y, l, 3, 0.18);
}
void dOwl(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int s : {-1, 1})
        c.ellipse(x - l * 0.1, y + s * l * 0.7, l * 0.6, l * 0.3, scale(k, 0.7), s * 0.3);
    c.ball(x, y, l * 0.8, l * 0.8, k);
    for (int s : {-1, 1})
    {
        c.ellipse(x + l * 0.35, y + s * l * 0.3, l * 0.25, l * 0.25, rgb(1, 0.9, 0.5));
        c.ellipse(x + l * 0.42, y + s * l * 0.3, l * 0.11, l * 0.11, kBlack);
    }
    c.polygon({x + l * 0.85, y, x + l * 0.6, y - 5, x + l * 0.6, y + 5}, rgb(0.9, 0.7, 0.2));
}
void dBird(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int s : {-1, 1})
        c.polygon({x + l * 0.2, y, x - l * 0.4, y + s * w * 1.1, x - l * 0.5, y + s * w * 0.2},
                  scale(k, 0.8));
    c.ball(x, y, l * 0.7, w * 0.45, k);
    c.ball(x + l * 0.6, y, l * 0.25, w * 0.3, k);
    c.polygon({x + l, y, x + l * 0.8, y - 4, x + l * 0.8, y + 4}, rgb(0.95, 0.7, 0.2));
    c.polygon({x - l * 0.6, y, x - l, y - w * 0.3, x - l, y + w * 0.3}, scale(k, 0.7));
}
void dVehicle(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            c.rect(x + sx * l * 0.55 - 9, y + sy * w * 0.95 - 5, x + sx * l * 0.55 + 9, y + sy * w * 0.95 + 5,
                   kBlack, 3);
    c.rect(x - l, y - w * 0.9, x + l, y + w * 0.9, k, w * 0.3);
    c.rect(x + l * 0.2, y - w * 0.7, x + l * 0.55, y + w * 0.7, rgb(0.6, 0.8, 0.95), 4);
    c.rect(x - l * 0.7, y - w * 0.7, x - l * 0.45, y + w * 0.7, rgb(0.6, 0.8, 0.95), 4);
    for (int s : {-1, 1})
        c.ellipse(x + l * 0.95, y + s * w * 0.6, 3, 5, rgb(1, 1, 0.7));
}
void dPolice(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dVehicle(c, x, y, l, w, kWhite);
    c.rect(x - l * 0.4, y - w * 0.9, x + l * 0.1, y + w * 0.9, k, 2);
    c.rect(x - l * 0.15, y - w * 0.5, x - l * 0.05, y + w * 0.5, rgb(0.3, 0.3, 0.35), 2);
}
void dBus(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dVehicle(c, x, y, l, w, k);
    for (int i = 0; i < 5; ++i)
        c.rect(x - l * 0.8 + i * l * 0.3, y - w * 0.5, x - l * 0.65 + i * l * 0.3, y + w * 0.5,
               rgb(0.9, 0.9, 0.8, 0.8), 2);
}
void dBicycle(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.line(x - l, y, x + l, y, 6, kBlack);
    c.line(x - l * 0.3, y - w, x - l * 0.3, y + w, 4, k);
    c.line(x + l * 0.7, y - w * 0.8, x + l * 0.7, y + w * 0.8, 4, k);
    c.line(x - l * 0.3, y, x + l * 0.7, y, 5, k);
    c.ellipse(x - l * 0.1, y, 10, 14, rgb(0.8, 0.3, 0.3));
}
void dHouse(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.rect(x - l, y - l, x + l, y + l, k, 4);
    c.polygon({x - l, y - l, x + l, y - l, x, y}, scale(k, 0.8));
    c.polygon({x - l, y + l, x + l, y + l, x, y}, scale(k, 0.9));
    c.polygon({x - l, y - l, x - l, y + l, x, y}, scale(k, 0.7));
    c.polygon({x + l, y - l, x + l, y + l, x, y}, scale(k, 1.1));
    c.rect(x + l * 0.3, y - l * 0.6, x + l * 0.5, y - l * 0.35, rgb(0.4, 0.35, 0.35));
}
void dBalloon(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.line(x - l * 0.7, y, x - l, y + w * 0.3, 1.5, rgb(0.4, 0.4, 0.4));
    c.ball(x + l * 0.1, y, l * 0.85, w * 0.95, k);
    c.polygon({x - l * 0.75, y, x - l * 0.85, y - 5, x - l * 0.85, y + 5}, scale(k, 0.7));
}
void dCloud(Canvas& c, double x, double y, double l, double w, Colour k)
{
    const double pts[][3] = {
        {-0.6, 0.1, 0.45}, {-0.2, -0.3, 0.55}, {0.3, -0.2, 0.5}, {0.6, 0.15, 0.4}, {0.0, 0.3, 0.55}};
    for (const auto& p : pts)
        c.ball(x + p[0] * l, y + p[1] * w * 1.4, p[2] * w * 1.6, p[2] * w * 1.5, k);
}
void dHeli(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.rect(x - l, y - w * 0.15, x, y + w * 0.15, scale(k, 0.8), 3);
    c.ball(x + l * 0.3, y, l * 0.55, w * 0.6, k);
    c.ellipse(x + l * 0.55, y, l * 0.2, w * 0.35, rgb(0.6, 0.8, 0.95));
    c.line(x + l * 0.3 - l * 0.9, y - w * 0.9, x + l * 0.3 + l * 0.9, y + w * 0.9, 4, alpha(kBlack, 0.6));
    c.line(x + l * 0.3 - l * 0.9, y + w * 0.9, x + l * 0.3 + l * 0.9, y - w * 0.9, 4, alpha(kBlack, 0.6));
}
void dAirship(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int s : {-1, 1})
        c.polygon({x - l * 0.7, y, x - l, y + s * w * 0.9, x - l * 0.85, y}, scale(k, 0.7));
    c.ball(x, y, l * 0.9, w * 0.75, k);
    c.rect(x - l * 0.2, y - w * 0.15, x + l * 0.25, y + w * 0.15, rgb(0.45, 0.35, 0.3), 3);
}
void dPlane(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.polygon({x + l * 0.1, y, x - l * 0.25, y - w * 1.0, x - l * 0.4, y - w * 1.0, x - l * 0.2, y,
               x - l * 0.4, y + w * 1.0, x - l * 0.25, y + w * 1.0},
              scale(k, 0.85));
    c.polygon({x - l * 0.7, y, x - l * 0.95, y - w * 0.4, x - l * 1.0, y - w * 0.4, x - l * 0.9, y,
               x - l * 1.0, y + w * 0.4, x - l * 0.95, y + w * 0.4},
              scale(k, 0.8));
    c.ball(x, y, l, w * 0.2, k);
}
void dSatellite(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int s : {-1, 1})
    {
        c.rect(x - l * 0.3, y + s * w * 0.25, x + l * 0.3, y + s * w * 1.0, rgb(0.2, 0.3, 0.7), 2);
        for (int i = 0; i < 3; ++i)
            c.line(x - l * 0.3 + i * l * 0.3, y + s * w * 0.3, x - l * 0.3 + i * l * 0.3, y + s * w * 0.95, 1,
                   rgb(0.6, 0.7, 0.9));
    }
    c.rect(x - l * 0.35, y - w * 0.3, x + l * 0.35, y + w * 0.3, k, 3);
    c.ellipse(x + l * 0.6, y, l * 0.25, w * 0.3, rgb(0.85, 0.85, 0.85));
}
void dAsteroid(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dClay(c, x, y, l, w, k);
    Rng r(5);
    for (int i = 0; i < 5; ++i)
    {
        const double cx = x + r.range(-0.5, 0.5) * l, cy = y + r.range(-0.5, 0.5) * w, rr = r.range(4, 9);
        c.ellipse(cx, cy, rr, rr, scale(k, 0.7));
        c.ellipse(cx + 1, cy + 1, rr * 0.7, rr * 0.7, scale(k, 0.85));
    }
}
void dComet(Canvas& c, double x, double y, double l, double w, Colour k)
{
    for (int i = 0; i < 10; ++i)
        c.glow(x + l * 0.6 - i * l * 0.17, y, w * (1.0 - i * 0.07), alpha(k, 0.6));
    c.ball(x + l * 0.65, y, w * 0.45, w * 0.45, rgb(0.9, 0.95, 1.0));
}
void dMoon(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.ball(x, y, l, l, k);
    Rng r(9);
    for (int i = 0; i < 7; ++i)
    {
        const double cx = x + r.range(-0.6, 0.6) * l, cy = y + r.range(-0.6, 0.6) * l, rr = r.range(4, 11);
        c.ellipse(cx, cy, rr, rr, scale(k, 0.8));
    }
}
void dPlanet(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.ball(x, y, l, l, k);
    for (int i = -2; i <= 2; ++i)
        c.fillSolid(
            x - l, y - l, x + l, y + l,
            [=](double px, double py) {
                return std::hypot(px - x, py - y) < l * 0.97 && std::fabs(py - (y + i * l * 0.35)) < l * 0.07;
            },
            alpha(kWhite, 0.25));
}
void dRinged(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ellipsePaint(
        x, y, l, w * 0.9, [=](double, double) { return alpha(scale(k, 0.8), 0.8); }, 0.0);
    c.ellipse(x, y, l * 0.75, w * 0.55, rgb(0, 0, 0, 0.0));
    c.ball(x, y, w * 1.4, w * 1.4, k);
    c.fillSolid(
        x - l, y - w, x + l, y + w,
        [=](double px, double py)
        {
            const double u = (px - x) / l, v = (py - y) / (w * 0.9);
            const double d = u * u + v * v;
            return d <= 1.0 && d >= 0.75 && py > y;
        },
        scale(k, 0.7));
}
void dStar(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.glow(x, y, l, k);
    c.star(x, y, l * 0.35, l * 0.95, 6, 0.2, alpha(k, 0.7));
    c.ball(x, y, l * 0.45, l * 0.45, rgb(1, 1, 0.9));
}
void dEnergy(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.glow(x, y, l, k);
    c.star(x, y, l * 0.2, l * 0.9, 4, 0.0, alpha(kWhite, 0.9));
    c.star(x, y, l * 0.15, l * 0.6, 4, M_PI / 4, alpha(k, 0.9));
}
void dNebula(Canvas& c, double x, double y, double l, double w, Colour k)
{
    Rng r(13);
    for (int i = 0; i < 12; ++i)
        c.glow(x + r.range(-0.6, 0.6) * l, y + r.range(-0.6, 0.6) * w, r.range(0.3, 0.6) * l,
               alpha(mix(k, rgb(0.4, 0.6, 1.0), r.next()), 0.7));
    for (int i = 0; i < 6; ++i)
        c.ellipse(x + r.range(-0.7, 0.7) * l, y + r.range(-0.7, 0.7) * w, 1.5, 1.5, kWhite);
}
void dBlackHole(Canvas& c, double x, double y, double l, double, Colour k)
{
    c.glow(x, y, l, k);
    c.ring(x, y, l * 0.45, l * 0.7, alpha(mix(k, rgb(1, 0.7, 0.3), 0.5), 0.9));
    c.ellipse(x, y, l * 0.45, l * 0.45, rgb(0, 0, 0));
}
void dGalaxy(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.glow(x, y, l * 0.5, rgb(1, 0.95, 0.8));
    for (int arm = 0; arm < 2; ++arm)
        for (int i = 0; i < 40; ++i)
        {
            const double t = i / 40.0, a = arm * M_PI + t * 3.5;
            c.glow(x + std::cos(a) * l * t * 0.95, y + std::sin(a) * w * t * 0.95, 6 + 6 * (1 - t),
                   alpha(k, 0.5));
        }
}
void dGroup(Canvas& c, double x, double y, double l, double w, Colour k, int n, uint32_t seed)
{
    Rng r(seed);
    c.glow(x, y, l, alpha(k, 0.3));
    for (int i = 0; i < n; ++i)
    {
        const double gx = x + r.range(-0.6, 0.6) * l, gy = y + r.range(-0.6, 0.6) * w,
                     s = r.range(0.12, 0.25) * l;
        c.glow(gx, gy, s * 1.5, alpha(k, 0.8));
        c.ellipse(gx, gy, s * 0.6, s * 0.3, alpha(kWhite, 0.8), r.range(0, 3));
    }
}
void dGalaxyGroup(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dGroup(c, x, y, l, w, k, 5, 21);
}
void dCluster(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dGroup(c, x, y, l, w, k, 12, 22);
}
void dSuper(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dGroup(c, x, y, l, w, k, 24, 23);
}
void dSeed(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.ball(x, y, l, w, k);
    c.line(x - l * 0.7, y, x + l * 0.7, y, 2, scale(k, 0.7));
}
void dDog(Canvas& c, double x, double y, double l, double w, Colour k)
{
    c.line(x - l * 0.6, y, x - l, y - w * 0.5, 5, k);
    c.ball(x - l * 0.1, y, l * 0.65, w * 0.7, k);
    c.ball(x + l * 0.6, y, l * 0.35, w * 0.5, scale(k, 1.05));
    for (int s : {-1, 1})
        c.ellipse(x + l * 0.45, y + s * w * 0.5, l * 0.15, w * 0.25, scale(k, 0.6));
    c.ellipse(x + l * 0.95, y, 4, 4, kBlack);
}
void dPigeon(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dBird(c, x, y, l, w * 0.8, k);
}

struct KindArt
{
    const char* name;
    Draw draw;
    double aspect;
    Colour colour;
};

// The same order as the kinds of levelgen.py (cell = index).
const KindArt kKinds[] = {
    {"dustmote", dBlob, 1.0, rgb(0.90, 0.86, 0.78)},
    {"pollen", dPollen, 1.0, rgb(0.95, 0.8, 0.2)},
    {"clay", dClay, 1.0, rgb(0.60, 0.64, 0.70)},
    {"rodbacterium", dRod, 2.0, rgb(0.45, 0.8, 0.35)},
    {"coccus", dBlob, 1.0, rgb(0.18, 0.52, 0.24)},
    {"virion", dVirus, 1.0, rgb(0.75, 0.35, 0.8)},
    {"redcell", dDisc, 1.0, rgb(0.98, 0.28, 0.22)},
    {"platelet", dBlob, 1.4, rgb(0.95, 0.65, 0.55)},
    {"whitecell", dCell, 1.0, rgb(0.92, 0.92, 0.98)},
    {"amoeba", dAmoeba, 1.0, rgb(0.55, 0.75, 0.95)},
    {"diatom", dDiatom, 1.6, rgb(0.86, 0.97, 0.82)},
    {"paramecium", dSlipper, 2.0, rgb(0.95, 0.45, 0.25)},
    {"mite", dMite, 1.3, rgb(0.22, 0.32, 0.68)},
    {"ant", dAnt, 1.6, rgb(0.35, 0.13, 0.08)},
    {"fly", dFly, 1.2, rgb(0.3, 0.35, 0.4)},
    {"beetle", dBeetle, 1.3, rgb(0.2, 0.6, 0.3)},
    {"spider", dSpider, 1.0, rgb(0.93, 0.93, 0.86)},
    {"spit", dShot, 1.0, rgb(0.6, 0.95, 0.4)},
    {"crumb", dClay, 1.0, rgb(0.62, 0.36, 0.14)},
    {"pea", dFruit, 1.0, rgb(0.4, 0.8, 0.25)},
    {"grape", dFruit, 1.0, rgb(0.5, 0.2, 0.6)},
    {"cookie", dCookie, 1.0, rgb(0.96, 0.56, 0.72)},
    {"teacup", dCup, 1.3, rgb(0.45, 0.82, 0.62)},
    {"fork", dFork, 3.0, rgb(0.42, 0.44, 0.50)},
    {"shrimp", dShrimp, 1.6, rgb(1.0, 0.55, 0.45)},
    {"minnow", dFish, 2.0, rgb(0.55, 0.65, 0.75)},
    {"jellyfish", dJelly, 1.0, rgb(0.85, 0.55, 0.95)},
    {"pike", dFish, 2.6, rgb(0.35, 0.55, 0.25)},
    {"seed", dSeed, 1.4, rgb(0.75, 0.62, 0.35)},
    {"snail", dSnail, 1.4, rgb(0.92, 0.78, 0.30)},
    {"frog", dFrog, 1.2, rgb(0.20, 0.45, 0.90)},
    {"mouse", dMouse, 1.6, rgb(0.6, 0.58, 0.55)},
    {"owl", dOwl, 1.0, rgb(0.36, 0.25, 0.16)},
    {"pigeon", dPigeon, 1.3, rgb(0.74, 0.74, 0.84)},
    {"dog", dDog, 1.6, rgb(0.55, 0.35, 0.18)},
    {"bicycle", dBicycle, 1.7, rgb(0.30, 0.70, 1.0)},
    {"car", dVehicle, 2.0, rgb(0.85, 0.15, 0.15)},
    {"policecar", dPolice, 2.0, rgb(0.15, 0.2, 0.6)},
    {"bus", dBus, 2.8, rgb(0.95, 0.75, 0.15)},
    {"house", dHouse, 1.0, rgb(0.75, 0.45, 0.35)},
    {"balloon", dBalloon, 0.8, rgb(0.85, 0.20, 0.70)},
    {"bird", dBird, 1.5, rgb(0.98, 0.85, 0.20)},
    {"cloud", dCloud, 1.8, rgb(0.93, 0.94, 0.98)},
    {"helicopter", dHeli, 1.8, rgb(0.3, 0.55, 0.3)},
    {"airship", dAirship, 2.4, rgb(0.78, 0.78, 0.7)},
    {"plane", dPlane, 1.6, rgb(0.30, 0.32, 0.38)},
    {"satellite", dSatellite, 1.6, rgb(0.8, 0.75, 0.45)},
    {"asteroid", dAsteroid, 1.2, rgb(0.55, 0.5, 0.45)},
    {"comet", dComet, 2.2, rgb(0.55, 0.85, 1.0)},
    {"moon", dMoon, 1.0, rgb(0.8, 0.8, 0.8)},
    {"planet", dPlanet, 1.0, rgb(0.35, 0.55, 0.95)},
    {"ringedplanet", dRinged, 2.0, rgb(0.9, 0.78, 0.5)},
    {"star", dStar, 1.0, rgb(1.0, 0.9, 0.5)},
    {"energy1", dEnergy, 1.0, rgb(1.0, 1.0, 0.55)},
    {"nebula", dNebula, 1.4, rgb(0.9, 0.45, 0.8)},
    {"blackhole", dBlackHole, 1.0, rgb(0.55, 0.3, 0.9)},
    {"galaxy", dGalaxy, 1.4, rgb(0.75, 0.75, 1.0)},
    {"galaxygroup", dGalaxyGroup, 1.0, rgb(0.65, 0.75, 1.0)},
    {"galaxycluster", dCluster, 1.0, rgb(1.0, 0.8, 0.65)},
    {"supercluster", dSuper, 1.3, rgb(0.75, 1.0, 0.85)},
    {"energy2", dEnergy, 1.0, rgb(0.5, 1.0, 1.0)},
};

// Kinds that hurt or eat a smaller goo: drawn on a red warning halo so that they read as
// dangers at a glance, whatever their own colour.
bool isThreat(const char* name)
{
    for (const char* t : {"virion", "whitecell", "paramecium", "beetle", "spider", "fork", "jellyfish",
                          "pike", "owl", "bus", "plane", "comet", "blackhole"})
        if (std::strcmp(name, t) == 0)
            return true;
    return false;
}

void drawKind(Canvas& c, const KindArt& k, double cx, double cy, double box)
{
    // The picture's box is the cell (box wide) at the kind's aspect ratio, centred.
    const double l = k.aspect >= 1.0 ? box * 0.45 : box * 0.45 * k.aspect;
    const double w = l / k.aspect;
    if (isThreat(k.name))
    {
        c.ellipse(cx, cy, l * 0.98, w * 0.98 + 3, rgb(0.95, 0.1, 0.05, 0.28));
        c.ellipse(cx, cy, l * 0.9, w * 0.9 + 1.5, rgb(1.0, 0.15, 0.05, 0.3));
    }
    k.draw(c, cx, cy, l, w, k.colour);
}

// Second frames of animated kinds, beside the kind in its world's sheet: the spider mid-step, the pike with its jaws
// open, the owl with its wings raised.
void dSpiderStep(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int i = 0; i < 4; ++i)
        for (int s : {-1, 1})
        {
            const double a = s * (0.5 + i * 0.45) + (i % 2 ? 0.22 : -0.22) * s;
            const double mx = x + std::cos(a) * l * 0.72, my = y + std::sin(a) * l * 0.72;
            c.line(x, y, mx, my, 3, kBlack);
            c.line(mx, my, mx + std::cos(a * 1.2) * l * 0.28, my + std::sin(a * 1.2) * l * 0.28, 3, kBlack);
        }
    c.ball(x - l * 0.25, y, l * 0.45, l * 0.4, k);
    c.ball(x + l * 0.25, y, l * 0.25, l * 0.22, scale(k, 0.8));
    for (int i = 0; i < 4; ++i)
        c.ellipse(x + l * 0.38, y - 6 + i * 4, 2, 2, rgb(0.9, 0.1, 0.1));
}
void dFishBite(Canvas& c, double x, double y, double l, double w, Colour k)
{
    dFish(c, x, y, l, w, k);
    c.polygon({x + l * 0.88, y - w * 0.5, x + l * 0.3, y, x + l * 0.88, y + w * 0.5}, rgb(0.35, 0.05, 0.05));
    for (int i = 0; i < 4; ++i)
    {
        const double tx = x + l * (0.5 + 0.1 * i);
        const double off = w * (0.17 + 0.085 * i);
        c.polygon({tx, y - off, tx + 4, y - off, tx + 2, y - off + 5}, kWhite);
        c.polygon({tx, y + off, tx + 4, y + off, tx + 2, y + off - 5}, kWhite);
    }
}
void dOwlFlap(Canvas& c, double x, double y, double l, double, Colour k)
{
    for (int s : {-1, 1})
        c.ellipse(x - l * 0.05, y + s * l * 0.85, l * 0.35, l * 0.2, scale(k, 0.7), s * 1.1);
    c.ball(x, y, l * 0.8, l * 0.8, k);
    for (int s : {-1, 1})
    {
        c.ellipse(x + l * 0.35, y + s * l * 0.3, l * 0.25, l * 0.25, rgb(1, 0.9, 0.5));
        c.ellipse(x + l * 0.42, y + s * l * 0.3, l * 0.11, l * 0.11, kBlack);
    }
    c.polygon({x + l * 0.85, y, x + l * 0.6, y - 5, x + l * 0.6, y + 5}, rgb(0.9, 0.7, 0.2));
}

const KindArt kFrames[] = {
    {"spider", dSpiderStep, 1.0, rgb(0.93, 0.93, 0.86)},
    {"pike", dFishBite, 2.6, rgb(0.35, 0.55, 0.25)},
    {"owl", dOwlFlap, 1.0, rgb(0.36, 0.25, 0.16)},
};

// A soft dark edge around a picture's silhouette: every pixel within `width` of an opaque one
// gets the ink at that pixel's strength, under the picture. It keeps light things readable on
// light grounds without changing their colours.
Canvas inked(const Canvas& pic, double width, Colour ink)
{
    const int w = pic.width(), r = static_cast<int>(std::ceil(width));
    Canvas out(w, w);
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < w; ++x)
        {
            double m = 0.0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    if (dx * dx + dy * dy <= width * width)
                        m = std::max(m, pic.at(x + dx, y + dy).a);
            if (m > 0.0)
                out.put(x, y, alpha(ink, ink.a * m));
        }
    out.paintBox(0, 0, w, w,
                 [&](double x, double y) { return pic.at(static_cast<int>(x), static_cast<int>(y)); });
    return out;
}

// True when nothing of the picture lies within `ring` pixels of its edge (as it will be saved,
// in whole 8-bit steps).
bool clearEdge(const Canvas& pic, int ring)
{
    const int w = pic.width();
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < w; ++x)
            if ((x < ring || y < ring || x >= w - ring || y >= w - ring) && pic.at(x, y).a * 255.0 >= 0.5)
                return false;
    return true;
}

// One kind in a 128 px cell, drawn in a box of the given size with its ink edge.
Canvas kindCell(const KindArt& k, double box)
{
    Canvas c(128, 128);
    drawKind(c, k, 64, 64, box);
    return inked(c, 2.0, rgb(0.06, 0.05, 0.08, 0.55));
}

// The largest box (the full cell, or a step of 4% smaller) in which the kind keeps a clear
// border of two pixels, so no leg, tail or halo reaches into the next cell of the sheet (where
// it would show as stray dots beside that cell's picture).
double fitBox(const KindArt& k)
{
    double box = 128.0;
    while (box > 64.0 && !clearEdge(kindCell(k, box), 2))
        box *= 0.96;
    return box;
}

// The entity sheets, one a world, as levelgen.py's ENTITY_SHEETS lays them out: the kinds
// its levels place (a run of kKinds) and then the second frames of those kinds, four 128 px
// cells to a row of a 512 x 512 sheet. A level loads its world's sheet alone.
struct EntitySheet
{
    const char* world;
    size_t firstKind, numKinds;
    std::vector<size_t> frames;  // indices into kFrames
};

const EntitySheet kEntitySheets[] = {
    {"micro", 0, 12, {}},  {"bugs", 12, 6, {0}}, {"table", 18, 6, {}},  {"fish", 24, 4, {1}},
    {"grass", 28, 5, {2}}, {"city", 33, 7, {}},  {"sky", 40, 6, {}},    {"space", 46, 15, {}},
};

void makeEntities()
{
    const size_t nKinds = sizeof(kKinds) / sizeof(kKinds[0]), nFrames = sizeof(kFrames) / sizeof(kFrames[0]);
    std::vector<const KindArt*> all;
    for (const KindArt& k : kKinds)
        all.push_back(&k);
    for (const KindArt& k : kFrames)
        all.push_back(&k);
    std::vector<double> box;
    for (const KindArt* k : all)
        box.push_back(fitBox(*k));
    // A kind and its second animation frames share one size, so the animation does not pulse.
    for (size_t f = nKinds; f < nKinds + nFrames; ++f)
        for (size_t b = 0; b < nKinds; ++b)
            if (std::strcmp(all[f]->name, all[b]->name) == 0)
                box[f] = box[b] = std::min(box[f], box[b]);
    size_t drawn = 0;
    for (const EntitySheet& sheet : kEntitySheets)
    {
        std::vector<size_t> cells;  // indices into `all`
        for (size_t i = 0; i < sheet.numKinds; ++i)
            cells.push_back(sheet.firstKind + i);
        for (size_t f : sheet.frames)
            cells.push_back(nKinds + f);
        Canvas c(512, 512);
        for (size_t i = 0; i < cells.size() && i < 16; ++i)
        {
            const Canvas one = kindCell(*all[cells[i]], box[cells[i]]);
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x)
                    c.put(static_cast<int>(i % 4) * 128 + x, static_cast<int>(i / 4) * 128 + y, one.at(x, y));
        }
        if (cells.size() > 16)
        {
            std::fprintf(stderr, "entityart: the %s sheet has more than 16 pictures\n", sheet.world);
            gOk = false;
        }
        drawn += cells.size();
        save(c, std::string("entities") + sheet.world);
    }
    if (drawn != all.size())
    {
        std::fprintf(stderr, "entityart: the entity sheets hold %zu pictures of %zu\n", drawn, all.size());
        gOk = false;
    }
}

// The goo: a silvery body inside a near-black outline and a pale rim, so it stands out on
// dark grounds (soil, space) as well as on light ones (sky, bacteria).
void gooBody(Canvas& c, double cx, double cy, double r, double phase)
{
    std::vector<double> outer, body;
    for (int i = 0; i < 48; ++i)
    {
        const double a = 2 * M_PI * i / 48;
        const double rr = r * (0.9 + 0.05 * std::sin(a * 5 + phase) + 0.03 * std::sin(a * 3 - phase * 2));
        outer.push_back(cx + std::cos(a) * rr);
        outer.push_back(cy + std::sin(a) * rr);
        body.push_back(cx + std::cos(a) * (rr - r * 0.1));
        body.push_back(cy + std::sin(a) * (rr - r * 0.1));
    }
    c.polygon(outer, rgb(0.93, 0.97, 1.0));
    std::vector<double> mid;
    for (size_t i = 0; i < outer.size(); i += 2)
    {
        mid.push_back(cx + (outer[i] - cx) * 0.955);
        mid.push_back(cy + (outer[i + 1] - cy) * 0.955);
    }
    c.polygon(mid, rgb(0.08, 0.1, 0.12));
    c.polygon(body, rgb(0.66, 0.72, 0.74));
    c.ball(cx, cy, r * 0.74, r * 0.74, rgb(0.8, 0.86, 0.88, 0.9));
    c.ellipse(cx - r * 0.3, cy - r * 0.35, r * 0.24, r * 0.13, alpha(kWhite, 0.75), -0.5);
}

// A row of equal cells laid out again as a grid of the given number of columns, cell i at
// column i % columns and row i / columns, each cell's pixels unchanged. The game keeps pictures
// in square power-of-two textures: a 512 x 128 row takes a 512 x 512 texture, the same four
// cells as a 256 x 256 grid a quarter of that. Every cell drawn this way has a fully clear
// border, so neighbouring cells never show through when a cell is drawn scaled or turned.
Canvas regrid(const Canvas& row, int cell, int columns)
{
    const int count = row.width() / cell;
    const int rows = (count + columns - 1) / columns;
    Canvas out(columns * cell, rows * cell);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                out.put((i % columns) * cell + x, (i / columns) * cell + y, row.at(i * cell + x, y));
    return out;
}

void makeGooAndEyes()
{
    Canvas goo(512, 128);
    for (int i = 0; i < 4; ++i)
        gooBody(goo, i * 128 + 64, 64, 62, i * M_PI / 2);
    save(regrid(goo, 128, 2), "goo");

    Canvas eye(64, 64);
    eye.ball(32, 32, 30, 30, rgb(0.97, 0.97, 0.95));
    eye.ring(32, 32, 29, 31, rgb(0.3, 0.3, 0.3));
    save(eye, "eyeball");
    Canvas pupil(32, 32);
    pupil.ellipse(16, 16, 15, 15, rgb(0.05, 0.05, 0.08));
    pupil.ellipse(11, 11, 3.5, 3.5, alpha(kWhite, 0.9));
    save(pupil, "pupil");
    Canvas lid(256, 64);
    for (int i = 0; i < 4; ++i)
    {
        const double t = (i + 1) / 4.0;  // how far the lid has closed
        const double cx = i * 64 + 32;
        lid.fillSolid(
            cx - 32, 0, cx + 32, 64,
            [=](double x, double y) { return std::hypot(x - cx, y - 32) <= 31 && y <= 1 + 62 * t; },
            rgb(0.5, 0.53, 0.52));
        if (t < 1.0)  // the edge of a lid that is not yet shut
            lid.line(cx - 28 * std::sqrt(std::max(0.0, 1 - std::pow(2 * t - 1, 2))), 1 + 62 * t,
                     cx + 28 * std::sqrt(std::max(0.0, 1 - std::pow(2 * t - 1, 2))), 1 + 62 * t, 2,
                     rgb(0.25, 0.28, 0.27));
    }
    save(lid, "eyelid");

    Canvas ret(64, 64);
    ret.ring(32, 32, 20, 24, alpha(kWhite, 0.9));
    for (int i = 0; i < 4; ++i)
    {
        const double a = i * M_PI / 2;
        ret.line(32 + std::cos(a) * 14, 32 + std::sin(a) * 14, 32 + std::cos(a) * 28, 32 + std::sin(a) * 28,
                 3, alpha(kWhite, 0.9));
    }
    save(ret, "reticle");
    Canvas arrow(64, 64);
    arrow.polygon({62, 32, 30, 6, 30, 22, 4, 22, 4, 42, 30, 42, 30, 58}, rgb(1, 1, 1, 0.95));
    save(arrow, "arrow");
    Canvas light(64, 64);
    light.glow(32, 32, 31, rgb(0.4, 0.6, 1.0, 1.0));
    light.ellipse(32, 32, 8, 8, rgb(0.85, 0.9, 1.0));
    save(light, "policelight");
}

void medalAt(Canvas& c, double cx, double cy, double r, Colour k)
{
    c.polygon({cx - r * 0.5, cy - r * 1.0, cx - r * 0.1, cy - r * 1.0, cx + r * 0.2, cy - r * 0.2,
               cx - r * 0.2, cy - r * 0.2},
              rgb(0.2, 0.35, 0.8));
    c.polygon({cx + r * 0.5, cy - r * 1.0, cx + r * 0.1, cy - r * 1.0, cx - r * 0.2, cy - r * 0.2,
               cx + r * 0.2, cy - r * 0.2},
              rgb(0.8, 0.2, 0.25));
    c.ball(cx, cy + r * 0.25, r * 0.72, r * 0.72, k);
    c.star(cx, cy + r * 0.25, r * 0.18, r * 0.42, 5, -M_PI / 2, scale(k, 0.8));
}

void makeMedalsParticles()
{
    const Colour medals[] = {rgb(1.0, 0.8, 0.2), rgb(0.82, 0.84, 0.88), rgb(0.8, 0.5, 0.25)};
    Canvas m(256, 64);
    for (int i = 0; i < 3; ++i)
    {
        medalAt(m, i * 64 + 32, 31, 28, medals[i]);
        medalAt(m, 192 + i * 16 + 8, 8, 6.5, medals[i]);
    }
    save(m, "medal");

    Canvas p(256, 32);
    p.star(16, 16, 3, 15, 4, 0, kWhite);           // 0 sparkle
    p.glow(48, 16, 15, kWhite);                    // 1 puff
    p.ellipse(80, 18, 9, 12, alpha(kWhite, 0.9));  // 2 droplet
    p.polygon({80, 2, 72, 16, 88, 16}, alpha(kWhite, 0.9));
    p.star(112, 16, 5, 14, 6, 0.3, kWhite);  // 3 glitter
    p.glow(112, 16, 10, kWhite);
    p.ring(144, 16, 10, 14, kWhite);                 // 4 ring
    dClay(p, 176, 16, 13, 13, rgb(0.7, 0.5, 0.35));  // 5 clay crumb
    p.glow(208, 16, 15, rgb(0.7, 0.7, 0.7, 0.8));    // 6 smoke
    p.line(228, 16, 252, 16, 4, kWhite);             // 7 spark
    p.glow(240, 16, 8, kWhite);
    save(regrid(p, 32, 4), "particles");
}

// The main menu's button icons (the buttons carry their own captions), the endurance pictures,
// the logo, the credits sketch and the gallery's question mark.
void makeIcons()
{
    // The menu button centres icon and caption together inside its 12 px frame, so an icon
    // leaves room for its caption: the play button is 200 x 65, the others 200 x 32.
    Canvas play(64, 44);
    play.rect(1, 2, 63, 42, rgb(0.3, 0.55, 0.3), 12);
    play.rect(4, 5, 60, 21, rgb(1, 1, 1, 0.15), 8);
    play.polygon({36, 11, 36, 33, 55, 22}, rgb(0.95, 0.95, 0.9));
    gooBody(play, 19, 22, 15, 0.5);
    save(play, "playbuttongraphic");
    Canvas chair(28, 24);
    chair.rect(6, 1, 19, 17, rgb(0.55, 0.35, 0.2), 2);
    chair.rect(3, 11, 25, 16, rgb(0.65, 0.42, 0.25), 2);
    chair.line(5, 15, 5, 21.5, 2.5, rgb(0.45, 0.3, 0.15));
    chair.line(23, 15, 23, 21.5, 2.5, rgb(0.45, 0.3, 0.15));
    save(chair, "chairicon");
    Canvas endu(24, 24);
    endu.ring(12, 12, 8, 11, rgb(0.8, 0.3, 0.2));
    endu.line(12, 12, 12, 6, 2, rgb(0.2, 0.2, 0.2));
    endu.line(12, 12, 17, 12, 2, rgb(0.2, 0.2, 0.2));
    save(endu, "enduranceicon");

    Canvas eb(384, 128);
    const int kinds[] = {9, 25, 58};  // amoeba, minnow, galaxy cluster
    const Colour backs[] = {rgb(0.0, 0.5, 0.49), rgb(0.02, 0.28, 0.58),
                            rgb(0.03, 0.03, 0.09)};  // their grounds
    for (int i = 0; i < 3; ++i)
    {
        eb.rect(i * 128 + 4, 4, i * 128 + 124, 124, backs[i], 16);
        drawKind(eb, kKinds[kinds[i]], i * 128 + 64, 64, 110);
    }
    save(regrid(eb, 128, 2), "endurancebuttons");

    Canvas logo(512, 256);
    logo.rect(16, 16, 496, 240, rgb(0.12, 0.14, 0.2), 40);
    gooBody(logo, 256, 128, 96, 1.0);
    for (int s : {-1, 1})
    {
        logo.ball(256 + s * 30, 110, 22, 22, rgb(0.97, 0.97, 0.95));
        logo.ellipse(256 + s * 30 + 6, 114, 10, 10, kBlack);
    }
    save(logo, "wombixlogo");

    Canvas sketch(256, 256);
    for (int i = 0; i < 6; ++i)
    {
        const double r = 90 + i * 4;
        sketch.ring(128 + i, 128 - i, r - 1.5, r + 1.5, rgb(0.1, 0.1, 0.1, 0.8));
    }
    sketch.ring(100, 110, 14, 17, rgb(0.1, 0.1, 0.1, 0.8));
    sketch.ring(156, 110, 14, 17, rgb(0.1, 0.1, 0.1, 0.8));
    save(sketch, "goosketch");

    Canvas q(128, 128);
    // The hook: a ring open in its lower-left quarter (painting transparent over the canvas
    // would change nothing, so the gap is never drawn).
    q.fillSolid(
        30, 12, 98, 80,
        [](double x, double y)
        {
            const double d = std::hypot(x - 64, y - 46);
            return d >= 22 && d <= 34 && !(x < 64 && y > 46);
        },
        rgb(0.95, 0.95, 0.95));
    q.rect(56, 70, 72, 92, rgb(0.95, 0.95, 0.95), 3);
    q.ellipse(64, 108, 9, 9, rgb(0.95, 0.95, 0.95));
    save(q, "questionmark");
}

// An 800 x 600 page, drawn whole and saved as its four quarters.
// An 800 x 600 page in two 512 x 512 pictures: _0 is the top-left 512 x 512, _1 packs the
// 288 x 512 strip on the right and the 800 x 88 strip at the bottom (cut in four pieces of at
// most 224 x 88). The game keeps every picture in a square power-of-two texture, so the four
// pictures of earlier layouts took 4 MiB where these take 2. tools/levelgen's chunked() writes
// the same layout into the page's description.
void savePage(const Canvas& page, const std::string& stem)
{
    // file, source x, y, width, height on the page, destination x, y in the file
    const int chunks[6][7] = {{0, 0, 0, 512, 512, 0, 0},        {1, 512, 0, 288, 512, 0, 0},
                              {1, 0, 512, 224, 88, 288, 0},     {1, 224, 512, 224, 88, 288, 88},
                              {1, 448, 512, 224, 88, 288, 176}, {1, 672, 512, 128, 88, 288, 264}};
    for (int file = 0; file < 2; ++file)
    {
        Canvas part(512, 512);
        part.paintBox(0, 0, 512, 512, [&](double, double) { return rgb(0, 0, 0, 0); });
        for (const auto& c : chunks)
        {
            if (c[0] != file)
                continue;
            const int ox = c[1] - c[5], oy = c[2] - c[6];
            // copy by sampling the page through a paint function
            part.paintBox(c[5], c[6], c[5] + c[3], c[6] + c[4],
                          [&](double x, double y)
                          { return page.at(static_cast<int>(x) + ox, static_cast<int>(y) + oy); });
        }
        save(part, stem + "_" + std::to_string(file));
    }
}

void starfield(Canvas& c, uint32_t seed, int n)
{
    Rng r(seed);
    for (int i = 0; i < n; ++i)
        c.ellipse(r.range(0, 800), r.range(0, 600), r.range(0.6, 1.6), r.range(0.6, 1.6),
                  alpha(kWhite, r.range(0.4, 1.0)));
}

void makeTitle()
{
    Canvas c(800, 600);
    c.paintBox(0, 0, 800, 600,
               [](double, double y) { return mix(rgb(0.05, 0.05, 0.15), rgb(0.15, 0.1, 0.25), y / 600.0); });
    starfield(c, 1, 200);
    drawKind(c, kKinds[50], 620, 130, 140);
    drawKind(c, kKinds[51], 160, 470, 160);
    drawKind(c, kKinds[56], 680, 480, 180);
    gooBody(c, 400, 300, 150, 0.7);
    for (int s : {-1, 1})
    {
        c.ball(400 + s * 50, 270, 36, 36, rgb(0.97, 0.97, 0.95));
        c.ellipse(400 + s * 50 + 10, 276, 16, 16, kBlack);
    }
    for (int i = 0; i < 12; ++i)
    {  // a wide grin
        const double a1 = M_PI * (0.2 + 0.6 * i / 12.0), a2 = M_PI * (0.2 + 0.6 * (i + 1) / 12.0);
        c.line(400 + 60 * std::cos(a1), 320 + 50 * std::sin(a1), 400 + 60 * std::cos(a2),
               320 + 50 * std::sin(a2), 6, rgb(0.3, 0.32, 0.31));
    }
    savePage(c, "titlescreen");
}

void makeLevelSelect()
{
    // Button positions of the level list, in play order.
    const int pts[60][2] = {
        {73, 167},  {126, 167}, {126, 206}, {73, 206},  {73, 307},  {120, 307}, {167, 307}, {120, 346},
        {73, 346},  {73, 446},  {117, 446}, {161, 446}, {206, 446}, {161, 486}, {117, 486}, {73, 486},
        {293, 486}, {340, 486}, {387, 486}, {387, 387}, {340, 387}, {293, 387}, {293, 346}, {340, 346},
        {387, 346}, {387, 246}, {342, 246}, {297, 246}, {252, 246}, {252, 206}, {297, 206}, {342, 206},
        {387, 206}, {473, 146}, {517, 146}, {561, 146}, {606, 146}, {561, 186}, {517, 186}, {473, 186},
        {486, 293}, {486, 331}, {486, 370}, {486, 408}, {486, 447}, {532, 447}, {532, 408}, {532, 370},
        {532, 331}, {532, 293}, {667, 293}, {713, 293}, {713, 331}, {667, 331}, {667, 370}, {713, 370},
        {713, 408}, {667, 408}, {667, 447}, {713, 447}};
    Canvas c(800, 600);
    c.paintBox(0, 0, 800, 600,
               [](double x, double y)
               {
                   return mix(rgb(0.86, 0.82, 0.7), rgb(0.78, 0.72, 0.58),
                              0.5 + 0.5 * std::sin(x * 0.01) * std::cos(y * 0.013));
               });
    // Regions behind each area's buttons, in the colours of their grounds.
    struct R
    {
        int x1, y1, x2, y2;
        Colour c;
    };
    const R regions[] = {
        {40, 140, 160, 235, rgb(0.85, 0.68, 0.5)},   {40, 280, 200, 375, rgb(0.9, 0.62, 0.76)},
        {40, 420, 240, 515, rgb(0.96, 0.8, 0.4)},    {265, 460, 415, 515, rgb(0.4, 0.6, 0.85)},
        {265, 320, 415, 415, rgb(0.45, 0.75, 0.35)}, {225, 180, 415, 275, rgb(0.6, 0.6, 0.62)},
        {445, 90, 635, 215, rgb(0.65, 0.8, 0.95)},   {460, 245, 745, 475, rgb(0.12, 0.12, 0.25)}};
    for (const R& r : regions)
        c.rect(r.x1, r.y1, r.x2, r.y2, alpha(r.c, 0.85), 14);
    for (int i = 0; i + 1 < 60; ++i)
        c.line(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], 4, rgb(0.45, 0.35, 0.25, 0.7));
    for (const auto& p : pts)
        c.ellipse(p[0], p[1], 16, 16, rgb(0.3, 0.25, 0.2, 0.5));
    savePage(c, "levelselect");
}

void panel(Canvas& c, double x1, double y1, double x2, double y2)
{
    c.rect(x1 - 3, y1 - 3, x2 + 3, y2 + 3, rgb(0.1, 0.1, 0.1), 8);
    c.rect(x1, y1, x2, y2, rgb(1, 0.98, 0.9), 6);
}

void makeComics()
{
    {
        Canvas c(800, 600);
        c.paintBox(0, 0, 800, 600,
                   [](double, double y)
                   { return mix(rgb(0.75, 0.8, 0.85), rgb(0.55, 0.6, 0.65), y / 600.0); });
        c.rect(0, 420, 800, 600, rgb(0.45, 0.4, 0.35));
        c.polygon({330, 180, 470, 180, 560, 430, 240, 430}, rgb(0.8, 0.9, 0.95, 0.5));
        c.rect(370, 120, 430, 185, rgb(0.8, 0.9, 0.95, 0.6), 4);
        gooBody(c, 400, 390, 40, 0.2);
        for (int s : {-1, 1})
            c.ellipse(400 + s * 12, 382, 6, 6, kBlack);
        panel(c, 40, 40, 360, 120);
        panel(c, 440, 460, 760, 540);
        savePage(c, "comic1");
    }
    {
        Canvas c(800, 600);
        const Canvas soil = groundTile(0);
        c.paintBox(0, 0, 800, 600,
                   [&](double x, double y)
                   { return soil.at(static_cast<int>(x) % kGroundTile, static_cast<int>(y) % kGroundTile); });
        c.paintBox(0, 0, 800, 600,
                   [](double x, double y)
                   {
                       const double u = x / 800.0, v = y / 600.0;
                       return rgb(0.30, 0.21, 0.14, 0.6 + 0.1 * std::sin(u * 9 + v * 4));
                   });
        drawKind(c, kKinds[0], 560, 300, 70);
        drawKind(c, kKinds[1], 620, 220, 50);
        drawKind(c, kKinds[16], 180, 300, 220);
        gooBody(c, 430, 300, 50, 2.0);
        for (int s : {-1, 1})
            c.ellipse(445, 300 + s * 14, 7, 7, kBlack);
        panel(c, 40, 40, 380, 130);
        panel(c, 420, 455, 760, 545);
        savePage(c, "comic2");
    }
    {
        Canvas c(800, 600);
        c.paintBox(0, 0, 800, 600, [](double, double) { return rgb(0.01, 0.01, 0.04); });
        starfield(c, 7, 60);
        gooBody(c, 400, 300, 200, 1.3);
        for (int s : {-1, 1})
        {
            c.ball(400 + s * 60, 260, 40, 40, rgb(0.97, 0.97, 0.95));
            c.ellipse(400 + s * 60 - 12, 250, 18, 18, kBlack);
        }
        panel(c, 40, 40, 380, 130);
        panel(c, 420, 455, 760, 545);
        savePage(c, "comic10");
    }
}

// The application icon: the goo looking out, on a clear ground. It is drawn at every size the
// desktop asks for rather than scaled from one picture, so small icons stay sharp.
Canvas appIcon(int size)
{
    Canvas c(size, size);
    const double k = size / 128.0;
    gooBody(c, 64 * k, 64 * k, 62 * k, 1.3);
    for (int side : {-1, 1})
    {
        c.ball((64 + side * 21) * k, 54 * k, 15 * k, 15 * k, rgb(0.97, 0.97, 0.95));
        c.ellipse((64 + side * 21 - 4) * k, 51 * k, 7 * k, 7 * k, kBlack);
    }
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--icon") == 0)
    {
        const int size = std::atoi(argv[2]);
        if (size < 16 || size > 1024)
        {
            std::fprintf(stderr, "entityart: icon size %s is not 16 to 1024\n", argv[2]);
            return 2;
        }
        if (!appIcon(size).save(argv[3]))
        {
            std::fprintf(stderr, "entityart: cannot write %s\n", argv[3]);
            return 1;
        }
        return 0;
    }
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: entityart <output folder> | entityart --icon <size> <file>\n");
        return 2;
    }
    gOut = argv[1];
    makeEntities();
    makeGooAndEyes();
    makeMedalsParticles();
    makeTileSheets(save);
    makeIcons();
    makeTitle();
    makeLevelSelect();
    makeComics();
    save(appIcon(128), "windowicon");
    return gOk ? 0 : 1;
}
