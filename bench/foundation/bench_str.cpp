// str against std::string doing the same work: copies (shared record vs deep copy), appends
// (exact-size growth vs geometric growth), and searches.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "foundation/str.h"

namespace
{
std::string Text(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>('a' + (i * 7) % 26);
    return s;
}
}  // namespace

static void BM_StrCopy(benchmark::State& state)
{
    str s(Text(state.range(0)).c_str());
    for (auto _ : state)
    {
        str copy(s);
        benchmark::DoNotOptimize(copy.c_str());
    }
}
BENCHMARK(BM_StrCopy)->Arg(16)->Arg(256)->Arg(4096);

static void BM_StdStringCopy(benchmark::State& state)
{
    std::string s = Text(state.range(0));
    for (auto _ : state)
    {
        std::string copy(s);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_StdStringCopy)->Arg(16)->Arg(256)->Arg(4096);

static void BM_StrAppendChars(benchmark::State& state)
{
    for (auto _ : state)
    {
        str s;
        for (int i = 0; i < state.range(0); ++i)
            s += 'x';
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrAppendChars)->Arg(64)->Arg(1024);

static void BM_StdStringAppendChars(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string s;
        for (int i = 0; i < state.range(0); ++i)
            s += 'x';
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdStringAppendChars)->Arg(64)->Arg(1024);

static void BM_StrAppendWords(benchmark::State& state)
{
    str word("word ");
    for (auto _ : state)
    {
        str s;
        for (int i = 0; i < state.range(0); ++i)
            s += word;
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrAppendWords)->Arg(64)->Arg(1024);

static void BM_StdStringAppendWords(benchmark::State& state)
{
    std::string word("word ");
    for (auto _ : state)
    {
        std::string s;
        for (int i = 0; i < state.range(0); ++i)
            s += word;
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdStringAppendWords)->Arg(64)->Arg(1024);

static void BM_StrFind(benchmark::State& state)
{
    str s((Text(state.range(0)) + "needle").c_str());
    str pattern("needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(s.find(pattern));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrFind)->Arg(256)->Arg(16384);

static void BM_StdStringFind(benchmark::State& state)
{
    std::string s = Text(state.range(0)) + "needle";
    std::string pattern("needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(s.find(pattern));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdStringFind)->Arg(256)->Arg(16384);

static void BM_StrFindIgnoreCase(benchmark::State& state)
{
    str s((Text(state.range(0)) + "needle").c_str());
    str pattern("NEEDLE");
    for (auto _ : state)
        benchmark::DoNotOptimize(s.find(pattern, str::kIgnoreCase));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrFindIgnoreCase)->Arg(256)->Arg(16384);

static void BM_StrFindCharBackwards(benchmark::State& state)
{
    str s(("!" + Text(state.range(0))).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(s.find('!', str::kBackwards));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrFindCharBackwards)->Arg(256)->Arg(16384);

static void BM_StdStringRfindChar(benchmark::State& state)
{
    std::string s = "!" + Text(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(s.rfind('!'));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdStringRfindChar)->Arg(256)->Arg(16384);
