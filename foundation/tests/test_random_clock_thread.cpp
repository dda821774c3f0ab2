#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "foundation/clock.h"
#include "foundation/debug.h"
#include "foundation/random.h"
#include "foundation/thread.h"

// ---------------------------------------------------------------------------------------------
// Random numbers

TEST(Random, ReferenceArraySeedingOutputs)
{
    // The published first outputs of the reference generator for this key.
    const unsigned long key[] = {0x123, 0x234, 0x345, 0x456};
    const unsigned int want[] = {1067595299u, 955945823u, 477289528u, 4107218783u, 4228976476u};
    TRandom r;
    r.SeedArray(key, 4);
    for (unsigned int w : want)
        EXPECT_EQ(r.Rand32(), w);
}

TEST(Random, DefaultSeedIsTheFixedKey)
{
    const unsigned int want[] = {0xDE98BABAu, 0x96A1FBA0u, 0x9113F786u, 0xB2268A86u};
    TRandom r;
    for (unsigned int w : want)
        EXPECT_EQ(r.Rand32(), w);

    // Same as seeding explicitly with the fixed key; re-seeding restarts the sequence.
    const unsigned long key[] = {0xD4C4CF4B, 0x3E2019A7, 0xE6489797, 0x5746FCB5};
    TRandom a, b;
    b.SeedArray(key, 4);
    for (int i = 0; i < 2000; ++i)  // crosses several 624-word blocks
        ASSERT_EQ(a.Rand32(), b.Rand32()) << i;
    a.SeedArray(key, 4);
    EXPECT_EQ(a.Rand32(), want[0]);
}

TEST(Random, OnlyTheLow32BitsOfKeyWordsCount)
{
    const unsigned long wide[] = {0xFFFFFFFF00000123ul, 0x234};
    const unsigned long narrow[] = {0x123, 0x234};
    TRandom a, b;
    a.SeedArray(wide, 2);
    b.SeedArray(narrow, 2);
    EXPECT_EQ(a.Rand32(), b.Rand32());
    // An empty key is the one-word key {0}, not a read past the array.
    const unsigned long zero[] = {0};
    a.SeedArray(nullptr, 0);
    b.SeedArray(zero, 1);
    EXPECT_EQ(a.Rand32(), b.Rand32());
}

TEST(Random, FloatsStayBelowOne)
{
    TRandom r;
    for (int i = 0; i < 100000; ++i)
    {
        float f = r.RandFloat();
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
}

TEST(Random, RangesAreInclusiveAndUseTwoDraws)
{
    struct Case
    {
        int low, high;
    };
    const Case cases[] = {
        {5, 5}, {0, 1}, {-3, 3}, {INT_MIN, INT_MAX}, {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX - 1, INT_MAX}};
    for (const Case& c : cases)
    {
        TRandom r;
        std::set<int> seen;
        for (int i = 0; i < 5000; ++i)
        {
            int v = r.RandRange(c.low, c.high);
            ASSERT_GE(v, c.low);
            ASSERT_LE(v, c.high);
            seen.insert(v);
        }
        long long span = static_cast<long long>(c.high) - c.low + 1;
        if (span <= 7)
        {
            EXPECT_EQ(static_cast<long long>(seen.size()), span) << c.low << ".." << c.high;
        }
        else
            EXPECT_GT(seen.size(), 4000u);  // a wide range is spread, not stuck
    }

    // The result comes from (a * 2^26 + b) / 2^53 with a = draw >> 5, b = draw >> 6.
    TRandom r, ref;
    for (int i = 0; i < 100; ++i)
    {
        unsigned int a = ref.Rand32() >> 5, b = ref.Rand32() >> 6;
        double f = (a * 67108864.0 + b) / 9007199254740992.0;
        ASSERT_EQ(r.RandRange(-1000, 1000), -1000 + static_cast<int>(2001 * f));
    }
}

// ---------------------------------------------------------------------------------------------
// Clock on a fake timer

class FakeTimer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qfSetTimeSource([this]() { return mNow; });
    }
    void TearDown() override { qfSetTimeSource(nullptr); }

    uint32_t mNow = 1000;
};

TEST_F(FakeTimer, ClockPausesAndResumes)
{
    TClock c;
    EXPECT_TRUE(c.IsPaused());
    EXPECT_FALSE(c.IsStarted());
    EXPECT_EQ(c.GetTime(), 0u);
    mNow += 500;
    EXPECT_EQ(c.GetTime(), 0u);  // not started

    c.Start();
    mNow += 100;
    EXPECT_EQ(c.GetTime(), 100u);
    EXPECT_FALSE(c.Pause());
    mNow += 50;
    EXPECT_EQ(c.GetTime(), 100u);
    EXPECT_TRUE(c.Pause());  // already paused: unchanged
    EXPECT_EQ(c.GetTime(), 100u);
    c.Start();
    mNow += 30;
    EXPECT_EQ(c.GetTime(), 130u);
    c.Start();  // running: nothing happens
    mNow += 10;
    EXPECT_EQ(c.GetTime(), 140u);

    // Two pauses add up.
    c.Pause();
    mNow += 1000;
    c.Start();
    mNow += 5;
    EXPECT_EQ(c.GetTime(), 145u);
}

