// The virtual machine and the generic operations shared with the C interface.
#pragma once

#include "object.h"
#include "state.h"

#define tostring(L, o) ((ttype(o) == LUA_TSTRING) || (luaV_tostring(L, o)))
#define tonumber(o, n) (ttype(o) == LUA_TNUMBER || (((o) = luaV_tonumber(o, n)) != nullptr))
#define equalobj(L, o1, o2) (ttype(o1) == ttype(o2) && luaV_equalval(L, o1, o2))

int luaV_lessthan(lua_State* L, const TObject* l, const TObject* r);
int luaV_equalval(lua_State* L, const TObject* t1, const TObject* t2);
const TObject* luaV_tonumber(const TObject* obj, TObject* n);
int luaV_tostring(lua_State* L, StkId obj);
int luaV_towstring(lua_State* L, StkId obj);
// t[key] with tag methods into val (a stack slot); more than 100 chained handlers raise
// "loop in gettable" / "loop in settable".
void luaV_gettable(lua_State* L, const TObject* t, TObject* key, StkId val);
void luaV_settable(lua_State* L, const TObject* t, TObject* key, StkId val);
// Comparison of two strings as the C locale's strcoll, segment by segment.
int luaV_strcmp(const TString* ls, const TString* rs);
StkId luaV_execute(lua_State* L);
void luaV_concat(lua_State* L, int total, int last);
