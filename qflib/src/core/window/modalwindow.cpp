// TModalWindow: one layer of the modal stack.
#include "window/modalwindow.h"

#include <cctype>
#include <unordered_set>
#include <vector>

#include "foundation/debug.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "window/button.h"
#include "window/message.h"
#include "window/windowmanager.h"

namespace
{

// Every layer alive, so that a window going away can be cleared from all default foci, also of
// layers that are not on the stack.
std::unordered_set<TModalWindow*>& Layers()
{
    static std::unordered_set<TModalWindow*> layers;
    return layers;
}

}  // namespace

// Names itself rather than a factory: layers are made by their owners, never from an id.
TClassId TModalWindow::ClassId()
{
    return NonCreatableWindowClassId<TModalWindow>();
}

TClassId TScreen::ClassId()
{
    return WindowClassId<TScreen>();
}

TScreen::TScreen()
{
    SetInternalFlags(kCacheable, 0);
    SetFlags(GetFlags() | kOpaque);
    SetName(str("_screen_"));
}

void TScreen::Draw()
{
    if (!TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!mNeverClear && (mAlwaysClear || (manager && manager->GetTopModalWindow() == this)))
    {
        TRect viewport;
        renderer->GetViewport(&viewport);
        const int32_t w = viewport.right - viewport.left;
        const int32_t h = viewport.bottom - viewport.top;
        renderer->FillRect(TURect(0, 0, uint32_t(w > 0 ? w : 0), uint32_t(h > 0 ? h : 0)), mBackgroundColor,
                           nullptr);
    }
    // When the stack is drawn into a render target, the finished layer goes to the screen. The
    // window manager draws the screen inside its frame, where a pixel copy is refused: there
    // the cache is drawn as a textured quad instead. Never while drawing into a render target,
    // which may be the cache itself.
    if (manager && manager->GetLayerCache() && !renderer->InRenderTarget())
    {
        std::shared_ptr<TTexture> cache = manager->GetLayerCache();
        if (renderer->InDraw())
            renderer->DrawTexture(cache, 0, 0);
        else
            cache->CopyPixels(0, 0, nullptr, nullptr);
    }
}

TModalWindow::TModalWindow() : mTasks(new TTaskList())
{
    SetInternalFlags(kModal | kTakesFocus, 0);
    Layers().insert(this);
}

void TModalWindow::ForgetWindow(const TWindow* window)
{
    for (TModalWindow* layer : Layers())
        if (layer->mDefaultFocus == window)
            layer->mDefaultFocus = nullptr;
}

TModalWindow::~TModalWindow()
{
    Layers().erase(this);
    if (TWindowManager* manager = TWindowManager::GetInstance())
    {
        // Off the stack (and every other list of the manager) while still a whole layer: the
        // manager never touches a layer that is half destroyed.
        manager->OnDestroyWindow(this);
        manager->PostWindowMessage(std::make_unique<TMessage>(TMessage::kModalClosed, GetIdText()));
    }
    TTaskList* tasks = mTasks;
    mTasks = nullptr;
    delete tasks;
    for (TWindow* cover : mOpaqueChildren)
        if (cover->mCoverOf == this)
            cover->mCoverOf = nullptr;
    mOpaqueChildren.clear();
}

bool TModalWindow::OnNewParent()
{
    mClock.Start();
    return true;
}

void TModalWindow::PostChildrenInit(TWindowStyle& style)
{
    FitToChildren();
    TWindow::PostChildrenInit(style);
}

void TModalWindow::AdoptTask(TTask* task)
{
    if (mTasks)
        mTasks->AdoptTask(task);
}

void TModalWindow::DestroyTasks()
{
    if (mTasks)
        mTasks->DestroyAll();
}

void TModalWindow::DoModalProcess(TTask::ETaskContext context)
{
    // A list is never walked twice at once: a task that reaches back here waits for the next
    // step instead.
    if (mTasks && !mTasks->IsRunning())
        mTasks->DoAll(context);
}

void TModalWindow::SetDefaultFocus(TWindow* window)
{
    mDefaultFocus = window;
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!manager || manager->GetFocus() != this)
        return;
    TWindow* previous = manager->GetFocus();
    manager->SetFocus(window);
    if (window)
        window->OnSetFocus(previous);
}

