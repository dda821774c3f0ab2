// The play screen run frame by frame on small levels: victory and failure with their timing,
// the frame order's tests, the time-left ticks, pausing, the nothing-smaller failure, and
// loading one level after another.
#include <gtest/gtest.h>

#include <string>

#include "eatendisplay.h"
#include "emitter.h"
#include "entity.h"
#include "entityengine.h"
#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "greygoo.h"
#include "level.h"
#include "levelstatus.h"
#include "render/renderer.h"
#include "entitydef.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/particles.h"
#include "services/profiles.h"
#include "services/tests/recordingscreen.h"
#include "test_level_fixture.h"
#include "tiles.h"
#include "tipwindow.h"
#include "victorywindow.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_scroll.h"
#include "wgui_transition.h"

using namespace Game;

using leveltest::LevelFixture;

namespace
{

class GameWindowTest : public LevelFixture, protected playtest::PlayScreens
{
protected:
    void SetUp() override
    {
        LevelFixture::SetUp();
        make(640, 480, "test", "tester");
    }
    void TearDown() override
    {
        destroy();
        LevelFixture::TearDown();
    }
    void Load(const std::string& text, LevelMode mode = LevelMode::kCasual)
    {
        WriteLevel("play.xml", text);
        game->loadLevel("play.xml", mode);
        game->setPaused(false);
    }
    void Frame(unsigned ms = kFrameMs)
    {
        backend->AdvanceMs(ms);
        manager->update();
    }
    // Frames until the condition holds (at most n); the number of frames run.
    template <class F>
    int RunUntil(F cond, int n)
    {
        int i = 0;
        while (i < n && !cond())
        {
            Frame();
            ++i;
        }
        return i;
    }
};

// A level won by size: the goo (area 400) eats one piece of food (area 100) dropped on it at
// 0.5 s and grows past 450.
const char* kWinLevel =
    "<level width=\"1000\" height=\"800\" victorysize=\"450\" growthrate=\"1.0\">"
    "<goo x=\"0\" y=\"0\" area=\"400\"/>"
    "<emitter type=\"spot\" entitydef=\"food\" minarea=\"100\" maxarea=\"100\" posx=\"0\" posy=\"0\">"
    "<scheduledemit><emit time=\"0.5\"/></scheduledemit></emitter>"
    "</level>";

}  // namespace

TEST_F(GameWindowTest, LoadSetsUpTheLevel)
{
    Load(kWinLevel);
    ASSERT_NE(game->getLevel(), nullptr);
    EXPECT_EQ(game->getLevelFilename(), str("play.xml"));
    EXPECT_DOUBLE_EQ(game->getLevelLeft(), -500);
    EXPECT_DOUBLE_EQ(game->getLevelBottom(), 400);
    ASSERT_NE(game->getGreyGoo(), nullptr);
    EXPECT_DOUBLE_EQ(game->getGreyGoo()->getActualArea(), 400);
    EXPECT_EQ(game->getEntityEngine()->getNumEntities(), 1);
    EXPECT_EQ(game->getEmitters().size(), 1u);
    EXPECT_EQ(game->getTileEngine()->getLevelLeft(), -500);
    EXPECT_FALSE(game->getEatenDisplay()->isVisible());
    EXPECT_FALSE(game->getCheatLabel(true)->isVisible());
}

