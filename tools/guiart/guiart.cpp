// guiart: draws the GUI library's own pictures (button skin, dialog and widget parts, check box,
// scroll arrows, the three pointers) into PNG files, deterministically, for the image maps that
// "graphics/imagemaps.xml" declares. Usage: guiart <output folder>
//
// Cell layouts (must match imagemaps.xml):
//   button.png    108 x 48: one row of nine 12 x 12 cells per state (up, down, over, disabled):
//                 top-left, top-right, bottom-right, bottom-left, top, right, bottom and left
//                 edges, centre.
//   gui.png       512 x 512: dialog frame (cells 0-11), group-box frame (12-20), page arrows
//                 (21-26), slider track (27-29) and knob (30-33), level highlight (34), the
//                 play screen's panels: size panel (35), progress bar fill and back (36-41),
//                 eaten-display frame (42), spare (43), specials panel (44), timer panel with
//                 and without the time (45, 46); see kGuiCells.
//   checkbox.png  80 x 16: up, over, down, disabled box, tick.
//   arrows.png    128 x 16: up, up pressed, down, down pressed, left, left pressed, right,
//                 right pressed.
//   mousearrow.png, mousehand.png, mousecarret.png: 32 x 32 pointers, hot spots (0, 0),
//                 (12, 1) and (7, 6).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

struct Rgba
{
    uint8_t r, g, b, a;
};

const Rgba kClear = {0, 0, 0, 0};

class Picture
{
public:
    Picture(int w, int h) : w(w), h(h), px(static_cast<size_t>(w) * h, kClear) {}

    void set(int x, int y, Rgba c)
    {
        if (x >= 0 && y >= 0 && x < w && y < h)
            px[static_cast<size_t>(y) * w + x] = c;
    }
    void fill(int x1, int y1, int x2, int y2, Rgba c)
    {
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                set(x, y, c);
    }
    // A vertical gradient from top to bottom colour.
    void gradient(int x1, int y1, int x2, int y2, Rgba top, Rgba bottom, int spanTop, int spanH)
    {
        for (int y = y1; y < y2; ++y)
        {
            const double t = spanH > 1 ? double(y - spanTop) / (spanH - 1) : 0.0;
            const Rgba c = {mix(top.r, bottom.r, t), mix(top.g, bottom.g, t), mix(top.b, bottom.b, t),
                            mix(top.a, bottom.a, t)};
            for (int x = x1; x < x2; ++x)
                set(x, y, c);
        }
    }
    // Filled triangle (inclusive of its edges), sampled at pixel centres.
    void triangle(double ax, double ay, double bx, double by, double cx, double cy, Rgba c)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const double px_ = x + 0.5, py_ = y + 0.5;
                const double d1 = (px_ - bx) * (ay - by) - (ax - bx) * (py_ - by);
                const double d2 = (px_ - cx) * (by - cy) - (bx - cx) * (py_ - cy);
                const double d3 = (px_ - ax) * (cy - ay) - (cx - ax) * (py_ - ay);
                const bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
                if (!(neg && pos))
                    set(x, y, c);
            }
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
            for (int x = 0; x < w; ++x)
            {
                const Rgba& c = px[static_cast<size_t>(y) * w + x];
                row[static_cast<size_t>(x) * 4 + 0] = c.r;
                row[static_cast<size_t>(x) * 4 + 1] = c.g;
                row[static_cast<size_t>(x) * 4 + 2] = c.b;
                row[static_cast<size_t>(x) * 4 + 3] = c.a;
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return std::fclose(f) == 0;
    }

private:
    static uint8_t mix(uint8_t a, uint8_t b, double t)
    {
        return static_cast<uint8_t>(std::lround(a + (b - a) * t));
    }
    int w, h;
    std::vector<Rgba> px;
};

// Which sides of a frame piece are on the frame's outside.
struct Sides
{
    bool left, top, right, bottom;
};

// The nine pieces of a frame in the order the library uses: top-left, top-right, bottom-right,
// bottom-left, top, right, bottom, left, centre.
const Sides kNineSides[9] = {
    {true, true, false, false},  {false, true, true, false},  {false, false, true, true},
    {true, false, false, true},  {false, true, false, false}, {false, false, true, false},
    {false, false, false, true}, {true, false, false, false}, {false, false, false, false},
};

