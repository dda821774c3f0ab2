// XML documents: typed queries, child cursors, building and saving, damaged files, encryption.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/platform.h"
#include "foundation/xml.h"
#include "test_core_fixture.h"
#include "wgui_xmldocument.h"

using namespace WGUI;
using wguitest::PlatformFixture;

namespace
{

class XmlTest : public PlatformFixture
{
protected:
    std::string S(const str& s) { return std::string(s.c_str()); }
};

}  // namespace

TEST_F(XmlTest, QueryTable)
{
    XmlDocument doc(false);
    const char* text =
        "<root i=\"12\" trail=\"12abc\" neg=\" -4\" d=\"2.5\" f=\"0.25\" s=\"word\" empty=\"\" "
        "t=\"true\" fa=\"false\" T=\"True\" one=\"1\" huge=\"99999999999\"></root>";
    ASSERT_TRUE(doc.parseText(text, strlen(text)));
    XmlElement root = doc.getRoot();
    ASSERT_TRUE(root.isValid());

    struct IntCase
    {
        const char* name;
        int result;
        int value;
    } ints[] = {
        {"i", 0, 12},        {"trail", 0, 12}, {"neg", 0, -4},          {"empty", 1, -77},
        {"missing", 1, -77}, {"s", 0, 0},      {"huge", 0, 2147483647},
    };
    for (const auto& c : ints)
    {
        int v = -77;
        EXPECT_EQ(root.queryIntAttribute(c.name, v), c.result) << c.name;
        EXPECT_EQ(v, c.value) << c.name;
    }
    double d = -1;
    EXPECT_EQ(root.queryDoubleAttribute("d", d), 0);
    EXPECT_EQ(d, 2.5);
    float f = -1;
    EXPECT_EQ(root.queryFloatAttribute("f", f), 0);
    EXPECT_EQ(f, 0.25f);
    str s = "default";
    EXPECT_EQ(root.queryStringAttribute("empty", s), 1);
    EXPECT_EQ(S(s), "default");
    EXPECT_EQ(root.queryStringAttribute("s", s), 0);
    EXPECT_EQ(S(s), "word");

    struct BoolCase
    {
        const char* name;
        int result;
        bool value;
    } bools[] = {
        {"t", 0, true},   {"fa", 0, false},   {"T", 1, true},
        {"one", 1, true}, {"empty", 1, true}, {"missing", 1, true},
    };
    for (const auto& c : bools)
    {
        bool b = true;
        EXPECT_EQ(root.queryBoolAttribute(c.name, b), c.result) << c.name;
        EXPECT_EQ(b, c.value) << c.name;
    }
    // An invalid element answers "missing" to everything.
    XmlElement none;
    int v = 3;
    EXPECT_EQ(none.queryIntAttribute("i", v), 1);
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(none.iterateChildren().isValid());
}

