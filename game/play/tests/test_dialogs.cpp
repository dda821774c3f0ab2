// The heads-up panels and the dialogs of a level: size units, the status panel's bar and goal,
// the timer, the eaten display, the tip's size, the pause dialog's mouse rule, the victory
// tally (grid, rates, medals) and continue, and the failure dialog's messages and buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "eatendisplay.h"
#include "emitter.h"
#include "entitydef.h"
#include "entityengine.h"
#include "wgui_button.h"
#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "level.h"
#include "levelstatus.h"
#include "services/eatenentities.h"
#include "services/medaltimes.h"
#include "services/tests/failingsaves.h"
#include "services/tests/recordingscreen.h"
#include "test_level_fixture.h"
#include "tipwindow.h"
#include "unitconverter.h"
#include "victorywindow.h"
#include "wgui_label.h"
#include "wgui_scroll.h"
#include "wgui_slider.h"
#include "wgui_transition.h"

using namespace Game;

using leveltest::LevelFixture;

namespace
{

class DialogsTest : public LevelFixture
{
protected:
    void AddAssets(std::map<std::string, std::string>& files) override
    {
        files["graphics/imagemaps.xml"] =
            "<imagemaps><imagemap name=\"tippic\" filename=\"tippic\" width=\"100\" height=\"120\">"
            "<cellgrid width=\"100\" height=\"120\"/></imagemap></imagemaps>";
    }
};

std::string S(const str& s)
{
    return std::string(s.c_str());
}

}  // namespace

