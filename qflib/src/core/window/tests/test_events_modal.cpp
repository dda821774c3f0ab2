// Event handling and message walks inside the tree, and the modal layer's hot keys, Enter and
// Escape, close messages, covers, tasks and clock; all driven through the window manager of a
// platform facade over the fake backend.
#include <cstdint>

#include "foundation/clock.h"
#include "foundation/debug.h"
#include "window_fixture.h"

using namespace wtest;

namespace
{

class WindowEvents : public PlatformWindowFixture
{
protected:
    void SetUp() override
    {
        PlatformWindowFixture::SetUp();
        screen = MakeScreen();
        ASSERT_NE(screen, nullptr);
        screen->SetName(str("screen"));
        layer = PushLayer("L");
        Take();
    }
    TScreen* screen = nullptr;
    LogModal* layer = nullptr;
};

struct CarryingMessage : TMessage
{
    explicit CarryingMessage(TMessage* carried)
        : TMessage(TMessage::kGeneric, str("wrapper")), mCarried(carried)
    {
    }
    ~CarryingMessage() override { delete mCarried; }
    TMessage* GetCarriedMessage() override { return mCarried; }
    TMessage* mCarried;
};

struct Observer : TMessageObserver
{
    std::vector<TMessage*> seen;
    bool accept = false;
    bool OnMessage(TMessage* m) override
    {
        seen.push_back(m);
        return accept;
    }
};

}  // namespace

TEST_F(WindowEvents, PushedLayerTakesTheParentSizeAndTheFocus)
{
    EXPECT_EQ(layer->GetWindowWidth(), 640);
    EXPECT_EQ(layer->GetWindowHeight(), 480);
    EXPECT_EQ(layer->GetParent(), screen);
    EXPECT_EQ(manager->GetFocus(), layer);
    EXPECT_EQ(manager->GetTopModalWindow(), layer);
}

TEST_F(WindowEvents, PressGoesToTheDeepestWindowBubblesUpAndGivesTheFocusOnce)
{
    LogWindow* a = AddChild(layer, "A", TRect(100, 100, 300, 300));
    a->SetInternalFlags(TWindow::kTakesFocus, 0);
    AddChild(a, "B", TRect(10, 10, 50, 50));
    Send(TEvent::kLeftDown, 0, 120, 125);
    EXPECT_EQ(Take(), (Log{"B:down 10,15", "A:focus from L", "A:down 20,25", "L:down 120,125"}));
    EXPECT_EQ(manager->GetFocus(), a);
    EXPECT_EQ(manager->GetHoverWindow(), a->GetChildWindow(str("B")));
}

TEST_F(WindowEvents, UnhandledMouseEventsPassToTheDeepestWindowOfTheSiblingBehind)
{
    LogWindow* back = AddChild(layer, "Back", TRect(0, 0, 200, 200));
    AddChild(back, "BackInner", TRect(60, 60, 100, 100));
    AddChild(layer, "Front", TRect(50, 50, 150, 150));
    Send(TEvent::kMouseMoved, 0, 70, 70);
    EXPECT_EQ(Take(), (Log{"Front:move 20,20", "BackInner:move 10,10", "Back:move 70,70", "L:move 70,70"}));
}

TEST_F(WindowEvents, HandledEventStopsBubbling)
{
    LogWindow* a = AddChild(layer, "A", TRect(0, 0, 100, 100));
    a->mBehave.result["ext"] = true;
    LogWindow* b = AddChild(a, "B", TRect(0, 0, 10, 10));
    b->mBehave.result["ext1"] = true;
    Send(TEvent::kMouseExtended, TEvent::kRightDown, 5, 5);
    Send(TEvent::kMouseExtended, TEvent::kMiddleDown, 5, 5);
    EXPECT_EQ(Take(), (Log{"B:ext1 5,5", "B:ext3 5,5", "A:ext3 5,5", "L:ext3 5,5"}));
}

namespace
{

struct AnyKeyCase
{
    const char* overlayMouse;
    int32_t type;
    int32_t param;
    Log expected;
};

class WindowAnyKey : public WindowEvents, public ::testing::WithParamInterface<AnyKeyCase>
{
};

}  // namespace

