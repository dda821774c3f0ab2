// Streams: the spooler's fill rules, the two-buffer refill, volumes reaching the source gains,
// chaining without a gap (checked on rendered loopback samples), and the stream lifecycle.
#include <cmath>
#include <cstring>

#include <AL/al.h>

#include "soundtestutil.h"

using namespace soundtest;

namespace
{

// A data source over fixed PCM bytes (no decoding), counting its reads.
class BytesSource : public TSoundDataSource
{
public:
    BytesSource(std::vector<unsigned char> bytes, int channels, int rate)
        : mBytes(std::move(bytes)), mChannels(channels), mRate(rate)
    {
    }
    unsigned int Read(void* buffer, unsigned int offset, unsigned int length) override
    {
        ++mReads;
        if (offset >= mBytes.size())
            return 0;
        const unsigned int n =
            std::min<unsigned int>(length, static_cast<unsigned int>(mBytes.size()) - offset);
        std::memcpy(buffer, mBytes.data() + offset, n);
        return n;
    }
    int64_t GetRawLength() override { return static_cast<int64_t>(mBytes.size()); }
    int GetBitRate() override { return mRate; }
    int GetChannels() override { return mChannels; }
    double GetSeconds() override { return double(mBytes.size()) / (mChannels * 2.0 * mRate); }

    int mReads = 0;

private:
    std::vector<unsigned char> mBytes;
    int mChannels;
    int mRate;
};

std::vector<unsigned char> Ramp(size_t n)
{
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(1 + i % 251);
    return bytes;
}

// Records every gain written to a source.
std::mutex gGainMutex;
std::vector<std::pair<unsigned int, float>> gGains;
void RecordGain(unsigned int source, float gain)
{
    std::lock_guard<std::mutex> lock(gGainMutex);
    gGains.emplace_back(source, gain);
}
std::vector<float> GainsOf(unsigned int source)
{
    std::lock_guard<std::mutex> lock(gGainMutex);
    std::vector<float> out;
    for (auto& g : gGains)
        if (g.first == source)
            out.push_back(g.second);
    return out;
}

class StreamTest : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        {
            std::lock_guard<std::mutex> lock(gGainMutex);
            gGains.clear();
        }
        TSoundStreamData::sGainObserver = &RecordGain;
    }
    void TearDown() override
    {
        SoundTest::TearDown();
        TSoundStreamData::sGainObserver = nullptr;
    }

    std::shared_ptr<TSoundStream> MakeStream(std::shared_ptr<TSoundDataSource> source, bool loop,
                                             int type = 0)
    {
        std::shared_ptr<TSoundStream> stream = std::make_shared<TSoundStream>(
            mManager.get(), new TStreamSpooler(source), loop, type, std::shared_ptr<TStreamNotify>());
        EXPECT_TRUE(stream->Init(source->GetBitRate(), source->GetChannels(), 16, 2.0f));
        return stream;
    }

    static int Queued(TSoundStream& stream)
    {
        ALint queued = 0;
        alGetSourcei(stream.GetData()->GetSourceName(), AL_BUFFERS_QUEUED, &queued);
        return queued;
    }
};

// Silent stretches longer than this many frames count as a gap.
const int kGapFrames = 32;
const float kSilence = 0.01f;

}  // namespace

TEST_F(StreamTest, LoopingSpoolerRepeatsTheSoundAndCarriesItsPosition)
{
    auto source = std::make_shared<BytesSource>(Ramp(1000), 1, 22050);
    TStreamSpooler spooler(source);
    std::vector<unsigned char> buffer(65536);
    unsigned int got = 0;
    EXPECT_TRUE(spooler.StreamToBuffer(65536, buffer.data(), &got, true));
    EXPECT_EQ(got, 65536u);
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 1 + (i % 1000) % 251) << i;
    EXPECT_EQ(spooler.GetPosition(), 65536u % 1000);
}

TEST_F(StreamTest, NonLoopingSpoolerStopsAtTheEndAndZeroFillsTheRest)
{
    auto source = std::make_shared<BytesSource>(Ramp(1000), 1, 22050);
    TStreamSpooler spooler(source);
    std::vector<unsigned char> buffer(4096, 0xAA);
    unsigned int got = 0;
    EXPECT_FALSE(spooler.StreamToBuffer(4096, buffer.data(), &got, false));
    EXPECT_EQ(got, 1000u);
    EXPECT_EQ(buffer[999], 1 + 999 % 251);
    EXPECT_EQ(buffer[1000], 0);
    EXPECT_EQ(buffer[4095], 0);
    EXPECT_FALSE(spooler.StreamToBuffer(4096, buffer.data(), &got, false));
    EXPECT_EQ(got, 0u);
}

