// The start-up scan over an assets folder of 10,000 files in 100 folders.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/file.h"
#include "scratchdir.h"

namespace
{
struct Tree
{
    TScratchDir scratch{"qfbench"};
    std::string root = scratch.Path();
    Tree()
    {
        for (int d = 0; d < 100; ++d)
        {
            std::string folder = root + "/assets/Folder" + std::to_string(d);
            std::filesystem::create_directories(folder);
            for (int f = 0; f < 100; ++f)
                std::ofstream(folder + "/File" + std::to_string(f) + ".PNG") << "x";
        }
    }
};

void BM_ScanAssets10000(benchmark::State& state)
{
    static Tree tree;
    TFile::SetResourcesDir(str(tree.root.c_str()));
    TFile::SetUserDir(str());
    TFile::SetCommonDir(str());
    for (auto _ : state)
    {
        TFile::ShutDownFileSystem();
        TFile::ScanForResources();
        benchmark::DoNotOptimize(TFile::mResourceMap.size());
    }
    state.counters["files"] = static_cast<double>(TFile::mResourceMap.size());
    TFile::ShutDownFileSystem();
}
BENCHMARK(BM_ScanAssets10000)->Unit(benchmark::kMillisecond);
}  // namespace
