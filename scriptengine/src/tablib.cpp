// Table library: concat, foreach, foreachi, getn, setn, insert, remove and sort. Sizes come
// from luaL_getn/luaL_setn; every element access is raw.
#include <cstdint>

#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"

namespace {

int tabForeachi(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  int n = luaL_getn(L, 1);
  for (int64_t i = 1; i <= n; i++) {
    lua_pushvalue(L, 2);
    lua_pushnumber(L, (lua_Number)i);
    lua_rawgeti(L, 1, (int)i);
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 1);
  }
  return 0;
}

int tabForeach(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_pushnil(L);
  for (;;) {
    if (lua_next(L, 1) == 0) return 0;
    lua_pushvalue(L, 2);
    lua_pushvalue(L, -3);  // key
    lua_pushvalue(L, -3);  // value
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 2);  // result and value; the key stays for lua_next
  }
}

int tabGetn(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushnumber(L, (lua_Number)luaL_getn(L, 1));
  return 1;
}

int tabSetn(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_setn(L, 1, luaL_checkint(L, 2));
  return 0;
}

int tabInsert(lua_State* L) {
  int v = lua_gettop(L);
  luaL_checktype(L, 1, LUA_TTABLE);
  int size = luaL_getn(L, 1);
  if (size == INT32_MAX) return luaL_error(L, "table overflow");
  int n = size + 1;
  int pos;
  if (v == 2) {
    pos = n;
  } else {
    pos = luaL_checkint(L, 2);
    if (pos == INT32_MAX) return luaL_error(L, "table overflow");
    if (pos > n) n = pos;
    v = 3;
  }
  luaL_setn(L, 1, n);
  for (int i = n - 1; i >= pos; i--) {
    lua_rawgeti(L, 1, i);
    lua_rawseti(L, 1, i + 1);
  }
  lua_pushvalue(L, v);
  lua_rawseti(L, 1, pos);
  return 0;
}

int tabRemove(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  int pos = luaL_optint(L, 2, n);
  if (n <= 0) return 0;
  luaL_setn(L, 1, n - 1);
  lua_rawgeti(L, 1, pos);
  for (int i = pos; i < n; i++) {
    lua_rawgeti(L, 1, i + 1);
    lua_rawseti(L, 1, i);
  }
  lua_pushnil(L);
  lua_rawseti(L, 1, n);
  return 1;
}

int tabConcat(lua_State* L) {
  luaL_Buffer b;
  size_t lsep;
  const char* sep = luaL_optlstring(L, 2, "", &lsep);
  luaL_checktype(L, 1, LUA_TTABLE);
  int64_t i = luaL_optint(L, 3, 1);
  int64_t last = luaL_optint(L, 4, 0);
  if (last == 0) last = luaL_getn(L, 1);
  luaL_buffinit(L, &b);
  for (; i <= last; i++) {
    lua_rawgeti(L, 1, (int)i);
    luaL_argcheck(L, lua_isstring(L, -1), 1, "table contains non-strings");
    luaL_addvalue(&b);
    if (i != last) luaL_addlstring(&b, sep, lsep);
  }
  luaL_pushresult(&b);
  return 1;
}

// ---- sort ----
// The table is at 1, the comparison (or nil) at 2.

void set2(lua_State* L, int i, int j) {
  lua_rawseti(L, 1, i);
  lua_rawseti(L, 1, j);
}

// True when the value at a comes before the value at b.
bool before(lua_State* L, int a, int b) {
  if (!lua_isnil(L, 2)) {
    lua_pushvalue(L, 2);
    lua_pushvalue(L, a - 1);  // one slot deeper after the push
    lua_pushvalue(L, b - 2);
    lua_call(L, 2, 1);
    bool res = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    return res;
  }
  return lua_lessthan(L, a, b) != 0;
}

void auxSort(lua_State* L, int lo, int hi) {
  while (lo < hi) {
    // order t[lo], t[hi]
    lua_rawgeti(L, 1, lo);
    lua_rawgeti(L, 1, hi);
    if (before(L, -1, -2))
      set2(L, lo, hi);
    else
      lua_pop(L, 2);
    if (hi - lo == 1) break;
    int i = lo + (hi - lo) / 2;
    lua_rawgeti(L, 1, i);
    lua_rawgeti(L, 1, lo);
    if (before(L, -2, -1)) {
      set2(L, i, lo);
    } else {
      lua_pop(L, 1);
      lua_rawgeti(L, 1, hi);
      if (before(L, -1, -2))
        set2(L, i, hi);
      else
        lua_pop(L, 2);
    }
    if (hi - lo == 2) break;
    // pivot P = t[i], parked at hi - 1
    lua_rawgeti(L, 1, i);
    lua_pushvalue(L, -1);
    lua_rawgeti(L, 1, hi - 1);
    set2(L, i, hi - 1);
    // P stays on the stack at -1 below the probes
    int a = lo, b = hi - 1;
    for (;;) {
      for (;;) {
        lua_rawgeti(L, 1, ++a);
        if (!before(L, -1, -2)) break;
        if (a > hi) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      for (;;) {
        lua_rawgeti(L, 1, --b);
        if (!before(L, -3, -1)) break;
        if (b < lo) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      if (b < a) {
        lua_pop(L, 3);  // P and the two probes
        break;
      }
      set2(L, a, b);
    }
    lua_rawgeti(L, 1, hi - 1);
    lua_rawgeti(L, 1, a);
    set2(L, hi - 1, a);
    // recurse into the smaller part, loop on the larger
    if (a - lo < hi - a) {
      auxSort(L, lo, a - 1);
      lo = a + 1;
    } else {
      auxSort(L, a + 1, hi);
      hi = a - 1;
    }
  }
}

int tabSort(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, 40, "");
  if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_settop(L, 2);
  auxSort(L, 1, n);
  return 0;
}

const luaL_reg kTabFuncs[] = {
    {"concat", tabConcat}, {"foreach", tabForeach}, {"foreachi", tabForeachi},
    {"getn", tabGetn},     {"setn", tabSetn},       {"sort", tabSort},
    {"insert", tabInsert}, {"remove", tabRemove},   {nullptr, nullptr},
};

}  // namespace

int luaopen_table(lua_State* L) {
  luaL_openlib(L, "table", kTabFuncs, 0);
  return 1;
}
