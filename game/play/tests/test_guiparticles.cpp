// The menus' particle pool lives exactly as long as the GUI manager whose root window and image
// maps its records point into, even when the game's services outlive that manager; the game
// finds it through the services the manager runs with.
#include <gtest/gtest.h>

#include "services/managerservices.h"
#include "services/particles.h"
#include "test_core_fixture.h"
#include "wgui_manager.h"
#include "wgui_window.h"

using namespace Game;

namespace
{

using GuiParticlesTest = wguitest::PlatformFixture;

TEST_F(GuiParticlesTest, EachManagerGetsAPoolOfItsOwnThatGoesWithIt)
{
    GameManagerServices services;
    for (int round = 0; round < 3; ++round)
    {
        WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "particles", &services);
        ParticleEngine* pool = services.getParticleEngine();
        ASSERT_NE(pool, nullptr) << round;
        // Records left alive by the previous manager would point at its deleted root.
        EXPECT_EQ(pool->getNumActive(), 0) << round;
        Particle* p = pool->popInactive();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->window, manager->getRoot()) << round;
        p->lifetime = 100.0f;
        p->cell = 0;
        pool->pushActive(p);
        services.updateOverlay();
        services.drawOverlay();
        WGUI::Manager::deleteInstance();
        EXPECT_EQ(services.getParticleEngine(), nullptr) << round;
    }
}

TEST_F(GuiParticlesTest, ServicesReplacedOnALiveManagerGiveUpTheirPool)
{
    GameManagerServices first;
    GameManagerServices second;
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "particles", &first);
    ASSERT_NE(first.getParticleEngine(), nullptr);
    manager->setServices(&second);
    ASSERT_NE(second.getParticleEngine(), nullptr);
    WGUI::Manager::deleteInstance();
    EXPECT_EQ(first.getParticleEngine(), nullptr);
    EXPECT_EQ(second.getParticleEngine(), nullptr);
}

TEST_F(GuiParticlesTest, TheGameFindsThePoolOfTheServicesTheManagerRunsWith)
{
    EXPECT_EQ(guiParticles(), nullptr);  // no manager
    GameManagerServices services;
    WGUI::ManagerServices other;
    WGUI::Manager* manager = new WGUI::Manager(640, 480, -1, true, "particles", &services);
    EXPECT_EQ(guiParticles(), services.getParticleEngine());
    EXPECT_NE(guiParticles(), nullptr);
    manager->setServices(&other);
    EXPECT_EQ(guiParticles(), nullptr);
    WGUI::Manager::deleteInstance();
}

}  // namespace
