// The sound-effect system: named effects with sample variants and looping slots.
#include "services/soundeffects.h"

#include <cmath>

#include "foundation/debug.h"
#include "foundation/singletons.h"
#include "services/options.h"
#include "services/soundhelper.h"
#include "services/xmlfile.h"
#include "sound/sound.h"
#include "sound/soundinstance.h"
#include "wgui_helpers.h"
#include "wgui_misc.h"

namespace Game
{

namespace
{

// Sounds folder + file + ".ogg", decoded into memory where the sound layer allows it, under a
// volume type of its own.
std::shared_ptr<TSound> loadEffectSound(const str& file, int type)
{
    const str path = WGUI::Pathnames::instance()->getSound() + file + ".ogg";
    return TSound::Get(path, true, type);
}

bool soundHasSource(const std::shared_ptr<TSound>& sound)
{
    return sound && sound->HasSource();
}

void killInstance(std::shared_ptr<TSoundInstance>& instance)
{
    if (instance)
        instance->Kill();
    instance.reset();
}

}  // namespace

// ---- SoundSample ----

SoundSample::SoundSample(const str& file, float baseVolume)
    : type(TSoundHelper::instance()->getSoundEffectGroupID()), baseVolume(baseVolume)
{
    sound = loadEffectSound(file, type);
    const float length = soundHasSource(sound) ? sound->GetSoundLength() : 0.0f;
    setTimerLength(std::isfinite(length) && length > 0 ? length : 0.0);
}

SoundSample::~SoundSample()
{
    stopTimer();
    killInstance(instance);
}

bool SoundSample::hasSound() const
{
    return soundHasSource(sound);
}

void SoundSample::play(float v, float p)
{
    if (playing)
        stop();
    volume = v;
    pan = p;
    // A variant whose file did not load plays nothing.
    if (!soundHasSource(sound))
        return;
    TSoundHelper::setTypeVolume(type, SoundEffectSystem::currentGlobalVolume() * volume * baseVolume);
    instance = sound->Play(false);
    if (!instance)
        return;
    playing = true;
    resetTimer();
    startTimer();
}

void SoundSample::stop()
{
    if (instance)
        instance->Kill();
    playing = false;
    stopTimer();
    instance.reset();
}

void SoundSample::onComplete()
{
    playing = false;
    instance.reset();
    // Leave the frame's timer list now, so that nothing of this variant refers to it once it
    // is idle (the list may be gone before the effects are, at shut-down).
    stopTimer();
}

// ---- SoundEffect ----

SoundEffect::~SoundEffect()
{
    for (SoundSample* s : samples)
        delete s;
}

SoundSample* SoundEffect::getSample(int i) const
{
    if (i < 0 || i >= static_cast<int>(samples.size()))
        return nullptr;
    return samples[static_cast<size_t>(i)];
}

void SoundEffect::addSample(const str& file, float baseVolume)
{
    samples.push_back(new SoundSample(file, baseVolume));
}

void SoundEffect::play(float volume, float pan)
{
    if (!(volume >= 0.05f))
        return;
    const int n = static_cast<int>(samples.size());
    if (n == 0)
        return;
    const int start = WGUI::randomInt(0, n);
    for (int k = 0; k < n; ++k)
    {
        SoundSample* s = samples[static_cast<size_t>((start + k) % n)];
        if (!s->isPlaying())
        {
            s->play(volume, pan);
            return;
        }
    }
    // All busy: the quietest (the first of equals) gives way to a louder sound.
    SoundSample* quietest = samples[0];
    for (SoundSample* s : samples)
        if (s->getVolume() < quietest->getVolume())
            quietest = s;
    if (volume > quietest->getVolume())
        quietest->play(volume, pan);
}

bool SoundEffect::isPlaying() const
{
    for (SoundSample* s : samples)
        if (s->isPlaying())
            return true;
    return false;
}

void SoundEffect::stopAllSamples()
{
    for (SoundSample* s : samples)
        s->stop();
}

// ---- SoundSampleLoop ----

SoundSampleLoop::SoundSampleLoop(SoundEffectLoop* owner, const str& file, float baseVolume)
    : type(TSoundHelper::instance()->getSoundEffectGroupID()), owner(owner), baseVolume(baseVolume)
{
    sound = loadEffectSound(file, type);
}

SoundSampleLoop::~SoundSampleLoop()
{
    // The holder is not told here: slots go away with the whole system at shut-down, after
    // every entity.
    killInstance(instance);
}

void SoundSampleLoop::setVolume(float v)
{
    WGUI::boundFloat(v, 0.0f, 1.0f);
    volume = v;
    TSoundHelper::setTypeVolume(type, volume * baseVolume * SoundEffectSystem::currentGlobalVolume());
}

void SoundSampleLoop::setPan(float p)
{
    WGUI::boundFloat(p, -1.0f, 1.0f);
    pan = p;
}

bool SoundSampleLoop::play(float v, float p, LoopSoundHolder* h)
{
    if (!soundHasSource(sound))
        return false;
    holder = h;
    setVolume(v);
    setPan(p);
    killInstance(instance);
    instance = sound->Play(true);
    playing = instance != nullptr;
    if (!playing)
        holder = nullptr;
    return playing;
}

void SoundSampleLoop::stop()
{
    if (LoopSoundHolder* h = holder)
    {
        // Forget the holder first: it may ask about the loop while it is being told.
        holder = nullptr;
        h->loopSoundStopped(owner);
    }
    killInstance(instance);
    playing = false;
}

// ---- SoundEffectLoop ----

SoundEffectLoop::SoundEffectLoop(const str& file, int num, float baseVolume)
{
    if (num > kMaxSlots)
    {
        WriteDbg("looping sound %s: %d slots asked, %d made", file.c_str(), num, kMaxSlots);
        num = kMaxSlots;
    }
    for (int i = 0; i < num; ++i)
        addSample(file, baseVolume);
}

SoundEffectLoop::~SoundEffectLoop()
{
    for (SoundSampleLoop* s : slots)
        delete s;
}

void SoundEffectLoop::addSample(const str& file, float baseVolume)
{
    slots.push_back(new SoundSampleLoop(this, file, baseVolume));
}

SoundSampleLoop* SoundEffectLoop::getSlot(int i) const
{
    if (i < 0 || i >= static_cast<int>(slots.size()))
        return nullptr;
    return slots[static_cast<size_t>(i)];
}

int SoundEffectLoop::play(float volume, float pan, int slot, LoopSoundHolder* holder)
{
    const float audibility = volume * (2.0f - std::fabs(pan)) / 2.0f;
    SoundSampleLoop* given = getSlot(slot);
    if (!(audibility >= 0.1f))
    {
        // Too quiet: the caller's slot is released (whoever holds it now is told).
        if (given)
            given->stop();
        return -1;
    }
    if (given && given->isPlaying() && given->getHolder() == holder)
    {
        given->setVolume(volume);
        given->setPan(pan);
        return slot;
    }
    for (size_t i = 0; i < slots.size(); ++i)
    {
        if (!slots[i]->isPlaying())
            return slots[i]->play(volume, pan, holder) ? static_cast<int>(i) : -1;
    }
    // All taken: the least audible slot (the first of equals) goes to a louder holder, without
    // telling the one that had it.
    int least = -1;
    float leastAudibility = 0;
    for (size_t i = 0; i < slots.size(); ++i)
    {
        const float a = (2.0f - std::fabs(slots[i]->getPan())) / 2.0f * slots[i]->getVolume();
        if (least < 0 || a < leastAudibility)
        {
            least = static_cast<int>(i);
            leastAudibility = a;
        }
    }
    if (least >= 0 && audibility > leastAudibility)
        return slots[static_cast<size_t>(least)]->play(volume, pan, holder) ? least : -1;
    return -1;
}

void SoundEffectLoop::stop(int slot)
{
    if (SoundSampleLoop* s = getSlot(slot))
        s->stop();
}

void SoundEffectLoop::stopAllSamples()
{
    for (SoundSampleLoop* s : slots)
        s->stop();
}

// ---- SoundEffectSystem ----

SoundEffectSystem* SoundEffectSystem::sInstance = nullptr;

SoundEffectSystem::SoundEffectSystem()
{
}

SoundEffectSystem::~SoundEffectSystem()
{
    clear();
}

SoundEffectSystem* SoundEffectSystem::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "SoundEffectSystem");
        sInstance = new SoundEffectSystem();
        sInstance->globalVolume = Options::instance()->getSoundEffectVolume();
        sInstance->readFile(WGUI::Pathnames::instance()->getSound() + "soundeffects.xml");
    }
    return sInstance;
}

