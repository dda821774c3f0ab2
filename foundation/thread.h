// A recursive mutex and a worker thread with a cooperative stop flag.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "foundation/str.h"

// Recursive: the holding thread may lock again and must unlock as often. Satisfies
// BasicLockable, so std::lock_guard<TMutex> works.
class TMutex
{
public:
    TMutex();
    virtual ~TMutex();
    TMutex(const TMutex&) = delete;
    TMutex& operator=(const TMutex&) = delete;

    // Blocks until held; the timeout is not used. Returns true.
    bool Lock(int timeout = 0);
    void Unlock();
    void lock() { Lock(); }
    void unlock() { Unlock(); }

    // "ZestKitMutex.%08x"; only identifies the mutex.
    const str& Name() const { return mName; }

private:
    std::recursive_mutex mMutex;
    str mName;
};

// Subclasses implement Task, which loops until *quit becomes true. The quit flag is shared
// with the running thread (which holds its own reference while Task runs).
//
// A subclass whose Task uses its own members must call Stop() in its destructor: by the time
// ~TThread runs, the derived part is already gone.
class TThread
{
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the thread, which calls Task once. False when it is already running or could not
    // be started.
    bool StartTask();
    // Sets the quit flag and waits for Task to return, when a thread was started; then clears
    // the flag so the thread may be started again. Safe to call repeatedly.
    void Stop();
    bool IsRunning() const { return mThread.joinable(); }

protected:
    virtual void Task(std::atomic<bool>* quit) = 0;
    // Called by Stop right after the quit flag is set, before waiting for Task to return: a Task
    // that sleeps on a condition wakes itself here. The default does nothing. (From ~TThread it
    // is the default that runs: a subclass that needs it stops in its own destructor.)
    virtual void WakeForStop() {}

private:
    std::shared_ptr<std::atomic<bool>> mQuit;
    std::thread mThread;
};
