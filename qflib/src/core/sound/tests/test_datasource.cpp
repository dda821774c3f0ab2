// Sound data sources: the factory's choice of holding, exact reads at any offset, and refusal
// of files that are not playable Ogg Vorbis.
#include <cstdlib>
#include <random>

#include <vorbis/vorbisfile.h>

#include "foundation/file.h"
#include "scratchdir.h"
#include "soundtestutil.h"

using namespace soundtest;

namespace
{

// Every PCM byte of a source, read in one go from offset 0 on a fresh source.
std::vector<unsigned char> ReadAll(TSoundDataSource& source)
{
    std::vector<unsigned char> out(static_cast<size_t>(source.GetRawLength()));
    const unsigned int got = source.Read(out.data(), 0, static_cast<unsigned int>(out.size()));
    out.resize(got);
    return out;
}

class DataSourceTest : public SoundTest
{
};

}  // namespace

TEST_F(DataSourceTest, NameWithoutExtensionIsFoundThroughTheExtensionScan)
{
    AddOgg("tone.ogg", qftest::MakeTone(440, 22050, 1, 22050));
    std::shared_ptr<TSoundDataSource> source = TSoundDataSourceFactory::Create("tone", false);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetBitRate(), 22050);
    EXPECT_EQ(source->GetChannels(), 1);
    EXPECT_EQ(source->GetRawLength(), 22050 * 2);
    EXPECT_DOUBLE_EQ(source->GetSeconds(), 1.0);
}

TEST_F(DataSourceTest, MissingFileGivesNoSourceAndNoMessage)
{
    EXPECT_FALSE(TSoundDataSourceFactory::Create("nosuchsound", false));
    EXPECT_FALSE(TSoundDataSourceFactory::Create("nosuchsound.ogg", true));
    EXPECT_TRUE(DebugLines().empty());
}

// How a sound is held depends on streaming, its length and "keepogguncompressed".
TEST_F(DataSourceTest, HoldingFollowsStreamingLengthAndConfiguration)
{
    struct Case
    {
        const char* name;
        size_t frames;
        bool streaming;
        const char* keep;  // null: key absent
        bool decodedInMemory;
    };
    const Case cases[] = {
        {"short.ogg", 44100, false, nullptr, true},    // 1.0 s
        {"exact2.ogg", 88200, false, nullptr, false},  // exactly 2.0 s stays compressed
        {"exact2.ogg", 88200, false, "0", false},     {"exact2.ogg", 88200, false, "1", true},
        {"long5.ogg", 220500, true, "1", false},  // streamed: never decoded whole
        {"short.ogg", 44100, true, nullptr, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + (c.streaming ? " streamed" : " in memory") +
                     " keep=" + (c.keep ? c.keep : "absent"));
        AddOgg(c.name, qftest::MakeTone(330, c.frames, 1, 44100));
        ClearConfig();
        if (c.keep)
            SetConfig(kKeepOGGUncompressedKey, c.keep);
        std::shared_ptr<TSoundDataSource> source = TSoundDataSourceFactory::Create(c.name, c.streaming);
        ASSERT_TRUE(source);
        EXPECT_EQ(dynamic_cast<TMemDataSource*>(source.get()) != nullptr, c.decodedInMemory);
        EXPECT_EQ(source->GetRawLength(), static_cast<int64_t>(c.frames) * 2);
    }
}

