// The medal submission dialogs against a loopback hiscore server: the medal rows, the submit
// button and keys, and the result dialog's polling, dots and final texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <mutex>
#include <string>

#include "app/platform.h"
#include "foundation/encrypt.h"
#include "medalsubmit.h"
#include "online/hiscores.h"
#include "online/loopserver.h"
#include "online/simplehttp.h"
#include "services/levelprogress.h"
#include "test_fb_fixture.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

using fbtest::FrontEndTest;
using testsupport::TLoopReply;
using testsupport::TLoopRequest;
using testsupport::TLoopServer;

namespace
{

const char kKey[] = "Wmbx0mn1v";

class MedalTest : public FrontEndTest
{
protected:
    void SetUp() override
    {
        FrontEndTest::SetUp();
        testsupport::ClearProxyEnvironment();
        TSimpleHttp::SetDefaultTimeouts(500, 1500);
        TPlatform::SetConfig(str("encryptionkey"), str(kKey));
        TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
        server.reset(new TLoopServer(
            [this](const TLoopRequest&)
            {
                std::lock_guard<std::mutex> lock(mutex);
                TLoopReply reply;
                reply.body = answer;
                if (neverAnswer)
                    reply.kind = TLoopReply::kNeverAnswer;
                return reply;
            }));
        // The platform works from the resources folder; the override is read from there.
        writeFile("res/hiscoreserver.txt", server->BaseUrl() + "/hiscore\n");
        options = stub("optionswindow");
        submit = add(new MedalSubmitWindow());
        result = add(new MedalSubmitResult());
        activeProfile("ann");
    }
    void TearDown() override
    {
        server.reset();
        FrontEndTest::TearDown();
        TSimpleHttp::SetDefaultTimeouts(10000, 30000);
        THttpData::AbortAll();
    }
    void openSubmit()
    {
        options->setAlwaysActive(false);
        submit->initFields();
        submit->setVisible(true);
        submit->setAlwaysActive(true);
        frames(1);
    }
    // Waits for the submission's transfer to end (blocking on its sockets and timers), then lets
    // one frame read the result. The transfer ends within its own time-outs; the minute only
    // turns a hang into a failure.
    bool waitFinal()
    {
        submit->getHiscores()->GetData()->request->WaitUntilFinished(60000);
        frames(1);
        return !result->isSubmitting();
    }

