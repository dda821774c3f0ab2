// A read-only block of memory registered in the resource map under a name. Its location is
// "&" + decimal address + "," + decimal size.
#pragma once

#include <cstdint>
#include <map>

#include "foundation/file.h"

class TMemoryFile : public TFileData
{
public:
    TMemoryFile();
    ~TMemoryFile() override;

    // With data: map[lower-cased name] = the block's location. With null data: removes the name.
    static void AddFile(std::map<str, str>& map, str name, void* data, unsigned int size);

    bool Open(str location, eFileMode mode) override;  // modes above 1 fail
    void Close() override;
    void Unget() override;
    int Seek(long offset, eFileSeek origin) override;  // positions past the size become the size
    unsigned long Size() override;
    long Tell() override;
    unsigned long Read(void* buffer, unsigned long n) override;         // mode 1 drops CR bytes
    unsigned long Write(const void* buffer, unsigned long n) override;  // always 0
    bool AtEOF() override;

private:
    const unsigned char* mData;
    uint32_t mPosition;
    uint32_t mSize;
    eFileMode mMode;
};
