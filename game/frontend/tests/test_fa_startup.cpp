// Start-up and shut-down of the game: the screens are built hidden in their order with only the
// logo screens fading in, the state is saved in its order before any screen goes, and the whole
// program runs from start to a quit request.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "comicwindow.h"
#include "fakebackend.h"
#include "foundation/singletons.h"
#include "frontendservices.h"
#include "wgui_label.h"
#include "levelselect.h"
#include "mainmenu.h"
#include "noticewindow.h"
#include "optionswindow.h"
#include "savedstatecheck.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/navigation.h"
#include "services/options.h"
#include "services/profiles.h"
#include "test_fb_fixture.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wguimain.h"
#include "entitydef.h"
#include "app/platform.h"
#include "foundation/assetmanager.h"
#include "online/gamestate.h"
#include "render/renderer.h"
#include "sound/soundmanager.h"
#include "window/windowmanager.h"

using namespace Game;

namespace
{

// The play screen and its dialogs as plain named windows.
class StubPlayAccess : public fbtest::FakePlayAccess
{
public:
    std::unique_ptr<WGUI::Window> createGameWindow() override { return named("gamewindow"); }
    std::vector<std::unique_ptr<WGUI::Window>> createLevelDialogs(int group) override
    {
        std::vector<std::unique_ptr<WGUI::Window>> dialogs;
        for (const char* name : group == 0 ? std::vector<const char*>{"gamepaused"}
                                           : std::vector<const char*>{"victorywindow", "failurewindow"})
            dialogs.push_back(named(name));
        return dialogs;
    }
    static std::unique_ptr<WGUI::Window> named(const char* name)
    {
        auto w = std::make_unique<WGUI::Window>();
        w->setName(name);
        return w;
    }
};

// The 21 screens in the order they are made; those not part of this build are skipped.
const char* const kScreenOrder[] = {
    "logoscreens",          "mainmenu",          "gamewindow",        "levelselect",
    "gamepaused",           "comicwindow",       "creditswindow",     "victorywindow",
    "failurewindow",        "entitygallery",     "optionswindow",     "cheatswindow",
    "displayconfirmwindow", "endurancemenu",     "enternamewindow",   "changeplayerwindow",
    "deleteplayerwindow",   "confirmexitwindow", "medalsubmitwindow", "medalsubmitresult",
    "noticewindow",
};

std::vector<std::string> expectedOrder(const std::vector<WGUI::Window*>& made)
{
    std::vector<std::string> names;
    for (const char* n : kScreenOrder)
        for (WGUI::Window* w : made)
            if (w->getName() == str(n))
                names.push_back(n);
    return names;
}

class StartUpTest : public fbtest::FrontEndTest
{
protected:
    void SetUp() override { fbtest::FrontEndTest::SetUp(); }
    StubPlayAccess play;
};

class StartUpJoystick : public StartUpTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(StartUpJoystick, ScreensAreBuiltHiddenInOrderAndOnlyTheLogoFadesIn)
{
    writeFile("user/options.xml",
              std::string("<options><display width=\"800\" height=\"600\" depth=\"32\" "
                          "windowed=\"true\"/><control sensitivity=\"0.5\" joystickon=\"") +
                  (GetParam() ? "true" : "false") +
                  "\"/><sound musicvolume=\"0.5\" effectvolume=\"0.5\"/></options>");
    GameShell shell(play);
    shell.startUp();
    EXPECT_EQ(Options::instance()->isJoystickOn(), GetParam());

    std::vector<WGUI::Window*> made;
    for (const std::unique_ptr<WGUI::Window>& screen : shell.getScreens())
        made.push_back(screen.get());
    EXPECT_EQ(made.size(), 21u);
    std::vector<std::string> names;
    for (WGUI::Window* w : made)
        names.push_back(w->getName().c_str());
    EXPECT_EQ(names, expectedOrder(made));
    // The screens this program cannot leave out.
    for (const char* n : {"logoscreens", "mainmenu", "gamewindow", "levelselect", "endurancemenu",
                          "optionswindow", "enternamewindow", "confirmexitwindow"})
        EXPECT_NE(WGUI::Manager::instance()->getChild(n), nullptr) << n;

    // Added to the root in the same order: the last made lies on top (the front of the list).
    std::vector<std::string> rootOrder;
    for (WGUI::Window* w : WGUI::Manager::instance()->getRoot()->getChildren())
        for (WGUI::Window* m : made)
            if (w == m)
                rootOrder.insert(rootOrder.begin(), w->getName().c_str());
    EXPECT_EQ(rootOrder, names);

