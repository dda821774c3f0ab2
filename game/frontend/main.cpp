// Program entry: the three configuration values the framework needs before it starts, then the
// framework's entry, which calls back Main once its event loop runs.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "heaptrim.h"
#include "app/platform.h"
#include "app/seams.h"
#include "bridge/luawindowscript.h"
#include "bridge/scriptwidgets.h"
#include "gamedata.h"
#include "online/onlinehooks.h"
#include "render/renderhooks.h"
#include "sdlbackend.h"
#include "sound/soundhooks.h"
#include "text/texthooks.h"
#include "window/windowhooks.h"
#include "wguimain.h"

// The data-encryption key of the hiscore file.
static const char* const kDataKey = "W0mb1xOmn1v0";

void ZestkitInit()
{
    TPlatform::SetConfig("mac_fix_common_and_user_dirs", "1");
    TPlatform::SetConfig(TPlatform::kGameName, "wombixomnivora");
    TPlatform::SetConfig(TPlatform::kPublisherName, "wombixgames");
}

static void Main(TPlatform* platform, const char*)
{
    if (platform)
    {
        // Freed pictures and levels go back to the system instead of staying in the heap.
        platform->AdoptTask(new THeapTrimTask());
        // The desktop shows the goo for the game's window (title bar, task switcher).
        platform->SetWindowIcon("graphics/windowicon.png");
    }
    TPlatform::SetConfig(TPlatform::kEncryptionKey, kDataKey);
    // Seeded from the clock; WOMBIX_RANDOM_SEED fixes the sequence for repeatable test runs.
    const char* seed = getenv("WOMBIX_RANDOM_SEED");
    if (seed && *seed)
        srand((unsigned int)strtoul(seed, nullptr, 10));
    else
        srand((unsigned int)time(nullptr));
    Game::WGUImain();
}

int main(int argc, char** argv)
{
    ZestkitInit();
    SetPlatformBackendFactory(CreateSdlBackend);
    InstallRenderHooks();
    InstallSoundHooks();
    InstallTextHooks();
    InstallWindowHooks();
    InstallWindowScriptFactory();
    InstallScriptedWidgets();
    InstallOnlineHooks();
    // Every subsystem the framework drives through a hook must have installed it: a missing one
    // would leave its part of the program silently doing nothing.
    const std::string missing = TPlatformHooks::Missing();
    if (!missing.empty())
    {
        std::fprintf(stderr, "Start-up failed: no hooks installed for %s\n", missing.c_str());
        return 1;
    }
    // Nothing starts without the game's data: one line says where it was looked for.
    const std::string noData = Game::Frontend::CheckGameData();
    if (!noData.empty())
    {
        std::fprintf(stderr, "%s\n", noData.c_str());
        return 1;
    }
    QuillfireExec(argc, argv, Main, false);
    return 0;
}
