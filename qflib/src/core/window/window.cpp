// TWindow: the framework's window tree node.
#include "window/window.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_set>
#include <vector>

#include "render/renderer.h"
#include "window/button.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/windowmanager.h"
#include "window/windowplatform.h"
#include "window/windowstyle.h"

bool gIgnoreNextChar = false;
uint32_t TWindow::sWindowId = 0;

// ---------------------------------------------------------------------------------------------
// Class identity

namespace
{

std::map<TClassId, TWindowFactory>& Factories()
{
    static std::map<TClassId, TWindowFactory> factories;
    return factories;
}

std::unordered_set<const TWindow*>& LiveWindows()
{
    static std::unordered_set<const TWindow*> live;
    return live;
}

}  // namespace

TClassId RegisterWindowFactory(TWindowFactory factory)
{
    const TClassId id = reinterpret_cast<TClassId>(factory);
    Factories()[id] = factory;
    return id;
}

TWindowFactory FindWindowFactory(TClassId id)
{
    auto it = Factories().find(id);
    return it == Factories().end() ? nullptr : it->second;
}

TClassId TWindow::ClassId()
{
    return WindowClassId<TWindow>();
}

TWindow* TWindow::CreateFromId(TClassId id)
{
    TWindowFactory factory = FindWindowFactory(id);
    return factory ? factory() : nullptr;
}

TClassId TButtonBase::ClassId()
{
    return WindowClassId<TButtonBase>();
}

bool TWindow::IsLive(const TWindow* window)
{
    return window && LiveWindows().count(window) != 0;
}

uint32_t TWindow::NextWindowId()
{
    return sWindowId;
}

// ---------------------------------------------------------------------------------------------
// Animation task

TWindowAnim::TWindowAnim(TWindow* window) : mWindow(window)
{
}

TWindowAnim::~TWindowAnim()
{
    if (mWindow && mWindow->mAnim == this)
    {
        mWindow->mAnim = nullptr;
        mWindow->mAnimOwned = false;
    }
}

bool TWindowAnim::Animate()
{
    return mWindow ? mWindow->OnTaskAnimate() : false;
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TWindow::TWindow() : mId(sWindowId++)
{
    LiveWindows().insert(this);
}

TWindow::~TWindow()
{
    TWindowManager* manager = TWindowManager::GetInstance();
    // The animation task either runs nowhere (ours to delete) or in a layer's list, which ends
    // it at its next run once it has no window.
    StopWindowAnimation();
    if (manager)
        manager->InvalidateScreen();
    if (mCoverOf)
        mCoverOf->SetOpaqueChild(this, false);
    // A window deleted while still listed by its parent leaves that list first, so the parent
    // never deletes it a second time.
    if (mParent && IsLive(mParent))
    {
        auto& siblings = mParent->mChildren;
        auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end())
            siblings.erase(it);
    }
    mParent = nullptr;
    while (!mChildren.empty())
    {
        TWindow* child = mChildren.front();
        mChildren.pop_front();
        child->mParent = nullptr;
        delete child;
    }
    TModalWindow::ForgetWindow(this);
    if (manager)
        manager->OnDestroyWindow(this);
    LiveWindows().erase(this);
}

// ---------------------------------------------------------------------------------------------
// Geometry

namespace
{

int32_t ClampTo(int64_t v, int32_t limit)
{
    return int32_t(std::max<int64_t>(-limit, std::min<int64_t>(limit, v)));
}

}  // namespace

void TWindow::GetClientRect(TRect* rect) const
{
    if (rect)
        *rect = TRect(0, 0, GetWindowWidth(), GetWindowHeight());
}

void TWindow::GetWindowRect(TRect* rect) const
{
    if (!rect)
        return;
    if (!mParent)
    {
        *rect = mRect;
        return;
    }
    TRect parent;
    mParent->GetWindowRect(&parent);
    rect->left = ClampTo(int64_t(parent.left) + mRect.left, kScreenLimit);
    rect->top = ClampTo(int64_t(parent.top) + mRect.top, kScreenLimit);
    rect->right = rect->left + GetWindowWidth();
    rect->bottom = rect->top + GetWindowHeight();
}

void TWindow::ClientToParent(TPoint* point) const
{
    point->x += mRect.left;
    point->y += mRect.top;
}

void TWindow::ScreenToClient(TPoint* point) const
{
    TRect screen;
    GetWindowRect(&screen);
    point->x -= screen.left;
    point->y -= screen.top;
}

