// Loads and runs arbitrary precompiled chunks (the seeds are dumped chunks of small programs,
// which the fuzzer mutates). The loader must reject every malformed chunk with a message; a
// chunk it accepts must run without touching memory outside the engine's objects.
#include <cstdint>
#include <string>

#include "sandbox.h"
#include "scriptengine/api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string chunk(reinterpret_cast<const char*>(data), size);
    if (chunk.empty() || chunk[0] != '\x1b')
        chunk.insert(chunk.begin(), '\x1b');
    scriptfuzz::Sandbox box;
    if (box.Load(chunk, "=fuzz") == 0)
        box.Run();
    return 0;
}
