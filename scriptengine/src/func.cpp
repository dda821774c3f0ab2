// Prototypes, closures and upvalues.
#include "func.h"

#include "gc.h"
#include "mem.h"
#include "state.h"

Closure* luaF_newCclosure(lua_State* L, int nelems) {
  CClosure* c = static_cast<CClosure*>(luaM_malloc(L, sizeCclosure(nelems)));
  c->isC = 1;
  c->nupvalues = static_cast<lu_byte>(nelems);
  c->gclist = nullptr;
  c->f = nullptr;
  for (int i = 0; i < nelems; i++) setnilvalue(&c->upvalue[i]);
  luaC_link(L, c, LUA_TFUNCTION);
  return c;
}

Closure* luaF_newLclosure(lua_State* L, int nelems, TObject* e) {
  LClosure* c = static_cast<LClosure*>(luaM_malloc(L, sizeLclosure(nelems)));
  c->isC = 0;
  c->nupvalues = static_cast<lu_byte>(nelems);
  c->gclist = nullptr;
  c->p = nullptr;
  setobj(&c->g, e);
  for (int i = 0; i < nelems; i++) c->upvals[i] = nullptr;
  luaC_link(L, c, LUA_TFUNCTION);
  return c;
}

UpVal* luaF_findupval(lua_State* L, StkId level) {
  GCObject** pp = &L->openupval;
  UpVal* p;
  while ((p = static_cast<UpVal*>(*pp)) != nullptr && p->v >= level) {
    if (p->v == level) return p;
    pp = &p->next;
  }
  UpVal* v = luaM_new(L, UpVal);  // not found: create a new one
  v->tt = LUA_TUPVAL;
  v->marked = 1;  // open upvalues should not be collected
  v->v = level;   // current value lives in the stack
  setnilvalue(&v->value);
  v->next = *pp;  // chain it in the proper position
  *pp = v;
  return v;
}

void luaF_close(lua_State* L, StkId level) {
  UpVal* p;
  while ((p = static_cast<UpVal*>(L->openupval)) != nullptr && p->v >= level) {
    setobj(&p->value, p->v);  // save current value
    p->v = &p->value;         // now current value lives here
    L->openupval = p->next;   // remove from `open' list
    luaC_link(L, p, LUA_TUPVAL);
  }
}

Proto* luaF_newproto(lua_State* L) {
  Proto* f = luaM_new(L, Proto);
  f->k = nullptr;
  f->sizek = 0;
  f->p = nullptr;
  f->sizep = 0;
  f->code = nullptr;
  f->sizecode = 0;
  f->sizelineinfo = 0;
  f->sizeupvalues = 0;
  f->nupvalues = 0;
  f->upvalues = nullptr;
  f->numparams = 0;
  f->is_vararg = 0;
  f->maxstacksize = 0;
  f->lineinfo = nullptr;
  f->sizelocvars = 0;
  f->locvars = nullptr;
  f->lineDefined = 0;
  f->source = nullptr;
  f->gclist = nullptr;
  luaC_link(L, f, LUA_TPROTO);
  return f;
}

void luaF_freeproto(lua_State* L, Proto* f) {
  luaM_freearray(L, f->code, f->sizecode, Instruction);
  luaM_freearray(L, f->p, f->sizep, Proto*);
  luaM_freearray(L, f->k, f->sizek, TObject);
  luaM_freearray(L, f->lineinfo, f->sizelineinfo, int);
  luaM_freearray(L, f->locvars, f->sizelocvars, LocVar);
  luaM_freearray(L, f->upvalues, f->sizeupvalues, TString*);
  luaM_freelem(L, f);
}

void luaF_freeclosure(lua_State* L, Closure* c) {
  size_t size = (c->isC) ? sizeCclosure(c->nupvalues) : sizeLclosure(c->nupvalues);
  luaM_free(L, c, size);
}

const char* luaF_getlocalname(const Proto* f, int local_number, int pc) {
  for (int i = 0; i < f->sizelocvars && f->locvars[i].startpc <= pc; i++) {
    if (pc < f->locvars[i].endpc) {  // is variable active?
      local_number--;
      if (local_number == 0) return getstr(f->locvars[i].varname);
    }
  }
  return nullptr;  // not found
}
