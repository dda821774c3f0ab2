// The start-up's check of the game's data: every file every start reads must be readable, or the
// player is told in one line which folder was looked at and how to point the game elsewhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "foundation/file.h"
#include "gamedata.h"
#include "scratchdir.h"

using namespace Game;

namespace
{

struct DataCase
{
    const char* what;
    const char* damage;   // the required file to damage ("" for none)
    const char* how;      // "remove", "empty", "dangling link" or "folder"
    const char* culprit;  // the file the line must name ("" when the data is whole)
};

class GameDataCheck : public ::testing::TestWithParam<DataCase>
{
protected:
    void SetUp() override { setenv("ZESTKIT_RESOURCES_DIR", mDir.Path().c_str(), 1); }
    void TearDown() override { unsetenv("ZESTKIT_RESOURCES_DIR"); }

    void WriteWholeData()
    {
        for (const char* name : Frontend::kRequiredGameData)
            mDir.Write(std::string("assets/") + name, "<data/>");
    }

    TScratchDir mDir{"qfgamedata"};
};

TEST_P(GameDataCheck, NamesTheFolderAndTheVariableOrSaysNothing)
{
    const DataCase& c = GetParam();
    WriteWholeData();
    const std::string damaged = mDir / (std::string("assets/") + c.damage);
    if (*c.damage)
    {
        ASSERT_EQ(unlink(damaged.c_str()), 0);
        const std::string how = c.how;
        if (how == "empty")
            mDir.Write(std::string("assets/") + c.damage, "");
        else if (how == "dangling link")
            ASSERT_EQ(symlink((mDir / "nowhere").c_str(), damaged.c_str()), 0);
        else if (how == "folder")
            mDir.MakeDir(std::string("assets/") + c.damage);
    }

    const std::string line = Frontend::CheckGameData();
    if (!*c.culprit)
    {
        EXPECT_EQ(line, "");
    }
    else
    {
        EXPECT_EQ(line, "wombixomnivora: cannot read the game's data in " + mDir.Path() + "/assets (" +
                            c.culprit +
                            " is missing or unreadable); set ZESTKIT_RESOURCES_DIR to the folder that holds "
                            "the game's assets folder");
    }
    EXPECT_EQ(line.find('\n'), std::string::npos) << "one line";
    // The platform's own start-up finds the file layer as the check found it.
    EXPECT_TRUE(TFile::mResourceMap.empty());
    EXPECT_EQ(std::string(TFile::GetResourcesDir().c_str()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Data, GameDataCheck,
    ::testing::Values(DataCase{"whole", "", "", ""},
                      DataCase{"strings missing", "strings.xml", "remove", "strings.xml"},
                      DataCase{"strings a dangling link", "strings.xml", "dangling link", "strings.xml"},
                      DataCase{"strings a folder", "strings.xml", "folder", "strings.xml"},
                      DataCase{"image maps empty", "graphics/imagemaps.xml", "empty",
                               "graphics/imagemaps.xml"},
                      DataCase{"font missing", "fonts/default.mvec", "remove", "fonts/default.mvec"}),
    [](const ::testing::TestParamInfo<DataCase>& info)
    {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(GameDataCheckFolder, AFolderWithoutAssetsIsNamed)
{
    TScratchDir dir("qfgamedata");
    setenv("ZESTKIT_RESOURCES_DIR", (dir / "moved").c_str(), 1);
    const std::string line = Frontend::CheckGameData();
    unsetenv("ZESTKIT_RESOURCES_DIR");
    EXPECT_NE(line.find("in " + dir / "moved/assets (strings.xml"), std::string::npos) << line;
    EXPECT_NE(line.find("ZESTKIT_RESOURCES_DIR"), std::string::npos) << line;
}

}  // namespace
