// string.format: conversions, the added %B %Q %b, limits, messages, and never reading past the
// end of the format.
#include <cmath>
#include <cstring>
#include <limits>

#include "test_lib_support.h"

using namespace libtest;

namespace {

struct FormatCase {
  std::string fmt;
  std::vector<V> args;
  std::string expect;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string raw(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

class FormatTest : public LibTest {
protected:
  std::vector<V> fmt(const std::string& f, std::vector<V> args) {
    args.insert(args.begin(), S(f));
    return ok("string.format", args);
  }
};

TEST_F(FormatTest, ConversionsProduceTheirText) {
  double d15 = 1.5;
  float f15 = 1.5f;
  const std::vector<FormatCase> cases = {
      {"%5.2f", {N(3.14159)}, " 3.14"},
      {"%x", {N(-1)}, "0"},
      {"%u", {N(5000000000.0)}, "4294967295"},
      {"%X", {N(255)}, "FF"},
      {"%o", {N(8)}, "10"},
      {"%x", {N(kNaN)}, "0"},
      {"%d", {N(3.9)}, "3"},
      {"%d", {N(-3.9)}, "-3"},
      {"%i", {N(42)}, "42"},
      {"%d", {N(1e20)}, "2147483647"},
      {"%d", {N(-1e20)}, "-2147483648"},
      {"%d", {N(kNaN)}, "0"},
      {"%5d|%-5d|", {N(7), N(7)}, "    7|7    |"},
      {"%+d % d %05d", {N(3), N(3), N(3)}, "+3  3 00003"},
      {"%c%c%c", {N(76), N(117), N(97)}, "Lua"},
      {"%c", {N(0)}, ""},
      {"%e", {N(1)}, "1.000000e+00"},
      {"%g", {N(1e20)}, "1e+20"},
      {"%.3g", {N(3.14159)}, "3.14"},
      {"%s", {N(12)}, "12"},
      {"%s|%s", {S("a"), S("b")}, "a|b"},
      {"%5.1s|", {S("abc")}, "    a|"},
      {"%s", {S(bytes({'a', 0, 'b'}))}, "a"},
      {"%%", {}, "%"},
      {"100%% %s", {S("x")}, "100% x"},
      {"%B %B %B", {B(true), B(false), Nil()}, "true false false"},
      {"%5B", {B(true)}, "true"},
      {"%q", {S(bytes({'a', 0, 'b'}))}, "\"a\\000b\""},
      {"%q", {S(bytes({0}))}, "\"\\000\""},
      {"%q", {S("a\"b\\c\nd\r")}, "\"a\\\"b\\\\c\\\nd\r\""},
      {"%Q", {S(bytes({'a', 0, 'b'}))}, "\"a\\x00b\""},
      {"%Q", {W(u"\u00e9")}, "L\"\\x00e9\""},
      {"%Q", {W(u"a\u263a\"")}, "L\"a\\x263a\\\"\""},
      {"%Q", {S("\t\"\\\x01\x7f\xe9")}, "\"\\t\\\"\\\\\\x01\\x7f\\xe9\""},
      {"%Q", {S("\a\b\t\n\v\f\r")}, "\"\\a\\b\\t\\n\\v\\f\\r\""},
      {"%Q", {N(5)}, "\"5\""},
      {"%bw", {N(258)}, bytes({2, 1})},
      {"%bq", {N(1)}, ""},
      {"%bb", {N(300)}, bytes({44})},
      {"%bd", {N(-1)}, bytes({0xff, 0xff, 0xff, 0xff})},
      {"%bd", {N(4294967296.0 + 5)}, bytes({5, 0, 0, 0})},
      {"%bF", {N(1.5)}, raw(&d15, 8)},
      {"%bf", {N(1.5)}, raw(&f15, 4)},
      {"ab%b", {N(1)}, "ab"},
      {std::string("a\0b%s", 5), {S("c")}, std::string("a\0bc", 4)},
  };
  for (const auto& c : cases) { EXPECT_EQ(fmt(c.fmt, c.args), std::vector<V>{S(c.expect)}) << c.fmt; }
}

// "%d" and "%.0f" give exactly the C library's text for every kind of value: ties (rounded
// to even), values that round to a negative zero, the int range's ends and beyond, values
// past 2^53 and 2^63, infinities and NaN.
TEST_F(FormatTest, PlainIntegerConversionsMatchTheCLibrary) {
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0,
                           -0.0,
                           0.5,
                           -0.5,
                           1.5,
                           2.5,
                           -2.5,
                           -0.4,
                           0.49999999999999994,
                           1e15 + 0.5,
                           4503599627370495.5,
                           9007199254740993.0,
                           -9007199254740992.0,
                           8.9e18,
                           -8.9e18,
                           9.3e18,
                           -9.3e18,
                           1e300,
                           -1e-300,
                           123456.789,
                           -7.5,
                           2147483647,
                           -2147483648.0,
                           2147483648.0,
                           -2147483649.0,
                           4294967296.7,
                           inf,
                           -inf,
                           kNaN};
  for (double v : values) {
    char want[2048];
    snprintf(want, sizeof want, "%.0f", v);
    EXPECT_EQ(fmt("%.0f", {N(v)}), std::vector<V>{S(want)}) << v;
    int i = v != v ? 0 : v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? -2147483647 - 1 : (int)v;
    snprintf(want, sizeof want, "%d", i);
    EXPECT_EQ(fmt("%d", {N(v)}), std::vector<V>{S(want)}) << v;
    snprintf(want, sizeof want, "[%5d|%.0f|%-4.0f]", i, v, v);
    EXPECT_EQ(fmt("[%5d|%.0f|%-4.0f]", {N(v), N(v), N(v)}), std::vector<V>{S(want)}) << v;
  }
}

TEST_F(FormatTest, LongStringsAreCopiedWhole) {
  std::string s99(99, 'x'), s100(100, 'y');
  EXPECT_EQ(fmt("%-99s|", {S(s99)}), std::vector<V>{S(s99 + "|")});
  EXPECT_EQ(fmt("%5s", {S(s100)}), std::vector<V>{S(s100)});
  std::string z = s100;
  z[50] = 0;  // copied whole: the zero byte stays
  EXPECT_EQ(fmt("%s", {S(z)}), std::vector<V>{S(z)});
  EXPECT_EQ(fmt("%.3s", {S(s100)}), std::vector<V>{S("yyy")});
}

TEST_F(FormatTest, BadFormatsRaiseTheirMessages) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%1$d", "obsolete option (d$) to `format'"},
      {"%123d", "invalid format (width or precision too long)"},
      {"%1.123f", "invalid format (width or precision too long)"},
      {"%-------------------d", "invalid format (too long)"},
      {"%z", "invalid option to `format'"},
      {"%", "invalid option to `format'"},
      {"abc%", "invalid option to `format'"},
      {"%-", "invalid option to `format'"},
      {"%5.", "invalid option to `format'"},
  };
  for (const auto& c : cases) {
    std::string e = fails("string.format", {S(c.first), N(1)});
    EXPECT_NE(e.find(c.second), std::string::npos) << c.first << ": " << e;
  }
}

