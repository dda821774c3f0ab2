#include "servicesfuzz.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "foundation/file.h"
#include "foundation/savedstate.h"
#include "scratchdir.h"

namespace Game::servicesfuzz
{

const std::string& UserFolder()
{
    static const std::string folder = []
    {
        static const TScratchDir scratch("services_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        TFile::SetUserDir(scratchPath.c_str());
        mkdir((scratchPath + "/levels").c_str(), 0755);
        TFile::mResourceMap["levels/medaltimes.xml"] = (scratchPath + "/levels/medaltimes.xml").c_str();
        return scratchPath;
    }();
    return folder;
}

void WriteUserFile(const char* name, const uint8_t* data, size_t size)
{
    // Each input starts without the backups, kept damaged copies and reports of earlier ones,
    // so inputs stay independent and a long run neither fills the folder nor the memory.
    TakeSavedStateReports();
    if (DIR* dir = opendir(UserFolder().c_str()))
    {
        while (dirent* e = readdir(dir))
        {
            const std::string entry = e->d_name;
            if (entry.find(".damaged-") != std::string::npos ||
                (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".bak") == 0))
                unlink((UserFolder() + "/" + entry).c_str());
        }
        closedir(dir);
    }
    std::ofstream out(UserFolder() + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string ReadUserFile(const char* name)
{
    std::ifstream in(UserFolder() + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void RemoveUserFile(const char* name)
{
    unlink((UserFolder() + "/" + name).c_str());
}

void ExpectSame(const std::string& a, const std::string& b, const char* what)
{
    if (a != b)
    {
        fprintf(stderr, "%s: a second round trip changed the file\n--- first\n%s\n--- second\n%s\n", what,
                a.c_str(), b.c_str());
        abort();
    }
}

}  // namespace Game::servicesfuzz