#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>

#include "foundation/encrypt.h"
#include "foundation/xml.h"
#include "online/hiscores.h"
#include "online_fixture.h"

using onlinetest::OnlineFixture;

namespace
{

const char kKey[] = "Wmbx0mn1v";

class HiscoreStoreTest : public OnlineFixture
{
protected:
    void SetUp() override
    {
        OnlineFixture::SetUp();
        TPlatform::SetConfig(str("encryptionkey"), str(kKey));
        TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
        TPlatform::SetConfig(str("version"), str("1.0"));
    }

    // A store holding one of everything, saved.
    void SaveSample()
    {
        TQfHiscores store(true);
        TQfHiscoresData* d = store.GetData();
        d->rememberedUsers[str("")] = new TQfHiscoreUserInfo{str(""), str("Ann & <Bob> \"q\""), str("pa ss")};
        d->rememberedUsers[str("p2")] = new TQfHiscoreUserInfo{str("p2"), str("two"), str("")};
        TQfHiscoreTable* table = new TQfHiscoreTable;
        table->name = str("casual");
        TQfScoreRow full;
        full.rank = 1;
        full.score = 500;
        full.name = str("n1");
        full.gameData = str("g");
        full.serverData = str("s");
        full.version = str("v");
        full.submitted = true;
        TQfScoreRow bare;
        bare.rank = 2;
        bare.score = -7;
        table->rows = {full, bare};
        d->scoreTables[str("casual")] = table;
        TQfMedalsTable* medals = new TQfMedalsTable;
        medals->mMedals.push_back(TQfMedal{str("omnivora_1"), str("gold"), str("timed"), str("x"), true});
        medals->mMedals.push_back(TQfMedal{str("omnivora_2"), str("bronze"), str("casual"), str(""), false});
        d->medalTables[str("Ann")] = medals;
        store.SavePreferences();
    }

    // The document text of the saved file (deciphered independently of the store).
    std::string SavedText()
    {
        const std::string bytes = ReadFile("user/hiscore.dat");
        EXPECT_GE(bytes.size(), 16u);
        TEncrypt cipher{str(kKey)};
        const unsigned int n = unsigned(bytes.size() - 8);
        const unsigned int need = cipher.DecryptBinary(bytes.data(), n, nullptr, 0, false);
        std::string text(need, '\0');
        EXPECT_EQ(cipher.DecryptBinary(bytes.data(), n, &text[0], need, false), 0u);
        return text;
    }

    std::string FileFor(const std::string& plain, bool withNul = true)
    {
        TEncrypt cipher{str(kKey)};
        const unsigned int n = unsigned(plain.size() + (withNul ? 1 : 0));
        const unsigned int need = cipher.EncryptBinary(plain.c_str(), n, nullptr, 0, false);
        std::string body(need, '\0');
        cipher.EncryptBinary(plain.c_str(), n, &body[0], need, false);
        return Seal(body);
    }