void TModalWindow::OnSetFocus(TWindow* previous)
{
    (void)previous;
    // A default focus that leads back here (itself, or layers naming each other) ends the
    // hand-over instead of passing the focus round for ever.
    if (!mDefaultFocus || mDefaultFocus == this || mPassingFocus)
        return;
    TWindowManager* manager = TWindowManager::GetInstance();
    if (!manager)
        return;
    TWindow* before = manager->GetFocus();
    manager->SetFocus(mDefaultFocus);
    mPassingFocus = true;
    mDefaultFocus->OnSetFocus(before);
    mPassingFocus = false;
}

void TModalWindow::SetOpaqueChild(TWindow* window, bool opaque)
{
    if (!window)
        return;
    // A window covers one layer at most; the layer remembers it and it remembers the layer, so
    // neither ever holds a stale pointer to the other.
    if (opaque && window->mCoverOf && window->mCoverOf != this)
        window->mCoverOf->SetOpaqueChild(window, false);
    const bool changed = opaque ? mOpaqueChildren.insert(window).second : mOpaqueChildren.erase(window) != 0;
    if (opaque)
        window->mCoverOf = this;
    else if (window->mCoverOf == this)
        window->mCoverOf = nullptr;
    const bool hasFlag = (GetFlags() & kOpaque) != 0;
    const bool wantFlag = !mOpaqueChildren.empty();
    // Nothing to report when neither the set nor the layer's own cover state moved.
    if (!changed && hasFlag == wantFlag)
        return;
    SetFlags(wantFlag ? (GetFlags() | kOpaque) : (GetFlags() & ~kOpaque));
}

void TModalWindow::WithdrawCoversInside(TWindow* branch)
{
    std::vector<TWindow*> inside;
    for (TWindow* cover : mOpaqueChildren)
        if (cover != branch && cover->IsDescendantOf(branch))
            inside.push_back(cover);
    for (TWindow* cover : inside)
        SetOpaqueChild(cover, false);
}

bool TModalWindow::OnMessage(TMessage* message)
{
    if (!message || message->mType != TMessage::kCloseWindow)
        return false;
    if (message->mName.empty())
        return true;
    // The name is copied: popping may delete the message's holder.
    const str name = message->mName;
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->PopModal(name);
    return true;
}

str TModalWindow::NormalizeKeyString(const str& key)
{
    str text = key;
    text.downcase();
    str result;
    if (text.length() > 1 && text[0] == '@')
    {
        result = str("@");
    }
    else
    {
        result = str("");
        if (text.find(str("shift-")) != str::npos)
            result += str("shift-");
        if (text.find(str("ctrl-")) != str::npos || text.find(str("control-")) != str::npos)
            result += str("ctrl-");
        if (text.find(str("alt-")) != str::npos)
            result += str("alt-");
    }
    if (text.length() > 0)
        result += char(toupper(static_cast<unsigned char>(text[text.length() - 1])));
    return result;
}

void TModalWindow::AddHotkey(str key, str button)
{
    const str normalized = NormalizeKeyString(key);
    if (button.empty())
        mHotkeys.erase(normalized);
    else
        mHotkeys[normalized] = button;
}

void TModalWindow::PressButton(const str& name)
{
    TWindow* window = GetChildWindow(name, -1);
    if (window && window->IsKindOf(TButtonBase::ClassId()))
        static_cast<TButtonBase*>(window)->Press();
    else
        WriteDbg("ERROR: Hot key button not found. Button:'%s'", name.c_str());
}

bool TModalWindow::OnKeyDown(char c, unsigned int modifiers)
{
    str key;
    if (modifiers & 1)
        key += str("shift-");
    if (modifiers & 2)
        key += str("ctrl-");
    if (modifiers & 4)
        key += str("alt-");
    key += c;
    auto it = mHotkeys.find(NormalizeKeyString(key));
    if (it == mHotkeys.end())
        it = mHotkeys.find(str("@") + c);
    if (it == mHotkeys.end())
        return false;
    // The button name is copied: pressing may change the hot keys.
    const str button = it->second;
    PressButton(button);
    gIgnoreNextChar = true;
    return true;
}

bool TModalWindow::OnChar(char c)
{
    if (c != char(TEvent::kEnter) && c != char(TEvent::kEscape))
        return false;
    FindDefault finder;
    ForEachChild(&finder, false);
    TButtonBase* button = c == char(TEvent::kEnter) ? finder.mDefault : finder.mCancel;
    if (button && button->DoCommand())
        return true;
    TWindowManager* manager = TWindowManager::GetInstance();
    TWindow* focus = manager ? manager->GetFocus() : nullptr;
    TWindow* target = focus ? focus : this;
    target->SendWindowMessage(std::make_unique<TMessage>(TMessage::kDefaultAction));
    return true;
}
