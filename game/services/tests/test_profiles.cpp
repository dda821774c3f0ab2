// Profiles and level progress: first start, old-form conversion, best times, cheat-blocked
// results, achievement counts, and add / rename / remove sequences kept in step.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "servicestest.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/profiles.h"

using namespace Game;

namespace
{

class ProfilesTest : public servicestest::ServicesTest
{
protected:
    static int CountOf(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(ProfilesTest, FirstStartWithoutFiles)
{
    Profiles* p = Profiles::instance();
    EXPECT_FALSE(p->hasActiveProfile());
    EXPECT_EQ(p->getNumProfiles(), 0);
    LevelProgress* lp = LevelProgress::instance();
    // No progress record is made before a name exists.
    EXPECT_EQ(lp->getNumProfiles(), 0);
    EXPECT_EQ(lp->getActiveIndex(), -1);
    EXPECT_EQ(lp->getActiveProfile(), nullptr);
    lp->setProgressVars(LevelMode::kCasual, "level01.xml", true, 30);  // nobody to record it for
    EXPECT_EQ(lp->getNumProfiles(), 0);
    bool completed = true;
    int time = 5;
    EXPECT_FALSE(lp->getProgressVars(LevelMode::kCasual, "level01.xml", completed, time));
    EXPECT_FALSE(completed);
    EXPECT_EQ(time, 0);
    EXPECT_FALSE(UserFileExists("levelprogress.xml"));
    EXPECT_FALSE(UserFileExists("profiles.xml"));
}

// A first start, then the first name: the progress file holds that player's record only.
TEST_F(ProfilesTest, TheFirstNameIsTheOnlyRecordWritten)
{
    LevelProgress* lp = LevelProgress::instance();
    Profiles::instance()->addProfile("Ann");
    Profiles::instance()->setActiveProfile("Ann");
    lp->addProfile("Ann");
    lp->setActiveProfile();
    ASSERT_EQ(lp->writeXML(), 0);
    const std::string text = ReadUserFile("levelprogress.xml");
    EXPECT_EQ(CountOf(text, "<profile"), 1) << text;
    EXPECT_EQ(CountOf(text, "name=\"\""), 0) << text;
}

// A record without a name (or with an empty one) in the progress file stands for no player.
// Read at start, an empty one is dropped. One that holds results is not thrown away: it goes to
// the player the file's older form would give it to (the active one, or "Player 1" made active
// when none is), unless that player has a record already; then it is kept as it is.
TEST_F(ProfilesTest, UnnamedProgressRecordsAreDroppedWhenEmptyAndKeptWithResults)
{
    const std::string won = "<normal><level name=\"a.xml\" completed=\"true\" time=\"40\"></level></normal>";
    const struct
    {
        const char* name;
        const char* profiles;              // profiles.xml
        std::string progress;              // the records under the root
        std::vector<std::string> records;  // the names read, in order
        const char* active;
        const char* holderOfA;  // whose record holds a.xml after reading ("-" nobody's)
        bool filesRewritten;
    } cases[] = {
        {"empty unnamed beside a player",
         "<profiles active=\"Ann\"><profile name=\"Ann\"/></profiles>",
         "<profile name=\"\"><normal/><timeattack/><endurance/></profile><profile name=\"Ann\"/>",
         {"Ann"},
         "Ann",
         "-",
         false},
        {"empty without a name attribute",
         "<profiles active=\"Ann\"><profile name=\"Ann\"/></profiles>",
         "<profile name=\"Ann\"/><profile/>",
         {"Ann"},
         "Ann",
         "-",
         false},
        {"only an empty unnamed one, no player", "", "<profile name=\"\"/>", {}, "", "-", false},
        {"results, no player yet",
         "",
         "<profile name=\"\">" + won + "</profile>",
         {"Player 1"},
         "Player 1",
         "Player 1",
         true},
        {"results, the active player has no record",
         "<profiles active=\"Ann\"><profile name=\"Ann\"/></profiles>",
         "<profile name=\"\">" + won + "</profile>",
         {"Ann"},
         "Ann",
         "Ann",
         true},
        {"results, the active player has a record",
         "<profiles active=\"Ann\"><profile name=\"Ann\"/></profiles>",
         "<profile name=\"Ann\"/><profile name=\"\">" + won + "</profile>",
         {"Ann", ""},
         "Ann",
         "",
         false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        LevelProgress::deleteInstance();
        Profiles::deleteInstance();
        for (const char* f : {"profiles.xml", "profiles.xml.bak", "levelprogress.xml.bak"})
            std::filesystem::remove(UserPath(f));
        if (c.profiles[0])
            WriteUserFile("profiles.xml", c.profiles);
        const std::string progress = "<levelprogress>" + c.progress + "</levelprogress>";
        WriteUserFile("levelprogress.xml", progress);
        LevelProgress* lp = LevelProgress::instance();
        std::vector<std::string> records;
        for (int i = 0; i < lp->getNumProfiles(); ++i)
            records.push_back(lp->getProfile(i)->getName().c_str());
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(std::string(Profiles::instance()->getActiveProfile().c_str()), c.active);
        std::string holder = "-";
        for (int i = 0; i < lp->getNumProfiles(); ++i)
            if (lp->getProfile(i)->getItem(LevelMode::kCasual, "a.xml"))
                holder = lp->getProfile(i)->getName().c_str();
        EXPECT_EQ(holder, c.holderOfA);
        if (holder != "-" && !holder.empty())
        {
            EXPECT_TRUE(Profiles::instance()->profileExists(holder.c_str()));
        }
        // A record taken over is saved at once, the profile list with it; dropping an empty one
        // waits for the next save.
        EXPECT_EQ(ReadUserFile("levelprogress.xml") != progress, c.filesRewritten);
    }
}

TEST_F(ProfilesTest, ProfilesAddRenameRemove)
{
    Profiles* p = Profiles::instance();
    EXPECT_TRUE(p->addProfile("Ann"));
    EXPECT_TRUE(p->addProfile("Bob"));
    EXPECT_FALSE(p->addProfile("Ann"));
    EXPECT_EQ(p->getNumProfiles(), 2);
    p->setActiveProfile("Bob");
    EXPECT_TRUE(p->hasActiveProfile());

    // Renaming another profile leaves the player where they are.
    p->changePlayerName("Ann", "Anne");
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Bob");
    EXPECT_TRUE(p->profileExists("Anne"));
    EXPECT_FALSE(p->profileExists("Ann"));
    // Renaming the active one moves the active name with it.
    p->changePlayerName("Bob", "Rob");
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Rob");

    p->removeProfile("Anne");
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Rob");
    p->removeProfile("Rob");
    EXPECT_FALSE(p->hasActiveProfile());
    EXPECT_EQ(p->getNumProfiles(), 0);
}

TEST_F(ProfilesTest, ProfilesRoundTripKeepsOrderAndEscapes)
{
    Profiles* p = Profiles::instance();
    const char* names[] = {"Zed", "Amy", "a<b>&\"c'", "Player 1"};
    for (const char* n : names)
        p->addProfile(n);
    p->setActiveProfile("Amy");
    ASSERT_EQ(p->writeXML(), 0);
    Profiles::deleteInstance();
    p = Profiles::instance();
    ASSERT_EQ(p->getNumProfiles(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(p->getNames()[static_cast<size_t>(i)].c_str(), names[i]);
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Amy");
}

TEST_F(ProfilesTest, ProfilesFileReadsEveryChildWithoutDuplicateTest)
{
    WriteUserFile("profiles.xml",
                  "<?xml version=\"1.0\"?><profiles active=\"B\"><profile name=\"A\"></profile>"
                  "<anything name=\"B\"></anything><profile></profile>"
                  "<!-- note --><profile name=\"A\"></profile></profiles>");
    Profiles* p = Profiles::instance();
    ASSERT_EQ(p->getNumProfiles(), 4);
    EXPECT_STREQ(p->getNames()[0].c_str(), "A");
    EXPECT_STREQ(p->getNames()[1].c_str(), "B");
    EXPECT_STREQ(p->getNames()[2].c_str(), "");
    EXPECT_STREQ(p->getNames()[3].c_str(), "A");
    EXPECT_STREQ(p->getActiveProfile().c_str(), "B");
}

TEST_F(ProfilesTest, DamagedFilesLeaveNothing)
{
    const char* cases[] = {"", "<profiles", "\xff\xfe<", "not xml at all"};
    for (const char* text : cases)
    {
        SCOPED_TRACE(text);
        Profiles::deleteInstance();
        LevelProgress::deleteInstance();
        WriteUserFile("profiles.xml", text);
        WriteUserFile("levelprogress.xml", text);
        EXPECT_FALSE(Profiles::instance()->hasActiveProfile());
        EXPECT_EQ(LevelProgress::instance()->getNumProfiles(), 0);
        // Reading alone never writes a new file; damaged bytes are kept aside (an empty file
        // has none to keep and stays).
        EXPECT_EQ(ReadUserFile("levelprogress.xml"), text[0] ? "" : text);
    }
}

TEST_F(ProfilesTest, BestTimeOnlyLowersAndFirstWinStoresItsTime)
{
    Profiles::instance()->setActiveProfile("Ann");
    LevelProgress* lp = LevelProgress::instance();
    lp->setActiveProfile();
    lp->setProgressVars(LevelMode::kTimed, "level05.xml", true, 80);
    lp->setProgressVars(LevelMode::kTimed, "level05.xml", true, 95);
    bool completed = false;
    int time = 0;
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kTimed, "level05.xml", completed, time));
    EXPECT_TRUE(completed);
    EXPECT_EQ(time, 80);
    lp->setProgressVars(LevelMode::kTimed, "level05.xml", true, 70);
    lp->getProgressVars(LevelMode::kTimed, "level05.xml", completed, time);
    EXPECT_EQ(time, 70);
    // Other modes and a bad mode hold nothing.
    EXPECT_FALSE(lp->getProgressVars(LevelMode::kCasual, "level05.xml", completed, time));
    EXPECT_EQ(lp->getLevelProgressItem(static_cast<LevelMode>(3), "level05.xml"), nullptr);
    EXPECT_EQ(lp->getLevelProgressItem(static_cast<LevelMode>(-1), "level05.xml"), nullptr);
    lp->setProgressVars(static_cast<LevelMode>(7), "level05.xml", true, 1);  // ignored
}

TEST_F(ProfilesTest, GameplayCheatBlocksResults)
{
    Profiles::instance()->setActiveProfile("Ann");
    LevelProgress* lp = LevelProgress::instance();
    lp->setActiveProfile();
    Cheats::instance()->setGoThroughWalls(true);
    lp->setProgressVars(LevelMode::kCasual, "level01.xml", true, 30);
    EXPECT_EQ(lp->getLevelProgressItem(LevelMode::kCasual, "level01.xml"), nullptr);
    Cheats::instance()->setGoThroughWalls(false);
    Cheats::instance()->setCyclops(true);
    lp->setProgressVars(LevelMode::kCasual, "level01.xml", true, 30);
    EXPECT_NE(lp->getLevelProgressItem(LevelMode::kCasual, "level01.xml"), nullptr);
}

TEST_F(ProfilesTest, ProgressRoundTripPerProfileAndMode)
{
    Profiles* p = Profiles::instance();
    p->addProfile("Ann");
    p->addProfile("Bob");
    p->setActiveProfile("Ann");
    LevelProgress* lp = LevelProgress::instance();
    lp->setActiveProfile();
    lp->setProgressVars(LevelMode::kCasual, "b.xml", true, 100);
    lp->setProgressVars(LevelMode::kCasual, "a.xml", false, 200);
    lp->setProgressVars(LevelMode::kEndurance, "endurance1.xml", true, 300);
    p->setActiveProfile("Bob");
    lp->setActiveProfile();
    lp->setProgressVars(LevelMode::kTimed, "a.xml", true, 40);
    ASSERT_EQ(lp->writeXML(), 0);
    ASSERT_EQ(p->writeXML(), 0);

    const std::string text = ReadUserFile("levelprogress.xml");
    // Every profile carries all three modes, levels in byte order.
    EXPECT_EQ(CountOf(text, "<profile"), 2);
    EXPECT_EQ(CountOf(text, "<normal"), 2);
    EXPECT_EQ(CountOf(text, "<timeattack"), 2);
    EXPECT_EQ(CountOf(text, "<endurance"), 2);
    EXPECT_LT(text.find("\"a.xml\""), text.find("\"b.xml\""));

    servicestest::DeleteServiceSingletons();
    p = Profiles::instance();
    lp = LevelProgress::instance();
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Bob");
    bool completed = false;
    int time = 0;
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kTimed, "a.xml", completed, time));
    EXPECT_TRUE(completed);
    EXPECT_EQ(time, 40);
    EXPECT_FALSE(lp->getProgressVars(LevelMode::kCasual, "b.xml", completed, time));
    p->setActiveProfile("Ann");
    lp->setActiveProfile();
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kCasual, "a.xml", completed, time));
    EXPECT_FALSE(completed);
    EXPECT_EQ(time, 200);
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kEndurance, "endurance1.xml", completed, time));
    EXPECT_TRUE(completed);
    EXPECT_EQ(time, 300);
}