TEST_F(FakeTimer, ResetKeepsStartedAndResumesFromZero)
{
    TClock c;
    c.Start();
    mNow += 70;
    c.Reset();
    EXPECT_TRUE(c.IsPaused());
    EXPECT_TRUE(c.IsStarted());
    EXPECT_EQ(c.GetTime(), 0u);
    mNow += 40;
    EXPECT_EQ(c.GetTime(), 0u);
    c.Start();
    mNow += 25;
    EXPECT_EQ(c.GetTime(), 25u);  // the 40 ms before Start count as a pause
}

TEST_F(FakeTimer, ClockSurvivesTheTimerWrap)
{
    mNow = 0xFFFFFFFFu - 20;
    TClock c;
    c.Start();
    mNow += 50;  // wraps past 2^32
    EXPECT_EQ(c.GetTime(), 50u);
    c.Pause();
    mNow += 100;
    c.Start();
    mNow += 10;
    EXPECT_EQ(c.GetTime(), 60u);
}

TEST(Timer, DefaultSourceIsMonotonic)
{
    qfSetTimeSource(nullptr);
    uint32_t prev = qfTimer();
    for (int i = 0; i < 1000; ++i)
    {
        uint32_t now = qfTimer();
        ASSERT_LT(static_cast<uint32_t>(now - prev), 0x80000000u);  // never steps back
        prev = now;
    }
}

// ---------------------------------------------------------------------------------------------
// Mutex and thread

TEST(Mutex, IsRecursiveAndNamed)
{
    TMutex m;
    EXPECT_TRUE(m.Lock(0));
    EXPECT_TRUE(m.Lock(100));  // the holder may lock again
    std::atomic<bool> otherGotIt{false};
    std::thread other(
        [&]()
        {
            m.Lock();
            otherGotIt = true;
            m.Unlock();
        });
    m.Unlock();
    EXPECT_FALSE(otherGotIt.load());  // still held once
    m.Unlock();
    other.join();
    EXPECT_TRUE(otherGotIt.load());

    EXPECT_EQ(m.Name().substr(0, 13), str("ZestKitMutex."));
    EXPECT_EQ(m.Name().length(), 21u);
    TMutex n;
    EXPECT_NE(m.Name(), n.Name());
    {
        std::lock_guard<TMutex> guard(m);
    }
}

namespace
{
// Counts loop turns until asked to stop; its destructor stops the thread first, because Task
// uses the derived object's members.
class Counter : public TThread
{
public:
    ~Counter() override { Stop(); }

    std::atomic<int> mTurns{0};
    std::atomic<bool> mSawQuit{false};

protected:
    void Task(std::atomic<bool>* quit) override
    {
        while (!quit->load())
        {
            ++mTurns;
            std::this_thread::yield();
        }
        mSawQuit = true;
    }
};

class OneShot : public TThread
{
public:
    ~OneShot() override { Stop(); }
    std::atomic<int> mRuns{0};

protected:
    void Task(std::atomic<bool>*) override { ++mRuns; }
};
}  // namespace

TEST(Thread, StartsRunsAndStops)
{
    Counter c;
    EXPECT_FALSE(c.IsRunning());
    ASSERT_TRUE(c.StartTask());
    EXPECT_TRUE(c.IsRunning());
    EXPECT_FALSE(c.StartTask());  // already running
    while (c.mTurns.load() < 10)
        std::this_thread::yield();
    c.Stop();
    EXPECT_FALSE(c.IsRunning());
    EXPECT_TRUE(c.mSawQuit.load());
    c.Stop();  // a second stop is a no-op

    // The flag is cleared, so the thread can be started again.
    c.mSawQuit = false;
    ASSERT_TRUE(c.StartTask());
    while (c.mTurns.load() < 20)
        std::this_thread::yield();
    c.Stop();
    EXPECT_TRUE(c.mSawQuit.load());
}

TEST(Thread, DestroyingWithoutStartOrWhileRunningReturns)
{
    {
        Counter never;
    }
    {
        Counter running;
        running.StartTask();
    }  // destructor stops the loop, then joins
    OneShot once;
    once.StartTask();
    once.Stop();
    EXPECT_EQ(once.mRuns.load(), 1);
}

// ---------------------------------------------------------------------------------------------
// Debug output

TEST(Debug, WritesWholeLinesOfAnyLength)
{
    std::vector<std::string> lines;
    qfSetDbgSink([&](const char* line) { lines.push_back(line); });
    WriteDbg("value %d of %s", 3, "x");
    std::string big(10000, 'z');
    WriteDbg("%s", big.c_str());
    qfSetDbgSink(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "value 3 of x");
    EXPECT_EQ(lines[1], big);

    ::testing::internal::CaptureStderr();
    WriteDbg("%s(%d): %s", "file.cpp", 12, "message");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "file.cpp(12): message\n");

    ResetDbg("anything");
}

TEST(DebugMemoryTest, FiguresAreTheProcesssOwnAndFollowWhatItHolds)
{
    // 64 MiB written to, so that every page of it is really held.
    const size_t size = 64u << 20;
    std::vector<char> block(size, 1);
    const unsigned long now = qfGetTotalAllocated();
    EXPECT_GE(now, size) << "the block is held";
    EXPECT_GE(qfGetMaxAllocated(), now) << "the peak is never below what is held";
    EXPECT_NE(block[size / 2], 0);
}
