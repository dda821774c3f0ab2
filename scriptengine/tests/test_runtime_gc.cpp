// Collector: weak tables, finalisers, thread shrinking; allocation failure at every allocation.
#include <map>
#include <string>

#include "gc.h"
#include "state.h"
#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

TEST_F(RuntimeTest, WeakTablesLoseUnreachableEntriesButKeepText) {
  ok("wk = setmetatable({}, {__mode = 'k'}) wv = setmetatable({}, {__mode = 'v'}) "
     "local keep = {} wk[keep] = 1 wk[{}] = 2 wk['text'] = 3 "
     "wv[1] = {} wv[2] = keep wv[3] = 'text' wv.x = {} "
     "kept = keep");
  lua_setgcthreshold(L, 0);
  ok("local n = 0 for k, v in pairs(wk) do n = n + 1 end assert(n == 2, n) "
     "assert(wk[kept] == 1 and wk.text == 3) "
     "assert(wv[1] == nil and wv[2] == kept and wv[3] == 'text' and wv.x == nil)");
}

TEST_F(RuntimeTest, FinalisersRunOnceForUnreachableUserdata) {
  ok("collected = {}");
  lua_pushstring(L, "makeud");
  lua_pushcfunction(L, [](lua_State* L1) -> int {
    lua_newuserdata(L1, 4);
    lua_pushvalue(L1, 1);  // metatable given as the argument
    lua_setmetatable(L1, -2);
    return 1;
  });
  lua_settable(L, LUA_GLOBALSINDEX);
  ok("local mt = {__gc = function(u) table.insert(collected, u) end} "
     "for i = 1, 3 do makeud(mt) end kept = makeud(mt)");
  lua_setgcthreshold(L, 0);
  ok("assert(table.getn(collected) == 3, table.getn(collected))");
  // resurrected userdata are not finalised again
  ok("resurrected = collected collected = {}");
  lua_setgcthreshold(L, 0);
  ok("assert(table.getn(collected) == 0)");
  ok("resurrected = nil");
  lua_setgcthreshold(L, 0);
  ok("assert(table.getn(collected) == 0)");
}

static int gFinalised;

TEST(RuntimeClose, CloseRunsEveryFinaliserEvenWhenSomeRaise) {
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_stdlibs(L);
  gFinalised = 0;
  lua_pushstring(L, "count");
  lua_pushcfunction(L, [](lua_State*) -> int {
    gFinalised++;
    return 0;
  });
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, "makeud");
  lua_pushcfunction(L, [](lua_State* L1) -> int {
    lua_newuserdata(L1, 4);
    lua_pushvalue(L1, 1);
    lua_setmetatable(L1, -2);
    return 1;
  });
  lua_settable(L, LUA_GLOBALSINDEX);
  ASSERT_EQ(rt::run(L, "local bad = {__gc = function() count() error('fails') end} "
                       "local good = {__gc = function() count() end} "
                       "keep = {makeud(bad), makeud(good), makeud(bad), makeud(good)}"),
            0);
  lua_close(L);
  EXPECT_EQ(gFinalised, 4);
}

TEST_F(RuntimeTest, CollectionShrinksThreadStacksAndCallArrays) {
  ok("local function deep(n) if n == 0 then return 0 end return 1 + deep(n - 1) end deep(2000)");
  int before = L->stacksize;
  lua_setgcthreshold(L, 0);
  lua_setgcthreshold(L, 0);
  EXPECT_LT(L->stacksize, before);
  EXPECT_LE(L->size_ci, 2048);
  ok("assert(true)");
}

TEST_F(RuntimeTest, StressedCollectionsKeepEverythingReachable) {
  int saved = G(L)->gcstress;
  G(L)->gcstress = 1;
  ok("local t = {} for i = 1, 200 do t[i] = {i, tostring(i) .. 'x', L\"w\" .. i} end "
     "local s = 0 for i, v in ipairs(t) do s = s + v[1] end assert(s == 20100) "
     "local co = coroutine.wrap(function() for i = 1, 10 do coroutine.yield({i}) end end) "
     "for i = 1, 10 do assert(co()[1] == i) end "
     "local parts = {} for i = 1, 100 do parts[i] = i .. '' end assert(table.concat(parts) ~= '')");
  G(L)->gcstress = saved;
}

