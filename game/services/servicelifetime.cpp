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

void shutDown()
{
    MusicSystem::deleteInstance();
    IntroLoop::deleteInstance();
    Cheats::deleteInstance();
    SoundEffectSystem::deleteInstance();
    TSoundHelper::deleteInstance();
    LevelProgress::deleteInstance();
    MedalTimes::deleteInstance();
    Profiles::deleteInstance();
    Options::deleteInstance();
}

}  // namespace Game::GameServices