TEST_F(GameWindowTest, PlayedFrameByFrameToVictory)
{
    Load(kWinLevel);
    game->getTotalEntitiesEaten()->setActiveProfile();  // "tester", as the start-up would
    victory->setVisible(false);
    // The food lands at 0.5 s, is eaten over the next half second, and the goo outgrows the
    // goal; victory still waits for the 2.0 s minimum.
    int frames = RunUntil([&] { return game->isWon(); }, 400);
    ASSERT_TRUE(game->isWon());
    EXPECT_GE(game->getLevelTime(), GameWindow::kMinLevelTime);
    EXPECT_LT(game->getLevelTime(), GameWindow::kMinLevelTime + 0.05);
    EXPECT_GT(game->getGreyGoo()->getActualArea(), 450);
    EXPECT_EQ(game->getEatenEntities()->getSize(), 1);
    EXPECT_EQ(game->getEatenEntities()->getEntityNumByIndex(0)->count, 1);
    EXPECT_TRUE(game->getEatenDisplay()->isVisible() || game->getEatenDisplay()->getTransition());
    EXPECT_GT(frames, 90);

    // The level clock stops; the victory screen comes 0.5 s later.
    const double wonAt = game->getLevelTime();
    RunUntil([&] { return game->getTransition() != nullptr; }, 100);
    EXPECT_DOUBLE_EQ(game->getLevelTime(), wonAt);
    EXPECT_GT(game->getWonTimer(), GameWindow::kResultDelay);
    EXPECT_TRUE(game->isPaused());
    EXPECT_TRUE(victory->isAlwaysActive());
    EXPECT_EQ(victory->getLevelFile(), str("play.xml"));
    EXPECT_EQ(victory->getTimeValue()->getText(), str("0:02"));
    bool completed = false;
    int best = 0;
    EXPECT_TRUE(LevelProgress::instance()->getProgressVars(LevelMode::kCasual, "play.xml", completed, best));
    EXPECT_TRUE(completed);
    EXPECT_EQ(best, 2);
    EXPECT_EQ(game->getTotalEntitiesEaten()->getTotalEntitiesEaten(), 1);
    // The win is on disk before the victory dialog's continue: a game killed during the
    // tally keeps it.
    LevelProgress::deleteInstance();
    EXPECT_TRUE(LevelProgress::instance()->getProgressVars(LevelMode::kCasual, "play.xml", completed, best));
    EXPECT_EQ(best, 2);
    {
        TotalEntitiesEaten fromDisk(game->getEntityDefs());
        EXPECT_EQ(fromDisk.getTotalEntitiesEaten(), 1);
    }

    // The fade out hands over to the victory dialog, which counts the tally.
    RunUntil([&] { return victory->isVisible() && !victory->getTransition(); }, 200);
    EXPECT_TRUE(victory->isVisible());
    RunUntil([&] { return victory->isDone(); }, 200);
    EXPECT_TRUE(victory->isDone());
    EXPECT_EQ(victory->getShownTotal(), 1);
    EXPECT_FALSE(failure->isVisible());
}

TEST_F(GameWindowTest, PlayedFrameByFrameToFailureByTime)
{
    Load("<level width=\"1000\" height=\"800\" timelimit=\"3\" victorysize=\"100000\">"
         "<goo area=\"400\"/></level>");
    EXPECT_DOUBLE_EQ(game->getTimerDisplay()->getTimeLeft(), 3);
    RunUntil([&] { return game->isFailed(); }, 400);
    ASSERT_TRUE(game->isFailed());
    EXPECT_GT(game->getLevelTime(), 3.0);
    EXPECT_EQ(game->getFailureType(), FailureWindow::kTimeout);
    EXPECT_EQ(failure->getMessageBox()->getText(), str("Out of time"));
    // Ticks at 2 and 1 (the time left starts from 0 at load, so 3 is never crossed) and the
    // buzzer at 0.
    EXPECT_EQ(game->getTickSoundsPlayed(), 2);
    EXPECT_EQ(game->getBuzzerSoundsPlayed(), 1);

    RunUntil([&] { return game->getTransition() != nullptr; }, 100);
    EXPECT_GT(game->getFailedTimer(), GameWindow::kResultDelay);
    EXPECT_TRUE(failure->isAlwaysActive());
    bool completed = true;
    int best = 0;
    EXPECT_FALSE(LevelProgress::instance()->getProgressVars(LevelMode::kCasual, "play.xml", completed, best));
    RunUntil([&] { return failure->isVisible() && !failure->getTransition(); }, 200);
    EXPECT_TRUE(failure->isVisible());
    EXPECT_FALSE(victory->isVisible());
}

