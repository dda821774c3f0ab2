// Debug layer: positioned messages with variable names, stack queries, hooks and the
// bytecode checker (a symbolic executor over the instruction set).
#include "debug.h"

#include <cstdarg>

#include "do.h"
#include "func.h"
#include "opcodes.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"
#include "vm.h"

static const char* getfuncname(CallInfo* ci, const char** name);

static Proto* getluaproto(CallInfo* ci) { return isLua(ci) ? static_cast<LClosure*>(ci_func(ci))->p : nullptr; }

static int currentpc(CallInfo* ci) {
  if (!isLua(ci)) return -1;  // function is not a script function?
  Proto* p = static_cast<LClosure*>(ci_func(ci))->p;
  if (ci->savedpc == nullptr) return -1;
  return pcRel(ci->savedpc, p);
}

int luaG_currentline(lua_State*, CallInfo* ci) {
  int pc = currentpc(ci);
  if (pc < 0) return -1;  // only active script functions have current-line information
  Proto* p = static_cast<LClosure*>(ci_func(ci))->p;
  if (p->lineinfo == nullptr || pc >= p->sizelineinfo) return -1;
  return p->lineinfo[pc];
}

void luaG_inithooks(lua_State* L) {
  L->hookinit = 1;
  if (isLua(L->ci)) L->ci->tracedpc = L->ci->savedpc;
}

int lua_sethook(lua_State* L, lua_Hook func, int mask, int count) {
  if (func == nullptr || mask == 0) {  // turn off hooks?
    mask = 0;
    func = nullptr;
  }
  L->hook = func;
  L->basehookcount = count;
  resethookcount(L);
  L->hookmask = static_cast<lu_byte>(mask);
  L->hookinit = 0;
  return 1;
}

lua_Hook lua_gethook(lua_State* L) { return L->hook; }
int lua_gethookmask(lua_State* L) { return L->hookmask; }
int lua_gethookcount(lua_State* L) { return L->basehookcount; }

int lua_getstack(lua_State* L, int level, lua_Debug* ar) {
  CallInfo* ci;
  for (ci = L->ci; level > 0 && ci > L->base_ci; ci--) {
    level--;
    if (!(ci->state & CI_C))   // script function?
      level -= ci->tailcalls;  // skip lost tail calls
  }
  if (level > 0 || ci == L->base_ci) return 0;  // there is no such level
  if (level < 0) {                              // level is of a lost tail call
    ar->i_ci = 0;
    return 1;
  }
  ar->i_ci = static_cast<int>(ci - L->base_ci);
  return 1;
}

const char* lua_getlocal(lua_State* L, const lua_Debug* ar, int n) {
  if (ar->i_ci <= 0) return nullptr;
  CallInfo* ci = L->base_ci + ar->i_ci;
  Proto* fp = getluaproto(ci);
  if (fp == nullptr) return nullptr;
  const char* name = luaF_getlocalname(fp, n, currentpc(ci));
  if (name) {
    setobj2s(L->top, ci->base + (n - 1));
    incr_top(L);
  }
  return name;
}

const char* lua_setlocal(lua_State* L, const lua_Debug* ar, int n) {
  const char* name = nullptr;
  if (ar->i_ci > 0) {
    CallInfo* ci = L->base_ci + ar->i_ci;
    Proto* fp = getluaproto(ci);
    if (fp) name = luaF_getlocalname(fp, n, currentpc(ci));
    if (name) setobjs2s(ci->base + (n - 1), L->top - 1);
  }
  L->top--;  // pop value
  return name;
}

static void funcinfo(lua_Debug* ar, StkId func) {
  Closure* cl = clvalue(func);
  if (cl->isC) {
    ar->source = "=[C]";
    ar->linedefined = -1;
    ar->what = "C";
  } else {
    Proto* p = static_cast<LClosure*>(cl)->p;
    ar->source = p->source ? getstr(p->source) : "=?";
    ar->linedefined = p->lineDefined;
    ar->what = (ar->linedefined == 0) ? "main" : "Lua";
  }
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
}

static void info_tailcall(lua_Debug* ar) {
  ar->name = ar->namewhat = "";
  ar->what = "tail";
  ar->linedefined = ar->currentline = -1;
  ar->source = "=(tail call)";
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
  ar->nups = 0;
}

