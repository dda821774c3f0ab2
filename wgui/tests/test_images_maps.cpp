// Image maps: declarations, cell grids, need counts, loading and unloading, hand-made mip
// levels, blit geometry through the recording display handler, and bad data from files.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "render/texture.h"
#include "test_widgets_fixture.h"
#include "wgui_imagemap.h"

using namespace WGUI;
using wguitest::Quad;

namespace
{

struct CellWant
{
    int x1, y1, x2, y2;
};

std::vector<CellWant> CellsOf(const ImageMap& m)
{
    std::vector<CellWant> out;
    for (int i = 0; i < m.getNumCells(); ++i)
    {
        const Cell* c = m.getCellAt(i);
        out.push_back({c->x1, c->y1, c->x2, c->y2});
    }
    return out;
}

TEST(ImageMapCells, GridsCutRowByRowFromTheDeclaredSize)
{
    ImageMap grid("g");
    grid.setDim(256, 64);
    grid.cellGrid(32, 32, 10);
    ASSERT_EQ(grid.getNumCells(), 10);
    for (int i = 0; i < 8; ++i)
    {
        const Cell* c = grid.getCellAt(i);
        EXPECT_EQ(c->x1, 32 * i);
        EXPECT_EQ(c->y1, 0);
        EXPECT_EQ(c->x2, 32 * i + 32);
        EXPECT_EQ(c->y2, 32);
    }
    EXPECT_EQ(grid.getCellAt(8)->x1, 0);
    EXPECT_EQ(grid.getCellAt(8)->y1, 32);
    EXPECT_EQ(grid.getCellAt(9)->x1, 32);

    ImageMap padded("p");
    padded.setDim(64, 32);
    padded.cellGridPadded(30, 30, -1);
    std::vector<CellWant> cells = CellsOf(padded);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].x1, 1);
    EXPECT_EQ(cells[0].y1, 1);
    EXPECT_EQ(cells[0].x2, 31);
    EXPECT_EQ(cells[0].y2, 31);
    EXPECT_EQ(cells[1].x1, 33);
    EXPECT_EQ(cells[1].x2, 63);

    ImageMap full("f");
    full.setDim(40, 20);
    full.addFullImageCell();
    full.addCell(1, 2, 3, 4);
    ASSERT_EQ(full.getNumCells(), 2);
    EXPECT_EQ(full.getCellAt(0)->x2, 40);
    EXPECT_EQ(full.getCellAt(0)->y2, 20);
    EXPECT_EQ(full.getCellAt(1)->y2, 4);
}

TEST(ImageMapCells, BadGridsAddNothingAndHugeOnesAreBounded)
{
    struct Case
    {
        int width, height, w, h, number;
        bool padded;
        int want;
    } cases[] = {
        {64, 64, 0, 32, -1, false, 0},     // zero pitch
        {64, 64, 32, -5, -1, false, 0},    // negative pitch
        {64, 64, -2, 30, -1, true, 0},     // padded pitch 0
        {-1, -1, 8, 8, -1, false, 0},      // size not declared
        {64, 64, 32, 32, 0, false, 0},     // none asked for
        {64, 64, 32, 32, 99, false, 4},    // more asked for than there are
        {64, 64, 100, 100, -1, false, 0},  // cells larger than the picture
        {2000000000, 2000000000, 1, 1, -1, false, 65536},
    };
    for (const Case& c : cases)
    {
        ImageMap m("x");
        m.setDim(c.width, c.height);
        if (c.padded)
            m.cellGridPadded(c.w, c.h, c.number);
        else
            m.cellGrid(c.w, c.h, c.number);
        EXPECT_EQ(m.getNumCells(), c.want) << c.width << " " << c.w << " " << c.number;
    }
}

TEST(ImageMapCells, ACellOutsideTheListHasNoSizeAndNoCoordinates)
{
    ImageMap m("x");
    m.addCell(0, 0, 10, 10);
    for (int cell : {-1, 1, 1000})
    {
        m.setCell(cell);
        EXPECT_EQ(m.getCellWidth(), 0);
        EXPECT_EQ(m.getCellHeight(), 0);
        int a, b, c, d, e, f;
        EXPECT_FALSE(m.getCoords(0, 0, a, b, c, d, e, f));
    }
}

