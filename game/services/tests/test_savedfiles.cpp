// The saved files of the services as the player meets them after a crash or a damaged disk:
// damaged files kept aside and replaced by their backup, backups kept on every save, old-form
// conversion under the active profile, records left under a name no profile lists, and option
// values without a number.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/savedstate.h"
#include "scratchdir.h"
#include "servicestest.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/options.h"
#include "services/profilereconcile.h"
#include "services/profiles.h"

using namespace Game;

namespace
{

using servicestest::ServicesTest;

using Kinds = servicestest::AppleAndBug;

class SavedFilesTest : public ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        TakeSavedStateReports();
    }
    void TearDown() override
    {
        TakeSavedStateReports();
        ServicesTest::TearDown();
    }
    // Names in the user folder that start with the prefix.
    std::vector<std::string> UserFilesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        if (DIR* dir = opendir(mUserDir.c_str()))
        {
            while (dirent* e = readdir(dir))
                if (std::string(e->d_name).compare(0, prefix.size(), prefix) == 0)
                    out.push_back(e->d_name);
            closedir(dir);
        }
        return out;
    }

public:
    void ClearUserDir()
    {
        servicestest::DeleteServiceSingletons();
        RemoveScratchFolder(mUserDir);
        mkdir(mUserDir.c_str(), 0755);
        servicestest::UseUserDir(mUserDir);
        TakeSavedStateReports();
    }
    int CasualTime(const char* level)
    {
        bool completed = false;
        int time = 0;
        LevelProgress::instance()->getProgressVars(LevelMode::kCasual, level, completed, time);
        return completed ? time : -1;
    }

    Kinds kinds;
};

const char kProfiles[] = "<profiles active=\"Ann\"><profile name=\"Ann\"></profile>"
                         "<profile name=\"Bob\"></profile></profiles>";
const char kProgress[] = "<levelprogress><profile name=\"Ann\"><normal>"
                         "<level name=\"a.xml\" completed=\"true\" time=\"40\"></level>"
                         "<level name=\"b.xml\" completed=\"true\" time=\"50\"></level>"
                         "</normal><timeattack></timeattack><endurance></endurance></profile>"
                         "</levelprogress>";
const char kOptions[] = "<options><display width=\"1024\" height=\"768\" depth=\"32\" "
                        "windowed=\"false\"></display><control sensitivity=\"0.8\"></control>"
                        "</options>";
const char kEaten[] = "<eatenentities><profile name=\"Ann\"><eatenentity name=\"apple\" "
                      "num=\"7\"></eatenentity></profile></eatenentities>";

// One saved file of each service: its good text, and what reading it shows.
struct ServiceFile
{
    const char* file;
    const char* good;
    std::function<bool(SavedFilesTest&)> readsGood;  // reads the files; true when it saw `good`
};

std::vector<ServiceFile> serviceFiles()
{
    return {
        {"profiles.xml", kProfiles,
         [](SavedFilesTest&)
         {
             Profiles* p = Profiles::instance();
             return p->getActiveProfile() == "Ann" && p->getNumProfiles() == 2;
         }},
        {"levelprogress.xml", kProgress,
         [](SavedFilesTest& t)
         {
             Profiles::instance()->setActiveProfile("Ann");
             LevelProgress::instance()->setActiveProfile();
             return t.CasualTime("a.xml") == 40 && t.CasualTime("b.xml") == 50;
         }},
        {"options.xml", kOptions,
         [](SavedFilesTest&)
         {
             Options* o = Options::instance();
             return o->getWidth() == 1024 && o->getDepth() == 32 && o->getMouseSensitivity() == 0.8;
         }},
        {"eatenentities.xml", kEaten,
         [](SavedFilesTest& t)
         {
             Profiles::instance()->setActiveProfile("Ann");
             TotalEntitiesEaten totals(&t.kinds);
             return totals.getTotalEntitiesEaten() == 7;
         }},
    };
}

}  // namespace

