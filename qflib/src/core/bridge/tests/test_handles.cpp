// Handles and finalisers against hostile scripts: handles made inside coroutines that are
// collected later, finalisers that raise during collections native code starts, the protected
// message metatable, and the report of handles still alive when an interpreter closes.
#include "test_widget_fixture.h"

using namespace btest;

namespace
{

// The allocator a test's failing allocator hands the allocations it lets through to.
lua_Alloc TestDefaultAlloc = nullptr;

// A coroutine that makes a handle through a bound call, then is dropped and collected, so that
// only the handle still refers to anything it ran on.
std::string InCollectedCoroutine(const std::string& body)
{
    return "local co = coroutine.create(function() " + body +
           " end) "
           "local ok, e = coroutine.resume(co) gResumeError = e "
           "co = nil collectgarbage() collectgarbage()";
}

}  // namespace

namespace wtest
{

using HandleTest = WidgetTest;

TEST_F(HandleTest, ACommandSetInsideACollectedCoroutineRunsOnPress)
{
    StartWaiting();
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'b', w = 10, h = 10 } }"));
    TButton* button = Find<TButton>("b");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(Run(InCollectedCoroutine("SetCommand('b', function() gRan = GetButtonName() end)")));
    EXPECT_EQ(G("gResumeError"), "<nil>");
    button->PressButton();
    EXPECT_EQ(G("gRan"), "b");
}

TEST_F(HandleTest, ATableArgumentMadeInsideACollectedCoroutineIsDeletedLater)
{
    ASSERT_TRUE(Run(InCollectedCoroutine("FillRect({0, 0, 4, 4}, {1, 1, 1, 1}) PostCreate({}, 'x')")));
    EXPECT_EQ(G("gResumeError"), "<nil>");
    // The next entry into script code deletes the handles the calls left behind.
    ASSERT_TRUE(Run("gAfter = 1"));
    EXPECT_EQ(script->DeferredTableCount(), 0u);
    EXPECT_EQ(G("gAfter"), "1");
}

TEST_F(HandleTest, AMessagePostedInsideACollectedCoroutineIsDelivered)
{
    StartWaiting();
    ASSERT_TRUE(Run(InCollectedCoroutine("PostMessage(CreateNamedMessage(1001, 'late'))")));
    EXPECT_EQ(G("gResumeError"), "<nil>");
    for (int i = 0; i < 4 && G("gLastName") != "late"; i++)
        Pump();
    EXPECT_EQ(G("gLastName"), "late");
    EXPECT_EQ(G("gLastType"), "1001");
}

// The press assigns "GetButtonName" as a script assigns a global: a "__newindex" on the
// globals table sees it (here one that keeps every new global in a table of its own), and one
// that raises has its error written while the command still runs and nothing escapes.
TEST_F(HandleTest, APressAssignsGetButtonNameThroughTheGlobalsNewindex)
{
    StartWaiting();
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'g', w = 10, h = 10, command = function() "
                    "gRan = (gRan or 0) + 1 gName = GetButtonName and GetButtonName() end } }"));
    TButton* button = Find<TButton>("g");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(Run("gShadow = {} gAssignments = 0 "
                    "setmetatable(_G, { __index = gShadow, __newindex = function(t, k, v) "
                    "if k == 'GetButtonName' then rawset(t, 'gAssignments', gAssignments + 1) gShadow[k] = v "
                    "else rawset(t, k, v) end end })"));
    button->PressButton();
    EXPECT_EQ(G("gAssignments"), "1");
    EXPECT_EQ(G("gName"), "g");
    EXPECT_EQ(G("gRan"), "1");
    lua_pushstring(L(), "GetButtonName");
    lua_rawget(L(), LUA_GLOBALSINDEX);
    EXPECT_TRUE(lua_isnil(L(), -1)) << "kept where the script's handler put it";
    lua_pop(L(), 1);

    // A guard that refuses the name: the error is written once, the command runs, and the
    // name stays unset.
    ASSERT_TRUE(Run("gShadow.GetButtonName = nil setmetatable(_G, { __newindex = function(t, k, v) "
                    "if k == 'GetButtonName' then error('refused: ' .. k) end rawset(t, k, v) end })"));
    dbg.lines.clear();
    button->PressButton();
    EXPECT_EQ(dbg.Count("refused: GetButtonName"), 1);
    EXPECT_EQ(G("gRan"), "2");
    EXPECT_EQ(G("GetButtonName"), "<nil>");
}

std::unique_ptr<TLuaTable> gKept;

