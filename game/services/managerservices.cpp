// GameManagerServices: the options, cheats, particles and music the GUI manager's frame asks for.
#include "services/managerservices.h"

#include "services/cheats.h"
#include "services/music.h"
#include "services/navigation.h"
#include "services/options.h"
#include "services/particles.h"
#include "services/soundhelper.h"
#include "wgui_window.h"

namespace Game
{

GameManagerServices::GameManagerServices()
{
}

GameManagerServices::~GameManagerServices()
{
}

WGUI::Window* GameManagerServices::playScreen(WGUI::Window* root)
{
    return root ? root->getChild(str(screenName(Screen::kGame))) : nullptr;
}

void GameManagerServices::setWindowed(bool windowed)
{
    Options::instance()->setWindowed(windowed);
}

void GameManagerServices::eventCallback(WGUI::WEvent& e)
{
    Cheats::instance()->messageCallback(e);
}

ParticleEngine* GameManagerServices::getParticleEngine()
{
    if (!particles && WGUI::Manager::hasInstance())
    {
        if (WGUI::Window* root = WGUI::Manager::instance()->getRoot())
            particles.reset(new ParticleEngine(root, kGuiParticles));
    }
    return particles.get();
}

void GameManagerServices::releaseOverlay()
{
    particles.reset();
}

void GameManagerServices::deleteSoundHelper()
{
    TSoundHelper::deleteInstance();
}

void GameManagerServices::updateOverlay()
{
    if (ParticleEngine* engine = getParticleEngine())
        engine->update();
}

void GameManagerServices::drawOverlay()
{
    if (ParticleEngine* engine = getParticleEngine())
        engine->draw();
}

void GameManagerServices::updateMusic(double dt)
{
    IntroLoop::instance()->update(dt);
    MusicSystem::instance()->update(dt);
}

ParticleEngine* guiParticles()
{
    if (!WGUI::Manager::hasInstance())
        return nullptr;
    auto* services = dynamic_cast<GameManagerServices*>(WGUI::Manager::instance()->getServices());
    return services ? services->getParticleEngine() : nullptr;
}

}  // namespace Game
