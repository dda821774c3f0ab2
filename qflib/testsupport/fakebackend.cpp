#include "fakebackend.h"

#include <cstdio>

namespace
{
std::unique_ptr<FakeBackend> gNext;
FakeBackend* gLast = nullptr;
}  // namespace

FakeBackend::FakeBackend() = default;

FakeBackend::~FakeBackend()
{
    DestroyedLog().push_back("FakeBackend destroyed");
    if (gLast == this)
        gLast = nullptr;
}

std::vector<std::string>& FakeBackend::DestroyedLog()
{
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string> FakeBackend::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& c : mCalls)
        if (c.compare(0, prefix.size(), prefix) == 0)
            out.push_back(c);
    return out;
}

void FakeBackend::SleepMs(unsigned ms)
{
    Record("SleepMs " + std::to_string(ms));
    mNowMs += ms;
}

TBackend::EWaitResult FakeBackend::WaitEvent(TNativeEvent* out, unsigned timeoutMs)
{
    mLastWaitTimeout = timeoutMs;
    if (mErrorsPending > 0)
    {
        mErrorsPending--;
        return kWaitError;
    }
    if (mEvents.empty())
    {
        if (mWaitAdvancesClock)
            mNowMs += timeoutMs;
        return kWaitTimeout;
    }
    *out = mEvents.front();
    mEvents.pop_front();
    return kWaitEvent;
}

void FakeBackend::GetMouse(int32_t* x, int32_t* y)
{
    if (x)
        *x = mMouseX;
    if (y)
        *y = mMouseY;
}

bool FakeBackend::CreateWindow(const char* title, unsigned width, unsigned height, std::string* error)
{
    Record("CreateWindow " + std::to_string(width) + "x" + std::to_string(height));
    if (mFailCreateWindow)
    {
        if (error)
            *error = "scripted failure";
        return false;
    }
    mHasWindow = true;
    mTitle = title ? title : "";
    mWidth = width;
    mHeight = height;
    return true;
}

void FakeBackend::SetWindowTitle(const char* utf8)
{
    mTitle = utf8 ? utf8 : "";
    Record("SetWindowTitle " + mTitle);
}

void FakeBackend::SetWindowIcon(const uint32_t* pixels, unsigned width, unsigned height)
{
    mIcon.assign(pixels, pixels + size_t(width) * height);
    mIconWidth = width;
    mIconHeight = height;
    Record("SetWindowIcon " + std::to_string(width) + "x" + std::to_string(height));
}

void FakeBackend::SetWindowSize(unsigned width, unsigned height)
{
    mWidth = width;
    mHeight = height;
    Record("SetWindowSize " + std::to_string(width) + "x" + std::to_string(height));
}

bool FakeBackend::SetFullscreen(bool fullscreen)
{
    Record(std::string("SetFullscreen ") + (fullscreen ? "1" : "0"));
    if (mRefuseFullscreen)
        return false;
    mFullscreen = fullscreen;
    return true;
}

void FakeBackend::SetSwapInterval(int interval)
{
    Record("SetSwapInterval " + std::to_string(interval));
}

void FakeBackend::GetDesktopSize(unsigned* width, unsigned* height)
{
    if (width)
        *width = mDesktopWidth;
    if (height)
        *height = mDesktopHeight;
}

void FakeBackend::GetDrawableSize(unsigned* width, unsigned* height)
{
    if (width)
        *width = mFullscreen ? mDesktopWidth : mWidth;
    if (height)
        *height = mFullscreen ? mDesktopHeight : mHeight;
}

void FakeBackend::ShowSystemCursor(bool show)
{
    mSystemCursorVisible = show;
    Record(std::string("ShowSystemCursor ") + (show ? "1" : "0"));
}

void FakeBackend::WarpMouse(int32_t x, int32_t y)
{
    mMouseX = x;
    mMouseY = y;
    Record("WarpMouse " + std::to_string(x) + "," + std::to_string(y));
}

void FakeBackend::SetRelativeMouse(bool relative)
{
    mRelative = relative;
    Record(std::string("SetRelativeMouse ") + (relative ? "1" : "0"));
}

void FakeBackend::GetFolders(const std::string& applicationFolder, const std::string& publisherFolder,
                             std::string* userDir, std::string* commonDir, std::string* desktopDir)
{
    mLastApplicationFolder = applicationFolder;
    mLastPublisherFolder = publisherFolder;
    Record("GetFolders " + applicationFolder + " " + publisherFolder);
    *userDir = mUserDir;
    *commonDir = mCommonDir;
    *desktopDir = mDesktopDir;
}

bool FakeBackend::SetClipboardText(const std::string& utf8)
{
    mClipboard = utf8;
    return true;
}

bool FakeBackend::OpenURL(const char* url)
{
    Record(std::string("OpenURL ") + (url ? url : ""));
    return true;
}

void SetNextFakeBackend(std::unique_ptr<FakeBackend> backend)
{
    gNext = std::move(backend);
    SetPlatformBackendFactory(MakeFakePlatformBackend);
}

FakeBackend* LastFakeBackend()
{
    return gLast;
}

std::unique_ptr<TBackend> MakeFakePlatformBackend()
{
    std::unique_ptr<FakeBackend> backend = gNext ? std::move(gNext) : std::make_unique<FakeBackend>();
    gLast = backend.get();
    return backend;
}
