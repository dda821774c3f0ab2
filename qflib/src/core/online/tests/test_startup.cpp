#include <gtest/gtest.h>

#include "app/platformdata.h"
#include "app/seams.h"
#include "bridge/luawindowscript.h"
#include "fakebackend.h"
#include "online/metricshandler.h"
#include "online/onlinehooks.h"
#include "online_fixture.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"
#include "window/windowscript.h"

using onlinetest::OnlineFixture;

namespace
{

// Start-up through the platform facade with the online hooks installed: the store always
// exists, and at most one statistics handler is installed, "glimmora" winning.
class OnlineStartupTest : public OnlineFixture
{
protected:
    void SetUp() override
    {
        OnlineFixture::SetUp();
        platform.reset();  // each case builds its own facade
        InstallOnlineHooks();
        std::filesystem::create_directories(root + "/res/assets");
    }
    void TearDown() override
    {
        TPlatformHooks::InstallGameState(nullptr);
        platform.reset(new TPlatform(nullptr));
        OnlineFixture::TearDown();
    }
    std::unique_ptr<FakeBackend> MakeBackend()
    {
        auto backend = std::make_unique<FakeBackend>();
        backend->mResourcesFolder = root + "/res";
        backend->mUserDir = root + "/user";
        backend->mCommonDir = root + "/common";
        return backend;
    }
};

TEST_F(OnlineStartupTest, TheConfigurationPicksAtMostOneHandler)
{
    enum EKind
    {
        kNone,
        kGlimmora,
        kPostMetrics
    };
    struct Case
    {
        const char* glimmora;
        const char* postmetrics;
        EKind kind;
    };
    const Case cases[] = {
        {nullptr, nullptr, kNone}, {"1", "1", kGlimmora}, {"0", "1", kPostMetrics},
        {"2", nullptr, kGlimmora}, {"0", "abc", kNone},   {nullptr, "-1", kPostMetrics},
    };
    for (const Case& c : cases)
    {
        TConfig::Map().clear();
        if (c.glimmora)
            TPlatform::SetConfig(str("glimmora"), str(c.glimmora));
        if (c.postmetrics)
            TPlatform::SetConfig(str("postmetrics"), str(c.postmetrics));
        TPlatform::SetConfig(str("site"), str(""));  // nothing leaves the machine
        {
            TPlatform facade(new TPlatformData(MakeBackend(), 0, nullptr, false));
            ASSERT_NE(TGameStateData::mGameState, nullptr);
            const auto& handlers = TGameStateData::Handlers();
            if (c.kind == kNone)
            {
                EXPECT_TRUE(handlers.empty());
            }
            else
            {
                ASSERT_EQ(handlers.size(), 1u);
                const bool post = dynamic_cast<TPostMetricsHandler*>(handlers[0]) != nullptr;
                EXPECT_NE(dynamic_cast<TGlimmoraHandler*>(handlers[0]), nullptr);
                EXPECT_EQ(post, c.kind == kPostMetrics);
            }
        }
        // Shut-down destroyed the store and its handler.
        EXPECT_EQ(TGameStateData::mGameState, nullptr);
        EXPECT_TRUE(TGameStateData::Handlers().empty());
    }
}

// The start-up hands the store the window script's state: scripts reach the store through its
// globals from the first chunk on.
TEST_F(OnlineStartupTest, TheStoreRegistersItsGlobalsInTheWindowScriptsState)
{
    InstallWindowHooks();
    InstallWindowScriptFactory();
    TPlatform::SetConfig(str("site"), str(""));
    {
        TPlatform facade(new TPlatformData(MakeBackend(), 0, nullptr, false));
        ASSERT_NE(TGameState::GetInstance(), nullptr);
        TWindowManager* manager = facade.GetWindowManager();
        ASSERT_NE(manager, nullptr);
        ASSERT_NE(manager->GetScript(), nullptr);
        ASSERT_NE(manager->GetScript()->GetEngineState(), nullptr);
        EXPECT_TRUE(manager->GetScript()->RunChunk(str("_SetState('from', 'script')"), str("check")));
        EXPECT_EQ(TGameState::GetInstance()->GetState(str("from")), str("script"));
    }
    SetWindowScriptFactory(nullptr);
    TPlatformHooks::InstallWindow(nullptr);
}

}  // namespace
