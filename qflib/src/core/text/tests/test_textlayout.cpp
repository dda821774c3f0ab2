// Styled-text layout without GL: lines, runs, wrapping, alignment, tabs, colours, fonts, links,
// markup errors, scrolling and picking.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/confighook.h"
#include "foundation/file.h"
#include "text/mvec.h"
#include "text/textgraphic.h"
#include "textfixtures.h"

using namespace texttest;

namespace
{

class Layout : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mDefault = ReadFile(GeneratedFont("default.mvec"));
        ASSERT_FALSE(mDefault.empty());
        TFile::AddMemoryFile("fonts/default.mvec", mDefault.data(), unsigned(mDefault.size()));
        // A face with only "A" and "W", and one whose only glyph lies below the baseline.
        mTiny = BuildFont({BoxGlyph('A', -1000, 0, 900), BoxGlyph('W', -1280, 0, 1000)});
        TFile::AddMemoryFile("fonts/tiny.mvec", mTiny.data(), unsigned(mTiny.size()));
        mFlat = BuildFont({BoxGlyph('_', 100, 200, 900)});
        TFile::AddMemoryFile("fonts/flat.mvec", mFlat.data(), unsigned(mFlat.size()));
        TFontData::SetInstance(&mFonts);
        TTextGraphic::mLegacyLineWrap = false;
    }
    void TearDown() override
    {
        for (TTextGraphic* t : mBlocks)
            TTextGraphic::Destroy(t);
        TFontData::SetInstance(nullptr);
        TTextGraphic::mLegacyLineWrap = false;
        for (const char* name : {"fonts/default.mvec", "fonts/tiny.mvec", "fonts/flat.mvec"})
            TFile::AddMemoryFile(name, nullptr, 0);
    }

    TTextGraphic* Make(const std::string& text, unsigned width = 400, unsigned height = 300,
                       unsigned flags = 0, unsigned size = 16)
    {
        TTextGraphic* t = TTextGraphic::Create(str(text.c_str(), text.size()), width, height, flags,
                                               "__DEFAULT", size, TColor(0, 0, 0, 1));
        mBlocks.push_back(t);
        return t;
    }
    static std::string RunText(const TTextGraphic* t, const TTextRun& r)
    {
        return std::string(t->GetText().c_str() + r.mFirst, r.mLast - r.mFirst);
    }
    static std::string LineText(const TTextGraphic* t, size_t line)
    {
        std::string s;
        for (const TTextRun& r : t->GetLines()[line]->mRuns)
            s += RunText(t, r);
        return s;
    }
    // The run holding a given text.
    static const TTextRun* FindRun(const TTextGraphic* t, const std::string& text)
    {
        for (const auto& l : t->GetLines())
            for (const TTextRun& r : l->mRuns)
                if (RunText(t, r) == text)
                    return &r;
        return nullptr;
    }
    static const TTextRun* FindRunContaining(const TTextGraphic* t, const std::string& text)
    {
        for (const auto& l : t->GetLines())
            for (const TTextRun& r : l->mRuns)
                if (RunText(t, r).find(text) != std::string::npos)
                    return &r;
        return nullptr;
    }
    int Width(const std::string& text)
    {
        TTextGraphic* t = Make(text, 100000);
        return t->GetLines()[0]->mWidth;
    }

    std::vector<uint8_t> mDefault, mTiny, mFlat, mDeep;
    TFontData mFonts;
    std::vector<TTextGraphic*> mBlocks;
};

// One markup text per row: expected lines (text, height, alignment).
struct TLineWant
{
    std::string text;
    int height;
    int align;  // 0 left, 1 centred, 2 right
};
struct TLayoutCase
{
    const char* name;
    std::string markup;
    unsigned flags;
    std::vector<TLineWant> lines;
};

