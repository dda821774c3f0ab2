#include "scratchdir.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

std::string MakeScratchFolder(const char* prefix, std::string* error)
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()))
    {
        if (error)
            *error = "cannot make " + pattern + ": " + std::strerror(errno);
        return std::string();
    }
    return std::string(buf.data());
}

void RemoveScratchFolder(const std::string& path)
{
    std::error_code ec;
    if (!path.empty())
        std::filesystem::remove_all(path, ec);
}

TScratchDir::TScratchDir(const char* prefix)
{
    std::string error;
    mPath = MakeScratchFolder(prefix, &error);
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
