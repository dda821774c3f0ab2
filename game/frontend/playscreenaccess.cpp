// GamePlayAccess: the front end's questions answered by the real play screen and its level.
#include "playscreenaccess.h"

#include "wgui_window.h"

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

std::vector<ComicPageFiles> pagesOf(const std::vector<std::unique_ptr<ComicFrame>>& frames)
{
    std::vector<ComicPageFiles> pages;
    for (const std::unique_ptr<ComicFrame>& f : frames)
        if (f)
            pages.push_back(ComicPageFiles{f->chunkedFileName, f->textOverlayFileName});
    return pages;
}

}  // namespace

GameWindow* GamePlayAccess::playScreen(WGUI::Window* w) const
{
    return w && w == made ? made : nullptr;
}

Level* GamePlayAccess::levelOf(WGUI::Window* w) const
{
    GameWindow* game = playScreen(w);
    return game ? game->getLevel() : nullptr;
}

std::unique_ptr<WGUI::Window> GamePlayAccess::createGameWindow()
{
    auto game = std::make_unique<GameWindow>();
    made = game.get();
    return game;
}

std::vector<std::unique_ptr<WGUI::Window>> GamePlayAccess::createLevelDialogs(int group)
{
    std::vector<std::unique_ptr<WGUI::Window>> dialogs;
    if (group == 0)
    {
        dialogs.push_back(std::make_unique<GamePaused>());
        return dialogs;
    }
    dialogs.push_back(std::make_unique<VictoryWindow>());
    dialogs.push_back(std::make_unique<FailureWindow>());
    return dialogs;
}

TotalEntitiesEaten* GamePlayAccess::getTotalEntitiesEaten(WGUI::Window* gameWindow)
{
    GameWindow* game = playScreen(gameWindow);
    return game ? game->getTotalEntitiesEaten() : nullptr;
}

bool GamePlayAccess::loadLevel(WGUI::Window* gameWindow, const str& levelFile, LevelMode mode)
{
    GameWindow* game = playScreen(gameWindow);
    if (!game)
        return false;
    return static_cast<bool>(game->loadLevel(levelFile, mode));
}

bool GamePlayAccess::levelFirstSongOnly(WGUI::Window* gameWindow)
{
    Level* level = levelOf(gameWindow);
    return level && level->firstSongOnly;
}

bool GamePlayAccess::levelHasInitialComic(WGUI::Window* gameWindow)
{
    Level* level = levelOf(gameWindow);
    return level && level->hasInitialComic();
}

bool GamePlayAccess::getLevelTimes(WGUI::Window* gameWindow, int& timeLimit, int& gold, int& silver,
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

void GamePlayAccess::setPaused(WGUI::Window* gameWindow, bool paused)
{
    if (GameWindow* game = playScreen(gameWindow))
        game->setPaused(paused);
}

std::vector<ComicPageFiles> GamePlayAccess::comicPages(WGUI::Window* gameWindow, bool end)
{
    Level* level = levelOf(gameWindow);
    if (!level)
        return {};
    return pagesOf(end ? level->endFrames : level->comicFrames);
}

bool GamePlayAccess::kindLook(EntityKind* kind, GalleryKindLook& look)
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

bool GamePlayAccess::kindNeedImages(EntityKind* kind, int width)
{
    EntityDef* def = dynamic_cast<EntityDef*>(kind);
    if (!def)
        return false;
    def->setNeededImages(width);
    return true;
}

void GamePlayAccess::scaleGooArea(WGUI::Window* gameWindow, double factor)
{
    GameWindow* game = playScreen(gameWindow);
    if (!game)
        return;
    if (Entity* goo = game->getGreyGooEntity())
        goo->setActualArea(goo->getActualArea() * factor);
}

void GamePlayAccess::scaleLevelTime(WGUI::Window* gameWindow, double factor)
{
    if (GameWindow* game = playScreen(gameWindow))
        game->setLevelTime(game->getLevelTime() * factor);
}

void GamePlayAccess::setPauseTransition(WGUI::Window* gameWindow)
{
    if (GameWindow* game = playScreen(gameWindow))
        game->setPauseTransition();
}

void GamePlayAccess::createSingletons()
{
    // Definitions of the special kinds make their own classes from here on.
    installSpecialEntityKinds();
    UnitConverter::createInstance();
}

void GamePlayAccess::deleteSingletons()
{
    UnitConverter::deleteInstance();
}

}  // namespace Game
