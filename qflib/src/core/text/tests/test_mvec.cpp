// MVC4 fonts: the generated fonts, hand-made malformed images, metrics and the font cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "scratchdir.h"
#include "text/mvec.h"
#include "textfixtures.h"

using namespace texttest;

namespace
{

std::unique_ptr<TMvecFont> FontFrom(const std::vector<uint8_t>& bytes)
{
    return std::unique_ptr<TMvecFont>(new TMvecFont(NewImage(bytes), bytes.size()));
}

// Bytes of a shape program up to and with its end opcode; 0 when it runs off the image.
size_t ProgramLength(const unsigned char* p, size_t n)
{
    static const size_t operands[9] = {0, 0, 1, 1, 4, 4, 8, 3, 0};
    for (size_t k = 0; k < n;)
    {
        const unsigned op = p[k];
        if (op == 0 || op > 8)
            return 0;
        k += 1 + operands[op];
        if (op == 8)
            return k;
    }
    return 0;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(GeneratedFonts, CoverTheGameCharactersWithSaneMetrics)
{
    for (const char* name : {"default.mvec", "arial.mvec"})
    {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = ReadFile(GeneratedFont(name));
        ASSERT_GT(bytes.size(), 12u) << GeneratedFont(name);
        auto font = FontFrom(bytes);
        ASSERT_GT(font->GetGlyphCount(), 300);
        for (unsigned long c = 32; c < 127; ++c)
            EXPECT_GE(font->GetGlyphIndex(c), 0) << "code " << c;
        for (unsigned long c : {0xADul, 0xE9ul, 0x2026ul, 0x201Cul, 0x2014ul, 0x20ACul})
            EXPECT_GE(font->GetGlyphIndex(c), 0) << "code " << c;
        // One font unit is about a line: ascent and descent of the outline font's proportions.
        EXPECT_NEAR(font->GetAscent(), 0.73f, 0.03f);
        EXPECT_NEAR(font->GetDescent(), 0.24f, 0.04f);
        // Records sorted by code, every program inside the file and ending with opcode 8.
        const int n = font->GetGlyphCount();
        for (int i = 1; i < n; ++i)
            EXPECT_LT(U32(bytes, 12 + 18 * (i - 1)), U32(bytes, 12 + 18 * i));
        for (int i = 0; i < n; ++i)
        {
            ASSERT_NE(font->GetGlyphData(i), nullptr);
            EXPECT_GT(font->GetGlyphDataSize(i), 0u);
        }
        const int w = font->GetGlyphIndex('W');
        EXPECT_FLOAT_EQ(font->GetGlyphScaleY(w), 1.0f);
        EXPECT_GT(font->GetGlyphAdvance(w), 0.5f);
    }
}

TEST(GeneratedFonts, BuiltInFontIsTheSameConversion)
{
    // The file may carry more characters (those of the string tables); every glyph of the
    // built-in font is in it with the same metrics and the same program.
    const std::vector<uint8_t> bytes = ReadFile(GeneratedFont("default.mvec"));
    auto file = FontFrom(bytes);
    const std::vector<uint8_t> builtInBytes(kDefaultFont, kDefaultFont + kDefaultFontSize);
    auto builtIn = FontFrom(builtInBytes);
    ASSERT_GT(builtIn->GetGlyphCount(), 300);
    ASSERT_GE(file->GetGlyphCount(), builtIn->GetGlyphCount());
    EXPECT_EQ(file->GetAscent(), builtIn->GetAscent());
    EXPECT_EQ(file->GetDescent(), builtIn->GetDescent());
    for (int i = 0; i < builtIn->GetGlyphCount(); ++i)
    {
        const unsigned long code = U32(builtInBytes, 12 + 18 * size_t(i));
        const int j = file->GetGlyphIndex(code);
        ASSERT_GE(j, 0) << "code " << code;
        EXPECT_EQ(0, memcmp(&bytes[12 + 18 * size_t(j) + 4], &builtInBytes[12 + 18 * size_t(i) + 4], 10));
        const size_t n = ProgramLength(builtIn->GetGlyphData(i), builtIn->GetGlyphDataSize(i));
        ASSERT_GT(n, 0u);
        ASSERT_EQ(n, ProgramLength(file->GetGlyphData(j), file->GetGlyphDataSize(j)));
        EXPECT_EQ(0, memcmp(builtIn->GetGlyphData(i), file->GetGlyphData(j), n)) << "code " << code;
    }
}

TEST(GeneratedFonts, ConverterTakesTheCharactersOfTextFiles)
{
    const std::string tool = BinaryDir() + "/bin/mvecfont";
    const std::string source = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    TScratchDir dir("mvecfont_text");
    // Zhe, Omega, numero, a CJK ideograph, a stray byte
    const std::string text =
        dir.Write("strings.xml", "<s>\xD0\x96\xCE\xA9 \xE2\x84\x96 \xE4\xB8\xAD \xFF</s>");
    const std::string out = dir / "t.mvec";
    ASSERT_EQ(0, system((tool + " " + source + " " + out + " --text " + text).c_str()));
    const std::vector<uint8_t> bytes = ReadFile(out);
    auto font = FontFrom(bytes);
    EXPECT_GE(font->GetGlyphIndex(0x416), 0);
    EXPECT_GE(font->GetGlyphIndex(0x3A9), 0);
    EXPECT_GE(font->GetGlyphIndex(0x2116), 0);
    EXPECT_EQ(font->GetGlyphIndex(0x4E2D), -1);  // not in the outline font: left out
    EXPECT_GE(font->GetGlyphIndex('A'), 0);
    EXPECT_NE(0,
              system((tool + " " + source + " " + out + " --text " + dir / "none" + " 2>/dev/null").c_str()));
}

TEST(GeneratedFonts, ConverterOutputIsByteIdenticalFromRunToRun)
{
    const std::string tool = BinaryDir() + "/bin/mvecfont";
    const std::string source = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    TScratchDir dir("mvecfont_test");
    const std::string a = dir / "a.mvec", b = dir / "b.mvec";
    ASSERT_EQ(0, system((tool + " " + source + " " + a).c_str()));
    ASSERT_EQ(0, system((tool + " " + source + " " + b).c_str()));
    const std::vector<uint8_t> x = ReadFile(a), y = ReadFile(b);
    EXPECT_FALSE(x.empty());
    EXPECT_EQ(x, y);
    // The built-in font is the build's own run of the tool on the same font.
    EXPECT_EQ(x, std::vector<uint8_t>(kDefaultFont, kDefaultFont + kDefaultFontSize));
    // With text files too, in either order.
    const std::string t1 = dir.Write("1.txt", "\xCE\xA9 \xC3\x9F \xCE\xB2");
    const std::string t2 = dir.Write("2.xml", "<s>\xD0\x96</s>");
    ASSERT_EQ(0, system((tool + " " + source + " " + a + " --text " + t1 + " --text " + t2).c_str()));
    ASSERT_EQ(0, system((tool + " " + source + " " + b + " --text " + t2 + " --text " + t1).c_str()));
    const std::vector<uint8_t> u = ReadFile(a), v = ReadFile(b);
    EXPECT_GT(u.size(), x.size());
    EXPECT_EQ(u, v);
    // A file that is no outline font is refused with a failure code, writing nothing.
    EXPECT_NE(0, system((tool + " " + a + " " + dir / "c.mvec" + " 2>/dev/null").c_str()));
    EXPECT_FALSE(dir.Exists("c.mvec"));
}

// ---------------------------------------------------------------------------------------------

TEST(MvecFont, MetricsLeadingAndSqueeze)
{
    // Ascent 10 (top of "W" -1280), descent 2 (bottom 256 of "g"): L = 3, T = 12.25, B = 2.75.
    std::vector<TGlyphSpec> glyphs = {BoxGlyph('W', -1280, 0, 1000), BoxGlyph('g', -800, 256, 900),
                                      BoxGlyph(0x100, -1792, 0, 900), BoxGlyph(0x101, -100, 512, 900)};
    auto font = FontFrom(BuildFont(glyphs));
    EXPECT_FLOAT_EQ(font->GetAscent(), 10.0f);
    EXPECT_FLOAT_EQ(font->GetDescent(), 2.0f);
    EXPECT_NEAR(font->GetLeading(true), 2.25f, 1e-5);
    EXPECT_NEAR(font->GetLeading(false), 0.75f, 1e-5);
    EXPECT_FLOAT_EQ(TMvecFont::GetLinePercent(), 0.8f);
    EXPECT_FLOAT_EQ(font->GetGlyphScaleY(font->GetGlyphIndex('W')), 1.0f);
    EXPECT_NEAR(font->GetGlyphScaleY(font->GetGlyphIndex(0x100)), 12.25f / 14.0f, 1e-5);
    // Too deep below the baseline: 4 / 2.75.
    EXPECT_NEAR(font->GetGlyphScaleY(font->GetGlyphIndex(0x101)), 2.75f / 4.0f, 1e-5);
    EXPECT_FALSE(font->GetForceBold());
    EXPECT_FLOAT_EQ(font->GetBoldScale(), 1.0f);
}

TEST(MvecFont, OutOfRangeAccessorsGiveNeutralValues)
{
    auto font = FontFrom(BuildFont({BoxGlyph('W', -1280, 0, 1000)}));
    const int n = font->GetGlyphCount();
    for (int index : {-1, n, 1 << 20})
    {
        EXPECT_EQ(font->GetGlyphData(index), nullptr);
        EXPECT_EQ(font->GetGlyphAdvance(index), 0.0f);
        EXPECT_EQ(font->GetGlyphMinX(index), 0.0f);
        EXPECT_EQ(font->GetGlyphMaxX(index), 0.0f);
        EXPECT_EQ(font->GetGlyphScaleY(index), 1.0f);
    }
    EXPECT_EQ(font->GetGlyphIndex('X'), -1);
    EXPECT_EQ(font->GetGlyphIndex(0xFFFFFFFFul), -1);
}

struct TMalformedCase
{
    const char* name;
    std::vector<uint8_t> image;
    int glyphs;         // expected glyph count
    float ascent;       // expected ascent
    bool firstHasData;  // glyph 0 has a program
};

std::vector<TMalformedCase> MalformedCases()
{
    std::vector<TMalformedCase> cases;
    const std::vector<uint8_t> good =
        BuildFont({BoxGlyph('A', -1000, 0, 900), BoxGlyph('W', -1280, 0, 1000)});

    std::vector<uint8_t> magic = good;
    magic[3] = '3';
    cases.push_back({"wrong magic", magic, 0, 0, false});
    cases.push_back({"empty file", {}, 0, 0, false});
    cases.push_back({"magic only", {'M', 'V', 'C', '4'}, 0, 0, false});
    // Count claims more records than the file holds.
    std::vector<uint8_t> count = good;
    count[4] = 200;
    cases.push_back({"record table past the end", count, 0, 0, false});
    std::vector<uint8_t> cut(good.begin(), good.begin() + 12 + 18 + 5);
    cases.push_back({"cut inside the second record", cut, 0, 0, false});
    // Program offsets past the end: measured, not drawn.
    std::vector<uint8_t> offset = good;
    offset[12 + 14] = 0xFF;
    offset[12 + 15] = 0xFF;
    offset[12 + 16] = 0xFF;
    offset[12 + 17] = 0x7F;
    cases.push_back({"program offset past the end", offset, 2, 10.0f, false});
    cases.push_back({"no W", BuildFont({BoxGlyph('A', -1000, 0, 900)}), 1, 0.0f, true});
    // Only "_" below the baseline and no "W": ascent and descent 0.
    cases.push_back({"underscore only", BuildFont({BoxGlyph('_', 100, 200, 900)}), 1, 0.0f, true});
    // "W" entirely below the baseline: a negative ascent.
    cases.push_back(
        {"W below the baseline", BuildFont({BoxGlyph('W', 100, 300, 900)}), 1, -100 / 128.0f, true});
    return cases;
}

TEST(MvecFont, MalformedImagesNeverReadPastTheirEnd)
{
    for (const TMalformedCase& c : MalformedCases())
    {
        SCOPED_TRACE(c.name);
        auto font = FontFrom(c.image);
        EXPECT_EQ(font->GetGlyphCount(), c.glyphs);
        EXPECT_FLOAT_EQ(font->GetAscent(), c.ascent);
        EXPECT_EQ(font->GetGlyphData(0) != nullptr, c.firstHasData);
        for (int i = 0; i < font->GetGlyphCount(); ++i)
        {
            // Without room above or below the baseline nothing is squeezed (no division by 0).
            const float s = font->GetGlyphScaleY(i);
            EXPECT_TRUE(std::isfinite(s));
            EXPECT_GT(s, 0.0f);
            EXPECT_LE(s, 1.0f);
        }
        if (c.glyphs == 0)
        {
            EXPECT_EQ(font->GetGlyphIndex('A'), -1);
            EXPECT_EQ(font->GetGlyphAdvance(0), 0.0f);
        }
    }
}

TEST(MvecFont, UnderscoreDoesNotSetTheDescent)
{
    auto font = FontFrom(BuildFont({BoxGlyph('W', -1280, 0, 1000), BoxGlyph('_', 100, 300, 900)}));
    EXPECT_FLOAT_EQ(font->GetDescent(), 0.0f);
    // Only codes below 128 count.
    auto wide = FontFrom(BuildFont({BoxGlyph('W', -1280, 0, 1000), BoxGlyph(0x100, -100, 640, 900)}));
    EXPECT_FLOAT_EQ(wide->GetDescent(), 0.0f);
}

TEST(MvecFont, UnsortedRecordsMakeLookupsMiss)
{
    // The reader binary-searches and does not sort: the converter must write sorted records.
    auto font = FontFrom(BuildFont({BoxGlyph('Z', -1000, 0, 900), BoxGlyph('Y', -1000, 0, 900),
                                    BoxGlyph('A', -1000, 0, 900), BoxGlyph('W', -1280, 0, 1000)}));
    EXPECT_EQ(font->GetGlyphIndex('Y'), 1);  // the first probe
    EXPECT_EQ(font->GetGlyphIndex('A'), -1);
    EXPECT_EQ(font->GetGlyphIndex('Z'), -1);
}

// ---------------------------------------------------------------------------------------------

class FontCache : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mDefault = BuildFont({BoxGlyph('W', -1280, 0, 1000), BoxGlyph('x', -800, 0, 700)});
        mBadMagic = {'N', 'O', 'P', 'E', 0, 0, 0, 0, 0, 0, 0, 0};
        TFile::AddMemoryFile("fonts/default.mvec", mDefault.data(), unsigned(mDefault.size()));
        TFile::AddMemoryFile("fonts/bad.mvec", mBadMagic.data(), unsigned(mBadMagic.size()));
    }
    void TearDown() override
    {
        TFile::AddMemoryFile("fonts/default.mvec", nullptr, 0);
        TFile::AddMemoryFile("fonts/bad.mvec", nullptr, 0);
    }
    std::vector<uint8_t> mDefault, mBadMagic;
};

