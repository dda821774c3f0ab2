// Animation definitions, playing animations on the frame clock, sprites, chunked images, text
// overlays and fonts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_widgets_fixture.h"
#include "text/textgraphic.h"
#include "wgui_animation.h"
#include "wgui_chunkedimage.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"
#include "wgui_window.h"

using namespace WGUI;
using wguitest::Quad;

namespace
{

struct DoneCounter : Listener
{
    int done = 0;
    Animation* last = nullptr;
    void animationDone(Animation* a) override
    {
        ++done;
        last = a;
    }
};

TEST(AnimationDefs_, WeightsBecomeSharesOfTheTotalTime)
{
    AnimationDef def;
    def.setTime(2.0);
    def.addFrame(nullptr, 0, 1, false, false);
    def.addFrame(nullptr, 1, 1, false, false);
    def.addFrame(nullptr, 2, 2, false, false);
    def.normalizeTimes();
    EXPECT_DOUBLE_EQ(def.getRealFrameTime(0), 0.5);
    EXPECT_DOUBLE_EQ(def.getRealFrameTime(1), 0.5);
    EXPECT_DOUBLE_EQ(def.getRealFrameTime(2), 1.0);
    EXPECT_DOUBLE_EQ(def.getRealFrameTime(3), 0.0);

    // Weights that sum to nothing give equal shares rather than NaN.
    AnimationDef zero;
    zero.addFrame(nullptr, 0, 0, false, false);
    zero.addFrame(nullptr, 0, 0, false, false);
    zero.normalizeTimes();
    EXPECT_DOUBLE_EQ(zero.getRealFrameTime(0), 0.5);

    AnimationDef empty;
    empty.normalizeTimes();
    EXPECT_EQ(empty.getFirstFrameImageMap(), nullptr);
    EXPECT_EQ(empty.getFirstFrameCellNum(), -1);
    empty.setNeededImages(32);
}

class Animations : public wguitest::ImageFixture
{
protected:
    void SetUp() override
    {
        ImageFixture::SetUp();
        Timer::instance();  // the first delta counts from here
    }
    void Step(unsigned ms) { wguitest::Tick(backend, ms); }
};

TEST_F(Animations, ANonLoopingAnimationEndsOnceOnItsLastFrame)
{
    AnimationDef def;
    def.setTime(0.1);
    def.addFrame(nullptr, 10, 1, false, false);
    def.addFrame(nullptr, 11, 1, true, false);
    def.normalizeTimes();
    DoneCounter listener;
    Animation a(&listener, &def);
    Step(50);
    a.update();
    EXPECT_EQ(a.getCellNum(), 11);
    EXPECT_TRUE(a.getFlipX());
    for (int i = 0; i < 5; ++i)
    {
        Step(50);
        a.update();
    }
    EXPECT_TRUE(a.isDone());
    EXPECT_EQ(listener.done, 1);
    EXPECT_EQ(listener.last, &a);
    EXPECT_EQ(a.getCurrentFrame(), 1);
    EXPECT_DOUBLE_EQ(a.getTime(), 0.1);
}

TEST_F(Animations, TheListenerMayReplaceTheAnimationThatEnded)
{
    AnimationDef once, next;
    once.setTime(0.05);
    once.addFrame(nullptr, 1, 1, false, false);
    once.normalizeTimes();
    next.setLooping(true);
    next.addFrame(nullptr, 2, 1, false, false);
    next.normalizeTimes();
    Window w;
    Sprite s(&w);
    struct Chain : Listener
    {
        Sprite* sprite = nullptr;
        AnimationDef* next = nullptr;
        void animationDone(Animation*) override { sprite->playAnimation(next, nullptr); }
    } chain;
    chain.sprite = &s;
    chain.next = &next;
    s.playAnimation(&once, &chain);
    Step(50);
    s.update();
    ASSERT_NE(s.getAnimation(), nullptr);
    EXPECT_EQ(s.getAnimation()->getAnimationDef(), &next);
    EXPECT_EQ(s.getAnimation()->getCellNum(), 2);
}

TEST_F(Animations, ALoopingAnimationWrapsAndCountsFromFrameZero)
{
    AnimationDef def;
    def.setTime(1.0);
    def.setLooping(true);
    def.addFrame(nullptr, 0, 1, false, false);
    def.addFrame(nullptr, 1, 1, false, false);
    def.normalizeTimes();
    DoneCounter listener;
    Animation a(&listener, &def);
    for (int i = 0; i < 18; ++i)
    {  // 0.9 s
        Step(50);
        a.update();
    }
    EXPECT_EQ(a.getCurrentFrame(), 1);
    for (int i = 0; i < 6; ++i)
    {  // 0.3 s more
        Step(50);
        a.update();
    }
    EXPECT_NEAR(a.getTime(), 0.2, 1e-9);
    EXPECT_EQ(a.getCurrentFrame(), 0);
    EXPECT_EQ(listener.done, 0);
    EXPECT_FALSE(a.isDone());
}

TEST_F(Animations, OneUpdateAdvancesAtMostTwentyFrames)
{
    AnimationDef def;
    def.setTime(0.2);
    for (int i = 0; i < 200; ++i)  // 1 ms each
        def.addFrame(nullptr, i, 1, false, false);
    def.normalizeTimes();
    Animation a(nullptr, &def);
    Step(50);
    a.update();
    EXPECT_EQ(a.getCurrentFrame(), 20);
    Step(50);
    a.update();
    EXPECT_EQ(a.getCurrentFrame(), 40);
}

TEST_F(Animations, WithoutFramesOnlyTimePasses)
{
    AnimationDef def;
    DoneCounter listener;
    Animation a(&listener, &def);
    for (int i = 0; i < 30; ++i)
    {
        Step(50);
        a.update();
    }
    EXPECT_EQ(a.getImageMap(), nullptr);
    EXPECT_EQ(a.getCellNum(), -1);
    EXPECT_EQ(listener.done, 1);
    Animation none(nullptr, nullptr);
    none.update();
    EXPECT_EQ(none.getCellNum(), -1);
}

TEST_F(Animations, DefinitionsAreReadFromTheirFile)
{
    WritePicture("sheet", 64, 32);
    WritePicture("other", 32, 32);
    WriteAsset("graphics/imagemaps.xml",
               "<imagemaps><imagemap name=\"sheet\" filename=\"sheet\" width=\"64\" height=\"32\">"
               "<cellgrid width=\"16\" height=\"16\"/></imagemap>"
               "<imagemap name=\"other\" filename=\"other\" width=\"32\" height=\"32\">"
               "<cellgrid width=\"16\" height=\"16\"/></imagemap></imagemaps>");
    WriteAsset("graphics/animationdefs.xml",
               "<animationdefs>"
               "<animationdef name=\"walk\" imagemap=\"sheet\" looping=\"true\" time=\"2.0\">"
               "<frame cell=\"1\" time=\"1\"/><frame cell=\"2\" time=\"3\" flipx=\"true\"/>"
               "<frame cell=\"3\" imagemap=\"other\"/><frame cell=\"4\" imagemap=\"nosuch\"/>"
               "</animationdef>"
               "<animationdef imagemap=\"sheet\"><frame/></animationdef>"
               "<animationdef name=\"bare\"/>"
               "<animationdef name=\"nomap\" imagemap=\"nosuch\"><frame cell=\"0\"/></animationdef>"
               "</animationdefs>");
    AnimationDef* walk = AnimationDefs::get("walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_TRUE(walk->isLooping());
    ASSERT_EQ(walk->getNumFrames(), 4);
    EXPECT_DOUBLE_EQ(walk->getRealFrameTime(0), 2.0 / 6);
    EXPECT_DOUBLE_EQ(walk->getRealFrameTime(1), 1.0);
    EXPECT_TRUE(walk->getFrame(1)->flipX);
    EXPECT_EQ(walk->getImageMap(0), ImageMaps::get("sheet"));
    EXPECT_EQ(walk->getImageMap(2), ImageMaps::get("other"));
    EXPECT_EQ(walk->getImageMap(3), ImageMaps::get("sheet"));
    EXPECT_EQ(AnimationDefs::instance()->getNumDefs(), 3);
    ASSERT_NE(AnimationDefs::get("bare"), nullptr);
    EXPECT_EQ(AnimationDefs::get("bare")->getNumFrames(), 0);
    EXPECT_EQ(AnimationDefs::get("nomap")->getImageMap(0), nullptr);
    EXPECT_EQ(AnimationDefs::get("nosuch"), nullptr);
    EXPECT_EQ(AnimationDefs::instance()->getNumDefs(), 3);

    // The need of each map: the whole picture's width when one cell is 32 pixels wide.
    walk->setNeededImages(32);
    EXPECT_EQ(ImageMaps::get("sheet")->getNeeded(), 128);
    EXPECT_EQ(ImageMaps::get("other")->getNeeded(), 64);
}

class Sprites : public wguitest::ImageFixture
{
protected:
    void SetUp() override
    {
        ImageFixture::SetUp();
        WritePicture("pic", 64, 64);
        WriteAsset("graphics/imagemaps.xml",
                   "<imagemaps><imagemap name=\"pic\" filename=\"pic\" width=\"64\" height=\"64\" "
                   "alwaysneeded=\"true\"><cell x1=\"0\" y1=\"0\" x2=\"40\" y2=\"40\"/>"
                   "<cell x1=\"0\" y1=\"0\" x2=\"0\" y2=\"0\"/></imagemap></imagemaps>");
        window.setPixSize(100, 100);
        window.setSpriteLeft(0);
        window.setSpriteRight(100);
        window.setSpriteTop(0);
        window.setSpriteBottom(100);
    }
    Window window;
};

TEST_F(Sprites, ASpriteIsCentredOnItsPositionWithItsShadowBelow)
{
    Sprite s(&window);
    s.setImageMap(ImageMaps::get("pic"));
    s.setCell(0);
    s.setWidth(20);
    s.setPos(Vector2d(50, 50));
    s.setBlitColour(1, 1, 1, 0.8f);
    s.setShadow(true, 3, 3);
    BeginFrame();
    s.draw();
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_NEAR(q[0].minX(), 43, 0.01);
    EXPECT_NEAR(q[0].maxX(), 63, 0.01);
    EXPECT_NEAR(q[0].minY(), 43, 0.01);
    EXPECT_EQ(q[0].color.Red(), 0);
    EXPECT_EQ(q[0].color.Alpha(), static_cast<int>(0.8f * 0.35f * 255));
    EXPECT_NEAR(q[1].minX(), 40, 0.01);
    EXPECT_NEAR(q[1].maxX(), 60, 0.01);
    EXPECT_NEAR(q[1].maxY(), 60, 0.01);
    EXPECT_EQ(q[1].color.Red(), 255);
    EXPECT_EQ(q[1].color.Alpha(), static_cast<int>(0.8f * 255));

    // Integer positions and additive blending.
    s.setShadow(false, 0, 0);
    s.setDrawUsingFloat(false);
    s.setAdditiveColour(true);
    s.setPos(Vector2d(50.4, 50.6));
    BeginFrame();
    s.draw();
    EndFrame();
    q = Quads();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NEAR(q[0].minX(), 40, 0.01);
    EXPECT_NEAR(q[0].minY(), 41, 0.01);
    EXPECT_EQ(q[0].blendMode, TRenderer::kBlendAdditive);
}

TEST_F(Sprites, NothingIsDrawnWithoutAMapOrWithAnEmptyCell)
{
    Sprite s(&window);
    BeginFrame();
    s.draw();
    s.setImageMap(ImageMaps::get("pic"));
    s.setCell(1);  // zero-sized
    s.draw();
    s.setCell(7);  // not in the map
    s.draw();
    EndFrame();
    EXPECT_TRUE(Quads().empty());
}

TEST_F(Sprites, APlayingAnimationGivesThePicture)
{
    AnimationDef def;
    def.addFrame(ImageMaps::get("pic"), 0, 1, true, true);
    def.normalizeTimes();
    Sprite s(&window);
    s.setImageMap(nullptr);
    s.playAnimation(&def, nullptr);
    ImageMap* map = nullptr;
    int cell = -1;
    bool fx = false, fy = false;
    s.getImageMapAndCell(map, cell, fx, fy);
    EXPECT_EQ(map, ImageMaps::get("pic"));
    EXPECT_EQ(cell, 0);
    EXPECT_TRUE(fx && fy);
    s.playAnimation(&def, nullptr);  // replaces the first one
    s.removeCurrentAnimation();
    s.getImageMapAndCell(map, cell, fx, fy);
    EXPECT_EQ(map, nullptr);
    EXPECT_FALSE(fx);
}

class Chunks : public wguitest::ImageFixture
{
};

TEST_F(Chunks, TwoFilesOfTwoChunksDrawFourCellsFirstFileFirst)
{
    WritePicture("c1", 64, 64);
    WritePicture("c2", 64, 64);
    WriteAsset("graphics/page.png.xml",
               "<chunkedimage width=\"128\" height=\"64\">"
               "<file name=\"c1\">"
               "<chunk srcX1=\"0\" srcY1=\"0\" srcX2=\"32\" srcY2=\"32\" dstX=\"0\" dstY=\"0\"/>"
               "<chunk srcX1=\"32\" srcY1=\"0\" srcX2=\"64\" srcY2=\"32\" dstX=\"32\" dstY=\"0\"/>"
               "<chunk srcX1=\"0\" srcY1=\"0\" srcX2=\"32\" dstX=\"5\" dstY=\"5\"/>"
               "</file>"
               "<file>ignored</file>"
               "<file name=\"c2\">"
               "<chunk srcX1=\"0\" srcY1=\"0\" srcX2=\"16\" srcY2=\"16\" dstX=\"64\" dstY=\"0\"/>"
               "<chunk srcX1=\"0\" srcY1=\"16\" srcX2=\"16\" srcY2=\"32\" dstX=\"64\" dstY=\"16\"/>"
               "</file></chunkedimage>");
    ChunkedImage image("page.png.xml");
    EXPECT_EQ(image.getWidth(), 128);
    ASSERT_EQ(image.getNumImageMaps(), 2);
    EXPECT_EQ(image.getImageMap(0)->getNumCells(), 2);
    EXPECT_EQ(image.getDstPoints(0)->size(), 2u);
    EXPECT_TRUE(image.getImageMap(1)->isImageLoaded());
    BeginFrame();
    image.blitAlphaRectFx(100, 10, 0.5f);
    EndFrame();
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 4u);
    const float wantX[4] = {100, 132, 164, 164}, wantY[4] = {10, 10, 10, 26};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_NEAR(q[static_cast<size_t>(i)].minX(), wantX[i], 0.01) << i;
        EXPECT_NEAR(q[static_cast<size_t>(i)].minY(), wantY[i], 0.01) << i;
    }
    EXPECT_EQ(q[0].texture, q[1].texture);
    EXPECT_NE(q[1].texture, q[2].texture);
    EXPECT_EQ(q[0].color.Alpha(), 127);
}

