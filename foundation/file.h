// The file layer: every file the framework reads or writes goes through TFile or the qf_*
// functions. A name is never a plain path: it is translated through the resource map (filled by
// the start-up scan of the assets folder, its packs and the user folders) or through one of the
// prefixes "::" (a host path used unchanged), "user:", "common:" and "desktop:".
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/str.h"

// Open modes. Pack and memory files drop CR bytes in mode 1; disk files read it as mode 0.
// Modes 2/3 replace the file (atomically: a temporary file renamed over it on Close), 4/5 append.
typedef int eFileMode;
enum
{
    kFileRead = 0,
    kFileReadText = 1,
    kFileWrite = 2,
    kFileWriteText = 3,
    kFileAppend = 4,
    kFileAppendText = 5
};

// Seek origins. Note the order: 0 is the current position, 1 the start, 2 the end.
typedef int eFileSeek;
enum
{
    kSeekCurrent = 0,
    kSeekStart = 1,
    kSeekEnd = 2
};

// One open file of some kind (disk, pack entry, memory block). Seek returns 0 on success.
class TFileData
{
public:
    virtual ~TFileData() {}
    virtual bool Open(str location, eFileMode mode) = 0;
    virtual void Close() = 0;
    virtual void Unget() = 0;
    virtual int Seek(long offset, eFileSeek origin) = 0;
    virtual unsigned long Size() = 0;
    virtual long Tell() = 0;
    virtual unsigned long Read(void* buffer, unsigned long n) = 0;
    virtual unsigned long Write(const void* buffer, unsigned long n) = 0;
    virtual bool AtEOF() = 0;
};

// A file in the host file system. Replace-mode writes go to a temporary file in the same folder
// (".save-XXXXXX", locked while it is written) which Close flushes, syncs and renames over the
// target, then syncs the folder; after any failed write, flush or rename the temporary file is
// removed, the old file stays, and one debug line names the file.
class TDiskFileData : public TFileData
{
public:
    TDiskFileData();
    ~TDiskFileData() override;
    bool Open(str location, eFileMode mode) override;
    void Close() override;
    void Unget() override;
    int Seek(long offset, eFileSeek origin) override;
    unsigned long Size() override;
    long Tell() override;
    unsigned long Read(void* buffer, unsigned long n) override;
    unsigned long Write(const void* buffer, unsigned long n) override;
    bool AtEOF() override;
    // Close, with the outcome of a replace-mode save: true when the new contents are in place
    // (or when nothing was being replaced).
    bool Commit();
    // Close without saving: a replace-mode write removes its temporary file and leaves the
    // target as it was (an append-mode write keeps what it wrote).
    void Discard();

    // Prefix of the temporary files of replace-mode writes.
    static constexpr const char* kTempPrefix = ".save-";
    // The writer of every disk write (fwrite unless a test injects faults): the bytes put, with
    // errno set when fewer than n were put.
    typedef size_t (*TWriteFunction)(const void* data, size_t n, FILE* file);
    static void SetWriteFunction(TWriteFunction write);
    // The cause (an errno value) of the last replace-mode save on this thread that failed, 0
    // when the last one succeeded.
    static int LastSaveError();
    // Removes the temporary files that a killed save left in the folder (a file still locked
    // by a running save is left alone); returns how many were removed.
    static int RemoveStaleTemporaries(const std::string& folder);

private:
    FILE* mFile;
    int mLastByte;          // last byte delivered by Read, -1 when none (one Unget only)
    std::string mTarget;    // replace mode: the final path
    std::string mTempPath;  // replace mode: the temporary file written until Close
    bool mWriteFailed;
    int mError;  // errno of the first failed step of a replace-mode write, 0 while none failed
};

class TFile
{
public:
    TFile();
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    bool Open(str name, eFileMode mode);
    void Close();
    // Close, with the outcome of a replace-mode save (false when the old file was kept).
    bool Commit();
    // Close, keeping the old file of a replace-mode write whatever was written (for writes that
    // turned out incomplete).
    void Discard();
    // The cause (an errno value) of the last failed save on this thread, 0 after a successful
    // one; and its text for messages ("No space left on device").
    static int LastSaveError();
    static str LastSaveErrorText();
    bool IsValid() const { return mData != nullptr; }

