#include "scratchfolders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/platform.h"
#include "fakebackend.h"
#include "foundation/file.h"
#include "scratchdir.h"

bool TScratchFolders::Create(const char* prefix, bool userFolders)
{
    root = MakeScratchFolder(prefix, &error);
    if (root.empty())
        return false;
    std::filesystem::create_directories(root + "/res/assets");
    if (userFolders)
    {
        std::filesystem::create_directories(root + "/user");
        std::filesystem::create_directories(root + "/common");
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
    {
        error = "cannot read the working folder";
        return false;
    }
    savedCwd = cwd;
    TConfig::Map().clear();
    return true;
}

bool TScratchFolders::Remove()
{
    TConfig::Map().clear();
    TFile::ShutDownFileSystem();
    TFile::SetUserDir(str());
    TFile::SetCommonDir(str());
    TFile::SetDesktopDir(str());
    TFile::SetResourcesDir(str());
    TFile::mGlimmora = false;
    bool back = true;
    if (!savedCwd.empty() && chdir(savedCwd.c_str()) != 0)
    {
        error = "cannot go back to " + savedCwd;
        back = false;
    }
    RemoveScratchFolder(root);
    return back;
}

std::unique_ptr<FakeBackend> TScratchFolders::MakeBackend() const
{
    auto backend = std::make_unique<FakeBackend>();
    backend->mResourcesFolder = root + "/res";
    backend->mUserDir = root + "/user";
    backend->mCommonDir = root + "/common";
    return backend;
}

void TScratchFolders::WriteFile(const std::string& relative, const std::string& text) const
{
    std::filesystem::path p = std::filesystem::path(root) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}
