// Timer, EggTimer and EmitTimer: frame timing and countdowns.
#include "wgui_timer.h"

#include <algorithm>
#include <cstdint>

#include "app/platform.h"
#include "foundation/singletons.h"
#include "wgui_helpers.h"

namespace WGUI
{

Timer* Timer::sInstance = nullptr;

Timer* Timer::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Timer");
        sInstance = new Timer();
    }
    return sInstance;
}

Timer* Timer::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Timer");
    return createInstance();
}

void Timer::deleteInstance()
{
    qfNoteLifetime("delete", "Timer");
    delete sInstance;
    sInstance = nullptr;
}

Timer::Timer() : lastTime(TPlatform::Timer())
{
}

namespace
{

bool within(double v, double lo, double hi)
{
    return v >= lo && v <= hi;
}

}  // namespace

void Timer::update()
{
    unsigned int now = TPlatform::Timer();
    prevDelta = delta;
    // The clock is an unsigned millisecond count: the difference survives its wrap-around.
    // Dividing (rather than multiplying by 0.001) keeps whole milliseconds equal to the
    // decimal bounds below.
    double d = static_cast<double>(static_cast<uint32_t>(now - lastTime)) / 1000.0;
    boundDouble(d, 0.001, 0.05);
    rawDelta = d;
    delta = d * scale;
    lastTime = now;

    // A display alternating between one and two refresh periods.
    bool flip = (within(prevDelta, 0.015, 0.018) && within(delta, 0.024, 0.049)) ||
                (within(prevDelta, 0.024, 0.049) && within(delta, 0.015, 0.018));
    if (flips[flipHead])
        --flipCount;
    flips[flipHead] = flip;
    if (flip)
        ++flipCount;
    flipHead = (flipHead + 1) % kFlipWindow;

    if (rawDelta > 0)
    {
        rateTime += rawDelta;
        rateCount += 1;
        rateSum += 1.0 / rawDelta;
    }
    if (rateTime > 2.0)
    {
        frameRate = rateSum / rateCount;
        rateTime = 0;
        rateSum = 0;
        rateCount = 0;
    }
}

EggTimer::~EggTimer()
{
    stopTimer();
}

void EggTimer::startTimer()
{
    EggTimers::instance()->addTimer(this);
    running = true;
}

void EggTimer::stopTimer()
{
    if (running)
    {
        // A list deleted already (at the manager's shut-down) holds no timer: none is made again
        // just to take this one out.
        if (EggTimers::hasInstance())
            EggTimers::instance()->removeTimer(this);
        running = false;
    }
}

bool EggTimer::update(double dt)
{
    elapsed += dt;
    if (elapsed >= length)
    {
        onComplete();
        return true;
    }
    return false;
}

EggTimers* EggTimers::sInstance = nullptr;

EggTimers* EggTimers::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "EggTimers");
        sInstance = new EggTimers();
    }
    return sInstance;
}

EggTimers* EggTimers::instance()
{
    if (!sInstance)
        qfSingletonNotMade("EggTimers");
    return createInstance();
}

void EggTimers::deleteInstance()
{
    qfNoteLifetime("delete", "EggTimers");
    delete sInstance;
    sInstance = nullptr;
}

void EggTimers::addTimer(EggTimer* timer)
{
    // Listed once: a second start must not tick the timer twice per frame.
    if (timer && !contains(timer))
        timers.push_back(timer);
}

void EggTimers::removeTimer(EggTimer* timer)
{
    timers.remove(timer);
}

bool EggTimers::contains(const EggTimer* timer) const
{
    return std::find(timers.begin(), timers.end(), timer) != timers.end();
}

void EggTimers::update()
{
    double dt = Timer::instance()->getDeltaT();
    // onComplete may start, stop or delete timers (itself included): walk a copy and tick only
    // timers that are still listed.
    std::list<EggTimer*> walk = timers;
    for (EggTimer* timer : walk)
    {
        if (!contains(timer))
            continue;
        if (timer->update(dt))
        {
            // Taken out unless onComplete restarted it; its running flag stays set.
            if (contains(timer) && timer->getElapsed() >= timer->getTimerLength())
                removeTimer(timer);
        }
    }
}

EmitTimer::EmitTimer(double rate) : rate(rate)
{
}

void EmitTimer::randomizeNextEmitTime()
{
    // Callers give a positive rate; any other rate emits nothing (see update).
    accumulator = rate > 0 ? randomDouble(0, 1.0 / rate) : 0;
}

int EmitTimer::update()
{
    return update(Timer::instance()->getDeltaT());
}

int EmitTimer::update(double dt)
{
    if (!(rate > 0))
        return 0;  // no rate, no events (and no division by zero)
    if (randomize)
        dt *= randomDouble(0.2, 1.8);
    accumulator += dt;
    int n = static_cast<int>(accumulator * rate);
    accumulator -= n / rate;
    return n;
}

}  // namespace WGUI
