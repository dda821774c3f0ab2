// Window: the tree, layout, transitions, hit testing and message routing of every screen and widget.
#include "wgui_window.h"

#include <algorithm>

#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace WGUI
{

int Window::sDisplayWidth = 800;
int Window::sDisplayHeight = 600;

void Window::setDefaultDisplaySize(int width, int height)
{
    sDisplayWidth = width;
    sDisplayHeight = height;
}

namespace
{

int screenWidth()
{
    return Manager::hasInstance() ? Manager::instance()->getWidth() : Window::getDefaultDisplayWidth();
}

int screenHeight()
{
    return Manager::hasInstance() ? Manager::instance()->getHeight() : Window::getDefaultDisplayHeight();
}

}  // namespace

Window::Window()
    : spriteLeft(-(sDisplayWidth / 2)), spriteRight(sDisplayWidth / 2), spriteTop(-(sDisplayHeight / 2)),
      spriteBottom(sDisplayHeight / 2), tooltipText("None"), font(Fonts::getFont(0))
{
}

Window::~Window()
{
    transition.reset();
    // Children are not owned, but must not keep pointing at a parent that is gone; and a
    // parent must not keep a deleted child in its list.
    for (Window* child : children)
        if (child->parent == this)
            child->parent = nullptr;
    children.clear();
    ++childEdits;
    if (parent)
        parent->removeWindow(this);
    // A transition queued for this window must not be attached to it later, and no chained
    // transition may still name it.
    if (Manager::hasInstance())
        Manager::instance()->forgetWindow(this);
    Transition::forgetWindow(this);
}

// ---- coordinates ------------------------------------------------------------------------------

int Window::virtToPixX(double v) const
{
    return pixClamp(roundToInt(parentPixWidth * v));
}
int Window::virtToPixY(double v) const
{
    return pixClamp(roundToInt(parentPixHeight * v));
}
int Window::virtToPixWidth(double v) const
{
    return pixClamp(roundToInt(parentPixWidth * v));
}
int Window::virtToPixHeight(double v) const
{
    return pixClamp(roundToInt(parentPixHeight * v));
}
double Window::pixToVirtX(int p) const
{
    return static_cast<double>(p) / parentPixWidth;
}
double Window::pixToVirtY(int p) const
{
    return static_cast<double>(p) / parentPixHeight;
}
double Window::pixToVirtWidth(int p) const
{
    return static_cast<double>(p) / parentPixWidth;
}
double Window::pixToVirtHeight(int p) const
{
    return static_cast<double>(p) / parentPixHeight;
}
int Window::curVirtToPixX(double v) const
{
    return pixClamp(roundToInt(pixWidth * v));
}
int Window::curVirtToPixY(double v) const
{
    return pixClamp(roundToInt(pixHeight * v));
}
int Window::curVirtToPixWidth(double v) const
{
    return pixClamp(roundToInt(pixWidth * v));
}
int Window::curVirtToPixHeight(double v) const
{
    return pixClamp(roundToInt(pixHeight * v));
}
double Window::curPixToVirtX(int p) const
{
    return static_cast<double>(p) / pixWidth;
}
double Window::curPixToVirtY(int p) const
{
    return static_cast<double>(p) / pixHeight;
}
double Window::curPixToVirtWidth(int p) const
{
    return static_cast<double>(p) / pixWidth;
}
double Window::curPixToVirtHeight(int p) const
{
    return static_cast<double>(p) / pixHeight;
}

double Window::spriteToScreenX(double s) const
{
    return (s - spriteLeft) / (spriteRight - spriteLeft) * pixWidth + getLeft();
}

double Window::spriteToScreenY(double s) const
{
    return (s - spriteTop) / (spriteBottom - spriteTop) * pixHeight + getTop();
}

double Window::spriteToScreenWidth(double s) const
{
    return s / (spriteRight - spriteLeft) * pixWidth;
}

double Window::spriteToScreenHeight(double s) const
{
    return s / (spriteBottom - spriteTop) * pixHeight;
}

double Window::screenToSpriteX(double p) const
{
    return (p - getLeft()) * (spriteRight - spriteLeft) / pixWidth + spriteLeft;
}

double Window::screenToSpriteY(double p) const
{
    return (p - getTop()) * (spriteBottom - spriteTop) / pixHeight + spriteTop;
}

Vector2d Window::getMouseSpritePos() const
{
    int mx = Manager::hasInstance() ? Manager::instance()->getMouseX() : 0;
    int my = Manager::hasInstance() ? Manager::instance()->getMouseY() : 0;
    return Vector2d(screenToSpriteX(mx), screenToSpriteY(my));
}

// ---- setters ----------------------------------------------------------------------------------

void Window::setVirtPos(double x, double y)
{
    virtPosX = x;
    virtPosY = y;
    pixPosX = virtToPixX(x);
    pixPosY = virtToPixY(y);
}

void Window::setPixPosX(int p)
{
    pixPosX = pixClamp(p);
    virtPosX = pixToVirtX(p);
}

void Window::setPixPosY(int p)
{
    pixPosY = pixClamp(p);
    virtPosY = pixToVirtY(p);
}

void Window::setVirtSize(double w, double h)
{
    setVirtWidth(w);
    setVirtHeight(h);
}

void Window::setVirtWidth(double w)
{
    naturalSize = false;
    virtWidth = w;
    pixWidth = virtToPixWidth(w);
}

void Window::setVirtHeight(double h)
{
    naturalSize = false;
    virtHeight = h;
    pixHeight = virtToPixHeight(h);
}

void Window::setPixSize(int w, int h)
{
    setPixWidth(w);
    setPixHeight(h);
}

void Window::setPixWidth(int w)
{
    naturalSize = false;
    pixWidth = pixClamp(w);
    virtWidth = pixToVirtWidth(w);
}

void Window::setPixHeight(int h)
{
    naturalSize = false;
    pixHeight = pixClamp(h);
    virtHeight = pixToVirtHeight(h);
}

void Window::setVirtAlPos(double x, double y)
{
    setVirtAlPosX(x);
    setVirtAlPosY(y);
}

void Window::setVirtAlPosX(double x)
{
    alignedVirtX = x;
    alignedPixX = virtToPixX(x);
}

void Window::setVirtAlPosY(double y)
{
    alignedVirtY = y;
    alignedPixY = virtToPixY(y);
}

void Window::setPixAlPos(int x, int y)
{
    setPixAlPosX(x);
    setPixAlPosY(y);
}

void Window::setPixAlPosX(int x)
{
    alignedPixX = pixClamp(x);
    alignedVirtX = pixToVirtX(alignedPixX);
}

void Window::setPixAlPosY(int y)
{
    alignedPixY = pixClamp(y);
    alignedVirtY = pixToVirtY(alignedPixY);
}

void Window::setCenterX()
{
    setPixAlPosX(pixClamp((static_cast<long long>(screenWidth()) - pixWidth) / 2));
}

void Window::setCenterY()
{
    setPixAlPosY(pixClamp((static_cast<long long>(screenHeight()) - pixHeight) / 2));
}

void Window::setOpacitySelf(double o)
{
    boundDouble(o, 0.0, 1.0);
    opacitySelf = o;
}

void Window::setOpacity(double o)
{
    boundDouble(o, 0.0, 1.0);
    opacity = o;
}

void Window::setFont(int n)
{
    setFont(Fonts::getFont(n));
}

// ---- tree -------------------------------------------------------------------------------------

void Window::addWindow(Window* w)
{
    // A window cannot hold itself or one of its ancestors: the tree would become a cycle.
    for (const Window* a = this; a; a = a->parent)
        if (a == w)
            return;
    if (!w)
        return;
    // A window has one place in one list.
    if (w->parent && w->parent != this)
        w->parent->removeWindow(w);
    children.remove(w);
    ++childEdits;
    addToTop(w);
    w->setParent(this);
}

void Window::addToTop(Window* w)
{
    if (!w)
        return;
    ++childEdits;
    if (w->isAlwaysOnTop())
    {
        children.push_front(w);
        return;
    }
    auto it = std::find_if(children.begin(), children.end(), [](Window* c) { return !c->isAlwaysOnTop(); });
    children.insert(it, w);
}

void Window::removeWindow(Window* w)
{
    if (!w)
        return;
    children.remove(w);
    ++childEdits;
    toTopQueue.remove(w);
    if (w->parent == this)
        w->setParent(nullptr);
}

void Window::moveChildToTop(Window* w)
{
    if (!w || !stillChild(w))
        return;
    children.remove(w);
    ++childEdits;
    addToTop(w);
}

void Window::moveChildToTopMes(Window* w)
{
    toTopQueue.push_back(w);
}

void Window::moveChildToTopMes(str n)
{
    toTopQueue.push_back(getChild(n));
}

void Window::processChildToTopMes()
{
    while (!toTopQueue.empty())
    {
        Window* w = toTopQueue.front();
        toTopQueue.pop_front();
        moveChildToTop(w);
    }
}

Window* Window::getChild(str n) const
{
    for (Window* child : children)
        if (child->getName() == n)
            return child;
    return nullptr;
}

bool Window::setChildVisible(str n, bool v)
{
    Window* child = getChild(n);
    if (!child)
        return false;
    child->setVisible(v);
    return true;
}

Window::ChildSnapshot::ChildSnapshot(const Window* owner) : owner(owner), edits(owner->childEdits)
{
    if (owner->snapshotDepth == owner->snapshotBuffers.size())
        owner->snapshotBuffers.push_back(std::make_unique<std::vector<Window*>>());
    items = owner->snapshotBuffers[owner->snapshotDepth++].get();
    items->assign(owner->children.begin(), owner->children.end());
}

Window::ChildSnapshot::~ChildSnapshot()
{
    --owner->snapshotDepth;
}

bool Window::stillChild(const Window* w) const
{
    // The list is searched first: a window deleted during the walk is no longer in it, and
    // must not be looked at.
    return w && std::find(children.begin(), children.end(), w) != children.end() && w->parent == this;
}

// ---- hit testing ------------------------------------------------------------------------------

bool Window::dontCheckContains()
{
    return (parent && parent->getTransition()) || !visible || transition;
}

bool Window::contains(double x, double y)
{
    if (dontCheckContains())
        return false;
    return virtPosX <= x && x < virtPosX + virtWidth && virtPosY <= y && y < virtPosY + virtHeight;
}

bool Window::contains(int x, int y)
{
    if (dontCheckContains())
        return false;
    return pixPosX <= x && x < pixPosX + pixWidth && pixPosY <= y && y < pixPosY + pixHeight;
}

bool Window::someChildContains(int x, int y)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    for (Window* child : childSnapshot())
        if (stillChild(child) && child->contains(cx, cy))
            return true;
    return false;
}

