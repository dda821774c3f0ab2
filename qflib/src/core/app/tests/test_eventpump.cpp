#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform_fixture.h"

namespace
{

struct CountingTask : TTask
{
    explicit CountingTask(std::vector<int>* contexts) : contexts(contexts) {}
    bool Ready(ETaskContext context) override
    {
        contexts->push_back(int(context));
        return true;
    }
    bool DoTask() override { return true; }
    std::vector<int>* contexts;
};

TNativeEvent KeyDown(uint32_t scancode, char c, uint32_t mods = 0)
{
    TNativeEvent e;
    e.mKind = TNativeEvent::kKeyDown;
    e.mKey = TNativeEvent::kKeyPrintable;
    e.mScancode = scancode;
    e.mKeyChar = uint32_t(c);
    e.mText = std::string(1, c);
    e.mModifiers = mods;
    return e;
}

TNativeEvent Kind(TNativeEvent::EKind kind)
{
    TNativeEvent e;
    e.mKind = kind;
    return e;
}

class EventPumpTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        auto owned = MakeBackend();
        backend = owned.get();
        data = std::make_unique<TPlatformData>(std::move(owned), 0, nullptr, false);
    }
    void TearDown() override
    {
        data.reset();
        PlatformFixture::TearDown();
    }
    TEvent Next()
    {
        TEvent e(-1, -1, -1, -1, 0xFFFF);
        data->GetEvent(&e);
        return e;
    }
    FakeBackend* backend = nullptr;
    std::unique_ptr<TPlatformData> data;
};

TEST_F(EventPumpTest, IdleStepRunsPlatformTasksInContextZeroAndTheSoundPass)
{
    std::vector<int> contexts;
    data->GetTaskList().AdoptTask(new CountingTask(&contexts));
    data->SetSoundManager(FakeSoundManagerPointer());
    backend->mModifiers = TEvent::kShift;
    TEvent e = Next();
    EXPECT_EQ(e, TEvent(TEvent::kIdle, 0, 0, 0, TEvent::kShift));
    EXPECT_EQ(backend->mLastWaitTimeout, 1u) << "the pump waits 1 ms for a native event";
    EXPECT_EQ(contexts, (std::vector<int>{0}));
    EXPECT_EQ(hooks.Count("HandleNotifications"), 1u);
    data->SetSoundManager(nullptr);
}

TEST_F(EventPumpTest, KeyDownIsDeliveredBeforeItsCharacterAndTheSecondNeedsNoWait)
{
    data->SetSoundManager(FakeSoundManagerPointer());
    backend->PushEvent(KeyDown(4, 'q'));
    EXPECT_EQ(Next().mType, TEvent::kKeyDown);
    EXPECT_EQ(hooks.Count("HandleNotifications"), 1u);
    TEvent c = Next();
    EXPECT_EQ(c.mType, TEvent::kCharacter);
    EXPECT_EQ(c.mParam, 'q');
    EXPECT_EQ(hooks.Count("HandleNotifications"), 1u) << "queued records skip the sound pass";
    data->SetSoundManager(nullptr);
}

TEST_F(EventPumpTest, GroupsQueuedTogetherComeOutFirstInFirstOut)
{
    data->QueueEvent(KeyDown(4, 'a'));
    data->QueueEvent(KeyDown(5, 'b'));
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < 4; ++i)
    {
        TEvent e = Next();
        got.emplace_back(e.mType, e.mParam);
    }
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{11, 'A'}, {13, 'a'}, {11, 'B'}, {13, 'b'}}));
    EXPECT_EQ(Next().mType, TEvent::kIdle);
}

TEST_F(EventPumpTest, QuitIsDeliveredOnceEvenWhenRequestedTwice)
{
    data->Exit(0);
    data->Exit(3);
    EXPECT_EQ(Next().mType, TEvent::kQuit);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    data->Exit(0);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
}

