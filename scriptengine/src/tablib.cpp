// Table library: concat, foreach, foreachi, getn, setn, insert, remove and sort. Sizes come
// from luaL_getn/luaL_setn; every element access is raw.
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"
#include "state.h"
#include "table.h"

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

// ---- sizes for insert and remove ----
// The size of the table at index 1 found by the rules of luaL_getn, remembering where it came
// from, so that the update that follows goes to the same place (the rule of luaL_setn) without
// a second search. Upvalue 1 of every table function is the key "n".

struct TableSize {
  int n;
  bool inField;  // from the field "n"; else from the sizes table (or counted)
  int sizesIdx;  // stack index of the sizes table when not inField
};

// Pops the value on top; its size reading, or -1.
int sizeOfTop(lua_State* L) {
  int n;
  int t = lua_type(L, -1);
  if (t == LUA_TNUMBER) {
    n = luaL_numtoint(lua_tonumber(L, -1));
  } else if (t == LUA_TNIL) {
    n = -1;
  } else {
    lua_Number v = lua_tonumber(L, -1);
    n = (v != 0 || lua_isnumber(L, -1)) ? luaL_numtoint(v) : -1;
  }
  lua_pop(L, 1);
  return n < 0 ? -1 : n;
}

TableSize readSize(lua_State* L) {
  TableSize s{0, false, 0};
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_rawget(L, 1);
  int n = sizeOfTop(L);
  if (n >= 0) {
    s.n = n;
    s.inField = true;
    return s;
  }
  lua_rawgeti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  if (!lua_istable(L, -1)) {  // not made yet: luaL_getn makes it
    lua_pop(L, 1);
    luaL_getn(L, 1);
    lua_rawgeti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  }
  s.sizesIdx = lua_gettop(L);
  lua_pushvalue(L, 1);
  lua_rawget(L, s.sizesIdx);
  n = sizeOfTop(L);
  if (n < 0) {
    for (n = 1; n < INT32_MAX; n++) {
      lua_rawgeti(L, 1, n);
      bool isnil = lua_isnil(L, -1);
      lua_pop(L, 1);
      if (isnil) break;
    }
    n--;
  }
  s.n = n;
  return s;
}

void writeSize(lua_State* L, const TableSize& s, int n) {
  if (s.inField) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, 1);
  } else {
    lua_pushvalue(L, 1);
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, s.sizesIdx);
  }
}

// table.insert(t, v) on a table whose size lives in the sizes table (the usual case for an
// array built by insert): the same reads and writes as the general path below, made on the
// tables directly. False, with nothing changed, for every other case. It runs once per
// element appended, so it reads the key "n" from the running function's upvalue and looks
// the table up in the sizes table itself rather than through the stack.
bool appendDirect(lua_State* L) {
  Table* t = hvalue(L->base);
  const TObject* fn = L->base - 1;
  if (!ttisfunction(fn) || !clvalue(fn)->isC || clvalue(fn)->nupvalues < 1) return false;
  const TObject* nkey = &static_cast<CClosure*>(clvalue(fn))->upvalue[0];
  if (!ttisstring(nkey)) return false;
  if (!ttisnil(luaH_getstr(t, tsvalue(nkey)))) return false;  // a field "n" decides: general path
  Table* reg = hvalue(registry(L));
  const TObject* sizes =
      ARRAYSIZE_REF <= reg->sizearray ? &reg->array[ARRAYSIZE_REF - 1] : luaH_getnum(reg, ARRAYSIZE_REF);
  if (!ttistable(sizes)) return false;
  TObject* size = nullptr;
  for (Node* n = luaH_addrposition(hvalue(sizes), t); n != nullptr; n = gnext(n)) {
    if (ttistable(gkey(n)) && hvalue(gkey(n)) == t) {
      size = gval(n);
      break;
    }
  }
  if (size == nullptr || !ttisnumber(size)) return false;
  // the general path's reading (luaL_numtoint) gives the same for every size taken here
  lua_Number old = nvalue(size);
  if (!(old >= 0 && old < 2147483647.0)) return false;
  int n = static_cast<int>(old) + 1;
  setnvalue(size, (lua_Number)n);  // the entry exists: update in place
  TObject* slot =
      static_cast<unsigned>(n - 1) < static_cast<unsigned>(t->sizearray) ? &t->array[n - 1] : luaH_setnum(L, t, n);
  setobj2t(slot, L->base + 1);
  return true;
}

