// TSoundStream and TStreamSpooler: queued OpenAL buffers filled from a data source.
#include "sound/soundstream.h"

#include <cstdio>
#include <cstring>

#include <AL/al.h>

#include "foundation/debug.h"
#include "sound/sound.h"
#include "sound/soundinstance.h"
#include "sound/soundmanager.h"
#include "sound/soundmutex.h"

TSoundStreamData::TGainObserver TSoundStreamData::sGainObserver = nullptr;

namespace
{

// Every refill of every stream copies its PCM through this one block, under the manager lock.
alignas(16) unsigned char sOpenALBuffer[TSoundStreamData::kBufferBytes];

// Reports a pending OpenAL error; true when there was one.
bool CheckALError()
{
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR)
        return false;
    std::fprintf(stderr, "An OpenAL error was raised : 0x%08x\n", static_cast<unsigned int>(error));
    return true;
}

}  // namespace

// ---- TStreamSpooler ----

TStreamSpooler::TStreamSpooler(std::shared_ptr<TSoundDataSource> source)
    : mSource(std::move(source)), mPosition(0)
{
    if (mSource)
        mSource->AddReader();
}

TStreamSpooler::~TStreamSpooler()
{
    if (mSource)
        mSource->RemoveReader();
}

bool TStreamSpooler::StreamToBuffer(int length, void* buffer, unsigned int* got, bool loop)
{
    if (length > 0)
        std::memset(buffer, 0, static_cast<size_t>(length));
    *got = 0;
    if (!mSource || length <= 0)
        return true;

    const int64_t raw = mSource->GetRawLength();
    const bool rawFits = raw >= 0 && raw <= 0xFFFFFFFFll;
    unsigned int want = static_cast<unsigned int>(length);
    unsigned int gotSinceWrap = 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    for (;;)
    {
        bool atEnd = false;
        unsigned int count = want;
        if (rawFits && static_cast<int64_t>(mPosition) + want > raw)
        {
            // A position at or past the end reads nothing.
            count = static_cast<int64_t>(mPosition) < raw ? static_cast<unsigned int>(raw - mPosition) : 0;
            atEnd = true;
        }
        unsigned int read = 0;
        if (count > 0)
        {
            read = mSource->Read(out + *got, mPosition, count);
            if (read > count)
                read = count;
        }
        if (read < count)
            atEnd = true;
        mPosition += read;
        *got += read;
        want -= read;
        gotSinceWrap += read;

        if (atEnd)
        {
            if (!loop)
                return false;
            // A looping source that gave nothing since the last wrap has nothing to give: stop
            // here instead of spinning (the refill then sees no bytes and ends the stream).
            if (gotSinceWrap == 0 && mPosition == 0)
                return true;
            if (gotSinceWrap == 0)
            {
                mPosition = 0;
                continue;  // one more try from the start
            }
            mPosition = 0;
            gotSinceWrap = 0;
        }
        if (want == 0)
            return true;
    }
}

void TStreamSpooler::SetPosition(float seconds)
{
    if (!mSource)
        return;
    const int channels = mSource->GetChannels();
    const int frames = static_cast<int>(static_cast<double>(mSource->GetBitRate()) * seconds);
    mPosition =
        frames > 0 ? static_cast<unsigned int>(frames) * static_cast<unsigned int>(channels) * 2u : 0u;
}

float TStreamSpooler::GetLength()
{
    return mSource ? static_cast<float>(mSource->GetSeconds()) : 0.0f;
}

void TStreamSpooler::Destroy()
{
    delete this;
}

void TStreamSpooler::Reset()
{
    SetPosition(0.0f);
}

// ---- TSoundStreamData ----

TSoundStreamData::TSoundStreamData()
    : mLoop(false), mPlaying(false), mComplete(false), mExhausted(false), mPaused(false),
      mSpooler(nullptr), mBufferFree{1, 1}, mBuffers{0, 0}, mSource(0), mHasBuffers(false), mHasSource(false),
      mQueuedBeforeFill(0), mBufferFrames{0, 0}, mBufferRate{0, 0}, mBufferQueuedAt{0, 0}, mQueueCount(0)
{
}

