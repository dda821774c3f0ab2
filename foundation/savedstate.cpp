// Saved-state files: atomic saves keeping a whole backup, and reads that set damaged files aside.
#include "foundation/savedstate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "foundation/debug.h"
#include "foundation/file.h"

namespace
{
// Saved-state files are small; anything larger is not one of ours.
const size_t kMaxSavedState = 64u * 1024u * 1024u;

std::mutex gReportsLock;
std::vector<TSavedStateReport> gReports;

void AddReport(const std::string& path, bool restored, const std::string& damagedCopy)
{
    TSavedStateReport report;
    size_t slash = path.rfind('/');
    report.mFile = slash == std::string::npos ? path : path.substr(slash + 1);
    report.mRestored = restored;
    report.mDamagedCopy = damagedCopy;
    std::lock_guard<std::mutex> lock(gReportsLock);
    gReports.push_back(report);
}

// The file's bytes; false when it does not open or is too large to be ours.
bool ReadBytes(const std::string& path, std::string& out)
{
    out.clear();
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    struct stat st;
    bool ok = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<unsigned long long>(st.st_size) <= kMaxSavedState;
    if (ok)
    {
        char buffer[65536];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0 && out.size() <= kMaxSavedState)
            out.append(buffer, got);
        ok = !ferror(file) && out.size() <= kMaxSavedState;
    }
    fclose(file);
    return ok;
}

bool IsWhole(const TSavedStateCheck& isWhole, const std::string& bytes)
{
    return !bytes.empty() && (!isWhole || isWhole(bytes.data(), bytes.size()));
}

// Moves the file to NAME.damaged-YYYYMMDD-HHMMSS without overwriting anything; the new path, or
// "" when it could not be moved.
std::string MoveAside(const std::string& path)
{
    char stamp[32] = "";
    time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".damaged-" + stamp;
    for (int n = 1; n < 1000; ++n)
    {
        const std::string candidate = n == 1 ? base : base + "-" + std::to_string(n);
        // link fails when the name is taken, so no earlier copy is ever replaced.
        if (link(path.c_str(), candidate.c_str()) == 0)
        {
            unlink(path.c_str());
            SyncFolderOf(path);
            WriteDbg("Kept the damaged %s as %s", path.c_str(), candidate.c_str());
            return candidate;
        }
        if (errno == EEXIST)
            continue;
        // A file system without hard links: test, then rename.
        struct stat st;
        if (lstat(candidate.c_str(), &st) == 0)
            continue;
        if (rename(path.c_str(), candidate.c_str()) == 0)
        {
            SyncFolderOf(path);
            WriteDbg("Kept the damaged %s as %s", path.c_str(), candidate.c_str());
            return candidate;
        }
        break;
    }
    WriteDbg("Could not keep the damaged %s aside: %s", path.c_str(), strerror(errno));
    return std::string();
}

// An atomic replace of a host path with the bytes (a new file is made when there is none).
bool ReplaceWith(const std::string& path, const void* data, size_t size)
{
    TDiskFileData out;
    if (!out.Open(str(path.c_str()), kFileWrite))
        return false;
    bool ok = size == 0 || out.Write(data, static_cast<unsigned long>(size)) == size;
    ok = out.Commit() && ok;
    return ok;
}

bool ReplaceWith(const std::string& path, const std::string& bytes)
{
    return ReplaceWith(path, bytes.data(), bytes.size());
}
}  // namespace

void SyncFolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

std::string SavedStatePath(const str& name)
{
    const char* text = name.c_str();
    if (strncmp(text, "::", 2) == 0)
        return std::string(text + 2);
    str location = TFile::TranslateResource(name, false);
    if (location.length() == 0 || location.c_str()[0] == '@' || location.c_str()[0] == '&')
        return std::string();
    return std::string(location.c_str(), location.length());
}

TSavedStateRead ReadSavedState(const str& name, const TSavedStateCheck& isWhole)
{
    TSavedStateRead result;
    const std::string path = SavedStatePath(name);
    if (path.empty())
        return result;
    std::string bytes;
    if (!ReadBytes(path, bytes))
    {
        // No file (a first start, or the player removed it), or something that is not a plain
        // file of ours: nothing to read. A plain file too large to be ours is damaged.
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return result;
        bytes = "?";
    }
    if (IsWhole(isWhole, bytes))
    {
        result.mOutcome = kSavedStateRead;
        result.mBytes.swap(bytes);
        return result;
    }
    // An empty file holds nothing to keep; anything else is kept aside byte for byte.
    if (!bytes.empty())
        result.mDamagedCopy = MoveAside(path);

    std::string backup;
    if (ReadBytes(path + ".bak", backup) && IsWhole(isWhole, backup))
    {
        if (!ReplaceWith(path, backup))
            WriteDbg("Could not put the backup of %s back in place", path.c_str());
        else
            WriteDbg("Restored %s from its backup", path.c_str());
        result.mOutcome = kSavedStateRestored;
        result.mBytes.swap(backup);
        AddReport(path, true, result.mDamagedCopy);
        return result;
    }
    if (!bytes.empty())
    {
        result.mOutcome = kSavedStateLost;
        AddReport(path, false, result.mDamagedCopy);
    }
    return result;
}

bool WriteSavedState(const str& name, const void* data, size_t size, const TSavedStateCheck& isWhole)
{
    const std::string path = SavedStatePath(name);
    if (path.empty() || (!data && size > 0))
    {
        WriteDbg("Cannot save %s: it names no file", name.c_str());
        return false;
    }
    std::string old;
    if (ReadBytes(path, old) && !old.empty())
    {
        if (IsWhole(isWhole, old))
        {
            std::string backup;
            const std::string bakPath = path + ".bak";
            if (!(ReadBytes(bakPath, backup) && backup == old) && !ReplaceWith(bakPath, old))
                WriteDbg("Could not keep the backup %s", bakPath.c_str());
        }
        else
        {
            // Damaged since it was read: keep its bytes; the older backup stays.
            MoveAside(path);
        }
    }
    if (strncmp(name.c_str(), "::", 2) == 0)
        return ReplaceWith(path, data, size);
    // Through the file layer's own name, which also makes missing folders of the user's.
    TFile out;
    if (!out.Open(name, kFileWrite))
    {
        WriteDbg("Cannot save %s: %s", path.c_str(), TFile::LastSaveErrorText().c_str());
        return false;
    }
    bool ok = size == 0 || out.Write(data, static_cast<unsigned long>(size)) == size;
    ok = out.Commit() && ok;
    return ok;
}

std::vector<TSavedStateReport> TakeSavedStateReports()
{
    std::lock_guard<std::mutex> lock(gReportsLock);
    std::vector<TSavedStateReport> reports;
    reports.swap(gReports);
    return reports;
}

int RemoveInterruptedSaves(const std::string& extraFolder)
{
    int removed = 0;
    for (const str* dir : {&TFile::mUserDir, &TFile::mCommonDir})
        if (dir->length() > 0)
            removed += TDiskFileData::RemoveStaleTemporaries(std::string(dir->c_str()));
    if (!extraFolder.empty())
        removed += TDiskFileData::RemoveStaleTemporaries(extraFolder);
    return removed;
}
