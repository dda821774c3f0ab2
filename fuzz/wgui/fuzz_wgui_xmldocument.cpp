// Reads a document from the input and exercises the reader's whole surface: the roots, child
// cursors (nested), every typed attribute query, and a copy of the tree built element by
// element into a new document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "foundation/xml.h"
#include "wgui_xmldocument.h"

using WGUI::XmlDocument;
using WGUI::XmlElement;

namespace
{

// Queries every attribute of the node, and a few names it may not have.
void queryAll(XmlElement& e)
{
    TXmlNode* node = e.getNode();
    std::vector<str> names;
    if (node)
        for (const auto& a : node->GetAttributes())
            names.push_back(a.mName);
    names.push_back("name");
    names.push_back("");
    for (const str& n : names)
    {
        int i = 0;
        double d = 0;
        float f = 0;
        bool b = false;
        str s;
        e.queryIntAttribute(n, i);
        e.queryDoubleAttribute(n, d);
        e.queryFloatAttribute(n, f);
        e.queryBoolAttribute(n, b);
        e.queryStringAttribute(n, s);
    }
}

// Walks the element's children depth first (bounded), copying each into out.
void walk(XmlElement& e, XmlElement& out, int depth)
{
    queryAll(e);
    if (depth > 64)
        return;
    e.resetIterateChildren();
    for (XmlElement child = e.iterateChildren(); child.isValid(); child = e.iterateChildren())
    {
        XmlElement copy(child.getName());
        copy.setAttribute("depth", depth);
        copy.setDoubleAttribute("d", depth * 0.5);
        copy.setBoolAttribute("b", depth % 2 == 0);
        walk(child, copy, depth + 1);
        out.insertEndChild(copy);
    }
    // Named iteration over the same children.
    e.resetIterateChildren();
    int guard = 0;
    for (XmlElement child = e.iterateChildren("level"); child.isValid() && guard < 1000;
         child = e.iterateChildren("level"))
        ++guard;
}

void exercise(XmlDocument& doc)
{
    XmlElement root = doc.getRoot();
    XmlElement named = doc.getRoot("options");
    queryAll(named);
    if (!root.isValid())
        return;
    XmlElement copy(root.getName().empty() ? str("root") : root.getName());
    walk(root, copy, 0);
    XmlDocument out(false);
    out.setRoot(copy);
    out.getRoot().resetIterateChildren();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the path: in memory, or a file of the file layer, plain or
    // encrypted.
    uint8_t mode = data[0] % 3;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1;
    if (mode == 0)
    {
        XmlDocument doc(false);
        doc.parseText(text, length);
        exercise(doc);
        return 0;
    }
    std::vector<uint8_t> copy(data + 1, data + size);
    TFile::AddMemoryFile("fuzzdoc.xml", copy.empty() ? nullptr : copy.data(),
                         static_cast<unsigned int>(copy.size()));
    {
        XmlDocument doc("fuzzdoc.xml", mode == 2);
        exercise(doc);
    }
    TFile::AddMemoryFile("fuzzdoc.xml", nullptr, 0);
    return 0;
}
