// The level file reader: the timed-mode twins, the medal derivation, goals, the name, the child
// elements, the smallest random area, and files that do not load.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <string>

#include "controller.h"
#include "emitter.h"
#include "entitydef.h"
#include "entityengine.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "level.h"
#include "partition.h"
#include "test_level_fixture.h"
#include "tiles.h"
#include "wgui_window.h"

using namespace Game;

using leveltest::LevelFixture;

namespace
{

class LevelTest : public LevelFixture
{
protected:
    void SetUp() override
    {
        LevelFixture::SetUp();
        defs = std::make_unique<EntityDefs>();
    }
    void TearDown() override
    {
        ClearEmitters();
        defs.reset();
        LevelFixture::TearDown();
    }
    void ClearEmitters() { emitters.clear(); }
    // Reads the text as "t.xml" in the mode, with no engines.
    std::unique_ptr<Level> Read(const std::string& text, LevelMode mode = LevelMode::kCasual)
    {
        WriteLevel("t.xml", text);
        ClearEmitters();
        auto level = std::make_unique<Level>(nullptr, nullptr, defs.get(), &types, mode, &emitters);
        level->readXML("t.xml");
        return level;
    }

    std::unique_ptr<EntityDefs> defs;
    ControllerTypes types;
    std::list<std::unique_ptr<EntityEmitter>> emitters;
};

}  // namespace

TEST_F(LevelTest, DefaultsBeforeAnyRead)
{
    Level level(nullptr, nullptr, nullptr, nullptr, LevelMode::kTimed, nullptr);
    EXPECT_TRUE(level.timed);
    EXPECT_EQ(level.name, str("No Name"));
    EXPECT_DOUBLE_EQ(level.growthRate, 0.1);
    EXPECT_DOUBLE_EQ(level.gooArea, 250.0);
    EXPECT_EQ(level.shadowX, 5);
    EXPECT_DOUBLE_EQ(level.unitMultiplier, 1.0);
    EXPECT_FALSE(level.hasInitialComic());
    EXPECT_EQ(Level::getTimeAttackName("timelimit"), str("timelimitta"));
}

TEST_F(LevelTest, MedalTimesDerivedFromGoldAlone)
{
    struct Case
    {
        const char* attrs;
        int limit, gold, silver, bronze;
        bool timed;
    };
    const Case cases[] = {
        {"goldtime=\"60\" timelimit=\"200\"", 90, 60, 66, 78, true},
        {"goldtime=\"60\" silvertime=\"70\" timelimit=\"200\"", 200, 60, 70, 0, true},
        {"goldtime=\"60\" bronzetime=\"99\"", 0, 60, 0, 99, false},
        {"goldtime=\"7\"", 11, 7, 8, 9, true},  // 10.5 rounds up, 7.7 to 8, 9.1 to 9
        {"", 0, 0, 0, 0, false},
    };
    for (const Case& c : cases)
    {
        auto level = Read(std::string("<level width=\"100\" height=\"100\" ") + c.attrs + "><goo/></level>");
        EXPECT_EQ(level->timeLimit, c.limit) << c.attrs;
        EXPECT_EQ(level->goldTime, c.gold) << c.attrs;
        EXPECT_EQ(level->silverTime, c.silver) << c.attrs;
        EXPECT_EQ(level->bronzeTime, c.bronze) << c.attrs;
        EXPECT_EQ(level->hasTimeLimit, c.timed) << c.attrs;
    }
}

