// The play screen with its pause, victory and failure dialogs on a new GUI manager and a player
// profile made active: what the play-screen tests, the content play tests and the frame
// benchmark start from. And the one list of the singletons those fixtures delete afterwards.
#pragma once

#include "failurewindow.h"
#include "gamepaused.h"
#include "gamewindow.h"
#include "services/levelprogress.h"
#include "services/profiles.h"
#include "services/servicelifetime.h"
#include "unitconverter.h"
#include "victorywindow.h"
#include "wgui_manager.h"

namespace Game::playtest
{

struct PlayScreens
{
    // A manager of width x height; the dialogs hidden, the play screen added last (on top); the
    // profile added and made active in the profiles and the level progress.
    void make(int width, int height, const char* title, const char* profile)
    {
        manager = new WGUI::Manager(width, height, -1, true, title);
        game = new GameWindow();
        victory = new VictoryWindow();
        failure = new FailureWindow();
        paused = new GamePaused();
        for (WGUI::Window* w : {static_cast<WGUI::Window*>(victory), static_cast<WGUI::Window*>(failure),
                                static_cast<WGUI::Window*>(paused)})
        {
            w->setVisible(false);
            manager->addWindow(w);
        }
        manager->addWindow(game);
        Profiles::instance()->addProfile(profile);
        Profiles::instance()->setActiveProfile(profile);
        LevelProgress::instance()->addProfile(profile);
        LevelProgress::instance()->setActiveProfile();
    }

    // The dialogs and the play screen, then the manager.
    void destroy()
    {
        delete paused;
        delete failure;
        delete victory;
        delete game;
        paused = nullptr;
        failure = nullptr;
        victory = nullptr;
        game = nullptr;
        WGUI::Manager::deleteInstance();
        manager = nullptr;
    }

    WGUI::Manager* manager = nullptr;
    GameWindow* game = nullptr;
    VictoryWindow* victory = nullptr;
    FailureWindow* failure = nullptr;
    GamePaused* paused = nullptr;
};

// Deletes whatever of these exists in the order of the game's teardown (GameServices::shutDown,
// which deleteAllSingletons in the front end calls with the same gameplay part): the services,
// the gameplay's unit converter among them, then the GUI manager with the GUI's own singletons.
inline void DeletePlaySingletons()
{
    GameServices::shutDown([] { UnitConverter::deleteInstance(); });
}

}  // namespace Game::playtest
