// Shared value helpers: raw equality, text <-> number, message formatting, chunk names.
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "do.h"
#include "mem.h"
#include "sstring.h"
#include "state.h"
#include "vm.h"

const TObject luaO_nilobject_ = {{nullptr}, LUA_TNIL, 0};

int luaO_int2fb(unsigned int x) {
  int m = 0;  // exponent
  while (x >= (1u << 3)) {
    x = (x + 1) >> 1;
    m++;
  }
  return (m << 3) | static_cast<int>(x);
}

int luaO_log2(unsigned int x) {
  static const lu_byte log_8[256] = {
      0, 1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6,
      6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
      7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
      7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
      8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
      8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
      8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
  // log_8[x] holds floor(log2(x)) + 1 for x in 1..255.
  if (x >= 0x00010000) {
    if (x >= 0x01000000) return log_8[((x >> 24) & 0xff)] - 1 + 24;
    return log_8[((x >> 16) & 0xff)] - 1 + 16;
  }
  if (x >= 0x00000100) return log_8[((x >> 8) & 0xff)] - 1 + 8;
  if (x) return log_8[(x & 0xff)] - 1;
  return -1;
}

int luaO_rawequalObj(const TObject* t1, const TObject* t2) {
  if (ttype(t1) != ttype(t2)) return 0;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    default: return gcvalue(t1) == gcvalue(t2);
  }
}

static bool c_isspace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
static bool c_isdigit(int c) { return c >= '0' && c <= '9'; }
static int c_hexval(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

int luaO_str2d(const char* s, lua_Number* result) {
  // An optional sign and up to 15 decimal digits (an exact double) followed by nothing but
  // white space convert without the C library; anything else goes to strtod.
  const char* p = s;
  bool negative = (*p == '-');
  if (*p == '-' || *p == '+') p++;
  const char* digits = p;
  unsigned long long v = 0;
  while (*p >= '0' && *p <= '9' && p - digits < 16) v = v * 10 + static_cast<unsigned>(*p++ - '0');
  if (p > digits && p - digits <= 15) {
    const char* q = p;
    while (c_isspace(static_cast<unsigned char>(*q))) q++;
    if (*q == '\0') {
      double d = static_cast<double>(v);
      *result = negative ? -d : d;
      return 1;
    }
  }
  char* endptr;
  lua_Number res = strtod_l(s, &endptr, c_locale());
  if (endptr == s) return 0;  // nothing converted
  while (c_isspace(static_cast<unsigned char>(*endptr))) endptr++;
  if (*endptr != '\0') return 0;  // invalid trailing characters
  *result = res;
  return 1;
}

// The exponent after its letter at p ('e' or 'p'): an optional sign and at least one digit,
// its size held below 100000 so that it cannot overflow. Returns the text after it; without a
// digit there is no exponent, and p itself comes back for the trailing check.
static const lua_WChar* readExponent(const lua_WChar* p, int* exponent) {
  const lua_WChar* q = p + 1;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = (*q++ == '-');
  if (!c_isdigit(*q)) return p;
  long e = 0;
  while (c_isdigit(*q)) {
    if (e < 100000) e = e * 10 + (*q - '0');
    q++;
  }
  *exponent = static_cast<int>(negative ? -e : e);
  return q;
}

// Wide text scanner: no leading blanks; "0x" hexadecimal (fraction and a binary exponent
// after a fraction point, no sign) or signed decimal with fraction and exponent. At least one
// mantissa digit is required.
int luaO_wstr2d(const lua_WChar* s, lua_Number* result) {
  const lua_WChar* p = s;
  double intpart = 0, frac = 0;
  int exponent = 0;
  bool negative = false;
  int ndigits = 0;
  double base;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 2;
    p += 2;
    int v;
    while (*p < 256 && (v = c_hexval(*p)) >= 0) {
      intpart = intpart * 16 + v;
      p++;
      ndigits++;
    }
    if (*p == '.') {
      p++;
      double place = 1.0 / 16;
      while (*p < 256 && (v = c_hexval(*p)) >= 0) {
        frac += v * place;
        place /= 16;
        p++;
        ndigits++;
      }
      if (ndigits > 0 && (*p == 'p' || *p == 'P')) p = readExponent(p, &exponent);
    }
    if (ndigits == 0) return 0;
  } else {
    base = 10;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    while (c_isdigit(*p)) {
      intpart = intpart * 10 + (*p - '0');
      p++;
      ndigits++;
    }
    if (*p == '.') {
      p++;
      double place = 0.1;
      while (c_isdigit(*p)) {
        frac += (*p - '0') * place;
        place /= 10;
        p++;
        ndigits++;
      }
    }
    if (ndigits == 0) return 0;
    if (*p == 'e' || *p == 'E') p = readExponent(p, &exponent);
  }
  double value = intpart + frac;
  if (exponent > 0)
    value *= pow(base, exponent);
  else if (exponent < 0)
    value /= pow(base, -exponent);
  if (negative) value = -value;
  while (*p != 0) {
    if (*p >= 256 || !c_isspace(*p)) return 0;
    p++;
  }
  *result = value;
  return 1;
}

