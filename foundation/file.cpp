// TFile handles, disk files, folder listings and the qf_* functions. Name translation and the
// resource scan are in resmap.cpp.
#include "foundation/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "foundation/debug.h"
#include "foundation/memfile.h"
#include "foundation/pack.h"
#include "foundation/savedstate.h"

// ---------------------------------------------------------------------------------------------
// TDiskFileData

namespace
{
size_t DefaultWrite(const void* data, size_t n, FILE* file)
{
    return fwrite(data, 1, n, file);
}
TDiskFileData::TWriteFunction gWrite = DefaultWrite;
thread_local int gLastSaveError = 0;
}  // namespace

void TDiskFileData::SetWriteFunction(TWriteFunction write)
{
    gWrite = write ? write : DefaultWrite;
}

int TDiskFileData::LastSaveError()
{
    return gLastSaveError;
}

TDiskFileData::TDiskFileData() : mFile(nullptr), mLastByte(-1), mWriteFailed(false), mError(0)
{
}

TDiskFileData::~TDiskFileData()
{
    Close();
}

static mode_t CurrentUmask()
{
    // Read it from /proc when possible: setting and restoring it would race with other threads
    // creating files in between.
    if (FILE* status = fopen("/proc/self/status", "r"))
    {
        char line[256];
        unsigned int mask = 0;
        bool found = false;
        while (!found && fgets(line, sizeof line, status))
            found = sscanf(line, "Umask: %o", &mask) == 1;
        fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    mode_t mask = umask(022);
    umask(mask);
    return mask;
}

bool TDiskFileData::Open(str location, eFileMode mode)
{
    Close();
    if (location.length() == 0)
        return false;
    const char* path = location.c_str();

    if (mode == kFileWrite || mode == kFileWriteText)
    {
        // Replace mode: write a temporary file beside the target and rename it over the target
        // on Close, so a failed save never destroys the previous contents.
        struct stat st;
        bool exists = stat(path, &st) == 0;
        if (exists && S_ISDIR(st.st_mode))
        {
            gLastSaveError = EISDIR;
            return false;
        }
        std::string target(path, location.length());
        size_t slash = target.rfind('/');
        std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
        if (folder.empty())
            folder = "/";
        std::string temp = folder + (folder == "/" ? "" : "/") + kTempPrefix + "XXXXXX";
        std::vector<char> name(temp.begin(), temp.end());
        name.push_back('\0');
        int fd = mkstemp(name.data());
        if (fd < 0)
        {
            // The save cannot even start (a full disk, a read-only folder): its cause counts.
            gLastSaveError = errno ? errno : EIO;
            return false;
        }
        // The lock tells a start-up sweep that this temporary file belongs to a live save; it
        // goes with the descriptor, so a killed save leaves an unlocked file behind.
        flock(fd, LOCK_EX | LOCK_NB);
        mode_t perms = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
        fchmod(fd, perms);
        mFile = fdopen(fd, "wb");
        if (!mFile)
        {
            gLastSaveError = errno ? errno : EIO;
            close(fd);
            unlink(name.data());
            return false;
        }
        mTarget = target;
        mTempPath = name.data();
        mWriteFailed = false;
        mError = 0;
        return true;
    }

    const char* fmode = (mode == kFileAppend || mode == kFileAppendText) ? "ab" : "rb";
    mFile = fopen(path, fmode);
    if (!mFile)
        return false;
    struct stat st;
    if (fstat(fileno(mFile), &st) != 0 || S_ISDIR(st.st_mode))
    {
        fclose(mFile);
        mFile = nullptr;
        return false;
    }
    return true;
}

void TDiskFileData::Close()
{
    Commit();
}

bool TDiskFileData::Commit()
{
    if (!mFile)
        return true;
    if (mTempPath.empty())
    {
        fclose(mFile);
        mFile = nullptr;
        mLastByte = -1;
        return true;
    }
    // Every step runs; the first one that fails names the cause (a failed write's own errno,
    // kept since the write, comes first: the later steps may well succeed).
    auto step = [this](bool done)
    {
        if (!done && mError == 0)
            mError = errno ? errno : EIO;
        return done;
    };
    bool ok = !mWriteFailed;
    errno = 0;
    ok = step(fflush(mFile) == 0) && ok;
    errno = 0;
    ok = step(fsync(fileno(mFile)) == 0) && ok;
    errno = 0;
    ok = step(fclose(mFile) == 0) && ok;
    mFile = nullptr;
    if (ok)
    {
        errno = 0;
        ok = step(rename(mTempPath.c_str(), mTarget.c_str()) == 0);
    }
    if (ok)
    {
        SyncFolderOf(mTarget);
        gLastSaveError = 0;
    }
    else
    {
        const int error = mError ? mError : EIO;
        unlink(mTempPath.c_str());
        gLastSaveError = error;
        WriteDbg("Could not save file %s: %s", mTarget.c_str(), strerror(error));
    }
    mTempPath.clear();
    mTarget.clear();
    mWriteFailed = false;
    mError = 0;
    mLastByte = -1;
    return ok;
}

void TDiskFileData::Discard()
{
    if (!mFile)
        return;
    fclose(mFile);
    mFile = nullptr;
    if (!mTempPath.empty())
        unlink(mTempPath.c_str());
    mTempPath.clear();
    mTarget.clear();
    mWriteFailed = false;
    mError = 0;
    mLastByte = -1;
}

int TDiskFileData::RemoveStaleTemporaries(const std::string& folder)
{
    if (folder.empty())
        return 0;
    int removed = 0;
    TDirectorySearch search(folder.c_str());
    str name;
    const size_t prefixLength = strlen(kTempPrefix);
    while (search.GetNextFile(&name, nullptr))
    {
        // mkstemp's names: the prefix and six more characters.
        if (name.length() != prefixLength + 6 || strncmp(name.c_str(), kTempPrefix, prefixLength))
            continue;
        const std::string path = folder + "/" + name.c_str();
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // A save in progress (in this or another running copy) holds the lock.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && unlink(path.c_str()) == 0)
        {
            WriteDbg("Removed %s, left by an interrupted save", path.c_str());
            ++removed;
        }
        close(fd);
    }
    return removed;
}

void TDiskFileData::Unget()
{
    if (mFile && mLastByte >= 0)
        ungetc(mLastByte, mFile);
    mLastByte = -1;
}

int TDiskFileData::Seek(long offset, eFileSeek origin)
{
    if (!mFile)
        return -1;
    int whence = origin == kSeekStart ? SEEK_SET : origin == kSeekEnd ? SEEK_END : SEEK_CUR;
    mLastByte = -1;
    return fseek(mFile, offset, whence) == 0 ? 0 : -1;
}

unsigned long TDiskFileData::Size()
{
    if (!mFile)
        return 0;
    long here = ftell(mFile);
    if (fseek(mFile, 0, SEEK_END) != 0)
        return 0;
    long end = ftell(mFile);
    fseek(mFile, here < 0 ? 0 : here, SEEK_SET);
    return end < 0 ? 0 : (unsigned long)end;
}

long TDiskFileData::Tell()
{
    return mFile ? ftell(mFile) : 0;
}

unsigned long TDiskFileData::Read(void* buffer, unsigned long n)
{
    if (!mFile || !buffer || n == 0)
        return 0;
    size_t got = fread(buffer, 1, n, mFile);
    if (got > 0)
        mLastByte = static_cast<unsigned char*>(buffer)[got - 1];
    return got;
}

unsigned long TDiskFileData::Write(const void* buffer, unsigned long n)
{
    if (!mFile || !buffer || n == 0)
        return 0;
    errno = 0;
    size_t put = gWrite(buffer, n, mFile);
    if (put < n)
    {
        if (!mWriteFailed && mError == 0)
            mError = errno ? errno : EIO;
        mWriteFailed = true;
    }
    return put;
}

bool TDiskFileData::AtEOF()
{
    return !mFile || feof(mFile);
}

// ---------------------------------------------------------------------------------------------
// TFile

TFile::TFile() : mData(nullptr)
{
}

TFile::~TFile()
{
    Close();
}

void TFile::Close()
{
    delete mData;
    mData = nullptr;
}

int TFile::LastSaveError()
{
    return TDiskFileData::LastSaveError();
}

str TFile::LastSaveErrorText()
{
    const int error = TDiskFileData::LastSaveError();
    return str(error ? strerror(error) : "");
}

void TFile::Discard()
{
    if (TDiskFileData* disk = dynamic_cast<TDiskFileData*>(mData))
        disk->Discard();
    Close();
}

bool TFile::Commit()
{
    bool ok = true;
    if (TDiskFileData* disk = dynamic_cast<TDiskFileData*>(mData))
        ok = disk->Commit();
    Close();
    return ok;
}

// Creates the missing folders of a write path below the user or common folder: that folder
// itself (and its missing parents) first, then the rest one "/"-separated level at a time. Saved
// state is the user's own, so every folder made is private to the user (0700). Paths elsewhere
// are left alone.
static void MakeFoldersFor(const std::string& path)
{
    bool below = false;
    for (const str* dir : {&TFile::mUserDir, &TFile::mCommonDir})
    {
        std::string d(dir->c_str(), dir->length());
        if (!d.empty() && path.size() > d.size() + 1 && path.compare(0, d.size(), d) == 0 &&
            path[d.size()] == '/')
        {
            below = true;
            break;
        }
    }
    if (!below)
        return;
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    {
        const std::string folder = path.substr(0, slash);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0)
            mkdir(folder.c_str(), 0700);
    }
}

