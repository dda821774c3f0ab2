// The SDL2 desktop backend: window, GL context, native events, clock, folders and cursor.
#include "sdlbackend.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "foundation/debug.h"
#include "foundation/file.h"

extern char** environ;

// ---------------------------------------------------------------------------------------------
// Signals

namespace
{
std::atomic<bool> gTerminationSignal{false};
struct sigaction gPreviousInt, gPreviousTerm;
int gInstalled = 0;

// Only sets the flag: everything else happens on the main thread's orderly quit path.
void OnTerminationSignal(int)
{
    gTerminationSignal.store(true);
}
}  // namespace

void InstallTerminationSignals()
{
    if (gInstalled++ > 0)
        return;
    struct sigaction action = {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &gPreviousInt);
    sigaction(SIGTERM, &action, &gPreviousTerm);
}

void RemoveTerminationSignals()
{
    if (gInstalled == 0 || --gInstalled > 0)
        return;
    sigaction(SIGINT, &gPreviousInt, nullptr);
    sigaction(SIGTERM, &gPreviousTerm, nullptr);
}

bool TakeTerminationSignal()
{
    return gTerminationSignal.exchange(false);
}

// ---------------------------------------------------------------------------------------------
// Pure mappings

TNativeEvent::EKey MapSdlKey(int32_t key, uint32_t* keyChar)
{
    *keyChar = 0;
    switch (key)
    {
    case SDLK_RETURN: return TNativeEvent::kKeyReturn;
    case SDLK_KP_ENTER: return TNativeEvent::kKeyKeypadEnter;
    case SDLK_ESCAPE: return TNativeEvent::kKeyEscape;
    case SDLK_TAB: return TNativeEvent::kKeyTab;
    case SDLK_BACKSPACE: return TNativeEvent::kKeyBackspace;
    case SDLK_DELETE: return TNativeEvent::kKeyDelete;
    case SDLK_LEFT: return TNativeEvent::kKeyArrowLeft;
    case SDLK_RIGHT: return TNativeEvent::kKeyArrowRight;
    case SDLK_UP: return TNativeEvent::kKeyArrowUp;
    case SDLK_DOWN: return TNativeEvent::kKeyArrowDown;
    case SDLK_F1: return TNativeEvent::kKeyF1;
    case SDLK_F2: return TNativeEvent::kKeyF2;
    case SDLK_F3: return TNativeEvent::kKeyF3;
    case SDLK_F4: return TNativeEvent::kKeyF4;
    default: break;
    }
    if ((key >= SDLK_F5 && key <= SDLK_F12) || (key >= SDLK_F13 && key <= SDLK_F24))
        return TNativeEvent::kKeyFunctionOther;
    // Keypad keys that type something (digits, operators, the point): their text decides.
    if ((key >= SDLK_KP_DIVIDE && key <= SDLK_KP_PLUS) || (key >= SDLK_KP_1 && key <= SDLK_KP_PERIOD) ||
        key == SDLK_KP_EQUALS || key == SDLK_KP_COMMA)
        return TNativeEvent::kKeyPrintable;
    // Keys named by a scancode (Home, End, Page Up, modifiers, ...) carry no code.
    if (key & SDLK_SCANCODE_MASK)
        return TNativeEvent::kKeyNone;
    if (key >= 32 && key != 127)
    {
        *keyChar = uint32_t(key);
        return TNativeEvent::kKeyPrintable;
    }
    return TNativeEvent::kKeyNone;
}

uint32_t MapSdlModifiers(uint32_t mod)
{
    uint32_t bits = 0;
    if (mod & KMOD_LSHIFT)
        bits |= 1;
    if (mod & KMOD_LCTRL)
        bits |= 2;
    if (mod & KMOD_LALT)
        bits |= 4;
    return bits;
}

bool SpawnProcess(const std::vector<std::string>& args, pid_t* pid)
{
    if (args.empty())
        return false;
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    if (pid)
        *pid = child;
    return true;
}

// ---------------------------------------------------------------------------------------------
// SdlBackend

bool IsHeadlessVideoDriver(const char* driver)
{
    if (!driver)
        return false;
    for (const char* name : {"offscreen", "dummy", "evdev"})
    {
        if (strcmp(driver, name) == 0)
            return true;
    }
    return false;
}

