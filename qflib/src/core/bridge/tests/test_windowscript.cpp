// The window script: its globals, window creation, the window stack, and the message and
// coroutine protocol with the window manager.
#include "bridge_fixture.h"

using namespace btest;

TEST_F(WindowScriptTest, RegistersItsGlobalsWindowTypesAndMetatable)
{
    const char* names[] = {
        "PostCreate", "GetLabel", "_RegisterHotkey", "SetLabel", "TagHotKey", "_SetBitmap", "SetPosition",
        "SetCommand", "StripKeyFromLabel", "SetWindowName", "FillRect", "GetTimer", "GetConfig", "IsEnabled",
        "DoSelectLayer", "EnableWindow", "GetButtonToggleState", "SetButtonToggleState", "PopWindow",
        "RealSetFocus", "StringToClipboard", "UpdateWindow", "PushModal", "ClearModalChildren",
        "GetWindowDepth", "DoPopModal", "HandleGetMessage", "GenericCreate", "CreateNamedMessage",
        "CreateCloseMessage", "PostMessage", "PostMessageToParent", "_GetString", "StartMovie",
        "IsMoviePlaying", "StopMovie", "ImageLoaded", "DestroyWindow", "DoFitToChildren",
        // window types and the manager's binding
        "Slider", "Bitmap", "Button", "Text", "TextEdit", "Window", "SetTopModalOnly",
        // from the screen script
        "DoModal", "WaitForMessage", "DisplaySplash"};
    for (const char* name : names)
        EXPECT_EQ(G(name), "<function>") << name;
    lua_pushstring(L(), "qfMessageMetatable");
    lua_rawget(L(), LUA_REGISTRYINDEX);
    EXPECT_TRUE(lua_istable(L(), -1));
    lua_pop(L(), 1);
    EXPECT_EQ(script->GetScriptState(), 1);
    EXPECT_EQ(script->GetWindowTypeId(str("Window")), TWindow::ClassId());
    EXPECT_EQ(G("LUA_PATH"), "?;../?;../../?");
    EXPECT_EQ(dbg.Count("rror"), 0);
}

TEST_F(WindowScriptTest, SetTopModalOnlyReachesTheManager)
{
    ASSERT_TRUE(Run("SetTopModalOnly(true)"));
    EXPECT_TRUE(manager->GetTopModalOnly());
    ASSERT_TRUE(Run("SetTopModalOnly(false)"));
    EXPECT_FALSE(manager->GetTopModalOnly());
}

TEST_F(WindowScriptTest, TagHotKeyMarksTheHotKeysCharacter)
{
    struct Case
    {
        const char* hotkey;
        const char* label;
        const char* expected;
    } cases[] = {
        {"S", "Save", "<u>S</u>ave"},
        {"a", "Cancel", "C<u>a</u>ncel"},
        {"A", "cancel", "c<u>a</u>ncel"},
        {"x", "Save", "Save"},
        {"", "Save", "Save"},
        {"ctrl-S", "Use", "U<u>s</u>e"},
        {"\xC3\xA9", "Caf\xC3\xA9 au lait", "Caf<u>\xC3\xA9</u> au lait"},
        {"\xE2\x82\xAC",
         "Pay \xE2\x82\xAC"
         "5",
         "Pay <u>\xE2\x82\xAC</u>5"},
        {"\xC3\xA9", "Cafe", "Cafe"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(script->TagHotKey(str(c.hotkey), str(c.label), str("")), str(c.expected))
            << c.hotkey << " " << c.label;
    }
    ASSERT_TRUE(Run("r = TagHotKey('S', 'Save', nil)"));
    EXPECT_EQ(G("r"), "<u>S</u>ave");
}

TEST_F(WindowScriptTest, StripKeyFromLabelGivesTheLabelAndTheKey)
{
    struct Case
    {
        const char* label;
        const char* stripped;
        const char* key;
    } cases[] = {
        {"&Quit", "Quit", "@Q"},
        {"Save &As", "Save As", "@A"},
        {"Plain", "Plain", ""},
        {"End&", "End", ""},
        {"&\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", ""},
        {"a&&b", "a&b", "@&"},
        {"", "", ""},
    };
    for (const auto& c : cases)
    {
        lua_pushstring(L(), "label");
        lua_pushstring(L(), c.label);
        lua_settable(L(), LUA_GLOBALSINDEX);
        ASSERT_TRUE(Run("s, k = StripKeyFromLabel(label)"));
        EXPECT_EQ(G("s"), c.stripped) << c.label;
        EXPECT_EQ(G("k"), c.key) << c.label;
    }
}

TEST_F(WindowScriptTest, WindowsAreCreatedIntoTheCurrentWindow)
{
    ASSERT_TRUE(Run("MakeDialog{ Window{ name = 'panel', x = 10, y = 20, w = 300, h = 200,"
                    " Window{ name = 'inner', w = 30, h = 40 } } }"));
    TWindow* panel = screen->GetChildWindow(str("panel"), -1);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetParent(), screen);
    EXPECT_EQ(panel->GetRect().left, 10);
    EXPECT_EQ(panel->GetWindowWidth(), 300);
    TWindow* inner = screen->GetChildWindow(str("inner"), -1);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->GetParent(), panel);
    // The sizes of the last window made, for laying out its children.
    EXPECT_EQ(G("gDialogWidth"), "30");
    EXPECT_EQ(G("gDialogHeight"), "40");
    // Building is over: the screen is current again.
    ASSERT_EQ(script->GetWindowStack().size(), 1u);
    EXPECT_EQ(script->GetCurrentWindow(), screen);
}

