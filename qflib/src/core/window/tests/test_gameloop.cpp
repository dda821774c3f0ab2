// The whole road: the framework's entry builds the platform with the window hooks, the game's
// Main sets the display (which makes the screen window), pushes its layer and runs the loop of
// GetEvent and HandleEvent until a quit-now message ends the program.
#include "window_fixture.h"

using namespace wtest;

namespace {

Log* gLog = nullptr;
bool gSawScreen = false;

class QuitButton : public LogButton
{
public:
    QuitButton(Log* log) : LogButton(log, "quit", TButtonBase::kDefaultButton) {}
    bool DoCommand() override
    {
        LogButton::DoCommand();
        TWindowManager::GetInstance()->PostWindowMessage(new TMessage(TMessage::kQuitNow));
        return true;
    }
};

void LoopMain(TPlatform* platform, const char*)
{
    platform->SetDisplay(640, 480, false);
    TWindowManager* manager = platform->GetWindowManager();
    gSawScreen = manager->GetScreen() != nullptr && manager->GetScreen()->GetWindowWidth() == 640;
    auto* layer = new LogModal(gLog, "game");
    manager->PushModal(layer);
    layer->AdoptChild(new QuitButton(gLog), false);
    int idles = 0;
    for (int i = 0; i < 1000; ++i) {
        TEvent e;
        platform->GetEvent(&e);
        if (e.mType == TEvent::kQuit) {
            gLog->push_back("quit");
            break;
        }
        manager->HandleEvent(&e);
        // Each idle wait moves the fake clock by a millisecond: after 20 of them the stack has
        // been drawn, and the player presses Return.
        if (e.mType == TEvent::kIdle && ++idles == 20) {
            TNativeEvent enter;
            enter.mKind = TNativeEvent::kKeyDown;
            enter.mKey = TNativeEvent::kKeyReturn;
            enter.mScancode = 40;
            LastFakeBackend()->PushEvent(enter);
        }
    }
}

class GameLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qfwinloop-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        std::filesystem::create_directories(root + "/res/assets");
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd = cwd;
        TConfig::Map().clear();
        InstallWindowHooks();
        auto owned = std::make_unique<TRecordingDisplayHandler>();
        handler = owned.get();
        TRenderer::CreateInstance(std::move(owned));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 640, 480));
    }
    void TearDown() override
    {
        TRenderer::ShutDown();
        TPlatformHooks::ResetAll();
        TConfig::Map().clear();
        TFile::ShutDownFileSystem();
        TFile::SetUserDir(str());
        TFile::SetCommonDir(str());
        TFile::SetDesktopDir(str());
        TFile::SetResourcesDir(str());
        if (chdir(savedCwd.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << savedCwd;
        std::filesystem::remove_all(root);
    }
    std::string root, savedCwd;
    TRecordingDisplayHandler* handler = nullptr;
};

}  // namespace

TEST_F(GameLoop, EnterPressesTheDefaultButtonWhoseQuitMessageEndsTheLoop)
{
    Log log;
    gLog = &log;
    auto backend = std::make_unique<FakeBackend>();
    backend->mResourcesFolder = root + "/res";
    backend->mUserDir = root + "/user";
    backend->mCommonDir = root + "/common";
    SetNextFakeBackend(std::move(backend));

    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    EXPECT_EQ(QuillfireExec(1, argv, &LoopMain, false), 0);
    EXPECT_TRUE(gSawScreen) << "the first display set-up made the screen window";
    EXPECT_EQ(TWindowManager::GetInstance(), nullptr) << "gone with the platform";
    ASSERT_GE(log.size(), 2u);
    auto command = std::find(log.begin(), log.end(), "quit:command");
    ASSERT_NE(command, log.end());
    EXPECT_NE(std::find(command, log.end(), "quit"), log.end()) << "the loop ended after the press";
    EXPECT_NE(std::find(log.begin(), log.end(), "game:deleted"), log.end());
    EXPECT_GE(handler->endDrawCount, 1) << "idle steps drew the stack";
    gLog = nullptr;
}
