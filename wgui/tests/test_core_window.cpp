// The window tree: geometry and alignment, mouse routing, activation, keys, visibility,
// tooltips and the transition slot.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_core_fixture.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_owned.h"
#include "wgui_timer.h"
#include "wgui_transition.h"
#include "wgui_window.h"

using namespace WGUI;
using wguitest::PlatformFixture;

namespace
{

using Log = std::vector<std::string>;

class LogWin : public Window
{
public:
    LogWin(Log* log, const char* n) : log(log) { setName(n); }
    std::string me() const { return std::string(getName().c_str()); }
    void note(const std::string& what)
    {
        if (log)
            log->push_back(me() + ":" + what);
    }

    void messageMouseMove(int x, int y, int b, bool m) override
    {
        note("move " + std::to_string(x) + "," + std::to_string(y));
        Window::messageMouseMove(x, y, b, m);
    }
    void messageMouseDrag(int x, int y, int b, bool m) override
    {
        note("drag");
        Window::messageMouseDrag(x, y, b, m);
    }
    void messageMouseEnter(int x, int y, int b) override
    {
        note("enter");
        Window::messageMouseEnter(x, y, b);
    }
    void messageMouseExit(int x, int y, int b) override
    {
        note("exit");
        Window::messageMouseExit(x, y, b);
    }
    void messageMousePressed(int x, int y, int b) override
    {
        note("pressed " + std::to_string(x) + "," + std::to_string(y));
        Window::messageMousePressed(x, y, b);
    }
    void messageMouseReleased(int x, int y, int b) override
    {
        note("released");
        Window::messageMouseReleased(x, y, b);
    }
    void messageMouseReleasedOut(int x, int y, int b) override
    {
        note("releasedout " + std::to_string(x) + "," + std::to_string(y));
        Window::messageMouseReleasedOut(x, y, b);
    }
    void messageMouseDrop(int x, int y, int b) override
    {
        note("drop");
        Window::messageMouseDrop(x, y, b);
    }
    void messageActivate() override { note("activate"); }
    void messageDeactivate() override { note("deactivate"); }
    void messageBecomeVisible() override { note("visible"); }
    void messageBecomeInvisible() override { note("invisible"); }
    void messageCallback(WEvent& e) override
    {
        note("key " + std::to_string(e.key));
        Window::messageCallback(e);
    }
    void updateSelf() override
    {
        if (onUpdate)
            onUpdate();
        Window::updateSelf();
    }
    void draw() override
    {
        note("draw");
        if (onDraw)
            onDraw();
        Window::draw();
    }
    void transitionFinished(bool wasIn) override
    {
        note(std::string("finished ") + (wasIn ? "in" : "out"));
        if (onFinished)
            onFinished();
    }

    std::function<void()> onUpdate;
    std::function<void()> onDraw;
    std::function<void()> onFinished;
    Log* log;
};

class WindowTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        Timer::instance();
        top = new LogWin(&log, "top");
        top->setPixSize(640, 480);
    }
    void TearDown() override
    {
        for (auto it = owned.rbegin(); it != owned.rend(); ++it)
            delete *it;
        delete top;
        Input::deleteInstance();
        PlatformFixture::TearDown();
    }
    LogWin* Add(Window* parent, const char* name, int x, int y, int w, int h)
    {
        LogWin* win = new LogWin(&log, name);
        win->setPixAlPos(x, y);
        win->setPixSize(w, h);
        parent->addWindow(win);
        owned.push_back(win);
        return win;
    }
    void Frame(unsigned ms = 16)
    {
        wguitest::Tick(backend, ms);
        top->update();
    }
    Log Take()
    {
        Log out;
        out.swap(log);
        return out;
    }
    Log TakeNoDraw()
    {
        Log out;
        for (auto& l : Take())
            if (l.find(":draw") == std::string::npos)
                out.push_back(l);
        return out;
    }

    Log log;
    LogWin* top = nullptr;
    std::vector<Window*> owned;
};

}  // namespace

