// 100,000 string-table look-ups with arguments and label references.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/debug.h"
#include "foundation/stringtable.h"

namespace
{
TStringTable& Table()
{
    static TStringTable table = []
    {
        TStringTable t;
        std::string text = "<Workbook>";
        for (int i = 0; i < 1000; ++i)
            text += "<Row><Cell><Data ss:Type=\"String\">LABEL_" + std::to_string(i) +
                    "</Data></Cell><Cell><Data ss:Type=\"String\">Level %1% of %2%: %LABEL_0% "
                    "&amp; more</Data></Cell></Row>";
        text += "</Workbook>";
        t.MergeStringTableText(text.data(), text.size());
        return t;
    }();
    return table;
}

void BM_StringLookups100000(benchmark::State& state)
{
    TStringTable& table = Table();
    str labels[1000];
    for (int i = 0; i < 1000; ++i)
        labels[i] = str(("LABEL_" + std::to_string(i)).c_str());
    str args[2] = {str("12"), str("60")};
    for (auto _ : state)
    {
        unsigned long total = 0;
        for (int i = 0; i < 100000; ++i)
            total += table.GetString(labels[i % 1000], 2, args).length();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_StringLookups100000)->Unit(benchmark::kMillisecond);
}  // namespace