TEST_F(LevelTest, TimedTwinsReplaceThePlainAttribute)
{
    struct Case
    {
        const char* attrs;
        LevelMode mode;
        int limit;
    };
    const Case cases[] = {
        {"timelimit=\"200\" timelimitta=\"120\"", LevelMode::kTimed, 120},
        {"timelimit=\"200\" timelimitta=\"\"", LevelMode::kTimed, 200},
        {"timelimit=\"200\" timelimitta=\"120\"", LevelMode::kCasual, 200},
        {"timelimit=\"200\" timelimitta=\"120\"", LevelMode::kEndurance, 200},
        {"timelimitta=\"120\"", LevelMode::kCasual, 0},
    };
    for (const Case& c : cases)
    {
        auto level =
            Read(std::string("<level width=\"10\" height=\"10\" ") + c.attrs + "><goo/></level>", c.mode);
        EXPECT_EQ(level->timeLimit, c.limit) << c.attrs << " mode " << levelModeIndex(c.mode);
    }

    // A bool twin that is present decides alone, even when it is not a valid bool.
    auto a =
        Read("<level firstsongonly=\"true\" firstsongonlyta=\"false\"><goo/></level>", LevelMode::kTimed);
    EXPECT_FALSE(a->firstSongOnly);
    auto b =
        Read("<level firstsongonly=\"true\" firstsongonlyta=\"maybe\"><goo/></level>", LevelMode::kTimed);
    EXPECT_FALSE(b->firstSongOnly);
    auto c2 =
        Read("<level firstsongonly=\"true\" firstsongonlyta=\"false\"><goo/></level>", LevelMode::kCasual);
    EXPECT_TRUE(c2->firstSongOnly);
}

TEST_F(LevelTest, GoalFlagsFollowTheirValues)
{
    auto off = Read("<level victorysize=\"0\" numspecialentities=\"0\"><goo/></level>");
    EXPECT_FALSE(off->victoryBySize);
    EXPECT_FALSE(off->victoryBySpecialEntities);
    auto on = Read("<level victorysize=\"0.5\" numspecialentities=\"3\" "
                   "victoryeateverything=\"true\" unitmultiplier=\"0.01\" growthrate=\"0.3\"><goo/></level>");
    EXPECT_TRUE(on->victoryBySize);
    EXPECT_DOUBLE_EQ(on->victorySize, 0.5);
    EXPECT_TRUE(on->victoryBySpecialEntities);
    EXPECT_EQ(on->numSpecialEntities, 3);
    EXPECT_TRUE(on->victoryEatEverything);
    EXPECT_DOUBLE_EQ(on->unitMultiplier, 0.01);
    EXPECT_DOUBLE_EQ(on->growthRate, 0.3);
}

TEST_F(LevelTest, NameComesFromTheStringTable)
{
    auto soil = Read("<level area=\"soil\" levelnum=\"7\"><goo/></level>");
    EXPECT_EQ(soil->name, str("Soil 7"));
    EXPECT_EQ(soil->area, str("soil"));
    EXPECT_EQ(soil->levelNum, 7);
    auto plain = Read("<level levelnum=\"3\"><goo/></level>");
    EXPECT_EQ(plain->name, str("Level 3"));
}

TEST_F(LevelTest, ChildElements)
{
    auto level = Read("<level width=\"800\" height=\"600\">"
                      "<goo x=\"10\" y=\"-20\" area=\"400\" shadowx=\"0\" shadowy=\"3\"/>"
                      "<tip title=\"tiptitlekey\" text=\"tiptextkey\" image=\"tippic\"/>"
                      "<comic><a chunkedfilename=\"c1.png.xml\" textoverlayfilename=\"t1.xml\"/>"
                      "<b chunkedfilename=\"c2.png.xml\"/><c textoverlayfilename=\"t3.xml\"/></comic>"
                      "<end/><end creditsonly=\"true\"/>"
                      "<unknown/>"
                      "</level>");
    EXPECT_EQ(level->fileName, str("t.xml"));
    EXPECT_DOUBLE_EQ(level->width, 800);
    EXPECT_DOUBLE_EQ(level->gooX, 10);
    EXPECT_DOUBLE_EQ(level->gooY, -20);
    EXPECT_DOUBLE_EQ(level->gooArea, 400);
    EXPECT_EQ(level->shadowX, 0);
    EXPECT_EQ(level->shadowY, 3);
    EXPECT_TRUE(level->hasTip);
    EXPECT_EQ(level->tipTitle, str("Watch out"));
    EXPECT_EQ(level->tipText, str("Eat the small ones"));
    EXPECT_EQ(level->tipImage, str("tippic"));
    ASSERT_EQ(level->comicFrames.size(), 3u);
    EXPECT_EQ(level->comicFrames[0]->chunkedFileName, str("c1.png.xml"));
    EXPECT_EQ(level->comicFrames[0]->textOverlayFileName, str("t1.xml"));
    EXPECT_EQ(level->comicFrames[1]->chunkedFileName, str("c2.png.xml"));
    EXPECT_EQ(level->comicFrames[1]->textOverlayFileName, str(""));
    EXPECT_EQ(level->comicFrames[2]->textOverlayFileName, str("t3.xml"));
    EXPECT_TRUE(level->hasInitialComic());
    EXPECT_TRUE(level->hasEnd);
    EXPECT_TRUE(level->creditsOnly);
    ASSERT_EQ(level->endFrames.size(), 2u);
    for (const std::unique_ptr<ComicFrame>& f : level->endFrames)
    {
        EXPECT_EQ(f->chunkedFileName, str("comic10.png.xml"));
        EXPECT_EQ(f->textOverlayFileName, str("comic10textoverlay.xml"));
    }
}

