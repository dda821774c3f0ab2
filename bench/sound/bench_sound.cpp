// Sound: CPU time of the sound thread with 8 streams playing, the cost of one refill pass, and
// Ogg Vorbis decode throughput.
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <benchmark/benchmark.h>

#include "foundation/file.h"
#include "sound/oggfixture.h"
#include "sound/sound.h"
#include "sound/soundmanager.h"

namespace
{

const int kRate = 44100;

// No sound card needed: OpenAL Soft's null output unless the environment names a driver.
const bool gNullDriver = []
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}();

// Five seconds of stereo music, encoded once.
const std::vector<unsigned char>& Music()
{
    static const std::vector<unsigned char> bytes =
        qftest::EncodeOggVorbis(qftest::MakeTone(440, kRate * 5, 2, kRate, 0.5), 0.4f);
    return bytes;
}

void RegisterMusic()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    TOggDataSource::Register();
    const std::vector<unsigned char>& bytes = Music();
    TFile::AddMemoryFile("benchmusic.ogg", const_cast<unsigned char*>(bytes.data()),
                         static_cast<unsigned int>(bytes.size()));
}

std::set<std::string> Tasks()
{
    std::set<std::string> tasks;
    if (DIR* dir = opendir("/proc/self/task"))
    {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tasks.insert(entry->d_name);
        closedir(dir);
    }
    return tasks;
}

// Nanoseconds a thread of this process has run on a CPU.
long long ThreadCpuNs(const std::string& tid)
{
    std::ifstream in("/proc/self/task/" + tid + "/schedstat");
    long long ns = -1;
    in >> ns;
    return ns;
}

ALCdevice* gLoopback = nullptr;
void OpenLoopback()
{
    gLoopback = alcLoopbackOpenDeviceSOFT(nullptr);
    if (!gLoopback)
        return;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 kRate,
                                 0};
    if (ALCcontext* context = alcCreateContext(gLoopback, attributes))
        alcMakeContextCurrent(context);
}

}  // namespace

// The real sound thread on the null output with N streamed looping songs (8 is the figure that
// matters; 0 shows the cost of polling alone): the share of one CPU the sound thread uses (its own scheduler statistics over each 200 ms of wall time).
static void BM_SoundThreadCpu(benchmark::State& state)
{
    RegisterMusic();
    TSoundManager::SetDeviceOpener(nullptr);
    std::unique_ptr<TSoundManager> manager(new TSoundManager);
    const std::set<std::string> before = Tasks();
    manager->Init(true);
    std::string soundThread;
    for (const std::string& tid : Tasks())
        if (!before.count(tid))
            soundThread = tid;
    if (soundThread.empty())
    {
        state.SkipWithError("sound thread not found");
        return;
    }
    std::shared_ptr<TSound> music = TSound::Get("benchmusic.ogg", false, 0);
    std::vector<std::shared_ptr<TSoundInstance>> playing;
    for (int i = 0; i < state.range(0); ++i)
        playing.push_back(music->Play(true));

    double cpuNs = 0, wallNs = 0;
    for (auto _ : state)
    {
        const long long cpu0 = ThreadCpuNs(soundThread);
        const auto wall0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        manager->HandleNotifications();
        const long long cpu1 = ThreadCpuNs(soundThread);
        const auto wall1 = std::chrono::steady_clock::now();
        cpuNs += double(cpu1 - cpu0);
        wallNs += std::chrono::duration<double, std::nano>(wall1 - wall0).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpuNs / wallNs;
    state.counters["streams"] = double(manager->GetStreamCount());
    playing.clear();
    music.reset();
    manager.reset();
}
BENCHMARK(BM_SoundThreadCpu)->Arg(0)->Arg(8)->Iterations(10)->Unit(benchmark::kMillisecond);

// One sound-thread pass over 8 streams on the loopback device, with 256 frames (5.8 ms) rendered
// between passes: the decoding of the refills, spread over the passes, plus the OpenAL queries.
static void BM_Pass8Streams(benchmark::State& state)
{
    RegisterMusic();
    TSoundManager::SetDeviceOpener(&OpenLoopback);
    std::unique_ptr<TSoundManager> manager(new TSoundManager);
    manager->Init(false);
    std::shared_ptr<TSound> music = TSound::Get("benchmusic.ogg", false, 0);
    std::vector<std::shared_ptr<TSoundInstance>> playing;
    for (int i = 0; i < 8; ++i)
        playing.push_back(music->Play(true));
    std::vector<float> out(256 * 2);
    for (auto _ : state)
    {
        state.PauseTiming();
        alcRenderSamplesSOFT(gLoopback, out.data(), 256);
        state.ResumeTiming();
        manager->InternalHandleNotifications(false);
    }
    playing.clear();
    music.reset();
    manager.reset();
    TSoundManager::SetDeviceOpener(nullptr);
}
BENCHMARK(BM_Pass8Streams)->Unit(benchmark::kMicrosecond);

// Decoding a whole Ogg Vorbis file from memory; bytes are PCM bytes delivered.
static void BM_DecodeOggFromMemory(benchmark::State& state)
{
    const std::vector<unsigned char>& bytes = Music();
    std::vector<unsigned char> pcm(65536);
    int64_t total = 0;
    for (auto _ : state)
    {
        TOggDataSource source;
        if (!source.InitFromMemory(bytes.data(), bytes.size()))
        {
            state.SkipWithError("decode failed");
            return;
        }
        unsigned int position = 0;
        while (unsigned int got = source.Read(pcm.data(), position, static_cast<unsigned int>(pcm.size())))
            position += got;
        total += position;
    }
    state.SetBytesProcessed(total);
    state.counters["audio_s_per_s"] =
        benchmark::Counter(double(total) / (kRate * 4.0), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeOggFromMemory)->Unit(benchmark::kMillisecond);

// Decoding short effects whole into memory (what a non-streamed effect costs once).
static void BM_DecodeEffectIntoMemory(benchmark::State& state)
{
    static const std::vector<unsigned char> effect =
        qftest::EncodeOggVorbis(qftest::MakeTone(880, kRate / 2, 1, kRate, 0.5), 0.4f);
    for (auto _ : state)
    {
        std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
        source->InitFromMemory(effect.data(), effect.size());
        TMemDataSource memory(source);
        benchmark::DoNotOptimize(memory.GetRawLength());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kRate / 2) * 2);
}
BENCHMARK(BM_DecodeEffectIntoMemory)->Unit(benchmark::kMicrosecond);
