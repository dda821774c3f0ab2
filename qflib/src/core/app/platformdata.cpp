// TPlatformData: folders, timer, display, cursor and the event pump over the backend.
#include "app/platformdata.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/seams.h"
#include "foundation/clock.h"
#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"

#include "foundation/stringtable.h"
#include "foundation/assetmanager.h"

bool gbFlashPlaying = false;
int gyFlip = 0;

namespace
{
int DesktopHeight(TBackend* backend)
{
    unsigned width = 0, height = 0;
    backend->GetDesktopSize(&width, &height);
    return int(height);
}
}  // namespace

const char* const TPlatformData::kProductName = "wombixomnivora";
const char* const TPlatformData::kProductVersion = "1.2.0.0";

TPlatformData::TPlatformData(std::unique_ptr<TBackend> backend, int, char**, bool)
    : mBackend(std::move(backend))
{
    // The C generator, seeded from the clock; the framework's own generator is seeded from it.
    srand(unsigned(time(nullptr)));

    // The resources folder (the one holding "assets/") becomes the working folder, then the
    // first scan. The foundation reaches the configuration and the built-in files through hooks
    // installed here, before it first needs them.
    qfSetConfigReader([](const char* key) { return TPlatform::GetConfig(str(key)); });
    TFile::SetRegisterFilesHook(&TPlatform::RegisterFiles);
    std::string resources = mBackend->GetResourcesFolder();
    std::error_code entered;
    if (!resources.empty())
        std::filesystem::current_path(resources, entered);
    if (!resources.empty() && !entered)
    {
        mResourcesDir = str(resources.c_str());
        TFile::SetResourcesDir(mResourcesDir);
    }
    TFile::ScanForResources();

    // Window manager, asset manager, string table.
    mWindowManager = TPlatformHooks::Window().CreateWindowManager();
    mAssetManager = new TAssetManager();
    TAssetManager::SetInstance(mAssetManager);
    mStringTable = new TStringTable();

    gyFlip = DesktopHeight(mBackend.get());

    // Start of the millisecond timer; the foundation's clocks run on it from now on.
    mStartMs = mBackend->MonotonicMs();
    qfSetTimeSource([this]() { return uint32_t(Timer()); });

    // Folder names: the game's own names when it asked for them, else the product's.
    const bool fixDirs = !TPlatform::GetConfig(str("mac_fix_common_and_user_dirs")).empty();
    str gameName = TPlatform::GetConfig(str(TPlatform::kGameName));
    str publisher = TPlatform::GetConfig(str(TPlatform::kPublisherName));
    str applicationFolder = (fixDirs && !gameName.empty()) ? gameName : GetProductName();
    str publisherFolder = (fixDirs && !publisher.empty()) ? publisher : str("Quillfire");

    // Common, desktop and user folders; one that cannot be had stays empty.
    std::string user, common, desktop;
    mBackend->GetFolders(applicationFolder.c_str(), publisherFolder.c_str(), &user, &common, &desktop);
    mUserDir = str(user.c_str());
    mCommonDir = str(common.c_str());
    mDesktopDir = str(desktop.c_str());

    // Version, the debug output (which keeps no file here), and the window title from the
    // application folder's name.
    mVersion = str(kProductVersion);
    ResetDbg(mUserDir.c_str());
    if (!applicationFolder.empty())
        mWindowTitle = applicationFolder.substr(0, 255);
}

TPlatformData::~TPlatformData()
{
    if (mSavedMode && mBackend->HasWindow())
        mBackend->SetFullscreen(false);
    if (mWindowManager)
    {
        TWindowManager* manager = mWindowManager;
        mWindowManager = nullptr;
        TPlatformHooks::Window().DeleteWindowManager(manager);
    }
    mTasks.DestroyAll();
    if (mSoundManager)
    {
        TSoundManager* sound = mSoundManager;
        mSoundManager = nullptr;
        TPlatformHooks::Sound().DeleteSoundManager(sound);
    }
    DeleteOwnedServices();
    qfSetTimeSource(TTimeSource());
    // The backend (window and GL context) goes with the members.
}

void TPlatformData::DeleteOwnedServices()
{
    delete mStringTable;
    mStringTable = nullptr;
    if (mAssetManager && TAssetManager::GetInstance() == mAssetManager)
        TAssetManager::SetInstance(nullptr);
    delete mAssetManager;
    mAssetManager = nullptr;
}

unsigned int TPlatformData::Timer()
{
    // Monotonic, wrapping at 2^32: every user compares times with wrap-around arithmetic.
    return unsigned(uint32_t(mBackend->MonotonicMs() - mStartMs));
}

