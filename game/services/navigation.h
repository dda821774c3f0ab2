// The one way between the game's top-level screens. The front end (menus, dialogs, comics) and
// the play screen with its dialogs do not know each other's classes: a screen goes to another by
// naming it (`Screen`) and the transition it comes in with, and the screen gone to is told who
// sent it (`Arrival`) if it wants to prepare itself (`Destination`). A screen that needs more of
// a screen of its own layer asks for it typed (`screenOf<LevelSelect>()`): every screen class
// names its kind once, as `static constexpr Screen kScreen`, and this file is the only place
// that turns a kind into a window, and a window into a screen class. It is also the only place
// that knows the screens' window names.
#pragma once

#include <memory>

#include <optional>

#include "foundation/str.h"
#include "services/levelmode.h"
#include "wgui_transition.h"

namespace WGUI
{
class Window;
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
    WGUI::Window* sender = nullptr;      // the window of `from`, when there is one
    std::optional<LevelMode> mode;       // the level mode concerned, when there is one
    str levelFile;                       // the level just played or about to be, when there is one
    WGUI::Window* playScreen = nullptr;  // the play screen holding that level, when it matters
};

// A screen that prepares itself when it is gone to (button states, the next level, ...).
class Destination
{
public:
    virtual ~Destination() = default;
    virtual void arrive(const Arrival& arrival) = 0;
};

// ---- Finding a screen ----

// The window name of a screen ("mainmenu", "gamewindow", ...); empty for kNone.
const char* screenName(Screen s);

// The screen's window under the GUI manager's root; null without a manager or without that
// screen in this program (the menus run without the play screen in some builds and tests).
WGUI::Window* screen(Screen s);

// The screen of class T (T::kScreen names its kind); null without that screen, or when the
// window of that name is not a T (a stand-in of a test).
template <class T>
T* screenOf()
{
    return dynamic_cast<T*>(screen(T::kScreen));
}

// True while the screen runs a transition (a dialog still sliding in or out).
bool screenInTransition(Screen s);

// A new transition. `type` and `type2` are WGUI::Transition's type codes (type2 kNone for no
// second effect), the angle in degrees (the direction of a slide), the time in seconds.
std::unique_ptr<WGUI::Transition> makeTransition(int type, int type2, double angle, double seconds);

// ---- Changing screens ----
//
// Each call is one step of a change, and a screen takes the steps in the order its change needs.
// Transitions handed in are taken: given to the window, or deleted when there is no window.
// The Screen forms act on whatever window has the screen's name; the typed forms act only on a
// screen of class T and return it (null, and nothing done, otherwise).

// Comes in: a Destination is told the arrival first, then the window gets the transition (null:
// none) and is made always active. Returns the window, or null.
WGUI::Window* goToScreen(WGUI::Window* w, std::unique_ptr<WGUI::Transition> in,
                         const Arrival& arrival = Arrival());
WGUI::Window* goToScreen(Screen s, std::unique_ptr<WGUI::Transition> in, const Arrival& arrival = Arrival());
template <class T>
T* goToScreen(std::unique_ptr<WGUI::Transition> in, const Arrival& arrival = Arrival());

// Shows the screen at once, without a transition: the arrival told, visible, always active.
WGUI::Window* showScreen(WGUI::Window* w, const Arrival& arrival = Arrival());
WGUI::Window* showScreen(Screen s, const Arrival& arrival = Arrival());

// Goes out: the window gets the out-transition (null: none, a running one is kept) and stops
// being always active.
void leaveScreen(WGUI::Window* w, std::unique_ptr<WGUI::Transition> out);
WGUI::Window* leaveScreen(Screen s, std::unique_ptr<WGUI::Transition> out);

// Back to the screen beneath a dialog that closed: it is made always active again, with no
// transition (it stayed visible).
WGUI::Window* returnToScreen(WGUI::Window* w);
WGUI::Window* returnToScreen(Screen s);
template <class T>
T* returnToScreen();

// Opens a dialog over the screen `over` (null: none), which stays visible beneath and only stops
// being always active; the dialog gets the in-transition, is brought to the front and is made
// always active. Without the dialog nothing is done.
WGUI::Window* openDialog(WGUI::Window* dialog, std::unique_ptr<WGUI::Transition> in, WGUI::Window* over);
WGUI::Window* openDialog(Screen s, std::unique_ptr<WGUI::Transition> in, WGUI::Window* over);
template <class T>
T* openDialog(std::unique_ptr<WGUI::Transition> in, WGUI::Window* over);

// Brings the window to the front of the screens at the end of this frame's update; several
// calls take effect in the order made.
void bringToFront(WGUI::Window* w);
WGUI::Window* bringToFront(Screen s);

// When `out` (given to the screen that leaves) ends, the screen `s` comes in with `in`. Returns
// that screen, or null (then `in` is deleted and `out` leads nowhere).
WGUI::Window* chainToScreen(WGUI::Transition* out, Screen s, std::unique_ptr<WGUI::Transition> in);

// The program's first screen: it gets its transition and one update, which starts it; it is not
// made always active.
WGUI::Window* startScreen(Screen s, std::unique_ptr<WGUI::Transition> in);

// ---- Typed forms ----

template <class T>
T* goToScreen(std::unique_ptr<WGUI::Transition> in, const Arrival& arrival)
{
    T* w = screenOf<T>();
    goToScreen(static_cast<WGUI::Window*>(w), std::move(in), arrival);
    return w;
}

template <class T>
T* returnToScreen()
{
    T* w = screenOf<T>();
    returnToScreen(static_cast<WGUI::Window*>(w));
    return w;
}

template <class T>
T* openDialog(std::unique_ptr<WGUI::Transition> in, WGUI::Window* over)
{
    T* w = screenOf<T>();
    openDialog(static_cast<WGUI::Window*>(w), std::move(in), over);
    return w;
}

}  // namespace Game
