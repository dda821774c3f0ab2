// Memory files: read-only blocks registered in the resource map.
#include "foundation/memfile.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

TMemoryFile::TMemoryFile() : mData(nullptr), mPosition(0), mSize(0), mMode(kFileRead)
{
}

TMemoryFile::~TMemoryFile()
{
    Close();
}

void TMemoryFile::AddFile(std::map<str, str>& map, str name, void* data, unsigned int size)
{
    str key = name;
    key.downcase();
    if (!data)
    {
        map.erase(key);
        return;
    }
    char location[64];
    snprintf(location, sizeof location, "&%" PRIuPTR ",%u", reinterpret_cast<uintptr_t>(data), size);
    map[key] = str(location);
}

bool TMemoryFile::Open(str location, eFileMode mode)
{
    Close();
    if (mode > kFileReadText)
        return false;
    const char* text = location.c_str();
    if (text[0] != '&')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long address = strtoull(text + 1, &end, 10);
    if (address == 0 || errno != 0 || end == text + 1 || *end != ',')
        return false;
    const char* sizeText = end + 1;
    unsigned long long size = strtoull(sizeText, &end, 10);
    if (end == sizeText || errno != 0 || size > UINT32_MAX)
        return false;
    mData = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(address));
    mSize = static_cast<uint32_t>(size);
    mPosition = 0;
    mMode = mode;
    return true;
}

void TMemoryFile::Close()
{
    mData = nullptr;
    mPosition = 0;
    mSize = 0;
}

void TMemoryFile::Unget()
{
    Seek(-1, kSeekCurrent);
}

int TMemoryFile::Seek(long offset, eFileSeek origin)
{
    int64_t position;
    if (origin == kSeekStart)
        position = offset;
    else if (origin == kSeekEnd)
        position = (int64_t)mSize + offset;
    else
        position = (int64_t)mPosition + offset;
    // Anything outside the block, before its start included, ends up at the end.
    if (position < 0 || position > (int64_t)mSize)
        position = mSize;
    mPosition = static_cast<uint32_t>(position);
    return 0;
}

unsigned long TMemoryFile::Size()
{
    return mSize;
}

long TMemoryFile::Tell()
{
    return mPosition;
}

unsigned long TMemoryFile::Read(void* buffer, unsigned long n)
{
    if (!mData || !buffer)
        return 0;
    unsigned long left = mSize - mPosition;
    if (n > left)
        n = left;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    if (mMode == kFileReadText)
    {
        unsigned long stored = 0;
        while (stored < n && mPosition < mSize)
        {
            unsigned char c = mData[mPosition++];
            if (c != 13)
                out[stored++] = c;
        }
        return stored;
    }
    memcpy(out, mData + mPosition, n);
    mPosition += static_cast<uint32_t>(n);
    return n;
}

unsigned long TMemoryFile::Write(const void*, unsigned long)
{
    return 0;
}

bool TMemoryFile::AtEOF()
{
    return mPosition == mSize;
}