TEST_F(Chunks, AMissingFileGivesAnEmptyPicture)
{
    ChunkedImage image("nothing.png.xml");
    EXPECT_EQ(image.getNumImageMaps(), 0);
    BeginFrame();
    image.blitAlphaRectFx(0, 0, 1.0f);
    EndFrame();
    EXPECT_TRUE(Quads().empty());
}

TEST_F(Chunks, OverlayBlocksReadTheirRectangleAngleAndColour)
{
    WriteAsset("graphics/over.xml",
               "<overlay><block id=\"hello\" angle=\"90\" x1=\"10\" y1=\"20\" x2=\"110\" y2=\"60\" "
               "r=\"1\"/><block x1=\"50\" x2=\"10\" a=\"0.5\"/></overlay>");
    TextOverlay overlay("over.xml");
    ASSERT_EQ(overlay.getNumBlocks(), 2);
    TextOverlayBlock* b = overlay.getBlock(0);
    EXPECT_EQ(b->getX2(), 110);
    EXPECT_DOUBLE_EQ(b->getAngle(), 90);
    EXPECT_DOUBLE_EQ(b->getA(), 1.0);
    ASSERT_NE(b->getTextGraphic(), nullptr);
    EXPECT_EQ(b->getTextGraphic()->GetFlags(), 5u);
    EXPECT_EQ(b->getTextGraphic()->GetSize(), 14u);
    // An inverted rectangle lays out in an empty box rather than a huge one.
    EXPECT_DOUBLE_EQ(overlay.getBlock(1)->getA(), 0.5);
    BeginFrame();
    overlay.draw(0, 0, 1.0);
    EndFrame();
    TextOverlay missing("nothing.xml");
    EXPECT_EQ(missing.getNumBlocks(), 0);
}