TEST_F(GameWindowTest, PlayedFrameByFrameToFailureByBeingEaten)
{
    Load("<level width=\"1000\" height=\"800\" victorysize=\"100000\"><goo area=\"400\"/>"
         "<emitter type=\"spot\" entitydef=\"predator\" minarea=\"5000\" maxarea=\"5000\">"
         "<scheduledemit><emit time=\"0.1\"/></scheduledemit></emitter></level>");
    RunUntil([&] { return game->getGreyGoo() == nullptr; }, 200);
    ASSERT_EQ(game->getGreyGoo(), nullptr);
    const double goneAt = game->getLevelTime();
    RunUntil([&] { return game->isFailed(); }, 100);
    ASSERT_TRUE(game->isFailed());
    EXPECT_EQ(game->getFailureType(), FailureWindow::kEaten);
    EXPECT_GT(game->getGooGoneTimer(), GameWindow::kGooGoneTime);
    EXPECT_LT(game->getLevelTime() - goneAt, GameWindow::kGooGoneTime + 0.05);
    EXPECT_EQ(failure->getMessageBox()->getText(), str("You were eaten"));
    // No goo: the status shows (0, 10) and no victory can come.
    RunUntil([&] { return failure->isVisible() && !failure->getTransition(); }, 200);
    EXPECT_TRUE(failure->isVisible());
}

TEST_F(GameWindowTest, FailureWithinTheWaitGivesWayToVictory)
{
    // Out of time at 1.9 s, but the goal is already met: the win at 2.0 s clears the failure.
    Load("<level width=\"1000\" height=\"800\" timelimit=\"2\" victorysize=\"100\">"
         "<goo area=\"400\"/></level>");
    game->setLevelTime(0.0);
    RunUntil([&] { return game->isWon(); }, 200);
    ASSERT_TRUE(game->isWon());
    EXPECT_FALSE(game->isFailed());
    EXPECT_DOUBLE_EQ(game->getFailedTimer(), 0);
    RunUntil([&] { return game->getTransition() != nullptr; }, 100);
    EXPECT_TRUE(victory->isAlwaysActive());
    EXPECT_FALSE(failure->isAlwaysActive());
}

TEST_F(GameWindowTest, TimeAtExactlyTheLimitHasNotFailed)
{
    Load("<level width=\"1000\" height=\"800\" timelimit=\"3\"><goo/></level>");
    game->setLevelTime(3.0 - 0.02);
    Frame();  // level time reaches 3.0 within rounding
    game->setLevelTime(3.0);
    EXPECT_FALSE(game->checkFailedLevel());
    game->setLevelTime(3.001);
    EXPECT_TRUE(game->checkFailedLevel());
}

TEST_F(GameWindowTest, TickSoundTable)
{
    Load("<level width=\"100\" height=\"100\"><goo/></level>");
    struct Case
    {
        double from, to;
        int ticks, buzzers;
    };
    const Case cases[] = {
        {12.4, 11.8, 0, 0}, {10.2, 9.9, 1, 0}, {0.01, 0, 0, 1},  {10.0, 9.0, 1, 0},
        {11.0, 10.0, 1, 0}, {3.5, 0.0, 3, 1},  {5.0, 5.0, 0, 0},
    };
    for (const Case& c : cases)
    {
        const int t0 = game->getTickSoundsPlayed(), b0 = game->getBuzzerSoundsPlayed();
        game->timeLeftTickSound(c.to, c.from);
        EXPECT_EQ(game->getTickSoundsPlayed() - t0, c.ticks) << c.from << " -> " << c.to;
        EXPECT_EQ(game->getBuzzerSoundsPlayed() - b0, c.buzzers) << c.from << " -> " << c.to;
    }
}

