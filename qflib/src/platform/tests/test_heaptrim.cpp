// The heap-trim task: checks the allocator's free bytes once per interval and trims only above
// the threshold; between checks it lets the event pump sleep.
#include <gtest/gtest.h>

#include <vector>

#include "heaptrim.h"
#include "foundation/clock.h"

namespace
{

uint32_t gNow = 0;

class HeapTrim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gNow = 10000;
        qfSetTimeSource([]() { return gNow; });
    }
    void TearDown() override { qfSetTimeSource(TTimeSource()); }
};

}  // namespace

TEST_F(HeapTrim, TrimsOncePerIntervalAndOnlyAboveTheThreshold)
{
    size_t freeBytes = 0;
    int trims = 0;
    int checks = 0;
    THeapTrimTask task(
        [&]
        {
            ++checks;
            return freeBytes;
        },
        [&] { ++trims; });
    const uint32_t interval = THeapTrimTask::kCheckIntervalMs;
    EXPECT_FALSE(task.Ready(TTask::kContextIdle)) << "just made";
    EXPECT_EQ(task.IdleQuietMs(50000), interval);
    gNow += interval - 1;
    EXPECT_FALSE(task.Ready(TTask::kContextIdle));
    EXPECT_EQ(task.IdleQuietMs(50000), 1u);
    gNow += 1;
    EXPECT_FALSE(task.Ready(TTask::kContextDraw)) << "idle steps only";
    EXPECT_EQ(task.IdleQuietMs(50000), 0u);

    struct Step
    {
        size_t freeBytes;
        int trims;
    };
    const Step steps[] = {
        {0, 0},
        {THeapTrimTask::kThresholdBytes, 0},
        {THeapTrimTask::kThresholdBytes + 1, 1},
        {64u << 20, 2},
        {1000, 2},
    };
    for (const Step& step : steps)
    {
        ASSERT_TRUE(task.Ready(TTask::kContextIdle));
        freeBytes = step.freeBytes;
        EXPECT_TRUE(task.DoTask()) << "the task stays";
        EXPECT_EQ(trims, step.trims) << step.freeBytes << " bytes free";
        EXPECT_FALSE(task.Ready(TTask::kContextIdle)) << "the next check waits a whole interval";
        EXPECT_EQ(task.IdleQuietMs(100), 100u);
        gNow += interval;
    }
    EXPECT_EQ(checks, 5);
}

// With the C library's own reader and trim: freed blocks count as free bytes, and a trim
// leaves the allocator working. Under the sanitizers another allocator serves malloc and there
// is no C library heap to read, so the case exists only in the release build, which CI builds
// for it (tools/run-tests.sh, the release step).
#ifndef QF_SANITIZED
TEST_F(HeapTrim, LibraryReaderSeesFreedMemory)
{
    // Each block is followed by a small pin, so that the freed blocks cannot merge with the
    // top of the heap (which free gives back by itself) and stay free chunks inside it.
    std::vector<void*> blocks, pins;
    for (int i = 0; i < 256; ++i)
    {
        blocks.push_back(malloc(64 * 1024 - 64));  // below the mapping threshold: in the heap
        pins.push_back(malloc(16));
    }
    const size_t before = THeapTrimTask::LibraryFreeBytes();
    for (void* b : blocks)
        free(b);
    EXPECT_GE(THeapTrimTask::LibraryFreeBytes(), before + (8u << 20));
    THeapTrimTask::LibraryTrim();
    void* again = malloc(1 << 20);
    EXPECT_NE(again, nullptr);
    free(again);
    for (void* p : pins)
        free(p);
}
#endif
