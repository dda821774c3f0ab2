// Window: the base of every screen and widget. Windows form a tree under the manager's root;
// each keeps its position and size both in pixels and in virtual units (fractions of the
// parent's pixel size), aligns itself inside its parent, carries an opacity that multiplies
// down the tree, a tooltip, and at most one running transition.
//
// The child list's front is the topmost child. Update and draw walk it back to front; mouse
// messages and messageCallback walk it front to back. Children are not owned.
// Listener: the callback interface of widgets.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "foundation/str.h"
#include "wgui_vector2d.h"

namespace WGUI
{

class Font;
class Transition;
class WEvent;
class Button;
class TextInput;
class Slider;
class Animation;

// Pixel values are kept within +-2^28, far beyond any display, so that sums of a few of them
// never overflow an int, whatever sizes (a zero-sized parent, say) the arithmetic meets.
inline int pixClamp(long long v)
{
    const long long kLimit = 1LL << 28;
    return static_cast<int>(v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v));
}

class Window
{
public:
    // Alignment codes: horizontal 0 left, 1 right, 4 centre; vertical 2 top, 3 bottom, 4 centre.
    enum
    {
        kAlignLeft = 0,
        kAlignRight = 1,
        kAlignTop = 2,
        kAlignBottom = 3,
        kAlignCenter = 4
    };

    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Coordinate conversions: virt/pix against the parent's pixel size, cur* against the own.
    virtual int virtToPixX(double v) const;
    virtual int virtToPixY(double v) const;
    virtual int virtToPixWidth(double v) const;
    virtual int virtToPixHeight(double v) const;
    virtual double pixToVirtX(int p) const;
    virtual double pixToVirtY(int p) const;
    virtual double pixToVirtWidth(int p) const;
    virtual double pixToVirtHeight(int p) const;
    virtual int curVirtToPixX(double v) const;
    virtual int curVirtToPixY(double v) const;
    virtual int curVirtToPixWidth(double v) const;
    virtual int curVirtToPixHeight(double v) const;
    virtual double curPixToVirtX(int p) const;
    virtual double curPixToVirtY(int p) const;
    virtual double curPixToVirtWidth(int p) const;
    virtual double curPixToVirtHeight(int p) const;
    virtual int pixParToCurX(int p) const { return pixClamp(static_cast<long long>(p) - pixPosX); }
    virtual int pixParToCurY(int p) const { return pixClamp(static_cast<long long>(p) - pixPosY); }
    virtual int pixCurToParX(int p) const { return pixClamp(static_cast<long long>(pixPosX) + p); }
    virtual int pixCurToParY(int p) const { return pixClamp(static_cast<long long>(pixPosY) + p); }
    virtual int relToAbsX(int p) const { return pixClamp(static_cast<long long>(parentPixPosX) + p); }
    virtual int relToAbsY(int p) const { return pixClamp(static_cast<long long>(parentPixPosY) + p); }
    virtual int getAbsPixPosX() const { return relToAbsX(pixPosX); }
    virtual int getAbsPixPosY() const { return relToAbsY(pixPosY); }

    // Position and tree.
    virtual void setVirtPos(double x, double y);
    virtual void setPixPosX(int p);
    virtual void setPixPosY(int p);
    virtual void setParent(Window* p) { parent = p; }
    virtual void addToTop(Window* w);
    virtual void setFillOutside(bool f) { fillOutside = f; }
    virtual bool contains(double x, double y);
    virtual bool contains(int x, int y);
    virtual bool dontCheckContains();
    virtual bool someChildContains(int x, int y);
    virtual bool someChildIsActive();
    virtual void transitionFinished(bool /*wasIn*/) {}
    virtual void moveChildToTop(Window* w);
    virtual void updateSelf();
    virtual void updateChildren();

