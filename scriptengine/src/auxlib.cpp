// Auxiliary library: checks, buffers, loading, registration and table sizes over the lua_*
// interface (table sizes also count elements on the table directly).
#include "scriptengine/auxlib.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <string>

#include "foundation/file.h"
#include "libutil.h"
#include "state.h"
#include "table.h"

// ---------------------------------------------------------------------------------------------
// Number to integer conversions (the only ones the libraries use): the engine's own, so that
// every "truncated" number has one defined result whichever layer converts it.

int32_t luaL_numtoint(lua_Number n) { return luaO_toint(n); }

uint32_t luaL_numtobits(lua_Number n) { return luaO_touint32mod(n); }

uint32_t luaL_numtouint(lua_Number n) {
  if (std::isnan(n) || n <= 0.0) return 0;
  if (n >= 4294967295.0) return 4294967295u;
  return (uint32_t)n;
}

// ---------------------------------------------------------------------------------------------
// Errors

static int absIndex(lua_State* L, int i) { return (i > 0 || i <= LUA_REGISTRYINDEX) ? i : lua_gettop(L) + i + 1; }

void luaL_where(lua_State* L, int level) {
  lua_Debug ar;
  if (lua_getstack(L, level, &ar)) {
    lua_getinfo(L, "Snl", &ar);
    if (ar.currentline > 0) {
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");
}

int luaL_error(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaL_where(L, 1);
  lua_pushvfstring(L, fmt, argp);
  va_end(argp);
  lua_concat(L, 2);
  return lua_error(L);
}

int luaL_argerror(lua_State* L, int narg, const char* extramsg) {
  lua_Debug ar;
  const char* name = nullptr;
  if (lua_getstack(L, 0, &ar)) {
    lua_getinfo(L, "n", &ar);
    name = ar.name;
    if (ar.namewhat && strcmp(ar.namewhat, "method") == 0) {
      narg--;
      if (narg == 0) return luaL_error(L, "calling `%s' on bad self (%s)", name ? name : "?", extramsg);
    }
  }
  if (name == nullptr) name = "?";
  return luaL_error(L, "bad argument #%d to `%s' (%s)", narg, name, extramsg);
}

int luaL_typerror(lua_State* L, int narg, const char* tname) {
  const char* msg = lua_pushfstring(L, "%s expected, got %s", tname, lua_typename(L, lua_type(L, narg)));
  return luaL_argerror(L, narg, msg);
}

static void tagError(lua_State* L, int narg, int tag) { luaL_typerror(L, narg, lua_typename(L, tag)); }

// ---------------------------------------------------------------------------------------------
// Checks

void luaL_checkstack(lua_State* L, int space, const char* mes) {
  if (!lua_checkstack(L, space)) luaL_error(L, "stack overflow (%s)", mes);
}

void luaL_checktype(lua_State* L, int narg, int t) {
  if (lua_type(L, narg) != t) tagError(L, narg, t);
}

void luaL_checkany(lua_State* L, int narg) {
  if (lua_type(L, narg) == LUA_TNONE) luaL_argerror(L, narg, "value expected");
}

const char* luaL_checklstring(lua_State* L, int narg, size_t* len) {
  const char* s = lua_tostring(L, narg);
  if (!s) tagError(L, narg, LUA_TSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

const char* luaL_optlstring(lua_State* L, int narg, const char* def, size_t* len) {
  if (lua_isnoneornil(L, narg)) {
    if (len) *len = def ? strlen(def) : 0;
    return def;
  }
  return luaL_checklstring(L, narg, len);
}

const lua_WChar* luaL_checklwstring(lua_State* L, int narg, size_t* len) {
  const lua_WChar* s = lua_towstring(L, narg);
  if (!s) tagError(L, narg, LUA_TWSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

lua_Number luaL_checknumber(lua_State* L, int narg) {
  lua_Number d = lua_tonumber(L, narg);
  if (d == 0 && !lua_isnumber(L, narg)) tagError(L, narg, LUA_TNUMBER);
  return d;
}

lua_Number luaL_optnumber(lua_State* L, int narg, lua_Number def) {
  if (lua_isnoneornil(L, narg)) return def;
  return luaL_checknumber(L, narg);
}

int luaL_getmetafield(lua_State* L, int obj, const char* event) {
  if (!lua_getmetatable(L, obj)) return 0;
  lua_pushstring(L, event);
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 2);
    return 0;
  }
  lua_remove(L, -2);
  return 1;
}

int luaL_callmeta(lua_State* L, int obj, const char* event) {
  obj = absIndex(L, obj);
  if (!luaL_getmetafield(L, obj, event)) return 0;
  lua_pushvalue(L, obj);
  lua_call(L, 1, 1);
  return 1;
}

int luaL_newmetatable(lua_State* L, const char* tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (!lua_isnil(L, -1)) return 0;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushstring(L, tname);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
  lua_pushvalue(L, -1);
  lua_pushstring(L, tname);
  lua_rawset(L, LUA_REGISTRYINDEX);
  return 1;
}

void luaL_getmetatable(lua_State* L, const char* tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);
}

void* luaL_checkudata(lua_State* L, int ud, const char* tname) {
  const char* tn;
  if (!lua_getmetatable(L, ud)) return nullptr;
  lua_rawget(L, LUA_REGISTRYINDEX);
  tn = lua_tostring(L, -1);
  if (tn && strcmp(tn, tname) == 0) {
    lua_pop(L, 1);
    return lua_touserdata(L, ud);
  }
  lua_pop(L, 1);
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Library registration

void luaL_openlib(lua_State* L, const char* libname, const luaL_reg* l, int nup) {
  if (libname) {
    lua_pushstring(L, libname);
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_newtable(L);
      lua_pushstring(L, libname);
      lua_pushvalue(L, -2);
      lua_settable(L, LUA_GLOBALSINDEX);
    }
    lua_insert(L, -(nup + 1));  // the library table goes below the upvalues
  }
  for (; l->name; l++) {
    lua_pushstring(L, l->name);
    for (int i = 0; i < nup; i++) lua_pushvalue(L, -(nup + 1));
    lua_pushcclosure(L, l->func, nup);
    lua_settable(L, -(nup + 3));
  }
  lua_pop(L, nup);
}

// ---------------------------------------------------------------------------------------------
// Table sizes

// Pops `topop` values; the value on top (before popping) gives a size when it reads as a
// number whose integer part is not negative, else -1.
static int sizeFromTop(lua_State* L, int topop) {
  int n = -1;
  lua_Number v = lua_tonumber(L, -1);
  if (v != 0 || lua_isnumber(L, -1)) n = luaL_numtoint(v);
  lua_pop(L, topop);
  return n < 0 ? -1 : n;
}

static void getSizes(lua_State* L) {
  lua_rawgeti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setmetatable(L, -2);  // its own metatable, weak in its keys
    lua_pushliteral(L, "__mode");
    lua_pushliteral(L, "k");
    lua_rawset(L, -3);
    lua_pushvalue(L, -1);
    lua_rawseti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  }
}

void luaL_setn(lua_State* L, int t, int n) {
  t = absIndex(L, t);
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if (sizeFromTop(L, 1) >= 0) {
    lua_pushliteral(L, "n");
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, t);
  } else {
    getSizes(L);
    lua_pushvalue(L, t);
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, -3);
    lua_pop(L, 1);
  }
}

