// PNG decoding of arbitrary bytes.
#include "fuzz_image_common.h"
#include "render/imageloaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzMemoryFile file("fuzz.png", data, size);
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, stride = 0, hasAlpha = 0;
    if (EzPngLoadImage("fuzz.png", &pixels, &width, &height, &stride, &hasAlpha))
    {
        // Touch the last byte of the buffer: it must be S * S * 4 bytes.
        volatile unsigned char last = pixels[static_cast<size_t>(stride) * stride * 4 - 1];
        (void)last;
    }
    EzPngFreeImage(pixels);
    return 0;
}
