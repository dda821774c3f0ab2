// What the front end's dialogs and pages reach without knowing the classes behind it (beyond
// PlayScreenAccess): the comic pages of the level on the play screen, the preparation of the
// screens the name entry leads to (level selection, endurance menu), the row buttons of the
// profile list and the looks of an entity kind in the gallery. The game's start-up fills them in
// once the screens exist; a link left empty does nothing (or gives the stated default).
//
// Also the small helpers every dialog of the front end shares.
#pragma once

#include <functional>
#include <vector>

#include "foundation/str.h"

namespace WGUI {
class Window;
class Button;
class Transition;
}  // namespace WGUI
class TotalEntitiesEaten;
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
    float r = 1, g = 1, b = 1, a = 1;                      // picture tint
    float effectR = 1, effectG = 1, effectB = 1, effectA = 1;  // question-mark tint
};

struct ScreenLinks
{
    // The intro (end false) or end (end true) pages of the level loaded on the play screen.
    static std::function<std::vector<ComicPageFiles>(WGUI::Window* game, bool end)> comicPages;
    // Prepares the target of a name-entry code 0 (timed level selection), 1 (casual level
    // selection) or 2 (endurance menu) before it fades in.
    static std::function<void(int code, WGUI::Window* target)> prepareNameTarget;
    // A row of the profile list showing the name (default: a plain text button).
    static std::function<WGUI::Button*(const str& name)> makeNameButton;
    // The kind's gallery looks (default: its kind name, white).
    static std::function<void(EntityKind* kind, GalleryKindLook& look)> kindLook;
    // Asks the kind's pictures to be loaded for the drawn width (default: its image map's or
    // animation's need is raised).
    static std::function<void(EntityKind* kind, int width)> kindNeedImages;

    static void reset();
};

namespace screens {

// The string-table text of a key.
str text(const char* key, str a1 = str(), str a2 = str());
// A screen under the manager's root by name (null without a manager or screen).
WGUI::Window* find(const char* name);
// The play screen's lifetime eaten totals (null without a play screen).
TotalEntitiesEaten* totals();
// A new transition: type, second type (0 none), angle in degrees, time in seconds.
WGUI::Transition* transition(int type, int type2, double angle, double seconds);
// Gives the window a new transition (see transition()).
void give(WGUI::Window* w, int type, int type2, double angle, double seconds);
// The full-screen dimming of a dialog: the manager's overlay colour at 0.75 x opacity.
void drawOverlay(double opacity);
// Text drawn by a text box as received: "<" and "\" escaped for the styled-text markup.
str escapeMarkup(const str& s);

}  // namespace screens

// The mouse rule of a shown dialog: it claims every position while always active, none while it
// (or its parent) is in a transition or hidden, and every one while visible.
#define DIALOG_CLAIMS_MOUSE(Base)                                                                   \
    bool contains(double x, double y) override                                                     \
    {                                                                                              \
        if (isAlwaysActive())                                                                      \
            return true;                                                                           \
        if (dontCheckContains())                                                                   \
            return false;                                                                          \
        return isVisible() ? true : Base::contains(x, y);                                         \
    }                                                                                              \
    bool contains(int x, int y) override                                                           \
    {                                                                                              \
        if (isAlwaysActive())                                                                      \
            return true;                                                                           \
        if (dontCheckContains())                                                                   \
            return false;                                                                          \
        return isVisible() ? true : Base::contains(x, y);                                         \
    }
