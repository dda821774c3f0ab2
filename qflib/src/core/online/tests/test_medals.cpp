#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "foundation/encrypt.h"
#include "foundation/xml.h"
#include "online/hiscores.h"
#include "online/loopserver.h"
#include "online/simplehttp.h"
#include "online_fixture.h"

using onlinetest::OnlineFixture;
using testsupport::TLoopReply;
using testsupport::TLoopRequest;
using testsupport::TLoopServer;

namespace
{

const char kKey[] = "Wmbx0mn1v";
const char kRows[] = "<medal name=\"omnivora_3\" per=\"game\"/><medal name=\"omnivora_7\" per=\"game\"/>";

// The hiscore server's side: deciphers the "medals" form value with the shared key, checks the
// account and answers the document the test chose.
struct HiscoreService
{
    std::string answer = "<hiscore><medals/></hiscore>";
    TLoopReply::EKind kind = TLoopReply::kLength;
    int code = 200;
    std::mutex mutex;
    std::string document;  // last deciphered medal document
    std::vector<std::pair<std::string, std::string>> form;

    TLoopReply operator()(const TLoopRequest& request)
    {
        std::lock_guard<std::mutex> lock(mutex);
        form = testsupport::DecodeForm(request.body);
        std::string medals;
        for (const auto& item : form)
            if (item.first == "medals")
                medals = item.second;
        TEncrypt cipher{str(kKey)};
        const unsigned int n = unsigned(medals.size() + 1);
        const unsigned int need = cipher.DecryptBinary(medals.c_str(), n, nullptr, 0, true);
        document.assign(need, '\0');
        if (need)
            cipher.DecryptBinary(medals.c_str(), n, &document[0], need, true);
        TLoopReply reply;
        reply.kind = kind;
        reply.code = code;
        TXmlNode parsed;
        parsed.ParseString(document.c_str(), document.size());
        TXmlNode* root = parsed.GetChild("medals");
        if (!root || root->GetAttribute("name") != str("ann") ||
            root->GetAttribute("password") != str("s3cret"))
            reply.body = "<hiscore><message>hiscore.error.invalidUsernameOrPassword</message></hiscore>";
        else
            reply.body = answer;
        return reply;
    }
};

class MedalTest : public OnlineFixture
{
protected:
    void SetUp() override
    {
        OnlineFixture::SetUp();
        testsupport::ClearProxyEnvironment();
        TSimpleHttp::SetDefaultTimeouts(500, 1500);
        TPlatform::SetConfig(str("encryptionkey"), str(kKey));
        TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
        server.reset(new TLoopServer([this](const TLoopRequest& r) { return service(r); }));
        // With its line end, as an editor leaves it.
        WriteFile("hiscoreserver.txt", server->BaseUrl() + "/hiscore\n");
    }
    void TearDown() override
    {
        server.reset();
        TSimpleHttp::SetDefaultTimeouts(10000, 30000);
        THttpData::AbortAll();
        OnlineFixture::TearDown();
    }

    // The store's answer once its transfer has ended: the wait blocks on the transfer's sockets
    // and timers. Every transfer ends within its own time-outs (set above); the minute is only a
    // guard that turns a hang into a failure.
    int WaitForResult(TQfHiscores& store, char* message, unsigned size, bool* gotScores)
    {
        store.GetData()->request->WaitUntilFinished(60000);
        return store.GetServerRequestStatus(message, size, gotScores);
    }

