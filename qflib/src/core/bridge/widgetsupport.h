// Small helpers the scripted widgets share: the window manager's redraw mark, the string-table
// switch of the window script, and whether a window is shown within its modal window.
#pragma once

#include "foundation/str.h"

class TWindow;

namespace widgets
{

// Marks the screen for redrawing (nothing without a window manager).
void Invalidate();
// Sets the window script's string-table switch and returns the previous setting; false and
// nothing changed without a window script.
bool SwapStringTable(bool enable);
// Shown, and so is every ancestor up to and including the nearest modal window; a chain that
// meets a hidden window or ends without a modal window does not count.
bool ShownWithinModal(const TWindow* window);

}  // namespace widgets
