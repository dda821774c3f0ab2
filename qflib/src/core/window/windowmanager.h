// TWindowManager: the stack of modal layers, the queue of window messages, the keyboard focus,
// the windows that capture the mouse, deferred window deletion, and drawing of the stack. Every
// platform event of the application's loop goes through HandleEvent. Main thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "app/event.h"
#include "foundation/rect.h"
#include "foundation/str.h"
#include "window/classid.h"
#include "window/window.h"

class TMessage;
class TModalWindow;
class TRenderer;
class TScreen;
class TTexture;
class TWindowScript;
class TLuaFunction;

// Offered every target-less message before the focus window; true takes it.
class TMessageObserver
{
public:
    virtual ~TMessageObserver() {}
    virtual bool OnMessage(TMessage* message) = 0;
};

// Answers TWindow::OnMouseHover.
class TMouseHoverHandler
{
public:
    virtual ~TMouseHoverHandler() {}
    virtual bool OnMouseHover(TWindow* window, const TPoint& point) = 0;
};

class TWindowManager
{
public:
    // Minimum time between drawing passes, in the foreground and in the background.
    static const uint32_t kForegroundDrawMs = 12;
    static const uint32_t kBackgroundDrawMs = 200;

    TWindowManager();
    virtual ~TWindowManager();
    TWindowManager(const TWindowManager&) = delete;
    TWindowManager& operator=(const TWindowManager&) = delete;

    // The manager in use (the platform's), or null.
    static TWindowManager* GetInstance();

    TWindowScript* GetScript() const { return mScript; }
    TModalWindow* GetTopModalWindow() const;
    size_t GetModalCount() const { return mStack.size(); }
    // Layer i counted from the top (0 is the top), or null.
    TModalWindow* GetModal(size_t fromTop) const;
    TWindow* GetScreen() const { return mScreen; }

    // Drawing control. A mark made while a pass draws (every text drawn ends its run with one)
    // makes the next pass draw all the same, but the event pump does not wake early for it: that
    // pass comes with the next event or task (the game's next frame), since nothing has changed
    // since the pass that made it.
    void InvalidateScreen()
    {
        mScreenInvalid = true;
        if (!mPassDrawing)
            mRedrawAwaited = true;
    }
    bool IsScreenInvalid() const { return mScreenInvalid; }
    void SetTopModalOnly(bool topOnly) { mTopModalOnly = topOnly; }
    bool GetTopModalOnly() const { return mTopModalOnly; }
    void SetDrawingSuspended(bool suspended) { mDrawingSuspended = suspended; }
    void SetOutlineHoverWindow(bool outline) { mOutlineHover = outline; }
    void SetLayerCache(std::shared_ptr<TTexture> cache) { mLayerCache = cache; }
    std::shared_ptr<TTexture> GetLayerCache() const { return mLayerCache; }
    uint32_t GetLastDrawTime() const { return mLastDraw; }

    // Script.
    void EnableStringTable(bool enable);
    // Registers a window class under a type name (and with the window script when attached).
    // false for an empty name or an id that names no window factory.
    bool AddWindowType(const str& name, TClassId classId);
    // The class registered under the type name, or 0.
    TClassId GetWindowType(const str& name) const;
    // A new window of the registered type, or null.
    TWindow* CreateWindowOfType(const str& name) const;
    // Takes ownership of the script and hands it to the platform's task list when there is one.
    void AttachWindowScript(TWindowScript* script);
    // The script is going away (its task list may delete it): the manager lets go of it.
    void OnScriptDestroyed(TWindowScript* script);
    // Takes the message: the window script owns it from here on, or it is deleted.
    void OnScriptMessage(TMessage* message, TLuaFunction* function);
    void OnScriptMessage(std::unique_ptr<TMessage> message, TLuaFunction* function);

