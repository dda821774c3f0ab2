// The exit confirmation: yes fades everything out and ends the run loop, no goes back to the menu.
#include "confirmexit.h"

#include "services/navigation.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;
using WGUI::Window;

ConfirmExitWindow::ConfirmExitWindow() : WGUI::FancyWindow(false)
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(280);
    setPixHeight(120);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    yes = std::make_unique<WGUI::TextButton>();
    yes->setText(screens::text("yes"));
    yes->setPixAlPos(30, 30);
    yes->setPixWidth(100);
    yes->setPixHeight(30);
    yes->setAlign(kAlignLeft, kAlignBottom);
    yes->setListener(this);
    addWindow(yes.get());

    no = std::make_unique<WGUI::TextButton>();
    no->setText(screens::text("no"));
    no->setPixAlPos(30, 30);
    no->setPixWidth(100);
    no->setPixHeight(30);
    no->setAlign(kAlignRight, kAlignBottom);
    no->setListener(this);
    addWindow(no.get());

    question = std::make_unique<WGUI::Label>();
    question->setText(screens::text("confirmexit"));
    question->setPixAlPos(0, 30);
    question->setPixWidth(200);
    question->setPixHeight(30);
    question->setAlign(kAlignCenter, kAlignTop);
    addWindow(question.get());
}

ConfirmExitWindow::~ConfirmExitWindow() = default;

void ConfirmExitWindow::draw()
{
    screens::drawOverlay(getOpacity());
    WGUI::FancyWindow::draw();
}

void ConfirmExitWindow::buttonReleased(WGUI::Button* b)
{
    if (b == yes.get())
        yesAction();
    else if (b == no.get())
        noAction();
}

void ConfirmExitWindow::noAction()
{
    exitPending = false;
    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
    returnToScreen(Screen::kMainMenu);
}

void ConfirmExitWindow::yesAction()
{
    leaveScreen(Screen::kMainMenu, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
    exitPending = true;
    leaveScreen(this, makeTransition(Transition::kFadeToColour, 0, 0, 0.5));
}

void ConfirmExitWindow::transitionFinished(bool isIn)
{
    if (!isIn && exitPending && WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->exit();
}

}  // namespace Game
