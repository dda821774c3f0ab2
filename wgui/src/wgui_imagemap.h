// Image maps: a named picture cut into rectangular cells, loaded while something needs it, with
// hand-made mip levels for small draws and a blit state (cell, colour, alpha, blend, clip) that
// the following blits use. Every map of the game is declared in "imagemaps.xml" in the graphics
// folder and held by the ImageMaps registry under its name.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "app/task.h"
#include "foundation/str.h"

class TTexture;

namespace WGUI
{

// A cell in picture pixels; x2 and y2 are exclusive.
struct Cell
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Cell() {}
    Cell(int ax1, int ay1, int ax2, int ay2) : x1(ax1), y1(ay1), x2(ax2), y2(ay2) {}
    int getWidth() const { return x2 - x1; }
    int getHeight() const { return y2 - y1; }
};

class ImageMap
{
public:
    explicit ImageMap(str filename);
    ~ImageMap();
    ImageMap(const ImageMap&) = delete;
    ImageMap& operator=(const ImageMap&) = delete;

    // Declared picture size (-1 when not declared); grids and full-image cells are cut from it.
    void setDim(int w, int h);
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    void setAlwaysNeeded(bool on) { alwaysNeeded = on; }
    bool isAlwaysNeeded() const { return alwaysNeeded; }
    void setAutoMipMapLevels(int levels) { autoMipMapLevels = levels; }
    int getAutoMipMapLevels() const { return autoMipMapLevels; }
    str getFileName() const { return fileName; }

    // Cells, in the order added. A grid with a non-positive pitch adds nothing.
    void addCell(int x1, int y1, int x2, int y2);
    void addFullImageCell();
    void cellGrid(int w, int h, int number);
    void cellGridPadded(int w, int h, int number);
    int getNumCells() const { return static_cast<int>(cells.size()); }
    const Cell* getCellAt(int index) const;

    // The current cell; an index outside the list selects "nothing" (size 0, blits draw nothing).
    void setCell(int index) { currentCell = index; }
    int getCell() const { return currentCell; }
    int getCellWidth() const;
    int getCellHeight() const;

    // Blit state.
    void setBlitColour(float r, float g, float b, float alpha);
    void setNormalBlending() { blendMode = 0; }
    void setAdditiveBlending() { blendMode = 1; }
    int getBlendMode() const { return blendMode; }
    void setClip(bool on, int x1, int y1, int x2, int y2);
    bool isClipOn() const { return clipOn; }
    float getBlitR() const { return colR; }

    // Need counting and loading.
    void setNeeded(int n);
    int getNeeded() const { return needCount; }
    void loadNeeded();
    void unloadUneeded();
    // A window that shows this map's picture for a while: needed and loaded now; let go (its
    // textures freed unless it is always needed) when the window no longer shows it.
    void hold();
    void release();
    bool isImageLoaded() const;
    void refreshMipMaps();
    // Levels present (level 0 plus the mip levels that could be built).
    int getNumLevels() const { return static_cast<int>(textures.size()); }
    std::shared_ptr<TTexture> getTexture(int level) const;

    // Blits of the current cell (see the .cpp for the geometry).
    void blitAlphaRect(int x, int y, bool flipx, bool flipy);
    void blitAlphaRectFx(int x, int y, float angle, float scale, float alpha, bool flipx, bool flipy);
    void blitAlphaRectFxMip(int x, int y, float angle, float scale, float alpha, bool flipx, bool flipy);
    void blitAlphaRectFxFMip(float x, float y, float angle, float scale, float alpha, bool flipx, bool flipy);
    void stretchAlphaRect(float, float, float, float, float, float, bool, bool) {}
    // The current cell (clipped like the other blits) stretched over (x1, y1)-(x2, y2), with
    // the map's colour and alpha x the blit alpha; widgets with a set size draw with it.
    void stretchBlit(int x1, int y1, int x2, int y2, float alpha);

    // Source rectangle (sx1, sy1, sx2, sy2) and destination top-left of the current cell drawn
    // at (x, y) after clipping; false when nothing is left to draw.
    bool getCoords(int x, int y, int& sx1, int& sy1, int& sx2, int& sy2, int& dx, int& dy) const;
    // The level a mip blit at this scale uses and its factor (1, 2, 4, ...); -1 when no level
    // is loaded.
    int chooseMipLevel(float scale, int& factor) const;

private:
    void loadPicture();
    void cutGrid(int w, int h, int border, int number);
    void createMipMaps();
    void tBlitAlphaRectFxF(const std::shared_ptr<TTexture>& texture, int sx1, int sy1, int sx2, int sy2,
                           float x, float y, float angle, float scale, float alpha, bool flipx, bool flipy);
    void mipBlit(float x, float y, float angle, float scale, float alpha, bool flipx, bool flipy);

    str fileName;
    std::vector<std::shared_ptr<TTexture>> textures;
    float colR = 1.0f, colG = 1.0f, colB = 1.0f, colA = 1.0f;
    float blitAlpha = 1.0f;
    int blendMode = 0;
    int width = -1, height = -1;
    int needCount = 0;
    bool alwaysNeeded = false;
    int autoMipMapLevels = 0;
    int currentCell = -1;
    std::vector<Cell> cells;
    bool clipOn = false;
    int clipX1 = 0, clipY1 = 0, clipX2 = 0, clipY2 = 0;
};

// A nine-cell frame drawn over (left, top)-(right, bottom): the centre tiled inside the
// borders, the four corners, then the four edges tiled between the corners, each run clipped to
// its band. cells: top-left, top-right, bottom-right, bottom-left, top, right, bottom and left
// edges, centre; borders: left, right, top, bottom. Pieces without pixels are skipped.
void drawNineCells(ImageMap* map, const int cells[9], const int borders[4], int left, int top, int right,
                   int bottom, float alpha);

// The registry of every declared map, by name. It is a task so that the platform can hand it
// texture-restored notices; its DoTask rebuilds every map's mip levels.
class ImageMaps : public TTask
{
public:
    static ImageMaps* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static ImageMaps* createInstance();
    static void deleteInstance();

    // The map of that name, or null for a name that was never declared.
    static ImageMap* get(str name);

    void setAllNeeded(int n);
    void loadUnloadNeeded();
    void refreshMipMaps();
    bool DoTask() override;

    // Reads a declaration file (graphics folder relative file name) into the registry; a later
    // declaration of a name replaces the earlier one. Public for tests and tools.
    void readFile(str path);
    // The same from XML text in memory.
    void readText(const char* text, size_t length);
    int getNumMaps() const { return static_cast<int>(maps.size()); }
    const std::map<str, ImageMap*>& getMaps() const { return maps; }

    ~ImageMaps() override;

private:
    ImageMaps();
    void readDocument(class XmlDocument& doc);
    void addMap(const str& name, ImageMap* map);

    std::map<str, ImageMap*> maps;
    bool registered = false;
    static ImageMaps* sInstance;
};

}  // namespace WGUI