TEST(ImageMapNeeds, PositiveNeedsKeepTheLargestAndOthersSet)
{
    ImageMap m("x");
    m.setNeeded(5);
    m.setNeeded(3);
    EXPECT_EQ(m.getNeeded(), 5);
    m.setNeeded(0);
    EXPECT_EQ(m.getNeeded(), 0);
    m.setNeeded(-2);
    EXPECT_EQ(m.getNeeded(), -2);
    m.setNeeded(1);
    EXPECT_EQ(m.getNeeded(), 1);
}

TEST(ImageMapBlits, ClipMovesDestinationAndSourceTogether)
{
    ImageMap m("x");
    m.addCell(10, 20, 50, 40);  // 40 x 20
    m.setCell(0);
    int sx1, sy1, sx2, sy2, dx, dy;
    ASSERT_TRUE(m.getCoords(100, 50, sx1, sy1, sx2, sy2, dx, dy));
    EXPECT_EQ(sx1, 10);
    EXPECT_EQ(sx2, 50);
    EXPECT_EQ(dx, 100);
    // A clip that ends 10 pixels into the cell keeps its left 10 pixels at the same place.
    m.setClip(true, 0, 0, 110, 1000);
    ASSERT_TRUE(m.getCoords(100, 50, sx1, sy1, sx2, sy2, dx, dy));
    EXPECT_EQ(sx1, 10);
    EXPECT_EQ(sx2, 20);
    EXPECT_EQ(dx, 100);
    // From the other side, and from above.
    m.setClip(true, 130, 55, 1000, 1000);
    ASSERT_TRUE(m.getCoords(100, 50, sx1, sy1, sx2, sy2, dx, dy));
    EXPECT_EQ(sx1, 40);
    EXPECT_EQ(sy1, 25);
    EXPECT_EQ(dx, 130);
    EXPECT_EQ(dy, 55);
    // Clipped away entirely.
    m.setClip(true, 200, 0, 300, 1000);
    EXPECT_FALSE(m.getCoords(100, 50, sx1, sy1, sx2, sy2, dx, dy));
    // Extreme positions do not overflow.
    m.setClip(true, -2147483647, -2147483647, 2147483647, 2147483647);
    EXPECT_TRUE(m.getCoords(2147483600, 0, sx1, sy1, sx2, sy2, dx, dy));
}

class ImageMaps_ : public wguitest::ImageFixture
{
protected:
    void Declare(const std::string& xml) { WriteAsset("graphics/imagemaps.xml", xml); }
};

