// The game services' side of what the GUI manager's frame asks of the game: the play screen is
// the window that plays, the options remember a full-screen toggle, key and character events
// reach the cheats, the menus' particle pool (150 records in the root window's sprite
// coordinates) is the overlay updated and drawn above every window, and the menu loop and the
// jukebox are stepped with the frame time.
//
// The hooks that concern the front end's screens (pausing the play screen, the options
// screen's check box, the logo screens) belong to the front end, which derives from this class.
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

    // The play screen ("gamewindow") under the root.
    WGUI::Window* playScreen(WGUI::Window* root) override;
    void setWindowed(bool windowed) override;
    void eventCallback(WGUI::WEvent& e) override;
    // The overlay is the menus' particle pool.
    void updateOverlay() override;
    void drawOverlay() override;
    void releaseOverlay() override;
    void updateMusic(double dt) override;
    void deleteSoundHelper() override;

    // The menus' particle pool, made on first use on the manager's root window (null while
    // there is no manager). It lives as long as that manager: its destructor releases it.
    ParticleEngine* getParticleEngine();

private:
    std::unique_ptr<ParticleEngine> particles;
};

// The menus' particle pool of the game services the GUI manager runs with; null without a
// manager, or when it runs without the game's services.
ParticleEngine* guiParticles();

}  // namespace Game
