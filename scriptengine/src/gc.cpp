// Mark and sweep collector: roots, gray list, weak tables, finalisers, sweep, shrink.
#include "gc.h"

#include "scriptengine/api.h"

#include "do.h"
#include "func.h"
#include "mem.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"

// marked bits
#define MARKBIT 0x01
#define KEYWEAK 0x02  // tables: weak keys; userdata: not yet finalised
#define VALUEWEAK 0x04
#define FIXEDBIT 0x10

#define ismarked(x) ((x)->marked & MARKBIT)
#define setmark(x) ((x)->marked |= MARKBIT)
#define unmark(x) ((x)->marked &= static_cast<lu_byte>(~MARKBIT))
#define isfinalized(u) (!((u)->marked & KEYWEAK))
#define markfinalized(u) ((u)->marked &= static_cast<lu_byte>(~KEYWEAK))

struct GCState {
  GCObject* tmark;  // gray list
  GCObject* wk;     // weak-key tables
  GCObject* wv;     // weak-value tables
  GCObject* wkv;    // tables weak in both
  global_State* g;
};

static void reallymarkobject(GCState* st, GCObject* o);

#define markvalue(st, o)                                                                                               \
  {                                                                                                                    \
    if (iscollectable(o) && !ismarked(gcvalue(o))) reallymarkobject(st, gcvalue(o));                                   \
  }
#define markobject(st, t)                                                                                              \
  {                                                                                                                    \
    if (!ismarked(static_cast<GCObject*>(t))) reallymarkobject(st, static_cast<GCObject*>(t));                         \
  }

static GCObject** gclistof(GCObject* o) {
  switch (o->tt) {
    case LUA_TTABLE: return &static_cast<Table*>(o)->gclist;
    case LUA_TFUNCTION: return &static_cast<Closure*>(o)->gclist;
    case LUA_TTHREAD: return &reinterpret_cast<lua_State*>(o)->gclist;
    case LUA_TPROTO: return &static_cast<Proto*>(o)->gclist;
    default: return nullptr;
  }
}

static void reallymarkobject(GCState* st, GCObject* o) {
  setmark(o);
  switch (o->tt) {
    case LUA_TSTRING:
    case LUA_TWSTRING: return;
    case LUA_TUSERDATA: markobject(st, static_cast<Udata*>(o)->metatable); return;
    case LUA_TUPVAL: {
      UpVal* uv = static_cast<UpVal*>(o);
      markvalue(st, uv->v);
      return;
    }
    default: {
      GCObject** l = gclistof(o);
      *l = st->tmark;
      st->tmark = o;
      return;
    }
  }
}

static void marktmu(GCState* st) {
  for (GCObject* u = st->g->tmudata; u; u = u->next) {
    unmark(u);  // may be marked, if left from previous GC
    reallymarkobject(st, u);
  }
}

// Moves unreachable userdata with a __gc handler to the end of tmudata; returns their bytes.
size_t luaC_separateudata(lua_State* L) {
  size_t deadmem = 0;
  GCObject** p = &G(L)->rootudata;
  GCObject* curr;
  GCObject* collected = nullptr;  // to collect udata with gc event
  GCObject** lastcollected = &collected;
  while ((curr = *p) != nullptr) {
    Udata* u = static_cast<Udata*>(curr);
    if (ismarked(curr) || isfinalized(u)) {
      p = &curr->next;  // don't bother with them
    } else if (fasttm(L, u->metatable, TM_GC) == nullptr) {
      markfinalized(u);  // don't need finalization
      p = &curr->next;
    } else {  // must call its gc method
      deadmem += luaS_udatasize(u);
      *p = curr->next;
      curr->next = nullptr;  // link `curr' at the end of `collected' list
      *lastcollected = curr;
      lastcollected = &curr->next;
    }
  }
  // insert collected udata with gc event into `tmudata' list
  GCObject** tail = &G(L)->tmudata;
  while (*tail) tail = &(*tail)->next;
  *tail = collected;
  return deadmem;
}

static void removekey(Node* n) {
  setnilvalue(gval(n));                                    // remove corresponding value ...
  if (iscollectable(gkey(n))) gkey(n)->tt = LUA_TDEADKEY;  // dead key; remove it
}

