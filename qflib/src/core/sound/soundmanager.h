// The sound hub: OpenAL device and context, master and per-type volumes, the registry of
// playing streams, delayed stops, and the sound thread that keeps every stream's queue filled.
//
// The platform facade creates one manager, calls Init, and calls HandleNotifications from its
// event pump whenever the event queue is empty (the main thread's notification pass).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
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
    void Task(std::atomic<bool>* quit) override;

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

    bool IsInitialised() const { return mInitialised.load(); }
    bool IsShuttingDown() const { return mShuttingDown.load(); }
    bool IsAppActive() const { return mAppActive.load(); }
    TClock& GetClock() { return mClock; }

    // Counts for diagnostics and tests.
    size_t GetStreamCount();
    size_t GetDelayedStopCount();
    // Waits until the registry holds exactly `count` streams (every change to it is told), or
    // until the guard runs out; whether the count was reached.
    bool WaitForStreamCount(size_t count, std::chrono::milliseconds guard);

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

    TSoundManagerData* mData;
    std::mutex mCountMutex;
    std::condition_variable mCountChanged;
    size_t mCountTold = 0;  // the registry's size as last told
    TClock mClock;
    std::atomic<bool> mInitialised;
    std::atomic<bool> mShuttingDown;
    std::atomic<bool> mAppActive;
};
