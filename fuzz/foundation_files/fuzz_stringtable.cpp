// A string table from outside, plain or ZXML, merged through the file layer and looked up with
// argument lists that include label references and stray percent signs.
#include <cstdint>
#include <list>
#include <vector>

#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/stringtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = []
    {
        qfSetDbgSink([](const char*) {});
        return true;
    }();
    (void)quiet;
    static std::vector<uint8_t> copy;
    copy.assign(data, data + size);
    copy.push_back(0);  // a non-null block even for empty input
    TFile::AddMemoryFile(str("strings.xml"), copy.data(), static_cast<unsigned int>(size));
    TStringTable table;
    table.LoadStringTable(str("strings.xml"));
    TFile::AddMemoryFile(str("strings.xml"), nullptr, 0);

    std::list<str> labels;
    table.GetLabels(labels);
    std::list<str> flash;
    table.GetFlashStrings(flash);
    str args[4] = {str("7"), str("%%"), labels.empty() ? str("%x") : str("%") + labels.front() + '%',
                   str("")};
    int looked = 0;
    for (const str& label : labels)
    {
        if (++looked > 256)
            break;
        table.GetString(label, 4, args);
        table.GetString(label, 0, nullptr);
        table.GetString(label, str("a"), str("%%"));
    }
    return 0;
}
