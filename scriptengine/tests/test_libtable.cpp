// Table library and the auxiliary table sizes through the C interface.
#include "state.h"
#include "table.h"
#include "test_lib_support.h"

using namespace libtest;

namespace {

class TableLibTest : public LibTest {
protected:
  // Makes a global array `name` from the values (nil holes allowed).
  void makeArray(const char* name, std::vector<V> values) {
    lua_pushstring(L, name);
    lua_newtable(L);
    for (size_t i = 0; i < values.size(); i++) {
      push(L, values[i]);
      lua_rawseti(L, -2, (int)i + 1);
    }
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  // Calls `fn` with the global table `name` first and further arguments.
  Result callOn(const char* fn, const char* name, std::vector<V> more = {}) {
    Result r;
    pushPath(L, fn);
    pushPath(L, name);
    for (const V& v : more) push(L, v);
    r.status = lua_pcall(L, 1 + (int)more.size(), LUA_MULTRET, 0);
    if (r.status != 0) {
      const char* m = lua_tostring(L, -1);
      r.error = m ? m : "";
    } else {
      for (int i = 1; i <= lua_gettop(L); i++) r.values.push_back(read(L, i));
    }
    lua_settop(L, 0);
    return r;
  }
  std::vector<V> contents(const char* name, int n) {
    std::vector<V> out;
    pushPath(L, name);
    for (int i = 1; i <= n; i++) {
      lua_rawgeti(L, -1, i);
      out.push_back(read(L, -1));
      lua_pop(L, 1);
    }
    lua_settop(L, 0);
    return out;
  }
  int size(const char* name) {
    pushPath(L, name);
    int n = luaL_getn(L, -1);
    lua_settop(L, 0);
    return n;
  }
};

TEST_F(TableLibTest, InsertAndRemoveKeepTheSize) {
  makeArray("t", {N(1), N(2), N(3)});
  ASSERT_EQ(callOn("table.insert", "t", {N(10), S("x")}).status, 0);
  EXPECT_EQ(size("t"), 10);
  EXPECT_EQ(contents("t", 10).back(), S("x"));
  makeArray("u", {N(1), N(2), N(3)});
  ASSERT_EQ(callOn("table.insert", "u", {N(1), S("a")}).status, 0);
  EXPECT_EQ(contents("u", 4), (std::vector<V>{S("a"), N(1), N(2), N(3)}));
  ASSERT_EQ(callOn("table.insert", "u", {S("z")}).status, 0);
  EXPECT_EQ(contents("u", 5).back(), S("z"));

  makeArray("e", {});
  EXPECT_TRUE(callOn("table.remove", "e").values.empty());
  EXPECT_EQ(size("e"), 0);
  makeArray("r", {N(1), N(2), N(3)});
  EXPECT_EQ(callOn("table.remove", "r").values, std::vector<V>{N(3)});
  EXPECT_EQ(size("r"), 2);
  makeArray("q", {N(1), N(2), N(3)});
  EXPECT_EQ(callOn("table.remove", "q", {N(1)}).values, std::vector<V>{N(1)});
  EXPECT_EQ(contents("q", 3), (std::vector<V>{N(2), N(3), Nil()}));
}

// Appends through table.insert into tables whose array part has a fixed starting size: each
// element lands at the next key, whether that is an array slot, the first key past the array
// or a key after the array has grown, and the size follows.
TEST_F(TableLibTest, AppendsCrossTheEndOfTheArrayPart) {
  const int arraySizes[] = {0, 1, 2, 3, 4, 8};
  for (int asize : arraySizes) {
    lua_pushliteral(L, "t");
    sethvalue(L->top, luaH_new(L, asize, 0));
    L->top++;
    ASSERT_EQ(hvalue(L->top - 1)->sizearray, asize);
    lua_settable(L, LUA_GLOBALSINDEX);
    for (int k = 1; k <= 2 * asize + 3; k++) {
      std::string v = "v" + std::to_string(k);
      ASSERT_EQ(callOn("table.insert", "t", {S(v)}).status, 0) << asize << " " << k;
      EXPECT_EQ(size("t"), k) << asize;
      std::vector<V> got = contents("t", k + 1);
      EXPECT_EQ(got[k - 1], S(v)) << asize << " " << k;
      EXPECT_EQ(got[k], Nil()) << asize << " " << k;
      if (k > 1) { EXPECT_EQ(got[k - 2], S("v" + std::to_string(k - 1))) << asize << " " << k; }
    }
  }
}

TEST_F(TableLibTest, ConcatJoinsStringsAndNumbers) {
  makeArray("t", {N(1), N(2), N(3)});
  EXPECT_EQ(callOn("table.concat", "t", {S(", ")}).values, std::vector<V>{S("1, 2, 3")});
  EXPECT_EQ(callOn("table.concat", "t", {S(", "), N(3), N(2)}).values, std::vector<V>{S("")});
  EXPECT_EQ(callOn("table.concat", "t", {S("-"), N(2), N(0)}).values, std::vector<V>{S("2-3")});
  EXPECT_EQ(callOn("table.concat", "t").values, std::vector<V>{S("123")});
  makeArray("bad", {N(1), B(true)});
  Result r = callOn("table.concat", "bad");
  EXPECT_NE(r.error.find("bad argument #1"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("(table contains non-strings)"), std::string::npos) << r.error;
  makeArray("w", {S("a"), W(u"b")});
  r = callOn("table.concat", "w");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.error.find("concatenate"), std::string::npos) << r.error;
  std::vector<V> many;
  std::string expect;
  for (int i = 0; i < 3000; i++) {
    many.push_back(S("ab"));
    expect += "ab";
  }
  makeArray("m", many);
  EXPECT_EQ(callOn("table.concat", "m").values, std::vector<V>{S(expect)});
}

// Finaliser for the test below: drops element 1 of the global table "victim" and makes the
// next allocation check collect again.
int dropVictimElement(lua_State* L) {
  lua_pushstring(L, "victim");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushnil(L);
  lua_rawseti(L, -2, 1);
  G(L)->GCthreshold = 0;
  return 0;
}

TEST_F(TableLibTest, ConcatKeepsALongElementAliveWhileAFinaliserDropsIt) {
  std::string text(5000, 'q');
  text += "end";
  makeArray("victim", {S(text)});  // the table is the element's only holder
  pushPath(L, "table.concat");
  pushPath(L, "victim");
  lua_pushstring(L, "");
  lua_pushnumber(L, 1);
  lua_pushnumber(L, 1);
  // A finalisable userdata that becomes garbage now; the first collection comes from the
  // buffer's first spill inside concat and runs the finaliser there.
  lua_newuserdata(L, 8);
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  lua_pushcfunction(L, dropVictimElement);
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  lua_pop(L, 1);
  G(L)->GCthreshold = 0;
  ASSERT_EQ(lua_pcall(L, 4, 1, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(read(L, -1), S(text));
  lua_settop(L, 0);
  EXPECT_EQ(contents("victim", 1), std::vector<V>{Nil()});  // the finaliser did run
}

TEST_F(TableLibTest, SortOrdersNumbersAndStrings) {
  makeArray("t", {N(5), N(3), N(9), N(1), N(3), N(7), N(2), N(8)});
  ASSERT_EQ(callOn("table.sort", "t").status, 0);
  EXPECT_EQ(contents("t", 8), (std::vector<V>{N(1), N(2), N(3), N(3), N(5), N(7), N(8), N(9)}));
  makeArray("s", {S("pear"), S("apple"), S("fig"), S("banana")});
  ASSERT_EQ(callOn("table.sort", "s").status, 0);
  EXPECT_EQ(contents("s", 4), (std::vector<V>{S("apple"), S("banana"), S("fig"), S("pear")}));
  makeArray("big", {});
  pushPath(L, "big");
  for (int i = 1; i <= 1000; i++) {
    lua_pushnumber(L, (i * 7919) % 1000);
    lua_rawseti(L, -2, i);
  }
  lua_settop(L, 0);
  ASSERT_EQ(callOn("table.sort", "big").status, 0);
  auto c = contents("big", 1000);
  for (int i = 1; i < 1000; i++) EXPECT_LE(c[i - 1].n, c[i].n);
}

int alwaysTrue(lua_State* L) {
  lua_pushboolean(L, 1);
  return 1;
}

int greater(lua_State* L) {
  lua_pushboolean(L, lua_tonumber(L, 1) > lua_tonumber(L, 2));
  return 1;
}

TEST_F(TableLibTest, SortUsesTheComparisonAndDetectsInconsistentOnes) {
  makeArray("t", {N(1), N(4), N(2), N(3)});
  pushPath(L, "table.sort");
  pushPath(L, "t");
  lua_pushcfunction(L, greater);
  ASSERT_EQ(lua_pcall(L, 2, 0, 0), 0);
  EXPECT_EQ(contents("t", 4), (std::vector<V>{N(4), N(3), N(2), N(1)}));
  makeArray("u", {N(1), N(2), N(3), N(4), N(5)});
  pushPath(L, "table.sort");
  pushPath(L, "u");
  lua_pushcfunction(L, alwaysTrue);
  ASSERT_NE(lua_pcall(L, 2, 0, 0), 0);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("invalid order function for sorting"), std::string::npos);
  lua_settop(L, 0);
  Result r = callOn("table.sort", "t", {N(1)});
  EXPECT_NE(r.error.find("(function expected, got number)"), std::string::npos) << r.error;
}

TEST_F(TableLibTest, SizesComeFromNThenTheSizesTableThenCounting) {
  // {n = 2, 1, 2, 3}
  lua_newtable(L);
  for (int i = 1; i <= 3; i++) {
    lua_pushnumber(L, i);
    lua_rawseti(L, -2, i);
  }
  EXPECT_EQ(luaL_getn(L, -1), 3);
  lua_pushliteral(L, "n");
  lua_pushnumber(L, 2);
  lua_rawset(L, -3);
  EXPECT_EQ(luaL_getn(L, -1), 2);
  luaL_setn(L, -1, 7);  // has n: n changes
  EXPECT_EQ(luaL_getn(L, -1), 7);
  lua_settop(L, 0);
  lua_newtable(L);
  luaL_setn(L, -1, 10);
  EXPECT_EQ(luaL_getn(L, -1), 10);
  lua_pushliteral(L, "n");
  lua_rawget(L, -2);
  EXPECT_TRUE(lua_isnil(L, -1)) << "the size lives in the sizes table";
  lua_settop(L, 0);
  // field n of 3.7 truncates; huge and NaN values stay defined
  const double values[] = {3.7, 1e300, -1e300};
  const int expect[] = {3, 2147483647, 0};
  for (int k = 0; k < 3; k++) {
    lua_newtable(L);
    lua_pushliteral(L, "n");
    lua_pushnumber(L, values[k]);
    lua_rawset(L, -3);
    EXPECT_EQ(luaL_getn(L, -1), expect[k]) << values[k];
    lua_settop(L, 0);
  }
  makeArray("g", {N(1), N(2)});
  EXPECT_EQ(callOn("table.getn", "g").values, std::vector<V>{N(2)});
  ASSERT_EQ(callOn("table.setn", "g", {N(5)}).status, 0);
  EXPECT_EQ(callOn("table.getn", "g").values, std::vector<V>{N(5)});
  Result r = callOn("table.getn", "nosuchtable");
  EXPECT_NE(r.error.find("(table expected, got nil)"), std::string::npos) << r.error;
}

TEST_F(TableLibTest, ForeachStopsAtTheFirstResult) {
  makeArray("t", {S("a"), S("b"), S("c")});
  pushPath(L, "table.foreachi");
  pushPath(L, "t");
  lua_pushcfunction(L, [](lua_State* L) -> int {
    if (lua_tonumber(L, 1) == 2) {
      lua_pushvalue(L, 2);
      return 1;
    }
    return 0;
  });
  ASSERT_EQ(lua_pcall(L, 2, 1, 0), 0);
  EXPECT_EQ(read(L, -1), S("b"));
  lua_settop(L, 0);
  pushPath(L, "table.foreach");
  pushPath(L, "t");
  lua_pushcfunction(L, [](lua_State*) -> int { return 0; });
  ASSERT_EQ(lua_pcall(L, 2, LUA_MULTRET, 0), 0);
  EXPECT_EQ(lua_gettop(L), 0);
  lua_settop(L, 0);
}

TEST_F(TableLibTest, UnpackReturnsTheElements) {
  makeArray("t", {N(1), S("x"), B(true)});
  EXPECT_EQ(callOn("unpack", "t").values, (std::vector<V>{N(1), S("x"), B(true)}));
  makeArray("e", {});
  EXPECT_TRUE(callOn("unpack", "e").values.empty());
  lua_newtable(L);
  lua_pushliteral(L, "n");
  lua_pushnumber(L, 1e9);
  lua_rawset(L, -3);
  lua_pushliteral(L, "huge");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  Result r = callOn("unpack", "huge");
  EXPECT_NE(r.error.find("stack overflow (table too big to unpack)"), std::string::npos) << r.error;
}

// Positions and sizes a script hands over at and beyond the limits of a 32-bit int: every
// index computed from them stays defined (the sanitizer build aborts on any overflow), and
// each call gives its documented result. Each case is a chunk returning one text.
TEST_F(TableLibTest, PositionsAtTheIntegerLimits) {
  // show(t): the keys and values in key order (as text), then the size table.getn finds
  const std::string prelude =
      "local function show(t) local r = {} for k, v in pairs(t) do r[table.getn(r) + 1] = k .. '=' .. tostring(v) "
      "end table.sort(r) return table.concat(r, ' ') .. ' #' .. table.getn(t) end "
      "local MIN, MAX = -2147483648, 2147483647 ";
  struct Case {
    const char* chunk;
    const char* result;
  } cases[] = {
      // pos - 1 of the smallest int: the elements pos .. n - 1 move up one
      {"local t = {1, 2, 3} table.insert(t, MIN, 5) return show(t)", "-2147483648=5 2=1 3=2 4=3 #4"},
      {"local t = {1, 2, 3} return tostring(table.remove(t, MIN)) .. ': ' .. show(t)", "nil: 0=1 1=2 2=3 #2"},
      {"local ok, e = pcall(table.concat, {1, 2}, ',', MIN, MIN + 1) return e",
       "bad argument #1 to `?' (table contains non-strings)"},
      {"return table.concat({[MIN] = 'a', [MIN + 1] = 'b', [-1] = 'c'}, ',', MIN, MIN + 1)", "a,b"},
      {"local t = {1, 2, 3} return tostring(table.remove(t, MAX)) .. ': ' .. show(t)", "nil: 1=1 2=2 #2"},
      {"local t = {1, 2, 3} table.insert(t, MAX - 1, 'x') return show(t)", "1=1 2147483646=x 2=2 3=3 #2147483646"},
      {"local ok, e = pcall(table.insert, {1}, MAX, 'x') return e", "table overflow"},
      {"local t = {n = MAX} return tostring(table.remove(t)) .. ': ' .. show(t)", "nil: n=2147483646 #2147483646"},
      {"local t = {} table.setn(t, MIN) return show(t)", " #0"},
      {"local t = {[MAX] = 'z'} table.setn(t, MAX) return table.concat(t, '', MAX)", "z"},
      {"local ok, e = pcall(unpack, {n = MAX}) return e", "stack overflow (table too big to unpack)"},
      {"local f, t = ipairs({}) local a = f(t, MAX) local b = f({[MIN + 1] = 1}, MIN) "
       "return tostring(a) .. ' ' .. tostring(b)",
       "nil -2147483647"},
      {"return string.sub('hello', MIN, MAX) .. string.sub('hello', MAX, MIN) .. string.sub('hello', -MAX)",
       "hellohello"},
      {"local a, b = string.byte('hello', MIN), string.byte('hello', MAX) return tostring(a) .. tostring(b)", "nilnil"},
      {"return table.concat({string.find('hello', 'l', MIN)}, ',') .. ';' .. tostring(string.find('hello', 'l', MAX))",
       "3,3;nil"},
      {"return string.gsub('hello', 'l', 'L', MIN) .. string.gsub('hello', '', '.', MAX)", "hello.h.e.l.l.o."},
      {"return string.rep('ab', MIN) .. '|' .. string.format('%d %i %5.1d', MIN - 1, MAX + 1, MIN)",
       "|-2147483648 2147483647 -2147483648"},
      {"return table.concat({string.unpack('abc', 'b', MIN)}, ',') .. ';' .. string.unpack('abc', 'b', MAX)",
       "2,97;2147483647"},
      {"local ok, e = pcall(string.char, MIN) return e", "bad argument #1 to `?' (invalid value)"},
      {"local ok, e = pcall(string.pack, 'A2147483648', 'x') return e", "bad argument #1 to `?' (bad code `A')"},
      {"return string.lualex('x', MIN) == 'x\\0' and 'wide' or 'narrow'", "wide"},
      {"local ok, e = pcall(tonumber, '10', MIN) return e", "bad argument #2 to `?' (base out of range)"},
  };
  for (const Case& c : cases) {
    std::string src = prelude + c.chunk;
    ASSERT_EQ(luaL_loadbuffer(L, src.data(), src.size(), "=case"), 0) << lua_tostring(L, -1);
    int status = lua_pcall(L, 0, 1, 0);
    const char* text = lua_tostring(L, -1);
    EXPECT_EQ(std::string(text ? text : "(not text)"), c.result) << "status " << status << " in " << c.chunk;
    lua_settop(L, 0);
  }
  // The same keys through the C interface.
  lua_newtable(L);
  lua_pushliteral(L, "low");
  lua_rawseti(L, 1, -2147483647 - 1);
  lua_rawgeti(L, 1, -2147483647 - 1);
  EXPECT_EQ(read(L, -1), S("low"));
  lua_rawgeti(L, 1, 2147483647);
  EXPECT_EQ(read(L, -1), Nil());
  lua_settop(L, 0);
}

}  // namespace
