// Base library: the global functions, the coroutine table, _G, _VERSION, _LOADED and the
// registry entries naming each type's default metatable.
#include <cstdio>
#include <cstring>
#include <string>

#include "libutil.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"

namespace {

int baseError(lua_State* L) {
  int level = luaL_optint(L, 2, 1);
  lua_settop(L, 1);
  int t = lua_type(L, 1);
  if ((t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING) && level > 0) {
    luaL_where(L, level);
    lua_pushvalue(L, 1);
    lua_concat(L, 2);  // a wide message raises the concatenation error here
  }
  return lua_error(L);
}

// Upvalue 1 of every base function is the key "__metatable", interned once.
#define kMetatableKey lua_upvalueindex(1)

int baseGetmetatable(lua_State* L) {
  luaL_checkany(L, 1);
  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushvalue(L, kMetatableKey);
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) lua_pop(L, 1);  // no "__metatable" field: the metatable itself
  return 1;
}

int baseSetmetatable(lua_State* L) {
  int t = lua_type(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_argcheck(L, t == LUA_TNIL || t == LUA_TTABLE, 2, "nil or table expected");
  if (lua_getmetatable(L, 1)) {
    lua_pushvalue(L, kMetatableKey);
    lua_rawget(L, -2);
    if (!lua_isnil(L, -1)) luaL_error(L, "cannot change a protected metatable");
  }
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

void getFunc(lua_State* L) {
  if (lua_isfunction(L, 1)) {
    lua_pushvalue(L, 1);
  } else {
    lua_Debug ar;
    int level = luaL_optint(L, 1, 1);
    luaL_argcheck(L, level >= 0, 1, "level must be non-negative");
    if (lua_getstack(L, level, &ar) == 0) luaL_argerror(L, 1, "invalid level");
    lua_getinfo(L, "f", &ar);
    if (lua_isnil(L, -1)) luaL_error(L, "no function environment for tail call at level %d", level);
  }
}

// Pushes the environment of the function on top and its "__fenv" field; true when the field
// is set (a protected environment).
bool auxGetfenv(lua_State* L) {
  lua_getfenv(L, -1);
  lua_pushliteral(L, "__fenv");
  lua_rawget(L, -2);
  return !lua_isnil(L, -1);
}

int baseGetfenv(lua_State* L) {
  getFunc(L);
  if (!auxGetfenv(L)) lua_pop(L, 1);
  return 1;
}

int baseSetfenv(lua_State* L) {
  luaL_checktype(L, 2, LUA_TTABLE);
  getFunc(L);
  if (auxGetfenv(L)) luaL_error(L, "`setfenv' cannot change a protected environment");
  lua_pop(L, 2);
  lua_pushvalue(L, 2);
  if (lua_isnumber(L, 1) && lua_tonumber(L, 1) == 0)
    lua_replace(L, LUA_GLOBALSINDEX);
  else if (lua_setfenv(L, -2) == 0)
    luaL_error(L, "`setfenv' cannot change environment of given function");
  return 0;
}

int baseRawequal(lua_State* L) {
  luaL_checkany(L, 1);
  luaL_checkany(L, 2);
  lua_pushboolean(L, lua_rawequal(L, 1, 2));
  return 1;
}

int baseRawget(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_rawget(L, 1);
  return 1;
}

int baseRawset(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  luaL_checkany(L, 3);
  lua_settop(L, 3);
  lua_rawset(L, 1);
  return 1;
}

int baseGcinfo(lua_State* L) {
  lua_pushnumber(L, (lua_Number)lua_getgccount(L));
  lua_pushnumber(L, (lua_Number)lua_getgcthreshold(L));
  return 2;
}

int baseCollectgarbage(lua_State* L) {
  lua_setgcthreshold(L, luaL_optint(L, 1, 0));
  return 0;
}

int baseType(lua_State* L) {
  luaL_checkany(L, 1);
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}

int baseNext(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 2);
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}

int basePairs(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushliteral(L, "next");
  lua_rawget(L, LUA_GLOBALSINDEX);
  lua_pushvalue(L, 1);
  lua_pushnil(L);
  return 3;
}

int baseIpairs(lua_State* L) {
  lua_Number i = lua_tonumber(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  if (i == 0 && lua_isnone(L, 2)) {  // the call that starts the loop
    lua_pushliteral(L, "ipairs");
    lua_rawget(L, LUA_GLOBALSINDEX);
    lua_pushvalue(L, 1);
    lua_pushnumber(L, 0);
    return 3;
  }
  int next = luaL_numtoint(i);
  if (next == INT32_MAX) return 0;
  next++;
  lua_pushnumber(L, (lua_Number)next);
  lua_rawgeti(L, 1, next);
  return lua_isnil(L, -1) ? 0 : 2;
}

int loadResult(lua_State* L, int status) {
  if (status == 0) return 1;  // the function
  lua_pushnil(L);
  lua_insert(L, -2);  // nil, then the message
  return 2;
}

int baseLoadstring(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  const char* chunkname = luaL_optstring(L, 2, s);
  return loadResult(L, luaL_loadbuffer(L, s, l, chunkname));
}

int baseLoadfile(lua_State* L) {
  const char* fname = luaL_checkstring(L, 1);
  return loadResult(L, luaL_loadfile(L, fname));
}

int baseDofile(lua_State* L) {
  const char* fname = luaL_checkstring(L, 1);
  int n = lua_gettop(L);
  if (luaL_loadfile(L, fname) != 0) lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - n;
}

int baseAssert(lua_State* L) {
  luaL_checkany(L, 1);
  if (!lua_toboolean(L, 1)) return luaL_error(L, "%s", luaL_optstring(L, 2, "assertion failed!"));
  lua_settop(L, 1);
  return 1;
}

int baseUnpack(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, n, "table too big to unpack");
  for (int i = 1; i <= n; i++) lua_rawgeti(L, 1, i);
  return n;
}

int basePcall(lua_State* L) {
  luaL_checkany(L, 1);
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, status == 0);
  lua_insert(L, 1);
  return lua_gettop(L);
}

