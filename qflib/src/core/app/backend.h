// The narrow interface between the portable platform layer (TPlatformData) and the operating
// system. The desktop build supplies an SDL2 implementation (qfplatform); tests supply a fake
// with scripted events and a manual clock (testsupport). Nothing here depends on SDL.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One native happening, already reduced to portable terms by the backend. TPlatformData turns
// it into a group of TEvent records with TranslateNativeEvent (translate.h).
struct TNativeEvent
{
    enum EKind
    {
        kNone = 0,
        kQuitRequested,  // the system or a signal asks the program to end
        kWindowClose,    // the game window's close box
        kKeyDown,        // mKey, mScancode, mKeyChar, mText (the text this key typed), mRepeat
        kKeyUp,          // mKey, mScancode, mKeyChar
        kTextInput,      // mText: typed text not paired with a key down
        kMouseDown,      // mButton (1 primary, 2 secondary, 3 tertiary), mX, mY
        kMouseUp,        // mButton, mX, mY
        kMouseMoved,     // mX, mY (content position), mDX, mDY (relative motion)
        kMouseWheel,     // mAxis (0 horizontal, 1 vertical), mDelta, mX, mY
        kMouseEntered,   // mX, mY
        kMouseExited,    // mX, mY
        kFocusGained,
        kFocusLost,
        kMinimized,       // the application was hidden
        kRestored,        // the application was shown again
        kDisplayChanged,  // display configuration changed
        kWindowResized,   // bounds changed
    };

    // Keys, as far as the event translation needs to tell them apart.
    enum EKey
    {
        kKeyNone = 0,   // modifier keys and keys without a code: no record
        kKeyPrintable,  // a key that types a character (mKeyChar: its unshifted character)
        kKeyReturn,
        kKeyKeypadEnter,
        kKeyEscape,
        kKeyTab,
        kKeyBackspace,
        kKeyDelete,
        kKeyArrowLeft,
        kKeyArrowRight,
        kKeyArrowUp,
        kKeyArrowDown,
        kKeyF1,
        kKeyF2,
        kKeyF3,
        kKeyF4,
        kKeyFunctionOther,  // F5 and above
    };

    EKind mKind = kNone;
    EKey mKey = kKeyNone;
    uint32_t mScancode = 0;  // identifies the physical key between its down and up
    uint32_t mKeyChar = 0;   // the key's unshifted character (letters lower case), 0 if none
    bool mRepeat = false;
    std::string mText;  // UTF-8
    int32_t mButton = 0;
    int32_t mX = 0;  // window-content pixels, origin top left
    int32_t mY = 0;
    int32_t mDX = 0;
    int32_t mDY = 0;
    int32_t mAxis = 0;
    int32_t mDelta = 0;
    uint32_t mModifiers = 0;  // TEvent modifier bits at the time the event was taken
};

class TBackend
{
public:
    enum EWaitResult
    {
        kWaitError = -1,
        kWaitTimeout = 0,
        kWaitEvent = 1
    };

    virtual ~TBackend();

    // Time. Monotonic milliseconds from an arbitrary origin.
    virtual uint64_t MonotonicMs() = 0;
    virtual void SleepMs(unsigned ms) = 0;

    // Events. Waits at most timeoutMs for the next native event.
    virtual EWaitResult WaitEvent(TNativeEvent* out, unsigned timeoutMs) = 0;
    // Current TEvent modifier bits (left shift 1, left control 2, left option 4).
    virtual uint32_t GetModifiers() = 0;
    // Current mouse position in window-content pixels.
    virtual void GetMouse(int32_t* x, int32_t* y) = 0;

