// MedalTimes: the medal-time table by level file, its file and the medal of a time.
#include "services/medaltimes.h"

#include "foundation/singletons.h"
#include "services/xmlfile.h"
#include "wgui_misc.h"
#include "wgui_xmldocument.h"

namespace Game
{

MedalTimes* MedalTimes::sInstance = nullptr;

MedalTimes* MedalTimes::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "MedalTimes");
        sInstance = new MedalTimes();
        sInstance->readXML();
    }
    return sInstance;
}

MedalTimes* MedalTimes::instance()
{
    if (!sInstance)
        qfSingletonNotMade("MedalTimes");
    return createInstance();
}

void MedalTimes::deleteInstance()
{
    qfNoteLifetime("delete", "MedalTimes");
    delete sInstance;
    sInstance = nullptr;
}

MedalTimes::~MedalTimes()
{
    clear();
}

void MedalTimes::clear()
{
    for (auto& entry : items)
        delete entry.second;
    items.clear();
}

str MedalTimes::getFilePath() const
{
    return WGUI::Pathnames::instance()->getLevels() + fileName;
}

void MedalTimes::readXML()
{
    services::XmlFile file(getFilePath());
    WGUI::XmlElement root = file.getRoot();
    if (!root.isValid() || root.getName() != "medaltimes")
        return;
    for (WGUI::XmlElement level = root.iterateChildren("level"); level.isValid();
         level = root.iterateChildren("level"))
    {
        str name = "";
        int timeLimit = 0, gold = 0, silver = 0, bronze = 0;
        level.queryStringAttribute("name", name);
        level.queryIntAttribute("timelimit", timeLimit);
        level.queryIntAttribute("goldtime", gold);
        level.queryIntAttribute("silvertime", silver);
        level.queryIntAttribute("bronzetime", bronze);
        setLevelTimes(name, timeLimit, gold, silver, bronze);
    }
}

int MedalTimes::writeXML()
{
    WGUI::XmlDocument doc(false);
    WGUI::XmlElement root("medaltimes");
    for (const auto& entry : items)
    {
        WGUI::XmlElement level("level");
        level.setAttribute("name", entry.first);
        level.setAttribute("timelimit", entry.second->timeLimit);
        level.setAttribute("goldtime", entry.second->goldTime);
        level.setAttribute("silvertime", entry.second->silverTime);
        level.setAttribute("bronzetime", entry.second->bronzeTime);
        root.insertEndChild(level);
    }
    doc.setRoot(root);
    return doc.saveFile(getFilePath());
}

MedalTimesItem* MedalTimes::getMedalTimesItem(const str& level)
{
    auto it = items.find(level);
    return it == items.end() ? nullptr : it->second;
}

void MedalTimes::getMedalTimes(const str& level, int& gold, int& silver, int& bronze)
{
    if (MedalTimesItem* item = getMedalTimesItem(level))
    {
        gold = item->goldTime;
        silver = item->silverTime;
        bronze = item->bronzeTime;
    }
}

void MedalTimes::setLevelTimes(const str& level, int timeLimit, int gold, int silver, int bronze)
{
    MedalTimesItem*& item = items[level];
    if (!item)
        item = new MedalTimesItem();
    item->timeLimit = timeLimit;
    item->goldTime = gold;
    item->silverTime = silver;
    item->bronzeTime = bronze;
}

int MedalTimes::getMedalType(int time, int gold, int silver, int bronze)
{
    if (time <= gold)
        return kGold;
    if (time <= silver)
        return kSilver;
    if (time <= bronze)
        return kBronze;
    return kNone;
}

int MedalTimes::getMedalType(const str& level, int time)
{
    int gold = 0, silver = 0, bronze = 0;
    getMedalTimes(level, gold, silver, bronze);
    return getMedalType(time, gold, silver, bronze);
}

}  // namespace Game
