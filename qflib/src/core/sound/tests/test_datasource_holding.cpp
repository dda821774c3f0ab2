// How sound data is held: sounds of one file share one decoded block, an Ogg source holds a
// decoder only while it is read (and a decoder made again delivers the same PCM as one kept from
// the start), and damaged files fail exactly where a decoder opened over them fails.
#include <algorithm>
#include <map>
#include <cstring>
#include <string>
#include <vector>

#include <vorbis/vorbisfile.h>

#include "soundtestutil.h"

using namespace soundtest;

namespace
{

// Every source decoded one way: a vorbisfile decoder over the bytes, opened up front and kept,
// moved only when a read does not continue where the last one ended; holes are skipped (at most
// 64 in a row) and any other decoding error ends a read.
class UpFrontDecoder
{
public:
    explicit UpFrontDecoder(const std::vector<unsigned char>& bytes) : mBytes(bytes)
    {
        const ov_callbacks callbacks = {ReadBytes, SeekBytes, nullptr, TellBytes};
        if (ov_open_callbacks(this, &mFile, nullptr, 0, callbacks) < 0)
            return;
        vorbis_info* info = ov_info(&mFile, -1);
        const ogg_int64_t frames = ov_pcm_total(&mFile, -1);
        mOpen = true;
        if (!info || info->rate <= 0 || (info->channels != 1 && info->channels != 2) || frames < 0)
            return;  // refused although vorbisfile opened it
        mPlayable = true;
        mChannels = info->channels;
        mRate = static_cast<int>(info->rate);
        mRawLength = static_cast<int64_t>(frames) * mChannels * 2;
        ov_pcm_seek(&mFile, 0);
    }
    ~UpFrontDecoder()
    {
        if (mOpen)
            ov_clear(&mFile);
    }
    UpFrontDecoder(const UpFrontDecoder&) = delete;
    UpFrontDecoder& operator=(const UpFrontDecoder&) = delete;

    bool Playable() const { return mPlayable; }
    int Channels() const { return mChannels; }
    int Rate() const { return mRate; }
    int64_t RawLength() const { return mRawLength; }

    unsigned int Read(unsigned char* out, unsigned int offset, unsigned int length)
    {
        if (!mPlayable)
            return 0;
        if (static_cast<int64_t>(offset) >= mRawLength)
        {
            mPosition = offset;
            return 0;
        }
        if (offset != mPosition)
        {
            mPosition = offset;
            if (ov_pcm_seek(&mFile, offset / (mChannels * 2)) != 0)
            {
                mPosition = 0xFFFFFFFFu;
                return 0;
            }
        }
        const unsigned int done = DecodeVorbisPcm(&mFile, reinterpret_cast<char*>(out), length);
        mPosition += done;
        return done;
    }

    std::vector<unsigned char> ReadAll()
    {
        std::vector<unsigned char> all(static_cast<size_t>(mRawLength));
        all.resize(Read(all.data(), 0, static_cast<unsigned int>(all.size())));
        return all;
    }

private:
    static size_t ReadBytes(void* buffer, size_t size, size_t count, void* self)
    {
        UpFrontDecoder* d = static_cast<UpFrontDecoder*>(self);
        const size_t n = std::min(size * count, d->mBytes.size() - d->mAt);
        if (n != 0)
            std::memcpy(buffer, d->mBytes.data() + d->mAt, n);
        d->mAt += n;
        return n;
    }
    static int SeekBytes(void* self, int64_t offset, int whence)
    {
        UpFrontDecoder* d = static_cast<UpFrontDecoder*>(self);
        int64_t at = whence == SEEK_SET   ? offset
                     : whence == SEEK_CUR ? static_cast<int64_t>(d->mAt) + offset
                                          : static_cast<int64_t>(d->mBytes.size()) + offset;
        d->mAt = static_cast<size_t>(std::max<int64_t>(0, std::min<int64_t>(at, d->mBytes.size())));
        return 0;
    }
    static long TellBytes(void* self) { return static_cast<long>(static_cast<UpFrontDecoder*>(self)->mAt); }