void TPlatformData::Sleep(unsigned int ms)
{
    mBackend->SleepMs(ms);
}

bool TPlatformData::GetViewPortScale(float* scale) const
{
    if (scale)
        *scale = 1.0f;
    return false;
}

void TPlatformData::GetDisplay(unsigned int* width, unsigned int* height, bool* fullscreen) const
{
    TPlatformHooks::Render().GetDisplay(width, height, fullscreen);
}

str TPlatformData::GetProductName() const
{
    str name(kProductName);
    return name.downcase();
}

void TPlatformData::SetWindowTitle(const char* title)
{
    mWindowTitle = str(title ? title : "");
    if (mBackend->HasWindow())
        mBackend->SetWindowTitle(mWindowTitle.c_str());
}

void TPlatformData::SetWindowIcon(const char* resourceName)
{
    mWindowIcon = str(resourceName ? resourceName : "");
    if (mBackend->HasWindow())
        ApplyWindowIcon();
}

void TPlatformData::ApplyWindowIcon()
{
    if (mWindowIcon.empty())
        return;
    std::vector<uint32_t> pixels;
    unsigned width = 0, height = 0;
    if (TPlatformHooks::Render().LoadPicture(mWindowIcon.c_str(), &pixels, &width, &height))
        mBackend->SetWindowIcon(pixels.data(), width, height);
}

// ---------------------------------------------------------------------------------------------
// Display

void TPlatformData::SetDisplay(unsigned int width, unsigned int height, bool fullscreen)
{
    // The window (and its GL context) the first time. Without them there is no game.
    bool newWindow = false;
    if (!mBackend->HasWindow())
    {
        std::string error;
        if (!mBackend->CreateWindow(mWindowTitle.c_str(), width, height, &error))
        {
            fprintf(stderr, "creating the game window and its OpenGL context failed: %s\n", error.c_str());
            exit(-2);
        }
        newWindow = true;
        ApplyWindowIcon();
    }
    else
    {
        // Also on the way into full screen: the backend maps mouse positions and warps through
        // the display size, which may differ from the windowed one.
        mBackend->SetWindowSize(width, height);
    }
    // Display fades are not available here, so nothing waits. Switch the mode when it changes;
    // a refused switch leaves the window as it was.
    bool granted = mSavedMode;
    if (fullscreen != mSavedMode)
    {
        if (mBackend->SetFullscreen(fullscreen))
            granted = fullscreen;
    }
    mSavedMode = granted;
    if (granted)
    {
        if (mBackend->IsSystemCursorVisible() && mBackend->IsMouseInContent())
            mBackend->ShowSystemCursor(false);
    }
    // Show the window.
    mBackend->ShowWindow();
    // Raised once here rather than at every full-screen idle step: raising every millisecond
    // floods the window system.
    if (newWindow || granted)
        mBackend->RaiseWindow();
    // Mouse translation follows the mode. (The warp to the centre needs the display handler's
    // new size, so it follows the renderer's display change below.)
    mTranslate.mFullscreen = granted;
    // The GL context current, drawing in step with the display's refresh.
    mBackend->MakeCurrent();
    mBackend->SetSwapInterval(1);
    // The renderer takes the new size, then the pointer goes to the centre.
    TPlatformHooks::Render().SetDisplay(width, height, granted);
    WarpToCentre();
    // The first display starts with one black frame, drawn with the game cursor hidden.
    const bool first = !mDisplaySet;
    if (first)
    {
        ShowCursor(false);
        TPlatformHooks::Render().DrawStartupFrame(width, height);
        ShowCursor(true);
        // The game's cursor picture, loaded once.
        TPlatformHooks::Render().LoadSystemCursor();
    }
    // Clipping to the whole new display, and the rasteriser for it.
    TPlatformHooks::Render().ReplaceClipping(width, height);
    TPlatformHooks::Render().CreateRasteriser();
    mDisplaySet = true;
}

bool TPlatformData::SetFullscreen(bool fullscreen)
{
    gyFlip = DesktopHeight(mBackend.get());
    unsigned int width = 0, height = 0;
    bool current = false;
    GetDisplay(&width, &height, &current);
    if (current == fullscreen)
        return true;
    if (!mDisplaySet)
        return true;  // no display yet: the first SetDisplay chooses the mode
    SetDisplay(width, height, fullscreen);
    // false when the window system refused the switch (the window stays as it was).
    return mTranslate.mFullscreen == fullscreen;
}