TEST_P(WindowAnyKey, AnUnhandledReleaseOrKeyAtTheLayerPostsPressAnyKey)
{
    const AnyKeyCase& c = GetParam();
    TPlatform::SetConfig(str("overlaymouse"), str(c.overlayMouse));
    Send(c.type, c.param, 3, 4);
    EXPECT_EQ(Take(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowAnyKey,
    ::testing::Values(
        AnyKeyCase{"0", TEvent::kLeftUp, 0, {"L:up 3,4", "L:msg 4 mouse:up", "script:msg 4 mouse:up"}},
        AnyKeyCase{"0", TEvent::kKeyDown, 'Q', {"L:key Q 0", "L:msg 4 raw:Q", "script:msg 4 raw:Q"}},
        AnyKeyCase{"0", TEvent::kLeftDown, 0, {"L:down 3,4", "L:focus from L"}},
        // With overlay routing the layer posts nothing; the manager posts for an unhandled release.
        AnyKeyCase{"1", TEvent::kLeftUp, 0, {"L:up 3,4", "L:msg 4 mouse:up", "script:msg 4 mouse:up"}},
        AnyKeyCase{"1", TEvent::kKeyDown, 'Q', {"L:key Q 0"}},
        AnyKeyCase{"", TEvent::kKeyUp, 'Q', {"L:keyup Q"}}));

TEST_F(WindowEvents, IgnoredCharacterIsSwallowedOnceAndUnicodeFallsBackToOneByteCharacters)
{
    gIgnoreNextChar = true;
    Send(TEvent::kCharacter, 'x');
    EXPECT_FALSE(gIgnoreNextChar);
    Send(TEvent::kCharacter, 'x');
    gIgnoreNextChar = true;
    Send(TEvent::kUnicodeCharacter, 'y');
    Send(TEvent::kUnicodeCharacter, 0xE9);
    Send(TEvent::kUnicodeCharacter, 'z');
    Send(TEvent::kUnicodeCharacter, 0xD800);  // a lone surrogate has no text
    EXPECT_EQ(Take(), (Log{"L:char 120", "L:utf8 \xC3\xA9", "L:utf8 z", "L:char 122", "L:utf8 "}));
}

TEST_F(WindowEvents, KeysGoToTheFocusWindowAndBubbleToTheLayer)
{
    LogWindow* edit = AddChild(layer, "Edit", TRect(0, 0, 10, 10));
    manager->SetFocus(edit);
    Send(TEvent::kKeyDown, 'A', 0, 0, 2);
    // The layer posts "raw:A"; with no target it goes to the focus window and walks up again.
    EXPECT_EQ(Take(),
              (Log{"Edit:key A 2", "L:key A 2", "Edit:msg 4 raw:A", "L:msg 4 raw:A", "script:msg 4 raw:A"}));
}

TEST_F(WindowEvents, DeclinedKeysGoToTheParentNotToASiblingUnderThePointer)
{
    AddChild(layer, "Behind", TRect(0, 0, 100, 100));
    LogWindow* edit = AddChild(layer, "Edit", TRect(0, 0, 100, 100));
    manager->SetFocus(edit);
    layer->mPassKeysToBase = false;
    Send(TEvent::kKeyUp, 'A', 50, 50);  // key records carry the pointer's position
    EXPECT_EQ(Take(), (Log{"Edit:keyup A", "L:keyup A"}));
    Send(TEvent::kMouseMoved, 0, 50, 50);
    EXPECT_EQ(Take(), (Log{"Edit:move 50,50", "Behind:move 50,50", "L:move 50,50"}));
}

TEST_F(WindowEvents, MessagesWalkUpThenToTheDefaultFocusThenToTheScript)
{
    LogWindow* a = AddChild(layer, "A", TRect());
    LogWindow* w = AddChild(a, "W", TRect());
    LogWindow* d = AddChild(layer, "D", TRect());
    w->SendWindowMessage(new TMessage(1000, str("x")));
    EXPECT_EQ(Take(), (Log{"W:msg 1000 x", "A:msg 1000 x", "L:msg 1000 x", "script:msg 1000 x"}));

    layer->SetDefaultFocus(d);
    Take();
    w->SendWindowMessage(new TMessage(1000, str("y")));
    EXPECT_EQ(Take(),
              (Log{"W:msg 1000 y", "A:msg 1000 y", "L:msg 1000 y", "D:msg 1000 y", "script:msg 1000 y"}));

    d->mBehave.result["msg"] = true;
    w->SendWindowMessage(new TMessage(1000, str("z")));
    EXPECT_EQ(Take(), (Log{"W:msg 1000 z", "A:msg 1000 z", "L:msg 1000 z", "D:msg 1000 z"}));

    a->mBehave.result["msg"] = true;
    w->SendWindowMessage(new TMessage(1000, str("w")));
    EXPECT_EQ(Take(), (Log{"W:msg 1000 w", "A:msg 1000 w"}));
}

TEST_F(WindowEvents, AMessageNobodyTakesUnderANonModalRootIsDeleted)
{
    LogWindow root(&log, "R");
    LogWindow* c = AddChild(&root, "C", TRect());
    c->SendWindowMessage(new TMessage(1001, str("gone")));  // LeakSanitizer checks the deletion
    EXPECT_EQ(Take(), (Log{"C:msg 1001 gone", "R:msg 1001 gone"}));
}

TEST_F(WindowEvents, CarriedMessagesGoToObserversAndDefaultFocusWhileTheWrapperTravels)
{
    Observer observer;
    manager->AddMessageObserver(&observer);
    TMessage* carried = new TMessage(1002, str("inner"));
    manager->PostWindowMessage(new CarryingMessage(carried));
    manager->DispatchMessages();
    ASSERT_EQ(observer.seen.size(), 1u);
    EXPECT_EQ(observer.seen[0], carried);
    EXPECT_EQ(Take(), (Log{"L:msg 0 wrapper", "script:msg 0 wrapper"}));

    LogWindow* d = AddChild(layer, "D", TRect());
    layer->SetDefaultFocus(d);
    manager->SetFocus(layer);
    d->mBehave.result["msg"] = true;
    Take();
    manager->PostWindowMessage(new CarryingMessage(new TMessage(1003, str("inner2"))));
    manager->DispatchMessages();
    EXPECT_EQ(Take(), (Log{"L:msg 0 wrapper", "D:msg 1003 inner2"}));

    observer.accept = true;
    manager->PostWindowMessage(new TMessage(1004, str("seen")));
    manager->DispatchMessages();
    EXPECT_TRUE(Take().empty()) << "an accepting observer ends the delivery";
    manager->RemoveMessageObserver(&observer);
}

// ---------------------------------------------------------------------------------------------
// Modal layers

TEST(ModalNormalize, KeyTexts)
{
    const std::pair<const char*, const char*> cases[] = {{"Control-Shift-q", "shift-ctrl-Q"},
                                                         {"@x", "@X"},
                                                         {"Alt-F", "alt-F"},
                                                         {"@", "@"},
                                                         {"ctrl-shift-s", "shift-ctrl-S"},
                                                         {"s", "S"},
                                                         {"alt-shift-ctrl-1", "shift-ctrl-alt-1"},
                                                         {"", ""},
                                                         {"@shift-q", "@Q"}};
    for (const auto& c : cases)
        EXPECT_EQ(TModalWindow::NormalizeKeyString(str(c.first)), str(c.second)) << c.first;
}

TEST_F(WindowEvents, HotKeyPressesItsButtonAndSwallowsTheCharacterOfTheSameKey)
{
    layer->AdoptChild(new LogButton(&log, "save", 0), false);
    layer->AddHotkey(str("ctrl-shift-s"), str("save"));
    ASSERT_EQ(layer->GetHotkeys().count(str("shift-ctrl-S")), 1u);

    TNativeEvent key;
    key.mKind = TNativeEvent::kKeyDown;
    key.mKey = TNativeEvent::kKeyPrintable;
    key.mScancode = 22;
    key.mKeyChar = 's';
    key.mModifiers = TEvent::kShift | TEvent::kControl;
    backend->PushEvent(key);
    TEvent down = Pump();
    TEvent character = Pump();
    EXPECT_EQ(down.mType, TEvent::kKeyDown);
    EXPECT_EQ(character.mType, TEvent::kCharacter);
    EXPECT_EQ(Take(), (Log{"save:press", "save:command", "L:key S base"}));
    EXPECT_FALSE(gIgnoreNextChar) << "the character was swallowed";
}

TEST_F(WindowEvents, AtHotKeysMatchTheCharacterUnchanged)
{
    layer->AdoptChild(new LogButton(&log, "quit", 0), false);
    layer->AddHotkey(str("@q"), str("quit"));
    ASSERT_EQ(layer->GetHotkeys().count(str("@Q")), 1u);
    Send(TEvent::kKeyDown, 'Q');
    EXPECT_EQ(Take(), (Log{"quit:press", "quit:command", "L:key Q base"}));
    gIgnoreNextChar = false;
    Send(TEvent::kKeyDown, 'q');
    EXPECT_EQ(Take(), (Log{"L:key q 0", "L:msg 4 raw:q", "script:msg 4 raw:q"}));

    layer->AddHotkey(str("@q"), str());
    Send(TEvent::kKeyDown, 'Q');
    EXPECT_EQ(Take(), (Log{"L:key Q 0", "L:msg 4 raw:Q", "script:msg 4 raw:Q"})) << "removed";
}

TEST_F(WindowEvents, HotKeyWithoutItsButtonReportsAndStillCountsAsHandled)
{
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });
    AddChild(layer, "notabutton", TRect());
    layer->AddHotkey(str("x"), str("notabutton"));
    layer->AddHotkey(str("y"), str("missing"));
    Send(TEvent::kKeyDown, 'X');
    Send(TEvent::kKeyDown, 'Y');
    qfSetDbgSink(TDbgSink());
    EXPECT_EQ(lines, (std::vector<std::string>{"ERROR: Hot key button not found. Button:'notabutton'",
                                               "ERROR: Hot key button not found. Button:'missing'"}));
    EXPECT_EQ(Take(), (Log{"L:key X base", "L:key Y base"}));
    EXPECT_TRUE(gIgnoreNextChar);
}

