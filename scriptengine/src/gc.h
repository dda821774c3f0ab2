// Stop-the-world mark and sweep collector with weak tables and userdata finalisers.
#pragma once

#include "object.h"
#include "state.h"

// Collects when the allocation count reached the threshold (or always in stress mode).
#define luaC_checkGC(L)                                                                                                \
  {                                                                                                                    \
    if (G(L)->nblocks >= G(L)->GCthreshold || G(L)->gcstress) luaC_collectgarbage(L);                                  \
  }

size_t luaC_separateudata(lua_State* L);
void luaC_callGCTM(lua_State* L);
void luaC_sweep(lua_State* L, int all);
void luaC_collectgarbage(lua_State* L);
void luaC_link(lua_State* L, GCObject* o, lu_byte tt);
