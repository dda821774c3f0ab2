// Tagged values and the layouts of every collectable object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scriptengine/api.h"

typedef unsigned char lu_byte;
typedef uint32_t lu_int32;
typedef size_t lu_mem;
typedef uint32_t Instruction;

// Internal tags beyond the script-visible ones.
#define LUA_TPROTO 10
#define LUA_TUPVAL 11
// Key tag of a hash node whose weak entry the collector removed.
#define LUA_TDEADKEY (-1)
// Number of per-type default metatable slots (tags 0..10).
#define NUM_TAGS 11

// Largest block the allocator is asked for (kept from 32-bit hosts).
#define MAX_BLOCK_SIZE ((size_t)0xFFFFFFFCu)

struct lua_State;
struct global_State;
struct Table;

// Common header of every collectable object.
struct GCObject {
  GCObject* next;
  lu_byte tt;
  lu_byte marked;
};

union Value {
  GCObject* gc;
  void* p;
  lua_Number n;
  int b;
};

struct TObject {
  Value value;
  int tt;
  int aux;  // otherwise padding; in a table node's key: the link to the next node (see Node)
};

typedef TObject* StkId;

// 8-bit string (tt 4) and wide string (tt 9). The text (bytes or 16-bit units) follows the
// header, with one terminating zero byte / zero unit.
struct TString : GCObject {
  lu_byte reserved;  // 0, or 1 + index of the reserved word (set by the lexer's init)
  lu_int32 hash;
  lu_int32 len;  // bytes for tt 4, units for tt 9
};

inline char* getstr(TString* ts) { return reinterpret_cast<char*>(ts + 1); }
inline const char* getstr(const TString* ts) { return reinterpret_cast<const char*>(ts + 1); }
inline lua_WChar* getwstr(TString* ts) { return reinterpret_cast<lua_WChar*>(ts + 1); }
inline const lua_WChar* getwstr(const TString* ts) { return reinterpret_cast<const lua_WChar*>(ts + 1); }

// Full userdata. An odd len marks a box holding one pointer.
struct Udata : GCObject {
  Table* metatable;
  lu_int32 len;
};

inline void* udata_block(Udata* u) { return reinterpret_cast<void*>(u + 1); }
inline bool udata_isbox(const Udata* u) { return (u->len & 1) != 0; }

// Local-variable debug record.
struct LocVar {
  TString* varname;
  int startpc;  // first instruction where the variable is active
  int endpc;    // first instruction where it is dead
};

// Function prototype (tt 10).
struct Proto : GCObject {
  TObject* k;
  Instruction* code;
  Proto** p;
  int* lineinfo;
  LocVar* locvars;
  TString** upvalues;
  TString* source;
  int sizeupvalues;
  int sizek;
  int sizecode;
  int sizelineinfo;
  int sizep;
  int sizelocvars;
  int lineDefined;
  GCObject* gclist;
  lu_byte nupvalues;
  lu_byte numparams;
  lu_byte is_vararg;
  lu_byte maxstacksize;
};

// Upvalue (tt 11): v points at a stack slot while open, at value once closed.
struct UpVal : GCObject {
  TObject* v;
  TObject value;
};

// Closures (tt 6).
struct Closure : GCObject {
  lu_byte isC;
  lu_byte nupvalues;
  GCObject* gclist;
};

struct CClosure : Closure {
  lua_CFunction f;
  TObject upvalue[1];
};

struct LClosure : Closure {
  Proto* p;
  TObject g;  // globals table
  UpVal* upvals[1];
};

inline size_t sizeCclosure(int n) { return sizeof(CClosure) + sizeof(TObject) * (size_t)(n > 0 ? n - 1 : 0); }
inline size_t sizeLclosure(int n) { return sizeof(LClosure) + sizeof(UpVal*) * (size_t)(n > 0 ? n - 1 : 0); }

// Tables (tt 5). A node's collision-chain link is kept in its key's spare word as the
// distance in nodes to the next node (0: none), so a node takes 32 bytes instead of 40. Keys
// are therefore written with setnodekey, never by copying a whole tagged value over them.
struct Node {
  TObject i_key;
  TObject i_val;
};

inline Node* gnext(Node* n) { return n->i_key.aux != 0 ? n + n->i_key.aux : nullptr; }
inline const Node* gnext(const Node* n) { return n->i_key.aux != 0 ? n + n->i_key.aux : nullptr; }
inline void setgnext(Node* n, const Node* next) { n->i_key.aux = next != nullptr ? static_cast<int>(next - n) : 0; }
inline void setnodekey(Node* n, const TObject* key) {
  n->i_key.value = key->value;
  n->i_key.tt = key->tt;
}

struct Table : GCObject {
  lu_byte flags;      // bit p set: tag method p known to be absent
  lu_byte lsizenode;  // log2 of the node array size
  Table* metatable;
  TObject* array;
  Node* node;
  Node* firstfree;  // every node after it is in use
  GCObject* gclist;
  int sizearray;
};

#define twoto(x) (1 << (x))
#define sizenode(t) (twoto((t)->lsizenode))
#define gnode(t, i) (&(t)->node[i])
#define gkey(n) (&(n)->i_key)
#define gval(n) (&(n)->i_val)

// ---- tagged value access ----

