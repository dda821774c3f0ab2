// Scenarios of the window manager: the modal stack by name and id, message delivery, deferred
// deletion (also from inside handlers), mouse capture, overlays, the redraw throttle, skipping
// of covered layers, the script binding and window types, and the platform hooks.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>

#include "render/texture.h"
#include "window_fixture.h"

using namespace wtest;

namespace
{

class WindowManagerTest : public PlatformWindowFixture
{
protected:
    void SetUp() override
    {
        PlatformWindowFixture::SetUp();
        screen = MakeScreen();
        ASSERT_NE(screen, nullptr);
        screen->SetName(str("screen"));
        Take();
    }
    int Frames() const { return handler->beginDrawCount; }
    TScreen* screen = nullptr;
};

class PanelWindow : public TWindow
{
public:
    static TClassId ClassId() { return WindowClassId<PanelWindow>(); }
    const char* GetTypeName() const override { return "PanelWindow"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }
};

struct RecordingTask : TTask
{
    RecordingTask(Log* log, const char* name) : mLog(log), mName(name) {}
    bool Ready(ETaskContext context) override
    {
        mLog->push_back(mName + " ready " + std::to_string(int(context)));
        return true;
    }
    bool DoTask() override { return true; }
    Log* mLog;
    std::string mName;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The stack

TEST_F(WindowManagerTest, ScreenIsTheBottomLayerAtTheDisplaySize)
{
    EXPECT_EQ(manager->GetModalCount(), 1u);
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
    EXPECT_EQ(screen->GetWindowWidth(), 640);
    EXPECT_EQ(screen->GetWindowHeight(), 480);
    EXPECT_EQ(TWindowManager::GetInstance(), manager);
    EXPECT_FALSE(screen->GetClock().IsPaused());
}

TEST_F(WindowManagerTest, PopByNameWalksTheParentChainAndPopsDownToTheMatch)
{
    PushLayer("A");
    PushLayer("B");
    PushLayer("C");
    PushLayer("D");
    Take();
    manager->PopModal(str("nobody"));
    EXPECT_EQ(manager->GetModalCount(), 5u) << "no match pops nothing";
    manager->PopModal(str("B"));
    EXPECT_EQ(manager->GetModalCount(), 2u) << "the third layer from the top pops three";
    EXPECT_EQ(Name(manager->GetTopModalWindow()), "A");
    EXPECT_EQ(Take(), (Log{"script:top C", "C:focus from D", "script:top B", "B:focus from C", "script:top A",
                           "A:focus from B"}));
    EXPECT_EQ(manager->GetPendingDestructionCount(), 3u);
    Send(TEvent::kKeyUp, 'x');  // any event deletes the popped layers first
    Log lines = Take();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Log(lines.begin(), lines.begin() + 3), (Log{"D:deleted", "C:deleted", "B:deleted"}));
}

namespace
{

// Pops a layer by name when its own layer is popped.
class PopsOnPop : public LogWindow
{
public:
    PopsOnPop(Log* log, const char* name, const char* pops) : LogWindow(log, name), mPops(pops) {}
    void OnParentModalPopped() override
    {
        LogWindow::OnParentModalPopped();
        TWindowManager::GetInstance()->PopModal(str(mPops));
    }
    const char* mPops;
};

}  // namespace

TEST_F(WindowManagerTest, PopByNameStopsWhenAHandlerAlreadyPoppedTheLayer)
{
    const char* const cases[][2] = {
        // {layer popped by the handler, expected top}
        {"B", "A"},  // the layer looked for: nothing more is popped
        {"C", "A"},  // one between: the pop by name still ends at the layer looked for
    };
    for (const auto& c : cases)
    {
        LogModal* a = PushLayer("A");
        PushLayer("B");
        PushLayer("C");
        LogModal* d = PushLayer("D");
        d->AdoptChild(new PopsOnPop(&log, "popper", c[0]), false);
        manager->PopModal(str("B"));
        EXPECT_EQ(Name(manager->GetTopModalWindow()), c[1]) << "handler pops " << c[0];
        EXPECT_FALSE(a->GetClock().IsPaused());
        manager->PopModal(str("A"));
        Send(TEvent::kKeyUp, 'x');
        ASSERT_EQ(manager->GetTopModalWindow(), screen);
    }
}

TEST_F(WindowManagerTest, PopByIdTextFindsTheLayer)
{
    LogModal* a = PushLayer("A");
    PushLayer("B");
    a->SetName(str());
    const str id = a->GetIdText();
    ASSERT_EQ(id.length(), 8u);
    manager->PopModal(id);
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
    manager->PopModal(str("screen"));
    EXPECT_EQ(manager->GetModalCount(), 0u);
    EXPECT_EQ(manager->GetFocus(), nullptr);
    Take();
    Send(TEvent::kLeftDown, 0, 5, 5);  // empty stack: pending windows go, the event is dropped
    EXPECT_EQ(Take(), (Log{"B:deleted", ":deleted"}));
    EXPECT_EQ(manager->GetPendingDestructionCount(), 0u);
    EXPECT_EQ(manager->GetScreen(), nullptr);
}

TEST_F(WindowManagerTest, PushingALayerTwiceOrBelowItselfIsRefused)
{
    LogModal* a = PushLayer("A");
    EXPECT_FALSE(manager->PushModal(a));
    EXPECT_FALSE(manager->PushModal(screen));
    EXPECT_FALSE(manager->PushModal(nullptr));
    EXPECT_EQ(manager->GetModalCount(), 2u);
}

TEST_F(WindowManagerTest, PoppedLayersChildrenHearOfItBottomUp)
{
    LogModal* a = PushLayer("A");
    LogWindow* outer = AddChild(a, "outer", TRect());
    AddChild(outer, "inner", TRect());
    Take();
    manager->PopModal(str("A"));
    EXPECT_EQ(Take(), (Log{"script:top screen", "inner:popped", "outer:popped"}));
}

TEST_F(WindowManagerTest, DeletingALayerDirectlyTakesItOffTheStack)
{
    LogModal* a = PushLayer("A");
    PushLayer("B");
    Take();
    screen->OrphanChild(a);
    delete a;  // B, its child, goes with it
    EXPECT_EQ(manager->GetModalCount(), 1u);
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
    Send(TEvent::kIdle);
}

TEST_F(WindowManagerTest, TheLayerBeneathRunsOnWhenTheTopGoesWithoutAPop)
{
    // Each way a top layer can leave the stack other than PopModal.
    const std::pair<const char*, std::function<void(TWindowManager*, TModalWindow*)>> ways[] = {
        {"deferred", [](TWindowManager* m, TModalWindow* top) { m->SafeDestroyWindow(top); }},
        {"direct", [](TWindowManager*, TModalWindow* top) { delete top; }},
    };
    for (const auto& way : ways)
    {
        LogModal* a = PushLayer("A");
        LogModal* b = PushLayer("B");
        ASSERT_TRUE(a->GetClock().IsPaused()) << way.first;
        way.second(manager, b);
        Send(TEvent::kKeyUp, 'x');
        EXPECT_EQ(manager->GetTopModalWindow(), a) << way.first;
        EXPECT_FALSE(a->GetClock().IsPaused()) << way.first << ": the new top's animations go on";
        manager->PopModal(str("A"));
        Send(TEvent::kKeyUp, 'x');
    }
}

// ---------------------------------------------------------------------------------------------
// Messages

TEST_F(WindowManagerTest, QuitNowEndsTheProgramWhenDeliveredNotWhenPosted)
{
    PushLayer("A");
    manager->PostWindowMessage(new TMessage(TMessage::kQuitNow));
    EXPECT_FALSE(data->IsQuitRequested());
    Send(TEvent::kIdle);
    EXPECT_TRUE(data->IsQuitRequested());
}

TEST_F(WindowManagerTest, MessagesPostedWhileDeliveringAreDeliveredInTheSameCall)
{
    LogModal* a = PushLayer("A");
    bool posted = false;
    a->mBehave.action["msg"] = [this, &posted]()
    {
        if (!posted)
            manager->PostWindowMessage(new TMessage(1001, str("second")));
        posted = true;
    };
    a->mBehave.result["msg"] = true;
    Take();
    manager->PostWindowMessage(new TMessage(1000, str("first")));
    manager->DispatchMessages();
    EXPECT_EQ(Take(), (Log{"A:msg 1000 first", "A:msg 1001 second"}));
}

TEST_F(WindowManagerTest, TargetedMessagesAreReroutedWhenTheTargetIsDeletedFirst)
{
    LogModal* a = PushLayer("A");
    LogWindow* t1 = AddChild(a, "T1", TRect());
    LogWindow* t2 = AddChild(a, "T2", TRect());
    LogWindow* t3 = AddChild(a, "T3", TRect());
    LogWindow* inner = AddChild(t3, "inner", TRect());
    manager->PostWindowMessage(new TMessage(1000, str("direct"), t1));
    manager->PostWindowMessage(new TMessage(1000, str("safe"), t2));
    manager->PostWindowMessage(new TMessage(1000, str("nested"), inner));
    delete t1;                                                        // deleted directly
    manager->SafeDestroyWindow(t2);                                   // deferred
    manager->PostWindowMessage(new TMessage(1000, str("late"), t2));  // aimed after the request
    manager->SafeDestroyWindow(t3);  // the target lies inside the destroyed window
    Take();
    Send(TEvent::kForceRedraw);
    Log lines = Take();
    Log msgs;
    for (const auto& l : lines)
        if (l.rfind("A:msg", 0) == 0)
            msgs.push_back(l);
    EXPECT_EQ(msgs, (Log{"A:msg 1000 direct", "A:msg 1000 safe", "A:msg 1000 nested", "A:msg 1000 late"}));
}

TEST_F(WindowManagerTest, ScriptMessagesWithoutAScriptAreDeleted)
{
    PushLayer("A");
    Take();
    manager->AttachWindowScript(nullptr);  // the old script goes
    EXPECT_EQ(Take(), (Log{"script:deleted"}));
    manager->OnScriptMessage(new TMessage(1000), nullptr);  // LeakSanitizer checks
    manager->PostWindowMessage(new TMessage(1001));
    Send(TEvent::kIdle);
}

TEST_F(WindowManagerTest, EveryRoadOfAPostedMessageDeletesItOnceAtDelivery)
{
    struct CountedMessage : TMessage
    {
        CountedMessage(int* deleted, TWindow* target)
            : TMessage(1000, str("counted"), target), deleted(deleted)
        {
        }
        ~CountedMessage() override { ++*deleted; }
        int* deleted;
    };
    struct Taker : TMessageObserver
    {
        bool accept = false;
        bool OnMessage(TMessage*) override { return accept; }
    };
    struct Road
    {
        const char* name;
        bool targeted;           // aimed at the child, else at nobody
        bool childAccepts;       // the child's OnMessage answer
        bool layerAccepts;       // the layer's
        bool observerTakes;      // a message observer's
        bool focusOnChild;       // the focus is the child, else nothing has it
        const char* scriptSees;  // what the script is told, "" when nothing reaches it
    };
    const Road roads[] = {
        {"taken by its target", true, true, false, false, false, ""},
        {"taken by the target's layer", true, false, true, false, false, ""},
        {"declined all the way to the script", true, false, false, false, false, "script:msg 1000 counted"},
        {"taken by an observer", false, false, false, true, true, ""},
        {"taken by the focus window", false, true, false, false, true, ""},
        {"without focus, taken by the top layer", false, false, true, false, false, ""},
        {"without focus, declined to the script", false, false, false, false, false,
         "script:msg 1000 counted"},
    };
    for (const Road& road : roads)
    {
        SCOPED_TRACE(road.name);
        LogModal* layer = PushLayer("L");
        LogWindow* child = AddChild(layer, "C", TRect());
        child->mBehave.result["msg"] = road.childAccepts;
        layer->mBehave.result["msg"] = road.layerAccepts;
        Taker taker;
        taker.accept = road.observerTakes;
        manager->AddMessageObserver(&taker);
        manager->SetFocus(road.focusOnChild ? child : nullptr);
        int deleted = 0;
        manager->PostWindowMessage(
            std::make_unique<CountedMessage>(&deleted, road.targeted ? child : nullptr));
        Take();
        EXPECT_EQ(deleted, 0) << "the queue keeps it until delivery";
        manager->DispatchMessages();
        EXPECT_EQ(deleted, 1);
        Log lines = Take();
        const bool scriptTold = std::find(lines.begin(), lines.end(), road.scriptSees) != lines.end();
        EXPECT_EQ(scriptTold, *road.scriptSees != 0);
        manager->RemoveMessageObserver(&taker);
        manager->SetFocus(nullptr);
        manager->PopModal(str("L"));
        manager->ClearDestroyedWindows();
        Take();
    }
}

// ---------------------------------------------------------------------------------------------
// Deferred deletion

TEST_F(WindowManagerTest, SafeDestroyTwiceOrOfAStillAdoptedWindowDeletesOnce)
{
    LogModal* a = PushLayer("A");
    LogWindow* p = AddChild(a, "P", TRect());
    LogWindow* w = AddChild(p, "W", TRect());
    manager->SafeDestroyWindow(w);
    manager->SafeDestroyWindow(w);
    EXPECT_EQ(manager->GetPendingDestructionCount(), 1u);
    EXPECT_TRUE(p->GetChildren().empty()) << "orphaned at once";
    // Re-adopted by a window that is itself pending: deleting the parent takes the child along
    // and it leaves the pending list.
    manager->SafeDestroyWindow(p);
    p->AdoptChild(w, false);
    Take();
    Send(TEvent::kIdle);
    Log lines = Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "W:deleted"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "P:deleted"), 1);
    EXPECT_EQ(manager->GetPendingDestructionCount(), 0u);
}

