// String tables: the raw row/cell scanner, merging, markup expansion and the test mode.
#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "foundation/stringtable.h"
#include "test_file_support.h"

using qftest::MakeZxml;

namespace
{
std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

std::string Row(const std::string& label, const std::string& text)
{
    return "<Row><Cell><Data ss:Type=\"String\">" + label + "</Data></Cell><Cell><Data ss:Type=\"String\">" +
           text + "</Data></Cell></Row>\n";
}

std::string Sheet(const std::string& rows)
{
    return "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" + rows +
           "</Table></Worksheet></Workbook>\n";
}

class StringTables : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qftest::ResetFileLayer(mDir);
        mDir.Write("assets/strings.xml",
                   Sheet(Row("OF", "%1% of %2%") + Row("PCT", "100%% sure") + Row("NAMED", "see %OTHER%") +
                         Row("OTHER", "other %1% text") + Row("LONE_END", "50%") +
                         Row("LONE_MID", "50% off") + Row("ARG3", "%1% %2% %3%") +
                         Row("UTF", "h\xC3\xA9llo w\xC3\xB6rld") + Row("MARKUP", "a &lt;br&gt; b &amp; c") +
                         "<Row><Cell><Data>ONECELL</Data></Cell></Row>\n"));
        mDir.Write("user/strings_de.xml", Sheet(Row("OF", "%1% von %2%") + Row("NEW", "neu")));
        TFile::ScanForResources();
        qfSetDbgSink([this](const char* line) { mLines.push_back(line); });
        ASSERT_TRUE(mTable.LoadStringTable(str("strings.xml")));
    }
    void TearDown() override
    {
        qfSetDbgSink(TDbgSink());
        qfSetConfigReader(nullptr);
        TFile::ShutDownFileSystem();
    }

    TScratchDir mDir;
    TStringTable mTable;
    std::vector<std::string> mLines;
};
}  // namespace

TEST_F(StringTables, ExpandsArgumentsPercentSignsAndLabels)
{
    struct Case
    {
        const char* label;
        std::vector<std::string> args;
        std::string expected;
        int debugLines;
    } cases[] = {
        {"OF", {"3", "5"}, "3 of 5", 0},
        {"PCT", {}, "100% sure", 0},
        {"OF", {"%%", "x"}, "% of x", 0},
        {"OF", {"%OTHER%", "y"}, "other %1% text of y", 0},
        {"NAMED", {}, "see other %1% text", 0},
        {"ARG3", {"a", "b"}, "#####", 1},
        {"OF", {"%MISSING%", "y"}, "#####", 1},
        {"OF", {"%x", "y"}, "#####", 1},
        {"OF", {"", "y"}, " of y", 0},
        {"LONE_END", {}, "50%", 1},
        {"LONE_MID", {}, "#####", 2},
        {"UNKNOWN", {}, "#####", 1},
        {"ONECELL", {}, "", 0},
        {"MARKUP", {}, "a <br> b & c", 0},
    };
    for (const Case& c : cases)
    {
        mLines.clear();
        std::vector<str> args;
        for (const std::string& a : c.args)
            args.push_back(str(a.c_str()));
        str result = mTable.GetString(str(c.label), static_cast<unsigned int>(args.size()),
                                      args.empty() ? nullptr : args.data());
        EXPECT_EQ(S(result), c.expected) << c.label;
        EXPECT_EQ((int)mLines.size(), c.debugLines) << c.label;
    }
    mLines.clear();
    mTable.GetString(str("UNKNOWN"), 0, nullptr);
    ASSERT_EQ(mLines.size(), 1u);
    EXPECT_EQ(mLines[0], " ##### : Missing string for label 'UNKNOWN'");
    mLines.clear();
    mTable.GetString(str("LONE_END"), 0, nullptr);
    ASSERT_EQ(mLines.size(), 1u);
    EXPECT_EQ(mLines[0], "Non-matched percent (%) escape found in string LONE_END, '50%'");

    EXPECT_EQ(S(mTable.GetString(str("OF"), str("3"), str("5"))), "3 of 5");
    EXPECT_EQ(S(mTable.GetString(str("ARG3"), str("a"), str("b"))), "a b ");
}

TEST_F(StringTables, TestModeReplacesEveryByteButSpaces)
{
    qfSetConfigReader([](const char* key) { return str(strcmp(key, "stringtest") == 0 ? "1" : "0"); });
    EXPECT_EQ(S(mTable.GetString(str("UTF"))), "xxxxxx xxxxxx");
    EXPECT_EQ(S(mTable.GetString(str("UNKNOWN"))), "#####");
    qfSetConfigReader([](const char*) { return str("0"); });
    EXPECT_EQ(S(mTable.GetString(str("UTF"))), "h\xC3\xA9llo w\xC3\xB6rld");
}

TEST_F(StringTables, MergingReplacesLabelsAndLoadingEmpties)
{
    const size_t before = mTable.GetCount();
    EXPECT_TRUE(mTable.MergeStringTable(str("user:strings_de.xml")));
    EXPECT_EQ(S(mTable.GetString(str("OF"), str("1"), str("2"))), "1 von 2");
    EXPECT_EQ(S(mTable.GetString(str("NEW"))), "neu");
    EXPECT_EQ(S(mTable.GetString(str("PCT"))), "100% sure");
    EXPECT_EQ(mTable.GetCount(), before + 1);

    EXPECT_FALSE(mTable.MergeStringTable(str("missing.xml")));
    EXPECT_EQ(mTable.GetCount(), before + 1);
    EXPECT_TRUE(mTable.LoadStringTable(str("user:strings_de.xml")));
    EXPECT_EQ(mTable.GetCount(), 2u);
}

