#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/stringtable.h"
#include "platform_fixture.h"

namespace
{

std::string Config(const char* key, const char* def = "<absent>")
{
    return TPlatform::GetConfig(str(key), str(def)).c_str();
}

class ConfigTest : public PlatformFixture
{
};

TEST_F(ConfigTest, LookupReturnsDefaultAndNeverInserts)
{
    EXPECT_EQ(Config("nosuchkey", "fallback"), "fallback");
    EXPECT_EQ(TConfig::Map().count(str("nosuchkey")), 0u);
    TPlatform::SetConfig(str("k"), str("one"));
    TPlatform::SetConfig(str("k"), str("two"));
    EXPECT_EQ(Config("k"), "two");
    EXPECT_EQ(Config("K"), "<absent>") << "keys are case-sensitive";
}

TEST_F(ConfigTest, IsEnabledReadsTheValueAsAnInteger)
{
    struct Case
    {
        const char* value;
        bool enabled;
    };
    for (const Case& c : std::vector<Case>{{"1", true},
                                           {"0", false},
                                           {"", false},
                                           {"yes", false},
                                           {"12", true},
                                           {"-1", true},
                                           {" 3", true}})
    {
        TPlatform::SetConfig(str("flag"), str(c.value));
        EXPECT_EQ(TPlatform::IsEnabled(str("flag")), c.enabled) << "value '" << c.value << "'";
    }
    EXPECT_FALSE(TPlatform::IsEnabled(str("absentflag")));
}

TEST_F(ConfigTest, LegacyLineWrapTurnsOnWhateverTheValue)
{
    TPlatform::SetConfig(str("legacylinewrap"), str("0"));
    TPlatform::SetConfig(str("other"), str("1"));
    EXPECT_EQ(hooks.Count("SetLegacyLineWrap"), 1u);
}

struct CommandLineCase
{
    const char* commandLine;
    const char* downloadUrl;  // null: not set
    bool stringTest;
};

TEST_F(ConfigTest, CommandLineSwitches)
{
    const CommandLineCase cases[] = {
        {"", nullptr, false},
        {"a b ", nullptr, false},
        {"-url=http://x/y rest ", "http://x/y", false},
        {"a -url= ", "", false},
        {"--stringtest -url=abc ", "abc", true},
        {"-url=abc --stringtest ", "abc", true},
        {"x--stringtesty ", nullptr, true},
    };
    for (const CommandLineCase& c : cases)
    {
        TConfig::Map().clear();
        auto* data = new TPlatformData(MakeBackend(), 0, nullptr, false);
        data->SetCommandLine(str(c.commandLine));
        {
            TPlatform platform(data);
            if (c.downloadUrl)
            {
                EXPECT_EQ(Config("downloadurl"), c.downloadUrl) << c.commandLine;
            }
            else
            {
                EXPECT_EQ(Config("downloadurl"), "<absent>") << c.commandLine;
            }
            EXPECT_EQ(Config("stringtest"), c.stringTest ? "1" : "<absent>") << c.commandLine;
            EXPECT_EQ(Config("memorymax"), "100000000");
            EXPECT_EQ(Config("texturememorymax"), "100000000");
        }
        EXPECT_TRUE(TConfig::Map().empty()) << "the facade empties the configuration";
    }
}

TEST_F(ConfigTest, SettingsFileOverridesGameValuesInDocumentOrder)
{
    WriteFile("res/assets/settings.xml",
              "<?xml version=\"1.0\"?>\n<settings>\n  <utf8mode>1</utf8mode>\n"
              "  <hiscoreanon>yes please</hiscoreanon>\n  <site>a</site>\n  <site>b</site>\n"
              "  <gamename>ignored</gamename>\n</settings>\n");
    TPlatform::SetConfig(str("utf8mode"), str("0"));
    TPlatform::SetConfig(str("hiscoreanon"), str("game"));
    TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
    EXPECT_EQ(Config("utf8mode"), "1");
    EXPECT_EQ(Config("utf8modeinit"), "0") << "copied before the settings file is read";
    EXPECT_EQ(Config("hiscoreanon"), "yes please");
    EXPECT_EQ(Config("site"), "b");
    EXPECT_EQ(Config("gamename"), "wombixomnivora") << "overwritten from the product name";
    EXPECT_EQ(Config("version"), TPlatformData::kProductVersion);
}

TEST_F(ConfigTest, PrecedenceIsDefaultThenGameThenCommandLineThenSettingsFile)
{
    WriteFile("res/assets/settings.xml", "<settings><downloadurl>from-settings</downloadurl>"
                                         "<memorymax>5</memorymax></settings>");
    TPlatform::SetConfig(str("downloadurl"), str("from-game"));
    auto* data = new TPlatformData(MakeBackend(), 0, nullptr, false);
    data->SetCommandLine(str("-url=from-command-line "));
    {
        TPlatform platform(data);
        EXPECT_EQ(Config("downloadurl"), "from-settings");
        EXPECT_EQ(Config("memorymax"), "5") << "the settings file beats the built-in default";
        EXPECT_EQ(Config("texturememorymax"), "100000000");
    }
    std::filesystem::remove(root + "/res/assets/settings.xml");
    TPlatform::SetConfig(str("downloadurl"), str("from-game"));
    data = new TPlatformData(MakeBackend(), 0, nullptr, false);
    data->SetCommandLine(str("-url=from-command-line "));
    TPlatform platform(data);
    EXPECT_EQ(Config("downloadurl"), "from-command-line") << "the command line beats the game";
}

TEST_F(ConfigTest, MissingOrElementlessSettingsFileChangesNothing)
{
    for (const char* text :
         {static_cast<const char*>(nullptr), "<other><utf8mode>1</utf8mode></other>", "garbage <<<"})
    {
        TConfig::Map().clear();
        std::filesystem::remove(root + "/res/assets/settings.xml");
        if (text)
            WriteFile("res/assets/settings.xml", text);
        TPlatform::SetConfig(str("utf8mode"), str("0"));
        TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
        EXPECT_EQ(Config("utf8mode"), "0") << (text ? text : "(no file)");
    }
}

TEST_F(ConfigTest, StatisticsHandlerChoice)
{
    struct Case
    {
        const char* glimmora;
        const char* postmetrics;
        const char* handler;
        bool upload;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, false},
        {"1", nullptr, "RegisterGlimmoraHandler", false},
        {nullptr, "1", "RegisterPostMetricsHandler", true},
        {"1", "1", "RegisterGlimmoraHandler", true},
        {"0", "0", nullptr, false},
    };
    for (const Case& c : cases)
    {
        TConfig::Map().clear();
        hooks.log.clear();
        if (c.glimmora)
            TPlatform::SetConfig(str("glimmora"), str(c.glimmora));
        if (c.postmetrics)
            TPlatform::SetConfig(str("postmetrics"), str(c.postmetrics));
        {
            TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
        }
        size_t handlers = hooks.Count("RegisterGlimmoraHandler") + hooks.Count("RegisterPostMetricsHandler");
        EXPECT_EQ(handlers, c.handler ? 1u : 0u);
        if (c.handler)
        {
            EXPECT_EQ(hooks.Count(c.handler), 1u);
        }
        EXPECT_EQ(hooks.Count("PostMetrics"), c.upload ? 1u : 0u);
        TFile::mGlimmora = false;
    }
}

