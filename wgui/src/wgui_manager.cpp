// Manager: the game's window tree inside one framework window, its run loop and frame.
#include "wgui_manager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/platform.h"
#include "foundation/singletons.h"
#include "render/renderer.h"
#include "window/classid.h"
#include "window/windowmanager.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_label.h"
#include "wgui_scroll.h"
#include "wgui_misc.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace WGUI
{

double Manager::defaultBackR = 0.0;
double Manager::defaultBackG = 0.0;
double Manager::defaultBackB = 0.0;
double Manager::defaultOverlayR = Manager::defaultBackR;
double Manager::defaultOverlayG = Manager::defaultBackG;
double Manager::defaultOverlayB = Manager::defaultBackB;

Manager* Manager::sInstance = nullptr;
std::function<Manager*()> Manager::sFactory;

namespace
{

// The name of the host layer on the framework's stack, used to pop it again.
const char* const kHostName = "wgame";

}  // namespace

// ---- life -------------------------------------------------------------------------------------

Manager* Manager::instance()
{
    if (!sInstance && sFactory)
    {
        // The factory constructs the manager, which makes itself the instance.
        Manager* made = sFactory();
        if (!sInstance)
            sInstance = made;
    }
    // Without a factory nothing can make one here (it needs the display's size): a look-up
    // before the start-up made it is reported; under the tests' rule the answer is null.
    if (!sInstance)
        qfSingletonNotMade("WGUI::Manager");
    return sInstance;
}

void Manager::setFactory(std::function<Manager*()> factory)
{
    sFactory = std::move(factory);
}

void Manager::createSingletons()
{
    Pathnames::createInstance();
    StringTable::createInstance();
    Fonts::createInstance();
    Shapes::createInstance();
    Timer::createInstance();
    EggTimers::createInstance();
    Input::createInstance();
    ImageMaps::createInstance();
    AnimationDefs::createInstance();
}

void Manager::deleteSingletons(const std::function<void()>& deleteSoundHelper)
{
    Timer::deleteInstance();
    deleteSingletonsAfterTimer(deleteSoundHelper);
}

void Manager::deleteSingletonsAfterTimer(const std::function<void()>& deleteSoundHelper)
{
    Fonts::deleteInstance();
    ImageMaps::deleteInstance();
    AnimationDefs::deleteInstance();
    EggTimers::deleteInstance();
    StringTable::deleteInstance();
    Shapes::deleteInstance();
    Input::deleteInstance();
    if (deleteSoundHelper)
        deleteSoundHelper();
    DebugFile::deleteInstance();
    Pathnames::deleteInstance();
}

void Manager::deleteInstance()
{
    delete sInstance;
    sInstance = nullptr;
}

Manager::Manager(int width, int height, int depth, bool windowed, str title, ManagerServices* services)
    : width(width), height(height), depth(depth), windowed(windowed), title(title),
      services(services ? services : &defaultServices)
{
    qfNoteLifetime("make", "WGUI::Manager");
    sInstance = this;
    Window::setDefaultDisplaySize(width, height);

    TPlatform* platform = TPlatform::GetInstance();
    if (platform)
    {
        platform->SetDisplay(static_cast<unsigned>(width > 0 ? width : 0),
                             static_cast<unsigned>(height > 0 ? height : 0), !windowed);
        // Full screen the window system did not grant: the game runs in a window, and that is
        // the choice saved from now on.
        if (!windowed && !platform->IsFullscreen())
        {
            this->windowed = true;
            this->services->setWindowed(true);
        }
        platform->SetWindowTitle(title);
    }
    if (TWindowManager* wm = TWindowManager::GetInstance())
    {
        wm->AddWindowType("GameWindow", WGame::ClassId());
        // The window manager owns the host layer once it is pushed; a layer it refused goes here.
        auto host = std::make_unique<WGame>();
        host->SetName(kHostName);
        if (wm->PushModal(host.get()))
        {
            game = host.release();
            updateTask = new TUpdateGameTask(game);
            game->AdoptTask(updateTask);
        }
    }

    Input::instance();
    Input::instance()->hideSystemPointer();

    root = std::make_unique<Window>();
    root->setParentPixPos(0, 0);
    root->setParentPixSize(width, height);
    root->setVirtAlPos(0, 0);
    root->setVirtSize(1.0, 1.0);

    prevMouseX = mouseX = Input::instance()->getMouseX();
    prevMouseY = mouseY = Input::instance()->getMouseY();
    prevButton = button = Input::instance()->isLeftMouseButtonDown();

    tooltip = std::make_unique<Tooltip>();
    buttonMap = ImageMaps::get("button");
    for (int s = 0; s < 4; ++s)
    {
        for (int i = 0; i < 8; ++i)
            buttonCells[s][i] = 9 * s + i;
        buttonCells[s][8] = 9 * s + 8;
        for (int i = 9; i < 13; ++i)
            buttonCells[s][i] = 12;
    }

    fpsLabel = std::make_unique<Label>();
    fpsLabel->setUseVirtCoordPos(false, false);
    fpsLabel->setUseVirtCoordDim(false, false);
    fpsLabel->setPixAlPos(10, 10);
    fpsLabel->setAlign(Window::kAlignRight, Window::kAlignBottom);
    fpsLabel->setColour(1, 0, 0, 1);
    fpsLabel->setAlwaysOnTop(true);
    fpsLabel->setText("");
    fpsLabel->setVisible(false);
    root->addWindow(fpsLabel.get());

    debugBox = std::make_unique<TextBox>();
    debugBox->setUseVirtCoordPos(true, true);
    debugBox->setUseVirtCoordDim(true, true);
    debugBox->setAlign(Window::kAlignCenter, Window::kAlignBottom);
    debugBox->setVirtAlPosY(0.05);
    debugBox->setVirtSize(0.5, 0.2);
    debugBox->setPixAlPos(10, 10);
    debugBox->setAlwaysOnTop(true);
    debugBox->setVisible(false);
    root->addWindow(debugBox.get());

    mouseCursor = std::make_unique<MouseCursor>();
}

Manager::~Manager()
{
    qfNoteLifetime("delete", "WGUI::Manager");
    // From here on a transition destroyed with a chained one deletes it rather than queuing
    // it on this manager.
    Transition::setShuttingDown(true);

    qfNoteLifetime("delete", "root window");
    root.reset();
    qfNoteLifetime("delete", "tooltip");
    tooltip.reset();
    Timer::deleteInstance();
    // The overlay is the game's particle engine; the lifetime record names it so.
    qfNoteLifetime("delete", "particle engine");
    services->releaseOverlay();
    qfNoteLifetime("delete", "frame-rate label");
    fpsLabel.reset();
    qfNoteLifetime("delete", "debug box");
    debugBox.reset();
    qfNoteLifetime("delete", "mouse cursor");
    mouseCursor.reset();
    qfNoteLifetime("delete", "queued transitions");
    while (!transitionQueue.empty())
    {
        // Out of the queue before it goes: its destructor may queue its chain.
        std::unique_ptr<Transition> t = std::move(transitionQueue.front());
        transitionQueue.pop_front();
        transitionWindows.pop_front();
    }

    // The host layer goes with its task list (and the update task).
    if (game)
    {
        if (TWindowManager* wm = TWindowManager::GetInstance())
            wm->PopModal(kHostName);
        game = nullptr;
        updateTask = nullptr;
    }

    ManagerServices* s = services;
    deleteSingletonsAfterTimer([s] { s->deleteSoundHelper(); });

    Transition::setShuttingDown(false);
    if (sInstance == this)
        sInstance = nullptr;
}

void Manager::setServices(ManagerServices* s)
{
    ManagerServices* next = s ? s : &defaultServices;
    if (next != services && services)
        services->releaseOverlay();  // it lives on this manager's root
    services = next;
}

// ---- loop -------------------------------------------------------------------------------------

void Manager::run()
{
    gameWindow = services->playScreen(root.get());
    TPlatform* platform = TPlatform::GetInstance();
    if (!platform)
        return;
    for (;;)
    {
        TEvent event;
        platform->GetEvent(&event);
        if (!handleEvent(event))
            break;
    }
}

bool Manager::handleEvent(TEvent& event)
{
    TPlatform* platform = TPlatform::GetInstance();
    Input* input = Input::instance();
    switch (event.mType)
    {
    case TEvent::kQuit: return false;
    case TEvent::kCloseRequested:
        if (platform)
            platform->Exit(0);
        break;
    case TEvent::kFullscreenToggled:
    {
        services->setWindowed(platform ? !platform->IsFullscreen() : windowed);
        services->fullScreenToggled();
        break;
    }
    case TEvent::kActivation:
        if (gameWindow && gameWindow->isVisible())
            services->pauseGame(gameWindow);
        break;
    case TEvent::kMouseMoved: input->messageMouseMove(event.mX, event.mY); break;
    case TEvent::kMouseExited: input->messageMouseLeave(); break;
    case TEvent::kLeftDown: input->messageLeftMouseDown(); break;
    case TEvent::kLeftUp:
    {
        input->messageLeftMouseUp();
        services->leftButtonReleased();
        break;
    }
    case TEvent::kKeyDown:
    {
        input->messageKeyDown(event.mParam);
        WEvent e(event);
        managerCallbackFunc(e);
        break;
    }
    case TEvent::kKeyUp:
    {
        input->messageKeyUp(event.mParam);
        WEvent e(event);
        managerCallbackFunc(e);
        break;
    }
    case TEvent::kMouseExtended:
    case TEvent::kCharacter:
    {
        WEvent e(event);
        managerCallbackFunc(e);
        break;
    }
    default: break;
    }
    if (TWindowManager* wm = TWindowManager::GetInstance())
        wm->HandleEvent(&event);
    return true;
}

void Manager::exit()
{
    exiting = true;
    if (TPlatform* platform = TPlatform::GetInstance())
        platform->Exit(0);
}

void managerCallbackFunc(WEvent& e)
{
    Manager* m = Manager::hasInstance() ? Manager::instance() : nullptr;
    if (!m || m->isExiting())
        return;
    if (e.type == WEvent::kKeyDown && e.key == Input::kF2)
        m->toggleShowFramerate();
    m->getRoot()->messageCallback(e);
    m->getServices()->eventCallback(e);
}

// ---- frame ------------------------------------------------------------------------------------

void Manager::update()
{
    Timer::instance()->update();

    if (updateTask)
    {
        if (!gameWindow || !gameWindow->isVisible())
            updateTask->setNormalFrameRate();
        else if (Timer::instance()->shouldSwitchToLowFrameRate())
            updateTask->setLowFrameRate();
    }

    Input::instance()->hideSystemPointer();
    fillBack = false;
    mouseCursor->setCursorType(MouseCursor::kArrow);

    EggTimers::instance()->update();

    // Each pair leaves the queue before it is attached: attaching may queue further pairs.
    while (!transitionQueue.empty())
    {
        std::unique_ptr<Transition> t = std::move(transitionQueue.front());
        Window* w = transitionWindows.front();
        transitionQueue.pop_front();
        transitionWindows.pop_front();
        if (w)
            w->setTransition(std::move(t));
    }

    tooltip->update();
    services->updateOverlay();

    Input* input = Input::instance();
    mouseX = input->getMouseX();
    mouseY = input->getMouseY();
    mouseCursor->setPos(mouseX, mouseY);
    // A press and release that both arrive between two frames (a quick tap) is seen as pressed
    // for this frame and released on the next, so the click is not lost.
    button = input->isLeftMouseButtonDown() || input->wasLeftMousePressedSinceUpdate();

    sendMouseMessages();

    // The text (doubleToString's "%f" and the mode) is written over the old one when it
    // changes, in its own buffer while nobody else holds it.
    char rateText[512];
    std::snprintf(rateText, sizeof rateText, "%f%s", Timer::instance()->getFrameRate(),
                  updateTask && updateTask->isLowFrameRate() ? " low" : " normal");
    if (std::strcmp(rateText, framerateText.c_str()) != 0)
        framerateText.overlay(0, rateText, static_cast<unsigned int>(std::strlen(rateText)), true);
    if (fpsLabel->isVisible())
        fpsLabel->setText(framerateText);

    debugBox->setVisible(!debugBox->getText().empty());

    root->update();

    services->updateMusic(Timer::instance()->getDeltaT());

    prevMouseX = mouseX;
    prevMouseY = mouseY;
    prevButton = button;
    input->update();
}

void Manager::sendMouseMessages()
{
    bool onScreen = mouseX >= 0 && mouseX < width && mouseY >= 0 && mouseY < height;
    bool prevOnScreen = prevMouseX >= 0 && prevMouseX < width && prevMouseY >= 0 && prevMouseY < height;

    if (button && !prevButton && onScreen)
        root->messageMousePressed(mouseX, mouseY, 1);
    if (!button && prevButton && root->isMouseDownIn())
    {
        if (onScreen)
            root->messageMouseReleased(mouseX, mouseY, 1);
        else
            root->messageMouseReleasedOut(mouseX, mouseY, 1);
    }
    bool moved = mouseX != prevMouseX || mouseY != prevMouseY;  // |dx| >= 1 or |dy| >= 1
    if (button && root->isMouseDownIn())
        root->messageMouseDrag(mouseX, mouseY, 1, moved);
    if (!button && onScreen)
        root->messageMouseMove(mouseX, mouseY, 0, moved);
    if (onScreen && !prevOnScreen)
        root->messageMouseEnter(mouseX, mouseY, button ? 1 : 0);
    if (!onScreen && prevOnScreen)
        root->messageMouseExit(mouseX, mouseY, button ? 1 : 0);
}

void Manager::draw()
{
    if (fillBack)
        fill(fillR, fillG, fillB);
    root->draw();
    services->drawOverlay();
    tooltip->draw();
    mouseCursor->draw();
}

// ---- forwards and small operations ------------------------------------------------------------

Window* Manager::getChild(str name) const
{
    return root->getChild(name);
}
void Manager::addWindow(Window* w)
{
    root->addWindow(w);
}
void Manager::moveChildToTopMes(Window* w)
{
    root->moveChildToTopMes(w);
}
void Manager::moveChildToTopMes(str name)
{
    root->moveChildToTopMes(name);
}
double Manager::screenToSpriteX(double x) const
{
    return root->screenToSpriteX(x);
}
double Manager::screenToSpriteY(double y) const
{
    return root->screenToSpriteY(y);
}

void Manager::addTransition(Transition* t, Window* w)
{
    if (!t)
        return;
    transitionQueue.emplace_back(t);
    transitionWindows.push_back(w);
}

void Manager::forgetWindow(Window* w)
{
    if (!w)
        return;
    // Deleting a dropped transition may queue its chain, possibly for w again: look again
    // from the front after every deletion.
    for (;;)
    {
        auto t = transitionQueue.begin();
        auto win = transitionWindows.begin();
        while (t != transitionQueue.end() && *win != w)
        {
            ++t;
            ++win;
        }
        if (t == transitionQueue.end())
            return;
        std::unique_ptr<Transition> doomed = std::move(*t);
        transitionQueue.erase(t);
        transitionWindows.erase(win);
        doomed.reset();
    }
}

void Manager::setFillBack(double r, double g, double b)
{
    fillBack = true;
    fillR = r;
    fillG = g;
    fillB = b;
}

void Manager::setFillBack()
{
    setFillBack(defaultBackR, defaultBackG, defaultBackB);
}

void Manager::fill(double r, double g, double b)
{
    Shapes::drawFillRect(0, 0, width, height, r, g, b, 1.0);
}

void Manager::setGlobalBlendMode(int mode)
{
    if (mode == globalBlendMode)
        return;
    globalBlendMode = mode;
    if (!TRenderer::HasInstance())
        return;
    if (mode == 0)
        TRenderer::GetInstance()->SetBlendMode(TRenderer::kBlendAlpha);
    else if (mode == 1)
        TRenderer::GetInstance()->SetBlendMode(TRenderer::kBlendAdditive);
}

void Manager::toggleShowFramerate()
{
    fpsLabel->setVisible(!fpsLabel->isVisible());
}

bool Manager::isFramerateShown() const
{
    return fpsLabel->isVisible();
}

void Manager::setDebugText(str text)
{
    debugBox->setText(text);
}

int Manager::getButtonCell(int state, int i) const
{
    if (state < 0 || state > 3 || i < 0 || i >= 13)
        return -1;
    return buttonCells[state][i];
}

// ---- host window and task ---------------------------------------------------------------------

TClassId WGame::ClassId()
{
    return WindowClassId<WGame>();
}

void WGame::Draw()
{
    if (!Manager::hasInstance() || !TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    if (!renderer->Begin2d())
        return;
    // Every 2-D pass starts in the normal blend mode; the cache must say so too, or the first
    // additive blit of the frame would skip setting it.
    Manager::instance()->resetGlobalBlendMode();
    Manager::instance()->draw();
    renderer->End2d();
}

void WGame::UpdateGame()
{
    if (!Manager::hasInstance())
        return;
    Manager::instance()->update();
    if (TWindowManager* wm = TWindowManager::GetInstance())
        wm->InvalidateScreen();
}

TUpdateGameTask::TUpdateGameTask(WGame* game) : TAnimTask(nullptr), game(game)
{
    SetDelay(kNormalPeriod, true, true, false);
}

void TUpdateGameTask::setNormalFrameRate()
{
    if (period == kNormalPeriod)
        return;
    period = kNormalPeriod;
    SetDelay(period, true, true, false);
}

void TUpdateGameTask::setLowFrameRate()
{
    if (period == kLowPeriod)
        return;
    period = kLowPeriod;
    SetDelay(period, true, true, false);
}

bool TUpdateGameTask::Animate()
{
    if (game)
        game->UpdateGame();
    return true;
}

}  // namespace WGUI
