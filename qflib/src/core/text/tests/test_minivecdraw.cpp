// The vector-shape rasteriser drawing into memory: coverage, phases, the span cache, layers,
// outlines, italics, rotation, limits, pixel modes and glyph coverage of the generated font.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "textfixtures.h"

using namespace texttest;

namespace
{

class Raster : public ::testing::Test
{
protected:
    static constexpr unsigned kW = 128, kH = 96;

    void SetUp() override
    {
        mPixels.assign(size_t(kW) * kH, TColor32(0u));
        mDraw.SetColor(1, TColor(1, 1, 1, 1), 1.0f);
        mDraw.mReplace = true;
    }

    void DrawAt(const std::vector<uint8_t>& prog, float ox, float oy, int qx, int qy, float scale)
    {
        mDraw.mScaleX = mDraw.mScaleY = scale;
        mDraw.StartBuffer(ox, oy, mPixels.data(), kW, kH, kW);
        mDraw.Draw(prog.data(), qx, qy, prog.size());
        mDraw.Stop();
    }
    unsigned Alpha(int x, int y) const { return mPixels[size_t(y) * kW + x].Alpha(); }
    // Sum of coverage in pixels (alpha / 255) and the covered bounding box.
    double Coverage(int* x0 = nullptr, int* y0 = nullptr, int* x1 = nullptr, int* y1 = nullptr) const
    {
        double sum = 0;
        int l = kW, t = kH, r = -1, b = -1;
        for (unsigned y = 0; y < kH; ++y)
            for (unsigned x = 0; x < kW; ++x)
                if (unsigned a = Alpha(int(x), int(y)))
                {
                    sum += a / 255.0;
                    l = std::min(l, int(x));
                    r = std::max(r, int(x));
                    t = std::min(t, int(y));
                    b = std::max(b, int(y));
                }
        if (x0)
            *x0 = l, *y0 = t, *x1 = r, *y1 = b;
        return sum;
    }
    void Clear() { mPixels.assign(size_t(kW) * kH, TColor32(0u)); }

    static std::vector<uint8_t> Box(int size = 128)
    {
        TProgram p;
        p.Fill(1).Rect(0, 0, size, size).End();
        return p.bytes;
    }

    TQfMiniVecDraw mDraw;
    std::vector<TColor32> mPixels;
};

// 128 program units at 0.3125 quarter pixels each: 40 quarter pixels, 10 pixels.
const float kTenPixels = 40.0f / 128.0f;

TEST_F(Raster, BoxAtPhaseZeroIsFullyCoveredAndNothingElse)
{
    DrawAt(Box(), 20, 20, 0, 0, kTenPixels);
    int x0, y0, x1, y1;
    EXPECT_NEAR(Coverage(&x0, &y0, &x1, &y1), 100.0, 1e-9);
    EXPECT_EQ(x0, 20);
    EXPECT_EQ(y0, 20);
    EXPECT_EQ(x1, 29);
    EXPECT_EQ(y1, 29);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x)
            ASSERT_EQ(Alpha(x, y), 255u) << x << "," << y;
    // Full coverage is ramp entry 15 of the text colour's plane.
    EXPECT_EQ(mDraw.GetRampColor(3, 15).Alpha(), 255u);
}

TEST_F(Raster, HalfPhaseGivesHalfCoverageAtBothEdges)
{
    DrawAt(Box(), 20, 20, 2, 0, kTenPixels);
    EXPECT_EQ(Alpha(20, 25), mDraw.GetRampColor(3, 7).Alpha());
    EXPECT_EQ(Alpha(20, 25), 127u);
    EXPECT_EQ(Alpha(25, 25), 255u);
    EXPECT_EQ(Alpha(30, 25), 127u);
    EXPECT_EQ(Alpha(31, 25), 0u);
    EXPECT_NEAR(Coverage(), 100.0, 0.1);
}

