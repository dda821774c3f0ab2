// The virtual machine: one loop runs script frames; calls between script functions stay in
// the loop (no native recursion), native functions and tag methods are called through do.cpp.
#include "vm.h"

#include <cmath>
#include <cstdio>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "debug.h"
#include "do.h"
#include "func.h"
#include "gc.h"
#include "mem.h"
#include "opcodes.h"
#include "sstring.h"
#include "table.h"
#include "tm.h"

// limit for table tag-method chains (to avoid loops)
#define MAXTAGLOOP 100

// Layout hints: the fast paths of the loop's handlers fall through, the rest is moved aside.
#define likely(x) __builtin_expect(!!(x), 1)
#define unlikely(x) __builtin_expect(!!(x), 0)

const TObject* luaV_tonumber(const TObject* obj, TObject* n) {
  lua_Number num;
  if (ttisnumber(obj)) return obj;
  if (ttisstring(obj) && luaO_str2d(getstr(tsvalue(obj)), &num)) {
    setnvalue(n, num);
    return n;
  }
  if (ttiswstring(obj) && luaO_wstr2d(getwstr(tsvalue(obj)), &num)) {
    setnvalue(n, num);
    return n;
  }
  return nullptr;
}

int luaV_tostring(lua_State* L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  int len = luaO_num2str(nvalue(obj), s);
  setsvalue2s(obj, luaS_newlstr(L, s, static_cast<size_t>(len)));
  return 1;
}

int luaV_towstring(lua_State* L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  lua_WChar w[32];
  int len = luaO_num2str(nvalue(obj), s);
  for (int i = 0; i < len; i++) w[i] = static_cast<lua_WChar>(static_cast<signed char>(s[i]));
  setwsvalue(obj, luaS_newlwstr(L, w, static_cast<size_t>(len)));
  return 1;
}

// Calls f(p1, p2) for one result, stored in res (a stack slot; the stack may move).
static void callTMres(lua_State* L, StkId res, const TObject* f, const TObject* p1, const TObject* p2) {
  ptrdiff_t result = savestack(L, res);
  setobj2s(L->top, f);       // push function
  setobj2s(L->top + 1, p1);  // 1st argument
  setobj2s(L->top + 2, p2);  // 2nd argument
  luaD_checkstack(L, 3);
  L->top += 3;
  luaD_call(L, L->top - 3, 1);
  res = restorestack(L, result);
  L->top--;
  setobjs2s(res, L->top);
}

static void callTM(lua_State* L, const TObject* f, const TObject* p1, const TObject* p2, const TObject* p3) {
  setobj2s(L->top, f);       // push function
  setobj2s(L->top + 1, p1);  // 1st argument
  setobj2s(L->top + 2, p2);  // 2nd argument
  setobj2s(L->top + 3, p3);  // 3th argument
  luaD_checkstack(L, 4);
  L->top += 4;
  luaD_call(L, L->top - 4, 0);
}

// Whether a number key is a whole number in 1..sizearray; then *idx is its array index.
static inline bool inarray(const Table* h, lua_Number n, unsigned* idx) {
#if defined(__SSE2__)
  // The truncating conversion gives INT_MIN for NaN and for anything out of int range, so
  // one unsigned compare of k - 1 against the array size does the range test in integers.
  int k = _mm_cvttsd_si32(_mm_set_sd(n));
  *idx = static_cast<unsigned>(k) - 1u;
  return likely(*idx < static_cast<unsigned>(h->sizearray) && static_cast<lua_Number>(k) == n);
#else
  if (n >= 1 && n <= h->sizearray) {  // false for NaN
    int k = static_cast<int>(n);
    *idx = static_cast<unsigned>(k) - 1u;
    return likely(static_cast<lua_Number>(k) == n);
  }
  return false;
#endif
}

// Raw lookup with the common cases inline: interned text, and an index into the array part.
static inline const TObject* rawget(Table* h, const TObject* key) {
  if (ttisstring(key)) return luaH_getstr(h, tsvalue(key));
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    unsigned idx;
    if (inarray(h, n, &idx)) return &h->array[idx];
    return luaH_getnumhash(h, n);  // any other number (a NaN finds nothing)
  }
  return luaH_get(h, key);
}

// After a raw miss in table h whose metatable may have __index: the value found in an __index
// table one level up, or null when that takes more (a handler function, a further miss),
// which is then left to finishget from the start.
static inline const TObject* inheritedget(lua_State* L, Table* h, const TObject* key) {
  const TObject* tm = fasttm(L, h->metatable, TM_INDEX);
  if (tm == nullptr || !ttistable(tm)) return nullptr;
  const TObject* v = rawget(hvalue(tm), key);
  return ttisnil(v) ? nullptr : v;
}

// The lookup of t[key] after the raw get of the first table (if t is one) found nil.
static void finishget(lua_State* L, const TObject* t, TObject* key, StkId val, bool missed) {
  TObject mtobj;
  for (int loop = 0; loop <= MAXTAGLOOP; loop++) {
    const TObject* tm;
    if (ttistable(t)) {  // `t' is a table?
      Table* h = hvalue(t);
      const TObject* res = missed ? luaO_nilobject : rawget(h, key);  // do a primitive get
      missed = false;
      if (!ttisnil(res) || (tm = fasttm(L, h->metatable, TM_INDEX)) == nullptr) {
        setobj2s(val, res);
        return;
      }
    } else {
      tm = luaT_gettmbyobj(L, t, TM_INDEX);
      if (ttisnil(tm)) {
        // no handler: the metatable itself is indexed (nil has none)
        Table* mt = luaT_getmetatable(L, t);
        if (mt == nullptr) luaG_typeerror(L, t, "index");
        sethvalue(&mtobj, mt);
        tm = &mtobj;
      }
    }
    if (ttisfunction(tm)) {
      callTMres(L, val, tm, t, key);
      return;
    }
    t = tm;  // else repeat with `tm' (possibly the metatable itself, held in mtobj)
  }
  luaG_runerror(L, "loop in gettable");
}

void luaV_gettable(lua_State* L, const TObject* t, TObject* key, StkId val) { finishget(L, t, key, val, false); }

// t[key] = val for a table whose raw lookup gave slot (luaO_nilobject when the key is absent,
// else a slot holding nil): without a __newindex handler the value goes in directly.
static inline bool setmiss(lua_State* L, Table* h, TObject* key, const TObject* slot, const TObject* val) {
  if (slot == luaO_nilobject && (ttisnil(key) || (ttisnumber(key) && std::isnan(nvalue(key)))))
    return false;  // the general path raises the error
  if (fasttm(L, h->metatable, TM_NEWINDEX) != nullptr) return false;
  TObject* v;
  if (slot != luaO_nilobject) {
    h->flags = 0;
    v = const_cast<TObject*>(slot);
  } else {
    v = luaH_newkey(L, h, key);
  }
  setobj2t(v, val);
  return true;
}