TSoundStreamData::~TSoundStreamData()
{
    Destroy();
}

bool TSoundStreamData::Init(int, int, int, float, TStreamSpooler* spooler, bool loop)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mLoop = loop;
    mSpooler = spooler;
    alGetError();  // start from a clean error state
    alGenBuffers(2, mBuffers);
    if (CheckALError())
    {
        mHasBuffers = false;
        return false;
    }
    mHasBuffers = true;
    if (!GenerateSource())
    {
        alDeleteBuffers(2, mBuffers);
        CheckALError();
        mHasBuffers = false;
        return false;
    }
    return true;
}

// Every sound plays unpositioned, at the listener.
bool TSoundStreamData::GenerateSource()
{
    alGenSources(1, &mSource);
    if (CheckALError())
    {
        mHasSource = false;
        return false;
    }
    mHasSource = true;
    alSource3f(mSource, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(mSource, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    alSource3f(mSource, AL_DIRECTION, 0.0f, 0.0f, 0.0f);
    alSourcef(mSource, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(mSource, AL_SOURCE_RELATIVE, AL_TRUE);
    CheckALError();
    return true;
}

void TSoundStreamData::SetStreamSpooler(TStreamSpooler* spooler)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mComplete = false;
    mExhausted = false;
    mSpooler = spooler;
    if (mSpooler)
        mSpooler->Reset();
}

void TSoundStreamData::Play(bool)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mComplete = false;
    if (mSpooler)
        mSpooler->Reset();
    StreamHelper();
    if (mHasSource)
    {
        alSourcePlay(mSource);
        CheckALError();
    }
    mPlaying = true;
    mPaused = false;
}

bool TSoundStreamData::StreamHelper()
{
    return Refill(-1);
}

// Takes back up to maxUnqueue processed buffers (all of them when negative), oldest first, and
// fills every free buffer. Remembers how many buffers stayed queued before the fill.
bool TSoundStreamData::Refill(int maxUnqueue)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mHasSource || !mHasBuffers)
    {
        // Nothing was generated: nothing can play.
        mComplete = true;
        mExhausted = true;
        return false;
    }

    ALint processed = 0;
    alGetSourcei(mSource, AL_BUFFERS_PROCESSED, &processed);
    if (CheckALError())
        processed = 0;
    if (maxUnqueue >= 0 && processed > maxUnqueue)
        processed = maxUnqueue;
    for (; processed > 0; --processed)
    {
        ALuint name = 0;
        alSourceUnqueueBuffers(mSource, 1, &name);
        if (CheckALError())
            break;
        mBufferFree[name == mBuffers[0] ? 0 : 1] = 1;
    }
    mQueuedBeforeFill = (mBufferFree[0] ? 0 : 1) + (mBufferFree[1] ? 0 : 1);

    if (!mBufferFree[0] && !mBufferFree[1])
    {
        mComplete = false;
        return true;
    }

    for (int i = 0; i < 2; ++i)
    {
        if (!mBufferFree[i])
            continue;
        unsigned int got = 0;
        int channels = 1;
        if (mSpooler && mSpooler->GetSource())
        {
            channels = mSpooler->GetSource()->GetChannels();
            mSpooler->StreamToBuffer(kBufferBytes, sOpenALBuffer, &got, mLoop);
        }
        if (got == 0)
        {
            mExhausted = true;
            break;
        }
        const int rate = mSpooler->GetSource()->GetBitRate();
        alBufferData(mBuffers[i], channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, sOpenALBuffer,
                     static_cast<ALsizei>(got), rate);
        alSourceQueueBuffers(mSource, 1, &mBuffers[i]);
        if (!CheckALError())
        {
            mBufferFree[i] = 0;
            mBufferFrames[i] = static_cast<int>(got / (channels == 1 ? 2u : 4u));
            mBufferRate[i] = rate;
            mBufferQueuedAt[i] = ++mQueueCount;
        }
    }
    mComplete = mBufferFree[0] && mBufferFree[1];
    return !mComplete;
}

