#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "online/loopserver.h"
#include "online/simplehttp.h"
#include "online_fixture.h"

using onlinetest::OnlineFixture;
using testsupport::TLoopReply;
using testsupport::TLoopRequest;
using testsupport::TLoopServer;

namespace
{

using Clock = std::chrono::steady_clock;

// A server handler that answers every request with 200 and the given body.
TLoopServer::THandler Answer(std::string body)
{
    return [body](const TLoopRequest&)
    {
        TLoopReply r;
        r.body = body;
        return r;
    };
}

// The milliseconds left until end, at least 0.
long MsLeft(Clock::time_point end)
{
    return std::max(0L,
                    long(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count()));
}

// The status the request ended with; the deadline only turns a hang into a failure.
int Wait(TSimpleHttp& http, int deadlineMs = 8000)
{
    return http.WaitUntilFinished(deadlineMs);
}

void PumpUntilNoRequests(int deadlineMs = 8000)
{
    const auto end = Clock::now() + std::chrono::milliseconds(deadlineMs);
    THttpData::Pump();
    while (THttpData::LiveCount() > 0 && MsLeft(end) > 0)
    {
        THttpData::WaitForActivity(MsLeft(end));
        THttpData::Pump();
    }
}

class HttpTest : public OnlineFixture
{
protected:
    void SetUp() override
    {
        OnlineFixture::SetUp();
        testsupport::ClearProxyEnvironment();
        TSimpleHttp::SetDefaultTimeouts(2000, 4000);
    }
    void TearDown() override
    {
        PumpUntilNoRequests();
        EXPECT_EQ(THttpData::LiveCount(), 0u);
        THttpData::SetReplyLimit(16u << 20);
        TSimpleHttp::SetDefaultTimeouts(10000, 30000);
        OnlineFixture::TearDown();
    }
};

TEST(HttpArguments, EncodesExactlyTheFormSpecialBytes)
{
    const char special[] = " \"#$%&+,/:;<=>?@[\\]^`{|}";
    for (const char* p = special; *p; ++p)
    {
        char value[2] = {*p, 0};
        char expected[4];
        snprintf(expected, sizeof expected, "%%%02X", static_cast<unsigned char>(*p));
        EXPECT_EQ(TSimpleHttp::EncodeValue(value), str(expected)) << "byte " << int(*p);
    }
    // Everything else goes unchanged: unreserved marks, controls and bytes from 0x80 up.
    const char plain[] = "AZaz09~-._!*'()\r\n\t\x7f\x80\xc3\xa9\xff";
    EXPECT_EQ(TSimpleHttp::EncodeValue(plain), str(plain));
    EXPECT_EQ(TSimpleHttp::EncodeValue(nullptr), str(""));
}

TEST(HttpArguments, SeparatorsForGetAndPost)
{
    TSimpleHttp get;
    get.Init("http://127.0.0.1:1/p", false, nullptr);
    get.AddArg("a", "1");
    get.AddArg("b", "x y");
    get.AddArg("n a/me", nullptr);  // names are never encoded; a null value adds nothing
    EXPECT_EQ(get.GetArgs(), str("?a=1&b=x%20y&n a/me="));

    TSimpleHttp post;
    post.Init("http://127.0.0.1:1/p", true, nullptr);
    post.AddArg("a", "1");
    post.AddArg("b", "x y");
    EXPECT_EQ(post.GetArgs(), str("a=1&b=x%20y"));
    EXPECT_EQ(post.GetUrl(), str("http://127.0.0.1:1/p"));

    post.Init("http://127.0.0.1:1/q", true, "");
    EXPECT_EQ(post.GetArgs(), str(""));
    post.AddArg("c", "/@`");
    EXPECT_EQ(post.GetArgs(), str("c=%2F%40%60"));
}

TEST_F(HttpTest, NoRequestReadsAsError)
{
    TSimpleHttp http;
    EXPECT_EQ(http.GetStatus(), 2);
    EXPECT_EQ(http.GetContents(), nullptr);
    http.Init("http://127.0.0.1:1/", true, nullptr);
    EXPECT_EQ(http.GetStatus(), 2);
}

TEST_F(HttpTest, GetSendsTheArgumentsInTheUrl)
{
    TLoopServer server(Answer("hello"));
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/x").c_str(), false, nullptr);
    http.AddArg("a", "1");
    http.AddArg("b", "x y\n");
    http.DoRequest(7);
    ASSERT_EQ(Wait(http), 1);
    EXPECT_STREQ(http.GetContents(), "hello");
    EXPECT_EQ(http.GetHttpCode(), 200);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/x?a=1&b=x%20y%0A");  // the raw line feed is escaped in a URL
    EXPECT_EQ(requests[0].Header("user-agent"), "qflib/Mac");
    EXPECT_EQ(requests[0].body, "");
}

TEST_F(HttpTest, PostSendsTheBodyByteForByte)
{
    TLoopServer server(Answer("<ok/>"));
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/form").c_str(), true, nullptr);
    http.AddArg("a", "1");
    http.AddArg("b", "x y");
    http.AddArg("data", "line1\r\nline2,\"q\"");
    http.DoRequest();
    ASSERT_EQ(Wait(http), 1);
    EXPECT_STREQ(http.GetContents(), "<ok/>");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/form");
    EXPECT_EQ(requests[0].Header("user-agent"), "qflib/Mac");
    EXPECT_EQ(requests[0].Header("expect"), "");
    EXPECT_EQ(requests[0].body, "a=1&b=x%20y&data=line1\r\nline2%2C%22q%22");
}

// The blocking wait gives up when its time runs out with the request still running, and sees it
// end once the server answers.
TEST_F(HttpTest, WaitUntilFinishedEndsWithTheRequestOrItsOwnTime)
{
    TLoopServer server(Answer("late"));
    server.HoldReplies();
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/w").c_str(), true, nullptr);
    http.DoRequest();
    EXPECT_EQ(http.WaitUntilFinished(20), 0);
    server.ReleaseReplies();
    ASSERT_EQ(http.WaitUntilFinished(8000), 1);
    EXPECT_STREQ(http.GetContents(), "late");
    EXPECT_EQ(TSimpleHttp().WaitUntilFinished(8000), 2);  // no request: at once
}

TEST_F(HttpTest, ReplyShapesAllArriveWhole)
{
    std::string big(70000, 'z');
    for (size_t i = 0; i < big.size(); i += 97)
        big[i] = char('a' + i % 26);
    struct Case
    {
        TLoopReply::EKind kind;
        std::string body;
        int code;
    };
    const Case cases[] = {
        {TLoopReply::kLength, "<hiscore/>", 200},
        {TLoopReply::kChunked, big, 200},
        {TLoopReply::kCloseDelimited, "closed at the end", 200},
        {TLoopReply::kDrip, "drip drip drip drip", 200},
        {TLoopReply::kLength, "", 200},
        {TLoopReply::kLength, "server trouble", 500},  // the transfer itself completed
    };
    for (const Case& c : cases)
    {
        TLoopServer server(
            [&](const TLoopRequest&)
            {
                TLoopReply r;
                r.kind = c.kind;
                r.body = c.body;
                r.code = c.code;
                return r;
            });
        TSimpleHttp http;
        http.Init((server.BaseUrl() + "/r").c_str(), true, nullptr);
        http.AddArg("k", "v");
        http.DoRequest();
        ASSERT_EQ(Wait(http), 1) << "kind " << c.kind;
        ASSERT_NE(http.GetContents(), nullptr);
        EXPECT_EQ(std::string(http.GetContents()), c.body) << "kind " << c.kind;
        EXPECT_EQ(http.GetHttpCode(), c.code);
    }
}

TEST_F(HttpTest, FailuresEndWithStatusTwo)
{
    struct Case
    {
        TLoopReply::EKind kind;
        int delayMs;
    };
    const Case cases[] = {
        {TLoopReply::kNeverAnswer, 0}, {TLoopReply::kCloseAtOnce, 0}, {TLoopReply::kLength, 3000}};
    for (const Case& c : cases)
    {
        TLoopServer server(
            [&](const TLoopRequest&)
            {
                TLoopReply r;
                r.kind = c.kind;
                r.delayMs = c.delayMs;
                r.body = "late";
                return r;
            });
        TSimpleHttp http;
        http.SetTimeouts(500, 1000);
        http.Init((server.BaseUrl() + "/slow").c_str(), true, nullptr);
        http.AddArg("k", "v");
        const auto start = Clock::now();
        http.DoRequest();
        EXPECT_EQ(Wait(http), 2) << "kind " << c.kind;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(http.GetContents(), nullptr);
        server.Stop();
    }
}

TEST_F(HttpTest, RefusedConnectionIsAnError)
{
    TSimpleHttp http;
    const std::string url = "http://127.0.0.1:" + std::to_string(testsupport::ClosedLoopbackPort()) + "/";
    http.Init(url.c_str(), true, nullptr);
    http.DoRequest();
    EXPECT_EQ(Wait(http), 2);
}

TEST_F(HttpTest, OnlyWebSchemesAreFetched)
{
    WriteFile("secret.txt", "local file");
    TSimpleHttp http;
    http.Init(("file://" + root + "/secret.txt").c_str(), false, nullptr);
    http.DoRequest();
    EXPECT_EQ(Wait(http), 2);
    EXPECT_EQ(http.GetContents(), nullptr);
}

TEST_F(HttpTest, RepliesOverTheCapAreErrors)
{
    THttpData::SetReplyLimit(1000);
    TLoopServer server(
        [](const TLoopRequest&)
        {
            TLoopReply r;
            r.body = std::string(5000, 'x');
            return r;
        });
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/big").c_str(), true, nullptr);
    http.DoRequest();
    EXPECT_EQ(Wait(http), 2);
    EXPECT_EQ(http.GetContents(), nullptr);
    EXPECT_TRUE(Logged("larger than 1000 bytes"));
}

TEST_F(HttpTest, RepliesToAFile)
{
    TLoopServer server(Answer("file body"));
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/f").c_str(), true, "user:reply.bin");
    http.DoRequest();
    ASSERT_EQ(Wait(http), 1);
    EXPECT_EQ(http.GetContents(), nullptr);  // never for file replies
    EXPECT_EQ(ReadFile("user/reply.bin"), "file body");

    http.Init((server.BaseUrl() + "/f").c_str(), true, "user:../escape.bin");
    http.DoRequest();
    EXPECT_EQ(Wait(http), 3);
    EXPECT_FALSE(FileExists("escape.bin"));
}

// A reply written to a file replaces the old file only when the whole reply arrived with a
// success code: every broken reply ends with status 2, leaves the old bytes as they were and
// no temporary file behind.
TEST_F(HttpTest, ABrokenReplyToAFileKeepsTheOldFile)
{
    struct Case
    {
        const char* what;
        TLoopReply::EKind kind;
        int code;
        long long declaredLength;
        size_t bodySize;
        uint32_t replyLimit;
    };
    const Case cases[] = {
        {"short Content-Length", TLoopReply::kLength, 200, 40, 9, 16u << 20},
        {"broken chunked reply", TLoopReply::kBrokenChunked, 200, -1, 30, 16u << 20},
        {"10 GB Content-Length", TLoopReply::kLength, 200, 10000000000LL, 5000, 1000},
        {"connection reset", TLoopReply::kReset, 200, -1, 200000, 16u << 20},
        {"server error", TLoopReply::kLength, 500, -1, 20, 16u << 20},
        {"not found", TLoopReply::kLength, 404, -1, 20, 16u << 20},
    };
    const std::string old = "the old file's bytes";
    for (const Case& c : cases)
    {
        WriteFile("user/reply.bin", old);
        THttpData::SetReplyLimit(c.replyLimit);
        TLoopServer server(
            [&](const TLoopRequest&)
            {
                TLoopReply r;
                r.kind = c.kind;
                r.code = c.code;
                r.declaredLength = c.declaredLength;
                r.body = std::string(c.bodySize, 'j');
                return r;
            });
        TSimpleHttp http;
        http.Init((server.BaseUrl() + "/f").c_str(), true, "user:reply.bin");
        http.DoRequest();
        EXPECT_EQ(Wait(http), 2) << c.what;
        const std::string now = ReadFile("user/reply.bin");
        EXPECT_TRUE(now == old) << c.what << ": the file now holds " << now.size() << " bytes";
        for (const auto& entry : std::filesystem::directory_iterator(root + "/user"))
            EXPECT_EQ(entry.path().filename().string(), "reply.bin") << c.what << ": a leftover";
        server.Stop();
    }
    // The same file is replaced by a whole reply.
    THttpData::SetReplyLimit(16u << 20);
    TLoopServer server(Answer("new bytes"));
    TSimpleHttp http;
    http.Init((server.BaseUrl() + "/f").c_str(), true, "user:reply.bin");
    http.DoRequest();
    ASSERT_EQ(Wait(http), 1);
    EXPECT_EQ(ReadFile("user/reply.bin"), "new bytes");
}

TEST_F(HttpTest, ARequestLetGoFinishesAndFreesItself)
{
    TLoopServer server(
        [](const TLoopRequest&)
        {
            TLoopReply r;
            r.body = "slow";
            r.delayMs = 100;
            return r;
        });
    {
        TSimpleHttp http;
        http.Init((server.BaseUrl() + "/1").c_str(), true, nullptr);
        http.DoRequest();
        EXPECT_EQ(http.GetStatus(), 0);
        http.Init((server.BaseUrl() + "/2").c_str(), true, nullptr);  // lets the first one go
        EXPECT_EQ(http.GetStatus(), 2);
        http.DoRequest();
        EXPECT_EQ(THttpData::LiveCount(), 2u);
    }  // the destructor lets the second one go
    PumpUntilNoRequests();
    EXPECT_EQ(THttpData::LiveCount(), 0u);
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(HttpTest, AbortAllEndsOwnedRequestsAndFreesReleasedOnes)
{
    TLoopServer server(
        [](const TLoopRequest&)
        {
            TLoopReply r;
            r.kind = TLoopReply::kNeverAnswer;
            return r;
        });
    TSimpleHttp owned;
    owned.Init((server.BaseUrl() + "/a").c_str(), true, nullptr);
    owned.DoRequest();
    {
        TSimpleHttp released;
        released.Init((server.BaseUrl() + "/b").c_str(), true, nullptr);
        released.DoRequest();
    }
    EXPECT_EQ(THttpData::LiveCount(), 2u);
    THttpData::AbortAll();
    EXPECT_EQ(THttpData::LiveCount(), 1u);
    EXPECT_EQ(owned.GetStatus(), 2);
    server.Stop();
}

TEST(HttpBuffer, GrowsByDoublingAndStaysTerminated)
{
    THttpData data("", "", "", true, 100, 100);  // fails at once; only its buffer is used
    ASSERT_EQ(data.mCapacity, 1u);
    std::vector<uint32_t> capacities;
    const char bytes[] = "abcde";
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_TRUE(data.WriteToBuffer(bytes + i, 1));
        data.mLength += 1;
        capacities.push_back(data.mCapacity);
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{2, 4, 4, 8, 8}));
    EXPECT_EQ(std::memcmp(data.mBuffer, "abcde", 6), 0);  // with the zero after it
}

}  // namespace
