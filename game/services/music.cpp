// The menu music loop (IntroLoop) and the level-music jukebox (MusicSystem).
#include "services/music.h"

#include "foundation/singletons.h"
#include "services/options.h"
#include "services/soundhelper.h"
#include "sound/sound.h"
#include "sound/soundmutex.h"
#include "wgui_helpers.h"
#include "wgui_misc.h"

namespace Game
{

namespace
{

std::shared_ptr<TSound> loadStreamedSound(const str& file, int type)
{
    return TSound::Get(WGUI::Pathnames::instance()->getSound() + file, false, type);
}

void killInstance(std::shared_ptr<TSoundInstance>& instance)
{
    if (instance)
        instance->Kill();
    instance.reset();
}

double clamp01(double v)
{
    WGUI::boundDouble(v, 0.0, 1.0);
    return v;
}

}  // namespace

// ---- IntroLoop ----

IntroLoop* IntroLoop::sInstance = nullptr;

IntroLoop::IntroLoop() : type(TSoundHelper::instance()->getMusicGroupID())
{
    musicVolume = Options::instance()->getMusicVolume();
    sound = loadStreamedSound("alwaysloop.ogg", type);
}

IntroLoop::~IntroLoop()
{
    killInstance(soundInstance);
}

IntroLoop* IntroLoop::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "IntroLoop");
        sInstance = new IntroLoop();
    }
    return sInstance;
}

IntroLoop* IntroLoop::instance()
{
    if (!sInstance)
        qfSingletonNotMade("IntroLoop");
    return createInstance();
}

void IntroLoop::deleteInstance()
{
    qfNoteLifetime("delete", "IntroLoop");
    delete sInstance;
    sInstance = nullptr;
}

void IntroLoop::setSDKSoundVolume(double v)
{
    TSoundHelper::setTypeVolume(type, clamp01(v * musicVolume));
}

void IntroLoop::setMusicVolumeFromOptions()
{
    musicVolume = Options::instance()->getMusicVolume();
    setSDKSoundVolume(1.0);
}

void IntroLoop::play()
{
    fadingIn = false;
    fadingOut = false;
    setSDKSoundVolume(1.0);
    if (!playing && sound)
    {
        soundInstance = sound->Play(true);
        playing = soundInstance != nullptr;
    }
}

void IntroLoop::playFade(double seconds)
{
    if (!(seconds > 0))
    {
        play();
        return;
    }
    fadingIn = true;
    fadingOut = false;
    fadeTime = seconds;
    fadeElapsed = 0;
    setSDKSoundVolume(0.0);
    // A loop still held (for instance inside a fade-out) is ended first, so that no instance
    // is left playing out of reach; the loop then starts again from its beginning.
    killInstance(soundInstance);
    playing = false;
    if (sound)
    {
        soundInstance = sound->Play(true);
        playing = soundInstance != nullptr;
    }
}

void IntroLoop::stop()
{
    fadingOut = false;
    fadingIn = false;
    killInstance(soundInstance);
    playing = false;
}

void IntroLoop::stopFade(double seconds)
{
    if (!(seconds > 0))
    {
        stop();
        return;
    }
    fadingOut = true;
    fadingIn = false;
    fadeTime = seconds;
    fadeElapsed = 0;
}

void IntroLoop::update(double dt)
{
    if (fadingOut)
    {
        fadeElapsed += dt;
        setSDKSoundVolume(clamp01(1.0 - fadeElapsed / fadeTime));
        if (fadeElapsed >= fadeTime)
            stop();
    }
    else if (fadingIn)
    {
        fadeElapsed += dt;
        setSDKSoundVolume(clamp01(fadeElapsed / fadeTime));
        if (fadeElapsed >= fadeTime)
            fadingIn = false;
    }
}

// ---- SongStreamFile ----

SongStreamFile::SongStreamFile(const str& fileName) : type(TSoundHelper::instance()->getMusicGroupID())
{
    sound = loadStreamedSound(fileName, type);
}

// ---- MusicSystem ----

MusicSystem* MusicSystem::sInstance = nullptr;

MusicSystem::MusicSystem()
{
    static const char* const kSongFiles[kNumSongs] = {"a.ogg", "c.ogg", "b.ogg"};
    for (const char* file : kSongFiles)
        songs.push_back(new SongStreamFile(file));
    for (int i = 0; i < kNumSongs; ++i)
        jukebox.push_back(i);
    musicVolume = Options::instance()->getMusicVolume();
}

MusicSystem::~MusicSystem()
{
    {
        // No completion may reach this object once its members start to go away.
        TSoundLock lock(SoundManagerMutex::mMutex);
        Detach();
        killInstance(soundInstance);
        finished.clear();
    }
    for (SongStreamFile* s : songs)
        delete s;
}

MusicSystem* MusicSystem::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "MusicSystem");
        sInstance = new MusicSystem();
    }
    return sInstance;
}

MusicSystem* MusicSystem::instance()
{
    if (!sInstance)
        qfSingletonNotMade("MusicSystem");
    return createInstance();
}