    // Window and GL context. CreateWindow makes the window and its OpenGL context and makes the
    // context current; false (with a reason) when either cannot be made.
    virtual bool HasWindow() = 0;
    virtual bool CreateWindow(const char* title, unsigned width, unsigned height, std::string* error) = 0;
    virtual void SetWindowTitle(const char* utf8) = 0;
    // The picture the desktop shows for the window (its title bar, task switcher): width x
    // height pixels, row by row from the top, each a TColor32 (A<<24 | R<<16 | G<<8 | B).
    virtual void SetWindowIcon(const uint32_t* pixels, unsigned width, unsigned height) = 0;
    virtual void SetWindowSize(unsigned width, unsigned height) = 0;
    // Switches between windowed (centred) and full screen; false when refused.
    virtual bool SetFullscreen(bool fullscreen) = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    virtual void RaiseWindow() = 0;
    virtual void MinimizeWindow() = 0;
    virtual void MakeCurrent() = 0;
    virtual void SetSwapInterval(int interval) = 0;
    virtual void SwapBuffers() = 0;
    // Showing a part of the back buffer alone, without a swap: whether the window can (and still
    // shows what was last swapped or shown), and the copy of one rectangle (window pixels, OpenGL
    // rows from the bottom). Backends that cannot keep the defaults: every frame is swapped.
    virtual bool CanShowParts() { return false; }
    virtual void ShowPart(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
    // Putting pixels straight into the window, without its back buffer or a swap: whether the
    // window can take them, and the put of one rectangle (window pixels, y down; words
    // 0xAARRGGBB, rows top first). Once the whole window is put, CanShowParts holds again.
    virtual bool CanPutPixels() { return false; }
    virtual void PutPixels(int /*x*/, int /*y*/, int /*width*/, int /*height*/, const uint32_t* /*pixels*/) {}
    virtual void GetDesktopSize(unsigned* width, unsigned* height) = 0;
    // The window's drawable size in pixels as the window really is (larger than the display
    // size in full screen; the display size when full screen was not carried out).
    virtual void GetDrawableSize(unsigned* width, unsigned* height) = 0;

    // Cursor.
    virtual bool IsSystemCursorVisible() = 0;
    virtual void ShowSystemCursor(bool show) = 0;
    virtual bool IsMouseInContent() = 0;
    // Moves the pointer to window-content pixel x, y.
    virtual void WarpMouse(int32_t x, int32_t y) = 0;
    // Relative mouse mode: motion arrives as deltas and the pointer stays put.
    virtual void SetRelativeMouse(bool relative) = 0;

    // Folders. The resources folder holds "assets/" (empty: stay where we are). GetFolders names
    // the user and common folders by the two folder names (it makes neither: the first save
    // does) and finds the desktop folder; a folder that cannot be had is returned empty.
    virtual std::string GetResourcesFolder() = 0;
    virtual void GetFolders(const std::string& applicationFolder, const std::string& publisherFolder,
                            std::string* userDir, std::string* commonDir, std::string* desktopDir) = 0;

    // Clipboard and browser.
    virtual bool SetClipboardText(const std::string& utf8) = 0;
    virtual std::string GetClipboardText() = 0;
    // Opens the URL in the user's browser without a shell; false when it could not be started.
    virtual bool OpenURL(const char* url) = 0;
};

// Where a displayWidth x displayHeight picture goes in a window of windowWidth x windowHeight
// pixels: scaled to fit with its aspect kept and centred. The scale and the left and top margins
// (window pixels); false, with scale 1 and no margins, when the sizes agree or one is unknown.
// The picture (TPlatformData::GetViewport) and the mouse mapping both follow this one rule.
bool LetterboxRect(unsigned displayWidth, unsigned displayHeight, unsigned windowWidth, unsigned windowHeight,
                   double* scale, double* left, double* top);

// Makes the backend QuillfireExec runs on. The program registers one before it calls
// QuillfireExec: the game qfplatform's CreateSdlBackend, tests the fake backend's (test support's
// SetNextFakeBackend does it). qfcore itself never depends on either; without a registered
// factory QuillfireExec fails at start.
using TBackendFactory = std::unique_ptr<TBackend> (*)();
void SetPlatformBackendFactory(TBackendFactory factory);
TBackendFactory GetPlatformBackendFactory();