void luaV_settable(lua_State* L, const TObject* t, TObject* key, StkId val) {
  for (int loop = 0; loop <= MAXTAGLOOP; loop++) {
    const TObject* tm;
    if (ttistable(t)) {  // `t' is a table?
      Table* h = hvalue(t);
      TObject* oldval = luaH_set(L, h, key);  // do a primitive set
      if (!ttisnil(oldval) || (tm = fasttm(L, h->metatable, TM_NEWINDEX)) == nullptr) {
        setobj2t(oldval, val);
        return;
      }
      // else will try the tag method
    } else if (ttisnil(tm = luaT_gettmbyobj(L, t, TM_NEWINDEX))) {
      luaG_typeerror(L, t, "index");
    }
    if (ttisfunction(tm)) {
      callTM(L, tm, t, key, val);
      return;
    }
    t = tm;  // else repeat with `tm'
  }
  luaG_runerror(L, "loop in settable");
}

static int call_binTM(lua_State* L, const TObject* p1, const TObject* p2, StkId res, TMS event) {
  const TObject* tm = luaT_gettmbyobj(L, p1, event);    // try first operand
  if (ttisnil(tm)) tm = luaT_gettmbyobj(L, p2, event);  // try second operand
  if (!ttisfunction(tm)) return 0;
  callTMres(L, res, tm, p1, p2);
  return 1;
}

static const TObject* get_compTM(lua_State* L, Table* mt1, Table* mt2, TMS event) {
  const TObject* tm1 = fasttm(L, mt1, event);
  if (tm1 == nullptr) return nullptr;  // no metamethod
  if (mt1 == mt2) return tm1;          // same metatables => same metamethods
  const TObject* tm2 = fasttm(L, mt2, event);
  if (tm2 == nullptr) return nullptr;          // no metamethod
  if (luaO_rawequalObj(tm1, tm2)) return tm1;  // same metamethods?
  return nullptr;
}

// -1: no usable handler; otherwise the truth of the handler's result.
static int call_orderTM(lua_State* L, const TObject* p1, const TObject* p2, TMS event) {
  const TObject* tm1 = luaT_gettmbyobj(L, p1, event);
  if (ttisnil(tm1)) return -1;  // no metamethod?
  const TObject* tm2 = luaT_gettmbyobj(L, p2, event);
  if (!luaO_rawequalObj(tm1, tm2)) return -1;  // different metamethods?
  callTMres(L, L->top, tm1, p1, p2);
  return !l_isfalse(L->top);
}

int luaV_strcmp(const TString* ls, const TString* rs) {
  const char* l = getstr(ls);
  size_t ll = ls->len;
  const char* r = getstr(rs);
  size_t lr = rs->len;
  for (;;) {
    int temp = strcmp(l, r);  // byte order: the C locale's collation
    if (temp != 0) return temp;
    // strings are equal up to a `\0'
    size_t len = strlen(l);  // index of first `\0' in both strings
    if (len == lr)           // r is finished?
      return (len == ll) ? 0 : 1;
    else if (len == ll)  // l is finished?
      return -1;         // l is smaller than r (because r is not finished)
    // both strings longer than `len'; go on comparing (after the `\0')
    len++;
    l += len;
    ll -= len;
    r += len;
    lr -= len;
  }
}

int luaV_lessthan(lua_State* L, const TObject* l, const TObject* r) {
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) < nvalue(r);
  if (ttisstring(l)) return luaV_strcmp(tsvalue(l), tsvalue(r)) < 0;
  int res = call_orderTM(L, l, r, TM_LT);
  if (res != -1) return res;
  luaG_ordererror(L, l, r);
}

static int luaV_lessequal(lua_State* L, const TObject* l, const TObject* r) {
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) <= nvalue(r);
  if (ttisstring(l)) return luaV_strcmp(tsvalue(l), tsvalue(r)) <= 0;
  int res = call_orderTM(L, l, r, TM_LE);  // first try `le'
  if (res != -1) return res;
  res = call_orderTM(L, r, l, TM_LT);  // else try `lt'
  if (res != -1) return !res;
  luaG_ordererror(L, l, r);
}

int luaV_equalval(lua_State* L, const TObject* t1, const TObject* t2) {
  const TObject* tm;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);  // true must be 1 !!
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    case LUA_TUSERDATA:
      if (uvalue(t1) == uvalue(t2)) return 1;
      tm = get_compTM(L, uvalue(t1)->metatable, uvalue(t2)->metatable, TM_EQ);
      break;  // will try TM
    case LUA_TTABLE:
      if (hvalue(t1) == hvalue(t2)) return 1;
      tm = get_compTM(L, hvalue(t1)->metatable, hvalue(t2)->metatable, TM_EQ);
      break;  // will try TM
    default: return gcvalue(t1) == gcvalue(t2);
  }
  if (tm == nullptr) return 0;       // no TM?
  callTMres(L, L->top, tm, t1, t2);  // call TM
  return !l_isfalse(L->top);
}

static inline int towide(lua_State* L, StkId o) { return ttiswstring(o) || luaV_towstring(L, o); }

