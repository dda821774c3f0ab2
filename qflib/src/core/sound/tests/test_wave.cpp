// End to end through OpenAL Soft's wave-file output: a sound played by the sound thread ends up
// in the written file, as long as it is and at its pitch. Its own executable, because the
// output driver is chosen once per process.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "scratchdir.h"
#include "soundtestutil.h"

using namespace soundtest;

namespace
{

struct Wave
{
    int channels = 0;
    int rate = 0;
    std::vector<float> left;  // first channel, -1..1
};

uint32_t U32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t U16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool ReadWave(const std::string& path, Wave* wave)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(&bytes[8], "WAVE", 4) != 0)
        return false;
    int format = 0, bits = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size())
    {
        const uint32_t size = U32(&bytes[at + 4]);
        const unsigned char* body = &bytes[at + 8];
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16)
        {
            format = U16(body);
            wave->channels = U16(body + 2);
            wave->rate = static_cast<int>(U32(body + 4));
            bits = U16(body + 14);
            if (format == 0xFFFE && size >= 26)
                format = U16(body + 24);  // the sub-format's first word
        }
        else if (std::memcmp(&bytes[at], "data", 4) == 0 && wave->channels > 0)
        {
            const size_t available = std::min<size_t>(size, bytes.size() - at - 8);
            const size_t frameBytes = static_cast<size_t>(wave->channels) * bits / 8;
            for (size_t f = 0; f + 1 <= available / frameBytes; ++f)
            {
                const unsigned char* p = body + f * frameBytes;
                if (format == 3 && bits == 32)
                {
                    float v;
                    std::memcpy(&v, p, 4);
                    wave->left.push_back(v);
                }
                else if (format == 1 && bits == 16)
                    wave->left.push_back(static_cast<int16_t>(U16(p)) / 32768.0f);
                else if (format == 1 && bits == 8)
                    wave->left.push_back((p[0] - 128) / 128.0f);
                else
                    return false;
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

class WaveOutputTest : public SoundTest
{
};

}  // namespace

TEST_F(WaveOutputTest, PlayedSoundReachesTheWaveFile)
{
    TScratchDir scratch("qfsound-wave");
    const std::string wavePath = scratch / "out.wav";
    const std::string confPath =
        scratch.Write("alsoft.conf", "[general]\ndrivers=wave\n[wave]\nfile=" + wavePath + "\n");
    setenv("ALSOFT_CONF", confPath.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);

    const double seconds = 0.4;
    const double hz = 441.0;
    AddOgg("note.ogg", qftest::MakeTone(hz, static_cast<size_t>(seconds * 44100), 1, 44100, 0.5));
    MakeThreadedManager();
    std::shared_ptr<TSound> note = TSound::Get("note.ogg", true, 0);
    RecordingCallBack callback;
    std::shared_ptr<TSoundInstance> instance;
    {
        TSoundLock lock(SoundManagerMutex::mMutex);  // attach before the thread can end it
        instance = note->Play(false);
        ASSERT_TRUE(instance);
        instance->SetCompleteAction(&callback, std::shared_ptr<TSound>());
    }
    EXPECT_TRUE(callback.WaitForCount(1));
    EXPECT_EQ(callback.Count(), 1);
    // The note has stopped, so the mixer has consumed every sample of it; closing the device
    // below ends the writer, which writes what it mixed.
    instance.reset();
    note.reset();
    mManager.reset();  // closing the device completes the file

    Wave wave;
    ASSERT_TRUE(ReadWave(wavePath, &wave)) << wavePath;
    ASSERT_GT(wave.rate, 0);
    size_t first = wave.left.size(), last = 0;
    for (size_t i = 0; i < wave.left.size(); ++i)
    {
        if (std::fabs(wave.left[i]) > 0.01f)
        {
            first = std::min(first, i);
            last = i;
        }
    }
    ASSERT_LT(first, wave.left.size()) << "the file holds only silence";
    const double heard = double(last - first + 1) / wave.rate;
    EXPECT_NEAR(heard, seconds, 0.02);
    int crossings = 0;
    for (size_t i = first + 1; i <= last; ++i)
        if ((wave.left[i - 1] < 0.0f) != (wave.left[i] < 0.0f))
            ++crossings;
    EXPECT_NEAR(crossings / 2.0 / heard, hz, hz * 0.03);
}
