// ChunkedImage (large pictures in chunks) and TextOverlay (text blocks over a page).
#include "wgui_chunkedimage.h"

#include <cstdint>

#include "foundation/color.h"
#include "foundation/debug.h"
#include "foundation/rect.h"
#include "text/textgraphic.h"
#include "wgui_font.h"
#include "wgui_g2support.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

namespace WGUI
{

namespace
{
// Overlay text is laid out in its block's rectangle; sizes from the file are kept within this
// so that a corrupt rectangle cannot ask the layout for an absurd box.
const int64_t kMaxBlockSide = 1 << 16;

// Block corners are page pixels; anything beyond this is corrupt data, kept within reach so
// that the drawing arithmetic stays in range.
const int kMaxCoord = 1 << 24;
int clampCoord(int v)
{
    return v > kMaxCoord ? kMaxCoord : (v < -kMaxCoord ? -kMaxCoord : v);
}

// Positions from files added to screen positions, kept within int.
int addClamped(int a, int b)
{
    const int64_t v = int64_t(a) + b;
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v));
}
}  // namespace

ChunkedImage::ChunkedImage(str filename)
{
    XmlDocument doc(graphicsFolder() + filename, false);
    read(doc);
}

ChunkedImage* ChunkedImage::fromText(const char* text, size_t length)
{
    ChunkedImage* image = new ChunkedImage();
    XmlDocument doc(false);
    if (doc.parseText(text, length))
        image->read(doc);
    return image;
}

ChunkedImage::~ChunkedImage()
{
    for (ImageMap* m : maps)
        delete m;
}

void ChunkedImage::read(XmlDocument& doc)
{
    if (!doc.isLoadOkay())
        return;
    XmlElement root = doc.getRoot();
    if (!root.isValid())
        return;
    root.queryIntAttribute("width", width);
    root.queryIntAttribute("height", height);
    for (XmlElement file = root.iterateChildren("file"); file.isValid(); file = root.iterateChildren("file"))
    {
        str name;
        if (file.queryStringAttribute("name", name) != 0)
        {
            WriteDbg("chunked image: a file without a name is skipped\n");
            continue;
        }
        ImageMap* map = new ImageMap(name);
        ImageMapDstPoints dst;
        file.resetIterateChildren();
        for (XmlElement chunk = file.iterateChildren("chunk"); chunk.isValid();
             chunk = file.iterateChildren("chunk"))
        {
            int sx1, sy1, sx2, sy2;
            ImageMapDstPoint p;
            if (chunk.queryIntAttribute("srcX1", sx1) != 0 || chunk.queryIntAttribute("srcY1", sy1) != 0 ||
                chunk.queryIntAttribute("srcX2", sx2) != 0 || chunk.queryIntAttribute("srcY2", sy2) != 0 ||
                chunk.queryIntAttribute("dstX", p.x) != 0 || chunk.queryIntAttribute("dstY", p.y) != 0)
            {
                WriteDbg("chunked image: %s: a chunk lacking an attribute is skipped\n", name.c_str());
                continue;
            }
            map->addCell(sx1, sy1, sx2, sy2);
            dst.push_back(p);
        }
        map->setAlwaysNeeded(true);
        map->loadNeeded();
        maps.push_back(map);
        points.push_back(dst);
    }
}

ImageMap* ChunkedImage::getImageMap(int i) const
{
    return (i >= 0 && i < static_cast<int>(maps.size())) ? maps[static_cast<size_t>(i)] : nullptr;
}

const ImageMapDstPoints* ChunkedImage::getDstPoints(int i) const
{
    return (i >= 0 && i < static_cast<int>(points.size())) ? &points[static_cast<size_t>(i)] : nullptr;
}

void ChunkedImage::blitAlphaRectFx(int x, int y, float alpha)
{
    for (size_t m = 0; m < maps.size(); ++m)
    {
        ImageMap* map = maps[m];
        const ImageMapDstPoints& dst = points[m];
        for (size_t c = 0; c < dst.size(); ++c)
        {
            map->setCell(static_cast<int>(c));
            map->blitAlphaRectFx(addClamped(x, dst[c].x), addClamped(y, dst[c].y), 0.0f, 1.0f, alpha, false,
                                 false);
        }
    }
}

// ---------------------------------------------------------------------------------------------

