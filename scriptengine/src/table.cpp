// Tables: array part for keys 1..sizearray plus a chained scatter table (Brent's variation)
// for every other key. The array part is sized so that more than half of it is in use.
#include "table.h"

#include <cmath>
#include <cstring>

#include "debug.h"
#include "gc.h"
#include "mem.h"
#include "state.h"

#define MAXASIZE (1 << MAXBITS)

static inline Node* hashpow2(const Table* t, lu_int32 h) {
  return gnode(t, h & static_cast<lu_int32>(sizenode(t) - 1));
}

// 2^64 / d rounded up, for d = ((2^i - 1) | 1): with it, x mod d for any 32-bit x is the high
// word of (low word of (magic * x)) * d.
#define NUMMAGIC(i) (~static_cast<uint64_t>(0) / static_cast<uint64_t>(((1u << (i)) - 1) | 1) + 1)
const uint64_t luaH_nummagic[MAXBITS + 1] = {
    NUMMAGIC(0),  NUMMAGIC(1),  NUMMAGIC(2),  NUMMAGIC(3),  NUMMAGIC(4),  NUMMAGIC(5),  NUMMAGIC(6),
    NUMMAGIC(7),  NUMMAGIC(8),  NUMMAGIC(9),  NUMMAGIC(10), NUMMAGIC(11), NUMMAGIC(12), NUMMAGIC(13),
    NUMMAGIC(14), NUMMAGIC(15), NUMMAGIC(16), NUMMAGIC(17), NUMMAGIC(18), NUMMAGIC(19), NUMMAGIC(20),
    NUMMAGIC(21), NUMMAGIC(22), NUMMAGIC(23), NUMMAGIC(24),
};

// Hashes the bit pattern of n + 1 (see luaH_hashnum).
static inline Node* hashnum(const Table* t, lua_Number n) { return luaH_hashnum(t, n); }

static inline Node* mainposition(const Table* t, const TObject* key) {
  switch (ttype(key)) {
    case LUA_TNUMBER: return hashnum(t, nvalue(key));
    case LUA_TSTRING:
    case LUA_TWSTRING: return hashpow2(t, tsvalue(key)->hash);
    case LUA_TBOOLEAN: return hashpow2(t, static_cast<lu_int32>(bvalue(key)));
    case LUA_TLIGHTUSERDATA: return luaH_addrposition(t, pvalue(key));
    default: return luaH_addrposition(t, gcvalue(key));
  }
}

Node* luaH_mainposition(const Table* t, const TObject* key) { return mainposition(t, key); }

// Integer value of a number key in 1..MAXASIZE, or 0.
static inline int arrayindex(const TObject* key) {
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= MAXASIZE) {
      int k = static_cast<int>(n);
      if (static_cast<lua_Number>(k) == n) return k;
    }
  }
  return 0;
}

// Index of a key for traversal: array part first (0..sizearray-1), then nodes.
static int luaH_index(lua_State* L, Table* t, StkId key) {
  if (ttisnil(key)) return -1;  // first iteration
  int i = arrayindex(key);
  if (i > 0 && i <= t->sizearray) return i - 1;
  Node* n = luaH_mainposition(t, key);
  do {
    // a key whose value was cleared (or killed by the collector) is still found
    if (luaO_rawequalObj(gkey(n), key) ||
        (ttype(gkey(n)) == LUA_TDEADKEY && iscollectable(key) && gcvalue(gkey(n)) == gcvalue(key)))
      return static_cast<int>(n - gnode(t, 0)) + t->sizearray;
    n = gnext(n);
  } while (n);
  luaG_runerror(L, "invalid key for `next'");
}

int luaH_next(lua_State* L, Table* t, StkId key) {
  int i = luaH_index(L, t, key);
  for (i++; i < t->sizearray; i++) {
    if (!ttisnil(&t->array[i])) {
      setnvalue(key, static_cast<lua_Number>(i + 1));
      setobj2s(key + 1, &t->array[i]);
      return 1;
    }
  }
  for (i -= t->sizearray; i < sizenode(t); i++) {
    if (!ttisnil(gval(gnode(t, i)))) {
      setobj2s(key, gkey(gnode(t, i)));
      setobj2s(key + 1, gval(gnode(t, i)));
      return 1;
    }
  }
  return 0;
}

