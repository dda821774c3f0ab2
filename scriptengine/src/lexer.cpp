// Lexical analyser (see lexer.h).
#include "lexer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "do.h"
#include "sstring.h"
#include "state.h"

namespace {

const char* const token2string[] = {
    "and",   "break", "continue", "do", "else",   "elseif",  "end",     "false",    "for",   "function", "if",    "in",
    "local", "nil",   "not",      "or", "repeat", "return",  "then",    "true",     "until", "while",    "*name", "..",
    "...",   "==",    ">=",       "<=", "~=",     "*number", "*string", "*wstring", "<<",    ">>",       "<eof>"};

static_assert(sizeof(token2string) / sizeof(token2string[0]) == TK_EOS - FIRST_RESERVED + 1, "one text per token code");

// Character classes of the "C" locale, on full character codes (a unit of 16-bit source
// above 127 belongs to no class).
inline bool isAsciiDigit(int c) { return c >= '0' && c <= '9'; }
inline bool isAsciiAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isNameChar(int c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '_'; }
inline int hexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the next character: one byte, or one little-endian unit in 16-bit mode.
inline void advance(LexState* ls) {
  ZIO* z = ls->z;
  int c = zgetc(z);
  if (z->wide && c != EOZ) {
    int hi = zgetc(z);
    c = (hi == EOZ) ? EOZ : c + 256 * hi;
  }
  ls->current = c;
}

// Makes room for `extra` more bytes; at least 5 stay free beyond the write position.
// Grows geometrically so that very long tokens cost linear time.
inline void reserve(LexState* ls, size_t extra) {
  Mbuffer* b = ls->buff;
  if (ls->nbuff + extra + 5 > luaZ_sizebuffer(b)) {
    size_t want = ls->nbuff + extra + 32;
    size_t twice = luaZ_sizebuffer(b) * 2;
    luaZ_openspace(ls->L, b, want > twice ? want : twice);
  }
}

// Saves one 8-bit character (the low byte of a 16-bit unit).
inline void save(LexState* ls, int c) {
  reserve(ls, 1);
  luaZ_buffer(ls->buff)[ls->nbuff++] = static_cast<char>(c & 0xFF);
}

// Saves one 16-bit unit (wide literals).
inline void savewide(LexState* ls, int c) {
  reserve(ls, 2);
  lua_WChar u = static_cast<lua_WChar>(c);
  std::memcpy(luaZ_buffer(ls->buff) + ls->nbuff, &u, sizeof u);
  ls->nbuff += 2;
}

inline void save_and_next(LexState* ls) {
  save(ls, ls->current);
  advance(ls);
}

// The token buffer as zero-terminated 8-bit text. A wide literal's buffer reads as text up
// to its first zero byte: the opening quote unit leaves just the quote.
const char* buffertext(LexState* ls) {
  reserve(ls, 1);
  luaZ_buffer(ls->buff)[ls->nbuff] = '\0';
  return luaZ_buffer(ls->buff);
}

[[noreturn]] void raise(LexState* ls, const char* msg, const char* neartext) {
  char src[80];
  luaO_chunkid(src, getstr(ls->source), static_cast<int>(sizeof src));
  luaO_pushfstring(ls->L, "%s:%d: %s near `%s'", src, ls->linenumber, msg, neartext);
  luaD_throw(ls->L, LUA_ERRSYNTAX);
  std::abort();  // luaD_throw never returns
}

[[noreturn]] void lexerror(LexState* ls, const char* msg, int token) {
  if (token == TK_EOS) raise(ls, msg, luaX_token2str(ls, TK_EOS));
  raise(ls, msg, buffertext(ls));
}

[[noreturn]] void charerror(LexState* ls, const char* msg, int c) {
  char near[32];
  std::snprintf(near, sizeof near, "char(%d)", c);
  raise(ls, msg, near);
}

void inclinenumber(LexState* ls) {
  advance(ls);  // skip the line feed
  ++ls->linenumber;
  luaX_checklimit(ls, ls->linenumber, MAX_INT_LIMIT, "lines in a chunk");
}

// Long string or long comment; the opening "[[" is the current character pair's first half
// already consumed up to the second "[" (current == '[').
void read_long_string(LexState* ls, SemInfo* seminfo) {
  int level = 0;
  save(ls, '[');
  save_and_next(ls);  // second '['
  if (ls->current == '\n') inclinenumber(ls);
  for (;;) {
    switch (ls->current) {
      case EOZ: lexerror(ls, seminfo ? "unfinished long string" : "unfinished long comment", TK_EOS);
      case '[':
        save_and_next(ls);
        if (ls->current == '[') {
          level++;
          save_and_next(ls);
        }
        continue;
      case ']':
        save_and_next(ls);
        if (ls->current == ']') {
          if (level == 0) {
            save_and_next(ls);
            if (seminfo) seminfo->ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff) + 2, ls->nbuff - 4);
            return;
          }
          level--;
          save_and_next(ls);
        }
        continue;
      case '\n':
        save(ls, '\n');
        inclinenumber(ls);
        if (!seminfo) ls->nbuff = 0;  // comments keep no text
        continue;
      default: save_and_next(ls);
    }
  }
}

