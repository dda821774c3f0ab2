// Auxiliary library: argument checks, string buffers (8-bit and wide), chunk loading from files
// and memory, running chunks with errors sent to _ALERT, library registration and table sizes.
// Everything here is built on the lua_* interface alone.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "scriptengine/api.h"

// ---- library registration ----
struct luaL_reg {
  const char* name;
  lua_CFunction func;
};

void luaL_openlib(lua_State* L, const char* libname, const luaL_reg* l, int nup);

// ---- metatables and errors ----
int luaL_getmetafield(lua_State* L, int obj, const char* e);
int luaL_callmeta(lua_State* L, int obj, const char* e);
int luaL_typerror(lua_State* L, int narg, const char* tname);
int luaL_argerror(lua_State* L, int numarg, const char* extramsg);
void luaL_where(lua_State* L, int lvl);
int luaL_error(lua_State* L, const char* fmt, ...);

// ---- argument checks ----
const char* luaL_checklstring(lua_State* L, int numArg, size_t* l);
const char* luaL_optlstring(lua_State* L, int numArg, const char* def, size_t* l);
const lua_WChar* luaL_checklwstring(lua_State* L, int numArg, size_t* l);
lua_Number luaL_checknumber(lua_State* L, int numArg);
lua_Number luaL_optnumber(lua_State* L, int nArg, lua_Number def);
void luaL_checkstack(lua_State* L, int sz, const char* msg);
void luaL_checktype(lua_State* L, int narg, int t);
void luaL_checkany(lua_State* L, int narg);

// Script numbers become native integers only through these, so that NaN, infinities and values
// out of range have one defined result everywhere.
//   luaL_numtoint:    counts, positions and sizes; truncated toward zero, saturated to the
//                     signed 32-bit range, NaN gives 0.
//   luaL_numtouint:   unsigned 32-bit; truncated, below 0 gives 0, above 4294967295 gives
//                     4294967295, NaN gives 0.
//   luaL_numtobits:   the low 32 bits of the truncated value (modulo 2^32); NaN and infinities
//                     give 0.
int32_t luaL_numtoint(lua_Number n);
uint32_t luaL_numtouint(lua_Number n);
uint32_t luaL_numtobits(lua_Number n);

#define luaL_argcheck(L, cond, numarg, extramsg)                                                                       \
  if (!(cond)) luaL_argerror(L, numarg, extramsg)
#define luaL_checkstring(L, n) (luaL_checklstring(L, (n), NULL))
#define luaL_optstring(L, n, d) (luaL_optlstring(L, (n), (d), NULL))
#define luaL_checkint(L, n) ((int)luaL_numtoint(luaL_checknumber(L, (n))))
#define luaL_checklong(L, n) ((long)luaL_numtoint(luaL_checknumber(L, (n))))
#define luaL_optint(L, n, d) ((int)luaL_numtoint(luaL_optnumber(L, (n), (lua_Number)(d))))
#define luaL_optlong(L, n, d) ((long)luaL_numtoint(luaL_optnumber(L, (n), (lua_Number)(d))))

// ---- user types in the registry ----
int luaL_newmetatable(lua_State* L, const char* tname);
void luaL_getmetatable(lua_State* L, const char* tname);
void* luaL_checkudata(lua_State* L, int ud, const char* tname);

// ---- table sizes (field "n", else the weak sizes table in registry slot 2, else counting) ----
#define ARRAYSIZE_REF 2
int luaL_getn(lua_State* L, int t);
void luaL_setn(lua_State* L, int t, int n);

// ---- loading and running ----
int luaL_loadfile(lua_State* L, const char* filename);
int luaL_loadbuffer(lua_State* L, const char* buff, size_t sz, const char* name);
int lua_dofile(lua_State* L, const char* filename);
int lua_dostring(lua_State* L, const char* str);
int lua_dobuffer(lua_State* L, const char* buff, size_t sz, const char* n);

// ---- string buffers ----
// A buffer lives on the caller's native stack; while in use its pieces sit on top of the script
// stack, so the caller leaves the stack alone between buffer calls (luaL_addvalue excepted).
#define LUAL_BUFFERSIZE 1024

struct luaL_Buffer {
  char* p;   // next free byte of buffer
  int lvl;   // pieces pushed on the stack and not yet joined
  int wide;  // 0: 8-bit buffer; 1: wide buffer (16-bit units stored in buffer)
  lua_State* L;
  alignas(8) char buffer[LUAL_BUFFERSIZE];
};

#define luaL_putchar(B, c)                                                                                             \
  ((void)((B)->p < ((B)->buffer + LUAL_BUFFERSIZE) || luaL_prepbuffer(B)), (*(B)->p++ = (char)(c)))
#define luaL_addchar luaL_putchar
#define luaL_addsize(B, n) ((B)->p += (n))

void luaL_buffinit(lua_State* L, luaL_Buffer* B);
void luaL_wbuffinit(lua_State* L, luaL_Buffer* B);
char* luaL_prepbuffer(luaL_Buffer* B);
void luaL_addlstring(luaL_Buffer* B, const char* s, size_t l);
void luaL_addstring(luaL_Buffer* B, const char* s);
void luaL_addlwstring(luaL_Buffer* B, const lua_WChar* s, size_t n);
void luaL_addvalue(luaL_Buffer* B);
void luaL_pushresult(luaL_Buffer* B);
