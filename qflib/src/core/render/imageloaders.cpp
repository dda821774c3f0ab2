// The PNG, JPEG and JPEG 2000 loaders over the file layer.
#include "render/imageloaders.h"

#include <cstdlib>

#include "foundation/file.h"
#include "render/imagedecode.h"

namespace
{

size_t ReadFromFile(void* ctx, void* buf, size_t n)
{
    return static_cast<TFile*>(ctx)->Read(buf, static_cast<unsigned long>(n));
}

void SetOutputs(const QfDecodedImage& img, unsigned char** pixels, int* width, int* height, int* stride)
{
    *pixels = img.pixels;
    if (width)
        *width = img.width;
    if (height)
        *height = img.height;
    if (stride)
        *stride = img.stride;
}

}  // namespace

bool PngLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                  int* hasAlpha)
{
    if (!pixels)
        return false;
    std::free(*pixels);
    *pixels = nullptr;
    if (!name)
        return false;

    TFile file;
    if (!file.Open(name, kFileRead))
        return false;
    unsigned char sig[8];
    if (file.Read(sig, 8) != 8 || !QfPngCheckSignature(sig))
        return false;

    QfDecodedImage img;
    if (!QfPngDecode(ReadFromFile, &file, &img))
        return false;
    SetOutputs(img, pixels, width, height, stride);
    if (hasAlpha)
        *hasAlpha = img.hasAlpha;
    return true;
}

bool EzPngLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride,
                    int* hasAlpha)
{
    return PngLoadImage(name, pixels, width, height, stride, hasAlpha);
}

void EzPngFreeImage(unsigned char* pixels)
{
    std::free(pixels);
}

bool EzJpegLoadImage(const char* name, unsigned char** pixels, int* width, int* height, int* stride)
{
    if (!pixels)
        return false;
    *pixels = nullptr;
    if (!name)
        return false;

    TFile file;
    if (!file.Open(name, kFileRead))
        return false;
    QfDecodedImage img;
    if (!QfJpegDecode(ReadFromFile, &file, &img))
        return false;
    SetOutputs(img, pixels, width, height, stride);
    return true;
}

void EzJpegFreeImage(unsigned char* pixels)
{
    std::free(pixels);
}

void EzJp2FreeImage(unsigned char* pixels)
{
    std::free(pixels);
}
