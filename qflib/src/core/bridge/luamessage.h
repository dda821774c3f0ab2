// Window messages crossing into scripts and back. A message reaches a script as a message box:
// a userdata holding the message pointer, with the message metatable (registry
// "qfMessageMetatable") whose "__index" answers "type" and "name" and whose "__gc" deletes the
// message; its "__metatable" field keeps scripts from reading or replacing it. A message a script posts travels through the window manager's queue inside a
// TLuaMessageWrapper, which keeps the script's box alive and hands it back on delivery.
#pragma once

#include <memory>

#include "bridge/luaobject.h"
#include "scriptengine/api.h"
#include "window/message.h"

struct lua_State;

class TLuaMessageWrapper : public TMessage
{
public:
    // Takes the box on the top of the stack (popped) and copies its message's type, name and
    // target.
    explicit TLuaMessageWrapper(lua_State* L);
    ~TLuaMessageWrapper() override;

    static TClassId ClassId();
    const char* GetTypeName() const override { return "TLuaMessageWrapper"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TMessage::IsKindOf(id); }
    // The boxed message (still owned by the script), or this wrapper when the box is empty.
    TMessage* GetCarriedMessage() override;

    // Pushes the script value this wrapper carries (nil once its interpreter has closed).
    void PushScriptValue(lua_State* L) const { mValue.Push(L); }

private:
    TLuaMessage mValue;
};

// The registry key of the message metatable.
extern const char* const kMessageMetatableKey;  // "qfMessageMetatable"
// What getmetatable answers for a message box: the metatable itself is protected.
extern const char* const kMessageMetatableName;  // "message"

// Creates the message metatable in the registry unless it is there.
void CreateMessageMetatable(lua_State* L);
// "__index" of message boxes.
int IndexMessage(lua_State* L);
// Deletes a message through its virtual destructor; null does nothing.
void DeleteMessage(TMessage* message);
// "__gc" of message boxes: deletes the message and empties the box, so a second call and later
// reads see no message.
int DeleteMessageBox(lua_State* L);
// "CreateNamedMessage": a new message with no target.
TMessage* CreateNamedMessage(int type, str name);
// The message of the box at index, or null when the value is not a message box.
TMessage* MessageFromBox(lua_State* L, int index);
// Pushes the script value of a message handed to a script, and takes the message: a wrapper
// gives back the very box that was posted (and is deleted), anything else is boxed (null boxes a
// new command-only message when `nullAsCommand` is set).
void PushMessageValue(lua_State* L, std::unique_ptr<TMessage> message, bool nullAsCommand);