TEST_F(Raster, SameShapeAtSamePhaseIsConvertedOnce)
{
    const std::vector<uint8_t> box = Box();
    DrawAt(box, 0, 0, 8, 0, kTenPixels);
    DrawAt(box, 0, 0, 12, 0, kTenPixels);
    EXPECT_EQ(mDraw.GetConversionCount(), 1u);
    // The replay lands where a fresh conversion would.
    EXPECT_EQ(Alpha(3, 5), 255u);
    EXPECT_EQ(Alpha(12, 5), 255u);
    EXPECT_EQ(Alpha(13, 5), 0u);
    DrawAt(box, 0, 0, 9, 0, kTenPixels);
    EXPECT_EQ(mDraw.GetConversionCount(), 2u);
    // Any change of style is a new key too.
    DrawAt(box, 0, 0, 8, 0, kTenPixels * 2);
    mDraw.mItalic = true;
    DrawAt(box, 0, 0, 8, 0, kTenPixels);
    EXPECT_EQ(mDraw.GetConversionCount(), 4u);
    mDraw.mItalic = false;
    // Freed shapes are forgotten before the next draw.
    TQfMiniVecDraw::ForgetShapes();
    DrawAt(box, 0, 0, 8, 0, kTenPixels);
    EXPECT_EQ(mDraw.GetConversionCount(), 5u);
    EXPECT_EQ(mDraw.GetCachedShapeCount(), 1u);
}

TEST_F(Raster, NegativePositionsUseFloorPixelsAndPhases)
{
    const std::vector<uint8_t> box = Box();
    DrawAt(box, 30, 30, 3, 0, kTenPixels);
    const std::vector<TColor32> at3 = mPixels;
    Clear();
    // -5 quarter pixels: pixel -2, phase 3; the same image two pixels to the left.
    DrawAt(box, 32, 30, -5, 0, kTenPixels);
    EXPECT_EQ(mPixels, at3);
    Clear();
    // A fractional origin keeps its quarter-pixel remainder, with its sign.
    DrawAt(box, 30.75f, 30, 0, 0, kTenPixels);
    EXPECT_EQ(mPixels, at3);
    Clear();
    DrawAt(box, 31.0f, 30, -1, 0, kTenPixels);
    EXPECT_EQ(mPixels, at3);
}

TEST_F(Raster, OverlappingContoursInOneLayerCancel)
{
    TProgram p;
    p.Fill(1).Rect(0, 0, 128, 128).Rect(64, 0, 192, 128).End();
    DrawAt(p.bytes, 10, 10, 0, 0, kTenPixels);
    EXPECT_EQ(Alpha(12, 15), 255u);
    EXPECT_EQ(Alpha(17, 15), 0u);  // inside both: toggled twice
    EXPECT_EQ(Alpha(22, 15), 255u);
    EXPECT_EQ(Alpha(25, 15), 0u);
    // In separate layers they unite.
    Clear();
    TProgram q;
    q.Fill(1).Rect(0, 0, 128, 128).Op(1).Fill(1).Rect(64, 0, 192, 128).End();
    DrawAt(q.bytes, 10, 10, 0, 0, kTenPixels);
    EXPECT_EQ(Alpha(17, 15), 255u);
    EXPECT_NEAR(Coverage(), 150.0, 1e-9);
}

TEST_F(Raster, OutlineOfABareSegmentIsPlaneZeroOnly)
{
    mDraw.SetColor(255, TColor(1, 0, 0, 1), 1.0f);
    mDraw.SetColor(1, TColor(0, 1, 0, 1), 1.0f);
    mDraw.mOutlineWidth[0] = 1;
    TProgram p;
    p.Move(0, 0).Line(128, 0).End();  // no fill colour
    DrawAt(p.bytes, 20, 20, 0, 0, kTenPixels);
    mDraw.mOutlineWidth[0] = 0;
    int x0, y0, x1, y1;
    Coverage(&x0, &y0, &x1, &y1);
    // One pixel (4 quarter pixels) either side of the segment and beyond its ends.
    EXPECT_EQ(y0, 19);
    EXPECT_EQ(y1, 20);
    EXPECT_EQ(x0, 19);
    EXPECT_EQ(x1, 30);
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x)
            if (Alpha(int(x), int(y)))
            {
                const TColor32 c = mPixels[size_t(y) * kW + x];
                ASSERT_EQ(c.Red(), 255u);
                ASSERT_EQ(c.Green(), 0u);
            }
    EXPECT_EQ(Alpha(25, 19), 255u);
    EXPECT_EQ(Alpha(25, 20), 255u);
}

