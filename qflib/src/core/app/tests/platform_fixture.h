// A scratch resources folder (with "assets/"), a fake backend pointed at it, recording hooks,
// and the configuration emptied before and after each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/platform.h"
#include "app/platformdata.h"
#include "fakebackend.h"
#include "foundation/file.h"
#include "recordinghooks.h"

class PlatformFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qfapp-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        std::filesystem::create_directories(root + "/res/assets");
        std::filesystem::create_directories(root + "/user");
        std::filesystem::create_directories(root + "/common");
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd = cwd;
        TConfig::Map().clear();
        hooks.Install();
    }

    void TearDown() override {
        hooks.Uninstall();
        TConfig::Map().clear();
        TFile::ShutDownFileSystem();
        TFile::SetUserDir(str());
        TFile::SetCommonDir(str());
        TFile::SetDesktopDir(str());
        TFile::SetResourcesDir(str());
        TFile::mGlimmora = false;
        if (chdir(savedCwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << savedCwd;
        std::filesystem::remove_all(root);
    }

    std::unique_ptr<FakeBackend> MakeBackend() {
        auto backend = std::make_unique<FakeBackend>();
        backend->mResourcesFolder = root + "/res";
        backend->mUserDir = root + "/user";
        backend->mCommonDir = root + "/common";
        return backend;
    }

    void WriteFile(const std::string& relative, const std::string& text) {
        std::filesystem::path p = std::filesystem::path(root) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }

    std::string root, savedCwd;
    RecordingHooks hooks;
};