TEST_F(ProfilesTest, OlderProgressFormIsConvertedAndBothFilesRewritten)
{
    WriteUserFile("levelprogress.xml",
                  "<levelprogress><normal><level name=\"level01.xml\" completed=\"true\" "
                  "time=\"77\"></level></normal><timeattack></timeattack></levelprogress>");
    LevelProgress* lp = LevelProgress::instance();
    Profiles* p = Profiles::instance();
    EXPECT_STREQ(p->getActiveProfile().c_str(), "Player 1");
    EXPECT_TRUE(p->profileExists("Player 1"));
    ASSERT_EQ(lp->getNumProfiles(), 1);
    EXPECT_STREQ(lp->getActiveProfile()->getName().c_str(), "Player 1");
    bool completed = false;
    int time = 0;
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kCasual, "level01.xml", completed, time));
    EXPECT_TRUE(completed);
    EXPECT_EQ(time, 77);

    const std::string progress = ReadUserFile("levelprogress.xml");
    EXPECT_NE(progress.find("<profile"), std::string::npos);
    EXPECT_NE(progress.find("Player 1"), std::string::npos);
    EXPECT_NE(ReadUserFile("profiles.xml").find("Player 1"), std::string::npos);

    // The rewritten files read back the same way, now in the current form.
    servicestest::DeleteServiceSingletons();
    lp = LevelProgress::instance();
    EXPECT_STREQ(Profiles::instance()->getActiveProfile().c_str(), "Player 1");
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kCasual, "level01.xml", completed, time));
    EXPECT_EQ(time, 77);
}