    // Geometry setters and getters.
    virtual void setParentPixPos(int x, int y)
    {
        parentPixPosX = pixClamp(x);
        parentPixPosY = pixClamp(y);
    }
    virtual void setParentPixSize(int w, int h)
    {
        parentPixWidth = pixClamp(w);
        parentPixHeight = pixClamp(h);
    }
    virtual void setVirtSize(double w, double h);
    virtual void setVirtWidth(double w);
    virtual void setVirtHeight(double h);
    virtual void setPixSize(int w, int h);
    virtual void setPixWidth(int w);
    virtual void setPixHeight(int h);
    virtual void setVirtAlPos(double x, double y);
    virtual void setVirtAlPosX(double x);
    virtual void setVirtAlPosY(double y);
    virtual void setPixAlPos(int x, int y);
    virtual void setPixAlPosX(int x);
    virtual void setPixAlPosY(int y);
    virtual void setCenterX();
    virtual void setCenterY();
    virtual int getPixPosX() const { return pixPosX; }
    virtual int getPixPosY() const { return pixPosY; }
    virtual int getPixWidth() const { return pixWidth; }
    virtual int getPixHeight() const { return pixHeight; }
    virtual int getParentPixPosX() const { return parentPixPosX; }
    virtual int getParentPixPosY() const { return parentPixPosY; }
    virtual int getParentPixWidth() const { return parentPixWidth; }
    virtual int getParentPixHeight() const { return parentPixHeight; }
    virtual double getVirtPosX() const { return virtPosX; }
    virtual double getVirtPosY() const { return virtPosY; }
    virtual double getVirtWidth() const { return virtWidth; }
    virtual double getVirtHeight() const { return virtHeight; }
    virtual int getLeft() const { return getAbsPixPosX(); }
    virtual int getRight() const { return pixClamp(static_cast<long long>(getLeft()) + pixWidth); }
    virtual int getTop() const { return getAbsPixPosY(); }
    virtual int getBottom() const { return pixClamp(static_cast<long long>(getTop()) + pixHeight); }

    // Sprite coordinate frame mapped onto the window.
    virtual void setSpriteLeft(double v) { spriteLeft = v; }
    virtual void setSpriteRight(double v) { spriteRight = v; }
    virtual void setSpriteTop(double v) { spriteTop = v; }
    virtual void setSpriteBottom(double v) { spriteBottom = v; }
    virtual double getSpriteLeft() const { return spriteLeft; }
    virtual double getSpriteRight() const { return spriteRight; }
    virtual double getSpriteTop() const { return spriteTop; }
    virtual double getSpriteBottom() const { return spriteBottom; }
    virtual double spriteToScreenX(double s) const;
    virtual double spriteToScreenY(double s) const;
    virtual double spriteToScreenWidth(double s) const;
    virtual double spriteToScreenHeight(double s) const;
    virtual double screenToSpriteX(double p) const;
    virtual double screenToSpriteY(double p) const;
    virtual Vector2d getMouseSpritePos() const;

    // Opacity: opacity = clamp(parent's opacity x own factor).
    virtual void setOpacitySelf(double o);
    virtual double getOpacitySelf() const { return opacitySelf; }
    virtual void setOpacity(double o);
    virtual double getOpacity() const { return opacity; }

    // Tooltip.
    virtual void startTooltipTimer() { tooltipTiming = true; }
    virtual void resetTooltipTimer()
    {
        tooltipTiming = false;
        tooltipTime = 0;
    }
    virtual void updateTooltip();
    virtual void drawTooltip();
    virtual void setTooltip(bool on, str text)
    {
        tooltipOn = on;
        tooltipText = text;
    }

    virtual Font* getFont() const { return font; }
    virtual void setFont(Font* f) { font = f; }
    virtual void setFont(int n);
    virtual void setUseVirtCoordPos(bool x, bool y)
    {
        useVirtCoordPosX = x;
        useVirtCoordPosY = y;
    }
    virtual void setUseVirtCoordDim(bool w, bool h)
    {
        useVirtCoordDimW = w;
        useVirtCoordDimH = h;
    }
    virtual void setAlign(int h, int v)
    {
        alignH = h;
        alignV = v;
    }
    virtual void setMouseMoveToTop(bool b) { mouseMoveToTop = b; }

