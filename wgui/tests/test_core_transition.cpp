// Transitions by type and duration, slides, opacity ramps, chains, and the tooltip box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_core_fixture.h"
#include "wgui_font.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_transition.h"
#include "wgui_window.h"

using namespace WGUI;
using wguitest::PlatformFixture;

namespace
{

class TransitionTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        Timer::instance();  // frames measure from here
        manager = new Manager(640, 480, -1, true, "test");
        screen = new Window();
        screen->setPixSize(200, 100);
        screen->setPixAlPos(100, 50);
        manager->addWindow(screen);
    }
    void TearDown() override
    {
        delete screen;
        PlatformFixture::TearDown();
    }
    // One manager frame of ms milliseconds (timer, queued transitions, the tree).
    void Frame(unsigned ms = 16)
    {
        backend->AdvanceMs(ms);
        manager->update();
    }
    Transition* Make(int type, double time, int type2 = 0, double angle = 0)
    {
        Transition* t = new Transition();
        t->setType(type);
        t->setType2(type2);
        t->setTotalTime(time);
        t->setAngle(angle);
        return t;
    }

    Manager* manager = nullptr;
    Window* screen = nullptr;
};

}  // namespace

TEST_F(TransitionTest, TypeTable)
{
    struct Case
    {
        int type;
        bool isIn;
        bool visibleAfter;
        int framesToFinish;  // frames of 50 ms until the window drops the transition
    } cases[] = {
        {0, true, true, 5},   {1, true, true, 2},   {2, false, false, 2},  {3, true, true, 5},
        {4, false, false, 5}, {5, false, false, 5}, {6, true, true, 5},    {7, false, false, 5},
        {8, true, true, 5},   {9, true, true, 5},   {10, false, false, 5}, {99, true, true, 5},
    };
    for (const auto& c : cases)
    {
        screen->setVisible(!c.visibleAfter);
        Transition* t = Make(c.type, 0.18);
        EXPECT_EQ(t->isIn(), c.isIn) << c.type;
        EXPECT_EQ(t->isOut(), !c.isIn) << c.type;
        screen->setTransition(t);
        EXPECT_TRUE(screen->isVisible()) << c.type;  // attaching shows the window
        int frames = 0;
        while (screen->getTransition() && frames < 50)
        {
            Frame(50);
            ++frames;
        }
        EXPECT_EQ(frames, c.framesToFinish) << c.type;
        EXPECT_EQ(screen->isVisible(), c.visibleAfter) << c.type;
    }
}

TEST_F(TransitionTest, SecondTypeNeverChangesTheEndState)
{
    Transition* t = Make(Transition::kSlideIn, 0.1, Transition::kOpacityOut);
    EXPECT_TRUE(t->isIn());
    screen->setTransition(t);
    for (int i = 0; i < 5; ++i)
        Frame(50);
    EXPECT_EQ(screen->getTransition(), nullptr);
    EXPECT_TRUE(screen->isVisible());
}

TEST_F(TransitionTest, TotalTimeHasAFloor)
{
    Transition t;
    EXPECT_EQ(t.getTotalTime(), 1.0);
    struct Case
    {
        double in, out;
    } cases[] = {{0, 0.05}, {-3, 0.05}, {0.05, 0.05}, {0.051, 0.051}, {2, 2}};
    for (const auto& c : cases)
    {
        t.setTotalTime(c.in);
        EXPECT_EQ(t.getTotalTime(), c.out) << c.in;
    }
}

TEST_F(TransitionTest, OpacityRampUsesTheWindowsOwnFactor)
{
    screen->setOpacitySelf(0.8);
    Transition* t = Make(Transition::kOpacityIn, 0.5);
    screen->setTransition(t);
    EXPECT_EQ(screen->getOpacity(), 0.0);  // set at attachment
    Frame(50);                             // the window's update refreshes the opacity, then the ramp sets it
    EXPECT_NEAR(screen->getOpacity(), 0.1 * 0.8, 1e-12);
    for (int i = 0; i < 4; ++i)
        Frame(50);
    EXPECT_NEAR(screen->getOpacity(), 0.5 * 0.8, 1e-12);
    for (int i = 0; i < 5; ++i)
        Frame(50);
    EXPECT_NEAR(screen->getOpacity(), 0.8, 1e-12);
    for (int i = 0; i < 3 && screen->getTransition(); ++i)
        Frame(50);
    EXPECT_EQ(screen->getTransition(), nullptr);
    EXPECT_NEAR(screen->getOpacity(), 0.8, 1e-12);

    Transition* out = Make(Transition::kOpacityOut, 0.5);
    screen->setTransition(out);
    for (int i = 0; i < 5; ++i)
        Frame(50);
    EXPECT_NEAR(screen->getOpacity(), 0.4, 1e-12);
}

