// Shared fixture of the services tests: a fresh scratch folder (scratchdir.h) behind "user:" for
// every test, helpers to write and read files in it, and removal of every services singleton after
// the test so that each starts from first use.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/str.h"
#include "services/eatenentities.h"

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

// Two edible kinds without pictures, "apple" and "bug": what the saved eaten totals are kept for.
class NamedKind : public EntityKind
{
public:
    explicit NamedKind(const char* name) : name(name) {}
    str getKindName() const override { return name; }
    bool isEdibleByGoo() const override { return true; }
    WGUI::ImageMap* getKindImageMap() const override { return nullptr; }
    int getKindCell() const override { return -1; }
    WGUI::AnimationDef* getKindAnimationDef() const override { return nullptr; }
    str name;
};

class AppleAndBug : public EntityKinds
{
public:
    void getKinds(std::vector<EntityKind*>& out) const override
    {
        out.push_back(const_cast<NamedKind*>(&apple));
        out.push_back(const_cast<NamedKind*>(&bug));
    }
    NamedKind apple{"apple"}, bug{"bug"};
};

// Deletes every services singleton (safe when one was never made).
void DeleteServiceSingletons();

// Points "user:" at a host folder ("" for none), forgetting where user names led before.
void UseUserDir(const std::string& path);

}  // namespace Game::servicestest
