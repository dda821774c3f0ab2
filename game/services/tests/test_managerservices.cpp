// The services' side of the GUI frame: full-screen toggles reach the options, characters reach
// the cheats, and music steps with the frame time.
#include <gtest/gtest.h>

#include "services/cheats.h"
#include "services/managerservices.h"
#include "services/music.h"
#include "services/options.h"
#include "soundfixture.h"
#include "wgui_input.h"

using namespace Game;

namespace
{

class ManagerServicesTest : public servicestest::SoundServicesTest
{
};

TEST_F(ManagerServicesTest, FrameHooksReachTheServices)
{
    GameManagerServices services;
    services.setWindowed(true);
    EXPECT_TRUE(Options::instance()->getWindowed());
    services.setWindowed(false);
    EXPECT_FALSE(Options::instance()->getWindowed());

    for (char c : std::string("levels"))
    {
        WGUI::WEvent e;
        e.type = WGUI::WEvent::kChar;
        e.code = c;
        services.eventCallback(e);
    }
    EXPECT_TRUE(Cheats::instance()->getAllLevels());

    AddSound("alwaysloop.ogg", 0.2);
    IntroLoop::instance()->play();
    IntroLoop::instance()->stopFade(0.5);
    services.updateMusic(0.25);
    EXPECT_TRUE(IntroLoop::instance()->isPlaying());
    services.updateMusic(0.25);
    EXPECT_FALSE(IntroLoop::instance()->isPlaying());

    // Without a GUI manager there is no root window for the menus' particles.
    EXPECT_EQ(services.getParticleEngine(), nullptr);
    services.updateOverlay();
    services.drawOverlay();
}

}  // namespace
