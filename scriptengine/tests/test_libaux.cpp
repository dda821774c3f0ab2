// Auxiliary library: buffers, number conversions, loading files through the file layer,
// do-functions and _ALERT, argument errors.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <list>

#include "foundation/file.h"
#include "scratchdir.h"
#include "test_lib_support.h"

using namespace libtest;

namespace {

class AuxLibTest : public LibTest {
protected:
  TScratchDir scratch{"qf_auxlib"};
  const std::string& dir = scratch.Path();
  // Writes a file and returns its name for the file layer ("::" marks a host path).
  std::string writeFile(const std::string& name, const std::string& content) {
    return "::" + scratch.Write(name, content);
  }
};

TEST(AuxConversions, NumbersBecomeIntegersOneDefinedWay) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double in;
    int32_t toInt;
    uint32_t toUint;
    uint32_t toBits;
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      {3.9, 3, 3, 3},
      {-3.9, -3, 0, 0xFFFFFFFDu},
      {2147483647.5, 2147483647, 2147483647u, 2147483647u},
      {2147483648.0, 2147483647, 2147483648u, 2147483648u},
      {-2147483649.0, INT32_MIN, 0, 2147483647u},
      {4294967296.0 + 3, 2147483647, 4294967295u, 3},
      {1e300, 2147483647, 4294967295u, 0},
      {-1e300, INT32_MIN, 0, 0},
      {nan, 0, 0, 0},
      {inf, 2147483647, 4294967295u, 0},
      {-inf, INT32_MIN, 0, 0},
      {-1, -1, 0, 0xFFFFFFFFu},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(luaL_numtoint(c.in), c.toInt) << c.in;
    EXPECT_EQ(luaL_numtouint(c.in), c.toUint) << c.in;
    EXPECT_EQ(luaL_numtobits(c.in), c.toBits) << c.in;
  }
}

TEST_F(AuxLibTest, BuffersJoinManySmallPieces) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (int i = 0; i < 3000; i++) luaL_putchar(&b, 'a' + i % 26);
  luaL_pushresult(&b);
  ASSERT_EQ(lua_gettop(L), 1);
  std::string s(lua_tostring(L, 1), lua_strlen(L, 1));
  ASSERT_EQ(s.size(), 3000u);
  EXPECT_EQ(s[2999], 'a' + 2999 % 26);
  lua_settop(L, 0);

  luaL_wbuffinit(L, &b);
  std::u16string expect;
  for (int i = 0; i < 700; i++) {
    lua_WChar u = (lua_WChar)(0x100 + i);
    luaL_addlwstring(&b, &u, 1);
    expect += (char16_t)u;
  }
  luaL_pushresult(&b);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_EQ(read(L, 1), W(expect));
  lua_settop(L, 0);

  luaL_buffinit(L, &b);
  luaL_pushresult(&b);
  EXPECT_EQ(read(L, 1), S(""));
  lua_settop(L, 0);
  luaL_wbuffinit(L, &b);
  luaL_pushresult(&b);
  EXPECT_EQ(read(L, 1), S("")) << "an empty wide buffer gives the empty 8-bit string";
  lua_settop(L, 0);
}

TEST_F(AuxLibTest, AddvalueTakesLongAndShortValues) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  std::string expect;
  for (int i = 0; i < 50; i++) {
    std::string piece(i * 37 % 1500, (char)('A' + i % 26));
    lua_pushlstring(L, piece.data(), piece.size());
    luaL_addvalue(&b);
    lua_pushnumber(L, i);
    luaL_addvalue(&b);
    expect += piece + std::to_string(i);
  }
  luaL_pushresult(&b);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_EQ(read(L, 1), S(expect));
  lua_settop(L, 0);
}

int addWideToNarrow(lua_State* L) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  luaL_addstring(&b, "x");
  lua_pushvalue(L, 1);
  luaL_addvalue(&b);
  luaL_pushresult(&b);
  return 1;
}

TEST_F(AuxLibTest, AddvalueRefusesTheOtherTextKind) {
  lua_pushcfunction(L, addWideToNarrow);
  static const lua_WChar w[] = {'w', 0};
  lua_pushlwstring(L, w, 1);
  ASSERT_NE(lua_pcall(L, 1, 1, 0), 0);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("concatenate"), std::string::npos);
  lua_settop(L, 0);
}

