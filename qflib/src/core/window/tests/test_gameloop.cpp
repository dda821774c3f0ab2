// The whole road: the framework's entry builds the platform with the window hooks, the game's
// Main sets the display (which makes the screen window), pushes its layer and runs the loop of
// GetEvent and HandleEvent until a quit-now message ends the program.
#include "window_fixture.h"

using namespace wtest;

namespace
{

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
    for (int i = 0; i < 1000; ++i)
    {
        TEvent e;
        platform->GetEvent(&e);
        if (e.mType == TEvent::kQuit)
        {
            gLog->push_back("quit");
            break;
        }
        manager->HandleEvent(&e);
        // Each idle wait moves the fake clock by a millisecond: after 20 of them the stack has
        // been drawn, and the player presses Return.
        if (e.mType == TEvent::kIdle && ++idles == 20)
        {
            TNativeEvent enter;
            enter.mKind = TNativeEvent::kKeyDown;
            enter.mKey = TNativeEvent::kKeyReturn;
            enter.mScancode = 40;
            LastFakeBackend()->PushEvent(enter);
        }
    }
}

// The platform is made by the framework's entry, so the fixture stops at the renderer.
class GameLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        THeadlessOptions options;
        options.prefix = "qfwinloop";
        options.userFolders = false;
        options.displayOnHandler = false;
        options.makePlatform = false;
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
        handler = headless.handler;
    }
    void TearDown() override { headless.TearDown(); }
    THeadlessPlatform headless;
    TRecordingDisplayHandler* handler = nullptr;
};

}  // namespace

TEST_F(GameLoop, EnterPressesTheDefaultButtonWhoseQuitMessageEndsTheLoop)
{
    Log log;
    gLog = &log;
    SetNextFakeBackend(headless.folders.MakeBackend());

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