TEST_F(StringTables, ScannerFindsRowsAndCellsInRawText)
{
    struct Case
    {
        const char* what;
        std::string text;
        std::vector<std::pair<std::string, std::string>> rows;
    } cases[] = {
        {"namespaced cells are not seen",
         "<Row><Cell><ss:Data>L</ss:Data></Cell><Cell><Data>A</Data><Data>B</Data></Cell></Row>",
         {{"A", "B"}}},
        {"one cell", "<Row><Data>ONLY</Data></Row>", {{"ONLY", ""}}},
        {"row without data", "<Row><Cell/></Row><Row><Data>K</Data><Data>V</Data></Row>", {{"K", "V"}}},
        {"text cell in the next row is not taken",
         "<Row><Data>K</Data></Row><Row></Row><Data>X</Data>",
         {{"K", ""}, {"X", ""}}},
        {"data without a closing bracket", "<Row><Data>K</Data><Data", {{"K", ""}}},
        {"label without a closing bracket", "<Row><Data", {{"", ""}}},
        {"text runs to the end", "<Row><Data>K</Data><Data>to the end", {{"K", "to the end"}}},
        {"escapes decoded", "<Row><Data>&lt;K&gt;</Data><Data>&#65;&amp;</Data></Row>", {{"<K>", "A&"}}},
        {"third cell ignored", "<Row><Data>K</Data><Data>1</Data><Data>2</Data></Row>", {{"K", "1"}}},
        {"no rows", "<Data>K</Data><Data>V</Data>", {}},
    };
    for (const Case& c : cases)
    {
        TStringTable table;
        EXPECT_TRUE(table.MergeStringTableText(c.text.data(), c.text.size())) << c.what;
        EXPECT_EQ(table.GetCount(), c.rows.size()) << c.what;
        for (const auto& row : c.rows)
        {
            ASSERT_TRUE(table.HasLabel(str(row.first.c_str()))) << c.what;
            EXPECT_EQ(S(table.GetString(str(row.first.c_str()))), row.second) << c.what;
        }
    }
}

TEST_F(StringTables, CompressedTablesReadLikePlainOnes)
{
    const std::string plain = Sheet(Row("Z1", "zipped %1%") + Row("OF", "z"));
    const std::string zxml = MakeZxml(plain);
    mDir.Write("user/strings_z.xml", zxml);
    EXPECT_TRUE(mTable.MergeStringTable(str("user:strings_z.xml")));
    EXPECT_EQ(S(mTable.GetString(str("Z1"), str("a"))), "zipped a");
    EXPECT_EQ(S(mTable.GetString(str("OF"))), "z");

    // Damaged containers change nothing and report failure.
    std::string cut = zxml.substr(0, zxml.size() - 4);
    std::string lying = zxml;
    lying[8] = static_cast<char>(lying[8] + 1);
    for (const std::string& bad : {cut, lying, zxml.substr(0, 10)})
    {
        TStringTable table;
        table.MergeStringTableText("<Row><Data>KEEP</Data></Row>", 28);
        EXPECT_FALSE(table.MergeStringTableText(bad.data(), bad.size()));
        EXPECT_EQ(table.GetCount(), 1u);
        mDir.Write("user/strings_bad.xml", bad);
        EXPECT_FALSE(table.MergeStringTable(str("user:strings_bad.xml")));
        EXPECT_EQ(table.GetCount(), 1u);
    }
}

TEST_F(StringTables, FlashLabels)
{
    TStringTable table;
    std::string text =
        Sheet(Row("FLASH_B", "b") + Row("FLASH_A", "a") + Row("flash01_02", "x") + Row("OTHER", "o"));
    table.MergeStringTableText(text.data(), text.size());
    std::list<str> out;
    table.GetFlashStrings(out);
    std::vector<std::string> labels;
    for (const str& s : out)
        labels.push_back(S(s));
    EXPECT_EQ(labels, (std::vector<std::string>{"FLASH_A", "FLASH_B"}));

    TStringTable numbered;
    text = Sheet(Row("flash01_02", "x") + Row("flash3", "y") + Row("flashy", "z") + Row("a", "b"));
    numbered.MergeStringTableText(text.data(), text.size());
    out.clear();
    numbered.GetFlashStrings(out);
    labels.clear();
    for (const str& s : out)
        labels.push_back(S(s));
    EXPECT_EQ(labels, (std::vector<std::string>{"flash01_02", "flash3"}));
}

TEST_F(StringTables, FurtherTablesAreChosenByTheirFileName)
{
    mDir.Write("user/Strings_FR.xml", Sheet(Row("FR", "fr")));
    mDir.Write("user/stringsx.txt", Sheet(Row("TXT", "no")));
    mDir.Write("user/other.xml", Sheet(Row("OTHER_FILE", "no")));
    mDir.Write("user/sub/strings_sub.xml", Sheet(Row("SUB", "no")));
    mDir.Write("common/strings_common.xml", Sheet(Row("COMMON", "yes") + Row("NEW", "common")));
    TFile::ScanForResources();
    EXPECT_EQ(mTable.MergeFolderStringTables(str("user:")), 2);    // strings_de, strings_fr
    EXPECT_EQ(mTable.MergeFolderStringTables(str("common:")), 1);  // merged after the user's
    EXPECT_EQ(S(mTable.GetString(str("FR"))), "fr");
    EXPECT_EQ(S(mTable.GetString(str("COMMON"))), "yes");
    EXPECT_EQ(S(mTable.GetString(str("NEW"))), "common");
    EXPECT_FALSE(mTable.HasLabel(str("TXT")));
    EXPECT_FALSE(mTable.HasLabel(str("OTHER_FILE")));
    EXPECT_FALSE(mTable.HasLabel(str("SUB")));
}
