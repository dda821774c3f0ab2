// Player profiles: the list of profile names, in creation order, and the active one, kept in
// "profiles.xml" in the user's preferences folder. The results of each profile live in
// LevelProgress and TotalEntitiesEaten under the same name.
#pragma once

#include <cstddef>
#include <vector>

#include "foundation/str.h"

namespace Game
{

class Profiles
{
public:
    static Profiles* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Profiles* createInstance();
    static void deleteInstance();

    // Empties the state, then reads the file when it loads: the root's "active", and the "name"
    // of every child element in order (duplicates included).
    void readXML();
    // Replaces the file atomically; 0 on success.
    int writeXML();

    static str getDefaultName() { return "Player 1"; }
    // Longer than any name the name entry makes (letters and digits while the text fits its
    // field; with the game's font the narrowest, "i", fits 36 times). A saved file holding a longer profile
    // name was not written by the game: it is read as damaged and kept aside.
    static constexpr size_t kMaxNameBytes = 64;
    // The default profile becomes active (and is added when missing).
    void setDefaultToActive();
    // The name the one profile of an older-form results file takes: the active profile's (added
    // to the list when missing), or the default name, made active, when none is active.
    str claimForOlderFormFile();

    void setActiveProfile(const str& name) { active = name; }
    const str& getActiveProfile() const { return active; }
    bool hasActiveProfile() const { return !active.empty(); }
    bool profileExists(const str& name) const;

    // Appends the name unless an entry equals it; false then.
    bool addProfile(const str& name);
    // Removes every entry equal to the name; the active name is cleared when it was that name.
    void removeProfile(const str& name);
    // Renames every entry equal to oldName; the active name follows only when it was oldName.
    void changePlayerName(const str& oldName, const str& newName);

    const std::vector<str>& getNames() const { return names; }
    int getNumProfiles() const { return static_cast<int>(names.size()); }
    str getFilePath() const;

private:
    Profiles() = default;
    ~Profiles() = default;

    str active = "";
    std::vector<str> names;
    str fileName = "profiles.xml";

    static Profiles* sInstance;
};

}  // namespace Game
