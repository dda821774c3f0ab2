#include "imagefixtures.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

namespace qftest
{

namespace
{

uint32_t Word(int r, int g, int b, int a)
{
    return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
}

// A deterministic, busy sample value in 0..maxValue.
int Sample(int x, int y, int channel, int maxValue)
{
    const unsigned h = static_cast<unsigned>(x * 37 + y * 101 + channel * 59 + x * y * 7 + channel * x * 3);
    return static_cast<int>(h % static_cast<unsigned>(maxValue + 1));
}

// -------------------------------------------------------------------------------------------
// PNG

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp)
{
}

// Packs samples of bitDepth bits (1, 2, 4, 8 or 16) into a PNG row.
void PackRow(const std::vector<int>& samples, int bitDepth, std::vector<uint8_t>* row)
{
    row->clear();
    if (bitDepth == 16)
    {
        for (int s : samples)
        {
            row->push_back(static_cast<uint8_t>(s >> 8));
            row->push_back(static_cast<uint8_t>(s & 0xFF));
        }
        return;
    }
    if (bitDepth == 8)
    {
        for (int s : samples)
            row->push_back(static_cast<uint8_t>(s));
        return;
    }
    const int perByte = 8 / bitDepth;
    row->assign((samples.size() + perByte - 1) / perByte, 0);
    for (size_t i = 0; i < samples.size(); ++i)
    {
        const int shift = 8 - bitDepth * (static_cast<int>(i % perByte) + 1);
        (*row)[i / perByte] |= static_cast<uint8_t>(samples[i] << shift);
    }
}

int ExpandGrey(int v, int bitDepth)
{
    switch (bitDepth)
    {
    case 1: return v * 255;
    case 2: return v * 85;
    case 4: return v * 17;
    case 16: return v >> 8;
    default: return v;
    }
}

int GammaOne(int v)
{
    return static_cast<int>(std::lround(255.0 * std::pow(v / 255.0, 1.0 / 2.2)));
}

}  // namespace

TImageFixture MakePngFixture(int colorType, int bitDepth, int width, int height, unsigned options)
{
    TImageFixture f;
    f.width = width;
    f.height = height;
    f.hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    const int maxValue = (1 << bitDepth) - 1;
    const int channels = colorType == kPngGrey        ? 1
                         : colorType == kPngRgb       ? 3
                         : colorType == kPngPalette   ? 1
                         : colorType == kPngGreyAlpha ? 2
                                                      : 4;

    // Palette: entries with distinct colours; tRNS gives every third entry partial alpha.
    const int paletteSize = colorType == kPngPalette ? (1 << bitDepth) : 0;
    std::vector<png_color> palette(static_cast<size_t>(paletteSize));
    std::vector<png_byte> paletteAlpha;
    for (int i = 0; i < paletteSize; ++i)
    {
        palette[i].red = static_cast<png_byte>((i * 73 + 11) & 0xFF);
        palette[i].green = static_cast<png_byte>((i * 151 + 29) & 0xFF);
        palette[i].blue = static_cast<png_byte>((i * 199 + 47) & 0xFF);
    }
    if ((options & kPngWithTrns) && paletteSize)
        for (int i = 0; i < std::max(paletteSize / 2, 1); ++i)
            paletteAlpha.push_back(static_cast<png_byte>(i % 3 == 0 ? (i * 37) & 0xFF : 255));

    // Pixel samples.
    std::vector<std::vector<int>> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                rows[y].push_back(Sample(x, y, c, colorType == kPngPalette ? paletteSize - 1 : maxValue));

    // The transparent colour of a grey or RGB tRNS: the first pixel's own value.
    png_color_16 trans = {};
    if ((options & kPngWithTrns) && !paletteSize && !(colorType & PNG_COLOR_MASK_ALPHA) && width > 0 &&
        height > 0)
    {
        if (colorType == kPngGrey)
            trans.gray = static_cast<png_uint_16>(rows[0][0]);
        else
        {
            trans.red = static_cast<png_uint_16>(rows[0][0]);
            trans.green = static_cast<png_uint_16>(rows[0][1]);
            trans.blue = static_cast<png_uint_16>(rows[0][2]);
        }
    }

    // No error escape is installed: an encoder error here is a bug in the generator, and libpng
    // then aborts.
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &f.bytes, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth,
                 colorType, (options & kPngInterlaced) ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletteSize)
        png_set_PLTE(png, info, palette.data(), paletteSize);
    if (options & kPngWithTrns)
    {
        if (paletteSize)
            png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), nullptr);
        else if (!(colorType & PNG_COLOR_MASK_ALPHA))
            png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    if (options & kPngWithGamma)
        png_set_gAMA_fixed(png, info, 45455);
    if (options & kPngWithGammaOne)
        png_set_gAMA_fixed(png, info, 100000);
    png_write_info(png, info);
    const int passes = (options & kPngInterlaced) ? png_set_interlace_handling(png) : 1;
    std::vector<std::vector<uint8_t>> packed(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        PackRow(rows[y], bitDepth, &packed[y]);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y)
            png_write_row(png, packed[y].data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);

    // What decoding must give.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const int* s = &rows[y][static_cast<size_t>(x) * channels];
            int r, g, b, a = 255;
            switch (colorType)
            {
            case kPngGrey:
                r = g = b = ExpandGrey(s[0], bitDepth);
                if ((options & kPngWithTrns) && s[0] == trans.gray)
                    a = 0;
                break;
            case kPngGreyAlpha:
                r = g = b = ExpandGrey(s[0], bitDepth);
                a = ExpandGrey(s[1], bitDepth);
                break;
            case kPngPalette:
                r = palette[s[0]].red;
                g = palette[s[0]].green;
                b = palette[s[0]].blue;
                if (static_cast<size_t>(s[0]) < paletteAlpha.size())
                    a = paletteAlpha[s[0]];
                break;
            case kPngRgb:
                r = ExpandGrey(s[0], bitDepth);
                g = ExpandGrey(s[1], bitDepth);
                b = ExpandGrey(s[2], bitDepth);
                if ((options & kPngWithTrns) && s[0] == trans.red && s[1] == trans.green &&
                    s[2] == trans.blue)
                    a = 0;
                break;
            default:
                r = ExpandGrey(s[0], bitDepth);
                g = ExpandGrey(s[1], bitDepth);
                b = ExpandGrey(s[2], bitDepth);
                a = ExpandGrey(s[3], bitDepth);
                break;
            }
            if (options & kPngWithGammaOne)
            {
                r = GammaOne(r);
                g = GammaOne(g);
                b = GammaOne(b);
                f.tolerance = 2;
            }
            f.expected.push_back(Word(r, g, b, a));
        }
    return f;
}

