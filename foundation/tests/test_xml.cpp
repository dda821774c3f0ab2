// The XML tree: tokenizer, tree building, printing, round trips, ZXML containers and limits.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "foundation/xml.h"
#include "test_file_support.h"

using qftest::MakeZxml;
using qftest::Put32;

namespace
{
std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

// A canonical text of a tree: name, attributes (with "q" for quoted), content, children.
std::string Dump(const TXmlNode* node)
{
    std::string out = S(node->GetName()) + "[";
    for (const TXmlAttribute& a : node->GetAttributes())
        out += S(a.mName) + "=" + S(a.mValue) + (a.mQuoted ? "q" : "") + ";";
    out += "]{" + S(node->GetContent()) + "}(";
    for (size_t i = 0; i < node->GetChildCount(); ++i)
        out += Dump(node->GetChildAt(i));
    return out + ")";
}

std::string Parsed(const std::string& text)
{
    TXmlNode doc;
    doc.ParseString(text.data(), text.size());
    return Dump(&doc);
}

std::vector<std::string> Tokens(const std::string& text)
{
    TGetCharString reader(text.data(), static_cast<int>(text.size()));
    std::vector<std::string> tokens;
    for (;;)
    {
        bool quoted = false, escaped = false;
        int length = 0;
        str token = qfGetToken(&reader, &quoted, &escaped, &length);
        if (token.length() == 0 && !quoted)
            break;
        tokens.push_back((quoted ? "Q:" : escaped ? "E:" : "") + S(token));
    }
    return tokens;
}
}  // namespace

