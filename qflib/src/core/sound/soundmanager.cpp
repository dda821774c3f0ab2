// TSoundManager: the OpenAL device, volumes, the registry of playing sounds and the sound thread.
#include "sound/soundmanager.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/efx.h>

#include "sound/soundinstance.h"

TMutex SoundManagerMutex::mMutex;
TMutex TLockSoundMutex::mMutex;

namespace
{

std::atomic<TSoundManager*> sInstance{nullptr};
TSoundManager::TDeviceOpener sDeviceOpener = &TSoundManager::OpenDefaultDevice;

}  // namespace

// A stream whose buffer is due is polled this often until OpenAL's mixer has passed its end
// (the mixer works in periods of a few milliseconds). The longest wait is far below the
// length of one buffer (0.34 s at 48 kHz stereo), so even a wake that is never given cannot
// let a queue run dry.
const std::chrono::microseconds TSoundManager::kShortestPassWait(2000);
const std::chrono::microseconds TSoundManager::kLongestPassWait(50000);

// ---- SoundThread ----

SoundThread::SoundThread(TSoundManager* manager) : mManager(manager)
{
}

SoundThread::~SoundThread()
{
    Stop();  // Task uses mManager: stop before this part is gone
}

void SoundThread::Task(std::atomic<bool>* quit)
{
    while (!quit->load())
    {
        mManager->InternalHandleNotifications(true);
        mManager->WaitForNextPass(quit);
    }
}

void SoundThread::WakeForStop()
{
    mManager->WakeSoundThread();
}

// ---- TSoundManagerData ----

TSoundManagerData::TSoundManagerData() : mMasterVolume(1.0f), mThread(nullptr)
{
    sDeviceOpener();
    alGetError();  // clear anything left pending by the set-up
}

TSoundManagerData::~TSoundManagerData()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    // Release the streams outside the containers: their destructors report to callbacks that
    // may call back into the manager.
    std::vector<std::shared_ptr<TSoundStream>> streams;
    streams.swap(mStreams);
    std::vector<std::shared_ptr<TSoundStream>> delayed;
    delayed.swap(mDelayedStops);
    streams.clear();
    delayed.clear();
    mStreams.clear();
    mDelayedStops.clear();

    ALCcontext* context = alcGetCurrentContext();
    if (context)
    {
        ALCdevice* device = alcGetContextsDevice(context);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        if (device)
            alcCloseDevice(device);
    }
}

// ---- TSoundManager ----

void TSoundManager::OpenDefaultDevice()
{
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device)
        return;
    // Effect sends are never used: asking for none keeps OpenAL from reserving send state for
    // each of its 256 voices (about 0.75 MB). Every other setting keeps its default.
    const ALCint attributes[] = {ALC_MAX_AUXILIARY_SENDS, 0, 0};
    ALCcontext* context = alcCreateContext(device, attributes);
    if (context)
        alcMakeContextCurrent(context);
}

void TSoundManager::SetDeviceOpener(TDeviceOpener opener)
{
    sDeviceOpener = opener ? opener : &TSoundManager::OpenDefaultDevice;
}

TSoundManager* TSoundManager::GetInstance()
{
    return sInstance.load();
}

TSoundManager::TSoundManager()
    : mData(nullptr), mInitialised(false), mShuttingDown(false), mAppActive(true),
      mLongestWaitUs(kLongestPassWait.count())
{
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        mData = new TSoundManagerData;
    }
    sInstance.store(this);
}

TSoundManager::~TSoundManager()
{
    if (mData->mThread)
    {
        mData->mThread->Stop();
        delete mData->mThread;
        mData->mThread = nullptr;
    }
    mShuttingDown.store(true);
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        delete mData;
        mData = nullptr;
        mInitialised.store(false);
    }
    TSoundManager* self = this;
    sInstance.compare_exchange_strong(self, nullptr);
}

