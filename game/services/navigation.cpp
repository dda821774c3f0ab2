// The navigation seam: the screens' window names, their look-up under the GUI manager's root,
// and the steps every change between screens is made of.
#include "services/navigation.h"

#include "wgui_manager.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace Game
{

const char* screenName(Screen s)
{
    switch (s)
    {
    case Screen::kNone: return "";
    case Screen::kLogos: return "logoscreens";
    case Screen::kMainMenu: return "mainmenu";
    case Screen::kGame: return "gamewindow";
    case Screen::kLevelSelect: return "levelselect";
    case Screen::kGamePaused: return "gamepaused";
    case Screen::kComic: return "comicwindow";
    case Screen::kCredits: return "creditswindow";
    case Screen::kVictory: return "victorywindow";
    case Screen::kFailure: return "failurewindow";
    case Screen::kGallery: return "entitygallery";
    case Screen::kOptions: return "optionswindow";
    case Screen::kCheats: return "cheatswindow";
    case Screen::kDisplayConfirm: return "displayconfirmwindow";
    case Screen::kEndurance: return "endurancemenu";
    case Screen::kEnterName: return "enternamewindow";
    case Screen::kChangePlayer: return "changeplayerwindow";
    case Screen::kDeletePlayer: return "deleteplayerwindow";
    case Screen::kConfirmExit: return "confirmexitwindow";
    case Screen::kMedalSubmit: return "medalsubmitwindow";
    case Screen::kMedalSubmitResult: return "medalsubmitresult";
    case Screen::kNotice: return "noticewindow";
    }
    return "";
}

WGUI::Window* screen(Screen s)
{
    if (s == Screen::kNone || !WGUI::Manager::hasInstance())
        return nullptr;
    return WGUI::Manager::instance()->getChild(str(screenName(s)));
}

bool screenInTransition(Screen s)
{
    WGUI::Window* w = screen(s);
    return w && w->getTransition();
}

std::unique_ptr<WGUI::Transition> makeTransition(int type, int type2, double angle, double seconds)
{
    auto t = std::make_unique<WGUI::Transition>();
    t->setType(type);
    t->setType2(type2);
    t->setAngle(angle);
    t->setTotalTime(seconds);
    return t;
}

WGUI::Window* goToScreen(WGUI::Window* w, std::unique_ptr<WGUI::Transition> in, const Arrival& arrival)
{
    if (!w)
        return nullptr;
    if (Destination* d = dynamic_cast<Destination*>(w))
        d->arrive(arrival);
    if (in)
        w->setTransition(std::move(in));
    w->setAlwaysActive(true);
    return w;
}

WGUI::Window* goToScreen(Screen s, std::unique_ptr<WGUI::Transition> in, const Arrival& arrival)
{
    return goToScreen(screen(s), std::move(in), arrival);
}

WGUI::Window* showScreen(WGUI::Window* w, const Arrival& arrival)
{
    if (!w)
        return nullptr;
    if (Destination* d = dynamic_cast<Destination*>(w))
        d->arrive(arrival);
    w->setVisible(true);
    w->setAlwaysActive(true);
    return w;
}

WGUI::Window* showScreen(Screen s, const Arrival& arrival)
{
    return showScreen(screen(s), arrival);
}

void leaveScreen(WGUI::Window* w, std::unique_ptr<WGUI::Transition> out)
{
    if (!w)
        return;
    if (out)
        w->setTransition(std::move(out));
    w->setAlwaysActive(false);
}

WGUI::Window* leaveScreen(Screen s, std::unique_ptr<WGUI::Transition> out)
{
    WGUI::Window* w = screen(s);
    leaveScreen(w, std::move(out));
    return w;
}

WGUI::Window* returnToScreen(WGUI::Window* w)
{
    if (w)
        w->setAlwaysActive(true);
    return w;
}

WGUI::Window* returnToScreen(Screen s)
{
    return returnToScreen(screen(s));
}

WGUI::Window* openDialog(WGUI::Window* dialog, std::unique_ptr<WGUI::Transition> in, WGUI::Window* over)
{
    if (!dialog)
        return nullptr;
    if (over)
        over->setAlwaysActive(false);
    if (in)
        dialog->setTransition(std::move(in));
    bringToFront(dialog);
    dialog->setAlwaysActive(true);
    return dialog;
}

WGUI::Window* openDialog(Screen s, std::unique_ptr<WGUI::Transition> in, WGUI::Window* over)
{
    return openDialog(screen(s), std::move(in), over);
}

void bringToFront(WGUI::Window* w)
{
    if (w && WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->moveChildToTopMes(w);
}

WGUI::Window* bringToFront(Screen s)
{
    WGUI::Window* w = screen(s);
    bringToFront(w);
    return w;
}

WGUI::Window* chainToScreen(WGUI::Transition* out, Screen s, std::unique_ptr<WGUI::Transition> in)
{
    WGUI::Window* w = screen(s);
    if (!w || !out)
        return nullptr;
    out->setNextTransition(std::move(in));
    out->setNextWindow(w);
    return w;
}

WGUI::Window* startScreen(Screen s, std::unique_ptr<WGUI::Transition> in)
{
    WGUI::Window* w = screen(s);
    if (!w)
        return nullptr;
    w->setTransition(std::move(in));
    w->update();
    return w;
}

}  // namespace Game