#define ttype(o) ((o)->tt)
#define ttisnil(o) (ttype(o) == LUA_TNIL)
#define ttisnumber(o) (ttype(o) == LUA_TNUMBER)
#define ttisstring(o) (ttype(o) == LUA_TSTRING)
#define ttiswstring(o) (ttype(o) == LUA_TWSTRING)
#define ttistable(o) (ttype(o) == LUA_TTABLE)
#define ttisfunction(o) (ttype(o) == LUA_TFUNCTION)
#define ttisboolean(o) (ttype(o) == LUA_TBOOLEAN)
#define ttisuserdata(o) (ttype(o) == LUA_TUSERDATA)
#define ttisthread(o) (ttype(o) == LUA_TTHREAD)
#define ttislightuserdata(o) (ttype(o) == LUA_TLIGHTUSERDATA)
#define iscollectable(o) (ttype(o) >= LUA_TSTRING)

#define gcvalue(o) ((o)->value.gc)
#define pvalue(o) ((o)->value.p)
#define nvalue(o) ((o)->value.n)
#define bvalue(o) ((o)->value.b)
#define tsvalue(o) (static_cast<TString*>((o)->value.gc))
#define uvalue(o) (static_cast<Udata*>((o)->value.gc))
#define clvalue(o) (static_cast<Closure*>((o)->value.gc))
#define clCvalue(o) (static_cast<CClosure*>((o)->value.gc))
#define clLvalue(o) (static_cast<LClosure*>((o)->value.gc))
#define hvalue(o) (static_cast<Table*>((o)->value.gc))
#define thvalue(o) (reinterpret_cast<lua_State*>((o)->value.gc))

#define l_isfalse(o) (ttisnil(o) || (ttisboolean(o) && bvalue(o) == 0))

#define setnvalue(obj, x)                                                                                              \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    i_o->tt = LUA_TNUMBER;                                                                                             \
    i_o->value.n = (x);                                                                                                \
  } while (0)
#define setbvalue(obj, x)                                                                                              \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    i_o->tt = LUA_TBOOLEAN;                                                                                            \
    i_o->value.b = (x);                                                                                                \
  } while (0)
#define setpvalue(obj, x)                                                                                              \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    i_o->tt = LUA_TLIGHTUSERDATA;                                                                                      \
    i_o->value.p = (x);                                                                                                \
  } while (0)
#define setnilvalue(obj) ((obj)->tt = LUA_TNIL)
#define setgcovalue(obj, x, t)                                                                                         \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    i_o->tt = (t);                                                                                                     \
    i_o->value.gc = static_cast<GCObject*>(x);                                                                         \
  } while (0)
#define setsvalue(obj, x) setgcovalue(obj, x, LUA_TSTRING)
#define setwsvalue(obj, x) setgcovalue(obj, x, LUA_TWSTRING)
#define setuvalue(obj, x) setgcovalue(obj, x, LUA_TUSERDATA)
#define setclvalue(obj, x) setgcovalue(obj, x, LUA_TFUNCTION)
#define sethvalue(obj, x) setgcovalue(obj, x, LUA_TTABLE)
#define setthvalue(obj, x)                                                                                             \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    i_o->tt = LUA_TTHREAD;                                                                                             \
    i_o->value.gc = reinterpret_cast<GCObject*>(x);                                                                    \
  } while (0)
// A string object carries its own kind (4 or 9).
#define settsvalue(obj, x)                                                                                             \
  do {                                                                                                                 \
    TObject* i_o = (obj);                                                                                              \
    TString* i_s = (x);                                                                                                \
    i_o->tt = i_s->tt;                                                                                                 \
    i_o->value.gc = i_s;                                                                                               \
  } while (0)

// Field by field: a value just written by a set*value (two stores) is read back by two loads
// the processor can forward, where one 16-byte load of the whole object would stall; the
// spare word is not copied (see Node).
#define setobj(obj1, obj2)                                                                                             \
  do {                                                                                                                 \
    TObject* o1_ = (obj1);                                                                                             \
    const TObject* o2_ = (obj2);                                                                                       \
    o1_->value = o2_->value;                                                                                           \
    o1_->tt = o2_->tt;                                                                                                 \
  } while (0)
#define setobjs2s setobj
#define setobj2s setobj
#define setsvalue2s setsvalue
#define setobjt2t setobj
#define setobj2t setobj
#define setobj2n setobj
#define setsvalue2n setsvalue

// ---- shared helpers (object.cpp) ----

extern const TObject luaO_nilobject_;
#define luaO_nilobject (&luaO_nilobject_)

extern const char* const luaT_typenames[];

int luaO_log2(unsigned int x);
int luaO_int2fb(unsigned int x);
#define fb2int(x) (((x)&7) << ((x) >> 3))

int luaO_rawequalObj(const TObject* t1, const TObject* t2);
int luaO_str2d(const char* s, lua_Number* result);
int luaO_wstr2d(const lua_WChar* s, lua_Number* result);

const char* luaO_pushvfstring(lua_State* L, const char* fmt, va_list argp);
const char* luaO_pushfstring(lua_State* L, const char* fmt, ...);
void luaO_chunkid(char* out, const char* source, int len);

// "%.14g" into buf (at least 32 bytes); returns the length.
int luaO_num2str(lua_Number n, char* buf);

// Saturating conversions of a double: NaN -> 0, out of range -> the nearest bound.
int luaO_toint(lua_Number n);
// Reduction modulo 2^32 (NaN and infinities -> 0).
lu_int32 luaO_touint32mod(lua_Number n);