TEST_F(ProfilesTest, ProgressReadingDefaultsAndLaterEntriesReplace)
{
    WriteUserFile("profiles.xml", "<profiles active=\"Ann\"><profile name=\"Ann\"></profile></profiles>");
    WriteUserFile("levelprogress.xml", "<levelprogress><profile name=\"Ann\"><timeattack>"
                                       "<level name=\"x.xml\" completed=\"true\" time=\"50\"></level>"
                                       "<level name=\"x.xml\" time=\"60\"></level>"
                                       "<level completed=\"yes\"></level>"
                                       "<level name=\"big.xml\" time=\"99999999999999\"></level>"
                                       "</timeattack></profile><wrong name=\"Ann\"></wrong></levelprogress>");
    LevelProgress* lp = LevelProgress::instance();
    ASSERT_EQ(lp->getNumProfiles(), 1);
    bool completed = true;
    int time = 0;
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kTimed, "x.xml", completed, time));
    EXPECT_FALSE(completed);  // the later entry, with the default
    EXPECT_EQ(time, 60);
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kTimed, "", completed, time));
    EXPECT_FALSE(completed);
    EXPECT_EQ(time, 1000000);
    ASSERT_TRUE(lp->getProgressVars(LevelMode::kTimed, "big.xml", completed, time));
    EXPECT_EQ(time, 2147483647);  // saturated
}

