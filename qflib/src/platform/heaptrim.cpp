// THeapTrimTask: hands unused heap pages back to the system when the game is idle.
#include "heaptrim.h"

#include <malloc.h>

#include "foundation/clock.h"

THeapTrimTask::THeapTrimTask(TFreeBytes freeBytes, TTrim trim)
    : mFreeBytes(freeBytes ? std::move(freeBytes) : TFreeBytes(&LibraryFreeBytes)),
      mTrim(trim ? std::move(trim) : TTrim(&LibraryTrim)), mLastCheck(qfTimer())
{
}

bool THeapTrimTask::Ready(ETaskContext context)
{
    return context == kContextIdle && uint32_t(qfTimer() - mLastCheck) >= kCheckIntervalMs;
}

bool THeapTrimTask::DoTask()
{
    mLastCheck = qfTimer();
    if (mFreeBytes() > kThresholdBytes)
        mTrim();
    return true;
}

unsigned THeapTrimTask::IdleQuietMs(unsigned limit)
{
    const uint32_t since = qfTimer() - mLastCheck;
    const uint32_t left = since >= kCheckIntervalMs ? 0 : kCheckIntervalMs - since;
    return left < limit ? unsigned(left) : limit;
}

size_t THeapTrimTask::LibraryFreeBytes()
{
    // Free chunks in the main heap and the other arenas (not the mapped blocks, which go back
    // to the system when freed).
    return mallinfo2().fordblks;
}

void THeapTrimTask::LibraryTrim()
{
    malloc_trim(0);
}
