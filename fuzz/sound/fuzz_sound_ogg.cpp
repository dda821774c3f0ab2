// Ogg Vorbis decoding of arbitrary bytes held in memory: opening, reading in chunks, reads at
// arbitrary offsets, and decoding whole into memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/sounddatasource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::shared_ptr<TOggDataSource> source = std::make_shared<TOggDataSource>();
    if (!source->InitFromMemory(data, size))
        return 0;
    const int64_t raw = source->GetRawLength();
    if (source->GetChannels() < 1 || source->GetChannels() > 2 || source->GetBitRate() <= 0 || raw < 0)
        __builtin_trap();

    // Sequential reads, bounded so a header claiming hours of audio cannot stall the run.
    std::vector<unsigned char> buffer(16384 + 64, 0xA5);
    unsigned int position = 0;
    for (int i = 0; i < 64; ++i)
    {
        const unsigned int got = source->Read(buffer.data(), position, 16384);
        if (got > 16384 || buffer[16384] != 0xA5)
            __builtin_trap();
        if (got == 0)
            break;
        position += got;
    }
    // Reads at offsets taken from the input itself.
    for (size_t i = 0; i + 4 <= size && i < 32; i += 4)
    {
        const unsigned int offset = (data[i] | (data[i + 1] << 8) | (data[i + 2] << 16)) & ~3u;
        const unsigned int got = source->Read(buffer.data(), offset, 4096);
        if (got > 4096)
            __builtin_trap();
    }
    if (raw <= (1 << 22))
    {
        TMemDataSource memory(source);
        if (memory.GetRawLength() != raw && memory.GetRawLength() != 0)
            __builtin_trap();
        memory.Read(buffer.data(), static_cast<unsigned int>(raw / 2), 4096);
    }
    return 0;
}