bool TFile::Open(str name, eFileMode mode)
{
    Close();
    str location = TranslateResource(name, mode < kFileWrite);
    if (location.length() == 0)
        return false;
    // Only the map holds pack and memory locations: disk paths that would start with "@" or
    // "&" are stored with a leading "./" (see resmap.cpp), so the first byte decides safely.
    const char first = location.c_str()[0];
    TFileData* data;
    if (first == '@')
        data = new TFlatFile();
    else if (first == '&')
        data = new TMemoryFile();
    else
    {
        if (mode >= kFileWrite)
            MakeFoldersFor(std::string(location.c_str(), location.length()));
        data = new TDiskFileData();
    }
    if (!data->Open(location, mode))
    {
        delete data;
        return false;
    }
    mData = data;
    return true;
}

unsigned long TFile::Read(void* buffer, unsigned long n)
{
    return mData ? mData->Read(buffer, n) : 0;
}

unsigned long TFile::Write(const void* buffer, unsigned long n)
{
    return mData ? mData->Write(buffer, n) : 0;
}

int TFile::Seek(long offset, eFileSeek origin)
{
    return mData ? mData->Seek(offset, origin) : -1;
}

unsigned long TFile::Size()
{
    return mData ? mData->Size() : 0;
}

long TFile::Tell()
{
    return mData ? mData->Tell() : -1;
}

