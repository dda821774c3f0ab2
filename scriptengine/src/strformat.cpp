// string.format: printf-like conversions item by item, plus "%q" (quoting that the engine of
// old reads back), "%Q" (quoting for this lexer, wide strings included), "%B" (booleans) and
// "%b" (raw binary numbers). The format is read within its length: a "%" or "%b" at the very
// end reads the terminating zero and never beyond.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "libutil.h"
#include "scriptengine/auxlib.h"
#include "strlib_internal.h"

using namespace scriptlib;

// The conversion specifications are built at run time from the checked format item.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

const int kMaxItem = 512;   // one formatted item
const int kMaxFormat = 20;  // one conversion ("%", flags, width, precision, letter)
const char* const kFlags = "-+ #0";

struct FormatCursor {
  const char* p;
  const char* end;
  int at(const char* q) const { return q < end ? (unsigned char)*q : 0; }
};

// Reads flags, width and precision starting at c.p (just after "%"); copies "%", them and the
// conversion letter into form; leaves c.p on the conversion letter.
void scanFormat(lua_State* L, FormatCursor& c, char* form, bool* hasPrecision) {
  const char* start = c.p;
  const char* p = start;
  while (c.at(p) != 0 && strchr(kFlags, c.at(p)) != nullptr) p++;
  if (cIsDigit(c.at(p))) p++;  // at most two width digits
  if (cIsDigit(c.at(p))) p++;
  if (c.at(p) == '.') {
    p++;
    *hasPrecision = true;
    if (cIsDigit(c.at(p))) p++;  // at most two precision digits
    if (cIsDigit(c.at(p))) p++;
  }
  if (cIsDigit(c.at(p))) luaL_error(L, "invalid format (width or precision too long)");
  if (p - start + 2 > kMaxFormat) luaL_error(L, "invalid format (too long)");
  size_t n = (size_t)(p - start);
  form[0] = '%';
  memcpy(form + 1, start, n);
  form[n + 1] = (char)c.at(p);
  form[n + 2] = 0;
  c.p = p;
}

// Decimal digits of v (with a minus sign when negative is set) at buff; returns their count.
size_t putInteger(char* buff, unsigned long long v, bool negative) {
  char tmp[24];
  size_t len = 0;
  do {
    tmp[len++] = (char)('0' + v % 10);
    v /= 10;
  } while (v != 0);
  size_t out = 0;
  if (negative) buff[out++] = '-';
  while (len > 0) buff[out++] = tmp[--len];
  buff[out] = 0;
  return out;
}

// The plain conversions "%d" and "%.0f" without the C library's formatter, for the values
// where the result is simply the digits of an integer: "%.0f" rounds the way the formatter
// does (to nearest, ties to even, in the current rounding mode) and keeps the sign of a
// negative value that rounds to zero. Returns the length written, or 0 for the general path.
size_t formatPlain(const char* form, int conv, lua_Number n, char* buff) {
  if (conv == 'd' && form[1] == 'd') {
    int v = luaL_numtoint(n);
    return putInteger(buff, v < 0 ? 0ull - (unsigned long long)v : (unsigned long long)v, v < 0);
  }
  if (conv == 'f' && form[1] == '.' && form[2] == '0' && form[3] == 'f' && std::fabs(n) < 9.0e18) {
    double r = std::nearbyint(n);
    double a = std::fabs(r);
    return putInteger(buff, (unsigned long long)a, std::signbit(r));
  }
  return 0;
}

void addQuoted(lua_State* L, luaL_Buffer* b, int arg) {
  size_t l;
  const char* s = luaL_checklstring(L, arg, &l);
  luaL_putchar(b, '"');
  for (size_t i = 0; i < l; i++) {
    switch (s[i]) {
      case '"':
      case '\\':
      case '\n':
        luaL_putchar(b, '\\');
        luaL_putchar(b, s[i]);
        break;
      case '\0': luaL_addlstring(b, "\\000", 4); break;
      default: luaL_putchar(b, s[i]); break;
    }
  }
  luaL_putchar(b, '"');
}

// One unit (or byte) of "%Q" text; `wide` selects four hexadecimal digits for other units.
void addQUnit(luaL_Buffer* b, unsigned u, bool wide) {
  static const char kCtl[] = "abtnvfr";  // units 7..13
  if (u >= 7 && u <= 13) {
    luaL_putchar(b, '\\');
    luaL_putchar(b, kCtl[u - 7]);
  } else if (u == '"' || u == '\\') {
    luaL_putchar(b, '\\');
    luaL_putchar(b, (char)u);
  } else if (u <= 255 && cIsPrint((int)u)) {
    luaL_putchar(b, (char)u);
  } else {
    char buff[8];
    snprintf(buff, sizeof buff, wide ? "\\x%04x" : "\\x%02x", u);
    luaL_addstring(b, buff);
  }
}

