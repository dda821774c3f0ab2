// The C interface: the stack API over the engine's internals.
#include <cstdarg>
#include <cstring>

#include "compile.h"
#include "debug.h"
#include "do.h"
#include "func.h"
#include "gc.h"
#include "mem.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"
#include "vm.h"

// Frames may hold at most this many values (lua_checkstack refuses beyond).
#define LUA_MAXCSTACK 2048

// Pushes never overrun the stack: it grows when the last usable slot comes near.
static inline void api_incr_top(lua_State* L) {
  if (L->stack_last - L->top <= 1) luaD_growstack(L, 1);
  L->top++;
}

static TObject* upvalueaddr(lua_State* L, int idx) {
  const TObject* fo = L->base - 1;
  if (L->ci == L->base_ci || !ttisfunction(fo) || !clvalue(fo)->isC) return nullptr;
  CClosure* func = static_cast<CClosure*>(clvalue(fo));
  int n = LUA_GLOBALSINDEX - idx;
  return (n >= 1 && n <= func->nupvalues) ? &func->upvalue[n - 1] : nullptr;
}

// Address of an index for reading: null when it addresses nothing; a registry integer key
// that is absent reads as the shared nil object.
static TObject* pseudo2adr(lua_State* L, int idx);

// Stack indices are resolved inline in every API function; pseudo-indices out of line.
static inline TObject* index2adr(lua_State* L, int idx) {
  if (idx > 0) {
    TObject* o = L->base + (idx - 1);
    return (o >= L->top) ? nullptr : o;
  }
  if (idx > LUA_REGISTRYINDEX) {
    if (idx == 0 || -idx > L->top - L->base) return nullptr;
    return L->top + idx;
  }
  return pseudo2adr(L, idx);
}

static TObject* pseudo2adr(lua_State* L, int idx) {
  if (idx == LUA_REGISTRYINDEX) return registry(L);
  if (idx == LUA_GLOBALSINDEX) return gt(L);
  if (idx < LUA_REGISTRYREFBASE)
    return const_cast<TObject*>(luaH_getnum(hvalue(registry(L)), LUA_REGISTRYREFBASE - idx));
  return upvalueaddr(L, idx);
}

// Address of an index for writing: a registry integer key is created when absent.
static TObject* index2adr_w(lua_State* L, int idx) {
  if (idx < LUA_REGISTRYREFBASE) return luaH_setnum(L, hvalue(registry(L)), LUA_REGISTRYREFBASE - idx);
  TObject* o = index2adr(L, idx);
  return (o == luaO_nilobject) ? nullptr : o;
}

static inline bool isstackindex(int idx) { return idx > LUA_REGISTRYINDEX; }

lua_CFunction lua_atpanic(lua_State* L, lua_CFunction panicf) {
  lua_CFunction old = G(L)->panic;
  G(L)->panic = panicf;
  return old;
}

lua_State* lua_newthread(lua_State* L) {
  luaC_checkGC(L);
  lua_State* L1 = luaE_newthread(L);
  setthvalue(L->top, L1);
  api_incr_top(L);
  return L1;
}

lua_State* lua_mainthread(lua_State* L) { return G(L)->mainthread; }

// ---- basic stack manipulation ----

int lua_gettop(lua_State* L) { return static_cast<int>(L->top - L->base); }

void lua_settop(lua_State* L, int idx) {
  if (idx >= 0) {
    if (L->base + idx > L->top) {
      ptrdiff_t need = (L->base + idx) - L->top;
      luaD_checkstack(L, static_cast<int>(need));
    }
    while (L->top < L->base + idx) setnilvalue(L->top++);
    L->top = L->base + idx;
  } else {
    L->top += idx + 1;  // `subtract' index (index is negative)
  }
}

void lua_remove(lua_State* L, int idx) {
  if (!isstackindex(idx)) return;
  StkId p = index2adr(L, idx);
  if (p == nullptr) return;
  while (++p < L->top) setobjs2s(p - 1, p);
  L->top--;
}