// The 8-bit concatenation: numbers among the operands are formatted straight into the result
// (the first few of each pass; any further ones become strings in place first), so a number
// joined to text is not interned as a string of its own.
static void concatnarrow(lua_State* L, int total, int last) {
  constexpr int kNumSlots = 8;
  constexpr size_t kDirectBuild = 256;
  do {
    StkId top = L->base + last + 1;
    int n = 2;  // number of elements handled in this pass (at least 2)
    if (!((ttisstring(top - 2) || ttisnumber(top - 2)) && (ttisstring(top - 1) || ttisnumber(top - 1)))) {
      tostring(L, top - 2);  // as text, as the handler and the message see it
      if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT)) luaG_concaterror(L, top - 2, top - 1);
    } else if (ttisstring(top - 1) && tsvalue(top - 1)->len == 0) {
      luaV_tostring(L, top - 2);  // the result is the first operand, as text
    } else {
      char nums[kNumSlots][32];
      int nn = 0;  // numbers formatted into nums, from the top down
      size_t tl = 0;
      for (n = 0; n < total; n++) {
        StkId o = top - n - 1;
        size_t l;
        if (ttisnumber(o)) {
          if (nn < kNumSlots) {
            l = static_cast<size_t>(luaO_num2str(nvalue(o), nums[nn]));
            nn++;
          } else {
            luaV_tostring(L, o);
            l = tsvalue(o)->len;
          }
        } else if (ttisstring(o)) {
          l = tsvalue(o)->len;
        } else {
          break;
        }
        if (n > 0 && l >= MAX_BLOCK_SIZE - tl) luaG_runerror(L, "string size overflow");
        tl += l;
      }
      // Long results are written straight into a new string object (no second copy); short
      // ones, often already interned, go through the text buffer.
      TString* built = tl >= kDirectBuild ? luaS_newstrspace(L, tl) : nullptr;
      char* buffer = built != nullptr ? getstr(built) : luaZ_openspace(L, &G(L)->buff, tl);
      top = L->base + last + 1;  // (no call happened, but keep the rule: re-derive after allocation)
      size_t tlb = 0;
      for (int i = n; i > 0; i--) {  // join from the bottom up: formatted numbers in reverse
        StkId o = top - i;
        if (ttisnumber(o)) {
          const char* d = nums[--nn];
          size_t l = strlen(d);
          memcpy(buffer + tlb, d, l);
          tlb += l;
        } else {
          size_t l = tsvalue(o)->len;
          memcpy(buffer + tlb, getstr(tsvalue(o)), l);
          tlb += l;
        }
      }
      setsvalue2s(top - n, built != nullptr ? luaS_internspace(L, built) : luaS_newlstr(L, buffer, tl));
    }
    total -= n - 1;  // got `n' strings to create 1 new
    last -= n - 1;
  } while (total > 1);  // repeat until only 1 result left
}

void luaV_concat(lua_State* L, int total, int last) {
  // The kind of the whole concatenation is that of its last textual operand.
  bool wide = false;
  for (int i = last; i > last - total; i--) {
    StkId o = L->base + i;
    if (ttisstring(o)) break;
    if (ttiswstring(o)) {
      wide = true;
      break;
    }
  }
  if (!wide) {
    concatnarrow(L, total, last);
    return;
  }
  do {
    StkId top = L->base + last + 1;
    int n = 2;  // number of elements handled in this pass (at least 2)
    if (!(towide(L, top - 2) && towide(L, top - 1))) {
      if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT)) luaG_concaterror(L, top - 2, top - 1);
    } else if (tsvalue(top - 1)->len > 0) {  // if len=0, do nothing (result is the first operand)
      // at least two string values; get as many as possible
      size_t tl = tsvalue(top - 1)->len;
      const size_t unit = sizeof(lua_WChar);
      for (n = 1; n < total && towide(L, top - n - 1); n++) {
        size_t l = tsvalue(top - n - 1)->len;
        if (l >= (MAX_BLOCK_SIZE / unit) - tl) luaG_runerror(L, "string size overflow");
        tl += l;
      }
      char* buffer = luaZ_openspace(L, &G(L)->buff, tl * unit);
      top = L->base + last + 1;  // (no call happened, but keep the rule: re-derive after allocation)
      size_t tlb = 0;
      for (int i = n; i > 0; i--) {  // concat all strings
        size_t l = tsvalue(top - i)->len * unit;
        memcpy(buffer + tlb, getstr(tsvalue(top - i)), l);
        tlb += l;
      }
      setwsvalue(top - n, luaS_newlwstr(L, reinterpret_cast<const lua_WChar*>(buffer), tl));
    }
    total -= n - 1;  // got `n' strings to create 1 new
    last -= n - 1;
  } while (total > 1);  // repeat until only 1 result left
}

// Bit operands: both must be numbers; clamped to 0..2^32-1 (NaN to the top) and truncated.
static inline lu_int32 bitoperand(lua_Number n) {
  if (!(n >= 0)) return (n < 0) ? 0u : 0xFFFFFFFFu;  // below zero, or NaN
  if (n >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<lu_int32>(n);
}

static void Arith(lua_State* L, StkId ra, const TObject* rb, const TObject* rc, TMS op) {
  TObject tempb, tempc;
  const TObject *b, *c;
  if ((b = luaV_tonumber(rb, &tempb)) != nullptr && (c = luaV_tonumber(rc, &tempc)) != nullptr) {
    switch (op) {
      case TM_ADD: setnvalue(ra, nvalue(b) + nvalue(c)); break;
      case TM_SUB: setnvalue(ra, nvalue(b) - nvalue(c)); break;
      case TM_MUL: setnvalue(ra, nvalue(b) * nvalue(c)); break;
      case TM_DIV: setnvalue(ra, nvalue(b) / nvalue(c)); break;
      case TM_POW: {
        const TObject* f = ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), G(L)->tmname[TM_POW]) : luaO_nilobject;
        if (!ttisfunction(f)) luaG_runerror(L, "`__pow' (`^' operator) is not a function");
        TObject fcopy = *f;
        callTMres(L, ra, &fcopy, b, c);
        break;
      }
      default: break;
    }
  } else if (!call_binTM(L, rb, rc, ra, op)) {
    luaG_aritherror(L, rb, rc);
  }
}

// ---- the loop ----

// A register copy that moves a number through the floating-point registers (the empty asm
// keeps the compiler from turning it into an integer move) and anything else through the
// integer ones. Numbers are stored from the floating-point registers by the arithmetic and
// the loops and read into them by the next arithmetic; a load that has to take its value
// from a pending store of the other register file waits several cycles longer, and the
// copies of MOVE and LOADK sit on such chains (loop index to argument, constant to operand).
static inline __attribute__((always_inline)) void copyreg(TObject* d, const TObject* s) {
  int tt = s->tt;
  if (tt == LUA_TNUMBER) {
    lua_Number n = s->value.n;
    __asm__("" : "+x"(n));
    d->value.n = n;
  } else {
    d->value = s->value;
  }
  d->tt = tt;
}

#define runtime_check(L, c)                                                                                            \
  {                                                                                                                    \
    if (!(c)) return 0;                                                                                                \
  }

#define RA(i) (base + GETARG_A(i))
#define XRA(i) (L->base + GETARG_A(i))
#define RB(i) (base + GETARG_B(i))
#define RKB(i) rkslot(base, k, ((i) >> (POS_B - 4)) & (MAXARG_B << 4))
#define RC(i) (base + GETARG_C(i))
#define RKC(i) rkslot(base, k, ((i) >> (POS_C - 4)) & (MAXARG_C << 4))
#define KBx(i) (k[GETARG_Bx(i)])

#define dojump(pc, i) ((pc) += (i))

