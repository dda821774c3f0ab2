// string.pack and string.unpack: the letter table, byte orders, wide strings, blocks, partial
// data, bounds on counts and sizes, and round trips.
#include <cmath>
#include <limits>
#include <cstring>
#include <random>

#include "test_lib_support.h"

using namespace libtest;

namespace {

class PackTest : public LibTest {
protected:
  std::vector<V> pack(const std::string& f, std::vector<V> args) {
    args.insert(args.begin(), S(f));
    return ok("string.pack", args);
  }
  std::vector<V> unpack(const std::string& data, const std::string& f, std::vector<V> more = {}) {
    std::vector<V> args{S(data), S(f)};
    args.insert(args.end(), more.begin(), more.end());
    return ok("string.unpack", args);
  }
};

const std::u16string kAB = u"AB";

TEST_F(PackTest, PackGivesTheBytesOfEachLetter) {
  struct Case {
    std::string fmt;
    std::vector<V> args;
    std::string expect;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Case> cases = {
      {"", {}, ""},
      {"<h", {N(1)}, bytes({1, 0})},
      {">i", {N(258)}, bytes({0, 0, 1, 2})},
      {"b3", {N(1), N(2), N(3)}, bytes({1, 2, 3})},
      {"b0", {N(7)}, bytes({7})},
      {"b", {N(300)}, bytes({44})},
      {"c", {N(-1)}, bytes({0xff})},
      {"I", {N(-5)}, bytes({0, 0, 0, 0})},
      {"<I", {N(1e20)}, bytes({0xff, 0xff, 0xff, 0xff})},
      {"<i", {N(-2)}, bytes({0xfe, 0xff, 0xff, 0xff})},
      {"<i", {N(4294967296.0 + 7)}, bytes({7, 0, 0, 0})},
      {"<i", {N(nan)}, bytes({0, 0, 0, 0})},
      {"<H", {N(65537)}, bytes({1, 0})},
      {">l", {N(1)}, bytes({0, 0, 0, 1})},
      {"<L", {N(2.9)}, bytes({2, 0, 0, 0})},
      {">f", {N(1)}, bytes({0x3f, 0x80, 0, 0})},
      {">d", {N(1)}, bytes({0x3f, 0xf0, 0, 0, 0, 0, 0, 0})},
      {"<n", {N(-2)}, bytes({0, 0, 0, 0, 0, 0, 0, 0xc0})},
      {"p", {S("ab")}, bytes({2, 'a', 'b'})},
      {">P", {S("ab")}, bytes({0, 2, 'a', 'b'})},
      {"<a", {S("ab")}, bytes({2, 0, 0, 0, 'a', 'b'})},
      {"z", {S("ab")}, bytes({'a', 'b', 0})},
      {"A2", {S("x"), S("yz")}, "xyz"},
      {"A", {N(12)}, "12"},
      {"B", {B(true)}, bytes({1})},
      {"B2", {B(false), B(true)}, bytes({0, 1})},
      {"@4 b @", {N(7)}, bytes({7, 0, 0, 0})},
      {"@4:255 b @", {N(7)}, bytes({7, 255, 255, 255})},
      {"@2 i @", {N(1)}, bytes({1, 0, 0, 0})},
      {"@2 b @ @3 b @", {N(1), N(2)}, bytes({1, 0, 2, 0, 0})},
      {"@:7 @3 b @", {N(1)}, bytes({1, 7, 7})},
      {"@3:513 b @", {N(1)}, bytes({1, 1, 1})},
      {"@0 b @", {N(1)}, bytes({1})},
      {"@5 b", {N(1)}, bytes({1})},
      {"<wA", {W(kAB)}, bytes({65, 0, 66, 0})},
      {">wA", {W(kAB)}, bytes({0, 65, 0, 66})},
      {"<wP", {W(kAB)}, bytes({2, 0, 65, 0, 66, 0})},
      {"<wz", {W(kAB)}, bytes({65, 0, 66, 0, 0, 0})},
      {">wp", {W(kAB)}, bytes({2, 0, 65, 0, 66})},
      {"<wa", {W(u"\u263a")}, bytes({1, 0, 0, 0, 0x3a, 0x26})},
      {"<wA", {N(5)}, bytes({'5', 0})},
      {"wb", {N(3)}, bytes({3})},
      {"b w", {N(1)}, bytes({1})},
      {" ,<>= b", {N(9)}, bytes({9})},
      {"<999999999", {}, ""},
      {"b,b", {N(1), N(2)}, bytes({1, 2})},
  };
  for (const auto& c : cases) { EXPECT_EQ(pack(c.fmt, c.args), std::vector<V>{S(c.expect)}) << c.fmt; }
}

TEST_F(PackTest, LengthPrefixesWrapButTheWholeStringIsWritten) {
  std::string s300(300, 'q');
  auto r = pack("p", {S(s300)});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].s.size(), 301u);
  EXPECT_EQ((unsigned char)r[0].s[0], 300 % 256);
}

