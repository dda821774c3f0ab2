// Bytecode writer and loader: the precompiled form of a compiled chunk.
//
// Layout: a 22-byte header (ESC "Lua", version 0x50, endianness byte, the sizes 4 4 4 6 8 9 9
// 8, the test number 31415926.535897933), then the main function record. Every multi-byte
// item is in the writer's byte order; the loader swaps when the endianness byte differs.
#pragma once

#include "object.h"
#include "stream.h"

#define LUA_SIGNATURE "\033Lua"
#define VERSION 0x50
#define TEST_NUMBER 3.14159265358979323846E7

// 1 on a little-endian processor, 0 on a big-endian one.
int luaU_endianness();

// Writes f and its nested prototypes, always with debug information, in host byte order.
int luaU_dump(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data);
// As luaU_dump, in the byte order given (1 little-endian, 0 big-endian). Lets tests build
// chunks of the other byte order.
int luaU_dumpordered(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data, int littleendian);

// Loads a precompiled chunk (ESC not yet consumed) and checks every prototype; any failure
// raises a syntax-status error with a message naming the chunk.
Proto* luaU_undump(lua_State* L, ZIO* z, Mbuffer* buff);
