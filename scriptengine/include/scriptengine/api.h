// The script engine's C interface: a virtual stack of values per thread, addressed by
// integer indices, and operations that push, read, test, index, call and load.
//
// Errors raised by the engine never leave it: every entry from native code into scripts
// goes through lua_pcall / lua_resume / lua_load (or the auxiliary library's do-functions),
// which return a status code and leave the error object on the stack.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#define LUA_VERSION "Lua 5.0.2"
#define LUA_NUMBER_FMT "%.14g"

// Option for multiple returns in lua_call / lua_pcall.
#define LUA_MULTRET (-1)

// Pseudo-indices.
#define LUA_REGISTRYINDEX (-10000)
#define LUA_GLOBALSINDEX (-10001)
#define lua_upvalueindex(i) (LUA_GLOBALSINDEX - (i))
// Indices below this one address registry[LUA_REGISTRYREFBASE - index] (integer keys, raw).
#define LUA_REGISTRYREFBASE (-40000)
#define lua_registryrefindex(n) (LUA_REGISTRYREFBASE - (n))

// Status codes of protected operations.
#define LUA_ERRRUN 1
#define LUA_ERRFILE 2
#define LUA_ERRSYNTAX 3
#define LUA_ERRMEM 4
#define LUA_ERRERR 5

// Value types.
#define LUA_TNONE (-1)
#define LUA_TNIL 0
#define LUA_TBOOLEAN 1
#define LUA_TLIGHTUSERDATA 2
#define LUA_TNUMBER 3
#define LUA_TSTRING 4
#define LUA_TTABLE 5
#define LUA_TFUNCTION 6
#define LUA_TUSERDATA 7
#define LUA_TTHREAD 8
#define LUA_TWSTRING 9

// Free slots guaranteed to a native function.
#define LUA_MINSTACK 20

// Size of lua_Debug::short_src.
#define LUA_IDSIZE 60

struct lua_State;

typedef double lua_Number;
typedef unsigned short lua_WChar;  // one UTF-16 code unit of a wide string

typedef int (*lua_CFunction)(lua_State* L);

// Chunk reader: returns the next block and its size; null or size 0 ends the chunk.
// The engine calls it with a null state argument.
typedef const char* (*lua_Chunkreader)(lua_State* L, void* data, size_t* size);
// Chunk writer: its result is not examined.
typedef int (*lua_Chunkwriter)(lua_State* L, const void* p, size_t sz, void* ud);

// Allocator: (user value, block, old size, new size, zero, hint). New size 0 frees and
// returns null; otherwise returns a block of the new size holding the old contents, or null.
typedef void* (*lua_Alloc)(void* ud, void* block, size_t oldsize, size_t newsize, int zero, unsigned allochint);

// Process-wide settings read when an interpreter is created.
extern lua_Alloc luaHelper_defaultAlloc;
extern void* luaHelper_ud;
extern size_t lua_minimumauxspace;
extern void (*pNewthread_handler)(lua_State* creator, lua_State* newthread);
extern void (*pFreethread_handler)(lua_State* freer, lua_State* thread);

// The engine's default allocator (realloc / free).
void* l_alloc(void* ud, void* block, size_t oldsize, size_t newsize, int zero, unsigned allochint);

// State manipulation.
lua_State* lua_open(void);
void lua_close(lua_State* L);
lua_State* lua_newthread(lua_State* L);
// The interpreter's main thread, which lives until lua_close (L may be any of its threads).
lua_State* lua_mainthread(lua_State* L);
lua_CFunction lua_atpanic(lua_State* L, lua_CFunction panicf);

// Basic stack manipulation.
int lua_gettop(lua_State* L);
void lua_settop(lua_State* L, int idx);
void lua_pushvalue(lua_State* L, int idx);
void lua_remove(lua_State* L, int idx);
void lua_insert(lua_State* L, int idx);
void lua_replace(lua_State* L, int idx);
int lua_checkstack(lua_State* L, int sz);
void lua_xmove(lua_State* from, lua_State* to, int n);

// Access functions (stack -> native).
int lua_isnumber(lua_State* L, int idx);
int lua_isstring(lua_State* L, int idx);
int lua_iscfunction(lua_State* L, int idx);
int lua_isuserdata(lua_State* L, int idx);
int lua_type(lua_State* L, int idx);
const char* lua_typename(lua_State* L, int tp);

int lua_equal(lua_State* L, int idx1, int idx2);
int lua_rawequal(lua_State* L, int idx1, int idx2);
int lua_lessthan(lua_State* L, int idx1, int idx2);

lua_Number lua_tonumber(lua_State* L, int idx);
int lua_toboolean(lua_State* L, int idx);
const char* lua_tostring(lua_State* L, int idx);
const lua_WChar* lua_towstring(lua_State* L, int idx);
size_t lua_strlen(lua_State* L, int idx);
lua_CFunction lua_tocfunction(lua_State* L, int idx);
void* lua_touserdata(lua_State* L, int idx);
lua_State* lua_tothread(lua_State* L, int idx);
const void* lua_topointer(lua_State* L, int idx);
int lua_getn(lua_State* L, int idx);