TEST_F(SavedFilesTest, DamagedSavesAreKeptAsideAndTheBackupIsRead)
{
    for (const ServiceFile& f : serviceFiles())
    {
        const std::string good = f.good;
        // A save cut short (the reported half-written file), random bytes, and zeros.
        const std::string damages[] = {good.substr(0, good.size() * 2 / 3), good.substr(0, good.size() - 1),
                                       std::string("\x93\x11<q\xfe=\"", 7), std::string(40, '\0')};
        for (const std::string& damaged : damages)
        {
            for (bool withBackup : {true, false})
            {
                SCOPED_TRACE(std::string(f.file) + (withBackup ? " with backup" : " alone"));
                ClearUserDir();
                WriteUserFile(f.file, damaged);
                if (withBackup)
                    WriteUserFile(std::string(f.file) + ".bak", good);

                // The damaged bytes are never half-read: the backup, or nothing.
                EXPECT_EQ(f.readsGood(*this), withBackup);
                const std::vector<std::string> kept =
                    UserFilesStartingWith(std::string(f.file) + ".damaged-");
                ASSERT_EQ(kept.size(), 1u);
                EXPECT_EQ(ReadUserFile(kept[0]), damaged);
                EXPECT_EQ(ReadUserFile(f.file), withBackup ? good : "");
                const std::vector<TSavedStateReport> reports = TakeSavedStateReports();
                ASSERT_EQ(reports.size(), 1u);
                EXPECT_EQ(reports[0].mFile, f.file);
                EXPECT_EQ(reports[0].mRestored, withBackup);
            }
        }
    }
}

// A profile name longer than any the name entry makes (a 40 MB name made the exit save run for
// half a minute) was not written by the game: the file is damage like any other, kept aside
// and replaced by its backup. A name of the longest length still reads.
TEST_F(SavedFilesTest, ProfileNamesLongerThanTheNameEntryMakesAreDamage)
{
    const std::string longest(Profiles::kMaxNameBytes, 'L');
    const std::string tooLong = longest + "L";
    auto withName = [](std::string text, const std::string& name)
    {
        for (size_t at = text.find("Ann"); at != std::string::npos; at = text.find("Ann", at + name.size()))
            text.replace(at, 3, name);
        return text;
    };
    for (const ServiceFile& f : serviceFiles())
    {
        if (std::string(f.file) == "options.xml")
            continue;
        for (bool withBackup : {true, false})
        {
            SCOPED_TRACE(std::string(f.file) + (withBackup ? " with backup" : " alone"));
            ClearUserDir();
            const std::string damaged = withName(f.good, tooLong);
            WriteUserFile(f.file, damaged);
            if (withBackup)
                WriteUserFile(std::string(f.file) + ".bak", f.good);
            EXPECT_EQ(f.readsGood(*this), withBackup);
            const std::vector<std::string> kept = UserFilesStartingWith(std::string(f.file) + ".damaged-");
            ASSERT_EQ(kept.size(), 1u);
            EXPECT_TRUE(ReadUserFile(kept[0]) == damaged);
            EXPECT_EQ(ReadUserFile(f.file), withBackup ? f.good : "");
            ASSERT_EQ(TakeSavedStateReports().size(), 1u);
        }
    }
    // The longest name and an "active" of that length read as they are.
    ClearUserDir();
    WriteUserFile("profiles.xml", withName(kProfiles, longest));
    Profiles* p = Profiles::instance();
    EXPECT_EQ(std::string(p->getActiveProfile().c_str()), longest);
    EXPECT_EQ(p->getNumProfiles(), 2);
    EXPECT_TRUE(UserFilesStartingWith("profiles.xml.damaged-").empty());
    // So does a name of that length in the results files.
    WriteUserFile("levelprogress.xml", withName(kProgress, longest));
    LevelProgress::instance()->setActiveProfile();
    EXPECT_EQ(CasualTime("a.xml"), 40);
    EXPECT_TRUE(TakeSavedStateReports().empty());
}

