// TTextGraphic: styled text laid out and drawn in vector fonts.
#include "text/textgraphic.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "render/renderer.h"
#include "text/minivecdraw.h"
#include "text/mvec.h"

bool TTextGraphic::mLegacyLineWrap = false;

namespace
{

const unsigned kTagLimit = 128;    // characters of a tag that are looked at
const unsigned kValueLimit = 128;  // characters of an attribute value
const int kMaxFontSize = 10000;    // pixels; keeps every derived quarter-pixel figure in range
const int kMaxTab = 1000000;       // pixels
// Pixels. An outline widens every segment of a glyph by its size on both sides; far beyond any
// sensible look, a huge one would make each glyph cost millions of scanned edge rows.
const int kMaxOutline = 64;
const unsigned long kSoftHyphen = 0xAD;

int Round(float v)
{
    if (!(v > -1.0e9f))
        return -1000000000;
    if (v > 1.0e9f)
        return 1000000000;
    return static_cast<int>(std::lround(v));
}

// Decodes one UTF-8 character at text[i] (the lead byte alone decides the length). Returns the
// length, or 0 when the sequence runs past the end of the text.
unsigned DecodeUtf8(const char* text, unsigned i, unsigned n, unsigned long* code)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    unsigned len = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (n - i < len)
        return 0;
    unsigned long c = len == 1 ? lead : len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
    for (unsigned k = 1; k < len; ++k)
        c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    *code = c;
    return len;
}

bool StartsWith(const char* s, const char* prefix)
{
    return strncmp(s, prefix, strlen(prefix)) == 0;
}

// The value of an attribute: the text between the two quote characters that follow its name.
bool FindAttribute(const char* tag, const char* name, char* out)
{
    const char* at = strstr(tag, name);
    if (!at)
        return false;
    const char* q1 = strpbrk(at + strlen(name), "'\"");
    if (!q1)
        return false;
    const char* q2 = strpbrk(q1 + 1, "'\"");
    if (!q2)
        return false;
    const size_t len = std::min<size_t>(size_t(q2 - q1 - 1), kValueLimit);
    memcpy(out, q1 + 1, len);
    out[len] = 0;
    return true;
}

bool AttributeInt(const char* tag, const char* name, int* value, int lo, int hi)
{
    char buf[kValueLimit + 1];
    if (!FindAttribute(tag, name, buf))
        return false;
    const long v = strtol(buf, nullptr, 10);
    *value = static_cast<int>(std::max<long>(lo, std::min<long>(hi, v)));
    return true;
}

// A hexadecimal colour, "#" optional, at most 8 digits: RRGGBB (alpha 1), or RRGGBBAA where
// eight digits are allowed. False when there are no digits.
bool AttributeColor(const char* tag, const char* name, bool allowAlpha, float out[4])
{
    char buf[kValueLimit + 1];
    if (!FindAttribute(tag, name, buf))
        return false;
    const char* p = buf;
    while (*p == ' ')
        ++p;
    if (*p == '#')
        ++p;
    unsigned long v = 0;
    int digits = 0;
    while (digits < 8 && isxdigit(static_cast<unsigned char>(*p)))
    {
        const char c = *p++;
        v = v << 4 | unsigned(isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10));
        ++digits;
    }
    if (digits == 0)
        return false;
    if (allowAlpha && digits == 8)
    {
        out[0] = ((v >> 24) & 255) / 255.0f;
        out[1] = ((v >> 16) & 255) / 255.0f;
        out[2] = ((v >> 8) & 255) / 255.0f;
        out[3] = (v & 255) / 255.0f;
    }
    else
    {
        out[0] = ((v >> 16) & 255) / 255.0f;
        out[1] = ((v >> 8) & 255) / 255.0f;
        out[2] = (v & 255) / 255.0f;
        out[3] = 1.0f;
    }
    return true;
}

bool Usable(const TMvecFont* font)
{
    return font && font->GetAscent() + font->GetDescent() > 0;
}

int HasGlyph(const TMvecFont* font, unsigned long code)
{
    return Usable(font) ? font->GetGlyphIndex(code) : -1;
}

}  // namespace

void TTextState::Reset(const str& font, int size, const TColor& colour)
{
    for (TFontEntry& e : mFonts)
        e = TFontEntry();
    mFontDepth = 0;
    mBold = mItalic = mUnderline = false;
    for (int& a : mAlign)
        a = -1;
    mAlignDepth = 0;
    mLinkId = str();
    std::fill(std::begin(mLinkColor), std::end(mLinkColor), 0.0f);
    mOutlineSize = 0;
    std::fill(std::begin(mOutlineColor), std::end(mOutlineColor), 0.0f);
    mFonts[0].name = font;
    mFonts[0].size = size;
    mFonts[0].color[0] = colour.r;
    mFonts[0].color[1] = colour.g;
    mFonts[0].color[2] = colour.b;
    mFonts[0].color[3] = colour.a;
}

