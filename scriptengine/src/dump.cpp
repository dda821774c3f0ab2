// Bytecode writer (see dump.h).
#include "dump.h"

#include <cstring>

#include "compile.h"

namespace {

struct DumpState {
  lua_State* L;
  lua_Chunkwriter writer;
  void* data;
  bool swap;  // write in the other byte order
};

void DumpBlock(const void* b, size_t size, DumpState* D) { D->writer(D->L, b, size, D->data); }

void DumpByte(int y, DumpState* D) {
  char x = static_cast<char>(y);
  DumpBlock(&x, 1, D);
}

// A multi-byte item in the chosen byte order.
void DumpOrdered(const void* item, size_t size, DumpState* D) {
  unsigned char b[8];
  std::memcpy(b, item, size);
  if (D->swap) {
    for (size_t i = 0; i < size / 2; i++) {
      unsigned char t = b[i];
      b[i] = b[size - 1 - i];
      b[size - 1 - i] = t;
    }
  }
  DumpBlock(b, size, D);
}

void DumpInt(int x, DumpState* D) {
  int32_t v = x;
  DumpOrdered(&v, 4, D);
}

void DumpSize(size_t x, DumpState* D) {
  uint32_t v = static_cast<uint32_t>(x);
  DumpOrdered(&v, 4, D);
}

void DumpNumber(lua_Number x, DumpState* D) { DumpOrdered(&x, 8, D); }

void DumpString(const TString* s, DumpState* D) {
  if (s == nullptr || getstr(s) == nullptr) {
    DumpSize(0, D);
    return;
  }
  size_t size = s->len + 1;  // with the terminating zero
  DumpSize(size, D);
  DumpBlock(getstr(s), size, D);
}

void DumpWString(const TString* s, DumpState* D) {
  size_t size = s->len + 1;  // units, with the terminating zero unit
  DumpSize(size, D);
  const lua_WChar* w = getwstr(s);
  if (!D->swap) {
    DumpBlock(w, size * 2, D);
    return;
  }
  for (size_t i = 0; i < size; i++) DumpOrdered(&w[i], 2, D);
}

void DumpFunction(const Proto* f, const TString* p, DumpState* D);

void DumpCode(const Proto* f, DumpState* D) {
  DumpInt(f->sizecode, D);
  for (int i = 0; i < f->sizecode; i++) {
    uint32_t ins = f->code[i];
    DumpOrdered(&ins, 4, D);
  }
}

void DumpLines(const Proto* f, DumpState* D) {
  DumpInt(f->sizelineinfo, D);
  for (int i = 0; i < f->sizelineinfo; i++) DumpInt(f->lineinfo[i], D);
}

void DumpLocals(const Proto* f, DumpState* D) {
  DumpInt(f->sizelocvars, D);
  for (int i = 0; i < f->sizelocvars; i++) {
    DumpString(f->locvars[i].varname, D);
    DumpInt(f->locvars[i].startpc, D);
    DumpInt(f->locvars[i].endpc, D);
  }
}

void DumpUpvalues(const Proto* f, DumpState* D) {
  DumpInt(f->sizeupvalues, D);
  for (int i = 0; i < f->sizeupvalues; i++) DumpString(f->upvalues[i], D);
}

void DumpConstants(const Proto* f, DumpState* D) {
  DumpInt(f->sizek, D);
  for (int i = 0; i < f->sizek; i++) {
    const TObject* o = &f->k[i];
    DumpByte(ttype(o), D);
    switch (ttype(o)) {
      case LUA_TNUMBER: DumpNumber(nvalue(o), D); break;
      case LUA_TSTRING: DumpString(tsvalue(o), D); break;
      case LUA_TWSTRING: DumpWString(tsvalue(o), D); break;
      default: break;  // nil: no value
    }
  }
  DumpInt(f->sizep, D);
  for (int i = 0; i < f->sizep; i++) DumpFunction(f->p[i], f->source, D);
}

void DumpFunction(const Proto* f, const TString* p, DumpState* D) {
  DumpString((f->source == p) ? nullptr : f->source, D);
  DumpInt(f->lineDefined, D);
  DumpByte(f->nupvalues, D);
  DumpByte(f->numparams, D);
  DumpByte(f->is_vararg, D);
  DumpByte(f->maxstacksize, D);
  DumpLines(f, D);
  DumpLocals(f, D);
  DumpUpvalues(f, D);
  DumpConstants(f, D);
  DumpCode(f, D);
}

void DumpHeader(DumpState* D, int littleendian) {
  DumpBlock(LUA_SIGNATURE, 4, D);
  DumpByte(VERSION, D);
  DumpByte(littleendian, D);
  DumpByte(4, D);  // int
  DumpByte(4, D);  // size
  DumpByte(4, D);  // instruction
  DumpByte(6, D);  // OP field
  DumpByte(8, D);  // A field
  DumpByte(9, D);  // B field
  DumpByte(9, D);  // C field
  DumpByte(8, D);  // number
  DumpNumber(TEST_NUMBER, D);
}

}  // namespace

int luaU_endianness() {
  int x = 1;
  return *reinterpret_cast<char*>(&x);
}

int luaU_dumpordered(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data, int littleendian) {
  DumpState D;
  D.L = L;
  D.writer = w;
  D.data = data;
  D.swap = (littleendian != 0) != (luaU_endianness() != 0);
  DumpHeader(&D, littleendian ? 1 : 0);
  DumpFunction(f, nullptr, &D);
  return 1;
}

int luaU_dump(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data) {
  return luaU_dumpordered(L, f, w, data, luaU_endianness());
}
