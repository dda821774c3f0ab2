// Animation tasks on a fake framework timer: ready times, periods, from-now and catch-up runs,
// the lag reset, moving between clocks, and the window side of a window animation.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "foundation/clock.h"
#include "window/animtask.h"
#include "window/modalwindow.h"
#include "window/window.h"

namespace
{

uint32_t gNow = 0;

struct CountingAnim : TAnimTask
{
    explicit CountingAnim(TClock* clock = nullptr) : TAnimTask(clock) {}
    bool Animate() override
    {
        times.push_back(GetReadyTime());
        return runs-- > 1;
    }
    std::vector<uint32_t> times;
    int runs = 1000;
};

class AnimTask : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gNow = 5000;
        qfSetTimeSource([]() { return gNow; });
    }
    void TearDown() override { qfSetTimeSource(TTimeSource()); }
};

}  // namespace

TEST_F(AnimTask, ReadyWhenTheClockReachesTheReadyTime)
{
    CountingAnim task;
    EXPECT_EQ(task.GetReadyTime(), 5000u);
    EXPECT_TRUE(task.Ready(TTask::kContextIdle));
    EXPECT_FALSE(task.Ready(TTask::kContextDraw));
    task.SetDrawReady(true);
    EXPECT_TRUE(task.Ready(TTask::kContextDraw));
    EXPECT_EQ(task.SetDelay(100, true, true, false), 100u);
    EXPECT_FALSE(task.Ready(TTask::kContextIdle));
    gNow += 100;
    EXPECT_TRUE(task.Ready(TTask::kContextIdle));
    task.Pause();
    EXPECT_FALSE(task.Ready(TTask::kContextIdle));
    EXPECT_EQ(task.SetDelay(10, false, false, false), 0u) << "no repeat, no period";
    EXPECT_EQ(task.GetReadyTime(), gNow + 10) << "a paused task starts from now";
}

TEST_F(AnimTask, WithoutFromNowTheReadyTimeAdvancesFromTheLastOne)
{
    CountingAnim task;
    task.SetDelay(100, true, false, false);
    EXPECT_EQ(task.GetReadyTime(), 5100u);
    gNow = 5250;
    EXPECT_TRUE(task.DoTask());
    EXPECT_EQ(task.times, (std::vector<uint32_t>{5200}));
    EXPECT_EQ(task.GetReadyTime(), 5200u) << "one period per run without catch-up";
}

TEST_F(AnimTask, CatchUpRunsEveryMissedPeriod)
{
    CountingAnim task;
    task.SetDelay(100, true, false, true);
    gNow = 5450;
    EXPECT_TRUE(task.DoTask());
    EXPECT_EQ(task.times, (std::vector<uint32_t>{5200, 5300, 5400, 5500}));
}

TEST_F(AnimTask, CatchUpWithoutAPeriodRunsOnce)
{
    CountingAnim task;
    task.SetDelay(0, true, false, true);
    gNow = 5900;
    EXPECT_TRUE(task.DoTask());
    EXPECT_EQ(task.times.size(), 1u);
}

TEST_F(AnimTask, FromNowRestartsTheWaitAndALongLagStartsAfresh)
{
    CountingAnim fromNow;
    fromNow.SetDelay(100, true, true, false);
    gNow = 5170;
    EXPECT_TRUE(fromNow.DoTask());
    EXPECT_EQ(fromNow.GetReadyTime(), 5270u);

    gNow = 5000;
    CountingAnim lagging;
    lagging.SetDelay(100, true, false, true);
    gNow = 5100 + 1001;
    EXPECT_TRUE(lagging.DoTask());
    EXPECT_EQ(lagging.times, (std::vector<uint32_t>{6201})) << "1001 ms behind: no catch-up burst";
}

