// The file layer over temporary asset and user trees: name translation, precedence, the mask
// file, prefixes and their refusals, memory files, deletion, iteration and atomic saves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/memfile.h"
#include "test_file_support.h"

using qftest::ReadAll;
using qftest::ReadResource;

namespace
{
std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec))
        names.push_back(e.path().filename().string());
    return names;
}

class FileLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qftest::ResetFileLayer(mDir);
        mDir.Write("assets/Fonts/Arial.MVEC", "font");
        mDir.Write("assets/readme.txt", "top");
        mDir.Write("assets/.svn/entries", "svn");
        mDir.Write("assets/levels/.svn/x.xml", "svn");
        mDir.Write("assets/levels/Soil.xml", "soil");
        mDir.Write("user/Options.xml", "opts");
        mDir.Write("common/shared.txt", "shared");
    }
    void TearDown() override
    {
        qfSetDbgSink(TDbgSink());
        TFile::ShutDownFileSystem();
        TFile::InternalAddFileMask("-*", true);
    }
    std::string Translate(const std::string& name, bool mustExist)
    {
        return S(TFile::TranslateResource(str(name.c_str()), mustExist));
    }

    TScratchDir mDir;
};
}  // namespace

TEST_F(FileLayer, TranslatesNamesCaseInsensitivelyAndThroughTheAssetsFolder)
{
    TFile::ScanForResources();
    const std::string font = mDir / "assets/Fonts/Arial.MVEC";
    const std::string absent = mDir / "assets/absent.txt";
    mDir.Write("loose.bin", "x");
    struct Case
    {
        std::string name;
        bool mustExist;
        std::string expected;
    } cases[] = {
        {"fonts/arial.mvec", true, font},
        {"FONTS/Arial.mvec", true, font},
        {"assets/fonts/arial.mvec", true, font},
        {"assets\\fonts/ARIAL.mvec", true, font},
        {"Assets/Fonts/Arial.MVEC", false, font},
        {"levels/soil.xml", true, mDir / "assets/levels/Soil.xml"},
        {"readme.txt", false, mDir / "assets/readme.txt"},
        {"missing.txt", true, ""},
        {"missing.txt", false, ""},
        {".svn/entries", true, ""},
        {"levels/.svn/x.xml", true, ""},
        {"::" + (mDir / "loose.bin"), true, mDir / "loose.bin"},
        {"::" + absent, false, ""},
        {"user:options.xml", true, mDir / "user/Options.xml"},
        {"common:shared.txt", true, mDir / "common/shared.txt"},
        {"user:nothing.xml", true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Translate(c.name, c.mustExist), c.expected) << c.name;
    EXPECT_EQ(ReadResource("FONTS/ARIAL.MVEC"), "font");
    EXPECT_EQ(ReadResource("user:OPTIONS.XML"), "opts");
}

TEST_F(FileLayer, MaskFileIgnoresNamesAfterTheLastClear)
{
    mDir.Write("final.txt", "readme.txt -*\r\nLevels\tuser:options.xml\n");
    mDir.Write("glimmora.txt", "fonts");
    TFile::ScanForResources();
    EXPECT_NE(Translate("readme.txt", true), "");
    // A masked folder is skipped with everything below it.
    EXPECT_EQ(Translate("levels/soil.xml", true), "");
    EXPECT_NE(Translate("fonts/arial.mvec", true), "");
    // A masked prefixed name exists only for writing.
    EXPECT_EQ(Translate("user:options.xml", true), "");
    EXPECT_EQ(Translate("user:options.xml", false), mDir / "user/options.xml");
    EXPECT_TRUE(TFile::InternalAddFileMask("a -* b", true));
    EXPECT_FALSE(TFile::InternalAddFileMask("b", false));
    EXPECT_TRUE(TFile::mIgnoredFiles.empty());
}

TEST_F(FileLayer, GlimmoraFlagChoosesItsOwnMaskFile)
{
    mDir.Write("final.txt", "readme.txt");
    mDir.Write("glimmora.txt", "FONTS");
    TFile::mGlimmora = true;
    TFile::ScanForResources();
    EXPECT_NE(Translate("readme.txt", true), "");
    EXPECT_EQ(Translate("fonts/arial.mvec", true), "");
}

TEST_F(FileLayer, OversizedMaskFileIsIgnored)
{
    mDir.Write("final.txt", "readme.txt " + std::string(100000, ' '));
    TFile::ScanForResources();
    EXPECT_NE(Translate("readme.txt", true), "");
}

TEST_F(FileLayer, UserWritesCreateFoldersAndAreCached)
{
    TFile::ScanForResources();
    EXPECT_EQ(Translate("user:saves/slot1/game.xml", true), "");
    EXPECT_EQ(ReadResource("user:saves/slot1/game.xml"), "<none>");
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:Saves/Slot1/Game.xml"), kFileWrite));
        EXPECT_EQ(f.Write("hello", 5), 5u);
    }
    EXPECT_EQ(ReadAll(mDir / "user/saves/slot1/game.xml"), "hello");
    EXPECT_EQ(ReadResource("user:saves/slot1/GAME.xml"), "hello");

    // A translation for writing is cached: later must-exist look-ups trust it.
    EXPECT_EQ(Translate("common:later/never.txt", false), mDir / "common/later/never.txt");
    EXPECT_TRUE(TFile::Exists(str("common:later/never.txt")));

    // Append mode writes in place.
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:saves/slot1/game.xml"), kFileAppend));
        f.Write(" world", 6);
    }
    EXPECT_EQ(ReadAll(mDir / "user/saves/slot1/game.xml"), "hello world");
}