int lua_getinfo(lua_State* L, const char* what, lua_Debug* ar) {
  StkId f = nullptr;
  CallInfo* ci = nullptr;
  TObject fcopy;
  if (*what == '>') {
    StkId top = L->top - 1;
    if (!ttisfunction(top)) luaG_runerror(L, "value for `lua_getinfo' is not a function");
    fcopy = *top;
    f = &fcopy;
    L->top--;  // pop function
    what++;
  } else if (ar->i_ci != 0) {  // no tail call?
    ci = L->base_ci + ar->i_ci;
    f = ci->base - 1;
  }
  for (; *what; what++) {
    switch (*what) {
      case 'S':
        if (f == nullptr)
          info_tailcall(ar);
        else
          funcinfo(ar, f);
        break;
      case 'l': ar->currentline = (ci != nullptr) ? luaG_currentline(L, ci) : -1; break;
      case 'u': ar->nups = (f != nullptr) ? clvalue(f)->nupvalues : 0; break;
      case 'n':
        ar->namewhat = (ci != nullptr) ? getfuncname(ci, &ar->name) : nullptr;
        if (ar->namewhat == nullptr) {
          ar->namewhat = "";  // not found
          ar->name = nullptr;
        }
        break;
      case 'f':
        if (f == nullptr)
          setnilvalue(L->top);
        else
          setobj2s(L->top, f);
        incr_top(L);
        break;
      default: break;  // unknown letters are ignored
    }
  }
  return 1;
}

// ---- symbolic execution: the bytecode checker and variable names ----

#define check(x)                                                                                                       \
  if (!(x)) return false;
#define checkreg(pt, reg) check((reg) < (pt)->maxstacksize)

static bool precheck(const Proto* pt) {
  check(pt->maxstacksize <= MAXSTACK);
  check(pt->sizecode > 0);
  check(pt->sizelineinfo == pt->sizecode || pt->sizelineinfo == 0);
  check(pt->numparams + pt->is_vararg <= pt->maxstacksize);
  check(pt->nupvalues <= pt->sizeupvalues || pt->sizeupvalues == 0);
  check(GET_OPCODE(pt->code[pt->sizecode - 1]) == OP_RETURN);
  return true;
}

static bool checkopenop(const Proto* pt, int pc) {
  check(pc + 1 < pt->sizecode);
  Instruction i = pt->code[pc + 1];
  switch (GET_OPCODE(i)) {
    case OP_CALL:
    case OP_TAILCALL:
    case OP_RETURN: check(GETARG_B(i) == 0); return true;
    case OP_SETLISTO: return true;
    default: return false;  // invalid instruction after an open call
  }
}

static bool checkRK(const Proto* pt, int r) {
  return (r < pt->maxstacksize || (r >= MAXSTACK && r - MAXSTACK < pt->sizek));
}

