#include <gtest/gtest.h>

#include <cstring>

#include "online/gamedata.h"
#include "online/metricshandler.h"
#include "online_fixture.h"

using onlinetest::FakeNow;
using onlinetest::OnlineFixture;

namespace
{

struct Record
{
    std::string name, stamp, fields;  // fields: the text after the time stamp's line end
};

// Splits a metrics file into records (each ends with "\r\n"; its time stamp ends with "\n").
std::vector<Record> Records(const std::string& text)
{
    std::vector<Record> out;
    size_t pos = 0;
    while (pos < text.size())
    {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string record = text.substr(pos, end - pos);
        size_t comma = record.find(',');
        size_t line = record.find('\n');
        Record r;
        r.name = record.substr(0, comma);
        r.stamp =
            comma == std::string::npos
                ? ""
                : record.substr(comma + 1, line == std::string::npos ? std::string::npos : line - comma);
        r.fields = line == std::string::npos ? "" : record.substr(line + 1);
        out.push_back(r);
        pos = end + 2;
    }
    return out;
}

std::string LittleEndian(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = char((v >> (8 * i)) & 0xFF);
    return s;
}

class StatisticsTest : public OnlineFixture
{
protected:
    std::string UserDir() { return root + "/user"; }
    std::vector<Record> Metrics() { return Records(ReadFile("user/metrics.txt")); }
};

TEST_F(StatisticsTest, RecordLayoutAndQuoting)
{
    TQfGameData data;
    data.SetPath(UserDir());
    data.Write("level1", {"5", "abc", "", "a\"b"});
    const std::string text = ReadFile("user/metrics.txt");
    ASSERT_EQ(text.compare(0, 7, "level1,"), 0);
    EXPECT_EQ(text.compare(7, 26, "The current date/time is: "), 0);
    auto records = Records(text);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].stamp.back(), '\n');
    EXPECT_EQ(records[0].fields, ",5,\"abc\",\"\",\"a\"\"b\"");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    struct Case
    {
        const char* value;
        const char* field;
    };
    const Case cases[] = {
        {"3,5", "\"3,5\""},
        {"12", "12"},
        {"-1", "\"-1\""},
        {"0", "0"},
        // Quotation marks and line ends are quoted even after a leading digit.
        {"1\"2", "\"1\"\"2\""},
        {"1\r\n2", "\"1\r\n2\""},
        {"7\n", "\"7\n\""},
        {"", "\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TQfGameData::FormatField(c.value), c.field) << c.value;
}

TEST_F(StatisticsTest, NothingIsWrittenWithoutAPath)
{
    TQfGameData data;
    data.Write("lost", {"1"});
    data.SaveElapsedTime();
    EXPECT_TRUE(data.GetOutputPath().empty());
    EXPECT_FALSE(FileExists("metrics.txt"));
}

TEST_F(StatisticsTest, OutputFileNames)
{
    TQfGameData data;
    data.SetOutputFile("stats.txt");
    EXPECT_EQ(data.GetOutputPath(), "/stats.txt");
    data.SetOutputFile("");
    EXPECT_EQ(data.GetOutputPath(), "/");
    data.SetPath("/tmp/x");
    EXPECT_EQ(data.GetOutputPath(), "/tmp/x/");
    data.SetOutputFile("/m.txt");
    EXPECT_EQ(data.GetOutputPath(), "/tmp/x/m.txt");
    EXPECT_EQ(data.GetTimePath(), "/tmp/x/time.dat");
}

TEST_F(StatisticsTest, Timers)
{
    TQfGameData data;
    data.UpdateTime("elapsed-time:t", "1000");  // a stopped timer holding 1,000 ms
    EXPECT_EQ(data.TimerReading("t"), 1000);
    FakeNow() = 50000;
    data.UpdateTime("t", "go");
    FakeNow() = 52000;
    EXPECT_EQ(data.TimerReading("t"), 3000);
    data.UpdateTime("t", "again");  // already running: nothing
    EXPECT_EQ(data.TimerReading("t"), 3000);
    data.UpdateTime("t", "0");
    FakeNow() = 60000;
    EXPECT_EQ(data.TimerReading("t"), 3000);
    data.UpdateTime("t", "0");  // already stopped: nothing
    EXPECT_EQ(data.TimerReading("t"), 3000);
    data.UpdateTime("t", "1");
    FakeNow() = 61000;
    data.UpdateTime("t", "restart now");  // drops what it had, keeps running
    FakeNow() = 61500;
    EXPECT_EQ(data.TimerReading("t"), 500);
    EXPECT_EQ(data.TimerReading("unknown"), 0);

    data.UpdateTime("elapsed-time:level", "2500");
    EXPECT_STREQ(data.GetTime("elapsed-time:level", "stored"), "        2500");
    EXPECT_STREQ(data.GetTime("score", "stored"), "stored");
    // A bare "elapsed-time" names the empty timer; nothing is read past the key.
    data.UpdateTime("elapsed-time", "42");
    EXPECT_STREQ(data.GetTime("elapsed-time", ""), "          42");
    EXPECT_EQ(std::strlen(data.GetTime("elapsed-time:x", "")), 12u);
}

TEST_F(StatisticsTest, TimersRunPastTheSignedRange)
{
    TQfGameData data;
    FakeNow() = 0x7FFFFF00u;
    data.UpdateTime("t", "1");
    FakeNow() = 0x80000100u;  // the platform clock passed 2^31 ms
    EXPECT_EQ(data.TimerReading("t"), 0x200);
    FakeNow() = 5;  // and wrapped
    EXPECT_EQ(data.TimerReading("t"), int64_t(0x100000005ull - 0x7FFFFF00u));
}

TEST_F(StatisticsTest, PlayTimeFile)
{
    {
        TQfGameData data;
        data.SetPath(UserDir());
        data.LoadElapsedTime();
        EXPECT_EQ(data.StoredElapsed(), 0u);  // no file yet
    }
    WriteFile("user/time.dat", LittleEndian(7500000));
    FakeNow() = 1000;
    TQfGameData data;
    data.SetPath(UserDir());
    data.LoadElapsedTime();
    EXPECT_EQ(data.StoredElapsed(), 7500000u);
    FakeNow() = 4000;
    EXPECT_EQ(data.ElapsedTime(), 7503000u);
    data.SaveElapsedTime();
    EXPECT_EQ(ReadFile("user/time.dat"), LittleEndian(7503000));
    EXPECT_FALSE(FileExists("user/time.dat.new"));
}

TEST_F(StatisticsTest, PlayTimeFileIsSavedLikeEverySavedFile)
{
    // Another running copy of the game in the middle of its own save: its temporary file must
    // not be taken over or replaced.
    WriteFile("user/time.dat.new", "another copy's save");
    WriteFile("user/time.dat", LittleEndian(1000));
    FakeNow() = 0;
    {
        TQfGameData data;
        data.SetPath(UserDir());
        data.LoadElapsedTime();
        FakeNow() = 500;
        data.SaveElapsedTime();
    }
    EXPECT_EQ(ReadFile("user/time.dat"), LittleEndian(1500));
    EXPECT_EQ(ReadFile("user/time.dat.new"), "another copy's save");
    // The replaced version stays as the backup.
    EXPECT_EQ(ReadFile("user/time.dat.bak"), LittleEndian(1000));

    // A cut-short file is kept aside and the backup read in its place.
    WriteFile("user/time.dat", std::string("\x05\x06", 2));
    TQfGameData data;
    data.SetPath(UserDir());
    data.LoadElapsedTime();
    EXPECT_EQ(data.StoredElapsed(), 1000u);
    EXPECT_EQ(ReadFile("user/time.dat"), LittleEndian(1000));
    bool kept = false;
    for (const auto& e : std::filesystem::directory_iterator(UserDir()))
        if (e.path().filename().string().rfind("time.dat.damaged-", 0) == 0)
            kept = ReadFile("user/" + e.path().filename().string()) == std::string("\x05\x06", 2);
    EXPECT_TRUE(kept);
}

// The handler through the store, as scripts drive it.
class HandlerTest : public StatisticsTest
{
protected:
    void SetUp() override
    {
        StatisticsTest::SetUp();
        handler = new TGlimmoraHandler;
        TGameState::RegisterHandler(handler);
        store = &Store();
    }
    void Set(const char* key, const char* value) { store->SetState(str(key), str(value)); }
    TGlimmoraHandler* handler = nullptr;
    TGameState* store = nullptr;
};

TEST_F(HandlerTest, StatusBlockIsOneRecordWhenItEnds)
{
    EXPECT_FALSE(handler->SetState("userdatadir", UserDir().c_str()));
    EXPECT_FALSE(handler->SetState("commondatadir", "/nowhere"));
    EXPECT_TRUE(handler->SetState("begin-status", "level"));
    EXPECT_TRUE(handler->SetState("add-value", "1"));
    EXPECT_TRUE(handler->SetState("add-timer", "t"));
    EXPECT_TRUE(handler->SetState("add-state", "missing"));
    EXPECT_TRUE(handler->SetState("end-anything", ""));
    auto records = Metrics();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "level");
    EXPECT_EQ(records[0].fields, ",1,0,\"\"");
    EXPECT_EQ(handler->GetBlockState(), 0);
}

