// Placeholder entry points until the compiler and the bytecode loader exist. Delete this
// file when they land (the weak definitions here would otherwise shadow archive members).
#include "compile.h"

#include "do.h"
#include "sstring.h"

static const char* const kReservedWords[] = {
    "and",    "break", "continue", "do",   "else",  "elseif", "end",    "false",
    "for",    "function", "if",    "in",   "local", "nil",    "not",    "or",
    "repeat", "return", "then",    "true", "until", "while"};

__attribute__((weak)) void luaX_init(lua_State* L) {
  for (size_t i = 0; i < sizeof(kReservedWords) / sizeof(kReservedWords[0]); i++) {
    TString* ts = luaS_new(L, kReservedWords[i]);
    luaS_fix(ts);
    ts->reserved = static_cast<lu_byte>(i + 1);
  }
}

__attribute__((weak)) Proto* luaY_parser(lua_State* L, ZIO*, Mbuffer*) {
  luaO_pushfstring(L, "no compiler available");
  luaD_throw(L, LUA_ERRSYNTAX);
}

__attribute__((weak)) Proto* luaU_undump(lua_State* L, ZIO*, Mbuffer*) {
  luaO_pushfstring(L, "no bytecode loader available");
  luaD_throw(L, LUA_ERRSYNTAX);
}

__attribute__((weak)) int luaU_dump(lua_State*, const Proto*, lua_Chunkwriter, void*) { return 0; }