TEST_F(DialogsTest, UnitTable)
{
    UnitConverter* u = UnitConverter::instance();
    struct Case
    {
        double m;
        const char* text;
    };
    // The largest unit of which the length is at least 0.9995 wins, centimetres included.
    const Case cases[] = {
        {1.0, "1 m"},       {0.9995, "1 m"}, {0.9994, "99.9 cm"}, {1500, "1.5 km"},
        {999.4, "999 m"},   {999.6, "1 km"}, {1.5e11, "1 AU"},    {0, "0"},
        {5e-13, "0"},       {-3, "0"},       {std::nan(""), "0"}, {0.01, "1 cm"},
        {0.0099, "9.9 mm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(S(u->metersToDisplay(c.m)), c.text) << c.m;
    EXPECT_EQ(S(UnitConverter::metersUnitDisplay(2.5, 1.0, " x")), "2.5 x");
}

TEST_F(DialogsTest, StatusPanelFollowsTheGoo)
{
    LevelStatus status;
    status.setUnitMultiplier(0.01);
    status.setVictoryBySize(true, 10000);
    EXPECT_EQ(S(status.getGoalText()), "1 m");
    EXPECT_TRUE(status.getGoalLabel()->isVisible());
    EXPECT_TRUE(status.getProgressBar()->isVisible());

    status.setGooActualSize(2500, 2500);
    EXPECT_DOUBLE_EQ(status.getProgressBar()->getTargetRatio(), 0.5);  // by length
    EXPECT_EQ(S(status.getGooText()), "50 cm");
    EXPECT_FALSE(status.isAreaBiggerThanNeeded());

    // The text reads the goal before the area reaches it.
    status.setGooActualSize(9995, 2500);
    EXPECT_EQ(S(status.getGooText()), "1 m");
    EXPECT_TRUE(status.isAreaBiggerThanNeeded());
    EXPECT_DOUBLE_EQ(status.getProgressBar()->getTargetRatio(), 1.0);

    status.setGooActualSize(20000, 2500);
    EXPECT_EQ(status.getGooText(), status.getGoalText());

    status.clear();
    EXPECT_FALSE(status.getProgressBar()->isVisible());
    status.setUnitMultiplier(1.0);
    status.setVictoryBySize(false, 0);
    status.setGooActualSize(4, 4);
    EXPECT_EQ(S(status.getGooText()), "2 m");
    EXPECT_DOUBLE_EQ(status.getProgressBar()->getTargetRatio(), 0.0);  // left alone
}

TEST_F(DialogsTest, SpecialsAreClampedToTheGoal)
{
    LevelStatus status;
    status.setVictorySpecialEntities(true, 5);
    EXPECT_EQ(S(status.getSpecialsGoalLabel()->getText()), "5");
    struct Case
    {
        int in, shown;
    };
    for (Case c : {Case{7, 5}, Case{-1, 0}, Case{3, 3}})
    {
        status.setNumSpecialEaten(c.in);
        EXPECT_EQ(status.getNumSpecialEaten(), c.shown);
        EXPECT_EQ(S(status.getSpecialsEatenLabel()->getText()), std::to_string(c.shown));
    }
    status.draw();
}

TEST_F(DialogsTest, TimerShowsTheSecondsRoundedUp)
{
    TimerDisplay timer;
    EXPECT_EQ(S(timer.getNameLabel()->getText()), "Level 1");
    timer.setTimeLeft(61.2);
    EXPECT_EQ(S(timer.getTimeLabel()->getText()), "1:02");
    timer.setTimerVisible(false);
    EXPECT_FALSE(timer.getTimeLabel()->isVisible());
    timer.setLevelName("Soil 1");
    EXPECT_EQ(S(timer.getNameLabel()->getText()), "Soil 1");
}

TEST_F(DialogsTest, EatenDisplayTintAndScale)
{
    double r, g, b;
    EatenDisplay::tintFor(1, 0, 0, r, g, b);
    EXPECT_NEAR(r, 1.0, 1e-9);
    EXPECT_NEAR(g, 0.7, 1e-9);
    EXPECT_NEAR(b, 0.7, 1e-9);
    EatenDisplay::tintFor(0, 0, 0, r, g, b);
    EXPECT_NEAR(r, 0.7, 1e-9);
    EXPECT_DOUBLE_EQ(EatenDisplay::pictureScale(170, 85), 0.5);
    EXPECT_DOUBLE_EQ(EatenDisplay::pictureScale(40, 20), 2.125);
}

TEST_F(DialogsTest, EatenDisplaySlidesInAndOut)
{
    GameWindow game;
    WriteLevel(
        "d.xml",
        "<level width=\"1000\" height=\"1000\"><goo area=\"400\"/>"
        "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" posx=\"300\"/></level>");
    game.loadLevel("d.xml", LevelMode::kCasual);
    game.getEmitters().front()->emit();
    Entity* food = game.getEntityEngine()->getEntities().back();
    EatenDisplay* d = game.getEatenDisplay();
    d->setEatenEntity(food);
    ASSERT_NE(d->getTransition(), nullptr);
    EXPECT_TRUE(d->getTransition()->isIn());
    // Frames until the slide-in ends, then the panel stays for 4 s.
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        d->update();
    }
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->getTransition(), nullptr);
    for (int i = 0; i < 150; ++i)  // 3 s more: a meal keeps it
    {
        Tick();
        d->update();
    }
    d->setEatenEntity(food);
    EXPECT_EQ(d->getTransition(), nullptr);
    EXPECT_DOUBLE_EQ(d->getTimeShown(), 0);
    int frames = 0;
    while (!d->getTransition() && frames < 400)
    {
        Tick();
        d->update();
        ++frames;
    }
    ASSERT_NE(d->getTransition(), nullptr);
    EXPECT_TRUE(d->getTransition()->isOut());
    EXPECT_NEAR(frames * 0.02, 4.0, 0.03);
    // A meal during the slide-out brings it back once it is out.
    d->setEatenEntity(food);
    EXPECT_NE(d->getTransition()->getNextTransition(), nullptr);
    EXPECT_EQ(d->getTransition()->getNextWindow(), d);
    d->draw();
}

