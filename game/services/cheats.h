// The cheat state: eleven toggles that change the goo's looks and sounds or the gameplay, two
// unlock flags, and the last eight typed characters, in which cheat words are recognised.
// Nothing of it is saved. Every key and character event of the GUI manager reaches
// messageCallback through the game's WGUI callback.
//
// The words act on screens of the front end and the play screen, which live above this
// library: they are reached through a CheatsListener that the game installs (it finds the
// screens by name). Without a listener a word only sets its flag and clears the buffer.
#pragma once

#include "foundation/str.h"

namespace WGUI
{
class WEvent;
}

namespace Game
{

class SoundEffect;

class CheatsListener
{
public:
    virtual ~CheatsListener() {}
    // "bigger" (x 3.0) and "increase" (x 1.2): the goo of the loaded level, when there is one,
    // gets its actual area multiplied by the factor.
    virtual void cheatScaleGooArea(double factor) = 0;
    // "timer" (x 0.5): the play screen's level time is multiplied by the factor.
    virtual void cheatScaleLevelTime(double factor) = 0;
    // "levels": the level selection and endurance menus recompute their open level buttons.
    virtual void cheatLevelsOpened() = 0;
    // "writexml": the medal-time table is filled from the level files and written.
    virtual void cheatWriteMedalTimes() = 0;
    // "version": the main menu shows its version label.
    virtual void cheatShowVersion() = 0;
    // "cheats": the cheats screen enables every cheat button.
    virtual void cheatAllCheatsAvailable() = 0;
};

class Cheats
{
public:
    static Cheats* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Cheats* createInstance();
    static void deleteInstance();
    static bool hasInstance() { return sInstance != nullptr; }

    // Not owned; null removes it.
    void setListener(CheatsListener* l) { listener = l; }
    CheatsListener* getListener() const { return listener; }

    // Character events (WEvent type 4) of codes "0" to "z" enter the buffer; after each, the
    // first word found (bigger, increase, timer, levels, writexml, version, cheats) acts and
    // the buffer is blanked.
    void messageCallback(WGUI::WEvent& e);
    const str& getTyped() const { return typed; }

    // Level results count only while no gameplay cheat is on; the looks never block saving.
    bool allowLevelToCount() const { return !superFast && !goThroughWalls && !invinsible && !gravityWell; }

    bool getAllLevels() const { return allLevels; }
    bool getCheats() const { return cheats; }

    bool getWideEyes() const { return wideEyes; }
    void setWideEyes(bool b) { wideEyes = b; }
    bool getSmallEyes() const { return smallEyes; }
    void setSmallEyes(bool b) { smallEyes = b; }
    bool getBigEyes() const { return bigEyes; }
    void setBigEyes(bool b) { bigEyes = b; }
    bool getCyclops() const { return cyclops; }
    void setCyclops(bool b) { cyclops = b; }
    bool getPersonify() const { return personify; }
    void setPersonify(bool b) { personify = b; }
    bool getFelinify() const { return felinify; }
    void setFelinify(bool b) { felinify = b; }
    bool getRainbowColor() const { return rainbowColor; }
    void setRainbowColor(bool b) { rainbowColor = b; }
    bool getSuperFast() const { return superFast; }
    void setSuperFast(bool b) { superFast = b; }
    bool getGoThroughWalls() const { return goThroughWalls; }
    void setGoThroughWalls(bool b) { goThroughWalls = b; }
    bool getInvinsible() const { return invinsible; }
    void setInvinsible(bool b) { invinsible = b; }
    bool getGravityWell() const { return gravityWell; }
    void setGravityWell(bool b) { gravityWell = b; }

    // The sound effects "scream", "womanscream" and "cat"; null when the table lacks them.
    SoundEffect* getPersonSound() const { return personSound; }
    SoundEffect* getWomanSound() const { return womanSound; }
    SoundEffect* getCatSound() const { return catSound; }

private:
    Cheats();
    ~Cheats() = default;

    str typed = "        ";
    str blank = "        ";
    bool listening = true;
    bool allLevels = false;
    bool cheats = false;
    bool wideEyes = false, smallEyes = false, bigEyes = false, cyclops = false;
    bool personify = false, felinify = false, rainbowColor = false;
    bool superFast = false, goThroughWalls = false, invinsible = false, gravityWell = false;
    SoundEffect* personSound = nullptr;
    SoundEffect* womanSound = nullptr;
    SoundEffect* catSound = nullptr;
    CheatsListener* listener = nullptr;

    static Cheats* sInstance;
};

}  // namespace Game
