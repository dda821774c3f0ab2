// A platform task that hands the allocator's unused heap pages back to the system.
//
// glibc keeps freed memory inside its heap (only the very top is ever returned on its own), so
// the pages that a level, a comic or a screen's pictures used stay resident after they are
// freed. Every check interval the task asks how many bytes lie free in the heap and, above the
// threshold, trims it (malloc_trim releases whole free pages anywhere in the heap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "app/task.h"

class THeapTrimTask : public TTask
{
public:
    static const uint32_t kCheckIntervalMs = 2000;
    static const size_t kThresholdBytes = size_t(4) << 20;

    // The free-byte reader and the trim default to the C library's; tests give their own.
    using TFreeBytes = std::function<size_t()>;
    using TTrim = std::function<void()>;
    THeapTrimTask(TFreeBytes freeBytes = TFreeBytes(), TTrim trim = TTrim());

    // Ready once the interval since the last check has passed (idle context only).
    bool Ready(ETaskContext context) override;
    bool DoTask() override;
    unsigned IdleQuietMs(unsigned limit) override;

    static size_t LibraryFreeBytes();
    static void LibraryTrim();

private:
    TFreeBytes mFreeBytes;
    TTrim mTrim;
    uint32_t mLastCheck;
};
