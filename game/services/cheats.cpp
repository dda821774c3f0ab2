// Cheats: the toggles, the typed cheat words and whether a result may count.
#include "services/cheats.h"

#include "foundation/singletons.h"
#include "services/soundeffects.h"
#include "wgui_input.h"

namespace Game
{

Cheats* Cheats::sInstance = nullptr;

Cheats::Cheats()
{
    SoundEffectSystem* effects = SoundEffectSystem::instance();
    personSound = effects->getSoundEffect("scream");
    womanSound = effects->getSoundEffect("womanscream");
    catSound = effects->getSoundEffect("cat");
}

Cheats* Cheats::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Cheats");
        sInstance = new Cheats();
    }
    return sInstance;
}

Cheats* Cheats::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Cheats");
    return createInstance();
}

void Cheats::deleteInstance()
{
    qfNoteLifetime("delete", "Cheats");
    delete sInstance;
    sInstance = nullptr;
}

void Cheats::messageCallback(WGUI::WEvent& e)
{
    if (e.type != WGUI::WEvent::kChar || !listening)
        return;
    const unsigned char c = static_cast<unsigned char>(e.code);
    if (c < '0' || c > 'z')
        return;
    typed = typed.substr(1) + static_cast<char>(c);

    enum Word
    {
        kBigger,
        kIncrease,
        kTimer,
        kLevels,
        kWriteXml,
        kVersion,
        kCheats,
        kNone
    };
    static const char* const kWords[] = {"bigger",   "increase", "timer", "levels",
                                         "writexml", "version",  "cheats"};
    Word found = kNone;
    for (int w = 0; w < kNone; ++w)
    {
        if (typed.find(str(kWords[w])) != str::npos)
        {
            found = static_cast<Word>(w);
            break;
        }
    }
    if (found == kNone)
        return;

    typed = blank;
    switch (found)
    {
    case kBigger:
        if (listener)
            listener->cheatScaleGooArea(3.0);
        break;
    case kIncrease:
        if (listener)
            listener->cheatScaleGooArea(1.2);
        break;
    case kTimer:
        if (listener)
            listener->cheatScaleLevelTime(0.5);
        break;
    case kLevels:
        allLevels = true;
        if (listener)
            listener->cheatLevelsOpened();
        break;
    case kWriteXml:
        if (listener)
            listener->cheatWriteMedalTimes();
        break;
    case kVersion:
        if (listener)
            listener->cheatShowVersion();
        break;
    case kCheats:
        if (listener)
            listener->cheatAllCheatsAvailable();
        cheats = true;
        break;
    case kNone: break;
    }
}

}  // namespace Game
