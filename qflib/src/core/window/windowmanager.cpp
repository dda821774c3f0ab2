// TWindowManager: modal stack, message queue, focus, mouse listeners and drawing.
#include "window/windowmanager.h"

#include <algorithm>

#include "app/platform.h"
#include "foundation/clock.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/windowplatform.h"
#include "window/windowscript.h"

TWindowManager* TWindowManager::sInstance = nullptr;

namespace
{

void CallBoolMember(const void* record, bool argument)
{
    const TWindowManagerBoolCall* call = static_cast<const TWindowManagerBoolCall*>(record);
    if (call && call->mObject && call->mMember)
        (call->mObject->*(call->mMember))(argument);
}

}  // namespace

TWindowManager::TWindowManager()
{
    if (!sInstance)
        sInstance = this;
}

TWindowManager::~TWindowManager()
{
    // Layers, then the pending windows. Layer destructors still post their closing messages
    // into the queue, so it is freed last.
    while (!mStack.empty())
        PopTopModal();
    ClearDestroyedWindows();
    mOverlays.clear();
    mListeners.clear();
    mObservers.clear();
    mLayerCache.reset();
    ReleaseScript();
    // Each message leaves the queue before it is deleted.
    while (!mQueue.empty())
    {
        std::unique_ptr<TMessage> message = std::move(mQueue.front());
        mQueue.pop_front();
    }
    if (sInstance == this)
        sInstance = nullptr;
}

TWindowManager* TWindowManager::GetInstance()
{
    return sInstance;
}

TModalWindow* TWindowManager::GetTopModalWindow() const
{
    return mStack.empty() ? nullptr : mStack.back();
}

TModalWindow* TWindowManager::GetModal(size_t fromTop) const
{
    return fromTop < mStack.size() ? mStack[mStack.size() - 1 - fromTop] : nullptr;
}

