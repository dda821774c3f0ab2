// A pack file from outside: its directory is read into a map, then every entry it registered is
// opened and read in both modes, with seeks and ungets.
#include <cstdint>
#include <map>
#include <vector>

#include "foundation/file.h"
#include "foundation/pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> copy;
    copy.assign(data, data + size);
    copy.push_back(0);  // a non-null block even for empty input
    TFile::ShutDownFileSystem();
    TFlatFile::mFlatFiles.clear();
    TFile::AddMemoryFile(str("fuzz.qfp"), copy.data(), static_cast<unsigned int>(size));
    std::map<str, str> map;
    TFlatFile::ReadFlatFile(map, str("fuzz.qfp"));
    int opened = 0;
    for (const auto& entry : map)
    {
        if (++opened > 64)
            break;
        TFile::mResourceMap[entry.first] = entry.second;
        for (eFileMode mode : {kFileRead, kFileReadText})
        {
            TFile f;
            if (!f.Open(entry.first, mode))
                continue;
            char buf[97];
            unsigned long total = 0;
            unsigned long n;
            while ((n = f.Read(buf, sizeof buf)) > 0 && total < (1u << 20))
                total += n;
            f.Seek(-3, kSeekEnd);
            f.Unget();
            f.Read(buf, 5);
            f.Seek(static_cast<long>(size / 2), kSeekStart);
            f.Read(buf, 1);
            f.Unget();
            f.Seek(-1000, kSeekCurrent);
            f.AtEOF();
        }
    }
    TFile::ShutDownFileSystem();
    TFlatFile::mFlatFiles.clear();
    return 0;
}
