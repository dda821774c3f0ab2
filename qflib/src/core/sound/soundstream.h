// Sound streams: every playing sound is a TSoundStream that pulls PCM from a TStreamSpooler and
// feeds one OpenAL source through two OpenAL buffers refilled in turn (TSoundStreamData).
// A stream can carry a second spooler to go on with when its data runs out, which chains two
// sounds without a gap. Every operation takes SoundManagerMutex::mMutex.
#pragma once

#include <memory>

#include "sound/sounddatasource.h"

class TSoundManager;
class TSoundStream;
class TSoundInstance;

// Told when a stream ends (for a sound: its TSoundData).
class TStreamNotify
{
public:
    virtual ~TStreamNotify() {}
    virtual void StreamFinished(TSoundStream* stream) = 0;
};

// A read position over a data source; the source counts it as a reader from construction to
// destruction (a source may hold decoding state only while it has readers).
class TStreamSpooler
{
public:
    explicit TStreamSpooler(std::shared_ptr<TSoundDataSource> source);
    virtual ~TStreamSpooler();
    TStreamSpooler(const TStreamSpooler&) = delete;
    TStreamSpooler& operator=(const TStreamSpooler&) = delete;

    // Fills `length` bytes of `buffer` (zeros past what was read) and sets *got to the bytes
    // read. Looping wraps to the start at the end of the data. True while more data may follow;
    // false once a non-looping spooler has reached its end.
    virtual bool StreamToBuffer(int length, void* buffer, unsigned int* got, bool loop);
    virtual void SetPosition(float seconds);  // rounded down to a whole frame
    virtual float GetLength();
    virtual void Destroy();  // deletes the spooler
    virtual void Reset();    // back to the start

    const std::shared_ptr<TSoundDataSource>& GetSource() const { return mSource; }
    unsigned int GetPosition() const { return mPosition; }

private:
    std::shared_ptr<TSoundDataSource> mSource;
    unsigned int mPosition;  // byte offset of the next read
};

// The OpenAL side of a stream: one source and two buffers.
class TSoundStreamData
{
public:
    // Bytes of the one block every refill copies its PCM through, and of each OpenAL buffer.
    static const int kBufferBytes = 65536;

    TSoundStreamData();
    ~TSoundStreamData();
    TSoundStreamData(const TSoundStreamData&) = delete;
    TSoundStreamData& operator=(const TSoundStreamData&) = delete;

    // Generates the buffers and the source. False (with the OpenAL error line) when either
    // cannot be made; nothing is left allocated then.
    bool Init(int rate, int channels, int bits, float seconds, TStreamSpooler* spooler, bool loop);
    void SetStreamSpooler(TStreamSpooler* spooler);
    void Play(bool unused);
    bool Stream();        // one pass: refill, restart a source that ran dry
    bool StreamHelper();  // one refill; true while a buffer is still queued
    void Pause();
    void Resume();
    void SetVolume(float gain);
    void Destroy();

    // Seconds until the sound thread must see this stream again: when its oldest queued buffer
    // will have played (0 when one has played already, or the source is not playing although
    // data is left). Negative when nothing can happen without a call from outside: not
    // playing, paused, or complete.
    double SecondsUntilRefill();

    bool IsComplete() const { return mComplete; }
    bool IsExhausted() const { return mExhausted; }
    unsigned int GetSourceName() const { return mSource; }

    // Called after every gain written to a source (for diagnostics and tests); null for none.
    // Set it before any sound plays.
    typedef void (*TGainObserver)(unsigned int source, float gain);
    static TGainObserver sGainObserver;

private:
    bool GenerateSource();
    bool Refill(int maxUnqueue);

    bool mLoop;
    bool mPlaying;
    bool mComplete;
    bool mExhausted;
    bool mPaused;
    TStreamSpooler* mSpooler;  // not owned
    int mBufferFree[2];        // 1 when the buffer is not queued
    unsigned int mBuffers[2];
    unsigned int mSource;
    bool mHasBuffers;
    bool mHasSource;
    int mQueuedBeforeFill;  // buffers still queued when the last refill began to fill
    // Per buffer: its sample frames and rate as last filled, and the order it was queued in
    // (the one with the lower number is at the head of the source's queue).
    int mBufferFrames[2];
    int mBufferRate[2];
    unsigned mBufferQueuedAt[2];
    unsigned mQueueCount;
};

class TSoundStream : public std::enable_shared_from_this<TSoundStream>
{
public:
    TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop, int type,
                 std::shared_ptr<TStreamNotify> notify);
    virtual ~TSoundStream();
    TSoundStream(const TSoundStream&) = delete;
    TSoundStream& operator=(const TSoundStream&) = delete;

    // Makes the OpenAL objects and registers the stream with the manager. False when the
    // manager is not initialised, OpenAL refuses, or the stream is not held by a shared_ptr.
    bool Init(int rate, int channels, int bits, float seconds);
    void Play(bool unused);
    void SystemPause(bool pause);
    void SetVolume(float gain);  // clamped to 0..1
    bool StreamComplete();
    bool Stream(bool unused);  // one refill, stepping to a chained spooler when exhausted
    void AdvanceStream();      // the chain step
    bool SetNextStreamInfo(std::shared_ptr<TStreamNotify> notify, TStreamSpooler* spooler);
    void Kill(bool delayed);

    // State shared with the manager and the sounds; callers hold SoundManagerMutex::mMutex.
    int GetType() const { return mType; }
    bool GetLoop() const { return mLoop; }
    std::weak_ptr<TStreamNotify> GetNotify() const { return mNotify; }
    void ClearNotify() { mNotify.reset(); }
    void ClearFinishedNotify() { mFinishedNotify.reset(); }
    std::weak_ptr<TSoundInstance> GetInstance() const { return mInstance; }
    void SetInstance(const std::shared_ptr<TSoundInstance>& instance);
    bool HasNextSpooler() const { return mNextSpooler != nullptr; }
    bool NoticeGiven() const { return mNoticeGiven; }
    void SetNoticeGiven() { mNoticeGiven = true; }
    TSoundStreamData* GetData() { return mData.get(); }
    // Delivers the notice of a chain step (the finished notify) once, if still pending.
    void ReportChainStep();
    // True while the chain step's notice is being delivered.
    bool IsReportingChainStep() const { return mReportingChainStep; }

private:
    TSoundManager* mManager;
    std::unique_ptr<TStreamSpooler> mSpooler;
    std::unique_ptr<TStreamSpooler> mNextSpooler;
    std::weak_ptr<TStreamNotify> mNotify;
    std::weak_ptr<TStreamNotify> mNextNotify;
    std::weak_ptr<TStreamNotify> mFinishedNotify;
    std::unique_ptr<TSoundStreamData> mData;
    std::weak_ptr<TSoundInstance> mInstance;
    int mType;
    bool mLoop;
    bool mSystemPaused;
    bool mNoticeGiven;  // the end of the current data has been reported
    bool mReportingChainStep;
};
