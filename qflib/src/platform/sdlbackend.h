// The desktop backend on SDL2: one window with an OpenGL compatibility context (Mesa), native
// events, the monotonic clock, XDG folders, cursor control, desktop full screen, the clipboard
// and the browser. This folder is the only code that includes SDL headers.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "app/backend.h"

// The factory the program registers (SetPlatformBackendFactory) to run on this backend.
std::unique_ptr<TBackend> CreateSdlBackend();

// SDL video drivers that show nothing on any screen (they draw into memory). The backend takes
// one only when SDL_VIDEODRIVER names it: as SDL's fallback it would hide the game from the player.
bool IsHeadlessVideoDriver(const char* driver);
// Whether SDL_VIDEODRIVER (a comma-separated list) names this driver.
bool IsVideoDriverRequested(const char* driver);

union SDL_Event;
struct SDL_Window;

// A copy of one rectangle of the window's back buffer to the window itself, without a swap
// (GLX_MESA_copy_sub_buffer): the X display, the window's drawable and the driver's entry point,
// kept as plain pointers so that no Xlib header is needed here.
struct X11PartCopy
{
    void* display = nullptr;
    unsigned long drawable = 0;
    void (*copy)() = nullptr;
};

// What putting pixels into an X window needs: its display, the window, its visual and depth and
// a graphics context (gc null where the window's pixels are not 32-bit words 0x..RRGGBB).
struct X11PixelPut
{
    void* display = nullptr;
    unsigned long drawable = 0;
    void* visual = nullptr;
    int depth = 0;
    void* gc = nullptr;
};

class SdlBackend : public TBackend
{
public:
    // How long a full-screen request may take the window manager before it counts as refused.
    static const unsigned kFullscreenWaitMs = 1000;

    SdlBackend();
    ~SdlBackend() override;

    uint64_t MonotonicMs() override;
    void SleepMs(unsigned ms) override;

    EWaitResult WaitEvent(TNativeEvent* out, unsigned timeoutMs) override;
    uint32_t GetModifiers() override;
    void GetMouse(int32_t* x, int32_t* y) override;

    bool HasWindow() override { return mWindow != nullptr; }
    bool CreateWindow(const char* title, unsigned width, unsigned height, std::string* error) override;
    void SetWindowTitle(const char* utf8) override;
    void SetWindowIcon(const uint32_t* pixels, unsigned width, unsigned height) override;
    void SetWindowSize(unsigned width, unsigned height) override;
    bool SetFullscreen(bool fullscreen) override;
    void ShowWindow() override;
    void HideWindow() override;
    void RaiseWindow() override;
    void MinimizeWindow() override;
    void MakeCurrent() override;
    void SetSwapInterval(int interval) override;
    void SwapBuffers() override;
    bool CanShowParts() override;
    void ShowPart(int x, int y, int width, int height) override;
    bool CanPutPixels() override;
    void PutPixels(int x, int y, int width, int height, const uint32_t* pixels) override;
    void GetDesktopSize(unsigned* width, unsigned* height) override;
    void GetDrawableSize(unsigned* width, unsigned* height) override;

    bool IsSystemCursorVisible() override;
    void ShowSystemCursor(bool show) override;
    bool IsMouseInContent() override;
    void WarpMouse(int32_t x, int32_t y) override;
    void SetRelativeMouse(bool relative) override;

    std::string GetResourcesFolder() override;
    void GetFolders(const std::string& applicationFolder, const std::string& publisherFolder,
                    std::string* userDir, std::string* commonDir, std::string* desktopDir) override;

    bool SetClipboardText(const std::string& utf8) override;
    std::string GetClipboardText() override;
    bool OpenURL(const char* url) override;

    // Window pixels <-> display pixels. Whenever the window's real size differs from the
    // display's (mWidth x mHeight), the display is scaled to fit it with its aspect kept and
    // centred, the same rule the picture follows (LetterboxRect).
    void WindowToDisplay(int32_t wx, int32_t wy, int32_t* x, int32_t* y) const;
    void DisplayToWindow(int32_t x, int32_t y, int32_t* wx, int32_t* wy) const;
    // Where the display sits in a window of another size: its scale and the left and top
    // margins, in window pixels. false when window and display coincide.
    bool Letterbox(double* scale, double* ox, double* oy) const;
    // Reduces one SDL event (and, for key downs and mouse motion, the events that belong to it
    // and wait in SDL's queue) to a native event; false for events of no interest.
    bool Convert(const SDL_Event& event, TNativeEvent* out);

