// TXmlNode: the XML tokenizer, the document tree, its text output and compressed documents.
#include "foundation/xml.h"

#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/file.h"

// ---------------------------------------------------------------------------------------------
// Byte readers

TGetCharFile::TGetCharFile(const char* name) : mFile(nullptr), mName(name)
{
    mFile = qf_open(name, kFileRead);
}

TGetCharFile::~TGetCharFile()
{
    qf_close(mFile);
}

int TGetCharFile::DoGetChar()
{
    return qf_getc(mFile);
}

int TGetCharFile::UngetChar(int c)
{
    if (!mFile || qf_tell(mFile) <= 0)
        return -1;
    return qf_seek(mFile, -1, kSeekCurrent) == 0 ? c : -1;
}

void TGetCharFile::Rewind()
{
    qf_seek(mFile, 0, kSeekStart);
}

void TGetCharFile::ReOpenAsBinary()
{
    qf_close(mFile);
    mFile = qf_open(mName.c_str(), kFileRead);
}

TGetCharString::TGetCharString(const char* text, int length)
    : mText(text), mPosition(0), mLength(text && length > 0 ? length : 0)
{
}

int TGetCharString::DoGetChar()
{
    if (mPosition >= mLength)
        return -1;
    return static_cast<unsigned char>(mText[mPosition++]);
}

int TGetCharString::UngetChar(int c)
{
    if (mPosition <= 0)
        return -1;
    --mPosition;
    return c;
}

void TGetCharString::Rewind()
{
    mPosition = 0;
}

// ---------------------------------------------------------------------------------------------
// Escapes

namespace
{
struct Entity
{
    char character;
    const char* name;  // after the "&"
    size_t length;
};
const Entity kEntities[] = {
    {'&', "amp;", 4}, {'<', "lt;", 3}, {'>', "gt;", 3}, {'"', "quot;", 5}, {'\'', "apos;", 5}};

inline bool IsSpaceByte(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Decodes in place over buf[0, *length); returns whether byte 0 was replaced.
bool DecodeEscapes(char* buf, size_t* length)
{
    size_t n = *length;
    if (!memchr(buf, '&', n))
        return false;
    bool firstWasEscape = false;
    bool removed = false;
    size_t in = 0, out = 0;
    while (in < n)
    {
        char c = buf[in];
        if (c == '&')
        {
            bool replaced = false;
            for (const Entity& e : kEntities)
            {
                if (n - in - 1 >= e.length && memcmp(buf + in + 1, e.name, e.length) == 0)
                {
                    buf[out] = e.character;
                    in += 1 + e.length;
                    replaced = true;
                    break;
                }
            }
            if (!replaced && in + 1 < n && buf[in + 1] == '#')
            {
                const char* semi = static_cast<const char*>(memchr(buf + in + 2, ';', n - in - 2));
                if (semi)
                {
                    // Read as atoi reads it (white space, a sign, decimal digits: a hexadecimal
                    // reference reads as 0), cut to 8 bits. Counting modulo 2^32 keeps the low
                    // 8 bits exact however long the number is.
                    uint32_t value = 0;
                    const char* p = buf + in + 2;
                    while (p < semi && IsSpaceByte(*p))
                        ++p;
                    bool negative = false;
                    if (p < semi && (*p == '-' || *p == '+'))
                        negative = *p++ == '-';
                    while (p < semi && *p >= '0' && *p <= '9')
                        value = value * 10u + static_cast<uint32_t>(*p++ - '0');
                    if (negative)
                        value = 0u - value;
                    // A reference whose byte would be 0 (code 0, a multiple of 256 such as a
                    // surrogate or a code above 0x10FFFF, a hexadecimal reference, no digits)
                    // would end the text where it stands: it stays as written instead.
                    if ((value & 0xFFu) != 0)
                    {
                        buf[out] = static_cast<char>(static_cast<unsigned char>(value & 0xFFu));
                        in = static_cast<size_t>(semi - buf) + 1;
                        replaced = true;
                    }
                }
            }
            if (replaced)
            {
                if (out == 0)
                    firstWasEscape = true;
                removed = true;
                ++out;
                continue;
            }
        }
        buf[out++] = buf[in++];
    }
    if (removed)
    {
        *length = out;
        if (out < n)
            buf[out] = 0;
    }
    return firstWasEscape;
}

// A str of the bytes up to the first zero (no reference decodes to one; only a raw zero byte
// in the input, which the verdict reports as damage, ends the text there).
str MakeStr(const std::string& s)
{
    return str(s.c_str());
}
}  // namespace

void removeXMLEscapeChars(str& text, int* length, bool* firstWasEscape)
{
    size_t n = length && *length >= 0 ? static_cast<size_t>(*length) : text.length();
    if (n > text.length())
        n = text.length();
    std::string buf(text.c_str(), n);
    bool first = DecodeEscapes(&buf[0], &n);
    buf.resize(n);
    if (firstWasEscape)
        *firstWasEscape = first;
    text = MakeStr(buf);
    if (length)
        *length = static_cast<int>(text.length());
}

static void AppendSafe(std::string& out, const char* text, size_t n)
{
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c >= 0x80)
        {
            char ref[8];
            int len = snprintf(ref, sizeof ref, "&#%u;", c);
            out.append(ref, len);
            continue;
        }
        const Entity* entity = nullptr;
        for (const Entity& e : kEntities)
            if (e.character == static_cast<char>(c))
                entity = &e;
        if (entity)
        {
            out += '&';
            out.append(entity->name, entity->length);
        }
        else
            out += static_cast<char>(c);
    }
}