TEST_F(DialogsTest, TipDialogSizesAroundItsContent)
{
    TipWindow tip(nullptr);
    tip.setTipTitle("A title");
    tip.setTipText("Some text");
    tip.setTipImage("nosuchpicture");  // unknown: sized as no picture
    tip.messageActivate();
    EXPECT_FALSE(tip.getPicture()->isVisible());
    EXPECT_EQ(tip.getPixWidth(), tip.getTextBox()->getPixWidth() + 40);
    EXPECT_EQ(tip.getPixHeight(), tip.getTextBox()->getContentHeight() + 90);
    EXPECT_EQ(S(tip.getTitle()), "A title");
    EXPECT_EQ(S(tip.getTextBox()->getText()), "Some text");
}

TEST_F(DialogsTest, TipDialogWithAPicture)
{
    TipWindow tip(nullptr);
    tip.setTipText("Some text");
    tip.setTipImage("tippic");
    tip.messageActivate();
    ASSERT_NE(tip.getPicture()->getImageMap(), nullptr);
    EXPECT_TRUE(tip.getPicture()->isVisible());
    EXPECT_EQ(tip.getPicture()->getPixWidth(), 100);
    EXPECT_EQ(tip.getPixWidth(), 100 + 200 + 60);
    const int content = tip.getTextBox()->getContentHeight();
    EXPECT_EQ(tip.getPixHeight(), std::max(content + 90, 120 + 50));
}

TEST_F(DialogsTest, PauseDialogTakesTheMouseWhileShown)
{
    GamePaused p;
    p.setVisible(false);
    EXPECT_FALSE(p.contains(5000, 5000));
    p.setVisible(true);
    EXPECT_TRUE(p.contains(5000, 5000));
    EXPECT_TRUE(p.contains(5000.0, 5000.0));
    p.setVisible(false);
    p.setAlwaysActive(true);
    EXPECT_TRUE(p.contains(5000, 5000));
    p.setLevelMode(LevelMode::kEndurance);
    EXPECT_EQ(p.getLevelMode(), LevelMode::kEndurance);
}

TEST_F(DialogsTest, VictoryGridSizes)
{
    struct Case
    {
        int n, k, s;
    };
    const Case cases[] = {{1, 1, 200}, {2, 2, 100}, {4, 2, 100}, {5, 3, 66},
                          {9, 3, 66},  {10, 4, 50}, {16, 4, 50}, {100000, 200, 1}};
    for (const Case& c : cases)
    {
        int k, s, cols;
        VictoryWindow::gridFor(c.n, k, s, cols);
        EXPECT_EQ(k, c.k) << c.n;
        EXPECT_EQ(s, c.s) << c.n;
        EXPECT_GT(cols, 0) << c.n;
    }
    EXPECT_DOUBLE_EQ(VictoryWindow::countRate(10), 30);
    EXPECT_DOUBLE_EQ(VictoryWindow::countRate(1000), 500);
    EXPECT_DOUBLE_EQ(VictoryWindow::countRate(1000000), 10000);
}

TEST_F(DialogsTest, VictoryMedals)
{
    MedalTimes::instance()->setLevelTimes("m.xml", 100, 60, 66, 78);
    VictoryWindow v;
    struct Case
    {
        int seconds;
        LevelMode mode;
        const char* caption;
        const char* value;
        int cell;  // -1: no medal
    };
    const Case cases[] = {
        {60, LevelMode::kTimed, "Time left", "0:40", 0},
        {61, LevelMode::kTimed, "Time left", "0:39", 1},
        {78, LevelMode::kTimed, "Time left", "0:22", 2},
        {79, LevelMode::kTimed, "Time left", "0:21", -1},
        {130, LevelMode::kTimed, "Time left", "0:00", -1},
        {60, LevelMode::kCasual, "Time taken", "1:00", -1},
        {75, LevelMode::kEndurance, "Time taken", "1:15", -1},
    };
    for (const Case& c : cases)
    {
        v.setLevelTime(c.seconds, "m.xml", c.mode);
        EXPECT_EQ(S(v.getTimeCaption()->getText()), c.caption) << c.seconds;
        EXPECT_EQ(S(v.getTimeValue()->getText()), c.value) << c.seconds;
        if (c.cell < 0)
        {
            EXPECT_EQ(v.getMedal()->getImageMap(), nullptr) << c.seconds;
        }
        else
            EXPECT_EQ(v.getMedal()->getCell(), c.cell) << c.seconds;
    }
    // A timed level missing from the table shows no medal and no negative time.
    v.setLevelTime(30, "unlisted.xml", LevelMode::kTimed);
    EXPECT_EQ(v.getMedal()->getImageMap(), nullptr);
    EXPECT_EQ(S(v.getTimeValue()->getText()), "0:00");
}

