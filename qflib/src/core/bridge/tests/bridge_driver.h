// A driver that works the script bridge the way a hostile script and a busy frame would, one
// operation at a time: scripts create and destroy windows, post messages, start, resume and drop
// coroutines that make handles, wait with timeouts, make finalisers that raise, and collect;
// native code delivers messages, runs the script task on a moving clock, presses buttons,
// deletes windows behind the script's back and collects. Used by the stress test (a seeded
// sequence) and by the stateful fuzz target (operations read from the input).
//
// A budget bounds each run: instructions (a count hook that makes every instruction fail once
// spent) and errors caught by pcall, xpcall or coroutine.resume (each one costs the sanitizers
// far more than an instruction).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "bridge/buttonwindow.h"
#include "bridge/luaobject.h"
#include "bridge/luawindowscript.h"
#include "bridge/scriptwidgets.h"
#include "foundation/clock.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "window/message.h"
#include "window/modalwindow.h"
#include "window/window.h"
#include "window/windowmanager.h"

namespace bridgedriver
{

// Limits of one run.
struct Budget
{
    int hookEvery = 1000;    // instructions between hook calls
    int hookCalls = 400;     // hook calls before every instruction fails
    int caughtErrors = 400;  // errors caught by scripts before every catch fails too
};

// The budget of the run in progress on one interpreter (one run at a time).
class Limits
{
public:
    // Starts a run: installs the count hook and replaces "pcall", "xpcall" and
    // "coroutine.resume" by catchers that count the errors they catch.
    static void Install(lua_State* L, const Budget& budget)
    {
        sBudget = budget;
        sHookCalls = 0;
        sCaught = 0;
        lua_sethook(L, &Hook, LUA_MASKCOUNT, budget.hookEvery);
        WrapCatcher(L, "pcall", nullptr);
        WrapCatcher(L, "xpcall", nullptr);
        WrapCatcher(L, "resume", "coroutine");
    }
    static int Caught() { return sCaught; }

private:
    static void Hook(lua_State* L, lua_Debug*)
    {
        if (++sHookCalls > sBudget.hookCalls)
            Exhausted(L, "instruction budget spent");
    }

    // From now on every instruction fails, so no loop can outlast the budget, not even one that
    // catches the error itself.
    static void Exhausted(lua_State* L, const char* why)
    {
        sHookCalls = sBudget.hookCalls + 1;
        lua_sethook(L, &Hook, LUA_MASKCOUNT, 1);
        luaL_error(L, "%s", why);
    }

    // Replaces the catcher `name` (in the library table `library`, or a global) by one that counts
    // the errors it catches and fails for good once the budget is spent.
    static void WrapCatcher(lua_State* L, const char* name, const char* library)
    {
        const int top = lua_gettop(L);
        if (library)
        {
            lua_pushstring(L, library);
            lua_rawget(L, LUA_GLOBALSINDEX);
        }
        else
        {
            lua_pushvalue(L, LUA_GLOBALSINDEX);
        }
        if (lua_istable(L, -1))
        {
            const int table = lua_gettop(L);
            lua_pushstring(L, name);
            lua_pushstring(L, name);
            lua_rawget(L, table);
            lua_pushcclosure(L, &CountingCatcher, 1);
            lua_rawset(L, table);
        }
        lua_settop(L, top);
    }

    static int CountingCatcher(lua_State* L)
    {
        if (sCaught > sBudget.caughtErrors)
            Exhausted(L, "error budget spent");
        const int args = lua_gettop(L);
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_insert(L, 1);
        lua_call(L, args, LUA_MULTRET);
        // Every catcher answers false first on a caught error.
        if (lua_gettop(L) > 0 && lua_isboolean(L, 1) && !lua_toboolean(L, 1))
            sCaught++;
        return lua_gettop(L);
    }

    static inline Budget sBudget;
    static inline int sHookCalls = 0;
    static inline int sCaught = 0;
};

class Driver
{
public:
    static constexpr int kOperations = 24;
    static constexpr int kSlots = 8;

    // A window manager with a screen of 640 x 480 and the window script attached to it. The
    // renderer (any display handler) and the scripted widgets must be installed already.
    explicit Driver(const Budget& budget = Budget())
    {
        sNow = 1000;
        qfSetTimeSource([]() { return sNow; });
        mScreen = new TScreen();
        mManager.SetScreen(mScreen);
        mScreen->SetWindowSize(640, 480);
        mScript = new TLuaWindowScript(nullptr);
        mManager.AttachWindowScript(mScript);
        Limits::Install(mScript->GetState(), budget);
        Run("gIds = {} gCo = {} gRuns = 0 gSeen = 0 gFinalised = 0");
    }

