// TStringTable: loading, merging and looking up string tables.
#include "foundation/stringtable.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/xml.h"

namespace
{
const char kMissing[] = "#####";
// Files above this size are not read.
const unsigned long kMaxFileBytes = 256ul * 1024ul * 1024ul;

uint32_t Read32(const char* p)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

// Inflates a "ZXML" container; false when its header or stream is damaged.
bool Inflate(const char* data, size_t size, std::string* plainText)
{
    if (size < 12)
        return false;
    const uint32_t compressed = Read32(data + 4);
    const uint32_t plain = Read32(data + 8);
    if (compressed > size - 12 || plain > TXmlNode::kMaxPlainLength)
        return false;
    plainText->assign(plain, '\0');
    if (plain == 0)
        return true;
    uLongf produced = plain;
    int result = uncompress(reinterpret_cast<Bytef*>(&(*plainText)[0]), &produced,
                            reinterpret_cast<const Bytef*>(data + 12), compressed);
    return result == Z_OK && produced == plain;
}

// The text of the cell whose "<Data" starts at d; *end is where the cell's text stops.
str CellText(const std::string& text, size_t d, size_t* end)
{
    size_t gt = text.find('>', d + 5);
    if (gt == std::string::npos)
    {
        *end = text.size();
        return str("");
    }
    size_t lt = text.find('<', gt + 1);
    *end = lt == std::string::npos ? text.size() : lt;
    str cell(text.data() + gt + 1, *end - gt - 1);
    int length = static_cast<int>(cell.length());
    removeXMLEscapeChars(cell, &length, nullptr);
    return cell;
}

bool AllDigits(const std::string& s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return !s.empty();
}
}  // namespace

TStringTable::TStringTable()
{
}

bool TStringTable::LoadStringTable(str file)
{
    mStrings.clear();
    return MergeStringTable(file);
}

bool TStringTable::MergeStringTable(str file)
{
    TFile* h = qf_open(file.c_str(), kFileRead);
    if (!h)
        return false;
    std::string data;
    unsigned long size = qf_size(h);
    if (size > kMaxFileBytes)
    {
        qf_close(h);
        return false;
    }
    data.resize(size);
    if (size)
        data.resize(qf_read(h, &data[0], size));
    qf_close(h);
    return MergeStringTableText(data.data(), data.size());
}

bool TStringTable::MergeStringTableText(const char* data, size_t size)
{
    if (!data && size)
        return false;
    std::string text;
    if (size >= 4 && memcmp(data, "ZXML", 4) == 0)
    {
        if (!Inflate(data, size, &text))
            return false;
    }
    else
        text.assign(data ? data : "", size);
    // The text ends at its first zero byte, as a C text would.
    size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);

    size_t row = text.find("<Row");
    while (row != std::string::npos)
    {
        size_t next = text.find("<Row", row + 4);
        size_t rowEnd = next == std::string::npos ? text.size() : next;
        size_t d = text.find("<Data", row + 4);
        if (d != std::string::npos && d < rowEnd)
        {
            size_t cellEnd;
            str label = CellText(text, d, &cellEnd);
            str value("");
            size_t d2 = text.find("<Data", cellEnd);
            if (d2 != std::string::npos && d2 < rowEnd)
                value = CellText(text, d2, &cellEnd);
            mStrings[label] = value;
        }
        row = next;
    }
    return true;
}

int TStringTable::MergeFolderStringTables(str prefix)
{
    // The test is on the file name, not the whole key: the key carries the prefix in front.
    const size_t skip = prefix.length();
    int merged = 0;
    str current;
    while (TFile::GetNextFile(prefix, &current, false))
    {
        const char* name = current.c_str() + skip;
        if (current.length() < skip || strncmp(name, "string", 6) != 0 || !strstr(name, ".xml"))
            continue;
        if (MergeStringTable(current))
            ++merged;
    }
    return merged;
}

str TStringTable::GetString(str label, unsigned int count, str* args)
{
    if (!args)
        count = 0;
    auto it = mStrings.find(label);
    bool failed = it == mStrings.end();
    std::string out;
    if (!failed)
    {
        const std::string text(it->second.c_str(), it->second.length());
        size_t i = 0;
        while (i < text.size() && !failed)
        {
            char c = text[i];
            if (c != '%')
            {
                out += c;
                ++i;
                continue;
            }
            size_t close = text.find('%', i + 1);
            std::string ref;
            size_t next;
            if (close == std::string::npos)
            {
                WriteDbg("Non-matched percent (%%) escape found in string %s, '%s'", label.c_str(),
                         text.c_str());
                ref = text.substr(i + 1);
                next = i + 1;
            }
            else
            {
                ref = text.substr(i + 1, close - i - 1);
                next = close + 1;
            }
            if (ref.empty())
                out += '%';
            else if (AllDigits(ref))
            {
                unsigned long k = ref.size() > 9 ? 0 : strtoul(ref.c_str(), nullptr, 10);
                if (k < 1 || k > count)
                    failed = true;
                else
                {
                    const str& arg = args[k - 1];
                    const std::string a(arg.c_str(), arg.length());
                    if (a.empty() || a[0] != '%')
                        out += a;
                    else if (a == "%%")
                        out += '%';
                    else if (a.size() >= 3 && a.back() == '%')
                    {
                        auto named = mStrings.find(str(a.substr(1, a.size() - 2).c_str()));
                        if (named == mStrings.end())
                            failed = true;
                        else
                            out.append(named->second.c_str(), named->second.length());
                    }
                    else
                        failed = true;
                }
            }
            else
            {
                auto named = mStrings.find(str(ref.c_str()));
                if (named == mStrings.end())
                    failed = true;
                else
                    out.append(named->second.c_str(), named->second.length());
            }
            i = next;
        }
    }
    if (failed)
    {
        WriteDbg(" ##### : Missing string for label '%s'", label.c_str());
        return str(kMissing);
    }
    if (qfGetConfig("stringtest").to_int() != 0)
        for (char& c : out)
            if (c != ' ')
                c = 'x';
    return str(out.data(), out.size());
}

str TStringTable::GetString(str label, str a1, str a2, str a3, str a4, str a5)
{
    str args[5] = {a1, a2, a3, a4, a5};
    return GetString(label, 5, args);
}

void TStringTable::GetFlashStrings(std::list<str>& out)
{
    bool found = false;
    for (const auto& entry : mStrings)
    {
        if (strncmp(entry.first.c_str(), "FLASH_", 6) == 0)
        {
            out.push_back(entry.first);
            found = true;
        }
    }
    if (found)
        return;
    for (const auto& entry : mStrings)
    {
        int a = 0, b = 0;
        if (sscanf(entry.first.c_str(), "flash%2d_%2d", &a, &b) >= 1)
            out.push_back(entry.first);
    }
}
