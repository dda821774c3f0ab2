// State, memory, input streams and collector accounting.
#include <cstring>
#include <string>
#include <vector>

#include "do.h"
#include "gc.h"
#include "mem.h"
#include "sstring.h"
#include "state.h"
#include "stream.h"
#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

struct GrowArgs {
  lua_State* L;
  int size;
  void* block;
};

static void growOnce(lua_State* L, void* ud) {
  GrowArgs* g = static_cast<GrowArgs*>(ud);
  g->block = luaM_growaux(L, g->block, &g->size, 1, 100, "too many things");
}

TEST_F(RuntimeTest, VectorGrowth) {
  struct Case {
    int from;
    int to;  // -1: fails
  };
  const Case cases[] = {{2, 4}, {0, 4}, {60, 100}, {97, -1}, {10, 20}};
  for (const Case& c : cases) {
    GrowArgs g{L, c.from, nullptr};
    if (c.from > 0) g.block = luaM_realloc(L, nullptr, 0, static_cast<lu_mem>(c.from));
    int top = lua_gettop(L);
    int status = luaD_pcall(L, growOnce, &g, savestack(L, L->top), 0);
    if (c.to < 0) {
      EXPECT_EQ(status, LUA_ERRRUN);
      EXPECT_STREQ(lua_tostring(L, -1), "too many things");
      EXPECT_EQ(g.size, c.from);  // unchanged on failure
    } else {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(g.size, c.to);
    }
    luaM_realloc(L, g.block, static_cast<lu_mem>(g.size), 0);
    lua_settop(L, top);
  }
}

// Reallocation keeps the bytes both sizes share, whether the block stays in its size class,
// moves to another, or crosses between pooled and system-allocated sizes; freed blocks come
// back for later requests. The byte count of the state follows every step.
TEST_F(RuntimeTest, ReallocationKeepsContentAcrossSizeClasses) {
  const size_t sizes[] = {1, 8, 16, 17, 40, 100, 255, 256, 257, 1000, 3, 256, 64, 600, 32, 16};
  for (int round = 0; round < 3; round++) {
    lu_mem before = G(L)->nblocks;
    unsigned char* b = nullptr;
    size_t cur = 0;
    for (size_t n : sizes) {
      b = static_cast<unsigned char*>(luaM_realloc(L, b, cur, n));
      ASSERT_NE(b, nullptr);
      for (size_t j = 0; j < cur && j < n; j++)
        ASSERT_EQ(b[j], static_cast<unsigned char>(j * 7 + cur)) << cur << "->" << n;
      for (size_t j = 0; j < n; j++) b[j] = static_cast<unsigned char>(j * 7 + n);
      cur = n;
      EXPECT_EQ(G(L)->nblocks, before + cur);
    }
    luaM_realloc(L, b, cur, 0);
    EXPECT_EQ(G(L)->nblocks, before);
  }
  // many small blocks of every class freed and taken again
  std::vector<void*> held;
  for (size_t n = 1; n <= 300; n++) held.push_back(luaM_realloc(L, nullptr, 0, n));
  for (size_t n = 1; n <= 300; n++) luaM_realloc(L, held[n - 1], n, 0);
  for (size_t n = 1; n <= 300; n++) {
    held[n - 1] = luaM_realloc(L, nullptr, 0, n);
    memset(held[n - 1], 0xAB, n);
  }
  for (size_t n = 1; n <= 300; n++) luaM_realloc(L, held[n - 1], n, 0);
}

struct Blocks {
  std::vector<std::string> blocks;
  size_t next = 0;
};

static const char* blockReader(lua_State* L, void* ud, size_t* size) {
  EXPECT_EQ(L, nullptr);  // readers never get the state
  Blocks* b = static_cast<Blocks*>(ud);
  if (b->next >= b->blocks.size()) {
    *size = 0;
    return nullptr;
  }
  const std::string& s = b->blocks[b->next++];
  *size = s.size();
  return s.data();
}

