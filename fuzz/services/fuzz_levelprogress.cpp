// "levelprogress.xml" (either form) read at start-up, a result recorded, the counts derived,
// and the files written back; the second round trip must not change them.
#include <cstddef>
#include <cstdint>

#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/medaltimes.h"
#include "services/profiles.h"
#include "services/soundeffects.h"
#include "servicesfuzz.h"

using namespace Game;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    servicesfuzz::RemoveUserFile("profiles.xml");
    servicesfuzz::WriteUserFile("levelprogress.xml", data, size);
    LevelProgress::deleteInstance();
    Profiles::deleteInstance();
    LevelProgress* lp = LevelProgress::instance();
    lp->setProgressVars(LevelMode::kTimed, "level01.xml", true, 42);
    lp->calcLevelCompletionStats();
    lp->allTimeAttackGold();
    lp->writeXML();
    Profiles::instance()->writeXML();
    const std::string once = servicesfuzz::ReadUserFile("levelprogress.xml");
    LevelProgress::deleteInstance();
    Profiles::deleteInstance();
    LevelProgress::instance()->writeXML();
    servicesfuzz::ExpectSame(once, servicesfuzz::ReadUserFile("levelprogress.xml"), "levelprogress.xml");
    LevelProgress::deleteInstance();
    Profiles::deleteInstance();
    Cheats::deleteInstance();
    MedalTimes::deleteInstance();
    SoundEffectSystem::deleteInstance();
    return 0;
}
