// Image fixtures generated at test time: PNG, JPEG and JPEG 2000 files encoded in memory from
// deterministic patterns, each with the pixels a correct decoder must deliver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qftest
{

// An encoded image and what decoding it must give: one word per image pixel, row-major, in the
// decoders' layout (A << 24 | R << 16 | G << 8 | B, memory bytes B, G, R, A).
struct TImageFixture
{
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> expected;
    bool hasAlpha = false;  // what the decoder reports
    int tolerance = 0;      // largest per-channel difference a decoder may show (lossy formats)
};

// PNG colour types as libpng numbers them.
enum EPngColorType
{
    kPngGrey = 0,
    kPngRgb = 2,
    kPngPalette = 3,
    kPngGreyAlpha = 4,
    kPngRgba = 6
};

enum EPngOptions
{
    kPngWithGamma = 1,    // a gAMA chunk of 1/2.2 (decodes unchanged)
    kPngWithTrns = 2,     // a tRNS chunk (grey, RGB, palette)
    kPngInterlaced = 4,   // Adam7
    kPngWithGammaOne = 8  // a gAMA chunk of 1.0 (decoded values corrected to 2.2)
};

TImageFixture MakePngFixture(int colorType, int bitDepth, int width, int height, unsigned options = 0);

enum EJpegKind
{
    kJpegBaseline,
    kJpegProgressive,
    kJpegGrey,
    kJpegCmyk
};

// Smooth pattern at quality 98, so the lossy error stays small.
TImageFixture MakeJpegFixture(EJpegKind kind, int width, int height);

struct TJp2Options
{
    bool codestream = false;  // a raw "jpc" codestream instead of a "jp2" file
    int components = 3;       // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int precision = 8;
    bool isSigned = false;
    bool alphaFlagged = true;      // mark the last component as alpha (jp2 files only)
    int subsampledComponent = -1;  // a component sampled at half resolution both ways
    bool greyColourSpace = false;  // force the grey colour space (components 1 and 2 do so)
};

TImageFixture MakeJp2Fixture(const TJp2Options& options, int width, int height);

// Encodes an image given as words (the decoders' layout, row-major) as an 8-bit RGBA PNG.
std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint32_t>& words);

// Writes bytes to a host file; false on failure.
bool WriteFixtureFile(const std::string& path, const std::vector<uint8_t>& bytes);

// The square side the decoders use for an image of width x height.
int SquareSide(int width, int height);

}  // namespace qftest