    // Appends the enciphered XOR fold of the body.
    std::string Seal(const std::string& body)
    {
        unsigned char fold[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < body.size(); ++i)
            fold[i % 4] ^= static_cast<unsigned char>(body[i]);
        TEncrypt cipher{str(kKey)};
        char check[8];
        cipher.EncryptBinary(fold, 4, check, 8, false);
        return body + std::string(check, 8);
    }
};

TEST_F(HiscoreStoreTest, SaveAndLoadRoundTrip)
{
    SaveSample();
    const std::string bytes = ReadFile("user/hiscore.dat");
    EXPECT_EQ((bytes.size() - 8) % 8, 0u);
    EXPECT_EQ(Seal(bytes.substr(0, bytes.size() - 8)), bytes);  // the check block is the fold's

    const std::string text = SavedText();
    EXPECT_EQ(text.compare(0, 22, "<?xml version=\"1.0\"?>\n"), 0);
    EXPECT_EQ(text.back(), '\0');
    // Attribute orders as written, and a bare row carries no empty attributes.
    EXPECT_LT(text.find("player="), text.find("pass="));
    EXPECT_LT(text.find("<user"), text.find("<score"));
    EXPECT_LT(text.find("<score"), text.find("<medals"));
    EXPECT_EQ(text.find("gameData=\"\"", text.find("rank=\"2\"")),
              text.find("gameData=\"\"", text.find("<medals")));

    TQfHiscores loaded(true);
    TQfHiscoresData* d = loaded.GetData();
    str name, password;
    ASSERT_TRUE(loaded.GetRememberedUserInfo(&name, &password));
    EXPECT_EQ(name, str("Ann & <Bob> \"q\""));
    EXPECT_EQ(password, str("pa ss"));
    ASSERT_EQ(d->rememberedUsers.size(), 2u);
    EXPECT_EQ(d->rememberedUsers[str("p2")]->name, str("two"));
    ASSERT_EQ(d->scoreTables.size(), 1u);
    const TQfHiscoreTable& table = *d->scoreTables[str("casual")];
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.rows[0].rank, 1);
    EXPECT_EQ(table.rows[0].score, 500);
    EXPECT_EQ(table.rows[0].name, str("n1"));
    EXPECT_EQ(table.rows[0].gameData, str("g"));
    EXPECT_EQ(table.rows[0].serverData, str("s"));
    EXPECT_EQ(table.rows[0].version, str("v"));
    EXPECT_TRUE(table.rows[0].submitted);
    EXPECT_TRUE(table.rows[0].anonymous);  // loaded rows always are
    EXPECT_EQ(table.rows[1].score, -7);
    EXPECT_EQ(table.rows[1].name, str(""));
    EXPECT_FALSE(table.rows[1].submitted);
    ASSERT_EQ(d->medalTables.size(), 1u);
    const auto& medals = d->medalTables[str("Ann")]->mMedals;
    ASSERT_EQ(medals.size(), 2u);
    EXPECT_EQ(medals.front().medalname, str("omnivora_1"));
    EXPECT_EQ(medals.front().type, str("gold"));
    EXPECT_EQ(medals.front().mode, str("timed"));
    EXPECT_EQ(medals.front().gameData, str("x"));
    EXPECT_TRUE(medals.front().submitted);
    EXPECT_FALSE(medals.back().submitted);

    // Saving what was loaded gives the same file.
    loaded.SavePreferences();
    EXPECT_EQ(ReadFile("user/hiscore.dat"), bytes);
}

TEST_F(HiscoreStoreTest, DamagedFilesLoadNothingAndStayUntouched)
{
    SaveSample();
    const std::string good = ReadFile("user/hiscore.dat");
    const std::string body = good.substr(0, good.size() - 8);
    std::string flipped = good;
    flipped[3] ^= 0x10;
    std::string lastBodyByte = good;
    lastBodyByte[body.size() - 1] ^= 0x01;
    std::string checkFlipped = good;
    checkFlipped[good.size() - 1] ^= 0x80;
    struct Case
    {
        const char* what;
        std::string bytes;
        bool message;
    };
    const Case cases[] = {
        {"empty", "", false},
        {"five bytes", good.substr(0, 5), false},
        {"eight bytes", good.substr(0, 8), false},
        {"nine bytes", good.substr(0, 9), true},
        {"one body bit", flipped, true},
        {"last body byte", lastBodyByte, true},
        {"check block bit", checkFlipped, true},
        {"truncated", good.substr(0, good.size() - 3), true},
        // A zero byte added keeps the fold but leaves the body off the block size.
        {"body not whole blocks", Seal(body + std::string(1, '\0')), true},
        // A sealed body that is not a cipher text of anything padded.
        {"random sealed body", Seal(std::string(24, '\x5a')), true},
        {"only a check block", Seal(""), false},  // 8 bytes: too short to be anything
    };
    for (const Case& c : cases)
    {
        WriteFile("user/hiscore.dat", c.bytes);
        debugLines.clear();
        {
            TQfHiscores store(true);
            EXPECT_FALSE(store.GetRememberedUserInfo(nullptr, nullptr)) << c.what;
            EXPECT_TRUE(store.GetData()->scoreTables.empty()) << c.what;
            EXPECT_TRUE(store.GetData()->medalTables.empty()) << c.what;
        }
        // Every damaged file is kept aside byte for byte (an empty one holds nothing to keep)
        // and says so once; the next save starts a new file.
        (void)c.message;
        EXPECT_EQ(Logged("HiScores: Checksum did not match! Ignoring saved score data."), !c.bytes.empty())
            << c.what;
        EXPECT_EQ(ReadFile("user/hiscore.dat"), "") << c.what;
        int kept = 0;
        for (const auto& e : std::filesystem::directory_iterator(root + "/user"))
        {
            const std::string name = e.path().filename().string();
            if (name.rfind("hiscore.dat.damaged-", 0) == 0)
            {
                ++kept;
                EXPECT_EQ(ReadFile("user/" + name), c.bytes) << c.what;
                std::filesystem::remove(e.path());
            }
        }
        EXPECT_EQ(kept, c.bytes.empty() ? 0 : 1) << c.what;
    }
}