TEST_F(FileLayer, PrefixedNamesNeverLeaveTheirFolder)
{
    mDir.Write("outside.txt", "secret");
    mDir.Write("user/inside/a..b.txt", "dots");
    TFile::ScanForResources();
    const char* refused[] = {"user:../outside.txt",
                             "USER:../outside.txt",
                             "common:../outside.txt",
                             "desktop:../outside.txt",
                             "user:inside/../../outside.txt",
                             "user:..",
                             "user:a/..",
                             "user:../user/options.xml"};
    for (const char* name : refused)
    {
        for (bool mustExist : {true, false})
            EXPECT_EQ(Translate(name, mustExist), "") << name;
        for (eFileMode mode : {kFileRead, kFileReadText, kFileWrite, kFileAppend})
        {
            TFile f;
            EXPECT_FALSE(f.Open(str(name), mode)) << name << " mode " << mode;
        }
        EXPECT_FALSE(TFile::Exists(str(name)));
        EXPECT_FALSE(TFile::DeleteFile(str(name)));
    }
    EXPECT_EQ(ReadAll(mDir / "outside.txt"), "secret");
    EXPECT_EQ(ReadResource("user:inside/a..b.txt"), "dots");
}

TEST_F(FileLayer, PrefixWithoutAFolderLeadsNowhere)
{
    TFile::SetUserDir(str(""));
    TFile::SetDesktopDir(str());
    EXPECT_EQ(Translate("user:x.txt", false), "");
    EXPECT_EQ(Translate("desktop:x.txt", true), "");
    TFile f;
    EXPECT_FALSE(f.Open(str("user:qf-should-not-exist.txt"), kFileWrite));
    EXPECT_NE(access("/qf-should-not-exist.txt", F_OK), 0);
}

TEST_F(FileLayer, HostPathsAlwaysOpenAsDiskFiles)
{
    // Names that look like memory or pack locations are still files when reached with "::".
    ASSERT_EQ(chdir(mDir.Path().c_str()), 0);
    mDir.Write("&1,4", "disk");
    mDir.Write("@0:0,4", "pack");
    EXPECT_EQ(ReadResource("::&1,4"), "disk");
    EXPECT_EQ(ReadResource("::@0:0,4"), "pack");
    // Host paths are used with their letter case; a missing one fails whatever the mode.
    mDir.Write("MixedCase.txt", "mc");
    EXPECT_EQ(ReadResource("::MixedCase.txt"), "mc");
    TFile f;
    EXPECT_FALSE(f.Open(str("::new-file.txt"), kFileWrite));
    // A folder is not a file.
    EXPECT_FALSE(f.Open(str(("::" + mDir.Path()).c_str()), kFileRead));
}