// Push functions (native -> stack).
void lua_pushnil(lua_State* L);
void lua_pushnumber(lua_State* L, lua_Number n);
void lua_pushlstring(lua_State* L, const char* s, size_t l);
void lua_pushstring(lua_State* L, const char* s);
void lua_pushlwstring(lua_State* L, const lua_WChar* s, size_t l);
void lua_pushwstring(lua_State* L, const lua_WChar* s);
const char* lua_pushvfstring(lua_State* L, const char* fmt, va_list argp);
const char* lua_pushfstring(lua_State* L, const char* fmt, ...);
void lua_pushcclosure(lua_State* L, lua_CFunction fn, int n);
void lua_pushboolean(lua_State* L, int b);
void lua_pushlightuserdata(lua_State* L, void* p);

// Get functions (script -> stack).
void lua_gettable(lua_State* L, int idx);
void lua_rawget(lua_State* L, int idx);
void lua_rawgeti(lua_State* L, int idx, int n);
void lua_newtable(lua_State* L);
void* lua_newuserdata(lua_State* L, size_t sz);
void* lua_newuserdatabox(lua_State* L, void* p);
int lua_getmetatable(lua_State* L, int objindex);
void lua_getdefaultmetatable(lua_State* L, int type);
void lua_getfenv(lua_State* L, int idx);

// Set functions (stack -> script).
void lua_settable(lua_State* L, int idx);
void lua_rawset(lua_State* L, int idx);
void lua_rawseti(lua_State* L, int idx, int n);
int lua_setmetatable(lua_State* L, int objindex);
void lua_setdefaultmetatable(lua_State* L, int type);
int lua_setfenv(lua_State* L, int idx);

// Calls and chunk loading.
void lua_call(lua_State* L, int nargs, int nresults);
int lua_pcall(lua_State* L, int nargs, int nresults, int errfunc);
int lua_cpcall(lua_State* L, lua_CFunction func, void* ud);
int lua_load(lua_State* L, lua_Chunkreader reader, void* data, const char* chunkname);
int lua_dump(lua_State* L, lua_Chunkwriter writer, void* data);

// Coroutines.
int lua_yield(lua_State* L, int nresults);
int lua_resume(lua_State* L, int narg);

// Garbage collection (sizes in KB).
int lua_getgcthreshold(lua_State* L);
int lua_getgccount(lua_State* L);
void lua_setgcthreshold(lua_State* L, int newthreshold);

// Miscellaneous.
const char* lua_version(void);
int lua_error(lua_State* L);
int lua_next(lua_State* L, int idx);
void lua_concat(lua_State* L, int n);

// Convenience macros.
#define lua_boxpointer(L, u) (*(void**)(lua_newuserdata(L, sizeof(void*))) = (u))
#define lua_unboxpointer(L, i) (*(void**)(lua_touserdata(L, i)))
#define lua_pop(L, n) lua_settop(L, -(n)-1)
#define lua_register(L, n, f) (lua_pushstring(L, n), lua_pushcfunction(L, f), lua_settable(L, LUA_GLOBALSINDEX))
#define lua_pushcfunction(L, f) lua_pushcclosure(L, f, 0)
#define lua_isfunction(L, n) (lua_type(L, (n)) == LUA_TFUNCTION)
#define lua_istable(L, n) (lua_type(L, (n)) == LUA_TTABLE)
#define lua_islightuserdata(L, n) (lua_type(L, (n)) == LUA_TLIGHTUSERDATA)
#define lua_isnil(L, n) (lua_type(L, (n)) == LUA_TNIL)
#define lua_isboolean(L, n) (lua_type(L, (n)) == LUA_TBOOLEAN)
#define lua_iswstring(L, n) (lua_type(L, (n)) == LUA_TWSTRING)
#define lua_isnone(L, n) (lua_type(L, (n)) == LUA_TNONE)
#define lua_isnoneornil(L, n) (lua_type(L, (n)) <= 0)
#define lua_pushliteral(L, s) lua_pushlstring(L, "" s, (sizeof(s) / sizeof(char)) - 1)
#define lua_getregistry(L) lua_pushvalue(L, LUA_REGISTRYINDEX)

// Debug interface.
#define LUA_HOOKCALL 0
#define LUA_HOOKRET 1
#define LUA_HOOKLINE 2
#define LUA_HOOKCOUNT 3
#define LUA_HOOKTAILRET 4

#define LUA_MASKCALL (1 << LUA_HOOKCALL)
#define LUA_MASKRET (1 << LUA_HOOKRET)
#define LUA_MASKLINE (1 << LUA_HOOKLINE)
#define LUA_MASKCOUNT (1 << LUA_HOOKCOUNT)

struct lua_Debug {
  int event;
  const char* name;            // (n)
  const char* namewhat;        // (n) "global", "local", "field", "method" or ""
  const char* what;            // (S) "Lua", "C", "main", "tail"
  const char* source;          // (S)
  int currentline;             // (l)
  int nups;                    // (u) number of upvalues
  int linedefined;             // (S)
  char short_src[LUA_IDSIZE];  // (S)
  // private part
  int i_ci;  // index of the active call record
};

typedef void (*lua_Hook)(lua_State* L, lua_Debug* ar);

int lua_getstack(lua_State* L, int level, lua_Debug* ar);
int lua_getinfo(lua_State* L, const char* what, lua_Debug* ar);
const char* lua_getlocal(lua_State* L, const lua_Debug* ar, int n);
const char* lua_setlocal(lua_State* L, const lua_Debug* ar, int n);
const char* lua_getupvalue(lua_State* L, int funcindex, int n);
const char* lua_setupvalue(lua_State* L, int funcindex, int n);

int lua_sethook(lua_State* L, lua_Hook func, int mask, int count);
lua_Hook lua_gethook(lua_State* L);
int lua_gethookmask(lua_State* L);
int lua_gethookcount(lua_State* L);
