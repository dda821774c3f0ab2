// JPEG 2000 decoding (jp2 files and raw codestreams) of arbitrary bytes.
#include "fuzz_image_common.h"
#include "render/imageloaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzMemoryFile file("fuzz.jp2", data, size);
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, stride = 0, hasAlpha = 0;
    if (EzJp2LoadImage("fuzz.jp2", &pixels, &width, &height, &stride, &hasAlpha))
    {
        volatile unsigned char last = pixels[static_cast<size_t>(stride) * stride * 4 - 1];
        (void)last;
    }
    EzJp2FreeImage(pixels);
    return 0;
}
