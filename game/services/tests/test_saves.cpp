// Checked saves: the profile files are always saved in one order (progress, totals, list) by
// every caller that saves them together, and a save that fails is reported with its cause.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "failingsaves.h"
#include "servicestest.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/profilereconcile.h"
#include "services/profiles.h"
#include "services/saves.h"

using namespace Game;
using servicestest::FailingSaves;

namespace
{

using Names = std::vector<std::string>;

const std::string kFull = strerror(ENOSPC);

class SavesTest : public servicestest::ServicesTest
{
protected:
    // Ann is active in all three; her records are not empty.
    void MakeAnn(TotalEntitiesEaten& totals)
    {
        Profiles::instance()->addProfile("Ann");
        Profiles::instance()->setActiveProfile("Ann");
        LevelProgress::instance()->addProfile("Ann");
        LevelProgress::instance()->setActiveProfile();
        totals.addProfile("Ann");
        totals.setActiveProfile();
    }
    // The lines reported, each checked to carry the cause; returns what was lost ("level
    // progress", ...), in order.
    static Names Lost(const FailingSaves& saves, const std::string& cause)
    {
        Names out;
        const std::string lead = "The ";
        const std::string tail = " could not be saved: ";
        for (const std::string& line : saves.reports())
        {
            const size_t at = line.find(tail);
            EXPECT_EQ(line.compare(0, lead.size(), lead), 0) << line;
            EXPECT_EQ(line.substr(at + tail.size()), cause) << line;
            out.push_back(line.substr(lead.size(), at - lead.size()));
        }
        return out;
    }