TEST_F(TransitionTest, SlidesEndExactlyOutsideTheRoot)
{
    struct Case
    {
        double angle;
        int endX, endY;
    } cases[] = {
        {0, 640, 50},     // left edge at the root's right edge
        {90, 100, -100},  // bottom edge at the root's top
        {180, -200, 50},  // right edge at the root's left edge
        {270, 100, 480},  // top edge at the root's bottom
    };
    for (const auto& c : cases)
    {
        screen->setVisible(true);
        Frame(16);
        Transition* t = Make(Transition::kSlideOut, 0.5, 0, c.angle);
        screen->setTransition(t);
        // Watch the position the slide leaves on the window at the end of each update.
        int frames = 0;
        while (!t->isDone() && frames < 100)
        {
            Frame(50);
            ++frames;
        }
        EXPECT_EQ(screen->getPixPosX(), c.endX) << c.angle;
        EXPECT_EQ(screen->getPixPosY(), c.endY) << c.angle;
        Frame(50);  // finishes: hidden
        EXPECT_FALSE(screen->isVisible());
        EXPECT_EQ(screen->getTransition(), nullptr);
    }
}

TEST_F(TransitionTest, SlideInArrivesAtTheAlignedHome)
{
    screen->setVisible(false);
    Frame(16);
    Transition* t = Make(Transition::kSlideIn, 0.3, Transition::kOpacityIn, 90);
    screen->setTransition(t);
    EXPECT_EQ(screen->getPixPosY(), -2000);
    Frame(50);
    // Out of sight at the top after the first step, then home at the end.
    EXPECT_LT(screen->getPixPosY(), 50);
    while (!t->isDone())
        Frame(50);
    EXPECT_EQ(screen->getPixPosX(), 100);
    EXPECT_EQ(screen->getPixPosY(), 50);
}