TEST_F(WindowManagerTest, DestroyAllChildrenDefersEveryChild)
{
    LogModal* a = PushLayer("A");
    AddChild(a, "c1", TRect());
    AddChild(a, "c2", TRect());
    a->DestroyAllChildren();
    EXPECT_TRUE(a->GetChildren().empty());
    EXPECT_EQ(manager->GetPendingDestructionCount(), 2u);
    Take();
    Send(TEvent::kKeyUp, 'x');
    Log lines = Take();
    EXPECT_EQ(Log(lines.begin(), lines.begin() + 2), (Log{"c2:deleted", "c1:deleted"}));
}

TEST_F(WindowManagerTest, AWindowDeletingItselfFromItsHandlerLivesUntilTheNextEvent)
{
    LogModal* a = PushLayer("A");
    LogWindow* button = AddChild(a, "X", TRect(0, 0, 50, 50));
    button->mBehave.result["down"] = true;
    button->mBehave.action["down"] = [this, button]() { manager->SafeDestroyWindow(button); };
    Take();
    Send(TEvent::kLeftDown, 0, 10, 10);
    // Orphaned at once, the window has no ancestor left to take the focus.
    EXPECT_EQ(Take(), (Log{"X:down 10,10"}));
    EXPECT_EQ(manager->GetHoverWindow(), nullptr);
    Send(TEvent::kLeftUp, 0, 10, 10);
    EXPECT_EQ(Take(), (Log{"X:deleted", "A:up 10,10", "A:msg 4 mouse:up", "script:msg 4 mouse:up"}));
}