void lua_insert(lua_State* L, int idx) {
  if (!isstackindex(idx)) return;
  StkId p = index2adr(L, idx);
  if (p == nullptr) return;
  for (StkId q = L->top; q > p; q--) setobjs2s(q, q - 1);
  setobjs2s(p, L->top);
}

void lua_replace(lua_State* L, int idx) {
  if (idx == LUA_GLOBALSINDEX && !ttistable(L->top - 1)) {  // globals must stay a table
    L->top--;
    return;
  }
  TObject* o = index2adr_w(L, idx);
  if (o) setobj(o, L->top - 1);
  L->top--;
}

void lua_pushvalue(lua_State* L, int idx) {
  const TObject* o = index2adr(L, idx);
  if (o)
    setobj2s(L->top, o);
  else
    setnilvalue(L->top);
  api_incr_top(L);
}

int lua_checkstack(lua_State* L, int size) {
  if (size < 0 || (L->top - L->base + size) > LUA_MAXCSTACK) return 0;  // stack overflow
  luaD_checkstack(L, size);
  if (L->ci->top < L->top + size) L->ci->top = L->top + size;
  return 1;
}

void lua_xmove(lua_State* from, lua_State* to, int n) {
  if (from == to || n <= 0) return;
  luaD_checkstack(to, n);
  from->top -= n;
  for (int i = 0; i < n; i++) {
    setobj2s(to->top, from->top + i);
    to->top++;
  }
}

// ---- access functions ----

int lua_type(lua_State* L, int idx) {
  const TObject* o = index2adr(L, idx);
  return (o == nullptr) ? LUA_TNONE : ttype(o);
}

const char* lua_typename(lua_State*, int t) {
  if (t == LUA_TNONE) return "no value";
  if (t < 0 || t > LUA_TWSTRING) return "?";
  return luaT_typenames[t];
}

int lua_iscfunction(lua_State* L, int idx) {
  const TObject* o = index2adr(L, idx);
  return (o == nullptr) ? 0 : (ttisfunction(o) && clvalue(o)->isC);
}

int lua_isnumber(lua_State* L, int idx) {
  TObject n;
  const TObject* o = index2adr(L, idx);
  return (o != nullptr && luaV_tonumber(o, &n) != nullptr);
}

int lua_isstring(lua_State* L, int idx) {
  int t = lua_type(L, idx);
  return (t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING);
}

int lua_isuserdata(lua_State* L, int idx) {
  const TObject* o = index2adr(L, idx);
  return (o != nullptr && (ttisuserdata(o) || ttislightuserdata(o)));
}

int lua_rawequal(lua_State* L, int index1, int index2) {
  StkId o1 = index2adr(L, index1);
  StkId o2 = index2adr(L, index2);
  return (o1 == nullptr || o2 == nullptr) ? 0 : luaO_rawequalObj(o1, o2);
}

int lua_equal(lua_State* L, int index1, int index2) {
  StkId o1 = index2adr(L, index1);
  StkId o2 = index2adr(L, index2);
  return (o1 == nullptr || o2 == nullptr) ? 0 : equalobj(L, o1, o2);
}

int lua_lessthan(lua_State* L, int index1, int index2) {
  StkId o1 = index2adr(L, index1);
  StkId o2 = index2adr(L, index2);
  return (o1 == nullptr || o2 == nullptr) ? 0 : luaV_lessthan(L, o1, o2);
}

lua_Number lua_tonumber(lua_State* L, int idx) {
  TObject n;
  const TObject* o = index2adr(L, idx);
  if (o != nullptr && (o = luaV_tonumber(o, &n)) != nullptr) return nvalue(o);
  return 0;
}

int lua_toboolean(lua_State* L, int idx) {
  const TObject* o = index2adr(L, idx);
  return (o != nullptr) && !l_isfalse(o);
}

