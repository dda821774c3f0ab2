// Code generator: turns expression descriptors and statement skeletons into instructions,
// keeps the constant table, allocates registers in stack order and threads jump lists
// through the jumps' own offset fields.
#pragma once

#include "lexer.h"
#include "opcodes.h"
#include "parser.h"

#define NO_JUMP (-1)

// Binary operators in priority-table order; OPR_ADD + n maps onto OP_ADD + n for the nine
// arithmetic and bit operators.
enum BinOpr {
  OPR_ADD,
  OPR_SUB,
  OPR_MULT,
  OPR_DIV,
  OPR_BAND,
  OPR_BOR,
  OPR_SHL,
  OPR_SHR,
  OPR_POW,
  OPR_CONCAT,
  OPR_NE,
  OPR_EQ,
  OPR_LT,
  OPR_LE,
  OPR_GT,
  OPR_GE,
  OPR_AND,
  OPR_OR,
  OPR_NOBINOPR
};

enum UnOpr { OPR_MINUS, OPR_NOT, OPR_NOUNOPR };

#define getcode(fs, e) ((fs)->f->code[(e)->info])
#define luaK_codeAsBx(fs, o, A, sBx) luaK_codeABx(fs, o, A, (sBx) + MAXARG_sBx)

int luaK_code(FuncState* fs, Instruction i, int line);
int luaK_codeABx(FuncState* fs, OpCode o, int A, unsigned int Bx);
int luaK_codeABC(FuncState* fs, OpCode o, int A, int B, int C);
void luaK_fixline(FuncState* fs, int line);
void luaK_nil(FuncState* fs, int from, int n);
void luaK_reserveregs(FuncState* fs, int n);
void luaK_checkstack(FuncState* fs, int n);
int luaK_numberK(FuncState* fs, lua_Number r);
int luaK_stringK(FuncState* fs, TString* s);
int luaK_wstringK(FuncState* fs, TString* ws);
void luaK_dischargevars(FuncState* fs, expdesc* e);
int luaK_exp2anyreg(FuncState* fs, expdesc* e);
void luaK_exp2nextreg(FuncState* fs, expdesc* e);
void luaK_exp2val(FuncState* fs, expdesc* e);
int luaK_exp2RK(FuncState* fs, expdesc* e);
void luaK_self(FuncState* fs, expdesc* e, expdesc* key);
void luaK_indexed(FuncState* fs, expdesc* t, expdesc* k);
void luaK_goiftrue(FuncState* fs, expdesc* e);
void luaK_goiffalse(FuncState* fs, expdesc* e);
void luaK_storevar(FuncState* fs, expdesc* var, expdesc* e);
void luaK_setcallreturns(FuncState* fs, expdesc* var, int nresults);
int luaK_jump(FuncState* fs);
void luaK_patchlist(FuncState* fs, int list, int target);
void luaK_patchtohere(FuncState* fs, int list);
void luaK_concat(FuncState* fs, int* l1, int l2);
int luaK_getlabel(FuncState* fs);
void luaK_prefix(FuncState* fs, UnOpr op, expdesc* v);
void luaK_infix(FuncState* fs, BinOpr op, expdesc* v);
void luaK_posfix(FuncState* fs, BinOpr op, expdesc* v1, expdesc* v2);
