// Calls, stack growth, errors (a private exception type thrown at the error point and caught
// only by luaD_rawrunprotected), protected calls and chunk loading.
#pragma once

#include "object.h"
#include "state.h"

// Makes room for n more slots above top (the stack may move: re-derive pointers).
#define luaD_checkstack(L, n)                                                                                          \
  if (static_cast<char*>(static_cast<void*>((L)->stack_last)) - static_cast<char*>(static_cast<void*>((L)->top)) <=    \
      static_cast<ptrdiff_t>((n) * sizeof(TObject)))                                                                   \
    luaD_growstack(L, n);

// Nesting limit of native calls (luaD_call); reaching it raises "C stack overflow".
#define LUA_MAXCCALLS 200

#define incr_top(L)                                                                                                    \
  {                                                                                                                    \
    luaD_checkstack(L, 1);                                                                                             \
    L->top++;                                                                                                          \
  }

#define savestack(L, p) (reinterpret_cast<char*>(p) - reinterpret_cast<char*>((L)->stack))
#define restorestack(L, n) (reinterpret_cast<TObject*>(reinterpret_cast<char*>((L)->stack) + (n)))
#define saveci(L, p) (reinterpret_cast<char*>(p) - reinterpret_cast<char*>((L)->base_ci))
#define restoreci(L, n) (reinterpret_cast<CallInfo*>(reinterpret_cast<char*>((L)->base_ci) + (n)))

typedef void (*Pfunc)(lua_State* L, void* ud);

int luaD_protectedparser(lua_State* L, ZIO* z, int bin);
void luaD_callhook(lua_State* L, int event, int line);
// Script function: enters its frame and returns null. Native function: runs it and returns
// its first result (results end at top). A yielding native function: returns (StkId)~0.
StkId luaD_precall(lua_State* L, StkId func);
#define PRECALL_YIELD (reinterpret_cast<StkId>(~static_cast<uintptr_t>(0)))
void luaD_call(lua_State* L, StkId func, int nResults);
int luaD_pcall(lua_State* L, Pfunc func, void* u, ptrdiff_t oldtop, ptrdiff_t ef);
void luaD_poscall(lua_State* L, int wanted, StkId firstResult);
void luaD_reallocCI(lua_State* L, int newsize);
void luaD_reallocstack(lua_State* L, int newsize);
void luaD_growstack(lua_State* L, int n);

[[noreturn]] void luaD_throw(lua_State* L, int errcode);
int luaD_rawrunprotected(lua_State* L, Pfunc f, void* ud);
