// Transition: the animated showing and hiding of windows, and their chaining.
#include "wgui_transition.h"

#include <cfloat>
#include <cmath>
#include <unordered_set>

#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"
#include "wgui_window.h"

namespace WGUI
{

bool Transition::sShuttingDown = false;

namespace
{

// Every transition alive, so that a window going away can be cleared from all of them.
std::unordered_set<Transition*>& liveTransitions()
{
    static std::unordered_set<Transition*> live;
    return live;
}

}  // namespace

void Transition::forgetWindow(const Window* w)
{
    if (!w)
        return;
    for (Transition* t : liveTransitions())
    {
        if (t->window == w)
            t->window = nullptr;
        if (t->nextWindow == w)
            t->nextWindow = nullptr;
    }
}

Transition::Transition()
    : colourR(Manager::getDefaultBackR()), colourG(Manager::getDefaultBackG()),
      colourB(Manager::getDefaultBackB())
{
    liveTransitions().insert(this);
}

Transition::~Transition()
{
    liveTransitions().erase(this);
    if (nextTransition && nextWindow && !sShuttingDown && Manager::hasInstance())
    {
        handOnNext();
        return;
    }
    // No window to run it on (or nobody left to run it): the chained transition goes too.
    nextTransition.reset();
}

void Transition::handOnNext()
{
    Transition* t = nextTransition.release();
    Window* w = nextWindow;
    nextWindow = nullptr;
    Manager::instance()->addTransition(t, w);
}

void Transition::setType(int t)
{
    type = t;
    switch (t)
    {
    case kHideAtOnce:
    case kWaitHide:
    case kFadeToColour:
    case kSlideOut:
    case kOpacityOut: in = false; break;
    default: in = true; break;
    }
}

void Transition::setTotalTime(double seconds)
{
    // Never shorter than 0.05 s: progress divides by it.
    totalTime = seconds <= 0.05 || !(seconds == seconds) ? 0.05 : seconds;
}

void Transition::setNextTransition(Transition* t)
{
    if (t == nextTransition.get())
        return;
    // A chain that leads back here would hand this transition on after it is gone.
    for (const Transition* c = t; c; c = c->nextTransition.get())
        if (c == this)
            return;
    // The old one goes first, then the new one is stored.
    nextTransition.reset();
    nextTransition.reset(t);
}

void Transition::setNextTransition(std::unique_ptr<Transition> t)
{
    setNextTransition(t.release());
}

void Transition::setDone(bool d)
{
    bool turning = !done && d;
    done = d;
    if (turning && nextTransition && nextWindow && Manager::hasInstance())
        handOnNext();
}

void Transition::setWindow(Window* w)
{
    window = w;
    if (!w)
        return;
    w->setVisible(true);
    if (hasType(kOpacityIn))
        w->setOpacity(0);
    if (hasType(kSlideIn))
        w->setPixPosY(-2000);
}

double Transition::easedProgress() const
{
    double f = 0;
    switch (curve)
    {
    case 0: f = hasType(kSlideOut) ? progress * progress : std::sqrt(progress); break;
    case 1: f = progress; break;
    case 2: f = std::sqrt(progress); break;
    case 3: f = progress * progress; break;
    default: f = 0; break;
    }
    boundDouble(f, 0.0, 1.0);
    return f;
}

void Transition::update()
{
    elapsed += Timer::instance()->getDeltaT();
    progress = elapsed / totalTime;
    boundDouble(progress, 0.0, 1.0);
    if (progress >= 1)
        setDone(true);
    if (!window)
        return;
    if (firstUpdate)
    {
        startX = window->getPixPosX();
        startY = window->getPixPosY();
        firstUpdate = false;
    }
    if (hasType(kShowAtOnce) || hasType(kHideAtOnce))
    {
        setDone(true);
        return;
    }
    if (hasType(kSlideOut) || hasType(kSlideIn))
    {
        double f = easedProgress();
        // A slide in arrives at the start position; with both set, the slide in (applied
        // last) decides where the window is.
        if (hasType(kSlideIn))
            f = 1.0 - f;
        double s = getTransitionSpeed();
        window->setPixPosX(roundToInt(startX + s * cosDeg(angle) * f * totalTime));
        window->setPixPosY(roundToInt(startY - s * sinDeg(angle) * f * totalTime));
    }
    if (hasType(kOpacityIn))
        window->setOpacity(progress * window->getOpacitySelf());
    if (hasType(kOpacityOut))
        window->setOpacity(window->getOpacitySelf() - window->getOpacitySelf() * progress);
}

double Transition::getDistXToLeave() const
{
    Window* root = Manager::hasInstance() ? Manager::instance()->getRoot() : nullptr;
    double rootX = root ? root->getPixPosX() : 0;
    double rootW = root ? root->getPixWidth() : Window::getDefaultDisplayWidth();
    double w = window ? window->getPixWidth() : 0;
    if (angleIsBetweenAngles(angle, 0, 90))
        return rootX + rootW - startX;
    return rootX - (startX + w);
}

double Transition::getDistYToLeave() const
{
    Window* root = Manager::hasInstance() ? Manager::instance()->getRoot() : nullptr;
    double rootY = root ? root->getPixPosY() : 0;
    double rootH = root ? root->getPixHeight() : Window::getDefaultDisplayHeight();
    double h = window ? window->getPixHeight() : 0;
    if (angleIsBetweenAngles(angle, 90, 90))
        return rootY - (startY + h);
    return rootY + rootH - startY;
}

double Transition::getTransitionSpeed() const
{
    double dx = getDistXToLeave();
    double dy = getDistYToLeave();
    double c = cosDeg(angle);
    double s = sinDeg(angle);
    double tx = c == 0 ? DBL_MAX : std::fabs(dx / c);
    double ty = s == 0 ? DBL_MAX : std::fabs(dy / -s);
    double d;
    if (ty > tx)
        d = c == 0 ? DBL_MAX : dx / c;
    else
        d = s == 0 ? DBL_MAX : dy / s;
    return std::fabs(d / totalTime);
}

void Transition::drawOnTop()
{
    if (!window)
        return;
    double alpha;
    if (hasType(kFadeToColour))
        alpha = progress;
    else if (hasType(kFadeFromColour))
        alpha = 1.0 - progress;
    else
        return;
    double x = window->getParentPixPosX();
    double y = window->getParentPixPosY();
    Shapes::drawFillRect(x, y, x + window->getParentPixWidth(), y + window->getParentPixHeight(), colourR,
                         colourG, colourB, alpha);
}

void Transition::finish()
{
    if (!window)
        return;
    switch (type)
    {
    case kHideAtOnce:
    case kWaitHide:
    case kFadeToColour:
    case kSlideOut:
    case kOpacityOut: window->setVisible(false); break;
    default: window->setVisible(true); break;
    }
}

// ---- tooltip ----------------------------------------------------------------------------------

Tooltip::Tooltip() : text("None"), font(Fonts::getFont(0))
{
}

void Tooltip::setShow(int nx, int ny, str t)
{
    show = true;
    text = t;
    setDesiredPos(nx, ny);
}

void Tooltip::setDesiredPos(int mx, int my)
{
    int textWidth = font ? font->getStringWidth(text) : 0;
    int fontHeight = font ? font->getHeightPix() : 0;
    boxWidth = textWidth + 2 * marginX;
    boxHeight = fontHeight + 2 * marginY;
    int w = Manager::hasInstance() ? Manager::instance()->getWidth() : Window::getDefaultDisplayWidth();
    int h = Manager::hasInstance() ? Manager::instance()->getHeight() : Window::getDefaultDisplayHeight();
    x = mx > 5 ? mx : 5;
    if (x + boxWidth > w - 5)
        x = w - 5 - boxWidth;
    y = my + 35;
    if (y + boxHeight > h - 5)
        y = my - boxHeight - 6;
}

void Tooltip::draw()
{
    if (!show)
        return;
    Shapes::drawFillRect(x - 1, y - 1, x + boxWidth + 1, y + boxHeight + 1, 1, 1, 1, 1);
    if (font)
    {
        font->setColour(0, 0, 0, 1);
        font->drawStringCentered(text, x, x + boxWidth, y + marginY);
    }
    Shapes::drawRectEdge(x - 1, y - 1, x + boxWidth + 1, y + boxHeight + 1, 0, 0, 0, 1);
}

}  // namespace WGUI