// Checks the code up to lastpc; with reg != NO_REG also finds the instruction that last set
// register reg before lastpc (stored in *lastset). False when the code is not acceptable.
static bool symbexec(const Proto* pt, int lastpc, int reg, Instruction* lastset) {
  int last = pt->sizecode - 1;  // points to final return (a `neutral' instruction)
  check(precheck(pt));
  for (int pc = 0; pc < lastpc; pc++) {
    const Instruction i = pt->code[pc];
    int opn = static_cast<int>(i & 0x3F);
    check(opn < NUM_OPCODES);
    OpCode op = static_cast<OpCode>(opn);
    int a = GETARG_A(i);
    int b = 0;
    int c = 0;
    checkreg(pt, a);
    switch (getOpMode(op)) {
      case iABC: {
        b = GETARG_B(i);
        c = GETARG_C(i);
        if (testOpMode(op, OpModeBreg)) {
          checkreg(pt, b);
        } else if (testOpMode(op, OpModeBrk)) {
          check(checkRK(pt, b));
        }
        if (testOpMode(op, OpModeCrk)) check(checkRK(pt, c));
        break;
      }
      case iABx: {
        b = GETARG_Bx(i);
        if (testOpMode(op, OpModeK)) check(b < pt->sizek);
        break;
      }
      case iAsBx: {
        b = GETARG_sBx(i);
        break;
      }
    }
    if (testOpMode(op, OpModesetA)) {
      if (a == reg) last = pc;  // change register `a'
    }
    if (testOpMode(op, OpModeT)) {
      check(pc + 2 < pt->sizecode);  // check skip
      check(GET_OPCODE(pt->code[pc + 1]) == OP_JMP);
    }
    switch (op) {
      case OP_LOADBOOL: {
        check(c == 0 || pc + 2 < pt->sizecode);  // check its jump
        break;
      }
      case OP_LOADNIL: {
        if (a <= reg && reg <= b) last = pc;  // set registers from `a' to `b'
        break;
      }
      case OP_GETUPVAL:
      case OP_SETUPVAL: {
        check(b < pt->nupvalues);
        break;
      }
      case OP_GETGLOBAL:
      case OP_SETGLOBAL: {
        check(ttisstring(&pt->k[b]));
        break;
      }
      case OP_SELF: {
        checkreg(pt, a + 1);
        if (reg == a + 1) last = pc;
        break;
      }
      case OP_CONCAT: {
        // `c' is a register, and at least two operands
        check(c < MAXSTACK && b < c);
        break;
      }
      case OP_TFORPREP: {
        checkreg(pt, a + 1);
        if (reg == a + 1) last = pc;
        int dest = pc + 1 + b;
        check(0 <= dest && dest < pt->sizecode);
        if (reg != NO_REG && pc < dest && dest <= lastpc) pc += b;
        break;
      }
      case OP_TFORLOOP:
        checkreg(pt, a + c + 5);
        if (reg >= a) last = pc;  // affect all registers above base
        [[fallthrough]];
      case OP_FORLOOP: checkreg(pt, a + 2); [[fallthrough]];
      case OP_JMP: {
        int dest = pc + 1 + b;
        check(0 <= dest && dest < pt->sizecode);
        // not full check and jump is forward and do not skip `lastpc'?
        if (reg != NO_REG && pc < dest && dest <= lastpc) pc += b;  // do the jump
        break;
      }
      case OP_CALL:
      case OP_TAILCALL: {
        if (b != 0) { checkreg(pt, a + b - 1); }
        c--;  // c = num. returns
        if (c == LUA_MULTRET) {
          check(checkopenop(pt, pc));
        } else if (c != 0) {
          checkreg(pt, a + c - 1);
        }
        if (reg >= a) last = pc;  // affect all registers above base
        break;
      }
      case OP_RETURN: {
        b--;  // b = num. returns
        if (b > 0) checkreg(pt, a + b - 1);
        break;
      }
      case OP_SETLIST: {
        checkreg(pt, a + (b & (LFIELDS_PER_FLUSH - 1)) + 1);
        break;
      }
      case OP_CLOSURE: {
        check(b < pt->sizep);
        check(pt->p[b] != nullptr);
        int nup = pt->p[b]->nupvalues;
        check(pc + nup < pt->sizecode);
        for (; nup > 0; nup--) {
          OpCode op1 = GET_OPCODE(pt->code[pc + nup]);
          check(op1 == OP_GETUPVAL || op1 == OP_MOVE);
        }
        break;
      }
      default: break;
    }
  }
  if (lastset) *lastset = pt->code[last];
  return true;
}

int luaG_checkcode(const Proto* pt) { return symbexec(pt, pt->sizecode, NO_REG, nullptr) ? 1 : 0; }

static const char* kname(Proto* p, int c) {
  c = c - MAXSTACK;
  if (c >= 0 && c < p->sizek && ttisstring(&p->k[c])) return getstr(tsvalue(&p->k[c]));
  return "?";
}

