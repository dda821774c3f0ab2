// Level: reading a level file with the timed twin rule, and its comic pages.
#include "level.h"

#include <cmath>
#include <cstdio>

#include "emitter.h"
#include "entityengine.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "tiles.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_misc.h"
#include "wgui_xmldocument.h"

namespace Game
{

Level::Level(TileEngine* tileEngine, EntityEngine* entityEngine, EntityDefs* entityDefs,
             ControllerTypes* controllerTypes, LevelMode mode,
             std::list<std::unique_ptr<EntityEmitter>>* emitters)
    : mode(mode), timed(mode == LevelMode::kTimed), tileEngine(tileEngine), entityEngine(entityEngine),
      entityDefs(entityDefs), controllerTypes(controllerTypes), emitters(emitters)
{
}

Level::~Level() = default;

// ---- twin rule ----

int Level::queryStringAttribute(bool timed, WGUI::XmlElement& e, str name, str& out)
{
    if (timed && e.queryStringAttribute(getTimeAttackName(name), out) == 0)
        return 0;
    return e.queryStringAttribute(name, out);
}

void Level::queryBoolAttribute(bool timed, WGUI::XmlElement& e, str name, bool& out)
{
    str twin;
    if (timed && e.queryStringAttribute(getTimeAttackName(name), twin) == 0)
    {
        // The twin is present: it alone decides, and only "true" or "false" count.
        e.queryBoolAttribute(getTimeAttackName(name), out);
        return;
    }
    e.queryBoolAttribute(name, out);
}

void Level::queryIntAttribute(bool timed, WGUI::XmlElement& e, str name, int& out)
{
    if (timed && e.queryIntAttribute(getTimeAttackName(name), out) == 0)
        return;
    e.queryIntAttribute(name, out);
}

void Level::queryDoubleAttribute(bool timed, WGUI::XmlElement& e, str name, double& out)
{
    if (timed && e.queryDoubleAttribute(getTimeAttackName(name), out) == 0)
        return;
    e.queryDoubleAttribute(name, out);
}

// ---- reading ----

LevelLoad Level::readXML(str fileName)
{
    const str path = WGUI::Pathnames::instance()->getLevels() + fileName;
    if (!TFile::Exists(path))
    {
        const LevelLoad missing = LevelLoad::failed("the file is missing");
        WriteDbg("Level %s cannot be loaded: %s\n", path.c_str(), missing.reason.c_str());
        this->fileName = str("");
        return missing;
    }
    return readDocument(std::make_unique<WGUI::XmlDocument>(path, false), fileName);
}

LevelLoad Level::readText(str fileName, const char* text, size_t length)
{
    auto doc = std::make_unique<WGUI::XmlDocument>(false);
    doc->parseText(text, length);
    return readDocument(std::move(doc), fileName);
}

LevelLoad Level::readDocument(std::unique_ptr<WGUI::XmlDocument> doc, str newFileName)
{
    bool loaded = doc->isLoadOkay();
    const char* reason = "it holds no XML";
    if (loaded)
    {
        // A root without children is no level.
        WGUI::XmlElement r = doc->getRoot();
        r.resetIterateChildren();
        loaded = r.isValid() && r.iterateChildren().isValid();
        r.resetIterateChildren();
        reason = "its root element holds nothing";
    }
    if (!loaded)
    {
        WriteDbg("Level %s cannot be loaded: %s\n", newFileName.c_str(), reason);
        doc.reset();
        fileName = str("");
        return LevelLoad::failed(reason);
    }
    document = std::move(doc);
    fileName = newFileName;

    WGUI::XmlElement root = document->getRoot();
    if (!root.isValid())
        return LevelLoad::ok();

    queryDoubleAttribute(timed, root, "width", width);
    queryDoubleAttribute(timed, root, "height", height);
    // A size the partition grids cannot cover (not positive, or too long and thin) is no
    // playable level: nothing would ever meet anything.
    if (entityEngine && !entityEngine->createPartionLayers(width, height))
    {
        char why[96];
        snprintf(why, sizeof why, "its size %g x %g is not playable", width, height);
        WriteDbg("Level %s cannot be loaded: %s\n", newFileName.c_str(), why);
        fileName = str("");
        return LevelLoad::failed(why);
    }
    queryDoubleAttribute(timed, root, "growthrate", growthRate);
    queryBoolAttribute(timed, root, "firstsongonly", firstSongOnly);
    queryIntAttribute(timed, root, "timelimit", timeLimit);
    queryDoubleAttribute(timed, root, "victorysize", victorySize);
    queryIntAttribute(timed, root, "numspecialentities", numSpecialEntities);
    queryBoolAttribute(timed, root, "victoryeateverything", victoryEatEverything);
    queryDoubleAttribute(timed, root, "unitmultiplier", unitMultiplier);
    queryBoolAttribute(timed, root, "smallerentitycheck", smallerEntityCheck);
    queryIntAttribute(timed, root, "goldtime", goldTime);
    queryIntAttribute(timed, root, "silvertime", silverTime);
    queryIntAttribute(timed, root, "bronzetime", bronzeTime);

    // A gold time alone sets the others and the limit.
    if (goldTime != 0 && silverTime == 0 && bronzeTime == 0)
    {
        silverTime = WGUI::roundToInt(1.1 * goldTime);
        bronzeTime = WGUI::roundToInt(1.3 * goldTime);
        timeLimit = WGUI::roundToInt(1.5 * goldTime);
    }

    hasTimeLimit = timeLimit > 0;
    victoryBySize = victorySize > 0.0;
    victoryBySpecialEntities = numSpecialEntities > 0;

    queryStringAttribute(timed, root, "area", area);
    queryIntAttribute(timed, root, "levelnum", levelNum);
    name = WGUI::StringTable::instance()->getString(str("levelname") + area, WGUI::intToString(levelNum));

    root.resetIterateChildren();
    for (WGUI::XmlElement child = root.iterateChildren(); child.isValid(); child = root.iterateChildren())
    {
        const str n = child.getName();
        if (n == str("emitter"))
            readEmitter(child);
        else if (n == str("goo"))
            readGoo(child);
        else if (n == str("tip"))
            readTip(child);
        else if (n == str("comic"))
            readComic(child);
        else if (n == str("end"))
            readEnd(child);
        else if (n == str("tilelayers"))
        {
            if (tileEngine)
                tileEngine->readXML(child);
        }
    }

    if (smallerEntityCheck)
    {
        smallestRandomArea = kSmallestRandomAreaCap;
        if (emitters)
            for (const std::unique_ptr<EntityEmitter>& em : *emitters)
                if (em->isRandomEmit() && em->getMinArea() < smallestRandomArea)
                    smallestRandomArea = em->getMinArea();
    }
    return LevelLoad::ok();
}

void Level::readGoo(WGUI::XmlElement& e)
{
    queryDoubleAttribute(timed, e, "x", gooX);
    queryDoubleAttribute(timed, e, "y", gooY);
    double a = gooArea;
    queryDoubleAttribute(timed, e, "area", a);
    if (std::isfinite(a) && a > 0)
        gooArea = a;
    else
        WriteDbg("Level %s: goo area %g refused\n", fileName.c_str(), a);
    queryIntAttribute(timed, e, "shadowx", shadowX);
    queryIntAttribute(timed, e, "shadowy", shadowY);
}

void Level::readTip(WGUI::XmlElement& e)
{
    hasTip = true;
    str key;
    if (queryStringAttribute(timed, e, "title", key) == 0)
        tipTitle = WGUI::StringTable::instance()->getString(key);
    key = str("");
    if (queryStringAttribute(timed, e, "text", key) == 0)
        tipText = WGUI::StringTable::instance()->getString(key);
    queryStringAttribute(timed, e, "image", tipImage);
}

void Level::readComic(WGUI::XmlElement& e)
{
    e.resetIterateChildren();
    for (WGUI::XmlElement page = e.iterateChildren(); page.isValid(); page = e.iterateChildren())
    {
        auto f = std::make_unique<ComicFrame>();
        queryStringAttribute(timed, page, "chunkedfilename", f->chunkedFileName);
        queryStringAttribute(timed, page, "textoverlayfilename", f->textOverlayFileName);
        comicFrames.push_back(std::move(f));
    }
}

void Level::readEnd(WGUI::XmlElement& e)
{
    hasEnd = true;
    auto f = std::make_unique<ComicFrame>();
    f->chunkedFileName = "comic10.png.xml";
    f->textOverlayFileName = "comic10textoverlay.xml";
    endFrames.push_back(std::move(f));
    e.queryBoolAttribute("creditsonly", creditsOnly);
}

void Level::readEmitter(WGUI::XmlElement& e)
{
    str type;
    e.queryStringAttribute("type", type);
    std::unique_ptr<EntityEmitter> em;
    if (type == str("side"))
        em = std::make_unique<EmitterSide>(entityEngine, entityDefs, controllerTypes);
    else if (type == str("spot"))
        em = std::make_unique<EmitterSpot>(entityEngine, entityDefs, controllerTypes);
    else if (type == str("shot"))
        em = std::make_unique<EmitterShot>(entityEngine, entityDefs, controllerTypes);
    if (!em)
        return;
    em->readXML(timed, e);
    // Nothing it could make: it takes no part in the level.
    if (!em->isUsable() || !emitters)
        return;
    emitters->push_back(std::move(em));
}

}  // namespace Game
