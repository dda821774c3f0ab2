// TWindow: a node of the framework's window tree. A window owns its children, keeps its
// rectangle in its parent's client coordinates, is found by name, draws itself and its children
// inside a clipping rectangle, receives the events the window manager routes to it and passes on
// what it does not handle. TWindowSpider visits the children of a window.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "app/event.h"
#include "foundation/rect.h"
#include "foundation/str.h"
#include "window/animtask.h"
#include "window/classid.h"

class TMessage;
class TModalWindow;
class TWindow;
class TWindowManager;
class TWindowStyle;

// Set after a hot key pressed its button: the character event the platform sends for the same
// key is swallowed.
extern bool gIgnoreNextChar;

// Extended mouse sub-codes (right and middle buttons, wheel); the event's parameter.
using TExtendedMouseEvent = int32_t;

class TWindowSpider
{
public:
    virtual ~TWindowSpider() {}
    // true goes on with the next child, false stops the walk.
    virtual bool Process(TWindow* child) = 0;
};

// The animation task of one window; it lives in the task list of the window's modal layer.
class TWindowAnim : public TAnimTask
{
public:
    explicit TWindowAnim(TWindow* window);
    ~TWindowAnim() override;
    void ClearWindow() { mWindow = nullptr; }

protected:
    bool Animate() override;

private:
    TWindow* mWindow;
};

class TWindow
{
public:
    // Flag bits. The low byte is the framework's own and SetFlags never changes it.
    enum EFlags : uint32_t
    {
        kModal = 0x1,           // a modal layer: walks to the modal ancestor stop here
        kTakesFocus = 0x2,      // a left press gives the focus to the nearest window with this
        kCacheable = 0x4,       // may be drawn into the cached lower layers
        kShown = 0x100,         // hidden windows are neither drawn nor hit
        kDrawnToCache = 0x400,  // drawn into the cached lower layers in this pass
        kOpaque = 0x800         // hides everything beneath when it covers its modal window
    };
    // Drawing modes: the whole window, into the cache of the lower layers, or the live part
    // above the cache.
    enum EDrawMode
    {
        kDrawAll = 0,
        kDrawCache = 1,
        kDrawLive = 2
    };
    // Style coordinates relative to the parent: kCenter + d is d pixels from the centre,
    // kMax + d is d pixels from the far edge; a size above kCenter is the parent's extent plus
    // (size - kMax).
    static const int kCenter = 80000;
    static const int kMax = 160000;
    // Window edges are kept within +-kCoordLimit pixels (screen rectangles within
    // +-kScreenLimit), so that no sum of positions and sizes can overflow, whatever numbers a
    // style or a caller hands in.
    static const int32_t kCoordLimit = 1 << 24;
    static const int32_t kScreenLimit = 1 << 30;