TEST_F(WindowManagerTest, AHandlerThatPopsItsOwnLayerFinishesSafely)
{
    LogModal* a = PushLayer("A");
    LogWindow* close = AddChild(a, "close", TRect(0, 0, 50, 50));
    close->mBehave.result["up"] = true;
    close->mBehave.action["up"] = [this]()
    { manager->PostWindowMessage(new TMessage(TMessage::kCloseWindow, str("A"))); };
    Take();
    Send(TEvent::kLeftUp, 5, 5, 5);
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
    EXPECT_EQ(Take(), (Log{"close:up 5,5", "script:top screen", "close:popped", "A:msg 1 A base"}));
    Send(TEvent::kIdle);
    Log lines = Take();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "A:deleted");
    EXPECT_EQ(lines[1], "close:deleted");
}

// ---------------------------------------------------------------------------------------------
// Mouse capture

TEST_F(WindowManagerTest, ListenersCaptureTheMouseAndAClickOutsideLeavesFirst)
{
    LogModal* a = PushLayer("A");
    LogWindow* other = AddChild(a, "other", TRect(0, 0, 640, 480));
    LogWindow* lst = AddChild(other, "lst", TRect(100, 100, 200, 200));
    manager->AddMouseListener(lst);
    manager->AddMouseListener(lst);
    EXPECT_EQ(manager->GetMouseListeners().size(), 1u);
    lst->mBehave.result["down"] = true;
    Take();
    Send(TEvent::kLeftDown, 0, 150, 160);
    EXPECT_EQ(Take(), (Log{"lst:down 50,60", "A:focus from A"}));
    Send(TEvent::kLeftDown, 0, 10, 10);
    EXPECT_EQ(Take(), (Log{"lst:leave", "lst:down -90,-90", "A:focus from A"})) << "no other window sees it";

    lst->mBehave.action["leave"] = [this, lst]() { manager->RemoveMouseListener(lst); };
    Send(TEvent::kLeftDown, 0, 10, 10);
    EXPECT_EQ(Take(), (Log{"lst:leave"}));
    EXPECT_TRUE(manager->GetMouseListeners().empty());
}

