// String library: len, sub, lower, upper, char, rep, byte, lualex, wide-string rejection and
// the opener.
#include <cmath>
#include <limits>

#include "test_lib_support.h"

using namespace libtest;

namespace {

struct CallCase {
  const char* fn;
  std::vector<V> args;
  std::vector<V> expect;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

class StringLibTest : public LibTest {};

TEST_F(StringLibTest, BasicFunctionsGiveTheirResults) {
  const std::vector<CallCase> cases = {
      {"string.len", {S("")}, {N(0)}},
      {"string.len", {S(bytes({'a', 0, 'b'}))}, {N(3)}},
      {"string.len", {N(123)}, {N(3)}},
      {"string.byte", {S("abc"), N(0)}, {}},
      {"string.byte", {S("abc"), N(4)}, {}},
      {"string.byte", {S("abc"), N(-1)}, {N(99)}},
      {"string.byte", {S("abc")}, {N(97)}},
      {"string.byte", {S("\xff")}, {N(255)}},
      {"string.byte", {S("abc"), N(-4)}, {}},
      {"string.byte", {S("abc"), N(kNaN)}, {}},
      {"string.byte", {S("abc"), N(1e300)}, {}},
      {"string.sub", {S("hello"), N(2)}, {S("ello")}},
      {"string.sub", {S("hello"), N(-3), N(-2)}, {S("ll")}},
      {"string.sub", {S("hello"), N(4), N(2)}, {S("")}},
      {"string.sub", {S("hello"), N(0)}, {S("hello")}},
      {"string.sub", {S("hello"), N(-100), N(100)}, {S("hello")}},
      {"string.sub", {S("hello"), N(-1e300), N(1e300)}, {S("hello")}},
      {"string.sub", {S("hello"), N(kNaN), N(kInf)}, {S("hello")}},
      {"string.sub", {S("hello"), N(2.9), N(3.9)}, {S("el")}},
      {"string.sub", {S("hello"), N(6)}, {S("")}},
      {"string.rep", {S("ab"), N(0)}, {S("")}},
      {"string.rep", {S("ab"), N(-3)}, {S("")}},
      {"string.rep", {S("ab"), N(3)}, {S("ababab")}},
      {"string.rep", {S("ab"), N(-kInf)}, {S("")}},
      {"string.rep", {S(""), N(1e9)}, {S("")}},
      {"string.rep", {S("ab"), N(kNaN)}, {S("")}},
      {"string.char", {}, {S("")}},
      {"string.char", {N(72), N(105)}, {S("Hi")}},
      {"string.char", {N(0), N(255)}, {S(bytes({0, 255}))}},
      {"string.char", {N(65.7)}, {S("A")}},
      {"string.lower", {S("AbC1\xc9")}, {S("abc1\xc9")}},
      {"string.upper", {S("aBc1\xe9")}, {S("ABC1\xe9")}},
  };
  for (const auto& c : cases) { EXPECT_EQ(ok(c.fn, c.args), c.expect) << c.fn << " case " << (&c - &cases[0]); }
}

TEST_F(StringLibTest, RepeatBuildsLongStrings) {
  auto r = ok("string.rep", {S("xyz"), N(5000)});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].s.size(), 15000u);
  EXPECT_EQ(r[0].s.substr(14997), "xyz");
  std::string expect;
  for (int i = 0; i < 1001; i++) expect += std::string("a\0b", 3);
  EXPECT_EQ(ok("string.rep", {S(std::string("a\0b", 3)), N(1001)}), std::vector<V>{S(expect)});
  // A result longer than any string fails at once, before a byte of it is made; the counts
  // are those of the largest int and the smallest that reaches the limit of 2^32 - 4 bytes.
  for (double n : {2147483647.0, 1073741823.0}) {
    EXPECT_EQ(fails("string.rep", {S("abcd"), N(n)}), "string size overflow") << n;
  }
}

TEST_F(StringLibTest, CharRejectsValuesOutsideAByte) {
  for (double v : {256.0, -1.0, 1e300, -kInf, kInf}) {
    std::string e = fails("string.char", {N(65), N(v)});
    EXPECT_NE(e.find("bad argument #2"), std::string::npos) << v << ": " << e;
    EXPECT_NE(e.find("(invalid value)"), std::string::npos) << v << ": " << e;
  }
  EXPECT_NE(fails("string.char", {S("x")}).find("number expected, got string"), std::string::npos);
}