TEST_F(DataSourceTest, ReadsAtAndPastTheEnd)
{
    AddOgg("stereo.ogg", qftest::MakeTone(500, 30000, 2, 44100));
    std::vector<std::shared_ptr<TSoundDataSource>> sources;
    std::shared_ptr<TOggDataSource> streamed = std::make_shared<TOggDataSource>();
    ASSERT_TRUE(streamed->InitFromFile("stereo.ogg", true));
    sources.push_back(streamed);
    std::shared_ptr<TOggDataSource> compressed = std::make_shared<TOggDataSource>();
    ASSERT_TRUE(compressed->InitFromFile("stereo", false));
    sources.push_back(compressed);
    sources.push_back(std::make_shared<TMemDataSource>(sources[1]));

    for (auto& source : sources)
    {
        const unsigned int raw = static_cast<unsigned int>(source->GetRawLength());
        ASSERT_EQ(raw, 30000u * 4);
        std::vector<unsigned char> buffer(8192);
        EXPECT_EQ(source->Read(buffer.data(), raw, 100), 0u);
        EXPECT_EQ(source->Read(buffer.data(), raw + 4000, 100), 0u);
        // Asking for more than the rest gives the rest; the next read there gives nothing.
        EXPECT_EQ(source->Read(buffer.data(), raw - 400, 4000), 400u);
        EXPECT_EQ(source->Read(buffer.data(), raw, 4000), 0u);
        EXPECT_EQ(source->Read(buffer.data(), 0, 0), 0u);
    }
}

// A read at any offset equals the same slice of a full decode, for all three holdings.
TEST_F(DataSourceTest, RandomOffsetReadsMatchTheFullDecode)
{
    AddOgg("mono.ogg", qftest::MakeTone(440, 50000, 1, 22050));
    AddOgg("stereo.ogg", qftest::MakeTone(700, 40000, 2, 44100));
    for (const char* name : {"mono.ogg", "stereo.ogg"})
    {
        SCOPED_TRACE(name);
        std::shared_ptr<TOggDataSource> reference = std::make_shared<TOggDataSource>();
        ASSERT_TRUE(reference->InitFromFile(name, true));
        const std::vector<unsigned char> all = ReadAll(*reference);
        ASSERT_EQ(all.size(), static_cast<size_t>(reference->GetRawLength()));

        std::vector<std::shared_ptr<TSoundDataSource>> sources;
        std::shared_ptr<TOggDataSource> streamed = std::make_shared<TOggDataSource>();
        ASSERT_TRUE(streamed->InitFromFile(name, true));
        sources.push_back(streamed);
        std::shared_ptr<TOggDataSource> compressed = std::make_shared<TOggDataSource>();
        ASSERT_TRUE(compressed->InitFromFile(name, false));
        sources.push_back(compressed);
        sources.push_back(std::make_shared<TMemDataSource>(compressed));

        const unsigned int frameBytes = static_cast<unsigned int>(reference->GetChannels()) * 2;
        std::mt19937 random(1234);
        for (auto& source : sources)
        {
            for (int i = 0; i < 40; ++i)
            {
                const unsigned int frames = static_cast<unsigned int>(all.size() / frameBytes);
                const unsigned int offset = (random() % frames) * frameBytes;
                const unsigned int length = (random() % 20000) * frameBytes;
                std::vector<unsigned char> got(length + 16, 0xEE);
                const unsigned int n = source->Read(got.data(), offset, length);
                const unsigned int expected =
                    std::min<unsigned int>(length, static_cast<unsigned int>(all.size()) - offset);
                ASSERT_EQ(n, expected) << "offset " << offset;
                ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, all.begin() + offset))
                    << "offset " << offset;
                ASSERT_EQ(got[n], 0xEE);  // nothing written past the count
            }
        }
    }
}

TEST_F(DataSourceTest, BytesThatAreNotOggGiveTheMessageAndNoSource)
{
    AddBytes("noise.ogg", qftest::RandomBytes(5000, 7));
    EXPECT_FALSE(TSoundDataSourceFactory::Create("noise.ogg", false));
    EXPECT_FALSE(TSoundDataSourceFactory::Create("noise.ogg", true));
    EXPECT_TRUE(HasDebugLine("OGG file could not be opened"));
}

TEST_F(DataSourceTest, ThreeChannelFileIsRefused)
{
    qftest::Pcm pcm = qftest::MakeTone(440, 10000, 3, 44100);
    std::vector<unsigned char> bytes = qftest::EncodeOggVorbis(pcm);
    ASSERT_FALSE(bytes.empty());
    AddBytes("three.ogg", bytes);
    EXPECT_FALSE(TSoundDataSourceFactory::Create("three.ogg", false));
    EXPECT_TRUE(HasDebugLine("OGG file could not be opened"));
}