TEST_F(PackTest, PackErrorsNameTheirCause) {
  struct Case {
    std::string fmt;
    std::vector<V> args;
    std::string msg;
  };
  const std::vector<Case> cases = {
      {"Q", {N(1)}, "bad argument #1 to `?' (bad code `Q')"},
      {"w@", {N(1)}, "(bad code `@')"},
      {"B", {Nil()}, "expected a boolean"},
      {"B", {N(1)}, "expected a boolean"},
      {"b", {S("x")}, "bad argument #2"},
      {"b", {}, "(number expected, got no value)"},
      {"z", {W(u"x")}, "(string expected, got wstring)"},
      {"wz", {S("x")}, "(wstring expected, got string)"},
      {"wz", {T(LUA_TTABLE)}, "(wstring expected, got table)"},
      {"b99999999999", {N(1)}, "(bad code `b')"},
      {"@99999999999 b @", {N(1)}, "(bad code `@')"},
      {"@4:99999999999 b @", {N(1)}, "(bad code `@')"},
      {" 99999999999", {}, "(bad code ` ')"},
  };
  for (const auto& c : cases) {
    std::vector<V> args = c.args;
    args.insert(args.begin(), S(c.fmt));
    std::string e = fails("string.pack", args);
    EXPECT_NE(e.find(c.msg), std::string::npos) << c.fmt << ": " << e;
  }
}

