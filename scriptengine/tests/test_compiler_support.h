// Shared fixture of the compiler and bytecode tests: a state whose global `emit` appends its
// arguments to an output text, helpers to load source (8-bit or UTF-16LE), dump and reload
// chunks, and to reach the compiled prototype.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "object.h"
#include "scriptengine/api.h"
#include "state.h"
#if __has_include("scriptengine/libs.h")
#include "scriptengine/libs.h"
#define COMPILER_TESTS_HAVE_LIBS 1
#endif

namespace scripttest {

// The text of one value as `emit` writes it: numbers by %.14g, wide strings as L"..." with
// non-ASCII units as \xNNNN.
inline std::string ValueText(lua_State* L, int idx) {
  char buf[64];
  switch (lua_type(L, idx)) {
    case LUA_TNIL: return "nil";
    case LUA_TBOOLEAN: return lua_toboolean(L, idx) ? "true" : "false";
    case LUA_TNUMBER: std::snprintf(buf, sizeof buf, "%.14g", lua_tonumber(L, idx)); return buf;
    case LUA_TSTRING: return std::string(lua_tostring(L, idx), lua_strlen(L, idx));
    case LUA_TWSTRING: {
      const lua_WChar* w = lua_towstring(L, idx);
      size_t n = lua_strlen(L, idx);
      std::string out = "L\"";
      for (size_t i = 0; i < n; i++) {
        if (w[i] >= 32 && w[i] < 127) {
          out += static_cast<char>(w[i]);
        } else {
          std::snprintf(buf, sizeof buf, "\\x%04X", static_cast<unsigned>(w[i]));
          out += buf;
        }
      }
      return out + "\"";
    }
    default: return lua_typename(L, lua_type(L, idx));
  }
}

class ScriptState {
public:
  explicit ScriptState(bool withLibs = true) {
    L_ = lua_open();
#ifdef COMPILER_TESTS_HAVE_LIBS
    if (withLibs) luaopen_stdlibs(L_);
#else
    (void)withLibs;
#endif
    lua_settop(L_, 0);
    lua_pushlightuserdata(L_, &out_);
    lua_pushcclosure(L_, &Emit, 1);
    lua_pushvalue(L_, -1);
    lua_setglobal_(L_, "emit");
    lua_setglobal_(L_, "print");  // the tests capture print as well
    // Power needs a global handler; keep it simple and exact for small integer exponents.
    Load("function __pow(a, b) local r = 1 for i = 1, b do r = r * a end return r end");
    lua_pcall(L_, 0, 0, 0);
    lua_settop(L_, 0);
    out_.clear();
  }
  ~ScriptState() { lua_close(L_); }
  ScriptState(const ScriptState&) = delete;
  ScriptState& operator=(const ScriptState&) = delete;

  lua_State* L() const { return L_; }
  std::string& out() { return out_; }

  // Loads a chunk (pushing the function or the message); `blocksize` > 0 hands the reader's
  // data out in blocks of that many bytes.
  int Load(const std::string& chunk, const char* name = "=test", size_t blocksize = 0) {
    Reader r{&chunk, 0, blocksize};
    return lua_load(L_, &Reader::Read, &r, name);
  }

  // Loads and runs; returns the captured output, or "error N: message".
  std::string Run(const std::string& chunk, const char* name = "=test") {
    out_.clear();
    int status = Load(chunk, name);
    if (status == 0) status = lua_pcall(L_, 0, 0, 0);
    std::string result = out_;
    if (status != 0) result += "error " + std::to_string(status) + ": " + TopText();
    lua_settop(L_, 0);
    return result;
  }

  // Message of a failed load (empty when the load succeeded).
  std::string LoadError(const std::string& chunk, const char* name = "=test") {
    int status = Load(chunk, name);
    std::string r = status == 0 ? std::string() : TopText();
    if (status != 0 && status != LUA_ERRSYNTAX) r = "status " + std::to_string(status) + ": " + r;
    lua_settop(L_, 0);
    return r;
  }

  std::string TopText() {
    const char* s = lua_tostring(L_, -1);
    return s ? s : "(no message)";
  }

  // The prototype of the script function on top of the stack.
  const Proto* TopProto() {
    const TObject* o = L_->top - 1;
    if (!ttisfunction(o) || clvalue(o)->isC) return nullptr;
    return clLvalue(o)->p;
  }

  // Dumps the function on top (left in place).
  std::string Dump() {
    std::string bytes;
    lua_dump(L_, &Writer, &bytes);
    return bytes;
  }

private:
  struct Reader {
    const std::string* text;
    size_t pos;
    size_t block;
    static const char* Read(lua_State*, void* data, size_t* size) {
      Reader* r = static_cast<Reader*>(data);
      size_t left = r->text->size() - r->pos;
      size_t n = (r->block == 0 || r->block > left) ? left : r->block;
      *size = n;
      if (n == 0) return nullptr;
      const char* p = r->text->data() + r->pos;
      r->pos += n;
      return p;
    }
  };

  static int Writer(lua_State*, const void* p, size_t sz, void* ud) {
    static_cast<std::string*>(ud)->append(static_cast<const char*>(p), sz);
    return 0;
  }

  static void lua_setglobal_(lua_State* L, const char* name) {
    lua_pushstring(L, name);
    lua_insert(L, -2);
    lua_settable(L, LUA_GLOBALSINDEX);
  }

  static int Emit(lua_State* L) {
    std::string* out = static_cast<std::string*>(lua_touserdata(L, lua_upvalueindex(1)));
    int n = lua_gettop(L);
    for (int i = 1; i <= n; i++) {
      if (i > 1) *out += ' ';
      *out += ValueText(L, i);
    }
    *out += '\n';
    return 0;
  }

  lua_State* L_;
  std::string out_;
};

// UTF-16LE source with the byte-order mark FF FE.
inline std::string Utf16Source(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

}  // namespace scripttest