TEST_F(WindowTest, AlignmentTable)
{
    struct Case
    {
        int alignH, alignV, offX, offY, w, h, expX, expY;
    } cases[] = {
        {Window::kAlignRight, Window::kAlignTop, 10, 5, 100, 50, 530, 5},
        {Window::kAlignCenter, Window::kAlignCenter, 99, 99, 100, 50, 270, 215},
        {Window::kAlignLeft, Window::kAlignBottom, 10, 10, 100, 50, 10, 420},
        {7, 0, 10, 10, 100, 50, 123, 77},  // unknown codes leave the position alone
        {Window::kAlignCenter, Window::kAlignBottom, 0, 0, 101, 51, 270, 429},
    };
    for (const auto& c : cases)
    {
        LogWin* w = Add(top, "w", 0, 0, c.w, c.h);
        w->setAlign(c.alignH, c.alignV);
        w->setPixAlPos(c.offX, c.offY);
        w->setPixPosX(123);
        w->setPixPosY(77);
        Frame();
        EXPECT_EQ(w->getPixPosX(), c.expX) << c.alignH << "/" << c.alignV;
        EXPECT_EQ(w->getPixPosY(), c.expY) << c.alignH << "/" << c.alignV;
        EXPECT_EQ(w->getLeft(), c.expX);
        EXPECT_EQ(w->getRight(), c.expX + c.w);
        top->removeWindow(w);
    }
}

TEST_F(WindowTest, VirtualAndPixelMasters)
{
    LogWin* w = Add(top, "w", 0, 0, 10, 10);
    w->setUseVirtCoordPos(true, true);
    w->setUseVirtCoordDim(true, false);
    w->setVirtAlPos(0.25, 0.5);
    w->setVirtWidth(0.5);
    w->setPixHeight(48);
    Frame();
    EXPECT_EQ(w->getPixPosX(), 160);
    EXPECT_EQ(w->getPixPosY(), 240);
    EXPECT_EQ(w->getPixWidth(), 320);
    EXPECT_DOUBLE_EQ(w->getVirtHeight(), 0.1);
    EXPECT_FALSE(w->isNaturalSize());

    // Conversions against the parent's and the own size.
    EXPECT_EQ(w->virtToPixX(0.5), 320);
    EXPECT_DOUBLE_EQ(w->pixToVirtY(120), 0.25);
    EXPECT_EQ(w->curVirtToPixWidth(0.5), 160);
    EXPECT_DOUBLE_EQ(w->curPixToVirtHeight(24), 0.5);
    EXPECT_EQ(w->pixParToCurX(170), 10);
    EXPECT_EQ(w->pixCurToParY(10), 250);

    // Nested: absolute positions add up.
    LogWin* inner = Add(w, "inner", 7, 9, 20, 20);
    Frame();
    EXPECT_EQ(inner->getAbsPixPosX(), 167);
    EXPECT_EQ(inner->getAbsPixPosY(), 249);
    EXPECT_EQ(inner->getBottom(), 269);
}

TEST_F(WindowTest, SpriteFrameMapsOntoTheWindow)
{
    Window::setDefaultDisplaySize(640, 480);
    LogWin* w = Add(top, "w", 100, 50, 200, 100);
    Frame();
    EXPECT_EQ(w->getSpriteLeft(), -320);
    EXPECT_EQ(w->getSpriteBottom(), 240);
    w->setSpriteLeft(0);
    w->setSpriteRight(100);
    w->setSpriteTop(0);
    w->setSpriteBottom(50);
    EXPECT_DOUBLE_EQ(w->spriteToScreenX(50), 200);
    EXPECT_DOUBLE_EQ(w->spriteToScreenY(25), 100);
    EXPECT_DOUBLE_EQ(w->spriteToScreenWidth(10), 20);
    EXPECT_DOUBLE_EQ(w->screenToSpriteX(200), 50);
    EXPECT_DOUBLE_EQ(w->screenToSpriteY(150), 50);
}

