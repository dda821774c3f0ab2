// The notice dialog: a title, a plain message and OK, over whatever screen shows.
#include "noticewindow.h"

#include "services/navigation.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;

NoticeWindow::NoticeWindow() : WGUI::FancyWindow(true, str(""))
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(400);
    setPixHeight(280);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    // Screens brought forward later (the main menu after the logos) stay beneath it.
    setAlwaysOnTop(true);

    ok = std::make_unique<WGUI::TextButton>();
    ok->setText(screens::text("ok"));
    ok->setPixAlPos(0, 20);
    ok->setPixWidth(100);
    ok->setPixHeight(30);
    ok->setAlign(kAlignCenter, kAlignBottom);
    ok->setListener(this);
    addWindow(ok.get());

    message = std::make_unique<WGUI::TextBox>();
    message->setBackColour(1, 1, 1, 0);
    message->setPixAlPos(0, 40);
    message->setPixWidth(350);
    message->setPixHeight(170);
    message->setAlign(kAlignCenter, kAlignTop);
    addWindow(message.get());
}

NoticeWindow::~NoticeWindow() = default;

void NoticeWindow::draw()
{
    screens::drawOverlay(getOpacity());
    WGUI::FancyWindow::draw();
}

void NoticeWindow::showNotice(const str& titleText, const str& messageText)
{
    setTitle(titleText);
    plainMessage = messageText;
    message->setText(screens::escapeMarkup(messageText));
    // Over whatever screen shows, which stays as it is beneath.
    openDialog(this, makeTransition(Transition::kOpacityIn, 0, 0, 0.3), nullptr);
}

void NoticeWindow::okAction()
{
    leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.3));
}

void NoticeWindow::buttonReleased(WGUI::Button* b)
{
    if (b == ok.get())
        okAction();
}

}  // namespace Game
