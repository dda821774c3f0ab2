#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/seams.h"
#include "platform_fixture.h"

namespace
{

RecordingHooks* gHooks = nullptr;
std::string gCommandLine;
std::vector<TEvent> gEvents;

struct LoggingTask : TTask
{
    ~LoggingTask() override { gHooks->log.push_back("PlatformTaskDeleted"); }
    bool DoTask() override { return true; }
};

// Checks, when the statistics are uploaded, what must and must not exist any more.
class UploadCheck : public TGameStateHooks
{
public:
    void PostMetrics() override
    {
        gHooks->log.push_back("PostMetrics");
        gHooks->log.push_back(TPlatform::GetInstance() ? "instance alive" : "instance gone");
        gHooks->log.push_back(LastFakeBackend() ? "backend alive" : "backend gone");
        gHooks->log.push_back("qfgamehandle=" +
                              std::string(TPlatform::GetConfig(str("qfgamehandle")).c_str()));
    }
};

void RecordingMain(TPlatform* platform, const char* commandLine)
{
    gHooks->log.push_back("Main");
    gCommandLine = commandLine;
    EXPECT_EQ(platform, TPlatform::GetInstance());
    platform->AdoptTask(new LoggingTask);
    // Play a little: a key, then the game asks to end.
    for (int i = 0; i < 3; ++i)
    {
        TEvent e;
        platform->GetEvent(&e);
        gEvents.push_back(e);
    }
    platform->Exit(0);
    TEvent e;
    platform->GetEvent(&e);
    gEvents.push_back(e);
}

class StartupTest : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        gHooks = &hooks;
        gCommandLine.clear();
        gEvents.clear();
    }
    void TearDown() override
    {
        gHooks = nullptr;
        PlatformFixture::TearDown();
    }
    void ScriptBackend()
    {
        auto backend = MakeBackend();
        TNativeEvent key;
        key.mKind = TNativeEvent::kKeyDown;
        key.mKey = TNativeEvent::kKeyPrintable;
        key.mKeyChar = 'a';
        key.mText = "a";
        backend->PushEvent(key);
        SetNextFakeBackend(std::move(backend));
    }
};

TEST_F(StartupTest, RunsMainOnceInsideTheStartedPlatformAndTearsDownInOrder)
{
    ScriptBackend();
    TPlatform::SetConfig(str("postmetrics"), str("1"));
    TPlatform::SetConfig(str("qfgamehandle"), str("handle"));
    auto* upload = new UploadCheck;
    // Keep every recording hook but the statistics one, which checks the tear-down state.
    TPlatformHooks::InstallGameState(upload);
    char a0[] = "game", a1[] = "a", a2[] = "b";
    char* argv[] = {a0, a1, a2, nullptr};
    EXPECT_EQ(QuillfireExec(3, argv, &RecordingMain, false), 0);

    EXPECT_EQ(gCommandLine, "a b ");
    EXPECT_EQ(TPlatform::GetInstance(), nullptr);
    EXPECT_TRUE(TConfig::Map().empty());
    EXPECT_EQ(LastFakeBackend(), nullptr) << "the backend went with the platform object";

    const std::vector<std::string> expected = {
        // Platform object
        "CreateWindowManager",
        // Facade
        "AttachWindowScript",
        "RegisterOggDataSource",
        // QuillfireExec
        "EnsureRenderer",
        "RebuildDisplay",
        "CreateSoundManager",
        "InitSoundManager",
        "Main",
        // Main's GetEvent calls: the wait that delivers the key and the idle wait run the sound
        // pass; the queued character and the quit record do not
        "HandleNotifications",
        "HandleNotifications",
        // Tear-down
        "DeleteWindowManager",
        "PlatformTaskDeleted",
        "DeleteSoundManager",
        "DeleteRasteriser",
        "RendererShutDown",
        "PostMetrics",
        "instance gone",
        "backend gone",
        "qfgamehandle=handle",
    };
    EXPECT_EQ(hooks.log, expected);
    ASSERT_EQ(gEvents.size(), 4u);
    EXPECT_EQ(gEvents[0].mType, TEvent::kKeyDown);
    EXPECT_EQ(gEvents[1].mType, TEvent::kCharacter);
    EXPECT_EQ(gEvents[2].mType, TEvent::kIdle);
    EXPECT_EQ(gEvents[3].mType, TEvent::kQuit);
}

TEST_F(StartupTest, UnicodeModesAreChosenFromTheConfiguration)
{
    struct Case
    {
        const char* pellory;
        const char* utf8;
        int second;
    };
    // Second record of a typed "a": the character (raw or single byte) or the code point.
    const Case cases[] = {
        {nullptr, nullptr, TEvent::kCharacter},
        {"yes", nullptr, TEvent::kCharacter},
        {nullptr, "1", TEvent::kUnicodeCharacter},
        {nullptr, "0", TEvent::kCharacter},
    };
    for (const Case& c : cases)
    {
        TConfig::Map().clear();
        hooks.log.clear();
        gEvents.clear();
        if (c.pellory)
            TPlatform::SetConfig(str("PelloryUnicode"), str(c.pellory));
        if (c.utf8)
            TPlatform::SetConfig(str("utf8mode"), str(c.utf8));
        ScriptBackend();
        char a0[] = "game";
        char* argv[] = {a0, nullptr};
        QuillfireExec(1, argv, &RecordingMain, false);
        ASSERT_EQ(gEvents.size(), 4u);
        EXPECT_EQ(gEvents[1].mType, c.second);
        // The raw path reports the mouse position; the text handler 0, 0. Both say 'A' first.
        EXPECT_EQ(gEvents[0].mParam, 'A');
    }
    EXPECT_EQ(gCommandLine, "");
}

void ThrowingMain(TPlatform*, const char*)
{
    throw std::runtime_error("boom");
}

TEST_F(StartupTest, ExceptionEndsTheSequenceWithAMessageAndNoTearDown)
{
    SetNextFakeBackend(MakeBackend());
    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(QuillfireExec(1, argv, &ThrowingMain, false), 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Unhandled exception\n"), std::string::npos);
    TPlatform* left = TPlatform::GetInstance();
    ASSERT_NE(left, nullptr) << "nothing was torn down";
    delete left;  // the test cleans up what the program would have left
}

// A program checks at start-up that every hook set is installed; the check names each one
// still on its do-nothing default.
TEST(PlatformHooksTest, MissingNamesEveryHookSetNotInstalled)
{
    TPlatformHooks::ResetAll();
    EXPECT_EQ(TPlatformHooks::Missing(), "render, window, sound, game state, text");
    TPlatformHooks::InstallWindow(new TWindowHooks());
    TPlatformHooks::InstallText(new TTextHooks());
    EXPECT_EQ(TPlatformHooks::Missing(), "render, sound, game state");
    TPlatformHooks::InstallRender(new TRenderHooks());
    TPlatformHooks::InstallSound(new TSoundHooks());
    TPlatformHooks::InstallGameState(new TGameStateHooks());
    EXPECT_EQ(TPlatformHooks::Missing(), "");
    TPlatformHooks::InstallSound(nullptr);
    EXPECT_EQ(TPlatformHooks::Missing(), "sound");
    TPlatformHooks::ResetAll();
}

}  // namespace