// ---- allocation failure ----

struct FailingAllocator {
  long countdown = -1;  // fail the allocation that brings it to 0; -1: never
  long allocations = 0;
  long failures = 0;
  std::map<void*, size_t> live;
};

static FailingAllocator* gAlloc;

static void* failingAlloc(void*, void* block, size_t oldsize, size_t newsize, int, unsigned) {
  FailingAllocator* a = gAlloc;
  if (newsize == 0) {
    if (block) a->live.erase(block);
    free(block);
    return nullptr;
  }
  if (newsize > oldsize || block == nullptr) {
    a->allocations++;
    if (a->countdown > 0 && --a->countdown == 0) {
      a->failures++;
      return nullptr;
    }
  }
  void* nb = realloc(block, newsize);
  if (nb) {
    if (block) a->live.erase(block);
    a->live[nb] = newsize;
  }
  return nb;
}

class AllocFailureTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved = luaHelper_defaultAlloc;
    gAlloc = &alloc;
    luaHelper_defaultAlloc = failingAlloc;
  }
  void TearDown() override { luaHelper_defaultAlloc = saved; }
  lua_Alloc saved;
  FailingAllocator alloc;
};

TEST_F(AllocFailureTest, OpenFailsCleanlyAtEveryAllocation) {
  alloc.countdown = -1;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  long total = alloc.allocations;
  lua_close(L);
  EXPECT_TRUE(alloc.live.empty());
  for (long n = 1; n <= total; n++) {
    alloc = FailingAllocator();
    alloc.countdown = n;
    lua_State* L2 = lua_open();
    EXPECT_EQ(L2, nullptr) << "allocation " << n;
    if (L2) lua_close(L2);
    EXPECT_TRUE(alloc.live.empty()) << "leak after failing allocation " << n;
  }
}

static const char* kWorkload =
    "local t = {} for i = 1, 40 do t[i] = {i, 'k' .. i, L\"w\" .. i} end "
    "local s = '' for i = 1, 20 do s = s .. i end "
    "local co = coroutine.create(function(a) local b = coroutine.yield(a + 1) return {b} end) "
    "coroutine.resume(co, 1) coroutine.resume(co, 2) "
    "local mt = setmetatable({}, {__index = function(t, k) return k end}) local x = mt.field "
    "return table.getn(t)";

TEST_F(AllocFailureTest, RunFailsWithStatus4AtEveryAllocation) {
  alloc.countdown = -1;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_stdlibs(L);
  long before = alloc.allocations;
  ASSERT_EQ(rt::run(L, kWorkload), 0);
  long perRun = alloc.allocations - before;
  lua_close(L);
  ASSERT_GT(perRun, 10);
  int memErrors = 0;
  for (long n = 1; n <= perRun + 5; n++) {
    alloc = FailingAllocator();
    lua_State* L2 = lua_open();
    ASSERT_NE(L2, nullptr);
    luaopen_stdlibs(L2);
    lua_settop(L2, 0);
    alloc.countdown = n;
    int status = rt::load(L2, kWorkload);
    if (status == 0) status = lua_pcall(L2, 0, 0, 0);
    if (status != 0) {
      EXPECT_EQ(status, LUA_ERRMEM) << "allocation " << n << ": " << (lua_tostring(L2, -1) ? lua_tostring(L2, -1) : "");
      EXPECT_STREQ(lua_tostring(L2, -1), "not enough memory");
      memErrors++;
    }
    alloc.countdown = -1;
    // the interpreter stays usable after the failure
    EXPECT_EQ(rt::run(L2, "local t = {1, 2, 3} return t[3]"), 0);
    lua_close(L2);
    EXPECT_TRUE(alloc.live.empty()) << "leak after failing allocation " << n;
  }
  EXPECT_GT(memErrors, perRun / 2);
}

}  // namespace

// ---- finalisers under the stress mode ----

static int gStressFinalised;