TEST_F(Chunks, FontsMeasureCentreAndKeepTheirKerningRounded)
{
    Font* f = Fonts::getFont(0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Fonts::getFont(5), f);
    EXPECT_EQ(Fonts::getFont(-1), f);
    EXPECT_EQ(f->getHeightPix(), 17);
    EXPECT_EQ(std::string(f->getFontName().c_str()), "fonts/arial.mvec");
    f->setKerning(2.6f);
    EXPECT_FLOAT_EQ(f->getKerning(), 3.0f);
    EXPECT_EQ(f->getStringWidth(""), 0);
    const int w = f->getStringWidth("Wide text");
    EXPECT_GT(w, 0);
    EXPECT_GT(f->getStringWidth("Wide text, longer"), w);
    // Drawing does not change what is measured.
    BeginFrame();
    f->drawStringCentered("Wide text", 100, 200, 10);
    f->drawStringFromRight("Wide text", 300, 10);
    EndFrame();
    EXPECT_EQ(f->getStringWidth("Wide text"), w);
}

TEST_F(Chunks, RemeasuredLinesKeepTheirWidthAndFollowTheSize)
{
    // Widths are kept for the lines measured last: measuring again, with more lines between
    // than are kept, or after the size changed and changed back, gives what the text block
    // measures afresh; a new size measures anew.
    Font* f = Fonts::getFont(0);
    ASSERT_NE(f, nullptr);
    std::vector<int> first;
    for (int i = 0; i < 80; ++i)
        first.push_back(f->getStringWidth(str(std::string(static_cast<size_t>(i % 40) + 1, 'W').c_str())));
    for (int i = 0; i < 80; ++i)
        EXPECT_EQ(f->getStringWidth(str(std::string(static_cast<size_t>(i % 40) + 1, 'W').c_str())),
                  first[static_cast<size_t>(i)])
            << i;
    const int small = f->getStringWidth("Size 17 line");
    f->setHeightPix(34);
    const int big = f->getStringWidth("Size 17 line");
    EXPECT_GT(big, small + small / 2);
    f->setHeightPix(17);
    EXPECT_EQ(f->getStringWidth("Size 17 line"), small);
    TRect bounds;
    f->getTextGraphic()->SetText("Size 17 line");
    f->getTextGraphic()->GetTextBounds(&bounds, 1.0f);
    EXPECT_EQ(bounds.right - bounds.left, small);
}

}  // namespace
