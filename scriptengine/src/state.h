// The per-thread state record, the global record shared by all threads of one interpreter,
// and call records.
#pragma once

#include "object.h"
#include "stream.h"

struct lua_longjmp;  // recovery point, defined in do.cpp

#define EXTRA_STACK 5
// Blocks of the default allocator up to this size are kept for reuse, by 16-byte class.
#define SMALL_BLOCK_LIMIT 256
#define SMALL_BLOCK_CLASSES (SMALL_BLOCK_LIMIT / 16)
#define BASIC_CI_SIZE 8
#define BASIC_STACK_SIZE (2 * LUA_MINSTACK)

// Call-record state flags.
#define CI_C (1 << 0)         // native function
#define CI_HASFRAME (1 << 1)  // entered by its own luaV_execute
#define CI_CALLING (1 << 2)   // script function calling another one from the same luaV_execute
#define CI_SAVEDPC (1 << 3)   // savedpc valid
#define CI_YIELD (1 << 4)     // yielded

struct CallInfo {
  StkId base;  // first slot of the frame
  StkId top;   // end of the frame
  int state;
  const Instruction* savedpc;   // script functions: next instruction
  int tailcalls;                // script functions: tail calls lost in this frame
  const Instruction* tracedpc;  // line hook: position last traced, null when not yet
};

#define ci_func(ci) (clvalue((ci)->base - 1))
#define isLua(ci) (!((ci)->state & CI_C))

struct stringtable {
  GCObject** hash;
  lu_int32 nuse;  // number of interned objects of both kinds
  int size;       // power of two
};

// Global record.
struct global_State {
  stringtable strt;
  lua_Alloc alloc;
  void* allocud;
  GCObject* rootgc;     // every collectable except userdata and interned text
  GCObject* rootudata;  // every full userdata
  GCObject* tmudata;    // userdata awaiting their __gc call
  int runningtm;        // a __gc call is in progress: later collections leave tmudata to it
  Mbuffer buff;         // shared text buffer (lexer, concatenation)
  lu_mem GCthreshold;
  lu_mem nblocks;  // bytes now allocated
  lua_CFunction panic;
  TObject _registry;
  TObject _defaultmeta;
  lua_State* mainthread;
  Node dummynode[1];
  TString* tmname[15];
  TObject defaultmetatypes[NUM_TAGS];
  int nresumes;                          // active lua_resume calls over all threads
  int gcstress;                          // collect at every allocation check (test switch)
  int pooled;                            // alloc is the plain default allocator: small blocks go through smallfree
  void* smallfree[SMALL_BLOCK_CLASSES];  // freed small blocks, linked through their first word
  lu_mem pooledbytes;                    // bytes held in smallfree
};

struct lua_State : GCObject {
  StkId top;
  StkId base;
  global_State* l_G;
  CallInfo* ci;
  StkId stack_last;  // last usable slot (EXTRA_STACK slots follow)
  StkId stack;
  int stacksize;
  CallInfo* end_ci;
  CallInfo* base_ci;
  unsigned short size_ci;
  unsigned short nCcalls;
  lu_byte hookmask;
  lu_byte allowhook;
  lu_byte hookinit;
  int basehookcount;
  int hookcount;
  lua_Hook hook;
  TObject _gt;          // globals table
  GCObject* openupval;  // open upvalues, highest slot first
  GCObject* gclist;
  lua_longjmp* errorJmp;
  ptrdiff_t errfunc;  // byte distance of the error handler from stack, 0 for none
  unsigned allochint;
};

#define G(L) ((L)->l_G)
#define gt(L) (&(L)->_gt)
#define registry(L) (&G(L)->_registry)

lua_State* luaE_newthread(lua_State* L);
void luaE_freethread(lua_State* L, lua_State* L1);