    // Children.
    virtual void addWindow(Window* w);
    virtual void removeWindow(Window* w);
    virtual void moveChildToTopMes(Window* w);
    virtual void moveChildToTopMes(str name);
    virtual void processChildToTopMes();

    // Transition slot (owned). The second form takes a transition handed over by its maker.
    virtual void setTransition(Transition* t);
    void setTransition(std::unique_ptr<Transition> t);
    virtual Transition* getTransition() const { return transition.get(); }
    virtual void drawBetweenWindowAndTransition() {}

    virtual void update();
    virtual void draw();

    // Mouse messages: (x, y) in the parent's pixels; button 1 for the left button, 0 for none.
    virtual void messageMouseMove(int x, int y, int button, bool moved);
    virtual void messageMouseDrag(int x, int y, int button, bool moved);
    virtual void messageMouseEnter(int x, int y, int button);
    virtual void messageMouseExit(int x, int y, int button);
    virtual void messageMousePressed(int x, int y, int button);
    virtual void messageMouseReleased(int x, int y, int button);
    virtual void messageMouseReleasedOut(int x, int y, int button);
    virtual void releaseIterate(int x, int y, int button);
    virtual void messageMouseDrop(int x, int y, int button);
    virtual void messageActivate() {}
    virtual void messageDeactivate() {}
    virtual void messageBecomeVisible() {}
    virtual void messageBecomeInvisible() {}
    virtual void messageCallback(WEvent& e);

    virtual bool isMouseDownIn() const { return mouseDownIn; }
    virtual void setActive(bool a);
    virtual bool isActive() const { return active; }
    virtual void setVisible(bool v);
    virtual bool isVisible() const { return visible; }
    virtual void setAlwaysOnTop(bool b) { alwaysOnTop = b; }
    virtual bool isAlwaysOnTop() const { return alwaysOnTop; }
    virtual void setAlwaysActive(bool b);
    virtual bool isAlwaysActive() const { return alwaysActive; }
    virtual void setName(str n) { name = n; }
    virtual str getName() const { return name; }
    virtual Window* getChild(str n) const;
    virtual bool setChildVisible(str n, bool v);
    virtual void calcAlignCoord();
    virtual void calcOpacity();
    virtual void calcMessage() {}

    // Plain accessors.
    Window* getParent() const { return parent; }
    const std::list<Window*>& getChildren() const { return children; }
    bool isMouseOver() const { return mouseOver; }
    bool getWasActive() const { return wasActive; }
    bool getWasVisible() const { return wasVisible; }
    double getMouseX() const { return mouseX; }
    double getMouseY() const { return mouseY; }
    bool isNaturalSize() const { return naturalSize; }
    bool isTooltipShowing() const { return tooltipShowing; }
    double getTooltipTime() const { return tooltipTime; }
    str getTooltipText() const { return tooltipText; }
    int getAlignH() const { return alignH; }
    int getAlignedPixX() const { return alignedPixX; }
    int getAlignedPixY() const { return alignedPixY; }