TEST_F(LevelTest, LaterGooOverwritesAndBadGooAreaIsRefused)
{
    auto level = Read("<level><goo x=\"5\" area=\"300\"/><goo y=\"6\" area=\"-4\"/>"
                      "<goo areata=\"nan\"/></level>",
                      LevelMode::kTimed);
    EXPECT_DOUBLE_EQ(level->gooX, 5);
    EXPECT_DOUBLE_EQ(level->gooY, 6);
    EXPECT_DOUBLE_EQ(level->gooArea, 300);  // -4 and NaN are not areas
}

TEST_F(LevelTest, SmallestRandomArea)
{
    const std::string food = "<emitter type=\"spot\" entitydef=\"food\" minarea=\"40\" "
                             "maxarea=\"60\"><randomemit rate=\"1\"/></emitter>"
                             "<emitter type=\"spot\" entitydef=\"food\" minarea=\"20\" maxarea=\"60\">"
                             "<scheduledemit><emit time=\"1\"/></scheduledemit></emitter>";
    auto off = Read("<level>" + food + "</level>");
    EXPECT_DOUBLE_EQ(off->smallestRandomArea, 0);
    auto none = Read("<level smallerentitycheck=\"true\"><goo/></level>");
    EXPECT_DOUBLE_EQ(none->smallestRandomArea, 100000);
    auto some = Read("<level smallerentitycheck=\"true\">" + food + "</level>");
    EXPECT_DOUBLE_EQ(some->smallestRandomArea, 40);  // the scheduled emitter does not count
    EXPECT_EQ(emitters.size(), 2u);
}

TEST_F(LevelTest, EmittersByTypeAndUnusableOnesDropped)
{
    auto level = Read("<level width=\"100\" height=\"100\">"
                      "<emitter type=\"side\" entitydef=\"food\"><left min=\"1\" max=\"2\"/></emitter>"
                      "<emitter type=\"spot\" entitydef=\"food\"/>"
                      "<emitter type=\"shot\" entitydef=\"spit\" shotemitnum=\"4\"/>"
                      "<emitter type=\"circle\" entitydef=\"food\"/>"
                      "<emitter type=\"spot\" entitydef=\"nosuchkind\"/>"
                      "<emitter type=\"side\" entitydef=\"food\"/>"
                      "</level>");
    ASSERT_EQ(emitters.size(), 3u);
    auto it = emitters.begin();
    EXPECT_NE(dynamic_cast<EmitterSide*>((it++)->get()), nullptr);
    EXPECT_NE(dynamic_cast<EmitterSpot*>((it++)->get()), nullptr);
    auto* shot = dynamic_cast<EmitterShot*>(it->get());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->getShotEmitNum(), 4);
}

TEST_F(LevelTest, FilesThatDoNotLoadKeepTheDefaults)
{
    const char* texts[] = {"", "<level", "<level width=\"5\"/>", "not xml at all"};
    for (const char* t : texts)
    {
        auto level = Read(t);
        EXPECT_EQ(level->fileName, str("")) << t;
        EXPECT_DOUBLE_EQ(level->width, 0) << t;
        EXPECT_EQ(level->name, str("No Name")) << t;
        EXPECT_TRUE(emitters.empty()) << t;
    }
    Level missing(nullptr, nullptr, defs.get(), &types, LevelMode::kCasual, &emitters);
    missing.readXML("nothere.xml");
    EXPECT_EQ(missing.fileName, str(""));
}