TEST_F(WindowScriptTest, UnknownTypesCreateNothingAndTypesCanBeRegisteredAgain)
{
    const size_t before = screen->GetChildren().size();
    script->AddWindowType(str("Unmade"), 0);
    ASSERT_TRUE(Run("GenericCreate({ typename = 'Nope' }) MakeDialog{ Unmade{ name = 's' } }"));
    EXPECT_EQ(screen->GetChildren().size(), before);
    EXPECT_EQ(script->GetWindowTypeId(str("Nope")), 0);
    script->AddWindowType(str("Panel"), TWindow::ClassId());
    script->AddWindowType(str("Panel"), 0);
    EXPECT_EQ(script->GetWindowTypeId(str("Panel")), 0);
    EXPECT_EQ(G("Panel"), "<function>");
}

TEST_F(WindowScriptTest, PopWindowKeepsTheLastWindow)
{
    ASSERT_TRUE(Run("PopWindow() PopWindow()"));
    ASSERT_EQ(script->GetWindowStack().size(), 1u);
    EXPECT_EQ(script->GetCurrentWindow(), screen);
}

TEST_F(WindowScriptTest, DestroyingTheCurrentWindowTakesItOffTheStack)
{
    // Build a window and keep it current (no PopWindow), then destroy it by its own name.
    ASSERT_TRUE(Run("GenericCreate(Window{ name = 'doomed', w = 10, h = 10, Window{ name = 'child' } } and "
                    "{ typename = 'Window', name = 'doomed', w = 10, h = 10 })"));
    ASSERT_EQ(script->GetWindowStack().size(), 2u);
    ASSERT_TRUE(Run("DestroyWindow('doomed') SetWindowName('renamed') DoFitToChildren() "
                    "MakeDialog{ Window{ name = 'after' } }"));
    manager->ClearDestroyedWindows();
    ASSERT_EQ(script->GetWindowStack().size(), 1u);
    EXPECT_EQ(script->GetCurrentWindow(), screen);
    EXPECT_EQ(screen->GetName(), "renamed");
    EXPECT_NE(screen->GetChildWindow(str("after"), 1), nullptr);
}

TEST_F(WindowScriptTest, ClearModalChildrenForgetsTheWindowsInsideIt)
{
    ASSERT_TRUE(
        Run("id = PushModal('layer') GenericCreate({ typename = 'Window', name = 'a', w = 5, h = 5 })"));
    ASSERT_EQ(script->GetWindowStack().size(), 2u);
    TWindow* layer = manager->GetTopModalWindow();
    ASSERT_TRUE(Run("ClearModalChildren() SetWindowName('still')"));
    manager->ClearDestroyedWindows();
    ASSERT_EQ(script->GetWindowStack().size(), 1u);
    EXPECT_EQ(layer->GetName(), "still");
    EXPECT_EQ(layer->GetWindowWidth(), 0);
    EXPECT_TRUE(layer->GetChildren().empty());
}

