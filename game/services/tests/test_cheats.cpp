// Cheats: words typed through character events, what enters the buffer, the listener's calls,
// and which toggles block level results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "servicestest.h"
#include "services/cheats.h"
#include "wgui_input.h"

using namespace Game;

namespace
{

class RecordingListener : public CheatsListener
{
public:
    void cheatScaleGooArea(double f) override { calls.push_back("goo " + std::to_string(f)); }
    void cheatScaleLevelTime(double f) override { calls.push_back("time " + std::to_string(f)); }
    void cheatLevelsOpened() override { calls.push_back("levels"); }
    void cheatWriteMedalTimes() override { calls.push_back("writexml"); }
    void cheatShowVersion() override { calls.push_back("version"); }
    void cheatAllCheatsAvailable() override { calls.push_back("cheats"); }
    std::vector<std::string> calls;
};

class CheatsTest : public servicestest::ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        Cheats::instance()->setListener(&listener);
    }

    static void TypeChar(int code, int type = WGUI::WEvent::kChar)
    {
        WGUI::WEvent e;
        e.type = type;
        e.code = static_cast<char>(code);
        Cheats::instance()->messageCallback(e);
    }

    static void Type(const std::string& text)
    {
        for (unsigned char c : text)
            TypeChar(c);
    }

    RecordingListener listener;
};

TEST_F(CheatsTest, EachWordCallsItsActionAndBlanksTheBuffer)
{
    struct Case
    {
        const char* typed;
        const char* call;
    };
    const Case cases[] = {
        {"bigger", "goo 3.000000"}, {"increase", "goo 1.200000"}, {"timer", "time 0.500000"},
        {"levels", "levels"},       {"writexml", "writexml"},     {"version", "version"},
        {"cheats", "cheats"},       {"xxbigger", "goo 3.000000"}, {"01timer", "time 0.500000"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        listener.calls.clear();
        Type(c.typed);
        ASSERT_EQ(listener.calls.size(), 1u);
        EXPECT_EQ(listener.calls[0], c.call);
        EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "        ");
    }
}

TEST_F(CheatsTest, UnlockWordsSetTheirFlagsEvenWithoutAListener)
{
    Cheats::instance()->setListener(nullptr);
    EXPECT_FALSE(Cheats::instance()->getAllLevels());
    EXPECT_FALSE(Cheats::instance()->getCheats());
    Type("levels");
    EXPECT_TRUE(Cheats::instance()->getAllLevels());
    EXPECT_FALSE(Cheats::instance()->getCheats());
    // Without a level, a screen or a listener a word only resets the buffer.
    Type("bigg");
    EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "    bigg");
    Type("er");
    EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "        ");
    Type("cheats");
    EXPECT_TRUE(Cheats::instance()->getCheats());
}

TEST_F(CheatsTest, OnlyCharactersFromZeroToLowerZEnterTheBuffer)
{
    // Key-downs never enter; characters below "0" or above "z" never do, upper case does.
    TypeChar('a', WGUI::WEvent::kKeyDown);
    TypeChar('a', WGUI::WEvent::kKeyUp);
    TypeChar(' ');
    TypeChar('/');
    TypeChar('{');
    TypeChar(200);
    TypeChar(0);
    EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "        ");
    TypeChar('0');
    TypeChar('z');
    TypeChar('A');
    TypeChar('_');
    EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "    0zA_");
}

TEST_F(CheatsTest, WordsMatchInLowerCaseOnlyAndSurviveIgnoredCharacters)
{
    Type("BIGGER");
    Type("Timer");
    EXPECT_TRUE(listener.calls.empty());
    // A blank or a symbol in the middle never enters the buffer, so the word still matches.
    Type("ti me");
    Type("r");
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], "time 0.500000");
    listener.calls.clear();
    Type("le!ve{ls");
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], "levels");
}

TEST_F(CheatsTest, TheBufferKeepsTheLastEightCharacters)
{
    Type("abcdefghijk");
    EXPECT_STREQ(Cheats::instance()->getTyped().c_str(), "defghijk");
    // "increase" fills all eight characters exactly.
    Type("increase");
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], "goo 1.200000");
}

TEST_F(CheatsTest, GameplayTogglesBlockLevelResultsAndLooksDoNot)
{
    Cheats* c = Cheats::instance();
    EXPECT_TRUE(c->allowLevelToCount());
    void (Cheats::*gameplay[])(bool) = {&Cheats::setSuperFast, &Cheats::setGoThroughWalls,
                                        &Cheats::setInvinsible, &Cheats::setGravityWell};
    for (auto set : gameplay)
    {
        (c->*set)(true);
        EXPECT_FALSE(c->allowLevelToCount());
        (c->*set)(false);
        EXPECT_TRUE(c->allowLevelToCount());
    }
    void (Cheats::*looks[])(bool) = {&Cheats::setWideEyes,    &Cheats::setSmallEyes, &Cheats::setBigEyes,
                                     &Cheats::setCyclops,     &Cheats::setPersonify, &Cheats::setFelinify,
                                     &Cheats::setRainbowColor};
    for (auto set : looks)
        (c->*set)(true);
    EXPECT_TRUE(c->allowLevelToCount());
    EXPECT_TRUE(c->getWideEyes() && c->getSmallEyes() && c->getBigEyes() && c->getCyclops() &&
                c->getPersonify() && c->getFelinify() && c->getRainbowColor());
}

TEST_F(CheatsTest, SoundsAreNullWithoutDefinitions)
{
    EXPECT_EQ(Cheats::instance()->getPersonSound(), nullptr);
    EXPECT_EQ(Cheats::instance()->getWomanSound(), nullptr);
    EXPECT_EQ(Cheats::instance()->getCatSound(), nullptr);
}

}  // namespace