static void traversetable(GCState* st, Table* h) {
  int weakkey = 0;
  int weakvalue = 0;
  markobject(st, h->metatable);
  const TObject* mode = gfasttm(st->g, h->metatable, TM_MODE);
  h->marked &= static_cast<lu_byte>(~(KEYWEAK | VALUEWEAK));
  if (mode && ttisstring(mode)) {  // is there a weak mode?
    const char* m = getstr(tsvalue(mode));
    size_t ml = tsvalue(mode)->len;
    weakkey = memchr(m, 'k', ml) != nullptr;
    weakvalue = memchr(m, 'v', ml) != nullptr;
    if (weakkey || weakvalue) {  // is really weak?
      h->marked |= static_cast<lu_byte>((weakkey ? KEYWEAK : 0) | (weakvalue ? VALUEWEAK : 0));
      GCObject** weaklist = (weakkey && weakvalue) ? &st->wkv : (weakkey ? &st->wk : &st->wv);
      h->gclist = *weaklist;  // must be cleared after GC, ...
      *weaklist = h;          // ... so put in the appropriate list
    }
  }
  if (!weakvalue) {
    int i = h->sizearray;
    while (i--) markvalue(st, &h->array[i]);
  }
  int i = sizenode(h);
  while (i--) {
    Node* n = gnode(h, i);
    if (!ttisnil(gval(n))) {
      if (!weakkey) markvalue(st, gkey(n));
      if (!weakvalue) markvalue(st, gval(n));
    }
  }
}

static void traverseproto(GCState* st, Proto* f) {
  if (f->source) markobject(st, f->source);
  for (int i = 0; i < f->sizek; i++) markvalue(st, &f->k[i]);
  for (int i = 0; i < f->sizeupvalues; i++)
    if (f->upvalues[i]) markobject(st, f->upvalues[i]);
  for (int i = 0; i < f->sizep; i++)
    if (f->p[i]) markobject(st, f->p[i]);
  for (int i = 0; i < f->sizelocvars; i++)
    if (f->locvars[i].varname) markobject(st, f->locvars[i].varname);
}

static void traverseclosure(GCState* st, Closure* cl) {
  if (cl->isC) {
    CClosure* c = static_cast<CClosure*>(cl);
    for (int i = 0; i < c->nupvalues; i++) markvalue(st, &c->upvalue[i]);
  } else {
    LClosure* c = static_cast<LClosure*>(cl);
    if (c->p) markobject(st, c->p);
    markvalue(st, &c->g);
    for (int i = 0; i < c->nupvalues; i++) {
      UpVal* u = c->upvals[i];
      if (u && !ismarked(u)) {
        setmark(u);
        markvalue(st, u->v);
      } else if (u) {
        markvalue(st, u->v);  // open upvalues are born marked: mark their value anyway
      }
    }
  }
}

static void checkstacksizes(lua_State* L, StkId max) {
  int used = static_cast<int>(L->ci - L->base_ci);  // number of `ci' in use
  if (4 * used < L->size_ci && 2 * BASIC_CI_SIZE < L->size_ci) luaD_reallocCI(L, L->size_ci / 2);
  used = static_cast<int>(max - L->stack);  // part of stack in use
  if (4 * used < L->stacksize && 2 * (BASIC_STACK_SIZE + EXTRA_STACK) < L->stacksize)
    luaD_reallocstack(L, L->stacksize / 2);
}

static void traversestack(GCState* st, lua_State* L1) {
  markvalue(st, gt(L1));
  if (L1->stack == nullptr) return;
  StkId lim = L1->top;
  for (CallInfo* ci = L1->base_ci; ci <= L1->ci; ci++) {
    if (lim < ci->top) lim = ci->top;
  }
  if (lim > L1->stack_last + EXTRA_STACK) lim = L1->stack_last + EXTRA_STACK;
  StkId o;
  for (o = L1->stack; o < L1->top; o++) markvalue(st, o);
  for (; o < lim; o++) setnilvalue(o);
  checkstacksizes(L1, lim);
}

static void propagatemarks(GCState* st) {
  while (st->tmark) {  // traverse marked objects
    GCObject* o = st->tmark;
    switch (o->tt) {
      case LUA_TTABLE: {
        Table* h = static_cast<Table*>(o);
        st->tmark = h->gclist;
        traversetable(st, h);
        break;
      }
      case LUA_TFUNCTION: {
        Closure* cl = static_cast<Closure*>(o);
        st->tmark = cl->gclist;
        traverseclosure(st, cl);
        break;
      }
      case LUA_TTHREAD: {
        lua_State* th = reinterpret_cast<lua_State*>(o);
        st->tmark = th->gclist;
        traversestack(st, th);
        break;
      }
      case LUA_TPROTO: {
        Proto* p = static_cast<Proto*>(o);
        st->tmark = p->gclist;
        traverseproto(st, p);
        break;
      }
      default: st->tmark = nullptr; break;
    }
  }
}

