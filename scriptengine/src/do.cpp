// Calls, stack and call-record growth, errors, protected calls, coroutines, chunk loading.
//
// Errors travel as a private exception (LuaThrow) from luaD_throw to the innermost
// luaD_rawrunprotected, the only place that catches it. The state itself is restored by the
// protected-call code (luaD_pcall, lua_resume, luaD_protectedparser), not by unwinding.
#include "do.h"

#include <cstdlib>

#include "compile.h"
#include "debug.h"
#include "func.h"
#include "gc.h"
#include "mem.h"
#include "opcodes.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"
#include "vm.h"

#define LUA_MAXCALLS 4096
#define ERRORSTACKSIZE (LUA_MAXCCALLS + (LUA_MAXCCALLS >> 3))

#define ERRERRMSG "error in error handling"

// Recovery point.
struct lua_longjmp {
  lua_longjmp* previous;
  volatile int status;
};

namespace {
// The engine's private error type: carries the recovery point it is meant for.
struct LuaThrow {
  lua_longjmp* target;
  int status;
};
}  // namespace

static void seterrorobj(lua_State* L, int errcode, StkId oldtop) {
  switch (errcode) {
    case LUA_ERRMEM: setsvalue2s(oldtop, luaS_newliteral(L, MEMERRMSG)); break;
    case LUA_ERRERR: setsvalue2s(oldtop, luaS_newliteral(L, ERRERRMSG)); break;
    case LUA_ERRSYNTAX:
    case LUA_ERRRUN: setobjs2s(oldtop, L->top - 1); break;  // error message on current top
    default: setnilvalue(oldtop); break;
  }
  L->top = oldtop + 1;
}

void luaD_throw(lua_State* L, int errcode) {
  if (L->errorJmp) {
    L->errorJmp->status = errcode;
    throw LuaThrow{L->errorJmp, errcode};
  }
  G(L)->panic(L);
  exit(EXIT_FAILURE);
}

int luaD_rawrunprotected(lua_State* L, Pfunc f, void* ud) {
  lua_longjmp lj;
  lj.status = 0;
  lj.previous = L->errorJmp;  // chain new error handler
  L->errorJmp = &lj;
  try {
    f(L, ud);
  } catch (const LuaThrow& e) {
    L->errorJmp = lj.previous;
    if (e.target != &lj) throw;  // meant for an outer recovery point (of another thread)
    return e.status;
  }
  L->errorJmp = lj.previous;  // restore old error handler
  return lj.status;
}

// Keeps the EXTRA_STACK slots beyond stack_last and the call array at its normal limit.
static void restore_stack_limit(lua_State* L) {
  L->stack_last = L->stack + L->stacksize - 1 - EXTRA_STACK;
  if (L->size_ci > LUA_MAXCALLS) {  // there was an overflow?
    int inuse = static_cast<int>(L->ci - L->base_ci);
    if (inuse + 1 < LUA_MAXCALLS)  // can `undo' overflow?
      luaD_reallocCI(L, LUA_MAXCALLS);
  }
}

// ---- stack and call-record growth ----

static void correctstack(lua_State* L, TObject* oldstack) {
  L->top = (L->top - oldstack) + L->stack;
  for (GCObject* up = L->openupval; up != nullptr; up = up->next) {
    UpVal* uv = static_cast<UpVal*>(up);
    uv->v = (uv->v - oldstack) + L->stack;
  }
  for (CallInfo* ci = L->base_ci; ci <= L->ci; ci++) {
    ci->top = (ci->top - oldstack) + L->stack;
    ci->base = (ci->base - oldstack) + L->stack;
  }
  L->base = L->ci->base;
}

void luaD_reallocstack(lua_State* L, int newsize) {
  TObject* oldstack = L->stack;
  int oldsize = L->stacksize;
  luaM_reallocvector(L, L->stack, L->stacksize, newsize, TObject);
  for (int i = oldsize; i < newsize; i++) setnilvalue(L->stack + i);
  L->stacksize = newsize;
  L->stack_last = L->stack + newsize - 1 - EXTRA_STACK;
  correctstack(L, oldstack);
}

void luaD_reallocCI(lua_State* L, int newsize) {
  CallInfo* oldci = L->base_ci;
  luaM_reallocvector(L, L->base_ci, L->size_ci, newsize, CallInfo);
  L->size_ci = static_cast<unsigned short>(newsize);
  L->ci = (L->ci - oldci) + L->base_ci;
  L->end_ci = L->base_ci + L->size_ci;
}

void luaD_growstack(lua_State* L, int n) {
  if (n <= L->stacksize)  // double size is enough?
    luaD_reallocstack(L, 2 * L->stacksize);
  else
    luaD_reallocstack(L, L->stacksize + n + EXTRA_STACK);
}