TEST_F(StreamTest, LoopingEmptySourceEndsTheFillInsteadOfSpinning)
{
    auto source = std::make_shared<BytesSource>(std::vector<unsigned char>(), 1, 22050);
    TStreamSpooler spooler(source);
    std::vector<unsigned char> buffer(65536);
    unsigned int got = 1;
    spooler.StreamToBuffer(65536, buffer.data(), &got, true);
    EXPECT_EQ(got, 0u);
    EXPECT_LT(source->mReads, 4);
}

TEST_F(StreamTest, PositionPastTheEndReadsNothing)
{
    auto source = std::make_shared<BytesSource>(Ramp(4000), 2, 1000);
    TStreamSpooler spooler(source);
    spooler.SetPosition(10.0f);  // far beyond the 1 s of data
    std::vector<unsigned char> buffer(65536);
    unsigned int got = 1;
    EXPECT_FALSE(spooler.StreamToBuffer(65536, buffer.data(), &got, false));
    EXPECT_EQ(got, 0u);
    // A position inside a stereo frame is rounded down to the frame.
    spooler.SetPosition(0.0015f);
    EXPECT_EQ(spooler.GetPosition() % 4, 0u);
}

TEST_F(StreamTest, ShortSoundQueuesOneBufferThenCompletes)
{
    MakeLoopbackManager();
    auto source = std::make_shared<BytesSource>(std::vector<unsigned char>(1000, 0x10), 1, kRate);
    std::shared_ptr<TSoundStream> stream = MakeStream(source, false);
    stream->Play(false);
    TSoundStreamData* data = stream->GetData();
    EXPECT_EQ(Queued(*stream), 1);
    EXPECT_TRUE(data->IsExhausted());
    EXPECT_FALSE(data->IsComplete());
    Render(2048);  // 500 frames play out
    stream->Stream(false);
    EXPECT_TRUE(data->IsComplete());
    EXPECT_EQ(Queued(*stream), 0);
}

TEST_F(StreamTest, StreamGainsFollowMasterAndTypeVolumes)
{
    MakeLoopbackManager();
    auto source = std::make_shared<BytesSource>(Ramp(40000), 1, kRate);
    std::shared_ptr<TSoundStream> a = MakeStream(source, true, 5);
    std::shared_ptr<TSoundStream> b = MakeStream(source, true, 6);
    a->Play(false);
    b->Play(false);
    const unsigned int sa = a->GetData()->GetSourceName();
    const unsigned int sb = b->GetData()->GetSourceName();

    struct Case
    {
        float master, type5;
        std::vector<float> gainsA;  // the two writes of the update
        float gainB;
    };
    // Each update writes 0.05 off towards the middle first, then the value; gains clamp to 0..1.
    const Case cases[] = {
        {1.0f, 0.3f, {0.35f, 0.3f}, 1.0f}, {1.0f, 0.5f, {0.45f, 0.5f}, 1.0f},
        {1.0f, 1.0f, {0.95f, 1.0f}, 1.0f}, {0.8f, 0.5f, {0.45f, 0.4f}, 0.8f},
        {2.0f, 1.0f, {1.0f, 1.0f}, 1.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "master " << c.master << " type " << c.type5);
        mManager->SetTypeVolume(5, c.type5);
        {
            std::lock_guard<std::mutex> lock(gGainMutex);
            gGains.clear();
        }
        mManager->SetVolume(c.master);
        std::vector<float> writes = GainsOf(sa);
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_NEAR(writes[0], c.gainsA[0], 1e-6);
        EXPECT_NEAR(writes[1], c.gainsA[1], 1e-6);
        ALfloat gain = -1;
        alGetSourcef(sa, AL_GAIN, &gain);
        EXPECT_NEAR(gain, c.gainsA[1], 1e-6);
        alGetSourcef(sb, AL_GAIN, &gain);
        EXPECT_NEAR(gain, c.gainB, 1e-6);
        EXPECT_NEAR(mManager->GetVolume(5), c.master * c.type5, 1e-6);
        EXPECT_NEAR(mManager->GetVolume(6), c.master, 1e-6);
        EXPECT_NEAR(mManager->GetVolume(-1), c.master, 1e-6);
    }
    // A new stream starts at its type's volume.
    mManager->SetVolume(0.5f);
    mManager->SetTypeVolume(5, 0.5f);
    std::shared_ptr<TSoundStream> c = MakeStream(source, false, 5);
    c->Play(false);
    ALfloat gain = -1;
    alGetSourcef(c->GetData()->GetSourceName(), AL_GAIN, &gain);
    EXPECT_NEAR(gain, 0.25f, 1e-6);
}

