#include "playscreenaccess.h"

#include "wgui_window.h"

namespace {

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

void PlayScreenAccess::setPaused(WGUI::Window*, bool) {}

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

void PlayScreenAccess::scaleGooArea(WGUI::Window*, double) {}

void PlayScreenAccess::scaleLevelTime(WGUI::Window*, double) {}

void PlayScreenAccess::setPauseTransition(WGUI::Window*) {}

void PlayScreenAccess::deleteSingletons() {}
