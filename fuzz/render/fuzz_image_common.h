// Shared by the image decoder fuzz targets: the input becomes a memory file of the file layer,
// which the loader reads exactly as it reads a file from disk or a pack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/file.h"

class TFuzzMemoryFile
{
public:
    TFuzzMemoryFile(const char* name, const uint8_t* data, size_t size) : mName(name)
    {
        static uint8_t empty[1];
        TFile::AddMemoryFile(name, size ? const_cast<uint8_t*>(data) : empty, static_cast<unsigned>(size));
    }
    ~TFuzzMemoryFile() { TFile::AddMemoryFile(mName, nullptr, 0); }
    TFuzzMemoryFile(const TFuzzMemoryFile&) = delete;
    TFuzzMemoryFile& operator=(const TFuzzMemoryFile&) = delete;

private:
    const char* mName;
};
