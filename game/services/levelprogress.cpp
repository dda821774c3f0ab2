// LevelProgress: per-profile progress in the three modes, its file and the achievement counts.
#include "services/levelprogress.h"

#include <algorithm>

#include "foundation/debug.h"
#include "foundation/singletons.h"
#include "services/cheats.h"
#include "services/medaltimes.h"
#include "services/profilerecords.h"
#include "services/profiles.h"
#include "services/saves.h"
#include "services/xmlfile.h"
#include "wgui_xmldocument.h"

namespace Game
{

const int LevelProgressProfile::kLevelCounts[kNumLevelModes] = {60, 60, 3};
const char* const LevelProgressProfile::kModeElements[kNumLevelModes] = {"normal", "timeattack", "endurance"};

// ---- LevelProgressProfile ----

LevelProgressProfile::~LevelProgressProfile()
{
    for (auto& mode : modes)
        for (auto& entry : mode)
            delete entry.second;
}

LevelProgressItem* LevelProgressProfile::getItem(LevelMode mode, const str& level)
{
    const int i = levelModeIndex(mode);
    if (i < 0 || i >= kNumLevelModes)
        return nullptr;
    auto it = modes[i].find(level);
    return it == modes[i].end() ? nullptr : it->second;
}

LevelProgressItem* LevelProgressProfile::makeItem(LevelMode mode, const str& level)
{
    const int i = levelModeIndex(mode);
    if (i < 0 || i >= kNumLevelModes)
        return nullptr;
    LevelProgressItem*& item = modes[i][level];
    if (!item)
        item = new LevelProgressItem();
    return item;
}

void LevelProgressProfile::calcLevelCompletionStats()
{
    timedCompleted = timedBronze = timedSilver = timedGold = 0;
    casualCompleted = enduranceCompleted = 0;
    MedalTimes* medals = MedalTimes::instance();
    for (const auto& entry : getMode(LevelMode::kTimed))
    {
        // Medals count from the best time whether or not the level is marked completed; a
        // better medal also counts as each lesser one.
        const int medal = medals->getMedalType(entry.first, entry.second->time);
        if (entry.second->completed)
            ++timedCompleted;
        if (medal <= MedalTimes::kBronze)
            ++timedBronze;
        if (medal <= MedalTimes::kSilver)
            ++timedSilver;
        if (medal == MedalTimes::kGold)
            ++timedGold;
    }
    for (const auto& entry : getMode(LevelMode::kCasual))
        if (entry.second->completed)
            ++casualCompleted;
    for (const auto& entry : getMode(LevelMode::kEndurance))
        if (entry.second->completed)
            ++enduranceCompleted;
}

// ---- LevelProgress ----

LevelProgress* LevelProgress::sInstance = nullptr;

LevelProgress* LevelProgress::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "LevelProgress");
        sInstance = new LevelProgress();
        sInstance->readXML();
    }
    return sInstance;
}

LevelProgress* LevelProgress::instance()
{
    if (!sInstance)
        qfSingletonNotMade("LevelProgress");
    return createInstance();
}

void LevelProgress::deleteInstance()
{
    qfNoteLifetime("delete", "LevelProgress");
    delete sInstance;
    sInstance = nullptr;
}

LevelProgress::~LevelProgress()
{
    clear();
}

void LevelProgress::clear()
{
    for (LevelProgressProfile* p : profiles)
        delete p;
    profiles.clear();
    activeIndex = -1;
}

str LevelProgress::getFilePath() const
{
    return services::preferencesPath(fileName);
}

void LevelProgress::readProfile(WGUI::XmlElement& element, LevelProgressProfile* profile)
{
    str name = profile->getName();
    if (element.queryStringAttribute("name", name) == 0)
        profile->setName(name);
    for (LevelMode mode : kLevelModes)
    {
        element.resetIterateChildren();
        WGUI::XmlElement modeElement =
            element.iterateChildren(LevelProgressProfile::kModeElements[levelModeIndex(mode)]);
        if (!modeElement.isValid())
            continue;
        for (WGUI::XmlElement level = modeElement.iterateChildren("level"); level.isValid();
             level = modeElement.iterateChildren("level"))
        {
            str levelName = "";
            bool completed = false;
            int time = LevelProgressItem::kNoTime;
            level.queryStringAttribute("name", levelName);
            level.queryBoolAttribute("completed", completed);
            level.queryIntAttribute("time", time);
            // A later entry of the same name replaces an earlier one.
            LevelProgressItem* item = profile->makeItem(mode, levelName);
            item->completed = completed;
            item->time = time;
        }
    }
    element.resetIterateChildren();
}

void LevelProgress::readXML()
{
    bool converted = false;
    {
        services::XmlFile file(getFilePath(), services::XmlFile::kSavedState, services::profileNamesFit);
        WGUI::XmlElement root = file.getRoot();
        if (root.isValid() && root.getName() == "levelprogress")
        {
            const bool olderForm = services::hasChild(root, "normal") ||
                                   services::hasChild(root, "timeattack") ||
                                   services::hasChild(root, "endurance");
            clear();
            if (!olderForm)
            {
                for (WGUI::XmlElement child = root.iterateChildren("profile"); child.isValid();
                     child = root.iterateChildren("profile"))
                {
                    LevelProgressProfile* profile = new LevelProgressProfile();
                    profiles.push_back(profile);
                    readProfile(child, profile);
                }
                converted = takeUnnamedRecords();
            }
            else
            {
                LevelProgressProfile* profile = new LevelProgressProfile();
                profiles.push_back(profile);
                readProfile(root, profile);
                profile->setName(Profiles::instance()->claimForOlderFormFile());
                converted = true;
            }
        }
    }
    setActiveProfile();
    if (converted)
        services::saveProfileFiles(this, nullptr, Profiles::instance());
}

