// Golden listings: the disassembly of representative programs, compared with the listings
// checked in under tests/golden/. A deliberate change to the code generator regenerates them
// with QF_UPDATE_GOLDEN=1 (then review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "disasm.h"
#include "test_compiler_support.h"

namespace scripttest {
namespace {

struct GoldenCase {
  const char* name;
  const char* source;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

const GoldenCase kPrograms[] = {
    {"expressions", "local a, b, c = 1, 2, 3\n"
                    "x = a + b * c - a / b ^ 2\n"
                    "y = a & b | c << 2 >> 1\n"
                    "z = -a & 0xFF\n"
                    "w = a < b, a <= b, a > b, a >= b, a == b, a ~= b\n"
                    "v = not a and b or c\n"
                    "u = 'p' .. a .. 'q' .. b\n"
                    "t = -5, not nil, 1 & 2\n"},
    {"control", "local n = 0\n"
                "if n == 0 then n = 1 elseif n == 1 then n = 2 else n = 3 end\n"
                "while n < 10 and n ~= 5 do n = n + 1 end\n"
                "repeat n = n - 1 until n <= 0 or nil\n"
                "for i = 10, 1, -2 do n = n + i end\n"
                "for k, v in next, {} do n = k end\n"},
    {"loops_break_continue", "local fs = {}\n"
                             "for i = 1, 3 do\n"
                             "  local x = i\n"
                             "  fs[i] = function() return x end\n"
                             "  if i == 1 then continue end\n"
                             "  while true do\n"
                             "    local y = x\n"
                             "    fs[i + 10] = function() return y end\n"
                             "    if y > 2 then break 2 end\n"
                             "    if y > 1 then continue 2 end\n"
                             "    break\n"
                             "  end\n"
                             "end\n"},
    {"closures", "local count = 0\n"
                 "local function counter(step, ...)\n"
                 "  local total = arg.n\n"
                 "  return function()\n"
                 "    count = count + step\n"
                 "    return function() return count, total, step end\n"
                 "  end\n"
                 "end\n"
                 "local obj = {}\n"
                 "function obj.field.method(self) end\n"
                 "function obj:m(a) return self, a end\n"},
    {"tables", "local function f() return 1, 2 end\n"
               "local t = {&4 &40 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,\n"
               "  21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, f()}\n"
               "local u = {x = 1, ['y'] = 2; [3] = 4, f(), 5}\n"
               "local v = {}\n"
               "t.a.b, v[t] = u.x, u['y']\n"},
    {"strings", "local s = 'ab' .. \"ab\" .. [[ab]]\n"
                "local w = L\"ab\" .. L\"\\x263A\\65\"\n"
                "print(s, w, '\\x41\\t\\n', \"\\\\\")\n"
                "print L\"call\"\n"
                "print 'call'\n"},
    {"calls", "local function g(...) return arg end\n"
              "local function f(a, b) return g(a, b) end\n"
              "local a, b, c = f(1, 2)\n"
              "a, b = b, a\n"
              "local t = {}\n"
              "t[a], a = 1, 2\n"
              "print(f(g(1)))\n"
              "return f(a)\n"},
};

std::string goldenPath(const std::string& name) {
  const char* root = std::getenv("QF_SOURCE_DIR");
  return std::string(root ? root : ".") + "/scriptengine/tests/golden/" + name + ".txt";
}

class GoldenListing : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenListing, MatchesCheckedInListing) {
  ScriptState s(false);
  ASSERT_EQ(s.Load(GetParam().source, "@golden.lua"), 0) << s.TopText();
  std::string listing = Disassemble(s.TopProto());
  std::string path = goldenPath(GetParam().name);
  const char* update = std::getenv("QF_UPDATE_GOLDEN");
  if (update && *update == '1') {
    std::ofstream(path, std::ios::binary) << listing;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << "missing " << path;
  std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(listing, golden) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(Programs, GoldenListing, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<GoldenCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace scripttest