int baseXpcall(lua_State* L) {
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_insert(L, 1);  // the handler goes below the function
  int status = lua_pcall(L, 0, LUA_MULTRET, 1);
  lua_pushboolean(L, status == 0);
  lua_replace(L, 1);
  return lua_gettop(L);
}

// "%s: %p" text of a table, function, userdata or thread.
std::string addressText(lua_State* L, int idx) {
  char buff[64];
  int t = lua_type(L, idx);
  const char* kind = t == LUA_TTABLE      ? "table"
                     : t == LUA_TFUNCTION ? "function"
                     : t == LUA_TTHREAD   ? "thread"
                                          : "userdata";
  const void* p = (t == LUA_TUSERDATA || t == LUA_TLIGHTUSERDATA) ? lua_touserdata(L, idx) : lua_topointer(L, idx);
  snprintf(buff, sizeof buff, "%s: %p", kind, p);
  return buff;
}

int baseTostring(lua_State* L) {
  luaL_checkany(L, 1);
  if (luaL_callmeta(L, 1, "__tostring")) return 1;
  switch (lua_type(L, 1)) {
    case LUA_TNUMBER:
      lua_pushvalue(L, 1);
      lua_tostring(L, -1);  // converts the copy in place
      return 1;
    case LUA_TSTRING: lua_pushvalue(L, 1); return 1;
    case LUA_TWSTRING: {
      const lua_WChar* w = lua_towstring(L, 1);
      size_t n = lua_strlen(L, 1);
      std::string s(n, '\0');
      for (size_t i = 0; i < n; i++) s[i] = (char)(w[i] & 0xFF);
      lua_pushlstring(L, s.data(), n);
      return 1;
    }
    case LUA_TBOOLEAN: lua_pushstring(L, lua_toboolean(L, 1) ? "true" : "false"); return 1;
    case LUA_TNIL: lua_pushliteral(L, "nil"); return 1;
    default: {
      std::string s = addressText(L, 1);
      lua_pushlstring(L, s.data(), s.size());
      return 1;
    }
  }
}

// Each byte becomes one unit, sign-extended (0x80 gives 0xFF80).
void pushWidened(lua_State* L, const char* s, size_t n) {
  std::basic_string<lua_WChar> w(n, 0);
  for (size_t i = 0; i < n; i++) w[i] = (lua_WChar)(int16_t)(int8_t)s[i];
  lua_pushlwstring(L, w.data(), n);
}