TEST_F(SavedFilesTest, TruncatedProfileListSwitchesToNoPhantomProfile)
{
    // Cut inside the second name: read leniently this made "Bo" the active profile's sibling,
    // and a cut inside "active" switched to a profile that never existed.
    const std::string good = "<profiles active=\"Bobby\"><profile name=\"Ann\"></profile>"
                             "<profile name=\"Bobby\"></profile></profiles>";
    const std::string cuts[] = {good.substr(0, 20), good.substr(0, good.find("Bobby\"></") + 2)};
    for (const std::string& cut : cuts)
    {
        SCOPED_TRACE(cut);
        servicestest::DeleteServiceSingletons();
        WriteUserFile("profiles.xml", cut);
        Profiles* p = Profiles::instance();
        for (const str& name : p->getNames())
            EXPECT_TRUE(name == "Ann" || name == "Bobby") << name.c_str();
        EXPECT_TRUE(p->getActiveProfile().empty() || p->getActiveProfile() == "Bobby");
        TakeSavedStateReports();
    }
}

TEST_F(SavedFilesTest, EverySaveKeepsThePreviousVersionAsTheBackup)
{
    Profiles* p = Profiles::instance();
    p->addProfile("Ann");
    ASSERT_EQ(p->writeXML(), 0);
    const std::string first = ReadUserFile("profiles.xml");
    EXPECT_FALSE(UserFileExists("profiles.xml.bak"));
    p->addProfile("Bob");
    ASSERT_EQ(p->writeXML(), 0);
    EXPECT_EQ(ReadUserFile("profiles.xml.bak"), first);
    EXPECT_NE(ReadUserFile("profiles.xml"), first);

    Options* o = Options::instance();
    ASSERT_EQ(o->writeXML(), 0);
    o->setMusicVolume(0.25);
    ASSERT_EQ(o->writeXML(), 0);
    EXPECT_NE(ReadUserFile("options.xml.bak").find("0.650000"), std::string::npos);
}

TEST_F(SavedFilesTest, OldFormProgressIsConvertedUnderTheActiveProfile)
{
    struct Case
    {
        const char* profiles;  // null: no profiles.xml
        const char* expected;
    };
    const Case cases[] = {
        {"<profiles active=\"Zoe\"><profile name=\"Max\"></profile><profile name=\"Zoe\">"
         "</profile></profiles>",
         "Zoe"},
        {"<profiles active=\"\"><profile name=\"Max\"></profile></profiles>", "Player 1"},
        {nullptr, "Player 1"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.expected);
        ClearUserDir();
        if (c.profiles)
            WriteUserFile("profiles.xml", c.profiles);
        WriteUserFile("levelprogress.xml", "<levelprogress><normal><level name=\"a.xml\" completed=\"true\" "
                                           "time=\"9\"></level></normal></levelprogress>");
        WriteUserFile("eatenentities.xml", "<eatenentities><eatenentity name=\"bug\" num=\"3\">"
                                           "</eatenentity></eatenentities>");
        LevelProgress* lp = LevelProgress::instance();
        TotalEntitiesEaten totals(&kinds);
        Profiles* p = Profiles::instance();
        EXPECT_EQ(p->getActiveProfile(), c.expected);
        EXPECT_TRUE(p->profileExists(c.expected));
        ASSERT_NE(lp->getActiveProfile(), nullptr);
        EXPECT_EQ(lp->getActiveProfile()->getName(), c.expected);
        EXPECT_EQ(CasualTime("a.xml"), 9);
        EXPECT_EQ(totals.getTotalEntitiesEaten(), 3);
        // The rewritten list still holds every profile it held.
        if (c.profiles)
        {
            EXPECT_TRUE(p->profileExists("Max"));
        }
    }
}

