// The framework's XML document tree. A lenient tokenizer reads XML text byte-wise (UTF-8 aware)
// from a file or a string and calls four hooks on the node being filled; the base class builds a
// tree from them. The tree prints itself back as indented text. A document may also come in a
// "ZXML" container:
//   "ZXML", u32 compressed length C, u32 plain length P (little-endian), then one zlib stream of
//   C bytes inflating to P bytes of XML text.
// The reader is lenient: it builds what it can and callers look for the elements they expect
// with GetChild. Each parse also leaves a verdict on what it read (TXmlVerdict), so readers of
// files the program wrote itself can tell a whole document from a damaged one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/str.h"

class TFile;

// A source of bytes for the tokenizer.
class TGetChar
{
public:
    virtual ~TGetChar() {}
    virtual int DoGetChar() = 0;       // next byte as 0..255, -1 at the end
    virtual int UngetChar(int c) = 0;  // steps back one byte: c, or -1 when it cannot
    virtual void Rewind() = 0;
};

class TGetCharFile : public TGetChar
{
public:
    explicit TGetCharFile(const char* name);  // opens the name in mode 0
    ~TGetCharFile() override;
    bool IsOpen() const { return mFile != nullptr; }
    int DoGetChar() override;
    int UngetChar(int c) override;
    void Rewind() override;
    void ReOpenAsBinary();

private:
    TFile* mFile;
    str mName;
};

class TGetCharString : public TGetChar
{
public:
    TGetCharString(const char* text, int length);
    int DoGetChar() override;
    int UngetChar(int c) override;
    void Rewind() override;

private:
    friend class TXmlNode;
    const char* mText;
    int mPosition;
    int mLength;
};

// What one parse met. Content readers ignore it; saved-state readers act on it.
struct TXmlVerdict
{
    bool mUnterminatedQuote = false;  // an attribute value or quoted text ran to the end of input
    bool mOpenAtEnd = false;          // a tag or element was still open at the end of input
    bool mMismatchedEnd = false;      // a closing tag named another element, or closed nothing
    bool mStrayBytes = false;         // raw NUL bytes (a file padded or overwritten with zeros)
    bool mTooDeep = false;            // nesting beyond kMaxDepth ended the parse
    bool mUnreadable = false;         // a damaged "ZXML" container: nothing was parsed
    bool mTextOutside = false;        // text outside every element
    int mTopElements = 0;             // elements at the top level (declarations, comments not)

    // Every element closed, every quote ended, nothing damaged; any number of top elements.
    bool IsWellFormed() const
    {
        return !mUnterminatedQuote && !mOpenAtEnd && !mMismatchedEnd && !mStrayBytes && !mTooDeep &&
               !mUnreadable && !mTextOutside;
    }
    // Well formed with exactly one root element.
    bool IsWholeDocument() const { return IsWellFormed() && mTopElements == 1; }
};

struct TXmlAttribute
{
    str mName;
    str mValue;
    bool mQuoted;  // written between double quotes (always so for values set by SetAttribute)
};

class TXmlNode
{
public:
    // Deeper nesting ends the parse as the end of input would, keeping the tree built so far.
    static constexpr int kMaxDepth = 256;
    // Plain lengths of "ZXML" containers above this are refused.
    static constexpr unsigned int kMaxPlainLength = 64u * 1024u * 1024u;

    TXmlNode();
    explicit TXmlNode(const char* name);
    virtual ~TXmlNode();
    TXmlNode(const TXmlNode&) = delete;
    TXmlNode& operator=(const TXmlNode&) = delete;

    // Parsing: the nodes read become children of this node (the document node).
    void ParseFile(const char* name);    // a file that does not open changes nothing
    void ParseString(const char* text);  // zero-terminated: strlen is the length
    void ParseString(const char* text, size_t length);
    // Inflates a "ZXML" container of available bytes and parses it; a damaged or lying
    // container parses nothing. False when nothing was parsed.
    bool DecompressAndParse(const char* container, size_t available);
    void Parse(TGetChar* reader);
    // The verdict of the last parse into this node (ParseFile of a file that does not open
    // leaves a verdict with no root).
    const TXmlVerdict& GetParseVerdict() const { return mVerdict; }
    // Whether the bytes (plain text or a "ZXML" container) are one whole document.
    static bool IsWholeDocument(const char* data, size_t length);

    // Hooks called by the parser on the node being filled.
    virtual TXmlNode* OnOpenTag(const str& name);  // the new child, or null
    virtual void OnEndTag(const str& name);
    virtual void OnContent(const str& text, int length);  // a run of words joined by spaces
    virtual void OnAttribute(const str& name, const str& value, bool quoted);

    // Building and querying.
    TXmlNode* CreateChild(const char* name);
    // Appends a node made elsewhere (with new) as the last child; this node owns it from now on.
    // The node must not be in another tree.
    void AdoptChild(TXmlNode* child);
    void SetAttribute(const char* name, const char* value);
    void SetAttribute(const char* name, int value);
    str GetAttribute(const char* name, bool* quoted = nullptr) const;  // "" when none
    str GetAttribute(const char* name, const str& defaultValue) const;
    const std::vector<TXmlAttribute>& GetAttributes() const { return mAttributes; }
    TXmlNode* GetChild(const char* name) const;  // first child with exactly that name
    void ResetChildren();
    bool GetNextChild(str* name, TXmlNode** child);  // false after the last child
    size_t GetChildCount() const { return mChildren.size(); }
    TXmlNode* GetChildAt(size_t i) const { return i < mChildren.size() ? mChildren[i] : nullptr; }
    bool HasChildren() const { return !mChildren.empty(); }
    str GetName() const { return mName; }
    str GetContent() const { return mContent; }
    void Clear();

    // Printing: indented text, each attribute on its own line, no empty-element tags and no
    // declaration. Print the root element, never a document node holding "?xml" or comment
    // children (their closing tags would end the document early when read back).
    str AsString();
    void AsString(str* out, unsigned int* position, int indent);

private:
    void PrintTo(std::string& out, int indent) const;

    str mContent;
    int mContentLength;
    unsigned int mSizeHint;
    str mName;
    std::vector<TXmlNode*> mChildren;
    size_t mChildCursor;  // npos until ResetChildren
    std::vector<TXmlAttribute> mAttributes;
    TXmlVerdict mVerdict;
};

// Decodes the five named entities and decimal references (cut to 8 bits) in place over the
// first *length bytes; updates *length, and sets *firstWasEscape when byte 0 was replaced. A
// reference that would give the byte 0 is kept as written.
void removeXMLEscapeChars(str& text, int* length, bool* firstWasEscape);
// Escapes the five characters and writes every byte below 32 or from 0x80 up as "&#N;".
str xmlSafeString(const char* text);
// The tokenizer: next token (empty at the end of input). The caller sets *length to 0 first.
str qfGetToken(TGetChar* reader, bool* quoted, bool* firstWasEscape, int* length);
