// The comic screen: pages cross-faded between two frames, then play or the credits.
#include "comicwindow.h"

#include "frontendutil.h"
#include "playscreenaccess.h"
#include "services/navigation.h"
#include "wgui_chunkedimage.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;

ComicFrameWindow::ComicFrameWindow()
{
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixAlPos(0, 0);
    setPixWidth(800);
    setPixHeight(600);
    setVisible(false);
}

ComicFrameWindow::~ComicFrameWindow()
{
    freePage();
}

void ComicFrameWindow::freePage()
{
    image.reset();
    text.reset();
}

void ComicFrameWindow::setPage(std::unique_ptr<WGUI::ChunkedImage> i, std::unique_ptr<WGUI::TextOverlay> t)
{
    freePage();
    image = std::move(i);
    text = std::move(t);
}

void ComicFrameWindow::draw()
{
    if (image)
        image->blitAlphaRectFx(getLeft(), getTop(), static_cast<float>(getOpacity()));
    if (text)
        text->draw(getLeft(), getTop(), getOpacity());
    WGUI::Window::draw();
}

void ComicFrameWindow::transitionFinished(bool isIn)
{
    if (!isIn)
        freePage();
}

// ---- ComicWindow -------------------------------------------------------------------------------

ComicWindow::ComicWindow(PlayScreenAccess& play) : play(play)
{
    Frontend::setUpScreen(this, screenName(kScreen), 800, 600);
    setFillOutside(true);

    frameA = std::make_unique<ComicFrameWindow>();
    frameB = std::make_unique<ComicFrameWindow>();
    addWindow(frameA.get());
    addWindow(frameB.get());

    continueButton = std::make_unique<WGUI::TextButton>();
    continueButton->setText(screens::text("continue"));
    continueButton->setPixAlPos(12, 15);
    continueButton->setAlign(kAlignRight, kAlignBottom);
    continueButton->setPixWidth(100);
    continueButton->setPixHeight(30);
    continueButton->setAlwaysOnTop(true);
    continueButton->setListener(this);
    addWindow(continueButton.get());
}

ComicWindow::~ComicWindow() = default;

std::vector<ComicPageFiles> ComicWindow::pages() const
{
    return play.comicPages(gameWindow, end);
}

bool ComicWindow::exactlyOneFrameVisible() const
{
    return frameA->isVisible() != frameB->isVisible() && !frameA->getTransition() && !frameB->getTransition();
}

bool ComicWindow::contains(double x, double y)
{
    return exactlyOneFrameVisible() && WGUI::Window::contains(x, y);
}

bool ComicWindow::contains(int x, int y)
{
    return exactlyOneFrameVisible() && WGUI::Window::contains(x, y);
}

void ComicWindow::updateSelf()
{
    if (!exactlyOneFrameVisible() && WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::Window::updateSelf();
}

void ComicWindow::messageActivate()
{
    frameA->setVisible(true);
    frameB->setVisible(false);
    pageIndex = 0;
    loadComicFrame(frameA.get());
}

void ComicWindow::loadComicFrame(ComicFrameWindow* frame)
{
    frame->freePage();
    const std::vector<ComicPageFiles> list = pages();
    // A missing page leaves the frame empty; continue then leaves as on the last page.
    if (pageIndex < 0 || pageIndex >= static_cast<int>(list.size()))
        return;
    const ComicPageFiles& page = list[static_cast<size_t>(pageIndex)];
    frame->setPage(std::make_unique<WGUI::ChunkedImage>(page.chunkedFileName),
                   std::make_unique<WGUI::TextOverlay>(page.textOverlayFileName));
}

void ComicWindow::transitionFinished(bool isIn)
{
    if (!isIn)
    {
        frameA->freePage();
        frameB->freePage();
    }
}

void ComicWindow::arrive(const Arrival& arrival)
{
    if (arrival.from == Screen::kGame)
    {
        setGameWindow(arrival.sender);
        setEnd(true);
    }
    else if (arrival.from == Screen::kLevelSelect)
    {
        setGameWindow(arrival.playScreen);
        setEnd(false);
    }
}

void ComicWindow::buttonReleased(WGUI::Button* b)
{
    if (b != continueButton.get() || !exactlyOneFrameVisible())
        return;
    const int n = static_cast<int>(pages().size());
    if (n <= pageIndex + 1)
    {
        if (end)
            setCreditsTransition();
        else
            setGameTransition();
        return;
    }
    ++pageIndex;
    ComicFrameWindow* oldFrame = frameA->isVisible() ? frameA.get() : frameB.get();
    ComicFrameWindow* newFrame = oldFrame == frameA.get() ? frameB.get() : frameA.get();
    oldFrame->setTransition(makeTransition(Transition::kWaitHide, 0, 0, 0.5));
    moveChildToTop(newFrame);
    newFrame->setTransition(makeTransition(Transition::kOpacityIn, 0, 0, 0.5));
    loadComicFrame(newFrame);
}

void ComicWindow::setGameTransition()
{
    leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
    if (showScreen(gameWindow))
        play.setPaused(gameWindow, false);
}

void ComicWindow::setCreditsTransition()
{
    leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
    goToScreen(Screen::kCredits, makeTransition(Transition::kOpacityIn, 0, 0, 0.5));
}

}  // namespace Game
