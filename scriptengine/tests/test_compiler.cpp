// Lexer, parser and code generator: token rules, messages, scoping, loops with numbered
// break/continue, operator priorities and the instructions emitted for the cases that matter.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "disasm.h"
#include "opcodes.h"
#include "test_compiler_support.h"

namespace scripttest {
namespace {

struct RunCase {
  const char* name;
  std::string source;
  std::string expected;  // output, or "error N: message"
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class CompilerRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(CompilerRun, ProducesExpectedOutputOrMessage) {
  ScriptState s;
  EXPECT_EQ(s.Run(GetParam().source), GetParam().expected) << GetParam().source;
}

// ---- lexer ----

INSTANTIATE_TEST_SUITE_P(
    Lexer, CompilerRun,
    ::testing::Values(
        RunCase{"HexLowerCase", "emit(0xff)", "255\n"}, RunCase{"HexEightDigits", "emit(0xFFFFFFFF)", "4294967295\n"},
        RunCase{"HexNinthDigitStartsNextToken", "emit(0x123456789)", "error 3: test:1: `)' expected near `9'"},
        RunCase{"HexNinthDigitValue", "emit(0x12345678)", "305419896\n"},
        RunCase{"UpperCaseXIsNotHex", "emit(0X1F)", "error 3: test:1: `)' expected near `X1F'"},
        RunCase{"HexWithoutDigitsIsMalformed", "x = 0x", "error 3: test:1: malformed number near `0x'"},
        RunCase{"HexAfterLeadingPointIsMalformed", "x = .0x1", "error 3: test:1: malformed number near `.0x'"},
        RunCase{"LeadingPoint", "emit(.5)", "0.5\n"}, RunCase{"DecimalWithExponent", "emit(1.5e2, 2E-1)", "150 0.2\n"},
        RunCase{"MalformedExponent", "x = 3e", "error 3: test:1: malformed number near `3e'"},
        RunCase{"NumeralThenConcat", "x = 1..2",
                "error 3: test:1: ambiguous syntax (decimal point x string concatenation) near `1..'"},
        RunCase{"NamesAroundConcat", "local a, b = 'x', 'y' emit(a..b)", "xy\n"},
        RunCase{"HexEscape", "emit('\\x41')", "A\n"},
        RunCase{"HexEscapeOneDigit", "emit('\\x4z')", std::string("\x04z\n")},
        RunCase{"HexEscapeWithoutDigit", "emit('\\xg')", "xg\n"},
        RunCase{"DecimalEscapes", "emit('\\65\\066\\0677')", "ABC7\n"},
        RunCase{"DecimalEscapeTooLarge", "x = '\\256'", "error 3: test:1: escape sequence too large near `''"},
        RunCase{"ClassicEscapes", "emit('a\\tb\\\\c\\\"d')", "a\tb\\c\"d\n"},
        RunCase{"EscapedNewlineCountsLine", "x = 'a\\\nb' y = \"\n", "error 3: test:2: unfinished string near `\"'"},
        RunCase{"WideLiteral", "emit(L\"abc\")", "L\"abc\"\n"},
        RunCase{"WideHexEscapeFourDigits", "emit(L\"\\x263A!\")", "L\"\\x263A!\"\n"},
        RunCase{"WideHexEscapeWithoutDigit", "emit(L\"\\xq\")", "L\"xq\"\n"},
        RunCase{"WideDecimalEscapeTooLarge", "x = L\"\\256\"", "error 3: test:1: escape sequence too large near `\"'"},
        RunCase{"WideUnfinished", "x = L\"ab", "error 3: test:1: unfinished string near `<eof>'"},
        RunCase{"WideUnfinishedAtLineEnd", "x = L\"ab\n\"", "error 3: test:1: unfinished string near `\"'"},
        RunCase{"LAloneIsAName", "L = 5 emit(L)", "5\n"},
        RunCase{"LThenSingleQuoteIsACall", "function L(s) return s .. '!' end emit(L'x', L 'y')", "x! y!\n"},
        RunCase{"LThenSpaceThenDoubleQuoteIsACall", "function L(s) return s .. '?' end emit(L \"x\")", "x?\n"},
        RunCase{"UnfinishedString", "x = 'abc", "error 3: test:1: unfinished string near `<eof>'"},
        RunCase{"StringBrokenByNewline", "x = 'ab\ncd'", "error 3: test:1: unfinished string near `'ab'"},
        RunCase{"LongString", "emit([[a[[b]]c]])", "a[[b]]c\n"},
        RunCase{"LongStringDropsFirstNewline", "emit([[\nab\ncd]])", "ab\ncd\n"},
        RunCase{"LongStringUnfinished", "x = [[abc", "error 3: test:1: unfinished long string near `<eof>'"},
        RunCase{"LongComment", "--[[ one\ntwo ]] emit(1)", "1\n"},
        RunCase{"LongCommentUnfinished", "--[[ one\ntwo", "error 3: test:2: unfinished long comment near `<eof>'"},
        RunCase{"LineCommentAfterSingleBracket", "--[ x\nemit(2)", "2\n"},
        RunCase{"ByteFFIsInvalidWideChar", "x = 1 \xFF", "error 3: test:1: invalid wide char near `char(255)'"},
        RunCase{"ControlChar", "x = 1 \x01", "error 3: test:1: invalid control char near `char(1)'"},
        RunCase{"DeleteIsControlChar", "x = \x7F", "error 3: test:1: invalid control char near `char(127)'"},
        RunCase{"HighBytesAreSingleTokens", "x = \xC3", "error 3: test:1: unexpected symbol near `\xC3'"},
        RunCase{"CarriageReturnAloneIsNoLine", "x = 1\r\r\x01", "error 3: test:1: invalid control char near `char(1)'"},
        RunCase{"CrLfCountsOneLine", "x = 1\r\n\x01", "error 3: test:2: invalid control char near `char(1)'"},
        RunCase{"FirstLineHashIsSkipped", "#!/usr/bin/env scriptrun\nemit(7)", "7\n"},
        RunCase{"FirstLineHashStillCountsLine", "# comment\n\x01",
                "error 3: test:2: invalid control char near `char(1)'"},
        RunCase{"ShiftTokens", "emit(1 << 4, 256 >> 4, 3 <= 3, 4 >= 5)", "16 16 true false\n"},
        RunCase{"EmptyChunk", "", ""}, RunCase{"OnlyComments", "-- nothing\n--[[ at\n all ]]", ""},
        RunCase{"ContinueIsReserved", "continue = 1", "error 3: test:1: no loop to continue near `='"}),
    [](const ::testing::TestParamInfo<RunCase>& i) { return std::string(i.param.name); });

// ---- UTF-16LE sources ----

TEST(CompilerUtf16, WideAndNarrowLiteralsFromSixteenBitSource) {
  ScriptState s;
  // U+00E9 in a wide literal stays one unit; in an 8-bit literal it is the byte E9. A unit
  // above 255 in an 8-bit literal keeps only its low byte (U+263A -> ':').
  std::string src = Utf16Source(u"emit(L\"\u00e9\u263A\", \"\u00e9\", \"\u263A\")");
  EXPECT_EQ(s.Run(src), "L\"\\x00E9\\x263A\" \xE9 :\n");
}

TEST(CompilerUtf16, MarkIsConsumedAndLinesCount) {
  ScriptState s;
  EXPECT_EQ(s.Run(Utf16Source(u"x = 1\r\nemit(x + 1)\n")), "2\n");
  EXPECT_EQ(s.Run(Utf16Source(u"x = 1\n\u263A")), "error 3: test:2: invalid wide char near `char(9786)'");
  EXPECT_EQ(s.Run(Utf16Source(u"x = \u0001")), "error 3: test:1: invalid control char near `char(1)'");
}

TEST(CompilerUtf16, ReadsAcrossOneByteBlocks) {
  ScriptState s;
  std::string src = Utf16Source(u"emit(L\"\\x263A\", 0x10)");
  ASSERT_EQ(s.Load(src, "=test", 1), 0) << s.TopText();
  ASSERT_EQ(lua_pcall(s.L(), 0, 0, 0), 0);
  EXPECT_EQ(s.out(), "L\"\\x263A\" 16\n");
}

TEST(CompilerUtf16, OddTrailingByteEndsTheSource) {
  ScriptState s;
  std::string src = Utf16Source(u"emit(3)") + "x";
  EXPECT_EQ(s.Run(src), "3\n");
}

TEST(CompilerUtf16, BigEndianMarkIsEightBitText) {
  ScriptState s;
  EXPECT_EQ(s.Run("\xFE\xFF"), "error 3: test:1: unexpected symbol near `\xFE'");
}

TEST(CompilerUtf16, WideLiteralFromEightBitSourceKeepsBytes) {
  ScriptState s;
  EXPECT_EQ(s.Run("emit(L\"a\xE9\")"), "L\"a\\x00E9\"\n");
}

// ---- parser: messages and limits ----

std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; i++) r += s;
  return r;
}

std::string manyLocals(int n) {
  std::string s;
  for (int i = 0; i < n; i++) s += "local v" + std::to_string(i) + " ";
  return s;
}

std::string manyParams(int n) {
  std::string s = "function f(";
  for (int i = 0; i < n; i++) s += (i ? ",p" : "p") + std::to_string(i);
  return s + ") end";
}

std::string manyUpvalues(int n) {
  std::string s;
  for (int i = 0; i < n; i++) s += "local u" + std::to_string(i) + " = " + std::to_string(i) + " ";
  s += "function f() return 0";
  for (int i = 0; i < n; i++) s += " + u" + std::to_string(i);
  return s + " end emit(f())";
}

INSTANTIATE_TEST_SUITE_P(
    Parser, CompilerRun,
    ::testing::Values(
        RunCase{"BreakTwoLeavesBothLoops",
                "for i = 1, 3 do for j = 1, 3 do if j == 2 then break 2 end emit(i, j) end end", "1 1\n"},
        RunCase{"BreakThreeWithTwoLoops", "for i = 1, 3 do for j = 1, 3 do break 3 end end",
                "error 3: test:1: no loop to break near `end'"},
        RunCase{"BreakZero", "while 1 do break 0 end", "error 3: test:1: loop block number out of range near `0'"},
        RunCase{"BreakHundredOne", "while 1 do break 101 end",
                "error 3: test:1: loop block number out of range near `101'"},
        RunCase{"BreakMinusOne", "while 1 do break -1 end", "error 3: test:1: `end' expected near `-'"},
        RunCase{"BreakFraction", "while 1 do break 1.5 end",
                "error 3: test:1: loop block number must be integer near `1.5'"},
        RunCase{"BreakOutsideLoop", "break", "error 3: test:1: no loop to break near `<eof>'"},
        RunCase{"ContinueOutsideLoop", "do continue end", "error 3: test:1: no loop to continue near `end'"},
        RunCase{"StatementAfterContinue", "while x do continue x = 1 end", "error 3: test:1: `end' expected near `x'"},
        RunCase{"ContinueInNumericFor", "for i = 1, 3 do if i == 2 then continue end emit(i) end", "1\n3\n"},
        RunCase{"ContinueInRepeatEvaluatesUntil",
                "local i = 0 repeat i = i + 1 if i < 3 then continue end emit(i) until i >= 4", "3\n4\n"},
        RunCase{"ContinueInWhileEvaluatesCondition",
                "local i = 0 while i < 4 do i = i + 1 if i == 2 then continue end emit(i) end", "1\n3\n4\n"},
        RunCase{"ContinueTwoRunsOuterIteration",
                "for i = 1, 2 do for j = 1, 3 do if j == 2 then continue 2 end emit(i, j) end "
                "emit('never') end",
                "1 1\n2 1\n"},
        RunCase{"ContinueTwoClosesLocalCapturedLater",
                "local fs = {} for i = 1, 3 do local x = i * 10 for j = 1, 2 do "
                "if j == 2 then continue 2 end fs[i] = function() return x end end end "
                "emit(fs[1](), fs[2](), fs[3]())",
                "10 20 30\n"},
        RunCase{"BreakTwoClosesLocalCapturedLater",
                "local f for i = 1, 3 do local x = i * 10 for j = 1, 2 do "
                "if j == 2 then break 2 end f = function() return x end end end "
                "local z = 99 emit(f())",
                "10\n"},
        RunCase{"UntilDoesNotSeeBodyLocals",
                "local n = 0 repeat local stop = true n = n + 1 until stop or n == 3 emit(n)", "3\n"},
        RunCase{"ForVariableSharedByClosures",
                "local f = {} for i = 1, 3 do f[i] = function() return i end end "
                "emit(f[1](), f[2](), f[3]())",
                "3 3 3\n"},  // the loop instruction stores only indices it continues with
        RunCase{"BodyLocalsFreshPerIteration",
                "local f = {} for i = 1, 3 do local x = i f[i] = function() return x end end "
                "emit(f[1](), f[2](), f[3]())",
                "1 2 3\n"},
        RunCase{"SyntaxLevelsParentheses", "x = " + repeat("(", 201) + "1" + repeat(")", 201),
                "error 3: test:1: too many syntax levels near `('"},
        RunCase{"SyntaxLevelsNestedBlocks", repeat("do ", 201) + repeat("end ", 201),
                "error 3: test:1: too many syntax levels near `do'"},
        RunCase{"SyntaxLevelsUnaryOperators", "x = " + repeat("- ", 201) + "1",
                "error 3: test:1: too many syntax levels near `-'"},
        RunCase{"SyntaxLevelsConstructors", "x = " + repeat("{", 150) + repeat("}", 150),
                "error 3: test:1: too many syntax levels near `{'"},
        RunCase{"SyntaxLevelsFunctions", repeat("function f() ", 150) + repeat("end ", 150),
                "error 3: test:1: too many syntax levels near `function'"},
        RunCase{"ModerateNestingIsFine", "x = " + repeat("(", 150) + "1" + repeat(")", 150) + " emit(x)", "1\n"},
        RunCase{"TooManyLocals", manyLocals(201), "error 3: test:1: too many local variables (limit=200) near `<eof>'"},
        RunCase{"TwoHundredLocals", manyLocals(200) + " emit(v199)", "nil\n"},
        RunCase{"TooManyParameters", manyParams(101), "error 3: test:1: too many parameters (limit=100) near `)'"},
        RunCase{"TooManyUpvalues", manyUpvalues(33), "error 3: test:1: too many upvalues (limit=32) near `end'"},
        RunCase{"ThirtyTwoUpvalues", manyUpvalues(32), "496\n"},
        RunCase{"UnexpectedSymbol", "x = }", "error 3: test:1: unexpected symbol near `}'"},
        RunCase{"SyntaxError", "(x) = 1", "error 3: test:1: syntax error near `='"},
        RunCase{"SizeHintNeedsNumeral", "x = {&y}", "error 3: test:1: size expected following & (line 1) near `y'"},
        RunCase{"AmbiguousCall", "f = emit\nf\n(1)",
                "error 3: test:3: ambiguous syntax (function call x new statement) near `('"},
        RunCase{"FunctionArgumentsExpected", "emit:x", "error 3: test:1: function arguments expected near `<eof>'"},
        RunCase{"ForNeedsEqualsOrIn", "for a b", "error 3: test:1: `=' or `in' expected near `b'"},
        RunCase{"MissingEndSameLine", "if x then", "error 3: test:1: `end' expected near `<eof>'"},
        RunCase{"MissingEndOtherLine", "if x then\n\n",
                "error 3: test:3: `end' expected (to close `if' at line 1) near `<eof>'"},
        RunCase{"NameExpected", "local function 1 end", "error 3: test:1: <name> expected near `1'"},
        RunCase{"ParameterExpected", "function f(1) end", "error 3: test:1: <name> or `...' expected near `1'"},
        RunCase{"EofExpected", "x = 1 end", "error 3: test:1: <eof> expected near `end'"},
        RunCase{"AssignmentDropsExtraValues", "local a, b = 1, 2, emit('third') emit(a, b)", "third\n1 2\n"},
        RunCase{"LocalsFromOneCall", "local function f() return 1, 2, 3, 4 end local a, b, c = f() emit(a, b, c)",
                "1 2 3\n"},
        RunCase{"SwapAssignment", "local a, b = 1, 2 a, b = b, a emit(a, b)", "2 1\n"},
        RunCase{"AssignmentConflictUsesCopy", "local t, u = {}, {} local a = t a[1], a = 5, u emit(t[1], u[1])",
                "5 nil\n"},
        RunCase{"WideStringCallArgument", "emit L\"wide\"", "L\"wide\"\n"},
        RunCase{"StringCallArgument", "emit 'narrow'", "narrow\n"},
        RunCase{"TableCallArgument", "function f(t) return t[2] end emit(f{5, 6})", "6\n"},
        RunCase{"MethodCall", "local o = {v = 3} function o:get(k) return self.v + k end emit(o:get(4))", "7\n"},
        RunCase{"VarargTable", "local function f(a, ...) return a, arg.n, arg[1], arg[2] end emit(f(1, 2, 3))",
                "1 2 2 3\n"},
        RunCase{"TailCallResults",
                "local function g(a) return a, a * 2 end local function f(a) return g(a) end "
                "emit(f(4))",
                "4 8\n"},
        RunCase{"ConstructorWithOpenCall",
                "local function f() return 7, 8, 9 end local t = {1, f()} emit(t[1], t[2], t[4])", "1 7 9\n"},
        RunCase{"ConstructorNamedAndKeyed", "local t = {x = 1, ['y'] = 2; 3, [10] = 4} emit(t.x, t.y, t[1], t[10])",
                "1 2 3 4\n"},
        RunCase{"ConstructorLeadingSemicolon", "local t = {; 5} emit(t[1])", "5\n"},
        RunCase{"ConstructorSizeHints", "local t = {&10 &20 1, 2} emit(t[2])", "2\n"},
        RunCase{"GenericForWithState",
                "local function it(s, c) if c < s then return c + 1 end end "
                "for i in it, 3, 0 do emit(i) end",
                "1\n2\n3\n"},
        RunCase{"IfElseifElse",
                "for i = 1, 3 do if i == 1 then emit('a') elseif i == 2 then emit('b') else "
                "emit('c') end end",
                "a\nb\nc\n"},
        RunCase{"LogicalValues", "local a, b = nil, 7 emit(a or 1, b and 2, a and 3, not a, not b, b or x)",
                "1 2 nil true false 7\n"},
        RunCase{"DoubleNotIsBoolean",
                "local y, z = 4, nil emit(not not (y or z), not (not (z or y)), not not (y and y))",
                "true true true\n"},
        RunCase{"AlwaysTrueJumpAfterAndGivesBoolean", "local a, b = nil, 2 emit((b or a) and (true or a == 1))",
                "true\n"},
        RunCase{"ComparisonsAsValues", "local a, b = 1, 2 emit(a < b, a > b, a <= 1, b >= 3, a == 1, a ~= 1)",
                "true false true false true false\n"},
        RunCase{"WhileConstantConditionIsTrue", "local n = 0 while 1 do n = n + 1 if n == 3 then break end end emit(n)",
                "3\n"},
        RunCase{"RepeatNilUntilIsFalse", "local n = 0 repeat n = n + 1 if n == 2 then break end until nil emit(n)",
                "2\n"},
        RunCase{"ConcatChain", "local a = 'x' emit(a .. 'y' .. 1 .. a)", "xy1x\n"},
        RunCase{"NegativeConstantFolded", "emit(-5, - -5, -(2))", "-5 5 -2\n"}),
    [](const ::testing::TestParamInfo<RunCase>& i) { return std::string(i.param.name); });

// ---- operator priorities ----

struct PrecedenceCase {
  const char* expr;
  double expected;  // the value under the intended grouping
};

class CompilerPrecedence : public ::testing::TestWithParam<PrecedenceCase> {};

TEST_P(CompilerPrecedence, GroupsAsSpecified) {
  ScriptState s;
  char want[64];
  std::snprintf(want, sizeof want, "%.14g\n", GetParam().expected);
  EXPECT_EQ(s.Run(std::string("emit(") + GetParam().expr + ")"), want) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    BitOperators, CompilerPrecedence,
    ::testing::Values(PrecedenceCase{"1 + 2 & 3", 1 + (2 & 3)}, PrecedenceCase{"2 + 3 & 1", 2 + (3 & 1)},
                      PrecedenceCase{"2 ^ 3 & 1", 8 & 1}, PrecedenceCase{"1 << 2 << 3", (1u << 2) << 3},
                      PrecedenceCase{"256 >> 2 >> 1", (256u >> 2) >> 1}, PrecedenceCase{"6 & 3 * 2", (6 & 3) * 2},
                      PrecedenceCase{"2 * 3 & 5", 2 * (3 & 5)}, PrecedenceCase{"5 - 3 | 4", 5.0 - (3 | 4)},
                      PrecedenceCase{"- 1 & 3", 0},  // (-1) & 3, and -1 clamps to 0
                      PrecedenceCase{"1 | 2 & 4", (1 | 2) & 4}, PrecedenceCase{"7 & 12 | 1", (7 & 12) | 1},
                      PrecedenceCase{"1 << 3 | 1", (1u << 3) | 1},
                      PrecedenceCase{"2 ^ 2 ^ 3", 256},  // right associative
                      PrecedenceCase{"10 - 4 - 3", 3}, PrecedenceCase{"2 * 3 ^ 2", 18}, PrecedenceCase{"-2 ^ 2", -4}));

TEST(CompilerPrecedence, ComparisonAndConcatenationBindLooser) {
  ScriptState s;
  EXPECT_EQ(s.Run("emit(1 | 2 == 3, 2 .. 3 & 1, 1 < 2 == true)"), "true 21 true\n");
  EXPECT_EQ(s.Run("emit(nil or 1 and 2, false and 1 or 3)"), "2 3\n");
}

// ---- numbered break/continue matrix ----

enum class Loop { While, Repeat, NumericFor, GenericFor };
const char* loopName(Loop l) {
  switch (l) {
    case Loop::While: return "While";
    case Loop::Repeat: return "Repeat";
    case Loop::NumericFor: return "NumericFor";
    default: return "GenericFor";
  }
}

struct MatrixCase {
  Loop loop;
  bool isBreak;
  int n;          // loop number (1 or 2)
  bool captured;  // the inner body's local is captured by a closure
};

std::string matrixName(const MatrixCase& c) {
  return std::string(loopName(c.loop)) + (c.isBreak ? "Break" : "Continue") + std::to_string(c.n) +
         (c.captured ? "Captured" : "Plain");
}

// Builds the program: an optional outer numeric loop (o = 1..2) around an inner loop of the
// given kind over i = 1..3, whose body declares x, optionally captures it, and at i == 2 runs
// the statement. Locals before the inner loop: it, n, fs (registers 0-2), then y (3) for
// N = 1, or the outer loop's three control slots (3-5) and y (6) for N = 2.
std::string matrixSource(const MatrixCase& c) {
  std::string stmt = std::string(c.isBreak ? "break" : "continue") + (c.n == 2 ? " 2" : "");
  std::string body = "local x = i * 10 + y ";
  if (c.captured) body += "n = n + 1 fs[n] = function() return x end ";
  body += "if i == 2 then " + stmt + " end emit(y, i) ";
  std::string inner;
  switch (c.loop) {
    case Loop::While: inner = "local i = 0 while i < 3 do i = i + 1 " + body + "end "; break;
    case Loop::Repeat: inner = "local i = 0 repeat i = i + 1 " + body + "until i >= 3 "; break;
    case Loop::NumericFor: inner = "for i = 1, 3 do " + body + "end "; break;
    case Loop::GenericFor: inner = "for i in it, 3, 0 do " + body + "end "; break;
  }
  std::string src = "local function it(s, c) if c < s then return c + 1 end end "
                    "local n, fs = 0, {} ";
  if (c.n == 2)
    src += "for o = 1, 2 do local y = o * 100 " + inner + "emit('outer', y) end ";
  else
    src += "local y = 100 " + inner;
  src += "for k = 1, n do emit('closure', fs[k]()) end";
  return src;
}

// The output the program must print, by the rules of the statement.
std::string matrixExpected(const MatrixCase& c) {
  std::string out, closures;
  int outerCount = c.n == 2 ? 2 : 1;
  for (int o = 1; o <= outerCount; o++) {
    int y = c.n == 2 ? o * 100 : 100;
    bool leaveOuter = false, nextOuter = false;
    for (int i = 1; i <= 3; i++) {
      if (c.captured) closures += "closure " + std::to_string(i * 10 + y) + "\n";
      if (i == 2) {
        if (c.n == 1 && c.isBreak) break;
        if (c.n == 1) continue;
        if (c.isBreak)
          leaveOuter = true;
        else
          nextOuter = true;
        break;
      }
      out += std::to_string(y) + " " + std::to_string(i) + "\n";
    }
    if (leaveOuter) break;
    if (!nextOuter && c.n == 2) out += "outer " + std::to_string(y) + "\n";
  }
  return out + closures;
}

class BreakContinueMatrix : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(BreakContinueMatrix, RunsAndClosesCapturedLocals) {
  const MatrixCase& c = GetParam();
  ScriptState s;
  std::string src = matrixSource(c);
  EXPECT_EQ(s.Run(src), matrixExpected(c)) << src;

