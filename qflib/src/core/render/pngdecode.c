/* PNG decoding core over a read callback. Errors inside libpng longjmp back to QfPngDecode;
 * only C frames lie between, so nothing is skipped that needs cleaning up. */
#include "imagedecode.h"

#include <png.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

typedef struct PngReader
{
    QfImageReadFn read;
    void* ctx;
} PngReader;

static void PngOnError(png_structp png, png_const_charp message)
{
    (void)message;
    png_longjmp(png, 1);
}

static void PngOnWarning(png_structp png, png_const_charp message)
{
    (void)png;
    (void)message;
}

static void PngRead(png_structp png, png_bytep data, png_size_t length)
{
    PngReader* reader = (PngReader*)png_get_io_ptr(png);
    size_t got = reader->read(reader->ctx, data, length);
    if (got != length)
        png_error(png, "Read Error");
}

int QfPngCheckSignature(const unsigned char* sig)
{
    return png_sig_cmp((png_const_bytep)sig, 0, 8) == 0;
}

int QfPngDecode(QfImageReadFn read, void* ctx, QfDecodedImage* out)
{
    PngReader reader;
    png_structp png;
    png_infop info;
    unsigned char* volatile pixels = NULL;
    png_bytep* volatile rows = NULL;
    png_uint_32 width, height, y;
    int bitDepth, colorType, side;
    size_t pitch;

    memset(out, 0, sizeof *out);
    reader.read = read;
    reader.ctx = ctx;

    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, PngOnError, PngOnWarning);
    if (!png)
        return 0;
    info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_read_struct(&png, NULL, NULL);
        return 0;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, NULL);
        free(rows);
        free(pixels);
        memset(out, 0, sizeof *out);
        return 0;
    }

    /* Refuse oversized images inside libpng too, before it sizes its own row buffers. */
    png_set_user_limits(png, kQfMaxImageSide, kQfMaxImageSide);
    png_set_read_fn(png, &reader, PngRead);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);

    colorType = png_get_color_type(png, info);
    bitDepth = png_get_bit_depth(png, info);
    /* Only an alpha channel counts; transparency from tRNS reaches the pixels but not the flag. */
    out->hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;

    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    if (png_get_valid(png, info, PNG_INFO_gAMA))
    {
        double fileGamma = 0.45455;
        if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0.0)
            png_set_gamma(png, 2.2, fileGamma);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    side = QfImageSquareSide((long)width, (long)height);
    if (side == 0 || png_get_rowbytes(png, info) != (size_t)width * 4)
        png_error(png, "Bad size");

    pitch = (size_t)side * 4;
    pixels = (unsigned char*)calloc((size_t)side, pitch);
    rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
    if (!pixels || !rows)
        png_error(png, "Out of memory");
    for (y = 0; y < height; ++y)
        rows[y] = pixels + (size_t)y * pitch;
    png_read_image(png, rows);
    png_read_end(png, NULL);

    png_destroy_read_struct(&png, &info, NULL);
    free(rows);
    out->pixels = pixels;
    out->width = (int)width;
    out->height = (int)height;
    out->stride = side;
    return 1;
}