TEST_F(DialogsTest, VictoryTallyCountsKindByKind)
{
    GameWindow game;
    WriteLevel(
        "v.xml",
        "<level width=\"1000\" height=\"1000\"><goo area=\"400\"/>"
        "<emitter type=\"spot\" entitydef=\"food\" minarea=\"10\" maxarea=\"10\" posx=\"300\"/>"
        "<emitter type=\"spot\" entitydef=\"spit\" minarea=\"10\" maxarea=\"10\" posx=\"300\"/></level>");
    game.loadLevel("v.xml", LevelMode::kCasual);
    auto it = game.getEmitters().begin();
    (*it)->emit();
    Entity* food = game.getEntityEngine()->getEntities().back();
    (*++it)->emit();
    Entity* spit = game.getEntityEngine()->getEntities().back();
    EatenEntities tally;
    for (int i = 0; i < 10; ++i)
        tally.addEntity(food);
    tally.addEntity(spit);

    VictoryWindow v;
    v.setEatenEntities(&tally);
    v.messageActivate();
    EXPECT_EQ(S(v.getTotalLabel()->getText()), "0");
    v.transitionFinished(true);
    EXPECT_TRUE(v.isCounting());
    int frames = 0;
    while (!v.isDone() && frames < 200)
    {
        Tick();
        v.update();
        v.draw();
        ++frames;
    }
    EXPECT_TRUE(v.isDone());
    EXPECT_EQ(v.getShownTotal(), 11);
    EXPECT_EQ(S(v.getTotalLabel()->getText()), "11");
    // Ten at 30 a second after a 0.2 s fade, then one more after another 0.2 s.
    EXPECT_GT(frames, 20);
    EXPECT_LT(frames, 45);

    // An empty tally is done as soon as the dialog is in.
    EatenEntities none;
    v.setEatenEntities(&none);
    v.messageActivate();
    v.transitionFinished(true);
    EXPECT_TRUE(v.isDone());
    EXPECT_FALSE(v.isCounting());
}

TEST_F(DialogsTest, VictoryContinueGoesToTheMenusAndSaves)
{
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "test");
    GameWindow* game = new GameWindow();
    VictoryWindow* v = new VictoryWindow();
    navtest::RecordingScreen* select = new navtest::RecordingScreen(Screen::kLevelSelect);
    navtest::RecordingScreen* endurance = new navtest::RecordingScreen(Screen::kEndurance);
    for (WGUI::Window* w : {static_cast<WGUI::Window*>(game), static_cast<WGUI::Window*>(v),
                            static_cast<WGUI::Window*>(select), static_cast<WGUI::Window*>(endurance)})
        manager->addWindow(w);

    // Timed and casual levels go back to the level selection, told the level won.
    v->setLevelTime(10, "soil.xml", LevelMode::kTimed);
    v->buttonReleased(v->getContinueButton());
    ASSERT_EQ(select->arrivals.size(), 1u);
    EXPECT_EQ(select->arrivals[0].from, Screen::kVictory);
    EXPECT_EQ(select->arrivals[0].mode, LevelMode::kTimed);
    EXPECT_EQ(S(select->arrivals[0].levelFile), "soil.xml");
    EXPECT_EQ(select->hadTransitionOnArrival, std::vector<bool>{false});
    EXPECT_EQ(select->getTransition()->getType(), WGUI::Transition::kOpacityIn);
    EXPECT_TRUE(endurance->arrivals.empty());
    EXPECT_TRUE(select->isAlwaysActive());
    EXPECT_FALSE(v->isAlwaysActive());
    EXPECT_NE(v->getTransition(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(root + "/user/levelprogress.xml"));

    v->setLevelTime(10, "e1.xml", LevelMode::kEndurance);
    v->buttonReleased(v->getContinueButton());
    ASSERT_EQ(endurance->arrivals.size(), 1u);
    EXPECT_EQ(endurance->arrivals[0].mode, LevelMode::kEndurance);
    EXPECT_EQ(select->arrivals.size(), 1u);
    EXPECT_TRUE(endurance->isAlwaysActive());

    delete endurance;
    delete select;
    delete v;
    delete game;
}