TEST_F(WindowScriptTest, AnEmptyWindowStackMakesTheCurrentWindowCallsDoNothing)
{
    script->NewModalWindow(nullptr);
    EXPECT_TRUE(script->GetWindowStack().empty());
    ASSERT_TRUE(Run("SetWindowName('x') DoFitToChildren() PostCreate({}, 'Window') DoSelectLayer(1) "
                    "RealSetFocus('x') DestroyWindow('x') MakeDialog{ Window{ name = 'w' } } "
                    "m = CreateCloseMessage() n = m.name"));
    EXPECT_EQ(G("n"), "");
    EXPECT_EQ(screen->GetChildWindow(str("w"), -1), nullptr);
}

TEST_F(WindowScriptTest, LabelsOfWindowsThatAreNoTextOrButton)
{
    ASSERT_TRUE(Run("MakeDialog{ Window{ name = 'plain' } } a = GetLabel('plain') b = GetLabel('ghost')"));
    EXPECT_EQ(G("a"), "plain_is_not_a_TText_window_or_TButton");
    EXPECT_EQ(G("b"), "ghost_is_not_found");
}

TEST_F(WindowScriptTest, EnableWindowSetsTheShownFlag)
{
    ASSERT_TRUE(Run("MakeDialog{ Window{ name = 'w' } } a = EnableWindow('w', false)"));
    TWindow* w = screen->GetChildWindow(str("w"), -1);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(G("a"), "true");
    EXPECT_EQ(w->GetFlags() & TWindow::kShown, 0u);
    ASSERT_TRUE(Run("a = EnableWindow('w', true) b = EnableWindow('ghost', true)"));
    EXPECT_NE(w->GetFlags() & TWindow::kShown, 0u);
    EXPECT_EQ(G("b"), "false");
}

TEST_F(WindowScriptTest, PushModalNamesTheLayerByItsIdAndDepthCountsTheStack)
{
    ASSERT_TRUE(Run("d0 = GetWindowDepth() id = PushModal('dialog') d1 = GetWindowDepth()"));
    TWindow* top = manager->GetTopModalWindow();
    ASSERT_NE(top, screen);
    EXPECT_EQ(G("id"), top->GetIdText().c_str());
    EXPECT_EQ(G("id").size(), 8u);
    EXPECT_EQ(G("d0"), "1");
    EXPECT_EQ(G("d1"), "2");
    ASSERT_TRUE(Run("m = CreateCloseMessage() t = m.type n = m.name"));
    EXPECT_EQ(G("t"), "1");
    EXPECT_EQ(G("n"), G("id"));
    ASSERT_TRUE(Run("DoPopModal(id)"));
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
}

TEST_F(WindowScriptTest, FillRectIsClippedToTheScreen)
{
    handler->calls.clear();
    ASSERT_TRUE(Run("FillRect({ -20, 10, 700.9, 30 }, { 1, 0.5 })"));
    ASSERT_EQ(handler->calls.size(), 1u);
    const TDrawCall& call = handler->calls[0];
    EXPECT_EQ(call.kind, TDrawCall::kFill);
    EXPECT_EQ(call.rect.left, 0);
    EXPECT_EQ(call.rect.top, 10);
    EXPECT_EQ(call.rect.right, 640);
    EXPECT_EQ(call.rect.bottom, 30);
    EXPECT_FLOAT_EQ(call.color.r, 1);
    EXPECT_FLOAT_EQ(call.color.g, 0.5f);
    EXPECT_FLOAT_EQ(call.color.b, 0);
    EXPECT_FLOAT_EQ(call.color.a, 0);
}

TEST_F(WindowScriptTest, GetStringPassesHashLabelsThrough)
{
    ASSERT_TRUE(Run("a = GetString('#Literal') b = _GetString('#', '', '', '', '', '')"));
    EXPECT_EQ(G("a"), "Literal");
    EXPECT_EQ(G("b"), "");
}

TEST_F(WindowScriptTest, NoMovieStartsWithoutAHost)
{
    ASSERT_TRUE(Run("a = StartMovie('intro.swf', true, false) b = IsMoviePlaying() StopMovie()"));
    EXPECT_EQ(G("a"), "false");
    EXPECT_EQ(G("b"), "false");
}