TEST_F(Raster, ItalicLeansTheTopRight)
{
    TProgram p;
    p.Fill(1).Rect(0, -384, 128, 0).End();  // 10 x 30 pixels above the baseline
    mDraw.mItalic = true;
    DrawAt(p.bytes, 10, 40, 0, 0, kTenPixels);
    mDraw.mItalic = false;
    auto firstCovered = [this](int y)
    {
        for (unsigned x = 0; x < kW; ++x)
            if (Alpha(int(x), y) == 255)
                return int(x);
        return -1;
    };
    // The top row is 29.6 pixels up, the bottom row 0.6: the top leans 9.7 pixels further.
    EXPECT_NEAR(firstCovered(10) - firstCovered(39), 9.7, 1.0);
    EXPECT_NEAR(Coverage(), 300.0, 0.5);
}

TEST_F(Raster, QuarterTurnSwapsWidthAndHeight)
{
    TProgram p;
    p.Fill(1).Rect(0, 0, 256, 128).End();  // 20 x 10 pixels
    mDraw.mCos = 0;
    mDraw.mSin = 1;
    DrawAt(p.bytes, 50, 30, 0, 0, kTenPixels);
    mDraw.mCos = 1;
    mDraw.mSin = 0;
    int x0, y0, x1, y1;
    EXPECT_NEAR(Coverage(&x0, &y0, &x1, &y1), 200.0, 1e-9);
    EXPECT_EQ(x1 - x0 + 1, 10);
    EXPECT_EQ(y1 - y0 + 1, 20);
    // x' = -y, y' = x: the box hangs left of the origin, below it.
    EXPECT_EQ(x1, 49);
    EXPECT_EQ(y0, 30);
}

TEST_F(Raster, QuadraticIsThreeChords)
{
    // A triangle-like cap: the curve's three chords bound less than the parabola.
    TProgram p;
    p.Fill(1).Move(0, 0).Quad(64, -256, 128, 0).Line(0, 0).End();
    DrawAt(p.bytes, 10, 60, 0, 0, kTenPixels);
    // The chords meet the curve at t = 1/3 and 2/3, both at height 1024 / 9: a trapezoid of
    // 8/27 of 128 x 256 units (the parabola itself would hold 1/3).
    const double units = 8.0 / 27.0 * 128 * 256;
    EXPECT_NEAR(Coverage(), units * (kTenPixels / 4) * (kTenPixels / 4), 1.5);
}

TEST_F(Raster, ManyEdgesAndManyLayersAreHandled)
{
    // A zig-zag polygon of 3000 segments.
    TProgram p;
    p.Fill(1).Move(0, 0);
    for (int i = 1; i <= 1500; ++i)
        p.Line(i * 2 % 256, (i % 2) ? 64 : 0).Line(i * 2 % 256, 128);
    p.Line(0, 0).End();
    DrawAt(p.bytes, 10, 10, 0, 0, kTenPixels);
    EXPECT_GT(Coverage(), 0.0);

    // A thousand layer changes in a row, then an ordinary box.
    Clear();
    TProgram q;
    q.Fill(1);
    for (int i = 0; i < 1000; ++i)
        q.Op(1);
    q.Fill(1).Rect(0, 0, 128, 128).End();
    DrawAt(q.bytes, 10, 10, 0, 0, kTenPixels);
    EXPECT_NEAR(Coverage(), 100.0, 1e-9);
}

TEST_F(Raster, ProgramEndsAtItsLimitAndAtUnknownOpcodes)
{
    const std::vector<uint8_t> box = Box();
    // Cut before the last line: the contour stays open and fills nothing reliable, but nothing
    // beyond the limit is read (the sanitiser checks) and the draw ends.
    std::vector<uint8_t> cut(box.begin(), box.end() - 3);
    DrawAt(cut, 10, 10, 0, 0, kTenPixels);
    std::vector<uint8_t> odd = {2, 1, 4, 0, 0, 0, 0, 0, 5, 0, 1};
    DrawAt(odd, 10, 10, 0, 0, kTenPixels);
    Clear();
    std::vector<uint8_t> zero = box;
    zero[2] = 0;  // the first move becomes opcode 0: the end
    DrawAt(zero, 10, 10, 0, 0, kTenPixels);
    EXPECT_EQ(Coverage(), 0.0);
}

