// TTextGraphic: a block of UTF-8 text with a small markup, laid out in a box in vector fonts
// and drawn through the vector rasteriser, to the screen or into a texture.
//
// Markup (tag and attribute names in lower case; values in quotes of either kind):
//   <br pad='n'>  </p>  <a id='x' color='rrggbb'> </a>  <b> </b> <i> </i> <u> </u>  <cursor>
//   <center> <left> <right> and their closing forms (each ends the line)
//   <font size='n' color='rrggbb[aa]' face='file.mvec'> </font>
//   <outline color='rrggbb' size='n'> </outline>  <tab pos='n'>
// A backslash shows the next character literally; a line feed ends the line; U+00AD (soft
// hyphen) is a break opportunity that shows only where the line breaks.
#pragma once

#include <memory>
#include <vector>

#include "foundation/color.h"
#include "foundation/rect.h"
#include "foundation/str.h"
#include "foundation/vec.h"

class TMvecFont;
class TTexture;

// The markup state while laying out.
struct TTextState
{
    static const int kStackSize = 32;
    struct TFontEntry
    {
        str name;
        int size = 16;  // pixels
        float color[4] = {0, 0, 0, 1};
    };

    TFontEntry mFonts[kStackSize];
    int mFontDepth = 0;  // pushes past the last entry are counted, not stored
    bool mBold = false, mItalic = false, mUnderline = false;
    int mAlign[kStackSize];  // entry 0 is -1: the block's own alignment
    int mAlignDepth = 0;
    str mLinkId;
    float mLinkColor[4] = {0, 0, 0, 0};
    float mOutlineSize = 0;
    float mOutlineColor[4] = {0, 0, 0, 0};

    void Reset(const str& font, int size, const TColor& colour);
    TFontEntry& TopFont() { return mFonts[mFontDepth < kStackSize ? mFontDepth : kStackSize - 1]; }
    int TopAlignment() const { return mAlign[mAlignDepth < kStackSize ? mAlignDepth : kStackSize - 1]; }
};

// One style run of a line.
struct TTextRun
{
    TMvecFont* mFont = nullptr;
    float mScale = 0;                   // quarter pixels per font unit
    int mSize = 0;                      // pixels; 0 for a run that holds no character
    int mBaseline = 0;                  // quarter pixels below the line top
    TMvecFont* mFallbackFor = nullptr;  // the font the markup names while this run uses the fallback
    float mColor[4] = {0, 0, 0, 1};
    bool mBold = false, mItalic = false, mUnderline = false, mCursor = false;
    unsigned mFirst = 0, mLast = 0;  // byte range [first, last) of the text
    int mStartX = 0, mEndX = 0;      // pixels from the line's anchor
    str mLinkId;
    float mLinkColor[4] = {0, 0, 0, 0};
    float mOutlineSize = 0;
    float mOutlineColor[4] = {0, 0, 0, 0};
    int mTab = 0;        // quarter pixels; 0 = none
    int mFontDepth = 0;  // font-stack depth at the run's start

    // Layout bookkeeping.
    str mFontName;  // the font entry in force (restored when a wrap takes runs back)
    int mEntrySize = 0;
    int mChars = 0;  // characters consumed
    bool mLineBreak = false;
};

struct TTextLine
{
    int mHeight = 0;            // pixels
    int mBaseline = 0;          // quarter pixels
    int mAnchorX = 0;           // pixels
    float mAlignOffset = 0;     // pixels
    int mWidth = 0;             // pixels
    bool mHyphenBreak = false;  // the line broke after a soft hyphen, which then shows
    std::vector<TTextRun> mRuns;
};

class TTextGraphic
{
public:
    enum EFlags
    {
        kCenter = 1,          // centre each line
        kRight = 2,           // align each line right
        kVerticalCenter = 4,  // centre the block vertically in the box
        kBottom = 8           // align the block to the bottom
    };

    static TTextGraphic* Create(str text, unsigned width, unsigned height, unsigned flags, const char* font,
                                unsigned size, const TColor& colour);
    static void Destroy(TTextGraphic* text);

