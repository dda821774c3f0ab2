// Calls, limits, protected calls, coroutines, hooks and the debug queries.
#include <string>
#include <vector>

#include "state.h"
#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

TEST_F(RuntimeTest, DeepRecursionRaisesStackOverflowAndTheCallArrayShrinksBack) {
  std::string err = error("local function f() return 1 + f() end f()");
  EXPECT_NE(err.find("stack overflow"), std::string::npos) << err;
  EXPECT_LE(L->size_ci, 4096);
  // the state is usable afterwards and the limit is restored
  ok("local function g(n) if n == 0 then return 0 end return 1 + g(n - 1) end assert(g(3000) == 3000)");
  EXPECT_EQ(L->stack_last, L->stack + L->stacksize - 6);
}

TEST_F(RuntimeTest, NativeCallNestingIsLimited) {
  std::string err = error("local t = setmetatable({}, {__index = function(t, k) return t[k] end}) local x = t.y");
  EXPECT_NE(err.find("C stack overflow"), std::string::npos) << err;
  EXPECT_EQ(L->nCcalls, 0);
  ok("assert(1 + 1 == 2)");
}

static int failingHandler(lua_State* L) {
  lua_pushstring(L, "handler failed");
  return lua_error(L);
}

TEST_F(RuntimeTest, ErrorInsideTheErrorHandlerGivesStatus5) {
  lua_pushcfunction(L, failingHandler);
  ASSERT_EQ(rt::load(L, "error('first')"), 0);
  int status = lua_pcall(L, 0, 0, 1);
  EXPECT_EQ(status, LUA_ERRERR);
  EXPECT_STREQ(lua_tostring(L, -1), "error in error handling");
  EXPECT_EQ(lua_gettop(L), 2);
  EXPECT_EQ(L->nCcalls, 0);
}

static int tracebackHandler(lua_State* L) {
  lua_pushstring(L, "handled: ");
  lua_insert(L, -2);
  lua_concat(L, 2);
  return 1;
}

TEST_F(RuntimeTest, ErrorHandlerReplacesTheMessage) {
  lua_pushcfunction(L, tracebackHandler);
  ASSERT_EQ(rt::load(L, "error('boom')"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 1), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "handled: t:1: boom");
  lua_settop(L, 0);
  // a handler stored in the registry under an integer key (pseudo-index below -40000)
  lua_pushcfunction(L, tracebackHandler);
  lua_rawseti(L, LUA_REGISTRYINDEX, 9);
  lua_pushnumber(L, 1);  // unrelated value below the call
  ASSERT_EQ(rt::load(L, "error('again')"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, lua_registryrefindex(9)), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "handled: t:1: again");
  EXPECT_EQ(lua_gettop(L), 2);
  EXPECT_EQ(lua_tonumber(L, 1), 1);
}

static int push100(lua_State* L) {
  for (int i = 0; i < 100; i++) lua_pushnumber(L, i);
  return 100;
}

TEST_F(RuntimeTest, StackGrowsOnPushAndChecksRefuseHugeFrames) {
  lua_pushcfunction(L, push100);
  ASSERT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0);
  EXPECT_EQ(lua_gettop(L), 100);
  EXPECT_EQ(lua_tonumber(L, 100), 99);
  EXPECT_EQ(lua_checkstack(L, 1000), 1);
  EXPECT_EQ(lua_checkstack(L, 5000), 0);
}

TEST_F(RuntimeTest, ChunkLoading) {
  // empty chunk: a function returning nothing
  ASSERT_EQ(rt::load(L, ""), 0);
  EXPECT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0);
  EXPECT_EQ(lua_gettop(L), 0);
  // UTF-16LE source after FF FE
  std::string src("\xff\xfe", 2);
  for (char c : std::string("return 40 + 2")) {
    src.push_back(c);
    src.push_back('\0');
  }
  ASSERT_EQ(rt::load(L, src), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 42);
  lua_pop(L, 1);
  // FE FF is not a mark: lexed as 8-bit text (and fails)
  EXPECT_EQ(rt::load(L, std::string("\xfe\xff", 2) + "return 1"), LUA_ERRSYNTAX);
  lua_pop(L, 1);
  // ESC goes to the bytecode loader, even for garbage
  EXPECT_EQ(rt::load(L, "\x1bnot bytecode"), LUA_ERRSYNTAX);
  lua_pop(L, 1);
  // a one-byte chunk has no mark
  ASSERT_EQ(rt::load(L, " "), 0);
  lua_pop(L, 1);
}

