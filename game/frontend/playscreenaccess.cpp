#include "playscreenaccess.h"

#include "wgui_window.h"

namespace Game
{

namespace
{

PlayScreenAccess gBuiltIn;
PlayScreenAccess* gInstalled = nullptr;

}  // namespace

PlayScreenAccess* PlayScreenAccess::instance()
{
    return gInstalled ? gInstalled : &gBuiltIn;
}

void PlayScreenAccess::setInstance(PlayScreenAccess* access)
{
    gInstalled = access;
}

}  // namespace Game

#ifdef WOMBIX_HAVE_GAMEPLAY

// The real play screen: every call checks that the window given is the play screen.

#include "entity.h"
#include "entitydef.h"
#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "level.h"
#include "specialentities.h"
#include "unitconverter.h"
#include "victorywindow.h"

namespace Game
{

namespace
{

GameWindow* asGame(WGUI::Window* w)
{
    return dynamic_cast<GameWindow*>(w);
}

Level* levelOf(WGUI::Window* w)
{
    GameWindow* game = asGame(w);
    return game ? game->getLevel() : nullptr;
}

std::vector<ComicPageFiles> pagesOf(const std::vector<ComicFrame*>& frames)
{
    std::vector<ComicPageFiles> pages;
    for (const ComicFrame* f : frames)
        if (f)
            pages.push_back(ComicPageFiles{f->chunkedFileName, f->textOverlayFileName});
    return pages;
}

}  // namespace

bool PlayScreenAccess::hasGameplay()
{
    return true;
}

WGUI::Window* PlayScreenAccess::createGameWindow()
{
    return new GameWindow();
}

std::vector<WGUI::Window*> PlayScreenAccess::createLevelDialogs(int group)
{
    if (group == 0)
        return {new GamePaused()};
    return {new VictoryWindow(), new FailureWindow()};
}

TotalEntitiesEaten* PlayScreenAccess::getTotalEntitiesEaten(WGUI::Window* gameWindow)
{
    GameWindow* game = asGame(gameWindow);
    return game ? game->getTotalEntitiesEaten() : nullptr;
}

bool PlayScreenAccess::loadLevel(WGUI::Window* gameWindow, const str& levelFile, int mode)
{
    GameWindow* game = asGame(gameWindow);
    if (!game)
        return false;
    game->loadLevel(levelFile, mode);
    // A file that does not load leaves the level without a name.
    Level* level = game->getLevel();
    return level && !level->fileName.empty();
}

bool PlayScreenAccess::levelFirstSongOnly(WGUI::Window* gameWindow)
{
    Level* level = levelOf(gameWindow);
    return level && level->firstSongOnly;
}

bool PlayScreenAccess::levelHasInitialComic(WGUI::Window* gameWindow)
{
    Level* level = levelOf(gameWindow);
    return level && level->hasInitialComic();
}

bool PlayScreenAccess::getLevelTimes(WGUI::Window* gameWindow, int& timeLimit, int& gold, int& silver,
                                     int& bronze)
{
    Level* level = levelOf(gameWindow);
    if (!level)
        return false;
    timeLimit = level->timeLimit;
    gold = level->goldTime;
    silver = level->silverTime;
    bronze = level->bronzeTime;
    return true;
}

void PlayScreenAccess::setPaused(WGUI::Window* gameWindow, bool paused)
{
    if (GameWindow* game = asGame(gameWindow))
        game->setPaused(paused);
}

std::vector<ComicPageFiles> PlayScreenAccess::comicPages(WGUI::Window* gameWindow, bool end)
{
    Level* level = levelOf(gameWindow);
    if (!level)
        return {};
    return pagesOf(end ? level->endFrames : level->comicFrames);
}

bool PlayScreenAccess::kindLook(EntityKind* kind, GalleryKindLook& look)
{
    EntityDef* def = dynamic_cast<EntityDef*>(kind);
    if (!def)
        return false;
    look.displayName = def->displayName;
    look.r = static_cast<float>(def->r);
    look.g = static_cast<float>(def->g);
    look.b = static_cast<float>(def->b);
    look.a = static_cast<float>(def->a);
    look.effectR = static_cast<float>(def->effectR);
    look.effectG = static_cast<float>(def->effectG);
    look.effectB = static_cast<float>(def->effectB);
    look.effectA = static_cast<float>(def->effectA);
    return true;
}

bool PlayScreenAccess::kindNeedImages(EntityKind* kind, int width)
{
    EntityDef* def = dynamic_cast<EntityDef*>(kind);
    if (!def)
        return false;
    def->setNeededImages(width);
    return true;
}

void PlayScreenAccess::scaleGooArea(WGUI::Window* gameWindow, double factor)
{
    GameWindow* game = asGame(gameWindow);
    if (!game)
        return;
    if (Entity* goo = game->getGreyGooEntity())
        goo->setActualArea(goo->getActualArea() * factor);
}

void PlayScreenAccess::scaleLevelTime(WGUI::Window* gameWindow, double factor)
{
    if (GameWindow* game = asGame(gameWindow))
        game->setLevelTime(game->getLevelTime() * factor);
}

void PlayScreenAccess::setPauseTransition(WGUI::Window* gameWindow)
{
    if (GameWindow* game = asGame(gameWindow))
        game->setPauseTransition();
}

void PlayScreenAccess::createSingletons()
{
    // Definitions of the special kinds make their own classes from here on.
    installSpecialEntityKinds();
    UnitConverter::instance();
}

void PlayScreenAccess::deleteSingletons()
{
    UnitConverter::deleteInstance();
}

}  // namespace Game

#else  // no gameplay in this build

namespace Game
{

// Without the gameplay in the build there is no play screen: every query answers "nothing".
bool PlayScreenAccess::hasGameplay()
{
    return false;
}

WGUI::Window* PlayScreenAccess::createGameWindow()
{
    return nullptr;
}

std::vector<WGUI::Window*> PlayScreenAccess::createLevelDialogs(int)
{
    return {};
}

TotalEntitiesEaten* PlayScreenAccess::getTotalEntitiesEaten(WGUI::Window*)
{
    return nullptr;
}

bool PlayScreenAccess::loadLevel(WGUI::Window*, const str&, int)
{
    return false;
}

bool PlayScreenAccess::levelFirstSongOnly(WGUI::Window*)
{
    return false;
}

bool PlayScreenAccess::levelHasInitialComic(WGUI::Window*)
{
    return false;
}

bool PlayScreenAccess::getLevelTimes(WGUI::Window*, int&, int&, int&, int&)
{
    return false;
}

void PlayScreenAccess::setPaused(WGUI::Window*, bool)
{
}

std::vector<ComicPageFiles> PlayScreenAccess::comicPages(WGUI::Window*, bool)
{
    return {};
}

bool PlayScreenAccess::kindLook(EntityKind*, GalleryKindLook&)
{
    return false;
}

bool PlayScreenAccess::kindNeedImages(EntityKind*, int)
{
    return false;
}

void PlayScreenAccess::scaleGooArea(WGUI::Window*, double)
{
}

void PlayScreenAccess::scaleLevelTime(WGUI::Window*, double)
{
}

void PlayScreenAccess::setPauseTransition(WGUI::Window*)
{
}

void PlayScreenAccess::createSingletons()
{
}

void PlayScreenAccess::deleteSingletons()
{
}

}  // namespace Game

#endif