TEST_F(WindowManagerTest, ListenerWalkResumesWhenTheListChanges)
{
    LogModal* a = PushLayer("A");
    LogWindow* first = AddChild(a, "first", TRect(0, 0, 10, 10));
    LogWindow* second = AddChild(a, "second", TRect(0, 0, 10, 10));
    LogWindow* third = AddChild(a, "third", TRect(0, 0, 10, 10));
    for (TWindow* w :
         {static_cast<TWindow*>(first), static_cast<TWindow*>(second), static_cast<TWindow*>(third)})
        manager->AddMouseListener(w);
    first->mBehave.action["leave"] = [this, first]() { manager->RemoveMouseListener(first); };
    second->mBehave.result["move"] = true;
    second->mBehave.action["move"] = [this, third]() { manager->SafeDestroyWindow(third); };
    Take();
    Send(TEvent::kMouseMoved, 0, 5, 50);
    EXPECT_EQ(Take(), (Log{"first:leave", "second:leave", "second:move 5,50"}));
    Send(TEvent::kMouseExited);
    EXPECT_EQ(Take(), (Log{"third:deleted", "second:leave"}));
}

TEST_F(WindowManagerTest, RelativeCursorMovesKeepTheirDeltasAndPlainMovesAreDropped)
{
    LogModal* a = PushLayer("A");
    LogWindow* lst = AddChild(a, "lst", TRect(100, 100, 200, 200));
    platform->SetCursorMode(TPlatform::kCursorRelative);
    manager->AddMouseListener(lst);
    Take();
    Send(TEvent::kMouseMoved, 0, 3, -4);
    EXPECT_EQ(Take(), (Log{"lst:move 3,-4", "A:move 103,96"})) << "unhandled, it bubbles up";
    manager->RemoveMouseListener(lst);
    Send(TEvent::kMouseMoved, 0, 150, 150);
    EXPECT_TRUE(Take().empty()) << "without listeners a relative move is dropped";
    platform->SetCursorMode(TPlatform::kCursorNormal);
}

TEST_F(WindowManagerTest, PushingALayerReleasesTheMouseListeners)
{
    LogModal* a = PushLayer("A");
    LogWindow* lst = AddChild(a, "lst", TRect(0, 0, 10, 10));
    manager->AddMouseListener(lst);
    Take();
    PushLayer("B");
    EXPECT_TRUE(manager->GetMouseListeners().empty());
    EXPECT_EQ(Take(), (Log{"lst:leave", "B:focus from A", "script:top B"}));
}

// ---------------------------------------------------------------------------------------------
// Overlays

TEST_F(WindowManagerTest, OverlaysAreAskedFirstWhenOverlayMouseIsSet)
{
    LogModal* a = PushLayer("A");
    LogWindow* under = AddChild(a, "under", TRect(0, 0, 640, 480));
    LogWindow overlay(&log, "O");
    overlay.SetWindowPos(0, 0);
    overlay.SetWindowSize(100, 100);
    LogWindow* oc = AddChild(&overlay, "OC", TRect(10, 10, 50, 50));
    manager->AddOverlayWindow(&overlay);
    Take();

    Send(TEvent::kLeftUp, 0, 20, 20);
    EXPECT_EQ(Take(), (Log{"under:up 20,20", "A:up 20,20", "A:msg 4 mouse:up", "script:msg 4 mouse:up"}))
        << "overlaymouse unset: overlays are not asked";

    TPlatform::SetConfig(str("overlaymouse"), str("1"));
    Send(TEvent::kLeftUp, 0, 20, 20);
    EXPECT_EQ(Take(), (Log{"OC:up 10,10", "O:up 20,20", "under:up 20,20", "A:up 20,20", "A:msg 4 mouse:up",
                           "script:msg 4 mouse:up"}));
    oc->mBehave.result["up"] = true;
    Send(TEvent::kLeftUp, 0, 20, 20);
    EXPECT_EQ(Take(), (Log{"OC:up 10,10"}));
    EXPECT_EQ(manager->GetHoverWindow(), oc);
    Send(TEvent::kMouseMoved, 0, 300, 300);
    EXPECT_EQ(Take(), (Log{"O:move 300,300", "under:move 300,300", "A:move 300,300"}))
        << "the overlay itself is asked wherever the point lies";
    EXPECT_EQ(manager->GetHoverWindow(), under);

    // Overlays are drawn above all layers.
    Take();
    manager->InvalidateScreen();
    backend->AdvanceMs(20);
    Send(TEvent::kIdle);
    Log lines = Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "OC:draw");
    manager->RemoveOverlayWindow(&overlay);
    TPlatform::SetConfig(str("overlaymouse"), str("0"));
}

// ---------------------------------------------------------------------------------------------
// Drawing

