// TLuaWindowStyle: window styles read from script tables.
#include "bridge/luawindowstyle.h"

#include "foundation/debug.h"
#include "scriptengine/api.h"
#include "window/modalwindow.h"
#include "window/window.h"

namespace
{

// Reads candidate[key] for a table candidate on the top, else the global key; the value is
// pushed above the candidate.
void LookUp(lua_State* L, const char* key)
{
    if (lua_istable(L, -1))
    {
        lua_pushstring(L, key);
        LuaBridge::SafeGetTable(L, -2);
    }
    else
    {
        LuaBridge::SafeGetGlobal(L, key);
    }
}

void DialogClassMarker()
{
}

}  // namespace

bool TLuaWindowStyle::_GetTag(const char* key, bool useDefault) const
{
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    LookUp(L, key);
    if (!lua_isnil(L, -1))
        return true;
    lua_pop(L, 1);
    if (useDefault)
        LuaBridge::SafeGetGlobal(L, "gCurrentDefaultStyle");
    else
    {
        lua_pushstring(L, "parent");
        LuaBridge::SafeGetTable(L, -2);
    }
    for (int links = 0; lua_istable(L, -1); links++)
    {
        LookUp(L, key);
        if (!lua_isnil(L, -1))
        {
            // Only the found value stays above the candidate.
            lua_replace(L, top + 1);
            lua_settop(L, top + 1);
            return true;
        }
        lua_pop(L, 1);
        if (links >= kMaxParentLinks)
            break;
        lua_pushstring(L, "parent");
        LuaBridge::SafeGetTable(L, -2);
        lua_remove(L, -2);
    }
    lua_settop(L, top);
    return false;
}

bool TLuaWindowStyle::Find(const str& key) const
{
    if (!mStyleTable)
        return false;
    mStyleTable->Push();
    return _GetTag(key.c_str(), true);
}

double TLuaWindowStyle::GetNumber(const str& key, double defaultValue) const
{
    if (!mStyleTable)
        return defaultValue;
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    double result = defaultValue;
    if (Find(key))
        result = lua_tonumber(L, -1);
    lua_settop(L, top);
    return result;
}

str TLuaWindowStyle::GetString(const str& key, const str& defaultValue) const
{
    if (!mStyleTable)
        return defaultValue;
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    str result = defaultValue;
    if (Find(key))
    {
        const int type = lua_type(L, -1);
        result = (type == LUA_TSTRING || type == LUA_TNUMBER) ? str(lua_tostring(L, -1), lua_strlen(L, -1))
                                                              : str("");
    }
    lua_settop(L, top);
    return result;
}

bool TLuaWindowStyle::GetBool(const str& key, bool defaultValue) const
{
    if (!mStyleTable)
        return defaultValue;
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    bool result = defaultValue;
    if (Find(key))
    {
        const int type = lua_type(L, -1);
        if (type == LUA_TBOOLEAN)
            result = lua_toboolean(L, -1) != 0;
        else if (type == LUA_TNUMBER)
            result = !(lua_tonumber(L, -1) == 0);  // NaN is true
        else if (type == LUA_TSTRING)
        {
            WriteDbg("PopBool used on lua string %s", lua_tostring(L, -1));
            result = false;
        }
        else
        {
            WriteDbg("PopBool used on a type that isn't a number, a boolean, or nil. (type: %d)", type);
            result = false;
        }
    }
    lua_settop(L, top);
    return result;
}

TLuaTable* TLuaWindowStyle::GetTable(const str& key) const
{
    if (!mStyleTable)
        return nullptr;
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    TLuaTable* result = Find(key) ? new TLuaTable(L) : nullptr;
    lua_settop(L, top);
    return result;
}

TLuaFunction* TLuaWindowStyle::GetFunction(const str& key) const
{
    if (!mStyleTable)
        return nullptr;
    lua_State* L = mStyleTable->GetState();
    const int top = lua_gettop(L);
    TLuaFunction* result = Find(key) ? new TLuaFunction(L) : nullptr;
    lua_settop(L, top);
    return result;
}

intptr_t TDialog::ClassId()
{
    return reinterpret_cast<intptr_t>(&DialogClassMarker);
}

bool TDialog::IsKindOf(intptr_t id)
{
    return id == ClassId() || id == TModalWindow::ClassId() || id == TWindow::ClassId();
}