TEST_F(XmlTest, ChildCursors)
{
    const char* text = "<levels><level name=\"a\"><item/></level><other/><level name=\"b\"></level>"
                       "<level name=\"c\"></level></levels>";
    XmlDocument doc(false);
    ASSERT_TRUE(doc.parseText(text, strlen(text)));
    XmlElement root = doc.getRoot("levels");
    ASSERT_TRUE(root.isValid());
    EXPECT_FALSE(doc.getRoot("nothere").isValid());
    std::vector<std::string> names;
    for (XmlElement e = root.iterateChildren("level"); e.isValid(); e = root.iterateChildren("level"))
    {
        str n;
        e.queryStringAttribute("name", n);
        names.push_back(S(n));
        // A nested loop on its own element.
        for (XmlElement inner = e.iterateChildren(); inner.isValid(); inner = e.iterateChildren())
            names.push_back("  " + S(inner.getName()));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a", "  item", "b", "c"}));
    root.resetIterateChildren();
    EXPECT_EQ(S(root.iterateChildren().getName()), "level");
    EXPECT_EQ(S(root.iterateChildren().getName()), "other");
}

TEST_F(XmlTest, BuildSaveLoadRoundTrip)
{
    {
        XmlDocument doc(false);
        XmlElement root("options");
        XmlElement display("display");
        display.setAttribute("width", 800);
        display.setAttribute("name", "a & b < c > \"d\" 'e' \xC3\xA9\x01");
        display.setDoubleAttribute("sensitivity", 0.5);
        display.setDoubleAttribute("tiny", 1e-7);
        display.setBoolAttribute("windowed", true);
        XmlElement deep("deep");
        deep.setAttribute("x", -3);
        display.insertEndChild(deep);  // bottom up: the child's children first
        EXPECT_FALSE(deep.isValid());
        root.insertEndChild(display);
        XmlElement sound("sound");
        root.insertEndChild(sound);
        doc.setRoot(root);
        EXPECT_FALSE(root.isValid());
        EXPECT_EQ(doc.saveFile("user:options.xml"), 0);
    }
    std::string onDisk = ReadFile("user/options.xml");
    EXPECT_EQ(onDisk.find("<?xml"), std::string::npos);
    EXPECT_NE(onDisk.find("0.500000"), std::string::npos);
    EXPECT_NE(onDisk.find("0.000000"), std::string::npos);

    XmlDocument doc("user:options.xml", false);
    ASSERT_TRUE(doc.isLoadOkay());
    XmlElement root = doc.getRoot();
    EXPECT_EQ(S(root.getName()), "options");
    XmlElement display = root.iterateChildren("display");
    ASSERT_TRUE(display.isValid());
    int w = 0;
    EXPECT_EQ(display.queryIntAttribute("width", w), 0);
    EXPECT_EQ(w, 800);
    str name;
    EXPECT_EQ(display.queryStringAttribute("name", name), 0);
    EXPECT_EQ(S(name), "a & b < c > \"d\" 'e' \xC3\xA9\x01");
    double sens = 0, tiny = 5;
    display.queryDoubleAttribute("sensitivity", sens);
    display.queryDoubleAttribute("tiny", tiny);
    EXPECT_EQ(sens, 0.5);
    EXPECT_EQ(tiny, 0.0);
    bool windowed = false;
    EXPECT_EQ(display.queryBoolAttribute("windowed", windowed), 0);
    EXPECT_TRUE(windowed);
    XmlElement deep = display.iterateChildren("deep");
    int x = 0;
    EXPECT_EQ(deep.queryIntAttribute("x", x), 0);
    EXPECT_EQ(x, -3);
    EXPECT_TRUE(root.iterateChildren("sound").isValid());
}

TEST_F(XmlTest, DamagedAndMissingFiles)
{
    struct Case
    {
        const char* text;
        bool ok;
        const char* rootName;
    } cases[] = {
        {"", false, ""},
        {"garbage without tags", false, ""},
        {"<open attr=\"1\"", true, "open"},
        {"<a><b></a>", true, "a"},
        {"<a x=\"unterminated></a>", true, "a"},
        {"\x00\xff\xfe<", false, ""},
        // A declaration before the root becomes the first child: the reader that takes the
        // first element finds the declaration.
        {"<?xml version=\"1.0\"?><options></options>", true, "?xml"},
    };
    int i = 0;
    for (const auto& c : cases)
    {
        std::string file = "user/damaged" + std::to_string(i++) + ".xml";
        WriteFile(file, c.text);
        XmlDocument doc(str(("user:" + file.substr(5)).c_str()), false);
        EXPECT_EQ(doc.isLoadOkay(), c.ok) << c.text;
        EXPECT_EQ(S(doc.getRoot().getName()), c.rootName) << c.text;
    }
    XmlDocument missing("user:nothere.xml", false);
    EXPECT_FALSE(missing.isLoadOkay());
    EXPECT_FALSE(missing.getRoot().isValid());
    EXPECT_FALSE(missing.getRoot("x").isValid());
}

TEST_F(XmlTest, SaveWithoutRootFailsAndWritesNothing)
{
    XmlDocument doc(false);
    EXPECT_NE(doc.saveFile("user:empty.xml"), 0);
    EXPECT_FALSE(TFile::Exists("user:empty.xml"));
}

TEST_F(XmlTest, FailedSaveKeepsTheOldFile)
{
    WriteFile("user/sub/keep.xml", "<old></old>");
    XmlDocument doc(false);
    XmlElement root("new");
    doc.setRoot(root);
    // The folder becomes read-only: no temporary file can be made there.
    std::string folder = this->root + "/user/sub";
    chmod(folder.c_str(), 0500);
    bool privileged = access(folder.c_str(), W_OK) == 0;  // root ignores the mode
    int result = doc.saveFile("user:sub/keep.xml");
    chmod(folder.c_str(), 0700);
    if (!privileged)
    {
        EXPECT_NE(result, 0);
        EXPECT_EQ(ReadFile("user/sub/keep.xml"), "<old></old>");
    }
    // A name that leads nowhere fails too.
    EXPECT_NE(doc.saveFile(""), 0);
    // A folder in the way cannot be replaced by the file, whoever runs the test.
    std::filesystem::create_directories(this->root + "/user/inway");
    WriteFile("user/inway/inside.txt", "keep");
    EXPECT_NE(doc.saveFile("user:inway"), 0);
    EXPECT_EQ(ReadFile("user/inway/inside.txt"), "keep");
}

namespace
{

// Values that printing escapes in every way: the five characters, controls, bytes from 0x80 up,
// blanks at either end, a reference-like text and nothing at all.
std::vector<std::string> trickyValues()
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    return {"",
            "plain",
            " two  spaces ",
            "a & b < c > \"d\" 'e'",
            "\t\r\n\x01",
            "\xC3\xA9\xF0\x9F\x98\x80",
            "&#0;&amp;",
            everyByte,
            std::string(100000, 'n')};
}

// Builds the same tree twice: once with the elements of a document being written (each child
// appended bottom up), once as the text each append used to go through (the child printed and
// parsed into its parent, and the root into the document). depth levels below the root, each
// element with a few attributes and two children below the top level.
void buildBoth(WGUI::XmlElement& built, TXmlNode& viaText, int depth, size_t& pick)
{
    const std::vector<std::string> values = trickyValues();
    for (int a = 0; a < 3; ++a)
    {
        const std::string name = "attr" + std::to_string(a);
        const std::string& value = values[pick++ % values.size()];
        built.setAttribute(name.c_str(), str(value.data(), value.size()));
        viaText.SetAttribute(name.c_str(), value.c_str());
    }
    built.setAttribute("number", static_cast<int>(pick) - 7);
    viaText.SetAttribute("number", static_cast<int>(pick) - 7);
    if (depth == 0)
        return;
    for (int c = 0; c < 2; ++c)
    {
        const std::string name = "level" + std::to_string(depth);
        WGUI::XmlElement child(str(name.c_str()));
        TXmlNode childViaText(name.c_str());
        buildBoth(child, childViaText, depth - 1, pick);
        built.insertEndChild(child);
        const str text = childViaText.AsString();
        viaText.ParseString(text.c_str(), text.length());
    }
}

}  // namespace

