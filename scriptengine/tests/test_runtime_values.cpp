// Values, interned text of both kinds, conversions, message formatting and tables.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "do.h"
#include "sstring.h"
#include "state.h"
#include "table.h"
#include "test_runtime_support.h"
#include "vm.h"

namespace {

using rt::RuntimeTest;

std::u16string U(const char* s) {
  std::u16string r;
  while (*s) r.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
  return r;
}

const lua_WChar* W(const std::u16string& s) { return reinterpret_cast<const lua_WChar*>(s.c_str()); }

TEST_F(RuntimeTest, NarrowAndWideTextAreDistinctInternedValues) {
  TString* a = luaS_newlstr(L, "abc", 3);
  std::u16string w = U("abc");
  TString* wa = luaS_newlwstr(L, W(w), 3);
  EXPECT_NE(static_cast<GCObject*>(a), static_cast<GCObject*>(wa));
  EXPECT_EQ(a, luaS_newlstr(L, "abc", 3));
  EXPECT_EQ(wa, luaS_newlwstr(L, W(w), 3));
  EXPECT_EQ(a->tt, LUA_TSTRING);
  EXPECT_EQ(wa->tt, LUA_TWSTRING);
  TObject o1, o2;
  setsvalue(&o1, a);
  setwsvalue(&o2, wa);
  EXPECT_FALSE(luaO_rawequalObj(&o1, &o2));
  // As table keys they stay apart.
  lua_newtable(L);
  lua_pushstring(L, "k");
  lua_pushnumber(L, 1);
  lua_rawset(L, -3);
  std::u16string wk = U("k");
  lua_pushlwstring(L, W(wk), 1);
  lua_pushnumber(L, 2);
  lua_rawset(L, -3);
  lua_pushstring(L, "k");
  lua_rawget(L, -2);
  EXPECT_EQ(lua_tonumber(L, -1), 1);
  lua_pop(L, 1);
  lua_pushlwstring(L, W(wk), 1);
  lua_rawget(L, -2);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
}

TEST_F(RuntimeTest, WideTextWithZeroUnitKeepsItsLength) {
  const lua_WChar units[] = {'a', 0, 'b'};
  lua_pushlwstring(L, units, 3);
  EXPECT_EQ(lua_strlen(L, -1), 3u);
  const lua_WChar* back = lua_towstring(L, -1);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back[1], 0);
  EXPECT_EQ(back[2], 'b');
  EXPECT_EQ(back[3], 0);
  lua_pushlwstring(L, units, 1);
  EXPECT_FALSE(lua_rawequal(L, -1, -2));
}

TEST_F(RuntimeTest, EmptyTextFromANullPointer) {
  lua_pushlstring(L, nullptr, 0);
  lua_pushlwstring(L, nullptr, 0);
  EXPECT_STREQ(lua_tostring(L, 1), "");
  EXPECT_EQ(lua_strlen(L, 2), 0u);
  EXPECT_EQ(lua_type(L, 2), LUA_TWSTRING);
}

TEST_F(RuntimeTest, InterningTableDoublesWhenCountExceedsSize) {
  luaS_resize(L, 256);
  stringtable* tb = &G(L)->strt;
  int i = 0;
  char buf[32];
  while (tb->nuse < 256) {
    snprintf(buf, sizeof buf, "unique-%d", i++);
    luaS_new(L, buf);
  }
  EXPECT_EQ(tb->size, 256);
  snprintf(buf, sizeof buf, "unique-%d", i++);
  luaS_new(L, buf);
  EXPECT_EQ(tb->nuse, 257u);
  EXPECT_EQ(tb->size, 512);
  // every string is still found after the move
  EXPECT_EQ(luaS_new(L, "unique-0"), luaS_new(L, "unique-0"));
}

TEST_F(RuntimeTest, FreshInterpreterHasAlreadyDoubledItsInterningTable) { EXPECT_EQ(G(L)->strt.size >= 64, true); }

