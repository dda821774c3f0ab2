// Allocation failure injected at every allocation of a compilation, of a dump and of a load
// of the dumped chunk: each ends with status 0 or with status 4 and "not enough memory",
// leaves the state usable, and leaks nothing (LeakSanitizer checks at exit).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_compiler_support.h"

namespace scripttest {
namespace {

long gCountdown = -1;  // allocations left before the failure; -1 when disarmed

void* failingAlloc(void*, void* block, size_t oldsize, size_t newsize, int, unsigned) {
  if (newsize == 0) {
    std::free(block);
    return nullptr;
  }
  if (gCountdown >= 0 && newsize > oldsize) {
    if (gCountdown == 0) return nullptr;
    gCountdown--;
  }
  return std::realloc(block, newsize);
}

const char* kProgram = "local fs = {} for i = 1, 3 do local x = i fs[i] = function() return x end "
                       "if i == 2 then continue end end "
                       "local t = {&4 &8 1, 2, 3, L\"w\\x263A\", name = 'n', [10] = 0xFF & 7} "
                       "function t:m(a, ...) return self, a, arg.n end "
                       "while t[1] < 3 do t[1] = t[1] + 1 if t[1] == 2 then break end end "
                       "return fs[1](), t:m(1, 2), [[long]] .. 'x'";

class AllocationFailure : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = luaHelper_defaultAlloc;
    luaHelper_defaultAlloc = failingAlloc;
  }
  void TearDown() override {
    gCountdown = -1;
    luaHelper_defaultAlloc = saved_;
  }
  lua_Alloc saved_;
};

TEST_F(AllocationFailure, EveryAllocationOfACompilation) {
  bool succeeded = false;
  long failures = 0;
  for (long n = 0; n < 100000 && !succeeded; n++) {
    ScriptState s(false);
    gCountdown = n;
    int status = s.Load(kProgram);
    gCountdown = -1;
    if (status == 0) {
      succeeded = true;
      EXPECT_EQ(lua_pcall(s.L(), 0, 0, 0), 0) << s.TopText();
    } else {
      failures++;
      ASSERT_EQ(status, LUA_ERRMEM) << n << ": " << s.TopText();
      EXPECT_EQ(s.TopText(), "not enough memory");
      lua_settop(s.L(), 0);
      EXPECT_EQ(s.Run("emit(1 + 1)"), "2\n");  // the state stays usable
    }
  }
  EXPECT_TRUE(succeeded);
  EXPECT_GT(failures, 20);  // the program needs many allocations: each was made to fail
}

TEST_F(AllocationFailure, EveryAllocationOfALoad) {
  std::string chunk;
  {
    ScriptState s(false);
    ASSERT_EQ(s.Load(kProgram), 0);
    chunk = s.Dump();
  }
  bool succeeded = false;
  long failures = 0;
  for (long n = 0; n < 100000 && !succeeded; n++) {
    ScriptState s(false);
    gCountdown = n;
    int status = s.Load(chunk, "=chunk");
    gCountdown = -1;
    if (status == 0) {
      succeeded = true;
      EXPECT_EQ(lua_pcall(s.L(), 0, 0, 0), 0) << s.TopText();
    } else {
      failures++;
      ASSERT_EQ(status, LUA_ERRMEM) << n << ": " << s.TopText();
      EXPECT_EQ(s.TopText(), "not enough memory");
    }
  }
  EXPECT_TRUE(succeeded);
  EXPECT_GT(failures, 20);  // the program needs many allocations: each was made to fail
}

}  // namespace
}  // namespace scripttest