    std::vector<unsigned char> mBytes;
    size_t mAt = 0;
    OggVorbis_File mFile{};
    bool mOpen = false;
    bool mPlayable = false;
    int mChannels = 0;
    int mRate = 0;
    int64_t mRawLength = 0;
    unsigned int mPosition = 0;
};

// Everything a spooler delivers without looping, buffer after buffer, until it reports the end.
std::vector<unsigned char> SpoolAll(const std::shared_ptr<TSoundDataSource>& source)
{
    TStreamSpooler spooler(source);
    std::vector<unsigned char> all;
    std::vector<unsigned char> buffer(TSoundStreamData::kBufferBytes);
    for (;;)
    {
        unsigned int got = 0;
        const bool more = spooler.StreamToBuffer(static_cast<int>(buffer.size()), buffer.data(), &got, false);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
        if (!more)
            return all;
    }
}

bool HoldsDecoder(const std::shared_ptr<TSoundDataSource>& source)
{
    TOggDataSource* ogg = dynamic_cast<TOggDataSource*>(source.get());
    return ogg && ogg->HasDecoder();
}

class HoldingTest : public SoundTest
{
};

}  // namespace

// The looping effects make one sound per slot, each with a group of its own: one decoded block
// serves them all, and each plays every byte of the file's decode.
TEST_F(HoldingTest, SoundsOfOneFileShareOneDecodedBlock)
{
    const std::vector<unsigned char> hum = AddOgg("hum.ogg", qftest::MakeTone(220, 30000, 1, 22050));
    const std::vector<unsigned char> buzz = AddOgg("buzz.ogg", qftest::MakeTone(660, 20000, 2, 44100));
    AddBytes("humcopy.ogg", hum);  // the same bytes under another name

    struct Case
    {
        const char* name;
        int group;
        const char* sharesWith;  // the name of the case it shares with; null for its own block
    };
    const Case cases[] = {
        {"hum.ogg", 1000, nullptr},       {"hum.ogg", 1001, "hum.ogg"}, {"hum.ogg?group=1002", 0, "hum.ogg"},
        {"humcopy.ogg", 1003, "hum.ogg"}, {"buzz.ogg", 1004, nullptr},  {"buzz", 1005, "buzz.ogg"},
    };
    std::map<std::string, std::shared_ptr<TSoundDataSource>> blocks;
    std::vector<std::shared_ptr<TSound>> sounds;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + " group " + std::to_string(c.group));
        std::shared_ptr<TSound> sound = TSound::Get(c.name, true, c.group);
        ASSERT_TRUE(sound && sound->HasSource());
        for (const std::shared_ptr<TSound>& other : sounds)
            EXPECT_NE(other, sound);  // the sounds and their groups stay apart
        const std::shared_ptr<TSoundDataSource>& source = sound->GetData()->mSource;
        ASSERT_NE(dynamic_cast<TMemDataSource*>(source.get()), nullptr);
        // Shares the block of the case it names, and no other.
        const std::string own = c.sharesWith ? c.sharesWith : c.name;
        ASSERT_EQ(blocks.count(own), c.sharesWith ? 1u : 0u);
        for (auto& block : blocks)
        {
            EXPECT_EQ(source == block.second, block.first == own) << block.first;
        }
        blocks[own] = source;
        sounds.push_back(sound);
    }

    UpFrontDecoder humDecode(hum), buzzDecode(buzz);
    const std::vector<unsigned char> humPcm = humDecode.ReadAll(), buzzPcm = buzzDecode.ReadAll();
    ASSERT_EQ(humPcm.size(), 30000u * 2);
    ASSERT_EQ(buzzPcm.size(), 20000u * 4);
    for (size_t i = 0; i < sounds.size(); ++i)
    {
        SCOPED_TRACE(cases[i].name);
        const bool isHum = std::string(cases[i].name).find("hum") == 0;
        EXPECT_TRUE(SpoolAll(sounds[i]->GetData()->mSource) == (isHum ? humPcm : buzzPcm));
    }

    // The block dies with the last sound using it.
    std::weak_ptr<TSoundDataSource> humBlock = blocks["hum.ogg"];
    blocks.clear();
    sounds.erase(sounds.begin(), sounds.begin() + 4);
    EXPECT_TRUE(humBlock.expired());
}

