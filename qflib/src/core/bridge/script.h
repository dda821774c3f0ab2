// TScript: a task that owns one script state, opens the libraries and globals every framework
// script expects, runs chunks and functions protected (script errors never leave it), and runs
// the state itself as a coroutine that the task list resumes until it finishes.
#pragma once

#include <vector>

#include "foundation/str.h"
#include "window/animtask.h"

struct lua_State;
class TLuaTable;

class TScript : public TAnimTask
{
public:
    // Adopts L, or opens a new state when L is null (only then is "_SCRIPT" published). The
    // task starts paused.
    explicit TScript(lua_State* L = nullptr);
    ~TScript() override;
    TScript(const TScript&) = delete;
    TScript& operator=(const TScript&) = delete;

    lua_State* GetState() const { return mLuaState; }
    // The script that was built on the interpreter L belongs to (any of its threads), or null.
    static TScript* FromState(lua_State* L);

    // Compiles and runs a chunk (the chunk is named by its own text). results 0 asks for one
    // result and drops it; other counts leave the results on the stack. A failure leaves the
    // error value on the stack, writes the error and hands it to "LuaErrorMessage". Returns the
    // engine's status (0 success).
    int DoLuaString(const str& text, int length = -1, int results = 0);
    // Calls the function below `args` arguments on the top of the stack; 0 on success, else the
    // engine's error code. While the state waits in a yield (and results <= 1) the call is bound
    // into a closure and handed to InjectFunction.
    int RunFunction(int args, int results);
    // Resumes the state's coroutine; a failure is written and its error value popped.
    int Resume(int args);
    // The state is suspended in a yield (and no script code is running).
    bool CoroutineActive(int unused = 0) const;
    // Receives a parameterless closure on the top of the stack while the state is suspended;
    // false (after popping it) tells RunFunction to call it at once.
    virtual bool InjectFunction();

    void DeferDeleteTable(TLuaTable* table);
    size_t DeferredTableCount() const { return mDeferredTables.size(); }
    void SetGlobalString(const str& name, const str& value);
    // Assigns the value on the top of the stack (popped) to the global `name` the way a
    // script's own assignment does, so a "__newindex" the script put on its globals runs; the
    // assignment is a protected call with "_ALERT" as handler, so an error raised there is
    // written and goes no further. Returns the engine's status (0 success).
    int AssignGlobal(const char* name);
    // The top value as text ("" for anything but strings and numbers), popped.
    str PopString();

    // "toparams": the elements 1..n of the table argument as separate results.
    static int ParamsFromTable(lua_State* L);

    // The module search path copied into LUA_PATH before every chunk.
    static str mLuaPath;

protected:
    bool Animate() override;
    void LuaInit();
    void DeleteDeferredTables();

    // Counts the script calls this object is inside of; while any runs, the state is not
    // suspended even though its current frame is not the base frame.
    struct TEntry
    {
        explicit TEntry(TScript* s) : script(s) { ++script->mEntryDepth; }
        ~TEntry() { --script->mEntryDepth; }
        TScript* script;
    };

    lua_State* mLuaState;
    std::vector<TLuaTable*> mDeferredTables;
    int mEntryDepth = 0;
};

// "_ALERT": writes "Lua error: %s" with the top value.
int LuaAlert(lua_State* L);
// "DebugOut": discards its text.
void LuaDebugOut(str text);
