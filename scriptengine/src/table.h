// Tables: an array part for keys 1..sizearray and a chained scatter hash part.
#pragma once

#include "object.h"

#define MAXBITS 24

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