TEST_F(FileLayer, MemoryFilesReadSeekAndUnregister)
{
    static char bytes[] = {'a', '\r', '\n', 'b'};
    TFile::AddMemoryFile(str("Mem/Data.BIN"), bytes, sizeof bytes);
    EXPECT_TRUE(TFile::Exists(str("mem/data.bin")));
    EXPECT_EQ(ReadResource("mem/data.bin", kFileReadText), "a\nb");
    EXPECT_EQ(ReadResource("mem/data.bin", kFileRead), std::string(bytes, 4));

    TFile f;
    EXPECT_FALSE(f.Open(str("mem/data.bin"), kFileWrite));
    ASSERT_TRUE(f.Open(str("mem/data.bin"), kFileRead));
    EXPECT_EQ(f.Size(), 4u);
    EXPECT_EQ(f.Write("x", 1), 0u);
    struct Seek
    {
        long offset;
        eFileSeek origin;
        long expected;
    } seeks[] = {
        {2, kSeekStart, 2},    {1, kSeekCurrent, 3}, {-1, kSeekEnd, 3},
        {-9, kSeekCurrent, 4}, {0, kSeekStart, 0},   {-1, kSeekStart, 4},
        {9, kSeekStart, 4},    {1, kSeekEnd, 4},     {-4, kSeekEnd, 0},
    };
    for (const Seek& s : seeks)
    {
        f.Seek(s.offset, s.origin);
        EXPECT_EQ(f.Tell(), s.expected) << s.offset << "/" << s.origin;
    }
    char c;
    EXPECT_EQ(f.Read(&c, 1), 1u);
    f.Unget();
    EXPECT_EQ(f.Tell(), 0);
    f.Seek(0, kSeekEnd);
    EXPECT_TRUE(f.AtEOF());
    EXPECT_EQ(f.Read(&c, 1), 0u);
    f.Close();

    EXPECT_TRUE(TFile::DeleteFile(str("MEM/data.bin")));
    EXPECT_FALSE(TFile::Exists(str("mem/data.bin")));
    TFile::AddMemoryFile(str("other"), bytes, 1);
    TFile::AddMemoryFile(str("OTHER"), nullptr, 0);
    EXPECT_FALSE(TFile::Exists(str("other")));
}

TEST_F(FileLayer, LaterRegistrationsWinUntilTheNextScan)
{
    static char memory[] = "memory";
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("readme.txt"), "top");
    TFile::AddMemoryFile(str("readme.txt"), memory, 6);
    EXPECT_EQ(ReadResource("readme.txt"), "memory");
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("readme.txt"), "top");
}

TEST_F(FileLayer, RegisterHookRunsAtEveryScan)
{
    static int calls = 0;
    static char cursor[] = "png";
    TFile::SetRegisterFilesHook(
        []
        {
            ++calls;
            if (!TFile::Exists(str("__systemcursor__.png")))
                TFile::AddMemoryFile(str("__systemcursor__.png"), cursor, 3);
        });
    TFile::ScanForResources();
    TFile::ScanForResources();
    TFile::SetRegisterFilesHook(nullptr);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ReadResource("__systemcursor__.png"), "png");
}

TEST_F(FileLayer, CFunctionsHandleMissingAndEmptyFiles)
{
    mDir.Write("assets/empty.txt", "");
    TFile::ScanForResources();
    TFile* h = qf_open("empty.txt", kFileRead);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(qf_getc(h), -1);
    EXPECT_EQ(qf_error(h), 0);
    qf_close(h);

    EXPECT_EQ(qf_open("nothing.txt", kFileRead), nullptr);
    EXPECT_EQ(qf_open(nullptr, kFileRead), nullptr);
    EXPECT_TRUE(qf_eof(nullptr));
    EXPECT_EQ(qf_getc(nullptr), -1);
    EXPECT_EQ(qf_tell(nullptr), -1);
    EXPECT_EQ(qf_error(nullptr), 1);
    qf_close(nullptr);

    TFile unopened;
    EXPECT_FALSE(unopened.IsValid());
    EXPECT_EQ(unopened.Read(nullptr, 4), 0u);
    EXPECT_EQ(unopened.Tell(), -1);
    EXPECT_TRUE(unopened.AtEOF());

    h = qf_open("readme.txt", kFileRead);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(qf_getc(h), 't');
    qf_ungetc(h);
    EXPECT_EQ(qf_getc(h), 't');
    EXPECT_EQ(qf_getc(h), 'o');
    EXPECT_EQ(qf_getc(h), 'p');
    EXPECT_EQ(qf_getc(h), -1);
    EXPECT_TRUE(qf_eof(h));
    EXPECT_EQ(qf_size(h), 3u);
    qf_close(h);
}

TEST_F(FileLayer, DiskTextModeKeepsCarriageReturns)
{
    mDir.Write("assets/crlf.txt", "a\r\nb");
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("crlf.txt", kFileReadText), "a\r\nb");
}

