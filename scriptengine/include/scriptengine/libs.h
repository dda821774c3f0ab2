// Openers of the engine's three libraries. Each registers its functions in the globals of L.
#pragma once

#include "scriptengine/api.h"

int luaopen_base(lua_State* L);    // globals, coroutine table, _G, _VERSION, _LOADED
int luaopen_table(lua_State* L);   // the "table" library; leaves the table on the stack
int luaopen_string(lua_State* L);  // the "string" library, also the strings' metatable

// Opens base, string and table in that order (the script host's order) and leaves the stack
// as it found it.
void luaopen_stdlibs(lua_State* L);