TEST_F(AuxLibTest, LoadfileOfAMissingFileLeavesOneMessage) {
  std::string name = "::" + dir + "/missing.lua";
  EXPECT_EQ(luaL_loadfile(L, name.c_str()), LUA_ERRFILE);
  ASSERT_EQ(lua_gettop(L), 1);
  std::string msg = lua_tostring(L, 1);
  EXPECT_EQ(msg.rfind("cannot read " + name + ": ", 0), 0u) << msg;
  EXPECT_GT(msg.size(), ("cannot read " + name + ": ").size());
  lua_settop(L, 0);
  // a name the file layer cannot place at all still gives a message with an error text
  EXPECT_EQ(luaL_loadfile(L, "no-such-resource-anywhere.lua"), LUA_ERRFILE);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_NE(std::string(lua_tostring(L, 1)).find("No such file or directory"), std::string::npos);
  lua_settop(L, 0);
}

TEST_F(AuxLibTest, LoadfileLoadsTextUtf16AndEmptyFiles) {
  std::string text = writeFile("t.lua", "return 1 + 2\n");
  ASSERT_EQ(luaL_loadfile(L, text.c_str()), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(read(L, -1), N(3));
  lua_settop(L, 0);

  // UTF-16LE with CR LF line ends and a wide literal holding U+0D0A: read in binary mode, so
  // no byte is dropped.
  std::u16string u = u"return L\"\u0d0a\u00e9\", 7\r\n";
  std::string utf16 = "\xff\xfe";
  for (char16_t c : u) {
    utf16 += (char)(c & 0xFF);
    utf16 += (char)(c >> 8);
  }
  std::string wide = writeFile("w.lua", utf16);
  ASSERT_EQ(luaL_loadfile(L, wide.c_str()), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(read(L, -2), W(u"\u0d0a\u00e9"));
  EXPECT_EQ(read(L, -1), N(7));
  lua_settop(L, 0);

  std::string empty = writeFile("e.lua", "");
  ASSERT_EQ(luaL_loadfile(L, empty.c_str()), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0);
  EXPECT_EQ(lua_gettop(L), 0);

  std::string broken = writeFile("b.lua", "return +\n");
  EXPECT_EQ(luaL_loadfile(L, broken.c_str()), LUA_ERRSYNTAX);
  ASSERT_EQ(lua_gettop(L), 1);
  EXPECT_NE(std::string(lua_tostring(L, 1)).find("b.lua:1:"), std::string::npos) << lua_tostring(L, 1);
  lua_settop(L, 0);
}

// Memory files registered with the file layer for one test, removed again afterwards.
class MemoryFiles {
public:
  void add(const std::string& name, const std::string& content) {
    blocks.push_back(content);
    names.push_back(name);
    TFile::AddMemoryFile(str(name.c_str()), (void*)blocks.back().data(), (unsigned)blocks.back().size());
  }
  ~MemoryFiles() {
    for (const auto& n : names) TFile::AddMemoryFile(str(n.c_str()), nullptr, 0);
  }

private:
  std::list<std::string> blocks;  // stable addresses
  std::vector<std::string> names;
};

TEST_F(AuxLibTest, RequireTriesEachTemplateOfTheDefaultPath) {
  MemoryFiles files;
  files.add("auxmod_m.lua", "loaded_by = _REQUIREDNAME return 'from m.lua'");
  files.add("auxmod_first", "return 'from the bare name'");
  files.add("auxmod_first.lua", "return 'from first.lua'");
  ASSERT_EQ(lua_dostring(L, "r1 = require('auxmod_m') r2 = require('auxmod_first')"), 0);
  pushPath(L, "r1");
  EXPECT_EQ(read(L, -1), S("from m.lua"));
  pushPath(L, "r2");
  EXPECT_EQ(read(L, -1), S("from the bare name"));
  pushPath(L, "loaded_by");
  EXPECT_EQ(read(L, -1), S("auxmod_m"));
  lua_settop(L, 0);
}

TEST_F(AuxLibTest, PackedUtf16SourceIsReadInBinaryMode) {
  // Memory files drop CR bytes in text mode; the unit U+0D0A holds one, so the source loads
  // intact only when loadfile reopens it in binary mode.
  std::u16string u = u"return L\"\u0d0a\u0d0d\", 2\r\n";
  std::string utf16 = "\xff\xfe";
  for (char16_t c : u) {
    utf16 += (char)(c & 0xFF);
    utf16 += (char)(c >> 8);
  }
  MemoryFiles files;
  files.add("auxwide.lua", utf16);
  ASSERT_EQ(luaL_loadfile(L, "auxwide.lua"), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(read(L, -2), W(u"\u0d0a\u0d0d"));
  EXPECT_EQ(read(L, -1), N(2));
  lua_settop(L, 0);
}

TEST_F(AuxLibTest, LoadfileLoadsPrecompiledChunks) {
  ASSERT_EQ(lua_dostring(L, "chunk = string.dump(loadstring([[return 6 * 7, \"\\r\\n\"]]))"), 0);
  pushPath(L, "chunk");
  std::string bytes(lua_tostring(L, -1), lua_strlen(L, -1));
  lua_settop(L, 0);
  ASSERT_NE(bytes.find('\r'), std::string::npos);
  MemoryFiles files;
  files.add("auxchunk.out", bytes);
  std::string disk = writeFile("chunk.out", bytes);
  for (const std::string& name : {std::string("auxchunk.out"), disk}) {
    ASSERT_EQ(luaL_loadfile(L, name.c_str()), 0) << name << ": " << lua_tostring(L, -1);
    ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0) << lua_tostring(L, -1);
    EXPECT_EQ(read(L, -2), N(42));
    EXPECT_EQ(read(L, -1), S("\r\n"));
    lua_settop(L, 0);
  }
}

int recordAlert(lua_State* L) {
  lua_pushliteral(L, "alerted");
  lua_pushvalue(L, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  return 0;
}

TEST_F(AuxLibTest, DostringSendsErrorsToAlert) {
  lua_pushliteral(L, "_ALERT");
  lua_pushcfunction(L, recordAlert);
  lua_settable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_dostring(L, "error('boom')"), LUA_ERRRUN);
  EXPECT_EQ(lua_gettop(L), 0);
  pushPath(L, "alerted");
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("boom"), std::string::npos);
  lua_settop(L, 0);
  EXPECT_EQ(lua_dostring(L, "x = = 1"), LUA_ERRSYNTAX);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_EQ(lua_dostring(L, "return 5, 6"), 0);
  EXPECT_EQ(lua_gettop(L), 2);
  lua_settop(L, 0);

  lua_pushliteral(L, "_ALERT");
  lua_pushnumber(L, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  testing::internal::CaptureStderr();
  EXPECT_EQ(lua_dostring(L, "error('to stderr')"), LUA_ERRRUN);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("to stderr\n"), std::string::npos) << err;
  EXPECT_EQ(lua_gettop(L), 0);
  // a wide error object is written as UTF-8
  testing::internal::CaptureStderr();
  EXPECT_EQ(lua_dostring(L, "error(L\"caf\\xe9 \\x263a\", 0)"), LUA_ERRRUN);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("caf\xc3\xa9 \xe2\x98\xba\n"), std::string::npos) << err;
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(AuxLibTest, AlertFailuresDoNotEscape) {
  EXPECT_EQ(lua_dostring(L, "function _ALERT(m) error('again') end"), 0);
  EXPECT_EQ(lua_dostring(L, "error('first')"), LUA_ERRRUN);
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(AuxLibTest, ArgumentErrorsNameTheFunctionAndSelf) {
  ASSERT_EQ(lua_dostring(L, "ok1, e1 = pcall(function() return string.rep() end)\n"
                            "local s = string\n"
                            "ok2, e2 = pcall(function() return s:rep() end)\n"
                            "ok3, e3 = pcall(function() return s.rep('x', 'y') end)\n"),
            0);
  const char* chunk = "[string \"ok1, e1 = pcall(function() return string.re...\"]";
  const std::pair<const char*, std::string> expect[] = {
      {"e1", std::string(chunk) + ":1: bad argument #1 to `rep' (string expected, got no value)"},
      {"e2", std::string(chunk) + ":3: calling `rep' on bad self (string expected, got table)"},
      {"e3", std::string(chunk) + ":4: bad argument #2 to `rep' (number expected, got string)"},
  };
  for (const auto& e : expect) {
    pushPath(L, e.first);
    EXPECT_EQ(read(L, -1), S(e.second)) << e.first;
    lua_settop(L, 0);
  }
}

TEST_F(AuxLibTest, ErrorsCarryTheScriptPosition) {
  ASSERT_EQ(lua_dostring(L, "ok, e = pcall(function()\n"
                            "  string.char(300)\n"
                            "end)\n"),
            0);
  pushPath(L, "e");
  EXPECT_EQ(read(L, -1), S("[string \"ok, e = pcall(function()...\"]:2: bad argument #1 to `char' (invalid value)"));
  lua_settop(L, 0);
}

}  // namespace
