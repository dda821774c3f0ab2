// The sound manager: volume table, one thread however often Init is called, delayed stops,
// application activation, and completion reported by the sound thread.
#include <dirent.h>

#include <chrono>

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/efx.h>

#include "soundtestutil.h"

using namespace soundtest;

namespace
{

int ThreadCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task"))
    {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        closedir(dir);
    }
    return count;
}

class ManagerTest : public SoundTest
{
};

ALint SourceState(const std::shared_ptr<TSoundInstance>& instance)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    ALint state = 0;
    if (instance->mStream)
        alGetSourcei(instance->mStream->GetData()->GetSourceName(), AL_SOURCE_STATE, &state);
    return state;
}

}  // namespace

TEST_F(ManagerTest, VolumeTable)
{
    MakeLoopbackManager();
    EXPECT_FLOAT_EQ(mManager->GetVolume(5), 1.0f);
    EXPECT_FLOAT_EQ(mManager->GetVolume(-1), 1.0f);
    mManager->SetTypeVolume(5, 0.5f);
    mManager->SetVolume(0.8f);
    EXPECT_FLOAT_EQ(mManager->GetVolume(5), 0.4f);
    EXPECT_FLOAT_EQ(mManager->GetVolume(6), 0.8f);
    EXPECT_FLOAT_EQ(mManager->GetVolume(-1), 0.8f);
    mManager->SetTypeVolume(5, 1.5f);  // stored as given
    EXPECT_FLOAT_EQ(mManager->GetVolume(5), 1.2f);
}

TEST_F(ManagerTest, InitTwiceStartsOneThread)
{
    TSoundManager::SetDeviceOpener(&OpenLoopbackDevice);
    mManager.reset(new TSoundManager);
    const int afterOpen = ThreadCount();
    EXPECT_TRUE(mManager->Init());
    EXPECT_TRUE(mManager->Init());
    EXPECT_TRUE(mManager->IsInitialised());
    EXPECT_EQ(ThreadCount(), afterOpen + 1);
    mManager.reset();  // stops and joins it
}

TEST_F(ManagerTest, AppActivatePausesOnceAndResumesWithVolumes)
{
    MakeLoopbackManager();
    AddOgg("hum.ogg", qftest::MakeTone(220, 44100 * 3, 1, kRate));
    std::shared_ptr<TSound> sound = TSound::Get("hum.ogg", false, 3);
    std::shared_ptr<TSoundInstance> a = sound->Play(true);
    std::shared_ptr<TSoundInstance> b = sound->Play(true);
    EXPECT_EQ(SourceState(a), AL_PLAYING);

    mManager->AppActivate(false);
    mManager->AppActivate(false);
    EXPECT_EQ(SourceState(a), AL_PAUSED);
    EXPECT_EQ(SourceState(b), AL_PAUSED);
    EXPECT_LT(Peak(RenderWithPasses(2048)), 1e-6f);

    // A sound started while inactive is paused at once.
    std::shared_ptr<TSoundInstance> c = sound->Play(false);
    EXPECT_EQ(SourceState(c), AL_PAUSED);

    mManager->SetTypeVolume(3, 0.2f);
    mManager->AppActivate(true);
    for (auto& instance : {a, b, c})
    {
        EXPECT_EQ(SourceState(instance), AL_PLAYING);
        TSoundLock lock(SoundManagerMutex::mMutex);
        ALfloat gain = 0;
        alGetSourcef(instance->mStream->GetData()->GetSourceName(), AL_GAIN, &gain);
        EXPECT_FLOAT_EQ(gain, 0.2f);
    }
    EXPECT_GT(Peak(RenderWithPasses(4096)), 0.01f);
}

namespace
{

// A device opener that finds no device: no context is made current.
void OpenNoDevice()
{
}

}  // namespace

// Without an OpenAL device the manager still starts; every stream fails at buffer generation
// with the OpenAL error line and is never registered, and the sound gives an instance that plays
// nothing and can still be killed.
TEST_F(ManagerTest, WithoutADeviceStreamsFailAndNothingIsRegistered)
{
    AddOgg("tick.ogg", qftest::MakeTone(440, 2205, 1, kRate));
    TSoundManager::SetDeviceOpener(&OpenNoDevice);
    mManager.reset(new TSoundManager);
    EXPECT_TRUE(mManager->Init(false));
    std::shared_ptr<TSound> sound = TSound::Get("tick.ogg", true, 0);
    ASSERT_TRUE(sound);

    ::testing::internal::CaptureStderr();
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    Passes();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("An OpenAL error was raised : 0x"), std::string::npos) << errors;

    ASSERT_TRUE(instance);
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
    EXPECT_TRUE(sound->GetData()->mInstances.empty());
    instance->Kill();
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