TEST_F(WindowScriptTest, PostMessageIgnoresAnythingButAMessageBox)
{
    const size_t before = manager->GetQueuedMessageCount();
    ASSERT_TRUE(Run("PostMessage() PostMessage('x') PostMessage({}) PostMessageToParent(12)"));
    EXPECT_EQ(manager->GetQueuedMessageCount(), before);
    ASSERT_TRUE(Run("PostMessage(CreateNamedMessage(1001, 'p'))"));
    ASSERT_EQ(manager->GetQueuedMessageCount(), before + 1);
    TMessage* queued = manager->GetQueue().back().get();
    EXPECT_TRUE(queued->IsKindOf(TLuaMessageWrapper::ClassId()));
    EXPECT_EQ(queued->mType, 1001);
    EXPECT_EQ(queued->mName, "p");
}

// ---- the coroutine protocol ----

TEST_F(WindowScriptTest, AMessageWhileNothingWaitsIsQueued)
{
    script->OnMessage(new TMessage(1002, str("q")), nullptr);
    ASSERT_TRUE(Run("n = table.getn(gMessageQueue) t = gMessageQueue[1].type"));
    EXPECT_EQ(G("n"), "1");
    EXPECT_EQ(G("t"), "1002");
}

// Many queued messages, dropped by the script at once: each box's finaliser deletes its
// message, also when every allocation check collects (the stress test run).
TEST_F(WindowScriptTest, DroppedQueuedMessagesAreAllDeleted)
{
    static int deleted;
    struct Counted : TMessage
    {
        Counted() : TMessage(1004, str("many")) {}
        ~Counted() override { deleted++; }
    };
    deleted = 0;
    for (int i = 0; i < 300; i++)
        manager->OnScriptMessage(new Counted(), nullptr);
    ASSERT_TRUE(Run("n = table.getn(gMessageQueue)"));
    EXPECT_EQ(G("n"), "300");
    EXPECT_EQ(deleted, 0);
    ASSERT_TRUE(Run("gMessageQueue = {} collectgarbage() collectgarbage()"));
    EXPECT_EQ(deleted, 300);
}

TEST_F(WindowScriptTest, APostedMessageComesBackAsTheSameBox)
{
    ASSERT_TRUE(Run("sent = CreateNamedMessage(1003, 'loop') PostMessage(sent)"));
    Pump(3);
    ASSERT_TRUE(Run("same = (gMessageQueue[1] == sent) n = table.getn(gMessageQueue)"));
    EXPECT_EQ(G("n"), "1");
    EXPECT_EQ(G("same"), "true");
}

TEST_F(WindowScriptTest, WaitingWithADelayIsResumedByTheClock)
{
    ASSERT_TRUE(Run("return function() wakes = 0 while true do local m = HandleGetMessage(500) "
                    "if m == nil then wakes = wakes + 1 end end end"));
    EXPECT_EQ(script->GetScriptState(), TLuaWindowScript::kWaitingForMessage);
    EXPECT_EQ(G("wakes"), "0");
    backend->mWaitAdvancesClock = false;
    Pump(3);
    EXPECT_EQ(G("wakes"), "0");
    backend->AdvanceMs(500);
    Pump(3);
    EXPECT_EQ(G("wakes"), "1");
    backend->AdvanceMs(499);
    Pump(2);
    EXPECT_EQ(G("wakes"), "1");
    backend->AdvanceMs(1);
    Pump(2);
    EXPECT_EQ(G("wakes"), "2");
}

TEST_F(WindowScriptTest, AWaitingDialogGetsTheMessageAndItsCommand)
{
    // Defined first: a chunk run while the dialog waits would run inside its wait.
    ASSERT_TRUE(Run("function Command() return 'ran' end"));
    ASSERT_TRUE(Run("return function() got, cmd = HandleGetMessage() done = 1 end"));
    EXPECT_TRUE(script->IsPaused());
    lua_pushstring(L(), "Command");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    auto* command = new TLuaFunction(L());
    script->OnMessage(new TMessage(1004, str("m")), command);
    EXPECT_EQ(G("done"), "1");
    ASSERT_TRUE(Run("t = got.type c = cmd()"));
    EXPECT_EQ(G("t"), "1004");
    EXPECT_EQ(G("c"), "ran");
}