static void luaD_growCI(lua_State* L) {
  if (L->size_ci > LUA_MAXCALLS)  // overflow while handling overflow?
    luaD_throw(L, LUA_ERRERR);
  luaD_reallocCI(L, 2 * L->size_ci);
  if (L->size_ci > LUA_MAXCALLS) luaG_runerror(L, "stack overflow");
}

// ---- hooks ----

void luaD_callhook(lua_State* L, int event, int line) {
  lua_Hook hook = L->hook;
  if (hook && L->allowhook) {
    ptrdiff_t top = savestack(L, L->top);
    ptrdiff_t ci_top = savestack(L, L->ci->top);
    lua_Debug ar;
    ar.event = event;
    ar.currentline = line;
    if (event == LUA_HOOKTAILRET)
      ar.i_ci = 0;  // tail call; no debug information about it
    else
      ar.i_ci = static_cast<int>(L->ci - L->base_ci);
    luaD_checkstack(L, LUA_MINSTACK);  // ensure minimum stack size
    L->ci->top = L->top + LUA_MINSTACK;
    L->allowhook = 0;  // cannot call hooks inside a hook
    (*hook)(L, &ar);
    L->allowhook = 1;
    L->ci->top = restorestack(L, ci_top);
    L->top = restorestack(L, top);
  }
}

// ---- calls ----

static void adjust_varargs(lua_State* L, int nfixargs, StkId base) {
  int actual = static_cast<int>(L->top - base);  // actual number of arguments
  if (actual < nfixargs) {
    for (; actual < nfixargs; ++actual) setnilvalue(L->top++);
  }
  actual -= nfixargs;                    // number of extra arguments
  Table* htab = luaH_new(L, actual, 1);  // create `arg' table
  for (int i = 0; i < actual; i++)       // put extra arguments into `arg' table
    setobj2n(luaH_setnum(L, htab, i + 1), L->top - actual + i);
  // store counter in field `n'
  TObject nname;
  setsvalue(&nname, luaS_newliteral(L, "n"));
  setnvalue(luaH_set(L, htab, &nname), static_cast<lua_Number>(actual));
  L->top -= actual;  // remove extra elements from the stack
  sethvalue(L->top, htab);
  L->top++;
}

static StkId tryfuncTM(lua_State* L, StkId func) {
  const TObject* tm = luaT_gettmbyobj(L, func, TM_CALL);
  ptrdiff_t funcr = savestack(L, func);
  if (!ttisfunction(tm)) luaG_typeerror(L, func, "call");
  // open a hole inside the stack at `func'
  luaD_checkstack(L, 1);
  func = restorestack(L, funcr);
  tm = luaT_gettmbyobj(L, func, TM_CALL);  // the stack may have moved
  for (StkId p = L->top; p > func; p--) setobjs2s(p, p - 1);
  L->top++;
  setobj2s(func, tm);  // tag method is the new function to be called
  return func;
}

StkId luaD_precall(lua_State* L, StkId func) {
  if (!ttisfunction(func))      // `func' is not a function?
    func = tryfuncTM(L, func);  // check the `function' tag method
  ptrdiff_t funcr = savestack(L, func);
  if (L->ci + 1 == L->end_ci) { luaD_growCI(L); }
  Closure* cl = clvalue(func);
  if (!cl->isC) {  // script function? prepare its call
    Proto* p = static_cast<LClosure*>(cl)->p;
    // room for the padded parameters, the `arg' table and the whole frame
    luaD_checkstack(L, p->numparams + 1 + p->maxstacksize);
    if (p->is_vararg) {  // varargs?
      adjust_varargs(L, p->numparams, restorestack(L, funcr) + 1);
    }
    CallInfo* ci = ++L->ci;  // now `enter' new function
    L->base = ci->base = restorestack(L, funcr) + 1;
    ci->top = L->base + p->maxstacksize;
    ci->savedpc = p->code;  // starting point
    ci->tailcalls = 0;
    ci->state = CI_SAVEDPC;
    // Every slot past the parameters (and the `arg' table) starts nil, an argument beyond
    // them included: a local is nil until assigned whatever the code does before reading it.
    StkId fill = L->base + p->numparams + (p->is_vararg ? 1 : 0);
    if (L->top < fill) fill = L->top;  // missing parameters
    for (; fill < ci->top; fill++) setnilvalue(fill);
    L->top = ci->top;
    return nullptr;
  } else {                             // native function: call it
    luaD_checkstack(L, LUA_MINSTACK);  // ensure minimum stack size
    CallInfo* ci = ++L->ci;            // now `enter' new function
    L->base = ci->base = restorestack(L, funcr) + 1;
    ci->top = L->top + LUA_MINSTACK;
    ci->state = CI_C;  // a native function
    ci->savedpc = nullptr;
    ci->tailcalls = 0;
    if (L->hookmask & LUA_MASKCALL) luaD_callhook(L, LUA_HOOKCALL, -1);
    int n = (*static_cast<CClosure*>(clvalue(L->base - 1))->f)(L);  // do the actual call
    if (n < 0) return PRECALL_YIELD;                                // yielding
    return L->top - n;
  }
}

