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

void ResetDbg(const char* /*name*/) {}

unsigned long qfGetTotalAllocated() { return 0; }
unsigned long qfGetMaxAllocated() { return 0; }

void qfSetDbgSink(TDbgSink sink) { Sink() = std::move(sink); }
