// The resource map: name translation, the start-up scan, the mask file and map iteration.
//
// Letter case: map keys are lower case; the locations keep the letter case found on disk, and
// "::" paths are used exactly as written. The part of a prefixed name after the prefix is
// lower-cased (the program names those files itself), the folder in front of it is not.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/confighook.h"
#include "foundation/file.h"
#include "foundation/memfile.h"
#include "foundation/pack.h"

std::map<str, str> TFile::mResourceMap;
std::set<str> TFile::mIgnoredFiles;
str TFile::mUserDir;
str TFile::mCommonDir;
str TFile::mDesktopDir;
str TFile::mResourcesDir;
bool TFile::mGlimmora = false;
TFile::TRegisterFilesHook TFile::mRegisterFiles = nullptr;

namespace
{
// Deeper folder trees than this are not scanned (guards against symbolic-link loops).
const int kMaxScanDepth = 64;
// The mask file is read only when it is at most this long.
const long kMaxMaskBytes = 99999;

std::string ToStd(const str& s)
{
    return std::string(s.c_str(), s.length());
}

str ToStr(const std::string& s)
{
    return str(s.data(), s.size());
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool StartsWith(const std::string& s, const char* prefix)
{
    size_t n = strlen(prefix);
    return s.size() >= n && s.compare(0, n, prefix) == 0;
}

// Disk locations never start with "@" or "&", which mark pack entries and memory blocks.
str DiskLocation(const std::string& path)
{
    if (!path.empty() && (path[0] == '@' || path[0] == '&'))
        return ToStr("./" + path);
    return ToStr(path);
}

// True when a "/"-separated segment of path is "..".
bool HasParentSegment(const std::string& path)
{
    size_t start = 0;
    for (;;)
    {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (end - start == 2 && path.compare(start, 2, "..") == 0)
            return true;
        if (slash == std::string::npos)
            return false;
        start = slash + 1;
    }
}

std::string AssetsRoot()
{
    std::string root = ToStd(TFile::mResourcesDir);
    return root.empty() ? std::string("assets") : root + "/assets";
}

void ScanFolder(const std::string& folder, const std::string& keyBase, int depth,
                std::vector<std::pair<dev_t, ino_t>>& active);

struct Prefix
{
    const char* text;
    const str* folder;
};
}  // namespace

void TFile::SetUserDir(str path)
{
    mUserDir = path;
}

void TFile::SetCommonDir(str path)
{
    mCommonDir = path;
}

void TFile::SetDesktopDir(str path)
{
    mDesktopDir = path;
}

void TFile::SetResourcesDir(str path)
{
    mResourcesDir = path;
}

str TFile::TranslateResource(str name, bool mustExist)
{
    return TranslateInternal(name, mustExist, nullptr);
}

str TFile::TranslateInternal(const str& name, bool mustExist, bool* fromMap)
{
    if (fromMap)
        *fromMap = false;
    const std::string original = ToStd(name);
    const std::string lower = Lower(original);
    const str key = ToStr(lower);

    static const Prefix prefixes[] = {
        {"user:", &mUserDir}, {"common:", &mCommonDir}, {"desktop:", &mDesktopDir}};
    const Prefix* prefix = nullptr;
    for (const Prefix& p : prefixes)
        if (StartsWith(lower, p.text))
            prefix = &p;
    // No prefixed name may reach outside its folder, whatever the map says.
    if (prefix && HasParentSegment(lower.substr(strlen(prefix->text))))
        return str();

    auto it = mResourceMap.find(key);
    if (it != mResourceMap.end() && it->second.length() > 0)
    {
        if (fromMap)
            *fromMap = true;
        return it->second;
    }

    if (StartsWith(lower, "::"))
    {
        const std::string path = original.substr(2);
        if (!path.empty() && access(path.c_str(), R_OK) == 0)
            return DiskLocation(path);
        return str();
    }

    if (mustExist && mIgnoredFiles.count(key))
        return str();

    if (prefix)
    {
        const std::string folder = ToStd(*prefix->folder);
        if (folder.empty())
            return str();  // the folder could not be found: the prefix leads nowhere
        const std::string path = folder + "/" + lower.substr(strlen(prefix->text));
        if (mustExist)
            return access(path.c_str(), R_OK | W_OK) == 0 ? DiskLocation(path) : str();
        str location = DiskLocation(path);
        mResourceMap[key] = location;
        return location;
    }

    if (StartsWith(lower, "assets/") || StartsWith(lower, "assets\\"))
        return TranslateInternal(ToStr(original.substr(7)), false, fromMap);

    return str();
}

bool TFile::Exists(str name)
{
    return TranslateResource(name, true).length() > 0;
}

void TFile::AddMemoryFile(str name, void* data, unsigned int size)
{
    TMemoryFile::AddFile(mResourceMap, name, data, size);
}

bool TFile::DeleteFile(str name)
{
    const str location = TranslateResource(name, true);
    if (location.length() == 0 || location.c_str()[0] == '@')
        return false;
    const str key = ToStr(Lower(ToStd(name)));
    if (location.c_str()[0] == '&')
    {
        mResourceMap.erase(key);
        return true;
    }
    const std::string lower = ToStd(key);
    if (!StartsWith(lower, "user:") && !StartsWith(lower, "common:"))
        return false;
    if (lower.find("..") != std::string::npos)
        return false;
    if (unlink(location.c_str()) != 0)
        return false;
    mResourceMap.erase(key);
    return true;
}

bool TFile::GetNextFile(str folder, str* current, bool recursive)
{
    if (!current)
        return false;
    const std::string base = Lower(ToStd(folder));
    const str start = current->length() > 0 ? *current : ToStr(base);
    auto it = mResourceMap.upper_bound(start);
    for (; it != mResourceMap.end(); ++it)
    {
        if (recursive)
            break;
        const std::string key = ToStd(it->first);
        if (key.find('/', base.size() + 1) == std::string::npos)
            break;
    }
    if (it == mResourceMap.end())
        return false;
    const std::string key = ToStd(it->first);
    if (key.compare(0, base.size(), base) != 0)
        return false;
    *current = it->first;
    return true;
}

bool TFile::InternalAddFileMask(const char* text, bool add)
{
    bool cleared = false;
    if (!text)
        return false;
    const char* p = text;
    while (*p)
    {
        while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
            ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
            ++p;
        if (p == start)
            continue;
        const std::string token = Lower(std::string(start, p - start));
        if (token == "-*")
        {
            mIgnoredFiles.clear();
            cleared = true;
        }
        else if (add)
            mIgnoredFiles.insert(ToStr(token));
        else
            mIgnoredFiles.erase(ToStr(token));
    }
    return cleared;
}

void TFile::ScanForResources()
{
    if (mRegisterFiles)
        mRegisterFiles();

    std::string mask = mGlimmora ? "glimmora.txt" : "final.txt";
    if (mResourcesDir.length() > 0)
        mask = ToStd(mResourcesDir) + "/" + mask;
    if (FILE* f = fopen(mask.c_str(), "rb"))
    {
        std::vector<char> text(kMaxMaskBytes + 2, 0);
        size_t got = fread(text.data(), 1, kMaxMaskBytes + 1, f);
        bool whole = got <= (size_t)kMaxMaskBytes && feof(f) && !ferror(f);
        fclose(f);
        if (whole)
        {
            text[got] = 0;
            InternalAddFileMask(text.data(), true);
        }
    }

    ScanFolderForResources(ToStr(AssetsRoot()), str());
    if (ToStd(qfGetConfig("activex")) != "1")
    {
        if (mUserDir.length() > 0)
            ScanFolderForResources(mUserDir, str("user:"));
        if (mCommonDir.length() > 0)
            ScanFolderForResources(mCommonDir, str("common:"));
    }
}

void TFile::ScanFolderForResources(str folder, str keyPrefix)
{
    const std::string path = ToStd(folder);
    std::string base;
    if (keyPrefix.length() > 0)
    {
        base = Lower(ToStd(keyPrefix));
        if (base == ".")
            base.clear();
    }
    else
    {
        // Keys relative to the assets folder.
        const std::string root = AssetsRoot();
        if (path == root || StartsWith(path, (root + "/").c_str()))
            base = path.size() > root.size() ? path.substr(root.size() + 1) : std::string();
        else if (StartsWith(path, "assets"))
            base = path.size() > 7 ? path.substr(7) : std::string();
        else
            base = path;
        base = Lower(base);
        if (!base.empty())
            base += "/";
    }
    std::vector<std::pair<dev_t, ino_t>> active;
    ScanFolder(path, base, 0, active);
}

namespace
{
// One folder of the scan. active holds the folders on the current path (device, inode), so a
// symbolic link back up the tree is not followed into a loop.
void ScanFolder(const std::string& folder, const std::string& keyBase, int depth,
                std::vector<std::pair<dev_t, ino_t>>& active)
{
    struct stat st;
    if (depth > kMaxScanDepth || stat(folder.c_str(), &st) != 0)
        return;
    const std::pair<dev_t, ino_t> id(st.st_dev, st.st_ino);
    if (std::find(active.begin(), active.end(), id) != active.end())
        return;
    active.push_back(id);

    // Packs first, so that the folder's loose files replace pack entries of the same name.
    TFlatFile::InitFlatFiles(ToStr(folder), TFile::mResourceMap);

    // Sorted, so that the outcome does not depend on the order the file system lists in.
    std::vector<std::pair<std::string, bool>> entries;
    {
        TDirectorySearch search(folder.c_str());
        str name;
        bool isFolder = false;
        while (search.GetNextFile(&name, &isFolder))
            entries.emplace_back(ToStd(name), isFolder);
    }
    std::sort(entries.begin(), entries.end());

    for (const auto& entry : entries)
    {
        const std::string lowerName = Lower(entry.first);
        const std::string key = keyBase + lowerName;
        if (TFile::mIgnoredFiles.count(ToStr(key)))
            continue;
        const std::string path = folder + "/" + entry.first;
        if (entry.second)
        {
            if (lowerName == ".svn")
                continue;
            ScanFolder(path, key + "/", depth + 1, active);
        }
        else
            TFile::mResourceMap[ToStr(key)] = DiskLocation(path);
    }
    active.pop_back();
}
}  // namespace

void TFile::ShutDownFileSystem()
{
    mResourceMap.clear();
}
