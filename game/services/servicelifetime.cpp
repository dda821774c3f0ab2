// The game services made at start-up and deleted at shut-down, each in its fixed order.
#include "services/servicelifetime.h"

#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/music.h"
#include "services/options.h"
#include "services/profiles.h"
#include "services/soundeffects.h"
#include "services/soundhelper.h"
#include "wgui_manager.h"

namespace Game::GameServices
{

void startUp()
{
    Options::createInstance();
    Profiles::createInstance();
    MedalTimes::createInstance();
    LevelProgress::createInstance();
    TSoundHelper::createInstance();
    SoundEffectSystem::createInstance();
    Cheats::createInstance();  // takes its sounds from the effects
    IntroLoop::createInstance();
    MusicSystem::createInstance();
}

void shutDown(const std::function<void()>& deleteGameplay)
{
    Profiles::deleteInstance();
    Options::deleteInstance();
    Cheats::deleteInstance();
    MedalTimes::deleteInstance();
    LevelProgress::deleteInstance();
    if (deleteGameplay)
        deleteGameplay();
    MusicSystem::deleteInstance();
    IntroLoop::deleteInstance();
    SoundEffectSystem::deleteInstance();
    const auto deleteSoundHelper = []
    {
        if (TSoundHelper::hasInstance())
            TSoundHelper::deleteInstance();
    };
    if (WGUI::Manager::hasInstance())
    {
        WGUI::Manager::deleteInstance();
        // A manager running on other services than the game's leaves the sound groups.
        deleteSoundHelper();
    }
    else
    {
        WGUI::Manager::deleteSingletons(deleteSoundHelper);
    }
}

}  // namespace Game::GameServices
