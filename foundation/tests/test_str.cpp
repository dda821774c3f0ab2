#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "foundation/str.h"

// ---------------------------------------------------------------------------------------------
// Records, sharing and copy-on-write

TEST(StrRecord, EmptyStringsWithAndWithoutRecordAreEqual)
{
    str none;
    str nullText(static_cast<const char*>(nullptr));
    EXPECT_FALSE(none._hasRecord());
    EXPECT_TRUE(nullText._hasRecord());
    EXPECT_EQ(nullText._capacity(), 16u);
    EXPECT_EQ(none.length(), 0u);
    EXPECT_EQ(nullText.length(), 0u);
    EXPECT_STREQ(none.c_str(), "");
    EXPECT_EQ(none, nullText);
    EXPECT_EQ(none.compare(nullText), 0);
    EXPECT_EQ(none, str(""));
    EXPECT_LT(none, str("a"));
    EXPECT_GT(str("a"), none);
}

TEST(StrRecord, CapacitiesAtConstruction)
{
    EXPECT_EQ(str("hello")._capacity(), 6u);
    EXPECT_EQ(str("abc", 3)._capacity(), 16u);
    EXPECT_EQ(str(std::string(40, 'x').c_str(), 40)._capacity(), 41u);
    EXPECT_EQ((str("ab") + str("cd"))._capacity(), 16u);
    EXPECT_EQ(str("hello world").substr(1, 3)._capacity(), 16u);
    str r;
    r._reserve(3);
    EXPECT_EQ(r._capacity(), 16u);
    r._reserve(100);
    EXPECT_EQ(r._capacity(), 100u);
}

TEST(StrRecord, PointerAndCountKeepsEmbeddedBytes)
{
    str s("ab\0cd", 5);
    EXPECT_EQ(s.length(), 2u);  // bytes before the first zero
    EXPECT_EQ(memcmp(s.c_str(), "ab\0cd\0", 6), 0);
}

TEST(StrRecord, CopiesShareUntilOneChanges)
{
    str a("banana");
    str b(a);
    EXPECT_EQ(a._refs(), 2);
    EXPECT_EQ(a.c_str(), b.c_str());
    b += "s";
    EXPECT_EQ(a, str("banana"));
    EXPECT_EQ(b, str("bananas"));
    EXPECT_EQ(a._refs(), 1);
    EXPECT_EQ(b._refs(), 1);
    EXPECT_NE(a.c_str(), b.c_str());
}

TEST(StrRecord, EveryChangingOperationLeavesTheSharedCopyAlone)
{
    struct Case
    {
        const char* name;
        void (*change)(str&);
    };
    const Case cases[] = {
        {"append str", [](str& s) { s += str("X"); }},
        {"append char", [](str& s) { s += 'X'; }},
        {"overlay", [](str& s) { s.overlay(1, "XY", 2, false); }},
        {"replace", [](str& s) { s.replace("a", "o", str::kReplaceAll); }},
        {"downcase", [](str& s) { s.downcase(); }},
        {"erase", [](str& s) { s.erase(1, 2); }},
        {"format", [](str& s) { s.format("%d", 5); }},
        {"reserve",
         [](str& s)
         {
             s._reserve(64);
             s.overlay(0, "Z", 1, false);
         }},
    };
    for (const Case& c : cases)
    {
        str original("BaNaNa");
        str copy(original);
        c.change(copy);
        EXPECT_EQ(original, str("BaNaNa")) << c.name;
        EXPECT_EQ(original._refs(), 1) << c.name;
    }
}

TEST(StrRecord, AssignmentSharesAndReleases)
{
    str a("one");
    str b("two");
    b = a;
    EXPECT_EQ(a._refs(), 2);
    const str& self = b;
    b = self;  // self-assignment changes nothing
    EXPECT_EQ(a._refs(), 2);
    {
        str c = a;
        EXPECT_EQ(a._refs(), 3);
    }
    EXPECT_EQ(a._refs(), 2);
    b = "three";
    EXPECT_EQ(a._refs(), 1);
    EXPECT_EQ(b, str("three"));
    str none;
    b = none;
    EXPECT_FALSE(b._hasRecord());
}

TEST(StrRecord, SelfAppendAndAppendOfASharedCopy)
{
    str a("ab");
    a += a;
    EXPECT_EQ(a, str("abab"));
    str b = a;
    a += b;
    EXPECT_EQ(a, str("abababab"));
    EXPECT_EQ(b, str("abab"));
}

