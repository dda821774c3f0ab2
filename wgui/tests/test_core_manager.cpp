// The manager: construction, the event loop, the frame's update and draw order, frame timing,
// mouse messages to the root, keys, transitions queued for the next frame and the blend cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/backend.h"
#include "foundation/singletons.h"
#include "test_core_fixture.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_scroll.h"
#include "wgui_manager.h"
#include "wgui_misc.h"
#include "wgui_timer.h"
#include "wgui_transition.h"
#include "wgui_window.h"

using namespace WGUI;
using wguitest::PlatformFixture;

namespace
{

using Log = std::vector<std::string>;

class RecordingServices : public ManagerServices
{
public:
    explicit RecordingServices(Log* log) : log(log) {}
    // The test's play screen is the root's child "play".
    Window* playScreen(Window* root) override
    {
        log->push_back("play screen looked up");
        return root->getChild("play");
    }
    void setWindowed(bool w) override { log->push_back(std::string("windowed ") + (w ? "1" : "0")); }
    void fullScreenToggled() override { log->push_back("full screen toggled"); }
    void pauseGame(Window* w) override { log->push_back("pause " + std::string(w->getName().c_str())); }
    void leftButtonReleased() override
    {
        log->push_back(std::string("left released, input ") +
                       (Input::instance()->isLeftMouseButtonDown() ? "down" : "up"));
    }
    void eventCallback(WEvent& e) override
    {
        log->push_back("game event " + std::to_string(e.type) + "/" + std::to_string(e.key));
    }
    void updateOverlay() override { log->push_back("overlay update"); }
    void drawOverlay() override { log->push_back("overlay draw"); }
    void releaseOverlay() override { log->push_back("overlay release"); }
    void updateMusic(double dt) override { log->push_back("music " + std::to_string(dt)); }
    // The game's sound helper goes here; noted as the game's own deletion would be.
    void deleteSoundHelper() override
    {
        qfNoteLifetime("delete", "TSoundHelper");
        log->push_back("sound helper");
    }
    Log* log;
};

class Probe : public Window
{
public:
    Probe(Log* log, const char* n) : log(log) { setName(n); }
    std::string me() const { return std::string(getName().c_str()); }
    void updateSelf() override
    {
        log->push_back(me() + " update" + (getTransition() ? " with transition" : ""));
        if (onUpdate)
            onUpdate();
        Window::updateSelf();
    }
    void draw() override
    {
        log->push_back(me() + " draw");
        Window::draw();
    }
    void messageMouseMove(int x, int y, int b, bool m) override
    {
        log->push_back(me() + " move " + std::to_string(x) + "," + std::to_string(y) +
                       (m ? " moved" : " still"));
        Window::messageMouseMove(x, y, b, m);
    }
    void messageMouseDrag(int x, int y, int b, bool m) override
    {
        log->push_back(me() + " drag " + std::to_string(x) + "," + std::to_string(y) +
                       (m ? " moved" : " still"));
        Window::messageMouseDrag(x, y, b, m);
    }
    void messageMousePressed(int x, int y, int b) override
    {
        log->push_back(me() + " pressed");
        Window::messageMousePressed(x, y, b);
    }
    void messageMouseReleased(int x, int y, int b) override
    {
        log->push_back(me() + " released");
        Window::messageMouseReleased(x, y, b);
    }
    void messageMouseReleasedOut(int x, int y, int b) override
    {
        log->push_back(me() + " releasedout");
        Window::messageMouseReleasedOut(x, y, b);
    }
    void messageMouseEnter(int x, int y, int b) override
    {
        log->push_back(me() + " enter " + std::to_string(b));
        Window::messageMouseEnter(x, y, b);
    }
    void messageMouseExit(int x, int y, int b) override
    {
        log->push_back(me() + " exit " + std::to_string(b));
        Window::messageMouseExit(x, y, b);
    }
    void messageCallback(WEvent& e) override
    {
        log->push_back(me() + " key " + std::to_string(e.type) + "/" + std::to_string(e.key));
        Window::messageCallback(e);
    }
    std::function<void()> onUpdate;
    Log* log;
};

class ManagerTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        Timer::instance();
        services = new RecordingServices(&log);
        manager = new Manager(640, 480, -1, true, "Test title", services);
    }
    void TearDown() override
    {
        for (auto it = owned.rbegin(); it != owned.rend(); ++it)
            delete *it;
        Manager::deleteInstance();
        delete services;
        PlatformFixture::TearDown();
    }
    Probe* Add(const char* name, int x, int y, int w, int h, Window* parent = nullptr)
    {
        Probe* p = new Probe(&log, name);
        p->setPixAlPos(x, y);
        p->setPixSize(w, h);
        (parent ? parent : manager->getRoot())->addWindow(p);
        owned.push_back(p);
        return p;
    }
    void Frame(unsigned ms = 16)
    {
        backend->AdvanceMs(ms);
        manager->update();
    }
    void DrawFrame()
    {
        TRenderer* r = TRenderer::GetInstance();
        ASSERT_TRUE(r->BeginDraw(false));
        manager->getGameHost()->Draw();
        r->EndDraw(false);
    }
    Log Take()
    {
        Log out;
        out.swap(log);
        return out;
    }
    Log TakeMatching(const std::string& part)
    {
        Log out;
        for (auto& l : Take())
            if (l.find(part) != std::string::npos)
                out.push_back(l);
        return out;
    }
    void Handle(int type, int param = 0, int x = 0, int y = 0)
    {
        TEvent e(type, param, x, y, 0);
        manager->handleEvent(e);
    }

    Log log;
    RecordingServices* services = nullptr;
    Manager* manager = nullptr;
    std::vector<Window*> owned;
};

}  // namespace

