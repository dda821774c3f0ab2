// Pattern matching: find, gfind and gsub, their edge cases, error messages and the bound on
// the matcher's recursion.
#include <cctype>

#include "test_lib_support.h"

using namespace libtest;

namespace {

struct CallCase {
  std::vector<V> args;
  std::vector<V> expect;
};

class PatternTest : public LibTest {};

TEST_F(PatternTest, FindGivesPositionsAndCaptures) {
  const std::vector<CallCase> cases = {
      {{S("abc"), S(""), N(10)}, {N(4), N(3)}},
      {{S("a.b"), S("."), N(1), B(true)}, {N(2), N(2)}},
      {{S("a.b"), S(".")}, {N(1), N(1)}},
      {{S("THE (quick) fox"), S("%f[%a]%a+"), N(5)}, {N(6), N(10)}},
      {{S("THE (quick) fox"), S("%f[%a]%a+")}, {N(1), N(3)}},
      {{S("hello"), S("l+")}, {N(3), N(4)}},
      {{S("hello"), S("(l)(l)")}, {N(3), N(4), S("l"), S("l")}},
      {{S("hello"), S("()ll()")}, {N(3), N(4), N(3), N(5)}},
      {{S("abc"), S("^b")}, {Nil()}},
      {{S("abc"), S("^a")}, {N(1), N(1)}},
      {{S("abc"), S("c$")}, {N(3), N(3)}},
      {{S("abc"), S("b$")}, {Nil()}},
      {{S("a$c"), S("$c")}, {N(2), N(3)}},
      {{S("f(a(b)c)d"), S("%b()")}, {N(2), N(8)}},
      {{S("abcabc"), S("(abc)%1")}, {N(1), N(6), S("abc")}},
      {{S("a]"), S("[]]")}, {N(2), N(2)}},
      {{S("hello"), S("[^hel]")}, {N(5), N(5)}},
      {{S("a1-b"), S("[%d%-]+")}, {N(2), N(3)}},
      {{S("  x"), S("%s*x")}, {N(1), N(3)}},
      {{S("abc"), S(""), N(-1)}, {N(3), N(2)}},
      {{S("abc"), S("b"), N(-100)}, {N(2), N(2)}},
      {{S("aaab"), S("a-b")}, {N(1), N(4)}},
      {{S(bytes({'a', 0, 'b'})), S("%z")}, {N(2), N(2)}},
      {{S("ab1"), S("%A")}, {N(3), N(3)}},
      {{S("\xc8"
          "a"),
        S("%a")},
       {N(2), N(2)}},
      {{S("x=1, y=22"), S("(%w+)=(%d+)"), N(5)}, {N(6), N(9), S("y"), S("22")}},
      {{S("abc"), S("b"), N(1e300)}, {Nil()}},
      {{S("abc"), S("[a-b]+")}, {N(1), N(2)}},
      {{S("a-z"), S("[a%-]+")}, {N(1), N(2)}},
      {{S("abc"), S("abcd")}, {Nil()}},
      {{S("a.b"), S("%.")}, {N(2), N(2)}},
      {{S("key = value"), S("^(%w+)%s*=%s*(%w+)$")}, {N(1), N(11), S("key"), S("value")}},
      {{S("aXb"), S("%u")}, {N(2), N(2)}},
      {{S("end"), S("%f[%z]")}, {N(4), N(3)}},
      {{S("ab"), S("a?b?c?")}, {N(1), N(2)}},
  };
  for (const auto& c : cases) { EXPECT_EQ(ok("string.find", c.args), c.expect) << "case " << (&c - &cases[0]); }
}

// Every byte against every class letter, lower case and complement, compared with the C
// library's classification in the "C" locale (bytes 128-255 belong to no class).
TEST_F(PatternTest, ClassesFollowTheCLocale) {
  struct Class {
    char letter;
    int (*test)(int);
  };
  const Class classes[] = {{'a', isalpha}, {'c', iscntrl}, {'d', isdigit}, {'l', islower}, {'p', ispunct},
                           {'s', isspace}, {'u', isupper}, {'w', isalnum}, {'x', isxdigit}};
  for (const Class& k : classes) {
    for (int upper = 0; upper < 2; upper++) {
      std::string pattern = std::string("[%") + static_cast<char>(upper ? k.letter - 'a' + 'A' : k.letter) + "]";
      std::string in;
      for (int c = 0; c < 256; c++)
        if ((c < 128 && k.test(c) != 0) != (upper == 1)) in.push_back(static_cast<char>(c));
      std::string all;
      for (int c = 0; c < 256; c++) all.push_back(static_cast<char>(c));
      // deleting the class leaves exactly the bytes outside it
      std::string out;
      for (int c = 0; c < 256; c++)
        if (in.find(static_cast<char>(c)) == std::string::npos) out.push_back(static_cast<char>(c));
      EXPECT_EQ(ok("string.gsub", {S(all), S(pattern), S("")}),
                (std::vector<V>{S(out), N(static_cast<double>(in.size()))}))
          << pattern;
      EXPECT_EQ(ok("string.gsub", {S(all), S(pattern.substr(1, 2)), S("")}),
                (std::vector<V>{S(out), N(static_cast<double>(in.size()))}))
          << pattern.substr(1, 2);
    }
  }
  // %z is the zero byte, %Z every other; a letter that names no class is itself
  std::string zab = std::string(1, '\0') + "zab";
  EXPECT_EQ(ok("string.gsub", {S(zab), S("%z"), S("0")}), (std::vector<V>{S("0zab"), N(1)}));
  EXPECT_EQ(ok("string.gsub", {S(zab), S("%Z"), S("1")}), (std::vector<V>{S(std::string(1, '\0') + "111"), N(3)}));
  EXPECT_EQ(ok("string.gsub", {S("bBq"), S("%B"), S("-")}), (std::vector<V>{S("b-q"), N(1)}));
}

TEST_F(PatternTest, MalformedPatternsRaiseTheirMessages) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%fa", "missing `[' after `%f' in pattern"},
      {"%1", "invalid capture index"},
      {"(x", "unfinished capture"},
      {".)", "invalid pattern capture"},
      {"%", "malformed pattern (ends with `%')"},
      {"[a", "malformed pattern (missing `]')"},
      {"[a%", "malformed pattern (missing `]')"},
      {"%b", "unbalanced pattern"},
      {"%bx", "unbalanced pattern"},
      {"%f[a", "malformed pattern (missing `]')"},
  };
  for (const auto& c : cases) {
    std::string e = fails("string.find", {S("x"), S(c.first)});
    EXPECT_NE(e.find(c.second), std::string::npos) << c.first << ": " << e;
  }
}

