// Linux folders behind "user:", "common:" and "desktop:", and the resources folder, with the
// environment overrides that let tests run in temporary folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "foundation/file.h"

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

// Creates path and its missing parents with 0755 (the umask applies). True when it exists.
bool MakeFolders(const std::string& path)
{
    if (path.empty())
        return false;
    for (size_t pos = 1; pos <= path.size(); ++pos)
    {
        if (pos == path.size() || path[pos] == '/')
        {
            std::string part = path.substr(0, pos);
            if (!IsFolder(part))
                mkdir(part.c_str(), 0755);
        }
    }
    return IsFolder(path);
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
}  // namespace

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
    path = StripSlashes(path);
    return MakeFolders(path) ? Result(path) : str();
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
    path = StripSlashes(path);
    return MakeFolders(path) ? Result(path) : str();
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

str TFile::DefaultResourcesDir()
{
    std::string path = Env("ZESTKIT_RESOURCES_DIR");
    if (!path.empty())
        return Result(StripSlashes(path));
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return str();
    exe[n] = 0;
    std::string folder(exe);
    // The executable's folder, or its parent (executables live in bin/ beside assets/).
    for (int up = 0; up < 2; ++up)
    {
        size_t slash = folder.rfind('/');
        if (slash == std::string::npos)
            break;
        folder = slash == 0 ? std::string("/") : folder.substr(0, slash);
        if (IsFolder(folder + "/assets"))
            return Result(folder);
    }
    return str();
}
