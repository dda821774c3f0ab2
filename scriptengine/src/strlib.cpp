// String library: len, sub, lower, upper, char, rep, byte, dump and lualex, and the opener
// that makes the library table the metatable of every 8-bit string.
#include <cstring>
#include <string>

#include "do.h"
#include "gc.h"
#include "libutil.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"
#include "sstring.h"
#include "strlib_internal.h"

using namespace scriptlib;

namespace {

int strLen(lua_State* L) {
  size_t l;
  luaL_checklstring(L, 1, &l);
  lua_pushnumber(L, (lua_Number)l);
  return 1;
}

int strSub(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int64_t start = posRelative(luaL_checklong(L, 2), l);
  int64_t end = posRelative(luaL_optlong(L, 3, -1), l);
  if (start < 1) start = 1;
  if (end > (int64_t)l) end = (int64_t)l;
  if (start <= end)
    lua_pushlstring(L, s + start - 1, (size_t)(end - start + 1));
  else
    lua_pushliteral(L, "");
  return 1;
}

// Pushes argument 1 with every byte passed through map (C-locale case changes).
static int mapBytes(lua_State* L, int (*map)(int)) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  std::string r(s, l);
  for (char& c : r) c = (char)map((unsigned char)c);
  lua_pushlstring(L, r.data(), l);
  return 1;
}

int strLower(lua_State* L) { return mapBytes(L, cToLower); }

int strUpper(lua_State* L) { return mapBytes(L, cToUpper); }

// The result is built in place, its length known first: a length no string can have fails
// at once (as joining the copies would, but before gigabytes of them were made), and the
// copies are made by doubling rather than one by one.
int strRep(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int n = luaL_checkint(L, 2);
  if (l == 0 || n <= 0) {
    lua_pushliteral(L, "");
    return 1;
  }
  uint64_t total = static_cast<uint64_t>(l) * static_cast<uint64_t>(n);  // below 2^63
  if (total >= MAX_BLOCK_SIZE) return luaL_error(L, "string size overflow");
  luaC_checkGC(L);
  TString* ts = luaS_newstrspace(L, static_cast<size_t>(total));  // s stays: argument 1 holds it
  char* out = getstr(ts);
  memcpy(out, s, l);
  for (size_t done = l; done < total;) {
    size_t k = done < total - done ? done : static_cast<size_t>(total - done);
    memcpy(out + done, out, k);
    done += k;
  }
  setsvalue2s(L->top, luaS_internspace(L, ts));
  incr_top(L);
  return 1;
}

int strByte(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int64_t pos = posRelative(luaL_optlong(L, 2, 1), l);
  if (pos <= 0 || (size_t)pos > l) return 0;
  lua_pushnumber(L, (lua_Number)(unsigned char)s[pos - 1]);
  return 1;
}

int strChar(lua_State* L) {
  int n = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (int i = 1; i <= n; i++) {
    int c = luaL_checkint(L, i);
    luaL_argcheck(L, c >= 0 && c <= 255, i, "invalid value");
    luaL_putchar(&b, (unsigned char)c);
  }
  luaL_pushresult(&b);
  return 1;
}

int dumpWriter(lua_State*, const void* b, size_t size, void* B) {
  luaL_addlstring(static_cast<luaL_Buffer*>(B), static_cast<const char*>(b), size);
  return 1;
}

int strDump(lua_State* L) {
  luaL_Buffer b;
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, 1);
  luaL_buffinit(L, &b);
  if (!lua_dump(L, dumpWriter, &b)) luaL_error(L, "unable to dump given function");
  luaL_pushresult(&b);
  return 1;
}

int hexValue(int c) {
  if (cIsDigit(c)) return c - '0';
  return cToLower(c) - 'a' + 10;
}

// Applies escape sequences. Narrow mode gives bytes; wide mode gives UTF-16LE text (two bytes
// per unit, low byte first), every plain byte becoming one unit.
int strLualex(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  bool wide = luaL_checkint(L, 2) != 0;
  std::string out;
  out.reserve(wide ? 2 * l : l);
  auto put = [&](unsigned v) {
    if (wide) {
      out += (char)(v & 0xFF);
      out += (char)((v >> 8) & 0xFF);
    } else {
      out += (char)(v & 0xFF);
    }
  };
  size_t i = 0;
  while (i < l) {
    unsigned char c = (unsigned char)s[i++];
    if (c != '\\') {
      put(c);
      continue;
    }
    if (i >= l) {  // a trailing backslash
      put(0);
      break;
    }
    unsigned char e = (unsigned char)s[i++];
    switch (e) {
      case 'a': put(7); break;
      case 'b': put(8); break;
      case 'f': put(12); break;
      case 'n': put(10); break;
      case 'r': put(13); break;
      case 't': put(9); break;
      case 'v': put(11); break;
      case 'x': {
        if (i < l && cIsXDigit((unsigned char)s[i])) {
          unsigned v = 0;
          size_t maxDigits = wide ? 4 : 2;
          for (size_t k = 0; k < maxDigits && i < l && cIsXDigit((unsigned char)s[i]); k++)
            v = v * 16 + (unsigned)hexValue((unsigned char)s[i++]);
          if (wide) {
            put(v);
          } else {
            out += (char)(v & 0xFF);
            out += (char)((v >> 8) & 0xFF);
          }
        } else {
          put('x');
        }
        break;
      }
      default:
        if (cIsDigit(e)) {
          unsigned v = (unsigned)(e - '0');
          for (int k = 1; k < 3 && i < l && cIsDigit((unsigned char)s[i]); k++)
            v = v * 10 + (unsigned)((unsigned char)s[i++] - '0');
          put(wide ? v : (v & 0xFF));
        } else {
          put(e);
        }
        break;
    }
  }
  lua_pushlstring(L, out.data(), out.size());
  return 1;
}

const luaL_reg kStrFuncs[] = {
    {"len", strLen},     {"sub", strSub},   {"lower", strLower},   {"upper", strUpper}, {"char", strChar},
    {"rep", strRep},     {"byte", strByte}, {"format", strFormat}, {"dump", strDump},   {"find", strFind},
    {"gfind", strGfind}, {"gsub", strGsub}, {"lualex", strLualex}, {nullptr, nullptr},
};

}  // namespace

int luaopen_string(lua_State* L) {
  luaL_openlib(L, "string", kStrFuncs, 0);
  lua_pushliteral(L, "string");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_setdefaultmetatable(L, LUA_TSTRING);
  lua_pushliteral(L, "pack");
  lua_pushcfunction(L, strPack);
  lua_settable(L, -3);
  lua_pushliteral(L, "unpack");
  lua_pushcfunction(L, strUnpack);
  lua_settable(L, -3);
  return 1;
}