// ---------------------------------------------------------------------------------------------
// Layout.

class TTextLayout
{
public:
    explicit TTextLayout(TTextGraphic& g)
        : g(g), s(g.mState), text(g.mText.c_str()), n(g.mText.length()), fonts(TFontData::GetInstance())
    {
        fallback = fonts->GetMvec(g.mFallbackFontName);
        // Set by the platform's configuration hook, or read here: any value turns it on.
        mLegacyWrap = TTextGraphic::mLegacyLineWrap || qfGetConfig("legacylinewrap").length() > 0;
    }

    void Run()
    {
        while (i < n)
            LayoutLine();
    }

private:
    struct TBreak
    {
        bool valid = false;
        size_t runCount = 0;
        TTextRun run;  // the run as it stands when the line breaks here
        unsigned next = 0;
    };

    // What a tag asks of the layout.
    struct TTagEffect
    {
        bool endLine = false;
        bool lineBreak = false;  // br, /p: the ending run counts as holding a character
        int pad = 0;
        bool cursor = false;
        bool tab = false;
        int tabPos = 0;
    };

    void BeginRun(bool useFallback)
    {
        mRunStartX = x;
        TTextState::TFontEntry& e = s.TopFont();
        cur = TTextRun();
        cur.mFontName = e.name;
        cur.mEntrySize = e.size;
        TMvecFont* named = fonts->GetMvec(e.name.length() ? e.name : str("__DEFAULT"));
        cur.mFont = useFallback ? fallback : named;
        cur.mFallbackFor = useFallback ? named : nullptr;
        if (!cur.mFont)
            WriteDbg("ERROR: FONT missing in text when attempting to render string %s.", text);
        if (Usable(cur.mFont))
        {
            const float ad = cur.mFont->GetAscent() + cur.mFont->GetDescent();
            cur.mScale = TMvecFont::GetLinePercent() * e.size * 4 / ad;
            cur.mBaseline =
                static_cast<int>(cur.mScale * (cur.mFont->GetAscent() + cur.mFont->GetLeading(true)));
        }
        cur.mSize = e.size;
        std::copy(std::begin(e.color), std::end(e.color), cur.mColor);
        cur.mBold = s.mBold;
        cur.mItalic = s.mItalic;
        cur.mUnderline = s.mUnderline;
        cur.mLinkId = s.mLinkId;
        std::copy(std::begin(s.mLinkColor), std::end(s.mLinkColor), cur.mLinkColor);
        cur.mOutlineSize = s.mOutlineSize;
        std::copy(std::begin(s.mOutlineColor), std::end(s.mOutlineColor), cur.mOutlineColor);
        cur.mFontDepth = s.mFontDepth;
        cur.mFirst = cur.mLast = i;
        // Italics lean: entering them needs room for the descenders on the left, leaving them
        // room for the ascenders on the right.
        const bool prevItalic = !line->mRuns.empty() && line->mRuns.back().mItalic;
        if (cur.mItalic != prevItalic && cur.mFont)
            x += cur.mScale / 3 * (cur.mItalic ? cur.mFont->GetDescent() : cur.mFont->GetAscent());
        cur.mStartX = Round(x) / 4;
    }

    void EndRun(unsigned last)
    {
        cur.mLast = last;
        cur.mEndX = Round(x) / 4;
        line->mRuns.push_back(cur);
    }

    // Ends the current run before a character that needs the other font and starts one in it;
    // a run that holds nothing yet is replaced instead (its italic shift undone first).
    void SwitchRun(unsigned charStart, bool useFallback)
    {
        if (cur.mChars > 0)
            EndRun(charStart);
        else
            x = mRunStartX;
        BeginRun(useFallback);
    }

    // Puts the markup state back to what it was at the start of a run.
    void RestoreState(const TTextRun& r)
    {
        s.mFontDepth = r.mFontDepth;
        if (r.mFontDepth < TTextState::kStackSize)
        {
            TTextState::TFontEntry& e = s.mFonts[r.mFontDepth];
            e.name = r.mFontName;
            e.size = r.mEntrySize;
            std::copy(std::begin(r.mColor), std::end(r.mColor), e.color);
        }
        s.mBold = r.mBold;
        s.mItalic = r.mItalic;
        s.mUnderline = r.mUnderline;
        s.mLinkId = r.mLinkId;
        std::copy(std::begin(r.mLinkColor), std::end(r.mLinkColor), s.mLinkColor);
        s.mOutlineSize = r.mOutlineSize;
        std::copy(std::begin(r.mOutlineColor), std::end(r.mOutlineColor), s.mOutlineColor);
    }

