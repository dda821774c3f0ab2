// Pack files: registration order and precedence, damaged directories, and reading entries.
#include <gtest/gtest.h>

#include <string>

#include "foundation/file.h"
#include "foundation/pack.h"
#include "test_file_support.h"

using qftest::MakePack;
using qftest::PackEntry;
using qftest::ReadResource;

namespace
{
std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

class PackFiles : public ::testing::Test
{
protected:
    void SetUp() override { qftest::ResetFileLayer(mDir); }
    void TearDown() override { TFile::ShutDownFileSystem(); }

    TScratchDir mDir;
};
}  // namespace

TEST_F(PackFiles, LaterPacksWinAndLooseFilesBeatPacks)
{
    mDir.Write("assets/b.qfp", MakePack({{"A/B.png", "from b"}, {"only-b.txt", "b only"}}));
    mDir.Write("assets/a.qfp", MakePack({{"a/b.png", "from a"}, {"Dir/Upper.TXT", "upper"}}));
    mDir.Write("assets/notapack.qfpx", MakePack({{"a/b.png", "from qfpx"}}));
    mDir.Write("assets/loose.txt", "loose");
    mDir.Write("assets/c.qfp", MakePack({{"loose.txt", "packed"}}));
    TFile::ScanForResources();
    // "notapack.qfpx" contains ".qfp" and sorts after "b.qfp", so it is a pack and wins.
    EXPECT_EQ(ReadResource("a/b.png"), "from qfpx");
    EXPECT_EQ(ReadResource("ONLY-B.TXT"), "b only");
    EXPECT_EQ(ReadResource("dir/upper.txt"), "upper");
    EXPECT_EQ(ReadResource("loose.txt"), "loose");
    EXPECT_EQ(S(TFile::TranslateResource(str("dir/upper.txt"), true)).substr(0, 1), "@");

    mDir.Write("assets/a/b.png", "loose b");
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("a/b.png"), "loose b");
}

TEST_F(PackFiles, ASecondScanKeepsEveryKey)
{
    mDir.Write("assets/data.qfp", MakePack({{"x.txt", "x"}, {"y/z.txt", "z"}}));
    TFile::ScanForResources();
    const size_t keys = TFile::mResourceMap.size();
    const size_t packs = TFlatFile::mFlatFiles.size();
    TFile::ScanForResources();
    EXPECT_EQ(TFile::mResourceMap.size(), keys);
    EXPECT_EQ(TFlatFile::mFlatFiles.size(), packs + 1);  // registered again under a new index
    EXPECT_EQ(ReadResource("y/z.txt"), "z");
}

TEST_F(PackFiles, DamagedDirectoriesKeepTheWholeRecordsBeforeTheDamage)
{
    const std::string good = MakePack({{"one.txt", "1111"}, {"two.txt", "2222"}, {"three.txt", "3"}});
    std::string lying = good;
    lying[4] = lying[5] = lying[6] = '\xFF';
    lying[7] = '\x7F';  // count 0x7FFFFFFF over three records
    std::string negative = good;
    negative[7] = '\x80';
    struct Case
    {
        const char* what;
        std::string bytes;
        bool registered;  // pack added to the pack list
        int entries;      // leading entries registered
    } cases[] = {
        {"whole", good, true, 3},
        {"cut inside the second name", good.substr(0, 8 + 16 + 3), true, 1},
        {"cut inside the second size", good.substr(0, 8 + 16 + 14), true, 1},
        {"cut after the count", good.substr(0, 8), true, 0},
        {"cut inside the count", good.substr(0, 6), true, 0},
        {"lying count", lying, true, 3},
        {"negative count", negative, true, 0},
        {"short magic", "QFP", false, 0},
        {"wrong magic", "QFPX" + good.substr(4), false, 0},
        {"empty", "", false, 0},
    };
    const char* names[] = {"one.txt", "two.txt", "three.txt"};
    for (const Case& c : cases)
    {
        TFile::ShutDownFileSystem();
        mDir.Write("assets/p.qfp", c.bytes);
        const size_t before = TFlatFile::mFlatFiles.size();
        std::map<str, str> map;
        EXPECT_EQ(TFlatFile::ReadFlatFile(map, str(("::" + (mDir / "assets/p.qfp")).c_str())), c.registered)
            << c.what;
        EXPECT_EQ(TFlatFile::mFlatFiles.size(), before + (c.registered ? 1 : 0)) << c.what;
        EXPECT_EQ(map.size(), (size_t)c.entries) << c.what;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(map.count(str(names[i])), i < c.entries ? 1u : 0u) << c.what << names[i];
    }
    // The entries of a damaged but registered pack still read.
    mDir.Write("assets/p.qfp", good.substr(0, 8 + 16 + 3) + std::string(40, '-'));
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("one.txt").size(), 4u);
}