TEST_F(PatternTest, CapturesAreLimitedToThirtyTwo) {
  std::string subject(40, 'a');
  std::string p32, p33;
  for (int i = 0; i < 32; i++) p32 += "(a)";
  p33 = p32 + "(a)";
  auto r = ok("string.find", {S(subject), S(p32)});
  ASSERT_EQ(r.size(), 34u);
  EXPECT_EQ(r[33], S("a"));
  EXPECT_NE(fails("string.find", {S(subject), S(p33)}).find("too many captures"), std::string::npos);
}

TEST_F(PatternTest, DeepPatternsFailCleanlyInsteadOfExhaustingTheStack) {
  std::string huge;
  for (int i = 0; i < 100000; i++) huge += "a?";
  EXPECT_NE(fails("string.find", {S(std::string(100000, 'a')), S(huge)}).find("pattern too complex"),
            std::string::npos);
  std::string caps;
  for (int i = 0; i < 300; i++) caps += "a*";
  EXPECT_NE(fails("string.gsub", {S("aaa"), S(caps), S("")}).find("pattern too complex"), std::string::npos);
  // a long literal and a moderately deep pattern are fine
  std::string lit(5000, 'b');
  EXPECT_EQ(ok("string.find", {S("x" + lit), S("x" + lit + "$")}), (std::vector<V>{N(1), N(5001)}));
  std::string mid, subj(150, 'a');
  for (int i = 0; i < 150; i++) mid += "a?";
  EXPECT_EQ(ok("string.find", {S(subj), S(mid)}), (std::vector<V>{N(1), N(150)}));
}

