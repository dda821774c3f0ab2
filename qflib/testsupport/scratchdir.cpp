#include "scratchdir.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace
{

bool HasCapitals(const std::string& s)
{
    for (char c : s)
        if (c >= 'A' && c <= 'Z')
            return true;
    return false;
}

// mkdtemp's random part may hold capitals: the same with lower-case letters and digits only.
std::string MakeLowerCaseFolder(const std::string& base, const std::string& prefix, std::string* error)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<int> index(0, static_cast<int>(sizeof kChars) - 2);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string path = base + "/" + prefix + "-";
        for (int i = 0; i < 8; ++i)
            path += kChars[index(pick)];
        if (mkdir(path.c_str(), 0700) == 0)
            return path;
        if (errno != EEXIST)
        {
            if (error)
                *error = "cannot make " + path + ": " + std::strerror(errno);
            return std::string();
        }
    }
    if (error)
        *error = "cannot make a new folder in " + base;
    return std::string();
}

// Folders made and not yet removed, with the process that made each. A program that ends
// through exit() without removing them (a fuzzer at the end of its time, the child of a death
// test, a fixture kept for the whole run) removes its own at exit; a forked child never removes
// its parent's.
struct LiveFolders
{
    std::mutex lock;
    std::vector<std::pair<std::string, pid_t>> folders;
};

LiveFolders& Live()
{
    static LiveFolders* live = new LiveFolders();  // never destroyed: used by the exit handler
    return *live;
}

void RemoveLeftAtExit()
{
    LiveFolders& live = Live();
    std::lock_guard<std::mutex> hold(live.lock);
    const pid_t self = getpid();
    for (const auto& entry : live.folders)
    {
        std::error_code ec;
        if (entry.second == self)
            std::filesystem::remove_all(entry.first, ec);
    }
    live.folders.clear();
}

std::string Remember(const std::string& path)
{
    if (path.empty())
        return path;
    static const bool registered = std::atexit(RemoveLeftAtExit) == 0;
    (void)registered;
    LiveFolders& live = Live();
    std::lock_guard<std::mutex> hold(live.lock);
    live.folders.emplace_back(path, getpid());
    return path;
}

void Forget(const std::string& path)
{
    LiveFolders& live = Live();
    std::lock_guard<std::mutex> hold(live.lock);
    for (auto it = live.folders.begin(); it != live.folders.end(); ++it)
    {
        if (it->first == path)
        {
            live.folders.erase(it);
            return;
        }
    }
}

}  // namespace

std::string MakeScratchFolder(const char* prefix, std::string* error, TScratchName name)
{
    const char* tmp = getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    if (name == TScratchName::kLowerCase)
    {
        if (HasCapitals(base))
            base = "/tmp";
        if (HasCapitals(prefix))
        {
            if (error)
                *error = std::string("the prefix ") + prefix + " has capitals";
            return std::string();
        }
        return Remember(MakeLowerCaseFolder(base, prefix, error));
    }
    std::string pattern = base + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()))
    {
        if (error)
            *error = "cannot make " + pattern + ": " + std::strerror(errno);
        return std::string();
    }
    return Remember(std::string(buf.data()));
}

void RemoveScratchFolder(const std::string& path)
{
    std::error_code ec;
    if (path.empty())
        return;
    std::filesystem::remove_all(path, ec);
    Forget(path);
}

TScratchDir::TScratchDir(const char* prefix, TScratchName name)
{
    std::string error;
    mPath = MakeScratchFolder(prefix, &error, name);
    if (mPath.empty())
        throw std::runtime_error(error);
}

TScratchDir::~TScratchDir()
{
    RemoveScratchFolder(mPath);
}

std::string TScratchDir::Write(const std::string& relative, const std::string& bytes) const
{
    std::filesystem::path p(*this / relative);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

std::string TScratchDir::Read(const std::string& relative) const
{
    std::ifstream in(*this / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TScratchDir::Exists(const std::string& relative) const
{
    std::error_code ec;
    return std::filesystem::exists(*this / relative, ec);
}

std::string TScratchDir::MakeDir(const std::string& relative) const
{
    std::filesystem::create_directories(*this / relative);
    return *this / relative;
}