TEST_F(GameWindowTest, PauseKeysOpenThePauseDialogOnlyWhenAllowed)
{
    Load("<level width=\"1000\" height=\"800\"><goo/><tip title=\"tiptitlekey\" "
         "text=\"tiptextkey\"/></level>");
    EXPECT_TRUE(game->isTipVisible());
    EXPECT_TRUE(game->getTipWindow()->isVisible());
    WGUI::WEvent key;
    key.type = WGUI::WEvent::kKeyDown;
    key.key = WGUI::Input::kEscape;
    game->messageCallback(key);
    EXPECT_EQ(paused->getTransition(), nullptr);  // the tip is up

    // The tip's pass makes the first entities and then freezes the level.
    Frame();
    Frame();
    EXPECT_DOUBLE_EQ(game->getLevelTime(), 0);
    game->getTipWindow()->resumeGame();
    EXPECT_FALSE(game->isTipVisible());
    Frame();
    EXPECT_GT(game->getLevelTime(), 0);

    key.key = WGUI::Input::kA + 15;  // P
    game->messageCallback(key);
    EXPECT_TRUE(game->isPaused());
    EXPECT_NE(paused->getTransition(), nullptr);
    EXPECT_TRUE(paused->isAlwaysActive());
    const double t = game->getLevelTime();
    Frame();
    EXPECT_DOUBLE_EQ(game->getLevelTime(), t);

    // P again resumes through the dialog.
    paused->messageCallback(key);
    EXPECT_FALSE(game->isPaused());
    EXPECT_FALSE(paused->isAlwaysActive());
}

TEST_F(GameWindowTest, RestartReloadsTheSameFileInTheSameMode)
{
    Load("<level width=\"1000\" height=\"800\" timelimitta=\"50\"><goo/></level>", LevelMode::kTimed);
    for (int i = 0; i < 20; ++i)
        Frame();
    EXPECT_GT(game->getLevelTime(), 0);
    paused->retryGame();
    EXPECT_EQ(game->getLevelFilename(), str("play.xml"));
    EXPECT_EQ(game->getMode(), LevelMode::kTimed);
    EXPECT_DOUBLE_EQ(game->getLevelTime(), 0);
    EXPECT_EQ(game->getLevel()->timeLimit, 50);
    EXPECT_FALSE(game->isPaused());
}

TEST_F(GameWindowTest, NothingSmallerLeftFails)
{
    // The goo (400) is below every random emit (minimum 1000), nothing else is on the field and
    // no scheduled food is left: after the 5 s interval the level is lost.
    Load("<level width=\"1000\" height=\"800\" smallerentitycheck=\"true\" victorysize=\"100000\">"
         "<goo area=\"400\"/>"
         "<emitter type=\"spot\" entitydef=\"food\" minarea=\"1000\" maxarea=\"1000\" posx=\"400\" "
         "posy=\"300\">"
         "<randomemit rate=\"0\"/></emitter></level>");
    EXPECT_DOUBLE_EQ(game->getLevel()->smallestRandomArea, 1000);
    RunUntil([&] { return game->isFailed(); }, 400);
    ASSERT_TRUE(game->isFailed());
    EXPECT_EQ(game->getFailureType(), FailureWindow::kNothingSmaller);
    EXPECT_NEAR(game->getLevelTime(), 5.0, 0.05);
}

TEST_F(GameWindowTest, ScheduledFoodStillToComeKeepsTheLevelAlive)
{
    Load("<level width=\"1000\" height=\"800\" smallerentitycheck=\"true\" victorysize=\"100000\">"
         "<goo area=\"400\"/>"
         "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" posx=\"400\" posy=\"300\">"
         "<scheduledemit><emit time=\"60\"/></scheduledemit></emitter></level>");
    for (int i = 0; i < 300; ++i)
        Frame();
    EXPECT_FALSE(game->isFailed());
}