// A frame piece: a light face with a dark rim on its outer sides and a soft bevel inside it.
void framePiece(Picture& p, int x, int y, int w, int h, Sides s, Rgba face, Rgba rim, Rgba light, Rgba shade,
                int rimWidth)
{
    p.fill(x, y, x + w, y + h, face);
    for (int i = 0; i < rimWidth; ++i)
    {
        if (s.left)
            p.fill(x + i, y, x + i + 1, y + h, rim);
        if (s.top)
            p.fill(x, y + i, x + w, y + i + 1, rim);
        if (s.right)
            p.fill(x + w - 1 - i, y, x + w - i, y + h, rim);
        if (s.bottom)
            p.fill(x, y + h - 1 - i, x + w, y + h - i, rim);
    }
    // Bevel one pixel inside the rim.
    if (s.left)
        p.fill(x + rimWidth, y + (s.top ? rimWidth : 0), x + rimWidth + 1, y + h - (s.bottom ? rimWidth : 0),
               light);
    if (s.top)
        p.fill(x + (s.left ? rimWidth : 0), y + rimWidth, x + w - (s.right ? rimWidth : 0), y + rimWidth + 1,
               light);
    if (s.right)
        p.fill(x + w - rimWidth - 1, y + (s.top ? rimWidth : 0), x + w - rimWidth,
               y + h - (s.bottom ? rimWidth : 0), shade);
    if (s.bottom)
        p.fill(x + (s.left ? rimWidth : 0), y + h - rimWidth - 1, x + w - (s.right ? rimWidth : 0),
               y + h - rimWidth, shade);
}

bool makeButton(const std::string& dir)
{
    Picture p(108, 48);
    const Rgba faces[4] = {
        {196, 210, 232, 255}, {150, 170, 205, 255}, {218, 228, 246, 255}, {200, 200, 200, 255}};
    const Rgba rims[4] = {{40, 60, 110, 255}, {30, 45, 90, 255}, {50, 80, 140, 255}, {120, 120, 120, 255}};
    for (int s = 0; s < 4; ++s)
    {
        const Rgba light = s == 1 ? Rgba{120, 140, 180, 255} : Rgba{245, 248, 255, 255};
        const Rgba shade = s == 1 ? Rgba{230, 236, 250, 255} : Rgba{120, 135, 170, 255};
        for (int c = 0; c < 9; ++c)
            framePiece(p, 12 * c, 12 * s, 12, 12, kNineSides[c], faces[s], rims[s], light, shade, 2);
    }
    return p.save(dir + "/button.png");
}

// Cells of gui.png: x1, y1, x2, y2 (exclusive), in cell order 0..46.
const int kGuiCells[47][4] = {
    // 0-7 dialog corners and edges, 26 pixels thick
    {0, 0, 26, 26},
    {26, 0, 52, 26},
    {52, 0, 78, 26},
    {78, 0, 104, 26},
    {104, 0, 130, 26},
    {130, 0, 156, 26},
    {156, 0, 182, 26},
    {182, 0, 208, 26},
    // 8-10 title band pieces, 30 high; 11 centre
    {0, 32, 26, 62},
    {26, 32, 52, 62},
    {52, 32, 78, 62},
    {80, 32, 112, 64},
    // 12-20 group-box frame, 12-pixel pieces
    {0, 64, 12, 76},
    {12, 64, 24, 76},
    {24, 64, 36, 76},
    {36, 64, 48, 76},
    {48, 64, 60, 76},
    {60, 64, 72, 76},
    {72, 64, 84, 76},
    {84, 64, 96, 76},
    {96, 64, 108, 76},
    // 21-26 page arrows: next page (up, over, down) pointing right, then previous page (up,
    // over, down) pointing left
    {0, 80, 26, 106},
    {26, 80, 52, 106},
    {52, 80, 78, 106},
    {78, 80, 104, 106},
    {104, 80, 130, 106},
    {130, 80, 156, 106},
    // 27-29 slider track: left end, middle, right end
    {0, 112, 8, 122},
    {8, 112, 24, 122},
    {24, 112, 32, 122},
    // 30-33 slider knob: up, over, down, disabled
    {0, 144, 26, 170},
    {26, 144, 52, 170},
    {52, 144, 78, 170},
    {78, 144, 104, 170},
    // 34 level highlight (centred on a level button)
    {208, 80, 256, 128},
    // 35 size panel: goo size top left, progress bar at (88, 28)
    {0, 176, 300, 242},
    // 36-38 progress fill left, middle, right; 39-41 back left, middle, right (30 high)
    {0, 256, 8, 286},
    {8, 256, 24, 286},
    {24, 256, 32, 286},
    {32, 256, 40, 286},
    {40, 256, 56, 286},
    {56, 256, 64, 286},
    // 42 eaten-display frame (picture above, name from 95 down)
    {300, 176, 402, 306},
    // 43 spare
    {470, 320, 480, 330},
    // 44 specials panel (goo size top left, count eaten over "of" over count to eat)
    {0, 320, 160, 398},
    // 45 timer panel with the time, 46 without
    {176, 320, 316, 384},
    {320, 320, 460, 354},
};