bool TSoundStreamData::Stream()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mPlaying || mPaused)
        return true;
    ALint before = AL_PLAYING;
    if (mHasSource)
        alGetSourcei(mSource, AL_SOURCE_STATE, &before);
    bool result = StreamHelper();
    if (mPlaying && !mPaused && !mComplete && mHasSource)
    {
        // A source that ran dry while data was left (a late refill) starts again.
        ALint state = before;
        if (before == AL_PLAYING)
        {
            alGetSourcei(mSource, AL_SOURCE_STATE, &state);
            if (state == AL_STOPPED && mQueuedBeforeFill > 0)
            {
                // It ran dry while the refill was at work: the buffers it had not yet played
                // then have played too, and still sit at the head of its queue. Starting it
                // as it is would play them again: take exactly those back and refill first.
                // (A stopped source counts every queued buffer as processed, the ones just
                // queued included, so the count is limited to the old ones.)
                result = Refill(mQueuedBeforeFill);
            }
        }
        // A source that was already stopped before the refill got all of its buffers back
        // in it and now holds only new data.
        if (state != AL_PLAYING && !mComplete)
        {
            alSourcePlay(mSource);
            CheckALError();
        }
    }
    return result;
}

double TSoundStreamData::SecondsUntilRefill()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mPlaying || mPaused || mComplete || !mHasSource || !mHasBuffers)
        return -1.0;
    ALint state = AL_STOPPED;
    ALint processed = 0;
    ALint offset = 0;
    alGetSourcei(mSource, AL_SOURCE_STATE, &state);
    alGetSourcei(mSource, AL_BUFFERS_PROCESSED, &processed);
    alGetSourcei(mSource, AL_SAMPLE_OFFSET, &offset);
    if (alGetError() != AL_NO_ERROR || state != AL_PLAYING || processed > 0)
        return 0.0;
    // The head of the queue is the queued buffer that went in first; the sample offset counts
    // from its start (nothing processed is left in the queue).
    int head = -1;
    for (int i = 0; i < 2; ++i)
        if (!mBufferFree[i] && (head < 0 || int(mBufferQueuedAt[i] - mBufferQueuedAt[head]) < 0))
            head = i;
    if (head < 0 || mBufferRate[head] <= 0)
        return 0.0;
    const int left = mBufferFrames[head] - offset;
    return left > 0 ? double(left) / double(mBufferRate[head]) : 0.0;
}

void TSoundStreamData::Pause()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (mPaused)
        return;
    if (mHasSource)
    {
        alSourcePause(mSource);
        CheckALError();
    }
    mPaused = true;
}

void TSoundStreamData::Resume()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mPaused)
        return;
    if (mHasSource)
    {
        alSourcePlay(mSource);
        CheckALError();
    }
    mPaused = false;
}

void TSoundStreamData::SetVolume(float gain)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mHasSource)
        return;
    alSourcef(mSource, AL_GAIN, gain);
    CheckALError();
    if (sGainObserver)
        sGainObserver(mSource, gain);
}

void TSoundStreamData::Destroy()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (mHasSource)
    {
        mBufferFree[0] = mBufferFree[1] = 1;
        alSourceStop(mSource);
        CheckALError();
        alSourcei(mSource, AL_BUFFER, 0);  // detach the buffers so they can be deleted
        alDeleteSources(1, &mSource);
        CheckALError();
        mHasSource = false;
    }
    if (mHasBuffers)
    {
        alDeleteBuffers(2, mBuffers);
        CheckALError();
        mHasBuffers = false;
    }
    mPlaying = false;
    mPaused = false;
}

// ---- TSoundStream ----

TSoundStream::TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop, int type,
                           std::shared_ptr<TStreamNotify> notify)
    : mManager(manager), mSpooler(spooler), mNotify(notify), mData(new TSoundStreamData), mType(type),
      mLoop(loop), mSystemPaused(false), mNoticeGiven(false), mReportingChainStep(false)
{
}

