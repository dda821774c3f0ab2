#include "servicestest.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/file.h"
#include "services/servicelifetime.h"

using namespace Game;

namespace Game::servicestest
{

void RemoveTree(const std::string& path)
{
    if (DIR* dir = opendir(path.c_str()))
    {
        while (dirent* entry = readdir(dir))
        {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string full = path + "/" + name;
            struct stat st;
            if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(full);
            else
                unlink(full.c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

void DeleteServiceSingletons()
{
    GameServices::shutDown();
}

void UseUserDir(const std::string& path)
{
    TFile::SetUserDir(path.c_str());
    // The file layer remembers where each "user:" name led; those places belong to the
    // previous folder.
    for (auto it = TFile::mResourceMap.begin(); it != TFile::mResourceMap.end();)
    {
        if (strncmp(it->first.c_str(), "user:", 5) == 0)
            it = TFile::mResourceMap.erase(it);
        else
            ++it;
    }
}

void ServicesTest::SetUp()
{
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/services_test_XXXXXX";
    char* made = mkdtemp(&pattern[0]);
    ASSERT_NE(made, nullptr);
    mUserDir = made;
    UseUserDir(mUserDir);
    DeleteServiceSingletons();
}

void ServicesTest::TearDown()
{
    DeleteServiceSingletons();
    UseUserDir("");
    if (!mUserDir.empty())
        RemoveTree(mUserDir);
}

std::string ServicesTest::UserPath(const std::string& name) const
{
    return mUserDir + "/" + name;
}

void ServicesTest::WriteUserFile(const std::string& name, const std::string& text) const
{
    std::ofstream out(UserPath(name), std::ios::binary);
    out << text;
}

std::string ServicesTest::ReadUserFile(const std::string& name) const
{
    std::ifstream in(UserPath(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool ServicesTest::UserFileExists(const std::string& name) const
{
    struct stat st;
    return stat(UserPath(name).c_str(), &st) == 0;
}

}  // namespace Game::servicestest