// ---- rehash ----

// nums[i]: integer keys k with 2^(i-1) < k <= 2^i (nums[0]: the key 1); *narray on entry: the
// number of integer keys. The array size is the largest power of two n with more than n/2 of
// the keys 1..n present.
static void computesizes(int nums[], int ntotal, int* narray, int* nhash) {
  int a = 0;   // keys up to 2^i
  int na = 0;  // keys that go to the array part
  int n = 0;   // array size
  for (int i = 0; i <= MAXBITS && *narray > twoto(i) / 2; i++) {
    a += nums[i];
    if (a > twoto(i) / 2) {
      n = twoto(i);
      na = a;
    }
  }
  *narray = n;
  *nhash = ntotal - na;
}

static void numuse(const Table* t, int* narray, int* nhash) {
  int nums[MAXBITS + 1];
  int totaluse = 0;
  int i = 0, lg = 0, ttlg = 1;
  // count elements in the array part, slice by slice
  for (; lg <= MAXBITS; lg++, ttlg *= 2) {
    int lim = ttlg;
    if (lim > t->sizearray) {
      lim = t->sizearray;
      if (i >= lim) break;
    }
    int nn = 0;
    for (; i < lim; i++)
      if (!ttisnil(&t->array[i])) nn++;
    nums[lg] = nn;
    totaluse += nn;
  }
  for (; lg <= MAXBITS; lg++) nums[lg] = 0;
  int arraykeys = totaluse;
  // count elements in the hash part
  i = sizenode(t);
  while (i--) {
    const Node* n = &t->node[i];
    if (!ttisnil(gval(n))) {
      int k = arrayindex(gkey(n));
      if (k > 0 && ((k - 1) >> MAXBITS) == 0) {
        nums[luaO_log2(static_cast<unsigned>(k - 1)) + 1]++;
        arraykeys++;
      }
      totaluse++;
    }
  }
  *narray = arraykeys;
  computesizes(nums, totaluse, narray, nhash);
}

static void setarrayvector(lua_State* L, Table* t, int size) {
  if (size == t->sizearray) return;
  luaM_reallocvector(L, t->array, t->sizearray, size, TObject);
  // Whole zeroed slots rather than nil tags alone: a fresh array is mostly memory that is not
  // in the cache yet, and writing whole cache lines spares reading them in first.
  static_assert(LUA_TNIL == 0, "a zeroed slot must read as nil");
  if (size > t->sizearray)
    memset(static_cast<void*>(t->array + t->sizearray), 0, static_cast<size_t>(size - t->sizearray) * sizeof(TObject));
  t->sizearray = size;
}

static int ceillog2(int x);
static TObject* newkey(lua_State* L, Table* t, const TObject* key);

// Slot for a key known to be absent while a resize re-inserts: keys are distinct and the new
// parts have room for all of them, so no lookup and no rehash is needed.
static TObject* reinsert(lua_State* L, Table* t, const TObject* key) {
  int k = arrayindex(key);
  if (k > 0 && k <= t->sizearray) return &t->array[k - 1];
  return newkey(L, t, key);
}

// nodes: 0 for the shared dummy node, else a power of two.
static void setnodevector(lua_State* L, Table* t, int nodes) {
  if (nodes == 0) {             // no elements to hash part?
    t->node = G(L)->dummynode;  // use common `dummynode'
    t->lsizenode = 0;
    setnilvalue(gkey(t->node));
    setnilvalue(gval(t->node));
    setgnext(t->node, nullptr);
    t->firstfree = t->node;
    return;
  }
  int lsize = ceillog2(nodes);
  if (lsize > MAXBITS) luaG_runerror(L, "table overflow");
  int size = twoto(lsize);
  Node* node = luaM_newvector(L, size, Node);
  for (int i = 0; i < size; i++) {
    setgnext(&node[i], nullptr);
    setnilvalue(gkey(&node[i]));
    setnilvalue(gval(&node[i]));
  }
  t->node = node;
  t->lsizenode = static_cast<lu_byte>(lsize);
  t->firstfree = gnode(t, size - 1);  // first free position to be used
}

static int ceillog2(int x) { return (x <= 1) ? 0 : luaO_log2(static_cast<unsigned>(x - 1)) + 1; }

