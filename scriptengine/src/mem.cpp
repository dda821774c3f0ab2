// Memory: the only path from the engine to the allocator.
#include "mem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define QF_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QF_POOL_ASAN 1
#endif
#endif
#ifdef QF_POOL_ASAN
#include <sanitizer/asan_interface.h>
// Blocks resting in the pool, and the unused tail of a pooled block, are out of bounds.
#define POOL_POISON(p, n) __asan_poison_memory_region((p), (n))
#define POOL_UNPOISON(p, n) __asan_unpoison_memory_region((p), (n))
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
// A small block must be exactly its class's size: a wrong old size from a caller would
// otherwise put a block on a list of larger blocks.
#define POOL_CHECK(p, n)                                                                                               \
  do {                                                                                                                 \
    if (__sanitizer_get_allocated_size(p) != (n)) {                                                                    \
      fprintf(stderr, "memory: block of %zu bytes freed as a %zu-byte block\n",                                        \
              static_cast<size_t>(__sanitizer_get_allocated_size(p)), static_cast<size_t>(n));                         \
      abort();                                                                                                         \
    }                                                                                                                  \
  } while (0)
#else
#define POOL_CHECK(p, n) ((void)(p), (void)(n))
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

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
  if (elemsize != 0 && n > MAX_BLOCK_SIZE / elemsize) luaG_runerror(L, "memory allocation error: block too big");
  return static_cast<lu_mem>(n * elemsize);
}

void* luaM_growaux(lua_State* L, void* block, int* size, int size_elems, int limit, const char* errormsg) {
  int newsize;
  if (*size >= limit / 2) {            // cannot double it?
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

// ---- small-block pool of the default allocator ----
//
// The collector frees objects in bursts and the program allocates the same few sizes again
// at once; keeping freed blocks of up to SMALL_BLOCK_LIMIT bytes on per-class lists spares the
// system allocator both. Every pooled block is a whole malloc block of its class's size, so
// a block may always go back to free(). The engine passes exact old sizes, which find the
// class of a block again.

// Most bytes kept in the pool; beyond it freed blocks go straight back to the system. A
// collection's burst of freed strings and tables beyond this is better left to malloc, which
// can reuse the memory for blocks of any size (a larger pool only raised peak memory).
#define POOL_LIMIT (static_cast<lu_mem>(1) << 20)

static inline int sizeclass(size_t n) { return static_cast<int>((n - 1) >> 4); }  // n in 1..limit
static inline size_t classbytes(int c) { return static_cast<size_t>(c + 1) << 4; }

static void pool_release(global_State* g, void* block, size_t size) {
  int c = sizeclass(size);
  size_t bytes = classbytes(c);
  POOL_CHECK(block, bytes);
  if (g->pooledbytes + bytes > POOL_LIMIT) {
    POOL_UNPOISON(block, bytes);
    free(block);
    return;
  }
  POOL_UNPOISON(block, bytes);
  memcpy(block, &g->smallfree[c], sizeof(void*));
  g->smallfree[c] = block;
  g->pooledbytes += bytes;
  POOL_POISON(block, bytes);
}

static void* pool_take(global_State* g, size_t size) {
  int c = sizeclass(size);
  size_t bytes = classbytes(c);
  void* b = g->smallfree[c];
  if (b != nullptr) {
    POOL_UNPOISON(b, bytes);
    memcpy(&g->smallfree[c], b, sizeof(void*));
    g->pooledbytes -= bytes;
  } else {
    b = malloc(bytes);
    if (b == nullptr) return nullptr;
  }
  POOL_POISON(static_cast<char*>(b) + size, bytes - size);
  return b;
}

static void* pool_realloc(global_State* g, void* block, size_t oldsize, size_t size) {
  bool oldsmall = block != nullptr && oldsize <= SMALL_BLOCK_LIMIT;
  if (size == 0) {
    if (block == nullptr) return nullptr;
    if (oldsmall && oldsize > 0)
      pool_release(g, block, oldsize);
    else
      free(block);
    return nullptr;
  }
  if (size <= SMALL_BLOCK_LIMIT) {
    if (oldsmall && oldsize > 0 && sizeclass(oldsize) == sizeclass(size)) {
      size_t bytes = classbytes(sizeclass(size));
      POOL_CHECK(block, bytes);
      POOL_UNPOISON(block, bytes);
      POOL_POISON(static_cast<char*>(block) + size, bytes - size);
      return block;
    }
    void* nb = pool_take(g, size);
    if (nb == nullptr) return nullptr;
    if (block != nullptr) {
      memcpy(nb, block, oldsize < size ? oldsize : size);
      if (oldsmall && oldsize > 0)
        pool_release(g, block, oldsize);
      else
        free(block);
    }
    return nb;
  }
  if (!oldsmall || oldsize == 0) return realloc(block, size);
  void* nb = malloc(size);
  if (nb == nullptr) return nullptr;
  memcpy(nb, block, oldsize);
  pool_release(g, block, oldsize);
  return nb;
}

void luaM_freepool(global_State* g) {
  for (int c = 0; c < SMALL_BLOCK_CLASSES; c++) {
    void* b = g->smallfree[c];
    while (b != nullptr) {
      POOL_UNPOISON(b, classbytes(c));
      void* next;
      memcpy(&next, b, sizeof(void*));
      free(b);
      b = next;
    }
    g->smallfree[c] = nullptr;
  }
  g->pooledbytes = 0;
}

void* luaM_realloc(lua_State* L, void* block, lu_mem oldsize, lu_mem size) {
  global_State* g = G(L);
  if (size > MAX_BLOCK_SIZE) luaG_runerror(L, "memory allocation error: block too big");
  void* res =
      g->pooled ? pool_realloc(g, block, oldsize, size) : g->alloc(g->allocud, block, oldsize, size, 0, L->allochint);
  if (size == 0) {
    res = nullptr;
  } else if (res == nullptr) {
    luaD_throw(L, LUA_ERRMEM);
  }
  g->nblocks -= oldsize;
  g->nblocks += size;
  return res;
}