TEST_F(WindowTest, AlwaysOnTopOrdering)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    LogWin* t1 = new LogWin(&log, "t1");
    t1->setAlwaysOnTop(true);
    top->addWindow(t1);
    owned.push_back(t1);
    LogWin* b = Add(top, "b", 0, 0, 10, 10);
    LogWin* t2 = new LogWin(&log, "t2");
    t2->setAlwaysOnTop(true);
    top->addWindow(t2);
    owned.push_back(t2);
    std::vector<Window*> order(top->getChildren().begin(), top->getChildren().end());
    EXPECT_EQ(order, (std::vector<Window*>{t2, t1, b, a}));
    top->moveChildToTop(a);
    order.assign(top->getChildren().begin(), top->getChildren().end());
    EXPECT_EQ(order, (std::vector<Window*>{t2, t1, a, b}));
    // Queued moves happen at the end of the parent's update, in queue order.
    top->moveChildToTopMes(b);
    top->moveChildToTopMes(str("t1"));
    order.assign(top->getChildren().begin(), top->getChildren().end());
    EXPECT_EQ(order.front(), t2);
    Frame();
    order.assign(top->getChildren().begin(), top->getChildren().end());
    EXPECT_EQ(order, (std::vector<Window*>{t1, t2, b, a}));
    // Adding a child twice keeps one entry.
    top->addWindow(a);
    EXPECT_EQ(top->getChildren().size(), 4u);
    EXPECT_EQ(top->getChild("b"), b);
    EXPECT_EQ(top->getChild("B"), nullptr);
    EXPECT_TRUE(top->setChildVisible("b", false));
    EXPECT_FALSE(b->isVisible());
    EXPECT_FALSE(top->setChildVisible("nobody", false));
}

TEST_F(WindowTest, OnlyTheFrontMostContainingChildIsServed)
{
    LogWin* back = Add(top, "back", 0, 0, 200, 200);
    LogWin* front = Add(top, "front", 100, 100, 200, 200);
    Frame();
    Take();
    top->messageMouseMove(150, 150, 0, true);
    // Each window receives the point in its parent's pixels.
    EXPECT_EQ(TakeNoDraw(), (Log{"top:move 150,150", "front:move 150,150", "front:enter"}));
    top->messageMouseMove(50, 50, 0, true);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:move 50,50", "back:move 50,50", "back:enter", "front:exit"}));
    top->messageMousePressed(150, 150, 1);
    Log got = TakeNoDraw();
    EXPECT_EQ(got, (Log{"top:pressed 150,150", "front:pressed 150,150", "front:activate"}));
    EXPECT_TRUE(front->isActive());
    EXPECT_FALSE(back->isActive());
    EXPECT_TRUE(front->isMouseDownIn());
    EXPECT_FALSE(back->isMouseDownIn());
}

TEST_F(WindowTest, PressMovesAMoveToTopChildAtOnce)
{
    LogWin* a = Add(top, "a", 0, 0, 100, 100);
    LogWin* b = Add(top, "b", 200, 0, 100, 100);
    a->setMouseMoveToTop(true);
    Frame();
    EXPECT_EQ(top->getChildren().front(), b);
    top->messageMousePressed(10, 10, 1);
    EXPECT_EQ(top->getChildren().front(), a);
}

