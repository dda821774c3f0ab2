// What the front end asks of the play screen ("gamewindow") and of the level loaded on it. The
// screens reach the play screen only through this interface, so the menus build, run and test
// without the gameplay; the built-in implementation talks to the real play screen when the
// gameplay is part of the build, and does nothing otherwise. Tests install their own.
#pragma once

#include <vector>

#include "foundation/str.h"
#include "screenlinks.h"

namespace WGUI
{
class Window;
}

namespace Game
{

class TotalEntitiesEaten;
class EntityKind;

class PlayScreenAccess
{
public:
    virtual ~PlayScreenAccess() = default;

    // The installed access, or the built-in one.
    static PlayScreenAccess* instance();
    // Not owned; null restores the built-in one.
    static void setInstance(PlayScreenAccess* access);
    // The gameplay is linked into this program.
    static bool hasGameplay();

    // A new play screen, named "gamewindow"; null when the gameplay is not part of the build.
    virtual WGUI::Window* createGameWindow();
    // The play screen's dialogs that are top-level screens, made after it: group 0 the pause
    // dialog ("gamepaused"), group 1 the victory and failure dialogs ("victorywindow",
    // "failurewindow"); none without the gameplay.
    virtual std::vector<WGUI::Window*> createLevelDialogs(int group);
    // The lifetime eaten totals the play screen owns; null without a play screen.
    virtual TotalEntitiesEaten* getTotalEntitiesEaten(WGUI::Window* gameWindow);

    // Loads the level file in the mode (0 casual, 1 timed, 2 endurance); false when nothing
    // was loaded.
    virtual bool loadLevel(WGUI::Window* gameWindow, const str& levelFile, int mode);
    // Of the loaded level: plays only the first song; opens with a comic; its medal times.
    virtual bool levelFirstSongOnly(WGUI::Window* gameWindow);
    virtual bool levelHasInitialComic(WGUI::Window* gameWindow);
    virtual bool getLevelTimes(WGUI::Window* gameWindow, int& timeLimit, int& gold, int& silver, int& bronze);
    // Unpauses the play screen: play starts.
    virtual void setPaused(WGUI::Window* gameWindow, bool paused);

    // The opening (end false) or closing (end true) comic pages of the loaded level.
    virtual std::vector<ComicPageFiles> comicPages(WGUI::Window* gameWindow, bool end);
    // How an entity kind looks in the gallery, and loading its pictures for a drawn width;
    // false when the kind is not the gameplay's (the gallery's defaults apply).
    virtual bool kindLook(EntityKind* kind, GalleryKindLook& look);
    virtual bool kindNeedImages(EntityKind* kind, int width);

    // The cheat words that act on the level being played.
    virtual void scaleGooArea(WGUI::Window* gameWindow, double factor);
    virtual void scaleLevelTime(WGUI::Window* gameWindow, double factor);
    // The application lost the focus while the play screen shows.
    virtual void setPauseTransition(WGUI::Window* gameWindow);

    // The gameplay's own singletons (the unit converter), made at start-up after the game
    // services and deleted at shut-down before them.
    virtual void createSingletons();
    virtual void deleteSingletons();
};

}  // namespace Game