    // The sprite frame a new window starts with is the display size halved each way; the
    // manager (and the game's options) set that size.
    static void setDefaultDisplaySize(int width, int height);
    static int getDefaultDisplayWidth() { return sDisplayWidth; }
    static int getDefaultDisplayHeight() { return sDisplayHeight; }

protected:
    // The first child from the front that contains the parent-pixel point (x, y) converted to
    // own pixels; null if none.
    Window* childAt(int cx, int cy);
    // A snapshot of the children, so a walk survives children being added or removed by the
    // calls it makes; entries no longer under this window are skipped by the walkers. The copy
    // goes into a buffer the window keeps for the next walk, one per walk in progress (a call a
    // walk makes may start another walk of the same window), so a frame's walks allocate
    // nothing once the buffers have grown to the child list.
    class ChildSnapshot
    {
    public:
        explicit ChildSnapshot(const Window* owner);
        ~ChildSnapshot();
        ChildSnapshot(const ChildSnapshot&) = delete;
        ChildSnapshot& operator=(const ChildSnapshot&) = delete;
        std::vector<Window*>::const_iterator begin() const { return items->begin(); }
        std::vector<Window*>::const_iterator end() const { return items->end(); }
        std::vector<Window*>::const_reverse_iterator rbegin() const { return items->rbegin(); }
        std::vector<Window*>::const_reverse_iterator rend() const { return items->rend(); }
        // stillChild for an entry of this snapshot: while the child list is as it was when the
        // snapshot was taken, every entry is still in it (a deleted child leaves the list), and
        // only its parent needs reading; after any change the list is searched.
        bool holds(const Window* w) const
        {
            return owner->childEdits == edits ? w->parent == owner : owner->stillChild(w);
        }

    private:
        const Window* owner;
        std::vector<Window*>* items;
        uint64_t edits;
    };
    ChildSnapshot childSnapshot() const { return ChildSnapshot(this); }
    bool stillChild(const Window* w) const;
    void enterExitChildren(int cx, int cy, int button);

    Window* parent = nullptr;
    std::unique_ptr<Transition> transition;
    str name;
    int parentPixPosX = 0, parentPixPosY = 0;
    int parentPixWidth = 100, parentPixHeight = 100;
    bool useVirtCoordPosX = false, useVirtCoordPosY = false;
    bool useVirtCoordDimW = false, useVirtCoordDimH = false;
    int alignH = kAlignLeft;
    int alignV = kAlignTop;
    bool mouseMoveToTop = false;
    bool naturalSize = true;
    bool fillOutside = false;
    double virtPosX = 0, virtPosY = 0;
    double virtWidth = 1.0, virtHeight = 1.0;
    int pixPosX = 0, pixPosY = 0;
    int pixWidth = 100, pixHeight = 100;
    double alignedVirtX = 0, alignedVirtY = 0;
    int alignedPixX = 0, alignedPixY = 0;
    double spriteLeft, spriteRight, spriteTop, spriteBottom;
    double opacityParent = 1.0, opacitySelf = 1.0, opacity = 1.0;
    bool tooltipOn = false, tooltipShowing = false, tooltipTiming = false;
    double tooltipTime = 0;
    double tooltipPosX = 0, tooltipPosY = 0;
    str tooltipText;
    Font* font = nullptr;
    double mouseX = 0, mouseY = 0;
    bool mouseOver = false, mouseDownIn = false, active = false, wasActive = false;
    bool visible = true, wasVisible = true;
    double mouseDownTime = 0;
    bool alwaysOnTop = false, alwaysActive = false;
    std::list<Window*> children;
    // Counts the changes to children, for ChildSnapshot::holds.
    uint64_t childEdits = 0;
    // The buffers of childSnapshot, the first snapshotDepth of them in use.
    mutable std::vector<std::unique_ptr<std::vector<Window*>>> snapshotBuffers;
    mutable size_t snapshotDepth = 0;
    std::list<Window*> toTopQueue;

private:
    // Set while transitionFinished runs; a setTransition during it marks the new transition
    // as one to keep.
    bool inTransitionFinished = false;
    bool transitionReplaced = false;

    static int sDisplayWidth;
    static int sDisplayHeight;
};

class Listener
{
public:
    virtual ~Listener() = default;
    virtual void buttonPressed(Button*) {}
    virtual void buttonReleased(Button*) {}
    virtual void buttonRepeat(Button*) {}
    virtual void buttonDragged(int, int, Button*) {}
    virtual void textChanged(TextInput*) {}
    virtual void sliderValueChanged(Slider*) {}
    virtual void itemSelected(Window*, int) {}
    virtual void animationDone(Animation*) {}
};

}  // namespace WGUI
