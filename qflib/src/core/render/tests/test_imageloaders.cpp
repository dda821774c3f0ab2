// Image loaders on fixtures generated at test time: every decoded pixel is compared with what
// the generator put in, plus the square layout, the padding and the failure cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "imagefixtures.h"
#include "render/imagedecode.h"
#include "render/imageloaders.h"

using qftest::TImageFixture;

namespace
{

// Registers fixture bytes as a memory file for the lifetime of the object.
class TMemoryImage
{
public:
    TMemoryImage(const std::string& name, const std::vector<uint8_t>& bytes) : mName(name), mBytes(bytes)
    {
        TFile::AddMemoryFile(mName.c_str(), mBytes.empty() ? mDummy : mBytes.data(),
                             static_cast<unsigned>(mBytes.size()));
    }
    ~TMemoryImage() { TFile::AddMemoryFile(mName.c_str(), nullptr, 0); }
    const char* Name() const { return mName.c_str(); }

private:
    std::string mName;
    std::vector<uint8_t> mBytes;
    uint8_t mDummy[1] = {0};
};

struct TDecodeResult
{
    bool ok = false;
    unsigned char* pixels = nullptr;
    int width = -1, height = -1, stride = -1, hasAlpha = -1;
    char kind = 0;
    TDecodeResult() = default;
    TDecodeResult(const TDecodeResult&) = delete;
    ~TDecodeResult()
    {
        if (kind == 'p')
            EzPngFreeImage(pixels);
        else if (kind == 'j')
            EzJpegFreeImage(pixels);
        else
            EzJp2FreeImage(pixels);
    }
    uint32_t At(int x, int y) const
    {
        uint32_t w;
        std::memcpy(&w, pixels + (static_cast<size_t>(y) * stride + x) * 4, 4);
        return w;
    }
};

void Decode(char kind, const char* name, TDecodeResult* r)
{
    r->kind = kind;
    if (kind == 'p')
        r->ok = EzPngLoadImage(name, &r->pixels, &r->width, &r->height, &r->stride, &r->hasAlpha);
    else if (kind == 'j')
        r->ok = EzJpegLoadImage(name, &r->pixels, &r->width, &r->height, &r->stride);
    else
        r->ok = EzJp2LoadImage(name, &r->pixels, &r->width, &r->height, &r->stride, &r->hasAlpha);
}

int ChannelDiff(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(
            worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return worst;
}

// Compares every image pixel; reports the first few mismatches only.
void ExpectPixels(const TImageFixture& f, const TDecodeResult& r)
{
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.width, f.width);
    ASSERT_EQ(r.height, f.height);
    ASSERT_EQ(r.stride, qftest::SquareSide(f.width, f.height));
    int failures = 0;
    for (int y = 0; y < f.height && failures < 5; ++y)
        for (int x = 0; x < f.width && failures < 5; ++x)
        {
            const uint32_t want = f.expected[static_cast<size_t>(y) * f.width + x];
            const uint32_t got = r.At(x, y);
            if (ChannelDiff(want, got) > f.tolerance)
            {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << std::hex << want
                              << ", decoded " << got;
                ++failures;
            }
        }
}

// ---------------------------------------------------------------------------------------------

TEST(ImageSquareSide, IsThePowerOfTwoCoveringTheLargerSide)
{
    struct
    {
        long w, h;
        int side;
    } cases[] = {{100, 30, 128},  {128, 128, 128}, {1, 1, 1}, {30, 100, 128}, {1025, 10, 2048},
                 {8192, 1, 8192}, {8193, 1, 0},    {0, 5, 0}, {5, -1, 0},     {100000, 100000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(QfImageSquareSide(c.w, c.h), c.side) << c.w << " x " << c.h;
}

struct TPngCase
{
    int colorType, bitDepth;
    unsigned options;
};

class PngDecoding : public ::testing::TestWithParam<TPngCase>
{
};

TEST_P(PngDecoding, DeliversEveryPixelAsBlueGreenRedAlpha)
{
    const TPngCase c = GetParam();
    for (auto size : {std::make_pair(100, 30), std::make_pair(30, 100), std::make_pair(1, 1)})
    {
        const TImageFixture f =
            qftest::MakePngFixture(c.colorType, c.bitDepth, size.first, size.second, c.options);
        ASSERT_FALSE(f.bytes.empty());
        TMemoryImage file("fixture.png", f.bytes);
        TDecodeResult r;
        Decode('p', file.Name(), &r);
        ExpectPixels(f, r);
        EXPECT_EQ(r.hasAlpha, f.hasAlpha ? 1 : 0);
        // Padding outside the image is zero.
        if (r.ok && r.stride > f.width)
        {
            EXPECT_EQ(r.At(r.stride - 1, 0), 0u);
        }
        if (r.ok && r.stride > f.height)
        {
            EXPECT_EQ(r.At(0, r.stride - 1), 0u);
        }
    }
}

std::vector<TPngCase> AllPngCases()
{
    std::vector<TPngCase> cases;
    const int greyDepths[] = {1, 2, 4, 8, 16};
    const int paletteDepths[] = {1, 2, 4, 8};
    const int fullDepths[] = {8, 16};
    for (unsigned opt : {0u, unsigned(qftest::kPngWithGamma), unsigned(qftest::kPngWithTrns),
                         unsigned(qftest::kPngInterlaced)})
    {
        for (int d : greyDepths)
            cases.push_back({qftest::kPngGrey, d, opt});
        for (int d : paletteDepths)
            cases.push_back({qftest::kPngPalette, d, opt});
        for (int d : fullDepths)
        {
            cases.push_back({qftest::kPngRgb, d, opt});
            if (opt != qftest::kPngWithTrns)
            {
                cases.push_back({qftest::kPngGreyAlpha, d, opt});
                cases.push_back({qftest::kPngRgba, d, opt});
            }
        }
    }
    cases.push_back({qftest::kPngRgb, 8, qftest::kPngWithGammaOne});
    cases.push_back({qftest::kPngRgba, 8, qftest::kPngWithGammaOne});
    return cases;
}

std::string PngCaseName(const ::testing::TestParamInfo<TPngCase>& info)
{
    static const char* const kTypes[] = {"Grey", "", "Rgb", "Palette", "GreyAlpha", "", "Rgba"};
    std::string name = kTypes[info.param.colorType] + std::to_string(info.param.bitDepth);
    if (info.param.options & qftest::kPngWithGamma)
        name += "Gamma";
    if (info.param.options & qftest::kPngWithTrns)
        name += "Trns";
    if (info.param.options & qftest::kPngInterlaced)
        name += "Interlaced";
    if (info.param.options & qftest::kPngWithGammaOne)
        name += "GammaOne";
    return name;
}

INSTANTIATE_TEST_SUITE_P(AllColourTypes, PngDecoding, ::testing::ValuesIn(AllPngCases()), PngCaseName);

TEST(PngLoader, TransparencyChunkGivesAlphaPixelsButNoAlphaFlag)
{
    const TImageFixture f = qftest::MakePngFixture(qftest::kPngPalette, 8, 16, 16, qftest::kPngWithTrns);
    TMemoryImage file("trns.png", f.bytes);
    TDecodeResult r;
    Decode('p', file.Name(), &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.hasAlpha, 0);
    bool sawPartialAlpha = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            sawPartialAlpha |= (r.At(x, y) >> 24) != 255;
    EXPECT_TRUE(sawPartialAlpha);
}

TEST(PngLoader, FailuresLeaveNoBuffer)
{
    const TImageFixture good = qftest::MakePngFixture(qftest::kPngRgb, 8, 40, 40, 0);
    std::vector<uint8_t> badSignature = good.bytes;
    badSignature[1] = 'Q';
    std::vector<uint8_t> truncated(good.bytes.begin(),
                                   good.bytes.begin() + static_cast<long>(good.bytes.size() / 2));
    std::vector<uint8_t> corrupt = good.bytes;
    for (size_t i = 60; i < corrupt.size() - 20; i += 7)
        corrupt[i] ^= 0x5A;
    struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"badsig.png", badSignature},
                 {"truncated.png", truncated},
                 {"corrupt.png", corrupt},
                 {"empty.png", {}},
                 {"eight.png", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 8)}};
    for (const auto& c : cases)
    {
        TMemoryImage file(c.name, c.bytes);
        TDecodeResult r;
        Decode('p', file.Name(), &r);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.pixels, nullptr) << c.name;
    }
    TDecodeResult missing;
    Decode('p', "no such file.png", &missing);
    EXPECT_FALSE(missing.ok);
}

