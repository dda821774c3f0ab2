// Window styles: the look-up through the window table and the default style chain, and the
// conversions of the typed getters.
#include <cmath>

#include "bridge_fixture.h"

using namespace btest;

class StyleTest : public ScriptTest
{
protected:
    // A style over the global table `name`.
    std::unique_ptr<TLuaTable> Table(const char* name)
    {
        lua_pushstring(L(), name);
        lua_gettable(L(), LUA_GLOBALSINDEX);
        return std::make_unique<TLuaTable>(L());
    }
};

TEST_F(StyleTest, LookUpOrderAndConversions)
{
    ASSERT_EQ(Run("base = { font = 'BaseFont', size = 9, deep = 'deep' }"
                  "gCurrentDefaultStyle = { parent = base, size = 12, colour = 'red' }"
                  "w = { parent = { onlyInOwnParent = 1 }, label = 5, visible = 0, name = 'win', "
                  "      flag = true, off = false, no = 'no', tbl = {}, nan = 0/0, fn = function() end }"),
              0);
    auto table = Table("w");
    TLuaWindowStyle style(table.get());
    const int top = lua_gettop(L());

    struct StringCase
    {
        const char* key;
        const char* expected;
    } strings[] = {
        {"font", "BaseFont"},  // the default style's parent
        {"size", "12"},        // the default style before its parent
        {"deep", "deep"},
        {"label", "5"},  // a number as text
        {"name", "win"},
        {"tbl", ""},                  // no string or number: empty, not the default
        {"onlyInOwnParent", "dflt"},  // the window table's own parent is not followed
        {"missing", "dflt"},
    };
    for (const auto& c : strings)
        EXPECT_EQ(style.GetString(str(c.key), str("dflt")), str(c.expected)) << c.key;

    EXPECT_EQ(style.GetNumber(str("size"), -1), 12);
    EXPECT_EQ(style.GetNumber(str("font"), -1), 0);
    EXPECT_EQ(style.GetNumber(str("missing"), -1), -1);

    struct BoolCase
    {
        const char* key;
        bool defaultValue;
        bool expected;
        int lines;
    } bools[] = {
        {"visible", true, false, 0}, {"flag", false, true, 0},     {"off", true, false, 0},
        {"nan", false, true, 0},     {"no", true, false, 1},       {"tbl", true, false, 1},
        {"missing", true, true, 0},  {"missing", false, false, 0},
    };
    for (const auto& c : bools)
    {
        dbg.lines.clear();
        EXPECT_EQ(style.GetBool(str(c.key), c.defaultValue), c.expected) << c.key;
        EXPECT_EQ(int(dbg.lines.size()), c.lines) << c.key;
    }
    dbg.lines.clear();
    style.GetBool(str("no"), true);
    ASSERT_EQ(dbg.lines.size(), 1u);
    EXPECT_EQ(dbg.lines[0], "PopBool used on lua string no");
    dbg.lines.clear();
    style.GetBool(str("tbl"), true);
    ASSERT_EQ(dbg.lines.size(), 1u);
    EXPECT_EQ(dbg.lines[0], "PopBool used on a type that isn't a number, a boolean, or nil. (type: 5)");

    std::unique_ptr<TLuaTable> font(style.GetTable(str("font")));
    ASSERT_NE(font, nullptr);  // a handle on the string
    font->Push();
    EXPECT_STREQ(lua_tostring(L(), -1), "BaseFont");
    lua_pop(L(), 1);
    EXPECT_EQ(style.GetTable(str("missing")), nullptr);
    std::unique_ptr<TLuaFunction> fn(style.GetFunction(str("fn")));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(style.GetFunction(str("missing")), nullptr);
    EXPECT_EQ(lua_gettop(L()), top);
}

TEST_F(StyleTest, AStyleThatIsNoTableReadsTheGlobalsFirst)
{
    ASSERT_EQ(Run("font = 'GlobalFont' gCurrentDefaultStyle = { size = 3 } nothing = nil"), 0);
    auto table = Table("nothing");
    TLuaWindowStyle style(table.get());
    EXPECT_EQ(style.GetString(str("font"), str("x")), "GlobalFont");
    EXPECT_EQ(style.GetNumber(str("size"), 0), 3);
}

TEST_F(StyleTest, ACyclicParentChainEndsUnfound)
{
    ASSERT_EQ(Run("a = {} b = { parent = a } a.parent = b gCurrentDefaultStyle = a w = {}"), 0);
    auto table = Table("w");
    TLuaWindowStyle style(table.get());
    EXPECT_EQ(style.GetString(str("anything"), str("none")), "none");
    // The script-side twin is bounded too.
    ASSERT_EQ(Run("r = GetTag == nil"), 0);
}

TEST_F(StyleTest, ALongChainIsCutAfterThirtyTwoLinks)
{
    ASSERT_EQ(
        Run("s = { deep = 'found' } for i = 1, 40 do s = { parent = s } end gCurrentDefaultStyle = s w = {}"
            "near = { near = 'yes' } for i = 1, 20 do near = { parent = near } end"),
        0);
    auto table = Table("w");
    TLuaWindowStyle style(table.get());
    EXPECT_EQ(style.GetString(str("deep"), str("no")), "no");
    ASSERT_EQ(Run("gCurrentDefaultStyle = near"), 0);
    EXPECT_EQ(style.GetString(str("near"), str("no")), "yes");
}

TEST(DialogClass, IsKindOfModalAndWindow)
{
    EXPECT_TRUE(TDialog::IsKindOf(TDialog::ClassId()));
    EXPECT_TRUE(TDialog::IsKindOf(TModalWindow::ClassId()));
    EXPECT_TRUE(TDialog::IsKindOf(TWindow::ClassId()));
    EXPECT_FALSE(TDialog::IsKindOf(TScreen::ClassId()));
}
