// The level selection: which levels open from the progress, the medals and hovered times in
// timed mode, where the highlight goes after a win, and how a level is started.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/stringtable.h"
#include "levelselect.h"
#include "app/platform.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "test_fb_fixture.h"
#include "wgui_button.h"
#include "noticewindow.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

namespace
{

// Records what a level start asks of the play screen.
class RecordingPlayAccess : public fbtest::FakePlayAccess
{
public:
    bool loadLevel(WGUI::Window*, const str& file, LevelMode mode) override
    {
        loads.push_back(std::string(file.c_str()) + "/" + std::to_string(levelModeIndex(mode)));
        return loadOk;
    }
    bool levelFirstSongOnly(WGUI::Window*) override { return firstSongOnly; }
    bool levelHasInitialComic(WGUI::Window*) override { return comic; }
    bool getLevelTimes(WGUI::Window*, int& limit, int& gold, int& silver, int& bronze) override
    {
        limit = 90;
        gold = 60;
        silver = 66;
        bronze = 78;
        return true;
    }
    std::vector<std::string> loads;
    bool firstSongOnly = false;
    bool comic = false;
    bool loadOk = true;
};

void typeWord(const char* word)
{
    for (const char* p = word; *p; ++p)
    {
        WGUI::WEvent e;
        e.type = WGUI::WEvent::kChar;
        e.code = *p;
        Cheats::instance()->messageCallback(e);
    }
}

class LevelSelectTest : public fbtest::FrontEndTest
{
protected:
    void SetUp() override
    {
        fbtest::FrontEndTest::SetUp();
        select = add(new LevelSelect(play));
    }

    std::vector<int> enabledIndices() const
    {
        std::vector<int> out;
        for (int i = 0; i < select->getNumLevelButtons(); ++i)
            if (select->getLevelButton(i)->button->isEnabled())
                out.push_back(i);
        return out;
    }

    void complete(LevelMode mode, int index, int seconds)
    {
        LevelProgress::instance()->setProgressVars(mode, LevelSelect::getLevelFile(index), true, seconds);
    }

