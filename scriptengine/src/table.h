// Tables: an array part for keys 1..sizearray and a chained scatter hash part.
#pragma once

#include "object.h"

#define MAXBITS 24

// A number key n hashes to the sum of the two 32-bit halves of the double n + 1, modulo
// ((node count - 1) | 1). Adding 1 makes -0 and +0 (the same key) one double, and it is part of
// where every number key lives, so of the order `next` gives. The remainder is taken by
// multiplication with a precomputed inverse of the divisor for each node-array size (exact for
// every 32-bit dividend), not a division.
extern const uint64_t luaH_nummagic[MAXBITS + 1];
inline Node* luaH_hashnum(const Table* t, lua_Number n) {
  n += 1;
  lu_int32 a[2];
  memcpy(a, &n, sizeof(a));
  lu_int32 h = a[0] + a[1];
  lu_int32 d = static_cast<lu_int32>((sizenode(t) - 1) | 1);
  uint64_t low = luaH_nummagic[t->lsizenode] * h;
  return gnode(t, static_cast<lu_int32>((static_cast<unsigned __int128>(low) * d) >> 64));
}

// Lookup of a number key that is not an index into the array part.
inline const TObject* luaH_getnumhash(Table* t, lua_Number key) {
  Node* n = luaH_hashnum(t, key);
  do {
    if (n->i_key.tt == LUA_TNUMBER && n->i_key.value.n == key) return &n->i_val;
    n = gnext(n);
  } while (n);
  return luaO_nilobject;
}

// Main position of a key hashed by its address (collectable objects, light userdata).
inline Node* luaH_addrposition(const Table* t, const void* p) {
  return gnode(t, reinterpret_cast<uintptr_t>(p) % static_cast<size_t>((sizenode(t) - 1) | 1));
}

const TObject* luaH_getnum(Table* t, int key);
TObject* luaH_setnum(lua_State* L, Table* t, int key);
// Lookup of an 8-bit string key: interned text compares by identity.
inline const TObject* luaH_getstr(Table* t, TString* key) {
  Node* n = &t->node[key->hash & static_cast<lu_int32>((1 << t->lsizenode) - 1)];
  do {
    if (n->i_key.tt == LUA_TSTRING && n->i_key.value.gc == key) return &n->i_val;
    n = gnext(n);
  } while (n);
  return luaO_nilobject;
}
const TObject* luaH_get(Table* t, const TObject* key);
TObject* luaH_set(lua_State* L, Table* t, const TObject* key);
// Slot for a key that a lookup just found absent (not merely holding nil): the key is added
// (raising for nil and NaN keys) and the table's tag-method absence cache is cleared.
TObject* luaH_newkey(lua_State* L, Table* t, const TObject* key);
Table* luaH_new(lua_State* L, int narray, int lnhash);
void luaH_free(lua_State* L, Table* t);
int luaH_next(lua_State* L, Table* t, StkId key);
Node* luaH_mainposition(const Table* t, const TObject* key);
