// Input state, WEvent records, the frame timer, egg timers and emit timers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/event.h"
#include "test_core_fixture.h"
#include "wgui_input.h"
#include "wgui_timer.h"
#include "wgui_window.h"

using namespace WGUI;
using wguitest::PlatformFixture;
using wguitest::Tick;

namespace
{

class InputTest : public ::testing::Test
{
protected:
    void TearDown() override { Input::deleteInstance(); }
};

}  // namespace

TEST_F(InputTest, KeyTableMapsFrameworkCodes)
{
    struct Case
    {
        int code;
        int key;
    } cases[] = {
        {28, 0},   {30, 1},   {31, 2},   {29, 3},   {32, 4}, {13, 7},   {113, 11}, {9, 23},   {27, 24},
        {'A', 25}, {'Q', 41}, {'Z', 50}, {'a', -1}, {0, -1}, {112, -1}, {-1, -1},  {127, -1},
    };
    Input* input = Input::instance();
    for (const auto& c : cases)
        EXPECT_EQ(input->keyFromSDK(c.code), c.key) << c.code;
}

TEST_F(InputTest, KeysGoDownAndUpAndUnmappedCodesChangeNothing)
{
    Input* input = Input::instance();
    input->messageKeyDown(28);
    input->messageKeyDown('Z');
    EXPECT_TRUE(input->isDown(Input::kLeft));
    EXPECT_TRUE(input->isDown(50));
    input->messageKeyDown(200);  // no logical key
    int downCount = 0;
    for (int k = 0; k < Input::kKeyCount; ++k)
        downCount += input->isDown(k) ? 1 : 0;
    EXPECT_EQ(downCount, 2);
    input->messageKeyUp(28);
    EXPECT_FALSE(input->isDown(Input::kLeft));
    // Out-of-range keys are simply not down.
    EXPECT_FALSE(input->isDown(-1));
    EXPECT_FALSE(input->isDown(101));
    EXPECT_FALSE(input->isDown(100000));
}

TEST_F(InputTest, MouseAbsoluteAndRelative)
{
    Input* input = Input::instance();
    input->messageMouseMove(100, 50);
    EXPECT_EQ(input->getMouseX(), 100);
    EXPECT_EQ(input->getMouseY(), 50);
    EXPECT_EQ(input->getRelMouseX(), 0);
    input->messageLeftMouseDown();
    EXPECT_TRUE(input->isLeftMouseButtonDown());
    input->messageLeftMouseUp();
    EXPECT_FALSE(input->isLeftMouseButtonDown());

    input->setUseRelativeMouse(true);
    input->update();
    EXPECT_EQ(input->getRelMouseX(), 0);
    // Several motions in one frame add up; the next frame starts from zero.
    input->messageMouseMove(3, -2);
    input->messageMouseMove(4, 1);
    EXPECT_EQ(input->getRelMouseX(), 7);
    EXPECT_EQ(input->getRelMouseY(), -1);
    EXPECT_EQ(input->getMouseX(), 100);  // the position stays
    input->update();
    EXPECT_EQ(input->getRelMouseX(), 0);
    input->messageMouseMove(-5, 0);
    EXPECT_EQ(input->getRelMouseX(), -5);

    // Leaving relative mode puts the pointer in the middle of the display.
    Window::setDefaultDisplaySize(640, 480);
    input->setUseRelativeMouse(false);
    EXPECT_EQ(input->getMouseX(), 320);
    EXPECT_EQ(input->getMouseY(), 240);
    EXPECT_EQ(input->joyX(0), 32767);
    EXPECT_FALSE(input->enableJoystick(0));
}