TEST_F(ManagerTest, ConstructionSetsUpDisplayHostAndRoot)
{
    EXPECT_TRUE(Manager::hasInstance());
    EXPECT_EQ(Manager::instance(), manager);
    EXPECT_EQ(backend->CountCalls("SetWindowTitle"), 1u);
    ASSERT_NE(manager->getGameHost(), nullptr);
    EXPECT_EQ(windows->GetTopModalWindow(), manager->getGameHost());
    EXPECT_EQ(windows->GetWindowType("GameWindow"), WGame::ClassId());
    EXPECT_TRUE(manager->getGameHost()->IsKindOf(WGame::ClassId()));
    EXPECT_TRUE(manager->getGameHost()->IsKindOf(TWindow::ClassId()));
    EXPECT_STREQ(manager->getGameHost()->GetTypeName(), "WGame");
    ASSERT_NE(manager->getUpdateTask(), nullptr);
    EXPECT_TRUE(manager->getUpdateTask()->isNormalFrameRate());
    EXPECT_EQ(manager->getUpdateTask()->GetPeriod(), 16u);
    EXPECT_EQ(manager->getRoot()->getPixWidth(), 640);
    EXPECT_EQ(manager->getRoot()->getParentPixHeight(), 480);
    EXPECT_FALSE(manager->isFramerateShown());
    EXPECT_FALSE(manager->getDebugBox()->isVisible());
    const int metrics[9] = {26, 26, 30, 26, 26, 30, 4, 2, 25};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(manager->getSkinMetric(i), metrics[i]);
    EXPECT_EQ(manager->getButtonCell(2, 0), 18);
    EXPECT_EQ(manager->getButtonCell(2, 8), 26);
    EXPECT_EQ(manager->getButtonCell(3, 12), 12);
    EXPECT_EQ(manager->getButtonCell(4, 0), -1);
    // Without a "button" picture the skin is missing, not broken.
    EXPECT_EQ(manager->getButtonMap(), nullptr);
}

TEST_F(ManagerTest, FullScreenTheWindowSystemRefusesBecomesTheSavedWindowedChoice)
{
    // Two starts asking for full screen: one refused (no window manager), one granted.
    for (bool refuse : {true, false})
    {
        Manager::deleteInstance();
        Take();
        backend->mRefuseFullscreen = refuse;
        manager = new Manager(640, 480, -1, false, "Full", services);
        EXPECT_EQ(TPlatform::GetInstance()->IsFullscreen(), !refuse);
        EXPECT_EQ(TakeMatching("windowed"), refuse ? Log{"windowed 1"} : Log{}) << refuse;
    }
}

