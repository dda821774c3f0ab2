// Pattern matching for string.find, string.gfind and string.gsub: a backtracking matcher over
// byte strings with classes, sets, quantifiers, captures, back-references, balances and
// frontiers. Every scan of the pattern is bounded by its length, and the matcher's recursion
// is bounded so that no pattern can exhaust the native stack.
#include <cstring>

#include "libutil.h"
#include "scriptengine/auxlib.h"
#include "strlib_internal.h"

using namespace scriptlib;

namespace {

const int kMaxCaptures = 32;
const int kMaxMatchDepth = 200;  // the native-call limit of the engine
const char kEsc = '%';
const char* const kSpecials = "^$*+?.([%-";

const long kCapUnfinished = -1;
const long kCapPosition = -2;

struct MatchState {
  const char* srcInit;  // subject
  const char* srcEnd;   // one past its last byte
  const char* patEnd;   // one past the pattern's last byte
  lua_State* L;
  int level;  // captures opened so far
  int depth;  // active matcher recursion
  struct {
    const char* init;
    long len;
  } capture[kMaxCaptures];
};

// Pattern byte at p, or 0 at and beyond the pattern's end (where a 0 terminator would sit).
inline int pat(const MatchState* ms, const char* p) { return p < ms->patEnd ? (unsigned char)*p : 0; }

int checkCapture(MatchState* ms, int l) {
  l -= '1';
  if (l < 0 || l >= ms->level || ms->capture[l].len == kCapUnfinished)
    return luaL_error(ms->L, "invalid capture index");
  return l;
}

int captureToClose(MatchState* ms) {
  int level = ms->level;
  for (level--; level >= 0; level--)
    if (ms->capture[level].len == kCapUnfinished) return level;
  return luaL_error(ms->L, "invalid pattern capture");
}

const char* classEnd(MatchState* ms, const char* p) {
  int c = pat(ms, p);
  p++;
  if (c == kEsc) {
    if (p >= ms->patEnd) luaL_error(ms->L, "malformed pattern (ends with `%%')");
    return p + 1;
  }
  if (c == '[') {
    if (pat(ms, p) == '^') p++;
    do {  // look for a `]'; the first byte of the set is taken even when it is one
      if (p >= ms->patEnd) luaL_error(ms->L, "malformed pattern (missing `]')");
      if (*(p++) == kEsc && p < ms->patEnd) p++;
    } while (pat(ms, p) != ']');
    return p + 1;
  }
  return p;
}

// For each class letter (%a, %d, ... and their upper-case complements): the character-table
// bits that make up the class, and whether the letter is the complement.
struct ClassLetters {
  uint8_t mask[256];
  bool complement[256];
  constexpr ClassLetters() : mask(), complement() {
    const char letters[] = "acdlpsuwx";
    const uint8_t masks[] = {
        kCtlAlpha, kCtlCntrl, kCtlDigit, kCtlLower, kCtlPunct, kCtlSpace, kCtlUpper, kCtlAlpha | kCtlDigit, kCtlXDigit};
    for (int i = 0; i < 9; i++) {
      mask[(unsigned char)letters[i]] = masks[i];
      mask[(unsigned char)letters[i] - 'a' + 'A'] = masks[i];
      complement[(unsigned char)letters[i] - 'a' + 'A'] = true;
    }
  }
};
constexpr ClassLetters kClassLetters{};

inline bool matchClass(int c, int cl) {
  uint8_t m = kClassLetters.mask[cl & 255];
  if (m != 0) return ((kCharTable.bits[c & 255] & m) != 0) != kClassLetters.complement[cl & 255];
  if (cl == 'z') return c == 0;
  if (cl == 'Z') return c != 0;
  return cl == c;
}

// p points at the `[' of a set, ec at its closing `]'.
bool matchBracketClass(int c, const char* p, const char* ec) {
  bool sig = true;
  if ((unsigned char)p[1] == '^') {
    sig = false;
    p++;
  }
  while (++p < ec) {
    if (*p == kEsc) {
      p++;
      if (matchClass(c, (unsigned char)*p)) return sig;
    } else if (p + 2 < ec && p[1] == '-') {
      p += 2;
      if ((unsigned char)p[-2] <= c && c <= (unsigned char)*p) return sig;
    } else if ((unsigned char)*p == c) {
      return sig;
    }
  }
  return !sig;
}

inline bool singleMatch(MatchState* ms, int c, const char* p, const char* ep) {
  switch (pat(ms, p)) {
    case '.': return true;
    case kEsc: return matchClass(c, pat(ms, p + 1));
    case '[': return matchBracketClass(c, p, ep - 1);
    default: return (unsigned char)*p == c;
  }
}

const char* match(MatchState* ms, const char* s, const char* p);

const char* matchBalance(MatchState* ms, const char* s, const char* p) {
  if (p + 1 >= ms->patEnd) luaL_error(ms->L, "unbalanced pattern");
  if (s >= ms->srcEnd || *s != *p) return nullptr;
  int b = *p;
  int e = p[1];
  int cont = 1;
  while (++s < ms->srcEnd) {
    if (*s == e) {
      if (--cont == 0) return s + 1;
    } else if (*s == b) {
      cont++;
    }
  }
  return nullptr;
}

const char* maxExpand(MatchState* ms, const char* s, const char* p, const char* ep) {
  ptrdiff_t i = 0;
  while (s + i < ms->srcEnd && singleMatch(ms, (unsigned char)s[i], p, ep)) i++;
  while (i >= 0) {  // try with the longest run first, then shorter ones
    const char* res = match(ms, s + i, ep + 1);
    if (res) return res;
    i--;
  }
  return nullptr;
}

const char* minExpand(MatchState* ms, const char* s, const char* p, const char* ep) {
  for (;;) {
    const char* res = match(ms, s, ep + 1);
    if (res != nullptr) return res;
    if (s < ms->srcEnd && singleMatch(ms, (unsigned char)*s, p, ep))
      s++;
    else
      return nullptr;
  }
}

const char* startCapture(MatchState* ms, const char* s, const char* p, long what) {
  if (ms->level >= kMaxCaptures) luaL_error(ms->L, "too many captures");
  ms->capture[ms->level].init = s;
  ms->capture[ms->level].len = what;
  ms->level++;
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->level--;  // undo the capture
  return res;
}

const char* endCapture(MatchState* ms, const char* s, const char* p) {
  int l = captureToClose(ms);
  ms->capture[l].len = (long)(s - ms->capture[l].init);
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->capture[l].len = kCapUnfinished;
  return res;
}

const char* matchCapture(MatchState* ms, const char* s, int l) {
  l = checkCapture(ms, l);
  long len = ms->capture[l].len;
  if (len == kCapPosition) luaL_error(ms->L, "invalid capture index");
  if (ms->srcEnd - s >= len && memcmp(ms->capture[l].init, s, (size_t)len) == 0) return s + len;
  return nullptr;
}

struct DepthGuard {
  MatchState* ms;
  explicit DepthGuard(MatchState* m) : ms(m) {
    if (++ms->depth > kMaxMatchDepth) luaL_error(ms->L, "pattern too complex");
  }
  ~DepthGuard() { ms->depth--; }
};

const char* match(MatchState* ms, const char* s, const char* p) {
  DepthGuard guard(ms);
  for (;;) {
    if (p >= ms->patEnd) return s;  // end of pattern
    switch ((unsigned char)*p) {
      case '(':
        if (pat(ms, p + 1) == ')') return startCapture(ms, s, p + 2, kCapPosition);
        return startCapture(ms, s, p + 1, kCapUnfinished);
      case ')': return endCapture(ms, s, p + 1);
      case kEsc: {
        int next = pat(ms, p + 1);
        if (next == 'b') {
          s = matchBalance(ms, s, p + 2);
          if (s == nullptr) return nullptr;
          p += 4;
          continue;
        }
        if (next == 'f') {
          p += 2;
          if (pat(ms, p) != '[') luaL_error(ms->L, "missing `[' after `%%f' in pattern");
          const char* ep = classEnd(ms, p);
          int prev = (s == ms->srcInit) ? 0 : (unsigned char)s[-1];
          int cur = (s < ms->srcEnd) ? (unsigned char)*s : 0;
          if (matchBracketClass(prev, p, ep - 1) || !matchBracketClass(cur, p, ep - 1)) return nullptr;
          p = ep;
          continue;
        }
        if (p + 1 < ms->patEnd && cIsDigit(next)) {
          s = matchCapture(ms, s, next);
          if (s == nullptr) return nullptr;
          p += 2;
          continue;
        }
        break;  // an ordinary single-byte item
      }
      case '$':
        if (p + 1 == ms->patEnd) return (s == ms->srcEnd) ? s : nullptr;
        break;
      default: break;
    }
    const char* ep = classEnd(ms, p);
    bool m = s < ms->srcEnd && singleMatch(ms, (unsigned char)*s, p, ep);
    switch (pat(ms, ep)) {
      case '?':
        if (ep < ms->patEnd) {
          if (m) {
            const char* res = match(ms, s + 1, ep + 1);
            if (res != nullptr) return res;
          }
          p = ep + 1;
          continue;
        }
        break;
      case '*':
        if (ep < ms->patEnd) return maxExpand(ms, s, p, ep);
        break;
      case '+':
        if (ep < ms->patEnd) return m ? maxExpand(ms, s + 1, p, ep) : nullptr;
        break;
      case '-':
        if (ep < ms->patEnd) return minExpand(ms, s, p, ep);
        break;
      default: break;
    }
    if (!m) return nullptr;
    s++;
    p = ep;
  }
}

// The pattern's first single-byte item when every match must begin with a byte it accepts
// (it is not optional and nothing but captures stands before it): positions whose byte it
// rejects cannot start a match and are skipped without running the matcher.
struct FirstItem {
  const char* p = nullptr;   // the item
  const char* ep = nullptr;  // just past it
  int literal = -1;          // the byte, when the item is one plain byte
};

bool firstItem(MatchState* ms, const char* p, FirstItem* f) {
  for (int k = 0; k < 4 && p < ms->patEnd && *p == '('; k++) p += pat(ms, p + 1) == ')' ? 2 : 1;
  if (p >= ms->patEnd) return false;
  int c = (unsigned char)*p;
  if (c == '(' || c == ')' || c == '.' || (c == '$' && p + 1 == ms->patEnd)) return false;
  if (c == kEsc) {
    int next = pat(ms, p + 1);
    if (p + 1 >= ms->patEnd || next == 'b' || next == 'f' || cIsDigit(next)) return false;
  }
  const char* ep = classEnd(ms, p);  // a malformed item raises here as at the first attempt
  int q = pat(ms, ep);
  if (ep < ms->patEnd && (q == '*' || q == '?' || q == '-')) return false;
  f->p = p;
  f->ep = ep;
  f->literal = (c != kEsc && c != '[') ? c : -1;
  return true;
}

// The first position at or after s whose byte the first item accepts (the subject's end if none).
const char* skipToCandidate(MatchState* ms, const FirstItem& f, const char* s) {
  if (f.literal >= 0) {
    const void* r = memchr(s, f.literal, (size_t)(ms->srcEnd - s));
    return r != nullptr ? static_cast<const char*>(r) : ms->srcEnd;
  }
  while (s < ms->srcEnd && !singleMatch(ms, (unsigned char)*s, f.p, f.ep)) s++;
  return s;
}

const char* memFind(const char* s1, size_t l1, const char* s2, size_t l2) {
  if (l2 == 0) return s1;  // the empty string is everywhere
  if (l2 > l1) return nullptr;
  l2--;  // the first byte is found with memchr
  l1 = l1 - l2;
  while (l1 > 0) {
    const char* init = static_cast<const char*>(memchr(s1, *s2, l1));
    if (init == nullptr) return nullptr;
    init++;
    if (memcmp(init, s2 + 1, l2) == 0) return init - 1;
    l1 -= (size_t)(init - s1);
    s1 = init;
  }
  return nullptr;
}

void pushOneCapture(MatchState* ms, int i, const char* s, const char* e) {
  if (i >= ms->level) {
    if (i == 0)  // no explicit captures: the whole match
      lua_pushlstring(ms->L, s, (size_t)(e - s));
    else
      luaL_error(ms->L, "invalid capture index");
    return;
  }
  long l = ms->capture[i].len;
  if (l == kCapUnfinished) luaL_error(ms->L, "unfinished capture");
  if (l == kCapPosition)
    lua_pushnumber(ms->L, (lua_Number)(ms->capture[i].init - ms->srcInit + 1));
  else
    lua_pushlstring(ms->L, ms->capture[i].init, (size_t)l);
}

// Appends capture i (as pushOneCapture would push it) to the buffer; text captures are copied
// straight from the subject instead of becoming strings first.
void addOneCapture(MatchState* ms, luaL_Buffer* b, int i, const char* s, const char* e) {
  const char* text;
  size_t l;
  if (i >= ms->level) {
    if (i != 0) luaL_error(ms->L, "invalid capture index");
    text = s;  // no explicit captures: the whole match
    l = (size_t)(e - s);
  } else {
    long cl = ms->capture[i].len;
    if (cl == kCapUnfinished) luaL_error(ms->L, "unfinished capture");
    if (cl == kCapPosition) {
      pushOneCapture(ms, i, s, e);
      luaL_addvalue(b);
      return;
    }
    text = ms->capture[i].init;
    l = (size_t)cl;
  }
  luaL_addlstring(b, text, l);
}

int pushCaptures(MatchState* ms, const char* s, const char* e) {
  int nlevels = (ms->level == 0 && s) ? 1 : ms->level;
  luaL_checkstack(ms->L, nlevels, "too many captures");
  for (int i = 0; i < nlevels; i++) pushOneCapture(ms, i, s, e);
  return nlevels;
}

void initState(MatchState* ms, lua_State* L, const char* s, size_t ls, const char* p, size_t lp) {
  ms->L = L;
  ms->srcInit = s;
  ms->srcEnd = s + ls;
  ms->patEnd = p + lp;
  ms->level = 0;
  ms->depth = 0;
}

bool hasSpecials(const char* p, size_t lp) {
  for (size_t i = 0; i < lp; i++)
    if (p[i] != 0 && strchr(kSpecials, p[i]) != nullptr) return true;
  return false;
}

int gfindAux(lua_State* L) {
  MatchState ms;
  size_t ls, lp;
  const char* s = lua_tostring(L, lua_upvalueindex(1));
  ls = lua_strlen(L, lua_upvalueindex(1));
  const char* p = lua_tostring(L, lua_upvalueindex(2));
  lp = lua_strlen(L, lua_upvalueindex(2));
  initState(&ms, L, s, ls, p, lp);
  uint32_t offset = luaL_numtouint(lua_tonumber(L, lua_upvalueindex(3)));
  if (offset > ls) return 0;
  for (const char* src = s + offset; src <= ms.srcEnd; src++) {
    ms.level = 0;
    ms.depth = 0;
    const char* e = match(&ms, src, p);
    if (e != nullptr) {
      size_t newstart = (size_t)(e - s);
      if (e == src) newstart++;  // an empty match moves on by one
      lua_pushnumber(L, (lua_Number)newstart);
      lua_replace(L, lua_upvalueindex(3));
      return pushCaptures(&ms, src, e);
    }
  }
  return 0;
}

void addReplacement(MatchState* ms, luaL_Buffer* b, const char* s, const char* e) {
  lua_State* L = ms->L;
  int rt = lua_type(L, 3);
  if (rt == LUA_TFUNCTION) {
    lua_pushvalue(L, 3);
    int n = pushCaptures(ms, s, e);
    lua_call(L, n, 1);
    if (lua_isstring(L, -1))
      luaL_addvalue(b);  // a wide result raises the concatenation error
    else
      lua_pop(L, 1);
    return;
  }
  if (rt == LUA_TWSTRING) {  // no narrow text exists: the buffer raises the kind error
    lua_pushvalue(L, 3);
    luaL_addvalue(b);
    return;
  }
  const char* news = lua_tostring(L, 3);
  size_t l = lua_strlen(L, 3);
  for (size_t i = 0; i < l; i++) {
    if (news[i] != kEsc) {
      luaL_putchar(b, news[i]);
      continue;
    }
    i++;
    // "%" at the very end takes the replacement's terminating zero byte, and the copy ends.
    int c = i < l ? (unsigned char)news[i] : 0;
    if (!cIsDigit(c)) {
      luaL_putchar(b, c);
    } else {
      int level = checkCapture(ms, c);
      addOneCapture(ms, b, level, s, e);
    }
  }
}

}  // namespace

