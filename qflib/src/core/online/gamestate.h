// TGameState: the text-to-text store that scripts and the framework share, and the chain of
// handlers that observe every write. Scripts reach it through the globals "GetState",
// "_SetState", "QueryMuteGame", "QueryRestartMode" and "QueryJumpToMenu".
#pragma once

#include <map>
#include <vector>

#include "foundation/str.h"

struct lua_State;

// An observer of the store. SetState returning true consumes the write (later handlers are not
// asked and the store applies no rule of its own to it). GetState may answer a read with another
// text; the text must stay valid until the store has copied it (it does so at once).
class TGameStateHandler
{
public:
    virtual ~TGameStateHandler() {}
    virtual bool SetState(const char* key, const char* value) = 0;
    virtual const char* GetState(const char* key, const char* value);
    virtual bool QueryRestartMode() { return false; }
    virtual bool QueryJumpToMenu() { return false; }
    virtual bool QueryMuteGame() { return false; }
    virtual bool QueryPauseGame() { return false; }
    virtual void ShutdownHandler() { mShutDown = true; }

protected:
    bool mShutDown = false;
};

// The master volume the "mute" rule saves and sets. The default goes to the platform's sound
// manager (nothing happens without one); tests install their own.
class TGameStateVolume
{
public:
    virtual ~TGameStateVolume() {}
    virtual float GetMasterVolume();
    virtual void SetMasterVolume(float volume);
};

struct TGameStateData
{
    std::map<str, str> mState;  // entries are never removed
    float mSavedVolume = 0;     // master volume saved while muted

    static class TGameState* mGameState;
    static std::vector<TGameStateHandler*>& Handlers();  // registration order; outlives the store
};

class TGameState
{
public:
    static const char* const kMute;  // "mute"

    // The store the start-up made (CreateInstance), else null. Never makes one.
    static TGameState* GetInstance();
    // Makes the store, when there is none, and registers its five script globals in the given
    // script engine state (the window script's; null registers none). The platform facade's
    // start-up calls it once the window script exists. Returns the store.
    static TGameState* CreateInstance(lua_State* scriptState);
    // Destroys the store (when there is one) and every registered handler: each handler's
    // ShutdownHandler runs, then it is deleted, in registration order.
    static void DestroyInstance();

    // Registers the script globals in scriptState (when not null).
    explicit TGameState(lua_State* scriptState = nullptr);
    virtual ~TGameState();
    TGameState(const TGameState&) = delete;
    TGameState& operator=(const TGameState&) = delete;

    void SetState(str key, str value);
    str GetState(str key);
    bool QueryMuteGame();
    bool QueryRestartMode();
    bool QueryJumpToMenu();

    // Appends the handler; the store owns it from then on. Works before the store exists.
    static void RegisterHandler(TGameStateHandler* handler);

    // Sets the five script globals in the state's globals table. The constructor does this for
    // the script state it is given.
    void RegisterScriptGlobals(lua_State* L);

    // Replaces the master-volume access (not owned; null restores the default).
    static void SetVolumeControl(TGameStateVolume* volume);

private:
    TGameStateData* mData;
};

// Sets a value in the store when the platform facade and the store exist.
void SetState(str key, str value);

// The play-statistics handlers; the caller owns the result until it registers it.
TGameStateHandler* GlimmoraHandlerFactory();
TGameStateHandler* PostMetricsHandlerFactory();
