// Medal times: for every level file its time limit and the gold, silver and bronze times of the
// timed mode, read from "medaltimes.xml" in the levels folder. Times are whole seconds, the unit
// of the best times kept by LevelProgress.
#pragma once

#include <map>

#include "foundation/str.h"

namespace Game
{

struct MedalTimesItem
{
    int timeLimit = 0;
    int goldTime = 0;
    int silverTime = 0;
    int bronzeTime = 0;
};

class MedalTimes
{
public:
    enum
    {
        kGold = 0,
        kSilver = 1,
        kBronze = 2,
        kNone = 3
    };

    static MedalTimes* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static MedalTimes* createInstance();
    static void deleteInstance();

    // Without the file (or with a root of another name) the table stays empty. A later entry of
    // the same level replaces the earlier one.
    void readXML();
    // Writes every item in byte order of the level name; 0 on success.
    int writeXML();

    // The item, or null.
    MedalTimesItem* getMedalTimesItem(const str& level);
    // Copies the three times when the level is known; otherwise leaves the outputs alone.
    void getMedalTimes(const str& level, int& gold, int& silver, int& bronze);
    void setLevelTimes(const str& level, int timeLimit, int gold, int silver, int bronze);

    // 0 gold when time <= gold, else 1 silver when <= silver, else 2 bronze when <= bronze,
    // else 3 none.
    static int getMedalType(int time, int gold, int silver, int bronze);
    // The same with the level's times; an unknown level has 0, 0, 0.
    int getMedalType(const str& level, int time);

    size_t getNumItems() const { return items.size(); }
    const std::map<str, MedalTimesItem*>& getItems() const { return items; }
    str getFilePath() const;
    void clear();

private:
    MedalTimes() = default;
    ~MedalTimes();

    std::map<str, MedalTimesItem*> items;
    str fileName = "medaltimes.xml";

    static MedalTimes* sInstance;
};

}  // namespace Game
