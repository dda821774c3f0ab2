// The scratch folder of a test, for every module's tests (it needs nothing of the framework):
// $TMPDIR (or /tmp) /<prefix>-XXXXXX, made by the constructor and removed with everything in it
// by the destructor. A folder that cannot be made throws std::runtime_error, which fails the
// test that asked for it.
#pragma once

#include <string>

// How the folder's path may be spelt. The file layer lower-cases host paths given as "::" names,
// so a test that reaches its folder through one needs a path without capitals: kLowerCase then
// uses $TMPDIR only when it has none (else /tmp) and a random part of lower-case letters and
// digits.
enum class TScratchName
{
    kAnyCase,
    kLowerCase,
};

class TScratchDir
{
public:
    explicit TScratchDir(const char* prefix = "qftest", TScratchName name = TScratchName::kAnyCase);
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    const std::string& Path() const { return mPath; }
    // <folder>/<relative>
    std::string operator/(const std::string& relative) const { return mPath + "/" + relative; }

    // Writes a file relative to the folder (making the folders on the way); its full path.
    std::string Write(const std::string& relative, const std::string& bytes) const;
    // The whole file; empty when it cannot be read.
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Makes a folder (and those on the way) relative to the folder; its full path.
    std::string MakeDir(const std::string& relative) const;

private:
    std::string mPath;
};

// The same folder as a pair of calls, for fixtures that make and remove it at set-up and
// tear-down: the new folder's path, or empty (with the reason in error). A folder still there
// when the process that made it ends through exit() is removed then.
std::string MakeScratchFolder(const char* prefix, std::string* error,
                              TScratchName name = TScratchName::kAnyCase);
void RemoveScratchFolder(const std::string& path);
