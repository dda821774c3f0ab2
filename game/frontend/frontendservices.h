// The game's answers to the GUI manager's frame hooks and to the cheat words: the services'
// own part (options, cheats, particles, music) plus what concerns the front end's screens and
// the play screen, which are found by name.
#pragma once

#include "services/cheats.h"
#include "services/managerservices.h"

namespace Game
{

class PlayScreenAccess;

class FrontendServices : public GameManagerServices, public CheatsListener
{
public:
    // The play screen is reached through play (not owned).
    explicit FrontendServices(PlayScreenAccess& play) : play(play) {}
    ~FrontendServices() override = default;

    // WGUI::ManagerServices
    // The options screen, when visible, shows the new mode in its check box.
    void fullScreenToggled() override;
    void pauseGame(WGUI::Window* gameWindow) override;
    // The logo screens, when visible, hear of it.
    void leftButtonReleased() override;
    void eventCallback(WGUI::WEvent& e) override;

    // CheatsListener
    void cheatScaleGooArea(double factor) override;
    void cheatScaleLevelTime(double factor) override;
    void cheatLevelsOpened() override;
    void cheatWriteMedalTimes() override;
    void cheatShowVersion() override;
    void cheatAllCheatsAvailable() override;

private:
    PlayScreenAccess& play;
};

}  // namespace Game
