// Music. IntroLoop loops the menu music "alwaysloop.ogg" and fades it in and out. MusicSystem is
// the level-music jukebox: three songs streamed one after the other in a random order that never
// repeats the song just played, or one chosen song over and over; it fades a song out on
// request. Both are stepped once a frame with the frame time and set their volumes through
// volume types of their own (TSoundHelper), scaled by the options' music volume.
#pragma once

#include <memory>
#include <vector>

#include "foundation/str.h"
#include "sound/soundinstance.h"

class TSound;

namespace Game
{

class IntroLoop
{
public:
    static IntroLoop* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static IntroLoop* createInstance();
    static void deleteInstance();

    // Ends any fade, sets full volume, and starts the loop when it is not playing.
    void play();
    // A positive time restarts the loop from silence and fades it in; otherwise play().
    void playFade(double seconds);
    void stop();
    // A positive time fades the loop out and then stops it; otherwise stop() at once.
    void stopFade(double seconds);
    void update(double dt);
    void setMusicVolumeFromOptions();
    // The loop's type volume: v x the music volume, clamped to 0..1.
    void setSDKSoundVolume(double v);

    bool isPlaying() const { return playing; }
    bool isFadingIn() const { return fadingIn; }
    bool isFadingOut() const { return fadingOut; }
    int getType() const { return type; }
    double getMusicVolume() const { return musicVolume; }
    const std::shared_ptr<TSoundInstance>& getInstance() const { return soundInstance; }

private:
    IntroLoop();
    ~IntroLoop();

    std::shared_ptr<TSound> sound;
    int type;
    std::shared_ptr<TSoundInstance> soundInstance;
    bool playing = false;
    double musicVolume = 1.0;
    bool fadingOut = false;
    bool fadingIn = false;
    double fadeTime = 0;
    double fadeElapsed = 0;

    static IntroLoop* sInstance;
};

// One song: its streamed sound and its volume type.
class SongStreamFile
{
public:
    explicit SongStreamFile(const str& fileName);
    std::shared_ptr<TSound> sound;
    int type;
};

class MusicSystem : public TSoundCallBack
{
public:
    static constexpr int kNumSongs = 3;

    static MusicSystem* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static MusicSystem* createInstance();
    static void deleteInstance();

    // Nothing when the song is current and playing (a running fade goes on); otherwise the song
    // starts at full volume and any fade is cancelled. An unknown index does nothing.
    void playSong(int song, bool loop);
    // The same as playSong; the time is not used.
    void playSongFade(int song, double seconds, bool loop);
    void stop();
    // A positive time fades the song out and then stops it; otherwise stop() at once.
    void stop(double seconds);
    void setJukeboxOn(bool on) { jukeboxOn = on; }
    bool isJukeboxOn() const { return jukeboxOn; }
    void jukePlayOnly(int song) { playOnlySong = song; }
    void jukePlayAll() { playOnlySong = -1; }
    // First position of the song in the jukebox list, or -1.
    int getSongJukeNum(int song) const;

    // Called by the sound layer (any thread, sound lock held): only records the ended instance;
    // update() acts on it on the main thread.
    void OnComplete(std::shared_ptr<TSoundInstance> instance, std::shared_ptr<TSound> next) override;

    void update(double dt);
    void setMusicVolumeFromOptions();
    void setSDKSoundVolume(double v);

    bool isPlaying() const { return playing; }
    int getCurrentSong() const { return currentSong; }
    int getJukeboxPosition() const { return jukeboxPosition; }
    int getPlayOnlySong() const { return playOnlySong; }
    double getFadeTime() const { return fadeTime; }
    double getMusicVolume() const { return musicVolume; }
    int getSongType(int song) const;
    const std::shared_ptr<TSoundInstance>& getInstance() const { return soundInstance; }

private:
    MusicSystem();
    ~MusicSystem() override;
    void updateJukebox();
    void takeFinished();

    std::shared_ptr<TSoundInstance> soundInstance;
    bool playing = false;
    int currentSong = -1;
    int jukeboxPosition = -1;
    int lastPosition = -1;
    std::vector<SongStreamFile*> songs;
    std::vector<int> jukebox;
    double musicVolume = 1.0;
    double fadeTime = 0;
    double fadeElapsed = 0;
    int nextSong = -1;
    bool nextSongLoops = false;
    int playOnlySong = -1;
    bool jukeboxOn = false;

    // Instances the sound layer reported ended, not yet seen by update(); guarded by
    // SoundManagerMutex::mMutex.
    std::vector<std::shared_ptr<TSoundInstance>> finished;

    static MusicSystem* sInstance;
};

}  // namespace Game
