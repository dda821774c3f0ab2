// JPEG 2000 loader over OpenJPEG. The stream reads through a TFile; the codec is chosen by the
// file's first bytes (JP2 signature box, or a raw codestream's SOC and SIZ markers).
#include <openjpeg.h>

#include <cstdlib>
#include <cstring>

#include "foundation/file.h"
#include "render/imagedecode.h"
#include "render/imageloaders.h"

namespace
{

const unsigned char kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                         0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
const unsigned char kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
const unsigned kMaxComponents = 16;

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T n, void* user)
{
    unsigned long got = static_cast<TFile*>(user)->Read(buffer, static_cast<unsigned long>(n));
    return got == 0 ? static_cast<OPJ_SIZE_T>(-1) : static_cast<OPJ_SIZE_T>(got);
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void* user)
{
    TFile* file = static_cast<TFile*>(user);
    long before = file->Tell();
    if (file->Seek(static_cast<long>(n), kSeekCurrent) != 0)
        return -1;
    long after = file->Tell();
    if (after - before != n)
        return -1;
    return n;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T n, void* user)
{
    TFile* file = static_cast<TFile*>(user);
    if (n < 0 || file->Seek(static_cast<long>(n), kSeekStart) != 0)
        return OPJ_FALSE;
    return file->Tell() == n ? OPJ_TRUE : OPJ_FALSE;
}

void Quiet(const char*, void*)
{
}

// One component turned into bytes: its samples scaled to 8 bits, or null when it does not cover
// the image grid sample for sample (sub-sampled or otherwise sized components are unreadable).
bool ComponentReadable(const opj_image_comp_t& c, unsigned width, unsigned height)
{
    return c.data && c.w == width && c.h == height && c.dx == 1 && c.dy == 1 && c.prec >= 1 && c.prec <= 31;
}

unsigned char SampleToByte(const opj_image_comp_t& c, OPJ_INT32 v)
{
    long long s = v;
    if (c.sgnd)
        s += 1LL << (c.prec - 1);
    if (c.prec > 8)
        s >>= (c.prec - 8);
    else
        s <<= (8 - c.prec);
    if (s < 0)
        return 0;
    if (s > 255)
        return 255;
    return static_cast<unsigned char>(s);
}

// Writes a component into byte `channel` of every pixel, continuing each row to the right edge
// of the square with its last value and filling the rows below with the last image row.
void WriteChannel(unsigned char* pixels, int side, unsigned width, unsigned height, const opj_image_comp_t& c,
                  int channel)
{
    const size_t pitch = static_cast<size_t>(side) * 4;
    for (unsigned y = 0; y < height; ++y)
    {
        unsigned char* row = pixels + y * pitch;
        const OPJ_INT32* src = c.data + static_cast<size_t>(y) * width;
        unsigned char last = 0;
        for (unsigned x = 0; x < width; ++x)
        {
            last = SampleToByte(c, src[x]);
            row[x * 4 + channel] = last;
        }
        for (unsigned x = width; x < static_cast<unsigned>(side); ++x)
            row[x * 4 + channel] = last;
    }
    const unsigned char* lastRow = pixels + (height - 1) * pitch;
    for (unsigned y = height; y < static_cast<unsigned>(side); ++y)
    {
        unsigned char* row = pixels + y * pitch;
        for (int x = 0; x < side; ++x)
            row[x * 4 + channel] = lastRow[x * 4 + channel];
    }
}

void FillChannel(unsigned char* pixels, int side, int channel, unsigned char value)
{
    const size_t count = static_cast<size_t>(side) * side;
    for (size_t i = 0; i < count; ++i)
        pixels[i * 4 + channel] = value;
}

