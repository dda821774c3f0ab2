// Linux folders behind "user:", "common:" and "desktop:", and the resources folder, with the
// environment overrides that let tests run in temporary folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/file.h"

// The installed data folder relative to the program's folder (set by the build from the install
// layout).
#ifndef QF_DATA_FROM_BIN
#define QF_DATA_FROM_BIN "../share/wombixomnivora"
#endif

namespace
{
std::string Env(const char* name)
{
    const char* value = getenv(name);
    return value ? std::string(value) : std::string();
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string DataHome()
{
    std::string home = Env("XDG_DATA_HOME");
    if (!home.empty() && home[0] == '/')
        return home;
    home = Env("HOME");
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string StripSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

str Result(const std::string& path)
{
    return str(path.data(), path.size());
}

// An absolute path with its "." and ".." segments worked out by the text alone (the folders
// named in messages and taken as the working folder read as they would be typed).
std::string Normalised(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size())
    {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..")
        {
            if (!parts.empty())
                parts.pop_back();
        }
        else if (!part.empty() && part != ".")
        {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? std::string("/") : out;
}
}  // namespace

// The user and common folders are only named here: nothing is made until something is saved
// there (the file layer makes the missing folders of a write, private to the user).
str TFile::DefaultUserDir(const char* appFolder)
{
    std::string path = Env("ZESTKIT_USER_DIR");
    if (path.empty())
    {
        std::string data = DataHome();
        if (data.empty() || !appFolder || !*appFolder)
            return str();
        path = data + "/" + appFolder;
    }
    return Result(StripSlashes(path));
}

str TFile::DefaultCommonDir(const char* publisher, const char* appFolder)
{
    std::string path = Env("ZESTKIT_COMMON_DIR");
    if (path.empty())
    {
        std::string data = DataHome();
        if (data.empty() || !publisher || !*publisher || !appFolder || !*appFolder)
            return str();
        path = data + "/" + publisher + "/" + appFolder;
    }
    return Result(StripSlashes(path));
}

str TFile::DefaultDesktopDir()
{
    std::string path = Env("ZESTKIT_DESKTOP_DIR");
    if (!path.empty())
        return Result(StripSlashes(path));
    const std::string home = Env("HOME");
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/')
        config = home.empty() ? std::string() : home + "/.config";
    if (!config.empty())
    {
        std::ifstream dirs(config + "/user-dirs.dirs");
        std::string line;
        while (std::getline(dirs, line))
        {
            if (line.compare(0, 16, "XDG_DESKTOP_DIR=") != 0)
                continue;
            std::string value = line.substr(16);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.compare(0, 5, "$HOME") == 0)
                value = home + value.substr(5);
            if (IsFolder(value))
                return Result(StripSlashes(value));
        }
    }
    if (!home.empty() && IsFolder(home + "/Desktop"))
        return Result(home + "/Desktop");
    return str();
}

std::vector<str> TFile::ResourcesFolderCandidates()
{
    std::vector<str> folders;
    const std::string path = Env("ZESTKIT_RESOURCES_DIR");
    if (!path.empty())
    {
        folders.push_back(Result(StripSlashes(path)));
        return folders;
    }
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return folders;
    exe[n] = 0;
    std::string folder(exe);
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos)
        return folders;
    folder = slash == 0 ? std::string("/") : folder.substr(0, slash);
    // The executable's own folder; the installed data folder beside the program's (bin/ and
    // share/<game>/); the build tree, whose executables live in bin/ beside assets/.
    folders.push_back(Result(folder));
    folders.push_back(Result(Normalised(folder + "/" + QF_DATA_FROM_BIN)));
    folders.push_back(Result(Normalised(folder + "/..")));
    return folders;
}

str TFile::DefaultResourcesDir()
{
    const std::vector<str> folders = ResourcesFolderCandidates();
    if (!Env("ZESTKIT_RESOURCES_DIR").empty())
        return folders.front();
    for (const str& folder : folders)
        if (IsFolder(std::string(folder.c_str(), folder.length()) + "/assets"))
            return folder;
    return str();
}