    std::unique_ptr<TLoopServer> server;
    std::mutex mutex;
    std::string answer = "<hiscore/>";
    bool neverAnswer = false;
    WGUI::Window* options = nullptr;
    MedalSubmitWindow* submit = nullptr;
    MedalSubmitResult* result = nullptr;
};

TEST_F(MedalTest, RowsFollowTheAchievementsInOrder)
{
    const std::string row = "<medal name=\"omnivora_completedcasual\" per=\"game\"/>";
    EXPECT_EQ(std::string(MedalSubmitWindow::getMedalString(str("completedcasual")).c_str()), row);
    EXPECT_EQ(std::string(MedalSubmitWindow::getFinalMedalString().c_str()), "");
    grantLevels(LevelMode::kCasual, 60, true, 50);
    EXPECT_EQ(std::string(MedalSubmitWindow::getFinalMedalString().c_str()), row);
    grantLevels(LevelMode::kTimed, 60, true, 50);  // gold everywhere
    grantLevels(LevelMode::kEndurance, 3, true, 50);
    std::string all;
    for (const char* m : {"completedgame", "completedgamebronze", "completedgamesilver", "completedgamegold",
                          "completedcasual", "completedendurance"})
        all += std::string("<medal name=\"omnivora_") + m + "\" per=\"game\"/>";
    EXPECT_EQ(std::string(MedalSubmitWindow::getFinalMedalString().c_str()), all);
}

TEST_F(MedalTest, SubmitNeedsNameAndPasswordAndTabSwapsInputs)
{
    openSubmit();
    EXPECT_FALSE(submit->getRememberBox()->getSelected());
    EXPECT_FALSE(submit->getSubmitButton()->isVisible());
    WGUI::WEvent enter;
    enter.type = WGUI::WEvent::kKeyDown;
    enter.key = WGUI::Input::kEnter;
    submit->messageCallback(enter);
    EXPECT_TRUE(submit->isAlwaysActive());  // nothing sent
    submit->getNameInput()->setText("ann");
    frames(1);
    EXPECT_FALSE(submit->getSubmitButton()->isVisible());
    submit->getPasswordInput()->setText("s3cret");
    frames(1);
    EXPECT_TRUE(submit->getSubmitButton()->isVisible());

    WGUI::WEvent tab;
    tab.type = WGUI::WEvent::kKeyDown;
    tab.key = WGUI::Input::kTab;
    submit->getNameInput()->setActive(false);
    submit->getPasswordInput()->setActive(false);
    submit->messageCallback(tab);  // neither active: nothing moves
    EXPECT_FALSE(submit->getNameInput()->isActive());
    EXPECT_FALSE(submit->getPasswordInput()->isActive());
    submit->getNameInput()->setActive(true);
    submit->messageCallback(tab);
    EXPECT_FALSE(submit->getNameInput()->isActive());
    EXPECT_TRUE(submit->getPasswordInput()->isActive());
    submit->messageCallback(tab);
    EXPECT_TRUE(submit->getNameInput()->isActive());

    submit->buttonReleased(submit->getCancelButton());
    EXPECT_TRUE(options->isAlwaysActive());
    EXPECT_FALSE(submit->isAlwaysActive());
    EXPECT_EQ(server->RequestCount(), 0u);
}

TEST_F(MedalTest, SuccessfulSubmissionRemembersTheUser)
{
    grantLevels(LevelMode::kCasual, 60, true, 50);
    openSubmit();
    submit->getNameInput()->setText("ann");
    submit->getPasswordInput()->setText("s3cret");
    submit->getRememberBox()->setSelected(true);
    submit->submit();
    EXPECT_TRUE(result->isAlwaysActive());
    EXPECT_FALSE(result->getOkButton()->isVisible());
    ASSERT_TRUE(waitFinal());
    EXPECT_STREQ(result->getMessage().c_str(), "Sent");
    ASSERT_EQ(server->RequestCount(), 1u);
    frames(30);
    EXPECT_TRUE(result->getOkButton()->isVisible());
    result->buttonReleased(result->getOkButton());
    EXPECT_TRUE(options->isAlwaysActive());
    // Next visit: the fields come back.
    openSubmit();
    EXPECT_STREQ(submit->getNameInput()->getText().c_str(), "ann");
    EXPECT_STREQ(submit->getPasswordInput()->getText().c_str(), "s3cret");
    EXPECT_TRUE(submit->getRememberBox()->getSelected());
}

TEST_F(MedalTest, ServerTextIsShownAsReceivedWithoutMarkup)
{
    answer = "<hiscore><message>Bad &lt;b&gt;name\\x</message></hiscore>";
    openSubmit();
    submit->getNameInput()->setText("ann");
    submit->getPasswordInput()->setText("pw");
    submit->submit();
    ASSERT_TRUE(waitFinal());
    // "<" and "\" are escaped for the text box, which then shows them literally.
    EXPECT_STREQ(result->getMessage().c_str(), "Bad \\<b>name\\\\x");
}

TEST_F(MedalTest, RefusedNameIsFinalAtOnceAndPollsNothing)
{
    openSubmit();
    submit->getNameInput()->setText("ann");
    submit->getPasswordInput()->setText("pw");
    // The account filter keeps such names out of the input; the client refuses them too.
    result->initFields(submit->getHiscores(),
                       submit->getHiscores()->SubmitMedals("", str("\xc3"), str("pw"), false));
    EXPECT_FALSE(result->isSubmitting());
    EXPECT_STREQ(result->getMessage().c_str(), "Refused");
    frames(30);
    EXPECT_TRUE(result->getOkButton()->isVisible());
    EXPECT_EQ(server->RequestCount(), 0u);
}

TEST_F(MedalTest, DotsStepEveryFifthOfASecondWhilePending)
{
    // The reply is held until the frames are counted, and the transfer's time-out leaves room for
    // a slow machine.
    TSimpleHttp::SetDefaultTimeouts(500, 30000);
    server->HoldReplies();
    openSubmit();
    submit->getNameInput()->setText("ann");
    submit->getPasswordInput()->setText("pw");
    submit->submit();
    std::vector<int> counts;
    for (int i = 0; i < 26; ++i)
    {
        frames(1, 50);  // 0.05 s, the longest frame
        ASSERT_TRUE(result->isSubmitting()) << "frame " << i;
        counts.push_back(result->getDotCount());
    }
    // 26 frames of 0.05 s: a step after every fifth frame (the timer must exceed 0.2 s).
    EXPECT_EQ(counts[3], 0);
    EXPECT_EQ(counts[4], 1);
    EXPECT_EQ(counts[9], 2);
    EXPECT_EQ(counts[24], 5);
    EXPECT_STREQ(result->getMessage().c_str(), "Sending.....");
    EXPECT_FALSE(result->getOkButton()->isVisible());
    server->ReleaseReplies();
    ASSERT_TRUE(waitFinal());
    EXPECT_STREQ(result->getMessage().c_str(), "Sent");
}

TEST_F(MedalTest, ARequestThatNeverCompletesStillEndsWithAWayOut)
{
    neverAnswer = true;
    openSubmit();
    submit->getNameInput()->setText("ann");
    submit->getPasswordInput()->setText("pw");
    submit->submit();
    ASSERT_TRUE(waitFinal());  // the client's time-out ends it as a failure
    EXPECT_STRNE(result->getMessage().c_str(), "Sent");
    EXPECT_STRNE(result->getMessage().c_str(), "");
    frames(30);
    EXPECT_TRUE(result->getOkButton()->isVisible());
}

}  // namespace