// A level's result is saved when it ends and again when the victory dialog is left: totals
// first, then progress (not after a loss). With the disk full each lost save is reported.
TEST_F(DialogsTest, ResultSavesKeepTheirOrderAndReportALostSave)
{
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "test");
    GameWindow* game = new GameWindow();
    VictoryWindow* v = new VictoryWindow();
    FailureWindow* failure = new FailureWindow();
    navtest::RecordingScreen* select = new navtest::RecordingScreen(Screen::kLevelSelect);
    for (WGUI::Window* w : {static_cast<WGUI::Window*>(game), static_cast<WGUI::Window*>(v),
                            static_cast<WGUI::Window*>(failure), static_cast<WGUI::Window*>(select)})
        manager->addWindow(w);
    WriteLevel("r.xml", "<level width=\"1000\" height=\"1000\"><goo area=\"400\"/></level>");

    using Names = std::vector<std::string>;
    const struct
    {
        const char* what;
        std::function<void()> act;
        Names files;
    } cases[] = {
        {"level won",
         [game] { game->setVictoryWindowTransition(); },
         {"eatenentities.xml", "levelprogress.xml"}},
        {"level lost", [game] { game->setFailureWindowTransition(); }, {"eatenentities.xml"}},
        {"victory left",
         [v]
         {
             v->setLevelTime(10, "r.xml", LevelMode::kTimed);
             v->buttonReleased(v->getContinueButton());
         },
         {"eatenentities.xml", "levelprogress.xml"}},
    };
    const std::string cause = strerror(ENOSPC);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(game->loadLevel("r.xml", LevelMode::kTimed));
        servicestest::FailingSaves failing;
        c.act();
        EXPECT_EQ(failing.files(), c.files);
        const Names reports = failing.reports();
        ASSERT_EQ(reports.size(), c.files.size());
        EXPECT_NE(reports[0].find("The eaten totals could not be saved: " + cause), std::string::npos)
            << reports[0];
        if (reports.size() > 1)
        {
            EXPECT_NE(reports[1].find("The level progress could not be saved: " + cause), std::string::npos)
                << reports[1];
        }
    }

    delete select;
    delete failure;
    delete v;
    delete game;
}

