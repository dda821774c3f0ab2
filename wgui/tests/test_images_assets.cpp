// The image maps the library itself draws with, as the shipped "graphics/imagemaps.xml"
// declares them: every cell the widgets, the skin and the pointer use exists with the size the
// drawing code assumes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "wgui_imagemap.h"

using namespace WGUI;

namespace
{

std::string ShippedDeclarations()
{
    const char* source = std::getenv("QF_SOURCE_DIR");
    std::ifstream in(std::string(source ? source : ".") + "/assets/graphics/imagemaps.xml");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Registry : ::testing::Test
{
    void SetUp() override
    {
        const std::string text = ShippedDeclarations();
        ASSERT_FALSE(text.empty());
        ImageMaps::instance()->readText(text.data(), text.size());
    }
    void TearDown() override { ImageMaps::deleteInstance(); }

    static void ExpectCell(const char* map, int cell, int w, int h)
    {
        ImageMap* m = ImageMaps::get(map);
        ASSERT_NE(m, nullptr) << map;
        m->setCell(cell);
        EXPECT_EQ(m->getCellWidth(), w) << map << " cell " << cell;
        EXPECT_EQ(m->getCellHeight(), h) << map << " cell " << cell;
    }
};

TEST_F(Registry, TheLibraryMapsHaveTheCellsTheWidgetsDraw)
{
    // Button skin: nine 12-pixel cells per state.
    ASSERT_NE(ImageMaps::get("button"), nullptr);
    EXPECT_EQ(ImageMaps::get("button")->getNumCells(), 36);
    for (int c = 0; c < 36; ++c)
        ExpectCell("button", c, 12, 12);
    // Dialog frame: corners and edges 26 thick, title pieces 30 high.
    for (int c = 0; c < 8; ++c)
        ExpectCell("gui", c, 26, 26);
    for (int c = 8; c < 11; ++c)
    {
        ImageMap* gui = ImageMaps::get("gui");
        gui->setCell(c);
        EXPECT_EQ(gui->getCellHeight(), 30) << c;
    }
    for (int c = 12; c <= 20; ++c)
        ExpectCell("gui", c, 12, 12);
    // Slider: the track pieces no higher than the slider, the knob 26 x 26.
    for (int c = 27; c <= 29; ++c)
    {
        ImageMap* gui = ImageMaps::get("gui");
        gui->setCell(c);
        EXPECT_GT(gui->getCellWidth(), 0) << c;
        EXPECT_LE(gui->getCellHeight(), 26) << c;
    }
    for (int c = 30; c <= 33; ++c)
        ExpectCell("gui", c, 26, 26);
    // Check box: four boxes and the tick, all one size.
    for (int c = 0; c < 5; ++c)
        ExpectCell("checkbox", c, 16, 16);
    // Arrows: eight; the bar sizes come from cells 0 and 4.
    for (int c = 0; c < 8; ++c)
        ExpectCell("arrows", c, 16, 16);
    for (const char* pointer : {"mousearrow", "mousehand", "mousecarret"})
        ExpectCell(pointer, 0, 32, 32);
    // The GUI maps never wait for a need count.
    for (const char* map : {"button", "gui", "checkbox", "arrows", "mousearrow"})
        EXPECT_TRUE(ImageMaps::get(map)->isAlwaysNeeded()) << map;
}

}  // namespace