TEST_F(Layout, LinesHeightsAndAlignment)
{
    const std::vector<TLayoutCase> cases = {
        {"centre tag alone gives an empty line of height 0",
         "<center>Title</center>Body",
         0,
         {{"", 0, 0}, {"Title", 16, 1}, {"Body", 16, 0}}},
        {"two br give a full-height empty line", "A<br><br>B", 0, {{"A", 16, 0}, {"", 16, 0}, {"B", 16, 0}}},
        {"br pad adds to the line", "A<br pad='5'>B", 0, {{"A", 21, 0}, {"B", 16, 0}}},
        {"closing p ends the line", "A</p>B", 0, {{"A", 16, 0}, {"B", 16, 0}}},
        {"line feeds end lines, blank ones keep their height",
         "A\n\nB",
         0,
         {{"A", 16, 0}, {"", 16, 0}, {"B", 16, 0}}},
        {"block flags centre and right-align", "A", TTextGraphic::kCenter, {{"A", 16, 1}}},
        {"right flag", "A", TTextGraphic::kRight, {{"A", 16, 2}}},
        {"nested alignment pops back",
         "<right><center>A</center>B</right>C",
         0,
         {{"", 0, 0}, {"", 0, 2}, {"A", 16, 1}, {"B", 16, 2}, {"C", 16, 0}}},
        {"too many pops stay at the block alignment",
         "</center></center>A",
         TTextGraphic::kRight,
         {{"", 0, 2}, {"", 0, 2}, {"A", 16, 2}}},
        {"bigger font sets the line height",
         "a<font size='30'>B</font>c\nd",
         0,
         {{"aBc", 30, 0}, {"d", 16, 0}}},
        {"cursor on an empty line counts as a character", "<cursor><br>x", 0, {{"", 16, 0}, {"x", 16, 0}}},
        {"unknown tags are consumed", "a<q>b<zz top='1'>c", 0, {{"abc", 16, 0}}},
        {"unterminated < is text", "a < b", 0, {{"a < b", 16, 0}}},
        {"a tag longer than 128 characters is still one tag",
         "a<" + std::string(200, 'z') + ">b",
         0,
         {{"ab", 16, 0}}},
        {"only a tag's first 128 characters are read",
         "<font" + std::string(130, ' ') + "size='30'>A",
         0,
         {{"A", 16, 0}}},
        {"a > far after a < closes it",
         "a<br" + std::string(300, ' ') + ">b",
         0,
         {{"a", 16, 0}, {"b", 16, 0}}},
        {"escaped < shows and reads no tag", "a\\<b>c", 0, {{"a\\<b>c", 16, 0}}},
        {"trailing backslash", "ab\\", 0, {{"ab", 16, 0}}},
        {"truncated UTF-8 sequence is dropped", "ab\xE2\x80", 0, {{"ab", 16, 0}}},
        {"empty text has no lines", "", 0, {}},
    };
    for (const TLayoutCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        TTextGraphic* t = Make(c.markup, 400, 300, c.flags);
        ASSERT_EQ(t->GetLineCount(), c.lines.size());
        for (size_t i = 0; i < c.lines.size(); ++i)
        {
            SCOPED_TRACE(i);
            const TTextLine& l = *t->GetLines()[i];
            EXPECT_EQ(LineText(t, i), c.lines[i].text);
            EXPECT_EQ(l.mHeight, c.lines[i].height);
            switch (c.lines[i].align)
            {
            case 0:
                EXPECT_EQ(l.mAnchorX, 0);
                EXPECT_EQ(l.mAlignOffset, 0.0f);
                break;
            case 1:
                EXPECT_EQ(l.mAnchorX, 200);
                EXPECT_FLOAT_EQ(l.mAlignOffset, -l.mWidth / 2.0f);
                break;
            default: EXPECT_EQ(l.mAnchorX, 399); EXPECT_FLOAT_EQ(l.mAlignOffset, float(-l.mWidth));
            }
        }
    }
}

