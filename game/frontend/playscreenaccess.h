// What the front end asks of the play screen ("gamewindow") and of the level loaded on it. The
// screens reach the play screen only through this interface, handed to them by the game's start-up
// (GameShell), so the menus build, run and test without a real play screen: GamePlayAccess is the
// one the game uses, tests hand in their own.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "services/levelmode.h"
#include "screenlinks.h"

namespace WGUI
{
class Window;
}

namespace Game
{

class TotalEntitiesEaten;
class EntityKind;
class GameWindow;
class Level;

class PlayScreenAccess
{
public:
    virtual ~PlayScreenAccess() = default;

    // A new play screen, named "gamewindow", owned by the caller.
    virtual std::unique_ptr<WGUI::Window> createGameWindow() = 0;
    // The play screen's dialogs that are top-level screens, made after it: group 0 the pause
    // dialog ("gamepaused"), group 1 the victory and failure dialogs ("victorywindow",
    // "failurewindow").
    virtual std::vector<std::unique_ptr<WGUI::Window>> createLevelDialogs(int group) = 0;
    // The lifetime eaten totals the play screen owns; null without a play screen.
    virtual TotalEntitiesEaten* getTotalEntitiesEaten(WGUI::Window* gameWindow) = 0;

    // Loads the level file in the mode; false when nothing was loaded.
    virtual bool loadLevel(WGUI::Window* gameWindow, const str& levelFile, LevelMode mode) = 0;
    // Of the loaded level: plays only the first song; opens with a comic; its medal times.
    virtual bool levelFirstSongOnly(WGUI::Window* gameWindow) = 0;
    virtual bool levelHasInitialComic(WGUI::Window* gameWindow) = 0;
    virtual bool getLevelTimes(WGUI::Window* gameWindow, int& timeLimit, int& gold, int& silver,
                               int& bronze) = 0;
    // Unpauses the play screen: play starts.
    virtual void setPaused(WGUI::Window* gameWindow, bool paused) = 0;

    // The opening (end false) or closing (end true) comic pages of the loaded level.
    virtual std::vector<ComicPageFiles> comicPages(WGUI::Window* gameWindow, bool end) = 0;
    // How an entity kind looks in the gallery, and loading its pictures for a drawn width;
    // false when the kind is not the gameplay's (the gallery's defaults apply).
    virtual bool kindLook(EntityKind* kind, GalleryKindLook& look) = 0;
    virtual bool kindNeedImages(EntityKind* kind, int width) = 0;

    // The cheat words that act on the level being played.
    virtual void scaleGooArea(WGUI::Window* gameWindow, double factor) = 0;
    virtual void scaleLevelTime(WGUI::Window* gameWindow, double factor) = 0;
    // The application lost the focus while the play screen shows.
    virtual void setPauseTransition(WGUI::Window* gameWindow) = 0;

    // The gameplay's own singletons (the unit converter), made at start-up after the game
    // services and deleted at shut-down before them.
    virtual void createSingletons() = 0;
    virtual void deleteSingletons() = 0;
};

// The real play screen of the game: every call checks that the window given is the play screen
// this access made.
class GamePlayAccess : public PlayScreenAccess
{
public:
    std::unique_ptr<WGUI::Window> createGameWindow() override;
    std::vector<std::unique_ptr<WGUI::Window>> createLevelDialogs(int group) override;
    TotalEntitiesEaten* getTotalEntitiesEaten(WGUI::Window* gameWindow) override;
    bool loadLevel(WGUI::Window* gameWindow, const str& levelFile, LevelMode mode) override;
    bool levelFirstSongOnly(WGUI::Window* gameWindow) override;
    bool levelHasInitialComic(WGUI::Window* gameWindow) override;
    bool getLevelTimes(WGUI::Window* gameWindow, int& timeLimit, int& gold, int& silver,
                       int& bronze) override;
    void setPaused(WGUI::Window* gameWindow, bool paused) override;
    std::vector<ComicPageFiles> comicPages(WGUI::Window* gameWindow, bool end) override;
    bool kindLook(EntityKind* kind, GalleryKindLook& look) override;
    bool kindNeedImages(EntityKind* kind, int width) override;
    void scaleGooArea(WGUI::Window* gameWindow, double factor) override;
    void scaleLevelTime(WGUI::Window* gameWindow, double factor) override;
    void setPauseTransition(WGUI::Window* gameWindow) override;
    void createSingletons() override;
    void deleteSingletons() override;

private:
    // The play screen when w is the one made here, else null; and its level.
    GameWindow* playScreen(WGUI::Window* w) const;
    Level* levelOf(WGUI::Window* w) const;

    GameWindow* made = nullptr;  // owned by the caller of createGameWindow
};

}  // namespace Game
