// The virtual machine, instruction by instruction through the test assembler.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "assembler.h"
#include "debug.h"
#include "test_runtime_support.h"

namespace {

using namespace asmtest;
using rt::RuntimeTest;

class VmTest : public RuntimeTest {
protected:
  // Calls the assembled function with numeric arguments; returns the results as text
  // (numbers "%.14g", strings as is, others by type name) or "ERROR: <message>".
  std::vector<std::string> call(const ProtoSpec& spec, std::vector<double> args = {}) {
    int top = lua_gettop(L);
    push(L, spec);
    for (double a : args) lua_pushnumber(L, a);
    std::vector<std::string> out;
    int status = lua_pcall(L, static_cast<int>(args.size()), LUA_MULTRET, 0);
    if (status != 0) {
      const char* m = lua_tostring(L, -1);
      out.push_back(std::string("ERROR: ") + (m ? m : "?"));
      lua_settop(L, top);
      return out;
    }
    for (int i = top + 1; i <= lua_gettop(L); i++) {
      int t = lua_type(L, i);
      if (t == LUA_TNUMBER || t == LUA_TSTRING) {
        lua_pushvalue(L, i);
        out.push_back(lua_tostring(L, -1));
        lua_pop(L, 1);
      } else if (t == LUA_TBOOLEAN) {
        out.push_back(lua_toboolean(L, i) ? "true" : "false");
      } else {
        out.push_back(lua_typename(L, t));
      }
    }
    lua_settop(L, top);
    return out;
  }
  using V = std::vector<std::string>;
};

TEST_F(VmTest, LoadsAndMoves) {
  ProtoSpec s;
  s.k = {42.0, std::string("s")};
  s.code = {ABx(OP_LOADK, 0, 0),      ABC(OP_MOVE, 1, 0, 0), ABC(OP_LOADBOOL, 2, 1, 1), ABx(OP_LOADK, 2, 1),
            ABC(OP_LOADNIL, 3, 4, 0), ABx(OP_LOADK, 5, 1),   ABC(OP_RETURN, 0, 7, 0)};
  EXPECT_EQ(call(s), (V{"42", "42", "true", "nil", "nil", "s"}));
}

// LOADK and MOVE copy numbers one way and every other kind another: each kind, and numbers
// whose bits matter (negative zero, infinity, NaN), arrives unchanged in both copies.
TEST_F(VmTest, LoadsAndMovesKeepEveryKindOfValue) {
  const struct {
    KValue k;
    V want;
  } consts[] = {
      {-0.0, {"-0", "-0", "-inf", "-inf"}},  // 1/x tells negative zero apart
      {HUGE_VAL, {"inf", "inf", "0", "0"}},
      {NAN, {"nan", "nan", "nan", "nan"}},
      {1.5, {"1.5", "1.5", "0.66666666666667", "0.66666666666667"}},
      {std::string("9"), {"9", "9", "0.11111111111111", "0.11111111111111"}},
      {KNil{}, {"nil", "nil", "nil", "nil"}},
  };
  for (const auto& c : consts) {
    ProtoSpec s;
    s.k = {c.k, 1.0};
    // r0 = K0, r1 = r0, then 1/r0 and 1/r1 where they are numbers
    s.code = {ABx(OP_LOADK, 0, 0), ABC(OP_MOVE, 1, 0, 0)};
    if (!std::holds_alternative<KNil>(c.k)) {
      s.code.insert(s.code.end(), {ABC(OP_DIV, 2, K(1), 0), ABC(OP_DIV, 3, K(1), 1)});
    }
    s.code.push_back(ABC(OP_RETURN, 0, 5, 0));
    V got = call(s);
    for (std::string& g : got) {  // the C library's spelling of NaN may carry a sign
      if (g == "-nan") g = "nan";
    }
    EXPECT_EQ(got, c.want);
  }
  // a table, a boolean and a function keep their identity
  ProtoSpec s;
  s.code = {ABC(OP_NEWTABLE, 0, 0, 0), ABC(OP_MOVE, 1, 0, 0),     ABC(OP_EQ, 1, 1, 0),   AsBx(OP_JMP, 0, 1),
            ABC(OP_LOADNIL, 1, 1, 0),  ABC(OP_LOADBOOL, 2, 1, 0), ABC(OP_MOVE, 3, 2, 0), ABx(OP_CLOSURE, 4, 0),
            ABC(OP_MOVE, 5, 4, 0),     ABC(OP_EQ, 1, 5, 4),       AsBx(OP_JMP, 0, 1),    ABC(OP_LOADNIL, 5, 5, 0),
            ABC(OP_RETURN, 1, 6, 0)};
  ProtoSpec f;
  f.code = {ABC(OP_RETURN, 0, 1, 0)};
  s.sub = {f};
  EXPECT_EQ(call(s), (V{"table", "true", "true", "function", "function"}));
}

TEST_F(VmTest, GlobalsAndTables) {
  ProtoSpec s;
  s.k = {std::string("g"), 5.0, std::string("x"), 7.0};
  s.code = {ABx(OP_LOADK, 0, 1),          ABx(OP_SETGLOBAL, 0, 0),         ABx(OP_GETGLOBAL, 1, 0),
            ABC(OP_NEWTABLE, 2, 0, 0),    ABC(OP_SETTABLE, 2, K(2), K(3)), ABC(OP_GETTABLE, 3, 2, K(2)),
            ABC(OP_GETTABLE, 4, 2, K(0)), ABC(OP_RETURN, 1, 5, 0)};
  EXPECT_EQ(call(s), (V{"5", "table", "7", "nil"}));
}

TEST_F(VmTest, SetListAndOpenSetList) {
  ProtoSpec s;
  s.k = {10.0, 20.0, 30.0};
  s.code = {ABC(OP_NEWTABLE, 0, 3, 0), ABx(OP_LOADK, 1, 0),          ABx(OP_LOADK, 2, 1),    ABx(OP_LOADK, 3, 2),
            ABx(OP_SETLIST, 0, 2),     ABC(OP_GETTABLE, 1, 0, K(2)), ABC(OP_RETURN, 1, 2, 0)};
  // t[30] is absent: 30 is a value, not a key
  EXPECT_EQ(call(s), (V{"nil"}));
  s.code[5] = ABC(OP_NEWTABLE, 4, 0, 0);  // replace: read t[3] through a second table's key
  s.k = {10.0, 20.0, 30.0, 3.0};
  s.code = {ABC(OP_NEWTABLE, 0, 3, 0), ABx(OP_LOADK, 1, 0),          ABx(OP_LOADK, 2, 1),    ABx(OP_LOADK, 3, 2),
            ABx(OP_SETLIST, 0, 2),     ABC(OP_GETTABLE, 1, 0, K(3)), ABC(OP_RETURN, 1, 2, 0)};
  EXPECT_EQ(call(s), (V{"30"}));
  // SETLISTO takes the count from the top, as left by an open call
  ProtoSpec three;
  three.k = {1.0, 2.0, 3.0};
  three.code = {ABx(OP_LOADK, 0, 0), ABx(OP_LOADK, 1, 1), ABx(OP_LOADK, 2, 2), ABC(OP_RETURN, 0, 4, 0)};
  ProtoSpec m;
  m.sub = {three};
  m.k = {3.0};
  m.code = {ABC(OP_NEWTABLE, 0, 0, 0), ABx(OP_CLOSURE, 1, 0),        ABC(OP_CALL, 1, 1, 0),
            ABx(OP_SETLISTO, 0, 0),    ABC(OP_GETTABLE, 1, 0, K(0)), ABC(OP_RETURN, 1, 2, 0)};
  EXPECT_EQ(call(m), (V{"3"}));
}

TEST_F(VmTest, SetListOnANonTableIsATypeError) {
  ProtoSpec s;
  s.k = {1.0};
  s.code = {ABx(OP_LOADK, 0, 0), ABx(OP_LOADK, 1, 0), ABx(OP_SETLIST, 0, 0), ABC(OP_RETURN, 0, 1, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:3: attempt to index a number value"}));
}

TEST_F(VmTest, NewTableSizesFromTheFloatingByte) {
  ProtoSpec s;
  s.code = {ABC(OP_NEWTABLE, 0, 17, 2), ABC(OP_RETURN, 0, 2, 0)};
  push(L, s);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  const TObject* o = L->top - 1;
  ASSERT_TRUE(ttistable(o));
  EXPECT_EQ(hvalue(o)->sizearray, 4);
  EXPECT_EQ(sizenode(hvalue(o)), 4);
  // absurd sizes from loaded code fail cleanly
  s.code = {ABC(OP_NEWTABLE, 0, 511, 0), ABC(OP_RETURN, 0, 2, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:1: table overflow"}));
  s.code = {ABC(OP_NEWTABLE, 0, 0, 30), ABC(OP_RETURN, 0, 2, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:1: table overflow"}));
}

// Number keys at and around the ends of the array part, through SETTABLE and GETTABLE: a
// whole number in 1..sizearray is its array slot, every other number (zero, negative zero,
// fractions, past the end, beyond the int range) is a key of the hash part. The values are
// checked through the C interface, whose lookup is separate from the machine's.
TEST_F(VmTest, NumberKeysAtTheEndsOfTheArrayPart) {
  constexpr int kArray = 4;
  const double keys[] = {1,
                         2,
                         3,
                         kArray,
                         0,
                         -0.0,
                         -1,
                         0.5,
                         1.5,
                         3.5,
                         4.5,
                         5.0,
                         2147483647.0,
                         2147483648.0,
                         -2147483648.0,
                         4294967297.0,
                         4294967300.0,
                         HUGE_VAL,
                         -HUGE_VAL};
  constexpr int kHashKeys = sizeof(keys) / sizeof(keys[0]) - kArray - 1;  // 0 and -0 are one key
  ProtoSpec newtable;  // array part of kArray slots, 32 nodes: room for every key without a rehash
  newtable.code = {ABC(OP_NEWTABLE, 0, kArray, 5), ABC(OP_RETURN, 0, 2, 0)};
  push(L, newtable);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  int t = lua_gettop(L);
  ASSERT_EQ(hvalue(L->top - 1)->sizearray, kArray);
  ASSERT_GT(sizenode(hvalue(L->top - 1)), kHashKeys);
  auto function = [&](const char* src) {
    EXPECT_EQ(rt::load(L, src), 0) << src;
    EXPECT_EQ(lua_pcall(L, 0, 1, 0), 0) << src;
    return lua_gettop(L);
  };
  int set = function("return function(t, k, v) t[k] = v end");
  int get = function("return function(t, k) return t[k] end");
  int consts =
      function("return function(t) t[1], t[4], t[5], t[0] = 'c1', 'c4', 'c5', 'c0'; return t[1], t[4], t[5], t[0] end");
  auto value = [&](double k) {
    lua_pushnumber(L, k);
    lua_rawget(L, t);
    std::string v = lua_isstring(L, -1) ? lua_tostring(L, -1) : lua_typename(L, lua_type(L, -1));
    lua_pop(L, 1);
    return v;
  };
  auto vmset = [&](double k, const std::string& v) {
    lua_pushvalue(L, set);
    lua_pushvalue(L, t);
    lua_pushnumber(L, k);
    lua_pushstring(L, v.c_str());
    return lua_pcall(L, 3, 0, 0);
  };
  auto vmget = [&](double k) {
    lua_pushvalue(L, get);
    lua_pushvalue(L, t);
    lua_pushnumber(L, k);
    if (lua_pcall(L, 2, 1, 0) != 0) return std::string("ERROR");
    std::string v = lua_isstring(L, -1) ? lua_tostring(L, -1) : lua_typename(L, lua_type(L, -1));
    lua_pop(L, 1);
    return v;
  };
  char name[64];
  // into empty slots and absent keys
  for (double k : keys) {
    std::snprintf(name, sizeof name, "a%.17g", k == 0 ? 0.0 : k);
    ASSERT_EQ(vmset(k, name), 0) << k;
    EXPECT_EQ(value(k), name) << k;
  }
  EXPECT_EQ(hvalue(L->base + t - 1)->sizearray, kArray);
  for (int i = 1; i <= kArray; i++) {
    std::snprintf(name, sizeof name, "a%d", i);
    const TObject* slot = &hvalue(L->base + t - 1)->array[i - 1];
    ASSERT_TRUE(ttisstring(slot)) << i;
    EXPECT_EQ(std::string(getstr(tsvalue(slot))), name) << i;
  }
  // reads, of every key and of some absent ones
  for (double k : keys) {
    std::snprintf(name, sizeof name, "a%.17g", k == 0 ? 0.0 : k);
    EXPECT_EQ(vmget(k), name) << k;
  }
  for (double k : {2.5 - 0.25, 6.0, -2.0, 8589934593.0, std::nan("")}) EXPECT_EQ(vmget(k), "nil") << k;
  // overwrites
  for (double k : keys) {
    std::snprintf(name, sizeof name, "b%.17g", k == 0 ? 0.0 : k);
    ASSERT_EQ(vmset(k, name), 0) << k;
    EXPECT_EQ(value(k), name) << k;
  }
  EXPECT_EQ(hvalue(L->base + t - 1)->sizearray, kArray);
  // constant keys (RK operands) take the same lookup
  lua_pushvalue(L, consts);
  lua_pushvalue(L, t);
  ASSERT_EQ(lua_pcall(L, 1, 4, 0), 0);
  EXPECT_STREQ(lua_tostring(L, -4), "c1");
  EXPECT_STREQ(lua_tostring(L, -3), "c4");
  EXPECT_STREQ(lua_tostring(L, -2), "c5");
  EXPECT_STREQ(lua_tostring(L, -1), "c0");
  EXPECT_EQ(value(4), "c4");
  EXPECT_EQ(value(5), "c5");
  lua_settop(L, 0);
}

// A store into an array slot holding nil goes to __newindex when the metatable has one; a
// slot holding a value, or a table whose metatable has none, takes the value directly.
TEST_F(VmTest, StoresIntoNilArraySlotsHonourNewindex) {
  ok("log = '' "
     "local mt = {__newindex = function(t, k, v) log = log .. k .. '=' .. v .. ';' end} "
     "t = {1, nil, 3, 4}; setmetatable(t, mt) "
     "plain = {1, nil, 3, 4}; setmetatable(plain, {}) "
     "bare = {1, nil, 3, 4}");
  for (const char* name : {"t", "plain", "bare"}) {
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    ASSERT_TRUE(ttistable(L->top - 1)) << name;
    EXPECT_EQ(hvalue(L->top - 1)->sizearray, 4) << name;
    lua_pop(L, 1);
  }
  const struct {
    const char* code;
    const char* log;
    const char* check;
    const char* value;
  } cases[] = {
      {"t[2] = 'a'", "2=a;", "rawget(t, 2)", "nil"},
      {"t[1] = 'b'", "", "t[1]", "b"},
      {"t[4] = 'c'", "", "t[4]", "c"},
      {"t[4] = nil; t[4] = 'd'", "4=d;", "rawget(t, 4)", "nil"},
      {"t[5] = 'e'", "5=e;", "rawget(t, 5)", "nil"},
      {"plain[2] = 'f'", "", "plain[2]", "f"},
      {"bare[2] = 'g'", "", "bare[2]", "g"},
      {"bare[4] = nil; bare[4] = 'h'", "", "bare[4]", "h"},
  };
  for (const auto& c : cases) {
    ok(std::string("log = ''; ") + c.code);
    EXPECT_EQ(eval("log"), c.log) << c.code;
    EXPECT_EQ(eval(c.check), c.value) << c.code;
  }
}

TEST_F(VmTest, Arithmetic) {
  ProtoSpec s;
  s.k = {7.0, 2.0, std::string("3"), std::u16string(u"4")};
  s.code = {ABC(OP_ADD, 0, K(0), K(1)), ABC(OP_SUB, 1, K(0), K(1)), ABC(OP_MUL, 2, K(0), K(1)),
            ABC(OP_DIV, 3, K(0), K(1)), ABC(OP_ADD, 4, K(2), K(3)), ABC(OP_UNM, 5, 0, 0),
            ABx(OP_LOADK, 6, 2),        ABC(OP_UNM, 6, 6, 0),       ABC(OP_NOT, 7, 6, 0),
            ABC(OP_RETURN, 0, 9, 0)};
  EXPECT_EQ(call(s), (V{"9", "5", "14", "3.5", "7", "-9", "-3", "false"}));
}

TEST_F(VmTest, PowerCallsTheGlobalPowFunction) {
  ProtoSpec s;
  s.k = {2.0, 10.0};
  s.code = {ABC(OP_POW, 0, K(0), K(1)), ABC(OP_RETURN, 0, 2, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:1: `__pow' (`^' operator) is not a function"}));
  ok("function __pow(a, b) local r = 1 for i = 1, b do r = r * a end return r end");
  EXPECT_EQ(call(s), (V{"1024"}));
}

TEST_F(VmTest, BitOperators) {
  struct Case {
    OpCode op;
    double a, b;
    const char* want;
  };
  const Case cases[] = {
      {OP_BAND, 6, 3, "2"},
      {OP_BOR, 6, 3, "7"},
      {OP_SHL, 1, 31, "2147483648"},
      {OP_SHL, 1, 32, "1"},
      {OP_SHR, -1, 0, "0"},
      {OP_BAND, 5.9, 7, "5"},
      {OP_BOR, 1099511627776.0, 0, "4294967295"},
      {OP_SHR, 4294967295.0, 28, "15"},
      {OP_BOR, 0.0 / 0.0, 0, "4294967295"},
      {OP_SHL, 3, 33, "6"},
  };
  for (const Case& c : cases) {
    ProtoSpec s;
    s.k = {c.a, c.b};
    s.code = {ABC(c.op, 0, K(0), K(1)), ABC(OP_RETURN, 0, 2, 0)};
    EXPECT_EQ(call(s), (V{c.want})) << luaP_opnames[c.op] << " " << c.a << " " << c.b;
  }
}

TEST_F(VmTest, BitOperatorsRejectTextWithTheOperandName) {
  ProtoSpec s;
  s.k = {std::string("6"), 3.0};
  s.code = {ABx(OP_LOADK, 0, 0), ABC(OP_BAND, 1, 0, K(1)), ABC(OP_RETURN, 1, 2, 0)};
  s.locals = {{"s", 1, 3}};
  EXPECT_EQ(call(s), (V{"ERROR: asm:2: attempt to perform arithmetic on local `s' (a string value)"}));
  s.code = {ABx(OP_LOADK, 0, 0), ABC(OP_ADD, 1, 0, K(1)), ABC(OP_RETURN, 1, 2, 0)};
  EXPECT_EQ(call(s), (V{"9"}));
}

TEST_F(VmTest, Concatenation) {
  ProtoSpec s;
  s.k = {1.0, 2.0, std::u16string(u"w"), std::string("a"), std::string("")};
  s.code = {ABx(OP_LOADK, 0, 0), ABx(OP_LOADK, 1, 1), ABC(OP_CONCAT, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
  EXPECT_EQ(call(s), (V{"12"}));
  // wide followed by a number: a wide string
  s.code = {ABx(OP_LOADK, 0, 2), ABx(OP_LOADK, 1, 0), ABC(OP_CONCAT, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
  push(L, s);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  ASSERT_EQ(lua_type(L, -1), LUA_TWSTRING);
  ASSERT_EQ(lua_strlen(L, -1), 2u);
  EXPECT_EQ(lua_towstring(L, -1)[1], 49);
  lua_pop(L, 1);
  // narrow then wide, wide then narrow
  s.code = {ABx(OP_LOADK, 0, 3), ABx(OP_LOADK, 1, 2), ABC(OP_CONCAT, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:3: attempt to concatenate a wstring value"}));
  s.code = {ABx(OP_LOADK, 0, 2), ABx(OP_LOADK, 1, 3), ABC(OP_CONCAT, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:3: attempt to concatenate a wstring value"}));
  // empty right operand: the first string itself
  s.code = {ABx(OP_LOADK, 0, 3), ABx(OP_LOADK, 1, 4), ABC(OP_CONCAT, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
  EXPECT_EQ(call(s), (V{"a"}));
}

// if (RK(B) op RK(C)) == 1 then r0 = true else r0 = false
static ProtoSpec compare(OpCode op, KValue a, KValue b) {
  ProtoSpec s;
  s.k = {a, b};
  s.code = {ABC(op, 1, K(0), K(1)), AsBx(OP_JMP, 0, 1), ABC(OP_LOADBOOL, 0, 0, 1), ABC(OP_LOADBOOL, 0, 1, 0),
            ABC(OP_RETURN, 0, 2, 0)};
  return s;
}

TEST_F(VmTest, Comparisons) {
  struct Case {
    OpCode op;
    KValue a, b;
    const char* want;
  };
  const Case cases[] = {
      {OP_EQ, 1.0, 1.0, "true"},
      {OP_EQ, 1.0, std::string("1"), "false"},
      {OP_EQ, std::string("a"), std::string("a"), "true"},
      {OP_EQ, std::string("a"), std::u16string(u"a"), "false"},
      {OP_EQ, std::u16string(u"a"), std::u16string(u"a"), "true"},
      {OP_LT, 1.0, 2.0, "true"},
      {OP_LT, 2.0, 1.0, "false"},
      {OP_LE, 2.0, 2.0, "true"},
      {OP_LT, std::string("a"), std::string("b"), "true"},
      {OP_LT, std::string("a\0b", 3), std::string("a\0c", 3), "true"},
      {OP_LT, std::string("a\0c", 3), std::string("a\0b", 3), "false"},
      {OP_LT, std::string("a", 1), std::string("a\0", 2), "true"},
      {OP_LE, std::string("b"), std::string("a"), "false"},
      {OP_LT, std::string("\xe9"), std::string("z"), "false"},  // byte order
      {OP_LT, 1.0, std::string("2"), "ERROR: asm:1: attempt to compare number with string"},
      {OP_LT, std::u16string(u"a"), std::u16string(u"b"), "ERROR: asm:1: attempt to call a table value"},
  };
  for (const Case& c : cases) EXPECT_EQ(call(compare(c.op, c.a, c.b)), (V{c.want}));
}

TEST_F(VmTest, TestInstruction) {
  // r1 = r0 or 5 (with r0 the argument)
  ProtoSpec s;
  s.numparams = 1;
  s.k = {5.0};
  s.code = {ABC(OP_TEST, 1, 0, 1), AsBx(OP_JMP, 0, 1), ABx(OP_LOADK, 1, 0), ABC(OP_RETURN, 1, 2, 0)};
  EXPECT_EQ(call(s, {3}), (V{"3"}));
  push(L, s);
  lua_pushboolean(L, 0);
  ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 5);
  lua_pop(L, 1);
}

int gCountEvents;
bool gRemoveHook;
void countEvents(lua_State* L, lua_Debug* ar) {
  if (ar->event != LUA_HOOKCOUNT) return;
  gCountEvents++;
  if (gRemoveHook) lua_sethook(L, nullptr, 0, 0);
}

TEST_F(VmTest, CountHookSeesEveryInstructionOnce) {
  // Six instructions: a count hook every n fires after each n-th of them. A hook that removes
  // itself stops at once and the function runs on unhooked.
  ProtoSpec s;
  s.maxstack = 3;
  s.k = {1.0, 2.0};
  s.code = {ABx(OP_LOADK, 0, 0),  ABx(OP_LOADK, 1, 1),  ABC(OP_ADD, 2, 0, 1),
            ABC(OP_MUL, 2, 2, 1), ABC(OP_SUB, 2, 2, 0), ABC(OP_RETURN, 2, 2, 0)};
  const struct {
    int count;
    bool remove;
    int events;
  } cases[] = {{1, false, 6}, {2, false, 3}, {3, false, 2}, {5, false, 1},
               {6, false, 1}, {7, false, 0}, {1, true, 1},  {4, true, 1}};
  for (const auto& c : cases) {
    gCountEvents = 0;
    gRemoveHook = c.remove;
    lua_sethook(L, countEvents, LUA_MASKCOUNT, c.count);
    EXPECT_EQ(call(s), (V{"5"})) << c.count << " " << c.remove;
    lua_sethook(L, nullptr, 0, 0);
    EXPECT_EQ(gCountEvents, c.events) << c.count << " " << c.remove;
  }
}

TEST_F(VmTest, NumericForLoop) {
  ProtoSpec s;
  s.k = {1.0, 10.0, 0.0};
  s.code = {ABx(OP_LOADK, 0, 0),  ABx(OP_LOADK, 1, 1),     ABx(OP_LOADK, 2, 0),
            ABC(OP_SUB, 0, 0, 2), ABx(OP_LOADK, 3, 2),     AsBx(OP_JMP, 0, 1),
            ABC(OP_ADD, 3, 3, 0), AsBx(OP_FORLOOP, 0, -2), ABC(OP_RETURN, 3, 2, 0)};
  EXPECT_EQ(call(s), (V{"55"}));
  // limit given as a wide string holding 3: three passes
  s.k = {1.0, std::u16string(u"3"), 0.0};
  EXPECT_EQ(call(s), (V{"6"}));
  s.k = {1.0, std::string("x"), 0.0};
  s.code[3] = ABx(OP_LOADK, 0, 0);  // no arithmetic on the index first
  EXPECT_EQ(call(s), (V{"ERROR: asm:8: `for' limit must be a number"}));
  s.k = {std::string("x"), 3.0, 1.0};
  EXPECT_EQ(call(s), (V{"ERROR: asm:8: `for' initial value must be a number"}));
  s.k = {1.0, 3.0, 0.0};
  s.code[2] = ABC(OP_NEWTABLE, 2, 0, 0);
  EXPECT_EQ(call(s), (V{"ERROR: asm:8: `for' step must be a number"}));
}

// FORLOOP in both directions, with fractional, zero and NaN steps: the sum of the index over
// the passes (the prologue subtracts the step once, as the compiler's does).
TEST_F(VmTest, NumericForLoopDirectionsAndSteps) {
  struct Case {
    double start, limit, step;
    const char* want;
  };
  const Case cases[] = {
      {1, 10, 1, "55"},   {10, 1, -2, "30"}, {3, 3, -1, "3"},           {1, 0, 1, "0"},     {0, 1, -1, "0"},
      {1, 2, 0.5, "4.5"}, {1, 5, 0, "0"},    {1, 5, std::nan(""), "0"}, {-1, -3, -1, "-6"}, {0.25, 1, 0.25, "2.5"},
  };
  for (const Case& c : cases) {
    ProtoSpec s;
    s.k = {c.start, c.limit, c.step, 0.0};
    s.code = {ABx(OP_LOADK, 0, 0),  ABx(OP_LOADK, 1, 1),     ABx(OP_LOADK, 2, 2),
              ABC(OP_SUB, 0, 0, 2), ABx(OP_LOADK, 3, 3),     AsBx(OP_JMP, 0, 1),
              ABC(OP_ADD, 3, 3, 0), AsBx(OP_FORLOOP, 0, -2), ABC(OP_RETURN, 3, 2, 0)};
    EXPECT_EQ(call(s), (V{c.want})) << c.start << ", " << c.limit << ", " << c.step;
  }
}

// Register operands run up to MAXSTACK - 1 and constant operands up to MAXARG_C: arithmetic
// and comparisons read operands at both ends of both ranges.
TEST_F(VmTest, OperandsAtTheEndsOfTheRegisterAndConstantRanges) {
  constexpr int kLastReg = MAXSTACK - 1;
  constexpr int kLastK = MAXARG_C - MAXSTACK;
  struct Operand {
    int rk;
    double value;
  };
  const Operand operands[] = {{0, 3}, {kLastReg, 5}, {K(0), 7}, {K(kLastK), 11}};
  ProtoSpec base;
  base.maxstack = MAXSTACK;
  base.k.assign(kLastK + 1, 1000.0);
  base.k[0] = 7.0;
  base.k[kLastK] = 11.0;
  base.k[1] = 3.0;
  base.k[2] = 5.0;
  const std::vector<Instruction> loads = {ABx(OP_LOADK, 0, 1), ABx(OP_LOADK, kLastReg, 2)};
  char want[32];
  for (const Operand& b : operands) {
    for (const Operand& c : operands) {
      const struct {
        OpCode op;
        double result;
      } arith[] = {{OP_ADD, b.value + c.value},
                   {OP_SUB, b.value - c.value},
                   {OP_MUL, b.value * c.value},
                   {OP_DIV, b.value / c.value}};
      for (const auto& a : arith) {
        ProtoSpec s = base;
        s.code = loads;
        s.code.insert(s.code.end(), {ABC(a.op, 1, b.rk, c.rk), ABC(OP_RETURN, 1, 2, 0)});
        std::snprintf(want, sizeof want, "%.14g", a.result);
        EXPECT_EQ(call(s), (V{want})) << luaP_opnames[a.op] << " " << b.rk << " " << c.rk;
      }
      const struct {
        OpCode op;
        bool result;
      } tests[] = {{OP_EQ, b.value == c.value}, {OP_LT, b.value < c.value}, {OP_LE, b.value <= c.value}};
      for (const auto& t : tests) {
        for (int a = 0; a <= 1; a++) {
          // jumps to the true load when the outcome equals A
          ProtoSpec s = base;
          s.code = loads;
          s.code.insert(s.code.end(), {ABC(t.op, a, b.rk, c.rk), AsBx(OP_JMP, 0, 1), ABC(OP_LOADBOOL, 1, 0, 1),
                                       ABC(OP_LOADBOOL, 1, 1, 0), ABC(OP_RETURN, 1, 2, 0)});
          EXPECT_EQ(call(s), (V{t.result == (a == 1) ? "true" : "false"}))
              << luaP_opnames[t.op] << " " << a << " " << b.rk << " " << c.rk;
        }
      }
    }
  }
}

TEST_F(VmTest, GenericForLoopOverATable) {
  ProtoSpec s;
  s.maxstack = 12;
  s.k = {0.0, 10.0, 20.0, 30.0};
  s.code = {ABC(OP_NEWTABLE, 0, 3, 0), ABx(OP_LOADK, 1, 1),  ABx(OP_LOADK, 2, 2),       ABx(OP_LOADK, 3, 3),
            ABx(OP_SETLIST, 0, 2),     ABx(OP_LOADK, 1, 0),  ABC(OP_MOVE, 4, 0, 0),     ABC(OP_LOADNIL, 5, 6, 0),
            AsBx(OP_TFORPREP, 4, 1),   ABC(OP_ADD, 1, 1, 7), ABC(OP_TFORLOOP, 4, 0, 1), AsBx(OP_JMP, 0, -3),
            ABC(OP_RETURN, 1, 2, 0)};
  EXPECT_EQ(call(s), (V{"60"}));
}

TEST_F(VmTest, ClosuresShareOpenUpvaluesUntilClosed) {
  ProtoSpec inc;
  inc.nups = 1;
  inc.upnames = {"c"};
  inc.k = {1.0};
  inc.code = {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0), ABC(OP_RETURN, 0, 2, 0)};
  ProtoSpec m;
  m.sub = {inc};
  m.k = {0.0};
  m.code = {ABx(OP_LOADK, 0, 0),   ABx(OP_CLOSURE, 1, 0), ABC(OP_MOVE, 0, 0, 0),  ABx(OP_CLOSURE, 2, 0),
            ABC(OP_MOVE, 0, 0, 0), ABC(OP_MOVE, 3, 1, 0), ABC(OP_CALL, 3, 1, 1),  ABC(OP_CLOSE, 0, 0, 0),
            ABC(OP_MOVE, 3, 2, 0), ABC(OP_CALL, 3, 1, 2), ABC(OP_RETURN, 3, 2, 0)};
  EXPECT_EQ(call(m), (V{"2"}));
}

// `u = u + x' (GETUPVAL, ADD, SETUPVAL, and often GETUPVAL again) runs as one step when the
// registers and upvalues line up. Each case changes one field of that pattern against the
// matching one; the function sees upvalues u0 = the case's start and u1 = 100, and r2 = 1000.
struct UpvalueSumCase {
  const char* what;
  KValue u0;
  std::vector<Instruction> body;
  std::vector<std::string> want;  // u0, u1 after the call, then r0, r1 of the function
};

static const UpvalueSumCase kUpvalueSums[] = {
    {"u0 + 1",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"11", "100", "11", "nil"}},
    {"1 + u0",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, K(0), 0), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"11", "100", "11", "nil"}},
    {"u0 + u0",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, 0), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"20", "100", "20", "nil"}},
    {"r2 + u0",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 2, 0), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"1010", "100", "1010", "nil"}},
    {"r2 + 1, u0 unread",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 2, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"1001", "100", "1001", "nil"}},
    {"u1 + 1",
     10.0,
     {ABC(OP_GETUPVAL, 0, 1, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 1, 0)},
     {"10", "101", "101", "nil"}},
    {"sum into the next register",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 1, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"10", "100", "10", "11"}},
    {"stored from the next register",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 1, 0, 0)},
     {"nil", "100", "11", "nil"}},
    {"stored into the next upvalue",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 1, 0)},
     {"10", "11", "11", "nil"}},
    {"the opcode after ADD",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_SUB, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"9", "100", "9", "nil"}},
    {"read back",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0), ABC(OP_GETUPVAL, 0, 0, 0)},
     {"11", "100", "11", "nil"}},
    {"read back into the next register",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0), ABC(OP_GETUPVAL, 1, 0, 0)},
     {"11", "100", "11", "11"}},
    {"read back from the next upvalue",
     10.0,
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0), ABC(OP_GETUPVAL, 0, 1, 0)},
     {"11", "100", "100", "nil"}},
    {"text upvalue",
     std::string("5"),
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"6", "100", "6", "nil"}},
    {"text operand",
     10.0,
     {ABx(OP_LOADK, 1, 2), ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, 1), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"17", "100", "17", "7"}},
    {"nil upvalue",
     KNil{},
     {ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_ADD, 0, 0, K(0)), ABC(OP_SETUPVAL, 0, 0, 0)},
     {"ERROR: asm:3: attempt to perform arithmetic on a nil value"}},
};