TEST(XmlTokenizer, SplitsTextIntoTokens)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"<a b=\"c d\">", {"<", "a", "b", "=", "Q:c d", ">"}},
        {"  \t\n", {}},
        {"\xEF\xBB\xBFword", {"word"}},
        {"ab\xEF\xBB\xBF"
         "cd",
         {"ab", "cd"}},
        {"<br/>", {"<", "br", "/", ">"}},
        {"x=/>", {"x", "=", "/", ">"}},
        {"\"unterminated", {"Q:unterminated"}},
        {"\"\"", {"Q:"}},
        {"&lt;b", {"E:<b"}},
        {"a&lt;b", {"a<b"}},
        {"&amp;&#65;&#x41;z", {"E:&A&#x41;z"}},  // a reference read as 0 stays as written
        {"caf\xC3\xA9<", {"caf\xC3\xA9", "<"}},
        {"\xC3<b", {"\xC3<b"}},  // a lead byte takes the next byte whatever it is
        {"end\xE2", {"end\xE2\xFF\xFF"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(XmlTokenizer, RemovesEscapes)
{
    struct Case
    {
        std::string in;
        std::string out;
        bool first;
    } cases[] = {
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'", true},
        {"x&#65;", "xA", false},
        {"&#321;", "A", true},  // cut to 8 bits
        {"&#195;", "\xC3", true},
        {"&foo;", "&foo;", false},
        {"&#12", "&#12", false},
        {"&AMP;", "&AMP;", false},
        {"a&#x41;b", "a&#x41;b", false},  // hexadecimal reads as 0: kept as written
        {"&# 66;", "B", true},            // the number reads as atoi reads it: space, then digits
        {"&#+67;", "C", true},
        {"&#-190;", "B", true},        // -190 is 0x...42 in the low 8 bits
        {"&#4294967361;", "A", true},  // longer than 32 bits: the low 8 bits still count
        {"plain", "plain", false},
    };
    for (const Case& c : cases)
    {
        str text(c.in.c_str());
        int length = static_cast<int>(text.length());
        bool first = false;
        removeXMLEscapeChars(text, &length, &first);
        EXPECT_EQ(S(text), c.out) << c.in;
        EXPECT_EQ(length, (int)c.out.size()) << c.in;
        EXPECT_EQ(first, c.first) << c.in;
    }
    EXPECT_EQ(S(xmlSafeString("a<b>&\"'\t\xC3\xA9 z")), "a&lt;b&gt;&amp;&quot;&apos;&#9;&#195;&#169; z");
    EXPECT_EQ(S(xmlSafeString(nullptr)), "");
}

// A reference decodes to one byte, its number cut to 8 bits. One whose byte would be 0 would
// end the text (a profile name "a&#0;b" read as "a"): it is kept as written, and the text after
// it stays. In text and in attribute values alike.
TEST(XmlTokenizer, ReferencesThatWouldGiveAZeroByteStayAsWritten)
{
    struct Case
    {
        const char* what;
        std::string in;
        std::string out;
    } cases[] = {
        {"valid", "a&#65;b&#195;&#169;", "aAb\xC3\xA9"},
        {"code 0", "a&#0;b", "a&#0;b"},
        {"hexadecimal", "&#x10FFFF;&#xD800;", "&#x10FFFF;&#xD800;"},
        {"surrogate, decimal", "x&#55296;y", "x&#55296;y"},
        {"surrogate with a non-zero low byte", "&#55297;", "\x01"},
        {"above 0x10FFFF", "&#1114112;z", "&#1114112;z"},
        {"a multiple of 256", "&#256;&#512;", "&#256;&#512;"},
        {"overflowing digits", "&#100000000000000000000;!", "&#100000000000000000000;!"},
        {"overflowing digits, non-zero low byte", "&#99999999999999999999;&#4294967362;",
         "\xFF"
         "B"},
        {"no digits", "&#;&#abc;", "&#;&#abc;"},
        {"minus zero", "&#-0;&#-256;", "&#-0;&#-256;"},
    };
    for (const Case& c : cases)
    {
        str text(c.in.c_str());
        int length = static_cast<int>(text.length());
        removeXMLEscapeChars(text, &length, nullptr);
        EXPECT_EQ(S(text), c.out) << c.what;
        EXPECT_EQ(length, static_cast<int>(c.out.size())) << c.what;

        // The same inside an attribute value and as text, and it prints back to what reads the
        // same again.
        TXmlNode doc;
        const std::string xml = "<profile name=\"" + c.in + "\">" + c.in + "</profile>";
        doc.ParseString(xml.c_str(), xml.size());
        ASSERT_EQ(doc.GetChildCount(), 1u) << c.what;
        TXmlNode* profile = doc.GetChildAt(0);
        EXPECT_EQ(S(profile->GetAttribute("name")), c.out) << c.what;
        EXPECT_EQ(S(profile->GetContent()), c.out) << c.what;
        TXmlNode again;
        const str printed = profile->AsString();
        again.ParseString(printed.c_str(), printed.length());
        ASSERT_EQ(again.GetChildCount(), 1u) << c.what;
        EXPECT_EQ(S(again.GetChildAt(0)->GetAttribute("name")), c.out) << c.what;
    }
}

TEST(XmlTree, DeclarationCommentAndRootBecomeThreeChildren)
{
    TXmlNode doc;
    doc.ParseString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a comment -->\n"
                    "<root a=\"1\"><child/>text</root>");
    ASSERT_EQ(doc.GetChildCount(), 3u);
    EXPECT_EQ(S(doc.GetChildAt(0)->GetName()), "?xml");
    EXPECT_EQ(S(doc.GetChildAt(1)->GetName()), "!--");
    EXPECT_EQ(S(doc.GetChildAt(2)->GetName()), "root");
    EXPECT_FALSE(doc.GetChildAt(0)->HasChildren());
    EXPECT_FALSE(doc.GetChildAt(1)->HasChildren());
    EXPECT_TRUE(doc.GetChildAt(2)->HasChildren());
    EXPECT_EQ(S(doc.GetChildAt(0)->GetAttribute("version")), "1.0");
    EXPECT_EQ(S(doc.GetChildAt(0)->GetAttribute("encoding")), "UTF-8");
    EXPECT_EQ(S(doc.GetChild("root")->GetContent()), "text");
}

TEST(XmlTree, ParsesTextAttributesAndNestingLeniently)
{
    struct Case
    {
        std::string text;
        std::string tree;
    } cases[] = {
        {"<e>a&lt;b</e>", "[]{}(e[]{a<b}())"},
        {"<e k=5/>", "[]{}(e[k=5;]{}())"},
        {"<e>one   \n  two</e>", "[]{}(e[]{one two}())"},
        {"<e>a=b \"q w\"</e>", "[]{}(e[]{a = b q w}())"},
        {"<e>x<c/>y</e>", "[]{}(e[]{x y}(c[]{}()))"},
        {"<e a=\"1\" a=\"2\" lone b=\"\"/>", "[]{}(e[a=1q;a=2q;b=q;]{}())"},
        {"<a><b></a>x", "[]{}(a[]{x}(b[]{}()))"},
        {"<a></b>after", "[]{after}(a[]{}())"},
        {"<a><b>", "[]{}(a[]{}(b[]{}()))"},
        {"</a><b/>", "[]{}()"},
        {"<a x=\"1", "[]{}(a[x=1q;]{}())"},
        {"<a x=", "[]{}(a[]{}())"},
        {"<", "[]{}()"},
        {"", "[]{}()"},
        {"just text", "[]{just text}()"},
        {"<!DOCTYPE html><p>t</p>", "[]{}(!DOCTYPE[]{}()p[]{t}())"},
        {"<e>\"\" kept</e>", "[]{}(e[]{kept}())"},  // an empty quoted word is not the end
        {"<e>&lt;tag&gt;</e>", "[]{}(e[]{<tag>}())"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parsed(c.text).substr(0), c.tree) << c.text;
}

TEST(XmlTree, AttributesChildrenAndCursor)
{
    TXmlNode node("item");
    node.SetAttribute("n", 1);
    node.SetAttribute("name", "x");
    node.SetAttribute("n", "2");
    EXPECT_EQ(node.GetAttributes().size(), 2u);
    bool quoted = false;
    EXPECT_EQ(S(node.GetAttribute("n", &quoted)), "2");
    EXPECT_TRUE(quoted);
    EXPECT_EQ(S(node.GetAttribute("N")), "");
    EXPECT_EQ(S(node.GetAttribute("missing", str("dflt"))), "dflt");
    EXPECT_EQ(S(node.GetAttribute("name", str("dflt"))), "x");

    node.CreateChild("a");
    node.CreateChild("b");
    node.CreateChild("a");
    str name;
    TXmlNode* child = nullptr;
    EXPECT_FALSE(node.GetNextChild(&name, &child));  // cursor unset until ResetChildren
    node.ResetChildren();
    std::string names;
    while (node.GetNextChild(&name, &child))
        names += S(name);
    EXPECT_EQ(names, "aba");
    EXPECT_EQ(node.GetChild("a"), node.GetChildAt(0));
    EXPECT_EQ(node.GetChild("c"), nullptr);

    node.Clear();
    EXPECT_FALSE(node.HasChildren());
    EXPECT_EQ(S(node.GetName()), "");
    EXPECT_TRUE(node.GetAttributes().empty());
}

TEST(XmlPrint, IndentsAttributesContentAndChildren)
{
    TXmlNode item("item");
    item.SetAttribute("n", "1");
    item.OnContent(str("hi"), 2);
    EXPECT_EQ(S(item.AsString()), "<item\n    n=\"1\">\nhi\n</item>\n");

    TXmlNode doc;
    doc.ParseString("<r k=5/>");
    TXmlNode* root = doc.GetChild("r");
    ASSERT_NE(root, nullptr);
    root->CreateChild("c")->SetAttribute("v", "\xC3");
    EXPECT_EQ(S(root->AsString()), "<r\n    k=5>\n    <c\n        v=\"&#195;\">\n    </c>\n</r>\n");
    TXmlNode again;
    again.ParseString(root->AsString().c_str());
    EXPECT_EQ(S(again.GetChild("r")->GetChild("c")->GetAttribute("v")), "\xC3");

    // Printing into a string at a position.
    str out("prefix:");
    unsigned int position = 7;
    item.AsString(&out, &position, 2);
    EXPECT_EQ(S(out), "prefix:  <item\n      n=\"1\">\n  hi\n  </item>\n");
    EXPECT_EQ(position, out.length());
}

TEST(XmlPrint, LargeTreesPrintWhole)
{
    TXmlNode root("root");
    for (int i = 0; i < 2000; ++i)
        root.CreateChild("child")->SetAttribute("index", i);
    std::string first = S(root.AsString());
    std::string second = S(root.AsString());
    EXPECT_EQ(first, second);
    TXmlNode doc;
    doc.ParseString(first.c_str());
    EXPECT_EQ(Dump(doc.GetChild("root")), Dump(&root));
}

namespace
{
// Random trees whose printed form reads back to the same tree.
struct TreeMaker
{
    std::mt19937 rng;
    explicit TreeMaker(unsigned seed) : rng(seed) {}

    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    std::string Name()
    {
        std::string s;
        int n = 1 + Pick(6);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>('a' + Pick(26));
        return s;
    }

    // Bytes that survive printing: the escapes, control bytes, UTF-8 and plain letters.
    std::string Word(bool allowSpace)
    {
        static const std::vector<std::string> pieces = {"&",
                                                        "<",
                                                        ">",
                                                        "\"",
                                                        "'",
                                                        "\x01",
                                                        "\t",
                                                        "\n",
                                                        "\x1F",
                                                        "\xC3\xA9",
                                                        "\xE2\x82\xAC",
                                                        "\xF0\x9F\x98\x80",
                                                        "a",
                                                        "Z",
                                                        "9",
                                                        "/",
                                                        "?",
                                                        "!",
                                                        "-",
                                                        "#",
                                                        ";",
                                                        "%"};
        std::string s;
        int n = 1 + Pick(5);
        for (int i = 0; i < n; ++i)
        {
            if (allowSpace && Pick(6) == 0)
                s += ' ';
            s += pieces[Pick(static_cast<int>(pieces.size()))];
        }
        return s;
    }

    void Fill(TXmlNode* node, int depth)
    {
        int attributes = Pick(4);
        for (int i = 0; i < attributes; ++i)
        {
            if (Pick(3) == 0)
                node->OnAttribute(str(Name().c_str()), str(Name().c_str()), false);
            else
            {
                std::string value = Pick(5) == 0 ? "" : Word(true);
                node->OnAttribute(str(Name().c_str()), str(value.data(), value.size()), true);
            }
        }
        int words = Pick(3);
        for (int i = 0; i < words; ++i)
        {
            std::string w = Word(false);
            if (w.find_first_of(" \t\n\r\v\f") != std::string::npos)
                continue;  // white space separates words: not a single word
            node->OnContent(str(w.data(), w.size()), static_cast<int>(w.size()));
        }
        int children = depth < 4 ? Pick(4) : 0;
        for (int i = 0; i < children; ++i)
            Fill(node->CreateChild(Name().c_str()), depth + 1);
    }
};
}  // namespace

TEST(XmlPrint, PrintThenParseGivesTheSameTree)
{
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        TreeMaker maker(seed);
        TXmlNode root(maker.Name().c_str());
        maker.Fill(&root, 0);
        str text = root.AsString();
        TXmlNode doc;
        doc.ParseString(text.c_str());
        ASSERT_EQ(doc.GetChildCount(), 1u) << "seed " << seed << "\n" << S(text);
        EXPECT_EQ(Dump(doc.GetChildAt(0)), Dump(&root)) << "seed " << seed << "\n" << S(text);
        // The printed text is pure ASCII.
        for (unsigned char c : S(text))
            ASSERT_LT(c, 0x80) << "seed " << seed;
    }
}

TEST(XmlPrint, PrintingTheDocumentNodeWithADeclarationLosesTheRest)
{
    // Why writers print the root element: "</?xml>" closes the document level when read back.
    TXmlNode doc;
    doc.ParseString("<?xml version=\"1.0\"?><root><a/></root>");
    ASSERT_EQ(doc.GetChildCount(), 2u);
    TXmlNode reread;
    std::string everyChild = S(doc.GetChildAt(0)->AsString()) + S(doc.GetChildAt(1)->AsString());
    reread.ParseString(everyChild.c_str());
    ASSERT_EQ(reread.GetChildCount(), 1u);
    EXPECT_EQ(S(reread.GetChildAt(0)->GetName()), "?xml");
    EXPECT_EQ(reread.GetChild("root"), nullptr);
    TXmlNode fromRoot;
    fromRoot.ParseString(doc.GetChild("root")->AsString().c_str());
    EXPECT_EQ(Dump(fromRoot.GetChild("root")), Dump(doc.GetChild("root")));
}

TEST(XmlZxml, ContainerGivesTheSameTreeAsPlainText)
{
    const std::string plain =
        "<?xml version=\"1.0\"?>\n<levels count=\"2\">\n  <level name=\"soil\" time=12>Dig "
        "&amp; eat</level>\n  <level name=\"caf\xC3\xA9\"/>\n</levels>\n";
    const std::string zxml = MakeZxml(plain);
    EXPECT_EQ(Parsed(zxml), Parsed(plain));

    TXmlNode viaDecompress;
    EXPECT_TRUE(viaDecompress.DecompressAndParse(zxml.data(), zxml.size()));
    EXPECT_EQ(Dump(&viaDecompress), Parsed(plain));

    // Through the file layer: a disk file, a memory file.
    TScratchDir dir;
    qftest::ResetFileLayer(dir);
    dir.Write("assets/plain.xml", plain);
    dir.Write("assets/packed.xml", zxml);
    TFile::ScanForResources();
    TFile::AddMemoryFile(str("mem.xml"), const_cast<char*>(zxml.data()),
                         static_cast<unsigned int>(zxml.size()));
    TXmlNode a, b, c;
    a.ParseFile("plain.xml");
    b.ParseFile("PACKED.xml");
    c.ParseFile("mem.xml");
    EXPECT_EQ(Dump(&a), Parsed(plain));
    EXPECT_EQ(Dump(&b), Dump(&a));
    EXPECT_EQ(Dump(&c), Dump(&a));

    // A reader over the file gives the same tree through the generic path.
    TGetCharFile reader("plain.xml");
    ASSERT_TRUE(reader.IsOpen());
    TXmlNode d;
    d.Parse(&reader);
    EXPECT_EQ(Dump(&d), Dump(&a));

    TXmlNode untouched;
    untouched.CreateChild("keep");
    untouched.ParseFile("missing.xml");
    EXPECT_EQ(Dump(&untouched), "[]{}(keep[]{}())");
    TFile::AddMemoryFile(str("mem.xml"), nullptr, 0);
    TFile::ShutDownFileSystem();
}

TEST(XmlZxml, DamagedContainersParseNothing)
{
    const std::string plain = "<a><b/></a>";
    const std::string good = MakeZxml(plain);
    auto withHeader = [&](uint32_t c, uint32_t p)
    {
        std::string out = "ZXML";
        Put32(out, c);
        Put32(out, p);
        return out + good.substr(12);
    };
    std::string corrupt = good;
    corrupt[14] ^= 0x55;
    struct Case
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"magic only", "ZXML"},
        {"short header", good.substr(0, 11)},
        {"header only", good.substr(0, 12)},
        {"stream cut", good.substr(0, good.size() - 3)},
        {"compressed length past the end", withHeader(good.size(), plain.size())},
        {"compressed length huge", withHeader(0xFFFFFFFFu, plain.size())},
        {"plain length too small", withHeader(good.size() - 12, plain.size() - 1)},
        {"plain length too large", withHeader(good.size() - 12, plain.size() + 1)},
        {"plain length above the cap", withHeader(good.size() - 12, 0xFFFFFFFFu)},
        {"plain length zero", withHeader(good.size() - 12, 0)},
        {"corrupt stream", corrupt},
        {"garbage stream", "ZXML\x05\0\0\0\x10\0\0\0hello"},
    };
    for (const Case& c : cases)
    {
        TXmlNode doc;
        doc.ParseString(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(Dump(&doc), "[]{}()") << c.what;
        EXPECT_FALSE(doc.DecompressAndParse(c.bytes.data(), c.bytes.size())) << c.what;
    }
    // As a C text the length ends at the first zero byte, so the header alone is refused.
    TXmlNode doc;
    doc.ParseString(good.c_str());
    EXPECT_EQ(Dump(&doc), "[]{}()");
}