TEST_F(PatternTest, GsubReplacesAndCounts) {
  const std::vector<CallCase> cases = {
      {{S("hello world"), S("o"), S("0"), N(1)}, {S("hell0 world"), N(1)}},
      {{S("abc"), S(""), S("-")}, {S("-a-b-c-"), N(4)}},
      {{S("abc"), S("^"), S(">")}, {S(">abc"), N(1)}},
      {{S("hello"), S("(l)"), S("%1%1")}, {S("hellllo"), N(2)}},
      {{S("abc"), S("b"), S("%")}, {S(bytes({'a', 0, 'c'})), N(1)}},
      {{S("abc"), S("b"), S("%x")}, {S("axc"), N(1)}},
      {{S("abc"), S("b"), N(12)}, {S("a12c"), N(1)}},
      {{S("abc"), S("x*"), S("-")}, {S("-a-b-c-"), N(4)}},
      {{S("hello"), S(""), S("x"), N(2)}, {S("xhxello"), N(2)}},
      {{S("hello"), S("l"), S("L"), N(0)}, {S("hello"), N(0)}},
      {{S("abc"), S("%w"), S("%%")}, {S("%%%"), N(3)}},
      {{S("abc"), S("()b()"), S("%1%2")}, {S("a23c"), N(1)}},
      {{S("hello world"), S("(%w+) (%w+)"), S("%2 %1")}, {S("world hello"), N(1)}},
      {{S("abc"), S("^b"), S("x")}, {S("abc"), N(0)}},
      {{S("aaa"), S("a"), S("b"), N(-5)}, {S("aaa"), N(0)}},
      {{S("aaa"), S("a"), S("b"), N(1e300)}, {S("bbb"), N(3)}},
  };
  for (const auto& c : cases) { EXPECT_EQ(ok("string.gsub", c.args), c.expect) << "case " << (&c - &cases[0]); }
}

// Positions whose byte the pattern's first item rejects are skipped without running the
// matcher: results, counts and errors are those of trying every position.
TEST_F(PatternTest, FirstItemDecidesWhereMatchesCanStart) {
  const std::vector<CallCase> finds = {
      {{S("xxabxab"), S("ab")}, {N(3), N(4)}},
      {{S("xxabxab"), S("ab"), N(4)}, {N(6), N(7)}},
      {{S("xx(ab)"), S("(%(%a+)")}, {N(3), N(5), S("(ab")}},
      {{S("--12--"), S("()(%d+)()")}, {N(3), N(4), N(3), S("12"), N(5)}},
      {{S("ab12"), S("%d+")}, {N(3), N(4)}},
      {{S("ab12"), S("%D")}, {N(1), N(1)}},
      {{S("..<b>"), S("[<>]%a")}, {N(3), N(4)}},
      {{S("aab"), S("[^a]")}, {N(3), N(3)}},
      {{S("xyz"), S("a?z")}, {N(3), N(3)}},
      {{S("xyz"), S("a*")}, {N(1), N(0)}},
      {{S("xyz"), S("a-z")}, {N(3), N(3)}},
      {{S("x$y"), S("$y")}, {N(2), N(3)}},
      {{S("xyz"), S("$")}, {N(4), N(3)}},
      {{S("x(y)"), S("%b()")}, {N(2), N(4)}},
      {{S("ab cd"), S("%f[%a]cd")}, {N(4), N(5)}},
      {{S("abab"), S("(b)%1")}, {Nil()}},
      {{S(bytes({'a', 0, 'b'})), S(bytes({0, 'b'}))}, {N(2), N(3)}},
      {{S(bytes({'a', 0, 'b'})), S(bytes({'[', 0, ']', 'b'}))}, {N(2), N(3)}},
      {{S("abc"), S("d")}, {Nil()}},
      {{S(""), S("a+")}, {Nil()}},
      {{S("bbb"), S("a[")}, {Nil()}},  // no position gets as far as the malformed set
  };
  for (const auto& c : finds) { EXPECT_EQ(ok("string.find", c.args), c.expect) << "find " << (&c - &finds[0]); }
  const std::vector<CallCase> subs = {
      {{S("a$b$c"), S("%$(%a)"), S("<%1>")}, {S("a<b><c>"), N(2)}},
      {{S("a b c"), S("[ b]"), S("")}, {S("ac"), N(3)}},
      {{S("x1y22"), S("%d+"), S("#")}, {S("x#y#"), N(2)}},
      {{S("k=v;q=w"), S("(%w+)="), S("%1:%1=")}, {S("k:k=v;q:q=w"), N(2)}},
      {{S("aaa"), S("a"), S("b"), N(2)}, {S("bba"), N(2)}},
      {{S("xyz"), S("q"), S("!")}, {S("xyz"), N(0)}},
      {{S("xyz"), S("y?"), S("-")}, {S("-x--z-"), N(4)}},
      {{S(""), S("a"), S("b")}, {S(""), N(0)}},
      {{S("bbb"), S("a["), S("x")}, {S("bbb"), N(0)}},
      {{S("abc"), S("[a"), S("x"), N(0)}, {S("abc"), N(0)}},
  };
  for (const auto& c : subs) { EXPECT_EQ(ok("string.gsub", c.args), c.expect) << "gsub " << (&c - &subs[0]); }
  // a malformed part is still reported from the first position that reaches it
  for (const auto& c : std::vector<std::pair<std::string, std::string>>{
           {"[a", "missing `]'"}, {"xa[", "missing `]'"}, {"%", "ends with `%'"}}) {
    for (const char* subject : {"", "bxa"}) {
      if (c.first == "xa[" && *subject == 0) continue;  // no position reaches the set
      EXPECT_NE(fails("string.find", {S(subject), S(c.first)}).find(c.second), std::string::npos)
          << c.first << " in " << subject;
      EXPECT_NE(fails("string.gsub", {S(subject), S(c.first), S("")}).find(c.second), std::string::npos)
          << c.first << " in " << subject;
    }
  }
}