// Sharing never outlives the bytes: a file replaced under its name is decoded afresh, and sounds
// that are not decoded whole (streamed, or long and compressed) keep sources of their own.
TEST_F(HoldingTest, OnlyTheSameBytesDecodedWholeAreShared)
{
    AddOgg("swap.ogg", qftest::MakeTone(300, 20000, 1, 22050));
    std::shared_ptr<TSound> before = TSound::Get("swap.ogg", true, 1);
    const std::vector<unsigned char> replaced = AddOgg("swap.ogg", qftest::MakeTone(900, 21000, 1, 22050));
    std::shared_ptr<TSound> after = TSound::Get("swap.ogg", true, 2);
    ASSERT_TRUE(before->HasSource() && after->HasSource());
    EXPECT_NE(before->GetData()->mSource, after->GetData()->mSource);
    UpFrontDecoder decode(replaced);
    EXPECT_TRUE(SpoolAll(after->GetData()->mSource) == decode.ReadAll());

    AddOgg("long.ogg", qftest::MakeTone(200, 66150, 1, 22050));  // 3 s
    struct Case
    {
        bool inMemory;
        const char* keep;
        bool shared;
    };
    const Case cases[] = {{false, nullptr, false}, {true, nullptr, false}, {true, "1", true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.inMemory ? "in memory" : "streamed") +
                     " keep=" + (c.keep ? c.keep : "absent"));
        ClearConfig();
        if (c.keep)
            SetConfig(kKeepOGGUncompressedKey, c.keep);
        std::shared_ptr<TSound> a = TSound::Get("long.ogg", c.inMemory, 1);
        std::shared_ptr<TSound> b = TSound::Get("long.ogg", c.inMemory, 2);
        ASSERT_TRUE(a->HasSource() && b->HasSource());
        EXPECT_EQ(a->GetData()->mSource == b->GetData()->mSource, c.shared);
        EXPECT_EQ(dynamic_cast<TMemDataSource*>(a->GetData()->mSource.get()) != nullptr, c.shared);
    }
}

// A source that lets its decoder go between reads and makes a new one delivers exactly what one
// decoder kept from the start delivers: reads onwards, at arbitrary offsets, backwards, at and
// past the end, and around the loop's wrap.
TEST_F(HoldingTest, DecoderMadeAgainReadsTheSameAsOneKeptFromTheStart)
{
    struct Step
    {
        int frame;   // where to read, in frames; from kEnd on, counted back from the end
        int frames;  // how much; kLetGo lets the decoder go instead
    };
    const int kLetGo = -1;
    const int kEnd = 1 << 30;
    struct Case
    {
        const char* what;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"onwards, let go half way", {{0, 5000}, {5000, 5000}, {0, kLetGo}, {10000, 70000}, {80000, 200000}}},
        {"arbitrary offsets", {{131234, 999}, {0, kLetGo}, {7, 4096}, {94000, 1}, {94001, 30000}}},
        {"backwards", {{180000, 4000}, {1000, 4000}, {0, kLetGo}, {500, 10}, {120000, 3000}, {119999, 3000}}},
        {"around the wrap",
         {{kEnd - 3000, 5000},
          {0, 4000},
          {0, kLetGo},
          {kEnd - 1, 100},
          {0, 100},
          {kEnd - 2500, 2500},
          {0, 9000}}},
        {"at and past the end", {{kEnd, 10}, {kEnd - 1, 1}, {0, kLetGo}, {250000, 10}, {123, 4567}}},
        {"nothing asked",
         {{777, 0}, {0, kLetGo}, {777, 0}, {777, 1000}, {0, kLetGo}, {0, kLetGo}, {1777, 10}}},
    };
    // Long enough for the audio to take several pages, so that seeks cross pages.
    const std::vector<unsigned char> mono = AddOgg("mono.ogg", qftest::MakeTone(440, 200000, 1, 22050));
    const std::vector<unsigned char> stereo = AddOgg("stereo.ogg", qftest::MakeTone(700, 200000, 2, 44100));
    for (const char* name : {"mono.ogg", "stereo.ogg"})
    {
        for (bool streaming : {true, false})
        {
            for (const Case& c : cases)
            {
                SCOPED_TRACE(std::string(name) + (streaming ? " streamed, " : " compressed, ") + c.what);
                UpFrontDecoder reference(name == std::string("mono.ogg") ? mono : stereo);
                ASSERT_TRUE(reference.Playable());
                std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
                ASSERT_TRUE(source->InitFromFile(name, streaming));
                ASSERT_EQ(source->GetRawLength(), reference.RawLength());
                const int frameBytes = reference.Channels() * 2;
                const int frames = static_cast<int>(reference.RawLength() / frameBytes);
                source->AddReader();  // a reader, as a spooler is
                for (size_t i = 0; i < c.steps.size(); ++i)
                {
                    const Step& step = c.steps[i];
                    if (step.frames == kLetGo)
                    {
                        source->RemoveReader();
                        EXPECT_FALSE(source->HasDecoder());
                        source->AddReader();
                        continue;
                    }
                    const int frame = step.frame >= kEnd / 2 ? frames - (kEnd - step.frame) : step.frame;
                    const unsigned int offset = static_cast<unsigned int>(frame * frameBytes);
                    const unsigned int length = static_cast<unsigned int>(step.frames * frameBytes);
                    std::vector<unsigned char> got(length + 8, 0xEE), expected(length + 8, 0xEE);
                    const unsigned int n = source->Read(got.data(), offset, length);
                    const unsigned int m = reference.Read(expected.data(), offset, length);
                    ASSERT_EQ(n, m) << "step " << i;
                    ASSERT_TRUE(got == expected) << "step " << i;
                }
                source->RemoveReader();
                EXPECT_FALSE(source->HasDecoder());
            }
        }
    }
}