TEST_F(WindowScriptTest, ANullMessageReachesAWaitingScriptAsACommandOnlyMessage)
{
    ASSERT_TRUE(Run("return function() got = HandleGetMessage() t = got.type n = got.name end"));
    script->OnMessage(nullptr, nullptr);
    EXPECT_EQ(G("t"), "8");
    EXPECT_EQ(G("n"), "");
}

TEST_F(WindowScriptTest, AChunkRunWhileADialogWaitsRunsInsideItsWait)
{
    ASSERT_TRUE(Run("return function() while true do WaitForMessage() end end"));
    ASSERT_TRUE(script->CoroutineActive());
    const int top = lua_gettop(L());
    EXPECT_EQ(script->DoLuaString(str("inside = 1 return 'result'"), -1, 1), 0);
    EXPECT_EQ(G("inside"), "1");
    // The wait hands the command's result back.
    ASSERT_GT(lua_gettop(L()), 0);
    EXPECT_STREQ(lua_tostring(L(), -1), "result");
    lua_settop(L(), top);
    EXPECT_TRUE(script->CoroutineActive());
}

TEST_F(WindowScriptTest, ACloseRequestWakesAWaitWithNothing)
{
    ASSERT_TRUE(Run("return function() woke = 'no' local m = HandleGetMessage() woke = tostring(m) end"));
    TEvent close(TEvent::kCloseRequested, 0, 0, 0, 0);
    manager->HandleEvent(&close);
    EXPECT_EQ(G("woke"), "nil");
}

TEST_F(WindowScriptTest, ACloseRequestWithNothingWaitingRunsNothingAndReportsNothing)
{
    ASSERT_FALSE(script->CoroutineActive());
    lua_pushstring(L(), "not a function");
    const int top = lua_gettop(L());
    TEvent close(TEvent::kCloseRequested, 0, 0, 0, 0);
    manager->HandleEvent(&close);
    EXPECT_EQ(dbg.Count("lua_resume ERROR: "), 0);
    EXPECT_EQ(lua_gettop(L()), top);
    lua_settop(L(), 0);
}

TEST_F(WindowScriptTest, QueuedMessagesAreReturnedNewestFirst)
{
    script->OnMessage(new TMessage(1001, str("first")), nullptr);
    script->OnMessage(new TMessage(1002, str("second")), nullptr);
    ASSERT_TRUE(Run("return function() a = WaitForMessage().name b = WaitForMessage().name end"));
    EXPECT_EQ(G("a"), "second");
    EXPECT_EQ(G("b"), "first");
}

TEST_F(WindowScriptTest, AScriptErrorInTheCoroutineLeavesTheScriptUsable)
{
    ASSERT_TRUE(Run("return function() HandleGetMessage() error('dialog broke') end"));
    script->OnMessage(new TMessage(1001, str("x")), nullptr);
    EXPECT_EQ(script->GetScriptState(), 0);
    EXPECT_EQ(dbg.Count("lua_resume ERROR: "), 1);
    // Later messages are queued.
    script->OnMessage(new TMessage(1002, str("y")), nullptr);
    ASSERT_TRUE(Run("n = table.getn(gMessageQueue)"));
    EXPECT_EQ(G("n"), "1");
}

// ---- dialogs from files ----

class DialogFileTest : public WindowScriptTest
{
protected:
    std::vector<std::pair<std::string, std::string>> AssetFiles() const override
    {
        return {
            {"ok.lua", "MakeDialog{ Window{ name = 'body', w = 50, h = 60 } }\nCloseWindow('ok')\n"},
            {"outer.lua", "outerId = CreateCloseMessage().name\n"},
            {"inner.lua",
             "PostMessage(CreateNamedMessage(kModalClosed, outerId))\nCloseWindow('inner done')\n"},
        };
    }
};

TEST_F(DialogFileTest, DoModalReturnsTheValueTheDialogClosedWith)
{
    ASSERT_TRUE(Run("return function() result = DoModal('ok.lua') end"));
    EXPECT_EQ(G("result"), "<nil>");
    Pump(10);
    EXPECT_EQ(G("result"), "ok");
    EXPECT_EQ(G("gReturnValue"), "<nil>");
    EXPECT_EQ(manager->GetTopModalWindow(), screen);
}

