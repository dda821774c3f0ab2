// What the renderer needs from the platform layer, behind a small interface so that the renderer
// does not depend on it: the millisecond timer, the platform's frame bracket, the buffer swap,
// the screen window's size, the mouse and the HUD text. The platform installs its own host;
// without one a default serves headless use (a steady clock, the display handler's own frame
// calls, no swap).
#pragma once

#include "foundation/rect.h"
#include "foundation/str.h"

class TRenderHost
{
public:
    virtual ~TRenderHost() {}

    // Milliseconds since start-up (TPlatform::Timer).
    virtual unsigned Timer();
    // The platform's BeginDraw: make the drawing context current and call the display
    // handler's BeginDraw; the result becomes the renderer's "in draw".
    virtual bool BeginDraw(bool keep);
    // The platform's EndDraw: fill a pending capture texture (TRenderer::RunCapture), then the
    // display handler's EndDraw(show).
    virtual void EndDraw(bool show);
    virtual void SwapBuffers() {}
    // Whether the window can show a part of its back buffer alone (ShowPart) and still shows
    // the last frame swapped or shown in parts: false until the first swap and again after the
    // window lost its contents (uncovered, resized, switched to or from full screen).
    virtual bool CanShowParts() { return false; }
    // Shows one rectangle of the back buffer in the window (window pixels, OpenGL rows from the
    // bottom), leaving the rest of the window and the whole back buffer as they are.
    virtual void ShowPart(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
    // Whether the window takes pixels put straight into it (PutPixels), whole or in parts,
    // without its back buffer or a swap.
    virtual bool CanPutPixels() { return false; }
    // Puts a rectangle of pixels into the window at (x, y) (window pixels, y down; words
    // 0xAARRGGBB, rows top first). Once the whole window is put, CanShowParts is true.
    virtual void PutPixels(int /*x*/, int /*y*/, int /*width*/, int /*height*/, const uint32_t* /*pixels*/) {}
    // Size of the window manager's screen window; false when there is none (the display size is
    // used then).
    virtual bool GetScreenSize(int* width, int* height);
    // Mouse in window coordinates; false when the software cursor is not to be drawn (the
    // application is in the background, the cursor hidden, or the mouse outside the window).
    virtual bool GetCursorPosition(TPoint* where);
    virtual bool IsFullscreen() { return false; }
    // Size of the window's drawable in pixels, which the finished frame is scaled to fit;
    // false when it equals the display size.
    virtual bool GetDrawableSize(int* width, int* height)
    {
        (void)width;
        (void)height;
        return false;
    }
    // Draws the HUD's styled text at (0, 0), 512 wide: through the drawer the text layer
    // installed (SetHudTextDrawer); nothing without one.
    virtual void DrawHudText(const str& text);
};

// The text layer builds on this one, so the renderer reaches the HUD's styled text through a
// pair of plain functions the program installs at start-up: one draws the text (making its text
// block on first use), the other frees that block and runs when the renderer shuts down.
// Either may be null.
typedef void (*THudTextDrawer)(const str& text);
typedef void (*THudTextRelease)();
void SetHudTextDrawer(THudTextDrawer draw, THudTextRelease release);
// Frees the HUD's text block through the installed release function, if any.
void ReleaseHudText();

// Installs the host (null restores the default). The host is not owned.
void SetRenderHost(TRenderHost* host);
TRenderHost& GetRenderHost();