bool IsVideoDriverRequested(const char* driver)
{
    // SDL reads the hint from the environment variable of the same name; it may list several.
    const char* wanted = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (!wanted || !driver)
        return false;
    const size_t length = strlen(driver);
    for (const char* at = wanted; (at = strstr(at, driver)) != nullptr; at += length)
    {
        const bool starts = at == wanted || at[-1] == ',';
        const bool ends = at[length] == '\0' || at[length] == ',';
        if (starts && ends)
            return true;
    }
    return false;
}

SdlBackend::SdlBackend()
{
    // Our own handlers turn SIGINT and SIGTERM into the orderly quit path, with or without video.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "1");
#ifdef SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE
    // The window's close box already asks for the orderly quit; a second request is noise.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
#endif
    InstallTerminationSignals();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
    {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (IsHeadlessVideoDriver(driver) && !IsVideoDriverRequested(driver))
        {
            // When no window system answers, SDL falls back on a driver that draws into memory
            // only: the game would then run, invisible and deaf to the player, until killed.
            // Only an explicit request (the tests' headless runs) may have that.
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            const char* display = getenv("DISPLAY");
            SDL_SetError("no window system could be reached (DISPLAY is %s%s%s)", display ? "\"" : "",
                         display ? display : "not set", display ? "\"" : "");
            WriteDbg("SDL video could not start: %s", SDL_GetError());
        }
        else
        {
            mVideo = true;
        }
    }
    else
    {
        WriteDbg("SDL video could not start: %s", SDL_GetError());
    }
}

SdlBackend::~SdlBackend()
{
    ReleaseX11PixelPut(&mPixelPut);
    if (mContext)
        SDL_GL_DeleteContext(mContext);
    if (mWindow)
        SDL_DestroyWindow(mWindow);
    if (mVideo)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ReapChildren();
    RemoveTerminationSignals();
}

uint64_t SdlBackend::MonotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

void SdlBackend::SleepMs(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SdlBackend::ReapChildren()
{
    for (size_t i = 0; i < mChildren.size();)
    {
        int status = 0;
        pid_t r = waitpid(mChildren[i], &status, WNOHANG);
        if (r == 0)
        {
            ++i;
        }
        else
        {
            mChildren.erase(mChildren.begin() + long(i));
        }
    }
}

TBackend::EWaitResult SdlBackend::WaitEvent(TNativeEvent* out, unsigned timeoutMs)
{
    if (!mChildren.empty())
        ReapChildren();
    if (TakeTerminationSignal())
    {
        *out = TNativeEvent();
        out->mKind = TNativeEvent::kQuitRequested;
        return kWaitEvent;
    }
    if (!mVideo)
    {
        SleepMs(timeoutMs);
        return kWaitTimeout;
    }
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;)
    {
        uint64_t now = MonotonicMs();
        int remaining = now >= deadline ? 0 : int(deadline - now);
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, remaining))
            return kWaitTimeout;
        if (Convert(event, out))
            return kWaitEvent;
        // Events of no interest do not count as an answer; keep waiting until the time-out.
        if (MonotonicMs() >= deadline)
            return kWaitTimeout;
    }
}

uint32_t SdlBackend::GetModifiers()
{
    return MapSdlModifiers(uint32_t(SDL_GetModState()));
}

void SdlBackend::GetMouse(int32_t* x, int32_t* y)
{
    int wx = 0, wy = 0;
    if (mVideo)
        SDL_GetMouseState(&wx, &wy);
    WindowToDisplay(wx, wy, x, y);
}

bool SdlBackend::Letterbox(double* scale, double* ox, double* oy) const
{
    if (!mWindow)
        return false;
    return LetterboxRect(mWidth, mHeight, mRealWidth, mRealHeight, scale, ox, oy);
}

void SdlBackend::RefreshRealSize()
{
    // A window that changed its size or its mode shows nothing of the last frame for sure.
    mWindowLost = true;
    if (!mWindow)
    {
        mRealWidth = mRealHeight = 0;
        return;
    }
    int w = 0, h = 0;
    // SDL records a full-screen request as granted at once; the X server knows what the window
    // manager (if there is one) really did.
    if (!QueryX11WindowSize(mWindow, &w, &h) || w <= 0 || h <= 0)
        SDL_GL_GetDrawableSize(mWindow, &w, &h);
    mRealWidth = unsigned(w > 0 ? w : 0);
    mRealHeight = unsigned(h > 0 ? h : 0);
}