    RecordingPlayAccess play;
    LevelSelect* select = nullptr;
};

TEST_F(LevelSelectTest, SixtyLevelsInTheirOrderPlacedAtTheirPoints)
{
    ASSERT_EQ(select->getNumLevelButtons(), 60);
    EXPECT_STREQ(LevelSelect::getLevelFile(0).c_str(), "soil.xml");
    EXPECT_STREQ(LevelSelect::getLevelFile(3).c_str(), "amoeba.xml");
    EXPECT_STREQ(LevelSelect::getLevelFile(40).c_str(), "space1.xml");
    EXPECT_STREQ(LevelSelect::getLevelFile(59).c_str(), "end.xml");
    EXPECT_STREQ(LevelSelect::getLevelFile(60).c_str(), "");
    for (int i = 0; i < 60; ++i)
    {
        LevelButton* lb = select->getLevelButton(i);
        EXPECT_EQ(lb->levelFile, LevelSelect::getLevelFile(i));
        EXPECT_EQ(lb->button->getName(), lb->levelFile);
        EXPECT_EQ(lb->medal, 3);
    }
    // soil.xml sits at (73, 167) on the map: its button's top-left is 13 pixels up and left.
    select->setVisible(true);
    frames(2);
    EXPECT_EQ(select->getLevelButton(0)->button->getPixPosX(), 60);
    EXPECT_EQ(select->getLevelButton(0)->button->getPixPosY(), 154);
}

struct OpenCase
{
    const char* name;
    LevelMode mode;
    int completedCount;  // levels 0..n-1 completed
    bool cheat;
    int firstOpen;
    int enabledCount;  // enabled levels (always a prefix here)
};

class LevelSelectOpening : public LevelSelectTest, public ::testing::WithParamInterface<OpenCase>
{
};

TEST_P(LevelSelectOpening, CompletedLevelsAndTheFirstOpenOneAreEnabled)
{
    const OpenCase& c = GetParam();
    activeProfile("Ann");
    for (int i = 0; i < c.completedCount; ++i)
        complete(c.mode, i, 100);
    // Progress of the other mode never opens anything here.
    complete(c.mode == LevelMode::kTimed ? LevelMode::kCasual : LevelMode::kTimed, 10, 100);
    if (c.cheat)
        typeWord("levels");
    select->setMode(c.mode);
    select->calculateLevelButtonStates();
    select->setNextLevelToLastAvailable();

    EXPECT_EQ(select->getFirstOpenLevel(), c.firstOpen);
    std::vector<int> expected;
    for (int i = 0; i < c.enabledCount; ++i)
        expected.push_back(i);
    EXPECT_EQ(enabledIndices(), expected);
    EXPECT_EQ(select->getHighlightedLevel(), c.firstOpen >= 0 ? c.firstOpen : 0);
}

INSTANTIATE_TEST_SUITE_P(Progress, LevelSelectOpening,
                         ::testing::Values(OpenCase{"NewProfileCasual", LevelMode::kCasual, 0, false, 0, 1},
                                           OpenCase{"NewProfileTimed", LevelMode::kTimed, 0, false, 0, 1},
                                           OpenCase{"FiveDoneCasual", LevelMode::kCasual, 5, false, 5, 6},
                                           OpenCase{"AllDone", LevelMode::kCasual, 60, false, -1, 60},
                                           OpenCase{"AllDoneTimed", LevelMode::kTimed, 60, false, -1, 60},
                                           OpenCase{"LevelsCheat", LevelMode::kCasual, 0, true, -1, 60}),
                         [](const ::testing::TestParamInfo<OpenCase>& info)
                         { return std::string(info.param.name); });

TEST_F(LevelSelectTest, TheLevelsCheatWordOpensEveryLevelAtOnce)
{
    activeProfile("Ann");
    select->setMode(LevelMode::kCasual);
    select->calculateLevelButtonStates();
    ASSERT_EQ(enabledIndices().size(), 1u);
    // What the game's cheat listener does for the word.
    typeWord("levels");
    select->calculateLevelButtonStates();
    EXPECT_EQ(enabledIndices().size(), 60u);
    EXPECT_EQ(select->getFirstOpenLevel(), -1);
}

TEST_F(LevelSelectTest, MedalsFollowTheBestTimeWithEachLimitReachedWhenEqual)
{
    activeProfile("Ann");
    struct
    {
        int index;
        bool completed;
        int best;
        int medal;
    } cases[] = {
        {0, true, 60, 0},  // equal to gold
        {1, true, 59, 0},  // better than gold
        {2, true, 66, 1},  // equal to silver
        {3, true, 67, 2},  // silver + 1
        {4, true, 78, 2},  // equal to bronze
        {5, true, 79, 3},  // slower than bronze
        {6, false, 0, 3},  // not completed
    };
    for (const auto& c : cases)
    {
        MedalTimes::instance()->setLevelTimes(LevelSelect::getLevelFile(c.index), 90, 60, 66, 78);
        if (c.completed)
            complete(LevelMode::kTimed, c.index, c.best);
    }
    select->setMode(LevelMode::kTimed);
    select->calculateLevelButtonStates();
    for (const auto& c : cases)
        EXPECT_EQ(select->getLevelButton(c.index)->medal, c.medal) << c.index;
    // A level the medal table does not know gets no medal and no times.
    complete(LevelMode::kTimed, 20, 10);
    select->calculateLevelButtonStates();
    EXPECT_EQ(select->getLevelButton(20)->medal, 3);
    EXPECT_EQ(select->getLevelButton(20)->timeLimit, 0);
    // Casual mode leaves the medals alone.
    select->setMode(LevelMode::kCasual);
    select->calculateLevelButtonStates();
    EXPECT_EQ(select->getLevelButton(0)->medal, 0);
}

// The panel shows the time left on the level's clock, for the best finish and for each medal,
// and with the game's own texts it says so: "Left at best: 3:45" is a best finish with 3:45 of
// the limit unused, "Left for gold: 4:00" asks to finish with 4:00 still on the clock.
TEST_F(LevelSelectTest, HoveringATimedLevelShowsTheTimeLeftOnItsClock)
{
    const char* source = std::getenv("QF_SOURCE_DIR");
    std::ifstream in(std::string(source ? source : ".") + "/assets/strings.xml", std::ios::binary);
    const std::string strings((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(strings.empty());
    ASSERT_TRUE(platform->GetStringTable()->MergeStringTableText(strings.data(), strings.size()));
    select = add(new LevelSelect(play));  // its captions in the game's texts
    auto rows = [this]
    {
        std::vector<std::string> out;
        for (int row = 0; row < 4; ++row)
            out.push_back(std::string(select->getCaption(row)->getText().c_str()) + " " +
                          select->getValue(row)->getText().c_str());
        return out;
    };
    activeProfile("Ann");
    MedalTimes::instance()->setLevelTimes("soil.xml", 300, 60, 120, 200);
    MedalTimes::instance()->setLevelTimes("bacteria.xml", 300, 60, 120, 200);
    complete(LevelMode::kTimed, 0, 75);
    select->setMode(LevelMode::kTimed);
    select->calculateLevelButtonStates();

    select->updateSelf();
    for (int row = 0; row < 4; ++row)
        EXPECT_FALSE(select->getValue(row)->isVisible());

    select->getLevelButton(0)->button->setState(WGUI::Button::kOver);
    select->updateSelf();
    EXPECT_EQ(rows(), (std::vector<std::string>{"Left at best: 3:45", "Left for gold: 4:00",
                                                "Left for silver: 3:00", "Left for bronze: 1:40"}));
    for (int row = 0; row < 4; ++row)
    {
        EXPECT_TRUE(select->getValue(row)->isVisible());
        EXPECT_TRUE(select->getCaption(row)->isVisible());
    }

    // Two hovered: the later in list order wins; a level not completed has no best.
    select->getLevelButton(1)->button->setState(WGUI::Button::kDown);
    select->updateSelf();
    EXPECT_EQ(rows(), (std::vector<std::string>{"Left at best: -", "Left for gold: 4:00",
                                                "Left for silver: 3:00", "Left for bronze: 1:40"}));

    // A level without medal times shows "-" everywhere.
    select->getLevelButton(1)->button->setState(WGUI::Button::kUp);
    select->getLevelButton(0)->button->setState(WGUI::Button::kUp);
    select->getLevelButton(2)->button->setState(WGUI::Button::kOver);
    select->updateSelf();
    EXPECT_EQ(rows(), (std::vector<std::string>{"Left at best: -", "Left for gold: -", "Left for silver: -",
                                                "Left for bronze: -"}));

    // Casual mode never shows the panel.
    select->setMode(LevelMode::kCasual);
    select->updateSelf();
    for (int row = 0; row < 4; ++row)
        EXPECT_FALSE(select->getValue(row)->isVisible());
}

struct NextCase
{
    const char* name;
    const char* won;
    bool voidingCheat;
    bool nextEnabled;
    int start;
    int expected;
};

class LevelSelectNext : public LevelSelectTest, public ::testing::WithParamInterface<NextCase>
{
};

TEST_P(LevelSelectNext, TheHighlightMovesPastTheLevelJustWon)
{
    const NextCase& c = GetParam();
    activeProfile("Ann");
    select->setMode(LevelMode::kCasual);
    select->calculateLevelButtonStates();
    select->setNextLevelToLastAvailable();
    ASSERT_EQ(select->getHighlightedLevel(), c.start);
    if (c.nextEnabled)
        for (int i = 0; i < 60; ++i)
            select->getLevelButton(i)->button->enable();
    if (c.voidingCheat)
        Cheats::instance()->setSuperFast(true);
    select->setNextLevelAfter(c.won);
    EXPECT_EQ(select->getHighlightedLevel(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    AfterAWin, LevelSelectNext,
    ::testing::Values(NextCase{"CountingGoesToTheNext", "blood.xml", false, false, 0, 3},
                      NextCase{"CountingWrapsAfterTheEnd", "end.xml", false, false, 0, 0},
                      NextCase{"CheatNextOpen", "blood.xml", true, true, 0, 3},
                      NextCase{"CheatNextLockedStays", "blood.xml", true, false, 0, 2},
                      NextCase{"CheatAfterTheEndWraps", "end.xml", true, false, 0, 0},
                      NextCase{"UnknownNameLeavesIt", "nowhere.xml", false, false, 0, 0}),
    [](const ::testing::TestParamInfo<NextCase>& info) { return std::string(info.param.name); });

TEST_F(LevelSelectTest, StartingALevelFadesTheScreenAndTheMusicAndStartsPlay)
{
    WGUI::Window* game = stub("gamewindow");
    game->setVisible(false);
    select->setVisible(true);

    select->setTransitionToLevel("", LevelMode::kCasual, select);
    EXPECT_TRUE(play.loads.empty());

    select->setTransitionToLevel("soil.xml", LevelMode::kTimed, select);
    ASSERT_EQ(play.loads, std::vector<std::string>{"soil.xml/1"});
    WGUI::Transition* t = select->getTransition();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getType(), 10);
    EXPECT_DOUBLE_EQ(t->getTotalTime(), 0.5);
    EXPECT_FALSE(select->isAlwaysActive());
    EXPECT_TRUE(MusicSystem::instance()->isJukeboxOn());
    EXPECT_EQ(MusicSystem::instance()->getPlayOnlySong(), -1);
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->isAlwaysActive());
    EXPECT_EQ(play.pausedCalls, std::vector<bool>{false});
}

TEST_F(LevelSelectTest, ALevelThatDoesNotLoadIsToldAndThePlayerStays)
{
    // Without the check the play screen opened a black, empty level that never ends.
    WGUI::Window* game = stub("gamewindow");
    game->setVisible(false);
    NoticeWindow* notice = add(new NoticeWindow());
    select->setVisible(true);
    select->setAlwaysActive(true);
    play.loadOk = false;

    select->setTransitionToLevel("soil.xml", LevelMode::kCasual, select);
    EXPECT_EQ(play.loads, std::vector<std::string>{"soil.xml/0"});
    EXPECT_FALSE(game->isVisible());
    EXPECT_TRUE(play.pausedCalls.empty());
    EXPECT_EQ(select->getTransition(), nullptr);
    EXPECT_TRUE(select->isAlwaysActive());
    EXPECT_FALSE(MusicSystem::instance()->isJukeboxOn());
    EXPECT_TRUE(notice->isAlwaysActive());
    EXPECT_EQ(notice->getMessage(), str("The level soil.xml could not be loaded."));
    notice->buttonReleased(notice->getOkButton());
    EXPECT_FALSE(notice->isAlwaysActive());
    EXPECT_TRUE(select->isAlwaysActive());
}

TEST_F(LevelSelectTest, ALevelWithAComicOpensTheComicAndPlaysOnlyTheFirstSong)
{
    WGUI::Window* game = stub("gamewindow");
    game->setVisible(false);
    WGUI::Window* comic = stub("comicwindow");
    comic->setVisible(false);
    play.comic = true;
    play.firstSongOnly = true;
    select->setTransitionToLevel("fish1.xml", LevelMode::kCasual, select);
    EXPECT_TRUE(comic->isVisible());
    EXPECT_TRUE(comic->isAlwaysActive());
    EXPECT_FALSE(game->isVisible());
    EXPECT_TRUE(play.pausedCalls.empty());
    EXPECT_EQ(MusicSystem::instance()->getPlayOnlySong(), 0);
}

TEST_F(LevelSelectTest, ButtonsRouteToTheMenuAndToLevels)
{
    WGUI::Window* menu = stub("mainmenu");
    menu->setVisible(false);
    stub("gamewindow")->setVisible(false);
    activeProfile("Ann");
    select->setMode(LevelMode::kCasual);
    select->calculateLevelButtonStates();
    select->setNextLevelToLastAvailable();

    select->buttonReleased(select->getPlayNextButton());
    EXPECT_EQ(play.loads, std::vector<std::string>{"soil.xml/0"});

    select->buttonReleased(select->getLevelButton(0)->button.get());
    EXPECT_EQ(play.loads.back(), "soil.xml/0");

    select->buttonReleased(select->getBackButton());
    ASSERT_NE(select->getTransition(), nullptr);
    EXPECT_EQ(select->getTransition()->getType(), 5);
    ASSERT_NE(menu->getTransition(), nullptr);
    EXPECT_EQ(menu->getTransition()->getType(), 9);
    EXPECT_TRUE(menu->isAlwaysActive());
}

TEST_F(LevelSelectTest, MedalTableIsRebuiltFromTheLevels)
{
    stub("gamewindow")->setVisible(false);
    select->writeMedalFromLevels();
    ASSERT_EQ(play.loads.size(), 60u);
    EXPECT_EQ(play.loads.front(), "soil.xml/1");
    EXPECT_EQ(play.loads.back(), "end.xml/1");
    MedalTimesItem* item = MedalTimes::instance()->getMedalTimesItem("sky3.xml");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->timeLimit, 90);
    EXPECT_EQ(item->goldTime, 60);
    EXPECT_EQ(item->bronzeTime, 78);
}

TEST_F(LevelSelectTest, TheFlashRisesAndFallsBetweenZeroAndOne)
{
    select->setVisible(true);
    double top = 0;
    bool fell = false;
    for (int i = 0; i < 40; ++i)
    {
        frames(1, 20);
        const double v = select->getFlashValue();
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
        if (v > top)
            top = v;
        if (top == 1.0 && v < 1.0)
            fell = true;
    }
    EXPECT_DOUBLE_EQ(top, 1.0);
    EXPECT_TRUE(fell);
}

}  // namespace
