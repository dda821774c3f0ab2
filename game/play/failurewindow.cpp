// The failure dialog: the cause of the loss, retry and the way back to the main menu.
#include "failurewindow.h"

#include "gamewindow.h"
#include "level.h"
#include "services/music.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_manager.h"
#include "wgui_scroll.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

str text(const char* key)
{
    return WGUI::StringTable::instance()->getString(key);
}

std::unique_ptr<WGUI::TextButton> makeButton(const char* key, const char* tip, int h, WGUI::Listener* l)
{
    auto b = std::make_unique<WGUI::TextButton>();
    b->setText(text(key));
    b->setTooltip(true, text(tip));
    b->setUseVirtCoordPos(false, false);
    b->setUseVirtCoordDim(false, false);
    b->setPixAlPos(20, 20);
    b->setPixWidth(95);
    b->setPixHeight(30);
    b->setAlign(h, 3);
    b->setListener(l);
    return b;
}

}  // namespace

FailureWindow::FailureWindow() : WGUI::FancyWindow(true, text("failurewindowtitle"))
{
    setName(screenName(kScreen));
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(240);
    setPixHeight(200);
    setAlign(4, 4);

    retry = makeButton("retry", "retrytip", 1, this);
    retry->setAlwaysOnTop(true);
    addWindow(retry.get());
    mainMenu = makeButton("mainmenu", "mainmenutip", 0, this);
    addWindow(mainMenu.get());
    message = std::make_unique<WGUI::TextBox>();
    message->setUseVirtCoordPos(false, false);
    message->setUseVirtCoordDim(false, false);
    message->setPixAlPos(20, 30);
    message->setPixWidth(200);
    message->setPixHeight(120);
    message->setAlign(4, 2);
    message->setBackColour(1, 1, 1, 0);
    addWindow(message.get());
}

FailureWindow::~FailureWindow() = default;

void FailureWindow::setMessageType(int type)
{
    static const char* const keys[3] = {"failureeaten", "failuretimeout", "failurenothingsmaller"};
    if (type < 0 || type > 2)
        return;
    message->setText(text(keys[type]));
}

void FailureWindow::updateSelf()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::Window::updateSelf();
}

void FailureWindow::buttonReleased(WGUI::Button* b)
{
    if (b == retry.get())
    {
        leaveScreen(this, makeTransition(WGUI::Transition::kOpacityOut, 0, 0, 0.5));
        IntroLoop::instance()->stopFade(0.3);
        MusicSystem::instance()->setJukeboxOn(true);
        if (GameWindow* g =
                goToScreen<GameWindow>(makeTransition(WGUI::Transition::kFadeFromColour, 0, 0, 0.5)))
        {
            const LevelMode mode = g->getLevel() ? g->getLevel()->mode : g->getMode();
            g->loadLevel(g->getLevelFilename(), mode);
            g->setPaused(false);
        }
    }
    else if (b == mainMenu.get())
    {
        leaveScreen(this,
                    makeTransition(WGUI::Transition::kSlideOut, WGUI::Transition::kOpacityOut, 90, 0.3));
        // The menu comes in under this dialog as it slides away.
        bringToFront(Screen::kMainMenu);
        bringToFront(this);
        Arrival arrival;
        arrival.from = Screen::kFailure;
        arrival.sender = this;
        goToScreen(Screen::kMainMenu, makeTransition(WGUI::Transition::kFadeFromColour, 0, 90, 0.5), arrival);
    }
}

}  // namespace Game