bool Window::someChildIsActive()
{
    for (Window* child : children)
        if (child->isActive())
            return true;
    return false;
}

Window* Window::childAt(int cx, int cy)
{
    for (Window* child : childSnapshot())
        if (stillChild(child) && child->contains(cx, cy))
            return child;
    return nullptr;
}

// ---- transitions ------------------------------------------------------------------------------

void Window::setTransition(Transition* t)
{
    if (t == transition.get())
        return;  // already running: deleting it would leave a dangling pointer
    // The old one goes first, then the new one is stored.
    transition.reset();
    transition.reset(t);
    if (inTransitionFinished)
        transitionReplaced = true;
    if (t)
        t->setWindow(this);
}

void Window::setTransition(std::unique_ptr<Transition> t)
{
    setTransition(t.release());
}

// ---- update -----------------------------------------------------------------------------------

void Window::update()
{
    wasActive = active;
    wasVisible = visible;
    if (!visible)
        return;
    updateSelf();
    updateChildren();
    processChildToTopMes();
}

void Window::updateChildren()
{
    ChildSnapshot walk = childSnapshot();
    for (auto it = walk.rbegin(); it != walk.rend(); ++it)
        if (walk.holds(*it))
            (*it)->update();
}

void Window::calcAlignCoord()
{
    if (useVirtCoordPosX)
        alignedPixX = virtToPixX(alignedVirtX);
    else
        alignedVirtX = pixToVirtX(alignedPixX);
    if (useVirtCoordPosY)
        alignedPixY = virtToPixY(alignedVirtY);
    else
        alignedVirtY = pixToVirtY(alignedPixY);

    if (useVirtCoordDimW)
        pixWidth = virtToPixWidth(virtWidth);
    else
        virtWidth = pixToVirtWidth(pixWidth);
    if (useVirtCoordDimH)
        pixHeight = virtToPixHeight(virtHeight);
    else
        virtHeight = pixToVirtHeight(pixHeight);

    switch (alignH)
    {
    case kAlignLeft:
        virtPosX = alignedVirtX;
        pixPosX = alignedPixX;
        break;
    case kAlignRight:
        virtPosX = 1.0 - virtWidth - alignedVirtX;
        pixPosX = pixClamp(static_cast<long long>(parentPixWidth) - pixWidth - alignedPixX);
        break;
    case kAlignCenter:
        virtPosX = (1.0 - virtWidth) * 0.5;
        pixPosX = roundToInt((static_cast<double>(parentPixWidth) - pixWidth) * 0.5);
        break;
    default: break;
    }
    switch (alignV)
    {
    case kAlignTop:
        virtPosY = alignedVirtY;
        pixPosY = alignedPixY;
        break;
    case kAlignBottom:
        virtPosY = 1.0 - virtHeight - alignedVirtY;
        pixPosY = pixClamp(static_cast<long long>(parentPixHeight) - pixHeight - alignedPixY);
        break;
    case kAlignCenter:
        virtPosY = (1.0 - virtHeight) * 0.5;
        pixPosY = roundToInt((static_cast<double>(parentPixHeight) - pixHeight) * 0.5);
        break;
    default: break;
    }
}