TEST_F(StringLibTest, WideStringsAreRejectedWhereTextIsRequired) {
  const V w = W(u"abc");
  const std::vector<std::pair<const char*, std::vector<V>>> calls = {
      {"string.len", {w}},           {"string.sub", {w, N(1)}},
      {"string.lower", {w}},         {"string.upper", {w}},
      {"string.rep", {w, N(2)}},     {"string.byte", {w}},
      {"string.format", {w}},        {"string.find", {w, S("a")}},
      {"string.gfind", {w, S("a")}}, {"string.gsub", {w, S("a"), S("b")}},
      {"string.lualex", {w, N(0)}},
  };
  for (const auto& c : calls) {
    std::string e = fails(c.first, c.second);
    EXPECT_NE(e.find("bad argument #1"), std::string::npos) << c.first << ": " << e;
    EXPECT_NE(e.find("(string expected, got wstring)"), std::string::npos) << c.first << ": " << e;
  }
  std::string e = fails("string.find", {S("abc"), w});
  EXPECT_NE(e.find("bad argument #2"), std::string::npos) << e;
}

TEST_F(StringLibTest, MissingArgumentsNameNoValue) {
  std::string e = fails("string.len", {});
  EXPECT_NE(e.find("bad argument #1"), std::string::npos) << e;
  EXPECT_NE(e.find("(string expected, got no value)"), std::string::npos) << e;
  e = fails("string.sub", {S("x")});
  EXPECT_NE(e.find("(number expected, got no value)"), std::string::npos) << e;
}

TEST_F(StringLibTest, LualexAppliesEscapesInNarrowMode) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\\tb", "a\tb"},
      {"\\x41B", bytes({'A', 0, 'B'})},
      {"\\xg", "xg"},
      {"\\65Z", "AZ"},
      {"\\1234", bytes({123, '4'})},
      {"ab\\", bytes({'a', 'b', 0})},
      {"\\300", bytes({44})},
      {"\\a\\b\\f\\n\\r\\t\\v", bytes({7, 8, 12, 10, 13, 9, 11})},
      {"\\\\\\\"\\'", "\\\"'"},
      {"\\\xe9", "\xe9"},
      {"\\x7", bytes({7, 0})},
      {"\\xfff", bytes({0xff, 0, 'f'})},
      {"", ""},
      {"\\x", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ok("string.lualex", {S(c.first), N(0)}), std::vector<V>{S(c.second)}) << c.first;
  }
}

TEST_F(StringLibTest, LualexWideModeGivesLittleEndianUnits) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ab", bytes({'a', 0, 'b', 0})}, {"\\x263A!", bytes({0x3a, 0x26, '!', 0})},
      {"\\x41", bytes({0x41, 0})},     {"\\n", bytes({10, 0})},
      {"\\300", bytes({0x2c, 0x01})},  {"\\xg", bytes({'x', 0, 'g', 0})},
      {"\xe9", bytes({0xe9, 0})},      {"z\\", bytes({'z', 0, 0, 0})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ok("string.lualex", {S(c.first), N(1)}), std::vector<V>{S(c.second)}) << c.first;
  }
}

TEST_F(StringLibTest, LualexNeedsItsModeArgument) {
  std::string e = fails("string.lualex", {S("x")});
  EXPECT_NE(e.find("bad argument #2"), std::string::npos) << e;
  EXPECT_NE(e.find("(number expected, got no value)"), std::string::npos) << e;
}

TEST_F(StringLibTest, DumpRefusesNativeFunctions) {
  lua_pushcfunction(L, [](lua_State*) { return 0; });
  lua_pushliteral(L, "nativefn");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  pushPath(L, "string.dump");
  pushPath(L, "nativefn");
  ASSERT_NE(lua_pcall(L, 1, 1, 0), 0);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("unable to dump given function"), std::string::npos);
  lua_settop(L, 0);
  EXPECT_NE(fails("string.dump", {N(1)}).find("function expected, got number"), std::string::npos);
}

TEST_F(StringLibTest, OpenerMakesTheLibraryTheStringMetatable) {
  lua_pushliteral(L, "x");
  ASSERT_TRUE(lua_getmetatable(L, -1));
  pushPath(L, "string");
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  // the registration order ends with pack and unpack in the same table
  for (const char* f : {"len", "sub", "lower", "upper", "char", "rep", "byte", "format", "dump", "find", "gfind",
                        "gsub", "lualex", "pack", "unpack"}) {
    pushPath(L, std::string("string.") + f);
    EXPECT_TRUE(lua_iscfunction(L, -1)) << f;
    lua_pop(L, 1);
  }
}

}  // namespace
