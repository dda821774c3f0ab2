// Subsystems that start-up, the event pump and the platform layer drive but that live in other
// libraries (renderer and display handler, window manager and window script, sound manager,
// game-state store, text). qfcore_app cannot link them, so it calls them through these hook
// interfaces. Each default does nothing (or keeps the minimum of state the platform needs); the
// libraries that own the real code install their hooks before QuillfireExec runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/rect.h"

struct lua_State;

class TTexture;
class TWindowManager;
class TSoundManager;

// Renderer and its OpenGL display handler.
class TRenderHooks
{
public:
    virtual ~TRenderHooks();
    // Makes sure the renderer singleton exists (first thing after the facade is made).
    virtual void EnsureRenderer() {}
    // Rebuilds the display after a display reconfiguration.
    virtual void RebuildDisplay() {}
    // Hands a new display mode to the display handler.
    virtual void SetDisplay(unsigned width, unsigned height, bool fullscreen);
    // The display handler's current mode.
    virtual void GetDisplay(unsigned* width, unsigned* height, bool* fullscreen);
    // Draws the one black frame shown when the first display is set (w x h, colour 0,0,0,0).
    virtual void DrawStartupFrame(unsigned /*width*/, unsigned /*height*/) {}
    // Loads "__systemcursor__.png" and makes it the game cursor with hot spot 1, 1.
    virtual void LoadSystemCursor() {}
    // Reads a picture through the file layer: width x height TColor32 pixels, row by row from
    // the top. False (and nothing stored) when it cannot be read.
    virtual bool LoadPicture(const char* /*name*/, std::vector<uint32_t>* /*pixels*/, unsigned* /*width*/,
                             unsigned* /*height*/)
    {
        return false;
    }
    // Pops the renderer's clipping rectangle and sets 0, 0, w, h in its place.
    virtual void ReplaceClipping(unsigned /*width*/, unsigned /*height*/) {}
    // Pops the clipping rectangle and pushes 0, 0, w, h (TPlatform::SetDisplay).
    virtual void PushDisplayClipping(unsigned /*width*/, unsigned /*height*/) {}
    // Creates and calibrates the vector-shape rasteriser when there is none; deletes it.
    virtual void CreateRasteriser() {}
    virtual void DeleteRasteriser() {}
    virtual void ToggleHUD() {}
    // The display handler's cursor-lock flag, and its software cursor.
    virtual bool IsCursorLocked() { return false; }
    virtual void SetCursor(std::shared_ptr<TTexture> /*texture*/, const TPoint& /*hotSpot*/, bool /*flag*/) {}
    // The game cursor's visibility flag (the display handler draws the game's own cursor).
    virtual void SetGameCursorShown(bool /*shown*/) {}
    virtual bool BeginDraw(bool /*flag*/) { return true; }
    // Copies a pending capture texture and ends the display handler's frame.
    virtual void EndDraw(bool /*flag*/) {}
    // TRenderer::ShutDown.
    virtual void ShutDown() {}

private:
    unsigned mWidth = 0, mHeight = 0;
    bool mFullscreen = false;
};

// Window manager, window script and screen window.
class TWindowHooks
{
public:
    virtual ~TWindowHooks();
    virtual TWindowManager* CreateWindowManager() { return nullptr; }
    virtual void DeleteWindowManager(TWindowManager* /*manager*/) {}
    // Creates the window script and attaches it to the manager; the script engine state it runs
    // in (null without one).
    virtual lua_State* AttachWindowScript(TWindowManager* /*manager*/) { return nullptr; }
    virtual void EnableStringTable(TWindowManager* /*manager*/, bool /*enable*/) {}
    // Tells the manager's window script (when there is one) that a close was requested.
    virtual void CloseRequested(TWindowManager* /*manager*/) {}
    virtual void InvalidateScreen(TWindowManager* /*manager*/) {}
    // How long (ms, at most limit) the manager needs no idle event; 0 without a manager.
    virtual unsigned IdleQuietMs(TWindowManager* /*manager*/, unsigned /*limit*/) { return 0; }
    // Makes a screen window of w x h when the manager has none yet.
    virtual void EnsureScreen(TWindowManager* /*manager*/, unsigned /*width*/, unsigned /*height*/) {}
};

// Sound manager and its data sources.
class TSoundHooks
{
public:
    virtual ~TSoundHooks();
    virtual TSoundManager* CreateSoundManager() { return nullptr; }
    virtual bool InitSoundManager(TSoundManager* /*manager*/) { return false; }
    virtual void DeleteSoundManager(TSoundManager* /*manager*/) {}
    virtual void HandleNotifications(TSoundManager* /*manager*/) {}
    virtual void AppActivate(TSoundManager* /*manager*/, bool /*active*/) {}
    // Registers the Ogg Vorbis data source.
    virtual void RegisterOggDataSource() {}
};

// Game-state store and the play-statistics handlers.
class TGameStateHooks
{
public:
    virtual ~TGameStateHooks();
    // Creates the store, which registers its script globals in the window script's state (null:
    // no script to register them in).
    virtual void CreateStore(lua_State* /*windowScriptState*/) {}
    virtual void RegisterGlimmoraHandler() {}
    virtual void RegisterPostMetricsHandler() {}
    // Uploads the collected statistics (shut-down, while the configuration is still there).
    virtual void PostMetrics() {}
    // Destroys the store and its handlers (shut-down, once no script can reach the store and
    // while the platform timer still runs), so the handlers' final records are written.
    virtual void DestroyStore() {}
    // Ends the HTTP requests still running (the very end of shut-down).
    virtual void AbortRequests() {}
};

// Text: the legacy line wrap switch of styled text.
class TTextHooks
{
public:
    virtual ~TTextHooks();
    virtual void SetLegacyLineWrap() {}
    // Makes the text layer's singletons (the font cache and the vector-text rasteriser); start-up
    // calls it once the renderer exists. They live until the program ends.
    virtual void CreateSingletons() {}
};

// The installed hooks. Never null: a default instance stands in until one is installed.
// Install* takes ownership; installing null restores the default.
struct TPlatformHooks
{
    static TRenderHooks& Render();
    static TWindowHooks& Window();
    static TSoundHooks& Sound();
    static TGameStateHooks& GameState();
    static TTextHooks& Text();

    static void InstallRender(TRenderHooks* hooks);
    static void InstallWindow(TWindowHooks* hooks);
    static void InstallSound(TSoundHooks* hooks);
    static void InstallGameState(TGameStateHooks* hooks);
    static void InstallText(TTextHooks* hooks);
    // Puts every default back (tests).
    static void ResetAll();
    // The hook sets still on their do-nothing default ("render", "window", "sound",
    // "game state", "text"), comma-separated; empty when all are installed. A program checks
    // it at start-up, so that a missing hook fails loudly instead of silently doing nothing.
    static std::string Missing();
};