void Window::calcOpacity()
{
    double o = opacityParent * opacitySelf;
    boundDouble(o, 0.0, 1.0);
    opacity = o;
}

void Window::updateSelf()
{
    if (mouseDownIn)
        mouseDownTime += Timer::instance()->getDeltaT();
    if (parent)
    {
        parentPixPosX = parent->getAbsPixPosX();
        parentPixPosY = parent->getAbsPixPosY();
        parentPixWidth = parent->getPixWidth();
        parentPixHeight = parent->getPixHeight();
        opacityParent = parent->getOpacity();
    }
    calcAlignCoord();
    calcOpacity();
    if (useVirtCoordPosX)
        pixPosX = virtToPixX(virtPosX);
    else
        virtPosX = pixToVirtX(pixPosX);
    if (useVirtCoordPosY)
        pixPosY = virtToPixY(virtPosY);
    else
        virtPosY = pixToVirtY(pixPosY);

    updateTooltip();
    drawTooltip();

    if (!transition)
        return;
    if (!transition->isDone())
    {
        transition->update();
        return;
    }
    // finish() changes the visibility (whose hooks may run screen code) and transitionFinished
    // may install a new transition; either replaces the finished one through setTransition,
    // which deletes it. transitionFinished runs either way; only a transition nobody replaced
    // is deleted here.
    Transition* finished = transition.get();
    bool wasIn = finished->isIn();
    inTransitionFinished = true;
    transitionReplaced = false;
    finished->finish();
    transitionFinished(wasIn);
    inTransitionFinished = false;
    if (!transitionReplaced)
    {
        transition.reset();
    }
    transitionReplaced = false;
}