TEST(XmlLimits, DeepNestingStopsAtTheLimitAndKeepsTheTree)
{
    std::string text;
    const int levels = 100000;
    text.reserve(levels * 8);
    for (int i = 0; i < levels; ++i)
        text += "<n>";
    text += "deep";
    for (int i = 0; i < levels; ++i)
        text += "</n>";
    TXmlNode doc;
    doc.ParseString(text.c_str());
    int depth = 0;
    const TXmlNode* node = &doc;
    while (node->GetChildCount() == 1)
    {
        node = node->GetChildAt(0);
        ++depth;
    }
    EXPECT_EQ(node->GetChildCount(), 0u);
    EXPECT_EQ(depth, TXmlNode::kMaxDepth);

    // Just below the limit everything is read.
    std::string shallow;
    for (int i = 0; i < 100; ++i)
        shallow += "<n>";
    shallow += "deep";
    for (int i = 0; i < 100; ++i)
        shallow += "</n>";
    shallow += "<after/>";
    TXmlNode ok;
    ok.ParseString(shallow.c_str());
    EXPECT_NE(ok.GetChild("after"), nullptr);
}

// The verdict tells a whole document from a damaged one; the tree is built leniently either way.
TEST(XmlVerdict, TellsAWholeDocumentFromADamagedOne)
{
    const std::string good = "<profiles active=\"Ann\">\n    <profile name=\"Ann\">\n    </profile>\n"
                             "</profiles>\n";
    struct Case
    {
        std::string text;
        bool whole;
        bool wellFormed;
    };
    const Case cases[] = {
        {good, true, true},
        {"<?xml version=\"1.0\"?>\n<!-- a note -->\n" + good, true, true},
        {good + "<!-- trailing note -->\n", true, true},
        {"\xEF\xBB\xBF" + good, true, true},
        {"<a k=5 empty=\"\"><b>x &lt; y</b><c/></a>", true, true},
        // Truncations at every kind of place.
        {good.substr(0, good.size() - 3), false, false},           // inside the closing tag
        {good.substr(0, good.find("</profiles>")), false, false},  // root never closed
        {"<profiles active=\"An", false, false},                   // unterminated value
        {"<profiles", false, false},                               // inside the opening tag
        {"<", false, false},
        {"<a>\"unterminated text</a>", false, false},
        // Bytes after the root, several roots, no root.
        {good + "junk", false, false},
        {good + "<profiles></profiles>", false, true},
        {"", false, true},
        {"   \n ", false, true},
        {"just text", false, false},
        {"<?xml version=\"1.0\"?>", false, true},
        // Mismatched or stray closing tags, zero padding.
        {"<a><b></c></a>", false, false},
        {"</a>", false, false},
        {good + std::string(16, '\0'), false, false},
        {std::string(64, '\0'), false, false},
    };
    for (const Case& c : cases)
    {
        TXmlNode doc;
        doc.ParseString(c.text.data(), c.text.size());
        EXPECT_EQ(doc.GetParseVerdict().IsWholeDocument(), c.whole) << c.text;
        EXPECT_EQ(doc.GetParseVerdict().IsWellFormed(), c.wellFormed) << c.text;
        EXPECT_EQ(TXmlNode::IsWholeDocument(c.text.data(), c.text.size()), c.whole) << c.text;
    }
}

