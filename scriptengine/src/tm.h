// Tag methods (metatable events) and per-type default metatables.
#pragma once

#include "object.h"

enum TMS {
  TM_INDEX,
  TM_NEWINDEX,
  TM_GC,
  TM_MODE,
  TM_EQ,  // last tag method with a fast (cached absence) lookup
  TM_ADD,
  TM_SUB,
  TM_MUL,
  TM_DIV,
  TM_POW,
  TM_UNM,
  TM_LT,
  TM_LE,
  TM_CONCAT,
  TM_CALL,
  TM_N
};

#define gfasttm(g, et, e)                                                                                              \
  (((et) == nullptr) ? nullptr : ((et)->flags & (1u << (e))) ? nullptr : luaT_gettm(et, e, (g)->tmname[e]))
#define fasttm(l, et, e) gfasttm(G(l), et, e)

const TObject* luaT_gettm(Table* events, TMS event, TString* ename);
const TObject* luaT_gettmbyobj(lua_State* L, const TObject* o, TMS event);
Table* luaT_getmetatable(lua_State* L, const TObject* o);
void luaT_init(lua_State* L);