TEST_F(GameWindowTest, ShotsGoThroughTheShotEmitterOfTheirNumber)
{
    Load("<level width=\"1000\" height=\"800\"><goo/>"
         "<emitter type=\"shot\" shotemitnum=\"2\" entitydef=\"spit\" minarea=\"40\" maxarea=\"40\">"
         "<randomemit rate=\"100\"/><scheduledemit><emit time=\"0\"/></scheduledemit></emitter>"
         "</level>");
    for (int i = 0; i < 5; ++i)
        Frame();
    EXPECT_EQ(game->getEntityEngine()->getNumEntities(), 1);  // random and scheduled make none
    game->shoot(1, WGUI::Vector2d(100, 100), 90);
    EXPECT_EQ(game->getEntityEngine()->getNumEntities(), 1);
    game->shoot(2, WGUI::Vector2d(100, 100), 90);
    EXPECT_EQ(game->getEntityEngine()->getNumEntities(), 2);
}

TEST_F(GameWindowTest, LevelsLoadOneAfterAnother)
{
    // Path followers borrow their emitter's path: the engine must go before the emitters.
    const char* pathLevel = "<level width=\"1000\" height=\"800\"><goo x=\"300\" y=\"300\"/>"
                            "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\">"
                            "<randomemit rate=\"100\"/>"
                            "<controller type=\"pathfollow\" speed=\"50\" priority=\"1\">"
                            "<pair x1=\"-200\" y1=\"0\" coefx1=\"0\" coefy1=\"-100\" x2=\"200\" y2=\"0\" "
                            "coefx2=\"0\" coefy2=\"-100\"/>"
                            "</controller></emitter></level>";
    for (int round = 0; round < 3; ++round)
    {
        Load(pathLevel);
        for (int i = 0; i < 10; ++i)
            Frame();
        EXPECT_GT(game->getEntityEngine()->getNumEntities(), 1);
    }
    const LevelLoad load = game->loadLevel("nothere.xml", LevelMode::kCasual);
    EXPECT_FALSE(load);
    EXPECT_EQ(load.reason, str("the file is missing"));
    EXPECT_EQ(game->getLevelFilename(), str(""));
    EXPECT_TRUE(game->getEmitters().empty());
}

TEST_F(GameWindowTest, WithoutAGooDefinitionTheLevelIsLostAsEaten)
{
    WriteAsset("graphics/entitydefs.xml", "<entitydefs><entitydef name=\"food\"/></entitydefs>");
    TFile::ScanForResources();
    // The definitions are read once per play screen.
    delete game;
    game = new GameWindow();
    manager->addWindow(game);
    Load("<level width=\"100\" height=\"100\" victorysize=\"1\"><goo/></level>");
    EXPECT_EQ(game->getGreyGoo(), nullptr);
    RunUntil([&] { return game->isFailed(); }, 50);
    EXPECT_TRUE(game->isFailed());
    EXPECT_FALSE(game->isWon());
    EXPECT_EQ(game->getFailureType(), FailureWindow::kEaten);
}

TEST_F(GameWindowTest, BlackBarsFillOutsideASmallField)
{
    // A 400 x 300 field on a 640 x 480 screen: bars of 120 left and right, 90 top and bottom.
    Load("<level width=\"400\" height=\"300\"><goo/></level>");
    game->getTipWindow()->setVisible(false);
    game->getEatenDisplay()->setVisible(false);
    handler->calls.clear();
    ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
    ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
    game->draw();
    TRenderer::GetInstance()->End2d();
    TRenderer::GetInstance()->EndDraw(false);
    struct Bar
    {
        float x1, y1, x2, y2;
    };
    const Bar expected[] = {{0, 0, 120, 480}, {520, 0, 640, 480}, {0, 0, 640, 90}, {0, 390, 640, 480}};
    int found = 0;
    for (const Bar& b : expected)
    {
        for (const auto& c : handler->calls)
        {
            if (c.kind != TDrawCall::kVertices || c.verts.size() != 6 || c.texture)
                continue;
            const auto& v = c.verts;
            if (v[0].pos.x == b.x1 && v[0].pos.y == b.y1 && v[4].pos.x == b.x2 && v[4].pos.y == b.y2 &&
                v[0].color.Red() == 0 && v[0].color.Alpha() == 255)
            {
                ++found;
                break;
            }
        }
    }
    EXPECT_EQ(found, 4);

    // A field as large as the screen needs none.
    Load("<level width=\"640\" height=\"480\"><goo/></level>");
    handler->calls.clear();
    ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw(false));
    ASSERT_TRUE(TRenderer::GetInstance()->Begin2d());
    game->draw();
    TRenderer::GetInstance()->End2d();
    TRenderer::GetInstance()->EndDraw(false);
    int bars = 0;
    for (const auto& c : handler->calls)
        if (c.kind == TDrawCall::kVertices && c.verts.size() == 6 && !c.texture && c.verts[0].pos.x == 0 &&
            c.verts[0].pos.y == 0 && c.verts[0].color.Alpha() == 255 && c.verts[0].color.Red() == 0 &&
            (c.verts[4].pos.x == 640 || c.verts[4].pos.y == 480))
            ++bars;
    EXPECT_EQ(bars, 0);
}

