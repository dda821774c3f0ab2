// "soundeffects.xml" read (no sound files exist: every variant is silent), then every effect
// and loop played and stopped.
#include <cstddef>
#include <cstdint>

#include "foundation/assetmanager.h"
#include "foundation/file.h"
#include "services/options.h"
#include "services/soundeffects.h"
#include "services/soundhelper.h"
#include "servicesfuzz.h"

using namespace Game;

namespace
{

class Holder : public LoopSoundHolder
{
public:
    void loopSoundStopped(SoundEffectLoop*) override { ++stops; }
    int stops = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TAssetManager assets;
    static bool ready = []
    {
        servicesfuzz::UserFolder();
        TAssetManager::SetInstance(&assets);
        return true;
    }();
    (void)ready;
    servicesfuzz::WriteUserFile("soundeffects.xml", data, size);
    SoundEffectSystem::deleteInstance();
    TSoundHelper::deleteInstance();
    SoundEffectSystem* s = SoundEffectSystem::instance();
    s->clear();
    s->readFile("user:soundeffects.xml");
    Holder holder;
    for (const char* name : {"", "a", "pop", "sound", "hum"})
    {
        if (SoundEffect* e = s->getSoundEffect(name))
        {
            e->play(1.0f, 0);
            e->stopAllSamples();
        }
        if (SoundEffectLoop* l = s->getSoundEffectLoop(name))
        {
            const int slot = l->play(1.0f, 0, -1, &holder);
            l->play(0.0f, 0, slot, &holder);
        }
    }
    s->stopLoopSounds();
    SoundEffectSystem::deleteInstance();
    TSoundHelper::deleteInstance();
    Options::deleteInstance();
    return 0;
}
