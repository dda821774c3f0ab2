// Script tasks: protected runs, error texts, the state as a coroutine, toparams, DumpTable, and
// the handles on script values.
#include <cmath>

#include "bridge_fixture.h"

using namespace btest;

namespace
{

std::vector<std::string> gErrorMessages;
int RecordErrorMessage(lua_State* L)
{
    gErrorMessages.push_back(lua_tostring(L, 1) ? lua_tostring(L, 1) : "<none>");
    return 0;
}

}  // namespace

TEST_F(ScriptTest, StartsPausedWithOnlyTheThreeLibrariesAndItsGlobals)
{
    EXPECT_TRUE(script->IsPaused());
    EXPECT_EQ(G("string"), "<table>");
    EXPECT_EQ(G("table"), "<table>");
    EXPECT_EQ(G("io"), "<nil>");
    EXPECT_EQ(G("os"), "<nil>");
    EXPECT_EQ(G("_SCRIPT"), "<userdata>");
    EXPECT_EQ(G("_ALERT"), "<function>");
    EXPECT_EQ(G("DebugOut"), "<function>");
    EXPECT_EQ(G("DumpTable"), "<function>");
    EXPECT_EQ(TScript::FromState(L()), script.get());
}

TEST(ScriptAdopted, AnAdoptedStateGetsNoScriptGlobalButIsFoundNatively)
{
    lua_State* L = lua_open();
    {
        TScript script(L);
        EXPECT_EQ(Global(L, "_SCRIPT"), "<nil>");
        EXPECT_EQ(TScript::FromState(L), &script);
        EXPECT_EQ(Global(L, "toparams"), "<function>");
    }  // closes L
}

TEST_F(ScriptTest, ToparamsSpreadsTheElements)
{
    struct Case
    {
        const char* table;
        const char* expected;
    } cases[] = {
        {"{10, 20, 30}", "3:10,20,30,"}, {"{n = 2}", "2:nil,nil,"}, {"{}", "0:"},
        {"{1, nil, 3}", "3:1,nil,3,"},   {"{n = -4}", "0:"},        {"'text'", "0:"},
    };
    for (const auto& c : cases)
    {
        const std::string chunk =
            std::string("local function cap(...) return arg end local r = cap(toparams(") + c.table +
            ")) local n = r.n out = n .. ':' "
            "for i = 1, n do out = out .. tostring(r[i]) .. ',' end";
        ASSERT_EQ(Run(chunk), 0) << c.table;
        EXPECT_EQ(G("out"), c.expected) << c.table;
    }
}

TEST_F(ScriptTest, DumpTableStopsBelowIndentTenAndResetsTheAccumulator)
{
    ASSERT_EQ(Run("_accumulated_table_data = 'x' t = { a = { b = { c = { d = { e = { f = 1 } } } } } }"
                  "out = _Internal_DumpTable(t, 2) DumpTable(t)"),
              0);
    EXPECT_EQ(G("out"), "  a -> {\n    b -> {\n      c -> {\n        d -> {\n          e -> {\n"
                        "            ...\n          }\n        }\n      }\n    }\n  }\n");
    EXPECT_EQ(G("_accumulated_table_data"), "");
    ASSERT_EQ(Run("out = _Internal_DumpEntry('k', 5, 1)"), 0);
    EXPECT_EQ(G("out"), " k -> 5\n");
}

TEST_F(ScriptTest, ASyntaxErrorReachesLuaErrorMessageOnceWithTheParsingStage)
{
    gErrorMessages.clear();
    lua_register(L(), "LuaErrorMessage", &RecordErrorMessage);
    const int top = lua_gettop(L());
    EXPECT_NE(Run("x = = 1"), 0);
    ASSERT_EQ(gErrorMessages.size(), 1u);
    EXPECT_EQ(gErrorMessages[0].rfind("Lua Error: ", 0), 0u);
    EXPECT_NE(gErrorMessages[0].find("\n\twhen parsing"), std::string::npos);
    EXPECT_EQ(dbg.Count("DoLuaString Lua Error: "), 1);
    // The error value stays for the caller.
    EXPECT_EQ(lua_gettop(L()), top + 1);
}

TEST_F(ScriptTest, ARunTimeErrorIsWrittenByAlertAndNotHandedOn)
{
    gErrorMessages.clear();
    lua_register(L(), "LuaErrorMessage", &RecordErrorMessage);
    EXPECT_NE(Run("error('boom')"), 0);
    EXPECT_EQ(dbg.Count("Lua error: "), 1);
    EXPECT_EQ(dbg.Count("boom"), 1);
    EXPECT_TRUE(gErrorMessages.empty());
}

