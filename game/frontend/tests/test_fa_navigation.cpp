// The navigation seam: every screen class is found by its kind under the window name the game
// has always used, a typed look-up refuses a stand-in of another class, and each step of a change
// between screens does what it says and nothing more.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cheatswindow.h"
#include "comicwindow.h"
#include "confirmexit.h"
#include "creditswindow.h"
#include "endurancemenu.h"
#include "entitygallery.h"
#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "levelselect.h"
#include "logoscreens.h"
#include "mainmenu.h"
#include "medalsubmit.h"
#include "noticewindow.h"
#include "optionswindow.h"
#include "playscreenaccess.h"
#include "profilewindows.h"
#include "services/navigation.h"
#include "test_fb_fixture.h"
#include "victorywindow.h"
#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wguimain.h"

using namespace Game;

namespace
{

// A stand-in screen that notes what it was when it was told of an arrival.
class NotingScreen : public WGUI::Window, public Destination
{
public:
    explicit NotingScreen(Screen s)
    {
        setName(screenName(s));
        setVisible(false);
    }
    void arrive(const Arrival& arrival) override
    {
        froms.push_back(arrival.from);
        visibleOnArrival.push_back(isVisible());
        activeOnArrival.push_back(isAlwaysActive());
    }
    std::vector<Screen> froms;
    std::vector<bool> visibleOnArrival, activeOnArrival;
};

class NavigationTest : public fbtest::FrontEndTest
{
protected:
    std::unique_ptr<WGUI::Transition> fade()
    {
        return makeTransition(WGUI::Transition::kOpacityIn, 0, 0, 0.5);
    }
    // The root's named screens from the front (the head of its list) to the back.
    std::vector<std::string> frontToBack()
    {
        std::vector<std::string> names;
        for (WGUI::Window* w : WGUI::Manager::instance()->getRoot()->getChildren())
            if (!w->getName().empty())
                names.push_back(w->getName().c_str());
        return names;
    }
};

template <class T>
void expectFoundAs(Screen s, const char* name)
{
    T* typed = screenOf<T>();
    ASSERT_NE(typed, nullptr) << name;
    EXPECT_EQ(static_cast<WGUI::Window*>(typed), screen(s)) << name;
    EXPECT_EQ(typed->getName(), str(name)) << name;
    EXPECT_EQ(T::kScreen, s) << name;
}

// With the real play screen: each of the 21 screens the start-up builds is found by its kind, as
// its own class, under its window name.
TEST_F(NavigationTest, EveryScreenIsFoundTypedUnderItsWindowName)
{
    GamePlayAccess game;
    GameShell shell(game);
    shell.startUp();
    expectFoundAs<LogoScreens>(Screen::kLogos, "logoscreens");
    expectFoundAs<MainMenu>(Screen::kMainMenu, "mainmenu");
    expectFoundAs<GameWindow>(Screen::kGame, "gamewindow");
    expectFoundAs<LevelSelect>(Screen::kLevelSelect, "levelselect");
    expectFoundAs<GamePaused>(Screen::kGamePaused, "gamepaused");
    expectFoundAs<ComicWindow>(Screen::kComic, "comicwindow");
    expectFoundAs<CreditsWindow>(Screen::kCredits, "creditswindow");
    expectFoundAs<VictoryWindow>(Screen::kVictory, "victorywindow");
    expectFoundAs<FailureWindow>(Screen::kFailure, "failurewindow");
    expectFoundAs<EntityGallery>(Screen::kGallery, "entitygallery");
    expectFoundAs<OptionsWindow>(Screen::kOptions, "optionswindow");
    expectFoundAs<CheatsWindow>(Screen::kCheats, "cheatswindow");
    expectFoundAs<DisplayConfirmWindow>(Screen::kDisplayConfirm, "displayconfirmwindow");
    expectFoundAs<EnduranceMenu>(Screen::kEndurance, "endurancemenu");
    expectFoundAs<EnterNameWindow>(Screen::kEnterName, "enternamewindow");
    expectFoundAs<ChangePlayerWindow>(Screen::kChangePlayer, "changeplayerwindow");
    expectFoundAs<DeletePlayerWindow>(Screen::kDeletePlayer, "deleteplayerwindow");
    expectFoundAs<ConfirmExitWindow>(Screen::kConfirmExit, "confirmexitwindow");
    expectFoundAs<MedalSubmitWindow>(Screen::kMedalSubmit, "medalsubmitwindow");
    expectFoundAs<MedalSubmitResult>(Screen::kMedalSubmitResult, "medalsubmitresult");
    expectFoundAs<NoticeWindow>(Screen::kNotice, "noticewindow");
    EXPECT_EQ(screen(Screen::kNone), nullptr);
    EXPECT_STREQ(screenName(Screen::kNone), "");
    shell.deleteScreens();
    shell.deleteSingletons();
}

// A plain window under a screen's name stands in for it: the Screen forms act on it, the typed
// forms leave it alone (and own the transition they were given).
TEST_F(NavigationTest, TypedFormsActOnlyOnTheirClass)
{
    WGUI::Window* standIn = stub("levelselect");
    standIn->setVisible(false);
    EXPECT_EQ(screenOf<LevelSelect>(), nullptr);
    EXPECT_EQ(goToScreen<LevelSelect>(fade()), nullptr);
    EXPECT_EQ(openDialog<LevelSelect>(fade(), nullptr), nullptr);
    EXPECT_EQ(returnToScreen<LevelSelect>(), nullptr);
    EXPECT_EQ(standIn->getTransition(), nullptr);
    EXPECT_FALSE(standIn->isAlwaysActive());

    EXPECT_EQ(goToScreen(Screen::kLevelSelect, fade()), standIn);
    ASSERT_NE(standIn->getTransition(), nullptr);
    EXPECT_EQ(standIn->getTransition()->getType(), WGUI::Transition::kOpacityIn);
    EXPECT_TRUE(standIn->isAlwaysActive());
    EXPECT_TRUE(standIn->isVisible());  // a transition shows its window
}

// A screen prepares itself before it shows: told of the arrival while still hidden and inactive,
// whether it comes with a transition or at once.
TEST_F(NavigationTest, TheArrivalIsToldBeforeTheScreenShows)
{
    NotingScreen* comic = add(new NotingScreen(Screen::kComic));
    Arrival a;
    a.from = Screen::kLevelSelect;
    EXPECT_EQ(showScreen(Screen::kComic, a), comic);
    EXPECT_TRUE(comic->isVisible());
    EXPECT_TRUE(comic->isAlwaysActive());
    EXPECT_EQ(comic->getTransition(), nullptr);

    comic->setVisible(false);
    comic->setAlwaysActive(false);
    a.from = Screen::kGame;
    goToScreen(Screen::kComic, fade(), a);
    EXPECT_EQ(comic->froms, (std::vector<Screen>{Screen::kLevelSelect, Screen::kGame}));
    EXPECT_EQ(comic->visibleOnArrival, (std::vector<bool>{false, false}));
    EXPECT_EQ(comic->activeOnArrival, (std::vector<bool>{false, false}));

    // Without the screen nothing is shown and the transition is not leaked.
    EXPECT_EQ(goToScreen(Screen::kCredits, fade(), a), nullptr);
    EXPECT_EQ(showScreen(Screen::kCredits, a), nullptr);
}

TEST_F(NavigationTest, LeavingKeepsARunningTransitionUnlessGivenANewOne)
{
    WGUI::Window* menu = stub("mainmenu");
    menu->setAlwaysActive(true);
    std::unique_ptr<WGUI::Transition> made = fade();
    WGUI::Transition* running = made.get();
    menu->setTransition(std::move(made));
    leaveScreen(menu, nullptr);
    EXPECT_FALSE(menu->isAlwaysActive());
    EXPECT_EQ(menu->getTransition(), running);

    menu->setAlwaysActive(true);
    EXPECT_EQ(leaveScreen(Screen::kMainMenu, makeTransition(WGUI::Transition::kOpacityOut, 0, 0, 0.5)), menu);
    EXPECT_EQ(menu->getTransition()->getType(), WGUI::Transition::kOpacityOut);
    EXPECT_FALSE(menu->isAlwaysActive());

    EXPECT_EQ(leaveScreen(Screen::kCredits, fade()), nullptr);
    leaveScreen(static_cast<WGUI::Window*>(nullptr), fade());
}

TEST_F(NavigationTest, ADialogOpensOverAScreenThatStaysBeneath)
{
    WGUI::Window* options = stub("optionswindow");
    WGUI::Window* cheats = stub("cheatswindow");
    WGUI::Window* menu = stub("mainmenu");  // made last: in front
    cheats->setVisible(false);
    options->setAlwaysActive(true);
    EXPECT_EQ(openDialog(Screen::kCheats,
                         makeTransition(WGUI::Transition::kSlideIn, WGUI::Transition::kOpacityIn, 90, 0.25),
                         options),
              cheats);
    EXPECT_FALSE(options->isAlwaysActive());
    EXPECT_TRUE(options->isVisible());
    EXPECT_EQ(options->getTransition(), nullptr);
    EXPECT_TRUE(cheats->isAlwaysActive());
    EXPECT_TRUE(cheats->isVisible());
    EXPECT_EQ(cheats->getTransition()->getType(), WGUI::Transition::kSlideIn);
    frames(1);
    EXPECT_EQ(frontToBack().front(), "cheatswindow");

    // Closing it gives the screen beneath its input back, with no transition.
    leaveScreen(cheats, nullptr);
    EXPECT_EQ(returnToScreen(Screen::kOptions), options);
    EXPECT_TRUE(options->isAlwaysActive());
    EXPECT_EQ(options->getTransition(), nullptr);

    // Without the dialog the screen beneath keeps its input.
    EXPECT_EQ(openDialog(Screen::kMedalSubmit, fade(), options), nullptr);
    EXPECT_TRUE(options->isAlwaysActive());
    (void)menu;
}

TEST_F(NavigationTest, ScreensComeToTheFrontInTheOrderAsked)
{
    stub("levelselect");
    stub("mainmenu");
    stub("optionswindow");
    EXPECT_EQ(frontToBack(), (std::vector<std::string>{"optionswindow", "mainmenu", "levelselect"}));
    bringToFront(Screen::kMainMenu);
    bringToFront(screen(Screen::kLevelSelect));
    EXPECT_EQ(bringToFront(Screen::kCredits), nullptr);
    frames(1);
    EXPECT_EQ(frontToBack(), (std::vector<std::string>{"levelselect", "mainmenu", "optionswindow"}));
}

TEST_F(NavigationTest, AChainedTransitionLeadsToTheScreenOrNowhere)
{
    WGUI::Window* menu = stub("mainmenu");
    std::unique_ptr<WGUI::Transition> out = makeTransition(WGUI::Transition::kHideAtOnce, 0, 0, 0.0);
    std::unique_ptr<WGUI::Transition> in = makeTransition(WGUI::Transition::kFadeFromColour, 0, 0, 0.5);
    WGUI::Transition* chained = in.get();
    EXPECT_EQ(chainToScreen(out.get(), Screen::kMainMenu, std::move(in)), menu);
    EXPECT_EQ(out->getNextTransition(), chained);
    EXPECT_EQ(out->getNextWindow(), menu);
    out.reset();  // hands the chained one on to the menu

    std::unique_ptr<WGUI::Transition> alone = makeTransition(WGUI::Transition::kHideAtOnce, 0, 0, 0.0);
    EXPECT_EQ(chainToScreen(alone.get(), Screen::kCredits, fade()), nullptr);
    EXPECT_EQ(alone->getNextTransition(), nullptr);
    EXPECT_EQ(alone->getNextWindow(), nullptr);
}

TEST_F(NavigationTest, TheFirstScreenStartsWithoutBeingMadeAlwaysActive)
{
    WGUI::Window* logos = stub("logoscreens");
    logos->setVisible(false);
    EXPECT_EQ(startScreen(Screen::kLogos, makeTransition(WGUI::Transition::kFadeFromColour, 0, 0, 0.5)),
              logos);
    EXPECT_TRUE(logos->isVisible());
    EXPECT_FALSE(logos->isAlwaysActive());
    ASSERT_NE(logos->getTransition(), nullptr);
    EXPECT_EQ(logos->getTransition()->getType(), WGUI::Transition::kFadeFromColour);
    EXPECT_EQ(startScreen(Screen::kCredits, fade()), nullptr);
}

TEST_F(NavigationTest, AScreenInTransitionIsSeenAsMoving)
{
    WGUI::Window* entry = stub("enternamewindow");
    EXPECT_FALSE(screenInTransition(Screen::kEnterName));
    entry->setTransition(fade());
    EXPECT_TRUE(screenInTransition(Screen::kEnterName));
    EXPECT_FALSE(screenInTransition(Screen::kCredits));
}

// A level with opening pages: the comic is told by the level selection which play screen holds
// the level and that these are the opening pages, before it shows and loads its first page.
TEST_F(NavigationTest, ALevelStartTellsTheComicItsPlayScreenAndOpeningPages)
{
    class ComicLevelAccess : public fbtest::FakePlayAccess
    {
    public:
        bool loadLevel(WGUI::Window*, const str&, LevelMode) override { return true; }
        bool levelHasInitialComic(WGUI::Window*) override { return true; }
    } play;
    std::vector<std::pair<WGUI::Window*, bool>> asked;
    play.pages = [&asked](WGUI::Window* g, bool end)
    {
        asked.emplace_back(g, end);
        return std::vector<ComicPageFiles>();
    };
    WGUI::Window* game = stub("gamewindow");
    game->setVisible(false);
    LevelSelect* select = add(new LevelSelect(play));
    ComicWindow* comic = add(new ComicWindow(play));
    comic->setVisible(false);
    comic->setGameWindow(nullptr);
    comic->setEnd(true);  // as the last end comic left it

    select->setTransitionToLevel("fish1.xml", LevelMode::kCasual, select);
    EXPECT_EQ(comic->getGameWindow(), game);
    EXPECT_FALSE(comic->isEnd());
    EXPECT_TRUE(comic->isVisible());
    EXPECT_TRUE(comic->isAlwaysActive());
    EXPECT_FALSE(game->isVisible());
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), std::make_pair(game, false));
}

}  // namespace
