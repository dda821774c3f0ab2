// Chunk input stream and growable text buffer.
#include "stream.h"

#include "mem.h"
#include "state.h"

void luaZ_init(ZIO* z, lua_Chunkreader reader, void* data, const char* name) {
  z->reader = reader;
  z->data = data;
  z->name = name;
  z->n = 0;
  z->p = nullptr;
  z->wide = 0;
  z->ncarry = 0;
}

int luaZ_fill(ZIO* z) {
  size_t size = 0;
  const char* buff = z->reader(nullptr, z->data, &size);
  if (buff == nullptr || size == 0) {
    z->n = 0;
    return EOZ;
  }
  z->n = size - 1;
  z->p = buff;
  return static_cast<unsigned char>(*(z->p++));
}

int luaZ_takecarry(ZIO* z) {
  int c = z->carry[0];
  z->carry[0] = z->carry[1];
  z->ncarry--;
  return c;
}

int luaZ_lookahead(ZIO* z) {
  if (z->ncarry > 0) return z->carry[0];
  if (z->n == 0) {
    int c = luaZ_fill(z);
    if (c == EOZ) return EOZ;
    z->n++;  // step back: nothing consumed
    z->p--;
  }
  return static_cast<unsigned char>(*z->p);
}

// Moves bytes into the carry until it holds two (or the stream ends); nothing is consumed
// from the reader's point of view, as the carry is read before the block.
int luaZ_lookahead_2(ZIO* z) {
  while (z->ncarry < 2) {
    int c;
    if (z->n > 0) {
      z->n--;
      c = static_cast<unsigned char>(*z->p++);
    } else {
      c = luaZ_fill(z);
      if (c == EOZ) return EOZ;
    }
    z->carry[z->ncarry++] = static_cast<unsigned char>(c);
  }
  return z->carry[0] | (z->carry[1] << 8);
}

size_t luaZ_read(ZIO* z, void* b, size_t n) {
  char* out = static_cast<char*>(b);
  while (n && z->ncarry > 0) {
    *out++ = static_cast<char>(luaZ_takecarry(z));
    n--;
  }
  while (n) {
    if (luaZ_lookahead(z) == EOZ) return n;  // return number of missing bytes
    size_t m = (n <= z->n) ? n : z->n;       // min between n and z->n
    memcpy(out, z->p, m);
    z->n -= m;
    z->p += m;
    out += m;
    n -= m;
  }
  return 0;
}

void luaZ_resizebuffer(lua_State* L, Mbuffer* buff, size_t size) {
  struct HintGuard {
    lua_State* L;
    unsigned saved;
    ~HintGuard() { L->allochint = saved; }
  } guard{L, L->allochint};
  L->allochint = 1;
  buff->buffer = static_cast<char*>(luaM_realloc(L, buff->buffer, buff->buffsize, size));
  buff->buffsize = size;
}

char* luaZ_openspace(lua_State* L, Mbuffer* buff, size_t n) {
  if (n > buff->buffsize) {
    if (n < 32) n = 32;
    luaZ_resizebuffer(L, buff, n);
  }
  return buff->buffer;
}
