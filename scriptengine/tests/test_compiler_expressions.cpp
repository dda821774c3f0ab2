// Generated expressions checked against a reference evaluator: logical operators, comparisons,
// `not`, arithmetic and constants mixed at random depth and used as values, conditions of if,
// while and repeat, constructor items and call arguments. This exercises the jump lists of
// the code generator far beyond hand-written cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "test_compiler_support.h"

namespace scripttest {
namespace {

struct Val {
  enum Kind { Nil, False, True, Num, Str } k = Nil;
  double n = 0;
  std::string s;
  bool truthy() const { return k == True || k == Num || k == Str; }
  std::string text() const {
    switch (k) {
      case Nil: return "nil";
      case False: return "false";
      case True: return "true";
      case Str: return s;
      default: {
        char b[32];
        std::snprintf(b, sizeof b, "%.14g", n);
        return b;
      }
    }
  }
  bool operator==(const Val& o) const { return k == o.k && (k != Num || n == o.n) && (k != Str || s == o.s); }
};

Val boolean(bool b) {
  Val v;
  v.k = b ? Val::True : Val::False;
  return v;
}
Val number(double d) {
  Val v;
  v.k = Val::Num;
  v.n = d;
  return v;
}
Val string(std::string s) {
  Val v;
  v.k = Val::Str;
  v.s = std::move(s);
  return v;
}

// An expression as source text with its priority (10 atom, 8 unary, 7 * , 6 + -, 5 ..,
// 3 comparison, 2 and, 1 or) and its value under the variables below.
struct Expr {
  std::string text;
  int prec;
  Val value;
};

class Generator {
public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  // Variables: a, b, c hold any kind of value; x, y, z hold numbers.
  Val vars[6];
  const char* names[6] = {"a", "b", "c", "x", "y", "z"};

  void pickVariables() {
    for (int i = 0; i < 3; i++) vars[i] = anyConstant();
    for (int i = 3; i < 6; i++) vars[i] = number(static_cast<double>(pick(7)) - 2);
  }

  std::string declaration() const {
    std::string names_ = "local a, b, c, x, y, z = ";
    for (int i = 0; i < 6; i++) names_ += (i ? ", " : "") + vars[i].text();
    return names_ + " ";
  }

  Expr any(int depth) {
    int choice = depth <= 0 ? pick(3) : pick(11);
    switch (choice) {
      case 10: return str(depth - 1);
      case 0: {
        int v = pick(3);
        return {names[v], 10, vars[v]};
      }
      case 1: {
        Val c = anyConstant();
        return {c.text(), 10, c};
      }
      case 2: return num(depth - 1);
      case 3: {
        Expr e = any(depth - 1);
        return {"not " + wrap(e, 8, false), 8, boolean(!e.value.truthy())};
      }
      case 4:
      case 5: {
        Expr l = any(depth - 1), r = any(depth - 1);
        return {wrap(l, 2, true) + " and " + wrap(r, 2, false), 2, l.value.truthy() ? r.value : l.value};
      }
      case 6:
      case 7: {
        Expr l = any(depth - 1), r = any(depth - 1);
        return {wrap(l, 1, true) + " or " + wrap(r, 1, false), 1, l.value.truthy() ? l.value : r.value};
      }
      case 8: {
        Expr l = any(depth - 1), r = any(depth - 1);
        bool ne = pick(2) == 0;
        bool eq = l.value == r.value;
        return {wrap(l, 3, true) + (ne ? " ~= " : " == ") + wrap(r, 3, false), 3, boolean(ne ? !eq : eq)};
      }
      default: {
        Expr l = num(depth - 1), r = num(depth - 1);
        static const char* ops[] = {" < ", " <= ", " > ", " >= "};
        int op = pick(4);
        double a = l.value.n, b = r.value.n;
        bool res = op == 0 ? a < b : op == 1 ? a <= b : op == 2 ? a > b : a >= b;
        return {wrap(l, 3, true) + ops[op] + wrap(r, 3, false), 3, boolean(res)};
      }
    }
  }

