// Any byte string as an "animationdefs.xml" (after a fixed image-map declaration that the
// definitions can name): every definition's frame times and needs are computed and it is played
// for a few hundred frames of the frame clock.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wgui_animation.h"
#include "wgui_imagemap.h"
#include "wgui_timer.h"

namespace
{
const char kMaps[] = "<imagemaps><imagemap name=\"a\" filename=\"a\" width=\"64\" height=\"32\">"
                     "<cellgrid width=\"16\" height=\"16\"/></imagemap>"
                     "<imagemap name=\"b\" filename=\"b\" width=\"0\" height=\"0\"><cell x1=\"0\" y1=\"0\" "
                     "x2=\"0\" y2=\"0\"/></imagemap></imagemaps>";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace WGUI;
    ImageMaps::instance()->readText(kMaps, std::strlen(kMaps));
    AnimationDefs* defs = AnimationDefs::instance();
    defs->readText(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : defs->getDefs())
    {
        AnimationDef* def = entry.second;
        if (!def)
            continue;
        for (int i = -1; i <= def->getNumFrames() && i < 64; ++i)
        {
            def->getRealFrameTime(i);
            def->getImageMap(i);
        }
        def->setNeededImages(32);
        def->setNeededImages(0);
        Animation a(nullptr, def);
        for (int step = 0; step < 200; ++step)
        {
            Timer::instance()->update();
            a.update();
            a.getImageMap();
            a.getCellNum();
        }
    }
    AnimationDefs::get("walk");
    AnimationDefs::deleteInstance();
    ImageMaps::deleteInstance();
    Timer::deleteInstance();
    return 0;
}
