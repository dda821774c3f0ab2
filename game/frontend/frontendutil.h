// Small helpers shared by the front end's screens: transitions, finding a screen by name and
// looking texts up in the string table.
#pragma once

#include "foundation/str.h"

namespace WGUI {
class Window;
class Transition;
}  // namespace WGUI

namespace Frontend {

// A new transition of that type, lasting that many seconds, at that angle (degrees); a second
// type of -1 leaves the second effect at the transition's default.
WGUI::Transition* makeTransition(int type, double seconds, double angle = 0.0, int type2 = -1);

// The top-level screen of that name; null without a manager or without such a screen.
WGUI::Window* findScreen(const str& name);

// The string-table text of the key with up to two arguments.
str text(const str& key, const str& a1 = str(), const str& a2 = str());

}  // namespace Frontend