// Reads the escape after a backslash (current is the character after it) into the literal.
// `wide` selects units and four hex digits; returns nothing, saving through `put`.
template <bool Wide> void read_escape(LexState* ls) {
  auto put = [ls](int c) {
    if (Wide)
      savewide(ls, c);
    else
      save(ls, c);
  };
  switch (ls->current) {
    case 'a':
      put('\a');
      advance(ls);
      return;
    case 'b':
      put('\b');
      advance(ls);
      return;
    case 'f':
      put('\f');
      advance(ls);
      return;
    case 'n':
      put('\n');
      advance(ls);
      return;
    case 'r':
      put('\r');
      advance(ls);
      return;
    case 't':
      put('\t');
      advance(ls);
      return;
    case 'v':
      put('\v');
      advance(ls);
      return;
    case '\n':
      put('\n');
      inclinenumber(ls);
      return;
    case EOZ: return;  // the literal's loop reports the unfinished string
    case 'x': {
      advance(ls);
      if (hexValue(ls->current) < 0) {
        put('x');  // not an escape: the letter, and the next character is read normally
        return;
      }
      int value = 0;
      const int maxdigits = Wide ? 4 : 2;
      for (int i = 0; i < maxdigits && hexValue(ls->current) >= 0; i++) {
        value = value * 16 + hexValue(ls->current);
        advance(ls);
      }
      put(value);
      return;
    }
    default:
      if (isAsciiDigit(ls->current)) {
        int value = 0;
        for (int i = 0; i < 3 && isAsciiDigit(ls->current); i++) {
          value = value * 10 + (ls->current - '0');
          advance(ls);
        }
        if (value > 255) lexerror(ls, "escape sequence too large", TK_STRING);
        put(value);
        return;
      }
      put(ls->current);  // backslash, quotes and anything else stand for themselves
      advance(ls);
      return;
  }
}

void read_string(LexState* ls, int del, SemInfo* seminfo) {
  save_and_next(ls);  // opening delimiter, dropped from the value
  while (ls->current != del) {
    switch (ls->current) {
      case EOZ: lexerror(ls, "unfinished string", TK_EOS);
      case '\n': lexerror(ls, "unfinished string", TK_STRING);
      case '\\':
        advance(ls);
        read_escape<false>(ls);
        continue;
      default: save_and_next(ls);
    }
  }
  advance(ls);  // closing delimiter
  seminfo->ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff) + 1, ls->nbuff - 1);
}

// Wide literal L"..." (current is the opening double quote).
void read_wstring(LexState* ls, SemInfo* seminfo) {
  savewide(ls, '"');
  advance(ls);
  while (ls->current != '"') {
    switch (ls->current) {
      case EOZ: lexerror(ls, "unfinished string", TK_EOS);
      case '\n': lexerror(ls, "unfinished string", TK_WSTRING);
      case '\\':
        advance(ls);
        read_escape<true>(ls);
        continue;
      default: savewide(ls, ls->current); advance(ls);
    }
  }
  advance(ls);
  size_t units = ls->nbuff / 2 - 1;
  // The buffer is byte-aligned storage; copy the units out for an aligned view.
  const char* base = luaZ_buffer(ls->buff) + 2;
  if ((reinterpret_cast<uintptr_t>(base) % alignof(lua_WChar)) == 0) {
    seminfo->ts = luaS_newlwstr(ls->L, reinterpret_cast<const lua_WChar*>(base), units);
  } else {
    reserve(ls, 2);
    std::memmove(luaZ_buffer(ls->buff), base, units * 2);
    seminfo->ts = luaS_newlwstr(ls->L, reinterpret_cast<const lua_WChar*>(luaZ_buffer(ls->buff)), units);
  }
}

void read_numeral(LexState* ls, bool leadingpoint, SemInfo* seminfo) {
  bool hasPointOrExp = leadingpoint;
  if (ls->current == '0') {
    save_and_next(ls);
    if (ls->current == 'x') {
      save_and_next(ls);
      // ".0x" never starts a numeral, and "0x" needs at least one hexadecimal digit.
      if (leadingpoint || hexValue(ls->current) < 0) lexerror(ls, "malformed number", TK_NUMBER);
      lu_int32 value = 0;
      for (int i = 0; i < 8 && hexValue(ls->current) >= 0; i++) {
        value = value * 16u + static_cast<lu_int32>(hexValue(ls->current));
        save_and_next(ls);
      }
      seminfo->r = static_cast<lua_Number>(value);
      return;
    }
  }
  while (isAsciiDigit(ls->current)) save_and_next(ls);
  if (ls->current == '.') {
    hasPointOrExp = true;
    save_and_next(ls);
    if (ls->current == '.') {
      save_and_next(ls);
      lexerror(ls, "ambiguous syntax (decimal point x string concatenation)", TK_NUMBER);
    }
  }
  while (isAsciiDigit(ls->current)) save_and_next(ls);
  if (ls->current == 'e' || ls->current == 'E') {
    hasPointOrExp = true;
    save_and_next(ls);
    if (ls->current == '+' || ls->current == '-') save_and_next(ls);
    while (isAsciiDigit(ls->current)) save_and_next(ls);
  }
  if (!luaO_str2d(buffertext(ls), &seminfo->r))
    lexerror(ls, hasPointOrExp ? "malformed number" : "malformed integer", TK_NUMBER);
}

}  // namespace

