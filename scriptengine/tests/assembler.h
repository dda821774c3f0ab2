// Test-only instruction assembler: builds prototypes directly, so the virtual machine can be
// driven instruction by instruction without the compiler.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "func.h"
#include "do.h"
#include "gc.h"
#include "mem.h"
#include "opcodes.h"
#include "sstring.h"
#include "state.h"

namespace asmtest {

struct KNil {};
using KValue = std::variant<KNil, double, std::string, std::u16string>;

struct LocalSpec {
  std::string name;
  int startpc;
  int endpc;
};

struct ProtoSpec {
  int numparams = 0;
  int is_vararg = 0;
  int maxstack = 16;
  int nups = 0;
  int linedefined = 0;
  std::string source = "=asm";
  std::vector<Instruction> code;
  std::vector<int> lines;  // empty: instruction i is on line i + 1
  std::vector<KValue> k;
  std::vector<ProtoSpec> sub;
  std::vector<LocalSpec> locals;
  std::vector<std::string> upnames;
};

inline Instruction ABC(OpCode op, int a, int b, int c) { return CREATE_ABC(op, a, b, c); }
inline Instruction ABx(OpCode op, int a, int bx) { return CREATE_ABx(op, a, bx); }
inline Instruction AsBx(OpCode op, int a, int sbx) { return CREATE_ABx(op, a, sbx + MAXARG_sBx); }
// RK operand naming constant i.
inline int K(int i) { return MAXSTACK + i; }

// Builds the prototype tree. No collection can happen meanwhile: nothing here reaches a
// collection check point, so the unanchored objects are safe until pushed.
inline Proto* build(lua_State* L, const ProtoSpec& s) {
  Proto* p = luaF_newproto(L);
  p->source = luaS_newlstr(L, s.source.data(), s.source.size());
  p->lineDefined = s.linedefined;
  p->numparams = static_cast<lu_byte>(s.numparams);
  p->is_vararg = static_cast<lu_byte>(s.is_vararg);
  p->maxstacksize = static_cast<lu_byte>(s.maxstack);
  p->nupvalues = static_cast<lu_byte>(s.nups);
  p->code = luaM_newvector(L, s.code.size(), Instruction);
  p->sizecode = static_cast<int>(s.code.size());
  for (size_t i = 0; i < s.code.size(); i++) p->code[i] = s.code[i];
  p->lineinfo = luaM_newvector(L, s.code.size(), int);
  p->sizelineinfo = static_cast<int>(s.code.size());
  for (size_t i = 0; i < s.code.size(); i++) p->lineinfo[i] = s.lines.empty() ? static_cast<int>(i) + 1 : s.lines[i];
  p->k = luaM_newvector(L, s.k.size(), TObject);
  for (size_t i = 0; i < s.k.size(); i++) setnilvalue(&p->k[i]);
  p->sizek = static_cast<int>(s.k.size());
  for (size_t i = 0; i < s.k.size(); i++) {
    const KValue& v = s.k[i];
    if (std::holds_alternative<double>(v)) {
      setnvalue(&p->k[i], std::get<double>(v));
    } else if (std::holds_alternative<std::string>(v)) {
      const std::string& str = std::get<std::string>(v);
      setsvalue(&p->k[i], luaS_newlstr(L, str.data(), str.size()));
    } else if (std::holds_alternative<std::u16string>(v)) {
      const std::u16string& w = std::get<std::u16string>(v);
      setwsvalue(&p->k[i], luaS_newlwstr(L, reinterpret_cast<const lua_WChar*>(w.data()), w.size()));
    }
  }
  p->locvars = luaM_newvector(L, s.locals.size(), LocVar);
  p->sizelocvars = static_cast<int>(s.locals.size());
  for (size_t i = 0; i < s.locals.size(); i++) {
    p->locvars[i].varname = luaS_newlstr(L, s.locals[i].name.data(), s.locals[i].name.size());
    p->locvars[i].startpc = s.locals[i].startpc;
    p->locvars[i].endpc = s.locals[i].endpc;
  }
  p->upvalues = luaM_newvector(L, s.upnames.size(), TString*);
  p->sizeupvalues = static_cast<int>(s.upnames.size());
  for (size_t i = 0; i < s.upnames.size(); i++)
    p->upvalues[i] = luaS_newlstr(L, s.upnames[i].data(), s.upnames[i].size());
  p->p = luaM_newvector(L, s.sub.size(), Proto*);
  for (size_t i = 0; i < s.sub.size(); i++) p->p[i] = nullptr;
  p->sizep = static_cast<int>(s.sub.size());
  for (size_t i = 0; i < s.sub.size(); i++) p->p[i] = build(L, s.sub[i]);
  return p;
}

// Pushes a closure (no upvalues, the thread's globals) of the assembled function.
inline void push(lua_State* L, const ProtoSpec& s) {
  Proto* p = build(L, s);
  LClosure* cl = static_cast<LClosure*>(luaF_newLclosure(L, 0, gt(L)));
  cl->p = p;
  setclvalue(L->top, cl);
  L->top++;
  luaD_checkstack(L, 1);
}

}  // namespace asmtest
