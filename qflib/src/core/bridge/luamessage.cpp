// Window messages as script message boxes, and back.
#include "bridge/luamessage.h"

#include <cstring>

#include "bridge/lpcd.h"
#include "scriptengine/api.h"

const char* const kMessageMetatableKey = "qfMessageMetatable";
const char* const kMessageMetatableName = "message";

namespace
{

void MessageWrapperClassMarker()
{
}

void PushMessageMetatable(lua_State* L)
{
    lua_pushstring(L, kMessageMetatableKey);
    lua_rawget(L, LUA_REGISTRYINDEX);
}

// The block of a message box at index, or null for any other value.
TMessage** BoxBlock(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TUSERDATA)
        return nullptr;
    if (!lua_getmetatable(L, index))
        return nullptr;
    PushMessageMetatable(L);
    const bool isBox = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return isBox ? static_cast<TMessage**>(lua_touserdata(L, index)) : nullptr;
}

}  // namespace

TClassId TLuaMessageWrapper::ClassId()
{
    return reinterpret_cast<TClassId>(&MessageWrapperClassMarker);
}

TLuaMessageWrapper::TLuaMessageWrapper(lua_State* L) : TMessage(), mValue((lua_pushvalue(L, -1), L))
{
    if (TMessage* boxed = MessageFromBox(L, -1))
    {
        mType = boxed->mType;
        mName = boxed->mName;
        mTarget = boxed->mTarget;
    }
    lua_pop(L, 1);
}

TLuaMessageWrapper::~TLuaMessageWrapper()
{
}

TMessage* TLuaMessageWrapper::GetCarriedMessage()
{
    lua_State* L = mValue.GetState();
    if (!L)
        return this;
    mValue.Push();
    TMessage* carried = MessageFromBox(L, -1);
    lua_pop(L, 1);
    return carried ? carried : this;
}

void CreateMessageMetatable(lua_State* L)
{
    PushMessageMetatable(L);
    const bool present = lua_istable(L, -1);
    lua_pop(L, 1);
    if (present)
        return;
    lua_pushstring(L, kMessageMetatableKey);
    lua_newtable(L);
    lua_pushstring(L, "__gc");
    lua_pushcfunction(L, &DeleteMessageBox);
    lua_rawset(L, -3);
    lua_pushstring(L, "__index");
    lua_pushcfunction(L, &IndexMessage);
    lua_rawset(L, -3);
    // Shared by every message, system messages included: scripts see only this text in its
    // place and can neither read nor replace the metatable.
    lua_pushstring(L, "__metatable");
    lua_pushstring(L, kMessageMetatableName);
    lua_rawset(L, -3);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

TMessage* MessageFromBox(lua_State* L, int index)
{
    TMessage** block = BoxBlock(L, index);
    return block ? *block : nullptr;
}

int IndexMessage(lua_State* L)
{
    TMessage* message = MessageFromBox(L, 1);
    if (!message)
        return 0;
    const str key = LPCD::Get(LPCD::TypeWrapper<str>(), L, 2);
    if (key == str("type"))
    {
        lua_pushnumber(L, message->mType);
        return 1;
    }
    if (key == str("name"))
    {
        lua_pushlstring(L, message->mName.c_str(), message->mName.length());
        return 1;
    }
    return 0;
}

void DeleteMessage(TMessage* message)
{
    delete message;
}

int DeleteMessageBox(lua_State* L)
{
    TMessage** block = BoxBlock(L, 1);
    if (block)
    {
        TMessage* message = *block;
        *block = nullptr;
        DeleteMessage(message);
    }
    return 0;
}

TMessage* CreateNamedMessage(int type, str name)
{
    return new TMessage(type, name, nullptr);
}

namespace LPCD
{

TMessage* Get(TypeWrapper<TMessage*>, lua_State* L, int index)
{
    return MessageFromBox(L, index);
}

void Push(lua_State* L, TMessage* message)
{
    Push(L, std::unique_ptr<TMessage>(message));
}

void Push(lua_State* L, std::unique_ptr<TMessage> message)
{
    // The box owns the message once it is made and has its metatable. Making it can raise a
    // script error (out of memory): the message is still ours then and goes with the unwinding.
    CreateMessageMetatable(L);
    // A plain userdata holding the pointer (not an engine box), so that deletion can empty it.
    void* block = lua_newuserdata(L, sizeof(TMessage*));
    std::memset(block, 0, sizeof(TMessage*));
    PushMessageMetatable(L);
    lua_setmetatable(L, -2);
    TMessage* boxed = message.release();
    std::memcpy(block, &boxed, sizeof boxed);
}

}  // namespace LPCD

void PushMessageValue(lua_State* L, std::unique_ptr<TMessage> message, bool nullAsCommand)
{
    if (!message)
    {
        if (nullAsCommand)
            LPCD::Push(L, std::make_unique<TMessage>(TMessage::kCommandOnly, str("")));
        else
            lua_pushnil(L);
        return;
    }
    if (message->IsKindOf(TLuaMessageWrapper::ClassId()))
    {
        // The script gets its own box back; the wrapper has done its work.
        static_cast<TLuaMessageWrapper*>(message.get())->PushScriptValue(L);
        return;
    }
    LPCD::Push(L, std::move(message));
}
