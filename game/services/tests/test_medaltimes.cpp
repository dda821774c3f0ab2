// Medal times: the medal rule, lookups of known and unknown levels, and the file in the levels
// folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "foundation/file.h"
#include "servicestest.h"
#include "services/medaltimes.h"

using namespace Game;

namespace
{

TEST(MedalTimesRule, MedalType)
{
    struct Case
    {
        int time, gold, silver, bronze, medal;
    };
    const Case cases[] = {
        {100, 100, 150, 200, MedalTimes::kGold},   {99, 100, 150, 200, MedalTimes::kGold},
        {101, 100, 150, 200, MedalTimes::kSilver}, {150, 100, 150, 200, MedalTimes::kSilver},
        {151, 100, 150, 200, MedalTimes::kBronze}, {200, 100, 150, 200, MedalTimes::kBronze},
        {201, 100, 150, 200, MedalTimes::kNone},   {0, 0, 0, 0, MedalTimes::kGold},
        {1, 0, 0, 0, MedalTimes::kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MedalTimes::getMedalType(c.time, c.gold, c.silver, c.bronze), c.medal) << c.time;
}

class MedalTimesTest : public servicestest::ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        // The levels folder of these tests lies in the temporary user folder.
        mkdir(UserPath("levels").c_str(), 0755);
        TFile::mResourceMap["levels/medaltimes.xml"] = str(UserPath("levels/medaltimes.xml").c_str());
    }
    void TearDown() override
    {
        TFile::mResourceMap.erase("levels/medaltimes.xml");
        ServicesTest::TearDown();
    }
};

TEST_F(MedalTimesTest, WithoutTheFileNoLevelHasTimes)
{
    MedalTimes* m = MedalTimes::instance();
    EXPECT_EQ(m->getNumItems(), 0u);
    EXPECT_EQ(m->getMedalTimesItem("level01.xml"), nullptr);
    int gold = 7, silver = 8, bronze = 9;
    m->getMedalTimes("level01.xml", gold, silver, bronze);
    EXPECT_EQ(gold, 7);
    EXPECT_EQ(silver, 8);
    EXPECT_EQ(bronze, 9);
    EXPECT_EQ(m->getMedalType("level01.xml", 0), MedalTimes::kGold);
    EXPECT_EQ(m->getMedalType("level01.xml", 1), MedalTimes::kNone);
}

TEST_F(MedalTimesTest, ReadsItemsWithDefaultsAndLaterEntriesReplace)
{
    WriteUserFile("levels/medaltimes.xml",
                  "<medaltimes><level name=\"a.xml\" timelimit=\"300\" goldtime=\"100\" "
                  "silvertime=\"150\" bronzetime=\"200\"></level>"
                  "<level name=\"b.xml\" goldtime=\"20\"></level>"
                  "<level name=\"a.xml\" timelimit=\"310\" goldtime=\"110\" silvertime=\"160\" "
                  "bronzetime=\"210\"></level><level></level><other name=\"c.xml\"></other>"
                  "</medaltimes>");
    MedalTimes* m = MedalTimes::instance();
    EXPECT_EQ(m->getNumItems(), 3u);
    MedalTimesItem* a = m->getMedalTimesItem("a.xml");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->timeLimit, 310);
    EXPECT_EQ(a->goldTime, 110);
    MedalTimesItem* b = m->getMedalTimesItem("b.xml");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->timeLimit, 0);
    EXPECT_EQ(b->goldTime, 20);
    EXPECT_EQ(b->silverTime, 0);
    EXPECT_NE(m->getMedalTimesItem(""), nullptr);
    EXPECT_EQ(m->getMedalTimesItem("c.xml"), nullptr);
    EXPECT_EQ(m->getMedalType("a.xml", 160), MedalTimes::kSilver);
}

TEST_F(MedalTimesTest, RootOfAnotherNameReadsNothing)
{
    WriteUserFile("levels/medaltimes.xml", "<times><level name=\"a.xml\" goldtime=\"100\"></level></times>");
    EXPECT_EQ(MedalTimes::instance()->getNumItems(), 0u);
}

TEST_F(MedalTimesTest, WriteThenReadRoundTrip)
{
    MedalTimes* m = MedalTimes::instance();
    m->setLevelTimes("z.xml", 1, 2, 3, 4);
    m->setLevelTimes("a.xml", 500, 100, 200, 300);
    m->setLevelTimes("a.xml", 400, 90, 190, 290);
    ASSERT_EQ(m->writeXML(), 0);
    const std::string text = ReadUserFile("levels/medaltimes.xml");
    EXPECT_LT(text.find("a.xml"), text.find("z.xml"));
    MedalTimes::deleteInstance();
    m = MedalTimes::instance();
    ASSERT_EQ(m->getNumItems(), 2u);
    int gold = 0, silver = 0, bronze = 0;
    m->getMedalTimes("a.xml", gold, silver, bronze);
    EXPECT_EQ(gold, 90);
    EXPECT_EQ(silver, 190);
    EXPECT_EQ(bronze, 290);
    EXPECT_EQ(m->getMedalTimesItem("a.xml")->timeLimit, 400);
    EXPECT_EQ(m->getMedalTimesItem("z.xml")->bronzeTime, 4);
}

}  // namespace
