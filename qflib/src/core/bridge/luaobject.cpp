// Handles to script values (objects, tables, functions) held by native code.
#include "bridge/luaobject.h"

#include <map>
#include <set>
#include <string>

#include "bridge/script.h"
#include "foundation/debug.h"
#include "scriptengine/api.h"

namespace
{

std::map<const void*, std::set<TLuaObjectWrapper*>>& LiveHandleSets()
{
    static std::map<const void*, std::set<TLuaObjectWrapper*>> handles;
    return handles;
}

int ProtectedGet(lua_State* L)
{
    lua_gettable(L, 1);
    return 1;
}

#ifndef NDEBUG
// The innermost script line running on L (debug builds record where each handle was made).
str ScriptOrigin(lua_State* L)
{
    lua_Debug ar;
    for (int level = 0; lua_getstack(L, level, &ar); level++)
    {
        if (!lua_getinfo(L, "Sl", &ar))
            break;
        if (ar.currentline > 0)
            return str::getFormatted("%s:%d", ar.short_src, ar.currentline);
    }
    return str("native code");
}
#endif

int ProtectedCollect(lua_State* L)
{
    lua_setgcthreshold(L, 0);
    return 0;
}

}  // namespace

namespace LuaBridge
{

const void* StateKey(lua_State* L)
{
    // Every thread of an interpreter shares the one registry table.
    lua_pushvalue(L, LUA_REGISTRYINDEX);
    const void* key = lua_topointer(L, -1);
    lua_pop(L, 1);
    return key;
}

void SafeGetTable(lua_State* L, int tableIndex)
{
    if (tableIndex < 0 && tableIndex > LUA_REGISTRYINDEX)
        tableIndex = lua_gettop(L) + tableIndex + 1;
    if (lua_type(L, tableIndex) == LUA_TTABLE)
    {
        // Plain tables without a metatable need no protection.
        if (!lua_getmetatable(L, tableIndex))
        {
            lua_rawget(L, tableIndex);
            return;
        }
        lua_pop(L, 1);
    }
    // function, table, key
    lua_pushcfunction(L, &ProtectedGet);
    lua_pushvalue(L, tableIndex);
    lua_pushvalue(L, -3);
    if (lua_pcall(L, 2, 1, 0) != 0)
    {
        lua_pop(L, 1);
        lua_pushnil(L);
    }
    lua_remove(L, -2);  // the key
}

void SafeGetGlobal(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    SafeGetTable(L, LUA_GLOBALSINDEX);
}

void CollectGarbage(lua_State* L)
{
    const int top = lua_gettop(L);
    // Each failed pass has finalised at least the userdata whose finaliser raised, so the passes
    // end; the bound only guards against a finaliser that keeps making raising garbage.
    for (int pass = 0; pass < 1000; pass++)
    {
        if (lua_cpcall(L, &ProtectedCollect, nullptr) == 0)
            break;
        const int type = lua_type(L, -1);
        WriteDbg("Lua error in a finaliser: %s",
                 type == LUA_TSTRING || type == LUA_TNUMBER ? lua_tostring(L, -1) : lua_typename(L, type));
        lua_settop(L, top);
    }
    lua_settop(L, top);
}

}  // namespace LuaBridge

TLuaObjectWrapper::TLuaObjectWrapper(lua_State* L) : mState(lua_mainthread(L)), mKey(LuaBridge::StateKey(L))
{
    lua_pushlightuserdata(L, this);
    lua_insert(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
    LiveHandleSets()[mKey].insert(this);
#ifndef NDEBUG
    mOrigin = ScriptOrigin(L);
#endif
}

TLuaObjectWrapper::~TLuaObjectWrapper()
{
    if (!mState)
        return;
    lua_pushlightuserdata(mState, this);
    lua_pushnil(mState);
    lua_rawset(mState, LUA_REGISTRYINDEX);
    auto& handles = LiveHandleSets();
    auto it = handles.find(mKey);
    if (it != handles.end())
    {
        it->second.erase(this);
        if (it->second.empty())
            handles.erase(it);
    }
}

void TLuaObjectWrapper::Push() const
{
    if (!mState)
        return;
    Push(mState);
}

void TLuaObjectWrapper::Push(lua_State* L) const
{
    if (!mState)
    {
        lua_pushnil(L);
        return;
    }
    lua_pushlightuserdata(L, const_cast<TLuaObjectWrapper*>(this));
    lua_rawget(L, LUA_REGISTRYINDEX);
}

int TLuaObjectWrapper::LiveHandles(lua_State* L)
{
    auto& handles = LiveHandleSets();
    auto it = handles.find(LuaBridge::StateKey(L));
    return it == handles.end() ? 0 : int(it->second.size());
}

void TLuaObjectWrapper::DetachAll(lua_State* L)
{
    auto& handles = LiveHandleSets();
    auto it = handles.find(LuaBridge::StateKey(L));
    if (it == handles.end())
        return;
#ifndef NDEBUG
    WriteDbg("%d script handle(s) still alive when the interpreter closes", int(it->second.size()));
    std::map<std::string, int> origins;
    for (TLuaObjectWrapper* handle : it->second)
        origins[handle->mOrigin.c_str()]++;
    for (const auto& origin : origins)
        WriteDbg("  %d made at %s", origin.second, origin.first.c_str());
#endif
    for (TLuaObjectWrapper* handle : it->second)
        handle->mState = nullptr;
    handles.erase(it);
}

bool TLuaTable::PushValue(double key) const
{
    Push();
    lua_pushnumber(mState, key);
    LuaBridge::SafeGetTable(mState, -2);
    lua_remove(mState, -2);
    if (lua_isnil(mState, -1))
    {
        lua_pop(mState, 1);
        return false;
    }
    return true;
}

str TLuaTable::GetString(double key, const str& defaultValue) const
{
    const int top = lua_gettop(mState);
    str result = defaultValue;
    if (PushValue(key))
    {
        const int type = lua_type(mState, -1);
        result = (type == LUA_TSTRING || type == LUA_TNUMBER) ? str(lua_tostring(mState, -1)) : str("");
    }
    lua_settop(mState, top);
    return result;
}

double TLuaTable::GetNumber(double key, double defaultValue) const
{
    const int top = lua_gettop(mState);
    double result = defaultValue;
    if (PushValue(key))
        result = lua_tonumber(mState, -1);
    lua_settop(mState, top);
    return result;
}

TLuaTable* TLuaTable::GetTable(double key) const
{
    const int top = lua_gettop(mState);
    TLuaTable* result = nullptr;
    if (PushValue(key))
    {
        if (lua_istable(mState, -1))
            result = new TLuaTable(mState);  // pops the value
    }
    lua_settop(mState, top);
    return result;
}

TColor TLuaTable::GetColor(double key, const TColor& defaultValue) const
{
    TLuaTable* inner = GetTable(key);
    if (!inner)
        return defaultValue;
    TColor color = defaultValue;
    color.a = float(inner->GetNumber(4, defaultValue.a));
    color.b = float(inner->GetNumber(3, defaultValue.b));
    color.g = float(inner->GetNumber(2, defaultValue.g));
    color.r = float(inner->GetNumber(1, defaultValue.r));
    delete inner;
    return color;
}

bool TLuaTable::DeferDelete(TLuaTable* table)
{
    if (!table)
        return false;
    // The owning script is found through a native map, never through a script global that a
    // script could overwrite.
    TScript* script = TScript::FromState(table->GetState());
    if (!script)
        return false;
    script->DeferDeleteTable(table);
    return true;
}