TEST_F(HandlerTest, CommandsStopTheStoreChainAndPlainKeysBecomeTimersAndValues)
{
    Set("userdatadir", UserDir().c_str());
    FakeNow() = 2000;
    Set("score", "10");  // a plain key: timer "score" starts, its value is kept
    FakeNow() = 2500;
    Set("begin-status", "scores");
    Set("add-state", "score");
    Set("add-timer", "score");
    Set("end-", "");
    auto records = Metrics();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields, ",10,500");
    EXPECT_EQ(store->GetState(str("begin-status")), str("scores"));  // the store keeps commands too
}

TEST_F(HandlerTest, AStatusBlockEndedBeforeTheFolderIsKnownIsLost)
{
    Set("begin-status", "early");
    Set("add-value", "1");
    Set("end-", "");
    Set("userdatadir", UserDir().c_str());
    EXPECT_FALSE(FileExists("user/metrics.txt"));
}

TEST_F(HandlerTest, SessionBlocksCollectAcrossReopeningAndWriteAtShutdown)
{
    Set("userdatadir", UserDir().c_str());
    Set("begin-session", "s");
    Set("add-value", "a");
    Set("end-", "");
    Set("begin-session", "r");
    Set("add-value", "9");
    Set("end-", "");
    Set("begin-session", "s");
    Set("begin-status", "ignored inside a block");  // not a command here: a plain key
    Set("add-value", "b");
    Set("end-", "");
    EXPECT_FALSE(FileExists("user/metrics.txt"));
    TGameState::DestroyInstance();  // shuts the handler down
    auto records = Metrics();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "r");  // ascending session names
    EXPECT_EQ(records[0].fields, ",9");
    EXPECT_EQ(records[1].name, "s");
    EXPECT_EQ(records[1].fields, ",\"a\",\"b\"");
}