bool SdlBackend::WaitUntilCoveringDisplay(unsigned timeoutMs)
{
    SDL_Rect bounds = {0, 0, 0, 0};
    const int display = SDL_GetWindowDisplayIndex(mWindow);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
    {
        RefreshRealSize();
        return true;  // no display size to compare with: take SDL's word
    }
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;)
    {
        // The window manager answers through the event queue; pumping lets SDL follow it.
        SDL_PumpEvents();
        RefreshRealSize();
        if (mRealWidth >= unsigned(bounds.w) && mRealHeight >= unsigned(bounds.h))
            return true;
        if (MonotonicMs() >= deadline)
            return false;
        SleepMs(10);
    }
}

void SdlBackend::WindowToDisplay(int32_t wx, int32_t wy, int32_t* x, int32_t* y) const
{
    double scale, ox, oy;
    if (!Letterbox(&scale, &ox, &oy))
    {
        *x = wx;
        *y = wy;
        return;
    }
    *x = int32_t((wx - ox) / scale);
    *y = int32_t((wy - oy) / scale);
}

void SdlBackend::DisplayToWindow(int32_t x, int32_t y, int32_t* wx, int32_t* wy) const
{
    double scale, ox, oy;
    if (!Letterbox(&scale, &ox, &oy))
    {
        *wx = x;
        *wy = y;
        return;
    }
    *wx = int32_t(x * scale + ox);
    *wy = int32_t(y * scale + oy);
}

bool SdlBackend::Convert(const SDL_Event& e, TNativeEvent* out)
{
    TNativeEvent n;
    n.mModifiers = GetModifiers();
    switch (e.type)
    {
    case SDL_QUIT: n.mKind = TNativeEvent::kQuitRequested; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    {
        n.mKind = e.type == SDL_KEYDOWN ? TNativeEvent::kKeyDown : TNativeEvent::kKeyUp;
        n.mKey = MapSdlKey(e.key.keysym.sym, &n.mKeyChar);
        n.mScancode = uint32_t(e.key.keysym.scancode);
        n.mRepeat = e.key.repeat != 0;
        n.mModifiers = MapSdlModifiers(e.key.keysym.mod);
        GetMouse(&n.mX, &n.mY);
        if (e.type == SDL_KEYDOWN)
        {
            // The text this key typed follows it in the queue; keep the two together.
            SDL_Event next;
            if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
                next.type == SDL_TEXTINPUT)
            {
                SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
                n.mText = next.text.text;
            }
        }
        break;
    }
    case SDL_TEXTINPUT:
        n.mKind = TNativeEvent::kTextInput;
        n.mText = e.text.text;
        GetMouse(&n.mX, &n.mY);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    {
        n.mKind = e.type == SDL_MOUSEBUTTONDOWN ? TNativeEvent::kMouseDown : TNativeEvent::kMouseUp;
        switch (e.button.button)
        {
        case SDL_BUTTON_LEFT: n.mButton = 1; break;
        case SDL_BUTTON_RIGHT: n.mButton = 2; break;   // SDL numbers middle and right
        case SDL_BUTTON_MIDDLE: n.mButton = 3; break;  // the other way round
        default: n.mButton = e.button.button; break;
        }
        WindowToDisplay(e.button.x, e.button.y, &n.mX, &n.mY);
        break;
    }
    case SDL_MOUSEMOTION:
    {
        n.mKind = TNativeEvent::kMouseMoved;
        int32_t x = e.motion.x, y = e.motion.y, dx = e.motion.xrel, dy = e.motion.yrel;
        // A run of waiting moves becomes one, so that a fast mouse cannot starve the idle step.
        SDL_Event next;
        while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
               next.type == SDL_MOUSEMOTION)
        {
            SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION);
            x = next.motion.x;
            y = next.motion.y;
            dx += next.motion.xrel;
            dy += next.motion.yrel;
        }
        WindowToDisplay(x, y, &n.mX, &n.mY);
        n.mDX = dx;
        n.mDY = dy;
        break;
    }
    case SDL_MOUSEWHEEL:
    {
        n.mKind = TNativeEvent::kMouseWheel;
        int32_t sx = e.wheel.x, sy = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        {
            sx = -sx;
            sy = -sy;
        }
        if (sy != 0 || sx == 0)
        {
            n.mAxis = 1;
            n.mDelta = sy;
        }
        else
        {
            n.mAxis = 0;
            n.mDelta = sx;
        }
        GetMouse(&n.mX, &n.mY);
        break;
    }
    case SDL_WINDOWEVENT:
    {
        if (mWindow && e.window.windowID != SDL_GetWindowID(mWindow))
            return false;
        switch (e.window.event)
        {
        case SDL_WINDOWEVENT_CLOSE: n.mKind = TNativeEvent::kWindowClose; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: n.mKind = TNativeEvent::kFocusGained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: n.mKind = TNativeEvent::kFocusLost; break;
        case SDL_WINDOWEVENT_ENTER:
            n.mKind = TNativeEvent::kMouseEntered;
            GetMouse(&n.mX, &n.mY);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            n.mKind = TNativeEvent::kMouseExited;
            GetMouse(&n.mX, &n.mY);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            mWindowLost = true;
            n.mKind = TNativeEvent::kMinimized;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            mWindowLost = true;
            n.mKind = TNativeEvent::kRestored;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_HIDDEN:
            // The window system asks for the picture again (uncovered, mapped): the next frame
            // is swapped whole.
            mWindowLost = true;
            return false;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
            // The picture and the mouse mapping follow the new size from here on.
            RefreshRealSize();
            n.mKind = TNativeEvent::kWindowResized;
            break;
        default: return false;
        }
        break;
    }
    case SDL_DISPLAYEVENT: n.mKind = TNativeEvent::kDisplayChanged; break;
    default: return false;
    }
    *out = n;
    return true;
}

