// Saved state: backups kept on each save, damaged files kept aside and replaced by a whole
// backup, one report per restored or lost file, and the sweep of interrupted saves.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/savedstate.h"
#include "foundation/xml.h"
#include "test_file_support.h"

using qftest::ReadAll;

namespace
{
std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Damaged(const std::string& folder, const std::string& file)
{
    std::vector<std::string> out;
    for (const std::string& name : ListDir(folder))
        if (name.compare(0, file.size() + 9, file + ".damaged-") == 0)
            out.push_back(name);
    return out;
}

const std::string kOld = "<profiles active=\"Ann\"><profile name=\"Ann\"></profile></profiles>";
const std::string kNew = "<profiles active=\"Bob\"><profile name=\"Bob\"></profile></profiles>";

class SavedState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qftest::ResetFileLayer(mDir);
        TFile::ScanForResources();
        TakeSavedStateReports();
        qfSetDbgSink([this](const char* line) { mLines.push_back(line); });
    }
    void TearDown() override
    {
        qfSetDbgSink(TDbgSink());
        TakeSavedStateReports();
        TFile::ShutDownFileSystem();
        TFile::InternalAddFileMask("-*", true);
    }
    TSavedStateRead Read(const char* name = "user:profiles.xml")
    {
        return ReadSavedState(str(name), TXmlNode::IsWholeDocument);
    }
    bool Write(const std::string& bytes, const char* name = "user:profiles.xml")
    {
        return WriteSavedState(str(name), bytes.data(), bytes.size(), TXmlNode::IsWholeDocument);
    }
    std::string User(const std::string& rel) const { return mDir / ("user/" + rel); }

    TScratchDir mDir;
    std::vector<std::string> mLines;
};
}  // namespace

TEST_F(SavedState, EachSaveKeepsTheVersionItReplacesAsTheBackup)
{
    ASSERT_TRUE(Write(kOld));
    EXPECT_EQ(ReadAll(User("profiles.xml")), kOld);
    EXPECT_FALSE(std::filesystem::exists(User("profiles.xml.bak")));  // nothing replaced yet
    ASSERT_TRUE(Write(kNew));
    EXPECT_EQ(ReadAll(User("profiles.xml")), kNew);
    EXPECT_EQ(ReadAll(User("profiles.xml.bak")), kOld);
    ASSERT_TRUE(Write(kOld));
    EXPECT_EQ(ReadAll(User("profiles.xml.bak")), kNew);
    // No temporary file is left behind.
    EXPECT_EQ(ListDir(mDir / "user"), (std::vector<std::string>{"profiles.xml", "profiles.xml.bak"}));
}

TEST_F(SavedState, ADamagedVersionIsNeverTakenAsTheBackup)
{
    ASSERT_TRUE(Write(kOld));
    ASSERT_TRUE(Write(kNew));                             // backup: kOld
    mDir.Write("user/profiles.xml", kNew.substr(0, 20));  // damaged while the game ran
    ASSERT_TRUE(Write(kNew));
    EXPECT_EQ(ReadAll(User("profiles.xml.bak")), kOld);
    const std::vector<std::string> kept = Damaged(mDir / "user", "profiles.xml");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadAll(User(kept[0])), kNew.substr(0, 20));
}

TEST_F(SavedState, WholeFilesReadAsTheyAre)
{
    EXPECT_EQ(Read().mOutcome, kSavedStateMissing);
    mDir.Write("user/profiles.xml", kOld);
    TSavedStateRead read = Read();
    EXPECT_EQ(read.mOutcome, kSavedStateRead);
    EXPECT_EQ(read.mBytes, kOld);
    EXPECT_TRUE(TakeSavedStateReports().empty());
    EXPECT_TRUE(mLines.empty());
}