    HiscoreService service;
    std::unique_ptr<TLoopServer> server;
};

TEST_F(MedalTest, RequestBytes)
{
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
    char message[128] = "";
    ASSERT_EQ(WaitForResult(store, message, sizeof message, nullptr), 0);
    auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/hiscore");
    EXPECT_EQ(requests[0].Header("user-agent"), "qflib/Mac");
    ASSERT_EQ(service.form.size(), 5u);
    EXPECT_EQ(service.form[0], std::make_pair(std::string("lang"), std::string("en")));
    EXPECT_EQ(service.form[1], std::make_pair(std::string("ver"), std::string("1.0")));
    EXPECT_EQ(service.form[2], std::make_pair(std::string("game"), std::string("omnivora")));
    EXPECT_EQ(service.form[3], std::make_pair(std::string("action"), std::string("medals")));
    EXPECT_EQ(service.form[4].first, "medals");
    // The Base64 text travels with "+", "/" and "=" escaped.
    const std::string body = requests[0].body;
    const std::string encoded = body.substr(body.find("&medals=") + 8);
    EXPECT_EQ(str(encoded.c_str()), TSimpleHttp::EncodeValue(service.form[4].second.c_str()));
    EXPECT_EQ(encoded.find_first_of("+/="), std::string::npos);

    const std::string& doc = service.document;
    EXPECT_EQ(doc.compare(0, 22, "<?xml version=\"1.0\"?>\n"), 0);
    EXPECT_EQ(doc.substr(doc.size() - std::strlen(kRows) - 9), std::string(kRows) + "</medals>");
    EXPECT_EQ(doc.find('\0'), std::string::npos);  // no zero byte is enciphered
    TXmlNode parsed;
    parsed.ParseString(doc.c_str(), doc.size());
    TXmlNode* medals = parsed.GetChild("medals");
    ASSERT_NE(medals, nullptr);
    EXPECT_EQ(medals->GetAttribute("game"), str("omnivora"));
    EXPECT_EQ(medals->GetChildCount(), 2u);
}

TEST_F(MedalTest, EmptyGameHandleAndEmptyRows)
{
    TPlatform::SetConfig(str("qfgamehandle"), str(""));
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals("", str("ann"), str("s3cret"), false));
    char message[64];
    ASSERT_EQ(WaitForResult(store, message, sizeof message, nullptr), 0);
    EXPECT_EQ(service.form.at(2), std::make_pair(std::string("game"), std::string("")));
    EXPECT_EQ(service.document.find("game="), std::string::npos);
    TXmlNode parsed;
    parsed.ParseString(service.document.c_str(), service.document.size());
    ASSERT_NE(parsed.GetChild("medals"), nullptr);
    EXPECT_EQ(parsed.GetChild("medals")->GetChildCount(), 0u);
}

TEST_F(MedalTest, RefusedNamesAndMissingArgumentsSendNothing)
{
    TQfHiscores store(true);
    EXPECT_FALSE(store.SubmitMedals(kRows, str("\xc3"), str("p"), true));
    EXPECT_TRUE(Logged("ERROR -------- ERROR -------- Invalid User name \xc3"));
    EXPECT_FALSE(store.SubmitMedalsToServer(nullptr, "ann", "p", true));
    EXPECT_FALSE(store.SubmitMedalsToServer(kRows, nullptr, "p", true));
    EXPECT_FALSE(store.SubmitMedalsToServer(kRows, "ann", nullptr, true));
    EXPECT_FALSE(store.GetRememberedUserInfo(nullptr, nullptr));
    char message[64] = "untouched";
    EXPECT_EQ(store.GetServerRequestStatus(message, sizeof message, nullptr), 2);
    // No transfer was even started, so nothing can reach the server later.
    EXPECT_EQ(THttpData::LiveCount(), 0u);
    EXPECT_EQ(server->RequestCount(), 0u);
}

TEST_F(MedalTest, APollBeforeTheReplyLeavesTheMessageAlone)
{
    server->HoldReplies();
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
    char message[64] = "untouched";
    EXPECT_EQ(store.GetServerRequestStatus(message, sizeof message, nullptr), 1);
    EXPECT_STREQ(message, "untouched");
    server->ReleaseReplies();
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 0);
}

