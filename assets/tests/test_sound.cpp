// The built sounds the game plays over and over, decoded as the game decodes them:
// - every looping effect (the "loopsound" entries of soundeffects.xml) and every piece of music
//   joins its end to its start without a jump: the step across the join is no larger than the
//   largest step inside the sound, and the last second is about as loud as the first;
// - any level piece can follow any other (the jukebox plays them in a random order, or one
//   over and over), so each one's end is about as loud as every one's start;
// - every piece of music has an arc: a clearly quieter stretch, and its loudest part is not its
//   opening.
// The per-piece loudness arcs are printed.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "artfiles.h"

namespace
{
using namespace arttest;

struct Sound
{
    long rate = 0;
    std::vector<float> samples;  // the first channel
};

bool Decode(const std::string& path, Sound* out)
{
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return false;
    out->rate = ov_info(&vf, -1)->rate;
    int section = 0;
    for (;;)
    {
        float** pcm = nullptr;
        const long got = ov_read_float(&vf, &pcm, 4096, &section);
        if (got < 0)
        {
            ov_clear(&vf);
            return false;
        }
        if (got == 0)
            break;
        out->samples.insert(out->samples.end(), pcm[0], pcm[0] + got);
    }
    ov_clear(&vf);
    return true;
}

double Rms(const std::vector<float>& x, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count && i < x.size(); ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return count ? std::sqrt(sum / count) : 0.0;
}

// The end's loudness may differ from the start's by at most 3 dB, the step at which a change of
// level is heard as a change rather than a drift (the old pieces restarted several dB louder
// than they ended).
const double kLevelRatio = 1.41;

struct LoopFigures
{
    double join = 0, largestStep = 0, startRms = 0, endRms = 0;
};

LoopFigures Measure(const Sound& s)
{
    LoopFigures f;
    const std::vector<float>& x = s.samples;
    for (size_t i = 1; i < x.size(); ++i)
        f.largestStep = std::max(f.largestStep, static_cast<double>(std::fabs(x[i] - x[i - 1])));
    f.join = std::fabs(x.front() - x.back());
    const size_t second = std::min(static_cast<size_t>(s.rate), x.size());
    f.startRms = Rms(x, 0, second);
    f.endRms = Rms(x, x.size() - second, second);
    return f;
}

std::vector<std::string> LoopingEffects()
{
    std::vector<std::string> files;
    Doc d = LoadXml(contenttest::SourceAssets() + "sounds/soundeffects.xml");
    if (d.root)
        for (TXmlNode* l : Children(d.root, "loopsound"))
            files.push_back(Attr(l, "filename"));
    return files;
}

// The menu loop and the level pieces the music system streams.
const char* const kMenuLoop = "alwaysloop";
const char* const kSongs[] = {"a", "b", "c"};

// Each file decoded once for all the cases (the pieces run to minutes).
const Sound& Load(const std::string& name)
{
    static std::map<std::string, Sound> decoded;
    auto it = decoded.find(name);
    if (it == decoded.end())
    {
        Sound s;
        EXPECT_TRUE(Decode(contenttest::BuiltAssets() + "sounds/" + name + ".ogg", &s)) << name;
        EXPECT_GT(s.samples.size(), static_cast<size_t>(s.rate / 2)) << name;
        it = decoded.emplace(name, std::move(s)).first;
    }
    return it->second;
}

TEST(SoundLoopTest, EveryLoopJoinsItsEndToItsStart)
{
    std::vector<std::string> loops = LoopingEffects();
    ASSERT_GE(loops.size(), 5u);
    loops.push_back(kMenuLoop);
    for (const char* song : kSongs)
        loops.push_back(song);
    std::printf("%-12s %7s %8s %8s %8s %8s %6s\n", "loop", "seconds", "join", "largest", "rms at", "rms at",
                "ratio");
    std::printf("%-12s %7s %8s %8s %8s %8s %6s\n", "", "", "step", "step", "start", "end", "");
    for (const std::string& name : loops)
    {
        const Sound& s = Load(name);
        if (s.samples.size() < 2)
            continue;
        const LoopFigures f = Measure(s);
        const double ratio = f.endRms / std::max(f.startRms, 1e-9);
        std::printf("%-12s %7.2f %8.4f %8.4f %8.4f %8.4f %6.2f\n", name.c_str(),
                    static_cast<double>(s.samples.size()) / s.rate, f.join, f.largestStep, f.startRms,
                    f.endRms, ratio);
        EXPECT_LE(f.join, f.largestStep) << name << ": the join jumps";
        EXPECT_LE(ratio, kLevelRatio) << name << ": the end is louder than the start";
        EXPECT_GE(ratio, 1.0 / kLevelRatio) << name << ": the end is quieter than the start";
    }
}

TEST(SoundLoopTest, AnyPieceCanFollowAnyOther)
{
    std::vector<LoopFigures> f;
    for (const char* song : kSongs)
        f.push_back(Measure(Load(song)));
    for (size_t i = 0; i < f.size(); ++i)
        for (size_t j = 0; j < f.size(); ++j)
        {
            const double ratio = f[j].startRms / std::max(f[i].endRms, 1e-9);
            EXPECT_LE(ratio, kLevelRatio) << kSongs[j] << " starts much louder than " << kSongs[i] << " ends";
            EXPECT_GE(ratio, 1.0 / kLevelRatio)
                << kSongs[j] << " starts much quieter than " << kSongs[i] << " ends";
        }
}

TEST(SoundLoopTest, EveryPieceHasAnArc)
{
    // A quieter stretch at least 6 dB under the loudest (half its RMS), and a build: the
    // loudest stretch is not the opening one.
    const double kQuieter = 0.5;
    std::vector<std::string> pieces = {kMenuLoop};
    for (const char* song : kSongs)
        pieces.push_back(song);
    std::printf("Loudness arcs (RMS x 100 per 4 s):\n");
    for (const std::string& name : pieces)
    {
        const Sound& s = Load(name);
        const size_t window = static_cast<size_t>(4 * s.rate);
        std::vector<double> arc;
        for (size_t at = 0; at + window <= s.samples.size(); at += window)
            arc.push_back(Rms(s.samples, at, window));
        ASSERT_GE(arc.size(), 6u) << name;
        std::printf("  %-12s", name.c_str());
        for (double v : arc)
            std::printf(" %2.0f", v * 100);
        std::printf("\n");
        const double loudest = *std::max_element(arc.begin(), arc.end());
        const double quietest = *std::min_element(arc.begin(), arc.end());
        EXPECT_LE(quietest, kQuieter * loudest) << name << " has no quieter section";
        EXPECT_LT(arc.front(), 0.8 * loudest) << name << " opens at its loudest: it does not build";
    }
}

}  // namespace