TEST_F(ProfilesTest, RemoveAndRenameKeepTheActiveIndexValid)
{
    Profiles* p = Profiles::instance();
    LevelProgress* lp = LevelProgress::instance();
    lp->clear();
    lp->addProfile("A");
    lp->addProfile("B");
    lp->addProfile("C");
    p->setActiveProfile("C");
    lp->setActiveProfile();
    EXPECT_EQ(lp->getActiveIndex(), 2);
    lp->removeProfile("A");
    EXPECT_EQ(lp->getActiveIndex(), 1);
    EXPECT_STREQ(lp->getActiveProfile()->getName().c_str(), "C");
    lp->removeProfile("C");
    EXPECT_EQ(lp->getActiveIndex(), -1);
    EXPECT_EQ(lp->getActiveProfile(), nullptr);
    lp->setProgressVars(LevelMode::kCasual, "x.xml", true, 1);  // no active profile: nothing happens
    EXPECT_EQ(lp->getLevelProgressItem(LevelMode::kCasual, "x.xml"), nullptr);
    lp->changePlayerName("B", "D");
    p->setActiveProfile("D");
    lp->setActiveProfile();
    EXPECT_EQ(lp->getNumProfiles(), 1);
    EXPECT_STREQ(lp->getActiveProfile()->getName().c_str(), "D");
}