TEST_F(InputTest, WEventTypeTable)
{
    struct Case
    {
        int type, param, wtype, key;
        char code;
    } cases[] = {
        {TEvent::kNoPlatformMeaning, 0, 0, -1, 0},
        {TEvent::kMouseMoved, 0, 1, -1, 0},
        {TEvent::kLeftUp, 0, 2, -1, 0},
        {TEvent::kLeftDown, 0, 3, -1, 0},
        {TEvent::kCharacter, 'q', 4, 11, 'q'},  // a character 'q' carries key 11 too
        {TEvent::kKeyDown, 113, 5, 11, 'q'},
        {TEvent::kKeyUp, 'A', 6, 25, 'A'},
        {TEvent::kMouseExtended, TEvent::kWheelVerticalUp, 8, -1, 6},
        {TEvent::kMouseExtended, TEvent::kWheelVerticalDown, 9, -1, 7},
        {TEvent::kMouseExtended, TEvent::kWheelHorizontalUp, 10, -1, 4},
        {TEvent::kMouseExtended, TEvent::kWheelHorizontalDown, 11, -1, 5},
        {TEvent::kMouseExtended, TEvent::kRightDown, -1, -1, 1},
        {TEvent::kIdle, 0, -1, -1, 0},
        {TEvent::kActivation, 1, -1, -1, 1},
        {22, 0, -1, -1, 0},
        {23, 0, -1, -1, 0},
        {-5, 0, -1, -1, 0},
        {1000, 0, -1, -1, 0},
        {TEvent::kCharacter, 0x1E9, 4, -1, static_cast<char>(0xE9)},  // low byte only
    };
    for (const auto& c : cases)
    {
        TEvent e(c.type, c.param, 12, 34, 0);
        WEvent w(e);
        EXPECT_EQ(w.type, c.wtype) << c.type << "/" << c.param;
        EXPECT_EQ(w.key, c.key) << c.type << "/" << c.param;
        EXPECT_EQ(w.code, c.code) << c.type << "/" << c.param;
        EXPECT_EQ(w.x, 12);
        EXPECT_EQ(w.y, 34);
    }
}

class TimerTest : public PlatformFixture
{
};

TEST_F(TimerTest, DeltaIsClampedAndSurvivesClockWrap)
{
    Timer::instance();  // the first delta measures from here
    struct Case
    {
        unsigned ms;
        double delta;
    } cases[] = {
        {200, 0.05}, {0, 0.001}, {16, 0.016}, {50, 0.05}, {1, 0.001}, {33, 0.033},
    };
    for (const auto& c : cases)
    {
        Tick(backend, c.ms);
        EXPECT_DOUBLE_EQ(Timer::instance()->getDeltaT(), c.delta) << c.ms;
        EXPECT_DOUBLE_EQ(Timer::instance()->getRawDeltaT(), c.delta) << c.ms;
    }
}

TEST_F(TimerTest, ClockWrapStillGivesTheShortDelta)
{
    // Bring the 32-bit millisecond clock just below its wrap.
    backend->AdvanceMs(0xFFFFFFFFull - (backend->NowMs() & 0xFFFFFFFFull) - 5);
    Timer::instance();
    Tick(backend, 20);  // crosses zero
    EXPECT_DOUBLE_EQ(Timer::instance()->getDeltaT(), 0.02);
}

TEST_F(TimerTest, LowFrameRateDetectorTable)
{
    struct Case
    {
        std::vector<unsigned> pattern;
        int frames;
        bool low;
    } cases[] = {
        {{16, 17}, 240, false},                          // steady 60 Hz
        {{33, 34}, 240, false},                          // steady 30 Hz
        {{16, 33}, 8, false},                            // the first frame measures from creation: 7 flips
        {{16, 33}, 9, true},                             // 8 flips
        {{15, 24}, 9, true},                             // inclusive bounds
        {{18, 49}, 9, true},    {{14, 33}, 240, false},  // 14 ms is outside the short band
        {{16, 50}, 240, false},                          // 50 ms is outside the long band
    };
    for (const auto& c : cases)
    {
        Timer::deleteInstance();
        Timer::instance();
        for (int i = 0; i < c.frames; ++i)
            Tick(backend, c.pattern[i % c.pattern.size()]);
        EXPECT_EQ(Timer::instance()->shouldSwitchToLowFrameRate(), c.low)
            << c.pattern[0] << "/" << c.pattern[1] << " x" << c.frames;
    }
}

TEST_F(TimerTest, FlipsLeaveTheWindowAfter120SteadyFrames)
{
    Timer::instance();
    // Frames 1..20 alternate 16, 33, ...; frame 1 measures from creation and is no flip, so
    // frames 2..20 flip, and frame 21 (16 after 33) flips too.
    for (int i = 0; i < 20; ++i)
        Tick(backend, i % 2 ? 33 : 16);
    EXPECT_EQ(Timer::instance()->getFlipCount(), 19);
    EXPECT_TRUE(Timer::instance()->shouldSwitchToLowFrameRate());
    int frame = 20;
    while (frame < 140)
    {
        Tick(backend, 16);
        ++frame;
    }
    // The window holds frames 21..140: only frame 21's flip is left.
    EXPECT_EQ(Timer::instance()->getFlipCount(), 1);
    EXPECT_FALSE(Timer::instance()->shouldSwitchToLowFrameRate());
    Tick(backend, 16);
    EXPECT_EQ(Timer::instance()->getFlipCount(), 0);
}

