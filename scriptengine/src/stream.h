// Buffered chunk input stream (ZIO) and the growable text buffer (Mbuffer).
#pragma once

#include "object.h"

#define EOZ (-1)  // end of stream

struct ZIO {
  size_t n;       // bytes left in the current block
  const char* p;  // position in the current block
  lua_Chunkreader reader;
  void* data;  // the reader's user value
  const char* name;
  int wide;  // 1 when the source is UTF-16LE (set by the chunk loader)
  // Bytes read ahead by luaZ_lookahead_2 across a block boundary; consumed before the block.
  unsigned char carry[2];
  int ncarry;
};

// Next byte (0..255) or EOZ.
#define zgetc(z)                                                                                                       \
  (((z)->ncarry > 0)                                                                                                   \
       ? luaZ_takecarry(z)                                                                                             \
       : ((z)->n > 0 ? ((z)->n--, static_cast<int>(static_cast<unsigned char>(*(z)->p++))) : luaZ_fill(z)))

#define zname(z) ((z)->name)

void luaZ_init(ZIO* z, lua_Chunkreader reader, void* data, const char* name);
int luaZ_fill(ZIO* z);
int luaZ_takecarry(ZIO* z);
// Next byte without consuming it, or EOZ.
int luaZ_lookahead(ZIO* z);
// The next two bytes as a 16-bit unit (first byte low) without consuming them; EOZ when
// fewer than two bytes remain in the whole stream.
int luaZ_lookahead_2(ZIO* z);
// Reads n bytes; returns the number that could not be read (0 on success).
size_t luaZ_read(ZIO* z, void* b, size_t n);

struct Mbuffer {
  char* buffer;
  size_t buffsize;
};

#define luaZ_initbuffer(L, buff) ((buff)->buffer = nullptr, (buff)->buffsize = 0)
#define luaZ_sizebuffer(buff) ((buff)->buffsize)
#define luaZ_buffer(buff) ((buff)->buffer)

// Makes the buffer hold at least n bytes (at least 32); returns its storage.
char* luaZ_openspace(lua_State* L, Mbuffer* buff, size_t n);
void luaZ_resizebuffer(lua_State* L, Mbuffer* buff, size_t size);
#define luaZ_freebuffer(L, buff) luaZ_resizebuffer(L, buff, 0)