TEST_F(Raster, HugeShapesAreClampedNotOverrun)
{
    // Reaching 8191 pixels right of the origin: columns end at 1599.
    std::vector<TColor32> wide(size_t(1700) * 4, TColor32(0u));
    TProgram p;
    p.Fill(1).Rect(0, 0, 32767, 8).End();
    mDraw.mScaleX = 1;
    mDraw.mScaleY = 1;
    mDraw.StartBuffer(0, 0, wide.data(), 1700, 4, 1700);
    mDraw.Draw(p.bytes.data(), 0, 0, p.bytes.size());
    mDraw.Stop();
    EXPECT_EQ(wide[1598].Alpha(), 255u);
    EXPECT_GT(wide[1599].Alpha(), 0u);
    EXPECT_EQ(wide[1600].Alpha(), 0u);
    EXPECT_EQ(wide[1699].Alpha(), 0u);
    // Rows likewise end 1600 pixels below the origin.
    std::vector<TColor32> tall(size_t(4) * 1700, TColor32(0u));
    TProgram q;
    q.Fill(1).Rect(0, 0, 8, 32767).End();
    mDraw.StartBuffer(0, 0, tall.data(), 4, 1700, 4);
    mDraw.Draw(q.bytes.data(), 0, 0, q.bytes.size());
    mDraw.Stop();
    EXPECT_EQ(tall[1599 * 4].Alpha(), 255u);
    EXPECT_EQ(tall[1600 * 4].Alpha(), 0u);
    EXPECT_EQ(tall[1699 * 4].Alpha(), 0u);
    // A huge scale ends (rows are bounded) without writing outside the buffer.
    DrawAt(Box(32767), 0, 0, 0, 0, 1000.0f);
    DrawAt(Box(), 0, 0, 0, 0, std::nanf(""));
}

TEST_F(Raster, PixelModes)
{
    const std::vector<uint8_t> box = Box();
    // Source-over keeps the destination alpha.
    mDraw.mReplace = false;
    mPixels.assign(mPixels.size(), TColor32(0, 0, 255, 77));
    mDraw.SetColor(1, TColor(1, 1, 1, 1), 0.5f);
    DrawAt(box, 0, 0, 0, 0, kTenPixels);
    TColor32 c = mPixels[5 * kW + 5];
    EXPECT_EQ(c.Alpha(), 77u);
    EXPECT_NEAR(c.Red(), 127, 1);
    EXPECT_NEAR(c.Blue(), 255, 1);
    // Accumulate adds alpha and mixes colours by weight.
    mDraw.mAccumulate = true;
    mPixels.assign(mPixels.size(), TColor32(0, 0, 255, 100));
    mDraw.SetColor(1, TColor(1, 0, 0, 1), 1.0f);
    DrawAt(box, 0, 0, 0, 0, kTenPixels);
    c = mPixels[5 * kW + 5];
    EXPECT_EQ(c.Alpha(), 255u);
    EXPECT_EQ(c.Red(), (255u * 255) / 355);
    EXPECT_EQ(c.Blue(), (255u * 100) / 355);
    // A span without alpha over a clear pixel adds nothing, and later spans still land.
    mPixels.assign(mPixels.size(), TColor32(0u));
    mDraw.SetColor(1, TColor(1, 0, 0, 0), 1.0f);
    DrawAt(box, 0, 0, 0, 0, kTenPixels);
    EXPECT_EQ(mPixels[5 * kW + 5].Word(), 0u);
    mDraw.mAccumulate = false;
}

// ---------------------------------------------------------------------------------------------
// Glyphs of the generated font: the covered area matches the outline's area.

// Area and perimeter of a program in program units², the curves cut into the same three chords.
// The area is that of the outline as the source font fills it (holes turn the other way), so
// it does not depend on how the converter spread the contours over layers.
void ProgramArea(const unsigned char* p, size_t n, double* area, double* perimeter)
{
    std::vector<double> layers(1, 0.0);
    double px = 0, py = 0;
    *perimeter = 0;
    auto seg = [&](double x, double y)
    {
        layers.back() += px * y - x * py;
        *perimeter += std::hypot(x - px, y - py);
        px = x;
        py = y;
    };
    auto i16 = [](const unsigned char* q) { return double(int16_t(uint16_t(q[0] | q[1] << 8))); };
    for (size_t k = 0; k < n;)
    {
        const int op = p[k++];
        if (op == 1)
            layers.push_back(0.0);
        else if (op == 2 || op == 3)
            k += 1;
        else if (op == 4)
            px = i16(p + k), py = i16(p + k + 2), k += 4;
        else if (op == 5)
            seg(i16(p + k), i16(p + k + 2)), k += 4;
        else if (op == 6)
        {
            const double cx = i16(p + k), cy = i16(p + k + 2), x = i16(p + k + 4), y = i16(p + k + 6);
            const double x0 = px, y0 = py;
            for (int i = 1; i <= 3; ++i)
            {
                const double t = i / 3.0, u = 1 - t;
                seg(u * u * x0 + 2 * u * t * cx + t * t * x, u * u * y0 + 2 * u * t * cy + t * t * y);
            }
            k += 8;
        }
        else
            break;
    }
    double sum = 0;
    for (double a : layers)
        sum += a;
    *area = std::fabs(sum) / 2;
}