namespace
{
bool (*gSceneProbe)(unsigned, unsigned) = &SdlBackend::SceneFramebufferPossible;
}  // namespace

bool SdlBackend::SceneFramebufferPossible(unsigned width, unsigned height)
{
    // Looked up rather than linked: a driver without framebuffer objects has none to give.
    auto genFramebuffers =
        reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glGenFramebuffers"));
    auto deleteFramebuffers =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteFramebuffers"));
    auto bindFramebuffer =
        reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    auto checkStatus =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(SDL_GL_GetProcAddress("glCheckFramebufferStatus"));
    auto genRenderbuffers =
        reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glGenRenderbuffers"));
    auto deleteRenderbuffers =
        reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteRenderbuffers"));
    auto bindRenderbuffer =
        reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glBindRenderbuffer"));
    auto renderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(SDL_GL_GetProcAddress("glRenderbufferStorage"));
    auto attachRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(
        SDL_GL_GetProcAddress("glFramebufferRenderbuffer"));
    if (!genFramebuffers || !deleteFramebuffers || !bindFramebuffer || !checkStatus || !genRenderbuffers ||
        !deleteRenderbuffers || !bindRenderbuffer || !renderbufferStorage || !attachRenderbuffer)
        return false;
    GLuint framebuffer = 0, color = 0;
    genFramebuffers(1, &framebuffer);
    genRenderbuffers(1, &color);
    bindRenderbuffer(GL_RENDERBUFFER, color);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width), GLsizei(height));
    bindRenderbuffer(GL_RENDERBUFFER, 0);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    attachRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    const bool complete = checkStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    bindFramebuffer(GL_FRAMEBUFFER, 0);
    deleteFramebuffers(1, &framebuffer);
    deleteRenderbuffers(1, &color);
    // A refused size leaves an error behind; the display handler starts with none.
    while (glGetError() != GL_NO_ERROR)
    {
    }
    return complete;
}

void SdlBackend::SetSceneFramebufferProbe(bool (*probe)(unsigned, unsigned))
{
    gSceneProbe = probe ? probe : &SdlBackend::SceneFramebufferPossible;
}

bool SdlBackend::CreateWindow(const char* title, unsigned width, unsigned height, std::string* error)
{
    if (!mVideo)
    {
        if (error)
            *error = std::string("SDL video is not available: ") + SDL_GetError();
        return false;
    }
    // Every frame is drawn into the display handler's scene framebuffer, which gets its own depth
    // buffer when 3-D drawing asks for one, and only blitted to the window: a depth buffer for the
    // window would take a display-sized block of memory that nothing reads or writes. Only where
    // the scene cannot be made (the frames then go to the window) does the window get one.
    if (!OpenWindow(title, width, height, false, error))
        return false;
    if (!gSceneProbe(width, height))
    {
        WriteDbg("no framebuffer of %u x %u for the scene: the window gets a depth buffer\n", width, height);
        CloseWindow();
        if (!OpenWindow(title, width, height, true, error))
            return false;
    }
    mWidth = width;
    mHeight = height;
    RefreshRealSize();
    QueryX11PartCopy(mWindow, &mPartCopy);
    QueryX11PixelPut(mWindow, &mPixelPut);
    // The game draws its own cursor; SDL hides the system one only over our window.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_StartTextInput();
    return true;
}