TEST_F(Layout, RunsCarryScaleBaselineAndWidth)
{
    TTextGraphic* t = Make("Hello");
    const TTextRun& r = t->GetLines()[0]->mRuns[0];
    TMvecFont* f = r.mFont;
    ASSERT_NE(f, nullptr);
    EXPECT_FLOAT_EQ(r.mScale, 0.8f * 16 * 4 / (f->GetAscent() + f->GetDescent()));
    EXPECT_EQ(r.mBaseline, int(r.mScale * (f->GetAscent() + f->GetLeading(true))));
    EXPECT_EQ(t->GetLines()[0]->mBaseline, r.mBaseline);
    EXPECT_EQ(r.mStartX, 0);
    EXPECT_GT(r.mEndX, 30);  // about 36 pixels at size 16
    EXPECT_LT(r.mEndX, 45);
    EXPECT_EQ(t->GetLeft(), 0);
    EXPECT_EQ(t->GetRight(), r.mEndX);
    EXPECT_EQ(t->GetHeight(), 16);
}

TEST_F(Layout, WordWiderThanTheBoxBreaksBeforeTheOverflowingCharacter)
{
    const unsigned box = unsigned(Width("abc") + 2);
    TTextGraphic* t = Make("abcdef", box);
    ASSERT_EQ(t->GetLineCount(), 2u);
    EXPECT_EQ(LineText(t, 0), "abc");
    EXPECT_EQ(LineText(t, 1), "def");
    TTextGraphic::mLegacyLineWrap = true;
    t->RenderText();
    ASSERT_EQ(t->GetLineCount(), 2u);
    EXPECT_EQ(LineText(t, 0), "abcd");
    EXPECT_EQ(LineText(t, 1), "ef");
}

TEST_F(Layout, WrapsAtSpacesAndDropsTheSpace)
{
    const unsigned box = unsigned(Width("one two") + 2);
    TTextGraphic* t = Make("one two six ten", box);
    ASSERT_EQ(t->GetLineCount(), 2u);
    EXPECT_EQ(LineText(t, 0), "one two");
    EXPECT_EQ(LineText(t, 1), "six ten");
    // Styles after the break are read again from the break, not applied twice.
    TTextGraphic* s = Make("one <font size='20'>two three</font> four", unsigned(Width("one two") + 2));
    ASSERT_GE(s->GetLineCount(), 2u);
    const TTextRun* three = FindRunContaining(s, "three");
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->mSize, 20);
    EXPECT_EQ(three->mFontDepth, 1);
    const TTextRun* four = FindRunContaining(s, "four");
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(four->mSize, 16);
    EXPECT_EQ(four->mFontDepth, 0);
}

TEST_F(Layout, SoftHyphenTakesRoomOnlyWhereTheLineBreaks)
{
    const std::string word = "aaaa\xC2\xAD"
                             "bbbb";
    EXPECT_EQ(Width(word), Width("aaaabbbb"));
    const unsigned box = unsigned(Width("aaaa-") + 2);
    TTextGraphic* t = Make(word, box);
    ASSERT_EQ(t->GetLineCount(), 2u);
    EXPECT_EQ(LineText(t, 0), "aaaa\xC2\xAD");
    EXPECT_EQ(LineText(t, 1), "bbbb");
    EXPECT_GT(t->GetLines()[0]->mWidth, Width("aaaa"));
}

TEST_F(Layout, ZeroWidthBoxStillEnds)
{
    TTextGraphic* t = Make("abc de", 0);
    // One character per line; the space overflows on a line of its own, breaks and is dropped.
    ASSERT_EQ(t->GetLineCount(), 6u);
    EXPECT_EQ(LineText(t, 0), "a");
    EXPECT_EQ(LineText(t, 2), "c");
    EXPECT_EQ(LineText(t, 3), "");
    EXPECT_EQ(t->GetLines()[3]->mHeight, 0);
    EXPECT_EQ(LineText(t, 4), "d");
    EXPECT_EQ(LineText(t, 5), "e");
    // The closing tags after the last character make a last line of height 0.
    TTextGraphic* u = Make("<b><outline size='5'>xy</outline></b>", 1);
    ASSERT_EQ(u->GetLineCount(), 3u);
    EXPECT_EQ(LineText(u, 0), "x");
    EXPECT_EQ(LineText(u, 1), "y");
    EXPECT_EQ(u->GetLines()[2]->mHeight, 0);
}

