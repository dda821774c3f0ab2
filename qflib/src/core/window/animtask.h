// TAnimTask: a task that runs its Animate() when a ready time on a clock is reached, once or
// with a repeat period. Times are milliseconds on a TClock, or on the framework timer when the
// task has no clock; all comparisons use wrap-around arithmetic.
#pragma once

#include <cstdint>

#include "app/task.h"

class TClock;

class TAnimTask : public TTask
{
public:
    // The ready time of a paused task.
    static const uint32_t kPaused = 0xFFFFFFFFu;

    // A null clock means the framework timer. The first ready time is the clock's time now.
    explicit TAnimTask(TClock* clock = nullptr);
    ~TAnimTask() override;

    // Context 1: the draw flag (false unless set). Context 0: false while paused, else whether
    // the clock has reached the ready time.
    bool Ready(ETaskContext context) override;
    // Runs Animate once, or (with catch-up) once per missed period; false ends the task.
    bool DoTask() override;
    // Paused (or on a paused clock): the whole limit; otherwise the time until the ready time.
    unsigned IdleQuietMs(unsigned limit) override;
    // Stores the flags. Without fromNow the ready time advances by delay from the last ready
    // time; with fromNow (or while paused) it becomes now + delay. The period becomes delay
    // when repeat is true, else 0. Returns the period.
    unsigned SetDelay(unsigned delay, bool repeat, bool fromNow, bool catchUp);
    // Moves the task to another clock, keeping the time left until it is ready.
    void SetClock(TClock* clock);
    TClock* GetClock() const { return mClock; }

    void Pause();
    bool IsPaused() const { return mReadyTime == kPaused; }
    uint32_t GetReadyTime() const { return mReadyTime; }
    unsigned GetPeriod() const { return mPeriod; }
    void SetDrawReady(bool ready) { mDrawReady = ready; }

protected:
    // One step of the animation; false ends the task.
    virtual bool Animate() = 0;
    uint32_t Now() const;

private:
    TClock* mClock;
    uint32_t mReadyTime;
    unsigned mPeriod = 0;
    bool mFromNow = false;
    bool mCatchUp = false;
    bool mDrawReady = false;
};
