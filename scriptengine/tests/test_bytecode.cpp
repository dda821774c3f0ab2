// Bytecode writer and loader: header and record layout, byte order, every loader message,
// malformed chunks (each rejected with a message, never a crash), and dump -> load -> run of
// the test corpus giving the same results as running the source.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assembler.h"
#include "disasm.h"
#include "dump.h"
#include "opcodes.h"
#include "test_bytecode_fixtures.h"
#include "test_compiler_support.h"

namespace scripttest {
namespace fixtures {
inline void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
}  // namespace fixtures
namespace {

// ---- the writer's layout ----

TEST(BytecodeWriter, HeaderBytes) {
  ScriptState s;
  ASSERT_EQ(s.Load("return 1"), 0);
  std::string d = s.Dump();
  ASSERT_GE(d.size(), 22u);
  const unsigned char want[] = {0x1B, 'L', 'u', 'a',  0x50, 1,    4,    4,    4,    6,    8,
                                9,    9,   8,   0xb6, 0x09, 0x93, 0x68, 0xe7, 0xf5, 0x7d, 0x41};
  EXPECT_EQ(0, std::memcmp(d.data(), want, sizeof want));
}

TEST(BytecodeWriter, WideConstantIsTagNineWithUnitsAndTerminator) {
  ScriptState s;
  ASSERT_EQ(s.Load("return L\"ab\""), 0);
  std::string d = s.Dump();
  const char tagged[] = {9, 3, 0, 0, 0, 'a', 0, 'b', 0, 0, 0};
  EXPECT_NE(d.find(std::string(tagged, sizeof tagged)), std::string::npos);
}

TEST(BytecodeWriter, NestedRecordOmitsItsParentsSource) {
  ScriptState s;
  ASSERT_EQ(s.Load("local function f() end", "@some/file.lua"), 0);
  std::string d = s.Dump();
  size_t first = d.find("@some/file.lua");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(d.find("@some/file.lua", first + 1), std::string::npos);
}

TEST(BytecodeWriter, DumpingTwiceGivesTheSameBytes) {
  ScriptState s;
  const char* src = "local t = {1, 'two', L\"three\", x = 4.5} function t:m(a, ...) return a end";
  ASSERT_EQ(s.Load(src), 0);
  std::string d1 = s.Dump();
  lua_settop(s.L(), 0);
  ASSERT_EQ(s.Load(d1, "=again"), 0) << s.TopText();
  EXPECT_EQ(s.Dump(), d1);
  EXPECT_EQ(Disassemble(s.TopProto()), [&] {
    ScriptState t;
    t.Load(src);
    return Disassemble(t.TopProto());
  }());
}

TEST(BytecodeWriter, RefusesFunctionsWithUpvaluesAndNativeFunctions) {
  ScriptState s;
  ASSERT_EQ(s.Load("local x return function() return x end"), 0);
  ASSERT_EQ(lua_pcall(s.L(), 0, 1, 0), 0);
  std::string bytes;
  EXPECT_EQ(lua_dump(
                s.L(), [](lua_State*, const void*, size_t, void*) { return 0; }, &bytes),
            0);
  lua_pushcclosure(
      s.L(), [](lua_State*) { return 0; }, 0);
  EXPECT_EQ(lua_dump(
                s.L(), [](lua_State*, const void*, size_t, void*) { return 0; }, &bytes),
            0);
}

// ---- fixtures from the generator ----

TEST(BytecodeLoader, BigEndianFixtureLoadsAndRuns) {
  for (bool big : {true, false}) {
    ScriptState s;
    std::string chunk = fixtures::ConstantsChunk(big);
    ASSERT_EQ(s.Load(chunk, "=fixture"), 0) << s.TopText();
    ASSERT_EQ(lua_pcall(s.L(), 0, LUA_MULTRET, 0), 0) << s.TopText();
    ASSERT_EQ(lua_gettop(s.L()), 4);
    EXPECT_EQ(ValueText(s.L(), 1), "31415.25");
    EXPECT_EQ(ValueText(s.L(), 2), "h\xE9llo");  // 8-bit text is never swapped
    EXPECT_EQ(ValueText(s.L(), 3), "L\"w\\x263A\\x0102\"");
    EXPECT_EQ(ValueText(s.L(), 4), "-2");
  }
}

TEST(BytecodeLoader, BigEndianFixtureKeepsDebugInformation) {
  ScriptState s;
  ASSERT_EQ(s.Load(fixtures::ConstantsChunk(true), "=fixture"), 0) << s.TopText();
  const Proto* p = s.TopProto();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(getstr(p->source)), "=generated");
  ASSERT_EQ(p->sizelineinfo, p->sizecode);
  EXPECT_EQ(p->lineinfo[0], 7);
  ASSERT_EQ(p->sizelocvars, 1);
  EXPECT_EQ(std::string(getstr(p->locvars[0].varname)), "v");
  EXPECT_EQ(p->locvars[0].endpc, 3);
}

TEST(BytecodeLoader, WriterBigEndianOptionRoundTrips) {
  const char* src = "local function fact(n) if n <= 1 then return 1 end return n * fact(n - 1) end "
                    "emit(fact(10), L\"\\x263A\", 'x' .. 1.5, ({&4 1, 2})[2])";
  ScriptState s;
  std::string expected = s.Run(src);
  ASSERT_EQ(s.Load(src), 0);
  std::string be;
  luaU_dumpordered(
      s.L(), s.TopProto(),
      [](lua_State*, const void* p, size_t n, void* ud) {
        static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
        return 0;
      },
      &be, 0);
  ASSERT_EQ(be[5], 0);  // endianness byte: big
  EXPECT_EQ(s.Run(be), expected);
}

// ---- frames of loaded code ----

// A chunk that returns function(a [, ...]) whose local b is read at once: the compiler would
// put a LOADNIL before the read, this hand-built code has none, so only the call itself can
// make b nil. Written by the writer, so that loading it goes through the checker.
std::string ReadsAnUnsetLocal(lua_State* L, bool vararg) {
  asmtest::ProtoSpec inner;
  inner.numparams = 1;
  inner.is_vararg = vararg ? 1 : 0;
  const int b = vararg ? 2 : 1;  // after a (and arg)
  inner.maxstack = b + 1;
  inner.code = {asmtest::ABC(OP_RETURN, b, 2, 0), asmtest::ABC(OP_RETURN, 0, 1, 0)};
  inner.locals = {{"a", 0, 2}, {"b", 0, 2}};
  if (vararg) inner.locals.insert(inner.locals.begin() + 1, {"arg", 0, 2});
  asmtest::ProtoSpec main;
  main.maxstack = 2;
  main.code = {asmtest::ABx(OP_CLOSURE, 0, 0), asmtest::ABC(OP_RETURN, 0, 2, 0), asmtest::ABC(OP_RETURN, 0, 1, 0)};
  main.sub = {inner};
  std::string bytes;
  luaU_dump(
      L, asmtest::build(L, main),
      [](lua_State*, const void* p, size_t n, void* ud) {
        static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
        return 0;
      },
      &bytes);
  return bytes;
}

void NoCall(lua_State*, lua_Debug*) {}

// A local never assigned reads nil however the function is called, even when the caller
// passed more arguments than the function has parameters and no LOADNIL clears the slot:
// the virtual machine's call and tail call, a native caller, a coroutine's start, and the
// general paths a call hook sends calls through.
TEST(BytecodeLoader, ALocalWithoutLoadnilReadsNilAfterExtraArguments) {
  struct Route {
    const char* chunk;
    const char* out;
  } routes[] = {
      {"emit(f(1, 2), f(1, 2, 3, 4, 5, 6, 7, 8), f(1), f())", "nil nil nil nil\n"},
      {"local function g() return f(1, 2) end emit(g())", "nil\n"},
      {"local function g(x, y, z) local w = 9 return f(x, y, z, w) end emit(g(1, 2, 3))", "nil\n"},
      {"local ok, v = pcall(f, 1, 2) emit(v)", "nil\n"},
      {"emit(coroutine.wrap(f)(1, 2))", "nil\n"},
      {"local t = setmetatable({}, {__index = f}) emit(t[5])", "nil\n"},
  };
  for (bool vararg : {false, true}) {
    for (bool hooked : {false, true}) {
      ScriptState s;
      ASSERT_EQ(s.Load(ReadsAnUnsetLocal(s.L(), vararg), "=handmade"), 0) << s.TopText();
      ASSERT_EQ(lua_pcall(s.L(), 0, 1, 0), 0) << s.TopText();
      lua_pushstring(s.L(), "f");
      lua_insert(s.L(), -2);
      lua_settable(s.L(), LUA_GLOBALSINDEX);
      if (hooked) lua_sethook(s.L(), NoCall, LUA_MASKCALL, 0);
      for (const Route& r : routes)
        EXPECT_EQ(s.Run(r.chunk), r.out) << r.chunk << (vararg ? " (variadic)" : "") << (hooked ? " (call hook)" : "");
    }
  }
  // The compiler's own code, for comparison.
  ScriptState s;
  EXPECT_EQ(s.Run("emit((function(a) local b; return b end)(1, 2))"), "nil\n");
}

// ---- every loader message ----

struct LoaderCase {
  const char* name;
  std::string chunk;
  std::string message;
};

void PrintTo(const LoaderCase& c, std::ostream* os) { *os << c.name; }

class LoaderMessages : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(LoaderMessages, RejectsWithStatusThreeAndMessage) {
  ScriptState s;
  int status = s.Load(GetParam().chunk, "=fix");
  EXPECT_EQ(status, LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), GetParam().message);
}