TEST_F(ConfigTest, UserAndCommonStringTablesAreMergedByFileName)
{
    auto row = [](const char* label, const char* text)
    {
        return std::string("<Row><Cell><Data ss:Type=\"String\">") + label +
               "</Data></Cell><Cell><Data ss:Type=\"String\">" + text + "</Data></Cell></Row>";
    };
    WriteFile("res/assets/strings.xml", "<Workbook>" + row("BASE", "base") + "</Workbook>");
    WriteFile("user/strings_de.xml", "<Workbook>" + row("USERDE", "de") + "</Workbook>");
    WriteFile("user/stringsxml.txt", "<Workbook>" + row("NOTXML", "x") + "</Workbook>");
    WriteFile("user/mystrings.xml", "<Workbook>" + row("MINE", "x") + "</Workbook>");
    WriteFile("common/string.xml", "<Workbook>" + row("COMMON", "c") + "</Workbook>");
    TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
    TStringTable* table = platform.GetStringTable();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->HasLabel(str("BASE")));
    EXPECT_TRUE(table->HasLabel(str("USERDE")));
    EXPECT_TRUE(table->HasLabel(str("COMMON")));
    EXPECT_FALSE(table->HasLabel(str("NOTXML")));
    EXPECT_FALSE(table->HasLabel(str("MINE")));
    EXPECT_EQ(hooks.Count("EnableStringTable 1"), 1u);
}

TEST_F(ConfigTest, NoStringTableFileLeavesTheWindowManagerAlone)
{
    TPlatform platform(new TPlatformData(MakeBackend(), 0, nullptr, false));
    EXPECT_EQ(hooks.Count("EnableStringTable 1"), 0u);
}

}  // namespace
