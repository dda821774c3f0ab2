// The window system's side of the script seam. The window manager drives a window script
// through this interface: it runs chunks, learns of every layer change, receives the messages
// that no window took, and binds native calls as script globals. The script bridge implements
// it on the script engine; tests use a fake.
#pragma once

#include <cstddef>

#include "app/task.h"
#include "foundation/str.h"
#include "window/classid.h"

class TWindow;
class TMessage;
class TLuaFunction;  // a script function handle of the bridge; the window core only passes it on
struct lua_State;

// A native call bound to a script global: the record is copied byte for byte into a block that
// the script owns, and the thunk is called with that block and the call's first argument read
// as a boolean.
typedef void (*TBoolMemberThunk)(const void* record, bool argument);

class TWindowScript : public TTask
{
public:
    ~TWindowScript() override;

    // The script engine state the script runs in (null for a script without one); the start-up
    // hands it to the services that register script globals.
    virtual lua_State* GetEngineState() const { return nullptr; }
    // Compiles and runs a chunk of script text; false when it failed (the script reports it).
    virtual bool RunChunk(const str& text, const str& chunkName) = 0;
    // A close of the application window was requested.
    virtual void CloseRequested() = 0;
    // Makes the window the script's current window.
    virtual void PushWindow(TWindow* window) = 0;
    // The layer now on top of the modal stack (null when the stack is empty).
    virtual void NewModalWindow(TWindow* top) = 0;
    // A message that no window accepted; the script owns it from here on.
    virtual void OnMessage(TMessage* message, TLuaFunction* function) = 0;
    // Defines a script global function of that name that creates windows of the class. The
    // default runs WindowTypeChunk(name).
    virtual void AddWindowType(const str& name, TClassId classId);
    // Switches the script's look-up of labels in the string tables.
    virtual void EnableStringTable(bool enable) = 0;
    // Resumes the script's main coroutine with that many arguments; the engine's status.
    virtual int Resume(int argumentCount) = 0;
    // Binds the global `name` to a native call; `size` is the exact size of the record.
    virtual void RegisterBoolMember(const char* name, const void* record, size_t size,
                                    TBoolMemberThunk thunk) = 0;

    // The chunk that defines the creator function of a window type.
    static str WindowTypeChunk(const str& name);
};