SoundEffectSystem* SoundEffectSystem::instance()
{
    if (!sInstance)
        qfSingletonNotMade("SoundEffectSystem");
    return createInstance();
}

void SoundEffectSystem::deleteInstance()
{
    qfNoteLifetime("delete", "SoundEffectSystem");
    delete sInstance;
    sInstance = nullptr;
}

double SoundEffectSystem::currentGlobalVolume()
{
    return sInstance ? sInstance->globalVolume : 1.0;
}

void SoundEffectSystem::setSoundEffectVolumeFromOptions()
{
    globalVolume = Options::instance()->getSoundEffectVolume();
}

void SoundEffectSystem::stopLoopSounds()
{
    for (auto& entry : loops)
        entry.second->stopAllSamples();
}

SoundEffect* SoundEffectSystem::getSoundEffect(const str& name) const
{
    auto it = effects.find(name);
    return it == effects.end() ? nullptr : it->second;
}

SoundEffectLoop* SoundEffectSystem::getSoundEffectLoop(const str& name) const
{
    auto it = loops.find(name);
    return it == loops.end() ? nullptr : it->second;
}

void SoundEffectSystem::clear()
{
    for (auto& entry : effects)
        delete entry.second;
    effects.clear();
    for (auto& entry : loops)
        delete entry.second;
    loops.clear();
}

