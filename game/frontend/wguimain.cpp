// GameShell: start-up of the services and screens, the run loop, the save and the teardown.
#include "wguimain.h"

#include <string>

#include "cheatswindow.h"
#include "comicwindow.h"
#include "confirmexit.h"
#include "creditswindow.h"
#include "endurancemenu.h"
#include "entitygallery.h"
#include "foundation/file.h"
#include "foundation/debug.h"
#include "foundation/singletons.h"
#include "frontendservices.h"
#include "frontendutil.h"
#include "levelselect.h"
#include "logoscreens.h"
#include "mainmenu.h"
#include "noticewindow.h"
#include "medalsubmit.h"
#include "optionswindow.h"
#include "playscreenaccess.h"
#include "profilewindows.h"
#include "savedstatecheck.h"
#include "screenlinks.h"
#include "services/cheats.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/navigation.h"
#include "services/options.h"
#include "services/profiles.h"
#include "services/saves.h"
#include "services/servicelifetime.h"
#include "services/soundeffects.h"
#include "services/soundhelper.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace Game
{

void WGUICallback(WGUI::WEvent& event)
{
    Cheats::instance()->messageCallback(event);
}

GameShell::GameShell(PlayScreenAccess& play) : play(play), services(new FrontendServices(play))
{
}

GameShell::~GameShell()
{
    // A shell left before its teardown (a test stopping half-way) still frees its screens and
    // leaves no pointer to its services behind.
    deleteScreens();
    if (Cheats::hasInstance() && Cheats::instance()->getListener() == services.get())
        Cheats::instance()->setListener(nullptr);
    if (WGUI::Manager::hasInstance() && WGUI::Manager::instance()->getServices() == services.get())
        WGUI::Manager::instance()->setServices(nullptr);
}

void GameShell::step(const char* verb, const char* what)
{
    qfNoteLifetime(verb, what);
}

WGUI::Window* GameShell::addScreen(std::unique_ptr<WGUI::Window> screen)
{
    if (!screen)
        return nullptr;
    screen->setVisible(false);
    screens.push_back(std::move(screen));
    return screens.back().get();
}

void GameShell::startUp()
{
    SavedStateCheck::prepare();
    // Each singleton is made here before anything looks it up, in this order: the GUI's own (the
    // paths and strings the services read), the options (which give the window's size), the
    // manager, the other game services, the gameplay's own; then the screens.
    WGUI::Manager::createSingletons();
    Options* options = Options::createInstance();
    if (!WGUI::Manager::hasInstance())
        new WGUI::Manager(options->getWidth(), options->getHeight(), options->getUseDepth(),
                          options->getWindowed(), options->getWindowTitle(), services.get());
    else
        WGUI::Manager::instance()->setServices(services.get());
    GameServices::startUp();
    play.createSingletons();
    Cheats::instance()->setListener(services.get());

    // The joystick is never read on this system; the switch is kept for the options file.
    if (options->isJoystickOn())
        WGUI::Input::instance()->enableJoystick(0);

    addScreen(std::make_unique<LogoScreens>());
    addScreen(std::make_unique<MainMenu>(play));
    // The play screen and its dialogs come from the play access.
    WGUI::Window* gameWindow = addScreen(play.createGameWindow());
    addScreen(std::make_unique<LevelSelect>(play));
    // The pause, victory and failure dialogs belong to the play screen, which makes them.
    for (std::unique_ptr<WGUI::Window>& w : play.createLevelDialogs(0))
        addScreen(std::move(w));
    addScreen(std::make_unique<ComicWindow>(play));
    addScreen(std::make_unique<CreditsWindow>());
    for (std::unique_ptr<WGUI::Window>& w : play.createLevelDialogs(1))
        addScreen(std::move(w));
    addScreen(std::make_unique<EntityGallery>(play, play.getTotalEntitiesEaten(gameWindow)));
    addScreen(std::make_unique<OptionsWindow>());
    addScreen(std::make_unique<CheatsWindow>());
    addScreen(std::make_unique<DisplayConfirmWindow>());
    addScreen(std::make_unique<EnduranceMenu>());
    addScreen(std::make_unique<EnterNameWindow>(play));
    addScreen(std::make_unique<ChangePlayerWindow>(play));
    addScreen(std::make_unique<DeletePlayerWindow>(play));
    addScreen(std::make_unique<ConfirmExitWindow>());
    addScreen(std::make_unique<MedalSubmitWindow>());
    addScreen(std::make_unique<MedalSubmitResult>());
    addScreen(std::make_unique<NoticeWindow>());

    WGUI::Manager* manager = WGUI::Manager::instance();
    for (const std::unique_ptr<WGUI::Window>& screen : screens)
        manager->addWindow(screen.get());

    startScreen(Screen::kLogos,
                makeTransition(WGUI::Transition::kFadeFromColour, WGUI::Transition::kNone, 0, 0.5));
    SavedStateCheck::afterStartUp(play.getTotalEntitiesEaten(gameWindow));
}

void GameShell::run()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->run();
}

void GameShell::save()
{
    step("save", "options.xml");
    services::checkSave(Options::instance()->writeXML(), "options");

    step("save", "eatenentities.xml");
    if (TotalEntitiesEaten* totals = screens::totals(play))
        services::checkSave(totals->writeXML(), "eaten totals");

    step("save", "levelprogress.xml");
    services::checkSave(LevelProgress::instance()->writeXML(), "level progress");

    step("save", "profiles.xml");
    services::checkSave(Profiles::instance()->writeXML(), "profiles");
}

void GameShell::deleteScreens()
{
    // A chained transition still running must not be handed on to a screen about to go.
    if (!screens.empty())
        WGUI::Transition::setShuttingDown(true);
    for (std::unique_ptr<WGUI::Window>& screen : screens)
    {
        const str name = screen->getName();
        step("delete", name.c_str());
        // Off the root first: the root must not keep a pointer to a deleted screen.
        if (WGUI::Window* parent = screen->getParent())
            parent->removeWindow(screen.get());
        screen.reset();
    }
    if (!screens.empty())
        WGUI::Transition::setShuttingDown(false);
    screens.clear();
}

void GameShell::deleteSingletons()
{
    if (Cheats::hasInstance())
        Cheats::instance()->setListener(nullptr);
    deleteAllSingletons(play);
}

void deleteAllSingletons(PlayScreenAccess& play)
{
    GameServices::shutDown([&play] { play.deleteSingletons(); });
}

void WGUImain()
{
    GamePlayAccess play;
    GameShell shell(play);
    shell.startUp();
    shell.run();
    shell.save();
    shell.deleteScreens();
    shell.deleteSingletons();
}

}  // namespace Game