struct ByteReader {
  std::string data;
  size_t pos = 0;
};

static const char* oneByteAtATime(lua_State*, void* ud, size_t* size) {
  ByteReader* r = static_cast<ByteReader*>(ud);
  if (r->pos >= r->data.size()) {
    *size = 0;
    return nullptr;
  }
  *size = 1;
  return r->data.data() + r->pos++;
}

TEST_F(RuntimeTest, ByteOrderMarkIsFoundAcrossOneByteBlocks) {
  ByteReader r;
  r.data = std::string("\xff\xfe", 2);
  for (char c : std::string("return 7")) {
    r.data.push_back(c);
    r.data.push_back('\0');
  }
  ASSERT_EQ(lua_load(L, oneByteAtATime, &r, "=bytes"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 7);
  lua_pop(L, 1);
  ByteReader plain;
  plain.data = "return 8";
  ASSERT_EQ(lua_load(L, oneByteAtATime, &plain, "=bytes"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 8);
}

// ---- coroutines ----

TEST_F(RuntimeTest, CoroutinesResumeYieldAndReport) {
  ok("local co = coroutine.create(function(a, b) "
     "  local c = coroutine.yield(a + b) "
     "  local d, e = coroutine.yield(c * 2) "
     "  return d + e end) "
     "local ok1, v1 = coroutine.resume(co, 1, 2) assert(ok1 and v1 == 3) "
     "assert(coroutine.status(co) == 'suspended') "
     "local ok2, v2 = coroutine.resume(co, 10) assert(ok2 and v2 == 20) "
     "local ok3, v3 = coroutine.resume(co, 4, 5) assert(ok3 and v3 == 9) "
     "assert(coroutine.status(co) == 'dead') "
     "local ok4, m = coroutine.resume(co) assert(not ok4 and m == 'cannot resume dead coroutine')");
}

TEST_F(RuntimeTest, CoroutineErrorsAndBoundaries) {
  ok("local co = coroutine.create(function() error('inside') end) "
     "local ok, m = coroutine.resume(co) assert(not ok and m == 't:1: inside', m) "
     "assert(coroutine.status(co) == 'dead')");
  ok("local co co = coroutine.create(function() return coroutine.resume(co) end) "
     "local ok, ok2, m = coroutine.resume(co) assert(ok and not ok2 and m == 'cannot resume non-suspended coroutine', "
     "m)");
  ok("local co = coroutine.create(function() "
     "  local t = setmetatable({}, {__index = function() coroutine.yield() end}) return t.x end) "
     "local ok, m = coroutine.resume(co) "
     "assert(not ok and string.find(m, 'attempt to yield across metamethod/C%-call boundary'), m)");
}

TEST_F(RuntimeTest, NestedResumesAreBounded) {
  ok("local msg local function f() local ok, err = coroutine.resume(coroutine.create(f)) "
     "if not ok and not msg then msg = err end end f() assert(msg == 'C stack overflow', msg)");
  EXPECT_EQ(G(L)->nresumes, 0);
}

static int yieldFromC(lua_State* L) { return lua_yield(L, 0); }

TEST_F(RuntimeTest, NativeFunctionCannotYieldToANativeResumer) {
  lua_State* co = lua_newthread(L);
  lua_pushcfunction(co, yieldFromC);
  EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(co, -1), "cannot yield a C function");
}

TEST_F(RuntimeTest, ResumingAThreadWithNothingToRunFailsWithoutThrowing) {
  lua_State* co = lua_newthread(L);
  EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(co, -1), "cannot resume dead coroutine");
}