int luaL_getn(lua_State* L, int t) {
  int n;
  t = absIndex(L, t);
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if ((n = sizeFromTop(L, 1)) >= 0) return n;
  getSizes(L);
  lua_pushvalue(L, t);
  lua_rawget(L, -2);
  if ((n = sizeFromTop(L, 2)) >= 0) return n;
  // Count: the first key 1, 2, ... whose raw value is nil. The lookups are made on the table
  // directly; nothing in the loop can change it.
  lua_pushvalue(L, t);
  const TObject* o = L->top - 1;
  Table* h = ttistable(o) ? hvalue(o) : nullptr;
  lua_pop(L, 1);
  if (h == nullptr) return 0;
  for (n = 1; n < INT32_MAX; n++)
    if (ttisnil(luaH_getnum(h, n))) break;
  return n - 1;
}

// ---------------------------------------------------------------------------------------------
// Buffers

#define bufflen(B) ((size_t)((B)->p - (B)->buffer))
#define bufffree(B) ((size_t)(LUAL_BUFFERSIZE - bufflen(B)))

static const int kJoinLimit = LUA_MINSTACK / 2;

static int emptyBuffer(luaL_Buffer* B) {
  size_t l = bufflen(B);
  if (l == 0) return 0;
  if (B->wide)
    lua_pushlwstring(B->L, reinterpret_cast<const lua_WChar*>(B->buffer), l / 2);
  else
    lua_pushlstring(B->L, B->buffer, l);
  B->p = B->buffer;
  B->lvl++;
  return 1;
}