TEST_F(FormatTest, ArgumentsAreChecked) {
  std::string e = fails("string.format", {S("%d")});
  EXPECT_NE(e.find("bad argument #2"), std::string::npos) << e;
  EXPECT_NE(e.find("(number expected, got no value)"), std::string::npos) << e;
  e = fails("string.format", {S("%B"), N(1)});
  EXPECT_NE(e.find("(boolean expected, got number)"), std::string::npos) << e;
  e = fails("string.format", {S("%B")});
  EXPECT_NE(e.find("(boolean expected, got no value)"), std::string::npos) << e;
  e = fails("string.format", {S("%s %s"), S("a"), W(u"b")});
  EXPECT_NE(e.find("bad argument #3"), std::string::npos) << e;
  EXPECT_NE(e.find("(string expected, got wstring)"), std::string::npos) << e;
  e = fails("string.format", {S("%q"), T(LUA_TTABLE)});
  EXPECT_NE(e.find("(string expected, got table)"), std::string::npos) << e;
}

TEST_F(FormatTest, FormatEndingInsideAnItemReadsNothingBeyondIt) {
  // An unfinished item is the invalid-option error; "%b" at the end consumes the end and
  // writes nothing.
  for (const char* f : {"%", "%-", "%5", "%5.", "%5.2", "%b", "% ", "%#0"}) {
    pushPath(L, "string.format");
    lua_pushstring(L, f);
    lua_pushnumber(L, 1);
    int status = lua_pcall(L, 2, 1, 0);
    if (std::string(f) == "%b") {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(read(L, -1), S(""));
    } else {
      EXPECT_NE(status, 0) << f;
    }
    lua_settop(L, 0);
  }
}

}  // namespace
