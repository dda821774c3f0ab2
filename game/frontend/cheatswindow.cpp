// The cheat toggles dialog: its eleven boxes, unlocked by achievements and written to Cheats on close.
#include "cheatswindow.h"

#include "optionswindow.h"
#include "services/cheats.h"
#include "services/levelprogress.h"
#include "services/navigation.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;

namespace
{

const char* const kLabels[CheatsWindow::kNumBoxes] = {
    "cheatwideeyes",       "cheatsmalleyes",  "cheatbigeyes",     "cheatcyclops",
    "cheatpersonify",      "cheatfelinify",   "cheatrainbowgoo",  "cheatsuperfast",
    "cheatgothroughwalls", "cheatinvinsible", "cheatgravitywell",
};

// The toggle of box i, in the boxes' order.
bool toggle(const Cheats* c, int i)
{
    switch (i)
    {
    case 0: return c->getWideEyes();
    case 1: return c->getSmallEyes();
    case 2: return c->getBigEyes();
    case 3: return c->getCyclops();
    case 4: return c->getPersonify();
    case 5: return c->getFelinify();
    case 6: return c->getRainbowColor();
    case 7: return c->getSuperFast();
    case 8: return c->getGoThroughWalls();
    case 9: return c->getInvinsible();
    case 10: return c->getGravityWell();
    default: return false;
    }
}

void setToggle(Cheats* c, int i, bool on)
{
    switch (i)
    {
    case 0: c->setWideEyes(on); break;
    case 1: c->setSmallEyes(on); break;
    case 2: c->setBigEyes(on); break;
    case 3: c->setCyclops(on); break;
    case 4: c->setPersonify(on); break;
    case 5: c->setFelinify(on); break;
    case 6: c->setRainbowColor(on); break;
    case 7: c->setSuperFast(on); break;
    case 8: c->setGoThroughWalls(on); break;
    case 9: c->setInvinsible(on); break;
    case 10: c->setGravityWell(on); break;
    default: break;
    }
}

}  // namespace

CheatsWindow::CheatsWindow() : WGUI::FancyWindow(true, screens::text("cheats"))
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(350);
    setPixHeight(460);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    ok = std::make_unique<WGUI::TextButton>();
    ok->setText(screens::text("ok"));
    ok->setTooltip(true, screens::text("returntooptions"));
    ok->setPixAlPos(20, 20);
    ok->setAlign(kAlignRight, kAlignBottom);
    ok->setPixWidth(100);
    ok->setPixHeight(30);
    ok->setListener(this);
    addWindow(ok.get());

    description = std::make_unique<WGUI::TextBox>();
    description->setText(screens::text("cheatsdescription"));
    description->setPixAlPos(20, 30);
    description->setAlign(kAlignLeft, kAlignTop);
    description->setPixWidth(310);
    description->setPixHeight(40);
    description->setBackColour(1, 1, 1, 0);
    addWindow(description.get());

    for (int i = 0; i < kNumBoxes; ++i)
    {
        boxes.set(i, std::make_unique<WGUI::CheckBox>());
        boxes[i]->setText(screens::text(kLabels[i]));
        boxes[i]->setPixAlPos(20, 80 + 30 * i);
        boxes[i]->setAlign(kAlignLeft, kAlignTop);
        boxes[i]->setListener(this);
        addWindow(boxes[i]);
    }
    boxes[10]->setTooltip(true, screens::text("cheatgravitywelltip"));
}

CheatsWindow::~CheatsWindow() = default;

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
    const bool earned[kNumBoxes] = {casual,
                                    casual,
                                    casual,
                                    casual,
                                    timed,
                                    timed,
                                    timed,
                                    progress->allTimeAttackBronze(),
                                    progress->allTimeAttackSilver(),
                                    progress->allTimeAttackGold(),
                                    progress->allEnduranceModeBeaten()};
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
        if (toggle(cheats, i))
            boxes[i]->setSelected(true);
    WGUI::FancyWindow::messageBecomeVisible();
}

void CheatsWindow::messageBecomeInvisible()
{
    Cheats* cheats = Cheats::instance();
    for (int i = 0; i < kNumBoxes; ++i)
        setToggle(cheats, i, boxes[i]->getSelected());
    WGUI::FancyWindow::messageBecomeInvisible();
}

void CheatsWindow::transitionFinished(bool isIn)
{
    if (!isIn)
        return;
    if (OptionsWindow* options = screenOf<OptionsWindow>())
        options->setCoveredInfront(true);
}

void CheatsWindow::buttonReleased(WGUI::Button* b)
{
    if (b != ok.get())
        return;
    leaveScreen(this, makeTransition(Transition::kSlideOut, Transition::kOpacityOut, 90, 0.25));
    if (OptionsWindow* options = returnToScreen<OptionsWindow>())
        options->setCoveredInfront(false);
}

}  // namespace Game
