// Memory: the only path from the engine to the allocator.
#include "mem.h"

#include <cstdlib>

#include "debug.h"
#include "do.h"
#include "state.h"

void* l_alloc(void*, void* block, size_t, size_t newsize, int, unsigned) {
  if (newsize == 0) {
    free(block);
    return nullptr;
  }
  return realloc(block, newsize);
}

lua_Alloc luaHelper_defaultAlloc = l_alloc;
void* luaHelper_ud = nullptr;
size_t lua_minimumauxspace = 0;
void (*pNewthread_handler)(lua_State*, lua_State*) = nullptr;
void (*pFreethread_handler)(lua_State*, lua_State*) = nullptr;

#define MINSIZEARRAY 4

lu_mem luaM_arraysize(lua_State* L, size_t n, size_t elemsize) {
  if (elemsize != 0 && n > MAX_BLOCK_SIZE / elemsize)
    luaG_runerror(L, "memory allocation error: block too big");
  return static_cast<lu_mem>(n * elemsize);
}

void* luaM_growaux(lua_State* L, void* block, int* size, int size_elems, int limit,
                   const char* errormsg) {
  int newsize;
  if (*size >= limit / 2) {  // cannot double it?
    if (*size < limit - MINSIZEARRAY)  // but can go up to the limit
      newsize = limit;
    else
      luaG_runerror(L, "%s", errormsg);
  } else {
    newsize = (*size) * 2;
    if (newsize < MINSIZEARRAY) newsize = MINSIZEARRAY;
  }
  lu_mem oldbytes = static_cast<lu_mem>(*size) * static_cast<lu_mem>(size_elems);
  lu_mem newbytes = luaM_arraysize(L, static_cast<size_t>(newsize), static_cast<size_t>(size_elems));
  void* newblock = luaM_realloc(L, block, oldbytes, newbytes);
  *size = newsize;  // update only when everything worked
  return newblock;
}

void* luaM_realloc(lua_State* L, void* block, lu_mem oldsize, lu_mem size) {
  global_State* g = G(L);
  if (size > MAX_BLOCK_SIZE) luaG_runerror(L, "memory allocation error: block too big");
  void* res = g->alloc(g->allocud, block, oldsize, size, 0, L->allochint);
  if (size == 0) {
    res = nullptr;
  } else if (res == nullptr) {
    luaD_throw(L, LUA_ERRMEM);
  }
  g->nblocks -= oldsize;
  g->nblocks += size;
  return res;
}