TEST_F(HandlerTest, ElapsedBlocksByTotalPlayTime)
{
    WriteFile("user/time.dat", LittleEndian(125u * 60000u));  // 125 minutes played before
    Set("userdatadir", UserDir().c_str());
    Set("begin-elapsed-60", "passed");
    EXPECT_EQ(handler->GetBlockState(), 4);
    EXPECT_FALSE(handler->SetState("add-value", "x"));  // an ignored block's adds fall through
    Set("end-", "");
    Set("begin-elapsed-180", "three hours");
    EXPECT_EQ(handler->GetBlockState(), 3);
    Set("add-value", "v");
    Set("end-", "");
    EXPECT_EQ(handler->PendingElapsedBlocks(), 1u);
    FakeNow() += 54u * 60000u;  // 179 minutes in all
    Set("tick", "1");
    EXPECT_FALSE(FileExists("user/metrics.txt"));
    FakeNow() += 60000u;  // 180 minutes: any store call writes it
    store->QueryJumpToMenu();
    auto records = Metrics();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "three hours");
    EXPECT_EQ(records[0].fields, ",\"v\"");
    EXPECT_EQ(handler->PendingElapsedBlocks(), 0u);
}

TEST_F(HandlerTest, AnElapsedBlockReachedWhileOpenIsWrittenAndLetGo)
{
    Set("userdatadir", UserDir().c_str());
    Set("begin-elapsed-1", "one minute");
    Set("add-value", "early");
    FakeNow() += 60000u;
    EXPECT_FALSE(handler->SetState("add-value", "late"));  // the block is gone: a plain key now
    Set("end-", "");
    auto records = Metrics();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields, ",\"early\"");
}

TEST_F(HandlerTest, IncorrectMinuteMarks)
{
    Set("userdatadir", UserDir().c_str());
    for (const char* key : {"begin-elapsed-x", "begin-elapsed", "begin-elapsed-0", "begin-elapsed--5"})
    {
        EXPECT_TRUE(handler->SetState(key, "name"));
        EXPECT_FALSE(handler->SetState("add-value", "stray"));  // reaches no block
        EXPECT_TRUE(handler->SetState("end-", ""));
    }
    auto records = Metrics();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].name, "TGlimmoraHandlerError");
    EXPECT_EQ(records[0].fields, ",\"Incorrect time value in: begin-elapsed-x\"");
    EXPECT_EQ(records[1].fields, ",\"Incorrect time value in: begin-elapsed\"");
}

TEST_F(HandlerTest, ReadsOfElapsedTimeKeysAnswerTheTimer)
{
    Set("elapsed-time:lvl", "2500");
    EXPECT_EQ(store->GetState(str("elapsed-time:lvl")), str("        2500"));
    Set("other", "text");
    EXPECT_EQ(store->GetState(str("other")), str("text"));
}

TEST_F(HandlerTest, ShutdownSavesThePlayTime)
{
    WriteFile("user/time.dat", LittleEndian(1000));
    Set("userdatadir", UserDir().c_str());
    FakeNow() += 5000;
    TGameState::DestroyInstance();
    EXPECT_EQ(ReadFile("user/time.dat"), LittleEndian(6000));
}

TEST_F(StatisticsTest, FactoriesMakeTheTwoHandlerKinds)
{
    std::unique_ptr<TGameStateHandler> glimmora(GlimmoraHandlerFactory());
    std::unique_ptr<TGameStateHandler> post(PostMetricsHandlerFactory());
    EXPECT_NE(dynamic_cast<TGlimmoraHandler*>(glimmora.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TPostMetricsHandler*>(glimmora.get()), nullptr);
    EXPECT_NE(dynamic_cast<TPostMetricsHandler*>(post.get()), nullptr);
}

}  // namespace