TEST_F(WindowTest, TransitionsBlockHitsOnTheWindowAndItsChildren)
{
    LogWin* dialog = Add(top, "dialog", 0, 0, 300, 300);
    LogWin* button = Add(dialog, "button", 10, 10, 50, 50);
    Frame();
    EXPECT_TRUE(button->contains(20, 20));
    Transition* t = new Transition();
    t->setType(Transition::kWaitShow);
    dialog->setTransition(t);
    EXPECT_FALSE(dialog->contains(20, 20));
    EXPECT_FALSE(button->contains(20, 20));
    Take();
    top->messageMousePressed(20, 20, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:pressed 20,20"}));
    dialog->setTransition(nullptr);
    EXPECT_TRUE(dialog->contains(20, 20));
    button->setVisible(false);
    EXPECT_FALSE(button->contains(20, 20));
    // Half-open rectangles.
    EXPECT_TRUE(dialog->contains(0, 0));
    EXPECT_FALSE(dialog->contains(300, 10));
    EXPECT_TRUE(dialog->contains(0.0, 0.0));
    EXPECT_FALSE(dialog->contains(dialog->getVirtWidth(), 0.0));
}

TEST_F(WindowTest, ReleaseRoutingTable)
{
    // Press on a, release on b: a gets released-out, b a drop.
    LogWin* a = Add(top, "a", 0, 0, 100, 100);
    LogWin* b = Add(top, "b", 200, 0, 100, 100);
    Frame();
    top->messageMousePressed(10, 10, 1);
    Take();
    top->messageMouseReleased(210, 10, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:released", "b:drop", "a:releasedout 210,10"}));
    EXPECT_FALSE(a->isMouseDownIn());
    EXPECT_FALSE(top->isMouseDownIn());

    // Press and release on a: released.
    top->messageMousePressed(10, 10, 1);
    Take();
    top->messageMouseReleased(20, 20, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:released", "a:released"}));

    // Released off screen: the root hands on to the pressed child.
    top->messageMousePressed(10, 10, 1);
    Take();
    top->messageMouseReleasedOut(-5, 700, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:releasedout -5,700", "a:releasedout -5,700"}));
    (void)b;
}

TEST_F(WindowTest, NestedReleasedOutConvertsToOwnPixels)
{
    LogWin* panel = Add(top, "panel", 100, 100, 200, 200);
    LogWin* inner = Add(panel, "inner", 0, 0, 50, 50);
    Frame();
    top->messageMousePressed(110, 110, 1);
    EXPECT_TRUE(inner->isMouseDownIn());
    Take();
    // Released over the panel but outside the inner window: the panel is the pressed child and
    // is released; the inner window, pressed but not under the pointer, is released-out.
    top->messageMouseReleased(250, 250, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:released", "panel:released", "inner:releasedout 150,150"}));
    // Pressed inside, released where the panel's own pixels would put the pointer inside the
    // inner window only if coordinates were not converted: (20, 20) in the parent is (-80,
    // -80) in the panel.
    top->messageMousePressed(110, 110, 1);
    Take();
    panel->messageMouseReleasedOut(20, 20, 1);
    EXPECT_EQ(TakeNoDraw(), (Log{"panel:releasedout 20,20", "inner:releasedout -80,-80"}));
}

TEST_F(WindowTest, DragGoesToThePressedChildAndEnterExitFollow)
{
    LogWin* a = Add(top, "a", 0, 0, 100, 100);
    LogWin* b = Add(top, "b", 200, 0, 100, 100);
    Frame();
    top->messageMouseMove(10, 10, 0, true);
    top->messageMousePressed(10, 10, 1);
    Take();
    top->messageMouseDrag(210, 10, 1, true);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:drag", "a:drag", "b:enter", "a:exit"}));
    EXPECT_TRUE(b->isMouseOver());
    EXPECT_FALSE(a->isMouseOver());
}

TEST_F(WindowTest, ActivationCascadeAndAlwaysActive)
{
    LogWin* screen = Add(top, "screen", 0, 0, 640, 480);
    LogWin* c1 = Add(screen, "c1", 0, 0, 10, 10);
    LogWin* c2 = Add(screen, "c2", 20, 0, 10, 10);
    screen->setActive(true);
    c1->setActive(true);
    c2->setActive(true);
    Take();
    screen->setActive(false);
    // Children from the back of the list (c1, added first) to the front.
    EXPECT_EQ(TakeNoDraw(), (Log{"screen:deactivate", "c1:deactivate", "c2:deactivate"}));

    c1->setAlwaysActive(true);
    EXPECT_EQ(TakeNoDraw(), (Log{"c1:activate"}));
    LogWin* g = Add(c1, "g", 0, 0, 5, 5);
    g->setActive(true);
    Take();
    c1->setActive(false);
    EXPECT_TRUE(c1->isActive());
    EXPECT_FALSE(g->isActive());
    EXPECT_EQ(TakeNoDraw(), (Log{"g:deactivate"}));
}

TEST_F(WindowTest, KeysReachOnlyChildrenActiveInThePreviousFrame)
{
    LogWin* screen = Add(top, "screen", 0, 0, 640, 480);
    LogWin* input = Add(screen, "input", 0, 0, 100, 20);
    screen->setActive(true);
    Frame();
    Take();
    input->setActive(true);
    EXPECT_EQ(TakeNoDraw(), (Log{"input:activate"}));
    WEvent key;
    key.type = WEvent::kKeyDown;
    key.key = 7;
    top->messageCallback(key);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:key 7", "screen:key 7"}));
    Frame();
    Take();
    top->messageCallback(key);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:key 7", "screen:key 7", "input:key 7"}));
    // A running transition or a hidden window stops keys for the whole branch.
    Transition* t = new Transition();
    t->setType(Transition::kWaitShow);
    screen->setTransition(t);
    top->messageCallback(key);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:key 7"}));
    screen->setTransition(nullptr);
    screen->setVisible(false);
    Take();
    top->messageCallback(key);
    EXPECT_EQ(TakeNoDraw(), (Log{"top:key 7"}));
}

TEST_F(WindowTest, WindowShownAfterItsUpdateIsDrawnOneFrameLater)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);  // back: updated first
    LogWin* b = Add(top, "b", 0, 0, 10, 10);  // front: updated last
    a->setVisible(false);
    b->setVisible(false);
    Frame();
    // b (updated after a) shows a: a is drawn from the next frame on.
    b->setVisible(true);
    b->onUpdate = [&] { a->setVisible(true); };
    Frame();
    b->onUpdate = nullptr;
    Take();
    top->draw();
    EXPECT_EQ(Take(), (Log{"top:draw", "b:draw"}));
    Frame();
    top->draw();
    EXPECT_EQ(Take(), (Log{"top:draw", "a:draw", "b:draw"}));

    // a (updated before b) shows b: b is drawn in the same frame.
    b->setVisible(false);
    Frame();
    a->onUpdate = [&] { b->setVisible(true); };
    Frame();
    a->onUpdate = nullptr;
    Take();
    top->draw();
    EXPECT_EQ(Take(), (Log{"top:draw", "a:draw", "b:draw"}));
}

TEST_F(WindowTest, VisibilityHooksOnChangesOnly)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    Take();
    a->setVisible(true);
    a->setVisible(false);
    a->setVisible(false);
    a->setVisible(true);
    EXPECT_EQ(Take(), (Log{"a:invisible", "a:visible"}));
}

TEST_F(WindowTest, OpacityMultipliesDownTheTree)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    LogWin* b = Add(a, "b", 0, 0, 10, 10);
    a->setOpacitySelf(0.5);
    b->setOpacitySelf(0.5);
    Frame();
    EXPECT_DOUBLE_EQ(a->getOpacity(), 0.5);
    EXPECT_DOUBLE_EQ(b->getOpacity(), 0.25);
    b->setOpacitySelf(7);
    EXPECT_DOUBLE_EQ(b->getOpacitySelf(), 1.0);
    b->setOpacity(-1);
    EXPECT_DOUBLE_EQ(b->getOpacity(), 0.0);
}

TEST_F(WindowTest, TooltipShowsAfterMoreThanSevenTenthsOfHover)
{
    LogWin* a = Add(top, "a", 0, 0, 100, 100);
    a->setTooltip(true, "hello");
    Frame();
    top->messageMouseMove(10, 10, 0, true);
    EXPECT_TRUE(a->isMouseOver());
    int frames = 0;
    while (!a->isTooltipShowing() && frames < 100)
    {
        Frame(50);
        ++frames;
    }
    // 0.05 s a frame: the 15th frame passes 0.7 s (14 frames make exactly 0.7, give or take
    // the rounding of the sum).
    EXPECT_GE(frames, 14);
    EXPECT_LE(frames, 15);
    top->messageMousePressed(10, 10, 1);
    Frame();
    EXPECT_FALSE(a->isTooltipShowing());
    EXPECT_EQ(a->getTooltipTime(), 0);

    // Entering with the button held starts no timer.
    top->messageMouseMove(500, 400, 0, true);
    a->messageMouseEnter(10, 10, 1);
    for (int i = 0; i < 20; ++i)
        Frame(50);
    EXPECT_FALSE(a->isTooltipShowing());
}

TEST_F(WindowTest, SettingTheRunningTransitionAgainKeepsIt)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    Transition* t = new Transition();
    t->setType(Transition::kWaitShow);
    t->setTotalTime(1.0);
    a->setTransition(t);
    a->setTransition(t);  // must not delete it
    EXPECT_EQ(a->getTransition(), t);
    Frame();
    EXPECT_EQ(a->getTransition(), t);
    EXPECT_FALSE(t->isDone());
}

