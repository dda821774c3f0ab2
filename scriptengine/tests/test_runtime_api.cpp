// The C interface: indices, pseudo-indices, conversions, wide strings, boxes, sizes.
#include <string>

#include "state.h"
#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

TEST_F(RuntimeTest, AbsentIndicesReadAsNoValue) {
  lua_pushnumber(L, 1);
  lua_pushnumber(L, 2);
  lua_pushnumber(L, 3);
  EXPECT_EQ(lua_type(L, 5), LUA_TNONE);
  EXPECT_EQ(lua_tostring(L, 5), nullptr);
  EXPECT_EQ(lua_toboolean(L, 5), 0);
  EXPECT_EQ(lua_tonumber(L, 5), 0);
  EXPECT_EQ(lua_strlen(L, 5), 0u);
  EXPECT_STREQ(lua_typename(L, LUA_TNONE), "no value");
  EXPECT_STREQ(lua_typename(L, LUA_TWSTRING), "wstring");
  EXPECT_EQ(lua_type(L, lua_upvalueindex(1)), LUA_TNONE);  // not inside a native closure
}

TEST_F(RuntimeTest, TextConversionsOfBothKinds) {
  lua_pushnumber(L, 12);
  lua_pushstring(L, "a");
  const lua_WChar w[] = {'w', 'i', 0};
  lua_pushwstring(L, w);
  EXPECT_TRUE(lua_isstring(L, 1));
  EXPECT_TRUE(lua_isstring(L, 2));
  EXPECT_TRUE(lua_isstring(L, 3));
  EXPECT_EQ(lua_tostring(L, 3), nullptr);
  EXPECT_EQ(lua_strlen(L, 3), 2u);
  EXPECT_EQ(lua_towstring(L, 2), nullptr);
  const lua_WChar* twelve = lua_towstring(L, 1);
  ASSERT_NE(twelve, nullptr);
  EXPECT_EQ(lua_type(L, 1), LUA_TWSTRING);
  EXPECT_EQ(twelve[0], '1');
  EXPECT_EQ(twelve[1], '2');
  EXPECT_EQ(twelve[2], 0);
  EXPECT_EQ(lua_strlen(L, 1), 2u);
  EXPECT_EQ(lua_tonumber(L, 1), 12);  // a wide string that converts
  lua_pushnumber(L, 3.5);
  EXPECT_STREQ(lua_tostring(L, -1), "3.5");
  EXPECT_EQ(lua_type(L, -1), LUA_TSTRING);
  lua_pushwstring(L, nullptr);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pushstring(L, nullptr);
  EXPECT_TRUE(lua_isnil(L, -1));
}

TEST_F(RuntimeTest, RegistryIntegerPseudoIndices) {
  lua_pushstring(L, "x");
  lua_rawseti(L, LUA_REGISTRYINDEX, 3);
  EXPECT_EQ(lua_type(L, lua_registryrefindex(3)), LUA_TSTRING);
  EXPECT_STREQ(lua_tostring(L, -40003), "x");
  EXPECT_EQ(lua_type(L, -40004), LUA_TNIL);
  // writing through an absent key creates it, without touching the shared nil
  lua_pushstring(L, "y");
  lua_replace(L, -40004);
  EXPECT_STREQ(lua_tostring(L, -40004), "y");
  EXPECT_EQ(lua_type(L, -40005), LUA_TNIL);
  lua_pushstring(L, "z");
  lua_replace(L, -40003);  // overwrites the registry entry
  lua_rawgeti(L, LUA_REGISTRYINDEX, 3);
  EXPECT_STREQ(lua_tostring(L, -1), "z");
  lua_pop(L, 1);
  // a table stored there works as a table index
  lua_newtable(L);
  lua_rawseti(L, LUA_REGISTRYINDEX, 6);
  lua_pushstring(L, "k");
  lua_pushnumber(L, 5);
  lua_settable(L, -40006);
  lua_pushstring(L, "k");
  lua_gettable(L, -40006);
  EXPECT_EQ(lua_tonumber(L, -1), 5);
}

static int upvalueReader(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushboolean(L, lua_type(L, lua_upvalueindex(2)) == LUA_TNONE);
  return 2;
}

TEST_F(RuntimeTest, NativeClosureUpvalues) {
  lua_pushstring(L, "up");
  lua_pushcclosure(L, upvalueReader, 1);
  ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0);
  EXPECT_STREQ(lua_tostring(L, 1), "up");
  EXPECT_TRUE(lua_toboolean(L, 2));
}

TEST_F(RuntimeTest, StackManipulation) {
  for (int i = 1; i <= 5; i++) lua_pushnumber(L, i);
  lua_remove(L, 2);  // 1 3 4 5
  lua_insert(L, 1);  // 5 1 3 4
  lua_pushnumber(L, 9);
  lua_replace(L, 2);  // 5 9 3 4
  lua_settop(L, -2);  // 5 9 3
  const double want[] = {5, 9, 3};
  ASSERT_EQ(lua_gettop(L), 3);
  for (int i = 0; i < 3; i++) EXPECT_EQ(lua_tonumber(L, i + 1), want[i]);
  lua_settop(L, 6);
  EXPECT_TRUE(lua_isnil(L, 6));
  lua_settop(L, 0);
  // moving values between threads
  lua_State* co = lua_newthread(L);
  lua_pushnumber(L, 1);
  lua_pushnumber(L, 2);
  lua_xmove(L, co, 2);
  EXPECT_EQ(lua_gettop(co), 2);
  EXPECT_EQ(lua_tonumber(co, 2), 2);
  EXPECT_EQ(lua_gettop(L), 1);
}