// ---- tooltip ----------------------------------------------------------------------------------

void Window::updateTooltip()
{
    if (tooltipOn && tooltipTiming)
    {
        tooltipTime += Timer::instance()->getDeltaT();
        if (tooltipTime > 0.7)
        {
            if (!tooltipShowing)
            {
                tooltipPosX = mouseX;
                tooltipPosY = mouseY;
            }
            tooltipShowing = true;
        }
        return;
    }
    tooltipShowing = false;
}

void Window::drawTooltip()
{
    if (!tooltipShowing || !Manager::hasInstance())
        return;
    int x = relToAbsX(pixCurToParX(curVirtToPixX(tooltipPosX)));
    int y = relToAbsY(pixCurToParY(curVirtToPixY(tooltipPosY)));
    if (Tooltip* tip = Manager::instance()->getTooltip())
        tip->setShow(x, y, tooltipText);
}

// ---- draw -------------------------------------------------------------------------------------

void Window::draw()
{
    if (!visible || !wasVisible)
        return;
    ChildSnapshot walk = childSnapshot();
    for (auto it = walk.rbegin(); it != walk.rend(); ++it)
    {
        Window* child = *it;
        if (walk.holds(child) && child->isVisible() && child->getWasVisible())
            child->draw();
    }
    drawBetweenWindowAndTransition();
    if (fillOutside)
    {
        int w = screenWidth();
        int h = screenHeight();
        if (pixWidth < w || pixHeight < h)
            Shapes::drawRectCutOut(0, 0, w, h, getLeft(), getTop(), getRight(), getBottom(),
                                   Manager::getDefaultBackR(), Manager::getDefaultBackG(),
                                   Manager::getDefaultBackB(), opacity);
    }
    if (transition)
        transition->drawOnTop();
}

// ---- mouse ------------------------------------------------------------------------------------

void Window::enterExitChildren(int cx, int cy, int button)
{
    Window* hit = childAt(cx, cy);
    if (hit && !hit->isMouseOver())
        hit->messageMouseEnter(cx, cy, button);
    for (Window* child : childSnapshot())
        if (child != hit && stillChild(child) && child->isMouseOver())
            child->messageMouseExit(cx, cy, button);
}