namespace scriptlib {

int strFind(lua_State* L) {
  size_t l1, l2;
  const char* s = luaL_checklstring(L, 1, &l1);
  const char* p = luaL_checklstring(L, 2, &l2);
  int64_t init = posRelative(luaL_optlong(L, 3, 1), l1) - 1;
  if (init < 0)
    init = 0;
  else if ((size_t)init > l1)
    init = (int64_t)l1;
  if (lua_toboolean(L, 4) || !hasSpecials(p, l2)) {  // a plain search
    const char* s2 = memFind(s + init, l1 - (size_t)init, p, l2);
    if (s2) {
      lua_pushnumber(L, (lua_Number)(s2 - s + 1));
      lua_pushnumber(L, (lua_Number)(s2 - s + (ptrdiff_t)l2));
      return 2;
    }
  } else {
    MatchState ms;
    bool anchor = l2 > 0 && *p == '^';
    if (anchor) {
      p++;
      l2--;
    }
    const char* s1 = s + init;
    initState(&ms, L, s, l1, p, l2);
    FirstItem first;
    bool skip = !anchor && firstItem(&ms, p, &first);
    do {
      if (skip) {
        s1 = skipToCandidate(&ms, first, s1);
        if (s1 >= ms.srcEnd) break;  // the first item needs a byte
      }
      ms.level = 0;
      ms.depth = 0;
      const char* e = match(&ms, s1, p);
      if (e != nullptr) {
        lua_pushnumber(L, (lua_Number)(s1 - s + 1));
        lua_pushnumber(L, (lua_Number)(e - s));
        return pushCaptures(&ms, nullptr, nullptr) + 2;
      }
    } while (s1++ < ms.srcEnd && !anchor);
  }
  lua_pushnil(L);
  return 1;
}

int strGfind(lua_State* L) {
  luaL_checkstring(L, 1);
  luaL_checkstring(L, 2);
  lua_settop(L, 2);
  lua_pushnumber(L, 0);
  lua_pushcclosure(L, gfindAux, 3);
  return 1;
}

int strGsub(lua_State* L) {
  size_t srcl, lp;
  const char* src = luaL_checklstring(L, 1, &srcl);
  const char* p = luaL_checklstring(L, 2, &lp);
  int64_t maxS = luaL_optlong(L, 4, (lua_Number)srcl + 1);
  bool anchor = lp > 0 && *p == '^';
  if (anchor) {
    p++;
    lp--;
  }
  int rt = lua_type(L, 3);
  luaL_argcheck(L, lua_gettop(L) >= 3 && (lua_isstring(L, 3) || rt == LUA_TFUNCTION), 3, "string or function expected");
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  MatchState ms;
  initState(&ms, L, src, srcl, p, lp);
  int64_t n = 0;
  FirstItem first;
  bool skip = maxS > 0 && !anchor && firstItem(&ms, p, &first);
  while (n < maxS) {
    if (skip) {  // copy the bytes that cannot start a match in one piece
      const char* c = skipToCandidate(&ms, first, src);
      luaL_addlstring(&b, src, (size_t)(c - src));
      src = c;
      if (src >= ms.srcEnd) break;
    }
    ms.level = 0;
    ms.depth = 0;
    const char* e = match(&ms, src, p);
    if (e != nullptr) {
      n++;
      addReplacement(&ms, &b, src, e);
    }
    if (e != nullptr && e > src)
      src = e;
    else if (src < ms.srcEnd)
      luaL_putchar(&b, *src++);
    else
      break;
    if (anchor) break;
  }
  luaL_addlstring(&b, src, (size_t)(ms.srcEnd - src));
  luaL_pushresult(&b);
  lua_pushnumber(L, (lua_Number)n);
  return 2;
}

}  // namespace scriptlib