    ~Driver()
    {
        mManager.ClearDestroyedWindows();
        qfSetTimeSource(TTimeSource());
    }

    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // One operation; `op` and `arg` may be any values.
    void Step(unsigned op, unsigned arg)
    {
        const unsigned k = arg % kSlots;
        const std::string n = std::to_string(k);
        TLuaWindowScript* script = Script();
        if (!script)
            return;  // the manager let go of the script (a failed start, a close)
        switch (op % kOperations)
        {
        case 0: Run("gIds[" + n + "] = PushModal('m" + n + "')"); break;
        case 1: Run("if gIds[" + n + "] then DoPopModal(gIds[" + n + "]) gIds[" + n + "] = nil end"); break;
        case 2:
            Run("MakeDialog{ Button{ name = 'b" + n +
                "', w = 10, h = 10, command = function() gRuns = gRuns + 1 "
                "PostMessage(CreateNamedMessage(4000, 'cmd')) end } }");
            break;
        case 3: Run("DestroyWindow('b" + n + "')"); break;
        case 4: Run("PostMessage(CreateNamedMessage(" + std::to_string(1000 + k) + ", 'n" + n + "'))"); break;
        case 5:
            // Handles made inside a coroutine: a command, a posted message, table arguments.
            Run("gCo[" + n + "] = coroutine.create(function() SetCommand('b" + n +
                "', function() gRuns = gRuns + 1 end) PostMessage(CreateNamedMessage(2000, 'co')) "
                "FillRect({0, 0, 1, 1}, {1, 1, 1, 1}) PostCreate({}, 'x') coroutine.yield() "
                "PostMessageToParent(CreateNamedMessage(2001, 'co2')) end) coroutine.resume(gCo[" +
                n + "])");
            break;
        case 6:
            Run("if gCo[" + n + "] then coroutine.resume(gCo[" + n + "]) end gCo[" + n + "] = nil");
            break;
        case 7: Run("collectgarbage()"); break;
        case 8:
            Run("local p = newproxy(true) getmetatable(p).__gc = function() gFinalised = gFinalised + 1 "
                "error('finaliser " +
                n + "') end");
            break;
        case 9:
            // A finaliser that calls back into the bridge.
            Run("local p = newproxy(true) getmetatable(p).__gc = function() "
                "PostMessage(CreateNamedMessage(3000, 'gc')) SetCommand('b" +
                n +
                "', function() end) "
                "FillRect({0, 0, 2, 2}, {0, 0, 0, 1}) end");
            break;
        case 10:
            // The state's own coroutine, waiting with a timeout.
            Run("return function() while true do local m = WaitForMessage(" + std::to_string(k * 10) +
                ") if m then gSeen = gSeen + 1 end end end");
            break;
        case 11: mManager.DispatchMessages(); break;
        case 12:
            sNow += k * 7 + 1;
            if (script->Ready(TTask::kContextIdle))
                script->DoTask();
            break;
        case 13:
            if (TButton* button = FindButton("b" + n))
                button->PressButton();
            break;
        case 14: script->OnMessage(new TMessage(TMessage::kPressAnyKey, str("key")), nullptr); break;
        case 15: LuaBridge::CollectGarbage(script->GetState()); break;
        case 16:
            // Another owner frees a window the script knows by name.
            if (TWindow* w = FindWindow("b" + n))
                delete w;
            break;
        case 17: script->CloseRequested(); break;
        case 18: Run("for i = 1, 20 do pcall(error, 'caught') end"); break;
        case 19:
            Run("local m = CreateNamedMessage(5, 'twice') PostMessage(m) PostMessageToParent(m) m = nil");
            break;
        case 20:
            Run("local m = CreateNamedMessage(6, 'x') pcall(function() getmetatable(m).__gc = nil end) "
                "gT = m.type");
            break;
        case 21:
            Run("gCo[" + n +
                "] = coroutine.create(function(t) local a, b = toparams(t) coroutine.yield(a) "
                "return b end) coroutine.resume(gCo[" +
                n + "], {1, 2, 3})");
            break;
        case 22: Run("gCo[" + n + "] = nil collectgarbage()"); break;
        default: mManager.ClearDestroyedWindows(); break;
        }
    }

    TWindowManager& Manager() { return mManager; }
    TLuaWindowScript* Script() const { return mManager.GetScript() == mScript ? mScript : nullptr; }
    lua_State* State() const { return mScript->GetState(); }

    // Runs a chunk through the window script; the instruction budget applies.
    void Run(const std::string& chunk)
    {
        if (TLuaWindowScript* script = Script())
            script->RunChunk(str(chunk.c_str()), str("driver"));
    }

private:
    TButton* FindButton(const std::string& name)
    {
        TWindow* w = FindWindow(name);
        return w && w->IsKindOf(TButton::ClassId()) ? static_cast<TButton*>(w) : nullptr;
    }

    TWindow* FindWindow(const std::string& name)
    {
        TModalWindow* top = mManager.GetTopModalWindow();
        return top ? top->GetChildWindow(str(name.c_str()), -1) : nullptr;
    }

    TWindowManager mManager;
    TScreen* mScreen = nullptr;
    TLuaWindowScript* mScript = nullptr;

    static inline uint32_t sNow = 0;
};

}  // namespace bridgedriver
