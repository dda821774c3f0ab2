// The game's data must be there before anything starts: without its texts, picture maps and
// font the game would run blind. A player who moved or damaged the data folder gets one line
// that says where the game looked and how to point it elsewhere.
#pragma once

#include <string>

namespace Game
{
namespace Frontend
{

// The files every start reads, relative to the assets folder.
extern const char* const kRequiredGameData[3];

// Finds the resources folder as the platform will (TFile::DefaultResourcesDir), scans it and
// reads the first byte of every required file. "" when all of them can be read; otherwise the
// one line (without a line feed) to show the player. Leaves the file layer empty, as found.
std::string CheckGameData();

}  // namespace Frontend
}  // namespace Game