TEST_F(HiscoreStoreTest, CompensatingFlipsAndTextsWithoutAZeroByteNeverReadPastTheText)
{
    SaveSample();
    std::string bytes = ReadFile("user/hiscore.dat");
    bytes[0] ^= 0x44;  // the same lane twice: the fold still matches
    bytes[4] ^= 0x44;
    WriteFile("user/hiscore.dat", bytes);
    {
        TQfHiscores store(true);
    }  // garbled first block: whatever parses, nothing breaks

    WriteFile("user/hiscore.dat", FileFor("<user player=\"\" name=\"nul-less\" pass=\"p\"></user>", false));
    TQfHiscores store(true);
    str name;
    ASSERT_TRUE(store.GetRememberedUserInfo(&name, nullptr));
    EXPECT_EQ(name, str("nul-less"));
}

TEST_F(HiscoreStoreTest, AFailedSaveKeepsTheOldFile)
{
    SaveSample();
    const std::string before = ReadFile("user/hiscore.dat");
    TQfHiscores store(true);
    for (int i = 0; i < 200; ++i)
    {
        const str player = str::getFormatted("player%d", i);
        store.GetData()->rememberedUsers[player] = new TQfHiscoreUserInfo{player, str("n"), str("p")};
    }
    // Files may not grow past a few hundred bytes: the write fails part-way.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 300;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    store.SavePreferences();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(Logged("HiScores: could not write user:hiscore.dat"));
    EXPECT_EQ(ReadFile("user/hiscore.dat"), before);
    TQfHiscores reloaded(true);
    EXPECT_EQ(reloaded.GetData()->rememberedUsers.size(), 2u);
    std::error_code error;
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/user", error))
    {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);  // no temporary file left behind
}

TEST_F(HiscoreStoreTest, DocumentRules)
{
    const std::string document =
        "<?xml version=\"1.0\"?>\n"
        "<user player=\"a\" name=\"first\"/>\n"
        "<user player=\"a\" name=\"second\" pass=\"pw\"/>\n"
        "<score name=\"empty\"></score>\n"
        "<score name=\"t\"><row rank=\"5x\" score=\"abc\" submit=\"2\"/></score>\n"
        "<score name=\"t\"><row rank=\"1\" score=\"10\" submit=\"0\"/><row rank=\"2\"/></score>\n"
        "<medals user=\"\"><medal medalname=\"m\"/></medals>\n"
        "<medals user=\"u\"><medal medalname=\"m1\" submit=\"1\"/><other/><medal medalname=\"m2\" "
        "submit=\"-1\"/></medals>\n"
        "<unknown/>";
    WriteFile("user/hiscore.dat", FileFor(document));
    TQfHiscores store(true);
    TQfHiscoresData* d = store.GetData();
    ASSERT_EQ(d->rememberedUsers.size(), 1u);
    EXPECT_EQ(d->rememberedUsers[str("a")]->name, str("second"));
    EXPECT_EQ(d->rememberedUsers[str("a")]->password, str("pw"));
    ASSERT_EQ(d->scoreTables.size(), 1u);                // "empty" had no rows
    ASSERT_EQ(d->scoreTables[str("t")]->RowCount(), 2);  // the later "t" replaced the first
    EXPECT_EQ(d->scoreTables[str("t")]->rows[0].score, 10);
    EXPECT_FALSE(d->scoreTables[str("t")]->rows[0].submitted);
    ASSERT_EQ(d->medalTables.size(), 1u);
    const auto& medals = d->medalTables[str("u")]->mMedals;
    ASSERT_EQ(medals.size(), 2u);
    EXPECT_TRUE(medals.front().submitted);
    EXPECT_FALSE(medals.back().submitted);
    EXPECT_FALSE(store.GetRememberedUserInfo(nullptr, nullptr));  // nothing under the player ""
}

TEST_F(HiscoreStoreTest, RememberedUserLookupLeavesOutputsAloneWhenAbsent)
{
    TQfHiscores store(true);
    str name("keep"), password("these");
    EXPECT_FALSE(store.GetRememberedUserInfo(&name, &password));
    EXPECT_EQ(name, str("keep"));
    EXPECT_EQ(password, str("these"));
}

