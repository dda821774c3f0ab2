// XmlDocument and XmlElement: the game's thin layer over the framework's XML tree, with typed
// attribute queries, a child cursor per element, and whole-file save (optionally encrypted).
//
// Every query returns 0 when the attribute was found and the out value set, and 1 when it is
// missing or empty (the out value is untouched): set defaults first, then query.
#pragma once

#include <functional>
#include <memory>

#include "foundation/str.h"

class TXmlNode;

namespace WGUI
{

class XmlElement
{
public:
    // An invalid element.
    XmlElement() = default;
    // An element that owns a new node of that name (for building documents).
    explicit XmlElement(str name);
    // Refers to a node of a document; does not own it.
    explicit XmlElement(TXmlNode* node) : node(node), owns(false) {}
    ~XmlElement();
    XmlElement(const XmlElement& other);  // never owning
    XmlElement& operator=(const XmlElement& other);

    str getName() const;
    bool isValid() const { return node != nullptr; }
    bool isOwner() const { return owns; }
    void resetIterateChildren();
    XmlElement iterateChildren();
    XmlElement iterateChildren(str name);

    int queryIntAttribute(str name, int& out) const;
    int queryDoubleAttribute(str name, double& out) const;
    int queryFloatAttribute(str name, float& out) const;
    int queryStringAttribute(str name, str& out) const;
    int queryBoolAttribute(str name, bool& out) const;

    void setAttribute(str name, int value);
    void setAttribute(str name, str value);
    void setAttribute(str name, const char* value) { setAttribute(name, str(value)); }
    void setDoubleAttribute(str name, double value);
    void setBoolAttribute(str name, bool value);

    // Appends el as the last child and empties el: the node of an owning element moves in as
    // it is; a non-owning element's node (a query result) stays in its document and a copy
    // goes in.
    void insertEndChild(XmlElement& el);

    TXmlNode* getNode() const { return node; }
    // Hands the node over (the element no longer owns it); used by XmlDocument::setRoot.
    TXmlNode* release();

private:
    TXmlNode* node = nullptr;
    bool owns = false;
};

class XmlDocument
{
public:
    // Loads the file (plain, or decrypted with the framework's data key).
    XmlDocument(str file, bool encrypted);
    // An empty document for writing.
    explicit XmlDocument(bool encrypted);
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    bool isLoadOkay() const { return loadOkay; }
    XmlElement getRoot();
    XmlElement getRoot(str name);
    // Makes el the only root and empties el, moving or copying its node as insertEndChild.
    void setRoot(XmlElement& el);
    // Writes the root element's text through a temporary file renamed over the old one, so a
    // failed save keeps the previous file. 0 on success; non-zero (with a debug line) when
    // there is no root or the write fails.
    int saveFile(str file);
    // Writes the root element's bytes (encrypted when the document is) to the file through
    // write, which reports its own failure; the result is then checked as saveFile checks its
    // own. The game's saved state is written this way, keeping backups.
    typedef std::function<bool(const str& file, const char* bytes, unsigned long n)> Writer;
    int saveFileThrough(str file, const Writer& write);
    bool isEncrypted() const { return encrypted; }

    // Parses text that is already in memory (plain); for tests and in-memory data.
    bool parseText(const char* text, size_t length);

private:
    std::unique_ptr<TXmlNode> node;
    bool encrypted = false;
    bool loadOkay = false;
};

}  // namespace WGUI
