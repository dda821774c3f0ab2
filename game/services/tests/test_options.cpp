// Options: defaults, the display rules applied on reading, damaged files, and round trips
// through "options.xml" in the user folder.
#include <gtest/gtest.h>

#include <string>

#include "servicestest.h"
#include "foundation/file.h"
#include "services/options.h"

using namespace Game;

namespace
{

using servicestest::ServicesTest;

class OptionsTest : public ServicesTest
{
protected:
    void ExpectDefaults(const Options* o)
    {
        EXPECT_EQ(o->getWidth(), 800);
        EXPECT_EQ(o->getHeight(), 600);
        EXPECT_EQ(o->getDepth(), 16);
        EXPECT_FALSE(o->getWindowed());
        EXPECT_DOUBLE_EQ(o->getMouseSensitivity(), 0.5);
        EXPECT_DOUBLE_EQ(o->getMusicVolume(), 0.65);
        EXPECT_DOUBLE_EQ(o->getSoundEffectVolume(), 0.95);
        EXPECT_FALSE(o->isJoystickOn());
    }
};

TEST_F(OptionsTest, MissingFileGivesDefaults)
{
    ExpectDefaults(Options::instance());
    EXPECT_EQ(Options::instance()->getUseDepth(), 16);
}

TEST_F(OptionsTest, DamagedFilesGiveDefaults)
{
    const char* cases[] = {
        "",
        "garbage that is not xml",
        "<",
        "<<<>>>",
        "\x00\x01\x02\xff",
        "<display width=\"1024\"",  // cut short before the root is complete
        "<!-- only a comment -->",
    };
    for (const char* text : cases)
    {
        SCOPED_TRACE(text);
        Options::deleteInstance();
        WriteUserFile("options.xml", text);
        ExpectDefaults(Options::instance());
    }
}

struct DisplayCase
{
    const char* file;
    int width;
    int height;
    bool windowed;
};

TEST_F(OptionsTest, DisplayRulesOnReading)
{
    const DisplayCase cases[] = {
        // Windowed play is always 800 x 600.
        {"<options><display width=\"1024\" height=\"768\" windowed=\"true\"></display></options>", 800, 600,
         true},
        // The largest full-screen size stays; one pixel more on either side falls back.
        {"<options><display width=\"1280\" height=\"1024\" windowed=\"false\"></display></options>", 1280,
         1024, false},
        {"<options><display width=\"1281\" height=\"1024\"></display></options>", 800, 600, false},
        {"<options><display width=\"800\" height=\"599\"></display></options>", 800, 600, false},
        {"<options><display width=\"800\" height=\"600\"></display></options>", 800, 600, false},
        {"<options><display width=\"1024\" height=\"768\"></display></options>", 1024, 768, false},
        // Out-of-range numbers saturate and then fall back.
        {"<options><display width=\"99999999999999999999\" height=\"768\"></display></options>", 800, 600,
         false},
        {"<options><display width=\"-1024\" height=\"768\"></display></options>", 800, 600, false},
        // An empty attribute keeps its default.
        {"<options><display width=\"\" height=\"\" windowed=\"\"></display></options>", 800, 600, false},
        // Anything but "true"/"false" leaves windowed at its default.
        {"<options><display width=\"1024\" height=\"768\" windowed=\"True\"></display></options>", 1024, 768,
         false},
        // The root's name does not matter.
        {"<settings><display width=\"1152\" height=\"864\"></display></settings>", 1152, 864, false},
        // A declaration before the root is skipped.
        {"<?xml version=\"1.0\"?>\n<options><display width=\"1152\" height=\"864\">"
         "</display></options>",
         1152, 864, false},
    };
    for (const DisplayCase& c : cases)
    {
        SCOPED_TRACE(c.file);
        Options::deleteInstance();
        WriteUserFile("options.xml", c.file);
        Options* o = Options::instance();
        EXPECT_EQ(o->getWidth(), c.width);
        EXPECT_EQ(o->getHeight(), c.height);
        EXPECT_EQ(o->getWindowed(), c.windowed);
        EXPECT_EQ(o->getUseDepth(), c.windowed ? -1 : o->getDepth());
    }
}

TEST_F(OptionsTest, FileWithoutSoundKeepsDefaultVolumesAndAppliesDisplay)
{
    WriteUserFile("options.xml", "<options><display width=\"1024\" height=\"768\" depth=\"32\"></display>"
                                 "<control sensitivity=\"0.25\" joystickon=\"true\"></control></options>");
    Options* o = Options::instance();
    EXPECT_EQ(o->getWidth(), 1024);
    EXPECT_EQ(o->getHeight(), 768);
    EXPECT_EQ(o->getDepth(), 32);
    EXPECT_DOUBLE_EQ(o->getMouseSensitivity(), 0.25);
    EXPECT_TRUE(o->isJoystickOn());
    EXPECT_DOUBLE_EQ(o->getMusicVolume(), 0.65);
    EXPECT_DOUBLE_EQ(o->getSoundEffectVolume(), 0.95);
}

TEST_F(OptionsTest, ChildrenAreFoundInAnyOrderAndVolumesAreNotBounded)
{
    WriteUserFile("options.xml",
                  "<options><sound musicvolume=\"1.5\" effectvolume=\"-0.25\"></sound>"
                  "<unknown></unknown><display width=\"1152\" height=\"864\"></display></options>");
    Options* o = Options::instance();
    EXPECT_EQ(o->getWidth(), 1152);
    EXPECT_DOUBLE_EQ(o->getMusicVolume(), 1.5);
    EXPECT_DOUBLE_EQ(o->getSoundEffectVolume(), -0.25);
}

TEST_F(OptionsTest, NumbersBeyondTheDoubleRangeKeepTheDefaults)
{
    WriteUserFile("options.xml", "<options><control sensitivity=\"-1e999\"></control>"
                                 "<sound musicvolume=\"1e999\" effectvolume=\"0.25\"></sound></options>");
    Options* o = Options::instance();
    EXPECT_DOUBLE_EQ(o->getMouseSensitivity(), 0.5);
    EXPECT_DOUBLE_EQ(o->getMusicVolume(), 0.65);
    EXPECT_DOUBLE_EQ(o->getSoundEffectVolume(), 0.25);
}

TEST_F(OptionsTest, WriteThenReadRoundTrip)
{
    Options* o = Options::instance();
    o->setWidth(1152);
    o->setHeight(864);
    o->setDepth(32);
    o->setWindowed(false);
    o->setMouseSensitivity(0.125);
    o->setMusicVolume(0.3);
    o->setSoundEffectVolume(0.75);
    o->setJoystickOn(true);
    EXPECT_EQ(o->writeXML(), 0);

    const std::string text = ReadUserFile("options.xml");
    const size_t display = text.find("<display");
    const size_t control = text.find("<control");
    const size_t sound = text.find("<sound");
    ASSERT_NE(display, std::string::npos);
    ASSERT_NE(control, std::string::npos);
    ASSERT_NE(sound, std::string::npos);
    EXPECT_LT(display, control);
    EXPECT_LT(control, sound);
    EXPECT_NE(text.find("\"0.125000\""), std::string::npos);  // doubles as "%f"
    EXPECT_EQ(text.find("<?xml"), std::string::npos);

    Options::deleteInstance();
    o = Options::instance();
    EXPECT_EQ(o->getWidth(), 1152);
    EXPECT_EQ(o->getHeight(), 864);
    EXPECT_EQ(o->getDepth(), 32);
    EXPECT_FALSE(o->getWindowed());
    EXPECT_DOUBLE_EQ(o->getMouseSensitivity(), 0.125);
    EXPECT_DOUBLE_EQ(o->getMusicVolume(), 0.3);
    EXPECT_DOUBLE_EQ(o->getSoundEffectVolume(), 0.75);
    EXPECT_TRUE(o->isJoystickOn());
}

TEST_F(OptionsTest, WindowedSizeIsNotKeptAcrossARoundTrip)
{
    Options* o = Options::instance();
    o->setWindowed(true);
    o->setWidth(1024);
    o->setHeight(768);
    ASSERT_EQ(o->writeXML(), 0);
    Options::deleteInstance();
    o = Options::instance();
    EXPECT_TRUE(o->getWindowed());
    EXPECT_EQ(o->getWidth(), 800);
    EXPECT_EQ(o->getHeight(), 600);
    EXPECT_EQ(o->getUseDepth(), -1);
}

TEST_F(OptionsTest, FailedWriteReportsAndKeepsTheOldFile)
{
    Options* o = Options::instance();
    o->setWidth(1024);
    o->setHeight(768);
    ASSERT_EQ(o->writeXML(), 0);
    const std::string before = ReadUserFile("options.xml");

    // A user folder that cannot be made (a file stands where a folder would): nothing can be
    // written.
    const std::string saved = mUserDir;
    servicestest::UseUserDir(mUserDir + "/options.xml/folder");
    o->setWidth(1280);
    EXPECT_NE(o->writeXML(), 0);
    servicestest::UseUserDir(saved);
    EXPECT_EQ(ReadUserFile("options.xml"), before);
}

TEST(OptionsStatic, ValidDisplayResolution)
{
    struct Case
    {
        int w, h;
        bool valid;
    };
    const Case cases[] = {
        {800, 600, true},    {1280, 1024, true},  {1024, 768, true}, {799, 600, false},   {800, 599, false},
        {1281, 1024, false}, {1280, 1025, false}, {0, 0, false},     {-800, -600, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Options::validDisplayResolution(c.w, c.h), c.valid) << c.w << "x" << c.h;
}

}  // namespace