bool TSoundManager::Init(bool startThread)
{
    if (mInitialised.load())
        return true;
    mClock.Reset();
    mClock.Start();
    mInitialised.store(true);
    if (startThread)
    {
        SoundThread* thread = new SoundThread(this);
        {
            TSoundLock lock(SoundManagerMutex::mMutex);
            mData->mThread = thread;
        }
        thread->StartTask();
    }
    return true;
}

float TSoundManager::GetVolume(int type)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return 1.0f;
    auto it = mData->mTypeVolumes.find(type);
    if (it == mData->mTypeVolumes.end())
        return mData->mMasterVolume;
    return mData->mMasterVolume * it->second;
}

void TSoundManager::SetVolume(float volume)
{
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        if (!mData)
            return;
        mData->mMasterVolume = volume;
    }
    UpdateAllVolumes();
}

void TSoundManager::SetTypeVolume(int type, float volume)
{
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        if (!mData)
            return;
        mData->mTypeVolumes[type] = volume;
    }
    UpdateAllVolumes();
}

void TSoundManager::UpdateAllVolumes()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return;
    for (size_t i = 0; i < mData->mStreams.size(); ++i)
    {
        std::shared_ptr<TSoundStream> stream = mData->mStreams[i];
        SetStreamVolume(stream);
    }
}

void TSoundManager::SetStreamVolume(std::shared_ptr<TSoundStream> stream)
{
    if (!stream)
        return;
    TSoundLock lock(SoundManagerMutex::mMutex);
    const float v = GetVolume(stream->GetType());
    // Two gain writes, the first 0.05 off towards the middle, so the new gain is always a change.
    stream->SetVolume(v < 0.5f ? v + 0.05f : v - 0.05f);
    stream->SetVolume(v);
}

void TSoundManager::RegisterStream(TSoundStream* stream)
{
    if (!stream)
        return;
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::shared_ptr<TSoundStream> shared = stream->weak_from_this().lock();
    if (shared && mData)
    {
        mData->mStreams.push_back(shared);
        // Two listeners: the count's waiters hear every change to the registry, the sound thread
        // only work it cannot foresee (a removal needs no pass; most happen in one).
        StreamsChanged();
        WakeSoundThread();
    }
}

void TSoundManager::StopStream(std::shared_ptr<TSoundStream> stream)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return;
    // The caller's reference keeps the stream alive until the containers are consistent again.
    auto it = std::find(mData->mStreams.begin(), mData->mStreams.end(), stream);
    if (it != mData->mStreams.end())
    {
        mData->mStreams.erase(it);
        StreamsChanged();
    }
    it = std::find(mData->mDelayedStops.begin(), mData->mDelayedStops.end(), stream);
    if (it != mData->mDelayedStops.end())
        mData->mDelayedStops.erase(it);
}

void TSoundManager::StopStreamDelayed(std::shared_ptr<TSoundStream> stream)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return;
    auto it = std::find(mData->mStreams.begin(), mData->mStreams.end(), stream);
    if (it == mData->mStreams.end())
        return;
    mData->mDelayedStops.push_back(stream);
    mData->mStreams.erase(it);
    StreamsChanged();
}

void TSoundManager::AppActivate(bool active)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (mAppActive.load() == active || !mData)
        return;
    mAppActive.store(active);
    std::vector<std::shared_ptr<TSoundStream>> streams = mData->mStreams;
    for (const std::shared_ptr<TSoundStream>& stream : streams)
        stream->SystemPause(!active);
    if (active)
        UpdateAllVolumes();
}