struct Conversion {
  const char* text;
  bool wide;
  bool converts;
  double value;
};

// Numbers become text as "%.14g" would print them, whichever path produces the digits.
TEST(RuntimeConversions, NumberToTextMatchesTheFormat) {
  auto expect = [](double n) {
    char want[64];
    snprintf(want, sizeof want, "%.14g", n);
    char got[32];
    int len = luaO_num2str(n, got);
    ASSERT_STREQ(got, want) << "for " << n;
    ASSERT_EQ(len, static_cast<int>(strlen(want)));
  };
  const double fixed[] = {0.5,
                          -0.5,
                          1.5,
                          0.1,
                          0.2,
                          0.1 + 0.2,
                          0.3,
                          1.005,
                          2.675,
                          123.456,
                          -7.25,
                          1e-4,
                          1.5e-4,
                          9.99e-5,
                          0.00012345,
                          0.001,
                          1e-7,
                          12345678.9,
                          123456789.1,
                          1e13 - 0.5,
                          1e13 + 0.5,
                          99999999999.99,
                          0.99999999999999989,
                          1.0000000000000002,
                          123456789.00000001,
                          3.14159265358979,
                          1.0 / 3,
                          -2.0 / 3,
                          1e100,
                          -1e-300,
                          4.9e-324,
                          1e15 + 0.5,
                          7.5,
                          12.5e-3,
                          0.1 * 3,
                          1.1 * 1.1,
                          100.0 / 7,
                          5e-5,
                          0.05,
                          0.0005};
  for (double n : fixed) expect(n);
  // integers: every digit count, both signs, zeros and the ends of the digit-only form
  for (double base = 1; base <= 1e16; base *= 10)
    for (double d : {-2.0, -1.0, 0.0, 1.0, 9.0, 10.0, 11.0, 99.0, 100.0})
      for (double sign : {1.0, -1.0}) expect(sign * (base + d));
  for (double n : {0.0, -0.0, 1e14 - 1, 1e14, -1e14 + 1, -1e14, 9007199254740992.0, 123456789012345.0}) expect(n);
  // every short decimal shape, and neighbours one ulp away
  for (int d = 1; d <= 7; d++) {
    double p = std::pow(10.0, d);
    for (long long k = -2000; k <= 2000; k += 7) {
      for (long long base : {0LL, 1000LL, 123456LL, 98765432LL, 1234567890123LL}) {
        double n = static_cast<double>(base * (k < 0 ? -1 : 1) + k) / p;
        expect(n);
        expect(std::nextafter(n, 1e300));
        expect(std::nextafter(n, -1e300));
      }
    }
  }
  // scattered magnitudes
  uint64_t seed = 12345;
  for (int i = 0; i < 20000; i++) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    double mant = static_cast<double>(seed >> 11) / 9007199254740992.0;
    int e = static_cast<int>((seed >> 3) % 40) - 20;
    expect(mant * std::pow(10.0, e));
    expect(std::round(mant * 1e6) / std::pow(10.0, static_cast<int>(seed % 9)));
  }
}

TEST(RuntimeConversions, TextToNumber) {
  const Conversion cases[] = {
      {"0x10", false, true, 16},  {"0x10", true, true, 16},   {"0x1.8p1", true, true, 3}, {"1e2", true, true, 100},
      {" 5", true, false, 0},     {"5 ", true, true, 5},      {" 5", false, true, 5},     {"5 ", false, true, 5},
      {"0x1P4", false, true, 16}, {"0x1P4", true, false, 0},  {"1e", true, false, 0},     {"0x.8p1", true, true, 1},
      {"", true, false, 0},       {"-", true, false, 0},      {".", true, false, 0},      {"e5", true, false, 0},
      {"-2.5", true, true, -2.5}, {"+7", true, true, 7},      {"12abc", false, false, 0}, {"12abc", true, false, 0},
      {"", false, false, 0},      {"1e-2", true, true, 0.01}, {"0X1f", true, true, 31},   {"\t3\n", false, true, 3},
  };
  for (const Conversion& c : cases) {
    lua_Number n = -999;
    int r;
    if (c.wide) {
      std::u16string w = U(c.text);
      r = luaO_wstr2d(W(w), &n);
    } else {
      r = luaO_str2d(c.text, &n);
    }
    EXPECT_EQ(r != 0, c.converts) << c.text << (c.wide ? " (wide)" : "");
    if (c.converts) {
      EXPECT_DOUBLE_EQ(n, c.value) << c.text;
    } else {
      EXPECT_EQ(n, -999) << "output untouched for " << c.text;
    }
  }
}