TEST_F(RuntimeTest, BoxedPointersAndUserdata) {
  int target = 0;
  lua_newuserdatabox(L, &target);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  EXPECT_EQ(lua_topointer(L, -1), &target);
  void* block = lua_newuserdata(L, 8);
  EXPECT_EQ(lua_touserdata(L, -1), block);
  lua_newuserdata(L, 3);  // odd sizes are rounded up, never taken for a box
  EXPECT_NE(lua_touserdata(L, -1), nullptr);
  EXPECT_TRUE(lua_isuserdata(L, -1));
  lua_pushlightuserdata(L, &target);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  // userdata start with the userdata type's default metatable
  ASSERT_TRUE(lua_getmetatable(L, -3));
  lua_getdefaultmetatable(L, LUA_TUSERDATA);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
}

TEST_F(RuntimeTest, SetMetatableWithNilInstallsTheGlobalDefault) {
  lua_newtable(L);
  lua_pushnil(L);
  EXPECT_EQ(lua_setmetatable(L, 1), 1);
  ASSERT_TRUE(lua_getmetatable(L, 1));  // the global default: its own metatable
  ASSERT_TRUE(lua_getmetatable(L, -1));
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  lua_pushnumber(L, 1);
  lua_newtable(L);
  EXPECT_EQ(lua_setmetatable(L, 1), 0);
}

TEST_F(RuntimeTest, TableSize) {
  struct Case {
    const char* src;
    int n;
  };
  const Case cases[] = {
      {"return {n = 3.7}", 3}, {"return {1, 2, nil, 4}", 4}, {"return {[10.5] = true}", 10},
      {"return {}", 0},        {"return {n = 0/0}", 0},      {"return {1, 2, 3, [100] = 1}", 100},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(rt::run(L, c.src, nullptr, 1), 0);
    EXPECT_EQ(lua_getn(L, -1), c.n) << c.src;
    lua_pop(L, 1);
  }
}

TEST_F(RuntimeTest, ConcatThroughTheInterface) {
  lua_concat(L, 0);
  EXPECT_STREQ(lua_tostring(L, -1), "");
  lua_pushstring(L, "a");
  lua_pushnumber(L, 1);
  lua_concat(L, 3);
  EXPECT_STREQ(lua_tostring(L, -1), "a1");
  lua_concat(L, 1);
  EXPECT_STREQ(lua_tostring(L, -1), "a1");
  const lua_WChar w[] = {'w', 0};
  lua_pushwstring(L, w);
  lua_pushnumber(L, 2);
  lua_concat(L, 2);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 2u);
}

TEST_F(RuntimeTest, EnvironmentsOfFunctions) {
  ASSERT_EQ(rt::load(L, "return x"), 0);
  lua_newtable(L);
  lua_pushstring(L, "x");
  lua_pushnumber(L, 77);
  lua_rawset(L, -3);
  EXPECT_EQ(lua_setfenv(L, -2), 1);
  lua_getfenv(L, -1);
  EXPECT_EQ(lua_type(L, -1), LUA_TTABLE);
  lua_pop(L, 1);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 77);
  lua_pushcfunction(L, upvalueReader);
  lua_newtable(L);
  EXPECT_EQ(lua_setfenv(L, -2), 0);
}

static int writer(lua_State*, const void*, size_t, void* ud) {
  ++*static_cast<int*>(ud);
  return 0;
}

TEST_F(RuntimeTest, DumpRefusesNativeFunctionsAndUpvalues) {
  int calls = 0;
  lua_pushcfunction(L, upvalueReader);
  EXPECT_EQ(lua_dump(L, writer, &calls), 0);
  EXPECT_EQ(calls, 0);
  ASSERT_EQ(rt::run(L, "local u = 1 return function() return u end", nullptr, 1), 0);
  EXPECT_EQ(lua_dump(L, writer, &calls), 0);
  EXPECT_EQ(calls, 0);
}

TEST_F(RuntimeTest, GarbageCollectionThresholds) {
  G(L)->gcstress = 0;  // thresholds are what this test looks at
  lua_State* fresh = lua_open();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(G(fresh)->GCthreshold, 4 * G(fresh)->nblocks);
  lua_close(fresh);
  EXPECT_GT(lua_getgccount(L), 0);
  lua_setgcthreshold(L, 0);  // collects at once
  EXPECT_GE(G(L)->GCthreshold, G(L)->nblocks);
  lua_setgcthreshold(L, 4194304);
  EXPECT_EQ(G(L)->GCthreshold, 4294967295u);
  EXPECT_EQ(lua_getgcthreshold(L), 4194303);
}

}  // namespace