int LevelProgress::writeXML()
{
    WGUI::XmlDocument doc(false);
    WGUI::XmlElement root("levelprogress");
    for (LevelProgressProfile* profile : profiles)
    {
        WGUI::XmlElement profileElement("profile");
        profileElement.setAttribute("name", profile->getName());
        for (LevelMode mode : kLevelModes)
        {
            WGUI::XmlElement modeElement(LevelProgressProfile::kModeElements[levelModeIndex(mode)]);
            for (const auto& entry : profile->getMode(mode))
            {
                WGUI::XmlElement level("level");
                level.setAttribute("name", entry.first);
                level.setBoolAttribute("completed", entry.second->completed);
                level.setAttribute("time", entry.second->time);
                modeElement.insertEndChild(level);
            }
            profileElement.insertEndChild(modeElement);
        }
        root.insertEndChild(profileElement);
    }
    doc.setRoot(root);
    return services::saveStateFile(doc, getFilePath());
}

void LevelProgress::addProfile(const str& name)
{
    profiles.push_back(new LevelProgressProfile(name));
}

bool LevelProgress::takeUnnamedRecords()
{
    bool claimed = false;
    for (size_t i = 0; i < profiles.size();)
    {
        LevelProgressProfile* record = profiles[i];
        if (!record->getName().empty())
        {
            ++i;
            continue;
        }
        bool hasResults = false;
        for (LevelMode mode : kLevelModes)
            hasResults = hasResults || !record->getMode(mode).empty();
        if (!hasResults)
        {
            // A record made for "no player yet": nothing in it to keep.
            delete record;
            profiles.erase(profiles.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        // Results under no name are the player's all the same: they go where the older form's
        // unnamed record goes, unless that player has a record already (then they stay).
        Profiles* names = Profiles::instance();
        const str owner = names->hasActiveProfile() ? names->getActiveProfile() : names->getDefaultName();
        if (ProfileRecords::indexOf(profiles, owner) < 0)
        {
            record->setName(names->claimForOlderFormFile());
            WriteDbg("Level progress kept under no name now belongs to \"%s\"\n", record->getName().c_str());
            claimed = true;
        }
        ++i;
    }
    return claimed;
}

void LevelProgress::setActiveProfile()
{
    const str active = Profiles::instance()->getActiveProfile();
    activeIndex = ProfileRecords::indexOf(profiles, active);
    // No record is made for "no player": results are only recorded once a name was entered.
    if (activeIndex >= 0 || active.empty())
        return;
    addProfile(active);
    activeIndex = static_cast<int>(profiles.size()) - 1;
}

void LevelProgress::removeProfile(const str& name)
{
    ProfileRecords::remove(profiles, activeIndex, name);
}

void LevelProgress::changePlayerName(const str& oldName, const str& newName)
{
    ProfileRecords::rename(profiles, oldName, newName);
}

LevelProgressProfile* LevelProgress::getActiveProfile()
{
    return getProfile(activeIndex);
}

LevelProgressProfile* LevelProgress::getProfile(int i)
{
    if (i < 0 || i >= static_cast<int>(profiles.size()))
        return nullptr;
    return profiles[static_cast<size_t>(i)];
}

LevelProgressItem* LevelProgress::getLevelProgressItem(LevelMode mode, const str& level)
{
    LevelProgressProfile* profile = getActiveProfile();
    return profile ? profile->getItem(mode, level) : nullptr;
}

bool LevelProgress::getProgressVars(LevelMode mode, const str& level, bool& completed, int& time)
{
    LevelProgressItem* item = getLevelProgressItem(mode, level);
    if (!item)
    {
        completed = false;
        time = 0;
        return false;
    }
    completed = item->completed;
    time = item->time;
    return true;
}

void LevelProgress::setProgressVars(LevelMode mode, const str& level, bool completed, int time)
{
    if (!Cheats::instance()->allowLevelToCount())
        return;
    LevelProgressProfile* profile = getActiveProfile();
    if (!profile)
        return;
    LevelProgressItem* item = profile->makeItem(mode, level);
    if (!item)
        return;
    item->completed = completed;
    item->time = std::min(item->time, time);
}

void LevelProgress::calcLevelCompletionStats()
{
    if (LevelProgressProfile* profile = getActiveProfile())
        profile->calcLevelCompletionStats();
}

namespace
{
int countOf(LevelProgressProfile* p, int LevelProgressProfile::*field)
{
    return p ? p->*field : 0;
}
}  // namespace

bool LevelProgress::allNormalModeBeaten()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::casualCompleted) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kCasual)];
}

bool LevelProgress::allTimeAttackBeaten()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::timedCompleted) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kTimed)];
}

bool LevelProgress::allTimeAttackBronze()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::timedBronze) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kTimed)];
}

bool LevelProgress::allTimeAttackSilver()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::timedSilver) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kTimed)];
}

bool LevelProgress::allTimeAttackGold()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::timedGold) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kTimed)];
}

bool LevelProgress::allEnduranceModeBeaten()
{
    return countOf(getActiveProfile(), &LevelProgressProfile::enduranceCompleted) >=
           LevelProgressProfile::kLevelCounts[levelModeIndex(LevelMode::kEndurance)];
}

}  // namespace Game