TEST_F(DataSourceTest, EmptySoundHasNoPcm)
{
    AddOgg("empty.ogg", qftest::MakeSilence(0, 1, 44100));
    std::shared_ptr<TSoundDataSource> source = TSoundDataSourceFactory::Create("empty.ogg", false);
    if (source)  // a stream of headers only may open; it must then hold nothing
    {
        EXPECT_EQ(source->GetRawLength(), 0);
        unsigned char buffer[64];
        EXPECT_EQ(source->Read(buffer, 0, sizeof buffer), 0u);
    }
}

TEST_F(DataSourceTest, DiskFileStreamsThroughTheFileLayer)
{
    // "::" names are used lower-cased: the folder name must be lower case.
    TScratchDir folder("qfsoundtest", TScratchName::kLowerCase);
    const std::string path = folder / "disk.ogg";
    ASSERT_TRUE(qftest::WriteBytes(path, qftest::EncodeOggVorbis(qftest::MakeTone(440, 30000, 2, 44100))));

    std::shared_ptr<TSoundDataSource> source = TSoundDataSourceFactory::Create(("::" + path).c_str(), true);
    ASSERT_TRUE(source);
    EXPECT_NE(dynamic_cast<TOggDataSource*>(source.get()), nullptr);
    EXPECT_EQ(ReadAll(*source).size(), 30000u * 4);
    // Extension-less through the retry with ".ogg".
    std::shared_ptr<TOggDataSource> retry = std::make_shared<TOggDataSource>();
    EXPECT_TRUE(retry->InitFromFile(("::" + path.substr(0, path.size() - 4)).c_str(), false));
}

TEST_F(DataSourceTest, MemoryCallbacksClampSeeks)
{
    TOggMem* mem = new TOggMem;
    mem->data = static_cast<unsigned char*>(malloc(10));
    mem->size = 10;
    EXPECT_EQ(TOggMem::ogg_mem_seek(mem, -5, SEEK_SET), 0);
    EXPECT_EQ(TOggMem::ogg_mem_tell(mem), 0);
    EXPECT_EQ(TOggMem::ogg_mem_seek(mem, 50, SEEK_CUR), 0);
    EXPECT_EQ(TOggMem::ogg_mem_tell(mem), 10);
    EXPECT_EQ(TOggMem::ogg_mem_seek(mem, -3, SEEK_END), 0);
    EXPECT_EQ(TOggMem::ogg_mem_tell(mem), 7);
    EXPECT_EQ(TOggMem::ogg_mem_seek(mem, 0, 99), -1);
    EXPECT_EQ(TOggMem::ogg_mem_tell(mem), 7);
    unsigned char out[16];
    EXPECT_EQ(TOggMem::ogg_mem_read(out, 1, 16, mem), 3u);
    EXPECT_EQ(TOggMem::ogg_mem_close(mem), 0);
}

TEST_F(DataSourceTest, FileReadCallbackReturnsWholeItemsOnly)
{
    std::vector<unsigned char> bytes = qftest::RandomBytes(10, 5);
    AddBytes("ten.bin", bytes);
    TFile* file = qf_open("ten.bin", kFileRead);
    ASSERT_NE(file, nullptr);
    unsigned char out[12];
    EXPECT_EQ(qf_read_func(out, 4, 3, file), 2u);  // 8 bytes; the partial third item is left
    EXPECT_EQ(qf_tell_func(file), 8);
    EXPECT_EQ(qf_seek_func(file, -2, SEEK_END), 0);
    EXPECT_EQ(qf_tell_func(file), 8);
    EXPECT_EQ(qf_seek_func(file, 3, SEEK_SET), 0);
    EXPECT_EQ(qf_read_func(out, 1, 12, file), 7u);
    EXPECT_EQ(out[0], bytes[3]);
    EXPECT_EQ(qf_close_func(file), 0);
}
