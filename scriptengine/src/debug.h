// Positioned error messages, variable names, debug queries and the bytecode checker.
#pragma once

#include "object.h"
#include "state.h"

#define pcRel(pc, p) (static_cast<int>((pc) - (p)->code) - 1)
#define getline_(f, pc) (((f)->lineinfo) ? (f)->lineinfo[pc] : 0)
#define resethookcount(L) (L->hookcount = L->basehookcount)

void luaG_inithooks(lua_State* L);
[[noreturn]] void luaG_typeerror(lua_State* L, const TObject* o, const char* opname);
[[noreturn]] void luaG_concaterror(lua_State* L, StkId p1, StkId p2);
[[noreturn]] void luaG_aritherror(lua_State* L, const TObject* p1, const TObject* p2);
[[noreturn]] void luaG_ordererror(lua_State* L, const TObject* p1, const TObject* p2);
[[noreturn]] void luaG_runerror(lua_State* L, const char* fmt, ...);
[[noreturn]] void luaG_errormsg(lua_State* L);
int luaG_checkcode(const Proto* pt);
int luaG_currentline(lua_State* L, CallInfo* ci);
