// Pack files: many resources stored raw in one "QFPK" file at the top of the assets folder.
//   "QFPK", int32 count (<= 0: none), then count records { u8 L, L name bytes, u32 offset,
//   u32 size }, little-endian, unpadded; the entries' data lies anywhere in the file.
// The scan registers every entry under its lower-cased name with the location
// "@" + pack index + ":" + offset + "," + size.
#pragma once

#include <map>
#include <vector>

#include "foundation/file.h"

class TFlatFile : public TFileData
{
public:
    TFlatFile();
    ~TFlatFile() override;

    // Registers the packs of one folder (file names containing ".qfp", in byte order), each
    // opened from the top of the assets folder.
    static void InitFlatFiles(str folder, std::map<str, str>& map);
    // Reads one pack's directory into the map. Reading stops at the first record that is not
    // whole; the complete records before it are kept. False when the pack was not added.
    static bool ReadFlatFile(std::map<str, str>& map, str packName);

    // Resource names of the packs opened so far; a pack's index is its position here.
    static std::vector<str> mFlatFiles;

    bool Open(str location, eFileMode mode) override;
    void Close() override;
    void Unget() override;
    int Seek(long offset, eFileSeek origin) override;
    unsigned long Size() override;
    long Tell() override;
    unsigned long Read(void* buffer, unsigned long n) override;
    unsigned long Write(const void* buffer, unsigned long n) override;
    bool AtEOF() override;

private:
    TFile mPack;  // the pack itself, open for reading
    eFileMode mMode;
    unsigned long mOffset;    // entry's offset in the pack
    unsigned long mSize;      // entry's size
    unsigned long mPosition;  // position within the entry
    bool mEOF;
};