// A looping spooler carries on across the wrap and across a new spooler (and so a new decoder):
// the PCM is the sound over and over.
TEST_F(HoldingTest, LoopingAcrossTheWrapAndANewDecoderRepeatsTheSound)
{
    const std::vector<unsigned char> bytes = AddOgg("loop.ogg", qftest::MakeTone(330, 30000, 1, 22050));
    UpFrontDecoder reference(bytes);
    const std::vector<unsigned char> once = reference.ReadAll();
    ASSERT_EQ(once.size(), 60000u);
    for (bool streaming : {true, false})
    {
        SCOPED_TRACE(streaming ? "streamed" : "compressed");
        std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
        ASSERT_TRUE(source->InitFromFile("loop.ogg", streaming));
        std::vector<unsigned char> played;
        std::vector<unsigned char> buffer(TSoundStreamData::kBufferBytes);
        for (int spooler = 0; spooler < 2; ++spooler)
        {
            TStreamSpooler reader(source);
            for (int i = 0; i < 3; ++i)
            {
                unsigned int got = 0;
                ASSERT_TRUE(
                    reader.StreamToBuffer(static_cast<int>(buffer.size()), buffer.data(), &got, true));
                ASSERT_EQ(got, buffer.size());
                played.insert(played.end(), buffer.begin(), buffer.end());
            }
            // The next spooler starts again from the start: line the expectation up with it.
            const size_t start = played.size() - 3 * buffer.size();
            for (size_t k = 0; k < 3 * buffer.size(); ++k)
                ASSERT_EQ(played[start + k], once[k % once.size()]) << "spooler " << spooler << " byte " << k;
        }
        EXPECT_FALSE(source->HasDecoder());
    }
}

