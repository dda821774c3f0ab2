#include "soundtestutil.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "sound/soundmutex.h"

namespace soundtest
{

namespace
{

// No sound card is needed: the default device is OpenAL Soft's null output unless the
// environment already names a driver. Set before the library reads its configuration.
const bool gNullDriver = []
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}();

ALCdevice* gLoopback = nullptr;
std::mutex gConfigMutex;
std::map<std::string, std::string> gConfig;

str ReadConfig(const char* key)
{
    std::lock_guard<std::mutex> lock(gConfigMutex);
    auto it = gConfig.find(key);
    return it == gConfig.end() ? str() : str(it->second.c_str());
}

}  // namespace

void OpenLoopbackDevice()
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
    ALCcontext* context = alcCreateContext(gLoopback, attributes);
    if (context)
        alcMakeContextCurrent(context);
}

std::vector<float> Render(int frames)
{
    std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
    TSoundLock lock(SoundManagerMutex::mMutex);
    if (gLoopback && alcGetCurrentContext())
        alcRenderSamplesSOFT(gLoopback, out.data(), frames);
    return out;
}

float Peak(const std::vector<float>& samples)
{
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

void SetConfig(const std::string& key, const std::string& value)
{
    std::lock_guard<std::mutex> lock(gConfigMutex);
    gConfig[key] = value;
}

void ClearConfig()
{
    std::lock_guard<std::mutex> lock(gConfigMutex);
    gConfig.clear();
}

void SoundTest::SetUp()
{
    mAssets.reset(new TAssetManager);
    TAssetManager::SetInstance(mAssets.get());
    TOggDataSource::Register();
    ClearConfig();
    qfSetConfigReader(&ReadConfig);
    qfSetDbgSink(
        [this](const char* line)
        {
            std::lock_guard<std::mutex> lock(mLinesMutex);
            mLines.push_back(line);
        });
}

void SoundTest::TearDown()
{
    mManager.reset();
    qfSetDbgSink(TDbgSink());
    qfSetConfigReader(nullptr);
    for (auto& file : mFiles)
        TFile::AddMemoryFile(file.first.c_str(), nullptr, 0);
    TAssetManager::SetInstance(nullptr);
    mAssets.reset();
    TSoundManager::SetDeviceOpener(nullptr);
    gLoopback = nullptr;
}

const std::vector<unsigned char>& SoundTest::AddOgg(const std::string& name, const qftest::Pcm& pcm)
{
    AddBytes(name, qftest::EncodeOggVorbis(pcm));
    return mFiles[name];
}

void SoundTest::AddBytes(const std::string& name, const std::vector<unsigned char>& bytes)
{
    std::vector<unsigned char>& stored = mFiles[name];
    stored = bytes;
    if (stored.empty())
        stored.push_back(0);  // a memory file needs an address
    TFile::AddMemoryFile(name.c_str(), stored.data(), static_cast<unsigned int>(bytes.size()));
}

void SoundTest::MakeLoopbackManager()
{
    TSoundManager::SetDeviceOpener(&OpenLoopbackDevice);
    mManager.reset(new TSoundManager);
    ASSERT_NE(gLoopback, nullptr) << "the OpenAL loopback device is not available";
    mManager->Init(false);
}

void SoundTest::MakeThreadedManager()
{
    TSoundManager::SetDeviceOpener(nullptr);
    mManager.reset(new TSoundManager);
    mManager->Init(true);
}

void SoundTest::Passes()
{
    mManager->InternalHandleNotifications(false);
    mManager->HandleNotifications();
}

std::vector<float> SoundTest::RenderWithPasses(int frames, int chunk)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(frames) * 2);
    for (int done = 0; done < frames; done += chunk)
    {
        std::vector<float> part = Render(std::min(chunk, frames - done));
        out.insert(out.end(), part.begin(), part.end());
        Passes();
    }
    return out;
}

std::vector<std::string> SoundTest::DebugLines()
{
    std::lock_guard<std::mutex> lock(mLinesMutex);
    return mLines;
}

bool SoundTest::HasDebugLine(const std::string& line)
{
    std::lock_guard<std::mutex> lock(mLinesMutex);
    for (const std::string& l : mLines)
        if (l == line)
            return true;
    return false;
}

void RecordingCallBack::OnComplete(std::shared_ptr<TSoundInstance> instance, std::shared_ptr<TSound> next)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCalls.emplace_back(instance.get(), next.get());
    }
    mArrived.notify_all();
}

bool RecordingCallBack::WaitForCount(int n)
{
    std::unique_lock<std::mutex> lock(mMutex);
    return mArrived.wait_for(lock, std::chrono::minutes(1),
                             [&] { return static_cast<int>(mCalls.size()) >= n; });
}

int RecordingCallBack::Count()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<int>(mCalls.size());
}

std::vector<std::pair<TSoundInstance*, TSound*>> RecordingCallBack::Calls()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCalls;
}

}  // namespace soundtest

// Under ThreadSanitizer: OpenAL Soft is not instrumented and hands data between its own threads
// through atomics that the sanitizer cannot see, so the copies it makes inside the library look
// like races. Ignore accesses made from within the library; everything of ours stays checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libopenal.so.1\n";
}