TEST_F(ScriptTest, AnAlertThatReturnsTheMessageHandsItOnWithTheRunningStage)
{
    gErrorMessages.clear();
    lua_register(L(), "LuaErrorMessage", &RecordErrorMessage);
    ASSERT_EQ(Run("_ALERT = function(m) return m end"), 0);
    EXPECT_NE(Run("error('late')"), 0);
    ASSERT_EQ(gErrorMessages.size(), 1u);
    EXPECT_NE(gErrorMessages[0].find("late"), std::string::npos);
    EXPECT_NE(gErrorMessages[0].find("\n\twhen running"), std::string::npos);
}

TEST_F(ScriptTest, AnErrorInsideLuaErrorMessageIsContained)
{
    ASSERT_EQ(Run("function LuaErrorMessage(m) error('handler fails') end"), 0);
    EXPECT_NE(Run("this is not script"), 0);
    EXPECT_EQ(dbg.Count("handler fails"), 1);
    // The state still works.
    EXPECT_EQ(Run("ok = 1"), 0);
    EXPECT_EQ(G("ok"), "1");
}

TEST_F(ScriptTest, TooManyResultsLineOnlyForTwoOrMoreResults)
{
    for (int results : {0, 1, 2, 3})
    {
        dbg.lines.clear();
        ASSERT_EQ(luaL_loadbuffer(L(), "error('x')", 10, "t"), 0);
        EXPECT_NE(script->RunFunction(0, results), 0);
        EXPECT_EQ(dbg.Count("TScript::RunFunction failure. Too many return results?"), results >= 2 ? 1 : 0)
            << results;
        lua_settop(L(), 0);
    }
}

TEST_F(ScriptTest, AChunkReturningAFunctionStartsTheCoroutineAndUnpausesTheTask)
{
    ASSERT_TRUE(script->IsPaused());
    ASSERT_EQ(Run("return function() step = 1 coroutine.yield() step = 2 coroutine.yield() step = 3 end"), 0);
    EXPECT_EQ(G("step"), "1");
    EXPECT_FALSE(script->IsPaused());
    EXPECT_TRUE(script->CoroutineActive());
    EXPECT_TRUE(script->Ready(TTask::kContextIdle));
    EXPECT_TRUE(script->DoTask());
    EXPECT_EQ(G("step"), "2");
    EXPECT_TRUE(script->DoTask());
    EXPECT_EQ(G("step"), "3");
    // Finished: the task pauses and stays.
    EXPECT_TRUE(script->IsPaused());
    EXPECT_FALSE(script->CoroutineActive());
    EXPECT_TRUE(script->DoTask());
    EXPECT_EQ(Run("after = 1"), 0);
    EXPECT_EQ(G("after"), "1");
}

TEST_F(ScriptTest, AFailingResumeIsWrittenAndPausesTheTask)
{
    ASSERT_EQ(Run("return function() coroutine.yield() error('in coroutine') end"), 0);
    ASSERT_TRUE(script->CoroutineActive());
    EXPECT_TRUE(script->DoTask());
    EXPECT_EQ(dbg.Count("lua_resume ERROR: "), 1);
    EXPECT_TRUE(script->IsPaused());
    EXPECT_FALSE(script->CoroutineActive());
    EXPECT_EQ(lua_gettop(L()), 0);
}

TEST_F(ScriptTest, ResumeOfAStateThatWaitsForNothingFailsWithoutRunningAnything)
{
    lua_pushstring(L(), "not a function");
    EXPECT_NE(script->Resume(0), 0);
    EXPECT_EQ(dbg.Count("lua_resume ERROR: cannot resume non-suspended coroutine"), 1);
}

TEST_F(ScriptTest, ACallWhileSuspendedIsInjectedWithAtMostSixArguments)
{
    // The base script calls an injected closure at once.
    ASSERT_EQ(Run("return function() coroutine.yield() end"), 0);
    ASSERT_TRUE(script->CoroutineActive());
    ASSERT_EQ(
        Run("function seven(a, b, c, d, e, f, g) got = table.getn({a, b, c, d, e, f, g}) .. tostring(g) end"),
        0);
    lua_pushstring(L(), "seven");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    for (int i = 1; i <= 7; i++)
        lua_pushnumber(L(), i);
    EXPECT_EQ(script->RunFunction(7, 0), 0);
    EXPECT_EQ(G("got"), "6nil");
    EXPECT_TRUE(script->CoroutineActive());
    EXPECT_EQ(G("GetClosure"), "<function>");
}

