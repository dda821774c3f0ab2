// The stored play time ("time.dat", four bytes, least significant first): whatever the file
// holds, loading never fails, only a file of exactly four bytes is a stored time (anything else
// is a damaged save and counts as none), and a time saved is read back unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/debug.h"
#include "online/gamedata.h"
#include "scratchdir.h"

namespace
{

uint32_t gClock = 0;

const std::string& Folder()
{
    static const std::string folder = []
    {
        static const TScratchDir scratch("time_file_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        return scratchPath;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = []
    {
        qfSetDbgSink([](const char*) {});
        TQfGameData::SetTimerSource([]() -> unsigned int { return gClock; });
        return true;
    }();
    (void)ready;
    // Each input starts from a folder holding only its own time.dat: no backup or damaged copy
    // left by an earlier input.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    {
        std::ofstream out(Folder() + "/time.dat", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    gClock = size > 4 ? data[4] * 1000u : 0u;
    TQfGameData first;
    first.SetPath(Folder());
    first.LoadElapsedTime();
    if (size == 4)
    {
        const uint32_t stored =
            uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        if (first.StoredElapsed() != stored)
            abort();
    }
    else if (first.StoredElapsed() != 0)
    {
        abort();  // a file of any other size is no time at all
    }
    gClock += 2500;
    const uint32_t elapsed = first.ElapsedTime();
    first.SaveElapsedTime();
    TQfGameData second;
    second.SetPath(Folder());
    second.LoadElapsedTime();
    if (second.StoredElapsed() != elapsed)
        abort();
    return 0;
}