// ---------------------------------------------------------------------------------------------
// JPEG

TImageFixture MakeJpegFixture(EJpegKind kind, int width, int height)
{
    TImageFixture f;
    f.width = width;
    f.height = height;
    f.tolerance = 10;
    const int components = kind == kJpegGrey ? 1 : kind == kJpegCmyk ? 4 : 3;
    std::vector<uint8_t> samples;
    const int wx = std::max(width - 1, 1), hy = std::max(height - 1, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const int r = x * 255 / wx, g = y * 255 / hy, b = (x + y) * 255 / (wx + hy);
            if (components == 1)
            {
                samples.push_back(static_cast<uint8_t>(b));
                f.expected.push_back(Word(b, b, b, 255));
            }
            else if (components == 3)
            {
                samples.push_back(static_cast<uint8_t>(r));
                samples.push_back(static_cast<uint8_t>(g));
                samples.push_back(static_cast<uint8_t>(b));
                f.expected.push_back(Word(r, g, b, 255));
            }
            else
            {
                samples.push_back(static_cast<uint8_t>(r));
                samples.push_back(static_cast<uint8_t>(g));
                samples.push_back(static_cast<uint8_t>(b));
                samples.push_back(128);
            }
        }

    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 98, TRUE);
    if (kind == kJpegProgressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        JSAMPROW row = &samples[static_cast<size_t>(cinfo.next_scanline) * width * components];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    f.bytes.assign(out, out + outSize);
    free(out);
    return f;
}

// ---------------------------------------------------------------------------------------------
// JPEG 2000

namespace
{

struct TMemoryStream
{
    std::vector<uint8_t> data;
    size_t position = 0;
};

OPJ_SIZE_T StreamWrite(void* buffer, OPJ_SIZE_T n, void* user)
{
    auto* s = static_cast<TMemoryStream*>(user);
    if (s->position + n > s->data.size())
        s->data.resize(s->position + n);
    std::memcpy(s->data.data() + s->position, buffer, n);
    s->position += n;
    return n;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void* user)
{
    auto* s = static_cast<TMemoryStream*>(user);
    s->position = static_cast<size_t>(static_cast<OPJ_OFF_T>(s->position) + n);
    if (s->position > s->data.size())
        s->data.resize(s->position);
    return n;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T n, void* user)
{
    auto* s = static_cast<TMemoryStream*>(user);
    s->position = static_cast<size_t>(n);
    if (s->position > s->data.size())
        s->data.resize(s->position);
    return OPJ_TRUE;
}

void Quiet(const char*, void*)
{
}

int ToByte(int v, int precision, bool isSigned)
{
    long long s = v;
    if (isSigned)
        s += 1LL << (precision - 1);
    if (precision > 8)
        s >>= (precision - 8);
    else
        s <<= (8 - precision);
    return static_cast<int>(std::min<long long>(std::max<long long>(s, 0), 255));
}

}  // namespace