TEST(PngLoader, ReleasesABufferPassedIn)
{
    const TImageFixture f = qftest::MakePngFixture(qftest::kPngGrey, 8, 4, 4, 0);
    TMemoryImage file("passin.png", f.bytes);
    unsigned char* pixels = static_cast<unsigned char*>(std::malloc(64));
    int w, h, s, a;
    ASSERT_TRUE(PngLoadImage(file.Name(), &pixels, &w, &h, &s, &a));
    EzPngFreeImage(pixels);  // the earlier block was released by the loader (leak check)
}

// Rewrites the big-endian 32-bit width and height of the IHDR chunk and its CRC.
std::vector<uint8_t> PngWithDeclaredSize(std::vector<uint8_t> bytes, uint32_t width, uint32_t height)
{
    auto put = [&](size_t at, uint32_t v)
    {
        bytes[at] = static_cast<uint8_t>(v >> 24);
        bytes[at + 1] = static_cast<uint8_t>(v >> 16);
        bytes[at + 2] = static_cast<uint8_t>(v >> 8);
        bytes[at + 3] = static_cast<uint8_t>(v);
    };
    put(16, width);
    put(20, height);
    // CRC-32 over the chunk type and data (bytes 12..28).
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < 29; ++i)
    {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put(29, crc ^ 0xFFFFFFFFu);
    return bytes;
}