TEST_F(WindowManagerTest, RedrawIsThrottledTo12MillisecondsInTheForeground)
{
    PushLayer("A");
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1);
    EXPECT_FALSE(manager->IsScreenInvalid());
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1) << "nothing invalidated the screen";

    manager->InvalidateScreen();
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2);
    backend->AdvanceMs(5);
    manager->InvalidateScreen();
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2) << "5 ms after the last pass";
    backend->AdvanceMs(6);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2) << "11 ms";
    backend->AdvanceMs(1);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 3) << "12 ms: the waiting invalidation draws";
    EXPECT_EQ(handler->endDrawCount, 3);
}

TEST_F(WindowManagerTest, RedrawIsThrottledTo200MillisecondsInTheBackground)
{
    PushLayer("A");
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    ASSERT_EQ(Frames(), 1);
    TNativeEvent lost;
    lost.mKind = TNativeEvent::kFocusLost;
    data->QueueEvent(lost);
    ASSERT_FALSE(platform->IsForeground());
    manager->InvalidateScreen();
    backend->AdvanceMs(199);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1);
    backend->AdvanceMs(1);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2);
}

TEST_F(WindowManagerTest, ThrottleSurvivesTheTimerWrap)
{
    PushLayer("A");
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    ASSERT_EQ(Frames(), 1);
    manager->InvalidateScreen();
    const uint32_t now = TPlatform::Timer();
    backend->AdvanceMs(uint64_t(UINT32_MAX) - now - 4);  // 5 ms before the wrap
    ASSERT_EQ(TPlatform::Timer(), UINT32_MAX - 4);
    Send(TEvent::kIdle);
    ASSERT_EQ(Frames(), 2) << "a quiet spell of more than 2^31 ms does not hold drawing back";
    manager->InvalidateScreen();
    backend->AdvanceMs(10);
    ASSERT_LT(TPlatform::Timer(), 100u);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2);
    backend->AdvanceMs(2);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 3);
}

TEST_F(WindowManagerTest, IdleRunsTheTopLayerTasksThenDrawingTasks)
{
    LogModal* a = PushLayer("A");
    a->AdoptTask(new RecordingTask(&log, "layer"));
    platform->AdoptTask(new RecordingTask(&log, "platform"));
    backend->AdvanceMs(50);
    Take();
    Send(TEvent::kIdle);
    Log lines = Take();
    Log tasks;
    for (const auto& l : lines)
        if (l.find("ready") != std::string::npos)
            tasks.push_back(l);
    EXPECT_EQ(tasks, (Log{"layer ready 0", "platform ready 1", "layer ready 1"}));
}

TEST_F(WindowManagerTest, CoveredLayersAreNotDrawn)
{
    AddChild(screen, "screenchild", TRect(0, 0, 640, 480));
    LogModal* a = PushLayer("A");
    LogWindow* cover = AddChild(a, "cover", TRect(0, 0, 640, 480));
    LogModal* b = PushLayer("B", 200, 100);
    AddChild(b, "bchild", TRect(0, 0, 10, 10));
    backend->AdvanceMs(50);
    Take();
    Send(TEvent::kIdle);
    EXPECT_EQ(Take(), (Log{"screenchild:draw", "A:draw", "cover:draw", "B:draw", "bchild:draw"}));

    cover->SetFlags(0x900);
    ASSERT_TRUE(a->GetFlags() & TWindow::kOpaque);
    manager->InvalidateScreen();
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_EQ(Take(), (Log{"A:draw", "cover:draw", "B:draw", "bchild:draw"}));

    // A small opaque layer does not hide what lies beneath it.
    b->SetFlags(0x900);
    manager->InvalidateScreen();
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_EQ(Take(), (Log{"A:draw", "cover:draw", "B:draw", "bchild:draw"}));

    manager->SetTopModalOnly(true);
    backend->AdvanceMs(50);
    Send(TEvent::kForceRedraw);
    EXPECT_EQ(Take(), (Log{"B:draw", "bchild:draw"}));
}

namespace
{

// A drawing task that pops a layer by name the first time it runs.
struct PoppingDrawTask : TTask
{
    explicit PoppingDrawTask(const char* name) : mName(name) {}
    bool Ready(ETaskContext context) override { return context == kContextDraw && !mDone; }
    // Runs only with a pass: it never asks the pump to wake.
    unsigned IdleQuietMs(unsigned limit) override { return limit; }
    bool DoTask() override
    {
        mDone = true;
        TWindowManager::GetInstance()->PopModal(str(mName));
        return true;
    }
    const char* mName;
    bool mDone = false;
};

}  // namespace

TEST_F(WindowManagerTest, APassInterruptedByAPopLeavesTheNewStackToBeDrawn)
{
    auto draws = [this]()
    {
        Log out;
        for (const auto& line : Take())
            if (line.find(":draw") != std::string::npos)
                out.push_back(line);
        return out;
    };
    LogModal* a = PushLayer("A");
    AddChild(a, "a1", TRect(0, 0, 10, 10));
    PushLayer("B");
    platform->AdoptTask(new PoppingDrawTask("B"));
    backend->AdvanceMs(50);
    Take();
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1);
    EXPECT_EQ(draws(), Log{}) << "the pass stopped at the pop";
    EXPECT_TRUE(manager->IsScreenInvalid()) << "the remaining stack still has to be drawn";
    backend->AdvanceMs(5);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1) << "the throttle still holds";
    backend->AdvanceMs(7);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2);
    EXPECT_EQ(draws(), (Log{"A:draw", "a1:draw"}));
    EXPECT_FALSE(manager->IsScreenInvalid());
}

