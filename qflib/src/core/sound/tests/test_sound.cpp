// Sounds and instances: names and the cache, playing and killing, completion callbacks, and
// many fire-and-forget plays.
#include "soundtestutil.h"

using namespace soundtest;

namespace
{

class SoundAssetTest : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        AddOgg("boom.ogg", qftest::MakeTone(200, 4410, 1, kRate));  // 0.1 s
    }
};

}  // namespace

TEST_F(SoundAssetTest, NamesOptionsGroupsAndCacheKeys)
{
    struct Case
    {
        const char* name;
        bool inMemory;
        int groupArgument;
        const char* cutName;
        int group;
        const char* key;
    };
    const Case cases[] = {
        {"boom.ogg?group=7", true, 0, "boom.ogg", 7, "boom.ogg;1;7"},
        {"boom.ogg?loud", true, 4, "boom.ogg", 4, "boom.ogg;1;4"},
        {"boom.ogg", false, 2, "boom.ogg", 2, "boom.ogg;0;2"},
        {"boom.ogg?x?group=12", true, 0, "boom.ogg", 12, "boom.ogg;1;12"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::shared_ptr<TSound> sound = TSound::Get(c.name, c.inMemory, c.groupArgument);
        ASSERT_TRUE(sound);
        EXPECT_STREQ(sound->GetName().c_str(), c.cutName);
        EXPECT_EQ(sound->GetData()->mGroup, c.group);
        EXPECT_EQ(qfAssetCast<TSound>(mAssets->GetAsset(c.key)), sound);
        EXPECT_EQ(TSound::Get(c.name, c.inMemory, c.groupArgument), sound);  // cached while held
    }
}

TEST_F(SoundAssetTest, DistinctGroupsAndFlagsAreDistinctSounds)
{
    std::shared_ptr<TSound> a = TSound::Get("boom.ogg", true, 1);
    std::shared_ptr<TSound> b = TSound::Get("boom.ogg", true, 2);
    std::shared_ptr<TSound> c = TSound::Get("boom.ogg", false, 1);
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    std::weak_ptr<TSound> weak = a;
    a.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(TSound::Get("boom.ogg", true, 1));  // made again after the last holder let go
}

TEST_F(SoundAssetTest, EmptyNameAndMissingFile)
{
    MakeLoopbackManager();
    EXPECT_FALSE(TSound::Get("", true, 0));
    EXPECT_TRUE(DebugLines().empty());
    std::shared_ptr<TSound> missing = TSound::Get("nothere", true, 0);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(HasDebugLine("TSound::Get: No valid sound file found: nothere"));
    EXPECT_FALSE(missing->Play(false));
    EXPECT_FLOAT_EQ(missing->GetSoundLength(), 0.0f);
    EXPECT_FALSE(missing->HasSource());
    std::shared_ptr<TSound> found = TSound::Get("boom.ogg", true, 0);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->HasSource());
}

TEST_F(SoundAssetTest, NoManagerGivesNoInstance)
{
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    EXPECT_FLOAT_EQ(sound->GetSoundLength(), 0.1f);
    EXPECT_FALSE(sound->Play(false));
    EXPECT_TRUE(HasDebugLine("No Sound Manager"));
}

TEST_F(SoundAssetTest, UninitialisedManagerGivesAnInstanceThatPlaysNothing)
{
    TSoundManager::SetDeviceOpener(&OpenLoopbackDevice);
    mManager.reset(new TSoundManager);
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    ASSERT_TRUE(instance);
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_TRUE(sound->GetData()->mInstances.empty());
    instance->Kill();
    EXPECT_FALSE(sound->KillInstance(std::shared_ptr<TSoundInstance>()));
}

