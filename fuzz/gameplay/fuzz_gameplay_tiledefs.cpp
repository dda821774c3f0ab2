// The tile definition table ("tiledefs.xml") read from any bytes, then every definition found by
// the names of the input put to use in a tile.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "scratchdir.h"
#include "tiles.h"

using namespace Game;

namespace
{

const std::string& Path()
{
    static const std::string path = []
    {
        static const TScratchDir scratch("tiledefs_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        return scratchPath + "/tiledefs.xml";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TileDefs defs;
    defs.readXML(str(Path().c_str()));
    // Every quoted word of the input is tried as a name.
    const std::string text(reinterpret_cast<const char*>(data), size);
    int found = 0;
    for (size_t q = text.find('"'); q != std::string::npos && found < 64; q = text.find('"', q + 1))
    {
        const size_t end = text.find('"', q + 1);
        if (end == std::string::npos)
            break;
        if (TileDef* def = defs.getTileDef(str(text.substr(q + 1, end - q - 1).c_str())))
        {
            Tile tile(nullptr, def, true, false, 90.0f, 1, 1, 1, 0.5f);
            ++found;
        }
        q = end;
    }
    if (found > defs.getSize() * 64 + 64)
        abort();
    return 0;
}
