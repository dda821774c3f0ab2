#include "cheatswindow.h"

#include "optionswindow.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using WGUI::Transition;

namespace {

struct Toggle
{
    const char* key;
    bool (Cheats::*get)() const;
    void (Cheats::*set)(bool);
};

const Toggle kToggles[CheatsWindow::kNumBoxes] = {
    {"cheatwideeyes", &Cheats::getWideEyes, &Cheats::setWideEyes},
    {"cheatsmalleyes", &Cheats::getSmallEyes, &Cheats::setSmallEyes},
    {"cheatbigeyes", &Cheats::getBigEyes, &Cheats::setBigEyes},
    {"cheatcyclops", &Cheats::getCyclops, &Cheats::setCyclops},
    {"cheatpersonify", &Cheats::getPersonify, &Cheats::setPersonify},
    {"cheatfelinify", &Cheats::getFelinify, &Cheats::setFelinify},
    {"cheatrainbowgoo", &Cheats::getRainbowColor, &Cheats::setRainbowColor},
    {"cheatsuperfast", &Cheats::getSuperFast, &Cheats::setSuperFast},
    {"cheatgothroughwalls", &Cheats::getGoThroughWalls, &Cheats::setGoThroughWalls},
    {"cheatinvinsible", &Cheats::getInvinsible, &Cheats::setInvinsible},
    {"cheatgravitywell", &Cheats::getGravityWell, &Cheats::setGravityWell},
};

}  // namespace

CheatsWindow::CheatsWindow() : WGUI::FancyWindow(true, screens::text("cheats"))
{
    setName("cheatswindow");
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(350);
    setPixHeight(460);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    ok = new WGUI::TextButton();
    ok->setText(screens::text("ok"));
    ok->setTooltip(true, screens::text("returntooptions"));
    ok->setPixAlPos(20, 20);
    ok->setAlign(kAlignRight, kAlignBottom);
    ok->setPixWidth(100);
    ok->setPixHeight(30);
    ok->setListener(this);
    addWindow(ok);

    description = new WGUI::TextBox();
    description->setText(screens::text("cheatsdescription"));
    description->setPixAlPos(20, 30);
    description->setAlign(kAlignLeft, kAlignTop);
    description->setPixWidth(310);
    description->setPixHeight(40);
    description->setBackColour(1, 1, 1, 0);
    addWindow(description);

    for (int i = 0; i < kNumBoxes; ++i)
    {
        boxes[i] = new WGUI::CheckBox();
        boxes[i]->setText(screens::text(kToggles[i].key));
        boxes[i]->setPixAlPos(20, 80 + 30 * i);
        boxes[i]->setAlign(kAlignLeft, kAlignTop);
        boxes[i]->setListener(this);
        addWindow(boxes[i]);
    }
    boxes[10]->setTooltip(true, screens::text("cheatgravitywelltip"));
}

CheatsWindow::~CheatsWindow()
{
    delete ok;
    delete description;
    for (WGUI::CheckBox* b : boxes)
        delete b;
}

void CheatsWindow::setAllCheatsAvailable()
{
    for (WGUI::CheckBox* b : boxes)
        b->enable();
}

void CheatsWindow::messageBecomeVisible()
{
    LevelProgress* progress = LevelProgress::instance();
    progress->calcLevelCompletionStats();
    const bool casual = progress->allNormalModeBeaten();
    const bool timed = progress->allTimeAttackBeaten();
    const bool earned[kNumBoxes] = {casual, casual, casual, casual, timed, timed, timed,
                                    progress->allTimeAttackBronze(), progress->allTimeAttackSilver(),
                                    progress->allTimeAttackGold(), progress->allEnduranceModeBeaten()};
    for (int i = 0; i < kNumBoxes; ++i)
    {
        if (earned[i])
            boxes[i]->enable();
        else
            boxes[i]->disable();
    }
    Cheats* cheats = Cheats::instance();
    if (cheats->getCheats())
        setAllCheatsAvailable();
    // A box is only ever ticked here: it keeps what it had when the dialog was last closed.
    for (int i = 0; i < kNumBoxes; ++i)
        if ((cheats->*kToggles[i].get)())
            boxes[i]->setSelected(true);
    WGUI::FancyWindow::messageBecomeVisible();
}

void CheatsWindow::messageBecomeInvisible()
{
    Cheats* cheats = Cheats::instance();
    for (int i = 0; i < kNumBoxes; ++i)
        (cheats->*kToggles[i].set)(boxes[i]->getSelected());
    WGUI::FancyWindow::messageBecomeInvisible();
}

void CheatsWindow::transitionFinished(bool isIn)
{
    if (!isIn)
        return;
    if (OptionsWindow* options = dynamic_cast<OptionsWindow*>(screens::find("optionswindow")))
        options->setCoveredInfront(true);
}

void CheatsWindow::buttonReleased(WGUI::Button* b)
{
    if (b != ok)
        return;
    screens::give(this, Transition::kSlideOut, Transition::kOpacityOut, 90, 0.25);
    setAlwaysActive(false);
    if (OptionsWindow* options = dynamic_cast<OptionsWindow*>(screens::find("optionswindow")))
    {
        options->setAlwaysActive(true);
        options->setCoveredInfront(false);
    }
}