    TWindow();
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    // Class identity.
    static TClassId ClassId();
    // The window the id's factory makes, or null for an unknown id or a class that cannot be
    // made from its id.
    static TWindow* CreateFromId(TClassId id);
    virtual const char* GetTypeName() const { return "TWindow"; }
    virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }

    // Tree notifications and set-up.
    virtual bool OnNewParent() { return true; }
    virtual void Init(TWindowStyle& style);
    virtual void PostChildrenInit(TWindowStyle& style);
    virtual bool Init() { return false; }

    // Drawing: own content before the children, and over them.
    virtual void Draw() {}
    virtual void PostDraw() {}

    virtual bool AdoptChild(TWindow* child, bool notify);
    virtual void OrphanChild(TWindow* child);
    virtual void OnParentModalPopped() {}
    virtual void SetScroll(float, float) {}

    // Handlers: true when handled.
    virtual bool OnMessage(TMessage*) { return false; }
    virtual bool OnTaskAnimate() { return false; }
    virtual bool OnMouseDown(const TPoint&) { return false; }
    virtual bool OnExtendedMouseEvent(const TPoint&, TExtendedMouseEvent) { return false; }
    virtual bool OnMouseUp(const TPoint&) { return false; }
    virtual bool OnMouseMove(const TPoint&) { return false; }
    virtual bool OnMouseLeave() { return false; }
    virtual bool CanAcceptFocus() { return false; }
    virtual bool OnChar(char) { return false; }
    virtual bool OnUTF8Char(str) { return false; }
    virtual bool OnKeyDown(char, unsigned int /*modifiers*/) { return false; }
    virtual bool OnKeyUp(char) { return false; }
    virtual bool OnMouseHover(const TPoint& point);
    virtual void OnSetFocus(TWindow* /*previous*/) {}
    virtual void OnKillFocus(TWindow* /*next*/) {}

    // Geometry, in pixels.
    int32_t GetWindowWidth() const { return mRect.right - mRect.left; }
    int32_t GetWindowHeight() const { return mRect.bottom - mRect.top; }
    const TRect& GetRect() const { return mRect; }
    void GetClientRect(TRect* rect) const;
    // The rectangle in screen coordinates.
    void GetWindowRect(TRect* rect) const;
    void ClientToParent(TPoint* point) const;
    void ScreenToClient(TPoint* point) const;
    void SetWindowPos(int x, int y);
    void SetWindowSize(unsigned width, unsigned height);
    // Grows the window to cover its children's right and bottom edges.
    void FitToChildren();

    // Names, ids, flags.
    const str& GetName() const { return mName; }
    void SetName(const str& name) { mName = name; }
    uint32_t GetId() const { return mId; }
    // The id as layers are named by it: "%8x".
    str GetIdText() const;
    uint32_t GetFlags() const { return mFlags; }
    // Only the high byte is taken from `flags`; the low byte stays.
    void SetFlags(unsigned flags);
    // Shown, and so is every ancestor up to the nearest modal layer (or the root).
    bool IsEffectivelyVisible() const;

    // Tree.
    TWindow* GetParent() const { return mParent; }
    const std::list<TWindow*>& GetChildren() const { return mChildren; }
    // Orphans every child and hands it to the window manager for deferred deletion.
    void DestroyAllChildren();
    // The nearest modal layer above this window (not the window itself), or null.
    TModalWindow* FindParentModal() const;
    // This window when its name matches, else the first hit among the children, depth levels
    // down (-1: no limit).
    TWindow* GetChildWindow(const str& name, int depth = -1);
    // Calls the spider for each child, front to back (or back to front), until it says stop.
    // Children adopted, orphaned or deleted by the spider are handled safely.
    void ForEachChild(TWindowSpider* spider, bool backToFront = false);
    // True when `ancestor` is this window or lies on its parent chain.
    bool IsDescendantOf(const TWindow* ancestor) const;

    // Hit testing (points in this window's client coordinates; right and bottom exclusive).
    // The first effectively visible child holding the point, searching from `from` towards the
    // back; this window when there is none.
    TWindow* NextChildWindowFromPoint(const TPoint& point, std::list<TWindow*>::const_iterator from) const;
    TWindow* NextChildWindowFromPoint(const TPoint& point) const;
    // The deepest visible window under the point, this window when no child holds it, null when
    // the chain is deeper than depth (-1: no limit). `local`, when given, receives the point in
    // the found window's client coordinates.
    TWindow* ChildWindowFromPoint(const TPoint& point, int depth = -1, TPoint* local = nullptr);

    // Messages and events. The flag says whether the focus was already given for this press.
    // Takes the message: it is deleted once a window accepts it, or handed on to the window script.
    void SendWindowMessage(TMessage* message);
    void SendWindowMessage(std::unique_ptr<TMessage> message);
    bool HandleEvent(const TEvent* event, bool focusGiven);

    // Drawing; see EDrawMode. false when the window is hidden or not drawn in this mode.
    bool DoDraw(EDrawMode mode);

    // Animation.
    TWindowAnim* GetWindowAnim();
    void StartWindowAnimation(unsigned ms, bool repeat, bool fromNow, bool catchUp);
    void StopWindowAnimation();
    bool HasWindowAnim() const { return mAnim != nullptr; }

    // Direct access to the low byte (framework classes only).
    void SetInternalFlags(uint32_t set, uint32_t clear) { mFlags = (mFlags | set) & ~clear; }

    // Whether the window is alive (constructed and not yet destroyed). Used to walk lists that
    // handlers may change.
    static bool IsLive(const TWindow* window);
    static uint32_t NextWindowId();

protected:
    // Reads "x", "y", "w", "h" and "align" from the style and places the window.
    void ApplyStyleGeometry(TWindowStyle& style);
    // Tells the nearest modal ancestor whether this window now covers it completely.
    void ReportOpaqueCover(int32_t coverWidth, int32_t coverHeight);

private:
    friend class TWindowAnim;
    friend class TModalWindow;
    bool DispatchToHandler(const TEvent& event, const TPoint& local, bool* handled);
    bool PassOn(const TEvent& event, const TPoint& local, bool focusGiven);

    TWindow* mParent = nullptr;
    std::list<TWindow*> mChildren;  // owned; front is the topmost child
    TRect mRect;
    str mName;
    uint32_t mFlags = kShown;
    uint32_t mId;
    TWindowAnim* mAnim = nullptr;
    bool mAnimOwned = false;           // the task runs nowhere (no modal layer) and is ours to delete
    TModalWindow* mCoverOf = nullptr;  // the layer that counts this window as an opaque cover

    static uint32_t sWindowId;
};

// The framework's spiders.
class ChildrenDelete : public TWindowSpider
{
public:
    ChildrenDelete(TWindow* parent, TWindowManager* manager) : mParent(parent), mManager(manager) {}
    bool Process(TWindow* child) override;

private:
    TWindow* mParent;
    TWindowManager* mManager;
};

class GetLargest : public TWindowSpider
{
public:
    GetLargest(int32_t width, int32_t height) : mWidth(width), mHeight(height) {}
    bool Process(TWindow* child) override;
    int32_t mWidth, mHeight;
};

class TButtonBase;

class FindDefault : public TWindowSpider
{
public:
    bool Process(TWindow* child) override;
    TButtonBase* mDefault = nullptr;
    TButtonBase* mCancel = nullptr;
};

class TWindowClearFlags : public TWindowSpider
{
public:
    TWindowClearFlags(uint32_t mask, bool recursive) : mMask(mask), mRecursive(recursive) {}
    bool Process(TWindow* child) override;

private:
    uint32_t mMask;
    bool mRecursive;
};

class TModalPoppedSpider : public TWindowSpider
{
public:
    bool Process(TWindow* child) override;
};