const char* lua_tostring(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr || o == luaO_nilobject) return nullptr;
  if (ttisstring(o)) return getstr(tsvalue(o));
  if (ttisnumber(o) && luaV_tostring(L, o)) return getstr(tsvalue(o));
  return nullptr;
}

const lua_WChar* lua_towstring(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr || o == luaO_nilobject) return nullptr;
  if (ttiswstring(o)) return getwstr(tsvalue(o));
  if (ttisnumber(o) && luaV_towstring(L, o)) return getwstr(tsvalue(o));
  return nullptr;
}

size_t lua_strlen(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr || o == luaO_nilobject) return 0;
  if (ttisstring(o) || ttiswstring(o)) return tsvalue(o)->len;
  if (ttisnumber(o) && luaV_tostring(L, o)) return tsvalue(o)->len;
  return 0;
}

lua_CFunction lua_tocfunction(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  return (o == nullptr || !ttisfunction(o) || !clvalue(o)->isC) ? nullptr : static_cast<CClosure*>(clvalue(o))->f;
}

void* lua_touserdata(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr) return nullptr;
  switch (ttype(o)) {
    case LUA_TUSERDATA: {
      Udata* u = uvalue(o);
      if (udata_isbox(u)) {
        void* p;
        memcpy(&p, udata_block(u), sizeof(void*));
        return p;
      }
      return udata_block(u);
    }
    case LUA_TLIGHTUSERDATA: return pvalue(o);
    default: return nullptr;
  }
}

lua_State* lua_tothread(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  return (o == nullptr || !ttisthread(o)) ? nullptr : thvalue(o);
}

const void* lua_topointer(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr) return nullptr;
  switch (ttype(o)) {
    case LUA_TTABLE:
    case LUA_TFUNCTION:
    case LUA_TTHREAD: return gcvalue(o);
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: return lua_touserdata(L, idx);
    default: return nullptr;
  }
}

int lua_getn(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o == nullptr || !ttistable(o)) return 0;
  Table* h = hvalue(o);
  const TObject* n = luaH_getstr(h, luaS_newliteral(L, "n"));
  if (ttisnumber(n)) return luaO_toint(nvalue(n));
  lua_Number candidate = 0;
  for (int i = h->sizearray; i > 0; i--) {
    if (!ttisnil(&h->array[i - 1])) {
      candidate = i;
      break;
    }
  }
  if (h->node != G(L)->dummynode) {
    for (int i = 0; i < sizenode(h); i++) {
      Node* nd = gnode(h, i);
      if (ttisnumber(gkey(nd)) && !ttisnil(gval(nd)) && nvalue(gkey(nd)) > candidate) candidate = nvalue(gkey(nd));
    }
  }
  return luaO_toint(candidate);
}

// ---- push functions ----

void lua_pushnil(lua_State* L) {
  setnilvalue(L->top);
  api_incr_top(L);
}

void lua_pushnumber(lua_State* L, lua_Number n) {
  setnvalue(L->top, n);
  api_incr_top(L);
}

void lua_pushlstring(lua_State* L, const char* s, size_t len) {
  luaC_checkGC(L);
  setsvalue2s(L->top, luaS_newlstr(L, s, len));
  api_incr_top(L);
}

void lua_pushstring(lua_State* L, const char* s) {
  if (s == nullptr)
    lua_pushnil(L);
  else
    lua_pushlstring(L, s, strlen(s));
}

void lua_pushlwstring(lua_State* L, const lua_WChar* s, size_t len) {
  luaC_checkGC(L);
  setwsvalue(L->top, luaS_newlwstr(L, s, len));
  api_incr_top(L);
}

void lua_pushwstring(lua_State* L, const lua_WChar* s) {
  if (s == nullptr) {
    lua_pushnil(L);
    return;
  }
  size_t len = 0;
  while (s[len] != 0) len++;
  lua_pushlwstring(L, s, len);
}