TEST_F(WindowManagerTest, HoverOutlineDrawsFourYellowBars)
{
    LogModal* a = PushLayer("A");
    AddChild(a, "target", TRect(100, 50, 200, 150));
    manager->SetOutlineHoverWindow(true);
    Send(TEvent::kMouseMoved, 0, 110, 60);
    handler->calls.clear();
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    std::vector<TRect> bars;
    for (const TDrawCall& c : handler->calls)
        if (c.kind == TDrawCall::kFill && c.color.r == 1 && c.color.g == 1 && c.color.b == 0 &&
            c.color.a == 1)
            bars.push_back(c.rect);
    EXPECT_EQ(bars, (std::vector<TRect>{TRect(100, 50, 200, 52), TRect(198, 50, 200, 150),
                                        TRect(100, 148, 200, 150), TRect(100, 50, 102, 150)}));
}

TEST_F(WindowManagerTest, SuspendedDrawingAndTheLayerCache)
{
    PushLayer("A");
    manager->SetDrawingSuspended(true);
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 0);
    manager->SetDrawingSuspended(false);

    std::shared_ptr<TTexture> cache = TTexture::Create(640, 480, false);
    ASSERT_TRUE(cache);
    manager->SetLayerCache(cache);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 1);
    EXPECT_EQ(handler->lastTargetMode, 0) << "the lower layers went into the cache";
    Send(TEvent::kDropShared);
    EXPECT_EQ(manager->GetLayerCache(), nullptr);
}

TEST_F(WindowManagerTest, TheLayerCacheIsDrawnOntoTheScreenInsideTheFrame)
{
    PushLayer("A");
    std::shared_ptr<TTexture> cache = TTexture::Create(640, 480, false);
    ASSERT_TRUE(cache);
    manager->SetLayerCache(cache);
    handler->calls.clear();
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    ASSERT_EQ(Frames(), 1);

    int quads = 0;
    for (const TDrawCall& c : handler->calls)
    {
        EXPECT_NE(c.kind, TDrawCall::kCopyToScreen) << "no pixel copy inside the frame";
        if (c.kind != TDrawCall::kVertices || c.texture != cache.get())
            continue;
        quads++;
        EXPECT_FALSE(c.inRenderTarget) << "the cache goes to the screen, not into itself";
        EXPECT_EQ(c.blendMode, TRenderer::kBlendOpaque);
        ASSERT_EQ(c.verts.size(), 4u);
        EXPECT_FLOAT_EQ(c.verts[0].pos.x, 0.0f);
        EXPECT_FLOAT_EQ(c.verts[0].pos.y, 0.0f);
        EXPECT_FLOAT_EQ(c.verts[2].pos.x, 640.0f);
        EXPECT_FLOAT_EQ(c.verts[2].pos.y, 480.0f);
    }
    EXPECT_EQ(quads, 1);

    // Drawn while the cache itself is the render target, the screen leaves the cache alone.
    handler->calls.clear();
    TRenderer* renderer = TRenderer::GetInstance();
    ASSERT_TRUE(renderer->BeginRenderTarget(cache, TRenderer::kTargetOpaque));
    screen->Draw();
    renderer->EndRenderTarget();
    for (const TDrawCall& c : handler->calls)
        EXPECT_NE(c.texture, cache.get());
    manager->SetLayerCache(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Script binding, window types, platform hooks

TEST_F(WindowManagerTest, SetTopModalOnlyIsBoundWithTheWholeMemberCallRecord)
{
    ASSERT_EQ(script->bound.count("SetTopModalOnly"), 1u);
    EXPECT_EQ(script->bound["SetTopModalOnly"].bytes.size(), sizeof(TWindowManagerBoolCall));
    EXPECT_GT(sizeof(TWindowManagerBoolCall), sizeof(void*)) << "an object and a member function pointer";
    EXPECT_TRUE(script->Call("SetTopModalOnly", true));
    EXPECT_TRUE(manager->GetTopModalOnly());
    EXPECT_TRUE(script->Call("SetTopModalOnly", false));
    EXPECT_FALSE(manager->GetTopModalOnly());
}

TEST_F(WindowManagerTest, WindowTypesAreRegisteredByNameWithTheScript)
{
    EXPECT_TRUE(manager->AddWindowType(str("Panel"), PanelWindow::ClassId()));
    ASSERT_EQ(script->chunks.size(), 1u);
    EXPECT_EQ(script->chunks[0],
              "AddWindowType|function Panel( table )\tCreating( 'Panel', table );\ttable.typename='Panel';\n"
              "\treturn function() DoWindow( table ) end end;");
    TWindow* made = manager->CreateWindowOfType(str("Panel"));
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetTypeName(), "PanelWindow");
    EXPECT_TRUE(made->IsKindOf(PanelWindow::ClassId()));
    delete made;
    EXPECT_EQ(manager->CreateWindowOfType(str("Unknown")), nullptr);
    EXPECT_FALSE(manager->AddWindowType(str("Modal"), TModalWindow::ClassId()));
    EXPECT_FALSE(manager->AddWindowType(str("Bad"), TClassId(0x1234)));
    EXPECT_FALSE(manager->AddWindowType(str(), PanelWindow::ClassId()));
    EXPECT_EQ(script->chunks.size(), 1u);

    // A script attached later learns the types already registered.
    auto* second = new FakeScript(&log);
    manager->AttachWindowScript(second);
    script = second;
    ASSERT_EQ(second->chunks.size(), 1u);
    EXPECT_EQ(second->chunks[0].substr(0, 30), "AddWindowType|function Panel( ");
    EXPECT_EQ(Take().back(), "script:push screen");
}

TEST_F(WindowManagerTest, CloseRequestsReachTheScript)
{
    PushLayer("A");
    Take();
    Send(TEvent::kCloseRequested);
    EXPECT_EQ(Take(), (Log{"script:resume 0"}));
    TNativeEvent close;
    close.mKind = TNativeEvent::kWindowClose;
    backend->PushEvent(close);
    for (int i = 0; i < 3; ++i)
        Pump();
    Log lines = Take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "script:close"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "script:resume 0"), lines.end());
}

