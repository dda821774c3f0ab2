// Any byte string read both as a chunked-image description and as a text-overlay description,
// then drawn (without pictures or a display, so nothing reaches a screen).
#include <cstddef>
#include <cstdint>

#include "wgui_chunkedimage.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace WGUI;
    const char* text = reinterpret_cast<const char*>(data);
    ChunkedImage* image = ChunkedImage::fromText(text, size);
    image->blitAlphaRectFx(3, 4, 0.5f);
    for (int i = 0; i < image->getNumImageMaps(); ++i)
        image->getDstPoints(i);
    delete image;

    TextOverlay* overlay = TextOverlay::fromText(text, size);
    overlay->draw(10, 20, 0.75);
    delete overlay;
    Fonts::deleteInstance();
    StringTable::deleteInstance();
    return 0;
}