// The main function: u0 and u1 in r0 and r1, the closure over them called for two results,
// then u0, u1 and those results returned.
static ProtoSpec upvalueSumProgram(const UpvalueSumCase& c) {
  ProtoSpec f;
  f.nups = 2;
  f.upnames = {"u0", "u1"};
  f.maxstack = 4;
  f.k = {1.0, 1000.0, std::string("7")};
  f.code = {ABx(OP_LOADK, 2, 1)};
  f.code.insert(f.code.end(), c.body.begin(), c.body.end());
  f.code.push_back(ABC(OP_RETURN, 0, 3, 0));
  ProtoSpec m;
  m.sub = {f};
  m.maxstack = 6;
  m.k = {c.u0, 100.0};
  m.code = {ABx(OP_LOADK, 0, 0),   ABx(OP_LOADK, 1, 1),   ABx(OP_CLOSURE, 2, 0),  ABC(OP_MOVE, 0, 0, 0),
            ABC(OP_MOVE, 0, 1, 0), ABC(OP_CALL, 2, 1, 3), ABC(OP_RETURN, 0, 5, 0)};
  return m;
}

TEST_F(VmTest, UpvalueSumsMatchTheInstructionsOneByOne) {
  for (const UpvalueSumCase& c : kUpvalueSums) EXPECT_EQ(call(upvalueSumProgram(c)), c.want) << c.what;
}