// Checks its argument against the registry's metatable as native code does before trusting a
// box; pushing the key is an allocation check point, so a collection may start in here.
static int countFinalised(lua_State* L1) {
  lua_getmetatable(L1, 1);
  lua_pushstring(L1, "countedMeta");
  lua_rawget(L1, LUA_REGISTRYINDEX);
  if (lua_rawequal(L1, -1, -2)) gStressFinalised++;
  lua_pop(L1, 2);
  return 0;
}

static int gStressMade;

// A userdata whose metatable comes from the registry, the way native code boxes its objects.
static int makeCounted(lua_State* L1) {
  gStressMade++;
  lua_newuserdata(L1, sizeof(void*));
  lua_pushstring(L1, "countedMeta");
  lua_rawget(L1, LUA_REGISTRYINDEX);
  lua_setmetatable(L1, -2);
  return 1;
}

// The registry's "countedMeta" and the global "make"; resets both counters.
static void installCounted(lua_State* L) {
  lua_pushstring(L, "countedMeta");
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  lua_pushcfunction(L, countFinalised);
  lua_rawset(L, -3);
  lua_rawset(L, LUA_REGISTRYINDEX);
  lua_pushstring(L, "make");
  lua_pushcfunction(L, makeCounted);
  lua_settable(L, LUA_GLOBALSINDEX);
  gStressFinalised = 0;
  gStressMade = 0;
}

TEST_F(RuntimeTest, StressedCollectionsFinaliseEveryUnreachableUserdata) {
  installCounted(L);
  int saved = G(L)->gcstress;
  G(L)->gcstress = 1;
  ok("queue = {} for i = 1, 300 do table.insert(queue, make()) end "
     "for i = 1, 100 do table.remove(queue) end");
  ok("queue = nil collectgarbage()");
  EXPECT_EQ(gStressFinalised, 300);
  // Userdata made by finalisers while the collector's finalisers run are finalised too.
  gStressFinalised = 0;
  lua_pushstring(L, "makeud");
  lua_pushcfunction(L, [](lua_State* L1) -> int {
    lua_newuserdata(L1, 4);
    lua_pushvalue(L1, 1);  // metatable given as the argument
    lua_setmetatable(L1, -2);
    return 1;
  });
  lua_settable(L, LUA_GLOBALSINDEX);
  ok("local chain = {__gc = function() make() end} for i = 1, 50 do makeud(chain) end");
  ok("collectgarbage() collectgarbage()");
  G(L)->gcstress = saved;
  EXPECT_EQ(gStressFinalised, 50);
}

// Calls f through n nested native calls.
static int nestCalls(lua_State* L1) {
  int n = static_cast<int>(lua_tonumber(L1, 1));
  if (n <= 0) {
    lua_pushvalue(L1, 2);
    lua_call(L1, 0, 0);
    return 0;
  }
  lua_pushcfunction(L1, nestCalls);
  lua_pushnumber(L1, n - 1);
  lua_pushvalue(L1, 2);
  lua_call(L1, 2, 0);
  return 0;
}

TEST_F(RuntimeTest, FinalisersPendingAtTheNativeCallLimitRunLater) {
  installCounted(L);
  lua_pushstring(L, "nest");
  lua_pushcfunction(L, nestCalls);
  lua_settable(L, LUA_GLOBALSINDEX);
  // Makes a box and drops it before the next allocation check, so that collection finds it
  // unreachable right at this depth.
  lua_pushstring(L, "makeDropped");
  lua_pushcfunction(L, [](lua_State* L1) -> int {
    makeCounted(L1);
    lua_pop(L1, 1);
    lua_pushstring(L1, "check point");
    return 0;
  });
  lua_settable(L, LUA_GLOBALSINDEX);
  int saved = G(L)->gcstress;
  G(L)->gcstress = 1;
  // A collection at every depth up to past the limit, each with a box waiting to be finalised;
  // the calls that overflow fail, but no box may lose its finaliser.
  ok("for depth = 150, 210 do "
     "pcall(nest, depth, makeDropped) end");
  ok("collectgarbage() collectgarbage()");
  G(L)->gcstress = saved;
  EXPECT_GT(gStressMade, 0);
  EXPECT_EQ(gStressFinalised, gStressMade);
}
