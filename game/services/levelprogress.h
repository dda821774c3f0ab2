// Level progress: for every profile, which levels were completed in each of the three modes and
// the best time of each, kept in "levelprogress.xml" in the user's preferences folder, and the
// achievement counts derived from it. The active progress profile is the one named by
// Profiles' active name (setActiveProfile).
#pragma once

#include <map>
#include <vector>

#include "foundation/str.h"
#include "services/levelmode.h"

namespace WGUI
{
class XmlElement;
}

namespace Game
{

struct LevelProgressItem
{
    static constexpr int kNoTime = 1000000;
    bool completed = false;
    int time = kNoTime;
};

class LevelProgressProfile
{
public:
    static const int kLevelCounts[kNumLevelModes];           // 60, 60, 3
    static const char* const kModeElements[kNumLevelModes];  // "normal", "timeattack", "endurance"

    explicit LevelProgressProfile(const str& name = "") : name(name) {}
    ~LevelProgressProfile();
    LevelProgressProfile(const LevelProgressProfile&) = delete;
    LevelProgressProfile& operator=(const LevelProgressProfile&) = delete;

    const str& getName() const { return name; }
    void setName(const str& n) { name = n; }
    // Null for an unknown level (or a value outside the three modes).
    LevelProgressItem* getItem(LevelMode mode, const str& level);
    // Finds or makes the item (null for a value outside the three modes).
    LevelProgressItem* makeItem(LevelMode mode, const str& level);
    const std::map<str, LevelProgressItem*>& getMode(LevelMode mode) const
    {
        return modes[levelModeIndex(mode)];
    }

    void calcLevelCompletionStats();

    int timedCompleted = 0, timedBronze = 0, timedSilver = 0, timedGold = 0;
    int casualCompleted = 0, enduranceCompleted = 0;

private:
    str name;
    std::map<str, LevelProgressItem*> modes[kNumLevelModes];
};

class LevelProgress
{
public:
    static LevelProgress* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static LevelProgress* createInstance();
    static void deleteInstance();

    // Reads the current form (profiles under the root) or converts the older one (mode elements
    // straight under the root: one profile, named after the active profile of profiles.xml, or
    // "Player 1" made active when it names none; both files rewritten). In the current form a
    // record without a name is dropped when it holds no results; one that holds results is
    // named as the older form's profile would be (both files rewritten), unless that name has
    // a record already.
    // Then the active profile is chosen. A missing or damaged file keeps what is held.
    void readXML();
    // Every profile with all three modes and every item; 0 on success.
    int writeXML();
    void clear();

    void addProfile(const str& name);
    // The first profile named like Profiles' active name; made (empty) when there is none.
    // Without an active name there is no active profile, and none is made.
    void setActiveProfile();
    void removeProfile(const str& name);
    void changePlayerName(const str& oldName, const str& newName);

    LevelProgressProfile* getActiveProfile();
    int getActiveIndex() const { return activeIndex; }
    int getNumProfiles() const { return static_cast<int>(profiles.size()); }
    LevelProgressProfile* getProfile(int i);

    // The active profile's item, or null (also for a bad mode or no active profile).
    LevelProgressItem* getLevelProgressItem(LevelMode mode, const str& level);
    // The item's values, or false and 0 when there is none; the result is the item's presence.
    bool getProgressVars(LevelMode mode, const str& level, bool& completed, int& time);
    // Records a result unless a gameplay cheat is on: completed is set, the time only lowers.
    void setProgressVars(LevelMode mode, const str& level, bool completed, int time);

    void calcLevelCompletionStats();
    bool allNormalModeBeaten();
    bool allTimeAttackBeaten();
    bool allTimeAttackBronze();
    bool allTimeAttackSilver();
    bool allTimeAttackGold();
    bool allEnduranceModeBeaten();

    str getFilePath() const;

private:
    LevelProgress() = default;
    ~LevelProgress();
    static void readProfile(WGUI::XmlElement& element, LevelProgressProfile* profile);
    // The unnamed records just read: dropped when empty, named when they hold results; true when
    // one was named.
    bool takeUnnamedRecords();

    str fileName = "levelprogress.xml";
    std::vector<LevelProgressProfile*> profiles;
    int activeIndex = -1;

    static LevelProgress* sInstance;
};

}  // namespace Game