TEST_F(WindowManagerTest, AScriptWhoseTaskEndsIsLetGoOf)
{
    ASSERT_TRUE(platform->GetTaskList()->Contains(script));
    PushLayer("A");
    script->mKeepRunning = false;
    Take();
    EXPECT_EQ(Pump().mType, TEvent::kIdle);  // the platform's tasks run and the ended script goes
    EXPECT_EQ(manager->GetScript(), nullptr);
    Log lines = Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "script:deleted"), 1);

    // Nothing is handed to the deleted script any more: unclaimed messages are deleted, and a
    // close request, a layer change or the string-table switch reach no one.
    manager->PostWindowMessage(new TMessage(1000, str("unclaimed")));
    Send(TEvent::kCloseRequested);
    PushLayer("B");
    manager->PopModal(str("B"));
    manager->EnableStringTable(true);
    Send(TEvent::kIdle);
    for (const auto& line : Take())
        EXPECT_EQ(line.rfind("script:", 0), std::string::npos) << line;
}

TEST_F(WindowManagerTest, StringTableSwitchReachesTheScript)
{
    manager->EnableStringTable(false);
    EXPECT_EQ(Take(), (Log{"script:strings off"}));
}

TEST_F(WindowManagerTest, ShutDownPopsEveryLayerAndFreesEverything)
{
    LogModal* a = PushLayer("A");
    AddChild(a, "child", TRect());
    manager->PostWindowMessage(new TMessage(1000));
    manager->SafeDestroyWindow(AddChild(a, "pending", TRect()));
    Take();
    delete platform;  // the manager goes first; LeakSanitizer checks the rest
    platform = nullptr;
    Log lines = Take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "A:deleted"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "child:deleted"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "pending:deleted"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "script:deleted"), lines.end());
    EXPECT_EQ(TWindowManager::GetInstance(), nullptr);
}

