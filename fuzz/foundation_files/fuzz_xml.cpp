// XML text as a document, as the payload of a ZXML container made here, and as raw bytes that
// may be a damaged container. The container must give the same tree as the plain text, and a
// printed root element must read back.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/xml.h"

namespace
{
std::string Dump(const TXmlNode* node)
{
    std::string out(node->GetName().c_str());
    out += "[";
    for (const TXmlAttribute& a : node->GetAttributes())
        out += std::string(a.mName.c_str()) + "=" + a.mValue.c_str() + (a.mQuoted ? "q;" : ";");
    out += "]{";
    out += node->GetContent().c_str();
    out += "}(";
    for (size_t i = 0; i < node->GetChildCount(); ++i)
        out += Dump(node->GetChildAt(i));
    return out + ")";
}

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    TXmlNode plain;
    plain.ParseString(text, size);

    // Print every ordinary element and read it back.
    for (size_t i = 0; i < plain.GetChildCount(); ++i)
    {
        TXmlNode* child = plain.GetChildAt(i);
        str printed = child->AsString();
        TXmlNode again;
        again.ParseString(printed.c_str(), printed.length());
    }

    if (size >= 4 && std::string(text, 4) == "ZXML")
        return 0;
    uLongf bound = compressBound(size);
    std::string stream(bound, '\0');
    if (compress(reinterpret_cast<Bytef*>(&stream[0]), &bound, data, size) != Z_OK)
        return 0;
    stream.resize(bound);
    std::string container = "ZXML";
    Put32(container, static_cast<uint32_t>(stream.size()));
    Put32(container, static_cast<uint32_t>(size));
    container += stream;
    TXmlNode packed;
    packed.ParseString(container.data(), container.size());
    if (size > 0 && Dump(&packed) != Dump(&plain))
        abort();
    return 0;
}