TEST(PngLoader, RefusesHugeDeclaredSizesBeforeAllocating)
{
    const TImageFixture f = qftest::MakePngFixture(qftest::kPngRgba, 8, 8, 8, 0);
    for (auto size :
         {std::make_pair(100000u, 100000u), std::make_pair(8193u, 1u), std::make_pair(0x7FFFFFFFu, 2u)})
    {
        TMemoryImage file("huge.png", PngWithDeclaredSize(f.bytes, size.first, size.second));
        TDecodeResult r;
        Decode('p', file.Name(), &r);
        EXPECT_FALSE(r.ok) << size.first << " x " << size.second;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(JpegLoader, BaselineProgressiveAndGreyDecodeWithinTolerance)
{
    for (auto kind : {qftest::kJpegBaseline, qftest::kJpegProgressive, qftest::kJpegGrey})
    {
        for (auto size : {std::make_pair(100, 30), std::make_pair(64, 64), std::make_pair(1, 1)})
        {
            const TImageFixture f = qftest::MakeJpegFixture(kind, size.first, size.second);
            TMemoryImage file("fixture.jpg", f.bytes);
            TDecodeResult r;
            Decode('j', file.Name(), &r);
            ExpectPixels(f, r);
            // Padding is zeroed.
            if (r.ok && r.stride > f.width)
            {
                EXPECT_EQ(r.At(r.stride - 1, 0), 0u);
            }
        }
    }
}

TEST(JpegLoader, CmykIsRefused)
{
    const TImageFixture f = qftest::MakeJpegFixture(qftest::kJpegCmyk, 32, 32);
    TMemoryImage file("cmyk.jpg", f.bytes);
    TDecodeResult r;
    Decode('j', file.Name(), &r);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.pixels, nullptr);
}

TEST(JpegLoader, CorruptOrEmptyStreamsFailWithoutEndingTheProcess)
{
    const TImageFixture good = qftest::MakeJpegFixture(qftest::kJpegBaseline, 64, 64);
    std::vector<uint8_t> badMarker = good.bytes;
    badMarker[0] = 0x00;
    std::vector<uint8_t> headerOnly(good.bytes.begin(), good.bytes.begin() + 20);
    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"empty.jpg", {}},
                 {"badmarker.jpg", badMarker},
                 {"headeronly.jpg", headerOnly},
                 {"garbage.jpg", garbage}};
    for (const auto& c : cases)
    {
        TMemoryImage file(c.name, c.bytes);
        TDecodeResult r;
        Decode('j', file.Name(), &r);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.pixels, nullptr) << c.name;
    }
    TDecodeResult missing;
    Decode('j', "missing.jpg", &missing);
    EXPECT_FALSE(missing.ok);
}