void SoundEffectSystem::readFile(const str& path)
{
    services::XmlFile file(path);
    WGUI::XmlElement root = file.getRoot();
    if (!root.isValid())
        return;
    for (WGUI::XmlElement child = root.iterateChildren(); child.isValid(); child = root.iterateChildren())
    {
        const str element = child.getName();
        if (element == "sound")
        {
            str name = "";
            if (child.queryStringAttribute("name", name) != 0)
                continue;
            SoundEffect* effect = new SoundEffect();
            for (WGUI::XmlElement sample = child.iterateChildren("sample"); sample.isValid();
                 sample = child.iterateChildren("sample"))
            {
                str fileName = "";
                if (sample.queryStringAttribute("filename", fileName) != 0)
                    continue;
                float volume = 1.0f;
                sample.queryFloatAttribute("volume", volume);
                effect->addSample(fileName, volume);
            }
            SoundEffect*& slot = effects[name];
            delete slot;
            slot = effect;
        }
        else if (element == "loopsound")
        {
            str name = "", fileName = "";
            if (child.queryStringAttribute("name", name) != 0 ||
                child.queryStringAttribute("filename", fileName) != 0)
                continue;
            int num = 1;
            float volume = 1.0f;
            child.queryIntAttribute("num", num);
            child.queryFloatAttribute("volume", volume);
            SoundEffectLoop* loop = new SoundEffectLoop(fileName, num, volume);
            SoundEffectLoop*& slot = loops[name];
            delete slot;
            slot = loop;
        }
    }
}

}  // namespace Game
