// Tile layers: the tile kinds of "tiledefs.xml", a level's grids and their drawing.
#include "tiles.h"

#include "foundation/debug.h"
#include "wgui_animation.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

namespace Game
{

// ---- TileDefs ----

TileDefs::TileDefs()
{
    readXML(WGUI::Pathnames::instance()->getGraphics() + "tiledefs.xml");
}

TileDefs::~TileDefs()
{
    clear();
}

void TileDefs::clear()
{
    for (auto& kv : defs)
        delete kv.second;
    defs.clear();
}

void TileDefs::readXML(str path)
{
    WGUI::XmlDocument doc(path, false);
    if (!doc.isLoadOkay())
        return;
    WGUI::XmlElement root = doc.getRoot();
    if (!root.isValid())
        return;
    root.resetIterateChildren();
    for (WGUI::XmlElement el = root.iterateChildren("tiledef"); el.isValid();
         el = root.iterateChildren("tiledef"))
    {
        TileDef* def = new TileDef();
        el.queryStringAttribute("name", def->name);
        str mapName;
        if (el.queryStringAttribute("imagemap", mapName) == 0)
            def->imageMap = WGUI::ImageMaps::get(mapName);
        str animName;
        if (el.queryStringAttribute("animationdef", animName) == 0)
            def->animationDef = WGUI::AnimationDefs::get(animName);
        el.queryIntAttribute("cell", def->cell);
        auto it = defs.find(def->name);
        if (it != defs.end())
        {
            delete it->second;
            it->second = def;
        }
        else
        {
            defs[def->name] = def;
        }
    }
}

TileDef* TileDefs::getTileDef(const str& name) const
{
    auto it = defs.find(name);
    return it == defs.end() ? nullptr : it->second;
}

// ---- Tile ----

Tile::Tile(WGUI::Window* /*window*/, TileDef* def, bool flipX, bool flipY, float angle, float r, float g,
           float b, float a)
    : imageMap(def ? def->imageMap : nullptr), def(def), flipX(flipX), flipY(flipY), angle(angle), red(r),
      green(g), blue(b), alpha(a), cell(def ? def->cell : 0)
{
    if (def && def->animationDef)
        animation = new WGUI::Animation(nullptr, def->animationDef);
}

Tile::~Tile()
{
    delete animation;
}

void Tile::update()
{
    if (animation)
        animation->update();
}

void Tile::getPicture(WGUI::ImageMap*& map, int& c, bool& fx, bool& fy) const
{
    map = imageMap;
    c = cell;
    fx = flipX;
    fy = flipY;
    if (animation)
    {
        map = animation->getImageMap();
        c = animation->getCellNum();
        // A frame drawn mirrored mirrors the tile's own flip back.
        fx = flipX != animation->getFlipX();
        fy = flipY != animation->getFlipY();
    }
}

void Tile::draw(int x, int y)
{
    WGUI::ImageMap* map;
    int c;
    bool fx, fy;
    getPicture(map, c, fx, fy);
    if (!map)
        return;
    map->setBlitColour(red, green, blue, alpha);
    map->setCell(c);
    map->blitAlphaRectFx(x, y, angle, 1.0f, 1.0f, fx, fy);
}

void Tile::setNeededImages()
{
    if (imageMap)
        imageMap->setNeeded(10000);
    if (animation)
        animation->setNeededImages(10000);
}

// ---- TileLayer ----

TileLayer::TileLayer(WGUI::Window* window, TileEngine* engine) : window(window), engine(engine)
{
}

TileLayer::~TileLayer()
{
    clearTiles();
}

void TileLayer::clearTiles()
{
    if (grid)
    {
        for (int y = 0; y < grid->getHeight(); ++y)
            for (int x = 0; x < grid->getWidth(); ++x)
                delete grid->at(x, y);
        delete grid;
        grid = nullptr;
    }
    tilesWide = tilesHigh = tileWidth = tileHeight = 0;
}

Tile* TileLayer::getTile(int x, int y) const
{
    if (!grid || !grid->inside(x, y))
        return nullptr;
    return grid->at(x, y);
}

void TileLayer::readXML(WGUI::XmlElement& element)
{
    clearTiles();
    element.queryIntAttribute("tileswide", tilesWide);
    element.queryIntAttribute("tileshigh", tilesHigh);
    element.queryIntAttribute("tilewidth", tileWidth);
    element.queryIntAttribute("tileheight", tileHeight);
    element.queryBoolAttribute("ontop", onTop);

    if (tilesWide <= 0 || tilesHigh <= 0 || static_cast<long long>(tilesWide) * tilesHigh > kMaxCells)
    {
        if (tilesWide != 0 || tilesHigh != 0)
            WriteDbg("Tile layer of %d x %d tiles refused\n", tilesWide, tilesHigh);
        tilesWide = tilesHigh = 0;
        grid = new WGUI::Array2d<Tile*>(0, 0, nullptr);
        return;
    }
    grid = new WGUI::Array2d<Tile*>(tilesWide, tilesHigh, nullptr);

    TileDefs* defs = engine ? engine->getTileDefs() : nullptr;
    element.resetIterateChildren();
    for (int y = 0; y < tilesHigh; ++y)
    {
        for (int x = 0; x < tilesWide; ++x)
        {
            WGUI::XmlElement t = element.iterateChildren("tile");
            if (!t.isValid())
                return;  // fewer tiles than cells: the rest stay empty
            str name;
            if (t.queryStringAttribute("name", name) != 0 || name == str("null"))
                continue;
            TileDef* def = defs ? defs->getTileDef(name) : nullptr;
            if (!def)
            {
                WriteDbg("Tile definition %s not found\n", name.c_str());
                continue;
            }
            bool fx = false, fy = false;
            float angle = 0, r = 1, g = 1, b = 1, a = 1;
            t.queryBoolAttribute("flipx", fx);
            t.queryBoolAttribute("flipy", fy);
            t.queryFloatAttribute("angle", angle);
            t.queryFloatAttribute("r", r);
            t.queryFloatAttribute("g", g);
            t.queryFloatAttribute("b", b);
            t.queryFloatAttribute("a", a);
            grid->at(x, y) = new Tile(window, def, fx, fy, angle, r, g, b, a);
        }
    }
}

void TileLayer::update()
{
    if (!grid)
        return;
    for (int y = 0; y < grid->getHeight(); ++y)
        for (int x = 0; x < grid->getWidth(); ++x)
            if (Tile* t = grid->at(x, y))
                t->update();
}

void TileLayer::setNeededImages()
{
    if (!grid)
        return;
    for (int y = 0; y < grid->getHeight(); ++y)
        for (int x = 0; x < grid->getWidth(); ++x)
            if (Tile* t = grid->at(x, y))
                t->setNeededImages();
}

void TileLayer::visibleRange(int& firstCol, int& lastCol, int& firstRow, int& lastRow) const
{
    firstCol = lastCol = firstRow = lastRow = 0;
    if (tileWidth == 0 || tileHeight == 0 || !window)
        return;
    const int left = WGUI::roundToInt(window->getSpriteLeft());
    const int top = WGUI::roundToInt(window->getSpriteTop());
    const int right = WGUI::roundToInt(window->getSpriteRight());
    const int bottom = WGUI::roundToInt(window->getSpriteBottom());
    const long long L = engine ? engine->getLevelLeft() : 0;
    const long long T = engine ? engine->getLevelTop() : 0;
    auto clampTo = [](long long v, int hi) { return static_cast<int>(v < 0 ? 0 : (v > hi ? hi : v)); };
    firstCol = clampTo((left - L) / tileWidth, tilesWide);
    lastCol = clampTo((right - L) / tileWidth + 1, tilesWide);
    firstRow = clampTo((top - T) / tileHeight, tilesHigh);
    lastRow = clampTo((bottom - T) / tileHeight + 1, tilesHigh);
}

void TileLayer::draw()
{
    if (tileWidth == 0 || tileHeight == 0 || !grid || !window)
        return;
    int firstCol, lastCol, firstRow, lastRow;
    visibleRange(firstCol, lastCol, firstRow, lastRow);
    const int L = engine ? engine->getLevelLeft() : 0;
    const int T = engine ? engine->getLevelTop() : 0;
    int y = WGUI::roundToInt(window->spriteToScreenY(static_cast<double>(tileHeight) * firstRow + T));
    const int x0 = WGUI::roundToInt(window->spriteToScreenX(static_cast<double>(tileWidth) * firstCol + L));
    for (int row = firstRow; row < lastRow; ++row)
    {
        int x = x0;
        for (int col = firstCol; col < lastCol; ++col)
        {
            if (Tile* t = grid->at(col, row))
                t->draw(x, y);
            x += tileWidth;
        }
        y += tileHeight;
    }
}

// ---- TileEngine ----

TileEngine::TileEngine(WGUI::Window* window) : window(window), tileDefs(new TileDefs())
{
}

TileEngine::~TileEngine()
{
    clearLayers();
    delete tileDefs;
}

void TileEngine::clearLayers()
{
    for (TileLayer* l : layers)
        delete l;
    layers.clear();
}

void TileEngine::setLevelDim(int left, int top, int right, int bottom)
{
    levelLeft = left;
    levelTop = top;
    levelRight = right;
    levelBottom = bottom;
}

TileLayer* TileEngine::getLayer(int i) const
{
    return (i >= 0 && i < getNumLayers()) ? layers[static_cast<size_t>(i)] : nullptr;
}

void TileEngine::readXML(WGUI::XmlElement& tileLayers)
{
    clearLayers();
    tileLayers.resetIterateChildren();
    for (WGUI::XmlElement el = tileLayers.iterateChildren("tilelayer"); el.isValid();
         el = tileLayers.iterateChildren("tilelayer"))
    {
        TileLayer* layer = new TileLayer(window, this);
        layer->readXML(el);
        layers.push_back(layer);
    }
}

void TileEngine::update()
{
    for (TileLayer* l : layers)
        l->update();
}

void TileEngine::drawBottom()
{
    for (TileLayer* l : layers)
        if (!l->isOnTop())
            l->draw();
}

void TileEngine::drawTop()
{
    for (TileLayer* l : layers)
        if (l->isOnTop())
            l->draw();
}

void TileEngine::setNeededImages()
{
    for (TileLayer* l : layers)
        l->setNeededImages();
}

}  // namespace Game