static StkId callrethooks(lua_State* L, StkId firstResult) {
  ptrdiff_t fr = savestack(L, firstResult);  // next call may change stack
  luaD_callhook(L, LUA_HOOKRET, -1);
  if (!(L->ci->state & CI_C)) {  // script function?
    while (L->ci->tailcalls--)   // call hook for eventual tail calls
      luaD_callhook(L, LUA_HOOKTAILRET, -1);
    L->ci->tailcalls = 0;
  }
  return restorestack(L, fr);
}

void luaD_poscall(lua_State* L, int wanted, StkId firstResult) {
  if (L->hookmask & LUA_MASKRET) firstResult = callrethooks(L, firstResult);
  StkId res = L->base - 1;  // res == final position of 1st result
  L->ci--;
  L->base = L->ci->base;  // restore base
  // move results to correct place
  while (wanted != 0 && firstResult < L->top) {
    setobjs2s(res++, firstResult++);
    wanted--;
  }
  while (wanted-- > 0) setnilvalue(res++);
  L->top = res;
}

void luaD_call(lua_State* L, StkId func, int nResults) {
  if (++L->nCcalls >= LUA_MAXCCALLS) {
    if (L->nCcalls == LUA_MAXCCALLS)
      luaG_runerror(L, "C stack overflow");
    else if (L->nCcalls >= ERRORSTACKSIZE)
      luaD_throw(L, LUA_ERRERR);  // error while handling stack error
  }
  StkId firstResult = luaD_precall(L, func);
  if (firstResult == nullptr)       // is a script function?
    firstResult = luaV_execute(L);  // call it
  luaD_poscall(L, nResults, firstResult);
  L->nCcalls--;
  luaC_checkGC(L);
}

// ---- coroutines ----

static void resume(lua_State* L, void* ud) {
  int nargs = *static_cast<int*>(ud);
  CallInfo* ci = L->ci;
  StkId firstResult;
  if (ci == L->base_ci) {  // not started: start the coroutine
    firstResult = luaD_precall(L, L->top - (nargs + 1));
    if (firstResult == PRECALL_YIELD) return;
    if (firstResult != nullptr) {  // a native body ended at once
      luaD_poscall(L, LUA_MULTRET, firstResult);
      return;
    }
  } else {                   // inside a yield
    if (ci->state & CI_C) {  // `common' yield: finish the interrupted call instruction
      CallInfo* caller = ci - 1;
      int nresults = GETARG_C(*(caller->savedpc - 1)) - 1;
      luaD_poscall(L, nresults, L->top - nargs);  // complete it
      if (nresults >= 0) L->top = L->ci->top;
    } else {  // yielded inside a hook: just continue its execution
      ci->state &= ~CI_YIELD;
    }
  }
  firstResult = luaV_execute(L);
  if (firstResult != nullptr)                   // return?
    luaD_poscall(L, LUA_MULTRET, firstResult);  // finalize this coroutine
}

struct PushMsg {
  const char* msg;
};

static void f_pushmsg(lua_State* L, void* ud) {
  setsvalue2s(L->top, luaS_new(L, static_cast<PushMsg*>(ud)->msg));
  incr_top(L);
}

static int resume_error(lua_State* L, const char* msg) {
  L->top = L->ci->base;
  PushMsg pm{msg};
  int status = luaD_rawrunprotected(L, f_pushmsg, &pm);
  if (status != 0) {  // could not even build the message
    L->top = L->ci->base;
    setsvalue2s(L->top, luaS_newliteral(L, MEMERRMSG));
    L->top++;
    return LUA_ERRMEM;
  }
  return LUA_ERRRUN;
}

static void f_resumeoverflow(lua_State* L, void*) {
  setsvalue2s(L->top, luaS_newliteral(L, "C stack overflow"));
  incr_top(L);
  luaD_throw(L, LUA_ERRRUN);
}