using fixtures::Func;
using fixtures::Header;

std::string withHeader(Header h) { return fixtures::Chunk(h, fixtures::ReturnNothing()); }

std::vector<LoaderCase> loaderCases() {
  std::vector<LoaderCase> v;
  {
    Header h;
    h.signature = "\x1bLuX";
    v.push_back({"BadSignature", withHeader(h), "bad signature in fix"});
  }
  {
    Header h;
    h.version = 0x51;
    v.push_back({"TooNew", withHeader(h), "fix too new: read version 5.1; expected at most 5.0"});
    h.version = 0x40;
    v.push_back({"TooOld", withHeader(h), "fix too old: read version 4.0; expected at least 5.0"});
  }
  const char* items[] = {"int", "size_t", "Instruction", "OP", "A", "B", "C", "number"};
  const int sizes[] = {4, 4, 4, 6, 8, 9, 9, 8};
  for (int i = 0; i < 8; i++) {
    Header h;
    h.sizes[i] = static_cast<unsigned char>(sizes[i] + 1);
    v.push_back({items[i], withHeader(h),
                 std::string("virtual machine mismatch in fix: size of ") + items[i] + " is " +
                     std::to_string(sizes[i]) + " but read " + std::to_string(sizes[i] + 1)});
  }
  {
    Header h;
    h.testnumber = 1.0;
    v.push_back({"NumberFormat", withHeader(h), "unknown number format in fix"});
    h.testnumber = std::nan("");
    v.push_back({"NumberFormatNaN", withHeader(h), "unknown number format in fix"});
  }
  {
    Func f = fixtures::ReturnNothing();
    f.lineDefined = -1;
    v.push_back({"NegativeInt", fixtures::Chunk(Header(), f), "bad integer in fix"});
    Func g = fixtures::ReturnNothing();
    g.lines = {-5};
    v.push_back({"NegativeLine", fixtures::Chunk(Header(), g), "bad integer in fix"});
  }
  {
    Func f = fixtures::ReturnNothing();
    f.nups = 1;
    f.upnames = {"a", "b"};
    v.push_back({"UpvalueNames", fixtures::Chunk(Header(), f), "bad nupvalues in fix: read 2; expected 1"});
  }
  for (int tag : {1, 2, 5, 6, 7, 8, 10, 11, 255}) {
    Func f = fixtures::ReturnNothing();
    f.k.push_back(fixtures::Const::Raw(tag));
    v.push_back(
        {"ConstantTag", fixtures::Chunk(Header(), f), "bad constant type (" + std::to_string(tag) + ") in fix"});
  }
  {
    std::string whole = fixtures::Chunk(Header(), fixtures::ReturnNothing());
    v.push_back({"CutAfterHeader", whole.substr(0, 22), "unexpected end of file in fix"});
    v.push_back({"LastByteMissing", whole.substr(0, whole.size() - 1), "unexpected end of file in fix"});
  }
  return v;
}