TEST_F(Layout, OutlinesMoveTheAnchorsInsideTheBox)
{
    struct TAnchorCase
    {
        const char* markup;
        unsigned flags;
        int anchor;
    };
    // Anchors of the last line.
    const TAnchorCase cases[] = {
        {"<outline size='3'>\nA", 0, 3},  // the first run's outline
        {"<outline size='3'>A", 0, 0},    // the first run is the empty one before the tag
        {"A<outline size='3'>B", 0, 0},
        {"<outline size='3'>A", TTextGraphic::kRight, 396},  // box - the last run's outline - 1
        {"<outline size='3'>A</outline>B", TTextGraphic::kRight, 399},
        {"<outline size='3'>A", TTextGraphic::kCenter, 200},
    };
    for (const TAnchorCase& c : cases)
    {
        SCOPED_TRACE(c.markup);
        TTextGraphic* t = Make(c.markup, 400, 300, c.flags);
        ASSERT_GT(t->GetLineCount(), 0u);
        EXPECT_EQ(t->GetLines().back()->mAnchorX, c.anchor);
    }
}

TEST_F(Layout, TabMovesTheFollowingTextForLayoutAndPicking)
{
    TTextGraphic* t = Make("A<tab pos='150'><a id='b'>B</a>");
    ASSERT_EQ(t->GetLineCount(), 1u);
    const TTextRun* b = FindRun(t, "B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->mStartX, 150);
    EXPECT_EQ(t->GetLines()[0]->mRuns[0].mTab, 600);
    EXPECT_EQ(t->Pick(TPoint(155, 5), 0), str("b"));
    EXPECT_EQ(t->Pick(TPoint(100, 5), 0), str(""));
    // A tab at 0 or without a position moves nothing, in layout as in drawing.
    for (const char* markup : {"AAA<tab pos='0'>B", "AAA<tab>B"})
    {
        SCOPED_TRACE(markup);
        TTextGraphic* u = Make(markup);
        const TTextRun* first = FindRun(u, "AAA");
        const TTextRun* after = FindRun(u, "B");
        ASSERT_TRUE(first && after);
        EXPECT_EQ(after->mStartX, first->mEndX);
        EXPECT_EQ(first->mTab, 0);
    }
}

TEST_F(Layout, FontColoursAndStyles)
{
    struct TColourCase
    {
        const char* markup;
        float r, g, b, a;
    };
    const TColourCase cases[] = {
        {"<font color='FF000080'>x</font>", 1, 0, 0, 128 / 255.0f},
        {"<font color='FF0000'>x</font>", 1, 0, 0, 1},
        {"<font color='#FF000080'>x</font>", 1, 0, 0, 128 / 255.0f},
        {"<font color=\"00ff00\">x</font>", 0, 1, 0, 1},
        // More than eight digits: only eight are read.
        {"<font color='0000FF80FF'>x</font>", 0, 0, 1, 128 / 255.0f},
        // An attribute name after an "=" keeps its case and is not found.
        {"<font size='12' COLOR='ff0000'>x</font>", 0, 0, 0, 1},
        {"<font color=''>x</font>", 0, 0, 0, 1},
    };
    for (const TColourCase& c : cases)
    {
        SCOPED_TRACE(c.markup);
        TTextGraphic* t = Make(c.markup);
        const TTextRun* x = FindRun(t, "x");
        ASSERT_NE(x, nullptr);
        EXPECT_FLOAT_EQ(x->mColor[0], c.r);
        EXPECT_FLOAT_EQ(x->mColor[1], c.g);
        EXPECT_FLOAT_EQ(x->mColor[2], c.b);
        EXPECT_FLOAT_EQ(x->mColor[3], c.a);
    }

    TTextGraphic* t = Make("<B>b</b><i>i</i><u>u</u><outline color='00ff00'>o</outline>"
                           "<outline size='3'>p</outline>q<FONT SIZE='30'>big</font>");
    EXPECT_TRUE(FindRun(t, "b")->mBold);
    EXPECT_TRUE(FindRun(t, "i")->mItalic);
    EXPECT_TRUE(FindRun(t, "u")->mUnderline);
    const TTextRun* o = FindRun(t, "o");
    EXPECT_FLOAT_EQ(o->mOutlineSize, 2.0f);
    EXPECT_FLOAT_EQ(o->mOutlineColor[1], 1.0f);
    EXPECT_FLOAT_EQ(o->mOutlineColor[3], 1.0f);
    EXPECT_FLOAT_EQ(FindRun(t, "p")->mOutlineSize, 3.0f);
    // Outlines are bounded: each costs scan rows in proportion to its size.
    EXPECT_FLOAT_EQ(FindRun(Make("<outline size='5000'>w"), "w")->mOutlineSize, 64.0f);
    const TTextRun* q = FindRun(t, "q");
    EXPECT_FALSE(q->mBold || q->mItalic || q->mUnderline);
    EXPECT_FLOAT_EQ(q->mOutlineSize, 0.0f);
    EXPECT_EQ(FindRun(t, "big")->mSize, 30);
    // Entering italics moves x right by a third of the descent.
    const TTextRun* i = FindRun(t, "i");
    EXPECT_GT(i->mStartX, FindRun(t, "b")->mEndX - 1);
}

TEST_F(Layout, LinksAndPicking)
{
    TTextGraphic* t = Make("see <a id='more' color='0000ff'>more</a> or <a id='Other'>that</a>");
    const TTextRun* more = FindRun(t, "more");
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->mLinkId, str("more"));
    EXPECT_FLOAT_EQ(more->mLinkColor[2], 1.0f);
    const TTextRun* that = FindRun(t, "that");
    EXPECT_EQ(that->mLinkId, str("Other"));
    // Without a colour the link colour is the font colour.
    EXPECT_FLOAT_EQ(that->mLinkColor[3], 1.0f);
    EXPECT_FLOAT_EQ(that->mLinkColor[2], 0.0f);
    EXPECT_EQ(FindRun(t, " or ")->mLinkId, str(""));

    const int mid = (more->mStartX + more->mEndX) / 2;
    EXPECT_EQ(t->Pick(TPoint(mid, 8), 0), str("more"));
    EXPECT_EQ(t->Pick(TPoint(2, 8), 0), str(""));
    EXPECT_EQ(t->Pick(TPoint(mid, 40), 0), str(""));
    EXPECT_EQ(t->Pick(TPoint(mid, -3), 4), str("more"));  // spacing reaches above the line
    const TPoint over(mid, 8);
    EXPECT_TRUE(t->Rollover(&over, 0));
    EXPECT_EQ(t->GetRollover(), str("more"));
    const TPoint same(mid + 1, 8);
    EXPECT_FALSE(t->Rollover(&same, 0));
    EXPECT_TRUE(t->Rollover(nullptr, 0));
    EXPECT_EQ(t->GetRollover(), str(""));
}