const char* lua_pushvfstring(lua_State* L, const char* fmt, va_list argp) {
  luaC_checkGC(L);
  return luaO_pushvfstring(L, fmt, argp);
}

const char* lua_pushfstring(lua_State* L, const char* fmt, ...) {
  luaC_checkGC(L);
  va_list argp;
  va_start(argp, fmt);
  const char* ret = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return ret;
}

void lua_pushcclosure(lua_State* L, lua_CFunction fn, int n) {
  luaC_checkGC(L);
  Closure* cl = luaF_newCclosure(L, n);
  CClosure* c = static_cast<CClosure*>(cl);
  c->f = fn;
  L->top -= n;
  while (n--) setobj2n(&c->upvalue[n], L->top + n);
  setclvalue(L->top, cl);
  api_incr_top(L);
}

void lua_pushboolean(lua_State* L, int b) {
  setbvalue(L->top, (b != 0));  // ensure that true is 1
  api_incr_top(L);
}

void lua_pushlightuserdata(lua_State* L, void* p) {
  setpvalue(L->top, p);
  api_incr_top(L);
}

// ---- get functions ----

void lua_gettable(lua_State* L, int idx) {
  StkId t = index2adr(L, idx);
  if (t == nullptr) t = const_cast<TObject*>(luaO_nilobject);
  luaV_gettable(L, t, L->top - 1, L->top - 1);
}

void lua_rawget(lua_State* L, int idx) {
  StkId t = index2adr(L, idx);
  if (t == nullptr || !ttistable(t)) {
    setnilvalue(L->top - 1);
    return;
  }
  setobj2s(L->top - 1, luaH_get(hvalue(t), L->top - 1));
}

void lua_rawgeti(lua_State* L, int idx, int n) {
  StkId o = index2adr(L, idx);
  if (o == nullptr || !ttistable(o))
    setnilvalue(L->top);
  else
    setobj2s(L->top, luaH_getnum(hvalue(o), n));
  api_incr_top(L);
}

void lua_newtable(lua_State* L) {
  luaC_checkGC(L);
  sethvalue(L->top, luaH_new(L, 0, 0));
  api_incr_top(L);
}

int lua_getmetatable(lua_State* L, int objindex) {
  const TObject* obj = index2adr(L, objindex);
  if (obj == nullptr) return 0;
  Table* mt = luaT_getmetatable(L, obj);
  if (mt == nullptr) return 0;
  sethvalue(L->top, mt);
  api_incr_top(L);
  return 1;
}

void lua_getdefaultmetatable(lua_State* L, int type) {
  if (type >= 1 && type < NUM_TAGS)
    setobj2s(L->top, &G(L)->defaultmetatypes[type]);
  else
    setnilvalue(L->top);
  api_incr_top(L);
}

void lua_getfenv(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  if (o != nullptr && ttisfunction(o) && !clvalue(o)->isC)
    setobj2s(L->top, &static_cast<LClosure*>(clvalue(o))->g);
  else
    setobj2s(L->top, gt(L));
  api_incr_top(L);
}

// ---- set functions ----

void lua_settable(lua_State* L, int idx) {
  StkId t = index2adr(L, idx);
  if (t == nullptr) t = const_cast<TObject*>(luaO_nilobject);
  luaV_settable(L, t, L->top - 2, L->top - 1);
  L->top -= 2;  // pop index and value
}

void lua_rawset(lua_State* L, int idx) {
  StkId t = index2adr(L, idx);
  if (t != nullptr && ttistable(t)) setobj2t(luaH_set(L, hvalue(t), L->top - 2), L->top - 1);
  L->top -= 2;
}

void lua_rawseti(lua_State* L, int idx, int n) {
  StkId o = index2adr(L, idx);
  if (o != nullptr && ttistable(o)) setobj2t(luaH_setnum(L, hvalue(o), n), L->top - 1);
  L->top--;
}