TEST(JpegLoader, TruncatedStreamKeepsTheRowsDecodedSoFar)
{
    const TImageFixture f = qftest::MakeJpegFixture(qftest::kJpegBaseline, 256, 256);
    ASSERT_GT(f.bytes.size(), 6000u);
    const std::vector<uint8_t> cut(f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.bytes.size() / 2));
    TMemoryImage file("cut.jpg", cut);
    TDecodeResult r;
    Decode('j', file.Name(), &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.width, 256);
    for (int x = 0; x < 256; x += 17)
        EXPECT_LE(ChannelDiff(r.At(x, 0), f.expected[static_cast<size_t>(x)]), f.tolerance) << x;
}

TEST(JpegLoader, RefusesHugeDeclaredSizesBeforeAllocating)
{
    TImageFixture f = qftest::MakeJpegFixture(qftest::kJpegBaseline, 16, 16);
    // The SOF0 marker holds height then width, big-endian, after its length and precision.
    for (size_t i = 0; i + 9 < f.bytes.size(); ++i)
        if (f.bytes[i] == 0xFF && f.bytes[i + 1] == 0xC0)
        {
            f.bytes[i + 5] = 0xFF;
            f.bytes[i + 6] = 0xF0;
            f.bytes[i + 7] = 0xFF;
            f.bytes[i + 8] = 0xF0;
            break;
        }
    TMemoryImage file("huge.jpg", f.bytes);
    TDecodeResult r;
    Decode('j', file.Name(), &r);
    EXPECT_FALSE(r.ok);
}

// ---------------------------------------------------------------------------------------------

struct TJp2Case
{
    const char* name;
    qftest::TJp2Options options;
};

class Jp2Decoding : public ::testing::TestWithParam<TJp2Case>
{
};

TEST_P(Jp2Decoding, DeliversEveryPixel)
{
    const TJp2Case c = GetParam();
    for (auto size : {std::make_pair(100, 30), std::make_pair(17, 40)})
    {
        const TImageFixture f = qftest::MakeJp2Fixture(c.options, size.first, size.second);
        ASSERT_FALSE(f.bytes.empty());
        TMemoryImage file(c.options.codestream ? "fixture.jpc" : "fixture.jp2", f.bytes);
        TDecodeResult r;
        Decode('2', file.Name(), &r);
        ExpectPixels(f, r);
        EXPECT_EQ(r.hasAlpha, f.hasAlpha ? 1 : 0);
        // Padding repeats the edges: each row's last pixel to the right, the last row below.
        if (r.ok)
        {
            EXPECT_EQ(r.At(r.stride - 1, 0), r.At(f.width - 1, 0));
            EXPECT_EQ(r.At(3, r.stride - 1), r.At(3, f.height - 1));
            EXPECT_EQ(r.At(r.stride - 1, r.stride - 1), r.At(f.width - 1, f.height - 1));
        }
    }
}

qftest::TJp2Options Jp2(int components, int precision = 8)
{
    qftest::TJp2Options o;
    o.components = components;
    o.precision = precision;
    return o;
}