TEST_F(ImageMaps_, DeclarationsNeedANameAndAFileAndLaterOnesReplaceEarlierOnes)
{
    Declare("<imagemaps>"
            "<imagemap name=\"a\" filename=\"pa\" width=\"64\" height=\"32\">"
            "<cellgrid width=\"32\" height=\"32\"/><cell x1=\"1\" y1=\"2\" x2=\"3\"/>"
            "<cell x1=\"1\" y1=\"2\" x2=\"3\" y2=\"4\"/><fullimagecell/></imagemap>"
            "<imagemap filename=\"nameless\"/>"
            "<imagemap name=\"nofile\"/>"
            "<imagemap name=\"b\" filename=\"first\"/>"
            "<imagemap name=\"b\" filename=\"second\" automipmaplevels=\"-3\"/>"
            "</imagemaps>");
    ImageMap* a = ImageMaps::get("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getNumCells(), 4);  // two grid cells, one cell (the incomplete one adds none), full
    EXPECT_EQ(a->getCellAt(3)->x2, 64);
    EXPECT_EQ(ImageMaps::get("nofile"), nullptr);
    ASSERT_NE(ImageMaps::get("b"), nullptr);
    EXPECT_EQ(std::string(ImageMaps::get("b")->getFileName().c_str()), "second");
    EXPECT_EQ(ImageMaps::get("b")->getAutoMipMapLevels(), 0);
    EXPECT_EQ(ImageMaps::instance()->getNumMaps(), 2);
}

TEST_F(ImageMaps_, UnknownNamesGiveNullAndAreNotEntered)
{
    Declare("<imagemaps><imagemap name=\"a\" filename=\"pa\"/></imagemaps>");
    EXPECT_EQ(ImageMaps::get("nosuchmap"), nullptr);
    EXPECT_EQ(ImageMaps::get("nosuchmap"), nullptr);
    EXPECT_EQ(ImageMaps::instance()->getNumMaps(), 1);
    // Walks over the registry are safe after unknown look-ups.
    ImageMaps::instance()->setAllNeeded(1);
    ImageMaps::instance()->loadUnloadNeeded();
    ImageMaps::instance()->refreshMipMaps();
    EXPECT_TRUE(ImageMaps::instance()->DoTask());
}

TEST_F(ImageMaps_, AMissingFileLeavesTheRegistryEmpty)
{
    EXPECT_EQ(ImageMaps::get("button"), nullptr);
    EXPECT_EQ(ImageMaps::instance()->getNumMaps(), 0);
}

TEST_F(ImageMaps_, AlwaysNeededMapsLoadAtOnceAndOthersFollowTheirNeeds)
{
    WritePicture("always", 32, 32);
    WritePicture("sometimes", 16, 16);
    Declare("<imagemaps>"
            "<imagemap name=\"always\" filename=\"always\" alwaysneeded=\"true\"/>"
            "<imagemap name=\"sometimes\" filename=\"sometimes\"/>"
            "<imagemap name=\"missing\" filename=\"nopicture\"/>"
            "</imagemaps>");
    ImageMap* always = ImageMaps::get("always");
    ImageMap* sometimes = ImageMaps::get("sometimes");
    ImageMap* missing = ImageMaps::get("missing");
    ASSERT_TRUE(always && sometimes && missing);
    EXPECT_TRUE(always->isImageLoaded());
    EXPECT_EQ(always->getNeeded(), 10000);
    EXPECT_FALSE(sometimes->isImageLoaded());

    sometimes->setNeeded(1);
    missing->setNeeded(1);
    ImageMaps::instance()->loadUnloadNeeded();
    EXPECT_TRUE(sometimes->isImageLoaded());
    EXPECT_FALSE(missing->isImageLoaded());
    EXPECT_EQ(sometimes->getCell(), -1);
    EXPECT_FALSE(sometimes->isClipOn());

    ImageMaps::instance()->setAllNeeded(0);
    ImageMaps::instance()->loadUnloadNeeded();
    EXPECT_FALSE(sometimes->isImageLoaded());
    EXPECT_TRUE(always->isImageLoaded());
}

TEST_F(ImageMaps_, AJpegTakesItsMaskFromTheFirstMaskFileFound)
{
    qftest::TImageFixture jpg = qftest::MakeJpegFixture(qftest::kJpegBaseline, 16, 16);
    WriteAsset("graphics/pic.jpg", jpg.bytes);
    std::vector<uint32_t> maskWords(256, 0xFF000000u);  // red 0: fully transparent
    WriteAsset("graphics/picmask.png", qftest::EncodePngRgba(16, 16, maskWords));
    Declare("<imagemaps><imagemap name=\"p\" filename=\"pic\" alwaysneeded=\"true\"/></imagemaps>");
    ImageMap* p = ImageMaps::get("p");
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(p->isImageLoaded());
    std::shared_ptr<TTexture> t = p->getTexture(0);
    TColor32* pixels = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(t->Lock(&pixels, &pitch));
    EXPECT_EQ(pixels[5 * pitch + 5].Alpha(), 0);
    t->Unlock();
}

TEST_F(ImageMaps_, MipLevelsAreRoundedMeansAndStopWhereThePictureEnds)
{
    // 4 x 4; the top-left 2 x 2 block has red 1, 2, 2, 2.
    std::vector<uint32_t> words(16, 0xFF000000u);
    words[0] = 0xFF010000u;
    words[1] = 0xFF020000u;
    words[4] = 0xFF020000u;
    words[5] = 0xFF020000u;
    words[2] = 0xFF00FF00u;  // green 255, 0, 0, 0 -> 64 (257 / 4 rounded down is 64)
    WriteAsset("graphics/mip.png", qftest::EncodePngRgba(4, 4, words));
    Declare("<imagemaps><imagemap name=\"m\" filename=\"mip\" width=\"4\" height=\"4\" "
            "automipmaplevels=\"10\" alwaysneeded=\"true\"><fullimagecell/></imagemap></imagemaps>");
    ImageMap* m = ImageMaps::get("m");
    ASSERT_NE(m, nullptr);
    // 4 x 4, 2 x 2, 1 x 1: a fourth level would have no pixels.
    ASSERT_EQ(m->getNumLevels(), 3);
    std::shared_ptr<TTexture> l1 = m->getTexture(1);
    ASSERT_TRUE(l1);
    EXPECT_EQ(l1->GetWidth(), 2u);
    TColor32* px = nullptr;
    unsigned pitch = 0;
    ASSERT_TRUE(l1->Lock(&px, &pitch));
    EXPECT_EQ(px[0].Red(), 2);
    EXPECT_EQ(px[1].Green(), 64);
    EXPECT_EQ(px[1].Alpha(), 255);
    l1->Unlock();
    EXPECT_EQ(m->getTexture(2)->GetWidth(), 1u);

    // Rebuilt in place.
    const TTexture* before = m->getTexture(1).get();
    m->refreshMipMaps();
    EXPECT_EQ(m->getTexture(1).get(), before);
}

TEST_F(ImageMaps_, MipChoiceFollowsTheScale)
{
    WritePicture("mip", 64, 64);
    Declare("<imagemaps><imagemap name=\"m\" filename=\"mip\" width=\"64\" height=\"64\" "
            "automipmaplevels=\"2\" alwaysneeded=\"true\"><cellgrid width=\"32\" height=\"32\"/>"
            "</imagemap></imagemaps>");
    ImageMap* m = ImageMaps::get("m");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->getNumLevels(), 3);
    struct Case
    {
        float scale;
        int level, factor;
    } cases[] = {{1.0f, 0, 1}, {0.5f, 0, 1}, {0.3f, 1, 2}, {0.25f, 1, 2}, {0.2f, 2, 4}, {0.01f, 2, 4}};
    for (const Case& c : cases)
    {
        int f = 0;
        EXPECT_EQ(m->chooseMipLevel(c.scale, f), c.level) << c.scale;
        EXPECT_EQ(f, c.factor) << c.scale;
    }

    // A blit at 0.3 draws level 1: the source halved, the scale doubled, centred on the cell.
    m->setCell(0);
    BeginFrame();
    m->blitAlphaRectFxMip(100, 100, 0.0f, 0.3f, 1.0f, false, false);
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].texture, m->getTexture(1).get());
    EXPECT_NEAR(q[0].maxX() - q[0].minX(), 32 * 0.3f, 0.01f);
    EXPECT_NEAR((q[0].maxX() + q[0].minX()) / 2, 116.0f, 0.01f);
    EXPECT_NEAR((q[0].maxY() + q[0].minY()) / 2, 116.0f, 0.01f);
}