bool SdlBackend::OpenWindow(const char* title, unsigned width, unsigned height, bool depth,
                            std::string* error)
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth ? 24 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    mWindow = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, int(width),
                               int(height), SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!mWindow)
    {
        if (error)
            *error = std::string("window: ") + SDL_GetError();
        return false;
    }
    mContext = SDL_GL_CreateContext(mWindow);
    if (!mContext)
    {
        if (error)
            *error = std::string("OpenGL context: ") + SDL_GetError();
        SDL_DestroyWindow(mWindow);
        mWindow = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(mWindow, mContext);
    return true;
}

void SdlBackend::CloseWindow()
{
    mPartCopy = X11PartCopy();
    ReleaseX11PixelPut(&mPixelPut);
    mWindowLost = true;
    if (mContext)
    {
        SDL_GL_MakeCurrent(mWindow, nullptr);
        SDL_GL_DeleteContext(mContext);
        mContext = nullptr;
    }
    if (mWindow)
    {
        SDL_DestroyWindow(mWindow);
        mWindow = nullptr;
    }
}

void SdlBackend::SetWindowTitle(const char* utf8)
{
    if (mWindow)
        SDL_SetWindowTitle(mWindow, utf8 ? utf8 : "");
}

void SdlBackend::SetWindowIcon(const uint32_t* pixels, unsigned width, unsigned height)
{
    if (!mWindow || !pixels || !width || !height)
        return;
    // ARGB8888 is SDL's name for the packed A<<24 | R<<16 | G<<8 | B word; SDL copies the
    // picture, so the surface only lends it the pixels.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), int(width), int(height), 32, int(width) * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!icon)
        return;
    SDL_SetWindowIcon(mWindow, icon);
    SDL_FreeSurface(icon);
}

