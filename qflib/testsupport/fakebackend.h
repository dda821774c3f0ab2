// A backend for tests: native events are scripted, the clock only moves when told (or when the
// pump sleeps or waits), and every call that matters is recorded as one line of text.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/backend.h"

class FakeBackend : public TBackend
{
public:
    FakeBackend();
    ~FakeBackend() override;

    // Script and clock.
    void PushEvent(const TNativeEvent& event) { mEvents.push_back(event); }
    void PushWaitError() { mErrorsPending++; }
    void AdvanceMs(uint64_t ms) { mNowMs += ms; }
    uint64_t NowMs() const { return mNowMs; }
    size_t PendingEvents() const { return mEvents.size(); }
    // When set, every wait that times out advances the clock by its time-out.
    bool mWaitAdvancesClock = true;
    unsigned mLastWaitTimeout = 0;  // the time-out of the last WaitEvent

    // Records, one line per call ("SleepMs 10", "CreateWindow 640x480", ...).
    std::vector<std::string> mCalls;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    size_t CountCalls(const std::string& prefix) const { return CallsStartingWith(prefix).size(); }
    void ClearCalls() { mCalls.clear(); }
    // Records of every TBackend destroyed so far (shared by all instances).
    static std::vector<std::string>& DestroyedLog();

    // Settable state.
    uint32_t mModifiers = 0;
    int32_t mMouseX = 0, mMouseY = 0;
    bool mMouseInContent = true;
    bool mSystemCursorVisible = true;
    bool mFailCreateWindow = false;
    bool mRefuseFullscreen = false;
    std::string mResourcesFolder;
    std::string mUserDir = "/tmp/fake-user", mCommonDir = "/tmp/fake-common", mDesktopDir;
    unsigned mDesktopWidth = 1920, mDesktopHeight = 1080;
    // The drawable size: the window's size, or the desktop's in full screen.

    // Observable state.
    bool mHasWindow = false;
    bool mFullscreen = false;
    bool mRelative = false;
    std::string mTitle;
    std::vector<uint32_t> mIcon;  // the last window icon, row by row
    unsigned mIconWidth = 0, mIconHeight = 0;
    unsigned mWidth = 0, mHeight = 0;
    std::string mLastApplicationFolder, mLastPublisherFolder;

    // TBackend
    uint64_t MonotonicMs() override { return mNowMs; }
    void SleepMs(unsigned ms) override;
    EWaitResult WaitEvent(TNativeEvent* out, unsigned timeoutMs) override;
    uint32_t GetModifiers() override { return mModifiers; }
    void GetMouse(int32_t* x, int32_t* y) override;
    bool HasWindow() override { return mHasWindow; }
    bool CreateWindow(const char* title, unsigned width, unsigned height, std::string* error) override;
    void SetWindowTitle(const char* utf8) override;
    void SetWindowIcon(const uint32_t* pixels, unsigned width, unsigned height) override;
    void SetWindowSize(unsigned width, unsigned height) override;
    bool SetFullscreen(bool fullscreen) override;
    void ShowWindow() override { Record("ShowWindow"); }
    void HideWindow() override { Record("HideWindow"); }
    void RaiseWindow() override { Record("RaiseWindow"); }
    void MinimizeWindow() override { Record("MinimizeWindow"); }
    void MakeCurrent() override { Record("MakeCurrent"); }
    void SetSwapInterval(int interval) override;
    void SwapBuffers() override { Record("SwapBuffers"); }
    void GetDesktopSize(unsigned* width, unsigned* height) override;
    void GetDrawableSize(unsigned* width, unsigned* height) override;
    bool IsSystemCursorVisible() override { return mSystemCursorVisible; }
    void ShowSystemCursor(bool show) override;
    bool IsMouseInContent() override { return mMouseInContent; }
    void WarpMouse(int32_t x, int32_t y) override;
    void SetRelativeMouse(bool relative) override;
    std::string GetResourcesFolder() override { return mResourcesFolder; }
    void GetFolders(const std::string& applicationFolder, const std::string& publisherFolder,
                    std::string* userDir, std::string* commonDir, std::string* desktopDir) override;
    bool SetClipboardText(const std::string& utf8) override;
    std::string GetClipboardText() override { return mClipboard; }
    bool OpenURL(const char* url) override;

private:
    void Record(const std::string& line) { mCalls.push_back(line); }
    std::deque<TNativeEvent> mEvents;
    int mErrorsPending = 0;
    uint64_t mNowMs = 1000000;  // not 0, so that "milliseconds since start" is really relative
    std::string mClipboard;
};

// The backend QuillfireExec runs on next (tests that run QuillfireExec script it first); also
// registers the fake backend's factory (MakeFakePlatformBackend) as the platform's. Without a
// scripted one, the factory makes a fresh FakeBackend. The last one handed out stays reachable
// until its platform object deletes it.
void SetNextFakeBackend(std::unique_ptr<FakeBackend> backend);
std::unique_ptr<TBackend> MakeFakePlatformBackend();
FakeBackend* LastFakeBackend();