TEST(XmlVerdict, LenientTreeIsStillBuiltFromADamagedDocument)
{
    // Content readers keep reading what parses: the truncated element stays in the tree.
    const std::string text = "<level width=\"100\"><emitter type=\"spot\"";
    TXmlNode doc;
    doc.ParseString(text.data(), text.size());
    EXPECT_TRUE(doc.GetParseVerdict().mOpenAtEnd);
    EXPECT_EQ(Dump(&doc), "[]{}(level[width=100q;]{}(emitter[type=spotq;]{}()))");
}

TEST(XmlVerdict, ZxmlContainersAndFilesGiveTheirVerdict)
{
    const std::string good = "<a><b/></a>";
    EXPECT_TRUE(TXmlNode::IsWholeDocument(MakeZxml(good).data(), MakeZxml(good).size()));
    std::string damaged = MakeZxml(good);
    damaged.resize(damaged.size() - 2);
    TXmlNode doc;
    doc.ParseString(damaged.data(), damaged.size());
    EXPECT_TRUE(doc.GetParseVerdict().mUnreadable);
    EXPECT_FALSE(doc.GetParseVerdict().IsWholeDocument());

    TScratchDir dir;
    dir.Write("whole.xml", good);
    dir.Write("cut.xml", good.substr(0, 5));
    TXmlNode whole, cut, missing;
    whole.ParseFile(("::" + (dir / "whole.xml")).c_str());
    cut.ParseFile(("::" + (dir / "cut.xml")).c_str());
    missing.ParseFile(("::" + (dir / "none.xml")).c_str());
    EXPECT_TRUE(whole.GetParseVerdict().IsWholeDocument());
    EXPECT_FALSE(cut.GetParseVerdict().IsWholeDocument());
    EXPECT_FALSE(missing.GetParseVerdict().IsWholeDocument());
}

TEST(XmlVerdict, NestingBeyondTheLimitIsNotWhole)
{
    std::string deep;
    for (int i = 0; i < TXmlNode::kMaxDepth + 5; ++i)
        deep += "<a>";
    for (int i = 0; i < TXmlNode::kMaxDepth + 5; ++i)
        deep += "</a>";
    TXmlNode doc;
    doc.ParseString(deep.data(), deep.size());
    EXPECT_TRUE(doc.GetParseVerdict().mTooDeep);
    EXPECT_FALSE(doc.GetParseVerdict().IsWholeDocument());
}