TEST_F(GameWindowTest, VictoryBySpecialsAndByEatingEverything)
{
    struct Case
    {
        const char* goal;
        const char* special;
    };
    const Case cases[] = {
        {"numspecialentities=\"1\"", "special=\"true\""},
        {"victoryeateverything=\"true\"", ""},
    };
    for (const Case& c : cases)
    {
        Load(std::string("<level width=\"1000\" height=\"800\" ") + c.goal +
             "><goo area=\"400\"/>"
             "<emitter type=\"spot\" entitydef=\"food\" minarea=\"50\" maxarea=\"50\" " +
             c.special + "><scheduledemit><emit time=\"0.1\"/></scheduledemit></emitter></level>");
        for (int i = 0; i < 60; ++i)  // 1.2 s: the food is eaten, but 2.0 s have not passed
            Frame();
        EXPECT_FALSE(game->isWon()) << c.goal;
        RunUntil([&] { return game->isWon(); }, 100);
        EXPECT_TRUE(game->isWon()) << c.goal;
        EXPECT_NEAR(game->getLevelTime(), 2.0, 0.03) << c.goal;
        if (c.special[0])
        {
            EXPECT_EQ(game->getSpecialEntitiesEaten(), 1);
        }
        game->setPaused(true);
    }
}

TEST_F(GameWindowTest, EndOfGameGoesToTheComicOrTheCredits)
{
    navtest::RecordingScreen* comic = new navtest::RecordingScreen(Screen::kComic);
    navtest::RecordingScreen* credits = new navtest::RecordingScreen(Screen::kCredits);
    manager->addWindow(comic);
    manager->addWindow(credits);

    Load("<level width=\"1000\" height=\"800\" victorysize=\"10\"><goo area=\"400\"/><end/></level>");
    RunUntil([&] { return game->getTransition() != nullptr; }, 200);
    EXPECT_TRUE(game->getGoToComic());
    EXPECT_TRUE(victory->isAlwaysActive());  // filled in for after the comic
    RunUntil([&] { return comic->getTransition() != nullptr; }, 200);
    // The comic is told which play screen's level it closes.
    ASSERT_EQ(comic->arrivals.size(), 1u);
    EXPECT_EQ(comic->arrivals[0].from, Screen::kGame);
    EXPECT_EQ(comic->arrivals[0].sender, game);
    EXPECT_TRUE(comic->isAlwaysActive());
    EXPECT_FALSE(game->getGoToComic());

    Load("<level width=\"1000\" height=\"800\" victorysize=\"10\"><goo area=\"400\"/>"
         "<end creditsonly=\"true\"/></level>");
    game->setVisible(true);  // the fade out hid it; the menus show it again with a level
    RunUntil([&] { return game->getTransition() != nullptr; }, 200);
    EXPECT_TRUE(game->getGoToCredits());
    RunUntil([&] { return credits->getTransition() != nullptr; }, 200);
    EXPECT_TRUE(credits->isAlwaysActive());
    ASSERT_EQ(credits->arrivals.size(), 1u);
    EXPECT_EQ(credits->arrivals[0].from, Screen::kNone);

    delete comic;
    delete credits;
}