void TWindow::SetWindowPos(int x, int y)
{
    const int64_t w = GetWindowWidth(), h = GetWindowHeight();
    const int32_t left = ClampTo(x, kCoordLimit), top = ClampTo(y, kCoordLimit);
    mRect = TRect(left, top, ClampTo(left + w, kCoordLimit), ClampTo(top + h, kCoordLimit));
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->InvalidateScreen();
}

void TWindow::ReportOpaqueCover(int32_t coverWidth, int32_t coverHeight)
{
    TModalWindow* modal = FindParentModal();
    if (!modal)
        return;
    const bool opaque = (mFlags & kOpaque) && coverWidth >= 0 && GetWindowWidth() == coverWidth &&
                        GetWindowHeight() == coverHeight;
    modal->SetOpaqueChild(this, opaque);
}

void TWindow::SetWindowSize(unsigned width, unsigned height)
{
    mRect.right = ClampTo(int64_t(mRect.left) + width, kCoordLimit);
    mRect.bottom = ClampTo(int64_t(mRect.top) + height, kCoordLimit);
    TWindowManager* manager = TWindowManager::GetInstance();
    if (manager)
        manager->InvalidateScreen();
    // A cover counts when it is as large as the screen window.
    TWindow* screen = manager ? manager->GetScreen() : nullptr;
    if (screen)
        ReportOpaqueCover(screen->GetWindowWidth(), screen->GetWindowHeight());
    else
        ReportOpaqueCover(-1, -1);
}

void TWindow::FitToChildren()
{
    GetLargest largest(GetWindowWidth(), GetWindowHeight());
    ForEachChild(&largest);
    SetWindowSize(unsigned(std::max(largest.mWidth, 0)), unsigned(std::max(largest.mHeight, 0)));
}

// ---------------------------------------------------------------------------------------------
// Flags

str TWindow::GetIdText() const
{
    return str::getFormatted("%8x", unsigned(mId));
}

void TWindow::SetFlags(unsigned flags)
{
    const uint32_t old = mFlags;
    mFlags = (flags & 0xFF00u) + (old & 0xFFu);
    if ((old ^ mFlags) & kShown)
    {
        if (TWindowManager* manager = TWindowManager::GetInstance())
            manager->InvalidateScreen();
    }
    // Here the cover is measured against the modal ancestor itself.
    if (TModalWindow* modal = FindParentModal())
        ReportOpaqueCover(modal->GetWindowWidth(), modal->GetWindowHeight());
}

