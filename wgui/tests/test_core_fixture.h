// Fixtures of the library's core tests: a platform facade over the fake backend (scripted
// events, a clock that moves only when told) with the window hooks installed, a renderer on the
// recording display handler, and scratch resource and user folders.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/platformdata.h"
#include "app/seams.h"
#include "fakebackend.h"
#include "foundation/file.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"
#include "wgui_manager.h"
#include "wgui_timer.h"

namespace wguitest {

class PlatformFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/wgui-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        std::filesystem::create_directories(root + "/res/assets");
        std::filesystem::create_directories(root + "/user");
        std::filesystem::create_directories(root + "/common");
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd = cwd;
        TConfig::Map().clear();

        InstallWindowHooks();
        auto handlerOwned = std::make_unique<TRecordingDisplayHandler>();
        handler = handlerOwned.get();
        handler->SetDisplay(640, 480, false, false, false, false);
        TRenderer::CreateInstance(std::move(handlerOwned));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 640, 480));

        auto backendOwned = std::make_unique<FakeBackend>();
        backend = backendOwned.get();
        backend->mResourcesFolder = root + "/res";
        backend->mUserDir = root + "/user";
        backend->mCommonDir = root + "/common";
        data = new TPlatformData(std::move(backendOwned), 0, nullptr, false);
        platform = new TPlatform(data);
        windows = platform->GetWindowManager();
        ASSERT_NE(windows, nullptr);
        backend->AdvanceMs(1000);
    }

    void TearDown() override
    {
        WGUI::Manager::deleteInstance();
        WGUI::Timer::deleteInstance();
        delete platform;
        platform = nullptr;
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

    void WriteFile(const std::string& relative, const std::string& text)
    {
        std::filesystem::path p = std::filesystem::path(root) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    std::string ReadFile(const std::string& relative)
    {
        std::ifstream in(std::filesystem::path(root) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Draw calls of the recorder that draw vertices.
    std::vector<TDrawCall> VertexCalls() const
    {
        std::vector<TDrawCall> out;
        for (const auto& c : handler->calls)
            if (c.kind == TDrawCall::kVertices)
                out.push_back(c);
        return out;
    }

    std::string root, savedCwd;
    FakeBackend* backend = nullptr;
    TPlatformData* data = nullptr;
    TPlatform* platform = nullptr;
    TWindowManager* windows = nullptr;
    TRecordingDisplayHandler* handler = nullptr;
};

// A frame-timer test step: move the fake clock and run the library's timer.
inline void Tick(FakeBackend* backend, unsigned ms)
{
    backend->AdvanceMs(ms);
    WGUI::Timer::instance()->update();
}

}  // namespace wguitest
