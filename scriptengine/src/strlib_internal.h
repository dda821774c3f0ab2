// Functions of the "string" library defined in separate files.
#pragma once

#include "scriptengine/api.h"

namespace scriptlib {

int strFind(lua_State* L);  // strpattern.cpp
int strGfind(lua_State* L);
int strGsub(lua_State* L);
int strFormat(lua_State* L);  // strformat.cpp
int strPack(lua_State* L);    // packlib.cpp
int strUnpack(lua_State* L);

// Relative string position: negative counts back from the end (-1 is the last byte). Computed
// in 64 bits so no combination of length and position overflows.
inline int64_t posRelative(int64_t pos, size_t len) { return pos >= 0 ? pos : (int64_t)len + pos + 1; }

}  // namespace scriptlib