bool TWindowManager::IsOnStack(const TWindow* window) const
{
    for (TModalWindow* m : mStack)
        if (static_cast<const TWindow*>(m) == window)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Script

// Lets go of the attached script: takes it out of the platform's task list when it was placed
// there, and deletes it unless that list is in the middle of a walk.
void TWindowManager::ReleaseScript()
{
    if (!mScript)
        return;
    TWindowScript* old = mScript;
    mScript = nullptr;
    TTaskList* tasks = windowplatform::GetTaskList();
    if (mScriptInPlatformTasks && tasks && tasks->Contains(old))
        tasks->OrphanTask(old);
    if (!tasks || !tasks->IsRunning())
        delete old;
}

void TWindowManager::EnableStringTable(bool enable)
{
    if (mScript)
        mScript->EnableStringTable(enable);
}

bool TWindowManager::AddWindowType(const str& name, TClassId classId)
{
    if (name.empty() || !FindWindowFactory(classId))
        return false;
    mWindowTypes[name] = classId;
    if (mScript)
        mScript->AddWindowType(name, classId);
    return true;
}

TClassId TWindowManager::GetWindowType(const str& name) const
{
    auto it = mWindowTypes.find(name);
    return it == mWindowTypes.end() ? 0 : it->second;
}

TWindow* TWindowManager::CreateWindowOfType(const str& name) const
{
    const TClassId id = GetWindowType(name);
    return id ? TWindow::CreateFromId(id) : nullptr;
}

void TWindowManager::AttachWindowScript(TWindowScript* script)
{
    if (script == mScript)
        return;
    ReleaseScript();
    mScript = script;
    mScriptInPlatformTasks = false;
    if (!script)
        return;
    if (TModalWindow* top = GetTopModalWindow())
        script->PushWindow(top);
    // The whole record is handed over: its size is that of an object pointer plus a member
    // function pointer on this machine, not a fixed count of bytes.
    TWindowManagerBoolCall call{this, &TWindowManager::SetTopModalOnly};
    script->RegisterBoolMember("SetTopModalOnly", &call, sizeof call, &CallBoolMember);
    for (const auto& type : mWindowTypes)
        script->AddWindowType(type.first, type.second);
    if (TTaskList* tasks = windowplatform::GetTaskList())
    {
        tasks->AdoptTask(script);
        mScriptInPlatformTasks = true;
    }
}

void TWindowManager::OnScriptDestroyed(TWindowScript* script)
{
    if (script && script == mScript)
    {
        mScript = nullptr;
        mScriptInPlatformTasks = false;
    }
}

void TWindowManager::OnScriptMessage(TMessage* message, TLuaFunction* function)
{
    OnScriptMessage(std::unique_ptr<TMessage>(message), function);
}

void TWindowManager::OnScriptMessage(std::unique_ptr<TMessage> message, TLuaFunction* function)
{
    if (!message)
        return;
    // The script's OnMessage takes the message over.
    if (mScript)
        mScript->OnMessage(message.release(), function);
}

// ---------------------------------------------------------------------------------------------
// Hover, listeners, overlays, observers

bool TWindowManager::OnMouseHover(TWindow* window, const TPoint& point)
{
    return mHoverHandler ? mHoverHandler->OnMouseHover(window, point) : false;
}

void TWindowManager::AddMouseListener(TWindow* window)
{
    if (window && !IsMouseListener(window))
        mListeners.push_back(window);
}

void TWindowManager::RemoveMouseListener(TWindow* window)
{
    auto it = std::find(mListeners.begin(), mListeners.end(), window);
    if (it != mListeners.end())
        mListeners.erase(it);
    mListenersChanged = true;
}

bool TWindowManager::IsMouseListener(const TWindow* window) const
{
    return std::find(mListeners.begin(), mListeners.end(), window) != mListeners.end();
}

void TWindowManager::AddOverlayWindow(TWindow* window)
{
    if (window && std::find(mOverlays.begin(), mOverlays.end(), window) == mOverlays.end())
        mOverlays.push_back(window);
}

void TWindowManager::RemoveOverlayWindow(TWindow* window)
{
    mOverlays.erase(std::remove(mOverlays.begin(), mOverlays.end(), window), mOverlays.end());
}

void TWindowManager::AddMessageObserver(TMessageObserver* observer)
{
    if (observer && std::find(mObservers.begin(), mObservers.end(), observer) == mObservers.end())
        mObservers.push_back(observer);
}

void TWindowManager::RemoveMessageObserver(TMessageObserver* observer)
{
    auto it = std::find(mObservers.begin(), mObservers.end(), observer);
    if (it != mObservers.end())
        *it = nullptr;  // the list may be walked right now; null entries are swept later
}

// ---------------------------------------------------------------------------------------------
// Messages

void TWindowManager::PostWindowMessage(TMessage* message)
{
    PostWindowMessage(std::unique_ptr<TMessage>(message));
}

void TWindowManager::PostWindowMessage(std::unique_ptr<TMessage> message)
{
    if (message)
        mQueue.push_back(std::move(message));
}

void TWindowManager::DispatchMessages()
{
    while (!mQueue.empty())
    {
        std::unique_ptr<TMessage> message = std::move(mQueue.front());
        mQueue.pop_front();
        DispatchWindowMessage(std::move(message));
    }
}

void TWindowManager::RequestExit()
{
    windowplatform::Exit(0);
}

void TWindowManager::DispatchWindowMessage(TMessage* message)
{
    DispatchWindowMessage(std::unique_ptr<TMessage>(message));
}

void TWindowManager::DispatchWindowMessage(std::unique_ptr<TMessage> message)
{
    if (!message)
        return;
    if (message->mType == TMessage::kQuitNow)
    {
        message.reset();
        RequestExit();
        return;
    }
    if (message->mTarget)
    {
        TWindow* target = message->mTarget;
        target->SendWindowMessage(std::move(message));
        return;
    }
    TMessage* carried = message->GetCarriedMessage();
    for (size_t i = 0; i < mObservers.size(); ++i)
    {
        TMessageObserver* observer = mObservers[i];
        if (observer && observer->OnMessage(carried))
        {
            message.reset();
            mObservers.erase(std::remove(mObservers.begin(), mObservers.end(), nullptr), mObservers.end());
            return;
        }
    }
    mObservers.erase(std::remove(mObservers.begin(), mObservers.end(), nullptr), mObservers.end());
    if (mFocus)
        mFocus->SendWindowMessage(std::move(message));
    else if (TModalWindow* top = GetTopModalWindow())
        top->SendWindowMessage(std::move(message));
}

// ---------------------------------------------------------------------------------------------
// The stack

bool TWindowManager::PushModal(TModalWindow* modal)
{
    if (!modal || IsOnStack(modal))
        return false;
    TModalWindow* previous = GetTopModalWindow();
    // A layer below the top cannot become its child: the tree would turn into a cycle.
    if (previous && previous->IsDescendantOf(modal))
        return false;

    mHover = nullptr;
    if (!mListeners.empty())
    {
        std::list<TWindow*> copy;
        copy.swap(mListeners);
        mListenersChanged = true;
        for (TWindow* w : copy)
            if (TWindow::IsLive(w))
                w->OnMouseLeave();
    }

    mStack.push_back(modal);
    if (previous)
    {
        previous->AdoptChild(modal, false);
        previous->GetClock().Pause();
    }
    TWindow* oldFocus = mFocus;
    mFocus = modal;
    modal->OnSetFocus(oldFocus);
    if (mScript)
        mScript->NewModalWindow(modal);
    modal->OnNewParent();
    if (modal->GetWindowWidth() == 0 && modal->GetParent())
    {
        TWindow* parent = modal->GetParent();
        modal->SetWindowSize(unsigned(std::max(parent->GetWindowWidth(), 0)),
                             unsigned(std::max(parent->GetWindowHeight(), 0)));
    }
    InvalidateScreen();
    return true;
}

void TWindowManager::SetScreen(TScreen* screen)
{
    if (!screen)
        return;
    mScreen = screen;
    PushModal(screen);
    if (TRenderer::HasInstance())
    {
        TRect viewport;
        TRenderer::GetInstance()->GetViewport(&viewport);
        screen->SetWindowSize(unsigned(std::max(viewport.Width(), 0)),
                              unsigned(std::max(viewport.Height(), 0)));
    }
    screen->OnNewParent();
}

void TWindowManager::PopTopModal()
{
    if (mStack.empty())
        return;
    TModalWindow* top = mStack.back();
    if (TWindow* parent = top->GetParent())
        parent->OrphanChild(top);
    SafeDestroyWindow(top);
    // SafeDestroyWindow leaves the stack alone; the layer goes now.
    if (!mStack.empty() && mStack.back() == top)
        mStack.pop_back();
    top->DestroyTasks();

    if (TModalWindow* next = GetTopModalWindow())
    {
        if (mScript)
            mScript->NewModalWindow(next);
        TWindow* oldFocus = mFocus;
        mFocus = next;
        next->OnSetFocus(oldFocus);
    }
    else
    {
        if (mScript)
            mScript->NewModalWindow(nullptr);
        mFocus = nullptr;
    }
    TModalPoppedSpider popped;
    top->ForEachChild(&popped, false);
    InvalidateScreen();
    mStackChanged = true;
}

void TWindowManager::PopModal(const str& nameRef)
{
    // A copy: the name may belong to a window that the pops below hand over for deletion.
    const str name = nameRef;
    mHover = nullptr;
    TModalWindow* top = GetTopModalWindow();
    if (!top)
        return;
    auto matches = [&name](const TWindow* w) { return w->GetName() == name || w->GetIdText() == name; };
    const TWindow* match = nullptr;
    for (const TWindow* w = top; w && !match; w = w->GetParent())
        if (matches(w))
            match = w;
    if (!match)
        return;
    // Handlers told of a pop may pop layers themselves; once the layer looked for has gone that
    // way, nothing further is popped.
    const bool matchOnStack = IsOnStack(match);
    while (!mStack.empty())
    {
        if (matchOnStack && !IsOnStack(match))
            break;
        TModalWindow* popped = mStack.back();
        const bool last = matches(popped);
        PopTopModal();
        if (last)
            break;
    }
    if (TModalWindow* now = GetTopModalWindow())
        now->GetClock().Start();
}

// ---------------------------------------------------------------------------------------------
// Deferred deletion

bool TWindowManager::IsPendingDestruction(const TWindow* window) const
{
    return std::find(mToDestroy.begin(), mToDestroy.end(), window) != mToDestroy.end();
}

void TWindowManager::SafeDestroyWindow(TWindow* window)
{
    if (!window || IsPendingDestruction(window))
        return;
    // Still listed by its parent, it would be deleted a second time with the parent.
    if (TWindow* parent = window->GetParent())
        parent->OrphanChild(window);
    mHover = nullptr;
    mToDestroy.push_back(window);
    for (const std::unique_ptr<TMessage>& message : mQueue)
        if (message->mTarget && message->mTarget->IsDescendantOf(window))
            message->mTarget = nullptr;
    auto it = std::find(mListeners.begin(), mListeners.end(), window);
    if (it != mListeners.end())
    {
        mListeners.erase(it);
        mListenersChanged = true;
    }
}

void TWindowManager::ClearDestroyedWindows()
{
    if (mToDestroy.empty())
        return;
    mHover = nullptr;
    // One at a time from the list itself: deleting a window may delete other pending windows
    // (which leave the list through OnDestroyWindow) or make new ones pending.
    while (!mToDestroy.empty())
    {
        TWindow* window = mToDestroy.front();
        mToDestroy.pop_front();
        delete window;
    }
    InvalidateScreen();
}

void TWindowManager::OnDestroyWindow(TWindow* window)
{
    mHover = nullptr;
    if (mFocus == window)
        mFocus = nullptr;
    auto listener = std::find(mListeners.begin(), mListeners.end(), window);
    if (listener != mListeners.end())
    {
        mListeners.erase(listener);
        mListenersChanged = true;
    }
    for (auto it = mStack.rbegin(); it != mStack.rend(); ++it)
        if ((*it)->GetDefaultFocus() == window)
            (*it)->ClearDefaultFocus();
    // No queued message may keep pointing at the window.
    for (const std::unique_ptr<TMessage>& message : mQueue)
        if (message->mTarget == window)
            message->mTarget = nullptr;
    mToDestroy.remove(window);
    RemoveOverlayWindow(window);
    if (mScreen == window)
        mScreen = nullptr;
    // A layer deleted while still on the stack leaves it. When it was the top, the layer now on
    // top runs on again, as after a pop: its clock was paused while the deleted layer lay above.
    for (size_t i = 0; i < mStack.size(); ++i)
    {
        if (static_cast<TWindow*>(mStack[i]) == window)
        {
            const bool wasTop = i + 1 == mStack.size();
            mStack.erase(mStack.begin() + long(i));
            mStackChanged = true;
            InvalidateScreen();
            if (wasTop && !mStack.empty())
                mStack.back()->GetClock().Start();
            if (mScript)
                mScript->NewModalWindow(GetTopModalWindow());
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Events

void TWindowManager::HandleEvent(TEvent* event)
{
    if (!event)
        return;
    const int32_t type = event->mType;
    if (type == TEvent::kNoPlatformMeaning)
        return;
    if (type == TEvent::kDropShared)
        mLayerCache.reset();
    if (type == TEvent::kCloseRequested && mScript)
        mScript->Resume(0);

    ClearDestroyedWindows();
    if (mStack.empty())
        return;
    TModalWindow* top = GetTopModalWindow();
    if (!top)
    {
        RequestExit();
        return;
    }

    switch (type)
    {
    case TEvent::kIdle:
        top->DoModalProcess(TTask::kContextIdle);
        DispatchMessages();
        DrawStack();
        DispatchMessages();
        return;
    case TEvent::kForceRedraw:
        InvalidateScreen();
        DispatchMessages();
        DrawStack();
        DispatchMessages();
        return;
    case TEvent::kKeyDown:
    case TEvent::kKeyUp:
    case TEvent::kCharacter:
    case TEvent::kUnicodeCharacter:
    {
        TWindow* target = mFocus ? mFocus : top;
        target->HandleEvent(event, false);
        DispatchMessages();
        return;
    }
    case TEvent::kMouseExited:
    {
        std::vector<TWindow*> copy(mListeners.begin(), mListeners.end());
        for (TWindow* w : copy)
        {
            if (GetTopModalWindow() != top)
                break;
            if (IsMouseListener(w) && TWindow::IsLive(w))
                w->OnMouseLeave();
        }
        DispatchMessages();
        return;
    }
    case TEvent::kActivation: return;
    case TEvent::kLeftDown:
    case TEvent::kMouseExtended:
    case TEvent::kLeftUp:
    case TEvent::kMouseMoved:
    case TEvent::kMouseRouted:
        if (!mListeners.empty())
            RouteToListeners(event);
        else
            RouteMouse(event);
        DispatchMessages();
        return;
    default:
        DispatchMessages();
        if (TModalWindow* now = GetTopModalWindow())
            now->HandleEvent(event, false);
        return;
    }
}

void TWindowManager::RouteToListeners(TEvent* event)
{
    TModalWindow* top = GetTopModalWindow();
    const int cursorMode = windowplatform::GetCursorMode();
    const TPoint screenPoint(event->mX, event->mY);
    mListenersChanged = false;
    auto it = mListeners.begin();
    while (it != mListeners.end())
    {
        TWindow* w = *it;
        auto next = std::next(it);
        TWindow* nextWindow = next == mListeners.end() ? nullptr : *next;

        TRect rect;
        w->GetWindowRect(&rect);
        const bool outside = screenPoint.x < rect.left || screenPoint.x >= rect.right ||
                             screenPoint.y < rect.top || screenPoint.y >= rect.bottom;
        bool deliver = true;
        if (outside && cursorMode == 0)
        {
            w->OnMouseLeave();
            deliver = TWindow::IsLive(w) && IsMouseListener(w);
        }
        if (deliver)
        {
            TEvent local = *event;
            if (!(event->mType == TEvent::kMouseMoved && cursorMode != 0))
            {
                TPoint p = screenPoint;
                w->ScreenToClient(&p);
                local.mX = p.x;
                local.mY = p.y;
            }
            w->HandleEvent(&local, false);
        }
        if (GetTopModalWindow() != top)
            break;
        if (mListenersChanged)
        {
            // Resynchronise: go on after the current window when it is still listed, else at
            // the window that came after it, else stop.
            mListenersChanged = false;
            auto again = std::find(mListeners.begin(), mListeners.end(), w);
            if (again != mListeners.end())
                it = std::next(again);
            else if (nextWindow)
                it = std::find(mListeners.begin(), mListeners.end(), nextWindow);
            else
                it = mListeners.end();
        }
        else
        {
            it = next;
        }
    }
}

void TWindowManager::RouteMouse(TEvent* event)
{
    if (event->mType == TEvent::kMouseMoved && windowplatform::GetCursorMode() == 1)
        return;
    const bool overlayMouse = windowplatform::GetOverlayMouse() != 0;
    const TPoint screenPoint(event->mX, event->mY);
    if (overlayMouse)
    {
        std::vector<TWindow*> overlays = mOverlays;
        for (TWindow* overlay : overlays)
        {
            if (std::find(mOverlays.begin(), mOverlays.end(), overlay) == mOverlays.end())
                continue;
            TPoint p = screenPoint;
            overlay->ScreenToClient(&p);
            TPoint local;
            TWindow* target = overlay->ChildWindowFromPoint(p, -1, &local);
            if (!target)
                continue;
            TEvent e = *event;
            e.mX = local.x;
            e.mY = local.y;
            if (target->HandleEvent(&e, false))
            {
                mHover = TWindow::IsLive(target) ? target : nullptr;
                return;
            }
        }
    }
    TModalWindow* top = GetTopModalWindow();
    if (!top)
        return;
    TPoint p = screenPoint;
    top->ScreenToClient(&p);
    TPoint local;
    TWindow* target = top->ChildWindowFromPoint(p, -1, &local);
    if (!target)
        return;
    mHover = target;
    if (mOutlineHover)
        InvalidateScreen();
    TEvent e = *event;
    e.mX = local.x;
    e.mY = local.y;
    const bool handled = target->HandleEvent(&e, false);
    if (!handled && overlayMouse && event->mType == TEvent::kLeftUp)
        PostWindowMessage(std::make_unique<TMessage>(TMessage::kPressAnyKey, str("mouse:up")));
}

// ---------------------------------------------------------------------------------------------
// Drawing

unsigned TWindowManager::IdleQuietMs(unsigned limit)
{
    if (mStack.empty())
        return limit;
    if (!mQueue.empty() || !mToDestroy.empty())
        return 0;
    TModalWindow* top = GetTopModalWindow();
    if (!top)
        return 0;
    if (TTaskList* tasks = top->GetTaskList())
        limit = tasks->IdleQuietMs(limit);
    if (limit > 0 && mScreenInvalid && mRedrawAwaited && !mDrawingSuspended &&
        windowplatform::IsDisplayReady())
    {
        const uint32_t interval = windowplatform::IsForeground() ? kForegroundDrawMs : kBackgroundDrawMs;
        const uint32_t since = qfTimer() - mLastDraw;
        const uint32_t left = since >= interval ? 0 : interval - since;
        if (left < limit)
            limit = left;
    }
    return limit;
}

void TWindowManager::DrawStack()
{
    mStackChanged = false;
    if (mDrawingSuspended || !mScreenInvalid || !windowplatform::IsDisplayReady())
        return;
    const uint32_t now = qfTimer();
    const uint32_t interval = windowplatform::IsForeground() ? kForegroundDrawMs : kBackgroundDrawMs;
    // Unsigned difference: right across the timer's wrap at 2^32 ms, and a long quiet spell
    // (over 2^31 ms) never reads as a pass in the future.
    if (uint32_t(now - mLastDraw) < interval)
        return;
    mLastDraw = now;

    if (!mStack.empty())
    {
        TWindowClearFlags clear(~uint32_t(TWindow::kDrawnToCache), true);
        TModalWindow* bottom = mStack.front();
        bottom->SetFlags(bottom->GetFlags() & ~uint32_t(TWindow::kDrawnToCache));
        bottom->ForEachChild(&clear, false);
    }
    if (!mStack.empty() && windowplatform::IsDisplayReady())
    {
        if (TTaskList* tasks = windowplatform::GetTaskList())
        {
            if (!tasks->IsRunning())
                tasks->DoAll(TTask::kContextDraw);
        }
        if (TModalWindow* top = GetTopModalWindow())
            top->DoModalProcess(TTask::kContextDraw);
    }
    if (!TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    if (!mLayerCache)
    {
        if (renderer->BeginDraw(false))
        {
            BeginPass();
            DrawLayer(TWindow::kDrawAll);
            EndFrame(renderer);
        }
        return;
    }
    if (renderer->BeginRenderTarget(mLayerCache, TRenderer::kTargetOpaque))
    {
        DrawLayer(TWindow::kDrawCache);
        renderer->EndRenderTarget();
    }
    if (renderer->BeginDraw(false))
    {
        BeginPass();
        if (mScreen)
            mScreen->DoDraw(TWindow::kDrawAll);
        DrawLayer(TWindow::kDrawLive);
        EndFrame(renderer);
    }
}

void TWindowManager::BeginPass()
{
    mScreenInvalid = false;
    mRedrawAwaited = false;
    mPassDrawing = true;
}

void TWindowManager::KeepInvalidAfterInterruptedPass()
{
    // A layer popped during the pass (by a drawing task before the frame began, or by a window
    // while the lower layers went into the cache) had its invalidation overwritten when the
    // frame began, and the pass stopped short of the new stack: the next allowed pass draws it.
    if (mStackChanged)
    {
        mScreenInvalid = true;
        mRedrawAwaited = true;
    }
}

void TWindowManager::DrawLayer(TWindow::EDrawMode mode)
{
    if (mStackChanged || windowplatform::LacksPlatformData() || mStack.empty())
        return;
    if (mode == TWindow::kDrawLive || mTopModalOnly)
    {
        mStack.back()->DoDraw(mode);
        return;
    }
    // Start at the topmost layer that is covered completely; nothing below it shows.
    size_t start = 0;
    if (mScreen)
    {
        const int32_t w = mScreen->GetWindowWidth(), h = mScreen->GetWindowHeight();
        for (size_t i = mStack.size(); i-- > 0;)
        {
            const TModalWindow* layer = mStack[i];
            if ((layer->GetFlags() & TWindow::kOpaque) && layer->GetWindowWidth() == w &&
                layer->GetWindowHeight() == h)
            {
                start = i;
                break;
            }
        }
    }
    const size_t count = mStack.size();
    for (size_t i = start; i < count && i < mStack.size(); ++i)
    {
        if (mode == TWindow::kDrawCache && i + 1 == count)
            break;
        mStack[i]->DoDraw(mode);
        if (mStackChanged)
            return;
    }
}

// The end of a frame, with or without the layer cache: the overlays over everything, then the
// hover outline; the screen stays invalid when the pass was cut short.
void TWindowManager::EndFrame(TRenderer* renderer)
{
    std::vector<TWindow*> overlays = mOverlays;  // a copy: drawing may change the list
    for (TWindow* overlay : overlays)
        if (TWindow::IsLive(overlay))
            overlay->DoDraw(TWindow::kDrawAll);
    DrawHoverOutline();
    renderer->EndDraw(true);
    mPassDrawing = false;
    KeepInvalidAfterInterruptedPass();
}

void TWindowManager::DrawHoverOutline()
{
    if (!mOutlineHover || !mHover || !TWindow::IsLive(mHover) || !TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    TRect screen(0, 0, 0, 0);
    if (mScreen)
        mScreen->GetWindowRect(&screen);
    renderer->PushClippingRectangle(
        TURect(uint32_t(std::max(screen.left, 0)), uint32_t(std::max(screen.top, 0)),
               uint32_t(std::max(screen.right, 0)), uint32_t(std::max(screen.bottom, 0))));
    renderer->PushViewport(screen);
    TRect r;
    mHover->GetWindowRect(&r);
    const TColor yellow(1, 1, 0, 1);
    auto bar = [&](int32_t l, int32_t t, int32_t rr, int32_t b)
    {
        renderer->FillRect(TURect(uint32_t(std::max(l, 0)), uint32_t(std::max(t, 0)),
                                  uint32_t(std::max(rr, 0)), uint32_t(std::max(b, 0))),
                           yellow, nullptr);
    };
    bar(r.left, r.top, r.right, r.top + 2);
    bar(r.right - 2, r.top, r.right, r.bottom);
    bar(r.left, r.bottom - 2, r.right, r.bottom);
    bar(r.left, r.top, r.left + 2, r.bottom);
    renderer->PopViewport();
    renderer->PopClippingRectangle();
}
