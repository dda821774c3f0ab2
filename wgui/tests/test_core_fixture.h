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
#include "headlessplatform.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "window/windowhooks.h"
#include "window/windowmanager.h"
#include "wgui_manager.h"
#include "wgui_timer.h"

namespace wguitest
{

class PlatformFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        THeadlessOptions options;
        options.prefix = "wgui";
        ASSERT_NO_FATAL_FAILURE(headless.SetUp(options));
    }

    void TearDown() override
    {
        // The manager if a test made one, then whichever GUI singletons a look-up made.
        WGUI::Manager::deleteInstance();
        WGUI::Manager::deleteSingletons();
        headless.TearDown();
    }

    void WriteFile(const std::string& relative, const std::string& text)
    {
        headless.folders.WriteFile(relative, text);
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

    THeadlessPlatform headless;
    // The headless platform's parts, under the names the tests use.
    std::string& root = headless.folders.root;
    FakeBackend*& backend = headless.backend;
    TPlatformData*& data = headless.data;
    TPlatform*& platform = headless.platform;
    TWindowManager*& windows = headless.manager;
    TRecordingDisplayHandler*& handler = headless.handler;
};

// A frame-timer test step: move the fake clock and run the library's timer.
inline void Tick(FakeBackend* backend, unsigned ms)
{
    backend->AdvanceMs(ms);
    WGUI::Timer::instance()->update();
}

}  // namespace wguitest