// A rounded panel: a rim and a light face with a soft top highlight.
void roundPanel(Picture& p, const int* r, Rgba face, Rgba rim, int radius)
{
    const int x1 = r[0], y1 = r[1], x2 = r[2], y2 = r[3];
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
        {
            const double cx = x + 0.5, cy = y + 0.5;
            const double qx = std::max({x1 + radius - cx, 0.0, cx - (x2 - radius)});
            const double qy = std::max({y1 + radius - cy, 0.0, cy - (y2 - radius)});
            const double d = std::sqrt(qx * qx + qy * qy);
            if (d > radius)
                continue;
            Rgba c = d > radius - 2.5 ? rim : face;
            if (d <= radius - 2.5 && y < y1 + (y2 - y1) / 3)
            {
                c.r = static_cast<uint8_t>(std::min(255, c.r + 14));
                c.g = static_cast<uint8_t>(std::min(255, c.g + 14));
                c.b = static_cast<uint8_t>(std::min(255, c.b + 14));
            }
            p.set(x, y, c);
        }
}

// The play screen's panels and bar, and the level highlight.
void drawHudCells(Picture& p)
{
    // 34: a soft yellow ring.
    {
        const int* r = kGuiCells[34];
        const double cx = (r[0] + r[2]) / 2.0, cy = (r[1] + r[3]) / 2.0;
        for (int y = r[1]; y < r[3]; ++y)
            for (int x = r[0]; x < r[2]; ++x)
            {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                const double t = 1.0 - std::fabs(d - 18.0) / 6.0;
                if (t > 0)
                    p.set(x, y, Rgba{255, 240, 120, static_cast<uint8_t>(std::lround(255 * t))});
            }
    }
    const Rgba face = {236, 240, 246, 225}, rim = {34, 52, 96, 255};
    // A small rounding: the size box sits in the panel's top-left corner.
    for (int c : {35, 42, 43, 44, 45, 46})
        roundPanel(p, kGuiCells[c], face, rim, 6);
    // Boxes inside the panels where the labels sit.
    const Rgba inset = {255, 255, 255, 255}, insetRim = {150, 165, 195, 255};
    auto box = [&](int x1, int y1, int x2, int y2)
    {
        p.fill(x1, y1, x2, y2, insetRim);
        p.fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, inset);
    };
    // The goo's size (both size panels): centred on the 96 px size box of the panel's top-left,
    // holding the text's line from 2 px down.
    for (int c : {35, 44})
        box(kGuiCells[c][0] + 6, kGuiCells[c][1] + 2, kGuiCells[c][0] + 91, kGuiCells[c][1] + 21);
    box(kGuiCells[42][0] + 6, kGuiCells[42][1] + 6, kGuiCells[42][2] - 6, kGuiCells[42][1] + 92);
    // The specials counter: three lines, eaten over "of" over the count to eat.
    box(kGuiCells[44][0] + 93, kGuiCells[44][1] + 11, kGuiCells[44][0] + 143, kGuiCells[44][1] + 71);
    box(kGuiCells[45][0] + 34, kGuiCells[45][1] + 34, kGuiCells[45][0] + 106, kGuiCells[45][1] + 60);
    // Progress bar: green fill, grey back; the ends rounded by clearing their outer corners.
    for (int c = 36; c <= 41; ++c)
    {
        const int* r = kGuiCells[c];
        const bool fillPart = c <= 38;
        const Rgba top = fillPart ? Rgba{140, 230, 120, 255} : Rgba{200, 205, 215, 255};
        const Rgba bottom = fillPart ? Rgba{40, 150, 50, 255} : Rgba{150, 155, 170, 255};
        p.gradient(r[0], r[1] + 3, r[2], r[3] - 3, top, bottom, r[1] + 3, r[3] - r[1] - 6);
        p.fill(r[0], r[1] + 2, r[2], r[1] + 3, rim);
        p.fill(r[0], r[3] - 3, r[2], r[3] - 2, rim);
        const int role = (c - 36) % 3;
        if (role == 0)
            p.fill(r[0], r[1] + 2, r[0] + 1, r[3] - 2, rim);
        if (role == 2)
            p.fill(r[2] - 1, r[1] + 2, r[2], r[3] - 2, rim);
    }
}

