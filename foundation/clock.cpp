// The framework's millisecond timer and the pausable TClock.
#include "foundation/clock.h"

#include <chrono>

namespace
{
uint32_t MonotonicMs()
{
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    auto ms = duration_cast<milliseconds>(steady_clock::now() - origin).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

TTimeSource& Source()
{
    static TTimeSource source;
    return source;
}
}  // namespace

void qfSetTimeSource(TTimeSource source)
{
    Source() = std::move(source);
}

uint32_t qfTimer()
{
    const TTimeSource& source = Source();
    return source ? source() : MonotonicMs();
}

uint32_t TClock::GetTime() const
{
    if (mPaused)
        return mPausedAt;
    return qfTimer() - mStart - mPausedTotal;
}

void TClock::Start()
{
    if (!mPaused)
        return;
    if (!mStarted)
    {
        mStarted = true;
        mStart = qfTimer();
        mPausedAt = 0;
        mPausedTotal = 0;
    }
    else
    {
        // The running value now, minus the value frozen at the pause, is the pause's length.
        mPausedTotal += (qfTimer() - mStart - mPausedTotal) - mPausedAt;
    }
    mPaused = false;
}

bool TClock::Pause()
{
    if (mPaused)
        return true;
    mPausedAt = GetTime();
    mPaused = true;
    return false;
}

void TClock::Reset()
{
    mStart = qfTimer();
    mPausedAt = 0;
    mPausedTotal = 0;
    mPaused = true;
}