TEST_F(DialogFileTest, AnOuterDialogClosedDuringAnInnerWaitIsNoticed)
{
    ASSERT_TRUE(Run("return function() outer = PushModal('outer.lua') ReadFile('outer.lua') "
                    "innerResult = DoModal('inner.lua') WaitForCloseMessage(outer) outerDone = 1 end"));
    Pump(20);
    EXPECT_EQ(G("innerResult"), "inner done");
    EXPECT_EQ(G("outerDone"), "1");
}

TEST_F(WindowScriptTest, AWaitWhoseNextWakeFallsOnTheLastMillisecondBeforeTheWrapStillWakes)
{
    backend->mWaitAdvancesClock = false;
    // Bring the platform timer to 500 ms before the 32-bit wrap, minus the 500 ms period.
    const uint32_t now = TPlatform::Timer();
    backend->AdvanceMs(uint64_t(0xFFFFFFFFu - 500u - now));
    ASSERT_EQ(TPlatform::Timer(), 0xFFFFFFFFu - 500u);
    ASSERT_TRUE(Run("return function() wakes = 0 while true do if HandleGetMessage(500) == nil then "
                    "wakes = wakes + 1 end end end"));
    for (int i = 0; i < 4; i++)
    {
        backend->AdvanceMs(501);
        Pump(2);
    }
    EXPECT_EQ(G("wakes"), "4");
}

namespace
{

class CountingTask : public TAnimTask
{
public:
    int runs = 0;

protected:
    bool Animate() override
    {
        runs++;
        return true;
    }
};

}  // namespace

TEST_F(WindowScriptTest, ARepeatingTaskWhoseReadyTimeLandsOnAllBitsSetKeepsRunning)
{
    backend->mWaitAdvancesClock = false;
    const uint32_t now = TPlatform::Timer();
    backend->AdvanceMs(uint64_t(0xFFFFFFFFu - 32u - now));
    CountingTask task;
    task.SetDelay(16, true, false, false);  // ready at 2^32 - 17, then every 16 ms
    for (int i = 0; i < 4; i++)
    {
        backend->AdvanceMs(17);
        if (task.Ready(TTask::kContextIdle))
            task.DoTask();
    }
    EXPECT_EQ(task.runs, 4);
    EXPECT_FALSE(task.IsPaused());
}

TEST_F(WindowScriptTest, AWindowDeletedByOtherCodeLeavesTheStack)
{
    ASSERT_TRUE(Run("GenericCreate({ typename = 'Window', name = 'gone', w = 5, h = 5 })"));
    TWindow* gone = script->GetCurrentWindow();
    ASSERT_NE(gone, screen);
    screen->OrphanChild(gone);
    delete gone;
    ASSERT_TRUE(Run("SetWindowName('named')"));
    EXPECT_EQ(screen->GetName(), "named");
}

TEST_F(WindowScriptTest, SetPositionResolvesTheCoordinateCodes)
{
    ASSERT_TRUE(Run("MakeDialog{ Window{ name = 'box', w = 100, h = 40 } }"));
    TWindow* box = screen->GetChildWindow(str("box"), -1);
    ASSERT_NE(box, nullptr);
    struct Case
    {
        const char* call;
        int left, top;
    } cases[] = {
        {"SetPosition('box', 10.9, -3.7)", 10, 477},
        {"SetPosition('box', kCenter, kCenter + 5)", 270, 225},
        {"SetPosition('box', kMax - 100, kMax - 40)", 540, 440},
        {"SetPosition('ghost', 1, 1)", 540, 440},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(Run(c.call)) << c.call;
        EXPECT_EQ(box->GetRect().left, c.left) << c.call;
        EXPECT_EQ(box->GetRect().top, c.top) << c.call;
    }
}