TEST_F(AnimTask, PausingClearsTheDrawReadyAnswer)
{
    CountingAnim task;
    task.SetDrawReady(true);
    ASSERT_TRUE(task.Ready(TTask::kContextDraw));
    task.Pause();
    EXPECT_FALSE(task.Ready(TTask::kContextDraw));
    task.SetDelay(0, true, true, false);
    EXPECT_FALSE(task.Ready(TTask::kContextDraw)) << "only SetDrawReady sets it again";
}

TEST_F(AnimTask, ALongLagRestartsFromAFreshReadingOfTheClock)
{
    // A clock that moves 7 ms on every reading, as a slow machine's would between two reads.
    qfSetTimeSource([]() { return gNow += 7; });
    CountingAnim lagging;
    lagging.SetDelay(100, true, false, true);
    const uint32_t start = lagging.GetReadyTime() - 100;
    gNow = start + 100 + 2000;
    EXPECT_TRUE(lagging.DoTask());
    // The task read the clock at gNow + 7 and noticed the lag; the fresh reading is 7 ms later.
    ASSERT_EQ(lagging.times.size(), 1u);
    EXPECT_EQ(lagging.times[0], start + 100 + 2000 + 14 + 100);
}

TEST_F(AnimTask, AnimateReturningFalseEndsTheTask)
{
    CountingAnim task;
    task.runs = 2;
    task.SetDelay(10, true, false, true);
    gNow = 5100;
    EXPECT_FALSE(task.DoTask());
    EXPECT_EQ(task.times.size(), 2u);
}

TEST_F(AnimTask, MovingToAnotherClockKeepsTheTimeLeft)
{
    TClock clock;
    clock.Start();
    CountingAnim task;
    task.SetDelay(300, false, true, false);  // ready at 5300 on the timer: 300 left
    gNow += 50;                              // 250 left
    task.SetClock(&clock);
    EXPECT_EQ(task.GetReadyTime(), clock.GetTime() + 250);
    clock.Pause();
    gNow += 1000;
    EXPECT_FALSE(task.Ready(TTask::kContextIdle)) << "the clock stands still";
    clock.Start();
    gNow += 250;
    EXPECT_TRUE(task.Ready(TTask::kContextIdle));
}

TEST_F(AnimTask, WindowAnimationCallsTheWindowUntilItIsGone)
{
    struct Animated : TWindow
    {
        int calls = 0;
        bool OnTaskAnimate() override { return ++calls < 100; }
    };
    TModalWindow layer;
    auto* w = new Animated();
    layer.AdoptChild(w, false);
    layer.GetClock().Start();
    w->StartWindowAnimation(10, true, false, false);
    gNow += 10;
    layer.DoModalProcess(TTask::kContextIdle);
    EXPECT_EQ(w->calls, 1);
    layer.OrphanChild(w);
    delete w;  // the task stays in the layer's list and ends at its next run
    EXPECT_EQ(layer.GetTaskList()->Count(), 1u);
    gNow += 10;
    layer.DoModalProcess(TTask::kContextIdle);
    EXPECT_EQ(layer.GetTaskList()->Count(), 0u);
}

TEST_F(AnimTask, IdleQuietUntilTheReadyTime)
{
    CountingAnim task;
    task.SetDelay(16, true, true, false);
    EXPECT_EQ(task.IdleQuietMs(50), 16u);
    EXPECT_EQ(task.IdleQuietMs(10), 10u) << "never beyond the limit";
    gNow += 16;
    EXPECT_EQ(task.IdleQuietMs(50), 0u);
    gNow += 5;
    EXPECT_EQ(task.IdleQuietMs(50), 0u) << "overdue";
    task.Pause();
    EXPECT_EQ(task.IdleQuietMs(50), 50u) << "paused: only a call can wake it";

    TClock clock;
    clock.Start();
    CountingAnim onClock(&clock);
    onClock.SetDelay(30, true, true, false);
    EXPECT_EQ(onClock.IdleQuietMs(50), 30u);
    clock.Pause();
    EXPECT_EQ(onClock.IdleQuietMs(50), 50u) << "its clock stands still";
}