    void ApplyTag(const char* raw, unsigned len, TTagEffect* fx);
    void LayoutLine();
    void FinishLine(int alignment, int pad);

    TTextGraphic& g;
    TTextState& s;
    const char* text;
    unsigned n;
    TFontData* fonts;
    TMvecFont* fallback = nullptr;
    bool mLegacyWrap = false;
    unsigned i = 0;
    unsigned mNoCloseFrom = UINT_MAX;  // no ">" follows a "<" at or after this index
    std::shared_ptr<TTextLine> line;
    TTextRun cur;
    float x = 0;           // quarter pixels from the line's start
    float mRunStartX = 0;  // x before the current run's italic shift
};

void TTextLayout::ApplyTag(const char* raw, unsigned len, TTagEffect* fx)
{
    // Spaces outside quotes are dropped; the rest is lower-cased except from an "=" to the next
    // space that is kept, so that a one-word value keeps its case.
    char tag[kTagLimit + 1];
    unsigned t = 0;
    bool quoted = false, keepCase = false;
    for (unsigned k = 0; k < len && k < kTagLimit; ++k)
    {
        const char c = raw[k];
        if (c == '\'' || c == '"')
        {
            quoted = !quoted;
            tag[t++] = c;
        }
        else if (c == ' ')
        {
            // Only a kept space (inside quotes) ends the stretch whose case is kept.
            if (quoted)
            {
                tag[t++] = c;
                keepCase = false;
            }
        }
        else if (c == '=')
        {
            keepCase = true;
            tag[t++] = c;
        }
        else
            tag[t++] = keepCase ? c : static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    tag[t] = 0;

    TTextState::TFontEntry& top = s.TopFont();
    auto pushAlign = [this, fx](int a)
    {
        ++s.mAlignDepth;
        if (s.mAlignDepth < TTextState::kStackSize)
            s.mAlign[s.mAlignDepth] = a;
        fx->endLine = true;
    };
    if (StartsWith(tag, "br"))
    {
        fx->endLine = fx->lineBreak = true;
        AttributeInt(tag, "pad", &fx->pad, -kMaxFontSize, kMaxFontSize);
    }
    else if (StartsWith(tag, "/p"))
        fx->endLine = fx->lineBreak = true;
    else if (StartsWith(tag, "/a"))
    {
        s.mLinkId = str("");
        std::copy(std::begin(top.color), std::end(top.color), s.mLinkColor);
    }
    else if (StartsWith(tag, "/b"))
        s.mBold = false;
    else if (StartsWith(tag, "/i"))
        s.mItalic = false;
    else if (StartsWith(tag, "/u"))
        s.mUnderline = false;
    else if (StartsWith(tag, "/center") || StartsWith(tag, "/left") || StartsWith(tag, "/right"))
    {
        s.mAlignDepth = std::max(0, s.mAlignDepth - 1);
        fx->endLine = true;
    }
    else if (StartsWith(tag, "/font"))
        s.mFontDepth = std::max(0, s.mFontDepth - 1);
    else if (StartsWith(tag, "/outline"))
    {
        s.mOutlineSize = 0;
        std::fill(std::begin(s.mOutlineColor), std::end(s.mOutlineColor), 0.0f);
    }
    else if (StartsWith(tag, "cursor"))
        fx->cursor = true;
    else if (StartsWith(tag, "center"))
        pushAlign(1);
    else if (StartsWith(tag, "left"))
        pushAlign(0);
    else if (StartsWith(tag, "right"))
        pushAlign(2);
    else if (StartsWith(tag, "font"))
    {
        const TTextState::TFontEntry copy = top;
        ++s.mFontDepth;
        // Entries past the stack are counted but neither stored nor changed.
        if (s.mFontDepth < TTextState::kStackSize)
        {
            TTextState::TFontEntry& e = s.mFonts[s.mFontDepth];
            e = copy;
            AttributeInt(tag, "size", &e.size, 0, kMaxFontSize);
            AttributeColor(tag, "color", true, e.color);
            char face[kValueLimit + 1];
            if (FindAttribute(tag, "face", face))
                e.name = str(face);
        }
    }
    else if (StartsWith(tag, "outline"))
    {
        int size = 2;
        AttributeInt(tag, "size", &size, 0, kMaxOutline);
        s.mOutlineSize = static_cast<float>(size);
        float c[4] = {0, 0, 0, 1};
        AttributeColor(tag, "color", false, c);
        std::copy(std::begin(c), std::end(c), s.mOutlineColor);
    }
    else if (StartsWith(tag, "tab"))
    {
        fx->tab = true;
        AttributeInt(tag, "pos", &fx->tabPos, 0, kMaxTab);
    }
    else if (StartsWith(tag, "a"))
    {
        char id[kValueLimit + 1];
        s.mLinkId = FindAttribute(tag, "id", id) ? str(id) : str("");
        if (!AttributeColor(tag, "color", false, s.mLinkColor))
            std::copy(std::begin(top.color), std::end(top.color), s.mLinkColor);
    }
    else if (StartsWith(tag, "b"))
        s.mBold = true;
    else if (StartsWith(tag, "i"))
        s.mItalic = true;
    else if (StartsWith(tag, "u"))
        s.mUnderline = true;
}

void TTextLayout::LayoutLine()
{
    // The lines of the previous layout that nobody else holds are used again, their runs'
    // room kept: laying out the same text every frame allocates nothing.
    std::shared_ptr<TTextLine> spare;
    if (!g.mSpareLines.empty())
    {
        spare = std::move(g.mSpareLines.back());
        g.mSpareLines.pop_back();
    }
    if (!spare || spare.use_count() != 1)
    {
        line = std::make_shared<TTextLine>();
    }
    else
    {
        line = std::move(spare);
        std::vector<TTextRun> runs = std::move(line->mRuns);
        runs.clear();
        *line = TTextLine();
        line->mRuns = std::move(runs);
    }
    const int alignment = s.TopAlignment();
    x = 0;
    float overhang = 0;
    int glyphs = 0;  // glyphs placed on this line
    int pad = 0;
    TBreak space, hyphen;
    BeginRun(false);

    for (;;)
    {
        if (i >= n)
        {
            EndRun(n);
            break;
        }
        const unsigned charStart = i;
        if (text[i] == '<')
        {
            // A tag runs to the first ">" however far it is (only its first characters are
            // read). Once a search has found none, no later "<" can have one either.
            const char* gt =
                i >= mNoCloseFrom ? nullptr : static_cast<const char*>(memchr(text + i + 1, '>', n - i - 1));
            if (!gt)
                mNoCloseFrom = std::min(mNoCloseFrom, i);
            if (gt)
            {
                const unsigned close = static_cast<unsigned>(gt - text);
                EndRun(i);
                TTagEffect fx;
                ApplyTag(text + i + 1, close - i - 1, &fx);
                i = close + 1;
                TTextRun& ended = line->mRuns.back();
                if (fx.cursor)
                    ended.mCursor = true;
                if (fx.lineBreak)
                {
                    ended.mLineBreak = true;
                    pad += fx.pad;
                }
                // A tab at 0 (or without a position) is no tab: drawing moves the pen only
                // for a position above 0.
                if (fx.tab && fx.tabPos > 0)
                {
                    ended.mTab = fx.tabPos * 4;
                    x = static_cast<float>(fx.tabPos * 4);
                }
                if (fx.endLine)
                    break;
                BeginRun(false);
                continue;
            }
            // No ">" after it: the "<" is shown as text.
        }
        if (text[i] == '\n')
        {
            EndRun(i);
            line->mRuns.back().mLineBreak = true;
            ++i;
            break;
        }
        unsigned at = i;
        if (text[i] == '\\')
        {
            if (i + 1 >= n)
            {
                // A backslash at the very end escapes nothing.
                EndRun(i);
                i = n;
                break;
            }
            at = i + 1;
        }
        unsigned long code = 0;
        const unsigned len = DecodeUtf8(text, at, n, &code);
        if (len == 0)
        {
            // A sequence cut off by the end of the text is dropped.
            EndRun(i);
            i = n;
            break;
        }

        // Font choice: the named font first, the fallback font for what it lacks.
        if (cur.mFallbackFor)
        {
            if (HasGlyph(cur.mFallbackFor, code) >= 0)
                SwitchRun(charStart, false);
        }
        else if (HasGlyph(cur.mFont, code) < 0 && fallback != cur.mFont && HasGlyph(fallback, code) >= 0)
            SwitchRun(charStart, true);
        i = at + len;
        TMvecFont* font = cur.mFont;
        const int glyph = HasGlyph(font, code);
        const bool hadChars = cur.mChars > 0;
        ++cur.mChars;

        if (code == ' ')
        {
            space.valid = true;
            space.runCount = line->mRuns.size();
            space.run = cur;
            space.run.mChars = hadChars ? 1 : 0;
            space.run.mLast = charStart;
            space.run.mEndX = Round(x) / 4;
            space.next = i;
            hyphen.valid = false;
        }
        if (glyph < 0)
            continue;  // in neither font: skipped
        const float advance = font->GetGlyphAdvance(glyph);
        const float maxX = font->GetGlyphMaxX(glyph);
        if (code == kSoftHyphen)
        {
            // A break opportunity that takes room only where the line breaks.
            float after = x;
            if (glyphs == 0)
                after += 4 - cur.mScale * font->GetGlyphMinX(glyph);
            after += overhang + cur.mScale * std::max(advance, maxX);
            hyphen.valid = true;
            hyphen.runCount = line->mRuns.size();
            hyphen.run = cur;
            hyphen.run.mLast = i;
            hyphen.run.mEndX = Round(after) / 4;
            hyphen.next = i;
            continue;
        }
        const float before = x;
        if (glyphs == 0)
            x += 4 - cur.mScale * font->GetGlyphMinX(glyph);
        x += overhang + cur.mScale * std::max(advance, maxX);
        overhang = maxX > advance ? cur.mScale * (advance - maxX) : 0;
        ++glyphs;

        const float firstOutline = line->mRuns.empty() ? cur.mOutlineSize : line->mRuns[0].mOutlineSize;
        const double reach = std::lround(double(x) + 4.0 * (firstOutline + 1 + cur.mOutlineSize));
        if (reach <= 4.0 * double(g.mWidth))
            continue;
        const TBreak* back = hyphen.valid ? &hyphen : space.valid ? &space : nullptr;
        if (back)
        {
            line->mRuns.resize(back->runCount);
            line->mRuns.push_back(back->run);
            RestoreState(back->run);
            i = back->next;
            line->mHyphenBreak = back == &hyphen;
        }
        else if (glyphs == 1 || mLegacyWrap)
        {
            // The first character of a line always stays on it, or layout would never end.
            EndRun(i);
        }
        else
        {
            x = before;
            --cur.mChars;
            EndRun(charStart);
            i = charStart;
        }
        break;
    }
    FinishLine(alignment, pad);
}

void TTextLayout::FinishLine(int alignment, int pad)
{
    TTextLine& l = *line;
    int height = 0, baseline = 0, width = 0;
    for (TTextRun& r : l.mRuns)
    {
        if (r.mChars == 0 && !r.mLineBreak && !r.mCursor)
        {
            r.mSize = 0;
            r.mBaseline = 0;
        }
        height = std::max(height, r.mSize);
        baseline = std::max(baseline, r.mBaseline);
        width = std::max(width, r.mEndX);
    }
    l.mHeight = height + pad;
    l.mBaseline = baseline;
    l.mWidth = width;
    if (alignment < 0)
        alignment = (g.mFlags & TTextGraphic::kCenter) ? 1 : (g.mFlags & TTextGraphic::kRight) ? 2 : 0;
    const int box = static_cast<int>(std::min<unsigned>(g.mWidth, 1u << 24));
    if (alignment == 1)
    {
        l.mAnchorX = box / 2;
        l.mAlignOffset = -width / 2.0f;
    }
    else if (alignment == 2)
    {
        l.mAnchorX = box - Round(l.mRuns.empty() ? 0 : l.mRuns.back().mOutlineSize) - 1;
        l.mAlignOffset = static_cast<float>(-width);
    }
    else
    {
        l.mAnchorX = Round(l.mRuns.empty() ? 0 : l.mRuns.front().mOutlineSize);
        l.mAlignOffset = 0;
    }
    g.mLines.push_back(line);
}

void TTextGraphic::RenderText()
{
    ++mLayoutCount;
    // Kept for the next layout (LayoutLine), the first line last, so each line tends to get
    // back the room it had.
    for (auto it = mLines.rbegin(); it != mLines.rend(); ++it)
        if (it->use_count() == 1)
            mSpareLines.push_back(std::move(*it));
    mLines.clear();
    mLeft = INT_MAX;
    mTop = mRight = mHeightLaid = 0;
    mVerticalOffset = 0;
    mState.Reset(mFontName, static_cast<int>(std::min<unsigned>(mSize, kMaxFontSize)), mColor);
    TTextLayout(*this).Run();

    float left = 0, right = 0;
    int height = 0;
    for (size_t k = 0; k < mLines.size(); ++k)
    {
        const TTextLine& l = *mLines[k];
        const float x0 = l.mAnchorX + l.mAlignOffset, x1 = x0 + l.mWidth;
        left = k == 0 ? x0 : std::min(left, x0);
        right = k == 0 ? x1 : std::max(right, x1);
        height += l.mHeight;
    }
    mLeft = mLines.empty() ? 0 : Round(left);
    mRight = Round(right);
    mHeightLaid = height;
    const int boxHeight = static_cast<int>(std::min<unsigned>(mHeight, 1u << 24));
    if (mFlags & kVerticalCenter)
    {
        mTop = boxHeight / 2;
        mVerticalOffset = -height / 2.0f;
    }
    else if (mFlags & kBottom)
    {
        mTop = boxHeight;
        mVerticalOffset = static_cast<float>(-height);
    }
}

// ---------------------------------------------------------------------------------------------
// The block.

namespace
{
bool gDrawReuse = true;
}

struct TTextGraphic::TDrawn
{
    TDrawnKey key;
    str rollover;
    TQfMiniVecDraw::TScreenCapture sent;
    TQfMiniVecDraw::TStyle style;  // the rasteriser's style after the draw
};

TTextGraphic::TTextGraphic()
{
}
TTextGraphic::~TTextGraphic()
{
}

void TTextGraphic::SetDrawReuse(bool on)
{
    gDrawReuse = on;
}

bool TTextGraphic::TDrawnKey::operator==(const TDrawnKey& o) const
{
    return x == o.x && y == o.y && scale == o.scale && alpha == o.alpha && scroll == o.scroll &&
           offset == o.offset && maxHeight == o.maxHeight && layoutCount == o.layoutCount &&
           shapeGeneration == o.shapeGeneration && spacing == o.spacing;
}

bool TTextGraphic::DrawAgain(const TDrawnKey& key)
{
    if (!mDrawn || !(mDrawn->key == key) || mDrawn->rollover != mRollover)
        return false;
    TQfMiniVecDraw* r = TQfMiniVecDraw::GetInstance();
    r->SendCaptured(mDrawn->sent);
    r->RestoreStyle(mDrawn->style);
    // As the draw's last Stop: the screen is marked for redraw.
    r->Stop();
    return true;
}

TTextGraphic* TTextGraphic::Create(str text, unsigned width, unsigned height, unsigned flags,
                                   const char* font, unsigned size, const TColor& colour)
{
    TTextGraphic* t = new TTextGraphic();
    t->mFlags = flags;
    t->mFontName = (font && *font) ? str(font) : str("__DEFAULT");
    t->mSize = size;
    t->mColor = colour;
    t->mWidth = width;
    t->mHeight = height;
    t->mSpriteRender = qfGetConfig("textspriterender").to_int() > 0;
    t->mText = text;
    t->RenderText();
    return t;
}

void TTextGraphic::Destroy(TTextGraphic* text)
{
    delete text;
}

void TTextGraphic::SetText(str text)
{
    if (text == mText)
        return;
    mText = text;
    RenderText();
}

void TTextGraphic::SetFont(const char* font)
{
    const str name = (font && *font) ? str(font) : str("__DEFAULT");
    if (name == mFontName)
        return;
    mFontName = name;
    RenderText();
}

void TTextGraphic::SetColor(const TColor& colour)
{
    if (colour == mColor)
        return;
    mColor = colour;
    RenderText();
}

void TTextGraphic::SetSize(unsigned size)
{
    if (size == mSize)
        return;
    mSize = size;
    RenderText();
}

void TTextGraphic::SetTextRect(unsigned width, unsigned height)
{
    if (width == mWidth && height == mHeight)
        return;
    mWidth = width;
    mHeight = height;
    RenderText();
}

void TTextGraphic::SetRotation(float degrees, unsigned x, unsigned y)
{
    const double r = degrees * M_PI / 180.0;
    // Values within 0.0001 of 0 or of plus or minus 1 are made exact, so that right angles
    // rasterise without drift (and no rotation at all takes the unrotated path).
    auto snap = [](float v)
    {
        for (float exact : {-1.0f, 0.0f, 1.0f})
            if (std::fabs(v - exact) < 0.0001f)
                return exact;
        return v;
    };
    const float c = snap(static_cast<float>(std::cos(r))), s = snap(static_cast<float>(std::sin(r)));
    // Like the other setters, only a change lays the block out again (a screen's text overlay
    // sets its rotation before every draw).
    if (c == mCos && s == mSin && x == mRotX && y == mRotY)
        return;
    mCos = c;
    mSin = s;
    mRotX = x;
    mRotY = y;
    RenderText();
}

size_t TTextGraphic::FirstLine() const
{
    // NaN and negative positions are line 0; anything past the end draws nothing.
    if (!(mScroll > 0))
        return 0;
    return mScroll < float(mLines.size()) ? static_cast<size_t>(mScroll) : mLines.size();
}

int TTextGraphic::GetMaxScroll(float scale, int spacing) const
{
    float sum = 0;
    for (size_t k = mLines.size(); k-- > 0;)
    {
        sum += (mLines[k]->mHeight + spacing) * scale;
        if (sum > float(mHeight))
            return static_cast<int>(k + 1);
    }
    return 0;
}

void TTextGraphic::GetTextBounds(TRect* out, float scale) const
{
    if (!out)
        return;
    const size_t first = FirstLine();
    float left = 0, right = 0;
    bool any = false;
    for (size_t k = first; k < mLines.size(); ++k)
    {
        const TTextLine& l = *mLines[k];
        const float x0 = l.mAnchorX + l.mAlignOffset * scale;
        const float x1 = l.mAnchorX + (l.mAlignOffset + l.mWidth) * scale;
        left = any ? std::min(left, x0) : x0;
        right = any ? std::max(right, x1) : x1;
        any = true;
    }
    out->left = Round(left);
    out->right = Round(right);
    out->top = Round(mTop + scale * mVerticalOffset);
    out->bottom = Round(out->top + scale * mHeightLaid);
}

str TTextGraphic::Pick(const TPoint& p, int spacing) const
{
    float y = mTop + mVerticalOffset;
    for (size_t k = FirstLine(); k < mLines.size(); ++k)
    {
        const TTextLine& l = *mLines[k];
        if (p.y >= y - spacing && p.y < y + l.mHeight)
        {
            const float base = l.mAnchorX + l.mAlignOffset;
            for (const TTextRun& r : l.mRuns)
                if (p.x >= base + r.mStartX && p.x < base + r.mEndX)
                    return r.mLinkId;
            return str("");
        }
        y += l.mHeight + spacing;
    }
    return str("");
}

bool TTextGraphic::Rollover(const TPoint* p, int spacing)
{
    const str id = p ? Pick(*p, spacing) : str("");
    if (id == mRollover)
        return false;
    mRollover = id;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Drawing.

void TTextGraphic::Draw(const TRect& r, float scale, int spacing, float alpha,
                        std::shared_ptr<TTexture> target)
{
    Draw(TVec2(float(r.left), float(r.top)), static_cast<unsigned>(std::max(0, r.Height())), scale, spacing,
         alpha, target);
}

void TTextGraphic::Draw(const TVec2& pos, unsigned maxHeight, float scale, int spacing, float alpha,
                        std::shared_ptr<TTexture> target)
{
    // A negative (or zero) scale draws nothing.
    if (!(scale > 0))
        return;
    TQfMiniVecDraw* r = TQfMiniVecDraw::GetInstance();
    // Only a draw to the screen from an idle rasteriser, whose lines depend on nothing but
    // this block and the arguments, is kept; a draw into a texture writes pixels instead.
    const bool keep = gDrawReuse && !target && !mReplace && !mAccumulate && TRenderer::HasInstance() &&
                      r->IsIdle();
    TDrawnKey key;
    if (keep)
    {
        key.x = pos.x;
        key.y = pos.y;
        key.scale = scale;
        key.alpha = alpha;
        key.scroll = mScroll;
        key.offset = r->GetOffset();
        key.maxHeight = maxHeight;
        key.layoutCount = mLayoutCount;
        key.shapeGeneration = TQfMiniVecDraw::ShapeGeneration();
        key.spacing = spacing;
        if (DrawAgain(key))
            return;
        if (!mDrawn)
            mDrawn = std::make_unique<TDrawn>();
        mDrawn->sent.Clear();
        r->SetCapture(&mDrawn->sent);
    }
    r->mCos = mCos;
    r->mSin = mSin;
    r->mReplace = mReplace;
    r->mAccumulate = mAccumulate;
    const size_t first = FirstLine();
    const float fraction = (mScroll > 0 && first < mLines.size()) ? mScroll - float(first) : 0;
    const float posY = pos.y - fraction * float(mSize) * scale;
    float top = mSpriteRender ? mTop / scale + mVerticalOffset : mTop + scale * mVerticalOffset;
    for (size_t k = first; k < mLines.size(); ++k)
    {
        const TTextLine& l = *mLines[k];
        const float test = mSpriteRender ? (top + l.mHeight) * scale : top + l.mHeight * scale;
        if (test > float(maxHeight))
            break;
        if (test >= 0)
        {
            float ox = l.mAnchorX + scale * l.mAlignOffset;
            float oy = (top + l.mBaseline / 4.0f) * scale;
            const float dx = ox - float(mRotX), dy = oy - float(mRotY);
            ox = float(mRotX) + dx * mCos - dy * mSin;
            oy = float(mRotY) + dx * mSin + dy * mCos;
            r->Start(ox + pos.x, oy + posY, target);
            DrawLine(l, scale, alpha);
        }
        top += l.mHeight + spacing;
    }
    r->Stop();
    r->mItalic = false;
    r->mOutlineWidth[0] = r->mOutlineWidth[1] = 0;
    r->mCos = 1.0f;
    r->mSin = 0.0f;
    r->mReplace = r->mAccumulate = false;
    if (keep)
    {
        r->SetCapture(nullptr);
        if (mDrawn->sent.shapeColours)
        {
            mDrawn.reset();
            return;
        }
        mDrawn->sent.Seal();
        mDrawn->key = key;
        mDrawn->rollover = mRollover;
        r->SaveStyle(mDrawn->sent, &mDrawn->style);
    }
}

void TTextGraphic::DrawLine(const TTextLine& l, float scale, float alpha)
{
    TQfMiniVecDraw* r = TQfMiniVecDraw::GetInstance();
    const char* text = mText.c_str();
    const unsigned n = mText.length();
    float pen = 0;  // quarter pixels along the baseline from the line's origin
    bool prevItalic = false;
    for (size_t ri = 0; ri < l.mRuns.size(); ++ri)
    {
        const TTextRun& run = l.mRuns[ri];
        TMvecFont* font = run.mFont;
        if (!font)
            continue;
        const float rs = run.mScale;
        const TColor colour =
            (run.mLinkId.length() && run.mLinkId == mRollover)
                ? TColor(run.mLinkColor[0], run.mLinkColor[1], run.mLinkColor[2], run.mLinkColor[3])
                : TColor(run.mColor[0], run.mColor[1], run.mColor[2], run.mColor[3]);
        r->mItalic = run.mItalic;
        float w0 = 0, w1 = 0;
        if (run.mOutlineSize > 0)
        {
            w0 = run.mOutlineSize;
            r->SetColor(255,
                        TColor(run.mOutlineColor[0], run.mOutlineColor[1], run.mOutlineColor[2],
                               run.mOutlineColor[3]),
                        alpha);
        }
        if (run.mBold || font->GetForceBold())
        {
            const float bold = run.mSize * scale * 0.0125f * font->GetBoldScale();
            if (w0 == 0)
            {
                w0 = bold;
                r->SetColor(255, colour, alpha);
            }
            else
            {
                w1 = bold;
                w0 += bold;
                r->SetColor(254, colour, alpha);
            }
        }
        r->mOutlineWidth[0] = w0;
        r->mOutlineWidth[1] = w1;
        r->SetColor(1, colour, alpha);
        if (run.mItalic != prevItalic)
            pen += scale * rs / 3 * (run.mItalic ? font->GetDescent() : font->GetAscent());
        prevItalic = run.mItalic;

        const float runStart = pen;
        const float sx = scale * rs / 128.0f;
        const bool lastRun = ri + 1 == l.mRuns.size();
        for (unsigned k = run.mFirst; k < run.mLast && k < n;)
        {
            unsigned at = k;
            if (text[k] == '\\' && k + 1 < n)
                at = k + 1;
            unsigned long code = 0;
            const unsigned len = DecodeUtf8(text, at, n, &code);
            if (len == 0)
                break;
            k = at + len;
            // A soft hyphen shows only at the end of the line that broke after it.
            if (code == kSoftHyphen && !(l.mHyphenBreak && lastRun && k == run.mLast))
                continue;
            const int glyph = HasGlyph(font, code);
            if (glyph < 0)
                continue;
            r->mScaleX = sx;
            r->mScaleY = sx * font->GetGlyphScaleY(glyph);
            r->Draw(font->GetGlyphData(glyph), Round(pen * mCos), Round(pen * mSin),
                    font->GetGlyphDataSize(glyph));
            pen += font->GetGlyphAdvance(glyph) * rs * scale;
        }
        r->mOutlineWidth[0] = r->mOutlineWidth[1] = 0;
        if (run.mCursor)
            r->DrawBar(pen, -font->GetAscent() * rs * scale, pen + 3, font->GetDescent() * rs * scale);
        if (run.mUnderline && pen > runStart)
            r->DrawBar(runStart, 8, pen, 11);
        if (run.mTab)
            pen = run.mTab * scale;
    }
}

// ---------------------------------------------------------------------------------------------

namespace
{
TTextGraphic* gHudText = nullptr;
}

void qfDrawHudText(const str& text)
{
    if (!gHudText)
        gHudText = TTextGraphic::Create(str(""), 512, 512, 0, "__DEFAULT", 16, TColor(1, 0, 0, 1));
    gHudText->SetText(text);
    gHudText->Draw(TVec2(0, 0), 512, 1.0f, 0, 1.0f, nullptr);
}

void qfFreeHudText()
{
    TTextGraphic::Destroy(gHudText);
    gHudText = nullptr;
}