TEST_F(WindowEvents, EnterAndEscapeUseTheVisibleDefaultAndCancelButtons)
{
    LogWindow* panel = AddChild(layer, "panel", TRect());
    auto* hiddenOk = new LogButton(&log, "hiddenok", TButtonBase::kDefaultButton);
    panel->AdoptChild(hiddenOk, false);
    hiddenOk->SetFlags(0);
    panel->AdoptChild(new LogButton(&log, "ok", TButtonBase::kDefaultButton), false);
    layer->AdoptChild(new LogButton(&log, "cancel", TButtonBase::kCancelButton, false), false);

    Send(TEvent::kCharacter, TEvent::kEnter);
    EXPECT_EQ(Take(), (Log{"ok:command", "L:char 13 base"}));
    // The cancel button's command does nothing: the focus window gets a default action.
    Send(TEvent::kCharacter, TEvent::kEscape);
    EXPECT_EQ(Take(), (Log{"cancel:command", "L:msg 2 ", "script:msg 2 ", "L:char 27 base"}));
    Send(TEvent::kCharacter, 'a');
    EXPECT_EQ(Take(), (Log{"L:char 97"}));
}

TEST_F(WindowEvents, EscapeWithoutACancelButtonSendsADefaultActionToTheFocusWindow)
{
    LogWindow* focus = AddChild(layer, "F", TRect());
    manager->SetFocus(focus);
    focus->mBehave.result["msg"] = true;
    layer->mPassKeysToBase = true;
    focus->mPassKeysToBase = false;
    Send(TEvent::kCharacter, TEvent::kEscape);
    EXPECT_EQ(Take(), (Log{"F:char 27", "F:msg 2 ", "L:char 27 base"}));
}

