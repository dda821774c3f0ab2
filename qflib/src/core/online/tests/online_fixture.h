// A scratch working folder with a "user" folder behind "user:", an empty configuration, a
// platform facade without a platform object (so the store can be made) and a controllable
// millisecond clock for the statistics timers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "online/gamedata.h"
#include "online/gamestate.h"
#include "scratchdir.h"

namespace onlinetest
{

inline unsigned int& FakeNow()
{
    static unsigned int now = 0;
    return now;
}
inline unsigned int FakeTimer()
{
    return FakeNow();
}

class OnlineFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        root = MakeScratchFolder("qfonline", &error);
        ASSERT_FALSE(root.empty()) << error;
        std::filesystem::create_directories(root + "/user");
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd = cwd;
        ASSERT_EQ(chdir(root.c_str()), 0);
        TConfig::Map().clear();
        platform.reset(new TPlatform(nullptr));
        TFile::ShutDownFileSystem();
        TFile::SetUserDir(str((root + "/user").c_str()));
        FakeNow() = 1000;
        TQfGameData::SetTimerSource(&FakeTimer);
        qfSetDbgSink([this](const char* line) { debugLines.push_back(line); });
    }

    // The game-state store, made here on first use for tests that run no start-up (in the game
    // the platform facade's start-up makes it).
    static TGameState& Store() { return *TGameState::CreateInstance(nullptr); }

    void TearDown() override
    {
        qfSetDbgSink(nullptr);
        TGameState::DestroyInstance();
        TGameState::SetVolumeControl(nullptr);
        TQfGameData::SetTimerSource(nullptr);
        platform.reset();
        TConfig::Map().clear();
        TFile::ShutDownFileSystem();
        TFile::SetUserDir(str());
        if (chdir(savedCwd.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << savedCwd;
        RemoveScratchFolder(root);
    }

    void WriteFile(const std::string& relative, const std::string& bytes)
    {
        std::filesystem::path p = std::filesystem::path(root) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

    std::string ReadFile(const std::string& relative)
    {
        std::ifstream in(std::filesystem::path(root) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool FileExists(const std::string& relative)
    {
        return std::filesystem::exists(std::filesystem::path(root) / relative);
    }

    bool Logged(const std::string& text)
    {
        for (const std::string& line : debugLines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::string root, savedCwd;
    std::unique_ptr<TPlatform> platform;
    std::vector<std::string> debugLines;
};

}  // namespace onlinetest