TEST_F(RuntimeTest, MainThreadRunsAsACoroutineAndTakesCallsWhileSuspended) {
  ASSERT_EQ(rt::load(L, "local a = coroutine.yield('first') return a * 2"), 0);
  ASSERT_EQ(lua_resume(L, 0), 0);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_STREQ(lua_tostring(L, 1), "first");
  lua_settop(L, 0);
  // protected calls on the suspended thread leave the yielded record intact
  ASSERT_EQ(rt::load(L, "return 1 + 1"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
  lua_settop(L, 0);
  ASSERT_EQ(rt::load(L, "error('x')"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  lua_settop(L, 0);
  lua_pushnumber(L, 21);
  ASSERT_EQ(lua_resume(L, 1), 0);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_EQ(lua_tonumber(L, 1), 42);
}

// ---- debug queries and hooks ----

static int getinfoOfSelf(lua_State* L) {
  lua_Debug ar;
  if (!lua_getstack(L, 0, &ar)) return 0;
  lua_getinfo(L, "Sln", &ar);
  lua_pushstring(L, ar.what);
  lua_pushstring(L, ar.source);
  lua_pushstring(L, ar.short_src);
  lua_pushnumber(L, ar.currentline);
  lua_pushstring(L, ar.namewhat);
  lua_pushstring(L, ar.name ? ar.name : "(none)");
  return 6;
}

TEST_F(RuntimeTest, NativeFunctionDebugInfo) {
  lua_register(L, "whoami", getinfoOfSelf);
  ok("local what, source, short, line, namewhat, name = whoami() "
     "assert(what == 'C' and source == '=[C]' and short == '[C]' and line == -1) "
     "assert(namewhat == 'global' and name == 'whoami', namewhat .. ' ' .. name)");
}

static int callerLine(lua_State* L) {
  lua_Debug ar;
  int level = static_cast<int>(lua_tonumber(L, 1));
  if (!lua_getstack(L, level, &ar)) {
    lua_pushstring(L, "none");
    return 1;
  }
  lua_getinfo(L, "Sl", &ar);
  lua_pushstring(L, ar.what);
  lua_pushnumber(L, ar.currentline);
  return 2;
}

TEST_F(RuntimeTest, StackLevelsCountLostTailCalls) {
  lua_register(L, "level", callerLine);
  ok("local function inner() return level(1) end "
     "local w, l = inner() assert(w == 'Lua' and l == 1, w) "
     "local function tail() return level(2) end "
     "local function outer() return tail() end "
     "local w2 = outer() assert(w2 == 'tail', w2) "
     "assert(level(50) == 'none')");
}

// Sets the calling script frame's count of lost tail calls to the largest int, as a long
// enough chain of tail calls would.
static int topTailCount(lua_State* L) {
  (L->ci - 1)->tailcalls = INT32_MAX;
  return 0;
}

// The count of the calling script frame's lost tail calls.
static int tailCount(lua_State* L) {
  lua_pushnumber(L, (L->ci - 1)->tailcalls);
  return 1;
}

// A frame's count of lost tail calls stops at the largest int: more tail calls in it (through
// the virtual machine's own path and through the general one a variadic callee takes) keep it
// there, and the stack levels beyond it still read as lost tail calls.
TEST_F(RuntimeTest, LostTailCallsStopCountingAtTheLargestInt) {
  lua_register(L, "toptailcount", topTailCount);
  lua_register(L, "tailcount", tailCount);
  lua_register(L, "level", callerLine);
  ok("local function last() return tailcount(), level(2) end "
     "local function variadic(...) return last() end "
     "local function fixed(a) return variadic(a) end "
     "local function first() toptailcount() return fixed(1) end "
     "local n, w = first() assert(n == 2147483647, n) assert(w == 'tail', w)");
}

TEST_F(RuntimeTest, ReturnedValuesAdjustToTheCallersCount) {
  ok("local function none() end local function one() return 1 end local function two() return 1, 2 end "
     "local r = 5 r = none() assert(r == nil) "  // the slot held a value before
     "local a, b = one() assert(a == 1 and b == nil) "
     "local c = two() assert(c == 1) local d, e, f = two() assert(d == 1 and e == 2 and f == nil) "
     "local t = {none()} assert(t[1] == nil) t = {two()} assert(t[2] == 2 and t[3] == nil) "
     "local s = one() + one() * 2 assert(s == 3) "
     "local function up() local n = 7 local function g() return n end n = n + 1 return g(), n end "
     "local u, v = up() assert(u == 8 and v == 8)");
}

TEST_F(RuntimeTest, MethodsAndFieldsAreFoundThroughIndexChains) {
  const char* cases[] = {
      // one level up, two levels up, and a handler function at the end of the chain
      "local A = {} A.__index = A function A:name() return 'A' end function A:who() return self:name() end "
      "local B = setmetatable({}, A) B.__index = B function B:name() return 'B' end "
      "local C = setmetatable({}, B) C.__index = C "
      "local a, b, c = setmetatable({}, A), setmetatable({}, B), setmetatable({}, C) "
      "assert(a:who() == 'A' and b:who() == 'B' and c:who() == 'B' and c.who == A.who) "
      "local F = setmetatable({}, {__index = function(t, k) return k .. '!' end}) F.__index = F "
      "local f = setmetatable({}, F) assert(f.x == 'x!' and f.y == 'y!')",
      // false is a value found; nil one level up goes on to the next level
      "local P = {flag = false} P.__index = P local o = setmetatable({}, P) assert(o.flag == false) "
      "local Q = setmetatable({}, {__index = {deep = 3}}) Q.__index = Q "
      "assert(setmetatable({}, Q).deep == 3 and setmetatable({}, Q).none == nil)",
      // a later change of the chain is seen at once; raw access stays raw
      "local P = {} P.__index = P local o = setmetatable({}, P) assert(o.m == nil) "
      "function P.m() return 1 end assert(o.m() == 1 and rawget(o, 'm') == nil) "
      "P.__index = {m = function() return 2 end} assert(o:m() == 2) P.__index = nil assert(o.m == nil)",
      // the message for a missing method names it
      ("local P = {} P.__index = P local o = setmetatable({}, P) local ok, e = pcall(function() return o:nothing() "
       "end) "
       "assert(not ok and string.find(e, \"attempt to call method `nothing' (a nil value)\", 1, true), e)"),
  };
  for (const char* src : cases) ok(src);
}

TEST_F(RuntimeTest, TailCallsPassArgumentsResultsAndUpvalues) {
  const std::string count = "local function count(...) return arg.n end ";
  const char* cases[] = {
      // missing parameters are nil even where the caller's frame held values
      "local function f(a, b, c) return c, b end local function g(p, q, r) return f(p) end "
      "local c, b = g(1, 2, 3) assert(c == nil and b == nil)",
      // more arguments than the callee's frame holds
      "local function f(a) return a end local function g() return f(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12) end "
      "assert(g() == 1 and count(g()) == 1)",
      // a local declared without a value starts nil in the reused frame
      "local function f(a) local b return a, b end local function g(x, y, z) local w = 5 return f(x) end "
      "local a, b = g(7, 8, 9) assert(a == 7 and b == nil)",
      // results: several, none, and the caller's adjustment
      "local function f(n) if n == 0 then return end return n, n + 1, n + 2 end "
      "local function g(n) return f(n) end assert(count(g(0)) == 0 and count(g(1)) == 3) "
      "local t = {g(4)} assert(t[1] == 4 and t[3] == 6) local x, y, z, w = g(1) assert(z == 3 and w == nil)",
      // native functions in tail position: several results and none
      "local function g(t) return unpack(t) end local a, b, c = g({97, 98, 99}) "
      "assert(a == 97 and c == 99 and count(g({1, 2, 3, 4})) == 4) "
      "local function h(t) return table.insert(t, 1) end assert(count(h({})) == 0)",
      // the frame is reused: deep tail recursion needs no more call records
      "local function loop(n, acc) if n == 0 then return acc end return loop(n - 1, acc + n) end "
      "assert(loop(100000, 0) == 5000050000)",
      // upvalues of the frame left by a tail call are closed with their values and stay shared
      "local function pair(a, b) return a, b end "
      "local function mk() local n = 10 local inc = function() n = n + 1 return n end "
      "local get = function() return n end return pair(inc, get) end "
      "local inc, get = mk() local function clobber(a, b, c, d, e) return a end clobber(99, 99, 99, 99, 99) "
      "assert(inc() == 11 and get() == 11) clobber(0, 0, 0, 0, 0) assert(inc() == 12 and get() == 12)",
      // a called table, and the error text of a value that cannot be called
      "local t = setmetatable({}, {__call = function(self, a) return a * 2 end}) "
      "local function g() return t(21) end assert(g() == 42) "
      "local function h() return nothing(1) end local ok, e = pcall(h) "
      "assert(not ok and string.find(e, \"attempt to call global `nothing' (a nil value)\", 1, true), e)",
      // a coroutine yields through a tail call and receives the resume's values as results
      "local co = coroutine.create(function(a) return coroutine.yield(a + 1) end) "
      "local ok, v = coroutine.resume(co, 1) assert(ok and v == 2) "
      "local ok2, w, z = coroutine.resume(co, 'x', 'y') assert(ok2 and w == 'x' and z == 'y', tostring(w)) "
      "assert(coroutine.status(co) == 'dead')",
      // tail calls from methods, with the object passed along
      "local P = {} P.__index = P function P.new(x) return setmetatable({x = x}, P) end "
      "function P:twice() return P.new(self.x * 2) end local p = P.new(3):twice():twice() "
      "assert(p.x == 12 and getmetatable(p) == P)",
  };
  for (const char* src : cases) ok(count + src);
}

static int getinfoOnNonFunction(lua_State* L) {
  lua_Debug ar;
  lua_pushnumber(L, 1);
  lua_getinfo(L, ">S", &ar);
  return 0;
}

TEST_F(RuntimeTest, GetinfoFromTheStackTop) {
  lua_pushcfunction(L, getinfoOnNonFunction);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "value for `lua_getinfo' is not a function");
  lua_settop(L, 0);
  ASSERT_EQ(rt::load(L, "return 1", "@chunk.lua"), 0);
  lua_Debug ar;
  ASSERT_EQ(lua_getinfo(L, ">Su", &ar), 1);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_STREQ(ar.what, "main");
  EXPECT_STREQ(ar.short_src, "chunk.lua");
  EXPECT_EQ(ar.nups, 0);
}

static std::vector<int>* gLines;
static void lineHook(lua_State*, lua_Debug* ar) {
  if (ar->event == LUA_HOOKLINE) gLines->push_back(ar->currentline);
}

TEST_F(RuntimeTest, LineHookSeesEachNewLine) {
  std::vector<int> lines;
  gLines = &lines;
  ASSERT_EQ(rt::load(L, "local a = 1\nlocal b = 2\nfor i = 1, 2 do\n a = a + i\nend\n"), 0);
  lua_sethook(L, lineHook, LUA_MASKLINE, 0);
  ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0);
  lua_sethook(L, nullptr, 0, 0);
  ASSERT_FALSE(lines.empty());
  // the first event after the hook is set only starts the tracking
  EXPECT_EQ(lines.front(), 2);
  int fours = 0;
  for (int l : lines) fours += (l == 4);
  EXPECT_EQ(fours, 2);
}

static int startLineHook(lua_State* L) {
  lua_sethook(L, lineHook, LUA_MASKLINE, 0);
  return 0;
}

TEST_F(RuntimeTest, LineHookSetByNativeCodeTakesEffectAtOnce) {
  // Set by a native function called from the script, by one called from an __index handler,
  // and by a return hook: the running function reports its following lines.
  struct Case {
    const char* src;
    int line;  // a line after the one that set the hook
  };
  const Case cases[] = {
      {"local a = 1\nstart()\nlocal b = 2\nlocal c = 3\n", 4},
      {"local t = setmetatable({}, {__index = function() start() end})\nlocal x = t.k\nlocal b = 2\n"
       "local c = 3\n",
       4},
      {"local a = 1\nlocal s = string.len('x', start())\nlocal b = 2\nlocal c = 3\n", 4},
  };
  for (const Case& c : cases) {
    std::vector<int> lines;
    gLines = &lines;
    lua_register(L, "start", startLineHook);
    ASSERT_EQ(rt::load(L, c.src), 0) << c.src;
    ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << c.src;
    lua_sethook(L, nullptr, 0, 0);
    int seen = 0;
    for (int l : lines) seen += (l == c.line);
    EXPECT_EQ(seen, 1) << c.src;
  }
}

TEST_F(RuntimeTest, LineHookFollowsTailCalls) {
  // The callee of a tail call reports its own lines although it takes over the caller's
  // call record, which the hook was already tracing: also when it starts on the caller's
  // line, with its code placed before or after the caller's.
  struct Case {
    const char* src;
    std::vector<int> last;  // the final events
  };
  const Case cases[] = {
      {"local function f()\nlocal a = 1\nlocal b = 2\nreturn a + b\nend\n"
       "local function g()\nreturn f()\nend\nlocal x = g()\nlocal y = 1\n",
       {9, 7, 2, 3, 4, 10}},
      {"local x = 0\nlocal function f() x = x + 1 end local function g() return f() end g() g()\nlocal y = 1\n",
       {2, 2, 2, 2, 2, 3}},
      {"local x = 0\nlocal f\nlocal function g() return f() end f = function() x = x + 1 end g() g()\nlocal y = 1\n",
       {3, 3, 3, 3, 3, 4}},
  };
  for (const Case& c : cases) {
    std::vector<int> lines;
    gLines = &lines;
    ASSERT_EQ(rt::load(L, c.src), 0);
    lua_sethook(L, lineHook, LUA_MASKLINE, 0);
    ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0);
    lua_sethook(L, nullptr, 0, 0);
    ASSERT_GE(lines.size(), c.last.size()) << c.src;
    std::vector<int> tail(lines.end() - static_cast<std::ptrdiff_t>(c.last.size()), lines.end());
    EXPECT_EQ(tail, c.last) << c.src;
  }
}

static int gCount;
static void countHook(lua_State*, lua_Debug* ar) {
  if (ar->event == LUA_HOOKCOUNT) gCount++;
}

TEST_F(RuntimeTest, CountHookFiresEveryNInstructions) {
  gCount = 0;
  ASSERT_EQ(rt::load(L, "local n = 0 for i = 1, 1000 do n = n + i end"), 0);
  lua_sethook(L, countHook, LUA_MASKCOUNT, 100);
  ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0);
  lua_sethook(L, nullptr, 0, 0);
  EXPECT_GE(gCount, 15);
  EXPECT_LE(gCount, 40);
}

