// Frame timing and countdowns. Timer measures each frame (clamped to [0.001, 0.05] s) and
// detects a display alternating between one and two refresh periods; EggTimer is a one-shot
// countdown ticked by EggTimers; EmitTimer turns a rate into whole events per frame.
#pragma once

#include <list>

namespace WGUI
{

class Timer
{
public:
    static const int kFlipWindow = 120;
    static const int kFlipThreshold = 8;

    static Timer* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Timer* createInstance();
    static void deleteInstance();

    void update();
    double getDeltaT() const { return delta; }
    double getRawDeltaT() const { return rawDelta; }
    double getFrameRate() const { return frameRate; }
    bool shouldSwitchToLowFrameRate() const { return flipCount >= kFlipThreshold; }
    int getFlipCount() const { return flipCount; }

private:
    Timer();

    double rawDelta = 0;
    double delta = 0;
    double prevDelta = 0;
    double scale = 1.0;
    unsigned int lastTime = 0;
    double frameRate = 0;
    double rateTime = 0;
    double rateSum = 0;
    int rateCount = 0;
    bool flips[kFlipWindow] = {};
    int flipHead = 0;  // oldest entry of the ring
    int flipCount = 0;

    static Timer* sInstance;
};

class EggTimer
{
public:
    EggTimer() = default;
    virtual ~EggTimer();
    EggTimer(const EggTimer&) = delete;
    EggTimer& operator=(const EggTimer&) = delete;

    virtual void onComplete() = 0;

    void setTimerLength(double seconds)
    {
        length = seconds;
        elapsed = 0;
    }
    double getTimerLength() const { return length; }
    double getElapsed() const { return elapsed; }
    void resetTimer() { elapsed = 0; }
    void startTimer();
    void stopTimer();
    bool isRunning() const { return running; }
    // Adds dt; true (after onComplete) once the length is reached.
    bool update(double dt);

private:
    double length = 1.0;
    double elapsed = 0;
    bool running = false;
};

class EggTimers
{
public:
    static EggTimers* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static EggTimers* createInstance();
    static void deleteInstance();
    static bool hasInstance() { return sInstance != nullptr; }

    // A timer is listed at most once.
    void addTimer(EggTimer* timer);
    void removeTimer(EggTimer* timer);
    bool contains(const EggTimer* timer) const;
    // Ticks every listed timer by the frame's delta; completed ones leave the list.
    void update();

private:
    EggTimers() = default;
    std::list<EggTimer*> timers;
    static EggTimers* sInstance;
};

class EmitTimer
{
public:
    // rate: events per second; a rate that is not positive emits nothing.
    explicit EmitTimer(double rate);
    void setRandomize(bool r) { randomize = r; }
    void randomizeNextEmitTime();
    // Events due this frame (the frame timer's delta); the remainder carries over.
    int update();
    // Events due after dt seconds.
    int update(double dt);

private:
    double rate;
    double accumulator = 0;
    bool randomize = false;
};

}  // namespace WGUI
