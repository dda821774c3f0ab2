// Shapes: immediate untextured drawing in screen pixels through the framework renderer. Colour
// channels are clamped to [0, 1] and turned into bytes by truncation. No blend mode is set
// here: shapes draw with whatever mode the last blit left.
#pragma once

namespace WGUI
{

class Shapes
{
public:
    static Shapes* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Shapes* createInstance();
    static void deleteInstance();

    // Two triangles (x1, y1) (x2, y1) (x1, y2) / (x2, y1) (x2, y2) (x1, y2).
    static void drawFillRect(double x1, double y1, double x2, double y2, double r, double g, double b,
                             double a);
    // The outer rectangle less the inner one, as four fills.
    static void drawRectCutOut(double x1, double y1, double x2, double y2, double ix1, double iy1, double ix2,
                               double iy2, double r, double g, double b, double a);
    // Only horizontal or vertical lines: the fill (x1, y1)-(x2 + 1, y2 + 1). Others draw nothing.
    static void drawLine(double x1, double y1, double x2, double y2, double r, double g, double b, double a);
    static void drawRectEdge(double x1, double y1, double x2, double y2, double r, double g, double b,
                             double a);
    static void plotPixel(float x, float y, double r, double g, double b, double a);
    static void drawFillCircle(int cx, int cy, int radius, double r, double g, double b, double a);
    static void drawCircleEdge(int cx, int cy, int radius, double r, double g, double b, double a);

private:
    Shapes() = default;
    static Shapes* sInstance;
};

}  // namespace WGUI