TEST_F(StreamTest, SecondNextSpoolerReplacesTheFirst)
{
    MakeLoopbackManager();
    auto first = std::make_shared<BytesSource>(std::vector<unsigned char>(2000, 0x01), 1, kRate);
    auto second = std::make_shared<BytesSource>(std::vector<unsigned char>(2000, 0x02), 1, kRate);
    auto main = std::make_shared<BytesSource>(std::vector<unsigned char>(1000, 0x03), 1, kRate);
    std::shared_ptr<TSoundStream> stream = MakeStream(main, false);
    stream->SetNextStreamInfo(std::shared_ptr<TStreamNotify>(), new TStreamSpooler(first));
    stream->SetNextStreamInfo(std::shared_ptr<TStreamNotify>(), new TStreamSpooler(second));
    stream->Play(false);
    EXPECT_TRUE(stream->HasNextSpooler());
    stream->Stream(false);  // exhausted: steps to the chained spooler at once
    EXPECT_FALSE(stream->HasNextSpooler());
    EXPECT_EQ(first->mReads, 0);
    EXPECT_GT(second->mReads, 0);
}

TEST_F(StreamTest, PauseTwiceAndResume)
{
    MakeLoopbackManager();
    auto source = std::make_shared<BytesSource>(Ramp(100000), 1, kRate);
    std::shared_ptr<TSoundStream> stream = MakeStream(source, true);
    stream->Play(false);
    const unsigned int name = stream->GetData()->GetSourceName();
    ALint state = 0;
    stream->GetData()->Pause();
    stream->GetData()->Pause();
    alGetSourcei(name, AL_SOURCE_STATE, &state);
    EXPECT_EQ(state, AL_PAUSED);
    EXPECT_TRUE(stream->Stream(false));  // a paused stream is not refilled
    stream->GetData()->Resume();
    alGetSourcei(name, AL_SOURCE_STATE, &state);
    EXPECT_EQ(state, AL_PLAYING);
}

TEST_F(StreamTest, KillImmediateAndDelayed)
{
    MakeLoopbackManager();
    auto source = std::make_shared<BytesSource>(Ramp(100000), 1, kRate);
    std::weak_ptr<TSoundStream> now, later;
    {
        std::shared_ptr<TSoundStream> a = MakeStream(source, true);
        std::shared_ptr<TSoundStream> b = MakeStream(source, true);
        a->Play(false);
        b->Play(false);
        now = a;
        later = b;
        EXPECT_EQ(mManager->GetStreamCount(), 2u);
        a->Kill(false);
        b->Kill(true);
    }
    EXPECT_TRUE(now.expired());
    EXPECT_FALSE(later.expired());  // alive (and silent) until the main thread's pass
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
    EXPECT_EQ(mManager->GetDelayedStopCount(), 1u);
    mManager->InternalHandleNotifications(false);
    EXPECT_FALSE(later.expired());
    mManager->HandleNotifications();
    EXPECT_TRUE(later.expired());
    EXPECT_EQ(mManager->GetDelayedStopCount(), 0u);

    // A delayed kill of a stream that is not registered changes nothing.
    std::shared_ptr<TSoundStream> loose = std::make_shared<TSoundStream>(
        mManager.get(), new TStreamSpooler(source), false, 0, std::shared_ptr<TStreamNotify>());
    loose->Kill(true);
    EXPECT_EQ(mManager->GetDelayedStopCount(), 0u);
}

TEST_F(StreamTest, StreamWithoutInitialisedManagerIsNotRegistered)
{
    TSoundManager::SetDeviceOpener(&OpenLoopbackDevice);
    mManager.reset(new TSoundManager);  // not initialised
    auto source = std::make_shared<BytesSource>(Ramp(1000), 1, kRate);
    std::shared_ptr<TSoundStream> stream = std::make_shared<TSoundStream>(
        mManager.get(), new TStreamSpooler(source), false, 0, std::shared_ptr<TStreamNotify>());
    EXPECT_FALSE(stream->Init(kRate, 1, 16, 2.0f));
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
    stream->Play(false);  // plays nothing and touches no OpenAL object
    EXPECT_TRUE(stream->StreamComplete());
}