namespace
{

struct HoverAnswer : TMouseHoverHandler
{
    std::vector<std::string> asked;
    bool OnMouseHover(TWindow* window, const TPoint& p) override
    {
        asked.push_back(Name(window) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
        return true;
    }
};

}  // namespace

TEST_F(WindowManagerTest, RoutedHoverEventsAreAnsweredByTheHoverHandler)
{
    LogModal* a = PushLayer("A");
    AddChild(a, "spot", TRect(10, 10, 20, 20));
    Take();
    Send(TEvent::kMouseRouted, 0, 12, 13);
    EXPECT_TRUE(Take().empty()) << "no handler: nobody answers and nothing is posted";
    HoverAnswer answer;
    manager->SetHoverHandler(&answer);
    Send(TEvent::kMouseRouted, 0, 12, 13);
    EXPECT_EQ(answer.asked, (std::vector<std::string>{"spot 2,3"}));
    manager->SetHoverHandler(nullptr);
}

TEST_F(WindowManagerTest, EventsWithoutAScreenOrLayersAreDroppedAfterPendingDeletions)
{
    manager->PopModal(str("screen"));
    LogWindow* loose = new LogWindow(&log, "loose");
    manager->SafeDestroyWindow(loose);
    Take();
    Send(TEvent::kKeyDown, 'A');
    EXPECT_EQ(Take(), (Log{"loose:deleted"}));
}

TEST_F(WindowManagerTest, AFailedFrameKeepsTheScreenInvalidButStillCountsForTheThrottle)
{
    PushLayer("A");
    handler->beginDrawResult = false;
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    EXPECT_TRUE(manager->IsScreenInvalid());
    EXPECT_EQ(handler->endDrawCount, 0);
    const uint32_t last = manager->GetLastDrawTime();
    EXPECT_EQ(last, TPlatform::Timer());
    handler->beginDrawResult = true;
    backend->AdvanceMs(5);
    Send(TEvent::kIdle);
    EXPECT_EQ(handler->endDrawCount, 0) << "12 ms have not passed since the failed pass";
    backend->AdvanceMs(7);
    Send(TEvent::kIdle);
    EXPECT_EQ(handler->endDrawCount, 1);
    EXPECT_FALSE(manager->IsScreenInvalid());
}

TEST_F(WindowManagerTest, SetScreenSizesTheScreenFromTheRendererViewport)
{
    manager->PopModal(str("screen"));
    Send(TEvent::kIdle);
    handler->SetViewport(0, 0, 800, 600);
    auto* second = new TScreen();
    manager->SetScreen(second);
    EXPECT_EQ(manager->GetScreen(), second);
    EXPECT_EQ(second->GetWindowWidth(), 800);
    EXPECT_EQ(second->GetWindowHeight(), 600);
    EXPECT_EQ(manager->GetTopModalWindow(), second);
}

namespace
{

// Hands a partner window over for deletion while it is itself being deleted.
class PartnerWindow : public LogWindow
{
public:
    PartnerWindow(Log* log, const char* name, TWindow* partner) : LogWindow(log, name), mPartner(partner) {}
    ~PartnerWindow() override
    {
        if (mPartner && TWindow::IsLive(mPartner))
            TWindowManager::GetInstance()->SafeDestroyWindow(mPartner);
    }
    TWindow* mPartner;
};

}  // namespace

TEST_F(WindowManagerTest, WindowsMadePendingWhileDeletingAreDeletedInTheSamePass)
{
    LogModal* a = PushLayer("A");
    LogWindow* partner = AddChild(a, "partner", TRect());
    auto* first = new PartnerWindow(&log, "first", partner);
    a->AdoptChild(first, false);
    manager->SafeDestroyWindow(first);
    Take();
    Send(TEvent::kKeyUp, 'x');
    Log lines = Take();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(Log(lines.begin(), lines.begin() + 2), (Log{"first:deleted", "partner:deleted"}));
    EXPECT_EQ(manager->GetPendingDestructionCount(), 0u);
    EXPECT_TRUE(a->GetChildren().empty());
}

// ---------------------------------------------------------------------------------------------
// How long the event pump waits for a native event: until the next drawing pass or layer task
// is due, within the pump's shortest and longest waits.

namespace
{

struct PeriodicTask : TAnimTask
{
    explicit PeriodicTask(unsigned period) { SetDelay(period, true, true, false); }
    bool Animate() override { return true; }
};

}  // namespace

TEST_F(WindowManagerTest, PumpWaitsUntilTheNextDrawOrTaskIsDue)
{
    const unsigned longest = TPlatformData::kLongestIdleWaitMs;
    script->mQuietMs = UINT_MAX;
    LogModal* layer = PushLayer("A");
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    ASSERT_FALSE(manager->IsScreenInvalid());
    EXPECT_EQ(data->IdleWaitMs(), longest) << "nothing to draw, no task";

    manager->InvalidateScreen();
    EXPECT_EQ(data->IdleWaitMs(), 12u) << "just drawn: the throttle";
    backend->AdvanceMs(5);
    EXPECT_EQ(data->IdleWaitMs(), 7u);
    manager->SetDrawingSuspended(true);
    EXPECT_EQ(data->IdleWaitMs(), longest);
    manager->SetDrawingSuspended(false);
    backend->AdvanceMs(7);
    EXPECT_EQ(data->IdleWaitMs(), TPlatformData::kShortestIdleWaitMs) << "a pass is due";
    Send(TEvent::kIdle);
    EXPECT_EQ(data->IdleWaitMs(), longest);

    // The game's frame task: its next frame decides.
    auto* frame = new PeriodicTask(16);
    layer->AdoptTask(frame);
    EXPECT_EQ(data->IdleWaitMs(), 16u);
    backend->AdvanceMs(10);
    EXPECT_EQ(data->IdleWaitMs(), 6u);
    // The pump hands that wait to the backend.
    Pump();
    EXPECT_EQ(backend->mLastWaitTimeout, 6u);
    frame->Pause();
    EXPECT_EQ(data->IdleWaitMs(), longest);

    // A posted message, or a platform task that may be ready at any time: the shortest wait.
    manager->PostWindowMessage(new TMessage(TMessage::kPressAnyKey, str("x")));
    EXPECT_EQ(data->IdleWaitMs(), TPlatformData::kShortestIdleWaitMs);
    manager->DispatchMessages();
    script->mQuietMs = 0;
    EXPECT_EQ(data->IdleWaitMs(), TPlatformData::kShortestIdleWaitMs);
}

namespace
{

// Marks the screen for redraw whenever it is drawn, as every text drawn does at the end of its run.
class MarkingWindow : public LogWindow
{
public:
    using LogWindow::LogWindow;
    void Draw() override
    {
        LogWindow::Draw();
        if (mMark)
            TWindowManager::GetInstance()->InvalidateScreen();
    }
    bool mMark = true;
};

}  // namespace

TEST_F(WindowManagerTest, ThePumpWaitsForTheNextFrameAfterAMarkMadeWhileDrawing)
{
    const unsigned longest = TPlatformData::kLongestIdleWaitMs;
    script->mQuietMs = UINT_MAX;
    LogModal* layer = PushLayer("A");
    auto* marking = new MarkingWindow(&log, "text");
    marking->SetWindowSize(10, 10);
    layer->AdoptChild(marking, false);
    backend->AdvanceMs(50);
    Send(TEvent::kIdle);
    ASSERT_EQ(Frames(), 1);
    EXPECT_TRUE(manager->IsScreenInvalid()) << "the mark made while drawing stands";
    EXPECT_EQ(data->IdleWaitMs(), longest) << "but nothing wakes the pump early for it";

    // The game's frame task brings the pass the mark asked for.
    auto* frame = new PeriodicTask(16);
    layer->AdoptTask(frame);
    EXPECT_EQ(data->IdleWaitMs(), 16u);
    backend->AdvanceMs(16);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 2);
    EXPECT_EQ(data->IdleWaitMs(), 16u);

    // A mark made outside the pass (an update, an event, a message) wakes it after the throttle.
    backend->AdvanceMs(3);
    manager->InvalidateScreen();
    EXPECT_EQ(data->IdleWaitMs(), 9u);
    backend->AdvanceMs(9);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 3);
    frame->Pause();
    EXPECT_EQ(data->IdleWaitMs(), longest);

    // A layer popped while the pass draws leaves the new stack to draw: the pump wakes for it.
    marking->mMark = false;
    PushLayer("B");
    platform->AdoptTask(new PoppingDrawTask("B"));
    backend->AdvanceMs(12);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 4);
    EXPECT_TRUE(manager->IsScreenInvalid());
    Send(TEvent::kIdle);  // what the pop posted is delivered; the throttle holds the pass back
    EXPECT_EQ(Frames(), 4);
    EXPECT_EQ(data->IdleWaitMs(), 12u);
    backend->AdvanceMs(12);
    Send(TEvent::kIdle);
    EXPECT_EQ(Frames(), 5);
    EXPECT_FALSE(manager->IsScreenInvalid());
    EXPECT_EQ(data->IdleWaitMs(), longest);
}