TEST_F(LevelTest, ALevelThatDoesNotLoadSaysWhyInItsResultAndTheLog)
{
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });
    struct Case
    {
        const char* text;  // null: no file
        const char* reason;
    };
    const Case cases[] = {
        {nullptr, "the file is missing"},
        {"not xml at all", "it holds no XML"},
        {"<level width=\"5\"></level>", "its root element holds nothing"},
        {"<level width=\"800\" height=\"1\"><goo/></level>", "its size 800 x 1 is not playable"},
    };
    for (const Case& c : cases)
    {
        lines.clear();
        std::filesystem::remove(root + "/res/assets/levels/t.xml");
        TFile::ScanForResources();
        if (c.text)
            WriteLevel("t.xml", c.text);
        WGUI::Window window;
        EntityEngine engine(&window);
        Level level(nullptr, &engine, defs.get(), &types, LevelMode::kCasual, &emitters);
        const LevelLoad load = level.readXML("t.xml");
        EXPECT_FALSE(load) << c.reason;
        EXPECT_EQ(load.reason, str(c.reason));
        EXPECT_EQ(level.fileName, str(""));
        // One line says so (the entity engine may log its own refusal before it).
        std::vector<std::string> told;
        for (const std::string& line : lines)
            if (line.find("cannot be loaded") != std::string::npos)
                told.push_back(line);
        EXPECT_EQ(told.size(), 1u) << c.reason;
        for (const std::string& line : told)
        {
            EXPECT_NE(line.find("t.xml"), std::string::npos) << line;
            EXPECT_NE(line.find(c.reason), std::string::npos) << line;
        }
    }
    qfSetDbgSink(TDbgSink());

    // A level that loads says so, with no reason.
    WriteLevel("t.xml", "<level width=\"1000\" height=\"800\"><goo/></level>");
    WGUI::Window window;
    EntityEngine engine(&window);
    Level level(nullptr, &engine, defs.get(), &types, LevelMode::kCasual, &emitters);
    const LevelLoad load = level.readXML("t.xml");
    EXPECT_TRUE(load);
    EXPECT_EQ(load.reason, str(""));
    EXPECT_EQ(level.fileName, str("t.xml"));
}

TEST_F(LevelTest, ReadingMakesPartitionGridsAndTileLayers)
{
    WGUI::Window window;
    EntityEngine engine(&window);
    TileEngine tiles(&window);
    WriteLevel("g.xml",
               "<level width=\"1000\" height=\"800\"><goo/>"
               "<tilelayers><tilelayer tileswide=\"1\" tileshigh=\"1\" tilewidth=\"8\" tileheight=\"8\"/>"
               "<tilelayer tileswide=\"2\" tileshigh=\"1\" tilewidth=\"8\" tileheight=\"8\" ontop=\"true\"/>"
               "</tilelayers></level>");
    Level level(&tiles, &engine, defs.get(), &types, LevelMode::kCasual, &emitters);
    level.readXML("g.xml");
    EXPECT_FALSE(engine.getLayers().empty());
    ASSERT_EQ(tiles.getNumLayers(), 2);
    EXPECT_FALSE(tiles.getLayer(0)->isOnTop());
    EXPECT_TRUE(tiles.getLayer(1)->isOnTop());

    // A level too long and thin for the grids does not load.
    EntityEngine engine3(&window);
    TileEngine tiles3(&window);
    WriteLevel("thin.xml", "<level width=\"800\" height=\"1\"><goo/></level>");
    Level thin(&tiles3, &engine3, defs.get(), &types, LevelMode::kCasual, &emitters);
    thin.readXML("thin.xml");
    EXPECT_EQ(thin.fileName, str(""));
    EXPECT_TRUE(engine3.getLayers().empty());

    // A failed read makes neither.
    EntityEngine engine2(&window);
    TileEngine tiles2(&window);
    Level bad(&tiles2, &engine2, defs.get(), &types, LevelMode::kCasual, &emitters);
    bad.readXML("nothere.xml");
    EXPECT_TRUE(engine2.getLayers().empty());
    EXPECT_EQ(tiles2.getNumLayers(), 0);
}