void Window::messageMouseMove(int x, int y, int button, bool moved)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseX = curPixToVirtX(cx);
    mouseY = curPixToVirtY(cy);
    Window* hit = childAt(cx, cy);
    if (hit)
    {
        bool wasOver = hit->isMouseOver();
        hit->messageMouseMove(cx, cy, button, moved);
        if (!wasOver && stillChild(hit))
            hit->messageMouseEnter(cx, cy, button);
    }
    for (Window* child : childSnapshot())
        if (child != hit && stillChild(child) && child->isMouseOver())
            child->messageMouseExit(cx, cy, button);
}

void Window::messageMouseDrag(int x, int y, int button, bool moved)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseX = curPixToVirtX(cx);
    mouseY = curPixToVirtY(cy);
    for (Window* child : childSnapshot())
        if (stillChild(child) && child->isMouseDownIn())
            child->messageMouseDrag(cx, cy, button, moved);
    enterExitChildren(cx, cy, button);
}

void Window::messageMouseEnter(int /*x*/, int /*y*/, int button)
{
    mouseOver = true;
    if (button == 0)
        startTooltipTimer();
}

void Window::messageMouseExit(int x, int y, int button)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseOver = false;
    resetTooltipTimer();
    for (Window* child : childSnapshot())
        if (stillChild(child) && child->isMouseOver())
            child->messageMouseExit(cx, cy, button);
}

void Window::messageMousePressed(int x, int y, int button)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseDownIn = true;
    mouseDownTime = 0;
    resetTooltipTimer();
    Window* hit = nullptr;
    for (Window* child : childSnapshot())
    {
        if (!stillChild(child))
            continue;
        if (!hit && child->contains(cx, cy))
        {
            hit = child;
            child->messageMousePressed(cx, cy, button);
            if (stillChild(child))
                child->setActive(true);
        }
        else
        {
            child->setActive(false);
        }
    }
    if (hit && stillChild(hit) && hit->mouseMoveToTop)
        moveChildToTop(hit);
}

void Window::messageMouseReleased(int x, int y, int button)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseDownIn = false;
    mouseDownTime = 0;
    releaseIterate(cx, cy, button);
}

void Window::messageMouseReleasedOut(int x, int y, int button)
{
    // Converted like every other message, so that windows below the root test their children
    // in their own pixels (the root sits at 0, 0, where nothing changes).
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    mouseDownIn = false;
    mouseDownTime = 0;
    releaseIterate(cx, cy, button);
}

void Window::releaseIterate(int x, int y, int button)
{
    bool taken = false;
    for (Window* child : childSnapshot())
    {
        if (!stillChild(child))
            continue;
        if (child->contains(x, y))
        {
            if (!child->isMouseDownIn() && !taken)
            {
                child->messageMouseDrop(x, y, button);
                taken = true;
            }
            else if (child->isMouseDownIn() && taken)
            {
                child->messageMouseReleasedOut(x, y, button);
            }
            else if (child->isMouseDownIn() && !taken)
            {
                child->messageMouseReleased(x, y, button);
                taken = true;
            }
        }
        if (stillChild(child) && child->isMouseDownIn())
            child->messageMouseReleasedOut(x, y, button);
    }
}

void Window::messageMouseDrop(int x, int y, int button)
{
    int cx = pixParToCurX(x);
    int cy = pixParToCurY(y);
    if (Window* hit = childAt(cx, cy))
        hit->messageMouseDrop(cx, cy, button);
}

void Window::messageCallback(WEvent& e)
{
    for (Window* child : childSnapshot())
        if (stillChild(child) && child->getWasActive() && child->isVisible() && !child->getTransition())
            child->messageCallback(e);
}

// ---- state ------------------------------------------------------------------------------------

void Window::setActive(bool a)
{
    if (a)
    {
        if (!active)
            messageActivate();
        active = true;
        return;
    }
    if (active)
    {
        if (!alwaysActive)
            messageDeactivate();
        ChildSnapshot walk = childSnapshot();
        for (auto it = walk.rbegin(); it != walk.rend(); ++it)
            if (stillChild(*it))
                (*it)->setActive(false);
    }
    active = alwaysActive;
}

void Window::setAlwaysActive(bool b)
{
    alwaysActive = b;
    setActive(b);
}

void Window::setVisible(bool v)
{
    if (v && !visible)
        messageBecomeVisible();
    else if (!v && visible)
        messageBecomeInvisible();
    visible = v;
}

}  // namespace WGUI