// Appending moves a built element's node; the saved bytes are those the copy through the text
// form gave, for every kind of value.
TEST_F(XmlTest, BuiltDocumentsSaveTheSameBytesAsThroughTheirText)
{
    size_t pick = 0;
    for (int depth : {0, 1, 3})
    {
        SCOPED_TRACE(depth);
        XmlDocument doc(false);
        WGUI::XmlElement root("root");
        TXmlNode rootViaText("root");
        buildBoth(root, rootViaText, depth, pick);
        doc.setRoot(root);
        ASSERT_EQ(doc.saveFile("user:built.xml"), 0);

        TXmlNode document;
        const str text = rootViaText.AsString();
        document.ParseString(text.c_str(), text.length());
        ASSERT_EQ(document.GetChildCount(), 1u);
        const str expected = document.GetChildAt(0)->AsString();
        const std::string saved = ReadFile("user/built.xml");
        EXPECT_TRUE(saved == std::string(expected.c_str(), expected.length()))
            << "saved " << saved.size() << " bytes, through the text " << expected.length();
    }
}

// The element's own node goes in, not a copy: a tree built deeper than the reader's nesting
// limit keeps every level, and the element is left empty.
TEST_F(XmlTest, AppendingMovesTheNodeItself)
{
    WGUI::XmlElement child("child");
    child.setAttribute("k", "v");
    TXmlNode* node = child.getNode();
    WGUI::XmlElement parent("parent");
    parent.insertEndChild(child);
    EXPECT_FALSE(child.isValid());
    EXPECT_FALSE(child.isOwner());
    ASSERT_EQ(parent.getNode()->GetChildCount(), 1u);
    EXPECT_EQ(parent.getNode()->GetChildAt(0), node);
    XmlDocument doc(false);
    TXmlNode* parentNode = parent.getNode();
    doc.setRoot(parent);
    EXPECT_FALSE(parent.isValid());
    EXPECT_EQ(doc.getRoot().getNode(), parentNode);

    const int levels = TXmlNode::kMaxDepth + 44;
    auto inner = std::make_unique<WGUI::XmlElement>(str("n"));
    for (int i = 1; i < levels; ++i)
    {
        auto outer = std::make_unique<WGUI::XmlElement>(str("n"));
        outer->insertEndChild(*inner);
        inner = std::move(outer);
    }
    XmlDocument deep(false);
    deep.setRoot(*inner);
    int found = 0;
    for (TXmlNode* n = deep.getRoot().getNode(); n; n = n->GetChildAt(0))
        ++found;
    EXPECT_EQ(found, levels);
}