TEST_F(WindowEvents, CloseMessagesPopByNameAndAnEmptyNamePopsNothing)
{
    LogModal* top = PushLayer("Top");
    Take();
    top->SendWindowMessage(new TMessage(TMessage::kCloseWindow, str()));
    EXPECT_EQ(manager->GetModalCount(), 3u);
    top->SendWindowMessage(new TMessage(TMessage::kCloseWindow, str("Top")));
    EXPECT_EQ(manager->GetModalCount(), 2u);
    EXPECT_EQ(manager->GetTopModalWindow(), layer);
    EXPECT_EQ(Take(), (Log{"Top:msg 1  base", "script:top L", "L:focus from Top", "Top:msg 1 Top base"}));
}

TEST_F(WindowEvents, FullSizeOpaqueChildrenMakeTheirLayersOpaqueCoversInAChain)
{
    LogWindow* cover = AddChild(layer, "cover", TRect(0, 0, 640, 480));
    EXPECT_FALSE(layer->GetFlags() & TWindow::kOpaque);
    cover->SetFlags(0x900);
    EXPECT_TRUE(layer->HasOpaqueChild(cover));
    EXPECT_TRUE(layer->GetFlags() & TWindow::kOpaque);
    EXPECT_TRUE(screen->HasOpaqueChild(layer)) << "the layer covers the one beneath";
    cover->SetWindowSize(639, 480);
    EXPECT_FALSE(layer->HasOpaqueChild(cover));
    EXPECT_FALSE(layer->GetFlags() & TWindow::kOpaque);
    EXPECT_FALSE(screen->HasOpaqueChild(layer));
    cover->SetWindowSize(640, 480);
    EXPECT_TRUE(layer->HasOpaqueChild(cover));
    layer->OrphanChild(cover);
    EXPECT_FALSE(layer->HasOpaqueChild(cover));
    layer->AdoptChild(cover, false);
    manager->SafeDestroyWindow(cover);
    EXPECT_FALSE(layer->HasOpaqueChild(cover));
}

