// Error texts, metatable events and per-type default metatables, driven by scripts.
#include <string>

#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

struct ErrorCase {
  const char* src;
  const char* message;
};

TEST_F(RuntimeTest, RunTimeErrorTextsNameTheVariable) {
  const ErrorCase cases[] = {
      {"foo()", "t:1: attempt to call global `foo' (a nil value)"},
      {"local t; local x = t.y", "t:1: attempt to index local `t' (a nil value)"},
      {"a = {}; local x = a.b.c", "t:1: attempt to index field `b' (a nil value)"},
      {"a = {}; a:nomethod()", "t:1: attempt to call method `nomethod' (a nil value)"},
      {"local x = {} < {}", "t:1: attempt to compare two table values"},
      {"local x = 1 < 'x'", "t:1: attempt to compare number with string"},
      {"local x = 'x' < coroutine.create(function() end)", "t:1: attempt to compare string with thread"},
      {"local s = {} ; local x = s + 1", "t:1: attempt to perform arithmetic on local `s' (a table value)"},
      {"local x = 1 + {}", "t:1: attempt to perform arithmetic on a table value"},
      {"local s = '6'; local x = s & 3", "t:1: attempt to perform arithmetic on local `s' (a string value)"},
      {"local x = 'a' .. {}", "t:1: attempt to concatenate a table value"},
      {"local x = 5 .. {}", "t:1: attempt to concatenate a table value"},
      {"local x = {} .. 5", "t:1: attempt to concatenate a table value"},
      {"local x = 'a' .. 1 .. {} .. 2", "t:1: attempt to concatenate a table value"},
      {"string.gsub('abc', 'b', '%1')", "t:1: invalid capture index"},
      {"string.gsub('abc', '(b)', '%2')", "t:1: invalid capture index"},
      {"local x = 'a' .. L\"b\"", "t:1: attempt to concatenate a wstring value"},
      {"local x = L\"a\" .. 'b'", "t:1: attempt to concatenate a wstring value"},
      {"local x = L\"a\" < L\"b\"", "t:1: attempt to call a table value"},
      {"local x = true < false", "t:1: attempt to call a table value"},
      {"local x = (nil).x", "t:1: attempt to index a nil value"},
      {"local x = 2 ^ 3", "t:1: `__pow' (`^' operator) is not a function"},
      {"\n\nerror('boom')", "t:3: boom"},
      {"for i = 1, {} do end", "t:1: `for' limit must be a number"},
      // The generic `for' calls its iterator on the line of its first expression.
      {"for k, v in\n3\ndo end", "t:2: attempt to call a number value"},
      {"for k\n, v in 3, 4\ndo\nend", "t:2: attempt to call a number value"},
      {"for k in\n\nnil, 1 do\nend", "t:3: attempt to call a nil value"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(error(c.src), c.message) << c.src;
}

TEST_F(RuntimeTest, ArithmeticAndConcatenationValues) {
  struct Case {
    const char* expr;
    const char* want;
  };
  const Case cases[] = {
      {"6 & 3", "2"},
      {"6 | 3", "7"},
      {"1 << 31", "2147483648"},
      {"1 << 32", "1"},
      {"-1 >> 0", "0"},
      {"5.9 & 7", "5"},
      {"1099511627776 | 0", "4294967295"},
      {"'6' + 3", "9"},
      {"L\"6\" + 3", "9"},
      {"1 .. 2", "12"},
      {"'10' * '2'", "20"},
      {"-'2'", "-2"},
      {"'abc' .. ''", "abc"},
      {"5 .. ''", "5"},
      {"type(5 .. '')", "string"},
      {"'k' .. 1 .. 2.5 .. -(0 * 1) .. 1e100", "k12.5-01e+100"},
      // more number operands in one pass than are formatted directly
      {"1 .. 2 .. 3 .. 4 .. 5 .. 6 .. 7 .. 8 .. 9 .. 10 .. 'x' .. 11 .. 0.125", "12345678910x110.125"},
      {"string.gsub('abcb', '(b)', '[%1%1]')", "a[bb]c[bb]"},
      {"string.gsub('abc', '()b', '%1')", "a2c"},
      {"string.len(string.gsub(string.rep('ab', 3000), '(a)(b)', '%2%1%1'))", "9000"},
      {"1/0", "inf"},
      {"'a\\0b' < 'a\\0c'", "true"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(c.expr), c.want) << c.expr;
  ok("local n = 0 for i = 1, L\"3\" do n = n + 1 end assert(n == 3)");
  // long results are built in place and still interned: equal to, and the same key as, the
  // same text made otherwise
  ok("local a = string.rep('x', 300) .. 12 local b = string.rep('x', 150) .. string.rep('x', 150) .. '1' .. 2 "
     "local t = {[a] = 1} assert(a == b and t[b] == 1 and string.len(b) == 302) "
     "local c = b .. '' assert(rawequal(b, c))");
}

TEST_F(RuntimeTest, PerTypeDefaultMetatables) {
  struct Case {
    const char* expr;
    const char* want;
  };
  const Case cases[] = {
      {"('abc'):upper()", "ABC"},
      {"(5).x", "nil"},
      {"(true).x", "nil"},
      {"(L\"w\").x", "nil"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(c.expr), c.want) << c.expr;
  // storing into a string stores into the strings' default table
  ok("local s = 'q'; s.f = 1; assert(('other').f == 1); string.f = nil");
  // a number's handler is its (table) default metatable: the table operand is named
  ok("T = setmetatable({}, {__add = function() return 'added' end, __concat = function() return 'cat' end})");
  EXPECT_EQ(error("local x = 5 + T"), "t:1: attempt to perform arithmetic on global `T' (a table value)");
  EXPECT_EQ(eval("T + 5"), "added");
  EXPECT_EQ(error("local x = 'a' .. T"), "t:1: attempt to concatenate global `T' (a table value)");
  EXPECT_EQ(eval("T .. 'a'"), "cat");
}

TEST_F(RuntimeTest, DefaultMetatablesCanBeReplaced) {
  // The default metatable of a number is the handler itself: keys are looked up in it.
  lua_newtable(L);
  lua_pushstring(L, "anything");
  lua_pushstring(L, "from number mt");
  lua_rawset(L, -3);
  lua_setdefaultmetatable(L, LUA_TNUMBER);
  EXPECT_EQ(eval("(5).anything"), "from number mt");
  // a non-table is popped and ignored
  int top = lua_gettop(L);
  lua_pushnumber(L, 1);
  lua_setdefaultmetatable(L, LUA_TNUMBER);
  EXPECT_EQ(lua_gettop(L), top);
  EXPECT_EQ(eval("(5).anything"), "from number mt");
  lua_getdefaultmetatable(L, 0);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_getdefaultmetatable(L, 11);
  EXPECT_TRUE(lua_isnil(L, -1));
}

TEST_F(RuntimeTest, UserdataWithoutIndexHandlerIsIndexedInItsMetatable) {
  lua_newuserdata(L, 8);
  lua_newtable(L);
  lua_pushstring(L, "name");
  lua_pushstring(L, "found");
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  lua_pushstring(L, "U");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(eval("U.name"), "found");
}

TEST_F(RuntimeTest, IndexHandlerAddedLaterIsHonoured) {
  ok("local mt = {} local t = setmetatable({}, mt) assert(t.x == nil) "
     "mt.__index = function() return 5 end assert(t.x == 5)");
}

// Handlers stored into a slot that already exists with a nil value (the key was set and reset,
// or an array slot): the absence the metatable had cached before must be forgotten, and a
// __newindex handler met in such a slot is called.
TEST_F(RuntimeTest, HandlersStoredIntoExistingNilSlotsAreHonoured) {
  ok("local mt = {} local t = setmetatable({}, mt) "
     "mt.__index = 1 mt.__index = nil assert(t.x == nil) "
     "mt.__index = function() return 5 end assert(t.x == 5) "
     "mt.__newindex = 1 mt.__newindex = nil t.y = 1 assert(rawget(t, 'y') == 1) "
     "local seen mt.__newindex = function(t, k, v) seen = k end t.z = 2 "
     "assert(seen == 'z' and rawget(t, 'z') == nil)");
  ok("local seen = {} local mt = {__newindex = function(t, k, v) seen[k] = v end} "
     "local t = setmetatable({}, mt) rawset(t, 1, 'a') rawset(t, 2, 'b') rawset(t, 3, 'c') "
     "t[2] = nil assert(seen[2] == nil and t[2] == nil) "  // an existing value: raw assignment
     "t[2] = 'x' assert(seen[2] == 'x' and rawget(t, 2) == nil) "
     "mt.__newindex = nil t[2] = 'y' assert(rawget(t, 2) == 'y')");
}

TEST_F(RuntimeTest, MetatableEvents) {
  ok("local log = {} "
     "local mt = {} "
     "mt.__index = function(t, k) return k .. '!' end "
     "mt.__newindex = function(t, k, v) rawset(t, k, v * 2) end "
     "mt.__sub = function(a, b) return 'sub' end "
     "mt.__mul = function(a, b) return 'mul' end "
     "mt.__div = function(a, b) return 'div' end "
     "mt.__unm = function(a) return 'unm' end "
     "mt.__lt = function(a, b) return true end "
     "mt.__le = function(a, b) return false end "
     "mt.__eq = function(a, b) return true end "
     "mt.__call = function(self, a) return 'called ' .. a end "
     "local a, b = setmetatable({}, mt), setmetatable({}, mt) "
     "assert(a.key == 'key!') a.v = 2 assert(rawget(a, 'v') == 4) "
     "assert(a - 1 == 'sub' and a * 1 == 'mul' and a / 1 == 'div' and -a == 'unm') "
     "assert(a < b) assert(not (a <= b)) assert(a == b) assert(a(1) == 'called 1') "
     "local mt2 = {__lt = function() return true end} "
     "local c, d = setmetatable({}, mt2), setmetatable({}, mt2) "
     "assert(c <= d == false) "
     "local e = setmetatable({}, {__eq = function() return true end}) assert(a ~= e)");
}

TEST_F(RuntimeTest, IndexChainsAreBoundedAt100Links) {
  const char* build =
      "function chain(n, last) local t = last for i = 1, n do t = setmetatable({}, {__index = t}) end return t end ";
  ok(build);
  EXPECT_EQ(eval("chain(100, {x = 1}).x"), "1");
  EXPECT_EQ(eval("chain(101, {x = 1}).x"), "ERROR: t:1: loop in gettable");
  ok("local t = {} setmetatable(t, {__index = t}) loopt = t");
  EXPECT_EQ(eval("loopt.missing"), "ERROR: t:1: loop in gettable");
  ok("function nchain(n, last) local t = last for i = 1, n do t = setmetatable({}, {__newindex = t}) end return t end "
     "sink = {} nchain(100, sink).v = 1 assert(sink.v == 1)");
  EXPECT_EQ(error("nchain(101, {}).v = 1"), "t:1: loop in settable");
  ok("local t = {} setmetatable(t, {__newindex = t}) loopn = t");
  EXPECT_EQ(error("loopn.missing = 1"), "t:1: loop in settable");
}

TEST_F(RuntimeTest, ClosuresKeepPerIterationCopies) {
  ok("local fs = {} for i = 1, 3 do local x = i * 10 fs[i] = function() return x end end "
     "assert(fs[1]() == 10 and fs[2]() == 20 and fs[3]() == 30) "
     "local a, b do local v = 0 a = function() v = v + 1 return v end b = function() return v end end "
     "a() a() assert(b() == 2)");
}

TEST_F(RuntimeTest, VarargFunctionsGetArgTable) {
  ok("local function f(a, b, ...) return a, b, arg.n end "
     "local x, y, n = f() assert(x == nil and y == nil and n == 0) "
     "x, y, n = f(1, 2, 3, 4) assert(n == 2)");
}

TEST_F(RuntimeTest, DeepTailCallsUseNoStack) {
  ok("local function f(n) if n == 0 then return 'done' end return f(n - 1) end assert(f(100000) == 'done')");
}

}  // namespace
