// Small helpers shared by the front end's screens: looking texts up in the string table, and
// placing widgets in pixels. (Screens and transitions: services/navigation.h.)
#pragma once

#include "foundation/str.h"

namespace WGUI
{
class Window;
}

namespace Game::Frontend
{

// Puts the widget at (x, y) pixels from the sides its alignment h, v names; a width or height
// given (not negative) sets that size in pixels too.
void place(WGUI::Window* w, int x, int y, int h, int v, int width = -1, int height = -1);

// The start of a full-screen screen: its name, laid out in pixels at width x height centred on
// the display, and neither active nor raised by the mouse until it is shown.
void setUpScreen(WGUI::Window* w, const str& name, int width, int height);

// The string-table text of the key with up to two arguments.
str text(const str& key, const str& a1 = str(), const str& a2 = str());

// The game's version, as the platform read it from the program at start ("1.2.0.0").
str gameVersion();

}  // namespace Game::Frontend