  // The statement's jump is preceded by OP_CLOSE when a local it leaves is captured, with A =
  // the first register of the target loop's body. Leaving an inner loop (N = 2) always closes
  // when locals lie between the loops: a capture further down may have happened already.
  ASSERT_EQ(s.Load(src), 0) << s.TopText();
  const Proto* p = s.TopProto();
  ASSERT_NE(p, nullptr);
  int inductionSlots = (c.loop == Loop::While || c.loop == Loop::Repeat) ? 1 : 3;
  // it, n, fs, then y (N = 1) or the outer loop's o, limit, step and y (N = 2)
  int innerBody = (c.n == 2 ? 7 : 4) + inductionSlots;
  int expectedA = c.n == 2 ? 6 : innerBody;
  // Find the `i == 2` test: OP_EQ with a constant 2, its JMP, then the statement.
  int closes = 0;
  bool found = false;
  for (int pc = 0; pc + 2 < p->sizecode; pc++) {
    Instruction ins = p->code[pc];
    if (GET_OPCODE(ins) != OP_EQ) continue;
    int kc = GETARG_C(ins) - MAXSTACK;
    if (kc < 0 || kc >= p->sizek || !ttisnumber(&p->k[kc]) || nvalue(&p->k[kc]) != 2) continue;
    found = true;
    int at = pc + 2;  // after the test's jump
    if (GET_OPCODE(p->code[at]) == OP_CLOSE) {
      closes++;
      EXPECT_EQ(GETARG_A(p->code[at]), expectedA) << Disassemble(p);
      at++;
    }
    EXPECT_EQ(GET_OPCODE(p->code[at]), OP_JMP) << Disassemble(p);
    break;
  }
  ASSERT_TRUE(found) << Disassemble(p);
  EXPECT_EQ(closes, (c.captured || c.n == 2) ? 1 : 0) << Disassemble(p);
}

std::vector<MatrixCase> allMatrixCases() {
  std::vector<MatrixCase> v;
  for (Loop l : {Loop::While, Loop::Repeat, Loop::NumericFor, Loop::GenericFor})
    for (bool br : {true, false})
      for (int n : {1, 2})
        for (bool cap : {false, true}) v.push_back(MatrixCase{l, br, n, cap});
  return v;
}

INSTANTIATE_TEST_SUITE_P(AllLoops, BreakContinueMatrix, ::testing::ValuesIn(allMatrixCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& i) { return matrixName(i.param); });

// ---- code generator ----

struct Compiled {
  ScriptState s;
  const Proto* p = nullptr;
  explicit Compiled(const std::string& src) {
    if (s.Load(src) == 0)
      p = s.TopProto();
    else
      ADD_FAILURE() << s.TopText();
  }
};

int countOp(const Proto* p, OpCode op) {
  int n = 0;
  for (int i = 0; i < p->sizecode; i++) n += GET_OPCODE(p->code[i]) == op;
  return n;
}

TEST(CodeGenerator, NarrowAndWideStringsAreDistinctConstants) {
  Compiled c("a = 'ab' b = L\"ab\"");
  ASSERT_TRUE(c.p);
  int narrow = 0, wide = 0;
  for (int i = 0; i < c.p->sizek; i++) {
    const TObject* k = &c.p->k[i];
    if (ttisstring(k) && tsvalue(k)->len == 2 && std::string(getstr(tsvalue(k))) == "ab") narrow++;
    if (ttiswstring(k) && tsvalue(k)->len == 2 && getwstr(tsvalue(k))[0] == 'a') wide++;
  }
  EXPECT_EQ(narrow, 1);
  EXPECT_EQ(wide, 1);
}

TEST(CodeGenerator, NumberConstantsAreSharedAndMinusFolds) {
  Compiled c("local a = 5 local b = 5 local d = -5");
  ASSERT_TRUE(c.p);
  int fives = 0, minusFives = 0;
  for (int i = 0; i < c.p->sizek; i++) {
    if (ttisnumber(&c.p->k[i]) && nvalue(&c.p->k[i]) == 5) fives++;
    if (ttisnumber(&c.p->k[i]) && nvalue(&c.p->k[i]) == -5) minusFives++;
  }
  EXPECT_EQ(fives, 1);
  EXPECT_EQ(minusFives, 1);
  EXPECT_EQ(countOp(c.p, OP_UNM), 0);
  EXPECT_EQ(countOp(c.p, OP_LOADK), 3);
}

TEST(CodeGenerator, BitOperatorsAreNeverFolded) {
  Compiled c("x = 1 & 2");
  ASSERT_TRUE(c.p);
  ASSERT_EQ(countOp(c.p, OP_BAND), 1);
  for (int i = 0; i < c.p->sizecode; i++) {
    Instruction ins = c.p->code[i];
    if (GET_OPCODE(ins) != OP_BAND) continue;
    EXPECT_GE(GETARG_B(ins), MAXSTACK);
    EXPECT_GE(GETARG_C(ins), MAXSTACK);
  }
  EXPECT_EQ(countOp(Compiled("x = 3 | 4 y = 1 << 2 z = 8 >> 1").p, OP_BOR), 1);
}

TEST(CodeGenerator, GreaterThanSwapsOperands) {
  Compiled c("local a, b local c = a > b");
  ASSERT_TRUE(c.p);
  bool seen = false;
  for (int i = 0; i + 1 < c.p->sizecode; i++) {
    Instruction ins = c.p->code[i];
    if (GET_OPCODE(ins) != OP_LT) continue;
    seen = true;
    EXPECT_EQ(GETARG_A(ins), 1);
    EXPECT_EQ(GETARG_B(ins), 1);  // b
    EXPECT_EQ(GETARG_C(ins), 0);  // a
    EXPECT_EQ(GET_OPCODE(c.p->code[i + 1]), OP_JMP);
  }
  EXPECT_TRUE(seen) << ListCode(c.p);
}

TEST(CodeGenerator, ConstantBeyondOperandRangeGoesThroughRegister) {
  std::string src;
  for (int i = 0; i < 262; i++) src += "a" + std::to_string(i) + " = 1 ";
  // The globals' names and the number 1 fill constants 0..262, the 0 is 263: the constant
  // 1000 (index 264) is beyond the operand range and goes through a register first.
  src += "local v = 0 v = v + 1000";
  Compiled c(src);
  ASSERT_TRUE(c.p);
  const Instruction* code = c.p->code;
  int n = c.p->sizecode;
  ASSERT_GE(n, 3);
  Instruction add = code[n - 2];
  ASSERT_EQ(GET_OPCODE(add), OP_ADD) << ListCode(c.p);
  EXPECT_LT(GETARG_C(add), MAXSTACK);
  EXPECT_EQ(GET_OPCODE(code[n - 3]), OP_LOADK);
  EXPECT_GT(GETARG_Bx(code[n - 3]), 261);
}

TEST(CodeGenerator, AdjacentNilLoadsMerge) {
  Compiled c("local a local b");
  ASSERT_TRUE(c.p);
  EXPECT_EQ(countOp(c.p, OP_LOADNIL), 1);
  EXPECT_EQ(GET_OPCODE(c.p->code[0]), OP_LOADNIL);
  EXPECT_EQ(GETARG_A(c.p->code[0]), 0);
  EXPECT_EQ(GETARG_B(c.p->code[0]), 1);
}

TEST(CodeGenerator, ListItemsFlushEveryThirtyTwo) {
  std::string src = "t = {";
  for (int i = 1; i <= 33; i++) src += std::to_string(i) + ",";
  src += "}";
  Compiled c(src);
  ASSERT_TRUE(c.p);
  std::vector<int> bx;
  for (int i = 0; i < c.p->sizecode; i++)
    if (GET_OPCODE(c.p->code[i]) == OP_SETLIST) bx.push_back(GETARG_Bx(c.p->code[i]));
  EXPECT_EQ(bx, (std::vector<int>{31, 32}));
  EXPECT_EQ(GETARG_B(c.p->code[0]), luaO_int2fb(33));
}

TEST(CodeGenerator, ConstructorHintsSetTableSizes) {
  Compiled c("t = {&10 &20}");
  ASSERT_TRUE(c.p);
  Instruction nt = c.p->code[0];
  ASSERT_EQ(GET_OPCODE(nt), OP_NEWTABLE);
  EXPECT_EQ(GETARG_B(nt), luaO_int2fb(20));
  EXPECT_EQ(GETARG_C(nt), 4);
  // Huge and negative hints are clamped, never undefined.
  Compiled big("t = {&1e300 &0}");
  ASSERT_TRUE(big.p);
  EXPECT_EQ(GETARG_C(big.p->code[0]), luaO_log2(16777216) + 1);
  EXPECT_EQ(GETARG_B(big.p->code[0]), 0);
}

TEST(CodeGenerator, ListItemLimit) {
  ScriptState s;
  std::string items = repeat("1,", 262143);
  EXPECT_EQ(s.LoadError("t = {" + items + "}"), "");
  EXPECT_EQ(s.LoadError("t = {" + items + "1, 2}"), "test:1: too many items in a constructor (limit=262143) near `}'");
}

TEST(CodeGenerator, RegisterLimitIsAnError) {
  ScriptState s;
  std::string src = "f(" + repeat("1,", 250) + "1)";
  EXPECT_EQ(s.LoadError(src), "test:1: function or expression too complex near `1'");
  std::string ok = "emit(" + repeat("1,", 240) + "1)";
  EXPECT_EQ(s.LoadError(ok), "");
}

TEST(CodeGenerator, WhileConditionLimit) {
  ScriptState s;
  std::string cond = "a";
  for (int i = 0; i < 60; i++) cond += " and a";
  EXPECT_EQ(s.LoadError("while " + cond + " do end"), "test:1: `while' condition too complex near `do'");
  EXPECT_EQ(s.LoadError("while a and b and c do end"), "");
}

TEST(CodeGenerator, JumpTooLongIsAnError) {
  // A body of more than 131071 instructions cannot be jumped over.
  std::string body;
  for (int i = 0; i < 70000; i++) body += "x=y ";
  ScriptState s;
  EXPECT_EQ(s.LoadError("if a then " + body + "end"), "test:1: control structure too long near `<eof>'");
}

TEST(CodeGenerator, LineInfoFollowsSource) {
  Compiled c("local a = 1\n\nlocal b = 2\n");
  ASSERT_TRUE(c.p);
  ASSERT_EQ(c.p->sizelineinfo, c.p->sizecode);
  EXPECT_EQ(c.p->lineinfo[0], 1);
  EXPECT_EQ(c.p->lineinfo[1], 3);
}

}  // namespace
}  // namespace scripttest
