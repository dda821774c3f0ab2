// Blowfish throughput through TEncrypt (binary and Base64 text forms) and the key schedule.
#include <benchmark/benchmark.h>

#include <vector>

#include "foundation/encrypt.h"

static void BM_BlowfishEncryptBinary(benchmark::State& state)
{
    TEncrypt crypt("BenchKey1AAA");
    std::vector<unsigned char> plain(state.range(0), 0x5A);
    std::vector<unsigned char> out(crypt.EncryptBinary(plain.data(), plain.size(), nullptr, 0, false));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            crypt.EncryptBinary(plain.data(), plain.size(), out.data(), out.size(), false));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BlowfishEncryptBinary)->Arg(4096)->Arg(1 << 20);

static void BM_BlowfishDecryptBinary(benchmark::State& state)
{
    TEncrypt crypt("BenchKey1AAA");
    std::vector<unsigned char> plain(state.range(0), 0x5A);
    std::vector<unsigned char> cipher(crypt.EncryptBinary(plain.data(), plain.size(), nullptr, 0, false));
    crypt.EncryptBinary(plain.data(), plain.size(), cipher.data(), cipher.size(), false);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            crypt.DecryptBinary(cipher.data(), cipher.size(), plain.data(), plain.size(), false));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BlowfishDecryptBinary)->Arg(4096)->Arg(1 << 20);

static void BM_EncryptTextForm(benchmark::State& state)
{
    TEncrypt crypt("BenchKey1AAA");
    std::vector<unsigned char> plain(state.range(0), 0x5A);
    std::vector<unsigned char> out(crypt.EncryptBinary(plain.data(), plain.size(), nullptr, 0, true));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            crypt.EncryptBinary(plain.data(), plain.size(), out.data(), out.size(), true));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncryptTextForm)->Arg(1 << 20);

static void BM_BlowfishKeySchedule(benchmark::State& state)
{
    for (auto _ : state)
    {
        TEncrypt crypt("BenchKey1AAA");
        benchmark::DoNotOptimize(&crypt);
    }
}
BENCHMARK(BM_BlowfishKeySchedule);