TEST(RuntimeStream, LookaheadAndReads) {
  {
    Blocks b;
    ZIO z;
    luaZ_init(&z, blockReader, &b, "empty");
    EXPECT_EQ(luaZ_lookahead_2(&z), EOZ);
    EXPECT_EQ(zgetc(&z), EOZ);
  }
  {
    Blocks b;
    b.blocks = {std::string("\xff\xfe", 2) + "x"};
    ZIO z;
    luaZ_init(&z, blockReader, &b, "mark");
    EXPECT_EQ(luaZ_lookahead_2(&z), 0xFEFF);
    EXPECT_EQ(zgetc(&z), 0xFF);  // nothing was consumed by the peek
    EXPECT_EQ(zgetc(&z), 0xFE);
    EXPECT_EQ(zgetc(&z), 'x');
    EXPECT_EQ(zgetc(&z), EOZ);
  }
  {
    Blocks b;
    b.blocks = {"a"};  // a one-byte chunk has no two-byte unit
    ZIO z;
    luaZ_init(&z, blockReader, &b, "one");
    EXPECT_EQ(luaZ_lookahead_2(&z), EOZ);
    EXPECT_EQ(zgetc(&z), 'a');
    EXPECT_EQ(zgetc(&z), EOZ);
  }
  {
    Blocks b;
    b.blocks = {"a", "b", "c"};  // one byte per block
    ZIO z;
    luaZ_init(&z, blockReader, &b, "split");
    EXPECT_EQ(luaZ_lookahead_2(&z), 'a' | ('b' << 8));
    EXPECT_EQ(luaZ_lookahead(&z), 'a');
    char buf[3];
    EXPECT_EQ(luaZ_read(&z, buf, 3), 0u);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(luaZ_read(&z, buf, 1), 1u);
  }
  {
    Blocks b;
    b.blocks = {"ab", "", "cd"};  // an empty block ends the stream
    ZIO z;
    luaZ_init(&z, blockReader, &b, "ends");
    EXPECT_EQ(zgetc(&z), 'a');
    EXPECT_EQ(zgetc(&z), 'b');
    EXPECT_EQ(zgetc(&z), EOZ);
  }
}

TEST_F(RuntimeTest, UnreferencedWideStringsLeaveTheInterningTable) {
  G(L)->gcstress = 0;
  lua_setgcthreshold(L, 0);
  lu_int32 before = G(L)->strt.nuse;
  ok("local t = {} for i = 1, 100 do t[i] = L\"wide\" .. i end t = nil");
  EXPECT_GE(G(L)->strt.nuse, before + 100);
  lua_setgcthreshold(L, 0);
  EXPECT_LE(G(L)->strt.nuse, before + 5);
}

TEST_F(RuntimeTest, DefaultTablesSurviveCollections) {
  lua_getdefaultmetatable(L, LUA_TBOOLEAN);
  lua_pushstring(L, "mark");
  lua_pushnumber(L, 1);
  lua_rawset(L, -3);
  lua_settop(L, 0);
  lua_setgcthreshold(L, 0);
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(eval("(true).mark"), "1");
}

TEST_F(RuntimeTest, ThresholdDoublesAfterACollectionThatFreedNothing) {
  G(L)->gcstress = 0;
  lua_setgcthreshold(L, 0);
  lua_setgcthreshold(L, 0);  // now nothing is left to free
  EXPECT_EQ(G(L)->GCthreshold, 2 * G(L)->nblocks);
}

static int nearStackEnd(lua_State* L) {
  // leave exactly two usable slots, then call a function with many parameters and varargs
  while (L->stack_last - L->top > 2) lua_pushnil(L);
  lua_pushvalue(L, 1);
  lua_call(L, 0, 1);
  return 1;
}

TEST_F(RuntimeTest, VarargCallNearTheEndOfTheStackStaysInside) {
  std::string params;
  for (int i = 1; i <= 100; i++) params += "p" + std::to_string(i) + ", ";
  ok("function many(" + params + "...) return arg.n end");
  lua_pushcfunction(L, nearStackEnd);
  lua_pushstring(L, "many");
  lua_gettable(L, LUA_GLOBALSINDEX);
  ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 0);
}

TEST_F(RuntimeTest, ThreadHooksSeeCreationAndFreeing) {
  static int created, freed;
  created = freed = 0;
  pNewthread_handler = [](lua_State*, lua_State*) { created++; };
  pFreethread_handler = [](lua_State*, lua_State*) { freed++; };
  ok("for i = 1, 5 do coroutine.create(function() end) end");
  lua_setgcthreshold(L, 0);
  pNewthread_handler = nullptr;
  pFreethread_handler = nullptr;
  EXPECT_EQ(created, 5);
  EXPECT_EQ(freed, 5);
}

}  // namespace
