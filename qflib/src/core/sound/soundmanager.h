// The sound hub: OpenAL device and context, master and per-type volumes, the registry of
// playing streams, delayed stops, and the sound thread that keeps every stream's queue filled.
//
// The platform facade creates one manager, calls Init, and calls HandleNotifications from its
// event pump whenever the event queue is empty (the main thread's notification pass).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/clock.h"
#include "foundation/thread.h"
#include "sound/soundmutex.h"
#include "sound/soundstream.h"

class TSoundManager;

class SoundThread : public TThread
{
public:
    explicit SoundThread(TSoundManager* manager);
    ~SoundThread() override;

protected:
    // One pass, then a wait until the next refill is due or the thread is woken, until quit.
    void Task(std::atomic<bool>* quit) override;
    void WakeForStop() override;

private:
    TSoundManager* mManager;
};

class TSoundManagerData
{
public:
    TSoundManagerData();   // opens OpenAL through the device opener
    ~TSoundManagerData();  // releases every stream, destroys the context, closes the device

    std::vector<std::shared_ptr<TSoundStream>> mStreams;  // the registry
    float mMasterVolume;
    std::map<int, float> mTypeVolumes;
    std::vector<std::shared_ptr<TSoundStream>> mDelayedStops;
    SoundThread* mThread;  // owned
};

class TSoundManager
{
public:
    TSoundManager();
    virtual ~TSoundManager();
    TSoundManager(const TSoundManager&) = delete;
    TSoundManager& operator=(const TSoundManager&) = delete;

    // Starts the sound thread (unless startThread is false: then the owner drives
    // InternalHandleNotifications itself). True; a second call does nothing.
    bool Init(bool startThread = true);

    // Master volume x the type's volume (the master alone for a type without a volume; -1 reads
    // the master volume). The setters do not clamp; the stream gains are clamped to 0..1.
    float GetVolume(int type);
    void SetVolume(float volume);
    void SetTypeVolume(int type, float volume);
    void UpdateAllVolumes();
    void SetStreamVolume(std::shared_ptr<TSoundStream> stream);

    void RegisterStream(TSoundStream* stream);
    void StopStream(std::shared_ptr<TSoundStream> stream);
    void StopStreamDelayed(std::shared_ptr<TSoundStream> stream);  // caller holds the lock

    // Pauses every stream while the application is inactive and resumes them afterwards.
    void AppActivate(bool active);

    // The sound thread's pass: refills every stream and reports ended ones.
    void InternalHandleNotifications(bool unused);
    // The main thread's pass: destroys delayed-stopped streams and reports chain steps.
    void HandleNotifications();

    // The sound thread sleeps between passes until a playing stream's oldest queued buffer will
    // have played (it then needs a refill, or the stream has ended), at least kShortestPassWait
    // and at most the longest wait. Anything that gives a stream work the thread cannot foresee
    // (a stream starts or resumes, a sound is chained to it) wakes it at once.
    static const std::chrono::microseconds kShortestPassWait;
    static const std::chrono::microseconds kLongestPassWait;
    // The time from now until the next pass is due, by the state of every registered stream.
    std::chrono::microseconds GetTimeUntilNextPass();
    // Makes the sound thread start a pass now (it may be in one: then it makes one more).
    void WakeSoundThread();
    // The sound thread's wait: returns when the next pass is due, after WakeSoundThread, or once
    // *quit is set and the thread was woken. Clears the pending wake.
    void WaitForNextPass(std::atomic<bool>* quit);
    // Caps the sound thread's wait (tests set a long one to show that wakes are not missed);
    // zero or negative restores kLongestPassWait.
    void SetLongestPassWait(std::chrono::microseconds wait);

    bool IsInitialised() const { return mInitialised.load(); }
    bool IsShuttingDown() const { return mShuttingDown.load(); }
    bool IsAppActive() const { return mAppActive.load(); }

    // Counts for diagnostics and tests.
    size_t GetStreamCount();
    size_t GetDelayedStopCount();
    // Waits until the registry holds exactly `count` streams (every change to it is told), or
    // until the guard runs out; whether the count was reached.
    bool WaitForStreamCount(size_t count, std::chrono::milliseconds guard);
    // The passes made so far (InternalHandleNotifications, by the sound thread or its owner). A
    // pass holds the sound lock throughout: read under that lock, the next pass to end begins
    // after the lock is let go.
    uint64_t GetPassCount();
    // Waits until `count` passes have been made (every pass is told), or until the guard runs
    // out; whether they were.
    bool WaitForPassCount(uint64_t count, std::chrono::milliseconds guard);

    // The manager the sound code plays through: the one most recently constructed and still
    // alive, or null.
    static TSoundManager* GetInstance();

    // Opens the OpenAL device and makes a context current (the default opens the default
    // device). Tests install one that opens a loopback device. Set before constructing.
    typedef void (*TDeviceOpener)();
    static void SetDeviceOpener(TDeviceOpener opener);
    static void OpenDefaultDevice();

private:
    void StreamsChanged();  // called under the sound lock after each change to the registry
    void PassMade();        // called under the sound lock at the end of each pass

    TSoundManagerData* mData;
    // What the test waiters are told: the registry's size and the passes made.
    std::mutex mCountMutex;
    std::condition_variable mCountChanged;
    size_t mCountTold = 0;  // the registry's size as last told
    uint64_t mPassesTold = 0;
    TClock mClock;
    std::atomic<bool> mInitialised;
    std::atomic<bool> mShuttingDown;
    std::atomic<bool> mAppActive;

    // The sound thread's wake-up: a pending flag under its own mutex. That mutex is innermost:
    // nothing takes the manager mutex while holding it.
    std::mutex mWakeMutex;
    std::condition_variable mWakeCondition;
    bool mWakePending = false;
    std::atomic<int64_t> mLongestWaitUs;
};
