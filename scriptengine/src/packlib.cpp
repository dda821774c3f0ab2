// string.pack and string.unpack: values to bytes and back by a format of letters with counts,
// byte-order marks, the "w" prefix for wide strings and pack's fixed-size blocks "@N[:M]".
// Sizes are those of a 32-bit host. Counts and block sizes are bounded, and every bounds check
// is done in 64 bits.
#include <cstring>
#include <vector>

#include "libutil.h"
#include "scriptengine/auxlib.h"
#include "strlib_internal.h"

using namespace scriptlib;

namespace {

const int64_t kMaxCount = 2147483647;

bool hostIsBig() {
  const uint16_t one = 1;
  unsigned char first;
  memcpy(&first, &one, 1);
  return first == 0;
}

struct Format {
  lua_State* L;
  int fmtArg;  // argument number of the format, for bad-code errors
  const char* s;
  size_t len;
  size_t i = 0;
  bool big = false;  // current byte order

  int peek() const { return i < len ? (unsigned char)s[i] : -1; }

  [[noreturn]] void badCode(int c) {
    char text[2] = {(char)c, 0};
    luaL_argerror(L, fmtArg, lua_pushfstring(L, "bad code `%s'", text));
    for (;;) {}  // not reached: argerror raises
  }

  // A run of decimal digits at the cursor; -1 when there is none. A value above 2^31 - 1 is
  // a bad code naming `letter'.
  int64_t digits(int letter) {
    if (!cIsDigit(peek())) return -1;
    int64_t v = 0;
    while (cIsDigit(peek())) {
      v = v * 10 + (s[i++] - '0');
      if (v > kMaxCount) badCode(letter);
    }
    return v;
  }

  int64_t count(int letter) {
    int64_t n = digits(letter);
    return n <= 0 ? 1 : n;
  }

  // Separators and byte-order marks only steer the reading: true when c is one of them (and
  // has been applied). A value letter gives false; anything else is a bad code.
  bool steer(int c) {
    switch (c) {
      case ' ':
      case ',': return true;
      case '<': big = false; return true;
      case '>': big = true; return true;
      case '=': big = hostIsBig(); return true;
      case 'b':
      case 'c':
      case 'B':
      case 'h':
      case 'H':
      case 'i':
      case 'l':
      case 'I':
      case 'L':
      case 'f':
      case 'd':
      case 'n':
      case 'A':
      case 'z':
      case 'p':
      case 'P':
      case 'a': return false;
      default: badCode(c);
    }
  }
};

// ---- pack ----

struct Packer {
  luaL_Buffer* b;
  int64_t written = 0;  // bytes appended so far

  void bytes(const void* p, size_t n) {
    luaL_addlstring(b, static_cast<const char*>(p), n);
    written += (int64_t)n;
  }
  void byte(unsigned v) {
    char c = (char)(v & 0xFF);
    bytes(&c, 1);
  }
  // The low `size` bytes of v in the given order.
  void integer(uint64_t v, int size, bool big) {
    unsigned char out[8];
    for (int k = 0; k < size; k++) {
      unsigned char byteK = (unsigned char)((v >> (8 * k)) & 0xFF);
      out[big ? size - 1 - k : k] = byteK;
    }
    bytes(out, (size_t)size);
  }
};

void packString(lua_State* L, Packer& pk, int letter, bool wide, int arg, bool big) {
  size_t l;
  if (wide) {
    const lua_WChar* w = luaL_checklwstring(L, arg, &l);
    switch (letter) {
      case 'p': pk.integer(l % 256, 1, big); break;
      case 'P': pk.integer(l % 65536, 2, big); break;
      case 'a': pk.integer((uint32_t)l, 4, big); break;
      default: break;
    }
    // the units may move if the buffer spills onto the stack: copy them first
    std::vector<lua_WChar> units(w, w + l);
    for (lua_WChar u : units) pk.integer(u, 2, big);
    if (letter == 'z') pk.integer(0, 2, big);
    return;
  }
  const char* s = luaL_checklstring(L, arg, &l);
  switch (letter) {
    case 'p': pk.integer(l % 256, 1, big); break;
    case 'P': pk.integer(l % 65536, 2, big); break;
    case 'a': pk.integer((uint32_t)l, 4, big); break;
    default: break;
  }
  // The string stays referenced by its argument slot, so its bytes do not move.
  pk.bytes(s, l);
  if (letter == 'z') pk.byte(0);
}

// ---- unpack ----

// Pushes the units of v as a wide string (never handing a null pointer on for no units).
void pushUnits(lua_State* L, const std::vector<lua_WChar>& v) {
  static const lua_WChar kNone[1] = {0};
  lua_pushlwstring(L, v.empty() ? kNone : v.data(), v.size());
}

struct Reader {
  const unsigned char* d;
  int64_t len;
  int64_t pos;  // 0-based offset of the next byte

