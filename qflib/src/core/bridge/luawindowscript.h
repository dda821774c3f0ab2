// TLuaWindowScript: the window system's script host. It binds the native functions through
// which scripts build and drive framework windows, registers the script-creatable window types,
// creates the message metatable and runs the built-in screen script, whose dialogs then run as
// this script's coroutine: a dialog waiting for a message yields inside "HandleGetMessage" and
// the window manager's messages resume it.
#pragma once

#include <map>
#include <vector>

#include "bridge/script.h"
#include "bridge/scriptwidget.h"
#include "window/windowscript.h"

class TLuaTable;
class TMessage;
class TWindow;

class TLuaWindowScript : public TWindowScript, public TScript
{
public:
    // The value of mScriptState while the coroutine waits in "HandleGetMessage".
    static constexpr int kWaitingForMessage = 3;

    // Opens a new state when L is null.
    explicit TLuaWindowScript(lua_State* L = nullptr);
    ~TLuaWindowScript() override;

    // The task is the script's TAnimTask.
    bool Ready(ETaskContext context) override { return TScript::Ready(context); }
    bool DoTask() override { return TScript::DoTask(); }
    unsigned IdleQuietMs(unsigned limit) override { return TScript::IdleQuietMs(limit); }

    // The window system's seam.
    lua_State* GetEngineState() const override { return GetState(); }
    bool RunChunk(const str& text, const str& chunkName) override;
    void CloseRequested() override;
    void PushWindow(TWindow* window) override;
    void NewModalWindow(TWindow* top) override;
    // Takes ownership of both the message and the command.
    void OnMessage(TMessage* message, TLuaFunction* command) override;
    void AddWindowType(const str& name, TClassId classId) override;
    void EnableStringTable(bool enable) override { mStringTableEnabled = enable; }
    // The window manager wakes the script on every close request; when no coroutine is
    // suspended there is nothing to wake, so the arguments are dropped and nothing is reported.
    int Resume(int argumentCount) override;
    void RegisterBoolMember(const char* name, const void* record, size_t size,
                            TBoolMemberThunk thunk) override;

    // The previous setting.
    bool SetStringTableEnabled(bool enable);
    bool IsStringTableEnabled() const { return mStringTableEnabled; }

    bool InjectFunction() override;
    // Adopts the new window into the current window, initialises it from the window table on the
    // top of the stack and makes it the current window.
    bool InitWindow(TWindow* window);
    int CreateCustomWindow(lua_State* L);

    // State for callers and tests.
    int GetScriptState() const { return mScriptState; }
    const std::vector<TWindow*>& GetWindowStack() const;
    // The top of the window stack; null when it is empty.
    TWindow* GetCurrentWindow() const;
    TClassId GetWindowTypeId(const str& name) const;

    // Class ids the constructor registers for the built-in window types ("Slider", "Bitmap",
    // "Button", "Text", "TextEdit"; "Window" is TWindow). Unset types get class id 0, which
    // creates no window.
    static void SetBuiltinWindowClass(const str& name, TClassId classId);

    // Script globals.
    void PostCreate(TLuaTable* table, str typeName);
    str GetLabel(str name);
    void RegisterHotkey(str key, str command);
    void SetLabel(str name, str text);
    str TagHotKey(str hotkey, str label, str unused);
    void SetBitmap(str name, str image, float scale);
    void SetPosition(str name, int x, int y);
    int SetCommand(lua_State* L);
    int StripKeyFromLabel(lua_State* L);
    void SetWindowName(str name);
    void FillRect(TLuaTable* rect, TLuaTable* color);
    unsigned GetTimer();
    bool StringToClipboard(str text);
    void DoSelectLayer(int layer);
    bool EnableWindow(str name, bool enable);
    bool GetButtonToggleState(str name);
    void SetButtonToggleState(str name, bool on);
    void PopWindow();
    void RealSetFocus(str name);
    void UpdateWindow();
    str PushModal(str name);
    void ClearModalChildren();
    int GetWindowDepth();
    void DoPopModal(str name);
    int HandleGetMessage(lua_State* L);
    TMessage* CreateCloseMessage();
    int PostMessage(lua_State* L);
    int PostMessageToParent(lua_State* L);
    str GetString(str key, str a1, str a2, str a3, str a4, str a5);
    bool StartMovie(str file, bool translate, bool allowInput);
    bool IsMoviePlaying();
    void StopMovie();
    bool ImageLoaded(str name);
    void DestroyWindow(str name);
    void DoFitToChildren();

private:
    TWindow* FindUnderTopModal(const str& name) const;
    // Drops every stack entry that is the window or lies inside it (it is going away).
    void ForgetWindowsInside(TWindow* window, bool includeWindow);
    int Post(lua_State* L, bool toParent);
    // Calls the function below `args` arguments protected with "_ALERT" as handler; drops the
    // results.
    void CallProtected(int args);
    void RunQueueChunk(const char* chunk);

    // Windows deleted behind the script's back (by other code) are dropped on every read.
    mutable std::vector<TWindow*> mWindowStack;
    std::map<str, TClassId> mWindowTypes;
    int mScriptState = 1;
    bool mStringTableEnabled = false;
    TMovieHost* mFlashHost = nullptr;
};

// Makes the window system create a TLuaWindowScript for the platform (installs the factory of
// SetWindowScriptFactory).
void InstallWindowScriptFactory();

// The built-in screen script: its source text, and the precompiled chunk the window script runs
// under the chunk name "gScreenInit" (made from the source at build time).
extern const char kScreenInitSource[];
extern const unsigned long kScreenInitSourceSize;
extern const char kScreenInitChunk[];
extern const unsigned long kScreenInitChunkSize;
