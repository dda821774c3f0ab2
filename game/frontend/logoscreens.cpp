// The logo screens: each logo's fade and the hand-over to the main menu.
#include "logoscreens.h"

#include "frontendutil.h"
#include "services/music.h"
#include "services/navigation.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

// ---- LogoScreen -------------------------------------------------------------------------------

void LogoScreen::setImageMap(str name, int c)
{
    imageMap = WGUI::ImageMaps::get(name);
    cell = c;
}

void LogoScreen::start()
{
    if (imageMap)
    {
        // A need count far above anything else keeps the picture loaded while the logo shows.
        imageMap->setNeeded(10000);
        WGUI::ImageMaps::instance()->loadUnloadNeeded();
        if (!imageMap->isImageLoaded())
            imageMap = nullptr;
    }
    elapsed = 0;
    if (playIntroMusic)
        IntroLoop::instance()->play();
}

void LogoScreen::stop()
{
    if (imageMap)
    {
        imageMap->setNeeded(0);
        WGUI::ImageMaps::instance()->loadUnloadNeeded();
    }
}

void LogoScreen::update()
{
    elapsed += WGUI::Timer::instance()->getDeltaT();
    const double f = fadeInTime, s = showTime, o = fadeOutTime;
    if (elapsed < f)
        alpha = elapsed / f;
    else if (elapsed < f + s)
        alpha = 1.0;
    else if (elapsed < f + s + o)
        alpha = (f + s + o - elapsed) / o;
    else
        alpha = 0.0;
    WGUI::boundDouble(alpha, 0.0, 1.0);
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack(0, 0, 0);
}

bool LogoScreen::isDone() const
{
    return !imageMap || elapsed >= fadeInTime + showTime + fadeOutTime;
}

void LogoScreen::draw()
{
    if (!imageMap || !WGUI::Manager::hasInstance())
        return;
    WGUI::Manager* manager = WGUI::Manager::instance();
    imageMap->setCell(cell);
    // Centred by the declared size of the whole picture.
    const int x = (manager->getWidth() - imageMap->getWidth()) / 2;
    const int y = (manager->getHeight() - imageMap->getHeight()) / 2;
    imageMap->blitAlphaRectFx(x, y, 0.0f, 1.0f, static_cast<float>(alpha), false, false);
}

// ---- LogoScreens ------------------------------------------------------------------------------

LogoScreens::LogoScreens()
{
    Frontend::setUpScreen(this, screenName(kScreen), 800, 600);
    setSpriteLeft(-400);
    setSpriteRight(400);
    setSpriteTop(-300);
    setSpriteBottom(300);

    auto logo = std::make_unique<LogoScreen>();
    logo->setImageMap("wombixlogo", 0);
    logo->setFadeInTime(0.5);
    logo->setShowTime(3.0);
    logo->setFadeOutTime(0.5);
    logo->setPlayIntroMusic(true);
    logos.push_back(std::move(logo));
}

LogoScreens::~LogoScreens() = default;

void LogoScreens::messageBecomeVisible()
{
    current = 0;
    if (!logos.empty())
        logos[0]->start();
}

void LogoScreens::messageBecomeInvisible()
{
    if (LogoScreen* logo = getLogo(current))
        logo->stop();
}

void LogoScreens::messageMouseReleased(int x, int y, int button)
{
    mouseReleased = true;
    WGUI::Window::messageMouseReleased(x, y, button);
}

void LogoScreens::updateSelf()
{
    if (mouseReleased && !getTransition())
        transitionToMainMenu();

    if (LogoScreen* logo = getLogo(current))
    {
        logo->update();
        if (logo->isDone())
        {
            if (current + 1 < getNumLogos())
            {
                logo->stop();
                ++current;
                logos[current]->start();
            }
            else if (!getTransition())
            {
                transitionToMainMenu();
            }
        }
    }
    WGUI::Window::updateSelf();
}

void LogoScreens::transitionToMainMenu()
{
    IntroLoop::instance()->play();
    std::unique_ptr<WGUI::Transition> hide =
        makeTransition(WGUI::Transition::kHideAtOnce, WGUI::Transition::kNone, 0, 0.0);
    chainToScreen(hide.get(), Screen::kMainMenu,
                  makeTransition(WGUI::Transition::kFadeFromColour, WGUI::Transition::kNone, 0, 0.5));
    leaveScreen(this, std::move(hide));
}

void LogoScreens::draw()
{
    if (LogoScreen* logo = getLogo(current))
        logo->draw();
    WGUI::Window::draw();
}

}  // namespace Game
