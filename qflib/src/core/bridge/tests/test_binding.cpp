// Binding of native functions: argument and result conversions per signature.
#include <cmath>

#include "bridge_fixture.h"

using namespace btest;

namespace
{

struct Recorder
{
    std::string s1, s2, s3;
    int i1 = -99, i2 = -99;
    float f = -1;
    bool b = false;
    int calls = 0;

    void Position(str name, int x, int y)
    {
        s1 = name.c_str();
        i1 = x;
        i2 = y;
        calls++;
    }
    str Three(str a, str b, str c)
    {
        s1 = a.c_str();
        s2 = b.c_str();
        s3 = c.c_str();
        return a + b + c;
    }
    void Flag(bool value)
    {
        b = value;
        calls++;
    }
    void Number(int value) { i1 = value; }
    void Scale(str, str, float value) { f = value; }
    unsigned Big() { return 4294967295u; }
    bool Yes() const { return true; }
    int Own(lua_State* L)
    {
        lua_pushnumber(L, lua_gettop(L));
        lua_pushstring(L, "own");
        return 2;
    }
};

std::string gLast;
void FreeText(str text)
{
    gLast = text.c_str();
}
str FreeJoin(str a, str b)
{
    return a + str("|") + b;
}

}  // namespace

class BindingTest : public ScriptTest
{
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        LPCD::Register(L(), "SetPosition", &rec, &Recorder::Position);
        LPCD::Register(L(), "Three", &rec, &Recorder::Three);
        LPCD::Register(L(), "Flag", &rec, &Recorder::Flag);
        LPCD::Register(L(), "Number", &rec, &Recorder::Number);
        LPCD::Register(L(), "Scale", &rec, &Recorder::Scale);
        LPCD::Register(L(), "Big", &rec, &Recorder::Big);
        LPCD::Register(L(), "Yes", &rec, &Recorder::Yes);
        LPCD::RegisterStateMember(L(), "Own", &rec, &Recorder::Own);
        LPCD::Register(L(), "FreeText", &FreeText);
        LPCD::Register(L(), "FreeJoin", &FreeJoin);
    }
    Recorder rec;
};

TEST_F(BindingTest, IntegersAreTruncatedTowardZero)
{
    ASSERT_EQ(Run("SetPosition('x', 10.9, -3.7)"), 0);
    EXPECT_EQ(rec.s1, "x");
    EXPECT_EQ(rec.i1, 10);
    EXPECT_EQ(rec.i2, -3);
}

TEST_F(BindingTest, ArgumentConversionsTable)
{
    struct Case
    {
        const char* call;
        const char* field;
        std::string expected;
    } cases[] = {
        {"Three({}, 12, nil)", "s", "|12|"},
        {"Three('a', true, 1.5)", "s", "a||1.5"},
        {"Three(1e15, 'b', 'c')", "s", "1e+15|b|c"},
        {"Flag(0)", "b", "1"},
        {"Flag('')", "b", "1"},
        {"Flag(false)", "b", "0"},
        {"Flag(nil)", "b", "0"},
        {"Flag()", "b", "0"},
        {"Number(0/0)", "i", "0"},
        {"Number(1e300)", "i", "2147483647"},
        {"Number(-1e300)", "i", "-2147483648"},
        {"Number('42')", "i", "42"},
        {"Number({})", "i", "0"},
        {"Scale('a', 'b', 0.25)", "f", "0.25"},
    };
    for (const auto& c : cases)
    {
        ASSERT_EQ(Run(c.call), 0) << c.call;
        std::string got;
        if (std::string(c.field) == "s")
            got = rec.s1 + "|" + rec.s2 + "|" + rec.s3;
        else if (std::string(c.field) == "b")
            got = rec.b ? "1" : "0";
        else if (std::string(c.field) == "i")
            got = std::to_string(rec.i1);
        else
        {
            char buf[32];
            snprintf(buf, sizeof buf, "%g", rec.f);
            got = buf;
        }
        EXPECT_EQ(got, c.expected) << c.call;
    }
}

TEST_F(BindingTest, ResultsAndExtraArguments)
{
    ASSERT_EQ(Run("r1 = Three('a', 'b', 'c', 'ignored', 'too') r2 = Big() r3 = Yes() "
                  "r4, r5 = Own(1, 2, 3) FreeText(7) r6 = FreeJoin('x')"),
              0);
    EXPECT_EQ(G("r1"), "abc");
    EXPECT_EQ(G("r2"), "4294967295");
    EXPECT_EQ(G("r3"), "true");
    EXPECT_EQ(G("r4"), "3");
    EXPECT_EQ(G("r5"), "own");
    EXPECT_EQ(gLast, "7");
    EXPECT_EQ(G("r6"), "x|");
}

TEST_F(BindingTest, ATableHandleIsDeletedAtTheNextEntryEvenInsideTheCall)
{
    static TScript* owner = nullptr;
    static std::vector<double> seen;
    owner = script.get();
    seen.clear();
    struct Local
    {
        static void Nested(TLuaTable* t)
        {
            seen.push_back(t->GetNumber(1, -1));
            // A nested entry into script code deletes the handles deferred so far.
            lua_State* L = owner->GetState();
            lua_pushstring(L, "Inner");
            lua_gettable(L, LUA_GLOBALSINDEX);
            owner->RunFunction(0, 0);
            seen.push_back(double(owner->DeferredTableCount()));
        }
    };
    LPCD::Register(L(), "Nested", &Local::Nested);
    ASSERT_EQ(Run("function Inner() end Nested({5})"), 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], 5);
    EXPECT_EQ(seen[1], 0);
}