// Under a count hook every instruction of the pattern is seen on its own.
TEST_F(VmTest, UpvalueSumsStepByStepUnderACountHook) {
  const UpvalueSumCase& c = kUpvalueSums[10];  // read back: four instructions
  ASSERT_STREQ(c.what, "read back");
  gCountEvents = 0;
  gRemoveHook = false;
  lua_sethook(L, countEvents, LUA_MASKCOUNT, 1);
  V got = call(upvalueSumProgram(c));
  lua_sethook(L, nullptr, 0, 0);
  EXPECT_EQ(got, c.want);
  // main: LOADK, LOADK, CLOSURE, CALL, RETURN; the function: LOADK, the four, RETURN
  EXPECT_EQ(gCountEvents, 5 + 6);
}

// A script function returning 0, 1 or 2 values to a script caller that wants all of them,
// none, one or two: the results are cut or filled with nil, and with none wanted the
// function's slot is left as it was.
TEST_F(VmTest, ReturnsGiveTheCallerTheResultsItWants) {
  const struct {
    int got;     // results the function returns
    int wanted;  // results the caller wants (-1: all)
    V want;      // all the results, or the caller's slots from the function's on
  } cases[] = {
      {0, -1, {}},          {1, -1, {"1"}},         {2, -1, {"1", "2"}},  {0, 0, {"function"}},
      {1, 0, {"function"}}, {2, 0, {"function"}},   {0, 1, {"nil"}},      {1, 1, {"1"}},
      {2, 1, {"1"}},        {0, 2, {"nil", "nil"}}, {1, 2, {"1", "nil"}}, {2, 2, {"1", "2"}},
  };
  for (const auto& c : cases) {
    ProtoSpec f;
    f.k = {1.0, 2.0};
    f.code = {ABx(OP_LOADK, 0, 0), ABx(OP_LOADK, 1, 1), ABC(OP_RETURN, 0, c.got + 1, 0)};
    ProtoSpec m;
    m.sub = {f};
    m.code = {ABx(OP_CLOSURE, 0, 0), ABC(OP_CALL, 0, 1, c.wanted + 1),
              ABC(OP_RETURN, 0, c.wanted < 0 ? 0 : (c.wanted == 0 ? 1 : c.wanted) + 1, 0)};
    EXPECT_EQ(call(m), c.want) << c.got << " results, " << c.wanted << " wanted";
  }
}