void MusicSystem::deleteInstance()
{
    qfNoteLifetime("delete", "MusicSystem");
    delete sInstance;
    sInstance = nullptr;
}

int MusicSystem::getSongType(int song) const
{
    if (song < 0 || song >= static_cast<int>(songs.size()))
        return -1;
    return songs[static_cast<size_t>(song)]->type;
}

int MusicSystem::getSongJukeNum(int song) const
{
    for (size_t i = 0; i < jukebox.size(); ++i)
        if (jukebox[i] == song)
            return static_cast<int>(i);
    return -1;
}

void MusicSystem::setSDKSoundVolume(double v)
{
    const int type = getSongType(currentSong);
    if (type >= 0)
        TSoundHelper::setTypeVolume(type, clamp01(v * musicVolume));
}

void MusicSystem::setMusicVolumeFromOptions()
{
    musicVolume = Options::instance()->getMusicVolume();
    setSDKSoundVolume(1.0);
}

void MusicSystem::playSong(int song, bool loop)
{
    if (song < 0 || song >= static_cast<int>(songs.size()))
        return;
    if (song == currentSong && playing)
        return;
    currentSong = song;
    jukeboxPosition = -1;
    for (size_t i = 0; i < jukebox.size(); ++i)
        if (jukebox[i] == song)
            jukeboxPosition = static_cast<int>(i);
    setSDKSoundVolume(1.0);
    // The song held so far is ended before the next starts, so none plays on out of reach.
    killInstance(soundInstance);
    playing = false;
    if (std::shared_ptr<TSound> sound = songs[static_cast<size_t>(song)]->sound)
    {
        soundInstance = sound->Play(loop);
        if (soundInstance)
        {
            soundInstance->SetCompleteAction(this, std::shared_ptr<TSound>());
            playing = true;
        }
    }
    fadeTime = 0;
    fadeElapsed = 0;
    nextSong = -1;
}

void MusicSystem::playSongFade(int song, double, bool loop)
{
    playSong(song, loop);
}

void MusicSystem::stop()
{
    killInstance(soundInstance);
    playing = false;
}

void MusicSystem::stop(double seconds)
{
    if (!(seconds > 0))
    {
        stop();
        return;
    }
    fadeTime = seconds;
    fadeElapsed = 0;
    nextSong = -1;
}

void MusicSystem::OnComplete(std::shared_ptr<TSoundInstance> instance, std::shared_ptr<TSound>)
{
    // Runs with the sound lock held, possibly on the sound thread: record only.
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (instance)
        finished.push_back(instance);
}

void MusicSystem::takeFinished()
{
    std::vector<std::shared_ptr<TSoundInstance>> ended;
    {
        TSoundLock lock(SoundManagerMutex::mMutex);
        ended.swap(finished);
    }
    for (const auto& instance : ended)
    {
        if (currentSong >= 0 && soundInstance && instance == soundInstance)
        {
            soundInstance.reset();
            playing = false;
        }
    }
}

void MusicSystem::update(double dt)
{
    takeFinished();
    if (fadeTime > 0)
    {
        fadeElapsed += dt;
        setSDKSoundVolume(clamp01(1.0 - fadeElapsed / fadeTime));
        if (fadeElapsed >= fadeTime)
        {
            stop();
            fadeTime = 0;
            fadeElapsed = 0;
            const int next = nextSong;
            nextSong = -1;
            if (next >= 0)
                playSong(next, nextSongLoops);
        }
    }
    if (jukeboxOn)
        updateJukebox();
}

void MusicSystem::updateJukebox()
{
    const int n = static_cast<int>(jukebox.size());
    if (n == 0)
        return;
    if (currentSong >= 0 && jukeboxPosition >= 0)
        lastPosition = jukeboxPosition;

    if (currentSong == -1)
    {
        int song;
        if (playOnlySong >= 0)
            song = playOnlySong;
        else if (lastPosition >= 0)
            song = jukebox[static_cast<size_t>((lastPosition + WGUI::randomInt(1, n > 1 ? n : 2)) % n)];
        else
            song = jukebox[static_cast<size_t>(WGUI::randomInt(0, n))];
        playSong(song, false);
    }
    else if (playing && jukeboxPosition == -1 && !(fadeTime > 0))
    {
        const int song =
            playOnlySong >= 0 ? playOnlySong : jukebox[static_cast<size_t>(WGUI::randomInt(0, n))];
        playSongFade(song, 0.3, false);
    }
    else if (!playing)
    {
        int song;
        if (n == 1)
            song = jukebox[0];
        else if (playOnlySong >= 0)
            song = playOnlySong;
        else
        {
            const int position = jukeboxPosition == -1 ? 0 : jukeboxPosition;
            // A step of 1 .. n-1 never lands on the song just played.
            song = jukebox[static_cast<size_t>((position + WGUI::randomInt(1, n)) % n)];
        }
        playSong(song, false);
    }
}

}  // namespace Game
