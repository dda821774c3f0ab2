// JPEG decoding of arbitrary bytes: corrupt streams must fail, never end the process.
#include "fuzz_image_common.h"
#include "render/imageloaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzMemoryFile file("fuzz.jpg", data, size);
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, stride = 0;
    if (EzJpegLoadImage("fuzz.jpg", &pixels, &width, &height, &stride))
    {
        volatile unsigned char last = pixels[static_cast<size_t>(stride) * stride * 4 - 1];
        (void)last;
    }
    EzJpegFreeImage(pixels);
    return 0;
}