// Two sounds chained: the rendered output runs from the first into the second without a
// silent stretch, and lasts exactly as long as both together.
TEST_F(StreamTest, ChainedSoundsJoinWithoutAGap)
{
    MakeLoopbackManager();
    // Two full buffers (32,768 mono frames each) and a tail a little longer than a render
    // chunk: when the refill finds the first sound exhausted, only part of that tail is left
    // to play, so the second sound must be queued in that very pass.
    const size_t framesA = 2 * 32768 + 700;
    const int chunk = 500;
    const size_t framesB = 44100;
    AddOgg("parta.ogg", qftest::MakeTone(441, framesA, 1, kRate, 0.6));
    AddOgg("partb.ogg", qftest::MakeTone(661.5, framesB, 1, kRate, 0.6));
    std::shared_ptr<TSound> a = TSound::Get("parta.ogg", false, 0);  // streamed
    std::shared_ptr<TSound> b = TSound::Get("partb.ogg", false, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = a->Play(false);
    ASSERT_TRUE(instance);
    instance->SetCompleteAction(&callback, b);

    const int total = static_cast<int>(framesA + framesB) + 8192;
    std::vector<float> out = RenderWithPasses(total, chunk);
    // Left channel only (mono sources are panned to the centre: both channels carry it).
    std::vector<float> left;
    for (size_t i = 0; i < out.size(); i += 2)
        left.push_back(out[i]);

    size_t first = left.size(), last = 0;
    for (size_t i = 0; i < left.size(); ++i)
    {
        if (std::fabs(left[i]) > kSilence)
        {
            first = std::min(first, i);
            last = i;
        }
    }
    ASSERT_LT(first, left.size()) << "nothing was heard";
    int run = 0, longest = 0;
    for (size_t i = first; i <= last; ++i)
    {
        run = std::fabs(left[i]) > kSilence ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    EXPECT_LT(longest, kGapFrames);
    const double heard = static_cast<double>(last - first + 1);
    EXPECT_NEAR(heard, static_cast<double>(framesA + framesB), 64.0);

    // The join was reported once (with the sound that follows), the end once.
    std::vector<std::pair<TSoundInstance*, TSound*>> calls = callback.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, instance.get());
    EXPECT_EQ(calls[0].second, b.get());
    EXPECT_EQ(calls[1].first, instance.get());
    EXPECT_EQ(calls[1].second, nullptr);
}

TEST_F(StreamTest, LoopingStreamIsRefilledAndNeverReportsItsEnd)
{
    MakeLoopbackManager();
    AddOgg("loop.ogg", qftest::MakeTone(441, 4410, 1, kRate, 0.5));  // 0.1 s
    std::shared_ptr<TSound> sound = TSound::Get("loop.ogg", true, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = sound->Play(true);
    instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    std::vector<float> out = RenderWithPasses(kRate, 1024);  // 1 s: ten times round
    std::vector<float> tail(out.end() - 4096, out.end());
    EXPECT_GT(Peak(tail), 0.2f);
    EXPECT_EQ(callback.Count(), 0);
    instance->Kill();
    EXPECT_EQ(callback.Count(), 1);  // killing ends it: told once
    RenderWithPasses(4096);
    EXPECT_EQ(callback.Count(), 1);
}

// A refill that comes after the source has run dry (a stalled sound thread) restarts it with
// the data that follows: nothing is skipped and nothing is played twice.
TEST_F(StreamTest, LateRefillRestartsWithTheFollowingData)
{
    MakeLoopbackManager();
    const size_t frames = 3 * 32768 + 5000;  // more than the two buffers hold
    AddOgg("long.ogg", qftest::MakeTone(441, frames, 1, kRate, 0.6));
    std::shared_ptr<TSound> sound = TSound::Get("long.ogg", false, 0);
    auto audibleFrames = [](const std::vector<float>& out)
    {
        size_t n = 0;
        for (size_t i = 0; i < out.size(); i += 2)
            if (std::fabs(out[i]) > kSilence)
                ++n;
        return n;
    };

    // Played with a pass after every chunk.
    ASSERT_TRUE(sound->Play(false));
    const size_t reference = audibleFrames(RenderWithPasses(static_cast<int>(frames) + 8000, 500));
    EXPECT_NEAR(double(reference), double(frames), frames * 0.03);

    // No pass while both buffers play out and the source stops, then passes again.
    ASSERT_TRUE(sound->Play(false));
    std::vector<float> out = Render(2 * 32768 + 3000);
    std::vector<float> rest = RenderWithPasses(static_cast<int>(frames), 500);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_NEAR(double(audibleFrames(out)), double(reference), 100.0);
}
