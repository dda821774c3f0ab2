// The one way between the game's top-level screens. The front end (menus, dialogs, comics) and
// the play screen with its dialogs do not know each other's classes: a screen goes to another by
// naming it (`Screen`) and the transition it comes in with, and the screen gone to is told who
// sent it (`Arrival`) if it wants to prepare itself (`Destination`). This file is the only place
// that knows the screens' window names.
#pragma once

#include "foundation/str.h"

namespace WGUI
{
class Window;
class Transition;
}  // namespace WGUI

namespace Game
{

// Every top-level screen, under the GUI manager's root.
enum class Screen
{
    kNone,
    kLogos,
    kMainMenu,
    kGame,  // the play screen
    kLevelSelect,
    kGamePaused,
    kComic,
    kCredits,
    kVictory,
    kFailure,
    kGallery,
    kOptions,
    kCheats,
    kDisplayConfirm,
    kEndurance,
    kEnterName,
    kChangePlayer,
    kDeletePlayer,
    kConfirmExit,
    kMedalSubmit,
    kMedalSubmitResult,
    kNotice,
};

// What a screen gone to is told.
struct Arrival
{
    Screen from = Screen::kNone;
    WGUI::Window* sender = nullptr;  // the window of `from`, when there is one
    int mode = -1;                   // the level mode concerned (0 casual, 1 timed, 2 endurance)
    str levelFile;                   // the level just played, when there is one
};

// A screen that prepares itself when it is gone to (button states, the next level, ...).
class Destination
{
public:
    virtual ~Destination() = default;
    virtual void arrive(const Arrival& arrival) = 0;
};

// The window name of a screen ("mainmenu", "gamewindow", ...); empty for kNone.
const char* screenName(Screen s);

// The screen's window under the GUI manager's root; null without a manager or without that
// screen in this program (the menus run without the play screen in some builds and tests).
WGUI::Window* screen(Screen s);

// A new transition. `type` and `type2` are WGUI::Transition's type codes (type2 kNone for no
// second effect), the angle in degrees (the direction of a slide), the time in seconds.
WGUI::Transition* makeTransition(int type, int type2, double angle, double seconds);

// Goes to the screen: a `Destination` is told the arrival first, then the screen is given the
// transition (owned; deleted when there is no such screen) and made always active. Returns the
// screen's window, or null when there is none.
WGUI::Window* goToScreen(Screen s, WGUI::Transition* t, const Arrival& arrival = Arrival());

}  // namespace Game
