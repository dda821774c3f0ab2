// Handles through which native code holds script values beyond one native call. Each handle
// keeps its value in the script registry under the light userdata of its own address, so the
// value lives exactly as long as the handle. Handles are never copied and must all be gone
// before their state is closed (LiveHandles counts them per interpreter). A handle may be made
// on any thread of an interpreter, a coroutine included, but it always works on the
// interpreter's main thread: a coroutine can be collected while the handle lives on.
#pragma once

#include <memory>

#include "foundation/asset.h"
#include "foundation/color.h"
#include "foundation/str.h"

struct lua_State;

class TLuaObjectWrapper
{
public:
    // Takes the value on the top of the stack into the registry and pops it.
    explicit TLuaObjectWrapper(lua_State* L);
    virtual ~TLuaObjectWrapper();
    TLuaObjectWrapper(const TLuaObjectWrapper&) = delete;
    TLuaObjectWrapper& operator=(const TLuaObjectWrapper&) = delete;

    // Pushes the held value onto the main thread.
    void Push() const;
    // Pushes the held value onto L, a thread of the same interpreter (nil once detached).
    void Push(lua_State* L) const;
    // The interpreter's main thread; null once the interpreter has closed.
    lua_State* GetState() const { return mState; }

    // Handles alive on the interpreter that L belongs to (any of its threads).
    static int LiveHandles(lua_State* L);
    // The interpreter is about to close: every handle still on it lets go of it, so that a
    // handle that outlives it (a script message still queued at shut-down) is destroyed without
    // touching it. A detached handle pushes nil. Builds with assertions write how many were
    // still alive and where each was made, so that a leak shows where it begins.
    static void DetachAll(lua_State* L);
    bool IsDetached() const { return mState == nullptr; }

protected:
    lua_State* mState;
    const void* mKey;
    // Where the handle was made: the innermost script line then running ("file:line"), or
    // "native code"; empty in builds without assertions.
    str mOrigin;
};

// A table held by native code. Keys are numbers; every getter leaves the stack as it found it.
class TLuaTable : public TLuaObjectWrapper
{
public:
    explicit TLuaTable(lua_State* L) : TLuaObjectWrapper(L) {}

    // Pushes table[key] (metamethods apply; an error in one reads as nil). A nil value is popped
    // and false returned.
    bool PushValue(double key) const;
    // The element as text; "" for a value that is neither string nor number; the default when
    // the element is missing.
    str GetString(double key, const str& defaultValue) const;
    // The element as a number (0 for a non-number); the default when missing.
    double GetNumber(double key, double defaultValue) const;
    // A new handle owned by the caller when the element is a table, else null.
    TLuaTable* GetTable(double key) const;
    // Elements 4, 3, 2, 1 of the inner table give alpha, blue, green, red, each falling back to
    // the default's channel; a non-table element gives the default.
    TColor GetColor(double key, const TColor& defaultValue) const;

    // Hands the table to the script of its interpreter, which deletes it at its next entry into
    // script code; true when it did. With no script for the interpreter nothing happens and
    // false is returned: the caller still owns the table.
    static bool DeferDelete(TLuaTable* table);
};

class TLuaFunction : public TLuaObjectWrapper
{
public:
    explicit TLuaFunction(lua_State* L) : TLuaObjectWrapper(L) {}
};

// The script value (the box) of a message.
class TLuaMessage : public TLuaObjectWrapper
{
public:
    explicit TLuaMessage(lua_State* L) : TLuaObjectWrapper(L) {}
};

// Holds one polymorphic object for the life of the holder (declared for holding a coroutine).
class TLuaThread
{
public:
    struct TObject
    {
        virtual ~TObject() {}
    };
    explicit TLuaThread(TObject* object = nullptr) : mObject(object) {}
    virtual ~TLuaThread() { delete mObject; }
    TLuaThread(const TLuaThread&) = delete;
    TLuaThread& operator=(const TLuaThread&) = delete;

private:
    TObject* mObject;
};

// Script code as a shared asset.
class TScriptCode : public TAsset
{
    QF_ASSET_CLASS(TScriptCode, TAsset)
public:
    explicit TScriptCode(const str& code = str()) : mCode(code) {}
    const str& GetCode() const { return mCode; }

private:
    str mCode;
};

namespace LuaBridge
{

// A key identifying an interpreter: the same for every thread of one state.
const void* StateKey(lua_State* L);
// Reads t[k] with the table at tableIndex and the key on the top of the stack, replacing the key
// by the value, as lua_gettable does; an error raised by a metamethod is dropped and reads as
// nil, so native code outside any script call can never be thrown out of.
void SafeGetTable(lua_State* L, int tableIndex);
// The global of that name pushed, read the same way.
void SafeGetGlobal(lua_State* L, const char* name);
// A full collection run protected: an error raised by a script finaliser is written as a debug
// line and the finalisers still pending run in another protected pass. The stack is left as it
// was.
void CollectGarbage(lua_State* L);

}  // namespace LuaBridge