  bool has(int64_t n) const { return pos + n <= len; }
  uint64_t integer(int size, bool big) {
    uint64_t v = 0;
    for (int k = 0; k < size; k++) {
      uint64_t byteK = d[pos + (big ? size - 1 - k : k)];
      v |= byteK << (8 * k);
    }
    pos += size;
    return v;
  }
};

}  // namespace

namespace scriptlib {

int strPack(lua_State* L) {
  size_t fl;
  const char* fs = luaL_checklstring(L, 1, &fl);
  Format f{L, 1, fs, fl, 0, hostIsBig()};
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  Packer pk{&b};
  int arg = 2;
  unsigned fill = 0;
  bool blockOpen = false;
  int64_t blockSize = 0, blockStart = 0;
  while (f.i < f.len) {
    int c = (unsigned char)f.s[f.i++];
    bool wide = false;
    if (c == 'w') {
      if (f.i >= f.len) break;  // a trailing "w" ends the format
      c = (unsigned char)f.s[f.i++];
      wide = true;
      if (c == '@') f.badCode(c);
    }
    if (c == '@') {
      if (!blockOpen) {
        int64_t n = f.digits('@');
        if (f.peek() == ':') {
          f.i++;
          int64_t m = f.digits('@');
          fill = m < 0 ? 0 : (unsigned)(m % 256);
        }
        if (n > 0) {
          blockOpen = true;
          blockSize = n;
          blockStart = pk.written;
        }
      } else {
        for (int64_t k = pk.written - blockStart; k < blockSize; k++) pk.byte(fill);
        blockOpen = false;
      }
      continue;
    }
    int64_t n = f.count(c);
    if (f.steer(c)) continue;
    for (int64_t k = 0; k < n; k++, arg++) {
      switch (c) {
        case 'b':
        case 'c': pk.integer(luaL_numtobits(luaL_checknumber(L, arg)), 1, f.big); break;
        case 'B':
          if (lua_type(L, arg) != LUA_TBOOLEAN) luaL_error(L, "expected a boolean");
          pk.byte(lua_toboolean(L, arg) ? 1 : 0);
          break;
        case 'h':
        case 'H': pk.integer(luaL_numtobits(luaL_checknumber(L, arg)), 2, f.big); break;
        case 'i':
        case 'l': pk.integer(luaL_numtobits(luaL_checknumber(L, arg)), 4, f.big); break;
        case 'I':
        case 'L': pk.integer(luaL_numtouint(luaL_checknumber(L, arg)), 4, f.big); break;
        case 'f': {
          float v = (float)luaL_checknumber(L, arg);
          uint32_t bits;
          memcpy(&bits, &v, 4);
          pk.integer(bits, 4, f.big);
          break;
        }
        case 'd':
        case 'n': {
          double v = luaL_checknumber(L, arg);
          uint64_t bits;
          memcpy(&bits, &v, 8);
          pk.integer(bits, 8, f.big);
          break;
        }
        default:  // the string letters
          packString(L, pk, c, wide, arg, f.big);
          break;
      }
    }
  }
  luaL_pushresult(&b);
  return 1;
}

int strUnpack(lua_State* L) {
  size_t dl, fl;
  const char* data = luaL_checklstring(L, 1, &dl);
  const char* fs = luaL_checklstring(L, 2, &fl);
  int64_t init = luaL_optint(L, 3, 1);
  if (init < 1) init = 1;  // reading never starts before the first byte
  Format f{L, 2, fs, fl, 0, hostIsBig()};
  Reader r{reinterpret_cast<const unsigned char*>(data), (int64_t)dl, init - 1};
  lua_pushnil(L);  // placeholder for the position
  int posSlot = lua_gettop(L);
  int nvalues = 0;
  std::vector<lua_WChar> scratch;
  bool done = false;
  while (!done && f.i < f.len) {
    int c = (unsigned char)f.s[f.i++];
    bool wide = false;
    if (c == 'w') {
      if (f.i >= f.len) break;
      c = (unsigned char)f.s[f.i++];
      wide = true;
    }
    int64_t n = f.count(c);
    if (f.steer(c)) continue;
    int64_t aLen = n;
    if (c == 'A') n = 1;  // the count is the length of one string
    for (int64_t k = 0; k < n && !done; k++) {
      luaL_checkstack(L, 1, "too many results to unpack");
      switch (c) {
        case 'b':
        case 'c':
        case 'B': {
          if (!r.has(1)) {
            done = true;
            break;
          }
          unsigned v = (unsigned)r.integer(1, f.big);
          if (c == 'B')
            lua_pushboolean(L, v != 0);
          else
            lua_pushnumber(L, c == 'c' ? (lua_Number)(int8_t)v : (lua_Number)v);
          nvalues++;
          break;
        }
        case 'h':
        case 'H': {
          if (!r.has(2)) {
            done = true;
            break;
          }
          unsigned v = (unsigned)r.integer(2, f.big);
          lua_pushnumber(L, c == 'h' ? (lua_Number)(int16_t)v : (lua_Number)v);
          nvalues++;
          break;
        }
        case 'i':
        case 'l':
        case 'I':
        case 'L': {
          if (!r.has(4)) {
            done = true;
            break;
          }
          uint32_t v = (uint32_t)r.integer(4, f.big);
          lua_pushnumber(L, (c == 'i' || c == 'l') ? (lua_Number)(int32_t)v : (lua_Number)v);
          nvalues++;
          break;
        }
        case 'f': {
          if (!r.has(4)) {
            done = true;
            break;
          }
          uint32_t bits = (uint32_t)r.integer(4, f.big);
          float v;
          memcpy(&v, &bits, 4);
          lua_pushnumber(L, (lua_Number)v);
          nvalues++;
          break;
        }
        case 'd':
        case 'n': {
          if (!r.has(8)) {
            done = true;
            break;
          }
          uint64_t bits = r.integer(8, f.big);
          double v;
          memcpy(&v, &bits, 8);
          lua_pushnumber(L, v);
          nvalues++;
          break;
        }
        default: {  // the string letters
          int64_t strLen;
          int unit = wide ? 2 : 1;
          if (c == 'z') {
            if (r.pos >= r.len) {
              done = true;
              break;
            }
            if (!wide) {
              const unsigned char* start = r.d + r.pos;
              const void* z = memchr(start, 0, (size_t)(r.len - r.pos));
              if (z != nullptr) {
                int64_t l = static_cast<const unsigned char*>(z) - start;
                lua_pushlstring(L, reinterpret_cast<const char*>(start), (size_t)l);
                r.pos += l + 1;
              } else {
                // no terminator: the rest is the value, and the position moves one beyond
                // the end of the data
                lua_pushlstring(L, reinterpret_cast<const char*>(start), (size_t)(r.len - r.pos));
                r.pos = r.len + 1;
              }
            } else {
              scratch.clear();
              bool terminated = false;
              while (r.has(2)) {
                lua_WChar u = (lua_WChar)r.integer(2, f.big);
                if (u == 0) {
                  terminated = true;
                  break;
                }
                scratch.push_back(u);
              }
              // as for "z": the whole units are the value (an odd trailing byte is skipped)
              if (!terminated) r.pos = r.len + 1;
              pushUnits(L, scratch);
            }
            nvalues++;
            break;
          }
          if (c == 'A') {
            strLen = aLen;
          } else {
            int psize = c == 'p' ? 1 : c == 'P' ? 2 : 4;
            if (!r.has(psize)) {
              done = true;
              break;
            }
            int64_t save = r.pos;
            strLen = (int64_t)r.integer(psize, f.big);
            if (!r.has(strLen * unit)) {
              r.pos = save;  // the item is not consumed
              done = true;
              break;
            }
          }
          if (!r.has(strLen * unit)) {
            done = true;
            break;
          }
          if (wide) {
            scratch.resize((size_t)strLen);
            for (int64_t u = 0; u < strLen; u++) scratch[(size_t)u] = (lua_WChar)r.integer(2, f.big);
            pushUnits(L, scratch);
          } else {
            lua_pushlstring(L, data + r.pos, (size_t)strLen);
            r.pos += strLen;
          }
          nvalues++;
          break;
        }
      }
    }
  }
  lua_pushnumber(L, (lua_Number)(r.pos + 1));
  lua_replace(L, posSlot);
  return 1 + nvalues;
}

}  // namespace scriptlib