TEST_F(FileLayer, DeleteFileOnlyRemovesUserAndCommonFiles)
{
    mDir.Write("user/del.txt", "x");
    mDir.Write("user/sub/keep.txt", "x");
    TFile::ScanForResources();
    EXPECT_FALSE(TFile::DeleteFile(str("readme.txt")));
    EXPECT_EQ(ReadAll(mDir / "assets/readme.txt"), "top");
    EXPECT_FALSE(TFile::DeleteFile(str("user:sub/../del.txt")));
    EXPECT_FALSE(TFile::DeleteFile(str("user:missing.txt")));
    EXPECT_FALSE(TFile::DeleteFile(str(("::" + (mDir / "user/del.txt")).c_str())));
    EXPECT_TRUE(TFile::DeleteFile(str("USER:Del.txt")));
    EXPECT_NE(access((mDir / "user/del.txt").c_str(), F_OK), 0);
    EXPECT_FALSE(TFile::Exists(str("user:del.txt")));
    EXPECT_TRUE(TFile::Exists(str("user:sub/keep.txt")));
}

TEST_F(FileLayer, GetNextFileWalksMapNamesBelowAFolder)
{
    mDir.Write("assets/fonts/a.mvec", "");
    mDir.Write("assets/fonts/sub/b.mvec", "");
    mDir.Write("assets/fonts2/c.txt", "");
    mDir.Write("assets/fontsx.txt", "");
    mDir.Write("assets/zzz.txt", "");
    TFile::ScanForResources();
    auto walk = [](const char* folder, bool recursive)
    {
        std::vector<std::string> names;
        str current;
        while (TFile::GetNextFile(str(folder), &current, recursive))
            names.push_back(S(current));
        return names;
    };
    EXPECT_EQ(walk("Fonts", false),
              (std::vector<std::string>{"fonts/a.mvec", "fonts/arial.mvec", "fontsx.txt"}));
    EXPECT_EQ(walk("fonts", true),
              (std::vector<std::string>{"fonts/a.mvec", "fonts/arial.mvec", "fonts/sub/b.mvec",
                                        "fonts2/c.txt", "fontsx.txt"}));
    EXPECT_EQ(walk("user:", false), (std::vector<std::string>{"user:options.xml"}));
    EXPECT_TRUE(walk("nothing", true).empty());
}

TEST_F(FileLayer, ActivexSkipsTheUserAndCommonFolders)
{
    TFile::ScanForResources();
    EXPECT_TRUE(TFile::mResourceMap.count(str("user:options.xml")));
    EXPECT_TRUE(TFile::mResourceMap.count(str("common:shared.txt")));
    TFile::ShutDownFileSystem();
    EXPECT_TRUE(TFile::mResourceMap.empty());

    qfSetConfigReader([](const char* key) { return str(strcmp(key, "activex") == 0 ? "1" : ""); });
    TFile::ScanForResources();
    qfSetConfigReader(nullptr);
    EXPECT_FALSE(TFile::mResourceMap.count(str("user:options.xml")));
    EXPECT_FALSE(TFile::mResourceMap.count(str("common:shared.txt")));
    EXPECT_TRUE(TFile::mResourceMap.count(str("readme.txt")));
}

TEST_F(FileLayer, ReplaceWritesAreAtomic)
{
    mDir.Write("user/save.xml", "old contents");
    TFile::ScanForResources();
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:save.xml"), kFileWrite));
        f.Write("new", 3);
        // Until Close the old contents stay in place.
        EXPECT_EQ(ReadAll(mDir / "user/save.xml"), "old contents");
    }
    EXPECT_EQ(ReadAll(mDir / "user/save.xml"), "new");
    std::vector<std::string> names = ListDir(mDir / "user");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Options.xml", "save.xml"}));
}

TEST_F(FileLayer, FailedWriteKeepsTheOldFileAndSaysSo)
{
    mDir.Write("user/save.xml", "old contents");
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });

    // Force the write to fail: a file-size limit below what is written (the signal is ignored,
    // so the write reports EFBIG instead of ending the process).
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:save.xml"), kFileWrite));
        std::string big(10000, 'n');
        f.Write(big.data(), big.size());
    }
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(ReadAll(mDir / "user/save.xml"), "old contents");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("save.xml"), std::string::npos);
    for (const std::string& name : ListDir(mDir / "user"))
        EXPECT_EQ(name.find(".save-"), std::string::npos) << name;
}