// Moves the integer keys lo..hi of the table at 1 by `delta' (+1 or -1): afterwards every
// t[k + delta] holds the old t[k] for k in lo..hi, and a key of lo..hi that nothing moved onto
// is nil. For a range far larger than the table (a far-away position) only the keys present
// are moved, so the cost follows the table's size and not the range's length; the result is
// the same as moving one slot at a time.
void shiftRange(lua_State* L, int64_t lo, int64_t hi, int delta) {
  if (lo > hi) return;
  Table* h = hvalue(L->base);
  int64_t slots = (int64_t)h->sizearray + (int64_t)sizenode(h);
  if (hi - lo < 2 * slots + 64) {
    if (delta > 0) {
      for (int64_t i = hi; i >= lo; i--) {
        lua_rawgeti(L, 1, (int)i);
        lua_rawseti(L, 1, (int)(i + 1));
      }
    } else {
      for (int64_t i = lo; i <= hi; i++) {
        lua_rawgeti(L, 1, (int)i);
        lua_rawseti(L, 1, (int)(i - 1));
      }
    }
    return;
  }
  // Keys lo..hi together with the slot they move onto, as a set of present keys.
  int64_t first = delta > 0 ? lo : lo - 1;
  int64_t last = delta > 0 ? hi + 1 : hi;
  lua_newtable(L);  // moved values by their old key
  int moved = lua_gettop(L);
  lua_pushnil(L);
  while (lua_next(L, 1)) {
    if (lua_type(L, -2) == LUA_TNUMBER) {
      lua_Number k = lua_tonumber(L, -2);
      if (k >= (lua_Number)first && k <= (lua_Number)last && k == (lua_Number)(int64_t)k) {
        lua_pushvalue(L, -2);
        lua_insert(L, -2);
        lua_rawset(L, moved);  // old key -> value (the key stays for lua_next)
        continue;
      }
    }
    lua_pop(L, 1);
  }
  // Clear every present key of the whole span, then store the moved values one key along.
  lua_pushnil(L);
  while (lua_next(L, moved)) {
    lua_pop(L, 1);
    lua_pushvalue(L, -1);
    lua_pushnil(L);
    lua_rawset(L, 1);
  }
  lua_pushnil(L);
  while (lua_next(L, moved)) {
    int64_t k = (int64_t)lua_tonumber(L, -2);
    if (k >= lo && k <= hi) {
      lua_rawseti(L, 1, (int)(k + delta));
    } else {
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);  // the moved values
}

// table.insert apart from the direct append: kept out of line, so that an append pays for
// no more than it uses.
__attribute__((noinline)) int insertGeneral(lua_State* L) {
  int v = lua_gettop(L);
  luaL_checktype(L, 1, LUA_TTABLE);
  int pos = 0;
  if (v != 2) pos = luaL_checkint(L, 2);  // a bad position fails before anything changes
  TableSize size = readSize(L);
  if (size.n == INT32_MAX) return luaL_error(L, "table overflow");
  int n = size.n + 1;
  if (v == 2) {
    pos = n;
  } else {
    if (pos == INT32_MAX) return luaL_error(L, "table overflow");
    if (pos > n) n = pos;
    v = 3;
  }
  writeSize(L, size, n);
  shiftRange(L, pos, (int64_t)n - 1, +1);
  lua_pushvalue(L, v);
  lua_rawseti(L, 1, pos);
  return 0;
}

int tabInsert(lua_State* L) {
  if (L->top - L->base == 2 && ttistable(L->base) && appendDirect(L)) return 0;
  return insertGeneral(L);
}

int tabRemove(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  bool hasPos = !lua_isnoneornil(L, 2);
  int pos = hasPos ? luaL_checkint(L, 2) : 0;
  TableSize size = readSize(L);
  int n = size.n;
  if (!hasPos) pos = n;
  if (n <= 0) return 0;
  writeSize(L, size, n - 1);
  lua_rawgeti(L, 1, pos);
  shiftRange(L, (int64_t)pos + 1, n, -1);
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
  Table* t = hvalue(L->base);  // tables do not move; nothing here changes this one
  for (; i <= last; i++) {
    const TObject* o = luaH_getnum(t, (int)i);
    size_t room = (size_t)(LUAL_BUFFERSIZE - (b.p - b.buffer));
    if (ttisstring(o) && tsvalue(o)->len <= room) {
      // The common case, copied straight from the element: it fits, so no flush (and so no
      // collection, which a finaliser could use to drop the element) happens during the copy.
      memcpy(b.p, getstr(tsvalue(o)), tsvalue(o)->len);
      b.p += tsvalue(o)->len;
    } else {
      lua_rawgeti(L, 1, (int)i);
      int type = lua_type(L, -1);
      luaL_argcheck(L, type == LUA_TSTRING || type == LUA_TNUMBER || type == LUA_TWSTRING, 1,
                    "table contains non-strings");
      luaL_addvalue(&b);  // a wide string raises the concatenation error here
    }
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

// True when the value at a comes before the value at b; `comp` tells whether a comparison
// function is at index 2.
bool before(lua_State* L, bool comp, int a, int b) {
  if (comp) {
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

void auxSort(lua_State* L, bool comp, int lo, int hi) {
  while (lo < hi) {
    // order t[lo], t[hi]
    lua_rawgeti(L, 1, lo);
    lua_rawgeti(L, 1, hi);
    if (before(L, comp, -1, -2))
      set2(L, lo, hi);
    else
      lua_pop(L, 2);
    if (hi - lo == 1) break;
    int i = lo + (hi - lo) / 2;
    lua_rawgeti(L, 1, i);
    lua_rawgeti(L, 1, lo);
    if (before(L, comp, -2, -1)) {
      set2(L, i, lo);
    } else {
      lua_pop(L, 1);
      lua_rawgeti(L, 1, hi);
      if (before(L, comp, -1, -2))
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
        // a passes hi at the latest when it would pass the largest int, which no key beyond
        // can follow: the same error, raised without the probe of that key
        if (a == INT32_MAX) luaL_error(L, "invalid order function for sorting");
        lua_rawgeti(L, 1, ++a);
        bool less = before(L, comp, -1, -2);
        // Past hi only an inconsistent comparison can lead. Stopping there without an error
        // would swap t[hi + 1] into the range and then loop on the same range for ever.
        if (a > hi) luaL_error(L, "invalid order function for sorting");
        if (!less) break;
        lua_pop(L, 1);
      }
      for (;;) {
        lua_rawgeti(L, 1, --b);
        if (!before(L, comp, -3, -1)) break;
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
      auxSort(L, comp, lo, a - 1);
      lo = a + 1;
    } else {
      auxSort(L, comp, a + 1, hi);
      hi = a - 1;
    }
  }
}

// The same quicksort over plain numbers, for a range that holds nothing else and no NaN: the
// order is then consistent, no scan can leave the range, and no comparison can call into the
// engine, so running it on a copy and writing the copy back gives exactly what sorting in
// place gives. a[0] is unused so that indices match the table's.
void quickNumbers(std::vector<double>& a, int lo, int hi) {
  while (lo < hi) {
    if (a[hi] < a[lo]) std::swap(a[lo], a[hi]);
    if (hi - lo == 1) break;
    int i = lo + (hi - lo) / 2;
    if (a[i] < a[lo])
      std::swap(a[i], a[lo]);
    else if (a[hi] < a[i])
      std::swap(a[i], a[hi]);
    if (hi - lo == 2) break;
    double p = a[i];
    std::swap(a[i], a[hi - 1]);
    int x = lo, y = hi - 1;
    for (;;) {
      while (a[++x] < p) {}
      while (p < a[--y]) {}
      if (y < x) break;
      std::swap(a[x], a[y]);
    }
    std::swap(a[hi - 1], a[x]);
    if (x - lo < hi - x) {
      quickNumbers(a, lo, x - 1);
      lo = x + 1;
    } else {
      quickNumbers(a, x + 1, hi);
      hi = x - 1;
    }
  }
}

// True when t[1..n] held only numbers other than NaN and has been sorted.
bool sortPlainNumbers(lua_State* L, int n) {
  std::vector<double> a(1);
  for (int i = 1; i <= n; i++) {
    lua_rawgeti(L, 1, i);
    bool number = lua_type(L, -1) == LUA_TNUMBER;
    double d = number ? lua_tonumber(L, -1) : 0;
    lua_pop(L, 1);
    if (!number || d != d) return false;
    a.push_back(d);
  }
  quickNumbers(a, 1, n);
  for (int i = 1; i <= n; i++) {
    lua_pushnumber(L, a[i]);
    lua_rawseti(L, 1, i);
  }
  return true;
}

int tabSort(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, 40, "");
  if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_settop(L, 2);
  bool comp = !lua_isnil(L, 2);
  if (!comp && n > 1 && sortPlainNumbers(L, n)) return 0;
  auxSort(L, comp, 1, n);
  return 0;
}

const luaL_reg kTabFuncs[] = {
    {"concat", tabConcat}, {"foreach", tabForeach}, {"foreachi", tabForeachi}, {"getn", tabGetn},  {"setn", tabSetn},
    {"sort", tabSort},     {"insert", tabInsert},   {"remove", tabRemove},     {nullptr, nullptr},
};

}  // namespace

int luaopen_table(lua_State* L) {
  lua_pushliteral(L, "n");  // upvalue 1: the size field's key, interned once
  luaL_openlib(L, "table", kTabFuncs, 1);
  return 1;
}
