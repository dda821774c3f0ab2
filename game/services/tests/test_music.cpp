// Music: the menu loop's fades, the jukebox's order, fades of level songs, and completions
// reported from another thread, on OpenAL's null output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <atomic>
#include <thread>

#include "foundation/file.h"
#include "services/music.h"
#include "services/options.h"
#include "services/soundhelper.h"
#include "sound/soundinstance.h"
#include "sound/soundmutex.h"
#include "soundfixture.h"

using namespace Game;

namespace
{

using servicestest::SoundServicesTest;

class MusicTest : public SoundServicesTest
{
protected:
    void SetUp() override
    {
        SoundServicesTest::SetUp();
        for (const char* name : {"a.ogg", "b.ogg", "c.ogg", "alwaysloop.ogg"})
            AddSound(name, 0.2);
        srand(11);
    }

    float TypeVolume(int type) { return mManager->GetVolume(type) / mManager->GetVolume(-1); }

    // The sound layer reports the current song's end, as its thread would.
    static void EndCurrentSong()
    {
        MusicSystem* m = MusicSystem::instance();
        std::shared_ptr<TSoundInstance> current = m->getInstance();
        std::thread t(
            [m, current]
            {
                TSoundLock lock(SoundManagerMutex::mMutex);
                m->OnComplete(current, std::shared_ptr<TSound>());
            });
        t.join();
    }
};

TEST_F(MusicTest, IntroLoopPlayAndFadeIn)
{
    IntroLoop* loop = IntroLoop::instance();
    const double music = Options::instance()->getMusicVolume();
    EXPECT_DOUBLE_EQ(loop->getMusicVolume(), music);

    // A fade of 0 is a plain play at full volume.
    loop->playFade(0);
    EXPECT_TRUE(loop->isPlaying());
    EXPECT_FALSE(loop->isFadingIn());
    EXPECT_NEAR(TypeVolume(loop->getType()), music, 1e-6);
    const auto first = loop->getInstance();
    loop->play();  // already playing: the same instance
    EXPECT_EQ(loop->getInstance(), first);

    loop->stop();
    EXPECT_FALSE(loop->isPlaying());
    EXPECT_FALSE(first->IsPlaying());

    loop->playFade(2.0);
    EXPECT_TRUE(loop->isFadingIn());
    EXPECT_NEAR(TypeVolume(loop->getType()), 0.0, 1e-6);
    loop->update(0.5);
    EXPECT_NEAR(TypeVolume(loop->getType()), 0.25 * music, 1e-6);
    loop->update(1.0);
    EXPECT_NEAR(TypeVolume(loop->getType()), 0.75 * music, 1e-6);
    loop->update(0.5);
    EXPECT_FALSE(loop->isFadingIn());
    EXPECT_NEAR(TypeVolume(loop->getType()), music, 1e-6);
}

TEST_F(MusicTest, IntroLoopFadeOutThenStops)
{
    IntroLoop* loop = IntroLoop::instance();
    loop->play();
    const auto instance = loop->getInstance();
    loop->stopFade(1.0);
    loop->update(0.25);
    EXPECT_TRUE(loop->isPlaying());
    EXPECT_NEAR(TypeVolume(loop->getType()), 0.75 * loop->getMusicVolume(), 1e-6);
    loop->update(0.75);
    EXPECT_FALSE(loop->isPlaying());
    EXPECT_FALSE(loop->isFadingOut());
    EXPECT_FALSE(instance->IsPlaying());

    loop->play();
    loop->stopFade(0);  // at once
    EXPECT_FALSE(loop->isPlaying());
}

TEST_F(MusicTest, IntroLoopFadeInDuringAFadeOutLeavesNoOrphan)
{
    IntroLoop* loop = IntroLoop::instance();
    loop->play();
    const auto old = loop->getInstance();
    loop->stopFade(0.3);
    loop->update(0.1);
    loop->playFade(1.5);  // back to the menus inside the fade-out
    EXPECT_FALSE(old->IsPlaying());
    ASSERT_TRUE(loop->getInstance());
    EXPECT_NE(loop->getInstance(), old);
    EXPECT_TRUE(loop->isPlaying());
    EXPECT_FALSE(loop->isFadingOut());
    loop->stop();
    EXPECT_FALSE(loop->getInstance());
}

TEST_F(MusicTest, SongsAreNamedAndStreamed)
{
    MusicSystem* m = MusicSystem::instance();
    EXPECT_EQ(m->getCurrentSong(), -1);
    EXPECT_FALSE(m->isJukeboxOn());
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(m->getSongJukeNum(s), s);
    EXPECT_EQ(m->getSongJukeNum(3), -1);
    EXPECT_NE(m->getSongType(0), m->getSongType(1));
    m->playSong(7, false);  // no such song
    EXPECT_EQ(m->getCurrentSong(), -1);
    m->playSong(1, false);
    EXPECT_TRUE(m->isPlaying());
    EXPECT_EQ(m->getJukeboxPosition(), 1);
    EXPECT_NEAR(TypeVolume(m->getSongType(1)), m->getMusicVolume(), 1e-6);
}

TEST_F(MusicTest, PlayingTheCurrentSongChangesNothingEvenDuringAFade)
{
    MusicSystem* m = MusicSystem::instance();
    m->playSong(0, false);
    const auto instance = m->getInstance();
    m->stop(2.0);
    m->update(0.5);
    m->playSong(0, false);
    EXPECT_EQ(m->getInstance(), instance);
    EXPECT_DOUBLE_EQ(m->getFadeTime(), 2.0);
    // Another song cancels the fade and ends the one held so far.
    m->playSong(2, false);
    EXPECT_DOUBLE_EQ(m->getFadeTime(), 0.0);
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_NEAR(TypeVolume(m->getSongType(2)), m->getMusicVolume(), 1e-6);
}

TEST_F(MusicTest, StopAtOnceOrLinearFade)
{
    MusicSystem* m = MusicSystem::instance();
    m->playSong(0, false);
    m->stop(0);
    EXPECT_FALSE(m->isPlaying());
    EXPECT_FALSE(m->getInstance());

    m->playSong(0, false);
    const int type = m->getSongType(0);
    const double music = m->getMusicVolume();
    m->stop(2.0);
    const double expected[] = {0.75, 0.5, 0.25};
    for (double e : expected)
    {
        m->update(0.5);
        EXPECT_TRUE(m->isPlaying());
        EXPECT_NEAR(TypeVolume(type), e * music, 1e-6);
    }
    m->update(0.5);
    EXPECT_FALSE(m->isPlaying());
    EXPECT_DOUBLE_EQ(m->getFadeTime(), 0.0);
}

TEST_F(MusicTest, JukeboxNeverRepeatsTheSongJustPlayed)
{
    MusicSystem* m = MusicSystem::instance();
    m->setJukeboxOn(true);
    m->update(0.016);
    ASSERT_TRUE(m->isPlaying());
    int counts[3] = {0, 0, 0};
    for (int i = 0; i < 1000; ++i)
    {
        const int before = m->getCurrentSong();
        EndCurrentSong();
        m->update(0.016);
        ASSERT_TRUE(m->isPlaying());
        EXPECT_NE(m->getCurrentSong(), before);
        ++counts[m->getCurrentSong()];
    }
    for (int c : counts)
        EXPECT_GT(c, 200);
}

TEST_F(MusicTest, PlayOnlyRepeatsItsSong)
{
    MusicSystem* m = MusicSystem::instance();
    m->jukePlayOnly(2);
    m->setJukeboxOn(true);
    m->update(0.016);
    EXPECT_EQ(m->getCurrentSong(), 2);
    for (int i = 0; i < 5; ++i)
    {
        const auto before = m->getInstance();
        EndCurrentSong();
        m->update(0.016);
        EXPECT_EQ(m->getCurrentSong(), 2);
        EXPECT_TRUE(m->isPlaying());
        EXPECT_NE(m->getInstance(), before);
    }
    m->jukePlayAll();
    EndCurrentSong();
    m->update(0.016);
    EXPECT_NE(m->getCurrentSong(), 2);
}

TEST_F(MusicTest, StaleCompletionsAreIgnored)
{
    MusicSystem* m = MusicSystem::instance();
    m->playSong(0, false);
    const auto old = m->getInstance();
    m->playSong(1, false);
    // The end of the replaced song arrives late: the current one plays on.
    m->OnComplete(old, std::shared_ptr<TSound>());
    m->update(0.016);
    EXPECT_TRUE(m->isPlaying());
    EXPECT_EQ(m->getCurrentSong(), 1);
    // Completions are taken on the next update, not when reported.
    EndCurrentSong();
    EXPECT_TRUE(m->isPlaying());
    m->update(0.016);
    EXPECT_FALSE(m->isPlaying());
}

TEST_F(MusicTest, CompletionsFromAnotherThreadWhileTheGameSwitchesSongs)
{
    MusicSystem* m = MusicSystem::instance();
    m->setJukeboxOn(true);
    m->update(0.016);
    std::shared_ptr<TSoundInstance> first = m->getInstance();
    std::atomic<bool> stop(false);
    // The sound thread keeps reporting ends (a stale instance and, under the lock, whatever
    // instance it last saw) while the main thread switches songs and steps the jukebox.
    std::thread sound(
        [m, first, &stop]
        {
            while (!stop.load())
            {
                TSoundLock lock(SoundManagerMutex::mMutex);
                m->OnComplete(first, std::shared_ptr<TSound>());
            }
        });
    for (int i = 0; i < 2000; ++i)
    {
        m->update(0.016);
        if (i % 7 == 0)
            m->playSong(i % 3, false);
        if (i % 11 == 0)
            m->stop(0.05);
    }
    stop.store(true);
    sound.join();
    m->update(0.016);
    EXPECT_TRUE(m->isPlaying());
}

TEST_F(MusicTest, MissingSongFilesPlayNothingAndTheJukeboxMovesOn)
{
    // Only "a.ogg" (song 0) exists in this folder layout.
    for (const char* name : {"b.ogg", "c.ogg"})
        TFile::AddMemoryFile((std::string("sounds/") + name).c_str(), nullptr, 0);
    MusicSystem* m = MusicSystem::instance();
    m->playSong(1, false);
    EXPECT_FALSE(m->isPlaying());
    m->setJukeboxOn(true);
    for (int i = 0; i < 20 && !m->isPlaying(); ++i)
        m->update(0.016);
    EXPECT_TRUE(m->isPlaying());
    EXPECT_EQ(m->getCurrentSong(), 0);
}

TEST_F(MusicTest, VolumesFollowTheOptions)
{
    MusicSystem* m = MusicSystem::instance();
    IntroLoop* loop = IntroLoop::instance();
    m->playSong(0, false);
    loop->play();
    Options::instance()->setMusicVolume(0.4);
    m->setMusicVolumeFromOptions();
    loop->setMusicVolumeFromOptions();
    EXPECT_NEAR(TypeVolume(m->getSongType(0)), 0.4, 1e-6);
    EXPECT_NEAR(TypeVolume(loop->getType()), 0.4, 1e-6);
    Options::instance()->setMusicVolume(3.0);
    m->setMusicVolumeFromOptions();
    EXPECT_NEAR(TypeVolume(m->getSongType(0)), 1.0, 1e-6);
}

}  // namespace