static void resize(lua_State* L, Table* t, int nasize, int nhsize) {
  int oldasize = t->sizearray;
  bool olddummy = (t->node == G(L)->dummynode);
  int oldnodes = olddummy ? 0 : sizenode(t);
  if (nhsize > MAXASIZE) luaG_runerror(L, "table overflow");
  // Grow the array part first: extra nil slots leave the table valid if a later step fails.
  if (nasize > oldasize) setarrayvector(L, t, nasize);
  Node* nold;
  Node temp[1];
  if (!olddummy) {
    nold = t->node;  // save old hash
  } else {           // old hash is the shared dummy node: copy it aside and empty it
    temp[0] = t->node[0];
    nold = temp;
    setnilvalue(gkey(G(L)->dummynode));
    setnilvalue(gval(G(L)->dummynode));
    setgnext(G(L)->dummynode, nullptr);
  }
  // One node more than the keys: re-inserting them must leave a free node, or the last
  // insertion would ask for the same rehash again.
  setnodevector(L, t, nhsize > 0 ? nhsize + 1 : 0);  // leaves t->node untouched when it fails
  if (nasize < oldasize) {                           // array part must shrink?
    t->sizearray = nasize;
    // re-insert the vanishing slice
    for (int i = nasize; i < oldasize; i++) {
      if (!ttisnil(&t->array[i])) {
        TObject k;
        setnvalue(&k, static_cast<lua_Number>(i + 1));
        setobjt2t(reinsert(L, t, &k), &t->array[i]);
      }
    }
    t->array = static_cast<TObject*>(luaM_realloc(L, t->array, static_cast<lu_mem>(oldasize) * sizeof(TObject),
                                                  static_cast<lu_mem>(nasize) * sizeof(TObject)));
  }
  // re-insert elements of the old hash part
  for (int i = (olddummy ? 1 : oldnodes) - 1; i >= 0; i--) {
    Node* old = nold + i;
    if (!ttisnil(gval(old))) setobjt2t(reinsert(L, t, gkey(old)), gval(old));
  }
  if (!olddummy) luaM_freearray(L, nold, oldnodes, Node);  // free old array
}

static void rehash(lua_State* L, Table* t) {
  int nasize, nhsize;
  numuse(t, &nasize, &nhsize);  // compute new sizes for array and hash parts
  resize(L, t, nasize, nhsize);
}

Table* luaH_new(lua_State* L, int narray, int lnhash) {
  if (narray < 0 || narray > MAXASIZE || lnhash < 0 || lnhash > MAXBITS) luaG_runerror(L, "table overflow");
  Table* t = luaM_new(L, Table);
  t->flags = static_cast<lu_byte>(~0);
  const TObject* mt = &G(L)->defaultmetatypes[LUA_TTABLE];
  t->metatable = ttistable(mt) ? hvalue(mt) : (ttistable(&G(L)->_defaultmeta) ? hvalue(&G(L)->_defaultmeta) : t);
  t->array = nullptr;
  t->sizearray = 0;
  t->lsizenode = 0;
  t->node = G(L)->dummynode;
  t->firstfree = G(L)->dummynode;
  t->gclist = nullptr;
  luaC_link(L, t, LUA_TTABLE);  // linked first so that a failure below frees it
  if (narray > 0) setarrayvector(L, t, narray);
  if (lnhash > 0) setnodevector(L, t, twoto(lnhash));
  return t;
}

void luaH_free(lua_State* L, Table* t) {
  if (t->node != G(L)->dummynode) luaM_freearray(L, t->node, sizenode(t), Node);
  if (t->array != nullptr) luaM_freearray(L, t->array, t->sizearray, TObject);
  luaM_freelem(L, t);
}

