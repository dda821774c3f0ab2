// All engine memory traffic goes through luaM_realloc and the global record's allocator.
#pragma once

#include "object.h"

#define MEMERRMSG "not enough memory"

// Reallocates block from oldsize to size bytes. Raises "memory allocation error: block too
// big" above MAX_BLOCK_SIZE and throws status 4 when the allocator fails.
void* luaM_realloc(lua_State* L, void* block, lu_mem oldsize, lu_mem size);

// Hands the small blocks kept for reuse back to the system.
void luaM_freepool(global_State* g);

// Grows a vector: doubles (at least 4); near limit jumps to limit; beyond it raises errormsg.
void* luaM_growaux(lua_State* L, void* block, int* size, int size_elem, int limit, const char* errormsg);

// Byte size of n elements computed in 64-bit, checked against MAX_BLOCK_SIZE.
lu_mem luaM_arraysize(lua_State* L, size_t n, size_t elemsize);

#define luaM_free(L, b, s) luaM_realloc(L, (b), (s), 0)
#define luaM_freelem(L, b) luaM_realloc(L, (b), sizeof(*(b)), 0)
#define luaM_freearray(L, b, n, t) luaM_realloc(L, (b), (lu_mem)(n) * sizeof(t), 0)

#define luaM_malloc(L, t) luaM_realloc(L, nullptr, 0, (t))
#define luaM_new(L, t) static_cast<t*>(luaM_malloc(L, sizeof(t)))
#define luaM_newvector(L, n, t) static_cast<t*>(luaM_realloc(L, nullptr, 0, luaM_arraysize(L, (size_t)(n), sizeof(t))))

#define luaM_growvector(L, v, nelems, size, t, limit, e)                                                               \
  if (((nelems) + 1) > (size)) ((v) = static_cast<t*>(luaM_growaux(L, v, &(size), sizeof(t), limit, e)))

#define luaM_reallocvector(L, v, oldn, n, t)                                                                           \
  ((v) = static_cast<t*>(luaM_realloc(L, v, (lu_mem)(oldn) * sizeof(t), luaM_arraysize(L, (size_t)(n), sizeof(t)))))
