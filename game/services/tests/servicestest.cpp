#include "servicestest.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/file.h"
#include "scratchdir.h"
#include "services/servicelifetime.h"

using namespace Game;

namespace Game::servicestest
{

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
    std::string error;
    mUserDir = MakeScratchFolder("services_test", &error);
    ASSERT_FALSE(mUserDir.empty()) << error;
    UseUserDir(mUserDir);
    DeleteServiceSingletons();
}

void ServicesTest::TearDown()
{
    DeleteServiceSingletons();
    UseUserDir("");
    if (!mUserDir.empty())
        RemoveScratchFolder(mUserDir);
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