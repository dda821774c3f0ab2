// Base library through the C interface: conversions, type names, wide text, tonumber bases,
// print output, argument checks, coroutines and the opener's globals and registry entries.
#include <cmath>
#include <cstdio>
#include <limits>

#include "test_lib_support.h"

using namespace libtest;

namespace {

class BaseLibTest : public LibTest {};

TEST_F(BaseLibTest, TypeNamesEveryKind) {
  EXPECT_EQ(ok("type", {W(u"x")}), std::vector<V>{S("wstring")});
  EXPECT_EQ(ok("type", {S("x")}), std::vector<V>{S("string")});
  EXPECT_EQ(ok("type", {N(1)}), std::vector<V>{S("number")});
  EXPECT_EQ(ok("type", {Nil()}), std::vector<V>{S("nil")});
  EXPECT_EQ(ok("type", {B(false)}), std::vector<V>{S("boolean")});
  EXPECT_EQ(ok("type", {T(LUA_TTABLE)}), std::vector<V>{S("table")});
  std::string e = fails("type", {});
  EXPECT_NE(e.find("bad argument #1"), std::string::npos) << e;
  EXPECT_NE(e.find("(value expected)"), std::string::npos) << e;
}

TEST_F(BaseLibTest, TostringAndTowstringConvertBetweenTheKinds) {
  struct Case {
    const char* fn;
    V in;
    V out;
  };
  const std::vector<Case> cases = {
      {"tostring", W(u"abc"), S("abc")},
      {"tostring", W(u"\u263a"), S("\x3a")},
      {"tostring", W(u""), S("")},
      {"tostring", W(u"\xff80"), S("\x80")},
      {"tostring", N(12.5), S("12.5")},
      {"tostring", N(1e100), S("1e+100")},
      {"tostring", N(0.1), S("0.1")},
      {"tostring", Nil(), S("nil")},
      {"tostring", B(true), S("true")},
      {"tostring", S("x"), S("x")},
      {"towstring", S("\x80"), W(u"\xff80")},
      {"towstring", S("A\x7f\xff"), W(u"A\x7f\xffff")},
      {"towstring", S(""), W(u"")},
      {"towstring", Nil(), W(u"nil")},
      {"towstring", N(12.5), W(u"12.5")},
      {"towstring", N(-3), W(u"-3")},
      {"towstring", W(u"q\u263a"), W(u"q\u263a")},
  };
  for (const auto& c : cases) { EXPECT_EQ(ok(c.fn, {c.in}), std::vector<V>{c.out}) << c.fn << " " << c.in; }
  auto t = ok("towstring", {T(LUA_TTABLE)});
  ASSERT_EQ(t.size(), 1u);
  ASSERT_EQ(t[0].type, LUA_TWSTRING);
  EXPECT_EQ(t[0].w.substr(0, 7), u"table: ");
  auto ts = ok("tostring", {T(LUA_TTABLE)});
  EXPECT_EQ(ts[0].s.substr(0, 7), "table: ");
  for (const V& bad : {B(true), None()}) {
    std::string e = fails("towstring", {bad});
    EXPECT_NE(e.find("bad argument #1"), std::string::npos) << e;
    EXPECT_NE(e.find("(value expected)"), std::string::npos) << e;
  }
  lua_pushlightuserdata(L, &t);
  lua_pushliteral(L, "lud");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  pushPath(L, "towstring");
  pushPath(L, "lud");
  EXPECT_NE(lua_pcall(L, 1, 1, 0), 0);
  lua_settop(L, 0);
}

TEST_F(BaseLibTest, TonumberReadsBases) {
  struct Case {
    std::vector<V> args;
    V out;
  };
  const std::vector<Case> cases = {
      {{W(u"ff"), N(16)}, N(255)},
      {{S(" 10 "), N(2)}, N(2)},
      {{S("12a"), N(10)}, Nil()},
      {{S("12a")}, Nil()},
      {{S("12")}, N(12)},
      {{S(" 0x10 ")}, N(16)},
      {{W(u"1e2")}, N(100)},
      {{N(7)}, N(7)},
      {{S("zz"), N(36)}, N(1295)},
      {{S("-1"), N(16)}, N(4294967295.0)},
      {{S("-2"), N(10.5)}, N(-2)},
      {{S("ffffffffff"), N(16)}, N(4294967295.0)},
      {{S("0x1f"), N(16)}, N(31)},
      {{S(""), N(16)}, Nil()},
      {{S("  "), N(16)}, Nil()},
      {{S("12 x"), N(16)}, Nil()},
      {{S("19"), N(8)}, Nil()},
      {{S("+17"), N(8)}, N(15)},
      {{N(11), N(2)}, N(3)},
      {{W(std::u16string(100, u'1')), N(2)}, Nil()},
      {{W(u"\u0131"), N(16)}, N(1)},
      {{T(LUA_TTABLE)}, Nil()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ok("tonumber", c.args), std::vector<V>{c.out}) << "case " << (&c - &cases[0]);
  }
  std::string e = fails("tonumber", {S("7"), N(1)});
  EXPECT_NE(e.find("bad argument #2"), std::string::npos) << e;
  EXPECT_NE(e.find("(base out of range)"), std::string::npos) << e;
  e = fails("tonumber", {S("7"), N(std::numeric_limits<double>::quiet_NaN())});
  EXPECT_NE(e.find("(base out of range)"), std::string::npos) << e;
  e = fails("tonumber", {T(LUA_TTABLE), N(16)});
  EXPECT_NE(e.find("(string expected, got table)"), std::string::npos) << e;
  e = fails("tonumber", {});
  EXPECT_NE(e.find("(value expected)"), std::string::npos) << e;
}

TEST_F(BaseLibTest, PrintWritesBytesAndWideTextAsUtf8) {
  testing::internal::CaptureStdout();
  ok("print", {W(u"x"), N(1)});
  ok("print", {});
  ok("print", {S("a"), W(u"\u00e9\u263a"), Nil(), B(true)});
  ok("print", {W(u"\xd83d\xde00|\xd800|")});
  fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "x\t1\n"
                 "\n"
                 "a\t\xc3\xa9\xe2\x98\xba\tnil\ttrue\n"
                 "\xf0\x9f\x98\x80|\xef\xbf\xbd|\n");
}