  // String-valued: literals, numbers turned into text by concatenation, chains of `..` and
  // choices made with `and`/`or`.
  Expr str(int depth) {
    int choice = depth <= 0 ? pick(2) : pick(5);
    switch (choice) {
      case 0: {
        std::string t = pick(2) ? "p" : "qq";
        return {"'" + t + "'", 10, string(t)};
      }
      case 1: {
        Expr n = num(0);
        return {"(" + n.text + " .. '')", 10, string(n.value.text())};
      }
      case 2:
      case 3: {
        Expr l = pick(2) ? str(depth - 1) : num(depth - 1);
        Expr r = pick(2) ? str(depth - 1) : num(depth - 1);
        // right associative: a left operand of the same priority needs parentheses
        std::string lt = (l.prec <= 5 || pick(6) == 0) ? "(" + l.text + ")" : l.text;
        std::string rt = (r.prec < 5 || pick(6) == 0) ? "(" + r.text + ")" : r.text;
        return {lt + " .. " + rt, 5, string(l.value.text() + r.value.text())};
      }
      default: {
        Expr c = any(depth - 1), a = str(depth - 1), b = str(depth - 1);
        Val v = c.value.truthy() ? a.value : b.value;
        return {"(" + c.text + ") and (" + a.text + ") or (" + b.text + ")", 1, v};
      }
    }
  }

  Expr num(int depth) {
    int choice = depth <= 0 ? pick(2) : pick(6);
    switch (choice) {
      case 0: {
        int v = 3 + pick(3);
        return {names[v], 10, vars[v]};
      }
      case 1: {
        double d = 1 + pick(9);  // no literal 0: -0 folds onto an existing constant 0
        return {Val(number(d)).text(), 10, number(d)};
      }
      case 2: {
        Expr e = num(depth - 1);
        return {"- " + wrap(e, 8, false), 8, number(-e.value.n)};  // "--" would open a comment
      }
      case 3: {
        Expr l = num(depth - 1), r = num(depth - 1);
        return {wrap(l, 7, true) + " * " + wrap(r, 7, false), 7, number(l.value.n * r.value.n)};
      }
      default: {
        Expr l = num(depth - 1), r = num(depth - 1);
        bool plus = pick(2) == 0;
        return {wrap(l, 6, true) + (plus ? " + " : " - ") + wrap(r, 6, false), 6,
                number(plus ? l.value.n + r.value.n : l.value.n - r.value.n)};
      }
    }
  }

private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  Val anyConstant() {
    switch (pick(5)) {
      case 0: return Val();
      case 1: return boolean(false);
      case 2: return boolean(true);
      default: return number(pick(3));
    }
  }

  // Parenthesises a child where the grammar needs it (left operands may share the parent's
  // priority, right operands may not), and sometimes where it does not.
  std::string wrap(const Expr& e, int parent, bool left) {
    bool need = left ? e.prec < parent : e.prec <= parent;
    if (parent == 8) need = e.prec < 8;
    if (need || pick(6) == 0) return "(" + e.text + ")";
    return e.text;
  }

  std::mt19937 rng_;
};

TEST(CompilerExpressions, GeneratedExpressionsMatchTheReferenceEvaluator) {
  // QF_EXPR_SEED and QF_EXPR_ROUNDS widen the search by hand; the defaults keep the run short.
  const char* seedEnv = std::getenv("QF_EXPR_SEED");
  const char* roundsEnv = std::getenv("QF_EXPR_ROUNDS");
  Generator g(seedEnv ? static_cast<unsigned>(std::atol(seedEnv)) : 20261210u);
  const int rounds = roundsEnv ? std::atoi(roundsEnv) : 4000;
  ScriptState s(false);
  for (int round = 0; round < rounds; round++) {
    g.pickVariables();
    Expr e = g.any(1 + round % 5);
    std::string E = e.text;
    std::string src = g.declaration() + "local r = " + E +
                      " emit(r) "
                      "if " +
                      E +
                      " then emit('T') else emit('F') end "
                      "local n = 0 while " +
                      E +
                      " do n = n + 1 if n > 1 then break end end emit(n) "
                      "local t = {" +
                      E +
                      "} emit(t[1]) "
                      "emit(" +
                      E +
                      ") "
                      "r = not (" +
                      E +
                      ") emit(r) "
                      "local k = 0 repeat k = k + 1 until " +
                      E +
                      " or k > 1 emit(k) "
                      "G = " +
                      E +
                      " emit(G) "
                      "local h = {} h.f = " +
                      E +
                      " emit(h.f) "
                      "local u (function() u = " +
                      E +
                      " end)() emit(u) "
                      "emit((function() return " +
                      E +
                      " end)()) "
                      "emit(" +
                      E + ", " + E + ")";
    bool t = e.value.truthy();
    std::string v = e.value.text();
    std::string expected = v + "\n" + (t ? "T" : "F") + "\n" + (t ? "2" : "0") + "\n" + v + "\n" + v + "\n" +
                           (t ? "false" : "true") + "\n" + (t ? "1" : "2") + "\n" + v + "\n" + v + "\n" + v + "\n" + v +
                           "\n" + v + " " + v + "\n";
    ASSERT_EQ(s.Run(src), expected) << src;
  }
}

}  // namespace
}  // namespace scripttest