TEST_F(ImageMaps_, BlitsDrawTheCellWithTheBlitStateAndNothingWithoutAPicture)
{
    WritePicture("pic", 64, 64);
    Declare("<imagemaps><imagemap name=\"p\" filename=\"pic\" width=\"64\" height=\"64\" "
            "alwaysneeded=\"true\"><cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"20\"/></imagemap>"
            "<imagemap name=\"gone\" filename=\"nothing\" alwaysneeded=\"true\">"
            "<cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"20\"/></imagemap></imagemaps>");
    ImageMap* p = ImageMaps::get("p");
    ASSERT_TRUE(p && p->isImageLoaded());

    BeginFrame();
    p->blitAlphaRect(10, 10, false, false);  // cell -1 after loading: nothing
    EndFrame();
    EXPECT_TRUE(Quads().empty());

    p->setCell(0);
    p->setBlitColour(1.0f, 0.5f, 0.0f, 0.5f);
    BeginFrame();
    p->blitAlphaRectFx(100, 50, 0.0f, 1.0f, 0.5f, false, false);
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_FLOAT_EQ(q[0].minX(), 100);
    EXPECT_FLOAT_EQ(q[0].maxX(), 140);
    EXPECT_FLOAT_EQ(q[0].minY(), 50);
    EXPECT_FLOAT_EQ(q[0].maxY(), 70);
    EXPECT_EQ(q[0].color.Red(), 255);
    EXPECT_EQ(q[0].color.Green(), 127);
    EXPECT_EQ(q[0].color.Alpha(), 63);  // 0.5 x 0.5 of 255, truncated

    // A quarter turn stays centred on the cell: 20 wide, 40 high about (120, 60).
    BeginFrame();
    p->blitAlphaRectFx(100, 50, 90.0f, 1.0f, 1.0f, false, false);
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 110, 0.01);
    EXPECT_NEAR(q[0].maxX(), 130, 0.01);
    EXPECT_NEAR(q[0].minY(), 40, 0.01);
    EXPECT_NEAR(q[0].maxY(), 80, 0.01);

    // Scale about the centre.
    BeginFrame();
    p->blitAlphaRectFx(100, 50, 0.0f, 0.5f, 1.0f, false, false);
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 110, 0.01);
    EXPECT_NEAR(q[0].maxX(), 130, 0.01);

    // Flipped horizontally: the first corner (the cell's top-left) lands on the right.
    BeginFrame();
    p->blitAlphaRect(0, 0, true, false);
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_GT(q[0].x[0], q[0].x[1]);

    // Additive blending reaches the renderer.
    p->setAdditiveBlending();
    BeginFrame();
    p->blitAlphaRect(0, 0, false, false);
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].blendMode, TRenderer::kBlendAdditive);
    p->setNormalBlending();

    ImageMap* gone = ImageMaps::get("gone");
    ASSERT_NE(gone, nullptr);
    gone->setCell(0);
    BeginFrame();
    gone->blitAlphaRect(0, 0, false, false);
    gone->blitAlphaRectFxMip(0, 0, 0, 0.5f, 1, false, false);
    gone->blitAlphaRectFxFMip(0, 0, 0, 0.5f, 1, false, false);
    gone->stretchBlit(0, 0, 10, 10, 1);
    EndFrame();
    EXPECT_TRUE(Quads().empty());
}

