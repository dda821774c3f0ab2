// The framework millisecond timer and the pausable stopwatch built on it.
#pragma once

#include <cstdint>
#include <functional>

// The framework timer: milliseconds modulo 2^32 from a monotonic source. Every user compares
// times with unsigned wrap-around arithmetic, so the wrap after 49.7 days is harmless.
// By default it counts from the first call on the process's monotonic clock; the platform
// layer installs its own source, and tests install a fake one. Passing an empty function
// restores the default. Install sources before starting other threads.
using TTimeSource = std::function<uint32_t()>;
void qfSetTimeSource(TTimeSource source);
uint32_t qfTimer();

// A stopwatch in timer milliseconds that can be paused and resumed. It starts paused and
// unstarted, reading 0.
class TClock
{
public:
    TClock() = default;
    virtual ~TClock() = default;

    // The frozen value while paused; otherwise the running time minus the time spent paused.
    uint32_t GetTime() const;
    // Starts the clock the first time, resumes it later; nothing unless paused.
    void Start();
    // Freezes the clock; returns true (and changes nothing) when it was already paused.
    bool Pause();
    // Back to 0 and paused; a following Start resumes from 0.
    void Reset();

    bool IsPaused() const { return mPaused; }
    bool IsStarted() const { return mStarted; }

private:
    bool mPaused = true;
    bool mStarted = false;
    uint32_t mStart = 0;
    uint32_t mPausedAt = 0;
    uint32_t mPausedTotal = 0;
};