    // Mouse hover, listeners, overlays, observers.
    bool OnMouseHover(TWindow* window, const TPoint& point);
    void SetHoverHandler(TMouseHoverHandler* handler) { mHoverHandler = handler; }
    TWindow* GetHoverWindow() const { return mHover; }
    void AddMouseListener(TWindow* window);
    void RemoveMouseListener(TWindow* window);
    bool IsMouseListener(const TWindow* window) const;
    const std::list<TWindow*>& GetMouseListeners() const { return mListeners; }
    void AddOverlayWindow(TWindow* window);
    void RemoveOverlayWindow(TWindow* window);
    void AddMessageObserver(TMessageObserver* observer);
    void RemoveMessageObserver(TMessageObserver* observer);

    // Focus.
    TWindow* GetFocus() const { return mFocus; }
    void SetFocus(TWindow* window) { mFocus = window; }

    // Messages. Posting and dispatching take the message: the queue owns it until delivery,
    // then the window that accepts it, the window script, or nobody (it is deleted).
    void PostWindowMessage(TMessage* message);
    void PostWindowMessage(std::unique_ptr<TMessage> message);
    void DispatchMessages();
    void DispatchWindowMessage(TMessage* message);
    void DispatchWindowMessage(std::unique_ptr<TMessage> message);
    size_t GetQueuedMessageCount() const { return mQueue.size(); }
    const std::deque<std::unique_ptr<TMessage>>& GetQueue() const { return mQueue; }

    // The stack.
    // false (and nothing changes) for null, a layer already on the stack, or a window that lies
    // below the current top.
    bool PushModal(TModalWindow* modal);
    void PopModal(const str& name);
    void SetScreen(TScreen* screen);

    // Deletion.
    void SafeDestroyWindow(TWindow* window);
    bool IsPendingDestruction(const TWindow* window) const;
    size_t GetPendingDestructionCount() const { return mToDestroy.size(); }
    void ClearDestroyedWindows();
    void OnDestroyWindow(TWindow* window);

    // Events and drawing.
    void HandleEvent(TEvent* event);
    void DrawStack();
    // Milliseconds (at most limit) during which an idle event would change nothing here: no
    // message waits, the top layer's tasks are not ready, and no drawing pass is due (the screen
    // is valid, drawing is suspended, or the last pass is too recent).
    unsigned IdleQuietMs(unsigned limit);
    void DrawLayer(TWindow::EDrawMode mode);

private:
    void PopTopModal();
    void ReleaseScript();
    void RequestExit();
    void RouteMouse(TEvent* event);
    void RouteToListeners(TEvent* event);
    bool IsOnStack(const TWindow* window) const;
    void DrawHoverOutline();
    void EndFrame(TRenderer* renderer);
    // The screen becomes valid and the pass starts drawing.
    void BeginPass();
    void KeepInvalidAfterInterruptedPass();

    static TWindowManager* sInstance;

    std::shared_ptr<TTexture> mLayerCache;
    TWindow* mScreen = nullptr;
    bool mStackChanged = false;
    uint32_t mLastDraw = 0;
    std::vector<TModalWindow*> mStack;  // back is the top layer
    std::list<TWindow*> mToDestroy;
    std::vector<TWindow*> mOverlays;
    bool mDrawingSuspended = false;
    bool mTopModalOnly = false;
    bool mScreenInvalid = true;
    // Set from the moment a pass makes the screen valid until it has presented the frame.
    bool mPassDrawing = false;
    // The screen was marked outside a pass's drawing since the last pass began.
    bool mRedrawAwaited = true;
    bool mOutlineHover = false;
    bool mListenersChanged = false;
    TWindow* mHover = nullptr;
    std::list<TWindow*> mListeners;
    TWindow* mFocus = nullptr;
    TWindowScript* mScript = nullptr;
    bool mScriptInPlatformTasks = false;
    std::deque<std::unique_ptr<TMessage>> mQueue;
    std::vector<TMessageObserver*> mObservers;
    TMouseHoverHandler* mHoverHandler = nullptr;
    std::map<str, TClassId> mWindowTypes;
};

// The record bound to "SetTopModalOnly": object and member, stored whole in the script.
struct TWindowManagerBoolCall
{
    TWindowManager* mObject;
    void (TWindowManager::*mMember)(bool);
};