// Damaged, truncated and missing files: the source opens exactly when a decoder over the same
// bytes opens (with the same format and length, and the same debug line when it does not), and
// a file that opens but breaks later delivers exactly what that decoder delivers, played once
// and again with a new decoder.
TEST_F(HoldingTest, DamagedFilesFailWhereADecoderOpenedOverThemFails)
{
    // Long enough for the audio to take several pages.
    const std::vector<unsigned char> good = qftest::EncodeOggVorbis(qftest::MakeTone(500, 400000, 1, 22050));
    ASSERT_GT(good.size(), 4000u);
    auto cut = [&](size_t n) { return std::vector<unsigned char>(good.begin(), good.begin() + n); };
    // Where the pages begin.
    std::vector<size_t> pages;
    for (size_t i = 0; i + 4 <= good.size(); ++i)
        if (std::memcmp(&good[i], "OggS", 4) == 0)
            pages.push_back(i);
    ASSERT_GT(pages.size(), 6u);
    const size_t middle = pages[pages.size() / 2];
    std::vector<unsigned char> pageRemoved(good.begin(), good.begin() + middle);
    pageRemoved.insert(pageRemoved.end(), good.begin() + pages[pages.size() / 2 + 1], good.end());
    auto flip = [&](size_t at)
    {
        std::vector<unsigned char> bytes = good;
        bytes[at] ^= 0x5A;
        return bytes;
    };
    struct Case
    {
        const char* what;
        bool present;
        std::vector<unsigned char> bytes;
    };
    const std::vector<Case> cases = {
        {"missing", false, {}},
        {"empty", true, {}},
        {"not Ogg", true, qftest::RandomBytes(3000, 11)},
        {"cut in the first page", true, cut(20)},
        {"cut in the headers", true, cut(200)},
        {"cut mid audio", true, cut(good.size() * 2 / 3)},
        {"cut at a page boundary", true, cut(middle)},
        {"a middle page missing", true, pageRemoved},
        {"a middle page damaged", true, flip(middle + 40)},
        {"cut one byte short", true, cut(good.size() - 1)},
        {"header byte damaged", true, flip(60)},
        {"audio byte damaged", true, flip(good.size() / 2)},
        {"last page damaged", true, flip(good.size() - 10)},
        {"three channels", true, qftest::EncodeOggVorbis(qftest::MakeTone(440, 10000, 3, 44100))},
        {"whole", true, good},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        const std::string name = "case" + std::to_string(index++) + ".ogg";
        if (c.present)
            AddBytes(name, c.bytes);
        for (bool streaming : {true, false})
        {
            SCOPED_TRACE(std::string(c.what) + (streaming ? ", streamed" : ", in memory"));
            UpFrontDecoder reference(c.bytes);
            ClearConfig();
            SetConfig(kKeepOGGUncompressedKey, "0");
            const size_t linesBefore = DebugLines().size();
            std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
            const bool opened = source->InitFromFile(name.c_str(), streaming);
            EXPECT_EQ(opened, c.present && reference.Playable());
            EXPECT_EQ(DebugLines().size() - linesBefore, c.present && !reference.Playable() ? 1u : 0u);
            EXPECT_EQ(static_cast<bool>(TSoundDataSourceFactory::Create(name.c_str(), streaming)), opened);
            if (!opened)
            {
                EXPECT_EQ(source->GetRawLength(), 0);
                unsigned char buffer[64];
                EXPECT_EQ(source->Read(buffer, 0, sizeof buffer), 0u);
                continue;
            }
            EXPECT_FALSE(source->HasDecoder());
            ASSERT_EQ(source->GetRawLength(), reference.RawLength());
            EXPECT_EQ(source->GetChannels(), reference.Channels());
            EXPECT_EQ(source->GetBitRate(), reference.Rate());
            for (int play = 0; play < 2; ++play)
            {
                source->AddReader();
                unsigned int position = 0;
                for (int chunk = 0; chunk < 200; ++chunk)
                {
                    std::vector<unsigned char> got(16384, 0xEE), expected(16384, 0xEE);
                    const unsigned int n = source->Read(got.data(), position, 16384);
                    const unsigned int m = reference.Read(expected.data(), position, 16384);
                    ASSERT_EQ(n, m) << "play " << play << " chunk " << chunk;
                    ASSERT_TRUE(got == expected) << "play " << play << " chunk " << chunk;
                    if (n == 0)
                        break;
                    position += n;
                }
                source->RemoveReader();
                EXPECT_FALSE(source->HasDecoder());
            }
        }
    }
}

