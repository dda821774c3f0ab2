// The game proper: start-up of the services and the screens, the manager's run loop, and the
// saving and teardown at the end. WGUICallback is the game's hook for every GUI event.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace WGUI
{
class Window;
class WEvent;
}  // namespace WGUI

namespace Game
{

class FrontendServices;
class PlayScreenAccess;

void WGUImain();
void WGUICallback(WGUI::WEvent& event);

// The singletons' teardown, written once (GameServices::shutDown): the profiles, the options,
// the cheats, the medal times, the level progress, the gameplay's own (through the play access),
// the music, the intro loop, the sound effects, then the GUI manager with the GUI's own. Each
// one that exists, once, so a test fixture that made only some uses it too.
void deleteAllSingletons(PlayScreenAccess& play);

// WGUImain in its steps, so that each can be driven on its own.
class GameShell
{
public:
    // The play screen is reached only through the access handed in here (GamePlayAccess in the
    // game); the shell hands it on to the screens and services that need it. Not owned.
    explicit GameShell(PlayScreenAccess& play);
    ~GameShell();
    GameShell(const GameShell&) = delete;
    GameShell& operator=(const GameShell&) = delete;

    // The composition root: the GUI's singletons, the options, the manager, the other game
    // services (GameServices::startUp) and the gameplay's singletons in that order, each before
    // anything looks it up; then every screen built hidden and added to the root in the same
    // order, then the logo screens fading in.
    void startUp();
    // The manager's loop; returns when the platform delivers its quit event.
    void run();
    // Options, eaten totals, level progress, profiles, in that order.
    void save();
    // The screens in the order they were made.
    void deleteScreens();
    // In the game's shut-down order (deleteAllSingletons), after the cheats let go of the
    // services.
    void deleteSingletons();

    const std::vector<std::unique_ptr<WGUI::Window>>& getScreens() const { return screens; }
    FrontendServices* getServices() const { return services.get(); }
    PlayScreenAccess& getPlayAccess() const { return play; }

private:
    // Saving and deleting the screens are noted with the singletons' steps ("save options.xml",
    // "delete mainmenu"), for the tests that check the order (foundation/singletons.h).
    void step(const char* verb, const char* what);
    // Takes the screen; returns it.
    WGUI::Window* addScreen(std::unique_ptr<WGUI::Window> screen);

    PlayScreenAccess& play;
    std::unique_ptr<FrontendServices> services;
    std::vector<std::unique_ptr<WGUI::Window>> screens;  // in the order made
};

}  // namespace Game