int baseTowstring(lua_State* L) {
  switch (lua_type(L, 1)) {
    case LUA_TNIL: pushWidened(L, "nil", 3); return 1;
    case LUA_TNUMBER:
      lua_pushvalue(L, 1);
      lua_towstring(L, -1);  // converts the copy in place
      return 1;
    case LUA_TSTRING: {
      size_t n;
      const char* s = lua_tostring(L, 1);
      n = lua_strlen(L, 1);
      pushWidened(L, s, n);
      return 1;
    }
    case LUA_TWSTRING: lua_pushvalue(L, 1); return 1;
    case LUA_TTABLE:
    case LUA_TFUNCTION:
    case LUA_TUSERDATA:
    case LUA_TTHREAD: {
      std::string s = addressText(L, 1);
      pushWidened(L, s.data(), s.size());
      return 1;
    }
    default:  // no value, booleans and light userdata
      return luaL_argerror(L, 1, "value expected");
  }
}

int basePrint(lua_State* L) {
  int n = lua_gettop(L);
  lua_pushliteral(L, "towstring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "tostring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  std::string out;
  for (int i = 1; i <= n; i++) {
    bool wide = lua_type(L, i) == LUA_TWSTRING;
    lua_pushvalue(L, wide ? n + 1 : n + 2);
    lua_pushvalue(L, i);
    lua_call(L, 1, 1);
    if (i > 1) out += '\t';
    if (wide) {
      const lua_WChar* w = lua_towstring(L, -1);
      if (w == nullptr) return luaL_error(L, "`tostring' must return a string to `print'");
      scriptlib::appendUtf8(out, w, lua_strlen(L, -1));
    } else {
      const char* s = lua_tostring(L, -1);
      if (s == nullptr) return luaL_error(L, "`tostring' must return a string to `print'");
      out.append(s, lua_strlen(L, -1));
    }
    lua_pop(L, 1);
  }
  out += '\n';
  fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

// An unsigned integer in `base` by the rules of a 32-bit strtoul: leading white space, an
// optional sign ("-" negates modulo 2^32), "0x" allowed in base 16, overflow gives 4294967295.
// True when at least one digit was read and only white space follows.
bool readUnsigned(const char* s, int base, uint32_t* out) {
  using namespace scriptlib;
  while (cIsSpace((unsigned char)*s)) s++;
  bool neg = false;
  if (*s == '-' || *s == '+') {
    neg = *s == '-';
    s++;
  }
  if (base == 16 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && cIsXDigit((unsigned char)s[2])) s += 2;
  uint64_t v = 0;
  bool overflow = false;
  const char* start = s;
  for (;; s++) {
    int c = (unsigned char)*s;
    int d;
    if (cIsDigit(c))
      d = c - '0';
    else if (cIsAlpha(c))
      d = cToLower(c) - 'a' + 10;
    else
      break;
    if (d >= base) break;
    v = v * (uint64_t)base + (uint64_t)d;
    if (v > 0xFFFFFFFFull) {
      overflow = true;
      v = 0xFFFFFFFFull;
    }
  }
  if (s == start) return false;
  while (cIsSpace((unsigned char)*s)) s++;
  if (*s != '\0') return false;
  uint32_t r = overflow ? 0xFFFFFFFFu : (uint32_t)v;
  if (neg && !overflow) r = (uint32_t)(0u - r);
  *out = r;
  return true;
}

int baseTonumber(lua_State* L) {
  int base = luaL_optint(L, 2, 10);
  if (base == 10) {
    luaL_checkany(L, 1);
    if (lua_isnumber(L, 1)) {
      lua_pushnumber(L, lua_tonumber(L, 1));
      return 1;
    }
  } else {
    std::string text;
    if (lua_type(L, 1) == LUA_TWSTRING) {
      size_t n;
      const lua_WChar* w = luaL_checklwstring(L, 1, &n);
      luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
      if (n >= 100) {
        lua_pushnil(L);
        return 1;
      }
      for (size_t i = 0; i < n && (w[i] & 0xFF) != 0; i++) text += (char)(w[i] & 0xFF);
    } else {
      text = luaL_checkstring(L, 1);
      luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
    }
    uint32_t v;
    if (readUnsigned(text.c_str(), base, &v)) {
      lua_pushnumber(L, (lua_Number)v);
      return 1;
    }
  }
  lua_pushnil(L);
  return 1;
}

int baseRequire(lua_State* L) {
  const char* name = luaL_checkstring(L, 1);
  lua_settop(L, 1);
  lua_pushliteral(L, "_LOADED");
  lua_gettable(L, LUA_GLOBALSINDEX);  // index 2
  if (!lua_istable(L, 2)) return luaL_error(L, "`_LOADED' is not a table");
  lua_pushvalue(L, 1);
  lua_rawget(L, 2);
  if (lua_toboolean(L, -1)) return 1;
  lua_pop(L, 1);
  lua_pushliteral(L, "LUA_PATH");
  lua_gettable(L, LUA_GLOBALSINDEX);  // index 3
  std::string path = "?;?.lua";
  int pt = lua_type(L, 3);
  if (pt == LUA_TSTRING || pt == LUA_TNUMBER) path.assign(lua_tostring(L, 3), lua_strlen(L, 3));
  bool loaded = false;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find(';', pos);
    if (end == std::string::npos) end = path.size();
    std::string templ = path.substr(pos, end - pos);
    pos = end + 1;
    if (templ.empty()) continue;
    std::string file;
    for (char c : templ) {
      if (c == '?')
        file += name;
      else
        file += c;
    }
    int status = luaL_loadfile(L, file.c_str());
    if (status == 0) {
      loaded = true;
      break;
    }
    if (status != LUA_ERRFILE) {
      const char* msg = lua_tostring(L, -1);
      return luaL_error(L, "error loading package `%s' (%s)", name, msg ? msg : "?");
    }
    lua_pop(L, 1);
  }
  if (!loaded) return luaL_error(L, "could not load package `%s' from path `%s'", name, path.c_str());
  // stack: name, _LOADED, LUA_PATH, chunk
  lua_pushliteral(L, "_REQUIREDNAME");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_insert(L, -2);  // old name below the chunk
  lua_pushliteral(L, "_REQUIREDNAME");
  lua_pushvalue(L, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_call(L, 0, 1);
  lua_insert(L, -2);  // result, old name
  lua_pushliteral(L, "_REQUIREDNAME");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    lua_pushboolean(L, 1);
  }
  lua_pushvalue(L, 1);
  lua_pushvalue(L, -2);
  lua_rawset(L, 2);
  return 1;
}

int baseNewproxy(lua_State* L) {
  lua_settop(L, 1);
  lua_newuserdata(L, 0);
  if (lua_toboolean(L, 1) == 0) return 1;  // no metatable
  if (lua_isboolean(L, 1)) {
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_pushboolean(L, 1);
    lua_rawset(L, lua_upvalueindex(1));  // remember it as a proxy metatable
  } else {
    bool valid = false;
    if (lua_type(L, 1) == LUA_TUSERDATA && lua_getmetatable(L, 1)) {
      lua_rawget(L, lua_upvalueindex(1));
      valid = lua_toboolean(L, -1) != 0;
      lua_pop(L, 1);
    }
    luaL_argcheck(L, valid, 1, "boolean or proxy expected");
    lua_getmetatable(L, 1);
  }
  lua_setmetatable(L, 2);
  return 1;
}

// ---- coroutines ----

int auxResume(lua_State* L, lua_State* co, int narg) {
  if (!lua_checkstack(co, narg)) luaL_error(L, "too many arguments to resume");
  lua_xmove(L, co, narg);
  int status = lua_resume(co, narg);
  if (status == 0) {
    int nres = lua_gettop(co);
    if (!lua_checkstack(L, nres)) luaL_error(L, "too many results to resume");
    lua_xmove(co, L, nres);
    return nres;
  }
  lua_xmove(co, L, 1);  // the error object
  return -1;
}

int coResume(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  int r = auxResume(L, co, lua_gettop(L) - 1);
  if (r < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(r + 1));
  return r + 1;
}

int coWrapped(lua_State* L) {
  lua_State* co = lua_tothread(L, lua_upvalueindex(1));
  int r = auxResume(L, co, lua_gettop(L));
  if (r < 0) {
    int t = lua_type(L, -1);
    if (t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING) {
      luaL_where(L, 1);
      lua_insert(L, -2);
      lua_concat(L, 2);
    }
    return lua_error(L);
  }
  return r;
}

int coCreate(lua_State* L) {
  luaL_argcheck(L, lua_isfunction(L, 1) && !lua_iscfunction(L, 1), 1, "Lua function expected");
  lua_State* nl = lua_newthread(L);
  lua_pushvalue(L, 1);
  lua_xmove(L, nl, 1);
  return 1;
}

int coWrap(lua_State* L) {
  coCreate(L);
  lua_pushcclosure(L, coWrapped, 1);
  return 1;
}

int coYield(lua_State* L) { return lua_yield(L, lua_gettop(L)); }

int coStatus(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  if (L == co) {
    lua_pushliteral(L, "running");
  } else {
    lua_Debug ar;
    if (lua_getstack(co, 0, &ar) == 0 && lua_gettop(co) == 0)
      lua_pushliteral(L, "dead");
    else
      lua_pushliteral(L, "suspended");
  }
  return 1;
}

const luaL_reg kBaseFuncs[] = {
    {"error", baseError},
    {"getmetatable", baseGetmetatable},
    {"setmetatable", baseSetmetatable},
    {"getfenv", baseGetfenv},
    {"setfenv", baseSetfenv},
    {"next", baseNext},
    {"ipairs", baseIpairs},
    {"pairs", basePairs},
    {"print", basePrint},
    {"tonumber", baseTonumber},
    {"tostring", baseTostring},
    {"towstring", baseTowstring},
    {"type", baseType},
    {"assert", baseAssert},
    {"unpack", baseUnpack},
    {"rawequal", baseRawequal},
    {"rawget", baseRawget},
    {"rawset", baseRawset},
    {"pcall", basePcall},
    {"xpcall", baseXpcall},
    {"collectgarbage", baseCollectgarbage},
    {"gcinfo", baseGcinfo},
    {"loadfile", baseLoadfile},
    {"dofile", baseDofile},
    {"loadstring", baseLoadstring},
    {"require", baseRequire},
    {nullptr, nullptr},
};

const luaL_reg kCoFuncs[] = {
    {"create", coCreate}, {"wrap", coWrap},     {"resume", coResume},
    {"yield", coYield},   {"status", coStatus}, {nullptr, nullptr},
};

const char* const kDefaultMetaKeys[] = {nullptr,  "_boolean",  "_lightuserdata", "_number", "_string",
                                        "_table", "_function", "_userdata",      "_thread", "_wstring"};

}  // namespace

