// Interpreter creation and destruction; thread records.
#include "state.h"

#include <cstdlib>

#include "compile.h"
#include "debug.h"
#include "do.h"
#include "func.h"
#include "gc.h"
#include "mem.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"

static int default_panic(lua_State*) { return 0; }

// Stress mode allocator: every reallocation moves the block, so stale pointers into the
// stack or into vectors show up at once under the sanitizers.
static void* moving_alloc(void*, void* block, size_t oldsize, size_t newsize, int, unsigned) {
  if (newsize == 0) {
    free(block);
    return nullptr;
  }
  void* nb = malloc(newsize);
  if (nb == nullptr) return nullptr;
  if (block) {
    memcpy(nb, block, oldsize < newsize ? oldsize : newsize);
    free(block);
  }
  return nb;
}

static void stack_init(lua_State* L1, lua_State* L) {
  L1->stack = luaM_newvector(L, BASIC_STACK_SIZE + EXTRA_STACK, TObject);
  L1->stacksize = BASIC_STACK_SIZE + EXTRA_STACK;
  for (int i = 0; i < L1->stacksize; i++) setnilvalue(L1->stack + i);
  L1->top = L1->stack;
  L1->stack_last = L1->stack + (L1->stacksize - EXTRA_STACK) - 1;
  L1->base_ci = luaM_newvector(L, BASIC_CI_SIZE, CallInfo);
  L1->ci = L1->base_ci;
  L1->ci->state = CI_C;  // not a script function
  L1->ci->savedpc = nullptr;
  L1->ci->tailcalls = 0;
  setnilvalue(L1->top++);  // `function' entry for this `ci'
  L1->base = L1->ci->base = L1->top;
  L1->ci->top = L1->top + LUA_MINSTACK;
  L1->size_ci = BASIC_CI_SIZE;
  L1->end_ci = L1->base_ci + L1->size_ci;
}

static void freestack(lua_State* L, lua_State* L1) {
  luaM_freearray(L, L1->base_ci, L1->size_ci, CallInfo);
  luaM_freearray(L, L1->stack, L1->stacksize, TObject);
  L1->base_ci = nullptr;
  L1->stack = nullptr;
}

static void preinit_state(lua_State* L) {
  L->stack = nullptr;
  L->stacksize = 0;
  L->errorJmp = nullptr;
  L->hook = nullptr;
  L->hookmask = 0;
  L->hookinit = 0;
  L->basehookcount = 0;
  L->allowhook = 1;
  L->hookcount = 0;
  L->openupval = nullptr;
  L->size_ci = 0;
  L->nCcalls = 0;
  L->base_ci = L->ci = nullptr;
  L->end_ci = nullptr;
  L->errfunc = 0;
  L->allochint = 0;
  L->gclist = nullptr;
  L->top = L->base = L->stack_last = nullptr;
  setnilvalue(gt(L));
}

// Steps of lua_open that may fail; run protected.
static void f_luaopen(lua_State* L, void*) {
  global_State* g =
      static_cast<global_State*>(luaHelper_defaultAlloc(luaHelper_ud, nullptr, 0, sizeof(global_State), 0, 0));
  if (g == nullptr) luaD_throw(L, LUA_ERRMEM);
  L->l_G = g;
  g->mainthread = L;
  g->GCthreshold = 0;  // mark it as unfinished state
  g->strt.size = 0;
  g->strt.nuse = 0;
  g->strt.hash = nullptr;
  g->alloc = luaHelper_defaultAlloc;
  g->allocud = luaHelper_ud;
  g->pooled = 0;
  g->pooledbytes = 0;
  for (int i = 0; i < SMALL_BLOCK_CLASSES; i++) g->smallfree[i] = nullptr;
  setnilvalue(registry(L));
  setnilvalue(&g->_defaultmeta);
  luaZ_initbuffer(L, &g->buff);
  g->panic = default_panic;
  g->rootgc = nullptr;
  g->rootudata = nullptr;
  g->tmudata = nullptr;
  g->runningtm = 0;
  setnilvalue(gkey(g->dummynode));
  setnilvalue(gval(g->dummynode));
  setgnext(g->dummynode, nullptr);
  g->nblocks = sizeof(lua_State) + sizeof(global_State);
  g->nresumes = 0;
  // Test switch: collect at every allocation check and move every reallocated block.
  const char* stress = getenv("SCRIPTENGINE_GCSTRESS");
  g->gcstress = (stress != nullptr && stress[0] != '\0' && stress[0] != '0') ? 1 : 0;
  if (g->gcstress && g->alloc == l_alloc) g->alloc = moving_alloc;
  g->pooled = (g->alloc == l_alloc);
  for (int i = 0; i < TM_N; i++) g->tmname[i] = nullptr;
  for (int i = 0; i < NUM_TAGS; i++) setnilvalue(&g->defaultmetatypes[i]);
  // The collector must not run while the interpreter is half built.
  int stressSaved = g->gcstress;
  g->gcstress = 0;
  g->GCthreshold = ~static_cast<lu_mem>(0);
  stack_init(L, L);
  // Default metatables: the global one is its own metatable; each type gets an empty table.
  Table* dm = luaH_new(L, 0, 0);
  dm->metatable = dm;
  sethvalue(&g->_defaultmeta, dm);
  for (int t = 1; t < NUM_TAGS; t++) {
    Table* mt = luaH_new(L, 0, 0);
    mt->metatable = dm;
    sethvalue(&g->defaultmetatypes[t], mt);
  }
  sethvalue(gt(L), luaH_new(L, 0, 4));        // table of globals
  sethvalue(registry(L), luaH_new(L, 4, 4));  // registry
  luaS_resize(L, 32);                         // initial size of string table
  luaT_init(L);
  luaX_init(L);
  luaS_fix(luaS_newliteral(L, MEMERRMSG));
  // Kept interned so that reporting a failed error handler never needs memory.
  luaS_fix(luaS_newliteral(L, "error in error handling"));
  g->GCthreshold = 4 * G(L)->nblocks;
  g->gcstress = stressSaved;
  if (lua_minimumauxspace > 0) luaZ_openspace(L, &g->buff, lua_minimumauxspace);
}