INSTANTIATE_TEST_SUITE_P(All, LoaderMessages, ::testing::ValuesIn(loaderCases()),
                         [](const ::testing::TestParamInfo<LoaderCase>& i) {
                           return std::string(i.param.name) + std::to_string(i.index);
                         });

TEST(BytecodeLoader, NameOfABinaryStringChunk) {
  ScriptState s;
  std::string cut = fixtures::Chunk(Header(), fixtures::ReturnNothing()).substr(0, 22);
  // loadstring names the chunk after its own text, which starts with ESC
  EXPECT_EQ(s.Load(cut, cut.c_str()), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "unexpected end of file in binary string");
  lua_settop(s.L(), 0);
  EXPECT_EQ(s.Load(cut, "@dir/file.out"), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "unexpected end of file in dir/file.out");
}

TEST(BytecodeLoader, EveryTruncationIsEndOfFile) {
  ScriptState s;
  ASSERT_EQ(s.Load("local t = {1, L\"w\", 'x'} function t.f(a) return a + 1 end return t.f(2)"), 0);
  std::string d = s.Dump();
  lua_settop(s.L(), 0);
  for (size_t n = 1; n < d.size(); n++) {
    ASSERT_EQ(s.Load(d.substr(0, n), "=cut"), LUA_ERRSYNTAX) << n;
    ASSERT_EQ(s.TopText(), "unexpected end of file in cut") << n;
    lua_settop(s.L(), 0);
  }
}

