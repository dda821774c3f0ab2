// TSoundHelper: the game's volume-type ids and their volumes, set through the sound manager.
#include "services/soundhelper.h"

#include <climits>
#include <cmath>

#include "foundation/singletons.h"
#include "sound/soundmanager.h"
#include "wgui_helpers.h"

namespace Game
{

TSoundHelper* TSoundHelper::sInstance = nullptr;

TSoundHelper* TSoundHelper::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "TSoundHelper");
        sInstance = new TSoundHelper();
    }
    return sInstance;
}

TSoundHelper* TSoundHelper::instance()
{
    if (!sInstance)
        qfSingletonNotMade("TSoundHelper");
    return createInstance();
}

void TSoundHelper::deleteInstance()
{
    qfNoteLifetime("delete", "TSoundHelper");
    delete sInstance;
    sInstance = nullptr;
}

int TSoundHelper::nextId()
{
    const int id = next;
    // Ids stay within the int range: the last one is handed out again rather than wrapping
    // into the framework's own types below 1000.
    if (next < INT_MAX)
        ++next;
    return id;
}

int TSoundHelper::getSoundEffectGroupID()
{
    const int id = nextId();
    effectIds.push_back(id);
    return id;
}

int TSoundHelper::getMusicGroupID()
{
    const int id = nextId();
    musicIds.push_back(id);
    return id;
}

void TSoundHelper::setTypeVolume(int type, double volume)
{
    // A volume that is not a number (a damaged definition) counts as silence.
    if (std::isnan(volume))
        volume = 0.0;
    if (TSoundManager* manager = TSoundManager::GetInstance())
        manager->SetTypeVolume(type, static_cast<float>(WGUI::normalizeVolume(volume)));
}

}  // namespace Game
