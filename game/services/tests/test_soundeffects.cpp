// Sound effects: volume types, the definition file, variant choice and stealing, volume
// composition, looping slots handed between holders, on OpenAL's null output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "services/options.h"
#include "services/soundeffects.h"
#include "services/soundhelper.h"
#include "sound/soundinstance.h"
#include "soundfixture.h"
#include "wgui_timer.h"

using namespace Game;

namespace
{

using servicestest::SoundServicesTest;

class RecordingHolder : public LoopSoundHolder
{
public:
    void loopSoundStopped(SoundEffectLoop* loop) override { stopped.push_back(loop); }
    std::vector<SoundEffectLoop*> stopped;
};

class SoundEffectsTest : public SoundServicesTest
{
protected:
    void SetUp() override
    {
        SoundServicesTest::SetUp();
        AddSound("pop.ogg", 0.2);
        AddSound("hum.ogg", 0.3);
    }

    // The volume the manager applies to a type, relative to the master volume.
    float TypeVolume(int type) { return mManager->GetVolume(type) / mManager->GetVolume(-1); }
};

TEST(SoundHelper, IdsCountUpFromOneThousandAcrossBothKinds)
{
    TSoundHelper::deleteInstance();
    TSoundHelper* h = TSoundHelper::instance();
    EXPECT_EQ(h->getSoundEffectGroupID(), 1000);
    EXPECT_EQ(h->getMusicGroupID(), 1001);
    EXPECT_EQ(h->getSoundEffectGroupID(), 1002);
    EXPECT_EQ(h->getSoundEffectIDs(), (std::vector<int>{1000, 1002}));
    EXPECT_EQ(h->getMusicIDs(), (std::vector<int>{1001}));
    TSoundHelper::deleteInstance();
}

TEST_F(SoundEffectsTest, DefinitionFile)
{
    AddText("soundeffects.xml",
            "<sounds>"
            "<sound name=\"pop\"><sample filename=\"pop\"></sample>"
            "<sample filename=\"pop\" volume=\"0.5\"></sample><sample volume=\"0.3\"></sample>"
            "</sound>"
            "<sound><sample filename=\"pop\"></sample></sound>"
            "<loopsound name=\"hum\" filename=\"hum\" num=\"3\" volume=\"0.7\"></loopsound>"
            "<loopsound name=\"drone\" filename=\"hum\"></loopsound>"
            "<loopsound name=\"nofile\"></loopsound>"
            "<other name=\"x\"></other>"
            "<sound name=\"twice\"><sample filename=\"pop\"></sample></sound>"
            "<sound name=\"twice\"><sample filename=\"pop\"></sample>"
            "<sample filename=\"pop\"></sample></sound>"
            "<sound name=\"missing\"><sample filename=\"nothere\"></sample></sound>"
            "<loopsound name=\"many\" filename=\"hum\" num=\"100000000\"></loopsound>"
            "</sounds>");
    SoundEffectSystem* s = SoundEffectSystem::instance();
    EXPECT_DOUBLE_EQ(s->getGlobalEffectVolume(), 0.95);  // the options' default
    EXPECT_EQ(s->getNumSoundEffects(), 3);
    SoundEffect* pop = s->getSoundEffect("pop");
    ASSERT_NE(pop, nullptr);
    ASSERT_EQ(pop->getNumSamples(), 2);
    EXPECT_FLOAT_EQ(pop->getSample(0)->getBaseVolume(), 1.0f);
    EXPECT_FLOAT_EQ(pop->getSample(1)->getBaseVolume(), 0.5f);
    EXPECT_TRUE(pop->getSample(0)->hasSound());
    EXPECT_NE(pop->getSample(0)->getType(), pop->getSample(1)->getType());
    EXPECT_NEAR(pop->getSample(0)->getTimerLength(), 0.2, 0.01);
    EXPECT_EQ(s->getSoundEffect("twice")->getNumSamples(), 2);
    EXPECT_FALSE(s->getSoundEffect("missing")->getSample(0)->hasSound());
    EXPECT_EQ(s->getSoundEffect("x"), nullptr);

    SoundEffectLoop* hum = s->getSoundEffectLoop("hum");
    ASSERT_NE(hum, nullptr);
    ASSERT_EQ(hum->getNumSlots(), 3);
    EXPECT_FLOAT_EQ(hum->getSlot(2)->getBaseVolume(), 0.7f);
    EXPECT_EQ(s->getSoundEffectLoop("drone")->getNumSlots(), 1);
    EXPECT_EQ(s->getSoundEffectLoop("nofile"), nullptr);
    EXPECT_EQ(s->getSoundEffectLoop("many")->getNumSlots(), SoundEffectLoop::kMaxSlots);
}

TEST_F(SoundEffectsTest, ShippedTableDefinesTheEffectsTheGamePlays)
{
    const char* source = getenv("QF_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    SoundEffectSystem* s = SoundEffectSystem::instance();
    s->readFile(str("::") + source + "/assets/sounds/soundeffects.xml");
    for (const char* name : {"click", "clock", "buzz", "levelcomplete", "yumyum", "puff", "explosion",
                             "scream", "womanscream", "cat"})
    {
        SoundEffect* e = s->getSoundEffect(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->getNumSamples(), 1) << name;
    }
}

TEST_F(SoundEffectsTest, MissingOrDamagedDefinitionFileDefinesNothing)
{
    const char* cases[] = {nullptr, "", "<sounds", "garbage", "<!-- x --><?xml?>"};
    for (const char* text : cases)
    {
        SoundEffectSystem::deleteInstance();
        if (text)
            AddText("soundeffects.xml", text);
        SoundEffectSystem* s = SoundEffectSystem::instance();
        EXPECT_EQ(s->getNumSoundEffects(), 0);
        EXPECT_EQ(s->getNumSoundEffectLoops(), 0);
        EXPECT_EQ(s->getSoundEffect("pop"), nullptr);
        s->stopLoopSounds();
    }
}

TEST_F(SoundEffectsTest, QuietPlaysAreDropped)
{
    SoundEffect effect;
    effect.addSample("pop", 1.0f);
    effect.play(0.04f, 0);
    EXPECT_FALSE(effect.isPlaying());
    effect.play(0.05f, 0);
    EXPECT_TRUE(effect.isPlaying());
    ASSERT_TRUE(effect.getSample(0)->getInstance());
    effect.stopAllSamples();
    EXPECT_FALSE(effect.isPlaying());
    EXPECT_FALSE(effect.getSample(0)->getInstance());

    SoundEffect empty;
    empty.play(1.0f, 0);
    EXPECT_FALSE(empty.isPlaying());
}

TEST_F(SoundEffectsTest, FreeVariantsAreTakenFromARandomStart)
{
    SoundEffect effect;
    for (int i = 0; i < 3; ++i)
        effect.addSample("pop", 1.0f);
    std::vector<int> firstPicks(3, 0);
    srand(5);
    for (int round = 0; round < 60; ++round)
    {
        effect.play(0.5f, 0);
        for (int i = 0; i < 3; ++i)
            if (effect.getSample(i)->isPlaying())
                ++firstPicks[static_cast<size_t>(i)];
        // The next two plays fill the other variants.
        effect.play(0.5f, 0);
        effect.play(0.5f, 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(effect.getSample(i)->isPlaying());
        effect.stopAllSamples();
    }
    for (int n : firstPicks)
        EXPECT_GT(n, 0);
}

TEST_F(SoundEffectsTest, BusyVariantsGiveWayOnlyToALouderSound)
{
    SoundEffect effect;
    for (int i = 0; i < 3; ++i)
        effect.addSample("pop", 1.0f);
    effect.getSample(0)->play(0.5f, 0);
    effect.getSample(1)->play(0.3f, 0);
    effect.getSample(2)->play(0.3f, 0);
    const auto second = effect.getSample(1)->getInstance();
    const auto third = effect.getSample(2)->getInstance();

    effect.play(0.3f, 0);  // not louder than the quietest: nothing
    EXPECT_EQ(effect.getSample(1)->getInstance(), second);
    EXPECT_FLOAT_EQ(effect.getSample(1)->getVolume(), 0.3f);

    effect.play(0.4f, 0.5f);  // the first of the two quietest is restarted
    EXPECT_NE(effect.getSample(1)->getInstance(), second);
    EXPECT_FLOAT_EQ(effect.getSample(1)->getVolume(), 0.4f);
    EXPECT_FLOAT_EQ(effect.getSample(1)->getPan(), 0.5f);
    EXPECT_FALSE(second->IsPlaying());
    EXPECT_EQ(effect.getSample(2)->getInstance(), third);
    EXPECT_FLOAT_EQ(effect.getSample(0)->getVolume(), 0.5f);
}

TEST_F(SoundEffectsTest, VariantVolumeIsGlobalTimesPlayTimesBase)
{
    Options::instance()->setSoundEffectVolume(0.5);
    SoundEffectSystem* s = SoundEffectSystem::instance();
    EXPECT_DOUBLE_EQ(s->getGlobalEffectVolume(), 0.5);
    SoundEffect effect;
    effect.addSample("pop", 0.5f);
    effect.play(0.8f, 0);
    EXPECT_NEAR(TypeVolume(effect.getSample(0)->getType()), 0.2f, 1e-6);
    // Clamped to 0..1.
    effect.getSample(0)->stop();
    s->setGlobalEffectVolume(4.0);
    effect.play(1.0f, 0);
    EXPECT_NEAR(TypeVolume(effect.getSample(0)->getType()), 1.0f, 1e-6);
    Options::instance()->setSoundEffectVolume(0.25);
    s->setSoundEffectVolumeFromOptions();
    EXPECT_DOUBLE_EQ(s->getGlobalEffectVolume(), 0.25);
}

TEST_F(SoundEffectsTest, AVariantStopsCountingWhenItsTimerRunsOut)
{
    SoundEffect effect;
    effect.addSample("pop", 1.0f);
    effect.play(1.0f, 0);
    SoundSample* s = effect.getSample(0);
    EXPECT_TRUE(s->isRunning());
    EXPECT_FALSE(s->update(0.1));
    EXPECT_TRUE(s->isPlaying());
    EXPECT_TRUE(s->update(0.15));
    EXPECT_FALSE(s->isPlaying());
    EXPECT_FALSE(s->getInstance());
    EXPECT_FALSE(s->isRunning());
    EXPECT_FALSE(WGUI::EggTimers::instance()->contains(s));
    // Free again: the next play takes it.
    effect.play(1.0f, 0);
    EXPECT_TRUE(s->isPlaying());
}

TEST_F(SoundEffectsTest, FrameTimersEndAVariantAfterItsLength)
{
    SoundEffect effect;
    effect.addSample("pop", 1.0f);  // 0.2 s
    effect.play(1.0f, 0);
    // Without a platform clock every frame counts as the shortest, 1 ms.
    int frames = 0;
    while (effect.isPlaying() && frames < 1000)
    {
        WGUI::Timer::instance()->update();
        WGUI::EggTimers::instance()->update();
        ++frames;
    }
    EXPECT_FALSE(effect.isPlaying());
    EXPECT_NEAR(frames, 200, 2);
    EXPECT_FALSE(effect.getSample(0)->isRunning());
    WGUI::Timer::deleteInstance();
}

TEST_F(SoundEffectsTest, AVariantWithoutItsFilePlaysNothing)
{
    SoundEffect effect;
    effect.addSample("nothere", 1.0f);
    effect.play(1.0f, 0);
    EXPECT_FALSE(effect.isPlaying());
    EXPECT_FALSE(effect.getSample(0)->getInstance());
}

TEST_F(SoundEffectsTest, LoopSlotsFollowTheirHolders)
{
    SoundEffectLoop loop("hum", 2, 1.0f);
    RecordingHolder a, b, c;

    // Too quiet without a slot: nothing.
    EXPECT_EQ(loop.play(0.15f, 1.0f, -1, &a), -1);  // audibility 0.075
    EXPECT_FALSE(loop.getSlot(0)->isPlaying());

    const int slotA = loop.play(0.5f, 0, -1, &a);
    EXPECT_EQ(slotA, 0);
    EXPECT_EQ(loop.getSlot(0)->getHolder(), &a);
    // The holder keeps its slot, which follows its volume and (clamped) pan.
    // (Audibility uses the pan as given: 1.0 x (2 - 1.5) / 2 = 0.25.)
    EXPECT_EQ(loop.play(1.0f, -1.5f, slotA, &a), slotA);
    EXPECT_FLOAT_EQ(loop.getSlot(0)->getVolume(), 1.0f);
    EXPECT_FLOAT_EQ(loop.getSlot(0)->getPan(), -1.0f);

    // A slot handed back by another holder is not reused: a free one is taken.
    const int slotB = loop.play(0.5f, 0, slotA, &b);
    EXPECT_EQ(slotB, 1);
    EXPECT_EQ(loop.getSlot(0)->getHolder(), &a);

    // All taken: the least audible (the first of equals) goes to a louder holder, whose old
    // holder is not told. Slot 0: 1.0 at pan -1 (0.5); slot 1: 0.5 at pan 0 (0.5).
    EXPECT_EQ(loop.play(0.5f, 0, -1, &c), -1);
    EXPECT_EQ(loop.play(0.6f, 0, -1, &c), 0);
    EXPECT_EQ(loop.getSlot(0)->getHolder(), &c);
    EXPECT_TRUE(a.stopped.empty());

    // a's slot now belongs to c: a gets nothing back for it.
    EXPECT_EQ(loop.play(0.2f, 0, slotA, &a), -1);

    // Quiet again: the caller's slot stops, and whoever holds it is told.
    EXPECT_EQ(loop.play(0.1f, 1.0f, slotB, &b), -1);
    EXPECT_FALSE(loop.getSlot(1)->isPlaying());
    ASSERT_EQ(b.stopped.size(), 1u);
    EXPECT_EQ(b.stopped[0], &loop);

    // Out-of-range slots are treated as none.
    EXPECT_EQ(loop.play(0.05f, 0, 99, &a), -1);
    loop.stop(99);
    loop.stop(-5);
}

TEST_F(SoundEffectsTest, LoopVolumeIsClampedThenScaled)
{
    SoundEffectSystem::instance()->setGlobalEffectVolume(0.5);
    SoundEffectLoop loop("hum", 1, 0.8f);
    RecordingHolder a;
    ASSERT_EQ(loop.play(2.0f, 0, -1, &a), 0);
    EXPECT_FLOAT_EQ(loop.getSlot(0)->getVolume(), 1.0f);
    EXPECT_NEAR(TypeVolume(loop.getSlot(0)->getType()), 0.4f, 1e-6);
}

TEST_F(SoundEffectsTest, StopLoopSoundsReleasesEverySlotAndTellsHolders)
{
    AddText("soundeffects.xml", "<s><loopsound name=\"hum\" filename=\"hum\" num=\"2\"></loopsound>"
                                "<loopsound name=\"drone\" filename=\"hum\"></loopsound></s>");
    SoundEffectSystem* s = SoundEffectSystem::instance();
    RecordingHolder a, b, c;
    s->getSoundEffectLoop("hum")->play(1.0f, 0, -1, &a);
    s->getSoundEffectLoop("hum")->play(1.0f, 0, -1, &b);
    s->getSoundEffectLoop("drone")->play(1.0f, 0, -1, &c);
    s->stopLoopSounds();
    EXPECT_EQ(a.stopped.size(), 1u);
    EXPECT_EQ(b.stopped.size(), 1u);
    EXPECT_EQ(c.stopped.size(), 1u);
    EXPECT_EQ(c.stopped[0], s->getSoundEffectLoop("drone"));
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(s->getSoundEffectLoop("hum")->getSlot(i)->isPlaying());
}

TEST_F(SoundEffectsTest, ALoopWithoutItsFileGivesNoSlot)
{
    SoundEffectLoop loop("nothere", 2, 1.0f);
    RecordingHolder a;
    EXPECT_EQ(loop.play(1.0f, 0, -1, &a), -1);
    EXPECT_EQ(loop.getSlot(0)->getHolder(), nullptr);
}

}  // namespace