static void yieldingHook(lua_State* L, lua_Debug* ar) {
  if (ar->event == LUA_HOOKCOUNT) lua_yield(L, 0);
}

TEST_F(RuntimeTest, CountHookCanYieldAndTheCoroutineContinues) {
  lua_State* co = lua_newthread(L);
  ASSERT_EQ(rt::load(co, "local n = 0 for i = 1, 100 do n = n + i end return n"), 0);
  lua_sethook(co, yieldingHook, LUA_MASKCOUNT, 10);
  int yields = 0;
  int status = lua_resume(co, 0);
  while (status == 0 && co->ci != co->base_ci && yields < 1000) {
    yields++;
    lua_settop(co, 0);
    status = lua_resume(co, 0);
  }
  ASSERT_EQ(status, 0);
  EXPECT_GT(yields, 20);
  ASSERT_EQ(lua_gettop(co), 1);
  EXPECT_EQ(lua_tonumber(co, 1), 5050);
}

static int gCalls, gReturns;
static void callHook(lua_State*, lua_Debug* ar) {
  if (ar->event == LUA_HOOKCALL) gCalls++;
  if (ar->event == LUA_HOOKRET || ar->event == LUA_HOOKTAILRET) gReturns++;
}

TEST_F(RuntimeTest, CallAndReturnHooksBalance) {
  gCalls = gReturns = 0;
  ASSERT_EQ(rt::load(L, "local function f(n) if n > 0 then return f(n - 1) end return 0 end f(3) f(0)"), 0);
  lua_sethook(L, callHook, LUA_MASKCALL | LUA_MASKRET, 0);
  ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0);
  lua_sethook(L, nullptr, 0, 0);
  EXPECT_GT(gCalls, 0);
  EXPECT_EQ(gCalls, gReturns);
}

}  // namespace