TEST(GlyphCoverage, MatchesTheOutlineAreaAtSeveralSizes)
{
    const std::vector<uint8_t> bytes = ReadFile(GeneratedFont("default.mvec"));
    ASSERT_FALSE(bytes.empty());
    TMvecFont font(NewImage(bytes), bytes.size());
    TQfMiniVecDraw draw;
    draw.SetColor(1, TColor(1, 1, 1, 1), 1.0f);
    draw.mReplace = true;
    const unsigned w = 256, h = 256;
    std::vector<TColor32> px;
    // Glyphs whose outer contours do not overlap, among them rings holding other shapes.
    for (unsigned long code : {0x49ul, 0x4Ful, 0x65ul, 0x57ul, 0x67ul, 0x40ul, 0xAEul, 0xA9ul, 0x25ul})
        for (int size : {12, 24, 48, 96})
        {
            SCOPED_TRACE(testing::Message() << "glyph " << code << " size " << size);
            const int g = font.GetGlyphIndex(code);
            ASSERT_GE(g, 0);
            const float runScale = 0.8f * size * 4 / (font.GetAscent() + font.GetDescent());
            draw.mScaleX = draw.mScaleY = runScale / 128;
            px.assign(size_t(w) * h, TColor32(0u));
            draw.StartBuffer(40, 180, px.data(), w, h, w);
            draw.Draw(font.GetGlyphData(g), 1, 2, font.GetGlyphDataSize(g));
            draw.Stop();
            double sum = 0;
            int top = h, bottom = -1, left = w, right = -1;
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x)
                    if (unsigned a = px[size_t(y) * w + x].Alpha())
                    {
                        sum += a / 255.0;
                        top = std::min(top, int(y));
                        bottom = std::max(bottom, int(y));
                        left = std::min(left, int(x));
                        right = std::max(right, int(x));
                    }
            double area, perimeter;
            ProgramArea(font.GetGlyphData(g), font.GetGlyphDataSize(g), &area, &perimeter);
            const double unitPx = runScale / 128 / 4;  // pixels per program unit
            const double expected = area * unitPx * unitPx;
            EXPECT_NEAR(sum, expected, 0.02 * expected + 0.1 * perimeter * unitPx);
            // Inside the record's box (one pixel of slack for the sub-pixel offset).
            EXPECT_GE(left, 40 + int(std::floor(font.GetGlyphMinX(g) * runScale / 4)) - 1);
            EXPECT_LE(right, 40 + int(std::ceil(font.GetGlyphMaxX(g) * runScale / 4)) + 1);
            EXPECT_GE(top, 180 + int(std::floor(font.GetGlyphTop(g) * runScale / 4)) - 1);
            EXPECT_LE(bottom, 180 + int(std::ceil(font.GetGlyphBottom(g) * runScale / 4)) + 1);
        }
}

TEST(GlyphCoverage, SixteenPixelLineSpansItsAscentAndDescent)
{
    // At size 16, ascent plus descent take 0.8 x 16 = 12.8 pixels.
    const std::vector<uint8_t> bytes = ReadFile(GeneratedFont("default.mvec"));
    ASSERT_FALSE(bytes.empty());
    TMvecFont font(NewImage(bytes), bytes.size());
    TQfMiniVecDraw draw;
    draw.mReplace = true;
    const float runScale = 0.8f * 16 * 4 / (font.GetAscent() + font.GetDescent());
    draw.mScaleX = draw.mScaleY = runScale / 128;
    std::vector<TColor32> px(64 * 64, TColor32(0u));
    draw.StartBuffer(10, 32, px.data(), 64, 64, 64);
    for (unsigned long code : {'W', 'g'})
    {
        const int g = font.GetGlyphIndex(code);
        draw.Draw(font.GetGlyphData(g), code == 'W' ? 0 : 80, 0, font.GetGlyphDataSize(g));
    }
    draw.Stop();
    int top = 64, bottom = -1;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (px[size_t(y) * 64 + x].Alpha() > 64)
            {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(bottom - top + 1, 12.8, 1.5);
}

}  // namespace