TEST_F(PackFiles, ReadingClipsToTheEntryAndSetsTheEndFlag)
{
    mDir.Write("assets/r.qfp",
               MakePack({{"ten.bin", "0123456789"}, {"crlf.txt", "a\r\nb\r\nc\r"}, {"next.bin", "NEXT"}}));
    TFile::ScanForResources();
    TFile f;
    ASSERT_TRUE(f.Open(str("ten.bin"), kFileRead));
    EXPECT_EQ(f.Size(), 10u);
    char buf[100];
    EXPECT_EQ(f.Read(buf, 100), 10u);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    EXPECT_TRUE(f.AtEOF());
    EXPECT_EQ(f.Write("x", 1), 0u);

    // Reading exactly the rest leaves the flag clear; the next getc then fails.
    TFile* h = qf_open("ten.bin", kFileRead);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(qf_read(h, buf, 10), 10u);
    EXPECT_FALSE(qf_eof(h));
    EXPECT_EQ(qf_getc(h), -1);
    qf_close(h);

    EXPECT_EQ(ReadResource("crlf.txt", kFileReadText), "a\nb\nc");
    EXPECT_EQ(ReadResource("crlf.txt", kFileRead), "a\r\nb\r\nc\r");
    EXPECT_EQ(ReadResource("next.bin"), "NEXT");
    // Pack entries are read-only: write modes do not open.
    for (eFileMode mode : {kFileWrite, kFileWriteText, kFileAppend, kFileAppendText})
    {
        TFile w;
        EXPECT_FALSE(w.Open(str("ten.bin"), mode)) << mode;
    }
}

TEST_F(PackFiles, SeekUngetAndEndFlagTable)
{
    mDir.Write("assets/s.qfp", MakePack({{"pad.bin", "PPPP"}, {"e.bin", "abcdef"}}));
    TFile::ScanForResources();
    TFile f;
    ASSERT_TRUE(f.Open(str("e.bin"), kFileRead));
    char c;
    struct Step
    {
        char op;  // s: seek, r: read one byte, u: unget
        long offset;
        eFileSeek origin;
        long position;  // Tell afterwards
        int byte;       // for reads: the byte read, -1 for none
        bool eof;
    } steps[] = {
        {'r', 0, 0, 1, 'a', false},
        {'s', 2, kSeekCurrent, 3, 0, false},
        {'r', 0, 0, 4, 'd', false},
        {'u', 0, 0, 3, 0, false},
        {'r', 0, 0, 4, 'd', false},
        {'s', -1, kSeekEnd, 5, 0, false},
        {'r', 0, 0, 6, 'f', false},
        {'r', 0, 0, 6, -1, true},
        {'s', 0, kSeekStart, 0, 0, false},
        {'u', 0, 0, 0, 0, false},
        {'s', 100, kSeekStart, 6, 0, false},  // clamped: flag kept (clear)
        {'r', 0, 0, 6, -1, true},
        {'s', -100, kSeekCurrent, 6, 0, true},  // clamped again: flag kept (set)
        {'u', 0, 0, 5, 0, false},
        {'r', 0, 0, 6, 'f', false},
    };
    int i = 0;
    for (const Step& s : steps)
    {
        if (s.op == 's')
            f.Seek(s.offset, s.origin);
        else if (s.op == 'u')
            f.Unget();
        else
        {
            unsigned long n = f.Read(&c, 1);
            EXPECT_EQ(n ? (unsigned char)c : -1, s.byte) << "step " << i;
        }
        EXPECT_EQ(f.Tell(), s.position) << "step " << i;
        EXPECT_EQ(f.AtEOF(), s.eof) << "step " << i;
        ++i;
    }
}

TEST_F(PackFiles, EntriesPastTheEndOfThePackGiveShortReads)
{
    std::string pack = MakePack({{"short.bin", "abc"}});
    // Claim 1000 bytes for an entry that has 3.
    pack[8 + 1 + 9 + 4] = '\xE8';
    pack[8 + 1 + 9 + 5] = '\x03';
    mDir.Write("assets/t.qfp", pack);
    TFile::ScanForResources();
    TFile f;
    ASSERT_TRUE(f.Open(str("short.bin"), kFileRead));
    EXPECT_EQ(f.Size(), 1000u);
    char buf[64];
    EXPECT_EQ(f.Read(buf, 64), 3u);
    EXPECT_EQ(f.Tell(), 3);
    EXPECT_EQ(f.Read(buf, 64), 0u);
    f.Close();
    EXPECT_EQ(ReadResource("short.bin", kFileReadText), "abc");
}

TEST_F(PackFiles, MalformedLocationsDoNotOpen)
{
    mDir.Write("assets/m.qfp", MakePack({{"m.bin", "m"}}));
    TFile::ScanForResources();
    const char* locations[] = {"@",       "@x:1,1",  "@99999:0,1", "@-1:0,1", "@0",  "@0:5",
                               "@0:-5,1", "@0:0,-1", "&",          "&0,5",    "&12", "&x,1"};
    for (const char* location : locations)
    {
        TFile::mResourceMap[str("bad")] = str(location);
        TFile f;
        EXPECT_FALSE(f.Open(str("bad"), kFileRead)) << location;
    }
}

TEST_F(PackFiles, AnEntryNamedLikeItsPackDoesNotOpenItself)
{
    static std::string bytes = MakePack({{"self.qfp", "inner"}, {"other.txt", "other"}});
    TFile::AddMemoryFile(str("self.qfp"), &bytes[0], static_cast<unsigned int>(bytes.size()));
    std::map<str, str> map;
    ASSERT_TRUE(TFlatFile::ReadFlatFile(map, str("self.qfp")));
    for (const auto& entry : map)
        TFile::mResourceMap[entry.first] = entry.second;
    // "self.qfp" now names the pack's own entry: the pack can no longer be reached, and
    // opening its entries fails instead of recursing.
    EXPECT_EQ(ReadResource("other.txt"), "<none>");
    EXPECT_EQ(ReadResource("self.qfp"), "<none>");
    std::map<str, str> again;
    EXPECT_FALSE(TFlatFile::ReadFlatFile(again, str("self.qfp")));
}
