// The exit confirmation, the options dialog (with the display notice) and the cheat toggles.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "cheatswindow.h"
#include "confirmexit.h"
#include "app/platform.h"
#include "fakebackend.h"
#include "recordinghandler.h"
#include "optionswindow.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/options.h"
#include "test_fb_fixture.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

using fbtest::FrontEndTest;
using WGUI::Transition;

namespace
{

class ExitTest : public FrontEndTest
{
protected:
    void SetUp() override
    {
        FrontEndTest::SetUp();
        menu = stub("mainmenu");
        dialog = add(new ConfirmExitWindow());
        menu->setAlwaysActive(false);
        dialog->setVisible(true);
        dialog->setAlwaysActive(true);
    }
    WGUI::Window* menu = nullptr;
    ConfirmExitWindow* dialog = nullptr;
};

TEST_F(ExitTest, ShownDialogClaimsEveryMousePosition)
{
    EXPECT_TRUE(dialog->contains(5, 5));
    EXPECT_TRUE(dialog->contains(0.99, 0.01));
    dialog->setAlwaysActive(false);
    EXPECT_TRUE(dialog->contains(790, 590));  // visible, no transition
    dialog->setVisible(false);
    EXPECT_FALSE(dialog->contains(400, 300));
}

struct CountingListener : WGUI::Listener
{
    void buttonReleased(WGUI::Button*) override { ++released; }
    int released = 0;
};

TEST_F(ExitTest, ClicksOutsideTheShownDialogReachNothingBehindIt)
{
    // A button on a screen under the dialog, far from the dialog's frame.
    CountingListener counter;
    WGUI::Window* behind = stub("behind");
    WGUI::TextButton* button = new WGUI::TextButton();
    button->setPixAlPos(10, 10);
    button->setPixWidth(100);
    button->setPixHeight(30);
    button->setListener(&counter);
    behind->addWindow(button);
    behind->setAlwaysActive(true);
    WGUI::Manager::instance()->moveChildToTopMes(dialog);
    frames(2);
    auto click = [&]
    {
        WGUI::Window* root = WGUI::Manager::instance()->getRoot();
        root->messageMouseMove(20, 20, 0, true);
        root->messageMousePressed(20, 20, 1);
        root->messageMouseReleased(20, 20, 1);
    };
    click();
    EXPECT_EQ(counter.released, 0);
    dialog->setAlwaysActive(false);
    dialog->setVisible(false);
    frames(2);
    click();
    EXPECT_EQ(counter.released, 1);  // with the dialog gone the same click arrives
    behind->removeWindow(button);
    delete button;
}

// Alphas of the untextured draws that cover the whole 800 x 600 screen.
std::vector<int> fullScreenAlphas(const TRecordingDisplayHandler* handler)
{
    std::vector<int> out;
    for (const TDrawCall& c : handler->calls)
    {
        if (c.kind != TDrawCall::kVertices || c.texture || c.verts.empty())
            continue;
        float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
        for (const auto& v : c.verts)
        {
            x0 = std::min(x0, v.pos.x);
            y0 = std::min(y0, v.pos.y);
            x1 = std::max(x1, v.pos.x);
            y1 = std::max(y1, v.pos.y);
        }
        if (x0 <= 0 && y0 <= 0 && x1 >= 800 && y1 >= 600)
            out.push_back(c.verts[0].color.Alpha());
    }
    return out;
}

TEST_F(ExitTest, TheMenuBehindIsDimmedWithTheDialogsOpacity)
{
    frames(2);
    handler->calls.clear();
    frames(1);
    const std::vector<int> alphas = fullScreenAlphas(handler);
    ASSERT_FALSE(alphas.empty());
    EXPECT_NEAR(alphas.back(), 191, 1);  // 0.75 of 255
    dialog->setOpacitySelf(0.5);
    frames(1);
    handler->calls.clear();
    frames(1);
    const std::vector<int> half = fullScreenAlphas(handler);
    ASSERT_FALSE(half.empty());
    EXPECT_NEAR(half.back(), 95, 1);  // 0.375 of 255
}

TEST_F(ExitTest, NoSlidesAwayAndNeverExits)
{
    dialog->buttonReleased(dialog->getNoButton());
    ASSERT_NE(dialog->getTransition(), nullptr);
    EXPECT_EQ(dialog->getTransition()->getType(), Transition::kOpacityOut);
    EXPECT_EQ(dialog->getTransition()->getType2(), Transition::kSlideOut);
    EXPECT_FALSE(dialog->isAlwaysActive());
    EXPECT_TRUE(menu->isAlwaysActive());
    EXPECT_FALSE(dialog->isExitPending());
    frames(60);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(WGUI::Manager::instance()->isExiting());
}

TEST_F(ExitTest, YesExitsOnlyWhenTheFadeHasEnded)
{
    dialog->buttonReleased(dialog->getYesButton());
    ASSERT_NE(menu->getTransition(), nullptr);
    EXPECT_EQ(menu->getTransition()->getType(), Transition::kOpacityOut);
    EXPECT_EQ(dialog->getTransition()->getType(), Transition::kFadeToColour);
    EXPECT_TRUE(dialog->isExitPending());
    frames(25);  // 0.4 s
    EXPECT_FALSE(WGUI::Manager::instance()->isExiting());
    const int more = framesUntil([] { return WGUI::Manager::instance()->isExiting(); }, 60);
    EXPECT_GE(more, 1);
    EXPECT_TRUE(WGUI::Manager::instance()->isExiting());
}

TEST_F(ExitTest, AnInTransitionEndingDoesNotExit)
{
    dialog->transitionFinished(true);
    EXPECT_FALSE(WGUI::Manager::instance()->isExiting());
    dialog->yesAction();
    dialog->transitionFinished(true);
    EXPECT_FALSE(WGUI::Manager::instance()->isExiting());
}

class OptionsTest : public FrontEndTest
{
protected:
    OptionsWindow* open(int from)
    {
        OptionsWindow* w = add(new OptionsWindow());
        w->setFromWindow(from);
        w->setVisible(true);
        w->setAlwaysActive(true);
        return w;
    }
};

TEST_F(OptionsTest, OkSavesTheOnlyModeAndCarriesHiddenValuesThrough)
{
    writeFile("user/options.xml",
              "<options><display width=\"1024\" height=\"768\" depth=\"32\" windowed=\"true\"/>"
              "<control sensitivity=\"0.25\" joystickon=\"true\"/>"
              "<sound musicvolume=\"0.5\" effectvolume=\"0.5\"/></options>");
    stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    ASSERT_EQ(w->getModes().size(), 1u);
    EXPECT_EQ(w->getModes()[0].width, 800);
    EXPECT_TRUE(w->getModes()[0].has16 && w->getModes()[0].has32);
    EXPECT_EQ(w->getModeList()->getSelected(), 0);
    EXPECT_EQ(w->getModeList()->getString(0), str("800x600"));
    EXPECT_TRUE(w->getDepthBox()->getSelected());
    EXPECT_TRUE(w->getGamepadBox()->getSelected());
    EXPECT_FALSE(w->getFullScreenBox()->getSelected());
    EXPECT_DOUBLE_EQ(w->getSteeringSlider()->getSliderValue(), 0.25);

    w->buttonReleased(w->getOkButton());
    Options::deleteInstance();
    Options* reread = Options::instance();
    EXPECT_EQ(reread->getWidth(), 800);
    EXPECT_EQ(reread->getHeight(), 600);
    EXPECT_EQ(reread->getDepth(), 32);
    EXPECT_TRUE(reread->getWindowed());
    EXPECT_TRUE(reread->isJoystickOn());
    EXPECT_NEAR(reread->getMouseSensitivity(), 0.25, 1e-6);
}

TEST_F(OptionsTest, OnlyTheMusicSliderActsBeforeOk)
{
    stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    const double effectsBefore = Options::instance()->getSoundEffectVolume();
    w->getMusicSlider()->setSliderValue(0.125);
    w->getEffectsSlider()->setSliderValue(0.875);
    w->getSteeringSlider()->setSliderValue(0.75);
    frames(2);
    EXPECT_NEAR(Options::instance()->getMusicVolume(), 0.125, 1e-9);
    EXPECT_NEAR(Options::instance()->getSoundEffectVolume(), effectsBefore, 1e-9);
    w->buttonReleased(w->getOkButton());
    EXPECT_NEAR(Options::instance()->getSoundEffectVolume(), 0.875, 1e-9);
    EXPECT_NEAR(Options::instance()->getMouseSensitivity(), 0.75, 1e-9);
    EXPECT_NE(readFile("user/options.xml").find("musicvolume"), std::string::npos);
}

TEST_F(OptionsTest, ModeListKeepsValidModesUpToTwentyFive)
{
    stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    w->addDisplayMode(640, 480, 32);    // too small
    w->addDisplayMode(1600, 1200, 32);  // too large
    w->addDisplayMode(1024, 768, 24);   // depth neither 16 nor 32
    EXPECT_EQ(w->getModes().size(), 1u);
    w->addDisplayMode(800, 600, 24);  // a known size takes 16 or 32 only, and adds no row
    EXPECT_EQ(w->getModes().size(), 1u);
    for (int i = 0; i < 30; ++i)
        w->addDisplayMode(810 + 10 * i, 600 + 10 * i, i % 2 ? 16 : 32);
    ASSERT_EQ(w->getModes().size(), 25u);
    EXPECT_EQ(w->getModeList()->getNumItems(), 25);
    EXPECT_STREQ(w->getModeList()->getString(1).c_str(), "810x600");
    EXPECT_TRUE(w->getModes()[1].has32);
    EXPECT_FALSE(w->getModes()[1].has16);
}

TEST_F(OptionsTest, FullScreenBoxSwitchesAtOnce)
{
    stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    w->getFullScreenBox()->setSelected(true);
    w->buttonReleased(w->getFullScreenBox());
    EXPECT_TRUE(backend->mFullscreen);
    w->getFullScreenBox()->setSelected(false);
    w->buttonReleased(w->getFullScreenBox());
    EXPECT_FALSE(backend->mFullscreen);
}

TEST_F(OptionsTest, FromPauseHidesCheatsAndReturnsToThePauseDialog)
{
    WGUI::Window* paused = stub("gamepaused");
    OptionsWindow* w = open(OptionsWindow::kFromPause);
    EXPECT_FALSE(w->getCheatsButton()->isVisible());
    w->buttonReleased(w->getOkButton());
    EXPECT_TRUE(paused->isAlwaysActive());
    EXPECT_EQ(paused->getTransition(), nullptr);
    ASSERT_NE(w->getTransition(), nullptr);
    EXPECT_DOUBLE_EQ(w->getTransition()->getTotalTime(), 0.3);
    frames(25);
    EXPECT_FALSE(w->isVisible());
    w->setFromWindow(OptionsWindow::kFromMainMenu);
    EXPECT_TRUE(w->getCheatsButton()->isVisible());
}

TEST_F(OptionsTest, MedalsButtonFollowsConfigurationAndAchievements)
{
    struct Case
    {
        const char* anon;
        const char* local;
        int mode;  // -1 none
        bool shown;
    } cases[] = {
        {"0", "0", -1, false}, {"0", "0", 0, true},  {"0", "0", 1, true},  {"0", "0", 2, true},
        {"1", "0", 0, false},  {"0", "1", 1, false}, {"1", "1", 2, false},
    };
    stub("mainmenu");
    OptionsWindow* w = add(new OptionsWindow());
    for (const Case& c : cases)
    {
        LevelProgress::deleteInstance();
        activeProfile("ann");
        if (c.mode >= 0)
            grantLevels(static_cast<LevelMode>(c.mode), c.mode == 2 ? 3 : 60, true, 50);
        TPlatform::SetConfig(str("hiscoreanon"), str(c.anon));
        TPlatform::SetConfig(str("hiscorelocal"), str(c.local));
        w->setMedalsButtonVisibility();
        EXPECT_EQ(w->getMedalsButton()->isVisible(), c.shown) << c.anon << c.local << c.mode;
    }
}

TEST_F(OptionsTest, ACoveredDialogDrawsNothing)
{
    stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    frames(40);
    handler->calls.clear();
    frames(1);
    const size_t uncovered = handler->calls.size();
    w->setCoveredInfront(true);
    handler->calls.clear();
    frames(1);
    EXPECT_LT(handler->calls.size(), uncovered);
}

TEST_F(OptionsTest, DisplayNoticeReturnsToTheOpener)
{
    WGUI::Window* menu = stub("mainmenu");
    OptionsWindow* w = open(OptionsWindow::kFromMainMenu);
    DisplayConfirmWindow* notice = add(new DisplayConfirmWindow());
    EXPECT_EQ(notice->getMessage()->getText(),
              str("Display changes will not take effect until you restart the game."));
    notice->buttonReleased(notice->getOkButton());
    EXPECT_FALSE(w->isAlwaysActive());
    EXPECT_TRUE(menu->isAlwaysActive());
}

class CheatsTest : public FrontEndTest
{
protected:
    void SetUp() override
    {
        FrontEndTest::SetUp();
        options = add(new OptionsWindow());
        cheats = add(new CheatsWindow());
    }
    void show()
    {
        cheats->setVisible(true);
        cheats->setAlwaysActive(true);
    }
    std::vector<bool> enabled() const
    {
        std::vector<bool> out;
        for (int i = 0; i < CheatsWindow::kNumBoxes; ++i)
            out.push_back(cheats->getBox(i)->isEnabled());
        return out;
    }
    OptionsWindow* options = nullptr;
    CheatsWindow* cheats = nullptr;
};

TEST_F(CheatsTest, AchievementsEnableTheirGroups)
{
    struct Case
    {
        int mode;  // -1 none
        int time;
        std::vector<bool> expected;
    } cases[] = {
        {-1, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  {0, 50, {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        {1, 50, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0}},   // gold everywhere: bronze and silver too
        {1, 250, {0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0}},  // bronze only
        {1, 999, {0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0}},  // completed, no medal
        {2, 50, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases)
    {
        LevelProgress::deleteInstance();
        activeProfile("ann");
        if (c.mode >= 0)
            grantLevels(static_cast<LevelMode>(c.mode), c.mode == 2 ? 3 : 60, true, c.time);
        cheats->setVisible(false);
        show();
        EXPECT_EQ(enabled(), c.expected) << c.mode << " " << c.time;
    }
}

TEST_F(CheatsTest, CheatWordMakesEveryBoxUsable)
{
    activeProfile("ann");
    show();
    EXPECT_FALSE(cheats->getBox(0)->isEnabled());
    cheats->setAllCheatsAvailable();
    EXPECT_EQ(enabled(), std::vector<bool>(CheatsWindow::kNumBoxes, true));
}

TEST_F(CheatsTest, TogglesAreWrittenOnlyWhenHiddenAndNeverUntickedOnShow)
{
    activeProfile("ann");
    Cheats::instance()->setCyclops(true);
    options->setFromWindow(OptionsWindow::kFromMainMenu);
    options->setVisible(true);
    options->buttonReleased(options->getCheatsButton());  // slides the toggles in over it
    EXPECT_FALSE(options->isAlwaysActive());
    EXPECT_TRUE(cheats->isAlwaysActive());
    EXPECT_TRUE(cheats->getBox(3)->getSelected());
    EXPECT_FALSE(cheats->getBox(3)->isEnabled());  // not earned, but stays ticked
    cheats->getBox(0)->setSelected(true);
    frames(30);
    EXPECT_TRUE(options->isCoveredInfront());
    EXPECT_FALSE(Cheats::instance()->getWideEyes());
    cheats->buttonReleased(cheats->getOkButton());
    EXPECT_TRUE(options->isAlwaysActive());
    EXPECT_FALSE(options->isCoveredInfront());
    EXPECT_FALSE(Cheats::instance()->getWideEyes());  // still showing
    frames(30);
    EXPECT_FALSE(cheats->isVisible());
    EXPECT_TRUE(Cheats::instance()->getWideEyes());
    EXPECT_TRUE(Cheats::instance()->getCyclops());
    // Another profile without the achievement: the box stays ticked, and the toggle on.
    Cheats::instance()->setCyclops(false);
    show();
    EXPECT_TRUE(cheats->getBox(0)->getSelected());
    EXPECT_TRUE(cheats->getBox(3)->getSelected());  // kept from the last closing
}

}  // namespace
