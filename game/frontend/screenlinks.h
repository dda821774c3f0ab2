// What the front end's pages learn from the play screen (the comic pages of its level, the looks
// of an entity kind in the gallery), and the small helpers every dialog of the front end shares.
#pragma once

#include <vector>

#include "foundation/str.h"

namespace WGUI
{
class Window;
class Button;
class Transition;
}  // namespace WGUI

namespace Game
{

class TotalEntitiesEaten;
class PlayScreenAccess;
class EntityKind;

// One comic page: a chunked-image description and a text-overlay file.
struct ComicPageFiles
{
    str chunkedFileName;
    str textOverlayFileName;
};

// How a kind looks in the gallery (the entity definition's display name and colours).
struct GalleryKindLook
{
    str displayName;
    float r = 1, g = 1, b = 1, a = 1;                          // picture tint
    float effectR = 1, effectG = 1, effectB = 1, effectA = 1;  // question-mark tint
};

namespace screens
{

// The string-table text of a key.
str text(const char* key, str a1 = str(), str a2 = str());
// The play screen's lifetime eaten totals (null without a play screen).
TotalEntitiesEaten* totals(PlayScreenAccess& play);
// The full-screen dimming of a dialog: the manager's overlay colour at 0.75 x opacity.
void drawOverlay(double opacity);
// Text drawn by a text box as received: "<" and "\" escaped for the styled-text markup.
str escapeMarkup(const str& s);

}  // namespace screens

// The mouse rule of a shown dialog: it claims every position while always active, none while it
// (or its parent) is in a transition or hidden, and every one while visible.
#define DIALOG_CLAIMS_MOUSE(Base)                                                                            \
    bool contains(double x, double y) override                                                               \
    {                                                                                                        \
        if (isAlwaysActive())                                                                                \
            return true;                                                                                     \
        if (dontCheckContains())                                                                             \
            return false;                                                                                    \
        return isVisible() ? true : Base::contains(x, y);                                                    \
    }                                                                                                        \
    bool contains(int x, int y) override                                                                     \
    {                                                                                                        \
        if (isAlwaysActive())                                                                                \
            return true;                                                                                     \
        if (dontCheckContains())                                                                             \
            return false;                                                                                    \
        return isVisible() ? true : Base::contains(x, y);                                                    \
    }

}  // namespace Game