std::vector<TJp2Case> AllJp2Cases()
{
    std::vector<TJp2Case> cases = {{"Rgb", Jp2(3)},       {"Rgba", Jp2(4)},         {"Grey", Jp2(1)},
                                   {"GreyAlpha", Jp2(2)}, {"Rgb12Bit", Jp2(3, 12)}, {"Grey16Bit", Jp2(1, 16)},
                                   {"Rgb4Bit", Jp2(3, 4)}};
    qftest::TJp2Options s = Jp2(3);
    s.isSigned = true;
    cases.push_back({"SignedRgb", s});
    qftest::TJp2Options s12 = Jp2(1, 12);
    s12.isSigned = true;
    cases.push_back({"SignedGrey12Bit", s12});
    qftest::TJp2Options sub = Jp2(3);
    sub.subsampledComponent = 2;
    cases.push_back({"SubsampledBlue", sub});
    qftest::TJp2Options subAlpha = Jp2(4);
    subAlpha.subsampledComponent = 3;
    cases.push_back({"SubsampledAlpha", subAlpha});
    qftest::TJp2Options raw = Jp2(3);
    raw.codestream = true;
    cases.push_back({"CodestreamRgb", raw});
    qftest::TJp2Options rawAlpha = Jp2(4);
    rawAlpha.codestream = true;
    cases.push_back({"CodestreamRgba", rawAlpha});
    qftest::TJp2Options rawGrey = Jp2(1);
    rawGrey.codestream = true;
    cases.push_back({"CodestreamGrey", rawGrey});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Variants, Jp2Decoding, ::testing::ValuesIn(AllJp2Cases()),
                         [](const ::testing::TestParamInfo<TJp2Case>& info)
                         { return std::string(info.param.name); });

TEST(Jp2Loader, WithoutAlphaComponentEveryPixelIsOpaque)
{
    const TImageFixture f = qftest::MakeJp2Fixture(Jp2(3), 9, 5);
    TMemoryImage file("opaque.jp2", f.bytes);
    TDecodeResult r;
    Decode('2', file.Name(), &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.hasAlpha, 0);
    for (int y = 0; y < r.stride; ++y)
        for (int x = 0; x < r.stride; ++x)
            ASSERT_EQ(r.At(x, y) >> 24, 255u);
}

TEST(Jp2Loader, UnrecognisedOrDamagedInputFails)
{
    const TImageFixture f = qftest::MakeJp2Fixture(Jp2(3), 32, 32);
    std::vector<uint8_t> truncated(f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.bytes.size() / 3));
    std::vector<uint8_t> png = qftest::MakePngFixture(qftest::kPngRgb, 8, 4, 4, 0).bytes;
    std::vector<uint8_t> signatureOnly(f.bytes.begin(), f.bytes.begin() + 12);
    struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"empty.jp2", {}}, {"png.jp2", png}, {"sig.jp2", signatureOnly}, {"half.jp2", truncated}};
    for (const auto& c : cases)
    {
        TMemoryImage file(c.name, c.bytes);
        TDecodeResult r;
        Decode('2', file.Name(), &r);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.pixels, nullptr) << c.name;
    }
}

TEST(Jp2Loader, RefusesHugeDeclaredSizesBeforeDecoding)
{
    qftest::TJp2Options o = Jp2(1);
    o.codestream = true;
    TImageFixture f = qftest::MakeJp2Fixture(o, 16, 16);
    // SIZ: FF51, Lsiz(2), Rsiz(2), Xsiz(4), Ysiz(4) ...
    ASSERT_EQ(f.bytes[2], 0xFF);
    ASSERT_EQ(f.bytes[3], 0x51);
    for (int i = 8; i < 16; ++i)
        f.bytes[static_cast<size_t>(i)] = (i % 4 == 0) ? 0x00 : 0xFF;  // 0x00FFFFFF each
    TMemoryImage file("huge.jpc", f.bytes);
    TDecodeResult r;
    Decode('2', file.Name(), &r);
    EXPECT_FALSE(r.ok);
}

}  // namespace