    // Whether the display handler's scene framebuffer (an RGBA colour buffer of the display's
    // size, and a depth buffer once 3-D is drawn) can be made in the current context. Every
    // frame is drawn there, so the window needs no depth buffer of its own; where the scene
    // cannot be made the frames go straight to the window, and CreateWindow then asks for a
    // window with a depth buffer, so 3-D drawing keeps its depth test.
    static bool SceneFramebufferPossible(unsigned width, unsigned height);
    // Replaces that test (tests that check the fallback); null restores it.
    static void SetSceneFramebufferProbe(bool (*probe)(unsigned width, unsigned height));

private:
    // The window and its context, with or without a depth buffer; false with error set.
    bool OpenWindow(const char* title, unsigned width, unsigned height, bool depth, std::string* error);
    void CloseWindow();
    void ReapChildren();
    // Asks the window system for the window's real size and keeps it (mRealWidth, mRealHeight).
    void RefreshRealSize();
    // True once the window really covers its display; waits up to timeoutMs for the window
    // manager to carry a full-screen request out.
    bool WaitUntilCoveringDisplay(unsigned timeoutMs);

    bool mVideo = false;
    SDL_Window* mWindow = nullptr;
    void* mContext = nullptr;                  // SDL_GLContext
    unsigned mWidth = 0, mHeight = 0;          // the display size the game draws at
    unsigned mRealWidth = 0, mRealHeight = 0;  // the window's real size in pixels
    bool mFullscreen = false;
    bool mRelative = false;
    // Showing parts of the back buffer: the window's copy entry (none where it cannot) and
    // whether the window has lost what it showed since the last swap.
    X11PartCopy mPartCopy;
    X11PixelPut mPixelPut;
    unsigned mPutRows = 0;  // rows of the window's full width put so far from the top down
    bool mWindowLost = true;
    std::vector<pid_t> mChildren;  // browser processes not reaped yet
};

// The key of an SDL key code: kind and unshifted character (0 when the text decides).
TNativeEvent::EKey MapSdlKey(int32_t sdlKeycode, uint32_t* keyChar);
// TEvent modifier bits from an SDL modifier state (left-hand keys only).
uint32_t MapSdlModifiers(uint32_t sdlModState);
// Starts program with the given arguments, no shell in between. false when it cannot start.
bool SpawnProcess(const std::vector<std::string>& argv, pid_t* pid);
// The window's size as the X server has it; false when the window is not an X window.
bool QueryX11WindowSize(SDL_Window* window, int* width, int* height);
// The part copy of the window's current GLX context; false (out left empty) when the window is
// not an X window, its context is not a GLX one or the driver has no such copy.
bool QueryX11PartCopy(SDL_Window* window, X11PartCopy* out);
// Copies the rectangle (window pixels, rows from the bottom) with a part copy QueryX11PartCopy
// filled in.
void X11CopyPart(const X11PartCopy& copy, int x, int y, int width, int height);
// The pixel put of the window (out left empty when the window is not an X window or its pixels
// are not 32-bit words with red, green and blue in bits 16-23, 8-15 and 0-7); false then.
bool QueryX11PixelPut(SDL_Window* window, X11PixelPut* out);
// Frees what QueryX11PixelPut made and empties it.
void ReleaseX11PixelPut(X11PixelPut* put);
// Puts a rectangle of 0xAARRGGBB words (rows top first) into the window at (x, y), y down.
void X11PutPixels(const X11PixelPut& put, int x, int y, int width, int height, const uint32_t* pixels);
// Whether a window manager announces itself on the window's X server: 1 yes, 0 none (nobody
// will carry out a full-screen request), -1 not known (not an X window, or the query failed).
int QueryX11WindowManager(SDL_Window* window);
// Set by SIGINT and SIGTERM until taken; the pump turns it into a close request.
// Installed while an SdlBackend exists; the previous handlers come back when the last one goes.
bool TakeTerminationSignal();
void InstallTerminationSignals();
void RemoveTerminationSignals();