    servicestest::AppleAndBug kinds;
};

TEST_F(SavesTest, TheProfileFilesAreSavedInOneOrderAndEachFailureIsReported)
{
    TotalEntitiesEaten totals(&kinds);
    MakeAnn(totals);
    const struct
    {
        bool progress, totals, profiles;
        Names files;
        Names lost;
    } cases[] = {
        {true,
         true,
         true,
         {"levelprogress.xml", "eatenentities.xml", "profiles.xml"},
         {"level progress", "eaten totals", "profiles"}},
        {true, false, true, {"levelprogress.xml", "profiles.xml"}, {"level progress", "profiles"}},
        {false, true, true, {"eatenentities.xml", "profiles.xml"}, {"eaten totals", "profiles"}},
        {true, true, false, {"levelprogress.xml", "eatenentities.xml"}, {"level progress", "eaten totals"}},
        {false, false, true, {"profiles.xml"}, {"profiles"}},
        {false, false, false, {}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.progress << c.totals << c.profiles);
        bool saved = true;
        Names files, lost;
        {
            FailingSaves failing;
            saved = services::saveProfileFiles(c.progress ? LevelProgress::instance() : nullptr,
                                               c.totals ? &totals : nullptr,
                                               c.profiles ? Profiles::instance() : nullptr);
            files = failing.files();
            lost = Lost(failing, kFull);
        }
        EXPECT_EQ(saved, c.files.empty());
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(lost, c.lost);
        for (const char* name : {"levelprogress.xml", "eatenentities.xml", "profiles.xml"})
            EXPECT_FALSE(UserFileExists(name)) << name;
    }
    // With room on the disk, the same call writes all three and says so.
    EXPECT_TRUE(services::saveProfileFiles(LevelProgress::instance(), &totals, Profiles::instance()));
    for (const char* name : {"levelprogress.xml", "eatenentities.xml", "profiles.xml"})
        EXPECT_NE(ReadUserFile(name).find("Ann"), std::string::npos) << name;
}

TEST_F(SavesTest, ChoosingAProfileMakesItActiveEverywhereThenSavesInOrder)
{
    TotalEntitiesEaten totals(&kinds);
    MakeAnn(totals);
    Profiles::instance()->addProfile("Bob");
    LevelProgress::instance()->addProfile("Bob");
    totals.addProfile("Bob");
    {
        FailingSaves failing;
        EXPECT_FALSE(services::activateAndSaveProfile("Bob", &totals));
        EXPECT_EQ(failing.files(), (Names{"levelprogress.xml", "eatenentities.xml", "profiles.xml"}));
        EXPECT_EQ(Lost(failing, kFull), (Names{"level progress", "eaten totals", "profiles"}));
    }
    EXPECT_EQ(Profiles::instance()->getActiveProfile(), str("Bob"));
    EXPECT_EQ(LevelProgress::instance()->getActiveProfile()->getName(), str("Bob"));
    EXPECT_EQ(totals.getActiveProfile()->getName(), str("Bob"));

    // Without totals (no play screen) the other two are still saved, in the same order.
    FailingSaves failing;
    EXPECT_FALSE(services::activateAndSaveProfile("Ann", nullptr));
    EXPECT_EQ(failing.files(), (Names{"levelprogress.xml", "profiles.xml"}));
}

// Reading a results file of the older form rewrites it and the profile list; start-up
// reconciliation saves what it changed. Each keeps the order and reports a lost save.
TEST_F(SavesTest, SavesMadeWhileReadingFollowTheOrderAndAreReported)
{
    const std::string won = "<normal><level name=\"a.xml\" completed=\"true\" time=\"12\"></level></normal>";
    const struct
    {
        const char* what;
        const char* profiles;
        std::string progress;
        const char* totals;
        bool reconcile;
        Names files;
    } cases[] = {
        {"older progress form",
         nullptr,
         "<levelprogress>" + won + "</levelprogress>",
         nullptr,
         false,
         {"levelprogress.xml", "profiles.xml"}},
        {"older totals form",
         nullptr,
         "",
         "<eatenentities><eatenentity name=\"apple\" num=\"3\"></eatenentity></eatenentities>",
         false,
         {"eatenentities.xml", "profiles.xml"}},
        {"unlisted records",
         "<profiles active=\"Ann\"><profile name=\"Ann\"></profile></profiles>",
         "<levelprogress><profile name=\"Ann\">" + won + "</profile><profile name=\"Cy\">" + won +
             "</profile><profile name=\"Di\">" + won + "</profile></levelprogress>",
         "<eatenentities><profile name=\"Ann\"><eatenentity name=\"apple\" num=\"3\"></eatenentity>"
         "</profile><profile name=\"Ed\"><eatenentity name=\"bug\" num=\"1\"></eatenentity></profile>"
         "</eatenentities>",
         true,
         {"levelprogress.xml", "eatenentities.xml", "profiles.xml"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        servicestest::DeleteServiceSingletons();
        for (const char* name : {"levelprogress.xml", "eatenentities.xml", "profiles.xml"})
            std::remove(UserPath(name).c_str());
        if (c.profiles)
            WriteUserFile("profiles.xml", c.profiles);
        if (!c.progress.empty())
            WriteUserFile("levelprogress.xml", c.progress);
        if (c.totals)
            WriteUserFile("eatenentities.xml", c.totals);
        FailingSaves failing;
        LevelProgress* progress = LevelProgress::instance();
        TotalEntitiesEaten totals(&kinds);
        if (c.reconcile)
        {
            EXPECT_TRUE(services::reconcileProfileRecords(progress, &totals));
        }
        EXPECT_EQ(failing.files(), c.files);
        EXPECT_EQ(failing.reports().size(), c.files.size());
        for (const std::string& line : failing.reports())
            EXPECT_NE(line.find(kFull), std::string::npos) << line;
    }
}

// A user folder that cannot be made (a file stands where a folder would go) fails every save
// with that cause.
TEST_F(SavesTest, AFolderThatCannotBeMadeIsTheReportedCause)
{
    WriteUserFile("blocker", "not a folder");
    servicestest::UseUserDir(UserPath("blocker") + "/user");
    TotalEntitiesEaten totals(&kinds);
    MakeAnn(totals);
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });
    const bool saved = services::saveProfileFiles(LevelProgress::instance(), &totals, Profiles::instance());
    qfSetDbgSink(TDbgSink());
    EXPECT_FALSE(saved);
    Names lost;
    for (const std::string& line : lines)
        if (line.find("could not be saved") != std::string::npos)
        {
            EXPECT_NE(line.find(strerror(ENOTDIR)), std::string::npos) << line;
            lost.push_back(line);
        }
    EXPECT_EQ(lost.size(), 3u);
}

}  // namespace