TEST_F(WindowTest, TransitionInstalledWhenTheLastOneFinishesIsKept)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    Transition* first = new Transition();
    first->setType(Transition::kHideAtOnce);
    a->setTransition(first);
    Transition* second = nullptr;
    a->onFinished = [&]
    {
        a->onFinished = nullptr;
        second = new Transition();
        second->setType(Transition::kWaitShow);
        a->setTransition(second);
    };
    Frame();  // first: done at its first update
    Frame();  // finished: hides the window, installs the second
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(a->getTransition(), second);
    EXPECT_TRUE(a->isVisible());  // the new transition's setWindow shows it
    Take();
}

TEST_F(WindowTest, DeletingAWindowUnlinksItFromItsParent)
{
    LogWin* a = new LogWin(&log, "a");
    LogWin* kid = new LogWin(&log, "kid");
    top->addWindow(a);
    a->addWindow(kid);
    delete a;
    EXPECT_TRUE(top->getChildren().empty());
    EXPECT_EQ(kid->getParent(), nullptr);
    delete kid;
}

TEST_F(WindowTest, HandlersMayDeleteSiblingsDuringAWalk)
{
    LogWin* a = Add(top, "a", 0, 0, 100, 100);
    LogWin* b = new LogWin(&log, "b");
    b->setPixSize(10, 10);
    top->addWindow(b);  // b is behind a... move a to the front so a is pressed first
    top->moveChildToTop(a);
    Frame();
    // a's press handler deletes b, which the walk has not reached yet.
    struct Deleter : LogWin
    {
        using LogWin::LogWin;
        Window* victim = nullptr;
        void messageMousePressed(int x, int y, int bt) override
        {
            LogWin::messageMousePressed(x, y, bt);
            delete victim;
            victim = nullptr;
        }
    };
    Deleter* d = new Deleter(&log, "d");
    d->setPixSize(100, 100);
    d->victim = b;
    top->addWindow(d);
    owned.push_back(d);
    Frame();
    top->messageMousePressed(5, 5, 1);  // must not touch the deleted b
    EXPECT_TRUE(d->isActive());
    EXPECT_EQ(top->getChild("b"), nullptr);
    (void)a;
}

