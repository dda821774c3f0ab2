// Vector fonts in the "MVC4" format and the cache of fonts by name.
//
// File layout (little-endian, read byte by byte): "MVC4", u16 glyph count N, 6 unused bytes, then
// N records of 18 bytes sorted by character code {u32 code, i16 min x, i16 max x, i16 top,
// i16 bottom, i16 advance, u32 offset of the glyph's shape program}, then the programs. Metrics
// are in 1/128 of a font unit with y growing downward; the accessors return font units.
#pragma once

#include <cstddef>
#include <map>
#include <memory>

#include "foundation/str.h"

// Share of a line's height above the ascent and below the descent.
extern const float gLSTop;  // 0.15
extern const float gLSBot;  // 0.05

class TMvecFont
{
public:
    // Takes ownership of a file image allocated with new[]. A null image, a wrong magic or a
    // record table that does not fit the image leaves the font empty.
    explicit TMvecFont(unsigned char* data, size_t size);
    ~TMvecFont();
    TMvecFont(const TMvecFont&) = delete;
    TMvecFont& operator=(const TMvecFont&) = delete;

    // Glyph lookup: binary search over the sorted codes; -1 when the font has none.
    int GetGlyphIndex(unsigned long code) const;
    int GetGlyphCount() const { return mCount; }
    // The glyph's shape program, null for an index out of range or a program offset outside
    // the image. GetGlyphDataSize is the number of bytes from there to the end of the image.
    const unsigned char* GetGlyphData(int index) const;
    size_t GetGlyphDataSize(int index) const;
    // Record fields in font units; 0 for an index out of range.
    float GetGlyphMinX(int index) const;
    float GetGlyphMaxX(int index) const;
    float GetGlyphTop(int index) const;
    float GetGlyphBottom(int index) const;
    float GetGlyphAdvance(int index) const;
    // Vertical squeeze that fits a glyph taller than the line box into it; 1.0 out of range.
    float GetGlyphScaleY(int index) const;

    float GetAscent() const { return mAscent; }
    float GetDescent() const { return mDescent; }
    // Extra room above the ascent (top) or below the descent.
    float GetLeading(bool top) const;
    // Share of the line height that ascent plus descent take: 0.8.
    static float GetLinePercent();
    bool GetForceBold() const { return mForceBold; }
    float GetBoldScale() const { return mBoldScale; }

    const unsigned char* GetImage() const { return mData; }

private:
    int Field16(int index, int offset) const;

    unsigned char* mData = nullptr;  // owned file image
    size_t mSize = 0;
    int mCount = 0;
    unsigned long* mCodes = nullptr;
    float* mScaleY = nullptr;
    float mAscent = 0;
    float mDescent = 0;
    bool mForceBold = false;
    float mBoldScale = 1.0f;
};

// The built-in font, used when no font file can be found (generated at build time).
extern const unsigned char kDefaultFont[];
extern const unsigned int kDefaultFontSize;

// The fonts by name (compared byte for byte). Owns its fonts; a font is never reloaded.
class TFontData
{
public:
    TFontData();
    ~TFontData();
    TFontData(const TFontData&) = delete;
    TFontData& operator=(const TFontData&) = delete;

    // The font of that name, loaded on first use: "__DEFAULT" is the built-in font; a name that
    // cannot be opened falls back to "fonts/default.mvec", then to the built-in font, and keeps
    // that fallback under its own name. Never null.
    TMvecFont* GetMvec(str name);
    size_t GetFontCount() const { return mFonts.size(); }

    // The cache the text code uses: the installed one, or the own one that start-up made
    // (CreateInstance) and that is kept until the program ends. SetInstance does not take
    // ownership; null goes back to the own one.
    static TFontData* GetInstance();
    static void CreateInstance();
    static void SetInstance(TFontData* fonts);

private:
    std::map<str, TMvecFont*> mFonts;
};
