// Where the content tests find the game's files: the source assets folder ($QF_SOURCE_DIR/assets/)
// and the built one ($QF_BINARY_DIR/assets/), and reading a file whole. Shared by the content
// checks and the content play tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace contenttest
{

inline std::string SourceAssets()
{
    const char* dir = std::getenv("QF_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/assets/";
}

inline std::string BuiltAssets()
{
    const char* dir = std::getenv("QF_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/assets/";
}

// The file's bytes; false when it cannot be opened.
inline bool ReadFile(const std::filesystem::path& path, std::string* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *out = ss.str();
    return true;
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path)
{
    std::string text;
    ReadFile(path, &text);
    return text;
}

}  // namespace contenttest