int luaopen_base(lua_State* L) {
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "__metatable");
  luaL_openlib(L, nullptr, kBaseFuncs, 1);
  lua_pushliteral(L, "_VERSION");
  lua_pushliteral(L, LUA_VERSION);
  lua_rawset(L, -3);
  lua_pushliteral(L, "newproxy");
  lua_newtable(L);
  lua_pushvalue(L, -1);
  lua_setmetatable(L, -2);
  lua_pushliteral(L, "__mode");
  lua_pushliteral(L, "k");
  lua_rawset(L, -3);
  lua_pushcclosure(L, baseNewproxy, 1);
  lua_rawset(L, -3);
  lua_pushliteral(L, "_G");
  lua_pushvalue(L, -2);
  lua_rawset(L, -3);
  lua_pop(L, 1);
  luaL_openlib(L, "coroutine", kCoFuncs, 0);
  lua_pop(L, 1);
  lua_pushliteral(L, "_LOADED");
  lua_newtable(L);
  lua_settable(L, LUA_GLOBALSINDEX);
  for (int t = 1; t <= 9; t++) {
    lua_pushstring(L, kDefaultMetaKeys[t]);
    lua_getdefaultmetatable(L, t);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  return 0;
}

void luaopen_stdlibs(lua_State* L) {
  int top = lua_gettop(L);
  luaopen_base(L);
  lua_settop(L, top);
  luaopen_string(L);
  lua_settop(L, top);
  luaopen_table(L);
  lua_settop(L, top);
}