// Joins pieces from the top while many remain or the pieces taken outgrow the next one, so
// the stack stays shallow and the join cost stays linear overall.
static void adjustStack(luaL_Buffer* B) {
  if (B->lvl > 1) {
    lua_State* L = B->L;
    int toget = 1;
    size_t toplen = lua_strlen(L, -1);
    do {
      size_t l = lua_strlen(L, -(toget + 1));
      if (B->lvl - toget + 1 >= kJoinLimit || toplen > l) {
        toplen += l;
        toget++;
      } else {
        break;
      }
    } while (toget < B->lvl);
    lua_concat(L, toget);
    B->lvl = B->lvl - toget + 1;
  }
}

char* luaL_prepbuffer(luaL_Buffer* B) {
  if (emptyBuffer(B)) adjustStack(B);
  return B->buffer;
}

void luaL_addlstring(luaL_Buffer* B, const char* s, size_t l) {
  while (l > 0) {
    size_t f = bufffree(B);
    if (f == 0) {
      luaL_prepbuffer(B);
      continue;
    }
    size_t k = l < f ? l : f;
    memcpy(B->p, s, k);
    B->p += k;
    s += k;
    l -= k;
  }
}

void luaL_addstring(luaL_Buffer* B, const char* s) { luaL_addlstring(B, s, strlen(s)); }

void luaL_addlwstring(luaL_Buffer* B, const lua_WChar* s, size_t n) {
  while (n > 0) {
    size_t f = bufffree(B) / 2;
    if (f == 0) {
      luaL_prepbuffer(B);
      continue;
    }
    size_t k = n < f ? n : f;
    memcpy(B->p, s, k * 2);
    B->p += k * 2;
    s += k;
    n -= k;
  }
}

// Raises the engine's concatenation error for a value of the other text kind on top, by asking
// the engine to join it with an empty text of this buffer's kind.
static void kindMismatch(luaL_Buffer* B) {
  lua_State* L = B->L;
  if (B->wide) {
    static const lua_WChar kEmpty[1] = {0};
    lua_pushlwstring(L, kEmpty, 0);
  } else {
    lua_pushlstring(L, "", 0);
  }
  lua_insert(L, -2);
  lua_concat(L, 2);
  // The engine refuses to join the kinds; should it ever join them, raise the same error here.
  lua_pop(L, 1);
  luaL_error(L, "attempt to concatenate a %s value", lua_typename(L, B->wide ? LUA_TSTRING : LUA_TWSTRING));
}

void luaL_addvalue(luaL_Buffer* B) {
  lua_State* L = B->L;
  int t = lua_type(L, -1);
  if (B->wide) {
    if (t != LUA_TWSTRING && t != LUA_TNUMBER) {
      kindMismatch(B);
      return;
    }
    const lua_WChar* w = lua_towstring(L, -1);
    size_t n = lua_strlen(L, -1);
    if (n * 2 <= bufffree(B)) {
      if (n) memcpy(B->p, w, n * 2);
      B->p += n * 2;
      lua_pop(L, 1);
      return;
    }
  } else {
    if (t == LUA_TWSTRING) {
      kindMismatch(B);
      return;
    }
    const char* s = lua_tostring(L, -1);
    size_t vl = s ? lua_strlen(L, -1) : 0;
    if (vl <= bufffree(B)) {
      if (vl) memcpy(B->p, s, vl);
      B->p += vl;
      lua_pop(L, 1);
      return;
    }
  }
  if (emptyBuffer(B)) lua_insert(L, -2);  // the flushed piece goes below the value
  B->lvl++;
  adjustStack(B);
}

void luaL_pushresult(luaL_Buffer* B) {
  emptyBuffer(B);
  lua_concat(B->L, B->lvl);
  B->lvl = 1;
}

void luaL_buffinit(lua_State* L, luaL_Buffer* B) {
  B->L = L;
  B->p = B->buffer;
  B->lvl = 0;
  B->wide = 0;
}

void luaL_wbuffinit(lua_State* L, luaL_Buffer* B) {
  luaL_buffinit(L, B);
  B->wide = 1;
}