TImageFixture MakeJp2Fixture(const TJp2Options& o, int width, int height)
{
    TImageFixture f;
    f.width = width;
    f.height = height;
    const int n = o.components;
    std::vector<opj_image_cmptparm_t> params(static_cast<size_t>(n));
    int smallest = std::min(width, height);
    for (int c = 0; c < n; ++c)
    {
        opj_image_cmptparm_t& p = params[c];
        std::memset(&p, 0, sizeof p);
        const int d = c == o.subsampledComponent ? 2 : 1;
        p.dx = p.dy = static_cast<OPJ_UINT32>(d);
        p.w = static_cast<OPJ_UINT32>((width + d - 1) / d);
        p.h = static_cast<OPJ_UINT32>((height + d - 1) / d);
        p.prec = static_cast<OPJ_UINT32>(o.precision);
        p.sgnd = o.isSigned ? 1 : 0;
        smallest = std::min(smallest, static_cast<int>(std::min(p.w, p.h)));
    }
    const bool grey = o.greyColourSpace || n <= 2;
    opj_image_t* image =
        opj_image_create(static_cast<OPJ_UINT32>(n), params.data(), grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    image->x0 = image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    const int maxValue = (1 << o.precision) - 1;
    const int offset = o.isSigned ? (1 << (o.precision - 1)) : 0;
    for (int c = 0; c < n; ++c)
    {
        opj_image_comp_t& comp = image->comps[c];
        for (OPJ_UINT32 y = 0; y < comp.h; ++y)
            for (OPJ_UINT32 x = 0; x < comp.w; ++x)
                comp.data[y * comp.w + x] =
                    Sample(static_cast<int>(x), static_cast<int>(y), c, maxValue) - offset;
    }
    // The encoder may take the sample planes over, so keep a copy for the expected pixels.
    std::vector<std::vector<int>> planes(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c)
        planes[c].assign(image->comps[c].data, image->comps[c].data + image->comps[c].w * image->comps[c].h);
    const bool hasAlphaComponent = grey ? n >= 2 : n >= 4;
    if (hasAlphaComponent && o.alphaFlagged && !o.codestream)
        image->comps[n - 1].alpha = 1;

    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    cp.tcp_numlayers = 1;
    cp.tcp_rates[0] = 0;
    cp.cp_disto_alloc = 1;
    int resolutions = 1;
    while (resolutions < 6 && (1 << resolutions) <= smallest)
        ++resolutions;
    cp.numresolution = resolutions;

    opj_codec_t* codec = opj_create_compress(o.codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    opj_set_info_handler(codec, Quiet, nullptr);
    opj_set_warning_handler(codec, Quiet, nullptr);
    opj_set_error_handler(codec, Quiet, nullptr);
    TMemoryStream out;
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, StreamWrite);
    opj_stream_set_skip_function(stream, StreamSkip);
    opj_stream_set_seek_function(stream, StreamSeek);
    const bool ok = opj_setup_encoder(codec, &cp, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    if (ok)
        f.bytes = out.data;

    // What decoding must give.
    auto readable = [&](int c) { return c >= 0 && c < n && c != o.subsampledComponent; };
    auto value = [&](int c, int x, int y)
    { return ToByte(planes[c][static_cast<size_t>(y) * width + x], o.precision, o.isSigned); };
    const int alphaComponent = hasAlphaComponent ? (grey ? 1 : 3) : -1;
    f.hasAlpha = readable(alphaComponent);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            int r, g, b, a;
            if (grey)
            {
                r = g = b = readable(0) ? value(0, x, y) : 0;
                a = f.hasAlpha ? value(alphaComponent, x, y) : readable(0) ? 255 : 0;
            }
            else
            {
                r = readable(0) ? value(0, x, y) : 0;
                g = readable(1) ? value(1, x, y) : 0;
                b = readable(2) ? value(2, x, y) : 0;
                a = f.hasAlpha ? value(alphaComponent, x, y) : 255;
            }
            f.expected.push_back(Word(r, g, b, a));
        }
    opj_image_destroy(image);
    return f;
}

std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint32_t>& words)
{
    std::vector<uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint32_t w = words[static_cast<size_t>(y) * width + x];
            row[x * 4 + 0] = static_cast<uint8_t>(w >> 16);
            row[x * 4 + 1] = static_cast<uint8_t>(w >> 8);
            row[x * 4 + 2] = static_cast<uint8_t>(w);
            row[x * 4 + 3] = static_cast<uint8_t>(w >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

bool WriteFixtureFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

int SquareSide(int width, int height)
{
    int side = 1;
    while (side < std::max(width, height))
        side <<= 1;
    return side;
}

}  // namespace qftest