TEST_F(ProfilesTest, AchievementCounts)
{
    MedalTimes* medals = MedalTimes::instance();
    Profiles::instance()->setActiveProfile("Ann");
    LevelProgress* lp = LevelProgress::instance();
    lp->setActiveProfile();
    for (int i = 0; i < 60; ++i)
    {
        const str level = str::getFormatted("level%02d.xml", i);
        medals->setLevelTimes(level, 300, 100, 150, 200);
        // 20 gold, 20 silver, 10 bronze, 10 without a medal; all completed in both modes.
        const int time = i < 20 ? 100 : i < 40 ? 150 : i < 50 ? 200 : 201;
        lp->setProgressVars(LevelMode::kTimed, level, true, time);
        lp->setProgressVars(LevelMode::kCasual, level, true, time);
    }
    lp->calcLevelCompletionStats();
    LevelProgressProfile* prof = lp->getActiveProfile();
    EXPECT_EQ(prof->timedCompleted, 60);
    EXPECT_EQ(prof->timedGold, 20);
    EXPECT_EQ(prof->timedSilver, 40);
    EXPECT_EQ(prof->timedBronze, 50);
    EXPECT_EQ(prof->casualCompleted, 60);
    EXPECT_TRUE(lp->allNormalModeBeaten());
    EXPECT_TRUE(lp->allTimeAttackBeaten());
    EXPECT_FALSE(lp->allTimeAttackBronze());
    EXPECT_FALSE(lp->allEnduranceModeBeaten());

    for (int i = 0; i < 3; ++i)
        lp->setProgressVars(LevelMode::kEndurance, str::getFormatted("e%d.xml", i), true, 1000);
    for (int i = 50; i < 60; ++i)
        lp->setProgressVars(LevelMode::kTimed, str::getFormatted("level%02d.xml", i), true, 200);
    lp->calcLevelCompletionStats();
    EXPECT_TRUE(lp->allEnduranceModeBeaten());
    EXPECT_TRUE(lp->allTimeAttackBronze());
    EXPECT_FALSE(lp->allTimeAttackSilver());
    EXPECT_FALSE(lp->allTimeAttackGold());
}

}  // namespace
