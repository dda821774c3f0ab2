// Shapes: untextured drawing in screen pixels.
#include "wgui_shapes.h"

#include <cmath>

#include "foundation/color.h"
#include "foundation/singletons.h"
#include "render/renderer.h"
#include "render/vertexset.h"
#include "wgui_helpers.h"

namespace WGUI
{

Shapes* Shapes::sInstance = nullptr;

Shapes* Shapes::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Shapes");
        sInstance = new Shapes();
    }
    return sInstance;
}

Shapes* Shapes::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Shapes");
    return createInstance();
}

void Shapes::deleteInstance()
{
    qfNoteLifetime("delete", "Shapes");
    delete sInstance;
    sInstance = nullptr;
}

namespace
{

unsigned char channelByte(double c)
{
    boundDouble(c, 0.0, 1.0);
    return static_cast<unsigned char>(static_cast<int>(c * 255));
}

TTransformedLitVert vertex(double x, double y, TColor32 colour)
{
    TTransformedLitVert v;
    v.pos = TVec3(static_cast<float>(x), static_cast<float>(y), 0.1f);
    v.rhw = 0.5f;
    v.color = colour;
    v.specular = TColor32(0, 0, 0, 255);
    return v;
}

}  // namespace

void Shapes::drawFillRect(double x1, double y1, double x2, double y2, double r, double g, double b, double a)
{
    if (!TRenderer::HasInstance())
        return;
    TColor32 colour(channelByte(r), channelByte(g), channelByte(b), channelByte(a));
    TTransformedLitVert verts[6] = {
        vertex(x1, y1, colour), vertex(x2, y1, colour), vertex(x1, y2, colour),
        vertex(x2, y1, colour), vertex(x2, y2, colour), vertex(x1, y2, colour),
    };
    TVertexSet set(verts, 6);
    TRenderer* renderer = TRenderer::GetInstance();
    renderer->SetTexture(nullptr);
    renderer->DrawVertices(TRenderer::kTriangles, set);
}

void Shapes::drawRectCutOut(double x1, double y1, double x2, double y2, double ix1, double iy1, double ix2,
                            double iy2, double r, double g, double b, double a)
{
    drawFillRect(x1, y1, ix1, y2, r, g, b, a);
    drawFillRect(ix2, y1, x2, y2, r, g, b, a);
    drawFillRect(ix1, y1, ix2, iy1, r, g, b, a);
    drawFillRect(ix1, iy2, ix2, y2, r, g, b, a);
}

void Shapes::drawLine(double x1, double y1, double x2, double y2, double r, double g, double b, double a)
{
    if (x1 != x2 && y1 != y2)
        return;
    drawFillRect(x1, y1, x2 + 1, y2 + 1, r, g, b, a);
}

void Shapes::drawRectEdge(double x1, double y1, double x2, double y2, double r, double g, double b, double a)
{
    drawLine(x1, y1, x2 - 1, y1, r, g, b, a);
    drawLine(x1, y2, x2 - 1, y2, r, g, b, a);
    drawLine(x1, y1, x1, y2, r, g, b, a);
    drawLine(x2, y1, x2, y2, r, g, b, a);
}

void Shapes::plotPixel(float x, float y, double r, double g, double b, double a)
{
    drawFillRect(x, y, x + 1, y + 1, r, g, b, a);
}

void Shapes::drawFillCircle(int cx, int cy, int radius, double r, double g, double b, double a)
{
    for (int y = cy - radius; y <= cy + radius - 1; ++y)
    {
        int k = cy - y;
        int half = static_cast<int>(
            std::sqrt(static_cast<double>(radius) * radius - static_cast<double>(k) * k) + 0.5);
        drawLine(cx - half, y, cx + half, y, r, g, b, a);
    }
}

void Shapes::drawCircleEdge(int cx, int cy, int radius, double r, double g, double b, double a)
{
    if (cx + radius < 0 || cy + radius < 0)
        return;
    // A circle of radius 0 (or less) is its centre pixel: the walk below would take the
    // square root of a negative number.
    if (radius <= 0)
    {
        plotPixel(static_cast<float>(cx), static_cast<float>(cy), r, g, b, a);
        return;
    }
    int x = 0;
    int y = radius;
    for (;;)
    {
        plotPixel(cx + x, cy - y, r, g, b, a);
        plotPixel(cx - x, cy - y, r, g, b, a);
        plotPixel(cx + x, cy + y, r, g, b, a);
        plotPixel(cx - x, cy + y, r, g, b, a);
        plotPixel(cx + y, cy - x, r, g, b, a);
        plotPixel(cx - y, cy - x, r, g, b, a);
        plotPixel(cx + y, cy + x, r, g, b, a);
        plotPixel(cx - y, cy + x, r, g, b, a);
        ++x;
        if (x > radius)
            break;
        y = static_cast<int>(std::sqrt(static_cast<double>(radius) * radius - static_cast<double>(x) * x) +
                             0.5);
        if (!(x <= y))
            break;
    }
}

}  // namespace WGUI
