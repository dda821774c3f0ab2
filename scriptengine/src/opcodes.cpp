// Opcode names and argument modes.
#include "opcodes.h"

const char* const luaP_opnames[NUM_OPCODES] = {
    "MOVE",     "LOADK",    "LOADBOOL", "LOADNIL", "GETUPVAL", "GETGLOBAL", "GETTABLE", "SETGLOBAL",
    "SETUPVAL", "SETTABLE", "NEWTABLE", "SELF",    "ADD",      "SUB",       "MUL",      "DIV",
    "BAND",     "BOR",      "SHL",      "SHR",     "POW",      "UNM",       "NOT",      "CONCAT",
    "JMP",      "EQ",       "LT",       "LE",      "TEST",     "CALL",      "TAILCALL", "RETURN",
    "FORLOOP",  "TFORLOOP", "TFORPREP", "SETLIST", "SETLISTO", "CLOSE",     "CLOSURE"};

// Bits: 0-1 mode, 2 B register, 3 B RK, 4 C RK, 5 sets A, 6 Bx constant, 7 test.
const lu_byte luaP_opmodes[NUM_OPCODES] = {36,  97,  32,  36, 32, 97, 52, 65,  0,  24, 32, 52, 56,
                                           56,  56,  56,  56, 56, 56, 56, 56,  36, 36, 52, 2,  152,
                                           152, 152, 164, 0,  0,  0,  2,  128, 2,  1,  1,  0,  33};