    // Each lays the block out again when the value changes.
    void SetText(str text);
    void SetFont(const char* font);  // null or "" is "__DEFAULT"
    void SetColor(const TColor& colour);
    void SetSize(unsigned size);
    void SetTextRect(unsigned width, unsigned height);
    void SetRotation(float degrees, unsigned x, unsigned y);
    void SetScroll(float lines) { mScroll = lines; }

    str GetText() const { return mText; }
    str GetFont() const { return mFontName; }
    TColor GetColor() const { return mColor; }
    bool GetSpriteRender() const { return mSpriteRender; }
    unsigned GetSize() const { return mSize; }
    unsigned GetFlags() const { return mFlags; }
    float GetScroll() const { return mScroll; }
    unsigned GetLineCount() const { return static_cast<unsigned>(mLines.size()); }
    const std::vector<std::shared_ptr<TTextLine>>& GetLines() const { return mLines; }
    // Laid-out bounds (pixels): left, top, right and total height; vertical offset of the block.
    int GetLeft() const { return mLeft; }
    int GetTop() const { return mTop; }
    int GetRight() const { return mRight; }
    int GetHeight() const { return mHeightLaid; }
    float GetVerticalOffset() const { return mVerticalOffset; }
    unsigned GetLayoutCount() const { return mLayoutCount; }

    // The first line from which all following lines fit the box height; 0 when all fit.
    int GetMaxScroll(float scale, int spacing) const;
    void GetTextBounds(TRect* out, float scale) const;
    // The link id of the run under p, or "".
    str Pick(const TPoint& p, int spacing) const;
    // True when the link under p (null: none) differs from the stored one, which it replaces.
    bool Rollover(const TPoint* p, int spacing);
    str GetRollover() const { return mRollover; }

    void Draw(const TVec2& pos, unsigned maxHeight, float scale, int spacing, float alpha,
              std::shared_ptr<TTexture> target);
    void Draw(const TRect& r, float scale, int spacing, float alpha, std::shared_ptr<TTexture> target);

    void RenderText();

    // A block drawn to the screen again with the same layout, place, scale, spacing, alpha,
    // scroll and rollover sends the renderer what it sent the last time instead of rasterising
    // its glyphs again (the same calls, vertex for vertex). On by default; off rasterises every
    // draw (for tests that compare the two).
    static void SetDrawReuse(bool on);

    // Set by the configuration key "legacylinewrap": an overlong word breaks after the
    // character that overflows instead of before it.
    static bool mLegacyLineWrap;

private:
    friend class TTextLayout;
    TTextGraphic();
    ~TTextGraphic();
    void DrawLine(const TTextLine& line, float scale, float alpha);
    size_t FirstLine() const;

    str mText;
    TTextState mState;
    int mLeft = 0, mTop = 0, mRight = 0, mHeightLaid = 0;
    unsigned mWidth = 0, mHeight = 0;
    float mCos = 1.0f, mSin = 0.0f;
    unsigned mRotX = 0, mRotY = 0;
    bool mReplace = false, mAccumulate = false;
    std::vector<std::shared_ptr<TTextLine>> mLines;
    std::vector<std::shared_ptr<TTextLine>> mSpareLines;  // the last layout's, for the next
    str mFallbackFontName = str("fonts/default.mvec");    // made once, not at every layout
    str mFontName;
    unsigned mSize = 16;
    TColor mColor;
    float mScroll = 0;
    float mVerticalOffset = 0;
    str mRollover;
    unsigned mFlags = 0;
    bool mSpriteRender = false;
    unsigned mLayoutCount = 0;

    // What the last draw to the screen sent the renderer, and what it depended on besides the
    // layout (counted by mLayoutCount, which every change of text, font, colour, size, box or
    // rotation moves on).
    struct TDrawnKey
    {
        float x = 0, y = 0, scale = 0, alpha = 0, scroll = 0, offset = 0;
        unsigned maxHeight = 0, layoutCount = 0, shapeGeneration = 0;
        int spacing = 0;
        bool operator==(const TDrawnKey& o) const;
    };
    struct TDrawn;
    std::unique_ptr<TDrawn> mDrawn;
    bool DrawAgain(const TDrawnKey& key);
};

// Draws the renderer's debug overlay text at (0, 0) in a 512 x 512 block of the built-in font,
// size 16, opaque red (for the platform's render host).
void qfDrawHudText(const str& text);
// Frees the overlay's text block.
void qfFreeHudText();