static void close_state(lua_State* L) {
  luaF_close(L, L->stack);  // close all upvalues for this thread
  global_State* g = G(L);
  if (g) {             // close global state
    luaC_sweep(L, 1);  // collect all elements
    luaS_freeall(L);
    luaZ_freebuffer(L, &g->buff);
    freestack(L, L);
    luaM_freepool(g);
    lua_Alloc alloc = g->alloc;
    void* ud = g->allocud;
    alloc(ud, g, sizeof(global_State), 0, 0, 0);
    alloc(ud, L, sizeof(lua_State), 0, 0, 0);
  } else {
    luaHelper_defaultAlloc(luaHelper_ud, L, sizeof(lua_State), 0, 0, 0);
  }
}

lua_State* luaE_newthread(lua_State* L) {
  lua_State* L1 = static_cast<lua_State*>(luaM_malloc(L, sizeof(lua_State)));
  preinit_state(L1);
  L1->l_G = L->l_G;
  // link only once the stack exists, so that the collector never sees a half-made thread
  {
    struct Guard {
      lua_State* L;
      lua_State* L1;
      bool armed;
      ~Guard() {
        if (armed) {
          if (L1->base_ci) luaM_freearray(L, L1->base_ci, BASIC_CI_SIZE, CallInfo);
          if (L1->stack) luaM_freearray(L, L1->stack, BASIC_STACK_SIZE + EXTRA_STACK, TObject);
          luaM_free(L, L1, sizeof(lua_State));
        }
      }
    } guard{L, L1, true};
    stack_init(L1, L);  // init stack
    guard.armed = false;
  }
  luaC_link(L, L1, LUA_TTHREAD);
  setobj2n(gt(L1), gt(L));  // share table of globals
  if (pNewthread_handler) pNewthread_handler(L, L1);
  return L1;
}

void luaE_freethread(lua_State* L, lua_State* L1) {
  if (pFreethread_handler) pFreethread_handler(L, L1);
  luaF_close(L1, L1->stack);  // close all upvalues for this thread
  freestack(L, L1);
  luaM_free(L, L1, sizeof(lua_State));
}

lua_State* lua_open(void) {
  lua_State* L = static_cast<lua_State*>(luaHelper_defaultAlloc(luaHelper_ud, nullptr, 0, sizeof(lua_State), 0, 0));
  if (L == nullptr) return nullptr;
  L->tt = LUA_TTHREAD;
  L->marked = 0;
  L->next = nullptr;
  preinit_state(L);
  L->l_G = nullptr;
  if (luaD_rawrunprotected(L, f_luaopen, nullptr) != 0) {
    // memory allocation error: free partial state
    close_state(L);
    L = nullptr;
  }
  return L;
}

static void callallpendingfinalizers(lua_State* L, void*) { luaC_callGCTM(L); }

void lua_close(lua_State* L) {
  L = G(L)->mainthread;     // only the main thread can be closed
  luaF_close(L, L->stack);  // close all upvalues for this thread
  luaC_separateudata(L);    // separate udata that have GC metamethods
  L->errfunc = 0;           // no error function during GC metamethods
  do {                      // repeat until no more errors
    L->ci = L->base_ci;
    L->base = L->top = L->ci->base;
    L->nCcalls = 0;
  } while (luaD_rawrunprotected(L, callallpendingfinalizers, nullptr) != 0);
  close_state(L);
}
