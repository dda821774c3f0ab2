// Generated loop nests checked against a reference interpreter: the four loop kinds nested up
// to three deep, numbered break and continue at every level, and closures that capture body
// locals of their own or of enclosing loops. Each closure must keep the value of the iteration
// that made it, whichever way that iteration ended.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "test_compiler_support.h"

namespace scripttest {
namespace {

enum class Kind { NumericFor, While, Repeat, GenericFor };

struct Loop;

struct Stmt {
  enum Type { Local, Capture, Emit, Jump, Nested } type;
  std::string name;      // Local: declared name; Capture: captured name
  int value = 0;         // Local: constant part of the value
  bool isBreak = false;  // Jump
  int n = 1;             // Jump: loop number
  bool explicitN = false;
  int when = 1;              // Jump: counter value that triggers it
  std::vector<Loop> nested;  // Nested: the one inner loop
};

struct Loop {
  Kind kind;
  int depth;  // 1 = outermost
  int count;  // iterations
  std::vector<Stmt> body;
};

struct Jumping {
  bool isBreak;
  int n;
};

class LoopProgram {
public:
  explicit LoopProgram(unsigned seed) : rng_(seed) { root_ = makeLoop(1, {}); }

  std::string source() const {
    return "local function it(s, c) if c < s then return c + 1 end end "
           "local n, fs = 0, {} " +
           loopText(root_) + "for k = 1, n do emit('c', fs[k]()) end";
  }

  std::string expected() const {
    std::string out;
    std::vector<int> captured;
    std::map<std::string, int> env;
    run(root_, env, out, captured);
    for (int v : captured) out += "c " + std::to_string(v) + "\n";
    return out;
  }

private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  static std::string counter(int depth) { return "v" + std::to_string(depth); }

  Loop makeLoop(int depth, std::vector<std::string> visible) {
    Loop l;
    l.kind = static_cast<Kind>(pick(4));
    l.depth = depth;
    l.count = 1 + pick(3);
    int stmts = 1 + pick(5);
    int locals = 0;
    for (int i = 0; i < stmts; i++) {
      Stmt s;
      int what = pick(depth < 3 ? 6 : 5);
      switch (what) {
        case 0: {
          s.type = Stmt::Local;
          s.name = "x" + std::to_string(depth) + "_" + std::to_string(locals++);
          s.value = depth * 1000 + locals;
          visible.push_back(s.name);
          break;
        }
        case 1:
          if (visible.empty()) {
            s.type = Stmt::Emit;
          } else {
            s.type = Stmt::Capture;
            s.name = visible[static_cast<size_t>(pick(static_cast<int>(visible.size())))];
          }
          break;
        case 2: s.type = Stmt::Emit; break;
        case 3:
        case 4:
          s.type = Stmt::Jump;
          s.isBreak = pick(2) == 0;
          s.n = 1 + pick(depth);
          s.explicitN = s.n > 1 || pick(2) == 0;
          s.when = 1 + pick(l.count);
          break;
        default:
          s.type = Stmt::Nested;
          s.nested.push_back(makeLoop(depth + 1, visible));
          break;
      }
      l.body.push_back(s);
    }
    return l;
  }

  std::string loopText(const Loop& l) const {
    std::string v = counter(l.depth);
    std::string k = std::to_string(l.count);
    std::string body;
    for (const Stmt& s : l.body) body += stmtText(s, l) + " ";
    switch (l.kind) {
      case Kind::NumericFor: return "for " + v + " = 1, " + k + " do " + body + "end ";
      case Kind::While:
        return "local " + v + " = 0 while " + v + " < " + k + " do " + v + " = " + v + " + 1 " + body + "end ";
      case Kind::Repeat:
        return "local " + v + " = 0 repeat " + v + " = " + v + " + 1 " + body + "until " + v + " >= " + k + " ";
      default: return "for " + v + " in it, " + k + ", 0 do " + body + "end ";
    }
  }

  std::string stmtText(const Stmt& s, const Loop& l) const {
    std::string v = counter(l.depth);
    switch (s.type) {
      case Stmt::Local: return "local " + s.name + " = " + v + " * 10 + " + std::to_string(s.value);
      case Stmt::Capture: return "n = n + 1 fs[n] = function() return " + s.name + " end";
      case Stmt::Emit: return "emit(" + std::to_string(l.depth) + ", " + v + ")";
      case Stmt::Jump:
        return "if " + v + " == " + std::to_string(s.when) + " then " + (s.isBreak ? "break" : "continue") +
               (s.explicitN ? " " + std::to_string(s.n) : std::string()) + " end";
      default: return loopText(s.nested.front());
    }
  }

  // Runs one loop; a jump that targets an enclosing loop leaves as Jumping with n lowered.
  static void run(const Loop& l, std::map<std::string, int>& env, std::string& out, std::vector<int>& captured) {
    for (int i = 1; i <= l.count; i++) {
      env[counter(l.depth)] = i;
      try {
        runBody(l, env, out, captured);
      } catch (Jumping& j) {
        if (j.n > 1) {
          j.n--;
          throw;
        }
        if (j.isBreak) return;
      }
    }
  }

  static void runBody(const Loop& l, std::map<std::string, int>& env, std::string& out, std::vector<int>& captured) {
    int v = env[counter(l.depth)];
    for (const Stmt& s : l.body) {
      switch (s.type) {
        case Stmt::Local: env[s.name] = v * 10 + s.value; break;
        case Stmt::Capture: captured.push_back(env[s.name]); break;
        case Stmt::Emit: out += std::to_string(l.depth) + " " + std::to_string(v) + "\n"; break;
        case Stmt::Jump:
          if (v == s.when) throw Jumping{s.isBreak, s.n};
          break;
        default: run(s.nested.front(), env, out, captured); break;
      }
    }
  }

  std::mt19937 rng_;
  Loop root_;
};

TEST(CompilerLoops, GeneratedLoopNestsMatchTheReferenceInterpreter) {
  const char* roundsEnv = std::getenv("QF_LOOP_ROUNDS");
  const int rounds = roundsEnv ? std::atoi(roundsEnv) : 1500;
  ScriptState s(false);
  for (int round = 0; round < rounds; round++) {
    LoopProgram p(static_cast<unsigned>(round) * 7919u + 17u);
    std::string src = p.source();
    std::string expected = p.expected();
    ASSERT_EQ(s.Run(src), expected) << src;
    if (round % 8 == 0) {  // the precompiled form behaves the same
      ASSERT_EQ(s.Load(src), 0);
      std::string chunk = s.Dump();
      lua_settop(s.L(), 0);
      ASSERT_EQ(s.Run(chunk), expected) << src;
    }
  }
}

}  // namespace
}  // namespace scripttest
