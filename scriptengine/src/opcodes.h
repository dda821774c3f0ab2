// Instruction format and opcode set.
//
// An instruction is an unsigned 32-bit word:
//   OP bits 0-5, C bits 6-14, B bits 15-23, A bits 24-31; Bx (B and C together) bits 6-23;
//   sBx = Bx - MAXARG_sBx.
#pragma once

#include "object.h"

enum OpMode { iABC, iABx, iAsBx };

#define SIZE_C 9
#define SIZE_B 9
#define SIZE_Bx (SIZE_C + SIZE_B)
#define SIZE_A 8
#define SIZE_OP 6

#define POS_OP 0
#define POS_C (POS_OP + SIZE_OP)
#define POS_B (POS_C + SIZE_C)
#define POS_Bx POS_C
#define POS_A (POS_B + SIZE_B)

#define MAXARG_Bx ((1 << SIZE_Bx) - 1)
#define MAXARG_sBx (MAXARG_Bx >> 1)
#define MAXARG_A ((1 << SIZE_A) - 1)
#define MAXARG_B ((1 << SIZE_B) - 1)
#define MAXARG_C ((1 << SIZE_C) - 1)

#define MASK1(n, p) ((~((~(Instruction)0) << (n))) << (p))
#define MASK0(n, p) (~MASK1(n, p))

#define GET_OPCODE(i) (static_cast<OpCode>(((i) >> POS_OP) & MASK1(SIZE_OP, 0)))
#define SET_OPCODE(i, o)                                                                                               \
  ((i) = (((i)&MASK0(SIZE_OP, POS_OP)) | ((static_cast<Instruction>(o) << POS_OP) & MASK1(SIZE_OP, POS_OP))))

#define GETARG_A(i) (static_cast<int>(((i) >> POS_A) & MASK1(SIZE_A, 0)))
#define SETARG_A(i, u)                                                                                                 \
  ((i) = (((i)&MASK0(SIZE_A, POS_A)) | ((static_cast<Instruction>(u) << POS_A) & MASK1(SIZE_A, POS_A))))
#define GETARG_B(i) (static_cast<int>(((i) >> POS_B) & MASK1(SIZE_B, 0)))
#define SETARG_B(i, b)                                                                                                 \
  ((i) = (((i)&MASK0(SIZE_B, POS_B)) | ((static_cast<Instruction>(b) << POS_B) & MASK1(SIZE_B, POS_B))))
#define GETARG_C(i) (static_cast<int>(((i) >> POS_C) & MASK1(SIZE_C, 0)))
#define SETARG_C(i, b)                                                                                                 \
  ((i) = (((i)&MASK0(SIZE_C, POS_C)) | ((static_cast<Instruction>(b) << POS_C) & MASK1(SIZE_C, POS_C))))
#define GETARG_Bx(i) (static_cast<int>(((i) >> POS_Bx) & MASK1(SIZE_Bx, 0)))
#define SETARG_Bx(i, b)                                                                                                \
  ((i) = (((i)&MASK0(SIZE_Bx, POS_Bx)) | ((static_cast<Instruction>(b) << POS_Bx) & MASK1(SIZE_Bx, POS_Bx))))
#define GETARG_sBx(i) (GETARG_Bx(i) - MAXARG_sBx)
#define SETARG_sBx(i, b) SETARG_Bx((i), static_cast<unsigned int>((b) + MAXARG_sBx))

#define CREATE_ABC(o, a, b, c)                                                                                         \
  ((static_cast<Instruction>(o) << POS_OP) | (static_cast<Instruction>(a) << POS_A) |                                  \
   (static_cast<Instruction>(b) << POS_B) | (static_cast<Instruction>(c) << POS_C))
#define CREATE_ABx(o, a, bc)                                                                                           \
  ((static_cast<Instruction>(o) << POS_OP) | (static_cast<Instruction>(a) << POS_A) |                                  \
   (static_cast<Instruction>(bc) << POS_Bx))

