// Ogg Vorbis streamed from a file: the input is written to a file that the decoder reads through
// the file layer while it plays (streaming), with sequential reads, reads at arbitrary offsets
// (seeks in the file) and a second open of the same file read whole into memory first; both must
// give the same samples.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "scratchdir.h"
#include "sound/sounddatasource.h"

namespace
{

const std::string& Path()
{
    static const std::string path = []
    {
        static const TScratchDir scratch("ogg_file_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        return scratchPath + "/stream.ogg";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const str name(("::" + Path()).c_str());
    auto streamed = std::make_shared<TOggDataSource>();
    const bool opened = streamed->InitFromFile(name, true);
    auto whole = std::make_shared<TOggDataSource>();
    if (whole->InitFromFile(name, false) != opened)
        __builtin_trap();
    if (!opened)
        return 0;
    if (streamed->GetChannels() < 1 || streamed->GetChannels() > 2 || streamed->GetBitRate() <= 0 ||
        streamed->GetRawLength() < 0 || streamed->GetRawLength() != whole->GetRawLength())
        __builtin_trap();

    std::vector<unsigned char> a(8192 + 16, 0x5A), b(8192 + 16, 0x5A);
    unsigned int position = 0;
    for (int i = 0; i < 32; ++i)
    {
        const unsigned int got = streamed->Read(a.data(), position, 8192);
        const unsigned int again = whole->Read(b.data(), position, 8192);
        if (got > 8192 || a[8192] != 0x5A || got != again || memcmp(a.data(), b.data(), got) != 0)
            __builtin_trap();
        if (got == 0)
            break;
        position += got;
    }
    // Reads at offsets taken from the input: the stream seeks in its file.
    const int64_t raw = streamed->GetRawLength();
    for (size_t i = 0; i + 4 <= size && i < 64; i += 4)
    {
        uint32_t offset;
        memcpy(&offset, data + i, 4);
        if (raw > 0)
            offset = uint32_t(offset % uint64_t(raw + 4096));
        const unsigned int got = streamed->Read(a.data(), offset, 4096);
        if (got > 4096 || a[8192] != 0x5A)
            __builtin_trap();
    }
    return 0;
}