TEST_F(ScriptTest, ATableArgumentSurvivesTheCallEvenWhenScriptGlobalIsGone)
{
    static double firstElement = 0;
    struct Local
    {
        static void Take(TLuaTable* t) { firstElement = t->GetNumber(1, -1); }
    };
    LPCD::Register(L(), "Take", &Local::Take);
    ASSERT_EQ(Run("_SCRIPT = nil Take({42})"), 0);
    EXPECT_EQ(firstElement, 42);
    // Deferred, not deleted: it goes at the next entry into script code.
    EXPECT_EQ(script->DeferredTableCount(), 1u);
    ASSERT_EQ(Run("x = 1"), 0);
    EXPECT_EQ(script->DeferredTableCount(), 0u);
}

TEST(ScriptlessBinding, ATableArgumentOnAStateWithoutScriptDiesWithTheCall)
{
    lua_State* L = lua_open();
    luaopen_stdlibs(L);
    static int live = -1;
    struct Local
    {
        static void Take(TLuaTable* t) { live = TLuaObjectWrapper::LiveHandles(t->GetState()); }
    };
    LPCD::Register(L, "Take", &Local::Take);
    ASSERT_EQ(lua_dostring(L, "Take({1})"), 0);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(TLuaObjectWrapper::LiveHandles(L), 0);
    lua_close(L);
}

// ---- handles ----

TEST_F(ScriptTest, HandlesKeepTheirValuesIndependently)
{
    lua_pushnil(L());
    TLuaObjectWrapper nilHandle(L());
    nilHandle.Push();
    EXPECT_TRUE(lua_isnil(L(), -1));
    lua_pop(L(), 1);

    ASSERT_EQ(Run("shared = {1, 0.5, true, 'seven'}"), 0);
    lua_pushstring(L(), "shared");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    lua_pushvalue(L(), -1);
    auto* a = new TLuaTable(L());
    auto* b = new TLuaTable(L());
    ASSERT_EQ(Run("shared = nil collectgarbage()"), 0);
    delete a;
    ASSERT_EQ(Run("collectgarbage()"), 0);
    EXPECT_EQ(b->GetNumber(4, -1), 0);          // a string that is no number
    EXPECT_EQ(b->GetString(3, str("d")), "");   // a boolean: empty, not the default
    EXPECT_EQ(b->GetString(9, str("d")), "d");  // missing: the default
    EXPECT_EQ(b->GetString(1, str("d")), "1");
    EXPECT_EQ(b->GetTable(1), nullptr);  // a number
    const TColor c = b->GetColor(0, TColor(1, 1, 1, 1));
    EXPECT_EQ(c, TColor(1, 1, 1, 1));  // not a table: the default whole
    delete b;
    EXPECT_EQ(lua_gettop(L()), 0);
}

TEST_F(ScriptTest, GetColorFallsBackPerChannel)
{
    ASSERT_EQ(Run("t = { {1, 0.5} }"), 0);
    lua_pushstring(L(), "t");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    TLuaTable t(L());
    const TColor c = t.GetColor(1, TColor(1, 1, 1, 1));
    EXPECT_FLOAT_EQ(c.r, 1);
    EXPECT_FLOAT_EQ(c.g, 0.5f);
    EXPECT_FLOAT_EQ(c.b, 1);
    EXPECT_FLOAT_EQ(c.a, 1);
    EXPECT_EQ(TLuaObjectWrapper::LiveHandles(L()), 1);
}

TEST_F(ScriptTest, AMetamethodErrorInAHandleReadIsContained)
{
    ASSERT_EQ(Run("t = setmetatable({}, { __index = function() error('no reads') end })"), 0);
    lua_pushstring(L(), "t");
    lua_gettable(L(), LUA_GLOBALSINDEX);
    TLuaTable t(L());
    EXPECT_EQ(t.GetNumber(1, 7), 7);
    EXPECT_EQ(lua_gettop(L()), 0);
}

TEST(ScriptCode, IsAnAssetOfItsOwnClass)
{
    auto code = std::make_shared<TScriptCode>(str("x = 1"));
    EXPECT_TRUE(code->IsKindOf(TScriptCode::ClassId()));
    EXPECT_TRUE(code->IsKindOf(TAsset::ClassId()));
    EXPECT_STREQ(code->GetTypeName(), "TScriptCode");
    EXPECT_EQ(code->GetCode(), "x = 1");
}
