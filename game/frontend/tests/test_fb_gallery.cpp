// The gallery of eaten kinds: pages from the totals, paging, the hover effect and the empty list.
#include <gtest/gtest.h>

#include <algorithm>

#include "entitygallery.h"

#include <cstdio>

#include "imagefixtures.h"
#include "wgui_imagemap.h"
#include "screenlinks.h"
#include "wgui_helpers.h"
#include "services/eatenentities.h"
#include "test_fb_fixture.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

using fbtest::FrontEndTest;
using WGUI::Transition;

namespace
{

class GalleryTest : public FrontEndTest
{
protected:
    EntityGallery* build(int kinds)
    {
        makeTotals(kinds);
        activeProfile("ann");
        EntityGallery* g = add(new EntityGallery(access, totals.get()));
        return g;
    }
    void open(EntityGallery* g)
    {
        totals->copyActiveToGallery();
        g->setVisible(true);
        g->setAlwaysActive(true);
    }
    int visiblePages(EntityGallery* g) const
    {
        int n = 0;
        for (int i = 0; i < g->getNumPages(); ++i)
            n += g->getPage(i)->isVisible() ? 1 : 0;
        return n;
    }
};

TEST_F(GalleryTest, PagesHoldEighteenItemsInSixColumns)
{
    struct Case
    {
        int kinds, pages, lastPageItems;
    } cases[] = {{1, 1, 1}, {18, 1, 18}, {19, 2, 1}, {37, 3, 1}};
    for (const Case& c : cases)
    {
        kinds.kinds.clear();
        EntityGallery* g = build(c.kinds);
        EXPECT_EQ(g->getNumPages(), c.pages) << c.kinds;
        EXPECT_EQ(static_cast<int>(g->getPage(c.pages - 1)->getChildren().size()), c.lastPageItems);
        EXPECT_EQ(static_cast<int>(g->getItems().size()), c.kinds);
        EXPECT_EQ(visiblePages(g), 1);
        EXPECT_TRUE(g->getPage(0)->isVisible());
        // Item k sits at column k % 6 (108 px) and row k / 6 (133 px).
        if (c.kinds >= 8)
        {
            GalleryItem* item = g->getItems()[7].get();
            EXPECT_EQ(item->getPixWidth(), 108);
            EXPECT_EQ(item->getPixHeight(), 133);
            EXPECT_EQ(item->getAlignedPixX(), 108);
            EXPECT_EQ(item->getAlignedPixY(), 133);
        }
        open(g);
        EXPECT_STREQ(g->getPageLabel()->getText().c_str(), ("Page 1 of " + std::to_string(c.pages)).c_str());
        g->setAlwaysActive(false);
        g->setVisible(false);
    }
}

TEST_F(GalleryTest, PagingWrapsAndIgnoresClicksDuringASlide)
{
    EntityGallery* g = build(37);
    open(g);
    frames(2);
    g->buttonReleased(g->getNextButton());
    EXPECT_EQ(g->getCurrentPage(), 1);
    ASSERT_NE(g->getPage(0)->getTransition(), nullptr);
    EXPECT_EQ(g->getPage(0)->getTransition()->getType(), Transition::kSlideOut);
    EXPECT_EQ(g->getPage(0)->getTransition()->getType2(), Transition::kOpacityOut);
    g->buttonReleased(g->getNextButton());  // during the slide: ignored
    EXPECT_EQ(g->getCurrentPage(), 1);
    EXPECT_GE(framesUntil([&] { return !g->subWindowTransitioning(); }), 1);
    EXPECT_TRUE(g->getPage(1)->isVisible());
    EXPECT_EQ(visiblePages(g), 1);
    g->buttonReleased(g->getNextButton());
    framesUntil([&] { return !g->subWindowTransitioning(); });
    g->buttonReleased(g->getNextButton());  // past the last page: back to the first
    EXPECT_EQ(g->getCurrentPage(), 0);
    framesUntil([&] { return !g->subWindowTransitioning(); });
    g->buttonReleased(g->getPreviousButton());  // before the first: the last
    EXPECT_EQ(g->getCurrentPage(), 2);
    framesUntil([&] { return !g->subWindowTransitioning(); });
    EXPECT_TRUE(g->getPage(2)->isVisible());
    // The page survives closing and reopening.
    g->buttonReleased(g->getMainMenuButton());
    frames(40);
    open(g);
    EXPECT_EQ(g->getCurrentPage(), 2);
}

TEST_F(GalleryTest, OnePageSlidesOutAndInAgain)
{
    EntityGallery* g = build(5);
    open(g);
    g->buttonReleased(g->getPreviousButton());
    EXPECT_EQ(g->getCurrentPage(), 0);
    EXPECT_GE(framesUntil([&] { return !g->subWindowTransitioning(); }), 1);
    EXPECT_TRUE(g->getPage(0)->isVisible());
}

TEST_F(GalleryTest, EmptyListShowsOnlyTheFrameAndTheWayBack)
{
    EntityGallery* g = build(0);
    EXPECT_EQ(g->getNumPages(), 0);
    open(g);
    frames(2);
    g->buttonReleased(g->getNextButton());
    g->buttonReleased(g->getPreviousButton());
    EXPECT_EQ(g->getCurrentPage(), 0);
    EXPECT_STREQ(g->getPageLabel()->getText().c_str(), "No page");
    WGUI::Window* menu = stub("mainmenu");
    menu->setVisible(false);
    g->buttonReleased(g->getMainMenuButton());
    EXPECT_TRUE(menu->isAlwaysActive());
    EXPECT_FALSE(g->isAlwaysActive());
}

TEST_F(GalleryTest, TitleCountsTheActiveTotalAndCountsShowWithoutRebuilding)
{
    EntityGallery* g = build(3);
    EntityNum* first = totals->getActiveProfile()->getEntityNums()[0];
    first->count = 1234567;
    open(g);
    EXPECT_EQ(g->getItems()[0]->getEntry()->count, 1234567);
    EXPECT_STREQ(g->getTitle().c_str(), "Eaten: 1,234,567");
    EXPECT_EQ(totals->getTotalEntitiesEaten(), 1234567);
    first->count = 2;
    totals->copyActiveToGallery();
    EXPECT_EQ(g->getItems()[0]->getEntry()->count, 2);
}

TEST_F(GalleryTest, HoverGrowsSpinsAndReturnsUpright)
{
    EntityGallery* g = build(1);
    GalleryItem* item = g->getItems()[0].get();
    EXPECT_EQ(item->shownSize(), 43);  // 40 % of 108
    for (int i = 0; i < 5; ++i)
        item->stepHover(0.02, true);
    EXPECT_DOUBLE_EQ(item->getHighlight(), 1.0);
    EXPECT_EQ(item->shownSize(), 86);            // 80 %
    EXPECT_NEAR(item->getAngle(), 351.0, 1e-9);  // a quarter turn a second, clockwise
    item->stepHover(0.02, false);
    EXPECT_NEAR(item->getHighlight(), 0.8, 1e-9);
    // d = 9: angle += (45 + 10) x 0.02 = 1.1, 352.1, not yet within a degree.
    EXPECT_NEAR(item->getAngle(), 352.1, 1e-9);
    for (int i = 0; i < 100 && item->getAngle() != 0; ++i)
        item->stepHover(0.02, false);
    EXPECT_EQ(item->getAngle(), 0.0);
    EXPECT_EQ(item->getHighlight(), 0.0);
}

TEST_F(GalleryTest, OnlyTheShownPagesPicturesStayLoaded)
{
    // 19 kinds, each with a picture map of its own; page 1 holds 18, page 2 one.
    std::string maps = "<imagemaps>";
    std::vector<uint32_t> pixels(16 * 16, 0xFF336699u);
    const std::vector<uint8_t> png = qftest::EncodePngRgba(16, 16, pixels);
    for (int i = 0; i < 19; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "m%02d", i);
        maps += std::string("<imagemap name=\"") + name + "\" filename=\"" + name +
                "\" width=\"16\" height=\"16\"><fullimagecell/></imagemap>";
        writeAsset(std::string("graphics/") + name + ".png", std::string(png.begin(), png.end()));
    }
    maps += "<imagemap name=\"questionmark\" filename=\"m00\" width=\"16\" "
            "height=\"16\"><fullimagecell/></imagemap>";
    maps += "</imagemaps>";
    writeAsset("graphics/imagemaps.xml", maps);
    WGUI::ImageMaps::deleteInstance();