TEST_F(SavedState, DamagedFilesAreKeptAsideAndTheirBackupTakesTheirPlace)
{
    struct Case
    {
        std::string file;  // "" for an empty file
        bool withBackup;
        eSavedStateOutcome outcome;
        bool keptCopy;
    };
    const std::string truncated = kNew.substr(0, kNew.size() / 2);
    const std::string noise("\x9c\x01<<\xff\"q=", 8);
    const Case cases[] = {
        {truncated, true, kSavedStateRestored, true}, {noise, true, kSavedStateRestored, true},
        {"", true, kSavedStateRestored, false},       {truncated, false, kSavedStateLost, true},
        {noise, false, kSavedStateLost, true},        {"", false, kSavedStateMissing, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file + (c.withBackup ? " with backup" : " without backup"));
        std::filesystem::remove_all(mDir / "user");
        mDir.MakeDir("user");
        mDir.Write("user/profiles.xml", c.file);
        if (c.withBackup)
            mDir.Write("user/profiles.xml.bak", kOld);
        mLines.clear();

        TSavedStateRead read = Read();
        EXPECT_EQ(read.mOutcome, c.outcome);
        const std::vector<std::string> kept = Damaged(mDir / "user", "profiles.xml");
        ASSERT_EQ(kept.size(), c.keptCopy ? 1u : 0u);
        if (c.keptCopy)
        {
            // The damaged bytes are kept whole, under the documented name.
            EXPECT_EQ(ReadAll(User(kept[0])), c.file);
            EXPECT_EQ(kept[0].size(), std::string("profiles.xml.damaged-YYYYMMDD-HHMMSS").size());
            EXPECT_EQ(read.mDamagedCopy, User(kept[0]));
            EXPECT_EQ(std::count_if(mLines.begin(), mLines.end(),
                                    [](const std::string& l)
                                    { return l.find("damaged") != std::string::npos; }),
                      1);
        }
        std::vector<TSavedStateReport> reports = TakeSavedStateReports();
        if (c.outcome == kSavedStateRestored)
        {
            EXPECT_EQ(read.mBytes, kOld);
            EXPECT_EQ(ReadAll(User("profiles.xml")), kOld);
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_TRUE(reports[0].mRestored);
            EXPECT_EQ(reports[0].mFile, "profiles.xml");
        }
        else if (c.outcome == kSavedStateLost)
        {
            EXPECT_TRUE(read.mBytes.empty());
            EXPECT_FALSE(std::filesystem::exists(User("profiles.xml")));
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_FALSE(reports[0].mRestored);
        }
        else
            EXPECT_TRUE(reports.empty());
    }
}

TEST_F(SavedState, KeptCopiesAreNeverOverwritten)
{
    // Three damaged files within the same second get three names.
    for (int i = 0; i < 3; ++i)
    {
        mDir.Write("user/profiles.xml", "<damaged " + std::to_string(i));
        EXPECT_EQ(Read().mOutcome, kSavedStateLost);
    }
    const std::vector<std::string> kept = Damaged(mDir / "user", "profiles.xml");
    ASSERT_EQ(kept.size(), 3u);
    std::vector<std::string> contents;
    for (const std::string& name : kept)
        contents.push_back(ReadAll(User(name)));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"<damaged 0", "<damaged 1", "<damaged 2"}));
}

TEST_F(SavedState, HostPathsWorkLikeUserNames)
{
    const std::string path = mDir / "data/time.dat";
    mDir.MakeDir("data");
    auto fourBytes = [](const char*, size_t n) { return n == 4; };
    const str name(("::" + path).c_str());
    ASSERT_TRUE(WriteSavedState(name, "abcd", 4, fourBytes));  // a new file under "::"
    ASSERT_TRUE(WriteSavedState(name, "efgh", 4, fourBytes));
    EXPECT_EQ(ReadAll(path + ".bak"), "abcd");
    mDir.Write("data/time.dat", "ef");
    TSavedStateRead read = ReadSavedState(name, fourBytes);
    EXPECT_EQ(read.mOutcome, kSavedStateRestored);
    EXPECT_EQ(read.mBytes, "abcd");
}

TEST_F(SavedState, StartUpRemovesOnlyTheTemporariesOfDeadSaves)
{
    mDir.Write("user/.save-AbC123", "left by a killed save");
    mDir.Write("user/.save-live01", "being written");
    mDir.Write("user/.save-toolongname", "not ours");
    mDir.Write("common/.save-XyZ789", "left by a killed save");
    int live = open(User(".save-live01").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(flock(live, LOCK_EX), 0);  // a save in progress holds its lock

    EXPECT_EQ(RemoveInterruptedSaves(), 2);
    close(live);
    EXPECT_EQ(ListDir(mDir / "user"), (std::vector<std::string>{".save-live01", ".save-toolongname"}));
    EXPECT_EQ(ListDir(mDir / "common"), std::vector<std::string>{});
}
