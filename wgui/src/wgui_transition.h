// Transition: an animated show or hide of one window (a fade to or from a colour over the
// parent's area, a slide along an angle, an opacity ramp, or a plain wait), optionally
// followed by a transition of another window. Tooltip: the one tooltip box, drawn by the
// manager above the window tree.
#pragma once

#include <memory>

#include "foundation/str.h"

namespace WGUI
{

class Window;
class Font;

class Transition
{
public:
    // Type codes (type and type2 share them).
    enum
    {
        kNone = 0,
        kShowAtOnce = 1,
        kHideAtOnce = 2,
        kWaitShow = 3,
        kWaitHide = 4,
        kFadeToColour = 5,
        kFadeFromColour = 6,
        kSlideOut = 7,
        kSlideIn = 8,
        kOpacityIn = 9,
        kOpacityOut = 10,
    };

    Transition();
    virtual ~Transition();
    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

    void setType(int t);
    void setType2(int t) { type2 = t; }
    void setColour(double r, double g, double b)
    {
        colourR = r;
        colourG = g;
        colourB = b;
    }
    void setAngle(double degrees) { angle = degrees; }
    void setTotalTime(double seconds);  // not above 0.05 becomes 0.05
    // Takes t, unless t's chain leads back here (t then holds this transition already).
    void setNextTransition(Transition* t);
    void setNextTransition(std::unique_ptr<Transition> t);
    void setNextWindow(Window* w) { nextWindow = w; }
    bool isIn() const { return in; }
    bool isOut() const { return !in; }
    bool isDone() const { return done; }
    void setDone(bool d);
    void setWindow(Window* w);
    void update();
    void drawOnTop();
    void finish();

    int getType() const { return type; }
    int getType2() const { return type2; }
    double getTotalTime() const { return totalTime; }
    Transition* getNextTransition() const { return nextTransition.get(); }
    Window* getNextWindow() const { return nextWindow; }

    // Pixels per second that take the window the shorter way out of the root in totalTime.
    double getTransitionSpeed() const;
    double getDistXToLeave() const;
    double getDistYToLeave() const;

    // While set (the manager is being destroyed) a transition destroyed with a chained one
    // deletes it instead of queuing it.
    static void setShuttingDown(bool s) { sShuttingDown = s; }
    // A window going away: no transition may keep it as its window or its next window.
    static void forgetWindow(const Window* w);

private:
    bool hasType(int t) const { return type == t || type2 == t; }
    double easedProgress() const;
    void handOnNext();

    Window* window = nullptr;
    std::unique_ptr<Transition> nextTransition;  // the chained transition, owned until handed on
    Window* nextWindow = nullptr;
    int type = kShowAtOnce;
    int type2 = kNone;
    int curve = 0;
    bool in = true;
    double colourR, colourG, colourB;
    double angle = 0;
    int startX = 0, startY = 0;
    bool firstUpdate = true;
    double totalTime = 1.0;
    double elapsed = 0;
    double progress = 0;
    bool done = false;

    static bool sShuttingDown;
};

class Tooltip
{
public:
    Tooltip();
    void setShow(int x, int y, str text);
    void setDesiredPos(int x, int y);
    void update() { show = false; }
    void draw();

    bool isShown() const { return show; }
    int getX() const { return x; }
    int getY() const { return y; }
    int getBoxWidth() const { return boxWidth; }
    int getBoxHeight() const { return boxHeight; }
    str getText() const { return text; }

private:
    bool show = false;
    int x = 0, y = 0;
    str text;
    int marginX = 3, marginY = 1;
    int boxWidth = 0, boxHeight = 0;
    Font* font = nullptr;
};

}  // namespace WGUI