    for (WGUI::Window* w : made)
    {
        if (w->getName() == str("logoscreens"))
        {
            WGUI::Transition* t = w->getTransition();
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->getType(), 6);
            EXPECT_DOUBLE_EQ(t->getTotalTime(), 0.5);
        }
        else
        {
            EXPECT_FALSE(w->isVisible()) << w->getName().c_str();
            EXPECT_EQ(w->getTransition(), nullptr) << w->getName().c_str();
        }
    }
    // The first frames show the logo coming in and nothing else.
    frames(3);
    EXPECT_TRUE(WGUI::Manager::instance()->getChild("logoscreens")->isVisible());
    EXPECT_FALSE(WGUI::Manager::instance()->getChild("mainmenu")->isVisible());

    shell.deleteScreens();
    shell.deleteSingletons();
}

INSTANTIATE_TEST_SUITE_P(JoystickOption, StartUpJoystick, ::testing::Bool());

// The whole life of the game in order, as it happened: every singleton made by the start-up
// (the GUI's own, the options, the manager, the other services, the gameplay's), the state saved
// (options, eaten totals, level progress, profiles), the screens deleted in the order they were
// made, then every singleton deleted once: the profiles, the options, the cheats, the medal
// times, the level progress, the unit converter, the music, the intro loop, the sound effects
// and the GUI manager, whose destructor takes its own parts and the GUI's singletons with it.
TEST_F(StartUpTest, StartUpSavingAndShutDownGoInTheirWholeOrder)
{
    GamePlayAccess game;
    deleteAllSingletons(game);  // what the fixture and earlier tests made
    qfTakeLifetimeRecord();
    qfRecordLifetime(true);
    {
        GameShell shell(game);
        shell.startUp();
        activeProfile("Ann");
        shell.save();
        shell.deleteScreens();
        shell.deleteSingletons();
    }
    qfRecordLifetime(false);
    std::vector<std::string> expected;
    for (const char* made :
         {"Pathnames",         "StringTable", "Fonts",      "Shapes",        "Timer",
          "EggTimers",         "Input",       "ImageMaps",  "AnimationDefs", "Options",
          "WGUI::Manager",     "Profiles",    "MedalTimes", "LevelProgress", "TSoundHelper",
          "SoundEffectSystem", "Cheats",      "IntroLoop",  "MusicSystem",   "UnitConverter"})
        expected.push_back(std::string("make ") + made);
    for (const char* saved : {"options.xml", "eatenentities.xml", "levelprogress.xml", "profiles.xml"})
        expected.push_back(std::string("save ") + saved);
    for (const char* screenName : kScreenOrder)
        expected.push_back(std::string("delete ") + screenName);
    for (const char* deleted : {"Profiles",      "Options",         "Cheats",
                                "MedalTimes",    "LevelProgress",   "UnitConverter",
                                "MusicSystem",   "IntroLoop",       "SoundEffectSystem",
                                "WGUI::Manager", "root window",     "tooltip",
                                "Timer",         "particle engine", "frame-rate label",
                                "debug box",     "mouse cursor",    "queued transitions",
                                "Fonts",         "ImageMaps",       "AnimationDefs",
                                "EggTimers",     "StringTable",     "Shapes",
                                "Input",         "TSoundHelper",    "DebugFile",
                                "Pathnames"})
        expected.push_back(std::string("delete ") + deleted);
    EXPECT_EQ(qfTakeLifetimeRecord(), expected);
    for (const char* f : {"options.xml", "eatenentities.xml", "levelprogress.xml", "profiles.xml"})
        EXPECT_TRUE(fileExists(std::string("user/") + f)) << f;
    EXPECT_NE(readFile("user/profiles.xml").find("Ann"), std::string::npos);
    EXPECT_FALSE(WGUI::Manager::hasInstance());
}

