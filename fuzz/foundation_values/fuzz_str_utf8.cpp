// UTF-8 decoding at every offset of arbitrary text, encoding of arbitrary code points, and the
// search and replace paths with arbitrary patterns and flags.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/str.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4 || size > 4096)
        return 0;
    unsigned int flags = data[0] & 7;
    unsigned int start = data[1];
    size_t split = 2 + data[2] % (size - 2);
    // Exact-size heap copies so over-reads are caught.
    std::vector<char> textBytes(data + 2, data + split);
    textBytes.push_back(0);
    std::vector<char> patBytes(data + split, data + size);
    patBytes.push_back(0);
    str text(textBytes.data(), textBytes.size() - 1);
    str pattern(patBytes.data(), patBytes.size() - 1);

    for (unsigned int i = 0; i < text.length(); ++i)
    {
        unsigned int c = str::to_utf32(text.c_str() + i);
        str enc = str::from_utf32(c);
        if (enc.length() > 4)
            abort();
        // Whatever a sequence decodes to, its own encoding decodes to the same code point.
        if (c != 0 && enc.length() && str::to_utf32(enc.c_str()) != c)
            abort();
    }
    uint32_t cp;
    memcpy(&cp, data, 4);
    str::from_utf32(cp);

    unsigned int at = text.find(pattern, flags, start);
    if (at != str::npos && at + pattern.length() > text.length())
        abort();
    unsigned int ch = text.find(pattern[0], flags, start);
    if (ch != str::npos && ch >= text.length())
        abort();

    str copy = text;
    copy.replace(pattern, str("<>"), flags | str::kReplaceAll, start);
    if (text != str(textBytes.data()))
        abort();  // the shared original must stay unchanged
    copy.replace(str("<>"), pattern, flags & ~str::kReplaceAll, 0);
    copy.downcase();
    copy.erase(start % (copy.length() + 1), data[3] % 8);
    copy.overlay(-1, patBytes.data(), static_cast<unsigned int>(patBytes.size() - 1), false);
    str sub = copy.substr(start, static_cast<int>(data[3]) - 1);
    if (sub.length() > copy.length())
        abort();
    return 0;
}
