// TAnimTask: a task that animates at a ready time, once or repeated.
#include "window/animtask.h"

#include "foundation/clock.h"

namespace
{

// Ready times lagging this far behind are not caught up: the task starts afresh from now.
const int32_t kMaxLagMs = 1001;

}  // namespace

TAnimTask::TAnimTask(TClock* clock) : mClock(clock), mReadyTime(0)
{
    mReadyTime = Now();
}

TAnimTask::~TAnimTask()
{
}

uint32_t TAnimTask::Now() const
{
    return mClock ? mClock->GetTime() : qfTimer();
}

bool TAnimTask::Ready(ETaskContext context)
{
    if (context == kContextDraw)
        return mDrawReady;
    if (IsPaused())
        return false;
    return int32_t(Now() - mReadyTime) >= 0;
}

unsigned TAnimTask::IdleQuietMs(unsigned limit)
{
    if (IsPaused() || (mClock && mClock->IsPaused()))
        return limit;
    const int32_t left = int32_t(mReadyTime - Now());
    if (left <= 0)
        return 0;
    return unsigned(left) < limit ? unsigned(left) : limit;
}

bool TAnimTask::DoTask()
{
    const uint32_t now = Now();
    if (IsPaused())
        mReadyTime = now;
    if (int32_t(now - mReadyTime) >= kMaxLagMs)
        mReadyTime = Now();  // a fresh reading: the time the lag was noticed may be long gone
    if (mFromNow)
    {
        mReadyTime = now + mPeriod;
        // A computed time must never look like the paused marker (the task would never run
        // again); one millisecond later is the same instant on the wrapped clock plus one.
        if (mReadyTime == kPaused)
            mReadyTime = 0;
        return Animate();
    }
    do
    {
        mReadyTime += mPeriod;
        if (mReadyTime == kPaused)
            mReadyTime = 0;
        if (!Animate())
            return false;
        // Without a period there is nothing to catch up: looping would never end.
    } while (mCatchUp && mPeriod != 0 && int32_t(now - mReadyTime) > 0);
    return true;
}

unsigned TAnimTask::SetDelay(unsigned delay, bool repeat, bool fromNow, bool catchUp)
{
    mFromNow = fromNow;
    mCatchUp = catchUp;
    if (!fromNow && !IsPaused())
        mReadyTime += delay;
    else
        mReadyTime = Now() + delay;
    // A computed time must never look like the paused marker.
    if (mReadyTime == kPaused)
        mReadyTime = 0;
    mPeriod = repeat ? delay : 0;
    return mPeriod;
}

void TAnimTask::SetClock(TClock* clock)
{
    if (IsPaused())
    {
        mClock = clock;
        return;
    }
    const uint32_t remaining = mReadyTime - Now();
    mClock = clock;
    mReadyTime = Now() + remaining;
    if (mReadyTime == kPaused)
        mReadyTime = 0;
}

void TAnimTask::Pause()
{
    mReadyTime = kPaused;
    mDrawReady = false;
}