TEST_F(ManagerTest, UpdateOrderIsTheFramesContract)
{
    Probe* screen = Add("screen", 0, 0, 640, 480);
    Probe* other = Add("other", 0, 0, 10, 10);
    Transition* t = new Transition();
    t->setType(Transition::kWaitShow);
    manager->addTransition(t, screen);
    Take();
    Frame(20);
    // The overlay before the tree, the tree back to front, music last; the queued transition
    // is already attached when the screen updates.
    // The pointer rests at (0, 0), over "other" (the front child): its mouse messages come
    // between the overlay and the tree.
    EXPECT_EQ(Take(), (Log{"overlay update", "other move 0,0 still", "other enter 0",
                           "screen update with transition", "other update", "music 0.020000"}));
    (void)other;
}

TEST_F(ManagerTest, DrawOrderAndFillOnlyWhenAskedThisFrame)
{
    Add("screen", 0, 0, 640, 480);
    Frame();
    Take();
    handler->calls.clear();
    DrawFrame();
    EXPECT_EQ(Take(), (Log{"screen draw", "overlay draw"}));
    // No fill: nothing covers the whole screen.
    for (const auto& c : VertexCalls())
        EXPECT_FALSE(c.verts.size() == 6 && c.verts[4].pos.x == 640 && c.verts[4].pos.y == 480);

    manager->setFillBack(0, 0, 1);
    EXPECT_TRUE(manager->getFillBack());
    handler->calls.clear();
    DrawFrame();
    auto calls = VertexCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().verts[4].pos.x, 640);
    EXPECT_EQ(calls.front().verts[0].color.Blue(), 255);
    EXPECT_EQ(calls.front().verts[0].color.Alpha(), 255);
    Frame();  // the fill lasts one frame
    EXPECT_FALSE(manager->getFillBack());
}

TEST_F(ManagerTest, FrameDeltaIsClamped)
{
    struct Case
    {
        unsigned ms;
        double dt;
    } cases[] = {{200, 0.05}, {0, 0.001}, {16, 0.016}};
    for (const auto& c : cases)
    {
        Frame(c.ms);
        EXPECT_DOUBLE_EQ(Timer::instance()->getDeltaT(), c.dt) << c.ms;
    }
    Take();
    Frame(1000);
    EXPECT_EQ(Take().back(), "music 0.050000");
}

TEST_F(ManagerTest, MouseMessagesTable)
{
    Probe* screen = Add("screen", 0, 0, 640, 480);
    struct Step
    {
        int x, y;
        bool down;
        Log expect;
    } steps[] = {
        {100, 100, false, {"screen move 100,100 moved", "screen enter 0"}},
        {100, 100, false, {"screen move 100,100 still"}},  // every frame, moved or not
        {100, 100, true, {"screen pressed", "screen drag 100,100 still"}},
        {101, 100, true, {"screen drag 101,100 moved"}},
        {700, 100, true, {"screen drag 700,100 moved", "screen exit 1"}},  // held off screen
        {700, 100, true, {"screen drag 700,100 still"}},
        {700, 100, false, {"screen releasedout"}},  // released off screen
        {640, 0, false, {}},                        // x = width is off screen
        {639, 479, false, {"screen move 639,479 moved", "screen enter 0"}},
        {639, 479, true, {"screen pressed", "screen drag 639,479 still"}},
        {639, 479, false, {"screen released", "screen move 639,479 still"}},
        {-1, 10, false, {"screen exit 0"}},
        {-1, 10, true, {}},  // pressed off screen: no press, no drag
        // Back on screen with the button held: the root notes the entry; the child hears of
        // the pointer with the next move.
        {10, 10, true, {}},
        {10, 10, false, {"screen move 10,10 still", "screen enter 0"}},  // no release
    };
    int i = 0;
    for (const auto& s : steps)
    {
        Input::instance()->messageMouseMove(s.x, s.y);
        if (s.down)
            Input::instance()->messageLeftMouseDown();
        else
            Input::instance()->messageLeftMouseUp();
        Take();
        Frame();
        Log got;
        for (auto& l : Take())
            if (l.rfind("screen ", 0) == 0 && l.find("update") == std::string::npos)
                got.push_back(l);
        EXPECT_EQ(got, s.expect) << "step " << i;
        ++i;
    }
    EXPECT_EQ(manager->getMouseX(), 10);
    (void)screen;
}

