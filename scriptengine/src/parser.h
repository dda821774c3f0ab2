// Parser: recursive descent over the lexer's tokens, driving the code generator in one pass.
// One FuncState per function being compiled (the main chunk included).
#pragma once

#include "lexer.h"
#include "object.h"
#include "stream.h"

// Expression descriptor kinds; the order matters (VLOCAL..VINDEXED are assignable).
enum expkind {
  VVOID,  // no value
  VNIL,
  VTRUE,
  VFALSE,
  VK,          // info = constant index
  VLOCAL,      // info = local register
  VUPVAL,      // info = upvalue index
  VGLOBAL,     // info = constant index of the name
  VINDEXED,    // info = table register, aux = key register or RK constant
  VJMP,        // info = pc of the jump
  VRELOCABLE,  // info = pc of an instruction whose target register is still open
  VNONRELOC,   // info = result register
  VCALL        // info = pc of the call
};

struct expdesc {
  expkind k;
  int info, aux;
  int t;  // jumps taken when true
  int f;  // jumps taken when false
};

#define MAXUPVALUES 32
#define MAXVARS 200
#define MAXPARAMS 100
#define MAXPARSERLEVEL 200
#define MAXEXPWHILE 100

struct BlockCnt;

struct FuncState {
  Proto* f;
  Table* h;         // constant value -> index in f->k
  FuncState* prev;  // enclosing function
  LexState* ls;
  lua_State* L;
  BlockCnt* bl;    // innermost open block
  int pc;          // next instruction
  int lasttarget;  // pc of the last jump target
  int jpc;         // jumps pending to the next instruction
  int freereg;     // first free register
  int nk;          // constants in f->k
  int np;          // nested prototypes in f->p
  int nlocvars;    // local-variable records in f->locvars
  int nactvar;     // active locals
  expdesc upvalues[MAXUPVALUES];
  int actvar[MAXVARS];  // record index of each active local, in register order
};

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff);
