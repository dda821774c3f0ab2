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

// The singletons' teardown, in the reverse order of GameShell::startUp: the gameplay's (through
// the play access), the manager with the GUI's own, the game services; last any of the GUI's own
// that a look-up made after the manager went (only tests make such: in the game that look-up
// stops the program). Each one that exists, so a test fixture that made only some uses it too.
// step, when given, is told "delete manager" before the manager goes.
void deleteAllSingletons(PlayScreenAccess& play, const std::function<void(const char*)>& step = nullptr);

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

    // The composition root: the GUI's singletons, the game services (GameServices::startUp),
    // the manager and the gameplay's singletons in that order, each before anything looks it up;
    // then every screen built hidden and added to the root in the same order, then the logo
    // screens fading in.
    void startUp();
    // The manager's loop; returns when the platform delivers its quit event.
    void run();
    // Options, eaten totals, level progress, profiles, in that order.
    void save();
    // The screens in the order they were made.
    void deleteScreens();
    // In the reverse order of startUp (deleteAllSingletons), after the cheats let go of the
    // services.
    void deleteSingletons();

    const std::vector<WGUI::Window*>& getScreens() const { return screens; }
    FrontendServices* getServices() const { return services.get(); }
    PlayScreenAccess& getPlayAccess() const { return play; }

    // Told one line per step of saving and teardown ("save options.xml", "delete mainmenu",
    // ...); for tests.
    std::function<void(const char*)> trace;

private:
    void step(const char* what);
    void addScreen(WGUI::Window* screen);

    PlayScreenAccess& play;
    std::unique_ptr<FrontendServices> services;
    std::vector<WGUI::Window*> screens;  // owned, in the order made
};

}  // namespace Game