void TSoundManager::InternalHandleNotifications(bool)
{
    if (!mInitialised.load())
        return;
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return;
    // By index, with the size read again at every step: callbacks may change the registry.
    for (size_t i = 0; i < mData->mStreams.size(); ++i)
    {
        std::shared_ptr<TSoundStream> stream = mData->mStreams[i];
        stream->Stream(false);
        if (!stream->StreamComplete() || stream->GetLoop())
            continue;
        if (!stream->NoticeGiven())
        {
            stream->SetNoticeGiven();
            if (std::shared_ptr<TStreamNotify> notify = stream->GetNotify().lock())
                notify->StreamFinished(stream.get());
            stream->ClearNotify();
        }
        // Nobody can stop a finished stream whose instance is gone: release it (on the main
        // thread, through the delayed list), or its OpenAL source would stay taken for good.
        if (stream->GetInstance().expired() && i < mData->mStreams.size() && mData->mStreams[i] == stream)
        {
            StopStreamDelayed(stream);
            --i;
        }
    }
    PassMade();
}

void TSoundManager::HandleNotifications()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mData)
        return;
    std::vector<std::shared_ptr<TSoundStream>> delayed;
    delayed.swap(mData->mDelayedStops);
    delayed.clear();  // the streams die here, on the main thread, unless someone else holds them

    for (size_t i = 0; i < mData->mStreams.size(); ++i)
    {
        std::shared_ptr<TSoundStream> stream = mData->mStreams[i];
        stream->ReportChainStep();
    }
}

std::chrono::microseconds TSoundManager::GetTimeUntilNextPass()
{
    const std::chrono::microseconds longest(mLongestWaitUs.load());
    if (!mInitialised.load())
        return longest;
    double seconds = std::chrono::duration<double>(longest).count();
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        if (!mData)
            return longest;
        for (const std::shared_ptr<TSoundStream>& stream : mData->mStreams)
        {
            const double due = stream->GetData()->SecondsUntilRefill();
            if (due >= 0.0 && due < seconds)
                seconds = due;
        }
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::duration<double>(seconds));
    return std::max(kShortestPassWait, std::min(wait, longest));
}

void TSoundManager::WakeSoundThread()
{
    {
        std::lock_guard<std::mutex> lock(mWakeMutex);
        mWakePending = true;
    }
    mWakeCondition.notify_one();
}

void TSoundManager::WaitForNextPass(std::atomic<bool>* quit)
{
    const auto deadline = std::chrono::steady_clock::now() + GetTimeUntilNextPass();
    std::unique_lock<std::mutex> lock(mWakeMutex);
    mWakeCondition.wait_until(lock, deadline, [&] { return mWakePending || quit->load(); });
    mWakePending = false;
}

void TSoundManager::SetLongestPassWait(std::chrono::microseconds wait)
{
    mLongestWaitUs.store(wait.count() > 0 ? wait.count() : kLongestPassWait.count());
}

size_t TSoundManager::GetStreamCount()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    return mData ? mData->mStreams.size() : 0;
}

void TSoundManager::StreamsChanged()
{
    {
        std::lock_guard<std::mutex> lock(mCountMutex);
        mCountTold = mData ? mData->mStreams.size() : 0;
    }
    mCountChanged.notify_all();
}

bool TSoundManager::WaitForStreamCount(size_t count, std::chrono::milliseconds guard)
{
    std::unique_lock<std::mutex> lock(mCountMutex);
    return mCountChanged.wait_for(lock, guard, [&] { return mCountTold == count; });
}

void TSoundManager::PassMade()
{
    {
        std::lock_guard<std::mutex> lock(mCountMutex);
        ++mPassesTold;
    }
    mCountChanged.notify_all();
}

uint64_t TSoundManager::GetPassCount()
{
    std::lock_guard<std::mutex> lock(mCountMutex);
    return mPassesTold;
}

bool TSoundManager::WaitForPassCount(uint64_t count, std::chrono::milliseconds guard)
{
    std::unique_lock<std::mutex> lock(mCountMutex);
    return mCountChanged.wait_for(lock, guard, [&] { return mPassesTold >= count; });
}

size_t TSoundManager::GetDelayedStopCount()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    return mData ? mData->mDelayedStops.size() : 0;
}
