// One level file of "levels/" in memory: the field's size, growth rate, goals, time limit and
// medal times, the goo's start, the tip and the comic pages. Reading the file also builds the
// level's emitters, partition grids and tile layers by handing the elements to their owners.
//
// In the timed mode every attribute of the root, <goo>, <tip> and the comic pages is first read
// under its "ta" twin (the name followed by "ta"), so one file carries a casual and a timed
// version of any value.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "foundation/str.h"
#include "services/levelmode.h"

namespace WGUI
{
class XmlDocument;
class XmlElement;
}  // namespace WGUI

namespace Game
{

class TileEngine;
class EntityEngine;
class EntityDefs;
class ControllerTypes;
class EntityEmitter;

class ComicFrame
{
public:
    ComicFrame() = default;
    ~ComicFrame() = default;

    str chunkedFileName;      // such as "comic10.png.xml"
    str textOverlayFileName;  // such as "comic10textoverlay.xml"
};

// What reading a level came to: loaded, or not and why ("the file is missing").
struct LevelLoad
{
    static LevelLoad ok() { return LevelLoad{true, str("")}; }
    static LevelLoad failed(const str& why) { return LevelLoad{false, why}; }
    explicit operator bool() const { return loaded; }

    bool loaded = false;
    str reason;  // empty when loaded
};

class Level
{
public:
    // A goo area given by a file that is not a positive finite number is refused.
    static constexpr double kDefaultGooArea = 250.0;
    // The smallest random area starts here when the nothing-smaller check is on.
    static constexpr double kSmallestRandomAreaCap = 100000.0;

    Level(TileEngine* tileEngine, EntityEngine* entityEngine, EntityDefs* entityDefs,
          ControllerTypes* controllerTypes, LevelMode mode,
          std::list<std::unique_ptr<EntityEmitter>>* emitters);
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    // Reads "levels/" + fileName. A file that does not load is logged with the reason the result
    // gives; it leaves every default and an empty file name, and makes no emitters, grids or
    // tile layers.
    LevelLoad readXML(str fileName);
    // Reads a level from text already in memory (the same steps from the document on).
    LevelLoad readText(str fileName, const char* text, size_t length);

    bool hasInitialComic() const { return !comicFrames.empty(); }
    static str getTimeAttackName(str name) { return name + "ta"; }

    // One attribute with the twin rule; the output is left alone when neither name is present
    // (an empty value counts as absent). queryStringAttribute returns 0 when a value was taken,
    // 1 otherwise.
    static int queryStringAttribute(bool timed, WGUI::XmlElement& e, str name, str& out);
    static void queryBoolAttribute(bool timed, WGUI::XmlElement& e, str name, bool& out);
    static void queryIntAttribute(bool timed, WGUI::XmlElement& e, str name, int& out);
    static void queryDoubleAttribute(bool timed, WGUI::XmlElement& e, str name, double& out);

    void readGoo(WGUI::XmlElement& e);
    void readTip(WGUI::XmlElement& e);
    void readComic(WGUI::XmlElement& e);
    void readEnd(WGUI::XmlElement& e);
    void readEmitter(WGUI::XmlElement& e);

    // Fields, read directly by the play screen and the screens around a level.
    str fileName;
    std::unique_ptr<WGUI::XmlDocument> document;
    LevelMode mode;
    bool timed;  // mode is timed: the "ta" twins are read
    str area;
    int levelNum = 0;
    str name = "No Name";
    TileEngine* tileEngine;
    EntityEngine* entityEngine;
    EntityDefs* entityDefs;
    ControllerTypes* controllerTypes;
    std::list<std::unique_ptr<EntityEmitter>>* emitters;  // the play screen's
    bool hasEnd = false;
    bool creditsOnly = false;
    double width = 0, height = 0;
    double gooX = 0, gooY = 0, gooArea = kDefaultGooArea;
    int shadowX = 5, shadowY = 5;
    double growthRate = 0.1;
    bool firstSongOnly = false;
    bool hasTip = false;
    str tipTitle, tipText, tipImage;
    std::vector<std::unique_ptr<ComicFrame>> comicFrames;
    std::vector<std::unique_ptr<ComicFrame>> endFrames;
    bool hasTimeLimit = false;
    int timeLimit = 0;
    bool victoryBySize = false;
    double victorySize = 0;
    bool victoryBySpecialEntities = false;
    int numSpecialEntities = 0;
    bool victoryEatEverything = false;
    int goldTime = 0, silverTime = 0, bronzeTime = 0;
    bool smallerEntityCheck = false;
    double smallestRandomArea = 0;
    double unitMultiplier = 1.0;

private:
    LevelLoad readDocument(std::unique_ptr<WGUI::XmlDocument> doc, str fileName);
};

}  // namespace Game
