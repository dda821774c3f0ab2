// TPlatformData: the platform object behind TPlatform. It owns the backend (window and GL
// context, native events, clock, folders, cursor), the event queue, the millisecond timer, the
// platform task list and the services the facade hands out.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "foundation/random.h"
#include "foundation/rect.h"
#include "foundation/str.h"
#include "app/backend.h"
#include "app/event.h"
#include "app/platform.h"
#include "app/task.h"
#include "app/translate.h"

class TStringTable;
class TAssetManager;
class TTexture;
class TSoundManager;
class TWindowManager;

// Set while a movie plays: Option+Enter does not toggle full screen and display-mode swaps do
// not hide or show the game window. Nothing on this platform plays movies yet.
extern bool gbFlashPlaying;

// The main display's height in pixels, read when the platform object is made and again at every
// full-screen switch (0 while no display is known).
extern int gyFlip;

class TPlatformData
{
public:
    // Product name and version of this build (the application's bundle values elsewhere). The
    // version is the game's one version: the platform writes it at start and keeps it as the
    // "version" setting, where the game's screens and the online clients read it.
    static const char* const kProductName;
    static const char* const kProductVersion;

    // Takes ownership of the backend. The arguments are not used.
    TPlatformData(std::unique_ptr<TBackend> backend, int argc, char** argv, bool unused);
    ~TPlatformData();
    TPlatformData(const TPlatformData&) = delete;
    TPlatformData& operator=(const TPlatformData&) = delete;

    void Init() {}
    unsigned int Timer();
    void Sleep(unsigned int ms);
    bool GetViewPortScale(float* scale) const;
    bool IsFullscreen() const { return mTranslate.mFullscreen; }
    bool IsForeground() const { return mTranslate.mForeground; }
    void GetDisplay(unsigned int* width, unsigned int* height, bool* fullscreen) const;
    bool GetDisplayReady() const { return true; }
    str GetVersion() const { return mVersion; }
    str GetProductName() const;
    void SetWindowTitle(const char* title);
    str GetWindowTitle() const { return mWindowTitle; }
    // The picture (a resource name) the window shows as its icon: set on the window at once when
    // there is one, else when it is made. A picture that cannot be read leaves the icon alone.
    void SetWindowIcon(const char* resourceName);
    str GetWindowIcon() const { return mWindowIcon; }
    void CreateApplicationWindow() {}

    void SetDisplay(unsigned int width, unsigned int height, bool fullscreen);
    bool SetFullscreen(bool fullscreen);
    void SwapDisplayMode();
    void ShowCursor(bool show);
    // Makes the texture the game's cursor; with flag set only while the display handler's
    // cursor lock is set. Nothing without a texture.
    void SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool flag);
    bool IsGameCursorShown() const { return mGameCursorShown; }
    bool IsMouseInContent();
    void BuildMouseTracker() {}
    // Where the display's width x height picture goes in the window, in window pixels from the
    // bottom left (GL viewport order): the whole window when windowed; in full screen the largest
    // centred rectangle of the display's aspect (mouse positions are mapped back the same way).
    void GetViewport(int* x, int* y, int* width, int* height);
    bool BeginDraw(bool flag);
    void EndDraw(bool flag);
    void SwapBuffers();
    void OpenBrowser(const char* url);
    void Exit(int code);
    bool StringToClipboard(const str& text);
    str StringFromClipboard();

    // The event pump. When no event is queued it waits for a native one until an idle step
    // has work: the platform's tasks and the window manager's layer tasks, messages and next
    // drawing pass say when (at least kShortestIdleWaitMs, at most kLongestIdleWaitMs).
    static constexpr unsigned kShortestIdleWaitMs = 1;
    static constexpr unsigned kLongestIdleWaitMs = 50;
    void GetEvent(TEvent* event);
    unsigned IdleWaitMs();
    // Translates one native event and appends its records to the queue as one group.
    void QueueEvent(const TNativeEvent& event);
    void SetCursorMode(TPlatform::ECursorMode mode);
    TPlatform::ECursorMode GetCursorMode() const { return TPlatform::ECursorMode(mTranslate.mCursorMode); }
    // Text-input modes chosen at start-up.
    void SetUnicodeModes(bool pelloryUnicode, bool qfUnicode);
    // Asks for an orderly end as a window close would (signals, the system's quit request).
    void RequestClose() { mCloseRequested = true; }
    bool IsQuitRequested() const { return mQuitRequested; }
    size_t QueuedEventCount() const { return mQueue.size(); }
    unsigned int GetBackgroundSleep() const { return mBackgroundSleep; }

    // Members the facade and start-up use.
    TBackend* GetBackend() { return mBackend.get(); }
    TRandom& GetRandom() { return mRandom; }
    TTaskList& GetTaskList() { return mTasks; }
    TWindowManager* GetWindowManager() const { return mWindowManager; }
    void ClearWindowManager() { mWindowManager = nullptr; }
    TStringTable* GetStringTable() const { return mStringTable; }
    // Deletes the string table and the asset manager (when the facade's tear-down drops the instance).
    void DeleteOwnedServices();
    TSoundManager* GetSoundManager() const { return mSoundManager; }
    void SetSoundManager(TSoundManager* manager) { mSoundManager = manager; }
    str GetUserDir() const { return mUserDir; }
    str GetCommonDir() const { return mCommonDir; }
    str GetDesktopDir() const { return mDesktopDir; }
    void SetMain(TQuillfireMain main) { mMain = main; }
    void SetCommandLine(const str& commandLine) { mCommandLine = commandLine; }
    str GetCommandLine() const { return mCommandLine; }

private:
    void ApplyActions(uint32_t actions);
    void WarpToCentre();
    TEvent MakeRecord(int32_t type, int32_t param = 0) const;

    std::unique_ptr<TBackend> mBackend;
    TRandom mRandom;
    uint64_t mStartMs = 0;
    bool mQuitRequested = false;
    TQuillfireMain mMain = nullptr;
    str mCommandLine;
    bool mCloseRequested = false;
    str mResourcesDir, mUserDir, mCommonDir, mDesktopDir, mVersion;
    TTaskList mTasks;
    TWindowManager* mWindowManager = nullptr;
    TAssetManager* mAssetManager = nullptr;
    TSoundManager* mSoundManager = nullptr;
    TStringTable* mStringTable = nullptr;
    std::deque<TEvent> mQueue;  // first in, first out; each native event's group stays together
    bool mGameCursorShown = true;
    bool mDisplaySet = false;  // the first SetDisplay has run
    bool mSavedMode = false;   // full screen is in force (cleared while hidden in full screen)
    str mWindowTitle;
    str mWindowIcon;
    void ApplyWindowIcon();

    // Event pump state. mTranslate also holds the foreground and full-screen flags and the
    // cursor mode, which the translation reads.
    TTranslateState mTranslate;
    bool mQuitSent = false;
    bool mQueuePurged = false;
    unsigned int mBackgroundSleep = 0;  // ms slept per idle step while in the background

    // Frame-rate report ("ZESTKIT_SHOWFPS").
    int mShowFps = -1;  // -1 not looked up yet
    unsigned int mFrameTimes[15] = {};
    unsigned int mFrameIndex = 0;
    unsigned int mLastFpsReport = 0;
};