// ---------------------------------------------------------------------------------------------
// Loading

namespace {

struct LoadF {
  TFile* f;
  char buff[LUAL_BUFFERSIZE];
};

const char* readFile(lua_State*, void* ud, size_t* size) {
  LoadF* lf = static_cast<LoadF*>(ud);
  if (qf_eof(lf->f)) return nullptr;
  *size = qf_read(lf->f, lf->buff, LUAL_BUFFERSIZE);
  return *size > 0 ? lf->buff : nullptr;
}

int fileError(lua_State* L, int fnameindex, const char* filename) {
  // The file layer can fail without a system call (a name the resource map does not know),
  // leaving errno untouched: report such a failure as a missing file.
  int e = errno != 0 ? errno : ENOENT;
  lua_pushfstring(L, "cannot read %s: %s", filename, strerror(e));
  lua_remove(L, fnameindex);
  return LUA_ERRFILE;
}

struct LoadS {
  const char* s;
  size_t size;
};

const char* readBlock(lua_State*, void* ud, size_t* size) {
  LoadS* ls = static_cast<LoadS*>(ud);
  if (ls->size == 0) return nullptr;
  *size = ls->size;
  ls->size = 0;
  return ls->s;
}

}  // namespace

int luaL_loadfile(lua_State* L, const char* filename) {
  LoadF lf;
  int fnameindex = lua_gettop(L) + 1;
  lua_pushfstring(L, "@%s", filename);
  errno = 0;
  lf.f = qf_open(filename, kFileReadText);
  if (lf.f == nullptr) return fileError(L, fnameindex, filename);
  int c = qf_getc(lf.f);
  if (c != -1) qf_ungetc(lf.f);
  bool text = c != -1 && (scriptlib::cIsSpace(c) || (c >= 32 && c < 127));
  if (!text) {
    // Binary chunks, UTF-16 sources and empty files are read byte for byte.
    qf_close(lf.f);
    errno = 0;
    lf.f = qf_open(filename, kFileRead);
    if (lf.f == nullptr) return fileError(L, fnameindex, filename);
  }
  int status = lua_load(L, readFile, &lf, lua_tostring(L, -1));
  int readstatus = qf_error(lf.f);
  qf_close(lf.f);
  if (readstatus) {
    lua_settop(L, fnameindex);
    return fileError(L, fnameindex, filename);
  }
  lua_remove(L, fnameindex);
  return status;
}

int luaL_loadbuffer(lua_State* L, const char* buff, size_t size, const char* name) {
  LoadS ls{buff, size};
  return lua_load(L, readBlock, &ls, name);
}

// Writes an error object that has no handler: 8-bit text as is, wide text as UTF-8.
static void writeErrorObject(lua_State* L, int idx) {
  int t = lua_type(L, idx);
  if (t == LUA_TWSTRING) {
    const lua_WChar* w = lua_towstring(L, idx);
    size_t n = lua_strlen(L, idx);
    std::string out;
    scriptlib::appendUtf8(out, w, n);
    fwrite(out.data(), 1, out.size(), stderr);
  } else if (t == LUA_TSTRING || t == LUA_TNUMBER) {
    const char* s = lua_tostring(L, idx);
    fwrite(s, 1, lua_strlen(L, idx), stderr);
  } else {
    fprintf(stderr, "(error object is a %s value)", lua_typename(L, t));
  }
  fputc('\n', stderr);
}

static int afterDo(lua_State* L, int status) {
  if (status != 0) {
    lua_pushliteral(L, "_ALERT");
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (lua_isfunction(L, -1)) {
      lua_insert(L, -2);
      // The alert function's own failure must not escape a do-function: drop its error.
      if (lua_pcall(L, 1, 0, 0) != 0) lua_pop(L, 1);
    } else {
      writeErrorObject(L, -2);
      lua_pop(L, 2);
    }
  }
  return status;
}

int lua_dofile(lua_State* L, const char* filename) {
  int status = luaL_loadfile(L, filename);
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  return afterDo(L, status);
}

int lua_dobuffer(lua_State* L, const char* buff, size_t size, const char* name) {
  int status = luaL_loadbuffer(L, buff, size, name);
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  return afterDo(L, status);
}

int lua_dostring(lua_State* L, const char* str) { return lua_dobuffer(L, str, strlen(str), str); }
