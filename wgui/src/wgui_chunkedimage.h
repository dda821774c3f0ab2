// Large pictures stored as several image files, each cut into chunks placed at destination
// points (comic pages, the title and level-select pictures), and the localised text blocks laid
// over a page. Both are described by XML files in the graphics folder.
#pragma once

#include <cstddef>
#include <vector>

#include "foundation/str.h"

class TTextGraphic;

namespace WGUI
{

class ImageMap;
class XmlDocument;

struct ImageMapDstPoint
{
    int x = 0, y = 0;
};
typedef std::vector<ImageMapDstPoint> ImageMapDstPoints;

class ChunkedImage
{
public:
    // Reads graphics folder + filename; a missing file gives an empty picture.
    explicit ChunkedImage(str filename);
    ~ChunkedImage();
    ChunkedImage(const ChunkedImage&) = delete;
    ChunkedImage& operator=(const ChunkedImage&) = delete;

    // The whole picture with its origin at (x, y): every file's chunks, in file order.
    void blitAlphaRectFx(int x, int y, float alpha);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getNumImageMaps() const { return static_cast<int>(maps.size()); }
    ImageMap* getImageMap(int i) const;
    const ImageMapDstPoints* getDstPoints(int i) const;

    // For tests and fuzzing: the same reading from text in memory.
    static ChunkedImage* fromText(const char* text, size_t length);

private:
    ChunkedImage() = default;
    void read(XmlDocument& doc);

    int width = 0, height = 0;
    std::vector<ImageMap*> maps;
    std::vector<ImageMapDstPoints> points;  // parallel to maps, one point per cell
};

class TextOverlayBlock
{
public:
    TextOverlayBlock(str text, str font, int size, int x1, int y1, int x2, int y2, double r, double g,
                     double b, double a, double angle);
    ~TextOverlayBlock();
    TextOverlayBlock(const TextOverlayBlock&) = delete;
    TextOverlayBlock& operator=(const TextOverlayBlock&) = delete;

    void draw(int x, int y, double alpha);

    TTextGraphic* getTextGraphic() const { return text; }
    // The text's box, in pixels from the overlay's top-left (before the rotation).
    int getX1() const { return x1; }
    int getY1() const { return y1; }
    int getX2() const { return x2; }
    int getY2() const { return y2; }
    double getAngle() const { return angle; }
    double getA() const { return a; }

private:
    TTextGraphic* text = nullptr;
    int x1, y1, x2, y2;
    double angle;
    double r, g, b, a;
};

class TextOverlay
{
public:
    // Reads graphics folder + filename; a missing file gives an overlay that draws nothing.
    explicit TextOverlay(str filename);
    ~TextOverlay();
    TextOverlay(const TextOverlay&) = delete;
    TextOverlay& operator=(const TextOverlay&) = delete;

    void draw(int x, int y, double alpha);
    int getNumBlocks() const { return static_cast<int>(blocks.size()); }
    TextOverlayBlock* getBlock(int i) const;

    static TextOverlay* fromText(const char* text, size_t length);

private:
    TextOverlay() = default;
    void read(XmlDocument& doc);

    std::vector<TextOverlayBlock*> blocks;
};

}  // namespace WGUI