int lua_setmetatable(lua_State* L, int objindex) {
  TObject* obj = index2adr(L, objindex);
  TObject* mt = L->top - 1;
  int res = 1;
  Table* mtt = nullptr;
  if (ttisnil(mt))
    mtt = hvalue(&G(L)->_defaultmeta);
  else if (ttistable(mt))
    mtt = hvalue(mt);
  if (obj == nullptr || mtt == nullptr) {
    res = 0;
  } else {
    switch (ttype(obj)) {
      case LUA_TTABLE: hvalue(obj)->metatable = mtt; break;
      case LUA_TUSERDATA: uvalue(obj)->metatable = mtt; break;
      default: res = 0; break;  // cannot set
    }
  }
  L->top--;
  return res;
}

void lua_setdefaultmetatable(lua_State* L, int type) {
  TObject* v = L->top - 1;
  if (ttistable(v) && type >= 1 && type < NUM_TAGS) setobj(&G(L)->defaultmetatypes[type], v);
  L->top--;
}

int lua_setfenv(lua_State* L, int idx) {
  StkId o = index2adr(L, idx);
  int res = 0;
  if (o != nullptr && ttisfunction(o) && !clvalue(o)->isC && ttistable(L->top - 1)) {
    setobj(&static_cast<LClosure*>(clvalue(o))->g, L->top - 1);
    res = 1;
  }
  L->top--;
  return res;
}

// ---- calls and loading ----

void lua_call(lua_State* L, int nargs, int nresults) {
  StkId func = L->top - (nargs + 1);
  luaD_call(L, func, nresults);
}

struct CallS {  // data to `f_call'
  StkId func;
  int nresults;
};

static void f_call(lua_State* L, void* ud) {
  CallS* c = static_cast<CallS*>(ud);
  luaD_call(L, c->func, c->nresults);
}

int lua_pcall(lua_State* L, int nargs, int nresults, int errfunc) {
  int inserted = 0;
  if (errfunc != 0 && !isstackindex(errfunc)) {
    // A handler at a pseudo-index is copied below the function for the call's duration.
    lua_pushvalue(L, errfunc);
    lua_insert(L, -(nargs + 2));
    errfunc = lua_gettop(L) - nargs - 1;
    inserted = errfunc;
  }
  ptrdiff_t func = 0;
  if (errfunc != 0) {
    StkId o = index2adr(L, errfunc);
    if (o != nullptr) func = savestack(L, o);
  }
  CallS c;
  c.func = L->top - (nargs + 1);  // function to be called
  c.nresults = nresults;
  int status = luaD_pcall(L, f_call, &c, savestack(L, c.func), func);
  if (inserted) lua_remove(L, inserted);
  return status;
}

struct CCallS {  // data to `f_Ccall'
  lua_CFunction func;
  void* ud;
};

static void f_Ccall(lua_State* L, void* ud) {
  CCallS* c = static_cast<CCallS*>(ud);
  Closure* cl = luaF_newCclosure(L, 0);
  static_cast<CClosure*>(cl)->f = c->func;
  setclvalue(L->top, cl);  // push function
  incr_top(L);
  setpvalue(L->top, c->ud);  // push only argument
  incr_top(L);
  luaD_call(L, L->top - 2, 0);
}

int lua_cpcall(lua_State* L, lua_CFunction func, void* ud) {
  CCallS c;
  c.func = func;
  c.ud = ud;
  return luaD_pcall(L, f_Ccall, &c, savestack(L, L->top), 0);
}

int lua_load(lua_State* L, lua_Chunkreader reader, void* data, const char* chunkname) {
  ZIO z;
  if (!chunkname) chunkname = "?";
  luaZ_init(&z, reader, data, chunkname);
  int c = luaZ_lookahead(&z);
  return luaD_protectedparser(L, &z, (c == 27));
}