TEST(BytecodeLoader, ForgedHugeCountsFailWithoutHugeAllocations) {
  ScriptState s;
  for (int which = 0; which < 5; which++) {
    fixtures::Func f = fixtures::ReturnNothing();
    std::string chunk = fixtures::ChunkWithForgedCount(f, which, 0x7FFFFFFF);
    EXPECT_EQ(s.Load(chunk, "=big"), LUA_ERRSYNTAX) << which;
    EXPECT_EQ(s.TopText(), "unexpected end of file in big") << which;
    lua_settop(s.L(), 0);
  }
  // sizes read as unsigned: strings and wide strings of 4 G
  for (int which = 5; which < 7; which++) {
    fixtures::Func f = fixtures::ReturnNothing();
    std::string chunk = fixtures::ChunkWithForgedCount(f, which, 0xFFFFFFFFu);
    EXPECT_EQ(s.Load(chunk, "=big"), LUA_ERRSYNTAX) << which;
    EXPECT_EQ(s.TopText(), "unexpected end of file in big") << which;
    lua_settop(s.L(), 0);
  }
}

TEST(BytecodeLoader, EmptyStringConstantsLoadAsEmptyText) {
  ScriptState s;
  Func f;
  f.maxstack = 2;
  f.k = {fixtures::Const::EmptySized(LUA_TSTRING), fixtures::Const::EmptySized(LUA_TWSTRING)};
  f.code = {fixtures::ABx(OP_LOADK, 0, 0), fixtures::ABx(OP_LOADK, 1, 1), fixtures::ABC(OP_RETURN, 0, 3, 0),
            fixtures::ABC(OP_RETURN, 0, 1, 0)};
  f.source.clear();  // no source either: the main record gets "=?"
  f.hasSource = false;
  ASSERT_EQ(s.Load(fixtures::Chunk(Header(), f), "=e"), 0) << s.TopText();
  EXPECT_EQ(std::string(getstr(s.TopProto()->source)), "=?");
  ASSERT_EQ(lua_pcall(s.L(), 0, 2, 0), 0);
  EXPECT_EQ(ValueText(s.L(), 1), "");
  EXPECT_EQ(ValueText(s.L(), 2), "L\"\"");
}

// ---- malformed code: each rule of the checker has a case ----

class RejectedCode : public ::testing::TestWithParam<fixtures::BadCase> {};

TEST_P(RejectedCode, IsBadCode) {
  ScriptState s;
  EXPECT_EQ(s.Load(fixtures::Chunk(Header(), GetParam().f), "=bad"), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "bad code in bad");
}

INSTANTIATE_TEST_SUITE_P(Checker, RejectedCode, ::testing::ValuesIn(fixtures::BadCodeCases()),
                         [](const ::testing::TestParamInfo<fixtures::BadCase>& i) {
                           return std::string(i.param.name);
                         });

TEST(BytecodeLoader, GoodFixturesOfTheCheckerPass) {
  // The near neighbours of the rejected cases load: the checker is not simply refusing all.
  for (const auto& c : fixtures::GoodCodeCases()) {
    ScriptState s;
    EXPECT_EQ(s.Load(fixtures::Chunk(Header(), c.f), "=good"), 0) << c.name << ": " << s.TopText();
  }
}

TEST(BytecodeLoader, NestingDepthIsCapped) {
  ScriptState s;
  EXPECT_EQ(s.Load(fixtures::NestedChunk(200), "=deep"), 0) << s.TopText();
  lua_settop(s.L(), 0);
  EXPECT_EQ(s.Load(fixtures::NestedChunk(201), "=deep"), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "bad code in deep");
}

TEST(BytecodeLoader, LoadstringOfGarbageAfterEscIsStatusThree) {
  ScriptState s;
  EXPECT_EQ(s.Load("\x1b"), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "unexpected end of file in test");
  lua_settop(s.L(), 0);
  EXPECT_EQ(s.Load("\x1bhello"), LUA_ERRSYNTAX);
  EXPECT_EQ(s.TopText(), "bad signature in test");
}

// ---- dump -> load -> run of the whole corpus ----

