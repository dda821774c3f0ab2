// What the widgets and image code need from the manager and the library's services, in one
// place: the graphics folder, file tests, the global blend mode, the pointer, the mouse position
// and the button skin. Each works without a manager (tests, tools): the blend mode then goes
// straight to the renderer and the pointer calls do nothing.
#pragma once

#include "foundation/str.h"

namespace WGUI
{

class ImageMap;

str graphicsFolder();
bool fileExistsName(const str& name);
void setManagerBlendMode(int mode);
void setManagerCursorType(int type);
int managerMouseX();
int managerMouseY();
// The button skin: the "button" map and, for a state 0..3, the nine cells (top-left,
// top-right, bottom-right, bottom-left, top, right, bottom, left, centre) and four borders
// (left, right, top, bottom). Null map when there is none.
ImageMap* buttonSkinMap();
void buttonSkinCells(int state, int cells[9], int borders[4]);

}  // namespace WGUI