TEST_F(MedalTest, Replies)
{
    struct Case
    {
        const char* what;
        std::string answer;
        const char* verbose;
        const char* defaultError;
        int result;
        const char* message;  // expected buffer text on 2
        bool saved;
        bool gotScores;
    };
    const char* kFixed = "Unable to connect to server. Please try again later.";
    const Case cases[] = {
        {"medals element", "<hiscore><medals/></hiscore>", "0", "", 0, nullptr, false, false},
        {"bare hiscore", "<hiscore/>", "0", "", 0, nullptr, true, false},
        {"score element", "<hiscore><score/></hiscore>", "0", "", 0, nullptr, true, true},
        {"server message", "<hiscore><message>Medals refused</message></hiscore>", "0", "Default", 2,
         "Medals refused", false, false},
        {"protocol error quiet", "<hiscore><protocolError>bad form</protocolError></hiscore>", "0", "", 2,
         kFixed, false, false},
        {"protocol error quiet with default", "<hiscore><protocolError>bad form</protocolError></hiscore>",
         "0", "Default", 2, "Default", false, false},
        {"protocol error verbose",
         "<hiscore><message>m</message><protocolError>bad form</protocolError></hiscore>", "1", "Default", 2,
         "bad form", false, false},
        {"not xml", "Server busy", "0", "", 2, kFixed, false, false},
        {"other root", "<html><body>oops</body></html>", "0", "Default", 2, "Default", false, false},
    };
    for (const Case& c : cases)
    {
        TPlatform::SetConfig(str("hiscoreverbose"), str(c.verbose));
        if (*c.defaultError)
            WriteFile("hiscore.xml",
                      std::string("<hiscore><defaulterror>") + c.defaultError + "</defaulterror></hiscore>");
        else
            std::filesystem::remove(root + "/hiscore.xml");
        std::filesystem::remove(root + "/user/hiscore.dat");
        service.answer = c.answer;
        debugLines.clear();
        TQfHiscores store(true);
        ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true)) << c.what;
        char message[128] = "untouched";
        bool gotScores = !c.gotScores;
        EXPECT_EQ(WaitForResult(store, message, sizeof message, &gotScores), c.result) << c.what;
        EXPECT_STREQ(message, c.message ? c.message : "untouched") << c.what;
        if (c.result == 0)
        {
            EXPECT_EQ(gotScores, c.gotScores) << c.what;
        }
        EXPECT_EQ(FileExists("user/hiscore.dat"), c.saved) << c.what;
        if (c.saved)
        {
            TQfHiscores reloaded(true);
            str name, password;
            ASSERT_TRUE(reloaded.GetRememberedUserInfo(&name, &password)) << c.what;
            EXPECT_EQ(name, str("ann"));
            EXPECT_EQ(password, str("s3cret"));
        }
        if (c.answer == "Server busy")
        {
            EXPECT_TRUE(Logged("HiScore XML parsing error!"));
        }
    }
}

TEST_F(MedalTest, AWrongAccountIsForgotten)
{
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("wrong"), true));
    EXPECT_TRUE(store.GetRememberedUserInfo(nullptr, nullptr));  // remembered at submission
    char message[128];
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 2);
    EXPECT_STREQ(message, "hiscore.error.invalidUsernameOrPassword");
    EXPECT_FALSE(store.GetRememberedUserInfo(nullptr, nullptr));
}

TEST_F(MedalTest, RememberingAndForgettingTheAccount)
{
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
    str name, password;
    ASSERT_TRUE(store.GetRememberedUserInfo(&name, &password));
    EXPECT_EQ(name, str("ann"));
    ASSERT_TRUE(store.SubmitMedals(kRows, str(""), str("other"), true));  // an empty name is accepted
    ASSERT_TRUE(store.GetRememberedUserInfo(&name, &password));
    EXPECT_EQ(name, str(""));
    EXPECT_EQ(password, str("other"));
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), false));
    EXPECT_FALSE(store.GetRememberedUserInfo(nullptr, nullptr));
    char message[64];
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 0);
}

TEST_F(MedalTest, TransportFailures)
{
    struct Case
    {
        const char* what;
        TLoopReply::EKind kind;
        bool refused;
    };
    const Case cases[] = {
        {"no answer", TLoopReply::kNeverAnswer, false},
        {"closed", TLoopReply::kCloseAtOnce, false},
        {"refused", TLoopReply::kLength, true},
    };
    for (const Case& c : cases)
    {
        service.kind = c.kind;
        if (c.refused)
            WriteFile("hiscoreserver.txt",
                      "http://127.0.0.1:" + std::to_string(testsupport::ClosedLoopbackPort()) + "/h");
        TQfHiscores store(true);
        ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
        char message[128];
        // Ends by the transfer's own time-outs (0.5 s to connect, 1.5 s in all).
        EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 2) << c.what;
        EXPECT_STREQ(message, "Unable to connect to server. Please try again later.") << c.what;
        EXPECT_FALSE(FileExists("user/hiscore.dat"));
    }
}