void SdlBackend::SetWindowSize(unsigned width, unsigned height)
{
    mWidth = width;
    mHeight = height;
    if (mWindow && !mFullscreen)
    {
        SDL_SetWindowSize(mWindow, int(width), int(height));
        SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    RefreshRealSize();
}

bool SdlBackend::SetFullscreen(bool fullscreen)
{
    if (!mWindow)
        return false;
    // A window manager carries full screen out on a mapped window only.
    if (fullscreen && (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_HIDDEN))
        SDL_ShowWindow(mWindow);
    if (SDL_SetWindowFullscreen(mWindow, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
    {
        WriteDbg("full-screen switch refused: %s", SDL_GetError());
        RefreshRealSize();
        return false;
    }
    // Full screen is granted only once the window really covers the display. Without a window
    // manager (or with one that ignores the request) it never does: back to the window, so that
    // nothing is drawn for a size the window does not have. When the X server shows that no
    // window manager runs, there is nothing to wait for.
    if (fullscreen && (QueryX11WindowManager(mWindow) == 0 || !WaitUntilCoveringDisplay(kFullscreenWaitMs)))
    {
        WriteDbg("full screen was not granted by the window system; staying in a window");
        SDL_SetWindowFullscreen(mWindow, 0);
        SDL_SetWindowSize(mWindow, int(mWidth), int(mHeight));
        SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        mFullscreen = false;
        RefreshRealSize();
        return false;
    }
    mFullscreen = fullscreen;
    if (!fullscreen)
    {
        SDL_SetWindowSize(mWindow, int(mWidth), int(mHeight));
        SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    RefreshRealSize();
    return true;
}

void SdlBackend::ShowWindow()
{
    mWindowLost = true;
    if (mWindow)
        SDL_ShowWindow(mWindow);
}
void SdlBackend::HideWindow()
{
    if (mWindow)
        SDL_HideWindow(mWindow);
}
void SdlBackend::RaiseWindow()
{
    if (mWindow)
        SDL_RaiseWindow(mWindow);
}
void SdlBackend::MinimizeWindow()
{
    if (mWindow)
        SDL_MinimizeWindow(mWindow);
}
void SdlBackend::MakeCurrent()
{
    if (mWindow && mContext)
        SDL_GL_MakeCurrent(mWindow, mContext);
}
// llvmpipe has no vertical sync; a refusal is harmless.
void SdlBackend::SetSwapInterval(int interval)
{
    if (mContext)
        SDL_GL_SetSwapInterval(interval);
}
void SdlBackend::SwapBuffers()
{
    if (!mWindow)
        return;
    SDL_GL_SwapWindow(mWindow);
    mWindowLost = false;
}

bool SdlBackend::CanShowParts()
{
    return mWindow && (mPartCopy.copy || mPixelPut.gc) && !mWindowLost;
}

void SdlBackend::ShowPart(int x, int y, int width, int height)
{
    if (CanShowParts())
        X11CopyPart(mPartCopy, x, y, width, height);
}

bool SdlBackend::CanPutPixels()
{
    return mWindow && mPixelPut.gc;
}

void SdlBackend::PutPixels(int x, int y, int width, int height, const uint32_t* pixels)
{
    if (!CanPutPixels() || !pixels || width <= 0 || height <= 0)
        return;
    X11PutPixels(mPixelPut, x, y, width, height, pixels);
    // Rows of the window's full width put from the top down, in one put or in strips, until
    // they cover it: the window shows a known picture again, to which parts can be added.
    if (x <= 0 && x + width >= int(mRealWidth))
    {
        if (y <= 0)
            mPutRows = 0;
        if (y <= int(mPutRows))
            mPutRows = std::max(mPutRows, unsigned(y + height));
        if (mPutRows >= mRealHeight)
            mWindowLost = false;
    }
}

void SdlBackend::GetDesktopSize(unsigned* width, unsigned* height)
{
    SDL_DisplayMode mode = {};
    if (!mVideo || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        mode.w = mode.h = 0;
    if (width)
        *width = unsigned(mode.w);
    if (height)
        *height = unsigned(mode.h);
}

void SdlBackend::GetDrawableSize(unsigned* width, unsigned* height)
{
    if (width)
        *width = mRealWidth;
    if (height)
        *height = mRealHeight;
}

bool SdlBackend::IsSystemCursorVisible()
{
    return mVideo && SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
}

void SdlBackend::ShowSystemCursor(bool show)
{
    if (mVideo)
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlBackend::IsMouseInContent()
{
    return mWindow && SDL_GetMouseFocus() == mWindow;
}

void SdlBackend::WarpMouse(int32_t x, int32_t y)
{
    // In relative mode SDL keeps the pointer in place itself.
    if (!mWindow || mRelative)
        return;
    int32_t wx, wy;
    DisplayToWindow(x, y, &wx, &wy);
    SDL_WarpMouseInWindow(mWindow, wx, wy);
}

void SdlBackend::SetRelativeMouse(bool relative)
{
    mRelative = relative;
    if (mVideo)
        SDL_SetRelativeMouseMode(relative ? SDL_TRUE : SDL_FALSE);
}

std::string SdlBackend::GetResourcesFolder()
{
    str folder = TFile::DefaultResourcesDir();
    return std::string(folder.c_str(), folder.length());
}

void SdlBackend::GetFolders(const std::string& applicationFolder, const std::string& publisherFolder,
                            std::string* userDir, std::string* commonDir, std::string* desktopDir)
{
    str user = TFile::DefaultUserDir(applicationFolder.c_str());
    str common = TFile::DefaultCommonDir(publisherFolder.c_str(), applicationFolder.c_str());
    str desktop = TFile::DefaultDesktopDir();
    *userDir = std::string(user.c_str(), user.length());
    *commonDir = std::string(common.c_str(), common.length());
    *desktopDir = std::string(desktop.c_str(), desktop.length());
}

bool SdlBackend::SetClipboardText(const std::string& utf8)
{
    return mVideo && SDL_SetClipboardText(utf8.c_str()) == 0;
}

std::string SdlBackend::GetClipboardText()
{
    if (!mVideo || !SDL_HasClipboardText())
        return std::string();
    char* text = SDL_GetClipboardText();
    std::string result = text ? text : "";
    SDL_free(text);
    return result;
}

bool SdlBackend::OpenURL(const char* url)
{
    // The URL is one argument of its own: no shell ever sees it.
    pid_t pid = 0;
    if (!url || !SpawnProcess({"xdg-open", url}, &pid))
        return false;
    mChildren.push_back(pid);
    return true;
}

std::unique_ptr<TBackend> CreateSdlBackend()
{
    return std::make_unique<SdlBackend>();
}