str xmlSafeString(const char* text)
{
    if (!text)
        return str("");
    size_t n = strlen(text);
    std::string out;
    out.reserve(n * 2);
    AppendSafe(out, text, n);
    return str(out.data(), out.size());
}

// ---------------------------------------------------------------------------------------------
// Tokenizer, over any reader with Get() (-1 at the end) and Unget(c).

namespace
{
struct MemoryReader
{
    const unsigned char* p;
    size_t pos;
    size_t len;
    int Get() { return pos < len ? p[pos++] : -1; }
    void Unget(int)
    {
        if (pos > 0)
            --pos;
    }
};

struct VirtualReader
{
    TGetChar* r;
    int Get() { return r->DoGetChar(); }
    void Unget(int c) { r->UngetChar(c); }
};

inline bool IsSpace(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads one whole character: up to 4 bytes by the lead byte; missing bytes read as 0xFF.
template <class R>
inline int GetCharacter(R& r, unsigned char* bytes)
{
    int b = r.Get();
    if (b < 0)
        return -1;
    bytes[0] = static_cast<unsigned char>(b);
    int n = 1;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    for (int i = 0; i < extra; ++i)
    {
        int c = r.Get();
        bytes[n++] = c < 0 ? 0xFF : static_cast<unsigned char>(c);
    }
    return n;
}

inline bool IsBom(const unsigned char* bytes, int n)
{
    return n == 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
}

// Returns false at the end of input (no token). A quoted empty token is a token. Damage seen
// on the way (a quote running to the end, raw NUL bytes) is noted in the verdict when given.
template <class R>
bool NextToken(R& r, std::string& token, bool& quoted, bool& firstWasEscape, TXmlVerdict* verdict = nullptr)
{
    token.clear();
    quoted = false;
    firstWasEscape = false;
    unsigned char bytes[4];
    int n;
    for (;;)
    {
        n = GetCharacter(r, bytes);
        if (n < 0)
            return false;
        if (n == 1 && IsSpace(bytes[0]))
            continue;
        if (IsBom(bytes, n))
            continue;
        break;
    }
    if (n == 1 && (bytes[0] == '<' || bytes[0] == '>' || bytes[0] == '='))
    {
        token.assign(1, static_cast<char>(bytes[0]));
        return true;
    }
    if (n == 1 && bytes[0] == '"')
    {
        quoted = true;
        for (;;)
        {
            n = GetCharacter(r, bytes);
            if (n < 0 && verdict)
                verdict->mUnterminatedQuote = true;
            if (n < 0 || (n == 1 && bytes[0] == '"'))
                break;
            token.append(reinterpret_cast<char*>(bytes), n);
        }
    }
    else
    {
        token.append(reinterpret_cast<char*>(bytes), n);
        for (;;)
        {
            n = GetCharacter(r, bytes);
            if (n < 0)
                break;
            if (n == 1)
            {
                unsigned char c = bytes[0];
                if (IsSpace(c))
                    break;
                if (c == '<' || c == '>' || c == '=')
                {
                    r.Unget(c);
                    // A "/" ending a longer token before ">" becomes a token of its own.
                    if (c == '>' && token.size() >= 2 && token.back() == '/')
                    {
                        r.Unget('/');
                        token.pop_back();
                    }
                    break;
                }
            }
            else if (IsBom(bytes, n))
                break;
            token.append(reinterpret_cast<char*>(bytes), n);
        }
    }
    if (verdict && token.find('\0') != std::string::npos)
        verdict->mStrayBytes = true;
    size_t length = token.size();
    firstWasEscape = DecodeEscapes(&token[0], &length);
    token.resize(length);
    size_t zero = token.find('\0');
    if (zero != std::string::npos)
        token.resize(zero);
    return true;
}

template <class R>
class Parser
{
public:
    Parser(R& reader, TXmlVerdict& verdict) : mReader(reader), mStop(false), mVerdict(verdict)
    {
        mVerdict = TXmlVerdict();
    }

    void Level(TXmlNode* node, int depth)
    {
        std::string content;
        for (;;)
        {
            bool more = NextToken(mReader, mToken, mQuoted, mEscaped, &mVerdict);
            if (!more)
            {
                // The end of input inside an element: it was never closed.
                if (depth > 0)
                    mVerdict.mOpenAtEnd = true;
                mStop = true;
                break;
            }
            if (mToken != "<" || mEscaped)
            {
                // Content words are joined by single spaces; handed over as one run.
                if (!mToken.empty())
                {
                    if (!content.empty())
                        content += ' ';
                    content += mToken;
                    if (depth == 0)
                        mVerdict.mTextOutside = true;
                }
                continue;
            }
            Flush(node, content);
            bool closed = false;
            TXmlNode* child = Tag(node, &closed, depth);
            if (closed || mStop)
                break;
            if (child)
            {
                if (depth + 1 >= TXmlNode::kMaxDepth)
                {
                    mVerdict.mTooDeep = true;
                    mStop = true;
                    break;
                }
                Level(child, depth + 1);
                if (mStop)
                    break;
            }
        }
        Flush(node, content);
    }

private:
    static void Flush(TXmlNode* node, std::string& content)
    {
        if (content.empty())
            return;
        node->OnContent(str(content.data(), content.size()), static_cast<int>(content.size()));
        content.clear();
    }

    bool Next()
    {
        if (!NextToken(mReader, mToken, mQuoted, mEscaped, &mVerdict))
        {
            // Every caller is inside a tag: the input ended before its ">".
            mVerdict.mOpenAtEnd = true;
            mStop = true;
            return false;
        }
        return true;
    }

    bool IsMark(char c) const { return !mEscaped && mToken.size() == 1 && mToken[0] == c; }

    // Called after "<": returns the child whose contents follow, or null. depth is the level
    // of node (0 for the document).
    TXmlNode* Tag(TXmlNode* node, bool* closed, int depth)
    {
        if (!Next())
            return nullptr;
        if (!mEscaped && !mToken.empty() && mToken[0] == '/')
        {
            *closed = true;
            // The lenient tree does not compare names; the verdict does.
            if (depth == 0 || (mToken.size() > 1 && node->GetName() != MakeStr(mToken.substr(1))))
                mVerdict.mMismatchedEnd = true;
            node->OnEndTag(MakeStr(mToken));
            while (Next())
                if (IsMark('>'))
                    break;
            return nullptr;
        }
        const bool special = mToken == "?xml" || mToken == "!DOCTYPE" || mToken.compare(0, 3, "!--") == 0;
        if (depth == 0 && !special)
            ++mVerdict.mTopElements;
        TXmlNode* child = node->OnOpenTag(MakeStr(mToken));
        std::string pending;
        bool inValue = false;
        while (Next())
        {
            if (inValue)
            {
                if (child)
                    child->OnAttribute(MakeStr(pending), MakeStr(mToken), mQuoted);
                pending.clear();
                inValue = false;
            }
            else if (IsMark('>'))
            {
                if (special || (!pending.empty() && (pending[0] == '/' || pending[0] == '?')))
                {
                    if (child)
                        child->OnEndTag(MakeStr(pending));
                    return nullptr;
                }
                return child;
            }
            else if (IsMark('='))
                inValue = true;
            else
                pending = mToken;
        }
        return nullptr;
    }

    R& mReader;
    std::string mToken;
    bool mQuoted = false;
    bool mEscaped = false;
    bool mStop;
    TXmlVerdict& mVerdict;
};
}  // namespace

str qfGetToken(TGetChar* reader, bool* quoted, bool* firstWasEscape, int* length)
{
    if (!reader)
        return str();
    VirtualReader r{reader};
    std::string token;
    bool q = false, e = false;
    NextToken(r, token, q, e);
    if (quoted)
        *quoted = q;
    if (firstWasEscape)
        *firstWasEscape = e;
    if (length)
        *length = static_cast<int>(token.size());
    return str(token.data(), token.size());
}

// ---------------------------------------------------------------------------------------------
// TXmlNode

TXmlNode::TXmlNode() : mContentLength(0), mSizeHint(4096), mChildCursor(std::string::npos)
{
}

TXmlNode::TXmlNode(const char* name) : TXmlNode()
{
    mName = str(name ? name : "");
}

TXmlNode::~TXmlNode()
{
    Clear();
}

void TXmlNode::Clear()
{
    for (TXmlNode* child : mChildren)
        delete child;
    mChildren.clear();
    mAttributes.clear();
    mChildCursor = std::string::npos;
    mContent = str();
    mContentLength = 0;
    mName = str();
}

static bool HasMagic(const char* data, size_t n)
{
    return n >= 4 && memcmp(data, "ZXML", 4) == 0;
}

void TXmlNode::ParseFile(const char* name)
{
    TFile* file = qf_open(name, kFileRead);
    if (!file)
    {
        mVerdict = TXmlVerdict();
        return;
    }
    std::string data;
    unsigned long size = qf_size(file);
    if (size > 0 && size < (1ul << 31))
    {
        data.resize(size);
        data.resize(qf_read(file, &data[0], size));
    }
    qf_close(file);
    if (HasMagic(data.data(), data.size()))
        DecompressAndParse(data.data(), data.size());
    else
    {
        MemoryReader r{reinterpret_cast<const unsigned char*>(data.data()), 0, data.size()};
        Parser<MemoryReader>(r, mVerdict).Level(this, 0);
    }
}

void TXmlNode::ParseString(const char* text)
{
    if (!text)
        return;
    ParseString(text, strlen(text));
}

void TXmlNode::ParseString(const char* text, size_t length)
{
    if (!text)
        return;
    if (HasMagic(text, length))
    {
        DecompressAndParse(text, length);
        return;
    }
    MemoryReader r{reinterpret_cast<const unsigned char*>(text), 0, length};
    Parser<MemoryReader>(r, mVerdict).Level(this, 0);
}

static uint32_t Read32(const char* p)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

bool TXmlNode::DecompressAndParse(const char* container, size_t available)
{
    // Nothing in the header is trusted: the stream must lie within the bytes given and inflate
    // to exactly the plain length, which is capped.
    mVerdict = TXmlVerdict();
    mVerdict.mUnreadable = true;
    if (!container || available < 12 || !HasMagic(container, available))
        return false;
    const uint32_t compressed = Read32(container + 4);
    const uint32_t plain = Read32(container + 8);
    if (compressed > available - 12 || plain > kMaxPlainLength || plain == 0)
        return false;
    std::string text(plain, '\0');
    uLongf produced = plain;
    int result = uncompress(reinterpret_cast<Bytef*>(&text[0]), &produced,
                            reinterpret_cast<const Bytef*>(container + 12), compressed);
    if (result != Z_OK || produced != plain)
        return false;
    MemoryReader r{reinterpret_cast<const unsigned char*>(text.data()), 0, text.size()};
    Parser<MemoryReader>(r, mVerdict).Level(this, 0);
    return true;
}

bool TXmlNode::IsWholeDocument(const char* data, size_t length)
{
    if (!data)
        return false;
    TXmlNode document;
    document.ParseString(data, length);
    return document.GetParseVerdict().IsWholeDocument();
}

void TXmlNode::Parse(TGetChar* reader)
{
    if (!reader)
        return;
    if (TGetCharString* s = dynamic_cast<TGetCharString*>(reader))
    {
        // Fast path over the string's bytes; the reader's position follows the parse.
        MemoryReader r{reinterpret_cast<const unsigned char*>(s->mText), static_cast<size_t>(s->mPosition),
                       static_cast<size_t>(s->mLength)};
        Parser<MemoryReader>(r, mVerdict).Level(this, 0);
        s->mPosition = static_cast<int>(r.pos);
        return;
    }
    VirtualReader r{reader};
    Parser<VirtualReader>(r, mVerdict).Level(this, 0);
}

TXmlNode* TXmlNode::OnOpenTag(const str& name)
{
    return CreateChild(name.c_str());
}

void TXmlNode::OnEndTag(const str&)
{
}

void TXmlNode::OnContent(const str& text, int length)
{
    if (length <= 0)
        return;
    if ((unsigned int)length > text.length())
        length = static_cast<int>(text.length());
    // overlay doubles the buffer, so content built from many pieces stays linear.
    if (mContentLength > 0)
        mContentLength = static_cast<int>(mContent.overlay(mContentLength, " ", 1, true));
    mContentLength = static_cast<int>(mContent.overlay(mContentLength, text.c_str(), length, true));
}

void TXmlNode::OnAttribute(const str& name, const str& value, bool quoted)
{
    mAttributes.push_back(TXmlAttribute{name, value, quoted});
}

TXmlNode* TXmlNode::CreateChild(const char* name)
{
    TXmlNode* child = new TXmlNode(name);
    mChildren.push_back(child);
    return child;
}

void TXmlNode::AdoptChild(TXmlNode* child)
{
    if (child && child != this)
        mChildren.push_back(child);
}

void TXmlNode::SetAttribute(const char* name, const char* value)
{
    str n(name ? name : "");
    for (TXmlAttribute& a : mAttributes)
    {
        if (a.mName == n)
        {
            a.mValue = str(value ? value : "");
            a.mQuoted = true;
            return;
        }
    }
    mAttributes.push_back(TXmlAttribute{n, str(value ? value : ""), true});
}

void TXmlNode::SetAttribute(const char* name, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    SetAttribute(name, text);
}

str TXmlNode::GetAttribute(const char* name, bool* quoted) const
{
    if (!name)
        return str();
    for (const TXmlAttribute& a : mAttributes)
    {
        if (strcmp(a.mName.c_str(), name) == 0)
        {
            if (quoted)
                *quoted = a.mQuoted;
            return a.mValue;
        }
    }
    return str();
}

str TXmlNode::GetAttribute(const char* name, const str& defaultValue) const
{
    if (name)
        for (const TXmlAttribute& a : mAttributes)
            if (strcmp(a.mName.c_str(), name) == 0)
                return a.mValue;
    return defaultValue;
}

TXmlNode* TXmlNode::GetChild(const char* name) const
{
    if (!name)
        return nullptr;
    for (TXmlNode* child : mChildren)
        if (strcmp(child->mName.c_str(), name) == 0)
            return child;
    return nullptr;
}

void TXmlNode::ResetChildren()
{
    mChildCursor = 0;
}

bool TXmlNode::GetNextChild(str* name, TXmlNode** child)
{
    // An unset cursor counts as being past the end.
    if (mChildCursor >= mChildren.size())
        return false;
    TXmlNode* node = mChildren[mChildCursor++];
    if (name)
        *name = node->mName;
    if (child)
        *child = node;
    return true;
}

void TXmlNode::PrintTo(std::string& out, int indent) const
{
    out.append(indent, ' ');
    out += '<';
    out.append(mName.c_str(), mName.length());
    for (const TXmlAttribute& a : mAttributes)
    {
        out += '\n';
        out.append(indent + 4, ' ');
        AppendSafe(out, a.mName.c_str(), a.mName.length());
        out += '=';
        if (a.mQuoted)
            out += '"';
        AppendSafe(out, a.mValue.c_str(), a.mValue.length());
        if (a.mQuoted)
            out += '"';
    }
    out += ">\n";
    if (mContentLength > 0)
    {
        out.append(indent, ' ');
        AppendSafe(out, mContent.c_str(), mContent.length());
        out += '\n';
    }
    for (const TXmlNode* child : mChildren)
        child->PrintTo(out, indent + 4);
    out.append(indent, ' ');
    out += "</";
    AppendSafe(out, mName.c_str(), mName.length());
    out += ">\n";
}

str TXmlNode::AsString()
{
    std::string out;
    out.reserve(mSizeHint);
    PrintTo(out, 0);
    if (out.size() > mSizeHint)
        mSizeHint = static_cast<unsigned int>(out.size() + 1);
    return str(out.data(), out.size());
}

void TXmlNode::AsString(str* out, unsigned int* position, int indent)
{
    if (!out || !position)
        return;
    std::string text;
    PrintTo(text, indent < 0 ? 0 : indent);
    if (*position > out->length())
        *position = out->length();
    *position =
        out->overlay(static_cast<int>(*position), text.data(), static_cast<unsigned int>(text.size()), true);
}
