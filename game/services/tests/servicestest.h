// Shared fixture of the services tests: a fresh temporary user folder behind "user:" for every
// test, helpers to write and read files in it, and removal of every services singleton after
// the test so that each starts from first use.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/str.h"

namespace Game::servicestest
{

class ServicesTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a file in the temporary user folder.
    std::string UserPath(const std::string& name) const;
    void WriteUserFile(const std::string& name, const std::string& text) const;
    // The file's bytes; empty when it does not exist.
    std::string ReadUserFile(const std::string& name) const;
    bool UserFileExists(const std::string& name) const;

    std::string mUserDir;
};

// Deletes every services singleton (safe when one was never made).
void DeleteServiceSingletons();

// Points "user:" at a host folder ("" for none), forgetting where user names led before.
void UseUserDir(const std::string& path);

// Removes a folder and everything in it.
void RemoveTree(const std::string& path);

}  // namespace Game::servicestest