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
#include "scratchfolders.h"

class PlatformFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folders.Create("qfapp")) << folders.error;
        hooks.Install();
    }

    void TearDown() override
    {
        hooks.Uninstall();
        EXPECT_TRUE(folders.Remove()) << folders.error;
    }

    std::unique_ptr<FakeBackend> MakeBackend() { return folders.MakeBackend(); }

    void WriteFile(const std::string& relative, const std::string& text)
    {
        folders.WriteFile(relative, text);
    }

    TScratchFolders folders;
    std::string& root = folders.root;
    RecordingHooks hooks;
};