TEST_F(ManagerTest, AClickShorterThanAFrameIsPressedForOneFrameAndReleasedOnTheNext)
{
    Add("screen", 0, 0, 640, 480);
    Input::instance()->messageMouseMove(50, 60);
    Frame();
    Take();
    // Both halves of the click arrive before the next frame.
    Input::instance()->messageLeftMouseDown();
    Input::instance()->messageLeftMouseUp();
    EXPECT_FALSE(Input::instance()->isLeftMouseButtonDown());
    const char* expected[] = {"screen pressed", "screen released", nullptr};
    for (const char* want : expected)
    {
        Frame();
        Log got = Take();
        const bool pressed = std::find(got.begin(), got.end(), "screen pressed") != got.end();
        const bool released = std::find(got.begin(), got.end(), "screen released") != got.end();
        EXPECT_EQ(pressed, want && std::string(want) == "screen pressed");
        EXPECT_EQ(released, want && std::string(want) == "screen released");
    }
}

TEST_F(ManagerTest, EventsByTypeTable)
{
    Take();
    // The options remember the mode the platform reports, then the game hears of the toggle
    // (its options screen shows the mode when visible).
    for (int i = 0; i < 2; ++i)
    {
        Handle(TEvent::kFullscreenToggled);
        EXPECT_EQ(Take(), (Log{"windowed 1", "full screen toggled"})) << i;
    }

    Handle(TEvent::kMouseMoved, 0, 33, 44);
    EXPECT_EQ(Input::instance()->getMouseX(), 33);
    EXPECT_EQ(Input::instance()->getMouseY(), 44);
    Handle(TEvent::kLeftDown);
    EXPECT_TRUE(Input::instance()->isLeftMouseButtonDown());
    Take();
    // The game hears of a release after the input took it (its logo screens listen).
    Handle(TEvent::kLeftUp);
    EXPECT_FALSE(Input::instance()->isLeftMouseButtonDown());
    EXPECT_EQ(TakeMatching("left released"), (Log{"left released, input up"}));
    Handle(TEvent::kLeftDown);
    EXPECT_EQ(TakeMatching("left released"), Log{});
    Handle(TEvent::kMouseExited);
    EXPECT_EQ(TakeMatching("left released"), Log{});

    // Without a visible play screen activation changes nothing.
    Handle(TEvent::kActivation, 1);
    EXPECT_EQ(TakeMatching("pause"), Log{});

    // Quit ends the loop; everything else goes on.
    TEvent quit(TEvent::kQuit, 0, 0, 0, 0);
    EXPECT_FALSE(manager->handleEvent(quit));
    TEvent idle(TEvent::kIdle, 0, 0, 0, 0);
    EXPECT_TRUE(manager->handleEvent(idle));
}

TEST_F(ManagerTest, KeysGoToTheRootThenTheGameAndF2TogglesTheFrameRate)
{
    Probe* screen = Add("screen", 0, 0, 640, 480);
    screen->setActive(true);
    Frame();
    Take();
    Handle(TEvent::kKeyDown, TEvent::kF2);
    EXPECT_TRUE(manager->isFramerateShown());
    EXPECT_TRUE(Input::instance()->isDown(Input::kF2));
    EXPECT_EQ(TakeMatching("key"), (Log{"screen key 5/11"}));
    // A typed 'q' carries key 11 as a character and toggles nothing.
    Handle(TEvent::kCharacter, 'q');
    EXPECT_TRUE(manager->isFramerateShown());
    Handle(TEvent::kKeyUp, 'A');
    EXPECT_FALSE(Input::instance()->isDown(Input::kA));
    Handle(TEvent::kMouseExtended, TEvent::kWheelVerticalDown);
    EXPECT_EQ(Take(), (Log{"screen key 4/11", "game event 4/11", "screen key 6/25", "game event 6/25",
                           "screen key 9/-1", "game event 9/-1"}));
    Handle(TEvent::kKeyDown, TEvent::kF2);
    EXPECT_FALSE(manager->isFramerateShown());

    // While exiting nothing reaches the windows or the game.
    manager->exit();
    EXPECT_TRUE(manager->isExiting());
    Take();
    Handle(TEvent::kKeyDown, TEvent::kF2);
    Handle(TEvent::kCharacter, 'x');
    EXPECT_FALSE(manager->isFramerateShown());
    EXPECT_EQ(TakeMatching("key"), Log{});
    EXPECT_EQ(TakeMatching("game event"), Log{});
}