// A child's update that adds a sibling and walks the same parent again: the inner walk sees the
// new child, the outer one goes on over the children it started with (each walk its own copy).
TEST_F(WindowTest, AWalkInsideAWalkOfTheSameWindowKeepsEachItsOwnChildren)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    LogWin* b = Add(top, "b", 0, 0, 10, 10);
    LogWin* c = Add(top, "c", 0, 0, 10, 10);
    Frame();
    std::vector<std::string> updated;
    for (LogWin* w : {a, b, c})
        w->onUpdate = [&updated, w] { updated.push_back(w->getName().c_str()); };
    LogWin* added = nullptr;
    b->onUpdate = [&]
    {
        updated.push_back("b");
        if (added)
            return;
        added = Add(top, "n", 0, 0, 10, 10);
        added->onUpdate = [&updated] { updated.push_back("n"); };
        top->update();  // the inner walk
    };
    Frame();
    // Children are updated from the first added (a new child goes in front); the inner walk
    // (a, b, c, n) runs inside the outer one's b, which then goes on with c only.
    EXPECT_EQ(updated, (std::vector<std::string>{"a", "b", "a", "b", "c", "n", "c"}));
}

// The update and draw walks skip a later sibling that an earlier one's handler took out of the
// list (removed, deleted, moved to another parent) and still reach the others; a walk in which
// nothing changes reaches every child.
TEST_F(WindowTest, UpdateAndDrawWalksSkipASiblingTakenOutDuringTheWalk)
{
    enum How
    {
        kNothing,
        kRemove,
        kDelete,
        kMove
    };
    const struct
    {
        How how;
        bool draw;
    } cases[] = {{kNothing, false}, {kRemove, false}, {kDelete, false}, {kMove, false},
                 {kNothing, true},  {kRemove, true},  {kDelete, true},  {kMove, true}};
    for (const auto& c : cases)
    {
        LogWin* parent = Add(top, "p", 0, 0, 100, 100);
        LogWin* other = Add(top, "o", 0, 0, 100, 100);
        LogWin* a = Add(parent, "a", 0, 0, 10, 10);
        LogWin* b = Add(parent, "b", 0, 0, 10, 10);
        LogWin* victim = new LogWin(&log, "c");
        victim->setPixSize(10, 10);
        parent->addWindow(victim);
        Frame();
        std::vector<std::string> walked;
        for (LogWin* w : {a, b, victim})
        {
            std::function<void()> note = [&walked, w] { walked.push_back(w->getName().c_str()); };
            (c.draw ? w->onDraw : w->onUpdate) = note;
        }
        std::function<void()> act = [&, how = c.how]
        {
            walked.push_back("a");
            if (how == kRemove)
                parent->removeWindow(victim);
            else if (how == kDelete)
            {
                delete victim;
                victim = nullptr;
            }
            else if (how == kMove)
                other->addWindow(victim);
        };
        (c.draw ? a->onDraw : a->onUpdate) = act;
        if (c.draw)
            parent->draw();
        else
            parent->update();
        const std::vector<std::string> expected =
            c.how == kNothing ? std::vector<std::string>{"a", "b", "c"} : std::vector<std::string>{"a", "b"};
        EXPECT_EQ(walked, expected) << c.how << " " << c.draw;
        if (victim)
        {
            victim->onDraw = nullptr;
            victim->onUpdate = nullptr;
        }
        a->onDraw = nullptr;
        a->onUpdate = nullptr;
        b->onDraw = nullptr;
        b->onUpdate = nullptr;
        delete victim;
        top->removeWindow(parent);
        top->removeWindow(other);
    }
}

