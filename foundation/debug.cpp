// WriteDbg with its replaceable sink, and the process's memory figures.
#include "foundation/debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "foundation/str.h"

namespace
{
TDbgSink& Sink()
{
    static TDbgSink sink;
    return sink;
}

void WriteAll(const char* p, size_t n)
{
    while (n > 0)
    {
        ssize_t w = write(STDERR_FILENO, p, n);
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}
}  // namespace

void WriteDbg(const char* format, ...)
{
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    str line = str::getFormattedV(format, args);
    va_end(args);
    const TDbgSink& sink = Sink();
    if (sink)
    {
        sink(line.c_str());
        return;
    }
    line += '\n';
    WriteAll(line.c_str(), line.length());
}

void ResetDbg(const char* /*name*/)
{
}

namespace
{
// One "Name:   1234 kB" line of /proc/self/status in bytes (0 when missing).
unsigned long StatusKilobytes(const char* name)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    unsigned long bytes = 0;
    const size_t n = std::strlen(name);
    while (std::fgets(line, sizeof line, f))
    {
        if (std::strncmp(line, name, n) == 0 && line[n] == ':')
        {
            unsigned long kb = 0;
            if (std::sscanf(line + n + 1, "%lu", &kb) == 1)
                bytes = kb * 1024ul;
            break;
        }
    }
    std::fclose(f);
    return bytes;
}
}  // namespace

unsigned long qfGetTotalAllocated()
{
    return StatusKilobytes("VmRSS");
}
unsigned long qfGetMaxAllocated()
{
    return StatusKilobytes("VmHWM");
}

void qfSetDbgSink(TDbgSink sink)
{
    Sink() = std::move(sink);
}