TEST_F(Layout, FallbackFontRunsAndMissingFonts)
{
    TTextGraphic* t = Make("<font face='fonts/tiny.mvec'>ABA</font>");
    ASSERT_EQ(t->GetLineCount(), 1u);
    TMvecFont* tiny = mFonts.GetMvec("fonts/tiny.mvec");
    TMvecFont* fallback = mFonts.GetMvec("fonts/default.mvec");
    std::vector<const TTextRun*> held;
    for (const TTextRun& r : t->GetLines()[0]->mRuns)
        if (r.mChars > 0)
            held.push_back(&r);
    ASSERT_EQ(held.size(), 3u);
    EXPECT_EQ(RunText(t, *held[0]), "A");
    EXPECT_EQ(RunText(t, *held[1]), "B");
    EXPECT_EQ(RunText(t, *held[2]), "A");
    EXPECT_EQ(held[0]->mFont, tiny);
    EXPECT_EQ(held[0]->mFallbackFor, nullptr);
    EXPECT_EQ(held[1]->mFont, fallback);
    EXPECT_EQ(held[1]->mFallbackFor, tiny);
    EXPECT_EQ(held[2]->mFont, tiny);
    EXPECT_EQ(held[1]->mStartX, held[0]->mEndX);

    // An unknown face falls back silently.
    TTextGraphic* u = Make("<font face='fonts/nothere.mvec'>x</font>");
    const TTextRun* x = FindRun(u, "x");
    ASSERT_NE(x, nullptr);
    EXPECT_GT(x->mScale, 0.0f);
    EXPECT_EQ(x->mFont->GetGlyphCount(), fallback->GetGlyphCount());

    // A face whose ascent plus descent is 0: no infinite scale; its text goes to the fallback.
    TTextGraphic* f = Make("<font face='fonts/flat.mvec'>_a</font>");
    for (const TTextRun& r : f->GetLines()[0]->mRuns)
    {
        EXPECT_TRUE(std::isfinite(r.mScale));
        if (r.mChars > 0)
        {
            EXPECT_EQ(r.mFont, fallback);
        }
    }
    EXPECT_GT(f->GetLines()[0]->mWidth, 0);
}

