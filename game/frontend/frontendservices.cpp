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

void FrontendServices::optionsFullScreenChanged(WGUI::Window* optionsWindow)
{
    if (OptionsWindow* options = dynamic_cast<OptionsWindow*>(optionsWindow))
        options->setFullScreenCheckBox();
}

void FrontendServices::pauseGame(WGUI::Window* gameWindow)
{
    play.setPauseTransition(gameWindow);
}

void FrontendServices::logoScreensMouseReleased(WGUI::Window* logoScreens)
{
    if (LogoScreens* logos = dynamic_cast<LogoScreens*>(logoScreens))
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
    if (LevelSelect* select = dynamic_cast<LevelSelect*>(screen(Screen::kLevelSelect)))
        select->calculateLevelButtonStates();
    if (EnduranceMenu* endurance = dynamic_cast<EnduranceMenu*>(screen(Screen::kEndurance)))
        endurance->calculateLevelButtonStates();
}

void FrontendServices::cheatWriteMedalTimes()
{
    if (LevelSelect* select = dynamic_cast<LevelSelect*>(screen(Screen::kLevelSelect)))
        select->writeMedalFromLevels();
}

void FrontendServices::cheatShowVersion()
{
    if (MainMenu* menu = dynamic_cast<MainMenu*>(screen(Screen::kMainMenu)))
        menu->setVersionVisible(true);
}

void FrontendServices::cheatAllCheatsAvailable()
{
    if (CheatsWindow* cheats = dynamic_cast<CheatsWindow*>(screen(Screen::kCheats)))
        cheats->setAllCheatsAvailable();
}

}  // namespace Game