int lua_dump(lua_State* L, lua_Chunkwriter writer, void* data) {
  if (L->top <= L->base) return 0;
  TObject* o = L->top - 1;
  if (ttisfunction(o) && !clvalue(o)->isC && clvalue(o)->nupvalues == 0)
    return luaU_dump(L, static_cast<LClosure*>(clvalue(o))->p, writer, data);
  return 0;
}

// ---- garbage collection ----

int lua_getgcthreshold(lua_State* L) {
  return static_cast<int>(G(L)->GCthreshold / 1024 > 0x7FFFFFFF ? 0x7FFFFFFF : G(L)->GCthreshold / 1024);
}

int lua_getgccount(lua_State* L) {
  return static_cast<int>(G(L)->nblocks / 1024 > 0x7FFFFFFF ? 0x7FFFFFFF : G(L)->nblocks / 1024);
}

void lua_setgcthreshold(lua_State* L, int newthreshold) {
  if (newthreshold >= 0 && static_cast<unsigned>(newthreshold) < 4194304u)
    G(L)->GCthreshold = static_cast<lu_mem>(newthreshold) * 1024;
  else if (newthreshold < 0)
    G(L)->GCthreshold = 0;
  else
    G(L)->GCthreshold = 4294967295u;
  luaC_checkGC(L);
}

// ---- miscellaneous ----

const char* lua_version(void) { return LUA_VERSION; }

int lua_error(lua_State* L) { luaG_errormsg(L); }

int lua_next(lua_State* L, int idx) {
  StkId t = index2adr(L, idx);
  if (t == nullptr || !ttistable(t)) {
    L->top--;
    return 0;
  }
  int more = luaH_next(L, hvalue(t), L->top - 1);
  if (more)
    api_incr_top(L);
  else            // no more elements
    L->top -= 1;  // remove key
  return more;
}

void lua_concat(lua_State* L, int n) {
  if (n >= 2) {
    luaC_checkGC(L);
    luaV_concat(L, n, static_cast<int>(L->top - L->base) - 1);
    L->top -= (n - 1);
  } else if (n == 0) {  // push empty string
    luaC_checkGC(L);
    setsvalue2s(L->top, luaS_newlstr(L, "", 0));
    api_incr_top(L);
  }
  // else n == 1; nothing to do
}

void* lua_newuserdata(lua_State* L, size_t size) {
  luaC_checkGC(L);
  Udata* u = luaS_newudata(L, size);
  setuvalue(L->top, u);
  api_incr_top(L);
  return udata_block(u);
}

void* lua_newuserdatabox(lua_State* L, void* p) {
  luaC_checkGC(L);
  Udata* u = luaS_newudatabox(L, p);
  setuvalue(L->top, u);
  api_incr_top(L);
  return udata_block(u);
}

// ---- upvalues of functions ----

static const char* aux_upvalue(lua_State* L, int funcindex, int n, TObject** val) {
  StkId fi = index2adr(L, funcindex);
  if (fi == nullptr || !ttisfunction(fi) || n < 1) return nullptr;
  Closure* f = clvalue(fi);
  if (f->isC) {
    CClosure* c = static_cast<CClosure*>(f);
    if (n > c->nupvalues) return nullptr;
    *val = &c->upvalue[n - 1];
    return "";
  }
  LClosure* l = static_cast<LClosure*>(f);
  Proto* p = l->p;
  if (n > l->nupvalues || l->upvals[n - 1] == nullptr) return nullptr;
  *val = l->upvals[n - 1]->v;
  return (n <= p->sizeupvalues && p->upvalues[n - 1]) ? getstr(p->upvalues[n - 1]) : "";
}

const char* lua_getupvalue(lua_State* L, int funcindex, int n) {
  TObject* val = nullptr;
  const char* name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    setobj2s(L->top, val);
    api_incr_top(L);
  }
  return name;
}

const char* lua_setupvalue(lua_State* L, int funcindex, int n) {
  TObject* val = nullptr;
  const char* name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    L->top--;
    setobj(val, L->top);
  }
  return name;
}