bool makeGui(const std::string& dir)
{
    Picture p(512, 512);
    const Rgba face = {226, 232, 242, 255}, rim = {34, 52, 96, 255};
    const Rgba light = {250, 252, 255, 255}, shade = {150, 165, 195, 255};
    for (int c = 0; c < 8; ++c)
    {
        const int* r = kGuiCells[c];
        framePiece(p, r[0], r[1], r[2] - r[0], r[3] - r[1], kNineSides[c], face, rim, light, shade, 3);
    }
    // Title band: a darker strip with the frame's top rim.
    const Rgba title = {70, 100, 160, 255}, titleLow = {120, 150, 205, 255};
    const Sides titleSides[3] = {
        {true, true, false, false}, {false, true, true, false}, {false, true, false, false}};
    for (int c = 8; c < 11; ++c)
    {
        const int* r = kGuiCells[c];
        p.gradient(r[0], r[1], r[2], r[3], titleLow, title, r[1], r[3] - r[1]);
        const Sides& s = titleSides[c - 8];
        if (s.left)
            p.fill(r[0], r[1], r[0] + 3, r[3], rim);
        if (s.right)
            p.fill(r[2] - 3, r[1], r[2], r[3], rim);
        p.fill(r[0], r[1], r[2], r[1] + 3, rim);
    }
    p.fill(kGuiCells[11][0], kGuiCells[11][1], kGuiCells[11][2], kGuiCells[11][3], face);
    for (int c = 12; c <= 20; ++c)
    {
        const int* r = kGuiCells[c];
        framePiece(p, r[0], r[1], 12, 12, kNineSides[c - 12], Rgba{236, 240, 246, 255},
                   Rgba{90, 105, 140, 255}, light, shade, 1);
    }
    // Page arrows: triangles on round-ish plates, three states each.
    const Rgba plates[3] = {{70, 100, 160, 255}, {100, 135, 200, 255}, {45, 70, 120, 255}};
    for (int c = 21; c <= 26; ++c)
    {
        const int* r = kGuiCells[c];
        const Rgba plate = plates[(c - 21) % 3];
        p.fill(r[0] + 2, r[1] + 2, r[2] - 2, r[3] - 2, plate);
        const bool left = c >= 24;  // 24-26 are the previous-page button's
        if (left)
            p.triangle(r[0] + 7, r[1] + 13, r[0] + 18, r[1] + 6, r[0] + 18, r[1] + 20,
                       Rgba{255, 255, 255, 255});
        else
            p.triangle(r[0] + 19, r[1] + 13, r[0] + 8, r[1] + 6, r[0] + 8, r[1] + 20,
                       Rgba{255, 255, 255, 255});
    }
    // Slider track: a thin groove.
    const Rgba groove = {90, 100, 120, 255}, grooveLight = {235, 238, 245, 255};
    for (int c = 27; c <= 29; ++c)
    {
        const int* r = kGuiCells[c];
        p.fill(r[0], r[1] + 3, r[2], r[1] + 7, groove);
        p.fill(r[0], r[1] + 7, r[2], r[1] + 8, grooveLight);
    }
    p.fill(kGuiCells[27][0], kGuiCells[27][1] + 3, kGuiCells[27][0] + 2, kGuiCells[27][1] + 8, kClear);
    p.fill(kGuiCells[29][2] - 2, kGuiCells[29][1] + 3, kGuiCells[29][2], kGuiCells[29][1] + 8, kClear);
    // Knob and level buttons: a round plate with a rim, an inner ring and a soft highlight, per
    // state (up, over, down, disabled); 26 x 26 suits the slider and the level map alike.
    const Rgba knobs[4] = {
        {196, 210, 232, 255}, {226, 236, 252, 255}, {150, 170, 205, 255}, {200, 200, 200, 160}};
    for (int c = 30; c <= 33; ++c)
    {
        const int* r = kGuiCells[c];
        const double cx = r[0] + 13.0, cy = r[1] + 13.0;
        const Rgba knobRim = c == 33 ? Rgba{120, 120, 120, 160} : Rgba{40, 60, 110, 255};
        for (int y = r[1]; y < r[3]; ++y)
            for (int x = r[0]; x < r[2]; ++x)
            {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d > 12.5)
                    continue;
                // outer rim and an inner ring (the grip the slider's thumb shows)
                Rgba col = (d > 10.5 || (d >= 7.0 && d <= 8.5)) ? knobRim : knobs[c - 30];
                if (d <= 10.5 && std::hypot(x + 0.5 - (cx - 3), y + 0.5 - (cy - 3)) < 5.0 && c != 33)
                    col = light;
                p.set(x, y, col);
            }
    }
    drawHudCells(p);
    return p.save(dir + "/gui.png");
}