bool TWindow::IsEffectivelyVisible() const
{
    for (const TWindow* w = this; w; w = w->mParent)
    {
        if (!(w->mFlags & kShown))
            return false;
        if (w->mFlags & kModal)
            return true;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Tree

bool TWindow::IsDescendantOf(const TWindow* ancestor) const
{
    for (const TWindow* w = this; w; w = w->mParent)
        if (w == ancestor)
            return true;
    return false;
}

bool TWindow::AdoptChild(TWindow* child, bool notify)
{
    // A window cannot hold itself or one of its ancestors: the tree would become a cycle.
    if (!child || IsDescendantOf(child))
        return false;
    if (std::find(mChildren.begin(), mChildren.end(), child) == mChildren.end())
    {
        // One owner only: a window still held by another parent leaves it first.
        if (child->mParent && child->mParent != this)
            child->mParent->OrphanChild(child);
        mChildren.push_front(child);
        child->mParent = this;
    }
    if (!notify)
        return true;
    if (child->OnNewParent())
        return true;
    child->mParent = nullptr;
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    if (it != mChildren.end())
        mChildren.erase(it);
    child->SetWindowSize(unsigned(child->GetWindowWidth()), unsigned(child->GetWindowHeight()));
    return false;
}

void TWindow::OrphanChild(TWindow* child)
{
    if (!child)
        return;
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    const bool listed = it != mChildren.end();
    if (!listed && child->mParent != this)
        return;
    if (listed)
    {
        mChildren.erase(it);
        if (TWindowManager* manager = TWindowManager::GetInstance())
            manager->InvalidateScreen();
    }
    if (TModalWindow* modal = child->FindParentModal())
    {
        modal->SetOpaqueChild(child, false);
        // Covers further down the orphaned branch no longer lie inside the layer either.
        modal->WithdrawCoversInside(child);
    }
    child->mParent = nullptr;
}

void TWindow::DestroyAllChildren()
{
    ChildrenDelete spider(this, TWindowManager::GetInstance());
    ForEachChild(&spider);
}

TModalWindow* TWindow::FindParentModal() const
{
    for (TWindow* w = mParent; w; w = w->mParent)
    {
        if (w->mFlags & kModal)
            return w->IsKindOf(TModalWindow::ClassId()) ? static_cast<TModalWindow*>(w) : nullptr;
    }
    return nullptr;
}

TWindow* TWindow::GetChildWindow(const str& name, int depth)
{
    if (mName == name)
        return this;
    if (depth == 0)
        return nullptr;
    for (TWindow* child : mChildren)
        if (TWindow* hit = child->GetChildWindow(name, depth - 1))
            return hit;
    return nullptr;
}

void TWindow::ForEachChild(TWindowSpider* spider, bool backToFront)
{
    if (!spider)
        return;
    // The spider may orphan, adopt or (wrongly) delete children: walk a snapshot and skip every
    // entry that is gone or no longer ours by the time its turn comes.
    std::vector<TWindow*> snapshot(mChildren.begin(), mChildren.end());
    if (backToFront)
        std::reverse(snapshot.begin(), snapshot.end());
    for (TWindow* child : snapshot)
    {
        if (!IsLive(child) || child->mParent != this)
            continue;
        if (!spider->Process(child))
            return;
    }
}

// ---------------------------------------------------------------------------------------------
// Hit testing

TWindow* TWindow::NextChildWindowFromPoint(const TPoint& p, std::list<TWindow*>::const_iterator from) const
{
    for (auto it = from; it != mChildren.end(); ++it)
    {
        const TWindow* child = *it;
        const TRect& r = child->mRect;
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom && child->IsEffectivelyVisible())
            return const_cast<TWindow*>(child);
    }
    return const_cast<TWindow*>(this);
}

TWindow* TWindow::NextChildWindowFromPoint(const TPoint& p) const
{
    return NextChildWindowFromPoint(p, mChildren.begin());
}

TWindow* TWindow::ChildWindowFromPoint(const TPoint& point, int depth, TPoint* local)
{
    TWindow* w = this;
    TPoint p = point;
    for (;;)
    {
        if (depth == 0)
            return nullptr;
        TWindow* hit = w->NextChildWindowFromPoint(p);
        if (hit == w)
        {
            if (local)
                *local = p;
            return w;
        }
        p.x -= hit->mRect.left;
        p.y -= hit->mRect.top;
        w = hit;
        if (depth > 0)
            depth--;
    }
}

// ---------------------------------------------------------------------------------------------
// Messages

void TWindow::SendWindowMessage(TMessage* message)
{
    SendWindowMessage(std::unique_ptr<TMessage>(message));
}

void TWindow::SendWindowMessage(std::unique_ptr<TMessage> message)
{
    if (!message)
        return;
    TWindow* w = this;
    for (;;)
    {
        if (w->OnMessage(message.get()))
            return;
        if ((w->mFlags & kModal) && w->IsKindOf(TModalWindow::ClassId()))
        {
            TModalWindow* modal = static_cast<TModalWindow*>(w);
            if (TWindow* focus = modal->GetDefaultFocus())
            {
                if (focus->OnMessage(message->GetCarriedMessage()))
                    return;
            }
            if (TWindowManager* manager = TWindowManager::GetInstance())
                manager->OnScriptMessage(std::move(message), nullptr);
            return;
        }
        if (!w->mParent)
            return;
        w = w->mParent;
    }
}

// ---------------------------------------------------------------------------------------------
// Events

namespace
{

bool IsMouseType(int32_t type)
{
    return type == TEvent::kLeftDown || type == TEvent::kMouseExtended || type == TEvent::kLeftUp ||
           type == TEvent::kMouseMoved || type == TEvent::kMouseRouted;
}

}  // namespace

bool TWindow::OnMouseHover(const TPoint& point)
{
    TWindowManager* manager = TWindowManager::GetInstance();
    return manager ? manager->OnMouseHover(this, point) : false;
}

bool TWindow::DispatchToHandler(const TEvent& e, const TPoint& p, bool* handled)
{
    switch (e.mType)
    {
    case TEvent::kLeftDown: *handled = OnMouseDown(p); return true;
    case TEvent::kMouseExtended: *handled = OnExtendedMouseEvent(p, e.mParam); return true;
    case TEvent::kLeftUp: *handled = OnMouseUp(p); return true;
    case TEvent::kMouseMoved: *handled = OnMouseMove(p); return true;
    case TEvent::kMouseRouted: *handled = OnMouseHover(p); return true;
    case TEvent::kKeyDown: *handled = OnKeyDown(char(e.mParam & 0xFF), e.mModifiers); return true;
    case TEvent::kKeyUp: *handled = OnKeyUp(char(e.mParam & 0xFF)); return true;
    case TEvent::kCharacter:
        if (gIgnoreNextChar)
        {
            gIgnoreNextChar = false;
            *handled = true;
        }
        else
        {
            *handled = OnChar(char(e.mParam & 0xFF));
        }
        return true;
    case TEvent::kUnicodeCharacter:
        if (gIgnoreNextChar)
        {
            gIgnoreNextChar = false;
            *handled = true;
        }
        else
        {
            const uint32_t code = uint32_t(e.mParam);
            // Code points beyond Unicode or in the surrogate range have no UTF-8 form.
            str text = (code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) ? str::from_utf32(code) : str();
            *handled = OnUTF8Char(text);
            if (!*handled && text.length() == 1)
                *handled = OnChar(char(e.mParam & 0xFF));
        }
        return true;
    default: *handled = false; return false;
    }
}

bool TWindow::HandleEvent(const TEvent* event, bool focusGiven)
{
    if (!event)
        return false;
    const TEvent& e = *event;
    const TPoint p(e.mX, e.mY);
    bool handled = false;
    DispatchToHandler(e, p, &handled);

    if (e.mType == TEvent::kLeftDown && !focusGiven)
    {
        for (TWindow* w = this; w; w = w->mParent)
        {
            if (w->mFlags & kTakesFocus)
            {
                if (TWindowManager* manager = TWindowManager::GetInstance())
                {
                    TWindow* previous = manager->GetFocus();
                    manager->SetFocus(w);
                    w->OnSetFocus(previous);
                }
                break;
            }
        }
        focusGiven = true;
    }
    if (handled)
        return true;

    if (mFlags & kModal)
    {
        if (windowplatform::GetOverlayMouse() != 0)
            return false;
        TWindowManager* manager = TWindowManager::GetInstance();
        if (manager && e.mType == TEvent::kLeftUp)
            manager->PostWindowMessage(std::make_unique<TMessage>(TMessage::kPressAnyKey, str("mouse:up")));
        else if (manager && e.mType == TEvent::kKeyDown)
            manager->PostWindowMessage(
                std::make_unique<TMessage>(TMessage::kPressAnyKey, str("raw:") + char(e.mParam & 0xFF)));
        return false;
    }
    return PassOn(e, p, focusGiven);
}

bool TWindow::PassOn(const TEvent& e, const TPoint& local, bool focusGiven)
{
    TWindow* parent = mParent;
    if (!parent)
        return false;
    TEvent moved = e;
    // Only mouse events look for a sibling behind under their point. Key records carry the
    // pointer's position too, but a key the focus window declines belongs to its ancestors, not
    // to whatever window happens to lie under the pointer.
    if (!IsMouseType(e.mType))
        return parent->HandleEvent(&moved, focusGiven);

    TPoint p = local;
    ClientToParent(&p);
    moved.mX = p.x;
    moved.mY = p.y;
    const auto& siblings = parent->mChildren;
    auto self = std::find(siblings.begin(), siblings.end(), this);
    if (self != siblings.end())
    {
        TWindow* below = parent->NextChildWindowFromPoint(p, std::next(self));
        if (below != parent)
        {
            TPoint inSibling(p.x - below->mRect.left, p.y - below->mRect.top);
            TPoint deepest;
            TWindow* target = below->ChildWindowFromPoint(inSibling, -1, &deepest);
            moved.mX = deepest.x;
            moved.mY = deepest.y;
            return target->HandleEvent(&moved, focusGiven);
        }
    }
    return parent->HandleEvent(&moved, focusGiven);
}

// ---------------------------------------------------------------------------------------------
// Drawing

bool TWindow::DoDraw(EDrawMode mode)
{
    if (!(mFlags & kShown))
        return false;
    if (mode == kDrawCache)
    {
        if (!(mFlags & kCacheable) || !mParent || !(mParent->mFlags & kDrawnToCache))
            return false;
        mFlags |= kDrawnToCache;
    }
    else if (mode == kDrawLive && (mFlags & kDrawnToCache))
    {
        return false;
    }
    if (!TRenderer::HasInstance())
        return false;
    TRenderer* renderer = TRenderer::GetInstance();

    TRect screen;
    GetWindowRect(&screen);
    const TURect clip = renderer->GetClippingRectangle();
    const int64_t left = std::max<int64_t>(clip.x1, std::max<int32_t>(screen.left, 0));
    const int64_t top = std::max<int64_t>(clip.y1, std::max<int32_t>(screen.top, 0));
    const int64_t right = std::min<int64_t>(clip.x2, screen.right);
    const int64_t bottom = std::min<int64_t>(clip.y2, screen.bottom);
    if (right <= left || bottom <= top)
        return true;

    const bool viewport = screen.right != 0;
    if (viewport)
        renderer->PushViewport(screen);
    renderer->PushClippingRectangle(TURect(uint32_t(left), uint32_t(top), uint32_t(right), uint32_t(bottom)));

    Draw();
    // Back to front, so that the front child ends on top. Modal layers are drawn by the
    // manager, not by their parent layer.
    std::vector<TWindow*> order(mChildren.rbegin(), mChildren.rend());
    for (TWindow* child : order)
    {
        if (!IsLive(child) || child->mParent != this || (child->mFlags & kModal))
            continue;
        child->DoDraw(mode);
    }
    PostDraw();

    renderer->PopClippingRectangle();
    if (viewport)
        renderer->PopViewport();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Animation

TWindowAnim* TWindow::GetWindowAnim()
{
    if (mAnim)
        return mAnim;
    mAnim = new TWindowAnim(this);
    TModalWindow* modal =
        IsKindOf(TModalWindow::ClassId()) ? static_cast<TModalWindow*>(this) : FindParentModal();
    if (modal && modal->GetTaskList())
    {
        modal->AdoptTask(mAnim);
        mAnim->SetClock(&modal->GetClock());
        mAnimOwned = false;
    }
    else
    {
        mAnimOwned = true;
    }
    return mAnim;
}

void TWindow::StartWindowAnimation(unsigned ms, bool repeat, bool fromNow, bool catchUp)
{
    GetWindowAnim()->SetDelay(ms, repeat, fromNow, catchUp);
}

void TWindow::StopWindowAnimation()
{
    if (!mAnim)
        return;
    TWindowAnim* anim = mAnim;
    mAnim = nullptr;
    anim->ClearWindow();
    if (mAnimOwned)
        delete anim;
    mAnimOwned = false;
}

// ---------------------------------------------------------------------------------------------
// Initialisation from a style

namespace
{

int TruncateStyleNumber(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(v);
}

int32_t Clamp32(int64_t v)
{
    return int32_t(std::max<int64_t>(std::numeric_limits<int32_t>::min(),
                                     std::min<int64_t>(std::numeric_limits<int32_t>::max(), v)));
}

// Resolves a position against the parent's extent for sizes that are plain pixel counts.
int64_t ResolvePlainPosition(int64_t p, int64_t s, int64_t extent, bool aligned)
{
    if (p > 106666)
        return extent + p - TWindow::kMax;
    if (p > 40000)
        return extent / 2 - s / 2 + p - TWindow::kCenter;
    if (!aligned && p < 0)
        return extent + p;
    return p;
}

// Fixes one (position, size) pair of a style against the parent's extent. Arithmetic runs in
// 64 bits so that hostile style numbers cannot overflow.
void FixPair(int64_t* pp, int64_t* ps, int64_t extent, bool centre, bool far, bool aligned, bool hasParent)
{
    int64_t p = *pp, s = *ps;
    auto done = [&]()
    {
        *pp = p;
        *ps = s;
    };
    if (p < 40000 || p > 106666)
    {
        if (centre)
        {
            if (s == 0)
                return done();
            p -= s / 2;
        }
        else if (far)
        {
            if (s == 0)
                return done();
            p -= s;
        }
    }
    if (!hasParent)
        return done();
    if (s >= 0 && s <= 80000)
    {
        p = ResolvePlainPosition(p, s, extent, aligned);
        return done();
    }
    if (s >= -80000 && s < 0)
    {
        s = -s;
        p = ResolvePlainPosition(p, s, extent, aligned) - s;
        return done();
    }
    if (s < -80000)
    {
        s = -s;
        if (p < 0 && !aligned)
            p = extent + p;
        if (p <= 40000)
        {
            s = p;
            p = TWindow::kMax - p;
            return done();
        }
    }
    else
    {  // s > 80000
        if (p < 0 && !aligned)
            p = extent + p;
        if (p <= 40000)
        {
            s = extent + s - p - TWindow::kMax;
            return done();
        }
    }
    p = p <= 106666 ? p - TWindow::kCenter : extent + p - TWindow::kMax;
    if (p < 0)
    {
        s = extent + s + 2 * p - TWindow::kMax;
        p = 0;
    }
    else
    {
        s = extent + s - 2 * p - TWindow::kMax;
        p = 2 * p;
    }
    done();
}

}  // namespace

void TWindow::Init(TWindowStyle& style)
{
    mName = style.GetString(str("name"), str());
    ApplyStyleGeometry(style);
}

void TWindow::PostChildrenInit(TWindowStyle& style)
{
    if (style.GetBool(str("fit"), false))
        FitToChildren();
    ApplyStyleGeometry(style);
}

void TWindow::ApplyStyleGeometry(TWindowStyle& style)
{
    int64_t x = TruncateStyleNumber(style.GetNumber(str("x"), 0));
    int64_t y = TruncateStyleNumber(style.GetNumber(str("y"), 0));
    int64_t w = TruncateStyleNumber(style.GetNumber(str("w"), GetWindowWidth()));
    int64_t h = TruncateStyleNumber(style.GetNumber(str("h"), GetWindowHeight()));
    const int align = TruncateStyleNumber(style.GetNumber(str("align"), -1));
    const bool aligned = align != -1;
    const int bits = aligned ? align : 0;

    int64_t parentW = 0, parentH = 0;
    if (mParent)
    {
        parentW = mParent->GetWindowWidth();
        parentH = mParent->GetWindowHeight();
        const bool absoluteW = w >= 0 && x >= 0 && x <= 40000 && w <= 80000;
        const bool absoluteH = h >= 0 && y >= 0 && y <= 40000 && h <= 80000;
        if (parentW == 0 && !absoluteW)
            return;
        if (parentH == 0 && !absoluteH)
            return;
        if ((x < 0 || x > 40000) && w == 0)
            return;
        if ((y < 0 || y > 40000) && h == 0)
            return;
    }
    FixPair(&x, &w, parentW, bits & 1, bits & 2, aligned, mParent != nullptr);
    FixPair(&y, &h, parentH, bits & 4, bits & 8, aligned, mParent != nullptr);

    // A position or size the window already has stays.
    const int32_t newLeft = mRect.left != 0 ? mRect.left : Clamp32(x);
    const int32_t newTop = mRect.top != 0 ? mRect.top : Clamp32(y);
    SetWindowPos(newLeft, newTop);
    const int64_t newW = GetWindowWidth() != 0 ? GetWindowWidth() : std::max<int64_t>(0, Clamp32(w));
    const int64_t newH = GetWindowHeight() != 0 ? GetWindowHeight() : std::max<int64_t>(0, Clamp32(h));
    SetWindowSize(unsigned(newW), unsigned(newH));
}

// ---------------------------------------------------------------------------------------------
// Spiders

bool ChildrenDelete::Process(TWindow* child)
{
    mParent->OrphanChild(child);
    if (mManager)
        mManager->SafeDestroyWindow(child);
    else
        delete child;
    return true;
}

bool GetLargest::Process(TWindow* child)
{
    mWidth = std::max(mWidth, child->GetRect().right);
    mHeight = std::max(mHeight, child->GetRect().bottom);
    return true;
}

bool FindDefault::Process(TWindow* child)
{
    bool searchInto = true;
    if (child->IsKindOf(TButtonBase::ClassId()))
    {
        TButtonBase* button = static_cast<TButtonBase*>(child);
        const unsigned flags = button->GetButtonFlags();
        if (!mDefault && (flags & TButtonBase::kDefaultButton) && button->IsEffectivelyVisible())
            mDefault = button;
        if (!mCancel && (flags & TButtonBase::kCancelButton) && button->IsEffectivelyVisible())
            mCancel = button;
        searchInto = mDefault == nullptr;
    }
    if (searchInto && !(mDefault && mCancel))
        child->ForEachChild(this, false);
    return !(mDefault && mCancel);
}

bool TWindowClearFlags::Process(TWindow* child)
{
    child->SetFlags(child->GetFlags() & mMask);
    if (mRecursive)
        child->ForEachChild(this, false);
    return true;
}

bool TModalPoppedSpider::Process(TWindow* child)
{
    child->ForEachChild(this, false);
    child->OnParentModalPopped();
    return true;
}