TEST(StrRecord, AppendReservesExactlyWhatIsNeeded)
{
    str a("hello");  // capacity 6
    a += str(" world");
    EXPECT_EQ(a._capacity(), 16u);  // the 16-byte minimum
    str big(std::string(20, 'x').c_str());
    big += str("yz");
    EXPECT_EQ(big._capacity(), 23u);
    str none;
    none += str("");
    EXPECT_TRUE(none._hasRecord());
}

TEST(StrRecord, MovingLeavesTheSourceWithoutARecord)
{
    str a("moved");
    str b(std::move(a));
    EXPECT_EQ(b, str("moved"));
    EXPECT_EQ(b._refs(), 1);
    EXPECT_FALSE(a._hasRecord());  // NOLINT: a moved-from str is the empty string
    EXPECT_EQ(a.length(), 0u);
    str c;
    c = std::move(b);
    EXPECT_EQ(c, str("moved"));
}

TEST(StrRecord, AppendingAZeroByteAppendsNothing)
{
    str a("ab");
    a += '\0';
    EXPECT_EQ(a, str("ab"));
    a += 'c';
    EXPECT_EQ(a, str("abc"));
}

TEST(StrRecord, HashesByContent)
{
    std::unordered_map<str, int> m;
    m[str("key")] = 1;
    str other = str("k") + str("ey");
    EXPECT_EQ(m.count(other), 1u);
    EXPECT_EQ(std::hash<str>()(str()), std::hash<str>()(str("")));
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(StrRead, IndexIsSignedAndZeroPastTheEnd)
{
    str s("a\xE9");
    EXPECT_EQ(s[0], 'a');
    EXPECT_EQ(s[1], static_cast<signed char>(0xE9));
    EXPECT_LT(s[1], 0);
    EXPECT_EQ(s[2], 0);
    EXPECT_EQ(s[1000], 0);
    EXPECT_EQ(str()[0], 0);
}

TEST(StrRead, ToInt)
{
    const std::pair<const char*, int> cases[] = {{"42", 42},
                                                 {"-17", -17},
                                                 {"  8x", 8},
                                                 {"abc", 0},
                                                 {"", 0},
                                                 {"+3", 3},
                                                 {"0x10", 0},
                                                 {"99999999999", 2147483647},
                                                 {"-99999999999", -2147483647 - 1}};
    for (auto& c : cases)
        EXPECT_EQ(str(c.first).to_int(), c.second) << c.first;
    EXPECT_EQ(str().to_int(), 0);
}

TEST(StrRead, CompareIsByteWiseUnsigned)
{
    EXPECT_LT(str("a"), str("b"));
    EXPECT_LT(str("ab"), str("abc"));
    EXPECT_LT(str("Z"), str("a"));
    EXPECT_LT(str("z"), str("\xC3\xA9"));  // bytes above 0x7F sort after ASCII
    EXPECT_EQ(str("same").compare(str("same")), 0);
    EXPECT_GT(str("b").compare(str("a")), 0);
    std::map<str, int> m{{"b", 2}, {"a", 1}, {"\xC3\xA9", 3}};
    EXPECT_EQ(m.begin()->first, str("a"));
    EXPECT_EQ(m.rbegin()->first, str("\xC3\xA9"));
}

TEST(StrRead, Substr)
{
    struct Case
    {
        const char* text;
        unsigned int start;
        int count;
        const char* want;
    };
    const Case cases[] = {
        {"hello", 2, -1, "llo"}, {"hello", 9, 2, ""}, {"hello", 0, 0, ""},       {"hello", 1, 3, "ell"},
        {"hello", 3, 100, "lo"}, {"hello", 5, 1, ""}, {"hello", 0, -1, "hello"}, {"", 0, -1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str(c.text).substr(c.start, c.count), str(c.want))
            << c.text << " " << c.start << " " << c.count;
    EXPECT_EQ(str().substr(0, -1), str());
}

TEST(StrRead, Concatenation)
{
    EXPECT_EQ(str("ab") + 'c', str("abc"));
    EXPECT_EQ(str() + 'c', str("c"));
    EXPECT_EQ(str("ab") + str("cd"), str("abcd"));
    EXPECT_EQ(str() + str(), str(""));
    EXPECT_EQ("x" + str("y"), str("xy"));
}

// ---------------------------------------------------------------------------------------------
// Searching

struct CharFind
{
    const char* text;
    char c;
    unsigned int flags;
    unsigned int start;
    unsigned int want;
};

class StrFindChar : public ::testing::TestWithParam<CharFind>
{
};

TEST_P(StrFindChar, Finds)
{
    const CharFind& f = GetParam();
    EXPECT_EQ(str(f.text).find(f.c, f.flags, f.start), f.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrFindChar,
    ::testing::Values(CharFind{"banana", 'a', 0, 0, 1}, CharFind{"banana", 'a', 0, 2, 3},
                      CharFind{"banana", 'a', 4, 0, 5}, CharFind{"banana", 'a', 4, 1, 3},
                      CharFind{"banana", 'a', 4, 5, str::npos}, CharFind{"banana", 'b', 4, 5, 0},
                      CharFind{"banana", 'b', 0, 6, str::npos}, CharFind{"banana", 'b', 0, 100, str::npos},
                      CharFind{"banana", 'B', 0, 0, str::npos}, CharFind{"banana", 'B', 1, 0, 0},
                      CharFind{"BANANA", 'n', 5, 0, 4}, CharFind{"banana", 'x', 0, 0, str::npos},
                      CharFind{"", 'a', 0, 0, str::npos}, CharFind{"a\xE9z", '\xE9', 0, 0, 1}));

struct PatternFind
{
    const char* text;
    const char* pattern;
    unsigned int flags;
    unsigned int start;
    unsigned int want;
};

class StrFindPattern : public ::testing::TestWithParam<PatternFind>
{
};

TEST_P(StrFindPattern, Finds)
{
    const PatternFind& f = GetParam();
    EXPECT_EQ(str(f.text).find(str(f.pattern), f.flags, f.start), f.want)
        << f.text << " / " << f.pattern << " flags " << f.flags << " start " << f.start;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrFindPattern,
    ::testing::Values(PatternFind{"banana", "AN", 1, 0, 1}, PatternFind{"banana", "AN", 0, 0, str::npos},
                      PatternFind{"banana", "an", 0, 0, 1}, PatternFind{"banana", "an", 0, 2, 3},
                      PatternFind{"banana", "an", 0, 4, str::npos}, PatternFind{"banana", "ana", 4, 0, 3},
                      PatternFind{"banana", "ana", 4, 1, 1}, PatternFind{"banana", "ana", 4, 2, 1},
                      PatternFind{"banana", "ana", 4, 3, str::npos}, PatternFind{"banana", "ban", 4, 3, 0},
                      PatternFind{"banana", "ana", 4, 4, str::npos},  // first candidate negative
                      PatternFind{"banana", "ANA", 5, 0, 3}, PatternFind{"banana", "banana", 0, 0, 0},
                      PatternFind{"banana", "bananas", 0, 0, str::npos},
                      PatternFind{"banana", "bananas", 4, 0, str::npos},
                      PatternFind{"banana", "", 0, 3, 3},  // empty pattern matches at start
                      PatternFind{"banana", "", 0, 6, str::npos},
                      PatternFind{"banana", "", 4, 0, str::npos},  // candidate on the terminator
                      PatternFind{"banana", "", 4, 2, 4}, PatternFind{"banana", "x", 0, 0, str::npos},
                      PatternFind{"", "", 0, 0, str::npos}, PatternFind{"", "a", 0, 0, str::npos},
                      PatternFind{"aXbxc", "x", 1, 2, 3}));

TEST(StrFind, RecordlessStringsAndPatterns)
{
    EXPECT_EQ(str().find('a'), str::npos);
    EXPECT_EQ(str().find(str("a")), str::npos);
    EXPECT_EQ(str("abc").find(str(), 0, 1), 1u);
    EXPECT_EQ(str::npos, 0xFFFFFFFFu);
}

// ---------------------------------------------------------------------------------------------
// Changing

struct ReplaceCase
{
    const char* text;
    const char* what;
    const char* with;
    unsigned int flags;
    unsigned int start;
    const char* want;
};

class StrReplace : public ::testing::TestWithParam<ReplaceCase>
{
};

TEST_P(StrReplace, Replaces)
{
    const ReplaceCase& r = GetParam();
    str s(r.text);
    str& back = s.replace(r.what, r.with, r.flags, r.start);
    EXPECT_EQ(&back, &s);
    EXPECT_EQ(s, str(r.want)) << r.text << " " << r.what << " -> " << r.with << " flags " << r.flags;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrReplace,
    ::testing::Values(
        ReplaceCase{"banana", "a", "o", 2, 0, "bonono"}, ReplaceCase{"banana", "a", "o", 0, 0, "bonana"},
        ReplaceCase{"banana", "a", "o", 4, 0, "banano"}, ReplaceCase{"banana", "a", "o", 6, 0, "bonono"},
        ReplaceCase{"banana", "A", "o", 3, 0, "bonono"}, ReplaceCase{"banana", "a", "o", 2, 2, "banono"},
        ReplaceCase{"banana", "an", "", 2, 0, "ba"},
        ReplaceCase{"aaa", "a", "aa", 2, 0, "aaaaaa"},  // inserted text not rescanned
        ReplaceCase{"aaa", "a", "", 2, 0, ""},
        ReplaceCase{"x", "x", "a much longer replacement text", 2, 0, "a much longer replacement text"},
        ReplaceCase{"banana", "", "x", 2, 0, "banana"},  // empty pattern: no change
        ReplaceCase{"banana", "", "x", 0, 0, "banana"}, ReplaceCase{"banana", "q", "x", 2, 0, "banana"},
        ReplaceCase{"a.b.c", ".", "::", 2, 0, "a::b::c"}, ReplaceCase{"AbAb", "ab", "x", 3, 0, "xx"}));

TEST(StrReplace, GrowsExactlyAndLeavesRecordlessStringsEmpty)
{
    str s("ab");  // capacity 3
    s.replace("b", "bcdefghijklmnopqrstu");
    EXPECT_EQ(s, str("abcdefghijklmnopqrstu"));
    EXPECT_EQ(s._capacity(), 22u);  // exactly the new length + 1
    str none;
    none.replace("a", "b", 2);
    EXPECT_FALSE(none._hasRecord());
    str self("abcabc");
    self.replace(self, "x");
    EXPECT_EQ(self, str("x"));
}

TEST(StrChange, Downcase)
{
    str s("HeLLo \xC3\x89 WORLD 123");
    s.downcase();
    EXPECT_EQ(s, str("hello \xC3\x89 world 123"));
    str none;
    none.downcase();
    EXPECT_FALSE(none._hasRecord());
}

TEST(StrChange, Erase)
{
    struct Case
    {
        const char* text;
        unsigned int start;
        int count;
        const char* want;
    };
    const Case cases[] = {
        {"hello", 1, 2, "hlo"},   {"hello", 2, -1, "he"},    {"hello", 3, 2, "hel"},
        {"hello", 5, 1, "hello"}, {"hello", 9, -1, "hello"}, {"hello", 0, 0, "hello"},
        {"hello", 3, 50, "hel"},  // a count past the end stops at the end
        {"hello", 0, 5, ""},
    };
    for (const Case& c : cases)
    {
        str s(c.text);
        s.erase(c.start, c.count);
        EXPECT_EQ(s, str(c.want)) << c.text << " " << c.start << " " << c.count;
    }
}

TEST(StrChange, OverlayWritesAndGrowsByDoubling)
{
    str s("hello");  // capacity 6
    EXPECT_EQ(s.overlay(1, "EL", 2, false), 3u);
    EXPECT_EQ(s, str("hELlo"));
    EXPECT_EQ(s.overlay(2, "X", 1, true), 3u);
    EXPECT_EQ(s, str("hEX"));
    EXPECT_EQ(s.overlay(-1, "abcdef", 6, false), 9u);  // at the end: 10 bytes needed
    EXPECT_EQ(s, str("hEXabcdef"));
    EXPECT_EQ(s._capacity(), 16u);  // 6 doubled to 12, raised to the 16-byte minimum
    EXPECT_EQ(s.overlay(-1, "0123456789012345", 16, true), 25u);
    EXPECT_EQ(s._capacity(), 32u);  // 16 doubled
    EXPECT_EQ(s.length(), 25u);

    str longer("abcdefghijklmnopqrst");                         // capacity 21
    longer.overlay(-1, "0123456789012345678901234", 25, true);  // 46 needed: 21 -> 42 -> 84
    EXPECT_EQ(longer._capacity(), 84u);

    str none;
    EXPECT_EQ(none.overlay(-1, "abc", 3, true), 3u);
    EXPECT_EQ(none, str("abc"));
    EXPECT_EQ(none._capacity(), 16u);

    // Writing from inside its own buffer while it grows.
    str t("0123456789");
    t.overlay(-1, t.c_str(), 10, true);
    EXPECT_EQ(t, str("01234567890123456789"));
}

TEST(StrChange, OverlayWithoutTerminatorKeepsTheTextTerminated)
{
    str s("abc");
    s.erase(1, -1);  // "a", stale bytes after the zero
    s.overlay(-1, "Z", 1, false);
    EXPECT_EQ(s, str("aZ"));
}

// ---------------------------------------------------------------------------------------------
// Formatting

TEST(StrFormat, FormatsPrintfStyle)
{
    EXPECT_EQ(str::getFormatted("%d-%s-%c-%05.2f", 42, "x", 'y', 3.14159), str("42-x-y-03.14"));
    EXPECT_EQ(str::getFormatted("%s", ""), str(""));
    str s("old");
    s.format("%u items", 3u);
    EXPECT_EQ(s, str("3 items"));
}

TEST(StrFormat, LongResultsAreProducedWhole)
{
    for (size_t n : {4094u, 4095u, 4096u, 4097u, 5000u, 100000u})
    {
        std::string want(n, 'q');
        str got = str::getFormatted("%s", want.c_str());
        ASSERT_EQ(got.length(), n);
        EXPECT_EQ(std::string(got.c_str()), want);
        if (n > 4095)
        {
            EXPECT_EQ(got._capacity(), n + 1);
        }
    }
    std::string pad(4990, '-');
    EXPECT_EQ(str::getFormatted("%s%05d", pad.c_str(), 7).length(), 4995u);
}

TEST(StrFormat, NumbersUseTheCLocaleWhateverTheProcessLocale)
{
    // A locale with a decimal comma, when the machine has one; otherwise this checks "C".
    const char* old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool changed =
        setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr || setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
    EXPECT_EQ(str::getFormatted("%.2f", 1.5), str("1.50"));
    setlocale(LC_NUMERIC, saved.c_str());
    (void)changed;
}

// ---------------------------------------------------------------------------------------------
// Code points

TEST(StrUtf8, ToUtf32)
{
    struct Case
    {
        const char* bytes;
        unsigned int want;
    };
    const Case cases[] = {
        {"", 0},
        {"A", 0x41},
        {"\x7F", 0x7F},
        {"\xC2\x80", 0x80},
        {"\xC3\xA9", 0xE9},
        {"\xDF\xBF", 0x7FF},
        {"\xE0\xA0\x80", 0x800},
        {"\xEF\xBF\xBD", 0xFFFD},
        {"\xED\xA0\x80", 0xD800},
        {"\xF0\x90\x80\x80", 0x10000},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF},
        {"\xA9", 0},          // continuation byte as lead
        {"\xC3", 0},          // cut short by the terminator
        {"\xE2\x82", 0},      // cut short after two bytes
        {"\xC3\x41", 0},      // following byte without its top bit
        {"\xF0\x90\x80", 0},  // four-byte lead, three bytes present
    };
    for (const Case& c : cases)
    {
        // An exact-size heap copy, so a read past the terminator trips AddressSanitizer.
        size_t n = strlen(c.bytes) + 1;
        std::unique_ptr<char[]> heap(new char[n]);
        memcpy(heap.get(), c.bytes, n);
        EXPECT_EQ(str::to_utf32(heap.get()), c.want) << std::hex << c.want;
    }
    EXPECT_EQ(str::to_utf32(nullptr), 0u);
}

TEST(StrUtf8, FromUtf32)
{
    struct Case
    {
        unsigned int c;
        const char* want;
    };
    const Case cases[] = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xD800, "\xED\xA0\x80"},  // surrogates are encoded like any other value
        {0xFFFD, "\xEF\xBF\xBD"},
        {0xFFFE, ""},
        {0xFEFF, ""},
        {0xFFFF, ""},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0x110000, ""},
        {0xFFFFFFFFu, ""},
        {0x80000000u, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str::from_utf32(c.c), str(c.want)) << std::hex << c.c;
}

TEST(StrUtf8, RoundTripsEveryAcceptedCodePoint)
{
    for (unsigned int c = 1; c <= 0x10FFFF; c += (c < 0x1000 ? 1 : 97))
    {
        str s = str::from_utf32(c);
        if (c == 0xFFFE || c == 0xFEFF || c == 0xFFFF)
            continue;
        ASSERT_EQ(str::to_utf32(s.c_str()), c) << std::hex << c;
    }
}