namespace
{

// A window that answers the widget calls of the window script and records them.
class StubWidget : public TWindow, public TScriptWidget
{
public:
    StubWidget(const char* name, EKind kind) : mKind(kind) { SetName(str(name)); }
    ~StubWidget() override { delete mCommand; }
    EKind GetWidgetKind() const override { return mKind; }
    str GetLabel() const override { return mLabel; }
    void SetLabel(const str& text) override { mLabel = text; }
    bool IsOn() const override { return mOn; }
    void SetOn(bool on) override { mOn = on; }
    void SetCommand(TLuaFunction* function) override
    {
        delete mCommand;
        mCommand = function;
    }
    void SetTexture(const str& image, float scale) override
    {
        mImage = image;
        mScale = scale;
    }
    bool HasTexture() const override { return !mImage.empty(); }
    void SetCurrentLayer(int layer) override { mLayer = layer; }

    EKind mKind;
    str mLabel, mImage;
    bool mOn = false;
    float mScale = 0;
    int mLayer = -5;
    TLuaFunction* mCommand = nullptr;
};

}  // namespace

TEST_F(WindowScriptTest, WidgetCallsReachTheWidgetsOfTheRightKind)
{
    auto* text = new StubWidget("text", TScriptWidget::kText);
    auto* button = new StubWidget("button", TScriptWidget::kButton);
    auto* image = new StubWidget("image", TScriptWidget::kImage);
    auto* layered = new StubWidget("layered", TScriptWidget::kLayered);
    for (TWindow* w : {static_cast<TWindow*>(text), static_cast<TWindow*>(button),
                       static_cast<TWindow*>(image), static_cast<TWindow*>(layered)})
        screen->AdoptChild(w, false);

    ASSERT_TRUE(
        Run("SetLabel('text', 'Hello') SetLabel('button', 'Press') SetLabel('image', 'no') "
            "a = GetLabel('text') b = GetLabel('button') c = GetLabel('image') "
            "SetBitmap('image', 'pic.png') SetBitmap('text', 'pic.png', 2) d = ImageLoaded('image') "
            "e = ImageLoaded('text') SetButtonToggleState('button', 1) f = GetButtonToggleState('button') "
            "g = GetButtonToggleState('text') SetCommand('button', function() return 'cmd' end) "
            "SetCommand('text', function() end)"));
    EXPECT_EQ(G("a"), "Hello");
    EXPECT_EQ(G("b"), "Press");
    EXPECT_EQ(G("c"), "image_is_not_a_TText_window_or_TButton");
    EXPECT_EQ(image->mLabel, "");
    EXPECT_EQ(image->mImage, "pic.png");
    EXPECT_FLOAT_EQ(image->mScale, 1);
    EXPECT_EQ(text->mImage, "");
    EXPECT_EQ(G("d"), "true");
    EXPECT_EQ(G("e"), "false");
    EXPECT_EQ(G("f"), "true");
    EXPECT_EQ(G("g"), "false");
    ASSERT_NE(button->mCommand, nullptr);
    EXPECT_EQ(text->mCommand, nullptr);
    button->mCommand->Push();
    ASSERT_EQ(lua_pcall(L(), 0, 1, 0), 0);
    EXPECT_STREQ(lua_tostring(L(), -1), "cmd");
    lua_pop(L(), 1);

    // Layers are chosen on the current window only.
    script->PushWindow(layered);
    ASSERT_TRUE(Run("DoSelectLayer(2)"));
    EXPECT_EQ(layered->mLayer, 2);
    script->PushWindow(text);
    ASSERT_TRUE(Run("DoSelectLayer(3)"));
    EXPECT_EQ(text->mLayer, -5);
}

TEST_F(WindowScriptTest, AGuardedGlobalsTableCannotThrowNativeWritesOut)
{
    ASSERT_TRUE(Run("setmetatable(_G, { __newindex = function(t, k) error('no new globals: ' .. k) end, "
                    "__index = function(t, k) error('no such global: ' .. k) end })"));
    script->SetGlobalString(str("gReturnValue"), str("set"));
    script->SetGlobalString(str("brandNew"), str("fine"));
    script->OnMessage(new TMessage(1001, str("queued")), nullptr);
    ASSERT_TRUE(Run("rawset(_G, 'x', rawget(_G, 'brandNew') .. table.getn(gMessageQueue))"));
    lua_pushstring(L(), "x");
    lua_rawget(L(), LUA_GLOBALSINDEX);
    EXPECT_STREQ(lua_tostring(L(), -1), "fine1");
    lua_pop(L(), 1);
}
