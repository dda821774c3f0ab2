// The credits screen: the text rising over the sketch, then the hand-over to the victory dialog.
#include "creditswindow.h"

#include <string>

#include "foundation/file.h"
#include "foundation/rect.h"
#include "frontendutil.h"
#include "services/music.h"
#include "services/navigation.h"
#include "text/textgraphic.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_misc.h"
#include "wgui_slider.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;

str CreditsWindow::readCreditsText(const str& fileName)
{
    TFile* file = qf_open(fileName.c_str(), kFileRead);
    if (!file)
        return str("");
    std::string kept;
    // Read in blocks into a bounded buffer; only 7-bit bytes are kept.
    char block[512];
    while (static_cast<int>(kept.size()) < kMaxCreditsBytes)
    {
        const unsigned long n = qf_read(file, block, sizeof block);
        if (n == 0)
            break;
        for (unsigned long i = 0; i < n && static_cast<int>(kept.size()) < kMaxCreditsBytes; ++i)
            if (static_cast<unsigned char>(block[i]) <= 127 && block[i] != 0)
                kept += block[i];
        if (n < sizeof block)
            break;
    }
    qf_close(file);
    return str(kept.c_str());
}

CreditsWindow::CreditsWindow()
{
    Frontend::setUpScreen(this, screenName(kScreen), 800, 600);

    sketchMap = WGUI::ImageMaps::get(str("goosketch"));
    sketch = std::make_unique<WGUI::Graphic>();
    sketch->setGraphic(sketchMap, 0);
    sketch->setPixAlPos(144, 44);
    sketch->setAlign(kAlignCenter, kAlignCenter);
    sketch->setOpacitySelf(0.1);
    addWindow(sketch.get());

    const str text = readCreditsText(WGUI::Pathnames::instance()->getGraphics() + str("credits.txt"));
    emptyText = text.empty();
    WGUI::Font* f = getFont();
    const str fontName = f ? f->getFontName() : str("");
    const unsigned height = f && f->getHeightPix() > 0 ? static_cast<unsigned>(f->getHeightPix()) : 17u;
    creditsText = TTextGraphic::Create(text, 800, 10000, TTextGraphic::kCenter, fontName.c_str(), height,
                                       TColor(1, 1, 1, 1));
}

CreditsWindow::~CreditsWindow()
{
    TTextGraphic::Destroy(creditsText);
}

void CreditsWindow::messageActivate()
{
    if (sketchMap)
        sketchMap->hold();
    leaving = false;
    scrollOffset = WGUI::Manager::hasInstance() ? WGUI::Manager::instance()->getHeight() : 600;
}

void CreditsWindow::messageBecomeInvisible()
{
    if (sketchMap)
        sketchMap->release();
}

void CreditsWindow::updateSelf()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::Window::updateSelf();
    scrollOffset -= WGUI::Timer::instance()->getDeltaT() * kScrollSpeed;
    if (leaving)
        return;
    // Nothing to show: hand over at once rather than scroll an empty screen.
    if (emptyText || !creditsText)
    {
        setTransitionOut();
        return;
    }
    TRect bounds;
    creditsText->GetTextBounds(&bounds, 1.0f);
    if (-static_cast<double>(bounds.bottom) > scrollOffset)
        setTransitionOut();
}

void CreditsWindow::draw()
{
    WGUI::Window::draw();
    if (!creditsText)
        return;
    const int left = getLeft();
    const int y = WGUI::roundToInt(getTop() + scrollOffset);
    creditsText->Draw(TRect(left, y, left + 10000, y + 10000), 1.0f, 0, 1.0f, nullptr);
}

void CreditsWindow::setTransitionOut()
{
    std::unique_ptr<Transition> fade = makeTransition(Transition::kFadeToColour, 0, 0, 1.0);
    // The last level's victory dialog comes in by the transition chained to this fade.
    goToScreen(Screen::kVictory, nullptr);
    chainToScreen(fade.get(), Screen::kVictory,
                  makeTransition(Transition::kOpacityIn, Transition::kSlideIn, 90, 0.5));
    leaveScreen(this, std::move(fade));
    IntroLoop::instance()->playFade(1.5);
    MusicSystem::instance()->stop(0.6);
    MusicSystem::instance()->setJukeboxOn(false);
    leaving = true;
}

}  // namespace Game