// A full disk: the write puts part of the bytes (or none) and fails with ENOSPC. Whatever the
// later steps of the save do, the log and the save's cause name that error, and the old file
// stays.
namespace
{
size_t gDiskRoom = 0;
size_t FullDiskWrite(const void* data, size_t n, FILE* file)
{
    const size_t put = fwrite(data, 1, std::min(n, gDiskRoom), file);
    gDiskRoom -= put;
    if (put < n)
        errno = ENOSPC;
    return put;
}
}  // namespace

TEST_F(FileLayer, AFullDiskIsReportedAsSuch)
{
    mDir.Write("user/save.xml", "old contents");
    std::vector<std::string> lines;
    qfSetDbgSink([&lines](const char* line) { lines.push_back(line); });
    for (size_t room : {size_t(0), size_t(5000), size_t(70000)})
    {
        lines.clear();
        gDiskRoom = room;
        TDiskFileData::SetWriteFunction(FullDiskWrite);
        bool saved = true;
        {
            TFile f;
            ASSERT_TRUE(f.Open(str("user:save.xml"), kFileWrite));
            std::string big(100000, 'n');
            f.Write(big.data(), big.size());
            saved = f.Commit();
        }
        TDiskFileData::SetWriteFunction(nullptr);
        EXPECT_FALSE(saved) << room;
        EXPECT_EQ(TFile::LastSaveError(), ENOSPC) << room;
        EXPECT_STREQ(TFile::LastSaveErrorText().c_str(), strerror(ENOSPC));
        EXPECT_EQ(ReadAll(mDir / "user/save.xml"), "old contents");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("save.xml: No space left on device"), std::string::npos) << lines[0];
        for (const std::string& name : ListDir(mDir / "user"))
            EXPECT_EQ(name.find(".save-"), std::string::npos) << name;
    }
    // A save that works clears the cause.
    TFile f;
    ASSERT_TRUE(f.Open(str("user:save.xml"), kFileWrite));
    f.Write("new", 3);
    EXPECT_TRUE(f.Commit());
    EXPECT_EQ(TFile::LastSaveError(), 0);
    EXPECT_EQ(ReadAll(mDir / "user/save.xml"), "new");
}

TEST_F(FileLayer, DiskUngetPushesBackOnlyTheLastByteRead)
{
    TFile::ScanForResources();
    TFile f;
    ASSERT_TRUE(f.Open(str("readme.txt"), kFileRead));
    f.Unget();  // nothing read yet: no effect
    EXPECT_EQ(f.Tell(), 0);
    char buf[2];
    ASSERT_EQ(f.Read(buf, 2), 2u);
    f.Unget();
    f.Unget();  // only one byte can be pushed back
    EXPECT_EQ(f.Tell(), 1);
    EXPECT_EQ(f.Read(buf, 2), 2u);
    EXPECT_EQ(std::string(buf, 2), "op");
}

// The folders are named from the environment overrides or the XDG data folder, and naming them
// makes nothing: a start that saves nothing leaves no empty folders behind.
TEST(FileFolders, EnvironmentOverridesAndXdgDefaultsAreNamedNotMade)
{
    TScratchDir dir;
    const std::string user = dir / "u/deep";
    setenv("ZESTKIT_USER_DIR", (user + "/").c_str(), 1);
    setenv("ZESTKIT_COMMON_DIR", (dir / "c").c_str(), 1);
    setenv("ZESTKIT_DESKTOP_DIR", (dir / "d").c_str(), 1);
    setenv("ZESTKIT_RESOURCES_DIR", dir.Path().c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    EXPECT_EQ(S(TFile::DefaultUserDir("game")), user);
    EXPECT_EQ(S(TFile::DefaultCommonDir("pub", "game")), dir / "c");
    EXPECT_EQ(S(TFile::DefaultDesktopDir()), dir / "d");
    EXPECT_EQ(S(TFile::DefaultResourcesDir()), dir.Path());
    EXPECT_EQ(TFile::ResourcesFolderCandidates(), std::vector<str>{str(dir.Path().c_str())});

    // The user folder overridden and the common one not: the common folder under the data
    // folder is named but, like the user folder, not made.
    unsetenv("ZESTKIT_COMMON_DIR");
    EXPECT_EQ(S(TFile::DefaultCommonDir("Pub", "game")), dir / "data/Pub/game");
    unsetenv("ZESTKIT_USER_DIR");
    EXPECT_EQ(S(TFile::DefaultUserDir("game")), dir / "data/game");
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{}) << "naming a folder makes nothing";
    unsetenv("XDG_DATA_HOME");
    unsetenv("ZESTKIT_DESKTOP_DIR");
    unsetenv("ZESTKIT_RESOURCES_DIR");
}

