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

WGUI::Transition* makeTransition(int type, int type2, double angle, double seconds)
{
    WGUI::Transition* t = new WGUI::Transition();
    t->setType(type);
    t->setType2(type2);
    t->setAngle(angle);
    t->setTotalTime(seconds);
    return t;
}

WGUI::Window* goToScreen(Screen s, WGUI::Transition* t, const Arrival& arrival)
{
    WGUI::Window* w = screen(s);
    if (!w)
    {
        delete t;
        return nullptr;
    }
    if (Destination* d = dynamic_cast<Destination*>(w))
        d->arrive(arrival);
    if (t)
        w->setTransition(t);
    w->setAlwaysActive(true);
    return w;
}

}  // namespace Game