TEST_F(VmTest, CallsTailCallsAndVarargs) {
  ProtoSpec va;  // function(a, ...) return a, arg.n end
  va.numparams = 1;
  va.is_vararg = 1;
  va.k = {std::string("n")};
  va.code = {ABC(OP_GETTABLE, 2, 1, K(0)), ABC(OP_MOVE, 3, 0, 0), ABC(OP_RETURN, 2, 3, 0)};
  EXPECT_EQ(call(va, {1, 2, 3}), (V{"2", "1"}));
  EXPECT_EQ(call(va), (V{"0", "nil"}));
  // a tail call to the vararg function keeps one frame
  ProtoSpec m;
  m.sub = {va};
  m.k = {7.0};
  m.code = {ABx(OP_CLOSURE, 0, 0), ABx(OP_LOADK, 1, 0), ABC(OP_TAILCALL, 0, 2, 0), ABC(OP_RETURN, 0, 0, 0)};
  EXPECT_EQ(call(m), (V{"0", "7"}));
}

TEST_F(VmTest, SelfLooksUpTheMethodAndPassesTheObject) {
  ProtoSpec getx;  // function(self) return self.x end
  getx.numparams = 1;
  getx.k = {std::string("x")};
  getx.code = {ABC(OP_GETTABLE, 1, 0, K(0)), ABC(OP_RETURN, 1, 2, 0)};
  ProtoSpec m;
  m.sub = {getx};
  m.k = {std::string("x"), 9.0, std::string("m")};
  m.code = {ABC(OP_NEWTABLE, 0, 0, 0),    ABC(OP_SETTABLE, 0, K(0), K(1)), ABx(OP_CLOSURE, 1, 0),
            ABC(OP_SETTABLE, 0, K(2), 1), ABC(OP_SELF, 2, 0, K(2)),        ABC(OP_CALL, 2, 2, 2),
            ABC(OP_RETURN, 2, 2, 0)};
  EXPECT_EQ(call(m), (V{"9"}));
}