TEST_F(ManagerTest, FrameRateTextAndDebugBox)
{
    manager->toggleShowFramerate();
    for (int i = 0; i < 130; ++i)
        Frame(20);
    EXPECT_EQ(std::string(manager->getFramerateText().c_str()), "50.000000 normal");
    EXPECT_EQ(std::string(manager->getFpsLabel()->getText().c_str()), "50.000000 normal");
    // The label sits 10 pixels from the right and bottom edges, in front of everything.
    EXPECT_EQ(manager->getFpsLabel()->getRight(), 630);
    EXPECT_EQ(manager->getFpsLabel()->getBottom(), 470);
    EXPECT_TRUE(manager->getFpsLabel()->isAlwaysOnTop());
    manager->setDebugText("hello");
    Frame();
    EXPECT_TRUE(manager->getDebugBox()->isVisible());
    manager->setDebugText("");
    Frame();
    EXPECT_FALSE(manager->getDebugBox()->isVisible());
}

TEST_F(ManagerTest, LowFrameRateOnlyWhileThePlayScreenIsVisible)
{
    Probe* game = Add("play", 0, 0, 640, 480);
    game->setVisible(false);
    // The loop asks the game for its play screen when it starts; run it until the first idle
    // frame.
    manager->exit();
    manager->run();
    EXPECT_EQ(TakeMatching("play screen"), (Log{"play screen looked up"}));
    for (int i = 0; i < 20; ++i)
        Frame(i % 2 ? 33 : 16);
    EXPECT_TRUE(Timer::instance()->shouldSwitchToLowFrameRate());
    EXPECT_TRUE(manager->getUpdateTask()->isNormalFrameRate());
    game->setVisible(true);
    Frame(16);
    EXPECT_TRUE(manager->getUpdateTask()->isLowFrameRate());
    EXPECT_EQ(manager->getUpdateTask()->GetPeriod(), 32u);
    for (int i = 0; i < 200; ++i)
        Frame(16);
    EXPECT_TRUE(manager->getUpdateTask()->isLowFrameRate());  // stays low
    EXPECT_NE(std::string(manager->getFramerateText().c_str()).find(" low"), std::string::npos);
    game->setVisible(false);
    Frame(16);
    EXPECT_TRUE(manager->getUpdateTask()->isNormalFrameRate());
}

TEST_F(ManagerTest, RunDeliversPlatformEventsUntilQuit)
{
    Probe* game = Add("play", 0, 0, 640, 480);
    TNativeEvent focusLost;
    focusLost.mKind = TNativeEvent::kFocusLost;
    TNativeEvent focusGained;
    focusGained.mKind = TNativeEvent::kFocusGained;
    TNativeEvent close;
    close.mKind = TNativeEvent::kWindowClose;
    backend->PushEvent(focusLost);
    backend->PushEvent(focusGained);
    backend->PushEvent(close);
    Take();
    manager->run();
    // Activation and deactivation alike pause the visible play screen; the close request
    // asks the platform to exit, which then reports quit.
    EXPECT_EQ(TakeMatching("pause"), (Log{"pause play", "pause play"}));
    (void)game;
}

TEST_F(ManagerTest, TheHostWindowTicksTheFrameFromTheIdleStep)
{
    Add("screen", 0, 0, 640, 480);
    Take();
    // Idle records drive the task list; the task ticks every 16 ms of the platform clock, and
    // each tick asks for a redraw, which the window manager's idle step then makes.
    for (int i = 0; i < 10; ++i)
    {
        backend->AdvanceMs(5);
        TEvent idle(TEvent::kIdle, 0, 0, 0, 0);
        manager->handleEvent(idle);
    }
    Log got = Take();
    int updates = 0, draws = 0;
    for (const auto& l : got)
    {
        updates += l == "screen update";
        draws += l == "screen draw";
    }
    EXPECT_GE(updates, 2);
    EXPECT_LE(updates, 4);
    EXPECT_GE(draws, 1);
    EXPECT_EQ(handler->begin2dCount, handler->end2dCount);
    EXPECT_GE(handler->begin2dCount, 1);
}

