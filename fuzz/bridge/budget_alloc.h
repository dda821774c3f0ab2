// Script memory for the bridge fuzz targets: the engine's allocator hook held to a budget, so a
// hostile script runs out of memory inside the engine instead of exhausting the fuzzer. Besides
// the bytes held at once, the bytes handed out over a run are limited (reset sBuilt with
// sAllocated for each input): one concatenation or string.rep can build tens of megabytes, so
// the instruction budget alone does not bound the work.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

struct TBudgetAlloc
{
    inline static size_t sLimit = size_t(64) << 20;
    inline static size_t sAllocated = 0;
    inline static size_t sBuildLimit = size_t(128) << 20;
    inline static size_t sBuilt = 0;

    static void* Alloc(void*, void* block, size_t oldsize, size_t newsize, int zero, unsigned)
    {
        if (newsize == 0)
        {
            free(block);
            sAllocated -= oldsize;
            return nullptr;
        }
        if (newsize > oldsize)
        {
            if (sAllocated + (newsize - oldsize) > sLimit || newsize > sBuildLimit - sBuilt)
                return nullptr;
            sBuilt += newsize;  // a grown block counts whole: realloc may copy all of it
        }
        void* p = realloc(block, newsize);
        if (!p)
            return nullptr;
        if (zero && newsize > oldsize)
            memset(static_cast<char*>(p) + oldsize, 0, newsize - oldsize);
        sAllocated += newsize;
        sAllocated -= oldsize;
        return p;
    }
};