TEST_F(DialogsTest, FailureMessagesAndButtons)
{
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "test");
    GameWindow* game = new GameWindow();
    FailureWindow* f = new FailureWindow();
    navtest::RecordingScreen* menu = new navtest::RecordingScreen(Screen::kMainMenu);
    for (WGUI::Window* w :
         {static_cast<WGUI::Window*>(game), static_cast<WGUI::Window*>(f), static_cast<WGUI::Window*>(menu)})
        manager->addWindow(w);

    f->setMessageType(FailureWindow::kTimeout);
    EXPECT_EQ(S(f->getMessageBox()->getText()), "Out of time");
    for (int bad : {-1, 3, 99})
    {
        f->setMessageType(bad);
        EXPECT_EQ(S(f->getMessageBox()->getText()), "Out of time");
    }
    f->setMessageType(FailureWindow::kNothingSmaller);
    EXPECT_EQ(S(f->getMessageBox()->getText()), "Nothing smaller");

    WriteLevel("f.xml", "<level width=\"500\" height=\"500\" timelimitta=\"30\"><goo/></level>");
    game->loadLevel("f.xml", LevelMode::kTimed);
    game->setLevelTime(12);
    f->buttonReleased(f->getRetryButton());
    EXPECT_EQ(S(game->getLevelFilename()), "f.xml");
    EXPECT_EQ(game->getMode(), LevelMode::kTimed);
    EXPECT_DOUBLE_EQ(game->getLevelTime(), 0);
    EXPECT_FALSE(game->isPaused());
    EXPECT_TRUE(game->isAlwaysActive());
    ASSERT_NE(game->getTransition(), nullptr);
    EXPECT_EQ(game->getTransition()->getType(), WGUI::Transition::kFadeFromColour);

    f->buttonReleased(f->getMainMenuButton());
    EXPECT_TRUE(menu->isAlwaysActive());
    ASSERT_EQ(menu->arrivals.size(), 1u);
    EXPECT_EQ(menu->arrivals[0].from, Screen::kFailure);
    EXPECT_FALSE(f->isAlwaysActive());

    delete menu;
    delete f;
    delete game;
}

// Each way out of the pause dialog reaches the front end's screen through the navigation seam,
// which tells that screen where the player came from.
TEST_F(DialogsTest, PauseDialogLeavesToTheScreenOfEachButton)
{
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "test");
    GameWindow* game = new GameWindow();
    GamePaused* paused = new GamePaused();
    manager->addWindow(game);
    manager->addWindow(paused);
    std::vector<navtest::RecordingScreen*> targets;
    for (Screen s : {Screen::kMainMenu, Screen::kLevelSelect, Screen::kEndurance, Screen::kOptions})
    {
        targets.push_back(new navtest::RecordingScreen(s));
        manager->addWindow(targets.back());
    }
    struct Case
    {
        WGUI::Button* button;
        LevelMode mode;
        Screen to;
        bool leavesGame;  // the play screen fades out
    };
    const Case cases[] = {
        {paused->getMainMenuButton(), LevelMode::kTimed, Screen::kMainMenu, true},
        {paused->getLevelSelectButton(), LevelMode::kCasual, Screen::kLevelSelect, true},
        {paused->getLevelSelectButton(), LevelMode::kTimed, Screen::kLevelSelect, true},
        {paused->getLevelSelectButton(), LevelMode::kEndurance, Screen::kEndurance, true},
        {paused->getOptionsButton(), LevelMode::kEndurance, Screen::kOptions, false},
    };
    for (const Case& c : cases)
    {
        for (navtest::RecordingScreen* t : targets)
        {
            t->arrivals.clear();
            t->setTransition(nullptr);
            t->setAlwaysActive(false);
        }
        game->setTransition(nullptr);
        paused->setLevelMode(c.mode);
        paused->setAlwaysActive(true);
        paused->buttonReleased(c.button);
        for (navtest::RecordingScreen* t : targets)
        {
            const bool isTarget = t->getName() == str(screenName(c.to));
            ASSERT_EQ(t->arrivals.size(), isTarget ? 1u : 0u) << t->getName().c_str();
            EXPECT_EQ(t->isAlwaysActive(), isTarget) << t->getName().c_str();
            if (!isTarget)
                continue;
            EXPECT_EQ(t->arrivals[0].from, Screen::kGamePaused);
            EXPECT_EQ(t->arrivals[0].mode, c.mode);
            ASSERT_NE(t->getTransition(), nullptr);
            EXPECT_EQ(t->getTransition()->getType(), WGUI::Transition::kOpacityIn);
        }
        EXPECT_FALSE(paused->isAlwaysActive());
        EXPECT_EQ(game->getTransition() != nullptr, c.leavesGame) << screenName(c.to);
    }
    for (navtest::RecordingScreen* t : targets)
        delete t;
    delete paused;
    delete game;
}
