#include <gtest/gtest.h>

#include <chrono>

#include "app/seams.h"
#include "online/loopserver.h"
#include "online/onlinehooks.h"
#include "online/postmetrics.h"
#include "online/simplehttp.h"
#include "online_fixture.h"

using onlinetest::OnlineFixture;
using testsupport::TLoopReply;
using testsupport::TLoopRequest;
using testsupport::TLoopServer;

namespace
{

using Clock = std::chrono::steady_clock;

class PostMetricsTest : public OnlineFixture
{
protected:
    void SetUp() override
    {
        OnlineFixture::SetUp();
        testsupport::ClearProxyEnvironment();
        SetPostMetricsTimeout(1500);
        Configure();
    }
    void TearDown() override
    {
        TPlatformHooks::InstallGameState(nullptr);
        SetPostMetricsTimeout(10000);
        THttpData::AbortAll();
        OnlineFixture::TearDown();
    }
    void Configure()
    {
        TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
        TPlatform::SetConfig(str("version"), str("1.2"));
    }
    void PointAt(TLoopServer& server)
    {
        TPlatform::SetConfig(str("site"), str(("127.0.0.1:" + std::to_string(server.Port())).c_str()));
    }
    static TLoopServer::THandler Answer(int code, TLoopReply::EKind kind = TLoopReply::kLength)
    {
        return [=](const TLoopRequest&)
        {
            TLoopReply r;
            r.code = code;
            r.kind = kind;
            r.body = "ok";
            return r;
        };
    }
};

TEST_F(PostMetricsTest, UploadsTheRecordsAndDeletesTheFileOnSuccess)
{
    const std::string records = "level,The current date/time is: Thu Jan  1 00:00:00 1970\n,1,\"a b\"\r\n";
    WriteFile("user/metrics.txt", records);
    TLoopServer server(Answer(200));
    PointAt(server);
    PostMetrics();
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/servlet/exitStats");
    EXPECT_EQ(requests[0].Header("user-agent"), "qflib/Mac");
    const auto form = testsupport::DecodeForm(requests[0].body);
    ASSERT_EQ(form.size(), 4u);
    EXPECT_EQ(form[0], std::make_pair(std::string("game"), std::string("omnivora")));
    EXPECT_EQ(form[1], std::make_pair(std::string("game_version"), std::string("1.2")));
    EXPECT_EQ(form[2], std::make_pair(std::string("game_variant"), std::string("macintosh")));
    EXPECT_EQ(form[3], std::make_pair(std::string("game_data"), records));
    // Line ends travel as raw bytes.
    EXPECT_NE(requests[0].body.find("\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists("user/metrics.txt"));
}

TEST_F(PostMetricsTest, FailedUploadsKeepTheFile)
{
    const std::string records = "r,stamp\n,1\r\n";
    struct Case
    {
        int code;
        TLoopReply::EKind kind;
    };
    const Case cases[] = {{500, TLoopReply::kLength},
                          {404, TLoopReply::kLength},
                          {200, TLoopReply::kCloseAtOnce},
                          {200, TLoopReply::kNeverAnswer}};
    for (const Case& c : cases)
    {
        WriteFile("user/metrics.txt", records);
        TLoopServer server(Answer(c.code, c.kind));
        PointAt(server);
        const auto start = Clock::now();
        PostMetrics();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));  // the upload's time-out ends the wait
        EXPECT_EQ(server.RequestCount(), 1u);
        EXPECT_EQ(ReadFile("user/metrics.txt"), records) << "code " << c.code << " kind " << c.kind;
        server.Stop();
    }
    TPlatform::SetConfig(str("site"),
                         str(("127.0.0.1:" + std::to_string(testsupport::ClosedLoopbackPort())).c_str()));
    PostMetrics();
    EXPECT_EQ(ReadFile("user/metrics.txt"), records);
}

TEST_F(PostMetricsTest, NothingToSendOrNowhereToSendIt)
{
    TLoopServer server(Answer(200));
    PointAt(server);
    PostMetrics();  // no file
    WriteFile("user/metrics.txt", "");
    PostMetrics();  // empty file
    WriteFile("user/metrics.txt", std::string("\0rest", 5));
    PostMetrics();  // nothing before the first zero byte
    EXPECT_EQ(server.RequestCount(), 0u);
    WriteFile("user/metrics.txt", "r,s\n,1\r\n");
    TPlatform::SetConfig(str("site"), str(""));
    PostMetrics();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(ReadFile("user/metrics.txt"), "r,s\n,1\r\n");
}

TEST_F(PostMetricsTest, ALongFileIsSentInWholeRecordsAndTheRestKept)
{
    std::string file;
    int n = 0;
    while (file.size() < 70000)
        file += "rec" + std::to_string(n++) + ",The current date/time is: x\n,\"" + std::string(60, 'v') +
                "\"\r\n";
    WriteFile("user/metrics.txt", file);
    TLoopServer server(Answer(200));
    PointAt(server);
    PostMetrics();
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string sent = testsupport::DecodeForm(requests[0].body).at(3).second;
    EXPECT_LE(sent.size(), 65536u);
    EXPECT_GT(sent.size(), 65536u - 120u);
    EXPECT_EQ(sent.substr(sent.size() - 2), "\r\n");
    EXPECT_EQ(file.compare(0, sent.size(), sent), 0);
    EXPECT_EQ(ReadFile("user/metrics.txt"), file.substr(sent.size()));

    PostMetrics();  // the rest goes next time
    ASSERT_EQ(server.RequestCount(), 2u);
    EXPECT_FALSE(FileExists("user/metrics.txt"));
}

TEST_F(PostMetricsTest, AFileWithoutRecordEndsIsSentInLimitSizedPieces)
{
    const std::string file(70000, 'x');
    WriteFile("user/metrics.txt", file);
    TLoopServer server(Answer(200));
    PointAt(server);
    PostMetrics();
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(testsupport::DecodeForm(server.Requests()[0].body).at(3).second.size(), 65536u);
    EXPECT_EQ(ReadFile("user/metrics.txt"), std::string(70000 - 65536, 'x'));
}

// Shut-down through the platform facade: the store is destroyed first, so the session records
// its handler writes then are part of the upload.
TEST_F(PostMetricsTest, ShutdownWritesSessionRecordsAndUploadsThem)
{
    InstallOnlineHooks();
    TLoopServer server(Answer(200));
    PointAt(server);
    TPlatform::SetConfig(str("postmetrics"), str("1"));
    TGameState::RegisterHandler(PostMetricsHandlerFactory());
    TGameState* store = &Store();
    store->SetState(str("userdatadir"), str((root + "/user").c_str()));
    store->SetState(str("begin-session"), str("session"));
    store->SetState(str("add-value"), str("played"));
    store->SetState(str("end-"), str(""));
    EXPECT_FALSE(FileExists("user/metrics.txt"));
    platform.reset();
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::string sent = testsupport::DecodeForm(server.Requests()[0].body).at(3).second;
    EXPECT_EQ(sent.compare(0, 8, "session,"), 0);
    EXPECT_NE(sent.find(",\"played\"\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists("user/metrics.txt"));
    EXPECT_TRUE(FileExists("user/time.dat"));
    platform.reset(new TPlatform(nullptr));
    TFile::SetUserDir(str((root + "/user").c_str()));
}

TEST_F(PostMetricsTest, NoUploadWhenPostMetricsIsOff)
{
    InstallOnlineHooks();
    WriteFile("user/metrics.txt", "r,s\n,1\r\n");
    TLoopServer server(Answer(200));
    PointAt(server);
    TPlatform::SetConfig(str("postmetrics"), str("0"));
    platform.reset();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(ReadFile("user/metrics.txt"), "r,s\n,1\r\n");
    platform.reset(new TPlatform(nullptr));
    TFile::SetUserDir(str((root + "/user").c_str()));
}

}  // namespace
