// Small helpers shared by the front end's screens: looking texts up in the string table.
// (Screens and transitions: services/navigation.h.)
#pragma once

#include "foundation/str.h"

namespace Game::Frontend
{

// The string-table text of the key with up to two arguments.
str text(const str& key, const str& a1 = str(), const str& a2 = str());

// The game's version, as the platform read it from the program at start ("1.2.0.0").
str gameVersion();

}  // namespace Game::Frontend