void addLexQuoted(lua_State* L, luaL_Buffer* b, int arg) {
  if (lua_type(L, arg) == LUA_TWSTRING) {
    const lua_WChar* w = lua_towstring(L, arg);
    size_t n = lua_strlen(L, arg);
    luaL_addlstring(b, "L\"", 2);
    for (size_t i = 0; i < n; i++) addQUnit(b, w[i], true);
    luaL_putchar(b, '"');
    return;
  }
  size_t l;
  const char* s = luaL_checklstring(L, arg, &l);
  luaL_putchar(b, '"');
  for (size_t i = 0; i < l; i++) addQUnit(b, (unsigned char)s[i], false);
  luaL_putchar(b, '"');
}

// "%b" followed by its selector: the number's raw bytes in the host's order.
void addBinary(lua_State* L, luaL_Buffer* b, int arg, int selector) {
  lua_Number n = luaL_checknumber(L, arg);
  switch (selector) {
    case 'F': {
      double d = n;
      luaL_addlstring(b, reinterpret_cast<const char*>(&d), 8);
      break;
    }
    case 'f': {
      float f = (float)n;
      luaL_addlstring(b, reinterpret_cast<const char*>(&f), 4);
      break;
    }
    case 'd': {
      uint32_t v = luaL_numtobits(n);
      luaL_addlstring(b, reinterpret_cast<const char*>(&v), 4);
      break;
    }
    case 'w': {
      uint16_t v = (uint16_t)luaL_numtobits(n);
      luaL_addlstring(b, reinterpret_cast<const char*>(&v), 2);
      break;
    }
    case 'b': {
      uint8_t v = (uint8_t)luaL_numtobits(n);
      luaL_addlstring(b, reinterpret_cast<const char*>(&v), 1);
      break;
    }
    default: break;  // any other selector writes nothing
  }
}

}  // namespace

namespace scriptlib {

int strFormat(lua_State* L) {
  int arg = 1;
  size_t sfl;
  const char* fmt = luaL_checklstring(L, arg, &sfl);
  FormatCursor c{fmt, fmt + sfl};
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (c.p < c.end) {
    if (*c.p != '%') {
      luaL_putchar(&b, *c.p++);
      continue;
    }
    c.p++;
    if (c.at(c.p) == '%') {
      luaL_putchar(&b, '%');
      c.p++;
      continue;
    }
    char form[kMaxFormat + 1];
    char buff[kMaxItem];
    bool hasPrecision = false;
    if (cIsDigit(c.at(c.p)) && c.at(c.p + 1) == '$') return luaL_error(L, "obsolete option (d$) to `format'");
    arg++;
    scanFormat(L, c, form, &hasPrecision);
    int conv = c.at(c.p);
    c.p++;  // past the conversion letter (or the terminator)
    buff[0] = 0;
    switch (conv) {
      case 'd':
      case 'f': {
        lua_Number v = luaL_checknumber(L, arg);
        size_t l = formatPlain(form, conv, v, buff);
        if (l > 0) {
          luaL_addlstring(&b, buff, l);
          continue;
        }
        if (conv == 'd')
          snprintf(buff, sizeof buff, form, (int)luaL_numtoint(v));
        else
          snprintf(buff, sizeof buff, form, (double)v);
        break;
      }
      case 'c':
      case 'i': snprintf(buff, sizeof buff, form, (int)luaL_numtoint(luaL_checknumber(L, arg))); break;
      case 'o':
      case 'u':
      case 'x':
      case 'X': snprintf(buff, sizeof buff, form, (unsigned)luaL_numtouint(luaL_checknumber(L, arg))); break;
      case 'e':
      case 'E':
      case 'g':
      case 'G': snprintf(buff, sizeof buff, form, (double)luaL_checknumber(L, arg)); break;
      case 'q': addQuoted(L, &b, arg); continue;
      case 'Q': addLexQuoted(L, &b, arg); continue;
      case 'B': {
        int t = lua_type(L, arg);
        if (t != LUA_TBOOLEAN && t != LUA_TNIL) luaL_typerror(L, arg, "boolean");
        luaL_addstring(&b, lua_toboolean(L, arg) ? "true" : "false");
        continue;
      }
      case 'b': {
        int selector = c.at(c.p);
        c.p++;  // the selector is consumed whatever it is, the terminator included
        addBinary(L, &b, arg, selector);
        continue;
      }
      case 's': {
        size_t l;
        const char* s = luaL_checklstring(L, arg, &l);
        if (!hasPrecision && l >= 100) {
          // no precision and too long to format: keep the whole string
          lua_pushvalue(L, arg);
          luaL_addvalue(&b);
          continue;
        }
        snprintf(buff, sizeof buff, form, s);
        break;
      }
      default: return luaL_error(L, "invalid option to `format'");
    }
    luaL_addlstring(&b, buff, strlen(buff));
  }
  luaL_pushresult(&b);
  return 1;
}

}  // namespace scriptlib