// A source that nothing reads holds no decoder: not when made, not while a spooler waits, and
// not once the last spooler or the last playing stream is gone.
TEST_F(HoldingTest, IdleSourcesHoldNoDecoder)
{
    AddOgg("song.ogg", qftest::MakeTone(250, kRate * 3, 2, kRate));  // 3 s: streamed or compressed
    for (bool streaming : {true, false})
    {
        SCOPED_TRACE(streaming ? "streamed" : "compressed");
        std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
        ASSERT_TRUE(source->InitFromFile("song.ogg", streaming));
        EXPECT_FALSE(source->HasDecoder());
        std::vector<unsigned char> buffer(4096);
        unsigned int got = 0;
        std::unique_ptr<TStreamSpooler> first(new TStreamSpooler(source));
        EXPECT_FALSE(source->HasDecoder());  // made on the first read, not before
        first->StreamToBuffer(static_cast<int>(buffer.size()), buffer.data(), &got, false);
        EXPECT_TRUE(source->HasDecoder());
        std::unique_ptr<TStreamSpooler> second(new TStreamSpooler(source));
        first.reset();
        EXPECT_TRUE(source->HasDecoder());  // still read by the second
        second->StreamToBuffer(static_cast<int>(buffer.size()), buffer.data(), &got, true);
        second.reset();
        EXPECT_FALSE(source->HasDecoder());
        {
            TStreamSpooler unused(source);
        }
        EXPECT_FALSE(source->HasDecoder());
    }

    // Through sounds: a loop killed, and a sound played to its end and dropped.
    MakeLoopbackManager();
    for (bool inMemory : {false, true})
    {
        SCOPED_TRACE(inMemory ? "compressed sound" : "streamed sound");
        std::shared_ptr<TSound> sound = TSound::Get("song.ogg", inMemory, 0);
        ASSERT_TRUE(sound->HasSource());
        const std::shared_ptr<TSoundDataSource>& source = sound->GetData()->mSource;
        ASSERT_NE(dynamic_cast<TOggDataSource*>(source.get()), nullptr);
        EXPECT_FALSE(HoldsDecoder(source));
        std::shared_ptr<TSoundInstance> loop = sound->Play(true);
        ASSERT_TRUE(loop);
        EXPECT_GT(Peak(RenderWithPasses(4096)), 0.05f);
        EXPECT_TRUE(HoldsDecoder(source));
        loop->Kill();
        loop.reset();
        Passes();
        EXPECT_EQ(mManager->GetStreamCount(), 0u);
        EXPECT_FALSE(HoldsDecoder(source));

        std::shared_ptr<TSoundInstance> once = sound->Play(false);
        ASSERT_TRUE(once);
        once.reset();
        RenderWithPasses(kRate * 3 + 2 * 16384);
        EXPECT_EQ(mManager->GetStreamCount(), 0u);
        EXPECT_FALSE(HoldsDecoder(source));
    }
}

// The slots of looping effects, as the game makes them (one sound per slot and group): short
// ones share a decoded block, long ones each make a decoder when they start. Played together,
// killed and started again in turn, whatever still plays keeps sounding across its loop's wrap.
TEST_F(HoldingTest, LoopSlotsOfOneFileKeepSounding)
{
    AddOgg("buzzloop.ogg", qftest::MakeTone(600, kRate / 2, 1, 22050));     // 1 s
    AddOgg("humloop.ogg", qftest::MakeTone(150, kRate * 3 / 2, 1, 22050));  // 3 s
    MakeLoopbackManager();
    std::vector<std::shared_ptr<TSound>> slots;
    for (int group = 1000; group < 1007; ++group)
        slots.push_back(TSound::Get(group < 1004 ? "buzzloop.ogg" : "humloop.ogg", true, group));
    for (int i = 1; i < 4; ++i)
        ASSERT_EQ(slots[i]->GetData()->mSource, slots[0]->GetData()->mSource);
    for (int i = 5; i < 7; ++i)
        ASSERT_NE(slots[i]->GetData()->mSource, slots[4]->GetData()->mSource);

    // Every chunk of every stage is heard; the stage names what plays.
    auto heard = [&](const char* stage, int seconds)
    {
        for (int chunk = 0; chunk < seconds * kRate / 4096; ++chunk)
        {
            EXPECT_GT(Peak(RenderWithPasses(4096)), 0.05f) << stage << ", chunk " << chunk;
        }
    };
    std::vector<std::shared_ptr<TSoundInstance>> playing;
    for (const std::shared_ptr<TSound>& slot : slots)
        playing.push_back(slot->Play(true));
    heard("all seven", 4);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(HoldsDecoder(slots[i]->GetData()->mSource), i >= 4) << "slot " << i;

    // Slots stop and start in turn; at each stage what is left is heard. Alone, each slot shows
    // that its own sound goes on (the others cannot cover for it).
    auto kill = [&](std::initializer_list<int> which)
    {
        for (int i : which)
        {
            playing[i]->Kill();
            playing[i].reset();
        }
    };
    kill({0, 1, 2, 4, 5});
    heard("the last of each file", 2);
    kill({3});
    heard("the last long slot alone", 4);
    kill({6});
    for (int i = 4; i < 7; ++i)
        EXPECT_FALSE(HoldsDecoder(slots[i]->GetData()->mSource)) << "slot " << i;
    playing[4] = slots[4]->Play(true);
    heard("a long slot started again alone", 4);
    kill({4});
    playing[0] = slots[0]->Play(true);
    heard("a short slot started again alone", 2);
    EXPECT_EQ(mManager->GetStreamCount(), 1u);
}