TextOverlayBlock::TextOverlayBlock(str t, str font, int size, int ax1, int ay1, int ax2, int ay2, double ar,
                                   double ag, double ab, double aa, double aangle)
    : x1(clampCoord(ax1)), y1(clampCoord(ay1)), x2(clampCoord(ax2)), y2(clampCoord(ay2)), angle(aangle),
      r(ar), g(ag), b(ab), a(aa)
{
    int64_t w = int64_t(x2) - x1, h = int64_t(y2) - y1;
    if (w < 0 || h < 0 || w > kMaxBlockSide || h > kMaxBlockSide)
        WriteDbg("text overlay: block rectangle %d,%d - %d,%d is limited\n", x1, y1, x2, y2);
    w = w < 0 ? 0 : (w > kMaxBlockSide ? kMaxBlockSide : w);
    h = h < 0 ? 0 : (h > kMaxBlockSide ? kMaxBlockSide : h);
    text = TTextGraphic::Create(
        t, static_cast<unsigned>(w), static_cast<unsigned>(h),
        TTextGraphic::kCenter | TTextGraphic::kVerticalCenter, font.c_str(),
        static_cast<unsigned>(size > 0 ? size : 1),
        TColor(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), static_cast<float>(a)));
}

TextOverlayBlock::~TextOverlayBlock()
{
    TTextGraphic::Destroy(text);
}

// Turned by 360 - angle degrees about the centre of the block's rectangle.
void TextOverlayBlock::draw(int x, int y, double alpha)
{
    if (!text)
        return;
    text->SetColor(TColor(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                          static_cast<float>(a * alpha)));
    const int64_t cx = (int64_t(x2) - x1) / 2, cy = (int64_t(y2) - y1) / 2;
    text->SetRotation(static_cast<float>(360.0 - angle),
                      static_cast<unsigned>(cx < 0 ? 0 : (cx > kMaxBlockSide ? kMaxBlockSide : cx)),
                      static_cast<unsigned>(cy < 0 ? 0 : (cy > kMaxBlockSide ? kMaxBlockSide : cy)));
    const int left = addClamped(x, x1), top = addClamped(y, y1);
    text->Draw(TRect(left, top, addClamped(x, 10000), addClamped(y, 10000)), 1.0f, 0, 1.0f, nullptr);
}

TextOverlay::TextOverlay(str filename)
{
    XmlDocument doc(graphicsFolder() + filename, false);
    read(doc);
}

TextOverlay* TextOverlay::fromText(const char* text, size_t length)
{
    TextOverlay* overlay = new TextOverlay();
    XmlDocument doc(false);
    if (doc.parseText(text, length))
        overlay->read(doc);
    return overlay;
}

TextOverlay::~TextOverlay()
{
    for (TextOverlayBlock* b : blocks)
        delete b;
}

void TextOverlay::draw(int x, int y, double alpha)
{
    for (TextOverlayBlock* b : blocks)
        b->draw(x, y, alpha);
}

TextOverlayBlock* TextOverlay::getBlock(int i) const
{
    return (i >= 0 && i < static_cast<int>(blocks.size())) ? blocks[static_cast<size_t>(i)] : nullptr;
}

void TextOverlay::read(XmlDocument& doc)
{
    if (!doc.isLoadOkay())
        return;
    XmlElement root = doc.getRoot();
    if (!root.isValid())
        return;
    // The font of the manager's root window (the library's font when there is no manager).
    Font* font = nullptr;
    if (Manager::hasInstance() && Manager::instance()->getRoot())
        font = Manager::instance()->getRoot()->getFont();
    if (!font)
        font = Fonts::getFont(0);
    const str fontName = font ? font->getFontName() : str();
    for (XmlElement el = root.iterateChildren("block"); el.isValid(); el = root.iterateChildren("block"))
    {
        str id;
        double angle = 0, r = 0, g = 0, b = 0, a = 1.0;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        el.queryStringAttribute("id", id);
        el.queryDoubleAttribute("angle", angle);
        el.queryIntAttribute("x1", x1);
        el.queryIntAttribute("y1", y1);
        el.queryIntAttribute("x2", x2);
        el.queryIntAttribute("y2", y2);
        el.queryDoubleAttribute("r", r);
        el.queryDoubleAttribute("g", g);
        el.queryDoubleAttribute("b", b);
        el.queryDoubleAttribute("a", a);
        const str text = StringTable::instance()->getString(id);
        blocks.push_back(new TextOverlayBlock(text, fontName, 14, x1, y1, x2, y2, r, g, b, a, angle));
    }
}

}  // namespace WGUI