// Without an override the resources folder is looked for beside the program: its own folder,
// the installed data folder (bin/../share/<game>) and its parent (the build tree), in that order.
TEST(FileFolders, ResourcesFolderIsFoundBesideTheProgram)
{
    unsetenv("ZESTKIT_RESOURCES_DIR");
    const std::string exe = std::filesystem::canonical("/proc/self/exe").string();
    const std::string bin = exe.substr(0, exe.rfind('/'));
    const std::string parent = bin.substr(0, bin.rfind('/'));
    const std::vector<str> looked = TFile::ResourcesFolderCandidates();
    ASSERT_EQ(looked.size(), 3u);
    EXPECT_EQ(S(looked[0]), bin);
    EXPECT_EQ(S(looked[1]), parent + "/share/wombixomnivora");
    EXPECT_EQ(S(looked[2]), parent);
    // The test programs sit in the build tree's bin/, beside assets/.
    EXPECT_EQ(S(TFile::DefaultResourcesDir()),
              std::filesystem::is_directory(parent + "/assets") ? parent : "");
}

// Saved state is the player's own: every folder the first save makes, the user folder itself and
// its missing parents included, is private to the user whatever the umask allows.
TEST(FileFolders, FirstSaveMakesTheMissingFoldersPrivate)
{
    TScratchDir dir;
    qftest::ResetFileLayer(dir);
    const std::string user = dir / "data/wombix/user";
    TFile::SetUserDir(str(user.c_str()));
    TFile::SetCommonDir(str((dir / "data/pub/common").c_str()));
    const mode_t old = umask(0);
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:saves/slot1/game.xml"), kFileWrite));
        EXPECT_EQ(f.Write("hi", 2), 2u);
    }
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("common:shared.xml"), kFileWrite));
    }
    umask(old);
    EXPECT_EQ(ReadAll(user + "/saves/slot1/game.xml"), "hi");
    for (const std::string& folder : {dir / "data", dir / "data/wombix", user, user + "/saves",
                                      user + "/saves/slot1", dir / "data/pub", dir / "data/pub/common"})
    {
        struct stat st;
        ASSERT_EQ(stat(folder.c_str(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    // A folder that exists keeps its own permissions.
    struct stat st;
    ASSERT_EQ(stat(dir.Path().c_str(), &st), 0);
    const mode_t before = st.st_mode & 0777;
    ASSERT_EQ(chmod((dir / "desktop").c_str(), 0755), 0);
    TFile::SetUserDir(str((dir / "desktop").c_str()));
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:x.txt"), kFileWrite));
    }
    ASSERT_EQ(stat((dir / "desktop").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    ASSERT_EQ(stat(dir.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, before);
    TFile::ShutDownFileSystem();
}

TEST_F(FileLayer, SymbolicLinkLoopsAreNotFollowed)
{
    mDir.Write("assets/real/inside.txt", "in");
    ASSERT_EQ(symlink(".", (mDir / "assets/real/self").c_str()), 0);
    ASSERT_EQ(symlink("..", (mDir / "assets/real/up").c_str()), 0);
    ASSERT_EQ(symlink((mDir / "assets/real").c_str(), (mDir / "assets/linked").c_str()), 0);
    TFile::ScanForResources();
    EXPECT_EQ(ReadResource("real/inside.txt"), "in");
    EXPECT_EQ(ReadResource("linked/inside.txt"), "in");  // a link to a folder is followed once
    EXPECT_EQ(TFile::mResourceMap.count(str("real/self/inside.txt")), 0u);
    EXPECT_LT(TFile::mResourceMap.size(), 20u);
}

TEST_F(FileLayer, NewFilesGetTheUsualPermissionsAndReplacedOnesKeepTheirs)
{
    const mode_t old = umask(022);
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:fresh.txt"), kFileWrite));
    }
    struct stat st;
    ASSERT_EQ(stat((mDir / "user/fresh.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(chmod((mDir / "user/fresh.txt").c_str(), 0600), 0);
    {
        TFile f;
        ASSERT_TRUE(f.Open(str("user:fresh.txt"), kFileWrite));
        f.Write("x", 1);
    }
    ASSERT_EQ(stat((mDir / "user/fresh.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    umask(old);
}