TEST_F(VmTest, CheckerAcceptsAssembledCodeAndRejectsBadCode) {
  ProtoSpec s;
  s.code = {ABC(OP_RETURN, 0, 1, 0)};
  lua_settop(L, 0);
  Proto* p = build(L, s);
  EXPECT_TRUE(luaG_checkcode(p));
  struct Bad {
    std::vector<Instruction> code;
    int maxstack;
  };
  const Bad bad[] = {
      {{}, 2},                                                       // no instruction
      {{ABC(OP_MOVE, 0, 1, 0)}, 2},                                  // does not end in RETURN
      {{static_cast<Instruction>(45), ABC(OP_RETURN, 0, 1, 0)}, 2},  // opcode above 38
      {{ABC(OP_MOVE, 5, 0, 0), ABC(OP_RETURN, 0, 1, 0)}, 2},         // register out of frame
      {{AsBx(OP_JMP, 0, 10), ABC(OP_RETURN, 0, 1, 0)}, 2},           // jump outside the code
      {{ABC(OP_GETUPVAL, 0, 0, 0), ABC(OP_RETURN, 0, 1, 0)}, 2},     // no upvalues
      {{AsBx(OP_TFORPREP, 1, 0), ABC(OP_RETURN, 0, 1, 0)}, 2},       // writes R(A+1) outside
      {{ABx(OP_LOADK, 0, 3), ABC(OP_RETURN, 0, 1, 0)}, 2},           // constant out of range
      {{ABC(OP_EQ, 0, 0, 0), ABC(OP_RETURN, 0, 1, 0)}, 2},           // test without a jump
  };
  for (const Bad& b : bad) {
    ProtoSpec bs;
    bs.code = b.code;
    bs.maxstack = b.maxstack;
    Proto* bp = build(L, bs);
    EXPECT_FALSE(luaG_checkcode(bp));
  }
  ProtoSpec params;  // parameters beyond the frame
  params.numparams = 3;
  params.is_vararg = 1;
  params.maxstack = 3;
  params.code = {ABC(OP_RETURN, 0, 1, 0)};
  EXPECT_FALSE(luaG_checkcode(build(L, params)));
  ProtoSpec wideglobal;  // a global's name must be an 8-bit string
  wideglobal.k = {std::u16string(u"g")};
  wideglobal.code = {ABx(OP_GETGLOBAL, 0, 0), ABC(OP_RETURN, 0, 1, 0)};
  EXPECT_FALSE(luaG_checkcode(build(L, wideglobal)));
}

TEST_F(VmTest, ErrorPositionsUseTheLineOfTheFailingInstruction) {
  ProtoSpec s;
  s.lines = {10, 20, 30};
  s.k = {std::string("nope")};
  s.code = {ABx(OP_GETGLOBAL, 0, 0), ABC(OP_CALL, 0, 1, 1), ABC(OP_RETURN, 0, 1, 0)};
  EXPECT_EQ(call(s), (V{"ERROR: asm:20: attempt to call global `nope' (a nil value)"}));
}

}  // namespace