// A blit turned and scaled as the one before it reuses that one's turned corner; the quad is the
// same, bit for bit, as when it is worked out afresh after a different blit.
TEST_F(ImageMaps_, ABlitRepeatingTheLastOnesTurnDrawsTheSameQuadAsWorkedOutAfresh)
{
    WritePicture("pic", 64, 64);
    Declare("<imagemaps><imagemap name=\"p\" filename=\"pic\" width=\"64\" height=\"64\" "
            "alwaysneeded=\"true\"><cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"20\"/>"
            "<cell x1=\"40\" y1=\"0\" x2=\"63\" y2=\"17\"/></imagemap></imagemaps>");
    ImageMap* p = ImageMaps::get("p");
    ASSERT_TRUE(p && p->isImageLoaded());
    struct Blit
    {
        int cell;
        float angle, scale;
    };
    const Blit kinds[] = {{0, 0.0f, 1.0f}, {0, 33.0f, 1.0f}, {0, 0.0f, 0.7f}, {1, 0.0f, 1.0f}, {1, -0.0f, 1.0f},
                          {1, 250.5f, 1.3f}};
    // Each kind after other kinds (worked out afresh, after a blit that differs from it in one
    // of cell, angle or scale, or in all) and right after itself (reused).
    const int order[] = {0, 0, 1, 1, 0, 2, 2, 3, 2, 3, 3, 4, 4, 3, 5, 5, 0, 5, 2, 1, 3, 1, 0, 1, 4, 0};
    std::vector<Quad> drawn;
    for (int k : order)
    {
        p->setCell(kinds[k].cell);
        BeginFrame();
        p->blitAlphaRectFx(100, 50, kinds[k].angle, kinds[k].scale, 1.0f, false, false);
        EndFrame();
        std::vector<Quad> q = Quads();
        ASSERT_EQ(q.size(), 1u);
        drawn.push_back(q[0]);
    }
    auto same = [](const Quad& a, const Quad& b)
    {
        return std::memcmp(a.x, b.x, sizeof a.x) == 0 && std::memcmp(a.y, b.y, sizeof a.y) == 0 &&
               std::memcmp(a.u, b.u, sizeof a.u) == 0 && std::memcmp(a.v, b.v, sizeof a.v) == 0;
    };
    for (size_t i = 0; i < std::size(order); ++i)
        for (size_t j = 0; j < i; ++j)
        {
            SCOPED_TRACE(std::to_string(j) + " and " + std::to_string(i));
            const Blit& a = kinds[order[i]];
            const Blit& b = kinds[order[j]];
            if (order[i] == order[j])
                EXPECT_TRUE(same(drawn[i], drawn[j]));
            else if (a.cell != b.cell || a.angle != b.angle || a.scale != b.scale)
                EXPECT_FALSE(same(drawn[i], drawn[j]));
        }
}

TEST_F(ImageMaps_, StretchedBlitsCoverTheirRectangle)
{
    WritePicture("pic", 64, 64);
    Declare("<imagemaps><imagemap name=\"p\" filename=\"pic\" alwaysneeded=\"true\">"
            "<cell x1=\"0\" y1=\"0\" x2=\"10\" y2=\"10\"/></imagemap></imagemaps>");
    ImageMap* p = ImageMaps::get("p");
    ASSERT_NE(p, nullptr);
    p->setCell(0);
    BeginFrame();
    p->stretchBlit(20, 30, 70, 40, 1.0f);
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 20, 0.01);
    EXPECT_NEAR(q[0].maxX(), 70, 0.01);
    EXPECT_NEAR(q[0].minY(), 30, 0.01);
    EXPECT_NEAR(q[0].maxY(), 40, 0.01);
}

}  // namespace