TEST_F(EventPumpTest, CloseRequestAfterQuitIsStillDeliveredAndTellsTheWindowScript)
{
    data->Exit(0);
    data->RequestClose();
    EXPECT_EQ(Next().mType, TEvent::kQuit);
    EXPECT_EQ(Next().mType, TEvent::kCloseRequested);
    EXPECT_EQ(hooks.Count("CloseRequested"), 1u);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
}

TEST_F(EventPumpTest, WindowCloseAndSystemQuitBecomeCloseRequests)
{
    for (TNativeEvent::EKind kind : {TNativeEvent::kWindowClose, TNativeEvent::kQuitRequested})
    {
        backend->PushEvent(Kind(kind));
        EXPECT_EQ(Next().mType, TEvent::kIdle);
        EXPECT_EQ(Next().mType, TEvent::kCloseRequested);
    }
}

TEST_F(EventPumpTest, SwitchingToRelativeModePurgesTheQueueOncePerSwitch)
{
    data->QueueEvent(KeyDown(4, 'a'));
    data->SetCursorMode(TPlatform::kCursorRelative);
    EXPECT_TRUE(backend->mRelative);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    data->QueueEvent(KeyDown(4, 'a'));
    EXPECT_EQ(Next().mType, TEvent::kKeyDown) << "no second purge while the mode stays";
    EXPECT_EQ(Next().mType, TEvent::kCharacter);
    data->SetCursorMode(TPlatform::kCursorNormal);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    data->QueueEvent(KeyDown(4, 'a'));
    data->SetCursorMode(TPlatform::kCursorRelative);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    EXPECT_EQ(data->QueuedEventCount(), 0u);
}

TEST_F(EventPumpTest, BackgroundIdleSleepGrowsByTenUpToOneSecondAndResetsInForeground)
{
    backend->PushEvent(Kind(TNativeEvent::kFocusLost));
    TEvent e = Next();
    EXPECT_EQ(e, TEvent(TEvent::kActivation, 0, 0, 0, 0));
    EXPECT_FALSE(data->IsForeground());
    backend->ClearCalls();
    for (int i = 0; i < 105; ++i)
        EXPECT_EQ(Next().mType, TEvent::kIdle);
    std::vector<std::string> sleeps = backend->CallsStartingWith("SleepMs");
    ASSERT_EQ(sleeps.size(), 105u);
    EXPECT_EQ(sleeps[0], "SleepMs 10");
    EXPECT_EQ(sleeps[1], "SleepMs 20");
    EXPECT_EQ(sleeps[98], "SleepMs 990");
    EXPECT_EQ(sleeps[99], "SleepMs 1000");
    EXPECT_EQ(sleeps[104], "SleepMs 1000");

    backend->PushEvent(Kind(TNativeEvent::kFocusGained));
    EXPECT_EQ(Next(), TEvent(TEvent::kActivation, 1, 0, 0, 0));
    backend->ClearCalls();
    Next();
    EXPECT_EQ(backend->CountCalls("SleepMs"), 0u);
    EXPECT_EQ(data->GetBackgroundSleep(), 0u);
}

TEST_F(EventPumpTest, FailedWaitGivesIdleWithoutRunningTasks)
{
    std::vector<int> contexts;
    data->GetTaskList().AdoptTask(new CountingTask(&contexts));
    backend->PushWaitError();
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    EXPECT_TRUE(contexts.empty());
}

TEST_F(EventPumpTest, OptionEnterTogglesFullScreenAndReportsIt)
{
    data->SetDisplay(640, 480, false);
    backend->ClearCalls();
    TNativeEvent enter;
    enter.mKind = TNativeEvent::kKeyDown;
    enter.mKey = TNativeEvent::kKeyReturn;
    enter.mModifiers = TEvent::kOption;
    backend->PushEvent(enter);
    EXPECT_EQ(Next().mType, TEvent::kFullscreenToggled);
    EXPECT_TRUE(data->IsFullscreen());
    EXPECT_EQ(backend->CountCalls("SetFullscreen 1"), 1u);

    gbFlashPlaying = true;
    backend->PushEvent(enter);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    gbFlashPlaying = false;
    EXPECT_TRUE(data->IsFullscreen());

    // Losing the focus in full screen minimises the window.
    backend->PushEvent(Kind(TNativeEvent::kFocusLost));
    Next();
    EXPECT_EQ(backend->CountCalls("MinimizeWindow"), 1u);
}

