// The game services' side of what the GUI manager's frame asks of the game: the options
// remember a full-screen toggle, key and character events reach the cheats, the menus' particle
// pool (150 records in the root window's sprite coordinates) is updated and drawn above every
// window, and the menu loop and the jukebox are stepped with the frame time.
//
// The hooks that concern the game's screens (pausing the play screen, the options screen's
// check box, the logo screens) belong to the front end, which derives from this class.
#pragma once

#include <memory>

#include "wgui_manager.h"

namespace Game
{

class ParticleEngine;

class GameManagerServices : public WGUI::ManagerServices
{
public:
    static constexpr int kGuiParticles = 150;

    GameManagerServices();
    ~GameManagerServices() override;

    void setWindowed(bool windowed) override;
    void eventCallback(WGUI::WEvent& e) override;
    void updateParticles() override;
    void drawParticles() override;
    void updateMusic(double dt) override;
    void deleteSoundHelper() override;

    // The menus' particle pool, made on first use on the manager's root window (null while
    // there is no manager). It lives as long as that manager: its destructor releases it.
    ParticleEngine* getParticleEngine() override;
    void releaseParticles() override;

private:
    std::unique_ptr<ParticleEngine> particles;
};

}  // namespace Game