int returnsTable(lua_State* L) {
  lua_newtable(L);
  return 1;
}

TEST_F(BaseLibTest, PrintNeedsTextFromTostring) {
  lua_pushliteral(L, "tostring");
  lua_pushcfunction(L, returnsTable);
  lua_settable(L, LUA_GLOBALSINDEX);
  std::string e = fails("print", {N(1)});
  EXPECT_NE(e.find("`tostring' must return a string to `print'"), std::string::npos) << e;
}

TEST_F(BaseLibTest, AssertErrorAndPcall) {
  EXPECT_EQ(ok("assert", {N(1), S("m")}), std::vector<V>{N(1)});
  EXPECT_NE(fails("assert", {B(false)}).find("assertion failed!"), std::string::npos);
  EXPECT_EQ(fails("assert", {Nil(), S("boom")}), "boom");
  EXPECT_EQ(fails("error", {S("plain"), N(0)}), "plain");
  EXPECT_EQ(ok("pcall", {T(LUA_TNIL)}).at(0), B(false));
  auto r = ok("pcall", {Nil()});
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], B(false));
  EXPECT_EQ(ok("rawequal", {S("a"), S("a")}), std::vector<V>{B(true)});
  EXPECT_EQ(ok("rawequal", {S("a"), W(u"a")}), std::vector<V>{B(false)});
  std::string e = fails("rawget", {N(1), N(1)});
  EXPECT_NE(e.find("(table expected, got number)"), std::string::npos) << e;
  e = fails("setmetatable", {T(LUA_TTABLE), N(1)});
  EXPECT_NE(e.find("(nil or table expected)"), std::string::npos) << e;
}