int lua_resume(lua_State* L, int nargs) {
  lu_byte old_allowhooks = L->allowhook;
  if (L->ci == L->base_ci) {
    if (nargs >= L->top - L->base) return resume_error(L, "cannot resume dead coroutine");
  } else if (!(L->ci->state & CI_YIELD)) {  // not inside a yield?
    return resume_error(L, "cannot resume non-suspended coroutine");
  }
  int status;
  if (G(L)->nresumes >= LUA_MAXCCALLS) {
    // Nested resumes recurse natively: bounded like native calls.
    status = luaD_rawrunprotected(L, f_resumeoverflow, nullptr);
  } else {
    struct ResumeCount {
      global_State* g;
      ~ResumeCount() { g->nresumes--; }  // also when an error for another thread passes through
    } count{G(L)};
    G(L)->nresumes++;
    status = luaD_rawrunprotected(L, resume, &nargs);
  }
  if (status != 0) {     // error?
    L->ci = L->base_ci;  // go back to initial level
    L->base = L->ci->base;
    L->nCcalls = 0;
    luaF_close(L, L->base);  // close eventual pending closures
    seterrorobj(L, status, L->base);
    L->allowhook = old_allowhooks;
    restore_stack_limit(L);
  }
  return status;
}

int lua_yield(lua_State* L, int nresults) {
  CallInfo* ci = L->ci;
  if (L->nCcalls > 0) luaG_runerror(L, "attempt to yield across metamethod/C-call boundary");
  if (ci->state & CI_C) {  // usual yield
    if ((ci - 1)->state & CI_C) luaG_runerror(L, "cannot yield a C function");
    if (L->top - nresults > L->base) {    // is there garbage in the stack?
      for (int i = 0; i < nresults; i++)  // move down results
        setobjs2s(L->base + i, L->top - nresults + i);
      L->top = L->base + nresults;
    }
  }  // else it's a yield inside a hook: nothing to do
  ci->state |= CI_YIELD;
  return -1;
}

// ---- protected calls ----

int luaD_pcall(lua_State* L, Pfunc func, void* u, ptrdiff_t old_top, ptrdiff_t ef) {
  unsigned short oldnCcalls = L->nCcalls;
  ptrdiff_t old_ci = saveci(L, L->ci);
  lu_byte old_allowhooks = L->allowhook;
  ptrdiff_t old_errfunc = L->errfunc;
  L->errfunc = ef;
  int status = luaD_rawrunprotected(L, func, u);
  if (status != 0) {  // an error occurred?
    StkId oldtop = restorestack(L, old_top);
    luaF_close(L, oldtop);  // close eventual pending closures
    seterrorobj(L, status, oldtop);
    L->nCcalls = oldnCcalls;
    L->ci = restoreci(L, old_ci);
    L->base = L->ci->base;
    L->allowhook = old_allowhooks;
    restore_stack_limit(L);
  }
  L->errfunc = old_errfunc;
  return status;
}

// ---- chunk loading ----

struct SParser {
  ZIO* z;
  Mbuffer buff;  // buffer to be used by the scanner
  int bin;
};

static void f_parser(lua_State* L, void* ud) {
  SParser* p = static_cast<SParser*>(ud);
  luaC_checkGC(L);
  // A UTF-16LE byte-order mark selects 16-bit source; it is never taken for bytecode.
  if (!p->bin && luaZ_lookahead_2(p->z) == 0xFEFF) {
    zgetc(p->z);
    zgetc(p->z);
    p->z->wide = 1;
  }
  Proto* tf = p->bin ? luaU_undump(L, p->z, &p->buff) : luaY_parser(L, p->z, &p->buff);
  if (tf->nupvalues != 0) {
    // A main function gets no upvalues: code that reads them would read past the closure.
    const char* name = zname(p->z);
    if (*name == '@' || *name == '=')
      name++;
    else if (*name == 27)
      name = "binary string";
    luaO_pushfstring(L, "bad code in %s", name);
    luaD_throw(L, LUA_ERRSYNTAX);
  }
  Closure* cl = luaF_newLclosure(L, 0, gt(L));
  static_cast<LClosure*>(cl)->p = tf;
  setclvalue(L->top, cl);
  incr_top(L);
}

int luaD_protectedparser(lua_State* L, ZIO* z, int bin) {
  SParser p;
  ptrdiff_t oldtopr = savestack(L, L->top);  // save current top
  p.z = z;
  p.bin = bin;
  luaZ_initbuffer(L, &p.buff);
  unsigned short oldnCcalls = L->nCcalls;
  ptrdiff_t old_ci = saveci(L, L->ci);
  int status = luaD_rawrunprotected(L, f_parser, &p);
  luaZ_freebuffer(L, &p.buff);
  if (status != 0) {  // error?
    StkId oldtop = restorestack(L, oldtopr);
    seterrorobj(L, status, oldtop);
    L->nCcalls = oldnCcalls;
    L->ci = restoreci(L, old_ci);
    L->base = L->ci->base;
    restore_stack_limit(L);
  }
  return status;
}
