// Parsing a 5 MB XML document: our tree beside libxml2's xmlReadMemory on the same bytes.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "foundation/xml.h"

namespace
{
// A deterministic document shaped like the game's data: nested elements with several
// attributes, some text content and entities.
const std::string& Document()
{
    static const std::string doc = []
    {
        std::mt19937 rng(12345);
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<levels version=\"3\">\n";
        int level = 0;
        while (out.size() < 5u * 1024u * 1024u)
        {
            out += "  <level name=\"level" + std::to_string(level) + "\" time=\"" +
                   std::to_string(rng() % 600) + "\" mode=\"arcade\">\n";
            for (int e = 0; e < 20; ++e)
            {
                out += "    <entity type=\"goo" + std::to_string(rng() % 40) + "\" x=\"" +
                       std::to_string(rng() % 4000) + "\" y=\"" + std::to_string(rng() % 3000) +
                       "\" scale=\"1.25\" angle=\"" + std::to_string(rng() % 360) + "\"/>\n";
            }
            out += "    <description>Eat everything smaller &amp; grow: level " + std::to_string(level) +
                   " of the caf\xC3\xA9 world</description>\n";
            out += "  </level>\n";
            ++level;
        }
        out += "</levels>\n";
        return out;
    }();
    return doc;
}

double OursOnce()
{
    const std::string& doc = Document();
    auto start = std::chrono::steady_clock::now();
    {
        TXmlNode tree;
        tree.ParseString(doc.data(), doc.size());
        benchmark::DoNotOptimize(tree.HasChildren());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Libxml2Once()
{
    const std::string& doc = Document();
    auto start = std::chrono::steady_clock::now();
    xmlDocPtr tree =
        xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "bench.xml", nullptr, XML_PARSE_NONET);
    benchmark::DoNotOptimize(tree);
    xmlFreeDoc(tree);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Build and free the tree, as both parsers do.
void BM_XmlParse_Ours(benchmark::State& state)
{
    const std::string& doc = Document();
    for (auto _ : state)
    {
        TXmlNode tree;
        tree.ParseString(doc.data(), doc.size());
        benchmark::DoNotOptimize(tree.HasChildren());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * doc.size());
}
BENCHMARK(BM_XmlParse_Ours)->Unit(benchmark::kMillisecond);

void BM_XmlParse_Libxml2(benchmark::State& state)
{
    const std::string& doc = Document();
    for (auto _ : state)
    {
        xmlDocPtr tree =
            xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "bench.xml", nullptr, XML_PARSE_NONET);
        benchmark::DoNotOptimize(tree);
        xmlFreeDoc(tree);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * doc.size());
}
BENCHMARK(BM_XmlParse_Libxml2)->Unit(benchmark::kMillisecond);

// Both parsers alternately in one loop; the counter "ratio" is ours / libxml2 (goal: <= 1).
void BM_XmlParse_Ratio(benchmark::State& state)
{
    double ours = 0, theirs = 0;
    for (auto _ : state)
    {
        ours += OursOnce();
        theirs += Libxml2Once();
    }
    state.counters["ours_ms"] = 1000.0 * ours / state.iterations();
    state.counters["libxml2_ms"] = 1000.0 * theirs / state.iterations();
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
    std::printf("XML parse of %.1f MB: ours %.2f ms, libxml2 %.2f ms, ratio ours/libxml2 %.3f\n",
                Document().size() / 1048576.0, 1000.0 * ours / state.iterations(),
                1000.0 * theirs / state.iterations(), theirs > 0 ? ours / theirs : 0);
}
BENCHMARK(BM_XmlParse_Ratio)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
