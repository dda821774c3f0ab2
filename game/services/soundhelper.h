// Volume types for game audio. The game never changes a playing instance's volume: every sound
// effect variant, looping slot and song plays under a volume type of its own, whose volume is
// set through the sound manager. The ids count up from 1000, shared by effects and music.
#pragma once

#include <memory>
#include <vector>

class TSound;

namespace Game
{

class TSoundHelper
{
public:
    static constexpr int kFirstId = 1000;

    static TSoundHelper* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static TSoundHelper* createInstance();
    static void deleteInstance();
    static bool hasInstance() { return sInstance != nullptr; }

    int getSoundEffectGroupID();
    int getMusicGroupID();
    const std::vector<int>& getSoundEffectIDs() const { return effectIds; }
    const std::vector<int>& getMusicIDs() const { return musicIds; }

    // Sets a type's volume on the current sound manager (nothing without one), clamped to 0..1.
    static void setTypeVolume(int type, double volume);

private:
    TSoundHelper() = default;
    int nextId();

    int next = kFirstId;
    std::vector<int> effectIds;
    std::vector<int> musicIds;

    static TSoundHelper* sInstance;
};

}  // namespace Game