// Converts a decoded image into the square BGRA buffer. False for unsupported colour spaces.
bool Convert(const opj_image_t* image, unsigned width, unsigned height, int side, unsigned char* pixels,
             int* hasAlpha)
{
    const unsigned n = image->numcomps;
    bool colour;
    switch (image->color_space)
    {
    case OPJ_CLRSPC_SRGB: colour = true; break;
    case OPJ_CLRSPC_GRAY: colour = false; break;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED: colour = n >= 3; break;
    default:  // sYCC, e-YCC, CMYK
        return false;
    }
    if (colour && n < 3)
        return false;

    // The alpha component: the one flagged as alpha, else the one after the colour channels.
    const unsigned colourCount = colour ? 3 : 1;
    int alpha = -1;
    for (unsigned i = colourCount; i < n; ++i)
        if (image->comps[i].alpha)
        {
            alpha = static_cast<int>(i);
            break;
        }
    if (alpha < 0 && n > colourCount)
        alpha = static_cast<int>(colourCount);

    *hasAlpha = 0;
    if (colour)
    {
        // Components 0, 1, 2 are red, green, blue: bytes 2, 1, 0.
        for (unsigned i = 0; i < 3; ++i)
        {
            const int channel = 2 - static_cast<int>(i);
            if (ComponentReadable(image->comps[i], width, height))
                WriteChannel(pixels, side, width, height, image->comps[i], channel);
            else
                FillChannel(pixels, side, channel, 0);
        }
    }
    else
    {
        if (ComponentReadable(image->comps[0], width, height))
        {
            WriteChannel(pixels, side, width, height, image->comps[0], 0);
            const size_t count = static_cast<size_t>(side) * side;
            for (size_t i = 0; i < count; ++i)
                pixels[i * 4 + 1] = pixels[i * 4 + 2] = pixels[i * 4];
        }
        else
        {
            std::memset(pixels, 0, static_cast<size_t>(side) * side * 4);
        }
    }
    if (alpha >= 0 && ComponentReadable(image->comps[alpha], width, height))
    {
        WriteChannel(pixels, side, width, height, image->comps[alpha], 3);
        *hasAlpha = 1;
    }
    else if (colour || ComponentReadable(image->comps[0], width, height))
    {
        FillChannel(pixels, side, 3, 255);
    }
    return true;
}

}  // namespace

bool EzJp2LoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                    int* hasAlpha)
{
    if (!pixels)
        return false;
    *pixels = nullptr;
    if (!name)
        return false;

    TFile file;
    if (!file.Open(name, kFileRead))
        return false;
    unsigned char head[12];
    const unsigned long got = file.Read(head, sizeof head);
    OPJ_CODEC_FORMAT format;
    if (got == sizeof head && std::memcmp(head, kJp2Signature, sizeof head) == 0)
        format = OPJ_CODEC_JP2;
    else if (got >= 4 && std::memcmp(head, kCodestreamStart, 4) == 0)
        format = OPJ_CODEC_J2K;
    else
        return false;
    if (file.Seek(0, kSeekStart) != 0)
        return false;

    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    if (!stream)
        return false;
    opj_stream_set_user_data(stream, &file, nullptr);
    opj_stream_set_user_data_length(stream, file.Size());
    opj_stream_set_read_function(stream, StreamRead);
    opj_stream_set_skip_function(stream, StreamSkip);
    opj_stream_set_seek_function(stream, StreamSeek);

    opj_codec_t* codec = opj_create_decompress(format);
    opj_image_t* image = nullptr;
    unsigned char* out = nullptr;
    int alpha = 0;
    bool ok = false;
    unsigned w = 0, h = 0;
    int side = 0;
    if (codec)
    {
        opj_set_info_handler(codec, Quiet, nullptr);
        opj_set_warning_handler(codec, Quiet, nullptr);
        opj_set_error_handler(codec, Quiet, nullptr);
        opj_dparameters_t params;
        opj_set_default_decoder_parameters(&params);
        ok = opj_setup_decoder(codec, &params) && opj_read_header(stream, codec, &image) && image;
        if (ok)
        {
            // Refuse what cannot be held before the codec allocates the image planes.
            ok = image->x1 > image->x0 && image->y1 > image->y0 && image->numcomps >= 1 &&
                 image->numcomps <= kMaxComponents;
            if (ok)
            {
                w = image->x1 - image->x0;
                h = image->y1 - image->y0;
                side = QfImageSquareSide(static_cast<long>(w), static_cast<long>(h));
                ok = side != 0;
            }
        }
        ok = ok && opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
        if (ok)
        {
            out = static_cast<unsigned char*>(
                std::calloc(static_cast<size_t>(side), static_cast<size_t>(side) * 4));
            ok = out && Convert(image, w, h, side, out, &alpha);
        }
        opj_destroy_codec(codec);
    }
    if (image)
        opj_image_destroy(image);
    opj_stream_destroy(stream);

    if (!ok)
    {
        std::free(out);
        return false;
    }
    *pixels = out;
    if (width)
        *width = static_cast<int>(w);
    if (height)
        *height = static_cast<int>(h);
    if (stride)
        *stride = side;
    if (hasAlpha)
        *hasAlpha = alpha;
    return true;
}
