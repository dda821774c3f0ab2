// Event pump throughput on the fake backend, and the cost of one idle step with many tasks.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/platformdata.h"
#include "app/translate.h"
#include "fakebackend.h"

namespace
{

TNativeEvent Key(char c)
{
    TNativeEvent e;
    e.mKind = TNativeEvent::kKeyDown;
    e.mKey = TNativeEvent::kKeyPrintable;
    e.mKeyChar = uint32_t(c);
    e.mScancode = uint32_t(c);
    e.mText = std::string(1, c);
    return e;
}

TNativeEvent Move(int x)
{
    TNativeEvent e;
    e.mKind = TNativeEvent::kMouseMoved;
    e.mX = x;
    e.mY = x / 2;
    return e;
}

struct NoopTask : TTask
{
    bool DoTask() override { return true; }
};

// Native events (half key presses, half mouse moves) pumped through GetEvent per second.
void BM_PumpEvents(benchmark::State& state)
{
    auto owned = std::make_unique<FakeBackend>();
    FakeBackend* backend = owned.get();
    TPlatformData data(std::move(owned), 0, nullptr, false);
    const int batch = 1000;
    int64_t records = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        for (int i = 0; i < batch; ++i)
            backend->PushEvent(i % 2 ? Key(char('a' + i % 26)) : Move(i));
        state.ResumeTiming();
        TEvent e;
        do
        {
            data.GetEvent(&e);
            ++records;
        } while (e.mType != TEvent::kIdle);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * batch);
    state.counters["records"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PumpEvents);

// Translation alone, without the queue.
void BM_TranslateKey(benchmark::State& state)
{
    TTranslateState st;
    TNativeEvent e = Key('q');
    for (auto _ : state)
    {
        TTranslation t = TranslateNativeEvent(e, st);
        benchmark::DoNotOptimize(t.mRecords.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_TranslateKey);

// One idle step (1 ms wait on the fake clock, no sleeping) running N ready tasks.
void BM_IdleStepWithTasks(benchmark::State& state)
{
    TPlatformData data(std::make_unique<FakeBackend>(), 0, nullptr, false);
    for (int i = 0; i < state.range(0); ++i)
        data.GetTaskList().AdoptTask(new NoopTask);
    for (auto _ : state)
    {
        TEvent e;
        data.GetEvent(&e);
        benchmark::DoNotOptimize(e.mType);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_IdleStepWithTasks)->Arg(0)->Arg(100)->Arg(1000);

}  // namespace