TEST_F(EventPumpTest, MouseMovesInvalidateTheScreenAndRelativeModeRecentres)
{
    data->SetDisplay(800, 600, false);
    TNativeEvent move;
    move.mKind = TNativeEvent::kMouseMoved;
    move.mX = 10;
    move.mY = 20;
    move.mDX = 5;
    move.mDY = -6;
    backend->PushEvent(move);
    EXPECT_EQ(Next(), TEvent(TEvent::kMouseMoved, 0, 10, 20, 0));
    EXPECT_EQ(hooks.Count("InvalidateScreen"), 1u);
    data->SetCursorMode(TPlatform::kCursorRelative);
    backend->ClearCalls();
    backend->PushEvent(move);
    EXPECT_EQ(Next(), TEvent(TEvent::kMouseMoved, 0, 5, -6, 0));
    EXPECT_EQ(backend->CountCalls("WarpMouse 400,300"), 1u);
}

TEST_F(EventPumpTest, ActivationTellsTheSoundManager)
{
    data->SetSoundManager(FakeSoundManagerPointer());
    backend->PushEvent(Kind(TNativeEvent::kFocusLost));
    backend->PushEvent(Kind(TNativeEvent::kFocusGained));
    Next();
    Next();
    EXPECT_LT(hooks.IndexOf("AppActivate 0"), hooks.IndexOf("AppActivate 1"));
    EXPECT_GE(hooks.IndexOf("AppActivate 0"), 0);
    data->SetSoundManager(nullptr);
}

TEST_F(EventPumpTest, OptionF1TogglesTheHud)
{
    TNativeEvent f1;
    f1.mKind = TNativeEvent::kKeyDown;
    f1.mKey = TNativeEvent::kKeyF1;
    f1.mModifiers = TEvent::kOption;
    backend->PushEvent(f1);
    EXPECT_EQ(Next().mType, TEvent::kIdle);
    EXPECT_EQ(hooks.Count("ToggleHUD"), 1u);
}

}  // namespace

namespace
{

struct QuietTask : TTask
{
    explicit QuietTask(unsigned quiet) : quiet(quiet) {}
    bool DoTask() override { return true; }
    unsigned IdleQuietMs(unsigned limit) override { return quiet < limit ? quiet : limit; }
    unsigned quiet;
};

}  // namespace

// The pump waits for a native event until the platform's tasks or the window manager have
// work, within its shortest and longest waits.
TEST_F(EventPumpTest, IdleWaitLastsUntilATaskOrTheWindowManagerHasWork)
{
    const unsigned shortest = TPlatformData::kShortestIdleWaitMs;
    const unsigned longest = TPlatformData::kLongestIdleWaitMs;
    struct Case
    {
        int task;  // -1: no platform task
        unsigned window;
        unsigned wait;
    };
    const Case cases[] = {
        {-1, 0, shortest}, {-1, 16, 16},      {-1, 5000, longest}, {7, 16, 7},
        {20, 16, 16},      {0, 16, shortest}, {-1, 1, 1},          {5000, 5000, longest},
    };
    for (const Case& c : cases)
    {
        data->GetTaskList().DestroyAll();
        if (c.task >= 0)
            data->GetTaskList().AdoptTask(new QuietTask(unsigned(c.task)));
        hooks.windowIdleQuietMs = c.window;
        EXPECT_EQ(Next().mType, TEvent::kIdle);
        EXPECT_EQ(backend->mLastWaitTimeout, c.wait) << "task " << c.task << ", window " << c.window;
    }
    data->GetTaskList().DestroyAll();
}
