// The front end's answers to the GUI manager's hooks and the cheat words, reaching screens typed.
#include "frontendservices.h"

#include "cheatswindow.h"
#include "endurancemenu.h"
#include "frontendutil.h"
#include "levelselect.h"
#include "logoscreens.h"
#include "mainmenu.h"
#include "optionswindow.h"
#include "playscreenaccess.h"
#include "services/navigation.h"
#include "wguimain.h"

namespace Game
{

void FrontendServices::fullScreenToggled()
{
    OptionsWindow* options = screenOf<OptionsWindow>();
    if (options && options->isVisible())
        options->setFullScreenCheckBox();
}

void FrontendServices::pauseGame(WGUI::Window* gameWindow)
{
    play.setPauseTransition(gameWindow);
}

void FrontendServices::leftButtonReleased()
{
    LogoScreens* logos = screenOf<LogoScreens>();
    if (logos && logos->isVisible())
        logos->setMouseReleased();
}

void FrontendServices::eventCallback(WGUI::WEvent& e)
{
    WGUICallback(e);
}

void FrontendServices::cheatScaleGooArea(double factor)
{
    play.scaleGooArea(screen(Screen::kGame), factor);
}

void FrontendServices::cheatScaleLevelTime(double factor)
{
    play.scaleLevelTime(screen(Screen::kGame), factor);
}

void FrontendServices::cheatLevelsOpened()
{
    if (LevelSelect* select = screenOf<LevelSelect>())
        select->calculateLevelButtonStates();
    if (EnduranceMenu* endurance = screenOf<EnduranceMenu>())
        endurance->calculateLevelButtonStates();
}

void FrontendServices::cheatWriteMedalTimes()
{
    if (LevelSelect* select = screenOf<LevelSelect>())
        select->writeMedalFromLevels();
}

void FrontendServices::cheatShowVersion()
{
    if (MainMenu* menu = screenOf<MainMenu>())
        menu->setVersionVisible(true);
}

void FrontendServices::cheatAllCheatsAvailable()
{
    if (CheatsWindow* cheats = screenOf<CheatsWindow>())
        cheats->setAllCheatsAvailable();
}

}  // namespace Game