// The end of a comparison: the jump that always follows it is taken here (or skipped when the
// outcome differs from A), so the pair costs one dispatch. Each way has its own fetch.
#define condbreak(res)                                                                                                 \
  {                                                                                                                    \
    if ((res) == GETARG_A(i)) {                                                                                        \
      dojump(pc, GETARG_sBx(*pc) + 1);                                                                                 \
      vmbreak;                                                                                                         \
    }                                                                                                                  \
    pc++;                                                                                                              \
    vmbreak;                                                                                                           \
  }

// The running function's constants, kept as the address constant 0 would have if the
// constants followed the MAXSTACK registers: RK operands (below) then index either block by
// the same field, and the bias is paid when a frame is entered instead of at every operand.
// Assigned the constants' address itself.
class ConstBlock {
public:
  ConstBlock& operator=(TObject* k) {
    biased_ = reinterpret_cast<uintptr_t>(k) - MAXSTACK * sizeof(TObject);
    return *this;
  }
  TObject* operator[](int n) const { return reinterpret_cast<TObject*>(biased_ + (MAXSTACK + n) * sizeof(TObject)); }
  uintptr_t biased() const { return biased_; }

private:
  uintptr_t biased_;
};

// An RK operand, given as its field already scaled to a byte offset (the field times the
// 16-byte slot size, extracted by one shift and mask): register x below MAXSTACK, else
// constant x - MAXSTACK. The block is chosen first and indexed after, which compiles to a
// conditional move instead of a branch that code mixing registers and constants mispredicts.
static_assert(sizeof(TObject) == 16, "RKB and RKC scale the operand field by 16");
static inline TObject* rkslot(StkId base, const ConstBlock& k, Instruction offset) {
  uintptr_t from = offset < MAXSTACK * sizeof(TObject) ? reinterpret_cast<uintptr_t>(base) : k.biased();
  return reinterpret_cast<TObject*>(from + offset);
}

// Anything that may call, raise, collect or move the stack: save the position first and
// re-derive base afterwards (and the hook switch: native code may have set a hook).
#define Protect(x)                                                                                                     \
  {                                                                                                                    \
    L->ci->savedpc = pc;                                                                                               \
    x;                                                                                                                 \
    base = L->base;                                                                                                    \
    updatetrap();                                                                                                      \
  }

// More than n slots between top and the last usable one: luaD_checkstack would not grow the
// stack for n (a byte distance, without scaling the pointer difference).
static inline bool hasroom(lua_State* L, StkId top, int n) {
  return reinterpret_cast<char*>(L->stack_last) - reinterpret_cast<char*>(top) >
         static_cast<ptrdiff_t>(n * sizeof(TObject));
}

// True when a call instruction with operand b passes the function at ra no more arguments
// than it has parameters (b - 1 of them, or those up to top when b is 0). Only such a call
// takes the direct way into a script function, which starts the frame's nil slots at top; a
// call with more goes through luaD_precall, which clears the arguments beyond the parameters,
// so that a local never holds a stale argument even in code without LOADNIL.
static inline bool argsfit(int b, StkId ra, StkId top, const Proto* p) {
  return likely(static_cast<unsigned>(b - 1) <= p->numparams) || top - (ra + 1) <= p->numparams;
}

// A native function at func with its arguments up to top, called from a script frame: true
// when it can go the direct way of callnative (room for another call record and for its
// minimum stack, no call hook).
static inline bool nativefast(lua_State* L, StkId func, StkId top) {
  return ttisfunction(func) && clvalue(func)->isC && L->ci + 1 != L->end_ci && hasroom(L, top, LUA_MINSTACK) &&
         !(L->hookmask & LUA_MASKCALL);
}

// luaD_precall and luaD_poscall inline for a native function that nativefast accepted: runs
// it and leaves nresults results at func (all of them up to top when LUA_MULTRET). False
// when the function yielded. The call may move the stack and the call records: the caller
// re-derives everything.
static inline __attribute__((always_inline)) bool callnative(lua_State* L, StkId func, StkId top, int nresults) {
  CallInfo* ci = ++L->ci;
  L->base = ci->base = func + 1;
  ci->top = top + LUA_MINSTACK;
  ci->state = CI_C;
  ci->savedpc = nullptr;
  ci->tailcalls = 0;
  int n = (*clCvalue(func)->f)(L);
  if (n < 0) return false;
  StkId firstResult = L->top - n;
  if (L->hookmask & LUA_MASKRET) {
    luaD_poscall(L, nresults, firstResult);  // the return hook may set hooks too
  } else {
    StkId res = L->base - 1;
    StkId rtop = L->top;
    L->ci--;
    L->base = L->ci->base;
    int wanted = nresults;
    while (wanted != 0 && firstResult < rtop) {
      setobjs2s(res++, firstResult++);
      wanted--;
    }
    while (wanted-- > 0) setnilvalue(res++);
    L->top = res;
  }
  if (nresults >= 0) L->top = L->ci->top;
  return true;
}

static void traceexec(lua_State* L, const Instruction* pc) {
  lu_byte mask = L->hookmask;
  if (mask & LUA_MASKCOUNT) {  // instruction-hook set?
    if (L->hookcount == 0) {
      resethookcount(L);
      luaD_callhook(L, LUA_HOOKCOUNT, -1);
      return;
    }
  }
  if (mask & LUA_MASKLINE) {
    CallInfo* ci = L->ci;
    Proto* p = static_cast<LClosure*>(ci_func(ci))->p;
    if (!L->hookinit) {
      luaG_inithooks(L);
      return;
    }
    int newline = getline_(p, pcRel(pc, p));
    // calls the line hook when entering a new line or jumping back (loop)
    if (ci->tracedpc == nullptr || pc <= ci->tracedpc || newline != getline_(p, pcRel(ci->tracedpc, p))) {
      luaD_callhook(L, LUA_HOOKLINE, newline);
      ci = L->ci;  // previous call may reallocate `ci'
    }
    ci->tracedpc = pc;
  }
}