TEST_F(XmlTest, SetRootAndInsertOfANonOwningElementCopyWithoutFreeing)
{
    const char* text = "<a><b v=\"1\"></b></a>";
    XmlDocument source(false);
    ASSERT_TRUE(source.parseText(text, strlen(text)));
    XmlElement b = source.getRoot().iterateChildren("b");
    ASSERT_TRUE(b.isValid());
    XmlElement target("t");
    target.insertEndChild(b);  // a query result: copied, the source document keeps its node
    XmlDocument out(false);
    out.setRoot(target);
    XmlElement copied = out.getRoot().iterateChildren("b");
    int v = 0;
    EXPECT_EQ(copied.queryIntAttribute("v", v), 0);
    EXPECT_EQ(v, 1);
    // The source is intact.
    XmlElement again = source.getRoot().iterateChildren("b");
    EXPECT_TRUE(again.isValid());
}

TEST_F(XmlTest, EncryptedRoundTrip)
{
    TPlatform::SetConfig(TPlatform::kEncryptionKey, "secretkey123");
    {
        XmlDocument doc(true);
        XmlElement root("profiles");
        root.setAttribute("active", "Player 1");
        doc.setRoot(root);
        EXPECT_EQ(doc.saveFile("user:secret.xml"), 0);
    }
    std::string onDisk = ReadFile("user/secret.xml");
    EXPECT_EQ(onDisk.find("profiles"), std::string::npos);
    XmlDocument doc("user:secret.xml", true);
    ASSERT_TRUE(doc.isLoadOkay());
    str active;
    EXPECT_EQ(doc.getRoot("profiles").queryStringAttribute("active", active), 0);
    EXPECT_EQ(S(active), "Player 1");
    // Read as plain text it is no document at all.
    XmlDocument plain("user:secret.xml", false);
    EXPECT_FALSE(plain.getRoot("profiles").isValid());
    // Damaged cipher text gives an empty document.
    WriteFile("user/badsecret.xml", "!!!! not base64 at all ####");
    XmlDocument bad("user:badsecret.xml", true);
    EXPECT_FALSE(bad.getRoot("profiles").isValid());
}

TEST_F(XmlTest, CommaLocaleDoesNotChangeWrittenNumbers)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"})
        if (std::setlocale(LC_NUMERIC, name))
            break;
    XmlElement e("e");
    e.setDoubleAttribute("v", 1.5);
    str v;
    e.queryStringAttribute("v", v);
    double back = 0;
    e.queryDoubleAttribute("v", back);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(S(v), "1.500000");
    EXPECT_EQ(back, 1.5);
}
