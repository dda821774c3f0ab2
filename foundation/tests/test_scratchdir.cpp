// The shared scratch-folder helper of every module's tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <string>

#include "scratchdir.h"

namespace
{

bool HasCapitals(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// Sets TMPDIR for the scope and puts the old value back.
class TmpDirAs
{
public:
    explicit TmpDirAs(const std::string& value)
    {
        const char* old = std::getenv("TMPDIR");
        mHad = old != nullptr;
        if (old)
            mOld = old;
        setenv("TMPDIR", value.c_str(), 1);
    }
    ~TmpDirAs()
    {
        if (mHad)
            setenv("TMPDIR", mOld.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    bool mHad = false;
    std::string mOld;
};

TEST(ScratchDir, MadeFreshAndRemovedWithEverythingInIt)
{
    std::string kept;
    {
        TScratchDir a("qfscratch"), b("qfscratch");
        EXPECT_NE(a.Path(), b.Path());
        EXPECT_TRUE(std::filesystem::is_directory(a.Path()));
        a.Write("deep/in/file.txt", "bytes");
        EXPECT_EQ(a.Read("deep/in/file.txt"), "bytes");
        EXPECT_TRUE(a.Exists("deep/in"));
        kept = a.Path();
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

// A folder reached through a "::" name of the file layer is lower-cased on the way: the path
// must have no capitals, even where $TMPDIR has some.
TEST(ScratchDir, LowerCaseFoldersHaveNoCapitalsAnywhere)
{
    TScratchDir capitalised("QfCapitalTmp");
    ASSERT_TRUE(HasCapitals(capitalised.Path()));
    TmpDirAs tmp(capitalised.Path());
    for (int i = 0; i < 20; ++i)
    {
        TScratchDir lower("qflower", TScratchName::kLowerCase);
        EXPECT_FALSE(HasCapitals(lower.Path())) << lower.Path();
        EXPECT_TRUE(std::filesystem::is_directory(lower.Path()));
    }
    // Any case: $TMPDIR as it is.
    TScratchDir any("qfany");
    EXPECT_EQ(any.Path().rfind(capitalised.Path() + "/", 0), 0u) << any.Path();
    // A prefix with capitals cannot give a lower-case path.
    std::string error;
    EXPECT_EQ(MakeScratchFolder("Upper", &error, TScratchName::kLowerCase), "");
    EXPECT_NE(error, "");
}

}  // namespace
