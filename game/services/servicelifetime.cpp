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
    Options::instance();
    Profiles::instance();
    MedalTimes::instance();
    LevelProgress::instance();
    Cheats::instance();
    TSoundHelper::instance();
    SoundEffectSystem::instance();
    IntroLoop::instance();
    MusicSystem::instance();
}

void shutDown()
{
    MusicSystem::deleteInstance();
    IntroLoop::deleteInstance();
    SoundEffectSystem::deleteInstance();
    TSoundHelper::deleteInstance();
    Cheats::deleteInstance();
    LevelProgress::deleteInstance();
    MedalTimes::deleteInstance();
    Profiles::deleteInstance();
    Options::deleteInstance();
}

}  // namespace Game::GameServices