// Decimal integers (the common case, read without the C library) convert exactly as strtod
// reads them, sign of zero included; anything near the edges of the short form falls back.
TEST(RuntimeConversions, DecimalIntegersConvertAsStrtodReadsThem) {
  const char* texts[] = {"0",
                         "-0",
                         "+0",
                         "7",
                         "-7",
                         "+7",
                         "00012",
                         "12 ",
                         "12\t\n",
                         " 12",
                         "12a",
                         "1.",
                         "1.5",
                         "1e3",
                         "0x10",
                         "-",
                         "+",
                         "--1",
                         "+-1",
                         "1 2",
                         "999999999999999",
                         "-999999999999999",
                         "1234567890123456",
                         "123456789012345678901234567890",
                         "9007199254740993",
                         "-0000000000000000001",
                         "1\v",
                         "1\f",
                         "12\x01"};
  for (const char* t : texts) {
    char* end;
    double want = strtod(t, &end);
    bool converts = end != t;
    while (*end == ' ' || (*end >= '\t' && *end <= '\r')) end++;
    converts = converts && *end == 0;
    lua_Number n = -999;
    EXPECT_EQ(luaO_str2d(t, &n) != 0, converts) << t;
    if (converts) {
      EXPECT_EQ(n, want) << t;
      EXPECT_EQ(std::signbit(n), std::signbit(want)) << t;
    } else {
      EXPECT_EQ(n, -999) << t;
    }
  }
}

TEST(RuntimeConversions, WideTextRejectsUnitsAbove255AndNonBlanksAfterTheNumber) {
  lua_Number n;
  const lua_WChar highspace[] = {'5', 0x3000, 0};  // ideographic space
  EXPECT_EQ(luaO_wstr2d(highspace, &n), 0);
  const lua_WChar nbsp[] = {'5', 0xA0, 0};  // below 256 but not blank in the C locale
  EXPECT_EQ(luaO_wstr2d(nbsp, &n), 0);
  const lua_WChar tab[] = {'5', '\t', 0};
  EXPECT_EQ(luaO_wstr2d(tab, &n), 1);
}

TEST(RuntimeConversions, LogAndFloatingByte) {
  EXPECT_EQ(luaO_log2(0), -1);
  EXPECT_EQ(luaO_log2(1), 0);
  EXPECT_EQ(luaO_log2(255), 7);
  EXPECT_EQ(luaO_log2(256), 8);
  EXPECT_EQ(luaO_log2(0x80000000u), 31);
  for (unsigned x = 0; x < 8; x++) EXPECT_EQ(luaO_int2fb(x), static_cast<int>(x));
  for (unsigned x : {8u, 9u, 17u, 100u, 1000u, 123456u}) {
    int fb = luaO_int2fb(x);
    EXPECT_GE(static_cast<unsigned>(fb2int(fb)), x) << x;  // rounds up
  }
  EXPECT_EQ(fb2int(17), 4);
}

TEST(RuntimeConversions, SaturatingIntegerConversion) {
  EXPECT_EQ(luaO_toint(NAN), 0);
  EXPECT_EQ(luaO_toint(1e300), 2147483647);
  EXPECT_EQ(luaO_toint(-1e300), -2147483647 - 1);
  EXPECT_EQ(luaO_toint(3.7), 3);
  EXPECT_EQ(luaO_toint(-3.7), -3);
  EXPECT_EQ(luaO_touint32mod(4294967297.0), 1u);
  EXPECT_EQ(luaO_touint32mod(-1.0), 4294967295u);
  EXPECT_EQ(luaO_touint32mod(INFINITY), 0u);
}