TEST_F(HiscoreStoreTest, NothingIsWrittenWhenNotPersistent)
{
    TQfHiscores store(false);
    store.GetData()->rememberedUsers[str("")] = new TQfHiscoreUserInfo{str(""), str("n"), str("p")};
    store.SavePreferences();
    EXPECT_FALSE(FileExists("user/hiscore.dat"));
}

TEST_F(HiscoreStoreTest, ConfigurationAndSettingsFiles)
{
    {
        TQfHiscores store(true);
        EXPECT_EQ(store.GetData()->game, str("omnivora"));
        EXPECT_EQ(store.GetData()->version, str("1.0"));
        EXPECT_EQ(store.GetData()->language, str("en"));
        EXPECT_FALSE(store.GetData()->languageFromSettings);
        EXPECT_EQ(store.GetData()->defaultError, str(""));
        EXPECT_EQ(store.GetData()->serverAddress, str(HISCORE_SERVER_URL));
    }
    TPlatform::SetConfig(str("qfgamehandle"), str(""));
    TPlatform::SetConfig(str("gamename"), str("Named"));
    WriteFile("hiscore.xml",
              "<hiscore><language>de</language><defaulterror>Try later</defaulterror></hiscore>");
    WriteFile("hiscoreserver.txt", "  http://127.0.0.1:9/hiscore \r\nsecond line\n");
    {
        TQfHiscores store(true);
        EXPECT_EQ(store.GetData()->game, str("Named"));
        EXPECT_EQ(store.GetData()->language, str("de"));
        EXPECT_TRUE(store.GetData()->languageFromSettings);
        EXPECT_EQ(store.GetData()->defaultError, str("Try later"));
        EXPECT_EQ(store.GetData()->serverAddress, str("http://127.0.0.1:9/hiscore"));
    }
    WriteFile("hiscoreserver.txt", std::string(600, 'h'));
    {
        TQfHiscores store(true);
        EXPECT_EQ(store.GetData()->serverAddress.length(), 511u);
    }
    WriteFile("hiscoreserver.txt", " \n");
    {
        TQfHiscores store(true);
        EXPECT_EQ(store.GetData()->serverAddress, str(HISCORE_SERVER_URL));
    }
}

TEST_F(HiscoreStoreTest, MissingKeyIsReportedAndTheStoreStillWorks)
{
    TPlatform::SetConfig(str("encryptionkey"), str(""));
    TQfHiscores store(true);
    EXPECT_TRUE(Logged("ERROR: No encryption key set before TQfHiscores construction!"));
    store.GetData()->rememberedUsers[str("")] = new TQfHiscoreUserInfo{str(""), str("n"), str("p")};
    store.SavePreferences();
    TQfHiscores again(true);
    EXPECT_TRUE(again.GetRememberedUserInfo(nullptr, nullptr));
}

TEST(HiscoreNames, SafeString)
{
    struct Case
    {
        std::string name;
        bool safe;
    };
    const Case cases[] = {
        {"", true},      {"plain name 123", true}, {"\x80\xbf", true}, {"\x7f", true},
        {"\xc3", false}, {"caf\xc3\xa9", false},   {"\xff", false},    {"\xc0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SafeString(str(c.name.data(), c.name.size())), c.safe) << c.name;
}

TEST(HiscoreMessages, FillInErrorMessage)
{
    char buffer[16];
    FillInErrorMessage(buffer, sizeof buffer, str("default"), str("server text"));
    EXPECT_STREQ(buffer, "server text");
    FillInErrorMessage(buffer, sizeof buffer, str("default"), str(""));
    EXPECT_STREQ(buffer, "default");
    FillInErrorMessage(buffer, sizeof buffer, str(""), str(""));
    EXPECT_STREQ(buffer, "Unable to conne");  // cut to size - 1
    char big[80];
    FillInErrorMessage(big, sizeof big, str(""), str(""));
    EXPECT_STREQ(big, "Unable to connect to server. Please try again later.");
    char one = 'x';
    FillInErrorMessage(&one, 1, str("d"), str("e"));
    EXPECT_EQ(one, '\0');
    char untouched = 'x';
    FillInErrorMessage(&untouched, 0, str("d"), str("e"));
    EXPECT_EQ(untouched, 'x');
}

}  // namespace