TEST_F(TransitionTest, FadeDrawsOverTheParentsArea)
{
    Transition* t = Make(Transition::kFadeFromColour, 0.5);
    t->setColour(1, 0, 0);
    screen->setTransition(t);
    Frame(50);
    Frame(50);  // progress 0.2
    handler->calls.clear();
    TRenderer* renderer = TRenderer::GetInstance();
    ASSERT_TRUE(renderer->BeginDraw(false));
    ASSERT_TRUE(renderer->Begin2d());
    manager->draw();
    renderer->End2d();
    renderer->EndDraw(false);
    bool found = false;
    for (const auto& call : VertexCalls())
    {
        if (call.verts.size() == 6 && call.verts[0].pos.x == 0 && call.verts[0].pos.y == 0 &&
            call.verts[4].pos.x == 640 && call.verts[4].pos.y == 480)
        {
            found = true;
            EXPECT_EQ(call.verts[0].color.Red(), 255);
            EXPECT_EQ(call.verts[0].color.Alpha(), static_cast<int>((1.0 - 0.2) * 255));
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(TransitionTest, ChainedTransitionStartsTheNextFrameBeforeAnyWindowUpdates)
{
    Window* next = new Window();
    next->setPixSize(100, 100);
    next->setVisible(false);
    manager->addWindow(next);
    Transition* out = Make(Transition::kOpacityOut, 0.1);
    Transition* in = Make(Transition::kShowAtOnce, 0.1);
    out->setNextTransition(in);
    out->setNextWindow(next);
    screen->setTransition(out);
    Frame(50);
    EXPECT_FALSE(out->isDone());
    Frame(50);  // done: the chain goes to the manager's queue
    EXPECT_TRUE(out->isDone());
    EXPECT_EQ(out->getNextTransition(), nullptr);
    EXPECT_EQ(manager->queuedTransitions(), 1u);
    EXPECT_FALSE(next->isVisible());
    Frame(50);  // attached at the start of the frame, then the tree updates
    EXPECT_EQ(manager->queuedTransitions(), 0u);
    EXPECT_EQ(next->getTransition(), in);
    EXPECT_TRUE(next->isVisible());
    EXPECT_TRUE(next->getWasVisible());  // shown before its own update: drawn this frame
    EXPECT_FALSE(screen->isVisible());
    delete next;
}

namespace
{

// A screen whose visibility hooks may start another transition, recording what it is told.
class HookedWindow : public Window
{
public:
    void messageBecomeVisible() override { react(); }
    void messageBecomeInvisible() override { react(); }
    void transitionFinished(bool wasIn) override { finished.push_back(wasIn ? "in" : "out"); }

    Transition* installOnHook = nullptr;
    std::vector<std::string> finished;

private:
    void react()
    {
        if (Transition* t = installOnHook)
        {
            installOnHook = nullptr;
            setTransition(t);
        }
    }
};

}  // namespace

TEST_F(TransitionTest, TransitionFinishedRunsEvenWhenAVisibilityHookStartsANewTransition)
{
    // Transitions that end hidden: finish() hides the window, which runs its hook.
    struct Case
    {
        int type;
        bool hookInstalls;
    };
    const Case cases[] = {
        {Transition::kOpacityOut, false}, {Transition::kOpacityOut, true}, {Transition::kHideAtOnce, false},
        {Transition::kHideAtOnce, true},  {Transition::kWaitHide, true},
    };
    for (const Case& c : cases)
    {
        auto* w = new HookedWindow();
        w->setPixSize(50, 50);
        manager->addWindow(w);
        Transition* first = Make(c.type, 0.05);
        Transition* next = Make(Transition::kShowAtOnce, 10.0);
        w->setTransition(first);
        Frame(20);
        ASSERT_TRUE(w->finished.empty());
        if (c.hookInstalls)
            w->installOnHook = next;
        for (int i = 0; i < 10 && w->finished.empty(); i++)
            Frame(20);
        const char* told = "out";
        EXPECT_EQ(w->finished, std::vector<std::string>{told}) << c.type << " " << c.hookInstalls;
        EXPECT_EQ(w->getTransition(), c.hookInstalls ? next : nullptr) << c.type;
        if (!c.hookInstalls)
            delete next;
        manager->getRoot()->removeWindow(w);
        delete w;
    }
}

TEST_F(TransitionTest, DestroyedTransitionHandsItsChainOnOrDeletesIt)
{
    Window* next = new Window();
    manager->addWindow(next);
    {
        Transition* t = Make(Transition::kWaitHide, 1);
        t->setNextTransition(Make(Transition::kShowAtOnce, 1));
        t->setNextWindow(next);
        delete t;
    }
    EXPECT_EQ(manager->queuedTransitions(), 1u);
    {
        Transition* t = Make(Transition::kWaitHide, 1);
        t->setNextTransition(Make(Transition::kShowAtOnce, 1));  // no window: deleted
        t->setNextTransition(Make(Transition::kShowAtOnce, 1));  // replaces (and deletes) it
        delete t;
    }
    EXPECT_EQ(manager->queuedTransitions(), 1u);
    delete next;
}

TEST_F(TransitionTest, ManagerShutdownDeletesQueuedChainsWithoutRequeuing)
{
    Window* w1 = new Window();
    Window* w2 = new Window();
    Transition* t = Make(Transition::kWaitHide, 1);
    t->setNextTransition(Make(Transition::kShowAtOnce, 1));
    t->setNextWindow(w2);
    manager->addTransition(t, w1);
    Manager::deleteInstance();  // must free both transitions and queue nothing anywhere
    manager = nullptr;
    EXPECT_FALSE(Manager::hasInstance());
    screen->setParent(nullptr);
    delete w1;
    delete w2;
}

TEST_F(TransitionTest, TooltipStaysOnScreen)
{
    Tooltip* tip = manager->getTooltip();
    int textWidth = Fonts::getFont(0)->getStringWidth("some tip");
    int fontHeight = Fonts::getFont(0)->getHeightPix();
    tip->setShow(100, 100, "some tip");
    EXPECT_TRUE(tip->isShown());
    EXPECT_EQ(tip->getBoxWidth(), textWidth + 6);
    EXPECT_EQ(tip->getBoxHeight(), fontHeight + 2);
    EXPECT_EQ(tip->getX(), 100);
    EXPECT_EQ(tip->getY(), 135);
    tip->setDesiredPos(2, 100);
    EXPECT_EQ(tip->getX(), 5);
    tip->setDesiredPos(639, 100);
    EXPECT_EQ(tip->getX(), 640 - 5 - tip->getBoxWidth());
    tip->setDesiredPos(100, 470);
    EXPECT_EQ(tip->getY(), 470 - tip->getBoxHeight() - 6);
    tip->update();
    EXPECT_FALSE(tip->isShown());
}

TEST_F(TransitionTest, HoveredWindowAsksForTheTooltipEveryFrame)
{
    screen->setTooltip(true, "tip");
    Input::instance()->messageMouseMove(150, 60);
    for (int i = 0; i < 20; ++i)
        Frame(50);
    EXPECT_TRUE(screen->isTooltipShowing());
    EXPECT_TRUE(manager->getTooltip()->isShown());
    EXPECT_EQ(std::string(manager->getTooltip()->getText().c_str()), "tip");
    EXPECT_EQ(manager->getTooltip()->getY(), 60 + 35);
    Input::instance()->messageLeftMouseDown();
    Frame(50);
    EXPECT_FALSE(manager->getTooltip()->isShown());
}
