// Compiles and runs arbitrary source text. The first byte picks the form: even bytes feed the
// rest as 8-bit text, odd bytes as UTF-16LE text behind the byte-order mark FF FE; bit 1 hands
// the chunk to the reader one byte at a time. Whatever the input, the result is a status and
// a message, never a crash or a hang.
#include <cstdint>
#include <string>

#include "sandbox.h"
#include "scriptengine/api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t mode = data[0];
    std::string chunk;
    if (mode & 1)
        chunk = "\xFF\xFE";
    chunk.append(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!chunk.empty() && chunk[0] == '\x1b')
        chunk[0] = ' ';  // source only; chunks have their own target
    scriptfuzz::Sandbox box;
    if (box.Load(chunk, "=fuzz", (mode & 2) ? 1 : 0) == 0)
        box.Run();
    return 0;
}
