// Scenery tile layers of a level: the kinds of tile from "tiledefs.xml", the grids a level file
// places inside <tilelayers>, and their drawing under or over the entities. Tiles never collide.
#pragma once

#include <map>
#include <vector>

#include "foundation/str.h"
#include "wgui_misc.h"

namespace WGUI
{
class Window;
class ImageMap;
class AnimationDef;
class Animation;
class XmlElement;
}  // namespace WGUI

namespace Game
{

class TileEngine;

class TileDef
{
public:
    TileDef() = default;
    ~TileDef() = default;

    str name;
    WGUI::ImageMap* imageMap = nullptr;          // not owned
    WGUI::AnimationDef* animationDef = nullptr;  // not owned
    int cell = 0;
};

class TileDefs
{
public:
    // Reads "graphics/tiledefs.xml"; a missing file gives an empty table.
    TileDefs();
    ~TileDefs();
    TileDefs(const TileDefs&) = delete;
    TileDefs& operator=(const TileDefs&) = delete;

    void readXML(str path);
    // Null when no definition has the name.
    TileDef* getTileDef(const str& name) const;
    int getSize() const { return static_cast<int>(defs.size()); }

private:
    void clear();
    std::map<str, TileDef*> defs;
};

class Tile
{
public:
    Tile(WGUI::Window* window, TileDef* def, bool flipX, bool flipY, float angle, float r, float g, float b,
         float a);
    ~Tile();
    Tile(const Tile&) = delete;
    Tile& operator=(const Tile&) = delete;

    void update();
    // (x, y): screen pixels of the grid cell's top-left corner.
    void draw(int x, int y);
    void setNeededImages();

    TileDef* getTileDef() const { return def; }
    bool getFlipX() const { return flipX; }
    float getAngle() const { return angle; }
    // The picture draw() would use now: image map, cell and the flips after the animation's.
    void getPicture(WGUI::ImageMap*& map, int& c, bool& fx, bool& fy) const;

private:
    WGUI::ImageMap* imageMap;
    WGUI::Animation* animation = nullptr;
    TileDef* def;
    bool flipX, flipY;
    float angle, red, green, blue, alpha;
    int cell;
};

class TileLayer
{
public:
    // Upper bound on the cells of one layer; larger grids are refused.
    static const int kMaxCells = 1 << 22;

    TileLayer(WGUI::Window* window, TileEngine* engine);
    ~TileLayer();
    TileLayer(const TileLayer&) = delete;
    TileLayer& operator=(const TileLayer&) = delete;

    void readXML(WGUI::XmlElement& element);
    void update();
    void draw();
    void setNeededImages();
    void clearTiles();
    bool isOnTop() const { return onTop; }

    int getTilesWide() const { return tilesWide; }
    int getTileHeight() const { return tileHeight; }
    // Null for an empty cell or outside the grid.
    Tile* getTile(int x, int y) const;
    // The columns and rows draw() visits for the window's current view, end exclusive.
    void visibleRange(int& firstCol, int& lastCol, int& firstRow, int& lastRow) const;

private:
    WGUI::Window* window;
    TileEngine* engine;
    int tilesWide = 0, tilesHigh = 0;
    int tileWidth = 0, tileHeight = 0;
    bool onTop = false;
    WGUI::Array2d<Tile*>* grid = nullptr;
};

class TileEngine
{
public:
    explicit TileEngine(WGUI::Window* window);
    ~TileEngine();
    TileEngine(const TileEngine&) = delete;
    TileEngine& operator=(const TileEngine&) = delete;

    void setLevelDim(int left, int top, int right, int bottom);
    int getLevelLeft() const { return levelLeft; }
    int getLevelTop() const { return levelTop; }
    TileDefs* getTileDefs() const { return tileDefs; }

    void readXML(WGUI::XmlElement& tileLayers);
    void update();
    void drawBottom();
    void drawTop();
    void setNeededImages();

    int getNumLayers() const { return static_cast<int>(layers.size()); }
    TileLayer* getLayer(int i) const;

private:
    void clearLayers();

    WGUI::Window* window;
    TileDefs* tileDefs;
    int levelLeft = 0, levelTop = 0, levelRight = 0, levelBottom = 0;
    std::vector<TileLayer*> layers;
};

}  // namespace Game
