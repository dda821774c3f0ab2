// One interning table for 8-bit strings (tt 4) and wide strings (tt 9); userdata creation.
#include "sstring.h"

#include "mem.h"
#include "state.h"

void luaS_freeall(lua_State* L) {
  luaM_freearray(L, G(L)->strt.hash, G(L)->strt.size, GCObject*);
  G(L)->strt.hash = nullptr;
  G(L)->strt.size = 0;
}

void luaS_resize(lua_State* L, int newsize) {
  GCObject** newhash = luaM_newvector(L, newsize, GCObject*);
  stringtable* tb = &G(L)->strt;
  for (int i = 0; i < newsize; i++) newhash[i] = nullptr;
  // rehash: each object goes to the head of its new chain
  for (int i = 0; i < tb->size; i++) {
    GCObject* p = tb->hash[i];
    while (p) {
      GCObject* next = p->next;
      lu_int32 h = static_cast<TString*>(p)->hash;
      int h1 = static_cast<int>(h & static_cast<lu_int32>(newsize - 1));
      p->next = newhash[h1];
      newhash[h1] = p;
      p = next;
    }
  }
  luaM_freearray(L, tb->hash, tb->size, GCObject*);
  tb->size = newsize;
  tb->hash = newhash;
}

static void growafterinsert(lua_State* L) {
  stringtable* tb = &G(L)->strt;
  if (tb->nuse > static_cast<lu_int32>(tb->size) && tb->size <= (1 << 30) - 2) luaS_resize(L, tb->size * 2);
}

// A new string object with bytes bytes of text room (terminator included) for len units, its
// header set; the text is the caller's to write before the string is interned.
static TString* allocstring(lua_State* L, size_t bytes, size_t len, lu_int32 h, lu_byte tt) {
  if (bytes > MAX_BLOCK_SIZE - sizeof(TString)) luaM_realloc(L, nullptr, 0, MAX_BLOCK_SIZE + 1);
  TString* ts = static_cast<TString*>(luaM_malloc(L, sizeof(TString) + bytes));
  ts->len = static_cast<lu_int32>(len);
  ts->hash = h;
  ts->marked = 0;
  ts->tt = tt;
  ts->reserved = 0;
  return ts;
}

// Links a new string at the head of its chain; the table grows once it holds more strings
// than chains.
static TString* intern(lua_State* L, TString* ts) {
  stringtable* tb = &G(L)->strt;
  lu_int32 h1 = ts->hash & static_cast<lu_int32>(tb->size - 1);
  ts->next = tb->hash[h1];
  tb->hash[h1] = ts;
  tb->nuse++;
  growafterinsert(L);
  return ts;
}

static TString* newlstr(lua_State* L, const char* str, size_t l, lu_int32 h) {
  TString* ts = allocstring(L, l + 1, l, h, LUA_TSTRING);
  if (l) memcpy(getstr(ts), str, l);
  getstr(ts)[l] = '\0';
  return intern(L, ts);
}

TString* luaS_newlstr(lua_State* L, const char* str, size_t l) {
  lu_int32 h = static_cast<lu_int32>(l);  // seed
  size_t step = (l >> 5) + 1;             // long texts are sampled
  for (size_t l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + static_cast<unsigned char>(str[l1 - 1]));
  for (GCObject* o = G(L)->strt.hash[h & static_cast<lu_int32>(G(L)->strt.size - 1)]; o != nullptr; o = o->next) {
    TString* ts = static_cast<TString*>(o);
    if (ts->tt == LUA_TSTRING && ts->len == l && (l == 0 || memcmp(str, getstr(ts), l) == 0)) return ts;
  }
  return newlstr(L, str, l, h);
}

TString* luaS_newstrspace(lua_State* L, size_t l) {
  TString* ts = allocstring(L, l + 1, l, 0, LUA_TSTRING);
  ts->next = nullptr;
  return ts;
}

TString* luaS_internspace(lua_State* L, TString* ts) {
  size_t l = ts->len;
  const char* str = getstr(ts);
  lu_int32 h = static_cast<lu_int32>(l);  // seed
  size_t step = (l >> 5) + 1;
  for (size_t l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + static_cast<unsigned char>(str[l1 - 1]));
  for (GCObject* o = G(L)->strt.hash[h & static_cast<lu_int32>(G(L)->strt.size - 1)]; o != nullptr; o = o->next) {
    TString* old = static_cast<TString*>(o);
    if (old->tt == LUA_TSTRING && old->len == l && (l == 0 || memcmp(str, getstr(old), l) == 0)) {
      luaM_free(L, ts, sizestring(l));
      return old;
    }
  }
  getstr(ts)[l] = '\0';
  ts->hash = h;
  return intern(L, ts);
}

TString* luaS_newlwstr(lua_State* L, const lua_WChar* str, size_t l) {
  lu_int32 h = static_cast<lu_int32>(l);
  size_t step = (l >> 5) + 1;
  for (size_t l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + str[l1 - 1]);
  for (GCObject* o = G(L)->strt.hash[h & static_cast<lu_int32>(G(L)->strt.size - 1)]; o != nullptr; o = o->next) {
    TString* ts = static_cast<TString*>(o);
    if (ts->tt == LUA_TWSTRING && ts->len == l && (l == 0 || memcmp(str, getwstr(ts), l * sizeof(lua_WChar)) == 0))
      return ts;
  }
  TString* ts = allocstring(L, luaM_arraysize(L, l + 1, sizeof(lua_WChar)), l, h, LUA_TWSTRING);
  if (l) memcpy(getwstr(ts), str, l * sizeof(lua_WChar));
  getwstr(ts)[l] = 0;
  return intern(L, ts);
}

// Userdata start as not yet finalised (bit 2) with the userdata type's default metatable.
static Udata* newudata(lua_State* L, size_t datasize, lu_int32 len) {
  if (datasize > MAX_BLOCK_SIZE - sizeof(Udata)) luaM_realloc(L, nullptr, 0, MAX_BLOCK_SIZE + 1);
  Udata* u = static_cast<Udata*>(luaM_malloc(L, sizeudata(datasize)));
  u->marked = (1 << 1);
  u->tt = LUA_TUSERDATA;
  u->len = len;
  const TObject* mt = &G(L)->defaultmetatypes[LUA_TUSERDATA];
  u->metatable = ttistable(mt) ? hvalue(mt) : hvalue(&G(L)->_defaultmeta);
  u->next = G(L)->rootudata;
  G(L)->rootudata = u;
  return u;
}

Udata* luaS_newudata(lua_State* L, size_t s) {
  if (s & 1) s++;  // an ordinary userdata's len is even
  if (s > MAX_BLOCK_SIZE) luaM_realloc(L, nullptr, 0, MAX_BLOCK_SIZE + 1);
  return newudata(L, s, static_cast<lu_int32>(s));
}

Udata* luaS_newudatabox(lua_State* L, void* p) {
  Udata* u = newudata(L, sizeof(void*), 1);
  memcpy(udata_block(u), &p, sizeof(void*));
  return u;
}

size_t luaS_udatasize(const Udata* u) {
  return sizeudata(udata_isbox(u) ? sizeof(void*) : static_cast<size_t>(u->len));
}
