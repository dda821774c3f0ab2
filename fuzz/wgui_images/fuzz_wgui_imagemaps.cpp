// Any byte string as an "imagemaps.xml": every declared map is asked for its cells, cut into
// (clipped) blit coordinates, asked for a mip level at several scales, loaded and unloaded (no
// pictures exist, so nothing loads) and blitted (which must draw nothing).
#include <cstddef>
#include <cstdint>

#include "wgui_imagemap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace WGUI;
    ImageMaps* maps = ImageMaps::instance();
    maps->readText(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : maps->getMaps())
    {
        ImageMap* m = entry.second;
        if (!m)
            continue;
        const int n = m->getNumCells();
        for (int i = -1; i <= n && i < 64; ++i)
        {
            m->setCell(i);
            m->getCellWidth();
            m->getCellHeight();
            int a, b, c, d, e, f;
            m->getCoords(7, -3, a, b, c, d, e, f);
            m->setClip(true, 2, 2, 5, 5);
            m->getCoords(0, 0, a, b, c, d, e, f);
            m->setClip(false, 0, 0, 0, 0);
        }
        int factor = 0;
        for (float scale : {1.0f, 0.3f, 0.0f, -1.0f})
            m->chooseMipLevel(scale, factor);
        m->setNeeded(3);
        m->blitAlphaRect(0, 0, false, false);
        m->blitAlphaRectFxFMip(1.5f, 2.5f, 45.0f, 0.25f, 1.0f, true, true);
        m->stretchBlit(0, 0, 10, 10, 1.0f);
    }
    maps->loadUnloadNeeded();
    maps->setAllNeeded(0);
    maps->loadUnloadNeeded();
    ImageMaps::get("button");
    ImageMaps::deleteInstance();
    return 0;
}
