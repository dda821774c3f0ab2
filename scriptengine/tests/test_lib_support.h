// Fixture for the library tests: a state with base, string and table opened, and a way to call
// any library function through the C interface with plain values and read back its results.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"

namespace libtest {

// A script value as the tests see it. Tables, functions and the like are kept as their type.
struct V {
  int type = LUA_TNIL;
  double n = 0;
  bool b = false;
  std::string s;
  std::u16string w;

  bool operator==(const V& o) const {
    if (type != o.type) return false;
    switch (type) {
      case LUA_TNUMBER: return n == o.n || (n != n && o.n != o.n);
      case LUA_TBOOLEAN: return b == o.b;
      case LUA_TSTRING: return s == o.s;
      case LUA_TWSTRING: return w == o.w;
      default: return true;
    }
  }
  bool operator!=(const V& o) const { return !(*this == o); }
};

inline V Nil() { return V{}; }
inline V N(double n) {
  V v;
  v.type = LUA_TNUMBER;
  v.n = n;
  return v;
}
inline V B(bool b) {
  V v;
  v.type = LUA_TBOOLEAN;
  v.b = b;
  return v;
}
inline V S(std::string s) {
  V v;
  v.type = LUA_TSTRING;
  v.s = std::move(s);
  return v;
}
inline V W(std::u16string w) {
  V v;
  v.type = LUA_TWSTRING;
  v.w = std::move(w);
  return v;
}
inline V T(int type) {
  V v;
  v.type = type;
  return v;
}  // any value of that type
inline V None() {
  V v;
  v.type = LUA_TNONE;
  return v;
}  // an absent argument (stops the list)

inline std::ostream& operator<<(std::ostream& os, const V& v) {
  switch (v.type) {
    case LUA_TNIL: return os << "nil";
    case LUA_TNUMBER: return os << v.n;
    case LUA_TBOOLEAN: return os << (v.b ? "true" : "false");
    case LUA_TSTRING: {
      os << '"';
      for (unsigned char c : v.s) {
        if (c >= 32 && c < 127)
          os << c;
        else
          os << "\\" << (int)c;
      }
      return os << '"';
    }
    case LUA_TWSTRING: {
      os << "L\"";
      for (char16_t c : v.w) {
        if (c >= 32 && c < 127)
          os << (char)c;
        else
          os << "\\u" << (int)c;
      }
      return os << '"';
    }
    default: return os << "<type " << v.type << ">";
  }
}

struct Result {
  int status = 0;
  std::vector<V> values;
  std::string error;
};

inline void push(lua_State* L, const V& v) {
  switch (v.type) {
    case LUA_TNIL: lua_pushnil(L); break;
    case LUA_TNUMBER: lua_pushnumber(L, v.n); break;
    case LUA_TBOOLEAN: lua_pushboolean(L, v.b); break;
    case LUA_TSTRING: lua_pushlstring(L, v.s.data(), v.s.size()); break;
    case LUA_TWSTRING: lua_pushlwstring(L, reinterpret_cast<const lua_WChar*>(v.w.data()), v.w.size()); break;
    case LUA_TTABLE: lua_newtable(L); break;
    default: lua_pushnil(L); break;
  }
}

inline V read(lua_State* L, int idx) {
  V v;
  v.type = lua_type(L, idx);
  switch (v.type) {
    case LUA_TNUMBER: v.n = lua_tonumber(L, idx); break;
    case LUA_TBOOLEAN: v.b = lua_toboolean(L, idx) != 0; break;
    case LUA_TSTRING: v.s.assign(lua_tostring(L, idx), lua_strlen(L, idx)); break;
    case LUA_TWSTRING: {
      const lua_WChar* w = lua_towstring(L, idx);
      v.w.assign(reinterpret_cast<const char16_t*>(w), lua_strlen(L, idx));
      break;
    }
    default: break;
  }
  return v;
}

// Pushes the value at a dotted global path such as "string.find".
inline void pushPath(lua_State* L, const std::string& path) {
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t dot = path.find('.', pos);
    if (dot == std::string::npos) dot = path.size();
    std::string part = path.substr(pos, dot - pos);
    lua_pushlstring(L, part.data(), part.size());
    lua_gettable(L, -2);
    lua_remove(L, -2);
    pos = dot + 1;
  }
}

class LibTest : public ::testing::Test {
protected:
  lua_State* L = nullptr;

  void SetUp() override {
    L = lua_open();
    ASSERT_NE(L, nullptr);
    luaopen_stdlibs(L);
    ASSERT_EQ(lua_gettop(L), 0);
  }
  void TearDown() override {
    if (L) lua_close(L);
  }

  // Calls the function at `path` in protected mode with the arguments (a None() ends the list
  // early, so absent arguments can be told from nil).
  Result call(const std::string& path, std::vector<V> args = {}) {
    Result r;
    int base = lua_gettop(L);
    pushPath(L, path);
    int nargs = 0;
    for (const V& a : args) {
      if (a.type == LUA_TNONE) break;
      push(L, a);
      nargs++;
    }
    r.status = lua_pcall(L, nargs, LUA_MULTRET, 0);
    int top = lua_gettop(L);
    if (r.status != 0) {
      const char* m = lua_tostring(L, -1);
      r.error = m ? m : "(not a string)";
    } else {
      for (int i = base + 1; i <= top; i++) r.values.push_back(read(L, i));
    }
    lua_settop(L, base);
    return r;
  }

  // Results of a call that must succeed.
  std::vector<V> ok(const std::string& path, std::vector<V> args = {}) {
    Result r = call(path, std::move(args));
    EXPECT_EQ(r.status, 0) << path << ": " << r.error;
    return r.values;
  }

  // The message of a call that must fail.
  std::string fails(const std::string& path, std::vector<V> args = {}) {
    Result r = call(path, std::move(args));
    EXPECT_NE(r.status, 0) << path << " did not fail";
    return r.error;
  }
};

inline std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += (char)c;
  return s;
}

}  // namespace libtest
