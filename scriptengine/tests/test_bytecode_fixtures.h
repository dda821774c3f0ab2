// Generator of precompiled-chunk fixtures for the loader tests. It writes the chunk format
// independently of the engine's writer, in either byte order, with every field under the
// test's control, so that big-endian chunks and damaged chunks are made at test time rather
// than committed as binaries.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "opcodes.h"

namespace scripttest {
namespace fixtures {

inline uint32_t ABC(OpCode op, int a, int b, int c) {
  return (static_cast<uint32_t>(op) & 0x3F) | (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(b) << 15) |
         (static_cast<uint32_t>(c) << 6);
}
inline uint32_t ABx(OpCode op, int a, int bx) {
  return (static_cast<uint32_t>(op) & 0x3F) | (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(bx) << 6);
}
inline uint32_t AsBx(OpCode op, int a, int sbx) { return ABx(op, a, sbx + 131071); }
inline uint32_t RawOp(int opnum) { return static_cast<uint32_t>(opnum) & 0x3F; }
inline int K(int index) { return 250 + index; }  // RK operand naming a constant

struct Header {
  std::string signature = "\x1bLua";
  int version = 0x50;
  bool big = false;  // byte order of everything that follows
  unsigned char sizes[8] = {4, 4, 4, 6, 8, 9, 9, 8};
  double testnumber = 31415926.535897933;
};

struct Const {
  int tag = 0;
  double n = 0;
  std::string s;
  std::u16string w;
  bool raw = false;         // only the tag byte (for unknown tags)
  bool emptySized = false;  // a string of size 0
  static Const Nil() { return Const(); }
  static Const Num(double v) {
    Const c;
    c.tag = 3;
    c.n = v;
    return c;
  }
  static Const Str(std::string v) {
    Const c;
    c.tag = 4;
    c.s = std::move(v);
    return c;
  }
  static Const WStr(std::u16string v) {
    Const c;
    c.tag = 9;
    c.w = std::move(v);
    return c;
  }
  static Const Raw(int tag) {
    Const c;
    c.tag = tag;
    c.raw = true;
    return c;
  }
  static Const EmptySized(int tag) {
    Const c;
    c.tag = tag;
    c.emptySized = true;
    return c;
  }
};

struct Local {
  std::string name;
  int start, end;
};

struct Func {
  bool hasSource = true;
  std::string source = "=generated";
  int lineDefined = 0;
  int nups = 0, nparams = 0, vararg = 0, maxstack = 2;
  std::vector<int> lines;
  std::vector<Local> locals;
  std::vector<std::string> upnames;
  std::vector<Const> k;
  std::vector<Func> p;
  std::vector<uint32_t> code;
};

// Which count of the main record ChunkWithForgedCount replaces (the chunk ends right after it).
enum Forged { kLines, kLocals, kConstants, kProtos, kCode, kSourceSize, kWideSize };

class Writer {
public:
  explicit Writer(bool big) : big_(big) {}
  std::string out;
  int forge = -1;
  uint32_t forgeValue = 0;
  bool stopped = false;

  void byte(int b) {
    if (!stopped) out += static_cast<char>(b);
  }
  void ordered(const void* p, size_t n) {
    if (stopped) return;
    unsigned char b[8];
    std::memcpy(b, p, n);
    bool hostLittle = [] {
      uint16_t x = 1;
      unsigned char c;
      std::memcpy(&c, &x, 1);
      return c == 1;
    }();
    if (big_ == hostLittle) {
      for (size_t i = 0; i < n / 2; i++) std::swap(b[i], b[n - 1 - i]);
    }
    out.append(reinterpret_cast<char*>(b), n);
  }
  void u32(uint32_t v) { ordered(&v, 4); }
  void i32(int32_t v) { ordered(&v, 4); }
  void num(double v) { ordered(&v, 8); }
  // A count that may be forged: the chunk then ends right after it.
  void count(int which, uint32_t v) {
    if (which >= 0 && forge == which) {
      u32(forgeValue);
      stopped = true;
      return;
    }
    u32(v);
  }
  void str(const std::string& s, int which = -1) {
    count(which, static_cast<uint32_t>(s.size() + 1));
    if (stopped) return;
    out += s;
    out += '\0';
  }
  void wstr(const std::u16string& w, int which = -1) {
    count(which, static_cast<uint32_t>(w.size() + 1));
    for (char16_t c : w) {
      uint16_t u = c;
      ordered(&u, 2);
    }
    uint16_t z = 0;
    ordered(&z, 2);
  }

