// The sound layer seen through the platform: with the sound hooks installed, start-up creates
// and starts the sound manager, Main can use it, and shut-down deletes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/platform.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "scratchfolders.h"
#include "sound/soundhooks.h"
#include "sound/soundmanager.h"

namespace
{

TSoundManager* gManagerSeenByMain = nullptr;
TSoundManager* gInstanceSeenByMain = nullptr;
int gIdleEvents = 0;

void SoundMain(TPlatform* platform, const char*)
{
    gManagerSeenByMain = platform->GetSoundManager();
    gInstanceSeenByMain = TSoundManager::GetInstance();
    // Waiting for events runs the manager's main-thread pass; it must be harmless while idle.
    for (int i = 0; i < 5; ++i)
    {
        TEvent e;
        platform->GetEvent(&e);
        if (e.mType == TEvent::kIdle)
            ++gIdleEvents;
    }
}

TEST(SoundHooks, StartUpCreatesTheManagerAndShutDownDeletesIt)
{
    TScratchFolders folders;
    ASSERT_TRUE(folders.Create("qfsoundhooks")) << folders.error;
    SetNextFakeBackend(folders.MakeBackend());

    InstallSoundHooks();
    char a0[] = "game";
    char* argv[] = {a0, nullptr};
    QuillfireExec(1, argv, SoundMain, false);
    TPlatformHooks::ResetAll();

    EXPECT_NE(gManagerSeenByMain, nullptr);
    EXPECT_EQ(gInstanceSeenByMain, gManagerSeenByMain);
    EXPECT_EQ(gIdleEvents, 5);
    EXPECT_EQ(TSoundManager::GetInstance(), nullptr);
    EXPECT_TRUE(folders.Remove()) << folders.error;
}

}  // namespace