// One version everywhere: the one the platform reads from the program (its start line and the
// "version" setting the hiscore and statistics clients send), the main menu's label and the
// options screen's text.
TEST_F(StartUpTest, TheGameShowsOneVersionEverywhere)
{
    GameShell shell(play);
    shell.startUp();
    EXPECT_STREQ(TPlatform::GetConfig(str(TPlatform::kGameVersion)).c_str(), "1.2.0.0");
    MainMenu* menu = dynamic_cast<MainMenu*>(WGUI::Manager::instance()->getChild("mainmenu"));
    OptionsWindow* options =
        dynamic_cast<OptionsWindow*>(WGUI::Manager::instance()->getChild("optionswindow"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(options, nullptr);
    EXPECT_STREQ(menu->getVersionLabel()->getText().c_str(), "Version: 1, 2, 0, 0 Zestkit ");
    EXPECT_STREQ(options->getVersionLabel()->getText().c_str(), "Version 1.2.0.0");  // "Version %1%"
    shell.deleteScreens();
    shell.deleteSingletons();
}

TEST_F(StartUpTest, CheatWordsReachTheScreensThroughTheInstalledListener)
{
    GameShell shell(play);
    shell.startUp();
    ASSERT_EQ(Cheats::instance()->getListener(), static_cast<CheatsListener*>(shell.getServices()));
    MainMenu* menu = dynamic_cast<MainMenu*>(WGUI::Manager::instance()->getChild("mainmenu"));
    ASSERT_NE(menu, nullptr);
    WGUI::Window* version = menu->getVersionLabel();
    EXPECT_FALSE(version->isVisible());
    for (char c : std::string("version"))
    {
        WGUI::WEvent e;
        e.type = WGUI::WEvent::kChar;
        e.code = c;
        WGUICallback(e);
    }
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->isVisible());
    shell.deleteScreens();
    shell.deleteSingletons();
}

// The services the shell installs act on the play screen only through the access the shell was
// given: the cheats that scale the goo and the level time, the pause on losing the focus.
TEST_F(StartUpTest, ServicesReachThePlayScreenThroughTheShellsAccess)
{
    GameShell shell(play);
    shell.startUp();
    WGUI::Window* game = WGUI::Manager::instance()->getChild("gamewindow");
    ASSERT_NE(game, nullptr);
    FrontendServices* services = shell.getServices();
    services->cheatScaleGooArea(3.0);
    services->cheatScaleLevelTime(0.5);
    services->pauseGame(game);
    EXPECT_EQ(play.gooScales, std::vector<double>{3.0});
    EXPECT_EQ(play.timeScales, std::vector<double>{0.5});
    EXPECT_EQ(play.pauseTransitions, std::vector<WGUI::Window*>{game});
    // The GUI manager's loop asks the services which window plays.
    EXPECT_EQ(services->playScreen(WGUI::Manager::instance()->getRoot()), game);
    shell.deleteScreens();
    shell.deleteSingletons();
}

// The GUI manager tells the services of every full-screen toggle; the options screen's check
// box follows the saved mode only while that screen shows.
TEST_F(StartUpTest, FullScreenTogglesReachTheOptionsScreenOnlyWhileItShows)
{
    GameShell shell(play);
    shell.startUp();
    OptionsWindow* options = screenOf<OptionsWindow>();
    ASSERT_NE(options, nullptr);
    struct Case
    {
        bool shows;
        bool windowed;
    };
    const Case cases[] = {{true, false}, {true, true}, {false, false}, {false, true}};
    for (const Case& c : cases)
    {
        options->setVisible(c.shows);
        // The box starts out showing the other mode.
        options->getFullScreenBox()->setSelected(c.windowed);
        Options::instance()->setWindowed(c.windowed);
        shell.getServices()->fullScreenToggled();
        const bool fullScreenShown = c.shows ? !c.windowed : c.windowed;
        EXPECT_EQ(options->getFullScreenBox()->getSelected(), fullScreenShown) << c.shows << c.windowed;
    }
    shell.deleteScreens();
    shell.deleteSingletons();
}

// The screens the play screen and the name entry lead to prepare themselves from what the
// navigation seam tells them.
TEST_F(StartUpTest, ScreensGoneToPrepareThemselvesFromTheArrival)
{
    GameShell shell(play);
    shell.startUp();
    activeProfile("Ann");
    LevelSelect* select = screenOf<LevelSelect>();
    ASSERT_NE(select, nullptr);

    // From the name entry: timed (1) and casual (0) mode, the highlight on the last open level.
    Arrival entry;
    entry.from = Screen::kEnterName;
    for (LevelMode mode : {LevelMode::kTimed, LevelMode::kCasual})
    {
        entry.mode = mode;
        EXPECT_EQ(goToScreen(Screen::kLevelSelect, nullptr, entry), select);
        EXPECT_EQ(select->getMode(), mode);
        EXPECT_EQ(select->getHighlightedLevel(), 0);
        EXPECT_TRUE(select->isAlwaysActive());
    }
    // From the victory dialog: the highlight moves past the level won.
    LevelProgress::instance()->setProgressVars(LevelMode::kCasual, LevelSelect::getLevelFile(0), true, 30);
    Arrival won;
    won.from = Screen::kVictory;
    won.mode = LevelMode::kCasual;
    won.levelFile = LevelSelect::getLevelFile(0);
    goToScreen(Screen::kLevelSelect, nullptr, won);
    EXPECT_EQ(select->getHighlightedLevel(), 1);
    EXPECT_EQ(select->getMode(), LevelMode::kCasual);

    // The options remember whether to go back to the pause dialog or the main menu.
    OptionsWindow* options = screenOf<OptionsWindow>();
    ASSERT_NE(options, nullptr);
    Arrival paused;
    paused.from = Screen::kGamePaused;
    goToScreen(Screen::kOptions, nullptr, paused);
    EXPECT_EQ(options->getFromWindow(), OptionsWindow::kFromPause);
    goToScreen(Screen::kOptions, nullptr, entry);
    EXPECT_EQ(options->getFromWindow(), OptionsWindow::kFromMainMenu);

    // The comic takes the play screen's closing pages.
    ComicWindow* comic = screenOf<ComicWindow>();
    ASSERT_NE(comic, nullptr);
    Arrival end;
    end.from = Screen::kGame;
    end.sender = screen(Screen::kGame);
    goToScreen(Screen::kComic, nullptr, end);
    EXPECT_EQ(comic->getGameWindow(), screen(Screen::kGame));
    EXPECT_TRUE(comic->isEnd());

    shell.deleteScreens();
    shell.deleteSingletons();
}

// The whole program path: start-up, the run loop until the platform's quit (the window's close
// box, or a quit request such as a termination signal), then the state saved and everything
// torn down.
class StartUpQuit : public StartUpTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(StartUpQuit, RunReturnsOnQuitAndTheStateIsSaved)
{
    GameShell shell(play);
    shell.startUp();
    activeProfile("Ann");
    TNativeEvent quit;
    quit.mKind = static_cast<TNativeEvent::EKind>(GetParam());
    backend->PushEvent(quit);
    shell.run();
    shell.save();
    shell.deleteScreens();
    shell.deleteSingletons();
    EXPECT_TRUE(fileExists("user/options.xml"));
    EXPECT_TRUE(fileExists("user/levelprogress.xml"));
    EXPECT_NE(readFile("user/profiles.xml").find("Ann"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(QuitPaths, StartUpQuit,
                         ::testing::Values(static_cast<int>(TNativeEvent::kWindowClose),
                                           static_cast<int>(TNativeEvent::kQuitRequested)));

// Damaged saves found at start: one notice over the logo tells which were restored from the
// backup and which start afresh; records a crash left under an unlisted name are joined up; the
// temporary file of an interrupted save is gone.
TEST_F(StartUpTest, DamagedSavesAreToldOnceAtStart)
{
    const std::string progress =
        "<levelprogress><profile name=\"Ann\"><normal><level name=\"a.xml\" completed=\"true\" "
        "time=\"7\"></level></normal><timeattack></timeattack><endurance></endurance></profile>"
        "</levelprogress>";
    writeFile("user/levelprogress.xml", progress.substr(0, 50));
    writeFile("user/levelprogress.xml.bak", progress);
    writeFile("user/options.xml", "<options><display width=");
    writeFile("user/profiles.xml", "<profiles active=\"Ann\"><profile name=\"Ann\"></profile></profiles>");
    writeFile("user/.save-q1w2e3", "<levelprogress>");
    TakeSavedStateReports();
    GameShell shell(play);
    shell.startUp();
    WGUI::Window* w = WGUI::Manager::instance()->getChild("noticewindow");
    NoticeWindow* notice = dynamic_cast<NoticeWindow*>(w);
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isAlwaysActive());
    const std::string text = notice->getMessage().c_str();
    EXPECT_NE(text.find("Your level progress could not be read, so the last good copy was brought "
                        "back from the backup."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Your settings could not be read and there was no good copy to bring "
                        "back, so it starts anew. The damaged file was kept as "
                        "options.xml.damaged-"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(root + "/user/.save-q1w2e3"));
    bool completed = false;
    int time = 0;
    EXPECT_TRUE(LevelProgress::instance()->getProgressVars(LevelMode::kCasual, "a.xml", completed, time));
    EXPECT_EQ(time, 7);

    // OK puts it away; nothing more to tell at the next start.
    notice->buttonReleased(notice->getOkButton());
    EXPECT_FALSE(notice->isAlwaysActive());
    shell.save();
    shell.deleteScreens();
    shell.deleteSingletons();
    EXPECT_TRUE(TakeSavedStateReports().empty());
    EXPECT_EQ(SavedStateCheck::noticeText({}), str(""));
}

// The start-up makes every singleton before anything looks it up, and nothing looks one up after
// the shut-down deleted it: in the game such a look-up stops the program.
TEST_F(StartUpTest, EverySingletonIsMadeByTheStartUpBeforeItIsLookedUp)
{
    deleteAllSingletons(access);  // what the fixture made
    // The program's platform makes its text layer's singletons before the game starts (its text
    // hooks); a test run alone has not made them yet (in a full run an earlier test has).
    TFontData::CreateInstance();
    TQfMiniVecDraw::CreateInstance();
    qfTakeSingletonsMadeOnLookUp();
    qfSetSingletonLookUp(TSingletonLookUp::kRecordAndMake);
    {
        GamePlayAccess game;
        GameShell shell(game);
        shell.startUp();
        WGUI::Window* menu = WGUI::Manager::instance()->getChild("mainmenu");
        framesUntil([menu] { return menu->isVisible(); }, 400);
        shell.save();
        shell.deleteScreens();
        shell.deleteSingletons();
    }
    const std::vector<std::string> madeOnLookUp = qfTakeSingletonsMadeOnLookUp();
    qfSetSingletonLookUp(TSingletonLookUp::kMakeOnFirstLookUp);
    EXPECT_EQ(madeOnLookUp, std::vector<std::string>{});
}

// The special kinds are registered by the start-up itself, never by whichever object file a
// link happened to keep.
TEST_F(StartUpTest, StartUpRegistersTheSpecialKindsWithThePlayScreen)
{
    EntityDef::setCustomEntityFactory(nullptr);
    GamePlayAccess game;
    GameShell shell(game);
    shell.startUp();
    EXPECT_NE(EntityDef::getCustomEntityFactory(), nullptr);
    shell.deleteScreens();
    shell.deleteSingletons();
}

// With the real play screen (and no level data at all) the game still starts, shows the logo
// and hands over to the main menu, and tears down cleanly; the screens reach the play screen
// through the access the shell was given.
TEST_F(StartUpTest, WithThePlayScreenTheLogoHandsOverToTheMainMenu)
{
    GamePlayAccess game;
    GameShell shell(game);
    EXPECT_EQ(&shell.getPlayAccess(), &game);
    shell.startUp();
    EXPECT_NE(WGUI::Manager::instance()->getChild("gamewindow"), nullptr);
    WGUI::Window* menu = WGUI::Manager::instance()->getChild("mainmenu");
    WGUI::Window* logos = WGUI::Manager::instance()->getChild("logoscreens");
    const int used = framesUntil([menu] { return menu->isVisible(); }, 400);
    EXPECT_GE(used, 0);
    frames(40);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(logos->isVisible());
    shell.save();
    shell.deleteScreens();
    shell.deleteSingletons();
}

// An accessor only looks up: a look-up of what the start-up did not make stops the program with
// its name, the GUI manager's and the renderer's as every other's. The platform's own parts (the
// facade, its window, asset and sound managers and the game-state store) are there only while the
// platform is, and answer null outside it, as the framework's code expects.
TEST(SingletonLookUp, ALookUpOfWhatTheStartUpDidNotMakeStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_FALSE(WGUI::Manager::hasInstance());
    ASSERT_FALSE(TRenderer::HasInstance());
    const struct
    {
        const char* name;
        void (*lookUp)();
    } cases[] = {
        {"WGUI::Manager", [] { WGUI::Manager::instance(); }},
        {"TRenderer", [] { TRenderer::GetInstance(); }},
        {"Options", [] { Options::instance(); }},
        {"Input", [] { WGUI::Input::instance(); }},
    };
    for (const auto& c : cases)
        EXPECT_DEATH(
            {
                qfSetSingletonLookUp(TSingletonLookUp::kStartUpMakesThem);
                c.lookUp();
            },
            std::string(c.name) + " was looked up before the start-up made it")
            << c.name;
    EXPECT_EQ(TPlatform::GetInstance(), nullptr);
    EXPECT_EQ(TWindowManager::GetInstance(), nullptr);
    EXPECT_EQ(TSoundManager::GetInstance(), nullptr);
    EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
    EXPECT_EQ(TGameState::GetInstance(), nullptr);
}

}  // namespace
