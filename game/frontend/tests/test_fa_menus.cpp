// The main menu's routes, the endurance menu's opening rules, the logo screens' timing and the
// player name rows.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "endurancemenu.h"
#include "frontendutil.h"
#include "levelselect.h"
#include "logoscreens.h"
#include "mainmenu.h"
#include "playernamebutton.h"
#include "profilewindows.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/music.h"
#include "services/navigation.h"
#include "services/profiles.h"
#include "test_fb_fixture.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_font.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

namespace
{

struct TransitionSeen
{
    int type;
    int type2;
    double seconds;
};

void expectTransition(WGUI::Window* w, TransitionSeen want, const char* what)
{
    ASSERT_NE(w, nullptr) << what;
    WGUI::Transition* t = w->getTransition();
    ASSERT_NE(t, nullptr) << what;
    EXPECT_EQ(t->getType(), want.type) << what;
    if (want.type2 >= 0)
    {
        EXPECT_EQ(t->getType2(), want.type2) << what;
    }
    EXPECT_DOUBLE_EQ(t->getTotalTime(), want.seconds) << what;
}

class MainMenuTest : public fbtest::FrontEndTest
{
protected:
    void SetUp() override
    {
        fbtest::FrontEndTest::SetUp();
        menu = add(new MainMenu(access));
        select = add(new LevelSelect(access));
        endurance = add(new EnduranceMenu());
        names = add(new EnterNameWindow(access));
        for (const char* n : {"entitygallery", "optionswindow", "confirmexitwindow", "changeplayerwindow"})
            stub(n)->setVisible(false);
        menu->setVisible(true);
        menu->setAlwaysActive(true);
    }
    MainMenu* menu = nullptr;
    LevelSelect* select = nullptr;
    EnduranceMenu* endurance = nullptr;
    EnterNameWindow* names = nullptr;
};

TEST_F(MainMenuTest, WithoutAProfileTheFirstFiveButtonsAskForANameWithTheirCode)
{
    ASSERT_FALSE(Profiles::instance()->hasActiveProfile());
    for (int code = 0; code < 5; ++code)
    {
        names->setPlayerName("left over");
        names->setTransition(nullptr);
        menu->setAlwaysActive(true);
        menu->buttonReleased(menu->getButton(code));
        expectTransition(names, {8, 9, 0.3}, "name entry");
        EXPECT_EQ(names->getFromButton(), code);
        EXPECT_TRUE(names->isAlwaysActive());
        // The menu stays where it is, beneath the name entry.
        EXPECT_FALSE(menu->isAlwaysActive());
        EXPECT_EQ(menu->getTransition(), nullptr);
        EXPECT_TRUE(menu->isVisible());
    }
}

TEST_F(MainMenuTest, APressWhileTheNameEntryMovesIsIgnored)
{
    names->setTransition(new WGUI::Transition());
    activeProfile("Ann");
    menu->buttonReleased(menu->getButton(MainMenu::kPlay));
    EXPECT_EQ(menu->getTransition(), nullptr);
    EXPECT_EQ(select->getTransition(), nullptr);
}

struct RouteCase
{
    int button;
    const char* target;
    std::optional<LevelMode> mode;  // the level selection's mode, when it is the target
};

class MainMenuRoutes : public MainMenuTest, public ::testing::WithParamInterface<RouteCase>
{
};

TEST_P(MainMenuRoutes, WithAProfileEachButtonFadesToItsScreen)
{
    const RouteCase& c = GetParam();
    activeProfile("Ann");
    menu->buttonReleased(menu->getButton(c.button));
    WGUI::Window* target = WGUI::Manager::instance()->getChild(c.target);
    expectTransition(menu, {10, -1, 0.5}, "menu out");
    expectTransition(target, {6, -1, 0.5}, c.target);
    EXPECT_TRUE(target->isAlwaysActive());
    EXPECT_FALSE(menu->isAlwaysActive());
    if (c.mode)
    {
        EXPECT_EQ(select->getMode(), *c.mode);
        // Recomputed for the new profile: only the first level open, and highlighted.
        EXPECT_EQ(select->getFirstOpenLevel(), 0);
        EXPECT_EQ(select->getHighlightedLevel(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, MainMenuRoutes,
                         ::testing::Values(RouteCase{MainMenu::kPlay, "levelselect", LevelMode::kTimed},
                                           RouteCase{MainMenu::kCasual, "levelselect", LevelMode::kCasual},
                                           RouteCase{MainMenu::kEndurance, "endurancemenu", std::nullopt},
                                           RouteCase{MainMenu::kGallery, "entitygallery", std::nullopt},
                                           RouteCase{MainMenu::kOptions, "optionswindow", std::nullopt},
                                           RouteCase{MainMenu::kChangePlayer, "changeplayerwindow",
                                                     std::nullopt}));

TEST_F(MainMenuTest, ExitOpensTheConfirmationOverTheMenu)
{
    for (bool profile : {false, true})
    {
        if (profile)
            activeProfile("Ann");
        WGUI::Window* confirm = WGUI::Manager::instance()->getChild("confirmexitwindow");
        confirm->setTransition(nullptr);
        menu->setAlwaysActive(true);
        menu->buttonReleased(menu->getButton(MainMenu::kExit));
        expectTransition(confirm, {8, 9, 0.3}, "confirmation");
        EXPECT_TRUE(confirm->isAlwaysActive());
        EXPECT_EQ(menu->getTransition(), nullptr);
        EXPECT_FALSE(menu->isAlwaysActive());
    }
}

TEST_F(MainMenuTest, TheGalleryGetsTheActiveProfilesTotalsJustBeforeItOpens)
{
    TotalEntitiesEaten* t = makeTotals(2);
    activeProfile("Ann");
    std::vector<EntityKind*> all;
    kinds.getKinds(all);
    t->addEntities(all[0], 4);
    menu->buttonReleased(menu->getButton(MainMenu::kGallery));
    ASSERT_NE(t->getEatenNumProfile(), nullptr);
    EXPECT_EQ(t->getEatenNumProfile()->getTotal(), 4);
}

TEST_F(MainMenuTest, TheProfilePanelFollowsTheActiveProfileFromFrameToFrame)
{
    frames(1);
    EXPECT_FALSE(menu->getProfilePanel()->isVisible());
    EXPECT_FALSE(menu->getProfileBackdrop()->isVisible());
    activeProfile("Ann");
    frames(1);
    EXPECT_TRUE(menu->getProfilePanel()->isVisible());
    EXPECT_TRUE(menu->getProfileBackdrop()->isVisible());
    EXPECT_NE(std::string(menu->getWelcomeLabel()->getText().c_str()), "");
    Profiles::instance()->setActiveProfile("");
    frames(1);
    EXPECT_FALSE(menu->getProfilePanel()->isVisible());
}

TEST_F(MainMenuTest, TheVersionLabelShowsOnceAndStays)
{
    EXPECT_FALSE(menu->getVersionLabel()->isVisible());
    EXPECT_STREQ(menu->getVersionLabel()->getText().c_str(), "Version: 1, 2, 0, 0 Zestkit ");
    menu->setVersionVisible(true);
    frames(2);
    EXPECT_TRUE(menu->getVersionLabel()->isVisible());
}

// ---- endurance menu ---------------------------------------------------------------------------

struct EnduranceCase
{
    const char* name;
    bool amoeba, fish, cluster;  // completed
    bool cheat;
    bool open[3];
};

class EnduranceOpening : public fbtest::FrontEndTest, public ::testing::WithParamInterface<EnduranceCase>
{
};

TEST_P(EnduranceOpening, LevelsOpenOneAfterAnother)
{
    const EnduranceCase& c = GetParam();
    EnduranceMenu* menu = add(new EnduranceMenu());
    activeProfile("Ann");
    if (c.amoeba)
        LevelProgress::instance()->setProgressVars(LevelMode::kEndurance, EnduranceMenu::kAmoebaLevel, true,
                                                   100);
    if (c.fish)
        LevelProgress::instance()->setProgressVars(LevelMode::kEndurance, EnduranceMenu::kFishLevel, true,
                                                   100);
    if (c.cluster)
        LevelProgress::instance()->setProgressVars(LevelMode::kEndurance, EnduranceMenu::kClusterLevel, true,
                                                   100);
    if (c.cheat)
        for (char ch : std::string("levels"))
        {
            WGUI::WEvent e;
            e.type = WGUI::WEvent::kChar;
            e.code = ch;
            Cheats::instance()->messageCallback(e);
        }
    menu->calculateLevelButtonStates();

    WGUI::GraphicButton* buttons[3] = {menu->getAmoebaButton(), menu->getFishButton(),
                                       menu->getClusterButton()};
    const bool done[3] = {c.amoeba, c.fish, c.cluster};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(buttons[i]->isEnabled(), c.open[i]) << i;
        // Status texts keep the real progress whatever the cheat opened.
        const str want = WGUI::StringTable::instance()->getString(done[i] ? "complete" : "incomplete");
        EXPECT_EQ(menu->getStatusLabel(i)->getText(), want) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Progress, EnduranceOpening,
    ::testing::Values(EnduranceCase{"Nothing", false, false, false, false, {true, false, false}},
                      EnduranceCase{"Amoeba", true, false, false, false, {true, true, false}},
                      EnduranceCase{"ClusterOnly", false, false, true, false, {true, true, true}},
                      EnduranceCase{"FishOnly", false, true, false, false, {true, true, true}},
                      EnduranceCase{"Cheat", false, false, false, true, {true, true, true}}),
    [](const ::testing::TestParamInfo<EnduranceCase>& info) { return std::string(info.param.name); });

class EnduranceBackTest : public fbtest::FrontEndTest
{
};

TEST_F(EnduranceBackTest, EachLevelIsLabelledWithItsOwnName)
{
    EnduranceMenu* menu = add(new EnduranceMenu());
    const char* const keys[3] = {"enduranceamoeba", "enduranceocean", "endurancecluster"};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(menu->getNameLabel(i)->getText(), WGUI::StringTable::instance()->getString(keys[i])) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(menu->getNameLabel(i)->getText(), menu->getNameLabel(j)->getText()) << i << j;
    }
}

TEST_F(EnduranceBackTest, BackCrossFadesToTheMainMenu)
{
    EnduranceMenu* menu = add(new EnduranceMenu());
    WGUI::Window* main = stub("mainmenu");
    main->setVisible(false);
    menu->setVisible(true);
    menu->setAlwaysActive(true);
    menu->buttonReleased(menu->getBackButton());
    expectTransition(menu, {10, -1, 0.5}, "endurance out");
    expectTransition(main, {9, -1, 0.5}, "main menu in");
    EXPECT_FALSE(menu->isAlwaysActive());
    EXPECT_TRUE(main->isAlwaysActive());
}

// ---- logo screens -----------------------------------------------------------------------------

class LogoTimingTest : public fbtest::FrontEndTest
{
};

TEST_F(LogoTimingTest, AlphaFadesInStaysAndFadesOutOverABlackScreen)
{
    LogoScreen logo;
    logo.setFadeInTime(0.5);
    logo.setShowTime(3.0);
    logo.setFadeOutTime(0.5);
    logo.start();
    // Without a picture the logo is done at once.
    EXPECT_TRUE(logo.isDone());
    double top = 0;
    double previous = -1;
    while (logo.getElapsed() < 4.2)
    {
        frames(1, 40);
        logo.update();
        const double e = logo.getElapsed();
        ASSERT_GT(e, previous);
        previous = e;
        double want = e < 0.5 ? e / 0.5 : e < 3.5 ? 1.0 : e < 4.0 ? (4.0 - e) / 0.5 : 0.0;
        EXPECT_NEAR(logo.getAlpha(), want, 1e-9) << e;
        EXPECT_TRUE(WGUI::Manager::instance()->getFillBack());
        if (logo.getAlpha() > top)
            top = logo.getAlpha();
    }
    EXPECT_DOUBLE_EQ(top, 1.0);
    EXPECT_DOUBLE_EQ(logo.getAlpha(), 0.0);
}

class LogoScreensTest : public fbtest::FrontEndTest
{
protected:
    void SetUp() override
    {
        fbtest::FrontEndTest::SetUp();
        // No logo picture in the test assets: the logo is done as soon as it starts.
        menu = stub("mainmenu");
        menu->setVisible(false);
        logos = add(new LogoScreens());
    }
    WGUI::Window* menu = nullptr;
    LogoScreens* logos = nullptr;
};

TEST_F(LogoScreensTest, AMissingLogoLeadsToTheMainMenuOnceTheStartFadeEnds)
{
    logos->setTransition(makeTransition(WGUI::Transition::kFadeFromColour, WGUI::Transition::kNone, 0, 0.5));
    logos->update();
    ASSERT_EQ(logos->getLogo(0)->getImageMap(), nullptr);
    int handed = 0;
    for (int i = 0; i < 120 && !menu->isVisible(); ++i)
    {
        frames(1, 16);
        WGUI::Transition* t = logos->getTransition();
        if (t && t->getType() == 2)
            ++handed;
    }
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(logos->isVisible());
    EXPECT_GE(handed, 1);
    EXPECT_FALSE(logos->isAlwaysActive());
}

TEST_F(LogoScreensTest, AMouseReleaseBeforeShowingSkipsTheLogo)
{
    logos->setMouseReleased();
    logos->setVisible(true);
    frames(1);
    WGUI::Transition* t = logos->getTransition();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getType(), 2);
    EXPECT_FALSE(logos->isAlwaysActive());
    // The main menu follows with its fade from colour, and the logo is hidden for good.
    int seenType = -1;
    for (int i = 0; i < 20 && seenType < 0; ++i)
    {
        frames(1, 16);
        if (WGUI::Transition* m = menu->getTransition())
        {
            seenType = m->getType();
            EXPECT_DOUBLE_EQ(m->getTotalTime(), 0.5);
        }
    }
    EXPECT_EQ(seenType, 6);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(logos->isVisible());
    frames(40, 16);
    EXPECT_FALSE(logos->isVisible());
}

// ---- player name rows -------------------------------------------------------------------------

class PlayerNameButtonTest : public fbtest::FrontEndTest
{
protected:
    // Untextured draw calls (the state frame) of one draw of the row in that state.
    std::vector<TDrawCall> frameCalls(PlayerNameButton* b, int state)
    {
        b->setState(state);
        handler->calls.clear();
        TRenderer::GetInstance()->BeginDraw(false);
        TRenderer::GetInstance()->Begin2d();
        b->draw();
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
        std::vector<TDrawCall> out;
        for (const TDrawCall& c : handler->calls)
            if ((c.kind == TDrawCall::kVertices || c.kind == TDrawCall::kFill) && !c.texture)
                out.push_back(c);
        return out;
    }
};

TEST_F(PlayerNameButtonTest, TheStateFrameFollowsTheButtonState)
{
    PlayerNameButton* b = add(new PlayerNameButton());
    b->setVisible(true);
    b->setUseVirtCoordPos(false, false);
    b->setUseVirtCoordDim(false, false);
    b->setPixAlPos(100, 100);
    b->setPixWidth(200);
    b->setPixHeight(24);
    frames(1);
    b->setText("");
    EXPECT_STREQ(b->getText().c_str(), "");
    const size_t up = frameCalls(b, WGUI::Button::kUp).size();
    const size_t over = frameCalls(b, WGUI::Button::kOver).size();
    const size_t down = frameCalls(b, WGUI::Button::kDown).size();
    const size_t disabled = frameCalls(b, WGUI::Button::kDisabled).size();
    EXPECT_EQ(up, 0u);
    EXPECT_EQ(disabled, 0u);
    EXPECT_GT(over, 0u);
    EXPECT_GT(down, over);
    b->setText("Ann");
    EXPECT_STREQ(b->getText().c_str(), "Ann");
}

}  // namespace