// With the real sound thread on the null output: sounds held in memory and streamed from the
// file play to their end, each reported exactly once, and their streams are released.
TEST_F(ManagerTest, SoundThreadPlaysToTheEndAndReportsOnce)
{
    MakeThreadedManager();
    AddOgg("blip.ogg", qftest::MakeTone(880, 4410, 1, 44100));  // 0.1 s, decoded in memory
    AddOgg("tune.ogg", qftest::MakeTone(440, 8820, 2, 44100));  // 0.2 s, streamed
    std::shared_ptr<TSound> blip = TSound::Get("blip.ogg", true, 0);
    std::shared_ptr<TSound> tune = TSound::Get("tune.ogg", false, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> one, two;
    {
        TSoundLock lock(SoundManagerMutex::mMutex);  // attach before the thread can end them
        one = blip->Play(false);
        two = tune->Play(false);
        ASSERT_TRUE(one && two);
        one->SetCompleteAction(&callback, std::shared_ptr<TSound>());
        two->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    }
    EXPECT_TRUE(callback.WaitForCount(2));
    one.reset();
    two.reset();
    // Finished streams whose instances are gone leave through the delayed list.
    // The sound thread tells every change of its stream registry; the guard only turns a lost
    // stream into a failure.
    EXPECT_TRUE(mManager->WaitForStreamCount(0, std::chrono::seconds(20)));
    mManager->HandleNotifications();
    // Once both streams have left the sound thread, no completion can follow: each came once.
    EXPECT_EQ(callback.Count(), 2);
}

// The default device's context is made without effect sends (the game uses none), and the
// voices it mixes still number as many as the sources a context offers by default.
TEST_F(ManagerTest, TheDefaultContextHasNoEffectSendsAndTheDefaultSources)
{
    MakeThreadedManager();
    ALCcontext* context = alcGetCurrentContext();
    ASSERT_NE(context, nullptr);
    ALCdevice* device = alcGetContextsDevice(context);
    ALCint sends = -1, mono = 0, stereo = 0;
    alcGetIntegerv(device, ALC_MAX_AUXILIARY_SENDS, 1, &sends);
    alcGetIntegerv(device, ALC_MONO_SOURCES, 1, &mono);
    alcGetIntegerv(device, ALC_STEREO_SOURCES, 1, &stereo);
    EXPECT_EQ(sends, 0);
    EXPECT_EQ(mono + stereo, 256);
}

// Play, kill and complete from the main thread while the sound thread refills (also clean when
// the sound tests are built with -fsanitize=thread).
TEST_F(ManagerTest, PlayKillAndCompleteRaceFree)
{
    MakeThreadedManager();
    AddOgg("tick.ogg", qftest::MakeTone(1000, 441, 1, 44100));  // 10 ms
    AddOgg("drone.ogg", qftest::MakeTone(100, 44100, 1, 44100));
    std::shared_ptr<TSound> tick = TSound::Get("tick.ogg", true, 1);
    std::shared_ptr<TSound> drone = TSound::Get("drone.ogg", false, 2);
    RecordingCallBack callback;
    int expected = 0;
    for (int i = 0; i < 60; ++i)
    {
        // Half the drones are killed before the sound thread has seen them, half once it has
        // made a pass over them (queued and started them, perhaps ended the tick); the thread
        // keeps refilling the earlier ones meanwhile.
        const bool killAfterAPass = i % 4 >= 2;
        std::shared_ptr<TSoundInstance> t, d;
        uint64_t passes = 0;
        {
            // Play and attach under the lock, so the sound thread cannot end the short sound
            // before the callback is attached.
            TSoundLock lock(SoundManagerMutex::mMutex);
            t = tick->Play(false);
            t->SetCompleteAction(&callback, std::shared_ptr<TSound>());
            ++expected;
            d = drone->Play(i % 2 == 0);
            d->SetCompleteAction(&callback, std::shared_ptr<TSound>());
            ++expected;
            passes = mManager->GetPassCount();
            if (!killAfterAPass)
                d->Kill();
        }
        mManager->SetTypeVolume(2, (i % 10) / 10.0f);
        if (killAfterAPass)
        {
            // The next pass began after the lock was let go: it saw both streams.
            ASSERT_TRUE(mManager->WaitForPassCount(passes + 1, std::chrono::seconds(20))) << "round " << i;
            d->Kill();
        }
        mManager->HandleNotifications();
    }
    EXPECT_TRUE(callback.WaitForCount(expected));
    tick.reset();
    drone.reset();
    // The sound thread tells every change of its stream registry; the guard only turns a lost
    // stream into a failure.
    EXPECT_TRUE(mManager->WaitForStreamCount(0, std::chrono::seconds(20)));
    mManager->HandleNotifications();
    EXPECT_EQ(callback.Count(), expected);
}

TEST_F(ManagerTest, ShutdownWithPlayingSoundsCallsNoCallback)
{
    MakeThreadedManager();
    AddOgg("long.ogg", qftest::MakeTone(300, 44100 * 3, 1, 44100));
    std::shared_ptr<TSound> sound = TSound::Get("long.ogg", false, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = sound->Play(true);
    instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    mManager.reset();
    EXPECT_EQ(callback.Count(), 0);
    EXPECT_FALSE(instance->IsPlaying());
}

// ---- when the sound thread passes --------------------------------------------------------
// The loopback device is the clock here: rendering n frames is n frames of playing time.

namespace
{

double Ms(std::chrono::microseconds t)
{
    return t.count() / 1000.0;
}

ALint QueuedBuffers(const std::shared_ptr<TSoundInstance>& instance)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    ALint queued = -1;
    if (instance->mStream)
        alGetSourcei(instance->mStream->GetData()->GetSourceName(), AL_BUFFERS_QUEUED, &queued);
    return queued;
}

}  // namespace

// A buffer holds 32,768 mono frames: the next pass is due when the oldest one has played, and
// a pass at that moment finds it played and refills it.
TEST_F(ManagerTest, NextPassIsDueWhenTheOldestBufferHasPlayed)
{
    MakeLoopbackManager();
    mManager->SetLongestPassWait(std::chrono::hours(1));
    const int frames = TSoundStreamData::kBufferBytes / 2;
    AddOgg("long.ogg", qftest::MakeTone(300, 3 * frames, 1, kRate));
    std::shared_ptr<TSound> sound = TSound::Get("long.ogg", false, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    ASSERT_TRUE(instance);
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 1000.0 * frames / kRate, 0.1);

    Render(frames - kRate / 10);
    Passes();
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 100.0, 0.1);
    EXPECT_EQ(QueuedBuffers(instance), 2);

    Render(kRate / 10);
    Passes();
    // Refilled: two buffers queued again, the next one due after its whole length.
    EXPECT_EQ(QueuedBuffers(instance), 2);
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 1000.0 * frames / kRate, 0.1);
}

