// A scratch folder tree for tests that run the platform facade over the fake backend:
// <root>/res/assets (the resources folder), <root>/user and <root>/common. Creating it also
// remembers the working folder and empties the configuration; removing it puts the file system,
// the configuration and the working folder back as they were before the test.
#pragma once

#include <memory>
#include <string>

class FakeBackend;

class TScratchFolders
{
public:
    // Makes a scratch folder (MakeScratchFolder, scratchdir.h) with res/assets, and user/ and
    // common/ when userFolders is set. False (with the reason in error) when the folder or the working folder cannot be had.
    bool Create(const char* prefix, bool userFolders = true);
    // Empties the configuration, shuts the file system down and forgets its folders, goes back
    // to the saved working folder and removes the tree. False (with the reason in error) when
    // the working folder cannot be restored; the rest is done anyway.
    bool Remove();

    // A fake backend whose resources, user and common folders are the scratch ones.
    std::unique_ptr<FakeBackend> MakeBackend() const;
    // Writes text to <root>/<relative>, making the folders on the way.
    void WriteFile(const std::string& relative, const std::string& text) const;

    std::string root, savedCwd, error;
};