TSoundStream::~TSoundStream()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mSpooler.reset();
    mNextSpooler.reset();
    // A chain step whose notice the main thread's pass has not given yet is reported first.
    ReportChainStep();
    if (std::shared_ptr<TStreamNotify> notify = mNotify.lock())
        notify->StreamFinished(this);
    if (std::shared_ptr<TSoundInstance> instance = mInstance.lock())
    {
        if (instance->mStream == this)
            instance->mStream = nullptr;
    }
    mData.reset();
}

bool TSoundStream::Init(int rate, int channels, int bits, float seconds)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!mManager || !mManager->IsInitialised())
        return false;
    // Only a stream held by a shared_ptr can be registered (the registry shares it).
    if (weak_from_this().expired())
        return false;
    if (!mData->Init(rate, channels, bits, seconds, mSpooler.get(), mLoop))
        return false;
    mManager->RegisterStream(this);
    return true;
}

void TSoundStream::Play(bool unused)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    float gain = mManager ? mManager->GetVolume(mType) : 1.0f;
    SetVolume(gain);
    mData->Play(unused);
    if (mManager && !mManager->IsAppActive())
    {
        mSystemPaused = true;
        mData->Pause();
    }
    if (mManager)
        mManager->WakeSoundThread();
}

void TSoundStream::SystemPause(bool pause)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (mSystemPaused == pause)
        return;
    mSystemPaused = pause;
    if (pause)
        mData->Pause();
    else
        mData->Resume();
    if (!pause && mManager)
        mManager->WakeSoundThread();
}

void TSoundStream::SetVolume(float gain)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (!(gain >= 0.0f))
        gain = 0.0f;  // also catches NaN
    if (gain > 1.0f)
        gain = 1.0f;
    mData->SetVolume(gain);
}

bool TSoundStream::StreamComplete()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    return mData->IsComplete();
}

bool TSoundStream::Stream(bool)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    bool result = mData->Stream();
    if (mData->IsExhausted() && mNextSpooler)
    {
        AdvanceStream();
        result = mData->Stream();
    }
    return result;
}

void TSoundStream::AdvanceStream()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mSpooler = std::move(mNextSpooler);
    mData->SetStreamSpooler(mSpooler.get());
    mFinishedNotify = mNotify;
    if (std::shared_ptr<TSoundInstance> instance = mInstance.lock())
    {
        instance->mSound = instance->mNextSound;
        instance->mNextSound.reset();
        instance->mStream = this;
        // The chained sound now plays the instance: its Kill reaches it from here on.
        if (std::shared_ptr<TSound> sound = instance->mSound.lock())
            sound->GetData()->mInstances.insert(instance);
    }
    mNotify = mNextNotify;
    mNextNotify.reset();
    mNoticeGiven = false;
}

bool TSoundStream::SetNextStreamInfo(std::shared_ptr<TStreamNotify> notify, TStreamSpooler* spooler)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mNextNotify = notify;
    mNextSpooler.reset(spooler);  // a spooler already pending is destroyed
    // The data may have run out already: the chain step is due at once.
    if (mNextSpooler && mManager)
        mManager->WakeSoundThread();
    return true;
}

void TSoundStream::Kill(bool delayed)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mData->Pause();
    mNextSpooler.reset();
    mNextNotify.reset();
    // The registry may hold the last reference: keep this stream alive until the call is over.
    std::shared_ptr<TSoundStream> self = weak_from_this().lock();
    if (!self || !mManager)
        return;
    if (delayed)
        mManager->StopStreamDelayed(self);
    else
        mManager->StopStream(self);
}

void TSoundStream::SetInstance(const std::shared_ptr<TSoundInstance>& instance)
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    mInstance = instance;
}

void TSoundStream::ReportChainStep()
{
    TSoundLock lock(SoundManagerMutex::mMutex);
    std::shared_ptr<TStreamNotify> finished = mFinishedNotify.lock();
    mFinishedNotify.reset();
    if (!finished)
        return;
    mReportingChainStep = true;
    finished->StreamFinished(this);
    mReportingChainStep = false;
}
