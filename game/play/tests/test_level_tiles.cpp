// Tile layers: the definitions file, filling the grid row by row, empty and unknown cells,
// refused sizes, the visible range, animated flips, and the draw order of the layers.
#include <gtest/gtest.h>

#include <memory>

#include "test_level_fixture.h"
#include "tiles.h"
#include "wgui_animation.h"
#include "wgui_imagemap.h"
#include "wgui_window.h"
#include "wgui_xmldocument.h"

using namespace Game;

using leveltest::LevelFixture;

namespace
{

class TilesTest : public LevelFixture
{
protected:
    void AddAssets(std::map<std::string, std::string>& files) override
    {
        files["graphics/tiledefs.xml"] =
            "<tiledefs><tiledef name=\"dirt\" cell=\"3\"/><tiledef name=\"rock\" cell=\"1\"/>"
            "<tiledef name=\"rock\" cell=\"2\"/><other name=\"x\"/></tiledefs>";
    }
    // The engine reads the <tilelayers> element of the text.
    void Read(TileEngine& engine, const std::string& text)
    {
        doc = std::make_unique<WGUI::XmlDocument>(false);
        ASSERT_TRUE(doc->parseText(text.c_str(), text.size()));
        WGUI::XmlElement root = doc->getRoot();
        engine.readXML(root);
    }
    WGUI::Window window;
    std::unique_ptr<WGUI::XmlDocument> doc;
};

}  // namespace

TEST_F(TilesTest, DefinitionsFile)
{
    TileEngine engine(&window);
    TileDefs* defs = engine.getTileDefs();
    EXPECT_EQ(defs->getSize(), 2);
    ASSERT_NE(defs->getTileDef("dirt"), nullptr);
    EXPECT_EQ(defs->getTileDef("dirt")->cell, 3);
    EXPECT_EQ(defs->getTileDef("rock")->cell, 2);  // the later one replaces
    EXPECT_EQ(defs->getTileDef("x"), nullptr);
}