TEST_F(WindowTest, AWindowCannotHoldItsAncestor)
{
    LogWin* a = Add(top, "a", 0, 0, 10, 10);
    LogWin* b = Add(a, "b", 0, 0, 10, 10);
    b->addWindow(a);
    b->addWindow(b);
    EXPECT_EQ(a->getParent(), top);
    EXPECT_TRUE(b->getChildren().empty());
    Frame();  // no endless recursion
}

TEST(OwnedArrayTest, DeletesItsObjectsFirstToLastAndReplacedOnesAtOnce)
{
    struct Noted
    {
        Noted(Log* log, std::string name) : log(log), name(std::move(name)) {}
        ~Noted() { log->push_back(name); }
        Log* log;
        std::string name;
    };
    Log log;
    {
        OwnedArray<Noted, 3> row;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(row.set(i, std::make_unique<Noted>(&log, "n" + std::to_string(i)))->name,
                      "n" + std::to_string(i));
        row.set(1, std::make_unique<Noted>(&log, "m1"));
        EXPECT_EQ(log, (Log{"n1"})) << "a replaced object goes at once";
        std::vector<std::string> walked;
        for (Noted* n : row)
            walked.push_back(n->name);
        EXPECT_EQ(walked, (std::vector<std::string>{"n0", "m1", "n2"}));
        EXPECT_EQ(row[2]->name, "n2");
    }
    EXPECT_EQ(log, (Log{"n1", "n0", "m1", "n2"}));
}
