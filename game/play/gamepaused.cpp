// The pause dialog: resume, restart, options, and the ways out of the level.
#include "gamepaused.h"

#include "gamewindow.h"
#include "level.h"
#include "services/music.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

str text(const char* key)
{
    return WGUI::StringTable::instance()->getString(key);
}

std::unique_ptr<WGUI::TextButton> makeButton(int y, const char* key, const char* tip, WGUI::Listener* l)
{
    auto b = std::make_unique<WGUI::TextButton>();
    b->setText(text(key));
    if (tip)
        b->setTooltip(true, text(tip));
    b->setUseVirtCoordPos(false, false);
    b->setUseVirtCoordDim(false, false);
    b->setPixWidth(150);
    b->setPixHeight(40);
    b->setPixAlPos(0, y);
    b->setAlign(4, 2);
    b->setListener(l);
    return b;
}

}  // namespace

GamePaused::GamePaused() : WGUI::FancyWindow(true, text("gamepausedtitle"))
{
    setName(screenName(kScreen));
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(200);
    setPixHeight(300);
    setAlign(4, 4);
    resume = makeButton(40, "resume", "resumetip", this);
    restart = makeButton(90, "restart", "restarttip", this);
    options = makeButton(140, "options", nullptr, this);
    levelSelect = makeButton(190, "pauselevelselect", "pauselevelselecttip", this);
    mainMenu = makeButton(240, "mainmenu", "mainmenutip", this);
    for (WGUI::Window* b :
         {static_cast<WGUI::Window*>(resume.get()), static_cast<WGUI::Window*>(restart.get()),
          static_cast<WGUI::Window*>(options.get()), static_cast<WGUI::Window*>(levelSelect.get()),
          static_cast<WGUI::Window*>(mainMenu.get())})
        addWindow(b);
}

GamePaused::~GamePaused() = default;

bool GamePaused::contains(double x, double y)
{
    if (isAlwaysActive())
        return true;
    if (dontCheckContains())
        return false;
    return isVisible() ? true : WGUI::Window::contains(x, y);
}

bool GamePaused::contains(int x, int y)
{
    if (isAlwaysActive())
        return true;
    if (dontCheckContains())
        return false;
    return isVisible() ? true : WGUI::Window::contains(x, y);
}

void GamePaused::draw()
{
    int w = WGUI::Window::getDefaultDisplayWidth();
    int h = WGUI::Window::getDefaultDisplayHeight();
    if (WGUI::Manager::hasInstance())
    {
        w = WGUI::Manager::instance()->getWidth();
        h = WGUI::Manager::instance()->getHeight();
    }
    WGUI::Shapes::drawFillRect(0, 0, w, h, WGUI::Manager::defaultOverlayR, WGUI::Manager::defaultOverlayG,
                               WGUI::Manager::defaultOverlayB, 0.5 * getOpacity());
    WGUI::FancyWindow::draw();
}

void GamePaused::messageCallback(WGUI::WEvent& e)
{
    if (e.type == WGUI::WEvent::kKeyDown &&
        (e.key == WGUI::Input::kEscape || e.key == WGUI::Input::kA + 15 || e.key == WGUI::Input::kSpace))
        resumeGame();
    WGUI::Window::messageCallback(e);
}

void GamePaused::resumeGame()
{
    leaveScreen(this, makeTransition(WGUI::Transition::kOpacityOut, WGUI::Transition::kSlideOut, 90, 0.3));
    if (GameWindow* g = returnToScreen<GameWindow>())
        g->setPaused(false);
}

void GamePaused::retryGame()
{
    resumeGame();
    if (GameWindow* g = screenOf<GameWindow>())
    {
        const LevelMode mode = g->getLevel() ? g->getLevel()->mode : g->getMode();
        g->loadLevel(g->getLevelFilename(), mode);
        g->setPaused(false);
    }
}

void GamePaused::leaveTo(Screen target)
{
    leaveScreen(this, makeTransition(WGUI::Transition::kSlideOut, WGUI::Transition::kOpacityOut, 90, 0.3));
    leaveScreen(Screen::kGame, makeTransition(WGUI::Transition::kFadeToColour, 0, 0, 0.5));
    Arrival arrival;
    arrival.from = Screen::kGamePaused;
    arrival.mode = levelMode;
    bringToFront(goToScreen(target, makeTransition(WGUI::Transition::kOpacityIn, 0, 0, 0.5), arrival));
    IntroLoop::instance()->playFade(0.5);
    MusicSystem::instance()->stop(0.3);
    MusicSystem::instance()->setJukeboxOn(false);
}

void GamePaused::buttonReleased(WGUI::Button* b)
{
    if (b == resume.get())
        resumeGame();
    else if (b == restart.get())
        retryGame();
    else if (b == options.get())
    {
        leaveScreen(this, nullptr);
        // The options screen goes back to this dialog when it closes.
        Arrival arrival;
        arrival.from = Screen::kGamePaused;
        arrival.sender = this;
        arrival.mode = levelMode;
        bringToFront(
            goToScreen(Screen::kOptions, makeTransition(WGUI::Transition::kOpacityIn, 0, 0, 0.5), arrival));
    }
    else if (b == levelSelect.get())
        leaveTo(levelMode == LevelMode::kEndurance ? Screen::kEndurance : Screen::kLevelSelect);
    else if (b == mainMenu.get())
        leaveTo(Screen::kMainMenu);
}

}  // namespace Game