TEST_F(TilesTest, GridFillsRowByRowWithEmptyCells)
{
    TileEngine engine(&window);
    Read(engine, "<tilelayers><tilelayer tileswide=\"4\" tileshigh=\"2\" tilewidth=\"32\" tileheight=\"16\">"
                 "<tile name=\"dirt\"/><tile name=\"rock\" flipx=\"true\" angle=\"90\"/><tile name=\"null\"/>"
                 "<tile name=\"dirt\"/><tile name=\"dirt\"/><tile/><tile name=\"unknown\"/>"
                 "<tile name=\"dirt\" r=\"0.5\"/></tilelayer><junk/></tilelayers>");
    ASSERT_EQ(engine.getNumLayers(), 1);
    TileLayer* layer = engine.getLayer(0);
    EXPECT_EQ(layer->getTilesWide(), 4);
    EXPECT_EQ(layer->getTileHeight(), 16);
    EXPECT_FALSE(layer->isOnTop());
    const bool filled[2][4] = {{true, true, false, true}, {true, false, false, true}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(layer->getTile(x, y) != nullptr, filled[y][x]) << x << "," << y;
    EXPECT_TRUE(layer->getTile(1, 0)->getFlipX());
    EXPECT_FLOAT_EQ(layer->getTile(1, 0)->getAngle(), 90);
    EXPECT_EQ(layer->getTile(1, 0)->getTileDef()->cell, 2);
    EXPECT_EQ(layer->getTile(9, 9), nullptr);
}

TEST_F(TilesTest, FewerTilesThanCellsAndRefusedSizes)
{
    TileEngine engine(&window);
    Read(engine, "<tilelayers><tilelayer tileswide=\"3\" tileshigh=\"3\" tilewidth=\"8\" tileheight=\"8\">"
                 "<tile name=\"dirt\"/><tile name=\"dirt\"/></tilelayer>"
                 "<tilelayer tileswide=\"-3\" tileshigh=\"3\" tilewidth=\"8\" tileheight=\"8\"><tile "
                 "name=\"dirt\"/></tilelayer>"
                 "<tilelayer tileswide=\"100000\" tileshigh=\"100000\" tilewidth=\"8\" tileheight=\"8\"/>"
                 "</tilelayers>");
    ASSERT_EQ(engine.getNumLayers(), 3);
    EXPECT_NE(engine.getLayer(0)->getTile(1, 0), nullptr);
    EXPECT_EQ(engine.getLayer(0)->getTile(2, 0), nullptr);
    EXPECT_EQ(engine.getLayer(1)->getTilesWide(), 0);
    EXPECT_EQ(engine.getLayer(2)->getTilesWide(), 0);
    engine.drawBottom();  // nothing to draw, nothing read out of the grid
    engine.update();
}

TEST_F(TilesTest, VisibleRangeFollowsTheView)
{
    TileEngine engine(&window);
    engine.setLevelDim(-400, -300, 400, 300);
    Read(engine,
         "<tilelayers><tilelayer tileswide=\"20\" tileshigh=\"20\" tilewidth=\"64\" tileheight=\"64\"/>"
         "</tilelayers>");
    struct Case
    {
        double l, t, r, b;
        int c0, c1, r0, r1;
    };
    const Case cases[] = {
        {-400, -300, 400, 300, 0, 13, 0, 10},
        {-1000, -1000, -500, -500, 0, 0, 0, 0},  // left of the field: offsets truncate to 0
        {0, 0, 100, 100, 6, 8, 4, 7},
        {-400, -300, 5000, 5000, 0, 20, 0, 20},  // clamped to the grid
    };
    for (const Case& c : cases)
    {
        window.setSpriteLeft(c.l);
        window.setSpriteTop(c.t);
        window.setSpriteRight(c.r);
        window.setSpriteBottom(c.b);
        int c0, c1, r0, r1;
        engine.getLayer(0)->visibleRange(c0, c1, r0, r1);
        EXPECT_EQ(c0, c.c0) << c.l;
        EXPECT_EQ(c1, c.c1) << c.l;
        EXPECT_EQ(r0, c.r0) << c.l;
        EXPECT_EQ(r1, c.r1) << c.l;
    }
}

TEST_F(TilesTest, AnimatedTileFlipsAgainstTheFrame)
{
    WGUI::ImageMap map("nothing");
    WGUI::AnimationDef anim;
    anim.addFrame(&map, 4, 1.0, true, false);
    anim.normalizeTimes();
    TileDef def;
    def.animationDef = &anim;
    def.imageMap = nullptr;
    Tile flipped(&window, &def, true, true, 0, 1, 1, 1, 1);
    WGUI::ImageMap* m = nullptr;
    int cell = -1;
    bool fx = true, fy = false;
    flipped.getPicture(m, cell, fx, fy);
    EXPECT_EQ(m, &map);
    EXPECT_EQ(cell, 4);
    EXPECT_FALSE(fx);  // both flipped in x: drawn unflipped
    EXPECT_TRUE(fy);
    TileDef still;
    still.cell = 7;
    Tile plain(&window, &still, false, true, 0, 1, 1, 1, 1);
    plain.getPicture(m, cell, fx, fy);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(cell, 7);
    plain.draw(0, 0);  // no image map: nothing drawn, no failure
}

TEST_F(TilesTest, EachEngineReadsTheDefinitionsAfresh)
{
    TileEngine first(&window);
    EXPECT_EQ(first.getTileDefs()->getTileDef("sand"), nullptr);
    WriteAsset("graphics/tiledefs.xml", "<tiledefs><tiledef name=\"sand\"/></tiledefs>");
    TFile::ScanForResources();
    TileEngine second(&window);
    EXPECT_NE(second.getTileDefs()->getTileDef("sand"), nullptr);
    EXPECT_EQ(second.getTileDefs()->getTileDef("dirt"), nullptr);
}
