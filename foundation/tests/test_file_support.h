// Fixture helpers for the file-layer tests: pack and ZXML writers (scratch folders come from
// the test support's TScratchDir).
#pragma once

#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/file.h"
#include "scratchdir.h"

namespace qftest
{
inline void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct PackEntry
{
    std::string name;
    std::string data;
};

// A "QFPK" pack: header, directory, then the entries' data back to back.
inline std::string MakePack(const std::vector<PackEntry>& entries)
{
    std::string dir;
    size_t dirSize = 8;
    for (const PackEntry& e : entries)
        dirSize += 1 + e.name.size() + 8;
    std::string out = "QFPK";
    Put32(out, static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(dirSize);
    for (const PackEntry& e : entries)
    {
        out += static_cast<char>(e.name.size());
        out += e.name;
        Put32(out, offset);
        Put32(out, static_cast<uint32_t>(e.data.size()));
        offset += static_cast<uint32_t>(e.data.size());
    }
    for (const PackEntry& e : entries)
        out += e.data;
    return out;
}

// A "ZXML" container of the text (compressed with zlib's compress).
inline std::string MakeZxml(const std::string& text)
{
    uLongf size = compressBound(text.size());
    std::string stream(size, '\0');
    compress(reinterpret_cast<Bytef*>(&stream[0]), &size, reinterpret_cast<const Bytef*>(text.data()),
             text.size());
    stream.resize(size);
    std::string out = "ZXML";
    Put32(out, static_cast<uint32_t>(stream.size()));
    Put32(out, static_cast<uint32_t>(text.size()));
    return out + stream;
}

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Reads a whole resource through the file layer; "<none>" when it does not open.
inline std::string ReadResource(const std::string& name, eFileMode mode = kFileRead)
{
    TFile f;
    if (!f.Open(str(name.c_str()), mode))
        return "<none>";
    std::string out;
    char buf[256];
    unsigned long n;
    while ((n = f.Read(buf, sizeof buf)) > 0)
        out.append(buf, n);
    return out;
}

// Puts the file layer on a fresh tree: resources, user and common folders inside dir.
inline void ResetFileLayer(const TScratchDir& dir)
{
    TFile::ShutDownFileSystem();
    TFile::InternalAddFileMask("-*", true);
    TFile::mGlimmora = false;
    TFile::SetResourcesDir(str(dir.Path().c_str()));
    TFile::SetUserDir(str((dir / "user").c_str()));
    TFile::SetCommonDir(str((dir / "common").c_str()));
    TFile::SetDesktopDir(str((dir / "desktop").c_str()));
    dir.MakeDir("assets");
    dir.MakeDir("user");
    dir.MakeDir("common");
    dir.MakeDir("desktop");
}
}  // namespace qftest