TEST_F(TimerTest, FrameRateIsFirstPublishedAfterMoreThanTwoSeconds)
{
    Timer::instance();
    for (int i = 0; i < 99; ++i)
        Tick(backend, 20);  // 1.98 s: not yet
    EXPECT_EQ(Timer::instance()->getFrameRate(), 0);
    Tick(backend, 20);
    Tick(backend, 20);
    EXPECT_NEAR(Timer::instance()->getFrameRate(), 50.0, 1e-9);
}

namespace
{

class CountingEgg : public EggTimer
{
public:
    void onComplete() override
    {
        ++completions;
        if (restart)
        {
            restart = false;
            setTimerLength(getTimerLength());
            startTimer();
        }
    }
    int completions = 0;
    bool restart = false;
};

}  // namespace

TEST_F(TimerTest, EggTimersCompleteOnceAndLeaveTheList)
{
    Timer::instance();
    CountingEgg zero;
    zero.setTimerLength(0);
    zero.startTimer();
    CountingEgg half;
    half.setTimerLength(0.1);
    half.startTimer();
    half.startTimer();  // a second start does not tick it twice
    Tick(backend, 16);
    EggTimers::instance()->update();
    EXPECT_EQ(zero.completions, 1);
    EXPECT_FALSE(EggTimers::instance()->contains(&zero));
    EXPECT_TRUE(zero.isRunning());  // stays set until stopTimer
    EXPECT_NEAR(half.getElapsed(), 0.016, 1e-12);
    for (int i = 0; i < 6; ++i)
    {
        Tick(backend, 16);
        EggTimers::instance()->update();
    }
    EXPECT_EQ(half.completions, 1);
    EXPECT_FALSE(EggTimers::instance()->contains(&half));
    zero.stopTimer();
    EXPECT_FALSE(zero.isRunning());
    EggTimers::deleteInstance();
}

TEST_F(TimerTest, ATimerStoppedAfterTheListIsGoneMakesNoNewList)
{
    Timer::instance();
    {
        CountingEgg egg;
        egg.setTimerLength(10);
        egg.startTimer();
        ASSERT_TRUE(EggTimers::hasInstance());
        EggTimers::deleteInstance();
        egg.stopTimer();
        EXPECT_FALSE(egg.isRunning());
        EXPECT_FALSE(EggTimers::hasInstance());
        egg.startTimer();
        EggTimers::deleteInstance();
    }  // destroyed while running
    EXPECT_FALSE(EggTimers::hasInstance());
}

TEST_F(TimerTest, EggTimerRestartedInsideItsCompletionKeepsRunning)
{
    Timer::instance();
    CountingEgg egg;
    egg.setTimerLength(0.02);
    egg.restart = true;
    egg.startTimer();
    for (int i = 0; i < 2; ++i)
    {
        Tick(backend, 16);
        EggTimers::instance()->update();
    }
    EXPECT_EQ(egg.completions, 1);
    EXPECT_TRUE(EggTimers::instance()->contains(&egg));
    for (int i = 0; i < 2; ++i)
    {
        Tick(backend, 16);
        EggTimers::instance()->update();
    }
    EXPECT_EQ(egg.completions, 2);
    EXPECT_FALSE(EggTimers::instance()->contains(&egg));
    {
        // A timer destroyed while listed leaves the list.
        CountingEgg shortLived;
        shortLived.startTimer();
        EXPECT_TRUE(EggTimers::instance()->contains(&shortLived));
    }
    Tick(backend, 16);
    EggTimers::instance()->update();
    EggTimers::deleteInstance();
}

TEST_F(TimerTest, EmitTimerCarriesTheRemainder)
{
    Timer::instance();
    EmitTimer emit(10);
    std::vector<int> got;
    for (int i = 0; i < 6; ++i)
    {
        Tick(backend, 50);
        got.push_back(emit.update());
    }
    EXPECT_EQ(got, (std::vector<int>{0, 1, 0, 1, 0, 1}));

    EmitTimer fast(100);
    Tick(backend, 50);
    EXPECT_EQ(fast.update(), 5);

    std::srand(3);
    EmitTimer random(10);
    random.setRandomize(true);
    random.randomizeNextEmitTime();
    int total = 0;
    for (int i = 0; i < 200; ++i)
    {
        Tick(backend, 50);
        total += random.update();
    }
    // 10 s of time scaled by factors averaging 1: around 100 events.
    EXPECT_GT(total, 60);
    EXPECT_LT(total, 140);
}
