// Pack files: reading the "QFPK" archive's directory and its resources.
#include "foundation/pack.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

std::vector<str> TFlatFile::mFlatFiles;

static const long kMaxEntryName = 255;

TFlatFile::TFlatFile() : mMode(kFileRead), mOffset(0), mSize(0), mPosition(0), mEOF(true)
{
}

TFlatFile::~TFlatFile()
{
    Close();
}

// Packs are always opened from the top of the assets folder, whatever folder listed them.
static std::string AssetsRootPath()
{
    std::string root(TFile::mResourcesDir.c_str(), TFile::mResourcesDir.length());
    return root.empty() ? std::string("assets") : root + "/assets";
}

void TFlatFile::InitFlatFiles(str folder, std::map<str, str>& map)
{
    std::vector<std::string> names;
    TDirectorySearch search(folder.c_str());
    str name;
    while (search.GetNextFile(&name, nullptr))
    {
        std::string n(name.c_str(), name.length());
        if (n.find(".qfp") != std::string::npos)
            names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    const std::string root = AssetsRootPath();
    for (const std::string& n : names)
        ReadFlatFile(map, str(("::" + root + "/" + n).c_str()));
}

static uint32_t LittleEndian32(const unsigned char* b)
{
    return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

// A pack must be a disk or memory file: one that resolves to an entry of a pack (a hostile entry
// may carry the pack's own name) would open itself without end.
static bool OpenPack(TFile& pack, const str& packName)
{
    const str location = TFile::TranslateResource(packName, true);
    if (location.length() == 0 || location.c_str()[0] == '@')
        return false;
    return pack.Open(packName, kFileRead);
}

bool TFlatFile::ReadFlatFile(std::map<str, str>& map, str packName)
{
    TFile pack;
    if (!OpenPack(pack, packName))
        return false;
    unsigned char header[8];
    if (pack.Read(header, 4) != 4 || memcmp(header, "QFPK", 4) != 0)
        return false;
    const int index = static_cast<int>(mFlatFiles.size());
    mFlatFiles.push_back(packName);
    if (pack.Read(header + 4, 4) != 4)
        return true;
    const int32_t count = static_cast<int32_t>(LittleEndian32(header + 4));
    // The count is only an upper bound: the directory ends at the first record that cannot be
    // read whole, so a lying count over a short file finishes at once.
    for (int32_t i = 0; i < count; ++i)
    {
        unsigned char length;
        if (pack.Read(&length, 1) != 1)
            break;
        char nameBytes[kMaxEntryName + 1];
        if (pack.Read(nameBytes, length) != length)
            break;
        unsigned char numbers[8];
        if (pack.Read(numbers, 8) != 8)
            break;
        str key(nameBytes, length);
        key.downcase();
        char location[64];
        snprintf(location, sizeof location, "@%d:%ld,%ld", index, (long)LittleEndian32(numbers),
                 (long)LittleEndian32(numbers + 4));
        map[key] = str(location);
    }
    return true;
}

bool TFlatFile::Open(str location, eFileMode mode)
{
    Close();
    // Packs are read-only: a write open would only lose what is written.
    if (mode > kFileReadText)
        return false;
    const char* text = location.c_str();
    if (text[0] != '@')
        return false;
    char* end = nullptr;
    errno = 0;
    long index = strtol(text + 1, &end, 10);
    if (end == text + 1 || *end != ':' || index < 0 || index >= (long)mFlatFiles.size())
        return false;
    const char* offsetText = end + 1;
    long long offset = strtoll(offsetText, &end, 10);
    if (end == offsetText || *end != ',' || offset < 0)
        return false;
    const char* sizeText = end + 1;
    long long size = strtoll(sizeText, &end, 10);
    if (end == sizeText || size < 0 || errno != 0)
        return false;
    if (!OpenPack(mPack, mFlatFiles[index]))
        return false;
    mMode = mode;
    mOffset = static_cast<unsigned long>(offset);
    mSize = static_cast<unsigned long>(size);
    mPosition = 0;
    mEOF = false;
    mPack.Seek(static_cast<long>(mOffset), kSeekStart);
    return true;
}

void TFlatFile::Close()
{
    mSize = 0;
    mPosition = 0;
    mPack.Close();
    mEOF = true;
}

void TFlatFile::Unget()
{
    if (mPosition == 0 || !mPack.IsValid())
        return;
    // Step the inner file back by seeking, which also works after a Seek (no remembered byte).
    --mPosition;
    mPack.Seek(static_cast<long>(mOffset + mPosition), kSeekStart);
    mEOF = false;
}

int TFlatFile::Seek(long offset, eFileSeek origin)
{
    if (!mPack.IsValid())
        return -1;
    int64_t position;
    if (origin == kSeekStart)
        position = offset;
    else if (origin == kSeekEnd)
        position = (int64_t)mSize + offset;
    else
        position = (int64_t)mPosition + offset;
    if (position < 0 || position > (int64_t)mSize)
        position = mSize;  // clamped: the end-of-file flag stays as it was
    else
        mEOF = false;
    mPosition = static_cast<unsigned long>(position);
    return mPack.Seek(static_cast<long>(mOffset + mPosition), kSeekStart);
}

unsigned long TFlatFile::Size()
{
    return mSize;
}

long TFlatFile::Tell()
{
    return static_cast<long>(mPosition);
}

unsigned long TFlatFile::Read(void* buffer, unsigned long n)
{
    if (!mPack.IsValid() || !buffer)
        return 0;
    if ((uint64_t)mPosition + n > (uint64_t)mSize)
    {
        n = mSize - mPosition;
        mEOF = true;
    }
    unsigned char* out = static_cast<unsigned char*>(buffer);
    if (mMode == kFileReadText)
    {
        // Read in chunks and drop the CR bytes, until n bytes are stored or the entry ends.
        unsigned long stored = 0;
        while (stored < n && mPosition < mSize)
        {
            unsigned long want = std::min(n - stored, mSize - mPosition);
            unsigned long got = mPack.Read(out + stored, want);
            if (got == 0)
                break;
            mPosition += got;
            unsigned long kept = stored;
            for (unsigned long i = stored; i < stored + got; ++i)
                if (out[i] != 13)
                    out[kept++] = out[i];
            stored = kept;
        }
        return stored;
    }
    // An entry reaching past the real end of the pack gives a short count.
    unsigned long got = n ? mPack.Read(out, n) : 0;
    mPosition += got;
    return got;
}

unsigned long TFlatFile::Write(const void*, unsigned long)
{
    return 0;
}

bool TFlatFile::AtEOF()
{
    return mEOF;
}
