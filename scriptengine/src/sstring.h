// Interning of 8-bit and wide strings (one table, shared chains) and userdata creation.
#pragma once

#include "object.h"

#define sizestring(l) (sizeof(TString) + (static_cast<size_t>(l) + 1) * sizeof(char))
#define sizewstring(l) (sizeof(TString) + (static_cast<size_t>(l) + 1) * sizeof(lua_WChar))
#define sizeudata(l) (sizeof(Udata) + (l))

// Marks an object as never collected.
#define luaS_fix(s) ((s)->marked |= (1 << 4))

#define luaS_new(L, s) (luaS_newlstr(L, s, strlen(s)))
#define luaS_newliteral(L, s) (luaS_newlstr(L, "" s, (sizeof(s) / sizeof(char)) - 1))

void luaS_resize(lua_State* L, int newsize);
Udata* luaS_newudata(lua_State* L, size_t s);
// A box: a userdata holding one pointer, its len odd.
Udata* luaS_newudatabox(lua_State* L, void* p);
void luaS_freeall(lua_State* L);
TString* luaS_newlstr(lua_State* L, const char* str, size_t l);
TString* luaS_newlwstr(lua_State* L, const lua_WChar* str, size_t l);
// A string object of l bytes not yet interned: the caller writes its text, then passes it to
// luaS_internspace before anything can allocate or collect. luaS_internspace returns the
// interned string of that text, freeing the object when an equal string already exists.
TString* luaS_newstrspace(lua_State* L, size_t l);
TString* luaS_internspace(lua_State* L, TString* ts);
// Bytes of a userdata's block as allocated (header included).
size_t luaS_udatasize(const Udata* u);