TEST_F(WindowEvents, ClosingALayerPostsModalClosedWithItsIdText)
{
    LogModal* top = PushLayer("Top");
    const str id = top->GetIdText();
    manager->PopModal(str("Top"));
    Take();
    Send(TEvent::kIdle);
    Log lines = Take();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Top:deleted");
    EXPECT_EQ(lines[1], std::string("L:msg 6 ") + id.c_str());
    EXPECT_EQ(lines[2], std::string("script:msg 6 ") + id.c_str());
}

TEST_F(WindowEvents, DefaultFocusTakesTheFocusWhenTheLayerHasIt)
{
    LogWindow* d = AddChild(layer, "D", TRect());
    layer->SetDefaultFocus(d);
    EXPECT_EQ(manager->GetFocus(), d);
    EXPECT_EQ(Take(), (Log{"D:focus from L"}));
    LogModal* top = new LogModal(&log, "Top");
    LogWindow* e = AddChild(top, "E", TRect());
    top->SetDefaultFocus(e);  // not focused: only stored
    EXPECT_EQ(manager->GetFocus(), d);
    manager->PushModal(top);
    EXPECT_EQ(manager->GetFocus(), e);
    EXPECT_EQ(Take(), (Log{"Top:focus from D", "E:focus from Top", "script:top Top"}));
    // Deleting the default-focus window clears it from its layer and from the focus.
    manager->SafeDestroyWindow(e);
    Send(TEvent::kForceRedraw);
    EXPECT_EQ(top->GetDefaultFocus(), nullptr);
    EXPECT_EQ(manager->GetFocus(), nullptr);
}

TEST_F(WindowEvents, LayerTasksRunOnIdleAndWindowAnimationsRunOnTheLayerClock)
{
    LogWindow* w = AddChild(layer, "W", TRect());
    w->mBehave.result["anim"] = true;
    w->StartWindowAnimation(100, true, false, false);
    ASSERT_TRUE(w->HasWindowAnim());
    EXPECT_EQ(layer->GetTaskList()->Count(), 1u);
    EXPECT_EQ(w->GetWindowAnim()->GetClock(), &layer->GetClock());
    Send(TEvent::kIdle);
    EXPECT_TRUE(TakeNoDraw().empty());
    backend->AdvanceMs(100);
    Send(TEvent::kIdle);
    EXPECT_EQ(TakeNoDraw(), (Log{"W:anim"}));

    // A layer pushed above pauses this layer's clock; popping it by name starts it again.
    PushLayer("Top");
    EXPECT_TRUE(layer->GetClock().IsPaused());
    const uint32_t frozen = layer->GetClock().GetTime();
    backend->AdvanceMs(500);
    EXPECT_EQ(layer->GetClock().GetTime(), frozen);
    manager->PopModal(str("Top"));
    EXPECT_FALSE(layer->GetClock().IsPaused());
    TakeNoDraw();
    backend->AdvanceMs(100);
    Send(TEvent::kIdle);
    Log lines = TakeNoDraw();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Top:deleted");
    EXPECT_EQ(lines[1], "W:anim");
    // Ending the animation from the window side leaves the task to end at its next run.
    w->StopWindowAnimation();
    EXPECT_FALSE(w->HasWindowAnim());
    backend->AdvanceMs(100);
    Send(TEvent::kIdle);
    EXPECT_EQ(layer->GetTaskList()->Count(), 0u);
}

TEST_F(WindowEvents, AnimationOfAWindowWithoutALayerRunsNowhereAndIsFreedWithIt)
{
    auto* loose = new LogWindow(&log, "loose");
    loose->StartWindowAnimation(10, true, true, false);
    EXPECT_TRUE(loose->HasWindowAnim());
    delete loose;  // LeakSanitizer checks the task went with it
}