TEST_F(BaseLibTest, LoadfileWithoutANameIsAnArgumentError) {
  for (const char* fn : {"loadfile", "dofile"}) {
    std::string e = fails(fn, {});
    EXPECT_NE(e.find("bad argument #1"), std::string::npos) << e;
    EXPECT_NE(e.find("(string expected, got no value)"), std::string::npos) << e;
  }
  auto r = ok("loadfile", {S("::/nonexistent/dir/file.lua")});
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], Nil());
  EXPECT_NE(r[1].s.find("cannot read ::/nonexistent/dir/file.lua: "), std::string::npos) << r[1].s;
}

TEST_F(BaseLibTest, OpenerInstallsGlobalsAndRegistryEntries) {
  pushPath(L, "_VERSION");
  EXPECT_EQ(read(L, -1), S("Lua 5.0.2"));
  pushPath(L, "_G");
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  for (const char* g : {"coroutine.create", "coroutine.wrap", "coroutine.resume", "coroutine.yield", "coroutine.status",
                        "newproxy", "require", "gcinfo"}) {
    pushPath(L, g);
    EXPECT_TRUE(lua_iscfunction(L, -1)) << g;
    lua_pop(L, 1);
  }
  pushPath(L, "_LOADED");
  EXPECT_TRUE(lua_istable(L, -1));
  lua_pop(L, 1);
  // registry entries hold the default metatables as they were at open time
  const char* keys[] = {"_boolean",  "_lightuserdata", "_number", "_string", "_table",
                        "_function", "_userdata",      "_thread", "_wstring"};
  for (int t = 1; t <= 9; t++) {
    lua_pushstring(L, keys[t - 1]);
    lua_rawget(L, LUA_REGISTRYINDEX);
    EXPECT_TRUE(lua_istable(L, -1)) << keys[t - 1];
    lua_getdefaultmetatable(L, t);
    if (t == LUA_TSTRING) {
      EXPECT_FALSE(lua_rawequal(L, -1, -2)) << "the string library replaced the string default";
    } else {
      EXPECT_TRUE(lua_rawequal(L, -1, -2)) << keys[t - 1];
    }
    lua_settop(L, 0);
  }
  // getmetatable of a number is the number type's default metatable
  pushPath(L, "getmetatable");
  lua_pushnumber(L, 1);
  ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
  lua_pushliteral(L, "_number");
  lua_rawget(L, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
}

int yieldTwice(lua_State* L) { return lua_yield(L, lua_gettop(L)); }

TEST_F(BaseLibTest, CoroutineArgumentChecks) {
  std::string e = fails("coroutine.create", {N(1)});
  EXPECT_NE(e.find("(Lua function expected)"), std::string::npos) << e;
  lua_pushliteral(L, "cfn");
  lua_pushcfunction(L, yieldTwice);
  lua_settable(L, LUA_GLOBALSINDEX);
  pushPath(L, "coroutine.create");
  pushPath(L, "cfn");
  EXPECT_NE(lua_pcall(L, 1, 1, 0), 0);
  lua_settop(L, 0);
  e = fails("coroutine.resume", {N(1)});
  EXPECT_NE(e.find("(coroutine expected)"), std::string::npos) << e;
  e = fails("coroutine.status", {S("x")});
  EXPECT_NE(e.find("(coroutine expected)"), std::string::npos) << e;
}

TEST_F(BaseLibTest, NewproxyMakesUserdata) {
  auto r = ok("newproxy", {});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].type, LUA_TUSERDATA);
  pushPath(L, "newproxy");
  lua_pushboolean(L, 1);
  ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
  pushPath(L, "newproxy");
  lua_pushvalue(L, -2);
  ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);  // shares the proxy's metatable
  ASSERT_TRUE(lua_getmetatable(L, -1));
  ASSERT_TRUE(lua_getmetatable(L, -3));
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  std::string e = fails("newproxy", {N(1)});
  EXPECT_NE(e.find("(boolean or proxy expected)"), std::string::npos) << e;
}

}  // namespace