TEST_F(ManagerTest, BlendCacheFollowsTheRendererAcrossFrames)
{
    manager->setGlobalBlendMode(1);
    EXPECT_EQ(handler->GetBlendMode(), TRenderer::kBlendAdditive);
    manager->setGlobalBlendMode(7);  // stored only
    EXPECT_EQ(manager->getGlobalBlendMode(), 7);
    EXPECT_EQ(handler->GetBlendMode(), TRenderer::kBlendAdditive);
    manager->setGlobalBlendMode(1);
    // A new frame starts the renderer in the normal mode; so must the cache, so that the
    // frame's first additive blit sets the mode again.
    DrawFrame();
    EXPECT_EQ(manager->getGlobalBlendMode(), 0);
    handler->SetBlendMode(TRenderer::kBlendAlpha);
    manager->setGlobalBlendMode(1);
    EXPECT_EQ(handler->GetBlendMode(), TRenderer::kBlendAdditive);
}

TEST_F(ManagerTest, ForwardsToTheRoot)
{
    Probe* a = Add("a", 0, 0, 640, 480);
    EXPECT_EQ(manager->getChild("a"), a);
    Probe* b = new Probe(&log, "b");
    manager->addWindow(b);
    owned.push_back(b);
    for (Window* w : manager->getRoot()->getChildren())
        if (!w->isAlwaysOnTop())
        {
            EXPECT_EQ(w, b);
            break;
        }
    manager->moveChildToTopMes("a");
    Frame();
    // The two display windows of the manager stay in front.
    for (Window* w : manager->getRoot()->getChildren())
        if (!w->isAlwaysOnTop())
        {
            EXPECT_EQ(w, a);
            break;
        }
    EXPECT_DOUBLE_EQ(manager->screenToSpriteX(320), 0);
    EXPECT_DOUBLE_EQ(manager->screenToSpriteY(0), -240);
}

// The manager's destructor in its whole order: its own parts, the frame timer right after the
// tooltip, then the GUI's own singletons with the game's sound helper between the input and the
// debug file; each once. The host layer is popped.
TEST_F(ManagerTest, DeletionGoesInItsOrderAndPopsTheHost)
{
    Transition* t = new Transition();
    Window* w = new Window();
    manager->addTransition(t, w);
    Take();
    qfTakeLifetimeRecord();
    qfRecordLifetime(true);
    Manager::deleteInstance();
    qfRecordLifetime(false);
    manager = nullptr;
    EXPECT_EQ(qfTakeLifetimeRecord(),
              (std::vector<std::string>{
                  "delete WGUI::Manager", "delete root window", "delete tooltip", "delete Timer",
                  "delete particle engine", "delete frame-rate label", "delete debug box",
                  "delete mouse cursor", "delete queued transitions", "delete Fonts", "delete ImageMaps",
                  "delete AnimationDefs", "delete EggTimers", "delete StringTable", "delete Shapes",
                  "delete Input", "delete TSoundHelper", "delete DebugFile", "delete Pathnames"}));
    // The services' overlay goes at the particle engine's point, the sound helper at its own.
    EXPECT_EQ(Take(), (Log{"overlay release", "sound helper"}));
    EXPECT_FALSE(Manager::hasInstance());
    delete w;
    // The host layer goes at the next event.
    TEvent idle(TEvent::kIdle, 0, 0, 0, 0);
    windows->HandleEvent(&idle);
    EXPECT_NE(windows->GetTopModalWindow() ? windows->GetTopModalWindow()->GetName() : str(""), str("wgame"));
}

// Without a manager the GUI's own singletons go in the same order, the sound helper's slot
// included.
TEST_F(ManagerTest, SingletonsWithoutAManagerGoInTheManagersOrder)
{
    Manager::deleteInstance();
    manager = nullptr;
    qfTakeLifetimeRecord();
    qfRecordLifetime(true);
    Manager::deleteSingletons([] { qfNoteLifetime("delete", "TSoundHelper"); });
    qfRecordLifetime(false);
    EXPECT_EQ(
        qfTakeLifetimeRecord(),
        (std::vector<std::string>{"delete Timer", "delete Fonts", "delete ImageMaps", "delete AnimationDefs",
                                  "delete EggTimers", "delete StringTable", "delete Shapes", "delete Input",
                                  "delete TSoundHelper", "delete DebugFile", "delete Pathnames"}));
}