TEST_F(RuntimeTest, FormattedMessages) {
  struct Case {
    std::string got;
    const char* want;
  };
  std::vector<Case> cases;
  cases.push_back({lua_pushfstring(L, "%d", 3), "3"});
  cases.push_back({lua_pushfstring(L, "a%qb"), "ab"});
  cases.push_back({lua_pushfstring(L, "100%%"), "100%"});
  cases.push_back({lua_pushfstring(L, "<%s>", "x"), "<x>"});
  cases.push_back({lua_pushfstring(L, "%c%c", 'o', 'k'), "ok"});
  cases.push_back({lua_pushfstring(L, "%f", 1.5), "1.5"});
  cases.push_back({lua_pushfstring(L, "end%"), "end"});
  cases.push_back({lua_pushfstring(L, "%d items", -12), "-12 items"});
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(RuntimeChunkNames, ShortSourceNames) {
  char out[60];
  luaO_chunkid(out, "=word", 60);
  EXPECT_STREQ(out, "word");
  luaO_chunkid(out, "@file.lua", 60);
  EXPECT_STREQ(out, "file.lua");
  std::string longpath = "@" + std::string(100, 'p') + "/end.lua";
  luaO_chunkid(out, longpath.c_str(), 60);
  EXPECT_EQ(std::string(out).substr(0, 3), "...");
  EXPECT_EQ(std::string(out).substr(std::string(out).size() - 7), "end.lua");
  EXPECT_LT(strlen(out), 60u);
  luaO_chunkid(out, "x = 1", 60);
  EXPECT_STREQ(out, "[string \"x = 1\"]");
  luaO_chunkid(out, "x = 1\ny = 2", 60);
  EXPECT_STREQ(out, "[string \"x = 1...\"]");
  std::string longline(200, 'a');
  luaO_chunkid(out, longline.c_str(), 60);
  EXPECT_EQ(std::string(out), "[string \"" + std::string(43, 'a') + "...\"]");
}

// ---- tables ----

TEST_F(RuntimeTest, TableKeysAndParts) {
  Table* t = luaH_new(L, 0, 0);
  sethvalue(L->top, t);
  L->top++;
  TObject key;
  setnvalue(&key, 1.5);
  setnvalue(luaH_set(L, t, &key), 10);
  EXPECT_EQ(t->sizearray, 0);
  setnvalue(&key, -0.0);
  setnvalue(luaH_set(L, t, &key), 20);
  setnvalue(&key, 0.0);
  EXPECT_EQ(nvalue(luaH_get(t, &key)), 20);
  // keys 1..n in order end in the array part
  Table* a = luaH_new(L, 0, 0);
  sethvalue(L->top, a);
  L->top++;
  for (int i = 1; i <= 100; i++) setnvalue(luaH_setnum(L, a, i), i);
  EXPECT_GE(a->sizearray, 100);
  for (int i = 1; i <= 100; i++) EXPECT_EQ(nvalue(luaH_getnum(a, i)), i);
  // 1, 2 and 1000: 1000 stays in the hash part
  Table* b = luaH_new(L, 0, 0);
  sethvalue(L->top, b);
  L->top++;
  for (int i : {1, 2, 1000}) setnvalue(luaH_setnum(L, b, i), i);
  EXPECT_LT(b->sizearray, 1000);
  EXPECT_EQ(nvalue(luaH_getnum(b, 1000)), 1000);
  EXPECT_EQ(nvalue(luaH_getnum(b, 2)), 2);
}

// A number key hashes as n + 1, which rounds to 1 for every tiny n: such keys share one main
// position and chain there, and each is still a key of its own, found again and visited once.
TEST_F(RuntimeTest, TinyNumberKeysShareAChainAndStayDistinct) {
  Table* t = luaH_new(L, 0, 0);
  sethvalue(L->top, t);
  L->top++;
  const int count = 2000;
  TObject key;
  for (int i = 1; i <= count; i++) {
    setnvalue(&key, 1e-300 * i);
    setnvalue(luaH_set(L, t, &key), i);
  }
  setnvalue(&key, 1 + 1e-15);  // a neighbour of an array index stays apart from it
  setnvalue(luaH_set(L, t, &key), -1);
  setnvalue(luaH_setnum(L, t, 1), -2);
  TObject zero;
  setnvalue(&zero, 0.0);
  for (int i = 1; i <= count; i++) {
    setnvalue(&key, 1e-300 * i);
    EXPECT_EQ(luaH_mainposition(t, &key), luaH_mainposition(t, &zero)) << i;
    EXPECT_EQ(nvalue(luaH_get(t, &key)), i);
  }
  setnvalue(&key, 1 + 1e-15);
  EXPECT_EQ(nvalue(luaH_get(t, &key)), -1);
  EXPECT_EQ(nvalue(luaH_getnum(t, 1)), -2);
  // -0 and 0 are one key
  setnvalue(&key, -0.0);
  setnvalue(luaH_set(L, t, &key), 5);
  setnvalue(&key, 0.0);
  EXPECT_EQ(nvalue(luaH_get(t, &key)), 5);
  // traversal sees each key once
  lua_pushnil(L);
  int seen = 0;
  while (lua_next(L, -2)) {
    seen++;
    lua_pop(L, 1);
  }
  EXPECT_EQ(seen, count + 3);
  ok("local t = {} for i = 1, 3000 do t[i * 1e-310] = i end "
     "local n = 0 for k, v in pairs(t) do assert(k == v * 1e-310) n = n + 1 end assert(n == 3000)");
}

TEST_F(RuntimeTest, TableShrinkingArrayMovesValuesToHash) {
  ok("t = {} for i = 1, 64 do t[i] = i end "
     "for i = 2, 64 do t[i] = nil end "
     "for i = 1, 40 do t['k' .. i] = i end "
     "assert(t[1] == 1 and t.k40 == 40)");
  ok("local n = 0 for k, v in pairs(t) do n = n + 1 end assert(n == 41, n)");
}

TEST_F(RuntimeTest, TableErrors) {
  EXPECT_EQ(error("local t = {} t[nil] = 1"), "t:1: table index is nil");
  EXPECT_EQ(error("local t = {} t[0/0] = 1"), "t:1: table index is NaN");
  EXPECT_EQ(error("next({}, 'nope')"), "invalid key for `next'");
}

TEST_F(RuntimeTest, NextWhileClearingVisitsEveryKeyOnce) {
  ok("local t = {} for i = 1, 50 do t[i] = i; t['s' .. i] = i end "
     "local seen = {} local count = 0 "
     "for k, v in pairs(t) do assert(not seen[k]); seen[k] = true; count = count + 1; t[k] = nil end "
     "assert(count == 100, count) assert(next(t) == nil)");
}

TEST_F(RuntimeTest, NewTablesTakeTheCurrentDefaultMetatable) {
  lua_newtable(L);  // before
  lua_newtable(L);  // the new default
  lua_pushstring(L, "marker");
  lua_pushnumber(L, 7);
  lua_rawset(L, -3);
  lua_pushvalue(L, -1);
  lua_setdefaultmetatable(L, LUA_TTABLE);
  lua_newtable(L);  // after
  ASSERT_TRUE(lua_getmetatable(L, -1));
  EXPECT_TRUE(lua_rawequal(L, -1, -3));
  lua_pop(L, 2);
  ASSERT_TRUE(lua_getmetatable(L, 1));
  EXPECT_FALSE(lua_rawequal(L, -1, 2));
}

}  // namespace