// Programs of the compiler tests that run to completion, plus the library conformance
// scripts when they are present.
std::vector<std::string> corpusPrograms() {
  return {
      "for i = 1, 3 do if i == 2 then continue end emit(i) end",
      "local i = 0 repeat i = i + 1 if i < 3 then continue end emit(i) until i >= 4",
      "for i = 1, 2 do for j = 1, 3 do if j == 2 then continue 2 end emit(i, j) end end",
      "local f = {} for i = 1, 3 do local x = i * 10 f[i] = function() return x end "
      "if i < 3 then continue end end emit(f[1](), f[2](), f[3]())",
      "local t = {x = 1, ['y'] = 2; 3, [10] = 4} emit(t.x, t.y, t[1], t[10])",
      "local function f() return 7, 8, 9 end local t = {1, f()} emit(t[1], t[2], t[4])",
      "emit(1 + 2 & 3, 2 ^ 3 & 1, 1 << 2 << 3, 6 & 3, 6 | 3, 1 << 31, -1 >> 0)",
      "emit(L\"w\\x263A\", 'a\\tb', [[long\nstring]], 0xFFFFFFFF, .5)",
      "local o = {v = 3} function o:get(k) return self.v + k end emit(o:get(4))",
      "local function g(a, ...) return a, arg.n end emit(g(1, 2, 3))",
      "local a, b = nil, 7 emit(a or 1, b and 2, a and 3, not a, not b, b or x)",
      "local n = 0 while 1 do n = n + 1 if n == 3 then break end end emit(n)",
      "local function it(s, c) if c < s then return c + 1 end end for i in it, 3, 0 do emit(i) end",
      "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end emit(fib(15))",
      "local count = 0 local function counter(step, ...) local total = arg.n "
      "return function() count = count + step return function() return count, total, step end "
      "end end local f = counter(2, 'a', 'b') emit(f()()) emit(f()())",
      "local t = {&4 &40 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, "
      "21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34} emit(t[1], t[32], t[33], t[34])",
      "local fs = {} for i = 1, 3 do local x = i * 10 for j = 1, 2 do "
      "if j == 2 then continue 2 end fs[i] = function() return x end end end "
      "emit(fs[1](), fs[2](), fs[3]())",
      "local y, z = 4, nil emit(not not (y or z), (z or y) and (true or y == 1))",
      "local s = '' for i = 1, 5 do s = s .. i .. (i < 5 and ',' or '') end emit(s, L\"w\" .. 1)",
      "emit(undefinedfunction())",
      "local t = nil emit(t.x)",
      "emit('a' .. {})",
  };
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> corpusScripts() {
  std::vector<std::string> files;
  const char* root = std::getenv("QF_SOURCE_DIR");
  if (!root) return files;
  std::string dir = std::string(root) + "/scriptengine/tests/scripts/";
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.substr(n.size() - 4) == ".lua") files.push_back(dir + n);
    }
    closedir(d);
  }
  return files;
}

// Runs a chunk with arg[0] set to `path`; returns its output and error.
std::string runWithArg(ScriptState& s, const std::string& chunk, const std::string& path) {
  lua_pushstring(s.L(), "arg");
  lua_newtable(s.L());
  lua_pushstring(s.L(), path.c_str());
  lua_rawseti(s.L(), -2, 0);
  lua_settable(s.L(), LUA_GLOBALSINDEX);
  return s.Run(chunk, ("@" + path).c_str());
}

std::string dumpOf(const std::string& src, const std::string& name, int order) {
  ScriptState s;
  if (s.Load(src, name.c_str()) != 0) return "";
  std::string out;
  luaU_dumpordered(
      s.L(), s.TopProto(),
      [](lua_State*, const void* p, size_t n, void* ud) {
        static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
        return 0;
      },
      &out, order);
  return out;
}

TEST(BytecodeRoundTrip, CorpusProgramsGiveTheSameResults) {
  for (const std::string& src : corpusPrograms()) {
    ScriptState a, b, c;
    std::string fromSource = a.Run(src);
    for (int order : {1, 0}) {
      std::string chunk = dumpOf(src, "=test", order);
      ASSERT_FALSE(chunk.empty()) << src;
      ScriptState& st = order ? b : c;
      EXPECT_EQ(st.Run(chunk), fromSource) << src << " (byte order " << order << ")";
    }
  }
}

TEST(BytecodeRoundTrip, CorpusScriptsGiveTheSameResults) {
  for (const std::string& path : corpusScripts()) {
    std::string src = readFile(path);
    ScriptState a, b;
    std::string fromSource = runWithArg(a, src, path);
    std::string chunk = dumpOf(src, "@" + path, 1);
    ASSERT_FALSE(chunk.empty()) << path;
    EXPECT_EQ(runWithArg(b, chunk, path), fromSource) << path;
  }
}

}  // namespace
}  // namespace scripttest