static const char* getobjname(CallInfo* ci, int stackpos, const char** name) {
  if (isLua(ci)) {  // a script function?
    Proto* p = static_cast<LClosure*>(ci_func(ci))->p;
    int pc = currentpc(ci);
    if (pc < 0) return nullptr;
    *name = luaF_getlocalname(p, stackpos + 1, pc);
    if (*name)  // is a local?
      return "local";
    Instruction i;
    if (!symbexec(p, pc, stackpos, &i)) return nullptr;  // try symbolic execution
    switch (GET_OPCODE(i)) {
      case OP_GETGLOBAL: {
        int g = GETARG_Bx(i);  // global index
        if (g < p->sizek && ttisstring(&p->k[g])) {
          *name = getstr(tsvalue(&p->k[g]));
          return "global";
        }
        break;
      }
      case OP_MOVE: {
        int a = GETARG_A(i);
        int b = GETARG_B(i);                        // move from `b' to `a'
        if (b < a) return getobjname(ci, b, name);  // get name for `b'
        break;
      }
      case OP_GETTABLE: {
        *name = kname(p, GETARG_C(i));
        return "field";
      }
      case OP_SELF: {
        *name = kname(p, GETARG_C(i));
        return "method";
      }
      default: break;
    }
  }
  return nullptr;  // no useful name found
}

static const char* getfuncname(CallInfo* ci, const char** name) {
  if ((isLua(ci) && ci->tailcalls > 0) || !isLua(ci - 1))
    return nullptr;  // calling function is not a script function (or is unknown)
  ci--;              // calling function
  int pc = currentpc(ci);
  if (pc < 0) return nullptr;
  Instruction i = static_cast<LClosure*>(ci_func(ci))->p->code[pc];
  if (GET_OPCODE(i) == OP_CALL || GET_OPCODE(i) == OP_TAILCALL) return getobjname(ci, GETARG_A(i), name);
  return nullptr;  // no useful name can be found
}

// Only stack slots of the running frame can be named.
static int isinstack(CallInfo* ci, const TObject* o) {
  for (StkId p = ci->base; p < ci->top; p++)
    if (o == p) return 1;
  return 0;
}

void luaG_typeerror(lua_State* L, const TObject* o, const char* op) {
  const char* name = nullptr;
  const char* t = luaT_typenames[ttype(o)];
  const char* kind = (isinstack(L->ci, o)) ? getobjname(L->ci, static_cast<int>(o - L->base), &name) : nullptr;
  if (kind)
    luaG_runerror(L, "attempt to %s %s `%s' (a %s value)", op, kind, name, t);
  else
    luaG_runerror(L, "attempt to %s a %s value", op, t);
}

void luaG_concaterror(lua_State* L, StkId p1, StkId p2) {
  if (ttisstring(p1)) p1 = p2;
  luaG_typeerror(L, p1, "concatenate");
}

void luaG_aritherror(lua_State* L, const TObject* p1, const TObject* p2) {
  TObject temp;
  if (luaV_tonumber(p1, &temp) != nullptr) p1 = p2;  // first operand is OK?
  luaG_typeerror(L, p1, "perform arithmetic on");
}

void luaG_ordererror(lua_State* L, const TObject* p1, const TObject* p2) {
  const char* t1 = luaT_typenames[ttype(p1)];
  const char* t2 = luaT_typenames[ttype(p2)];
  if (strcmp(t1, t2) == 0)
    luaG_runerror(L, "attempt to compare two %s values", t1);
  else
    luaG_runerror(L, "attempt to compare %s with %s", t1, t2);
}

static void addinfo(lua_State* L, const char* msg) {
  CallInfo* ci = L->ci;
  if (isLua(ci)) {          // is script code?
    char buff[LUA_IDSIZE];  // add file:line information
    int line = luaG_currentline(L, ci);
    Proto* p = getluaproto(ci);
    luaO_chunkid(buff, p->source ? getstr(p->source) : "=?", LUA_IDSIZE);
    luaO_pushfstring(L, "%s:%d: %s", buff, line, msg);
  }
}

void luaG_errormsg(lua_State* L) {
  if (L->errfunc != 0) {  // is there an error handling function?
    StkId errfunc = restorestack(L, L->errfunc);
    if (!ttisfunction(errfunc)) luaD_throw(L, LUA_ERRERR);
    setobjs2s(L->top, L->top - 1);   // move argument
    setobjs2s(L->top - 1, errfunc);  // push function
    incr_top(L);
    luaD_call(L, L->top - 2, 1);  // call it
  }
  luaD_throw(L, LUA_ERRRUN);
}

void luaG_runerror(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  const char* msg = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  addinfo(L, msg);
  luaG_errormsg(L);
}