// Inserts a key known to be absent; returns its value slot. See Brent's variation.
static TObject* newkey(lua_State* L, Table* t, const TObject* key) {
  Node* mp = mainposition(t, key);
  if (!ttisnil(gval(mp))) {                    // main position is not free?
    Node* othern = mainposition(t, gkey(mp));  // main position of the colliding node
    Node* n = t->firstfree;                    // get a free place
    if (othern != mp) {                        // colliding node is out of its main position?
      // yes; move colliding node into free position
      while (gnext(othern) != mp) othern = gnext(othern);  // find previous
      setgnext(othern, n);                                 // redo the chain with `n' in place of `mp'
      Node* mpnext = gnext(mp);
      *n = *mp;  // copy colliding node into free pos. (mp's link is relative: set it again)
      setgnext(n, mpnext);
      setgnext(mp, nullptr);  // now `mp' is free
      setnilvalue(gval(mp));
    } else {  // colliding node is in its own main position
      // new node will go into free position
      setgnext(n, gnext(mp));  // chain new position
      setgnext(mp, n);
      mp = n;
    }
  }
  setnodekey(mp, key);
  for (;;) {  // correct `firstfree'
    if (ttisnil(gkey(t->firstfree)))
      return gval(mp);  // OK; table still has a free place
    else if (t->firstfree == t->node)
      break;  // cannot decrement from here
    else
      (t->firstfree)--;
  }
  // no more free places; must create one
  setbvalue(gval(mp), 0);  // avoid new key being removed
  {
    // If the rehash fails the key must not stay behind with its placeholder value.
    struct Undo {
      TObject* v;
      bool armed;
      ~Undo() {
        if (armed) setnilvalue(v);
      }
    } undo{gval(mp), true};
    rehash(L, t);  // grow table
    undo.armed = false;
  }
  TObject* val = const_cast<TObject*>(luaH_get(t, key));  // get new position
  setnilvalue(val);
  return val;
}

static const TObject* luaH_getany(Table* t, const TObject* key) {
  if (ttisnil(key)) return luaO_nilobject;
  Node* n = luaH_mainposition(t, key);
  do {
    if (luaO_rawequalObj(gkey(n), key)) return gval(n);
    n = gnext(n);
  } while (n);
  return luaO_nilobject;
}

const TObject* luaH_getnum(Table* t, int key) {
  // key - 1 taken unsigned: INT_MIN has no predecessor in int, and every key below 1 becomes
  // too large for the array part
  unsigned idx = static_cast<unsigned>(key) - 1u;
  if (idx < static_cast<unsigned>(t->sizearray)) return &t->array[idx];
  return luaH_getnumhash(t, static_cast<lua_Number>(key));
}

static const TObject* getwstr(Table* t, TString* key) {
  Node* n = hashpow2(t, key->hash);
  do {
    if (ttiswstring(gkey(n)) && tsvalue(gkey(n)) == key) return gval(n);
    n = gnext(n);
  } while (n);
  return luaO_nilobject;
}

const TObject* luaH_get(Table* t, const TObject* key) {
  switch (ttype(key)) {
    case LUA_TSTRING: return luaH_getstr(t, tsvalue(key));
    case LUA_TWSTRING: return getwstr(t, tsvalue(key));
    case LUA_TNUMBER: {
      lua_Number n = nvalue(key);
      if (n >= -2147483647.0 && n <= 2147483647.0) {
        int k = static_cast<int>(n);
        if (static_cast<lua_Number>(k) == n) return luaH_getnum(t, k);
      }
      return luaH_getnumhash(t, n);  // not an integer (nor NaN, which is never a key)
    }
    default: return luaH_getany(t, key);
  }
}

TObject* luaH_set(lua_State* L, Table* t, const TObject* key) {
  const TObject* p = luaH_get(t, key);
  t->flags = 0;
  if (p != luaO_nilobject) return const_cast<TObject*>(p);
  if (ttisnil(key)) luaG_runerror(L, "table index is nil");
  if (ttisnumber(key) && std::isnan(nvalue(key))) luaG_runerror(L, "table index is NaN");
  return newkey(L, t, key);
}

TObject* luaH_newkey(lua_State* L, Table* t, const TObject* key) {
  t->flags = 0;
  if (ttisnil(key)) luaG_runerror(L, "table index is nil");
  if (ttisnumber(key) && std::isnan(nvalue(key))) luaG_runerror(L, "table index is NaN");
  return newkey(L, t, key);
}

TObject* luaH_setnum(lua_State* L, Table* t, int key) {
  const TObject* p = luaH_getnum(t, key);
  if (p != luaO_nilobject) return const_cast<TObject*>(p);
  TObject k;
  setnvalue(&k, static_cast<lua_Number>(key));
  return newkey(L, t, &k);
}