TEST_F(HandleTest, HandlesMadeOnAnyThreadHoldTheMainThread)
{
    lua_register(L(), "Keep",
                 [](lua_State* L) -> int
                 {
                     lua_settop(L, 1);
                     gKept.reset(new TLuaTable(L));
                     return 0;
                 });
    ASSERT_TRUE(Run(InCollectedCoroutine("Keep({7})")));
    ASSERT_NE(gKept, nullptr);
    EXPECT_EQ(gKept->GetState(), L());
    EXPECT_EQ(gKept->GetNumber(1, 0), 7);
    gKept.reset();
}

}  // namespace wtest

namespace
{

// Kept in a global until DropGlobal, so that no collection inside the chunk (the collector's
// stress mode collects at every allocation) can finalise it early.
const char kRaisingFinaliser[] =
    "gP = newproxy(true) getmetatable(gP).__gc = function() error('finaliser fails') end";

// Clears a global from native code without allocating (so without collecting).
void DropGlobal(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_pushnil(L);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

TEST(FinaliserTest, ARaisingFinaliserCannotStopTheWindowScriptsTearDown)
{
    DbgCapture dbg;
    auto script = std::make_unique<TLuaWindowScript>(nullptr);
    ASSERT_TRUE(script->RunChunk(str(kRaisingFinaliser), str("test")));
    DropGlobal(script->GetState(), "gP");
    script.reset();  // collects before closing
    EXPECT_EQ(dbg.Count("finaliser fails"), 1);
}

class ImplicitCollectionTest : public ScriptTest
{
};

// Native calls that allocate may start a collection outside any protected call.
TEST_F(ImplicitCollectionTest, AFinaliserThatRaisesOutsideAnyCallBecomesADebugLine)
{
    struct Case
    {
        const char* what;
        void (*allocate)(lua_State* L);
    };
    const Case cases[] = {
        {"table", [](lua_State* L) { lua_newtable(L); }},
        {"userdata", [](lua_State* L) { lua_newuserdata(L, 8); }},
        {"threshold", [](lua_State* L) { lua_setgcthreshold(L, 0); }},
    };
    for (const Case& c : cases)
    {
        dbg.lines.clear();
        ASSERT_EQ(Run(kRaisingFinaliser), 0) << c.what;
        ASSERT_EQ(Run("gFinalised = 0 gKeep = {} for i = 1, 3 do local p = newproxy(true) "
                      "getmetatable(p).__gc = function() gFinalised = gFinalised + 1 end gKeep[i] = p end"),
                  0);
        DropGlobal(L(), "gP");
        DropGlobal(L(), "gKeep");
        // Allocate from native code until a collection has run the finalisers.
        const int top = lua_gettop(L());
        for (int i = 0; i < 1000000 && dbg.Count("finaliser fails") == 0; i++)
        {
            c.allocate(L());
            lua_settop(L(), top);
        }
        EXPECT_EQ(dbg.Count("Lua error: "), 1) << c.what;
        EXPECT_EQ(dbg.Count("finaliser fails"), 1) << c.what;
        // The finalisers behind the failing one still run.
        ASSERT_EQ(Run("collectgarbage() gCount = gFinalised gFinalised = 0"), 0);
        EXPECT_EQ(G("gCount"), "3") << c.what;
    }
}

TEST_F(ImplicitCollectionTest, ACollectionByTheBridgeWritesEachFailureAndRunsTheRest)
{
    ASSERT_EQ(
        Run("gFinalised = 0 gKeep = {} for i = 1, 3 do local p = newproxy(true) "
            "getmetatable(p).__gc = function() gFinalised = gFinalised + 1 error('fails ' .. gFinalised) end "
            "gKeep[i] = p end"),
        0);
    DropGlobal(L(), "gKeep");
    lua_pushnumber(L(), 5);
    LuaBridge::CollectGarbage(L());
    EXPECT_EQ(lua_gettop(L()), 1);
    lua_settop(L(), 0);
    EXPECT_EQ(G("gFinalised"), "3");
    EXPECT_EQ(dbg.Count("Lua error in a finaliser: "), 3);
}

class MessageMetatableTest : public ScriptTest
{
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        CreateMessageMetatable(L());
        LPCD::Register(L(), "CreateNamedMessage", &CreateNamedMessage);
    }
};

TEST_F(MessageMetatableTest, ScriptsCanNeitherReadNorChangeIt)
{
    ASSERT_EQ(Run("m = CreateNamedMessage(4, 'four') mt = getmetatable(m)"), 0);
    EXPECT_EQ(G("mt"), "message");
    // Whether or not an attack raises, it reaches no message.
    const char* attacks[] = {
        "getmetatable(m).__index = function() return 'forged' end",
        "getmetatable(m).__gc = function() end",
        "setmetatable(m, {})",
        "local mt = getmetatable(m) rawset(mt, '__index', function() return 'forged' end)",
    };
    for (const char* attack : attacks)
        Run(attack);
    ASSERT_EQ(Run("mt = getmetatable(m)"), 0);
    EXPECT_EQ(G("mt"), "message");
    ASSERT_EQ(Run("t = m.type n = m.name"), 0);
    EXPECT_EQ(G("t"), "4");
    EXPECT_EQ(G("n"), "four");
    // A message boxed by native code later still reads through the same metatable.
    lua_pushstring(L(), "s");
    LPCD::Push(L(), new TMessage(9, str("system")));
    lua_rawset(L(), LUA_GLOBALSINDEX);
    ASSERT_EQ(Run("st = s.type"), 0);
    EXPECT_EQ(G("st"), "9");
}

// A message handed to a script is deleted exactly once, also when boxing it runs out of memory
// (the box, or on a first use the message metatable, cannot be made).
TEST(MessageBoxTest, AMessageWhoseBoxCannotBeMadeIsDeletedOnce)
{
    struct CountedMessage : TMessage
    {
        explicit CountedMessage(int* deleted) : TMessage(7, str("counted")), deleted(deleted) {}
        ~CountedMessage() override { ++*deleted; }
        int* deleted;
    };
    // Fails every allocation once `allowed` more have been made (negative: never fails).
    static int allowed = -1;
    auto failing = [](void* ud, void* block, size_t oldsize, size_t newsize, int zero, unsigned hint) -> void*
    {
        if (newsize > oldsize && allowed >= 0 && allowed-- == 0)
        {
            allowed = 0;
            return nullptr;
        }
        return TestDefaultAlloc(ud, block, oldsize, newsize, zero, hint);
    };
    bool sawFailure = false, sawSuccess = false;
    for (int budget = 0; budget < 12; ++budget)
    {
        int deleted = 0;
        const lua_Alloc previous = luaHelper_defaultAlloc;
        TestDefaultAlloc = previous;
        luaHelper_defaultAlloc = failing;
        auto script = std::make_unique<TScript>(nullptr);
        luaHelper_defaultAlloc = previous;
        lua_State* L = script->GetState();
        lua_pushlightuserdata(L, &deleted);
        lua_pushcclosure(
            L,
            [](lua_State* L) -> int
            {
                int* count = static_cast<int*>(lua_touserdata(L, lua_upvalueindex(1)));
                LPCD::Push(L, new CountedMessage(count));
                return 1;
            },
            1);
        allowed = budget;
        const int status = lua_pcall(L, 0, 1, 0);
        allowed = -1;
        (status == 0 ? sawSuccess : sawFailure) = true;
        EXPECT_EQ(deleted, status == 0 ? 0 : 1) << "budget " << budget;
        script.reset();  // a boxed message goes with its box
        EXPECT_EQ(deleted, 1) << "budget " << budget;
    }
    EXPECT_TRUE(sawFailure);
    EXPECT_TRUE(sawSuccess);
}

// Handles still alive when their interpreter closes are reported with the script lines that made
// them (builds with assertions only).
TEST(HandleLeakTest, HandlesAliveAtCloseAreReportedWithWhereTheyWereMade)
{
    static std::vector<std::unique_ptr<TLuaTable>> leaked;
    DbgCapture dbg;
    auto script = std::make_unique<TScript>(nullptr);
    lua_register(script->GetState(), "Leak",
                 [](lua_State* L) -> int
                 {
                     lua_settop(L, 1);
                     leaked.emplace_back(new TLuaTable(L));
                     return 0;
                 });
    ASSERT_EQ(script->DoLuaString(str("Leak({})\nLeak({})\n\nLeak({})")), 0);
    ASSERT_EQ(TLuaObjectWrapper::LiveHandles(script->GetState()), 3);
    script.reset();
    for (const auto& handle : leaked)
        EXPECT_TRUE(handle->IsDetached());
    leaked.clear();
#ifndef NDEBUG
    EXPECT_EQ(dbg.Count("3 script handle(s) still alive"), 1);
    EXPECT_EQ(dbg.Count("1 made at "), 3);
    for (const char* line : {"\"]:1", "\"]:2", "\"]:4"})
        EXPECT_EQ(dbg.Count(line), 1) << line;
#else
    EXPECT_EQ(dbg.Count("still alive"), 0);
#endif
}

}  // namespace