TEST_F(Layout, SwitchingAnEmptyRunToTheFallbackShiftsForItalicsOnce)
{
    // A face with a descender but no "B": the empty italic run in it is replaced by a
    // fallback run, which must not lean twice.
    mDeep = BuildFont({BoxGlyph('W', -1280, 0, 1000), BoxGlyph('g', -800, 400, 900)});
    TFile::AddMemoryFile("fonts/deep.mvec", mDeep.data(), unsigned(mDeep.size()));
    TTextGraphic* t = Make("<font face='fonts/deep.mvec'><i>B</i></font>");
    TTextGraphic* plain = Make("<i>B</i>");
    const TTextRun* b = FindRun(t, "B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->mFont, mFonts.GetMvec("fonts/default.mvec"));
    EXPECT_EQ(b->mStartX, FindRun(plain, "B")->mStartX);
    TFile::AddMemoryFile("fonts/deep.mvec", nullptr, 0);
}

TEST_F(Layout, LegacyWrapFromTheConfiguration)
{
    const unsigned box = unsigned(Width("abc") + 2);
    qfSetConfigReader([](const char* key) { return str(strcmp(key, "legacylinewrap") == 0 ? "0" : ""); });
    TTextGraphic* t = Make("abcdef", box);
    qfSetConfigReader(nullptr);
    EXPECT_EQ(LineText(t, 0), "abcd");
}

TEST_F(Layout, FortyNestedFontTagsStayInsideTheStack)
{
    std::string s;
    for (int k = 1; k <= 40; ++k)
        s += "<font size='" + std::to_string(10 + k) + "'>";
    s += "x";
    for (int k = 1; k <= 40; ++k)
        s += "</font>";
    s += "y";
    TTextGraphic* t = Make(s);
    EXPECT_EQ(FindRun(t, "x")->mSize, 41);  // the last stored entry
    EXPECT_EQ(FindRun(t, "x")->mFontDepth, 40);
    EXPECT_EQ(FindRun(t, "y")->mSize, 16);
    // Forty alignment pushes too.
    std::string a;
    for (int k = 0; k < 40; ++k)
        a += "<right>";
    a += "z";
    EXPECT_EQ(Make(a)->GetLineCount(), 41u);
}

TEST_F(Layout, SettersLayOutOnlyOnChange)
{
    TTextGraphic* t = Make("same");
    const unsigned n = t->GetLayoutCount();
    t->SetText("same");
    t->SetTextRect(400, 300);
    t->SetFont("__DEFAULT");
    t->SetColor(TColor(0, 0, 0, 1));
    EXPECT_EQ(t->GetLayoutCount(), n);
    t->SetFont(nullptr);
    t->SetFont("");
    EXPECT_EQ(t->GetLayoutCount(), n);
    EXPECT_EQ(t->GetFont(), str("__DEFAULT"));
    t->SetText("other");
    EXPECT_EQ(t->GetLayoutCount(), n + 1);
    t->SetColor(TColor(1, 0, 0, 1));
    EXPECT_FLOAT_EQ(t->GetLines()[0]->mRuns[0].mColor[0], 1.0f);
    EXPECT_EQ(t->GetLayoutCount(), n + 2);
    // No rotation is 0 degrees (and 360) about any point: the same until the turn or its
    // centre changes.
    t->SetRotation(0.0f, 0, 0);
    t->SetRotation(360.0f, 0, 0);
    EXPECT_EQ(t->GetLayoutCount(), n + 2);
    t->SetRotation(90.0f, 0, 0);
    EXPECT_EQ(t->GetLayoutCount(), n + 3);
    t->SetRotation(90.0f, 0, 0);
    EXPECT_EQ(t->GetLayoutCount(), n + 3);
    t->SetRotation(90.0f, 5, 0);
    EXPECT_EQ(t->GetLayoutCount(), n + 4);
    t->SetRotation(90.0f, 5, 7);
    EXPECT_EQ(t->GetLayoutCount(), n + 5);
}

TEST_F(Layout, ScrollingBoundsAndVerticalPlacement)
{
    TTextGraphic* t = Make("a\nb\nc", 200, 100);
    EXPECT_EQ(t->GetMaxScroll(1.0f, 0), 0);
    t->SetTextRect(200, 20);
    EXPECT_EQ(t->GetMaxScroll(1.0f, 0), 2);
    EXPECT_EQ(t->GetMaxScroll(1.0f, 10), 3);

    TTextGraphic* c = Make("a\nb", 200, 100, TTextGraphic::kVerticalCenter | TTextGraphic::kCenter);
    EXPECT_EQ(c->GetTop(), 50);
    EXPECT_FLOAT_EQ(c->GetVerticalOffset(), -16.0f);
    TRect r;
    c->GetTextBounds(&r, 1.0f);
    EXPECT_EQ(r.top, 34);
    EXPECT_EQ(r.bottom, 66);
    EXPECT_LT(r.left, 100);
    EXPECT_GT(r.right, 100);
    TTextGraphic* b = Make("a\nb", 200, 100, TTextGraphic::kBottom);
    EXPECT_EQ(b->GetTop(), 100);
    EXPECT_FLOAT_EQ(b->GetVerticalOffset(), -32.0f);
    // Scrolled by one line, picking starts at the second line.
    TTextGraphic* p = Make("<a id='one'>a</a>\n<a id='two'>b</a>");
    p->SetScroll(1.0f);
    EXPECT_EQ(p->Pick(TPoint(3, 5), 0), str("two"));
    // Positions past the end or not a number pick nothing and break nothing.
    p->SetScroll(1.0e30f);
    EXPECT_EQ(p->Pick(TPoint(3, 5), 0), str(""));
    p->SetScroll(std::nanf(""));
    EXPECT_EQ(p->Pick(TPoint(3, 5), 0), str("one"));
    TTextGraphic* e = Make("");
    EXPECT_EQ(e->GetLeft(), 0);
    EXPECT_EQ(e->GetHeight(), 0);
    EXPECT_EQ(e->GetMaxScroll(1.0f, 0), 0);
}

}  // namespace