    EntityGallery* g = build(19);
    for (int i = 0; i < 19; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "m%02d", i);
        kinds.kinds[static_cast<size_t>(i)]->map = WGUI::ImageMaps::get(str(name));
        ASSERT_NE(kinds.kinds[static_cast<size_t>(i)]->map, nullptr);
        totals->addEntities(kinds.kinds[static_cast<size_t>(i)].get(), i == 5 ? 0 : 1);
    }
    auto loaded = [&](int i) { return kinds.kinds[static_cast<size_t>(i)]->map->isImageLoaded(); };
    open(g);
    EXPECT_TRUE(loaded(0));
    EXPECT_TRUE(loaded(17));
    EXPECT_FALSE(loaded(5)) << "never eaten: only the question mark is needed";
    EXPECT_FALSE(loaded(18));
    g->buttonReleased(g->getNextButton());
    framesUntil([&] { return !g->subWindowTransitioning(); });
    EXPECT_TRUE(loaded(18));
    EXPECT_FALSE(loaded(1));
    EXPECT_FALSE(loaded(17));
}

TEST(GalleryQuestionMarkTest, EveryTintKeepsAContrastOfThreeToOneWithTheFrame)
{
    auto shownRatio = [](float r, float g, float b, float a)
    {
        float c[3];
        GalleryItem::questionOnFrame(r, g, b, a, c);
        return GalleryItem::contrastRatio(c[0], c[1], c[2], GalleryItem::kFrameR, GalleryItem::kFrameG,
                                          GalleryItem::kFrameB);
    };
    // Any colour a kind may have, pale ones included (white, pale mint), on a grid, at full and
    // at faint opacity.
    for (float a0 : {1.0f, 0.5f, 0.2f})
        for (int ri = 0; ri <= 8; ++ri)
            for (int gi = 0; gi <= 8; ++gi)
                for (int bi = 0; bi <= 8; ++bi)
                {
                    const float r0 = ri / 8.0f, g0 = gi / 8.0f, b0 = bi / 8.0f;
                    float r = r0, g = g0, b = b0, a = a0;
                    GalleryItem::questionTint(r, g, b, a);
                    EXPECT_GE(shownRatio(r, g, b, a), 3.0) << r0 << " " << g0 << " " << b0 << " " << a0;
                    EXPECT_GE(a, a0);
                    // Darkened only, the hue kept: every channel by the same factor.
                    const float top0 = std::max({r0, g0, b0});
                    const float k = top0 > 0 ? std::max({r, g, b}) / top0 : 1;
                    EXPECT_LE(k, 1.0f);
                    EXPECT_NEAR(r, r0 * k, 1e-4);
                    EXPECT_NEAR(g, g0 * k, 1e-4);
                    EXPECT_NEAR(b, b0 * k, 1e-4);
                }
    // A tint dark enough already is left as it is.
    float r = 0.1f, g = 0.3f, b = 0.2f, a = 1.0f;
    GalleryItem::questionTint(r, g, b, a);
    EXPECT_FLOAT_EQ(r, 0.1f);
    EXPECT_FLOAT_EQ(g, 0.3f);
    EXPECT_FLOAT_EQ(b, 0.2f);
    EXPECT_FLOAT_EQ(a, 1.0f);
    // White and pale mint, as the issue found them, were under 3:1 as they were.
    EXPECT_LT(shownRatio(1, 1, 1, 1), 3.0);
    EXPECT_LT(shownRatio(0.7f, 0.9f, 0.7f, 1), 3.0);
    // The ratio itself: black on white is 21, a colour on itself 1.
    EXPECT_NEAR(GalleryItem::contrastRatio(0, 0, 0, 1, 1, 1), 21.0, 1e-9);
    EXPECT_NEAR(GalleryItem::contrastRatio(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f), 1.0, 1e-9);
}

}  // namespace
