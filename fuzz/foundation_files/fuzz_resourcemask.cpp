// The resource mask file ("final.txt" beside "assets/"): the input is the mask, read by the
// start-up scan of a resources folder holding a few assets. Names the mask does not mention stay
// found; the file layer never fails on any text (a mask too long for its buffer is ignored).
#include <sys/stat.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "foundation/file.h"
#include "scratchdir.h"

namespace
{

const char* const kAssets[] = {"a.png", "b.txt", "levels/c.xml", "Mixed.Case"};

const std::string& Folder()
{
    static const std::string folder = []
    {
        static const TScratchDir scratch("resource_mask_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        mkdir((scratchPath + "/assets").c_str(), 0755);
        mkdir((scratchPath + "/assets/levels").c_str(), 0755);
        for (const char* name : kAssets)
            std::ofstream(scratchPath + "/assets/" + name) << name;
        return scratchPath;
    }();
    return folder;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 200000)
        return 0;
    {
        std::ofstream out(Folder() + "/final.txt", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TFile::mResourceMap.clear();
    TFile::mIgnoredFiles.clear();
    TFile::SetUserDir(str(""));
    TFile::SetCommonDir(str(""));
    TFile::SetResourcesDir(str(Folder().c_str()));
    TFile::ScanForResources();

    // Every blank-separated word of the mask, lower case.
    std::set<std::string> words;
    std::string word;
    for (size_t i = 0; i <= size; i++)
    {
        const char c = i < size ? char(data[i]) : ' ';
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0')
        {
            if (!word.empty())
                words.insert(Lower(word));
            word.clear();
            if (c == '\0')
                break;  // the reader stops at the first zero byte
        }
        else
        {
            word += c;
        }
    }
    for (const char* name : kAssets)
    {
        const std::string key = Lower(name);
        bool mentioned = false;
        for (const std::string& w : words)
            if (w.find(key) != std::string::npos || key.find(w) != std::string::npos)
                mentioned = true;
        if (!mentioned && !TFile::Exists(str(name)))
            abort();
    }
    return 0;
}