TEST_F(SoundAssetTest, PlayToTheEndReportsOnceThenNothing)
{
    MakeLoopbackManager();
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    EXPECT_EQ(sound->GetData()->mInstances.size(), 1u);
    RenderWithPasses(kRate / 2);
    ASSERT_EQ(callback.Count(), 1);
    EXPECT_EQ(callback.Calls()[0].first, instance.get());
    EXPECT_EQ(callback.Calls()[0].second, nullptr);
    EXPECT_TRUE(sound->GetData()->mInstances.empty());
    instance->Kill();  // killing a finished instance reports nothing more
    RenderWithPasses(4096);
    EXPECT_EQ(callback.Count(), 1);
    instance.reset();
    RenderWithPasses(1024);
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

TEST_F(SoundAssetTest, KillingAllInstancesSilencesTheSound)
{
    MakeLoopbackManager();
    AddOgg("hum.ogg", qftest::MakeTone(220, kRate * 3, 1, kRate));
    std::shared_ptr<TSound> sound = TSound::Get("hum.ogg", false, 0);
    std::shared_ptr<TSoundInstance> a = sound->Play(true);
    std::shared_ptr<TSoundInstance> b = sound->Play(false);
    EXPECT_GT(Peak(RenderWithPasses(4096)), 0.05f);
    sound->Kill();
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_FALSE(b->IsPlaying());
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
    EXPECT_LT(Peak(RenderWithPasses(4096)), 1e-6f);
}

TEST_F(SoundAssetTest, DestroyedCallbackIsNeverCalled)
{
    MakeLoopbackManager();
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    {
        RecordingCallBack callback;
        instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    }
    EXPECT_TRUE(instance->IsPlaying());
    EXPECT_EQ(instance->mCallback, nullptr);
    RenderWithPasses(kRate / 2);  // ends with nobody to tell (a dangling call would trip ASan)
    EXPECT_FALSE(instance->IsPlaying());
}

// Once its sound is gone, an instance's Kill and SetCompleteAction do nothing.
TEST_F(SoundAssetTest, InstanceOutlivingItsSoundIsHarmless)
{
    MakeLoopbackManager();
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(true);
    sound.reset();  // destroying the sound silences it
    EXPECT_FALSE(instance->IsPlaying());
    RecordingCallBack callback;
    EXPECT_NO_THROW(instance->Kill());
    EXPECT_NO_THROW(instance->SetCompleteAction(&callback, std::shared_ptr<TSound>()));
    EXPECT_NO_THROW(instance->SetCompleteAction(nullptr, std::shared_ptr<TSound>()));
    EXPECT_EQ(callback.Count(), 0);
}

// Sounds played and dropped without a kill (button sounds) release their streams once they have
// ended, so OpenAL never runs out of sources: the last of 1,000 plays is still heard.
TEST_F(SoundAssetTest, ThousandFireAndForgetPlaysStillSound)
{
    MakeLoopbackManager();
    AddOgg("click.ogg", qftest::MakeTone(1000, 882, 1, kRate, 0.5));  // 20 ms
    std::shared_ptr<TSound> click = TSound::Get("click.ogg", true, 0);
    for (int burst = 0; burst < 100; ++burst)
    {
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(click->Play(false));
        RenderWithPasses(2048);
    }
    RenderWithPasses(2048);
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
    ASSERT_TRUE(click->Play(false));
    EXPECT_GT(Peak(Render(1024)), 0.1f);
}

// A looping sound without a single sample neither hangs the refill (which holds the lock) nor
// plays anything; it can still be killed.
TEST_F(SoundAssetTest, LoopingEmptySoundDoesNotHang)
{
    MakeLoopbackManager();
    AddOgg("nothing.ogg", qftest::MakeSilence(0, 1, kRate));
    std::shared_ptr<TSound> nothing = TSound::Get("nothing.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = nothing->Play(true);
    if (!instance)
        return;  // refused as a file: nothing can hang either
    EXPECT_LT(Peak(RenderWithPasses(4096)), 1e-6f);
    instance->Kill();
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

TEST_F(SoundAssetTest, NotOggFileReportsBothLines)
{
    AddBytes("garbage.ogg", qftest::RandomBytes(2000, 3));
    std::shared_ptr<TSound> sound = TSound::Get("garbage.ogg", true, 0);
    ASSERT_TRUE(sound);
    EXPECT_TRUE(HasDebugLine("OGG file could not be opened"));
    EXPECT_TRUE(HasDebugLine("TSound::Get: No valid sound file found: garbage.ogg"));
    EXPECT_FALSE(sound->Play(false));
}

// After the join the stream plays the chained sound: killing the first sound leaves it alone,
// killing the chained one stops it.
TEST_F(SoundAssetTest, ChainedStreamBelongsToTheNextSoundAfterTheJoin)
{
    MakeLoopbackManager();
    AddOgg("first.ogg", qftest::MakeTone(300, 2000, 1, kRate));
    AddOgg("second.ogg", qftest::MakeTone(500, kRate * 3, 1, kRate));
    std::shared_ptr<TSound> first = TSound::Get("first.ogg", true, 0);
    std::shared_ptr<TSound> second = TSound::Get("second.ogg", false, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance = first->Play(false);
    instance->SetCompleteAction(&callback, second);
    RenderWithPasses(8192);
    ASSERT_EQ(callback.Count(), 1);  // the join
    EXPECT_EQ(callback.Calls()[0].second, second.get());
    EXPECT_TRUE(first->GetData()->mInstances.empty());
    EXPECT_EQ(second->GetData()->mInstances.count(instance), 1u);

    first->Kill();
    EXPECT_TRUE(instance->IsPlaying());
    EXPECT_GT(Peak(RenderWithPasses(2048)), 0.05f);
    second->Kill();
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_EQ(callback.Count(), 2);  // the end, by the kill
    EXPECT_EQ(callback.Calls()[1].second, nullptr);
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

// Clearing the next sound withdraws the chain already handed to the stream: the instance ends
// with its own sound, and nothing of the withdrawn sound is heard.
TEST_F(SoundAssetTest, WithdrawnNextSoundIsNotPlayed)
{
    MakeLoopbackManager();
    AddOgg("first.ogg", qftest::MakeTone(300, 2000, 1, kRate));
    AddOgg("second.ogg", qftest::MakeTone(500, kRate * 3, 1, kRate));
    std::shared_ptr<TSound> first = TSound::Get("first.ogg", true, 0);
    std::shared_ptr<TSound> second = TSound::Get("second.ogg", false, 0);
    for (bool keepCallback : {false, true})
    {
        SCOPED_TRACE(keepCallback ? "callback kept" : "callback cleared");
        RecordingCallBack callback;
        std::shared_ptr<TSoundInstance> instance = first->Play(false);
        ASSERT_TRUE(instance);
        instance->SetCompleteAction(&callback, second);
        instance->SetCompleteAction(keepCallback ? &callback : nullptr, std::shared_ptr<TSound>());
        RenderWithPasses(8192);  // the first sound lasts 2,000 frames
        EXPECT_FALSE(instance->IsPlaying());
        EXPECT_TRUE(second->GetData()->mInstances.empty());
        EXPECT_LT(Peak(RenderWithPasses(2048)), 1e-6f);
        ASSERT_EQ(callback.Count(), keepCallback ? 1 : 0);
        if (keepCallback)
        {
            EXPECT_EQ(callback.Calls()[0].second, nullptr);
        }
        instance->Kill();
        EXPECT_EQ(mManager->GetStreamCount(), 0u);
    }
}

// An instance whose sound has played to its end (its stream kept, silent, while the instance is
// held) is not revived by a next sound given afterwards.
TEST_F(SoundAssetTest, NextSoundForAnEndedInstanceStillHeldHasNoEffect)
{
    MakeLoopbackManager();
    AddOgg("late.ogg", qftest::MakeTone(500, kRate, 1, kRate));
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    std::shared_ptr<TSound> late = TSound::Get("late.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    ASSERT_TRUE(instance);
    RenderWithPasses(kRate / 2);  // boom.ogg lasts 0.1 s
    ASSERT_FALSE(instance->IsPlaying());
    RecordingCallBack callback;
    instance->SetCompleteAction(&callback, late);
    EXPECT_LT(Peak(RenderWithPasses(8192)), 1e-6f);
    EXPECT_EQ(callback.Count(), 0);
    EXPECT_TRUE(late->GetData()->mInstances.empty());
    instance->Kill();
    EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

TEST_F(SoundAssetTest, NextSoundForAFinishedInstanceHasNoEffect)
{
    MakeLoopbackManager();
    std::shared_ptr<TSound> sound = TSound::Get("boom.ogg", true, 0);
    std::shared_ptr<TSoundInstance> instance = sound->Play(false);
    RenderWithPasses(kRate / 2);
    instance.reset();
    RenderWithPasses(512);  // the finished stream has been released
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> done = sound->Play(false);
    sound->Kill();
    ASSERT_FALSE(done->IsPlaying());
    done->SetCompleteAction(&callback, sound);
    RenderWithPasses(4096);
    EXPECT_EQ(callback.Count(), 0);
}
