// Sound effects, played by name through the SoundEffectSystem and defined in
// "soundeffects.xml" in the sounds folder.
//
// An effect (SoundEffect) is a set of recorded variants (SoundSample): playing it picks a free
// variant at random, and when all are busy restarts the quietest one if the new sound is louder.
// A looping effect (SoundEffectLoop) is a fixed number of looping slots (SoundSampleLoop) that
// entities claim and keep while they are audible; a louder entity takes the slot of the least
// audible one. Every variant and slot has its own volume type (TSoundHelper). Pan is stored and
// counts towards audibility only: no stereo placement is applied.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "foundation/str.h"
#include "wgui_timer.h"

class TSound;
class TSoundInstance;

namespace Game
{

class SoundEffectLoop;

// The holder of a looping slot (the gameplay's entity): told when the slot it holds stops, so
// that it asks for a slot again next time.
class LoopSoundHolder
{
public:
    virtual ~LoopSoundHolder() {}
    virtual void loopSoundStopped(SoundEffectLoop* loop) = 0;
};

// One variant of an effect. "Playing" lasts for the sample's length, measured by its egg timer
// (ticked with the frame time), not by the sound layer.
class SoundSample : public WGUI::EggTimer
{
public:
    // file: name in the sounds folder without ".ogg".
    SoundSample(const str& file, float baseVolume);
    ~SoundSample() override;

    void play(float volume, float pan);
    void stop();
    void onComplete() override;

    bool isPlaying() const { return playing; }
    float getVolume() const { return volume; }
    float getPan() const { return pan; }
    float getBaseVolume() const { return baseVolume; }
    int getType() const { return type; }
    bool hasSound() const;
    const std::shared_ptr<TSoundInstance>& getInstance() const { return instance; }

private:
    std::shared_ptr<TSound> sound;
    int type;
    std::shared_ptr<TSoundInstance> instance;
    bool playing = false;
    float volume = 1.0f;
    float pan = 0.0f;
    float baseVolume;
};

class SoundEffect
{
public:
    SoundEffect() = default;
    ~SoundEffect();
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Below volume 0.05 nothing plays.
    void play(float volume, float pan);
    bool isPlaying() const;
    void stopAllSamples();
    void addSample(const str& file, float baseVolume);

    int getNumSamples() const { return static_cast<int>(samples.size()); }
    SoundSample* getSample(int i) const;

private:
    std::vector<SoundSample*> samples;
};

// One looping slot.
class SoundSampleLoop
{
public:
    SoundSampleLoop(SoundEffectLoop* owner, const str& file, float baseVolume);
    ~SoundSampleLoop();
    SoundSampleLoop(const SoundSampleLoop&) = delete;
    SoundSampleLoop& operator=(const SoundSampleLoop&) = delete;

    // Clamps to 0..1, stores, and sets the slot's type volume.
    void setVolume(float v);
    // Starts the loop for the holder; false (and nothing held) when the sound could not load.
    bool play(float volume, float pan, LoopSoundHolder* holder);
    // Tells the holder, forgets it, and stops the sound.
    void stop();

    bool isPlaying() const { return playing; }
    float getVolume() const { return volume; }
    float getPan() const { return pan; }
    void setPan(float p);
    float getBaseVolume() const { return baseVolume; }
    int getType() const { return type; }
    LoopSoundHolder* getHolder() const { return holder; }

private:
    std::shared_ptr<TSound> sound;
    int type;
    std::shared_ptr<TSoundInstance> instance;
    bool playing = false;
    SoundEffectLoop* owner;
    float volume = 1.0f;
    float pan = 0.0f;
    float baseVolume;
    LoopSoundHolder* holder = nullptr;
};

class SoundEffectLoop
{
public:
    // More slots than this are not made from one definition.
    static constexpr int kMaxSlots = 64;

    SoundEffectLoop() = default;
    // num slots of the same file (clamped to 0..kMaxSlots).
    SoundEffectLoop(const str& file, int num, float baseVolume);
    ~SoundEffectLoop();
    SoundEffectLoop(const SoundEffectLoop&) = delete;
    SoundEffectLoop& operator=(const SoundEffectLoop&) = delete;

    // The caller keeps the returned slot and hands it back every frame; -1 when it has none.
    int play(float volume, float pan, int slot, LoopSoundHolder* holder);
    void stop(int slot);
    void stopAllSamples();
    void addSample(const str& file, float baseVolume);

    int getNumSlots() const { return static_cast<int>(slots.size()); }
    SoundSampleLoop* getSlot(int i) const;

private:
    std::vector<SoundSampleLoop*> slots;
};

class SoundEffectSystem
{
public:
    // First use: the global volume from the options, then the definition file.
    static SoundEffectSystem* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static SoundEffectSystem* createInstance();
    static void deleteInstance();
    static bool hasInstance() { return sInstance != nullptr; }
    // The global effect volume of the current system, 1.0 when there is none.
    static double currentGlobalVolume();

    void setSoundEffectVolumeFromOptions();
    double getGlobalEffectVolume() const { return globalVolume; }
    void setGlobalEffectVolume(double v) { globalVolume = v; }
    void stopLoopSounds();

    // Null for a name the definitions do not hold.
    SoundEffect* getSoundEffect(const str& name) const;
    SoundEffectLoop* getSoundEffectLoop(const str& name) const;
    int getNumSoundEffects() const { return static_cast<int>(effects.size()); }
    int getNumSoundEffectLoops() const { return static_cast<int>(loops.size()); }

    // Reads a definition file (a sounds-folder path); a missing file defines nothing, and a
    // later definition of a name replaces the earlier one.
    void readFile(const str& path);
    void clear();

private:
    SoundEffectSystem();
    ~SoundEffectSystem();

    double globalVolume = 1.0;
    std::map<str, SoundEffect*> effects;
    std::map<str, SoundEffectLoop*> loops;

    static SoundEffectSystem* sInstance;
};

}  // namespace Game
