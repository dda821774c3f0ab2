#include "headlessplatform.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"

void THeadlessPlatform::SetUp(const THeadlessOptions& options)
{
    ASSERT_TRUE(folders.Create(options.prefix, options.userFolders)) << folders.error;
    for (const auto& f : options.assetFiles)
        folders.WriteFile("res/assets/" + f.first, f.second);

    InstallWindowHooks();
    if (options.installScript)
        options.installScript();

    handler = InstallRecordingRenderer(options.displayWidth, options.displayHeight, options.displayOnHandler);

    if (!options.makePlatform)
        return;
    auto backendOwned = folders.MakeBackend();
    backend = backendOwned.get();
    data = new TPlatformData(std::move(backendOwned), 0, nullptr, false);
    platform = new TPlatform(data);
    manager = platform->GetWindowManager();
    ASSERT_NE(manager, nullptr);
    backend->AdvanceMs(1000);
}

void THeadlessPlatform::TearDown()
{
    delete platform;  // deletes its data and backend
    platform = nullptr;
    data = nullptr;
    backend = nullptr;
    manager = nullptr;
    TRenderer::ShutDown();
    handler = nullptr;
    SetWindowScriptFactory(nullptr);
    TPlatformHooks::ResetAll();
    if (!folders.Remove())
        ADD_FAILURE() << folders.error;
}

TEvent THeadlessPlatform::Pump()
{
    TEvent e;
    platform->GetEvent(&e);
    manager->HandleEvent(&e);
    return e;
}