TEST_F(PatternTest, GsubRejectsBadReplacements) {
  for (const auto& args : std::vector<std::vector<V>>{
           {S("abc"), S("b")}, {S("abc"), S("b"), T(LUA_TTABLE)}, {S("abc"), S("b"), B(true)}}) {
    std::string e = fails("string.gsub", args);
    EXPECT_NE(e.find("bad argument #3"), std::string::npos) << e;
    EXPECT_NE(e.find("(string or function expected)"), std::string::npos) << e;
  }
  EXPECT_NE(fails("string.gsub", {S("abc"), S("b"), S("%0")}).find("invalid capture index"), std::string::npos);
  EXPECT_NE(fails("string.gsub", {S("abc"), S("b"), S("%1")}).find("invalid capture index"), std::string::npos);
  // no narrow text exists in a wide replacement: the kinds do not join
  std::string e = fails("string.gsub", {S("abc"), S("b"), W(u"x")});
  EXPECT_NE(e.find("concatenate"), std::string::npos) << e;
  // without a match nothing is inserted, so nothing fails
  EXPECT_EQ(ok("string.gsub", {S("abc"), S("z"), W(u"x")}), (std::vector<V>{S("abc"), N(0)}));
}

int upperCapture(lua_State* L) {
  size_t l;
  const char* s = lua_tostring(L, 1);
  l = lua_strlen(L, 1);
  std::string u(s, l);
  for (char& c : u) c = (char)toupper((unsigned char)c);
  if (u == "B") return 0;  // nil result: keep nothing
  lua_pushlstring(L, u.data(), u.size());
  return 1;
}

int wideResult(lua_State* L) {
  static const lua_WChar w[] = {'w', 0};
  lua_pushlwstring(L, w, 1);
  return 1;
}

TEST_F(PatternTest, GsubCallsAFunctionWithTheCaptures) {
  pushPath(L, "string.gsub");
  lua_pushliteral(L, "abc");
  lua_pushliteral(L, "%a");
  lua_pushcfunction(L, upperCapture);
  ASSERT_EQ(lua_pcall(L, 3, 2, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(read(L, -2), S("AC"));
  EXPECT_EQ(read(L, -1), N(3));
  lua_settop(L, 0);
  pushPath(L, "string.gsub");
  lua_pushliteral(L, "abc");
  lua_pushliteral(L, "b");
  lua_pushcfunction(L, wideResult);
  ASSERT_NE(lua_pcall(L, 3, 2, 0), 0);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("concatenate"), std::string::npos);
}

TEST_F(PatternTest, GfindIteratesOverMatches) {
  struct Case {
    const char* s;
    const char* p;
    std::vector<std::vector<V>> expect;
  };
  const std::vector<Case> cases = {
      {"one two  three", "%a+", {{S("one")}, {S("two")}, {S("three")}}},
      {"k=v, a=b", "(%w+)=(%w+)", {{S("k"), S("v")}, {S("a"), S("b")}}},
      {"ab", "", {{S("")}, {S("")}, {S("")}}},
      {"abc", "^a", {}},
      {"a^b", "^", {{S("^")}}},
      {"xyz", "()", {{N(1)}, {N(2)}, {N(3)}, {N(4)}}},
  };
  for (const auto& c : cases) {
    pushPath(L, "string.gfind");
    lua_pushstring(L, c.s);
    lua_pushstring(L, c.p);
    ASSERT_EQ(lua_pcall(L, 2, 1, 0), 0) << lua_tostring(L, -1);
    std::vector<std::vector<V>> got;
    for (int guard = 0; guard < 20; guard++) {
      int base = lua_gettop(L);
      lua_pushvalue(L, -1);
      ASSERT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0) << lua_tostring(L, -1);
      int n = lua_gettop(L) - base;
      if (n == 0) break;
      std::vector<V> row;
      for (int i = base + 1; i <= base + n; i++) row.push_back(read(L, i));
      got.push_back(row);
      lua_settop(L, base);
    }
    EXPECT_EQ(got, c.expect) << c.s << " / " << c.p;
    lua_settop(L, 0);
  }
}

}  // namespace
