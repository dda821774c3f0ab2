// Shared set-up of the sound tests: generated Ogg files registered as memory files, a
// configuration reader, captured debug lines, and an OpenAL loopback device whose output the
// tests render on demand.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/assetmanager.h"
#include "foundation/str.h"
#include "sound/oggfixture.h"
#include "sound/sound.h"
#include "sound/soundmanager.h"

namespace soundtest
{

// Opens the loopback device (stereo float at kRate) and makes its context current.
void OpenLoopbackDevice();
const int kRate = 44100;

// Renders `frames` stereo frames from the loopback device (under the manager lock, so it never
// overlaps a refill).
std::vector<float> Render(int frames);
// Largest absolute sample value.
float Peak(const std::vector<float>& samples);

// Configuration values seen by the sound code through the foundation's reader.
void SetConfig(const std::string& key, const std::string& value);
void ClearConfig();

class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Encodes pcm and registers it as the memory file `name`; returns the encoded bytes.
    const std::vector<unsigned char>& AddOgg(const std::string& name, const qftest::Pcm& pcm);
    void AddBytes(const std::string& name, const std::vector<unsigned char>& bytes);

    // A manager over the loopback device, initialised without its thread (the test drives the
    // passes), or over the default (null) device with the thread running.
    void MakeLoopbackManager();
    void MakeThreadedManager();
    // Renders frames and runs one sound-thread pass and one main-thread pass after every chunk.
    std::vector<float> RenderWithPasses(int frames, int chunk = 512);
    void Passes();

    std::vector<std::string> DebugLines();
    bool HasDebugLine(const std::string& line);

    std::unique_ptr<TAssetManager> mAssets;
    std::unique_ptr<TSoundManager> mManager;

private:
    std::map<std::string, std::vector<unsigned char>> mFiles;
    std::mutex mLinesMutex;
    std::vector<std::string> mLines;
};

// Counts completion calls and remembers their arguments.
class RecordingCallBack : public TSoundCallBack
{
public:
    ~RecordingCallBack() override { Detach(); }
    void OnComplete(std::shared_ptr<TSoundInstance> instance, std::shared_ptr<TSound> next) override;
    int Count();
    // Blocks until at least n completions arrived (woken by OnComplete, no polling); false when
    // they did not come within a minute, so that a lost completion fails the test instead of
    // stopping the whole run.
    bool WaitForCount(int n);
    std::vector<std::pair<TSoundInstance*, TSound*>> Calls();

private:
    std::mutex mMutex;
    std::condition_variable mArrived;
    std::vector<std::pair<TSoundInstance*, TSound*>> mCalls;
};

}  // namespace soundtest