bool makeCheckbox(const std::string& dir)
{
    Picture p(80, 16);
    const Rgba faces[4] = {
        {250, 250, 250, 255}, {235, 242, 255, 255}, {200, 212, 235, 255}, {215, 215, 215, 255}};
    const Sides all = {true, true, true, true};
    for (int c = 0; c < 4; ++c)
        framePiece(p, 16 * c + 1, 1, 14, 14, all, faces[c],
                   c == 3 ? Rgba{130, 130, 130, 255} : Rgba{40, 60, 110, 255}, Rgba{255, 255, 255, 255},
                   Rgba{170, 180, 200, 255}, 1);
    // Tick: two strokes as triangles pairs.
    const Rgba tick = {20, 40, 90, 255};
    p.triangle(64 + 3, 8, 64 + 6, 11, 64 + 6, 13, tick);
    p.triangle(64 + 3, 8, 64 + 5, 7, 64 + 6, 11, tick);
    p.triangle(64 + 6, 11, 64 + 12, 3, 64 + 13, 5, tick);
    p.triangle(64 + 6, 11, 64 + 13, 5, 64 + 6, 13, tick);
    return p.save(dir + "/checkbox.png");
}

bool makeArrows(const std::string& dir)
{
    Picture p(128, 16);
    const Sides all = {true, true, true, true};
    const Rgba white = {255, 255, 255, 255}, dark = {34, 52, 96, 255};
    for (int c = 0; c < 8; ++c)
    {
        const int x = 16 * c;
        const bool pressed = c % 2 == 1;
        framePiece(p, x, 0, 16, 16, all, pressed ? Rgba{150, 170, 205, 255} : Rgba{196, 210, 232, 255}, dark,
                   pressed ? Rgba{120, 140, 180, 255} : white, pressed ? white : Rgba{120, 135, 170, 255}, 1);
        const double d = pressed ? 1 : 0;
        switch (c / 2)
        {
        case 0: p.triangle(x + 8 + d, 4 + d, x + 3 + d, 11 + d, x + 13 + d, 11 + d, dark); break;
        case 1: p.triangle(x + 8 + d, 12 + d, x + 3 + d, 5 + d, x + 13 + d, 5 + d, dark); break;
        case 2: p.triangle(x + 4 + d, 8 + d, x + 11 + d, 3 + d, x + 11 + d, 13 + d, dark); break;
        default: p.triangle(x + 12 + d, 8 + d, x + 5 + d, 3 + d, x + 5 + d, 13 + d, dark); break;
        }
    }
    return p.save(dir + "/arrows.png");
}

bool makePointers(const std::string& dir)
{
    const Rgba black = {0, 0, 0, 255}, white = {255, 255, 255, 255};
    // Arrow, tip at (0, 0): a white arrow with a black outline.
    Picture arrow(32, 32);
    arrow.triangle(0, 0, 0, 19, 13, 13, black);
    arrow.triangle(5, 13, 8, 12, 11, 20, black);
    arrow.triangle(5, 13, 11, 20, 8, 21, black);
    arrow.triangle(1.5, 3, 1.5, 15.5, 10, 12, white);
    arrow.triangle(6, 13, 7.5, 12.5, 9.5, 19, white);
    // Hand, finger tip at (12, 1).
    Picture hand(32, 32);
    hand.fill(10, 0, 15, 14, black);
    hand.fill(6, 10, 23, 25, black);
    hand.fill(11, 1, 14, 14, white);
    hand.fill(7, 11, 22, 24, white);
    hand.fill(15, 11, 16, 16, black);
    hand.fill(18, 11, 19, 16, black);
    // Text caret, centre at (7, 6): an I-beam.
    Picture caret(32, 32);
    caret.fill(6, 0, 9, 13, black);
    caret.fill(3, 0, 12, 2, black);
    caret.fill(3, 11, 12, 13, black);
    caret.fill(7, 1, 8, 12, white);
    return arrow.save(dir + "/mousearrow.png") && hand.save(dir + "/mousehand.png") &&
           caret.save(dir + "/mousecarret.png");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: guiart <output folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!makeButton(dir) || !makeGui(dir) || !makeCheckbox(dir) || !makeArrows(dir) || !makePointers(dir))
    {
        std::fprintf(stderr, "guiart: cannot write the pictures into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
