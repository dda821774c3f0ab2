// Entry points of the compiler and of the bytecode writer/loader, called by the runtime.
//
// Contract between the runtime and the compiler side:
// - luaX_init(L): called once by lua_open while building the interpreter; interns every
//   reserved word (in token order "and" .. "while"), fixes it (luaS_fix) and sets its
//   TString::reserved to 1 + its index.
// - luaY_parser(L, z, buff): parses the source text read from z (z->wide set for UTF-16LE
//   sources, the byte-order mark already consumed) into a main prototype. buff is a scratch
//   buffer owned by the caller (freed by it, even on error). On a syntax error push the
//   message and call luaD_throw(L, LUA_ERRSYNTAX).
// - luaU_undump(L, z, buff): loads a precompiled chunk from z (its first byte, ESC, not yet
//   consumed) into a main prototype, running luaG_checkcode on every prototype; on any
//   failure push the message and call luaD_throw(L, LUA_ERRSYNTAX).
// - luaU_dump(L, f, w, data): writes f and its nested prototypes through w; returns 1.
// Both loaders are called protected with the new prototype unanchored: anchor it before any
// further allocation that may collect (e.g. keep it on the stack), as the collector only sees
// what is reachable from the roots. The runtime wraps the returned prototype in a closure.
#pragma once

#include "object.h"
#include "stream.h"

void luaX_init(lua_State* L);
Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff);
Proto* luaU_undump(lua_State* L, ZIO* z, Mbuffer* buff);
int luaU_dump(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data);