TEST_F(MedalTest, WithoutAServerAddressTheSubmissionFails)
{
    std::filesystem::remove(root + "/hiscoreserver.txt");
    WriteFile("hiscore.xml", "<hiscore><defaulterror>No server</defaulterror></hiscore>");
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
    char message[64];
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 2);
    EXPECT_STREQ(message, "No server");
    EXPECT_EQ(server->RequestCount(), 0u);
}

TEST_F(MedalTest, LongMessagesAreCutToTheBuffer)
{
    service.answer = "<hiscore><message>" + std::string(300, 'm') + "</message></hiscore>";
    TQfHiscores store(true);
    ASSERT_TRUE(store.SubmitMedals(kRows, str("ann"), str("s3cret"), true));
    char message[32];
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 2);
    EXPECT_EQ(std::strlen(message), 31u);
}

TEST_F(MedalTest, PendingMedalTableIsMarkedAndSaved)
{
    TQfHiscores store(true);
    TQfMedalsTable* table = new TQfMedalsTable;
    table->mMedals.push_back(TQfMedal{str("omnivora_1"), str("gold"), str("timed"), str(""), false});
    store.GetData()->medalTables[str("ann")] = table;
    ASSERT_TRUE(store.SubmitMedalsToServer(kRows, "ann", "s3cret", true));
    store.GetData()->pendingMedalTable = table;
    char message[64];
    EXPECT_EQ(WaitForResult(store, message, sizeof message, nullptr), 0);
    EXPECT_TRUE(table->mMedals.front().submitted);
    EXPECT_EQ(store.GetData()->pendingMedalTable, nullptr);
    TQfHiscores reloaded(true);
    ASSERT_EQ(reloaded.GetData()->medalTables.count(str("ann")), 1u);
    EXPECT_TRUE(reloaded.GetData()->medalTables[str("ann")]->mMedals.front().submitted);
}

// Score and category replies are read too, though this game only submits medals.
TEST_F(MedalTest, ScoreAndCategoryReplyParsing)
{
    TQfHiscores store(false);
    EXPECT_TRUE(store.ParseScoreData("<hiscore><scores><score name=\"a\" data=\"d\" serverData=\"s\" "
                                     "ver=\"1\" anonymous=\"true\" score=\"42pts\" rank=\"3\"/>"
                                     "<other/><score name=\"b\" account=\"true\" score=\"x\"/><score "
                                     "name=\"c\" account=\"true\"/></scores></hiscore>"));
    const TQfHiscoresData* d = store.GetData();
    ASSERT_EQ(d->replyTable.RowCount(), 3);
    EXPECT_EQ(d->replyTable.rows[0].score, 42);
    EXPECT_EQ(d->replyTable.rows[0].rank, 3);
    EXPECT_TRUE(d->replyTable.rows[0].anonymous);
    EXPECT_EQ(d->replyTable.rows[0].gameData, str("d"));
    EXPECT_EQ(d->replyTable.rows[1].score, 0);
    EXPECT_EQ(d->ownRow, 1);
    EXPECT_FALSE(store.ParseScoreData("<hiscore/>"));
    EXPECT_EQ(d->replyTable.RowCount(), 0);
    EXPECT_EQ(d->ownRow, -1);
    EXPECT_FALSE(store.ParseScoreData("<hiscore><message>no</message><scores/></hiscore>"));

    EXPECT_TRUE(store.ParseCategoryData(
        "<hiscore><tables><table table=\"t1\" name=\"Casual\"/><table table=\"t2\"/></tables></hiscore>"));
    ASSERT_EQ(d->categories.size(), 2u);
    EXPECT_EQ(d->categories[0].name, str("Casual"));
    EXPECT_EQ(d->categories[1].table, str("t2"));
    EXPECT_FALSE(store.ParseCategoryData("<hiscore/>"));
    EXPECT_TRUE(d->categories.empty());
    EXPECT_FALSE(store.ParseReturnForErrors(nullptr));
    EXPECT_FALSE(store.ParseReturnForErrors(""));
}

}  // namespace