// Text is never weak: it is marked instead of cleared.
static int valismarked(const TObject* o) {
  if (ttisstring(o) || ttiswstring(o)) setmark(gcvalue(o));
  return !iscollectable(o) || ismarked(gcvalue(o));
}

static void cleartablekeys(GCObject* l) {
  while (l) {
    Table* h = static_cast<Table*>(l);
    int i = sizenode(h);
    while (i--) {
      Node* n = gnode(h, i);
      if (!ttisnil(gval(n)) && !valismarked(gkey(n))) removekey(n);
    }
    l = h->gclist;
  }
}

static void cleartablevalues(GCObject* l) {
  while (l) {
    Table* h = static_cast<Table*>(l);
    int i = h->sizearray;
    while (i--) {
      TObject* o = &h->array[i];
      if (!valismarked(o)) setnilvalue(o);  // remove value
    }
    i = sizenode(h);
    while (i--) {
      Node* n = gnode(h, i);
      if (!ttisnil(gval(n)) && !valismarked(gval(n))) removekey(n);
    }
    l = h->gclist;
  }
}

static void freeobj(lua_State* L, GCObject* o) {
  switch (o->tt) {
    case LUA_TPROTO: luaF_freeproto(L, static_cast<Proto*>(o)); break;
    case LUA_TFUNCTION: luaF_freeclosure(L, static_cast<Closure*>(o)); break;
    case LUA_TUPVAL: luaM_freelem(L, static_cast<UpVal*>(o)); break;
    case LUA_TTABLE: luaH_free(L, static_cast<Table*>(o)); break;
    case LUA_TTHREAD: luaE_freethread(L, reinterpret_cast<lua_State*>(o)); break;
    case LUA_TSTRING:
      G(L)->strt.nuse--;
      luaM_free(L, o, sizestring(static_cast<TString*>(o)->len));
      break;
    case LUA_TWSTRING:
      G(L)->strt.nuse--;
      luaM_free(L, o, sizewstring(static_cast<TString*>(o)->len));
      break;
    case LUA_TUSERDATA: luaM_free(L, o, luaS_udatasize(static_cast<Udata*>(o))); break;
    default: break;
  }
}

static int sweeplist(lua_State* L, GCObject** p, int all) {
  GCObject* curr;
  int count = 0;
  while ((curr = *p) != nullptr) {
    if ((curr->marked & (MARKBIT | FIXEDBIT)) && !all) {
      unmark(curr);
      p = &curr->next;
    } else {
      count++;
      *p = curr->next;
      freeobj(L, curr);
    }
  }
  return count;
}

static void sweepstrings(lua_State* L, int all) {
  for (int i = 0; i < G(L)->strt.size; i++) sweeplist(L, &G(L)->strt.hash[i], all);
}

void luaC_sweep(lua_State* L, int all) {
  if (all) {
    // Freeing threads closes their upvalues, which relinks them: repeat until empty.
    do {
      sweeplist(L, &G(L)->rootudata, 1);
      sweeplist(L, &G(L)->tmudata, 1);
      sweepstrings(L, 1);
      sweeplist(L, &G(L)->rootgc, 1);
    } while (G(L)->rootgc || G(L)->rootudata);
    return;
  }
  sweeplist(L, &G(L)->rootudata, 0);
  sweepstrings(L, 0);
  sweeplist(L, &G(L)->rootgc, 0);
}

static void checkSizes(lua_State* L) {
  if (G(L)->strt.nuse < static_cast<lu_int32>(G(L)->strt.size / 4) && G(L)->strt.size > 64)
    luaS_resize(L, G(L)->strt.size / 2);
  if (luaZ_sizebuffer(&G(L)->buff) > 64) {
    size_t newsize = luaZ_sizebuffer(&G(L)->buff) / 2;
    luaZ_resizebuffer(L, &G(L)->buff, newsize);
  }
}

static void do1gcTM(lua_State* L, Udata* udata) {
  const TObject* tm = fasttm(L, udata->metatable, TM_GC);
  if (tm != nullptr) {
    setobj2s(L->top, tm);
    setuvalue(L->top + 1, udata);
    L->top += 2;
    luaD_call(L, L->top - 2, 0);
  }
}

// A finaliser run by a collection that native code started outside any protected call has no
// caller to receive its error, and an error there would end the process: it runs protected, and
// its error is handed to the "_ALERT" global (itself called protected) and dropped.
static void f_gctm(lua_State* L, void* ud) { do1gcTM(L, static_cast<Udata*>(ud)); }