// Decimal digits of u at buf; returns their count. Two digits at a time from a table.
static int putdigits(unsigned long long u, char* buf) {
  static const char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";
  char tmp[24];
  char* e = tmp + sizeof tmp;
  char* p = e;
  while (u >= 100) {
    unsigned r = static_cast<unsigned>(u % 100);
    u /= 100;
    p -= 2;
    memcpy(p, pairs + 2 * r, 2);
  }
  if (u >= 10) {
    p -= 2;
    memcpy(p, pairs + 2 * u, 2);
  } else {
    *--p = static_cast<char>('0' + u);
  }
  int len = static_cast<int>(e - p);
  memcpy(buf, p, static_cast<size_t>(len));
  return len;
}

int luaO_num2str(lua_Number n, char* buf) {
  // Integers of up to 14 digits print as their digits under "%.14g": done without printf.
  long long v = (n > -1e14 && n < 1e14) ? static_cast<long long>(n) : 0;  // false for NaN
  if (static_cast<lua_Number>(v) == n && !(n == 0 && std::signbit(n))) {
    int out = 0;
    if (v < 0) buf[out++] = '-';
    out += putdigits(v < 0 ? static_cast<unsigned long long>(-v) : static_cast<unsigned long long>(v), buf + out);
    buf[out] = '\0';
    return out;
  }
  // Short decimals likewise. When m = n * 10^d (one rounding, 10^d exact) is an integer M
  // below 10^14, n lies within half an ulp of M (a relative 1.2e-16) of M / 10^d, which has at
  // most 14 significant digits; rounding n to 14 digits, which is all "%.14g" does here, gives
  // that value, far (at least a relative 5e-15) from any rounding boundary. From 1e-4 up the
  // format uses plain notation and drops trailing zeros, as below.
  double a = std::fabs(n);
  if (a >= 1e-4 && a < 1e13) {
    double p = 1;
    for (int d = 1; d <= 6; d++) {
      p *= 10;
      double m = a * p;
      if (m >= 1e14) break;
      if (m != std::floor(m)) continue;
      unsigned long long u = static_cast<unsigned long long>(m);
      unsigned long long scale = static_cast<unsigned long long>(p);
      unsigned long long ip = u / scale;
      unsigned long long fp = u % scale;
      int out = 0;
      if (n < 0) buf[out++] = '-';
      out += putdigits(ip, buf + out);
      if (fp != 0) {
        int digits = d;
        while (fp % 10 == 0) {  // trailing zeros go
          fp /= 10;
          digits--;
        }
        buf[out++] = '.';
        char frac[8];
        for (int j = digits - 1; j >= 0; j--) {
          frac[j] = static_cast<char>('0' + fp % 10);
          fp /= 10;
        }
        memcpy(buf + out, frac, static_cast<size_t>(digits));
        out += digits;
      }
      buf[out] = '\0';
      return out;
    }
  }
  int len = snprintf(buf, 32, LUA_NUMBER_FMT, n);
  // Guard against a process-wide locale with another decimal point.
  for (int i = 0; i < len; i++)
    if (buf[i] == ',') buf[i] = '.';
  return len;
}

