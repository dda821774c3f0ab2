// The check that the game's data can be read before the framework starts, and the line a
// player sees when it cannot.
#include "gamedata.h"

#include <vector>

#include "foundation/file.h"

namespace Game
{
namespace Frontend
{

const char* const kRequiredGameData[3] = {"strings.xml", "graphics/imagemaps.xml", "fonts/default.mvec"};

namespace
{

std::string Std(const str& s)
{
    return std::string(s.c_str(), s.length());
}

const char* const kHowToPoint = "set ZESTKIT_RESOURCES_DIR to the folder that holds the game's assets folder";

bool Readable(const char* name)
{
    TFile file;
    char byte = 0;
    return file.Open(str(name), kFileRead) && file.Read(&byte, 1) == 1;
}

}  // namespace

std::string CheckGameData()
{
    const str folder = TFile::DefaultResourcesDir();
    if (folder.empty())
    {
        const std::vector<str> looked = TFile::ResourcesFolderCandidates();
        std::string where;
        for (size_t i = 0; i < looked.size(); ++i)
        {
            if (i > 0)
                where += i + 1 == looked.size() ? " and " : ", ";
            where += Std(looked[i]);
        }
        return "wombixomnivora: the game's data was not found (no assets folder in " +
               (where.empty() ? std::string("the program's folder") : where) + "); " + kHowToPoint;
    }

    TFile::SetResourcesDir(folder);
    TFile::ScanForResources();
    std::string unreadable;
    for (const char* name : kRequiredGameData)
    {
        if (!Readable(name))
        {
            unreadable = name;
            break;
        }
    }
    TFile::ShutDownFileSystem();
    TFile::SetResourcesDir(str());
    if (unreadable.empty())
        return std::string();
    return "wombixomnivora: cannot read the game's data in " + Std(folder) + "/assets (" + unreadable +
           " is missing or unreadable); " + kHowToPoint;
}

}  // namespace Frontend
}  // namespace Game