TEST_F(FontCache, MissingFontFallsBackToTheDefaultFileOnceAndKeepsIt)
{
    TFontData fonts;
    TMvecFont* a = fonts.GetMvec("fonts/missing.mvec");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetGlyphCount(), 2);
    EXPECT_GE(a->GetGlyphIndex('x'), 0);
    // The second call does not read again: the file may even be gone by then.
    TFile::AddMemoryFile("fonts/default.mvec", nullptr, 0);
    EXPECT_EQ(fonts.GetMvec("fonts/missing.mvec"), a);
    EXPECT_EQ(fonts.GetFontCount(), 1u);
    // Names differ by case.
    TMvecFont* b = fonts.GetMvec("fonts/MISSING.mvec");
    EXPECT_NE(b, a);
    // Without the default file the built-in font serves.
    EXPECT_EQ(b->GetGlyphCount(), TFontData().GetMvec("__DEFAULT")->GetGlyphCount());
}

TEST_F(FontCache, BuiltInFontNeverTouchesTheFileLayer)
{
    TFontData fonts;
    TMvecFont* f = fonts.GetMvec("__DEFAULT");
    ASSERT_NE(f, nullptr);
    EXPECT_GT(f->GetGlyphCount(), 300);      // not the 2-glyph default file
    EXPECT_NE(f->GetImage(), kDefaultFont);  // a copy of its own
    EXPECT_EQ(fonts.GetMvec("__DEFAULT"), f);
}

TEST_F(FontCache, WrongMagicFileIsAnEmptyFontNotAFallback)
{
    TFontData fonts;
    TMvecFont* f = fonts.GetMvec("fonts/bad.mvec");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetGlyphCount(), 0);
    EXPECT_EQ(f->GetGlyphIndex('W'), -1);
    EXPECT_EQ(fonts.GetMvec("fonts/bad.mvec"), f);
}

TEST_F(FontCache, InstalledCacheReplacesTheOwnOne)
{
    TFontData* own = TFontData::GetInstance();
    TFontData mine;
    TFontData::SetInstance(&mine);
    EXPECT_EQ(TFontData::GetInstance(), &mine);
    TFontData::SetInstance(nullptr);
    EXPECT_EQ(TFontData::GetInstance(), own);
}

}  // namespace