// The end of a short sound is reported by the first pass after its last frame has played.
TEST_F(ManagerTest, ShortSoundEndsAtTheDuePass)
{
    MakeLoopbackManager();
    mManager->SetLongestPassWait(std::chrono::hours(1));
    AddOgg("blip.ogg", qftest::MakeTone(880, 2205, 1, kRate));  // 50 ms
    std::shared_ptr<TSound> blip = TSound::Get("blip.ogg", true, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = blip->Play(false);
    ASSERT_TRUE(instance);
    instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 50.0, 0.1);

    Render(2205 - 441);
    Passes();
    EXPECT_EQ(callback.Count(), 0);
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 10.0, 0.1);
    // Near the end the wait never drops below the shortest one.
    Render(441 - 22);
    EXPECT_EQ(mManager->GetTimeUntilNextPass(), TSoundManager::kShortestPassWait);
    Render(22);
    Passes();
    EXPECT_EQ(callback.Count(), 1);
    EXPECT_EQ(mManager->GetTimeUntilNextPass(), std::chrono::microseconds(std::chrono::hours(1)));
}

// With nothing playing, or everything paused, the thread waits as long as it may; the
// longest wait is bounded well below a buffer's playing time.
TEST_F(ManagerTest, NothingToRefillWaitsTheLongestWait)
{
    MakeLoopbackManager();
    EXPECT_EQ(mManager->GetTimeUntilNextPass(), TSoundManager::kLongestPassWait);
    EXPECT_LT(Ms(TSoundManager::kLongestPassWait), 1000.0 * (TSoundStreamData::kBufferBytes / 4) / 48000);

    AddOgg("tune.ogg", qftest::MakeTone(440, kRate, 2, kRate));
    std::shared_ptr<TSound> tune = TSound::Get("tune.ogg", false, 0);
    std::shared_ptr<TSoundInstance> instance = tune->Play(false);
    ASSERT_TRUE(instance);
    Render(TSoundStreamData::kBufferBytes / 4 - kRate / 100);  // 10 ms before the first refill
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 10.0, 0.1);
    mManager->AppActivate(false);
    EXPECT_EQ(mManager->GetTimeUntilNextPass(), TSoundManager::kLongestPassWait);
    mManager->AppActivate(true);
    EXPECT_NEAR(Ms(mManager->GetTimeUntilNextPass()), 10.0, 0.1);
    instance->Kill();
    EXPECT_EQ(mManager->GetTimeUntilNextPass(), TSoundManager::kLongestPassWait);
}

// The real thread, allowed to sleep for an hour when idle: starting a sound wakes it (the
// sound is refilled and reported), and shutting down wakes it too (the test would hang).
TEST_F(ManagerTest, StartingASoundWakesTheSleepingThread)
{
    MakeThreadedManager();
    mManager->SetLongestPassWait(std::chrono::hours(1));
    AddOgg("tune.ogg", qftest::MakeTone(440, 3 * 16384, 2, kRate));  // three buffers' worth
    std::shared_ptr<TSound> tune = TSound::Get("tune.ogg", false, 0);
    RecordingCallBack callback;
    for (int round = 0; round < 2; ++round)
    {
        std::shared_ptr<TSoundInstance> instance;
        {
            TSoundLock lock(SoundManagerMutex::mMutex);
            instance = tune->Play(false);
            ASSERT_TRUE(instance);
            instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
        }
        EXPECT_TRUE(callback.WaitForCount(round + 1));
    }
    mManager.reset();
    EXPECT_EQ(callback.Count(), 2);
}