    unsigned long Read(void* buffer, unsigned long n);
    unsigned long Write(const void* buffer, unsigned long n);
    int Seek(long offset, eFileSeek origin);  // 0 on success; -1 without a file
    unsigned long Size();
    long Tell();  // -1 without a file
    void Unget();
    bool AtEOF();  // true without a file

    // Name translation: "" when the name leads nowhere (see file.cpp for the rules).
    static str TranslateResource(str name, bool mustExist);
    static bool Exists(str name);
    // Registers (data non-null) or removes (data null) a read-only memory block under a name.
    // The memory stays the caller's and must outlive every open of it.
    static void AddMemoryFile(str name, void* data, unsigned int size);
    // Removes a "user:" or "common:" file (no ".."), or unregisters a memory file.
    static bool DeleteFile(str name);
    // Iterates the map's names below folder in byte order; start with *current empty.
    static bool GetNextFile(str folder, str* current, bool recursive);

    // Start-up scan: built-in files, mask file, assets folder and packs, user and common folders.
    static void ScanForResources();
    static void ScanFolderForResources(str folder, str keyPrefix);
    static bool InternalAddFileMask(const char* text, bool add);
    static void ShutDownFileSystem();

    // Folders behind "user:", "common:", "desktop:" (no trailing "/"), set by the platform
    // start-up before the scan. An empty folder makes its prefix lead nowhere.
    static void SetUserDir(str path);
    static void SetCommonDir(str path);
    static void SetDesktopDir(str path);
    // The folder holding "assets/" and the mask file; empty means the current working folder.
    static void SetResourcesDir(str path);
    static str GetResourcesDir() { return mResourcesDir; }

    // Linux defaults for the folders above, with the environment overrides ZESTKIT_USER_DIR,
    // ZESTKIT_COMMON_DIR, ZESTKIT_DESKTOP_DIR, ZESTKIT_RESOURCES_DIR and XDG_DATA_HOME; "" when
    // there is none. The user and common folders are not made here: the first write below one
    // makes it (0700).
    static str DefaultUserDir(const char* appFolder);
    static str DefaultCommonDir(const char* publisher, const char* appFolder);
    static str DefaultDesktopDir();
    // The first of ResourcesFolderCandidates() that holds "assets/" (ZESTKIT_RESOURCES_DIR when
    // set, whatever it holds); "" when none does.
    static str DefaultResourcesDir();
    // The folders looked at for "assets/", in order: ZESTKIT_RESOURCES_DIR alone when set; else
    // the executable's folder, the installed data folder beside it (../share/<game>) and the
    // executable's parent (the build tree).
    static std::vector<str> ResourcesFolderCandidates();

    // Hook the platform layer installs: registration of the built-in memory files, run at the
    // start of every scan. (The scan reads "activex" through qfGetConfig, confighook.h.)
    typedef void (*TRegisterFilesHook)();
    static void SetRegisterFilesHook(TRegisterFilesHook hook) { mRegisterFiles = hook; }

    static std::map<str, str> mResourceMap;  // lower-case name -> location
    static std::set<str> mIgnoredFiles;      // lower-case names the mask file excludes
    static str mUserDir;
    static str mCommonDir;
    static str mDesktopDir;
    static str mResourcesDir;
    static bool mGlimmora;  // chooses "glimmora.txt" over "final.txt"

private:
    static str TranslateInternal(const str& name, bool mustExist, bool* fromMap);

    TFileData* mData;
    static TRegisterFilesHook mRegisterFiles;
};

// An open folder listing; never returns "." or "..". Folders are skipped when isFolder is null.
class TDirectorySearch
{
public:
    explicit TDirectorySearch(const char* path);
    ~TDirectorySearch();
    TDirectorySearch(const TDirectorySearch&) = delete;
    TDirectorySearch& operator=(const TDirectorySearch&) = delete;
    bool GetNextFile(str* name, bool* isFolder);

private:
    void* mDir;  // DIR*
    std::string mPath;
};

// C-style access; the handle is the TFile made by qf_open.
TFile* qf_open(const char* name, eFileMode mode);
void qf_close(TFile* h);
unsigned long qf_read(TFile* h, void* buffer, unsigned long n);
unsigned long qf_write(TFile* h, const void* buffer, unsigned long n);
int qf_seek(TFile* h, long offset, eFileSeek origin);
long qf_tell(TFile* h);
unsigned long qf_size(TFile* h);
void qf_ungetc(TFile* h);
bool qf_eof(TFile* h);
int qf_getc(TFile* h);
int qf_error(TFile* h);
