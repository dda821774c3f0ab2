// The comic pages and the scrolling credits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "comicwindow.h"
#include "creditswindow.h"
#include "foundation/rect.h"
#include "level.h"
#include "screenlinks.h"
#include "services/music.h"
#include "test_fb_fixture.h"
#include "text/textgraphic.h"
#include "wgui_chunkedimage.h"
#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wgui_xmldocument.h"

using namespace Game;

using fbtest::FrontEndTest;
using WGUI::Transition;

namespace
{

class ComicTest : public FrontEndTest
{
protected:
    void SetUp() override
    {
        FrontEndTest::SetUp();
        writeAsset("graphics/page.png.xml", "<chunked width=\"800\" height=\"600\"></chunked>");
        writeAsset("graphics/pagetext.xml", "<overlay></overlay>");
        game = stub("gamewindow");
        game->setVisible(false);
        credits = stub("creditswindow");
        credits->setVisible(false);
        comic = add(new ComicWindow(access));
        access.pages = [this](WGUI::Window* g, bool end)
        {
            EXPECT_EQ(g, game);
            return std::vector<ComicPageFiles>(
                end ? endPages : introPages,
                ComicPageFiles{"graphics/page.png.xml", "graphics/pagetext.xml"});
        };
        comic->setGameWindow(game);
    }
    void open(bool end)
    {
        comic->setEnd(end);
        comic->setVisible(true);
        comic->setAlwaysActive(true);
        frames(1);
    }
    int introPages = 1;
    int endPages = 3;
    WGUI::Window* game = nullptr;
    WGUI::Window* credits = nullptr;
    ComicWindow* comic = nullptr;
};

// Every comic page the shipped levels show (each level's opening pages in both modes, the
// closing page of a level that ends the game): no text box of its overlay, with the caption's
// frame drawn 3 px around it, lies under the continue button.
TEST_F(ComicTest, NoComicPagesButtonCoversItsText)
{
    open(false);
    WGUI::Window* b = comic->getContinueButton();
    const int bx1 = b->getLeft() - comic->getLeft(), by1 = b->getTop() - comic->getTop();
    const int bx2 = b->getRight() - comic->getLeft(), by2 = b->getBottom() - comic->getTop();
    ASSERT_GT(bx2, bx1);
    ASSERT_GT(by2, by1);

    const char* sourceDir = std::getenv("QF_SOURCE_DIR");
    const std::string assets = std::string(sourceDir ? sourceDir : ".") + "/assets/";
    auto read = [](const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::set<std::string> overlays;
    for (const auto& entry : std::filesystem::directory_iterator(assets + "levels"))
    {
        const std::string text = read(entry.path().string());
        WGUI::XmlDocument doc(false);
        if (!doc.parseText(text.data(), text.size()) || doc.getRoot().getName() != str("level"))
            continue;
        for (LevelMode mode : {LevelMode::kCasual, LevelMode::kTimed})
        {
            Level level(nullptr, nullptr, nullptr, nullptr, mode, nullptr);
            WGUI::XmlElement root = doc.getRoot();
            root.resetIterateChildren();
            for (WGUI::XmlElement child = root.iterateChildren(); child.isValid();
                 child = root.iterateChildren())
            {
                if (child.getName() == str("comic"))
                    level.readComic(child);
                else if (child.getName() == str("end"))
                    level.readEnd(child);
            }
            for (const std::vector<std::unique_ptr<ComicFrame>>* pages :
                 {&level.comicFrames, &level.endFrames})
                for (const std::unique_ptr<ComicFrame>& page : *pages)
                    overlays.insert(page->textOverlayFileName.c_str());
        }
    }
    EXPECT_GE(overlays.size(), 3u) << "the opening pages and the end page";
    const int frame = 3;
    for (const std::string& name : overlays)
    {
        const std::string text = read(assets + "graphics/" + name);
        ASSERT_FALSE(text.empty()) << name;
        std::unique_ptr<WGUI::TextOverlay> overlay(WGUI::TextOverlay::fromText(text.data(), text.size()));
        ASSERT_GT(overlay->getNumBlocks(), 0) << name;
        for (int i = 0; i < overlay->getNumBlocks(); ++i)
        {
            const WGUI::TextOverlayBlock* block = overlay->getBlock(i);
            // The box turned about its centre, then its bounds.
            const double cx = (block->getX1() + block->getX2()) / 2.0,
                         cy = (block->getY1() + block->getY2()) / 2.0;
            const double hw = (block->getX2() - block->getX1()) / 2.0,
                         hh = (block->getY2() - block->getY1()) / 2.0;
            const double t = block->getAngle() * 3.14159265358979 / 180.0;
            const double ex = std::fabs(hw * std::cos(t)) + std::fabs(hh * std::sin(t));
            const double ey = std::fabs(hw * std::sin(t)) + std::fabs(hh * std::cos(t));
            const double x1 = cx - ex - frame, x2 = cx + ex + frame, y1 = cy - ey - frame,
                         y2 = cy + ey + frame;
            const bool overlaps = x1 < bx2 && bx1 < x2 && y1 < by2 && by1 < y2;
            EXPECT_FALSE(overlaps) << name << " block " << i << " (" << x1 << ", " << y1 << ") - (" << x2
                                   << ", " << y2 << ") meets the button (" << bx1 << ", " << by1 << ") - ("
                                   << bx2 << ", " << by2 << ")";
        }
    }
}

TEST_F(ComicTest, OnePageIntroStartsTheLevelUnpaused)
{
    open(false);
    EXPECT_EQ(comic->getPageIndex(), 0);
    EXPECT_TRUE(comic->getFrameA()->isVisible());
    EXPECT_FALSE(comic->getFrameB()->isVisible());
    EXPECT_NE(comic->getFrameA()->getImage(), nullptr);
    EXPECT_NE(comic->getFrameA()->getText(), nullptr);
    EXPECT_TRUE(comic->contains(400, 300));
    comic->buttonReleased(comic->getContinueButton());
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->isAlwaysActive());
    EXPECT_EQ(access.pausedCalls, std::vector<bool>{false});
    ASSERT_NE(comic->getTransition(), nullptr);
    EXPECT_EQ(comic->getTransition()->getType(), Transition::kOpacityOut);
    frames(40);
    EXPECT_FALSE(comic->isVisible());
    EXPECT_EQ(comic->getFrameA()->getImage(), nullptr);  // freed with the comic's fade
}

TEST_F(ComicTest, EndComicCrossFadesPageByPageThenRollsTheCredits)
{
    open(true);
    comic->buttonReleased(comic->getContinueButton());
    EXPECT_EQ(comic->getPageIndex(), 1);
    EXPECT_EQ(comic->getFrameA()->getTransition()->getType(), Transition::kWaitHide);
    EXPECT_EQ(comic->getFrameB()->getTransition()->getType(), Transition::kOpacityIn);
    EXPECT_FALSE(comic->contains(400, 300));            // no input while the pages cross-fade
    comic->buttonReleased(comic->getContinueButton());  // ignored
    EXPECT_EQ(comic->getPageIndex(), 1);
    frames(2);
    EXPECT_TRUE(WGUI::Manager::instance()->getFillBack());
    EXPECT_GE(framesUntil([&] { return comic->exactlyOneFrameVisible(); }), 1);
    EXPECT_TRUE(comic->getFrameB()->isVisible());
    EXPECT_EQ(comic->getFrameA()->getImage(), nullptr);  // the old page is freed
    comic->buttonReleased(comic->getContinueButton());
    framesUntil([&] { return comic->exactlyOneFrameVisible(); });
    EXPECT_EQ(comic->getPageIndex(), 2);
    EXPECT_TRUE(comic->getFrameA()->isVisible());
    comic->buttonReleased(comic->getContinueButton());  // last page
    EXPECT_TRUE(credits->isAlwaysActive());
    ASSERT_NE(credits->getTransition(), nullptr);
    EXPECT_EQ(credits->getTransition()->getType(), Transition::kOpacityIn);
    EXPECT_FALSE(game->isVisible());
    // Reopening starts again from the first page in frame A.
    comic->setVisible(false);
    comic->setAlwaysActive(false);
    open(true);
    EXPECT_EQ(comic->getPageIndex(), 0);
    EXPECT_TRUE(comic->getFrameA()->isVisible());
}

TEST_F(ComicTest, NoPagesLeaveAtOnce)
{
    introPages = 0;
    open(false);
    EXPECT_EQ(comic->getFrameA()->getImage(), nullptr);
    comic->buttonReleased(comic->getContinueButton());
    EXPECT_TRUE(game->isAlwaysActive());
}

class CreditsTest : public FrontEndTest
{
protected:
    CreditsWindow* make(const std::string& text)
    {
        writeAsset("graphics/credits.txt", text);
        return add(new CreditsWindow());
    }
    void open(CreditsWindow* c)
    {
        c->setVisible(true);
        c->setAlwaysActive(true);
    }
};

TEST_F(CreditsTest, FileReaderKeepsSevenBitBytesUpToTheLimit)
{
    struct Case
    {
        std::string bytes;
        std::string expected;
    } cases[] = {
        {std::string(6000, 'a'), std::string(4999, 'a')},
        {"Caf\xc3\xa9 cr\xe8me\n", "Caf crme\n"},
        {std::string(4998, 'b') + "\xe9\xe9" + "cd", std::string(4998, 'b') + "c"},
        {"", ""},
    };
    for (const Case& c : cases)
    {
        writeAsset("graphics/credits.txt", c.bytes);
        EXPECT_EQ(std::string(CreditsWindow::readCreditsText("graphics/credits.txt").c_str()), c.expected);
    }
    EXPECT_EQ(std::string(CreditsWindow::readCreditsText("graphics/nothing.txt").c_str()), "");
}

TEST_F(CreditsTest, MissingFileHandsOverAtOnce)
{
    WGUI::Window* victory = stub("victorywindow");
    victory->setVisible(false);
    CreditsWindow* c = add(new CreditsWindow());
    open(c);
    frames(1);
    EXPECT_TRUE(c->isLeaving());
    EXPECT_TRUE(victory->isAlwaysActive());
    ASSERT_NE(c->getTransition(), nullptr);
    EXPECT_EQ(c->getTransition()->getType(), Transition::kFadeToColour);
    EXPECT_EQ(c->getTransition()->getNextWindow(), victory);
    EXPECT_FALSE(MusicSystem::instance()->isJukeboxOn());
    EXPECT_GE(framesUntil([&] { return victory->isVisible(); }, 200), 1);
}

TEST_F(CreditsTest, TextRisesFiftyPixelsASecondAndLeavesOnce)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "Line " + std::to_string(i) + "\n";
    WGUI::Window* victory = stub("victorywindow");
    victory->setVisible(false);
    CreditsWindow* c = make(text);
    open(c);
    EXPECT_DOUBLE_EQ(c->getScrollOffset(), 600.0);
    TRect bounds;
    c->getText()->GetTextBounds(&bounds, 1.0f);
    ASSERT_GT(bounds.bottom, 0);
    // Frames of 0.05 s move the text 2.5 px: it leaves when the offset passes -bottom.
    const int expected = static_cast<int>((600.0 + bounds.bottom) / 2.5);
    int used = 0;
    while (!c->isLeaving() && used < expected + 10)
    {
        frames(1, 50);
        ++used;
    }
    ASSERT_TRUE(c->isLeaving());
    EXPECT_NEAR(used, expected, 2);
    MusicSystem::instance()->setJukeboxOn(true);
    frames(5, 50);
    EXPECT_TRUE(MusicSystem::instance()->isJukeboxOn());  // the hand-over ran once only
}

}  // namespace