StkId luaV_execute(lua_State* L) {
  // Main loop of the interpreter: threaded dispatch, each handler fetching the next
  // instruction itself (opcodes 39..63 never come from the compiler and reach L_BAD). The
  // tables are indexed by the instruction's low byte, the opcode and the two bits above it,
  // so the fetch takes the byte as it is instead of masking the opcode out of it.
#define VM_HANDLERS                                                                                                    \
  &&L_OP_MOVE, &&L_OP_LOADK, &&L_OP_LOADBOOL, &&L_OP_LOADNIL, &&L_OP_GETUPVAL, &&L_OP_GETGLOBAL, &&L_OP_GETTABLE,      \
      &&L_OP_SETGLOBAL, &&L_OP_SETUPVAL, &&L_OP_SETTABLE, &&L_OP_NEWTABLE, &&L_OP_SELF, &&L_OP_ADD, &&L_OP_SUB,        \
      &&L_OP_MUL, &&L_OP_DIV, &&L_OP_BAND, &&L_OP_BOR, &&L_OP_SHL, &&L_OP_SHR, &&L_OP_POW, &&L_OP_UNM, &&L_OP_NOT,     \
      &&L_OP_CONCAT, &&L_OP_JMP, &&L_OP_EQ, &&L_OP_LT, &&L_OP_LE, &&L_OP_TEST, &&L_OP_CALL, &&L_OP_TAILCALL,           \
      &&L_OP_RETURN, &&L_OP_FORLOOP, &&L_OP_TFORLOOP, &&L_OP_TFORPREP, &&L_OP_SETLIST, &&L_OP_SETLISTO, &&L_OP_CLOSE,  \
      &&L_OP_CLOSURE, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD,        \
      &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD, &&L_BAD,      \
      &&L_BAD, &&L_BAD, &&L_BAD
  static_assert(SIZE_OP == 6 && POS_OP == 0, "the dispatch tables repeat the opcodes for the two bits above them");
  static const void* const disptab[256] = {VM_HANDLERS, VM_HANDLERS, VM_HANDLERS, VM_HANDLERS};
#undef VM_HANDLERS
  // With line or count hooks set, every dispatch goes through hooktab to L_hooked, which runs
  // the hooks and then the instruction: the table in use is the hook switch, so the fetch tests
  // nothing. Chosen again wherever native code may have run (entries, Protect, native calls).
#define L_HOOKED16                                                                                                     \
  &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked,          \
      &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked, &&L_hooked
  static const void* const hooktab[256] = {L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16,
                                           L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16,
                                           L_HOOKED16, L_HOOKED16, L_HOOKED16, L_HOOKED16};
#undef L_HOOKED16
  const void* const* dispatch;
#define updatetrap() (dispatch = (L->hookmask & (LUA_MASKLINE | LUA_MASKCOUNT)) ? hooktab : disptab)
  LClosure* cl;
  ConstBlock k;
  const Instruction* pc;
  StkId base;
callentry:  // entry point when calling new functions
  L->ci->tracedpc = nullptr;
  if (L->hookmask & LUA_MASKCALL) { luaD_callhook(L, LUA_HOOKCALL, -1); }
retentry:  // entry point when returning to old functions
  updatetrap();
  L->ci->state |= CI_HASFRAME | CI_SAVEDPC;
  pc = L->ci->savedpc;
  base = L->base;
  cl = static_cast<LClosure*>(clvalue(base - 1));
  k = cl->p->k;
  Instruction i;
  StkId ra;
  // The fetch loads the instruction, then advances pc: the empty asm between the two keeps GCC
  // from advancing pc first and loading at pc - 1, an order measured slower here. A is the
  // instruction's top byte, read by itself: one load instead of a copy and a shift.
  static_assert(POS_A == 24 && SIZE_A == 8 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
                "A is byte 3 of an instruction");
#define vmfetch()                                                                                                      \
  {                                                                                                                    \
    i = *pc;                                                                                                           \
    ra = base + reinterpret_cast<const lu_byte*>(pc)[3];                                                               \
    __asm__("" : "+r"(pc));                                                                                            \
    pc++;                                                                                                              \
  }
#define vmbreak                                                                                                        \
  {                                                                                                                    \
    vmfetch();                                                                                                         \
    goto* dispatch[i & 0xFF];                                                                                          \
  }
  vmbreak;
L_OP_MOVE : {
  copyreg(ra, RB(i));
  vmbreak;
}
L_OP_LOADK : {
  copyreg(ra, KBx(i));
  vmbreak;
}
L_OP_LOADBOOL : {
  setbvalue(ra, GETARG_B(i));
  if (GETARG_C(i)) pc++;  // skip next instruction (if C)
  vmbreak;
}
L_OP_LOADNIL : {
  TObject* rb = RB(i);
  do { setnilvalue(rb--); } while (rb >= ra);
  vmbreak;
}
L_OP_GETUPVAL : {
  TObject* uv = cl->upvals[GETARG_B(i)]->v;
  Instruction ni = *pc;
  // `u = u + x' on numbers (GETUPVAL, an ADD into the same register, SETUPVAL of the same
  // register into the same upvalue) as one step: the sum goes straight to both places
  // instead of through the register and two more dispatches. Not under line and count
  // hooks, which see every instruction. (The last instruction being RETURN, the two
  // instructions after an ADD exist.)
  if (((ni ^ i) & (MASK1(SIZE_A, POS_A) | MASK1(SIZE_OP, POS_OP))) == (OP_GETUPVAL ^ OP_ADD) &&
      pc[1] == (i ^ (OP_GETUPVAL ^ OP_SETUPVAL)) && likely(dispatch == disptab)) {
    TObject* rb = RKB(ni);
    TObject* rc = RKC(ni);
    const TObject* x = rb == ra ? uv : rb;
    const TObject* y = rc == ra ? uv : rc;
    if (likely(ttisnumber(x) && ttisnumber(y))) {
      lua_Number sum = nvalue(x) + nvalue(y);
      setnvalue(uv, sum);
      setnvalue(ra, sum);
      pc += pc[2] == i ? 3 : 2;  // and the upvalue read straight back, as `return u' does
      vmbreak;
    }
  }
  setobj2s(ra, uv);
  vmbreak;
}
L_OP_GETGLOBAL : {
  TObject* rb = KBx(i);
  if (ttistable(&cl->g)) {
    const TObject* v = luaH_getstr(hvalue(&cl->g), tsvalue(rb));
    if (!ttisnil(v)) {
      setobj2s(ra, v);
      vmbreak;
    }
  }
  Protect(luaV_gettable(L, &cl->g, rb, ra));
  vmbreak;
}
L_OP_GETTABLE : {
  StkId rb = RB(i);
  TObject* rc = RKC(i);
  if (likely(ttistable(rb))) {
    Table* h = hvalue(rb);
    const TObject* v = rawget(h, rc);
    if (likely(!ttisnil(v))) {
      setobj2s(ra, v);
      vmbreak;
    }
    if (h->metatable->flags & (1u << TM_INDEX)) {  // known to have no __index
      setnilvalue(ra);
      vmbreak;
    }
    if ((v = inheritedget(L, h, rc)) != nullptr) {
      setobj2s(ra, v);
      vmbreak;
    }
    Protect(finishget(L, rb, rc, ra, true));
    vmbreak;
  }
  Protect(luaV_gettable(L, rb, rc, ra));
  vmbreak;
}
L_OP_SETGLOBAL : {
  TObject* rb = KBx(i);
  if (ttistable(&cl->g)) {
    TObject* v = const_cast<TObject*>(luaH_getstr(hvalue(&cl->g), tsvalue(rb)));
    if (!ttisnil(v)) {
      setobj2t(v, ra);
      vmbreak;
    }
  }
  Protect(luaV_settable(L, &cl->g, rb, ra));
  vmbreak;
}
L_OP_SETUPVAL : {
  UpVal* uv = cl->upvals[GETARG_B(i)];
  setobj(uv->v, ra);
  vmbreak;
}
L_OP_SETTABLE : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttistable(ra)) {
    Table* h = hvalue(ra);
    TObject* v;
    // An array slot first: its key is a number, so storing into it cannot add a tag method
    // and leaves the table's tag-method absence cache as it is.
    if (likely(ttisnumber(rb))) {
      lua_Number n = nvalue(rb);
      unsigned idx;
      if (inarray(h, n, &idx)) {
        v = &h->array[idx];
        // a slot holding nil takes the value too when the metatable is known to have no
        // __newindex (both conditions in one test: filling and overwriting are both common)
        if (likely((!ttisnil(v)) | ((h->metatable->flags >> TM_NEWINDEX) & 1))) {
          setobj2t(v, rc);
          vmbreak;
        }
      } else {
        v = const_cast<TObject*>(luaH_getnumhash(h, n));
      }
    } else {
      v = const_cast<TObject*>(rawget(h, rb));
    }
    if (!ttisnil(v)) {
      setobj2t(v, rc);
      vmbreak;
    }
    // an existing slot holding nil, and the metatable known to have no __newindex
    if (v != luaO_nilobject && (h->metatable->flags & (1u << TM_NEWINDEX))) {
      h->flags = 0;
      setobj2t(v, rc);
      vmbreak;
    }
    bool done;
    Protect(done = setmiss(L, h, rb, v, rc));
    if (done) vmbreak;
  }
  Protect(luaV_settable(L, ra, rb, rc));
  vmbreak;
}
L_OP_NEWTABLE : {
  int b = GETARG_B(i);
  // decoded in 64 bits: sizes from loaded code may be absurd
  uint64_t asize = static_cast<uint64_t>(b & 7) << (b >> 3);
  int c = GETARG_C(i);
  Protect({
    if (asize > (1u << MAXBITS) || c > MAXBITS) luaG_runerror(L, "table overflow");
    Table* t = luaH_new(L, static_cast<int>(asize), c);
    sethvalue(ra, t);
    luaC_checkGC(L);
  });
  vmbreak;
}
L_OP_SELF : {
  StkId rb = RB(i);
  TObject* rc = RKC(i);
  setobjs2s(ra + 1, rb);
  rb = ra + 1;
  if (ttistable(rb)) {
    Table* h = hvalue(rb);
    const TObject* v = rawget(h, rc);
    if (!ttisnil(v)) {
      setobj2s(ra, v);
      vmbreak;
    }
    if (h->metatable->flags & (1u << TM_INDEX)) {  // known to have no __index
      setnilvalue(ra);
      vmbreak;
    }
    if ((v = inheritedget(L, h, rc)) != nullptr) {
      setobj2s(ra, v);
      vmbreak;
    }
    Protect(finishget(L, rb, rc, ra, true));
    vmbreak;
  }
  Protect(luaV_gettable(L, rb, rc, ra));
  vmbreak;
}
L_OP_ADD : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) {
    setnvalue(ra, nvalue(rb) + nvalue(rc));
    vmbreak;
  }
  Protect(Arith(L, ra, rb, rc, TM_ADD));
  vmbreak;
}
L_OP_SUB : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) {
    setnvalue(ra, nvalue(rb) - nvalue(rc));
    vmbreak;
  }
  Protect(Arith(L, ra, rb, rc, TM_SUB));
  vmbreak;
}
L_OP_MUL : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) {
    setnvalue(ra, nvalue(rb) * nvalue(rc));
    vmbreak;
  }
  Protect(Arith(L, ra, rb, rc, TM_MUL));
  vmbreak;
}
L_OP_DIV : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) {
    setnvalue(ra, nvalue(rb) / nvalue(rc));
    vmbreak;
  }
  Protect(Arith(L, ra, rb, rc, TM_DIV));
  vmbreak;
}
L_OP_BAND:
L_OP_BOR:
L_OP_SHL:
L_OP_SHR : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (!ttisnumber(rb) || !ttisnumber(rc)) Protect(luaG_typeerror(L, ttisnumber(rb) ? rc : rb, "perform arithmetic on"));
  lu_int32 a = bitoperand(nvalue(rb));
  lu_int32 b = bitoperand(nvalue(rc));
  lu_int32 r;
  switch (GET_OPCODE(i)) {
    case OP_BAND: r = a & b; break;
    case OP_BOR: r = a | b; break;
    case OP_SHL: r = a << (b & 31); break;
    default: r = a >> (b & 31); break;
  }
  setnvalue(ra, static_cast<lua_Number>(r));
  vmbreak;
}
L_OP_POW : {
  Protect(Arith(L, ra, RKB(i), RKC(i), TM_POW));
  vmbreak;
}
L_OP_UNM : {
  const TObject* rb = RB(i);
  TObject temp;
  if (tonumber(rb, &temp)) {
    setnvalue(ra, -nvalue(rb));
  } else {
    setnilvalue(&temp);
    Protect({
      if (!call_binTM(L, RB(i), &temp, ra, TM_UNM)) luaG_aritherror(L, RB(i), &temp);
    });
  }
  vmbreak;
}
L_OP_NOT : {
  int res = l_isfalse(RB(i));  // next assignment may change this value
  setbvalue(ra, res);
  vmbreak;
}
L_OP_CONCAT : {
  int b = GETARG_B(i);
  int c = GETARG_C(i);
  Protect({
    luaV_concat(L, c - b + 1, c);  // may change `base' (and `ra')
    luaC_checkGC(L);
  });
  setobjs2s(RA(i), base + b);
  vmbreak;
}
L_OP_JMP : {
  dojump(pc, GETARG_sBx(i));
  vmbreak;
}
L_OP_EQ : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) { condbreak(nvalue(rb) == nvalue(rc)); }
  int res;
  if (ttype(rb) != ttype(rc))
    res = 0;
  else
    Protect(res = luaV_equalval(L, rb, rc));
  condbreak(res);
}
L_OP_LT : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) { condbreak(nvalue(rb) < nvalue(rc)); }
  int res;
  Protect(res = luaV_lessthan(L, rb, rc));
  condbreak(res);
}
L_OP_LE : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (__builtin_expect(ttisnumber(rb) && ttisnumber(rc), 1)) { condbreak(nvalue(rb) <= nvalue(rc)); }
  int res;
  Protect(res = luaV_lessequal(L, rb, rc));
  condbreak(res);
}
L_OP_TEST : {
  TObject* rb = RB(i);
  if (l_isfalse(rb) == GETARG_C(i))
    pc++;
  else {
    setobjs2s(ra, rb);
    dojump(pc, GETARG_sBx(*pc) + 1);
  }
  vmbreak;
}
L_OP_CALL : {
  int b = GETARG_B(i);
  StkId top = likely(b != 0) ? ra + b : L->top;  // else previous instruction set top
  CallInfo* ci = L->ci;
  ci->savedpc = pc;
  if (likely(ttisfunction(ra) && !clvalue(ra)->isC)) {
    // Fast entry of a fixed-arity script function given no more arguments than parameters,
    // with room for its frame (checked as luaD_precall checks it); anything else takes the
    // general path of luaD_precall.
    LClosure* ncl = static_cast<LClosure*>(clvalue(ra));
    Proto* p = ncl->p;
    if (likely(!p->is_vararg && argsfit(b, ra, top, p) && ci + 1 != L->end_ci &&
               hasroom(L, top, p->numparams + 1 + p->maxstacksize))) {
      ci->state |= CI_CALLING;
      ci++;
      L->ci = ci;
      StkId nbase = ra + 1;
      StkId ntop = nbase + p->maxstacksize;
      L->base = ci->base = nbase;
      ci->top = ntop;
      ci->savedpc = p->code;
      ci->tailcalls = 0;
      while (top < ntop) setnilvalue(top++);  // missing parameters and locals
      L->top = ntop;
      if (unlikely(L->hookmask & LUA_MASKCALL)) {
        ci->state = CI_SAVEDPC;
        goto callentry;
      }
      // what callentry and retentry do, with everything at hand
      ci->tracedpc = nullptr;
      ci->state = CI_SAVEDPC | CI_HASFRAME;
      pc = p->code;
      base = nbase;
      cl = ncl;
      k = p->k;
      vmbreak;
    }
  }
  L->top = top;
  int nresults = GETARG_C(i) - 1;
  if (nativefast(L, ra, top)) {
    if (!callnative(L, ra, top, nresults)) return nullptr;  // yielded: position saved
    base = L->base;
    updatetrap();
    vmbreak;
  }
  StkId firstResult = luaD_precall(L, ra);
  if (firstResult) {
    if (firstResult == PRECALL_YIELD) return nullptr;  // yielded: position saved
    luaD_poscall(L, nresults, firstResult);            // it was a native function
    if (nresults >= 0) L->top = L->ci->top;
    base = L->base;
    updatetrap();
  } else {  // it is a script function: continue here with the new frame
    (L->ci - 1)->state |= CI_CALLING;
    goto callentry;
  }
  vmbreak;
}
L_OP_TAILCALL : {
  int b = GETARG_B(i);
  StkId top = (b != 0) ? ra + b : L->top;  // else previous instruction set top
  L->top = top;
  CallInfo* ci = L->ci;
  ci->savedpc = pc;
  if (ttisfunction(ra) && !clvalue(ra)->isC) {
    // A fixed-arity script function given no more arguments than parameters, with room for
    // its frame (checked as luaD_precall checks it) and no call hook: its frame replaces this
    // one at once.
    LClosure* ncl = static_cast<LClosure*>(clvalue(ra));
    Proto* p = ncl->p;
    if (!p->is_vararg && argsfit(b, ra, top, p) && ci + 1 != L->end_ci &&
        hasroom(L, top, p->numparams + 1 + p->maxstacksize) && !(L->hookmask & LUA_MASKCALL)) {
      if (L->openupval) luaF_close(L, base);
      StkId to = base - 1;
      for (StkId from = ra; from < top;) setobjs2s(to++, from++);  // function and arguments
      StkId ntop = base + p->maxstacksize;
      for (; to < ntop; to++) setnilvalue(to);  // missing parameters and locals
      L->top = ci->top = ntop;
      if (likely(ci->tailcalls != INT32_MAX)) ci->tailcalls++;  // one more call lost (the count stops at the top)
      ci->tracedpc = nullptr;
      ci->state = CI_SAVEDPC | CI_HASFRAME | (ci->state & CI_CALLING);
      pc = ci->savedpc = p->code;
      cl = ncl;
      k = p->k;
      vmbreak;
    }
  } else if (nativefast(L, ra, top)) {  // a native function: its results end at top
    if (!callnative(L, ra, top, LUA_MULTRET)) return nullptr;
    base = L->base;
    updatetrap();
    vmbreak;
  }
  StkId firstResult = luaD_precall(L, ra);
  if (firstResult) {
    if (firstResult == PRECALL_YIELD) return nullptr;
    luaD_poscall(L, LUA_MULTRET, firstResult);  // native function: results on top
    base = L->base;
    updatetrap();
  } else {
    // tail call: put new frame in place of previous one
    CallInfo* ci = L->ci - 1;              // previous frame
    base = ci->base;                       // `luaD_precall' may change the stack
    ra = base + (L->ci->base - 1 - base);  // the callee's slot
    if (L->openupval) luaF_close(L, base);
    int aux;
    for (aux = 0; ra + aux < L->top; aux++)  // move frame down
      setobjs2s(base + aux - 1, ra + aux);
    ci->top = L->top = base - 1 + aux;  // correct top
    ci->savedpc = L->ci->savedpc;
    if (ci->tailcalls != INT32_MAX) ci->tailcalls++;  // one more call lost (the count stops at the top)
    ci->state = CI_SAVEDPC | (ci->state & CI_CALLING);
    L->ci--;  // remove new frame
    L->base = L->ci->base;
    goto callentry;
  }
  vmbreak;
}
L_OP_RETURN : {
  int b = GETARG_B(i);
  StkId top = likely(b != 0) ? ra + b - 1 : L->top;
  L->top = top;
  if (unlikely(L->openupval && static_cast<UpVal*>(L->openupval)->v >= base)) luaF_close(L, base);
  CallInfo* ci = L->ci - 1;  // previous function frame
  if (unlikely(!(ci->state & CI_CALLING) || (L->hookmask & LUA_MASKRET))) {
    L->ci->savedpc = pc;
    L->ci->state &= ~CI_HASFRAME;
    if (!(ci->state & CI_CALLING)) return ra;  // entered from native code: return
    // the caller runs in this loop: finish its call instruction and continue it
    ci->state &= ~CI_CALLING;
    int nresults = GETARG_C(*(ci->savedpc - 1)) - 1;
    luaD_poscall(L, nresults, ra);
    if (nresults >= 0) L->top = L->ci->top;
    goto retentry;
  }
  // The caller runs in this loop and no return hook is set: luaD_poscall and retentry
  // inline. The results go down to the callee's slot.
  ci->state = (ci->state & ~CI_CALLING) | CI_HASFRAME | CI_SAVEDPC;
  pc = ci->savedpc;
  int nresults = GETARG_C(*(pc - 1)) - 1;
  StkId res = base - 1;
  L->ci = ci;
  base = L->base = ci->base;
  if (nresults == 1 && ra < top) {  // the usual case: one result wanted and one at hand
    setobjs2s(res, ra);
    L->top = ci->top;
  } else if (nresults == 0) {  // a call made as a statement
    L->top = ci->top;
  } else {
    int wanted = nresults;
    while (wanted != 0 && ra < top) {
      setobjs2s(res++, ra++);
      wanted--;
    }
    while (wanted-- > 0) setnilvalue(res++);
    L->top = (nresults >= 0) ? ci->top : res;
  }
  cl = static_cast<LClosure*>(clvalue(base - 1));
  k = cl->p->k;
  vmbreak;
}
L_OP_FORLOOP : {
  if (__builtin_expect(ttisnumber(ra) && ttisnumber(ra + 1) && ttisnumber(ra + 2), 1)) {
    lua_Number step = nvalue(ra + 2);
    lua_Number idx = nvalue(ra) + step;  // increment index
    lua_Number limit = nvalue(ra + 1);
    // each direction with its own test and fetch: one conditional branch on the way back
    if (__builtin_expect(step > 0, 1)) {
      if (idx <= limit) {
        dojump(pc, GETARG_sBx(i));  // jump back
        nvalue(ra) = idx;           // update index
      }
      vmbreak;
    }
    if (idx >= limit) {
      dojump(pc, GETARG_sBx(i));
      nvalue(ra) = idx;
    }
    vmbreak;
  }
  Protect({
    const TObject* plimit = ra + 1;
    const TObject* pstep = ra + 2;
    if (!ttisnumber(ra)) luaG_runerror(L, "`for' initial value must be a number");
    if (!tonumber(plimit, ra + 1)) luaG_runerror(L, "`for' limit must be a number");
    if (!tonumber(pstep, ra + 2)) luaG_runerror(L, "`for' step must be a number");
  });
  {
    lua_Number step = nvalue(ra + 2);
    lua_Number idx = nvalue(ra) + step;
    lua_Number limit = nvalue(ra + 1);
    if (step > 0 ? idx <= limit : idx >= limit) {
      dojump(pc, GETARG_sBx(i));
      nvalue(ra) = idx;
    }
  }
  vmbreak;
}
L_OP_TFORLOOP : {
  int nvar = GETARG_C(i) + 1;
  StkId cb = ra + nvar + 2;  // call base
  setobjs2s(cb, ra);
  setobjs2s(cb + 1, ra + 1);
  setobjs2s(cb + 2, ra + 2);
  L->top = cb + 3;  // func. + 2 args (state and index)
  Protect(luaD_call(L, cb, nvar));
  L->top = L->ci->top;
  ra = RA(i) + 2;  // final position of first result
  cb = ra + nvar;
  do {  // move results to proper positions
    nvar--;
    setobjs2s(ra + nvar, cb + nvar);
  } while (nvar > 0);
  if (ttisnil(ra))  // break loop?
    pc++;           // skip jump (break loop)
  else
    dojump(pc, GETARG_sBx(*pc) + 1);  // jump back
  vmbreak;
}
L_OP_TFORPREP : {  // for compatibility only
  if (ttistable(ra)) {
    setobjs2s(ra + 1, ra);
    Protect({
      TString* nextname = luaS_newliteral(L, "next");
      const TObject* nx = ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), nextname) : luaO_nilobject;
      setobj2s(RA(i), nx);
    });
  }
  dojump(pc, GETARG_sBx(i));
  vmbreak;
}
L_OP_SETLIST:
L_OP_SETLISTO : {
  if (!ttistable(ra)) Protect(luaG_typeerror(L, ra, "index"));
  int bc = GETARG_Bx(i);
  int n;
  Table* h = hvalue(ra);
  if (GET_OPCODE(i) == OP_SETLIST)
    n = (bc & (LFIELDS_PER_FLUSH - 1)) + 1;
  else {
    n = static_cast<int>(L->top - ra) - 1;
    L->top = L->ci->top;
  }
  bc &= ~(LFIELDS_PER_FLUSH - 1);  // bc = bc - bc%FPF
  L->ci->savedpc = pc;
  for (; n > 0; n--) {
    TObject* slot = luaH_setnum(L, h, bc + n);  // may rehash (never moves the stack)
    setobj2t(slot, ra + n);
  }
  vmbreak;
}
L_OP_CLOSE : {
  luaF_close(L, ra);
  vmbreak;
}
L_OP_CLOSURE : {
  Proto* p = cl->p->p[GETARG_Bx(i)];
  int nup = p->nupvalues;
  L->ci->savedpc = pc;
  LClosure* ncl = static_cast<LClosure*>(luaF_newLclosure(L, nup, &cl->g));
  ncl->p = p;
  setclvalue(ra, ncl);  // anchored before the upvalues are made
  for (int j = 0; j < nup; j++, pc++) {
    if (GET_OPCODE(*pc) == OP_GETUPVAL)
      ncl->upvals[j] = cl->upvals[GETARG_B(*pc)];
    else
      ncl->upvals[j] = luaF_findupval(L, base + GETARG_B(*pc));
  }
  Protect(luaC_checkGC(L));
  vmbreak;
}
L_hooked : {  // the instruction just fetched (i, pc past it) runs after the count and line hooks
  if ((L->hookmask & LUA_MASKCOUNT) && L->hookcount > 0) L->hookcount--;
  L->ci->savedpc = pc;
  traceexec(L, pc);
  updatetrap();
  if (L->ci->state & CI_YIELD) {  // did hook yield?
    L->ci->savedpc = pc - 1;
    return nullptr;
  }
  base = L->base;
  ra = RA(i);
  goto* disptab[GET_OPCODE(i)];
}
L_BAD : { Protect(luaG_runerror(L, "bad opcode")); }
}