void luaX_init(lua_State* L) {
  for (int i = 0; i < NUM_RESERVED; i++) {
    TString* ts = luaS_new(L, token2string[i]);
    luaS_fix(ts);
    ts->reserved = static_cast<lu_byte>(i + 1);
  }
}

const char* luaX_token2str(LexState* ls, int token) {
  if (token < FIRST_RESERVED) return luaO_pushfstring(ls->L, "%c", token);
  return token2string[token - FIRST_RESERVED];
}

void luaX_checklimit(LexState* ls, int val, int limit, const char* msg) {
  if (val > limit) {
    msg = luaO_pushfstring(ls->L, "too many %s (limit=%d)", msg, limit);
    luaX_syntaxerror(ls, msg);
  }
}

void luaX_syntaxerror(LexState* ls, const char* msg) {
  const char* near;
  switch (ls->t.token) {
    case TK_NAME: near = getstr(ls->t.seminfo.ts); break;
    case TK_STRING:
    case TK_NUMBER: near = buffertext(ls); break;
    default: near = luaX_token2str(ls, ls->t.token); break;
  }
  raise(ls, msg, near);
}

void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source) {
  ls->L = L;
  ls->lookahead.token = TK_EOS;
  ls->z = z;
  ls->fs = nullptr;
  ls->linenumber = 1;
  ls->lastline = 1;
  ls->source = source;
  ls->nbuff = 0;
  ls->widebuf = 0;
  advance(ls);
  if (ls->current == '#') {  // a first line starting with '#' is skipped
    while (ls->current != '\n' && ls->current != EOZ) advance(ls);
  }
}

int luaX_lex(LexState* ls, SemInfo* seminfo) {
  for (;;) {
    ls->nbuff = 0;
    switch (ls->current) {
      case '\n': inclinenumber(ls); continue;
      case '\t':
      case '\v':
      case '\f':
      case '\r':
      case ' ': advance(ls); continue;
      case '-':
        advance(ls);
        if (ls->current != '-') return '-';
        advance(ls);
        if (ls->current == '[') {
          advance(ls);
          if (ls->current == '[') {
            read_long_string(ls, nullptr);
            continue;
          }
        }
        while (ls->current != '\n' && ls->current != EOZ) advance(ls);
        continue;
      case '[':
        advance(ls);
        if (ls->current != '[') return '[';
        read_long_string(ls, seminfo);
        return TK_STRING;
      case '=':
        advance(ls);
        if (ls->current != '=') return '=';
        advance(ls);
        return TK_EQ;
      case '<':
        advance(ls);
        if (ls->current == '<') {
          advance(ls);
          return TK_SHL;
        }
        if (ls->current == '=') {
          advance(ls);
          return TK_LE;
        }
        return '<';
      case '>':
        advance(ls);
        if (ls->current == '>') {
          advance(ls);
          return TK_SHR;
        }
        if (ls->current == '=') {
          advance(ls);
          return TK_GE;
        }
        return '>';
      case '~':
        advance(ls);
        if (ls->current != '=') return '~';
        advance(ls);
        return TK_NE;
      case '"':
      case '\'': read_string(ls, ls->current, seminfo); return TK_STRING;
      case '.':
        save_and_next(ls);
        if (ls->current == '.') {
          advance(ls);
          if (ls->current == '.') {
            advance(ls);
            return TK_DOTS;
          }
          return TK_CONCAT;
        }
        if (!isAsciiDigit(ls->current)) return '.';
        read_numeral(ls, true, seminfo);
        return TK_NUMBER;
      case EOZ: return TK_EOS;
      default: {
        int c = ls->current;
        if (isAsciiDigit(c)) {
          read_numeral(ls, false, seminfo);
          return TK_NUMBER;
        }
        if (isAsciiAlpha(c) || c == '_') {
          if (c == 'L') {
            advance(ls);
            if (ls->current == '"') {
              read_wstring(ls, seminfo);
              return TK_WSTRING;
            }
            save(ls, 'L');
          }
          while (isNameChar(ls->current)) save_and_next(ls);
          TString* ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff), ls->nbuff);
          if (ts->reserved > 0) return ts->reserved - 1 + FIRST_RESERVED;
          seminfo->ts = ts;
          return TK_NAME;
        }
        if (c >= 255) charerror(ls, "invalid wide char", c);
        if (c < 32 || c == 127) charerror(ls, "invalid control char", c);
        advance(ls);
        return c;  // single-character token
      }
    }
  }
}
