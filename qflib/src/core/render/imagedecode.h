/* Decoder cores shared by the image loaders. They are plain C on purpose: libpng and libjpeg
 * report fatal errors by longjmp, and a longjmp may only cross frames that hold no C++ objects.
 * The cores read through a callback; the loaders (imageloaders.cpp) adapt the file layer to it.
 *
 * Every decoder delivers a square buffer of side S (the smallest power of two not less than the
 * larger image dimension, 1 for a 1x1 image), 4 bytes per pixel in memory order blue, green, red,
 * alpha, the image in the top-left corner, pitch S * 4 bytes. Buffers come from malloc/calloc. */
#ifndef QF_RENDER_IMAGEDECODE_H
#define QF_RENDER_IMAGEDECODE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

    /* Largest square side a decoder accepts; larger images are refused before any allocation. */
    enum
    {
        kQfMaxImageSide = 8192
    };

    /* Reads up to n bytes into buf; returns the count delivered (0 at the end or on error).
 * It must return normally: it is called from inside the libraries. */
    typedef size_t (*QfImageReadFn)(void* ctx, void* buf, size_t n);

    typedef struct QfDecodedImage
    {
        unsigned char* pixels; /* S * S * 4 bytes, or null */
        int width;
        int height;
        int stride; /* S */
        int hasAlpha;
    } QfDecodedImage;

    /* S for a width and height, or 0 when either is not positive or S would exceed kQfMaxImageSide. */
    int QfImageSquareSide(long width, long height);

    /* PNG. The 8 signature bytes must already have been read and checked by the caller.
 * Returns 1 on success; on failure 0 and out->pixels is null. */
    int QfPngDecode(QfImageReadFn read, void* ctx, QfDecodedImage* out);

    /* Checks the 8-byte PNG signature. */
    int QfPngCheckSignature(const unsigned char* sig);

    /* JPEG (baseline, progressive, grey or colour). Corrupt or empty streams return 0; warnings,
 * the premature end included, are dropped. The padding outside the image is zero. */
    int QfJpegDecode(QfImageReadFn read, void* ctx, QfDecodedImage* out);

#ifdef __cplusplus
}
#endif

#endif
