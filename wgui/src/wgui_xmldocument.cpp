// XmlDocument and XmlElement: typed attributes over the framework's XML tree.
#include "wgui_xmldocument.h"

#include <string>
#include <vector>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/encrypt.h"
#include "foundation/file.h"
#include "foundation/xml.h"
#include "wgui_helpers.h"

namespace WGUI
{

// ---- XmlElement -------------------------------------------------------------------------------

XmlElement::XmlElement(str name) : node(new TXmlNode(name.c_str())), owns(true)
{
}

XmlElement::~XmlElement()
{
    if (owns)
        delete node;
}

XmlElement::XmlElement(const XmlElement& other) : node(other.node), owns(false)
{
}

XmlElement& XmlElement::operator=(const XmlElement& other)
{
    if (this == &other)
        return *this;
    if (owns)
        delete node;
    node = other.node;
    owns = false;
    return *this;
}

TXmlNode* XmlElement::release()
{
    TXmlNode* n = node;
    node = nullptr;
    owns = false;
    return n;
}

str XmlElement::getName() const
{
    return node ? node->GetName() : str("");
}

void XmlElement::resetIterateChildren()
{
    if (node)
        node->ResetChildren();
}

XmlElement XmlElement::iterateChildren()
{
    if (!node)
        return XmlElement();
    str childName;
    TXmlNode* child = nullptr;
    if (!node->GetNextChild(&childName, &child) || !child)
        return XmlElement();
    child->ResetChildren();
    return XmlElement(child);
}

XmlElement XmlElement::iterateChildren(str name)
{
    if (!node)
        return XmlElement();
    str childName;
    TXmlNode* child = nullptr;
    while (node->GetNextChild(&childName, &child))
    {
        if (child && child->GetName() == name)
        {
            child->ResetChildren();
            return XmlElement(child);
        }
    }
    return XmlElement();
}

namespace
{

// The attribute's text, or false when it is missing or empty.
bool attributeText(TXmlNode* node, const str& name, str& out)
{
    if (!node)
        return false;
    out = node->GetAttribute(name.c_str());
    return !out.empty();
}

// The query* result: 0 with out set from the attribute's text, or 1 (out untouched) when the
// attribute is missing or empty.
template <class T, class Convert>
int queryAttribute(TXmlNode* node, const str& name, T& out, Convert convert)
{
    str text;
    if (!attributeText(node, name, text))
        return 1;
    out = convert(text);
    return 0;
}

}  // namespace

int XmlElement::queryIntAttribute(str name, int& out) const
{
    return queryAttribute(node, name, out, stringToInt);
}

int XmlElement::queryDoubleAttribute(str name, double& out) const
{
    return queryAttribute(node, name, out, stringToDouble);
}

int XmlElement::queryFloatAttribute(str name, float& out) const
{
    return queryAttribute(node, name, out, stringToFloat);
}

int XmlElement::queryStringAttribute(str name, str& out) const
{
    return queryAttribute(node, name, out, [](const str& text) { return text; });
}

int XmlElement::queryBoolAttribute(str name, bool& out) const
{
    str text;
    if (!attributeText(node, name, text))
        return 1;
    if (text == "true")
    {
        out = true;
        return 0;
    }
    if (text == "false")
    {
        out = false;
        return 0;
    }
    return 1;
}

void XmlElement::setAttribute(str name, int value)
{
    if (node)
        node->SetAttribute(name.c_str(), value);
}

void XmlElement::setAttribute(str name, str value)
{
    if (node)
        node->SetAttribute(name.c_str(), value.c_str());
}

void XmlElement::setDoubleAttribute(str name, double value)
{
    setAttribute(name, doubleToString(value));
}

void XmlElement::setBoolAttribute(str name, bool value)
{
    setAttribute(name, str(value ? "true" : "false"));
}

void XmlElement::insertEndChild(XmlElement& el)
{
    if (!node || !el.node || el.node == node)
        return;
    if (el.owns)
    {
        // A node built for writing moves in as it is: printing it and parsing the text back
        // would give the same tree at a cost that grows with every level it is nested in.
        node->AdoptChild(el.node);
    }
    else
    {
        // A query result's node belongs to a document and stays where it is: a copy goes in.
        str text = el.node->AsString();
        node->ParseString(text.c_str(), text.length());
    }
    el.node = nullptr;
    el.owns = false;
}

// ---- XmlDocument ------------------------------------------------------------------------------

namespace
{

str dataKey()
{
    return TPlatform::GetConfig(TPlatform::kEncryptionKey);
}

// The file layer writes a temporary file and renames it over the old one when committed, so a
// failed write leaves the old file as it was.
bool writeReplacing(const str& file, const char* bytes, unsigned long n)
{
    TFile out;
    if (!out.Open(file, kFileWriteText))
    {
        WriteDbg("XmlDocument: cannot write %s: %s", file.c_str(), TFile::LastSaveErrorText().c_str());
        return false;
    }
    unsigned long written = n ? out.Write(bytes, n) : 0;
    if (!out.Commit() || written != n)
    {
        WriteDbg("XmlDocument: writing %s failed: %s", file.c_str(), TFile::LastSaveErrorText().c_str());
        return false;
    }
    return true;
}

}  // namespace

XmlDocument::XmlDocument(str file, bool encrypted) : node(std::make_unique<TXmlNode>()), encrypted(encrypted)
{
    if (!encrypted)
    {
        node->ParseFile(file.c_str());
    }
    else
    {
        TFile f;
        if (f.Open(file, kFileReadText))
        {
            std::string text;
            unsigned long size = f.Size();
            if (size > 0 && size < (1ul << 30))
            {
                text.resize(size);
                text.resize(f.Read(&text[0], size));
            }
            f.Close();
            TEncrypt cipher(dataKey());
            str plain = cipher.DecryptStr(str(text.c_str()));
            node->ParseString(plain.c_str(), plain.length());
        }
    }
    loadOkay = node->HasChildren();
    if (loadOkay)
        node->ResetChildren();
}

XmlDocument::XmlDocument(bool encrypted) : node(std::make_unique<TXmlNode>()), encrypted(encrypted)
{
}

XmlDocument::~XmlDocument() = default;

bool XmlDocument::parseText(const char* text, size_t length)
{
    node->Clear();
    node->ParseString(text, length);
    loadOkay = node->HasChildren();
    if (loadOkay)
        node->ResetChildren();
    return loadOkay;
}

XmlElement XmlDocument::getRoot()
{
    TXmlNode* root = node->GetChildAt(0);
    if (root)
        root->ResetChildren();
    return XmlElement(root);
}

XmlElement XmlDocument::getRoot(str name)
{
    TXmlNode* root = node->GetChild(name.c_str());
    if (root)
        root->ResetChildren();
    return XmlElement(root);
}

void XmlDocument::setRoot(XmlElement& el)
{
    TXmlNode* source = el.getNode();
    if (!source)
        return;
    const bool owned = el.isOwner();
    // A node of this very document (its root, or one inside it) is copied before the document
    // is cleared; an element's own node moves in.
    str text;
    if (!owned)
        text = source->AsString();
    node->Clear();
    if (owned)
        node->AdoptChild(source);
    else
        node->ParseString(text.c_str(), text.length());
    el.release();
}

int XmlDocument::saveFile(str file)
{
    return saveFileThrough(file, writeReplacing);
}

int XmlDocument::saveFileThrough(str file, const Writer& write)
{
    TXmlNode* root = node->GetChildAt(0);
    if (!root)
    {
        WriteDbg("XmlDocument: nothing to save to %s", file.c_str());
        return 1;
    }
    str text = root->AsString();
    if (encrypted)
    {
        TEncrypt cipher(dataKey());
        text = cipher.EncryptStr(text);
    }
    unsigned long n = text.length();
    if (!write(file, text.c_str(), n))
        return 1;
    // The close renames the temporary file; the result counts only if the file now holds
    // exactly the text.
    TFile check;
    bool same = false;
    if (check.Open(file, kFileRead) && check.Size() == n)
    {
        std::vector<char> back(n ? n : 1);
        same = check.Read(back.data(), n) == n &&
               (n == 0 || std::string(back.data(), n) == std::string(text.c_str(), n));
    }
    check.Close();
    if (!same)
    {
        WriteDbg("XmlDocument: %s was not replaced", file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace WGUI