TEST_F(ManagerTest, FactoryMakesTheInstanceOnFirstUse)
{
    Manager::deleteInstance();
    manager = nullptr;
    int made = 0;
    Manager::setFactory(
        [&]
        {
            ++made;
            return new Manager(320, 240, -1, true, "made");
        });
    Manager* m = Manager::instance();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Manager::instance(), m);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(m->getWidth(), 320);
    Manager::setFactory(nullptr);
    Manager::deleteInstance();
    EXPECT_EQ(Manager::instance(), nullptr);
}

TEST_F(ManagerTest, WindowDeletedWithATransitionQueuedIsForgotten)
{
    Window* doomed = new Window();
    manager->addWindow(doomed);
    Transition* t = new Transition();
    Window* next = new Window();
    manager->addWindow(next);
    owned.push_back(next);
    t->setNextTransition(new Transition());
    t->setNextWindow(next);
    manager->addTransition(t, doomed);
    delete doomed;  // the queued transition goes with it; its chain moves on to "next"
    EXPECT_EQ(manager->queuedTransitions(), 1u);
    Frame();
    EXPECT_EQ(manager->queuedTransitions(), 0u);
    EXPECT_NE(next->getTransition(), nullptr);
}

TEST_F(ManagerTest, FillOutsideCoversTheScreenAroundASmallWindow)
{
    Probe* dialog = Add("dialog", 100, 50, 200, 100);
    dialog->setFillOutside(true);
    Frame();
    handler->calls.clear();
    DrawFrame();
    std::vector<std::vector<float>> fills;
    for (const auto& c : VertexCalls())
        if (c.verts.size() == 6 && !c.texture)
            fills.push_back({c.verts[0].pos.x, c.verts[0].pos.y, c.verts[4].pos.x, c.verts[4].pos.y});
    EXPECT_EQ(fills, (std::vector<std::vector<float>>{
                         {0, 0, 100, 480}, {300, 0, 640, 480}, {100, 0, 300, 50}, {100, 150, 300, 480}}));
    // A window covering the screen needs no fill.
    dialog->setPixSize(640, 480);
    dialog->setPixAlPos(0, 0);
    Frame();
    handler->calls.clear();
    DrawFrame();
    EXPECT_TRUE(VertexCalls().empty());
}

TEST_F(ManagerTest, ChainToAWindowDeletedMeanwhileIsDropped)
{
    Probe* screen = Add("screen", 0, 0, 640, 480);
    Window* next = new Window();
    manager->addWindow(next);
    Transition* out = new Transition();
    out->setType(Transition::kWaitHide);
    out->setTotalTime(0.1);
    out->setNextTransition(new Transition());
    out->setNextWindow(next);
    screen->setTransition(out);
    Frame(50);
    delete next;  // before the chain fires
    EXPECT_EQ(out->getNextWindow(), nullptr);
    for (int i = 0; i < 4; ++i)
        Frame(50);
    EXPECT_EQ(screen->getTransition(), nullptr);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(manager->queuedTransitions(), 0u);
}

TEST_F(ManagerTest, QueuedTransitionChainedBackToItsOwnWindowGoesWithTheWindow)
{
    Window* w = new Window();
    manager->addWindow(w);
    Transition* t = new Transition();
    t->setNextTransition(new Transition());
    t->setNextWindow(w);
    manager->addTransition(t, w);
    delete w;  // dropping t queues its chain for w again: that goes too
    EXPECT_EQ(manager->queuedTransitions(), 0u);
    Frame();

    // A chain cannot lead back to itself.
    Transition a, *b = new Transition();
    a.setNextTransition(b);
    b->setNextTransition(&a);
    EXPECT_EQ(b->getNextTransition(), nullptr);
    a.setNextTransition(&a);
    EXPECT_EQ(a.getNextTransition(), b);
}