TEST_F(SavedFilesTest, RecordsUnderAnUnlistedNameAreJoinedOrOffered)
{
    // A rename of "Ann" to "Anna" that reached the progress and totals files but not the
    // profile list (the game was killed between the saves).
    WriteUserFile("profiles.xml", "<profiles active=\"Ann\"><profile name=\"Ann\"></profile>"
                                  "<profile name=\"Bob\"></profile></profiles>");
    WriteUserFile("levelprogress.xml",
                  "<levelprogress><profile name=\"Anna\"><normal><level name=\"a.xml\" "
                  "completed=\"true\" time=\"12\"></level></normal></profile><profile "
                  "name=\"Bob\"><normal><level name=\"b.xml\" completed=\"true\" time=\"5\">"
                  "</level></normal></profile></levelprogress>");
    WriteUserFile("eatenentities.xml",
                  "<eatenentities><profile name=\"Anna\"><eatenentity name=\"apple\" num=\"4\">"
                  "</eatenentity></profile><profile name=\"Bob\"><eatenentity name=\"bug\" "
                  "num=\"1\"></eatenentity></profile></eatenentities>");
    LevelProgress* lp = LevelProgress::instance();
    TotalEntitiesEaten totals(&kinds);
    // Without reconciling, the active "Ann" has nothing: the results are unreachable.
    EXPECT_EQ(CasualTime("a.xml"), -1);

    EXPECT_TRUE(services::reconcileProfileRecords(lp, &totals));
    EXPECT_EQ(CasualTime("a.xml"), 12);
    EXPECT_EQ(totals.getTotalEntitiesEaten(), 4);
    EXPECT_EQ(Profiles::instance()->getNumProfiles(), 2);

    // Saved that way, it reads back the same without any more reconciling.
    servicestest::DeleteServiceSingletons();
    TotalEntitiesEaten again(&kinds);
    EXPECT_EQ(CasualTime("a.xml"), 12);
    EXPECT_EQ(again.getTotalEntitiesEaten(), 4);
    EXPECT_FALSE(services::reconcileProfileRecords(LevelProgress::instance(), &again));
}

TEST_F(SavedFilesTest, UnlistedRecordsWithoutAClearOwnerBecomeProfiles)
{
    // Two unlisted records and every listed profile has its own: nothing to join them to.
    WriteUserFile("profiles.xml", "<profiles active=\"Ann\"><profile name=\"Ann\"></profile>"
                                  "</profiles>");
    WriteUserFile("levelprogress.xml",
                  "<levelprogress>"
                  "<profile name=\"Ann\"><normal><level name=\"a.xml\" completed=\"true\" "
                  "time=\"1\"></level></normal></profile>"
                  "<profile name=\"Cy\"><normal><level name=\"c.xml\" completed=\"true\" "
                  "time=\"2\"></level></normal></profile>"
                  "<profile name=\"Di\"><normal><level name=\"d.xml\" completed=\"true\" "
                  "time=\"3\"></level></normal></profile></levelprogress>");
    EXPECT_TRUE(services::reconcileProfileRecords(LevelProgress::instance(), nullptr));
    Profiles* p = Profiles::instance();
    EXPECT_TRUE(p->profileExists("Cy"));
    EXPECT_TRUE(p->profileExists("Di"));
    EXPECT_EQ(p->getActiveProfile(), "Ann");
    EXPECT_NE(ReadUserFile("profiles.xml").find("Di"), std::string::npos);
    // Choosing one reaches its results.
    p->setActiveProfile("Di");
    LevelProgress::instance()->setActiveProfile();
    EXPECT_EQ(CasualTime("d.xml"), 3);
}

TEST_F(SavedFilesTest, OptionValuesWithoutANumberKeepTheirDefaults)
{
    struct Case
    {
        const char* value;
        double sensitivity;
    };
    const Case cases[] = {{"nan", 0.5}, {"NaN", 0.5}, {"abc", 0.5}, {"-nan", 0.5},
                          {"inf", 0.5}, {".", 0.5},   {"0", 0.0},   {"0.25x", 0.25}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.value);
        servicestest::DeleteServiceSingletons();
        WriteUserFile("options.xml", std::string("<options><display depth=\"") + c.value +
                                         "\"></display><control sensitivity=\"" + c.value +
                                         "\"></control><sound musicvolume=\"" + c.value +
                                         "\"></sound></options>");
        Options* o = Options::instance();
        EXPECT_DOUBLE_EQ(o->getMouseSensitivity(), c.sensitivity);
        EXPECT_DOUBLE_EQ(o->getMusicVolume(), c.sensitivity == 0.5 ? 0.65 : c.sensitivity);
        EXPECT_EQ(o->getDepth(), c.sensitivity == 0.5 ? 16 : 0);
    }
}
