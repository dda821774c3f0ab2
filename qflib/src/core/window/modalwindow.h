// TModalWindow: one layer of the window manager's modal stack, with its own task list, a
// pausable clock for the animations of its windows, a default-focus window, hot keys that press
// named buttons, Enter and Escape for its default and cancel buttons, and the set of its
// windows that cover it completely. TScreen is the full-screen bottom layer.
#pragma once

#include <map>
#include <set>

#include "app/task.h"
#include "foundation/clock.h"
#include "foundation/color.h"
#include "window/window.h"

class TModalWindow : public TWindow
{
public:
    TModalWindow();
    ~TModalWindow() override;

    // Names itself rather than a factory: CreateFromId makes no modal window.
    static TClassId ClassId();
    const char* GetTypeName() const override { return "TModalWindow"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    bool OnNewParent() override;
    void PostChildrenInit(TWindowStyle& style) override;
    bool OnMessage(TMessage* message) override;
    bool OnChar(char c) override;
    bool OnKeyDown(char c, unsigned int modifiers) override;
    void OnSetFocus(TWindow* previous) override;
    // Stores a button name under the normalised key text; an empty name removes the key.
    virtual void AddHotkey(str key, str button);

    // Tasks.
    void AdoptTask(TTask* task);
    void DestroyTasks();
    void DoModalProcess(TTask::ETaskContext context);
    TTaskList* GetTaskList() const { return mTasks; }

    // Focus and covers.
    void SetDefaultFocus(TWindow* window);
    TWindow* GetDefaultFocus() const { return mDefaultFocus; }
    void ClearDefaultFocus() { mDefaultFocus = nullptr; }
    void SetOpaqueChild(TWindow* window, bool opaque);
    // Withdraws every cover that lies inside the branch (not the branch's root itself).
    void WithdrawCoversInside(TWindow* branch);
    bool HasOpaqueChild(TWindow* window) const { return mOpaqueChildren.count(window) != 0; }

    // Hot keys.
    void PressButton(const str& name);
    const std::map<str, str>& GetHotkeys() const { return mHotkeys; }
    // Lower-cased; "@" kept for texts longer than one character; then "shift-", "ctrl-" (also
    // from "control-") and "alt-"; then the last character upper-cased.
    static str NormalizeKeyString(const str& key);

    TClock& GetClock() { return mClock; }

    // Clears the window from the default focus of every layer (the window is going away).
    static void ForgetWindow(const TWindow* window);

private:
    TTaskList* mTasks;
    TWindow* mDefaultFocus = nullptr;
    std::set<TWindow*> mOpaqueChildren;
    TClock mClock;
    std::map<str, str> mHotkeys;
    bool mPassingFocus = false;
};

// The full-screen modal window the window manager keeps at the bottom of its stack. It fills
// the viewport with its background colour while it is the top layer (or always, or never), so
// that nothing of an earlier frame shows through.
class TScreen : public TModalWindow
{
public:
    // Named "_screen_", cacheable and opaque.
    TScreen();
    static TClassId ClassId();
    const char* GetTypeName() const override { return "TScreen"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TModalWindow::IsKindOf(id); }
    void Draw() override;

    void SetAlwaysClear(bool always) { mAlwaysClear = always; }
    void SetNeverClear(bool never) { mNeverClear = never; }
    void SetBackgroundColor(const TColor& color) { mBackgroundColor = color; }

private:
    bool mAlwaysClear = false;
    bool mNeverClear = false;
    TColor mBackgroundColor;  // all channels 0
};