void TPlatformData::SwapDisplayMode()
{
    // Desktop full screen changes no display mode, and a minimised window must stay where the
    // window manager can restore it, so only the bookkeeping and the cursor remain.
    if (!mTranslate.mFullscreen)
        return;
    if (mSavedMode)
    {
        mSavedMode = false;
    }
    else
    {
        mSavedMode = true;
        if (mBackend->IsSystemCursorVisible() && mBackend->IsMouseInContent())
            mBackend->ShowSystemCursor(false);
    }
}

void TPlatformData::ShowCursor(bool show)
{
    mGameCursorShown = show;
    TPlatformHooks::Render().SetGameCursorShown(show);
    // The system cursor is only ever visible outside the game's content.
    if (show)
    {
        if (!mBackend->IsSystemCursorVisible() && !mBackend->IsMouseInContent())
            mBackend->ShowSystemCursor(true);
    }
    else
    {
        if (mBackend->IsSystemCursorVisible() && mBackend->IsMouseInContent())
            mBackend->ShowSystemCursor(false);
    }
}

void TPlatformData::SetCursor(std::shared_ptr<TTexture> texture, const TPoint& hotSpot, bool flag)
{
    if (flag && !TPlatformHooks::Render().IsCursorLocked())
        return;
    if (!texture)
        return;
    if (mBackend->IsSystemCursorVisible() && mBackend->IsMouseInContent())
        mBackend->ShowSystemCursor(false);
    TPlatformHooks::Render().SetCursor(std::move(texture), hotSpot, flag);
}

bool TPlatformData::IsMouseInContent()
{
    return mBackend->IsMouseInContent();
}

void TPlatformData::GetViewport(int* x, int* y, int* width, int* height)
{
    unsigned dw = 0, dh = 0, ww = 0, wh = 0;
    bool fullscreen = false;
    GetDisplay(&dw, &dh, &fullscreen);
    mBackend->GetDrawableSize(&ww, &wh);
    *x = *y = 0;
    *width = int(dw);
    *height = int(dh);
    double scale, left, top;
    if (!LetterboxRect(dw, dh, ww, wh, &scale, &left, &top))
        return;
    *width = int(dw * scale);
    *height = int(dh * scale);
    // GL counts rows from the bottom: the bottom margin is the top one's mirror.
    *x = int(left);
    *y = (int(wh) - *height) / 2;
}

bool TPlatformData::BeginDraw(bool flag)
{
    if (mBackend->HasWindow())
        mBackend->MakeCurrent();
    return TPlatformHooks::Render().BeginDraw(flag);
}

void TPlatformData::EndDraw(bool flag)
{
    TPlatformHooks::Render().EndDraw(flag);
    if (mShowFps < 0)
        mShowFps = getenv("ZESTKIT_SHOWFPS") ? 1 : 0;
    if (!mShowFps)
        return;
    unsigned int now = Timer();
    mFrameTimes[mFrameIndex] = now;
    mFrameIndex = (mFrameIndex + 1) % 15;
    if (mFrameIndex == 0 && now - mLastFpsReport > 1000)
    {
        // The ring has just wrapped: slot 0 is the oldest of the 15 times, slot 14 the newest.
        unsigned int interval = mFrameTimes[14] - mFrameTimes[0];
        mLastFpsReport = now;
        // Fifteen frames within one millisecond (no vertical sync) give no rate to report.
        if (interval > 0)
            WriteDbg("fps: %f", 15000.0 / double(interval));
    }
}

void TPlatformData::SwapBuffers()
{
    mBackend->SwapBuffers();
}

void TPlatformData::OpenBrowser(const char* url)
{
    if (url)
        mBackend->OpenURL(url);
}

void TPlatformData::Exit(int)
{
    mQuitRequested = true;
}

bool TPlatformData::StringToClipboard(const str&)
{
    return false;
}

str TPlatformData::StringFromClipboard()
{
    return str();
}

// ---------------------------------------------------------------------------------------------
// Event pump

TEvent TPlatformData::MakeRecord(int32_t type, int32_t param) const
{
    return TEvent(type, param, 0, 0, mBackend->GetModifiers());
}

void TPlatformData::SetUnicodeModes(bool pelloryUnicode, bool qfUnicode)
{
    mTranslate.mPelloryUnicode = pelloryUnicode;
    mTranslate.mQFUnicode = qfUnicode;
}

void TPlatformData::SetCursorMode(TPlatform::ECursorMode mode)
{
    mTranslate.mCursorMode = int(mode);
    mBackend->SetRelativeMouse(mode == TPlatform::kCursorRelative);
}

void TPlatformData::WarpToCentre()
{
    unsigned int width = 0, height = 0;
    bool fullscreen = false;
    GetDisplay(&width, &height, &fullscreen);
    if (mBackend->HasWindow())
        mBackend->WarpMouse(int32_t(width / 2), int32_t(height / 2));
}

