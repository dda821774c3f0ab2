// The "MVC4" vector fonts and the font cache.
#include "text/mvec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "foundation/file.h"
#include "foundation/singletons.h"
#include "text/minivecdraw.h"

const float gLSTop = 0.15f;
const float gLSBot = 0.05f;

namespace
{

const size_t kHeaderSize = 12;
const size_t kRecordSize = 18;

unsigned ReadU16(const unsigned char* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}
unsigned long ReadU32(const unsigned char* p)
{
    return (unsigned long)p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16 |
           (unsigned long)p[3] << 24;
}
int ReadI16(const unsigned char* p)
{
    return static_cast<int16_t>(ReadU16(p));
}

}  // namespace

TMvecFont::TMvecFont(unsigned char* data, size_t size) : mData(data), mSize(data ? size : 0)
{
    if (!mData || mSize < kHeaderSize || memcmp(mData, "MVC4", 4) != 0)
        return;
    const unsigned n = ReadU16(mData + 4);
    // A table that runs past the image is no font at all.
    if (kHeaderSize + kRecordSize * size_t(n) > mSize)
        return;
    mCount = static_cast<int>(n);
    mCodes = new unsigned long[n ? n : 1];
    mScaleY = new float[n ? n : 1];
    for (unsigned i = 0; i < n; ++i)
    {
        mCodes[i] = ReadU32(mData + kHeaderSize + kRecordSize * i);
        mScaleY[i] = 1.0f;
    }

    // A font without "W" has ascent 0.
    const int w = GetGlyphIndex('W');
    mAscent = w >= 0 ? -Field16(w, 8) / 128.0f : 0.0f;
    mDescent = 0;
    for (int i = 0; i < mCount; ++i)
        if (mCodes[i] < 128 && mCodes[i] != '_')
            mDescent = std::max(mDescent, Field16(i, 10) / 128.0f);

    const float s = gLSTop + gLSBot;
    const float lead = (mAscent + mDescent) * s / (1 - s);
    const float above = mAscent + lead * gLSTop / s;
    const float below = lead * gLSBot / s + mDescent;
    // Without room above or below the baseline no glyph can be fitted: leave them unsqueezed.
    if (above <= 0 || below <= 0)
        return;
    for (int i = 0; i < mCount; ++i)
    {
        const float up = (-Field16(i, 8) / 128.0f) / above;
        const float down = (Field16(i, 10) / 128.0f) / below;
        if (up > 1.0f || down > 1.0f)
            mScaleY[i] = 1.0f / std::max(up, down);
    }
}

TMvecFont::~TMvecFont()
{
    // Cached spans are keyed by program address, which a later font may reuse.
    if (mData)
        TQfMiniVecDraw::ForgetShapes();
    delete[] mData;
    delete[] mCodes;
    delete[] mScaleY;
}

int TMvecFont::Field16(int index, int offset) const
{
    return ReadI16(mData + kHeaderSize + kRecordSize * size_t(index) + offset);
}

int TMvecFont::GetGlyphIndex(unsigned long code) const
{
    int low = 0, high = mCount - 1;
    while (low <= high)
    {
        const int mid = low + (high - low) / 2;
        if (mCodes[mid] == code)
            return mid;
        if (mCodes[mid] < code)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return -1;
}

const unsigned char* TMvecFont::GetGlyphData(int index) const
{
    if (index < 0 || index >= mCount)
        return nullptr;
    const unsigned long offset = ReadU32(mData + kHeaderSize + kRecordSize * size_t(index) + 14);
    if (offset >= mSize)
        return nullptr;
    return mData + offset;
}

size_t TMvecFont::GetGlyphDataSize(int index) const
{
    const unsigned char* p = GetGlyphData(index);
    return p ? size_t(mData + mSize - p) : 0;
}

float TMvecFont::GetGlyphMinX(int index) const
{
    return index >= 0 && index < mCount ? Field16(index, 4) / 128.0f : 0.0f;
}
float TMvecFont::GetGlyphMaxX(int index) const
{
    return index >= 0 && index < mCount ? Field16(index, 6) / 128.0f : 0.0f;
}
float TMvecFont::GetGlyphTop(int index) const
{
    return index >= 0 && index < mCount ? Field16(index, 8) / 128.0f : 0.0f;
}
float TMvecFont::GetGlyphBottom(int index) const
{
    return index >= 0 && index < mCount ? Field16(index, 10) / 128.0f : 0.0f;
}
float TMvecFont::GetGlyphAdvance(int index) const
{
    return index >= 0 && index < mCount ? Field16(index, 12) / 128.0f : 0.0f;
}
float TMvecFont::GetGlyphScaleY(int index) const
{
    return index >= 0 && index < mCount ? mScaleY[index] : 1.0f;
}

float TMvecFont::GetLeading(bool top) const
{
    const float s = gLSTop + gLSBot;
    const float lead = (mAscent + mDescent) * s / (1 - s);
    return top ? lead * gLSTop / s : lead * gLSBot / s;
}

float TMvecFont::GetLinePercent()
{
    return 1.0f - gLSTop - gLSBot;
}

// ---------------------------------------------------------------------------------------------

namespace
{

TFontData* gInstalledFonts = nullptr;

std::unique_ptr<TFontData>& OwnFonts()
{
    static std::unique_ptr<TFontData> own;
    return own;
}

TMvecFont* BuiltInFont()
{
    unsigned char* copy = new unsigned char[kDefaultFontSize];
    memcpy(copy, kDefaultFont, kDefaultFontSize);
    return new TMvecFont(copy, kDefaultFontSize);
}

// Reads a whole file through the file layer; null when it cannot be opened or read.
TMvecFont* LoadFont(const str& name)
{
    TFile file;
    if (!file.Open(name, kFileRead))
        return nullptr;
    if (file.Seek(0, kSeekEnd) != 0)
        return nullptr;
    const long size = file.Tell();
    file.Seek(0, kSeekStart);
    if (size < 0)
        return nullptr;
    unsigned char* image = new (std::nothrow) unsigned char[size > 0 ? size_t(size) : 1];
    if (!image)
        return nullptr;
    const unsigned long got = file.Read(image, static_cast<unsigned long>(size));
    file.Close();
    return new TMvecFont(image, got);
}

}  // namespace

TFontData::TFontData()
{
}

TFontData::~TFontData()
{
    for (auto& entry : mFonts)
        delete entry.second;
}

TMvecFont* TFontData::GetMvec(str name)
{
    auto it = mFonts.find(name);
    if (it != mFonts.end())
        return it->second;
    TMvecFont* font = nullptr;
    if (name == str("__DEFAULT"))
        font = BuiltInFont();
    else
    {
        font = LoadFont(name);
        if (!font)
            font = LoadFont("fonts/default.mvec");
        if (!font)
            font = BuiltInFont();
    }
    mFonts[name] = font;
    return font;
}

TFontData* TFontData::GetInstance()
{
    if (gInstalledFonts)
        return gInstalledFonts;
    if (!OwnFonts())
        qfSingletonNotMade("TFontData");
    CreateInstance();
    return OwnFonts().get();
}

void TFontData::CreateInstance()
{
    if (!OwnFonts())
        OwnFonts().reset(new TFontData());
}

void TFontData::SetInstance(TFontData* fonts)
{
    gInstalledFonts = fonts;
}