int luaO_toint(lua_Number n) {
  if (std::isnan(n)) return 0;
  if (n >= 2147483647.0) return 2147483647;
  if (n <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(n);
}

lu_int32 luaO_touint32mod(lua_Number n) {
  if (!std::isfinite(n)) return 0;
  double t = std::trunc(n);
  double m = std::fmod(t, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<lu_int32>(m);
}

static void pushstr(lua_State* L, const char* str) {
  setsvalue2s(L->top, luaS_new(L, str));
  incr_top(L);
}

// Pieces are pushed and joined by the concatenation; only %s %d %c %f %% are known.
const char* luaO_pushvfstring(lua_State* L, const char* fmt, va_list argp) {
  int n = 1;
  pushstr(L, "");
  for (;;) {
    const char* e = strchr(fmt, '%');
    if (e == nullptr) break;
    setsvalue2s(L->top, luaS_newlstr(L, fmt, static_cast<size_t>(e - fmt)));
    incr_top(L);
    switch (*(e + 1)) {
      case 's': {
        const char* s = va_arg(argp, char*);
        pushstr(L, s ? s : "(null)");
        break;
      }
      case 'c': {
        char buff[2];
        buff[0] = static_cast<char>(va_arg(argp, int));
        buff[1] = '\0';
        pushstr(L, buff);
        break;
      }
      case 'd':
        setnvalue(L->top, static_cast<lua_Number>(va_arg(argp, int)));
        incr_top(L);
        break;
      case 'f':
        setnvalue(L->top, static_cast<lua_Number>(va_arg(argp, double)));
        incr_top(L);
        break;
      case '%': pushstr(L, "%"); break;
      case '\0':
        // a lone percent sign at the very end is dropped
        n += 1;
        fmt = e + 1;
        goto done;
      default:
        // unknown directive: both characters vanish and no argument is taken
        n += 1;
        fmt = e + 2;
        continue;
    }
    n += 2;
    fmt = e + 2;
  }
done:
  pushstr(L, fmt);
  luaV_concat(L, n + 1, static_cast<int>(L->top - L->base) - 1);
  L->top -= n;
  return getstr(tsvalue(L->top - 1));
}

const char* luaO_pushfstring(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  const char* msg = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return msg;
}

void luaO_chunkid(char* out, const char* source, int bufflen) {
  if (bufflen <= 0) return;
  if (*source == '=') {
    strncpy(out, source + 1, static_cast<size_t>(bufflen));  // remove first char
    out[bufflen - 1] = '\0';
  } else {
    if (*source == '@') {
      source++;  // skip the '@'
      int l = static_cast<int>(strlen(source));
      int room = bufflen - 8;
      strcpy(out, "");
      if (room < 0) room = 0;
      if (l > room) {
        source += (l - room);  // keep the tail
        strcat(out, "...");
      }
      strncat(out, source, static_cast<size_t>(room));
      out[bufflen - 1] = '\0';
    } else {
      int len = static_cast<int>(strcspn(source, "\n"));  // stop at first newline
      int room = bufflen - 17;
      if (room < 0) room = 0;
      if (len > room) len = room;
      strcpy(out, "[string \"");
      if (source[len] != '\0') {  // the text was cut
        strncat(out, source, static_cast<size_t>(len));
        strcat(out, "...");
      } else {
        strcat(out, source);
      }
      strcat(out, "\"]");
    }
  }
}