TEST_F(PackTest, UnpackReturnsThePositionFirst) {
  struct Case {
    std::string data;
    std::string fmt;
    std::vector<V> more;
    std::vector<V> expect;
  };
  const std::vector<Case> cases = {
      {"abc", "", {}, {N(1)}},
      {bytes({1, 2}), "<h", {}, {N(3), N(513)}},
      {bytes({1}), "h", {}, {N(1)}},
      {"xxab", "A2", {N(3)}, {N(5), S("ab")}},
      {"ab", "z", {}, {N(4), S("ab")}},
      {bytes({'a', 0, 'b'}), "zz", {}, {N(5), S("a"), S("b")}},
      {bytes({2, 'a', 'b'}), "p", {}, {N(4), S("ab")}},
      {bytes({3, 'a', 'b'}), "p", {}, {N(1)}},
      {bytes({1, 2, 3}), "b2 h", {}, {N(3), N(1), N(2)}},
      {bytes({0xff}), "c", {}, {N(2), N(-1)}},
      {bytes({0xff}), "b", {}, {N(2), N(255)}},
      {bytes({0, 7}), "B2", {}, {N(3), B(false), B(true)}},
      {bytes({0xff, 0xff}), "<hH", {}, {N(3), N(-1)}},
      {bytes({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}), "<iI", {}, {N(9), N(-1), N(4294967295.0)}},
      {bytes({0, 0, 0, 1}), ">l", {}, {N(5), N(1)}},
      {bytes({0x3f, 0x80, 0, 0}), ">f", {}, {N(5), N(1)}},
      {bytes({0, 0, 0, 0, 0, 0, 0xf0, 0x3f}), "<d", {}, {N(9), N(1)}},
      {bytes({0, 2, 'a', 'b'}), ">P", {}, {N(5), S("ab")}},
      {bytes({2, 0, 0, 0, 'a', 'b'}), "<a", {}, {N(7), S("ab")}},
      {bytes({0xff, 0xff, 0xff, 0xff, 'a'}), "<a", {}, {N(1)}},
      {bytes({65, 0, 66, 0}), "<wA2", {}, {N(5), W(kAB)}},
      {bytes({0, 65, 0, 66}), ">wA2", {}, {N(5), W(kAB)}},
      {bytes({65, 0, 66, 0, 0, 0, 'x'}), "<wz", {}, {N(7), W(kAB)}},
      {bytes({65, 0, 66, 0, 67}), "<wz", {}, {N(7), W(kAB)}},
      {bytes({2, 0, 65, 0, 66, 0}), "<wP", {}, {N(7), W(kAB)}},
      {bytes({3, 0, 65, 0, 66, 0}), "<wP", {}, {N(1)}},
      {"abc", "b", {N(-5)}, {N(2), N(97)}},
      {"abc", "b", {N(0)}, {N(2), N(97)}},
      {"abc", "b", {N(3)}, {N(4), N(99)}},
      {"abc", "b", {N(4)}, {N(4)}},
      {"abc", "b", {N(1e300)}, {N(2147483647.0)}},
      {"abc", "z", {N(4)}, {N(4)}},
      {"abc", "b w", {}, {N(2), N(97)}},
      {"abc", "A0", {}, {N(2), S("a")}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(unpack(c.data, c.fmt, c.more), c.expect) << c.fmt << " case " << (&c - &cases[0]);
  }
}

TEST_F(PackTest, UnpackRejectsBadCodesInItsFormat) {
  for (const char* f : {"@", "Q", "w@", "b99999999999"}) {
    std::string e = fails("string.unpack", {S("x"), S(f)});
    EXPECT_NE(e.find("bad argument #2"), std::string::npos) << f << ": " << e;
    EXPECT_NE(e.find("bad code"), std::string::npos) << f << ": " << e;
  }
  std::string e = fails("string.unpack", {W(u"x"), S("b")});
  EXPECT_NE(e.find("(string expected, got wstring)"), std::string::npos) << e;
}

TEST_F(PackTest, GeneratedFormatsRoundTrip) {
  std::mt19937 rng(12345);
  // "A" is left out: its count means repetitions in pack but a length in unpack.
  const char* letters = "bcBhHiIlLfdnzpPa";
  for (int round = 0; round < 300; round++) {
    std::string fmt = (rng() & 1) ? "<" : ">";
    std::vector<V> values;
    int items = 1 + (int)(rng() % 6);
    for (int k = 0; k < items; k++) {
      char c = letters[rng() % strlen(letters)];
      bool wide = (c == 'z' || c == 'p' || c == 'P' || c == 'a') && (rng() & 1);
      if (wide) fmt += 'w';
      fmt += c;
      switch (c) {
        case 'b': values.push_back(N((double)(rng() % 256))); break;
        case 'c': values.push_back(N((double)((int)(rng() % 256) - 128))); break;
        case 'B': values.push_back(B(rng() & 1)); break;
        case 'h': values.push_back(N((double)((int)(rng() % 65536) - 32768))); break;
        case 'H': values.push_back(N((double)(rng() % 65536))); break;
        case 'i':
        case 'l': values.push_back(N((double)(int32_t)rng())); break;
        case 'I':
        case 'L': values.push_back(N((double)(uint32_t)rng())); break;
        case 'f': values.push_back(N((double)(float)((int)(rng() % 1000) / 8.0))); break;
        case 'd':
        case 'n': values.push_back(N((double)rng() / 7.0)); break;
        default: {
          size_t len = rng() % 40;
          if (wide) {
            std::u16string w;
            for (size_t i = 0; i < len; i++) w += (char16_t)(1 + rng() % 0xFFFE);
            values.push_back(W(w));
          } else {
            std::string s;
            for (size_t i = 0; i < len; i++) s += (char)(1 + rng() % 255);
            values.push_back(S(s));
          }
          break;
        }
      }
    }
    auto packed = pack(fmt, values);
    ASSERT_EQ(packed.size(), 1u) << fmt;
    auto back = unpack(packed[0].s, fmt);
    ASSERT_EQ(back.size(), values.size() + 1) << fmt;
    EXPECT_EQ(back[0], N((double)packed[0].s.size() + 1)) << fmt;
    for (size_t i = 0; i < values.size(); i++) EXPECT_EQ(back[i + 1], values[i]) << fmt << " item " << i;
  }
}

}  // namespace