static void f_alert(lua_State* L, void*) {
  lua_pushliteral(L, "_ALERT");
  lua_rawget(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    lua_pushvalue(L, -2);
    lua_call(L, 1, 0);
  }
}

static void run1gcTM(lua_State* L, Udata* udata) {
  if (L->errorJmp != nullptr) {
    do1gcTM(L, udata);
    return;
  }
  ptrdiff_t top = savestack(L, L->top);
  if (luaD_pcall(L, f_gctm, udata, top, 0) != 0) {  // the error value lies at top
    ptrdiff_t above = savestack(L, L->top);
    luaD_pcall(L, f_alert, nullptr, above, 0);
  }
  L->top = restorestack(L, top);
}

// Runs the pending finalisers one at a time. A collection started inside a finaliser only
// appends to tmudata; the loop already running drains it. Running them from the nested
// collection instead would nest one C call per pending finaliser, and once that depth overflows
// the error unwinds through every finaliser in progress, each already unlinked and flagged as
// finalised, so their __gc calls would never complete.
void luaC_callGCTM(lua_State* L) {
  global_State* g = G(L);
  // Too deep for one more call: the finaliser would fail before it starts, after its
  // userdata was already taken off the list. They wait for a collection from a shallower
  // depth (or the close).
  if (g->runningtm || L->nCcalls + 1 >= LUA_MAXCCALLS) return;
  lu_byte oldah = L->allowhook;
  g->runningtm = 1;
  try {
    L->allowhook = 0;  // stop debug hooks during GC tag methods
    luaD_checkstack(L, 3);
    L->top++;  // reserve space to keep udata while runs its gc method
    while (g->tmudata != nullptr) {
      GCObject* o = g->tmudata;
      Udata* udata = static_cast<Udata*>(o);
      g->tmudata = udata->next;    // remove udata from `tmudata'
      udata->next = g->rootudata;  // return it to `root' list
      g->rootudata = o;
      setuvalue(L->top - 1, udata);  // keep a reference to it
      unmark(o);
      markfinalized(udata);
      run1gcTM(L, udata);
    }
    L->top--;
  } catch (...) {  // an error in a finaliser goes on to the caller; the rest run later
    g->runningtm = 0;
    L->allowhook = oldah;
    throw;
  }
  g->runningtm = 0;
  L->allowhook = oldah;  // restore hooks
}

static void markroot(GCState* st, lua_State* L) {
  global_State* g = st->g;
  markvalue(st, &g->_defaultmeta);
  for (int i = 0; i < NUM_TAGS; i++) markvalue(st, &g->defaultmetatypes[i]);
  markvalue(st, registry(L));
  markobject(st, reinterpret_cast<GCObject*>(g->mainthread));
  if (L != g->mainthread)                            // another thread is running?
    markobject(st, reinterpret_cast<GCObject*>(L));  // cannot collect it
}

static size_t mark(lua_State* L) {
  GCState st;
  st.g = G(L);
  st.tmark = nullptr;
  st.wkv = st.wk = st.wv = nullptr;
  markroot(&st, L);
  propagatemarks(&st);  // mark all reachable objects
  cleartablevalues(st.wkv);
  cleartablevalues(st.wv);
  GCObject* wkv = st.wkv;  // keys must be cleared after preserving udata
  st.wkv = nullptr;
  st.wv = nullptr;
  size_t deadmem = luaC_separateudata(L);  // separate userdata to be preserved
  marktmu(&st);                            // mark `preserved' userdata
  propagatemarks(&st);                     // remark, to propagate `preserveness'
  cleartablekeys(wkv);
  // `propagatemarks' may resuscitate some weak tables; clear them too
  cleartablekeys(st.wk);
  cleartablevalues(st.wv);
  cleartablekeys(st.wkv);
  cleartablevalues(st.wkv);
  return deadmem;
}

void luaC_collectgarbage(lua_State* L) {
  size_t deadmem = mark(L);
  luaC_sweep(L, 0);
  unmark(reinterpret_cast<GCObject*>(G(L)->mainthread));  // not in any swept list
  checkSizes(L);
  lu_mem twice = 2 * G(L)->nblocks;
  G(L)->GCthreshold = (twice > deadmem) ? twice - deadmem : 0;
  luaC_callGCTM(L);
}

void luaC_link(lua_State* L, GCObject* o, lu_byte tt) {
  o->next = G(L)->rootgc;
  G(L)->rootgc = o;
  o->marked = 0;
  o->tt = tt;
}