// Registers 0..MAXSTACK-1; RK operands >= MAXSTACK name constant (value - MAXSTACK).
#define MAXSTACK 250
#define NO_REG MAXARG_A
#define LFIELDS_PER_FLUSH 32

enum OpCode {
  OP_MOVE,       // A B      R(A) := R(B)
  OP_LOADK,      // A Bx     R(A) := Kst(Bx)
  OP_LOADBOOL,   // A B C    R(A) := (B ~= 0); if C then pc++
  OP_LOADNIL,    // A B      R(A) .. R(B) := nil
  OP_GETUPVAL,   // A B      R(A) := UpValue[B]
  OP_GETGLOBAL,  // A Bx     R(A) := Gbl[Kst(Bx)]
  OP_GETTABLE,   // A B C    R(A) := R(B)[RK(C)]
  OP_SETGLOBAL,  // A Bx     Gbl[Kst(Bx)] := R(A)
  OP_SETUPVAL,   // A B      UpValue[B] := R(A)
  OP_SETTABLE,   // A B C    R(A)[RK(B)] := RK(C)
  OP_NEWTABLE,   // A B C    R(A) := {} (array fb2int(B), hash 2^C)
  OP_SELF,       // A B C    R(A+1) := R(B); R(A) := R(B)[RK(C)]
  OP_ADD,        // A B C    R(A) := RK(B) + RK(C)
  OP_SUB,
  OP_MUL,
  OP_DIV,
  OP_BAND,  // A B C    R(A) := RK(B) & RK(C) (32-bit unsigned)
  OP_BOR,
  OP_SHL,
  OP_SHR,  // logical shift
  OP_POW,
  OP_UNM,     // A B      R(A) := -R(B)
  OP_NOT,     // A B      R(A) := not R(B)
  OP_CONCAT,  // A B C    R(A) := R(B) .. ... .. R(C)
  OP_JMP,     // sBx      pc += sBx
  OP_EQ,      // A B C    if ((RK(B) == RK(C)) ~= A) then pc++
  OP_LT,
  OP_LE,
  OP_TEST,      // A B C    if (R(B) <=> C) then R(A) := R(B) else pc++
  OP_CALL,      // A B C    R(A), ..., R(A+C-2) := R(A)(R(A+1), ..., R(A+B-1))
  OP_TAILCALL,  // A B C    return R(A)(R(A+1), ..., R(A+B-1))
  OP_RETURN,    // A B      return R(A), ..., R(A+B-2)
  OP_FORLOOP,   // A sBx    R(A) += R(A+2); if R(A) <?= R(A+1) then pc += sBx
  OP_TFORLOOP,  // A C      R(A+2), ..., R(A+2+C) := R(A)(R(A+1), R(A+2)); if R(A+2) == nil then pc++
  OP_TFORPREP,  // A sBx    if type(R(A)) == table then R(A+1) := R(A), R(A) := next; pc += sBx
  OP_SETLIST,   // A Bx     R(A)[Bx-Bx%32+i] := R(A+i), 1 <= i <= Bx%32+1
  OP_SETLISTO,  // A Bx     as SETLIST, count from the stack top
  OP_CLOSE,     // A        close upvalues >= R(A)
  OP_CLOSURE    // A Bx     R(A) := closure(KPROTO[Bx], R(A), ..., R(A+n))
};

#define NUM_OPCODES (static_cast<int>(OP_CLOSURE) + 1)

// Mode byte bits.
enum OpModeMask {
  OpModeBreg = 2,  // B is a register
  OpModeBrk,       // B is RK
  OpModeCrk,       // C is RK
  OpModesetA,      // instruction sets register A
  OpModeK,         // Bx is a constant index
  OpModeT          // test: next instruction must be a jump
};

extern const lu_byte luaP_opmodes[NUM_OPCODES];
extern const char* const luaP_opnames[NUM_OPCODES];

#define getOpMode(m) (static_cast<OpMode>(luaP_opmodes[m] & 3))
#define testOpMode(m, b) (luaP_opmodes[m] & (1 << (b)))
