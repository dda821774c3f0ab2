// The tile pictures of the worlds: one sheet per world (see tileart.cpp for the layout).
#pragma once

#include <functional>
#include <string>

#include "canvas.h"

namespace art
{

// The worlds in play order; each has a sheet "tiles<world>.png".
extern const char* const kTileWorlds[12];

// Draws every world's sheet and hands each to save(canvas, name).
void makeTileSheets(const std::function<void(const Canvas&, const std::string&)>& save);

// One world's ground tile (kGroundTile px square, seamless), for pictures that show a world.
Canvas groundTile(int world);
const int kGroundTile = 254;

}  // namespace art