void TPlatformData::QueueEvent(const TNativeEvent& event)
{
    mTranslate.mFlashPlaying = gbFlashPlaying;
    TTranslation t = TranslateNativeEvent(event, mTranslate);
    ApplyActions(t.mActions);
    for (const TEvent& record : t.mRecords)
        mQueue.push_back(record);
}

void TPlatformData::ApplyActions(uint32_t actions)
{
    if (!actions)
        return;
    if (actions & kActionToggleFullscreen)
        SetFullscreen(!mTranslate.mFullscreen);
    if (actions & kActionToggleHUD)
        TPlatformHooks::Render().ToggleHUD();
    if (actions & kActionCloseRequested)
        mCloseRequested = true;
    if ((actions & kActionSoundActive) && mSoundManager)
        TPlatformHooks::Sound().AppActivate(mSoundManager, true);
    if ((actions & kActionSoundInactive) && mSoundManager)
        TPlatformHooks::Sound().AppActivate(mSoundManager, false);
    if (actions & kActionSwapDisplayMode)
        SwapDisplayMode();
    if (actions & kActionHideApplication)
        mBackend->MinimizeWindow();
    if ((actions & kActionHideSystemCursor) && mBackend->IsSystemCursorVisible() &&
        mBackend->IsMouseInContent())
        mBackend->ShowSystemCursor(false);
    if ((actions & kActionShowSystemCursor) && !mBackend->IsSystemCursorVisible() &&
        !mBackend->IsMouseInContent())
        mBackend->ShowSystemCursor(true);
    if (actions & kActionWarpToCentre)
        WarpToCentre();
    if ((actions & kActionInvalidateScreen) && mWindowManager)
        TPlatformHooks::Window().InvalidateScreen(mWindowManager);
    if (actions & kActionRebuildDisplay)
        TPlatformHooks::Render().RebuildDisplay();
    // kActionRebuildMouseTracker: enter and exit notices need no tracking region here.
}

unsigned TPlatformData::IdleWaitMs()
{
    // Without a window manager nothing tells when the game's frame is due: poll as often as
    // the shortest wait allows.
    if (!mWindowManager)
        return kShortestIdleWaitMs;
    unsigned wait = mTasks.IdleQuietMs(kLongestIdleWaitMs);
    if (wait > 0)
        wait = TPlatformHooks::Window().IdleQuietMs(mWindowManager, wait);
    return wait < kShortestIdleWaitMs ? kShortestIdleWaitMs : wait;
}

void TPlatformData::GetEvent(TEvent* event)
{
    // Each switch to relative mode drops what was queued in absolute coordinates.
    if (mTranslate.mCursorMode == TPlatform::kCursorRelative)
    {
        if (!mQueuePurged)
        {
            mQueue.clear();
            mQueuePurged = true;
        }
    }
    else
    {
        mQueuePurged = false;
    }
    // The quit record, once per run.
    if (mQuitRequested && !mQuitSent)
    {
        mQuitSent = true;
        *event = MakeRecord(TEvent::kQuit);
        return;
    }
    // A close request (window close, the system's quit, SIGINT/SIGTERM).
    if (mCloseRequested)
    {
        mCloseRequested = false;
        if (mWindowManager)
            TPlatformHooks::Window().CloseRequested(mWindowManager);
        *event = MakeRecord(TEvent::kCloseRequested);
        return;
    }
    // Queued records, oldest group first; no wait and no sound pass.
    if (!mQueue.empty())
    {
        *event = mQueue.front();
        mQueue.pop_front();
        return;
    }
    // Wait for the next native event, at most until an idle step would have work.
    TNativeEvent native;
    TBackend::EWaitResult result = mBackend->WaitEvent(&native, IdleWaitMs());
    if (result == TBackend::kWaitEvent)
    {
        QueueEvent(native);
        *event = mQueue.front();
        mQueue.pop_front();
    }
    else
    {
        if (result == TBackend::kWaitTimeout)
        {
            if (mTranslate.mForeground)
            {
                mBackgroundSleep = 0;
            }
            else
            {
                // Leave the processor to other applications: 10, 20, ... up to 1000 ms.
                mBackgroundSleep = mBackgroundSleep + 10 > 1000 ? 1000 : mBackgroundSleep + 10;
                mBackend->SleepMs(mBackgroundSleep);
            }
            mTasks.DoAll(TTask::kContextIdle);
        }
        // A failed wait reports idle too, so the caller's record is always written.
        *event = MakeRecord(TEvent::kIdle);
    }
    // The sound manager's main-thread notification pass.
    if (mSoundManager)
        TPlatformHooks::Sound().HandleNotifications(mSoundManager);
}