void TFile::Unget()
{
    if (mData)
        mData->Unget();
}

bool TFile::AtEOF()
{
    return mData ? mData->AtEOF() : true;
}

// ---------------------------------------------------------------------------------------------
// TDirectorySearch

TDirectorySearch::TDirectorySearch(const char* path) : mDir(nullptr), mPath(path ? path : "")
{
    if (path)
        mDir = opendir(path);
}

TDirectorySearch::~TDirectorySearch()
{
    if (mDir)
        closedir(static_cast<DIR*>(mDir));
}

bool TDirectorySearch::GetNextFile(str* name, bool* isFolder)
{
    while (mDir)
    {
        struct dirent* e = readdir(static_cast<DIR*>(mDir));
        if (!e)
        {
            closedir(static_cast<DIR*>(mDir));
            mDir = nullptr;
            return false;
        }
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        bool folder;
        if (e->d_type == DT_DIR)
            folder = true;
        else if (e->d_type == DT_REG)
            folder = false;
        else
        {
            // Unknown types and symbolic links: ask the file system (links are followed).
            struct stat st;
            std::string full = mPath + "/" + e->d_name;
            folder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder && !isFolder)
            continue;
        if (isFolder)
            *isFolder = folder;
        if (name)
            *name = str(e->d_name);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// qf_* functions

TFile* qf_open(const char* name, eFileMode mode)
{
    if (!name)
        return nullptr;
    TFile* h = new TFile();
    if (!h->Open(str(name), mode))
    {
        delete h;
        return nullptr;
    }
    return h;
}

void qf_close(TFile* h)
{
    delete h;
}

unsigned long qf_read(TFile* h, void* buffer, unsigned long n)
{
    return h ? h->Read(buffer, n) : 0;
}

unsigned long qf_write(TFile* h, const void* buffer, unsigned long n)
{
    return h ? h->Write(buffer, n) : 0;
}

int qf_seek(TFile* h, long offset, eFileSeek origin)
{
    return h ? h->Seek(offset, origin) : -1;
}

long qf_tell(TFile* h)
{
    return h ? h->Tell() : -1;
}

unsigned long qf_size(TFile* h)
{
    return h ? h->Size() : 0;
}

void qf_ungetc(TFile* h)
{
    if (h)
        h->Unget();
}

bool qf_eof(TFile* h)
{
    return !h || h->AtEOF();
}

int qf_getc(TFile* h)
{
    if (!h || !h->IsValid() || h->AtEOF())
        return -1;
    unsigned char c;
    if (h->Read(&c, 1) < 1)
        return -1;
    return c;
}

int qf_error(TFile* h)
{
    return (!h || !h->IsValid()) ? 1 : 0;
}