  void header(const Header& h) {
    out += h.signature;
    byte(h.version);
    byte(h.big ? 0 : 1);
    for (unsigned char s : h.sizes) byte(s);
    num(h.testnumber);
  }

  void function(const Func& f, bool main) {
    if (f.hasSource)
      str(f.source, main ? kSourceSize : -1);
    else
      u32(0);
    i32(f.lineDefined);
    byte(f.nups);
    byte(f.nparams);
    byte(f.vararg);
    byte(f.maxstack);
    count(main ? kLines : -1, static_cast<uint32_t>(f.lines.size()));
    for (int l : f.lines) i32(l);
    count(main ? kLocals : -1, static_cast<uint32_t>(f.locals.size()));
    for (const Local& l : f.locals) {
      str(l.name);
      i32(l.start);
      i32(l.end);
    }
    u32(static_cast<uint32_t>(f.upnames.size()));
    for (const std::string& u : f.upnames) str(u);
    count(main ? kConstants : -1, static_cast<uint32_t>(f.k.size()));
    for (const Const& c : f.k) {
      byte(c.tag);
      if (c.raw) continue;
      if (c.emptySized) {
        u32(0);
        continue;
      }
      switch (c.tag) {
        case 3: num(c.n); break;
        case 4: str(c.s); break;
        case 9: wstr(c.w, main ? kWideSize : -1); break;
        default: break;
      }
    }
    count(main ? kProtos : -1, static_cast<uint32_t>(f.p.size()));
    for (const Func& n : f.p) function(n, false);
    count(main ? kCode : -1, static_cast<uint32_t>(f.code.size()));
    for (uint32_t i : f.code) u32(i);
  }

private:
  bool big_;
};

inline std::string Chunk(const Header& h, const Func& f) {
  Writer w(h.big);
  w.header(h);
  w.function(f, true);
  return w.out;
}

inline std::string ChunkWithForgedCount(Func f, int which, uint32_t value) {
  if (which == kWideSize) f.k.push_back(Const::WStr(u"x"));
  Header h;
  Writer w(h.big);
  w.forge = which;
  w.forgeValue = value;
  w.header(h);
  w.function(f, true);
  return w.out;
}

inline Func ReturnNothing() {
  Func f;
  f.lines = {1};
  f.code = {ABC(OP_RETURN, 0, 1, 0)};
  return f;
}

// Returns a number, an 8-bit string with a byte above 127, a wide string with units above
// 255, and a negative number; with line and local information.
inline std::string ConstantsChunk(bool big) {
  Header h;
  h.big = big;
  Func f;
  f.maxstack = 4;
  f.k = {Const::Num(31415.25), Const::Str("h\xE9llo"), Const::WStr(u"w\u263A\u0102"), Const::Num(-2)};
  f.code = {ABx(OP_LOADK, 0, 0), ABx(OP_LOADK, 1, 1),     ABx(OP_LOADK, 2, 2),
            ABx(OP_LOADK, 3, 3), ABC(OP_RETURN, 0, 5, 0), ABC(OP_RETURN, 0, 1, 0)};
  f.lines = {7, 7, 7, 7, 8, 9};
  f.locals = {{"v", 0, 3}};
  return Chunk(h, f);
}

// `records` function records, each nesting the next one.
inline Func nested(int records) {
  Func f = ReturnNothing();
  f.hasSource = records == 0;
  if (records > 1) {
    f.p.push_back(nested(records - 1));
    f.code = {ABx(OP_CLOSURE, 0, 0), ABC(OP_RETURN, 0, 1, 0)};
    f.lines = {1, 1};
  }
  return f;
}

inline std::string NestedChunk(int records) {
  Func f = nested(records);
  f.hasSource = true;
  return Chunk(Header(), f);
}

struct BadCase {
  const char* name;
  Func f;
};

inline Func code(std::vector<uint32_t> c, int maxstack = 2) {
  Func f;
  f.code = std::move(c);
  f.maxstack = maxstack;
  return f;
}

inline Func withChild(Func parent, Func child) {
  child.hasSource = false;
  parent.p.push_back(std::move(child));
  return parent;
}

inline std::vector<BadCase> BadCodeCases() {
  const uint32_t ret = ABC(OP_RETURN, 0, 1, 0);
  std::vector<BadCase> v;
  v.push_back({"OpcodeAboveTable", code({RawOp(39), ret})});
  v.push_back({"OpcodeSixtyThree", code({RawOp(63), ret})});
  v.push_back({"EmptyCode", code({})});
  v.push_back({"LastNotReturn", code({ABC(OP_LOADNIL, 0, 0, 0)})});
  {
    Func f = code({ABC(OP_GETUPVAL, 0, 0, 0), ret});
    f.nups = 1;
    f.upnames = {"u"};
    v.push_back({"MainWithUpvalues", f});
  }
  {
    Func f = code({ret});
    f.nparams = 2;
    f.vararg = 1;
    v.push_back({"ParametersBeyondStack", f});
  }
  v.push_back({"StackTooBig", code({ret}, 251)});
  {
    Func f = code({ret});
    f.lines = {1, 1};
    v.push_back({"LineInfoSize", f});
  }
  v.push_back({"RegisterA", code({ABC(OP_MOVE, 5, 0, 0), ret})});
  v.push_back({"RegisterB", code({ABC(OP_MOVE, 0, 5, 0), ret})});
  v.push_back({"ConstantOperand", code({ABC(OP_ADD, 0, K(3), 0), ret})});
  {
    Func f = code({ABx(OP_LOADK, 0, 5), ret});
    f.k = {Const::Num(1)};
    v.push_back({"LoadKIndex", f});
  }
  {
    Func f = code({ABx(OP_GETGLOBAL, 0, 0), ret});
    f.k = {Const::Num(1)};
    v.push_back({"GlobalNameIsNumber", f});
    f.k = {Const::WStr(u"x")};
    v.push_back({"GlobalNameIsWide", f});
    f.code = {ABx(OP_SETGLOBAL, 0, 0), ret};
    f.k = {Const::Nil()};
    v.push_back({"GlobalNameIsNil", f});
  }
  {
    Func child = code({ABC(OP_GETUPVAL, 0, 1, 0), ret});
    child.nups = 1;
    Func parent = code({ABx(OP_CLOSURE, 0, 0), ABC(OP_MOVE, 0, 0, 0), ret});
    v.push_back({"UpvalueIndex", withChild(parent, child)});
  }
  {
    Func f = code({ABC(OP_SELF, 1, 0, K(0)), ret});
    f.k = {Const::Str("m")};
    v.push_back({"SelfNeedsTwoRegisters", f});
  }
  v.push_back({"ConcatRange", code({ABC(OP_CONCAT, 0, 1, 1), ret})});
  v.push_back({"JumpOutOfCode", code({AsBx(OP_JMP, 0, 5), ret})});
  v.push_back({"JumpBeforeStart", code({AsBx(OP_JMP, 0, -3), ret})});
  v.push_back({"TestWithoutJump", code({ABC(OP_EQ, 0, 0, 1), ABC(OP_MOVE, 0, 1, 0), ret})});
  v.push_back({"TestLastButOne", code({ABC(OP_TEST, 0, 0, 0), ret})});
  v.push_back({"LoadBoolSkipsPastEnd", code({ABC(OP_LOADBOOL, 0, 1, 1), ret})});
  v.push_back({"ForLoopRegisters", code({AsBx(OP_FORLOOP, 0, -1), ret})});
  v.push_back({"ForLoopTarget", code({AsBx(OP_FORLOOP, 0, 10), ret}, 3)});
  v.push_back({"TForLoopRegisters", code({ABC(OP_TFORLOOP, 0, 0, 0), AsBx(OP_JMP, 0, -2), ret}, 5)});
  v.push_back({"TForPrepRegister", code({AsBx(OP_TFORPREP, 1, 0), ret})});
  v.push_back({"TForPrepTarget", code({AsBx(OP_TFORPREP, 0, 10), ret}, 3)});
  v.push_back({"CallArguments", code({ABC(OP_CALL, 0, 3, 1), ret})});
  v.push_back({"CallResults", code({ABC(OP_CALL, 0, 1, 4), ret})});
  v.push_back({"OpenCallNotConsumed", code({ABC(OP_CALL, 0, 1, 0), ABC(OP_MOVE, 0, 1, 0), ret})});
  {
    // The open results of the call at register 5 may be none: a call of register 7 taking
    // them as arguments would see the stack top below its own function.
    Func child = code({ret});
    v.push_back({"OpenResultsBelowConsumer", withChild(code({ABx(OP_CLOSURE, 7, 0), ABx(OP_CLOSURE, 5, 0),
                                                             ABC(OP_CALL, 5, 1, 0), ABC(OP_CALL, 7, 0, 1), ret},
                                                            10),
                                                       child)});
    v.push_back(
        {"OpenResultsBelowSetList",
         withChild(code({ABx(OP_CLOSURE, 5, 0), ABC(OP_CALL, 5, 1, 0), ABx(OP_SETLISTO, 6, 0), ret}, 10), child)});
  }
  v.push_back({"ReturnRange", code({ABC(OP_RETURN, 0, 4, 0)})});
  v.push_back({"SetListRegister", code({ABx(OP_SETLIST, 0, 1), ret})});
  v.push_back({"ClosureIndex", code({ABx(OP_CLOSURE, 0, 0), ret})});
  {
    Func child = code({ret});
    child.nups = 1;
    v.push_back({"ClosureMissingPseudo", withChild(code({ABx(OP_CLOSURE, 0, 0), ret}), child)});
    v.push_back({"ClosurePseudoRegister", withChild(code({ABx(OP_CLOSURE, 0, 0), ABC(OP_MOVE, 0, 7, 0), ret}), child)});
    v.push_back(
        {"ClosurePseudoUpvalue", withChild(code({ABx(OP_CLOSURE, 0, 0), ABC(OP_GETUPVAL, 0, 0, 0), ret}), child)});
    v.push_back(
        {"ClosurePseudoOpcode", withChild(code({ABx(OP_CLOSURE, 0, 0), ABC(OP_LOADNIL, 0, 0, 0), ret}), child)});
  }
  {
    Func child = code({RawOp(40), ret});
    v.push_back({"NestedPrototypeChecked", withChild(code({ABx(OP_CLOSURE, 0, 0), ret}), child)});
  }
  return v;
}

inline std::vector<BadCase> GoodCodeCases() {
  const uint32_t ret = ABC(OP_RETURN, 0, 1, 0);
  std::vector<BadCase> v;
  v.push_back({"JumpToNext", code({AsBx(OP_JMP, 0, 0), ret})});
  {
    Func f = code({ABC(OP_SELF, 1, 0, K(0)), ret}, 3);
    f.k = {Const::Str("m")};
    v.push_back({"SelfWithRoom", f});
    f.code = {ABx(OP_GETGLOBAL, 0, 0), ret};
    v.push_back({"GlobalNameIsString", f});
  }
  v.push_back({"ForLoopBack", code({ABC(OP_LOADNIL, 0, 2, 0), AsBx(OP_FORLOOP, 0, -2), ret}, 3)});
  v.push_back({"OpenCallReturned", code({ABC(OP_CALL, 0, 1, 0), ABC(OP_RETURN, 0, 0, 0)})});
  v.push_back({"OpenCallAsArguments", code({ABC(OP_CALL, 1, 1, 0), ABC(OP_CALL, 0, 0, 1), ret})});
  v.push_back({"LoadBoolSkip", code({ABC(OP_LOADBOOL, 0, 1, 1), ABC(OP_LOADNIL, 0, 0, 0), ret})});
  {
    Func child = code({ABC(OP_GETUPVAL, 0, 0, 0), ret});
    child.nups = 1;
    v.push_back({"ClosureWithUpvalue", withChild(code({ABx(OP_CLOSURE, 0, 0), ABC(OP_MOVE, 0, 1, 0), ret}), child)});
  }
  v.push_back({"TForPrepWithRoom", code({AsBx(OP_TFORPREP, 0, 0), ret}, 3)});
  return v;
}

}  // namespace fixtures
}  // namespace scripttest
