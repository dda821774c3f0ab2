// Shared helpers of the runtime tests: a state with the standard libraries and chunk runners.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scriptengine/api.h"
#include "scriptengine/libs.h"

namespace rt {

struct StringReader {
  const char* data;
  size_t size;
  bool done = false;
};

inline const char* readString(lua_State*, void* ud, size_t* size) {
  StringReader* r = static_cast<StringReader*>(ud);
  if (r->done) {
    *size = 0;
    return nullptr;
  }
  r->done = true;
  *size = r->size;
  return r->data;
}

inline int load(lua_State* L, const std::string& src, const char* name = "=t") {
  StringReader r{src.data(), src.size()};
  return lua_load(L, readString, &r, name);
}

// Runs a chunk; returns the status. On error the message is left in *err.
inline int run(lua_State* L, const std::string& src, std::string* err = nullptr, int nresults = 0) {
  int status = load(L, src);
  if (status == 0) status = lua_pcall(L, 0, nresults, 0);
  if (status != 0) {
    if (err) {
      const char* m = lua_tostring(L, -1);
      *err = m ? m : "(non-string error)";
    }
    lua_pop(L, 1);
  }
  return status;
}

class RuntimeTest : public ::testing::Test {
protected:
  void SetUp() override {
    L = lua_open();
    ASSERT_NE(L, nullptr);
    luaopen_stdlibs(L);
    lua_settop(L, 0);
  }
  void TearDown() override {
    if (L) lua_close(L);
  }

  // Runs src and expects success.
  void ok(const std::string& src) {
    std::string err;
    ASSERT_EQ(run(L, src, &err), 0) << err << "\n  in: " << src;
  }

  // Runs src and returns its error message ("" on success).
  std::string error(const std::string& src) {
    std::string err;
    if (run(L, src, &err) == 0) return "";
    return err;
  }

  // Evaluates "return <expr>" and returns the result converted by tostring.
  std::string eval(const std::string& expr) {
    std::string err;
    int top = lua_gettop(L);
    lua_pushstring(L, "tostring");
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (run(L, "return " + expr, &err, 1) != 0) {
      lua_settop(L, top);
      return "ERROR: " + err;
    }
    lua_call(L, 1, 1);
    const char* s = lua_tostring(L, -1);
    std::string res = s ? s : "(nil)";
    lua_settop(L, top);
    return res;
  }

  lua_State* L = nullptr;
};

}  // namespace rt
